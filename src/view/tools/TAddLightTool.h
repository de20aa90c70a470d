// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TViewTool.h"

// A click places a light at the mouse, while a light unit is free
// (mtAddLight).
class TAddLightTool : public TViewTool {
public:
    using TViewTool::TViewTool;
    void Press(const TToolEvent& e) override;
};
