// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Messages.h"
#include "Prompts.h"

#include <QByteArray>
#include <QColor>
#include <QMainWindow>
#include <QStringList>

#include <ostream>

class QMdiArea;

// Readable QString and QStringList values in test failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList& l, std::ostream* os)
{
    *os << '{';
    for (int i = 0; i < l.size(); ++i)
        *os << (i ? ", \"" : "\"") << l[i].toStdString() << '"';
    *os << '}';
}
class TfrmPlot;

// While it lives, the processes the test starts skip the sanitizer's leak
// check (its own process keeps it): under mpirun, Open MPI's plugins leave
// allocations behind that no suppression can name, and the report would
// stand in the place of what the child said last.
class ChildLeakCheckOff {
public:
    ChildLeakCheckOff();
    ~ChildLeakCheckOff();
    ChildLeakCheckOff(const ChildLeakCheckOff&) = delete;
    ChildLeakCheckOff& operator=(const ChildLeakCheckOff&) = delete;

private:
    QByteArray FPrevious;
    bool FWasSet = false;
};

// Records every message and error box instead of showing it.
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    QStringList Plain;
    QStringList Information;
    QStringList Errors;
    // The captions the save-changes prompt was shown for, and its answer.
    QStringList Prompts;
    corvane::SaveChoice PromptAnswer = corvane::SaveChoice::Discard;

private:
    corvane::MessageHandler FPrevious;
    corvane::SaveChangesPrompt FPreviousPrompt;
};

// A shown main window with an MDI area to hold views, as the frame does.
class ViewHost {
public:
    ViewHost();
    ~ViewHost();

    // A new view in its own sub-window, created and shown; unless told not to,
    // waits until it has its OpenGL context.
    TfrmPlot* AddView(const QString& caption = QStringLiteral("Fig.1"), bool wait = true);
    QMdiArea* Area() const { return FArea; }

private:
    QMainWindow FWindow;
    QMdiArea* FArea;
};

// Waits until Qt has given the view its OpenGL context.
bool WaitForContext(TfrmPlot* view);

// Reads one pixel of the view's framebuffer (x right, y down, in widget
// pixels) straight from OpenGL, without triggering a repaint.
QColor ReadPixel(TfrmPlot* view, int x, int y);

// Resizes the view's sub-window so that the client area gets the given size.
void ResizeClient(TfrmPlot* view, int width, int height);
