// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Runs a queue of lattice-Boltzmann tasks one after another on a worker
// thread. The runner itself lives on the thread that made it (the GUI
// thread); everything it reports arrives there as queued calls, so its
// signals are emitted on that thread and may touch widgets.
//
// Each task's results go into a folder of its own under the data folder,
// named after the task's line and the time it started. A task that cannot run
// or fails is reported with its message and the queue goes on with the next;
// Stop ends the running task (its partial results are written and it counts as
// not converged) and drops the tasks after it.

#include "LbmResults.h"
#include "LbmRun.h"
#include "TaskList.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

class QDateTime;
class QThread;

struct QueuedTask {
    int row = 0;  // the task's line in the task list
    QString line; // the display line, which also names the results folder
    lbm::Task task;
};

struct TaskProgress {
    std::int64_t step = 0;
    std::int64_t maxSteps = 0;
    double residual = 0;
    double mlups = 0;
    double seconds = 0;
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
};

// A task line made into a file name: "D2Q9 ren 400Gx 129 Gy 129" -> "D2Q9_ren_400Gx_129_Gy_129".
QString TaskFileStem(const QString& line);
// "D2Q9 ren 400Gx 129 Gy 129" at 2026-12-10 06:01:02 -> "D2Q9_ren_400Gx_129_Gy_129_20261210-060102".
QString ResultsFolderName(const QString& line, const QDateTime& when);

class TTaskRunner : public QObject {
    Q_OBJECT

public:
    explicit TTaskRunner(QObject* parent = nullptr);
    // Stops the queue and waits for the running task to write its results.
    ~TTaskRunner() override;

    // The solver settings of every task (progress reports come at every check).
    void SetSettings(const lbm::Settings& settings) { FSettings = settings; }
    const lbm::Settings& Settings() const { return FSettings; }
    // Least time between two live fields (FieldUpdated); 0 sends none.
    void SetFieldInterval(double seconds) { FFieldInterval = seconds; }

    // Starts the queue; results go under dataFolder. False when a queue is
    // running already.
    bool Start(std::vector<QueuedTask> queue, const QString& dataFolder);
    bool IsRunning() const { return FThread != nullptr; }

    void Pause();
    void Resume();
    bool IsPaused() const { return FPaused.load(); }
    // Cancels the running task and the rest of the queue.
    void Stop();
    // Waits for the worker to end (and delivers what it reported); false on time-out.
    bool Wait(int milliseconds = -1);

signals:
    void TaskStarted(int index, const QueuedTask& task);
    void Progressed(int index, const TaskProgress& progress);
    // The velocity field of the running task, now and then.
    void FieldUpdated(int index, std::shared_ptr<const lbm::Fields> fields);
    void TaskFinished(int index, const QueuedTask& task, const TaskOutcome& outcome);
    void QueueFinished();

private:
    void Work(const std::vector<QueuedTask>& queue, const QString& dataFolder);
    TaskOutcome RunOne(int index, const QueuedTask& queued, const QString& dataFolder);
    void Finished();

    lbm::Settings FSettings;
    double FFieldInterval = 1.0;
    QThread* FThread = nullptr;
    std::vector<QueuedTask> FQueue;
    std::atomic<bool> FPaused{false};
    std::atomic<bool> FCancelled{false};
    std::mutex FMutex;                   // guards FControl
    lbm::RunControl* FControl = nullptr; // the running task's
};
