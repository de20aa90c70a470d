// SPDX-License-Identifier: GPL-3.0-or-later
#include "TTranslateTool.h"

#include "TGLLight.h"
#include "TSceneDocument.h"
#include "TfrmPlot.h"

TTranslateTool::TTranslateTool(TfrmPlot& view) : TObjectDragTool(view, QStringLiteral("Move")) {}

void TTranslateTool::Move(const TToolEvent& e)
{
    TGLObject* current = Document().Current();
    if (!current || !Held(e))
        return;
    Open(current);
    float dx, dy;
    Delta(e, dx, dy);
    // Both buttons: the left button's branch.
    if (e.buttons & Qt::LeftButton) {
        float ox, oy;
        current->GetXY(ox, oy);
        current->SetXY(ox + dx, oy + dy);
    } else {
        float oz;
        current->GetZ(oz);
        current->SetZ(oz + dy);
    }
    MoveAnchor(e);
    if (IsLightObject(current)) {
        View().UpdateLightPanel();
        if (View().MakeCurrent())
            static_cast<TGLLight*>(current)->ApplyPosition();
    }
    View().RenderScene(GL_RENDER);
}
