// SPDX-License-Identifier: GPL-3.0-or-later
#include "TGLCube.h"

namespace {

struct Face {
    float normal[3];
    float corners[4][3];
};

// Back, top, right, left, bottom, front; each face's corners take the texture
// coordinates (0,0), (1,0), (1,1), (0,1) in order.
const Face kFaces[6] = {
    {{0, 0, -1}, {{-.5f, -.5f, -.5f}, {.5f, -.5f, -.5f}, {.5f, .5f, -.5f}, {-.5f, .5f, -.5f}}},
    {{0, 1, 0}, {{.5f, .5f, -.5f}, {-.5f, .5f, -.5f}, {-.5f, .5f, .5f}, {.5f, .5f, .5f}}},
    {{1, 0, 0}, {{.5f, .5f, -.5f}, {.5f, -.5f, -.5f}, {.5f, -.5f, .5f}, {.5f, .5f, .5f}}},
    {{-1, 0, 0}, {{-.5f, .5f, -.5f}, {-.5f, -.5f, -.5f}, {-.5f, -.5f, .5f}, {-.5f, .5f, .5f}}},
    {{0, -1, 0}, {{.5f, -.5f, -.5f}, {-.5f, -.5f, -.5f}, {-.5f, -.5f, .5f}, {.5f, -.5f, .5f}}},
    {{0, 0, 1}, {{-.5f, -.5f, .5f}, {.5f, -.5f, .5f}, {.5f, .5f, .5f}, {-.5f, .5f, .5f}}},
};

const float kTexCoords[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};

const float kCorners[8][3] = {{.5f, .5f, .5f},  {.5f, -.5f, .5f},  {.5f, .5f, -.5f},   {.5f, -.5f, -.5f},
                              {-.5f, .5f, .5f}, {-.5f, -.5f, .5f}, {-.5f, -.5f, -.5f}, {-.5f, .5f, -.5f}};

} // namespace

TGLCube::TGLCube(float x, float y) { SetXY(x, y); }
TGLCube::~TGLCube() = default;

void TGLCube::Draw(GLenum mode)
{
    BeginDraw(mode);
    gl::Begin(GL_QUADS);
    for (int f = 0; f < 6; ++f) {
        const Face& face = kFaces[f];
        gl::Normal3f(face.normal[0], face.normal[1], face.normal[2]);
        if (f == 0)
            White();
        for (int v = 0; v < 4; ++v) {
            TexCoord(kTexCoords[v][0], kTexCoords[v][1]);
            gl::Vertex3f(face.corners[v][0], face.corners[v][1], face.corners[v][2]);
        }
    }
    gl::End();
    if (FSelected) {
        const bool lighting = BeginMarker();
        MarkerPoints(kCorners, 8);
        DrawLocalAxes(1, 1, 1, 0.1, 2);
        EndMarker(lighting);
    }
    EndDraw(mode);
}

std::unique_ptr<TGLObject> TGLCube::CreateNew() { return std::make_unique<TGLCube>(FX, FY); }
