// SPDX-License-Identifier: GPL-3.0-or-later
#include "TCameraDragTool.h"

#include "TfrmPlot.h"

TCameraDragTool::TCameraDragTool(TfrmPlot& view, const QString& step) : TViewTool(view), FStep(step) {}

void TCameraDragTool::Press(const TToolEvent&) { Open(); }

void TCameraDragTool::Release(const TToolEvent&) { Finish(); }

void TCameraDragTool::Open()
{
    if (FOpen)
        return;
    FOpen = true;
    FBefore = Document().View();
}

void TCameraDragTool::Finish()
{
    if (!FOpen)
        return;
    FOpen = false;
    Document().CommitViewEdit(FBefore, FStep);
}
