// SPDX-License-Identifier: GPL-3.0-or-later
#include "TGLPyramid.h"

namespace {

const float s = 0.70710677f; // single-precision square root of one half

const float kMarker[5][3] = {
    {0, .5f, 0}, {.5f, -.5f, -.5f}, {-.5f, -.5f, -.5f}, {-.5f, -.5f, .5f}, {.5f, -.5f, .5f}};

} // namespace

TGLPyramid::TGLPyramid(float x, float y) { SetXY(x, y); }
TGLPyramid::~TGLPyramid() = default;

void TGLPyramid::Draw(GLenum mode)
{
    BeginDraw(mode);
    // Flat shading lights each side with the normal of its last vertex.
    gl::ShadeModel(GL_FLAT);

    gl::Begin(GL_QUADS);
    gl::Normal3f(0, -1, 0);
    White();
    TexCoord(0, 0);
    gl::Vertex3f(.5f, -.5f, -.5f);
    TexCoord(1, 0);
    gl::Vertex3f(-.5f, -.5f, -.5f);
    TexCoord(1, 1);
    gl::Vertex3f(-.5f, -.5f, .5f);
    TexCoord(0, 1);
    gl::Vertex3f(.5f, -.5f, .5f);
    gl::End();

    gl::Begin(GL_TRIANGLE_FAN);
    gl::Normal3f(0, 1, 0);
    White();
    TexCoord(0, 0);
    TexCoord(1, 0);
    gl::Vertex3f(0, .5f, 0);
    gl::Normal3f(0, s, -s);
    TexCoord(1, 1);
    gl::Vertex3f(.5f, -.5f, -.5f);
    gl::Normal3f(0, s, -s);
    TexCoord(0, 1);
    gl::Vertex3f(-.5f, -.5f, -.5f);
    gl::Normal3f(-s, s, 0);
    TexCoord(1, 1);
    gl::Vertex3f(-.5f, -.5f, .5f);
    gl::Normal3f(0, s, s);
    TexCoord(0, 1);
    gl::Vertex3f(.5f, -.5f, .5f);
    gl::Normal3f(s, s, 0);
    TexCoord(1, 1);
    gl::Vertex3f(.5f, -.5f, -.5f);
    gl::End();

    if (FSelected) {
        const bool lighting = BeginMarker();
        MarkerPoints(kMarker, 5);
        DrawLocalAxes(1, 1, 1, 0.1, 2);
        EndMarker(lighting);
    }
    gl::ShadeModel(GL_SMOOTH);
    EndDraw(mode);
}

std::unique_ptr<TGLObject> TGLPyramid::CreateNew() { return std::make_unique<TGLPyramid>(FX, FY); }
