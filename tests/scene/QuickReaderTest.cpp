// SPDX-License-Identifier: GPL-3.0-or-later
// The quick reading of a coordinate and face file pair (two threads, streamed
// through a buffer) against the plain sequential parse of the same bytes: it
// must give exactly the same mesh, or decline so that the plain parse runs.
#include "CoordFile.h"
#include "TGLPolyObject.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kLimit = std::size_t(256) << 20;

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool SameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Every difference between two parsed meshes, as text for the failure message.
std::string Differences(const coordfile::Mesh& a, const coordfile::Mesh& b)
{
    std::ostringstream out;
    if (a.vertexCount != b.vertexCount || a.vertices.size() != b.vertices.size())
        return "vertex counts differ";
    for (std::size_t i = 0; i < a.vertices.size(); ++i)
        if (!SameBits(a.vertices[i], b.vertices[i]))
            out << "coordinate " << i << ": " << a.vertices[i] << " vs " << b.vertices[i] << "\n";
    const float boundsA[] = {a.minX, a.minY, a.minZ, a.maxX, a.maxY, a.maxZ};
    const float boundsB[] = {b.minX, b.minY, b.minZ, b.maxX, b.maxY, b.maxZ};
    for (int i = 0; i < 6; ++i)
        if (!SameBits(boundsA[i], boundsB[i]))
            out << "bound " << i << " differs\n";
    if (a.faces.size() != b.faces.size() || a.indices != b.indices)
        return out.str() + "faces or their vertex numbers differ";
    for (std::size_t i = 0; i < a.faces.size(); ++i)
        if (a.faces[i].First != b.faces[i].First || a.faces[i].Count != b.faces[i].Count)
            out << "face " << i << " differs\n";
    return out.str();
}

// Parses the pair both ways, the quick way with several buffer sizes so that
// records fall across buffer ends at different places. Returns whether the
// quick way took the pair (on every buffer size).
bool QuickAgreesWithPlain(const std::string& coor, const std::string& poly, std::size_t limit = kLimit)
{
    coordfile::Mesh plain;
    std::string error = coordfile::ParseCoordinates(coor, "m.coor", plain, limit);
    if (error.empty())
        error = coordfile::ParseFaces(poly, "m.poly", plain, limit);
    bool tookAll = true;
    for (std::size_t chunk : {std::size_t(1), std::size_t(129), std::size_t(1000), std::size_t(1) << 20}) {
        coordfile::Mesh quick;
        const bool took = coordfile::ParsePairQuickly(coordfile::SourceOfText(coor),
                                                      coordfile::SourceOfText(poly), quick, limit, chunk);
        tookAll = tookAll && took;
        if (!took)
            continue;
        EXPECT_EQ(error, "") << "the quick way took a pair the plain parse rejects (chunk " << chunk << ")";
        EXPECT_EQ(Differences(plain, quick), "") << "chunk " << chunk;
    }
    return tookAll;
}

// A grid of quads (or, with pentagons, each quad given a fifth corner in its
// middle), written with the given line end and spacing.
std::pair<std::string, std::string> Grid(int n, bool pentagons, const std::string& eol,
                                         const std::string& gap)
{
    std::ostringstream coor, poly;
    const int corners = n * n;
    const int middles = pentagons ? (n - 1) * (n - 1) : 0;
    coor << corners + middles << eol;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            coor << gap << i * n + j + 1 << "," << gap << i * 0.37 << "," << gap << std::sin(i * j * 0.01)
                 << "," << gap << -j * 1.25e-3 << eol;
    for (int k = 0; k < middles; ++k)
        coor << corners + k + 1 << "," << (k / (n - 1) + 0.5) * 0.37 << ",0.5," << k * 1e-7 << eol;
    poly << (n - 1) * (n - 1) << eol;
    for (int i = 0; i + 1 < n; ++i)
        for (int j = 0; j + 1 < n; ++j) {
            const int a = i * n + j + 1, b = a + 1, c = a + n + 1, d = a + n;
            poly << "q" << i << " " << a << gap << " " << b << " " << c;
            if (pentagons)
                poly << " " << corners + i * (n - 1) + j + 1;
            poly << " " << d << eol;
        }
    return {coor.str(), poly.str()};
}

} // namespace

struct QuickCase {
    const char* name;
    std::string coor;
    std::string poly;
    bool quick; // the quick way is expected to take it
};

class QuickReader : public ::testing::TestWithParam<QuickCase> {};

TEST_P(QuickReader, GivesWhatThePlainParseGivesOrDeclines)
{
    const QuickCase& c = GetParam();
    EXPECT_EQ(QuickAgreesWithPlain(c.coor, c.poly), c.quick);
}

const char* kTri = "3\n1,0,0,0\n2,1,0,0\n3,0,1,0\n";

INSTANTIATE_TEST_SUITE_P(
    Files, QuickReader,
    ::testing::Values(
        QuickCase{"Triangle", kTri, "1\nf 1 2 3\n", true},
        QuickCase{"NoLineEnds", "3 1,0,0,0 2,1,0,0 3,0,1,0", "1\nf 1 2 3", true},
        QuickCase{"CrLf", "3\r\n1,0,0,0\r\n2,1,0,0\r\n3,0,1,0\r\n", "1\r\nf 1 2 3\r\n", true},
        QuickCase{"OddSpacing", "  3\n\t1,  0.5,\t-2e-3,+7\n 2, 1., .5, 0\n\n3,0,1,0", "1\nf  1  2 \t 3 \n",
                  true},
        QuickCase{"RecordsAcrossLines", "3\n1,\n0,\n0,\n0\n2,1,0,\n0\n3,0,\n1,0\n",
                  "2\nf 1\n2\n3\ng 3\n\n2 1\n", true},
        QuickCase{"SignsAndGlued", "3\n1,-0,0,0\n2,1,0,0\n3,0,1,0\n", "2\nf +1+2+3\nf 1 2 3 x\n", true},
        QuickCase{"LaterDuplicatesWin", "3\n3,0,1,0\n1,0,0,0\n2,5,5,5\n2,1,0,0\n", "1\nf 1 2 3\n", true},
        QuickCase{"SurplusRecordsIgnored", "2\n1,0,0,0\n2,1,0,0\n3,x\n", "1\nf 1 2 1 junk\n", true},
        QuickCase{"TabSeparatedFacesOnOneLine", kTri, "2\nf 1 2 3\tg 3 2 1\n", true},
        QuickCase{"ZeroFaces", kTri, "0\n", true},
        QuickCase{"LongDigits", "3\n0001,0.1000000000000000055511151231257827,0,0\n2,1,0,0\n3,0,1,0\n",
                  "1\nf 0000000001 2 3\n", true},
        QuickCase{"IndexWithTwentyLeadingZeros", kTri, "1\nf 1 2 000000000000000000003\n", true},
        QuickCase{"IndexOfTwentyFiveDigits", kTri, "1\nf 1 2 1234567890123456789012345\n", false},
        QuickCase{"NulAfterAFace", kTri, std::string("1\nf 1 2 3\0 4", 12), true},
        QuickCase{"TinyAndHugeNumbers", "3\n1,1e-50,0,0\n2,3.4028235e38,0,0\n3,0,1,0\n", "1\nf 1 2 3\n",
                  true},
        QuickCase{"EmptyCoordinateFile", "", "1\nf 1 2 3\n", false},
        QuickCase{"CountNotANumber", "three\n", "1\nf 1 2 3\n", false},
        QuickCase{"BlankBeforeComma", "3\n1 ,0,0,0\n2,1,0,0\n3,0,1,0\n", kTri, false},
        QuickCase{"TooFewRecords", "3\n1,0,0,0\n2,1,0,0\n", "1\nf 1 2 3\n", false},
        QuickCase{"VertexNumberAboveCount", "3\n1,0,0,0\n4,1,0,0\n3,0,1,0\n", "1\nf 1 2 3\n", false},
        QuickCase{"VertexCountLargerThanTheFile", "2000000000\n1,0,0,0\n", "1\nf 1 2 3\n", false},
        QuickCase{"NotANumberCoordinate", "3\n1,0,0,0\n2,nan,0,0\n3,0,1,0\n", "1\nf 1 2 3\n", false},
        QuickCase{"CoordinateBeyondFloat", "3\n1,0,0,0\n2,1,0,0\n3,0,1e39,0\n", "1\nf 1 2 3\n", false},
        QuickCase{"FaceWithTwoNumbers", kTri, "1\nf 1 2\n", false},
        QuickCase{"FewerFacesThanCounted", kTri, "2\nf 1 2 3\n", false},
        QuickCase{"HugeFaceCount", kTri, "2147483647\nf 1 2 3\n", false},
        QuickCase{"BlankAfterTheFaceCount", kTri, "1 \nf 1 2 3\n", false},
        QuickCase{"FaceIndexZero", kTri, "1\nf 1 0 3\n", false},
        QuickCase{"FaceIndexBeyond32Bits", kTri, "1\nf 1 2 4294967297\n", false}),
    [](const ::testing::TestParamInfo<QuickCase>& info) { return std::string(info.param.name); });

TEST(QuickReader, SamplesAndLargeGridsComeOutTheSame)
{
    for (const char* name : {"wing", "torus", "sphere"}) {
        const std::string base = std::string(CORVANE_SAMPLES_DIR) + "/" + name;
        EXPECT_TRUE(QuickAgreesWithPlain(ReadFile(base + ".coor"), ReadFile(base + ".poly"))) << name;
    }
    for (bool pentagons : {false, true})
        for (const char* eol : {"\n", "\r\n"})
            for (const char* gap : {"", " \t"}) {
                const auto [coor, poly] = Grid(60, pentagons, eol, gap);
                EXPECT_TRUE(QuickAgreesWithPlain(coor, poly)) << pentagons << " " << gap;
            }
}

TEST(QuickReader, AFaultFarIntoALargeFileIsLeftToThePlainParse)
{
    auto [coor, poly] = Grid(60, false, "\n", "");
    const std::size_t at = coor.rfind("\n3590,");
    ASSERT_NE(at, std::string::npos);
    std::string badCoor = coor;
    badCoor.replace(at + 6, 1, "x");
    EXPECT_FALSE(QuickAgreesWithPlain(badCoor, poly));
    std::string badPoly = poly;
    badPoly.replace(badPoly.rfind(" 3600"), 5, " 3601");
    EXPECT_FALSE(QuickAgreesWithPlain(coor, badPoly));
    // Too large for the memory allowed: the plain parse says so.
    EXPECT_FALSE(QuickAgreesWithPlain(coor, poly, 20000));
}

TEST(QuickReader, LoadingALargePairGivesThePlainResultAndMessages)
{
    std::string pattern = (fs::temp_directory_path() / "corvane-test-XXXXXX").string();
    const std::string dir = mkdtemp(pattern.data());
    auto [coor, poly] = Grid(300, true, "\n", "");
    ASSERT_GT(coor.size() + poly.size(), std::size_t(1) << 20); // large enough for the quick way
    std::ofstream(dir + "/grid.coor", std::ios::binary) << coor;
    std::ofstream(dir + "/grid.poly", std::ios::binary) << poly;

    coordfile::Mesh plain;
    ASSERT_EQ(coordfile::ParseCoordinates(coor, "m.coor", plain, kLimit), "");
    ASSERT_EQ(coordfile::ParseFaces(poly, "m.poly", plain, kLimit), "");
    TGLPolyObject expected;
    expected.SetMesh(std::move(plain));
    TGLPolyObject loaded;
    std::string message;
    ASSERT_TRUE(loaded.LoadFromFile(dir + "/grid.coor", [&](const std::string& m) { message = m; }))
        << message;
    ASSERT_EQ(loaded.GetVertexCount(), expected.GetVertexCount());
    ASSERT_EQ(loaded.GetFaceCount(), expected.GetFaceCount());
    for (int k = 1; k <= loaded.GetVertexCount(); ++k)
        for (int c = 0; c < 3; ++c) {
            ASSERT_TRUE(SameBits(loaded.GetVertex(k)[c], expected.GetVertex(k)[c])) << k;
            ASSERT_TRUE(SameBits(loaded.GetVertexNormal(k)[c], expected.GetVertexNormal(k)[c])) << k;
        }
    for (int f = 0; f < loaded.GetFaceCount(); f += 97)
        ASSERT_EQ(loaded.GetFaceIndices(f), expected.GetFaceIndices(f));

    // A bad number in the last face: the message the plain reader gives.
    poly.replace(poly.rfind(' '), 1, " -");
    std::ofstream(dir + "/grid.poly", std::ios::binary | std::ios::trunc) << poly;
    TGLPolyObject bad;
    EXPECT_FALSE(bad.LoadFromFile(dir + "/grid.coor", [&](const std::string& m) { message = m; }));
    EXPECT_EQ(message, "Illegal index -" + std::to_string(300 * 300 - 1) + " in face " +
                           std::to_string(299 * 299) + " of poly file " + dir + "/grid.poly");
    fs::remove_all(dir);
}

TEST(QuickReader, NormalsSharedOverTwoThreadsAddInFaceOrder)
{
    // Enough faces for the normals to be computed on two threads; the sums
    // must match adding every face's normal in face order on one thread.
    const auto [coor, poly] = Grid(300, true, "\n", "");
    coordfile::Mesh mesh;
    ASSERT_EQ(coordfile::ParseCoordinates(coor, "m.coor", mesh, kLimit), "");
    ASSERT_EQ(coordfile::ParseFaces(poly, "m.poly", mesh, kLimit), "");
    const coordfile::Mesh copy = mesh;
    TGLPolyObject object;
    object.SetMesh(std::move(mesh));
    ASSERT_GE(object.GetFaceCount(), 1 << 16);
    std::vector<float> sums(copy.vertices.size(), 0.0f);
    for (const TPolyFace& face : copy.faces) {
        const std::int32_t* idx = &copy.indices[static_cast<std::size_t>(face.First)];
        float normal[3];
        TGLPolyObject::FaceNormal(&copy.vertices[(idx[0] - 1) * 3u], &copy.vertices[(idx[1] - 1) * 3u],
                                  &copy.vertices[(idx[2] - 1) * 3u], normal);
        for (std::int32_t j = 0; j < face.Count; ++j)
            for (int c = 0; c < 3; ++c)
                sums[(idx[j] - 1) * 3u + c] += normal[c];
    }
    for (int k = 1; k <= object.GetVertexCount(); ++k) {
        float* n = &sums[(k - 1) * 3u];
        NormalizeVector(n);
        for (int c = 0; c < 3; ++c)
            ASSERT_TRUE(SameBits(object.GetVertexNormal(k)[c], n[c])) << "vertex " << k;
    }
}
