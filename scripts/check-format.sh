#!/usr/bin/env bash
# Fails when a source file is not formatted by the project's .clang-format.
set -euo pipefail
cd "$(dirname "$0")/.."
files=$(git ls-files -- '*.cpp' '*.h' 2>/dev/null || find src tests bench -name '*.cpp' -o -name '*.h')
[ -n "$files" ] || exit 0
clang-format --dry-run --Werror $files
echo "formatting: ok"
