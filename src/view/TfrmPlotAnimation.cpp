// SPDX-License-Identifier: GPL-3.0-or-later
// Animation: the timer spins the camera and the objects.
#include "MergeIds.h"
#include "TGLObject.h"
#include "TfrmPlot.h"

#include <QTimer>

#include <algorithm>
#include <cmath>

void TfrmPlot::EnableAnimation(bool on)
{
    if (on)
        tmrAnimation->start();
    else
        tmrAnimation->stop();
}

bool TfrmPlot::IsAnimating() const { return tmrAnimation->isActive(); }

void TfrmPlot::SetAnimateFlag(int flag)
{
    FDocument->EditView(QStringLiteral("Spin"), [flag](TViewState& v) { v.AnimateFlags |= flag; });
}

void TfrmPlot::ClearAnimateFlag(int flag)
{
    FDocument->EditView(QStringLiteral("Spin"), [flag](TViewState& v) { v.AnimateFlags &= ~flag; });
}

void TfrmPlot::SetAnimateStep(int step)
{
    FDocument->EditView(
        QStringLiteral("Animation Step"), [step](TViewState& v) { v.AnimateStep = step; }, kMergeAnimateStep);
}

void TfrmPlot::SetAnimationInterval(int ms)
{
    FDocument->EditView(
        QStringLiteral("Animation Interval"), [ms](TViewState& v) { v.AnimationInterval = std::max(ms, 0); },
        kMergeInterval);
    tmrAnimation->setInterval(std::max(ms, 0));
}

int TfrmPlot::GetAnimationInterval() const { return tmrAnimation->interval(); }

void TfrmPlot::tmrAnimationTimer()
{
    // Animation turns the camera and the objects as it goes, without undo steps.
    TViewState& view = FDocument->LiveView();
    const std::int32_t stepValue = view.AnimateStep;
    // A spinning camera angle becomes a whole number of degrees, -359 to 359.
    auto spin = [stepValue](float& angle) {
        angle = static_cast<float>(std::fmod(std::trunc(static_cast<double>(stepValue) + angle), 360.0));
    };
    const std::int32_t flags = view.AnimateFlags;
    if (flags & afCameraY)
        spin(view.CameraRotation[1]);
    if (flags & afCameraX)
        spin(view.CameraRotation[0]);
    if (flags & afCameraZ)
        spin(view.CameraRotation[2]);
    const float step = static_cast<float>(stepValue);
    if (flags & afObjectX)
        for (TGLObject* obj = FDocument->First(); obj; obj = obj->GetNext())
            obj->RotateXY(step, 0);
    if (flags & afObjectY)
        for (TGLObject* obj = FDocument->First(); obj; obj = obj->GetNext())
            obj->RotateXY(0, step);
    if (flags & afObjectZ)
        for (TGLObject* obj = FDocument->First(); obj; obj = obj->GetNext())
            obj->RotateZY(step, 0);
    UpdateProjection();
    RenderScene(GL_RENDER);
}
