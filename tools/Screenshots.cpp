// SPDX-License-Identifier: GPL-3.0-or-later
// Developer tool: starts the program's windows and saves pictures of them, so
// that their look can be checked without clicking through them by hand.
//   corvane_screenshots OUTPUT_FOLDER
#include "Globals.h"
#include "Prompts.h"
#include "Startup.h"
#include "TAboutBox.h"
#include "TMainForm.h"
#include "TfrmAddTask.h"
#include "TfrmEnviroment.h"
#include "TfrmOutPut.h"
#include "TfrmPlot.h"
#include "TfrmWorkSpace.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTabWidget>
#include <QTest>

#include <cstdio>
#include <utility>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    ConfigureOpenGL();
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(out.path());

    CreateApplicationWindows();
    MainForm->show();
    (void)QTest::qWaitForWindowExposed(MainForm);
    QTest::qWait(300);
    frmPlot->AddCube(-8, 6);
    frmPlot->AddIcosahedron(8, 6);
    frmPlot->AddPyramid(0, -8);
    QTest::qWait(100);
    for (int page = 0; page < frmWorkSpace->PageControl1->count(); ++page) {
        frmWorkSpace->PageControl1->setCurrentIndex(page);
        QTest::qWait(100);
        MainForm->grab().save(out.filePath(QStringLiteral("workspace-%1.png").arg(page)));
    }
    for (int page = 0; page < frmOutPut->tabData->count(); ++page) {
        frmOutPut->tabData->setCurrentIndex(page);
        QTest::qWait(50);
        frmOutPut->grab().save(out.filePath(QStringLiteral("output-%1.png").arg(page)));
    }
    for (int page = 0; page < frmEnviroment->PageControl1->count(); ++page) {
        frmEnviroment->PageControl1->setCurrentIndex(page);
        frmEnviroment->show();
        QTest::qWait(50);
        frmEnviroment->grab().save(out.filePath(QStringLiteral("settings-%1.png").arg(page)));
        frmEnviroment->hide();
    }
    // The sample scene, opened as a user opens a file.
    if (MainForm->OpenFile(QStringLiteral(CORVANE_SAMPLES_DIR "/still-life.cvs"))) {
        MainForm->ActiveView()->SubWindow()->showMaximized();
        QTest::qWait(200);
        MainForm->grab().save(out.filePath(QStringLiteral("scene.png")));
    }
    AboutBox->show();
    QTest::qWait(400);
    AboutBox->grab().save(out.filePath(QStringLiteral("about.png")));
    AboutBox->hide();
    frmAddTask->show();
    QTest::qWait(50);
    frmAddTask->grab().save(out.filePath(QStringLiteral("addtask.png")));
    frmAddTask->hide();
    // New views open cascading; Cascade keeps their sizes.
    MainForm->Action("FileNew1")->trigger();
    MainForm->Action("FileNew1")->trigger();
    QTest::qWait(100);
    MainForm->grab().save(out.filePath(QStringLiteral("frame-new.png")));
    MainForm->Action("WindowCascade1")->trigger();
    QTest::qWait(100);
    MainForm->grab().save(out.filePath(QStringLiteral("frame-cascade.png")));

    // The panels follow the active view: a second view set up differently.
    for (QMdiSubWindow* sub : MainForm->MdiArea()->subWindowList())
        sub->showNormal();
    MainForm->TileVertically();
    frmWorkSpace->PageControl1->setCurrentIndex(0);
    TfrmPlot* other = MainForm->ActiveView();
    other->SetTool(mtTranslate);
    other->SetPerspective(true);
    other->SetWireFrame(true);
    other->AddCube(0, 0);
    QTest::qWait(100);
    MainForm->grab().save(out.filePath(QStringLiteral("follow-view-a.png")));
    MainForm->MdiArea()->setActiveSubWindow(frmPlot->SubWindow());
    QTest::qWait(100);
    MainForm->grab().save(out.filePath(QStringLiteral("follow-view-b.png")));
    // The selection marker on a white, black and grey background.
    for (const auto& [name, rgb] :
         {std::pair{"white", 0xFFFFFF}, std::pair{"black", 0}, std::pair{"grey", 0x808080}}) {
        frmPlot->SetBackColor(rgb);
        frmPlot->RenderScene(GL_RENDER);
        QTest::qWait(100);
        frmPlot->grabFramebuffer().save(
            out.filePath(QStringLiteral("marker-%1.png").arg(QLatin1String(name))));
    }
    // No view open: the commands that need one are off.
    corvane::SetSaveChangesPrompt([](const QString&) { return corvane::SaveChoice::Discard; });
    MainForm->MdiArea()->closeAllSubWindows();
    QTest::qWait(200);
    frmWorkSpace->PageControl1->setCurrentIndex(1);
    QTest::qWait(50);
    MainForm->grab().save(out.filePath(QStringLiteral("no-view.png")));
    DestroyApplicationWindows();
    return 0;
}
