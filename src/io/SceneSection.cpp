// SPDX-License-Identifier: GPL-3.0-or-later
#include "SceneSection.h"

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

struct Point {
    double x, y, z;
};

bool Less(const Point& a, const Point& b)
{
    if (a.x != b.x)
        return a.x < b.x;
    if (a.y != b.y)
        return a.y < b.y;
    return a.z < b.z;
}

// Where the edge a-b crosses z, computed from its ends in one order.
std::pair<double, double> Crossing(Point a, Point b, double z)
{
    if (Less(b, a))
        std::swap(a, b);
    const double t = (z - a.z) / (b.z - a.z);
    return {a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)};
}

} // namespace

Section SectionAt(const std::vector<TGLObject*>& objects, double z, double x0, double y0, double x1,
                  double y1)
{
    Section section;
    for (TGLObject* object : objects) {
        if (!object || IsLight(*object))
            continue;
        const PolyMesh mesh = SceneMeshOf(*object);
        std::vector<SectionSegment> mine;
        std::size_t at = 0;
        for (std::size_t f = 0; f < mesh.FaceCount(); ++f) {
            const std::size_t n = std::size_t(mesh.faceSizes[f]);
            // A face of more corners is a fan of triangles about its first.
            for (std::size_t k = 1; k + 1 < n; ++k) {
                const std::size_t corner[3] = {std::size_t(mesh.indices[at]),
                                               std::size_t(mesh.indices[at + k]),
                                               std::size_t(mesh.indices[at + k + 1])};
                Point p[3];
                bool above[3];
                for (int c = 0; c < 3; ++c) {
                    const float* v = &mesh.vertices[3 * corner[c]];
                    p[c] = {v[0], v[1], v[2]};
                    above[c] = p[c].z >= z;
                }
                if (above[0] == above[1] && above[1] == above[2])
                    continue;
                std::pair<double, double> ends[2];
                int found = 0;
                for (int c = 0; c < 3; ++c) {
                    const int d = (c + 1) % 3;
                    if (above[c] != above[d])
                        ends[found++] = Crossing(p[c], p[d], z);
                }
                if (found == 2 && ends[0] != ends[1])
                    mine.push_back({ends[0].first, ends[0].second, ends[1].first, ends[1].second, 0});
            }
            at += n;
        }
        if (mine.empty()) {
            ++section.missed;
            continue;
        }
        // Closed: every end point is the end of an even number of pieces.
        std::map<std::pair<double, double>, int> ends;
        double lowX = mine.front().x0, highX = lowX, lowY = mine.front().y0, highY = lowY;
        for (const SectionSegment& s : mine) {
            ++ends[{s.x0, s.y0}];
            ++ends[{s.x1, s.y1}];
            lowX = std::min({lowX, s.x0, s.x1});
            highX = std::max({highX, s.x0, s.x1});
            lowY = std::min({lowY, s.y0, s.y1});
            highY = std::max({highY, s.y0, s.y1});
        }
        const bool closed =
            std::all_of(ends.begin(), ends.end(), [](const auto& e) { return e.second % 2 == 0; });
        if (!closed) {
            ++section.open;
            continue;
        }
        // The scene's coordinates are single precision: an object that only
        // touches the rectangle's side reaches a rounding error across it.
        const double hair = 1e-6 * std::max({std::abs(x1 - x0), std::abs(y1 - y0), 1e-30});
        if (highX <= x0 + hair || lowX >= x1 - hair || highY <= y0 + hair || lowY >= y1 - hair) {
            ++section.outside;
            continue;
        }
        for (SectionSegment& s : mine) {
            s.object = section.cut;
            section.segments.push_back(s);
        }
        ++section.cut;
    }
    return section;
}

} // namespace meshio
