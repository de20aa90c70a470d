// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The two narrow ways a view reaches the control panels, without knowing them:
// the WorkSpace panel's light options, and the Output panel's colours. The
// frame that holds both the views and the panels wires them into each view;
// where a view has none it skips its notifications and uses defaults.

class TLightOptions {
public:
    virtual ~TLightOptions() = default;
    virtual void EnableLightOptions() = 0;
    virtual void DisableLightOptions() = 0;
    // which: 0 ambient, 1 diffuse, 2 specular; r, g, b in 0..1.
    virtual void ShowLightValues(int which, bool directional, float r, float g, float b) = 0;
    // The light component the panel shows: 0 ambient, 1 diffuse, 2 specular.
    virtual int SelectedLightComponent() const = 0;
};

class TColorSource {
public:
    virtual ~TColorSource() = default;
    // The swatch colours as RGB values (red in the lowest byte).
    virtual int ForegroundColor() const = 0;
    virtual int BackgroundColor() const = 0;
};

// The panels one view talks to; either may be missing. Whoever wires them
// unwires them before a panel goes.
struct TViewPanels {
    TLightOptions* lights = nullptr;
    TColorSource* colors = nullptr;
};

// The colour new objects take while a view has no colour source: red.
constexpr int kDefaultForeground = 0x0000FF;
