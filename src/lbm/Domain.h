// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Where the fluid is and what bounds it, for the generic time step: the box
// [0, Gx] x [0, Gy] in lattice spacings and the obstacles inside it.
//
// The cavity: walls all round, the top one (the lid) sliding in +x.
// The channel: walls at rest at the bottom and the top, a velocity inflow on
// the left (x = 0), a pressure outflow on the right (x = Gx), and obstacles
// given by their outlines: closed chains of segments, inside by the parity of
// the crossings of a horizontal line (a crossing counts where the line meets
// a segment in [lower end, upper end), so that a shared corner counts once).
//
// Every boundary sits where a link crosses it: the fraction delta of the link
// from the fluid node to the first boundary it meets (1/2 for the box's walls,
// which lie half-way between nodes), what that boundary is and the velocity
// it moves with there.

#include <cstdint>
#include <map>
#include <vector>

namespace lbm {

struct Segment {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    int obstacle = 0; // which obstacle's outline it belongs to
};

enum class Inflow { Uniform, Parabolic };

enum class BoundaryKind : std::uint8_t {
    Wall,    // at rest, or moving along itself (the lid)
    Inflow,  // velocity given (the channel's left end)
    Outflow, // pressure given (the channel's right end)
    Slip,    // a wall without friction (a three-dimensional channel's, when asked)
};

struct Hit {
    double delta = 1; // (0, 1]: where along the link the boundary lies
    BoundaryKind kind = BoundaryKind::Wall;
    double ux = 0, uy = 0; // the boundary's velocity there
    int obstacle = -1;     // the obstacle met, -1 for the box
};

class Domain {
public:
    // The cavity of gx x gy spacings, its lid moving at lidSpeed.
    static Domain Cavity(int gx, int gy, double lidSpeed);
    // The channel of gx x gy spacings with its mean inflow speed and the
    // obstacles' outlines in lattice spacings.
    static Domain Channel(int gx, int gy, double meanSpeed, Inflow inflow, std::vector<Segment> outline);

    bool IsChannel() const { return channel_; }
    int Width() const { return gx_; }
    int Height() const { return gy_; }
    double MeanSpeed() const { return speed_; }
    const std::vector<Segment>& Outline() const { return outline_; }
    // The outline's extent in y (meaningful with an outline).
    double OutlineBottom() const { return bottom_; }
    double OutlineTop() const { return top_; }

    // Inside the box and outside every obstacle.
    bool Fluid(double x, double y) const;
    bool InObstacle(double x, double y) const;
    // What the link from the fluid point (x, y) along (ox, oy) meets first,
    // or delta > 1 when it stays in the fluid.
    Hit FirstHit(double x, double y, double ox, double oy) const;
    // The inflow's velocity at height y (channels).
    double InflowSpeed(double y) const;
    // The velocity a channel starts with at (x, y): the inflow's profile all
    // along it, at rest inside the obstacles. The cavity starts at rest.
    void InitialVelocity(double x, double y, double& ux, double& uy) const;

    // Crossings of the outline with the horizontal line y, sorted; the
    // Fluid test uses them for every row it is asked about.
    std::vector<double> Crossings(double y) const;

private:
    bool channel_ = false;
    int gx_ = 0, gy_ = 0;
    double speed_ = 0; // the lid's speed, or the inflow's mean speed
    Inflow inflow_ = Inflow::Parabolic;
    std::vector<Segment> outline_;
    double top_ = 0, bottom_ = 0; // the outline's extent in y
    // The crossings of every row asked about, by y (filled while the
    // lattice is built, on one thread).
    mutable std::map<double, std::vector<double>> rows_;
};

} // namespace lbm
