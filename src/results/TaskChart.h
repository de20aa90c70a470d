#pragma once

// The chart window of a finished cavity run: the u and v profiles along the
// centre lines, with the published reference points where the table has the
// run's Reynolds number, and the residual history on a log scale.

#include <QWidget>

class QChart;
class QChartView;
struct QueuedTask;
struct TaskOutcome;

class TfrmTaskChart : public QWidget {
    Q_OBJECT

public:
    TfrmTaskChart(const QueuedTask& task, const TaskOutcome& outcome, double lidSpeed,
                  QWidget* parent = nullptr);

    QChart* Profiles() const { return FProfiles; }
    QChart* Residuals() const { return FResiduals; }

private:
    QChart* FProfiles;
    QChart* FResiduals;
};

// Opens the chart window of the run (a window of its own, deleted when closed).
TfrmTaskChart* ShowTaskChart(const QueuedTask& task, const TaskOutcome& outcome, double lidSpeed,
                             QWidget* parent);
