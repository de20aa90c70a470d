// SPDX-License-Identifier: GPL-3.0-or-later
#include "FlowField.h"

#include "LbmRun.h"

#include <limits>

bool FlowBox::Contains(const Point3& p) const
{
    for (std::size_t a = 0; a < 3; ++a)
        if (!(p[a] >= lo[a] && p[a] <= hi[a]))
            return false;
    return true;
}

FlowBox BoxOf(const lbm::Task& task)
{
    FlowBox box;
    if (task.flow == lbm::Flow::Channel) {
        const lbm::ChannelSpec& c = task.channel;
        box.lo = {c.x, c.y, c.z};
        box.hi = {c.x + c.length, c.y + c.height, c.z + c.depth};
    }
    return box;
}

int NodesAlong(const lbm::Fields& fields, int axis)
{
    return axis == 0 ? fields.gx : axis == 1 ? fields.gy : fields.gz;
}

bool IsReadableVolume(const lbm::Fields& fields)
{
    if (fields.gx <= 0 || fields.gy <= 0 || fields.gz <= 0)
        return false;
    const std::size_t most = std::numeric_limits<std::size_t>::max();
    const std::size_t gx = std::size_t(fields.gx), gy = std::size_t(fields.gy), gz = std::size_t(fields.gz);
    if (gy > most / gx || gz > most / (gx * gy))
        return false;
    const std::size_t nodes = gx * gy * gz;
    return fields.ux.size() == nodes && fields.uy.size() == nodes &&
           (fields.uz.empty() || fields.uz.size() == nodes) &&
           (fields.solid.empty() || fields.solid.size() == nodes);
}
