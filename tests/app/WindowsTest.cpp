// SPDX-License-Identifier: GPL-3.0-or-later
// The frame's windows and the commands on them: the views' numbers, which
// commands are on while no view is open, the files of the command line, the
// names prompts and pictures show, and File > Open's filters.
#include "MeshImport.h"
#include "Prompts.h"
#include "StartedFrame.h"
#include "TGLCube.h"
#include "TSceneDocument.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QPointer>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <memory>
#include <vector>

namespace {

class WindowsTest : public StartedFrameTest {
protected:
    void TearDown() override
    {
        corvane::SetFileNameChooser(nullptr);
        StartedFrameTest::TearDown();
    }

    static void CloseView(const QString& caption)
    {
        for (QMdiSubWindow* sub : MainForm->MdiArea()->subWindowList())
            if (sub->widget()->windowTitle() == caption) {
                QPointer<QMdiSubWindow> gone = sub;
                sub->close();
                ASSERT_TRUE(QTest::qWaitFor([&] { return gone.isNull(); }));
                QTest::qWait(1);
                return;
            }
        FAIL() << "no view " << caption.toStdString();
    }
    static void CloseAll()
    {
        for (QMdiSubWindow* sub : MainForm->MdiArea()->subWindowList())
            delete sub;
        QTest::qWait(1);
    }

    QString SavedScene(const QString& name)
    {
        const QString file = dir.filePath(name);
        TSceneDocument doc;
        doc.AddObject(std::make_unique<TGLCube>(0.0f, 0.0f), QStringLiteral("Place"));
        QString error;
        EXPECT_TRUE(doc.Save(file, error)) << error.toStdString();
        return file;
    }

    QTemporaryDir dir;
};

} // namespace

TEST_F(WindowsTest, ANewViewTakesTheLowestNumberNoOpenViewHas)
{
    // Each case starts with Fig.1 alone; "+" is File > New, "-Fig.N" closes
    // that view, "=NAME" opens a view of that name (as a task's field view is).
    const struct {
        const char* name;
        std::vector<const char*> steps;
        QStringList captions;
    } cases[] = {
        {"numbers in order", {"+", "+"}, {"Fig.1", "Fig.2", "Fig.3"}},
        {"the first two closed",
         {"+", "+", "+", "-Fig.1", "-Fig.2", "+", "+", "+"},
         {"Fig.3", "Fig.4", "Fig.1", "Fig.2", "Fig.5"}},
        {"a gap in the middle", {"+", "+", "-Fig.2", "+"}, {"Fig.1", "Fig.3", "Fig.2"}},
        {"a field view's number is taken",
         {"=Fig.2 \u2014 D2Q9 Re 100", "+"},
         {"Fig.1", "Fig.2 \u2014 D2Q9 Re 100", "Fig.3"}},
        {"all closed", {"-Fig.1", "+"}, {"Fig.1"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CloseAll();
        MainForm->Action("FileNew1")->trigger();
        for (const char* step : c.steps) {
            const QString s = QString::fromUtf8(step);
            if (s == QLatin1String("+"))
                MainForm->Action("FileNew1")->trigger();
            else if (s.startsWith(QLatin1Char('-')))
                CloseView(s.mid(1));
            else
                MainForm->CreateView(s.mid(1));
        }
        EXPECT_EQ(Captions(), c.captions);
        // The Window menu's entries of the views, after its separator.
        QStringList entries;
        MainForm->Menu("WindowMenu")->popup(MainForm->mapToGlobal(QPoint(100, 30)));
        QTest::qWait(10);
        bool views = false;
        for (QAction* a : MainForm->Menu("WindowMenu")->actions()) {
            if (views)
                entries << a->text().remove(QRegularExpression(QStringLiteral("^&\\d ")));
            views = views || a->isSeparator();
        }
        MainForm->Menu("WindowMenu")->hide();
        EXPECT_EQ(entries, c.captions);
    }
}

TEST_F(WindowsTest, ViewCommandsAreOffWithTheReasonWhileNoViewIsOpen)
{
    const QString reason = QStringLiteral("No view is open: File > New opens one");
    QAction* const commands[] = {
        MainForm->Action("FileExportObject"), MainForm->Action("FileExportScene"),
        MainForm->Action("FileSavePicture"),  MainForm->Action("FilePrint"),
        MainForm->Action("FileSave1"),        MainForm->Action("FileSaveAs1"),
        MainForm->Action("EditClear1"),       MainForm->Action("SetPictureProperty1")};
    QStringList hints;
    for (QAction* a : commands) {
        EXPECT_TRUE(MainForm->ViewCommands().contains(a)) << a->objectName().toStdString();
        hints << a->statusTip();
    }
    CloseAll();
    QTest::qWait(10);
    for (QAction* a : commands) {
        SCOPED_TRACE(a->objectName().toStdString());
        EXPECT_FALSE(a->isEnabled());
        EXPECT_TRUE(a->statusTip().startsWith(reason)) << a->statusTip().toStdString();
        EXPECT_EQ(a->toolTip(), reason) << "what the menu shows over an entry that is off";
    }
    EXPECT_TRUE(MainForm->Menu("FileMenu")->toolTipsVisible());
    EXPECT_TRUE(MainForm->Menu("EditMenu")->toolTipsVisible());
    MainForm->Action("FileNew1")->trigger();
    for (std::size_t i = 0; i < std::size(commands); ++i) {
        SCOPED_TRACE(commands[i]->objectName().toStdString());
        EXPECT_TRUE(commands[i]->isEnabled());
        EXPECT_EQ(commands[i]->statusTip(), hints[int(i)]) << "its own hint again";
        EXPECT_NE(commands[i]->toolTip(), reason);
    }
}

TEST_F(WindowsTest, CommandLineFilesThatFailLeaveNoEmptyView)
{
    const QString scene = SavedScene(QStringLiteral("good.cvs"));
    const QString missing = dir.filePath(QStringLiteral("missing.cvs"));
    const QString folder = dir.filePath(QStringLiteral("a folder.cvs"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const struct {
        const char* name;
        QStringList files;
        QStringList captions;
        QStringList messages;
    } cases[] = {
        {"no files", {}, {"Fig.1"}, {}},
        {"a missing file", {missing}, {}, {"Cannot open " + missing + ": there is no such file"}},
        {"a folder", {folder}, {}, {"Cannot open " + folder + ": it is a folder"}},
        {"a missing file, then a scene", {missing, scene}, {"Fig.1 \u2014 good.cvs"}, {"no such file"}},
        {"a scene, then a folder", {scene, folder}, {"Fig.1 \u2014 good.cvs"}, {"is a folder"}},
        {"a scene", {scene}, {"Fig.1 \u2014 good.cvs"}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DestroyApplicationWindows();
        messages.Plain.clear();
        CreateApplicationWindows();
        MainForm->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(MainForm));
        OpenCommandLineFiles(c.files);
        QTest::qWait(1);
        EXPECT_EQ(Captions(), c.captions);
        ASSERT_EQ(messages.Plain.size(), c.messages.size()) << messages.Plain.join('\n').toStdString();
        for (int i = 0; i < c.messages.size(); ++i)
            EXPECT_TRUE(messages.Plain[i].contains(c.messages[i])) << messages.Plain[i].toStdString();
    }
}

TEST_F(WindowsTest, PromptsAndPictureTitlesNameTheViewWithoutTheUnsavedMark)
{
    const QString scene = SavedScene(QStringLiteral("named.cvs"));
    ASSERT_TRUE(MainForm->OpenFile(scene));
    MainForm->ActiveView()->AddCube(1, 0);
    MainForm->Action("FileNew1")->trigger();
    MainForm->ActiveView()->AddCube(0, 0);
    ASSERT_EQ(Captions(), QStringList({"Fig.1 \u2014 named.cvs *", "Fig.2 *"}));

    // The title each picture format carries.
    for (const char* format : {"svg", "eps"}) {
        SCOPED_TRACE(format);
        const QString file = dir.filePath(QStringLiteral("picture.") + QLatin1String(format));
        MainForm->SaveActiveView(file, QSize(64, 64));
        QFile saved(file);
        ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
        const QByteArray bytes = saved.readAll();
        EXPECT_TRUE(bytes.contains("Fig.2")) << bytes.left(400).toStdString();
        EXPECT_FALSE(bytes.contains("Fig.2 *")) << bytes.left(400).toStdString();
    }

    messages.PromptAnswer = corvane::SaveChoice::Discard;
    EXPECT_TRUE(MainForm->close());
    EXPECT_EQ(messages.Prompts, QStringList({"Fig.2", "Fig.1 \u2014 named.cvs"}));
}

TEST_F(WindowsTest, OpenOffersScenesEveryMeshFormatTaskResultsAndAllFiles)
{
    QString offered;
    corvane::SetFileNameChooser([&](bool, const QString&, const QString& filter) {
        offered = filter;
        return QString();
    });
    MainForm->Action("FileOpen1")->trigger();
    const QStringList filters = offered.split(QStringLiteral(";;"));
    ASSERT_FALSE(filters.isEmpty());
    EXPECT_TRUE(filters.first().startsWith(QLatin1String("Scenes (*.cvs)"))) << filters.first().toStdString();
    EXPECT_EQ(filters.last(), QStringLiteral("All files (*)"));
    const QStringList meshes = meshio::ImportFilters();
    ASSERT_GT(meshes.size(), 2);
    EXPECT_TRUE(meshes.first().startsWith(QLatin1String("All meshes (")));
    for (const QString& mesh : meshes)
        EXPECT_TRUE(filters.contains(mesh)) << mesh.toStdString();
    EXPECT_EQ(filters[filters.size() - 2], QStringLiteral("Task results (summary.json field.vti)"));
    EXPECT_EQ(filters.size(), meshes.size() + 3) << "each filter once";
}
