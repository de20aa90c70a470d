// SPDX-License-Identifier: GPL-3.0-or-later
// The three-dimensional lattice: what a fluid at rest, the cube cavity's
// symmetry and a channel's continuity say about its links and its step.
#include "Lattice3.h"
#include "Domain3.h"
#include "LbmRun.h"
#include "LbmRun3.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using lbm::Domain3;
using lbm::Lattice3;

// A sphere given analytically, in lattice spacings.
lbm::Obstacles3 Sphere(double cx, double cy, double cz, double r)
{
    lbm::Obstacles3 o;
    o.count = 1;
    o.inside = [=](int i, int j, int k) {
        const double x = i + 0.5 - cx, y = j + 0.5 - cy, z = k + 0.5 - cz;
        return x * x + y * y + z * z < r * r ? 0 : -1;
    };
    o.firstHit = [=](const double* p, const double* c, int& obstacle) {
        const double d[3] = {p[0] - cx, p[1] - cy, p[2] - cz};
        const double a = c[0] * c[0] + c[1] * c[1] + c[2] * c[2];
        const double b = 2 * (d[0] * c[0] + d[1] * c[1] + d[2] * c[2]);
        const double e = d[0] * d[0] + d[1] * d[1] + d[2] * d[2] - r * r;
        const double disc = b * b - 4 * a * e;
        obstacle = -1;
        if (disc < 0 || e < 0)
            return 2.0;
        const double t = (-b - std::sqrt(disc)) / (2 * a);
        if (t <= 0 || t > 1)
            return 2.0;
        obstacle = 0;
        return t;
    };
    o.lo[0] = cx - r;
    o.hi[0] = cx + r;
    o.lo[1] = cy - r;
    o.hi[1] = cy + r;
    o.lo[2] = cz - r;
    o.hi[2] = cz + r;
    o.frontalArea = M_PI * r * r;
    return o;
}

double MaxSpeed(const Lattice3<double>& l)
{
    std::vector<double> rho, ux, uy, uz;
    l.Macroscopic(rho, ux, uy, uz, 1);
    double m = 0;
    for (std::size_t k = 0; k < ux.size(); ++k)
        m = std::max(m, std::sqrt(ux[k] * ux[k] + uy[k] * uy[k] + uz[k] * uz[k]));
    return m;
}

// A fluid at rest stays at rest and keeps its mass, with a wall at rest all
// round (the cavity without its lid) and round a sphere between an inflow and
// an outflow at rest: every link's reflection and the outflow's condition
// must hand each population back as it came.
TEST(Lattice3, FluidAtRestStaysAtRest)
{
    const Domain3 cavity = Domain3::Cavity(12, 10, 8, 0.0);
    const Domain3 sphere =
        Domain3::Channel(24, 12, 12, 0.0, lbm::Inflow::Uniform, Sphere(8.3, 6.1, 5.7, 3.2));
    for (const Domain3* domain : {&cavity, &sphere})
        for (bool trt : {false, true}) {
            lbm::Lattice3Params p;
            p.trt = trt;
            p.tau = 0.8;
            p.domain = domain;
            lbm::SerialCommunicator comm;
            Lattice3<double> lattice(p, lbm::Slab{0, domain->Size(2)}, &comm);
            const double mass = lattice.Mass();
            for (int s = 0; s < 200; ++s)
                lattice.Step(1);
            SCOPED_TRACE(std::string(domain->IsChannel() ? "sphere" : "cavity") + (trt ? " trt" : " bgk"));
            EXPECT_LT(MaxSpeed(lattice), 1e-14);
            EXPECT_NEAR(lattice.Mass(), mass, 1e-10 * mass);
            for (int a = 0; a < 3; ++a)
                EXPECT_LT(std::abs(lattice.Force()[a]), 1e-12);
            if (domain->IsChannel()) {
                EXPECT_GT(lattice.BoundaryLinks(), 1000u);
            }
        }
}

// The lid slides along x: the cube cavity's flow is the mirror image of
// itself in the plane z = Gz / 2 (ux, uy even, uz odd), to rounding.
TEST(Lattice3, CubeCavityIsSymmetricAboutItsMidPlane)
{
    for (bool trt : {false, true}) {
        const Domain3 domain = Domain3::Cavity(10, 9, 8, 0.1);
        lbm::Lattice3Params p;
        p.trt = trt;
        p.tau = 0.6;
        p.domain = &domain;
        lbm::SerialCommunicator comm;
        Lattice3<double> lattice(p, lbm::Slab{0, 8}, &comm);
        for (int s = 0; s < 300; ++s)
            lattice.Step(2);
        std::vector<double> rho, ux, uy, uz;
        lattice.Macroscopic(rho, ux, uy, uz, 1);
        const auto at = [](int i, int j, int k) { return std::size_t((k * 9 + j) * 10 + i); };
        double worst = 0, largest = 0;
        for (int k = 0; k < 8; ++k)
            for (int j = 0; j < 9; ++j)
                for (int i = 0; i < 10; ++i) {
                    const std::size_t a = at(i, j, k), b = at(i, j, 7 - k);
                    worst = std::max(
                        {worst, std::abs(ux[a] - ux[b]), std::abs(uy[a] - uy[b]), std::abs(uz[a] + uz[b])});
                    largest = std::max(largest, std::abs(ux[a]));
                }
        EXPECT_LT(worst, 1e-15) << (trt ? "trt" : "bgk");
        // The lid drives the top row towards its speed.
        EXPECT_GT(ux[at(5, 8, 4)], 0.03);
        EXPECT_GT(largest, 0.03);
    }
}

// What flows in at the inflow flows out: in a steady empty channel every
// cross-section carries the inflow's flux.
TEST(Lattice3, ChannelCarriesTheInflowsFluxThroughEverySection)
{
    for (lbm::Inflow inflow : {lbm::Inflow::Uniform, lbm::Inflow::Parabolic}) {
        const int gx = 24, gy = 8, gz = 6;
        const double U = 0.05;
        const Domain3 domain = Domain3::Channel(gx, gy, gz, U, inflow);
        lbm::Lattice3Params p;
        p.trt = true;
        p.tau = 0.8;
        p.domain = &domain;
        lbm::SerialCommunicator comm;
        Lattice3<double> lattice(p, lbm::Slab{0, gz}, &comm);
        for (int s = 0; s < 3000; ++s)
            lattice.Step(2);
        std::vector<double> rho, ux, uy, uz;
        lattice.Macroscopic(rho, ux, uy, uz, 1);
        for (int i : {2, gx / 2, gx - 3}) {
            double flux = 0;
            for (int k = 0; k < gz; ++k)
                for (int j = 0; j < gy; ++j) {
                    const std::size_t n = std::size_t((k * gy + j) * gx + i);
                    flux += rho[n] * ux[n];
                }
            EXPECT_NEAR(flux / (U * gy * gz), 1.0, 0.01) << "section " << i;
        }
    }
}

// Walls without friction grow no boundary layer: a uniform inflow stays
// uniform all down an empty channel, to rounding, on either collision.
TEST(Lattice3, SlipWallsKeepAUniformInflowUniform)
{
    const double U = 0.05;
    const Domain3 domain = Domain3::Channel(20, 7, 6, U, lbm::Inflow::Uniform, {}, true);
    for (bool trt : {false, true}) {
        lbm::Lattice3Params p;
        p.trt = trt;
        p.tau = 0.7;
        p.domain = &domain;
        lbm::SerialCommunicator comm;
        Lattice3<double> lattice(p, lbm::Slab{0, 6}, &comm);
        for (int s = 0; s < 500; ++s)
            lattice.Step(1);
        std::vector<double> rho, ux, uy, uz;
        lattice.Macroscopic(rho, ux, uy, uz, 1);
        double worst = 0;
        for (std::size_t n = 0; n < ux.size(); ++n)
            worst = std::max({worst, std::abs(ux[n] - U), std::abs(uy[n]), std::abs(uz[n])});
        EXPECT_LT(worst, 1e-12 * U) << (trt ? "trt" : "bgk");
    }
}

} // namespace
