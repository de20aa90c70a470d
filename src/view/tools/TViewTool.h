// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <Qt>

class TfrmPlot;
class TSceneDocument;

// One mouse event over a view, as a tool sees it.
struct TToolEvent {
    // The button that went down or up (presses and releases).
    Qt::MouseButton button = Qt::NoButton;
    // The buttons held (moves).
    Qt::MouseButtons buttons;
    Qt::KeyboardModifiers modifiers;
    // Client pixels, y growing downwards, and the same point in view units.
    int x = 0, y = 0;
    float vx = 0, vy = 0;
};

// What a mouse tool does in a view. The view keeps the context, the camera
// and the drawing and hands the tool of its current code (FTool) the mouse:
// the tool turns it into edits of the view's document. A tool that drags keeps
// its own start state and makes the whole drag one undo step.
//
// This class is also the tool of codes that name none: it does nothing.
class TViewTool {
public:
    explicit TViewTool(TfrmPlot& view) : FView(view) {}
    virtual ~TViewTool() = default;
    TViewTool(const TViewTool&) = delete;
    TViewTool& operator=(const TViewTool&) = delete;

    // A button went down. The view has set the drag anchor (FMouseX, FMouseY)
    // to the point already.
    virtual void Press(const TToolEvent&) {}
    // The pointer moved, with or without a button held. The view has shown
    // the position in its read-out already.
    virtual void Move(const TToolEvent&) {}
    // A button came up.
    virtual void Release(const TToolEvent&) {}
    // Ends a drag in progress as one undo step; the view calls it when its
    // tool changes while a button is held. Nothing when there is no drag.
    virtual void Finish() {}
    // Draws over the scene, after the objects, in the frame's projection.
    virtual void DrawOverlay() {}

protected:
    TfrmPlot& View() const { return FView; }
    TSceneDocument& Document() const;
    // The movement from the drag anchor to the event, in view units, and
    // moving the anchor on to the event: each step of a drag applies only
    // what the mouse moved since the step before.
    void Delta(const TToolEvent& e, float& dx, float& dy) const;
    void MoveAnchor(const TToolEvent& e) const;
    // The left or the right button is held; the middle one plays no part.
    static bool Held(const TToolEvent& e) { return e.buttons & (Qt::LeftButton | Qt::RightButton); }

private:
    TfrmPlot& FView;
};
