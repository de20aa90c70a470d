// The real device against OpenGL's own immediate mode in a real context: the
// same calls, once through the device (which gathers them into vertex arrays)
// and once straight to OpenGL, must give the same pixels, the same errors and
// the same current attributes afterwards.
#include "GlDevice.h"
#include "TGLPolyObject.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr int kSize = 64;
constexpr GLuint kList = 7000;

// An offscreen context drawing into a kSize x kSize framebuffer.
class Canvas {
public:
    Canvas()
    {
        FSurface.setFormat(QSurfaceFormat::defaultFormat());
        FSurface.create();
        FContext.setFormat(QSurfaceFormat::defaultFormat());
        FContext.create();
        MakeCurrent();
        FFrame = std::make_unique<QOpenGLFramebufferObject>(kSize, kSize,
                                                            QOpenGLFramebufferObject::CombinedDepthStencil);
        FFrame->bind();
        glViewport(0, 0, kSize, kSize);
    }
    ~Canvas()
    {
        MakeCurrent();
        FFrame.reset();
        FContext.doneCurrent();
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    bool Valid() const { return FContext.isValid() && FFrame && FFrame->isValid(); }
    void MakeCurrent()
    {
        gl::Sync();
        FContext.makeCurrent(&FSurface);
        if (FFrame)
            FFrame->bind();
    }
    std::vector<std::uint32_t> Pixels()
    {
        gl::Sync();
        std::vector<std::uint32_t> pixels(kSize * kSize);
        glReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    }

private:
    QOffscreenSurface FSurface;
    QOpenGLContext FContext;
    std::unique_ptr<QOpenGLFramebufferObject> FFrame;
};

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
