#include "RecordingDevice.h"
#include "TGLCube.h"
#include "TGLIcosahedron.h"
#include "TGLLight.h"
#include "TGLPolyObject.h"
#include "TestShape.h"
#include "TestSupport.h"
#include "TfrmPlot.h"
#include "ViewFrame.h"
#include "ViewPanels.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <initializer_list>

namespace {

// Stands in for the WorkSpace panel's light options.
class FakeLightOptions : public TLightOptions {
public:
    void EnableLightOptions() override { Enabled = true; }
    void DisableLightOptions() override { Enabled = false; }
    void ShowLightValues(int which, bool directional, float r, float g, float b) override
    {
        Shown = {static_cast<float>(which), directional ? 1.f : 0.f, r, g, b};
        ++ShowCount;
    }
    int SelectedLightComponent() const override { return Component; }

    bool Enabled = false;
    std::vector<float> Shown;
    int ShowCount = 0;
    int Component = 0;
};

// Stands in for the Output panel's foreground swatch.
class FakeColors : public TColorSource {
public:
    int ForegroundColor() const override { return Foreground; }
    int BackgroundColor() const override { return 0xFFFFFF; }
    int Foreground = 0x00FF00;
};

class InteractionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        view = host.AddView();
        view->SetPanels({&lights, &colors});
        ASSERT_TRUE(view->HasContext());
        // Ten pixels per view unit, so that whole view coordinates are whole pixels.
        ResizeClient(view, 400, 400);
        ASSERT_EQ(view->size(), QSize(400, 400));
    }
    void TearDown() override
    {
        EXPECT_TRUE(messages.Errors.isEmpty()) << messages.Errors.join('\n').toStdString();
    }

    // The client pixel of a point in view coordinates (the view spans -20..20).
    static QPoint Pixel(float vx, float vy) { return QPoint(qRound((vx + 20) * 10), qRound((20 - vy) * 10)); }

    // One drag step in view coordinates, as the window's handlers see it.
    void Drag(float fromX, float fromY, float toX, float toY, Qt::MouseButtons buttons,
              Qt::KeyboardModifiers shift = Qt::NoModifier)
    {
        const QPoint a = Pixel(fromX, fromY), b = Pixel(toX, toY);
        view->FormMouseDown(Qt::LeftButton, shift, a.x(), a.y());
        view->FormMouseMove(buttons, shift, b.x(), b.y());
        view->FormMouseUp(Qt::LeftButton, shift, b.x(), b.y());
    }

    // A drag along a path in view coordinates: pressed at the first point,
    // moved through the others, released at the last.
    void DragAlong(std::initializer_list<QPointF> path, Qt::MouseButtons buttons,
                   Qt::KeyboardModifiers shift = Qt::NoModifier)
    {
        const QPointF* p = path.begin();
        QPoint at = Pixel(static_cast<float>(p->x()), static_cast<float>(p->y()));
        view->FormMouseDown(Qt::LeftButton, shift, at.x(), at.y());
        for (++p; p != path.end(); ++p) {
            at = Pixel(static_cast<float>(p->x()), static_cast<float>(p->y()));
            view->FormMouseMove(buttons, shift, at.x(), at.y());
        }
        view->FormMouseUp(Qt::LeftButton, shift, at.x(), at.y());
    }

    // Where the current object and the camera stand: the object's position,
    // rotation and scale, the camera's rotation (from kCameraRotation on) and
    // translation (from kCameraTranslation on).
    static constexpr std::size_t kCameraRotation = 9, kCameraTranslation = 12;
    std::array<float, 15> Pose() const
    {
        TGLObject* current = view->GetCurrentObject();
        const TObjectState o = current ? TObjectState::Capture(*current) : TObjectState{};
        const TViewState& v = view->Document()->View();
        const std::array<const std::array<float, 3>*, 5> parts{&o.Position, &o.Rotation, &o.Scale,
                                                               &v.CameraRotation, &v.CameraTranslation};
        std::array<float, 15> pose{};
        for (std::size_t i = 0; i < pose.size(); ++i)
            pose[i] = (*parts[i / 3])[i % 3];
        return pose;
    }

    void Click(float vx, float vy, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(view, button, Qt::NoModifier, Pixel(vx, vy));
    }

    static std::vector<int> Ids(TfrmPlot* v)
    {
        std::vector<int> ids;
        for (TGLObject* o : v->Objects())
            ids.push_back(o->GetID());
        return ids;
    }

    static std::array<float, 3> Scale(TGLObject* o)
    {
        std::array<float, 3> s;
        o->GetScale(s[0], s[1], s[2]);
        return s;
    }

    static std::array<float, 3> Rotation(TGLObject* o)
    {
        std::array<float, 3> r;
        o->GetRotation(r[0], r[1], r[2]);
        return r;
    }

    MessageRecorder messages;
    FakeLightOptions lights;
    FakeColors colors;
    ViewHost host;
    TfrmPlot* view = nullptr;
};

} // namespace

TEST_F(InteractionTest, ClicksPlaceSolidsAtTheMouseInTheForegroundColour)
{
    struct Case {
        TMouseTool tool;
        Qt::MouseButton button;
        float scale;
    };
    const Case cases[] = {{mtCube, Qt::LeftButton, 5},
                          {mtPlane, Qt::RightButton, 21},
                          {mtPyramid, Qt::MiddleButton, 5},
                          {mtIcosahedron, Qt::LeftButton, 5}};
    int id = 0;
    for (const Case& c : cases) {
        view->SetTool(c.tool);
        Click(10, -6, c.button);
        TGLObject* placed = view->GetCurrentObject();
        ASSERT_NE(placed, nullptr);
        EXPECT_EQ(placed->GetID(), ++id);
        float x, y, z, r, g, b;
        placed->GetXY(x, y);
        placed->GetZ(z);
        EXPECT_FLOAT_EQ(x, 10);
        EXPECT_FLOAT_EQ(y, -6);
        EXPECT_EQ(z, 0);
        EXPECT_EQ(Scale(placed), (std::array<float, 3>{c.scale, c.scale, c.scale}));
        placed->GetColor(r, g, b);
        EXPECT_EQ(r, 0);
        EXPECT_EQ(g, 1);
        EXPECT_EQ(b, 0);
    }
    EXPECT_EQ(static_cast<TGLIcosahedron*>(view->GetCurrentObject())->GetDepth(), 3);

    // Without an Output panel new objects are red.
    view->SetPanels({&lights, nullptr});
    view->AddCube(0, 0);
    float r, g, b;
    view->GetCurrentObject()->GetColor(r, g, b);
    EXPECT_EQ(r, 1);
    EXPECT_EQ(g, 0);
}

TEST_F(InteractionTest, PlacementSubtractsTheCameraTranslation)
{
    view->SetTool(mtCameraTranslate);
    Drag(0, 0, 3, 2, Qt::LeftButton);
    float cx, cy, cz;
    view->GetCameraTranslation(cx, cy, cz);
    EXPECT_FLOAT_EQ(cx, 3);
    EXPECT_FLOAT_EQ(cy, 2);
    view->AddCube(10, 10);
    float x, y;
    view->GetCurrentObject()->GetXY(x, y);
    EXPECT_FLOAT_EQ(x, 7);
    EXPECT_FLOAT_EQ(y, 8);
}

TEST_F(InteractionTest, SelectClicksStepThroughOverlappingObjectsInListOrder)
{
    for (int i = 0; i < 3; ++i)
        view->AddCube(0, 0);
    view->AddCube(-15, -15);
    view->SetTool(mtSelect);
    std::vector<int> picked;
    for (int i = 0; i < 4; ++i) {
        Click(0, 0);
        picked.push_back(view->GetCurrentObject() ? view->GetCurrentObject()->GetID() : 0);
    }
    EXPECT_EQ(picked, (std::vector<int>{1, 2, 3, 1}))
        << "the current object elsewhere: the first click takes A";

    lights.Enabled = true;
    Click(17, 17);
    EXPECT_EQ(view->GetCurrentObject(), nullptr) << "background deselects";
    EXPECT_FALSE(lights.Enabled) << "and disables the light options";

    Click(-15, -15);
    Click(-15, -15);
    ASSERT_NE(view->GetCurrentObject(), nullptr);
    EXPECT_EQ(view->GetCurrentObject()->GetID(), 4) << "a single object stays selected";
}

TEST_F(InteractionTest, DeleteToolDeletesWhatASelectClickWouldSelect)
{
    for (int i = 0; i < 3; ++i)
        view->AddCube(0, 0);
    view->SetTool(mtSelect);
    Click(0, 0); // selects A
    view->SetTool(mtDelete);
    Click(0, 0); // the next one: B
    EXPECT_EQ(Ids(view), (std::vector<int>{1, 3}));
    EXPECT_EQ(view->GetCurrentObject(), nullptr);
    Click(17, 17);
    EXPECT_EQ(Ids(view), (std::vector<int>{1, 3})) << "background deletes nothing";
    EXPECT_EQ(view->GetCurrentObject(), nullptr);
}

TEST_F(InteractionTest, SteppingWorksWithMoreOverlappingObjectsThanTheBufferHolds)
{
    const int count = 140;
    for (int i = 0; i < count; ++i)
        view->AddCube(0, 0);
    const QPoint at = Pixel(0, 0);
    for (int expected : {1, 2, 3}) {
        view->PickObject(at.x(), at.y());
        ASSERT_NE(view->GetCurrentObject(), nullptr);
        EXPECT_EQ(view->GetCurrentObject()->GetID(), expected);
    }
    for (int i = 4; i <= count; ++i)
        view->PickObject(at.x(), at.y());
    EXPECT_EQ(view->GetCurrentObject()->GetID(), count);
    view->PickObject(at.x(), at.y());
    EXPECT_EQ(view->GetCurrentObject()->GetID(), 1) << "starts over after the last";
}

TEST_F(InteractionTest, EightLightsAtMostAcrossViews)
{
    TfrmPlot* other = host.AddView(QStringLiteral("Fig.2"));
    view->SetTool(mtAddLight);
    for (int i = 0; i < 5; ++i)
        Click(-10 + 4 * i, 0);
    EXPECT_TRUE(lights.Enabled);
    EXPECT_EQ(lights.ShowCount, 5);
    for (int i = 0; i < 3; ++i)
        other->AddLight();
    EXPECT_EQ(TGLLight::GetLightCount(), 8);
    EXPECT_TRUE(messages.Plain.isEmpty());

    other->AddLight();
    EXPECT_EQ(messages.Plain, QStringList{"You can't have more than 8 lights!"});
    EXPECT_EQ(other->Objects().size(), 3u);

    // Copying a light at the limit is refused the same way.
    other->CopyCurrent();
    EXPECT_EQ(messages.Plain.size(), 2);
    EXPECT_EQ(other->Objects().size(), 3u);
    EXPECT_EQ(TGLLight::GetLightCount(), 8);

    // Free one light in the first view: the second view may place one again.
    view->DeleteCurrent();
    EXPECT_EQ(TGLLight::GetLightCount(), 7);
    other->AddLight();
    EXPECT_EQ(other->Objects().size(), 4u);
    EXPECT_EQ(static_cast<TGLLight*>(other->GetCurrentObject())->Unit(), static_cast<GLenum>(GL_LIGHT4));
    EXPECT_EQ(messages.Plain.size(), 2);
}

TEST_F(InteractionTest, CopyingALightTakesTheNextUnitAtTheSamePlace)
{
    view->SetTool(mtAddLight);
    Click(5, 6);
    view->CopyCurrent();
    ASSERT_EQ(view->Objects().size(), 2u);
    auto* copy = static_cast<TGLLight*>(view->GetCurrentObject());
    EXPECT_EQ(copy->GetID(), 2);
    EXPECT_EQ(copy->Unit(), static_cast<GLenum>(GL_LIGHT1));
    float x, y, z;
    copy->GetXY(x, y);
    copy->GetZ(z);
    EXPECT_FLOAT_EQ(x, 5);
    EXPECT_FLOAT_EQ(y, 6);
    EXPECT_EQ(z, 15);
}

TEST_F(InteractionTest, ScaleDragsGrowTheAxesTheButtonsChoose)
{
    view->AddCube(0, 0);
    view->SetTool(mtScale);
    TGLObject* cube = view->GetCurrentObject();
    Drag(0, 0, 20, 10, Qt::LeftButton);
    EXPECT_EQ(Scale(cube), (std::array<float, 3>{6, 5.5f, 5}));

    cube->GrowScale(-1, -0.5f, 0, false);
    Drag(0, 0, 20, 10, Qt::RightButton);
    EXPECT_EQ(Scale(cube), (std::array<float, 3>{5, 5, 6}));
    Drag(0, 0, 20, 10, Qt::LeftButton | Qt::RightButton);
    EXPECT_EQ(Scale(cube), (std::array<float, 3>{5, 5, 7})) << "both buttons: the right-button branch";

    cube->GrowScale(0, -3, -4, false); // (5, 2, 3)
    Drag(0, 0, 20, 10, Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(Scale(cube), (std::array<float, 3>{6, 6, 6}));

    // Moves without a button change only the caption.
    const QPoint p = Pixel(1.5f, 0);
    view->FormMouseMove(Qt::NoButton, Qt::NoModifier, p.x(), p.y());
    EXPECT_EQ(Scale(cube), (std::array<float, 3>{6, 6, 6}));
    EXPECT_EQ(view->MouseText(), QStringLiteral("Tools - mouse at X: 1.500000, Y: 0.000000"));
}

TEST_F(InteractionTest, RotateDragsTurnTheObjectAgainstTheMouse)
{
    view->AddCube(0, 0);
    TGLObject* cube = view->GetCurrentObject();
    view->SetTool(mtRotate);
    Drag(0, 0, 10, 0, Qt::LeftButton);
    EXPECT_EQ(Rotation(cube), (std::array<float, 3>{0, -90, 0}));
    view->SetRotateXY(false);
    Drag(0, 0, 0, 10, Qt::RightButton);
    EXPECT_EQ(Rotation(cube), (std::array<float, 3>{0, -90, -90}));
    view->SetRotateXY(true);
    Drag(0, 0, 0, 10, Qt::LeftButton);
    EXPECT_EQ(Rotation(cube), (std::array<float, 3>{-90, -90, -90}));
}

TEST_F(InteractionTest, CameraRotateDragsTurnTheCameraWithTheMouseAndFoldOnce)
{
    view->SetTool(mtCameraRotate);
    Drag(0, 0, 10, 0, Qt::LeftButton);
    float x, y, z;
    view->GetCameraRotation(x, y, z);
    EXPECT_FLOAT_EQ(y, 110);

    struct Case {
        float start, degrees, expected;
    };
    for (const Case& c : {Case{350, 18, 8}, Case{-10, -18, -28}, Case{342, 18, 360}}) {
        view->SetCameraRotation(20, c.start, 0);
        Drag(0, 0, c.degrees / 9, 0, Qt::LeftButton); // 9 degrees per view unit
        view->GetCameraRotation(x, y, z);
        EXPECT_NEAR(y, c.expected, 1e-3) << c.start << " + " << c.degrees;
    }
    view->SetRotateXY(false);
    view->SetCameraRotation(20, 20, 0);
    Drag(0, 0, 0, 10, Qt::LeftButton);
    view->GetCameraRotation(x, y, z);
    EXPECT_FLOAT_EQ(x, 20);
    EXPECT_FLOAT_EQ(z, 90);

    view->ResetAxis();
    float tx, ty, tz;
    view->GetCameraRotation(x, y, z);
    view->GetCameraTranslation(tx, ty, tz);
    EXPECT_EQ((std::array<float, 6>{x, y, z, tx, ty, tz}), (std::array<float, 6>{20, 20, 0, 0, 0, 0}));
}

TEST_F(InteractionTest, TranslateDragsMoveXYWithTheLeftButtonAndZWithTheRight)
{
    view->AddCube(0, 0);
    TGLObject* cube = view->GetCurrentObject();
    view->SetTool(mtTranslate);
    float x, y, z;
    Drag(0, 0, 5, 7, Qt::RightButton);
    cube->GetXY(x, y);
    cube->GetZ(z);
    EXPECT_EQ((std::array<float, 3>{x, y, z}), (std::array<float, 3>{0, 0, 7}));
    Drag(0, 0, 5, -2, Qt::LeftButton | Qt::RightButton);
    cube->GetXY(x, y);
    cube->GetZ(z);
    EXPECT_EQ((std::array<float, 3>{x, y, z}), (std::array<float, 3>{5, -2, 7}));
}

TEST_F(InteractionTest, DraggingALightMovesItsOpenGLPosition)
{
    view->SetTool(mtAddLight);
    Click(0, 0);
    lights.ShowCount = 0;
    view->SetTool(mtTranslate);
    gl::RecordingDevice rec;
    {
        gl::ScopedDevice scope(rec);
        Drag(0, 0, 4, 3, Qt::LeftButton);
    }
    const std::string calls = rec.Text();
    EXPECT_NE(calls.find("glLightfv(GL_LIGHT0, GL_POSITION, {4, 3, 15, 1})"), std::string::npos) << calls;
    EXPECT_EQ(lights.ShowCount, 1);
}

TEST_F(InteractionTest, DeleteKeyDeletesTheCurrentObjectOnRelease)
{
    view->AddCube(0, 0);
    view->AddCube(5, 5);
    view->setFocus();
    QTest::keyPress(view, Qt::Key_Delete);
    EXPECT_EQ(view->Objects().size(), 2u) << "nothing happens on press";
    QTest::keyRelease(view, Qt::Key_Delete);
    EXPECT_EQ(Ids(view), (std::vector<int>{1}));
    QTest::keyClick(view, Qt::Key_Delete);
    EXPECT_EQ(Ids(view), (std::vector<int>{1})) << "no current object: nothing";
}

TEST_F(InteractionTest, MouseDragsWorkThroughRealEvents)
{
    view->AddCube(0, 0);
    view->SetTool(mtTranslate);
    const QPoint from = Pixel(0, 0), to = Pixel(4, 2);
    QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(view, to);
    QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, to);
    float x, y;
    view->GetCurrentObject()->GetXY(x, y);
    EXPECT_FLOAT_EQ(x, 4);
    EXPECT_FLOAT_EQ(y, 2);
    EXPECT_TRUE(view->MouseText().startsWith(QStringLiteral("Tools - mouse at X: 4.000000, Y: 2.000000")));
}

TEST_F(InteractionTest, AnimationTicksSpinTheCameraInWholeDegreesAndObjectsWithFolds)
{
    struct Case {
        int flag, step;
        float start, after;
    };
    const Case camera[] = {{afCameraY, 5, 357.5f, 2},
                           {afCameraY, 5, -7.9f, -2},
                           {afCameraX, 20, 340, 0},
                           {afCameraZ, 7, 0.9f, 7}};
    for (const Case& c : camera) {
        view->ClearAnimateFlag(afCameraX | afCameraY | afCameraZ);
        view->SetAnimateFlag(c.flag);
        view->SetAnimateStep(c.step);
        view->SetCameraRotation(c.flag == afCameraX ? c.start : 0, c.flag == afCameraY ? c.start : 0,
                                c.flag == afCameraZ ? c.start : 0);
        view->tmrAnimationTimer();
        float x, y, z;
        view->GetCameraRotation(x, y, z);
        const float got = c.flag == afCameraX ? x : c.flag == afCameraY ? y : z;
        EXPECT_FLOAT_EQ(got, c.after) << "flag " << c.flag << " from " << c.start;
    }

    view->ClearAnimateFlag(afCameraX | afCameraY | afCameraZ);
    view->SetCameraRotation(20, 20, 0);
    view->AddCube(0, 0);
    view->AddCube(5, 5);
    TGLObject* first = view->Objects()[0];
    TGLObject* second = view->Objects()[1];
    first->RotateXY(358, 0);
    second->RotateXY(355, 0);
    view->SetAnimateFlag(afObjectX);
    view->SetAnimateStep(5);
    view->tmrAnimationTimer();
    EXPECT_FLOAT_EQ(Rotation(first)[0], 3);
    EXPECT_FLOAT_EQ(Rotation(second)[0], 360);
    view->tmrAnimationTimer();
    EXPECT_FLOAT_EQ(Rotation(second)[0], 5);

    view->ClearAnimateFlag(afObjectX);
    view->SetAnimateFlag(afObjectZ);
    view->SetAnimateStep(12);
    view->tmrAnimationTimer();
    EXPECT_FLOAT_EQ(Rotation(first)[2], 12);
    EXPECT_FLOAT_EQ(Rotation(second)[2], 12);
    float x, y, z;
    view->GetCameraRotation(x, y, z);
    EXPECT_EQ((std::array<float, 3>{x, y, z}), (std::array<float, 3>{20, 20, 0})) << "the camera stays";
}

TEST_F(InteractionTest, TheAnimationTimerRunsUntilStopped)
{
    EXPECT_FALSE(view->IsAnimating());
    EXPECT_EQ(view->GetAnimationInterval(), 1);
    EXPECT_EQ(view->GetAnimateStep(), 5);
    view->SetAnimateFlag(afCameraY);
    view->SetAnimationInterval(5);
    view->EnableAnimation(true);
    EXPECT_TRUE(view->IsAnimating());
    float x, y, z;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        view->GetCameraRotation(x, y, z);
        return y >= 40;
    }));
    view->EnableAnimation(false);
    EXPECT_FALSE(view->IsAnimating());
    view->GetCameraRotation(x, y, z);
    const float stopped = y;
    QTest::qWait(30);
    view->GetCameraRotation(x, y, z);
    EXPECT_EQ(y, stopped);
}

namespace {

// Writes a polygon object of one triangle spanning width x height.
QString WriteTriangle(const QTemporaryDir& dir, const char* name, float width, float height)
{
    const QString base = dir.filePath(QString::fromLatin1(name));
    QFile coor(base + ".coor"), poly(base + ".poly");
    EXPECT_TRUE(coor.open(QIODevice::WriteOnly));
    coor.write(QString::asprintf("3\n1,0,0,0\n2,%g,0,0\n3,0,%g,3\n", width, height).toLatin1());
    EXPECT_TRUE(poly.open(QIODevice::WriteOnly));
    poly.write("1\nf 1 2 3\n");
    return base + ".coor";
}

} // namespace

TEST_F(InteractionTest, LoadedObjectsShrinkToFitAndFailedLoadsChangeNothing)
{
    QTemporaryDir dir;
    struct Case {
        const char* name;
        float width, height, scale;
    };
    for (const Case& c : {Case{"wide", 80, 20, 0.5f}, Case{"small", 30, 10, 1}, Case{"point", 0, 0, 1},
                          Case{"tall", 10, 160, 0.25f}}) {
        ASSERT_TRUE(view->LoadPolyObject(WriteTriangle(dir, c.name, c.width, c.height)));
        TGLObject* loaded = view->GetCurrentObject();
        EXPECT_EQ(Scale(loaded), (std::array<float, 3>{c.scale, c.scale, c.scale})) << c.name;
        float x, y, r, g, b;
        loaded->GetXY(x, y);
        EXPECT_EQ(x, 0);
        loaded->GetColor(r, g, b);
        EXPECT_EQ(g, 1);
    }
    EXPECT_TRUE(view->GetIgnoreMouseMove());
    const QPoint p = Pixel(3, 3);
    const QString readout = view->MouseText();
    view->FormMouseMove(Qt::NoButton, Qt::NoModifier, p.x(), p.y());
    EXPECT_EQ(view->MouseText(), readout) << "the first move after a load is swallowed";
    EXPECT_FALSE(view->GetIgnoreMouseMove());

    TGLObject* current = view->GetCurrentObject();
    const std::size_t count = view->Objects().size();
    const QString missing = dir.filePath(QStringLiteral("missing.coor"));
    EXPECT_FALSE(view->LoadPolyObject(missing));
    EXPECT_EQ(messages.Plain, QStringList{"Failed to open file " + missing});
    EXPECT_EQ(view->Objects().size(), count);
    EXPECT_EQ(view->GetCurrentObject(), current);
}

TEST_F(InteractionTest, DeleteAllAndCopyLeaveNothingToDragOrCopy)
{
    view->RenderScene(GL_RENDER);
    const QImage empty = ReadFrame(view);
    view->AddCube(3, -4);
    TGLObject* original = view->GetCurrentObject();
    original->RotateXY(30, 40);
    view->CopyCurrent();
    EXPECT_EQ(Ids(view), (std::vector<int>{1, 2}));
    TGLObject* copy = view->GetCurrentObject();
    ASSERT_NE(copy, original) << "the copy becomes the current object";
    EXPECT_TRUE(TObjectState::Capture(*copy) == TObjectState::Capture(*original))
        << "in the same place and shape";
    QUndoStack* undo = view->Document()->UndoStack();
    const int steps = undo->count();

    view->DeleteAll();
    EXPECT_TRUE(view->Objects().empty());
    EXPECT_EQ(view->GetCurrentObject(), nullptr);
    EXPECT_EQ(undo->count(), steps + 1);
    EXPECT_EQ(undo->undoText(), QStringLiteral("Delete All"));
    EXPECT_TRUE(SamePicture(ReadFrame(view), empty)) << "the frame shows no object";

    // With nothing current, copying, deleting and dragging do nothing and record nothing.
    const TViewState camera = view->Document()->View();
    view->CopyCurrent();
    view->DeleteCurrent();
    for (TMouseTool tool : {mtScale, mtTranslate, mtRotate}) {
        view->SetTool(tool);
        Drag(0, 0, 5, 5, Qt::LeftButton);
        Drag(0, 0, 5, 5, Qt::RightButton);
    }
    EXPECT_TRUE(view->Objects().empty());
    EXPECT_EQ(undo->count(), steps + 1);
    EXPECT_TRUE(view->Document()->View() == camera);
    view->RenderScene(GL_RENDER);
    EXPECT_TRUE(SamePicture(ReadFrame(view), empty));

    // Undoing the deletion brings both back as they were.
    view->Undo();
    ASSERT_EQ(Ids(view), (std::vector<int>{1, 2}));
    float x, y;
    view->Objects()[1]->GetXY(x, y);
    EXPECT_EQ((std::array<float, 2>{x, y}), (std::array<float, 2>{3, -4}));
    EXPECT_EQ(Rotation(view->Objects()[1]), (std::array<float, 3>{30, 40, 0}));
}

TEST_F(InteractionTest, SetDetailAllChangesEveryIcosahedron)
{
    view->AddIcosahedron(0, 0);
    view->AddCube(5, 5);
    view->AddIcosahedron(-5, 5);
    view->SetDetailAll(1);
    EXPECT_EQ(static_cast<TGLIcosahedron*>(view->Objects()[0])->GetDepth(), 1);
    EXPECT_EQ(static_cast<TGLIcosahedron*>(view->Objects()[2])->GetDepth(), 1);
    view->SetDetailAll(9);
    EXPECT_EQ(static_cast<TGLIcosahedron*>(view->Objects()[0])->GetDepth(), 1);
}

TEST_F(InteractionTest, ADragInSeveralMovesEndsWhereOneMoveEndsAndIsOneUndoStep)
{
    struct Case {
        const char* what;
        TMouseTool tool;
        Qt::MouseButtons buttons;
        Qt::KeyboardModifiers shift;
        bool rotateXY;
        const char* step; // the undo step's text
    };
    const Case cases[] = {
        {"scale", mtScale, Qt::LeftButton, Qt::NoModifier, true, "Scale"},
        {"scale in depth", mtScale, Qt::RightButton, Qt::NoModifier, true, "Scale"},
        {"scale evenly", mtScale, Qt::LeftButton, Qt::ShiftModifier, true, "Scale"},
        {"move", mtTranslate, Qt::LeftButton, Qt::NoModifier, true, "Move"},
        {"move in depth", mtTranslate, Qt::RightButton, Qt::NoModifier, true, "Move"},
        {"rotate about x and y", mtRotate, Qt::LeftButton, Qt::NoModifier, true, "Rotate"},
        {"rotate about z and y", mtRotate, Qt::LeftButton, Qt::NoModifier, false, "Rotate"},
        {"turn the camera about x and y", mtCameraRotate, Qt::LeftButton, Qt::NoModifier, true,
         "Rotate Camera"},
        {"turn the camera about z and y", mtCameraRotate, Qt::LeftButton, Qt::NoModifier, false,
         "Rotate Camera"},
        {"move the camera", mtCameraTranslate, Qt::LeftButton, Qt::NoModifier, true, "Move Camera"},
        {"move the camera in depth", mtCameraTranslate, Qt::RightButton, Qt::NoModifier, true, "Move Camera"},
    };
    view->AddCube(2, 1);
    QUndoStack* undo = view->Document()->UndoStack();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        view->SetTool(c.tool);
        view->SetRotateXY(c.rotateXY);
        const std::array<float, 15> start = Pose();
        const int steps = undo->index();

        // Back and forth past the end point, then to it.
        DragAlong({{0, 0}, {3, 1}, {8, -2}, {-1, 4}, {6, 3}}, c.buttons, c.shift);
        const std::array<float, 15> several = Pose();
        EXPECT_NE(several, start) << "the drag changes something";
        EXPECT_EQ(undo->index(), steps + 1) << "one step for the whole drag";
        EXPECT_EQ(undo->count(), steps + 1);
        EXPECT_EQ(undo->undoText(), QString::fromLatin1(c.step));
        view->Undo();
        EXPECT_EQ(Pose(), start) << "undo goes back to where the drag started";

        DragAlong({{0, 0}, {6, 3}}, c.buttons, c.shift);
        const std::array<float, 15> one = Pose();
        for (std::size_t i = 0; i < one.size(); ++i)
            EXPECT_NEAR(several[i], one[i], 1e-3) << "component " << i;
        view->Undo();
        EXPECT_EQ(Pose(), start);
    }
}

TEST_F(InteractionTest, EveryCameraChangeRebuildsTheProjectionOfTheFrameItDraws)
{
    view->AddCube(0, 0);
    const QPoint start = Pixel(0, 0);
    auto press = [this, start](TMouseTool tool) {
        view->SetTool(tool);
        view->FormMouseDown(Qt::LeftButton, Qt::NoModifier, start.x(), start.y());
    };
    auto move = [this](Qt::MouseButtons buttons, float vx, float vy) {
        const QPoint p = Pixel(vx, vy);
        view->FormMouseMove(buttons, Qt::NoModifier, p.x(), p.y());
    };
    auto release = [this, start] { view->FormMouseUp(Qt::LeftButton, Qt::NoModifier, start.x(), start.y()); };
    auto nothing = [] {};
    struct Case {
        const char* what;
        std::function<void()> prepare, act, finish;
    };
    const Case cases[] = {
        {"turning the camera", [&] { press(mtCameraRotate); }, [&] { move(Qt::LeftButton, 4, 2); }, release},
        {"turning the camera further",
         [&] {
             press(mtCameraRotate);
             move(Qt::LeftButton, 4, 2);
         },
         [&] { move(Qt::LeftButton, 7, -1); }, release},
        {"turning the camera about z",
         [&] {
             view->SetRotateXY(false);
             press(mtCameraRotate);
         },
         [&] { move(Qt::LeftButton, -3, 5); },
         [&] {
             release();
             view->SetRotateXY(true);
         }},
        {"moving the camera", [&] { press(mtCameraTranslate); }, [&] { move(Qt::LeftButton, 3, -2); },
         release},
        {"moving the camera in depth", [&] { press(mtCameraTranslate); },
         [&] { move(Qt::RightButton, 0, 5); }, release},
        {"Reset Axis", [&] { view->SetCameraRotation(50, 60, 70); }, [&] { view->ResetAxis(); }, nothing},
        {"an animation tick",
         [&] {
             view->SetAnimateFlag(afCameraX | afCameraY | afCameraZ);
             view->SetAnimateStep(7);
         },
         [&] { view->tmrAnimationTimer(); },
         [&] { view->ClearAnimateFlag(afCameraX | afCameraY | afCameraZ); }},
        {"undoing a camera drag",
         [&] {
             press(mtCameraRotate);
             move(Qt::LeftButton, 5, 1);
             release();
         },
         [&] { view->Undo(); }, nothing},
        {"a standard view", nothing, [&] { view->ShowStandardView(TfrmPlot::StandardView::Top); }, nothing},
    };
    for (bool perspective : {false, true}) {
        view->SetPerspective(perspective);
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (perspective ? ", perspective" : ", orthographic"));
            c.prepare();
            const std::array<float, 15> before = Pose();
            gl::RecordingDevice rec;
            {
                gl::ScopedDevice scope(rec);
                c.act();
            }
            const std::array<float, 15> after = Pose();
            c.finish();
            EXPECT_NE(std::vector<float>(before.begin() + kCameraRotation, before.end()),
                      std::vector<float>(after.begin() + kCameraRotation, after.end()))
                << "the camera moves";

            float l, r, b, t;
            view->GetViewExtents(l, r, b, t);
            using gl::FormatFloat;
            std::string expected = "glMatrixMode(GL_PROJECTION)\nglLoadIdentity()\n";
            expected += perspective ? "gluPerspective(60, 1, 0.1, 200)\nglTranslatef(0, 0, -30)\n"
                                    : "glOrtho(" + FormatFloat(l) + ", " + FormatFloat(r) + ", " +
                                          FormatFloat(b) + ", " + FormatFloat(t) + ", -30, 30)\n";
            expected += "glTranslatef(" + FormatFloat(after[kCameraTranslation]) + ", " +
                        FormatFloat(after[kCameraTranslation + 1]) + ", " +
                        FormatFloat(after[kCameraTranslation + 2]) + ")\n";
            expected += "glRotatef(" + FormatFloat(after[kCameraRotation]) + ", 1, 0, 0)\n";
            expected += "glRotatef(" + FormatFloat(after[kCameraRotation + 1]) + ", 0, 1, 0)\n";
            expected += "glRotatef(" + FormatFloat(after[kCameraRotation + 2]) + ", 0, 0, 1)\n";
            expected += "glMatrixMode(GL_MODELVIEW)\n";
            const std::string calls = rec.Text();
            const std::size_t projection = calls.rfind(expected);
            const std::size_t frame = calls.rfind("glClear(");
            EXPECT_NE(frame, std::string::npos) << "a frame is drawn";
            if (projection == std::string::npos)
                ADD_FAILURE() << "no projection for the new camera in\n" << calls;
            else
                EXPECT_LT(projection, frame) << "the frame is drawn with the new camera";
        }
    }
}

TEST_F(InteractionTest, SelectClicksFindObjectsWhereTheyAreDrawnInEitherProjection)
{
    view->SetDrawAxis(false);
    struct Placed {
        const char* what;
        float x, y;
        int color;  // as the Output panel gives it: 0xBBGGRR
        QRgb shown; // as it is drawn
    };
    const Placed quads[] = {
        {"red quad", -14, 12, 0x0000FF, qRgb(255, 0, 0)},
        {"blue quad", 13, 13, 0xFF0000, qRgb(0, 0, 255)},
        {"magenta quad", 12, -12, 0xFF00FF, qRgb(255, 0, 255)},
        {"yellow quad", -13, -13, 0x00FFFF, qRgb(255, 255, 0)},
    };
    std::vector<TGLObject*> objects;
    for (const Placed& q : quads) {
        TGLObject* quad = view->AddObject(std::make_unique<TTestShape>(q.x, q.y));
        quad->SetColor(q.color);
        quad->GrowScale(2, 2, 2, false);
        objects.push_back(quad);
    }
    view->SetMouseForTesting(2, -2);
    view->AddLight(); // a wire box, nearer than the quads
    objects.push_back(view->GetCurrentObject());
    const QRgb lightShown = qRgb(0, 255, 255);
    view->SetTool(mtSelect);

    // Where each object shows: its pixel nearest to the middle of all its pixels.
    auto findShown = [this](QRgb colour) {
        view->Document()->SetCurrent(nullptr);
        view->RenderScene(GL_RENDER);
        const QImage frame = ReadFrame(view);
        std::vector<QPoint> at;
        QPointF sum;
        for (int y = 0; y < frame.height(); ++y)
            for (int x = 0; x < frame.width(); ++x)
                if (frame.pixel(x, y) == colour) {
                    at.emplace_back(x, y);
                    sum += QPointF(x, y);
                }
        if (at.empty())
            return QPoint(-1, -1);
        const QPointF middle = sum / static_cast<qreal>(at.size());
        return *std::min_element(at.begin(), at.end(), [&](QPoint a, QPoint b) {
            return QLineF(a, middle).length() < QLineF(b, middle).length();
        });
    };
    std::vector<QPoint> orthographic;
    for (bool perspective : {false, true}) {
        view->SetPerspective(perspective);
        for (std::size_t i = 0; i < objects.size(); ++i) {
            const bool light = i == objects.size() - 1;
            SCOPED_TRACE(std::string(light ? "light" : quads[i].what) +
                         (perspective ? ", perspective" : ", orthographic"));
            const QPoint shown = findShown(light ? lightShown : quads[i].shown);
            ASSERT_GE(shown.x(), 0) << "the object is in view";
            if (!perspective)
                orthographic.push_back(shown);
            else
                EXPECT_GT(QLineF(shown, orthographic[i]).length(), 5) << "the projections place it apart";
            lights.Enabled = false;
            lights.ShowCount = 0;
            // The frame is in device pixels, the mouse in device-independent ones.
            const QPoint click = (QPointF(shown) / view->devicePixelRatioF()).toPoint();
            QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, click);
            EXPECT_EQ(view->GetCurrentObject(), objects[i]);
            EXPECT_EQ(lights.Enabled, light) << "the light options go with the light";
            EXPECT_EQ(lights.ShowCount, light ? 1 : 0);
        }
        // The background selects nothing.
        view->Document()->SetCurrent(objects[0]);
        QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, QPoint(200, 200));
        EXPECT_EQ(view->GetCurrentObject(), nullptr);
    }
}

TEST_F(InteractionTest, ObjectSpinsTurnEveryObjectAboutTheirAxisOnly)
{
    struct Case {
        int flag;
        std::size_t axis;
    };
    for (const Case& c : {Case{afObjectX, 0}, Case{afObjectY, 1}, Case{afObjectZ, 2}}) {
        SCOPED_TRACE(c.flag);
        view->DeleteAll();
        view->AddCube(0, 0);
        view->AddCube(5, 5);
        TGLObject* first = view->Objects()[0];
        TGLObject* second = view->Objects()[1];
        first->RotateXY(10, 20);
        first->RotateZY(30, 0);
        const std::array<float, 3> folding{c.axis == 0 ? 357.f : 0, c.axis == 1 ? 357.f : 0,
                                           c.axis == 2 ? 357.f : 0};
        second->RotateXY(folding[0], folding[1]);
        second->RotateZY(folding[2], 0);
        view->ClearAnimateFlag(afObjectX | afObjectY | afObjectZ | afCameraX | afCameraY | afCameraZ);
        view->SetAnimateFlag(c.flag);
        view->SetAnimateStep(5);
        view->SetCameraRotation(20, 20, 0);

        view->tmrAnimationTimer();
        std::array<float, 3> firstAfter{10, 20, 30}, secondAfter{0, 0, 0};
        firstAfter[c.axis] += 5;
        secondAfter[c.axis] = 2; // 357 + 5 folds back once
        EXPECT_EQ(Rotation(first), firstAfter);
        EXPECT_EQ(Rotation(second), secondAfter);
        float x, y, z;
        view->GetCameraRotation(x, y, z);
        EXPECT_EQ((std::array<float, 3>{x, y, z}), (std::array<float, 3>{20, 20, 0})) << "the camera stays";
    }
}

TEST_F(InteractionTest, EachToolKeySetsItsToolAndHomeResetsTheCamera)
{
    struct Case {
        int key;
        Qt::KeyboardModifiers shift;
        TMouseTool tool;
    };
    const Case cases[] = {
        {Qt::Key_C, Qt::NoModifier, mtCube},
        {Qt::Key_Q, Qt::NoModifier, mtSelect},
        {Qt::Key_P, Qt::NoModifier, mtPlane},
        {Qt::Key_Y, Qt::NoModifier, mtPyramid},
        {Qt::Key_I, Qt::NoModifier, mtIcosahedron},
        {Qt::Key_L, Qt::NoModifier, mtAddLight},
        {Qt::Key_W, Qt::NoModifier, mtTranslate},
        {Qt::Key_X, Qt::NoModifier, mtDelete},
        {Qt::Key_R, Qt::NoModifier, mtScale},
        {Qt::Key_E, Qt::NoModifier, mtRotate},
        {Qt::Key_M, Qt::NoModifier, mtCameraTranslate},
        {Qt::Key_O, Qt::NoModifier, mtCameraRotate},
        {Qt::Key_Escape, Qt::NoModifier, mtSelect},
        {Qt::Key_C, Qt::ShiftModifier, mtCube}, // a capital letter is the same key
        // Keys with Ctrl or Alt belong to the menus and leave the tool alone.
        {Qt::Key_W, Qt::ControlModifier, mtCube},
        {Qt::Key_R, Qt::AltModifier, mtCube},
        {Qt::Key_Z, Qt::NoModifier, mtCube}, // no tool
    };
    int changes = 0;
    QObject::connect(view, &TfrmPlot::ToolChanged, view, [&] { ++changes; });
    TMouseTool last = view->GetTool();
    int expectedChanges = 0;
    for (const Case& c : cases) {
        QTest::keyClick(view, static_cast<Qt::Key>(c.key), c.shift);
        EXPECT_EQ(view->GetTool(), c.tool) << QKeySequence(c.key | c.shift).toString().toStdString();
        expectedChanges += c.tool != last;
        last = c.tool;
        // The key each tool button's tip names chooses that tool.
        if (c.shift == Qt::NoModifier && c.key != Qt::Key_Escape && c.key != Qt::Key_Z) {
            EXPECT_EQ(TfrmPlot::ToolKey(c.tool), c.key);
        }
    }
    EXPECT_EQ(changes, expectedChanges) << "one notice per real change";

    view->SetCameraRotation(70, -30, 5);
    view->ZoomBy(2, 100, 100);
    QTest::keyClick(view, Qt::Key_Home);
    float x, y, z;
    view->GetCameraRotation(x, y, z);
    EXPECT_EQ(std::vector<float>({x, y, z}), std::vector<float>({20, 20, 0})) << "as Reset Axis";
    view->GetCameraTranslation(x, y, z);
    EXPECT_EQ(std::vector<float>({x, y, z}), std::vector<float>({0, 0, 0}));
}

TEST_F(InteractionTest, TheWheelZoomsAboutThePointer)
{
    struct Case {
        QPoint pointer;
        int delta;   // eighths of a degree; one notch is 120
        float scale; // the extents' width afterwards against before
    };
    const Case cases[] = {{QPoint(300, 100), 120, 1 / 1.25f},
                          {QPoint(50, 350), 240, 1 / (1.25f * 1.25f)},
                          {QPoint(200, 200), -120, 1.25f},
                          {QPoint(120, 80), 30, 1}}; // less than a notch does nothing
    for (const Case& c : cases) {
        float l0, r0, b0, t0;
        view->GetViewExtents(l0, r0, b0, t0);
        // The scene point under the pointer: view point less the camera offset.
        float vx0, vy0, cx0, cy0, cz;
        view->MouseToView(c.pointer.x(), c.pointer.y(), vx0, vy0);
        view->GetCameraTranslation(cx0, cy0, cz);
        QWheelEvent wheel(QPointF(c.pointer), QPointF(view->mapToGlobal(c.pointer)), QPoint(),
                          QPoint(0, c.delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(view, &wheel);
        float l1, r1, b1, t1;
        view->GetViewExtents(l1, r1, b1, t1);
        EXPECT_NEAR((r1 - l1) / (r0 - l0), c.scale, 1e-4) << c.delta;
        EXPECT_NEAR((t1 - b1) / (t0 - b0), c.scale, 1e-4) << c.delta;
        float vx1, vy1, cx1, cy1;
        view->MouseToView(c.pointer.x(), c.pointer.y(), vx1, vy1);
        view->GetCameraTranslation(cx1, cy1, cz);
        // The scene point at a view point: zoom scales about the centre, then the camera shifts it.
        const float zoomRatio = (r0 - l0) / (r1 - l1);
        EXPECT_NEAR(vx1 - cx1, vx0 - cx0, 1e-3 * zoomRatio + 1e-3) << c.delta;
        EXPECT_NEAR(vy1 - cy1, vy0 - cy0, 1e-3 * zoomRatio + 1e-3) << c.delta;
    }
}
