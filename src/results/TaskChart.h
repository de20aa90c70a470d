// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The chart window of a finished run: for a cavity the u and v profiles
// along the centre lines, with the published reference points where the
// table has the run's Reynolds number, for a channel its drag and lift
// coefficients over the steps; and the residual history on a log scale.

#include "ChartFiles.h"

#include <QByteArray>
#include <QWidget>

#include <utility>
#include <vector>

class QChart;
class QChartView;
class QImage;
class QPainter;
class QToolButton;
struct QueuedTask;
struct TaskOutcome;

// The window sits in the frame's MDI area beside the views; it saves itself
// as a picture (PNG), a drawing (SVG) or the plotted numbers (CSV).
class TfrmTaskChart : public QWidget {
    Q_OBJECT

public:
    TfrmTaskChart(const QueuedTask& task, const TaskOutcome& outcome, double lidSpeed,
                  QWidget* parent = nullptr);
    // The same with the profiles given, as a results folder holds them
    // ((position, velocity / U) from wall to wall; either may be empty).
    TfrmTaskChart(const QueuedTask& task, const TaskOutcome& outcome,
                  const std::vector<std::pair<double, double>>& u,
                  const std::vector<std::pair<double, double>>& v, QWidget* parent = nullptr);

    // The upper chart: the centre-line profiles, or a channel's cD and cL.
    QChart* Profiles() const { return FProfiles; }
    QChart* Residuals() const { return FResiduals; }
    QToolButton* SaveButton() const { return FSave; }

    // The file dialog's filters, one per format the chart saves in.
    static QString SaveFilter();
    // Writes the chart in the format the file's extension names (.png, .svg
    // or .csv); returns what went wrong, empty when it was written.
    QString SaveTo(const QString& fileName) const;
    // "Save As...": asks for a file and saves, showing what went wrong.
    void SaveAsClick();

    // Both charts as a picture of the window's size, and as an SVG drawing.
    QImage Picture() const;
    QByteArray Drawing() const;
    // Every plotted point: chart, series, x and y, one a line, with a heading.
    QByteArray Numbers() const;

private:
    void ProfileChart(const QueuedTask& task, const std::vector<std::pair<double, double>>& u,
                      const std::vector<std::pair<double, double>>& v);
    void ForceChart(const QueuedTask& task, const TaskOutcome& outcome);
    std::vector<ChartPane> Panes() const;

    QChart* FProfiles;
    QChart* FResiduals;
    QChartView* FProfilesView;
    QChartView* FResidualsView;
    QToolButton* FSave;
    bool FForces = false; // the upper chart is a channel's cD and cL
};
