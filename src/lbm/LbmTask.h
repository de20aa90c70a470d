// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A lattice-Boltzmann task: the lid-driven cavity on Gx x Gy lattice nodes,
// or the flow through a channel past obstacles (below).
//
// Geometry (square lattices). Every one of the Gx x Gy nodes is a fluid node. The walls sit half
// a lattice spacing outside the outermost nodes (half-way bounce-back): with
// node (i, j) at lattice position (i, j), the left wall is the line x = -1/2,
// the right wall x = Gx - 1/2, the bottom wall y = -1/2 and the lid y = Gy - 1/2.
// The cavity is therefore exactly Gx spacings wide and Gy spacings high, and
// node (i, j) lies at ((i + 1/2) / Gx, (j + 1/2) / Gy) in coordinates where the
// cavity is the unit square. The lid slides in +x at the lid speed U.
//
// Reynolds number. Re = U * L / nu with L = Gx, the cavity width in lattice
// spacings, U the lid speed in lattice units and nu the kinematic viscosity in
// lattice units; nu = U * Gx / Re sets the relaxation time tau = 3 nu + 1/2.
//
// A link that leaves the cavity through the lid, between the side walls, is
// reflected by the moving wall; every other link that leaves the cavity, those
// through a lid corner included, is reflected by a wall at rest. The moving
// wall's reflection hands mass along the lid from node to node (2 w U / cs^2
// per step and link, U / 6 on the nine-velocity lattice); with the corner
// links at rest that mass is handed back to the fluid at the lid's two ends,
// and the net flow through every vertical line of the cavity vanishes as it
// must. Were the corner links to take up the lid's momentum, a net flow of up
// to that size would cross every vertical line, an error of first order in the
// spacing (the vortex measurably weaker).
//
// The hexagonal lattice (D2Q7) fills the same cavity, Gx spacings wide and Gy
// high: rows sqrt(3)/2 apart (about 1.155 Gy of them), Gx nodes in the even rows
// and Gx - 1 in the odd ones, which sit half a spacing to the left. Its side
// walls and lid do not lie half-way between nodes: interpolated bounce-back.
// Its results are interpolated onto the Gx x Gy points above.
//
// The channel. A rectangle of the scene, `length` along x and `height` along
// y, on Gx x Gy square-lattice nodes (the spacing height / Gy, which length /
// Gx must match): walls at rest at the bottom and the top, an inflow on the
// left (uniform, or the parabola of Poiseuille flow, at its mean speed), a
// pressure outflow on the right, and the obstacles the scene's solids and
// meshes make where the plane of the task cuts them. Nodes sit as in the
// cavity, half a spacing inside; the obstacles' walls lie where the links
// cross their outlines (interpolated bounce-back). Re = U D / nu with U the
// mean inflow speed and D the obstacles' extent across the flow (the
// cylinder's diameter), or the channel's height when there is no obstacle, as
// the benchmark of Schaefer & Turek (Notes Numer. Fluid Mech. 52, 1996) has it.
// The lattice speed of the mean inflow is Settings::lidSpeed.

#include "Domain.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lbm {

enum class Precision { Double, Float };

// The lattice models the task dialog offers. "(New)" marks the multiple-
// relaxation-time collision (BGK without it).
inline const char* const kModelBgk = "D2Q9";      // nine velocities, BGK collision
inline const char* const kModelMrt = "D2Q9(New)"; // nine velocities, multiple relaxation times
inline const char* const kModelHex = "D2Q7";      // hexagonal lattice, BGK (the dialog's default)
inline const char* const kModelHexMrt = "D2Q7(New)";
inline const char* const kModelQ13Mrt = "D2Q13(New)";
inline const char* const kModelQ11 = "D2Q11(New)"; // offered by the dialog, refused: see ModelNote
// Three dimensions: nineteen velocities, BGK, and two relaxation times.
inline const char* const kModel3Bgk = "D3Q19";
inline const char* const kModel3Trt = "D3Q19(New)";

struct Descriptor;
// The lattice of a model that runs (null otherwise) and whether it relaxes
// with multiple relaxation times.
const Descriptor* ModelLattice(const std::string& model);
bool ModelIsMrt(const std::string& model);
// True for the three-dimensional models (their tasks have a z size).
bool IsThreeDimensional(const std::string& model);
// One sentence on the model for the place where it is chosen: its lattice,
// collision and source, or why it cannot run.
std::string ModelNote(const std::string& model);

enum class Flow { Cavity, Channel };

// A triangle of an obstacle's surface, in the scene's coordinates.
struct Triangle {
    double p[3][3] = {};
    int obstacle = 0; // which obstacle it belongs to (0-based)
};

struct ChannelSpec {
    double x = 0, y = 0; // the lower left corner in the scene
    double length = 2.2, height = 0.41;
    // Three dimensions: the box reaches from z to z + depth; its four side
    // walls at rest, or without friction (Domain3.h).
    double z = 0, depth = 0.41;
    bool slipWalls = false;
    Inflow inflow = Inflow::Parabolic;
    // The mean inflow speed in scene units per second: the unit the pressure
    // difference is given in (rho U^2 with unit density).
    double meanSpeed = 0.2;
    std::vector<Segment> outline; // the obstacles' outlines in the scene's coordinates
    int obstacles = 0;            // how many outline pieces there are
    // Three dimensions: the surfaces of the obstacles inside the box, and
    // which of them are closed (the others stay sheets: see Domain3).
    std::vector<Triangle> surface;
    std::vector<bool> closed;
};

struct Task {
    std::string model = kModelBgk;
    double reynolds = 100;
    int gx = 129;
    int gy = 129;
    int gz = 1; // nodes along z: three-dimensional models only
    Flow flow = Flow::Cavity;
    ChannelSpec channel; // a channel's, for Flow::Channel
};

// The length Re is made with, in lattice spacings: the cavity's width, or the
// channel's obstacles' extent across the flow (its height without them).
double ReynoldsLength(const Task& task);
// The channel's domain in lattice spacings, its outline moved and scaled onto
// the lattice; the lattice speed of the mean inflow is `meanSpeed`.
Domain ChannelDomain(const Task& task, double meanSpeed);

struct Settings {
    double lidSpeed = 0.1;   // lattice units
    double tolerance = 1e-7; // largest velocity change over checkInterval steps, in lid speeds
    std::int64_t maxSteps = 2000000;
    Precision precision = Precision::Double;
    int threads = 0;              // 0: all the machine's cores
    int checkInterval = 100;      // steps between convergence and divergence checks
    double progressSeconds = 0.2; // least time between progress reports (0: every check)
    // On several processes: least time between two reports that carry the
    // fields, gathered on rank 0 for them (0: none, and no gathering). One
    // process's reports always carry them.
    double fieldSeconds = 0;
    // Steps between two snapshots of the field the run reports (0: none).
    std::int64_t snapshotEvery = 0;
};

// Models that run, in the order the dialog lists them.
std::vector<std::string> SupportedModels();
// True for a name the task dialog offers, whether or not it runs yet.
bool IsKnownModel(const std::string& model);

// Nodes (Gx * Gy) of the task; 0 when a size is not positive.
std::uint64_t NodeCount(const Task& task);
// Bytes the solver keeps per node of the task (lattices, fields and flags).
std::uint64_t BytesPerNode(const Task& task, const Settings& settings);
// Bytes the solver allocates for the task in one process (distributions,
// velocity history and the gathered fields).
std::uint64_t MemoryNeeded(const Task& task, const Settings& settings);

// Checks the task and its settings without allocating anything. Returns an
// empty string for a task that can run, otherwise a message saying what is
// wrong and what is allowed.
std::string CheckTask(const Task& task, const Settings& settings);

// Relaxation time of the shear modes, tau = nu / cs^2 + 1/2, nu = U * L / Re
// (L the ReynoldsLength: Gx for the cavity)
// (cs^2 = 1/3 on the square nine-velocity lattice, 1/4 on the hexagonal one,
// 1/2 with thirteen velocities).
double RelaxationTime(const Task& task, const Settings& settings);

const char* PrecisionName(Precision precision);

} // namespace lbm
