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
# Mesh files and pictures use Qt's core and GUI modules only, no widgets.
hits=$(grep -rnE '#\s*include\s*[<"](QtWidgets|QtPrintSupport|Q(Widget|Application|MainWindow|MessageBox|Dialog|FileDialog|Printer|Label|MdiArea|MdiSubWindow|OpenGLWidget))\b' src/io || true)
if [ -n "$hits" ]; then
  echo "src/io includes Qt widget headers:"
  echo "$hits"
  exit 1
fi
echo "layers: ok"
