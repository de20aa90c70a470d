# SPDX-License-Identifier: GPL-3.0-or-later
"""Prints the grid and every value of a run's field.vti as text, one number a
line (the standard library only: the compressed appended form the solver
writes, or the text form of runs before), for scripts that compare two runs.

    field_values.py FIELD.vti
"""

import re
import struct
import sys
import zlib


def main():
    data = open(sys.argv[1], "rb").read()
    mark = data.find(b"<AppendedData")
    head = data[:mark if mark >= 0 else len(data)].decode("ascii")
    print(re.search(r'WholeExtent="([^"]*)"', head).group(1))
    if mark < 0:
        for body in re.findall(r'format="ascii">([^<]*)</DataArray>', head):
            print("\n".join(body.split()))
        return
    base = data.index(b"_", mark) + 1
    for offset in re.findall(r'format="appended" offset="(\d+)"', head):
        at = base + int(offset)
        blocks, _, _ = struct.unpack_from("<3Q", data, at)
        sizes = struct.unpack_from(f"<{blocks}Q", data, at + 24)
        at += 24 + 8 * blocks
        raw = b""
        for size in sizes:
            raw += zlib.decompress(data[at:at + size])
            at += size
        for (value,) in struct.iter_unpack("<d", raw):
            print(repr(value))


if __name__ == "__main__":
    main()
