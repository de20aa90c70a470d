// SPDX-License-Identifier: GPL-3.0-or-later
// The helper's reply as the program decodes it: what it holds comes back
// whole, and every kind of damage a hostile helper could send is refused.
#include "MeshImportWire.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace {

constexpr std::size_t kBudget = std::size_t(1) << 30;

std::string Encode(const std::vector<meshio::PolyMesh>& meshes)
{
    std::string out;
    meshwire::EncodeMeshes(meshes,
                           [&](const void* p, std::size_t n) { out.append(static_cast<const char*>(p), n); });
    return out;
}

meshio::PolyMesh Triangle()
{
    meshio::PolyMesh m;
    m.vertices = {0, 0, 0, 2, 0, 0, 0, 3, -1};
    m.faceSizes = {3};
    m.indices = {0, 1, 2};
    return m;
}

meshio::PolyMesh Square()
{
    meshio::PolyMesh m;
    m.vertices = {-1, -1, 5, 1, -1, 5, 1, 1, 5, -1, 1, 5};
    m.faceSizes = {4, 3};
    m.indices = {0, 1, 2, 3, 0, 2, 1};
    return m;
}

void Put32(std::string& s, std::size_t at, std::uint32_t v) { std::memcpy(&s[at], &v, 4); }

TEST(ImportReply, MeshesComeBackWithTheirBoundsAndOneBasedVertexNumbers)
{
    const std::string bytes = Encode({Triangle(), Square()});
    meshwire::Reply reply;
    ASSERT_EQ(meshwire::Decode(bytes.data(), bytes.size(), kBudget, reply), "");
    ASSERT_TRUE(reply.ok);
    ASSERT_EQ(reply.meshes.size(), 2u);
    const coordfile::Mesh& square = reply.meshes[1];
    EXPECT_EQ(square.vertexCount, 4);
    EXPECT_EQ(square.vertices, Square().vertices);
    ASSERT_EQ(square.faces.size(), 2u);
    EXPECT_EQ(square.faces[1].First, 4);
    EXPECT_EQ(square.faces[1].Count, 3);
    EXPECT_EQ(square.indices, (std::vector<std::int32_t>{1, 2, 3, 4, 1, 3, 2}));
    const coordfile::Mesh& triangle = reply.meshes[0];
    EXPECT_EQ(triangle.minY, 0);
    EXPECT_EQ(triangle.maxY, 3);
    EXPECT_EQ(triangle.minZ, -1);
    EXPECT_EQ(triangle.maxX, 2);

    std::string failure;
    meshwire::EncodeFailure("STL: bad\nline\x01", [&](const void* p, std::size_t n) {
        failure.append(static_cast<const char*>(p), n);
    });
    ASSERT_EQ(meshwire::Decode(failure.data(), failure.size(), kBudget, reply), "");
    EXPECT_FALSE(reply.ok);
    EXPECT_EQ(reply.reason, "STL: bad line "); // one line, no control characters
}

struct Damage {
    const char* name;
    void (*apply)(std::string&); // on the encoded triangle
};

// Offsets in the encoded triangle: header 0-23, mesh header 24-39,
// positions 40-75, face size 76, vertex numbers 80-91.
TEST(ImportReply, DamagedRepliesAreRefusedAndLeaveNothing)
{
    const Damage damages[] = {
        {"empty", [](std::string& s) { s.clear(); }},
        {"cut in the header", [](std::string& s) { s.resize(20); }},
        {"cut in a mesh", [](std::string& s) { s.resize(s.size() - 4); }},
        {"bytes left over", [](std::string& s) { s += "more"; }},
        {"another magic", [](std::string& s) { s[0] = 'X'; }},
        {"another version", [](std::string& s) { Put32(s, 4, 2); }},
        {"an unknown status", [](std::string& s) { Put32(s, 8, 7); }},
        {"no meshes", [](std::string& s) { Put32(s, 12, 0); }},
        {"more meshes than bytes", [](std::string& s) { Put32(s, 12, 0xFFFFFFFF); }},
        {"a length not its own", [](std::string& s) { Put32(s, 16, 1000); }},
        {"no vertices", [](std::string& s) { Put32(s, 24, 0); }},
        {"vertices beyond the end", [](std::string& s) { Put32(s, 24, 0x7FFFFFFF); }},
        {"faces beyond the end", [](std::string& s) { Put32(s, 28, 0xFFFFFFFF); }},
        {"vertex numbers beyond the end", [](std::string& s) { Put32(s, 32, 0xFFFFFFFF); }},
        {"a mesh header's spare word set", [](std::string& s) { Put32(s, 36, 1); }},
        {"a face of two vertices", [](std::string& s) { Put32(s, 76, 2); }},
        {"a face longer than the numbers", [](std::string& s) { Put32(s, 76, 4); }},
        {"a face size that wraps", [](std::string& s) { Put32(s, 76, 0xFFFFFFFF); }},
        {"a vertex number out of range", [](std::string& s) { Put32(s, 84, 3); }},
        {"a negative vertex number", [](std::string& s) { Put32(s, 88, 0xFFFFFFFF); }},
        {"a position not finite",
         [](std::string& s) {
             const float nan = std::numeric_limits<float>::quiet_NaN();
             std::memcpy(&s[48], &nan, 4);
         }},
        {"an infinite position",
         [](std::string& s) {
             const float inf = std::numeric_limits<float>::infinity();
             std::memcpy(&s[72], &inf, 4);
         }},
    };
    const std::string good = Encode({Triangle()});
    ASSERT_EQ(good.size(), 92u);
    for (const Damage& d : damages) {
        std::string bytes = good;
        d.apply(bytes);
        meshwire::Reply reply;
        EXPECT_NE(meshwire::Decode(bytes.data(), bytes.size(), kBudget, reply), "") << d.name;
        EXPECT_FALSE(reply.ok) << d.name;
        EXPECT_TRUE(reply.meshes.empty()) << d.name;
    }
}

TEST(ImportReply, MeshesBeyondTheMemoryBudgetAreRefused)
{
    const std::string bytes = Encode({Triangle(), Square()});
    meshwire::Reply reply;
    EXPECT_EQ(meshwire::Decode(bytes.data(), bytes.size(), 1000, reply), "");
    EXPECT_EQ(meshwire::Decode(bytes.data(), bytes.size(), 200, reply),
              "meshes larger than the memory limit");
    EXPECT_TRUE(reply.meshes.empty());
}

} // namespace
