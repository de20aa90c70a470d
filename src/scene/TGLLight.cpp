// SPDX-License-Identifier: GPL-3.0-or-later
#include "TGLLight.h"

namespace {

// Which units are held, in the whole process; LightCount is the number held.
bool g_unitHeld[TGLLight::kMaxLights] = {};
int g_lightCount = 0;

} // namespace

TGLLight::TGLLight(float x, float y)
{
    if (g_lightCount >= kMaxLights)
        return;
    // The lowest free unit, so that no two lights ever share one, whatever
    // order lights were destroyed in.
    for (int unit = 0; unit < kMaxLights; ++unit)
        if (!g_unitHeld[unit]) {
            FLightIndex = unit;
            break;
        }
    g_unitHeld[FLightIndex] = true;
    ++g_lightCount;

    SetXY(x, y);
    FZ = 15;
    FRed = 0;
    FBlue = 1;
    FGreen = 1;
    FScaleX = FScaleY = FScaleZ = 3.3f;
    ApplyColors();
    ApplyPosition();
    gl::Enable(Unit());
}

TGLLight::~TGLLight() { ReleaseUnit(); }

void TGLLight::ReleaseUnit()
{
    if (!HasUnit())
        return;
    gl::Disable(Unit());
    g_unitHeld[FLightIndex] = false;
    --g_lightCount;
    FLightIndex = -1;
}

bool TGLLight::AcquireUnit()
{
    if (HasUnit())
        return true;
    if (g_lightCount >= kMaxLights)
        return false;
    for (int unit = 0; unit < kMaxLights; ++unit)
        if (!g_unitHeld[unit]) {
            FLightIndex = unit;
            break;
        }
    g_unitHeld[FLightIndex] = true;
    ++g_lightCount;
    Restore();
    return true;
}

int TGLLight::GetLightCount() { return g_lightCount; }

const char* TGLLight::GetTypeName() { return "TGLLight"; }

std::unique_ptr<TGLObject> TGLLight::CreateNew() { return std::make_unique<TGLLight>(FX, FY); }

void TGLLight::ApplyColors()
{
    if (!HasUnit())
        return;
    gl::Lightfv(Unit(), GL_AMBIENT, FLightAmbient);
    gl::Lightfv(Unit(), GL_SPECULAR, FLightSpecular);
    gl::Lightfv(Unit(), GL_DIFFUSE, FLightDiffuse);
}

void TGLLight::ApplyPosition()
{
    if (!HasUnit())
        return;
    const float position[4] = {FX, FY, FZ, FW};
    gl::Lightfv(Unit(), GL_POSITION, position);
}

void TGLLight::Restore()
{
    if (!HasUnit())
        return;
    ApplyColors();
    ApplyPosition();
    gl::Enable(Unit());
}

float* TGLLight::Component(int which)
{
    return which == 0 ? FLightAmbient : which == 1 ? FLightDiffuse : FLightSpecular;
}

const float* TGLLight::Component(int which) const
{
    return which == 0 ? FLightAmbient : which == 1 ? FLightDiffuse : FLightSpecular;
}

void TGLLight::SetLightColor(int which, float r, float g, float b)
{
    float* colour = Component(which);
    colour[0] = r;
    colour[1] = g;
    colour[2] = b;
    ApplyColors();
}

void TGLLight::GetLightColor(int which, float& r, float& g, float& b) const
{
    const float* colour = Component(which);
    r = colour[0];
    g = colour[1];
    b = colour[2];
}

void TGLLight::Draw(GLenum mode)
{
    BeginDraw(mode);
    if (FTexture != 0)
        gl::Disable(GL_TEXTURE_2D);
    const bool lighting = gl::IsEnabled(GL_LIGHTING);
    if (lighting)
        gl::Disable(GL_LIGHTING);
    if (FSelected)
        gl::LineWidth(3);

    gl::Begin(GL_LINE_LOOP);
    gl::Vertex3f(-.5f, -.5f, -.5f);
    gl::Vertex3f(.5f, -.5f, -.5f);
    gl::Vertex3f(.5f, -.5f, .5f);
    gl::Vertex3f(-.5f, -.5f, .5f);
    gl::End();
    gl::Begin(GL_LINE_LOOP);
    gl::Vertex3f(-.5f, .5f, -.5f);
    gl::Vertex3f(.5f, .5f, -.5f);
    gl::Vertex3f(.5f, .5f, .5f);
    gl::Vertex3f(-.5f, .5f, .5f);
    gl::End();
    gl::Begin(GL_LINES);
    gl::Vertex3f(-.5f, -.5f, -.5f);
    gl::Vertex3f(-.5f, .5f, -.5f);
    gl::Vertex3f(.5f, -.5f, -.5f);
    gl::Vertex3f(.5f, .5f, -.5f);
    gl::Vertex3f(.5f, -.5f, .5f);
    gl::Vertex3f(.5f, .5f, .5f);
    gl::Vertex3f(-.5f, -.5f, .5f);
    gl::Vertex3f(-.5f, .5f, .5f);
    gl::End();

    if (lighting)
        gl::Enable(GL_LIGHTING);
    if (FSelected)
        gl::LineWidth(1);
    EndDraw(mode);
}
