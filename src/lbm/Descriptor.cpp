// SPDX-License-Identifier: GPL-3.0-or-later
#include "Descriptor.h"

#include <cmath>
#include <functional>

namespace lbm {

namespace {

struct Polynomial {
    MomentClass kind;
    std::function<double(double, double)> value;
};

// Candidate moment polynomials in the order Gram-Schmidt takes them; those
// that depend on earlier ones over the lattice's velocities are dropped.
const std::vector<Polynomial>& Candidates()
{
    static const std::vector<Polynomial> list = {
        {MomentClass::Conserved, [](double, double) { return 1.0; }},
        {MomentClass::Conserved, [](double x, double) { return x; }},
        {MomentClass::Conserved, [](double, double y) { return y; }},
        {MomentClass::Bulk, [](double x, double y) { return x * x + y * y; }},
        {MomentClass::Shear, [](double x, double y) { return x * x - y * y; }},
        {MomentClass::Shear, [](double x, double y) { return x * y; }},
        {MomentClass::Odd, [](double x, double y) { return x * (x * x + y * y); }},
        {MomentClass::Odd, [](double x, double y) { return y * (x * x + y * y); }},
        {MomentClass::Odd, [](double x, double y) { return x * (x * x - 3 * y * y); }},
        {MomentClass::Odd, [](double x, double y) { return y * (3 * x * x - y * y); }},
        {MomentClass::Even, [](double x, double y) { return (x * x + y * y) * (x * x + y * y); }},
        {MomentClass::Even, [](double x, double y) { return (x * x - y * y) * (x * x + y * y); }},
        {MomentClass::Even, [](double x, double y) { return x * y * (x * x + y * y); }},
        {MomentClass::Even, [](double x, double y) { return x * x * y * y; }},
        {MomentClass::Odd, [](double x, double y) { return x * std::pow(x * x + y * y, 2); }},
        {MomentClass::Odd, [](double x, double y) { return y * std::pow(x * x + y * y, 2); }},
        {MomentClass::Even, [](double x, double y) { return std::pow(x * x + y * y, 3); }},
        {MomentClass::Even, [](double x, double) { return std::pow(x, 6); }},
    };
    return list;
}

void Finish(Descriptor& d)
{
    d.opposite.assign(d.q, 0);
    double longest = 0, widest = 0;
    for (int a = 0; a < d.q; ++a) {
        for (int b = 0; b < d.q; ++b)
            if (std::abs(d.cx[a] + d.cx[b]) < 1e-12 && std::abs(d.cy[a] + d.cy[b]) < 1e-12)
                d.opposite[a] = b;
        longest = std::max(longest, std::abs(d.cy[a]));
        widest = std::max(widest, std::abs(d.cx[a]));
    }
    d.haloRows = int(std::lround(longest / d.rowSpacing));
    d.haloColumns = int(std::ceil(widest - 1e-9));
    for (const Polynomial& p : Candidates()) {
        if (int(d.moments.size()) == d.q)
            break;
        std::vector<double> m(d.q);
        for (int a = 0; a < d.q; ++a)
            m[a] = p.value(d.cx[a], d.cy[a]);
        for (const std::vector<double>& prev : d.moments) {
            double dot = 0, norm = 0;
            for (int a = 0; a < d.q; ++a) {
                dot += m[a] * prev[a];
                norm += prev[a] * prev[a];
            }
            for (int a = 0; a < d.q; ++a)
                m[a] -= dot / norm * prev[a];
        }
        double norm = 0;
        for (double v : m)
            norm += v * v;
        if (norm < 1e-10)
            continue;
        // Round away the Gram-Schmidt noise (the entries are small rationals).
        for (double& v : m)
            if (std::abs(v) < 1e-12)
                v = 0;
        d.moments.push_back(m);
        d.momentClass.push_back(p.kind);
    }
}

} // namespace

int Descriptor::Rows(int gy) const
{
    if (!hexagonal)
        return gy;
    // Rows whose y = (j + 1/2) s lies below the lid at y = gy.
    return int(std::floor(gy / rowSpacing - 0.5 - 1e-9)) + 1;
}

const Descriptor& D2Q9()
{
    static const Descriptor d = [] {
        Descriptor d;
        d.name = "D2Q9";
        d.q = 9;
        d.cx = {0, 1, 0, -1, 0, 1, -1, -1, 1};
        d.cy = {0, 0, 1, 0, -1, 1, 1, -1, -1};
        d.w = {4.0 / 9, 1.0 / 9, 1.0 / 9, 1.0 / 9, 1.0 / 9, 1.0 / 36, 1.0 / 36, 1.0 / 36, 1.0 / 36};
        d.cs2 = 1.0 / 3;
        Finish(d);
        return d;
    }();
    return d;
}

const Descriptor& D2Q7()
{
    static const Descriptor d = [] {
        Descriptor d;
        d.name = "D2Q7";
        d.q = 7;
        const double s = std::sqrt(3.0) / 2;
        d.cx = {0, 1, 0.5, -0.5, -1, -0.5, 0.5};
        d.cy = {0, 0, s, s, 0, -s, -s};
        d.w = {0.5, 1.0 / 12, 1.0 / 12, 1.0 / 12, 1.0 / 12, 1.0 / 12, 1.0 / 12};
        d.cs2 = 0.25;
        d.hexagonal = true;
        d.rowSpacing = s;
        Finish(d);
        return d;
    }();
    return d;
}

const Descriptor& D2Q13()
{
    static const Descriptor d = [] {
        Descriptor d;
        d.name = "D2Q13";
        d.q = 13;
        d.cx = {0, 1, 0, -1, 0, 1, -1, -1, 1, 2, 0, -2, 0};
        d.cy = {0, 0, 1, 0, -1, 1, 1, -1, -1, 0, 2, 0, -2};
        d.w = {3.0 / 8,  1.0 / 12, 1.0 / 12, 1.0 / 12, 1.0 / 12, 1.0 / 16, 1.0 / 16,
               1.0 / 16, 1.0 / 16, 1.0 / 96, 1.0 / 96, 1.0 / 96, 1.0 / 96};
        d.cs2 = 0.5;
        Finish(d);
        return d;
    }();
    return d;
}

} // namespace lbm
