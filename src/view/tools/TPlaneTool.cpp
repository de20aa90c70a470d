// SPDX-License-Identifier: GPL-3.0-or-later
#include "TPlaneTool.h"

#include "TfrmPlot.h"

void TPlaneTool::Press(const TToolEvent& e) { View().AddPlane(e.vx, e.vy); }
