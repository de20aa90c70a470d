// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QDialog>
#include <QString>

class QLabel;
class QTimer;

// What the settings' "When the tasks are completed" box asks for.
enum class SessionEnd { LogOff, ShutDown, Restart };

QString SessionEndName(SessionEnd what);

// Asks the login manager (org.freedesktop.login1 on the given bus, the
// system bus by default) to end the session, power off or reboot. Returns
// empty when it took the request, otherwise why not, for the user.
QString RequestSessionEnd(SessionEnd what, const QDBusConnection& bus = QDBusConnection::systemBus());

// The countdown before the machine is left to itself: a window that counts
// down the seconds, with a button that cancels; at zero it asks the login
// manager and says so when that refuses.
class TSessionEndCountdown : public QDialog {
    Q_OBJECT

public:
    TSessionEndCountdown(SessionEnd what, int seconds, QWidget* parent = nullptr);

    int SecondsLeft() const { return FLeft; }
    // The reason the login manager gave, once it refused.
    const QString& Refusal() const { return FRefusal; }

    // How long the countdown lasts (tests shorten it).
    static int& Seconds();

signals:
    // The request went to the login manager, and what it answered (empty: taken).
    void Requested(const QString& refusal);

private:
    void Tick();
    void ShowLeft();

    SessionEnd FWhat;
    int FLeft;
    QString FRefusal;
    QLabel* FText;
    QTimer* FTimer;
};
