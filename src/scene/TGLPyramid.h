// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TGLObject.h"

// A square pyramid: base of edge 1 at y = -0.5, apex at (0, 0.5, 0).
class TGLPyramid : public TGLObject {
public:
    TGLPyramid(float x, float y);
    ~TGLPyramid() override;

    void Draw(GLenum mode) override;
    std::unique_ptr<TGLObject> CreateNew() override;
    std::uint64_t TrianglesAt(int) const override { return 6; }
};
