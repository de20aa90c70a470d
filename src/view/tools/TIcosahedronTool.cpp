// SPDX-License-Identifier: GPL-3.0-or-later
#include "TIcosahedronTool.h"

#include "TfrmPlot.h"

void TIcosahedronTool::Press(const TToolEvent& e) { View().AddIcosahedron(e.vx, e.vy); }
