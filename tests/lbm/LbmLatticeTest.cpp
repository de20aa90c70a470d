// SPDX-License-Identifier: GPL-3.0-or-later
// Every lattice's descriptor algebra and the invariants of its time step.

#include "Descriptor.h"
#include "GenericLattice.h"
#include "Lattice.h"
#include "LbmRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {

// Sum over the velocities of w c_x^a c_y^b.
double Moment(const lbm::Descriptor& d, int a, int b)
{
    double sum = 0;
    for (int q = 0; q < d.q; ++q)
        sum += d.w[q] * std::pow(d.cx[q], a) * std::pow(d.cy[q], b);
    return sum;
}

class LbmDescriptor : public ::testing::TestWithParam<const lbm::Descriptor*> {};

// What the equilibrium needs for the Navier-Stokes equations: weights summing
// to 1, odd moments zero, second moments cs^2 delta and fourth moments
// cs^4 (delta delta + delta delta + delta delta).
TEST_P(LbmDescriptor, WeightsGiveIsotropicMoments)
{
    const lbm::Descriptor& d = *GetParam();
    ASSERT_EQ(int(d.cx.size()), d.q);
    ASSERT_EQ(int(d.w.size()), d.q);
    const double cs4 = d.cs2 * d.cs2;
    EXPECT_NEAR(Moment(d, 0, 0), 1.0, 1e-15);
    for (auto [a, b] : {std::pair{1, 0}, {0, 1}, {1, 1}, {3, 0}, {2, 1}, {1, 2}, {0, 3}, {3, 1}, {1, 3}})
        EXPECT_NEAR(Moment(d, a, b), 0.0, 1e-15) << a << "," << b;
    EXPECT_NEAR(Moment(d, 2, 0), d.cs2, 1e-15);
    EXPECT_NEAR(Moment(d, 0, 2), d.cs2, 1e-15);
    EXPECT_NEAR(Moment(d, 4, 0), 3 * cs4, 1e-15);
    EXPECT_NEAR(Moment(d, 0, 4), 3 * cs4, 1e-15);
    EXPECT_NEAR(Moment(d, 2, 2), cs4, 1e-15);
    for (int q = 0; q < d.q; ++q) {
        const int o = d.opposite[q];
        EXPECT_EQ(d.cx[o], -d.cx[q]) << q;
        EXPECT_EQ(d.cy[o], -d.cy[q]) << q;
        EXPECT_GT(d.w[q], 0) << q;
    }
}

TEST_P(LbmDescriptor, MomentBasisIsOrthogonalAndComplete)
{
    const lbm::Descriptor& d = *GetParam();
    ASSERT_EQ(int(d.moments.size()), d.q);
    ASSERT_EQ(int(d.momentClass.size()), d.q);
    for (int a = 0; a < d.q; ++a) {
        for (int b = 0; b < d.q; ++b) {
            double dot = 0;
            for (int q = 0; q < d.q; ++q)
                dot += d.moments[a][q] * d.moments[b][q];
            if (a == b)
                EXPECT_GT(dot, 1e-6) << a;
            else
                EXPECT_NEAR(dot, 0.0, 1e-12) << a << "," << b;
        }
    }
    // Density and the two momenta come first, then the three second moments.
    for (int m = 0; m < 3; ++m)
        EXPECT_EQ(d.momentClass[m], lbm::MomentClass::Conserved);
    EXPECT_EQ(d.momentClass[3], lbm::MomentClass::Bulk);
    EXPECT_EQ(d.momentClass[4], lbm::MomentClass::Shear);
    EXPECT_EQ(d.momentClass[5], lbm::MomentClass::Shear);
}

INSTANTIATE_TEST_SUITE_P(Lattices, LbmDescriptor,
                         ::testing::Values(&lbm::D2Q7(), &lbm::D2Q9(), &lbm::D2Q13()),
                         [](const ::testing::TestParamInfo<const lbm::Descriptor*>& info) {
                             return info.param->name;
                         });

// D2Q9's moment basis is Lallemand and Luo's, up to the scale of each row.
TEST(LbmDescriptorD2Q9, BasisIsLallemandAndLuos)
{
    const double energy[9] = {-4, -1, -1, -1, -1, 2, 2, 2, 2};
    const std::vector<double>& m = lbm::D2Q9().moments[3];
    const double scale = m[0] / energy[0];
    for (int q = 0; q < 9; ++q)
        EXPECT_NEAR(m[q], scale * energy[q], 1e-12) << q;
}

// A lattice of either kind, stepped directly.
struct AnyLattice {
    std::unique_ptr<lbm::Lattice<double>> square;
    std::unique_ptr<lbm::GenericLattice<double>> generic;
    AnyLattice(const lbm::LatticeParams& p)
    {
        lbm::SerialCommunicator serial;
        if (p.descriptor)
            generic = std::make_unique<lbm::GenericLattice<double>>(p, lbm::Slab{0, p.descriptor->Rows(p.gy)},
                                                                    nullptr);
        else
            square = std::make_unique<lbm::Lattice<double>>(p, lbm::Slab{0, p.gy}, nullptr);
    }
    void Step() { square ? square->Step(1) : generic->Step(1); }
    double Mass() const { return square ? square->Mass() : generic->Mass(); }
};

class LbmEveryModel : public ::testing::TestWithParam<std::string> {};

// Bounce-back (plain, handed on to the node it lands on, or interpolated and
// balanced per node) returns what reaches the walls: the total mass stays at
// its start value to round-off while the lid drives the flow.
TEST_P(LbmEveryModel, MassIsConservedToRoundOff)
{
    const lbm::LatticeParams p = lbm::ParamsOf(GetParam(), 24, 19, 0.1, 0.56);
    AnyLattice lattice(p);
    const double start = lattice.Mass();
    for (int step = 0; step < 2000; ++step)
        lattice.Step();
    EXPECT_NEAR(lattice.Mass(), start, 1e-12 * start);
}

// A lid sliding the other way gives the mirror image of the flow.
TEST_P(LbmEveryModel, MirroredLidMirrorsTheFlow)
{
    const int gx = 20, gy = 17;
    const lbm::RunResult a = lbm::RunSteps(GetParam(), gx, gy, 0.1, 0.7, 600);
    const lbm::RunResult b = lbm::RunSteps(GetParam(), gx, gy, -0.1, 0.7, 600);
    ASSERT_EQ(a.fields.ux.size(), std::size_t(gx * gy)) << a.message;
    ASSERT_EQ(b.fields.ux.size(), a.fields.ux.size());
    double worst = 0, fastest = 0;
    for (int j = 0; j < gy; ++j)
        for (int i = 0; i < gx; ++i) {
            const std::size_t k = std::size_t(j) * gx + i, m = std::size_t(j) * gx + (gx - 1 - i);
            worst = std::max(worst, std::abs(a.fields.ux[k] + b.fields.ux[m]));
            worst = std::max(worst, std::abs(a.fields.uy[k] - b.fields.uy[m]));
            worst = std::max(worst, std::abs(a.fields.rho[k] - b.fields.rho[m]));
            fastest = std::max(fastest, std::abs(a.fields.ux[k]));
        }
    EXPECT_LT(worst, 1e-13);
    EXPECT_GT(fastest, 0.03);
}

// With every rate at 1 / tau the moment-space collision is BGK: this checks
// the basis and the relaxation matrix built from it.
TEST_P(LbmEveryModel, EqualRatesMakeTheMrtCollisionBgk)
{
    lbm::LatticeParams bgk = lbm::ParamsOf(GetParam(), 15, 13, 0.1, 0.62);
    bgk.collision = lbm::Collision::Bgk;
    lbm::LatticeParams mrt = bgk;
    mrt.collision = lbm::Collision::Mrt;
    mrt.rateEnergy = mrt.rateEnergySquare = mrt.rateHeatFlux = 1 / 0.62;
    AnyLattice a(bgk), b(mrt);
    for (int step = 0; step < 300; ++step) {
        a.Step();
        b.Step();
    }
    std::vector<double> ra, ua, va, rb, ub, vb;
    if (a.square) {
        a.square->Macroscopic(ra, ua, va, 1);
        b.square->Macroscopic(rb, ub, vb, 1);
    } else {
        a.generic->Macroscopic(ra, ua, va, 1);
        b.generic->Macroscopic(rb, ub, vb, 1);
    }
    double worst = 0;
    for (std::size_t k = 0; k < ua.size(); ++k)
        worst = std::max({worst, std::abs(ua[k] - ub[k]), std::abs(va[k] - vb[k]), std::abs(ra[k] - rb[k])});
    EXPECT_LT(worst, 1e-13);
}

// In the steady cavity as much fluid crosses any vertical line one way as the
// other. The reflections off the lid hand mass along it; unless the links
// through the lid's corners give that mass back to the fluid, a net flow of the
// same size (U / 12 with half the lid's momentum on them) crosses every line.
// On the nine-velocity lattice the sum of rho u over a column of nodes is the
// lattice's own flow through the column (the thirteen-velocity lattice's
// links span two columns, the hexagonal one's fields are interpolated).
// The nine-velocity kernel's bulk, a line of nodes at a time or node by
// node, gives the same bits, in both precisions and both collisions, on a
// width whose rows start at every alignment (the first and last nodes of a
// row's bulk go node by node).
template <typename T> void ExpectWideBulkIsExact(lbm::Collision collision)
{
    lbm::LatticeParams p;
    p.collision = collision;
    p.gx = 45;
    p.gy = 23;
    p.lidSpeed = 0.1;
    p.tau = 0.53;
    lbm::LatticeParams narrow = p;
    narrow.wideBulk = false;
    lbm::Lattice<T> a(p, lbm::Slab{0, p.gy}, nullptr), b(narrow, lbm::Slab{0, p.gy}, nullptr);
    for (int step = 0; step < 300; ++step) {
        a.Step(1);
        b.Step(1);
    }
    std::vector<double> ra, ua, va, rb, ub, vb;
    a.Macroscopic(ra, ua, va, 1);
    b.Macroscopic(rb, ub, vb, 1);
    EXPECT_EQ(ra, rb);
    EXPECT_EQ(ua, ub);
    EXPECT_EQ(va, vb);
    EXPECT_GT(*std::max_element(ua.begin(), ua.end()), 0.01); // the lid drove a flow
}

TEST(LbmSquareKernel, WideBulkGivesTheSameBits)
{
    ExpectWideBulkIsExact<double>(lbm::Collision::Bgk);
    ExpectWideBulkIsExact<double>(lbm::Collision::Mrt);
    ExpectWideBulkIsExact<float>(lbm::Collision::Bgk);
    ExpectWideBulkIsExact<float>(lbm::Collision::Mrt);
}

TEST(LbmCavityFlow, NoNetFlowCrossesAVerticalLine)
{
    for (const char* model : {lbm::kModelBgk, lbm::kModelMrt}) {
        lbm::Task task;
        task.model = model;
        task.reynolds = 20;
        task.gx = task.gy = 24;
        lbm::Settings settings;
        settings.tolerance = 1e-11;
        settings.threads = 1;
        const lbm::RunResult r = lbm::Run(task, settings);
        ASSERT_EQ(r.status, lbm::RunStatus::Converged) << r.message;
        const lbm::Fields& f = r.fields;
        double worst = 0, circulating = 0;
        for (int i = 0; i < f.gx; ++i) {
            double flux = 0, forward = 0;
            for (int j = 0; j < f.gy; ++j) {
                const std::size_t k = std::size_t(j) * f.gx + i;
                flux += f.rho[k] * f.ux[k];
                forward += std::max(0.0, f.rho[k] * f.ux[k]);
            }
            worst = std::max(worst, std::abs(flux));
            circulating = std::max(circulating, forward);
        }
        EXPECT_GT(circulating, 0.1 * settings.lidSpeed) << model;
        EXPECT_LT(worst, 1e-7 * circulating) << model;
    }
}

std::vector<std::string> PlaneModels()
{
    std::vector<std::string> models;
    for (const std::string& m : lbm::SupportedModels())
        if (!lbm::IsThreeDimensional(m))
            models.push_back(m);
    return models;
}

INSTANTIATE_TEST_SUITE_P(Models, LbmEveryModel, ::testing::ValuesIn(PlaneModels()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name;
                             for (char c : info.param)
                                 if (std::isalnum(static_cast<unsigned char>(c)))
                                     name += c;
                             return name;
                         });

} // namespace
