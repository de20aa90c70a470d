// SPDX-License-Identifier: GPL-3.0-or-later
// The list of runs in a data folder: real results of small runs, written as
// the program writes them, and folders damaged in the ways a disk or a user
// damages them.
#include "ResultsList.h"
#include "CavityReference.h"
#include "LbmResults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>

namespace {

struct SmallRun {
    lbm::Task task;
    lbm::Settings settings;
    lbm::RunResult result;
};

// A converged run of 17 x 17 nodes: a second or so.
const SmallRun& Cavity(double re)
{
    static std::map<double, SmallRun> runs;
    auto it = runs.find(re);
    if (it == runs.end()) {
        SmallRun run;
        run.task.model = lbm::kModelBgk;
        run.task.reynolds = re;
        run.task.gx = run.task.gy = 17;
        run.settings.threads = 1;
        run.settings.tolerance = 1e-6;
        run.result = lbm::Run(run.task, run.settings);
        it = runs.emplace(re, std::move(run)).first;
    }
    return it->second;
}

bool WriteText(const QString& path, const QByteArray& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
}

QByteArray ReadText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A profile file through the given points.
QByteArray ProfileText(const char* header, const std::vector<std::pair<double, double>>& points)
{
    QByteArray text = QByteArray(header) + '\n';
    for (const auto& [position, value] : points)
        text += QByteArray::number(position, 'g', 17) + ',' + QByteArray::number(value, 'g', 17) + '\n';
    return text;
}

class ResultsListTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(data.isValid()); }

    // A run's results written as the program writes them, in a folder named
    // as it names them.
    QString Write(const QString& name, double re = 100, const QString& into = QString())
    {
        const QString folder = QDir(into.isEmpty() ? data.path() : into).filePath(name);
        const SmallRun& run = Cavity(re);
        EXPECT_EQ(run.result.status, lbm::RunStatus::Converged);
        EXPECT_EQ(
            lbm::WriteResults(QFile::encodeName(folder).toStdString(), run.task, run.settings, run.result),
            "");
        return folder;
    }
    QString Summary(const QString& folder) const
    {
        return QDir(folder).filePath(QStringLiteral("summary.json"));
    }

    QTemporaryDir data;
};

TEST_F(ResultsListTest, ListsTheRunsNewestFirstWithTheirFigures)
{
    const QString older = Write(QStringLiteral("D2Q9_ren_100Gx_17_Gy_17_20261209-231500"));
    const QString newest = Write(QStringLiteral("D2Q9_ren_20Gx_17_Gy_17_20261211-060102"), 20);
    const QString sameSecond = Write(QStringLiteral("D2Q9_ren_100Gx_17_Gy_17_20261210-080000-2"));
    // Not runs: a grid description and an empty folder.
    ASSERT_TRUE(WriteText(data.filePath(QStringLiteral("D2Q9_ren_100Gx_17_Gy_17.grid")), "model=D2Q9\n"));
    ASSERT_TRUE(QDir(data.path()).mkdir(QStringLiteral("empty")));

    TResultsList list;
    list.SetDataFolder(data.path());
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Run(0).folder, newest);
    EXPECT_EQ(list.Run(1).folder, sameSecond);
    EXPECT_EQ(list.Run(2).folder, older);
    EXPECT_EQ(list.Run(1).when, QDateTime(QDate(2026, 12, 10), QTime(8, 0, 0)));

    const ResultsRun& run = list.Run(2);
    const SmallRun& real = Cavity(100);
    EXPECT_FALSE(run.damaged);
    EXPECT_EQ(run.line, QStringLiteral("D2Q9 ren 100Gx 17 Gy 17"));
    EXPECT_EQ(run.state, QStringLiteral("converged"));
    EXPECT_EQ(run.steps, real.result.steps);
    EXPECT_NEAR(run.seconds, real.result.seconds, 1e-5);
    // On 17 x 17 nodes the centre lines lie a few per cent of the lid speed
    // from the published ones.
    EXPECT_GT(run.deviation, 0.001);
    EXPECT_LT(run.deviation, 0.15);
    EXPECT_TRUE(std::isnan(run.cd));
    EXPECT_TRUE(TResultsList::FiguresText(run).startsWith(QStringLiteral("Ghia et al.: largest deviation ")));
    // Re 20 has no published profile: no deviation, and no words for one.
    EXPECT_TRUE(std::isnan(list.Run(0).deviation));
    EXPECT_FALSE(TResultsList::FiguresText(list.Run(0)).contains(QStringLiteral("Ghia")));

    // The table as a view shows it.
    EXPECT_EQ(list.rowCount(), 3);
    EXPECT_EQ(list.data(list.index(0, TResultsList::TaskColumn)).toString(),
              QStringLiteral("D2Q9 ren 20Gx 17 Gy 17"));
    EXPECT_EQ(list.data(list.index(0, TResultsList::WhenColumn)).toString(),
              QStringLiteral("2026-12-11 06:01:02"));
    EXPECT_FALSE(list.data(list.index(0, TResultsList::DurationColumn)).toString().isEmpty());
}

TEST_F(ResultsListTest, TheDeviationIsThatOfTheProfileFilesFromThePublishedPoints)
{
    const QString folder = Write(QStringLiteral("D2Q9_ren_100Gx_17_Gy_17_20261210-010000"));
    const auto refU = CavityReference('u', 100);
    const auto refV = CavityReference('v', 100);
    ASSERT_FALSE(refU.empty());
    double largest = 0;
    for (const auto& points : {refU, refV})
        for (const auto& point : points)
            largest = std::max(largest, std::abs(point.second));
    struct Case {
        const char* name;
        std::vector<std::pair<double, double>> u, v;
        double deviation;
    };
    const std::vector<std::pair<double, double>> still = {{0, 0}, {1, 0}};
    const Case cases[] = {
        {"through the published points", refU, refV, 0},
        {"at rest everywhere", still, still, largest},
        {"u a tenth above them",
         [&] {
             auto u = refU;
             for (auto& p : u)
                 p.second += 0.1;
             return u;
         }(),
         refV, 0.1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(
            WriteText(QDir(folder).filePath(QStringLiteral("u_centreline.csv")), ProfileText("y,u", c.u)));
        ASSERT_TRUE(
            WriteText(QDir(folder).filePath(QStringLiteral("v_centreline.csv")), ProfileText("x,v", c.v)));
        TResultsList list;
        list.SetDataFolder(data.path());
        ASSERT_EQ(list.Count(), 1);
        EXPECT_NEAR(list.Run(0).deviation, c.deviation, 1e-12);
    }
}

TEST_F(ResultsListTest, AChannelsForceCoefficientsComeFromItsSummary)
{
    const QString folder = Write(QStringLiteral("D2Q9_ren_20Gx_17_Gy_17_20261210-010000"), 20);
    QByteArray summary = ReadText(Summary(folder));
    summary.replace("{\n", "{\n  \"cd\": 5.6712,\n  \"cl\": -0.0105,\n");
    ASSERT_TRUE(WriteText(Summary(folder), summary));
    TResultsList list;
    list.SetDataFolder(data.path());
    ASSERT_EQ(list.Count(), 1);
    EXPECT_DOUBLE_EQ(list.Run(0).cd, 5.6712);
    EXPECT_DOUBLE_EQ(list.Run(0).cl, -0.0105);
    EXPECT_TRUE(TResultsList::FiguresText(list.Run(0)).startsWith(QStringLiteral("cD 5.6712, cL -0.0105")));
}

TEST_F(ResultsListTest, DamagedRunsAreListedAsDamagedBesideTheGoodOnes)
{
    const QString good = Write(QStringLiteral("good_20261210-000000"));
    struct Case {
        const char* name;
        std::function<void(const QString& folder)> damage;
    };
    const Case cases[] = {
        {"cut", [&](const QString& f) { WriteText(Summary(f), ReadText(Summary(f)).left(100)); }},
        {"not JSON", [&](const QString& f) { WriteText(Summary(f), "model=D2Q9\n"); }},
        {"empty", [&](const QString& f) { WriteText(Summary(f), ""); }},
        {"wrong kinds", [&](const QString& f) { WriteText(Summary(f), "{\"model\": 1, \"gx\": \"17\"}"); }},
        {"too large", [&](const QString& f) { WriteText(Summary(f), "{" + QByteArray(1 << 20, ' ') + "}"); }},
        {"a folder",
         [&](const QString& f) {
             QFile::remove(Summary(f));
             QDir().mkdir(Summary(f));
         }},
        {"a pipe",
         [&](const QString& f) {
             QFile::remove(Summary(f));
             ASSERT_EQ(mkfifo(QFile::encodeName(Summary(f)).constData(), 0600), 0);
         }},
        {"missing beside the field", [&](const QString& f) { QFile::remove(Summary(f)); }},
    };
    int n = 0;
    for (const Case& c : cases)
        c.damage(Write(QStringLiteral("%1_20261211-00000%2")
                           .arg(QString::fromLatin1(c.name).replace(' ', '_'))
                           .arg(n++)));

    TResultsList list;
    list.SetDataFolder(data.path());
    ASSERT_EQ(list.Count(), int(std::size(cases)) + 1);
    for (int row = 0; row < list.Count(); ++row) {
        const ResultsRun& run = list.Run(row);
        SCOPED_TRACE(run.folder.toStdString());
        if (run.folder == good) {
            EXPECT_FALSE(run.damaged);
            continue;
        }
        EXPECT_TRUE(run.damaged);
        EXPECT_FALSE(run.problem.isEmpty());
        EXPECT_EQ(run.line, QFileInfo(run.folder).fileName()) << "a damaged run goes by its folder's name";
        EXPECT_EQ(list.data(list.index(row, TResultsList::FiguresColumn)).toString(), run.problem);
    }
}

TEST_F(ResultsListTest, ASummaryWrittenAgainIsReadAgain)
{
    const QString folder = Write(QStringLiteral("run_20261210-000000"));
    TResultsList list;
    list.SetDataFolder(data.path());
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Run(0).state, QStringLiteral("converged"));
    QByteArray summary = ReadText(Summary(folder));
    summary.replace("\"status\": \"converged\"", "\"status\": \"cancelled\"");
    ASSERT_TRUE(WriteText(Summary(folder), summary)); // a different size
    Write(QStringLiteral("second_20261210-000001"));
    list.Refresh();
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Run(1).state, QStringLiteral("cancelled"));
}

TEST_F(ResultsListTest, AnAddedFolderListsItsRunsToo)
{
    QTemporaryDir cluster;
    const QString far = Write(QStringLiteral("far_20261212-000000"), 100, cluster.path());
    const QString near = Write(QStringLiteral("near_20261201-000000"));
    TResultsList list;
    list.SetDataFolder(data.path());
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.AddFolder(cluster.path()), QString());
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Run(0).folder, far);
    EXPECT_EQ(list.Run(1).folder, near);
    EXPECT_FALSE(list.AddFolder(cluster.path()).isEmpty()) << "listed already";
    EXPECT_FALSE(list.AddFolder(cluster.filePath(QStringLiteral("nothing"))).isEmpty()) << "not a folder";
    // A single run's folder lists that run.
    QTemporaryDir single;
    const QString one = Write(QStringLiteral("one"), 100, single.path());
    EXPECT_EQ(list.AddFolder(one), QString());
    EXPECT_EQ(list.Count(), 3);
    EXPECT_GE(list.RowOf(one), 0);
}

TEST_F(ResultsListTest, DeleteRemovesThatRunsFolderAndNothingElse)
{
    const QString keep = Write(QStringLiteral("keep_20261210-000000"));
    const QString gone = Write(QStringLiteral("gone_20261211-000000"));
    ASSERT_TRUE(WriteText(QDir(gone).filePath(QStringLiteral("forces.csv")), "step,cd,cl\n100,1,0\n"));
    const QStringList kept = QDir(keep).entryList(QDir::Files);
    TResultsList list;
    list.SetDataFolder(data.path());
    ASSERT_EQ(list.Count(), 2);
    QSignalSpy removed(&list, &TResultsList::rowsRemoved);
    EXPECT_EQ(list.Delete(list.RowOf(gone)), QString());
    EXPECT_FALSE(QFileInfo::exists(gone));
    EXPECT_EQ(removed.count(), 1);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Run(0).folder, keep);
    EXPECT_EQ(QDir(keep).entryList(QDir::Files), kept);
    EXPECT_EQ(QDir(data.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("keep_20261210-000000")});
}

TEST_F(ResultsListTest, DeleteRefusesWhatIsNotARunsResults)
{
    struct Case {
        const char* name;
        std::function<void(const QString& folder)> make;
    };
    const Case cases[] = {
        {"a file of the user's",
         [](const QString& f) { WriteText(QDir(f).filePath(QStringLiteral("notes.odt")), "x"); }},
        {"a folder inside", [](const QString& f) { QDir(f).mkdir(QStringLiteral("more")); }},
        {"a link inside",
         [](const QString& f) {
             QFile::link(QStringLiteral("/etc/hostname"), QDir(f).filePath(QStringLiteral("link.csv")));
         }},
    };
    TResultsList list;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString folder = Write(QStringLiteral("run_20261210-000000"));
        c.make(folder);
        list.SetDataFolder(data.path());
        ASSERT_EQ(list.Count(), 1);
        const QStringList before =
            QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
        EXPECT_FALSE(list.Delete(0).isEmpty());
        EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System), before);
        EXPECT_EQ(list.Count(), 1);
        ASSERT_TRUE(QDir(folder).removeRecursively());
    }
    // A folder without a summary or field, and a link to a run's folder.
    ASSERT_TRUE(QDir(data.path()).mkdir(QStringLiteral("plain")));
    EXPECT_FALSE(TResultsList::CheckDeletable(data.filePath(QStringLiteral("plain"))).isEmpty());
    const QString run = Write(QStringLiteral("real"));
    ASSERT_TRUE(QFile::link(run, data.filePath(QStringLiteral("alias"))));
    EXPECT_FALSE(TResultsList::CheckDeletable(data.filePath(QStringLiteral("alias"))).isEmpty());
    EXPECT_EQ(TResultsList::CheckDeletable(run), QString());
    // The listed folder itself, when it is a single run's.
    TResultsList single;
    single.SetDataFolder(run);
    ASSERT_EQ(single.Count(), 1);
    EXPECT_FALSE(single.Delete(0).isEmpty());
    EXPECT_TRUE(QFileInfo::exists(Summary(run)));
}

TEST(ResultsForces, ForceHistoriesAreReadWithTheirChecks)
{
    struct Case {
        const char* text;
        std::size_t points; // 0: refused
    };
    const Case cases[] = {
        {"step,cd,cl\n100,1.5,0.1\n200,1.4,-0.1\n", 2},
        {"time, cx, cd, cl\r\n0.5, 9, 1.5, 0.1\r\n", 1},
        {"step,cd\n100,1.5\n", 0},
        {"cd,cl\n1,2\n", 0},
        {"step,cd,cl\n100,1.5\n", 0},
        {"step,cd,cl\n100,nan,0\n", 0},
        {"step,cd,cl\n100,x,0\n", 0},
        {"step,cd,cl\n", 0},
        {"", 0},
        {"step,cd,cl\n1,2,3,4\n", 0},
        {"step,cd,cl\n1,2,3\n\n\n2,3,4", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<ForcePoint> points;
        QString axis;
        const QString error = ParseForces(c.text, points, axis);
        EXPECT_EQ(error.isEmpty(), c.points > 0) << error.toStdString();
        EXPECT_EQ(points.size(), error.isEmpty() ? c.points : 0u);
    }
    // Files made to exhaust the reader: refused before they are split.
    const QByteArray many = "step,cd,cl\n" + QByteArray("1,1,1\n").repeated(kMaxForcePoints + 1);
    const QByteArray wide = "step,cd,cl" + QByteArray(",x").repeated(1 << 20) + "\n";
    const QByteArray commas = "step,cd,cl\n" + QByteArray(1 << 24, ',') + "\n";
    for (const QByteArray& text : {many, wide, commas}) {
        std::vector<ForcePoint> points;
        QString axis;
        EXPECT_FALSE(ParseForces(text, points, axis).isEmpty());
        EXPECT_TRUE(points.empty());
    }

    std::vector<ForcePoint> points;
    QString axis;
    ASSERT_EQ(ParseForces("time, cx, cd, cl\n0.5, 9, 1.5, 0.1\n", points, axis), QString());
    EXPECT_EQ(axis, QStringLiteral("time"));
    EXPECT_DOUBLE_EQ(points[0].x, 0.5);
    EXPECT_DOUBLE_EQ(points[0].cd, 1.5);
    EXPECT_DOUBLE_EQ(points[0].cl, 0.1);
}

} // namespace
