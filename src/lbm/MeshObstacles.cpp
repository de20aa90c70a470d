// SPDX-License-Identifier: GPL-3.0-or-later
#include "MeshObstacles.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

namespace lbm {

namespace {

constexpr int kMargin = 1;    // cells beyond the box on every side
constexpr int kBlock = 8;     // cells along each side of a block
constexpr double kPad = 1e-5; // how far beyond a triangle its bins reach, in spacings
constexpr double kHair = 1e-9;
constexpr double kLeastDelta = 1e-9;
constexpr std::size_t kMostEntries = std::size_t(1) << 27; // 512 MB of bins
constexpr int kShadowRows = 16;                            // rows per spacing measuring the shadow

double Dot(const double a[3], const double b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

void Cross(const double a[3], const double b[3], double out[3])
{
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

// floor(x) as an int kept within [lo, hi] (x may be huge).
int FloorIn(double x, int lo, int hi)
{
    const double f = std::floor(x);
    if (!(f > lo))
        return lo;
    if (f >= hi)
        return hi;
    return int(f);
}

int CeilIn(double x, int lo, int hi)
{
    const double f = std::ceil(x);
    if (!(f > lo))
        return lo;
    if (f >= hi)
        return hi;
    return int(f);
}

bool Finite(const Triangle& t)
{
    for (const auto& corner : t.p)
        for (double x : corner)
            if (!std::isfinite(x))
                return false;
    return true;
}

// The edge function of the projected edge u -> v at p (twice the signed area
// of u, v, p), computed from the edge's lesser end so that the edge taken the
// other way round gives exactly its negative. Its sign, where the value is 0,
// is the one it has at p moved by (d, d^2) for an infinitesimal d: a ray
// through a shared edge or corner falls into exactly one of the triangles
// about it. 0 only for an edge of no length.
int EdgeSign(const double u[2], const double v[2], const double p[2], double& value)
{
    const bool swap = u[0] > v[0] || (u[0] == v[0] && u[1] > v[1]);
    const double* a = swap ? v : u;
    const double* b = swap ? u : v;
    double e = (b[0] - a[0]) * (p[1] - a[1]) - (b[1] - a[1]) * (p[0] - a[0]);
    if (swap)
        e = -e;
    value = e;
    if (e > 0)
        return 1;
    if (e < 0)
        return -1;
    value = 0;
    if (v[1] != u[1])
        return v[1] < u[1] ? 1 : -1;
    if (v[0] != u[0])
        return v[0] > u[0] ? 1 : -1;
    return 0;
}

const std::uint8_t kMajority[8] = {0, 0, 0, 1, 0, 1, 1, 1};

// Sutherland-Hodgman: the part of the polygon on the side x[axis] >= bound
// (sign 1) or x[axis] <= bound (sign -1).
void ClipPolygon(std::vector<std::array<double, 3>>& polygon, int axis, double bound, double sign,
                 std::vector<std::array<double, 3>>& scratch)
{
    scratch.clear();
    const std::size_t n = polygon.size();
    for (std::size_t k = 0; k < n; ++k) {
        const auto& a = polygon[k];
        const auto& b = polygon[(k + 1) % n];
        const double da = sign * (a[std::size_t(axis)] - bound), db = sign * (b[std::size_t(axis)] - bound);
        if (da >= 0)
            scratch.push_back(a);
        if ((da >= 0) != (db >= 0)) {
            const double s = da / (da - db);
            std::array<double, 3> x;
            for (std::size_t c = 0; c < 3; ++c)
                x[c] = a[c] + s * (b[c] - a[c]);
            x[std::size_t(axis)] = bound;
            scratch.push_back(x);
        }
    }
    polygon.swap(scratch);
}

} // namespace

MeshObstacles::MeshObstacles(std::vector<Triangle> triangles, std::vector<bool> closed, int gx, int gy,
                             int gz, int threads)
{
    FCount = int(std::min<std::size_t>(closed.size(), std::size_t(std::numeric_limits<int>::max() - 1)));
    FG[0] = std::max(gx, 0);
    FG[1] = std::max(gy, 0);
    FG[2] = std::max(gz, 0);
    threads = std::max(threads, 1);
    triangles.erase(std::remove_if(triangles.begin(), triangles.end(),
                                   [this](const Triangle& t) {
                                       return t.obstacle < 0 || t.obstacle >= FCount || !Finite(t);
                                   }),
                    triangles.end());
    if (triangles.size() >= std::numeric_limits<std::uint32_t>::max())
        throw std::bad_alloc();
    std::vector<bool> isClosed(std::size_t(FCount), false);
    for (int o = 0; o < FCount; ++o)
        isClosed[std::size_t(o)] = closed[std::size_t(o)];

    MarkInside(triangles, isClosed, threads);
    for (const Triangle& t : triangles) {
        Prepared p;
        for (int a = 0; a < 3; ++a) {
            p.a[a] = t.p[0][a];
            p.e1[a] = t.p[1][a] - t.p[0][a];
            p.e2[a] = t.p[2][a] - t.p[0][a];
        }
        double n[3];
        Cross(p.e1, p.e2, n);
        p.area2 = std::sqrt(Dot(n, n));
        p.obstacle = t.obstacle;
        // A triangle of no area is met by no segment.
        if (p.area2 > 0)
            FTriangles.push_back(p);
    }
    Bin();
    MeasureShadow(triangles);
}

void MeshObstacles::MarkInside(const std::vector<Triangle>& triangles, const std::vector<bool>& closed,
                               int threads)
{
    const std::size_t nodes = std::size_t(FG[0]) * std::size_t(FG[1]) * std::size_t(FG[2]);
    FWidth = FCount < 255 ? 1 : FCount < 65535 ? 2 : 4;
    FInside.assign(nodes * std::size_t(FWidth), 0);
    if (nodes == 0)
        return;

    const std::size_t obstacles = std::size_t(FCount);
    std::vector<std::vector<std::uint32_t>> of(obstacles);
    for (std::size_t t = 0; t < triangles.size(); ++t)
        if (closed[std::size_t(triangles[t].obstacle)])
            of[std::size_t(triangles[t].obstacle)].push_back(std::uint32_t(t));

    std::vector<std::uint8_t> votes;
    for (int o = 0; o < FCount; ++o) {
        const std::vector<std::uint32_t>& mine = of[std::size_t(o)];
        if (mine.empty())
            continue;
        // The nodes whose centres lie within the obstacle's bounding box.
        double low[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL}, high[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
        for (std::uint32_t t : mine)
            for (const auto& corner : triangles[t].p)
                for (int a = 0; a < 3; ++a) {
                    low[a] = std::min(low[a], corner[a]);
                    high[a] = std::max(high[a], corner[a]);
                }
        int lo[3], hi[3], n[3];
        bool empty = false;
        for (int a = 0; a < 3; ++a) {
            lo[a] = CeilIn(low[a] - 0.5, 0, FG[a]);
            hi[a] = FloorIn(high[a] - 0.5, -1, FG[a] - 1);
            n[a] = hi[a] - lo[a] + 1;
            empty = empty || n[a] <= 0;
        }
        if (empty)
            continue;
        const std::size_t sx = 1, sy = std::size_t(n[0]), sz = std::size_t(n[0]) * std::size_t(n[1]);
        const std::size_t stride[3] = {sx, sy, sz};
        votes.assign(sz * std::size_t(n[2]), 0);

        // Every triangle flips the parity of the ray along `axis` through
        // each row it covers, from the first node past its crossing on.
        for (std::uint32_t t : mine) {
            const Triangle& tri = triangles[t];
            for (int axis = 0; axis < 3; ++axis) {
                const int s = (axis + 1) % 3, r = (axis + 2) % 3;
                const double v[3][2] = {
                    {tri.p[0][s], tri.p[0][r]}, {tri.p[1][s], tri.p[1][r]}, {tri.p[2][s], tri.p[2][r]}};
                const double sLow = std::min({v[0][0], v[1][0], v[2][0]});
                const double sHigh = std::max({v[0][0], v[1][0], v[2][0]});
                const double rLow = std::min({v[0][1], v[1][1], v[2][1]});
                const double rHigh = std::max({v[0][1], v[1][1], v[2][1]});
                const int j0 = std::max(lo[s], CeilIn(sLow - 0.5, -1, FG[s]));
                const int j1 = std::min(hi[s], FloorIn(sHigh - 0.5, -1, FG[s]));
                const int k0 = std::max(lo[r], CeilIn(rLow - 0.5, -1, FG[r]));
                const int k1 = std::min(hi[r], FloorIn(rHigh - 0.5, -1, FG[r]));
                const std::uint8_t bit = std::uint8_t(1u << axis);
                for (int k = k0; k <= k1; ++k)
                    for (int j = j0; j <= j1; ++j) {
                        const double q[2] = {j + 0.5, k + 0.5};
                        double w[3];
                        const int s0 = EdgeSign(v[1], v[2], q, w[0]);
                        const int s1 = EdgeSign(v[2], v[0], q, w[1]);
                        const int s2 = EdgeSign(v[0], v[1], q, w[2]);
                        if (s0 == 0 || s0 != s1 || s1 != s2)
                            continue;
                        const double sum = w[0] + w[1] + w[2];
                        if (sum == 0)
                            continue;
                        const double cross =
                            (w[0] * tri.p[0][axis] + w[1] * tri.p[1][axis] + w[2] * tri.p[2][axis]) / sum;
                        // Nodes at or past the crossing: i + 1/2 >= cross.
                        const int first = CeilIn(cross - 0.5, lo[axis], hi[axis] + 1) - lo[axis];
                        if (first >= n[axis])
                            continue;
                        std::size_t at = std::size_t(first) * stride[axis];
                        at += std::size_t(j - lo[s]) * stride[s] + std::size_t(k - lo[r]) * stride[r];
                        votes[at] ^= bit;
                    }
            }
        }

        // The parities: each bit summed (exclusive or) along its own axis.
        std::uint8_t* vote = votes.data();
        const int nx = n[0], ny = n[1], nz = n[2];
#pragma omp parallel for schedule(static) num_threads(threads)
        for (int k = 0; k < nz; ++k)
            for (int j = 0; j < ny; ++j) {
                std::uint8_t* row = vote + std::size_t(k) * sz + std::size_t(j) * sy;
                for (int i = 1; i < nx; ++i)
                    row[i] = std::uint8_t(row[i] ^ (row[i - 1] & 1u));
                if (j > 0) {
                    const std::uint8_t* below = row - sy;
                    for (int i = 0; i < nx; ++i)
                        row[i] = std::uint8_t(row[i] ^ (below[i] & 2u));
                }
            }
        for (int k = 1; k < nz; ++k) {
            std::uint8_t* layer = vote + std::size_t(k) * sz;
            const std::uint8_t* before = layer - sz;
            for (std::size_t m = 0; m < sz; ++m)
                layer[m] = std::uint8_t(layer[m] ^ (before[m] & 4u));
        }

        // Inside where two of the three rays say so; a node already taken
        // by a lower obstacle stays with it.
        const std::uint32_t mark = std::uint32_t(o) + 1;
        const std::size_t width = std::size_t(FWidth);
#pragma omp parallel for schedule(static) num_threads(threads)
        for (int k = 0; k < nz; ++k)
            for (int j = 0; j < ny; ++j) {
                const std::uint8_t* row = vote + std::size_t(k) * sz + std::size_t(j) * sy;
                const std::size_t base =
                    (std::size_t(lo[0]) +
                     std::size_t(FG[0]) *
                         (std::size_t(lo[1] + j) + std::size_t(FG[1]) * std::size_t(lo[2] + k))) *
                    width;
                for (int i = 0; i < nx; ++i) {
                    if (!kMajority[row[i] & 7u])
                        continue;
                    std::uint8_t* cell = FInside.data() + base + std::size_t(i) * width;
                    std::uint32_t old = 0;
                    std::memcpy(&old, cell, width);
                    if (old == 0)
                        std::memcpy(cell, &mark, width);
                }
            }
    }
}

int MeshObstacles::InsideAt(int i, int j, int k) const
{
    if (i < 0 || j < 0 || k < 0 || i >= FG[0] || j >= FG[1] || k >= FG[2])
        return -1;
    const std::size_t at =
        (std::size_t(i) + std::size_t(FG[0]) * (std::size_t(j) + std::size_t(FG[1]) * std::size_t(k))) *
        std::size_t(FWidth);
    std::uint32_t mark = 0;
    std::memcpy(&mark, FInside.data() + at, std::size_t(FWidth));
    return int(mark) - 1;
}

std::int64_t MeshObstacles::BlockOf(const int cell[3]) const
{
    return std::int64_t(cell[0] / kBlock) +
           std::int64_t(FBlocks[0]) *
               (std::int64_t(cell[1] / kBlock) + std::int64_t(FBlocks[1]) * (cell[2] / kBlock));
}

namespace {

int LocalOf(const int cell[3])
{
    return cell[0] % kBlock + kBlock * (cell[1] % kBlock + kBlock * (cell[2] % kBlock));
}

} // namespace

template <typename Visit> void MeshObstacles::CellsOf(const Prepared& t, Visit visit) const
{
    double lo[3], hi[3], n[3];
    for (int a = 0; a < 3; ++a) {
        lo[a] = std::min({t.a[a], t.a[a] + t.e1[a], t.a[a] + t.e2[a]}) - kPad;
        hi[a] = std::max({t.a[a], t.a[a] + t.e1[a], t.a[a] + t.e2[a]}) + kPad;
    }
    Cross(t.e1, t.e2, n);
    // Columns along the normal's largest component: the plane crosses each
    // in a short run of cells.
    int w = 0;
    for (int a = 1; a < 3; ++a)
        if (std::abs(n[a]) > std::abs(n[w]))
            w = a;
    const int u = (w + 1) % 3, v = (w + 2) % 3;
    const double d = Dot(n, t.a);
    auto cellOf = [this](double x, int a) { return FloorIn(x + kMargin, 0, FCells[a] - 1); };
    const int u0 = cellOf(lo[u], u), u1 = cellOf(hi[u], u), v0 = cellOf(lo[v], v), v1 = cellOf(hi[v], v);
    int cell[3];
    for (int cu = u0; cu <= u1; ++cu) {
        const double ua = cu == 0 ? lo[u] : std::max(lo[u], double(cu - kMargin));
        const double ub = cu == FCells[u] - 1 ? hi[u] : std::min(hi[u], double(cu - kMargin + 1));
        for (int cv = v0; cv <= v1; ++cv) {
            const double va = cv == 0 ? lo[v] : std::max(lo[v], double(cv - kMargin));
            const double vb = cv == FCells[v] - 1 ? hi[v] : std::min(hi[v], double(cv - kMargin + 1));
            double wLow = HUGE_VAL, wHigh = -HUGE_VAL;
            for (double uu : {ua, ub})
                for (double vv : {va, vb}) {
                    const double x = (d - n[u] * uu - n[v] * vv) / n[w];
                    wLow = std::min(wLow, x);
                    wHigh = std::max(wHigh, x);
                }
            wLow = std::max(wLow - kPad, lo[w]);
            wHigh = std::min(wHigh + kPad, hi[w]);
            if (!(wLow <= wHigh))
                continue;
            cell[u] = cu;
            cell[v] = cv;
            const int w1 = cellOf(wHigh, w);
            for (cell[w] = cellOf(wLow, w); cell[w] <= w1; ++cell[w])
                visit(cell);
        }
    }
}

void MeshObstacles::Bin()
{
    std::size_t blocks = 1;
    for (int a = 0; a < 3; ++a) {
        FCells[a] = FG[a] + 2 * kMargin;
        FBlocks[a] = (FCells[a] + kBlock - 1) / kBlock;
        blocks *= std::size_t(FBlocks[a]);
    }
    FBlockAt.assign(blocks, -1);
    constexpr std::size_t kCellsPerBlock = std::size_t(kBlock) * kBlock * kBlock;
    // First the blocks and the cells' counts, then the entries in place.
    std::vector<std::uint32_t> count;
    std::size_t total = 0, made = 0;
    for (const Prepared& t : FTriangles)
        CellsOf(t, [&](const int cell[3]) {
            std::int32_t& at = FBlockAt[std::size_t(BlockOf(cell))];
            if (at < 0) {
                at = std::int32_t(made++);
                count.resize(made * kCellsPerBlock, 0);
            }
            ++count[std::size_t(at) * kCellsPerBlock + std::size_t(LocalOf(cell))];
            if (++total > kMostEntries)
                throw std::bad_alloc();
        });
    FCellStart.assign(count.size() + 1, 0);
    for (std::size_t c = 0; c < count.size(); ++c)
        FCellStart[c + 1] = FCellStart[c] + count[c];
    FEntries.assign(total, 0);
    std::vector<std::uint32_t> next(FCellStart.begin(), FCellStart.end() - 1);
    for (std::size_t k = 0; k < FTriangles.size(); ++k)
        CellsOf(FTriangles[k], [&](const int cell[3]) {
            const std::size_t c = std::size_t(FBlockAt[std::size_t(BlockOf(cell))]) * kCellsPerBlock +
                                  std::size_t(LocalOf(cell));
            FEntries[next[c]++] = std::uint32_t(k);
        });
}

MeshHit MeshObstacles::FirstHit(const double p[3], const double c[3]) const
{
    MeshHit best;
    if (FEntries.empty())
        return best;
    const double length = std::sqrt(Dot(c, c));
    int c0[3], c1[3];
    for (int a = 0; a < 3; ++a) {
        const double x0 = std::min(p[a], p[a] + c[a]) - kPad, x1 = std::max(p[a], p[a] + c[a]) + kPad;
        c0[a] = FloorIn(x0 + kMargin, 0, FCells[a] - 1);
        c1[a] = FloorIn(x1 + kMargin, 0, FCells[a] - 1);
    }
    constexpr std::size_t kCellsPerBlock = std::size_t(kBlock) * kBlock * kBlock;
    int cell[3];
    for (cell[2] = c0[2]; cell[2] <= c1[2]; ++cell[2])
        for (cell[1] = c0[1]; cell[1] <= c1[1]; ++cell[1])
            for (cell[0] = c0[0]; cell[0] <= c1[0]; ++cell[0]) {
                const std::int32_t block = FBlockAt[std::size_t(BlockOf(cell))];
                if (block < 0)
                    continue;
                const std::size_t at = std::size_t(block) * kCellsPerBlock + std::size_t(LocalOf(cell));
                const std::uint32_t begin = FCellStart[at], end = FCellStart[at + 1];
                if (begin == end)
                    continue;
                // Only the cells the segment passes through (slabs, padded).
                double t0 = -kHair, t1 = 1 + kHair;
                for (int a = 0; a < 3 && t0 <= t1; ++a) {
                    const double lo = cell[a] == 0 ? -HUGE_VAL : cell[a] - kMargin - kPad;
                    const double hi = cell[a] == FCells[a] - 1 ? HUGE_VAL : cell[a] - kMargin + 1 + kPad;
                    if (c[a] == 0) {
                        if (p[a] < lo || p[a] > hi)
                            t1 = -1;
                        continue;
                    }
                    double ta = (lo - p[a]) / c[a], tb = (hi - p[a]) / c[a];
                    if (ta > tb)
                        std::swap(ta, tb);
                    t0 = std::max(t0, ta);
                    t1 = std::min(t1, tb);
                }
                if (t0 > t1)
                    continue;
                for (std::uint32_t e = begin; e < end; ++e) {
                    const Prepared& t = FTriangles[FEntries[e]];
                    // Moeller and Trumbore, generous by a hair.
                    double h[3], s[3], q[3];
                    Cross(c, t.e2, h);
                    const double det = Dot(t.e1, h);
                    if (!(std::abs(det) > 1e-12 * t.area2 * length))
                        continue; // along the triangle's plane
                    const double inv = 1 / det;
                    for (int a = 0; a < 3; ++a)
                        s[a] = p[a] - t.a[a];
                    const double u = Dot(s, h) * inv;
                    if (u < -kHair || u > 1 + kHair)
                        continue;
                    Cross(s, t.e1, q);
                    const double v = Dot(c, q) * inv;
                    if (v < -kHair || u + v > 1 + kHair)
                        continue;
                    const double along = Dot(t.e2, q) * inv;
                    if (along < -kHair || along > 1 + kHair)
                        continue;
                    const double delta = std::min(std::max(along, kLeastDelta), 1.0);
                    if (delta < best.delta || (delta == best.delta && t.obstacle < best.obstacle)) {
                        best.delta = delta;
                        best.obstacle = t.obstacle;
                    }
                }
            }
    return best;
}

void MeshObstacles::MeasureShadow(const std::vector<Triangle>& triangles)
{
    // Each triangle's part inside the box, for the bounds and, seen along x,
    // for the shadow.
    struct Piece {
        std::vector<std::array<double, 2>> yz;
        double zLow, zHigh;
    };
    std::vector<Piece> pieces;
    std::vector<std::array<double, 3>> polygon, scratch;
    bool any = false;
    for (const Triangle& t : triangles) {
        polygon.assign({{t.p[0][0], t.p[0][1], t.p[0][2]},
                        {t.p[1][0], t.p[1][1], t.p[1][2]},
                        {t.p[2][0], t.p[2][1], t.p[2][2]}});
        for (int a = 0; a < 3 && !polygon.empty(); ++a) {
            ClipPolygon(polygon, a, 0, 1, scratch);
            if (!polygon.empty())
                ClipPolygon(polygon, a, FG[a], -1, scratch);
        }
        if (polygon.empty())
            continue;
        Piece piece{{}, HUGE_VAL, -HUGE_VAL};
        for (const auto& x : polygon) {
            for (int a = 0; a < 3; ++a) {
                FLo[a] = any ? std::min(FLo[a], x[std::size_t(a)]) : x[std::size_t(a)];
                FHi[a] = any ? std::max(FHi[a], x[std::size_t(a)]) : x[std::size_t(a)];
            }
            any = true;
            piece.yz.push_back({x[1], x[2]});
            piece.zLow = std::min(piece.zLow, x[2]);
            piece.zHigh = std::max(piece.zHigh, x[2]);
        }
        pieces.push_back(std::move(piece));
    }
    if (pieces.empty())
        return;

    // Rows across the cross-section: along each, the union of the pieces'
    // chords, summed (the pieces are convex: one chord each).
    std::sort(pieces.begin(), pieces.end(), [](const Piece& a, const Piece& b) { return a.zLow < b.zLow; });
    const int rows = int(std::min<long long>(1LL << 20, std::max<long long>(1, 1LL * FG[2] * kShadowRows)));
    const double height = double(FG[2]) / rows;
    std::vector<std::size_t> active;
    std::vector<std::pair<double, double>> chords;
    std::size_t next = 0;
    double area = 0;
    for (int row = 0; row < rows; ++row) {
        const double z = (row + 0.5) * height;
        while (next < pieces.size() && pieces[next].zLow <= z)
            active.push_back(next++);
        active.erase(
            std::remove_if(active.begin(), active.end(), [&](std::size_t k) { return pieces[k].zHigh < z; }),
            active.end());
        chords.clear();
        for (std::size_t k : active) {
            const auto& yz = pieces[k].yz;
            double y0 = HUGE_VAL, y1 = -HUGE_VAL;
            for (std::size_t m = 0; m < yz.size(); ++m) {
                const auto& a = yz[m];
                const auto& b = yz[(m + 1) % yz.size()];
                if ((a[1] <= z && b[1] >= z) || (a[1] >= z && b[1] <= z)) {
                    const double y = a[1] == b[1] ? std::min(a[0], b[0])
                                                  : a[0] + (z - a[1]) / (b[1] - a[1]) * (b[0] - a[0]);
                    const double y2 = a[1] == b[1] ? std::max(a[0], b[0]) : y;
                    y0 = std::min(y0, y);
                    y1 = std::max(y1, y2);
                }
            }
            if (y0 < y1)
                chords.emplace_back(y0, y1);
        }
        std::sort(chords.begin(), chords.end());
        double covered = 0, from = 0, to = -HUGE_VAL;
        for (const auto& chord : chords) {
            if (chord.first > to) {
                if (to > from)
                    covered += to - from;
                from = chord.first;
                to = chord.second;
            } else {
                to = std::max(to, chord.second);
            }
        }
        if (to > from)
            covered += to - from;
        area += covered * height;
    }
    FFrontalArea = area;
}

void MeshObstacles::Bounds(double lo[3], double hi[3]) const
{
    for (int a = 0; a < 3; ++a) {
        lo[a] = FLo[a];
        hi[a] = FHi[a];
    }
}

} // namespace lbm
