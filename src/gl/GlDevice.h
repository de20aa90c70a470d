// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The OpenGL call layer. Scene objects and views issue every OpenGL and GLU
// call through the functions of namespace gl below, which forward to the
// current device. The default device is the real one (it calls the system's
// libGL and libGLU in whatever context is current); tests install a
// RecordingDevice to check the exact command stream.

#include <GL/gl.h>
#include <GL/glu.h>

namespace gl {

class Device {
public:
    virtual ~Device() = default;

    virtual void Begin(GLenum mode) = 0;
    virtual void End() = 0;
    virtual void Vertex3f(GLfloat x, GLfloat y, GLfloat z) = 0;
    virtual void Vertex3fv(const GLfloat* v) = 0;
    virtual void Normal3f(GLfloat x, GLfloat y, GLfloat z) = 0;
    virtual void Normal3fv(const GLfloat* v) = 0;
    virtual void TexCoord2f(GLfloat s, GLfloat t) = 0;
    virtual void Color3f(GLfloat r, GLfloat g, GLfloat b) = 0;
    virtual void EdgeFlag(GLboolean flag) = 0;
    // Draws indexCount / 3 triangles from arrays in one call where the device
    // can: three floats of position and of normal per vertex, three indices
    // per triangle. A device that cannot (one that records or forwards calls)
    // draws nothing and returns false; the caller then sends the same
    // triangles corner by corner.
    virtual bool DrawTriangleElements(const GLfloat* /*positions*/, const GLfloat* /*normals*/,
                                      const GLuint* /*indices*/, GLsizei /*indexCount*/)
    {
        return false;
    }

    virtual void Enable(GLenum cap) = 0;
    virtual void Disable(GLenum cap) = 0;
    virtual GLboolean IsEnabled(GLenum cap) = 0;

    virtual void MatrixMode(GLenum mode) = 0;
    virtual void LoadIdentity() = 0;
    virtual void PushMatrix() = 0;
    virtual void PopMatrix() = 0;
    virtual void Translatef(GLfloat x, GLfloat y, GLfloat z) = 0;
    virtual void Rotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) = 0;
    virtual void Scalef(GLfloat x, GLfloat y, GLfloat z) = 0;
    virtual void Ortho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear,
                       GLdouble zFar) = 0;
    virtual void Viewport(GLint x, GLint y, GLsizei width, GLsizei height) = 0;
    virtual void Perspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) = 0;
    virtual void PickMatrix(GLdouble x, GLdouble y, GLdouble width, GLdouble height, GLint* viewport) = 0;

    virtual void Materialfv(GLenum face, GLenum pname, const GLfloat* params) = 0;
    virtual void Lightfv(GLenum light, GLenum pname, const GLfloat* params) = 0;
    virtual void LightModeli(GLenum pname, GLint param) = 0;
    virtual void ShadeModel(GLenum mode) = 0;
    virtual void PolygonMode(GLenum face, GLenum mode) = 0;

    virtual void ClearColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a) = 0;
    virtual void Clear(GLbitfield mask) = 0;
    virtual void Flush() = 0;
    virtual void LineWidth(GLfloat width) = 0;
    virtual void PointSize(GLfloat size) = 0;

    virtual void RasterPos3f(GLfloat x, GLfloat y, GLfloat z) = 0;
    virtual void CallLists(GLsizei n, GLenum type, const GLvoid* lists) = 0;
    virtual void ListBase(GLuint base) = 0;
    virtual void NewList(GLuint list, GLenum mode) = 0;
    virtual void EndList() = 0;
    virtual void Bitmap(GLsizei width, GLsizei height, GLfloat xorig, GLfloat yorig, GLfloat xmove,
                        GLfloat ymove, const GLubyte* bitmap) = 0;
    virtual void PixelStorei(GLenum pname, GLint param) = 0;

    virtual void InitNames() = 0;
    virtual void PushName(GLuint name) = 0;
    virtual void PopName() = 0;
    virtual void SelectBuffer(GLsizei size, GLuint* buffer) = 0;
    virtual GLint RenderMode(GLenum mode) = 0;

    virtual void GenTextures(GLsizei n, GLuint* textures) = 0;
    virtual void BindTexture(GLenum target, GLuint texture) = 0;
    virtual void TexParameteri(GLenum target, GLenum pname, GLint param) = 0;
    virtual void TexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                            GLint border, GLenum format, GLenum type, const GLvoid* pixels) = 0;
    virtual void TexEnvf(GLenum target, GLenum pname, GLfloat param) = 0;
    virtual GLint ScaleImage(GLenum format, GLint wIn, GLint hIn, GLenum typeIn, const void* dataIn,
                             GLint wOut, GLint hOut, GLenum typeOut, GLvoid* dataOut) = 0;

    virtual void GetIntegerv(GLenum pname, GLint* params) = 0;
    virtual GLenum GetError() = 0;

    // Sends OpenGL whatever the device holds back; due before another context
    // is made current or OpenGL is called past the device.
    virtual void Sync() {}
};

} // namespace gl

#include "RealDevice.h"

namespace gl {

// The device that calls the system's OpenGL and GLU.
Device& realDevice();

namespace detail {
extern RealDevice g_realDevice;
extern Device* g_device;
} // namespace detail

inline Device& current() { return *detail::g_device; }

// Makes a device current for the lifetime of this object (tests, benchmarks).
class ScopedDevice {
public:
    explicit ScopedDevice(Device& device) : FPrevious(detail::g_device)
    {
        FPrevious->Sync();
        detail::g_device = &device;
    }
    ~ScopedDevice()
    {
        detail::g_device->Sync();
        detail::g_device = FPrevious;
    }
    ScopedDevice(const ScopedDevice&) = delete;
    ScopedDevice& operator=(const ScopedDevice&) = delete;

private:
    Device* FPrevious;
};

// One forwarding function per OpenGL / GLU entry point. The calls made once per
// vertex go straight to the real device when it is the current one, without a
// virtual call.
#define FORWARD(name, ...)                                                                                   \
    (detail::g_device == &detail::g_realDevice ? detail::g_realDevice.name(__VA_ARGS__)                      \
                                               : detail::g_device->name(__VA_ARGS__))
inline void Begin(GLenum mode) { FORWARD(Begin, mode); }
inline void End() { FORWARD(End); }
inline void Vertex3f(GLfloat x, GLfloat y, GLfloat z) { FORWARD(Vertex3f, x, y, z); }
inline void Vertex3fv(const GLfloat* v) { FORWARD(Vertex3fv, v); }
inline void Normal3f(GLfloat x, GLfloat y, GLfloat z) { FORWARD(Normal3f, x, y, z); }
inline bool DrawTriangleElements(const GLfloat* positions, const GLfloat* normals, const GLuint* indices,
                                 GLsizei indexCount)
{
    return FORWARD(DrawTriangleElements, positions, normals, indices, indexCount);
}
inline void Normal3fv(const GLfloat* v) { FORWARD(Normal3fv, v); }
inline void TexCoord2f(GLfloat s, GLfloat t) { FORWARD(TexCoord2f, s, t); }
inline void Color3f(GLfloat r, GLfloat g, GLfloat b) { FORWARD(Color3f, r, g, b); }
inline void EdgeFlag(GLboolean flag) { FORWARD(EdgeFlag, flag); }
inline void Enable(GLenum cap) { detail::g_device->Enable(cap); }
inline void Disable(GLenum cap) { detail::g_device->Disable(cap); }
inline GLboolean IsEnabled(GLenum cap) { return detail::g_device->IsEnabled(cap); }
inline void MatrixMode(GLenum mode) { detail::g_device->MatrixMode(mode); }
inline void LoadIdentity() { detail::g_device->LoadIdentity(); }
inline void PushMatrix() { detail::g_device->PushMatrix(); }
inline void PopMatrix() { detail::g_device->PopMatrix(); }
inline void Translatef(GLfloat x, GLfloat y, GLfloat z) { detail::g_device->Translatef(x, y, z); }
inline void Rotatef(GLfloat a, GLfloat x, GLfloat y, GLfloat z) { detail::g_device->Rotatef(a, x, y, z); }
inline void Scalef(GLfloat x, GLfloat y, GLfloat z) { detail::g_device->Scalef(x, y, z); }
inline void Ortho(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f)
{
    detail::g_device->Ortho(l, r, b, t, n, f);
}
inline void Viewport(GLint x, GLint y, GLsizei w, GLsizei h) { detail::g_device->Viewport(x, y, w, h); }
inline void Perspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar)
{
    detail::g_device->Perspective(fovy, aspect, zNear, zFar);
}
inline void PickMatrix(GLdouble x, GLdouble y, GLdouble w, GLdouble h, GLint* viewport)
{
    detail::g_device->PickMatrix(x, y, w, h, viewport);
}
inline void Materialfv(GLenum face, GLenum pname, const GLfloat* params)
{
    detail::g_device->Materialfv(face, pname, params);
}
inline void Lightfv(GLenum light, GLenum pname, const GLfloat* params)
{
    detail::g_device->Lightfv(light, pname, params);
}
inline void LightModeli(GLenum pname, GLint param) { detail::g_device->LightModeli(pname, param); }
inline void ShadeModel(GLenum mode) { detail::g_device->ShadeModel(mode); }
inline void PolygonMode(GLenum face, GLenum mode) { detail::g_device->PolygonMode(face, mode); }
inline void ClearColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a)
{
    detail::g_device->ClearColor(r, g, b, a);
}
inline void Clear(GLbitfield mask) { detail::g_device->Clear(mask); }
inline void Flush() { detail::g_device->Flush(); }
inline void LineWidth(GLfloat width) { detail::g_device->LineWidth(width); }
inline void PointSize(GLfloat size) { detail::g_device->PointSize(size); }
inline void RasterPos3f(GLfloat x, GLfloat y, GLfloat z) { detail::g_device->RasterPos3f(x, y, z); }
inline void CallLists(GLsizei n, GLenum type, const GLvoid* lists)
{
    detail::g_device->CallLists(n, type, lists);
}
inline void ListBase(GLuint base) { detail::g_device->ListBase(base); }
inline void NewList(GLuint list, GLenum mode) { detail::g_device->NewList(list, mode); }
inline void EndList() { detail::g_device->EndList(); }
inline void Bitmap(GLsizei w, GLsizei h, GLfloat xo, GLfloat yo, GLfloat xm, GLfloat ym, const GLubyte* bits)
{
    detail::g_device->Bitmap(w, h, xo, yo, xm, ym, bits);
}
inline void PixelStorei(GLenum pname, GLint param) { detail::g_device->PixelStorei(pname, param); }
inline void InitNames() { detail::g_device->InitNames(); }
inline void PushName(GLuint name) { detail::g_device->PushName(name); }
inline void PopName() { detail::g_device->PopName(); }
inline void SelectBuffer(GLsizei size, GLuint* buffer) { detail::g_device->SelectBuffer(size, buffer); }
inline GLint RenderMode(GLenum mode) { return detail::g_device->RenderMode(mode); }
inline void GenTextures(GLsizei n, GLuint* textures) { detail::g_device->GenTextures(n, textures); }
inline void BindTexture(GLenum target, GLuint texture) { detail::g_device->BindTexture(target, texture); }
inline void TexParameteri(GLenum target, GLenum pname, GLint param)
{
    detail::g_device->TexParameteri(target, pname, param);
}
inline void TexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei w, GLsizei h, GLint border,
                       GLenum format, GLenum type, const GLvoid* pixels)
{
    detail::g_device->TexImage2D(target, level, internalFormat, w, h, border, format, type, pixels);
}
inline void TexEnvf(GLenum target, GLenum pname, GLfloat param)
{
    detail::g_device->TexEnvf(target, pname, param);
}
inline GLint ScaleImage(GLenum format, GLint wIn, GLint hIn, GLenum typeIn, const void* dataIn, GLint wOut,
                        GLint hOut, GLenum typeOut, GLvoid* dataOut)
{
    return detail::g_device->ScaleImage(format, wIn, hIn, typeIn, dataIn, wOut, hOut, typeOut, dataOut);
}
inline void GetIntegerv(GLenum pname, GLint* params) { detail::g_device->GetIntegerv(pname, params); }
#undef FORWARD
inline GLenum GetError() { return detail::g_device->GetError(); }
inline void Sync() { detail::g_device->Sync(); }

} // namespace gl

namespace gl {
// A device that ignores every call: what a view draws through while it has no
// OpenGL context, so that its objects' calls never reach another view's context.
Device& nullDevice();
} // namespace gl
