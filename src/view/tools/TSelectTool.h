// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TViewTool.h"

// A click selects the object under the mouse; clicking again at the same
// point steps through the objects there (mtSelect).
class TSelectTool : public TViewTool {
public:
    using TViewTool::TViewTool;
    void Release(const TToolEvent& e) override;
};
