#include "TPyramidTool.h"

#include "TfrmPlot.h"

void TPyramidTool::Press(const TToolEvent& e) { View().AddPyramid(e.vx, e.vy); }
