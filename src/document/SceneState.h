// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "GlDevice.h"

#include <array>
#include <cstdint>

class TGLObject;

// Everything about one object that an edit can change, apart from its place
// in the list and its geometry: placement, colours, texture, material, detail
// and, for lights, the light's colours and position kind.
struct TObjectState {
    std::array<float, 3> Position{};
    std::array<float, 3> Rotation{};
    std::array<float, 3> Scale{};
    std::array<float, 3> Color{};
    GLuint Texture = 0;
    std::array<float, 4> Specular{};
    float Shininess = 0;
    int Detail = -1;
    // Lights only.
    std::array<float, 3> Ambient{};
    std::array<float, 3> Diffuse{};
    std::array<float, 3> LightSpecular{};
    float W = 1;

    bool operator==(const TObjectState& other) const;
    bool operator!=(const TObjectState& other) const { return !(*this == other); }

    static TObjectState Capture(const TGLObject& obj);
    // Gives obj this state. A light sends its new colours and position to its
    // unit in the current context.
    void Apply(TGLObject& obj) const;
};

// Whether obj is a light (its class name says so).
bool IsLightObject(const TGLObject* obj);

// The view's side of a scene: camera, projection and the options that decide
// how the objects are drawn.
struct TViewState {
    // Camera: rotation in degrees about x, y, z; translation in view units;
    // zoom divides the base extents (2 shows everything half as large).
    std::array<float, 3> CameraRotation{20, 20, 0};
    std::array<float, 3> CameraTranslation{0, 0, 0};
    float Zoom = 1;
    bool Perspective = false;
    bool WireFrame = false;
    bool DrawAxis = true;
    bool Lighting = false;
    // Drags rotate about x and y (true) or about z and y (false).
    bool RotateXY = true;
    // The background stays OpenGL's initial white until a colour is chosen.
    bool BackColorSet = false;
    std::array<float, 3> BackColor{0, 0, 0};
    std::int32_t AnimateFlags = 0;
    std::int32_t AnimateStep = 5;
    std::int32_t AnimationInterval = 1;

    bool operator==(const TViewState& other) const;
    bool operator!=(const TViewState& other) const { return !(*this == other); }
};
