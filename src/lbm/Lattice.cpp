// SPDX-License-Identifier: GPL-3.0-or-later
#include "Lattice.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace lbm {

namespace {

constexpr int kCx[9] = {0, 1, 0, -1, 0, 1, -1, -1, 1};
constexpr int kCy[9] = {0, 0, 1, 0, -1, 1, 1, -1, -1};
constexpr int kOpposite[9] = {0, 3, 4, 1, 2, 7, 8, 5, 6};
constexpr double kWeight[9] = {4.0 / 9,  1.0 / 9,  1.0 / 9,  1.0 / 9, 1.0 / 9,
                               1.0 / 36, 1.0 / 36, 1.0 / 36, 1.0 / 36};

// Second-order equilibrium of the nine populations for density rho and velocity (ux, uy).
template <typename T> inline void Equilibrium(T rho, T ux, T uy, T (&feq)[9])
{
    const T w0 = T(4.0 / 9) * rho;
    const T w1 = T(1.0 / 9) * rho;
    const T w5 = T(1.0 / 36) * rho;
    const T usq = T(1.5) * (ux * ux + uy * uy);
    const T a = ux + uy;
    const T b = uy - ux;
    feq[0] = w0 * (T(1) - usq);
    feq[1] = w1 * (T(1) + T(3) * ux + T(4.5) * ux * ux - usq);
    feq[2] = w1 * (T(1) + T(3) * uy + T(4.5) * uy * uy - usq);
    feq[3] = w1 * (T(1) - T(3) * ux + T(4.5) * ux * ux - usq);
    feq[4] = w1 * (T(1) - T(3) * uy + T(4.5) * uy * uy - usq);
    feq[5] = w5 * (T(1) + T(3) * a + T(4.5) * a * a - usq);
    feq[6] = w5 * (T(1) + T(3) * b + T(4.5) * b * b - usq);
    feq[7] = w5 * (T(1) - T(3) * a + T(4.5) * a * a - usq);
    feq[8] = w5 * (T(1) - T(3) * b + T(4.5) * b * b - usq);
}

template <typename T> inline void Moments(const T (&f)[9], T& rho, T& ux, T& uy)
{
    rho = ((f[0] + f[1]) + (f[2] + f[3])) + ((f[4] + f[5]) + (f[6] + f[7])) + f[8];
    const T jx = (f[1] - f[3]) + (f[5] - f[6]) + (f[8] - f[7]);
    const T jy = (f[2] - f[4]) + (f[5] + f[6]) - (f[7] + f[8]);
    const T inv = T(1) / rho;
    ux = jx * inv;
    uy = jy * inv;
}

template <typename T> struct BgkCollide {
    T omega;
    inline void operator()(T (&f)[9]) const
    {
        T rho, ux, uy, feq[9];
        Moments(f, rho, ux, uy);
        Equilibrium(rho, ux, uy, feq);
        for (int q = 0; q < 9; ++q)
            f[q] += omega * (feq[q] - f[q]);
    }
};

// Multiple relaxation times in the orthogonal moment basis of the D2Q9 lattice
// (density, energy, energy square, x momentum, x heat flux, y momentum,
// y heat flux, normal stress, shear stress). The non-equilibrium part of each
// non-conserved moment relaxes at its own rate; with every rate equal to
// 1 / tau this is the BGK collision.
template <typename T> struct MrtCollide {
    T se, seps, sq, snu;
    inline void operator()(T (&f)[9]) const
    {
        T rho, ux, uy, d[9];
        Moments(f, rho, ux, uy);
        Equilibrium(rho, ux, uy, d);
        for (int q = 0; q < 9; ++q)
            d[q] = f[q] - d[q];
        const T axis = (d[1] + d[2]) + (d[3] + d[4]);
        const T diag = (d[5] + d[6]) + (d[7] + d[8]);
        const T me = T(-4) * d[0] - axis + T(2) * diag;
        const T meps = T(4) * d[0] - T(2) * axis + diag;
        const T mqx = T(2) * (d[3] - d[1]) + (d[5] - d[6]) + (d[8] - d[7]);
        const T mqy = T(2) * (d[4] - d[2]) + (d[5] + d[6]) - (d[7] + d[8]);
        const T mpxx = (d[1] - d[2]) + (d[3] - d[4]);
        const T mpxy = (d[5] - d[6]) + (d[7] - d[8]);
        const T ae = se * me * T(1.0 / 36);
        const T aeps = seps * meps * T(1.0 / 36);
        const T aqx = sq * mqx * T(1.0 / 12);
        const T aqy = sq * mqy * T(1.0 / 12);
        const T apxx = snu * mpxx * T(0.25);
        const T apxy = snu * mpxy * T(0.25);
        const T axisCommon = -ae - T(2) * aeps;
        const T diagCommon = T(2) * ae + aeps;
        f[0] -= T(4) * (aeps - ae);
        f[1] -= axisCommon - T(2) * aqx + apxx;
        f[2] -= axisCommon - T(2) * aqy - apxx;
        f[3] -= axisCommon + T(2) * aqx + apxx;
        f[4] -= axisCommon + T(2) * aqy - apxx;
        f[5] -= diagCommon + aqx + aqy + apxy;
        f[6] -= diagCommon - aqx + aqy - apxy;
        f[7] -= diagCommon - aqx - aqy + apxy;
        f[8] -= diagCommon + aqx - aqy - apxy;
    }
};

// The interior of one row: nine source rows (already offset by the
// direction each population streams from) and the first destination row.
template <typename T> struct Row {
    const T* s[9];
    T* d;
    std::size_t stride;
    int end;
};

// Streaming stores go past the cache: a destination line written whole need
// not be read first (a plain store reads each line before it writes it, half
// as many bytes again). Only whole 64-byte lines pay: narrower streaming
// stores to nine arrays in turn leave the processor's write-combining
// buffers half full and are slower than plain stores.
constexpr std::size_t kStreamAlign = 64;
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__SANITIZE_ADDRESS__)
const bool kHasStreamLines = __builtin_cpu_supports("avx512f");
#else
constexpr bool kHasStreamLines = false;
#endif

template <typename T, class Collide>
[[gnu::always_inline]] inline void CollideNode(const Row<T>& r, int x, const Collide& collide, T (&f)[9])
{
    f[0] = r.s[0][x];
    f[1] = r.s[1][x];
    f[2] = r.s[2][x];
    f[3] = r.s[3][x];
    f[4] = r.s[4][x];
    f[5] = r.s[5][x];
    f[6] = r.s[6][x];
    f[7] = r.s[7][x];
    f[8] = r.s[8][x];
    collide(f);
}

template <typename T, class Collide>
[[gnu::always_inline]] inline void BulkLoop(const Row<T>& r, const Collide& collide)
{
    const T* s0 = r.s[0];
    const T* s1 = r.s[1];
    const T* s2 = r.s[2];
    const T* s3 = r.s[3];
    const T* s4 = r.s[4];
    const T* s5 = r.s[5];
    const T* s6 = r.s[6];
    const T* s7 = r.s[7];
    const T* s8 = r.s[8];
    T* d = r.d;
    const std::size_t st = r.stride;
    const int end = r.end;
    // The two lattices never overlap, so the loop carries no dependence.
#pragma GCC ivdep
    for (int x = 1; x < end; ++x) {
        T f[9] = {s0[x], s1[x], s2[x], s3[x], s4[x], s5[x], s6[x], s7[x], s8[x]};
        collide(f);
        d[x] = f[0];
        d[st + x] = f[1];
        d[2 * st + x] = f[2];
        d[3 * st + x] = f[3];
        d[4 * st + x] = f[4];
        d[5 * st + x] = f[5];
        d[6 * st + x] = f[6];
        d[7 * st + x] = f[7];
        d[8 * st + x] = f[8];
    }
}

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__SANITIZE_ADDRESS__)
#define CORVANE_LBM_LINES 1

// One 64-byte line of values (eight doubles or sixteen floats) as a number:
// the collisions above, written once for a single node, run on it lane by
// lane with the same operations in the same order.
template <typename T> struct Lanes {
    typedef T Vector __attribute__((vector_size(64)));
    Vector v;
    Lanes() = default;
    Lanes(T s) : v(Vector{} + s) {}
    static Lanes Of(Vector w)
    {
        Lanes a;
        a.v = w;
        return a;
    }
    [[gnu::always_inline]] friend Lanes operator+(Lanes a, Lanes b) { return Of(a.v + b.v); }
    [[gnu::always_inline]] friend Lanes operator-(Lanes a, Lanes b) { return Of(a.v - b.v); }
    [[gnu::always_inline]] friend Lanes operator*(Lanes a, Lanes b) { return Of(a.v * b.v); }
    [[gnu::always_inline]] friend Lanes operator/(Lanes a, Lanes b) { return Of(a.v / b.v); }
    [[gnu::always_inline]] friend Lanes operator-(Lanes a) { return Of(-a.v); }
    [[gnu::always_inline]] Lanes& operator+=(Lanes b) { return v += b.v, *this; }
    [[gnu::always_inline]] Lanes& operator-=(Lanes b) { return v -= b.v, *this; }
};

[[gnu::target("avx512f"), gnu::always_inline]] inline Lanes<double> LoadLine(const double* p)
{
    return Lanes<double>::Of(_mm512_loadu_pd(p));
}
[[gnu::target("avx512f"), gnu::always_inline]] inline Lanes<float> LoadLine(const float* p)
{
    return Lanes<float>::Of(_mm512_loadu_ps(p));
}
[[gnu::target("avx512f"), gnu::always_inline]] inline void StreamLine(double* p, Lanes<double> a)
{
    _mm512_stream_pd(p, a.v);
}
[[gnu::target("avx512f"), gnu::always_inline]] inline void StreamLine(float* p, Lanes<float> a)
{
    _mm512_stream_ps(p, a.v);
}

template <typename T> BgkCollide<Lanes<T>> Widened(const BgkCollide<T>& c) { return {c.omega}; }
template <typename T> MrtCollide<Lanes<T>> Widened(const MrtCollide<T>& c)
{
    return {c.se, c.seps, c.sq, c.snu};
}

// The bulk of a row on a processor with 64-byte vectors: a line of nodes at
// a time, its nine results streamed past the cache straight from the
// registers. Nodes before the first aligned destination and after the last
// whole line go the scalar way.
template <typename T, class Collide>
[[gnu::target("avx512f")]] void BulkLines(const Row<T>& r, const Collide& collide)
{
    constexpr int lane = int(64 / sizeof(T));
    // One thread alone does not keep enough reads in flight for nine
    // streams: ask for each stream's line eight lines ahead.
    constexpr int ahead = 8 * lane;
    T* d = r.d;
    const std::size_t st = r.stride;
    const int end = r.end;
    int x = 1;
    for (; x < end && reinterpret_cast<std::uintptr_t>(d + x) % kStreamAlign != 0; ++x) {
        T f[9];
        CollideNode(r, x, collide, f);
        for (int q = 0; q < 9; ++q)
            d[q * st + x] = f[q];
    }
    const auto wide = Widened(collide);
    for (; x + lane <= end; x += lane) {
        Lanes<T> f[9];
        for (int q = 0; q < 9; ++q) {
            _mm_prefetch(reinterpret_cast<const char*>(r.s[q] + x + ahead), _MM_HINT_T0);
            f[q] = LoadLine(r.s[q] + x);
        }
        wide(f);
        for (int q = 0; q < 9; ++q)
            StreamLine(d + q * st + x, f[q]);
    }
    for (; x < end; ++x) {
        T f[9];
        CollideNode(r, x, collide, f);
        for (int q = 0; q < 9; ++q)
            d[q * st + x] = f[q];
    }
    _mm_sfence();
}
#endif

// The bulk loop is compute-heavy enough that two-wide vectors cannot keep up
// with memory: build it also for the wider vector units and pick the best
// one the processor has when the program starts. The arithmetic is the same
// operation by operation (no contraction into fused multiply-adds), so every
// version gives the same numbers.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__SANITIZE_ADDRESS__)
#define CORVANE_LBM_CLONES __attribute__((target_clones("arch=x86-64-v4", "arch=x86-64-v3", "default")))
#else
#define CORVANE_LBM_CLONES
#endif

CORVANE_LBM_CLONES void BulkRow(const Row<double>& r, const BgkCollide<double>& c) { BulkLoop(r, c); }
CORVANE_LBM_CLONES void BulkRow(const Row<float>& r, const BgkCollide<float>& c) { BulkLoop(r, c); }
CORVANE_LBM_CLONES void BulkRow(const Row<double>& r, const MrtCollide<double>& c) { BulkLoop(r, c); }
CORVANE_LBM_CLONES void BulkRow(const Row<float>& r, const MrtCollide<float>& c) { BulkLoop(r, c); }

template <typename T> T* Aligned(T* p)
{
    const std::uintptr_t at = reinterpret_cast<std::uintptr_t>(p);
    return reinterpret_cast<T*>((at + kStreamAlign - 1) / kStreamAlign * kStreamAlign);
}

} // namespace

template <typename T>
Lattice<T>::Lattice(const LatticeParams& params, Slab slab, Communicator* comm)
    : params_(params), slab_(slab), comm_(comm), nx_(std::size_t(params.gx)),
      // Every velocity's array starts on the first one's alignment (the
      // bulk loop's streaming stores rely on it).
      stride_((std::size_t(params.gx) * (std::size_t(slab.count) + 2) + kStreamAlign - 1) / kStreamAlign *
              kStreamAlign)
{
    // Both lattices start on a 64-byte boundary.
    const std::size_t pad = kStreamAlign / sizeof(T);
    a_.assign(9 * stride_ + pad, T(0));
    b_.assign(9 * stride_ + pad, T(0));
    cur_ = Aligned(a_.data());
    next_ = Aligned(b_.data());
    for (int q = 0; q < 9; ++q) {
        std::fill(cur_ + q * stride_, cur_ + (q + 1) * stride_, T(kWeight[q]));
        // A link that ends above the top row is reflected by the lid moving
        // at (U, 0): it gains 2 w rho_w (c . u_w) / cs^2 with rho_w = 1.
        lidTerm_[q] = T(6.0 * kWeight[q] * kCx[q] * params.lidSpeed);
    }
    omega_ = T(1.0 / params.tau);
    // Energy, energy-square and heat-flux modes relax at the rates of
    // Lallemand and Luo (Phys. Rev. E 61, 6546, 2000), which keep the cavity
    // stable on a 129 x 129 grid up to Re 5000, where BGK blows up.
    mrtRates_[0] = T(params.rateEnergy > 0 ? params.rateEnergy : 1.64);
    mrtRates_[1] = T(params.rateEnergySquare > 0 ? params.rateEnergySquare : 1.54);
    mrtRates_[2] = T(params.rateHeatFlux > 0 ? params.rateHeatFlux : 1.9);
    mrtRates_[3] = omega_;
    if (comm_ && comm_->Size() > 1) {
        sendBelow_.resize(3 * nx_);
        sendAbove_.resize(3 * nx_);
        recvBelow_.resize(3 * nx_);
        recvAbove_.resize(3 * nx_);
    }
}

template <typename T> void Lattice<T>::ExchangeHalo()
{
    if (!comm_ || comm_->Size() < 2)
        return;
    // The slab below pulls the downward populations (S, SW, SE) of this
    // slab's bottom row; the slab above pulls the upward ones (N, NE, NW) of
    // the top row.
    constexpr int down[3] = {4, 7, 8};
    constexpr int up[3] = {2, 5, 6};
    const std::size_t rowBytes = nx_ * sizeof(T);
    for (int k = 0; k < 3; ++k) {
        std::memcpy(&sendBelow_[k * nx_], cur_ + down[k] * stride_ + Index(0, 0), rowBytes);
        std::memcpy(&sendAbove_[k * nx_], cur_ + up[k] * stride_ + Index(0, slab_.count - 1), rowBytes);
    }
    comm_->ExchangeHalo(sendBelow_.data(), recvBelow_.data(), sendAbove_.data(), recvAbove_.data(),
                        3 * rowBytes);
    const bool hasBelow = comm_->Rank() > 0;
    const bool hasAbove = comm_->Rank() + 1 < comm_->Size();
    for (int k = 0; k < 3; ++k) {
        if (hasBelow)
            std::memcpy(cur_ + up[k] * stride_ + Index(0, -1), &recvBelow_[k * nx_], rowBytes);
        if (hasAbove)
            std::memcpy(cur_ + down[k] * stride_ + Index(0, slab_.count), &recvAbove_[k * nx_], rowBytes);
    }
}

template <typename T>
template <class Collide>
void Lattice<T>::StepBoundaryNode(int x, int row, const Collide& collide)
{
    const int y = slab_.first + row;
    const std::size_t here = Index(x, row);
    T f[9];
    for (int q = 0; q < 9; ++q) {
        const int sx = x - kCx[q];
        const int sy = y - kCy[q];
        if (sx < 0 || sx >= params_.gx || sy < 0 || sy >= params_.gy) {
            // The population left this node towards a wall in the opposite
            // direction and came back.
            f[q] = cur_[kOpposite[q] * stride_ + here];
            // Only a link that meets the lid between the side walls takes up
            // its momentum; one through a lid corner is reflected as by a wall
            // at rest (LbmTask.h says why).
            if (sy >= params_.gy && sx >= 0 && sx < params_.gx)
                f[q] += lidTerm_[q];
        } else {
            f[q] = cur_[q * stride_ + Index(sx, row - kCy[q])];
        }
    }
    collide(f);
    for (int q = 0; q < 9; ++q)
        next_[q * stride_ + here] = f[q];
}

template <typename T> template <class Collide> void Lattice<T>::StepRowWith(int row, const Collide& collide)
{
    const int y = slab_.first + row;
    const int gx = params_.gx;
    if (y == 0 || y == params_.gy - 1) {
        for (int x = 0; x < gx; ++x)
            StepBoundaryNode(x, row, collide);
        return;
    }
    StepBoundaryNode(0, row, collide);
    // Population q at node x comes from node x - c_q.
    Row<T> r;
    r.s[0] = cur_ + Index(0, row);
    r.s[1] = cur_ + 1 * stride_ + Index(0, row) - 1;
    r.s[2] = cur_ + 2 * stride_ + Index(0, row - 1);
    r.s[3] = cur_ + 3 * stride_ + Index(0, row) + 1;
    r.s[4] = cur_ + 4 * stride_ + Index(0, row + 1);
    r.s[5] = cur_ + 5 * stride_ + Index(0, row - 1) - 1;
    r.s[6] = cur_ + 6 * stride_ + Index(0, row - 1) + 1;
    r.s[7] = cur_ + 7 * stride_ + Index(0, row + 1) + 1;
    r.s[8] = cur_ + 8 * stride_ + Index(0, row + 1) - 1;
    r.d = next_ + Index(0, row);
    r.stride = stride_;
    r.end = gx - 1;
#ifdef CORVANE_LBM_LINES
    if (kHasStreamLines && params_.wideBulk) {
        BulkLines(r, collide);
        StepBoundaryNode(gx - 1, row, collide);
        return;
    }
#endif
    BulkRow(r, collide);
    StepBoundaryNode(gx - 1, row, collide);
}

template <typename T> void Lattice<T>::Step(int threads)
{
    ExchangeHalo();
    const int rows = slab_.count;
    if (params_.collision == Collision::Bgk) {
        const BgkCollide<T> collide{omega_};
#pragma omp parallel for schedule(static) num_threads(threads)
        for (int row = 0; row < rows; ++row)
            StepRowWith(row, collide);
    } else {
        const MrtCollide<T> collide{mrtRates_[0], mrtRates_[1], mrtRates_[2], mrtRates_[3]};
#pragma omp parallel for schedule(static) num_threads(threads)
        for (int row = 0; row < rows; ++row)
            StepRowWith(row, collide);
    }
    (void)threads;
    std::swap(cur_, next_);
}

template <typename T>
void Lattice<T>::Macroscopic(std::vector<double>& rho, std::vector<double>& ux, std::vector<double>& uy,
                             int threads) const
{
    const std::size_t n = nx_ * std::size_t(slab_.count);
    rho.resize(n);
    ux.resize(n);
    uy.resize(n);
    const int rows = slab_.count;
#pragma omp parallel for schedule(static) num_threads(threads)
    for (int row = 0; row < rows; ++row) {
        for (std::size_t x = 0; x < nx_; ++x) {
            double f[9];
            for (int q = 0; q < 9; ++q)
                f[q] = double(cur_[q * stride_ + Index(int(x), row)]);
            double r, vx, vy;
            Moments(f, r, vx, vy);
            const std::size_t k = std::size_t(row) * nx_ + x;
            rho[k] = r;
            ux[k] = vx;
            uy[k] = vy;
        }
    }
    (void)threads;
}

template <typename T> double Lattice<T>::Mass() const
{
    double sum = 0;
    for (int q = 0; q < 9; ++q)
        for (int row = 0; row < slab_.count; ++row)
            for (std::size_t x = 0; x < nx_; ++x)
                sum += double(cur_[q * stride_ + Index(int(x), row)]);
    return sum;
}

template class Lattice<double>;
template class Lattice<float>;

} // namespace lbm
