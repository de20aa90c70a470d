// SPDX-License-Identifier: GPL-3.0-or-later
// Three-dimensional validation: the benchmark of Schaefer & Turek (1996) for
// the flow past a cylinder across a square channel (case 3D-1Z), and, with
// CORVANE_VALIDATE_FULL set, finer grids for the trend with resolution and
// the cube cavity against Albensoeder & Kuhlmann (2005).
#include "LbmResults.h"
#include "LbmRun.h"
#include "LbmTestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

const double kPi = std::acos(-1.0);

bool Full()
{
    const char* full = std::getenv("CORVANE_VALIDATE_FULL");
    return full && *full && std::string(full) != "0";
}

// A closed prism of `sides` sides round the axis (cx, cy) along z from z0 to
// z1, its two caps fans about their centres.
std::vector<lbm::Triangle> Cylinder(double cx, double cy, double r, double z0, double z1, int sides)
{
    std::vector<lbm::Triangle> t;
    const auto at = [&](int k, double z) {
        const double a = 2 * kPi * k / sides;
        return std::array<double, 3>{cx + r * std::cos(a), cy + r * std::sin(a), z};
    };
    const auto add = [&](std::array<double, 3> a, std::array<double, 3> b, std::array<double, 3> c) {
        lbm::Triangle tri;
        for (int i = 0; i < 3; ++i) {
            tri.p[0][i] = a[std::size_t(i)];
            tri.p[1][i] = b[std::size_t(i)];
            tri.p[2][i] = c[std::size_t(i)];
        }
        t.push_back(tri);
    };
    for (int k = 0; k < sides; ++k) {
        add(at(k, z0), at(k + 1, z0), at(k + 1, z1));
        add(at(k, z0), at(k + 1, z1), at(k, z1));
        add({cx, cy, z0}, at(k + 1, z0), at(k, z0));
        add({cx, cy, z1}, at(k, z1), at(k + 1, z1));
    }
    return t;
}

// Case 3D-1Z: the channel 2.5 x 0.41 x 0.41, the cylinder of diameter 0.1 at
// (0.5, 0.2) across it (reaching past both walls, so that it spans the
// whole depth), `across` nodes on the channel's height.
lbm::Task Cylinder3DTask(int across)
{
    lbm::Task task;
    task.model = lbm::kModel3Trt;
    task.reynolds = 20;
    task.flow = lbm::Flow::Channel;
    task.gy = task.gz = across;
    task.gx = int(std::lround(2.5 / 0.41 * across));
    lbm::ChannelSpec& c = task.channel;
    c.length = 2.5;
    c.height = c.depth = 0.41;
    c.meanSpeed = 0.2;
    c.surface = Cylinder(0.5, 0.2, 0.05, -0.02, 0.43, 128);
    c.closed = {true};
    c.obstacles = 1;
    return task;
}

struct Benchmark {
    double low = 0, high = 0, value = 0;
};

std::map<std::string, Benchmark> SchaeferTurek3D()
{
    std::map<std::string, Benchmark> refs;
    std::ifstream in(std::string(CORVANE_LBM_DATA_DIR) + "/schaefer-turek-3d.csv");
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::stringstream s(line);
        std::string name, low, high, value;
        std::getline(s, name, ',');
        std::getline(s, low, ',');
        std::getline(s, high, ',');
        std::getline(s, value, ',');
        refs[name] = {std::stod(low), std::stod(high), value.empty() ? 0.0 : std::stod(value)};
    }
    return refs;
}

// The benchmark's cD and cL on a grid of `across` nodes over the height
// (D = 0.1 is about a quarter of it). CI runs the coarsest; the trend
// with resolution comes with CORVANE_VALIDATE_FULL.
TEST(LbmChannel3Benchmark, Steady3D1Z)
{
    const std::map<std::string, Benchmark> refs = SchaeferTurek3D();
    ASSERT_EQ(refs.count("cD"), 1u);
    ASSERT_EQ(refs.count("cL"), 1u);
    std::vector<int> grids = {41};
    if (Full())
        grids = {41, 62, 82};
    for (int across : grids) {
        lbm::Settings settings;
        settings.lidSpeed = 0.05;
        settings.tolerance = 1e-6;
        const lbm::Task task = Cylinder3DTask(across);
        const lbm::RunResult r = lbm::Run(task, settings);
        ASSERT_EQ(r.status, lbm::RunStatus::Converged) << r.message;
        const lbm::ChannelFigures& c = r.channel;
        std::printf("[ figures  ] 3D-1Z on %d x %d x %d nodes (D = %.1f): %lld steps, %.1f s, %.0f MLUPS: "
                    "cD %.5f (reference %.5f, %+.2f %%), cL %.6f (reference %.6f)\n",
                    task.gx, task.gy, task.gz, 0.1 / 0.41 * across, static_cast<long long>(r.steps),
                    r.seconds, r.mlups, c.cd, refs.at("cD").value, 100 * (c.cd / refs.at("cD").value - 1),
                    c.cl, refs.at("cL").value);
        EXPECT_GE(c.cd, refs.at("cD").low);
        EXPECT_LE(c.cd, refs.at("cD").high);
        EXPECT_GE(c.cl, refs.at("cL").low);
        EXPECT_LE(c.cl, refs.at("cL").high);
    }
}

// The cube cavity at Re 1000 against the spectral solution of Albensoeder &
// Kuhlmann (J. Comput. Phys. 206 (2005) 536): u along the vertical centre
// line and v along the horizontal one in the mid-plane, at their 17 points,
// within 2 % of the lid speed. Long (96^3 nodes): with CORVANE_VALIDATE_FULL only.
TEST(LbmCube3Benchmark, Re1000AgainstAlbensoederKuhlmann)
{
    if (!Full())
        GTEST_SKIP() << "set CORVANE_VALIDATE_FULL=1 (scripts/validate.sh) for the cube cavity";
    std::vector<std::pair<double, double>> refU, refV;
    for (const Reference& r : LoadReference("albensoeder2005-cube.csv"))
        (r.profile == 'u' ? refU : refV).emplace_back(r.position, r.value);
    ASSERT_GT(refU.size(), 10u);
    ASSERT_GT(refV.size(), 10u);
    // On 64^3 (54 300 steps, 211 s) u came within 1.1 % and v within 2.7 %
    // (the wall jet under the lid's far end is thin at Re 1000): the
    // validation takes 96^3, where second order brings v to about 1.2 %.
    for (int side : {96}) {
        lbm::Task task;
        task.model = lbm::kModel3Trt;
        task.reynolds = 1000;
        task.gx = task.gy = task.gz = side;
        lbm::Settings settings;
        settings.lidSpeed = 0.1;
        settings.tolerance = 1e-7;
        const lbm::RunResult r = lbm::Run(task, settings);
        ASSERT_EQ(r.status, lbm::RunStatus::Converged) << r.message;
        const lbm::Fields plane = lbm::MidPlane(r.fields);
        const lbm::Profile u = lbm::UCentreline(plane, settings.lidSpeed);
        const lbm::Profile v = lbm::VCentreline(plane, settings.lidSpeed);
        const auto at = [](const lbm::Profile& p, double x) {
            for (std::size_t k = 0; k + 1 < p.size(); ++k)
                if (x >= p[k].first && x <= p[k + 1].first) {
                    const double t = (x - p[k].first) / (p[k + 1].first - p[k].first);
                    return p[k].second + t * (p[k + 1].second - p[k].second);
                }
            return p.back().second;
        };
        double worstU = 0, worstV = 0;
        for (const auto& [y, value] : refU)
            worstU = std::max(worstU, std::abs(at(u, y) - value));
        for (const auto& [x, value] : refV)
            worstV = std::max(worstV, std::abs(at(v, x) - value));
        std::printf("[ figures  ] cube cavity Re 1000 on %d^3: %lld steps, %.0f s: largest difference from "
                    "Albensoeder & Kuhlmann u %.4f, v %.4f (lid speeds)\n",
                    side, static_cast<long long>(r.steps), r.seconds, worstU, worstV);
        EXPECT_LT(worstU, 0.02);
        EXPECT_LT(worstV, 0.02);
    }
}

} // namespace
