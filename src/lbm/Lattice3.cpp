// SPDX-License-Identifier: GPL-3.0-or-later
#include "Lattice3.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <sys/mman.h>
#include <utility>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace lbm {

const int kD3Q19[kQ19][3] = {
    {0, 0, 0},  {1, 0, 0},   {0, 1, 0},  {0, 0, 1},   {1, 1, 0},  {1, -1, 0}, {1, 0, 1},
    {1, 0, -1}, {0, 1, 1},   {0, 1, -1}, {-1, 0, 0},  {0, -1, 0}, {0, 0, -1}, {-1, -1, 0},
    {-1, 1, 0}, {-1, 0, -1}, {-1, 0, 1}, {0, -1, -1}, {0, -1, 1},
};
const double kD3Q19Weight[kQ19] = {1.0 / 3,  1.0 / 18, 1.0 / 18, 1.0 / 18, 1.0 / 36, 1.0 / 36, 1.0 / 36,
                                   1.0 / 36, 1.0 / 36, 1.0 / 36, 1.0 / 18, 1.0 / 18, 1.0 / 18, 1.0 / 36,
                                   1.0 / 36, 1.0 / 36, 1.0 / 36, 1.0 / 36, 1.0 / 36};

namespace {

constexpr double kEps = 1e-9;
constexpr int Opposite(int q) { return q == 0 ? 0 : q <= 9 ? q + 9 : q - 9; }

// The velocities again as constants the compiler folds into the kernel.
constexpr int CX[kQ19] = {0, 1, 0, 0, 1, 1, 1, 1, 0, 0, -1, 0, 0, -1, -1, -1, -1, 0, 0};
constexpr int CY[kQ19] = {0, 0, 1, 0, 1, -1, 0, 0, 1, 1, 0, -1, 0, -1, 1, 0, 0, -1, -1};
constexpr int CZ[kQ19] = {0, 0, 0, 1, 0, 0, 1, -1, 1, -1, 0, 0, -1, 0, 0, -1, 1, -1, 1};

template <typename T, bool Trt> struct Collide19 {
    T omega, omegaOdd;

    [[gnu::always_inline]] inline void operator()(T (&f)[kQ19]) const
    {
        T rho = 0, jx = 0, jy = 0, jz = 0;
#pragma GCC unroll 19
        for (int q = 0; q < kQ19; ++q) {
            rho += f[q];
            jx += T(CX[q]) * f[q];
            jy += T(CY[q]) * f[q];
            jz += T(CZ[q]) * f[q];
        }
        const T inv = T(1) / rho;
        const T ux = jx * inv, uy = jy * inv, uz = jz * inv;
        const T usq = T(1.5) * (ux * ux + uy * uy + uz * uz);
        const T w0 = T(1.0 / 3), w1 = T(1.0 / 18), w2 = T(1.0 / 36);
        if constexpr (!Trt) {
            f[0] -= omega * (f[0] - w0 * rho * (T(1) - usq));
#pragma GCC unroll 19
            for (int q = 1; q < kQ19; ++q) {
                const T cu = T(CX[q]) * ux + T(CY[q]) * uy + T(CZ[q]) * uz;
                const T w = q <= 3 || (q >= 10 && q <= 12) ? w1 : w2;
                f[q] -= omega * (f[q] - w * rho * (T(1) + T(3) * cu + T(4.5) * cu * cu - usq));
            }
            return;
        }
        f[0] -= omega * (f[0] - w0 * rho * (T(1) - usq));
#pragma GCC unroll 9
        for (int q = 1; q <= 9; ++q) {
            const T cu = T(CX[q]) * ux + T(CY[q]) * uy + T(CZ[q]) * uz;
            const T w = q <= 3 ? w1 : w2;
            const T even = w * rho * (T(1) + T(4.5) * cu * cu - usq);
            const T odd = w * rho * T(3) * cu;
            const T plus = T(0.5) * (f[q] + f[q + 9]) - even;
            const T minus = T(0.5) * (f[q] - f[q + 9]) - odd;
            f[q] -= omega * plus + omegaOdd * minus;
            f[q + 9] -= omega * plus - omegaOdd * minus;
        }
    }
};

// One run of fluid nodes along x. The same loop is compiled for the
// processor's widest vectors and for the baseline; without contraction into
// fused multiply-adds both give the same bits.
template <typename T, bool Trt>
[[gnu::always_inline]] inline void RunBody(const Collide19<T, Trt>& collide, const T* const (&src)[kQ19],
                                           T* const (&dst)[kQ19], std::size_t begin, std::size_t end)
{
#pragma omp simd
    for (std::size_t i = begin; i < end; ++i) {
        T f[kQ19];
#pragma GCC unroll 19
        for (int q = 0; q < kQ19; ++q)
            f[q] = src[q][i];
        collide(f);
#pragma GCC unroll 19
        for (int q = 0; q < kQ19; ++q)
            dst[q][i] = f[q];
    }
}

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__SANITIZE_ADDRESS__)
[[gnu::target("avx512f"), gnu::always_inline]] inline void StreamLine(double* to, const double* from)
{
    _mm512_stream_pd(to, _mm512_load_pd(from));
}
[[gnu::target("avx512f"), gnu::always_inline]] inline void StreamLine(float* to, const float* from)
{
    _mm512_stream_ps(to, _mm512_load_ps(from));
}

// With 64-byte vectors: a line of nodes at a time, collided into a buffer in
// the first level of cache and streamed past the cache from there (a plain
// store reads each destination line before it writes it: half as many
// bytes again as the step must move). Nodes before the first aligned
// destination and after the last whole line go the plain way.
template <typename T, bool Trt>
[[gnu::target("avx512f")]] void RunWide(const Collide19<T, Trt>& collide, const T* const (&src)[kQ19],
                                        T* const (&dst)[kQ19], std::size_t begin, std::size_t end)
{
    constexpr std::size_t lane = 64 / sizeof(T);
    // One thread alone does not keep enough reads in flight for nineteen
    // streams: ask for each stream's line eight lines ahead.
    constexpr std::size_t ahead = 8 * lane;
    std::size_t i = begin;
    std::size_t head = i;
    while (head < end && reinterpret_cast<std::uintptr_t>(dst[0] + head) % 64 != 0)
        ++head;
    RunBody(collide, src, dst, i, head);
    i = head;
    alignas(64) T line[kQ19][lane];
    T* const into[kQ19] = {line[0],  line[1],  line[2],  line[3],  line[4],  line[5],  line[6],
                           line[7],  line[8],  line[9],  line[10], line[11], line[12], line[13],
                           line[14], line[15], line[16], line[17], line[18]};
    for (; i + lane <= end; i += lane) {
        const T* from[kQ19];
#pragma GCC unroll 19
        for (int q = 0; q < kQ19; ++q) {
            _mm_prefetch(reinterpret_cast<const char*>(src[q] + i + ahead), _MM_HINT_T0);
            from[q] = src[q] + i;
        }
        RunBody(collide, from, into, 0, lane);
#pragma GCC unroll 19
        for (int q = 0; q < kQ19; ++q)
            StreamLine(dst[q] + i, line[q]);
    }
    RunBody(collide, src, dst, i, end);
}
#else
template <typename T, bool Trt>
void RunWide(const Collide19<T, Trt>& collide, const T* const (&src)[kQ19], T* const (&dst)[kQ19],
             std::size_t begin, std::size_t end)
{
    RunBody(collide, src, dst, begin, end);
}
#endif

template <typename T, bool Trt>
[[gnu::target("avx2")]] void RunAvx2(const Collide19<T, Trt>& collide, const T* const (&src)[kQ19],
                                     T* const (&dst)[kQ19], std::size_t begin, std::size_t end)
{
    RunBody(collide, src, dst, begin, end);
}

template <typename T, bool Trt>
void RunPlain(const Collide19<T, Trt>& collide, const T* const (&src)[kQ19], T* const (&dst)[kQ19],
              std::size_t begin, std::size_t end)
{
    RunBody(collide, src, dst, begin, end);
}

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__SANITIZE_ADDRESS__)
const int kVectorWidth = __builtin_cpu_supports("avx512f") ? 512 : __builtin_cpu_supports("avx2") ? 256 : 128;
#else
constexpr int kVectorWidth = 128;
#endif

template <typename T, bool Trt>
void StepRuns(const Collide19<T, Trt>& collide, const T* cur, T* next, std::size_t size,
              const std::ptrdiff_t (&pull)[kQ19], const std::vector<std::pair<int, int>>& runs,
              const std::vector<int>& runStart, int gy, int nx, int ny, int threads)
{
    const int rows = int(runStart.size()) - 1;
#pragma omp parallel for schedule(static) num_threads(threads)
    for (int r = 0; r < rows; ++r) {
        const int plane = r / gy, j = r % gy;
        const std::size_t row =
            (std::size_t(plane + 1) * std::size_t(ny) + std::size_t(j + 1)) * std::size_t(nx) + 1;
        const T* src[kQ19];
        T* dst[kQ19];
        for (int q = 0; q < kQ19; ++q) {
            src[q] = cur + std::size_t(q) * size + pull[q];
            dst[q] = next + std::size_t(q) * size;
        }
        for (int k = runStart[r]; k < runStart[r + 1]; ++k) {
            const std::size_t begin = row + std::size_t(runs[std::size_t(k)].first);
            const std::size_t end = row + std::size_t(runs[std::size_t(k)].second);
            if (kVectorWidth == 512)
                RunWide(collide, src, dst, begin, end);
            else if (kVectorWidth == 256)
                RunAvx2(collide, src, dst, begin, end);
            else
                RunPlain(collide, src, dst, begin, end);
        }
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__SANITIZE_ADDRESS__)
        // The streamed lines reach memory before any thread reads them.
        if (kVectorWidth == 512)
            _mm_sfence();
#endif
    }
    (void)threads;
}

} // namespace

template <typename T>
Lattice3<T>::Lattice3(const Lattice3Params& params, Slab slab, Communicator* comm)
    : params_(params), domain_(*params.domain), slab_(slab), comm_(comm), gx_(domain_.Size(0)),
      gy_(domain_.Size(1)), nx_(gx_ + 2), ny_(gy_ + 2)
{
    // Every population's array starts on a 64-byte boundary, so that the
    // same node's values share their place in a cache line.
    constexpr std::size_t line = 64 / sizeof(T);
    size_ = (std::size_t(nx_) * std::size_t(ny_) * std::size_t(slab_.count + 2) + line - 1) / line * line;
    // On pages of 2 MB where the system gives them: nineteen streams read and
    // nineteen written would otherwise cross a page every 4 kB each.
    constexpr std::size_t huge = std::size_t(2) << 20;
    const std::size_t bytes = (kQ19 * size_ * sizeof(T) + huge - 1) / huge * huge;
    for (auto* array : {&a_, &b_}) {
        array->reset(static_cast<T*>(std::aligned_alloc(huge, bytes)));
        if (!*array)
            throw std::bad_alloc();
        madvise(array->get(), bytes, MADV_HUGEPAGE);
    }
    cur_ = a_.get();
    next_ = b_.get();
    for (int q = 0; q < kQ19; ++q)
        pull_[q] =
            -(std::ptrdiff_t(kD3Q19[q][0]) +
              std::ptrdiff_t(nx_) * (std::ptrdiff_t(kD3Q19[q][1]) + std::ptrdiff_t(ny_) * kD3Q19[q][2]));
    omega_ = T(1 / params.tau);
    // (tau - 1/2)(1/s - 1/2) = 3/16
    omegaOdd_ = T(1 / (0.5 + 3.0 / 16 / (params.tau - 0.5)));
    runStart_.push_back(0);
    for (int p = 0; p < slab_.count; ++p)
        for (int j = 0; j < gy_; ++j) {
            const int k = slab_.first + p;
            for (int i = 0; i < gx_;) {
                if (!domain_.Fluid(i, j, k)) {
                    ++i;
                    continue;
                }
                const int begin = i;
                while (i < gx_ && domain_.Fluid(i, j, k))
                    ++i;
                runs_.emplace_back(begin, i);
            }
            runStart_.push_back(int(runs_.size()));
        }
    Fill();
    BuildLinks();
    linkValue_.resize(links_.size());
    if (comm_ && comm_->Size() > 1)
        for (int side = 0; side < 2; ++side) {
            send_[side].resize(5 * std::size_t(nx_) * std::size_t(ny_));
            recv_[side].resize(send_[side].size());
        }
}

template <typename T> void Lattice3<T>::Fill()
{
    for (int p = -1; p <= slab_.count; ++p) {
        const int k = slab_.first + p;
        for (int j = -1; j <= gy_; ++j)
            for (int i = -1; i <= gx_; ++i) {
                double u[3] = {0, 0, 0};
                if (i >= 0 && i < gx_ && j >= 0 && j < gy_ && k >= 0 && k < domain_.Size(2))
                    domain_.InitialVelocity(i, j, k, u);
                const double usq = 1.5 * (u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
                const std::size_t at = Index(i, j, p);
                for (int q = 0; q < kQ19; ++q) {
                    const double cu = kD3Q19[q][0] * u[0] + kD3Q19[q][1] * u[1] + kD3Q19[q][2] * u[2];
                    const T f = T(kD3Q19Weight[q] * (1 + 3 * cu + 4.5 * cu * cu - usq));
                    cur_[q * size_ + at] = f;
                    next_[q * size_ + at] = f;
                }
            }
    }
}

template <typename T> void Lattice3<T>::BuildLinks()
{
    const int gz = domain_.Size(2);
    const auto fluid = [&](int i, int j, int k) {
        return i >= 0 && i < gx_ && j >= 0 && j < gy_ && k >= 0 && k < gz && domain_.Fluid(i, j, k);
    };
    for (int p = 0; p < slab_.count; ++p) {
        const int k = slab_.first + p;
        for (int j = 0; j < gy_; ++j) {
            const int row = p * gy_ + j;
            for (int run = runStart_[row]; run < runStart_[row + 1]; ++run)
                for (int i = runs_[std::size_t(run)].first; i < runs_[std::size_t(run)].second; ++i)
                    for (int in = 1; in < kQ19; ++in) {
                        const int out = Opposite(in);
                        const int* co = kD3Q19[out];
                        Hit3 hit = domain_.FirstHit(i, j, k, co);
                        const bool neighbourFluid = fluid(i + co[0], j + co[1], k + co[2]);
                        if (hit.delta > 1 && neighbourFluid)
                            continue;
                        if (hit.delta > 1) {
                            // Ends inside an obstacle whose surface the link
                            // only grazes: its wall goes half-way.
                            hit = Hit3{};
                            hit.delta = 0.5;
                            hit.obstacle = domain_.Solid(i + co[0], j + co[1], k + co[2]);
                        }
                        const double delta = hit.delta;
                        const double term =
                            -6 * kD3Q19Weight[out] * (co[0] * hit.u[0] + co[1] * hit.u[1] + co[2] * hit.u[2]);
                        Link l;
                        l.kind = hit.kind;
                        l.obstacle = hit.obstacle;
                        l.node = Index(i, j, p);
                        l.ghost = std::size_t(std::ptrdiff_t(l.node) + pull_[in]);
                        l.behind = std::size_t(std::ptrdiff_t(l.node) + pull_[out]);
                        l.source = l.node;
                        l.in = in;
                        l.out = out;
                        const bool behindFluid = fluid(i - co[0], j - co[1], k - co[2]);
                        l.a = T(1);
                        l.b = l.c = T(0);
                        l.term = T(term);
                        if (std::abs(delta - 0.5) < kEps) {
                        } else if (delta < 0.5 && behindFluid) {
                            l.a = T(2 * delta);
                            l.b = T(1 - 2 * delta);
                        } else if (delta > 0.5) {
                            l.a = T(1 / (2 * delta));
                            l.c = T((2 * delta - 1) / (2 * delta));
                            l.term = T(term / (2 * delta));
                        }
                        if (l.b == T(0))
                            l.behind = l.node;
                        if (l.kind == BoundaryKind::Outflow) {
                            l.a = l.b = l.c = l.term = T(0);
                        }
                        if (l.kind == BoundaryKind::Slip) {
                            // The population that arrives along c_in left the node
                            // beside this one along the wall, with its velocity
                            // across the wall the other way round.
                            const int* ci = kD3Q19[in];
                            int from[3] = {i - ci[0], j - ci[1], k - ci[2]};
                            int mirrored[3] = {ci[0], ci[1], ci[2]};
                            for (int a = 0; a < 3; ++a)
                                if (hit.crossed[a]) {
                                    from[a] += ci[a];
                                    mirrored[a] = -ci[a];
                                }
                            int q = 0;
                            while (q < kQ19 && !(kD3Q19[q][0] == mirrored[0] && kD3Q19[q][1] == mirrored[1] &&
                                                 kD3Q19[q][2] == mirrored[2]))
                                ++q;
                            l.kind = BoundaryKind::Wall; // bounced back where there is no such node
                            // (through an edge of two walls: straight back, as bounce-back)
                            if (q < kQ19 && fluid(from[0], from[1], from[2])) {
                                l.kind = BoundaryKind::Slip;
                                l.out = q;
                                l.source = Index(from[0], from[1], from[2] - slab_.first);
                            }
                        }
                        if (l.obstacle >= 0)
                            obstacleLinks_.push_back(links_.size());
                        links_.push_back(l);
                    }
        }
    }
}

// The anti-bounce-back at unit density with the velocity of the node the
// population comes back to.
template <typename T> T Lattice3<T>::OutflowValue(const Link& l) const
{
    double m = 0, j[3] = {0, 0, 0};
    for (int q = 0; q < kQ19; ++q) {
        const double f = double(cur_[q * size_ + l.node]);
        m += f;
        for (int a = 0; a < 3; ++a)
            j[a] += kD3Q19[q][a] * f;
    }
    const double u[3] = {j[0] / m, j[1] / m, j[2] / m};
    const int* c = kD3Q19[l.out];
    const double cu = c[0] * u[0] + c[1] * u[1] + c[2] * u[2];
    const double equilibrium =
        2 * kD3Q19Weight[l.out] * (1 + 4.5 * cu * cu - 1.5 * (u[0] * u[0] + u[1] * u[1] + u[2] * u[2]));
    return T(equilibrium - double(cur_[l.out * size_ + l.node]));
}

template <typename T> void Lattice3<T>::ExchangeHalo()
{
    if (!comm_ || comm_->Size() < 2)
        return;
    const std::size_t plane = std::size_t(nx_) * std::size_t(ny_);
    // Down-going populations of the lowest plane to the slab below, up-going
    // ones of the highest plane to the slab above.
    int n = 0, m = 0;
    for (int q = 1; q < kQ19; ++q) {
        if (kD3Q19[q][2] < 0)
            std::memcpy(&send_[0][plane * std::size_t(n++)], cur_ + q * size_ + plane, plane * sizeof(T));
        if (kD3Q19[q][2] > 0)
            std::memcpy(&send_[1][plane * std::size_t(m++)],
                        cur_ + q * size_ + plane * std::size_t(slab_.count), plane * sizeof(T));
    }
    comm_->ExchangeHalo(send_[0].data(), recv_[0].data(), send_[1].data(), recv_[1].data(),
                        send_[0].size() * sizeof(T));
    const bool hasBelow = comm_->Rank() > 0;
    const bool hasAbove = comm_->Rank() + 1 < comm_->Size();
    n = m = 0;
    for (int q = 1; q < kQ19; ++q) {
        if (kD3Q19[q][2] > 0 && hasBelow)
            std::memcpy(cur_ + q * size_, &recv_[0][plane * std::size_t(n)], plane * sizeof(T));
        if (kD3Q19[q][2] > 0)
            ++n;
        if (kD3Q19[q][2] < 0 && hasAbove)
            std::memcpy(cur_ + q * size_ + plane * std::size_t(slab_.count + 1),
                        &recv_[1][plane * std::size_t(m)], plane * sizeof(T));
        if (kD3Q19[q][2] < 0)
            ++m;
    }
}

template <typename T> void Lattice3<T>::Step(int threads)
{
    ExchangeHalo();
    // Every link's value from the populations as they left the collision,
    // then all of them written: a sheet's links fill places of fluid nodes
    // that other links read.
    const std::size_t count = links_.size();
#pragma omp parallel for schedule(static) num_threads(threads)
    for (std::size_t k = 0; k < count; ++k) {
        const Link& l = links_[k];
        if (l.kind == BoundaryKind::Outflow) {
            linkValue_[k] = OutflowValue(l);
            continue;
        }
        const T* out = cur_ + l.out * size_;
        linkValue_[k] =
            l.a * out[l.source] + l.b * out[l.behind] + l.c * cur_[l.in * size_ + l.node] + l.term;
    }
    for (std::size_t k = 0; k < count; ++k)
        cur_[links_[k].in * size_ + links_[k].ghost] = linkValue_[k];
    constexpr double kQuantum = 0x1p-40;
    force_[0] = force_[1] = force_[2] = 0;
    for (std::size_t k : obstacleLinks_) {
        const Link& l = links_[k];
        const double f = double(cur_[l.out * size_ + l.node]) + double(linkValue_[k]);
        for (int a = 0; a < 3; ++a)
            force_[a] += std::nearbyint(kD3Q19[l.out][a] * f / kQuantum) * kQuantum;
    }
    if (params_.trt)
        StepRuns(Collide19<T, true>{omega_, omegaOdd_}, cur_, next_, size_, pull_, runs_, runStart_, gy_, nx_,
                 ny_, threads);
    else
        StepRuns(Collide19<T, false>{omega_, omegaOdd_}, cur_, next_, size_, pull_, runs_, runStart_, gy_,
                 nx_, ny_, threads);
    std::swap(cur_, next_);
}

template <typename T>
void Lattice3<T>::Macroscopic(std::vector<double>& rho, std::vector<double>& ux, std::vector<double>& uy,
                              std::vector<double>& uz, int threads) const
{
    const std::size_t n = std::size_t(gx_) * std::size_t(gy_) * std::size_t(slab_.count);
    rho.assign(n, 1.0);
    ux.assign(n, 0.0);
    uy.assign(n, 0.0);
    uz.assign(n, 0.0);
    const int rows = int(runStart_.size()) - 1;
#pragma omp parallel for schedule(static) num_threads(threads)
    for (int r = 0; r < rows; ++r) {
        const int p = r / gy_, j = r % gy_;
        for (int run = runStart_[r]; run < runStart_[r + 1]; ++run)
            for (int i = runs_[std::size_t(run)].first; i < runs_[std::size_t(run)].second; ++i) {
                const std::size_t at = Index(i, j, p);
                double m = 0, jx = 0, jy = 0, jz = 0;
                for (int q = 0; q < kQ19; ++q) {
                    const double f = double(cur_[q * size_ + at]);
                    m += f;
                    jx += kD3Q19[q][0] * f;
                    jy += kD3Q19[q][1] * f;
                    jz += kD3Q19[q][2] * f;
                }
                const std::size_t o = (std::size_t(p) * gy_ + std::size_t(j)) * gx_ + std::size_t(i);
                rho[o] = m;
                ux[o] = jx / m;
                uy[o] = jy / m;
                uz[o] = jz / m;
            }
    }
    (void)threads;
}

template <typename T> double Lattice3<T>::Mass() const
{
    double sum = 0;
    const int rows = int(runStart_.size()) - 1;
    for (int r = 0; r < rows; ++r) {
        const int p = r / gy_, j = r % gy_;
        for (int run = runStart_[r]; run < runStart_[r + 1]; ++run)
            for (int i = runs_[std::size_t(run)].first; i < runs_[std::size_t(run)].second; ++i)
                for (int q = 0; q < kQ19; ++q)
                    sum += double(cur_[q * size_ + Index(i, j, p)]);
    }
    return sum;
}

template class Lattice3<double>;
template class Lattice3<float>;

} // namespace lbm
