// SPDX-License-Identifier: GPL-3.0-or-later
#include "Messages.h"

#include <QApplication>
#include <QMessageBox>

namespace corvane {
namespace {

void ShowBox(const QString& caption, QMessageBox::Icon icon, const QString& text)
{
    QMessageBox box(icon, caption, text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

void ShowBox(MessageKind kind, const QString& text)
{
    ShowBox(ApplicationTitle(), kind == MessageKind::Error ? QMessageBox::Critical : QMessageBox::NoIcon,
            text);
}

// The caption of the next information box (the handler carries only the text).
QString& InformationCaption()
{
    static QString caption;
    return caption;
}

void ShowAnyBox(MessageKind kind, const QString& text)
{
    if (kind == MessageKind::Information)
        ShowBox(InformationCaption(), QMessageBox::Information, text);
    else
        ShowBox(kind, text);
}

MessageHandler& Handler()
{
    static MessageHandler handler = ShowAnyBox;
    return handler;
}

} // namespace

QString ApplicationTitle() { return QStringLiteral("Corvane"); }

void ShowMessage(const QString& text) { Handler()(MessageKind::Plain, text); }

void ShowInformation(const QString& caption, const QString& text)
{
    InformationCaption() = caption;
    Handler()(MessageKind::Information, text);
}

void ShowErrorBox(const QString& text) { Handler()(MessageKind::Error, text); }

MessageHandler SetMessageHandler(MessageHandler handler)
{
    MessageHandler previous = std::move(Handler());
    Handler() = handler ? std::move(handler) : MessageHandler(ShowAnyBox);
    return previous;
}

} // namespace corvane
