// SPDX-License-Identifier: GPL-3.0-or-later
// Import through the helper process: files that crash, hang or exhaust the
// library, and helpers that misbehave, each give one clear message while
// this process goes on importing.
#include "MeshImport.h"
#include "MeshImportWire.h"
#include "MeshSamples.h"
#include "TGLPolyObject.h"

#include <QFile>

#include <gtest/gtest.h>

#include <string>

namespace {

struct Imported {
    std::vector<std::unique_ptr<TGLPolyObject>> objects;
    QStringList messages;
};

Imported Import(const QString& fileName, const meshio::ImportOptions& options)
{
    Imported result;
    result.objects = meshio::ImportMeshes(
        fileName, [&](const QString& m) { result.messages << m; }, options);
    return result;
}

// After whatever went before, the box still comes in.
void ExpectTheBoxStillImports(const samples::Folder& folder)
{
    const Imported box = Import(folder.Write(QStringLiteral("box.obj"), samples::Obj()), {});
    ASSERT_EQ(box.objects.size(), 1u) << box.messages.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(box.objects[0]->GetFaceCount(), 6);
}

// In sanitizer builds the sanitizer ends the helper on a crash or a failed
// allocation with a status of its own: only the start of the message is sure.
#ifdef CORVANE_SANITIZE_BUILD
constexpr bool kExactReasons = false;
#else
constexpr bool kExactReasons = true;
#endif

struct HostileCase {
    const char* file;
    const char* reason; // in "the reader failed (...)"
};

// Files made by fuzzing the library inside the helper. In the program's own
// process each of them crashed it (SIGSEGV), made it take gigabytes or never
// returned.
TEST(ImportHelper, HostileFilesGiveTheReadersFailureAndTheProgramGoesOn)
{
    const HostileCase cases[] = {
        // One face announced, two faces of no vertices: the face count wraps.
        {"face-count-underflow.off", "killed by signal SIGSEGV"},
        {"no-count.dae", "killed by signal SIGSEGV"}, // a float array without its count
        {"mangled-list.ply", "killed by signal SIGSEGV"},
        // A binary glTF (2 and 1) whose first chunk claims 4 GB: allocated
        // while the library only detects the format.
        {"huge-json-chunk.glb", "ran out of memory"},
        {"huge-content-gltf1.glb", "ran out of memory"},
        // A letter among a primitive's vertex numbers: the reader loops,
        // growing its memory without end.
        {"letter-in-primitive.dae", "ran out of memory"},
        // A header that ends after "element ": the reader loops for ever.
        {"endless-header.ply", "took longer than 3 s"},
    };
    meshio::ImportOptions options;
    options.helperMemory = std::uint64_t(512) << 20;
    options.timeLimit = 3;
    for (const HostileCase& c : cases) {
        const QString path = QStringLiteral(CORVANE_HOSTILE_DIR "/") + QLatin1String(c.file);
        ASSERT_TRUE(QFile::exists(path)) << c.file;
        const Imported imported = Import(path, options);
        EXPECT_TRUE(imported.objects.empty()) << c.file;
        ASSERT_EQ(imported.messages.size(), 1) << c.file;
        const QString start = QStringLiteral("Could not load %1: the reader failed (").arg(path);
        EXPECT_TRUE(imported.messages[0].startsWith(start)) << imported.messages[0].toStdString();
        if (kExactReasons) {
            EXPECT_EQ(imported.messages[0], start + QLatin1String(c.reason) + QLatin1Char(')'));
        }
    }
    samples::Folder folder;
    ExpectTheBoxStillImports(folder);
}

// A reply of the right form that names a vertex the mesh does not have.
std::string ReplyWithAFaceOutOfRange()
{
    meshio::PolyMesh mesh;
    mesh.vertices = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    mesh.faceSizes = {3};
    mesh.indices = {0, 1, 3};
    std::string reply;
    meshwire::EncodeMeshes(
        {mesh}, [&](const void* p, std::size_t n) { reply.append(static_cast<const char*>(p), n); });
    return reply;
}

// A header announcing size bytes, as printf(1) writes it.
std::string HeaderOfSize(std::uint64_t size)
{
    std::string text = "printf 'CVMI\\001\\000\\000\\000\\000\\000\\000\\000\\001\\000\\000\\000";
    for (int i = 0; i < 8; ++i)
        text += "\\" + std::to_string((size >> (8 * i) & 0xFF) / 64) +
                std::to_string((size >> (8 * i) & 0x3F) / 8) + std::to_string(size >> (8 * i) & 7);
    return text + "'";
}

struct HelperCase {
    const char* name;
    std::string script;  // the helper's shell script (the reply file is $R)
    const char* message; // after "Could not load FILE: "
    // The time limit. Only the helper that never answers meets it; the others
    // get one they never reach, since the verdict on what they send must not
    // depend on how soon a loaded machine starts them (in a sanitizer build
    // each process of the script loads the preloaded runtimes: about 0.15 s).
    double seconds = 60;
};

// Stand-in helpers that crash, never answer, send garbage or too much.
TEST(ImportHelper, AHelperThatMisbehavesGivesAClearMessage)
{
    samples::Folder folder;
    const QString reply =
        folder.Write(QStringLiteral("reply.bin"), QByteArray::fromStdString(ReplyWithAFaceOutOfRange()));
    const HelperCase cases[] = {
        // (Rid of a sanitizer's preloaded runtime, which would turn the
        // signal into an exit status.)
        {"crashes", "ulimit -c 0; unset LD_PRELOAD; exec /bin/sh -c 'kill -SEGV $$'",
         "the reader failed (killed by signal SIGSEGV)"},
        // (What it starts is stopped with it: the test does not wait for it.)
        {"never answers", "sleep 60 & sleep 60", "the reader failed (took longer than 0.5 s)", 0.5},
        {"out of memory", "exit 3", "the reader failed (ran out of memory)"},
        {"fails", "exit 7", "the reader failed (stopped with status 7)"},
        {"silent", "exit 0", "the reader failed (sent nothing)"},
        {"short garbage", "echo garbage", "the reader failed (sent malformed data: a reply cut off)"},
        {"long garbage", "head -c 4096 /dev/urandom",
         "the reader failed (sent malformed data: no reply header)"},
        {"endless garbage", "exec cat /dev/zero", "the reader failed (sent malformed data: no reply header)"},
        {"too large", HeaderOfSize(std::uint64_t(1) << 40),
         "the reader failed (sent malformed data: a reply larger than the memory limit)"},
        {"more than announced", HeaderOfSize(100) + "; exec cat /dev/zero",
         "the reader failed (sent malformed data: more than the reply announced)"},
        {"cut off", HeaderOfSize(100), "the reader failed (sent malformed data: a reply cut off)"},
        {"out of range", "cat \"$R\"",
         "the reader failed (sent malformed data: a face names a vertex the mesh does not have)"},
    };
    const QString mesh = folder.Write(QStringLiteral("mesh.obj"), samples::Obj());
    int n = 0;
    for (const HelperCase& c : cases) {
        const QString helper = folder.Write(QStringLiteral("helper%1.sh").arg(++n),
                                            "#!/bin/sh\nR='" + QFile::encodeName(reply) + "'\n" +
                                                QByteArray::fromStdString(c.script) + "\n");
        QFile::setPermissions(helper, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        meshio::ImportOptions options;
        options.helper = helper;
        options.timeLimit = c.seconds;
        const Imported imported = Import(mesh, options);
        EXPECT_TRUE(imported.objects.empty()) << c.name;
        EXPECT_EQ(imported.messages.join(QLatin1Char('\n')).toStdString(),
                  QStringLiteral("Could not load %1: %2").arg(mesh, QLatin1String(c.message)).toStdString())
            << c.name;
    }

    meshio::ImportOptions missing;
    missing.helper = folder.Path(QStringLiteral("no-such-helper"));
    const Imported notStarted = Import(mesh, missing);
    ASSERT_EQ(notStarted.messages.size(), 1);
    EXPECT_TRUE(notStarted.messages[0].startsWith(
        QStringLiteral("Could not load %1: the import helper %2 could not be started (")
            .arg(mesh, missing.helper)))
        << notStarted.messages[0].toStdString();

    ExpectTheBoxStillImports(folder);
}

TEST(ImportHelper, TheProgramFindsTheHelperBuiltBesideIt)
{
    const QString helper = meshio::ImportHelper();
    ASSERT_FALSE(helper.isEmpty());
    EXPECT_TRUE(helper.endsWith(QStringLiteral("/corvane-import"))) << helper.toStdString();
}

} // namespace
