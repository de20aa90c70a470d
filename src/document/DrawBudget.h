// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <vector>

class TGLObject;

// What one frame of a scene may draw. Subdivided shapes grow fourfold with
// each level of detail, so that a small scene file can ask for more than any
// frame can draw: such a scene has the detail of its most detailed shapes
// lowered until it fits, and the user is told.
namespace drawbudget {

// Triangles a software renderer draws in about a second (see the view
// benchmark): a frame beyond it would leave the window frozen.
constexpr std::uint64_t kMaxTriangles = 3000000;

// The triangles a frame of objects draws when every object with levels of
// detail is at min(its level, cap), or at min(setTo, cap) when setTo >= 0.
std::uint64_t Triangles(const std::vector<TGLObject*>& objects, int cap, int setTo = -1);

// The highest cap (at most the shapes' deepest level) for which
// Triangles(objects, cap, setTo) stays within kMaxTriangles; 0 when none does.
int FittingCap(const std::vector<TGLObject*>& objects, int setTo = -1);

} // namespace drawbudget
