// SPDX-License-Identifier: GPL-3.0-or-later
// The channel: its domain, inflow and outflow, the obstacles and the forces
// on them, and the benchmark of Schaefer & Turek (1996) for flow past a
// cylinder.

#include "Descriptor.h"
#include "Domain.h"
#include "Forces.h"
#include "GenericLattice.h"
#include "LbmRun.h"
#include "LbmTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const double kPi = std::acos(-1.0);

// A closed polygon of `sides` sides round (cx, cy).
std::vector<lbm::Segment> Circle(double cx, double cy, double r, int sides, int obstacle = 0)
{
    std::vector<lbm::Segment> outline;
    for (int k = 0; k < sides; ++k) {
        const double a0 = 2 * kPi * k / sides, a1 = 2 * kPi * (k + 1) / sides;
        outline.push_back({cx + r * std::cos(a0), cy + r * std::sin(a0), cx + r * std::cos(a1),
                           cy + r * std::sin(a1), obstacle});
    }
    return outline;
}

std::vector<lbm::Segment> Square(double x0, double y0, double x1, double y1)
{
    return {{x0, y0, x1, y0, 0}, {x1, y0, x1, y1, 0}, {x1, y1, x0, y1, 0}, {x0, y1, x0, y0, 0}};
}

// Inside by the crossings' parity, with a row through a corner; and where
// each link meets the outline first.
TEST(LbmDomain, ObstaclesAreFoundAlongEveryLink)
{
    const lbm::Domain square =
        lbm::Domain::Channel(20, 10, 0.05, lbm::Inflow::Parabolic, Square(5.25, 2.5, 8.75, 7.5));
    // The diamond's corners lie on the rows y = 2.5 and 7.5 and on y = 5.
    const lbm::Domain diamond = lbm::Domain::Channel(
        20, 10, 0.05, lbm::Inflow::Parabolic,
        {{10, 2.5, 12.5, 5, 0}, {12.5, 5, 10, 7.5, 0}, {10, 7.5, 7.5, 5, 0}, {7.5, 5, 10, 2.5, 0}});
    struct Point {
        double x, y;
        bool inSquare, inDiamond;
    };
    const Point points[] = {
        {6.5, 4.5, true, false},   {4.5, 4.5, false, false}, {9.5, 5.0, false, true},
        {7.4, 5.0, true, false},   {12.4, 5.0, false, true}, {10.0, 2.5, false, false},
        {10.0, 7.5, false, false}, {8.7, 7.4, true, false},
    };
    for (const Point& p : points) {
        EXPECT_EQ(square.InObstacle(p.x, p.y), p.inSquare) << p.x << ", " << p.y;
        EXPECT_EQ(diamond.InObstacle(p.x, p.y), p.inDiamond) << p.x << ", " << p.y;
    }
    struct Link {
        double x, y, ox, oy;
        double delta;
        lbm::BoundaryKind kind;
        int obstacle;
        double ux;
    };
    const Link links[] = {
        {4.5, 4.5, 1, 0, 0.75, lbm::BoundaryKind::Wall, 0, 0},
        {9.5, 3.5, -1, 0, 0.75, lbm::BoundaryKind::Wall, 0, 0},
        {4.5, 2.0, 1, 1, 0.75, lbm::BoundaryKind::Wall, 0, 0},  // past the square's corner
        {6.5, 0.5, 0, -1, 0.5, lbm::BoundaryKind::Wall, -1, 0}, // the bottom wall
        {0.5, 5.0, -1, 0, 0.5, lbm::BoundaryKind::Inflow, -1, 6 * 0.05 * 5 * 5 / 100},
        {19.5, 5.0, 1, 0, 0.5, lbm::BoundaryKind::Outflow, -1, 0},
        {0.5, 0.5, -1, -1, 0.5, lbm::BoundaryKind::Inflow, -1, 0}, // through the inflow's corner
        {19.5, 0.5, 1, -1, 0.5, lbm::BoundaryKind::Wall, -1, 0},   // through the outflow's corner
    };
    for (const Link& l : links) {
        const lbm::Hit hit = square.FirstHit(l.x, l.y, l.ox, l.oy);
        EXPECT_NEAR(hit.delta, l.delta, 1e-12) << l.x << ", " << l.y;
        EXPECT_EQ(hit.kind, l.kind) << l.x << ", " << l.y;
        EXPECT_EQ(hit.obstacle, l.obstacle) << l.x << ", " << l.y;
        EXPECT_NEAR(hit.ux, l.ux, 1e-15) << l.x << ", " << l.y;
    }
}

// A fluid at rest stays at rest round an obstacle, between an inflow and an
// outflow at rest: no force on the obstacle, no mass gained or lost.
TEST(LbmChannel, FluidAtRestPushesNoObstacle)
{
    const lbm::Domain domain =
        lbm::Domain::Channel(60, 24, 0.0, lbm::Inflow::Parabolic, Circle(20.3, 11.7, 5.1, 64));
    lbm::LatticeParams params;
    params.collision = lbm::Collision::Mrt;
    params.descriptor = &lbm::D2Q9();
    params.gx = 60;
    params.gy = 24;
    params.tau = 0.8;
    params.domain = &domain;
    lbm::SerialCommunicator serial;
    lbm::GenericLattice<double> lattice(params, lbm::Slab{0, 24}, &serial);
    const double mass = lattice.Mass();
    for (int step = 0; step < 200; ++step)
        lattice.Step(1);
    EXPECT_LT(std::abs(lattice.ForceX()), 1e-13);
    EXPECT_LT(std::abs(lattice.ForceY()), 1e-13);
    EXPECT_NEAR(lattice.Mass(), mass, 1e-10 * mass);
    std::vector<double> rho, ux, uy;
    lattice.Macroscopic(rho, ux, uy, 1);
    for (std::size_t k = 0; k < ux.size(); ++k)
        ASSERT_LT(std::hypot(ux[k], uy[k]), 1e-14) << k;
}

lbm::Task ChannelTask(int gy, double re, double lengthPerHeight)
{
    lbm::Task task;
    task.model = "D2Q9(New)";
    task.reynolds = re;
    task.flow = lbm::Flow::Channel;
    task.gy = gy;
    task.gx = int(std::lround(lengthPerHeight * gy));
    task.channel.height = 1;
    task.channel.length = double(task.gx) / gy;
    return task;
}

// Without obstacles a uniform inflow develops into the parabola of
// Poiseuille flow: three quarters down the channel the profile matches it,
// the error falling at second order or faster with the spacing.
TEST(LbmChannel, EmptyChannelDevelopsThePoiseuilleProfile)
{
    const int sides[] = {8, 16, 32};
    double error[3];
    for (int g = 0; g < 3; ++g) {
        lbm::Task task = ChannelTask(sides[g], 10, 6);
        task.channel.inflow = lbm::Inflow::Uniform;
        lbm::Settings settings;
        settings.lidSpeed = 0.05 * 8 / sides[g];
        settings.tolerance = 1e-9;
        settings.threads = 1;
        const lbm::RunResult r = lbm::Run(task, settings);
        ASSERT_EQ(r.status, lbm::RunStatus::Converged) << r.message;
        const int i = r.fields.gx * 3 / 4;
        double worst = 0;
        for (int j = 0; j < r.fields.gy; ++j) {
            const double y = (j + 0.5) / r.fields.gy;
            const double exact = 6 * y * (1 - y);
            const double got =
                r.fields.ux[std::size_t(j) * std::size_t(r.fields.gx) + std::size_t(i)] / settings.lidSpeed;
            worst = std::max(worst, std::abs(got - exact));
        }
        error[g] = worst;
        std::printf(
            "[ figures  ] Poiseuille %d nodes across: largest error %.3g of the mean speed, %lld steps\n",
            sides[g], worst, static_cast<long long>(r.steps));
    }
    for (int g = 0; g + 1 < 3; ++g)
        EXPECT_GE(std::log2(error[g] / error[g + 1]), 1.8) << sides[g] << " to " << sides[g + 1];
    EXPECT_LT(error[2], 2.5e-3);
}

// The benchmark's channel, 2.2 x 0.41, a circle of diameter 0.1 centred at
// (0.2, 0.2) (a polygon of 256 sides), on gy nodes across.
lbm::Task CylinderTask(int gy, double re)
{
    lbm::Task task;
    task.model = "D2Q9(New)";
    task.reynolds = re;
    task.flow = lbm::Flow::Channel;
    task.gy = gy;
    task.gx = int(std::lround(2.2 / 0.41 * gy));
    task.channel.meanSpeed = re == 20 ? 0.2 : 1.0;
    task.channel.outline = Circle(0.2, 0.2, 0.05, 256);
    task.channel.obstacles = 1;
    return task;
}

struct Interval {
    const char* name;
    double got, low, high;
    double margin; // how far outside the interval the figure may lie at this resolution, relative
};

void ExpectWithin(const Interval& v)
{
    const double low = v.low * (1 - v.margin), high = v.high * (1 + v.margin);
    EXPECT_TRUE(v.got >= low && v.got <= high) << v.name << " " << v.got << " not in [" << low << ", " << high
                                               << "] (the benchmark's [" << v.low << ", " << v.high << "])";
    std::printf("[ figures  ] %-7s %.5f, benchmark [%g, %g]%s\n", v.name, v.got, v.low, v.high,
                v.got >= v.low && v.got <= v.high ? "" : " (outside)");
}

// Case 2D-1: Re 20, steady. The cylinder 20 nodes across.
TEST(LbmChannelBenchmark, Steady2D1)
{
    const int gy = 82;
    lbm::Settings settings;
    settings.lidSpeed = 0.05;
    const lbm::RunResult r = lbm::Run(CylinderTask(gy, 20), settings);
    ASSERT_EQ(r.status, lbm::RunStatus::Converged) << r.message;
    const lbm::ChannelFigures& c = r.channel;
    EXPECT_FALSE(c.periodic);
    std::printf("[ figures  ] 2D-1 on %d x %d nodes (D = 20): %lld steps, %.1f s, %.0f MLUPS\n", r.fields.gx,
                gy, static_cast<long long>(r.steps), r.seconds, r.mlups);
    ExpectWithin({"cD", c.cd, 5.57, 5.59, 0});
    ExpectWithin({"cL", c.cl, 0.0104, 0.0110, 0});
    ExpectWithin({"dp", c.dp, 0.1172, 0.1176, 0.015});
    ExpectWithin({"La", c.la, 0.0842, 0.0852, 0.02});
}

// Case 2D-2: Re 100, periodic shedding; the run ends when the lift repeats.
TEST(LbmChannelBenchmark, Periodic2D2)
{
    const int gy = 82;
    lbm::Settings settings;
    settings.lidSpeed = 0.05;
    settings.tolerance = 1e-12; // the residual never falls that far: only the lift's period ends the run
    const lbm::RunResult r = lbm::Run(CylinderTask(gy, 100), settings);
    ASSERT_EQ(r.status, lbm::RunStatus::Converged) << r.message;
    const lbm::ChannelFigures& c = r.channel;
    EXPECT_TRUE(c.periodic);
    std::printf("[ figures  ] 2D-2 on %d x %d nodes (D = 20): %lld steps, %.1f s\n", r.fields.gx, gy,
                static_cast<long long>(r.steps), r.seconds);
    ExpectWithin({"cD,max", c.cd, 3.22, 3.24, 0.015});
    ExpectWithin({"cL,max", c.cl, 0.99, 1.01, 0.1});
    ExpectWithin({"St", c.strouhal, 0.295, 0.305, 0});
    ExpectWithin({"dp", c.dp, 2.46, 2.50, 0.03}); // half a period after the lift's maximum
}

} // namespace
