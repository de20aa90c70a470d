#include "MeshExport.h"
#include "MeshImport.h"
#include "MeshSamples.h"
#include "PolyMesh.h"
#include "TGLCube.h"
#include "TGLIcosahedron.h"
#include "TGLLight.h"
#include "TGLPlane.h"
#include "TGLPolyObject.h"
#include "TGLPyramid.h"

#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <set>

namespace {

using Point = std::array<float, 3>;
// A face as its corner positions, turned to start at its smallest corner
// (the turning keeps its orientation).
using Face = std::vector<Point>;

Face Turned(Face face)
{
    std::rotate(face.begin(), std::min_element(face.begin(), face.end()), face.end());
    return face;
}

std::multiset<Face> FacesOf(const meshio::PolyMesh& mesh)
{
    std::multiset<Face> faces;
    std::size_t at = 0;
    for (std::int32_t size : mesh.faceSizes) {
        Face face;
        for (std::int32_t j = 0; j < size; ++j) {
            const float* v = &mesh.vertices[static_cast<std::size_t>(mesh.indices[at++]) * 3];
            face.push_back({v[0], v[1], v[2]});
        }
        faces.insert(Turned(face));
    }
    return faces;
}

// The same faces split into triangles from their first corner.
std::multiset<Face> Fans(const std::multiset<Face>& faces)
{
    std::multiset<Face> triangles;
    for (const Face& f : faces)
        for (std::size_t i = 1; i + 1 < f.size(); ++i)
            triangles.insert(Turned({f[0], f[i], f[i + 1]}));
    return triangles;
}

std::unique_ptr<TGLPolyObject> LoadOne(const QString& fileName)
{
    QStringList messages;
    auto objects = meshio::ImportMeshes(fileName, [&](const QString& m) { messages << m; });
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(objects.size(), 1u);
    return objects.empty() ? nullptr : std::move(objects[0]);
}

// A mesh whose coordinates need every digit: values a short decimal form
// would change, a denormal, a negative zero and one near the float range.
meshio::PolyMesh AwkwardMesh()
{
    meshio::PolyMesh mesh;
    mesh.vertices = {0.1f, 1.0f / 3, -2.5e-7f, 3.4e38f, -0.0f, 1e-40f, 16777215.0f, -7.125f,
                     0.3f, 1,        2,        3,       -1,    0.5f,   9.75f};
    mesh.faceSizes = {3, 4, 3};
    mesh.indices = {0, 1, 2, 0, 2, 3, 4, 4, 3, 1};
    return mesh;
}

TEST(Export, OurPairReadsBackToTheSameVerticesAndFaces)
{
    samples::Folder folder;
    const meshio::PolyMesh mesh = AwkwardMesh();
    const QString fileName = folder.Path(QStringLiteral("awkward.coor"));
    ASSERT_EQ(meshio::ExportMesh(mesh, fileName, meshio::ExportFormat::Pair), QString());
    EXPECT_TRUE(QFile::exists(folder.Path(QStringLiteral("awkward.poly"))));
    const auto back = LoadOne(fileName);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->GetVertexCount(), 5);
    for (int k = 1; k <= 5; ++k)
        for (int i = 0; i < 3; ++i) {
            const float expected = mesh.vertices[static_cast<std::size_t>((k - 1) * 3 + i)];
            EXPECT_EQ(std::memcmp(&back->GetVertex(k)[i], &expected, sizeof(float)), 0)
                << "vertex " << k << " coordinate " << i << ": " << back->GetVertex(k)[i] << " vs "
                << expected;
        }
    ASSERT_EQ(back->GetFaceCount(), 3);
    EXPECT_EQ(back->GetFaceIndices(0), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(back->GetFaceIndices(1), (std::vector<int>{1, 3, 4, 5}));
    EXPECT_EQ(back->GetFaceIndices(2), (std::vector<int>{5, 4, 2}));
}

struct RoundTrip {
    meshio::ExportFormat format;
    const char* fileName;
    bool triangles; // the format holds triangles only
};

// A loaded mesh written in every format and read back gives the same
// corners and faces, each face turning the same way; STL splits the
// polygons into triangles.
TEST(Export, EveryFormatReadsBackToTheSameGeometry)
{
    samples::Folder folder;
    const auto box = LoadOne(folder.Write(QStringLiteral("box.obj"), samples::Obj()));
    ASSERT_TRUE(box);
    const meshio::PolyMesh original = meshio::MeshOf(*box);
    const std::multiset<Face> faces = FacesOf(original);
    for (const RoundTrip& c : {RoundTrip{meshio::ExportFormat::Pair, "out.coor", false},
                               RoundTrip{meshio::ExportFormat::Obj, "out.obj", false},
                               RoundTrip{meshio::ExportFormat::Stl, "out.stl", true},
                               RoundTrip{meshio::ExportFormat::Ply, "out.ply", false}}) {
        const QString fileName = folder.Path(QString::fromLatin1(c.fileName));
        ASSERT_EQ(meshio::ExportObject(*box, fileName, c.format), QString()) << c.fileName;
        const auto back = LoadOne(fileName);
        ASSERT_TRUE(back) << c.fileName;
        EXPECT_EQ(back->GetVertexCount(), 8) << c.fileName;
        EXPECT_EQ(FacesOf(meshio::MeshOf(*back)), c.triangles ? Fans(faces) : faces) << c.fileName;
    }
}

struct PrimitiveCase {
    const char* name;
    std::unique_ptr<TGLObject> (*make)();
    std::size_t vertices;
    std::size_t faces;
    float extent; // half the size along every axis that has one
};

// Primitives give their triangles in their own unit size, wherever they
// stand and however they are turned and scaled; the selection they had stays.
TEST(Export, PrimitivesGiveTheirTrianglesInModelSpace)
{
    const PrimitiveCase cases[] = {
        {"cube", [] { return std::unique_ptr<TGLObject>(new TGLCube(3, 4)); }, 8, 12, 0.5f},
        {"pyramid", [] { return std::unique_ptr<TGLObject>(new TGLPyramid(3, 4)); }, 5, 6, 0.5f},
        {"plane", [] { return std::unique_ptr<TGLObject>(new TGLPlane(3, 4)); }, 4, 2, 0.5f},
        {"icosahedron",
         [] {
             auto ico = std::make_unique<TGLIcosahedron>(3, 4);
             ico->SetDetail(1);
             return std::unique_ptr<TGLObject>(std::move(ico));
         },
         42, 80, 1.0f},
        {"light", [] { return std::unique_ptr<TGLObject>(new TGLLight(3, 4)); }, 8, 12, 0.5f},
    };
    for (const PrimitiveCase& c : cases) {
        std::unique_ptr<TGLObject> object = c.make();
        object->RotateXY(30, 40);
        object->GrowScale(2, 3, 4, false);
        object->SetSelected(true);
        const meshio::PolyMesh mesh = meshio::MeshOf(*object);
        EXPECT_TRUE(object->IsSelected()) << c.name;
        EXPECT_EQ(mesh.VertexCount(), c.vertices) << c.name;
        EXPECT_EQ(mesh.FaceCount(), c.faces) << c.name;
        for (std::int32_t size : mesh.faceSizes)
            EXPECT_EQ(size, 3) << c.name;
        float largest = 0;
        for (float v : mesh.vertices)
            largest = std::max(largest, std::fabs(v));
        EXPECT_NEAR(largest, c.extent, 1e-6) << c.name;
        // Every triangle is used by the export: none is empty.
        samples::Folder folder;
        const QString fileName = folder.Path(QStringLiteral("p.stl"));
        ASSERT_EQ(meshio::ExportObject(*object, fileName, meshio::ExportFormat::Stl), QString()) << c.name;
        const auto back = LoadOne(fileName);
        ASSERT_TRUE(back) << c.name;
        EXPECT_EQ(static_cast<std::size_t>(back->GetFaceCount()), c.faces) << c.name;
    }
}

TEST(Export, FailuresNameTheFileAndLeaveNothingBehind)
{
    samples::Folder folder;
    TGLCube cube(0, 0);
    const QString inMissingFolder = folder.Path(QStringLiteral("no/such/folder/cube.stl"));
    const QString error = meshio::ExportObject(cube, inMissingFolder, meshio::ExportFormat::Stl);
    EXPECT_TRUE(error.startsWith(QStringLiteral("Could not write ") + inMissingFolder))
        << error.toStdString();

    meshio::PolyMesh empty;
    EXPECT_EQ(meshio::ExportMesh(empty, folder.Path(QStringLiteral("e.obj")), meshio::ExportFormat::Obj),
              QStringLiteral("Could not write %1: the object has no faces")
                  .arg(folder.Path(QStringLiteral("e.obj"))));
    EXPECT_FALSE(QFile::exists(folder.Path(QStringLiteral("e.obj"))));
}

TEST(Export, TheChosenFilterOrTheExtensionGivesTheFormat)
{
    const QStringList filters = meshio::ExportFilters();
    ASSERT_EQ(filters.size(), 4);
    EXPECT_EQ(meshio::ExportFormatFor(filters[2], QStringLiteral("a.obj")), meshio::ExportFormat::Stl);
    EXPECT_EQ(meshio::ExportFormatFor(QString(), QStringLiteral("a.PLY")), meshio::ExportFormat::Ply);
    EXPECT_EQ(meshio::ExportFormatFor(QString(), QStringLiteral("a")), meshio::ExportFormat::Pair);
    EXPECT_EQ(meshio::WithExtension(QStringLiteral("/t/a"), meshio::ExportFormat::Obj),
              QStringLiteral("/t/a.obj"));
    EXPECT_EQ(meshio::WithExtension(QStringLiteral("/t/a.stl"), meshio::ExportFormat::Obj),
              QStringLiteral("/t/a.stl"));
}

} // namespace
