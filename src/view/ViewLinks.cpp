#include "ViewLinks.h"

namespace viewlinks {
namespace {
TLightOptions* g_lightOptions = nullptr;
TColorSource* g_colorSource = nullptr;
} // namespace

void SetLightOptions(TLightOptions* options) { g_lightOptions = options; }
TLightOptions* LightOptions() { return g_lightOptions; }
void SetColorSource(TColorSource* source) { g_colorSource = source; }
TColorSource* ColorSource() { return g_colorSource; }

} // namespace viewlinks
