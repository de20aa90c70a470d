#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the Debian package from the build, checks its file list and control
# fields, and runs the programs from an unpacked copy.
#   check-package.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log" >&2; exit 1; }
debs=("$work"/out/corvane_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "no single package: ${debs[*]}" >&2; exit 1; }
deb=${debs[0]}
status=0

[ "$(dpkg-deb -f "$deb" Package)" = corvane ] || { echo "wrong package name" >&2; status=1; }
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || { echo "wrong version: $(dpkg-deb -f "$deb" Version)" >&2; status=1; }
[ "$(dpkg-deb -f "$deb" Architecture)" = "$(dpkg --print-architecture)" ] || { echo "wrong architecture" >&2; status=1; }
depends=$(dpkg-deb -f "$deb" Depends)
# The linked libraries (found by dpkg-shlibdeps) and the plugins Qt loads.
for need in libqt6widgets6 libqt6opengl6 libassimp libgl2ps libopenmpi qt6-qpa-plugins libqt6svg6 libgl1-mesa-dri; do
  [[ "$depends" == *"$need"* ]] || { echo "Depends lacks $need: $depends" >&2; status=1; }
done

list=$(dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|')
id=org.example.Corvane
for f in /usr/bin/corvane /usr/bin/corvane-lbm /usr/lib/corvane/corvane-import /usr/share/applications/$id.desktop \
         /usr/share/metainfo/$id.metainfo.xml /usr/share/mime/packages/$id.xml \
         /usr/share/icons/hicolor/scalable/apps/$id.svg /usr/share/icons/hicolor/48x48/apps/$id.png \
         /usr/share/man/man1/corvane.1 /usr/share/man/man1/corvane-lbm.1 /usr/share/doc/corvane/copyright; do
  grep -qx "$f" <<<"$list" || { echo "package lacks $f" >&2; status=1; }
done
# Nothing of the build's own (tests, benchmarks, headers, static libraries).
if grep -E 'test_|bench|\.a$|\.h$|/include/' <<<"$list"; then
  echo "package holds build files" >&2
  status=1
fi
# Every file lies under /usr.
if grep -v -E '^/$|^/usr(/|$)' <<<"$list"; then
  echo "package installs outside /usr" >&2
  status=1
fi

dpkg-deb -x "$deb" "$work/root"
# The licence, machine-readable: our own and the linked libraries'.
copyright=$work/root/usr/share/doc/corvane/copyright
head -1 "$copyright" | grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
  { echo "copyright is not in the machine-readable format" >&2; status=1; }
grep -qx 'License: GPL-3.0-or-later' "$copyright" || { echo "copyright names no licence of ours" >&2; status=1; }
for lib in 'Qt 6 Charts' libassimp5 libgl2ps libglu1-mesa libgomp1 libopenmpi3; do
  grep -q "$lib" "$copyright" || { echo "copyright lacks $lib" >&2; status=1; }
done
[ "$(env -u DISPLAY "$work/root/usr/bin/corvane" --version | head -n 1)" = "corvane $version" ] ||
  { echo "unpacked corvane --version failed" >&2; status=1; }
[ "$("$work/root/usr/bin/corvane-lbm" --version | head -n 1)" = "corvane-lbm $version" ] ||
  { echo "unpacked corvane-lbm --version failed" >&2; status=1; }
printf 'v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n' >"$work/triangle.obj"
[ "$("$work/root/usr/lib/corvane/corvane-import" --memory 100000000 --address-space 1000000000 --seconds 10 \
      -- "$work/triangle.obj" | head -c 4)" = CVMI ] || { echo "unpacked corvane-import gave no reply" >&2; status=1; }

exit $status
