// SPDX-License-Identifier: GPL-3.0-or-later
#include "Streamlines.h"

#include "LbmRun.h"

#include <algorithm>
#include <cmath>

namespace {

// The velocity between the nodes, and whether a point lies on an obstacle's node.
class Sampler {
public:
    Sampler(const lbm::Fields& fields, const FlowBox& box) : f_(fields), box_(box)
    {
        for (int a = 0; a < 3; ++a) {
            count_[a] = NodesAlong(fields, a);
            spacing_[a] = box.Extent(a) / count_[a];
        }
    }

    double SmallestSpacing() const { return std::min({spacing_[0], spacing_[1], spacing_[2]}); }

    // False where the velocity is not a finite number.
    bool Velocity(const Point3& p, Point3& u) const
    {
        int base[3];
        double t[3];
        for (int a = 0; a < 3; ++a) {
            const double g = std::clamp((p[std::size_t(a)] - box_.lo[std::size_t(a)]) / spacing_[a] - 0.5,
                                        0.0, double(count_[a] - 1));
            base[a] = count_[a] > 1 ? std::min(int(g), count_[a] - 2) : 0;
            t[a] = count_[a] > 1 ? g - base[a] : 0;
        }
        u = {0, 0, 0};
        for (int corner = 0; corner < 8; ++corner) {
            const int di = corner & 1, dj = (corner >> 1) & 1, dk = (corner >> 2) & 1;
            const double w = (di ? t[0] : 1 - t[0]) * (dj ? t[1] : 1 - t[1]) * (dk ? t[2] : 1 - t[2]);
            if (w == 0)
                continue;
            const std::size_t node =
                NodeIndex(f_.gx, f_.gy, std::min(base[0] + di, count_[0] - 1),
                          std::min(base[1] + dj, count_[1] - 1), std::min(base[2] + dk, count_[2] - 1));
            u[0] += w * f_.ux[node];
            u[1] += w * f_.uy[node];
            u[2] += w * (f_.uz.empty() ? 0.0 : f_.uz[node]);
        }
        return std::isfinite(u[0]) && std::isfinite(u[1]) && std::isfinite(u[2]);
    }

    bool OnObstacle(const Point3& p) const
    {
        if (f_.solid.empty())
            return false;
        int at[3];
        for (int a = 0; a < 3; ++a)
            at[a] = std::clamp(int(std::floor((p[std::size_t(a)] - box_.lo[std::size_t(a)]) / spacing_[a])),
                               0, count_[a] - 1);
        return f_.solid[NodeIndex(f_.gx, f_.gy, at[0], at[1], at[2])] != 0;
    }

private:
    const lbm::Fields& f_;
    const FlowBox& box_;
    int count_[3];
    double spacing_[3];
};

double Length(const Point3& a, const Point3& b)
{
    return std::sqrt((b[0] - a[0]) * (b[0] - a[0]) + (b[1] - a[1]) * (b[1] - a[1]) +
                     (b[2] - a[2]) * (b[2] - a[2]));
}

Point3 Along(const Point3& p, const Point3& d, double s)
{
    return {p[0] + s * d[0], p[1] + s * d[1], p[2] + s * d[2]};
}

// The part (0..1) of the step from p (inside) to q that stays in the box.
double InsideFraction(const FlowBox& box, const Point3& p, const Point3& q)
{
    double t = 1;
    for (std::size_t a = 0; a < 3; ++a) {
        const double d = q[a] - p[a];
        if (q[a] > box.hi[a] && d > 0)
            t = std::min(t, (box.hi[a] - p[a]) / d);
        else if (q[a] < box.lo[a] && d < 0)
            t = std::min(t, (box.lo[a] - p[a]) / d);
    }
    return std::clamp(t, 0.0, 1.0);
}

} // namespace

std::vector<Streamline> TraceStreamlines(const lbm::Fields& fields, const FlowBox& box,
                                         const std::vector<Point3>& seeds, const StreamlineOptions& options)
{
    std::vector<Streamline> lines;
    for (int a = 0; a < 3; ++a)
        if (!(box.Extent(a) > 0) || !std::isfinite(box.Extent(a)))
            return lines;
    if (!IsReadableVolume(fields))
        return lines;
    const Sampler sampler(fields, box);
    const double diagonal = Length(box.lo, box.hi);
    const double step =
        std::clamp(std::isfinite(options.step) ? options.step : 0.5, 1e-3, 10.0) * sampler.SmallestSpacing();
    const double maxLength = options.maxLength > 0 && std::isfinite(options.maxLength)
                                 ? std::min(options.maxLength, 1e3 * diagonal)
                                 : 4 * diagonal;
    const int maxSteps = std::clamp(options.maxSteps, 1, 100000);
    double largest = 0;
    for (std::size_t node = 0; node < fields.ux.size(); ++node) {
        const double uz = fields.uz.empty() ? 0.0 : fields.uz[node];
        const double speed =
            std::sqrt(fields.ux[node] * fields.ux[node] + fields.uy[node] * fields.uy[node] + uz * uz);
        if (std::isfinite(speed) && (fields.solid.empty() || !fields.solid[node]))
            largest = std::max(largest, speed);
    }
    const double slowest = std::max(options.stagnation, 0.0) * largest;

    // The unit direction of the flow at p, or why there is none: an
    // obstacle's node there, a flow at rest or one that cannot be read.
    enum class Sample { Flow, Obstacle, Still };
    const auto direction = [&](const Point3& p, Point3& d) {
        if (sampler.OnObstacle(p))
            return Sample::Obstacle;
        Point3 u;
        if (!sampler.Velocity(p, u))
            return Sample::Still;
        const double speed = std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
        if (!(speed > slowest) || !(speed > 0))
            return Sample::Still;
        d = {u[0] / speed, u[1] / speed, u[2] / speed};
        return Sample::Flow;
    };

    lines.reserve(seeds.size());
    for (const Point3& seed : seeds) {
        Streamline line;
        line.points.push_back(seed);
        if (!box.Contains(seed)) {
            line.end = StreamlineEnd::Box;
            lines.push_back(std::move(line));
            continue;
        }
        if (sampler.OnObstacle(seed)) {
            line.end = StreamlineEnd::Obstacle;
            lines.push_back(std::move(line));
            continue;
        }
        Point3 p = seed;
        double length = 0;
        line.end = StreamlineEnd::Steps;
        for (int s = 0; s < maxSteps; ++s) {
            Point3 k1, k2, k3, k4;
            Sample sample = direction(p, k1);
            if (sample == Sample::Flow)
                sample = direction(Along(p, k1, step / 2), k2);
            if (sample == Sample::Flow)
                sample = direction(Along(p, k2, step / 2), k3);
            if (sample == Sample::Flow)
                sample = direction(Along(p, k3, step), k4);
            if (sample != Sample::Flow) {
                line.end = sample == Sample::Obstacle ? StreamlineEnd::Obstacle : StreamlineEnd::Stagnation;
                break;
            }
            Point3 q;
            for (std::size_t a = 0; a < 3; ++a)
                q[a] = p[a] + step / 6 * (k1[a] + 2 * k2[a] + 2 * k3[a] + k4[a]);
            double fraction = InsideFraction(box, p, q);
            StreamlineEnd end = fraction < 1 ? StreamlineEnd::Box : StreamlineEnd::Steps;
            const double segment = Length(p, q);
            if (length + fraction * segment >= maxLength) {
                fraction = segment > 0 ? std::clamp((maxLength - length) / segment, 0.0, 1.0) : 0.0;
                end = StreamlineEnd::Length;
            }
            Point3 next;
            for (std::size_t a = 0; a < 3; ++a)
                next[a] = std::clamp(p[a] + fraction * (q[a] - p[a]), box.lo[a], box.hi[a]);
            if (sampler.OnObstacle(next)) {
                line.end = StreamlineEnd::Obstacle;
                break;
            }
            line.points.push_back(next);
            length += fraction * segment;
            p = next;
            if (end != StreamlineEnd::Steps) {
                line.end = end;
                break;
            }
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

std::vector<Point3> SeedsAlong(const Point3& a, const Point3& b, int count)
{
    count = std::clamp(count, 1, kMostSeeds);
    std::vector<Point3> seeds;
    seeds.reserve(std::size_t(count));
    for (int k = 0; k < count; ++k) {
        const double t = (k + 0.5) / count;
        seeds.push_back({a[0] + t * (b[0] - a[0]), a[1] + t * (b[1] - a[1]), a[2] + t * (b[2] - a[2])});
    }
    return seeds;
}

void DefaultSeedLine(const FlowBox& box, bool channel, int gx, Point3& a, Point3& b)
{
    const double midZ = (box.lo[2] + box.hi[2]) / 2;
    if (channel) {
        const double x = box.lo[0] + box.Extent(0) / std::max(gx, 1);
        a = {x, box.lo[1], midZ};
        b = {x, box.hi[1], midZ};
    } else {
        const double midX = (box.lo[0] + box.hi[0]) / 2;
        a = {midX, box.hi[1], midZ};
        b = {midX, box.lo[1], midZ};
    }
}
