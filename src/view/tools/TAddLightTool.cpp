// SPDX-License-Identifier: GPL-3.0-or-later
#include "TAddLightTool.h"

#include "TfrmPlot.h"

// The light goes where the anchor is, which the press has just set.
void TAddLightTool::Press(const TToolEvent&) { View().AddLight(); }
