#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the readers' fuzz targets with clang (libFuzzer, AddressSanitizer,
# UBSan) and runs each for a bounded time: the coordinate-file reader, the
# scene-file reader, the decoder of the mesh import helper's replies, and the
# readers of a run's results (field file, summary, profiles) and of a
# channel's force history (forces.csv, as the results folder and the Results
# page read it).
#   scripts/fuzz.sh [seconds]    (default: $CORVANE_FUZZ_SECONDS or 60, per target;
#                                 at most 30 for the replies' decoder, a small one)
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
    tests/fuzz/CoordFileFuzz.cpp -pthread -lGL -lGLU -o "$work/fuzz" 2>"$work/build.log"; then
  if grep -q "libclang_rt.fuzzer\|fsanitize=fuzzer" "$work/build.log"; then
    cat "$work/build.log"
    echo "clang's fuzzer runtime is not installed: fuzzing skipped"
    exit 77
  fi
  cat "$work/build.log"
  exit 1
fi

# The import helper's replies, as the program decodes them.
clang++ -std=c++17 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  -Isrc/gl -Isrc/scene -Isrc/io \
  src/gl/RealDevice.cpp src/gl/NullDevice.cpp \
  src/scene/TGLObject.cpp src/scene/TGLPolyObject.cpp src/scene/CoordFile.cpp src/scene/FileText.cpp \
  src/io/MeshImportWire.cpp tests/fuzz/ImportReplyFuzz.cpp -pthread -lGL -lGLU -o "$work/fuzz_reply"

# The readers of a results folder: field file, summary and profiles.
clang++ -std=c++17 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  -Isrc/lbm -Isrc/files \
  src/lbm/FieldFile.cpp src/lbm/ResultsFolder.cpp tests/fuzz/FieldFileFuzz.cpp -lz -o "$work/fuzz_field"

# The scene reader needs Qt and the document layer: a small clang build of them.
if ! { cmake -S tests/fuzz/scene -B "$work/scene" -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
         -DCMAKE_BUILD_TYPE=None >"$work/scene.log" 2>&1 &&
       cmake --build "$work/scene" -j2 >>"$work/scene.log" 2>&1; }; then
  cat "$work/scene.log"
  exit 1
fi

# The force history's readers: the results folder's and the Results page's (Qt Core).
if ! { cmake -S tests/fuzz/forces -B "$work/forces" -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
         -DCMAKE_BUILD_TYPE=None >"$work/forces.log" 2>&1 &&
       cmake --build "$work/forces" -j2 >>"$work/forces.log" 2>&1; }; then
  cat "$work/forces.log"
  exit 1
fi

run() { # name binary seeds max_len [seconds]
  mkdir "$work/corpus-$1"
  cp "$3"/* "$work/corpus-$1/"
  echo "== $1"
  "$2" -max_total_time="${5:-$seconds}" -max_len="$4" -rss_limit_mb=2048 -timeout=10 \
    -print_final_stats=1 "$work/corpus-$1" 2>&1 | tail -n 12
}
run coordinates "$work/fuzz" tests/data/fuzz-seeds 4096
run scenes "$work/scene/fuzz_scene" tests/data/scene-seeds 16384
run replies "$work/fuzz_reply" tests/data/import-reply-seeds 4096 $((seconds < 30 ? seconds : 30))
run fields "$work/fuzz_field" tests/data/field-seeds 16384
run forces "$work/forces/fuzz_forces" tests/data/forces-seeds 16384
echo "fuzzing: ${seconds}s per target without a finding"
