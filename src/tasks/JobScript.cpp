// SPDX-License-Identifier: GPL-3.0-or-later
#include "JobScript.h"

#include "SafeFileQt.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>

#include <stdexcept>

namespace {

// A word for the shell, whatever it holds: in single quotes, each quote as '\''.
QString Quoted(const QString& text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

// The shortest text that reads back as the same number ("1e-07", "0.1").
QString Number(double value) { return QString::number(value, 'g', QLocale::FloatingPointShortest); }

// The options of corvane-lbm that make a run of the task the run the program makes.
QString SolverArguments(const QueuedTask& queued, const lbm::Settings& settings)
{
    const lbm::Task& task = queued.task;
    const QString grid = lbm::IsThreeDimensional(task.model)
                             ? QStringLiteral("%1x%2x%3").arg(task.gx).arg(task.gy).arg(task.gz)
                             : QStringLiteral("%1x%2").arg(task.gx).arg(task.gy);
    return QStringLiteral("--model %1 --re %2 --grid %3 --tolerance %4 --max-steps %5 --lid-speed %6 "
                          "--precision %7%8")
        .arg(Quoted(QString::fromStdString(task.model)), Number(task.reynolds), grid)
        .arg(Number(settings.tolerance))
        .arg(settings.maxSteps)
        .arg(Number(settings.lidSpeed))
        .arg(settings.precision == lbm::Precision::Float ? QStringLiteral("float") : QStringLiteral("double"))
        .arg(queued.snapshots > 0 ? QStringLiteral(" --snapshots %1").arg(queued.snapshots) : QString());
}

// What both scripts share after their first lines: where the results go,
// the folder of each task, and how each run ended.
QString Common(const QString& here)
{
    return QStringLiteral("set -u\n"
                          "here=%1\n"
                          "results=${CORVANE_RESULTS:-$here/dat}\n"
                          "mkdir -p \"$results\" || { echo \"Cannot create the results folder $results\" "
                          ">&2; exit 4; }\n"
                          "failed=0\n"
                          "\n"
                          "# A new folder for a task: its name and the time it starts, with -2, -3,\n"
                          "# ... after it when that folder exists already.\n"
                          "results_folder() {\n"
                          "  local base folder n=2\n"
                          "  base=\"$results/$1_$(date +%Y%m%d-%H%M%S)\"\n"
                          "  folder=$base\n"
                          "  while [ -e \"$folder\" ]; do folder=\"$base-$n\"; n=$((n + 1)); done\n"
                          "  printf '%s\\n' \"$folder\"\n"
                          "}\n"
                          "\n"
                          "# How a run ended (corvane-lbm's exit status): 0 converged, 1 step limit\n"
                          "# reached, anything else failed.\n"
                          "ended() {\n"
                          "  case $1 in\n"
                          "    0) echo \"$2: converged. Results in $3\" ;;\n"
                          "    1) echo \"$2: not converged (step limit). Results in $3\" ;;\n"
                          "    *) echo \"$2: failed (exit status $1)\" >&2; failed=$((failed + 1)) ;;\n"
                          "  esac\n"
                          "}\n")
        .arg(here);
}

QString Header(const QString& purpose, const std::vector<QueuedTask>& tasks, const JobScriptOptions& options)
{
    QString text = QStringLiteral("# %1\n# Written by Corvane on %2: %3 task(s), each on %4 process(es).\n")
                       .arg(purpose, QDateTime::currentDateTime().toString(Qt::ISODate))
                       .arg(tasks.size())
                       .arg(options.processes);
    text += QStringLiteral("# Each task's results go into a folder of their own under $CORVANE_RESULTS\n"
                           "# (by default the folder \"dat\" beside this script), named after the task\n"
                           "# and the time it starts, as Corvane names the folders of its own runs, and\n"
                           "# holding the same files (u_centreline.csv, v_centreline.csv, field.vti,\n"
                           "# summary.json). corvane-lbm is found on the PATH.\n");
    return text;
}

QString Runs(const std::vector<QueuedTask>& tasks, const lbm::Settings& settings, const QString& launcher)
{
    QString text;
    int n = 0;
    for (const QueuedTask& queued : tasks) {
        text += QStringLiteral("\n# Task %1: %2\n").arg(++n).arg(queued.line);
        text += QStringLiteral("out=$(results_folder %1)\n").arg(Quoted(TaskFileStem(queued.line)));
        text += launcher + QStringLiteral(" corvane-lbm ") + SolverArguments(queued, settings) +
                QStringLiteral(" --out \"$out\"\n");
        text += QStringLiteral("ended \"$?\" %1 \"$out\"\n").arg(Quoted(queued.line));
    }
    text += QStringLiteral("\necho \"%1 task(s) run, $failed failed.\"\n[ \"$failed\" -eq 0 ]\n")
                .arg(tasks.size());
    return text;
}

void Write(const QString& path, const QString& text)
{
    const QString reason = safefile::WriteWhole(path, text.toUtf8());
    if (!reason.isEmpty())
        throw std::runtime_error(
            QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(path), reason).toStdString());
    // A script runs by its name as well: executable where it is readable.
    QFile file(path);
    QFileDevice::Permissions permissions = file.permissions();
    if (permissions & QFileDevice::ReadOwner)
        permissions |= QFileDevice::ExeOwner | QFileDevice::ExeUser;
    if (permissions & QFileDevice::ReadGroup)
        permissions |= QFileDevice::ExeGroup;
    if (permissions & QFileDevice::ReadOther)
        permissions |= QFileDevice::ExeOther;
    file.setPermissions(permissions);
}

} // namespace

QString CheckJobScriptOptions(const JobScriptOptions& options)
{
    if (options.nodes < 1 || options.nodes > kJobScriptMaxNodes)
        return QStringLiteral("The number of nodes is a whole number from 1 to %1.").arg(kJobScriptMaxNodes);
    if (options.processes < 1 || options.processes > kJobScriptMaxProcesses)
        return QStringLiteral("The number of processes is a whole number from 1 to %1.")
            .arg(kJobScriptMaxProcesses);
    if (options.processes < options.nodes)
        return QStringLiteral("%1 processes cannot fill %2 nodes: ask for at least one process a node.")
            .arg(options.processes)
            .arg(options.nodes);
    // Slurm's forms: minutes, minutes:seconds, hours:minutes:seconds,
    // days-hours, days-hours:minutes, days-hours:minutes:seconds.
    static const QRegularExpression time(
        QStringLiteral("^(\\d{1,7}(:\\d{1,2}){0,2}|\\d{1,4}-\\d{1,2}(:\\d{1,2}){0,2})$"));
    if (!time.match(options.timeLimit).hasMatch())
        return QStringLiteral(
                   "The time limit \"%1\" is none of Slurm's forms: minutes, hours:minutes:seconds "
                   "or days-hours:minutes:seconds (for example 01:30:00 or 2-00:00:00).")
            .arg(options.timeLimit.left(40));
    static const QRegularExpression name(QStringLiteral("^[A-Za-z0-9._-]{1,64}$"));
    if (!name.match(options.jobName).hasMatch())
        return QStringLiteral("The job name is 1 to 64 letters, digits, '.', '_' or '-'.");
    return {};
}

JobScriptTasks ExportableTasks(const std::vector<QueuedTask>& ticked, const lbm::Settings& settings)
{
    JobScriptTasks exported;
    for (const QueuedTask& queued : ticked) {
        const std::string problem = lbm::CheckTask(queued.task, settings);
        if (problem.empty())
            exported.tasks.push_back(queued);
        else
            exported.skipped << QStringLiteral("%1: %2").arg(queued.line, QString::fromStdString(problem));
    }
    return exported;
}

QString SlurmScript(const std::vector<QueuedTask>& tasks, const lbm::Settings& settings,
                    const JobScriptOptions& options)
{
    QString text = QStringLiteral("#!/bin/bash\n");
    text +=
        QStringLiteral("#SBATCH --job-name=%1\n#SBATCH --nodes=%2\n#SBATCH --ntasks=%3\n#SBATCH --time=%4\n"
                       "#SBATCH --output=%1-%j.out\n")
            .arg(options.jobName)
            .arg(options.nodes)
            .arg(options.processes)
            .arg(options.timeLimit);
    text += Header(QStringLiteral("Runs the tasks one after another in one Slurm job: sbatch THIS-FILE"),
                   tasks, options);
    text += QStringLiteral("# Under Slurm, \"beside this script\" is the folder sbatch was called from.\n");
    text += Common(QStringLiteral("${SLURM_SUBMIT_DIR:-$(cd \"$(dirname \"${BASH_SOURCE[0]}\")\" && pwd)}"));
    text += Runs(tasks, settings, QStringLiteral("srun"));
    return text;
}

QString MpirunScript(const std::vector<QueuedTask>& tasks, const lbm::Settings& settings,
                     const JobScriptOptions& options)
{
    QString text = QStringLiteral("#!/usr/bin/env bash\n");
    text += Header(QStringLiteral("Runs the tasks one after another under mpirun: bash THIS-FILE"), tasks,
                   options);
    text += QStringLiteral("# Options of your own for mpirun go in MPIRUN_ARGS, for example\n"
                           "#   MPIRUN_ARGS=\"--hostfile hosts\" bash THIS-FILE\n");
    text += Common(QStringLiteral("$(cd \"$(dirname \"${BASH_SOURCE[0]}\")\" && pwd)"));
    text += QStringLiteral("read -r -a mpirun_args <<<\"${MPIRUN_ARGS:-}\"\n");
    text +=
        Runs(tasks, settings, QStringLiteral("mpirun \"${mpirun_args[@]}\" -np %1").arg(options.processes));
    return text;
}

QString MpirunScriptPath(const QString& slurmPath)
{
    const QFileInfo info(slurmPath);
    const QString base = info.suffix().isEmpty() ? info.fileName() : info.completeBaseName();
    return info.dir().filePath(base + QStringLiteral("-mpirun.sh"));
}

void WriteJobScripts(const QString& slurmPath, const std::vector<QueuedTask>& tasks,
                     const lbm::Settings& settings, const JobScriptOptions& options)
{
    const QString refusal = CheckJobScriptOptions(options);
    if (!refusal.isEmpty())
        throw std::invalid_argument(refusal.toStdString());
    if (tasks.empty())
        throw std::invalid_argument("No ticked task can run, so there is nothing to write.");
    Write(slurmPath, SlurmScript(tasks, settings, options));
    Write(MpirunScriptPath(slurmPath), MpirunScript(tasks, settings, options));
}
