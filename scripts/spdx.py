#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Every source file names its licence in its first lines.

Without arguments it checks and lists the files that do not; with --add it
puts the line into them (after a #! line where there is one)."""
import subprocess
import sys
from pathlib import Path

LICENCE = "SPDX-License-Identifier: GPL-3.0-or-later"
ROOT = Path(__file__).resolve().parent.parent


def comment_for(path: str):
    name = Path(path).name
    if name.endswith((".cpp", ".h", ".cpp.in", ".h.in")):
        return "// "
    if name in ("CMakeLists.txt", "run") or name.endswith((".sh", ".py", ".cmake", ".desktop")):
        return "# "
    if name.endswith(".1"):
        return '.\\" '
    return None


def main() -> int:
    add = "--add" in sys.argv[1:]
    files = subprocess.run(["git", "ls-files"], cwd=ROOT, check=True, capture_output=True,
                           text=True).stdout.split("\n")
    missing = []
    for path in filter(None, files):
        prefix = comment_for(path)
        if prefix is None or not (ROOT / path).is_file():
            continue
        text = (ROOT / path).read_text(encoding="utf-8")
        lines = text.split("\n")
        if any(LICENCE in line for line in lines[:3]):
            continue
        if not add:
            missing.append(path)
            continue
        at = 1 if lines and lines[0].startswith("#!") else 0
        lines.insert(at, prefix + LICENCE)
        (ROOT / path).write_text("\n".join(lines), encoding="utf-8")
    for path in missing:
        print(f"{path}: no '{LICENCE}' line at the top", file=sys.stderr)
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main())
