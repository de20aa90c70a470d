// SPDX-License-Identifier: GPL-3.0-or-later
#include "SceneBounds.h"

#include "TGLLines.h"
#include "TGLObject.h"
#include "TGLPlane.h"
#include "TGLPolyObject.h"

#include <algorithm>

QMatrix4x4 CameraRotationMatrix(const TViewState& view)
{
    QMatrix4x4 m;
    m.rotate(view.CameraRotation[0], 1, 0, 0);
    m.rotate(view.CameraRotation[1], 0, 1, 0);
    m.rotate(view.CameraRotation[2], 0, 0, 1);
    return m;
}

QMatrix4x4 PlacementMatrix(const TObjectState& s)
{
    QMatrix4x4 m;
    m.translate(s.Position[0], s.Position[1], s.Position[2]);
    m.rotate(s.Rotation[0], 1, 0, 0);
    m.rotate(s.Rotation[1], 0, 1, 0);
    m.rotate(s.Rotation[2], 0, 0, 1);
    m.scale(s.Scale[0], s.Scale[1], s.Scale[2]);
    return m;
}

bool BoundsIn(const QMatrix4x4& frame, const std::vector<TGLObject*>& objects, QVector3D& lo, QVector3D& hi)
{
    bool any = false;
    for (TGLObject* obj : objects) {
        float a[3] = {-0.5f, -0.5f, -0.5f}, b[3] = {0.5f, 0.5f, 0.5f};
        if (auto* poly = dynamic_cast<TGLPolyObject*>(obj)) {
            poly->GetMin(a[0], a[1], a[2]);
            poly->GetMax(b[0], b[1], b[2]);
        } else if (auto* lines = dynamic_cast<TGLLines*>(obj)) {
            lines->GetMin(a[0], a[1], a[2]);
            lines->GetMax(b[0], b[1], b[2]);
        } else if (obj->GetDetail() >= 0) {
            a[0] = a[1] = a[2] = -1;
            b[0] = b[1] = b[2] = 1;
        } else if (dynamic_cast<TGLPlane*>(obj)) {
            a[1] = b[1] = 0; // a square in its x-z plane
        }
        const QMatrix4x4 m = frame * PlacementMatrix(TObjectState::Capture(*obj));
        for (int corner = 0; corner < 8; ++corner) {
            const QVector3D p = m.map(
                QVector3D(corner & 1 ? b[0] : a[0], corner & 2 ? b[1] : a[1], corner & 4 ? b[2] : a[2]));
            if (!any) {
                lo = hi = p;
                any = true;
            }
            lo = QVector3D(std::min(lo.x(), p.x()), std::min(lo.y(), p.y()), std::min(lo.z(), p.z()));
            hi = QVector3D(std::max(hi.x(), p.x()), std::max(hi.y(), p.y()), std::max(hi.z(), p.z()));
        }
    }
    return any;
}
