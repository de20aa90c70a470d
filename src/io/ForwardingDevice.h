// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "GlDevice.h"

namespace gl {

// A device that passes every call on to another device. Subclasses override
// the few calls they treat differently: the triangle capture of an export,
// the labels of a vector picture.
class ForwardingDevice : public Device {
public:
    explicit ForwardingDevice(Device& target) : FTarget(target) {}

    void Begin(GLenum mode) override { FTarget.Begin(mode); }
    void End() override { FTarget.End(); }
    void Vertex3f(GLfloat x, GLfloat y, GLfloat z) override { FTarget.Vertex3f(x, y, z); }
    void Vertex3fv(const GLfloat* v) override { FTarget.Vertex3fv(v); }
    void Normal3f(GLfloat x, GLfloat y, GLfloat z) override { FTarget.Normal3f(x, y, z); }
    void Normal3fv(const GLfloat* v) override { FTarget.Normal3fv(v); }
    void TexCoord2f(GLfloat s, GLfloat t) override { FTarget.TexCoord2f(s, t); }
    void Color3f(GLfloat r, GLfloat g, GLfloat b) override { FTarget.Color3f(r, g, b); }
    void EdgeFlag(GLboolean flag) override { FTarget.EdgeFlag(flag); }
    void Enable(GLenum cap) override { FTarget.Enable(cap); }
    void Disable(GLenum cap) override { FTarget.Disable(cap); }
    GLboolean IsEnabled(GLenum cap) override { return FTarget.IsEnabled(cap); }
    void MatrixMode(GLenum mode) override { FTarget.MatrixMode(mode); }
    void LoadIdentity() override { FTarget.LoadIdentity(); }
    void PushMatrix() override { FTarget.PushMatrix(); }
    void PopMatrix() override { FTarget.PopMatrix(); }
    void Translatef(GLfloat x, GLfloat y, GLfloat z) override { FTarget.Translatef(x, y, z); }
    void Rotatef(GLfloat a, GLfloat x, GLfloat y, GLfloat z) override { FTarget.Rotatef(a, x, y, z); }
    void Scalef(GLfloat x, GLfloat y, GLfloat z) override { FTarget.Scalef(x, y, z); }
    void Ortho(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f) override
    {
        FTarget.Ortho(l, r, b, t, n, f);
    }
    void Viewport(GLint x, GLint y, GLsizei w, GLsizei h) override { FTarget.Viewport(x, y, w, h); }
    void Perspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) override
    {
        FTarget.Perspective(fovy, aspect, zNear, zFar);
    }
    void PickMatrix(GLdouble x, GLdouble y, GLdouble w, GLdouble h, GLint* viewport) override
    {
        FTarget.PickMatrix(x, y, w, h, viewport);
    }
    void Materialfv(GLenum face, GLenum pname, const GLfloat* params) override
    {
        FTarget.Materialfv(face, pname, params);
    }
    void Lightfv(GLenum light, GLenum pname, const GLfloat* params) override
    {
        FTarget.Lightfv(light, pname, params);
    }
    void LightModeli(GLenum pname, GLint param) override { FTarget.LightModeli(pname, param); }
    void ShadeModel(GLenum mode) override { FTarget.ShadeModel(mode); }
    void PolygonMode(GLenum face, GLenum mode) override { FTarget.PolygonMode(face, mode); }
    void ClearColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a) override { FTarget.ClearColor(r, g, b, a); }
    void Clear(GLbitfield mask) override { FTarget.Clear(mask); }
    void Flush() override { FTarget.Flush(); }
    void LineWidth(GLfloat width) override { FTarget.LineWidth(width); }
    void PointSize(GLfloat size) override { FTarget.PointSize(size); }
    void RasterPos3f(GLfloat x, GLfloat y, GLfloat z) override { FTarget.RasterPos3f(x, y, z); }
    void CallLists(GLsizei n, GLenum type, const GLvoid* lists) override
    {
        FTarget.CallLists(n, type, lists);
    }
    void ListBase(GLuint base) override { FTarget.ListBase(base); }
    void NewList(GLuint list, GLenum mode) override { FTarget.NewList(list, mode); }
    void EndList() override { FTarget.EndList(); }
    void Bitmap(GLsizei w, GLsizei h, GLfloat xo, GLfloat yo, GLfloat xm, GLfloat ym,
                const GLubyte* bits) override
    {
        FTarget.Bitmap(w, h, xo, yo, xm, ym, bits);
    }
    void PixelStorei(GLenum pname, GLint param) override { FTarget.PixelStorei(pname, param); }
    void InitNames() override { FTarget.InitNames(); }
    void PushName(GLuint name) override { FTarget.PushName(name); }
    void PopName() override { FTarget.PopName(); }
    void SelectBuffer(GLsizei size, GLuint* buffer) override { FTarget.SelectBuffer(size, buffer); }
    GLint RenderMode(GLenum mode) override { return FTarget.RenderMode(mode); }
    void GenTextures(GLsizei n, GLuint* textures) override { FTarget.GenTextures(n, textures); }
    void BindTexture(GLenum target, GLuint texture) override { FTarget.BindTexture(target, texture); }
    void TexParameteri(GLenum target, GLenum pname, GLint param) override
    {
        FTarget.TexParameteri(target, pname, param);
    }
    void TexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei w, GLsizei h, GLint border,
                    GLenum format, GLenum type, const GLvoid* pixels) override
    {
        FTarget.TexImage2D(target, level, internalFormat, w, h, border, format, type, pixels);
    }
    void TexEnvf(GLenum target, GLenum pname, GLfloat param) override
    {
        FTarget.TexEnvf(target, pname, param);
    }
    GLint ScaleImage(GLenum format, GLint wIn, GLint hIn, GLenum typeIn, const void* dataIn, GLint wOut,
                     GLint hOut, GLenum typeOut, GLvoid* dataOut) override
    {
        return FTarget.ScaleImage(format, wIn, hIn, typeIn, dataIn, wOut, hOut, typeOut, dataOut);
    }
    void GetIntegerv(GLenum pname, GLint* params) override { FTarget.GetIntegerv(pname, params); }
    GLenum GetError() override { return FTarget.GetError(); }
    void Sync() override { FTarget.Sync(); }

protected:
    Device& Target() { return FTarget; }

private:
    Device& FTarget;
};

} // namespace gl
