// SPDX-License-Identifier: GPL-3.0-or-later
#include "Forces.h"

#include "LbmRun.h"

#include <algorithm>
#include <cmath>

namespace lbm {

void ForceHistory::Add(std::int64_t step, double drag, double lift)
{
    if (step % stride_ != 0)
        return;
    steps.push_back(step);
    cd.push_back(drag);
    cl.push_back(lift);
    if (steps.size() < kMaxSamples)
        return;
    stride_ *= 2;
    std::size_t kept = 0;
    for (std::size_t k = 0; k < steps.size(); ++k)
        if (steps[k] % stride_ == 0) {
            steps[kept] = steps[k];
            cd[kept] = cd[k];
            cl[kept] = cl[k];
            ++kept;
        }
    steps.resize(kept);
    cd.resize(kept);
    cl.resize(kept);
}

namespace {

// Fewer samples than this between two crossings are a ripple of the lattice
// (its populations swing every other step), not the flow's period.
constexpr std::size_t kLeastPeriodSamples = 16;
// A lift settles when this many periods in a row agree to this fraction in
// length and in their maxima (of the lift's swing). The growth of the
// shedding is slow at the end: a looser test stops it percents short.
constexpr std::size_t kAlikePeriods = 4;
constexpr double kAlike = 2e-4;

// The largest value of the samples [begin, end), refined by the parabola
// through the largest sample and its neighbours; `where` gets its place
// (a fractional sample index).
double Peak(const std::vector<double>& v, std::size_t begin, std::size_t end, double* where = nullptr)
{
    std::size_t at = begin;
    for (std::size_t k = begin; k < end; ++k)
        if (v[k] > v[at])
            at = k;
    if (where)
        *where = double(at);
    if (at == 0 || at + 1 >= v.size())
        return v[at];
    const double a = v[at - 1], b = v[at], c = v[at + 1];
    const double curvature = a - 2 * b + c;
    if (curvature >= 0)
        return b;
    if (where)
        *where = double(at) - (c - a) / (2 * curvature);
    return b - (c - a) * (c - a) / (8 * curvature);
}

} // namespace

Oscillation AnalyseLift(const ForceHistory& h)
{
    Oscillation o;
    const std::size_t n = h.cl.size();
    if (n < 40)
        return o;
    const std::size_t from = n / 2;
    double mean = 0, low = h.cl[from], high = h.cl[from];
    for (std::size_t k = from; k < n; ++k) {
        mean += h.cl[k];
        low = std::min(low, h.cl[k]);
        high = std::max(high, h.cl[k]);
    }
    mean /= double(n - from);
    const double swing = high - low;
    if (!(swing > 1e-6))
        return o;
    // Upward crossings of the mean, each armed by a fall to a quarter of the
    // swing below it, so that ripples on the way do not count.
    std::vector<double> at;          // fractional sample index of each crossing
    std::vector<std::size_t> sample; // the sample just after it
    bool armed = false;
    for (std::size_t k = from + 1; k < n; ++k) {
        if (h.cl[k] < mean - swing / 4)
            armed = true;
        const bool spaced = sample.empty() || k - sample.back() >= kLeastPeriodSamples;
        if (armed && spaced && h.cl[k - 1] < mean && h.cl[k] >= mean) {
            const double t = (mean - h.cl[k - 1]) / (h.cl[k] - h.cl[k - 1]);
            at.push_back(double(k - 1) + t);
            sample.push_back(k);
            armed = false;
        }
    }
    if (at.size() < 2)
        return o;
    o.periods = int(at.size()) - 1;
    const double spacing = double(h.Stride());
    std::vector<double> period, peak;
    for (std::size_t p = 0; p + 1 < at.size(); ++p) {
        period.push_back((at[p + 1] - at[p]) * spacing);
        peak.push_back(Peak(h.cl, sample[p], sample[p + 1]));
    }
    const std::size_t last = period.size() - 1;
    o.period = period[last];
    double where = 0;
    o.clMax = Peak(h.cl, sample[last], sample[last + 1], &where);
    o.clMaxStep = double(h.steps[0]) + where * spacing;
    o.cdMax = Peak(h.cd, sample[last], sample[last + 1]);
    o.clMin = *std::min_element(h.cl.begin() + std::ptrdiff_t(sample[last]),
                                h.cl.begin() + std::ptrdiff_t(sample[last + 1]));
    if (period.size() >= kAlikePeriods) {
        bool alike = true;
        for (std::size_t p = last + 1 - kAlikePeriods; p < last; ++p)
            alike = alike && std::abs(period[p] - o.period) <= kAlike * o.period &&
                    std::abs(peak[p] - o.clMax) <= kAlike * swing;
        o.settled = alike;
    }
    return o;
}

namespace {

// A field's value at (x, y) in spacings, linear between the two rows around
// y, along x linear through the two nodes of each row at x0 and x0 + step
// (step -1 or +1 spacing), extrapolated to x.
double AlongLine(const Fields& f, const std::vector<double>& v, double x, double y, int i0, int direction)
{
    const double r = y - 0.5;
    const int j0 = std::clamp(int(std::floor(r)), 0, f.gy - 2);
    const double ty = std::clamp(r - j0, 0.0, 1.0);
    const int i1 = i0 + direction;
    if (i0 < 0 || i0 >= f.gx || i1 < 0 || i1 >= f.gx)
        return 0;
    const auto at = [&](int i, int j) { return v[std::size_t(j) * std::size_t(f.gx) + std::size_t(i)]; };
    const double a = (1 - ty) * at(i0, j0) + ty * at(i0, j0 + 1);
    const double b = (1 - ty) * at(i1, j0) + ty * at(i1, j0 + 1);
    const double x0 = i0 + 0.5, x1 = i1 + 0.5;
    return a + (b - a) * (x - x0) / (x1 - x0);
}

// The value at the wall point (x, y) from the three node columns from i0
// away from it (step `direction`), each linear between the two rows around
// y: the parabola through them, so that the reading is of second order like
// the field (a line through two would leave an error of first order).
double AtWall(const Fields& f, const std::vector<double>& v, double x, double y, int i0, int direction)
{
    const double r = y - 0.5;
    const int j0 = std::clamp(int(std::floor(r)), 0, f.gy - 2);
    const double ty = std::clamp(r - j0, 0.0, 1.0);
    double value[3], at[3];
    for (int k = 0; k < 3; ++k) {
        const int i = i0 + k * direction;
        if (i < 0 || i >= f.gx)
            return 0;
        const auto node = [&](int j) { return v[std::size_t(j) * std::size_t(f.gx) + std::size_t(i)]; };
        value[k] = (1 - ty) * node(j0) + ty * node(j0 + 1);
        at[k] = i + 0.5;
    }
    double sum = 0;
    for (int k = 0; k < 3; ++k) {
        double weight = 1;
        for (int m = 0; m < 3; ++m)
            if (m != k)
                weight *= (x - at[m]) / (at[k] - at[m]);
        sum += weight * value[k];
    }
    return sum;
}

} // namespace

void WakeFigures(const Domain& domain, const Fields& fields, double cs2, ChannelFigures& figures)
{
    if (domain.Outline().empty() || fields.gx < 4 || fields.gy < 2 || fields.rho.empty())
        return;
    const double y = (domain.OutlineBottom() + domain.OutlineTop()) / 2;
    const std::vector<double> xs = domain.Crossings(y);
    if (xs.size() < 2)
        return;
    const double front = xs.front(), back = xs.back();
    figures.frontX = front;
    figures.backX = back;
    figures.lineY = y;
    // The two node columns in front of the front point and behind the back
    // point, nearest first, both in the fluid.
    const int beforeFront = int(std::floor(front - 0.5));
    const int afterBack = int(std::ceil(back - 0.5));
    const double pFront = cs2 * AtWall(fields, fields.rho, front, y, beforeFront, -1);
    const double pBack = cs2 * AtWall(fields, fields.rho, back, y, afterBack, +1);
    figures.dp = pFront - pBack;
    // The recirculation ends where u turns positive again behind the back.
    figures.la = 0;
    double previous = AlongLine(fields, fields.ux, back, y, afterBack, +1);
    double previousX = back;
    for (int i = afterBack; i < fields.gx - 1; ++i) {
        const double x = i + 0.5;
        const double u = AlongLine(fields, fields.ux, x, y, i, +1);
        if (previous < 0 && u >= 0) {
            figures.la = previousX + (x - previousX) * (-previous) / (u - previous) - back;
            break;
        }
        previous = u;
        previousX = x;
    }
}

} // namespace lbm
