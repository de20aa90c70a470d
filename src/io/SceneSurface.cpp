// SPDX-License-Identifier: GPL-3.0-or-later
#include "SceneSurface.h"

#include "PolyMesh.h"
#include "TGLObject.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <utility>

namespace meshio {

namespace {

bool IsLight(TGLObject& object) { return std::strcmp(object.GetTypeName(), "TGLLight") == 0; }

} // namespace

Surface SurfaceIn(const std::vector<TGLObject*>& objects, const double lo[3], const double hi[3])
{
    Surface surface;
    double hair = 1e-30;
    for (int a = 0; a < 3; ++a)
        hair = std::max(hair, std::abs(hi[a] - lo[a]));
    // The scene's coordinates are single precision: an object that only
    // touches a side of the box reaches a rounding error across it.
    hair *= 1e-6;
    for (TGLObject* object : objects) {
        if (!object || IsLight(*object))
            continue;
        // A solid's faces have corners of their own (each with its face's
        // normal): joined where they meet, so that the edges are shared.
        PolyMesh mesh = SceneMeshOf(*object);
        JoinIdenticalVertices(mesh);
        std::vector<SurfaceTriangle> mine;
        // Edges by their corners' numbers, the smaller first: how many triangles share each.
        std::map<std::pair<int, int>, int> edges;
        double low[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL}, high[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
        std::size_t at = 0;
        for (std::size_t f = 0; f < mesh.FaceCount(); ++f) {
            const std::size_t n = std::size_t(mesh.faceSizes[f]);
            for (std::size_t k = 1; k + 1 < n; ++k) {
                const int corner[3] = {mesh.indices[at], mesh.indices[at + k], mesh.indices[at + k + 1]};
                SurfaceTriangle t{};
                for (int c = 0; c < 3; ++c)
                    for (int a = 0; a < 3; ++a) {
                        t.p[c][a] = mesh.vertices[3 * std::size_t(corner[c]) + std::size_t(a)];
                        low[a] = std::min(low[a], t.p[c][a]);
                        high[a] = std::max(high[a], t.p[c][a]);
                    }
                for (int c = 0; c < 3; ++c) {
                    const int u = corner[c], v = corner[(c + 1) % 3];
                    if (u != v) // an edge of no length joins nothing
                        ++edges[{std::min(u, v), std::max(u, v)}];
                }
                mine.push_back(t);
            }
            at += n;
        }
        if (mine.empty()) {
            ++surface.empty;
            continue;
        }
        bool inside = true;
        for (int a = 0; a < 3; ++a)
            inside = inside && high[a] > lo[a] + hair && low[a] < hi[a] - hair;
        if (!inside) {
            ++surface.outside;
            continue;
        }
        const bool closed =
            std::all_of(edges.begin(), edges.end(), [](const auto& e) { return e.second == 2; });
        for (SurfaceTriangle& t : mine) {
            t.object = surface.taken;
            surface.triangles.push_back(t);
        }
        surface.closed.push_back(closed);
        ++surface.taken;
        if (!closed)
            ++surface.open;
    }
    return surface;
}

} // namespace meshio
