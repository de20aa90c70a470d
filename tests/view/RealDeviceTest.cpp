// SPDX-License-Identifier: GPL-3.0-or-later
// The real device against OpenGL's own immediate mode in a real context: the
// same calls, once through the device (which gathers them into vertex arrays)
// and once straight to OpenGL, must give the same pixels, the same errors and
// the same current attributes afterwards.
#include "GlDevice.h"
#include "PixelCanvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace pixeltest;

// The calls a case makes: through the device, or straight to OpenGL.
struct Calls {
    void (*Begin)(GLenum);
    void (*End)();
    void (*Vertex3f)(GLfloat, GLfloat, GLfloat);
    void (*Normal3f)(GLfloat, GLfloat, GLfloat);
    void (*Color3f)(GLfloat, GLfloat, GLfloat);
    void (*TexCoord2f)(GLfloat, GLfloat);
    void (*Enable)(GLenum);
    void (*Disable)(GLenum);
    void (*Materialfv)(GLenum, GLenum, const GLfloat*);
    void (*Lightfv)(GLenum, GLenum, const GLfloat*);
    void (*PolygonMode)(GLenum, GLenum);
    void (*NewList)(GLuint, GLenum);
    void (*EndList)();
    void (*CallLists)(GLsizei, GLenum, const GLvoid*);
    void (*EdgeFlag)(GLboolean);
};

const Calls kDevice = {gl::Begin,       gl::End,     gl::Vertex3f, gl::Normal3f,   gl::Color3f,
                       gl::TexCoord2f,  gl::Enable,  gl::Disable,  gl::Materialfv, gl::Lightfv,
                       gl::PolygonMode, gl::NewList, gl::EndList,  gl::CallLists,  gl::EdgeFlag};
const Calls kImmediate = {glBegin,       glEnd,     glVertex3f, glNormal3f,   glColor3f,
                          glTexCoord2f,  glEnable,  glDisable,  glMaterialfv, glLightfv,
                          glPolygonMode, glNewList, glEndList,  glCallLists,  glEdgeFlag};

void CallList(const Calls& c)
{
    const GLuint list = kList;
    c.CallLists(1, GL_UNSIGNED_INT, &list);
}

void Light(const Calls& c)
{
    const GLfloat direction[4] = {0.3f, 0.5f, 1, 0};
    const GLfloat white[4] = {1, 1, 1, 1};
    c.Lightfv(GL_LIGHT0, GL_POSITION, direction);
    c.Lightfv(GL_LIGHT0, GL_DIFFUSE, white);
    c.Enable(GL_LIGHT0);
    c.Enable(GL_LIGHTING);
}

struct PixelCase {
    const char* name;
    void (*draw)(const Calls&);
    int colours;        // at least this many different colours in the picture
    const char* misuse; // what the device reports first, or null
};

const PixelCase kCases[] = {
    {"IncompletePrimitivesAreDroppedAndColoursVary",
     [](const Calls& c) {
         c.Begin(GL_TRIANGLES);
         c.Color3f(1, 0, 0);
         c.Vertex3f(1, 1, 0);
         c.Vertex3f(0, 1, 0);
         c.End();
         c.Begin(GL_TRIANGLES);
         c.Color3f(0, 0, 1);
         c.Vertex3f(-1, -1, 0);
         c.Vertex3f(1, -1, 0);
         c.Color3f(0, 1, 0);
         c.Vertex3f(-1, 1, 0);
         c.Vertex3f(0.5f, 0.5f, 0);
         c.End();
         c.Begin(GL_QUADS);
         c.Vertex3f(0.2f, 0.2f, 0);
         c.Color3f(1, 1, 0);
         c.Vertex3f(0.9f, 0.2f, 0);
         c.Vertex3f(0.9f, 0.9f, 0);
         c.Vertex3f(0.2f, 0.9f, 0);
         c.Vertex3f(0, 0, 0);
         c.End();
         c.Begin(GL_LINES);
         c.Vertex3f(-1, 0.95f, 0);
         c.Vertex3f(1, 0.95f, 0);
         c.Vertex3f(1, -1, 0);
         c.End();
         c.Begin(GL_POINTS);
         c.Color3f(1, 0, 1);
         c.Vertex3f(0.95f, -0.95f, 0);
         c.End();
     },
     5, nullptr},
    {"LitNormalsPerVertexAndBetweenPrimitives",
     [](const Calls& c) {
         Light(c);
         c.Normal3f(0, 0, 1); // taken by the first vertex
         c.Begin(GL_TRIANGLES);
         c.Vertex3f(-1, -1, 0);
         c.Normal3f(1, 0, 0.2f);
         c.Vertex3f(1, -1, 0);
         c.Normal3f(0, 1, 0.5f);
         c.Vertex3f(-1, 1, 0);
         c.End();
         c.Normal3f(-0.5f, -0.5f, 1);
         c.Begin(GL_TRIANGLES);
         c.Vertex3f(1, 1, 0);
         c.Vertex3f(-0.2f, 1, 0);
         c.Normal3f(0.7f, 0.1f, 0.3f);
         c.Vertex3f(1, -0.2f, 0);
         c.End();
         c.Disable(GL_LIGHTING);
     },
     20, nullptr},
    {"TextureCoordinatesPerVertexAndConstant",
     [](const Calls& c) {
         c.Enable(GL_TEXTURE_2D);
         c.Begin(GL_QUADS);
         c.TexCoord2f(0, 0);
         c.Vertex3f(-1, -1, 0);
         c.TexCoord2f(1, 0);
         c.Vertex3f(0.5f, -1, 0);
         c.TexCoord2f(1, 1);
         c.Vertex3f(0.5f, 0.5f, 0);
         c.TexCoord2f(0, 1);
         c.Vertex3f(-1, 0.5f, 0);
         c.End();
         c.TexCoord2f(0.75f, 0.25f); // one texel for the whole triangle
         c.Begin(GL_TRIANGLES);
         c.Vertex3f(0.6f, 0.6f, 0);
         c.Vertex3f(1, 0.6f, 0);
         c.Vertex3f(1, 1, 0);
         c.End();
         c.Disable(GL_TEXTURE_2D);
     },
     5, nullptr},
    {"AttributesGivenAfterVerticesThatTookTheContextsOwn",
     [](const Calls& c) {
         c.Color3f(0, 0, 1);
         c.Begin(GL_TRIANGLES);
         c.Vertex3f(-1, -1, 0);
         c.Vertex3f(0, -1, 0);
         c.Color3f(1, 0, 0);
         c.Vertex3f(-1, 0, 0);
         c.End();
         c.TexCoord2f(0.75f, 0.75f);
         c.Enable(GL_TEXTURE_2D);
         c.Begin(GL_QUADS);
         c.Vertex3f(0, 0, 0);
         c.Vertex3f(1, 0, 0);
         c.TexCoord2f(0, 0);
         c.Vertex3f(1, 1, 0);
         c.Vertex3f(0, 1, 0);
         c.End();
         c.Disable(GL_TEXTURE_2D);
         Light(c);
         c.Normal3f(-0.3f, 0.2f, 1);
         c.Begin(GL_TRIANGLES);
         c.Vertex3f(0, -1, 0);
         c.Vertex3f(1, -1, 0);
         c.Normal3f(1, 0, 0.1f);
         c.Vertex3f(1, 0, 0);
         c.End();
         c.Disable(GL_LIGHTING);
     },
     6, nullptr},
    {"EdgeFlagsHideEdgesOfAWireFrame",
     [](const Calls& c) {
         c.PolygonMode(GL_FRONT_AND_BACK, GL_LINE);
         c.Begin(GL_TRIANGLES);
         c.Color3f(1, 1, 0);
         c.Vertex3f(-0.9f, -0.9f, 0);
         c.EdgeFlag(GL_FALSE);
         c.Vertex3f(0.9f, -0.9f, 0);
         c.EdgeFlag(GL_TRUE);
         c.Vertex3f(0, 0.9f, 0);
         c.End();
         c.Begin(GL_TRIANGLES);
         c.Vertex3f(-0.5f, 0.5f, 0);
         c.Vertex3f(-0.8f, 0.2f, 0);
         c.EdgeFlag(GL_FALSE);
         c.Vertex3f(-0.2f, 0.2f, 0);
         c.End();
         c.EdgeFlag(GL_TRUE);
         c.PolygonMode(GL_FRONT_AND_BACK, GL_FILL);
     },
     2, nullptr},
    {"TriangleFans",
     [](const Calls& c) {
         c.Begin(GL_TRIANGLE_FAN);
         c.Color3f(1, 1, 1);
         c.Vertex3f(0, 0, 0);
         c.Color3f(1, 0, 0);
         c.Vertex3f(0.9f, 0, 0);
         c.Vertex3f(0.6f, 0.7f, 0);
         c.Color3f(0, 1, 0);
         c.Vertex3f(-0.2f, 0.9f, 0);
         c.Vertex3f(-0.9f, 0.1f, 0);
         c.Color3f(0, 0, 1);
         c.Vertex3f(-0.5f, -0.8f, 0);
         c.End();
         c.Begin(GL_TRIANGLE_FAN); // a fan of two vertices draws nothing
         c.Vertex3f(0.9f, -0.9f, 0);
         c.Vertex3f(0.1f, -0.9f, 0);
         c.End();
     },
     5, nullptr},
    {"PolygonsFilledAndAsLines",
     [](const Calls& c) {
         for (GLenum mode : {GLenum(GL_FILL), GLenum(GL_LINE)}) {
             c.PolygonMode(GL_FRONT_AND_BACK, mode);
             const float dx = mode == GL_FILL ? -0.5f : 0.5f;
             c.Begin(GL_POLYGON);
             c.Color3f(1, 0.5f, 0);
             c.Vertex3f(dx - 0.4f, -0.8f, 0);
             c.Vertex3f(dx + 0.4f, -0.8f, 0);
             c.Color3f(0, 0.5f, 1);
             c.Vertex3f(dx + 0.45f, 0, 0);
             c.Vertex3f(dx, 0.8f, 0);
             c.Vertex3f(dx - 0.45f, 0, 0);
             c.End();
             c.Begin(GL_POLYGON);
             c.Vertex3f(dx - 0.1f, 0.85f, 0);
             c.Vertex3f(dx + 0.1f, 0.85f, 0);
             c.Vertex3f(dx, 0.98f, 0);
             c.End();
         }
         c.PolygonMode(GL_FRONT_AND_BACK, GL_FILL);
     },
     5, nullptr},
    {"LineLoopsAndStrips",
     [](const Calls& c) {
         c.Begin(GL_LINE_LOOP);
         c.Color3f(1, 0, 0);
         c.Vertex3f(-0.9f, -0.9f, 0);
         c.Vertex3f(0.9f, -0.9f, 0);
         c.Color3f(0, 1, 0);
         c.Vertex3f(0.9f, 0.9f, 0);
         c.Vertex3f(-0.9f, 0.9f, 0);
         c.End();
         c.Begin(GL_LINE_STRIP);
         c.Color3f(0, 0, 1);
         c.Vertex3f(-0.5f, -0.5f, 0);
         c.Vertex3f(0.5f, -0.3f, 0);
         c.Vertex3f(-0.5f, 0.5f, 0);
         c.End();
         c.Begin(GL_LINE_LOOP);
         c.Vertex3f(0.2f, 0.2f, 0);
         c.Vertex3f(0.6f, 0.3f, 0);
         c.End();
     },
     4, nullptr},
    {"TriangleAndQuadStrips",
     [](const Calls& c) {
         c.Begin(GL_TRIANGLE_STRIP);
         for (int i = 0; i < 5; ++i) {
             c.Color3f(i * 0.25f, 1 - i * 0.25f, 0);
             c.Vertex3f(-0.9f + i * 0.4f, i % 2 ? -0.1f : -0.9f, 0);
         }
         c.End();
         c.Begin(GL_QUAD_STRIP);
         for (int i = 0; i < 7; ++i) {
             c.Color3f(0, i * 0.15f, 1);
             c.Vertex3f(-0.9f + (i / 2) * 0.6f, i % 2 ? 0.9f : 0.1f, 0);
         }
         c.End();
     },
     10, nullptr},
    {"CompilingAListDoesNotSetTheCurrentColourButCallingItDoes",
     [](const Calls& c) {
         c.Color3f(0, 0, 1);
         c.NewList(kList, GL_COMPILE);
         c.Color3f(1, 0, 0);
         c.Begin(GL_TRIANGLES);
         c.Vertex3f(-1, -1, 0);
         c.Vertex3f(0, -1, 0);
         c.Vertex3f(-1, 0, 0);
         c.End();
         c.EndList();
         c.Begin(GL_TRIANGLES); // blue
         c.Vertex3f(1, 1, 0);
         c.Vertex3f(0, 1, 0);
         c.Vertex3f(1, 0, 0);
         c.End();
         CallList(c); // red, and red from now on
         c.Begin(GL_TRIANGLES);
         c.Vertex3f(1, -1, 0);
         c.Vertex3f(1, 0, 0);
         c.Vertex3f(0, -1, 0);
         c.End();
     },
     3, nullptr},
    {"MaterialInsideAPrimitive",
     [](const Calls& c) {
         Light(c);
         const GLfloat green[4] = {0, 1, 0, 1};
         c.Begin(GL_TRIANGLES);
         c.Vertex3f(0, 0, 0);
         c.Vertex3f(1, 0, 0);
         c.Vertex3f(0, 1, 0);
         c.End();
         c.Begin(GL_TRIANGLES);
         c.Vertex3f(-1, -1, 0);
         c.Materialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, green);
         c.Vertex3f(0, -1, 0);
         c.Vertex3f(-1, 0, 0);
         c.End();
         c.Disable(GL_LIGHTING);
     },
     3, "glMaterialfv inside a gathered primitive would cut it"},
    {"ListCalledInsideAPrimitive",
     [](const Calls& c) {
         c.NewList(kList, GL_COMPILE);
         c.Color3f(0, 1, 0);
         c.EndList();
         c.Begin(GL_TRIANGLE_FAN);
         c.Color3f(1, 0, 0);
         c.Vertex3f(0, 0, 0);
         c.Vertex3f(1, 0, 0);
         CallList(c);
         c.Vertex3f(1, 1, 0);
         c.Vertex3f(0, 1, 0);
         c.End();
     },
     3, "glCallLists inside a gathered primitive would cut it"},
    {"EnableInsideAPrimitiveIsRefused",
     [](const Calls& c) {
         c.Begin(GL_TRIANGLES);
         c.Color3f(1, 0, 0);
         c.Vertex3f(-0.9f, -0.9f, 0);
         c.Vertex3f(0.9f, -0.9f, 0);
         c.Vertex3f(0.9f, 0.9f, 0);
         c.Vertex3f(-0.9f, -0.9f, 0);
         c.Enable(GL_LIGHTING);
         c.Vertex3f(0.9f, 0.9f, 0);
         c.Vertex3f(-0.9f, 0.9f, 0);
         c.End();
         c.Begin(GL_TRIANGLES);
         c.Color3f(0, 0, 1);
         c.Vertex3f(-0.5f, -0.5f, 0);
         c.Vertex3f(0.5f, -0.5f, 0);
         c.Vertex3f(0, 0.5f, 0);
         c.End();
     },
     3, "glEnable between glBegin and glEnd"},
    {"NestedBeginIsRefused",
     [](const Calls& c) {
         c.Begin(GL_QUADS);
         c.Color3f(0, 1, 0);
         c.Vertex3f(-1, -1, 0);
         c.Vertex3f(0, -1, 0);
         c.Begin(GL_TRIANGLES);
         c.Vertex3f(0, 0, 0);
         c.Vertex3f(-1, 0, 0);
         c.End();
     },
     2, "glBegin between glBegin and glEnd"},
    {"EndWithoutBegin",
     [](const Calls& c) {
         c.Begin(GL_TRIANGLES);
         c.Vertex3f(-1, -1, 0);
         c.Vertex3f(0, -1, 0);
         c.Vertex3f(-1, 0, 0);
         c.End();
         c.End();
     },
     2, "glEnd without glBegin"},
};

void PrintTo(const PixelCase& c, std::ostream* os) { *os << c.name; }

std::vector<std::string> g_reports;

struct Outcome {
    std::vector<std::uint32_t> pixels;
    std::vector<GLenum> errors;
    GLfloat normal[3], colour[4], tex[4];
};

class RealDevice : public ::testing::TestWithParam<PixelCase> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FCanvas.Valid());
        FPrevious = gl::SetMisuseHandler([](const char* message) { g_reports.emplace_back(message); });
        g_reports.clear();
        // A 2 x 2 texture of four colours, one texel each.
        const GLubyte texels[] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0};
        glGenTextures(1, &FTexture);
        glBindTexture(GL_TEXTURE_2D, FTexture);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 2, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, texels);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    }
    void TearDown() override
    {
        gl::Sync();
        glDeleteTextures(1, &FTexture);
        gl::SetMisuseHandler(FPrevious);
    }

    // The same state before each drawing, set through the device so that it
    // knows the current attributes.
    static void Reset()
    {
        gl::MatrixMode(GL_PROJECTION);
        gl::LoadIdentity();
        gl::MatrixMode(GL_MODELVIEW);
        gl::LoadIdentity();
        gl::Disable(GL_DEPTH_TEST);
        gl::Disable(GL_LIGHTING);
        gl::Disable(GL_TEXTURE_2D);
        gl::ShadeModel(GL_SMOOTH);
        gl::PolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        const GLfloat diffuse[4] = {0.8f, 0.8f, 0.8f, 1};
        gl::Materialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
        gl::ClearColor(0, 0, 0, 1);
        gl::Clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        gl::Color3f(0.5f, 0.5f, 0.5f);
        gl::Normal3f(0, 0, 1);
        gl::TexCoord2f(0, 0);
        gl::Sync();
        while (glGetError() != GL_NO_ERROR) {
        }
    }

    Outcome Draw(const Calls& calls)
    {
        Reset();
        GetParam().draw(calls);
        Outcome out;
        out.pixels = FCanvas.Pixels();
        for (GLenum e; (e = glGetError()) != GL_NO_ERROR;)
            out.errors.push_back(e);
        glGetFloatv(GL_CURRENT_NORMAL, out.normal);
        glGetFloatv(GL_CURRENT_COLOR, out.colour);
        glGetFloatv(GL_CURRENT_TEXTURE_COORDS, out.tex);
        glDeleteLists(kList, 1);
        return out;
    }

    Canvas FCanvas;
    GLuint FTexture = 0;
    gl::MisuseHandler FPrevious = nullptr;
};

TEST_P(RealDevice, DrawsWhatImmediateModeDraws)
{
    const PixelCase& c = GetParam();
    const Outcome want = Draw(kImmediate);
    ASSERT_TRUE(g_reports.empty());
    const Outcome got = Draw(kDevice);

    const std::set<std::uint32_t> colours(want.pixels.begin(), want.pixels.end());
    EXPECT_GE(static_cast<int>(colours.size()), c.colours) << "the picture shows too little to compare";
    int differ = 0, first = -1;
    for (int i = 0; i < kSize * kSize; ++i)
        if (got.pixels[i] != want.pixels[i] && differ++ == 0)
            first = i;
    EXPECT_EQ(differ, 0) << "first at x " << first % kSize << ", y " << first / kSize;
    EXPECT_EQ(got.errors, want.errors);
    if (c.misuse && std::string(c.misuse).find("between") != std::string::npos) {
        EXPECT_EQ(want.errors, std::vector<GLenum>{GL_INVALID_OPERATION}) << "OpenGL refuses the call";
    }
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(got.normal[i], want.normal[i]) << "current normal " << i;
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(got.colour[i], want.colour[i]) << "current colour " << i;
        EXPECT_EQ(got.tex[i], want.tex[i]) << "current texture coordinate " << i;
    }
    if (c.misuse) {
        ASSERT_FALSE(g_reports.empty()) << "the device must report what it cannot gather";
        EXPECT_EQ(g_reports.front(), c.misuse);
    } else {
        EXPECT_EQ(g_reports, std::vector<std::string>{});
    }
}

INSTANTIATE_TEST_SUITE_P(Calls, RealDevice, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<PixelCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(RealDeviceContexts, EachContextKeepsItsOwnCurrentAttributes)
{
    Canvas first, second;
    ASSERT_TRUE(first.Valid() && second.Valid());
    second.MakeCurrent();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(0, 0, 1);
    glNormal3f(0, 1, 0);
    glTexCoord2f(0.25f, 0.75f);

    first.MakeCurrent();
    gl::Color3f(1, 0, 0);
    gl::Normal3f(1, 0, 0);
    gl::TexCoord2f(0.5f, 0.5f);
    gl::Begin(GL_TRIANGLES);
    gl::Vertex3f(-1, -1, 0);
    gl::Vertex3f(1, -1, 0);
    gl::Vertex3f(0, 1, 0);
    gl::End();

    // A triangle without attributes of its own takes the second context's.
    second.MakeCurrent();
    gl::Begin(GL_TRIANGLES);
    gl::Vertex3f(-1, -1, 0);
    gl::Vertex3f(1, -1, 0);
    gl::Vertex3f(0, 1, 0);
    gl::End();
    const std::vector<std::uint32_t> pixels = second.Pixels();
    const std::uint32_t centre = pixels[kSize / 2 * kSize + kSize / 2];
    EXPECT_EQ(centre, 0xFFFF0000u) << "blue, opaque";
    GLfloat colour[4], normal[3], tex[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    glGetFloatv(GL_CURRENT_NORMAL, normal);
    glGetFloatv(GL_CURRENT_TEXTURE_COORDS, tex);
    EXPECT_EQ((std::vector<GLfloat>(colour, colour + 3)), (std::vector<GLfloat>{0, 0, 1}));
    EXPECT_EQ((std::vector<GLfloat>(normal, normal + 3)), (std::vector<GLfloat>{0, 1, 0}));
    EXPECT_EQ((std::vector<GLfloat>(tex, tex + 2)), (std::vector<GLfloat>{0.25f, 0.75f}));

    first.MakeCurrent();
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ((std::vector<GLfloat>(colour, colour + 3)), (std::vector<GLfloat>{1, 0, 0}));
}

} // namespace
