// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcessEnvironment>
#include <QString>

namespace corvane {

// Where the program keeps its settings file and its data folder.
//
// A copy run from a folder the user can write keeps both beside its
// executable, as a portable program does: "<executable name>.INI" and the
// "dat" folder. An installed copy (a system folder such as /usr/bin, or any
// folder the user cannot write) keeps them in the user's home instead, as the
// XDG base directory rules say (file dialogs then open in the home folder):
// $XDG_CONFIG_HOME/corvane/corvane.INI and $XDG_DATA_HOME/corvane/dat, with ~/.config and ~/.local/share
// where those variables are unset, empty or not absolute paths.
struct StoragePlaces {
    QString settingsFile; // the INI file
    QString dataParent;   // the folder the "dat" data folder is made in
    QString startFolder;  // where file dialogs open first
    bool portable = true; // both beside the executable
};

// The settings file of a portable copy: the executable's path with its
// extension replaced by ".INI" (appended when there is none).
QString PortableSettingsFile(const QString& executablePath);

// The places for an executable at executablePath, given whether its folder
// counts as the user's own (see IsPortableFolder) and the environment.
StoragePlaces StoragePlacesFor(const QString& executablePath, bool portable, const QProcessEnvironment& env);

// Whether a program in this folder runs as a portable copy: the folder can be
// written by the user and is not one of the system's program folders (which
// root could write, but where settings do not belong).
bool IsPortableFolder(const QString& folder);

// The running program's places, worked out once.
const StoragePlaces& ProgramStoragePlaces();

} // namespace corvane
