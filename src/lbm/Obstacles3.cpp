// SPDX-License-Identifier: GPL-3.0-or-later
// The obstacles of a three-dimensional channel: the scene's surfaces on the
// lattice, and the figures the force coefficients and Re are made with.
#include "LbmRun3.h"

#include "MeshObstacles.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <vector>

namespace lbm {

namespace {

using Point = std::array<double, 3>;

// The part of the polygon on the side axis <= value (keep = +1) or >= value (keep = -1).
std::vector<Point> ClipBy(const std::vector<Point>& polygon, int axis, double value, int keep)
{
    std::vector<Point> out;
    const std::size_t n = polygon.size();
    for (std::size_t k = 0; k < n; ++k) {
        const Point& a = polygon[k];
        const Point& b = polygon[(k + 1) % n];
        const double da = keep * (value - a[std::size_t(axis)]), db = keep * (value - b[std::size_t(axis)]);
        if (da >= 0)
            out.push_back(a);
        if ((da >= 0) != (db >= 0)) {
            const double t = da / (da - db);
            Point p;
            for (std::size_t c = 0; c < 3; ++c)
                p[c] = a[c] + t * (b[c] - a[c]);
            out.push_back(p);
        }
    }
    return out;
}

} // namespace

SurfaceFigures SurfaceFiguresOf(const std::vector<Triangle>& triangles, const double box[3])
{
    SurfaceFigures figures;
    double lo[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL}, hi[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    for (const Triangle& t : triangles) {
        std::vector<Point> polygon = {Point{t.p[0][0], t.p[0][1], t.p[0][2]},
                                      Point{t.p[1][0], t.p[1][1], t.p[1][2]},
                                      Point{t.p[2][0], t.p[2][1], t.p[2][2]}};
        for (int axis = 0; axis < 3 && polygon.size() >= 3; ++axis) {
            polygon = ClipBy(polygon, axis, 0, -1);
            if (polygon.size() >= 3)
                polygon = ClipBy(polygon, axis, box[axis], +1);
        }
        if (polygon.size() < 3)
            continue;
        for (const Point& p : polygon)
            for (std::size_t a = 0; a < 3; ++a) {
                lo[a] = std::min(lo[a], p[a]);
                hi[a] = std::max(hi[a], p[a]);
            }
        figures.any = true;
    }
    for (int a = 0; a < 3; ++a) {
        figures.lo[a] = figures.any ? lo[a] : 0;
        figures.hi[a] = figures.any ? hi[a] : 0;
    }
    return figures;
}

std::vector<Triangle> LatticeSurface(const Task& task)
{
    const ChannelSpec& c = task.channel;
    const double spacing = c.height / task.gy;
    const double origin[3] = {c.x, c.y, c.z};
    std::vector<Triangle> surface = c.surface;
    for (Triangle& t : surface)
        for (auto& p : t.p)
            for (int a = 0; a < 3; ++a)
                p[a] = (p[a] - origin[a]) / spacing;
    return surface;
}

Obstacles3 ChannelObstacles3(const Task& task, int threads)
{
    Obstacles3 o;
    auto mesh = std::make_shared<MeshObstacles>(LatticeSurface(task), task.channel.closed, task.gx, task.gy,
                                                task.gz, threads);
    mesh->Bounds(o.lo, o.hi);
    o.frontalArea = mesh->FrontalArea();
    o.count = mesh->Count();
    o.inside = [mesh](int i, int j, int k) { return mesh->InsideAt(i, j, k); };
    o.firstHit = [mesh](const double* p, const double* c, int& obstacle) {
        const MeshHit hit = mesh->FirstHit(p, c);
        obstacle = hit.obstacle;
        return hit.delta;
    };
    return o;
}

} // namespace lbm
