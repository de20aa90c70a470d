#include "FrameFixture.h"
#include "Globals.h"
#include "Startup.h"
#include "TGLIcosahedron.h"
#include "TGLLight.h"
#include "TMainForm.h"
#include "TestSupport.h"
#include "TfrmPlot.h"
#include "TfrmWorkSpace.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

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
        EXPECT_FALSE(b->isCheckable()) << "no tool button stays pressed";
    }
    EXPECT_EQ(ws->sbSelect->statusTip(), QStringLiteral("Do Nothing"));
    EXPECT_EQ(ws->sbCamaraRotate->toolTip(), QStringLiteral("rotate the camera"));
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
    EXPECT_EQ(ws->lblRed->text(), QStringLiteral("1.000000"));
    ws->trkbrRedLight->setValue(128);
    EXPECT_EQ(ws->lblRed->text(), QStringLiteral("0.501961"));

    // With a cube current only the label follows the bar.
    first->AddCube(-10, -10);
    light->GetLightColor(1, r, g, b);
    const float before = r;
    ws->trkbrRedLight->setValue(10);
    EXPECT_EQ(ws->lblRed->text(), QStringLiteral("0.039216"));
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
    const Case cases[] = {{"-2", 3, "0", ""},
                          {"5", 5, "5", ""},
                          {"9", 5, "9", ""},
                          {"abc", 5, "abc", "'abc' is not a valid integer value"},
                          {" 2 ", 2, " 2 ", ""}};
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
