#include "CommandLine.h"

CommandLine ParseCommandLine(const QStringList& arguments)
{
    CommandLine result;
    bool options = true;
    bool help = false;
    bool version = false;
    for (const QString& argument : arguments) {
        if (options && argument == QLatin1String("--"))
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
    if (help)
        result.action = CommandLine::Action::Help;
    else if (version)
        result.action = CommandLine::Action::Version;
    else if (!result.message.isEmpty())
        result.action = CommandLine::Action::Error;
    return result;
}

QString CommandLineHelp()
{
    return QStringLiteral(
        "Usage: corvane [OPTION]... [FILE]...\n"
        "Compose 3-D scenes of simple solids, polygon meshes and lights in several views.\n"
        "\n"
        "Each FILE opens as the program's File > Open does: a scene file (.cvs) in a view\n"
        "of its own, a coordinate file (.coor) or another mesh format as polygon objects\n"
        "in a new view.\n"
        "\n"
        "  -h, --help     show this help and exit\n"
        "  -v, --version  show the version and exit\n"
        "  --             treat every argument after it as a file name\n"
        "\n"
        "Settings are kept in corvane.INI beside the program when it runs from a folder\n"
        "the user can write, otherwise in $XDG_CONFIG_HOME/corvane/corvane.INI.\n"
        "The lid-driven cavity solver runs on its own as corvane-lbm (see corvane-lbm --help).\n");
}

QString CommandLineVersion() { return QStringLiteral("corvane %1\n").arg(QStringLiteral(CORVANE_VERSION)); }
