#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The solver's validation at full length, beyond what the tests run in CI:
# the cavity's convergence study with its 257 x 257 grid, and the channel
# benchmark on twice the tests' grid (the cylinder 40 nodes across), its
# three-dimensional case on finer grids and the cube cavity at Re 1000. Uses an
# existing build (BUILD_DIR, default build) and prints the figures.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
export OMP_WAIT_POLICY=${OMP_WAIT_POLICY:-PASSIVE}
CORVANE_VALIDATE_FULL=1 "$BUILD_DIR/tests/test_lbm" \
  --gtest_filter='Cavity129/*:CavityOrder/*:LbmHighRe.*:LbmChannelBenchmark.*:LbmChannel3Benchmark.*:LbmCube3Benchmark.*'
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
scene=data/samples/cylinder-channel.cvs
for grid in 440x82 880x164; do
  "$BUILD_DIR/corvane-lbm" --scene "$scene" --model 'D2Q9(New)' --re 20 --mean-speed 0.2 \
    --grid "$grid" --out "$out/2d1-$grid"
  "$BUILD_DIR/corvane-lbm" --scene "$scene" --model 'D2Q9(New)' --re 100 --mean-speed 1 \
    --grid "$grid" --tolerance 1e-12 --out "$out/2d2-$grid"
done
/usr/bin/python3 - "$out" <<'PY'
import json, pathlib, sys
for run in sorted(pathlib.Path(sys.argv[1]).iterdir()):
    s = json.loads((run / "summary.json").read_text())
    keys = ["cd", "cl", "dp", "la"] if not s["periodic"] else ["cd", "cl", "strouhal", "dp"]
    print(run.name, " ".join(f"{k} {s[k]:.5f}" for k in keys), f"({s['steps']} steps, {s['seconds']:.0f} s)")
PY
