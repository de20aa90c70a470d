// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Where a plane z = const cuts the scene's solids and meshes: each object's
// outline in that plane as segments, in the scene's coordinates, for the
// flow solver's obstacles.
//
// A triangle is cut where its corners lie on both sides of the plane; a corner
// on the plane counts as above it (as if the plane lay a hair lower), so that
// a face in the plane or an edge along it is never cut and every cut edge is
// shared by exactly two of a closed mesh's triangles. The point on each edge
// is computed from its two ends in one fixed order, so that both triangles
// of an edge give the same bits and a closed object's outline closes exactly.
// An object whose outline does not close (an open mesh cut across its hole,
// a plane or a light) is left out and counted.

#include <vector>

class TGLObject;

namespace meshio {

struct SectionSegment {
    double x0, y0, x1, y1;
    int object; // the object's place among the objects cut (0-based)
};

struct Section {
    std::vector<SectionSegment> segments;
    int cut = 0;     // objects whose outline closes
    int open = 0;    // objects cut whose outline does not close (left out)
    int missed = 0;  // objects the plane does not cut, or cuts only in a line
    int outside = 0; // objects cut entirely outside the rectangle asked for
};

// The section at z of the objects (lights left out), keeping the objects
// whose outline reaches into the open rectangle [x0, x1] x [y0, y1] (by more
// than a millionth of its size: an object that only touches its side is
// outside).
Section SectionAt(const std::vector<TGLObject*>& objects, double z, double x0, double y0, double x1,
                  double y1);

} // namespace meshio
