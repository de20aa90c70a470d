// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TGLObject.h"

#include <cstdint>

// The twelve vertices of the icosahedron on the unit sphere and its twenty
// faces, in drawing order.
extern const float IcosaVertices[12][3];
extern const int IcosaFaces[20][3];

// An icosahedron whose faces are subdivided FDepth times onto the unit sphere
// (20 * 4^FDepth triangles).
class TGLIcosahedron : public TGLObject {
public:
    static constexpr int kDefaultDepth = 3;
    static constexpr int kMaxDepth = 7;

    TGLIcosahedron(float x, float y);
    ~TGLIcosahedron() override;

    void Draw(GLenum mode) override;
    // Takes depths 0 to 7; anything else leaves the depth as it was.
    void SetDetail(int level) override;
    std::unique_ptr<TGLObject> CreateNew() override;

    int GetDepth() const { return FDepth; }
    int GetDetail() const override { return FDepth; }
    std::uint64_t TrianglesAt(int level) const override;

    // Scales v in place to unit length; a zero vector stays zero.
    static void Normalize(float v[3]);
    void DrawTriangle(const float* a, const float* b, const float* c);
    void Subdivide(const float* a, const float* b, const float* c, int depth);

private:
    std::int32_t FDepth = kDefaultDepth;
};
