// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TViewTool.h"

// A click with any button places a cube at the mouse (mtCube).
class TCubeTool : public TViewTool {
public:
    using TViewTool::TViewTool;
    void Press(const TToolEvent& e) override;
};
