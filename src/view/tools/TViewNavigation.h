// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SceneState.h"
#include "TViewTool.h"

#include <QPoint>
#include <QString>
#include <QVector3D>

// Moving about the scene with the middle button, whatever the view's tool:
// a middle drag orbits the camera about the scene's centre, Shift + middle
// drag pans, Ctrl + middle drag zooms about the point pressed. Each drag is
// one undo step in the view's history. A middle click that does not move
// is left to the tool, as a click of any other button is.
class TViewNavigation {
public:
    explicit TViewNavigation(TfrmPlot& view);

    enum class Mode { Orbit, Pan, Zoom };
    // What a middle drag does with these keys held: Ctrl zooms, otherwise
    // Shift pans, otherwise it orbits.
    static Mode ModeFor(Qt::KeyboardModifiers modifiers);
    static QString StepText(Mode mode);
    // The buttons and keys that move about the scene, for tool tips.
    static QString HelpText();

    // How much one step of the wheel (or of Zoom In) enlarges the picture, and
    // how many pixels of upward movement of a zoom drag make one such step.
    static constexpr float kZoomStep = 1.25f;
    static constexpr float kZoomPixels = 40;
    // A press that moves less than this many pixels (in x or y) is a click.
    static constexpr int kClickSlop = 3;

    // Zooms v by factor about the view point (vx, vy), which stays where it
    // is on the screen; the zoom stays within 1/1000 and 1000.
    static void ZoomAbout(TViewState& v, float factor, float vx, float vy);

    // The middle button went down; the drag starts once the mouse has moved.
    void Press(const TToolEvent& e);
    // A press is being handled, until its release.
    bool IsActive() const { return FActive; }
    QPoint PressPoint() const { return FPress; }
    void Move(const TToolEvent& e);
    // Ends the press. False when it was a click (the mouse never moved far
    // enough to drag), which the caller hands to the tool.
    bool Release();
    // Ends the press as Release does, when its release went unseen.
    void Finish();

private:
    void Step(const TToolEvent& e);

    TfrmPlot& FView;
    bool FActive = false;
    bool FDragging = false;
    Mode FMode = Mode::Orbit;
    QPoint FPress;
    QPoint FLast;
    float FLastX = 0, FLastY = 0; // FLast in view units
    QVector3D FPivot;
    TViewState FBefore;
};
