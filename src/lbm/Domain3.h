// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Where the fluid is and what bounds it in three dimensions: the box
// [0, Gx] x [0, Gy] x [0, Gz] in lattice spacings, node (i, j, k) at
// (i + 1/2, j + 1/2, k + 1/2), and the obstacles inside it.
//
// The cube cavity: walls all round, the top one (the lid, y = Gy) sliding
// in +x; a link through an edge of the lid meets the side wall's end, at
// rest (as in two dimensions, LbmTask.h says why).
// The channel: walls at rest at y = 0, Gy and z = 0, Gz, a velocity inflow at
// x = 0 (uniform, or the profile 36 U y z (H - y) (D - z) / (H^2 D^2) of the
// benchmark of Schaefer & Turek, its mean U), a pressure outflow at x = Gx.
// The inflow owns its edges: a link through one takes the inflow's velocity
// there (zero for the profile), one through an outflow's edge meets the wall.
// The channel's walls may instead be without friction (slip): a population
// that meets one is reflected as a mirror reflects it, keeping its motion
// along the wall, so that a uniform inflow stays uniform down an empty
// channel; for a body in a wide box this stands for the unbounded fluid
// round it better than walls at rest, which grow boundary layers.
//
// Obstacles come as two questions (MeshObstacles answers them for the
// scene's meshes): which obstacle a node lies inside, and where a link first
// crosses an obstacle's surface. A link from a fluid node that crosses a
// surface before it ends is a boundary link even when the node it ends on is
// fluid too: an open mesh, which has no inside, is a sheet the flow goes
// round on both sides.

#include "Domain.h"

#include <functional>

namespace lbm {

struct Hit3 {
    double delta = 2; // (0, 1]: where along the link the boundary lies; above 1: none
    BoundaryKind kind = BoundaryKind::Wall;
    double u[3] = {0, 0, 0};                 // the boundary's velocity there
    int obstacle = -1;                       // the obstacle met, -1 for the box
    bool crossed[3] = {false, false, false}; // a slip wall's: the axes whose walls the link meets there
};

struct Obstacles3 {
    // The obstacle node (i, j, k) lies inside, -1 for none.
    std::function<int(int, int, int)> inside;
    // Where the segment p -> p + c first crosses a surface (delta in (0, 1]),
    // and its obstacle; delta above 1 when it crosses none.
    std::function<double(const double* p, const double* c, int& obstacle)> firstHit;
    // The obstacles' extent and their shadow's area on a plane x = const,
    // in lattice spacings: the length Re and the force coefficients use.
    double lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
    double frontalArea = 0;
    int count = 0;
};

class Domain3 {
public:
    static Domain3 Cavity(int gx, int gy, int gz, double lidSpeed);
    static Domain3 Channel(int gx, int gy, int gz, double meanSpeed, Inflow inflow, Obstacles3 obstacles = {},
                           bool slipWalls = false);

    bool IsChannel() const { return channel_; }
    int Size(int axis) const { return g_[axis]; }
    double Speed() const { return speed_; }
    const Obstacles3& Obstacles() const { return obstacles_; }
    bool HasObstacles() const { return obstacles_.count > 0; }

    // The obstacle node (i, j, k) lies in, -1 in the fluid.
    int Solid(int i, int j, int k) const { return obstacles_.inside ? obstacles_.inside(i, j, k) : -1; }
    bool Fluid(int i, int j, int k) const { return Solid(i, j, k) < 0; }
    // What the link from the fluid node (i, j, k) along c meets first.
    Hit3 FirstHit(int i, int j, int k, const int c[3]) const;
    // The inflow's speed at (y, z) in spacings (channels).
    double InflowSpeed(double y, double z) const;
    // Velocity a node starts with: the inflow's profile all along a channel,
    // at rest in obstacles and in the cavity.
    void InitialVelocity(int i, int j, int k, double u[3]) const;

private:
    bool channel_ = false;
    int g_[3] = {0, 0, 0};
    double speed_ = 0;
    Inflow inflow_ = Inflow::Parabolic;
    bool slip_ = false;
    Obstacles3 obstacles_;
};

} // namespace lbm
