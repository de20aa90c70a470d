#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Cancels a run on two processes under mpirun and checks that it stops
# cleanly: a signal to the solver's processes (as a batch system or `kill`
# sends it) gives exit code 5; Ctrl-C or SIGTERM to mpirun itself makes
# mpirun pass SIGTERM on to them and exit with its own code. Either way the
# results folder holds a complete set, marked cancelled, and no temporary file.
#   mpi-cancel.sh PATH/TO/corvane-lbm
# Exits 77 (skipped) when mpirun is not installed.
set -euo pipefail
# Job control: a background job of a script would otherwise ignore SIGINT.
set -m
tool=$1
if ! command -v mpirun >/dev/null; then
  echo "mpirun is not installed: skipped"
  exit 77
fi
work=$(mktemp -d)
# Whatever happens, no run is left behind (it would hold the folder and a core).
trap 'jobs -p | xargs -r kill -KILL 2>/dev/null; rm -rf "$work"' EXIT
mpi=(mpirun --oversubscribe -np 2)
[ "$(id -u)" -eq 0 ] && mpi=(mpirun --oversubscribe --allow-run-as-root -np 2)
mpi=(env "ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" "${mpi[@]}")
failures=0

# run NAME TARGET SIGNAL EXPECTED-CODE: TARGET is "ranks" or "mpirun".
run() {
  local name=$1 target=$2 signal=$3 expected=$4 out="$work/$1"
  "${mpi[@]}" "$tool" --model D2Q9 --re 100 --grid 129x129 --tolerance 1e-300 --out "$out" \
    >"$work/$name.log" 2>&1 &
  local launcher=$! waited=0
  until grep -q '^step ' "$work/$name.log" 2>/dev/null; do
    sleep 0.1
    waited=$((waited + 1))
    if [ "$waited" -gt 600 ]; then
      echo "$name: the run never reported a step"
      cat "$work/$name.log"
      kill -KILL "$launcher" 2>/dev/null || true
      failures=$((failures + 1))
      return
    fi
  done
  if [ "$target" = ranks ]; then
    if ! pkill "-$signal" -P "$launcher" -x corvane-lbm; then
      echo "$name: no solver process under mpirun to signal"
      failures=$((failures + 1))
      return
    fi
  else
    kill "-$signal" "$launcher"
  fi
  local code=0
  wait "$launcher" || code=$?
  local files
  files=$(ls -A "$out" | tr '\n' ' ')
  if [ -n "$expected" ] && [ "$code" -ne "$expected" ]; then
    echo "$name: exit code $code, expected $expected"
    cat "$work/$name.log"
    failures=$((failures + 1))
  fi
  if [ "$files" != "field.vti summary.json u_centreline.csv v_centreline.csv " ]; then
    echo "$name: the folder holds: $files"
    failures=$((failures + 1))
  elif ! grep -q '"status": "cancelled"' "$out/summary.json"; then
    echo "$name: the summary does not say cancelled"
    failures=$((failures + 1))
  else
    echo "$name: exit code $code, a complete cancelled set"
  fi
}

run ranks-int ranks INT 5
run ranks-term ranks TERM 5
# mpirun's own exit code when it is interrupted is Open MPI's to choose.
run mpirun-int mpirun INT ""
run mpirun-term mpirun TERM ""
[ "$failures" -eq 0 ]
