// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Streamlines through a three-dimensional flow field: from seed points along
// the velocity, trilinearly interpolated between the nodes, by fourth-order
// Runge-Kutta steps of one length. Every line is bounded: it ends where it
// leaves the box, meets an obstacle's node or a point (nearly) at rest, or
// after a greatest length or number of steps, so that a line caught in a
// vortex ends too.

#include "FlowField.h"

#include <vector>

struct StreamlineOptions {
    double step = 0.5;    // the length of a step, in the smallest node spacing
    int maxSteps = 2000;  // steps of one line at most
    double maxLength = 0; // in scene units; 0: four times the box's diagonal
    // A line stops where the speed falls below this fraction of the field's
    // largest speed.
    double stagnation = 1e-3;
};

enum class StreamlineEnd { Box, Obstacle, Stagnation, Length, Steps };

struct Streamline {
    std::vector<Point3> points; // in scene coordinates, from the seed on
    StreamlineEnd end = StreamlineEnd::Stagnation;
};

// One line from each seed, in the seeds' order. A seed outside the box or on
// an obstacle's node gives a line of that one point. Fields that cannot be
// read (IsReadableVolume) give no lines.
std::vector<Streamline> TraceStreamlines(const lbm::Fields& fields, const FlowBox& box,
                                         const std::vector<Point3>& seeds,
                                         const StreamlineOptions& options = {});

// The greatest number of seeds a line of them takes.
inline constexpr int kMostSeeds = 400;

// `count` seeds (1 to kMostSeeds) evenly along the segment from a to b, each
// in the middle of its share of it (so that none sits on the ends).
std::vector<Point3> SeedsAlong(const Point3& a, const Point3& b, int count);

// The seed line shown first: for a channel, across its height (along y) a
// node spacing downstream of the inflow, half-way through its depth; for a
// cavity, down its middle from the lid to the floor.
void DefaultSeedLine(const FlowBox& box, bool channel, int gx, Point3& a, Point3& b);
