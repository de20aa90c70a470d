// SPDX-License-Identifier: GPL-3.0-or-later
// The three-dimensional sample scenes as the flow solver takes them: read
// through the scene reader, their surfaces inside the channel's box taken as
// triangles and made obstacles on a coarse lattice. Each holds one closed
// obstacle (the walls lie outside the box) whose inside and frontal area are
// those of the shape it stands for; with the walls every solid is closed.
#include "MeshObstacles.h"
#include "SceneFile.h"
#include "SceneSurface.h"
#include "TSceneDocument.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct SampleCase {
    const char* file;
    double lo[3], hi[3]; // the box, in the scene's units
    double spacing;      // of the lattice
    double volume;       // of the obstacle within the box
    double frontal;      // its shadow on a plane x = const
    // Whether a point (the scene's units) lies within the shape the
    // obstacle stands for.
    bool (*within)(const double x[3]);
};

bool InCylinder(const double x[3]) { return std::hypot(x[0] - 0.5, x[1] - 0.2) < 0.05; }
bool InSphere(const double x[3]) { return std::hypot(x[0] - 0.4, x[1] - 0.5, x[2] - 0.5) < 0.05; }

void PrintTo(const SampleCase& c, std::ostream* out) { *out << c.file; }

class SampleObstacles : public ::testing::TestWithParam<SampleCase> {};

TEST_P(SampleObstacles, HoldOneClosedObstacleOfTheRightSize)
{
    const SampleCase& c = GetParam();
    TSceneDocument doc;
    QString error;
    QStringList skipped;
    ASSERT_TRUE(scenefile::Read(doc, QStringLiteral(CORVANE_SAMPLES_DIR "/") + QString::fromLatin1(c.file),
                                error, skipped))
        << error.toStdString();
    EXPECT_TRUE(skipped.isEmpty()) << skipped.join(QStringLiteral("; ")).toStdString();

    const meshio::Surface surface = meshio::SurfaceIn(doc.Objects(), c.lo, c.hi);
    EXPECT_EQ(surface.taken, 1);
    EXPECT_EQ(surface.open, 0);
    EXPECT_EQ(surface.outside, 4) << "the walls";
    ASSERT_EQ(surface.closed, std::vector<bool>{true});

    int g[3];
    for (int a = 0; a < 3; ++a)
        g[a] = int(std::lround((c.hi[a] - c.lo[a]) / c.spacing));
    std::vector<lbm::Triangle> triangles;
    for (const meshio::SurfaceTriangle& s : surface.triangles) {
        lbm::Triangle t;
        for (int k = 0; k < 3; ++k)
            for (int a = 0; a < 3; ++a)
                t.p[k][a] = (s.p[k][a] - c.lo[a]) / c.spacing;
        t.obstacle = s.object;
        triangles.push_back(t);
    }
    const lbm::MeshObstacles obstacles(triangles, surface.closed, g[0], g[1], g[2]);
    ASSERT_EQ(obstacles.Count(), 1);
    long inside = 0, within = 0;
    for (int k = 0; k < g[2]; ++k)
        for (int j = 0; j < g[1]; ++j)
            for (int i = 0; i < g[0]; ++i) {
                inside += obstacles.InsideAt(i, j, k) == 0;
                const double x[3] = {c.lo[0] + (i + 0.5) * c.spacing, c.lo[1] + (j + 0.5) * c.spacing,
                                     c.lo[2] + (k + 0.5) * c.spacing};
                within += c.within(x);
            }
    // The nodes within the shape itself, and (the lattice's own error, some
    // per cent this coarse) its volume.
    EXPECT_NEAR(double(inside), double(within), 0.005 * double(within));
    const double cell = c.spacing * c.spacing;
    EXPECT_NEAR(double(inside), c.volume / (cell * c.spacing), 0.06 * c.volume / (cell * c.spacing));
    EXPECT_NEAR(obstacles.FrontalArea(), c.frontal / cell, 0.005 * c.frontal / cell);
}

// In a box that takes in the walls too, every solid is closed: the walls'
// cubes repeat each corner for the normals of the faces about it.
TEST_P(SampleObstacles, EverySolidIsClosed)
{
    TSceneDocument doc;
    QString error;
    QStringList skipped;
    ASSERT_TRUE(scenefile::Read(
        doc, QStringLiteral(CORVANE_SAMPLES_DIR "/") + QString::fromLatin1(GetParam().file), error, skipped))
        << error.toStdString();
    const double lo[3] = {-1, -1, -1}, hi[3] = {3, 2, 2};
    const meshio::Surface surface = meshio::SurfaceIn(doc.Objects(), lo, hi);
    EXPECT_EQ(surface.taken, 5);
    EXPECT_EQ(surface.open, 0);
}

const double kPi = 3.14159265358979323846;

INSTANTIATE_TEST_SUITE_P(
    Samples, SampleObstacles,
    ::testing::Values(
        // Schaefer and Turek's cylinder across the channel: D = 0.1, H = 0.41.
        SampleCase{"cylinder-channel-3d.cvs",
                   {0, 0, 0},
                   {2.5, 0.41, 0.41},
                   0.01,
                   kPi * 0.05 * 0.05 * 0.41,
                   0.1 * 0.41,
                   InCylinder},
        // A sphere of diameter 0.1, ten spacings across.
        SampleCase{
            "sphere-box.cvs", {0, 0, 0}, {1.5, 1, 1}, 0.01, kPi / 6 * 0.001, kPi / 4 * 0.01, InSphere}),
    [](const ::testing::TestParamInfo<SampleCase>& info) { return info.index == 0 ? "cylinder" : "sphere"; });

} // namespace
