// SPDX-License-Identifier: GPL-3.0-or-later
#include "TGLObject.h"

#include <cmath>
#include <cstring>

TGLObject::TGLObject() = default;
TGLObject::~TGLObject() = default;

void TGLObject::SetDetail(int) {}

std::uint64_t TGLObject::TrianglesAt(int) const { return 0; }

std::unique_ptr<TGLObject> TGLObject::Clone()
{
    std::unique_ptr<TGLObject> copy = CreateNew();
    CopyBaseInto(*copy);
    return copy;
}

void TGLObject::CopyBaseInto(TGLObject& copy) const
{
    copy.FZ = FZ;
    copy.FRed = FRed;
    copy.FGreen = FGreen;
    copy.FBlue = FBlue;
    copy.FRotX = FRotX;
    copy.FRotY = FRotY;
    copy.FRotZ = FRotZ;
    copy.FScaleX = FScaleX;
    copy.FScaleY = FScaleY;
    copy.FScaleZ = FScaleZ;
}

const char* TGLObject::GetTypeName() { return "TGLObject"; }

TGLObject* TGLObject::Append(std::unique_ptr<TGLObject> obj)
{
    TGLObject* tail = this;
    while (tail->FNext)
        tail = tail->FNext;
    obj->FID = tail->FID + 1;
    tail->FNext = obj.release();
    return tail->FNext;
}

void TGLObject::DeleteFollowing()
{
    TGLObject* obj = FNext;
    while (obj) {
        TGLObject* next = obj->FNext;
        delete obj;
        obj = next;
    }
}

TGLObject* TGLObject::FindByID(int id)
{
    for (TGLObject* obj = this; obj; obj = obj->FNext)
        if (obj->FID == id)
            return obj;
    return nullptr;
}

void TGLObject::SetColor(int rgb)
{
    const unsigned value = static_cast<unsigned>(rgb);
    FRed = static_cast<float>(value & 0xFF) / 255;
    FGreen = static_cast<float>((value >> 8) & 0xFF) / 255;
    FBlue = static_cast<float>((value >> 16) & 0xFF) / 255;
}

void TGLObject::SetColorF(float r, float g, float b)
{
    FRed = r;
    FGreen = g;
    FBlue = b;
}

void TGLObject::SetRotation(float x, float y, float z)
{
    FRotX = x;
    FRotY = y;
    FRotZ = z;
}

void TGLObject::SetScale(float x, float y, float z)
{
    FScaleX = x;
    FScaleY = y;
    FScaleZ = z;
}

void TGLObject::SetSpecular4(const float s[4])
{
    for (int i = 0; i < 4; ++i)
        FSpecular[i] = s[i];
}

void TGLObject::SetXY(float x, float y)
{
    FX = x;
    FY = y;
}

void TGLObject::GetXY(float& x, float& y) const
{
    x = FX;
    y = FY;
}

// Adds delta to an angle and folds it back once if it passes 360.
static void AddAngle(float& angle, float delta)
{
    angle += delta;
    if (angle > 360)
        angle -= 360;
}

void TGLObject::RotateXY(float dx, float dy)
{
    AddAngle(FRotX, dx);
    AddAngle(FRotY, dy);
}

void TGLObject::RotateZY(float dz, float dy)
{
    AddAngle(FRotY, dy);
    AddAngle(FRotZ, dz);
}

void TGLObject::GrowScale(float dx, float dy, float dz, bool uniform)
{
    if (uniform) {
        FScaleY = FScaleX;
        FScaleZ = FScaleX;
    }
    FScaleX += dx;
    FScaleY += dy;
    FScaleZ += dz;
}

void TGLObject::SetSpecular(float r, float g, float b)
{
    FSpecular[0] = r;
    FSpecular[1] = g;
    FSpecular[2] = b;
}

void TGLObject::GetColor(float& r, float& g, float& b) const
{
    r = FRed;
    g = FGreen;
    b = FBlue;
}

void TGLObject::GetRotation(float& x, float& y, float& z) const
{
    x = FRotX;
    y = FRotY;
    z = FRotZ;
}

void TGLObject::GetScale(float& x, float& y, float& z) const
{
    x = FScaleX;
    y = FScaleY;
    z = FScaleZ;
}

void TGLObject::BeginDraw(GLenum mode)
{
    gl::Color3f(FRed, FGreen, FBlue);
    float diffuse[4] = {FRed, FGreen, FBlue, 1};
    if (FTexture != 0) {
        gl::Enable(GL_TEXTURE_2D);
        gl::TexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        gl::BindTexture(GL_TEXTURE_2D, FTexture);
        // The texture is modulated by white, whatever the object's colour.
        diffuse[0] = diffuse[1] = diffuse[2] = 1;
    }
    gl::Materialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, diffuse);
    gl::Materialfv(GL_FRONT, GL_SPECULAR, FSpecular);
    gl::Materialfv(GL_FRONT, GL_SHININESS, &FShininess);
    if (mode == GL_SELECT)
        gl::PushName(static_cast<GLuint>(FID));
    gl::PushMatrix();
    gl::Translatef(FX, FY, FZ);
    if (FRotX != 0)
        gl::Rotatef(FRotX, 1, 0, 0);
    if (FRotY != 0)
        gl::Rotatef(FRotY, 0, 1, 0);
    if (FRotZ != 0)
        gl::Rotatef(FRotZ, 0, 0, 1);
    gl::Scalef(FScaleX, FScaleY, FScaleZ);
}

void TGLObject::EndDraw(GLenum mode)
{
    gl::PopMatrix();
    if (mode == GL_SELECT)
        gl::PopName();
    if (FTexture != 0)
        gl::Disable(GL_TEXTURE_2D);
}

namespace {
std::array<float, 3> g_markerColor{1, 1, 1};
} // namespace

void TGLObject::SetMarkerColor(const std::array<float, 3>& rgb) { g_markerColor = rgb; }

const std::array<float, 3>& TGLObject::MarkerColor() { return g_markerColor; }

std::array<float, 3> MarkerColorFor(const std::array<float, 3>& background)
{
    const float luminance = 0.2126f * background[0] + 0.7152f * background[1] + 0.0722f * background[2];
    return luminance > 0.45f ? std::array<float, 3>{0, 0, 0} : std::array<float, 3>{1, 1, 1};
}

bool TGLObject::BeginMarker()
{
    if (FTexture != 0)
        gl::Disable(GL_TEXTURE_2D);
    const bool lighting = gl::IsEnabled(GL_LIGHTING);
    if (lighting)
        gl::Disable(GL_LIGHTING);
    const std::array<float, 3>& marker = MarkerColor();
    gl::Color3f(marker[0], marker[1], marker[2]);
    return lighting;
}

void TGLObject::EndMarker(bool lightingWasOn)
{
    if (lightingWasOn)
        gl::Enable(GL_LIGHTING);
}

void TGLObject::MarkerPoints(const float (*points)[3], int count)
{
    gl::PointSize(3);
    gl::Begin(GL_POINTS);
    for (int i = 0; i < count; ++i)
        gl::Vertex3f(points[i][0], points[i][1], points[i][2]);
    gl::End();
    gl::PointSize(1);
}

void TGLObject::DrawLocalAxes(double ex, double ey, double ez, double arrow, double width)
{
    auto line = [](double x0, double y0, double z0, double x1, double y1, double z1) {
        gl::Vertex3f(static_cast<float>(x0), static_cast<float>(y0), static_cast<float>(z0));
        gl::Vertex3f(static_cast<float>(x1), static_cast<float>(y1), static_cast<float>(z1));
    };
    gl::LineWidth(static_cast<float>(width));
    gl::Begin(GL_LINES);
    gl::Color3f(1, 0, 0);
    line(-ex, 0, 0, ex, 0, 0);
    line(ex - arrow, arrow, 0, ex, 0, 0);
    line(ex - arrow, -arrow, 0, ex, 0, 0);
    gl::Color3f(0, 1, 0);
    line(0, -ey, 0, 0, ey, 0);
    line(arrow, ey - arrow, 0, 0, ey, 0);
    line(-arrow, ey - arrow, 0, 0, ey, 0);
    gl::Color3f(0, 0, 1);
    line(0, 0, -ez, 0, 0, ez);
    line(0, arrow, ez - arrow, 0, 0, ez);
    line(0, -arrow, ez - arrow, 0, 0, ez);
    gl::End();
    gl::LineWidth(1);
}

void NormalizeVector(float v[3])
{
    const double x = v[0], y = v[1], z = v[2];
    const float length = static_cast<float>(std::sqrt(x * x + y * y + z * z));
    if (length != 0) {
        v[0] /= length;
        v[1] /= length;
        v[2] /= length;
    }
}

void GLTextOut(const char* text, float x, float y, float z)
{
    gl::RasterPos3f(x, y, z);
    gl::CallLists(static_cast<GLsizei>(std::strlen(text)), GL_BYTE, text);
}
