#include "CommandLine.h"
#include "Messages.h"
#include "Startup.h"
#include "TfrmPlot.h"

#include <QApplication>
#include <QCoreApplication>

#include <cstdio>
#include <exception>

namespace {

QStringList RawArguments(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

} // namespace

int main(int argc, char* argv[])
{
    // --help and --version answer without a window (and without a display).
    const CommandLine early = ParseCommandLine(RawArguments(argc, argv));
    if (early.action == CommandLine::Action::Help || early.action == CommandLine::Action::Version) {
        const QString text =
            early.action == CommandLine::Action::Help ? CommandLineHelp() : CommandLineVersion();
        std::fputs(text.toLocal8Bit().constData(), stdout);
        return 0;
    }
    // An export needs no window either: no display, no widgets.
    const bool exporting = RawArguments(argc, argv).contains(QStringLiteral("--export"));
    if (early.action == CommandLine::Action::Error && exporting) {
        std::fprintf(stderr, "corvane: %s\nTry 'corvane --help' for more information.\n",
                     early.message.toLocal8Bit().constData());
        return 2;
    }
    if (early.action == CommandLine::Action::Export) {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(corvane::ApplicationTitle());
        QCoreApplication::setApplicationVersion(QStringLiteral(CORVANE_VERSION));
        try {
            return RunExport(early.files[0], early.files[1]);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "corvane: %s\n", e.what());
        } catch (...) {
            std::fprintf(stderr, "corvane: unknown error\n");
        }
        return 1;
    }

    ConfigureOpenGL();
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication::setApplicationName(corvane::ApplicationTitle());
    QApplication::setApplicationVersion(QStringLiteral(CORVANE_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral(CORVANE_APP_ID));

    // Qt has taken its own options (-platform, -style, ...) out by now.
    const CommandLine command = ParseCommandLine(QApplication::arguments().mid(1));
    if (command.action == CommandLine::Action::Error) {
        std::fprintf(stderr, "corvane: %s\nTry 'corvane --help' for more information.\n",
                     command.message.toLocal8Bit().constData());
        return 2;
    }
    try {
        // Every argument names a file to open (a scene or a mesh).
        RunApplication(3000, command.files);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "corvane: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "corvane: unknown error\n");
    }
    DestroySplash();
    return 0;
}
