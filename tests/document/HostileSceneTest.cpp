// SPDX-License-Identifier: GPL-3.0-or-later
// Scene files made to hang the program or to exhaust it: paths that name
// something other than a regular file, files too large to read, a tight
// address-space limit, and scenes that ask for more than a frame can draw.
#include "DrawBudget.h"
#include "FifoWatchdog.h"
#include "SceneFile.h"
#include "TGLCube.h"
#include "TGLIcosahedron.h"
#include "TGLLight.h"
#include "TSceneDocument.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Stands in for the view: textures are numbered, messages recorded.
class Host : public TSceneHost {
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

QByteArray Scene(const QByteArray& objects)
{
    return R"({"format": "corvane-scene", "version": 1, "objects": [)" + objects + "]}";
}

class HostileSceneTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        doc.SetHost(&host);
    }
    void TearDown() override
    {
        doc.Clear();
        EXPECT_EQ(TGLLight::GetLightCount(), 0);
    }

    QString Path(const QString& name) const { return dir.filePath(name); }
    std::string Native(const QString& name) const { return QFile::encodeName(Path(name)).toStdString(); }
    void Write(const QString& name, const QByteArray& bytes) const
    {
        QFile f(Path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    // A file of the given size that takes no room on the disk.
    void Sparse(const QString& name, std::uint64_t size) const
    {
        std::ofstream(Native(name)).close();
        ASSERT_EQ(truncate(Native(name).c_str(), static_cast<off_t>(size)), 0);
    }

    QTemporaryDir dir;
    Host host;
    TSceneDocument doc;
};

// Loads a scene with the address space limited to limit bytes, says how it
// went and ends the process (run in a child).
[[noreturn]] void LoadWithin(const QString& file, rlim_t limit)
{
    const rlimit tight{limit, limit};
    setrlimit(RLIMIT_AS, &tight);
    TSceneDocument d;
    QString error;
    QStringList skipped;
    const bool loaded = d.Load(file, error, skipped);
    std::fprintf(stderr, "%s: %d objects\n", loaded ? "loaded" : qPrintable(error), d.Count());
    std::_Exit(loaded ? 0 : 1);
}

} // namespace

TEST_F(HostileSceneTest, PathsThatAreNotRegularFilesOrAreTooLargeAreRefusedWithoutBlocking)
{
    ASSERT_EQ(mkfifo(Native(QStringLiteral("pipe.png")).c_str(), 0600), 0);
    ASSERT_EQ(mkfifo(Native(QStringLiteral("pipe.coor")).c_str(), 0600), 0);
    ASSERT_EQ(mkfifo(Native(QStringLiteral("pipe.poly")).c_str(), 0600), 0);
    ASSERT_EQ(mkfifo(Native(QStringLiteral("pipe.cvs")).c_str(), 0600), 0);
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.png")));
    Sparse(QStringLiteral("huge.png"), (std::uint64_t(1) << 30) + 1);
    Sparse(QStringLiteral("huge.cvs"), std::uint64_t(scenefile::kMaxFileBytes) + 1);
    Write(QStringLiteral("pipe.coor.ok"), "");
    // A mesh whose coordinates are fine but whose face file is a pipe.
    Write(QStringLiteral("half.coor"), "3\n1,0,0,0\n2,1,0,0\n3,0,1,0\n");
    ASSERT_TRUE(QFile::link(Path(QStringLiteral("pipe.poly")), Path(QStringLiteral("half.poly"))));

    auto textured = [](const char* picture) {
        return Scene(QByteArray(R"({"class": "TGLCube", "texture": ")") + picture + "\"}");
    };
    auto mesh = [](const char* file) {
        return Scene(QByteArray(R"({"class": "TGLPolyObject", "mesh": {"file": ")") + file + "\"}}");
    };
    struct Case {
        const char* name;
        const char* scene; // the file opened
        QByteArray text;   // written to scene.cvs when the file is that
        bool loads;
        int objects;
        const char* says; // part of the error, or of a skipped line
    };
    const Case cases[] = {
        {"texture is a pipe", "scene.cvs", textured("pipe.png"), true, 1,
         "is not a regular file (it is a named pipe)"},
        {"texture is a folder", "scene.cvs", textured("folder.png"), true, 1,
         "is not a regular file (it is a folder)"},
        {"texture is too large", "scene.cvs", textured("huge.png"), true, 1, "is too large to read"},
        {"mesh file is a pipe", "scene.cvs", mesh("pipe.coor"), true, 0, "Failed to open file"},
        {"face file is a pipe", "scene.cvs", mesh("half.coor"), true, 0, "Could not open file"},
        {"scene is a pipe", "pipe.cvs", {}, false, 0, "is not a regular file (it is a named pipe)"},
        {"scene is too large", "huge.cvs", {}, false, 0, "is too large to read"},
    };
    const std::vector<std::string> pipes = {
        Native(QStringLiteral("pipe.png")), Native(QStringLiteral("pipe.coor")),
        Native(QStringLiteral("pipe.poly")), Native(QStringLiteral("pipe.cvs"))};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = Path(QString::fromLatin1(c.scene));
        if (!c.text.isEmpty())
            Write(QString::fromLatin1(c.scene), c.text);
        TSceneDocument d;
        d.SetHost(&host);
        QString error;
        QStringList skipped;
        FifoWatchdog watchdog(pipes);
        const bool loaded = d.Load(file, error, skipped);
        EXPECT_FALSE(watchdog.Stop()) << "the reader blocked on a named pipe";
        EXPECT_EQ(loaded, c.loads) << error.toStdString();
        EXPECT_EQ(d.Count(), c.objects);
        const QString said = loaded ? skipped.join('\n') : error;
        EXPECT_TRUE(said.contains(QString::fromUtf8(c.says))) << said.toStdString();
        EXPECT_TRUE(host.Loaded.isEmpty()) << "nothing but a regular file reaches the picture reader";
    }
}

TEST_F(HostileSceneTest, ASceneOpensUnderATightAddressSpaceLimit)
{
    Write(QStringLiteral("cube.cvs"), Scene(R"({"class": "TGLCube", "position": [1, 2, 3]})"));
    const QString file = Path(QStringLiteral("cube.cvs"));
    // Half a gigabyte more than the process holds already: far more than a
    // one-cube scene needs, far less than a reader that asks for the most a
    // scene file may hold.
    std::uint64_t held = 0;
    {
        std::ifstream status("/proc/self/status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind("VmSize:", 0) == 0)
                held = std::stoull(line.substr(7)) * 1024;
    }
    ASSERT_GT(held, 0u);
    const rlim_t limit = held + (std::uint64_t(512) << 20);
    EXPECT_EXIT(LoadWithin(file, limit), ::testing::ExitedWithCode(0), "loaded: 1 objects");
}

TEST_F(HostileSceneTest, AppendingAndRemovingAtTheEndKeepsTheListInOrder)
{
    // The document keeps the list's tail to append without a walk: every way
    // of changing the end must keep it.
    auto cube = [](float x) { return std::make_unique<TGLCube>(x, 0.0f); };
    TGLObject* a = doc.AddObject(cube(1), QStringLiteral("Place"));
    TGLObject* b = doc.AddObject(cube(2), QStringLiteral("Place"));
    doc.SetCurrent(b);
    doc.DeleteCurrent(); // the tail goes
    TGLObject* c = doc.AddObject(cube(3), QStringLiteral("Place"));
    EXPECT_EQ(doc.Objects(), (std::vector<TGLObject*>{a, c}));
    EXPECT_EQ(c->GetID(), a->GetID() + 1);
    doc.DeleteAll(QStringLiteral("Delete All"));
    EXPECT_EQ(doc.Count(), 0);
    TGLObject* d = doc.AddObject(cube(4), QStringLiteral("Place"));
    EXPECT_EQ(doc.Objects(), std::vector<TGLObject*>{d});
    ASSERT_TRUE(doc.Undo()); // d goes
    ASSERT_TRUE(doc.Undo()); // a and c come back
    TGLObject* e = doc.AddObject(cube(5), QStringLiteral("Place"));
    EXPECT_EQ(doc.Objects(), (std::vector<TGLObject*>{a, c, e}));
    EXPECT_EQ(doc.Count(), 3);
    EXPECT_EQ(doc.At(2), e);
}

TEST_F(HostileSceneTest, AManyObjectSceneLoadsWholeAndInOrder)
{
    constexpr int kObjects = 20000;
    QByteArray objects;
    for (int i = 0; i < kObjects; ++i)
        objects += (i ? "," : "") + QByteArray(R"({"class": "TGLPlane", "position": [)") +
                   QByteArray::number(i) + ", 0, 0]}";
    QString error;
    QStringList skipped;
    ASSERT_TRUE(
        scenefile::ReadText(doc, Scene(objects), QStringLiteral("many.cvs"), dir.path(), error, skipped));
    ASSERT_EQ(doc.Count(), kObjects);
    int i = 0;
    for (TGLObject* obj : doc.Objects()) {
        float x = 0, y = 0;
        obj->GetXY(x, y);
        ASSERT_EQ(x, static_cast<float>(i)) << "object " << i;
        ASSERT_EQ(obj->GetID(), ++i);
    }
}

TEST_F(HostileSceneTest, AnAmplifyingSceneKeepsItsObjectsAtADetailAFrameCanDraw)
{
    // Each case: icosahedra at their detail, and cubes; a thousand at detail
    // 7 is the 67 KB file that asks for 327,680,000 triangles a frame.
    struct Case {
        const char* name;
        int icosahedra;
        int detail;
        int smallOnes; // icosahedra at detail 1 beside them
        int cubes;
        int expectedCap; // -1: nothing lowered
    };
    const Case cases[] = {
        {"a thousand at detail 7", 1000, 7, 0, 0, 3},
        {"nine at detail 7 fit", 9, 7, 0, 0, -1},
        {"ten at detail 7 with small ones", 10, 7, 100, 0, 6},
        {"too many objects at any detail", 150001, 1, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray objects;
        auto add = [&](const QByteArray& o) { objects += (objects.isEmpty() ? "" : ",") + o; };
        for (int i = 0; i < c.icosahedra; ++i)
            add(R"({"class": "TGLIcosahedron", "detail": )" + QByteArray::number(c.detail) + "}");
        for (int i = 0; i < c.smallOnes; ++i)
            add(R"({"class": "TGLIcosahedron", "detail": 1})");
        for (int i = 0; i < c.cubes; ++i)
            add(R"({"class": "TGLCube"})");
        TSceneDocument d;
        QString error;
        QStringList skipped;
        ASSERT_TRUE(
            scenefile::ReadText(d, Scene(objects), QStringLiteral("heavy.cvs"), dir.path(), error, skipped));
        const int total = c.icosahedra + c.smallOnes + c.cubes;
        EXPECT_EQ(d.Count(), total) << "the user keeps every object";
        const std::vector<TGLObject*> all = d.Objects();
        const int expectedBig = c.expectedCap < 0 ? c.detail : c.expectedCap;
        EXPECT_EQ(all.front()->GetDetail(), expectedBig);
        if (c.smallOnes > 0) {
            EXPECT_EQ(all[static_cast<std::size_t>(c.icosahedra)]->GetDetail(), 1) << "below the cap: kept";
        }
        const std::uint64_t asked = std::uint64_t(c.icosahedra) * (20u << (2 * c.detail)) +
                                    std::uint64_t(c.smallOnes) * 80 + 12u * c.cubes;
        if (c.expectedCap < 0) {
            EXPECT_TRUE(skipped.isEmpty()) << skipped.join('\n').toStdString();
            continue;
        }
        ASSERT_EQ(skipped.size(), 1);
        EXPECT_TRUE(skipped[0].contains(QStringLiteral("would draw %1 triangles").arg(asked)))
            << skipped[0].toStdString();
        EXPECT_TRUE(skipped[0].contains(QStringLiteral("lowered to detail %1").arg(c.expectedCap)))
            << skipped[0].toStdString();
        const bool fits = drawbudget::Triangles(all, TGLIcosahedron::kMaxDepth) <= drawbudget::kMaxTriangles;
        EXPECT_EQ(fits, !skipped[0].contains(QStringLiteral("will draw slowly"))) << skipped[0].toStdString();
    }
}

TEST_F(HostileSceneTest, RaisingTheDetailOfManyShapesStopsAtWhatAFrameCanDraw)
{
    for (int i = 0; i < 1000; ++i)
        doc.AddObject(std::make_unique<TGLIcosahedron>(0.0f, 0.0f), QStringLiteral("Place"));
    doc.AddObject(std::make_unique<TGLCube>(0.0f, 0.0f), QStringLiteral("Place"));
    doc.SetDetailAll(7);
    ASSERT_EQ(host.Messages.size(), 1);
    EXPECT_TRUE(host.Messages[0].contains(QStringLiteral("Detail 7 would draw 327680012 triangles")))
        << host.Messages[0].toStdString();
    EXPECT_TRUE(host.Messages[0].contains(QStringLiteral("detail 3 is used instead")))
        << host.Messages[0].toStdString();
    EXPECT_EQ(doc.First()->GetDetail(), 3);
    EXPECT_LE(drawbudget::Triangles(doc.Objects(), TGLIcosahedron::kMaxDepth), drawbudget::kMaxTriangles);
    // Within the budget the level asked for is taken, without a word.
    doc.SetDetailAll(2);
    EXPECT_EQ(doc.First()->GetDetail(), 2);
    EXPECT_EQ(host.Messages.size(), 1);
}
