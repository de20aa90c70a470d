// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TGLObject.h"

// The unit square in the x-z plane at y = 0.
class TGLPlane : public TGLObject {
public:
    TGLPlane(float x, float y);
    ~TGLPlane() override;

    void Draw(GLenum mode) override;
    std::unique_ptr<TGLObject> CreateNew() override;
    std::uint64_t TrianglesAt(int) const override { return 2; }
};
