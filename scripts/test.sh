#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Corvane and its tests from scratch and runs every test.
# Each test program that needs a display starts a virtual X server of its own,
# so the tests run two at a time, one per core.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh

BUILD_DIR=${BUILD_DIR:-build-test}
rm -rf "$BUILD_DIR"
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_BUILD_TESTS=ON \
  ${CORVANE_CMAKE_ARGS:-}
cmake --build "$BUILD_DIR" -j2

# Real Mesa OpenGL in software, through the X11 platform plugin.
export LIBGL_ALWAYS_SOFTWARE=1
export QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}

ctest --test-dir "$BUILD_DIR" --output-on-failure -j2 "$@"
