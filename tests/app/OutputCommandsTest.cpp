// SPDX-License-Identifier: GPL-3.0-or-later
#include "Globals.h"
#include "MeshImport.h"
#include "StartedFrame.h"
#include "Startup.h"
#include "TGLPolyObject.h"
#include "TMainForm.h"
#include "TestSupport.h"
#include "TfrmPlot.h"

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QPrintDialog>
#include <QPrinter>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

// The frame with its first view holding a cube, and the dialogs of the
// commands replaced by answers given in advance.
class OutputCommandsTest : public StartedFrameTest {
protected:
    void SetUp() override
    {
        StartedFrameTest::SetUp();
        if (HasFatalFailure())
            return;
        frmPlot->AddCube(0, 0);
        FSavedSave = TMainForm::SaveDialogRunner();
        FSavedSize = TMainForm::PictureSizeRunner();
        FSavedPrint = TMainForm::PrintDialogRunner();
        TMainForm::SaveDialogRunner() = [this](QWidget*, const QString&, const QStringList& filters,
                                               QString& filter) {
            filter = filters.value(static_cast<int>(chosenFilter));
            return chosenFile;
        };
    }
    void TearDown() override
    {
        TMainForm::SaveDialogRunner() = FSavedSave;
        TMainForm::PictureSizeRunner() = FSavedSize;
        TMainForm::PrintDialogRunner() = FSavedPrint;
        StartedFrameTest::TearDown();
    }

    QTemporaryDir dir;
    QString chosenFile;
    qsizetype chosenFilter = 0;

private:
    std::function<QString(QWidget*, const QString&, const QStringList&, QString&)> FSavedSave;
    std::function<bool(QWidget*, QSize&)> FSavedSize;
    std::function<bool(QPrintDialog&, QPrinter&)> FSavedPrint;
};

TEST_F(OutputCommandsTest, ExportWritesTheCurrentObjectInTheChosenFormat)
{
    chosenFile = dir.filePath(QStringLiteral("cube"));
    chosenFilter = 2; // STL
    MainForm->Action("FileExportObject")->trigger();
    QStringList loadMessages;
    const auto back = meshio::ImportMeshes(dir.filePath(QStringLiteral("cube.stl")),
                                           [&](const QString& m) { loadMessages << m; });
    ASSERT_EQ(back.size(), 1u) << loadMessages.join('\n').toStdString();
    EXPECT_EQ(back[0]->GetFaceCount(), 12);
    EXPECT_EQ(back[0]->GetVertexCount(), 8);

    // Without a current object there is nothing to export: a message says so.
    frmPlot->PickObject(2, 2);
    ASSERT_EQ(frmPlot->GetCurrentObject(), nullptr);
    chosenFile = dir.filePath(QStringLiteral("none.obj"));
    MainForm->Action("FileExportObject")->trigger();
    EXPECT_FALSE(QFile::exists(chosenFile));
    EXPECT_EQ(messages.Plain, QStringList{"Select the object to export first."});
}

// Export Object says in its dialog that it writes the current object; Export
// Scene writes every object of the view but its lights into one file.
TEST_F(OutputCommandsTest, ExportObjectAndExportSceneSayWhatTheyWrite)
{
    frmPlot->AddPyramid(5, 0);
    frmPlot->AddLight();
    QStringList captions;
    TMainForm::SaveDialogRunner() = [&](QWidget*, const QString& caption, const QStringList& filters,
                                        QString& filter) {
        captions << caption;
        filter = filters.value(1); // OBJ
        return chosenFile;
    };
    chosenFile = dir.filePath(QStringLiteral("scene"));
    MainForm->Action("FileExportScene")->trigger();
    QFile scene(dir.filePath(QStringLiteral("scene.obj")));
    ASSERT_TRUE(scene.open(QIODevice::ReadOnly));
    const QByteArray text = scene.readAll();
    EXPECT_TRUE(text.contains("\no cube_1\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("\no pyramid_2\n")) << text.toStdString();
    EXPECT_EQ(text.count("\no "), 2) << text.toStdString();
    EXPECT_EQ(MainForm->statusBar()->currentMessage(),
              QStringLiteral("Exported the scene to ") + dir.filePath(QStringLiteral("scene.obj")));

    chosenFile = dir.filePath(QStringLiteral("object"));
    MainForm->Action("FileExportObject")->trigger();
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("object.obj"))));
    EXPECT_EQ(captions, (QStringList{"Export Scene (every object but the lights)", "Export Current Object"}));
    EXPECT_TRUE(messages.Plain.isEmpty()) << messages.Plain.join('\n').toStdString();
}

TEST_F(OutputCommandsTest, SavePictureWritesTheChosenSizeAndCancellingWritesNothing)
{
    chosenFile = dir.filePath(QStringLiteral("view"));
    chosenFilter = 0; // PNG
    TMainForm::PictureSizeRunner() = [](QWidget*, QSize& size) {
        EXPECT_EQ(size, frmPlot->size());
        size = QSize(800, 500);
        return true;
    };
    MainForm->Action("FileSavePicture")->trigger();
    const QImage saved(dir.filePath(QStringLiteral("view.png")));
    EXPECT_EQ(saved.size(), QSize(800, 500));

    chosenFile = dir.filePath(QStringLiteral("cancelled.png"));
    TMainForm::PictureSizeRunner() = [](QWidget*, QSize&) { return false; };
    MainForm->Action("FileSavePicture")->trigger();
    EXPECT_FALSE(QFile::exists(chosenFile));
    EXPECT_TRUE(messages.Plain.isEmpty()) << messages.Plain.join('\n').toStdString();
}

TEST_F(OutputCommandsTest, CopyPutsABitmapOrAnSvgBesideABitmapOnTheClipboard)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    MainForm->CopyActiveView(true);
    const QMimeData* bitmapOnly = clipboard->mimeData();
    ASSERT_TRUE(bitmapOnly && bitmapOnly->hasImage());
    EXPECT_EQ(qvariant_cast<QImage>(bitmapOnly->imageData()).size(), frmPlot->size());
    EXPECT_FALSE(bitmapOnly->hasFormat(QStringLiteral("image/svg+xml")));

    clipboard->clear();
    MainForm->CopyActiveView(false);
    const QMimeData* both = clipboard->mimeData();
    ASSERT_TRUE(both && both->hasImage());
    EXPECT_TRUE(both->data(QStringLiteral("image/svg+xml")).contains("<svg"));

    // The menu entry and the tool button both copy.
    for (const auto& trigger : {std::function<void()>([] { MainForm->Action("CopyItem")->trigger(); }),
                                std::function<void()>([] { MainForm->ToolButton("tbCopy1")->click(); })}) {
        clipboard->clear();
        trigger();
        ASSERT_TRUE(clipboard->mimeData());
        EXPECT_TRUE(clipboard->mimeData()->hasImage());
    }
}

TEST_F(OutputCommandsTest, PrintingToAFileGivesAPdfAndCancellingPrintsNothing)
{
    const QString pdfName = dir.filePath(QStringLiteral("print.pdf"));
    TMainForm::PrintDialogRunner() = [&](QPrintDialog&, QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdfName);
        return true;
    };
    MainForm->Action("FilePrint")->trigger();
    QFile pdf(pdfName);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF-"));
    EXPECT_EQ(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r") + bytes.count("/Type /Page/") +
                  bytes.count("/Type /Page "),
              1);
    // The page holds the drawing as vectors: no image, and far from empty.
    EXPECT_FALSE(bytes.contains("/Subtype /Image"));
    EXPECT_GT(bytes.size(), 2000);

    const QString cancelledName = dir.filePath(QStringLiteral("cancelled.pdf"));
    TMainForm::PrintDialogRunner() = [&](QPrintDialog&, QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(cancelledName);
        return false;
    };
    MainForm->Action("FilePrint")->trigger();
    EXPECT_FALSE(QFile::exists(cancelledName));
    EXPECT_TRUE(messages.Plain.isEmpty()) << messages.Plain.join('\n').toStdString();
}

} // namespace
