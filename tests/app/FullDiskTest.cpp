// SPDX-License-Identifier: GPL-3.0-or-later
// The frame's file commands on a full disk: a scene that cannot be saved
// stays modified and its old file whole, and a recent-files list that cannot
// be saved never empties the settings file and is reported once.
#include "FullDisk.h"
#include "StartedFrame.h"
#include "TGLCube.h"
#include "TSceneDocument.h"

#include <QAction>
#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

const QByteArray kSettings = "; the user's notes\r\n[Show Window]\r\nWorkspace=1\r\nOutput=1\r\n";

class FrameOnFullDisk : public StartedFrameTest {
protected:
    void SetUp() override
    {
        // The frame draws in this process: a forked child must not share
        // its display, so this needs a file system of its own.
        if (!disk.Mounted())
            GTEST_SKIP() << "needs a tmpfs of its own (root)";
        StartedFrameTest::SetUp();
        if (HasFatalFailure())
            return;
        WriteAll(ini, kSettings);
        KeepRecentFilesIn(MainForm, ini);
    }

    QString Scene(const char* name, int cubes)
    {
        const QString file = QString::fromStdString(disk.Path(name));
        TSceneDocument doc;
        for (int i = 0; i < cubes; ++i)
            doc.AddObject(std::make_unique<TGLCube>(static_cast<float>(i), 0), QStringLiteral("Place"));
        QString error;
        EXPECT_TRUE(doc.Save(file, error)) << error.toStdString();
        return file;
    }

    FullDisk disk;
    QString ini = QString::fromStdString(disk.Path("corvane.INI"));
};

struct SaveCase {
    const char* name;
    int cubes;        // a scene below and one above the write buffer
    std::size_t room; // left on the file system
};

class SceneSaveOnFullDisk : public FrameOnFullDisk, public ::testing::WithParamInterface<SaveCase> {};

} // namespace

TEST_P(SceneSaveOnFullDisk, KeepsTheOldFileAndTheModifiedMarkAndSaysWhy)
{
    const SaveCase c = GetParam();
    const QString scene = Scene("scene.cvs", c.cubes);
    const QByteArray old = ReadAll(scene);
    ASSERT_TRUE(MainForm->OpenFile(scene));
    TfrmPlot* view = MainForm->ActiveView();
    view->AddCube(5, 5);
    const QString caption = view->windowTitle();
    const QByteArray settings = ReadAll(ini);
    disk.WithRoom(c.room, [&] {
        MainForm->Action("FileSave1")->trigger();
        return std::string();
    });
    EXPECT_EQ(ReadAll(scene), old) << "the old scene, byte for byte";
    std::vector<std::string> names = disk.Names();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"corvane.INI", "scene.cvs"})) << "no temporary file left";
    EXPECT_EQ(messages.Plain, QStringList{QStringLiteral("Could not save the scene to %1: %2")
                                              .arg(scene, QString::fromStdString(disk.Reason()))});
    EXPECT_TRUE(view->Document()->IsModified());
    EXPECT_EQ(view->windowTitle(), caption) << "still marked modified";
    EXPECT_EQ(ReadAll(ini), settings);
}

INSTANTIATE_TEST_SUITE_P(Sizes, SceneSaveOnFullDisk,
                         ::testing::Values(SaveCase{"Small", 1, 0}, SaveCase{"Large", 400, 8192}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FrameOnFullDisk, OpeningScenesKeepsTheSettingsFileAndSaysOnceThatTheListIsNotSaved)
{
    const QString first = Scene("first.cvs", 1), second = Scene("second.cvs", 1);
    const QByteArray settings = ReadAll(ini);
    disk.WithRoom(0, [&] {
        EXPECT_TRUE(MainForm->OpenFile(first));
        EXPECT_TRUE(MainForm->OpenFile(second));
        return std::string();
    });
    EXPECT_EQ(ReadAll(ini), settings) << "the settings file, byte for byte";
    EXPECT_EQ(disk.Names().size(), 3u) << "no temporary file left";
    ASSERT_EQ(messages.Errors.size(), 1) << "once, not at every open";
    EXPECT_TRUE(messages.Errors[0].startsWith(QStringLiteral("Cannot write the settings file %1: %2")
                                                  .arg(ini, QString::fromStdString(disk.Reason()))))
        << messages.Errors[0].toStdString();
    EXPECT_EQ(MainForm->RecentFiles(), QStringList({second, first})) << "kept for this session";
    messages.Errors.clear();
}
