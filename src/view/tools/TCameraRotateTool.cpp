// SPDX-License-Identifier: GPL-3.0-or-later
#include "TCameraRotateTool.h"

#include "TSceneDocument.h"
#include "TfrmPlot.h"

TCameraRotateTool::TCameraRotateTool(TfrmPlot& view) : TCameraDragTool(view, QStringLiteral("Rotate Camera"))
{
}

void TCameraRotateTool::Turn(float& angle, float delta)
{
    angle += delta;
    if (angle > 360)
        angle -= 360;
}

void TCameraRotateTool::Move(const TToolEvent& e)
{
    if (!Held(e))
        return;
    Open();
    float dx, dy, left, right, bottom, top;
    Delta(e, dx, dy);
    View().GetViewExtents(left, right, bottom, top);
    const float ay = dx * 360 / (right - left);
    const float ax = dy * 360 / (top - bottom);
    TViewState& view = Document().LiveView();
    Turn(view.CameraRotation[1], ay);
    Turn(view.RotateXY ? view.CameraRotation[0] : view.CameraRotation[2], ax);
    MoveAnchor(e);
    View().UpdateProjection();
    View().RenderScene(GL_RENDER);
}
