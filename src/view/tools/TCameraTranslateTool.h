// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TCameraDragTool.h"

// Dragging moves the camera by the mouse's movement in view units, needing no
// current object: the left button in x and y (the scene follows the mouse),
// the right button in z (vertical movement only) (mtCameraTranslate).
class TCameraTranslateTool : public TCameraDragTool {
public:
    explicit TCameraTranslateTool(TfrmPlot& view);
    void Move(const TToolEvent& e) override;
};
