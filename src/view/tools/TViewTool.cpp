// SPDX-License-Identifier: GPL-3.0-or-later
#include "TViewTool.h"

#include "TfrmPlot.h"

TSceneDocument& TViewTool::Document() const { return *FView.Document(); }

void TViewTool::Delta(const TToolEvent& e, float& dx, float& dy) const
{
    float x, y;
    FView.GetMouseAnchor(x, y);
    dx = e.vx - x;
    dy = e.vy - y;
}

void TViewTool::MoveAnchor(const TToolEvent& e) const { FView.SetMouseAnchor(e.vx, e.vy); }
