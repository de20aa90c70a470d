// SPDX-License-Identifier: GPL-3.0-or-later
// The cavity's centreline velocities against the published multigrid
// solution on the same 129 x 129 grid (tests/data/lbm/ghia1982.csv) and, at
// Re 1000, against the spectral solution at the same points
// (tests/data/lbm/botella1998-profiles.csv); the convergence of the extrema
// to the spectral values with the grid; and a run at Re 5000.

#include "LbmResults.h"
#include "LbmRun.h"
#include "LbmTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char* const kSpectralProfiles = "botella1998-profiles.csv";

// Cubic interpolation through the four profile points around `at` (the
// profile runs from wall to wall, both wall values included).
double Interpolate(const lbm::Profile& p, double at)
{
    std::size_t i = 1;
    while (i + 1 < p.size() && p[i].first < at)
        ++i;
    // p[i - 1].first < at <= p[i].first (roughly): take i - 2 .. i + 1.
    std::size_t first = i >= 2 ? i - 2 : 0;
    if (first + 4 > p.size())
        first = p.size() - 4;
    double sum = 0;
    for (std::size_t a = first; a < first + 4; ++a) {
        double term = p[a].second;
        for (std::size_t b = first; b < first + 4; ++b)
            if (a != b)
                term *= (at - p[b].first) / (p[a].first - p[b].first);
        sum += term;
    }
    return sum;
}

TEST(LbmReference, ReferenceTableIsComplete)
{
    const std::vector<Reference> rows = LoadReference();
    // 17 points per profile, 2 profiles, 3 Reynolds numbers, one misprint left
    // out; and the 15 inner points of u at Re 5000.
    EXPECT_EQ(rows.size(), 17u * 2 * 3 - 1 + 15);
    // 15 inner points of each profile at Re 1000.
    EXPECT_EQ(LoadReference(kSpectralProfiles).size(), 15u * 2);
}

TEST(LbmReference, InterpolationIsExactForCubics)
{
    lbm::Profile p;
    for (int k = 0; k <= 10; ++k) {
        const double x = k * k / 100.0;
        p.emplace_back(x, 2 * x * x * x - x + 0.5);
    }
    for (double at : {0.0, 0.003, 0.2, 0.55, 0.99, 1.0})
        EXPECT_NEAR(Interpolate(p, at), 2 * at * at * at - at + 0.5, 1e-12) << at;
}

struct Case {
    const char* model;
    double re;
    double tolerance; // largest deviation allowed from Ghia et al., in lid speeds
    // ... and from the spectral solution's profiles (0: not compared).
    double spectralTolerance = 0;
};

// The largest deviation of the profiles from a table's values at one
// Reynolds number, each point also checked against the tolerance.
double WorstDeviation(const std::vector<Reference>& reference, int re, const lbm::Profile& u,
                      const lbm::Profile& v, double tolerance, const char* table, int* compared)
{
    double worst = 0;
    *compared = 0;
    for (const Reference& r : reference) {
        if (r.re != re)
            continue;
        const double got = Interpolate(r.profile == 'u' ? u : v, r.position);
        EXPECT_NEAR(got, r.value, tolerance) << table << ": " << r.profile << " at " << r.position;
        worst = std::max(worst, std::abs(got - r.value));
        ++*compared;
    }
    return worst;
}

// A cavity run on 129 x 129 nodes with the default settings, and its centre
// lines in lid speeds.
struct CavityRun {
    lbm::RunResult result;
    lbm::Profile u, v;
};

CavityRun RunCavity129(const char* model, double re)
{
    lbm::Task task;
    task.model = model;
    task.reynolds = re;
    task.gx = task.gy = 129;
    const lbm::Settings settings;
    CavityRun run;
    run.result = lbm::Run(task, settings);
    run.u = lbm::UCentreline(run.result.fields, settings.lidSpeed);
    run.v = lbm::VCentreline(run.result.fields, settings.lidSpeed);
    return run;
}

class LbmValidation : public ::testing::TestWithParam<Case> {};

TEST_P(LbmValidation, CentrelinesMatchThePublishedTables)
{
    const Case c = GetParam();
    const std::vector<Reference> reference = LoadReference();
    ASSERT_FALSE(reference.empty()) << "reference table missing";
    const CavityRun run = RunCavity129(c.model, c.re);
    const lbm::RunResult& result = run.result;
    ASSERT_EQ(result.status, lbm::RunStatus::Converged) << result.message;
    const lbm::Profile &u = run.u, &v = run.v;

    int compared = 0;
    const double worst = WorstDeviation(reference, int(c.re), u, v, c.tolerance, "Ghia", &compared);
    EXPECT_GE(compared, 33);
    std::printf(
        "[ figures  ] %s Re %g: largest deviation %.3f %% of the lid speed, %lld steps, %.1f s, %.0f MLUPS\n",
        c.model, c.re, 100 * worst, static_cast<long long>(result.steps), result.seconds, result.mlups);
    if (c.spectralTolerance > 0) {
        const double spectral = WorstDeviation(LoadReference(kSpectralProfiles), int(c.re), u, v,
                                               c.spectralTolerance, "Botella & Peyret", &compared);
        EXPECT_EQ(compared, 30);
        std::printf(
            "[ figures  ] %s Re %g: largest deviation from the spectral profiles %.3f %% of the lid speed\n",
            c.model, c.re, 100 * spectral);
    }
}

INSTANTIATE_TEST_SUITE_P(Cavity129, LbmValidation,
                         ::testing::Values(Case{"D2Q9", 100, 0.01}, Case{"D2Q9", 400, 0.01},
                                           Case{"D2Q9(New)", 100, 0.01}, Case{"D2Q9(New)", 400, 0.01},
                                           // At Re 1000 Ghia et al.'s table itself lies up to
                                           // 1.85 % from the spectral solution near the right
                                           // wall (v at x = 0.9453); this run lies within 0.32 %
                                           // of the spectral solution at all 30 points and
                                           // 1.53 % from Ghia at x = 0.9453 and 0.9531.
                                           Case{"D2Q9(New)", 1000, 0.016, 0.005}, Case{"D2Q7", 100, 0.015},
                                           Case{"D2Q7", 400, 0.015}, Case{"D2Q7(New)", 100, 0.015},
                                           Case{"D2Q7(New)", 400, 0.015}, Case{"D2Q13(New)", 100, 0.015},
                                           Case{"D2Q13(New)", 400, 0.015}),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             std::string name;
                             for (char ch : std::string(info.param.model))
                                 if (std::isalnum(static_cast<unsigned char>(ch)))
                                     name += ch;
                             return name + "Re" + std::to_string(int(info.param.re));
                         });

// Re 5000 with the nine-velocity lattice's multiple relaxation times on
// 129 x 129 nodes, lid at 0.1 (relaxation time 0.5077): the run stays stable
// and settles (BGK diverges there), and its u profile lies within 3 % of the
// lid speed of Ghia et al.'s (computed on 257 x 257; 2.5 % at the most, next
// to the lid).
TEST(LbmHighRe, Re5000RunsStablyToItsSteadyState)
{
    const CavityRun run = RunCavity129("D2Q9(New)", 5000);
    const lbm::RunResult& result = run.result;
    ASSERT_EQ(result.status, lbm::RunStatus::Converged) << result.message;
    const lbm::Profile &u = run.u, &v = run.v;
    int compared = 0;
    const double worst = WorstDeviation(LoadReference(), 5000, u, v, 0.03, "Ghia", &compared);
    EXPECT_EQ(compared, 15);
    std::printf("[ figures  ] D2Q9(New) Re 5000 129x129: largest deviation of u %.3f %% of the lid speed, "
                "%lld steps, %.1f s\n",
                100 * worst, static_cast<long long>(result.steps), result.seconds);
}

struct Extremum {
    std::string name;
    double value;
};

std::vector<Extremum> LoadBotellaPeyret()
{
    std::vector<Extremum> rows;
    std::ifstream in(CORVANE_LBM_DATA_DIR "/botella1998.csv");
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream s(line);
        std::string name, re, position, value;
        std::getline(s, name, ',');
        std::getline(s, re, ',');
        std::getline(s, position, ',');
        std::getline(s, value, ',');
        rows.push_back({name, std::stod(value)});
    }
    return rows;
}

// The extremum of a sampled profile: the parabola through the extreme sample
// and its two neighbours.
double Extreme(const lbm::Profile& p, double sign)
{
    std::size_t at = 1;
    for (std::size_t k = 1; k + 1 < p.size(); ++k)
        if (sign * p[k].second > sign * p[at].second)
            at = k;
    const double x0 = p[at - 1].first, x1 = p[at].first, x2 = p[at + 1].first;
    const double y0 = p[at - 1].second, y1 = p[at].second, y2 = p[at + 1].second;
    // y = y1 + d (x - x1) + a (x - x1)^2 through the three points.
    const double s0 = (y0 - y1) / (x0 - x1), s2 = (y2 - y1) / (x2 - x1);
    const double a = (s2 - s0) / (x2 - x0);
    const double d = s0 - a * (x0 - x1);
    return y1 - d * d / (4 * a);
}

class LbmOrder : public ::testing::TestWithParam<const char*> {};

// Re 1000 against the spectral solution of Botella & Peyret on three grids:
// the error in u_min, v_max and v_min falls at second order (the slope of
// log |error| against log spacing over the grids), and at 129 x 129,
// lid at 0.1, each is within 0.1 % of the lid speed. The lid speed falls with
// the spacing (0.2, 0.1, 0.05: the relaxation time stays the same), so that
// the error of the lattice's compressibility, which goes with the square of
// the lid speed, falls at second order too: with the lid held at 0.1 it stays
// at about 3e-4 and hides the spacing's share below 129 x 129.
// The 257 x 257 run takes most of ten minutes on two cores: the tests take
// the order from 65 and 129 alone unless CORVANE_VALIDATE_FULL is set, as
// scripts/validate.sh sets it.
TEST_P(LbmOrder, CentrelineExtremaConvergeAtSecondOrder)
{
    const std::vector<Extremum> reference = LoadBotellaPeyret();
    ASSERT_EQ(reference.size(), 3u);
    const int sides[] = {65, 129, 257};
    const char* full = std::getenv("CORVANE_VALIDATE_FULL");
    const int grids = full && *full && std::string(full) != "0" ? 3 : 2;
    double error[3][3];
    for (int g = 0; g < grids; ++g) {
        lbm::Task task;
        task.model = GetParam();
        task.reynolds = 1000;
        task.gx = task.gy = sides[g];
        lbm::Settings settings;
        settings.tolerance = 1e-8;
        settings.lidSpeed = 0.1 * 129 / sides[g];
        const lbm::RunResult r = lbm::Run(task, settings);
        ASSERT_EQ(r.status, lbm::RunStatus::Converged) << r.message;
        const lbm::Profile u = lbm::UCentreline(r.fields, settings.lidSpeed);
        const lbm::Profile v = lbm::VCentreline(r.fields, settings.lidSpeed);
        const double got[3] = {Extreme(u, -1), Extreme(v, 1), Extreme(v, -1)};
        for (int k = 0; k < 3; ++k) {
            error[g][k] = got[k] - reference[k].value;
            std::printf("[ figures  ] %s %dx%d lid %.4f %s %.6f, error %+.6f\n", GetParam(), sides[g],
                        sides[g], settings.lidSpeed, reference[k].name.c_str(), got[k], error[g][k]);
        }
    }
    for (int k = 0; k < 3; ++k) {
        // Least-squares slope of log |error| over log(1 / side).
        double mx = 0, my = 0;
        for (int g = 0; g < grids; ++g) {
            mx += std::log(1.0 / sides[g]) / grids;
            my += std::log(std::abs(error[g][k])) / grids;
        }
        double sxy = 0, sxx = 0;
        for (int g = 0; g < grids; ++g) {
            const double dx = std::log(1.0 / sides[g]) - mx;
            sxy += dx * (std::log(std::abs(error[g][k])) - my);
            sxx += dx * dx;
        }
        const double order = sxy / sxx;
        std::printf("[ figures  ] %s %s observed order %.2f on %d grids from 65 (pairs %.2f%s)\n", GetParam(),
                    reference[k].name.c_str(), order, grids, std::log2(std::abs(error[0][k] / error[1][k])),
                    grids == 3
                        ? (", " + std::to_string(std::log2(std::abs(error[1][k] / error[2][k])))).c_str()
                        : "");
        EXPECT_GE(order, 1.8) << reference[k].name;
        EXPECT_LT(std::abs(error[1][k]), 1e-3) << reference[k].name;
    }
}

// The nine-velocity lattice with multiple relaxation times; BGK cannot run
// Re 1000 on the coarsest grid (it diverges there).
INSTANTIATE_TEST_SUITE_P(CavityOrder, LbmOrder, ::testing::Values("D2Q9(New)"));

} // namespace
