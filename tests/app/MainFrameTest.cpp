// SPDX-License-Identifier: GPL-3.0-or-later
#include "Globals.h"
#include "ImageList.h"
#include "StartedFrame.h"
#include "Startup.h"
#include "TAboutBox.h"
#include "TMainForm.h"
#include "TestSupport.h"
#include "TfrmAddTask.h"
#include "TfrmEnviroment.h"
#include "TfrmOutPut.h"
#include "TfrmPlot.h"
#include "TfrmWorkSpace.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QDockWidget>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QSet>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWindow>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <vector>

// Takes the URLs the program asks the desktop to open.
class UrlCatcher : public QObject {
    Q_OBJECT

public:
    explicit UrlCatcher(const QString& scheme) : FScheme(scheme)
    {
        QDesktopServices::setUrlHandler(scheme, this, "open");
    }
    ~UrlCatcher() override { QDesktopServices::unsetUrlHandler(FScheme); }
    QList<QUrl> Urls;

public slots:
    void open(const QUrl& url) { Urls.append(url); }

private:
    QString FScheme;
};

namespace {

class MainFrameTest : public StartedFrameTest {
protected:
    static void CloseView(const QString& caption)
    {
        for (QMdiSubWindow* sub : MainForm->MdiArea()->subWindowList())
            if (sub->widget()->windowTitle() == caption) {
                QPointer<QMdiSubWindow> gone = sub;
                sub->close();
                ASSERT_TRUE(QTest::qWaitFor([&] { return gone.isNull(); }));
                QTest::qWait(1);
                return;
            }
        FAIL() << "no view " << caption.toStdString();
    }

    MessageRecorder messages;
};

} // namespace

TEST(AboutBox, TheMarqueeStepsThroughItsTitleAndGoesOnAfterEachShowing)
{
    TAboutBox box;
    EXPECT_EQ(box.ProductName->text(), QStringLiteral("Corvane"));
    const QString text = TAboutBox::MarqueeText();
    ASSERT_EQ(text.size(), 31);
    box.Timer1Timer();
    EXPECT_EQ(box.ProductName->text(), QStringLiteral("Corvane   ")) << "the first window of ten characters";
    for (int position = 2; position <= 14; ++position) {
        box.Timer1Timer();
        EXPECT_EQ(box.ProductName->text(), text.mid(position - 1, 10));
    }
    box.Timer1Timer();
    EXPECT_EQ(box.ProductName->text(), QString()) << "the step after position 14 is empty";
    box.Timer1Timer();
    EXPECT_EQ(box.ProductName->text(), QStringLiteral("Corvane   "));

    EXPECT_FALSE(box.Timer1->isActive());
    box.show();
    EXPECT_TRUE(box.Timer1->isActive());
    EXPECT_EQ(box.size(), QSize(349, 103));
    ASSERT_TRUE(QTest::qWaitFor([&] { return box.MarqueePosition() >= 3; }));
    box.hide();
    EXPECT_FALSE(box.Timer1->isActive());
    const int stopped = box.MarqueePosition();
    box.show();
    box.Timer1Timer();
    EXPECT_EQ(box.MarqueePosition(), (stopped + 1) % 15) << "showing again continues";
    box.close();
    EXPECT_FALSE(box.Timer1->isActive());
}

TEST(AboutBox, TheLicenceIsNamedWhollyInsideTheBox)
{
    TAboutBox box;
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    EXPECT_TRUE(box.License->text().contains(QStringLiteral("GNU GPL, version 3 or later")));
    EXPECT_TRUE(box.License->toolTip().startsWith(QStringLiteral("GPL-3.0-or-later")));
    const QRect shown(box.License->mapTo(&box, QPoint(0, 0)), box.License->sizeHint());
    EXPECT_TRUE(box.rect().contains(shown)) << "not cut off by the box's edge";
    box.hide();
}

TEST(AboutBox, TheMailAddressTurnsRedUnderThePointerAndOpensAMessage)
{
    TAboutBox box;
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    auto colour = [&] { return box.Comments->palette().color(QPalette::WindowText); };
    auto moveOver = [](QWidget* w) {
        QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &move);
    };
    EXPECT_EQ(colour(), QColor(Qt::blue));
    moveOver(box.Comments);
    EXPECT_EQ(colour(), QColor(Qt::red));
    moveOver(box.Panel1);
    EXPECT_EQ(colour(), QColor(Qt::blue));
    moveOver(box.Comments);
    moveOver(box.ProductName);
    EXPECT_EQ(colour(), QColor(Qt::blue));

    UrlCatcher mail(QStringLiteral("mailto"));
    QTest::mouseClick(box.Comments, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
    ASSERT_EQ(mail.Urls.size(), 1);
    EXPECT_EQ(mail.Urls.first(),
              QUrl(QStringLiteral("mailto:corvane@example.org?subject=About Veltrane&body=Dear Mr.Talbrin")));
}

TEST(AboutBox, TheMailLinkOpensOnlyWhenPressedAndReleasedOnIt)
{
    TAboutBox box;
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    const QPoint onLink = box.Comments->geometry().center();
    const QPoint offLink = box.ProgramIcon->geometry().center();
    ASSERT_FALSE(box.Comments->geometry().contains(offLink));
    enum Step { PressOn, PressOff, MoveOn, MoveOff, ReleaseOn, ReleaseOff, RightPressOn, RightReleaseOn };
    const struct {
        const char* name;
        std::vector<Step> steps;
        int opened;
    } cases[] = {
        {"pressed and released on it", {PressOn, ReleaseOn}, 1},
        {"dragged off and released there", {PressOn, MoveOff, ReleaseOff}, 0},
        {"dragged off and back", {PressOn, MoveOff, MoveOn, ReleaseOn}, 1},
        {"pressed elsewhere, released on it", {PressOff, MoveOn, ReleaseOn}, 0},
        {"right button", {RightPressOn, RightReleaseOn}, 0},
        {"a release on it after a drag off, then a click",
         {PressOn, ReleaseOff, ReleaseOn, PressOn, ReleaseOn},
         1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        UrlCatcher mail(QStringLiteral("mailto"));
        // Events go to the box's window, as the window system sends them; Qt
        // hands each release to the widget the press went to.
        QWindow* window = box.windowHandle();
        for (Step step : c.steps) {
            const QPoint at = box.Panel1->mapTo(
                &box, step == PressOff || step == MoveOff || step == ReleaseOff ? offLink : onLink);
            switch (step) {
            case PressOn:
            case PressOff:
                QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, at);
                break;
            case MoveOn:
            case MoveOff:
                QTest::mouseMove(window, at);
                break;
            case ReleaseOn:
            case ReleaseOff:
                QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, at);
                break;
            case RightPressOn:
                QTest::mousePress(window, Qt::RightButton, Qt::NoModifier, at);
                break;
            case RightReleaseOn:
                QTest::mouseRelease(window, Qt::RightButton, Qt::NoModifier, at);
                break;
            }
        }
        EXPECT_EQ(mail.Urls.size(), c.opened);
    }
}

TEST_F(MainFrameTest, NewNumbersViewsByTheLowestFreeNumber)
{
    MainForm->Action("FileNew1")->trigger();
    MainForm->ToolButton("tbNew1")->click();
    EXPECT_EQ(Captions(), QStringList({"Fig.1", "Fig.2", "Fig.3"}));
    EXPECT_EQ(MainForm->ActiveView()->windowTitle(), QStringLiteral("Fig.3"));
    CloseView(QStringLiteral("Fig.1"));
    MainForm->Action("FileNew1")->trigger();
    EXPECT_EQ(Captions(), QStringList({"Fig.2", "Fig.3", "Fig.1"}));
    CloseView(QStringLiteral("Fig.2"));
    CloseView(QStringLiteral("Fig.3"));
    CloseView(QStringLiteral("Fig.1"));
    EXPECT_FALSE(MainForm->Action("WindowCascade1")->isEnabled());
    EXPECT_FALSE(MainForm->Action("FileClose1")->isEnabled());
    MainForm->Action("FileNew1")->trigger();
    EXPECT_EQ(Captions(), QStringList({"Fig.1"}));
    EXPECT_TRUE(MainForm->Action("WindowTileVertical1")->isEnabled());
    EXPECT_TRUE(MainForm->Action("FileClose1")->isEnabled());
    ASSERT_TRUE(WaitForContext(MainForm->ActiveView()));
    EXPECT_EQ(MainForm->ActiveView()->GetTool(), mtSelect);
}

TEST_F(MainFrameTest, TheWindowMenuListsTheViewsAndArrangesThem)
{
    MainForm->Action("FileNew1")->trigger();
    MainForm->Menu("WindowMenu")->popup(MainForm->mapToGlobal(QPoint(100, 30)));
    QTest::qWait(20);
    QStringList entries;
    for (QAction* a : MainForm->Menu("WindowMenu")->actions())
        if (!a->isSeparator())
            entries << a->text();
    EXPECT_EQ(entries, QStringList({"&Cascade", "Tile &Horizontally", "Tile &Vertically", "&Minimize All",
                                    "&Arrange All", "&1 Fig.1", "&2 Fig.2"}));
    MainForm->Menu("WindowMenu")->actions().at(6)->trigger(); // "Fig.1"
    MainForm->Menu("WindowMenu")->hide();
    EXPECT_EQ(MainForm->ActiveView(), frmPlot);

    const QRect area = MainForm->MdiArea()->viewport()->rect();
    MainForm->Action("WindowTileVertical1")->trigger();
    QList<QMdiSubWindow*> subs = MainForm->MdiArea()->subWindowList(QMdiArea::CreationOrder);
    EXPECT_EQ(subs[0]->geometry(), QRect(0, 0, area.width() / 2, area.height()));
    EXPECT_EQ(subs[1]->geometry().left(), area.width() / 2);
    MainForm->Action("WindowTileHorizontal1")->trigger();
    EXPECT_EQ(subs[1]->geometry(), QRect(0, area.height() / 2, area.width(), area.height() / 2));
    MainForm->Action("WindowMinimizeAll1")->trigger();
    EXPECT_TRUE(subs[0]->isMinimized());
    EXPECT_TRUE(subs[1]->isMinimized());
    MainForm->Action("WindowArrangeAll1")->trigger();
    EXPECT_EQ(subs[0]->geometry().bottom(), area.bottom());
    EXPECT_EQ(subs[1]->geometry().left(), subs[0]->geometry().right() + 1);
}

// A view's title bar: the strip above its client area.
static int TitleBarHeight(const QMdiSubWindow* sub) { return sub->widget()->geometry().top(); }

TEST_F(MainFrameTest, NewViewsOpenInsideTheAreaCascadingFromThePreviousOne)
{
    const struct {
        const char* name;
        QSize frame;
        int views;
        bool viewFits, wraps;
    } cases[] = {
        {"the frame as it starts", QSize(704, 639), 10, true, true},
        {"a large frame", QSize(1200, 1000), 5, true, false},
        {"a frame too small for a view", QSize(520, 420), 3, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MainForm->resize(c.frame);
        QTest::qWait(50);
        const QRect area = MainForm->MdiArea()->viewport()->rect();
        int cascaded = 0, wrapped = 0, step = -1;
        QMdiSubWindow* previous = MainForm->MdiArea()->subWindowList(QMdiArea::CreationOrder).last();
        for (int i = 0; i < c.views; ++i) {
            MainForm->Action("FileNew1")->trigger();
            QMdiSubWindow* sub = MainForm->ActiveView()->SubWindow();
            const QRect r = sub->geometry();
            EXPECT_EQ(sub->widget()->size(), QSize(300, 300));
            ASSERT_EQ(area.contains(r), c.viewFits) << "view " << i << " at " << r.x() << ", " << r.y();
            if (!c.viewFits) {
                EXPECT_EQ(r.top(), 0);
                EXPECT_LE(r.left(), 5);
                continue;
            }
            // Cascading: one step (a title bar) down and right of the previous
            // view, or back at the first view's place when that would leave the area.
            const QPoint moved = r.topLeft() - previous->geometry().topLeft();
            if (step < 0 && moved.x() > 0) {
                step = moved.x();
                EXPECT_GE(step, TitleBarHeight(sub)) << "the previous view's title bar stays visible";
                EXPECT_LE(step, 2 * TitleBarHeight(sub));
            }
            if (moved == QPoint(step, step)) {
                ++cascaded;
            } else {
                EXPECT_EQ(r.topLeft(), QPoint(5, 0)) << "view " << i;
                EXPECT_FALSE(area.contains(previous->geometry().translated(step, step))) << "view " << i;
                ++wrapped;
            }
            previous = sub;
        }
        if (c.viewFits) {
            EXPECT_GE(cascaded, 3);
            EXPECT_EQ(wrapped > 0, c.wraps);
        }
        for (QMdiSubWindow* sub : MainForm->MdiArea()->subWindowList())
            if (sub->widget() != frmPlot)
                delete sub;
    }
}

TEST_F(MainFrameTest, NewWhileTheViewsAreMaximisedGivesAMaximisedViewThatRestoresTo300By300)
{
    const struct {
        const char* name;
        std::function<void()> newView;
    } cases[] = {{"File > New", [] { MainForm->Action("FileNew1")->trigger(); }},
                 {"the New tool button", [] { MainForm->ToolButton("tbNew1")->click(); }}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MainForm->ActiveView()->SubWindow()->showMaximized();
        QTest::qWait(20);
        QMdiSubWindow* before = MainForm->ActiveView()->SubWindow();
        c.newView();
        QTest::qWait(20);
        QMdiSubWindow* sub = MainForm->ActiveView()->SubWindow();
        ASSERT_NE(sub, before);
        const QRect area = MainForm->MdiArea()->viewport()->rect();
        EXPECT_TRUE(sub->isMaximized());
        EXPECT_EQ(sub->geometry(), area);
        EXPECT_EQ(sub->widget()->size(), area.size()) << "the picture fills the area and takes the mouse";

        sub->showNormal();
        QTest::qWait(20);
        EXPECT_EQ(sub->widget()->size(), QSize(300, 300));
        EXPECT_TRUE(area.contains(sub->geometry())) << "title bar and close button inside the area";
    }
}

TEST_F(MainFrameTest, CascadeKeepsEachViewsSizeClippedToTheArea)
{
    const struct {
        const char* name;
        std::function<void()> cascade;
    } cases[] = {{"Window > Cascade", [] { MainForm->Action("WindowCascade1")->trigger(); }},
                 {"the Cascade tool button", [] { MainForm->ToolButton("ToolButton21")->click(); }}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        while (MainForm->MdiArea()->subWindowList().size() < 4)
            MainForm->Action("FileNew1")->trigger();
        QList<QMdiSubWindow*> subs = MainForm->MdiArea()->subWindowList(QMdiArea::CreationOrder);
        const QRect area = MainForm->MdiArea()->viewport()->rect();
        subs[1]->resize(200, 150);
        subs[2]->resize(area.width() + 100, 120); // wider than the area
        QList<QSize> sizes;
        for (QMdiSubWindow* sub : subs)
            sizes << sub->size();
        sizes[2].setWidth(area.width());
        subs[3]->showMaximized(); // comes back at its own size
        MainForm->MdiArea()->setActiveSubWindow(subs[1]);
        QTest::qWait(20);

        c.cascade();
        QTest::qWait(20);
        QList<QMdiSubWindow*> stacked = MainForm->MdiArea()->subWindowList(QMdiArea::StackingOrder);
        EXPECT_EQ(stacked.last(), subs[1]) << "the active view in front";
        EXPECT_EQ(MainForm->MdiArea()->currentSubWindow(), subs[1]);
        for (int i = 0; i < subs.size(); ++i) {
            EXPECT_FALSE(subs[i]->isMaximized());
            EXPECT_EQ(subs[i]->size(), sizes[i]) << subs[i]->widget()->windowTitle().toStdString();
            EXPECT_TRUE(area.contains(subs[i]->geometry())) << subs[i]->widget()->windowTitle().toStdString();
        }
        // From back to front each view lies a title bar further down and
        // right, or starts again at the top-left.
        for (int i = 1; i < stacked.size(); ++i) {
            const QPoint step = stacked[i]->pos() - stacked[i - 1]->pos();
            if (stacked[i]->pos() != QPoint(0, 0)) {
                EXPECT_EQ(step.x(), step.y());
                EXPECT_GE(step.y(), TitleBarHeight(stacked[i]));
            }
        }
        EXPECT_EQ(stacked.first()->pos(), QPoint(0, 0));
    }
}

TEST_F(MainFrameTest, MenuEntriesAndToolButtonsAreAsListed)
{
    // Scene files and the commands on the active view work (a view is open).
    for (QAction* a :
         {MainForm->Action("FileOpen1"), MainForm->Action("FileSave1"), MainForm->Action("EditClear1"),
          MainForm->Action("CopyItem"), MainForm->Action("SetPictureProperty1"),
          MainForm->Action("Enviroment1"), MainForm->Action("RunTasks1")})
        EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
    // Pause and Stop act on running tasks only.
    EXPECT_FALSE(MainForm->Action("Pause1")->isEnabled());
    EXPECT_FALSE(MainForm->Action("StopTasks1")->isEnabled());
    const QList<QAction*> run = MainForm->Menu("RunMenu")->actions();
    ASSERT_EQ(run.size(), 8);
    EXPECT_EQ(run.mid(0, 4), (QList<QAction*>{MainForm->Action("Generate"), MainForm->Action("RunTasks1"),
                                              MainForm->Action("Pause1"), MainForm->Action("StopTasks1")}));
    EXPECT_TRUE(run[4]->isSeparator());
    EXPECT_EQ(run[5], MainForm->Action("ExportJobScript1"));
    EXPECT_TRUE(run[6]->isSeparator());
    EXPECT_EQ(run[7], MainForm->Action("Streamlines1"));
    EXPECT_TRUE(MainForm->ToolButton("tbOpen1")->isEnabled());
    EXPECT_EQ(MainForm->Action("FileNew1")->shortcut(), QKeySequence(QStringLiteral("Ctrl+N")));
    EXPECT_EQ(MainForm->Action("WorkSpace1")->text(), QStringLiteral("Worspace"));
    EXPECT_TRUE(MainForm->Action("ViewOutput1")->isChecked());
    EXPECT_TRUE(MainForm->Action("WorkSpace1")->isChecked());
    EXPECT_FALSE(MainForm->Action("StayOnTop1")->isChecked());
    EXPECT_EQ(MainForm->Action("HomePage1")->text(), TMainForm::HomePageAddress());
    EXPECT_EQ(MainForm->Menu("EditMenu")->menuAction()->statusTip(), QStringLiteral("Edit commands"));

    QStringList buttons;
    for (QAction* a : MainForm->ToolBar4()->actions()) {
        QWidget* w = MainForm->ToolBar4()->widgetForAction(a);
        buttons << (a->isSeparator() ? QStringLiteral("|") : w ? w->objectName() : QString());
    }
    EXPECT_EQ(
        buttons,
        QStringList({"tbNew1",       "tbOpen1",      "tbSave1",      "|", "tbCopy1", "tbClear1", "|",
                     "ToolButton21", "ToolButton22", "ToolButton24", "|", "tbLeft1", "tbRight1", "tbTop1",
                     "tbDown1",      "tbZoom1",      "tbZoomIn1",    "|", "tbRun1",  "tbPause",  "|",
                     "tbAbout1"}));
    EXPECT_TRUE(MainForm->ToolButton("tbZoom1")->isCheckable());
    for (int i = 0; i < corvane::kImageListCount; ++i)
        EXPECT_FALSE(corvane::ImageListIcon(i).pixmap(16, 16).isNull()) << "image " << i;
}

TEST_F(MainFrameTest, EveryCommandTheMenusAndTheToolBarShowIsFoundByItsName)
{
    // The lists the menus make as they open (the windows, the recent files)
    // are entries without names; everything else is a registered command.
    MainForm->SetRecentFilesStore({}, {}); // kept in memory only
    MainForm->AddRecentFile(QStringLiteral("/nowhere/a.cvs"));
    QSet<QAction*> shown;
    std::function<void(QMenu*)> walk = [&](QMenu* menu) {
        EXPECT_EQ(MainForm->Menu(menu->objectName()), menu) << menu->objectName().toStdString();
        for (QAction* a : menu->actions()) {
            if (a->isSeparator())
                continue;
            if (a->menu()) {
                walk(a->menu());
                continue;
            }
            if (a->objectName().isEmpty()) {
                EXPECT_TRUE(menu == MainForm->Menu("WindowMenu") || menu == MainForm->Menu("RecentMenu"))
                    << "an unnamed entry in " << menu->objectName().toStdString();
                continue;
            }
            EXPECT_EQ(MainForm->Action(a->objectName()), a) << a->objectName().toStdString();
            shown.insert(a);
        }
    };
    MainForm->Menu("WindowMenu")->popup(MainForm->mapToGlobal(QPoint(100, 30))); // fills it
    QTest::qWait(10);
    MainForm->Menu("WindowMenu")->hide();
    for (QAction* top : MainForm->menuBar()->actions())
        walk(top->menu());
    // No command is registered that no menu shows.
    for (const QString& id : MainForm->Actions().ActionIds())
        EXPECT_TRUE(shown.contains(MainForm->Action(id))) << id.toStdString() << " is in no menu";

    for (QAction* a : MainForm->ToolBar4()->actions()) {
        auto* button = qobject_cast<QToolButton*>(MainForm->ToolBar4()->widgetForAction(a));
        if (!button)
            continue;
        EXPECT_EQ(MainForm->ToolButton(button->objectName()), button);
        if (QAction* bound = button->defaultAction()) {
            EXPECT_EQ(MainForm->Action(bound->objectName()), bound);
        }
    }
    EXPECT_THROW(MainForm->Action(QStringLiteral("FileNew2")), std::logic_error);
    EXPECT_THROW(MainForm->ToolButton(QStringLiteral("FileNew1")), std::logic_error);
}

TEST_F(MainFrameTest, TheStatusBarShowsTheHighlightedEntrysHint)
{
    MainForm->Menu("FileMenu")->popup(MainForm->mapToGlobal(QPoint(10, 30)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(MainForm->Menu("FileMenu")));
    QTest::mouseMove(MainForm->Menu("FileMenu"),
                     MainForm->Menu("FileMenu")->actionGeometry(MainForm->Action("FileNew1")).center());
    EXPECT_TRUE(QTest::qWaitFor([] {
        return MainForm->statusBar()->currentMessage() == QStringLiteral("Create a new file");
    })) << MainForm->statusBar()->currentMessage().toStdString();
    MainForm->Menu("FileMenu")->hide();
}

TEST_F(MainFrameTest, PanelTogglesAndTheClosedPanelReaction)
{
    QStatusBar* status = MainForm->statusBar();
    MainForm->Action("ViewOutput1")->trigger();
    EXPECT_FALSE(frmOutPut->isVisible());
    EXPECT_FALSE(MainForm->Action("ViewOutput1")->isChecked());
    MainForm->Action("ViewOutput1")->trigger();
    QTest::qWait(20);
    EXPECT_TRUE(frmOutPut->isVisible());
    EXPECT_TRUE(MainForm->Action("ViewOutput1")->isChecked());
    EXPECT_EQ(frmOutPut->height(), std::max(99, frmOutPut->minimumSizeHint().height()));
    EXPECT_LE(status->geometry().top() - frmOutPut->geometry().bottom(), 2)
        << "directly above the status bar";
    EXPECT_GT(status->geometry().top(), frmOutPut->geometry().bottom());

    MainForm->Action("WorkSpace1")->trigger();
    EXPECT_FALSE(frmWorkSpace->isVisible());
    MainForm->Action("WorkSpace1")->trigger();
    QTest::qWait(20);
    EXPECT_EQ(frmWorkSpace->width(), std::max(153, frmWorkSpace->minimumSizeHint().width()));

    // The floating Output panel closed by its own close command.
    frmOutPut->setFloating(true);
    QTest::qWait(20);
    frmOutPut->close();
    ASSERT_TRUE(QTest::qWaitFor([] { return !MainForm->Action("ViewOutput1")->isChecked(); }));
    EXPECT_FALSE(frmOutPut->isVisible());
    EXPECT_TRUE(MainForm->DockedClients(Qt::BottomDockWidgetArea).isEmpty());
    MainForm->Action("ViewOutput1")->trigger();
    QTest::qWait(20);
    EXPECT_TRUE(frmOutPut->isVisible());
    EXPECT_TRUE(frmOutPut->isFloating()) << "shown again where the user left it";
    EXPECT_TRUE(MainForm->Action("ViewOutput1")->isChecked());
}

TEST_F(MainFrameTest, PanelTogglesHideAndShowThePanelWhereTheUserPutIt)
{
    struct Case {
        const char* name;
        QDockWidget* panel;
        QAction* entry;
        std::function<void()> place;
    } cases[] = {
        {"Output floating", frmOutPut, MainForm->Action("ViewOutput1"),
         [] {
             frmOutPut->setFloating(true);
             frmOutPut->move(MainForm->geometry().topLeft() + QPoint(40, 60));
         }},
        {"WorkSpace floating", frmWorkSpace, MainForm->Action("WorkSpace1"),
         [] { frmWorkSpace->setFloating(true); }},
        {"WorkSpace docked at the bottom", frmWorkSpace, MainForm->Action("WorkSpace1"),
         [] { MainForm->addDockWidget(Qt::BottomDockWidgetArea, frmWorkSpace); }},
        {"Output docked at the left", frmOutPut, MainForm->Action("ViewOutput1"),
         [] { MainForm->addDockWidget(Qt::LeftDockWidgetArea, frmOutPut); }},
        {"WorkSpace tabbed behind Output", frmWorkSpace, MainForm->Action("WorkSpace1"),
         [] {
             MainForm->tabifyDockWidget(frmOutPut, frmWorkSpace);
             QTest::qWait(20);
             frmOutPut->raise();
         }},
        {"Output tabbed in front of WorkSpace", frmOutPut, MainForm->Action("ViewOutput1"),
         [] {
             MainForm->tabifyDockWidget(frmOutPut, frmWorkSpace);
             QTest::qWait(20);
             frmOutPut->raise();
         }},
    };
    // Both entries always tell whether their panel is shown.
    auto entriesInStep = [] {
        QTest::qWait(20);
        EXPECT_EQ(MainForm->Action("ViewOutput1")->isChecked(), !frmOutPut->isHidden());
        EXPECT_EQ(MainForm->Action("WorkSpace1")->isChecked(), !frmWorkSpace->isHidden());
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.place();
        QTest::qWait(20);
        const bool floating = c.panel->isFloating();
        const QRect floatingPlace = c.panel->geometry();
        const Qt::DockWidgetArea area = MainForm->dockWidgetArea(c.panel);
        const QList<QDockWidget*> tabbedWith = MainForm->tabifiedDockWidgets(c.panel);
        entriesInStep();
        EXPECT_TRUE(c.entry->isChecked());

        c.entry->trigger();
        EXPECT_TRUE(c.panel->isHidden());
        EXPECT_FALSE(c.entry->isChecked());
        entriesInStep();

        c.entry->trigger();
        QTest::qWait(20);
        EXPECT_TRUE(c.panel->isVisible()) << "shown, and in front of its tab group";
        EXPECT_TRUE(c.entry->isChecked());
        EXPECT_EQ(c.panel->isFloating(), floating);
        if (floating)
            EXPECT_EQ(c.panel->geometry().topLeft(), floatingPlace.topLeft());
        else
            EXPECT_EQ(MainForm->dockWidgetArea(c.panel), area);
        EXPECT_EQ(MainForm->tabifiedDockWidgets(c.panel), tabbedWith);
        entriesInStep();

        // Bring the panels back home for the next case.
        for (QDockWidget* panel :
             {static_cast<QDockWidget*>(frmOutPut), static_cast<QDockWidget*>(frmWorkSpace)}) {
            panel->setFloating(false);
            panel->show();
        }
        MainForm->addDockWidget(Qt::BottomDockWidgetArea, frmOutPut);
        MainForm->addDockWidget(Qt::LeftDockWidgetArea, frmWorkSpace);
        entriesInStep();
    }
}

TEST_F(MainFrameTest, ShutDownDestroysEveryWindowTheMostRecentFirst)
{
    const struct {
        const char* name;
        std::function<void()> before;
        QStringList order;
    } cases[] = {
        {"two views opened with New",
         [] {
             MainForm->Action("FileNew1")->trigger();
             MainForm->ToolButton("tbNew1")->click();
         },
         {"Fig.3", "Fig.2", "frmEnviroment", "frmAddTask", "frmWorkSpace", "frmOutPut", "Fig.1", "AboutBox",
          "MainForm"}},
        {"the first view closed, then New",
         [] {
             CloseView(QStringLiteral("Fig.1"));
             MainForm->Action("FileNew1")->trigger();
         },
         {"Fig.1", "frmEnviroment", "frmAddTask", "frmWorkSpace", "frmOutPut", "AboutBox", "MainForm"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (!MainForm) {
            CreateApplicationWindows();
            MainForm->show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(MainForm));
        }
        c.before();
        QStringList destroyed;
        auto watch = [&](QObject* window, const QString& name) {
            QObject::connect(window, &QObject::destroyed, [&destroyed, name] { destroyed << name; });
        };
        watch(MainForm, QStringLiteral("MainForm"));
        watch(AboutBox, QStringLiteral("AboutBox"));
        watch(frmOutPut, QStringLiteral("frmOutPut"));
        watch(frmWorkSpace, QStringLiteral("frmWorkSpace"));
        watch(frmAddTask, QStringLiteral("frmAddTask"));
        watch(frmEnviroment, QStringLiteral("frmEnviroment"));
        for (QMdiSubWindow* sub : MainForm->MdiArea()->subWindowList())
            watch(sub->widget(), sub->widget()->windowTitle());
        DestroyApplicationWindows();
        EXPECT_EQ(destroyed, c.order);
    }
}

TEST_F(MainFrameTest, AlwaysOnTopKeepsThePlaceAndSize)
{
    const QRect before = MainForm->geometry();
    MainForm->Action("StayOnTop1")->trigger();
    EXPECT_TRUE(MainForm->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(MainForm->isVisible());
    EXPECT_EQ(MainForm->geometry(), before);
    MainForm->Action("StayOnTop1")->trigger();
    EXPECT_FALSE(MainForm->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(MainForm->geometry(), before);
}

TEST_F(MainFrameTest, PrintingRestoresTheCursorHoweverTheDialogEnds)
{
    auto saved = TMainForm::PrintDialogRunner();
    const struct {
        const char* name;
        bool fails;
    } cases[] = {{"the dialog closes", false}, {"the dialog fails", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        bool ran = false;
        const QCursor* cursorOverDialog = nullptr;
        QString dialogClass;
        TMainForm::PrintDialogRunner() = [&](QPrintDialog& dialog, QPrinter&) -> bool {
            ran = true;
            cursorOverDialog = QApplication::overrideCursor();
            dialogClass = QString::fromLatin1(dialog.metaObject()->className());
            if (c.fails)
                throw std::runtime_error("no printer");
            return false;
        };
        MainForm->Action("FilePrint")->trigger();
        EXPECT_TRUE(ran);
        EXPECT_EQ(dialogClass, QStringLiteral("QPrintDialog"));
        EXPECT_EQ(cursorOverDialog, nullptr) << "no busy cursor over the dialog";
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(messages.Errors, c.fails ? QStringList{"no printer"} : QStringList());
        messages.Errors.clear();
    }
    TMainForm::PrintDialogRunner() = saved;
}

TEST_F(MainFrameTest, TheHomePageEntryOpensItsAddress)
{
    UrlCatcher web(QStringLiteral("https"));
    MainForm->Action("HomePage1")->trigger();
    ASSERT_EQ(web.Urls.size(), 1);
    EXPECT_EQ(web.Urls.first(), QUrl(TMainForm::HomePageAddress()));
}

TEST(DataFolder, IsFoundOrCreatedOrReported)
{
    QTemporaryDir dir;
    const QString expected = dir.filePath(QStringLiteral("dat")) + QLatin1Char('/');
    EXPECT_EQ(PrepareDataFolder(dir.path()), expected) << "created";
    EXPECT_TRUE(QFileInfo(expected).isDir());
    EXPECT_EQ(PrepareDataFolder(dir.path()), expected) << "found";
    // An installed copy's data folder is made with the folders above it.
    const QString nested = dir.filePath(QStringLiteral("share/corvane"));
    EXPECT_EQ(PrepareDataFolder(nested), nested + QStringLiteral("/dat/")) << "made with its parents";
    EXPECT_TRUE(QFileInfo(nested + QStringLiteral("/dat")).isDir());

    QTemporaryDir locked;
    QFile::setPermissions(locked.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const bool immutable =
        QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), locked.path()}) == 0;
    const QString path = QDir(locked.path()).filePath(QStringLiteral("dat")) + QLatin1Char('/');
    std::string error;
    try {
        PrepareDataFolder(locked.path());
    } catch (const std::exception& e) {
        error = e.what();
    }
    if (immutable)
        QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), locked.path()});
    QFile::setPermissions(locked.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (error.empty() && QFileInfo(path).isDir())
        GTEST_SKIP() << "no way to make a folder read-only here";
    EXPECT_EQ(error, "Cannot create" + path.toStdString());
}

#include "MainFrameTest.moc"
