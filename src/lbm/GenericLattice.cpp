// SPDX-License-Identifier: GPL-3.0-or-later
#include "GenericLattice.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

namespace lbm {

namespace {

constexpr double kEps = 1e-9;

// The collision of one node with Q velocities, every loop of fixed length.
template <typename T, int Q, bool Mrt> struct Collide {
    T cx[Q], cy[Q], w[Q];
    T inv2cs2, inv2cs4, invcs2;
    T omega;
    T relax[Q * Q];

    inline void operator()(T (&f)[Q]) const
    {
        T rho = 0, jx = 0, jy = 0;
        for (int a = 0; a < Q; ++a) {
            rho += f[a];
            jx += cx[a] * f[a];
            jy += cy[a] * f[a];
        }
        const T inv = T(1) / rho;
        const T ux = jx * inv, uy = jy * inv;
        const T usq = (ux * ux + uy * uy) * inv2cs2;
        T d[Q];
        for (int a = 0; a < Q; ++a) {
            const T cu = cx[a] * ux + cy[a] * uy;
            d[a] = f[a] - w[a] * rho * (T(1) + cu * invcs2 + cu * cu * inv2cs4 - usq);
        }
        if constexpr (!Mrt) {
            for (int a = 0; a < Q; ++a)
                f[a] -= omega * d[a];
            return;
        }
        for (int a = 0; a < Q; ++a) {
            T sum = 0;
            for (int b = 0; b < Q; ++b)
                sum += relax[a * Q + b] * d[b];
            f[a] -= sum;
        }
    }
};

using Runs = std::vector<std::pair<int, int>>;

template <typename T, int Q> struct RowJob {
    const T* src[Q];
    T* dst;
    std::size_t size;
    std::size_t begin, end;
};

template <typename T, int Q, bool Mrt> void StepRow(const RowJob<T, Q>& r, const Collide<T, Q, Mrt>& collide)
{
    for (std::size_t i = r.begin; i < r.end; ++i) {
        T f[Q];
        for (int a = 0; a < Q; ++a)
            f[a] = r.src[a][i];
        collide(f);
        for (int a = 0; a < Q; ++a)
            r.dst[a * r.size + i] = f[a];
    }
}

} // namespace

template <typename T>
GenericLattice<T>::GenericLattice(const LatticeParams& params, Slab slab, Communicator* comm)
    : d_(*params.descriptor), params_(params),
      domain_(params.domain ? *params.domain : Domain::Cavity(params.gx, params.gy, params.lidSpeed)),
      slab_(slab), comm_(comm), columns_(d_.Columns(params.gx)), rows_(d_.Rows(params.gy))
{
    stride_ = std::size_t(columns_ + 2 * d_.haloColumns);
    size_ = stride_ * std::size_t(slab_.count + 2 * d_.haloRows);
    a_.resize(std::size_t(d_.q) * size_);
    b_.resize(std::size_t(d_.q) * size_);
    Fill();
    cur_ = a_.data();
    next_ = b_.data();
    for (int parity = 0; parity < 2; ++parity) {
        pull_[parity].resize(d_.q);
        for (int q = 0; q < d_.q; ++q) {
            const int dj = int(std::lround(d_.cy[q] / d_.rowSpacing));
            const int j = parity, js = j - dj + 2; // +2 keeps the row index non-negative, parity unchanged
            const int dk = int(std::lround(d_.X(0, j) - d_.cx[q] - d_.X(0, js)));
            pull_[parity][q] = -std::ptrdiff_t(dj) * std::ptrdiff_t(stride_) + dk;
        }
    }
    runStart_.push_back(0);
    for (int r = 0; r < slab_.count; ++r) {
        const int j = slab_.first + r;
        for (int k = 0; k < columns_;) {
            if (!Fluid(d_.X(k, j), d_.Y(j))) {
                ++k;
                continue;
            }
            const int begin = k;
            while (k < columns_ && Fluid(d_.X(k, j), d_.Y(j)))
                ++k;
            runs_.emplace_back(begin, k);
        }
        runStart_.push_back(int(runs_.size()));
    }
    // The collision: relax = sum over moments of s_m m m^T / |m|^2.
    relax_.assign(std::size_t(d_.q) * d_.q, T(0));
    const double omega = 1.0 / params.tau;
    for (std::size_t m = 0; m < d_.moments.size(); ++m) {
        double s = 0;
        switch (d_.momentClass[m]) {
        case MomentClass::Conserved:
            s = 0;
            break;
        case MomentClass::Bulk:
            s = params.rateEnergy > 0 ? params.rateEnergy : 1.64;
            break;
        case MomentClass::Shear:
            s = omega;
            break;
        case MomentClass::Odd:
            s = params.rateHeatFlux > 0 ? params.rateHeatFlux : 1.9;
            break;
        case MomentClass::Even:
            s = params.rateEnergySquare > 0 ? params.rateEnergySquare : 1.54;
            break;
        }
        const std::vector<double>& v = d_.moments[m];
        double norm = 0;
        for (double x : v)
            norm += x * x;
        for (int a = 0; a < d_.q; ++a)
            for (int b = 0; b < d_.q; ++b)
                relax_[std::size_t(a) * d_.q + b] += T(s * v[a] * v[b] / norm);
    }
    BuildLinks();
    if (comm_ && comm_->Size() > 1)
        for (int side = 0; side < 2; ++side) {
            send_[side].resize(std::size_t(d_.q) * d_.haloRows * stride_);
            recv_[side].resize(send_[side].size());
        }
}

// Unit density at the velocity the domain starts with, both lattices and
// their halos: at rest in the cavity, the inflow's profile along a channel.
template <typename T> void GenericLattice<T>::Fill()
{
    if (!domain_.IsChannel()) {
        for (int q = 0; q < d_.q; ++q) {
            std::fill(a_.begin() + q * size_, a_.begin() + (q + 1) * size_, T(d_.w[q]));
            std::fill(b_.begin() + q * size_, b_.begin() + (q + 1) * size_, T(d_.w[q]));
        }
        return;
    }
    for (int r = -d_.haloRows; r < slab_.count + d_.haloRows; ++r) {
        const int j = slab_.first + r;
        for (int k = -d_.haloColumns; k < columns_ + d_.haloColumns; ++k) {
            double ux, uy;
            domain_.InitialVelocity(d_.X(k, j), d_.Y(j), ux, uy);
            const double usq = (ux * ux + uy * uy) / (2 * d_.cs2);
            for (int q = 0; q < d_.q; ++q) {
                const double cu = d_.cx[q] * ux + d_.cy[q] * uy;
                const T f = T(d_.w[q] * (1 + cu / d_.cs2 + cu * cu / (2 * d_.cs2 * d_.cs2) - usq));
                a_[q * size_ + Index(k, r)] = f;
                b_[q * size_ + Index(k, r)] = f;
            }
        }
    }
}

template <typename T> void GenericLattice<T>::BuildLinks()
{
    for (int r = 0; r < slab_.count; ++r) {
        const int j = slab_.first + r;
        for (int k = 0; k < columns_; ++k) {
            const double x = d_.X(k, j), y = d_.Y(j);
            if (!Fluid(x, y))
                continue;
            for (int in = 1; in < d_.q; ++in) {
                if (Fluid(x - d_.cx[in], y - d_.cy[in]))
                    continue;
                const int out = d_.opposite[in];
                const double ox = d_.cx[out], oy = d_.cy[out];
                Hit hit = domain_.FirstHit(x, y, ox, oy);
                if (hit.delta > 1) {
                    // Beyond the link's end but not fluid: an obstacle's
                    // outline the link only grazes. Its wall goes half-way.
                    hit = Hit{};
                    hit.delta = 0.5;
                }
                const double delta = std::min(1.0, hit.delta);
                // -2 w (c_out . u_wall) / cs^2, the wall's momentum.
                const double term = -2 * d_.w[out] * (ox * hit.ux + oy * hit.uy) / d_.cs2;
                Link l;
                l.kind = hit.kind;
                l.obstacle = hit.obstacle;
                const int parity = j & 1;
                l.node = Index(k, r);
                l.ghost = std::size_t(std::ptrdiff_t(l.node) + pull_[parity][in]);
                l.behind = std::size_t(std::ptrdiff_t(l.node) + pull_[parity][out]);
                l.in = in;
                l.out = out;
                const bool behindFluid = Fluid(x - ox, y - oy);
                // Where the population that left towards the wall lands after
                // its reflection: x + c_in (1 - 2 delta). On a node (walls
                // half-way between nodes, a fast link crossing more than one)
                // it is handed over whole, exact and conserving mass.
                const double lx = x - ox * (1 - 2 * delta), ly = y - oy * (1 - 2 * delta);
                const int lj = int(std::lround(ly / d_.rowSpacing - 0.5));
                const int lk = int(std::lround(lx - d_.X(0, lj)));
                const bool onNode = std::abs(d_.X(lk, lj) - lx) < kEps && std::abs(d_.Y(lj) - ly) < kEps &&
                                    Fluid(lx, ly) && lj - slab_.first >= -d_.haloRows &&
                                    lj - slab_.first < slab_.count + d_.haloRows;
                l.source = Index(k, r);
                l.interpolated = false;
                if (onNode) {
                    l.source = Index(lk, lj - slab_.first);
                    l.a = T(1);
                    l.b = T(0);
                    l.c = T(0);
                    l.term = T(term);
                } else if (delta < 0.5 - kEps && behindFluid) {
                    l.a = T(2 * delta);
                    l.b = T(1 - 2 * delta);
                    l.c = T(0);
                    l.term = T(term);
                } else if (delta > 0.5 + kEps) {
                    l.a = T(1 / (2 * delta));
                    l.b = T(0);
                    l.c = T((2 * delta - 1) / (2 * delta));
                    l.term = T(term / (2 * delta));
                } else {
                    l.a = T(1);
                    l.b = T(0);
                    l.c = T(0);
                    l.term = T(term);
                }
                if (l.b == T(0))
                    l.behind = l.node;
                // The balance holds the box's walls (the hexagonal lattice's
                // sides and lid); on an obstacle's curved outline it would hand
                // each step's imbalance of one side of the body to its other:
                // the drag then swings from step to step by more than its own
                // size (the cylinder at Re 20: 13.6 and -2.0 in turn).
                l.interpolated = !onNode && (l.b != T(0) || l.c != T(0)) && l.obstacle < 0;
                if (l.kind == BoundaryKind::Outflow) {
                    l.a = l.b = l.c = l.term = T(0);
                    l.source = l.behind = l.node;
                    l.interpolated = false;
                }
                if (l.obstacle >= 0)
                    obstacleLinks_.push_back(links_.size());
                links_.push_back(l);
            }
        }
    }
}

// The anti-bounce-back at unit density, with the velocity of the node the
// population comes back to (its populations after the collision carry the
// same density and momentum as before it).
template <typename T> void GenericLattice<T>::FillOutflow(const Link& l)
{
    double m = 0, jx = 0, jy = 0;
    for (int q = 0; q < d_.q; ++q) {
        const double f = double(cur_[q * size_ + l.node]);
        m += f;
        jx += d_.cx[q] * f;
        jy += d_.cy[q] * f;
    }
    const double ux = jx / m, uy = jy / m;
    const double cu = d_.cx[l.out] * ux + d_.cy[l.out] * uy;
    const double equilibrium =
        2 * d_.w[l.out] * (1 + cu * cu / (2 * d_.cs2 * d_.cs2) - (ux * ux + uy * uy) / (2 * d_.cs2));
    cur_[l.in * size_ + l.ghost] = T(equilibrium - double(cur_[l.out * size_ + l.node]));
}

template <typename T> void GenericLattice<T>::ExchangeHalo()
{
    if (!comm_ || comm_->Size() < 2)
        return;
    const std::size_t block = std::size_t(d_.haloRows) * stride_;
    const std::size_t bottom = Index(-d_.haloColumns, 0);
    const std::size_t top = Index(-d_.haloColumns, slab_.count - d_.haloRows);
    for (int q = 0; q < d_.q; ++q) {
        std::memcpy(&send_[0][q * block], cur_ + q * size_ + bottom, block * sizeof(T));
        std::memcpy(&send_[1][q * block], cur_ + q * size_ + top, block * sizeof(T));
    }
    comm_->ExchangeHalo(send_[0].data(), recv_[0].data(), send_[1].data(), recv_[1].data(),
                        send_[0].size() * sizeof(T));
    const bool hasBelow = comm_->Rank() > 0;
    const bool hasAbove = comm_->Rank() + 1 < comm_->Size();
    const std::size_t below = Index(-d_.haloColumns, -d_.haloRows);
    const std::size_t above = Index(-d_.haloColumns, slab_.count);
    for (int q = 0; q < d_.q; ++q) {
        if (hasBelow)
            std::memcpy(cur_ + q * size_ + below, &recv_[0][q * block], block * sizeof(T));
        if (hasAbove)
            std::memcpy(cur_ + q * size_ + above, &recv_[1][q * block], block * sizeof(T));
    }
}

namespace {

template <typename T, int Q, bool Mrt>
void StepWith(const Descriptor& d, const std::vector<T>& relax, double tau, T* cur, T* next, std::size_t size,
              const std::vector<std::ptrdiff_t> (&pull)[2], const Runs& runs,
              const std::vector<int>& runStart, int firstRow, std::size_t stride, int haloRows,
              int haloColumns, int threads)
{
    Collide<T, Q, Mrt> c;
    for (int a = 0; a < Q; ++a) {
        c.cx[a] = T(d.cx[a]);
        c.cy[a] = T(d.cy[a]);
        c.w[a] = T(d.w[a]);
    }
    c.invcs2 = T(1 / d.cs2);
    c.inv2cs2 = T(0.5 / d.cs2);
    c.inv2cs4 = T(0.5 / (d.cs2 * d.cs2));
    c.omega = T(1 / tau);
    for (int a = 0; a < Q * Q; ++a)
        c.relax[a] = relax[std::size_t(a)];
    const int rows = int(runStart.size()) - 1;
#pragma omp parallel for schedule(static) num_threads(threads)
    for (int r = 0; r < rows; ++r) {
        RowJob<T, Q> job;
        const int parity = (firstRow + r) & 1;
        const std::size_t row = std::size_t(r + haloRows) * stride + std::size_t(haloColumns);
        for (int a = 0; a < Q; ++a)
            job.src[a] = cur + a * size + pull[parity][a];
        job.dst = next;
        job.size = size;
        for (int k = runStart[r]; k < runStart[r + 1]; ++k) {
            job.begin = row + std::size_t(runs[std::size_t(k)].first);
            job.end = row + std::size_t(runs[std::size_t(k)].second);
            StepRow(job, c);
        }
    }
    (void)threads;
}

template <typename T, int Q>
void StepAll(const Descriptor& d, const std::vector<T>& relax, double tau, bool mrt, T* cur, T* next,
             std::size_t size, const std::vector<std::ptrdiff_t> (&pull)[2], const Runs& runs,
             const std::vector<int>& runStart, int firstRow, std::size_t stride, int haloRows,
             int haloColumns, int threads)
{
    if (mrt)
        StepWith<T, Q, true>(d, relax, tau, cur, next, size, pull, runs, runStart, firstRow, stride, haloRows,
                             haloColumns, threads);
    else
        StepWith<T, Q, false>(d, relax, tau, cur, next, size, pull, runs, runStart, firstRow, stride,
                              haloRows, haloColumns, threads);
}

} // namespace

template <typename T> void GenericLattice<T>::Step(int threads)
{
    ExchangeHalo();
    // The links of one node follow each other. Bouzidi's interpolation moves
    // mass between a node and its neighbours; what a node's interpolated
    // links send back is made to equal what left it towards the wall,
    // shared equally among them, so the total stays constant (as in the
    // mass-conserving correction of Bao, Yuan & Schaefer, J. Comput. Phys. 227
    // (2008) 8472). The moving wall's own terms stay out of that balance: the
    // mass they hand along the lid must reach its ends (LbmTask.h).
    for (std::size_t first = 0; first < links_.size();) {
        std::size_t last = first;
        T imbalance = 0;
        int interpolated = 0;
        for (; last < links_.size() && links_[last].node == links_[first].node; ++last) {
            const Link& l = links_[last];
            if (l.kind == BoundaryKind::Outflow) {
                FillOutflow(l);
                continue;
            }
            const T* out = cur_ + l.out * size_;
            T* in = cur_ + l.in * size_;
            const T value = l.a * out[l.source] + l.b * out[l.behind] + l.c * in[l.node] + l.term;
            in[l.ghost] = value;
            if (l.interpolated) {
                imbalance += value - l.term - out[l.node];
                ++interpolated;
            }
        }
        if (interpolated > 0) {
            const T share = imbalance / T(interpolated);
            for (std::size_t k = first; k < last; ++k)
                if (links_[k].interpolated)
                    cur_[links_[k].in * size_ + links_[k].ghost] -= share;
        }
        first = last;
    }
    // Each link's share is rounded to a multiple of 2^-40: sums of such
    // numbers below 2^13 are exact in any order, so the force comes out the
    // same to the bit however the rows are split over processes.
    constexpr double kQuantum = 0x1p-40;
    force_[0] = force_[1] = 0;
    for (std::size_t k : obstacleLinks_) {
        const Link& l = links_[k];
        const double f = double(cur_[l.out * size_ + l.node]) + double(cur_[l.in * size_ + l.ghost]);
        force_[0] += std::nearbyint(d_.cx[l.out] * f / kQuantum) * kQuantum;
        force_[1] += std::nearbyint(d_.cy[l.out] * f / kQuantum) * kQuantum;
    }
    const bool mrt = params_.collision == Collision::Mrt;
    switch (d_.q) {
    case 7:
        StepAll<T, 7>(d_, relax_, params_.tau, mrt, cur_, next_, size_, pull_, runs_, runStart_, slab_.first,
                      stride_, d_.haloRows, d_.haloColumns, threads);
        break;
    case 9:
        StepAll<T, 9>(d_, relax_, params_.tau, mrt, cur_, next_, size_, pull_, runs_, runStart_, slab_.first,
                      stride_, d_.haloRows, d_.haloColumns, threads);
        break;
    case 13:
        StepAll<T, 13>(d_, relax_, params_.tau, mrt, cur_, next_, size_, pull_, runs_, runStart_, slab_.first,
                       stride_, d_.haloRows, d_.haloColumns, threads);
        break;
    default:
        break;
    }
    std::swap(cur_, next_);
}

template <typename T>
void GenericLattice<T>::Macroscopic(std::vector<double>& rho, std::vector<double>& ux,
                                    std::vector<double>& uy, int threads) const
{
    const std::size_t n = std::size_t(columns_) * std::size_t(slab_.count);
    rho.assign(n, 1.0);
    ux.assign(n, 0.0);
    uy.assign(n, 0.0);
    const int rows = slab_.count;
#pragma omp parallel for schedule(static) num_threads(threads)
    for (int r = 0; r < rows; ++r)
        for (int run = runStart_[r]; run < runStart_[r + 1]; ++run)
            for (int k = runs_[std::size_t(run)].first; k < runs_[std::size_t(run)].second; ++k) {
                double m = 0, jx = 0, jy = 0;
                const std::size_t i = Index(k, r);
                for (int q = 0; q < d_.q; ++q) {
                    const double f = double(cur_[q * size_ + i]);
                    m += f;
                    jx += d_.cx[q] * f;
                    jy += d_.cy[q] * f;
                }
                const std::size_t at = std::size_t(r) * columns_ + std::size_t(k);
                rho[at] = m;
                ux[at] = jx / m;
                uy[at] = jy / m;
            }
    (void)threads;
}

template <typename T> double GenericLattice<T>::Mass() const
{
    double sum = 0;
    for (int q = 0; q < d_.q; ++q)
        for (int r = 0; r < slab_.count; ++r)
            for (int run = runStart_[r]; run < runStart_[r + 1]; ++run)
                for (int k = runs_[std::size_t(run)].first; k < runs_[std::size_t(run)].second; ++k)
                    sum += double(cur_[q * size_ + Index(k, r)]);
    return sum;
}

namespace {

struct Sample {
    double ux, uy, rho;
};

// The fields along hexagonal row j at x, linear between the row's nodes and
// between its outermost node and the side wall (at rest).
Sample AlongRow(const Descriptor& d, int gx, int j, double x, const std::vector<double>& rho,
                const std::vector<double>& ux, const std::vector<double>& uy)
{
    const int columns = d.Columns(gx);
    const auto fluid = [&](int k) {
        const double p = d.X(k, j);
        return k >= 0 && k < columns && p > kEps && p < gx - kEps;
    };
    const auto at = [&](int k) { return std::size_t(j) * columns + std::size_t(k); };
    const int k0 = int(std::floor(x - d.X(0, j)));
    const int k1 = k0 + 1;
    double x0 = d.X(k0, j), x1 = d.X(k1, j);
    Sample s0{0, 0, 1}, s1{0, 0, 1};
    if (fluid(k0))
        s0 = {ux[at(k0)], uy[at(k0)], rho[at(k0)]};
    if (fluid(k1))
        s1 = {ux[at(k1)], uy[at(k1)], rho[at(k1)]};
    if (!fluid(k0)) {
        x0 = 0;
        s0 = {0, 0, s1.rho};
    }
    if (!fluid(k1)) {
        x1 = gx;
        s1 = {0, 0, s0.rho};
    }
    const double t = x1 > x0 ? std::clamp((x - x0) / (x1 - x0), 0.0, 1.0) : 0.0;
    return {s0.ux + t * (s1.ux - s0.ux), s0.uy + t * (s1.uy - s0.uy), s0.rho + t * (s1.rho - s0.rho)};
}

} // namespace

void HexagonalToGrid(const Descriptor& d, int gx, int gy, double lidSpeed, const std::vector<double>& rho,
                     const std::vector<double>& ux, const std::vector<double>& uy, Fields& out)
{
    const int rows = d.Rows(gy);
    out.gx = gx;
    out.gy = gy;
    out.rho.assign(std::size_t(gx) * gy, 1.0);
    out.ux.assign(out.rho.size(), 0.0);
    out.uy.assign(out.rho.size(), 0.0);
    for (int j = 0; j < gy; ++j) {
        const double y = j + 0.5;
        const int r0 = int(std::floor(y / d.rowSpacing - 0.5));
        const int r1 = r0 + 1;
        for (int i = 0; i < gx; ++i) {
            const double x = i + 0.5;
            double y0 = r0 >= 0 ? d.Y(r0) : 0.0, y1 = r1 < rows ? d.Y(r1) : double(gy);
            Sample s0 = r0 >= 0 ? AlongRow(d, gx, r0, x, rho, ux, uy) : Sample{0, 0, 1};
            Sample s1 = r1 < rows ? AlongRow(d, gx, r1, x, rho, ux, uy) : Sample{lidSpeed, 0, 1};
            if (r0 < 0)
                s0.rho = s1.rho;
            if (r1 >= rows)
                s1.rho = s0.rho;
            const double t = y1 > y0 ? std::clamp((y - y0) / (y1 - y0), 0.0, 1.0) : 0.0;
            const std::size_t k = std::size_t(j) * gx + std::size_t(i);
            out.ux[k] = s0.ux + t * (s1.ux - s0.ux);
            out.uy[k] = s0.uy + t * (s1.uy - s0.uy);
            out.rho[k] = s0.rho + t * (s1.rho - s0.rho);
        }
    }
}

template class GenericLattice<double>;
template class GenericLattice<float>;

} // namespace lbm
