// SPDX-License-Identifier: GPL-3.0-or-later
#include "Domain.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace lbm {

namespace {

constexpr double kEps = 1e-9;

double Cross(double ax, double ay, double bx, double by) { return ax * by - ay * bx; }

} // namespace

Domain Domain::Cavity(int gx, int gy, double lidSpeed)
{
    Domain d;
    d.gx_ = gx;
    d.gy_ = gy;
    d.speed_ = lidSpeed;
    return d;
}

Domain Domain::Channel(int gx, int gy, double meanSpeed, Inflow inflow, std::vector<Segment> outline)
{
    Domain d;
    d.channel_ = true;
    d.gx_ = gx;
    d.gy_ = gy;
    d.speed_ = meanSpeed;
    d.inflow_ = inflow;
    d.outline_ = std::move(outline);
    d.bottom_ = std::numeric_limits<double>::infinity();
    d.top_ = -d.bottom_;
    for (const Segment& s : d.outline_) {
        d.bottom_ = std::min({d.bottom_, s.y0, s.y1});
        d.top_ = std::max({d.top_, s.y0, s.y1});
    }
    return d;
}

std::vector<double> Domain::Crossings(double y) const
{
    std::vector<double> xs;
    for (const Segment& s : outline_) {
        if (s.y0 == s.y1)
            continue;
        const bool up = s.y0 <= y && y < s.y1, down = s.y1 <= y && y < s.y0;
        if (up || down)
            xs.push_back(s.x0 + (y - s.y0) * (s.x1 - s.x0) / (s.y1 - s.y0));
    }
    std::sort(xs.begin(), xs.end());
    return xs;
}

bool Domain::InObstacle(double x, double y) const
{
    if (outline_.empty() || y < bottom_ || y > top_)
        return false;
    auto row = rows_.find(y);
    if (row == rows_.end())
        row = rows_.emplace(y, Crossings(y)).first;
    const std::vector<double>& xs = row->second;
    const auto left = std::lower_bound(xs.begin(), xs.end(), x) - xs.begin();
    return left % 2 == 1;
}

bool Domain::Fluid(double x, double y) const
{
    return x > kEps && x < gx_ - kEps && y > kEps && y < gy_ - kEps && !InObstacle(x, y);
}

double Domain::InflowSpeed(double y) const
{
    if (inflow_ == Inflow::Uniform)
        return speed_;
    const double h = gy_;
    return std::max(0.0, 6 * speed_ * y * (h - y) / (h * h));
}

void Domain::InitialVelocity(double x, double y, double& ux, double& uy) const
{
    ux = uy = 0;
    if (channel_ && !InObstacle(x, y))
        ux = InflowSpeed(y);
}

Hit Domain::FirstHit(double x, double y, double ox, double oy) const
{
    const double inf = std::numeric_limits<double>::infinity();
    const double tx = ox > 0 ? (gx_ - x) / ox : ox < 0 ? x / -ox : inf;
    const double ty = oy > 0 ? (gy_ - y) / oy : oy < 0 ? y / -oy : inf;
    Hit hit;
    hit.delta = std::min(tx, ty);
    if (!channel_) {
        // The lid's momentum for a link that meets the lid before a side
        // wall; one through a lid corner meets the side wall's end, at rest
        // (LbmTask.h says why).
        if (oy > 0 && ty < tx - kEps)
            hit.ux = speed_;
    } else if (tx < ty - kEps || (ox < 0 && tx <= ty + kEps)) {
        // Through an end of the channel. A link through one of the inflow's
        // corners takes the inflow's velocity there, so that every node of
        // the first column takes in the inflow's whole momentum (with the
        // corners at rest a uniform inflow would lose a sixth of a node's
        // share at each wall: an error of first order in the spacing); one
        // through an outflow's corner meets the wall's end, at rest.
        hit.kind = ox < 0 ? BoundaryKind::Inflow : BoundaryKind::Outflow;
        if (ox < 0)
            hit.ux = InflowSpeed(y + oy * tx);
    }
    for (const Segment& s : outline_) {
        const double ex = s.x1 - s.x0, ey = s.y1 - s.y0;
        const double denominator = Cross(ox, oy, ex, ey);
        if (std::abs(denominator) < 1e-14)
            continue;
        const double px = s.x0 - x, py = s.y0 - y;
        const double t = Cross(px, py, ex, ey) / denominator;
        const double u = Cross(px, py, ox, oy) / denominator;
        if (u < 0 || u > 1 || t <= kEps || t >= hit.delta)
            continue;
        hit.delta = t;
        hit.kind = BoundaryKind::Wall;
        hit.ux = hit.uy = 0;
        hit.obstacle = s.obstacle;
    }
    return hit;
}

} // namespace lbm
