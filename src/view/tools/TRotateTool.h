// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TObjectDragTool.h"

// Dragging turns the current object against the mouse: a sweep across the
// view's width turns it by -360 degrees about y, one over its height by -360
// degrees about x, or about z when the view rotates about z and y
// (mtRotate).
class TRotateTool : public TObjectDragTool {
public:
    explicit TRotateTool(TfrmPlot& view);
    void Move(const TToolEvent& e) override;
};
