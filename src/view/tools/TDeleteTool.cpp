// SPDX-License-Identifier: GPL-3.0-or-later
#include "TDeleteTool.h"

#include "TfrmPlot.h"

void TDeleteTool::Release(const TToolEvent& e)
{
    View().PickObject(e.x, e.y);
    View().DeleteCurrent();
}
