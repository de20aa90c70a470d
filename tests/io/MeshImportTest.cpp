// SPDX-License-Identifier: GPL-3.0-or-later
#include "MeshImport.h"
#include "MeshSamples.h"
#include "TGLPolyObject.h"

#include <QFile>

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <ostream>
#include <sys/stat.h>

namespace {

struct Imported {
    std::vector<std::unique_ptr<TGLPolyObject>> objects;
    QStringList messages;
};

Imported Import(const QString& fileName, std::size_t memoryLimit = std::size_t(1) << 30)
{
    Imported result;
    result.objects = meshio::ImportMeshes(
        fileName, [&](const QString& m) { result.messages << m; }, memoryLimit);
    return result;
}

struct FormatCase {
    const char* name;
    QByteArray (*write)();
    int vertices;
    int faces;
    int faceSize; // vertices of every face
    bool zUp;     // the format is Z-up: the library turns (x, y, z) into (x, z, -y)
};

void PrintTo(const FormatCase& c, std::ostream* os) { *os << c.name; }

class ImportFormats : public ::testing::TestWithParam<FormatCase> {};

// Every format: the box comes in whole, as one object, its shared corners
// joined, its polygons kept, in the file's own coordinates, and lit from
// outside (the normal at the corner (4, 5, 6) points away from the box).
// 3DS files are Z-up; the library turns them Y-up, as the views are.
TEST_P(ImportFormats, GiveTheBoxWithItsCountsBoundsAndOutwardNormals)
{
    const FormatCase& c = GetParam();
    samples::Folder folder;
    const Imported imported = Import(folder.Write(QString::fromLatin1(c.name), c.write()));
    ASSERT_TRUE(imported.messages.isEmpty()) << imported.messages.join(QLatin1Char('\n')).toStdString();
    ASSERT_EQ(imported.objects.size(), 1u);
    const TGLPolyObject& box = *imported.objects[0];
    EXPECT_EQ(box.GetVertexCount(), c.vertices);
    EXPECT_EQ(box.GetFaceCount(), c.faces);
    for (int f = 0; f < box.GetFaceCount(); ++f)
        EXPECT_EQ(box.GetFace(f).Count, c.faceSize) << "face " << f;
    auto place = [&](float x, float y, float z) {
        return c.zUp ? std::array<float, 3>{x, z, -y} : std::array<float, 3>{x, y, z};
    };
    const auto a = place(-1, -2, -3);
    const auto b = place(4, 5, 6);
    float lo[3], hi[3];
    box.GetMin(lo[0], lo[1], lo[2]);
    box.GetMax(hi[0], hi[1], hi[2]);
    for (int i = 0; i < 3; ++i) {
        EXPECT_FLOAT_EQ(lo[i], std::min(a[i], b[i])) << "axis " << i;
        EXPECT_FLOAT_EQ(hi[i], std::max(a[i], b[i])) << "axis " << i;
    }
    int corner = 0;
    for (int k = 1; k <= box.GetVertexCount(); ++k) {
        const float* v = box.GetVertex(k);
        if (v[0] == b[0] && v[1] == b[1] && v[2] == b[2])
            corner = k;
    }
    ASSERT_NE(corner, 0);
    const float* n = box.GetVertexNormal(corner);
    const float third = 1 / std::sqrt(3.0f);
    const auto outward = place(third, third, third);
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(n[i], outward[i], 1e-5) << "axis " << i;
}

INSTANTIATE_TEST_SUITE_P(Box, ImportFormats,
                         ::testing::Values(FormatCase{"box.obj", samples::Obj, 8, 6, 4, false},
                                           FormatCase{"box-text.stl", samples::StlText, 8, 12, 3, false},
                                           FormatCase{"box-binary.stl", [] { return samples::StlBinary(); },
                                                      8, 12, 3, false},
                                           FormatCase{"box-text.ply", samples::PlyText, 8, 6, 4, false},
                                           FormatCase{"box-binary.ply", samples::PlyBinary, 8, 6, 4, false},
                                           FormatCase{"box.gltf", samples::Gltf, 8, 12, 3, false},
                                           FormatCase{"box.glb", samples::Glb, 8, 12, 3, false},
                                           FormatCase{"box.off", samples::Off, 8, 6, 4, false},
                                           FormatCase{"box.3ds", samples::ThreeDs, 8, 12, 3, true},
                                           FormatCase{"box.dae", samples::Collada, 8, 6, 4, false}),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             for (char& ch : name)
                                 if (!std::isalnum(static_cast<unsigned char>(ch)))
                                     ch = '_';
                             return name;
                         });

TEST(Import, AFileOfSeveralMeshesGivesOneObjectPerMeshPlacedByItsNode)
{
    samples::Folder folder;
    // Two objects in one OBJ file, and a Collada node that moves its mesh.
    const QByteArray obj = samples::Obj() + "o triangle\nv 10 0 0\nv 11 0 0\nv 10 1 0\nf 9 10 11\n";
    const Imported two = Import(folder.Write(QStringLiteral("two.obj"), obj));
    ASSERT_EQ(two.objects.size(), 2u) << two.messages.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(two.objects[0]->GetFaceCount(), 6);
    EXPECT_EQ(two.objects[1]->GetVertexCount(), 3);
    EXPECT_EQ(two.objects[1]->GetFaceCount(), 1);

    QByteArray dae = samples::Collada();
    dae.replace("<instance_geometry", "<translate>100 0 0</translate><instance_geometry");
    const Imported moved = Import(folder.Write(QStringLiteral("moved.dae"), dae));
    ASSERT_EQ(moved.objects.size(), 1u) << moved.messages.join(QLatin1Char('\n')).toStdString();
    float x, y, z;
    moved.objects[0]->GetMin(x, y, z);
    EXPECT_FLOAT_EQ(x, 99);
}

TEST(Import, OurOwnPairIsReadByOurReader)
{
    samples::Folder folder;
    folder.Write(QStringLiteral("tri.poly"), "1\nf 1 2 3\n");
    const Imported pair = Import(folder.Write(QStringLiteral("tri.COOR"), "3\n1,0,0,0\n2,1,0,0\n3,0,1,0\n"));
    ASSERT_EQ(pair.objects.size(), 1u);
    EXPECT_EQ(pair.objects[0]->GetVertexCount(), 3);

    // Our reader's own message, unchanged.
    const Imported bad = Import(folder.Write(QStringLiteral("bad.coor"), "0\n"));
    EXPECT_TRUE(bad.objects.empty());
    EXPECT_EQ(bad.messages, QStringList{QStringLiteral("No vertices in file ") + folder.Path("bad.coor")});
}

struct DamagedCase {
    const char* name;
    QByteArray contents;
    const char* reason; // part of the message after the file name
};

// Each damaged or hostile file gives one message that names the file and
// the reason, and no object.
TEST(Import, DamagedFilesGiveTheirMessageAndNoObject)
{
    QByteArray badIndex = samples::PlyText();
    badIndex.replace("4 0 3 2 1", "4 0 3 2 99");
    QByteArray truncatedGlb = samples::Glb();
    truncatedGlb.truncate(60);
    QByteArray brokenGltf = samples::Gltf();
    brokenGltf.truncate(brokenGltf.size() / 2);
    const DamagedCase cases[] = {
        {"short.stl", samples::StlBinary(1000), "STL"},
        {"cut.stl", samples::StlText().left(64), ""},
        {"index.ply", badIndex, "vertex 100"},
        {"truncated.glb", truncatedGlb, ""},
        {"broken.gltf", brokenGltf, ""},
        {"empty.obj", "", "the file is empty"},
        {"lines.obj", "v 0 0 0\nv 1 0 0\nl 1 2\n", "no polygon faces"},
        {"nonsense.xyz", "this is no mesh at all\n", ""},
        {"nan.off", "OFF\n3 1 0\nnan 0 0\n1 0 0\n0 1 0\n3 0 1 2\n", "not a finite point"},
    };
    samples::Folder folder;
    for (const DamagedCase& c : cases) {
        const QString path = folder.Write(QString::fromLatin1(c.name), c.contents);
        const Imported imported = Import(path);
        EXPECT_TRUE(imported.objects.empty()) << c.name;
        ASSERT_EQ(imported.messages.size(), 1) << c.name;
        const QString& message = imported.messages[0];
        EXPECT_TRUE(message.startsWith(QStringLiteral("Could not load ") + path + QStringLiteral(": ")))
            << message.toStdString();
        EXPECT_GT(message.size(), (QStringLiteral("Could not load ") + path + QStringLiteral(": ")).size())
            << c.name;
        EXPECT_TRUE(message.contains(QLatin1String(c.reason))) << message.toStdString();
    }
}

TEST(Import, WhatIsNoRegularFileOrTooLargeIsRefusedWithoutBlocking)
{
    samples::Folder folder;
    const Imported missing = Import(folder.Path(QStringLiteral("missing.obj")));
    EXPECT_TRUE(missing.objects.empty());
    EXPECT_EQ(missing.messages, QStringList{QStringLiteral("Could not load %1: the file does not exist")
                                                .arg(folder.Path(QStringLiteral("missing.obj")))});

    const Imported folderItself = Import(folder.Path(QString()));
    EXPECT_TRUE(folderItself.objects.empty());
    ASSERT_EQ(folderItself.messages.size(), 1);
    EXPECT_TRUE(folderItself.messages[0].endsWith(QStringLiteral("it is not a regular file")));

    // A material library that is a pipe would block a reader that opened it;
    // it is passed over and the box still loads.
    const QByteArray pipe = QFile::encodeName(folder.Path(QStringLiteral("box.mtl")));
    ASSERT_EQ(mkfifo(pipe.constData(), 0600), 0);
    const Imported withPipe =
        Import(folder.Write(QStringLiteral("box.obj"), "mtllib box.mtl\n" + samples::Obj()));
    ASSERT_EQ(withPipe.objects.size(), 1u);
    EXPECT_EQ(withPipe.objects[0]->GetFaceCount(), 6);

    const Imported tooLarge = Import(folder.Write(QStringLiteral("large.stl"), samples::StlBinary()), 256);
    EXPECT_TRUE(tooLarge.objects.empty());
    ASSERT_EQ(tooLarge.messages.size(), 1);
    EXPECT_TRUE(tooLarge.messages[0].endsWith(QStringLiteral("it is too large to load")))
        << tooLarge.messages[0].toStdString();
}

TEST(Import, FiltersOfferAllMeshesOurPairAndOneFilterPerFormat)
{
    const QStringList filters = meshio::ImportFilters();
    ASSERT_GE(filters.size(), 10);
    EXPECT_TRUE(filters[0].startsWith(QStringLiteral("All meshes (*.coor ")));
    for (const char* pattern : {"*.obj", "*.stl", "*.ply", "*.gltf", "*.glb", "*.off", "*.3ds", "*.dae"}) {
        EXPECT_TRUE(filters[0].contains(QLatin1String(pattern))) << pattern;
        const auto own = std::count_if(filters.begin() + 1, filters.end(), [&](const QString& f) {
            return f.contains(QLatin1String(pattern) + QLatin1Char(' ')) ||
                   f.contains(QLatin1String(pattern) + QLatin1Char(')'));
        });
        EXPECT_GE(own, 1) << pattern;
    }
    EXPECT_EQ(filters[1], QStringLiteral("Coordinate and face files (*.coor)"));
    for (const QString& f : filters)
        EXPECT_TRUE(f.endsWith(QLatin1Char(')')) && f.contains(QStringLiteral(" (*."))) << f.toStdString();
}

} // namespace
