#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs one test program on a virtual X server of its own, so that GUI test
# programs never share a display (ctest -j2 is then safe).
#
#   own-display.sh [--screen WxHxD] PROGRAM [ARGS...]
#
# The server picks a free display number itself (-displayfd), which cannot
# race with another server starting at the same moment; it is stopped when
# the program ends, and the program's exit status is passed on.
set -uo pipefail

screen=1280x1024x24
if [ "${1:-}" = --screen ]; then
  screen=$2
  shift 2
fi
[ $# -ge 1 ] || { echo "usage: $0 [--screen WxHxD] PROGRAM [ARGS...]" >&2; exit 2; }

fifo_dir=$(mktemp -d)
trap 'rm -rf "$fifo_dir"' EXIT
mkfifo "$fifo_dir/display"

# The server's environment is the caller's: a test's preloads and scale
# factor are set below for the test program alone.
Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset 3>"$fifo_dir/display" 2>"$fifo_dir/log" &
server=$!
stop_server() {
  kill "$server" 2>/dev/null
  wait "$server" 2>/dev/null
}
trap 'stop_server; rm -rf "$fifo_dir"' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# The number arrives once the server accepts connections; a server that fails
# to start closes the pipe without writing one.
number=
read -r -t 30 number <"$fifo_dir/display"
if ! [[ "$number" =~ ^[0-9]+$ ]]; then
  echo "own-display.sh: the virtual X server did not start:" >&2
  cat "$fifo_dir/log" >&2
  exit 1
fi

export DISPLAY=":$number"
unset WAYLAND_DISPLAY XAUTHORITY
"$@"
