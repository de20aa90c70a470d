// SPDX-License-Identifier: GPL-3.0-or-later
#include "TCubeTool.h"

#include "TfrmPlot.h"

void TCubeTool::Press(const TToolEvent& e) { View().AddCube(e.vx, e.vy); }
