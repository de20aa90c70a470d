// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TCameraDragTool.h"

// Dragging turns the camera with the mouse, needing no current object: a
// sweep across the view's width turns it by 360 degrees about y, one over its
// height by 360 degrees about x, or about z when the view rotates about z and
// y. An angle past 360 folds back once (mtCameraRotate).
class TCameraRotateTool : public TCameraDragTool {
public:
    explicit TCameraRotateTool(TfrmPlot& view);
    void Move(const TToolEvent& e) override;
    // Adds delta to a camera angle, folding it back once if it passes 360.
    static void Turn(float& angle, float delta);
};
