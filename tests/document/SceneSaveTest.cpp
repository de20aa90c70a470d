// SPDX-License-Identifier: GPL-3.0-or-later
// Saving a scene on a full disk: the old file stays byte for byte, no
// temporary file is left, the error names the file and the reason, and the
// document stays modified.
#include "FullDisk.h"
#include "TGLCube.h"
#include "TSceneDocument.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void AddCubes(TSceneDocument& doc, int count)
{
    for (int i = 0; i < count; ++i)
        doc.AddObject(std::make_unique<TGLCube>(static_cast<float>(i), 0), QStringLiteral("Place"));
}

struct FullDiskCase {
    const char* name;
    int cubes;        // a scene below and one above the write buffer
    std::size_t room; // left on the file system
};

class SceneOnFullDisk : public ::testing::TestWithParam<FullDiskCase> {};

TEST_P(SceneOnFullDisk, ASaveKeepsTheOldFileAndTheModifiedMarkAndSaysWhy)
{
    const FullDiskCase c = GetParam();
    FullDisk disk;
    const QString file = QString::fromStdString(disk.Path("scene.cvs"));
    TSceneDocument doc;
    AddCubes(doc, c.cubes);
    QString error;
    ASSERT_TRUE(doc.Save(file, error)) << error.toStdString();
    const QByteArray old = ReadAll(file);
    ASSERT_GT(old.size(), c.cubes > 10 ? 100000 : 0);
    AddCubes(doc, 1);
    const std::string outcome = disk.WithRoom(c.room, [&] {
        QString reason;
        const bool saved = doc.Save(file, reason);
        return std::string(saved ? "saved" : "refused") + " modified=" + (doc.IsModified() ? "1 " : "0 ") +
               reason.toStdString();
    });
    SCOPED_TRACE(disk.How());
    EXPECT_EQ(outcome,
              "refused modified=1 Could not save the scene to " + file.toStdString() + ": " + disk.Reason());
    EXPECT_EQ(ReadAll(file), old) << "the old file, byte for byte";
    EXPECT_EQ(disk.Names(), std::vector<std::string>{"scene.cvs"}) << "no temporary file left";
}

INSTANTIATE_TEST_SUITE_P(Sizes, SceneOnFullDisk,
                         ::testing::Values(FullDiskCase{"Small", 1, 0}, FullDiskCase{"Large", 400, 8192}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
