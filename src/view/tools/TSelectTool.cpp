// SPDX-License-Identifier: GPL-3.0-or-later
#include "TSelectTool.h"

#include "TfrmPlot.h"

void TSelectTool::Release(const TToolEvent& e)
{
    View().PickObject(e.x, e.y);
    View().RenderScene(GL_RENDER);
}
