// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <cstdint>

// The processor and memory line the main frame shows in its status bar at start.
QString FormatSystemSummary(unsigned processorType, std::uint64_t availableBytes, std::uint64_t totalBytes);

// The processor-type number of this machine (586 for 32-bit x86, 8664 for
// x86-64, ...; 0 when the architecture has no such number).
unsigned ProcessorType();

// Queries this machine and formats its summary.
QString SystemSummary();
