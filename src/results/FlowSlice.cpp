// SPDX-License-Identifier: GPL-3.0-or-later
#include "FlowSlice.h"

#include "FieldPicture.h"
#include "LbmRun.h"

#include <algorithm>
#include <cmath>

namespace {

double SpeedAt(const lbm::Fields& fields, std::size_t node)
{
    const double uz = fields.uz.empty() ? 0.0 : fields.uz[node];
    return std::sqrt(fields.ux[node] * fields.ux[node] + fields.uy[node] * fields.uy[node] + uz * uz);
}

bool SolidAt(const lbm::Fields& fields, std::size_t node)
{
    return !fields.solid.empty() && fields.solid[node];
}

} // namespace

std::array<int, 2> SliceAxes(int normal)
{
    switch (normal) {
    case 0:
        return {2, 1};
    case 1:
        return {0, 2};
    default:
        return {0, 1};
    }
}

double LargestSpeed(const lbm::Fields& fields, double lidSpeed)
{
    if (!IsReadableVolume(fields) || !(lidSpeed > 0))
        return 0;
    double largest = 0;
    const std::size_t nodes = fields.ux.size();
    for (std::size_t node = 0; node < nodes; ++node) {
        const double speed = SpeedAt(fields, node) / lidSpeed;
        if (std::isfinite(speed) && !SolidAt(fields, node))
            largest = std::max(largest, speed);
    }
    return largest;
}

QImage SlicePicture(const lbm::Fields& fields, int normal, int n, double lidSpeed, double top,
                    double* usedTop)
{
    if (normal < 0 || normal > 2 || !IsReadableVolume(fields) || !(lidSpeed > 0) || n < 0 ||
        n >= NodesAlong(fields, normal))
        return {};
    if (!(top > 0) || !std::isfinite(top)) {
        top = LargestSpeed(fields, lidSpeed);
        if (!(top > 0))
            top = 1;
    }
    if (usedTop)
        *usedTop = top;
    const std::array<int, 2> axes = SliceAxes(normal);
    const int width = NodesAlong(fields, axes[0]), height = NodesAlong(fields, axes[1]);
    QImage picture(width, height, QImage::Format_RGB32);
    int at[3] = {0, 0, 0};
    at[normal] = n;
    for (int row = 0; row < height; ++row) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(row));
        at[axes[1]] = height - 1 - row;
        for (int column = 0; column < width; ++column) {
            at[axes[0]] = column;
            const std::size_t node = NodeIndex(fields.gx, fields.gy, at[0], at[1], at[2]);
            line[column] = SolidAt(fields, node) ? kObstacleColour
                                                 : ScaleColour(SpeedAt(fields, node) / lidSpeed / top).rgb();
        }
    }
    return picture;
}
