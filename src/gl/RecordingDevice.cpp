// SPDX-License-Identifier: GPL-3.0-or-later
#include "RecordingDevice.h"

#include <charconv>
#include <cstring>
#include <initializer_list>

namespace gl {

std::string FormatFloat(double value)
{
    if (value == 0)
        return "0"; // -0 and 0 draw the same
    char buf[32];
    const float asFloat = static_cast<float>(value);
    // Values that are exact floats print in float's shortest form, so that
    // 0.1f reads "0.1" and not "0.100000001490116".
    auto res = (static_cast<double>(asFloat) == value) ? std::to_chars(buf, buf + sizeof buf, asFloat)
                                                       : std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, res.ptr);
}

std::string PrimitiveName(GLenum mode)
{
    static const char* const names[] = {
        "GL_POINTS",         "GL_LINES",        "GL_LINE_LOOP", "GL_LINE_STRIP", "GL_TRIANGLES",
        "GL_TRIANGLE_STRIP", "GL_TRIANGLE_FAN", "GL_QUADS",     "GL_QUAD_STRIP", "GL_POLYGON"};
    if (mode < sizeof names / sizeof names[0])
        return names[mode];
    return EnumName(mode);
}

std::string EnumName(GLenum value)
{
    struct Entry {
        GLenum value;
        const char* name;
    };
#define E(x)                                                                                                 \
    {                                                                                                        \
        x, #x                                                                                                \
    }
    static const Entry table[] = {
        E(GL_TEXTURE_2D),
        E(GL_LIGHTING),
        E(GL_DEPTH_TEST),
        E(GL_NORMALIZE),
        E(GL_CULL_FACE),
        E(GL_LIGHT0),
        E(GL_LIGHT1),
        E(GL_LIGHT2),
        E(GL_LIGHT3),
        E(GL_LIGHT4),
        E(GL_LIGHT5),
        E(GL_LIGHT6),
        E(GL_LIGHT7),
        E(GL_AMBIENT),
        E(GL_DIFFUSE),
        E(GL_SPECULAR),
        E(GL_POSITION),
        E(GL_AMBIENT_AND_DIFFUSE),
        E(GL_SHININESS),
        E(GL_FRONT),
        E(GL_BACK),
        E(GL_FRONT_AND_BACK),
        E(GL_TEXTURE_ENV),
        E(GL_TEXTURE_ENV_MODE),
        E(GL_MODULATE),
        E(GL_DECAL),
        E(GL_REPLACE),
        E(GL_MODELVIEW),
        E(GL_PROJECTION),
        E(GL_SMOOTH),
        E(GL_FLAT),
        E(GL_LINE),
        E(GL_FILL),
        E(GL_POINT),
        E(GL_POLYGON_MODE),
        E(GL_LIGHT_MODEL_LOCAL_VIEWER),
        E(GL_LIGHT_MODEL_TWO_SIDE),
        E(GL_RENDER),
        E(GL_SELECT),
        E(GL_FEEDBACK),
        E(GL_COMPILE),
        E(GL_COMPILE_AND_EXECUTE),
        E(GL_BYTE),
        E(GL_UNSIGNED_BYTE),
        E(GL_UNPACK_ALIGNMENT),
        E(GL_PACK_ALIGNMENT),
        E(GL_TEXTURE_MIN_FILTER),
        E(GL_TEXTURE_MAG_FILTER),
        E(GL_TEXTURE_WRAP_S),
        E(GL_TEXTURE_WRAP_T),
        E(GL_NEAREST),
        E(GL_LINEAR),
        E(GL_REPEAT),
        E(GL_CLAMP),
        E(GL_RGB),
        E(GL_RGBA),
        E(GL_RGB8),
        E(GL_RGBA8),
        E(GL_MAX_TEXTURE_SIZE),
        E(GL_VIEWPORT),
        E(GL_NO_ERROR),
    };
#undef E
    for (const Entry& e : table)
        if (e.value == value)
            return e.name;
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%04X", value);
    return buf;
}

namespace {

std::string Floats(std::initializer_list<double> values)
{
    std::string s;
    for (double v : values) {
        if (!s.empty())
            s += ", ";
        s += FormatFloat(v);
    }
    return s;
}

std::string FloatArray(const GLfloat* p, int n)
{
    std::string s = "{";
    for (int i = 0; i < n; ++i) {
        if (i)
            s += ", ";
        s += FormatFloat(p[i]);
    }
    return s + "}";
}

int MaterialComponents(GLenum pname) { return pname == GL_SHININESS ? 1 : 4; }

int LightComponents(GLenum pname)
{
    switch (pname) {
    case GL_SPOT_DIRECTION:
        return 3;
    case GL_SPOT_EXPONENT:
    case GL_SPOT_CUTOFF:
    case GL_CONSTANT_ATTENUATION:
    case GL_LINEAR_ATTENUATION:
    case GL_QUADRATIC_ATTENUATION:
        return 1;
    default:
        return 4;
    }
}

std::string ClearMask(GLbitfield mask)
{
    std::string s;
    auto add = [&](GLbitfield bit, const char* name) {
        if (mask & bit) {
            if (!s.empty())
                s += " | ";
            s += name;
            mask &= ~bit;
        }
    };
    add(GL_COLOR_BUFFER_BIT, "GL_COLOR_BUFFER_BIT");
    add(GL_DEPTH_BUFFER_BIT, "GL_DEPTH_BUFFER_BIT");
    add(GL_STENCIL_BUFFER_BIT, "GL_STENCIL_BUFFER_BIT");
    add(GL_ACCUM_BUFFER_BIT, "GL_ACCUM_BUFFER_BIT");
    if (mask || s.empty()) {
        if (!s.empty())
            s += " | ";
        s += std::to_string(mask);
    }
    return s;
}

std::string I(long long v) { return std::to_string(v); }

} // namespace

std::string RecordingDevice::Text() const
{
    std::string s;
    for (const std::string& line : FCalls) {
        s += line;
        s += '\n';
    }
    return s;
}

void RecordingDevice::SetEnabled(GLenum cap, bool on)
{
    if (on)
        FEnabled.insert(cap);
    else
        FEnabled.erase(cap);
}

void RecordingDevice::SetViewport(GLint x, GLint y, GLint w, GLint h)
{
    FViewport[0] = x;
    FViewport[1] = y;
    FViewport[2] = w;
    FViewport[3] = h;
}

void RecordingDevice::Begin(GLenum mode) { Record("glBegin(" + PrimitiveName(mode) + ")"); }
void RecordingDevice::End() { Record("glEnd()"); }
void RecordingDevice::Vertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    Record("glVertex3f(" + Floats({x, y, z}) + ")");
}
void RecordingDevice::Vertex3fv(const GLfloat* v)
{
    Record("glVertex3fv(" + Floats({v[0], v[1], v[2]}) + ")");
}
void RecordingDevice::Normal3f(GLfloat x, GLfloat y, GLfloat z)
{
    Record("glNormal3f(" + Floats({x, y, z}) + ")");
}
void RecordingDevice::Normal3fv(const GLfloat* v)
{
    Record("glNormal3fv(" + Floats({v[0], v[1], v[2]}) + ")");
}
void RecordingDevice::TexCoord2f(GLfloat s, GLfloat t) { Record("glTexCoord2f(" + Floats({s, t}) + ")"); }
void RecordingDevice::Color3f(GLfloat r, GLfloat g, GLfloat b)
{
    Record("glColor3f(" + Floats({r, g, b}) + ")");
}
void RecordingDevice::EdgeFlag(GLboolean flag)
{
    Record(std::string("glEdgeFlag(") + (flag ? "GL_TRUE" : "GL_FALSE") + ")");
}
void RecordingDevice::Enable(GLenum cap)
{
    FEnabled.insert(cap);
    Record("glEnable(" + EnumName(cap) + ")");
}
void RecordingDevice::Disable(GLenum cap)
{
    FEnabled.erase(cap);
    Record("glDisable(" + EnumName(cap) + ")");
}
GLboolean RecordingDevice::IsEnabled(GLenum cap)
{
    Record("glIsEnabled(" + EnumName(cap) + ")");
    return FEnabled.count(cap) ? GL_TRUE : GL_FALSE;
}
void RecordingDevice::MatrixMode(GLenum mode) { Record("glMatrixMode(" + EnumName(mode) + ")"); }
void RecordingDevice::LoadIdentity() { Record("glLoadIdentity()"); }
void RecordingDevice::PushMatrix() { Record("glPushMatrix()"); }
void RecordingDevice::PopMatrix() { Record("glPopMatrix()"); }
void RecordingDevice::Translatef(GLfloat x, GLfloat y, GLfloat z)
{
    Record("glTranslatef(" + Floats({x, y, z}) + ")");
}
void RecordingDevice::Rotatef(GLfloat a, GLfloat x, GLfloat y, GLfloat z)
{
    Record("glRotatef(" + Floats({a, x, y, z}) + ")");
}
void RecordingDevice::Scalef(GLfloat x, GLfloat y, GLfloat z)
{
    Record("glScalef(" + Floats({x, y, z}) + ")");
}
void RecordingDevice::Ortho(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f)
{
    Record("glOrtho(" + Floats({l, r, b, t, n, f}) + ")");
}
void RecordingDevice::Viewport(GLint x, GLint y, GLsizei w, GLsizei h)
{
    SetViewport(x, y, w, h);
    Record("glViewport(" + I(x) + ", " + I(y) + ", " + I(w) + ", " + I(h) + ")");
}
void RecordingDevice::Perspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar)
{
    Record("gluPerspective(" + Floats({fovy, aspect, zNear, zFar}) + ")");
}
void RecordingDevice::PickMatrix(GLdouble x, GLdouble y, GLdouble w, GLdouble h, GLint* vp)
{
    Record("gluPickMatrix(" + Floats({x, y, w, h}) + ", {" + I(vp[0]) + ", " + I(vp[1]) + ", " + I(vp[2]) +
           ", " + I(vp[3]) + "})");
}
void RecordingDevice::Materialfv(GLenum face, GLenum pname, const GLfloat* params)
{
    Record("glMaterialfv(" + EnumName(face) + ", " + EnumName(pname) + ", " +
           FloatArray(params, MaterialComponents(pname)) + ")");
}
void RecordingDevice::Lightfv(GLenum light, GLenum pname, const GLfloat* params)
{
    Record("glLightfv(" + EnumName(light) + ", " + EnumName(pname) + ", " +
           FloatArray(params, LightComponents(pname)) + ")");
}
void RecordingDevice::LightModeli(GLenum pname, GLint param)
{
    Record("glLightModeli(" + EnumName(pname) + ", " + I(param) + ")");
}
void RecordingDevice::ShadeModel(GLenum mode) { Record("glShadeModel(" + EnumName(mode) + ")"); }
void RecordingDevice::PolygonMode(GLenum face, GLenum mode)
{
    Record("glPolygonMode(" + EnumName(face) + ", " + EnumName(mode) + ")");
    if (face != GL_BACK)
        FPolygonMode[0] = static_cast<GLint>(mode);
    if (face != GL_FRONT)
        FPolygonMode[1] = static_cast<GLint>(mode);
}
void RecordingDevice::ClearColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a)
{
    Record("glClearColor(" + Floats({r, g, b, a}) + ")");
}
void RecordingDevice::Clear(GLbitfield mask) { Record("glClear(" + ClearMask(mask) + ")"); }
void RecordingDevice::Flush() { Record("glFlush()"); }
void RecordingDevice::LineWidth(GLfloat width) { Record("glLineWidth(" + FormatFloat(width) + ")"); }
void RecordingDevice::PointSize(GLfloat size) { Record("glPointSize(" + FormatFloat(size) + ")"); }
void RecordingDevice::RasterPos3f(GLfloat x, GLfloat y, GLfloat z)
{
    Record("glRasterPos3f(" + Floats({x, y, z}) + ")");
}
void RecordingDevice::CallLists(GLsizei n, GLenum type, const GLvoid* lists)
{
    std::string arg;
    if (type == GL_BYTE || type == GL_UNSIGNED_BYTE)
        arg = "\"" + std::string(static_cast<const char*>(lists), static_cast<size_t>(n)) + "\"";
    else
        arg = "...";
    Record("glCallLists(" + I(n) + ", " + EnumName(type) + ", " + arg + ")");
}
void RecordingDevice::ListBase(GLuint base) { Record("glListBase(" + I(base) + ")"); }
void RecordingDevice::NewList(GLuint list, GLenum mode)
{
    Record("glNewList(" + I(list) + ", " + EnumName(mode) + ")");
}
void RecordingDevice::EndList() { Record("glEndList()"); }
void RecordingDevice::Bitmap(GLsizei w, GLsizei h, GLfloat xo, GLfloat yo, GLfloat xm, GLfloat ym,
                             const GLubyte*)
{
    Record("glBitmap(" + I(w) + ", " + I(h) + ", " + Floats({xo, yo, xm, ym}) + ")");
}
void RecordingDevice::PixelStorei(GLenum pname, GLint param)
{
    Record("glPixelStorei(" + EnumName(pname) + ", " + I(param) + ")");
}
void RecordingDevice::InitNames() { Record("glInitNames()"); }
void RecordingDevice::PushName(GLuint name) { Record("glPushName(" + I(name) + ")"); }
void RecordingDevice::PopName() { Record("glPopName()"); }
void RecordingDevice::SelectBuffer(GLsizei size, GLuint*) { Record("glSelectBuffer(" + I(size) + ")"); }
GLint RecordingDevice::RenderMode(GLenum mode)
{
    Record("glRenderMode(" + EnumName(mode) + ")");
    const GLint result = (FRenderMode == GL_SELECT) ? FSelectHits : 0;
    FRenderMode = mode;
    return result;
}
void RecordingDevice::GenTextures(GLsizei n, GLuint* textures)
{
    for (GLsizei i = 0; i < n; ++i)
        textures[i] = FNextTexture++;
    Record("glGenTextures(" + I(n) + ")");
}
void RecordingDevice::BindTexture(GLenum target, GLuint texture)
{
    Record("glBindTexture(" + EnumName(target) + ", " + I(texture) + ")");
}
void RecordingDevice::TexParameteri(GLenum target, GLenum pname, GLint param)
{
    Record("glTexParameteri(" + EnumName(target) + ", " + EnumName(pname) + ", " +
           EnumName(static_cast<GLenum>(param)) + ")");
}
void RecordingDevice::TexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei w, GLsizei h,
                                 GLint border, GLenum format, GLenum type, const GLvoid*)
{
    Record("glTexImage2D(" + EnumName(target) + ", " + I(level) + ", " +
           EnumName(static_cast<GLenum>(internalFormat)) + ", " + I(w) + ", " + I(h) + ", " + I(border) +
           ", " + EnumName(format) + ", " + EnumName(type) + ")");
}
void RecordingDevice::TexEnvf(GLenum target, GLenum pname, GLfloat param)
{
    Record("glTexEnvf(" + EnumName(target) + ", " + EnumName(pname) + ", " +
           EnumName(static_cast<GLenum>(param)) + ")");
}
GLint RecordingDevice::ScaleImage(GLenum format, GLint wIn, GLint hIn, GLenum typeIn, const void*, GLint wOut,
                                  GLint hOut, GLenum typeOut, GLvoid*)
{
    Record("gluScaleImage(" + EnumName(format) + ", " + I(wIn) + ", " + I(hIn) + ", " + EnumName(typeIn) +
           ", " + I(wOut) + ", " + I(hOut) + ", " + EnumName(typeOut) + ")");
    return FScaleImageResult;
}
void RecordingDevice::GetIntegerv(GLenum pname, GLint* params)
{
    Record("glGetIntegerv(" + EnumName(pname) + ")");
    if (pname == GL_MAX_TEXTURE_SIZE)
        params[0] = FMaxTextureSize;
    else if (pname == GL_VIEWPORT)
        std::memcpy(params, FViewport, sizeof FViewport);
    else if (pname == GL_POLYGON_MODE)
        std::memcpy(params, FPolygonMode, sizeof FPolygonMode);
    else
        params[0] = 0;
}
GLenum RecordingDevice::GetError() { return GL_NO_ERROR; }

} // namespace gl
