// SPDX-License-Identifier: GPL-3.0-or-later
// The plane's cut through the scene's objects: closed outlines where the
// objects are, the right counts for what is left out.

#include "SceneSection.h"
#include "SceneSurface.h"
#include "TGLCube.h"
#include "TGLIcosahedron.h"
#include "TGLLight.h"
#include "TGLPlane.h"
#include "TGLPolyObject.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cmath>
#include <fstream>
#include <map>
#include <memory>
#include <vector>

namespace {

// Every end point of a closed outline is the end of two of its pieces.
bool Closes(const std::vector<meshio::SectionSegment>& segments, int object)
{
    std::map<std::pair<double, double>, int> ends;
    for (const meshio::SectionSegment& s : segments)
        if (s.object == object) {
            ++ends[{s.x0, s.y0}];
            ++ends[{s.x1, s.y1}];
        }
    for (const auto& e : ends)
        if (e.second != 2)
            return false;
    return !ends.empty();
}

// The surfaces inside a box: a solid is closed although each of its faces
// has corners of its own, a plane is open, and what lies outside, or has no
// face, is counted and left out.
TEST(SceneSurface, SolidsAreClosedPlanesOpenAndWhatIsOutsideIsLeftOut)
{
    TGLCube cube(0.5f, 0.2f);
    cube.SetScale(0.1f, 0.1f, 0.1f);
    cube.SetRotation(10, 20, 30);
    TGLIcosahedron sphere(1.0f, 0.2f);
    sphere.SetScale(0.05f, 0.05f, 0.05f);
    TGLPlane plane(1.5f, 0.2f);
    plane.SetScale(0.1f, 0.1f, 0.1f);
    TGLCube outside(5.0f, 5.0f);
    TGLLight light(0.3f, 0.3f);
    const double lo[3] = {0, 0, -0.2}, hi[3] = {2.2, 0.4, 0.2};
    const meshio::Surface s = meshio::SurfaceIn({&cube, &sphere, &plane, &outside, &light}, lo, hi);
    EXPECT_EQ(s.taken, 3);
    EXPECT_EQ(s.closed, (std::vector<bool>{true, true, false}));
    EXPECT_EQ(s.open, 1);
    EXPECT_EQ(s.outside, 1);
    int cubeTriangles = 0;
    for (const meshio::SurfaceTriangle& t : s.triangles)
        cubeTriangles += t.object == 0;
    EXPECT_EQ(cubeTriangles, 12);
}

TEST(SceneSection, SolidsCutByThePlaneGiveClosedOutlines)
{
    // A sphere of radius 0.05 at (0.2, 0.2): its outline runs round the circle.
    TGLIcosahedron sphere(0.2f, 0.2f);
    sphere.SetDetail(5);
    sphere.SetScale(0.05f, 0.05f, 0.05f);
    // A cube turned 45 degrees about z: a diamond of half-diagonal 0.1 * sqrt(2) / 2.
    TGLCube cube(1.0f, 0.2f);
    cube.SetScale(0.1f, 0.1f, 0.1f);
    cube.SetRotation(0, 0, 45);
    TGLPlane plane(0.5f, 0.2f); // a square in its x-z plane: cut in a line, which does not close
    TGLCube above(1.5f, 0.2f);  // lies above the plane
    above.SetZ(1);
    TGLCube outside(1.5f, 2.0f); // cut, but beside the channel
    outside.SetScale(0.1f, 0.1f, 0.1f);
    TGLLight light(0.3f, 0.3f);
    const std::vector<TGLObject*> objects = {&sphere, &cube, &plane, &above, &outside, &light};
    const meshio::Section s = meshio::SectionAt(objects, 0.0, 0, 0, 2.2, 0.41);
    EXPECT_EQ(s.cut, 2);
    EXPECT_EQ(s.outside, 1);
    EXPECT_EQ(s.missed, 1);
    EXPECT_EQ(s.open, 1);
    ASSERT_TRUE(Closes(s.segments, 0));
    ASSERT_TRUE(Closes(s.segments, 1));
    int sphereSegments = 0;
    for (const meshio::SectionSegment& seg : s.segments) {
        if (seg.object == 0) {
            ++sphereSegments;
            for (const double r :
                 {std::hypot(seg.x0 - 0.2, seg.y0 - 0.2), std::hypot(seg.x1 - 0.2, seg.y1 - 0.2)}) {
                EXPECT_LE(r, 0.05 * (1 + 1e-6));
                EXPECT_GE(r, 0.05 * 0.995);
            }
        } else {
            // On the diamond |x - 1| + |y - 0.2| = 0.1 / sqrt(2).
            for (const auto& [x, y] : {std::pair{seg.x0, seg.y0}, std::pair{seg.x1, seg.y1}})
                EXPECT_NEAR(std::abs(x - 1) + std::abs(y - 0.2), 0.1 / std::sqrt(2.0), 1e-6);
        }
    }
    EXPECT_GE(sphereSegments, 64);
}

// A mesh with a hole where the plane cuts it has an outline that does not
// close: it is left out, not turned into an obstacle that leaks.
TEST(SceneSection, AnOpenMeshIsLeftOut)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string base = dir.path().toStdString() + "/open";
    // Four side faces of a box, bottom and top left open, and one of the
    // sides missing too: the cut through its middle is a U, not a loop.
    std::ofstream(base + ".coor") << "8\n1,-1,-1,-1\n2,1,-1,-1\n3,1,1,-1\n4,-1,1,-1\n"
                                     "5,-1,-1,1\n6,1,-1,1\n7,1,1,1\n8,-1,1,1\n";
    std::ofstream(base + ".poly") << "6\nf 1 2 6\nf 1 6 5\nf 2 3 7\nf 2 7 6\nf 3 4 8\nf 3 8 7\n";
    TGLPolyObject mesh;
    ASSERT_TRUE(mesh.LoadFromFile(base + ".coor", [](const std::string&) {}));
    const meshio::Section s = meshio::SectionAt({&mesh}, 0.0, -5, -5, 5, 5);
    EXPECT_EQ(s.open, 1);
    EXPECT_EQ(s.cut, 0);
    EXPECT_TRUE(s.segments.empty());
}

} // namespace
