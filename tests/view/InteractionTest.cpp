// SPDX-License-Identifier: GPL-3.0-or-later
#include "InteractionFixture.h"

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
