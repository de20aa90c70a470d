// SPDX-License-Identifier: GPL-3.0-or-later
#include "TGLPlane.h"

namespace {

const float kCorners[4][3] = {{.5f, 0, .5f}, {.5f, 0, -.5f}, {-.5f, 0, -.5f}, {-.5f, 0, .5f}};
const float kTexCoords[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};

} // namespace

TGLPlane::TGLPlane(float x, float y) { SetXY(x, y); }
TGLPlane::~TGLPlane() = default;

void TGLPlane::Draw(GLenum mode)
{
    BeginDraw(mode);
    gl::Begin(GL_QUADS);
    gl::Normal3f(0, 1, 0);
    White();
    for (int v = 0; v < 4; ++v) {
        TexCoord(kTexCoords[v][0], kTexCoords[v][1]);
        gl::Vertex3f(kCorners[v][0], kCorners[v][1], kCorners[v][2]);
    }
    gl::End();
    if (FSelected) {
        const bool lighting = BeginMarker();
        MarkerPoints(kCorners, 4);
        DrawLocalAxes(0.2, 0.2, 0.2, 0.02, 2);
        EndMarker(lighting);
    }
    EndDraw(mode);
}

std::unique_ptr<TGLObject> TGLPlane::CreateNew() { return std::make_unique<TGLPlane>(FX, FY); }
