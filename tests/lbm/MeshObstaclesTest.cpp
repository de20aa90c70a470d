// SPDX-License-Identifier: GPL-3.0-or-later
// Obstacles from triangle meshes: the nodes inside them against an answer
// found another way (the box's faces, or the winding number summed from the
// triangles' solid angles), the links' crossings against the exact surfaces,
// and the promise the solver builds on: a link from a node outside to a node
// inside always meets a triangle.
#include "MeshObstacles.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cmath>
#include <functional>
#include <map>
#include <string>

namespace {

using Vec = std::array<double, 3>;

// The eighteen links of D3Q19.
std::vector<Vec> Links()
{
    std::vector<Vec> links;
    for (int x = -1; x <= 1; ++x)
        for (int y = -1; y <= 1; ++y)
            for (int z = -1; z <= 1; ++z)
                if (x * x + y * y + z * z == 1 || x * x + y * y + z * z == 2)
                    links.push_back({double(x), double(y), double(z)});
    return links;
}

lbm::Triangle Tri(const Vec& a, const Vec& b, const Vec& c, int obstacle)
{
    lbm::Triangle t;
    for (int k = 0; k < 3; ++k) {
        t.p[0][k] = a[std::size_t(k)];
        t.p[1][k] = b[std::size_t(k)];
        t.p[2][k] = c[std::size_t(k)];
    }
    t.obstacle = obstacle;
    return t;
}

void AddBox(std::vector<lbm::Triangle>& out, const Vec& lo, const Vec& hi, int obstacle)
{
    auto corner = [&](int k) {
        return Vec{k & 1 ? hi[0] : lo[0], k & 2 ? hi[1] : lo[1], k & 4 ? hi[2] : lo[2]};
    };
    // Two triangles on each face, outward.
    const int faces[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                             {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    for (const auto& f : faces) {
        out.push_back(Tri(corner(f[0]), corner(f[1]), corner(f[2]), obstacle));
        out.push_back(Tri(corner(f[0]), corner(f[2]), corner(f[3]), obstacle));
    }
}

// The icosahedron's faces split `depth` times onto the sphere, corners shared.
std::vector<lbm::Triangle> Sphere(const Vec& centre, double radius, int depth, int obstacle = 0)
{
    const double X = 0.525731112119133606, Z = 0.850650808352039932;
    std::vector<Vec> v = {{-X, 0, Z}, {X, 0, Z},   {-X, 0, -Z}, {X, 0, -Z}, {0, Z, X},  {0, Z, -X},
                          {0, -Z, X}, {0, -Z, -X}, {Z, X, 0},   {-Z, X, 0}, {Z, -X, 0}, {-Z, -X, 0}};
    std::vector<std::array<int, 3>> f = {{0, 4, 1},  {0, 9, 4},  {9, 5, 4},  {4, 5, 8},  {4, 8, 1},
                                         {8, 10, 1}, {8, 3, 10}, {5, 3, 8},  {5, 2, 3},  {2, 7, 3},
                                         {7, 10, 3}, {7, 6, 10}, {7, 11, 6}, {11, 0, 6}, {0, 1, 6},
                                         {6, 1, 10}, {9, 0, 11}, {9, 11, 2}, {9, 2, 5},  {7, 2, 11}};
    for (int d = 0; d < depth; ++d) {
        std::map<std::pair<int, int>, int> middle;
        auto mid = [&](int a, int b) {
            const auto key = std::make_pair(std::min(a, b), std::max(a, b));
            auto it = middle.find(key);
            if (it != middle.end())
                return it->second;
            Vec m{};
            for (std::size_t k = 0; k < 3; ++k)
                m[k] = v[std::size_t(a)][k] + v[std::size_t(b)][k];
            const double n = std::sqrt(m[0] * m[0] + m[1] * m[1] + m[2] * m[2]);
            for (double& x : m)
                x /= n;
            v.push_back(m);
            return middle[key] = int(v.size()) - 1;
        };
        std::vector<std::array<int, 3>> split;
        for (const auto& t : f) {
            const int ab = mid(t[0], t[1]), bc = mid(t[1], t[2]), ca = mid(t[2], t[0]);
            split.push_back({t[0], ab, ca});
            split.push_back({t[1], bc, ab});
            split.push_back({t[2], ca, bc});
            split.push_back({ab, bc, ca});
        }
        f.swap(split);
    }
    auto at = [&](int k) {
        Vec p{};
        for (std::size_t a = 0; a < 3; ++a)
            p[a] = centre[a] + radius * v[std::size_t(k)][a];
        return p;
    };
    std::vector<lbm::Triangle> out;
    for (const auto& t : f)
        out.push_back(Tri(at(t[0]), at(t[1]), at(t[2]), obstacle));
    return out;
}

// How many times the triangles wind round p (Van Oosterom and Strackee's
// solid angle of each, summed): 1 inside a closed surface, 0 outside.
double Winding(const std::vector<lbm::Triangle>& triangles, const Vec& p)
{
    double sum = 0;
    for (const auto& t : triangles) {
        double a[3][3];
        for (int c = 0; c < 3; ++c)
            for (int k = 0; k < 3; ++k)
                a[c][k] = t.p[c][k] - p[std::size_t(k)];
        auto dot = [](const double* x, const double* y) { return x[0] * y[0] + x[1] * y[1] + x[2] * y[2]; };
        const double cross[3] = {a[1][1] * a[2][2] - a[1][2] * a[2][1], a[1][2] * a[2][0] - a[1][0] * a[2][2],
                                 a[1][0] * a[2][1] - a[1][1] * a[2][0]};
        const double l0 = std::sqrt(dot(a[0], a[0])), l1 = std::sqrt(dot(a[1], a[1])),
                     l2 = std::sqrt(dot(a[2], a[2]));
        sum += 2 * std::atan2(dot(a[0], cross), l0 * l1 * l2 + dot(a[0], a[1]) * l2 + dot(a[1], a[2]) * l0 +
                                                    dot(a[2], a[0]) * l1);
    }
    return std::abs(sum) / (4 * M_PI);
}

Vec Node(int i, int j, int k) { return {i + 0.5, j + 0.5, k + 0.5}; }

// The first entry into the box lo..hi along p -> p + c from outside it, in
// (0, 1], or 2; grazing an edge or a corner counts.
double BoxEntry(const Vec& p, const Vec& c, const Vec& lo, const Vec& hi)
{
    double t0 = 0, t1 = 1;
    for (std::size_t a = 0; a < 3; ++a) {
        if (c[a] == 0) {
            if (p[a] < lo[a] || p[a] > hi[a])
                return 2;
            continue;
        }
        double ta = (lo[a] - p[a]) / c[a], tb = (hi[a] - p[a]) / c[a];
        if (ta > tb)
            std::swap(ta, tb);
        t0 = std::max(t0, ta);
        t1 = std::min(t1, tb);
    }
    return t0 <= t1 + 1e-12 && t0 > 0 ? t0 : 2;
}

constexpr int kUnsure = -2;

struct MeshCase {
    std::string name;
    std::vector<lbm::Triangle> triangles;
    std::vector<bool> closed;
    std::array<int, 3> grid;
    // The obstacle node (i, j, k) belongs to (-1 none), found without the
    // code under test; kUnsure where either answer would do.
    std::function<int(int, int, int)> truth;
    // The exact first crossing of a link, where the case knows it (a delta,
    // 2 for none, or negative when it does not say).
    std::function<double(const Vec&, const Vec&)> crossing;
};

// Inside a box lo..hi: a node on a face counts as past it (inside at the
// lower face, outside at the upper).
std::function<int(int, int, int)> InBoxes(std::vector<std::pair<Vec, Vec>> boxes)
{
    return [boxes](int i, int j, int k) {
        const Vec p = Node(i, j, k);
        for (std::size_t o = 0; o < boxes.size(); ++o) {
            bool in = true;
            for (std::size_t a = 0; a < 3; ++a)
                in = in && p[a] >= boxes[o].first[a] && p[a] < boxes[o].second[a];
            if (in)
                return int(o);
        }
        return -1;
    };
}

std::function<int(int, int, int)> ByWinding(std::vector<lbm::Triangle> triangles, Vec hole = {},
                                            double reach = 0)
{
    return [triangles, hole, reach](int i, int j, int k) {
        const Vec p = Node(i, j, k);
        const double d = std::hypot(p[0] - hole[0], p[1] - hole[1], p[2] - hole[2]);
        if (d < reach)
            return kUnsure;
        const double w = Winding(triangles, p);
        return w > 0.9 ? 0 : w < 0.1 ? -1 : kUnsure;
    };
}

std::vector<MeshCase> Cases()
{
    std::vector<MeshCase> cases;
    {
        const Vec lo{2.3, 3.1, 1.7}, hi{7.8, 6.05, 8.2};
        MeshCase c{"cube", {}, {true}, {11, 10, 10}, InBoxes({{lo, hi}}), nullptr};
        AddBox(c.triangles, lo, hi, 0);
        c.crossing = [lo, hi](const Vec& p, const Vec& d) { return BoxEntry(p, d, lo, hi); };
        cases.push_back(c);
    }
    {
        // Faces through the nodes' centres: every tie at once.
        const Vec lo{2.5, 3.5, 1.5}, hi{7.5, 6.5, 8.5};
        MeshCase c{"cube on the nodes", {}, {true}, {10, 10, 10}, InBoxes({{lo, hi}}), nullptr};
        AddBox(c.triangles, lo, hi, 0);
        cases.push_back(c);
    }
    {
        // Reaching through the box's ends, as a cylinder across a channel does.
        const Vec lo{2.3, 3.1, -4}, hi{7.8, 6.05, 14};
        MeshCase c{"cube through the box", {}, {true}, {10, 9, 8}, InBoxes({{lo, hi}}), nullptr};
        AddBox(c.triangles, lo, hi, 0);
        c.crossing = [lo, hi](const Vec& p, const Vec& d) { return BoxEntry(p, d, lo, hi); };
        cases.push_back(c);
    }
    {
        // Zero-area triangles (a repeated corner, three corners in a row)
        // crossing the rows change nothing.
        const Vec lo{2.3, 3.1, 1.7}, hi{7.8, 6.05, 8.2};
        MeshCase c{"cube with slivers", {}, {true}, {11, 10, 10}, InBoxes({{lo, hi}}), nullptr};
        AddBox(c.triangles, lo, hi, 0);
        c.triangles.push_back(Tri({4.5, 4.5, 0}, {4.5, 4.5, 10}, {4.5, 4.5, 0}, 0));
        c.triangles.push_back(Tri({0.5, 4.5, 4.5}, {5.5, 4.5, 4.5}, {10.5, 4.5, 4.5}, 0));
        c.triangles.push_back(Tri({3.5, 0.5, 5.5}, {3.5, 3.5, 5.5}, {3.5, 9.5, 5.5}, 0));
        c.crossing = [lo, hi](const Vec& p, const Vec& d) { return BoxEntry(p, d, lo, hi); };
        cases.push_back(c);
    }
    {
        // Sharing a face between nodes, and one on the nodes' centres.
        const Vec a0{1.3, 2.2, 2.2}, a1{5.2, 7.7, 7.7}, b0{5.2, 2.2, 2.2}, b1{8.5, 7.7, 7.7},
            c0{1.3, 7.7, 2.2}, c1{8.5, 8.5, 7.7};
        MeshCase c{
            "touching cubes", {}, {true, true, true}, {10, 10, 10}, InBoxes({{a0, a1}, {b0, b1}, {c0, c1}}),
            nullptr};
        AddBox(c.triangles, a0, a1, 0);
        AddBox(c.triangles, b0, b1, 1);
        AddBox(c.triangles, c0, c1, 2);
        cases.push_back(c);
    }
    {
        const auto sphere = Sphere({8.1, 7.7, 8.4}, 6.3, 3);
        cases.push_back({"sphere", sphere, {true}, {17, 16, 17}, ByWinding(sphere), nullptr});
    }
    {
        // One triangle left out (one that rows along x, y and z all pass
        // through): only the nodes about the gap may go either way; nothing
        // leaks along the rows through it.
        const auto sphere = Sphere({8.1, 7.7, 8.4}, 6.3, 2);
        auto gap = sphere;
        const lbm::Triangle missing = gap[28];
        gap.erase(gap.begin() + 28);
        Vec hole{};
        for (std::size_t a = 0; a < 3; ++a)
            hole[a] = (missing.p[0][a] + missing.p[1][a] + missing.p[2][a]) / 3;
        cases.push_back(
            {"sphere with a gap", gap, {true}, {17, 16, 17}, ByWinding(sphere, hole, 2.5), nullptr});
    }
    {
        // An open sheet: no inside, its links crossed where they meet it.
        MeshCase c{"sheet", {}, {false}, {10, 10, 10}, [](int, int, int) { return -1; }, nullptr};
        c.triangles.push_back(Tri({5.3, 2.2, 2.2}, {5.3, 8.7, 2.2}, {5.3, 8.7, 8.7}, 0));
        c.triangles.push_back(Tri({5.3, 2.2, 2.2}, {5.3, 8.7, 8.7}, {5.3, 2.2, 8.7}, 0));
        c.crossing = [](const Vec& p, const Vec& d) {
            if (d[0] == 0)
                return 2.0;
            const double t = (5.3 - p[0]) / d[0];
            const double y = p[1] + t * d[1], z = p[2] + t * d[2];
            if (std::abs(y - 2.2) < 1e-6 || std::abs(y - 8.7) < 1e-6 || std::abs(z - 2.2) < 1e-6 ||
                std::abs(z - 8.7) < 1e-6)
                return -1.0; // grazing the sheet's rim
            return t > 0 && t <= 1 && y > 2.2 && y < 8.7 && z > 2.2 && z < 8.7 ? t : 2.0;
        };
        cases.push_back(c);
    }
    {
        // A closed sphere inside a cube with a sheet through both.
        std::vector<lbm::Triangle> t = Sphere({6, 6, 6}, 2.7, 2, 1);
        AddBox(t, {1.2, 1.2, 1.2}, {10.6, 10.6, 10.6}, 0);
        t.push_back(Tri({6.1, -1, -1}, {6.1, 14, -1}, {6.1, -1, 14}, 2));
        cases.push_back({"sphere in a cube, cut by a sheet",
                         t,
                         {true, true, false},
                         {12, 12, 12},
                         InBoxes({{{1.2, 1.2, 1.2}, {10.6, 10.6, 10.6}}}),
                         nullptr});
    }
    return cases;
}

void PrintTo(const MeshCase& c, std::ostream* out) { *out << c.name; }

class MeshObstaclesCases : public ::testing::TestWithParam<MeshCase> {};

TEST_P(MeshObstaclesCases, InsideNodesAndCrossingsAgreeWithTheGeometry)
{
    const MeshCase& c = GetParam();
    const lbm::MeshObstacles obstacles(c.triangles, c.closed, c.grid[0], c.grid[1], c.grid[2]);
    EXPECT_EQ(obstacles.Count(), int(c.closed.size()));
    const std::vector<Vec> links = Links();
    int wrong = 0, unsure = 0, missed = 0, badDelta = 0, inside = 0, crossings = 0;
    for (int k = 0; k < c.grid[2]; ++k)
        for (int j = 0; j < c.grid[1]; ++j)
            for (int i = 0; i < c.grid[0]; ++i) {
                const int at = obstacles.InsideAt(i, j, k);
                const int truth = c.truth(i, j, k);
                inside += at >= 0;
                if (truth == kUnsure)
                    ++unsure;
                else if (at != truth && ++wrong <= 5)
                    ADD_FAILURE() << "node " << i << "," << j << "," << k << " in " << at << ", not "
                                  << truth;
                if (at >= 0 || truth == kUnsure)
                    continue;
                const Vec p = Node(i, j, k);
                for (const Vec& d : links) {
                    const lbm::MeshHit hit = obstacles.FirstHit(p.data(), d.data());
                    const int ni = i + int(d[0]), nj = j + int(d[1]), nk = k + int(d[2]);
                    // The solver's promise: into an obstacle through a crossing.
                    if (obstacles.InsideAt(ni, nj, nk) >= 0 && !(hit.delta > 0 && hit.delta <= 1) &&
                        ++missed <= 5)
                        ADD_FAILURE() << "no crossing from " << i << "," << j << "," << k << " along " << d[0]
                                      << "," << d[1] << "," << d[2];
                    if (hit.delta <= 1) {
                        EXPECT_GE(hit.obstacle, 0);
                        ++crossings;
                    }
                    const double expected = c.crossing ? c.crossing(p, d) : -1;
                    if (expected >= 0 && std::abs(hit.delta - expected) > 1e-9 && ++badDelta <= 5)
                        ADD_FAILURE() << "delta " << hit.delta << ", not " << expected << " from " << i << ","
                                      << j << "," << k << " along " << d[0] << "," << d[1] << "," << d[2];
                }
            }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(missed, 0);
    EXPECT_EQ(badDelta, 0);
    EXPECT_GT(crossings, 0);
    EXPECT_EQ(inside > 0, c.closed[0]);
    EXPECT_LT(unsure, 100) << "the answer leaves too much open";
}

INSTANTIATE_TEST_SUITE_P(Meshes, MeshObstaclesCases, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<MeshCase>& info) {
                             std::string name;
                             for (char ch : info.param.name)
                                 name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
                             return name;
                         });

// The distance to the sphere's surface along p -> p + c, from outside it.
double SphereEntry(const Vec& p, const Vec& c, const Vec& centre, double r)
{
    Vec m{};
    for (std::size_t a = 0; a < 3; ++a)
        m[a] = p[a] - centre[a];
    const double A = c[0] * c[0] + c[1] * c[1] + c[2] * c[2];
    const double B = m[0] * c[0] + m[1] * c[1] + m[2] * c[2];
    const double C = m[0] * m[0] + m[1] * m[1] + m[2] * m[2] - r * r;
    const double disc = B * B - A * C;
    if (disc < 0)
        return HUGE_VAL;
    const double t = (-B - std::sqrt(disc)) / A;
    return t >= 0 ? t : HUGE_VAL;
}

// A fine sphere in a box of the channel's proportions: the inside's volume
// against the sphere's, every crossing between the sphere and the sphere
// through the faces' middles (the mesh lies between them), and the shadow.
TEST(MeshObstacles, AFineSphereInALongBoxMatchesTheSphere)
{
    const Vec centre{120.3, 40.6, 41.2};
    const double r = 20.2;
    const auto sphere = Sphere(centre, r, 6); // 81920 triangles
    double inner = r;
    for (const auto& t : sphere) {
        // The distance of the face's plane from the centre.
        double e1[3], e2[3], m[3];
        for (int a = 0; a < 3; ++a) {
            e1[a] = t.p[1][a] - t.p[0][a];
            e2[a] = t.p[2][a] - t.p[0][a];
            m[a] = t.p[0][a] - centre[std::size_t(a)];
        }
        const double n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                             e1[0] * e2[1] - e1[1] * e2[0]};
        inner =
            std::min(inner, std::abs(n[0] * m[0] + n[1] * m[1] + n[2] * m[2]) / std::hypot(n[0], n[1], n[2]));
    }
    const auto start = std::chrono::steady_clock::now();
    const lbm::MeshObstacles obstacles(sphere, {true}, 500, 82, 82);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    RecordProperty("build_seconds", std::to_string(seconds));
    EXPECT_LT(seconds, 10);

    std::int64_t inside = 0;
    int links = 0, outOfShell = 0;
    const std::vector<Vec> dirs = Links();
    for (int k = 0; k < 82; ++k)
        for (int j = 0; j < 82; ++j)
            for (int i = 90; i < 150; ++i) {
                if (obstacles.InsideAt(i, j, k) == 0) {
                    ++inside;
                    continue;
                }
                const Vec p = Node(i, j, k);
                for (const Vec& d : dirs) {
                    if (obstacles.InsideAt(i + int(d[0]), j + int(d[1]), k + int(d[2])) != 0)
                        continue;
                    ++links;
                    const lbm::MeshHit hit = obstacles.FirstHit(p.data(), d.data());
                    const double outer = SphereEntry(p, d, centre, r),
                                 last = SphereEntry(p, d, centre, inner);
                    if (!(hit.delta >= outer - 1e-9 && hit.delta <= std::min(last, 1.0) + 1e-9) &&
                        ++outOfShell <= 5)
                        ADD_FAILURE() << "delta " << hit.delta << " outside " << outer << " .. " << last;
                }
            }
    EXPECT_EQ(inside, [&] {
        std::int64_t all = 0;
        for (int k = 0; k < 82; ++k)
            for (int j = 0; j < 82; ++j)
                for (int i = 0; i < 500; ++i)
                    all += obstacles.InsideAt(i, j, k) == 0;
        return all;
    }()) << "nothing inside far from the sphere";
    const double volume = 4 * M_PI * r * r * r / 3;
    EXPECT_NEAR(double(inside), volume, 0.005 * volume);
    EXPECT_GT(links, 5000);
    EXPECT_EQ(outOfShell, 0);
    EXPECT_NEAR(obstacles.FrontalArea(), M_PI * r * r, 0.002 * M_PI * r * r);
    double lo[3], hi[3];
    obstacles.Bounds(lo, hi);
    for (std::size_t a = 0; a < 3; ++a) {
        EXPECT_NEAR(lo[a], centre[a] - r, 1e-9);
        EXPECT_NEAR(hi[a], centre[a] + r, 1e-9);
    }
}

// The bounds and the shadow count what lies within the box: a bar through
// the box's whole depth and beyond, beside a plate across part of it, a
// sliver and a triangle wholly outside.
TEST(MeshObstacles, BoundsAndShadowAreTheUnionWithinTheBox)
{
    std::vector<lbm::Triangle> t;
    AddBox(t, {4.2, 3.1, -2}, {6.7, 5.6, 12}, 0);                      // 2.5 x 10 within the box
    AddBox(t, {5.2, 4.1, 2}, {6.2, 7.1, 4}, 1);                        // overlaps the bar's shadow
    t.push_back(Tri({5, 4, 5}, {5, 4.5, 5}, {5, 5, 5}, 2));            // zero area
    t.push_back(Tri({30, -20, -20}, {30, 40, -20}, {30, -20, 40}, 2)); // beyond the box's end
    t.push_back(Tri({8, 2, 2}, {8, 2, 4}, {8, 1, 2}, 3));              // a plate, seen face on
    const lbm::MeshObstacles obstacles(t, {true, true, false, false}, 20, 10, 10);
    const double shadow = 2.5 * 10 + 1.0 * (7.1 - 5.6) * 2 + 0.5 * 1 * 2;
    EXPECT_NEAR(obstacles.FrontalArea(), shadow, 1e-9);
    double lo[3], hi[3];
    obstacles.Bounds(lo, hi);
    const double wantLo[3] = {4.2, 1, 0}, wantHi[3] = {8, 7.1, 10};
    for (int a = 0; a < 3; ++a) {
        EXPECT_DOUBLE_EQ(lo[a], wantLo[a]) << a;
        EXPECT_DOUBLE_EQ(hi[a], wantHi[a]) << a;
    }
    // Nodes outside the box, and an empty box, are no trouble.
    EXPECT_EQ(obstacles.InsideAt(-1, 4, 4), -1);
    EXPECT_EQ(obstacles.InsideAt(5, 4, 10), -1);
    EXPECT_EQ(obstacles.InsideAt(5, 4, 9), 0);
    const lbm::MeshObstacles none({}, {}, 0, 0, 0);
    const double p[3] = {0.5, 0.5, 0.5}, c[3] = {1, 0, 0};
    EXPECT_EQ(none.FirstHit(p, c).obstacle, -1);
    EXPECT_EQ(none.InsideAt(0, 0, 0), -1);
    EXPECT_EQ(none.FrontalArea(), 0);
}

} // namespace
