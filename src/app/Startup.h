// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

// The program's start-up and shut-down, in the steps main() runs them.

// Creates the splash window and paints it as soon as the window system has
// exposed it (waiting a second at most): the event loop is not running yet.
void ShowSplash();

// Creates the application windows in their fixed order, each stored in its
// global before its creation handler runs. An error raised by a creation
// handler is shown in the error box and start-up goes on.
void CreateApplicationWindows();

// Destroys the application windows, the most recently created first, and
// clears their globals.
void DestroyApplicationWindows();

// Destroys the splash window if it still exists.
void DestroySplash();

class TMainForm;
// Keeps the frame's list of recent files in the settings file at iniPath, in
// a section of its own ("Recent Files", keys File1 to File8), every other
// byte of the file as it was.
void KeepRecentFilesIn(TMainForm* frame, const QString& iniPath);
// The folders added to the Results page, kept in the settings file at iniPath.
void KeepResultsFoldersIn(TMainForm* frame, const QString& iniPath);

// The globals in the order their windows were created (for tests and diagnostics).
const QStringList& CreationOrder();

// Opens the files given on the command line, in order, each in a view of its
// own: the first view, still empty, goes first, so that files that cannot be
// opened leave no empty view behind.
void OpenCommandLineFiles(const QStringList& files);

// The splash, the wait, the windows, the event loop, shut-down; files given
// on the command line open once the frame is shown. Returns when the main
// frame has closed.
void RunApplication(int splashMilliseconds, const QStringList& files = {});
