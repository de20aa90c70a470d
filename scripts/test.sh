#!/usr/bin/env bash
# Builds Corvane and its tests from scratch and runs every test.
# Views need a display: without one the tests run under a virtual X server.
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

CTEST=(ctest --test-dir "$BUILD_DIR" --output-on-failure "$@")
if [ -n "${DISPLAY:-}" ]; then
  "${CTEST[@]}"
else
  xvfb-run -a -s "-screen 0 1280x1024x24" "${CTEST[@]}"
fi
