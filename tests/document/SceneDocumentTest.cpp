// SPDX-License-Identifier: GPL-3.0-or-later
// The scene document without a window: its file format, its damaged-file
// handling and the undo of every kind of edit.
#include "SceneFile.h"
#include "TGLCube.h"
#include "TGLIcosahedron.h"
#include "TGLLight.h"
#include "TGLLines.h"
#include "TGLPlane.h"
#include "TGLPolyObject.h"
#include "TGLPyramid.h"
#include "TSceneDocument.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) { *os << s.toStdString(); }

#include <functional>

namespace {

// Stands in for the view: no context, textures are numbered, messages recorded.
class FakeHost : public TSceneHost {
public:
    std::unique_ptr<TContextToken> EnterContext() override { return std::make_unique<Token>(); }
    void ShowMessage(const QString& text) override { Messages << text; }
    GLuint LoadTexture(const QString& fileName) override
    {
        if (!QFile::exists(fileName))
            throw std::runtime_error("no such picture");
        Loaded << fileName;
        return NextTexture++;
    }

    QStringList Messages;
    QStringList Loaded;
    GLuint NextTexture = 100;

private:
    class Token : public TContextToken {
    public:
        Token() : FScope(gl::nullDevice()) {}

    private:
        gl::ScopedDevice FScope;
    };
};

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A square of two quads and a triangle fan cap: faces of 4 and 3 vertices.
void WriteMeshPair(const QString& coor)
{
    WriteFile(coor, "5\n1,0,0,0\n2,1,0,0\n3,1,1,0\n4,0,1,0\n5,0.5,0.5,1\n");
    WriteFile(QString(coor).replace(QStringLiteral(".coor"), QStringLiteral(".poly")),
              "3\nf 1 2 3 4\nf 1 2 5\nf 2 3 5\n");
}

class SceneDocumentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        doc.SetHost(&host);
    }
    void TearDown() override
    {
        doc.Clear();
        EXPECT_EQ(TGLLight::GetLightCount(), 0) << "every light gave its unit back";
    }

    QString Path(const QString& name) const { return dir.filePath(name); }

    // One object of every class, a texture, a light of each kind and
    // non-default view options.
    void BuildFullScene(TSceneDocument& d)
    {
        WriteFile(Path(QStringLiteral("bricks.png")),
                  "not really a picture; the fake host only checks it exists");
        const GLuint texture = host.LoadTexture(Path(QStringLiteral("bricks.png")));
        RememberTextureFile(texture, Path(QStringLiteral("bricks.png")));

        TGLObject* cube = d.AddObject(std::make_unique<TGLCube>(1.5f, -2.25f), QStringLiteral("Place"));
        d.EditObject(cube, QStringLiteral("Edit"), [&](TGLObject& o) {
            o.SetZ(0.1f);
            o.SetRotation(10, 20, 30.5f);
            o.SetScale(4, 5, 6);
            o.SetColorF(0.2f, 0.4f, 0.6f);
            o.SetTexture(texture);
            o.SetSpecular(0.3f, 0.2f, 0.1f);
            o.SetShininess(64);
        });
        d.AddObject(std::make_unique<TGLPyramid>(-3, 3), QStringLiteral("Place"));
        d.AddObject(std::make_unique<TGLPlane>(0, -7), QStringLiteral("Place"));
        TGLObject* ico = d.AddObject(std::make_unique<TGLIcosahedron>(7, 7), QStringLiteral("Place"));
        ico->SetDetail(1);
        std::unique_ptr<TGLLight> point, sun;
        {
            gl::ScopedDevice none(gl::nullDevice());
            point = std::make_unique<TGLLight>(2, 3);
            sun = std::make_unique<TGLLight>(-2, -3);
        }
        point->SetLightColor(0, 0.1f, 0.2f, 0.3f);
        sun->SetLightColor(1, 0.9f, 0.8f, 0.7f);
        sun->SetW(0);
        d.AddObject(std::move(point), QStringLiteral("Add Light"));
        d.AddObject(std::move(sun), QStringLiteral("Add Light"));
        WriteMeshPair(Path(QStringLiteral("roof.coor")));
        auto poly = std::make_unique<TGLPolyObject>();
        ASSERT_TRUE(poly->LoadFromFile(QFile::encodeName(Path(QStringLiteral("roof.coor"))).toStdString(),
                                       [](const std::string&) {}));
        poly->GrowScale(1, 1, 1, false);
        d.AddObject(std::move(poly), QStringLiteral("Load Object"));
        // Streamlines: a line, a single point and a line of none.
        auto lines = std::make_unique<TGLLines>();
        lines->SetLines({{{0, 0, 0}, {1.5f, -2, 0.25f}, {3, 1, 1e-7f}}, {{4, 4, 4}}, {}});
        lines->SetLineWidth(2.5f);
        lines->SetColorF(0.1f, 0.1f, 0.1f);
        d.AddObject(std::move(lines), QStringLiteral("Streamlines"));
        d.EditView(QStringLiteral("Options"), [](TViewState& v) {
            v.CameraRotation = {33, -12.5f, 4};
            v.CameraTranslation = {1, 2, 3};
            v.Zoom = 1.5f;
            v.Perspective = true;
            v.WireFrame = true;
            v.DrawAxis = false;
            v.Lighting = true;
            v.RotateXY = false;
            v.BackColorSet = true;
            v.BackColor = {0.5f, 0.25f, 0};
            v.AnimateFlags = afCameraY | afObjectZ;
            v.AnimateStep = -7;
            v.AnimationInterval = 40;
        });
        d.SetCurrent(d.At(2));
    }

    enum { afCameraY = 2, afObjectZ = 32 };

    QTemporaryDir dir;
    FakeHost host;
    TSceneDocument doc;
};

} // namespace

TEST_F(SceneDocumentTest, ASavedSceneOpensWithTheSameValuesAndSavesToTheSameBytes)
{
    BuildFullScene(doc);
    const QString file = Path(QStringLiteral("full.cvs"));
    QString error;
    ASSERT_TRUE(doc.Save(file, error)) << error.toStdString();
    EXPECT_FALSE(doc.IsModified());
    const QByteArray first = ReadFile(file);
    ASSERT_TRUE(doc.Save(file, error));
    EXPECT_EQ(ReadFile(file), first) << "saving twice gives the same bytes";
    EXPECT_TRUE(first.contains("\"texture\": \"bricks.png\"")) << "pictures are kept relative to the scene";
    EXPECT_TRUE(first.contains("\"file\": \"roof.coor\"")) << "meshes are kept relative to the scene";

    TSceneDocument copy;
    copy.SetHost(&host);
    QStringList skipped;
    ASSERT_TRUE(copy.Load(file, error, skipped)) << error.toStdString();
    EXPECT_TRUE(skipped.isEmpty()) << skipped.join('\n').toStdString();
    EXPECT_EQ(copy.FileName(), file);
    EXPECT_FALSE(copy.IsModified());
    ASSERT_EQ(copy.Count(), doc.Count());
    EXPECT_EQ(copy.View(), doc.View());
    EXPECT_EQ(copy.IndexOf(copy.Current()), 2);
    for (int i = 0; i < doc.Count(); ++i) {
        TObjectState want = TObjectState::Capture(*doc.At(i));
        TObjectState got = TObjectState::Capture(*copy.At(i));
        // The copy's texture is a new one made from the same picture.
        if (want.Texture != 0) {
            EXPECT_EQ(TextureFileOf(got.Texture), TextureFileOf(want.Texture));
            got.Texture = want.Texture;
        }
        EXPECT_TRUE(got == want) << "object " << i;
        EXPECT_EQ(copy.At(i)->GetID(), doc.At(i)->GetID());
    }
    auto* poly = dynamic_cast<TGLPolyObject*>(copy.At(6));
    ASSERT_NE(poly, nullptr);
    EXPECT_EQ(poly->GetVertexCount(), 5);
    ASSERT_EQ(poly->GetFaceCount(), 3);
    EXPECT_EQ(poly->GetFaceIndices(0), (std::vector<int>{1, 2, 3, 4}));
    auto* lines = dynamic_cast<TGLLines*>(copy.At(7));
    ASSERT_NE(lines, nullptr);
    EXPECT_EQ(lines->GetLines(), static_cast<TGLLines*>(doc.At(7))->GetLines());
    EXPECT_EQ(lines->GetLineWidth(), 2.5f);
    EXPECT_EQ(scenefile::ToText(copy, dir.path()), first) << "the opened scene saves to the same text";
}

TEST_F(SceneDocumentTest, TheSampleSceneLoadsWhole)
{
    QString error;
    QStringList skipped;
    ASSERT_TRUE(doc.Load(QStringLiteral(CORVANE_SAMPLES_DIR "/still-life.cvs"), error, skipped))
        << error.toStdString();
    EXPECT_TRUE(skipped.isEmpty()) << skipped.join('\n').toStdString();
    EXPECT_EQ(doc.Count(), 7);
    EXPECT_EQ(static_cast<TGLPolyObject*>(doc.At(4))->GetFaceCount(), 2048)
        << "the torus, found beside the scene";
    EXPECT_TRUE(doc.View().Lighting);
}

TEST_F(SceneDocumentTest, EmbeddedGeometryKeepsTheSceneWhenTheMeshFileMoves)
{
    BuildFullScene(doc);
    const QString file = Path(QStringLiteral("scene.cvs"));
    QString error;
    ASSERT_TRUE(doc.Save(file, error));
    ASSERT_TRUE(QFile::remove(Path(QStringLiteral("roof.coor"))));
    TSceneDocument copy;
    copy.SetHost(&host);
    QStringList skipped;
    ASSERT_TRUE(copy.Load(file, error, skipped));
    EXPECT_TRUE(skipped.isEmpty()) << skipped.join('\n').toStdString();
    ASSERT_EQ(copy.Count(), doc.Count());
    EXPECT_EQ(static_cast<TGLPolyObject*>(copy.At(6))->GetFaceCount(), 3);
}

TEST_F(SceneDocumentTest, DamagedFilesSayWhatIsWrongAndLoadWhatTheyCan)
{
    WriteMeshPair(Path(QStringLiteral("ok.coor")));
    const QByteArray head = R"({"format": "corvane-scene", "version": 1, )";
    auto light = [](int i) {
        return QByteArray(R"({"class": "TGLLight", "position": [)") + QByteArray::number(i) + ", 0, 15]}";
    };
    QByteArray nineLights = head + "\"objects\": [";
    for (int i = 0; i < 9; ++i)
        nineLights += (i ? "," : "") + light(i);
    nineLights += "]}";

    struct Case {
        const char* name;
        QByteArray text;
        bool loads;
        int objects;      // loaded
        const char* says; // part of the error or of a skipped line
    };
    const Case cases[] = {
        {"not JSON", "{\"format\": ", false, 0, "is not a scene file"},
        {"another JSON file", "{\"name\": \"x\"}", false, 0, "does not say \"format\""},
        {"a list", "[1, 2]", false, 0, "is not a scene file"},
        {"no version", R"({"format": "corvane-scene", "objects": []})", false, 0,
         "no valid scene file version"},
        {"newer version", R"({"format": "corvane-scene", "version": 7, "objects": []})", false, 0,
         "version 7, newer than this program reads"},
        {"fractional version", R"({"format": "corvane-scene", "version": 1.5})", false, 0,
         "no valid scene file version"},
        {"objects not a list", head + R"("objects": {"class": "TGLCube"}})", false, 0,
         "'objects' is not a list"},
        {"unknown class", head + R"("objects": [{"class": "TGLTeapot"}, {"class": "TGLCube"}]})", true, 1,
         "'TGLTeapot' is not a class"},
        {"no class", head + R"("objects": [{"position": [0, 0, 0]}]})", true, 0, "it has no 'class'"},
        {"object not an object", head + R"("objects": [3, {"class": "TGLPlane"}]})", true, 1,
         "not an object"},
        {"mistyped position", head + R"("objects": [{"class": "TGLCube", "position": "here"}]})", true, 0,
         "'position' must be a list of 3 numbers"},
        {"short colour", head + R"("objects": [{"class": "TGLCube", "color": [1, 0]}]})", true, 0,
         "'color' must be a list of 3 numbers"},
        {"huge number", head + R"("objects": [{"class": "TGLCube", "scale": [1e300, 1, 1]}]})", true, 0,
         "not a finite number"},
        {"detail out of range", head + R"("objects": [{"class": "TGLIcosahedron", "detail": 40}]})", true, 0,
         "'detail' must be a whole number from 0 to 7"},
        {"missing mesh file",
         head + R"("objects": [{"class": "TGLPolyObject", "mesh": {"file": "gone.coor"}}]})", true, 0,
         "gone.coor"},
        {"mesh file that loads",
         head + R"("objects": [{"class": "TGLPolyObject", "mesh": {"file": "ok.coor"}}]})", true, 1, ""},
        {"embedded face out of range",
         head + R"("objects": [{"class": "TGLPolyObject", "mesh": {"vertices": [0,0,0, 1,0,0, 0,1,0],
            "faceSizes": [3], "faceIndices": [1, 2, 9]}}]})",
         true, 0, "names vertex 9, outside 1..3"},
        {"embedded face of two",
         head + R"("objects": [{"class": "TGLPolyObject", "mesh": {"vertices": [0,0,0, 1,0,0],
            "faceSizes": [2], "faceIndices": [1, 2]}}]})",
         true, 0, "bad vertex count"},
        {"embedded count lies",
         head + R"("objects": [{"class": "TGLPolyObject", "mesh": {"vertexCount": 1000000000,
            "vertices": [0,0,0, 1,0,0, 0,1,0], "faceSizes": [3], "faceIndices": [1, 2, 3]}}]})",
         true, 0, "'vertexCount' says 1000000000 but 3"},
        {"bad base64", head + R"("objects": [{"class": "TGLPolyObject", "mesh": {"vertices": "@@@@",
            "faceSizes": [3], "faceIndices": [1, 2, 3]}}]})",
         true, 0, "not valid base64"},
        {"lines past their points",
         head + R"("objects": [{"class": "TGLLines", "lines": {"points": [0,0,0, 1,1,1],
            "lineSizes": [2, 1]}}]})",
         true, 0, "line 2 has a bad point count"},
        {"lines of a negative count",
         head + R"("objects": [{"class": "TGLLines", "lines": {"points": [0,0,0], "lineSizes": [-1]}}]})",
         true, 0, "line 1 has a bad point count"},
        {"points no line takes",
         head +
             R"("objects": [{"class": "TGLLines", "lines": {"points": [0,0,0, 1,1,1], "lineSizes": [1]}}]})",
         true, 0, "do not use all their points"},
        {"lines without points", head + R"("objects": [{"class": "TGLLines"}]})", true, 0,
         "'lines' is missing"},
        {"lines that load",
         head +
             R"("objects": [{"class": "TGLLines", "lines": {"points": [0,0,0, 1,1,1], "lineSizes": [2]}}]})",
         true, 1, ""},
        {"missing picture", head + R"("objects": [{"class": "TGLCube", "texture": "gone.png"}]})", true, 1,
         "gone.png: no such picture"},
        {"nine lights", nineLights, true, 8, "all 8 light units are in use"},
        {"bad view option",
         head + R"("view": {"zoom": -2, "axes": "yes"}, "objects": [{"class": "TGLCube"}]})", true, 1,
         "'zoom' must lie between"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = Path(QStringLiteral("damaged.cvs"));
        WriteFile(file, c.text);
        TSceneDocument d;
        d.SetHost(&host);
        QString error;
        QStringList skipped;
        const bool loaded = d.Load(file, error, skipped);
        EXPECT_EQ(loaded, c.loads) << error.toStdString();
        EXPECT_EQ(d.Count(), c.objects);
        const QString said = loaded ? skipped.join('\n') : error;
        EXPECT_TRUE(said.contains(QString::fromUtf8(c.says))) << said.toStdString();
        if (loaded && c.says[0] != '\0') {
            EXPECT_FALSE(skipped.isEmpty());
        }
        if (!loaded) {
            EXPECT_TRUE(error.contains(file)) << "the message names the file";
            EXPECT_TRUE(d.FileName().isEmpty());
        }
    }
}

TEST_F(SceneDocumentTest, EveryKindOfEditUndoesAndRedoesExactly)
{
    struct Case {
        const char* name;
        std::function<void(TSceneDocument&)> edit;
        int select = -1; // the object made current before the edit
    };
    const Case cases[] = {
        {"place",
         [](TSceneDocument& d) { d.AddObject(std::make_unique<TGLCube>(4, 4), QStringLiteral("Place")); }},
        {"copy", [](TSceneDocument& d) { d.CopyCurrent(); }},
        {"copy a light", [](TSceneDocument& d) { d.CopyCurrent(); }, 4},
        {"delete", [](TSceneDocument& d) { d.DeleteCurrent(); }},
        {"delete a light", [](TSceneDocument& d) { d.DeleteCurrent(); }, 5},
        {"delete all", [](TSceneDocument& d) { d.DeleteAll(QStringLiteral("Delete All")); }},
        {"drag",
         [](TSceneDocument& d) {
             TGLObject* obj = d.At(1);
             const TObjectState before = TObjectState::Capture(*obj);
             for (int step = 0; step < 5; ++step) // the moves of one drag
                 obj->SetXY(static_cast<float>(step), 1);
             obj->RotateXY(15, 0);
             d.CommitObjectEdit(obj, before, QStringLiteral("Move"));
         }},
        {"colour",
         [](TSceneDocument& d) {
             d.EditObject(d.At(0), QStringLiteral("Colour"), [](TGLObject& o) { o.SetColor(0x00FF00); });
         }},
        {"material",
         [](TSceneDocument& d) {
             d.EditObject(d.At(3), QStringLiteral("Material"), [](TGLObject& o) {
                 o.SetSpecular(1, 1, 1);
                 o.SetShininess(20);
             });
         }},
        {"texture",
         [](TSceneDocument& d) {
             d.EditObject(d.At(0), QStringLiteral("Texture"), [](TGLObject& o) { o.SetTexture(0); });
         }},
        {"light options",
         [](TSceneDocument& d) {
             d.EditObject(d.At(5), QStringLiteral("Light"), [](TGLObject& o) {
                 static_cast<TGLLight&>(o).SetLightColor(2, 0, 0, 1);
                 static_cast<TGLLight&>(o).SetW(1);
             });
         }},
        {"subdivision", [](TSceneDocument& d) { d.SetDetailAll(5); }},
        {"view options",
         [](TSceneDocument& d) {
             d.EditView(QStringLiteral("Options"), [](TViewState& v) {
                 v.WireFrame = false;
                 v.BackColorSet = false;
             });
         }},
        {"camera drag",
         [](TSceneDocument& d) {
             const TViewState before = d.View();
             d.LiveView().CameraRotation[1] += 45;
             d.CommitViewEdit(before, QStringLiteral("Rotate Camera"));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TSceneDocument d;
        d.SetHost(&host);
        BuildFullScene(d);
        if (c.select >= 0)
            d.SetCurrent(d.At(c.select));
        d.UndoStack()->setClean();
        const QString before = QString::fromUtf8(scenefile::ToText(d, dir.path()));
        const int steps = d.UndoStack()->count();
        c.edit(d);
        const QString after = QString::fromUtf8(scenefile::ToText(d, dir.path()));
        ASSERT_NE(after, before) << "the edit changed something";
        EXPECT_EQ(d.UndoStack()->count(), steps + 1) << "one edit, one step";
        EXPECT_TRUE(d.IsModified());
        auto now = [&] { return QString::fromUtf8(scenefile::ToText(d, dir.path())); };
        ASSERT_TRUE(d.Undo());
        EXPECT_EQ(now(), before);
        EXPECT_FALSE(d.IsModified());
        ASSERT_TRUE(d.Redo());
        EXPECT_EQ(now(), after);
        ASSERT_TRUE(d.Undo());
        EXPECT_EQ(now(), before);
    }
}

TEST_F(SceneDocumentTest, UndoingADeletedLightNeedsAFreeLightUnit)
{
    std::vector<std::unique_ptr<TGLLight>> others;
    std::unique_ptr<TGLLight> light;
    {
        gl::ScopedDevice none(gl::nullDevice());
        light = std::make_unique<TGLLight>(0, 0);
    }
    doc.AddObject(std::move(light), QStringLiteral("Add Light"));
    doc.DeleteCurrent();
    EXPECT_EQ(TGLLight::GetLightCount(), 0) << "a deleted light gives its unit back at once";
    {
        gl::ScopedDevice none(gl::nullDevice());
        for (int i = 0; i < TGLLight::kMaxLights; ++i)
            others.push_back(std::make_unique<TGLLight>(0, 0));
    }
    EXPECT_FALSE(doc.Undo());
    EXPECT_EQ(doc.Count(), 0) << "the refused undo changed nothing";
    EXPECT_EQ(doc.UndoStack()->index(), 2);
    EXPECT_EQ(host.Messages, QStringList{"You can't have more than 8 lights!"});
    {
        gl::ScopedDevice none(gl::nullDevice());
        others.pop_back();
    }
    EXPECT_TRUE(doc.Undo());
    ASSERT_EQ(doc.Count(), 1);
    EXPECT_TRUE(static_cast<TGLLight*>(doc.At(0))->HasUnit());
    EXPECT_EQ(TGLLight::GetLightCount(), TGLLight::kMaxLights);
    {
        gl::ScopedDevice none(gl::nullDevice());
        others.clear();
    }
    doc.Clear();
}

TEST_F(SceneDocumentTest, AFailedSaveLeavesTheOldFileAndSaysWhy)
{
    BuildFullScene(doc);
    const QString file = Path(QStringLiteral("kept.cvs"));
    QString error;
    ASSERT_TRUE(doc.Save(file, error));
    const QByteArray old = ReadFile(file);
    doc.AddObject(std::make_unique<TGLCube>(0, 0), QStringLiteral("Place"));
    EXPECT_FALSE(doc.Save(Path(QStringLiteral("no-such-folder/kept.cvs")), error));
    EXPECT_TRUE(error.contains(QStringLiteral("no-such-folder"))) << error.toStdString();
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.FileName(), file);
    EXPECT_EQ(ReadFile(file), old);
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

TEST_F(SceneDocumentTest, EveryEditSaysWhatItChangedAndUndoAndRedoSayTheSame)
{
    using K = TSceneChange::Kind;
    struct Case {
        const char* name;
        std::function<void(TSceneDocument&)> edit;
        K kind;          // what the edit and its redo say
        K undone;        // what its undo says
        int object = -1; // the object named, by index; -1 none (a list change) or every one
    };
    const Case cases[] = {
        {"place",
         [](TSceneDocument& d) { d.AddObject(std::make_unique<TGLCube>(4, 4), QStringLiteral("Place")); },
         K::ObjectsAdded, K::ObjectsRemoved},
        {"copy", [](TSceneDocument& d) { d.CopyCurrent(); }, K::ObjectsAdded, K::ObjectsRemoved},
        {"delete", [](TSceneDocument& d) { d.DeleteCurrent(); }, K::ObjectsRemoved, K::ObjectsAdded},
        {"delete all", [](TSceneDocument& d) { d.DeleteAll(QStringLiteral("Delete All")); },
         K::ObjectsRemoved, K::ObjectsAdded},
        {"colour",
         [](TSceneDocument& d) {
             d.EditObject(d.At(3), QStringLiteral("Colour"), [](TGLObject& o) { o.SetColor(0x00FF00); });
         },
         K::ObjectChanged, K::ObjectChanged, 3},
        {"drag",
         [](TSceneDocument& d) {
             TGLObject* obj = d.At(1);
             const TObjectState before = TObjectState::Capture(*obj);
             obj->SetXY(5, 1);
             d.CommitObjectEdit(obj, before, QStringLiteral("Move"));
         },
         K::ObjectChanged, K::ObjectChanged, 1},
        {"subdivision", [](TSceneDocument& d) { d.SetDetailAll(5); }, K::ObjectChanged, K::ObjectChanged},
        {"view options",
         [](TSceneDocument& d) {
             d.EditView(QStringLiteral("Options"), [](TViewState& v) { v.WireFrame = false; });
         },
         K::ViewChanged, K::ViewChanged},
        {"camera drag",
         [](TSceneDocument& d) {
             const TViewState before = d.View();
             d.LiveView().CameraRotation[1] += 45;
             d.CommitViewEdit(before, QStringLiteral("Rotate Camera"));
         },
         K::ViewChanged, K::ViewChanged},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TSceneDocument d;
        d.SetHost(&host);
        BuildFullScene(d);
        const TGLObject* object = c.object >= 0 ? d.At(c.object) : nullptr;
        std::vector<std::pair<K, const TGLObject*>> said;
        QObject::connect(&d, &TSceneDocument::SceneChanged,
                         [&](const TSceneChange& change) { said.emplace_back(change.kind, change.object); });
        const std::vector<std::pair<K, const TGLObject*>> done{{c.kind, object}}, undone{{c.undone, object}};
        c.edit(d);
        EXPECT_EQ(said, done) << "the edit";
        said.clear();
        ASSERT_TRUE(d.Undo());
        EXPECT_EQ(said, undone) << "its undo";
        said.clear();
        ASSERT_TRUE(d.Redo());
        EXPECT_EQ(said, done) << "its redo";
    }

    // Reading a file replaces everything, and says so.
    BuildFullScene(doc);
    QString error;
    ASSERT_TRUE(doc.Save(Path(QStringLiteral("all.cvs")), error)) << error.toStdString();
    TSceneDocument read;
    read.SetHost(&host);
    std::vector<K> kinds;
    QObject::connect(&read, &TSceneDocument::SceneChanged,
                     [&](const TSceneChange& change) { kinds.push_back(change.kind); });
    QStringList skipped;
    ASSERT_TRUE(read.Load(Path(QStringLiteral("all.cvs")), error, skipped)) << error.toStdString();
    EXPECT_EQ(kinds, std::vector<K>{K::Reloaded});
    read.Clear();
}
