// SPDX-License-Identifier: GPL-3.0-or-later
// The Run menu: running the ticked tasks of the task list, pausing and
// stopping them, and showing how they go and what they gave.
#include "Globals.h"
#include "JobScript.h"
#include "LbmTask.h"
#include "Messages.h"
#include "MpiTaskRunner.h"
#include "ResultsList.h"
#include "ResultsPage.h"
#include "SafeFileQt.h"
#include "SessionEnd.h"
#include "StoragePlaces.h"
#include "TMainForm.h"
#include "TaskChart.h"
#include "TaskList.h"
#include "TaskRunner.h"
#include "TfrmEnviroment.h"
#include "TfrmOutPut.h"
#include "TfrmPlot.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextEdit>

#include <cmath>
#include <stdexcept>

namespace {

constexpr int kProgressSteps = 1000;

void ShowInCommandWindow(const QString& text)
{
    if (!frmOutPut)
        return;
    frmOutPut->reMsg->append(text);
    frmOutPut->tabData->setCurrentWidget(frmOutPut->reMsg->parentWidget());
}

} // namespace

std::function<bool(QWidget*)>& TMainForm::StopTasksPrompt()
{
    static std::function<bool(QWidget*)> prompt = [](QWidget* parent) {
        return QMessageBox::question(parent, corvane::ApplicationTitle(),
                                     QStringLiteral("Tasks are still running. Stop them and close?\n"
                                                    "The running task keeps its results so far."),
                                     QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
    };
    return prompt;
}

void TMainForm::CreateTaskRunner()
{
    FTaskRunner = new TTaskRunner(this);
    FMpiRunner = new TMpiTaskRunner(this);
    FRunner = FTaskRunner;
    InstallChannelSources();
    // Either runs a queue; both are shown alike.
    for (TTaskQueue* runner : {static_cast<TTaskQueue*>(FTaskRunner), static_cast<TTaskQueue*>(FMpiRunner)}) {
        connect(runner, &TTaskQueue::TaskStarted, this, &TMainForm::TaskStarted);
        connect(runner, &TTaskQueue::Progressed, this, &TMainForm::TaskProgressed);
        connect(runner, &TTaskQueue::TaskFinished, this, &TMainForm::TaskFinished);
        connect(runner, &TTaskQueue::QueueFinished, this, &TMainForm::QueueFinished);
        connect(runner, &TTaskQueue::FieldUpdated, this,
                [this](int, std::shared_ptr<const lbm::Fields> fields) {
                    if (FShowResults)
                        corvane::RunHandler([&] { UpdateFieldView(fields, RunningLidSpeed()); });
                });
    }

    FRunText = new QLabel(this);
    FRunText->setObjectName(QStringLiteral("RunStatusText"));
    FRunBar = new QProgressBar(this);
    FRunBar->setObjectName(QStringLiteral("RunProgressBar"));
    FRunBar->setRange(0, kProgressSteps);
    FRunBar->setMaximumWidth(160);
    FRunBar->setMaximumHeight(16);
    statusBar()->addPermanentWidget(FRunText);
    statusBar()->addPermanentWidget(FRunBar);
    FRunText->hide();
    FRunBar->hide();
}

void TMainForm::SetDataFolderParent(const QString& folder)
{
    FDataFolderParent = folder;
    if (FResultsList)
        FResultsList->SetDataFolder(QDir(DataFolderParent()).filePath(QStringLiteral("dat")));
}

QString TMainForm::DataFolderParent() const
{
    return FDataFolderParent.isEmpty() ? corvane::ProgramStoragePlaces().dataParent : FDataFolderParent;
}

void TMainForm::GenerateExecute() { WriteGridDescriptions(PrepareDataFolder(DataFolderParent())); }

void TMainForm::WriteGridDescriptions(const QString& dataFolder)
{
    if (!frmEnviroment)
        return;
    const lbm::Settings runSettings = FTaskRunner->Settings();
    const TTaskList& tasks = *frmEnviroment->Tasks();
    for (int row = 0; row < tasks.Count(); ++row) {
        if (!tasks.Ticked(row))
            continue;
        const lbm::Task task = tasks.SolverTask(row);
        const lbm::Settings settings = TaskSettings(task, runSettings);
        const QString line = tasks.Line(row);
        const QString name = TaskFileStem(line) + QStringLiteral(".grid");
        QString text = QStringLiteral("# The grid of the task \"%1\"\n").arg(line);
        text += QStringLiteral("model=%1\nreynolds=%2\ngx=%3\ngy=%4\nnodes=%5\n")
                    .arg(QString::fromStdString(task.model))
                    .arg(task.reynolds, 0, 'g', 17)
                    .arg(task.gx)
                    .arg(task.gy)
                    .arg(lbm::NodeCount(task));
        if (task.flow == lbm::Flow::Channel) {
            const lbm::ChannelSpec& c = task.channel;
            text +=
                QStringLiteral("# A channel: node (i, j) lies at (x + (i + 1/2) h, y + (j + 1/2) h) of the "
                               "scene,\n# h = height / gy; its obstacles are cut when the task runs.\n");
            text += QStringLiteral("channel=%1,%2,%3,%4\nspacing=%5\n")
                        .arg(c.x, 0, 'g', 17)
                        .arg(c.y, 0, 'g', 17)
                        .arg(c.length, 0, 'g', 17)
                        .arg(c.height, 0, 'g', 17)
                        .arg(task.gy > 0 ? c.height / task.gy : 0.0, 0, 'g', 17);
        } else {
            text +=
                QStringLiteral("# Node (i, j) lies at ((i + 1/2) / gx, (j + 1/2) / gy) of the unit cavity;\n"
                               "# the walls lie half a spacing outside the outer nodes.\n");
            text += QStringLiteral("spacing_x=%1\nspacing_y=%2\n")
                        .arg(task.gx > 0 ? 1.0 / task.gx : 0.0, 0, 'g', 17)
                        .arg(task.gy > 0 ? 1.0 / task.gy : 0.0, 0, 'g', 17);
        }
        const std::string problem = lbm::CheckTask(task, settings);
        // (A channel's relaxation time depends on the obstacles it meets when it runs.)
        if (problem.empty() && task.flow == lbm::Flow::Channel)
            text += QStringLiteral("lattice_speed=%1\n").arg(settings.lidSpeed, 0, 'g', 17);
        else if (problem.empty())
            text += QStringLiteral("lid_speed=%1\ntau=%2\nmemory_bytes=%3\n")
                        .arg(settings.lidSpeed, 0, 'g', 17)
                        .arg(lbm::RelaxationTime(task, settings), 0, 'g', 17)
                        .arg(lbm::MemoryNeeded(task, settings));
        else
            text += QStringLiteral("# This task cannot run: %1\n").arg(QString::fromStdString(problem));
        const QString fileName = QDir(dataFolder).filePath(name);
        const QString reason = safefile::WriteWhole(fileName, text.toUtf8());
        if (!reason.isEmpty())
            throw std::runtime_error(QStringLiteral("Cannot write %1: %2")
                                         .arg(QDir::toNativeSeparators(fileName), reason)
                                         .toStdString());
    }
}

void TMainForm::RunTasksExecute()
{
    if (FRunner->IsRunning() || !frmEnviroment)
        return;
    TTaskList& tasks = *frmEnviroment->Tasks();
    std::vector<QueuedTask> queue;
    FQueuedRows.clear();
    FFinal.clear();
    tasks.ClearStates();
    const int processes = frmEnviroment->Processes();
    // A channel's obstacles are cut now, from the view or file as it is.
    FChannelScenes.reset();
    for (int row = 0; row < tasks.Count(); ++row) {
        if (tasks.Ticked(row)) {
            queue.push_back(QueueTask(tasks, row, processes > 1));
            FQueuedRows.append(row);
        }
    }
    if (queue.empty()) {
        corvane::ShowMessage(
            QStringLiteral("No task is ticked. Tick the tasks to run on the \"Tasks Setting\" "
                           "page of Edit > Enviroment."));
        return;
    }
    // The data folder as "Generate the Grid" prepares it (an error stops here).
    const QString dataFolder = PrepareDataFolder(DataFolderParent());
    for (const QueuedTask& queued : queue)
        tasks.SetState(queued.row, TaskState::Queued);
    tasks.SetRunning(true);
    Action("Pause1")->setChecked(false);
    FQueueRunning = true;
    FStopAsked = false;
    UpdateActions();
    // One process: in the program; more: the solver under mpirun, with the
    // same settings.
    if (processes > 1) {
        FMpiRunner->SetSettings(FTaskRunner->Settings());
        FMpiRunner->SetFieldInterval(FTaskRunner->FieldInterval());
        FMpiRunner->SetProcesses(processes);
        FRunner = FMpiRunner;
    } else {
        FRunner = FTaskRunner;
    }
    FRunText->setText(
        processes > 1
            ? QStringLiteral("Starting %1 task(s) on %2 processes each").arg(queue.size()).arg(processes)
            : QStringLiteral("Starting %1 task(s)").arg(queue.size()));
    FRunText->show();
    FRunBar->setValue(0);
    FRunBar->show();
    FRunner->Resume();
    FRunner->Start(std::move(queue), dataFolder);
}

void TMainForm::Pause1Execute()
{
    if (!FRunner->IsRunning()) {
        Action("Pause1")->setChecked(false);
        return;
    }
    const bool paused = Action("Pause1")->isChecked();
    if (paused)
        FRunner->Pause();
    else
        FRunner->Resume();
    if (paused)
        FRunText->setText(FRunText->text() + QStringLiteral(" (paused)"));
}

void TMainForm::StopTasksExecute()
{
    if (!FRunner->IsRunning())
        return;
    FRunner->Stop();
    FRunner->Resume(); // a paused task notices the stop at once
    FStopAsked = true;
    UpdateActions();
}

void TMainForm::TaskStarted(int index, const QueuedTask& task)
{
    FRunningLine = task.line;
    if (frmEnviroment)
        frmEnviroment->Tasks()->SetState(task.row, TaskState::Running);
    FRunText->setText(QStringLiteral("%1 (%2 of %3)%4")
                          .arg(task.line)
                          .arg(index + 1)
                          .arg(FQueuedRows.size())
                          .arg(FRunner == FMpiRunner
                                   ? QStringLiteral(", %1 processes").arg(FMpiRunner->Processes())
                                   : QString()));
    FRunBar->setValue(0);
    FRunningTask = std::make_unique<QueuedTask>(task);
    FFieldView.clear();
    FFlowView3D.clear();
    FFieldViewOpened = false;
}

void TMainForm::TaskProgressed(int index, const TaskProgress& progress)
{
    Q_UNUSED(index);
    // A channel's drag and lift as they are now.
    const QString forces =
        progress.channel
            ? QStringLiteral(", cD %1, cL %2").arg(progress.cd, 0, 'f', 4).arg(progress.cl, 0, 'f', 4)
            : QString();
    FRunText->setText(QStringLiteral("%1: step %2, residual %3%7, %4 MLUPS%5%6")
                          .arg(FRunningLine)
                          .arg(progress.step)
                          .arg(progress.residual, 0, 'e', 2)
                          .arg(progress.mlups, 0, 'f', 1)
                          .arg(FRunner == FMpiRunner
                                   ? QStringLiteral(" on %1 processes").arg(FMpiRunner->Processes())
                                   : QString())
                          .arg(FRunner->IsPaused() ? QStringLiteral(" (paused)") : QString())
                          .arg(forces));
    FRunBar->setValue(int(std::lround(progress.fraction * kProgressSteps)));
}

void TMainForm::TaskFinished(int index, const QueuedTask& task, const TaskOutcome& outcome)
{
    Q_UNUSED(index);
    FFinal.insert(task.row, outcome.state);
    if (frmEnviroment) {
        frmEnviroment->Tasks()->SetState(task.row, outcome.state);
        frmEnviroment->Tasks()->SetResultsFolder(task.row, outcome.folder);
    }
    QString report =
        QStringLiteral("%1: %2. %3").arg(task.line, TaskStateName(outcome.state), outcome.message);
    if (!outcome.folder.isEmpty())
        report += QStringLiteral(" Results in %1").arg(QDir::toNativeSeparators(outcome.folder));
    if (outcome.state != TaskState::Cancelled)
        ShowInCommandWindow(report);
    if (FResultsPage)
        FResultsPage->Refresh(); // the run's folder is listed now
    if (FShowResults && outcome.fields) {
        corvane::RunHandler([&] {
            UpdateFieldView(outcome.fields, TaskSettings(task.task, FTaskRunner->Settings()).lidSpeed);
            if (FFieldView)
                KeepFieldPictures(*FFieldView, outcome.folder);
        });
        corvane::RunHandler([&] { OpenTaskChart(task, outcome); });
    }
}

TfrmTaskChart* TMainForm::OpenTaskChart(const QueuedTask& task, const TaskOutcome& outcome)
{
    // A window of the area as the views are: listed in the Window menu,
    // closed by File > Close, and maximised while they are.
    auto* chart = new TfrmTaskChart(task, outcome, TaskSettings(task.task, FTaskRunner->Settings()).lidSpeed);
    FMdiArea->setActiveSubWindow(AddWindow(chart));
    return chart;
}

void TMainForm::QueueFinished()
{
    int converged = 0, failed = 0, other = 0;
    for (TaskState state : FFinal)
        (state == TaskState::Converged ? converged : state == TaskState::Failed ? failed : other)++;
    FRunText->setText(QStringLiteral("Tasks done: %1 converged, %2 failed, %3 not converged or not run")
                          .arg(converged)
                          .arg(failed)
                          .arg(other));
    FRunBar->hide();
    Action("Pause1")->setChecked(false);
    FQueueRunning = false;
    UpdateActions();
    if (frmEnviroment)
        frmEnviroment->Tasks()->SetRunning(false);
    EndSessionIfAsked(failed);
}

void TMainForm::EndSessionIfAsked(int failed)
{
    if (!frmEnviroment || !frmEnviroment->chkAuto->isChecked())
        return;
    // Only a queue that ran to its end leaves the machine to itself: not one
    // the user stopped, and not one with a failed task, which the user is to see.
    if (FStopAsked) {
        ShowInCommandWindow(QStringLiteral("The tasks were stopped: the computer stays as it is."));
        return;
    }
    if (failed > 0) {
        ShowInCommandWindow(QStringLiteral("A task failed: the computer stays as it is."));
        return;
    }
    const SessionEnd what = frmEnviroment->RadioShutdown->isChecked()  ? SessionEnd::ShutDown
                            : frmEnviroment->RadioRestart->isChecked() ? SessionEnd::Restart
                                                                       : SessionEnd::LogOff;
    auto* countdown = new TSessionEndCountdown(what, TSessionEndCountdown::Seconds(), this);
    countdown->show();
}

bool TMainForm::MayStopTasks()
{
    if (!FRunner || !FRunner->IsRunning())
        return true;
    if (!StopTasksPrompt()(this))
        return false;
    // The running task writes what it has reached before the program ends.
    FRunner->Stop();
    FRunner->Resume();
    FRunner->Wait();
    return true;
}

std::function<bool(QWidget*, JobScriptOptions&, QString&)>& TMainForm::JobScriptPrompt()
{
    static std::function<bool(QWidget*, JobScriptOptions&, QString&)> prompt = [](QWidget* parent,
                                                                                  JobScriptOptions& options,
                                                                                  QString& path) {
        QDialog dialog(parent);
        dialog.setWindowTitle(QStringLiteral("Export Job Script"));
        auto* form = new QFormLayout(&dialog);
        auto* nodes = new QSpinBox(&dialog);
        nodes->setObjectName(QStringLiteral("spNodes"));
        nodes->setRange(1, kJobScriptMaxNodes);
        nodes->setValue(options.nodes);
        auto* processes = new QSpinBox(&dialog);
        processes->setObjectName(QStringLiteral("spProcesses"));
        processes->setRange(1, kJobScriptMaxProcesses);
        processes->setValue(options.processes);
        processes->setToolTip(QStringLiteral("The MPI processes each task runs on (Slurm's ntasks, "
                                             "mpirun's -np)"));
        auto* time = new QLineEdit(options.timeLimit, &dialog);
        time->setObjectName(QStringLiteral("edTimeLimit"));
        time->setToolTip(QStringLiteral("The whole job's time limit for Slurm: hours:minutes:seconds or "
                                        "days-hours:minutes:seconds"));
        auto* name = new QLineEdit(options.jobName, &dialog);
        name->setObjectName(QStringLiteral("edJobName"));
        auto* file = new QLineEdit(path, &dialog);
        file->setObjectName(QStringLiteral("edScriptFile"));
        file->setMinimumWidth(320);
        auto* browse = new QPushButton(QStringLiteral("Browse\u2026"), &dialog);
        auto* fileRow = new QHBoxLayout;
        fileRow->addWidget(file);
        fileRow->addWidget(browse);
        form->addRow(QStringLiteral("Nodes:"), nodes);
        form->addRow(QStringLiteral("Processes per task:"), processes);
        form->addRow(QStringLiteral("Time limit:"), time);
        form->addRow(QStringLiteral("Job name:"), name);
        form->addRow(QStringLiteral("Slurm script:"), fileRow);
        auto* note = new QLabel(
            QStringLiteral("The mpirun script is written beside it. Results go into \"dat\" beside the "
                           "scripts."),
            &dialog);
        note->setWordWrap(true);
        form->addRow(note);
        auto* problem = new QLabel(&dialog);
        problem->setObjectName(QStringLiteral("lbProblem"));
        problem->setWordWrap(true);
        problem->setStyleSheet(QStringLiteral("color: #b00000"));
        form->addRow(problem);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
        form->addRow(buttons);
        QObject::connect(browse, &QPushButton::clicked, &dialog, [&dialog, file] {
            const QString chosen =
                QFileDialog::getSaveFileName(&dialog, QStringLiteral("Slurm script"), file->text(),
                                             QStringLiteral("Slurm scripts (*.sbatch *.sh);;All files (*)"));
            if (!chosen.isEmpty())
                file->setText(chosen);
        });
        QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
        QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
            const JobScriptOptions chosen{nodes->value(), processes->value(), time->text().trimmed(),
                                          name->text().trimmed()};
            QString reason = CheckJobScriptOptions(chosen);
            if (reason.isEmpty() && file->text().trimmed().isEmpty())
                reason = QStringLiteral("Name the file of the Slurm script.");
            problem->setText(reason);
            if (!reason.isEmpty())
                return;
            options = chosen;
            path = file->text().trimmed();
            dialog.accept();
        });
        return dialog.exec() == QDialog::Accepted;
    };
    return prompt;
}

void TMainForm::ExportJobScriptExecute()
{
    if (!frmEnviroment)
        return;
    const TTaskList& tasks = *frmEnviroment->Tasks();
    std::vector<QueuedTask> ticked;
    QStringList channels;
    for (int row = 0; row < tasks.Count(); ++row) {
        if (!tasks.Ticked(row))
            continue;
        // The scripts run cavities; a channel runs in the program.
        if (tasks.Record(row).flow == lbm::Flow::Channel) {
            channels << QStringLiteral(
                            "%1: a channel runs from the program (Run > Run Tasks), not from a job "
                            "script.")
                            .arg(tasks.Line(row));
        } else {
            ticked.push_back(QueuedTask{row, tasks.Line(row), tasks.SolverTask(row)});
            ticked.back().snapshots = tasks.Record(row).snapshots;
        }
    }
    if (ticked.empty() && !channels.isEmpty())
        throw std::invalid_argument(channels.join('\n').toStdString());
    if (ticked.empty()) {
        corvane::ShowMessage(
            QStringLiteral("No task is ticked. Tick the tasks to export on the \"Tasks Setting\" "
                           "page of Edit > Enviroment."));
        return;
    }
    const lbm::Settings settings = FTaskRunner->Settings();
    JobScriptTasks exported = ExportableTasks(ticked, settings);
    exported.skipped += channels;
    if (exported.tasks.empty())
        throw std::invalid_argument(QStringLiteral("None of the ticked tasks can run:\n%1")
                                        .arg(exported.skipped.join('\n'))
                                        .toStdString());
    // Beside the program's own data folder by default, so that the results
    // land where its own runs put theirs.
    if (FJobScriptPath.isEmpty())
        FJobScriptPath = QDir(DataFolderParent()).filePath(QStringLiteral("corvane-tasks.sbatch"));
    JobScriptOptions options = FJobScriptOptions;
    QString path = FJobScriptPath;
    if (!JobScriptPrompt()(this, options, path))
        return;
    FJobScriptOptions = options;
    FJobScriptPath = path;
    WriteJobScripts(path, exported.tasks, settings, options);
    QString report =
        QStringLiteral("Wrote %1 and %2 for %3 task(s) on %4 process(es) each. Run them with "
                       "\"sbatch %1\" on a Slurm cluster or \"bash %2\" here; the results go "
                       "into \"dat\" beside them.")
            .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(MpirunScriptPath(path)))
            .arg(exported.tasks.size())
            .arg(options.processes);
    if (!exported.skipped.isEmpty())
        report += QStringLiteral(" Left out, as they cannot run: %1")
                      .arg(exported.skipped.join(QStringLiteral("; ")));
    ShowInCommandWindow(report);
}
