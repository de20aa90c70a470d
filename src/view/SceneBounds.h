// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SceneState.h"

#include <QMatrix4x4>
#include <QVector3D>

#include <vector>

class TGLObject;

// Where objects are, for framing and orbiting: boxes in a chosen frame.

// The camera's turn (its rotations about x, y and z, in that order), without
// its translation.
QMatrix4x4 CameraRotationMatrix(const TViewState& view);

// The placement an object's drawing applies: translation, rotations about x,
// y and z, then its scale.
QMatrix4x4 PlacementMatrix(const TObjectState& state);

// The box in frame's coordinates that holds the corners of every object's
// own box (a polygon object's extent, the unit sphere for a subdivided
// solid, the unit square in x and z for a plane, the unit cube about the
// origin for the others), each placed as it is drawn. False, leaving lo and hi alone, when there is no
// object.
bool BoundsIn(const QMatrix4x4& frame, const std::vector<TGLObject*>& objects, QVector3D& lo, QVector3D& hi);
