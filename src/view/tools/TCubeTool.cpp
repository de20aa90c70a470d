#include "TCubeTool.h"

#include "TfrmPlot.h"

void TCubeTool::Press(const TToolEvent& e) { View().AddCube(e.vx, e.vy); }
