#!/usr/bin/env bash
# The scene model draws through the OpenGL call layer only: it must not
# include a Qt widget or Qt OpenGL header (linking alone would not notice).
set -euo pipefail
cd "$(dirname "$0")/.."
hits=$(grep -rnE '#\s*include\s*[<"](QtWidgets|QtOpenGL|QtOpenGLWidgets|Q(Widget|Application|OpenGL[A-Za-z]*|MainWindow|MessageBox|Dialog|Label|MdiArea|MdiSubWindow))\b' src/scene || true)
if [ -n "$hits" ]; then
  echo "src/scene includes Qt widget or OpenGL headers:"
  echo "$hits"
  exit 1
fi
# The lattice-Boltzmann solver is plain C++: no Qt and no OpenGL at all.
hits=$(grep -rnE '#\s*include\s*[<"](Q[A-Za-z]*|Qt[A-Za-z]*/[^>"]*|GL/[^>"]*|gl\.h|glu\.h|epoxy/[^>"]*)[>"]' src/lbm || true)
if [ -n "$hits" ]; then
  echo "src/lbm includes Qt or OpenGL headers:"
  echo "$hits"
  exit 1
fi
echo "layers: ok"
