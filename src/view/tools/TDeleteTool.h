// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TViewTool.h"

// A click deletes the object a select click at the same point would select
// (mtDelete).
class TDeleteTool : public TViewTool {
public:
    using TViewTool::TViewTool;
    void Release(const TToolEvent& e) override;
};
