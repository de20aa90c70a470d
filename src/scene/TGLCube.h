// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TGLObject.h"

// The axis-aligned cube of edge 1 centred on its origin.
class TGLCube : public TGLObject {
public:
    TGLCube(float x, float y);
    ~TGLCube() override;

    void Draw(GLenum mode) override;
    std::unique_ptr<TGLObject> CreateNew() override;
    std::uint64_t TrianglesAt(int) const override { return 12; }
};
