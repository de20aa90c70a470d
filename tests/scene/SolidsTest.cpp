// SPDX-License-Identifier: GPL-3.0-or-later
#include "Recording.h"
#include "TGLCube.h"
#include "TGLIcosahedron.h"
#include "TGLLines.h"
#include "TGLPlane.h"
#include "TGLPyramid.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>

namespace {

// The selection marker after a solid's geometry, with lighting on at the start.
std::string Marker(const std::string& points, const std::string& axes)
{
    return "glIsEnabled(GL_LIGHTING)\n"
           "glDisable(GL_LIGHTING)\n"
           "glColor3f(1, 1, 1)\n"
           "glPointSize(3)\n"
           "glBegin(GL_POINTS)\n" +
           points + "glEnd()\nglPointSize(1)\n" + axes + "glEnable(GL_LIGHTING)\n";
}

std::string Axes(const char* e, const char* eMinusArrow, const char* arrow)
{
    const std::string E = e, M = eMinusArrow, A = arrow;
    return "glLineWidth(2)\nglBegin(GL_LINES)\nglColor3f(1, 0, 0)\n"
           "glVertex3f(-" +
           E + ", 0, 0)\nglVertex3f(" + E +
           ", 0, 0)\n"
           "glVertex3f(" +
           M + ", " + A + ", 0)\nglVertex3f(" + E +
           ", 0, 0)\n"
           "glVertex3f(" +
           M + ", -" + A + ", 0)\nglVertex3f(" + E +
           ", 0, 0)\n"
           "glColor3f(0, 1, 0)\n"
           "glVertex3f(0, -" +
           E + ", 0)\nglVertex3f(0, " + E +
           ", 0)\n"
           "glVertex3f(" +
           A + ", " + M + ", 0)\nglVertex3f(0, " + E +
           ", 0)\n"
           "glVertex3f(-" +
           A + ", " + M + ", 0)\nglVertex3f(0, " + E +
           ", 0)\n"
           "glColor3f(0, 0, 1)\n"
           "glVertex3f(0, 0, -" +
           E + ")\nglVertex3f(0, 0, " + E +
           ")\n"
           "glVertex3f(0, " +
           A + ", " + M + ")\nglVertex3f(0, 0, " + E +
           ")\n"
           "glVertex3f(0, -" +
           A + ", " + M + ")\nglVertex3f(0, 0, " + E +
           ")\n"
           "glEnd()\nglLineWidth(1)\n";
}

} // namespace

TEST(Cube, TexturedCubeIssuesWhiteOnceAndACoordinatePerCorner)
{
    TGLCube cube(0, 0);
    cube.SetTexture(5);
    EXPECT_EQ(
        Body(RecordDraw(cube)),
        "glBegin(GL_QUADS)\n"
        "glNormal3f(0, 0, -1)\nglColor3f(1, 1, 1)\n"
        "glTexCoord2f(0, 0)\nglVertex3f(-0.5, -0.5, -0.5)\nglTexCoord2f(1, 0)\nglVertex3f(0.5, -0.5, -0.5)\n"
        "glTexCoord2f(1, 1)\nglVertex3f(0.5, 0.5, -0.5)\nglTexCoord2f(0, 1)\nglVertex3f(-0.5, 0.5, -0.5)\n"
        "glNormal3f(0, 1, 0)\n"
        "glTexCoord2f(0, 0)\nglVertex3f(0.5, 0.5, -0.5)\nglTexCoord2f(1, 0)\nglVertex3f(-0.5, 0.5, -0.5)\n"
        "glTexCoord2f(1, 1)\nglVertex3f(-0.5, 0.5, 0.5)\nglTexCoord2f(0, 1)\nglVertex3f(0.5, 0.5, 0.5)\n"
        "glNormal3f(1, 0, 0)\n"
        "glTexCoord2f(0, 0)\nglVertex3f(0.5, 0.5, -0.5)\nglTexCoord2f(1, 0)\nglVertex3f(0.5, -0.5, -0.5)\n"
        "glTexCoord2f(1, 1)\nglVertex3f(0.5, -0.5, 0.5)\nglTexCoord2f(0, 1)\nglVertex3f(0.5, 0.5, 0.5)\n"
        "glNormal3f(-1, 0, 0)\n"
        "glTexCoord2f(0, 0)\nglVertex3f(-0.5, 0.5, -0.5)\nglTexCoord2f(1, 0)\nglVertex3f(-0.5, -0.5, -0.5)\n"
        "glTexCoord2f(1, 1)\nglVertex3f(-0.5, -0.5, 0.5)\nglTexCoord2f(0, 1)\nglVertex3f(-0.5, 0.5, 0.5)\n"
        "glNormal3f(0, -1, 0)\n"
        "glTexCoord2f(0, 0)\nglVertex3f(0.5, -0.5, -0.5)\nglTexCoord2f(1, 0)\nglVertex3f(-0.5, -0.5, -0.5)\n"
        "glTexCoord2f(1, 1)\nglVertex3f(-0.5, -0.5, 0.5)\nglTexCoord2f(0, 1)\nglVertex3f(0.5, -0.5, 0.5)\n"
        "glNormal3f(0, 0, 1)\n"
        "glTexCoord2f(0, 0)\nglVertex3f(-0.5, -0.5, 0.5)\nglTexCoord2f(1, 0)\nglVertex3f(0.5, -0.5, 0.5)\n"
        "glTexCoord2f(1, 1)\nglVertex3f(0.5, 0.5, 0.5)\nglTexCoord2f(0, 1)\nglVertex3f(-0.5, 0.5, 0.5)\n"
        "glEnd()\n");
}

TEST(Cube, UntexturedCubeLeavesColourToTheBaseAndSelectedAddsItsMarker)
{
    TGLCube cube(0, 0);
    cube.SetSelected(true);
    const auto calls = RecordDraw(cube, GL_RENDER, true);
    EXPECT_EQ(CountPrefix(calls, "glTexCoord2f"), 0);
    EXPECT_EQ(CountPrefix(calls, "glNormal3f"), 6);
    EXPECT_EQ(CountPrefix(calls, "glVertex3f"), 24 + 8 + 18);
    const std::string body = Body(calls);
    const std::string marker =
        Marker("glVertex3f(0.5, 0.5, 0.5)\nglVertex3f(0.5, -0.5, 0.5)\nglVertex3f(0.5, 0.5, -0.5)\n"
               "glVertex3f(0.5, -0.5, -0.5)\nglVertex3f(-0.5, 0.5, 0.5)\nglVertex3f(-0.5, -0.5, 0.5)\n"
               "glVertex3f(-0.5, -0.5, -0.5)\nglVertex3f(-0.5, 0.5, -0.5)\n",
               Axes("1", "0.9", "0.1"));
    ASSERT_GE(body.size(), marker.size());
    EXPECT_EQ(body.substr(body.size() - marker.size()), marker);
    // Only the base's own colour comes before the geometry.
    EXPECT_EQ(CountPrefix(calls, "glColor3f"), 1 + 1 + 3);
}

TEST(Pyramid, SelectedTexturedPyramidDrawsFlatAndRestoresSmoothShading)
{
    TGLPyramid pyramid(0, 0);
    pyramid.SetTexture(2);
    pyramid.SetSelected(true);
    const auto calls = RecordDraw(pyramid, GL_RENDER, true);
    EXPECT_EQ(
        Body(calls),
        "glShadeModel(GL_FLAT)\n"
        "glBegin(GL_QUADS)\nglNormal3f(0, -1, 0)\nglColor3f(1, 1, 1)\n"
        "glTexCoord2f(0, 0)\nglVertex3f(0.5, -0.5, -0.5)\nglTexCoord2f(1, 0)\nglVertex3f(-0.5, -0.5, -0.5)\n"
        "glTexCoord2f(1, 1)\nglVertex3f(-0.5, -0.5, 0.5)\nglTexCoord2f(0, 1)\nglVertex3f(0.5, -0.5, 0.5)\n"
        "glEnd()\n"
        "glBegin(GL_TRIANGLE_FAN)\nglNormal3f(0, 1, 0)\nglColor3f(1, 1, 1)\n"
        "glTexCoord2f(0, 0)\nglTexCoord2f(1, 0)\nglVertex3f(0, 0.5, 0)\n"
        "glNormal3f(0, 0.70710677, -0.70710677)\nglTexCoord2f(1, 1)\nglVertex3f(0.5, -0.5, -0.5)\n"
        "glNormal3f(0, 0.70710677, -0.70710677)\nglTexCoord2f(0, 1)\nglVertex3f(-0.5, -0.5, -0.5)\n"
        "glNormal3f(-0.70710677, 0.70710677, 0)\nglTexCoord2f(1, 1)\nglVertex3f(-0.5, -0.5, 0.5)\n"
        "glNormal3f(0, 0.70710677, 0.70710677)\nglTexCoord2f(0, 1)\nglVertex3f(0.5, -0.5, 0.5)\n"
        "glNormal3f(0.70710677, 0.70710677, 0)\nglTexCoord2f(1, 1)\nglVertex3f(0.5, -0.5, -0.5)\n"
        "glEnd()\n"
        "glDisable(GL_TEXTURE_2D)\n" +
            Marker("glVertex3f(0, 0.5, 0)\nglVertex3f(0.5, -0.5, -0.5)\nglVertex3f(-0.5, -0.5, -0.5)\n"
                   "glVertex3f(-0.5, -0.5, 0.5)\nglVertex3f(0.5, -0.5, 0.5)\n",
                   Axes("1", "0.9", "0.1")) +
            "glShadeModel(GL_SMOOTH)\n");
    EXPECT_EQ(calls.back(), "glDisable(GL_TEXTURE_2D)");
}

TEST(Pyramid, UnselectedPyramidAlsoEndsSmooth)
{
    TGLPyramid pyramid(0, 0);
    const auto calls = RecordDraw(pyramid);
    EXPECT_EQ(CountPrefix(calls, "glShadeModel(GL_FLAT)"), 1);
    EXPECT_EQ(calls[calls.size() - 2], "glShadeModel(GL_SMOOTH)");
    EXPECT_EQ(CountPrefix(calls, "glIsEnabled"), 0);
}

TEST(Plane, SelectedPlaneWithLightingOffShowsItsCornersAndSmallAxes)
{
    TGLPlane plane(0, 0);
    plane.SetSelected(true);
    EXPECT_EQ(Body(RecordDraw(plane)),
              "glBegin(GL_QUADS)\nglNormal3f(0, 1, 0)\n"
              "glVertex3f(0.5, 0, 0.5)\nglVertex3f(0.5, 0, -0.5)\nglVertex3f(-0.5, 0, "
              "-0.5)\nglVertex3f(-0.5, 0, 0.5)\n"
              "glEnd()\n"
              "glIsEnabled(GL_LIGHTING)\nglColor3f(1, 1, 1)\nglPointSize(3)\nglBegin(GL_POINTS)\n"
              "glVertex3f(0.5, 0, 0.5)\nglVertex3f(0.5, 0, -0.5)\nglVertex3f(-0.5, 0, "
              "-0.5)\nglVertex3f(-0.5, 0, 0.5)\n"
              "glEnd()\nglPointSize(1)\n" +
                  Axes("0.2", "0.18", "0.02"));
}

namespace {

struct Vec {
    float x, y, z;
};

// The triangles an icosahedron emits, each vertex checked to carry its own position as normal.
std::vector<std::array<Vec, 3>> Triangles(const std::vector<std::string>& calls)
{
    std::vector<std::array<Vec, 3>> result;
    std::array<Vec, 3> tri{};
    int corner = 0;
    Vec normal{};
    for (const std::string& c : calls) {
        Vec v{};
        if (std::sscanf(c.c_str(), "glNormal3fv(%f, %f, %f)", &v.x, &v.y, &v.z) == 3) {
            normal = v;
        } else if (std::sscanf(c.c_str(), "glVertex3fv(%f, %f, %f)", &v.x, &v.y, &v.z) == 3) {
            EXPECT_EQ(normal.x, v.x);
            EXPECT_EQ(normal.y, v.y);
            EXPECT_EQ(normal.z, v.z);
            tri[static_cast<std::size_t>(corner++)] = v;
        } else if (c == "glEnd()" && corner == 3) {
            result.push_back(tri);
            corner = 0;
        }
    }
    return result;
}

void ExpectSame(const Vec& got, const float* want)
{
    EXPECT_FLOAT_EQ(got.x, want[0]);
    EXPECT_FLOAT_EQ(got.y, want[1]);
    EXPECT_FLOAT_EQ(got.z, want[2]);
}

} // namespace

TEST(Icosahedron, DepthZeroDrawsTheTwentyTableFaces)
{
    TGLIcosahedron ico(0, 0);
    ico.SetDetail(0);
    const auto tris = Triangles(RecordDraw(ico));
    ASSERT_EQ(tris.size(), 20u);
    for (std::size_t f = 0; f < 20; ++f)
        for (std::size_t i = 0; i < 3; ++i)
            ExpectSame(tris[f][i], IcosaVertices[IcosaFaces[f][i]]);
}

TEST(Icosahedron, DepthOneSplitsEachFaceIntoFourOnTheSphere)
{
    TGLIcosahedron ico(0, 0);
    ico.SetDetail(1);
    const auto tris = Triangles(RecordDraw(ico));
    ASSERT_EQ(tris.size(), 80u);
    // Face 0 is P, Q, R = vertices 0, 4, 1; midpoints are normalised sums.
    const float* P = IcosaVertices[0];
    const float* Q = IcosaVertices[4];
    const float* R = IcosaVertices[1];
    auto mid = [](const float* a, const float* b) {
        const double s[3] = {double(a[0]) + b[0], double(a[1]) + b[1], double(a[2]) + b[2]};
        const double len = std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
        return std::array<float, 3>{float(s[0] / len), float(s[1] / len), float(s[2] / len)};
    };
    const auto PQ = mid(P, Q), QR = mid(Q, R), RP = mid(R, P);
    const float* expected[4][3] = {{P, PQ.data(), RP.data()},
                                   {Q, QR.data(), PQ.data()},
                                   {R, RP.data(), QR.data()},
                                   {PQ.data(), QR.data(), RP.data()}};
    for (std::size_t t = 0; t < 4; ++t)
        for (std::size_t i = 0; i < 3; ++i) {
            ExpectSame(tris[t][i], expected[t][i]);
            const Vec& v = tris[t][i];
            EXPECT_NEAR(std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z), 1.0, 1e-6);
        }
}

TEST(Icosahedron, SetDetailTakesZeroToSevenOnly)
{
    struct Case {
        int level;
        int depth;
    };
    const Case cases[] = {{8, 3}, {7, 7}, {0, 0}, {-1, 3}, {1000, 3}};
    for (const Case& c : cases) {
        TGLIcosahedron ico(0, 0);
        ico.SetDetail(c.level);
        EXPECT_EQ(ico.GetDepth(), c.depth) << "level " << c.level;
    }
    TGLIcosahedron ico(0, 0);
    ico.SetDetail(2);
    EXPECT_EQ(Triangles(RecordDraw(ico)).size(), 320u);
}

TEST(Icosahedron, TexturedTriangleTakesItsCoordinatesAndSelectedShowsTheTwelveVertices)
{
    TGLIcosahedron ico(0, 0);
    ico.SetDetail(0);
    ico.SetTexture(4);
    ico.SetSelected(true);
    const auto calls = RecordDraw(ico);
    const std::string body = Body(calls);
    EXPECT_EQ(body.substr(0, body.find("glEnd()")),
              "glBegin(GL_TRIANGLES)\nglTexCoord2f(0, 0)\nglColor3f(1, 1, 1)\n"
              "glNormal3fv(-0.5257311, 0, 0.8506508)\nglVertex3fv(-0.5257311, 0, 0.8506508)\n"
              "glTexCoord2f(1, 0)\n"
              "glNormal3fv(0, 0.8506508, 0.5257311)\nglVertex3fv(0, 0.8506508, 0.5257311)\n"
              "glTexCoord2f(1, 1)\nglTexCoord2f(0, 1)\n"
              "glNormal3fv(0.5257311, 0, 0.8506508)\nglVertex3fv(0.5257311, 0, 0.8506508)\n");
    EXPECT_EQ(CountPrefix(calls, "glVertex3f("), 12 + 18);
    EXPECT_NE(body.find(Axes("1.7013016", "1.6013017", "0.1")), std::string::npos);
}

TEST(Solids, CopiesAreOfTheSameClassAtTheSamePlace)
{
    TGLCube cube(1, 2);
    TGLPyramid pyramid(1, 2);
    TGLPlane plane(1, 2);
    TGLIcosahedron ico(1, 2);
    for (TGLObject* obj : std::initializer_list<TGLObject*>{&cube, &pyramid, &plane, &ico}) {
        obj->GrowScale(4, 4, 4, false);
        const std::unique_ptr<TGLObject> copy = obj->Clone();
        EXPECT_EQ(RecordDraw(*copy), RecordDraw(*obj));
    }
    // A copy is freshly constructed: an icosahedron copy has the default depth.
    ico.SetDetail(0);
    EXPECT_EQ(static_cast<TGLIcosahedron*>(ico.Clone().get())->GetDepth(), TGLIcosahedron::kDefaultDepth);
}

// Polylines draw unlit in their colour (the marker's when selected), one
// strip per line of two points or more, and give lighting back as they found
// it; a copy has the same lines.
TEST(Lines, EachLineIsAnUnlitStripInTheObjectsColour)
{
    TGLLines lines;
    lines.SetLines({{{0, 0, 0}, {1, 2, 3}}, {{5, 5, 5}}, {{-1, 0, 0}, {0, -1, 0}, {0, 0, -1}}});
    lines.SetColorF(0.25f, 0.5f, 0.75f);
    lines.SetLineWidth(2);
    const std::string strips = "glLineWidth(2)\n"
                               "glBegin(GL_LINE_STRIP)\nglVertex3fv(0, 0, 0)\nglVertex3fv(1, 2, 3)\nglEnd()\n"
                               "glBegin(GL_LINE_STRIP)\nglVertex3fv(-1, 0, 0)\nglVertex3fv(0, -1, 0)\n"
                               "glVertex3fv(0, 0, -1)\nglEnd()\n"
                               "glLineWidth(1)\n";
    EXPECT_EQ(Body(RecordDraw(lines, GL_RENDER, true)),
              "glIsEnabled(GL_LIGHTING)\nglDisable(GL_LIGHTING)\nglColor3f(0.25, 0.5, 0.75)\n" + strips +
                  "glEnable(GL_LIGHTING)\n");
    lines.SetSelected(true);
    EXPECT_EQ(Body(RecordDraw(lines)), "glIsEnabled(GL_LIGHTING)\nglColor3f(1, 1, 1)\n" + strips);

    float lo[3], hi[3];
    lines.GetMin(lo[0], lo[1], lo[2]);
    lines.GetMax(hi[0], hi[1], hi[2]);
    EXPECT_EQ((std::array<float, 3>{lo[0], lo[1], lo[2]}), (std::array<float, 3>{-1, -1, -1}));
    EXPECT_EQ((std::array<float, 3>{hi[0], hi[1], hi[2]}), (std::array<float, 3>{5, 5, 5}));
    const std::unique_ptr<TGLObject> copy = lines.Clone();
    auto* same = dynamic_cast<TGLLines*>(copy.get());
    ASSERT_NE(same, nullptr);
    EXPECT_EQ(same->GetLines(), lines.GetLines());
    EXPECT_EQ(same->GetLineWidth(), 2);
}
