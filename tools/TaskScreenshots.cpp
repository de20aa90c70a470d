// SPDX-License-Identifier: GPL-3.0-or-later
// Developer tool: runs one cavity task through the program's windows as a
// user would (the "Add Task" dialog, the tick, Run Tasks) and saves pictures
// of each stage: the dialogs, the status bar and live field while it runs,
// and the field and chart at the end.
//   corvane_task_screenshots OUTPUT_FOLDER [GRID [REYNOLDS [PROCESSES]]]
// With PROCESSES of 2 or more the task runs as corvane-lbm under mpirun.
#include "Globals.h"
#include "Startup.h"
#include "TMainForm.h"
#include "TaskChart.h"
#include "TaskRunner.h"
#include "TfrmAddTask.h"
#include "TfrmEnviroment.h"
#include "TfrmPlot.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QHelpEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {

void Save(QWidget* w, const QDir& out, const char* name)
{
    w->grab().save(out.filePath(QLatin1String(name)));
    std::printf("%s\n", qPrintable(out.filePath(QLatin1String(name))));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER [GRID [REYNOLDS [PROCESSES]]]\n", argv[0]);
        return 2;
    }
    ConfigureOpenGL();
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(out.path());
    const QString grid = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("129");
    const QString re = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QStringLiteral("400");
    const int processes = argc > 4 ? QString::fromLocal8Bit(argv[4]).toInt() : 1;

    QTemporaryDir work;
    CreateApplicationWindows();
    delete frmEnviroment;
    frmEnviroment = new TfrmEnviroment(MainForm, work.filePath(QStringLiteral("corvane.INI")));
    frmEnviroment->FormCreate();
    MainForm->SetDataFolderParent(work.path());
    MainForm->resize(1000, 760);
    MainForm->show();
    (void)QTest::qWaitForWindowExposed(MainForm);
    QTest::qWait(300);

    // The user adds "D2Q9 ren 400Gx 129 Gy 129" and ticks it.
    frmAddTask->cbModelName->setCurrentIndex(1);
    frmAddTask->edRen->setText(re);
    frmAddTask->edGridX->setText(grid);
    frmAddTask->edGridY->setText(grid);
    frmAddTask->show();
    QTest::qWait(100);
    Save(frmAddTask, out, "01-add-task.png");
    frmAddTask->BitBtn1->click();
    frmEnviroment->SetProcesses(processes);
    frmEnviroment->PageControl1->setCurrentIndex(1);
    frmEnviroment->show();
    frmEnviroment->chklstAuto->item(0)->setCheckState(Qt::Checked);
    QTest::qWait(100);
    Save(frmEnviroment, out, "02-task-ticked.png");
    frmEnviroment->hide();

    // Run Tasks (F5), then watch it.
    MainForm->TaskRunner()->SetFieldInterval(0.5);
    MainForm->Action("RunTasks1")->trigger();
    QTest::qWait(1000);
    Save(MainForm, out, "03-running.png");
    QTest::qWait(1500);
    Save(MainForm, out, "04-running-later.png");
    QElapsedTimer clock;
    clock.start();
    while (!MainForm->Action("RunTasks1")->isEnabled() && clock.elapsed() < 15 * 60 * 1000)
        QTest::qWait(200);
    QTest::qWait(500);
    for (QMdiSubWindow* sub : MainForm->MdiArea()->subWindowList())
        if (qobject_cast<TfrmTaskChart*>(sub->widget())) {
            sub->resize(700, 620);
            QTest::qWait(300);
            Save(sub, out, "06-chart.png");
            // What its Save As button writes, in each format.
            auto* chart = static_cast<TfrmTaskChart*>(sub->widget());
            for (const char* name : {"12-chart.png", "12-chart.svg", "12-chart.csv"}) {
                const QString error = chart->SaveTo(out.filePath(QLatin1String(name)));
                std::printf("%s%s\n", qPrintable(out.filePath(QLatin1String(name))), qPrintable(error));
            }
        }
    Save(MainForm, out, "05-finished.png");
    frmEnviroment->show();
    QTest::qWait(100);
    Save(frmEnviroment, out, "07-task-converged.png");
    frmEnviroment->hide();

    // The Window menu lists the chart beside the views.
    MainForm->Menu("WindowMenu")->popup(MainForm->mapToGlobal(QPoint(200, 40)));
    QTest::qWait(300);
    Save(MainForm->Menu("WindowMenu"), out, "08-window-menu.png");
    MainForm->Menu("WindowMenu")->hide();
    // With no view open, the view commands are off and say why.
    for (QMdiSubWindow* sub : MainForm->MdiArea()->subWindowList())
        delete sub;
    QTest::qWait(100);
    MainForm->Menu("FileMenu")->popup(MainForm->mapToGlobal(QPoint(10, 40)));
    QTest::qWait(300);
    MainForm->Menu("FileMenu")->setActiveAction(MainForm->Action("FileExportObject"));
    QTest::qWait(300);
    Save(MainForm->Menu("FileMenu"), out, "09-file-menu-no-view.png");
    // The reason, as the menu shows it over the entry.
    const QRect entry = MainForm->Menu("FileMenu")->actionGeometry(MainForm->Action("FileExportObject"));
    QHelpEvent help(QEvent::ToolTip, entry.center(), MainForm->Menu("FileMenu")->mapToGlobal(entry.center()));
    QApplication::sendEvent(MainForm->Menu("FileMenu"), &help);
    QTest::qWait(300);
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->inherits("QTipLabel") && w->isVisible())
            Save(w, out, "11-no-view-reason.png");
    Save(MainForm, out, "10-no-view-hint.png");
    MainForm->Menu("FileMenu")->hide();
    DestroyApplicationWindows();
    return 0;
}
