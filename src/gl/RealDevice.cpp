#include "GlDevice.h"

namespace gl {
namespace {

// Forwards each call to the system's OpenGL / GLU in the current context.
class RealDevice final : public Device {
public:
    void Begin(GLenum mode) override { glBegin(mode); }
    void End() override { glEnd(); }
    void Vertex3f(GLfloat x, GLfloat y, GLfloat z) override { glVertex3f(x, y, z); }
    void Vertex3fv(const GLfloat* v) override { glVertex3fv(v); }
    void Normal3f(GLfloat x, GLfloat y, GLfloat z) override { glNormal3f(x, y, z); }
    void Normal3fv(const GLfloat* v) override { glNormal3fv(v); }
    void TexCoord2f(GLfloat s, GLfloat t) override { glTexCoord2f(s, t); }
    void Color3f(GLfloat r, GLfloat g, GLfloat b) override { glColor3f(r, g, b); }
    void Enable(GLenum cap) override { glEnable(cap); }
    void Disable(GLenum cap) override { glDisable(cap); }
    GLboolean IsEnabled(GLenum cap) override { return glIsEnabled(cap); }
    void MatrixMode(GLenum mode) override { glMatrixMode(mode); }
    void LoadIdentity() override { glLoadIdentity(); }
    void PushMatrix() override { glPushMatrix(); }
    void PopMatrix() override { glPopMatrix(); }
    void Translatef(GLfloat x, GLfloat y, GLfloat z) override { glTranslatef(x, y, z); }
    void Rotatef(GLfloat a, GLfloat x, GLfloat y, GLfloat z) override { glRotatef(a, x, y, z); }
    void Scalef(GLfloat x, GLfloat y, GLfloat z) override { glScalef(x, y, z); }
    void Ortho(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f) override
    {
        glOrtho(l, r, b, t, n, f);
    }
    void Viewport(GLint x, GLint y, GLsizei w, GLsizei h) override { glViewport(x, y, w, h); }
    void Perspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) override
    {
        gluPerspective(fovy, aspect, zNear, zFar);
    }
    void PickMatrix(GLdouble x, GLdouble y, GLdouble w, GLdouble h, GLint* viewport) override
    {
        gluPickMatrix(x, y, w, h, viewport);
    }
    void Materialfv(GLenum face, GLenum pname, const GLfloat* params) override
    {
        glMaterialfv(face, pname, params);
    }
    void Lightfv(GLenum light, GLenum pname, const GLfloat* params) override
    {
        glLightfv(light, pname, params);
    }
    void LightModeli(GLenum pname, GLint param) override { glLightModeli(pname, param); }
    void ShadeModel(GLenum mode) override { glShadeModel(mode); }
    void PolygonMode(GLenum face, GLenum mode) override { glPolygonMode(face, mode); }
    void ClearColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a) override { glClearColor(r, g, b, a); }
    void Clear(GLbitfield mask) override { glClear(mask); }
    void Flush() override { glFlush(); }
    void LineWidth(GLfloat width) override { glLineWidth(width); }
    void PointSize(GLfloat size) override { glPointSize(size); }
    void RasterPos3f(GLfloat x, GLfloat y, GLfloat z) override { glRasterPos3f(x, y, z); }
    void CallLists(GLsizei n, GLenum type, const GLvoid* lists) override { glCallLists(n, type, lists); }
    void ListBase(GLuint base) override { glListBase(base); }
    void NewList(GLuint list, GLenum mode) override { glNewList(list, mode); }
    void EndList() override { glEndList(); }
    void Bitmap(GLsizei w, GLsizei h, GLfloat xo, GLfloat yo, GLfloat xm, GLfloat ym,
                const GLubyte* bits) override
    {
        glBitmap(w, h, xo, yo, xm, ym, bits);
    }
    void PixelStorei(GLenum pname, GLint param) override { glPixelStorei(pname, param); }
    void InitNames() override { glInitNames(); }
    void PushName(GLuint name) override { glPushName(name); }
    void PopName() override { glPopName(); }
    void SelectBuffer(GLsizei size, GLuint* buffer) override { glSelectBuffer(size, buffer); }
    GLint RenderMode(GLenum mode) override { return glRenderMode(mode); }
    void GenTextures(GLsizei n, GLuint* textures) override { glGenTextures(n, textures); }
    void BindTexture(GLenum target, GLuint texture) override { glBindTexture(target, texture); }
    void TexParameteri(GLenum target, GLenum pname, GLint param) override
    {
        glTexParameteri(target, pname, param);
    }
    void TexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei w, GLsizei h, GLint border,
                    GLenum format, GLenum type, const GLvoid* pixels) override
    {
        glTexImage2D(target, level, internalFormat, w, h, border, format, type, pixels);
    }
    void TexEnvf(GLenum target, GLenum pname, GLfloat param) override { glTexEnvf(target, pname, param); }
    GLint ScaleImage(GLenum format, GLint wIn, GLint hIn, GLenum typeIn, const void* dataIn, GLint wOut,
                     GLint hOut, GLenum typeOut, GLvoid* dataOut) override
    {
        return gluScaleImage(format, wIn, hIn, typeIn, dataIn, wOut, hOut, typeOut, dataOut);
    }
    void GetIntegerv(GLenum pname, GLint* params) override { glGetIntegerv(pname, params); }
    GLenum GetError() override { return glGetError(); }
};

} // namespace

Device& realDevice()
{
    static RealDevice device;
    return device;
}

namespace detail {
Device* g_device = &realDevice();
}

} // namespace gl
