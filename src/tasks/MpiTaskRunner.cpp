// SPDX-License-Identifier: GPL-3.0-or-later
#include "MpiTaskRunner.h"

#include "LbmRun.h"
#include "ResultsFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>

#include <cmath>
#include <csignal>
#include <limits>
#include <sys/types.h>
#include <unistd.h>

namespace {

// The shortest text that reads back as the same number.
QString Number(double value) { return QString::number(value, 'g', QLocale::FloatingPointShortest); }

// A JSON number, or NaN for null and for what is not a number.
double NumberOf(const QJsonValue& value)
{
    return value.isDouble() ? value.toDouble() : std::numeric_limits<double>::quiet_NaN();
}

// How long a stopped run may take to write its results before it is told
// harder (SIGTERM to the group), and then before it is killed.
constexpr int kStopGraceMs = 120000;
constexpr int kTermGraceMs = 10000;

// The velocities of a field line (in lid speeds) as lattice-unit fields; null
// when the line's field is not one.
std::shared_ptr<const lbm::Fields> FieldOf(const QJsonObject& field, double lidSpeed)
{
    const int nx = field.value(QStringLiteral("nx")).toInt(), ny = field.value(QStringLiteral("ny")).toInt();
    // Three dimensions: nz planes, uz, and a channel's obstacle nodes as a string of 0 and 1.
    const int nz = field.contains(QStringLiteral("nz")) ? field.value(QStringLiteral("nz")).toInt() : 1;
    const QJsonArray ux = field.value(QStringLiteral("ux")).toArray();
    const QJsonArray uy = field.value(QStringLiteral("uy")).toArray();
    const QJsonArray uz = field.value(QStringLiteral("uz")).toArray();
    const QString obstacle = field.value(QStringLiteral("obstacle")).toString();
    if (nx < 1 || ny < 1 || nz < 1 || nx > 4096 || ny > 4096 || nz > 256 ||
        ux.size() != qsizetype(nx) * ny * nz || uy.size() != ux.size() ||
        (nz > 1 && uz.size() != ux.size()) || (!obstacle.isEmpty() && obstacle.size() != ux.size()))
        return nullptr;
    auto fields = std::make_shared<lbm::Fields>();
    fields->gx = nx;
    fields->gy = ny;
    fields->gz = nz;
    fields->ux.reserve(std::size_t(ux.size()));
    fields->uy.reserve(std::size_t(uy.size()));
    const auto speed = [&](const QJsonValue& value) {
        const double u = value.toDouble();
        return std::isfinite(u) ? u * lidSpeed : 0.0;
    };
    for (qsizetype k = 0; k < ux.size(); ++k) {
        fields->ux.push_back(speed(ux[k]));
        fields->uy.push_back(speed(uy[k]));
        if (nz > 1)
            fields->uz.push_back(speed(uz[k]));
    }
    for (const QChar c : obstacle)
        fields->solid.push_back(c == QLatin1Char('1') ? 1 : 0);
    fields->rho.assign(fields->ux.size(), 1.0);
    return fields;
}

} // namespace

TMpiTaskRunner::TMpiTaskRunner(QObject* parent)
    : TTaskQueue(parent), FTool(FindSolverTool()), FMpirun(FindMpirun())
{
}

TMpiTaskRunner::~TMpiTaskRunner()
{
    if (!FProcess)
        return;
    // Nothing is reported any more: the run is told to stop and given a while
    // to write what it reached.
    FProcess->disconnect(this);
    if (FProcess->state() == QProcess::Starting)
        FProcess->waitForStarted(10000);
    Stop();
    if (!FProcess->waitForFinished(30000)) {
        Signal(SIGKILL);
        FProcess->waitForFinished(5000);
    }
}

QString TMpiTaskRunner::FindMpirun() { return QStandardPaths::findExecutable(QStringLiteral("mpirun")); }

QString TMpiTaskRunner::FindSolverTool()
{
    const QString name = QStringLiteral("corvane-lbm");
    if (QCoreApplication::instance()) {
        const QDir here(QCoreApplication::applicationDirPath());
        // Installed beside the program; in the build tree two folders up.
        for (const QString& candidate :
             {here.filePath(name), here.filePath(QStringLiteral("../../") + name)}) {
            const QFileInfo info(candidate);
            if (info.isFile() && info.isExecutable())
                return info.canonicalFilePath();
        }
    }
    return QStandardPaths::findExecutable(name);
}

QStringList TMpiTaskRunner::Arguments(const QueuedTask& queued, const QString& folder) const
{
    const lbm::Task& task = queued.task;
    const lbm::Settings s = TaskSettings(task, FSettings);
    const bool channel = task.flow == lbm::Flow::Channel;
    const bool box = lbm::IsThreeDimensional(task.model);
    const QString grid = box ? QStringLiteral("%1x%2x%3").arg(task.gx).arg(task.gy).arg(task.gz)
                             : QStringLiteral("%1x%2").arg(task.gx).arg(task.gy);
    QStringList args{QStringLiteral("-np"), QString::number(FProcesses), FTool};
    args << QStringLiteral("--model") << QString::fromStdString(task.model) << QStringLiteral("--re")
         << Number(task.reynolds) << QStringLiteral("--grid") << grid << QStringLiteral("--tolerance")
         << Number(s.tolerance) << QStringLiteral("--max-steps") << QString::number(s.maxSteps)
         << QStringLiteral("--check-interval") << QString::number(s.checkInterval)
         << (channel ? QStringLiteral("--lattice-speed") : QStringLiteral("--lid-speed"))
         << Number(s.lidSpeed) << QStringLiteral("--precision")
         << QString::fromLatin1(lbm::PrecisionName(s.precision));
    if (channel) {
        const lbm::ChannelSpec& c = task.channel;
        // A box: X,Y,Z,LENGTH,HEIGHT,DEPTH; a rectangle: X,Y,LENGTH,HEIGHT.
        const QString extent = box ? QStringList{Number(c.x),      Number(c.y),      Number(c.z),
                                                 Number(c.length), Number(c.height), Number(c.depth)}
                                         .join(QLatin1Char(','))
                                   : QStringLiteral("%1,%2,%3,%4")
                                         .arg(Number(c.x), Number(c.y), Number(c.length), Number(c.height));
        args << QStringLiteral("--channel") << extent << QStringLiteral("--inflow")
             << (c.inflow == lbm::Inflow::Uniform ? QStringLiteral("uniform") : QStringLiteral("parabolic"))
             << QStringLiteral("--mean-speed") << Number(c.meanSpeed);
        // The scene's surfaces inside the box are the obstacles of a three-dimensional channel: no plane.
        if (!queued.scene.isEmpty())
            args << QStringLiteral("--scene") << queued.scene;
        if (!queued.scene.isEmpty() && !box)
            args << QStringLiteral("--plane") << Number(queued.plane);
    }
    if (s.threads > 0)
        args << QStringLiteral("--threads") << QString::number(s.threads);
    if (queued.snapshots > 0)
        args << QStringLiteral("--snapshots") << QString::number(queued.snapshots);
    args << QStringLiteral("--out") << folder << QStringLiteral("--progress") << QStringLiteral("json");
    return args;
}

bool TMpiTaskRunner::Start(std::vector<QueuedTask> queue, const QString& dataFolder)
{
    if (FRunning)
        return false;
    FRunning = true;
    FCancelled = false;
    FQueue = std::move(queue);
    FDataFolder = dataFolder;
    FIndex = -1;
    // As the runner in the program does: reports come after Start has returned.
    QTimer::singleShot(0, this, &TMpiTaskRunner::StartNext);
    return true;
}

void TMpiTaskRunner::StartNext()
{
    for (;;) {
        ++FIndex;
        if (FIndex >= int(FQueue.size())) {
            FRunning = false;
            emit QueueFinished();
            return;
        }
        const QueuedTask& queued = FQueue[std::size_t(FIndex)];
        if (FCancelled) {
            TaskOutcome outcome;
            outcome.state = TaskState::Cancelled;
            outcome.message = QStringLiteral("Not run: the queue was stopped.");
            emit TaskFinished(FIndex, queued, outcome);
            continue;
        }
        emit TaskStarted(FIndex, queued);
        TaskOutcome outcome;
        outcome.channel = queued.task.flow == lbm::Flow::Channel;
        if (!queued.problem.isEmpty())
            outcome.message = queued.problem;
        else if (FMpirun.isEmpty())
            outcome.message = QStringLiteral("mpirun is not installed (it is not on the PATH).");
        else if (FTool.isEmpty())
            outcome.message = QStringLiteral("The solver corvane-lbm is not installed beside the program or "
                                             "on the PATH.");
        else
            outcome.message =
                QString::fromStdString(lbm::CheckTask(queued.task, TaskSettings(queued.task, FSettings)));
        if (outcome.message.isEmpty())
            outcome.message = MakeResultsFolder(FDataFolder, queued.line, FFolder);
        if (!outcome.message.isEmpty()) {
            emit TaskFinished(FIndex, queued, outcome);
            continue;
        }
        break;
    }

    FOutcome = TaskOutcome();
    FOutcome.channel = FQueue[std::size_t(FIndex)].task.flow == lbm::Flow::Channel;
    FOut.clear();
    FErr.clear();
    FLast.clear();
    FEnded = false;
    FEndStatus.clear();
    FBadOutput.clear();
    FFirstResidual = -1;
    FReported = false;
    FSinceField.invalidate();

    FProcess = new QProcess(this);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // Open MPI refuses more processes than cores, and a start by root, unless
    // told otherwise; the user chose the processes, and a root session is
    // the user's too. (Other MPIs ignore these.)
    if (!env.contains(QStringLiteral("OMPI_MCA_rmaps_base_oversubscribe")))
        env.insert(QStringLiteral("OMPI_MCA_rmaps_base_oversubscribe"), QStringLiteral("1"));
    if (geteuid() == 0) {
        env.insert(QStringLiteral("OMPI_ALLOW_RUN_AS_ROOT"), QStringLiteral("1"));
        env.insert(QStringLiteral("OMPI_ALLOW_RUN_AS_ROOT_CONFIRM"), QStringLiteral("1"));
    }
    FProcess->setProcessEnvironment(env);
    // A process group of its own: Pause stops mpirun and its processes together.
    FProcess->setChildProcessModifier([] { setpgid(0, 0); });
    connect(FProcess, &QProcess::readyReadStandardOutput, this, &TMpiTaskRunner::ReadOutput);
    connect(FProcess, &QProcess::readyReadStandardError, this, &TMpiTaskRunner::ReadErrors);
    connect(FProcess, &QProcess::started, this, [this] {
        if (FPaused)
            Signal(SIGSTOP);
        if (FCancelled)
            Stop();
    });
    connect(FProcess, &QProcess::finished, this, &TMpiTaskRunner::Ended);
    connect(FProcess, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        TaskOutcome outcome;
        outcome.message = QStringLiteral("%1 could not be started: %2")
                              .arg(QDir::toNativeSeparators(FMpirun), FProcess->errorString());
        QDir().rmdir(FFolder);
        FinishTask(outcome);
    });
    FProcess->start(FMpirun, Arguments(FQueue[std::size_t(FIndex)], FFolder));
}

void TMpiTaskRunner::FinishTask(TaskOutcome outcome)
{
    if (FStopTimer)
        FStopTimer->stop();
    if (FProcess) {
        FProcess->disconnect(this);
        FProcess->deleteLater();
        FProcess = nullptr;
    }
    emit TaskFinished(FIndex, FQueue[std::size_t(FIndex)], outcome);
    StartNext();
}

void TMpiTaskRunner::Signal(int signal)
{
    if (!FProcess)
        return;
    const qint64 pid = FProcess->processId();
    if (pid > 0)
        ::kill(-pid_t(pid), signal);
}

void TMpiTaskRunner::Pause()
{
    if (FPaused)
        return;
    FPaused = true;
    Signal(SIGSTOP);
}

void TMpiTaskRunner::Resume()
{
    if (!FPaused)
        return;
    FPaused = false;
    Signal(SIGCONT);
}

void TMpiTaskRunner::Stop()
{
    FCancelled = true;
    if (!FProcess || FProcess->state() != QProcess::Running)
        return;
    FProcess->write("stop\n");
    // A paused run goes on, to notice the stop and write its results.
    if (FPaused) {
        FPaused = false;
        Signal(SIGCONT);
    }
    if (!FStopTimer) {
        FStopTimer = new QTimer(this);
        FStopTimer->setSingleShot(true);
        connect(FStopTimer, &QTimer::timeout, this, [this] {
            if (!FProcess)
                return;
            // Told once and given time, then told harder, then killed.
            const bool first = FStopTimer->interval() == kStopGraceMs;
            Signal(first ? SIGTERM : SIGKILL);
            if (first)
                FStopTimer->start(kTermGraceMs);
        });
    }
    if (!FStopTimer->isActive())
        FStopTimer->start(kStopGraceMs);
}

bool TMpiTaskRunner::Wait(int milliseconds)
{
    if (!FRunning)
        return true;
    QEventLoop loop;
    connect(this, &TTaskQueue::QueueFinished, &loop, &QEventLoop::quit);
    QTimer timeOut;
    if (milliseconds >= 0) {
        timeOut.setSingleShot(true);
        connect(&timeOut, &QTimer::timeout, &loop, &QEventLoop::quit);
        timeOut.start(milliseconds);
    }
    if (FRunning)
        loop.exec();
    return !FRunning;
}

void TMpiTaskRunner::Keep(const QString& line)
{
    // mpirun frames its notices in rules of dashes: they say nothing.
    static const QRegularExpression rule(QStringLiteral("^-*$"));
    if (rule.match(line).hasMatch())
        return;
    FLast.append(line.left(500));
    while (FLast.size() > kLastLines)
        FLast.removeFirst();
}

QString TMpiTaskRunner::LastLines() const
{
    if (FLast.isEmpty())
        return QStringLiteral(" It printed nothing.");
    return QStringLiteral(" Its last lines:\n") + FLast.join(QLatin1Char('\n'));
}

void TMpiTaskRunner::Abandon(const QString& why)
{
    if (!FBadOutput.isEmpty())
        return;
    FBadOutput = why;
    Signal(SIGKILL);
}

void TMpiTaskRunner::ReadOutput()
{
    if (!FProcess)
        return;
    FOut += FProcess->readAllStandardOutput();
    if (!FBadOutput.isEmpty()) {
        FOut.clear();
        return;
    }
    qsizetype start = 0;
    for (qsizetype end; (end = FOut.indexOf('\n', start)) >= 0; start = end + 1)
        Line(FOut.mid(start, end - start));
    FOut.remove(0, start);
    if (FOut.size() > kMaxLineBytes) {
        FOut.clear();
        Abandon(QStringLiteral("The solver printed a line of more than %1 MiB, which is not its progress.")
                    .arg(kMaxLineBytes >> 20));
    }
}

void TMpiTaskRunner::ReadErrors()
{
    if (!FProcess)
        return;
    FErr += FProcess->readAllStandardError();
    qsizetype start = 0;
    for (qsizetype end; (end = FErr.indexOf('\n', start)) >= 0; start = end + 1)
        Keep(QString::fromUtf8(FErr.mid(start, end - start)).trimmed());
    FErr.remove(0, start);
    if (FErr.size() > 64 * 1024) {
        Keep(QString::fromUtf8(FErr.left(500)));
        FErr.clear();
    }
}

void TMpiTaskRunner::Line(const QByteArray& bytes)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        // Not ours: MPI's notices, say. Kept for a failure's message.
        const QString text = QString::fromUtf8(bytes.left(500)).trimmed();
        if (!text.isEmpty())
            Keep(text);
        return;
    }
    const QJsonObject object = document.object();
    const double lidSpeed = TaskSettings(FQueue[std::size_t(FIndex)].task, FSettings).lidSpeed;
    if (object.value(QStringLiteral("done")).toBool()) {
        FEnded = true;
        FEndStatus = object.value(QStringLiteral("status")).toString();
        FOutcome.message = object.value(QStringLiteral("message")).toString();
        FOutcome.steps = object.value(QStringLiteral("step")).toInteger();
        FOutcome.residual = NumberOf(object.value(QStringLiteral("residual")));
        FOutcome.mlups = NumberOf(object.value(QStringLiteral("mlups")));
        FOutcome.seconds = NumberOf(object.value(QStringLiteral("seconds")));
        return;
    }
    if (!object.value(QStringLiteral("step")).isDouble())
        return;
    TaskProgress p;
    p.step = object.value(QStringLiteral("step")).toInteger();
    p.maxSteps = object.value(QStringLiteral("steps")).toInteger();
    p.residual = NumberOf(object.value(QStringLiteral("residual")));
    p.mlups = NumberOf(object.value(QStringLiteral("mlups")));
    p.seconds = NumberOf(object.value(QStringLiteral("seconds")));
    p.channel = FOutcome.channel;
    if (p.channel) {
        p.cd = NumberOf(object.value(QStringLiteral("cd")));
        p.cl = NumberOf(object.value(QStringLiteral("cl")));
    }
    FOutcome.residualHistory.emplace_back(p.step, p.residual);
    if (FFirstResidual < 0 && std::isfinite(p.residual))
        FFirstResidual = p.residual;
    p.fraction = ProgressFraction(p.step, p.maxSteps, FFirstResidual, p.residual, FSettings.tolerance);
    // As often as the runner in the program reports.
    if (!FReported || FSinceReport.elapsed() >= 100 || p.step >= p.maxSteps) {
        FReported = true;
        FSinceReport.start();
        emit Progressed(FIndex, p);
    }
    const QJsonValue field = object.value(QStringLiteral("field"));
    if (field.isObject() && FFieldInterval > 0 &&
        (!FSinceField.isValid() || FSinceField.elapsed() >= qint64(FFieldInterval * 1000))) {
        if (auto fields = FieldOf(field.toObject(), lidSpeed)) {
            FSinceField.start();
            emit FieldUpdated(FIndex, fields);
        }
    }
}

void TMpiTaskRunner::Ended(int exitCode, QProcess::ExitStatus status)
{
    ReadOutput();
    ReadErrors();
    if (!FOut.isEmpty() && FBadOutput.isEmpty())
        Line(FOut); // a last line without its line end
    if (!FErr.isEmpty())
        Keep(QString::fromUtf8(FErr.left(500)).trimmed());
    FOut.clear();
    FErr.clear();

    TaskOutcome outcome = std::move(FOutcome);
    outcome.state = TaskState::Failed;
    const bool ran = FEndStatus == QLatin1String("converged") ||
                     FEndStatus == QLatin1String("not converged") || FEndStatus == QLatin1String("cancelled");
    if (!FBadOutput.isEmpty()) {
        outcome.message = FBadOutput + LastLines();
    } else if (!FEnded) {
        outcome.message = status == QProcess::CrashExit
                              ? QStringLiteral("The solver under mpirun was killed or crashed before it "
                                               "said how the run ended.")
                              : QStringLiteral("The solver under mpirun ended (exit code %1) without saying "
                                               "how the run ended.")
                                    .arg(exitCode);
        outcome.message += LastLines();
    } else if (ran) {
        const lbm::ResultsFolder results = lbm::ReadResultsFolder(FFolder.toStdString());
        const double speed = TaskSettings(FQueue[std::size_t(FIndex)].task, FSettings).lidSpeed;
        auto fields = std::make_shared<lbm::Fields>();
        if (results.hasField && lbm::FieldsOf(results.field, speed, *fields))
            outcome.fields = std::move(fields);
        outcome.figures = results.Figures();
        if (!results.hasSummary || !outcome.fields) {
            QStringList problems;
            for (const std::string& problem : results.problems)
                problems << QString::fromStdString(problem);
            outcome.message = QStringLiteral("The run ended but its results cannot be read: %1")
                                  .arg(problems.join(QLatin1Char(' '))) +
                              LastLines();
            outcome.fields = nullptr;
        } else {
            outcome.folder = FFolder;
            if (FEndStatus == QLatin1String("converged")) {
                outcome.state = TaskState::Converged;
            } else if (FEndStatus == QLatin1String("not converged")) {
                outcome.state = TaskState::NotConverged;
            } else {
                // Stopped by the user: what it reached is kept, as not converged.
                outcome.state = TaskState::NotConverged;
                outcome.message = QStringLiteral("Stopped after %1 steps; the partial results are kept.")
                                      .arg(outcome.steps);
            }
        }
    } else if (outcome.message.isEmpty()) {
        outcome.message = QStringLiteral("The solver failed (%1).").arg(FEndStatus) + LastLines();
    }
    if (outcome.folder.isEmpty())
        QDir().rmdir(FFolder); // only when empty
    FinishTask(std::move(outcome));
}
