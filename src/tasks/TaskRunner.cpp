// SPDX-License-Identifier: GPL-3.0-or-later
#include "TaskRunner.h"

#include "Domain.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QMetaObject>
#include <QRegularExpression>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cmath>

double ProgressFraction(std::int64_t step, std::int64_t maxSteps, double firstResidual, double residual,
                        double tolerance)
{
    double fraction = maxSteps > 0 ? double(step) / double(maxSteps) : 0;
    if (firstResidual > tolerance && residual > 0 && std::isfinite(residual) && tolerance > 0) {
        const double way = std::log(firstResidual / residual) / std::log(firstResidual / tolerance);
        fraction = std::max(fraction, way);
    }
    return std::clamp(std::isfinite(fraction) ? fraction : 0.0, 0.0, 1.0);
}

lbm::Settings TaskSettings(const lbm::Task& task, lbm::Settings settings)
{
    if (task.flow == lbm::Flow::Channel)
        settings.lidSpeed = kChannelLatticeSpeed;
    return settings;
}

QString TaskFileStem(const QString& line)
{
    // Letters, digits and a few marks stay; every run of anything else is one '_'.
    static const QRegularExpression other(QStringLiteral("[^A-Za-z0-9().+-]+"));
    QString name = line;
    name.replace(other, QStringLiteral("_"));
    if (name.startsWith(QLatin1Char('_')))
        name.remove(0, 1);
    if (name.endsWith(QLatin1Char('_')))
        name.chop(1);
    if (name.isEmpty())
        name = QStringLiteral("task");
    return name.left(80);
}

QString ResultsFolderName(const QString& line, const QDateTime& when)
{
    return TaskFileStem(line) + QLatin1Char('_') + when.toString(QStringLiteral("yyyyMMdd-HHmmss"));
}

QString MakeResultsFolder(const QString& dataFolder, const QString& line, QString& folder)
{
    // A folder of its own, even for two runs of one line in the same second.
    const QString base = QDir(dataFolder).filePath(ResultsFolderName(line, QDateTime::currentDateTime()));
    folder = base;
    for (int n = 2; QFileInfo::exists(folder); ++n)
        folder = base + QLatin1Char('-') + QString::number(n);
    return QString::fromStdString(lbm::PrepareOutputFolder(folder.toStdString()));
}

TTaskRunner::TTaskRunner(QObject* parent) : TTaskQueue(parent)
{
    // Every check reaches the callback, so that the residual history is
    // complete; the runner passes on fewer of them.
    FSettings.progressSeconds = 0;
}

TTaskRunner::~TTaskRunner()
{
    Stop();
    if (FThread) {
        FThread->wait();
        delete FThread;
        FThread = nullptr;
    }
}

bool TTaskRunner::Start(std::vector<QueuedTask> queue, const QString& dataFolder)
{
    if (FThread)
        return false;
    FCancelled = false;
    FQueue = std::move(queue);
    FThread = QThread::create([this, dataFolder] { Work(FQueue, dataFolder); });
    FThread->setObjectName(QStringLiteral("task runner"));
    FThread->start();
    return true;
}

void TTaskRunner::Pause()
{
    FPaused = true;
    std::lock_guard<std::mutex> lock(FMutex);
    if (FControl)
        FControl->Pause();
}

void TTaskRunner::Resume()
{
    FPaused = false;
    std::lock_guard<std::mutex> lock(FMutex);
    if (FControl)
        FControl->Resume();
}

void TTaskRunner::Stop()
{
    FCancelled = true;
    std::lock_guard<std::mutex> lock(FMutex);
    if (FControl)
        FControl->Cancel();
}

bool TTaskRunner::Wait(int milliseconds)
{
    if (!FThread)
        return true;
    const bool ended = milliseconds < 0
                           ? FThread->wait()
                           : FThread->wait(QDeadlineTimer(std::chrono::milliseconds(milliseconds)));
    if (ended && FThread) {
        // Whatever the worker posted is delivered before this returns.
        QCoreApplication::sendPostedEvents(this);
    }
    return ended;
}

void TTaskRunner::Work(const std::vector<QueuedTask>& queue, const QString& dataFolder)
{
    for (std::size_t i = 0; i < queue.size(); ++i) {
        const int index = int(i);
        const QueuedTask& queued = queue[i];
        TaskOutcome outcome;
        if (FCancelled) {
            outcome.state = TaskState::Cancelled;
            outcome.message = QStringLiteral("Not run: the queue was stopped.");
        } else {
            QMetaObject::invokeMethod(
                this, [this, index, queued] { emit TaskStarted(index, queued); }, Qt::QueuedConnection);
            outcome = RunOne(index, queued, dataFolder);
        }
        QMetaObject::invokeMethod(
            this, [this, index, queued, outcome] { emit TaskFinished(index, queued, outcome); },
            Qt::QueuedConnection);
    }
    QMetaObject::invokeMethod(this, &TTaskRunner::Finished, Qt::QueuedConnection);
}

void TTaskRunner::Finished()
{
    if (FThread) {
        FThread->wait();
        delete FThread;
        FThread = nullptr;
    }
    emit QueueFinished();
}

TaskOutcome TTaskRunner::RunOne(int index, const QueuedTask& queued, const QString& dataFolder)
{
    TaskOutcome outcome;
    outcome.channel = queued.task.flow == lbm::Flow::Channel;
    if (!queued.problem.isEmpty()) {
        outcome.message = queued.problem;
        return outcome;
    }
    lbm::Settings settings = TaskSettings(queued.task, FSettings);
    settings.snapshotEvery = queued.snapshots > 0 ? queued.snapshots : 0;
    // The window shares the machine: keep a core for it.
    if (settings.threads == 0)
        settings.threads = lbm::DefaultThreads(true);
    const std::string problem = lbm::CheckTask(queued.task, settings);
    if (!problem.empty()) {
        outcome.message = QString::fromStdString(problem);
        return outcome;
    }
    QString folder;
    outcome.message = MakeResultsFolder(dataFolder, queued.line, folder);
    if (!outcome.message.isEmpty())
        return outcome;

    lbm::RunControl control;
    {
        std::lock_guard<std::mutex> lock(FMutex);
        FControl = &control;
        if (FPaused)
            control.Pause();
        if (FCancelled)
            control.Cancel();
    }
    using Clock = std::chrono::steady_clock;
    auto lastReport = Clock::now() - std::chrono::hours(1);
    auto lastField = Clock::now();
    double firstResidual = -1;
    // A channel's obstacle nodes, for the fields it shows while it runs.
    // (A three-dimensional channel's obstacles are the solver's to place.)
    std::shared_ptr<const std::vector<std::uint8_t>> solid;
    if (outcome.channel && !lbm::IsThreeDimensional(queued.task.model)) {
        const lbm::Domain domain = lbm::ChannelDomain(queued.task, settings.lidSpeed);
        auto nodes = std::make_shared<std::vector<std::uint8_t>>(std::size_t(queued.task.gx) *
                                                                 std::size_t(queued.task.gy));
        for (int j = 0; j < queued.task.gy; ++j)
            for (int i = 0; i < queued.task.gx; ++i)
                (*nodes)[std::size_t(j) * std::size_t(queued.task.gx) + std::size_t(i)] =
                    domain.InObstacle(i + 0.5, j + 0.5) ? 1 : 0;
        solid = std::move(nodes);
    }
    // Snapshots are written as they come; one that cannot be written ends the
    // snapshots, not the run, and says so with the outcome.
    std::vector<std::int64_t> snapshots;
    QString snapshotError;
    const auto callback = [&](const lbm::Progress& p) {
        if (p.snapshot && snapshotError.isEmpty()) {
            const std::string error =
                lbm::WriteSnapshot(folder.toStdString(), queued.task, settings, p.step, *p.snapshot);
            if (error.empty())
                snapshots.push_back(p.step);
            else
                snapshotError =
                    QString::fromStdString(error) + QStringLiteral(" No more snapshots were written.");
        }
        outcome.residualHistory.emplace_back(p.step, p.residual);
        if (firstResidual < 0 && std::isfinite(p.residual))
            firstResidual = p.residual;
        const auto now = Clock::now();
        const bool last = p.step >= p.maxSteps;
        if (last || now - lastReport >= std::chrono::milliseconds(100)) {
            lastReport = now;
            TaskProgress report{
                p.step,
                p.maxSteps,
                p.residual,
                p.mlups,
                p.seconds,
                outcome.channel,
                p.cd,
                p.cl,
                ProgressFraction(p.step, p.maxSteps, firstResidual, p.residual, settings.tolerance)};
            QMetaObject::invokeMethod(
                this, [this, index, report] { emit Progressed(index, report); }, Qt::QueuedConnection);
        }
        if (FFieldInterval > 0 && p.ux && p.uy && p.rho &&
            now - lastField >= std::chrono::duration<double>(FFieldInterval)) {
            lastField = now;
            auto fields = std::make_shared<lbm::Fields>();
            fields->gx = queued.task.gx;
            fields->gy = queued.task.gy;
            if (p.uz) { // three dimensions
                fields->gz = queued.task.gz;
                fields->uz = *p.uz;
            }
            if (p.solid)
                fields->solid = *p.solid;
            fields->ux = *p.ux;
            fields->uy = *p.uy;
            fields->rho = *p.rho;
            if (solid)
                fields->solid = *solid;
            std::shared_ptr<const lbm::Fields> shared = std::move(fields);
            QMetaObject::invokeMethod(
                this, [this, index, shared] { emit FieldUpdated(index, shared); }, Qt::QueuedConnection);
        }
    };
    lbm::RunResult result = lbm::Run(queued.task, settings, callback, &control);
    {
        std::lock_guard<std::mutex> lock(FMutex);
        FControl = nullptr;
    }
    outcome.steps = result.steps;
    outcome.residual = result.residual;
    outcome.seconds = result.seconds;
    outcome.mlups = result.mlups;
    outcome.message = QString::fromStdString(result.message);
    switch (result.status) {
    case lbm::RunStatus::Converged:
        outcome.state = TaskState::Converged;
        break;
    case lbm::RunStatus::NotConverged:
        outcome.state = TaskState::NotConverged;
        break;
    case lbm::RunStatus::Cancelled:
        // Stopped by the user: what it reached is kept, as not converged.
        outcome.state = TaskState::NotConverged;
        outcome.message =
            QStringLiteral("Stopped after %1 steps; the partial results are kept.").arg(result.steps);
        break;
    case lbm::RunStatus::Diverged:
    case lbm::RunStatus::Rejected:
        outcome.state = TaskState::Failed;
        QDir().rmdir(folder); // still empty
        return outcome;
    }
    const std::string written =
        lbm::WriteResults(folder.toStdString(), queued.task, settings, result, snapshots);
    if (!written.empty()) {
        outcome.state = TaskState::Failed;
        outcome.message = QString::fromStdString(written);
        return outcome;
    }
    if (!snapshotError.isEmpty())
        outcome.message += QLatin1Char(' ') + snapshotError;
    outcome.folder = folder;
    outcome.figures = std::move(result.channel);
    outcome.fields = std::make_shared<const lbm::Fields>(std::move(result.fields));
    return outcome;
}
