// SPDX-License-Identifier: GPL-3.0-or-later
#include "Globals.h"
#include "JobScript.h"
#include "LbmResults.h"
#include "MpiTaskRunner.h"
#include "ResultsList.h"
#include "ResultsPage.h"
#include "Startup.h"
#include "TMainForm.h"
#include "TaskChart.h"
#include "TaskList.h"
#include "TaskRunner.h"
#include "TestSupport.h"
#include "TfrmEnviroment.h"
#include "TfrmOutPut.h"
#include "TfrmPlot.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

bool WaitFor(const std::function<bool()>& done, int milliseconds = 30000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < milliseconds)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

class RunMenuTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CreateApplicationWindows();
        // The task list on a settings file of the test's own.
        delete frmEnviroment;
        frmEnviroment = new TfrmEnviroment(MainForm, dir.filePath(QStringLiteral("corvane.INI")));
        frmEnviroment->FormCreate();
        MainForm->SetDataFolderParent(dir.path());
        MainForm->SetShowResults(false);
        lbm::Settings s;
        s.threads = 1;
        s.maxSteps = 20000;
        s.tolerance = 1e-6;
        s.checkInterval = 20;
        MainForm->TaskRunner()->SetSettings(s);
        MainForm->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(MainForm));
    }
    void TearDown() override
    {
        TMainForm::StopTasksPrompt() = previousPrompt;
        DestroyApplicationWindows();
    }
    ChildLeakCheckOff leakCheck; // the runs under mpirun

    void Add(int model, double re, int side, bool ticked)
    {
        static const char* const names[] = {"D2Q7", "D2Q9", "D2Q9(New)", "D2Q11(New)"};
        TTaskList& tasks = *frmEnviroment->Tasks();
        const int row = tasks.Append(
            {QStringLiteral("%1 ren %2Gx %3 Gy %3").arg(QLatin1String(names[model])).arg(re).arg(side), model,
             re, side, side});
        tasks.SetTicked(row, ticked);
    }
    QStringList States() const
    {
        QStringList states;
        for (int i = 0; i < frmEnviroment->Tasks()->Count(); ++i)
            states << frmEnviroment->Tasks()->StateName(i);
        return states;
    }
    QStringList ResultFolders() const
    {
        return QDir(dir.filePath(QStringLiteral("dat")))
            .entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    }
    void Endless()
    {
        lbm::Settings s = MainForm->TaskRunner()->Settings();
        s.tolerance = 1e-300;
        s.maxSteps = 1000000000;
        MainForm->TaskRunner()->SetSettings(s);
    }

    QTemporaryDir dir;
    MessageRecorder messages;
    std::function<bool(QWidget*)> previousPrompt = TMainForm::StopTasksPrompt();
};

} // namespace

TEST_F(RunMenuTest, TheTickedTasksRunInOrderAndTheListShowsHowEachEnded)
{
    Add(1, 10, 12, true);
    Add(3, 10, 12, true); // a model that does not run
    Add(2, 10, 10, false);
    Add(2, 10, 14, true);
    EXPECT_EQ(MainForm->Action("RunTasks1")->shortcut(), QKeySequence(Qt::Key_F5));
    EXPECT_EQ(MainForm->ToolButton("tbRun1")->defaultAction(), MainForm->Action("RunTasks1"));
    EXPECT_EQ(MainForm->ToolButton("tbPause")->defaultAction(), MainForm->Action("Pause1"));
    EXPECT_TRUE(MainForm->Action("Pause1")->isCheckable());

    MainForm->Action("RunTasks1")->trigger();
    EXPECT_EQ(States(), (QStringList{"queued", "queued", "", "queued"}));
    EXPECT_FALSE(MainForm->Action("RunTasks1")->isEnabled());
    EXPECT_TRUE(MainForm->RunProgressBar()->isVisible());
    EXPECT_FALSE(frmEnviroment->btDelete->isEnabled()) << "lines keep their places while tasks run";
    ASSERT_TRUE(WaitFor([] { return MainForm->Action("RunTasks1")->isEnabled(); }));

    EXPECT_EQ(States(), (QStringList{"converged", "failed", "", "converged"}));
    EXPECT_EQ(frmEnviroment->chklstAuto->item(1)->text(),
              QStringLiteral("D2Q11(New) ren 10Gx 12 Gy 12  [failed]"));
    const QString log = frmOutPut->reMsg->toPlainText();
    EXPECT_TRUE(log.contains(
        QStringLiteral("D2Q11(New) ren 10Gx 12 Gy 12: failed. The model \"D2Q11(New)\" cannot run")))
        << log.toStdString();
    EXPECT_EQ(frmOutPut->tabData->currentWidget(), frmOutPut->reMsg->parentWidget());
    const QStringList folders = ResultFolders();
    ASSERT_EQ(folders.size(), 2) << folders.join(' ').toStdString();
    EXPECT_TRUE(folders[0].startsWith(QStringLiteral("D2Q9(New)_ren_10Gx_14_Gy_14_")));
    EXPECT_TRUE(folders[1].startsWith(QStringLiteral("D2Q9_ren_10Gx_12_Gy_12_")));
    EXPECT_TRUE(
        MainForm->RunStatusText()->text().startsWith(QStringLiteral("Tasks done: 2 converged, 1 failed")))
        << MainForm->RunStatusText()->text().toStdString();
    EXPECT_FALSE(MainForm->RunProgressBar()->isVisible());
    EXPECT_FALSE(MainForm->Action("Pause1")->isEnabled());
    EXPECT_TRUE(frmEnviroment->btDelete->isEnabled());
    EXPECT_TRUE(messages.Errors.isEmpty()) << messages.Errors.join('\n').toStdString();

    // Nothing ticked: nothing runs, and the user is told why.
    for (int i = 0; i < frmEnviroment->TaskCount(); ++i)
        frmEnviroment->chklstAuto->item(i)->setCheckState(Qt::Unchecked);
    MainForm->Action("RunTasks1")->trigger();
    EXPECT_FALSE(MainForm->TaskRunner()->IsRunning());
    EXPECT_EQ(messages.Plain.size(), 1);
}

// A task that keeps snapshots leaves them in its results folder, run in the
// program and, where mpirun is, on two processes.
TEST_F(RunMenuTest, ATaskKeepsItsSnapshotsWhereverItRuns)
{
    TTaskList& tasks = *frmEnviroment->Tasks();
    TaskRecord record(QStringLiteral("D2Q9 ren 10Gx 12 Gy 12"), 1, 10, 12, 12);
    record.snapshots = 100;
    tasks.SetTicked(tasks.Append(record), true);
    MainForm->MpiTaskRunner()->SetSolverTool(QStringLiteral(CORVANE_LBM_TOOL));
    std::vector<int> processes{1};
    if (MpirunMissingReason().isEmpty())
        processes.push_back(2);
    for (const int n : processes) {
        SCOPED_TRACE(n);
        frmEnviroment->SetProcesses(n);
        MainForm->Action("RunTasks1")->trigger();
        ASSERT_TRUE(WaitFor([] { return MainForm->Action("RunTasks1")->isEnabled(); }, 120000));
        ASSERT_EQ(States(), QStringList{"converged"}) << frmOutPut->reMsg->toPlainText().toStdString();
        const QDir folder(tasks.ResultsFolder(0));
        EXPECT_TRUE(folder.exists(QString::fromStdString(lbm::SnapshotFileName(100))))
            << folder.path().toStdString();
        EXPECT_TRUE(folder.exists(QString::fromStdString(lbm::SnapshotFileName(200))));
        EXPECT_TRUE(folder.exists(QLatin1String(lbm::kCollectionFile)));
    }
    EXPECT_TRUE(messages.Errors.isEmpty()) << messages.Errors.join('\n').toStdString();
}

TEST_F(RunMenuTest, PauseHoldsTheTaskStopEndsTheQueueAndTheStatusBarFollows)
{
    Endless();
    Add(1, 10, 16, true);
    Add(1, 10, 12, true);
    MainForm->Action("RunTasks1")->trigger();
    ASSERT_TRUE(WaitFor([] { return MainForm->RunStatusText()->text().contains(QStringLiteral("step")); }));
    EXPECT_TRUE(
        MainForm->RunStatusText()->text().startsWith(QStringLiteral("D2Q9 ren 10Gx 16 Gy 16: step ")));
    EXPECT_TRUE(MainForm->RunStatusText()->text().contains(QStringLiteral("MLUPS")));
    EXPECT_EQ(States(), (QStringList{"running", "queued"}));

    MainForm->ToolButton("tbPause")->click();
    EXPECT_TRUE(MainForm->Action("Pause1")->isChecked());
    EXPECT_TRUE(MainForm->TaskRunner()->IsPaused());
    MainForm->ToolButton("tbPause")->click();
    EXPECT_FALSE(MainForm->TaskRunner()->IsPaused());

    MainForm->Action("StopTasks1")->trigger();
    ASSERT_TRUE(WaitFor([] { return MainForm->Action("RunTasks1")->isEnabled(); }));
    EXPECT_EQ(States(), (QStringList{"not converged", "cancelled"}));
    const QStringList folders = ResultFolders();
    ASSERT_EQ(folders.size(), 1);
    EXPECT_TRUE(QFileInfo(QDir(dir.filePath(QStringLiteral("dat/") + folders[0]))
                              .filePath(QLatin1String(lbm::kSummaryFile)))
                    .isFile());
}

TEST_F(RunMenuTest, ClosingWhileTasksRunAsksAndStopsThemCleanly)
{
    Endless();
    Add(1, 10, 16, true);
    MainForm->Action("RunTasks1")->trigger();
    ASSERT_TRUE(WaitFor([] { return MainForm->RunStatusText()->text().contains(QStringLiteral("step")); }));
    int asked = 0;
    TMainForm::StopTasksPrompt() = [&](QWidget*) { return ++asked > 1; };
    MainForm->close();
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(MainForm->isVisible()) << "the user kept the tasks running";
    EXPECT_TRUE(MainForm->TaskRunner()->IsRunning());
    MainForm->close();
    EXPECT_EQ(asked, 2);
    EXPECT_FALSE(MainForm->TaskRunner()->IsRunning());
    const QStringList folders = ResultFolders();
    ASSERT_EQ(folders.size(), 1);
    EXPECT_TRUE(QFileInfo(QDir(dir.filePath(QStringLiteral("dat/") + folders[0]))
                              .filePath(QLatin1String(lbm::kSummaryFile)))
                    .isFile())
        << "nothing is left half-written";
}

TEST_F(RunMenuTest, GenerateTheGridWritesEachTickedTasksGrid)
{
    Add(1, 400, 129, true);
    Add(1, 100, 65, false);
    Add(0, 100, 33, true);
    MainForm->Action("Generate")->trigger();
    EXPECT_TRUE(messages.Errors.isEmpty()) << messages.Errors.join('\n').toStdString();
    const QDir data(dir.filePath(QStringLiteral("dat")));
    EXPECT_EQ(data.entryList(QDir::Files, QDir::Name),
              (QStringList{"D2Q7_ren_100Gx_33_Gy_33.grid", "D2Q9_ren_400Gx_129_Gy_129.grid"}));
    QFile grid(data.filePath(QStringLiteral("D2Q9_ren_400Gx_129_Gy_129.grid")));
    ASSERT_TRUE(grid.open(QIODevice::ReadOnly));
    const QByteArray text = grid.readAll();
    for (const char* line : {"model=D2Q9\n", "gx=129\n", "gy=129\n", "nodes=16641\n", "tau="})
        EXPECT_TRUE(text.contains(line)) << line;
}

TEST_F(RunMenuTest, TheRunningTaskShowsItsFieldAndTheFinishedOneItsChart)
{
    MainForm->SetShowResults(true);
    MainForm->TaskRunner()->SetFieldInterval(0.001);
    Add(3, 100, 16, true); // fails at once: no view, no chart
    Add(1, 100, 16, true);
    const int views = MainForm->MdiArea()->subWindowList().size();
    MainForm->Action("RunTasks1")->trigger();
    ASSERT_TRUE(WaitFor([] { return MainForm->Action("RunTasks1")->isEnabled(); }));
    const QList<QMdiSubWindow*> subs = MainForm->MdiArea()->subWindowList(QMdiArea::CreationOrder);
    ASSERT_EQ(subs.size(), views + 2) << "one view and one chart, for the task that ran";
    auto* view = qobject_cast<TfrmPlot*>(subs[views]->widget());
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->windowTitle(), QStringLiteral("Fig.%1 \u2014 D2Q9 Re 100").arg(views + 1));
    EXPECT_EQ(view->Document()->Count(), 2) << "the field and its colour bar";
    auto* chart = qobject_cast<TfrmTaskChart*>(subs.last()->widget());
    ASSERT_NE(chart, nullptr);
    EXPECT_TRUE(chart->isVisible());
    EXPECT_EQ(MainForm->MdiArea()->currentSubWindow(), subs.last()) << "the chart comes out in front";
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_EQ(qobject_cast<TfrmTaskChart*>(w), nullptr) << "no chart outside the frame";
    EXPECT_TRUE(messages.Errors.isEmpty()) << messages.Errors.join('\n').toStdString();
}

TEST_F(RunMenuTest, ChartWindowsAreListedInTheWindowMenuAndCloseAsViewsDo)
{
    MainForm->SetShowResults(true);
    Add(1, 100, 16, true);
    Add(2, 100, 16, true);
    MainForm->Action("RunTasks1")->trigger();
    ASSERT_TRUE(WaitFor([] { return MainForm->Action("RunTasks1")->isEnabled(); }));
    QList<QMdiSubWindow*> charts;
    for (QMdiSubWindow* sub : MainForm->MdiArea()->subWindowList(QMdiArea::CreationOrder))
        if (qobject_cast<TfrmTaskChart*>(sub->widget()))
            charts << sub;
    ASSERT_EQ(charts.size(), 2);

    MainForm->Menu("WindowMenu")->popup(MainForm->mapToGlobal(QPoint(100, 30)));
    QTest::qWait(20);
    QStringList entries;
    for (QAction* a : MainForm->Menu("WindowMenu")->actions())
        entries << a->text();
    MainForm->Menu("WindowMenu")->hide();
    for (const char* line : {"D2Q9 ren 100Gx 16 Gy 16", "D2Q9(New) ren 100Gx 16 Gy 16"})
        EXPECT_EQ(entries.filter(QStringLiteral("Chart - %1").arg(QLatin1String(line))).size(), 1)
            << line << "\n"
            << entries.join('\n').toStdString();
    // Its entry brings a chart to the front; File > Close closes it.
    for (QAction* a : MainForm->Menu("WindowMenu")->actions())
        if (a->text().endsWith(charts.first()->widget()->windowTitle()))
            a->trigger();
    EXPECT_EQ(MainForm->MdiArea()->currentSubWindow(), charts.first());
    ASSERT_TRUE(MainForm->Action("FileClose1")->isEnabled());
    QPointer<QMdiSubWindow> closing = charts.first();
    MainForm->Action("FileClose1")->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return closing.isNull(); }));
    EXPECT_EQ(MainForm->MdiArea()->subWindowList().count(charts.last()), 1);
    EXPECT_TRUE(messages.Errors.isEmpty()) << messages.Errors.join('\n').toStdString();
}

TEST_F(RunMenuTest, WhileTheViewsAreMaximisedTheFieldViewAndTheChartOpenMaximised)
{
    MainForm->SetShowResults(true);
    MainForm->TaskRunner()->SetFieldInterval(0.001);
    frmPlot->SubWindow()->showMaximized();
    QTest::qWait(20);
    Add(1, 100, 16, true);
    Endless();
    const int views = MainForm->MdiArea()->subWindowList().size();
    const QRect area = MainForm->MdiArea()->viewport()->rect();
    MainForm->Action("RunTasks1")->trigger();
    // The field view as it opens, while the task runs.
    ASSERT_TRUE(WaitFor([&] { return MainForm->MdiArea()->subWindowList().size() == views + 1; }));
    QTest::qWait(20);
    QMdiSubWindow* field = MainForm->MdiArea()->subWindowList(QMdiArea::CreationOrder).last();
    EXPECT_TRUE(field->isMaximized());
    EXPECT_EQ(field->geometry(), area);
    EXPECT_EQ(field->widget()->size(), area.size()) << "the picture fills the area";
    // The chart, once the task has stopped.
    MainForm->Action("StopTasks1")->trigger();
    ASSERT_TRUE(WaitFor([] { return MainForm->Action("RunTasks1")->isEnabled(); }));
    QTest::qWait(20);
    const QList<QMdiSubWindow*> subs = MainForm->MdiArea()->subWindowList(QMdiArea::CreationOrder);
    ASSERT_EQ(subs.size(), views + 2);
    EXPECT_TRUE(subs.last()->isMaximized());
    EXPECT_EQ(subs.last()->geometry(), area);
    // Restored, the field view has the size it is made with.
    field->showNormal();
    QTest::qWait(20);
    EXPECT_EQ(field->size(), QSize(560, 460));
}

TEST_F(RunMenuTest, TheTasksRunInTheListsOrderAfterAMoveAndEachKeepsItsResultsFolder)
{
    Add(1, 100, 16, true);
    Add(0, 100, 17, false);
    Add(1, 100, 18, true);
    TTaskList& tasks = *frmEnviroment->Tasks();
    ASSERT_TRUE(tasks.Move(2, 0)); // 18, 16, 17
    std::vector<QString> started;
    QObject::connect(MainForm->TaskRunner(), &TTaskRunner::TaskStarted, MainForm,
                     [&](int, const QueuedTask& task) { started.push_back(task.line); });
    MainForm->Action("RunTasks1")->trigger();
    EXPECT_FALSE(tasks.Move(0, 1)) << "the lines keep their places while the queue runs";
    ASSERT_TRUE(WaitFor([] { return MainForm->Action("RunTasks1")->isEnabled(); }));
    EXPECT_EQ(started, (std::vector<QString>{"D2Q9 ren 100Gx 18 Gy 18", "D2Q9 ren 100Gx 16 Gy 16"}));
    EXPECT_EQ(States(), (QStringList{"converged", "converged", ""}));
    EXPECT_TRUE(QFileInfo(tasks.ResultsFolder(0) + QStringLiteral("/summary.json")).isFile())
        << tasks.ResultsFolder(0).toStdString();
    EXPECT_TRUE(
        QFileInfo(tasks.ResultsFolder(0)).fileName().startsWith(QStringLiteral("D2Q9_ren_100Gx_18_Gy_18_")));
    EXPECT_TRUE(
        QFileInfo(tasks.ResultsFolder(1)).fileName().startsWith(QStringLiteral("D2Q9_ren_100Gx_16_Gy_16_")));
    EXPECT_TRUE(tasks.ResultsFolder(2).isEmpty());
    EXPECT_TRUE(tasks.Move(0, 1)) << "and move again once it has ended";
}

TEST_F(RunMenuTest, ATaskOnTwoProcessesRunsUnderMpirunAndIsShownAsOneInTheProgram)
{
    if (QStandardPaths::findExecutable(QStringLiteral("mpirun")).isEmpty())
        GTEST_SKIP() << "mpirun is not installed";
    MainForm->SetShowResults(true);
    MainForm->TaskRunner()->SetFieldInterval(0.001);
    MainForm->MpiTaskRunner()->SetSolverTool(QStringLiteral(CORVANE_LBM_TOOL));
    frmEnviroment->SetProcesses(2);
    ASSERT_EQ(frmEnviroment->Processes(), 2);
    Add(1, 100, 24, true);
    const int views = MainForm->MdiArea()->subWindowList().size();
    MainForm->Action("RunTasks1")->trigger();
    EXPECT_TRUE(MainForm->MpiTaskRunner()->IsRunning());
    EXPECT_FALSE(MainForm->TaskRunner()->IsRunning());
    EXPECT_TRUE(MainForm->RunStatusText()->text().contains(QStringLiteral("on 2 processes")));
    ASSERT_TRUE(WaitFor([] { return MainForm->Action("RunTasks1")->isEnabled(); }, 120000));
    EXPECT_EQ(States(), QStringList{"converged"});
    const QStringList folders = ResultFolders();
    ASSERT_EQ(folders.size(), 1);
    EXPECT_TRUE(folders[0].startsWith(QStringLiteral("D2Q9_ren_100Gx_24_Gy_24_")));
    QFile summary(dir.filePath(QStringLiteral("dat/") + folders[0] + QStringLiteral("/summary.json")));
    ASSERT_TRUE(summary.open(QIODevice::ReadOnly));
    EXPECT_TRUE(summary.readAll().contains("\"processes\": 2"));
    // The live field's view and the chart, as for a run in the program.
    const QList<QMdiSubWindow*> subs = MainForm->MdiArea()->subWindowList(QMdiArea::CreationOrder);
    ASSERT_EQ(subs.size(), views + 2);
    EXPECT_NE(qobject_cast<TfrmPlot*>(subs[views]->widget()), nullptr);
    auto* chart = qobject_cast<TfrmTaskChart*>(subs.last()->widget());
    ASSERT_NE(chart, nullptr);
    const QString log = frmOutPut->reMsg->toPlainText();
    EXPECT_TRUE(log.contains(QStringLiteral("D2Q9 ren 100Gx 24 Gy 24: converged. Converged after ")))
        << log.toStdString();
    EXPECT_TRUE(messages.Errors.isEmpty()) << messages.Errors.join('\n').toStdString();
}

TEST_F(RunMenuTest, UnderMpirunPauseAndStopActOnTheProcessesAndADyingChildShowsItsLastLines)
{
    if (QStandardPaths::findExecutable(QStringLiteral("mpirun")).isEmpty())
        GTEST_SKIP() << "mpirun is not installed";
    Endless();
    MainForm->MpiTaskRunner()->SetSolverTool(QStringLiteral(CORVANE_LBM_TOOL));
    frmEnviroment->SetProcesses(2);
    Add(1, 10, 32, true);
    MainForm->Action("RunTasks1")->trigger();
    ASSERT_TRUE(
        WaitFor([] { return MainForm->RunStatusText()->text().contains(QStringLiteral("step")); }, 120000));
    EXPECT_TRUE(MainForm->RunStatusText()->text().contains(QStringLiteral(" MLUPS on 2 processes")))
        << MainForm->RunStatusText()->text().toStdString();
    MainForm->ToolButton("tbPause")->click();
    EXPECT_TRUE(MainForm->MpiTaskRunner()->IsPaused());
    EXPECT_TRUE(MainForm->RunStatusText()->text().endsWith(QStringLiteral("(paused)")));
    MainForm->Action("StopTasks1")->trigger();
    ASSERT_TRUE(WaitFor([] { return MainForm->Action("RunTasks1")->isEnabled(); }, 120000));
    EXPECT_EQ(States(), QStringList{"not converged"});
    ASSERT_EQ(ResultFolders().size(), 1);
    EXPECT_TRUE(
        QFileInfo(dir.filePath(QStringLiteral("dat/") + ResultFolders()[0] + QStringLiteral("/summary.json")))
            .isFile());

    // A solver that dies: failed, and what it said last is in the Command Window.
    const QString tool = dir.filePath(QStringLiteral("dying-solver"));
    QFile script(tool);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\necho 'out of luck at step 40' >&2\nexit 9\n");
    script.close();
    script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
    MainForm->MpiTaskRunner()->SetSolverTool(tool);
    MainForm->Action("RunTasks1")->trigger();
    ASSERT_TRUE(WaitFor([] { return MainForm->Action("RunTasks1")->isEnabled(); }, 120000));
    EXPECT_EQ(States(), QStringList{"failed"});
    const QString log = frmOutPut->reMsg->toPlainText();
    EXPECT_TRUE(log.contains(QStringLiteral("D2Q9 ren 10Gx 32 Gy 32: failed. The solver under mpirun ended")))
        << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("out of luck at step 40"))) << log.toStdString();
    EXPECT_EQ(ResultFolders().size(), 1) << "the failed run leaves no folder behind";
}

TEST_F(RunMenuTest, ExportJobScriptWritesBothScriptsForTheTickedTasksThatCanRun)
{
    const auto previous = TMainForm::JobScriptPrompt();
    struct Restore {
        std::function<bool(QWidget*, JobScriptOptions&, QString&)> prompt;
        ~Restore() { TMainForm::JobScriptPrompt() = prompt; }
    } restore{previous};
    QStringList offered;
    TMainForm::JobScriptPrompt() = [&](QWidget*, JobScriptOptions& options, QString& path) {
        offered << path << QString::number(options.processes);
        options.processes = 3;
        options.timeLimit = QStringLiteral("00:30:00");
        path = dir.filePath(QStringLiteral("cluster/run.sbatch"));
        return true;
    };

    MainForm->Action("ExportJobScript1")->trigger();
    ASSERT_EQ(messages.Plain.size(), 1) << "nothing ticked: said so";
    EXPECT_TRUE(messages.Plain[0].startsWith(QStringLiteral("No task is ticked")))
        << messages.Plain[0].toStdString();
    EXPECT_TRUE(offered.isEmpty());

    Add(1, 400, 65, true);
    Add(3, 100, 16, true); // a model that does not run yet
    Add(0, 100, 33, false);
    Add(2, 100, 33, true);
    ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("cluster"))));
    MainForm->Action("ExportJobScript1")->trigger();
    EXPECT_TRUE(messages.Errors.isEmpty()) << messages.Errors.join('\n').toStdString();
    EXPECT_EQ(offered, (QStringList{dir.filePath(QStringLiteral("corvane-tasks.sbatch")), "2"}))
        << "by default beside the program's own data folder";
    const QString slurm = dir.filePath(QStringLiteral("cluster/run.sbatch"));
    QFile file(slurm);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_EQ(text.count(QStringLiteral("\nsrun corvane-lbm ")), 2) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("#SBATCH --ntasks=3\n#SBATCH --time=00:30:00\n")));
    // The program's own solver settings go with each task.
    EXPECT_TRUE(text.contains(QStringLiteral("--model 'D2Q9(New)' --re 100 --grid 33x33 --tolerance 1e-06 "
                                             "--max-steps 20000 ")))
        << text.toStdString();
    EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("cluster/run-mpirun.sh"))).isExecutable());
    const QString said = frmOutPut->reMsg->toPlainText();
    EXPECT_TRUE(said.contains(QStringLiteral("for 2 task(s) on 3 process(es) each"))) << said.toStdString();
    EXPECT_TRUE(said.contains(QStringLiteral("Left out, as they cannot run: D2Q11(New) ren 100Gx 16 Gy 16")))
        << said.toStdString();

    // The next export offers what this one chose; cancelling writes nothing.
    QFile::remove(slurm);
    TMainForm::JobScriptPrompt() = [&](QWidget*, JobScriptOptions& options, QString& path) {
        offered << path << QString::number(options.processes) << options.timeLimit;
        return false;
    };
    MainForm->Action("ExportJobScript1")->trigger();
    EXPECT_EQ(offered.mid(2), (QStringList{slurm, "3", "00:30:00"}));
    EXPECT_FALSE(QFileInfo::exists(slurm));
}

TEST_F(RunMenuTest, TheJobScriptDialogRefusesWhatSlurmWouldNotTakeAndKeepsTheUsersValues)
{
    Add(1, 100, 17, true);
    const QString slurm = dir.filePath(QStringLiteral("job.sbatch"));
    QStringList problems;
    bool reached = false;
    // The dialog is modal: fill it in from a timer once it is up.
    QTimer::singleShot(0, MainForm, [&] {
        ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }, 5000));
        QWidget* dialog = QApplication::activeModalWidget();
        reached = true;
        // A failed check below leaves no dialog waiting for a user.
        struct CloseIfOpen {
            QPointer<QDialog> dialog;
            ~CloseIfOpen()
            {
                if (dialog && dialog->isVisible())
                    dialog->reject();
            }
        } closeIfOpen{qobject_cast<QDialog*>(dialog)};
        auto* time = dialog->findChild<QLineEdit*>(QStringLiteral("edTimeLimit"));
        auto* file = dialog->findChild<QLineEdit*>(QStringLiteral("edScriptFile"));
        auto* processes = dialog->findChild<QSpinBox*>(QStringLiteral("spProcesses"));
        auto* problem = dialog->findChild<QLabel*>(QStringLiteral("lbProblem"));
        QPushButton* ok = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
        ASSERT_TRUE(time && file && processes && problem && ok);
        EXPECT_EQ(file->text(), dir.filePath(QStringLiteral("corvane-tasks.sbatch")));
        time->setText(QStringLiteral("tomorrow"));
        ok->click();
        problems << problem->text();
        time->setText(QStringLiteral("2:00:00"));
        file->clear();
        ok->click();
        problems << problem->text();
        EXPECT_TRUE(dialog->isVisible()) << "refused: the dialog stays with the user's values";
        file->setText(slurm);
        processes->setValue(4);
        ok->click();
    });
    MainForm->Action("ExportJobScript1")->trigger();
    ASSERT_TRUE(reached);
    ASSERT_EQ(problems.size(), 2);
    EXPECT_TRUE(problems[0].contains(QLatin1String("time limit \"tomorrow\""))) << problems[0].toStdString();
    EXPECT_TRUE(problems[1].contains(QLatin1String("Name the file"))) << problems[1].toStdString();
    QFile file(slurm);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("#SBATCH --ntasks=4\n#SBATCH --time=2:00:00\n")) << text.toStdString();
    EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("job-mpirun.sh"))).isFile());
    EXPECT_TRUE(messages.Errors.isEmpty()) << messages.Errors.join('\n').toStdString();
}

TEST_F(RunMenuTest, AFinishedTaskIsListedOnTheResultsPage)
{
    TfrmResultsPage* page = MainForm->ResultsPage();
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->List()->Count(), 0);
    Add(1, 10, 12, true);
    MainForm->Action("RunTasks1")->trigger();
    ASSERT_TRUE(WaitFor([] { return MainForm->Action("RunTasks1")->isEnabled(); }));
    // Listed without a look at the page: the run's end refreshed it.
    ASSERT_EQ(page->List()->Count(), 1);
    const ResultsRun& run = page->List()->Run(0);
    EXPECT_EQ(QFileInfo(run.folder).fileName(), ResultFolders().value(0));
    EXPECT_EQ(run.line, QStringLiteral("D2Q9 ren 10Gx 12 Gy 12"));
    EXPECT_EQ(run.state, QStringLiteral("converged"));
}
