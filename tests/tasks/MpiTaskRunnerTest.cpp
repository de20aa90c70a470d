// SPDX-License-Identifier: GPL-3.0-or-later
// Tasks run as corvane-lbm under the real mpirun: its JSON progress lines,
// and the runner that starts it, against the runner in the program. The
// program exits 77 (skipped) when mpirun is not installed.
#include "MpiTaskRunner.h"
#include "LbmResults.h"
#include "LbmRun.h"
#include "TaskRunner.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace {

QueuedTask Task(int row, const char* model, int gx, int gy, double re = 100)
{
    QueuedTask q;
    q.row = row;
    q.line = QStringLiteral("%1 ren %2Gx %3 Gy %4").arg(QLatin1String(model)).arg(re).arg(gx).arg(gy);
    q.task.model = model;
    q.task.reynolds = re;
    q.task.gx = gx;
    q.task.gy = gy;
    return q;
}

bool WaitFor(const std::function<bool()>& done, int milliseconds = 120000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

// Everything a runner reports.
struct Log {
    explicit Log(TTaskQueue& runner)
    {
        QObject::connect(&runner, &TTaskQueue::TaskStarted,
                         [this](int index, const QueuedTask&) { started.push_back(index); });
        QObject::connect(&runner, &TTaskQueue::Progressed, [this](int index, const TaskProgress& p) {
            lastStep[index] = p.step;
            EXPECT_GE(p.fraction, 0.0);
            EXPECT_LE(p.fraction, 1.0);
        });
        QObject::connect(
            &runner, &TTaskQueue::FieldUpdated,
            [this](int index, std::shared_ptr<const lbm::Fields> f) { fields[index].push_back(f); });
        QObject::connect(&runner, &TTaskQueue::TaskFinished,
                         [this](int index, const QueuedTask&, const TaskOutcome& outcome) {
                             finished.push_back(index);
                             outcomes[index] = outcome;
                         });
        QObject::connect(&runner, &TTaskQueue::QueueFinished, [this] { done = true; });
    }
    std::vector<int> started, finished;
    std::map<int, std::int64_t> lastStep;
    std::map<int, std::vector<std::shared_ptr<const lbm::Fields>>> fields;
    std::map<int, TaskOutcome> outcomes;
    bool done = false;
};

lbm::Settings TestSettings()
{
    lbm::Settings s;
    s.threads = 1;
    s.maxSteps = 40000;
    s.tolerance = 1e-5;
    s.checkInterval = 100;
    s.progressSeconds = 0;
    return s;
}

QString Tool() { return QStringLiteral(CORVANE_LBM_TOOL); }

// The environment the tests start mpirun with themselves: as the runner does.
QProcessEnvironment MpiEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("OMPI_MCA_rmaps_base_oversubscribe"), QStringLiteral("1"));
    env.insert(QStringLiteral("OMPI_ALLOW_RUN_AS_ROOT"), QStringLiteral("1"));
    env.insert(QStringLiteral("OMPI_ALLOW_RUN_AS_ROOT_CONFIRM"), QStringLiteral("1"));
    return env;
}

QStringList Entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

class MpiTaskRunnerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        runner.SetSettings(TestSettings());
        runner.SetSolverTool(Tool());
        runner.SetProcesses(2);
        runner.SetFieldInterval(0.001);
    }
    QTemporaryDir dir;
    TMpiTaskRunner runner;
};

} // namespace

TEST(CorvaneLbmJson, EveryLineIsAnObjectWithTheProgressAFieldNowAndThenAndTheEndLast)
{
    struct Case {
        int processes; // 1: without mpirun
    };
    for (const Case c : {Case{1}, Case{2}}) {
        SCOPED_TRACE(c.processes);
        QTemporaryDir out;
        const QStringList solver{QStringLiteral("--model"),     QStringLiteral("D2Q9"),
                                 QStringLiteral("--re"),        QStringLiteral("100"),
                                 QStringLiteral("--grid"),      QStringLiteral("80x70"),
                                 QStringLiteral("--tolerance"), QStringLiteral("1e-3"),
                                 QStringLiteral("--out"),       out.path(),
                                 QStringLiteral("--progress"),  QStringLiteral("json")};
        QProcess process;
        process.setProcessEnvironment(MpiEnvironment());
        QElapsedTimer clock;
        clock.start();
        if (c.processes == 1)
            process.start(Tool(), solver);
        else
            process.start(QStringLiteral("mpirun"),
                          QStringList{QStringLiteral("-np"), QString::number(c.processes), Tool()} + solver);
        process.closeWriteChannel();
        ASSERT_TRUE(process.waitForFinished(120000));
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        const QList<QByteArray> lines = process.readAllStandardOutput().trimmed().split('\n');
        ASSERT_GE(lines.size(), 2);
        std::int64_t step = 0;
        int fields = 0;
        for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
            const QJsonDocument doc = QJsonDocument::fromJson(lines[i]);
            ASSERT_TRUE(doc.isObject()) << lines[i].left(200).toStdString();
            const QJsonObject o = doc.object();
            EXPECT_EQ(o.value(QStringLiteral("step")).toInteger(), step + 100) << "a line at every check";
            step = o.value(QStringLiteral("step")).toInteger();
            EXPECT_EQ(o.value(QStringLiteral("steps")).toInteger(), 2000000);
            EXPECT_GT(o.value(QStringLiteral("residual")).toDouble(), 0.0);
            EXPECT_GE(o.value(QStringLiteral("mlups")).toDouble(), 0.0);
            EXPECT_GE(o.value(QStringLiteral("seconds")).toDouble(), 0.0);
            if (!o.contains(QStringLiteral("field")))
                continue;
            ++fields;
            const QJsonObject f = o.value(QStringLiteral("field")).toObject();
            // 80 x 70 nodes sampled down to 64 x 64.
            EXPECT_EQ(f.value(QStringLiteral("nx")).toInt(), 64);
            EXPECT_EQ(f.value(QStringLiteral("ny")).toInt(), 64);
            const QJsonArray ux = f.value(QStringLiteral("ux")).toArray();
            const QJsonArray uy = f.value(QStringLiteral("uy")).toArray();
            ASSERT_EQ(ux.size(), 64 * 64);
            ASSERT_EQ(uy.size(), 64 * 64);
            // The top row moves with the lid (in lid speeds), the bottom one hardly.
            EXPECT_GT(ux[64 * 63 + 32].toDouble(), 0.3);
            EXPECT_LT(std::abs(ux[32].toDouble()), 0.1);
        }
        EXPECT_GE(fields, 1) << "the first check carries a field";
        EXPECT_LE(fields, 1 + clock.elapsed() / 1000) << "at most once a second";
        const QJsonObject end = QJsonDocument::fromJson(lines.back()).object();
        EXPECT_TRUE(end.value(QStringLiteral("done")).toBool()) << lines.back().toStdString();
        EXPECT_EQ(end.value(QStringLiteral("status")).toString(), QStringLiteral("converged"));
        EXPECT_EQ(end.value(QStringLiteral("exit")).toInt(), 0);
        EXPECT_EQ(end.value(QStringLiteral("step")).toInteger(), step);
        EXPECT_EQ(end.value(QStringLiteral("processes")).toInt(), c.processes);
        EXPECT_TRUE(end.value(QStringLiteral("message")).toString().startsWith(QStringLiteral("Converged")));
    }
}

TEST_F(MpiTaskRunnerTest, TwoProcessesFinishWithTheFiguresOfARunInTheProgram)
{
    // A square lattice and a hexagonal one (whose fields are resampled for the live view).
    const std::vector<QueuedTask> queue{Task(0, "D2Q9", 40, 36), Task(3, "D2Q7", 36, 40)};
    TTaskRunner here;
    here.SetSettings(TestSettings());
    Log own(here);
    ASSERT_TRUE(here.Start(queue, dir.filePath(QStringLiteral("here"))));
    Log mpi(runner);
    ASSERT_TRUE(runner.Start(queue, dir.filePath(QStringLiteral("mpi"))));
    EXPECT_TRUE(runner.IsRunning());
    EXPECT_FALSE(runner.Start(queue, dir.path())) << "one queue at a time";
    ASSERT_TRUE(WaitFor([&] { return own.done && mpi.done; }));
    EXPECT_FALSE(runner.IsRunning());
    EXPECT_EQ(mpi.started, (std::vector<int>{0, 1}));
    EXPECT_EQ(mpi.finished, (std::vector<int>{0, 1}));

    for (int i : {0, 1}) {
        SCOPED_TRACE(queue[std::size_t(i)].line.toStdString());
        const TaskOutcome& a = own.outcomes[i];
        const TaskOutcome& b = mpi.outcomes[i];
        ASSERT_EQ(a.state, TaskState::Converged) << a.message.toStdString();
        ASSERT_EQ(b.state, TaskState::Converged) << b.message.toStdString();
        EXPECT_EQ(b.message, a.message);
        EXPECT_EQ(b.steps, a.steps);
        EXPECT_NEAR(b.residual, a.residual, 1e-12);
        ASSERT_EQ(b.residualHistory.size(), a.residualHistory.size());
        for (std::size_t k = 0; k < a.residualHistory.size(); ++k) {
            EXPECT_EQ(b.residualHistory[k].first, a.residualHistory[k].first);
            EXPECT_NEAR(b.residualHistory[k].second, a.residualHistory[k].second, 1e-12);
        }
        // The folder is named as the program names its own, and holds the same set.
        EXPECT_EQ(QFileInfo(b.folder).fileName().size(), QFileInfo(a.folder).fileName().size());
        EXPECT_TRUE(QFileInfo(b.folder).fileName().startsWith(TaskFileStem(queue[std::size_t(i)].line)));
        EXPECT_EQ(Entries(b.folder), Entries(a.folder));
        const QString summary = [&] {
            QFile f(QDir(b.folder).filePath(QLatin1String(lbm::kSummaryFile)));
            return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
        }();
        EXPECT_TRUE(summary.contains(QStringLiteral("\"processes\": 2"))) << summary.toStdString();
        // The whole field, read back for the chart and the view.
        ASSERT_TRUE(a.fields && b.fields);
        ASSERT_EQ(b.fields->gx, a.fields->gx);
        ASSERT_EQ(b.fields->gy, a.fields->gy);
        ASSERT_EQ(b.fields->ux.size(), a.fields->ux.size());
        double worst = 0;
        for (std::size_t k = 0; k < a.fields->ux.size(); ++k)
            worst = std::max({worst, std::abs(b.fields->ux[k] - a.fields->ux[k]),
                              std::abs(b.fields->uy[k] - a.fields->uy[k])});
        EXPECT_LT(worst, 1e-12);
        // The live field came, sampled on the task's grid (it is smaller than 64 x 64).
        ASSERT_FALSE(mpi.fields[i].empty());
        EXPECT_EQ(mpi.fields[i].front()->gx, queue[std::size_t(i)].task.gx);
        EXPECT_EQ(mpi.fields[i].front()->gy, queue[std::size_t(i)].task.gy);
    }
}

// Snapshots under mpirun: the solver is told the steps between them and
// leaves the same files as a run of the task in the program.
TEST_F(MpiTaskRunnerTest, SnapshotsAreKeptAsARunInTheProgramKeepsThem)
{
    QueuedTask task = Task(0, "D2Q9", 24, 20, 10);
    task.snapshots = 200;
    const QStringList args = runner.Arguments(task, QStringLiteral("out"));
    EXPECT_EQ(args.value(args.indexOf(QStringLiteral("--snapshots")) + 1), QStringLiteral("200"));
    EXPECT_FALSE(runner.Arguments(Task(0, "D2Q9", 24, 20), QStringLiteral("out"))
                     .contains(QStringLiteral("--snapshots")));

    TTaskRunner here;
    here.SetSettings(TestSettings());
    Log own(here);
    ASSERT_TRUE(here.Start({task}, dir.filePath(QStringLiteral("here"))));
    Log mpi(runner);
    ASSERT_TRUE(runner.Start({task}, dir.filePath(QStringLiteral("mpi"))));
    ASSERT_TRUE(WaitFor([&] { return own.done && mpi.done; }));
    const TaskOutcome& a = own.outcomes[0];
    const TaskOutcome& b = mpi.outcomes[0];
    ASSERT_EQ(a.state, TaskState::Converged) << a.message.toStdString();
    ASSERT_EQ(b.state, TaskState::Converged) << b.message.toStdString();
    ASSERT_GE(b.steps, 400);
    const QStringList entries = Entries(b.folder);
    EXPECT_EQ(entries, Entries(a.folder));
    EXPECT_TRUE(entries.contains(QLatin1String(lbm::kCollectionFile))) << entries.join(' ').toStdString();
    for (std::int64_t step = 200; step <= b.steps; step += 200)
        EXPECT_TRUE(entries.contains(QString::fromStdString(lbm::SnapshotFileName(step)))) << step;
}

// A three-dimensional task tells the solver its z size, and a box channel
// its six numbers; the scene is handed over as for a rectangle, without a plane.
TEST_F(MpiTaskRunnerTest, AThreeDimensionalTaskIsGivenItsZSizeAndItsBox)
{
    QueuedTask cavity = Task(0, "D3Q19", 17, 15);
    cavity.task.gz = 13;
    QStringList args = runner.Arguments(cavity, QStringLiteral("out"));
    EXPECT_EQ(args.value(args.indexOf(QStringLiteral("--grid")) + 1), QStringLiteral("17x15x13"));

    QueuedTask box = Task(0, "D3Q19(New)", 44, 8, 20);
    box.task.gz = 8;
    box.task.flow = lbm::Flow::Channel;
    box.task.channel.x = 0.5;
    box.task.channel.z = -0.2;
    box.task.channel.height = 0.4;
    box.task.channel.depth = 0.4;
    box.scene = QStringLiteral("/tmp/scene.cvs");
    box.plane = 0.3;
    args = runner.Arguments(box, QStringLiteral("out"));
    EXPECT_EQ(args.value(args.indexOf(QStringLiteral("--grid")) + 1), QStringLiteral("44x8x8"));
    EXPECT_EQ(args.value(args.indexOf(QStringLiteral("--channel")) + 1),
              QStringLiteral("0.5,0,-0.2,2.2,0.4,0.4"));
    EXPECT_EQ(args.value(args.indexOf(QStringLiteral("--scene")) + 1), box.scene);
    EXPECT_FALSE(args.contains(QStringLiteral("--plane")));

    // The same channel in two dimensions keeps its four numbers and its plane.
    box.task.model = "D2Q9";
    args = runner.Arguments(box, QStringLiteral("out"));
    EXPECT_EQ(args.value(args.indexOf(QStringLiteral("--grid")) + 1), QStringLiteral("44x8"));
    EXPECT_EQ(args.value(args.indexOf(QStringLiteral("--channel")) + 1), QStringLiteral("0.5,0,2.2,0.4"));
    EXPECT_EQ(args.value(args.indexOf(QStringLiteral("--plane")) + 1), QStringLiteral("0.3"));
}

// A channel past the sample's cylinder on two processes: the solver is given
// the scene, the channel and its inflow, reports cD and cL as it goes, and
// its drag history and obstacle nodes come back with the results.
TEST_F(MpiTaskRunnerTest, AChannelRunsPastTheScenesCylinderAndReportsItsForces)
{
    QueuedTask channel = Task(0, "D2Q9", 113, 21, 20);
    channel.line += QStringLiteral(" channel past cylinder-channel.cvs");
    channel.task.flow = lbm::Flow::Channel;
    channel.scene = QStringLiteral(CORVANE_SAMPLES_DIR "/cylinder-channel.cvs");
    lbm::Settings s = TestSettings();
    s.maxSteps = 300;
    s.tolerance = 1e-12;
    s.checkInterval = 20;
    runner.SetSettings(s);
    const QStringList args = runner.Arguments(channel, QStringLiteral("out"));
    for (const char* expected :
         {"--scene", "--plane", "--channel", "--inflow", "--mean-speed", "--lattice-speed"})
        EXPECT_TRUE(args.contains(QLatin1String(expected))) << expected;
    EXPECT_FALSE(args.contains(QStringLiteral("--lid-speed")));
    EXPECT_EQ(args.value(args.indexOf(QStringLiteral("--channel")) + 1), QStringLiteral("0,0,2.2,0.41"));
    EXPECT_EQ(args.value(args.indexOf(QStringLiteral("--lattice-speed")) + 1), QStringLiteral("0.05"));

    std::vector<TaskProgress> progress;
    QObject::connect(&runner, &TTaskQueue::Progressed,
                     [&](int, const TaskProgress& p) { progress.push_back(p); });
    Log mpi(runner);
    ASSERT_TRUE(runner.Start({channel}, dir.path()));
    ASSERT_TRUE(WaitFor([&] { return mpi.done; }));
    const TaskOutcome& outcome = mpi.outcomes[0];
    ASSERT_EQ(outcome.state, TaskState::NotConverged) << outcome.message.toStdString();
    ASSERT_FALSE(progress.empty());
    EXPECT_TRUE(progress.back().channel);
    EXPECT_TRUE(std::isfinite(progress.back().cd) && progress.back().cd > 0) << progress.back().cd;
    EXPECT_TRUE(outcome.channel);
    EXPECT_FALSE(outcome.figures.history.cd.empty());
    EXPECT_NEAR(outcome.figures.history.cd.back(), outcome.figures.cd, 1e-9);
    ASSERT_TRUE(outcome.fields);
    int solid = 0;
    for (std::uint8_t node : outcome.fields->solid)
        solid += node;
    EXPECT_GT(solid, 10) << "the cylinder, about 5 nodes across";
    EXPECT_LT(solid, 40);
}

TEST_F(MpiTaskRunnerTest, PauseHoldsTheProcessesResumeMovesThemAndStopKeepsThePartialResults)
{
    lbm::Settings s = runner.Settings();
    s.tolerance = 1e-300; // never converges
    s.maxSteps = 1000000000;
    runner.SetSettings(s);
    Log log(runner);
    ASSERT_TRUE(runner.Start({Task(0, "D2Q9", 64, 64), Task(1, "D2Q9", 12, 12)}, dir.path()));
    ASSERT_TRUE(WaitFor([&] { return log.lastStep[0] > 0; }));

    runner.Pause();
    EXPECT_TRUE(runner.IsPaused());
    WaitFor([] { return false; }, 500); // lines already on their way arrive
    const std::int64_t held = log.lastStep[0];
    WaitFor([] { return false; }, 1000);
    EXPECT_EQ(log.lastStep[0], held) << "paused: the step count stands still";
    runner.Resume();
    EXPECT_FALSE(runner.IsPaused());
    ASSERT_TRUE(WaitFor([&] { return log.lastStep[0] > held; })) << "resumed: it moves again";

    // Stopped while paused: it goes on to notice the stop and write its results.
    runner.Pause();
    runner.Stop();
    ASSERT_TRUE(WaitFor([&] { return log.done; }));
    EXPECT_EQ(log.started, std::vector<int>{0});
    EXPECT_EQ(log.finished, (std::vector<int>{0, 1}));
    const TaskOutcome& stopped = log.outcomes[0];
    EXPECT_EQ(stopped.state, TaskState::NotConverged) << stopped.message.toStdString();
    EXPECT_TRUE(stopped.message.contains(QStringLiteral("partial results are kept")))
        << stopped.message.toStdString();
    EXPECT_EQ(Entries(stopped.folder),
              (QStringList{QStringLiteral("field.vti"), QStringLiteral("summary.json"),
                           QStringLiteral("u_centreline.csv"), QStringLiteral("v_centreline.csv")}));
    QFile summary(QDir(stopped.folder).filePath(QLatin1String(lbm::kSummaryFile)));
    ASSERT_TRUE(summary.open(QIODevice::ReadOnly));
    EXPECT_TRUE(summary.readAll().contains("\"status\": \"cancelled\""));
    EXPECT_TRUE(stopped.fields);
    EXPECT_GE(stopped.steps, held);
    EXPECT_EQ(log.outcomes[1].state, TaskState::Cancelled);
    EXPECT_TRUE(log.outcomes[1].folder.isEmpty());
}

TEST_F(MpiTaskRunnerTest, DestroyingARunningRunnerStopsTheRunAndKeepsThePartialResults)
{
    lbm::Settings s = runner.Settings();
    s.tolerance = 1e-300;
    s.maxSteps = 1000000000;
    auto other = std::make_unique<TMpiTaskRunner>();
    other->SetSettings(s);
    other->SetSolverTool(Tool());
    Log log(*other);
    ASSERT_TRUE(other->Start({Task(0, "D2Q9", 32, 32)}, dir.path()));
    ASSERT_TRUE(WaitFor([&] { return log.lastStep[0] > 0; }));
    other->Pause();
    other.reset();
    const QStringList made = QDir(dir.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_EQ(made.size(), 1);
    EXPECT_TRUE(QFileInfo(QDir(dir.filePath(made[0])).filePath(QLatin1String(lbm::kSummaryFile))).isFile());
}

TEST_F(MpiTaskRunnerTest, AChildThatDiesGivesTheFailedStateWithItsLastLines)
{
    QTemporaryDir bin;
    auto script = [&](const char* name, const char* body) {
        const QString path = bin.filePath(QLatin1String(name));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\n");
        f.write(body);
        f.close();
        f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
        return path;
    };
    struct Case {
        const char* what;
        QString tool;
        QString mpirun;
        QueuedTask task;
        QStringList expected; // in the message
    };
    const QString mpirun = QStandardPaths::findExecutable(QStringLiteral("mpirun"));
    const Case cases[] = {
        {"crash",
         script("crash",
                "echo '{\"step\": 100, \"steps\": 1000, \"residual\": 0.5, \"mlups\": 1, \"seconds\": 0}'\n"
                "echo 'the solver fell over here' >&2\nkill -SEGV $$\n"),
         mpirun,
         Task(0, "D2Q9", 20, 20),
         {QStringLiteral("without saying how the run ended"), QStringLiteral("the solver fell over here")}},
        {"no last line",
         script("quiet", "echo 'this is not a progress line'\necho '{\"step\": \"many\"}'\nexit 0\n"),
         mpirun,
         Task(0, "D2Q9", 20, 20),
         {QStringLiteral("exit code 0"), QStringLiteral("this is not a progress line")}},
        {"endless line",
         script("endless", "head -c 9000000 /dev/zero | tr '\\0' x\nsleep 60\n"),
         mpirun,
         Task(0, "D2Q9", 20, 20),
         {QStringLiteral("more than 8 MiB")}},
        {"refused by the solver",
         Tool(),
         mpirun,
         Task(0, "D2Q9", 31, 3),
         {QStringLiteral("cannot be split over 2 processes")}},
        {"no mpirun",
         Tool(),
         bin.filePath(QStringLiteral("no-such-mpirun")),
         Task(0, "D2Q9", 20, 20),
         {QStringLiteral("could not be started")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir data;
        TMpiTaskRunner failing;
        failing.SetSettings(TestSettings());
        failing.SetSolverTool(c.tool);
        failing.SetMpirun(c.mpirun);
        Log log(failing);
        // The task after it still runs.
        ASSERT_TRUE(failing.Start({c.task, Task(1, "D2Q9", 12, 12)}, data.path()));
        ASSERT_TRUE(WaitFor([&] { return log.done; }));
        const TaskOutcome& failed = log.outcomes[0];
        EXPECT_EQ(failed.state, TaskState::Failed);
        for (const QString& text : c.expected)
            EXPECT_TRUE(failed.message.contains(text)) << failed.message.toStdString();
        EXPECT_TRUE(failed.folder.isEmpty());
        EXPECT_EQ(log.finished, (std::vector<int>{0, 1}));
        const int left = QDir(data.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size();
        if (c.tool == Tool() && c.mpirun == mpirun) {
            EXPECT_EQ(log.outcomes[1].state, TaskState::Converged) << log.outcomes[1].message.toStdString();
        }
        // Only the next task's folder, if it ran: a failed run leaves no empty folder behind.
        EXPECT_EQ(left, log.outcomes[1].folder.isEmpty() ? 0 : 1);
    }
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    if (QStandardPaths::findExecutable(QStringLiteral("mpirun")).isEmpty()) {
        std::printf("mpirun is not installed: skipped\n");
        return 77;
    }
    // In a sanitizer build, Open MPI's plugins leave allocations behind that
    // no suppression can name: the processes under mpirun skip the leak check.
    const QByteArray asan = qgetenv("ASAN_OPTIONS");
    qputenv("ASAN_OPTIONS", (asan.isEmpty() ? QByteArray() : asan + ':') + "detect_leaks=0");
    return RUN_ALL_TESTS();
}
