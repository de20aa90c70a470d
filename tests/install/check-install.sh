#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into a temporary prefix and checks that the desktop
# files are where a desktop looks for them and pass the desktop's validators.
#   check-install.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
want_version=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null

id=org.example.Corvane
expected=(
  bin/corvane
  bin/corvane-lbm
  lib/corvane/corvane-import
  share/applications/$id.desktop
  share/metainfo/$id.metainfo.xml
  share/mime/packages/$id.xml
  share/icons/hicolor/scalable/apps/$id.svg
  share/man/man1/corvane.1
  share/man/man1/corvane-lbm.1
  share/corvane/samples/still-life.cvs
  share/corvane/samples/cylinder-channel-3d.cvs
  share/corvane/samples/cylinder.poly
)
for size in 16 22 24 32 48 64 128 256; do
  expected+=("share/icons/hicolor/${size}x${size}/apps/$id.png")
done
status=0
for f in "${expected[@]}"; do
  if [ ! -s "$prefix/$f" ]; then
    echo "missing or empty: $f" >&2
    status=1
  fi
done
for f in bin/corvane bin/corvane-lbm lib/corvane/corvane-import; do
  [ -x "$prefix/$f" ] || { echo "not executable: $f" >&2; status=1; }
done

# Each PNG is the size its folder says.
for size in 16 48 256; do
  actual=$(file -b "$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png")
  case "$actual" in
    *"$size x $size"*) ;;
    *) echo "icon ${size}x${size} is: $actual" >&2; status=1 ;;
  esac
done

desktop-file-validate "$prefix/share/applications/$id.desktop" || status=1
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" || status=1
xmllint --noout "$prefix/share/mime/packages/$id.xml" || status=1

# The MIME database built from our definitions knows both file types, and the
# desktop entry offers to open both.
update-mime-database "$prefix/share/mime" >/dev/null 2>&1 || { echo "update-mime-database failed" >&2; status=1; }
grep -q 'application/x-corvane-scene:\*\.cvs' "$prefix/share/mime/globs" || { echo "no .cvs glob" >&2; status=1; }
grep -q 'text/x-corvane-coordinates:\*\.coor' "$prefix/share/mime/globs" || { echo "no .coor glob" >&2; status=1; }
grep -q '^MimeType=application/x-corvane-scene;text/x-corvane-coordinates;$' \
  "$prefix/share/applications/$id.desktop" || { echo "desktop entry lacks the types" >&2; status=1; }

# The manual pages format without warnings.
for page in corvane corvane-lbm; do
  warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' man --warnings -l "$prefix/share/man/man1/$page.1" 2>&1 >/dev/null || true)
  [ -z "$warnings" ] || { echo "$page.1: $warnings" >&2; status=1; }
done

# The installed program answers --help and --version without a window.
version=$(env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/corvane" --version | head -n 1)
[ "$version" = "corvane $want_version" ] ||
  { echo "corvane --version printed: $version" >&2; status=1; }
# (Each text is read whole first: grep -q stops reading at its first match,
# and a program still writing a text longer than one write would die of
# the closed pipe, which pipefail counts as a failure.)
text=$(env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/corvane" --version) || text=
grep -q '^License GPL-3.0-or-later' <<<"$text" ||
  { echo "corvane --version names no licence" >&2; status=1; }
text=$(env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/corvane" --help) || text=
grep -q '^Usage: corvane' <<<"$text" || { echo "corvane --help printed no usage" >&2; status=1; }
text=$("$prefix/bin/corvane-lbm" --help) || text=
grep -q '^Usage: corvane-lbm' <<<"$text" || { echo "corvane-lbm --help failed" >&2; status=1; }
[ "$("$prefix/bin/corvane-lbm" --version | head -n 1)" = "corvane-lbm $want_version" ] || { echo "corvane-lbm --version failed" >&2; status=1; }
# The import helper (which the program finds in ../lib/corvane) reads a mesh
# and replies.
printf 'v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n' >"$prefix/triangle.obj"
[ "$("$prefix/lib/corvane/corvane-import" --memory 100000000 --address-space 1000000000 --seconds 10 \
      -- "$prefix/triangle.obj" | head -c 4)" = CVMI ] || { echo "corvane-import gave no reply" >&2; status=1; }
# An unknown option is refused with a message and status 2, without a display
# too; the options Qt takes for itself are still Qt's.
set +e
message=$(env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/corvane" -style Fusion --no-such-option 2>&1 >/dev/null)
code=$?
set -e
[ $code -eq 2 ] && [[ "$message" == *"unknown option '--no-such-option'"* ]] ||
  { echo "unknown option gave status $code: $message" >&2; status=1; }

exit $status
