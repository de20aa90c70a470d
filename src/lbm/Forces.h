// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The forces on a channel's obstacles over a run, and what the benchmark of
// Schaefer & Turek (Notes Numer. Fluid Mech. 52, 1996) reads off them and
// off the final field: drag and lift coefficients cD = 2 Fx / (rho U^2 D) and
// cL = 2 Fy / (rho U^2 D), with U the mean inflow speed and D the obstacles'
// extent across the flow; for a periodic run their maxima over a period and
// the Strouhal number St = D f / U of the lift; the pressure difference
// between the obstacles' front and back on the line through their middle
// (in rho U^2 of the scene's units); and for a steady run the length of the
// recirculation behind them along that line.

#include "Domain.h"

#include <cstdint>
#include <vector>

namespace lbm {

struct Fields;

struct ForceHistory {
    std::vector<std::int64_t> steps;
    std::vector<double> cd, cl;

    // Appends a sample; past kMaxSamples every other sample is dropped and
    // only every `stride` steps is kept, so a long run keeps its whole
    // history at an even, coarser spacing.
    void Add(std::int64_t step, double drag, double lift);
    std::int64_t Stride() const { return stride_; }
    static constexpr std::size_t kMaxSamples = std::size_t(1) << 20;

private:
    std::int64_t stride_ = 1;
};

struct Oscillation {
    bool settled = false;                   // at least three periods alike in length and amplitude
    int periods = 0;                        // whole periods seen in the window looked at
    double period = 0;                      // in steps, of the last period
    double clMax = 0, clMin = 0, cdMax = 0; // over the last period
    double clMaxStep = 0;                   // the step at which the lift was largest in it
};

// The lift's oscillation in the later half of the history: its period from
// the upward crossings of its mean, the extremes of lift and drag over the
// last whole period. `settled` once the last three periods agree to 0.2 % in
// length and their lift maxima to 0.2 % of the lift's swing.
Oscillation AnalyseLift(const ForceHistory& history);

struct ChannelFigures {
    bool periodic = false;
    double cd = 0, cl = 0; // at the end of a steady run, the maxima over the last period of a periodic one
    double clMin = 0;      // periodic runs
    double strouhal = 0;   // periodic runs
    double dp = 0;         // pressure difference, front less back (periodic: half a period after cL,max)
    double la = 0;         // recirculation length (steady runs), scene units
    double frontX = 0, backX = 0, lineY = 0; // where dp and la are taken, scene units
    ForceHistory history;
};

// The pressure difference (in lattice units of pressure, cs^2 rho) between
// the obstacles' front and back and the recirculation length (in spacings)
// on the horizontal line through the middle of the obstacles' extent, from
// the fields on the domain's Gx x Gy nodes; the front and back where the line
// meets the outline first and last. Fills dp (in lattice units) and la, and
// the points in spacings; leaves them 0 without an outline.
void WakeFigures(const Domain& domain, const Fields& fields, double cs2, ChannelFigures& figures);

} // namespace lbm
