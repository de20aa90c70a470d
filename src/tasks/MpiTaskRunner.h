// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Runs a queue of tasks one after another, each as corvane-lbm under
// `mpirun -np N`, and reports them as TTaskRunner reports its own runs.
//
// The solver prints one JSON object per line (corvane-lbm --progress json):
// the progress at every check, now and then a coarse velocity field, and a
// last line saying how it ended. Its results go into a folder named as the
// program names its own; once it has ended they are read back from there.
//
// Pause stops the process group of mpirun (SIGSTOP: mpirun and its processes
// alike, which then take no processor time); Resume continues it. Stop sends
// the line "stop" to the solver's standard input: rank 0 cancels the run, the
// others follow at their next check and the partial results are written.
// Signalling mpirun instead would make it kill its processes a second later,
// whether they had written their results or not. A child that dies, ends
// without its last line or prints what cannot be read gives the failed state,
// and its message ends with the child's last lines of output.

#include "TaskQueue.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QTimer;

class TMpiTaskRunner : public TTaskQueue {
    Q_OBJECT

public:
    explicit TMpiTaskRunner(QObject* parent = nullptr);
    // Stops the queue and waits a while for the running task to write its results.
    ~TMpiTaskRunner() override;

    // Processes of each run (mpirun's -np), at least 1.
    void SetProcesses(int processes) { FProcesses = processes < 1 ? 1 : processes; }
    int Processes() const { return FProcesses; }
    // The solver's executable and the launcher; by default corvane-lbm and
    // mpirun as FindSolverTool and FindMpirun find them.
    void SetSolverTool(const QString& path) { FTool = path; }
    const QString& SolverTool() const { return FTool; }
    void SetMpirun(const QString& path) { FMpirun = path; }
    const QString& Mpirun() const { return FMpirun; }

    // mpirun on the PATH; empty when there is none.
    static QString FindMpirun();
    // corvane-lbm beside the program's executable (installed, or in the build
    // tree), else on the PATH; empty when there is none.
    static QString FindSolverTool();

    // The arguments of mpirun for a task whose results go into folder.
    QStringList Arguments(const QueuedTask& task, const QString& folder) const;

    bool Start(std::vector<QueuedTask> queue, const QString& dataFolder) override;
    bool IsRunning() const override { return FRunning; }
    void Pause() override;
    void Resume() override;
    bool IsPaused() const override { return FPaused; }
    void Stop() override;
    bool Wait(int milliseconds = -1) override;

    // Lines of the child's output kept for the message of a failed run.
    static constexpr int kLastLines = 12;
    // Longest line read from the child (a field line is some 100 kB).
    static constexpr qsizetype kMaxLineBytes = 8 << 20;

private:
    void StartNext();
    void FinishTask(TaskOutcome outcome);
    void ReadOutput();
    void ReadErrors();
    void Line(const QByteArray& line);
    void Ended(int exitCode, QProcess::ExitStatus status);
    void Keep(const QString& line);
    QString LastLines() const;
    void Signal(int signal);
    void Abandon(const QString& why);

    int FProcesses = 2;
    QString FTool;
    QString FMpirun;

    bool FRunning = false;
    bool FPaused = false;
    bool FCancelled = false;
    std::vector<QueuedTask> FQueue;
    QString FDataFolder;
    int FIndex = -1;

    // The running task's.
    QProcess* FProcess = nullptr;
    QTimer* FStopTimer = nullptr; // after a stop line the child is given this long
    QString FFolder;
    TaskOutcome FOutcome;
    QByteArray FOut, FErr;
    QStringList FLast;
    bool FEnded = false; // the last JSON line came
    QString FEndStatus;  // its status
    QString FBadOutput;  // set when the output could not be read
    double FFirstResidual = -1;
    QElapsedTimer FSinceReport, FSinceField;
    bool FReported = false;
};
