// SPDX-License-Identifier: GPL-3.0-or-later
// The camera through the mouse, the keys and the wheel: every change draws
// with the new projection, picks find objects where they are drawn.
#include "InteractionFixture.h"

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
