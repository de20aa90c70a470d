#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the cavity on one process and on two (mpirun) and checks that the two
# runs write the same numbers (to 1e-12), and that a grid too small to split
# over two processes is refused with a message; a channel past an obstacle
# gives the same forces and field to the bit.
#   mpi-equal.sh PATH/TO/corvane-lbm
# Exits 77 (skipped) when mpirun is not installed.
set -euo pipefail
tool=$1
here=$(cd "$(dirname "$0")" && pwd)
if ! command -v mpirun >/dev/null; then
  echo "mpirun is not installed: skipped"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mpi=(mpirun --oversubscribe -np 2)
[ "$(id -u)" -eq 0 ] && mpi=(mpirun --oversubscribe --allow-run-as-root -np 2)
# In a sanitizer build, Open MPI's plugins leave allocations behind after
# they are unloaded, where no suppression can name them: the processes under
# mpirun skip the leak check (the one-process runs keep it).
mpi=(env "ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" "${mpi[@]}")

# Numbers of two files, token by token: same count, each within 1e-12.
same_numbers() {
  awk -v tol=1e-12 '
    function tokens(file, arr,   line, n, i, parts, k) {
      n = 0
      while ((getline line < file) > 0) {
        gsub(/[,"<>=]/, " ", line)
        k = split(line, parts, " ")
        for (i = 1; i <= k; i++) if (parts[i] ~ /^-?[0-9.]+([eE][-+]?[0-9]+)?$/) arr[++n] = parts[i]
      }
      return n
    }
    BEGIN {
      na = tokens(ARGV[1], a); nb = tokens(ARGV[2], b)
      if (na != nb || na == 0) { print "different number of values: " na " and " nb; exit 1 }
      worst = 0
      for (i = 1; i <= na; i++) { d = a[i] - b[i]; if (d < 0) d = -d; if (d > worst) worst = d }
      if (worst > tol) { print "largest difference " worst; exit 1 }
      print ARGV[1] ": " na " values, largest difference " worst
    }' "$1" "$2"
}

for model in D2Q7 D2Q9 'D2Q9(New)' 'D2Q7(New)' 'D2Q13(New)'; do
  args=(--model "$model" --re 100 --grid 31x29 --tolerance 1e-6)
  "$tool" "${args[@]}" --threads 1 --out "$work/one" 2>/dev/null
  "${mpi[@]}" "$tool" "${args[@]}" --out "$work/two" 2>"$work/two.log" || { cat "$work/two.log"; exit 1; }
  grep -q '"processes": 2' "$work/two/summary.json" || { echo "the run did not use two processes"; exit 1; }
  for f in u_centreline.csv v_centreline.csv; do
    same_numbers "$work/one/$f" "$work/two/$f"
  done
  for run in one two; do
    python3 "$here/field_values.py" "$work/$run/field.vti" >"$work/$run/field.txt"
  done
  same_numbers "$work/one/field.txt" "$work/two/field.txt"
  grep '"steps"' "$work/one/summary.json" "$work/two/summary.json"
  [ "$(grep '"steps"' "$work/one/summary.json")" = "$(grep '"steps"' "$work/two/summary.json")" ]
done

# A channel past the sample's cylinder, whose rows the two slabs split: the
# same field and, to the bit, the same force history.
samples="$here/../../data/samples"
args=(--scene "$samples/cylinder-channel.cvs" --model 'D2Q9(New)' --re 20 --grid 113x21 --max-steps 300)
"$tool" "${args[@]}" --threads 1 --out "$work/channel-one" 2>/dev/null || [ $? -eq 1 ]
"${mpi[@]}" "$tool" "${args[@]}" --out "$work/channel-two" 2>"$work/two.log" || [ $? -eq 1 ] || { cat "$work/two.log"; exit 1; }
cmp "$work/channel-one/forces.csv" "$work/channel-two/forces.csv"
cmp "$work/channel-one/field.vti" "$work/channel-two/field.vti"
echo "channel: forces and field of 2 processes equal 1 to the bit"

# The cube cavity, its z planes split between the two: the same bits.
for model in D3Q19 'D3Q19(New)'; do
  args=(--model "$model" --re 50 --grid 12x11x10 --tolerance 1e-5)
  "$tool" "${args[@]}" --threads 1 --out "$work/cube-one" 2>/dev/null
  "${mpi[@]}" "$tool" "${args[@]}" --out "$work/cube-two" 2>"$work/two.log" || { cat "$work/two.log"; exit 1; }
  grep -q '"processes": 2' "$work/cube-two/summary.json" || { echo "the cube did not use two processes"; exit 1; }
  for f in field.vti u_centreline.csv v_centreline.csv; do
    cmp "$work/cube-one/$f" "$work/cube-two/$f"
  done
  echo "cube $model: field and centre lines of 2 processes equal 1 to the bit"
done

# Three rows cannot make two slabs of at least two rows.
if "${mpi[@]}" "$tool" --model D2Q9 --re 100 --grid 31x3 --out "$work/tiny" >"$work/tiny.log" 2>&1; then
  echo "a 31x3 grid was split over two processes"
  exit 1
fi
grep -q "cannot be split over 2 processes" "$work/tiny.log" || { cat "$work/tiny.log"; exit 1; }
echo "mpi: 2 processes equal 1"
