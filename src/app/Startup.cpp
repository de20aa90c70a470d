// SPDX-License-Identifier: GPL-3.0-or-later
#include "Startup.h"

#include "Globals.h"
#include "IniFile.h"
#include "LbmTask.h"
#include "Messages.h"
#include "ResultsList.h"
#include "TAboutBox.h"
#include "TMainForm.h"
#include "TSplash.h"
#include "TfrmAddTask.h"
#include "TfrmEnviroment.h"
#include "TfrmOutPut.h"
#include "TfrmPlot.h"
#include "TfrmWorkSpace.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QThread>
#include <QWindow>

#include <utility>

namespace {

// How long the splash waits for the window system to expose it.
constexpr qint64 kSplashExposeLimitMs = 1000;

QStringList& Order()
{
    static QStringList order;
    return order;
}

// Stores a new window in its global, then runs its creation handler.
template <class Form, class... Args> void CreateForm(Form*& global, const char* name, Args&&... args)
{
    global = new Form(std::forward<Args>(args)...);
    Order().append(QString::fromLatin1(name));
    Form* form = global;
    corvane::RunHandler([form] { form->FormCreate(); });
}

} // namespace

const QStringList& CreationOrder() { return Order(); }

void KeepRecentFilesIn(TMainForm* frame, const QString& iniPath)
{
    static const QString kSection = QStringLiteral("Recent Files");
    constexpr int kEntries = 8;
    auto key = [](int i) { return QStringLiteral("File%1").arg(i); };
    frame->SetRecentFilesStore(
        [=] {
            QStringList files;
            TIniFile ini(iniPath);
            try {
                ini.Load();
            } catch (const std::exception&) {
                return files; // the settings dialog reports an unreadable file
            }
            for (int i = 1; i <= kEntries; ++i) {
                const QString file = ini.ReadString(kSection, key(i), QString());
                if (!file.isEmpty())
                    files << file;
            }
            return files;
        },
        [=](const QStringList& files) {
            TIniFile ini(iniPath);
            ini.Load();
            for (int i = 1; i <= kEntries; ++i) {
                if (i <= files.size())
                    ini.WriteString(kSection, key(i), files[i - 1]);
                else
                    ini.RemoveKey(kSection, key(i));
            }
            ini.Save();
        });
}

void KeepResultsFoldersIn(TMainForm* frame, const QString& iniPath)
{
    static const QString kSection = QStringLiteral("Results Folders");
    auto key = [](int i) { return QStringLiteral("Folder%1").arg(i); };
    frame->SetResultsFoldersStore(
        [=] {
            QStringList folders;
            TIniFile ini(iniPath);
            try {
                ini.Load();
            } catch (const std::exception&) {
                return folders; // the settings dialog reports an unreadable file
            }
            for (int i = 1; i <= kMaxAddedFolders; ++i) {
                const QString folder = ini.ReadString(kSection, key(i), QString());
                if (!folder.isEmpty())
                    folders << folder;
            }
            return folders;
        },
        [=](const QStringList& folders) {
            TIniFile ini(iniPath);
            ini.Load();
            ini.RemoveSection(kSection);
            for (int i = 1; i <= folders.size() && i <= kMaxAddedFolders; ++i)
                ini.WriteString(kSection, key(i), folders[i - 1]);
            ini.Save();
        });
}

void ShowSplash()
{
    Splash = new TSplash;
    corvane::RunHandler([] { Splash->FormCreate(); });
    Splash->show();
    // A window manager may map the window a while after it is shown, and what
    // is painted before that is lost: wait (briefly) until it is exposed, then
    // paint it, since nothing is processed during the wait that follows.
    QElapsedTimer clock;
    clock.start();
    auto exposed = [] { return Splash->windowHandle() && Splash->windowHandle()->isExposed(); };
    while (!exposed() && clock.elapsed() < kSplashExposeLimitMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (!exposed())
            QThread::msleep(5);
    }
    Splash->repaint();
    QCoreApplication::processEvents();
}

void CreateApplicationWindows()
{
    QApplication::setWindowIcon(TSplash::Emblem());
    Order().clear();
    CreateForm(MainForm, "MainForm");
    KeepRecentFilesIn(MainForm, TIniFile::DefaultPath());
    CreateForm(AboutBox, "AboutBox", MainForm);
    frmPlot = MainForm->CreateView(QStringLiteral("Fig.1"));
    Order().append(QStringLiteral("frmPlot"));
    QObject::connect(frmPlot, &QObject::destroyed, [](QObject* gone) {
        if (static_cast<QObject*>(frmPlot) == gone)
            frmPlot = nullptr;
    });
    CreateForm(frmOutPut, "frmOutPut", MainForm);
    MainForm->AttachPanel(frmOutPut, Qt::BottomDockWidgetArea);
    MainForm->CreateResultsPage(frmOutPut);
    KeepResultsFoldersIn(MainForm, TIniFile::DefaultPath());
    CreateForm(frmWorkSpace, "frmWorkSpace", MainForm);
    MainForm->AttachPanel(frmWorkSpace, Qt::LeftDockWidgetArea);
    MainForm->SetViewPanels({frmWorkSpace, frmOutPut});
    CreateForm(frmAddTask, "frmAddTask", MainForm);
    frmAddTask->SetRunSettings(
        [] { return MainForm ? MainForm->TaskRunner()->Settings() : lbm::Settings(); });
    CreateForm(frmEnviroment, "frmEnviroment", MainForm);
    // The settings dialog has read which panels to show.
    MainForm->ShowPanelsAsSet(frmEnviroment->chkWorkspace->isChecked(),
                              frmEnviroment->chkOutput->isChecked());
}

void DestroyApplicationWindows()
{
    if (!MainForm)
        return;
    // The most recently created first. Views opened with New came after every
    // window of start-up; each view destroys its scene and releases its context.
    const QList<QMdiSubWindow*> views = MainForm->MdiArea()->subWindowList(QMdiArea::CreationOrder);
    for (auto it = views.rbegin(); it != views.rend(); ++it)
        if (!frmPlot || (*it)->widget() != frmPlot)
            delete *it;
    delete frmEnviroment;
    frmEnviroment = nullptr;
    delete frmAddTask;
    frmAddTask = nullptr;
    MainForm->SetViewPanels({});
    delete frmWorkSpace;
    frmWorkSpace = nullptr;
    delete frmOutPut;
    frmOutPut = nullptr;
    if (frmPlot) {
        // The first view, created between the About box and the panels.
        QWidget* first = frmPlot;
        if (auto* sub = qobject_cast<QMdiSubWindow*>(frmPlot->parentWidget()))
            first = sub;
        delete first;
        frmPlot = nullptr;
    }
    delete AboutBox;
    AboutBox = nullptr;
    delete MainForm;
    MainForm = nullptr;
}

void DestroySplash()
{
    delete Splash;
    Splash = nullptr;
}

void OpenCommandLineFiles(const QStringList& files)
{
    // The first view is for a start without files: each file opens in a view
    // of its own, so that one that cannot be opened leaves no empty view.
    if (!files.isEmpty() && frmPlot && frmPlot->Document()->IsPristine())
        delete frmPlot->SubWindow();
    for (const QString& file : files)
        corvane::RunHandler([&] { MainForm->OpenFile(file); });
}

void RunApplication(int splashMilliseconds, const QStringList& files)
{
    ShowSplash();
    // The splash stays on screen; nothing is processed meanwhile.
    QThread::msleep(static_cast<unsigned long>(splashMilliseconds));
    CreateApplicationWindows();
    MainForm->show();
    OpenCommandLineFiles(files);
    QApplication::exec();
    DestroyApplicationWindows();
}
