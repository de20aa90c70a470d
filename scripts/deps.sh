#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages Corvane needs to build, run and test.
# Both README commands (scripts/run.sh, scripts/test.sh) call this script, so
# this list is the one place where a dependency is named.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build ccache pkg-config
  qt6-base-dev libqt6opengl6-dev qt6-qpa-plugins qt6-svg-dev libqt6svg6
  libgl-dev libglu1-mesa-dev libgl1-mesa-dri
  libgtest-dev libgmock-dev libbenchmark-dev libtinyobjloader-dev
  libassimp-dev libgl2ps-dev zlib1g-dev
  libopenmpi-dev openmpi-bin
  qt6-charts-dev
  xvfb xauth fonts-dejavu-core fonts-liberation libxcb1-dev
  clang-format clang libclang-rt-14-dev
  python3-meshio admesh python3-vtk9
  dbus-daemon python3-dbusmock
  desktop-file-utils appstream libxml2-utils shared-mime-info man-db file dpkg-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "Corvane needs these Debian packages; install them with:" >&2
  echo "  sudo apt-get update && sudo apt-get install -y --no-install-recommends ${missing[*]}" >&2
  exit 1
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
