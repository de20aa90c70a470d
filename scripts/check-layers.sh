#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Layers use only the layers below them. The scene model draws through the
# OpenGL call layer only and the scene document is tested without a window:
# neither may include a Qt widget or Qt OpenGL header, and the document may not
# reach up into the view, the panels or the frame (linking alone would not
# notice either).
set -euo pipefail
cd "$(dirname "$0")/.."
widgets='#\s*include\s*[<"](QtWidgets|QtOpenGL|QtOpenGLWidgets|Q(Widget|Application|OpenGL[A-Za-z]*|MainWindow|MessageBox|Dialog|Label|MdiArea|MdiSubWindow|FileDialog|ColorDialog))\b'
status=0
for layer in src/scene src/document; do
  hits=$(grep -rnE "$widgets" "$layer" || true)
  if [ -n "$hits" ]; then
    echo "$layer includes Qt widget or OpenGL headers:"
    echo "$hits"
    status=1
  fi
done
hits=$(grep -rnE '#\s*include\s*"(TfrmPlot|ViewLinks|ContextScope|TfrmWorkSpace|TfrmOutPut|TMainForm|Messages|Prompts)\.h"' src/document src/scene || true)
if [ -n "$hits" ]; then
  echo "src/document or src/scene includes a header of a layer above it:"
  echo "$hits"
  status=1
fi
# Mesh files and pictures use Qt's core and GUI modules only, no widgets.
hits=$(grep -rnE '#\s*include\s*[<"](QtWidgets|QtPrintSupport|Q(Widget|Application|MainWindow|MessageBox|Dialog|FileDialog|Printer|Label|MdiArea|MdiSubWindow|OpenGLWidget))\b' src/io || true)
if [ -n "$hits" ]; then
  echo "src/io includes Qt widget headers:"
  echo "$hits"
  status=1
fi
# The lattice-Boltzmann solver is plain C++: no Qt and no OpenGL at all.
hits=$(grep -rnE '#\s*include\s*[<"](Q[A-Za-z]*|Qt[A-Za-z]*/[^>"]*|GL/[^>"]*|gl\.h|glu\.h|epoxy/[^>"]*)[>"]' src/lbm || true)
if [ -n "$hits" ]; then
  echo "src/lbm includes Qt or OpenGL headers:"
  echo "$hits"
  status=1
fi
# Writing files whole or not at all is plain C++ (the solver uses it); only
# its Qt convenience header may name Qt.
hits=$(grep -rnE '#\s*include\s*[<"](Q[A-Za-z]*|Qt[A-Za-z]*/[^>"]*)[>"]' src/files --exclude=SafeFileQt.h || true)
if [ -n "$hits" ]; then
  echo "src/files includes Qt headers outside SafeFileQt.h:"
  echo "$hits"
  status=1
fi
# The task runner is Qt Core and the solver only: no widgets, no OpenGL, and
# nothing of the layers that show its results.
hits=$(grep -rnE '#\s*include\s*[<"](QtWidgets|QtGui|QtCharts|QtOpenGL[A-Za-z]*|Q(Widget|Application|GuiApplication|Image|Color|Painter|MainWindow|MessageBox|Dialog|Label|Chart[A-Za-z]*)|GL/[^>"]*|TfrmPlot|TMainForm|TfrmEnviroment|FieldPicture|TaskChart)\b' src/tasks || true)
if [ -n "$hits" ]; then
  echo "src/tasks includes widget, GUI or OpenGL headers:"
  echo "$hits"
  status=1
fi
# The settings dialogs sit below the frame: they may use the solver's task
# check (plain C++) and show the task list (TaskList.h, Qt Core, which the
# runner reads too), but nothing of the task runner, the results, the views,
# the panels or the frame.
above=$(cd src && ls tasks/*.h results/*.h view/*.h panels/*.h app/*.h | grep -v '^tasks/TaskList\.h$' | xargs -n1 basename | sed 's/\.h$//' | paste -sd'|')
hits=$(grep -rnE "#\s*include\s*\"($above)\.h\"" src/settings || true)
if [ -n "$hits" ]; then
  echo "src/settings includes a header of a layer above it:"
  echo "$hits"
  status=1
fi
[ "$status" -eq 0 ] && echo "layers: ok"
exit "$status"
