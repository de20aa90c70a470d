// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TViewTool.h"
#include "TfrmPlot.h"

#include <array>
#include <memory>

// The mouse tools of one view, one object per TMouseTool code. Each view has
// its own, so that a drag's start state belongs to the view it happens in.
class TToolTable {
public:
    explicit TToolTable(TfrmPlot& view);
    ~TToolTable();

    // The tool of a code; a code that names no tool gets one that does nothing.
    TViewTool& For(unsigned char code);

    static constexpr std::size_t kCount = mtCameraTranslate + 1;

private:
    std::array<std::unique_ptr<TViewTool>, kCount> FTools;
    TViewTool FNone;
};
