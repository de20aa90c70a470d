// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Reading a run's results folder back (the files LbmResults.h describes):
// its summary, its field and its two centreline profiles, or for a channel
// its force history instead of the profiles.
//
// Every file is read as hostile input: only regular files of bounded size,
// every number checked. What cannot be read is said in one message per file,
// naming it, and the rest still opens: a folder without its summary (a run
// stopped while writing), a field file cut short, profiles whose length does
// not match the grid the summary gives.

#include "FieldFile.h"
#include "LbmResults.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lbm {

// What summary.json says about the run.
struct RunSummary {
    std::string model;
    double reynolds = 0;
    int gx = 0;
    int gy = 0;
    int gz = 1; // three-dimensional runs' z size
    double lidSpeed = 0;
    double tolerance = 0;
    std::int64_t maxSteps = 0;
    std::string precision;
    std::string status; // as StatusName writes it: "converged", "step limit", ...
    bool converged = false;
    std::int64_t steps = 0;
    double residual = 0; // NaN when the file has none (null)
    double seconds = 0;
    double mlups = 0;
    int processes = 0;
    int threads = 0;
    std::string message;
    // A channel's (flow "channel"): its figures, NaN where the file has none.
    bool channel = false;
    bool periodic = false;
    double meanSpeed = 0, reynoldsLength = 0;
    int obstacles = 0;
    double cd = 0, cl = 0, dp = 0, la = 0, strouhal = 0;
};

// A channel's forces.csv: cD and cL at the steps, and the times (scene seconds).
struct ForceSeries {
    ForceHistory history;
    std::vector<double> times;
};

struct ResultsFolder {
    std::string folder; // the folder the files were read from

    bool hasSummary = false;
    RunSummary summary;
    bool hasField = false;
    FieldImage field;
    bool hasU = false; // u_centreline.csv: (y, u / U)
    Profile u;
    bool hasV = false; // v_centreline.csv: (x, v / U)
    Profile v;
    bool hasForces = false; // a channel's forces.csv
    ForceSeries forces;

    // One sentence per file that is missing or could not be read, naming it.
    std::vector<std::string> problems;

    bool Nothing() const { return !hasSummary && !hasField && !hasU && !hasV && !hasForces; }
    // A channel's results: its summary says so, or (without one) it has forces.csv.
    bool IsChannel() const { return hasSummary ? summary.channel : hasForces; }
    // A channel's force history (forces.csv) and the figures its summary gives.
    ChannelFigures Figures() const;
};

// Largest summary and profile files the reader opens.
inline constexpr unsigned long long kMaxSummaryBytes = 64 << 10;
inline constexpr unsigned long long kMaxProfileBytes = 64ULL << 20;

// Reads the results at `path`: a results folder, or its summary.json or
// field.vti. A path that is neither, or a folder that holds none of the
// files, gives a single problem and nothing else.
// The fields of a field file: its velocity times `speed` (the file holds it in
// units of that speed), its density and a channel's obstacle nodes. False,
// with `fields` left empty, when it has no velocity and density of its grid's
// size.
bool FieldsOf(const FieldImage& image, double speed, Fields& fields);

ResultsFolder ReadResultsFolder(const std::string& path);

// The parts, for tests and the other readers. Each returns an empty string
// or a sentence (without the file's name) saying what is wrong.
std::string ParseSummary(std::string_view text, RunSummary& summary);
std::string ParseProfile(std::string_view text, const char* header, Profile& profile);
std::string ParseForces(std::string_view text, ForceSeries& forces);

} // namespace lbm
