// SPDX-License-Identifier: GPL-3.0-or-later
#include "CoordFile.h"
#include "FileText.h"
#include "Recording.h"
#include "TGLPolyObject.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A fresh folder for one test's files, removed afterwards.
class TempDir {
public:
    TempDir()
    {
        std::string pattern = (fs::temp_directory_path() / "corvane-test-XXXXXX").string();
        FPath = mkdtemp(pattern.data());
    }
    ~TempDir() { fs::remove_all(FPath); }
    std::string File(const std::string& name, const std::optional<std::string>& text) const
    {
        const std::string path = (fs::path(FPath) / name).string();
        if (text)
            std::ofstream(path, std::ios::binary) << *text;
        return path;
    }

private:
    std::string FPath;
};

struct Loaded {
    bool ok = false;
    std::vector<std::string> messages;
    std::unique_ptr<TGLPolyObject> object;
};

Loaded Load(const std::string& coorPath)
{
    Loaded result;
    result.object = std::make_unique<TGLPolyObject>();
    result.ok =
        result.object->LoadFromFile(coorPath, [&](const std::string& m) { result.messages.push_back(m); });
    return result;
}

const char* kTriangle = "3\n1,0,0,0\n2,1,0,0\n3,0,1,0\n";

} // namespace

TEST(CoordFile, FaceFileNameReplacesOrAppendsTheExtension)
{
    EXPECT_EQ(coordfile::FaceFileName("/data/wing.coor"), "/data/wing.poly");
    EXPECT_EQ(coordfile::FaceFileName("/data/wing"), "/data/wing.poly");
    EXPECT_EQ(coordfile::FaceFileName("/data.v2/wing"), "/data.v2/wing.poly");
    EXPECT_EQ(coordfile::FaceFileName("/data/wing.v2.coor"), "/data/wing.v2.poly");
    EXPECT_EQ(coordfile::FaceFileName("wing.txt"), "wing.poly");
}

struct ReaderCase {
    const char* name;
    const char* coor; // null: the file does not exist
    const char* poly; // null: the file does not exist
    // The expected message with {coor} and {poly} for the paths; empty: loads.
    const char* message;
};

class Reader : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(Reader, LoadsOrRejectsWithItsMessage)
{
    const ReaderCase& c = GetParam();
    TempDir dir;
    const std::string coor =
        dir.File("model.coor", c.coor ? std::optional<std::string>(c.coor) : std::nullopt);
    const std::string poly =
        dir.File("model.poly", c.poly ? std::optional<std::string>(c.poly) : std::nullopt);
    std::string expected = c.message;
    for (auto [key, value] : {std::pair<std::string, std::string>{"{coor}", coor}, {"{poly}", poly}})
        if (const auto at = expected.find(key); at != std::string::npos)
            expected.replace(at, key.size(), value);

    const Loaded loaded = Load(coor);
    if (expected.empty()) {
        EXPECT_TRUE(loaded.ok);
        EXPECT_TRUE(loaded.messages.empty()) << loaded.messages.front();
    } else {
        EXPECT_FALSE(loaded.ok);
        ASSERT_EQ(loaded.messages.size(), 1u);
        EXPECT_EQ(loaded.messages.front(), expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, Reader,
    ::testing::Values(
        ReaderCase{"Triangle", kTriangle, "1\nf 1 2 3\n", ""},
        ReaderCase{"NoLineEndAfterTheLastFace", kTriangle, "1\nf 1 2 3", ""},
        ReaderCase{"BlanksAfterCommasAndSigns", "3\n 1, 0, 0, 0\n2,+1,-0,1e-3\n3,0,1.5E+1,0\n",
                   "1\nf 1 2 3\n", ""},
        ReaderCase{"SurplusRecordsIgnored", "2\n1,0,0,0\n2,1,0,0\n3,x\n", "1\nf 1 2 1 junk\n", ""},
        ReaderCase{"MissingCoordinateFile", nullptr, "1\nf 1 2 3\n", "Failed to open file {coor}"},
        ReaderCase{"CountNotANumber", "three\n", "1\nf 1 2 3\n", "Could not read first line of file {coor}"},
        ReaderCase{"EmptyCoordinateFile", "", "1\nf 1 2 3\n", "Could not read first line of file {coor}"},
        ReaderCase{"Semicolons", "3\n1;0;0;0\n2;1;0;0\n3;0;1;0\n", "1\nf 1 2 3\n",
                   "Error reading from coor file {coor}"},
        ReaderCase{"BlankBeforeComma", "3\n1 ,0,0,0\n2,1,0,0\n3,0,1,0\n", "1\nf 1 2 3\n",
                   "Error reading from coor file {coor}"},
        ReaderCase{"TooFewRecords", "3\n1,0,0,0\n2,1,0,0\n", "1\nf 1 2 3\n",
                   "Error reading from coor file {coor}"},
        ReaderCase{"VertexNumberZero", "3\n0,0,0,0\n2,1,0,0\n3,0,1,0\n", "1\nf 1 2 3\n",
                   "Illegal index in coor file {coor}"},
        ReaderCase{"VertexNumberAboveCount", "3\n1,0,0,0\n4,1,0,0\n3,0,1,0\n", "1\nf 1 2 3\n",
                   "Illegal index in coor file {coor}"},
        ReaderCase{"NegativeVertexCount", "-3\n1,0,0,0\n", "1\nf 1 2 3\n",
                   "Invalid vertex count -3 in file {coor}"},
        ReaderCase{"VertexCountBeyond32Bits", "99999999999\n1,0,0,0\n", "1\nf 1 2 3\n",
                   "Invalid vertex count 99999999999 in file {coor}"},
        ReaderCase{"NoVertices", "0\n", "0\n", "No vertices in file {coor}"},
        ReaderCase{"VertexCountLargerThanTheFile", "2000000000\n1,0,0,0\n", "1\nf 1 2 3\n",
                   "Error reading from coor file {coor}"},
        ReaderCase{"NotANumberCoordinate", "3\n1,0,0,0\n2,nan,0,0\n3,0,1,0\n", "1\nf 1 2 3\n",
                   "Coordinate that is not a finite number in record 2 of coor file {coor}"},
        ReaderCase{"InfiniteCoordinate", "3\n1,0,0,-inf\n2,1,0,0\n3,0,1,0\n", "1\nf 1 2 3\n",
                   "Coordinate that is not a finite number in record 1 of coor file {coor}"},
        ReaderCase{"CoordinateBeyondFloat", "3\n1,0,0,0\n2,1,0,0\n3,0,1e39,0\n", "1\nf 1 2 3\n",
                   "Coordinate that is not a finite number in record 3 of coor file {coor}"},
        ReaderCase{"MissingFaceFile", kTriangle, nullptr, "Could not open file {poly}"},
        ReaderCase{"FaceCountNotANumber", kTriangle, "f 1 2 3\n", "Could not read first line of {poly}"},
        ReaderCase{"NegativeFaceCount", kTriangle, "-1\nf 1 2 3\n", "Invalid face count -1 in file {poly}"},
        ReaderCase{"FaceWithTwoNumbers", kTriangle, "1\nf 1 2\n",
                   "Face 1 of poly file {poly} has 2 vertex numbers; a face needs at least 3"},
        ReaderCase{"FewerFacesThanCounted", kTriangle, "2\nf 1 2 3\n",
                   "Face 2 of poly file {poly} has 0 vertex numbers; a face needs at least 3"},
        ReaderCase{"HugeFaceCount", kTriangle, "2147483647\nf 1 2 3\n",
                   "Face 2 of poly file {poly} has 0 vertex numbers; a face needs at least 3"},
        ReaderCase{"BlankAfterTheFaceCount", kTriangle, "1 \nf 1 2 3\n",
                   "Face 1 of poly file {poly} has 0 vertex numbers; a face needs at least 3"},
        ReaderCase{"FaceIndexZero", kTriangle, "1\nf 1 0 3\n",
                   "Illegal index 0 in face 1 of poly file {poly}"},
        ReaderCase{"FaceIndexAboveCount", kTriangle, "2\nf 1 2 3\ng 3 2 4\n",
                   "Illegal index 4 in face 2 of poly file {poly}"},
        ReaderCase{"FaceIndexBeyond32Bits", kTriangle, "1\nf 1 2 4294967297\n",
                   "Illegal index 4294967297 in face 1 of poly file {poly}"}),
    [](const ::testing::TestParamInfo<ReaderCase>& info) { return std::string(info.param.name); });

TEST(PolyObject, VertexNumbersMayComeInAnyOrderAndLaterDuplicatesWin)
{
    TempDir dir;
    const std::string coor = dir.File("m.coor", "3\n3,0,1,0\n1,0,0,0\n2,5,5,5\n2,1,0,0\n");
    dir.File("m.poly", "1\nf 1 2 3\n");
    // Four records for a count of three: the fourth is never read.
    Loaded loaded = Load(coor);
    ASSERT_TRUE(loaded.ok);
    EXPECT_EQ(loaded.object->GetVertex(1)[0], 0);
    EXPECT_EQ(loaded.object->GetVertex(2)[0], 5);
    EXPECT_EQ(loaded.object->GetVertex(3)[1], 1);

    const std::string coor2 = dir.File("n.coor", "3\n2,5,5,5\n1,0,0,0\n2,1,0,0\n");
    dir.File("n.poly", "1\nf 1 2 3\n");
    loaded = Load(coor2);
    ASSERT_TRUE(loaded.ok);
    EXPECT_EQ(loaded.object->GetVertex(2)[0], 1) << "the later record wins";
}

TEST(PolyObject, FacesEndWhereTheNextLabelBeginsAndMaySpanLines)
{
    TempDir dir;
    const std::string coor = dir.File("m.coor", "5\n1,0,0,0\n2,1,0,0\n3,1,1,0\n4,0,1,0\n5,0,0,1\n");
    dir.File("m.poly", "3\nquad 1 2 3 4\ntri 1 2\n5\nlast 4\t3 5");
    const Loaded loaded = Load(coor);
    ASSERT_TRUE(loaded.ok) << loaded.messages.front();
    ASSERT_EQ(loaded.object->GetFaceCount(), 3);
    EXPECT_EQ(loaded.object->GetFaceIndices(0), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(loaded.object->GetFaceIndices(1), (std::vector<int>{1, 2, 5}));
    EXPECT_EQ(loaded.object->GetFaceIndices(2), (std::vector<int>{4, 3, 5}));
}

TEST(PolyObject, BoundsAreTheSmallestAndLargestCoordinates)
{
    TempDir dir;
    const std::string coor = dir.File("m.coor", "3\n1,-5,2,-1\n2,-3,-4,7\n3,-9,0,0\n");
    dir.File("m.poly", "1\nf 1 2 3\n");
    const Loaded loaded = Load(coor);
    ASSERT_TRUE(loaded.ok);
    float x, y, z;
    loaded.object->GetMin(x, y, z);
    EXPECT_EQ(x, -9);
    EXPECT_EQ(y, -4);
    EXPECT_EQ(z, -1);
    loaded.object->GetMax(x, y, z);
    EXPECT_EQ(x, -3) << "a model entirely at negative x";
    EXPECT_EQ(y, 2);
    EXPECT_EQ(z, 7);
}

TEST(PolyObject, SharedVerticesGetTheNormalisedSumOfTheirFacesNormals)
{
    TempDir dir;
    // Two triangles folded along the edge 2-3.
    const std::string coor = dir.File("m.coor", "5\n1,0,0,0\n2,1,0,0\n3,0,1,0\n4,1,1,1\n5,9,9,9\n");
    dir.File("m.poly", "2\na 1 2 3\nb 2 4 3\n");
    const Loaded loaded = Load(coor);
    ASSERT_TRUE(loaded.ok);
    const TGLPolyObject& obj = *loaded.object;
    float a[3], b[3];
    TGLPolyObject::FaceNormal(obj.GetVertex(1), obj.GetVertex(2), obj.GetVertex(3), a);
    TGLPolyObject::FaceNormal(obj.GetVertex(2), obj.GetVertex(4), obj.GetVertex(3), b);
    EXPECT_EQ(a[0], 0);
    EXPECT_EQ(a[1], 0);
    EXPECT_EQ(a[2], 1) << "counter-clockwise seen from +z points to +z";
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(obj.GetFace(0).Normal[i], a[i]);
        EXPECT_EQ(obj.GetFace(1).Normal[i], b[i]);
    }
    const double sum[3] = {double(a[0]) + b[0], double(a[1]) + b[1], double(a[2]) + b[2]};
    const double len = std::sqrt(sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2]);
    for (int k : {2, 3})
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(obj.GetVertexNormal(k)[i], sum[i] / len, 1e-6) << "shared vertex " << k;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(obj.GetVertexNormal(1)[i], a[i]) << "vertex of face a only";
        EXPECT_EQ(obj.GetVertexNormal(4)[i], b[i]) << "vertex of face b only";
        EXPECT_EQ(obj.GetVertexNormal(5)[i], 0) << "vertex of no face";
    }
}

// Triangles in general position: every component of the normal differs from
// the others in size, and some are negative.
struct NormalCase {
    float p0[3], p1[3], p2[3];
    float normal[3]; // unit normal, counter-clockwise seen from its tip
};

TEST(PolyObject, FaceNormalOfTrianglesInAnyPosition)
{
    const NormalCase cases[] = {
        {{1, 0, 0}, {0, 2, 0}, {0, 0, 3}, {6.f / 7, 3.f / 7, 2.f / 7}},
        {{1, 0, 0}, {0, 0, 3}, {0, 2, 0}, {-6.f / 7, -3.f / 7, -2.f / 7}},
        {{5, 5, 5}, {8, 7, 5}, {5, 7, 6}, {2.f / 7, -3.f / 7, 6.f / 7}},
        {{8, 7, 5}, {5, 7, 6}, {5, 5, 5}, {2.f / 7, -3.f / 7, 6.f / 7}},
        {{5000, 5000, 5000}, {8000, 7000, 5000}, {5000, 7000, 6000}, {2.f / 7, -3.f / 7, 6.f / 7}},
        {{.005f, .005f, .005f}, {.008f, .007f, .005f}, {.005f, .007f, .006f}, {2.f / 7, -3.f / 7, 6.f / 7}},
        {{-1, 2, -3}, {6, 2, 1}, {0, 3, -3}, {-4.f / 9, 4.f / 9, 7.f / 9}},
        {{-1, 2, -3}, {0, 3, -3}, {6, 2, 1}, {4.f / 9, -4.f / 9, -7.f / 9}},
    };
    for (const NormalCase& c : cases) {
        float n[3];
        TGLPolyObject::FaceNormal(c.p0, c.p1, c.p2, n);
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(n[i], c.normal[i], 1e-5) << "component " << i << " for the triangle at (" << c.p0[0]
                                                 << ", " << c.p0[1] << ", " << c.p0[2] << ")";
    }
}

TEST(PolyObject, TexturedFiveCornerFaceRepeatsTheFirstCoordinate)
{
    TempDir dir;
    const std::string coor = dir.File("m.coor", "5\n1,0,0,0\n2,1,0,0\n3,2,1,0\n4,1,2,0\n5,0,1,0\n");
    dir.File("m.poly", "1\np 1 2 3 4 5\n");
    Loaded loaded = Load(coor);
    ASSERT_TRUE(loaded.ok);
    loaded.object->SetTexture(1);
    // Corner j (from 0) takes the j-th corner of the texture, the fifth the first again.
    const char* corners[5] = {"glNormal3f(0, 0, 1)\nglTexCoord2f(0, 0)\nglVertex3f(0, 0, 0)\n",
                              "glNormal3f(0, 0, 1)\nglTexCoord2f(1, 0)\nglVertex3f(1, 0, 0)\n",
                              "glNormal3f(0, 0, 1)\nglTexCoord2f(1, 1)\nglVertex3f(2, 1, 0)\n",
                              "glNormal3f(0, 0, 1)\nglTexCoord2f(0, 1)\nglVertex3f(1, 2, 0)\n",
                              "glNormal3f(0, 0, 1)\nglTexCoord2f(0, 0)\nglVertex3f(0, 1, 0)\n"};
    // Filled: the triangles (1, 2, 0), (2, 3, 0), (3, 4, 0) of the polygon.
    std::string triangles = "glGetIntegerv(GL_POLYGON_MODE)\nglBegin(GL_TRIANGLES)\nglColor3f(1, 1, 1)\n";
    for (int k = 1; k < 4; ++k)
        triangles += std::string(corners[k]) + corners[k + 1] + corners[0];
    EXPECT_EQ(Body(RecordDraw(*loaded.object)), triangles + "glEnd()\n");

    // As lines, a selection pass takes the face as one polygon.
    gl::RecordingDevice rec;
    gl::ScopedDevice scope(rec);
    gl::PolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    loaded.object->Draw(GL_SELECT);
    std::string polygon = "glGetIntegerv(GL_POLYGON_MODE)\nglBegin(GL_POLYGON)\nglColor3f(1, 1, 1)\n";
    for (const char* c : corners)
        polygon += c;
    EXPECT_EQ(Body(rec.Calls()), polygon + "glEnd()\n");
}

// As lines, the triangles of a face carry edge flags that show only its own
// edges: for triangle (k, k + 1, 0) the edge k..k+1 always, k+1..0 for the
// last triangle, 0..k for the first.
TEST(PolyObject, WireFrameTrianglesHideTheInnerEdgesOfTheirFace)
{
    TempDir dir;
    const std::string coor = dir.File("m.coor", "6\n1,0,0,0\n2,1,0,0\n3,2,1,0\n4,1,2,0\n5,0,1,0\n6,3,3,3\n");
    dir.File("m.poly", "3\nq 1 2 3 4\np 1 2 3 4 5\nt 1 2 6\n");
    Loaded loaded = Load(coor);
    ASSERT_TRUE(loaded.ok);
    gl::RecordingDevice rec;
    gl::ScopedDevice scope(rec);
    gl::PolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    loaded.object->Draw(GL_RENDER);
    std::string flags; // the flag, then the vertex it applies to
    GLboolean flag = GL_TRUE;
    for (const std::string& call : rec.Calls()) {
        if (call == "glEdgeFlag(GL_TRUE)" || call == "glEdgeFlag(GL_FALSE)")
            flag = call == "glEdgeFlag(GL_TRUE)";
        else if (call.rfind("glVertex3f(", 0) == 0)
            flags += flag ? '1' : '0';
        else if (call == "glEnd()")
            flags += ' ';
    }
    EXPECT_EQ(flags, "101110 101100110 111 ") << "quad, pentagon, triangle";
    const std::vector<std::string>& calls = rec.Calls();
    const auto lastEnd = std::find(calls.rbegin(), calls.rend(), "glEnd()").base();
    EXPECT_NE(std::find(lastEnd, calls.end(), "glEdgeFlag(GL_TRUE)"), calls.end())
        << "the edge flag is left as it was";
}

TEST(PolyObject, SelectedObjectShowsItsBoundingBoxAndAxesAsWideAsTheBox)
{
    TempDir dir;
    const std::string coor = dir.File("m.coor", "3\n1,-1,0,0\n2,3,0,0\n3,0,2,0\n");
    dir.File("m.poly", "1\nf 1 2 3\n");
    Loaded loaded = Load(coor);
    ASSERT_TRUE(loaded.ok);
    loaded.object->SetSelected(true);
    const std::string body = Body(RecordDraw(*loaded.object));
    const std::string box =
        "glIsEnabled(GL_LIGHTING)\nglColor3f(1, 1, 1)\n"
        "glBegin(GL_LINE_LOOP)\nglVertex3f(-1, 0, 0)\nglVertex3f(3, 0, 0)\n"
        "glVertex3f(3, 0, 0)\nglVertex3f(-1, 0, 0)\nglEnd()\n"
        "glBegin(GL_LINE_LOOP)\nglVertex3f(-1, 2, 0)\nglVertex3f(3, 2, 0)\n"
        "glVertex3f(3, 2, 0)\nglVertex3f(-1, 2, 0)\nglEnd()\n"
        "glBegin(GL_LINES)\nglVertex3f(-1, 0, 0)\nglVertex3f(-1, 2, 0)\n"
        "glVertex3f(3, 0, 0)\nglVertex3f(3, 2, 0)\nglVertex3f(3, 0, 0)\nglVertex3f(3, 2, 0)\n"
        "glVertex3f(-1, 0, 0)\nglVertex3f(-1, 2, 0)\nglEnd()\n"
        "glLineWidth(2)\nglBegin(GL_LINES)\nglColor3f(1, 0, 0)\n"
        "glVertex3f(-4, 0, 0)\nglVertex3f(4, 0, 0)\n";
    EXPECT_NE(body.find(box), std::string::npos) << body;
}

TEST(PolyObject, ACopyHasItsOwnGeometryAndOutlivesTheOriginal)
{
    TempDir dir;
    const std::string coor = dir.File("m.coor", "4\n1,0,0,0\n2,1,0,0\n3,1,1,0\n4,0,1,1\n");
    dir.File("m.poly", "2\na 1 2 3\nb 1 3 4\n");
    Loaded original = Load(coor);
    ASSERT_TRUE(original.ok);
    original.object->SetXY(2, 3);
    original.object->SetZ(4);
    original.object->SetColor(0x00FF00);
    original.object->RotateXY(10, 20);
    original.object->GrowScale(1, 1, 1, false);
    const auto before = RecordDraw(*original.object);

    std::unique_ptr<TGLObject> copy = original.object->Clone();
    original.object.reset();
    EXPECT_EQ(RecordDraw(*copy), before);
    auto* poly = static_cast<TGLPolyObject*>(copy.get());
    EXPECT_EQ(poly->GetVertexCount(), 4);
    EXPECT_EQ(poly->GetFaceIndices(1), (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(static_cast<TGLPolyObject*>(poly->CreateNew().get())->GetFaceCount(), 0);
}

TEST(PolyObject, SpecialFilesAreRefusedWithoutBlocking)
{
    TempDir dir;
    const std::string fifo = dir.File("pipe.coor", std::nullopt);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(Load(fifo).messages, std::vector<std::string>{"Failed to open file " + fifo});
    const std::string folder = dir.File("folder.coor", std::nullopt);
    fs::create_directory(folder);
    EXPECT_EQ(Load(folder).messages, std::vector<std::string>{"Failed to open file " + folder});
}

// Loads a mesh with the address space limited to what the process holds and
// half a gigabyte more, prints the messages and ends (run in a child).
[[noreturn]] void LoadWithinHalfAGigabyteMore(const std::string& coor)
{
    std::uint64_t held = 0;
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmSize:", 0) == 0)
            held = std::stoull(line.substr(7)) * 1024;
    const rlim_t limit = held + (std::uint64_t(512) << 20);
    const rlimit tight{limit, limit};
    setrlimit(RLIMIT_AS, &tight);
    const Loaded loaded = Load(coor);
    std::string said;
    for (const std::string& m : loaded.messages)
        said += "[" + m + "]";
    std::fprintf(stderr, "%s %s\n", loaded.ok ? "loaded" : "refused", said.c_str());
    std::_Exit(0);
}

TEST(PolyObject, LargeFilesAreStreamedAndLeftAtTheirFirstError)
{
    // Files of two gigabytes (sparse: nothing but their first bytes is
    // written) that go wrong early; reading one whole would need more memory
    // than the limit leaves.
    struct Case {
        const char* name;
        bool largeFaces;    // the face file is the large one, else the coordinate file
        const char* head;   // the large file's first bytes
        std::uint64_t size; // and its size
        const char* message;
    };
    constexpr std::uint64_t kTwoGB = 2000000000;
    const Case cases[] = {
        {"coordinates bad in the first line", false, "", kTwoGB, "Could not read first line of file {coor}"},
        {"coordinates bad in the second record", false, "3\n1,0,0,0\n", kTwoGB,
         "Error reading from coor file {coor}"},
        {"faces bad in the first line", true, "", kTwoGB, "Could not read first line of {poly}"},
        {"faces bad in the first face", true, "1\nf 1 2", kTwoGB,
         "Face 1 of poly file {poly} has 2 vertex numbers; a face needs at least 3"},
        {"coordinates larger than any read", false, kTriangle, coordfile::kMaxFileBytes + 1,
         "File {coor} is too large to load"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string coor = dir.File("big.coor", c.largeFaces ? kTriangle : c.head);
        const std::string poly = dir.File("big.poly", c.largeFaces ? c.head : "1\nf 1 2 3\n");
        ASSERT_EQ(truncate((c.largeFaces ? poly : coor).c_str(), static_cast<off_t>(c.size)), 0);
        std::string expected = c.message;
        for (auto [key, value] : {std::pair<std::string, std::string>{"{coor}", coor}, {"{poly}", poly}})
            if (const auto at = expected.find(key); at != std::string::npos)
                expected.replace(at, key.size(), value);
        EXPECT_EXIT(LoadWithinHalfAGigabyteMore(coor), ::testing::ExitedWithCode(0),
                    "refused \\[" + expected + "\\]");
    }
}

// A file shortened by another program while it is being loaded gives the
// reader's message for what is left of it (or loads, when that is whole).
struct ShrinkCase {
    const char* name;
    bool faceFile;       // the face file shrinks, else the coordinate file
    std::size_t keep;    // bytes left of it
    const char* message; // {coor} and {poly} for the paths; empty: loads
};

class ShrinkingFile : public ::testing::TestWithParam<ShrinkCase> {
protected:
    void TearDown() override { FileText::SetOpenHookForTesting(nullptr); }
};

TEST_P(ShrinkingFile, GivesTheReadersMessageForWhatIsLeft)
{
    const ShrinkCase& c = GetParam();
    TempDir dir;
    const std::string coor = dir.File("m.coor", "3\n1,0,0,0\n2,1,0,0\n3,0,1,0\n");
    const std::string poly = dir.File("m.poly", "2\nf 1 2 3\ng 3 2 1\n");
    const std::string& target = c.faceFile ? poly : coor;
    FileText::SetOpenHookForTesting([&](const std::string& path) {
        if (path == target) {
            ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(c.keep)), 0);
        }
    });
    std::string expected = c.message;
    for (auto [key, value] : {std::pair<std::string, std::string>{"{coor}", coor}, {"{poly}", poly}})
        if (const auto at = expected.find(key); at != std::string::npos)
            expected.replace(at, key.size(), value);
    const Loaded loaded = Load(coor);
    EXPECT_EQ(loaded.ok, expected.empty());
    EXPECT_EQ(loaded.messages,
              expected.empty() ? std::vector<std::string>{} : std::vector<std::string>{expected});
}

INSTANTIATE_TEST_SUITE_P(
    Files, ShrinkingFile,
    ::testing::Values(
        ShrinkCase{"CoordinatesToNothing", false, 0, "Could not read first line of file {coor}"},
        ShrinkCase{"CoordinatesWithinARecord", false, 14, "Error reading from coor file {coor}"},
        ShrinkCase{"FacesAfterTheFirstFace", true, 10,
                   "Face 2 of poly file {poly} has 0 vertex numbers; a face needs at least 3"},
        ShrinkCase{"FacesWithinTheSecondFace", true, 15,
                   "Face 2 of poly file {poly} has 2 vertex numbers; a face needs at least 3"},
        ShrinkCase{"FacesToTheLastNumber", true, 17, ""}),
    [](const ::testing::TestParamInfo<ShrinkCase>& info) { return std::string(info.param.name); });

TEST(FileText, KeepsItsCopyWhenTheFileIsShortenedOrRemovedAfterwards)
{
    TempDir dir;
    std::string text;
    for (int i = 0; i < 300000; ++i) // several huge pages, so that the large-file path is taken
        text += std::to_string(i) + (i % 10 == 9 ? "\n" : " ");
    for (const std::string& content : {std::string("3\n1,0,0,0\n"), text}) {
        const std::string path = dir.File("big.coor", content);
        FileText file;
        ASSERT_TRUE(file.Open(path));
        ASSERT_EQ(truncate(path.c_str(), 0), 0);
        fs::remove(path);
        EXPECT_EQ(file.Text(), content);
    }
}

TEST(CoordFile, AMemoryLimitRejectsModelsTooLargeToHold)
{
    coordfile::Mesh mesh;
    const std::string name = "big.coor";
    EXPECT_EQ(coordfile::ParseCoordinates(kTriangle, name, mesh, 32), "File big.coor is too large to load");
    ASSERT_EQ(coordfile::ParseCoordinates(kTriangle, name, mesh, 1 << 20), "");
    EXPECT_EQ(coordfile::ParseFaces("3\na 1 2 3\nb 1 2 3\nc 1 2 3\n", "big.poly", mesh, 40),
              "File big.poly is too large to load");
}

TEST(Samples, EverySampleLoadsAndItsFacesFaceOutward)
{
    for (const char* name : {"wing", "torus", "sphere"}) {
        const Loaded loaded = Load(std::string(CORVANE_SAMPLES_DIR) + "/" + name + ".coor");
        ASSERT_TRUE(loaded.ok) << name << ": " << loaded.messages.front();
        const TGLPolyObject& obj = *loaded.object;
        // The signed volume is positive when every face is counter-clockwise seen from outside.
        double volume = 0;
        for (int f = 0; f < obj.GetFaceCount(); ++f) {
            const std::vector<int> idx = obj.GetFaceIndices(f);
            const float* p0 = obj.GetVertex(idx[0]);
            for (std::size_t i = 1; i + 1 < idx.size(); ++i) {
                const float* a = obj.GetVertex(idx[i]);
                const float* b = obj.GetVertex(idx[i + 1]);
                volume += (p0[0] * (double(a[1]) * b[2] - double(a[2]) * b[1]) -
                           p0[1] * (double(a[0]) * b[2] - double(a[2]) * b[0]) +
                           p0[2] * (double(a[0]) * b[1] - double(a[1]) * b[0])) /
                          6;
            }
        }
        EXPECT_GT(volume, 0) << name;
    }
}
