// SPDX-License-Identifier: GPL-3.0-or-later
// The frame's commands on scene documents and the tool buttons that act on
// the active view.
#include "Globals.h"
#include "StartedFrame.h"
#include "Startup.h"
#include "TGLCube.h"
#include "TGLPolyObject.h"
#include "TMainForm.h"
#include "TestSupport.h"
#include "TfrmPictureProperty.h"
#include "TfrmPlot.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QUndoStack>

#include <gtest/gtest.h>

namespace {

class FileCommandsTest : public StartedFrameTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        StartedFrameTest::SetUp();
        if (HasFatalFailure())
            return;
        // Recent files go to a settings file of the test's own.
        KeepRecentFilesIn(MainForm, dir.filePath(QStringLiteral("corvane.INI")));
    }
    void TearDown() override
    {
        corvane::SetFileNameChooser(nullptr);
        StartedFrameTest::TearDown();
    }

    QString SavedScene(const QString& name, int cubes)
    {
        const QString file = dir.filePath(name);
        TSceneDocument doc;
        for (int i = 0; i < cubes; ++i)
            doc.AddObject(std::make_unique<TGLCube>(static_cast<float>(i), 0), QStringLiteral("Place"));
        QString error;
        EXPECT_TRUE(doc.Save(file, error)) << error.toStdString();
        return file;
    }

    QTemporaryDir dir;
    MessageRecorder messages;
};

} // namespace

TEST_F(FileCommandsTest, OpenSaveAndTheRecentFiles)
{
    const QString scene = SavedScene(QStringLiteral("bracket.cvs"), 2);
    corvane::SetFileNameChooser([&](bool save, const QString&, const QString& filter) {
        EXPECT_TRUE(filter.contains(QStringLiteral("*.cvs")));
        return save ? dir.filePath(QStringLiteral("copy")) : scene;
    });
    // The untouched first view takes the scene.
    MainForm->Action("FileOpen1")->trigger();
    EXPECT_EQ(Captions(), QStringList{"Fig.1 \u2014 bracket.cvs"});
    EXPECT_EQ(frmPlot->Objects().size(), 2u);
    // A view with a scene is left alone: the next file opens in a new view.
    ASSERT_TRUE(MainForm->OpenFile(scene));
    EXPECT_EQ(Captions(), QStringList({"Fig.1 \u2014 bracket.cvs", "Fig.2 \u2014 bracket.cvs"}));

    TfrmPlot* view = MainForm->ActiveView();
    view->AddCube(5, 5);
    MainForm->Action("FileSaveAs1")->trigger();
    EXPECT_EQ(view->windowTitle(), QStringLiteral("Fig.2 \u2014 copy.cvs")) << "the extension is added";
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("copy.cvs"))));
    EXPECT_EQ(MainForm->RecentFiles(),
              QStringList({dir.filePath(QStringLiteral("copy.cvs")), QFileInfo(scene).absoluteFilePath()}));
    ASSERT_EQ(MainForm->Menu("RecentMenu")->actions().size(), 2);
    EXPECT_EQ(MainForm->Menu("RecentMenu")->actions()[0]->text(), QStringLiteral("&1 copy.cvs"));

    // A coordinate file opens as a polygon object in a view of its own.
    ASSERT_TRUE(MainForm->OpenFile(QStringLiteral(CORVANE_SAMPLES_DIR "/torus.coor")));
    EXPECT_EQ(Captions().size(), 3);
    EXPECT_EQ(MainForm->ActiveView()->Objects().size(), 1u);

    // Any mesh format the import reads opens the same way.
    const QString obj = dir.filePath(QStringLiteral("tri.obj"));
    QFile mesh(obj);
    ASSERT_TRUE(mesh.open(QIODevice::WriteOnly));
    mesh.write("v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nf 1 2 4 3\n");
    mesh.close();
    ASSERT_TRUE(MainForm->OpenFile(obj));
    EXPECT_EQ(Captions().size(), 4);
    ASSERT_EQ(MainForm->ActiveView()->Objects().size(), 1u);
    EXPECT_EQ(static_cast<TGLPolyObject*>(MainForm->ActiveView()->Objects()[0])->GetFaceCount(), 1);

    // What cannot be opened says so and leaves no view behind.
    const QString junk = dir.filePath(QStringLiteral("junk.cvs"));
    QFile f(junk);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a scene");
    f.close();
    EXPECT_FALSE(MainForm->OpenFile(junk));
    EXPECT_FALSE(MainForm->OpenFile(dir.filePath(QStringLiteral("missing.cvs"))));
    EXPECT_EQ(Captions().size(), 4);
    ASSERT_EQ(messages.Plain.size(), 2);
    EXPECT_TRUE(messages.Plain[0].contains(junk));
    EXPECT_TRUE(messages.Plain[1].contains(QStringLiteral("missing.cvs")));
}

TEST_F(FileCommandsTest, RecentFilesAreKeptInTheirOwnSectionOfTheSettingsFile)
{
    const QString ini = dir.filePath(QStringLiteral("corvane.INI"));
    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("; the user's own notes\r\n[Show Window]\r\nWorkspace = 1\r\n");
    f.close();
    KeepRecentFilesIn(MainForm, ini);
    QStringList files;
    for (int i = 0; i < 10; ++i) {
        files.prepend(SavedScene(QStringLiteral("scene%1.cvs").arg(i), 0));
        ASSERT_TRUE(MainForm->OpenFile(files.first()));
    }
    files = files.mid(0, 8);
    EXPECT_EQ(MainForm->RecentFiles(), files);
    ASSERT_TRUE(MainForm->OpenFile(files[3])) << "opened again, a file moves to the top";
    files.move(3, 0);
    EXPECT_EQ(MainForm->RecentFiles(), files);

    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    f.close();
    EXPECT_TRUE(bytes.startsWith(
        "; the user's own notes\r\n[Show Window]\r\nWorkspace = 1\r\n[Recent Files]\r\nFile1="))
        << bytes.toStdString();
    // A frame started later finds the same list.
    MainForm->SetRecentFilesStore({}, {});
    EXPECT_TRUE(MainForm->RecentFiles().isEmpty());
    KeepRecentFilesIn(MainForm, ini);
    EXPECT_EQ(MainForm->RecentFiles(), files);
}

TEST_F(FileCommandsTest, DroppedFilesOpen)
{
    const QString scene = SavedScene(QStringLiteral("dropped.cvs"), 1);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(scene)});
    QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(MainForm, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(MainForm, &drop);
    EXPECT_EQ(Captions(), QStringList{"Fig.1 \u2014 dropped.cvs"}) << messages.Plain.join('\n').toStdString();
}

TEST_F(FileCommandsTest, ClosingTheProgramAsksAboutEachModifiedViewAndCancelStopsIt)
{
    MainForm->Action("FileNew1")->trigger();
    frmPlot->AddCube(0, 0);
    MainForm->ActiveView()->AddCube(0, 0);
    messages.PromptAnswer = corvane::SaveChoice::Cancel;
    EXPECT_FALSE(MainForm->close());
    EXPECT_EQ(messages.Prompts, QStringList{"Fig.2"}) << "newest first; cancel stops at once";
    EXPECT_TRUE(MainForm->isVisible());
    messages.Prompts.clear();
    messages.PromptAnswer = corvane::SaveChoice::Discard;
    EXPECT_TRUE(MainForm->close());
    EXPECT_EQ(messages.Prompts, QStringList({"Fig.2", "Fig.1"}));
}

TEST_F(FileCommandsTest, ToolButtonsActOnTheActiveView)
{
    TfrmPlot* view = frmPlot;
    view->AddCube(10, 10);
    view->AddCube(14, 12);
    auto rotation = [view] {
        float x, y, z;
        view->GetCameraRotation(x, y, z);
        return std::array<float, 3>{x, y, z};
    };
    struct Case {
        QToolButton* button;
        std::array<float, 3> camera;
    };
    const Case cameras[] = {
        {MainForm->ToolButton("tbLeft1"), {0, 90, 0}},
        {MainForm->ToolButton("tbRight1"), {0, -90, 0}},
        {MainForm->ToolButton("tbTop1"), {90, 0, 0}},
        {MainForm->ToolButton("tbDown1"), {-90, 0, 0}},
    };
    for (const Case& c : cameras) {
        c.button->click();
        EXPECT_EQ(rotation(), c.camera) << c.button->objectName().toStdString();
        EXPECT_FALSE(c.button->toolTip().isEmpty());
    }
    MainForm->Action("EditUndo1")->trigger();
    EXPECT_EQ(rotation(), (std::array<float, 3>{90, 0, 0})) << "each camera button is one undo step";

    float l0, r0, b0, t0;
    view->GetViewExtents(l0, r0, b0, t0);
    MainForm->ToolButton("tbZoomIn1")->click();
    float l, r, b, t;
    view->GetViewExtents(l, r, b, t);
    EXPECT_FLOAT_EQ(r, r0 / 1.25f);

    // Zoom to fit centres the two cubes; pressed again, it goes back.
    MainForm->ToolButton("tbZoom1")->click();
    EXPECT_TRUE(MainForm->ToolButton("tbZoom1")->isChecked());
    float cx, cy, cz;
    view->GetCameraTranslation(cx, cy, cz);
    EXPECT_NEAR(cx, -12, 1e-3) << "seen from the top, the cubes span x from 7.5 to 16.5";
    view->GetViewExtents(l, r, b, t);
    EXPECT_LT(r - l, r0 - l0);
    MainForm->ToolButton("tbZoom1")->click();
    EXPECT_FALSE(MainForm->ToolButton("tbZoom1")->isChecked());
    view->GetViewExtents(l, r, b, t);
    EXPECT_FLOAT_EQ(r, r0 / 1.25f);

    MainForm->ToolButton("tbClear1")->click();
    EXPECT_TRUE(view->Objects().empty());
    MainForm->Action("EditUndo1")->trigger();
    EXPECT_EQ(view->Objects().size(), 2u) << "clearing is undone";
    MainForm->Action("EditClear1")->trigger();
    EXPECT_TRUE(view->Objects().empty());
}

TEST_F(FileCommandsTest, PicturePropertiesChangeTheActiveViewInOneStep)
{
    TfrmPictureProperty::Runner() = [](TfrmPictureProperty& dialog) {
        dialog.rbPerspective->setChecked(true);
        dialog.chkbxWireFrame->setChecked(true);
        dialog.chkbxAxes->setChecked(false);
        dialog.SetBackColor(QColor(0, 0, 255));
        dialog.seWidth->setValue(240);
        dialog.seHeight->setValue(180);
        return true;
    };
    const int steps = frmPlot->Document()->UndoStack()->count();
    MainForm->Action("SetPictureProperty1")->trigger();
    TfrmPictureProperty::Runner() = [](TfrmPictureProperty& dialog) {
        return dialog.exec() == QDialog::Accepted;
    };
    EXPECT_TRUE(frmPlot->GetPerspective());
    EXPECT_TRUE(frmPlot->GetWireFrame());
    EXPECT_FALSE(frmPlot->GetDrawAxis());
    EXPECT_EQ(frmPlot->size(), QSize(240, 180));
    EXPECT_EQ(ReadPixel(frmPlot, 3, 3), QColor(0, 0, 255));
    EXPECT_EQ(frmPlot->Document()->UndoStack()->count(), steps + 1);
    MainForm->Action("EditUndo1")->trigger();
    EXPECT_FALSE(frmPlot->GetPerspective());
    EXPECT_TRUE(frmPlot->GetDrawAxis());
}
