// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Small synthetic three-dimensional fields for the slice and streamline tests.

#include "FlowField.h"
#include "LbmRun.h"

#include <functional>

// Fields of gx x gy x gz nodes in `box` with the velocity u(p) at each node's
// position, and the nodes where solid(p) holds made obstacle nodes at rest.
inline lbm::Fields MakeFlow(const FlowBox& box, int gx, int gy, int gz,
                            const std::function<Point3(const Point3&)>& u,
                            const std::function<bool(const Point3&)>& solid = {})
{
    lbm::Fields f;
    f.gx = gx;
    f.gy = gy;
    f.gz = gz;
    const std::size_t nodes = std::size_t(gx) * std::size_t(gy) * std::size_t(gz);
    f.ux.resize(nodes);
    f.uy.resize(nodes);
    f.uz.resize(nodes);
    f.rho.assign(nodes, 1.0);
    if (solid)
        f.solid.assign(nodes, 0);
    for (int k = 0; k < gz; ++k)
        for (int j = 0; j < gy; ++j)
            for (int i = 0; i < gx; ++i) {
                const Point3 p = {NodeCoordinate(box, 0, gx, i), NodeCoordinate(box, 1, gy, j),
                                  NodeCoordinate(box, 2, gz, k)};
                const std::size_t n = NodeIndex(gx, gy, i, j, k);
                if (solid && solid(p)) {
                    f.solid[n] = 1;
                    continue;
                }
                const Point3 v = u(p);
                f.ux[n] = v[0];
                f.uy[n] = v[1];
                f.uz[n] = v[2];
            }
    return f;
}
