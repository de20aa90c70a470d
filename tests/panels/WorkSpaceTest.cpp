// SPDX-License-Identifier: GPL-3.0-or-later
#include "FrameFixture.h"
#include "Globals.h"
#include "Prompts.h"
#include "Startup.h"
#include "TColorGrid.h"
#include "TGLIcosahedron.h"
#include "TGLLight.h"
#include "TMainForm.h"
#include "TestSupport.h"
#include "TfrmOutPut.h"
#include "TfrmPlot.h"
#include "TfrmWorkSpace.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QUndoStack>

#include <gtest/gtest.h>

#include <functional>

namespace {

class WorkSpaceTest : public FrameTest {
protected:
    void SetUp() override
    {
        FrameTest::SetUp();
        ws = frmWorkSpace;
    }

    std::vector<QWidget*> EnabledLightControls() const
    {
        std::vector<QWidget*> enabled;
        for (QWidget* w : ws->grpbxLightStuff->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            if (w->isEnabled() && !w->objectName().isEmpty() && !qobject_cast<QLabel*>(w))
                enabled.push_back(w);
        return enabled;
    }

    TfrmWorkSpace* ws = nullptr;
};

} // namespace

TEST_F(WorkSpaceTest, StartsDockedOnTheToolsPageWithLightOptionsOff)
{
    EXPECT_EQ(MainForm->dockWidgetArea(ws), Qt::LeftDockWidgetArea);
    EXPECT_EQ(ws->PageControl1->currentIndex(), 0);
    EXPECT_EQ(ws->PageControl1->tabText(0), QStringLiteral("&Tools"));
    EXPECT_EQ(ws->PageControl1->tabText(1), QStringLiteral("Animation"));
    EXPECT_EQ(ws->PageControl1->tabText(2), QStringLiteral("Light Options"));
    EXPECT_EQ(EnabledLightControls(), std::vector<QWidget*>{ws->chkbkLights});
    for (QToolButton* b : ws->PageControl1->widget(0)->findChildren<QToolButton*>()) {
        EXPECT_FALSE(b->icon().isNull()) << b->objectName().toStdString();
        // Exactly the tool buttons stay pressed, the active view's tool among them.
        EXPECT_EQ(b->isCheckable(), ws->ToolGroup->buttons().contains(b)) << b->objectName().toStdString();
    }
    EXPECT_EQ(ws->ToolGroup->buttons().size(), 12);
    EXPECT_EQ(ws->ToolGroup->checkedButton(), ws->sbSelect);
    EXPECT_EQ(ws->sbSelect->statusTip(), QStringLiteral("Do Nothing (Q or Esc)"));
    EXPECT_EQ(ws->sbCamaraRotate->toolTip(), QStringLiteral("rotate the camera (O)"));
    EXPECT_EQ(ws->btnResetAxis->toolTip(), QStringLiteral("Reset the Axis (Home)"));
}

TEST_F(WorkSpaceTest, AToolReachesOnlyTheViewActiveAtTheClick)
{
    Activate(second);
    ws->sbCube->click();
    EXPECT_EQ(second->GetTool(), mtCube);
    EXPECT_EQ(first->GetTool(), mtSelect);
    ClickView(first, 0, 0);
    EXPECT_TRUE(first->Objects().empty()) << "the first view kept its own tool";
    ClickView(second, 0, 0);
    EXPECT_EQ(second->Objects().size(), 1u);

    Activate(first);
    ws->rdbtnPerspective->click();
    ws->chkbxWireFrame->click();
    ws->chkbxDrawAxis->click();
    ws->chkbxRotateXY->click();
    EXPECT_TRUE(first->GetPerspective());
    EXPECT_TRUE(first->GetWireFrame());
    EXPECT_FALSE(first->GetDrawAxis());
    EXPECT_FALSE(first->GetRotateXY());
    EXPECT_FALSE(second->GetPerspective());
    EXPECT_TRUE(second->GetDrawAxis());
}

TEST_F(WorkSpaceTest, TheRedBarWritesTheChosenComponentOfTheCurrentLight)
{
    first->SetTool(mtAddLight);
    ClickView(first, 5, 5);
    auto* light = static_cast<TGLLight*>(first->GetCurrentObject());
    ASSERT_NE(light, nullptr);
    EXPECT_TRUE(ws->trkbrRedLight->isEnabled());

    ws->rdbtnDiffuse->click();
    ws->trkbrRedLight->setValue(0);
    ws->trkbrRedLight->setValue(255);
    float r, g, b;
    light->GetLightColor(1, r, g, b);
    EXPECT_EQ(r, 1);
    EXPECT_EQ(ws->lblRed->text(), QStringLiteral("255"));
    ws->trkbrRedLight->setValue(128);
    EXPECT_EQ(ws->lblRed->text(), QStringLiteral("128"));

    // With a cube current only the label follows the bar.
    first->AddCube(-10, -10);
    light->GetLightColor(1, r, g, b);
    const float before = r;
    ws->trkbrRedLight->setValue(10);
    EXPECT_EQ(ws->lblRed->text(), QStringLiteral("10"));
    light->GetLightColor(1, r, g, b);
    EXPECT_EQ(r, before);
}

TEST_F(WorkSpaceTest, SelectingALightShowsItsValuesAndABackgroundClickDisablesTheOptions)
{
    first->SetTool(mtAddLight);
    ClickView(first, 5, 5);
    auto* light = static_cast<TGLLight*>(first->GetCurrentObject());
    light->SetLightColor(0, 0.2f, 0.4f, 0.6f);
    light->SetW(0);
    first->AddCube(-10, -10); // something else current
    // Look straight down the z axis, so that the light (at z = 15) shows where it was placed.
    first->SetCameraRotation(0, 0, 0);
    first->UpdateProjection();
    ws->rdbtnSpecular->click();
    ws->rdbtnAmbient->click();

    first->SetTool(mtSelect);
    ClickView(first, 5 + 3.3f / 2, 5); // on the right edge of the light's wire cube
    ASSERT_EQ(first->GetCurrentObject(), light);
    EXPECT_EQ(ws->trkbrRedLight->value(), 51);
    EXPECT_EQ(ws->trkbrGreenLight->value(), 102);
    EXPECT_EQ(ws->trkbrBlueLight->value(), 153);
    EXPECT_TRUE(ws->rdbtnAmbient->isChecked());
    EXPECT_TRUE(ws->chkbxDirectionalSrc->isChecked());
    EXPECT_TRUE(light->IsDirectional());

    ws->chkbxDirectionalSrc->click();
    EXPECT_FALSE(light->IsDirectional()) << "clearing the box makes the light positional";

    ClickView(first, 17, -17);
    EXPECT_EQ(first->GetCurrentObject(), nullptr);
    EXPECT_EQ(EnabledLightControls(), std::vector<QWidget*>{ws->chkbkLights});

    ws->chkbkLights->click();
    EXPECT_TRUE(first->GetLighting());
    EXPECT_FALSE(second->GetLighting());
}

TEST_F(WorkSpaceTest, SubdivisionTextsApplyOnlyWholeNonNegativeCounts)
{
    first->AddIcosahedron(0, 0);
    first->AddIcosahedron(8, 8);
    struct Case {
        const char* text;
        int depth;
        const char* textAfter;
        const char* error;
    };
    // Once applied, the edit shows the level the view's icosahedra have.
    const Case cases[] = {{"-2", 3, "0", ""},
                          {"5", 5, "5", ""},
                          {"9", 5, "5", ""},
                          {"abc", 5, "abc", "'abc' is not a valid integer value"},
                          {" 2 ", 2, "2", ""}};
    for (const Case& c : cases) {
        messages.Errors.clear();
        ws->edtSubdivisions->setText(QString::fromLatin1(c.text));
        ws->spdbtnApply->click();
        for (TGLObject* o : first->Objects())
            EXPECT_EQ(static_cast<TGLIcosahedron*>(o)->GetDepth(), c.depth) << c.text;
        EXPECT_EQ(ws->edtSubdivisions->text(), QString::fromLatin1(c.textAfter));
        EXPECT_EQ(messages.Errors.join(QString()), QString::fromLatin1(c.error));
    }
    messages.Errors.clear();
}

TEST_F(WorkSpaceTest, AnimationControlsDriveTheActiveView)
{
    ws->btnStartStop->click();
    EXPECT_TRUE(first->IsAnimating());
    EXPECT_EQ(ws->btnStartStop->text(), QStringLiteral("Stop Animation"));
    ws->btnStartStop->click();
    EXPECT_FALSE(first->IsAnimating());
    EXPECT_EQ(ws->btnStartStop->text(), QStringLiteral("Start Animation"));

    ws->chkbxWorldY->click();
    ws->chkbxObjectZ->click();
    EXPECT_EQ(first->GetAnimateFlags(), afCameraY | afObjectZ);
    ws->chkbxWorldY->click();
    EXPECT_EQ(first->GetAnimateFlags(), afObjectZ);
    EXPECT_EQ(second->GetAnimateFlags(), 0);

    ws->trkbarStepSize->setValue(12);
    ws->trkbrTimerInterval->setValue(80);
    EXPECT_EQ(first->GetAnimateStep(), 12);
    EXPECT_EQ(first->GetAnimationInterval(), 80);
    EXPECT_EQ(second->GetAnimationInterval(), 1);
}

TEST_F(WorkSpaceTest, LoadObjectNeedsThePolyFileBesideTheChosenFile)
{
    QTemporaryDir dir;
    const QString shape = dir.filePath(QStringLiteral("shape.coor"));
    QFile coor(shape);
    ASSERT_TRUE(coor.open(QIODevice::WriteOnly));
    coor.write("3\n1,0,0,0\n2,1,0,0\n3,0,1,0\n");
    coor.close();

    ws->LoadObjectFile(shape);
    EXPECT_EQ(messages.Plain,
              QStringList{"Poly file " + dir.filePath(QStringLiteral("shape.poly")) + " can not be found!"});
    EXPECT_TRUE(first->Objects().empty());

    QFile poly(dir.filePath(QStringLiteral("shape.poly")));
    ASSERT_TRUE(poly.open(QIODevice::WriteOnly));
    poly.write("1\nf 1 2 3\n");
    poly.close();
    ws->LoadObjectFile(shape);
    EXPECT_EQ(first->Objects().size(), 1u);
    EXPECT_TRUE(second->Objects().empty());
    EXPECT_EQ(messages.Plain.size(), 1);
}

TEST_F(WorkSpaceTest, WithoutAViewEveryHandlerDoesNothing)
{
    first->SubWindow()->close();
    second->SubWindow()->close();
    ASSERT_TRUE(QTest::qWaitFor([] { return MainForm->ActiveView() == nullptr; }));
    for (QToolButton* b : ws->findChildren<QToolButton*>())
        if (b != ws->btnLoadObject)
            b->click();
    ws->btnStartStop->click();
    ws->chkbxWorldX->click();
    ws->trkbrRedLight->setValue(200);
    ws->chkbkLights->click();
    ws->LoadObjectFile(QStringLiteral(CORVANE_SAMPLES_DIR "/torus.coor"));
    EXPECT_TRUE(messages.Plain.isEmpty());
    EXPECT_TRUE(messages.Errors.isEmpty());
}

TEST_F(WorkSpaceTest, LoadObjectReadsMeshFilesAsOneObjectPerMeshOrGivesTheirMessage)
{
    QTemporaryDir dir;
    auto write = [&](const char* name, const QByteArray& text) {
        QFile file(dir.filePath(QLatin1String(name)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        return file.fileName();
    };
    // Two meshes, together 80 units wide: both shrink by the same factor, so
    // they keep their places against each other.
    ws->LoadObjectFile(write("two.obj", "o a\nv 0 0 0\nv 40 0 0\nv 0 1 0\nf 1 2 3\n"
                                        "o b\nv 40 0 0\nv 80 0 0\nv 40 1 0\nf 4 5 6\n"));
    ASSERT_EQ(first->Objects().size(), 2u) << messages.Plain.join(QLatin1Char('\n')).toStdString();
    for (TGLObject* obj : first->Objects()) {
        float x, y, z;
        obj->GetScale(x, y, z);
        EXPECT_FLOAT_EQ(x, 0.5f);
    }
    EXPECT_EQ(first->GetCurrentObject(), first->Objects().back());

    const QString broken = write("broken.stl", "solid x\nfacet normal 0 0 0\nouter loop\nvertex 0 0");
    ws->LoadObjectFile(broken);
    EXPECT_EQ(first->Objects().size(), 2u);
    ASSERT_EQ(messages.Plain.size(), 1);
    EXPECT_TRUE(messages.Plain[0].startsWith(QStringLiteral("Could not load ") + broken));
    EXPECT_TRUE(second->Objects().empty());

    // A file of no mesh format with a face file beside it is still our pair.
    write("plain.poly", "1\nf 1 2 3\n");
    ws->LoadObjectFile(write("plain", "3\n1,0,0,0\n2,1,0,0\n3,0,1,0\n"));
    EXPECT_EQ(first->Objects().size(), 3u);
    EXPECT_EQ(messages.Plain.size(), 1);
}

TEST_F(WorkSpaceTest, TheControlsShowEachActiveViewsValuesWithoutChangingEither)
{
    // The first view set up unlike the defaults; the second is new.
    first->SetTool(mtCube);
    first->SetPerspective(true);
    first->SetWireFrame(true);
    first->SetDrawAxis(false);
    first->SetRotateXY(false);
    first->SetAnimateFlag(afCameraY | afObjectZ);
    first->SetAnimationInterval(40);
    first->SetAnimateStep(12);
    first->SetLighting(true);
    first->AddIcosahedron(0, 0);
    first->SetDetailAll(5);
    first->SetTool(mtAddLight);
    ClickView(first, 5, 5);
    auto* light = static_cast<TGLLight*>(first->GetCurrentObject());
    ASSERT_NE(light, nullptr);
    light->SetLightColor(0, 0.2f, 0.4f, 0.6f);
    light->SetW(0);
    first->SetTool(mtCube);

    struct Row {
        const char* control;
        std::function<int()> shown;
        int inFirst;
        int inSecond;
    };
    auto checked = [](QAbstractButton* b) { return [b] { return b->isChecked() ? 1 : 0; }; };
    auto value = [](QSlider* s) { return [s] { return s->value(); }; };
    const Row rows[] = {
        {"pressed tool", [this] { return ws->ToolGroup->checkedId(); }, mtCube, mtSelect},
        {"cube tool pressed", checked(ws->sbCube), 1, 0},
        {"Orthographic", checked(ws->rdbtnOrtho), 0, 1},
        {"Perspective", checked(ws->rdbtnPerspective), 1, 0},
        {"Wire Frame", checked(ws->chkbxWireFrame), 1, 0},
        {"Rotate about X-Y", checked(ws->chkbxRotateXY), 0, 1},
        {"Draw Axis", checked(ws->chkbxDrawAxis), 0, 1},
        {"subdivisions", [this] { return ws->edtSubdivisions->text().toInt(); }, 5, 3},
        {"camera spin X", checked(ws->chkbxWorldX), 0, 0},
        {"camera spin Y", checked(ws->chkbxWorldY), 1, 0},
        {"object spin Z", checked(ws->chkbxObjectZ), 1, 0},
        {"timer interval", value(ws->trkbrTimerInterval), 40, 1},
        {"interval label",
         [this] { return ws->lblTimerInterval->text() == QStringLiteral("40 ms") ? 40 : 1; }, 40, 1},
        {"step", value(ws->trkbarStepSize), 12, 5},
        {"Lights Are On", checked(ws->chkbkLights), 1, 0},
        {"light red", value(ws->trkbrRedLight), 51, 0},
        {"light blue", value(ws->trkbrBlueLight), 153, 0},
        {"red label", [this] { return ws->lblRed->text().toInt(); }, 51, 0},
        {"Directional", checked(ws->chkbxDirectionalSrc), 1, 0},
        {"light options on", [this] { return ws->trkbrRedLight->isEnabled() ? 1 : 0; }, 1, 0},
    };
    // Showing a view must not act on it: neither its history nor its state moves.
    const int firstSteps = first->Document()->UndoStack()->count();
    const int secondSteps = second->Document()->UndoStack()->count();
    const TViewState firstState = first->Document()->View();
    const TViewState secondState = second->Document()->View();
    float before[3];
    light->GetLightColor(0, before[0], before[1], before[2]);

    for (int round = 0; round < 2; ++round) {
        Activate(second);
        for (const Row& r : rows)
            EXPECT_EQ(r.shown(), r.inSecond) << r.control << " for the new view, round " << round;
        Activate(first);
        for (const Row& r : rows)
            EXPECT_EQ(r.shown(), r.inFirst) << r.control << " for the first view, round " << round;
    }
    EXPECT_EQ(first->Document()->UndoStack()->count(), firstSteps);
    EXPECT_EQ(second->Document()->UndoStack()->count(), secondSteps);
    EXPECT_TRUE(first->Document()->View() == firstState);
    EXPECT_TRUE(second->Document()->View() == secondState);
    EXPECT_EQ(first->GetTool(), mtCube);
    EXPECT_EQ(second->GetTool(), mtSelect);
    EXPECT_EQ(first->GetAnimationInterval(), 40);
    float after[3];
    light->GetLightColor(0, after[0], after[1], after[2]);
    EXPECT_EQ(std::vector<float>(after, after + 3), std::vector<float>(before, before + 3));
    EXPECT_TRUE(light->IsDirectional());

    // Changes made in the view itself (a key, undo) show at once.
    QTest::keyClick(first, Qt::Key_W);
    EXPECT_TRUE(ws->sbTranslate->isChecked());
    first->Document()->UndoStack()->setIndex(0);
    EXPECT_TRUE(ws->rdbtnOrtho->isChecked()) << "undone to the defaults";
    EXPECT_EQ(ws->trkbrTimerInterval->value(), 1);
    EXPECT_TRUE(ws->chkbxDrawAxis->isChecked());
}

TEST_F(WorkSpaceTest, ANewViewStartsWithTheDefaultsThePanelShows)
{
    first->SetPerspective(true);
    first->SetAnimateFlag(afCameraX);
    first->SetAnimationInterval(90);
    ASSERT_TRUE(ws->rdbtnPerspective->isChecked());
    MainForm->Action("FileNew1")->trigger();
    TfrmPlot* fresh = MainForm->ActiveView();
    ASSERT_NE(fresh, first);
    ASSERT_TRUE(WaitForContext(fresh));
    // What is ticked is what the new view does.
    EXPECT_EQ(ws->ToolGroup->checkedId(), fresh->GetTool());
    EXPECT_TRUE(ws->rdbtnOrtho->isChecked());
    EXPECT_FALSE(fresh->GetPerspective());
    EXPECT_FALSE(ws->chkbxWorldX->isChecked());
    EXPECT_EQ(fresh->GetAnimateFlags(), 0);
    EXPECT_EQ(ws->trkbrTimerInterval->value(), fresh->GetAnimationInterval());
    EXPECT_EQ(ws->trkbarStepSize->value(), fresh->GetAnimateStep());
    EXPECT_EQ(ws->lblStepSize->text(), QStringLiteral("5\u00B0"));
    EXPECT_EQ(ws->btnStartStop->text(), QStringLiteral("Start Animation"));
}

TEST_F(WorkSpaceTest, ViewCommandsAreOffWithoutAViewAndSayWhy)
{
    TfrmOutPut* out = frmOutPut;
    const QList<QWidget*> needViews = {ws->sbCube,      ws->btnLoadObject,      ws->btnCopyCurrent,
                                       ws->rdbtnOrtho,  ws->trkbrTimerInterval, ws->btnStartStop,
                                       ws->chkbkLights, out->btnAddTexture,     out->btnApplyToCurrent,
                                       out->trkbrSpecR, out->btnApplySpecs,     out->chkbxLinear};
    for (QWidget* w : needViews)
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();

    first->SubWindow()->close();
    second->SubWindow()->close();
    ASSERT_TRUE(QTest::qWaitFor([] { return MainForm->ActiveView() == nullptr; }));
    for (QWidget* w : needViews) {
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
        EXPECT_TRUE(w->statusTip().startsWith(QStringLiteral("No view is open")))
            << w->objectName().toStdString();
    }
    EXPECT_EQ(ws->ToolGroup->checkedButton(), nullptr);
    EXPECT_TRUE(out->ColorGrid->isEnabled()) << "colours stay choosable for the next objects";
    EXPECT_TRUE(MainForm->Action("FileLoadObject")->isEnabled()) << "it opens a view itself";

    MainForm->Action("FileNew1")->trigger();
    ASSERT_NE(MainForm->ActiveView(), nullptr);
    for (QWidget* w : needViews) {
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
        EXPECT_FALSE(w->statusTip().startsWith(QStringLiteral("No view is open")))
            << w->objectName().toStdString();
    }
    EXPECT_EQ(ws->sbCube->statusTip(), QStringLiteral("Cube (C)"));
    // Light options still follow the current object, not just the open view.
    EXPECT_FALSE(ws->trkbrRedLight->isEnabled());
}

TEST_F(WorkSpaceTest, FileLoadObjectOpensAViewWhenNoneIsOpen)
{
    first->SubWindow()->close();
    second->SubWindow()->close();
    ASSERT_TRUE(QTest::qWaitFor([] { return MainForm->ActiveView() == nullptr; }));
    EXPECT_EQ(MainForm->Action("FileLoadObject")->shortcut(), QKeySequence(QStringLiteral("Ctrl+L")));
    EXPECT_TRUE(MainForm->Menu("FileMenu")->actions().contains(MainForm->Action("FileLoadObject")));

    QString answer = QStringLiteral(CORVANE_SAMPLES_DIR "/torus.coor");
    const corvane::FileNameChooser previous =
        corvane::SetFileNameChooser([&](bool save, const QString&, const QString&) {
            EXPECT_FALSE(save);
            return answer;
        });
    MainForm->Action("FileLoadObject")->trigger();
    TfrmPlot* view = MainForm->ActiveView();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->Objects().size(), 1u);
    EXPECT_EQ(MainForm->MdiArea()->subWindowList().size(), 1);

    // With a view open it loads there; a file that cannot be loaded leaves no
    // new empty view behind.
    MainForm->Action("FileLoadObject")->trigger();
    EXPECT_EQ(view->Objects().size(), 2u);
    view->SubWindow()->close();
    ASSERT_TRUE(QTest::qWaitFor([] { return MainForm->ActiveView() == nullptr; }));
    QTemporaryDir dir;
    answer = dir.filePath(QStringLiteral("lonely.coor"));
    QFile lonely(answer);
    ASSERT_TRUE(lonely.open(QIODevice::WriteOnly));
    lonely.close();
    MainForm->Action("FileLoadObject")->trigger();
    EXPECT_EQ(messages.Plain.size(), 1);
    QTest::qWait(20);
    EXPECT_EQ(MainForm->ActiveView(), nullptr);
    corvane::SetFileNameChooser(previous);
    messages.Plain.clear();
}

TEST_F(WorkSpaceTest, TheSettingsDecideWhichPanelsShowAtStartUp)
{
    struct Case {
        bool workspace, output;
    };
    for (const Case c : {Case{false, true}, Case{true, false}, Case{false, false}}) {
        DestroyApplicationWindows();
        CreateApplicationWindows();
        MainForm->ShowPanelsAsSet(c.workspace, c.output);
        MainForm->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(MainForm));
        QTest::qWait(10);
        EXPECT_EQ(frmWorkSpace->isVisible(), c.workspace);
        EXPECT_EQ(frmOutPut->isVisible(), c.output);
        EXPECT_EQ(MainForm->Action("WorkSpace1")->isChecked(), c.workspace)
            << "the View entries tell the truth";
        EXPECT_EQ(MainForm->Action("ViewOutput1")->isChecked(), c.output);
        // The View menu brings a hidden panel back.
        if (!c.workspace) {
            MainForm->Action("WorkSpace1")->trigger();
            EXPECT_TRUE(frmWorkSpace->isVisible());
        }
    }
}

TEST_F(WorkSpaceTest, TheMousePositionGoesToTheStatusBarAndTheCaptionKeepsTheName)
{
    QTest::mouseMove(first, FrameTest::Pixel(4, 2));
    ASSERT_TRUE(QTest::qWaitFor(
        [] { return MainForm->statusBar()->currentMessage().startsWith("Tools - mouse at"); }));
    EXPECT_EQ(MainForm->statusBar()->currentMessage(), first->MouseText());
    EXPECT_EQ(first->windowTitle(), QStringLiteral("Fig.1"));
}
