#!/usr/bin/env bash
# Builds the coordinate-file reader's fuzz target with clang (libFuzzer,
# AddressSanitizer, UBSan) and runs it for a bounded time.
#   scripts/fuzz.sh [seconds]    (default: $CORVANE_FUZZ_SECONDS or 60)
# Exits 77 (skipped) when clang or its fuzzer runtime is not installed.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-${CORVANE_FUZZ_SECONDS:-60}}
if ! command -v clang++ >/dev/null; then
  echo "clang++ is not installed: fuzzing skipped"
  exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if ! clang++ -std=c++17 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
    -Isrc/gl -Isrc/scene \
    src/gl/RealDevice.cpp src/gl/NullDevice.cpp \
    src/scene/TGLObject.cpp src/scene/TGLPolyObject.cpp src/scene/CoordFile.cpp src/scene/FileText.cpp \
    tests/fuzz/CoordFileFuzz.cpp -lGL -lGLU -o "$work/fuzz" 2>"$work/build.log"; then
  if grep -q "libclang_rt.fuzzer\|fsanitize=fuzzer" "$work/build.log"; then
    cat "$work/build.log"
    echo "clang's fuzzer runtime is not installed: fuzzing skipped"
    exit 77
  fi
  cat "$work/build.log"
  exit 1
fi

mkdir "$work/corpus"
cp tests/data/fuzz-seeds/* "$work/corpus/"
"$work/fuzz" -max_total_time="$seconds" -max_len=4096 -rss_limit_mb=2048 -timeout=10 \
  -print_final_stats=1 "$work/corpus" 2>&1 | tail -n 25
echo "fuzzing: ${seconds}s without a finding"
