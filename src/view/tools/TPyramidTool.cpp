// SPDX-License-Identifier: GPL-3.0-or-later
#include "TPyramidTool.h"

#include "TfrmPlot.h"

void TPyramidTool::Press(const TToolEvent& e) { View().AddPyramid(e.vx, e.vy); }
