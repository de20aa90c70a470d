#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds and runs the benchmarks (optimised build), printing one table per
# program. Every figure stands beside a reference measured in the same run:
#   bench_loader  loading a 1M-vertex / 2M-triangle mesh pair, each load in a
#                 fresh process (cold_ms, MB/s, x_tinyobj: tinyobjloader's time
#                 over ours on the same mesh as OBJ, measured the same way), and
#                 repeated in one process (warm: ms, MB/s, x_read against
#                 reading the bytes, x_tinyobj)
#   bench_import  importing a 1M-triangle binary STL: ms, x_library (our import's
#                 time over the asset import library's own ReadFile; at most 2)
#   bench_view    texture from 4096 x 4096 (x_upload: against one glTexImage2D),
#                 frames of a depth-7 icosahedron, of 1000 objects, of the loaded
#                 sample sphere and of a million-triangle polygon object
#                 (x_arrays: against the same triangles from one vertex array),
#                 picks and an animation tick (x_frame: against a frame)
#   bench_lbm     the lattice-Boltzmann step on 2048 x 2048 nodes, one thread
#                 and all cores: MLUPS beside a copy's memory bandwidth, the
#                 MLUPS that bandwidth allows for the bytes moved per node,
#                 and their ratio; the nine-velocity kernel a line of nodes at
#                 a time (lines:1) beside node by node (lines:0, the earlier
#                 kernel), and every other lattice on the generic step
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh

BUILD_DIR=${BUILD_DIR:-build-bench}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCORVANE_BUILD_TESTS=OFF -DCORVANE_BUILD_BENCH=ON >/dev/null
cmake --build "$BUILD_DIR" -j2 --target bench_loader bench_import bench_view bench_lbm

export LIBGL_ALWAYS_SOFTWARE=1
export QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
ARGS=(--benchmark_counters_tabular=true)

"$BUILD_DIR/bench/bench_loader" "${ARGS[@]}"
"$BUILD_DIR/bench/bench_import" "${ARGS[@]}"
"$BUILD_DIR/bench/bench_lbm" "${ARGS[@]}"
if [ -n "${DISPLAY:-}" ]; then
  "$BUILD_DIR/bench/bench_view" "${ARGS[@]}"
else
  xvfb-run -a -s "-screen 0 1280x1024x24" "$BUILD_DIR/bench/bench_view" "${ARGS[@]}"
fi
