// SPDX-License-Identifier: GPL-3.0-or-later
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

// The arguments without the options Qt takes for itself (and their values),
// as QApplication will leave them: what remains is ours to judge.
QStringList WithoutQtOptions(const QStringList& arguments)
{
    static const QStringList withValue = {
        QStringLiteral("platform"),        QStringLiteral("platformpluginpath"),
        QStringLiteral("platformtheme"),   QStringLiteral("plugin"),
        QStringLiteral("qwindowgeometry"), QStringLiteral("qwindowicon"),
        QStringLiteral("qwindowtitle"),    QStringLiteral("session"),
        QStringLiteral("style"),           QStringLiteral("stylesheet"),
        QStringLiteral("display"),         QStringLiteral("geometry"),
        QStringLiteral("qmljsdebugger")};
    static const QStringList alone = {QStringLiteral("reverse"), QStringLiteral("widgetcount"),
                                      QStringLiteral("nograb"), QStringLiteral("dograb"),
                                      QStringLiteral("sync")};
    QStringList rest;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--")) {
            rest += arguments.mid(i);
            break;
        }
        QString name = argument;
        if (name.startsWith(QLatin1String("--")))
            name.remove(0, 2);
        else if (name.startsWith(QLatin1Char('-')))
            name.remove(0, 1);
        else {
            rest << argument;
            continue;
        }
        const QString key = name.section(QLatin1Char('='), 0, 0);
        if (withValue.contains(key)) {
            if (!name.contains(QLatin1Char('=')))
                ++i;
        } else if (!alone.contains(name))
            rest << argument;
    }
    return rest;
}

} // namespace

int main(int argc, char* argv[])
{
    // --help, --version and a wrong option answer without a window (and
    // without a display).
    const CommandLine early = ParseCommandLine(WithoutQtOptions(RawArguments(argc, argv)));
    if (early.action == CommandLine::Action::Help || early.action == CommandLine::Action::Version) {
        const QString text =
            early.action == CommandLine::Action::Help ? CommandLineHelp() : CommandLineVersion();
        std::fputs(text.toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (early.action == CommandLine::Action::Error) {
        std::fprintf(stderr, "corvane: %s\nTry 'corvane --help' for more information.\n",
                     early.message.toLocal8Bit().constData());
        return 2;
    }
    // An export needs no window either: no display, no widgets.
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
