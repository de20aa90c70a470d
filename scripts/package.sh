#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Corvane for installation and makes its Debian package
# (corvane_VERSION_ARCH.deb in the build folder). Install it with
#   sudo apt install ./build-package/corvane_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh

BUILD_DIR=${BUILD_DIR:-build-package}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DCORVANE_BUILD_TESTS=OFF -DCORVANE_BUILD_BENCH=OFF >/dev/null
cmake --build "$BUILD_DIR" -j2
(cd "$BUILD_DIR" && cpack -G DEB)
ls -1 "$BUILD_DIR"/corvane_*.deb
