#pragma once

#include <QString>
#include <QStringList>

// The program's command line: `corvane [OPTION]... [FILE]...`.
struct CommandLine {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    QStringList files; // scenes and meshes to open, in order
    QString message;   // what is wrong, for Action::Error
};

// Reads the arguments (without the program's name). --help, then --version,
// win over everything else (an unknown option included), so that they work
// whatever else was typed;
// "--" ends the options, so a file whose name starts with "-" can be opened.
CommandLine ParseCommandLine(const QStringList& arguments);

// The texts printed for --help and --version.
QString CommandLineHelp();
QString CommandLineVersion();
