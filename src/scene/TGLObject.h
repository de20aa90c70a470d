// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "GlDevice.h"

#include <array>
#include <cstdint>
#include <memory>

// Base class of everything a view shows and the user can pick. Objects are
// modelled in unit size around their own origin; the base class holds colour,
// placement, texture and material and wraps every Draw in BeginDraw/EndDraw.
//
// A view keeps its objects in a singly linked list through FNext; the list
// owns them (each node owns its successor's lifetime through the view, see
// DeleteFollowing), and FID numbers them for OpenGL picking.
class TGLObject {
public:
    TGLObject();
    virtual ~TGLObject();
    TGLObject(const TGLObject&) = delete;
    TGLObject& operator=(const TGLObject&) = delete;

    // Emits the object's geometry in the given render mode (GL_RENDER or GL_SELECT).
    virtual void Draw(GLenum mode) = 0;
    // Level of detail; only subdivided shapes use it.
    virtual void SetDetail(int level);
    // A copy at the same position, colour, rotation and scale, untextured and
    // without material; unlinked and unnumbered.
    virtual std::unique_ptr<TGLObject> Clone();
    // A freshly constructed object of the same class at this object's FX, FY.
    virtual std::unique_ptr<TGLObject> CreateNew() = 0;
    // "TGLLight" for lights, "TGLObject" for everything else.
    virtual const char* GetTypeName();

    TGLObject* GetNext() const { return FNext; }
    void SetNext(TGLObject* next) { FNext = next; }
    // Links obj (which the list then owns) after the tail and numbers it tail FID + 1.
    TGLObject* Append(std::unique_ptr<TGLObject> obj);
    // Destroys every object after this one; this object's FNext is left dangling
    // for the caller, who destroys this object next.
    void DeleteFollowing();
    TGLObject* FindByID(int id);
    int GetID() const { return FID; }
    // Gives back an object's number when it returns to the list it left.
    void SetID(int id) { FID = id; }

    // rgb is red in bits 0-7, green in 8-15, blue in 16-23.
    void SetColor(int rgb);
    void SetXY(float x, float y);
    void GetXY(float& x, float& y) const;
    void SetZ(float z) { FZ = z; }
    void GetZ(float& z) const { z = FZ; }
    // Colour components in 0..1, kept exactly (SetColor rounds to bytes).
    void SetColorF(float r, float g, float b);
    void SetRotation(float x, float y, float z);
    void SetScale(float x, float y, float z);
    // Level of detail of subdivided shapes; -1 for every other class.
    virtual int GetDetail() const { return -1; }
    // Triangles a frame draws of the object's faces (a quadrilateral counts
    // two) at the given level of detail; shapes without levels ignore it.
    virtual std::uint64_t TrianglesAt(int level) const;
    std::uint64_t Triangles() const { return TrianglesAt(GetDetail()); }
    void RotateXY(float dx, float dy);
    void RotateZY(float dz, float dy);
    void GrowScale(float dx, float dy, float dz, bool uniform);
    void SetSelected(bool on) { FSelected = on; }
    // The colour every selection marker is drawn in (white unless set); a view
    // sets the one that shows on its background before it draws.
    static void SetMarkerColor(const std::array<float, 3>& rgb);
    static const std::array<float, 3>& MarkerColor();
    void SetTexture(GLuint name) { FTexture = name; }
    void SetSpecular(float r, float g, float b);
    void SetShininess(float s) { FShininess = s; }

    // Read access for views, panels and tests.
    void GetColor(float& r, float& g, float& b) const;
    void GetRotation(float& x, float& y, float& z) const;
    void GetScale(float& x, float& y, float& z) const;
    GLuint GetTexture() const { return FTexture; }
    const float* GetSpecular() const { return FSpecular; }
    void SetSpecular4(const float s[4]);
    float GetShininess() const { return FShininess; }
    bool IsSelected() const { return FSelected; }

    void BeginDraw(GLenum mode);
    void EndDraw(GLenum mode);
    void DrawLocalAxes(double ex, double ey, double ez, double arrow, double width);

protected:
    // Copies what Clone copies from this object into copy.
    void CopyBaseInto(TGLObject& copy) const;

    // The selection marker shapes draw after their geometry: untextured,
    // unlit and in the marker colour. BeginMarker returns whether lighting was on, which
    // EndMarker restores.
    bool BeginMarker();
    void EndMarker(bool lightingWasOn);
    // The marker's corner points, three pixels wide.
    static void MarkerPoints(const float (*points)[3], int count);
    // Texture coordinate and white colour, issued only for a textured object.
    void TexCoord(float s, float t) const
    {
        if (FTexture != 0)
            gl::TexCoord2f(s, t);
    }
    void White() const
    {
        if (FTexture != 0)
            gl::Color3f(1, 1, 1);
    }

    TGLObject* FNext = nullptr;
    float FRed = 0;
    float FBlue = 0;
    float FGreen = 0;
    int FID = 1;
    float FX = 0, FY = 0, FZ = 0;
    float FRotX = 0, FRotY = 0, FRotZ = 0;
    float FScaleX = 1, FScaleY = 1, FScaleZ = 1;
    GLuint FTexture = 0;
    float FSpecular[4] = {0, 0, 0, 0};
    float FShininess = 0;
    bool FSelected = false;
};

// The marker colour that stands out from a background (r, g, b in 0..1):
// black on light backgrounds, white on dark ones, by relative luminance.
std::array<float, 3> MarkerColorFor(const std::array<float, 3>& background);

// Scales v in place to unit length (the length computed in double precision);
// a zero vector stays zero.
void NormalizeVector(float v[3]);

// Draws text at a raster position through the bitmap-font display lists the
// view set up (one list per character code, relative to the list base).
void GLTextOut(const char* text, float x, float y, float z);
