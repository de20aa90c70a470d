// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// The program's command line: `corvane [OPTION]... [FILE]...`, or
// `corvane --export FILE OUT`.
struct CommandLine {
    enum class Action { Run, Help, Version, Export, Error };
    Action action = Action::Run;
    // Scenes and meshes to open, in order; for Action::Export the file to
    // read and the file to write.
    QStringList files;
    QString message; // what is wrong, for Action::Error
};

// Reads the arguments (without the program's name). --help, then --version,
// win over everything else (an unknown option included), so that they work
// whatever else was typed;
// "--" ends the options, so a file whose name starts with "-" can be opened.
// --export takes the two arguments after it as they are, and no other file.
CommandLine ParseCommandLine(const QStringList& arguments);

// Runs `corvane --export FILE OUT` without a window: reads the scene or mesh
// and writes all of it but its lights in the format OUT's extension names.
// Problems go to standard error; returns the exit status (0 when written).
int RunExport(const QString& fileName, const QString& outName);

// The texts printed for --help and --version.
QString CommandLineHelp();
QString CommandLineVersion();
