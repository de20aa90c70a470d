// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A three-dimensional flow field in the scene: the box its nodes fill and
// the node positions, for the slice pictures and the streamlines.
//
// Node (i, j, k) sits at index (k * gy + j) * gx + i of the fields' arrays,
// half a spacing inside the box: at lo + (i + 1/2, j + 1/2, k + 1/2) * spacing,
// the spacing along each axis the box's extent over the nodes along it.

#include <array>
#include <cstddef>

namespace lbm {
struct Fields;
struct Task;
} // namespace lbm

using Point3 = std::array<double, 3>;

struct FlowBox {
    Point3 lo{0, 0, 0};
    Point3 hi{1, 1, 1};

    double Extent(int axis) const { return hi[std::size_t(axis)] - lo[std::size_t(axis)]; }
    bool Contains(const Point3& p) const;
};

// The box of a task's nodes in the scene: a channel's from its corner, length,
// height and depth; a cavity's the unit cube.
FlowBox BoxOf(const lbm::Task& task);

// The number of nodes along an axis (0: x, 1: y, 2: z).
int NodesAlong(const lbm::Fields& fields, int axis);

// True when the fields can be read as a three-dimensional field: positive
// sizes whose product does not overflow, ux and uy of that many values, uz
// of that many or none (a flow without a z component), solid of that many or
// none.
bool IsReadableVolume(const lbm::Fields& fields);

// The index of node (i, j, k) in the arrays.
inline std::size_t NodeIndex(int gx, int gy, int i, int j, int k)
{
    return (std::size_t(k) * std::size_t(gy) + std::size_t(j)) * std::size_t(gx) + std::size_t(i);
}

// The scene position of node n along an axis of a box with `count` nodes on it.
inline double NodeCoordinate(const FlowBox& box, int axis, int count, int n)
{
    return box.lo[std::size_t(axis)] + (n + 0.5) * box.Extent(axis) / count;
}
