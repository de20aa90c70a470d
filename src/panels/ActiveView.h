#pragma once

class QMainWindow;
class TfrmPlot;

// The frame's active MDI child taken as a view, or null when no view is open.
// The panels act on it at the moment of each click, never on a fixed view.
TfrmPlot* ActiveViewOf(const QMainWindow* frame);
