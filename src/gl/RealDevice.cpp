#include "GlDevice.h"

#include <cstring>
#include <vector>

namespace gl {

Device& realDevice() { return detail::g_realDevice; }

namespace detail {
RealDevice g_realDevice;
Device* g_device = &g_realDevice;
} // namespace detail

} // namespace gl
