// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TObjectDragTool.h"

// Dragging grows the current object's scale by a twentieth of the movement
// in view units: the left button grows x (horizontal) and y (vertical), the
// right button z (horizontal); with Shift the scale first becomes uniform and
// then grows evenly (mtScale).
class TScaleTool : public TObjectDragTool {
public:
    explicit TScaleTool(TfrmPlot& view);
    void Move(const TToolEvent& e) override;
};
