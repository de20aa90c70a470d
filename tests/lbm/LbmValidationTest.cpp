// The cavity's centreline velocities against the published multigrid
// solution on the same 129 x 129 grid (tests/data/lbm/ghia1982.csv).

#include "LbmResults.h"
#include "LbmRun.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Reference {
    char profile; // 'u' or 'v'
    int re;
    double position;
    double value;
};

std::vector<Reference> LoadReference()
{
    std::vector<Reference> rows;
    std::ifstream in(CORVANE_LBM_DATA_DIR "/ghia1982.csv");
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream s(line);
        std::string profile, re, position, value, use;
        std::getline(s, profile, ',');
        std::getline(s, re, ',');
        std::getline(s, position, ',');
        std::getline(s, value, ',');
        std::getline(s, use, ',');
        if (use == "1")
            rows.push_back({profile[0], std::stoi(re), std::stod(position), std::stod(value)});
    }
    return rows;
}

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
    // 17 points per profile, 2 profiles, 3 Reynolds numbers, one misprint left out.
    EXPECT_EQ(rows.size(), 17u * 2 * 3 - 1);
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
    double tolerance; // largest deviation allowed, in lid speeds
};

class LbmValidation : public ::testing::TestWithParam<Case> {};

TEST_P(LbmValidation, CentrelinesMatchThePublishedTables)
{
    const Case c = GetParam();
    const std::vector<Reference> reference = LoadReference();
    ASSERT_FALSE(reference.empty()) << "reference table missing";
    lbm::Task task;
    task.model = c.model;
    task.reynolds = c.re;
    task.gx = task.gy = 129;
    lbm::Settings settings;
    const lbm::RunResult result = lbm::Run(task, settings);
    ASSERT_EQ(result.status, lbm::RunStatus::Converged) << result.message;
    const lbm::Profile u = lbm::UCentreline(result.fields, settings.lidSpeed);
    const lbm::Profile v = lbm::VCentreline(result.fields, settings.lidSpeed);

    double worst = 0;
    int compared = 0;
    for (const Reference& r : reference) {
        if (r.re != int(c.re))
            continue;
        const double got = Interpolate(r.profile == 'u' ? u : v, r.position);
        EXPECT_NEAR(got, r.value, c.tolerance) << r.profile << " at " << r.position;
        worst = std::max(worst, std::abs(got - r.value));
        ++compared;
    }
    EXPECT_GE(compared, 33);
    std::printf(
        "[ figures  ] %s Re %g: largest deviation %.3f %% of the lid speed, %lld steps, %.1f s, %.0f MLUPS\n",
        c.model, c.re, 100 * worst, static_cast<long long>(result.steps), result.seconds, result.mlups);
}

INSTANTIATE_TEST_SUITE_P(Cavity129, LbmValidation,
                         ::testing::Values(Case{"D2Q9", 100, 0.01}, Case{"D2Q9", 400, 0.01},
                                           Case{"D2Q9(New)", 100, 0.01}, Case{"D2Q9(New)", 400, 0.01},
                                           Case{"D2Q9(New)", 1000, 0.015}),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             std::string name = info.param.model;
                             name = name == "D2Q9" ? "Bgk" : "Mrt";
                             return name + "Re" + std::to_string(int(info.param.re));
                         });

} // namespace
