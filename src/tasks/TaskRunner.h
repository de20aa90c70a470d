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
#include "TaskQueue.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

class QThread;

class TTaskRunner : public TTaskQueue {
    Q_OBJECT

public:
    explicit TTaskRunner(QObject* parent = nullptr);
    // Stops the queue and waits for the running task to write its results.
    ~TTaskRunner() override;

    bool Start(std::vector<QueuedTask> queue, const QString& dataFolder) override;
    bool IsRunning() const override { return FThread != nullptr; }

    void Pause() override;
    void Resume() override;
    bool IsPaused() const override { return FPaused.load(); }
    void Stop() override;
    bool Wait(int milliseconds = -1) override;

private:
    void Work(const std::vector<QueuedTask>& queue, const QString& dataFolder);
    TaskOutcome RunOne(int index, const QueuedTask& queued, const QString& dataFolder);
    void Finished();

    QThread* FThread = nullptr;
    std::vector<QueuedTask> FQueue;
    std::atomic<bool> FPaused{false};
    std::atomic<bool> FCancelled{false};
    std::mutex FMutex;                   // guards FControl
    lbm::RunControl* FControl = nullptr; // the running task's
};
