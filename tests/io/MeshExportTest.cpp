// SPDX-License-Identifier: GPL-3.0-or-later
#include "MeshExport.h"
#include "MeshImport.h"
#include "MeshSamples.h"
#include "PolyMesh.h"
#include "RecordingDevice.h"
#include "TGLCube.h"
#include "TGLIcosahedron.h"
#include "TGLLight.h"
#include "TGLPlane.h"
#include "TGLPolyObject.h"
#include "TGLPyramid.h"

#include <QFile>
#include <QMatrix4x4>
#include <QVector3D>

#include <assimp/Importer.hpp>
#include <assimp/scene.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
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

// A regular octahedron around its origin, every face counter-clockwise seen
// from outside: its vertex normals point along its vertices.
QByteArray Octahedron()
{
    return "v 1 0 0\nv -1 0 0\nv 0 1 0\nv 0 -1 0\nv 0 0 1\nv 0 0 -1\n"
           "f 1 3 5\nf 3 2 5\nf 2 4 5\nf 4 1 5\nf 3 1 6\nf 2 3 6\nf 4 2 6\nf 1 4 6\n";
}

// A corner as a file gives it back: its position and the normal beside it.
struct Corner {
    QVector3D position;
    QVector3D normal;
};
using Triangle = std::array<Corner, 3>;

// The triangles of a written file as another reader reads them, with no
// processing of its own: STL facet normals and OBJ and PLY vertex normals as
// they stand in the file.
std::vector<Triangle> ReadBack(const QString& fileName)
{
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(QFile::encodeName(fileName).constData(), 0);
    std::vector<Triangle> triangles;
    EXPECT_TRUE(scene) << importer.GetErrorString();
    if (!scene)
        return triangles;
    for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
        const aiMesh* mesh = scene->mMeshes[m];
        for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
            const aiFace& face = mesh->mFaces[f];
            for (unsigned k = 1; k + 1 < face.mNumIndices; ++k) {
                Triangle t;
                const unsigned corners[3] = {face.mIndices[0], face.mIndices[k], face.mIndices[k + 1]};
                for (int i = 0; i < 3; ++i) {
                    const aiVector3D& p = mesh->mVertices[corners[i]];
                    t[static_cast<std::size_t>(i)].position = QVector3D(p.x, p.y, p.z);
                    if (mesh->mNormals) {
                        const aiVector3D& n = mesh->mNormals[corners[i]];
                        t[static_cast<std::size_t>(i)].normal = QVector3D(n.x, n.y, n.z);
                    }
                }
                triangles.push_back(t);
            }
        }
    }
    return triangles;
}

QVector3D WindingNormal(const Triangle& t)
{
    return QVector3D::normal(t[0].position, t[1].position, t[2].position);
}

QVector3D Centroid(const Triangle& t) { return (t[0].position + t[1].position + t[2].position) / 3; }

// Where and how an object stands in a view.
struct Placement {
    const char* name;
    QVector3D position, rotation, scale;
};

const Placement kPlacements[] = {
    {"as loaded", {0, 0, 0}, {0, 0, 0}, {1, 1, 1}},
    {"moved, turned and stretched", {3, -2, 5}, {30, 45, -60}, {2, 0.5f, 3}},
    {"mirrored", {-1, 4, 0}, {0, 20, 0}, {-1.5f, 1, 2}},
};

void Place(TGLObject& object, const Placement& p)
{
    object.SetXY(p.position.x(), p.position.y());
    object.SetZ(p.position.z());
    object.SetRotation(p.rotation.x(), p.rotation.y(), p.rotation.z());
    object.SetScale(p.scale.x(), p.scale.y(), p.scale.z());
}

// The placement as Qt's own matrix type composes it.
QMatrix4x4 MatrixOf(const Placement& p)
{
    QMatrix4x4 m;
    m.translate(p.position);
    m.rotate(p.rotation.x(), 1, 0, 0);
    m.rotate(p.rotation.y(), 0, 1, 0);
    m.rotate(p.rotation.z(), 0, 0, 1);
    m.scale(p.scale);
    return m;
}

bool Near(const QVector3D& a, const QVector3D& b, float tolerance)
{
    return (a - b).length() <= tolerance * std::max(1.0f, std::max(a.length(), b.length()));
}

struct NormalCase {
    meshio::ExportFormat format;
    const char* fileName;
    bool facetNormals; // the file keeps one normal per triangle (STL)
};

// A loaded octahedron written in every format that keeps normals, placed in
// several ways: every face turns outward, an STL facet normal is the one its
// triangle's corners give, and OBJ and PLY hold the object's own vertex
// normals in the same space as the positions.
TEST(Export, NormalsMatchTheFacesAndTheObjectsShading)
{
    samples::Folder folder;
    const auto octahedron = LoadOne(folder.Write(QStringLiteral("octahedron.obj"), Octahedron()));
    ASSERT_TRUE(octahedron);
    for (const Placement& placement : kPlacements) {
        Place(*octahedron, placement);
        const QMatrix4x4 m = MatrixOf(placement);
        const QMatrix3x3 normalMatrix = m.normalMatrix();
        const QVector3D centre = m.map(QVector3D(0, 0, 0));
        for (const NormalCase& c : {NormalCase{meshio::ExportFormat::Stl, "o.stl", true},
                                    NormalCase{meshio::ExportFormat::Obj, "o.obj", false},
                                    NormalCase{meshio::ExportFormat::Ply, "o.ply", false}}) {
            const std::string where = std::string(placement.name) + ", " + c.fileName;
            const QString fileName = folder.Path(QString::fromLatin1(c.fileName));
            ASSERT_EQ(meshio::ExportObject(*octahedron, fileName, c.format), QString()) << where;
            const std::vector<Triangle> triangles = ReadBack(fileName);
            ASSERT_EQ(triangles.size(), 8u) << where;
            for (const Triangle& t : triangles) {
                EXPECT_GT(QVector3D::dotProduct(WindingNormal(t), Centroid(t) - centre), 0) << where;
                for (const Corner& corner : t) {
                    if (c.facetNormals) {
                        EXPECT_TRUE(Near(corner.normal, WindingNormal(t), 1e-6f))
                            << where << ": facet normal " << corner.normal.x() << " " << corner.normal.y()
                            << " " << corner.normal.z();
                        continue;
                    }
                    // The model's vertex this corner is, and its normal placed.
                    const QVector3D model = m.inverted().map(corner.position);
                    const QVector3D own(std::round(model.x()), std::round(model.y()), std::round(model.z()));
                    ASSERT_TRUE(Near(model, own, 1e-5f)) << where;
                    const QVector3D expected =
                        QVector3D(normalMatrix(0, 0) * own.x() + normalMatrix(0, 1) * own.y() +
                                      normalMatrix(0, 2) * own.z(),
                                  normalMatrix(1, 0) * own.x() + normalMatrix(1, 1) * own.y() +
                                      normalMatrix(1, 2) * own.z(),
                                  normalMatrix(2, 0) * own.x() + normalMatrix(2, 1) * own.y() +
                                      normalMatrix(2, 2) * own.z())
                            .normalized();
                    EXPECT_TRUE(Near(corner.normal, expected, 1e-5f))
                        << where << ": vertex normal " << corner.normal.x() << " " << corner.normal.y() << " "
                        << corner.normal.z() << " instead of " << expected.x() << " " << expected.y() << " "
                        << expected.z();
                }
            }
        }
    }
}

// The triangles an object's drawing puts into the scene: the recorded calls
// replayed, each corner taken through the matrices in force.
std::vector<std::array<QVector3D, 3>> DrawnTriangles(TGLObject& object)
{
    gl::RecordingDevice recording;
    {
        gl::ScopedDevice scope(recording);
        object.Draw(GL_RENDER);
    }
    std::vector<QMatrix4x4> stack(1);
    std::vector<std::array<QVector3D, 3>> triangles;
    std::string mode;
    std::vector<QVector3D> corners;
    for (const std::string& call : recording.Calls()) {
        const std::string name = call.substr(0, call.find('('));
        std::vector<float> a;
        for (const char* p = call.c_str() + name.size() + 1; *p && *p != ')';) {
            char* end = nullptr;
            const float v = std::strtof(p, &end);
            if (end == p)
                break;
            a.push_back(v);
            p = *end == ',' ? end + 1 : end;
        }
        QMatrix4x4& m = stack.back();
        if (name == "glPushMatrix")
            stack.push_back(m);
        else if (name == "glPopMatrix")
            stack.pop_back();
        else if (name == "glTranslatef")
            m.translate(a[0], a[1], a[2]);
        else if (name == "glRotatef")
            m.rotate(a[0], a[1], a[2], a[3]);
        else if (name == "glScalef")
            m.scale(a[0], a[1], a[2]);
        else if (name == "glBegin") {
            mode = call.substr(8, call.size() - 9);
            corners.clear();
        } else if (name == "glVertex3f" || name == "glVertex3fv")
            corners.push_back(m.map(QVector3D(a[0], a[1], a[2])));
        else if (name == "glEnd") {
            const std::size_t n = corners.size();
            auto add = [&](std::size_t i, std::size_t j, std::size_t k) {
                triangles.push_back({corners[i], corners[j], corners[k]});
            };
            if (mode == "GL_TRIANGLES")
                for (std::size_t i = 0; i + 2 < n; i += 3)
                    add(i, i + 1, i + 2);
            else if (mode == "GL_QUADS")
                for (std::size_t i = 0; i + 3 < n; i += 4) {
                    add(i, i + 1, i + 2);
                    add(i, i + 2, i + 3);
                }
            else if (mode == "GL_TRIANGLE_FAN" || mode == "GL_POLYGON")
                for (std::size_t i = 1; i + 1 < n; ++i)
                    add(0, i, i + 1);
            else
                EXPECT_TRUE(mode == "GL_LINES" || mode == "GL_LINE_LOOP" || mode == "GL_POINTS") << mode;
        }
    }
    return triangles;
}

struct PlacedCase {
    const char* name;
    std::unique_ptr<TGLObject> (*make)(const QString& octahedronFile);
    bool convex; // a closed convex solid: every face turns away from its middle
};

// Each kind of object, moved, turned and scaled as a user would, is written
// with the triangles its drawing puts into the scene, each turned outward.
TEST(Export, ObjectsAreWrittenWhereTheViewDrawsThem)
{
    samples::Folder folder;
    const QString octahedronFile = folder.Write(QStringLiteral("octahedron.obj"), Octahedron());
    const PlacedCase cases[] = {
        {"cube", [](const QString&) { return std::unique_ptr<TGLObject>(new TGLCube(0, 0)); }, true},
        {"pyramid", [](const QString&) { return std::unique_ptr<TGLObject>(new TGLPyramid(0, 0)); }, true},
        {"plane", [](const QString&) { return std::unique_ptr<TGLObject>(new TGLPlane(0, 0)); }, false},
        {"icosahedron",
         [](const QString&) {
             auto ico = std::make_unique<TGLIcosahedron>(0, 0);
             ico->SetDetail(1);
             return std::unique_ptr<TGLObject>(std::move(ico));
         },
         true},
        {"octahedron",
         [](const QString& file) { return std::unique_ptr<TGLObject>(LoadOne(file).release()); }, true},
    };
    for (const PlacedCase& c : cases)
        for (const Placement& placement : kPlacements) {
            const std::string where = std::string(c.name) + ", " + placement.name;
            std::unique_ptr<TGLObject> object = c.make(octahedronFile);
            ASSERT_TRUE(object) << where;
            Place(*object, placement);
            const auto drawn = DrawnTriangles(*object);
            const QVector3D centre = MatrixOf(placement).map(QVector3D(0, 0, 0));
            for (const char* fileName : {"placed.stl", "placed.obj"}) {
                const QString path = folder.Path(QString::fromLatin1(fileName));
                ASSERT_EQ(meshio::ExportObject(*object, path, meshio::ExportFormatFor(QString(), path)),
                          QString())
                    << where;
                std::vector<Triangle> written = ReadBack(path);
                ASSERT_EQ(written.size(), drawn.size()) << where << ", " << fileName;
                // Each drawn triangle is one written triangle: the same corners.
                for (const auto& d : drawn) {
                    const auto match = std::find_if(written.begin(), written.end(), [&](const Triangle& w) {
                        return std::all_of(d.begin(), d.end(), [&](const QVector3D& p) {
                            return std::any_of(w.begin(), w.end(),
                                               [&](const Corner& q) { return Near(p, q.position, 1e-5f); });
                        });
                    });
                    ASSERT_NE(match, written.end()) << where << ", " << fileName << ": a drawn triangle at "
                                                    << d[0].x() << " " << d[0].y() << " " << d[0].z();
                    if (c.convex) {
                        EXPECT_GT(QVector3D::dotProduct(WindingNormal(*match), Centroid(*match) - centre), 0)
                            << where << ", " << fileName << ": a face turns inward";
                    }
                    written.erase(match);
                }
            }
        }
}

struct SceneCase {
    meshio::ExportFormat format;
    const char* fileName;
    std::vector<const char*> files; // what is written (beside the pairs' face files)
};

// A scene is written whole but for its lights: OBJ names one object per
// scene object, STL and PLY merge them, our pair gives each object a pair of
// its own; a scene of lights alone is refused.
TEST(Export, TheSceneIsWrittenWithoutItsLights)
{
    samples::Folder folder;
    TGLCube cube(4, 0);
    TGLLight light(0, 0);
    auto octahedron = LoadOne(folder.Write(QStringLiteral("octahedron.obj"), Octahedron()));
    ASSERT_TRUE(octahedron);
    octahedron->SetSourceFile(QFile::encodeName(folder.Path(QStringLiteral("my gem.coor"))).toStdString());
    TGLPlane plane(0, -3);
    const std::vector<TGLObject*> scene = {&cube, &light, octahedron.get(), &plane};
    const std::size_t triangles = 12 + 8 + 2;
    for (const SceneCase& c :
         {SceneCase{meshio::ExportFormat::Obj, "scene.obj", {"scene.obj"}},
          SceneCase{meshio::ExportFormat::Stl, "scene.stl", {"scene.stl"}},
          SceneCase{meshio::ExportFormat::Ply, "scene.ply", {"scene.ply"}},
          SceneCase{meshio::ExportFormat::Pair,
                    "scene.coor",
                    {"scene-cube_1.coor", "scene-my_gem_2.coor", "scene-plane_3.coor"}}}) {
        const QString fileName = folder.Path(QString::fromLatin1(c.fileName));
        ASSERT_EQ(meshio::ExportScene(scene, fileName, c.format), QString()) << c.fileName;
        std::size_t read = 0;
        for (const char* name : c.files) {
            const QString path = folder.Path(QString::fromLatin1(name));
            if (c.format != meshio::ExportFormat::Pair) {
                read += ReadBack(path).size();
            } else if (const auto pair = LoadOne(path)) {
                read += static_cast<std::size_t>(pair->GetFaceCount());
            }
        }
        EXPECT_EQ(read, triangles) << c.fileName;
        if (c.format == meshio::ExportFormat::Pair) {
            EXPECT_FALSE(QFile::exists(fileName));
        }
    }
    QFile obj(folder.Path(QStringLiteral("scene.obj")));
    ASSERT_TRUE(obj.open(QIODevice::ReadOnly));
    QStringList objects;
    for (const QByteArray& line : obj.readAll().split('\n'))
        if (line.startsWith("o "))
            objects << QString::fromUtf8(line.mid(2));
    EXPECT_EQ(objects, (QStringList{"cube_1", "my_gem_2", "plane_3"}));

    const QString onlyLights = folder.Path(QStringLiteral("lights.stl"));
    EXPECT_EQ(meshio::ExportScene({&light}, onlyLights, meshio::ExportFormat::Stl),
              QStringLiteral("Could not write %1: the scene has no objects to export (lights are left out)")
                  .arg(onlyLights));
    EXPECT_FALSE(QFile::exists(onlyLights));
}

} // namespace
