// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Published velocity profiles of the lid-driven cavity, to draw beside a
// run's own: the table of Ghia, Ghia and Shin (1982), built into the program
// from the same data file the solver's tests compare against.

#include <utility>
#include <vector>

// (position, velocity / lid speed) of the u profile along the vertical
// centre line ('u') or of the v profile along the horizontal one ('v') at the
// Reynolds number, the points the table marks as usable; empty when the
// table has no such Reynolds number.
std::vector<std::pair<double, double>> CavityReference(char profile, double reynolds);
// The Reynolds numbers the table holds, ascending.
std::vector<double> CavityReferenceReynolds();
