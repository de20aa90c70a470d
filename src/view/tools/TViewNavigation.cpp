// SPDX-License-Identifier: GPL-3.0-or-later
#include "TViewNavigation.h"

#include "SceneBounds.h"
#include "TCameraRotateTool.h"
#include "TSceneDocument.h"
#include "TfrmPlot.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

TViewNavigation::TViewNavigation(TfrmPlot& view) : FView(view) {}

TViewNavigation::Mode TViewNavigation::ModeFor(Qt::KeyboardModifiers modifiers)
{
    if (modifiers & Qt::ControlModifier)
        return Mode::Zoom;
    if (modifiers & Qt::ShiftModifier)
        return Mode::Pan;
    return Mode::Orbit;
}

QString TViewNavigation::StepText(Mode mode)
{
    switch (mode) {
    case Mode::Pan:
        return QStringLiteral("Pan");
    case Mode::Zoom:
        return QStringLiteral("Zoom");
    case Mode::Orbit:
        break;
    }
    return QStringLiteral("Orbit");
}

QString TViewNavigation::HelpText()
{
    return QStringLiteral("With any tool: middle drag orbits about the scene's centre, Shift + middle drag "
                          "pans, Ctrl + middle drag or the wheel zooms, F frames the current object, Home "
                          "resets the camera");
}

void TViewNavigation::ZoomAbout(TViewState& v, float factor, float vx, float vy)
{
    if (!(factor > 0) || !std::isfinite(factor))
        return;
    const float zoom = std::clamp(v.Zoom * factor, 1e-3f, 1e3f);
    const float f = zoom / v.Zoom;
    // View coordinates shrink by f about the centre; the camera follows so
    // that the scene point at (vx, vy) stays there.
    v.CameraTranslation[0] += vx * (1 / f - 1);
    v.CameraTranslation[1] += vy * (1 / f - 1);
    v.Zoom = zoom;
}

void TViewNavigation::Press(const TToolEvent& e)
{
    FActive = true;
    FDragging = false;
    FMode = ModeFor(e.modifiers);
    FPress = FLast = QPoint(e.x, e.y);
    FLastX = e.vx;
    FLastY = e.vy;
    TSceneDocument& doc = *FView.Document();
    FBefore = doc.View();
    // The centre of everything in the scene, in scene coordinates.
    QVector3D lo, hi;
    FPivot = BoundsIn(QMatrix4x4(), doc.Objects(), lo, hi) ? (lo + hi) / 2 : QVector3D();
}

void TViewNavigation::Move(const TToolEvent& e)
{
    if (!FActive)
        return;
    if (!FDragging) {
        if (std::abs(e.x - FPress.x()) < kClickSlop && std::abs(e.y - FPress.y()) < kClickSlop)
            return;
        FDragging = true;
    }
    Step(e);
    FLast = QPoint(e.x, e.y);
    FLastX = e.vx;
    FLastY = e.vy;
}

void TViewNavigation::Step(const TToolEvent& e)
{
    TSceneDocument& doc = *FView.Document();
    TViewState& v = doc.LiveView();
    const float dx = e.vx - FLastX;
    const float dy = e.vy - FLastY;
    switch (FMode) {
    case Mode::Orbit: {
        // As the camera-rotate tool turns it (about y across, about x up and
        // down), then moved so that the pivot stays where it is on the screen.
        float left, right, bottom, top;
        FView.GetViewExtents(left, right, bottom, top);
        const QVector3D before = CameraRotationMatrix(v).map(FPivot);
        TCameraRotateTool::Turn(v.CameraRotation[1], dx * 360 / (right - left));
        TCameraRotateTool::Turn(v.CameraRotation[0], dy * 360 / (top - bottom));
        const QVector3D shift = before - CameraRotationMatrix(v).map(FPivot);
        for (int i = 0; i < 3; ++i)
            v.CameraTranslation[static_cast<std::size_t>(i)] += shift[i];
        FView.UpdateProjection();
        FView.RenderScene(GL_RENDER);
        break;
    }
    case Mode::Pan:
        // The scene follows the mouse, as with the camera-translate tool.
        v.CameraTranslation[0] += dx;
        v.CameraTranslation[1] += dy;
        FView.UpdateProjection();
        FView.RenderScene(GL_RENDER);
        break;
    case Mode::Zoom: {
        // Upwards enlarges; the point pressed stays under the mouse's start.
        const float up = static_cast<float>(FLast.y() - e.y);
        float px, py;
        FView.MouseToView(FPress.x(), FPress.y(), px, py);
        ZoomAbout(v, std::pow(kZoomStep, up / kZoomPixels), px, py);
        FView.LeaveZoomToFit();
        // The extents change with the zoom: the view recomputes them and draws.
        doc.Notify({TSceneChange::ViewChanged});
        break;
    }
    }
}

bool TViewNavigation::Release()
{
    const bool dragged = FActive && FDragging;
    Finish();
    return dragged;
}

void TViewNavigation::Finish()
{
    if (!FActive)
        return;
    FActive = false;
    if (FDragging)
        FView.Document()->CommitViewEdit(FBefore, StepText(FMode));
    FDragging = false;
}
