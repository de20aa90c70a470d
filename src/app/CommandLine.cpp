// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandLine.h"

#include "ProgramNotice.h"

CommandLine ParseCommandLine(const QStringList& arguments)
{
    CommandLine result;
    bool options = true;
    bool help = false;
    bool version = false;
    QStringList exportFiles;
    bool exporting = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (options && argument == QLatin1String("--export")) {
            // Its two arguments are taken as they are, like any option's.
            if (i + 2 >= arguments.size()) {
                if (result.message.isEmpty())
                    result.message = QStringLiteral("--export needs a FILE to read and an OUT file to write");
                continue;
            }
            if (exporting && result.message.isEmpty())
                result.message = QStringLiteral("--export is given more than once");
            if (!exporting)
                exportFiles << arguments[i + 1] << arguments[i + 2];
            exporting = true;
            i += 2;
        } else if (options && argument == QLatin1String("--"))
            options = false;
        else if (options && (argument == QLatin1String("--help") || argument == QLatin1String("-h")))
            help = true;
        else if (options && (argument == QLatin1String("--version") || argument == QLatin1String("-v")))
            version = true;
        else if (options && argument.size() > 1 && argument.startsWith(QLatin1Char('-'))) {
            if (result.message.isEmpty())
                result.message = QStringLiteral("unknown option '%1'").arg(argument);
        } else
            result.files << argument;
    }
    if (exporting && !result.files.isEmpty() && result.message.isEmpty())
        result.message = QStringLiteral("--export converts one FILE into one OUT file; '%1' is one too many")
                             .arg(result.files[0]);
    if (exporting && result.message.isEmpty())
        result.files = exportFiles;
    if (help)
        result.action = CommandLine::Action::Help;
    else if (version)
        result.action = CommandLine::Action::Version;
    else if (!result.message.isEmpty())
        result.action = CommandLine::Action::Error;
    else if (exporting)
        result.action = CommandLine::Action::Export;
    return result;
}

QString CommandLineHelp()
{
    return QStringLiteral(
        "Usage: corvane [OPTION]... [FILE]...\n"
        "  or:  corvane --export FILE OUT\n"
        "Compose 3-D scenes of simple solids, polygon meshes and lights in several views.\n"
        "\n"
        "Each FILE opens as the program's File > Open does: a scene file (.cvs) in a view\n"
        "of its own, a coordinate file (.coor) or another mesh format as polygon objects\n"
        "in a new view, a task's results folder (or its summary.json) as its field view\n"
        "and chart.\n"
        "\n"
        "  -h, --help         show this help and exit\n"
        "  -v, --version      show the version and exit\n"
        "  --export FILE OUT  write the scene or mesh FILE to OUT without opening a\n"
        "                     window, in the format OUT's extension names: .obj (one\n"
        "                     named object per scene object), .stl or .ply (all in one),\n"
        "                     .coor (a coordinate and face file pair per object, named\n"
        "                     OUT-NAME.coor when there are several); lights are left\n"
        "                     out, objects stand where the scene places them and a mesh\n"
        "                     keeps its own coordinates. Exits 0 when written, 1 when\n"
        "                     FILE cannot be read or OUT cannot be written\n"
        "  --                 treat every argument after it as a file name\n"
        "\n"
        "Settings are kept in corvane.INI beside the program when it runs from a folder\n"
        "the user can write, otherwise in $XDG_CONFIG_HOME/corvane/corvane.INI.\n"
        "The lid-driven cavity solver runs on its own as corvane-lbm (see corvane-lbm --help).\n");
}

QString CommandLineVersion()
{
    return QStringLiteral("corvane %1\n").arg(QStringLiteral(CORVANE_VERSION)) +
           QStringLiteral(CORVANE_LICENCE_NOTICE);
}
