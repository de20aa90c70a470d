// SPDX-License-Identifier: GPL-3.0-or-later
// The Results page of the Output panel on a data folder of real runs: open,
// compare, delete and show them, and add a folder of runs made elsewhere.
#include "ResultsPage.h"
#include "CompareChart.h"
#include "Globals.h"
#include "ResultsList.h"
#include "Startup.h"
#include "TMainForm.h"
#include "TaskChart.h"
#include "TestSupport.h"
#include "TfrmOutPut.h"
#include "TfrmPlot.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineSeries>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QUrl>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

QStringList SeriesNames(QChart* chart)
{
    QStringList names;
    for (QAbstractSeries* s : chart->series())
        names.append(s->name());
    return names;
}

QList<QPointF> Points(QChart* chart, const QString& name)
{
    for (QAbstractSeries* s : chart->series())
        if (s->name() == name)
            return static_cast<QXYSeries*>(s)->points();
    return {};
}

class ResultsPageTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // Two real runs for every test, a second or two each.
        runs = new QTemporaryDir;
        for (const auto& [name, grid] :
             {std::pair<const char*, const char*>{kOlder, "21x21"}, {kNewer, "17x17"}}) {
            const QString command = QStringLiteral("'%1' --model D2Q9 --re 100 --grid %2 --threads 1 "
                                                   "--tolerance 1e-6 --out '%3' 2>/dev/null >/dev/null")
                                        .arg(QStringLiteral(CORVANE_LBM_TOOL), QLatin1String(grid),
                                             runs->filePath(QLatin1String(name)));
            status = status == 0 ? std::system(command.toLocal8Bit().constData()) : status;
        }
    }
    static void TearDownTestSuite() { delete runs; }

    void SetUp() override
    {
        ASSERT_EQ(status, 0) << "the solver's runs failed";
        // Each test works on a copy of its own, in the data folder.
        ASSERT_TRUE(QDir(parent.path()).mkpath(QStringLiteral("dat")));
        for (const char* name : {kOlder, kNewer}) {
            const QDir from(runs->filePath(QLatin1String(name)));
            const QDir to(DataFolder().filePath(QLatin1String(name)));
            ASSERT_TRUE(QDir().mkpath(to.path()));
            for (const QString& file : from.entryList(QDir::Files))
                ASSERT_TRUE(QFile::copy(from.filePath(file), to.filePath(file)));
        }
        CreateApplicationWindows();
        // Added folders in memory only, none from earlier sessions.
        MainForm->SetResultsFoldersStore({}, {});
        for (const QString& folder : MainForm->ResultsPage()->List()->AddedFolders())
            MainForm->ResultsPage()->List()->RemoveFolder(folder);
        MainForm->SetDataFolderParent(parent.path());
        MainForm->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(MainForm));
        page = MainForm->ResultsPage();
        ASSERT_NE(page, nullptr);
        frmOutPut->tabData->setCurrentWidget(page);
        before = MainForm->MdiArea()->subWindowList().size();
        previousDelete = TfrmResultsPage::DeletePrompt();
        previousFolder = TfrmResultsPage::FolderPrompt();
        previousShower = TfrmResultsPage::FolderShower();
        previousRemove = TfrmResultsPage::RemoveFolderPrompt();
    }
    void TearDown() override
    {
        TfrmResultsPage::DeletePrompt() = previousDelete;
        TfrmResultsPage::FolderPrompt() = previousFolder;
        TfrmResultsPage::FolderShower() = previousShower;
        TfrmResultsPage::RemoveFolderPrompt() = previousRemove;
        DestroyApplicationWindows();
    }

    QDir DataFolder() const { return QDir(parent.filePath(QStringLiteral("dat"))); }
    QString Folder(const char* name) const { return DataFolder().filePath(QLatin1String(name)); }
    void Click(const char* button)
    {
        auto* b = page->findChild<QPushButton*>(QLatin1String(button));
        ASSERT_NE(b, nullptr) << button;
        ASSERT_TRUE(b->isEnabled()) << button;
        QTest::mouseClick(b, Qt::LeftButton);
    }
    QList<QMdiSubWindow*> Opened() const
    {
        return MainForm->MdiArea()->subWindowList(QMdiArea::CreationOrder).mid(before);
    }

    static constexpr const char* kOlder = "D2Q9_ren_100Gx_21_Gy_21_20261210-200000";
    static constexpr const char* kNewer = "D2Q9_ren_100Gx_17_Gy_17_20261211-070000";
    static QTemporaryDir* runs;
    static int status;
    QTemporaryDir parent;
    TfrmResultsPage* page = nullptr;
    MessageRecorder messages;
    int before = 0;
    std::function<bool(QWidget*, const QString&)> previousDelete;
    std::function<QString(QWidget*)> previousFolder;
    std::function<bool(const QUrl&)> previousShower;
    std::function<QString(QWidget*, const QStringList&)> previousRemove;
};

QTemporaryDir* ResultsPageTest::runs = nullptr;
int ResultsPageTest::status = 0;

TEST_F(ResultsPageTest, CompareDrawsTheSelectedRunsInOneChart)
{
    TResultsList* list = page->List();
    ASSERT_EQ(list->Count(), 2);
    EXPECT_EQ(list->Run(0).folder, Folder(kNewer));
    // One of them has a force history.
    QFile forces(QDir(Folder(kOlder)).filePath(QStringLiteral("forces.csv")));
    ASSERT_TRUE(forces.open(QIODevice::WriteOnly));
    forces.write("step,cd,cl\n100,2.5,0.5\n200,2.25,0.25\n");
    forces.close();

    page->SelectRows({0, 1});
    Click("btnResultsCompare");
    const QList<QMdiSubWindow*> subs = Opened();
    ASSERT_EQ(subs.size(), 1);
    auto* chart = qobject_cast<TfrmCompareChart*>(subs[0]->widget());
    ASSERT_NE(chart, nullptr);
    EXPECT_EQ(MainForm->MdiArea()->currentSubWindow(), subs[0]);

    const QString newer = QStringLiteral("D2Q9 ren 100Gx 17 Gy 17"),
                  older = QStringLiteral("D2Q9 ren 100Gx 21 Gy 21");
    const QStringList names = SeriesNames(chart->Profiles());
    for (const QString& name :
         {newer + QStringLiteral(": u(y)"), newer + QStringLiteral(": v(x)"),
          older + QStringLiteral(": u(y)"), older + QStringLiteral(": v(x)"),
          QStringLiteral("u, Ghia et al. 1982, Re 100"), QStringLiteral("v, Ghia et al. 1982, Re 100")})
        EXPECT_TRUE(names.contains(name)) << name.toStdString();
    EXPECT_EQ(names.size(), 6) << "the published points once for the one Reynolds number";
    // Each run's own profile, point for point: u drawn against y.
    const ResultsSeries series = TResultsList::Series(list->Run(1));
    ASSERT_EQ(series.u.size(), 21u + 2u);
    const QList<QPointF> u = Points(chart->Profiles(), older + QStringLiteral(": u(y)"));
    ASSERT_EQ(u.size(), 23);
    for (int i = 0; i < u.size(); ++i)
        EXPECT_EQ(u[i], QPointF(series.u[std::size_t(i)].second, series.u[std::size_t(i)].first));
    EXPECT_EQ(Points(chart->Profiles(), newer + QStringLiteral(": u(y)")).size(), 19);

    // The forces chart shows the one history there is.
    EXPECT_EQ(SeriesNames(chart->Forces()),
              (QStringList{older + QStringLiteral(": cD"), older + QStringLiteral(": cL")}));
    EXPECT_EQ(Points(chart->Forces(), older + QStringLiteral(": cD")),
              (QList<QPointF>{{100, 2.5}, {200, 2.25}}));
    EXPECT_TRUE(chart->findChild<QChartView*>(QStringLiteral("ForcesView"))->isVisible());

    // Saved as numbers, every series goes along.
    QTemporaryDir out;
    const QString csv = out.filePath(QStringLiteral("compare.csv"));
    ASSERT_EQ(chart->SaveTo(csv), QString());
    QFile saved(csv);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(saved.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("profiles,D2Q9 ren 100Gx 17 Gy 17: u(y),")));
    EXPECT_TRUE(text.contains(QStringLiteral("forces,D2Q9 ren 100Gx 21 Gy 21: cL,200,0.25\n")));
}

TEST_F(ResultsPageTest, ARunWithoutSeriesIsSaidAndTheRestCompared)
{
    QFile::remove(QDir(Folder(kNewer)).filePath(QStringLiteral("u_centreline.csv")));
    QFile::remove(QDir(Folder(kNewer)).filePath(QStringLiteral("v_centreline.csv")));
    QFile cut(QDir(Folder(kOlder)).filePath(QStringLiteral("v_centreline.csv")));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write("x,v\n0,0\n0.5,zero\n");
    cut.close();
    page->Refresh();
    page->SelectRows({0, 1});
    Click("btnResultsCompare");
    ASSERT_EQ(Opened().size(), 1);
    auto* chart = qobject_cast<TfrmCompareChart*>(Opened()[0]->widget());
    ASSERT_NE(chart, nullptr);
    EXPECT_EQ(SeriesNames(chart->Profiles()).filter(QStringLiteral("D2Q9")),
              QStringList{QStringLiteral("D2Q9 ren 100Gx 21 Gy 21: u(y)")});
    const QString log = frmOutPut->reMsg->toPlainText();
    EXPECT_TRUE(log.contains(QStringLiteral("v_centreline.csv\": line 3 is not two finite numbers")))
        << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("has no centre lines or forces to compare")))
        << log.toStdString();
    EXPECT_TRUE(messages.Errors.isEmpty());
}

TEST_F(ResultsPageTest, OpenDeleteShowAndAddAFolder)
{
    TResultsList* list = page->List();
    ASSERT_EQ(list->Count(), 2);

    // Open: the run's field view and chart, as File > Open gives them.
    page->SelectRows({1});
    Click("btnResultsOpen");
    ASSERT_EQ(Opened().size(), 2);
    EXPECT_NE(qobject_cast<TfrmPlot*>(Opened()[0]->widget()), nullptr);
    EXPECT_NE(qobject_cast<TfrmTaskChart*>(Opened()[1]->widget()), nullptr);

    // Show Folder hands the run's folder to the desktop.
    QList<QUrl> shown;
    TfrmResultsPage::FolderShower() = [&](const QUrl& url) {
        shown.append(url);
        return true;
    };
    page->SelectRows({1});
    Click("btnResultsShowFolder");
    EXPECT_EQ(shown, QList<QUrl>{QUrl::fromLocalFile(Folder(kOlder))});

    // Delete asks first; No keeps it, Yes removes that folder alone.
    QStringList asked;
    bool answer = false;
    TfrmResultsPage::DeletePrompt() = [&](QWidget*, const QString& question) {
        asked.append(question);
        return answer;
    };
    page->SelectRows({0});
    Click("btnResultsDelete");
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(asked[0].contains(QDir::toNativeSeparators(Folder(kNewer))));
    EXPECT_TRUE(QFileInfo::exists(Folder(kNewer)));
    EXPECT_EQ(list->Count(), 2);
    answer = true;
    page->SelectRows({0});
    Click("btnResultsDelete");
    EXPECT_FALSE(QFileInfo::exists(Folder(kNewer)));
    EXPECT_TRUE(QFileInfo::exists(QDir(Folder(kOlder)).filePath(QStringLiteral("summary.json"))));
    ASSERT_EQ(list->Count(), 1);
    // A folder that holds something else is refused before asking.
    QFile extra(QDir(Folder(kOlder)).filePath(QStringLiteral("notes.txt")));
    ASSERT_TRUE(extra.open(QIODevice::WriteOnly));
    extra.close();
    page->SelectRows({0});
    Click("btnResultsDelete");
    EXPECT_EQ(asked.size(), 2);
    ASSERT_EQ(messages.Plain.size(), 1);
    EXPECT_TRUE(messages.Plain[0].contains(QStringLiteral("notes.txt")));
    EXPECT_TRUE(QFileInfo::exists(Folder(kOlder)));

    // Add Folder lists the runs of a folder elsewhere, as a cluster's.
    QTemporaryDir cluster;
    const QDir from(Folder(kOlder));
    const QDir to(cluster.filePath(QStringLiteral("D2Q9_ren_100Gx_21_Gy_21_20261212-030000")));
    ASSERT_TRUE(QDir().mkpath(to.path()));
    for (const QString& file :
         from.entryList({QStringLiteral("*.json"), QStringLiteral("*.csv")}, QDir::Files))
        ASSERT_TRUE(QFile::copy(from.filePath(file), to.filePath(file)));
    TfrmResultsPage::FolderPrompt() = [&](QWidget*) { return cluster.path(); };
    Click("btnResultsAddFolder");
    ASSERT_EQ(list->Count(), 2);
    EXPECT_EQ(list->Run(0).folder, to.path());
    EXPECT_EQ(page->Table()->model()->rowCount(), 2);

    // Remove Folder lists it no more and leaves its runs on the disk.
    QStringList offered;
    TfrmResultsPage::RemoveFolderPrompt() = [&](QWidget*, const QStringList& folders) {
        offered = folders;
        return folders.value(0);
    };
    Click("btnResultsRemoveFolder");
    EXPECT_EQ(offered, QStringList{QDir::toNativeSeparators(cluster.path())});
    EXPECT_EQ(list->Count(), 1);
    EXPECT_TRUE(QFileInfo::exists(to.filePath(QStringLiteral("summary.json"))));
    EXPECT_FALSE(page->findChild<QPushButton*>(QStringLiteral("btnResultsRemoveFolder"))->isEnabled());
}

TEST_F(ResultsPageTest, AddedFoldersAreKeptInTheSettingsFileForTheNextSession)
{
    QTemporaryDir cluster;
    const QString ini = parent.filePath(QStringLiteral("corvane.INI"));
    {
        QFile file(ini);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Tasks]\r\nTask1=D2Q9 ren 100Gx 17 Gy 17\r\n");
    }
    // Each session's frame on the test's settings file alone.
    const auto session = [&] {
        DestroyApplicationWindows();
        CreateApplicationWindows();
        MainForm->SetResultsFoldersStore({}, {});
        for (const QString& folder : MainForm->ResultsPage()->List()->AddedFolders())
            MainForm->ResultsPage()->List()->RemoveFolder(folder);
        KeepResultsFoldersIn(MainForm, ini);
        return MainForm->ResultsPage()->List();
    };
    KeepResultsFoldersIn(MainForm, ini);
    TfrmResultsPage::FolderPrompt() = [&](QWidget*) { return cluster.path(); };
    Click("btnResultsAddFolder");
    // The next session, on the same settings file: the folder is listed again.
    EXPECT_EQ(session()->AddedFolders(), QStringList{cluster.path()});
    QFile file(ini);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.startsWith("[Tasks]\r\nTask1=D2Q9 ren 100Gx 17 Gy 17\r\n")) << text.toStdString();
    // Removed, it is gone from the file too; a folder gone from the disk is left out.
    MainForm->ResultsPage()->List()->RemoveFolder(cluster.path());
    EXPECT_TRUE(session()->AddedFolders().isEmpty());
    MainForm->ResultsPage()->List()->AddFolder(cluster.path());
    ASSERT_TRUE(cluster.remove());
    EXPECT_TRUE(session()->AddedFolders().isEmpty());
    MainForm->SetResultsFoldersStore({}, {});
}

} // namespace
