// SPDX-License-Identifier: GPL-3.0-or-later
// The solver's physics invariants, its task checks and its run control.

#include "Communicator.h"
#include "Lattice.h"
#include "LbmRun.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

namespace {

using lbm::Precision;
using lbm::RunStatus;

double MaxAbsDifference(const std::vector<double>& a, const std::vector<double>& b)
{
    EXPECT_EQ(a.size(), b.size());
    double worst = 0;
    for (std::size_t k = 0; k < a.size() && k < b.size(); ++k)
        worst = std::max(worst, std::abs(a[k] - b[k]));
    return worst;
}

struct ModelPrecision {
    const char* model;
    Precision precision;
};

class LbmAtRest : public ::testing::TestWithParam<ModelPrecision> {};

TEST_P(LbmAtRest, FluidAtRestStaysAtRest)
{
    const auto [model, precision] = GetParam();
    const lbm::RunResult r = lbm::RunSteps(model, 17, 13, 0.0, 0.8, 500, precision);
    ASSERT_EQ(r.fields.ux.size(), 17u * 13u) << r.message;
    // Exactly at rest where the velocities are whole numbers; the hexagonal
    // lattice's sqrt(3)/2 leaves round-off in the momentum, which must not grow.
    const bool hexagonal = std::string(model).rfind("D2Q7", 0) == 0;
    const double still = !hexagonal ? 0.0 : precision == Precision::Float ? 1e-7 : 1e-15;
    for (std::size_t k = 0; k < r.fields.ux.size(); ++k) {
        ASSERT_LE(std::abs(r.fields.ux[k]), still) << k;
        ASSERT_LE(std::abs(r.fields.uy[k]), still) << k;
        ASSERT_NEAR(r.fields.rho[k], 1.0, precision == Precision::Float ? 1e-6 : 1e-14) << k;
    }
}

INSTANTIATE_TEST_SUITE_P(Models, LbmAtRest,
                         ::testing::Values(ModelPrecision{"D2Q9", Precision::Double},
                                           ModelPrecision{"D2Q9(New)", Precision::Double},
                                           ModelPrecision{"D2Q9", Precision::Float},
                                           ModelPrecision{"D2Q9(New)", Precision::Float},
                                           ModelPrecision{"D2Q7", Precision::Double},
                                           ModelPrecision{"D2Q7(New)", Precision::Double},
                                           ModelPrecision{"D2Q13(New)", Precision::Double},
                                           ModelPrecision{"D2Q7", Precision::Float},
                                           ModelPrecision{"D2Q13(New)", Precision::Float}));

struct MassCase {
    lbm::Collision collision;
    double lidSpeed;
};

class LbmMass : public ::testing::TestWithParam<MassCase> {};

// Bounce-back returns every population to its node, and the lid adds and
// removes equal amounts at each node: the total stays at its start value.
TEST_P(LbmMass, MassIsConservedToRoundOff)
{
    lbm::LatticeParams params;
    params.collision = GetParam().collision;
    params.gx = 24;
    params.gy = 19;
    params.lidSpeed = GetParam().lidSpeed;
    params.tau = 0.56;
    lbm::SerialCommunicator serial;
    lbm::Lattice<double> lattice(params, lbm::Slab{0, params.gy}, &serial);
    const double start = lattice.Mass();
    EXPECT_NEAR(start, 24.0 * 19.0, 1e-12 * 24 * 19);
    for (int step = 0; step < 3000; ++step)
        lattice.Step(1);
    EXPECT_NEAR(lattice.Mass(), start, 1e-12 * start);
    // The flow did move (a lid at rest leaves it at rest).
    std::vector<double> rho, ux, uy;
    lattice.Macroscopic(rho, ux, uy, 1);
    double fastest = 0;
    for (std::size_t k = 0; k < ux.size(); ++k)
        fastest = std::max(fastest, std::hypot(ux[k], uy[k]));
    if (params.lidSpeed != 0)
        EXPECT_GT(fastest, 0.3 * params.lidSpeed);
    else
        EXPECT_EQ(fastest, 0.0);
}

INSTANTIATE_TEST_SUITE_P(Lids, LbmMass,
                         ::testing::Values(MassCase{lbm::Collision::Bgk, 0.0},
                                           MassCase{lbm::Collision::Mrt, 0.0},
                                           MassCase{lbm::Collision::Bgk, 0.1},
                                           MassCase{lbm::Collision::Mrt, 0.1}));

// With every rate equal to 1 / tau the moment-space collision must be the
// BGK collision: this checks the moment basis and its inverse.
TEST(LbmSolver, MrtWithEqualRatesIsBgk)
{
    lbm::LatticeParams params;
    params.gx = 21;
    params.gy = 18;
    params.lidSpeed = 0.1;
    params.tau = 0.62;
    lbm::LatticeParams mrt = params;
    mrt.collision = lbm::Collision::Mrt;
    mrt.rateEnergy = mrt.rateEnergySquare = mrt.rateHeatFlux = 1 / params.tau;
    lbm::SerialCommunicator serial;
    lbm::Lattice<double> a(params, lbm::Slab{0, params.gy}, &serial);
    lbm::Lattice<double> b(mrt, lbm::Slab{0, params.gy}, &serial);
    for (int step = 0; step < 400; ++step) {
        a.Step(1);
        b.Step(1);
    }
    std::vector<double> rhoA, uxA, uyA, rhoB, uxB, uyB;
    a.Macroscopic(rhoA, uxA, uyA, 1);
    b.Macroscopic(rhoB, uxB, uyB, 1);
    EXPECT_LT(MaxAbsDifference(uxA, uxB), 1e-13);
    EXPECT_LT(MaxAbsDifference(uyA, uyB), 1e-13);
    EXPECT_LT(MaxAbsDifference(rhoA, rhoB), 1e-13);
    EXPECT_GT(MaxAbsDifference(uxA, std::vector<double>(uxA.size(), 0.0)), 0.01);

    // The default rates differ from BGK, so the flow differs a little.
    lbm::LatticeParams mrtDefault = params;
    mrtDefault.collision = lbm::Collision::Mrt;
    lbm::Lattice<double> c(mrtDefault, lbm::Slab{0, params.gy}, &serial);
    for (int step = 0; step < 400; ++step)
        c.Step(1);
    std::vector<double> rhoC, uxC, uyC;
    c.Macroscopic(rhoC, uxC, uyC, 1);
    EXPECT_GT(MaxAbsDifference(uxA, uxC), 1e-6);
}

TEST(LbmSolver, ThreadCountDoesNotChangeTheNumbers)
{
    for (const std::string& model : lbm::SupportedModels()) {
        const lbm::RunResult one = lbm::RunSteps(model, 31, 27, 0.1, 0.6, 300, Precision::Double, 1);
        const lbm::RunResult two = lbm::RunSteps(model, 31, 27, 0.1, 0.6, 300, Precision::Double, 2);
        EXPECT_EQ(one.fields.ux, two.fields.ux) << model;
        EXPECT_EQ(one.fields.uy, two.fields.uy) << model;
        EXPECT_EQ(one.fields.rho, two.fields.rho) << model;
    }
}

TEST(LbmSolver, FloatFollowsDouble)
{
    const lbm::RunResult d = lbm::RunSteps("D2Q9", 33, 33, 0.1, 0.7, 2000, Precision::Double);
    const lbm::RunResult f = lbm::RunSteps("D2Q9", 33, 33, 0.1, 0.7, 2000, Precision::Float);
    EXPECT_LT(MaxAbsDifference(d.fields.ux, f.fields.ux), 1e-4 * 0.1);
    EXPECT_LT(MaxAbsDifference(d.fields.uy, f.fields.uy), 1e-4 * 0.1);
}

// The flow near the lid follows it: at steady state u on the top row is
// positive and below the lid speed, and the centre of the box turns the other way.
TEST(LbmSolver, SmallCavityConvergesWithTheLidDrivingTheFlow)
{
    lbm::Task task;
    task.reynolds = 10;
    task.gx = task.gy = 21;
    lbm::Settings settings;
    settings.threads = 1;
    const lbm::RunResult r = lbm::Run(task, settings);
    ASSERT_EQ(r.status, RunStatus::Converged) << r.message;
    EXPECT_LT(r.residual, settings.tolerance);
    EXPECT_GT(r.steps, 0);
    EXPECT_EQ(r.steps % settings.checkInterval, 0);
    const std::size_t top = 20 * 21 + 10, middle = 10 * 21 + 10, low = 4 * 21 + 10;
    EXPECT_GT(r.fields.ux[top], 0.3 * settings.lidSpeed);
    EXPECT_LT(r.fields.ux[top], settings.lidSpeed);
    EXPECT_LT(r.fields.ux[low], 0.0);
    EXPECT_LT(std::abs(r.fields.ux[middle]), 0.5 * settings.lidSpeed);
}

TEST(LbmSolver, StepLimitIsReportedAsNotConverged)
{
    lbm::Task task;
    task.gx = task.gy = 33;
    lbm::Settings settings;
    settings.maxSteps = 150;
    settings.threads = 1;
    const lbm::RunResult r = lbm::Run(task, settings);
    EXPECT_EQ(r.status, RunStatus::NotConverged);
    EXPECT_EQ(r.steps, 150);
    EXPECT_NE(r.message.find("step limit"), std::string::npos) << r.message;
    EXPECT_EQ(r.fields.ux.size(), 33u * 33u);
}

TEST(LbmSolver, DivergenceStopsTheRunWithAdvice)
{
    // A lid beyond the lattice's speed of sound makes the flow blow up.
    lbm::Task task;
    task.reynolds = 2000;
    task.gx = task.gy = 65;
    lbm::Settings settings;
    settings.lidSpeed = 0.4;
    settings.threads = 1;
    settings.maxSteps = 20000;
    const lbm::RunResult r = lbm::Run(task, settings);
    ASSERT_EQ(r.status, RunStatus::Diverged) << r.message;
    EXPECT_LT(r.steps, 20000);
    EXPECT_NE(r.message.find("larger grid"), std::string::npos) << r.message;
    EXPECT_EQ(r.message.find("a smaller lid speed"), std::string::npos) << r.message;
    EXPECT_NE(r.message.find("D2Q9(New)"), std::string::npos) << r.message;
    EXPECT_TRUE(r.fields.ux.empty());
}

TEST(LbmSolver, UnsupportedModelsAreRefusedNamingTheModelsThatRun)
{
    const char* names[] = {"D2Q11(New)", "", "d2q9", "D2Q9 ", "D3Q27", "D2Q7(new)"};
    for (const char* name : names) {
        lbm::Task task;
        task.model = name;
        const lbm::RunResult r = lbm::Run(task, lbm::Settings{});
        EXPECT_EQ(r.status, RunStatus::Rejected) << name;
        EXPECT_EQ(r.steps, 0);
        EXPECT_NE(r.message.find(std::string("\"") + name + "\""), std::string::npos) << r.message;
        const bool known = lbm::IsKnownModel(name);
        if (known) {
            // Offered by the dialog, but no such lattice is published: the
            // message (and the dialog's note) says why.
            EXPECT_NE(r.message.find("no eleven-velocity lattice"), std::string::npos) << r.message;
            EXPECT_EQ(lbm::ModelNote(name).rfind("Cannot run", 0), 0u) << lbm::ModelNote(name);
        } else {
            EXPECT_NE(r.message.find("Models that run: \"D2Q7\", \"D2Q9\", \"D2Q9(New)\", \"D2Q7(New)\", "
                                     "\"D2Q13(New)\""),
                      std::string::npos)
                << r.message;
        }
    }
    // Every other model the dialog offers runs, and its note names its source.
    for (const char* name : {"D2Q7", "D2Q9", "D2Q9(New)", "D2Q7(New)", "D2Q13(New)"}) {
        EXPECT_TRUE(lbm::IsKnownModel(name)) << name;
        EXPECT_NE(lbm::ModelLattice(name), nullptr) << name;
        EXPECT_NE(lbm::ModelNote(name).find("velocities"), std::string::npos) << lbm::ModelNote(name);
        EXPECT_EQ(lbm::ModelNote(name).find("Cannot"), std::string::npos) << lbm::ModelNote(name);
    }
}

struct BadTask {
    const char* what;
    lbm::Task task;
    lbm::Settings settings;
    const char* message;
};

lbm::Task MakeTask(double re, int gx, int gy)
{
    lbm::Task t;
    t.reynolds = re;
    t.gx = gx;
    t.gy = gy;
    return t;
}

lbm::Settings WithLid(double u)
{
    lbm::Settings s;
    s.lidSpeed = u;
    return s;
}

lbm::Settings WithTolerance(double t)
{
    lbm::Settings s;
    s.tolerance = t;
    return s;
}

lbm::Settings WithSteps(std::int64_t n)
{
    lbm::Settings s;
    s.maxSteps = n;
    return s;
}

TEST(LbmSolver, BadTasksAreRejectedBeforeAllocating)
{
    const double nan = std::nan("");
    const double inf = INFINITY;
    const BadTask cases[] = {
        {"zero Re", MakeTask(0, 65, 65), {}, "Reynolds number must be a positive"},
        {"negative Re", MakeTask(-100, 65, 65), {}, "Reynolds number must be a positive"},
        {"NaN Re", MakeTask(nan, 65, 65), {}, "Reynolds number must be a positive"},
        {"infinite Re", MakeTask(inf, 65, 65), {}, "Reynolds number must be a positive"},
        {"narrow", MakeTask(100, 2, 65), {}, "at least 3 x 3"},
        {"flat", MakeTask(100, 65, 2), {}, "at least 3 x 3"},
        {"empty", MakeTask(100, 0, 0), {}, "at least 3 x 3"},
        {"negative size", MakeTask(100, -5, 65), {}, "at least 3 x 3"},
        // 4e10 nodes: terabytes, far beyond any machine that runs this test.
        {"absurd size", MakeTask(100, 200000, 200000), {}, "GB of memory"},
        {"side beyond range", MakeTask(100, 1 << 25, 3), {}, "at most"},
        {"lid at rest", MakeTask(100, 65, 65), WithLid(0), "lid speed"},
        {"lid backwards", MakeTask(100, 65, 65), WithLid(-0.1), "lid speed"},
        {"lid too fast", MakeTask(100, 65, 65), WithLid(0.5), "lid speed"},
        {"lid NaN", MakeTask(100, 65, 65), WithLid(nan), "lid speed"},
        {"tolerance zero", MakeTask(100, 65, 65), WithTolerance(0), "tolerance"},
        {"tolerance NaN", MakeTask(100, 65, 65), WithTolerance(nan), "tolerance"},
        {"no steps", MakeTask(100, 65, 65), WithSteps(0), "step limit"},
        {"tiny Re", MakeTask(1e-300, 65, 65), {}, "too small"},
        // tau - 1/2 = 3 U Gx / Re: 0.002 here, at least 0.0075 needed, so Gx >= 0.0075 Re / (3 U).
        {"tau near 1/2", MakeTask(5000, 33, 33), {}, "at least 125 nodes across"},
        {"tau near 1/2, slow lid", MakeTask(1000, 129, 129), WithLid(0.01), "at least 250 nodes across"},
        {"tau near 1/2, fast lid", MakeTask(20000, 129, 129), WithLid(0.3), "at least 167 nodes across"},
    };
    for (const BadTask& c : cases) {
        const std::string check = lbm::CheckTask(c.task, c.settings);
        EXPECT_NE(check.find(c.message), std::string::npos) << c.what << ": " << check;
        const lbm::RunResult r = lbm::Run(c.task, c.settings);
        EXPECT_EQ(r.status, RunStatus::Rejected) << c.what;
        EXPECT_EQ(r.message, check) << c.what;
        EXPECT_TRUE(r.fields.ux.empty()) << c.what;
    }
    EXPECT_EQ(lbm::CheckTask(MakeTask(1000, 129, 129), lbm::Settings{}), "");
    // The grid the message names is enough, and one node fewer is not.
    EXPECT_EQ(lbm::CheckTask(MakeTask(5000, 125, 125), lbm::Settings{}), "");
    EXPECT_NE(lbm::CheckTask(MakeTask(5000, 124, 125), lbm::Settings{}), "");
}

TEST(LbmSolver, SlabsCoverTheRowsInOrder)
{
    for (int rows : {3, 10, 129, 1000})
        for (int size : {1, 2, 3, 7}) {
            int next = 0;
            for (int rank = 0; rank < size; ++rank) {
                const lbm::Slab s = lbm::SlabOf(rows, rank, size);
                EXPECT_EQ(s.first, next);
                EXPECT_GE(s.count, rows / size);
                EXPECT_LE(s.count, rows / size + 1);
                next += s.count;
            }
            EXPECT_EQ(next, rows);
        }
}

// A stand-in for a second process that is never reached: the split check
// must refuse before any exchange.
class TwoRanks final : public lbm::Communicator {
public:
    int Rank() const override { return 0; }
    int Size() const override { return 2; }
    void ExchangeHalo(const void*, void*, const void*, void*, std::size_t) override { ADD_FAILURE(); }
    double Max(double v) override { return v; }
    double Sum(double v) override { return v; }
    void Gather(const std::vector<double>& mine, std::vector<double>& all) override { all = mine; }
    std::int64_t Broadcast(std::int64_t v) override { return v; }
};

TEST(LbmSolver, GridTooSmallToSplitSaysSo)
{
    TwoRanks comm;
    const lbm::RunResult r = lbm::Run(MakeTask(100, 33, 3), lbm::Settings{}, {}, nullptr, &comm);
    EXPECT_EQ(r.status, RunStatus::Rejected);
    EXPECT_NE(r.message.find("cannot be split over 2 processes"), std::string::npos) << r.message;
}

// Waits (at most ten seconds) for a condition set by the solver's thread.
template <class Condition> bool WaitFor(Condition condition)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

lbm::Settings Endless()
{
    lbm::Settings s;
    s.tolerance = 1e-300; // never reached
    s.maxSteps = INT64_MAX;
    s.threads = 1;
    s.checkInterval = 10;
    s.progressSeconds = 0;
    return s;
}

TEST(LbmControl, PauseHoldsTheRunAndResumeContinuesIt)
{
    lbm::RunControl control;
    std::atomic<int> reports{0};
    std::atomic<std::int64_t> lastStep{0};
    lbm::RunResult result;
    std::thread worker([&] {
        result = lbm::Run(
            MakeTask(100, 40, 40), Endless(),
            [&](const lbm::Progress& p) {
                lastStep = p.step;
                ++reports;
            },
            &control);
    });
    ASSERT_TRUE(WaitFor([&] { return reports > 0; }));
    control.Pause();
    EXPECT_TRUE(control.IsPaused());
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const int held = reports;
    const std::int64_t heldStep = lastStep;
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(reports, held);
    EXPECT_EQ(lastStep, heldStep);
    control.Resume();
    EXPECT_TRUE(WaitFor([&] { return reports > held + 2; }));
    control.Cancel();
    worker.join();
    EXPECT_EQ(result.status, RunStatus::Cancelled);
    EXPECT_GT(result.steps, heldStep);
    EXPECT_EQ(result.fields.ux.size(), 40u * 40u);
}

TEST(LbmControl, CancelWhilePausedEndsTheRun)
{
    lbm::RunControl control;
    std::atomic<int> reports{0};
    lbm::RunResult result;
    std::thread worker([&] {
        result = lbm::Run(
            MakeTask(100, 40, 40), Endless(),
            [&](const lbm::Progress&) {
                if (++reports == 1)
                    control.Pause(); // from the solver's own thread
            },
            &control);
    });
    ASSERT_TRUE(WaitFor([&] { return reports > 0; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    control.Cancel();
    worker.join();
    EXPECT_EQ(result.status, RunStatus::Cancelled);
    EXPECT_EQ(reports, 1);
    EXPECT_NE(result.message.find("Cancelled"), std::string::npos);
}

TEST(LbmControl, ProgressReportsStepResidualAndSpeed)
{
    lbm::Task task = MakeTask(10, 21, 21);
    lbm::Settings settings;
    settings.threads = 1;
    settings.progressSeconds = 0;
    std::vector<lbm::Progress> seen;
    const lbm::RunResult r = lbm::Run(task, settings, [&](const lbm::Progress& p) { seen.push_back(p); });
    ASSERT_EQ(r.status, RunStatus::Converged);
    ASSERT_EQ(seen.size(), std::size_t(r.steps / settings.checkInterval));
    for (std::size_t k = 0; k < seen.size(); ++k) {
        EXPECT_EQ(seen[k].step, std::int64_t(k + 1) * settings.checkInterval);
        EXPECT_EQ(seen[k].maxSteps, settings.maxSteps);
        EXPECT_GT(seen[k].mlups, 0);
    }
    EXPECT_GT(seen.front().residual, seen.back().residual);
    EXPECT_EQ(seen.back().residual, r.residual);
}

} // namespace
