// SPDX-License-Identifier: GPL-3.0-or-later
// The task list as a model, without windows: what it reads from and writes to
// the settings file, its ticks, run states and order, and what it tells its views.
#include "TaskList.h"
#include "IniFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

TaskRecord Record(int grid, int model = 1, double re = 100)
{
    return {QStringLiteral("D2Q9 ren %1Gx %2 Gy %2").arg(re).arg(grid), model, re, grid, grid};
}

// The grids of the list's tasks, which tell the tasks of a test apart.
std::vector<int> Grids(const TTaskList& list)
{
    std::vector<int> grids;
    for (int i = 0; i < list.Count(); ++i)
        grids.push_back(list.Record(i).gridX);
    return grids;
}

// Every signal of a list, as one line each.
struct Signals {
    explicit Signals(TTaskList& list)
    {
        QObject::connect(&list, &TTaskList::Reset, [this] { seen.push_back("reset"); });
        QObject::connect(&list, &TTaskList::Inserted,
                         [this](int row) { seen.push_back("inserted " + std::to_string(row)); });
        QObject::connect(&list, &TTaskList::Removed,
                         [this](int row) { seen.push_back("removed " + std::to_string(row)); });
        QObject::connect(&list, &TTaskList::Moved, [this](int from, int to) {
            seen.push_back("moved " + std::to_string(from) + " " + std::to_string(to));
        });
        QObject::connect(&list, &TTaskList::Changed,
                         [this](int row) { seen.push_back("changed " + std::to_string(row)); });
        QObject::connect(&list, &TTaskList::RunningChanged,
                         [this](bool running) { seen.push_back(running ? "running" : "not running"); });
    }
    std::vector<std::string> Take() { return std::exchange(seen, {}); }
    std::vector<std::string> seen;
};

class TaskListTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("Corvane.INI"));
};

} // namespace

TEST_F(TaskListTest, StoringTheListAsLoadedLeavesEveryByteOfTheFile)
{
    // Files a user may have edited by hand: the list reads from each, and
    // storing it back changes nothing.
    const char* const files[] = {
        // Line ends, comments and blank lines inside the section, other sections around it.
        "; mine\r\n[Copy]\r\nCopyToStyle=Bmpfile\r\n\r\n[Tasks]\r\n# two tasks\r\nCount=2\r\n"
        "Line1=D2Q9 ren 400Gx 129 Gy 129\r\nModel1=1\r\nRe1=400\r\nGridX1=129\r\nGridY1=129\r\nTicked1=1\r\n"
        "\r\nLine2=D2Q7 ren 1e3Gx 65 Gy 33\r\nModel2=0\r\nRe2=1e3\r\nGridX2=65\r\nGridY2=33\r\nTicked2=0\r\n"
        "[Recent Files]\r\nFile1=/tmp/a.cvs\r\n",
        // Spacing around '=', quotes, numbers spelt otherwise, keys in another
        // case and order, no Ticked, a true tick that is not 1, a key of its own.
        "[Tasks]\n  count = 03\nNote=keep me\nmodel1 = +1\nLINE1=\"  D2Q9 ren 0.1Gx 17 Gy 17 \"\nRe1=0.10\n"
        "GridY1= 17\nGridX1 =017\nLine2=D2Q9 typed ren 2Gx 9 Gy 9\nModel2=-1\nRe2=2.0e0\nGridX2=9\n"
        "GridY2=9\nTicked2=2\nLine3=x ren 5Gx 5 Gy 5\nModel3=3\nRe3=5\nGridX3=5\nGridY3=5\nTicked3=0x0\n",
        // A byte-order mark, a repeated key (the first counts), no line end at the end.
        "\xEF\xBB\xBF[Tasks]\nCount=1\nLine1=D2Q9 ren 10Gx 9 Gy 9\nLine1=other\nModel1=1\nRe1=10\n"
        "GridX1=9\nGridY1=9\nTicked1=1",
        // Snapshots spelt with spaces and a leading zero.
        "[Tasks]\nCount=1\nLine1=D2Q9 ren 10Gx 9 Gy 9\nModel1=1\nRe1=10\nGridX1=9\nGridY1=9\n"
        "Snapshots1= 0500\n",
        // A three-dimensional cavity and channel, numbers spelt otherwise.
        "[Tasks]\nCount=2\nLine1=D3Q19 ren 10Gx 9 Gy 9 Gz 9\nModel1=6\nRe1=10\nGridX1=9\nGridY1=9\n"
        "GridZ1=09\nLine2=x\nModel2=7\nRe2=20\nGridX2=44\nGridY2=8\nGridZ2=8\nFlow2=channel\n"
        "Channel2=0, 0,-0.20,2.2,0.4,4e-1\nInflow2=uniform\nMeanSpeed2=0.2\nSource2=file:/tmp/a.cvs\n",
        // No task section at all, and an empty file.
        "[Copy]\nCopyToStyle=Metafile\n",
        "",
    };
    for (const char* bytes : files) {
        WriteAll(ini, bytes);
        TTaskList list;
        list.LoadFile(ini);
        list.SetFile(ini);
        list.Save();
        EXPECT_EQ(ReadAll(ini), QByteArray(bytes)) << bytes;
    }
    // What the second file reads as.
    WriteAll(ini, files[1]);
    TTaskList list;
    list.LoadFile(ini);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Line(0), QStringLiteral("  D2Q9 ren 0.1Gx 17 Gy 17 "));
    EXPECT_EQ(list.Record(0).re, 0.1);
    EXPECT_EQ(list.Record(0).gridX, 17);
    EXPECT_FALSE(list.Ticked(0));
    EXPECT_EQ(list.ModelName(1), QStringLiteral("D2Q9 typed"));
    EXPECT_TRUE(list.Ticked(1));
    EXPECT_EQ(list.ModelName(2), QStringLiteral("D2Q11(New)"));
    EXPECT_FALSE(list.Ticked(2));
}

TEST_F(TaskListTest, ChangesReachTheFileAndAreReadBackInTheirOrder)
{
    const QByteArray before = "; mine\r\n[Copy]\r\nCopyToStyle=Bmpfile\r\n[Tasks]\r\nCount=0\r\n# notes\r\n";
    WriteAll(ini, before);
    TTaskList list;
    list.LoadFile(ini);
    list.SetFile(ini);
    for (int grid : {11, 12, 13, 14})
        list.Append(Record(grid));
    list.SetTicked(1, true);
    list.SetTicked(3, true);
    list.Replace(2, Record(23, 5, 1000));
    ASSERT_TRUE(list.Move(3, 0)); // 14 11 12 23
    ASSERT_TRUE(list.Move(1, 2)); // 14 12 11 23
    ASSERT_TRUE(list.Remove(3));  // 14 12 11
    list.SetState(0, TaskState::Converged);
    list.SetResultsFolder(0, dir.filePath(QStringLiteral("out")));
    EXPECT_EQ(Grids(list), (std::vector<int>{14, 12, 11}));

    const QByteArray saved = ReadAll(ini);
    // New keys come after the section's last entry, in the file's own line end.
    EXPECT_TRUE(saved.startsWith("; mine\r\n[Copy]\r\nCopyToStyle=Bmpfile\r\n[Tasks]\r\nCount=3\r\nLine1="))
        << saved.toStdString();
    EXPECT_TRUE(saved.endsWith("Ticked3=0\r\n# notes\r\n")) << saved.toStdString();
    EXPECT_FALSE(saved.contains("Line4")) << "the removed task's keys went: " << saved.toStdString();
    EXPECT_FALSE(saved.contains("converged")) << "run states are not kept";

    TTaskList again;
    again.LoadFile(ini);
    EXPECT_EQ(Grids(again), (std::vector<int>{14, 12, 11}));
    EXPECT_TRUE(again.Ticked(0));
    EXPECT_TRUE(again.Ticked(1));
    EXPECT_FALSE(again.Ticked(2));
    EXPECT_EQ(again.Line(1), Record(12).line);
    EXPECT_FALSE(again.State(0).has_value());
    EXPECT_TRUE(again.ResultsFolder(0).isEmpty());
    // And stored once more as it was read, nothing changes.
    again.SetFile(ini);
    again.Save();
    EXPECT_EQ(ReadAll(ini), saved);
}

TEST_F(TaskListTest, SnapshotsHaveAKeyOnlyForATaskThatKeepsThem)
{
    const QByteArray before = "[Tasks]\nCount=1\nLine1=D2Q9 ren 10Gx 9 Gy 9\nModel1=1\nRe1=10\nGridX1=9\n"
                              "GridY1=9\nTicked1=1\n";
    WriteAll(ini, before);
    TTaskList list;
    list.LoadFile(ini);
    list.SetFile(ini);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Record(0).snapshots, 0);

    TaskRecord kept = list.Record(0);
    kept.snapshots = 2500;
    list.Replace(0, kept);
    EXPECT_EQ(ReadAll(ini), before + "Snapshots1=2500\n");
    TTaskList again;
    again.LoadFile(ini);
    ASSERT_EQ(again.Count(), 1);
    EXPECT_EQ(again.Record(0).snapshots, 2500);

    kept.snapshots = 0;
    list.Replace(0, kept);
    EXPECT_EQ(ReadAll(ini), before) << "no snapshots, no key";
    list.Append(Record(11));
    EXPECT_FALSE(ReadAll(ini).contains("Snapshots")) << ReadAll(ini).toStdString();

    // A value that is no number of steps loses its task only.
    for (const char* value : {"0", "-5", "many", "1.5", ""}) {
        WriteAll(ini, QByteArray("[Tasks]\nCount=2\nLine1=a ren 1Gx 9 Gy 9\nModel1=1\nRe1=1\nGridX1=9\n"
                                 "GridY1=9\nSnapshots1=") +
                          value + "\nLine2=b ren 1Gx 7 Gy 7\nModel2=1\nRe2=1\nGridX2=7\nGridY2=7\n");
        TTaskList bad;
        bad.LoadFile(ini);
        EXPECT_EQ(Grids(bad), (std::vector<int>{7})) << value;
    }
}

// Three-dimensional tasks: a z size and a box, written only for them, read
// back as they were; a task whose keys do not fit its dimensions is lost alone.
TEST_F(TaskListTest, ThreeDimensionalTasksKeepAZSizeAndABoxBesideTwoDimensionalOnes)
{
    EXPECT_EQ(TTaskList::ModelNames().mid(6), (QStringList{"D3Q19", "D3Q19(New)"}));
    TaskRecord cavity(QStringLiteral("D3Q19 ren 100Gx 17 Gy 17 Gz 9"), 6, 100, 17, 17);
    cavity.gridZ = 9;
    TaskRecord box(QStringLiteral("D3Q19(New) ren 20Gx 44 Gy 8 Gz 8 channel past view Fig.1"), 7, 20, 44, 8);
    box.gridZ = 8;
    box.flow = lbm::Flow::Channel;
    box.channel.z = -0.2;
    box.channel.height = 0.4;
    box.channel.depth = 0.4;
    box.channel.source = QStringLiteral("Fig.1");
    TaskRecord flat = box; // the same channel in two dimensions
    flat.line = QStringLiteral("D2Q9 ren 20Gx 44 Gy 8 channel past view Fig.1");
    flat.model = 1;
    flat.gridZ = 0;
    flat.channel.z = 0;
    flat.channel.depth = 0.41;
    flat.channel.plane = 0.05;

    struct Case {
        const char* what;
        TaskRecord record;
        std::vector<const char*> has, hasNot;
    } const cases[] = {
        {"a 3-D cavity", cavity, {"GridZ1=9\n", "GridY1=17\n"}, {"Flow1", "Channel1", "Plane1"}},
        {"a 3-D channel",
         box,
         {"GridZ1=8\n", "Channel1=0,0,-0.2,2.2,0.4,0.4\n", "Source1=view:Fig.1\n"},
         {"Plane1"}},
        {"a 2-D channel", flat, {"Channel1=0,0,2.2,0.4\n", "Plane1=0.05\n"}, {"GridZ1"}},
        {"a 2-D cavity", Record(9), {"GridY1=9\n"}, {"GridZ1", "Channel1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(ini);
        TTaskList list;
        list.SetFile(ini);
        list.Append(c.record);
        const QByteArray stored = ReadAll(ini);
        for (const char* key : c.has)
            EXPECT_TRUE(stored.contains(key)) << key << "\n" << stored.toStdString();
        for (const char* key : c.hasNot)
            EXPECT_FALSE(stored.contains(key)) << key << "\n" << stored.toStdString();
        TTaskList again;
        again.LoadFile(ini);
        ASSERT_EQ(again.Count(), 1);
        const TaskRecord& read = again.Record(0);
        EXPECT_EQ(read.gridZ, c.record.gridZ);
        EXPECT_EQ(read.flow, c.record.flow);
        EXPECT_TRUE(read.channel == c.record.channel);
        // The solver's task: a z size and the box for three dimensions only.
        const lbm::Task task = SolverTaskOf(read, again.ModelName(0));
        EXPECT_EQ(task.gz, c.record.gridZ > 0 ? c.record.gridZ : 1);
        EXPECT_EQ(task.channel.z, c.record.gridZ > 0 ? c.record.channel.z : 0.0);
    }

    // Made two-dimensional, the box loses its z size and depth and gets a plane.
    QFile::remove(ini);
    TTaskList list;
    list.SetFile(ini);
    list.Append(box);
    list.Replace(0, flat);
    const QByteArray flattened = ReadAll(ini);
    EXPECT_FALSE(flattened.contains("GridZ")) << flattened.toStdString();
    for (const char* key : {"Channel1=0,0,2.2,0.4\n", "Plane1=0.05\n"})
        EXPECT_TRUE(flattened.contains(key)) << key << "\n" << flattened.toStdString();

    // Keys that do not fit the task's dimensions, or a z size that is none.
    const char* const head = "[Tasks]\nCount=2\nLine1=a\nModel1=6\nRe1=1\nGridX1=44\nGridY1=8\n";
    const char* const tail = "Line2=b ren 1Gx 7 Gy 7\nModel2=1\nRe2=1\nGridX2=7\nGridY2=7\n";
    const char* const lost[] = {
        "GridZ1=0\n",
        "GridZ1=many\n",
        // six numbers without a z size, four with one
        "Flow1=channel\nChannel1=0,0,0,2.2,0.4,0.4\nInflow1=uniform\nMeanSpeed1=1\nPlane1=0\nSource1=view:"
        "A\n",
        "GridZ1=8\nFlow1=channel\nChannel1=0,0,2.2,0.4\nInflow1=uniform\nMeanSpeed1=1\nSource1=view:A\n",
        "GridZ1=8\nFlow1=channel\nChannel1=0,0,0,2.2,0.4,inf\nInflow1=uniform\nMeanSpeed1=1\n"
        "Source1=view:A\n",
    };
    for (const char* keys : lost) {
        WriteAll(ini, QByteArray(head) + keys + tail);
        TTaskList bad;
        bad.LoadFile(ini);
        EXPECT_EQ(Grids(bad), (std::vector<int>{7})) << keys;
    }
}

// Which hook a channel's obstacles come from, what the solver's task takes
// of them, and the cells a box must have.
TEST(ChannelObstacles, ABoxTakesTheSurfacesItsCellsAreCubesAndTheSolversTaskHasThem)
{
    TaskRecord box(QStringLiteral("D3Q19 ren 20Gx 44 Gy 8 Gz 8"), 6, 20, 44, 8);
    box.gridZ = 8;
    box.flow = lbm::Flow::Channel;
    box.channel.z = -0.2;
    box.channel.height = 0.4;
    box.channel.depth = 0.4;
    TaskRecord flat = box;
    flat.gridZ = 0;

    const ObstacleCutter savedCutter = ChannelObstacleCutter(), savedSurfaces = ChannelSurfaceCutter();
    ChannelObstacleCutter() = nullptr;
    ChannelSurfaceCutter() = nullptr;
    EXPECT_FALSE(CutObstacles(box).error.isEmpty()) << "no hook, no obstacles";
    ChannelObstacleCutter() = [](const ChannelRecord&) {
        ObstacleCut cut;
        cut.outline = {{0.1, 0.1, 0.2, 0.2, 0}};
        cut.cut = 1;
        return cut;
    };
    ChannelSurfaceCutter() = [](const ChannelRecord& c) {
        ObstacleCut cut;
        lbm::Triangle t;
        t.p[0][2] = c.z; // the box it was asked for
        cut.surface = {t, t};
        cut.surface[1].obstacle = 1;
        cut.closed = {true, false};
        cut.cut = 2;
        cut.open = 1;
        return cut;
    };
    const ObstacleCut surfaces = CutObstacles(box);
    EXPECT_EQ(surfaces.surface.size(), 2u);
    EXPECT_EQ(surfaces.surface[0].p[0][2], -0.2);
    const ObstacleCut outline = CutObstacles(flat);
    EXPECT_EQ(outline.outline.size(), 1u);
    EXPECT_TRUE(outline.surface.empty());

    const lbm::Task task = SolverTaskOf(box, QStringLiteral("D3Q19"), &surfaces);
    EXPECT_EQ(task.gz, 8);
    EXPECT_EQ(task.channel.z, -0.2);
    EXPECT_EQ(task.channel.depth, 0.4);
    EXPECT_EQ(task.channel.surface.size(), 2u);
    EXPECT_EQ(task.channel.surface[1].obstacle, 1);
    EXPECT_EQ(task.channel.closed, (std::vector<bool>{true, false}));
    EXPECT_EQ(task.channel.obstacles, 2);
    ChannelObstacleCutter() = savedCutter;
    ChannelSurfaceCutter() = savedSurfaces;

    // Cells: 2.2 / 44 = 0.4 / 8 = 0.05; within 1 % passes, beyond it is refused with the numbers.
    struct Case {
        int gx, gy, gz;
        double depth;
        const char* says; // empty: cubes
    } const cases[] = {
        {44, 8, 8, 0.4, ""},
        {44, 8, 8, 0.403, ""},
        {44, 8, 8, 0.41, "depth / Gz = 0.41 / 8 = 0.05125"},
        {44, 8, 12, 0.4, "Gz about 8"},
        {40, 8, 8, 0.4, "length / Gx = 2.2 / 40 = 0.055"},
        {40, 8, 8, 0.4, "Gx would be about 44"},
    };
    for (const Case& c : cases) {
        TaskRecord r = box;
        r.gridX = c.gx;
        r.gridY = c.gy;
        r.gridZ = c.gz;
        r.channel.depth = c.depth;
        const QString refusal = CubicCellsRefusal(r);
        if (*c.says == '\0')
            EXPECT_TRUE(refusal.isEmpty()) << refusal.toStdString();
        else
            EXPECT_TRUE(refusal.contains(QLatin1String(c.says))) << refusal.toStdString();
        r.gridZ = 0;
        EXPECT_TRUE(CubicCellsRefusal(r).isEmpty()) << "a rectangle has no depth";
    }
}

TEST_F(TaskListTest, AFileThatDoesNotReadOrCannotBeWrittenIsReportedWithItsName)
{
    // A count beyond the file's own keys reads the keys there are, at once.
    WriteAll(ini,
             "[Tasks]\nCount=2000000000\nLine7=D2Q9 ren 1Gx 7 Gy 7\nModel7=1\nRe7=1\nGridX7=7\nGridY7=7\n"
             "Line2=broken\nModel2=1\nRe2=many\nGridX2=1\nGridY2=1\nLine99999999999=x\n");
    TTaskList list;
    list.LoadFile(ini);
    EXPECT_EQ(Grids(list), (std::vector<int>{7}));

    // The file's folder is a file: nothing can be written there.
    const QString blocked = dir.filePath(QStringLiteral("plain"));
    WriteAll(blocked, "x");
    list.SetFile(blocked + QStringLiteral("/Corvane.INI"));
    try {
        list.Append(Record(9));
        ADD_FAILURE() << "the list was stored in a folder that is a file";
    } catch (const std::exception& e) {
        EXPECT_NE(std::string(e.what()).find("Corvane.INI"), std::string::npos) << e.what();
    }
    EXPECT_EQ(list.Count(), 2) << "the list itself keeps the task";

    QDir().mkpath(dir.filePath(QStringLiteral("folder.INI")));
    TTaskList other;
    EXPECT_THROW(other.LoadFile(dir.filePath(QStringLiteral("folder.INI"))), std::exception);
    EXPECT_THROW(static_cast<void>(other.Line(0)), std::out_of_range);
}

TEST_F(TaskListTest, ViewsAreToldOfEveryChangeAndARunKeepsTheLinesInPlace)
{
    TTaskList list;
    Signals heard(list);
    for (int grid : {11, 12, 13})
        list.Append(Record(grid));
    EXPECT_EQ(heard.Take(), (std::vector<std::string>{"inserted 0", "inserted 1", "inserted 2"}));
    EXPECT_EQ(list.LastIndex(), 2);

    // Each step, what the views hear, and the order after it.
    struct Step {
        const char* what;
        std::function<void()> act;
        std::vector<std::string> heard;
        std::vector<int> grids;
        int last;
    };
    const Step steps[] = {
        {"tick", [&] { list.SetTicked(0, true); }, {"changed 0"}, {11, 12, 13}, 2},
        {"the same tick again", [&] { list.SetTicked(0, true); }, {}, {11, 12, 13}, 2},
        {"up", [&] { EXPECT_TRUE(list.Move(2, 1)); }, {"moved 2 1"}, {11, 13, 12}, 1},
        {"to the top", [&] { EXPECT_TRUE(list.Move(2, 0)); }, {"moved 2 0"}, {12, 11, 13}, 2},
        {"nowhere", [&] { EXPECT_TRUE(list.Move(1, 1)); }, {}, {12, 11, 13}, 2},
        {"beyond the end", [&] { EXPECT_FALSE(list.Move(2, 3)); }, {}, {12, 11, 13}, 2},
        {"edit", [&] { list.Replace(0, Record(22)); }, {"changed 0"}, {22, 11, 13}, 0},
        {"state", [&] { list.SetState(1, TaskState::Failed); }, {"changed 1"}, {22, 11, 13}, 0},
        {"folder", [&] { list.SetResultsFolder(1, QStringLiteral("/r")); }, {"changed 1"}, {22, 11, 13}, 0},
        {"states cleared", [&] { list.ClearStates(); }, {"changed 1"}, {22, 11, 13}, 0},
        {"removed", [&] { EXPECT_TRUE(list.Remove(2)); }, {"removed 2"}, {22, 11}, 1},
        {"run", [&] { list.SetRunning(true); }, {"running"}, {22, 11}, 1},
    };
    for (const Step& step : steps) {
        step.act();
        EXPECT_EQ(heard.Take(), step.heard) << step.what;
        EXPECT_EQ(Grids(list), step.grids) << step.what;
        EXPECT_EQ(list.LastIndex(), step.last) << step.what;
    }
    EXPECT_TRUE(list.Ticked(1)) << "the tick went with its task";
    EXPECT_FALSE(list.Ticked(0));
    EXPECT_EQ(list.ResultsFolder(1), QStringLiteral("/r")) << "the folder went with its task";

    // While a run holds the tasks by their rows, nothing moves or goes, and
    // the queued and running tasks are not edited; the others are.
    list.SetState(0, TaskState::Running);
    list.SetState(1, TaskState::Queued);
    heard.Take();
    EXPECT_FALSE(list.ReorderRefusal().isEmpty());
    EXPECT_FALSE(list.Move(0, 1));
    EXPECT_FALSE(list.Move(1, 0));
    EXPECT_FALSE(list.Remove(0));
    EXPECT_THROW(list.Replace(0, Record(30)), std::runtime_error);
    EXPECT_THROW(list.Replace(1, Record(30)), std::runtime_error);
    EXPECT_TRUE(heard.Take().empty());
    EXPECT_EQ(Grids(list), (std::vector<int>{22, 11}));
    list.SetState(1, TaskState::Converged);
    list.Replace(1, Record(31));
    EXPECT_FALSE(list.State(1).has_value()) << "the old run's state was for the old values";
    list.SetRunning(false);
    EXPECT_TRUE(list.ReorderRefusal().isEmpty());
    EXPECT_TRUE(list.Move(1, 0));
    EXPECT_EQ(Grids(list), (std::vector<int>{31, 22}));

    // Loading replaces the whole list at once.
    WriteAll(ini, "[Tasks]\nCount=1\nLine1=a ren 1Gx 5 Gy 5\nModel1=0\nRe1=1\nGridX1=5\nGridY1=5\n");
    heard.Take();
    list.LoadFile(ini);
    EXPECT_EQ(heard.Take(), (std::vector<std::string>{"reset"}));
    EXPECT_EQ(Grids(list), (std::vector<int>{5}));
    EXPECT_EQ(list.LastIndex(), 0);
}
