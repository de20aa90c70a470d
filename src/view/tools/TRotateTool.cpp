// SPDX-License-Identifier: GPL-3.0-or-later
#include "TRotateTool.h"

#include "TGLObject.h"
#include "TSceneDocument.h"
#include "TfrmPlot.h"

TRotateTool::TRotateTool(TfrmPlot& view) : TObjectDragTool(view, QStringLiteral("Rotate")) {}

void TRotateTool::Move(const TToolEvent& e)
{
    TGLObject* current = Document().Current();
    if (!current || !Held(e))
        return;
    Open(current);
    float dx, dy, left, right, bottom, top;
    Delta(e, dx, dy);
    View().GetViewExtents(left, right, bottom, top);
    const float ay = dx * -360 / (right - left);
    const float ax = dy * -360 / (top - bottom);
    if (View().GetRotateXY())
        current->RotateXY(ax, ay);
    else
        current->RotateZY(ax, ay);
    View().RenderScene(GL_RENDER);
    MoveAnchor(e);
}
