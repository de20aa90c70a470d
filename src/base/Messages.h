// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <exception>
#include <functional>
#include <utility>

namespace corvane {

// The program's title: message boxes, error boxes and the About box show it.
QString ApplicationTitle();

enum class MessageKind {
    Plain,       // a message box with an OK button; the program goes on
    Information, // a message box with the information icon and a caption of its own
    Error        // the error box shown for an error raised inside an event handler
};

// Shows a plain message box titled with the application title.
void ShowMessage(const QString& text);
// Shows a message box with the information icon, an OK button and the given caption.
void ShowInformation(const QString& caption, const QString& text);
// Shows the critical error box.
void ShowErrorBox(const QString& text);

// Every message and error box goes through one handler. Tests replace it with
// a recorder so that no modal box ever blocks them. Returns the previous one.
using MessageHandler = std::function<void(MessageKind, const QString&)>;
MessageHandler SetMessageHandler(MessageHandler handler);

// Runs an event handler's body. An error it raises is shown in the error box
// and swallowed, so that no exception ever crosses Qt's event loop.
template <class Body> void RunHandler(Body&& body) noexcept
{
    try {
        std::forward<Body>(body)();
    } catch (const std::exception& e) {
        ShowErrorBox(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        ShowErrorBox(QStringLiteral("Unknown error"));
    }
}

} // namespace corvane
