// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The surfaces of the scene's solids and meshes inside a box, as triangles in
// the scene's coordinates, for the three-dimensional flow solver's obstacles.
//
// A face of more corners is a fan of triangles about its first corner. An
// object is closed when every edge (between corners at different positions,
// however often a solid repeats a corner for its faces' normals) is shared by
// exactly two of its triangles (each way round once, or any way round for a
// mesh whose faces do not agree on their turning: only the count matters to
// the inside test); an open
// object (a plane, a mesh with a hole) is kept and flagged, the solver makes
// it a sheet without an inside. Lights are left out, as are objects entirely
// outside the box and objects without a face.

#include <vector>

class TGLObject;

namespace meshio {

struct SurfaceTriangle {
    double p[3][3];
    int object; // the object's place among the objects taken (0-based)
};

struct Surface {
    std::vector<SurfaceTriangle> triangles;
    std::vector<bool> closed; // per object taken
    int taken = 0;            // objects inside or reaching into the box
    int open = 0;             // of them, the ones that are not closed
    int outside = 0;          // objects entirely outside the box (left out)
    int empty = 0;            // objects without a face (left out)
};

// The surfaces of the objects reaching into the open box [lo, hi] (by more
// than a millionth of its size: an object that only touches a side is
// outside).
Surface SurfaceIn(const std::vector<TGLObject*>& objects, const double lo[3], const double hi[3]);

} // namespace meshio
