// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The result files of a cavity run, and the derived fields they hold.
// A channel's run writes field.vti (ChannelFieldOf), forces.csv and
// summary.json, which then also holds the channel and its figures: cd, cl,
// dp (front less back, in rho U^2), la (steady runs, scene units) and
// strouhal (periodic runs).
//
//   u_centreline.csv  "y,u": u / U along the vertical centre line x = 1/2, y from
//                     0 (bottom wall) to 1 (lid), the wall values included
//   v_centreline.csv  "x,v": v / U along the horizontal centre line y = 1/2
//   field.vti         VTK XML image data, Float64 arrays zlib-compressed in an
//                     appended raw section (FieldFile.h): velocity / U, speed / U,
//                     density, vorticity (in U / L) and stream function (in U L)
//                     at the nodes; node (i, j) at ((i + 1/2) / Gx, (j + 1/2) / Gy),
//                     the cavity being the unit square as in the centreline files
//   summary.json      the task, settings and how the run went
//
// On a grid with an even number of nodes across a centre line the line runs
// between two node columns (rows) and the profile is their average.

#include "FieldFile.h"
#include "LbmRun.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace lbm {

using Profile = std::vector<std::pair<double, double>>; // (position, velocity / U)

Profile UCentreline(const Fields& fields, double lidSpeed);
Profile VCentreline(const Fields& fields, double lidSpeed);

// Vorticity dv/dx - du/dy in units of U / L at every node; the walls enter
// through mirrored values (the wall velocity lies half-way between a node and
// its mirror).
std::vector<double> Vorticity(const Fields& fields, double lidSpeed);
// Stream function psi with u = d psi / dy in units of U L, zero on the walls:
// u summed over the node cells from the bottom wall (the midpoint rule, the
// cells' own flow), less the column's net flow in proportion to the height.
// On the side walls it vanishes to within the discretisation error, as the
// flow through every vertical line does.
std::vector<double> StreamFunction(const Fields& fields, double lidSpeed);

// The field file's grid and arrays (velocity, speed, density, vorticity,
// stream_function) for the fields of a run; empty without fields.
FieldImage FieldOf(const Fields& fields, double lidSpeed);
// A channel's field file: velocity and speed in mean inflow speeds, density,
// vorticity (in mean speeds per scene unit) and the obstacle flag (1 inside),
// on the channel's nodes in the scene's coordinates.
FieldImage ChannelFieldOf(const Task& task, const Fields& fields, double meanSpeed);

// A three-dimensional run's field file: velocity and speed in lid or mean
// inflow speeds, density, and a channel's obstacle flag, on the nodes of the
// unit cube (the cavity) or of the channel's box in the scene's coordinates.
FieldImage Field3Of(const Task& task, const Fields& fields, double speed);
// The fields of a three-dimensional cavity in its mid-plane z = 1/2, where
// the centre lines are read (two-dimensional fields as they are).
Fields MidPlane(const Fields& fields);

// Creates the folder (and its parents) if needed and checks that a file can be
// written in it. Returns an empty string, or a message naming the folder. The
// folders it made are appended to `created`, outermost first.
std::string PrepareOutputFolder(const std::string& folder, std::vector<std::string>* created = nullptr);

// Removes those of the folders PrepareOutputFolder made that are still empty,
// innermost first, so that a run that failed leaves no empty folder behind.
// A folder with anything in it stays.
void RemoveEmptyFolders(const std::vector<std::string>& created);

// Writes the four files into the folder, each whole or not at all. The old
// summary is removed first and the new one written last, so that a folder
// with a summary always holds a complete set. Returns an empty string, or a
// message naming the folder or file that could not be written.
// With `snapshots` (the steps of the snapshots WriteSnapshot wrote into the
// folder) it also writes field.pvd, the collection of those snapshots and the
// final field in time order, for ParaView.
std::string WriteResults(const std::string& folder, const Task& task, const Settings& settings,
                         const RunResult& result, const std::vector<std::int64_t>& snapshots = {});

// Writes the field at `step` as field_<step>.vti into the folder (whole or
// not at all). Returns an empty string, or a message naming the file.
std::string WriteSnapshot(const std::string& folder, const Task& task, const Settings& settings,
                          std::int64_t step, const Fields& fields);
// The name of the snapshot at `step`.
std::string SnapshotFileName(std::int64_t step);
// The time of a step for the collection: in L / U for the cavity (L its
// width, U the lid speed), in the scene's seconds for a channel.
double TimeOfStep(const Task& task, const Settings& settings, std::int64_t step);

// File names inside the folder.
inline const char* const kUCentrelineFile = "u_centreline.csv";
inline const char* const kVCentrelineFile = "v_centreline.csv";
inline const char* const kFieldFile = "field.vti";
inline const char* const kSummaryFile = "summary.json";
inline const char* const kForcesFile = "forces.csv";    // a channel's "step,time,cd,cl"
inline const char* const kCollectionFile = "field.pvd"; // with snapshots

} // namespace lbm
