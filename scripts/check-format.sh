#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a source file is not formatted by the project's .clang-format.
set -euo pipefail
cd "$(dirname "$0")/.."
files=$(git ls-files -- '*.cpp' '*.h' 2>/dev/null || find src tests bench -name '*.cpp' -o -name '*.h')
[ -n "$files" ] || exit 0
clang-format --dry-run --Werror $files
echo "formatting: ok"
# Every source file names its licence.
python3 scripts/spdx.py
echo "licence lines: ok"
