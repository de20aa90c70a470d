#include "TIcosahedronTool.h"

#include "TfrmPlot.h"

void TIcosahedronTool::Press(const TToolEvent& e) { View().AddIcosahedron(e.vx, e.vy); }
