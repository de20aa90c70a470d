// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the frame sees of a queue of tasks being run, wherever they run: in
// this process (TTaskRunner) or as corvane-lbm under mpirun (TMpiTaskRunner).
// Both report the same signals on the thread that made them, so the frame
// shows a run the same way either way.

#include "Forces.h"
#include "LbmTask.h"
#include "TaskList.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

class QDateTime;

namespace lbm {
struct Fields;
}

struct QueuedTask {
    QueuedTask() = default;
    QueuedTask(int row_, QString line_, lbm::Task task_)
        : row(row_), line(std::move(line_)), task(std::move(task_))
    {
    }

    int row = 0;    // the task's line in the task list
    QString line;   // the display line, which also names the results folder
    lbm::Task task; // a channel's with the obstacles cut when the queue started
    // Why the task cannot run (a channel's obstacles could not be had); empty when it can.
    QString problem;
    // A channel's scene file and plane for the solver under mpirun (a view's
    // scene written to a file when the queue started).
    QString scene;
    double plane = 0;
    // Steps between two snapshots of the field kept in the results folder; 0: none.
    std::int64_t snapshots = 0;
};

// The settings a task runs with: a channel's inflow at its own lattice speed.
lbm::Settings TaskSettings(const lbm::Task& task, lbm::Settings settings);

struct TaskProgress {
    std::int64_t step = 0;
    std::int64_t maxSteps = 0;
    double residual = 0;
    double mlups = 0;
    double seconds = 0;
    bool channel = false;  // the figures below are a channel's
    double cd = 0, cl = 0; // a channel's drag and lift coefficients now
    // How far the run has come, 0 to 1: the larger of the steps against the
    // limit and the residual's way down from its first value to the
    // tolerance, on a log scale.
    double fraction = 0;
};

// How far a run has come (see TaskProgress::fraction).
double ProgressFraction(std::int64_t step, std::int64_t maxSteps, double firstResidual, double residual,
                        double tolerance);

struct TaskOutcome {
    TaskState state = TaskState::Failed;
    QString message;
    QString folder; // where its results are; empty when nothing was written
    std::int64_t steps = 0;
    double residual = 0;
    double seconds = 0;
    double mlups = 0;
    std::vector<std::pair<std::int64_t, double>> residualHistory; // (step, residual) at every check
    std::shared_ptr<const lbm::Fields> fields;                    // null when there are none
    // A channel's drag and lift over the run and its figures (empty history for a cavity).
    bool channel = false;
    lbm::ChannelFigures figures;
};

// A task line made into a file name: "D2Q9 ren 400Gx 129 Gy 129" -> "D2Q9_ren_400Gx_129_Gy_129".
QString TaskFileStem(const QString& line);
// "D2Q9 ren 400Gx 129 Gy 129" at 2026-12-10 06:01:02 -> "D2Q9_ren_400Gx_129_Gy_129_20261210-060102".
QString ResultsFolderName(const QString& line, const QDateTime& when);
// Makes a new results folder for the task's line under dataFolder, named as
// ResultsFolderName says (with -2, -3, ... after it when that one exists).
// Returns an empty string and the folder, or why it cannot be made.
QString MakeResultsFolder(const QString& dataFolder, const QString& line, QString& folder);

class TTaskQueue : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // The solver settings of every task.
    void SetSettings(const lbm::Settings& settings) { FSettings = settings; }
    const lbm::Settings& Settings() const { return FSettings; }
    // Least time between two live fields (FieldUpdated); 0 sends none.
    void SetFieldInterval(double seconds) { FFieldInterval = seconds; }
    double FieldInterval() const { return FFieldInterval; }

    // Starts the queue; results go under dataFolder. False when a queue is
    // running already.
    virtual bool Start(std::vector<QueuedTask> queue, const QString& dataFolder) = 0;
    virtual bool IsRunning() const = 0;

    virtual void Pause() = 0;
    virtual void Resume() = 0;
    virtual bool IsPaused() const = 0;
    // Cancels the running task (its partial results are kept) and the rest of the queue.
    virtual void Stop() = 0;
    // Waits for the queue to end (and delivers what it reported); false on time-out.
    virtual bool Wait(int milliseconds = -1) = 0;

signals:
    void TaskStarted(int index, const QueuedTask& task);
    void Progressed(int index, const TaskProgress& progress);
    // The velocity field of the running task, now and then.
    void FieldUpdated(int index, std::shared_ptr<const lbm::Fields> fields);
    void TaskFinished(int index, const QueuedTask& task, const TaskOutcome& outcome);
    void QueueFinished();

protected:
    lbm::Settings FSettings;
    double FFieldInterval = 1.0;
};
