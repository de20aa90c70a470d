// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "GlDevice.h"

#include <set>
#include <string>
#include <vector>

namespace gl {

// A device that draws nothing and records every call as one line of text in
// OpenGL's own spelling, for example "glColor3f(1, 0, 0.5)" or
// "glBegin(GL_QUADS)". Floats are written in their shortest exact form and
// enumerations by name, so tests can compare streams with literal text.
//
// It keeps just enough state to answer queries sensibly: the set of enabled
// capabilities (glIsEnabled), texture names handed out in order
// (glGenTextures), the render mode with a preset hit count (glRenderMode) and a
// few integers (glGetIntegerv).
class RecordingDevice final : public Device {
public:
    const std::vector<std::string>& Calls() const { return FCalls; }
    // All calls, one per line.
    std::string Text() const;
    void ClearCalls() { FCalls.clear(); }

    // State a test may preset.
    void SetEnabled(GLenum cap, bool on);
    void SetMaxTextureSize(GLint size) { FMaxTextureSize = size; }
    void SetViewport(GLint x, GLint y, GLint w, GLint h);
    // What the next glRenderMode call that leaves GL_SELECT returns.
    void SetSelectHits(GLint hits) { FSelectHits = hits; }
    // What gluScaleImage returns (0: success).
    void SetScaleImageResult(GLint result) { FScaleImageResult = result; }

    void Begin(GLenum mode) override;
    void End() override;
    void Vertex3f(GLfloat x, GLfloat y, GLfloat z) override;
    void Vertex3fv(const GLfloat* v) override;
    void Normal3f(GLfloat x, GLfloat y, GLfloat z) override;
    void Normal3fv(const GLfloat* v) override;
    void TexCoord2f(GLfloat s, GLfloat t) override;
    void Color3f(GLfloat r, GLfloat g, GLfloat b) override;
    void EdgeFlag(GLboolean flag) override;
    void Enable(GLenum cap) override;
    void Disable(GLenum cap) override;
    GLboolean IsEnabled(GLenum cap) override;
    void MatrixMode(GLenum mode) override;
    void LoadIdentity() override;
    void PushMatrix() override;
    void PopMatrix() override;
    void Translatef(GLfloat x, GLfloat y, GLfloat z) override;
    void Rotatef(GLfloat a, GLfloat x, GLfloat y, GLfloat z) override;
    void Scalef(GLfloat x, GLfloat y, GLfloat z) override;
    void Ortho(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f) override;
    void Viewport(GLint x, GLint y, GLsizei w, GLsizei h) override;
    void Perspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) override;
    void PickMatrix(GLdouble x, GLdouble y, GLdouble w, GLdouble h, GLint* viewport) override;
    void Materialfv(GLenum face, GLenum pname, const GLfloat* params) override;
    void Lightfv(GLenum light, GLenum pname, const GLfloat* params) override;
    void LightModeli(GLenum pname, GLint param) override;
    void ShadeModel(GLenum mode) override;
    void PolygonMode(GLenum face, GLenum mode) override;
    void ClearColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a) override;
    void Clear(GLbitfield mask) override;
    void Flush() override;
    void LineWidth(GLfloat width) override;
    void PointSize(GLfloat size) override;
    void RasterPos3f(GLfloat x, GLfloat y, GLfloat z) override;
    void CallLists(GLsizei n, GLenum type, const GLvoid* lists) override;
    void ListBase(GLuint base) override;
    void NewList(GLuint list, GLenum mode) override;
    void EndList() override;
    void Bitmap(GLsizei w, GLsizei h, GLfloat xo, GLfloat yo, GLfloat xm, GLfloat ym,
                const GLubyte* bits) override;
    void PixelStorei(GLenum pname, GLint param) override;
    void InitNames() override;
    void PushName(GLuint name) override;
    void PopName() override;
    void SelectBuffer(GLsizei size, GLuint* buffer) override;
    GLint RenderMode(GLenum mode) override;
    void GenTextures(GLsizei n, GLuint* textures) override;
    void BindTexture(GLenum target, GLuint texture) override;
    void TexParameteri(GLenum target, GLenum pname, GLint param) override;
    void TexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei w, GLsizei h, GLint border,
                    GLenum format, GLenum type, const GLvoid* pixels) override;
    void TexEnvf(GLenum target, GLenum pname, GLfloat param) override;
    GLint ScaleImage(GLenum format, GLint wIn, GLint hIn, GLenum typeIn, const void* dataIn, GLint wOut,
                     GLint hOut, GLenum typeOut, GLvoid* dataOut) override;
    void GetIntegerv(GLenum pname, GLint* params) override;
    GLenum GetError() override;

private:
    void Record(std::string line) { FCalls.push_back(std::move(line)); }

    std::vector<std::string> FCalls;
    std::set<GLenum> FEnabled;
    GLuint FNextTexture = 1;
    GLint FMaxTextureSize = 1024;
    GLint FViewport[4] = {0, 0, 300, 300};
    GLint FPolygonMode[2] = {GL_FILL, GL_FILL}; // front, back
    GLenum FRenderMode = GL_RENDER;
    GLint FSelectHits = 0;
    GLint FScaleImageResult = 0;
};

// Text forms used by the recorder, available to tests that build expected lines.
std::string FormatFloat(double value);
std::string EnumName(GLenum value);
std::string PrimitiveName(GLenum mode);

} // namespace gl
