// SPDX-License-Identifier: GPL-3.0-or-later
#include "SessionEnd.h"

#include "Messages.h"

#include <QDBusInterface>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QString kService = QStringLiteral("org.freedesktop.login1");
const QString kPath = QStringLiteral("/org/freedesktop/login1");
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");

QString Unreachable(const QDBusError& error)
{
    return QStringLiteral("The login manager could not be asked: %1").arg(error.message());
}

} // namespace

QString SessionEndName(SessionEnd what)
{
    switch (what) {
    case SessionEnd::LogOff:
        return QStringLiteral("Log off");
    case SessionEnd::ShutDown:
        return QStringLiteral("Shut Down");
    case SessionEnd::Restart:
        return QStringLiteral("Restart");
    }
    return QString();
}

QString RequestSessionEnd(SessionEnd what, const QDBusConnection& bus)
{
    if (!bus.isConnected())
        return Unreachable(bus.lastError());
    QDBusInterface manager(kService, kPath, kManager, bus);
    if (!manager.isValid())
        return Unreachable(manager.lastError());

    if (what == SessionEnd::LogOff) {
        // This program's own session: the one the desktop started it in.
        const QString id = qEnvironmentVariable("XDG_SESSION_ID");
        if (id.isEmpty())
            return QStringLiteral("Cannot log off: this program does not run in a login session "
                                  "(XDG_SESSION_ID is not set).");
        const QDBusMessage reply = manager.call(QStringLiteral("TerminateSession"), id);
        return reply.type() == QDBusMessage::ErrorMessage ? Unreachable(QDBusError(reply)) : QString();
    }

    // Ask first whether it may: "yes", or "challenge" (it will ask for a
    // password itself); "no" and "na" are refusals.
    const bool off = what == SessionEnd::ShutDown;
    const QDBusReply<QString> may =
        manager.call(off ? QStringLiteral("CanPowerOff") : QStringLiteral("CanReboot"));
    if (!may.isValid())
        return Unreachable(may.error());
    if (may.value() != QLatin1String("yes") && may.value() != QLatin1String("challenge"))
        return QStringLiteral(
                   "The login manager does not let this user %1 the computer (it answered \"%2\").")
            .arg(off ? QStringLiteral("shut down") : QStringLiteral("restart"), may.value());
    // Interactive: where a password is needed, the desktop asks for it.
    const QDBusMessage reply =
        manager.call(off ? QStringLiteral("PowerOff") : QStringLiteral("Reboot"), true);
    return reply.type() == QDBusMessage::ErrorMessage ? Unreachable(QDBusError(reply)) : QString();
}

int& TSessionEndCountdown::Seconds()
{
    static int seconds = 60;
    return seconds;
}

TSessionEndCountdown::TSessionEndCountdown(SessionEnd what, int seconds, QWidget* parent)
    : QDialog(parent), FWhat(what), FLeft(seconds), FText(new QLabel(this)), FTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("SessionEndCountdown"));
    setWindowTitle(corvane::ApplicationTitle());
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FText);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("CancelSessionEnd"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(this, &QDialog::rejected, FTimer, &QTimer::stop);
    FTimer->setInterval(1000);
    connect(FTimer, &QTimer::timeout, this, [this] { corvane::RunHandler([this] { Tick(); }); });
    ShowLeft();
    FTimer->start();
}

void TSessionEndCountdown::ShowLeft()
{
    FText->setText(QStringLiteral("The tasks are completed. %1 in %2 s unless you cancel.")
                       .arg(SessionEndName(FWhat))
                       .arg(FLeft));
}

void TSessionEndCountdown::Tick()
{
    if (--FLeft > 0) {
        ShowLeft();
        return;
    }
    FTimer->stop();
    FRefusal = RequestSessionEnd(FWhat);
    emit Requested(FRefusal);
    if (!FRefusal.isEmpty())
        corvane::ShowMessage(QStringLiteral("%1 did not happen. %2").arg(SessionEndName(FWhat), FRefusal));
    accept();
}
