// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Obstacles given by triangle meshes on a three-dimensional lattice: which
// nodes lie inside them and where a link from a node meets their surfaces.
//
// Inside. A closed obstacle's nodes are found by the parity of crossings of
// rays along x, along y and along z through the node (each ray counted from
// minus infinity), and a node is inside when at least two of the three rays
// say so. A ray that meets a shared edge or corner of the projected triangles
// is counted by a fixed tie rule (as if it passed an infinitesimal step aside),
// so that it crosses a closed surface once there, and a node exactly on a face
// counts as past it. The vote keeps a small gap (a missing triangle, a crack
// between faces) from leaking: only the rays through the gap go wrong, and
// only nodes near the gap are wrong in two directions at once. Each obstacle
// is found on its own and the union taken, so two obstacles that touch or
// overlap stay whole (where they overlap, the lower number wins). Triangles of
// zero area (in a projection) cross no ray.
//
// An open obstacle (closed[o] false: a sheet, a plate, a mesh with a hole)
// has no inside. It stays a sheet: FirstHit finds its triangles like any
// others, so the solver bounces the links that cross it as off a thin plate.
//
// Crossings. FirstHit takes every triangle, closed or open, inside the box or
// not. It is generous by a hair (a billionth of a spacing or of a triangle's
// size) at the ends of the segment and at the triangles' edges, so that a link
// from a node outside every obstacle to a node inside one always meets a
// triangle, even where rounding puts a node on a face or a link through an
// edge: such a crossing at the very start of the link has the smallest delta
// above 0. Where a closed mesh has a gap, a link through the gap may meet
// nothing.
//
// The triangles are binned in a grid of cells one spacing wide (a spacing
// round the box beyond it, the cells at the grid's rim taking all that lies
// further out), kept in blocks of 8 x 8 x 8 cells of which only those that
// hold a triangle are made.

#include "LbmTask.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lbm {

struct MeshHit {
    double delta = 2; // (0, 1] when the segment meets a triangle, 2 when not
    int obstacle = -1;
};

class MeshObstacles {
public:
    // Triangles in lattice spacings, obstacle numbers 0 .. closed.size() - 1
    // (a triangle with another number is left out); closed[o] whether
    // obstacle o is a closed surface; the box [0, gx] x [0, gy] x [0, gz],
    // node (i, j, k) sitting at (i + 1/2, j + 1/2, k + 1/2). Non-finite
    // coordinates are left out with their triangle. Throws std::bad_alloc
    // when the grid or the bins would not fit. `threads` for OpenMP.
    MeshObstacles(std::vector<Triangle> triangles, std::vector<bool> closed, int gx, int gy, int gz,
                  int threads = 1);

    int Count() const { return FCount; }

    // The closed obstacle node (i, j, k) lies inside, or -1 (outside them
    // all, or not a node of the box).
    int InsideAt(int i, int j, int k) const;

    // The first crossing of the segment p -> p + c (|c| <= sqrt(3)) with any
    // triangle: delta in (0, 1] and its obstacle (the lower number where two
    // meet it at the same place), or delta 2 and obstacle -1. Thread-safe.
    MeshHit FirstHit(const double p[3], const double c[3]) const;

    // The obstacles' bounding box within the box (lattice spacings; all
    // zero without a triangle reaching into the box), and the area of the
    // union of their shadows on a plane x = const within the box's
    // cross-section [0, gy] x [0, gz] (the frontal area a drag coefficient
    // is made with, in lattice spacings squared).
    void Bounds(double lo[3], double hi[3]) const;
    double FrontalArea() const { return FFrontalArea; }

private:
    struct Prepared {
        double a[3], e1[3], e2[3]; // a corner and the edges from it
        double area2;              // twice the area
        int obstacle;
    };

    void MarkInside(const std::vector<Triangle>& triangles, const std::vector<bool>& closed, int threads);
    void Bin();
    void MeasureShadow(const std::vector<Triangle>& triangles);
    // Calls visit(cell) for every cell a triangle may reach into.
    template <typename Visit> void CellsOf(const Prepared& t, Visit visit) const;
    std::int64_t BlockOf(const int cell[3]) const;

    int FCount = 0;
    int FG[3] = {0, 0, 0};
    // Obstacle + 1 per node (0 outside), FWidth bytes each, x fastest.
    std::vector<std::uint8_t> FInside;
    int FWidth = 1;

    std::vector<Prepared> FTriangles;
    int FCells[3] = {0, 0, 0};             // cells along each axis
    int FBlocks[3] = {0, 0, 0};            // blocks along each axis
    std::vector<std::int32_t> FBlockAt;    // block -> its place among the made ones, or -1
    std::vector<std::uint32_t> FCellStart; // 513 per made block: each cell's first entry
    std::vector<std::uint32_t> FEntries;   // triangle numbers, cell after cell
    double FLo[3] = {0, 0, 0}, FHi[3] = {0, 0, 0};
    double FFrontalArea = 0;
};

} // namespace lbm
