// SPDX-License-Identifier: GPL-3.0-or-later
// The program as a desktop program: its command line, where it keeps its
// settings and data, and how it looks on a high-density screen.

#include "CommandLine.h"
#include "Globals.h"
#include "IniFile.h"
#include "StartedFrame.h"
#include "Startup.h"
#include "StoragePlaces.h"
#include "TAboutBox.h"
#include "TMainForm.h"
#include "TSplash.h"
#include "TestSupport.h"
#include "TfrmAddTask.h"
#include "TfrmEnviroment.h"
#include "TfrmOutPut.h"
#include "TfrmPlot.h"
#include "TfrmWorkSpace.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

using Action = CommandLine::Action;

TEST(CommandLineTest, OptionsAndFiles)
{
    struct Case {
        QStringList arguments;
        Action action;
        QStringList files;
        QString message;
    };
    const Case cases[] = {
        {{}, Action::Run, {}, {}},
        {{"a.cvs", "b.coor"}, Action::Run, {"a.cvs", "b.coor"}, {}},
        {{"--help"}, Action::Help, {}, {}},
        {{"-h", "a.cvs"}, Action::Help, {}, {}},
        {{"--version"}, Action::Version, {}, {}},
        {{"a.cvs", "-v"}, Action::Version, {"a.cvs"}, {}},
        // Help and version work whatever else was typed.
        {{"--bogus", "--help"}, Action::Help, {}, {}},
        {{"--version", "--help"}, Action::Help, {}, {}},
        {{"--bogus", "--version"}, Action::Version, {}, {}},
        // The first unknown option is the one reported.
        {{"-x", "--also-bad", "a.cvs"}, Action::Error, {"a.cvs"}, "unknown option '-x'"},
        // "--" ends the options: names that look like options are files.
        {{"--", "--help", "-x"}, Action::Run, {"--help", "-x"}, {}},
        // A lone "-" is a name, not an option.
        {{"-"}, Action::Run, {"-"}, {}},
        // --export takes its two arguments as they are, and nothing else.
        {{"--export", "a.cvs", "out.obj"}, Action::Export, {"a.cvs", "out.obj"}, {}},
        {{"--export", "-odd.stl", "--out.ply"}, Action::Export, {"-odd.stl", "--out.ply"}, {}},
        {{"--export", "a.cvs"},
         Action::Error,
         {"a.cvs"},
         "--export needs a FILE to read and an OUT file to write"},
        {{"--export", "a.cvs", "o.obj", "b.cvs"},
         Action::Error,
         {"b.cvs"},
         "--export converts one FILE into one OUT file; 'b.cvs' is one too many"},
        {{"--export", "a.cvs", "o.obj", "--export", "b.cvs", "p.obj"},
         Action::Error,
         {},
         "--export is given more than once"},
        {{"--export", "--help"}, Action::Help, {}, {}},
        // Names with blanks and non-ASCII letters pass through unchanged.
        {{"my scene.cvs", QString::fromUtf8("Küche.coor")},
         Action::Run,
         {"my scene.cvs", QString::fromUtf8("Küche.coor")},
         {}},
    };
    for (const Case& c : cases) {
        const CommandLine parsed = ParseCommandLine(c.arguments);
        const std::string what = c.arguments.join(' ').toStdString();
        EXPECT_EQ(parsed.action, c.action) << what;
        if (c.action != Action::Help) {
            EXPECT_EQ(parsed.files, c.files) << what;
        }
        if (c.action == Action::Error) {
            EXPECT_EQ(parsed.message, c.message) << what;
        }
    }
}

TEST(CommandLineTest, HelpAndVersionTexts)
{
    EXPECT_TRUE(
        CommandLineVersion().startsWith(QStringLiteral("corvane %1\n").arg(QStringLiteral(CORVANE_VERSION))));
    EXPECT_TRUE(CommandLineVersion().contains(QStringLiteral("License GPL-3.0-or-later")));
    const QString help = CommandLineHelp();
    for (const char* option : {"--help", "--version", "--export FILE OUT", "FILE", "corvane.INI"})
        EXPECT_TRUE(help.contains(QLatin1String(option))) << option;
    EXPECT_TRUE(help.endsWith(QLatin1Char('\n')));
}

QProcessEnvironment Environment(std::initializer_list<std::pair<const char*, const char*>> values)
{
    QProcessEnvironment env;
    for (const auto& [name, value] : values)
        env.insert(QString::fromLatin1(name), QString::fromLatin1(value));
    return env;
}

TEST(StoragePlacesTest, PortableBesideTheProgramInstalledInTheHome)
{
    struct Case {
        const char* executable;
        bool portable;
        QProcessEnvironment env;
        const char* settings;
        const char* data;
        const char* start;
    };
    const Case cases[] = {
        {"/home/ann/corvane/corvane", true, Environment({{"HOME", "/home/ann"}}),
         "/home/ann/corvane/corvane.INI", "/home/ann/corvane", "/home/ann/corvane"},
        // The portable name follows the executable's, its extension replaced.
        {"/opt/tools/Corvane.bin", true, Environment({{"HOME", "/home/ann"}}), "/opt/tools/Corvane.INI",
         "/opt/tools", "/opt/tools"},
        {"/usr/bin/corvane", false,
         Environment({{"HOME", "/home/ann"}, {"XDG_CONFIG_HOME", "/cfg"}, {"XDG_DATA_HOME", "/data"}}),
         "/cfg/corvane/corvane.INI", "/data/corvane", "/home/ann"},
        // Unset, empty or relative XDG variables fall back to the home's defaults.
        {"/usr/bin/corvane", false, Environment({{"HOME", "/home/ann"}}),
         "/home/ann/.config/corvane/corvane.INI", "/home/ann/.local/share/corvane", "/home/ann"},
        {"/usr/bin/corvane", false,
         Environment({{"HOME", "/home/ann"}, {"XDG_CONFIG_HOME", ""}, {"XDG_DATA_HOME", "rel/data"}}),
         "/home/ann/.config/corvane/corvane.INI", "/home/ann/.local/share/corvane", "/home/ann"},
        {"/usr/local/bin/corvane", false,
         Environment({{"HOME", "/home/bob/"}, {"XDG_CONFIG_HOME", "/x//y/"}}), "/x/y/corvane/corvane.INI",
         "/home/bob/.local/share/corvane", "/home/bob"},
    };
    for (const Case& c : cases) {
        const corvane::StoragePlaces places =
            corvane::StoragePlacesFor(QString::fromLatin1(c.executable), c.portable, c.env);
        EXPECT_EQ(places.portable, c.portable) << c.executable;
        EXPECT_EQ(places.settingsFile, QString::fromLatin1(c.settings)) << c.executable;
        EXPECT_EQ(places.dataParent, QString::fromLatin1(c.data)) << c.executable;
        EXPECT_EQ(places.startFolder, QString::fromLatin1(c.start)) << c.executable;
    }
}

TEST(StoragePlacesTest, WhichFoldersArePortable)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString readOnly = dir.filePath(QStringLiteral("read-only"));
    ASSERT_TRUE(QDir().mkdir(readOnly));
    ASSERT_TRUE(QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ExeOwner));
    const struct {
        QString folder;
        bool portable;
    } cases[] = {
        {dir.path(), true},                            // the user's own folder
        {QStringLiteral("/usr/bin"), false},           // installed with the system
        {QStringLiteral("/usr/local/bin"), false},     // installed by the administrator
        {dir.filePath(QStringLiteral("gone")), false}, // no such folder
        {readOnly, false},                             // a folder the user cannot write
    };
    for (const auto& c : cases) {
        if (c.folder == readOnly && ::geteuid() == 0)
            continue; // root writes anywhere
        EXPECT_EQ(corvane::IsPortableFolder(c.folder), c.portable) << c.folder.toStdString();
    }
    QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST(StoragePlacesTest, TheSettingsFolderIsMadeOnTheFirstSave)
{
    // An installed copy's first save makes $XDG_CONFIG_HOME/corvane.
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const corvane::StoragePlaces places = corvane::StoragePlacesFor(
        QStringLiteral("/usr/bin/corvane"), false, Environment({{"HOME", qPrintable(home.path())}}));
    ASSERT_TRUE(places.settingsFile.startsWith(home.path()));
    TIniFile ini(places.settingsFile);
    ini.Load();
    ini.WriteBool(QStringLiteral("Show Window"), QStringLiteral("Output"), false);
    ini.Save();
    EXPECT_TRUE(QFileInfo(places.settingsFile).isFile());
}

// The program on a high-density screen. The suite runs these once at the
// usual density and once more with QT_SCALE_FACTOR=2 on a large screen; what
// they check holds at any density.
class HighDensityTest : public StartedFrameTest {
protected:
    void SetUp() override
    {
        if (qEnvironmentVariableIntValue("QT_SCALE_FACTOR") == 2) {
            ASSERT_DOUBLE_EQ(qApp->devicePixelRatio(), 2.0) << "the scale factor did not take effect";
        }
        StartedFrameTest::SetUp();
    }
};

// An icon is sharp at the screen's density when its picture for 16 x 16
// device-independent pixels is the one drawn for that many device pixels, not
// a small picture stretched.
::testing::AssertionResult SharpAt(const QIcon& icon, qreal dpr)
{
    const int device = qRound(16 * dpr);
    const QImage scaled = icon.pixmap(QSize(16, 16), dpr).toImage().convertToFormat(QImage::Format_ARGB32);
    const QImage direct =
        icon.pixmap(QSize(device, device), 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
    if (scaled.size() != QSize(device, device))
        return ::testing::AssertionFailure() << "picture of " << scaled.width() << "x" << scaled.height();
    if (scaled != direct)
        return ::testing::AssertionFailure() << "not drawn for " << device << " pixels";
    return ::testing::AssertionSuccess();
}

TEST_F(HighDensityTest, IconsAndPicturesAreDrawnForTheScreensDensity)
{
    const qreal dpr = qApp->devicePixelRatio();
    // Our own commands and buttons (the style's title-bar and extension
    // buttons, named "qt_..." or not at all, are Qt's).
    auto ours = [](const QObject* o) {
        return !o->objectName().isEmpty() && !o->objectName().startsWith(QLatin1String("qt_"));
    };
    int icons = 0;
    for (QAction* action : MainForm->findChildren<QAction*>()) {
        if (ours(action) && !action->icon().isNull()) {
            ++icons;
            EXPECT_TRUE(SharpAt(action->icon(), dpr)) << action->objectName().toStdString();
        }
    }
    for (QAbstractButton* button : MainForm->findChildren<QAbstractButton*>()) {
        if (ours(button) && !button->icon().isNull()) {
            EXPECT_TRUE(SharpAt(button->icon(), dpr)) << button->objectName().toStdString();
        }
    }
    EXPECT_GT(icons, 10);
    EXPECT_TRUE(SharpAt(QApplication::windowIcon(), dpr)) << "the program's icon";

    // Pictures made by the program carry the density they were drawn for.
    EXPECT_DOUBLE_EQ(AboutBox->ProgramIcon->pixmap().devicePixelRatio(), dpr);
    TSplash splash;
    EXPECT_DOUBLE_EQ(splash.Image1()->pixmap().devicePixelRatio(), dpr);
    EXPECT_EQ(splash.Image1()->pixmap().size(), QSize(qRound(294 * dpr), qRound(220 * dpr)));

    // The view draws into every device pixel of its window.
    const QImage frame = frmPlot->grabFramebuffer();
    EXPECT_EQ(frame.size(), frmPlot->size() * dpr);
}

TEST_F(HighDensityTest, WindowsFitTheScreenAndNothingIsCutOff)
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    frmEnviroment->show();
    frmAddTask->show();
    AboutBox->show();
    for (QWidget* window : std::initializer_list<QWidget*>{MainForm, frmEnviroment, frmAddTask, AboutBox}) {
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        const std::string name = window->objectName().toStdString();
        EXPECT_TRUE(screen.contains(window->geometry())) << name;
        // Every control lies wholly inside the widget that holds it.
        for (QWidget* child : window->findChildren<QWidget*>()) {
            if (!child->isVisibleTo(window) || child->isWindow() || !child->parentWidget())
                continue;
            if (!qobject_cast<QLabel*>(child) && !qobject_cast<QAbstractButton*>(child))
                continue;
            EXPECT_TRUE(child->parentWidget()->rect().contains(child->geometry()))
                << name << ": " << child->objectName().toStdString() << " in "
                << child->parentWidget()->objectName().toStdString();
        }
    }
    frmEnviroment->hide();
    frmAddTask->hide();
    AboutBox->hide();
}

} // namespace
