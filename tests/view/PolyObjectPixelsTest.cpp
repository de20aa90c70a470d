// SPDX-License-Identifier: GPL-3.0-or-later
// Polygon objects through the real device against plain immediate mode in a
// real context: the same pixels for every kind of face.
#include "GlDevice.h"
#include "PixelCanvas.h"
#include "TGLPolyObject.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace pixeltest;

// Every call straight to OpenGL: the plain immediate-mode drawing of what the
// scene's objects send.
class ImmediateDevice final : public gl::Device {
public:
    void Begin(GLenum mode) override { glBegin(mode); }
    void End() override { glEnd(); }
    void Vertex3f(GLfloat x, GLfloat y, GLfloat z) override { glVertex3f(x, y, z); }
    void Vertex3fv(const GLfloat* v) override { glVertex3fv(v); }
    void Normal3f(GLfloat x, GLfloat y, GLfloat z) override { glNormal3f(x, y, z); }
    void Normal3fv(const GLfloat* v) override { glNormal3fv(v); }
    void TexCoord2f(GLfloat s, GLfloat t) override { glTexCoord2f(s, t); }
    void Color3f(GLfloat r, GLfloat g, GLfloat b) override { glColor3f(r, g, b); }
    void EdgeFlag(GLboolean flag) override { glEdgeFlag(flag); }
    void Enable(GLenum cap) override { glEnable(cap); }
    void Disable(GLenum cap) override { glDisable(cap); }
    GLboolean IsEnabled(GLenum cap) override { return glIsEnabled(cap); }
    void MatrixMode(GLenum mode) override { glMatrixMode(mode); }
    void LoadIdentity() override { glLoadIdentity(); }
    void PushMatrix() override { glPushMatrix(); }
    void PopMatrix() override { glPopMatrix(); }
    void Translatef(GLfloat x, GLfloat y, GLfloat z) override { glTranslatef(x, y, z); }
    void Rotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) override { glRotatef(angle, x, y, z); }
    void Scalef(GLfloat x, GLfloat y, GLfloat z) override { glScalef(x, y, z); }
    void Ortho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear,
               GLdouble zFar) override
    {
        glOrtho(left, right, bottom, top, zNear, zFar);
    }
    void Viewport(GLint x, GLint y, GLsizei width, GLsizei height) override
    {
        glViewport(x, y, width, height);
    }
    void Perspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) override
    {
        gluPerspective(fovy, aspect, zNear, zFar);
    }
    void PickMatrix(GLdouble x, GLdouble y, GLdouble width, GLdouble height, GLint* viewport) override
    {
        gluPickMatrix(x, y, width, height, viewport);
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
    void Bitmap(GLsizei width, GLsizei height, GLfloat xorig, GLfloat yorig, GLfloat xmove, GLfloat ymove,
                const GLubyte* bitmap) override
    {
        glBitmap(width, height, xorig, yorig, xmove, ymove, bitmap);
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
    void TexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                    GLint border, GLenum format, GLenum type, const GLvoid* pixels) override
    {
        glTexImage2D(target, level, internalFormat, width, height, border, format, type, pixels);
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

// A bumpy sheet of triangles, quads and pentagons (each pentagon has an extra
// corner below the middle of its lower edge).
coordfile::Mesh Sheet()
{
    constexpr int n = 6;
    coordfile::Mesh mesh;
    auto add = [&](float x, float y) {
        mesh.vertices.insert(mesh.vertices.end(), {x, y, 0.2f * std::sin(3 * x) * std::cos(2 * y)});
        return static_cast<std::int32_t>(mesh.vertices.size() / 3);
    };
    auto at = [](int i, int j) { return static_cast<std::int32_t>(j * (n + 1) + i + 1); };
    for (int j = 0; j <= n; ++j)
        for (int i = 0; i <= n; ++i)
            add(-0.8f + 1.6f * i / n, -0.8f + 1.6f * j / n);
    auto face = [&](std::initializer_list<std::int32_t> corners) {
        TPolyFace f;
        f.First = static_cast<std::int32_t>(mesh.indices.size());
        f.Count = static_cast<std::int32_t>(corners.size());
        mesh.indices.insert(mesh.indices.end(), corners);
        mesh.faces.push_back(f);
    };
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            const std::int32_t a = at(i, j), b = at(i + 1, j), c = at(i, j + 1), d = at(i + 1, j + 1);
            switch ((i + 2 * j) % 3) {
            case 0:
                face({a, b, d});
                face({a, d, c});
                break;
            case 1:
                face({a, b, d, c});
                break;
            default:
                const float x = -0.8f + 1.6f * (i + 0.5f) / n, y = -0.8f + 1.6f * j / n - 0.05f;
                face({a, add(x, y), b, d, c});
            }
        }
    mesh.vertexCount = static_cast<std::int32_t>(mesh.vertices.size() / 3);
    mesh.minX = mesh.minY = mesh.minZ = -1;
    mesh.maxX = mesh.maxY = mesh.maxZ = 1;
    return mesh;
}

// The object drawn face by face, each face one polygon: how polygon objects
// were drawn before their faces were sent together.
class PolygonFaces : public TGLPolyObject {
public:
    void Draw(GLenum mode) override
    {
        static const float kTexCoords[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
        BeginDraw(mode);
        for (int f = 0; f < GetFaceCount(); ++f) {
            const std::vector<int> corners = GetFaceIndices(f);
            gl::Begin(GL_POLYGON);
            White();
            for (std::size_t j = 0; j < corners.size(); ++j) {
                gl::Normal3fv(GetVertexNormal(corners[j]));
                if (j < 4)
                    TexCoord(kTexCoords[j][0], kTexCoords[j][1]);
                else
                    TexCoord(0, 0);
                gl::Vertex3fv(GetVertex(corners[j]));
            }
            gl::End();
        }
        EndDraw(mode);
    }
};

struct SheetCase {
    const char* name;
    GLenum polygonMode;
    GLenum shadeModel;
    bool textured;
};

void PrintTo(const SheetCase& c, std::ostream* os) { *os << c.name; }

class PolyObjectPixels : public ::testing::TestWithParam<SheetCase> {
protected:
    struct Picture {
        std::vector<std::uint32_t> pixels;
        std::vector<GLuint> hits;
    };

    Picture Draw(gl::Device& device, TGLObject& object)
    {
        const SheetCase& c = GetParam();
        Picture out;
        gl::ScopedDevice scope(device);
        gl::MatrixMode(GL_PROJECTION);
        gl::LoadIdentity();
        gl::MatrixMode(GL_MODELVIEW);
        gl::LoadIdentity();
        gl::Enable(GL_DEPTH_TEST);
        const GLfloat direction[4] = {0.3f, 0.5f, 1, 0};
        gl::Lightfv(GL_LIGHT0, GL_POSITION, direction);
        gl::Enable(GL_LIGHT0);
        gl::Enable(GL_LIGHTING);
        gl::ShadeModel(c.shadeModel);
        gl::PolygonMode(GL_FRONT_AND_BACK, c.polygonMode);
        gl::ClearColor(0, 0, 0, 1);
        gl::Clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        object.SetTexture(c.textured ? FTexture : 0);
        object.Draw(GL_RENDER);
        out.pixels = FCanvas.Pixels();

        std::vector<GLuint> buffer(64, 0);
        gl::SelectBuffer(static_cast<GLsizei>(buffer.size()), buffer.data());
        gl::RenderMode(GL_SELECT);
        gl::InitNames();
        object.Draw(GL_SELECT);
        const GLint hits = gl::RenderMode(GL_RENDER);
        std::size_t used = 0;
        for (GLint i = 0; i < hits; ++i)
            used += 3 + buffer[used];
        out.hits.assign(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(used));
        gl::Disable(GL_LIGHTING);
        gl::Disable(GL_DEPTH_TEST);
        gl::ShadeModel(GL_SMOOTH);
        gl::PolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        return out;
    }

    void SetUp() override
    {
        ASSERT_TRUE(FCanvas.Valid());
        // A 4 x 4 texture of changing colours.
        std::vector<GLubyte> texels;
        for (int i = 0; i < 16; ++i)
            texels.insert(texels.end(), {GLubyte(i * 16), GLubyte(255 - i * 12), GLubyte(i % 4 * 80)});
        glGenTextures(1, &FTexture);
        glBindTexture(GL_TEXTURE_2D, FTexture);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 4, 4, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    }
    void TearDown() override
    {
        gl::Sync();
        glDeleteTextures(1, &FTexture);
    }

    Canvas FCanvas;
    GLuint FTexture = 0;
};

// The object's faces, sent together through the device, draw and select
// exactly what each face sent straight to OpenGL as its own polygon draws:
// filled, as a wire frame (no diagonals), with flat and smooth shading, with
// and without a texture.
TEST_P(PolyObjectPixels, AreThoseOfPlainImmediateMode)
{
    TGLPolyObject object;
    PolygonFaces reference;
    for (TGLPolyObject* o : {&object, static_cast<TGLPolyObject*>(&reference)}) {
        o->SetMesh(Sheet());
        o->SetColor(0x40C0FF);
        o->RotateXY(25, 35);
    }
    ImmediateDevice immediate;
    const Picture want = Draw(immediate, reference);
    const Picture got = Draw(gl::realDevice(), object);

    const std::set<std::uint32_t> colours(want.pixels.begin(), want.pixels.end());
    EXPECT_GE(colours.size(), 20u) << "the picture shows too little to compare";
    int differ = 0, first = -1;
    for (int i = 0; i < kSize * kSize; ++i)
        if (got.pixels[i] != want.pixels[i] && differ++ == 0)
            first = i;
    EXPECT_EQ(differ, 0) << "first at x " << first % kSize << ", y " << first / kSize;
    ASSERT_FALSE(want.hits.empty());
    EXPECT_EQ(got.hits, want.hits);
}

INSTANTIATE_TEST_SUITE_P(Modes, PolyObjectPixels,
                         ::testing::Values(SheetCase{"FilledSmooth", GL_FILL, GL_SMOOTH, false},
                                           SheetCase{"FilledFlat", GL_FILL, GL_FLAT, false},
                                           SheetCase{"FilledTextured", GL_FILL, GL_SMOOTH, true},
                                           SheetCase{"WireFrameSmooth", GL_LINE, GL_SMOOTH, false},
                                           SheetCase{"WireFrameFlat", GL_LINE, GL_FLAT, false},
                                           SheetCase{"Points", GL_POINT, GL_SMOOTH, false}),
                         [](const ::testing::TestParamInfo<SheetCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
