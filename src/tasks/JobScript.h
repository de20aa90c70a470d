// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Batch scripts that run tasks of the list outside the program: one for the
// Slurm queue (sbatch) and one for a plain mpirun, each running
// corvane-lbm once per task on the given number of processes. Each task's
// results go into a folder named as the program names its own results
// (TaskRunner.h: the task's line and the time it starts) and holding the
// same files, so that whatever reads the program's own results reads them.

#include "LbmTask.h"
#include "TaskRunner.h"

#include <QString>
#include <QStringList>

#include <vector>

struct JobScriptOptions {
    int nodes = 1;
    int processes = 2;                                 // MPI processes of each task
    QString timeLimit = QStringLiteral("01:00:00");    // Slurm's --time
    QString jobName = QStringLiteral("corvane-tasks"); // Slurm's --job-name
};

// Limits of the options, and why they are refused; empty when they are fine.
constexpr int kJobScriptMaxNodes = 100000;
constexpr int kJobScriptMaxProcesses = 1000000;
QString CheckJobScriptOptions(const JobScriptOptions& options);

// The tasks as exported: those that can run, and for each one that cannot,
// its line and the solver's reason.
struct JobScriptTasks {
    std::vector<QueuedTask> tasks;
    QStringList skipped;
};
JobScriptTasks ExportableTasks(const std::vector<QueuedTask>& ticked, const lbm::Settings& settings);

// The scripts' text. Results go into the folder named by the environment
// variable CORVANE_RESULTS, or else into "dat" beside the script (under
// Slurm: in the folder sbatch was called from).
QString SlurmScript(const std::vector<QueuedTask>& tasks, const lbm::Settings& settings,
                    const JobScriptOptions& options);
QString MpirunScript(const std::vector<QueuedTask>& tasks, const lbm::Settings& settings,
                     const JobScriptOptions& options);

// Where the mpirun script goes beside the Slurm script at slurmPath:
// "run.sbatch" -> "run-mpirun.sh".
QString MpirunScriptPath(const QString& slurmPath);

// Writes both scripts (executable), each whole or not at all. Throws with the
// file's name and the reason when one cannot be written, or when the options
// or the tasks are refused (no task that can run).
void WriteJobScripts(const QString& slurmPath, const std::vector<QueuedTask>& tasks,
                     const lbm::Settings& settings, const JobScriptOptions& options);
