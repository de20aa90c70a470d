// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TObjectDragTool.h"

// Dragging moves the current object by the mouse's movement in view units:
// the left button in x and y, the right button in z (vertical movement only).
// A light's OpenGL position and the light options follow (mtTranslate).
class TTranslateTool : public TObjectDragTool {
public:
    explicit TTranslateTool(TfrmPlot& view);
    void Move(const TToolEvent& e) override;
};
