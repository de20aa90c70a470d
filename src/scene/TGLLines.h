// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TGLObject.h"

#include <array>
#include <vector>

// Polylines in the object's model space, drawn unlit in the object's colour
// (a flow's streamlines, a box's edges).
class TGLLines : public TGLObject {
public:
    using Point = std::array<float, 3>;

    TGLLines();
    ~TGLLines() override;

    // Takes the lines; a line of fewer than two points draws nothing.
    void SetLines(std::vector<std::vector<Point>> lines);
    const std::vector<std::vector<Point>>& GetLines() const { return FLines; }
    void SetLineWidth(float width) { FWidth = width; }
    float GetLineWidth() const { return FWidth; }
    // The corners of the box around every point (all 0 without points).
    void GetMin(float& x, float& y, float& z) const;
    void GetMax(float& x, float& y, float& z) const;

    void Draw(GLenum mode) override;
    std::unique_ptr<TGLObject> Clone() override;
    std::unique_ptr<TGLObject> CreateNew() override;
    std::uint64_t TrianglesAt(int) const override { return 0; }

private:
    std::vector<std::vector<Point>> FLines;
    Point FMin{0, 0, 0}, FMax{0, 0, 0};
    float FWidth = 1.5f;
};
