// SPDX-License-Identifier: GPL-3.0-or-later
#include "GlDevice.h"

namespace gl {
namespace {

class NullDevice final : public Device {
public:
    void Begin(GLenum) override {}
    void End() override {}
    void Vertex3f(GLfloat, GLfloat, GLfloat) override {}
    void Vertex3fv(const GLfloat*) override {}
    void Normal3f(GLfloat, GLfloat, GLfloat) override {}
    void Normal3fv(const GLfloat*) override {}
    void TexCoord2f(GLfloat, GLfloat) override {}
    void Color3f(GLfloat, GLfloat, GLfloat) override {}
    void EdgeFlag(GLboolean) override {}
    void Enable(GLenum) override {}
    void Disable(GLenum) override {}
    GLboolean IsEnabled(GLenum) override { return GL_FALSE; }
    void MatrixMode(GLenum) override {}
    void LoadIdentity() override {}
    void PushMatrix() override {}
    void PopMatrix() override {}
    void Translatef(GLfloat, GLfloat, GLfloat) override {}
    void Rotatef(GLfloat, GLfloat, GLfloat, GLfloat) override {}
    void Scalef(GLfloat, GLfloat, GLfloat) override {}
    void Ortho(GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble) override {}
    void Viewport(GLint, GLint, GLsizei, GLsizei) override {}
    void Perspective(GLdouble, GLdouble, GLdouble, GLdouble) override {}
    void PickMatrix(GLdouble, GLdouble, GLdouble, GLdouble, GLint*) override {}
    void Materialfv(GLenum, GLenum, const GLfloat*) override {}
    void Lightfv(GLenum, GLenum, const GLfloat*) override {}
    void LightModeli(GLenum, GLint) override {}
    void ShadeModel(GLenum) override {}
    void PolygonMode(GLenum, GLenum) override {}
    void ClearColor(GLfloat, GLfloat, GLfloat, GLfloat) override {}
    void Clear(GLbitfield) override {}
    void Flush() override {}
    void LineWidth(GLfloat) override {}
    void PointSize(GLfloat) override {}
    void RasterPos3f(GLfloat, GLfloat, GLfloat) override {}
    void CallLists(GLsizei, GLenum, const GLvoid*) override {}
    void ListBase(GLuint) override {}
    void NewList(GLuint, GLenum) override {}
    void EndList() override {}
    void Bitmap(GLsizei, GLsizei, GLfloat, GLfloat, GLfloat, GLfloat, const GLubyte*) override {}
    void PixelStorei(GLenum, GLint) override {}
    void InitNames() override {}
    void PushName(GLuint) override {}
    void PopName() override {}
    void SelectBuffer(GLsizei, GLuint*) override {}
    GLint RenderMode(GLenum) override { return 0; }
    void GenTextures(GLsizei n, GLuint* textures) override
    {
        for (GLsizei i = 0; i < n; ++i)
            textures[i] = 0;
    }
    void BindTexture(GLenum, GLuint) override {}
    void TexParameteri(GLenum, GLenum, GLint) override {}
    void TexImage2D(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const GLvoid*) override {}
    void TexEnvf(GLenum, GLenum, GLfloat) override {}
    GLint ScaleImage(GLenum, GLint, GLint, GLenum, const void*, GLint, GLint, GLenum, GLvoid*) override
    {
        return GLU_INVALID_OPERATION;
    }
    void GetIntegerv(GLenum pname, GLint* params) override
    {
        const int count = pname == GL_VIEWPORT ? 4 : 1;
        for (int i = 0; i < count; ++i)
            params[i] = 0;
    }
    GLenum GetError() override { return GL_NO_ERROR; }
};

} // namespace

Device& nullDevice()
{
    static NullDevice device;
    return device;
}

} // namespace gl
