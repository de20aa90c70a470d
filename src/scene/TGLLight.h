// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TGLObject.h"

#include <cstdint>

// A light source. It holds one of OpenGL's eight light units for as long as
// it exists, sends its colours and position to it, and draws as a wire cube
// in the object colour so that it can be picked and moved.
class TGLLight : public TGLObject {
public:
    static constexpr int kMaxLights = 8;

    // Takes the lowest free unit and enables it. At the limit of eight lights
    // it takes none and touches no OpenGL state (the caller checks
    // GetLightCount first).
    TGLLight(float x, float y);
    // Disables the unit and gives it back.
    ~TGLLight() override;

    void Draw(GLenum mode) override;
    std::unique_ptr<TGLObject> CreateNew() override;
    const char* GetTypeName() override;

    // Lights in existence, in all views together.
    static int GetLightCount();

    // Whether this light holds a unit (false only when built at the limit).
    bool HasUnit() const { return FLightIndex >= 0; }
    // GL_LIGHT0 + the unit index; only meaningful when HasUnit().
    GLenum Unit() const { return static_cast<GLenum>(GL_LIGHT0 + FLightIndex); }

    void ApplyColors();
    void ApplyPosition();
    // which: 0 ambient, 1 diffuse, anything else specular. Re-sends all colours.
    void SetLightColor(int which, float r, float g, float b);
    void GetLightColor(int which, float& r, float& g, float& b) const;
    void SetW(float w) { FW = w; }
    float GetW() const { return FW; }
    // Gives the unit back (disabling it) while the light is out of the scene,
    // as when an edit that removed it waits to be undone.
    void ReleaseUnit();
    // Takes the lowest free unit again and sends it everything the light
    // holds; false, changing nothing, when all units are held.
    bool AcquireUnit();
    bool IsDirectional() const { return FW == 0; }
    // Sends the unit everything it holds and enables it (a new context).
    void Restore();

private:
    float* Component(int which);
    const float* Component(int which) const;

    float FLightAmbient[4] = {0, 0, 0, 1};
    float FLightDiffuse[4] = {1, 1, 1, 1};
    float FLightSpecular[4] = {1, 1, 1, 1};
    std::int32_t FLightIndex = -1;
    float FW = 1;
};
