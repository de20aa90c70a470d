// SPDX-License-Identifier: GPL-3.0-or-later
// Streamlines through synthetic fields: straight lines through a uniform
// flow, closed circles through a solid body rotation, and every way a line
// ends.
#include "Streamlines.h"
#include "FlowFixture.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// A channel's box in the scene, away from the origin, 44 x 8 x 8 nodes.
const FlowBox kChannel{{1.0, -0.2, 0.5}, {3.2, 0.21, 0.91}};

double Distance(const Point3& a, const Point3& b)
{
    return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) +
                     (a[2] - b[2]) * (a[2] - b[2]));
}

double PathLength(const Streamline& line)
{
    double length = 0;
    for (std::size_t k = 1; k < line.points.size(); ++k)
        length += Distance(line.points[k - 1], line.points[k]);
    return length;
}

} // namespace

// A uniform flow: from each seed a straight line along the flow to the box's
// wall, as long as the way there; in an oblique flow too.
TEST(Streamlines, AUniformFlowGivesStraightLinesToTheWall)
{
    struct Case {
        const char* what;
        Point3 u;
        Point3 seedA, seedB;
        Point3 wallOfFirst; // where the first seed's line ends
    } const cases[] = {
        {"downstream", {0.05, 0, 0}, {1.1, -0.15, 0.7}, {1.1, 0.15, 0.7}, {3.2, -0.15 + 0.3 / 10, 0.7}},
        {"upstream", {-0.05, 0, 0}, {3.0, -0.15, 0.7}, {3.0, 0.15, 0.7}, {1.0, -0.15 + 0.3 / 10, 0.7}},
        // Up at 45 degrees from (1.1, y0, 0.7): reaches the top y = 0.21 first.
        {"oblique", {0.05, 0.05, 0}, {1.1, -0.15, 0.7}, {1.1, 0.15, 0.7}, {1.1 + 0.21 + 0.12, 0.21, 0.7}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const lbm::Fields f = MakeFlow(kChannel, 44, 8, 8, [&](const Point3&) { return c.u; });
        const std::vector<Point3> seeds = SeedsAlong(c.seedA, c.seedB, 5);
        ASSERT_EQ(seeds.size(), 5u);
        const std::vector<Streamline> lines = TraceStreamlines(f, kChannel, seeds);
        ASSERT_EQ(lines.size(), 5u);
        for (std::size_t s = 0; s < lines.size(); ++s) {
            const Streamline& line = lines[s];
            EXPECT_EQ(line.end, StreamlineEnd::Box);
            ASSERT_GT(line.points.size(), 5u);
            EXPECT_EQ(line.points.front(), seeds[s]);
            const Point3& last = line.points.back();
            // Straight: the way there is the distance there.
            EXPECT_NEAR(PathLength(line), Distance(seeds[s], last), 1e-9);
            for (const Point3& p : line.points)
                EXPECT_TRUE(kChannel.Contains(p));
        }
        const Point3& end = lines[0].points.back();
        for (int a = 0; a < 3; ++a)
            EXPECT_NEAR(end[std::size_t(a)], c.wallOfFirst[std::size_t(a)], 1e-9) << a;
    }
}

// A solid body rotation about the cube's axis along z: each line is a
// circle about it, which after its circumference closes on its seed within
// the steps' error; and without a length limit the steps' limit ends it.
TEST(Streamlines, ARotationGivesCirclesThatClose)
{
    const FlowBox cube;
    const lbm::Fields f = MakeFlow(cube, 16, 16, 6, [](const Point3& p) {
        return Point3{-(p[1] - 0.5) * 0.1, (p[0] - 0.5) * 0.1, 0};
    });
    for (const double r : {0.15, 0.3, 0.45}) {
        SCOPED_TRACE(r);
        StreamlineOptions options;
        options.maxLength = 2 * M_PI * r;
        const Point3 seed{0.5 + r, 0.5, 0.4};
        const std::vector<Streamline> lines = TraceStreamlines(f, cube, {seed}, options);
        ASSERT_EQ(lines.size(), 1u);
        const Streamline& line = lines[0];
        EXPECT_EQ(line.end, StreamlineEnd::Length);
        EXPECT_NEAR(PathLength(line), options.maxLength, 1e-9);
        // A step of half a spacing (1/32) turns by 1/(32 r): its chord falls
        // short of its arc by 1/24 of that squared, so the way round overshoots
        // the seed by as much.
        const double chordError = options.maxLength * std::pow(1.0 / 32 / r, 2) / 24;
        EXPECT_LT(Distance(line.points.back(), seed), 2 * chordError + 1e-6);
        // On the circle (an Euler step would move off it outwards by half its
        // turn squared, r/40 and more here), but for the last point, part of
        // a step along its chord.
        for (std::size_t k = 0; k + 1 < line.points.size(); ++k) {
            const Point3& p = line.points[k];
            EXPECT_NEAR(std::hypot(p[0] - 0.5, p[1] - 0.5), r, 1e-5);
            EXPECT_EQ(p[2], 0.4);
        }
    }
    StreamlineOptions unbounded;
    unbounded.maxLength = 1e300;
    unbounded.maxSteps = 3000;
    const std::vector<Streamline> caught = TraceStreamlines(f, cube, {{0.7, 0.5, 0.5}}, unbounded);
    ASSERT_EQ(caught.size(), 1u);
    EXPECT_EQ(caught[0].end, StreamlineEnd::Steps);
    EXPECT_EQ(caught[0].points.size(), 3001u);
    unbounded.maxLength = 0;
    const Streamline again = TraceStreamlines(f, cube, {{0.7, 0.5, 0.5}}, unbounded)[0];
    EXPECT_EQ(again.end, StreamlineEnd::Length);
    EXPECT_NEAR(PathLength(again), 4 * std::sqrt(3.0), 1e-9) << "four diagonals by default";
}

// A line ends at an obstacle's nodes, where the flow stands still, where it
// cannot be read, and at once from a seed outside the box or on an obstacle.
TEST(Streamlines, LinesEndAtObstaclesStagnationAndBadValues)
{
    const auto uniform = [](const Point3&) { return Point3{0.05, 0, 0}; };
    // A block across the middle of the channel's height from x = 2 to 2.4.
    const auto block = [](const Point3& p) { return p[0] > 2.0 && p[0] < 2.4 && p[1] < 0.0; };
    const lbm::Fields blocked = MakeFlow(kChannel, 44, 8, 8, uniform, block);
    lbm::Fields broken = MakeFlow(kChannel, 44, 8, 8, uniform);
    for (std::size_t n = 0; n < broken.ux.size(); ++n)
        if (n % 44 > 30)
            broken.ux[n] = NAN;
    // Still in the half x > 2.1 (a hundredth of a percent of the flow's speed).
    const lbm::Fields still = MakeFlow(kChannel, 44, 8, 8, [](const Point3& p) {
        return p[0] > 2.1 ? Point3{5e-6, 0, 0} : Point3{0.05, 0, 0};
    });
    struct Case {
        const char* what;
        const lbm::Fields& fields;
        Point3 seed;
        StreamlineEnd end;
        double lastXBelow, lastXAbove; // where the line's last point lies in x
        std::size_t points;            // 0: any number
    } const cases[] = {
        {"into the block", blocked, {1.1, -0.1, 0.7}, StreamlineEnd::Obstacle, 2.0, 1.9, 0},
        {"past the block", blocked, {1.1, 0.1, 0.7}, StreamlineEnd::Box, 3.2 + 1e-12, 3.2 - 1e-12, 0},
        {"into still water", still, {1.1, 0.0, 0.7}, StreamlineEnd::Stagnation, 2.15, 2.0, 0},
        {"into bad values", broken, {1.1, 0.0, 0.7}, StreamlineEnd::Stagnation, 2.55, 2.45, 0},
        {"seed outside", blocked, {0.9, 0.0, 0.7}, StreamlineEnd::Box, 0.91, 0.89, 1},
        {"seed on the block", blocked, {2.2, -0.1, 0.7}, StreamlineEnd::Obstacle, 2.21, 2.19, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<Streamline> lines = TraceStreamlines(c.fields, kChannel, {c.seed});
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].end, c.end);
        EXPECT_LT(lines[0].points.back()[0], c.lastXBelow);
        EXPECT_GT(lines[0].points.back()[0], c.lastXAbove);
        if (c.points) {
            EXPECT_EQ(lines[0].points.size(), c.points);
        }
    }

    // Fields or a box that cannot be read: no lines.
    lbm::Fields shortUy = blocked;
    shortUy.uy.pop_back();
    EXPECT_TRUE(TraceStreamlines(shortUy, kChannel, {{1.1, 0, 0.7}}).empty());
    const FlowBox flat{{0, 0, 0}, {1, 1, 0}};
    EXPECT_TRUE(TraceStreamlines(blocked, flat, {{0.5, 0.5, 0}}).empty());
}

// Seeds sit evenly in the middles of their shares of the line; their count
// is bounded.
TEST(Streamlines, SeedsLieEvenlyAlongTheirLine)
{
    const std::vector<Point3> seeds = SeedsAlong({0, 0, 0}, {1, 2, 0}, 4);
    ASSERT_EQ(seeds.size(), 4u);
    EXPECT_EQ(seeds[0], (Point3{0.125, 0.25, 0}));
    EXPECT_EQ(seeds[3], (Point3{0.875, 1.75, 0}));
    EXPECT_EQ(SeedsAlong({0, 0, 0}, {1, 0, 0}, 0).size(), 1u);
    EXPECT_EQ(SeedsAlong({0, 0, 0}, {1, 0, 0}, 1 << 30).size(), std::size_t(kMostSeeds));

    Point3 a, b;
    DefaultSeedLine(kChannel, true, 44, a, b);
    const Point3 expected[] = {{1.05, -0.2, 0.705}, {1.05, 0.21, 0.705}};
    for (int axis = 0; axis < 3; ++axis) {
        EXPECT_NEAR(a[std::size_t(axis)], expected[0][std::size_t(axis)], 1e-12);
        EXPECT_NEAR(b[std::size_t(axis)], expected[1][std::size_t(axis)], 1e-12);
    }
}
