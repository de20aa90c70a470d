// SPDX-License-Identifier: GPL-3.0-or-later
// What the program asks of the login manager when the tasks are completed,
// against a mock login manager on a private bus of the test's own.
#include "SessionEnd.h"
#include "Globals.h"
#include "Startup.h"
#include "TMainForm.h"
#include "TaskList.h"
#include "TaskRunner.h"
#include "TestSupport.h"
#include "TfrmEnviroment.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

// The private bus, started once for the program: the system bus connection
// is made once per process, so every test uses the same bus.
class PrivateBus : public ::testing::Environment {
public:
    void SetUp() override
    {
        FBus.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                   QStringLiteral("--print-address=1")});
        ASSERT_TRUE(FBus.waitForStarted()) << "dbus-daemon is not installed";
        ASSERT_TRUE(FBus.waitForReadyRead(10000));
        const QByteArray address = FBus.readLine().trimmed();
        ASSERT_FALSE(address.isEmpty());
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", address);
    }
    void TearDown() override
    {
        FBus.kill();
        FBus.waitForFinished();
    }

private:
    QProcess FBus;
};

[[maybe_unused]] ::testing::Environment* const g_bus = ::testing::AddGlobalTestEnvironment(new PrivateBus);

class SessionEndTest : public ::testing::Test {
protected:
    void TearDown() override { StopMock(); }

    // A mock login manager logging every call it gets; parameters as the
    // template takes them (JSON), e.g. what CanPowerOff answers.
    void StartMock(const QString& parameters = QStringLiteral("{}"))
    {
        mock = std::make_unique<QProcess>();
        mock->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        mock->start(QStringLiteral("/usr/bin/python3"),
                    {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--template"),
                     QStringLiteral("logind"), QStringLiteral("--system"), QStringLiteral("-l"), LogFile(),
                     QStringLiteral("-p"), parameters});
        ASSERT_TRUE(mock->waitForStarted());
        ASSERT_TRUE(QTest::qWaitFor(
            [] {
                return QDBusConnection::systemBus().interface()->isServiceRegistered(
                    QStringLiteral("org.freedesktop.login1"));
            },
            20000))
            << "the mock login manager did not come up (python3-dbusmock installed?)";
    }
    void StopMock()
    {
        if (!mock)
            return;
        mock->terminate();
        mock->waitForFinished();
        mock.reset();
        // Gone from the bus, so that the next one is not mistaken for it.
        EXPECT_TRUE(QTest::qWaitFor(
            [] {
                return !QDBusConnection::systemBus().interface()->isServiceRegistered(
                    QStringLiteral("org.freedesktop.login1"));
            },
            5000));
    }
    QString LogFile() const { return dir.filePath(QStringLiteral("calls.log")); }
    // The methods the mock was called with, their arguments after them.
    QString Calls() const
    {
        QFile log(LogFile());
        return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
    }

    QTemporaryDir dir;
    std::unique_ptr<QProcess> mock;
};

TEST_F(SessionEndTest, EachChoiceCallsItsMethodAndARefusalIsSaid)
{
    qputenv("XDG_SESSION_ID", "c7");
    struct Case {
        SessionEnd what;
        const char* call;
    };
    for (const Case& c :
         {Case{SessionEnd::ShutDown, "PowerOff True"}, Case{SessionEnd::Restart, "Reboot True"},
          Case{SessionEnd::LogOff, "TerminateSession \"c7\""}}) {
        SCOPED_TRACE(c.call);
        QFile::remove(LogFile());
        StartMock();
        EXPECT_EQ(RequestSessionEnd(c.what), QString());
        EXPECT_TRUE(QTest::qWaitFor([&] { return Calls().contains(QLatin1String(c.call)); }, 5000))
            << Calls().toStdString();
        StopMock();
    }

    // The login manager does not allow it: said, and nothing asked for.
    QFile::remove(LogFile());
    StartMock(QStringLiteral(R"({"CanPowerOff": "no", "CanReboot": "na"})"));
    EXPECT_TRUE(
        RequestSessionEnd(SessionEnd::ShutDown).contains(QStringLiteral("does not let this user shut down")));
    EXPECT_TRUE(RequestSessionEnd(SessionEnd::Restart).contains(QStringLiteral("answered \"na\"")));
    EXPECT_FALSE(Calls().contains(QStringLiteral(" PowerOff "))) << Calls().toStdString();
    EXPECT_FALSE(Calls().contains(QStringLiteral(" Reboot "))) << Calls().toStdString();
    StopMock();

    // No login manager at all, and no session to log off.
    EXPECT_TRUE(RequestSessionEnd(SessionEnd::ShutDown)
                    .startsWith(QStringLiteral("The login manager could not be asked")));
    qunsetenv("XDG_SESSION_ID");
    StartMock();
    EXPECT_TRUE(RequestSessionEnd(SessionEnd::LogOff).contains(QStringLiteral("not run in a login session")));
}

// The frame with a task list of its own, the box ticked for a shut-down.
class QueueEndTest : public SessionEndTest {
protected:
    void SetUp() override
    {
        CreateApplicationWindows();
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
        frmEnviroment->chkAuto->setChecked(true);
        frmEnviroment->RadioShutdown->setChecked(true);
        TSessionEndCountdown::Seconds() = 1;
        StartMock();
    }
    void TearDown() override
    {
        TSessionEndCountdown::Seconds() = 60;
        DestroyApplicationWindows();
        SessionEndTest::TearDown();
    }
    void Add(const char* model, bool ticked = true)
    {
        TTaskList& tasks = *frmEnviroment->Tasks();
        const int row =
            tasks.Append({QStringLiteral("%1 ren 10Gx 12 Gy 12").arg(QLatin1String(model)),
                          QString::fromLatin1(model) == QLatin1String("D2Q9") ? 1 : 3, 10, 12, 12});
        tasks.SetTicked(row, ticked);
    }
    // Runs the ticked tasks to the end of the queue (stopping it at once when told).
    void RunQueue(bool stop = false)
    {
        MainForm->Action(QStringLiteral("RunTasks1"))->trigger();
        if (stop)
            MainForm->Action(QStringLiteral("StopTasks1"))->trigger();
        ASSERT_TRUE(QTest::qWaitFor([] { return MainForm->Action(QStringLiteral("RunTasks1"))->isEnabled(); },
                                    30000));
    }
    TSessionEndCountdown* Countdown() const { return MainForm->findChild<TSessionEndCountdown*>(); }

    MessageRecorder messages;
};

TEST_F(QueueEndTest, AQueueThatRanToItsEndShutsDownAfterTheCountdown)
{
    Add("D2Q9");
    RunQueue();
    ASSERT_NE(Countdown(), nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Calls().contains(QStringLiteral("PowerOff True")); }, 10000))
        << Calls().toStdString();
}

TEST_F(QueueEndTest, NothingIsAskedWhenTheCountdownIsCancelledOrTheQueueDidNotEndWell)
{
    TSessionEndCountdown::Seconds() = 2;
    Add("D2Q9");
    RunQueue();
    ASSERT_NE(Countdown(), nullptr);
    QTest::mouseClick(Countdown()->findChild<QPushButton*>(QStringLiteral("CancelSessionEnd")),
                      Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Countdown() == nullptr; }, 5000)) << "the countdown closes";

    // Stopped by the user; a task that failed.
    RunQueue(true);
    EXPECT_EQ(Countdown(), nullptr) << "a stopped queue";
    frmEnviroment->Tasks()->SetTicked(0, false);
    Add("D2Q11(New)");
    RunQueue();
    EXPECT_EQ(Countdown(), nullptr) << "a queue with a failed task";

    QTest::qWait(2500); // longer than the cancelled countdown
    EXPECT_FALSE(Calls().contains(QStringLiteral(" PowerOff "))) << Calls().toStdString();
}

} // namespace
