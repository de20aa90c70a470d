// SPDX-License-Identifier: GPL-3.0-or-later
#include "TScaleTool.h"

#include "TGLObject.h"
#include "TSceneDocument.h"
#include "TfrmPlot.h"

TScaleTool::TScaleTool(TfrmPlot& view) : TObjectDragTool(view, QStringLiteral("Scale")) {}

void TScaleTool::Move(const TToolEvent& e)
{
    TGLObject* current = Document().Current();
    if (!current || !Held(e))
        return;
    Open(current);
    float dx, dy;
    Delta(e, dx, dy);
    const float sx = dx * 0.05f;
    const float sy = dy * 0.05f;
    MoveAnchor(e);
    // Both buttons: the right button's branch.
    if (e.modifiers & Qt::ShiftModifier)
        current->GrowScale(sx, sx, sx, true);
    else if (e.buttons & Qt::RightButton)
        current->GrowScale(0, 0, sx, false);
    else
        current->GrowScale(sx, sy, 0, false);
    View().RenderScene(GL_RENDER);
}
