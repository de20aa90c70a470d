// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TGLObject.h"

// A minimal concrete scene object: a unit quad facing +z, drawn between the
// base class's prologue and epilogue.
class TTestShape : public TGLObject {
public:
    TTestShape(float x = 0, float y = 0) { SetXY(x, y); }

    void Draw(GLenum mode) override
    {
        BeginDraw(mode);
        gl::Begin(GL_QUADS);
        gl::Normal3f(0, 0, 1);
        gl::Vertex3f(-0.5f, -0.5f, 0);
        gl::Vertex3f(0.5f, -0.5f, 0);
        gl::Vertex3f(0.5f, 0.5f, 0);
        gl::Vertex3f(-0.5f, 0.5f, 0);
        gl::End();
        EndDraw(mode);
    }
    std::unique_ptr<TGLObject> CreateNew() override { return std::make_unique<TTestShape>(FX, FY); }

    static int Destroyed;
    ~TTestShape() override { ++Destroyed; }
};

inline int TTestShape::Destroyed = 0;
