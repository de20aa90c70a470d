// SPDX-License-Identifier: GPL-3.0-or-later
#include "TCameraTranslateTool.h"

#include "TSceneDocument.h"
#include "TfrmPlot.h"

TCameraTranslateTool::TCameraTranslateTool(TfrmPlot& view)
    : TCameraDragTool(view, QStringLiteral("Move Camera"))
{
}

void TCameraTranslateTool::Move(const TToolEvent& e)
{
    if (!Held(e))
        return;
    Open();
    float dx, dy;
    Delta(e, dx, dy);
    TViewState& view = Document().LiveView();
    // Both buttons: the left button's branch.
    if (e.buttons & Qt::LeftButton) {
        view.CameraTranslation[0] += dx;
        view.CameraTranslation[1] += dy;
    } else {
        view.CameraTranslation[2] += dy;
    }
    MoveAnchor(e);
    View().UpdateProjection();
    View().RenderScene(GL_RENDER);
}
