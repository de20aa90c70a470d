// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A node plane of a three-dimensional flow field as a picture: the speed as
// the colour map the two-dimensional field views use, the obstacles' nodes in
// their neutral colour.

#include "FlowField.h"

#include <QImage>

#include <array>

// The axes a slice across `normal` (0: x, 1: y, 2: z) is pictured along: its
// columns run along the first, its rows upwards along the second. Across x
// the picture looks down the flow (z to the right, y up), across y from
// above (x to the right, z up), across z from the front (x to the right, y up).
std::array<int, 2> SliceAxes(int normal);

// The largest speed |u| / lidSpeed of the field's fluid nodes (0 for a field
// at rest or one that cannot be read).
double LargestSpeed(const lbm::Fields& fields, double lidSpeed);

// The speed |u| / lidSpeed on the node plane `n` across `normal` (i = n, j = n
// or k = n), one pixel per node, scaled from 0 to `top` (0: the whole field's
// largest speed, or 1 when it is at rest), so that every slice of one field
// reads on one colour bar. Obstacle nodes are kObstacleColour. A null picture
// for fields that cannot be read, a speed that is not positive or a plane
// outside the field. Returns the top used in *usedTop.
QImage SlicePicture(const lbm::Fields& fields, int normal, int n, double lidSpeed, double top = 0,
                    double* usedTop = nullptr);
