// SPDX-License-Identifier: GPL-3.0-or-later
// Moving about the scene with the middle button, the wheel and the F key,
// whatever the view's tool.
#include "SceneBounds.h"
#include "TGLObject.h"
#include "TestSupport.h"
#include "TfrmPlot.h"
#include "ViewPanels.h"

#include <QCoreApplication>
#include <QTest>
#include <QUndoStack>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <initializer_list>

namespace {

class NavigationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        view = host.AddView();
        ASSERT_TRUE(view->HasContext());
        // Ten pixels per view unit: the view spans -20..20 both ways.
        ResizeClient(view, 400, 400);
        ASSERT_EQ(view->size(), QSize(400, 400));
        view->AddCube(6, 2);
        view->AddCube(-4, -6);
        view->Objects()[1]->SetZ(4);
        view->Objects()[1]->RotateXY(30, 0);
    }
    void TearDown() override
    {
        EXPECT_TRUE(messages.Errors.isEmpty()) << messages.Errors.join('\n').toStdString();
    }

    static QPoint Pixel(float vx, float vy) { return QPoint(qRound((vx + 20) * 10), qRound((20 - vy) * 10)); }

    // A middle-button drag along a path in view coordinates, through the
    // view's handlers, with the keys held throughout.
    void MiddleDrag(std::initializer_list<QPointF> path, Qt::KeyboardModifiers keys)
    {
        const QPointF* p = path.begin();
        QPoint at = Pixel(static_cast<float>(p->x()), static_cast<float>(p->y()));
        view->FormMouseDown(Qt::MiddleButton, keys, at.x(), at.y());
        for (++p; p != path.end(); ++p) {
            at = Pixel(static_cast<float>(p->x()), static_cast<float>(p->y()));
            view->FormMouseMove(Qt::MiddleButton, keys, at.x(), at.y());
        }
        view->FormMouseUp(Qt::MiddleButton, keys, at.x(), at.y());
    }

    // Everything about the scene apart from the camera: each object's state,
    // the current object, the tool.
    struct Scene {
        std::vector<TObjectState> objects;
        TGLObject* current;
        TMouseTool tool;
        bool operator==(const Scene& o) const
        {
            return objects == o.objects && current == o.current && tool == o.tool;
        }
    };
    Scene SceneNow() const
    {
        Scene s{{}, view->GetCurrentObject(), view->GetTool()};
        for (TGLObject* obj : view->Objects())
            s.objects.push_back(TObjectState::Capture(*obj));
        return s;
    }

    // Where a scene point is before the projection: in front of the camera,
    // in view units (x and y are where it shows in the orthographic view).
    static QVector3D InCamera(const TViewState& v, const QVector3D& p)
    {
        return CameraRotationMatrix(v).map(p) +
               QVector3D(v.CameraTranslation[0], v.CameraTranslation[1], v.CameraTranslation[2]);
    }

    QVector3D SceneCentre() const
    {
        QVector3D lo, hi;
        EXPECT_TRUE(BoundsIn(QMatrix4x4(), view->Objects(), lo, hi));
        return (lo + hi) / 2;
    }

    MessageRecorder messages;
    ViewHost host;
    TfrmPlot* view = nullptr;
};

void ExpectNear(const std::array<float, 3>& got, const std::array<float, 3>& expected, const char* what)
{
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_NEAR(got[i], expected[i], 1e-3) << what << " " << i;
}

void ExpectNear(const QVector3D& got, const QVector3D& expected, const char* what)
{
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(got[i], expected[i], 1e-3) << what << " " << i;
}

} // namespace

TEST_F(NavigationTest, EachButtonAndKeyMovesOnlyTheCameraAsOneUndoStepWhateverTheTool)
{
    const float zoomStep = 1.25f;
    struct Case {
        const char* what;
        std::function<void()> act;
        // Checks the camera after against before.
        std::function<void(const TViewState& before, const TViewState& after)> check;
        const char* step;
    };
    const QVector3D centre = SceneCentre();
    auto orbits = [this, centre](const TViewState& before, const TViewState& after) {
        // 360 degrees across the 40 units of the view: 9 per unit, right
        // about y and up about x; z stays.
        ExpectNear(
            after.CameraRotation,
            {before.CameraRotation[0] - 3 * 9, before.CameraRotation[1] + 5 * 9, before.CameraRotation[2]},
            "rotation");
        ExpectNear(InCamera(after, centre), InCamera(before, centre), "the scene's centre stays");
        EXPECT_FLOAT_EQ(after.Zoom, before.Zoom);
    };
    const Case cases[] = {
        {"middle drag orbits about the scene's centre",
         [&] {
             MiddleDrag({{0, 0}, {2, 1}, {7, -4}, {5, -3}}, Qt::NoModifier);
         },
         orbits, "Orbit"},
        {"Alt plays no part: it still orbits",
         [&] {
             MiddleDrag({{0, 0}, {2, 1}, {7, -4}, {5, -3}}, Qt::AltModifier);
         },
         orbits, "Orbit"},
        {"Shift + middle drag pans with the mouse",
         [&] {
             MiddleDrag({{1, 1}, {4, 4}, {6, -2}}, Qt::ShiftModifier);
         },
         [](const TViewState& before, const TViewState& after) {
             ExpectNear(after.CameraRotation, before.CameraRotation, "rotation");
             // The scene follows the mouse: 50 pixels right and 30 down, in
             // the units of the zoomed view.
             ExpectNear(after.CameraTranslation,
                        {before.CameraTranslation[0] + 5 / before.Zoom,
                         before.CameraTranslation[1] - 3 / before.Zoom, before.CameraTranslation[2]},
                        "translation");
             EXPECT_FLOAT_EQ(after.Zoom, before.Zoom);
         },
         "Pan"},
        {"Ctrl + middle drag upwards zooms in about the point pressed",
         [&] {
             MiddleDrag({{4, -2}, {5, 0}, {3, 9}, {4, 6}}, Qt::ControlModifier);
         },
         [&](const TViewState& before, const TViewState& after) {
             // 80 pixels up: two wheel steps.
             EXPECT_NEAR(after.Zoom / before.Zoom, zoomStep * zoomStep, 1e-4);
             ExpectNear(after.CameraRotation, before.CameraRotation, "rotation");
             // The scene point under the pixel pressed (its view point less
             // the camera offset) stays there.
             EXPECT_NEAR(4 / after.Zoom - after.CameraTranslation[0],
                         4 / before.Zoom - before.CameraTranslation[0], 1e-3);
             EXPECT_NEAR(-2 / after.Zoom - after.CameraTranslation[1],
                         -2 / before.Zoom - before.CameraTranslation[1], 1e-3);
         },
         "Zoom"},
        {"Ctrl + middle drag downwards zooms out; with Shift too, Ctrl decides",
         [&] {
             MiddleDrag({{0, 3}, {0, -1}}, Qt::ControlModifier | Qt::ShiftModifier);
         },
         [&](const TViewState& before, const TViewState& after) {
             EXPECT_NEAR(after.Zoom / before.Zoom, 1 / zoomStep, 1e-4);
             ExpectNear(after.CameraRotation, before.CameraRotation, "rotation");
         },
         "Zoom"},
        {"the wheel zooms about the pointer",
         [&] {
             const QPoint at = Pixel(-5, 5);
             QWheelEvent wheel(QPointF(at), QPointF(view->mapToGlobal(at)), QPoint(), QPoint(0, 120),
                               Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
             QCoreApplication::sendEvent(view, &wheel);
         },
         [&](const TViewState& before, const TViewState& after) {
             EXPECT_NEAR(after.Zoom / before.Zoom, zoomStep, 1e-4);
             ExpectNear(after.CameraRotation, before.CameraRotation, "rotation");
         },
         "Zoom"},
        {"F frames the current object", [&] { QTest::keyClick(view, Qt::Key_F); },
         [&](const TViewState&, const TViewState& after) {
             // The current object's box, turned as the camera turns it, sits in
             // the middle and fills the view less a margin of a tenth.
             QVector3D lo, hi;
             ASSERT_TRUE(BoundsIn(CameraRotationMatrix(after), {view->GetCurrentObject()}, lo, hi));
             const QVector3D middle = (lo + hi) / 2;
             EXPECT_NEAR(middle.x() + after.CameraTranslation[0], 0, 1e-3);
             EXPECT_NEAR(middle.y() + after.CameraTranslation[1], 0, 1e-3);
             EXPECT_NEAR(std::max(hi.x() - lo.x(), hi.y() - lo.y()) / 2 * 1.1f * after.Zoom, 20, 1e-2);
         },
         "Frame Object"},
    };
    QUndoStack* undo = view->Document()->UndoStack();
    view->setFocus();
    for (int code = mtCube; code <= mtCameraTranslate; ++code) {
        view->SetTool(static_cast<unsigned char>(code));
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.what) + ", tool " + std::to_string(code));
            // A camera away from the start, so that nothing holds by chance.
            view->Document()->LiveView().CameraRotation = {35, -50, 10};
            view->Document()->LiveView().CameraTranslation = {1, -2, 3};
            view->Document()->LiveView().Zoom = 1.5f;
            view->Document()->Notify({TSceneChange::ViewChanged});
            const Scene scene = SceneNow();
            const TViewState before = view->Document()->View();
            const int steps = undo->index();

            c.act();
            const TViewState after = view->Document()->View();
            c.check(before, after);
            EXPECT_TRUE(SceneNow() == scene) << "the scene and the tool stay as they were";
            EXPECT_EQ(undo->index(), steps + 1) << "one step";
            EXPECT_EQ(undo->count(), steps + 1);
            EXPECT_EQ(undo->undoText(), QString::fromLatin1(c.step));
            float l, r, b, t;
            view->GetViewExtents(l, r, b, t);
            EXPECT_NEAR(r - l, 40 / after.Zoom, 1e-3) << "the extents follow the zoom";

            view->Undo();
            EXPECT_TRUE(view->Document()->View() == before) << "undo gives the camera back";
            EXPECT_TRUE(SceneNow() == scene);
        }
    }
}

TEST_F(NavigationTest, RealMiddleDragsOrbitAndAMiddleClickStaysTheToolsClick)
{
    view->SetTool(mtCube);
    QUndoStack* undo = view->Document()->UndoStack();
    const int steps = undo->index();
    const std::size_t objects = view->Objects().size();
    const TViewState before = view->Document()->View();
    QTest::mousePress(view, Qt::MiddleButton, Qt::NoModifier, Pixel(0, 0));
    QTest::mouseMove(view, Pixel(3, 0));
    QTest::mouseMove(view, Pixel(4, 0));
    QTest::mouseRelease(view, Qt::MiddleButton, Qt::NoModifier, Pixel(4, 0));
    EXPECT_EQ(view->Objects().size(), objects) << "a middle drag places nothing";
    EXPECT_NEAR(view->Document()->View().CameraRotation[1], before.CameraRotation[1] + 36, 1e-3);
    EXPECT_EQ(undo->index(), steps + 1);
    EXPECT_TRUE(view->MouseText().startsWith(QStringLiteral("Tools - mouse at X: 4.000000")))
        << "the read-out follows the mouse";

    // A press that wobbles less than a few pixels is a click: the tool places
    // its cube where the press was, and the camera stays.
    const TViewState orbited = view->Document()->View();
    const QPoint at = Pixel(-8, 5);
    view->FormMouseDown(Qt::MiddleButton, Qt::NoModifier, at.x(), at.y());
    view->FormMouseMove(Qt::MiddleButton, Qt::NoModifier, at.x() + 2, at.y() - 1);
    view->FormMouseUp(Qt::MiddleButton, Qt::NoModifier, at.x() + 2, at.y() - 1);
    ASSERT_EQ(view->Objects().size(), objects + 1);
    float x, y, cx, cy, cz;
    view->GetCurrentObject()->GetXY(x, y);
    view->GetCameraTranslation(cx, cy, cz);
    EXPECT_NEAR(x, -8 - cx, 1e-3);
    EXPECT_NEAR(y, 5 - cy, 1e-3);
    EXPECT_TRUE(view->Document()->View() == orbited);
}

TEST_F(NavigationTest, OtherButtonsWaitWhileNavigatingAndNavigationWaitsForADrag)
{
    view->SetTool(mtSelect);
    view->Document()->SetCurrent(nullptr);
    // While the middle button moves about the scene, a left click selects nothing.
    const QPoint cube = Pixel(6, 2);
    view->FormMouseDown(Qt::MiddleButton, Qt::ShiftModifier, 0, 0);
    view->FormMouseMove(Qt::MiddleButton, Qt::ShiftModifier, 0, 0);
    view->FormMouseDown(Qt::LeftButton, Qt::NoModifier, cube.x(), cube.y());
    view->FormMouseUp(Qt::MiddleButton, Qt::ShiftModifier, 0, 0);
    view->FormMouseUp(Qt::LeftButton, Qt::NoModifier, cube.x(), cube.y());
    EXPECT_EQ(view->GetCurrentObject(), nullptr);

    // A middle press during a left-button drag is the tool's, as any press is.
    view->SetTool(mtCameraTranslate);
    const TViewState before = view->Document()->View();
    QUndoStack* undo = view->Document()->UndoStack();
    const int steps = undo->index();
    const QPoint a = Pixel(0, 0), b = Pixel(3, 1);
    view->FormMouseDown(Qt::LeftButton, Qt::NoModifier, a.x(), a.y());
    view->FormMouseDown(Qt::MiddleButton, Qt::NoModifier, a.x(), a.y());
    view->FormMouseMove(Qt::LeftButton | Qt::MiddleButton, Qt::NoModifier, b.x(), b.y());
    view->FormMouseUp(Qt::MiddleButton, Qt::NoModifier, b.x(), b.y());
    view->FormMouseUp(Qt::LeftButton, Qt::NoModifier, b.x(), b.y());
    EXPECT_NEAR(view->Document()->View().CameraTranslation[0], before.CameraTranslation[0] + 3, 1e-3);
    EXPECT_NEAR(view->Document()->View().CameraTranslation[1], before.CameraTranslation[1] + 1, 1e-3);
    EXPECT_TRUE(view->Document()->View().CameraRotation == before.CameraRotation);
    EXPECT_EQ(undo->index(), steps + 1);
    EXPECT_EQ(undo->undoText(), QStringLiteral("Move Camera"));
}

TEST_F(NavigationTest, FFramesTheWholeSceneWithNothingCurrentAndNothingInAnEmptyOne)
{
    view->Document()->SetCurrent(nullptr);
    view->SetCameraRotation(0, 0, 0);
    view->setFocus();
    QTest::keyClick(view, Qt::Key_F);
    const TViewState& v = view->Document()->View();
    QVector3D lo, hi;
    ASSERT_TRUE(BoundsIn(QMatrix4x4(), view->Objects(), lo, hi));
    EXPECT_NEAR(v.CameraTranslation[0], -(lo.x() + hi.x()) / 2, 1e-3);
    EXPECT_NEAR(v.CameraTranslation[1], -(lo.y() + hi.y()) / 2, 1e-3);
    EXPECT_NEAR(std::max(hi.x() - lo.x(), hi.y() - lo.y()) / 2 * 1.1f * v.Zoom, 20, 1e-2);
    EXPECT_EQ(view->Document()->UndoStack()->undoText(), QStringLiteral("Frame Object"));

    // Ctrl+F belongs to the menus.
    view->SetCameraRotation(10, 10, 0);
    const TViewState turned = view->Document()->View();
    QTest::keyClick(view, Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(view->Document()->View() == turned);

    view->DeleteAll();
    const int steps = view->Document()->UndoStack()->index();
    const TViewState empty = view->Document()->View();
    QTest::keyClick(view, Qt::Key_F);
    EXPECT_TRUE(view->Document()->View() == empty);
    EXPECT_EQ(view->Document()->UndoStack()->index(), steps) << "nothing to frame, no step";
}

TEST_F(NavigationTest, ADragGoingOnAfterOneOfTwoButtonsIsReleasedIsUndoneAndRedoneWhole)
{
    // Both buttons down, one let go, the drag goes on with the other: every
    // change belongs to a step, so redo brings back where the drag ended.
    view->SetTool(mtTranslate);
    TGLObject* cube = view->Objects()[1];
    ASSERT_EQ(view->GetCurrentObject(), cube);
    const TObjectState start = TObjectState::Capture(*cube);
    const QPoint a = Pixel(0, 0), b = Pixel(2, 1), c = Pixel(5, 4);
    view->FormMouseDown(Qt::LeftButton, Qt::NoModifier, a.x(), a.y());
    view->FormMouseDown(Qt::RightButton, Qt::NoModifier, a.x(), a.y());
    view->FormMouseMove(Qt::LeftButton | Qt::RightButton, Qt::NoModifier, b.x(), b.y());
    view->FormMouseUp(Qt::RightButton, Qt::NoModifier, b.x(), b.y());
    view->FormMouseMove(Qt::LeftButton, Qt::NoModifier, c.x(), c.y());
    view->FormMouseUp(Qt::LeftButton, Qt::NoModifier, c.x(), c.y());
    const TObjectState end = TObjectState::Capture(*cube);
    ExpectNear(end.Position, {start.Position[0] + 5, start.Position[1] + 4, start.Position[2]}, "moved");

    QUndoStack* undo = view->Document()->UndoStack();
    while (undo->canUndo() && TObjectState::Capture(*cube) != start)
        view->Undo();
    EXPECT_TRUE(TObjectState::Capture(*cube) == start);
    while (undo->canRedo())
        view->Redo();
    EXPECT_TRUE(TObjectState::Capture(*cube) == end) << "redo ends where the drag ended";
}

TEST_F(NavigationTest, BoundsHoldEachKindOfObjectAsItIsDrawn)
{
    view->DeleteAll();
    struct Case {
        const char* what;
        std::function<void()> place;
        QVector3D lo, hi;
    };
    const Case cases[] = {
        {"a cube of scale 5 at (1, 2)",
         [&] { view->AddCube(1, 2); },
         {-1.5f, -0.5f, -2.5f},
         {3.5f, 4.5f, 2.5f}},
        {"a plane is flat in y", [&] { view->AddPlane(0, 0); }, {-10.5f, 0, -10.5f}, {10.5f, 0, 10.5f}},
        {"an icosahedron fills the sphere of its scale",
         [&] { view->AddIcosahedron(-3, 0); },
         {-8, -5, -5},
         {2, 5, 5}},
        {"a cube turned a quarter about y keeps its box",
         [&] {
             view->AddCube(0, 0);
             view->GetCurrentObject()->RotateXY(0, 90);
         },
         {-2.5f, -2.5f, -2.5f},
         {2.5f, 2.5f, 2.5f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        view->DeleteAll();
        c.place();
        QVector3D lo, hi;
        ASSERT_TRUE(BoundsIn(QMatrix4x4(), view->Objects(), lo, hi));
        ExpectNear(lo, c.lo, "low corner");
        ExpectNear(hi, c.hi, "high corner");
    }
    view->DeleteAll();
    QVector3D lo(7, 7, 7), hi(7, 7, 7);
    EXPECT_FALSE(BoundsIn(QMatrix4x4(), view->Objects(), lo, hi)) << "no object, no box";
    ExpectNear(lo, {7, 7, 7}, "left alone");
}
