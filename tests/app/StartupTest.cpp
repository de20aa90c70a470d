#include "Startup.h"
#include "Globals.h"
#include "TMainForm.h"
#include "TSplash.h"
#include "TestSupport.h"
#include "TfrmAddTask.h"
#include "TfrmEnviroment.h"
#include "TfrmOutPut.h"
#include "TfrmPlot.h"
#include "TfrmWorkSpace.h"

#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

// The windows of one start-up, destroyed again at the end of the test.
class StartupTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        DestroyApplicationWindows();
        DestroySplash();
        EXPECT_TRUE(messages.Errors.isEmpty()) << messages.Errors.join('\n').toStdString();
    }

    void StartAndShow()
    {
        CreateApplicationWindows();
        MainForm->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(MainForm));
        ASSERT_TRUE(WaitForContext(frmPlot));
    }

    MessageRecorder messages;
};

} // namespace

TEST_F(StartupTest, SplashShowsItsStretchedPictureUntilTheFrameIsCreated)
{
    ShowSplash();
    ASSERT_NE(Splash, nullptr);
    EXPECT_TRUE(Splash->isVisible());
    EXPECT_EQ(Splash->size(), QSize(273, 209));
    EXPECT_EQ(Splash->Image1()->geometry(), QRect(0, 0, 273, 209));
    EXPECT_TRUE(Splash->Image1()->hasScaledContents());
    EXPECT_EQ(Splash->Image1()->pixmap().size(), QSize(294, 220));

    QPointer<TSplash> splash = Splash;
    CreateApplicationWindows();
    EXPECT_TRUE(splash.isNull()) << "the frame's creation destroys the splash";
    EXPECT_EQ(Splash, nullptr);
    EXPECT_FALSE(MainForm->isVisible()) << "the frame shows only when the event loop starts";
}

TEST_F(StartupTest, CreatesTheWindowsInOrderAndStoresThemInTheirGlobals)
{
    StartAndShow();
    EXPECT_EQ(CreationOrder(), QStringList({"MainForm", "AboutBox", "frmPlot", "frmOutPut", "frmWorkSpace",
                                            "frmAddTask", "frmEnviroment"}));
    EXPECT_EQ(MainForm->windowTitle(), QStringLiteral("Corvane 0.75"));
    EXPECT_EQ(MainForm->size(), QSize(704, 639));
    EXPECT_TRUE(MainForm->statusBar()->currentMessage().startsWith(QStringLiteral("You CPU type is ")));

    ASSERT_EQ(MainForm->MdiArea()->subWindowList().size(), 1);
    EXPECT_EQ(MainForm->MdiArea()->subWindowList().first()->widget(), frmPlot);
    EXPECT_EQ(frmPlot->windowTitle(), QStringLiteral("Fig.1"));
    EXPECT_EQ(frmPlot->size(), QSize(300, 300));
    EXPECT_EQ(frmPlot->GetTool(), mtSelect);
    EXPECT_EQ(MainForm->ActiveView(), frmPlot);

    EXPECT_EQ(frmOutPut->windowTitle(), QStringLiteral("Output"));
    EXPECT_EQ(MainForm->dockWidgetArea(frmOutPut), Qt::BottomDockWidgetArea);
    EXPECT_EQ(frmWorkSpace->windowTitle(), QStringLiteral("WorkSpace"));
    EXPECT_EQ(MainForm->dockWidgetArea(frmWorkSpace), Qt::LeftDockWidgetArea);
    ASSERT_NE(AboutBox, nullptr);
    ASSERT_NE(frmAddTask, nullptr);
    ASSERT_NE(frmEnviroment, nullptr);
    EXPECT_FALSE(frmAddTask->isVisible());
    EXPECT_FALSE(frmEnviroment->isVisible());
    EXPECT_TRUE(messages.Plain.isEmpty()) << messages.Plain.join('\n').toStdString();

    DestroyApplicationWindows();
    EXPECT_EQ(MainForm, nullptr);
    EXPECT_EQ(frmPlot, nullptr);
    EXPECT_EQ(frmOutPut, nullptr);
    EXPECT_EQ(frmWorkSpace, nullptr);
    EXPECT_EQ(frmAddTask, nullptr);
    EXPECT_EQ(frmEnviroment, nullptr);
}

TEST_F(StartupTest, ClosingTheFirstViewClearsItsGlobal)
{
    StartAndShow();
    frmPlot->SubWindow()->close();
    ASSERT_TRUE(QTest::qWaitFor([] { return frmPlot == nullptr; }, 5000));
    EXPECT_EQ(MainForm->ActiveView(), nullptr);
}

TEST_F(StartupTest, DockAreasResizeAsPanelsAreDraggedOutAndBack)
{
    StartAndShow();
    // The sizes asked for, unless a panel's controls need more room.
    const int leftWidth = std::max(153, frmWorkSpace->minimumSizeHint().width());
    const int bottomHeight = std::max(99, frmOutPut->minimumSizeHint().height());
    MainForm->resizeDocks({frmWorkSpace}, {leftWidth + 60}, Qt::Horizontal);
    MainForm->resizeDocks({frmOutPut}, {bottomHeight + 40}, Qt::Vertical);
    QTest::qWait(20);
    ASSERT_EQ(frmWorkSpace->width(), leftWidth + 60);

    frmWorkSpace->setFloating(true);
    QTest::qWait(20);
    // Floating, the panel's frame adds to what its controls need.
    EXPECT_EQ(frmWorkSpace->width(), std::max(153, frmWorkSpace->minimumSizeHint().width()))
        << "a panel dragged out of the left area";

    frmWorkSpace->setFloating(false);
    QTest::qWait(20);
    EXPECT_EQ(MainForm->dockWidgetArea(frmWorkSpace), Qt::LeftDockWidgetArea);
    EXPECT_EQ(frmWorkSpace->width(), leftWidth) << "a panel docked into the left area";

    frmOutPut->setFloating(true);
    frmOutPut->setFloating(false);
    QTest::qWait(20);
    EXPECT_EQ(MainForm->dockWidgetArea(frmOutPut), Qt::BottomDockWidgetArea);
    EXPECT_EQ(frmOutPut->height(), bottomHeight) << "a panel docked into the bottom area";
    const QRect status = MainForm->statusBar()->geometry();
    EXPECT_GE(status.top(), frmOutPut->geometry().bottom()) << "the status bar stays below";
    EXPECT_EQ(MainForm->size(), QSize(704, 639));
}

TEST_F(StartupTest, ClosingTheFrameEndsTheEventLoopAndDestroysTheWindows)
{
    // Close the frame as soon as the event loop runs it.
    QTimer::singleShot(0, [] {
        QTimer::singleShot(200, [] {
            if (MainForm)
                MainForm->close();
        });
    });
    RunApplication(0);
    EXPECT_EQ(Splash, nullptr);
    EXPECT_EQ(MainForm, nullptr);
    EXPECT_EQ(frmPlot, nullptr);
}

TEST(Handlers, AnErrorRaisedInAHandlerIsShownInTheErrorBoxAndSwallowed)
{
    MessageRecorder messages;
    bool after = false;
    corvane::RunHandler([] { throw std::runtime_error("Cannot create /nowhere/dat"); });
    corvane::RunHandler([&] { after = true; });
    EXPECT_EQ(messages.Errors, QStringList{"Cannot create /nowhere/dat"});
    EXPECT_TRUE(after);
}
