#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Corvane (incrementally) and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh

BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_BUILD_TESTS=OFF >/dev/null
cmake --build "$BUILD_DIR" -j2 --target corvane

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$BUILD_DIR/src/app/corvane"
else
  echo "No display found: running on a virtual X server (nothing will be visible)." >&2
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$BUILD_DIR/src/app/corvane"
fi
