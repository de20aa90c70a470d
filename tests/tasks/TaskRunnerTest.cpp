// SPDX-License-Identifier: GPL-3.0-or-later
#include "TaskRunner.h"
#include "CavityReference.h"
#include "LbmResults.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <vector>

namespace {

QueuedTask Tiny(int row, const char* model, int side, double re = 10)
{
    QueuedTask q;
    q.row = row;
    q.line = QStringLiteral("%1 ren %2Gx %3 Gy %3").arg(QLatin1String(model)).arg(re).arg(side);
    q.task.model = model;
    q.task.reynolds = re;
    q.task.gx = side;
    q.task.gy = side;
    return q;
}

// Processes events until the condition holds or the time is up.
bool WaitFor(const std::function<bool()>& done, int milliseconds = 20000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

// Everything a runner reports, as the GUI thread sees it.
struct Log {
    explicit Log(TTaskRunner& runner)
    {
        QObject::connect(&runner, &TTaskRunner::TaskStarted, [this](int index, const QueuedTask&) {
            started.push_back(index);
            EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
        });
        QObject::connect(&runner, &TTaskRunner::Progressed, [this](int index, const TaskProgress& p) {
            lastStep[index] = p.step;
            EXPECT_GE(p.fraction, 0.0);
            EXPECT_LE(p.fraction, 1.0);
            ++reports;
        });
        QObject::connect(&runner, &TTaskRunner::FieldUpdated,
                         [this](int, std::shared_ptr<const lbm::Fields> f) { fields.push_back(f); });
        QObject::connect(&runner, &TTaskRunner::TaskFinished,
                         [this](int index, const QueuedTask&, const TaskOutcome& outcome) {
                             finished.push_back(index);
                             outcomes[index] = outcome;
                         });
        QObject::connect(&runner, &TTaskRunner::QueueFinished, [this] { done = true; });
    }
    std::vector<int> started, finished;
    std::map<int, std::int64_t> lastStep;
    std::map<int, TaskOutcome> outcomes;
    std::vector<std::shared_ptr<const lbm::Fields>> fields;
    int reports = 0;
    bool done = false;
};

class TaskRunnerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        lbm::Settings s;
        s.threads = 1;
        s.maxSteps = 20000;
        s.tolerance = 1e-6;
        s.checkInterval = 20;
        runner.SetSettings(s);
    }
    QTemporaryDir dir;
    TTaskRunner runner;
};

} // namespace

TEST_F(TaskRunnerTest, AQueueRunsInOrderOnAWorkerWhileTheGuiThreadGoesOn)
{
    Log log(runner);
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(1);
    runner.SetFieldInterval(0.001);
    ASSERT_TRUE(
        runner.Start({Tiny(0, "D2Q9", 12), Tiny(2, "D2Q9(New)", 10), Tiny(5, "D2Q9", 14)}, dir.path()));
    EXPECT_TRUE(runner.IsRunning());
    EXPECT_FALSE(runner.Start({Tiny(0, "D2Q9", 12)}, dir.path())) << "one queue at a time";
    ASSERT_TRUE(WaitFor([&] { return log.done; }));
    EXPECT_FALSE(runner.IsRunning());
    EXPECT_GT(ticks, 0) << "the GUI thread's timer ran while the tasks did";
    EXPECT_EQ(log.started, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(log.finished, (std::vector<int>{0, 1, 2}));
    EXPECT_GT(log.reports, 0);
    EXPECT_FALSE(log.fields.empty()) << "the live field came through";

    QStringList folders;
    for (const auto& [index, outcome] : log.outcomes) {
        EXPECT_EQ(outcome.state, TaskState::Converged) << index << ": " << outcome.message.toStdString();
        ASSERT_FALSE(outcome.folder.isEmpty());
        // In the data folder, named after the line and the time.
        EXPECT_EQ(QFileInfo(outcome.folder).absolutePath(), QFileInfo(dir.path()).absoluteFilePath());
        folders << QFileInfo(outcome.folder).fileName();
        for (const char* file :
             {lbm::kUCentrelineFile, lbm::kVCentrelineFile, lbm::kFieldFile, lbm::kSummaryFile})
            EXPECT_TRUE(QFileInfo(QDir(outcome.folder).filePath(QLatin1String(file))).isFile()) << file;
        ASSERT_TRUE(outcome.fields);
        EXPECT_FALSE(outcome.residualHistory.empty());
        EXPECT_EQ(outcome.residualHistory.back().first, outcome.steps);
    }
    ASSERT_EQ(folders.size(), 3);
    EXPECT_TRUE(folders[0].startsWith(QStringLiteral("D2Q9_ren_10Gx_12_Gy_12_"))) << folders[0].toStdString();
    EXPECT_TRUE(folders[1].startsWith(QStringLiteral("D2Q9(New)_ren_10Gx_10_Gy_10_")))
        << folders[1].toStdString();
    EXPECT_EQ(log.outcomes[1].fields->gx, 10);
}

// A task that keeps snapshots leaves one field file for every N steps it ran
// and their collection beside the results; one without leaves neither.
TEST_F(TaskRunnerTest, ATaskKeepsASnapshotEveryNStepsAndTheirCollection)
{
    Log log(runner);
    QueuedTask with = Tiny(0, "D2Q9", 12);
    with.snapshots = 150;
    ASSERT_TRUE(runner.Start({with, Tiny(1, "D2Q9", 12)}, dir.path()));
    ASSERT_TRUE(WaitFor([&] { return log.done; }));
    const TaskOutcome& kept = log.outcomes[0];
    ASSERT_EQ(kept.state, TaskState::Converged) << kept.message.toStdString();
    ASSERT_GT(kept.steps, 300);
    const QDir folder(kept.folder);
    QStringList expected;
    for (std::int64_t step = 150; step <= kept.steps; step += 150)
        expected << QString::fromStdString(lbm::SnapshotFileName(step));
    QStringList written = folder.entryList({QStringLiteral("field_*.vti")}, QDir::Files);
    std::sort(written.begin(), written.end(), [](const QString& a, const QString& b) {
        return a.mid(6).chopped(4).toLongLong() < b.mid(6).chopped(4).toLongLong();
    });
    EXPECT_EQ(written, expected);
    QFile collection(folder.filePath(QLatin1String(lbm::kCollectionFile)));
    ASSERT_TRUE(collection.open(QIODevice::ReadOnly));
    const QByteArray pvd = collection.readAll();
    // In time order, the final field last (in place of a snapshot at the last step).
    qsizetype at = 0;
    for (std::int64_t step = 150; step < kept.steps; step += 150) {
        const qsizetype found = pvd.indexOf(QByteArray::fromStdString(lbm::SnapshotFileName(step)));
        EXPECT_GT(found, at) << step;
        at = std::max(at, found);
    }
    EXPECT_GT(pvd.indexOf(lbm::kFieldFile), at);

    const QDir plain(log.outcomes[1].folder);
    ASSERT_EQ(log.outcomes[1].state, TaskState::Converged);
    EXPECT_TRUE(plain.entryList({QStringLiteral("field_*"), QStringLiteral("*.pvd")}, QDir::Files).isEmpty());
}

TEST_F(TaskRunnerTest, PauseHoldsTheStepsResumeMovesThemAndStopCancelsTheRest)
{
    lbm::Settings s = runner.Settings();
    s.tolerance = 1e-300; // never converges
    s.maxSteps = 1000000000;
    runner.SetSettings(s);
    Log log(runner);
    ASSERT_TRUE(runner.Start({Tiny(0, "D2Q9", 16), Tiny(1, "D2Q9", 12), Tiny(2, "D2Q9", 12)}, dir.path()));
    ASSERT_TRUE(WaitFor([&] { return log.lastStep[0] > 0; }));

    runner.Pause();
    EXPECT_TRUE(runner.IsPaused());
    WaitFor([] { return false; }, 300); // reports already on their way arrive
    const std::int64_t held = log.lastStep[0];
    WaitFor([] { return false; }, 400);
    EXPECT_EQ(log.lastStep[0], held) << "paused: the step count stands still";

    runner.Resume();
    ASSERT_TRUE(WaitFor([&] { return log.lastStep[0] > held; })) << "resumed: it moves again";

    runner.Stop();
    ASSERT_TRUE(WaitFor([&] { return log.done; }));
    EXPECT_EQ(log.started, std::vector<int>{0});
    EXPECT_EQ(log.finished, (std::vector<int>{0, 1, 2}));
    const TaskOutcome& stopped = log.outcomes[0];
    EXPECT_EQ(stopped.state, TaskState::NotConverged) << "its partial results are kept";
    EXPECT_TRUE(QFileInfo(QDir(stopped.folder).filePath(QLatin1String(lbm::kSummaryFile))).isFile());
    for (int i : {1, 2}) {
        EXPECT_EQ(log.outcomes[i].state, TaskState::Cancelled);
        EXPECT_TRUE(log.outcomes[i].folder.isEmpty());
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 1);
}

TEST_F(TaskRunnerTest, AFailingTaskIsReportedAndTheNextRuns)
{
    Log log(runner);
    QTemporaryDir locked;
    const QString file = locked.filePath(QStringLiteral("not-a-folder"));
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    // An unsupported model first: the two after it run.
    ASSERT_TRUE(
        runner.Start({Tiny(0, "D2Q11(New)", 12), Tiny(1, "D2Q9", 12), Tiny(2, "D2Q9", 12)}, dir.path()));
    ASSERT_TRUE(WaitFor([&] { return log.done; }));
    EXPECT_EQ(log.outcomes[0].state, TaskState::Failed);
    EXPECT_TRUE(log.outcomes[0].message.contains(QStringLiteral("D2Q11(New)")))
        << log.outcomes[0].message.toStdString();
    EXPECT_TRUE(log.outcomes[0].folder.isEmpty());
    EXPECT_EQ(log.outcomes[1].state, TaskState::Converged);
    EXPECT_EQ(log.outcomes[2].state, TaskState::Converged);

    // A data folder that is a file: every task says so, none stops the queue.
    Log second(runner);
    ASSERT_TRUE(runner.Start({Tiny(0, "D2Q9", 12), Tiny(1, "D2Q9", 12)}, file));
    ASSERT_TRUE(WaitFor([&] { return second.done; }));
    for (int i : {0, 1}) {
        EXPECT_EQ(second.outcomes[i].state, TaskState::Failed);
        EXPECT_FALSE(second.outcomes[i].message.isEmpty());
    }
}

TEST_F(TaskRunnerTest, DestroyingARunningRunnerStopsItAndKeepsThePartialResults)
{
    lbm::Settings s = runner.Settings();
    s.tolerance = 1e-300;
    s.maxSteps = 1000000000;
    auto other = std::make_unique<TTaskRunner>();
    other->SetSettings(s);
    Log log(*other);
    ASSERT_TRUE(other->Start({Tiny(0, "D2Q9", 16)}, dir.path()));
    ASSERT_TRUE(WaitFor([&] { return log.lastStep[0] > 0; }));
    other->Pause();
    other.reset();
    const QStringList made = QDir(dir.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_EQ(made.size(), 1);
    EXPECT_TRUE(QFileInfo(QDir(dir.filePath(made[0])).filePath(QLatin1String(lbm::kSummaryFile))).isFile());
}

TEST(TaskProgress, TheFractionFollowsTheStepsOrTheResidualOnALogScale)
{
    struct Case {
        std::int64_t step, maxSteps;
        double first, residual, tolerance, expected;
    };
    const Case cases[] = {
        {0, 100, 1, 1, 1e-6, 0},
        {50, 100, 1, 1, 1e-6, 0.5},
        {10, 1000000, 1e-1, 1e-4, 1e-7, 0.5},
        {10, 1000000, 1e-1, 1e-8, 1e-7, 1},
        {10, 1000000, -1, 1e-4, 1e-7, 1e-5},
        {10, 1000000, 1e-1, INFINITY, 1e-7, 1e-5},
        {10, 0, 1e-1, 1e-1, 1e-7, 0},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(ProgressFraction(c.step, c.maxSteps, c.first, c.residual, c.tolerance), c.expected, 1e-9)
            << c.step << " " << c.residual;
}

TEST(TaskProgress, FolderNamesAreSafeAndCarryTheTime)
{
    const QDateTime when(QDate(2026, 12, 10), QTime(6, 1, 2));
    EXPECT_EQ(ResultsFolderName(QStringLiteral("D2Q9 ren 400Gx 129 Gy 129"), when),
              QStringLiteral("D2Q9_ren_400Gx_129_Gy_129_20261210-060102"));
    EXPECT_EQ(TaskFileStem(QStringLiteral("../a/b\\c:*? x")), QStringLiteral(".._a_b_c_x"))
        << "no separators";
    EXPECT_FALSE(TaskFileStem(QStringLiteral("../x")).contains(QLatin1Char('/')));
    EXPECT_EQ(TaskFileStem(QStringLiteral("///")), QStringLiteral("task"));
}

TEST(CavityReferenceTable, HoldsThePublishedProfilesByReynoldsNumber)
{
    EXPECT_EQ(CavityReferenceReynolds(), (std::vector<double>{100, 400, 1000, 5000}));
    // Re 5000 has the u profile alone (inner points only).
    EXPECT_EQ(CavityReference('u', 5000).size(), 15u);
    EXPECT_TRUE(CavityReference('v', 5000).empty());
    const auto u400 = CavityReference('u', 400);
    ASSERT_EQ(u400.size(), 17u);
    EXPECT_EQ(u400.front(), (std::pair<double, double>{0.0, 0.0}));
    EXPECT_EQ(u400.back(), (std::pair<double, double>{1.0, 1.0}));
    // The one misprinted value of the table is left out.
    const auto v400 = CavityReference('v', 400);
    EXPECT_EQ(v400.size(), 16u);
    for (const auto& point : v400)
        EXPECT_NE(point.first, 0.9063);
    EXPECT_TRUE(CavityReference('u', 500).empty());
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
