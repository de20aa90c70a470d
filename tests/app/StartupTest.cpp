// SPDX-License-Identifier: GPL-3.0-or-later
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

#include <QAbstractNativeEventFilter>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QScreen>
#include <QStatusBar>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <stdexcept>
#include <vector>

#include <xcb/xcb.h>

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

namespace {

// Holds back the window system's notices that a window was mapped and exposed,
// as a slow window manager would, until Release hands them over.
class ExposureHold : public QAbstractNativeEventFilter {
public:
    ExposureHold() { QCoreApplication::instance()->installNativeEventFilter(this); }
    ~ExposureHold() override
    {
        Release();
        QCoreApplication::instance()->removeNativeEventFilter(this);
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override
    {
        if (!FHolding || type != "xcb_generic_event_t")
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        const int kind = event->response_type & 0x7f;
        if (kind != XCB_EXPOSE && kind != XCB_MAP_NOTIFY)
            return false;
        std::array<char, 32> copy;
        std::memcpy(copy.data(), event, copy.size());
        FHeld.push_back(copy);
        // Handed over from the event loop, once the window system has sent the
        // notice: late, whatever the machine's speed.
        if (FReleaseWhenHeld && kind == XCB_EXPOSE)
            QTimer::singleShot(0, [this] { Release(); });
        return true;
    }

    // Hands the notices over as soon as the first expose has been held back.
    void ReleaseWhenHeld() { FReleaseWhenHeld = true; }

    void Release()
    {
        FHolding = false;
        auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        if (!x11 || FHeld.empty())
            return;
        xcb_connection_t* connection = x11->connection();
        for (const auto& event : FHeld) {
            const bool expose = (event[0] & 0x7f) == XCB_EXPOSE;
            const xcb_window_t window =
                expose ? reinterpret_cast<const xcb_expose_event_t*>(event.data())->window
                       : reinterpret_cast<const xcb_map_notify_event_t*>(event.data())->window;
            xcb_send_event(connection, 0, window,
                           expose ? XCB_EVENT_MASK_EXPOSURE : XCB_EVENT_MASK_STRUCTURE_NOTIFY, event.data());
        }
        xcb_flush(connection);
        FHeld.clear();
    }

private:
    bool FHolding = true;
    bool FReleaseWhenHeld = false;
    std::vector<std::array<char, 32>> FHeld;
};

} // namespace

TEST_F(StartupTest, TheSplashIsPaintedOnlyOnceTheWindowSystemHasExposedIt)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs the X11 platform";
    const struct {
        const char* name;
        bool exposed; // late, during start-up; or not at all
    } cases[] = {{"exposed a little late", true}, {"never exposed", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ExposureHold hold;
        if (c.exposed)
            hold.ReleaseWhenHeld();
        ShowSplash();
        ASSERT_NE(Splash, nullptr);
        ASSERT_NE(Splash->windowHandle(), nullptr);
        EXPECT_EQ(Splash->windowHandle()->isExposed(), c.exposed)
            << "the wait ends with the expose, or its limit";
        if (c.exposed) {
            // On screen now, before the three seconds in which nothing is processed.
            // The screen is read back without processing events, until it
            // shows the picture or a generous limit passes: a slow server
            // may take a while to show what it was sent, but nothing more
            // is sent meanwhile.
            const QRect place = Splash->geometry();
            const QImage painted = Splash->grab().toImage();
            const std::array<QPoint, 4> points{QPoint(5, 5), QPoint(90, 110), QPoint(200, 100),
                                               QPoint(260, 200)};
            QImage screen;
            auto shown = [&] {
                screen = QGuiApplication::primaryScreen()
                             ->grabWindow(0, place.x(), place.y(), place.width(), place.height())
                             .toImage();
                for (QPoint at : points)
                    if (screen.pixel(at) != painted.pixel(at))
                        return false;
                return true;
            };
            QElapsedTimer clock;
            clock.start();
            while (!shown() && clock.elapsed() < 5000)
                QThread::msleep(20);
            for (QPoint at : points)
                EXPECT_EQ(QColor(screen.pixel(at)).name().toStdString(),
                          QColor(painted.pixel(at)).name().toStdString())
                    << at.x() << ", " << at.y();
        }
        hold.Release();
        DestroySplash();
    }
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
