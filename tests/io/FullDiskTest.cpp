// SPDX-License-Identifier: GPL-3.0-or-later
// Exported meshes and saved pictures on a full disk: the old file stays byte
// for byte, no temporary file is left, and the message names the file and
// the reason.
#include "FullDisk.h"
#include "MeshExport.h"
#include "Picture.h"
#include "PolyMesh.h"
#include "TGLObject.h"
#include "TestSupport.h"
#include "TfrmPlot.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A strip of `triangles` triangles.
meshio::PolyMesh Strip(int triangles)
{
    meshio::PolyMesh mesh;
    for (int i = 0; i < triangles + 2; ++i)
        mesh.vertices.insert(mesh.vertices.end(), {float(i / 2), float(i % 2), 0.0f});
    for (int i = 0; i < triangles; ++i) {
        mesh.faceSizes.push_back(3);
        mesh.indices.insert(mesh.indices.end(), {i, i + 1, i + 2});
    }
    return mesh;
}

struct MeshCase {
    const char* name;
    meshio::ExportFormat format;
    const char* file;
    int triangles;    // a file below and one above the write buffer
    std::size_t room; // left on the file system
};

class MeshOnFullDisk : public ::testing::TestWithParam<MeshCase> {};

TEST_P(MeshOnFullDisk, AnExportKeepsTheOldFileAndSaysWhy)
{
    const MeshCase c = GetParam();
    FullDisk disk;
    const QString file = QString::fromStdString(disk.Path(c.file));
    ASSERT_EQ(meshio::ExportMesh(Strip(1), file, c.format), QString());
    const std::vector<std::string> before = disk.Names();
    std::vector<QByteArray> old;
    for (const std::string& name : before)
        old.push_back(ReadAll(QString::fromStdString(disk.Path(name))));
    const std::string outcome = disk.WithRoom(
        c.room, [&] { return meshio::ExportMesh(Strip(c.triangles), file, c.format).toStdString(); });
    SCOPED_TRACE(disk.How());
    EXPECT_EQ(outcome, "Could not write " + file.toStdString() + ": " + disk.Reason());
    EXPECT_EQ(disk.Names(), before) << "no temporary file left";
    for (std::size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ(ReadAll(QString::fromStdString(disk.Path(before[i]))), old[i]) << before[i];
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, MeshOnFullDisk,
    ::testing::Values(MeshCase{"SmallStl", meshio::ExportFormat::Stl, "strip.stl", 2, 0},
                      MeshCase{"LargeStl", meshio::ExportFormat::Stl, "strip.stl", 3000, 8192},
                      MeshCase{"SmallObj", meshio::ExportFormat::Obj, "strip.obj", 2, 0},
                      MeshCase{"LargeObj", meshio::ExportFormat::Obj, "strip.obj", 6000, 8192},
                      MeshCase{"LargePair", meshio::ExportFormat::Pair, "strip.coor", 6000, 8192}),
    [](const auto& info) { return std::string(info.param.name); });

struct PictureCase {
    const char* name;
    const char* file;
    int width, height; // a picture below and one above the write buffer
    std::size_t room;  // left on the file system
};

class PictureOnFullDisk : public ::testing::TestWithParam<PictureCase> {};

TEST_P(PictureOnFullDisk, ASaveKeepsTheOldPictureAndSaysWhy)
{
    const PictureCase c = GetParam();
    FullDisk disk;
    // Drawing needs the display, which a forked child must not share.
    if (!disk.Mounted())
        GTEST_SKIP() << "pictures are drawn in this process: this needs a tmpfs of its own (root)";
    ViewHost host;
    TfrmPlot* view = host.AddView();
    ASSERT_TRUE(view->HasContext());
    ResizeClient(view, 320, 240);
    view->AddCube(0, 0);
    view->RenderScene(GL_RENDER);
    const picture::DrawFunction draw = [view](int w, int h) { view->DrawPicture(w, h); };
    const QString file = QString::fromStdString(disk.Path(c.file));
    ASSERT_EQ(picture::SavePicture(draw, 16, 16, file, QStringLiteral("Fig.1")), QString());
    const QByteArray old = ReadAll(file);
    const std::string outcome = disk.WithRoom(c.room, [&] {
        return picture::SavePicture(draw, c.width, c.height, file, QStringLiteral("Fig.1")).toStdString();
    });
    EXPECT_EQ(outcome, "Could not write " + file.toStdString() + ": " + disk.Reason());
    EXPECT_EQ(ReadAll(file), old) << "the old picture, byte for byte";
    EXPECT_EQ(disk.Names(), std::vector<std::string>{c.file}) << "no temporary file left";
}

INSTANTIATE_TEST_SUITE_P(Sizes, PictureOnFullDisk,
                         ::testing::Values(PictureCase{"SmallPng", "picture.png", 16, 16, 0},
                                           PictureCase{"LargeBmp", "picture.bmp", 320, 240, 8192},
                                           PictureCase{"SmallSvg", "picture.svg", 16, 16, 0},
                                           PictureCase{"LargeEps", "picture.eps", 320, 240, 4096}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
