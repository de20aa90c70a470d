// SPDX-License-Identifier: GPL-3.0-or-later
#include "Domain3.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace lbm {

namespace {
constexpr double kEps = 1e-9;
} // namespace

Domain3 Domain3::Cavity(int gx, int gy, int gz, double lidSpeed)
{
    Domain3 d;
    d.g_[0] = gx;
    d.g_[1] = gy;
    d.g_[2] = gz;
    d.speed_ = lidSpeed;
    return d;
}

Domain3 Domain3::Channel(int gx, int gy, int gz, double meanSpeed, Inflow inflow, Obstacles3 obstacles,
                         bool slipWalls)
{
    Domain3 d = Cavity(gx, gy, gz, meanSpeed);
    d.channel_ = true;
    d.slip_ = slipWalls;
    d.inflow_ = inflow;
    d.obstacles_ = std::move(obstacles);
    return d;
}

double Domain3::InflowSpeed(double y, double z) const
{
    if (inflow_ == Inflow::Uniform)
        return speed_;
    const double h = g_[1], w = g_[2];
    return std::max(0.0, 36 * speed_ * y * (h - y) * z * (w - z) / (h * h * w * w));
}

void Domain3::InitialVelocity(int i, int j, int k, double u[3]) const
{
    u[0] = u[1] = u[2] = 0;
    if (channel_ && Fluid(i, j, k))
        u[0] = InflowSpeed(j + 0.5, k + 0.5);
}

Hit3 Domain3::FirstHit(int i, int j, int k, const int c[3]) const
{
    const double inf = std::numeric_limits<double>::infinity();
    const double p[3] = {i + 0.5, j + 0.5, k + 0.5};
    double t[3];
    for (int a = 0; a < 3; ++a)
        t[a] = c[a] > 0 ? (g_[a] - p[a]) / c[a] : c[a] < 0 ? p[a] / -c[a] : inf;
    Hit3 hit;
    hit.delta = std::min({t[0], t[1], t[2]});
    const double across = std::min(t[1], t[2]);
    if (!channel_) {
        if (c[1] > 0 && t[1] < std::min(t[0], t[2]) - kEps)
            hit.u[0] = speed_;
    } else if (t[0] < across - kEps || ((c[0] < 0 || slip_) && t[0] <= across + kEps)) {
        // (with walls without friction the outflow owns its edges too: the
        // part of a population's motion along the wall goes on through it)
        hit.kind = c[0] < 0 ? BoundaryKind::Inflow : BoundaryKind::Outflow;
        if (c[0] < 0)
            hit.u[0] = InflowSpeed(p[1] + c[1] * t[0], p[2] + c[2] * t[0]);
    } else if (slip_ && hit.delta <= 1) {
        hit.kind = BoundaryKind::Slip;
        for (int a = 1; a < 3; ++a)
            hit.crossed[a] = t[a] <= hit.delta + kEps;
    }
    if (obstacles_.firstHit) {
        const double dc[3] = {double(c[0]), double(c[1]), double(c[2])};
        int obstacle = -1;
        const double delta = obstacles_.firstHit(p, dc, obstacle);
        if (delta > 0 && delta <= 1 && delta < hit.delta) {
            hit = Hit3{};
            hit.delta = delta;
            hit.obstacle = obstacle;
        }
    }
    return hit;
}

} // namespace lbm
