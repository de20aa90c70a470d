// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TViewTool.h"

// A click with any button places a pyramid at the mouse (mtPyramid).
class TPyramidTool : public TViewTool {
public:
    using TViewTool::TViewTool;
    void Press(const TToolEvent& e) override;
};
