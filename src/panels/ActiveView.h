// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>

class QMainWindow;
class TfrmPlot;

// The frame's active MDI child taken as a view, or null when no view is open.
// The panels act on it at the moment of each click, never on a fixed view.
TfrmPlot* ActiveViewOf(const QMainWindow* frame);

class QAction;
class QWidget;

// While no view is open, the status tips of controls that act on a view say
// why they are off; their own hints come back once a view opens.
void ExplainNoView(const QList<QWidget*>& controls, bool viewOpen);
// Enables such controls exactly while a view is open, with the tips above.
void EnableForView(const QList<QWidget*>& controls, bool viewOpen);
// The same for commands (menu entries).
void EnableForView(const QList<QAction*>& commands, bool viewOpen);
