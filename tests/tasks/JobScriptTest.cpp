// SPDX-License-Identifier: GPL-3.0-or-later
// The job scripts: their options, their syntax (bash -n), and the scripts
// run as written on this machine, under the real mpirun, on tiny grids.
#include "JobScript.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

QueuedTask Task(const QString& line, const char* model, int gx, int gy, double re = 10)
{
    QueuedTask q;
    q.line = line;
    q.task.model = model;
    q.task.reynolds = re;
    q.task.gx = gx;
    q.task.gy = gy;
    return q;
}

// Small and quick: a loose tolerance and few steps.
lbm::Settings Quick()
{
    lbm::Settings settings;
    settings.tolerance = 1e-3;
    settings.maxSteps = 3000;
    return settings;
}

QString Read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

struct Outcome {
    int status = -1;
    QString output;
};

// Runs bash with the arguments, with corvane-lbm (and bin, when given) first on the PATH.
Outcome Bash(const QStringList& arguments, const QProcessEnvironment& extra = {}, const QString& bin = {})
{
    QProcess bash;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QString path = QFileInfo(QStringLiteral(CORVANE_LBM_TOOL)).absolutePath() + QLatin1Char(':') +
                   env.value(QStringLiteral("PATH"));
    if (!bin.isEmpty())
        path = bin + QLatin1Char(':') + path;
    env.insert(QStringLiteral("PATH"), path);
    env.remove(QStringLiteral("CORVANE_RESULTS"));
    // In a sanitizer build, Open MPI's plugins leave allocations behind that
    // no suppression can name: the processes under mpirun skip the leak check
    // (as in the solver's own mpirun tests).
    const QString asan = env.value(QStringLiteral("ASAN_OPTIONS"));
    env.insert(QStringLiteral("ASAN_OPTIONS"),
               (asan.isEmpty() ? QString() : asan + QLatin1Char(':')) + QStringLiteral("detect_leaks=0"));
    for (const QString& key : extra.keys())
        env.insert(key, extra.value(key));
    bash.setProcessEnvironment(env);
    bash.setProcessChannelMode(QProcess::MergedChannels);
    bash.start(QStringLiteral("bash"), arguments);
    if (!bash.waitForFinished(240000)) {
        bash.kill();
        bash.waitForFinished();
        return {-2, QStringLiteral("timed out: ") + QString::fromUtf8(bash.readAll())};
    }
    return {bash.exitStatus() == QProcess::NormalExit ? bash.exitCode() : -1,
            QString::fromUtf8(bash.readAll())};
}

bool HaveMpirun() { return Bash({QStringLiteral("-c"), QStringLiteral("command -v mpirun")}).status == 0; }

// mpirun's options for this machine: more processes than cores, and root in a container.
QString MpirunArgs()
{
    return geteuid() == 0 ? QStringLiteral("--oversubscribe --allow-run-as-root")
                          : QStringLiteral("--oversubscribe");
}

// The results folders under folder, each checked for its name and summary.
QStringList ResultFolders(const QString& folder, int processes)
{
    QStringList names = QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : names) {
        const QString summary = Read(QDir(folder).filePath(name + QStringLiteral("/summary.json")));
        EXPECT_TRUE(summary.contains(QStringLiteral("\"processes\": %1").arg(processes)))
            << name.toStdString() << ": " << summary.toStdString();
    }
    return names;
}

class JobScriptTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    const QString slurm = dir.filePath(QStringLiteral("run.sbatch"));
    const QString mpirun = dir.filePath(QStringLiteral("run-mpirun.sh"));
};

} // namespace

TEST(JobScriptOptionsTest, OptionsOutsideTheirLimitsAreRefusedWithTheReason)
{
    struct Case {
        int nodes, processes;
        const char *time, *name, *reason; // reason empty: accepted
    };
    const Case cases[] = {
        {1, 2, "01:00:00", "corvane-tasks", ""},
        {2, 8, "2-12:00:00", "my.job_1", ""},
        {1, 1, "90", "a", ""},
        {1, 1, "1-00", "a", ""},
        {0, 2, "01:00:00", "a", "number of nodes"},
        {1, 0, "01:00:00", "a", "number of processes"},
        {4, 2, "01:00:00", "a", "cannot fill 4 nodes"},
        {1, 2, "an hour", "a", "time limit"},
        {1, 2, "01:00:00; rm -rf ~", "a", "time limit"},
        {1, 2, "", "a", "time limit"},
        {1, 2, "01:00:00", "my job", "job name"},
        {1, 2, "01:00:00", "", "job name"},
    };
    for (const Case& c : cases) {
        const QString reason =
            CheckJobScriptOptions({c.nodes, c.processes, QLatin1String(c.time), QLatin1String(c.name)});
        if (*c.reason == '\0')
            EXPECT_TRUE(reason.isEmpty()) << c.time << ": " << reason.toStdString();
        else
            EXPECT_TRUE(reason.contains(QLatin1String(c.reason))) << c.time << ": " << reason.toStdString();
    }
}

TEST_F(JobScriptTest, BothScriptsAreValidBashAndHoldOneRunPerTaskThatCanRun)
{
    const std::vector<QueuedTask> ticked = {
        Task(QStringLiteral("D2Q9 ren 400Gx 129 Gy 129"), "D2Q9", 129, 129, 400),
        Task(QStringLiteral("D2Q11(New) ren 10Gx 9 Gy 9"), "D2Q11(New)", 9, 9),
        Task(QStringLiteral("D2Q13(New) ren 1e3Gx 65 Gy 33"), "D2Q13(New)", 65, 33, 1000),
    };
    const JobScriptTasks exported = ExportableTasks(ticked, lbm::Settings());
    ASSERT_EQ(exported.tasks.size(), 2u);
    ASSERT_EQ(exported.skipped.size(), 1);
    EXPECT_TRUE(exported.skipped[0].startsWith(QStringLiteral("D2Q11(New) ren 10Gx 9 Gy 9: ")))
        << exported.skipped[0].toStdString();

    WriteJobScripts(slurm, exported.tasks, lbm::Settings(),
                    {3, 12, QStringLiteral("1-06:00:00"), QStringLiteral("cavity")});
    for (const QString& script : {slurm, mpirun}) {
        EXPECT_TRUE(QFileInfo(script).isExecutable()) << script.toStdString();
        const Outcome syntax = Bash({QStringLiteral("-n"), script});
        EXPECT_EQ(syntax.status, 0) << script.toStdString() << ": " << syntax.output.toStdString();
    }
    const QString s = Read(slurm);
    for (const char* line : {"#SBATCH --job-name=cavity\n", "#SBATCH --nodes=3\n", "#SBATCH --ntasks=12\n",
                             "#SBATCH --time=1-06:00:00\n"})
        EXPECT_TRUE(s.contains(QLatin1String(line))) << line;
    EXPECT_TRUE(s.startsWith(QStringLiteral("#!/bin/bash\n#SBATCH")))
        << "sbatch reads #SBATCH before any command";
    EXPECT_EQ(s.count(QStringLiteral("\nsrun corvane-lbm ")), 2);
    EXPECT_TRUE(
        s.contains(QStringLiteral("srun corvane-lbm --model 'D2Q9' --re 400 --grid 129x129 --tolerance "
                                  "1e-07 --max-steps 2000000 --lid-speed 0.1 "
                                  "--precision double --out \"$out\"\n")))
        << s.toStdString();
    EXPECT_TRUE(s.contains(QStringLiteral("out=$(results_folder 'D2Q13(New)_ren_1e3Gx_65_Gy_33')")));
    EXPECT_FALSE(s.contains(QStringLiteral("D2Q11"))) << "a task that cannot run is left out";
    const QString m = Read(mpirun);
    EXPECT_EQ(m.count(QStringLiteral("\nmpirun \"${mpirun_args[@]}\" -np 12 corvane-lbm ")), 2)
        << m.toStdString();
    EXPECT_FALSE(m.contains(QStringLiteral("SBATCH")));

    // Refused options and an empty list write nothing.
    QFile::remove(slurm);
    QFile::remove(mpirun);
    EXPECT_THROW(WriteJobScripts(slurm, exported.tasks, lbm::Settings(),
                                 {1, 2, QStringLiteral("soon"), QStringLiteral("a")}),
                 std::invalid_argument);
    EXPECT_THROW(WriteJobScripts(slurm, {}, lbm::Settings(), {}), std::invalid_argument);
    EXPECT_FALSE(QFileInfo::exists(slurm) || QFileInfo::exists(mpirun));
    // A folder that cannot take the file names it.
    try {
        WriteJobScripts(dir.filePath(QStringLiteral("none/run.sbatch")), exported.tasks, lbm::Settings(), {});
        ADD_FAILURE() << "written into a folder that does not exist";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("none/run.sbatch"), std::string::npos) << e.what();
    }
}

// A task's snapshots and a three-dimensional task's z size reach the solver's
// line; the others' lines have neither.
TEST_F(JobScriptTest, SnapshotsAndAZSizeAreGivenToTheTasksThatHaveThem)
{
    QueuedTask kept = Task(QStringLiteral("D2Q9 ren 10Gx 9 Gy 9"), "D2Q9", 9, 9);
    kept.snapshots = 500;
    QueuedTask box = Task(QStringLiteral("D3Q19 ren 10Gx 17 Gy 15 Gz 13"), "D3Q19", 17, 15);
    box.task.gz = 13;
    const QueuedTask plain = Task(QStringLiteral("D2Q9 ren 10Gx 7 Gy 7"), "D2Q9", 7, 7);
    WriteJobScripts(slurm, {kept, box, plain}, lbm::Settings(),
                    {1, 2, QStringLiteral("01:00:00"), QStringLiteral("run")});
    const QStringList lines =
        Read(mpirun).split(QLatin1Char('\n')).filter(QStringLiteral("corvane-lbm --model "));
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].contains(QStringLiteral("--grid 9x9 ")) &&
                lines[0].contains(QStringLiteral(" --snapshots 500 ")))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[1].contains(QStringLiteral("--grid 17x15x13 "))) << lines[1].toStdString();
    for (const QString& line : {lines[1], lines[2]})
        EXPECT_FALSE(line.contains(QStringLiteral("--snapshots"))) << line.toStdString();
    EXPECT_TRUE(lines[2].contains(QStringLiteral("--grid 7x7 "))) << lines[2].toStdString();
}

TEST_F(JobScriptTest, TheMpirunScriptRunsAsWrittenAndEachTaskGetsItsResultsFolder)
{
    if (!HaveMpirun())
        GTEST_SKIP() << "mpirun is not installed";
    // A line with the shell's own marks runs as a plain name; a grid of three
    // rows cannot be split over two processes: that task fails, the others run.
    const std::vector<QueuedTask> tasks = {
        Task(QStringLiteral("D2Q9 ren 10Gx 17 Gy 17"), "D2Q9", 17, 17),
        Task(QStringLiteral("D2Q9(New) ren 10Gx 16 Gy 12 $(touch HACKED) 'x'"), "D2Q9(New)", 16, 12),
        Task(QStringLiteral("D2Q9 ren 10Gx 9 Gy 3"), "D2Q9", 9, 3),
    };
    WriteJobScripts(slurm, tasks, Quick(), {1, 2, QStringLiteral("00:10:00"), QStringLiteral("tiny")});
    QProcessEnvironment extra;
    extra.insert(QStringLiteral("MPIRUN_ARGS"), MpirunArgs());
    const Outcome run = Bash({mpirun}, extra);
    EXPECT_EQ(run.status, 1) << "one task failed: " << run.output.toStdString();
    EXPECT_TRUE(run.output.contains(QStringLiteral("3 task(s) run, 1 failed."))) << run.output.toStdString();
    EXPECT_TRUE(run.output.contains(QStringLiteral("cannot be split over 2 processes")))
        << run.output.toStdString();

    const QStringList folders = ResultFolders(dir.filePath(QStringLiteral("dat")), 2);
    ASSERT_EQ(folders.size(), 2) << folders.join(' ').toStdString() << "\n" << run.output.toStdString();
    const QRegularExpression stamped(QStringLiteral("_\\d{8}-\\d{6}$"));
    EXPECT_TRUE(folders[0].startsWith(QStringLiteral("D2Q9(New)_ren_10Gx_16_Gy_12_(touch_HACKED)_x_")))
        << folders[0].toStdString();
    EXPECT_TRUE(folders[1].startsWith(QStringLiteral("D2Q9_ren_10Gx_17_Gy_17_"))) << folders[1].toStdString();
    for (const QString& folder : folders)
        EXPECT_TRUE(stamped.match(folder).hasMatch()) << folder.toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("HACKED"))));
    EXPECT_FALSE(QFileInfo::exists(QDir::current().filePath(QStringLiteral("HACKED"))));

    // Run again into a folder of the user's choosing: new folders, the old ones stay.
    const QString chosen = dir.filePath(QStringLiteral("chosen results"));
    extra.insert(QStringLiteral("CORVANE_RESULTS"), chosen);
    EXPECT_EQ(Bash({mpirun}, extra).status, 1);
    EXPECT_EQ(ResultFolders(chosen, 2).size(), 2);
    EXPECT_EQ(ResultFolders(dir.filePath(QStringLiteral("dat")), 2), folders);
}

TEST_F(JobScriptTest, TheSlurmScriptRunsAsWrittenWhereSrunStartsTheProcesses)
{
    if (!HaveMpirun())
        GTEST_SKIP() << "mpirun is not installed";
    // No Slurm here: an srun that starts its command on the job's processes with mpirun.
    const QString bin = dir.filePath(QStringLiteral("bin"));
    ASSERT_TRUE(QDir().mkpath(bin));
    QFile srun(bin + QStringLiteral("/srun"));
    ASSERT_TRUE(srun.open(QIODevice::WriteOnly));
    srun.write("#!/bin/sh\nexec mpirun $STUB_MPIRUN_ARGS -np \"$SLURM_NTASKS\" \"$@\"\n");
    srun.close();
    srun.setPermissions(srun.permissions() | QFileDevice::ExeOwner);

    const std::vector<QueuedTask> tasks = {Task(QStringLiteral("D2Q7 ren 10Gx 16 Gy 16"), "D2Q7", 16, 16),
                                           Task(QStringLiteral("D2Q9 ren 10Gx 17 Gy 17"), "D2Q9", 17, 17)};
    WriteJobScripts(slurm, tasks, Quick(), {1, 2, QStringLiteral("00:10:00"), QStringLiteral("tiny")});
    const QString submitted = dir.filePath(QStringLiteral("submitted"));
    ASSERT_TRUE(QDir().mkpath(submitted));
    QProcessEnvironment extra;
    extra.insert(QStringLiteral("STUB_MPIRUN_ARGS"), MpirunArgs());
    extra.insert(QStringLiteral("SLURM_NTASKS"), QStringLiteral("2"));
    extra.insert(QStringLiteral("SLURM_SUBMIT_DIR"), submitted);
    const Outcome run = Bash({slurm}, extra, bin);
    EXPECT_EQ(run.status, 0) << run.output.toStdString();
    const QStringList folders = ResultFolders(submitted + QStringLiteral("/dat"), 2);
    ASSERT_EQ(folders.size(), 2) << run.output.toStdString();
    EXPECT_TRUE(folders[0].startsWith(QStringLiteral("D2Q7_ren_10Gx_16_Gy_16_")));
    EXPECT_TRUE(folders[1].startsWith(QStringLiteral("D2Q9_ren_10Gx_17_Gy_17_")));
}
