// SPDX-License-Identifier: GPL-3.0-or-later
#include "TfrmPlot.h"
#include "RecordingDevice.h"
#include "TGLObject.h"
#include "TestShape.h"
#include "TestSupport.h"
#include "ViewFrame.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMatrix4x4>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <stdexcept>

namespace {

// Where a world point lands in the view's window (x right, y down), for the
// default orthographic camera of a square view.
QPoint Project(TfrmPlot* view, QVector3D world)
{
    float l, r, b, t;
    view->GetViewExtents(l, r, b, t);
    float rx, ry, rz;
    view->GetCameraRotation(rx, ry, rz);
    QMatrix4x4 m;
    m.ortho(l, r, b, t, view->GetNear(), view->GetFar());
    m.rotate(rx, 1, 0, 0);
    m.rotate(ry, 0, 1, 0);
    m.rotate(rz, 0, 0, 1);
    const QVector3D ndc = m.map(world);
    return QPoint(qRound((ndc.x() + 1) / 2 * view->width()), qRound((1 - ndc.y()) / 2 * view->height()));
}

// True when some pixel within two pixels of p has about the given colour.
bool ColourNear(TfrmPlot* view, QPoint p, QColor want)
{
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx) {
            const QColor c = ReadPixel(view, p.x() + dx, p.y() + dy);
            if (qAbs(c.red() - want.red()) < 30 && qAbs(c.green() - want.green()) < 30 &&
                qAbs(c.blue() - want.blue()) < 30)
                return true;
        }
    return false;
}

// A blue quad of 10 x 10 units at the origin, made the current object.
TTestShape* AddBlueQuad(TfrmPlot* view)
{
    auto* quad = static_cast<TTestShape*>(view->AddObject(std::make_unique<TTestShape>()));
    quad->SetColor(0xFF0000);
    quad->GrowScale(9, 9, 9, false);
    return quad;
}

class ViewTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        TfrmPlot::SetContextFaultForTesting(TfrmPlot::ContextFault::None);
        EXPECT_TRUE(messages.Errors.isEmpty()) << messages.Errors.join('\n').toStdString();
    }

    MessageRecorder messages;
    ViewHost host;
};

} // namespace

TEST_F(ViewTest, NewViewHasASquareClientAreaTheSelectToolAndDefaultExtents)
{
    TfrmPlot* view = host.AddView();
    ASSERT_TRUE(view->HasContext());
    EXPECT_TRUE(messages.Plain.isEmpty()) << messages.Plain.join('\n').toStdString();
    EXPECT_EQ(view->size(), QSize(300, 300));
    EXPECT_EQ(view->SubWindow()->x(), 5);
    EXPECT_EQ(view->GetTool(), mtSelect);
    float l, r, b, t;
    view->GetViewExtents(l, r, b, t);
    EXPECT_EQ(l, -20);
    EXPECT_EQ(r, 20);
    EXPECT_EQ(b, -20);
    EXPECT_EQ(t, 20);
}

TEST_F(ViewTest, ExtentsGrowAlongTheLongerSideOfTheClientArea)
{
    struct Case {
        int w, h;
        float left, right, bottom, top;
    };
    const Case cases[] = {
        {300, 300, -20, 20, -20, 20},
        {600, 300, -40, 40, -20, 20},
        {300, 600, -20, 20, -40, 40},
        {400, 100, -80, 80, -20, 20},
    };
    TfrmPlot* view = host.AddView();
    for (const Case& c : cases) {
        ResizeClient(view, c.w, c.h);
        ASSERT_EQ(view->size(), QSize(c.w, c.h));
        float l, r, b, t;
        view->GetViewExtents(l, r, b, t);
        EXPECT_FLOAT_EQ(l, c.left) << c.w << "x" << c.h;
        EXPECT_FLOAT_EQ(r, c.right) << c.w << "x" << c.h;
        EXPECT_FLOAT_EQ(b, c.bottom) << c.w << "x" << c.h;
        EXPECT_FLOAT_EQ(t, c.top) << c.w << "x" << c.h;
    }
}

TEST_F(ViewTest, AClientAreaWithoutWidthOrHeightKeepsTheExtents)
{
    // Without a context the view handles its own resizes (Qt only reports
    // sizes with an area to a working context).
    TfrmPlot::SetContextFaultForTesting(TfrmPlot::ContextFault::CreateContext);
    TfrmPlot* view = host.AddView(QStringLiteral("Fig.1"), false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !messages.Plain.isEmpty(); }, 5000));
    ASSERT_FALSE(view->HasContext());
    ResizeClient(view, 600, 300);
    struct Case {
        QSize size;
        std::function<void()> edit; // an edit made while the view has no area
    };
    const Case cases[] = {
        {QSize(600, 0), [] {}},
        {QSize(0, 300), [] {}},
        {QSize(0, 0), [] {}},
        {QSize(600, 0), [view] { view->ResetAxis(); }},
        {QSize(0, 300), [view] { view->SetPerspective(true); }},
        {QSize(0, 0), [view] { view->ZoomIn(); }},
    };
    for (const Case& c : cases) {
        view->resize(c.size);
        ASSERT_EQ(view->size(), c.size);
        c.edit();
        float l, r, b, t;
        view->GetViewExtents(l, r, b, t);
        EXPECT_EQ((std::array<float, 4>{l, r, b, t}), (std::array<float, 4>{-40, 40, -20, 20}))
            << c.size.width() << "x" << c.size.height();
    }
    // With an area again the extents follow it, the zoom included.
    view->resize(300, 600);
    float l, r, b, t;
    view->GetViewExtents(l, r, b, t);
    EXPECT_EQ((std::array<float, 4>{l, r, b, t}), (std::array<float, 4>{-16, 16, -32, 32}));
    EXPECT_EQ(messages.Plain, QStringList{"wglCreateContext failed"});
}

TEST_F(ViewTest, RenderPassOfAnEmptySceneDrawsTheAxesScaledToTheExtents)
{
    TfrmPlot* view = host.AddView();
    gl::RecordingDevice rec;
    {
        gl::ScopedDevice scope(rec);
        view->RenderScene(GL_RENDER);
    }
    EXPECT_EQ(rec.Text(), "glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT)\n"
                          "glIsEnabled(GL_LIGHTING)\n"
                          "glPushMatrix()\n"
                          "glScalef(17, 17, 27)\n"
                          "glLineWidth(2)\n"
                          "glBegin(GL_LINES)\n"
                          "glColor3f(1, 0, 0)\n"
                          "glVertex3f(-1, 0, 0)\nglVertex3f(1, 0, 0)\n"
                          "glVertex3f(0.98, 0.02, 0)\nglVertex3f(1, 0, 0)\n"
                          "glVertex3f(0.98, -0.02, 0)\nglVertex3f(1, 0, 0)\n"
                          "glColor3f(0, 1, 0)\n"
                          "glVertex3f(0, -1, 0)\nglVertex3f(0, 1, 0)\n"
                          "glVertex3f(0.02, 0.98, 0)\nglVertex3f(0, 1, 0)\n"
                          "glVertex3f(-0.02, 0.98, 0)\nglVertex3f(0, 1, 0)\n"
                          "glColor3f(0, 0, 1)\n"
                          "glVertex3f(0, 0, -1)\nglVertex3f(0, 0, 1)\n"
                          "glVertex3f(0, 0.02, 0.98)\nglVertex3f(0, 0, 1)\n"
                          "glVertex3f(0, -0.02, 0.98)\nglVertex3f(0, 0, 1)\n"
                          "glEnd()\n"
                          "glPopMatrix()\n"
                          "glPushMatrix()\n"
                          "glLoadIdentity()\n"
                          "glColor3f(1, 0, 0)\n"
                          "glTranslatef(17, 0, 0)\n"
                          "glRasterPos3f(1, 0, 0)\n"
                          "glCallLists(1, GL_BYTE, \"X\")\n"
                          "glLoadIdentity()\n"
                          "glColor3f(0, 1, 0)\n"
                          "glTranslatef(0, 17, 0)\n"
                          "glRasterPos3f(0, 1, 0)\n"
                          "glCallLists(1, GL_BYTE, \"Y\")\n"
                          "glLoadIdentity()\n"
                          "glColor3f(0, 0, 1)\n"
                          "glTranslatef(0, 0, -27)\n"
                          "glRasterPos3f(0, 0, -1)\n"
                          "glCallLists(1, GL_BYTE, \"Z\")\n"
                          "glPopMatrix()\n"
                          "glFlush()\n");
}

TEST_F(ViewTest, SwitchingProjectionKeepsTheCamera)
{
    TfrmPlot* view = host.AddView();
    const char* camera = "glTranslatef(0, 0, 0)\n"
                         "glRotatef(20, 1, 0, 0)\n"
                         "glRotatef(20, 0, 1, 0)\n"
                         "glRotatef(0, 0, 0, 1)\n"
                         "glMatrixMode(GL_MODELVIEW)\n";
    auto projection = [view] {
        gl::RecordingDevice rec;
        gl::ScopedDevice scope(rec);
        view->UpdateProjection();
        return rec.Text();
    };
    const std::string ortho = projection();
    EXPECT_EQ(ortho, std::string("glMatrixMode(GL_PROJECTION)\nglLoadIdentity()\n"
                                 "glOrtho(-20, 20, -20, 20, -30, 30)\n") +
                         camera);
    view->SetPerspective(true);
    EXPECT_EQ(projection(), std::string("glMatrixMode(GL_PROJECTION)\nglLoadIdentity()\n"
                                        "gluPerspective(60, 1, 0.1, 200)\nglTranslatef(0, 0, -30)\n") +
                                camera);
    view->SetPerspective(false);
    EXPECT_EQ(projection(), ortho);
}

TEST_F(ViewTest, FrameShowsBackgroundAxesAndObjects)
{
    TfrmPlot* view = host.AddView();
    const QPoint corner(3, 3);
    const QPoint xAxis = Project(view, QVector3D(0.5f * 17, 0, 0));
    view->RenderScene(GL_RENDER);
    EXPECT_EQ(ReadPixel(view, corner.x(), corner.y()), QColor(Qt::white));
    EXPECT_TRUE(ColourNear(view, xAxis, Qt::red));

    view->SetBackColor(0x00FF00); // the second byte: pure green
    EXPECT_EQ(ReadPixel(view, corner.x(), corner.y()), QColor(Qt::white)) << "SetBackColor must not redraw";
    view->RenderScene(GL_RENDER);
    EXPECT_EQ(ReadPixel(view, corner.x(), corner.y()), QColor(0, 255, 0));

    view->SetDrawAxis(false);
    EXPECT_FALSE(ColourNear(view, xAxis, Qt::red));
}

TEST_F(ViewTest, LightingDarkensObjectsButNotTheAxes)
{
    TfrmPlot* view = host.AddView();
    AddBlueQuad(view);
    const QPoint onQuad = Project(view, QVector3D(3, 3, 0));
    const QPoint xAxis = Project(view, QVector3D(0.75f * 17, 0, 0));

    view->RenderScene(GL_RENDER);
    EXPECT_EQ(ReadPixel(view, onQuad.x(), onQuad.y()), QColor(0, 0, 255));

    // Lighting without any light: only the ambient part of the material shows.
    ASSERT_TRUE(view->MakeCurrent());
    gl::Enable(GL_LIGHTING);
    view->RenderScene(GL_RENDER);
    const QColor lit = ReadPixel(view, onQuad.x(), onQuad.y());
    EXPECT_EQ(lit.red(), 0);
    EXPECT_GT(lit.blue(), 20);
    EXPECT_LT(lit.blue(), 100);
    EXPECT_TRUE(ColourNear(view, xAxis, Qt::red)) << "the axes are drawn unlit";
    ASSERT_TRUE(view->MakeCurrent());
    EXPECT_TRUE(gl::IsEnabled(GL_LIGHTING)) << "lighting is switched on again after the axes";
    gl::Disable(GL_LIGHTING);
}

TEST_F(ViewTest, WireFrameDrawsOnlyTheOutline)
{
    TfrmPlot* view = host.AddView();
    AddBlueQuad(view);
    const QPoint onQuad = Project(view, QVector3D(3, 3, 0));
    view->SetWireFrame(true);
    EXPECT_EQ(ReadPixel(view, onQuad.x(), onQuad.y()), QColor(Qt::white));
    view->SetWireFrame(false);
    EXPECT_EQ(ReadPixel(view, onQuad.x(), onQuad.y()), QColor(0, 0, 255));
}

TEST_F(ViewTest, TwoViewsDoNotDisturbEachOther)
{
    TfrmPlot* first = host.AddView(QStringLiteral("Fig.1"));
    TfrmPlot* second = host.AddView(QStringLiteral("Fig.2"));
    ASSERT_TRUE(second->HasContext());
    AddBlueQuad(first);
    const QPoint onQuad = Project(first, QVector3D(3, 3, 0));

    first->SetBackColor(0x00FF00);
    first->SetWireFrame(true);
    first->SetWireFrame(false);
    first->RenderScene(GL_RENDER);
    second->RenderScene(GL_RENDER);
    EXPECT_EQ(ReadPixel(first, 3, 3), QColor(0, 255, 0));
    EXPECT_EQ(ReadPixel(first, onQuad.x(), onQuad.y()), QColor(0, 0, 255));
    EXPECT_EQ(ReadPixel(second, 3, 3), QColor(Qt::white));
    EXPECT_EQ(ReadPixel(second, onQuad.x(), onQuad.y()), QColor(Qt::white));

    second->SetWireFrame(true);
    first->RenderScene(GL_RENDER);
    EXPECT_EQ(ReadPixel(first, onQuad.x(), onQuad.y()), QColor(0, 0, 255)) << "polygon mode is per view";
}

TEST_F(ViewTest, TheRealDeviceDrawsImmediateModeFaithfully)
{
    // The real device gathers glBegin/glEnd geometry into vertex arrays; what it
    // draws must be what immediate mode draws.
    TfrmPlot* view = host.AddView();
    ASSERT_TRUE(view->MakeCurrent());
    gl::MatrixMode(GL_PROJECTION);
    gl::LoadIdentity();
    gl::MatrixMode(GL_MODELVIEW);
    gl::LoadIdentity();
    gl::Disable(GL_DEPTH_TEST);
    gl::Clear(GL_COLOR_BUFFER_BIT);
    // An incomplete triangle is dropped and must not shift the next one.
    gl::Begin(GL_TRIANGLES);
    gl::Color3f(1, 0, 0);
    gl::Vertex3f(1, 1, 0);
    gl::Vertex3f(0, 1, 0);
    gl::End();
    gl::Begin(GL_TRIANGLES);
    gl::Color3f(0, 0, 1);
    gl::Vertex3f(-1, -1, 0);
    gl::Vertex3f(1, -1, 0);
    gl::Vertex3f(-1, 1, 0);
    gl::End();
    // Colours that change from vertex to vertex within merged primitives.
    gl::Begin(GL_QUADS);
    gl::Color3f(0, 1, 0);
    gl::Vertex3f(0.5f, 0.5f, 0);
    gl::Vertex3f(1, 0.5f, 0);
    gl::Color3f(1, 1, 0);
    gl::Vertex3f(1, 1, 0);
    gl::Vertex3f(0.5f, 1, 0);
    gl::End();
    gl::Color3f(0.5f, 0.25f, 1);
    gl::Flush();
    GLfloat current[4] = {};
    glGetFloatv(GL_CURRENT_COLOR, current);
    EXPECT_FLOAT_EQ(current[0], 0.5f);
    EXPECT_FLOAT_EQ(current[1], 0.25f);
    EXPECT_FLOAT_EQ(current[2], 1);

    EXPECT_EQ(ReadPixel(view, 30, 270), QColor(0, 0, 255)) << "the blue triangle, lower left";
    // Kept, the two dropped vertices would start a triangle reaching from the
    // top edge to the lower left corner; its middle stays background.
    const QColor background = ReadPixel(view, 285, 225);
    EXPECT_NE(background, QColor(0, 0, 255));
    EXPECT_EQ(ReadPixel(view, 150, 75), background) << "no stray triangle from the dropped vertices";
    // Smooth shading blends the corners' colours across the quad.
    const QColor top = ReadPixel(view, 296, 4), bottom = ReadPixel(view, 229, 71);
    EXPECT_GT(top.red(), 230) << "near the yellow corners";
    EXPECT_LT(bottom.red(), 25) << "near the green corners";
    EXPECT_EQ(top.green(), 255);
    EXPECT_EQ(bottom.green(), 255);
    EXPECT_EQ(top.blue() + bottom.blue(), 0);
    gl::Enable(GL_DEPTH_TEST);
    view->UpdateProjection();
}

TEST_F(ViewTest, ViewsShareTheirTextures)
{
    TfrmPlot* first = host.AddView(QStringLiteral("Fig.1"));
    TfrmPlot* second = host.AddView(QStringLiteral("Fig.2"));
    ASSERT_TRUE(first->MakeCurrent());
    GLuint name = 0;
    gl::GenTextures(1, &name);
    gl::BindTexture(GL_TEXTURE_2D, name);
    const GLubyte red[4] = {255, 0, 0, 255};
    gl::TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, red);
    ASSERT_TRUE(second->MakeCurrent());
    EXPECT_TRUE(glIsTexture(name));
}

namespace {

// Lets QOpenGLWidget give a widget moved to another top-level window a new
// context of that window's share group, as it does for programs that do not
// share contexts process-wide; restores sharing when it goes.
class NoProcessWideSharing {
public:
    NoProcessWideSharing() { QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts, false); }
    ~NoProcessWideSharing() { QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts, true); }
    NoProcessWideSharing(const NoProcessWideSharing&) = delete;
    NoProcessWideSharing& operator=(const NoProcessWideSharing&) = delete;
};

} // namespace

TEST_F(ViewTest, AViewWhoseContextIsCreatedAgainKeepsItsToolAndShowsTheSameFrame)
{
    TfrmPlot* view = host.AddView();
    ResizeClient(view, 260, 180);
    ASSERT_EQ(view->size(), QSize(260, 180));
    view->SetTool(mtTranslate);
    AddBlueQuad(view);
    view->AddCube(-8, 4);
    view->AddIcosahedron(9, -3);
    view->SetMouseForTesting(4, 6);
    view->AddLight();
    view->SetLighting(true);
    view->SetCameraRotation(35, -50, 10);
    view->ZoomBy(1.5f, 80, 60);
    view->SetBackColor(0x00FF00);
    view->SetWireFrame(true);
    QTest::qWait(20);
    const QImage before = ReadFrame(view);
    int drawn = 0;
    for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x)
            drawn += before.pixel(x, y) != qRgb(0, 255, 0);
    ASSERT_GT(drawn, 500) << "lines drawn over the background";

    // A frame drawn just before the move must not keep the new context from drawing its own.
    view->RenderScene(GL_RENDER);
    const int creations = view->ContextCreations();
    ViewHost other;
    QMdiSubWindow* frame = view->SubWindow();
    {
        NoProcessWideSharing noSharing;
        frame->setParent(nullptr);
        other.Area()->addSubWindow(frame);
        frame->show();
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return view->ContextCreations() > creations && view->HasContext() && view->isVisible(); },
            5000));
    }
    ASSERT_EQ(view->size(), QSize(260, 180)) << "a new size would redo the projection anyway";
    QTest::qWait(20);
    EXPECT_TRUE(SamePicture(ReadFrame(view), before)) << "the frame Qt had the new context paint";
    EXPECT_EQ(static_cast<int>(view->GetTool()), static_cast<int>(mtTranslate));
    view->RenderScene(GL_RENDER);
    EXPECT_TRUE(SamePicture(ReadFrame(view), before)) << "a frame the view draws itself";

    // The tool only changes when the user chooses another.
    view->SetTool(mtCameraRotate);
    EXPECT_EQ(static_cast<int>(view->GetTool()), static_cast<int>(mtCameraRotate));
}

TEST_F(ViewTest, SelectionPassFindsObjectsAndLeavesTheFrameAsItWas)
{
    TfrmPlot* view = host.AddView();
    AddBlueQuad(view);
    const QPoint onQuad = Project(view, QVector3D(3, 3, 0));
    view->RenderScene(GL_RENDER);
    const QColor corner = ReadPixel(view, 3, 3);
    const QColor quad = ReadPixel(view, onQuad.x(), onQuad.y());

    view->SetBackColor(0x0000FF); // a selection pass that cleared would now show red
    ASSERT_TRUE(view->MakeCurrent());
    GLuint buffer[64] = {};
    gl::SelectBuffer(64, buffer);
    gl::RenderMode(GL_SELECT);
    gl::InitNames();
    view->RenderScene(GL_SELECT);
    const GLint hits = gl::RenderMode(GL_RENDER);
    // Hit records: name count, depth range, names. The axes hit with no name.
    QList<GLuint> named;
    for (GLint i = 0, at = 0; i < hits; ++i, at += 3 + static_cast<GLint>(buffer[at]))
        for (GLuint n = 0; n < buffer[at]; ++n)
            named.append(buffer[at + 3 + static_cast<GLint>(n)]);
    EXPECT_EQ(named, QList<GLuint>{1u}) << "the quad's name, once";

    EXPECT_EQ(ReadPixel(view, 3, 3), corner);
    EXPECT_EQ(ReadPixel(view, onQuad.x(), onQuad.y()), quad);
}

TEST_F(ViewTest, ClosingAViewDestroysItsSceneAndLeavesTheOtherDrawing)
{
    TfrmPlot* first = host.AddView(QStringLiteral("Fig.1"));
    TfrmPlot* second = host.AddView(QStringLiteral("Fig.2"));
    AddBlueQuad(first);
    first->AddObject(std::make_unique<TTestShape>());
    AddBlueQuad(second);
    const QPoint onQuad = Project(second, QVector3D(3, 3, 0));
    const QPoint xAxis = Project(second, QVector3D(0.5f * 17, 0, 0));

    TTestShape::Destroyed = 0;
    QPointer<QMdiSubWindow> frame = first->SubWindow();
    frame->close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame.isNull(); }, 5000));
    EXPECT_EQ(TTestShape::Destroyed, 2);

    second->SetBackColor(0xFF0000);
    second->RenderScene(GL_RENDER);
    EXPECT_EQ(ReadPixel(second, 3, 3), QColor(0, 0, 255));
    EXPECT_EQ(ReadPixel(second, onQuad.x(), onQuad.y()), QColor(0, 0, 255));
    EXPECT_TRUE(ColourNear(second, xAxis, Qt::red));
}

TEST_F(ViewTest, ContextFailuresAreReportedAndLeaveTheViewWithoutContext)
{
    using Fault = TfrmPlot::ContextFault;
    struct Case {
        Fault fault;
        QStringList messages;
        bool closes;
    };
    const Case cases[] = {
        {Fault::ChoosePixelFormat, {"ChoosePixelFormat failed", "wglCreateContext failed"}, true},
        {Fault::SetPixelFormat, {"SetPixelFormat failed", "wglCreateContext failed"}, true},
        {Fault::CreateContext, {"wglCreateContext failed"}, false},
    };
    for (const Case& c : cases) {
        messages.Plain.clear();
        TfrmPlot::SetContextFaultForTesting(c.fault);
        TfrmPlot* view = host.AddView(QStringLiteral("Fig.9"), false);
        QPointer<QMdiSubWindow> frame = view->SubWindow();
        ASSERT_TRUE(QTest::qWaitFor([&] { return messages.Plain.size() >= c.messages.size(); }, 5000));
        QTest::qWait(50);
        EXPECT_EQ(messages.Plain, c.messages);
        EXPECT_EQ(frame.isNull(), c.closes);
        if (!frame.isNull()) {
            EXPECT_FALSE(view->HasContext());
            EXPECT_EQ(view->GetTool(), mtCube);
            view->RenderScene(GL_RENDER); // skipped without a context
            delete frame;
        }
    }
}

TEST_F(ViewTest, FailingToActivateTheContextEndsTheEventLoopAsItStarts)
{
    TfrmPlot::SetContextFaultForTesting(TfrmPlot::ContextFault::MakeCurrent);
    host.AddView(QStringLiteral("Fig.9"), false);
    QTimer fallback;
    fallback.setSingleShot(true);
    QObject::connect(&fallback, &QTimer::timeout, qApp, &QCoreApplication::quit);
    fallback.start(10000);
    QElapsedTimer clock;
    clock.start();
    QCoreApplication::exec();
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_EQ(messages.Plain, QStringList{"wglMakeCurrent failed -- too many errors, so quitting"});
}

namespace {

// A shape whose drawing fails while Fail is set, as a broken object would.
class TFailingShape : public TTestShape {
public:
    void Draw(GLenum mode) override
    {
        if (Fail)
            throw std::runtime_error("the shape cannot be drawn");
        TTestShape::Draw(mode);
    }
    static inline bool Fail = false;
};

// Counts the paint events a widget gets.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++Paints;
        return false;
    }
    int Paints = 0;
};

} // namespace

TEST_F(ViewTest, AnErrorWhilePaintingGoesToTheErrorBoxAndTheViewDrawsOnAfterwards)
{
    TfrmPlot* view = host.AddView();
    TGLObject* shape = view->AddObject(std::make_unique<TFailingShape>());
    shape->SetColor(0xFF0000);
    shape->GrowScale(9, 9, 9, false);
    QTest::qWait(20);
    PaintCounter counter(view);

    TFailingShape::Fail = true;
    const bool reported = QTest::qWaitFor(
        [&] {
            view->update();
            return !messages.Errors.isEmpty();
        },
        5000);
    // Paints still on their way fail too: the last paint before the view draws again is a failed one.
    QTest::qWait(20);
    TFailingShape::Fail = false;
    ASSERT_TRUE(reported) << "painted " << counter.Paints << " times";
    EXPECT_EQ(messages.Errors.first(), QStringLiteral("the shape cannot be drawn"));
    EXPECT_EQ(messages.Errors.count(QStringLiteral("the shape cannot be drawn")), messages.Errors.size());
    messages.Errors.clear();

    // The next frame the view draws by itself reaches the screen, and shows the shape.
    QTest::qWait(20);
    view->SetBackColor(0x0000FF);
    const int paints = counter.Paints;
    view->RenderScene(GL_RENDER);
    EXPECT_TRUE(QTest::qWaitFor([&] { return counter.Paints > paints; }, 2000)) << "no paint after the frame";
    const QPoint onShape = Project(view, QVector3D(3, 3, 0));
    EXPECT_EQ(ReadPixel(view, 3, 3), QColor(255, 0, 0));
    EXPECT_EQ(ReadPixel(view, onShape.x(), onShape.y()), QColor(0, 0, 255));
    EXPECT_TRUE(messages.Errors.isEmpty());
}

TEST(HitRecordsTest, OnlyWholeRecordsAreRead)
{
    // A record: its name count, two depths, then the names; the last name counts.
    constexpr GLuint d = 0x7fffffff;
    struct Case {
        const char* what;
        std::vector<GLuint> buffer;
        std::size_t hits;
        std::vector<GLuint> names;
    };
    const Case cases[] = {
        {"two records", {1, d, d, 5, 1, d, d, 8}, 2, {5, 8}},
        {"several names: the last", {3, d, d, 1, 2, 9, 1, d, d, 4}, 2, {9, 4}},
        {"fewer hits than records", {1, d, d, 5, 1, d, d, 8}, 1, {5}},
        {"no hits", {1, d, d, 5}, 0, {}},
        {"records without names", {0, d, d, 1, d, d, 4, 0, d, d}, 3, {4}},
        {"more hits than records", {1, d, d, 5}, 5, {5}},
        {"names run past the end", {1, d, d, 5, 3, d, d, 7, 8}, 2, {5}},
        {"one name past the end", {1, d, d, 5, 1, d, d}, 2, {5}},
        {"a huge name count", {0xffffffffu, d, d, 6}, 1, {}},
        {"a count that wraps the index", {1, d, d, 5, 0xfffffffdu, d, d, 6}, 2, {5}},
        {"a header cut short", {1, d, d, 5, 1, d}, 2, {5}},
        {"an empty buffer", {}, 3, {}},
    };
    for (const Case& c : cases) {
        // Exactly as large as its words, so that reading past them is reading past the buffer.
        std::vector<GLuint> buffer(c.buffer);
        buffer.shrink_to_fit();
        EXPECT_EQ(TfrmPlot::ParseHitNames(buffer, c.hits), c.names) << c.what;
    }
}

TEST_F(ViewTest, TheSelectionMarkerContrastsWithTheBackground)
{
    TfrmPlot* view = host.AddView();
    view->SetDrawAxis(false);
    view->AddCube(0, 0);      // current, so its marker is drawn
    view->SetWireFrame(true); // the corner points lie on the cube's edges, not behind its faces
    struct Case {
        const char* name;
        int back; // RGB value, red in the lowest byte
        QColor marker;
    };
    const Case cases[] = {{"white", 0xFFFFFF, Qt::black},
                          {"black", 0x000000, Qt::white},
                          {"mid-grey", 0x808080, Qt::black},
                          {"dark blue", 0x800000, Qt::white},
                          {"yellow", 0x00FFFF, Qt::black}};
    for (const Case& c : cases) {
        view->SetBackColor(c.back);
        view->RenderScene(GL_RENDER);
        const QImage frame = ReadFrame(view);
        const QColor back(c.back & 0xFF, (c.back >> 8) & 0xFF, (c.back >> 16) & 0xFF);
        ASSERT_EQ(frame.pixelColor(2, 2), back) << c.name;
        int marker = 0;
        for (int y = 0; y < frame.height(); ++y)
            for (int x = 0; x < frame.width(); ++x)
                marker += frame.pixelColor(x, y) == c.marker;
        // Eight corner points of three by three pixels, some hidden behind others.
        EXPECT_GE(marker, 4 * 9) << c.name;
    }
    EXPECT_EQ(MarkerColorFor({1, 1, 1}), (std::array<float, 3>{0, 0, 0}));
    EXPECT_EQ(MarkerColorFor({0.2f, 0.2f, 0.2f}), (std::array<float, 3>{1, 1, 1}));
}
