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

// The globals in the order their windows were created (for tests and diagnostics).
const QStringList& CreationOrder();

// Steps 2 to 6: splash, the wait, the windows, the event loop, shut-down.
// Returns when the main frame has closed.
void RunApplication(int splashMilliseconds);
