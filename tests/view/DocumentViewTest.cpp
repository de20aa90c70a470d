// SPDX-License-Identifier: GPL-3.0-or-later
// A view drawing its scene document: what a saved scene looks like when it is
// opened again, the caption's file name and modified mark, and the question
// asked before unsaved changes are lost.
#include "TGLCube.h"
#include "TGLIcosahedron.h"
#include "TGLLight.h"
#include "TGLPlane.h"
#include "TGLPyramid.h"
#include "TestSupport.h"
#include "TfrmPlot.h"

#include <QMdiSubWindow>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class DocumentViewTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    void TearDown() override
    {
        corvane::SetFileNameChooser(nullptr);
        EXPECT_TRUE(messages.Errors.isEmpty()) << messages.Errors.join('\n').toStdString();
    }

    // The colours of a grid of pixels over the whole client area.
    static std::vector<QRgb> Picture(TfrmPlot* view)
    {
        view->RenderScene(GL_RENDER);
        std::vector<QRgb> pixels;
        for (int y = 5; y < view->height(); y += 10)
            for (int x = 5; x < view->width(); x += 10)
                pixels.push_back(ReadPixel(view, x, y).rgb());
        return pixels;
    }

    QTemporaryDir dir;
    MessageRecorder messages;
    ViewHost host;
};

} // namespace

TEST_F(DocumentViewTest, AnOpenedSceneDrawsTheSamePixelsAsTheSavedOne)
{
    TfrmPlot* first = host.AddView(QStringLiteral("Fig.1"));
    ResizeClient(first, 200, 160);
    first->SetTool(mtCube);
    first->AddCube(-8, 4);
    first->AddIcosahedron(6, -3);
    first->AddPyramid(-5, -9);
    first->AddPlane(9, 9);
    first->SetMouseForTesting(3, 2);
    first->AddLight();
    first->SetCurrentLightW(0);
    first->SetLighting(true);
    first->SetBackColor(0x203040);
    first->SetCameraRotation(35, -20, 5);
    first->ZoomBy(1.3f, 60, 50);
    first->Document()->SetCurrent(first->Document()->At(1));
    const std::vector<QRgb> saved = Picture(first);

    const QString file = dir.filePath(QStringLiteral("scene.cvs"));
    QString error;
    ASSERT_TRUE(first->Document()->Save(file, error)) << error.toStdString();
    TfrmPlot* second = host.AddView(QStringLiteral("Fig.2"));
    ResizeClient(second, 200, 160);
    // Only one set of light units exists: the first view's lights go first.
    delete first->SubWindow();
    ASSERT_TRUE(second->OpenDocument(file));
    EXPECT_TRUE(messages.Plain.isEmpty()) << messages.Plain.join('\n').toStdString();
    EXPECT_EQ(Picture(second), saved);
}

TEST_F(DocumentViewTest, TheCaptionShowsTheFileAndUnsavedChanges)
{
    TfrmPlot* view = host.AddView(QStringLiteral("Fig.2"));
    EXPECT_EQ(view->windowTitle(), QStringLiteral("Fig.2"));
    view->AddCube(0, 0);
    EXPECT_EQ(view->windowTitle(), QStringLiteral("Fig.2 *"));
    const QString file = dir.filePath(QStringLiteral("bracket.cvs"));
    corvane::SetFileNameChooser(
        [&](bool save, const QString&, const QString&) { return save ? file : QString(); });
    ASSERT_TRUE(view->SaveDocument(false));
    EXPECT_EQ(view->windowTitle(), QStringLiteral("Fig.2 \u2014 bracket.cvs"));
    view->Undo();
    EXPECT_EQ(view->windowTitle(), QStringLiteral("Fig.2 \u2014 bracket.cvs *"));
    view->Redo();
    EXPECT_EQ(view->windowTitle(), QStringLiteral("Fig.2 \u2014 bracket.cvs")) << "back at the saved state";
    // The mouse position no longer replaces the caption.
    view->FormMouseMove(Qt::NoButton, Qt::NoModifier, 10, 10);
    EXPECT_EQ(view->windowTitle(), QStringLiteral("Fig.2 \u2014 bracket.cvs"));
    EXPECT_TRUE(view->MouseText().startsWith(QStringLiteral("Tools - mouse at X: ")));
}

TEST_F(DocumentViewTest, ClosingAModifiedViewAsksToSaveDiscardOrCancel)
{
    struct Case {
        corvane::SaveChoice answer;
        bool chooserAnswers; // the save dialog gives a name (false: cancelled)
        bool closes;
        bool fileWritten;
    };
    const Case cases[] = {
        {corvane::SaveChoice::Cancel, true, false, false},
        {corvane::SaveChoice::Discard, true, true, false},
        {corvane::SaveChoice::Save, true, true, true},
        {corvane::SaveChoice::Save, false, false, false},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(n);
        const QString file = dir.filePath(QStringLiteral("closing%1.cvs").arg(n++));
        corvane::SetFileNameChooser(
            [&](bool, const QString&, const QString&) { return c.chooserAnswers ? file : QString(); });
        TfrmPlot* view = host.AddView(QStringLiteral("Fig.5"));
        view->AddCube(1, 1);
        messages.Prompts.clear();
        messages.PromptAnswer = c.answer;
        QPointer<QMdiSubWindow> frame = view->SubWindow();
        frame->close();
        QTest::qWait(10);
        EXPECT_EQ(messages.Prompts, QStringList{"Fig.5"}) << "the name, without the unsaved mark";
        EXPECT_EQ(frame.isNull(), c.closes);
        EXPECT_EQ(QFile::exists(file), c.fileWritten);
        if (frame) {
            // Saved or not, an unmodified view closes without asking.
            view->Document()->UndoStack()->setClean();
            messages.Prompts.clear();
            frame->close();
            ASSERT_TRUE(QTest::qWaitFor([&] { return frame.isNull(); }));
            EXPECT_TRUE(messages.Prompts.isEmpty());
        }
    }
}
