// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// corvane-lbm's inputs: its exit codes, its arguments as a task and its
// settings, and a channel's obstacles from a scene file.

#include "LbmTask.h"

#include <string>

namespace corvanelbm {

enum Exit {
    kConverged = 0,
    kNotConverged = 1,
    kBadArguments = 2,
    kDiverged = 3,
    kUnwritable = 4,
    kCancelled = 5,
    kNoMemory = 6,
};

// The usage text --help prints and bad arguments repeat.
extern const char* const kUsage;

struct Options {
    lbm::Task task;
    lbm::Settings settings;
    std::string out;
    std::string scene;
    double plane = 0;
    bool latticeSpeedGiven = false;
    bool json = false; // --progress json
    bool help = false;
    bool version = false;
};

// Fills `options`; returns an empty string or what is wrong.
std::string Parse(int argc, char** argv, Options& options);

// The obstacles of a channel: the scene file's solids and meshes where the
// plane cuts them, those reaching into the channel.
std::string LoadObstacles(const std::string& file, double plane, bool threeD, lbm::ChannelSpec& channel,
                          bool report);

} // namespace corvanelbm
