// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Running a three-dimensional task: the cube cavity or the channel box.
// Run (LbmRun.h) hands such tasks here after checking them.

#include "Domain3.h"
#include "LbmRun.h"

namespace lbm {

// The extent of the part of the surface inside the box [0, box[0]] x
// [0, box[1]] x [0, box[2]] (the length Re is made with needs it before
// anything is voxelised).
struct SurfaceFigures {
    bool any = false;
    double lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
};
SurfaceFigures SurfaceFiguresOf(const std::vector<Triangle>& triangles, const double box[3]);
// The task's surface in lattice spacings.
std::vector<Triangle> LatticeSurface(const Task& task);

// The obstacles of a three-dimensional channel task on its lattice: the
// task's surface moved and scaled onto the lattice and voxelised (the
// frontal area and extent from the surface cut to the box). Throws
// std::bad_alloc.
Obstacles3 ChannelObstacles3(const Task& task, int threads);
// The domain of a three-dimensional task with the given lattice speed.
Domain3 Domain3Of(const Task& task, double speed, Obstacles3 obstacles);

// The texts both runs end with: printf-like with up to four numbers; a
// diverged run's (suggesting `betterModel`, or with none a larger grid and a
// smaller lid speed); and a run's last message by its status.
std::string Text(const char* format, double a, double b = 0, double c = 0, double d = 0);
std::string DivergedMessage(std::int64_t step, double maxSpeed, double limit, const char* betterModel);
std::string EndMessage(const RunResult& result, const Settings& settings);

RunResult Run3(const Task& task, const Settings& settings, const ProgressCallback& progress,
               RunControl* control, Communicator& comm);

} // namespace lbm
