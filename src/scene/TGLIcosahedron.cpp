// SPDX-License-Identifier: GPL-3.0-or-later
#include "TGLIcosahedron.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr float X = 0.525731112119133606f;
constexpr float Z = 0.850650808352039932f;
// Half-length of the marker axes: twice Z.
constexpr double kAxisLength = 1.7013016167040798;
} // namespace

const float IcosaVertices[12][3] = {{-X, 0, Z}, {X, 0, Z},  {-X, 0, -Z}, {X, 0, -Z},
                                    {0, Z, X},  {0, Z, -X}, {0, -Z, X},  {0, -Z, -X},
                                    {Z, X, 0},  {-Z, X, 0}, {Z, -X, 0},  {-Z, -X, 0}};

const int IcosaFaces[20][3] = {{0, 4, 1},  {0, 9, 4},  {9, 5, 4},  {4, 5, 8},  {4, 8, 1},
                               {8, 10, 1}, {8, 3, 10}, {5, 3, 8},  {5, 2, 3},  {2, 7, 3},
                               {7, 10, 3}, {7, 6, 10}, {7, 11, 6}, {11, 0, 6}, {0, 1, 6},
                               {6, 1, 10}, {9, 0, 11}, {9, 11, 2}, {9, 2, 5},  {7, 2, 11}};

TGLIcosahedron::TGLIcosahedron(float x, float y) { SetXY(x, y); }
TGLIcosahedron::~TGLIcosahedron() = default;

void TGLIcosahedron::SetDetail(int level)
{
    // A negative depth would never end the subdivision.
    if (level >= 0 && level <= kMaxDepth)
        FDepth = level;
}

std::uint64_t TGLIcosahedron::TrianglesAt(int level) const
{
    return std::uint64_t(20) << (2 * std::clamp(level, 0, kMaxDepth));
}

std::unique_ptr<TGLObject> TGLIcosahedron::CreateNew() { return std::make_unique<TGLIcosahedron>(FX, FY); }

void TGLIcosahedron::Draw(GLenum mode)
{
    BeginDraw(mode);
    for (const int* face : IcosaFaces)
        Subdivide(IcosaVertices[face[0]], IcosaVertices[face[1]], IcosaVertices[face[2]], FDepth);
    if (FSelected) {
        const bool lighting = BeginMarker();
        MarkerPoints(IcosaVertices, 12);
        DrawLocalAxes(kAxisLength, kAxisLength, kAxisLength, 0.1, 2);
        EndMarker(lighting);
    }
    EndDraw(mode);
}

void TGLIcosahedron::Normalize(float v[3]) { NormalizeVector(v); }

void TGLIcosahedron::DrawTriangle(const float* a, const float* b, const float* c)
{
    // On the unit sphere a point is its own normal.
    gl::Begin(GL_TRIANGLES);
    TexCoord(0, 0);
    White();
    gl::Normal3fv(a);
    gl::Vertex3fv(a);
    TexCoord(1, 0);
    gl::Normal3fv(b);
    gl::Vertex3fv(b);
    TexCoord(1, 1);
    TexCoord(0, 1);
    gl::Normal3fv(c);
    gl::Vertex3fv(c);
    gl::End();
}

void TGLIcosahedron::Subdivide(const float* a, const float* b, const float* c, int depth)
{
    if (depth <= 0) {
        DrawTriangle(a, b, c);
        return;
    }
    // Midpoints as plain sums: normalising puts them on the sphere anyway.
    float ab[3] = {a[0] + b[0], a[1] + b[1], a[2] + b[2]};
    float bc[3] = {b[0] + c[0], b[1] + c[1], b[2] + c[2]};
    float ca[3] = {c[0] + a[0], c[1] + a[1], c[2] + a[2]};
    Normalize(ab);
    Normalize(bc);
    Normalize(ca);
    Subdivide(a, ab, ca, depth - 1);
    Subdivide(b, bc, ab, depth - 1);
    Subdivide(c, ca, bc, depth - 1);
    Subdivide(ab, bc, ca, depth - 1);
}
