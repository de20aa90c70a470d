// SPDX-License-Identifier: GPL-3.0-or-later
// The camera: reset, zoom, zoom to fit, framing and the standard views.
#include "MergeIds.h"
#include "SceneBounds.h"
#include "TfrmPlot.h"
#include "tools/TViewNavigation.h"

#include <algorithm>
#include <array>
#include <cmath>

void TfrmPlot::ResetAxis()
{
    FDocument->EditView(QStringLiteral("Reset Axis"), [](TViewState& v) {
        v.CameraRotation = {20, 20, 0};
        v.CameraTranslation = {0, 0, 0};
    });
}

// --- Zoom and standard views ----------------------------------------------

void TfrmPlot::ZoomBy(float factor, int x, int y)
{
    if (!(factor > 0) || !std::isfinite(factor))
        return;
    float vx, vy;
    MouseToView(x, y, vx, vy);
    FZoomFitSaved = false;
    // The view point under the pointer stays under it.
    FDocument->EditView(
        QStringLiteral("Zoom"), [&](TViewState& v) { TViewNavigation::ZoomAbout(v, factor, vx, vy); },
        kMergeZoom);
}

void TfrmPlot::ZoomIn() { ZoomBy(TViewNavigation::kZoomStep, width() / 2, height() / 2); }

namespace {

// Zoom and camera translation that show what lies between lo and hi (in the
// camera's turned frame) in the middle of the view, with a margin of a tenth
// around it; the shorter side spans the base extents.
void Fit(TViewState& v, const QVector3D& lo, const QVector3D& hi, float baseHalf)
{
    const float half = std::max({(hi.x() - lo.x()) / 2, (hi.y() - lo.y()) / 2, 1e-3f});
    v.Zoom = std::clamp(baseHalf / (half * 1.1f), 1e-3f, 1e3f);
    v.CameraTranslation[0] = -(lo.x() + hi.x()) / 2;
    v.CameraTranslation[1] = -(lo.y() + hi.y()) / 2;
}

} // namespace

void TfrmPlot::ToggleZoomToFit()
{
    if (FZoomFitSaved) {
        FZoomFitSaved = false;
        const TViewState before = FBeforeZoomFit;
        FDocument->EditView(QStringLiteral("Zoom Back"), [&](TViewState& v) {
            v.CameraTranslation = before.CameraTranslation;
            v.Zoom = before.Zoom;
        });
        return;
    }
    const TViewState& view = View();
    QVector3D lo, hi;
    if (!BoundsIn(CameraRotationMatrix(view), Objects(), lo, hi))
        return;
    FBeforeZoomFit = view;
    FZoomFitSaved = true;
    FDocument->EditView(QStringLiteral("Zoom to Fit"), [&](TViewState& v) { Fit(v, lo, hi, FBaseRight); });
}

void TfrmPlot::FrameCurrentObject()
{
    TGLObject* current = FDocument->Current();
    const std::vector<TGLObject*> framed = current ? std::vector<TGLObject*>{current} : Objects();
    QVector3D lo, hi;
    if (!BoundsIn(CameraRotationMatrix(View()), framed, lo, hi))
        return;
    FZoomFitSaved = false;
    FDocument->EditView(QStringLiteral("Frame Object"), [&](TViewState& v) { Fit(v, lo, hi, FBaseRight); });
}

void TfrmPlot::ShowStandardView(StandardView which)
{
    std::array<float, 3> rotation{0, 0, 0};
    QString text;
    switch (which) {
    case StandardView::Left: // the model's -x side faces the viewer
        rotation = {0, 90, 0};
        text = QStringLiteral("Left View");
        break;
    case StandardView::Right:
        rotation = {0, -90, 0};
        text = QStringLiteral("Right View");
        break;
    case StandardView::Top: // looking down the -y axis
        rotation = {90, 0, 0};
        text = QStringLiteral("Top View");
        break;
    case StandardView::Bottom:
        rotation = {-90, 0, 0};
        text = QStringLiteral("Bottom View");
        break;
    }
    FDocument->EditView(text, [&](TViewState& v) { v.CameraRotation = rotation; });
}
