#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the tests with AddressSanitizer and UBSan (leak checking on) in a
# separate build folder and runs them. Undefined behaviour fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh

BUILD_DIR=${BUILD_DIR:-build-asan}
rm -rf "$BUILD_DIR"
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_BUILD_TESTS=ON -DCORVANE_SANITIZE=ON
cmake --build "$BUILD_DIR" -j2

export LIBGL_ALWAYS_SOFTWARE=1
export QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

# Each GUI test program starts its own virtual X server.
# The style checks and the fuzzer (which has its own sanitizers) ran in the plain build.
ctest --test-dir "$BUILD_DIR" --output-on-failure -j2 -E '^(style_|fuzz_)' "$@"
