#include "Messages.h"

#include <QApplication>
#include <QMessageBox>

namespace corvane {
namespace {

void ShowBox(MessageKind kind, const QString& text)
{
    const QMessageBox::Icon icon = kind == MessageKind::Error ? QMessageBox::Critical : QMessageBox::NoIcon;
    QMessageBox box(icon, ApplicationTitle(), text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

MessageHandler& Handler()
{
    static MessageHandler handler = ShowBox;
    return handler;
}

} // namespace

QString ApplicationTitle() { return QStringLiteral("Corvane"); }

void ShowMessage(const QString& text) { Handler()(MessageKind::Plain, text); }

void ShowErrorBox(const QString& text) { Handler()(MessageKind::Error, text); }

MessageHandler SetMessageHandler(MessageHandler handler)
{
    MessageHandler previous = std::move(Handler());
    Handler() = handler ? std::move(handler) : MessageHandler(ShowBox);
    return previous;
}

} // namespace corvane
