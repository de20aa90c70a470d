// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

class QAction;
class QMenu;
class QToolButton;

// The frame's commands by name: every action, menu and tool button is
// registered once under its name, and the menus, the tool bar, the panels and
// the tests find it by that name. Asking for a name nobody registered is a
// slip in the code, reported with the name.
class TActionManager {
public:
    // Registers under the object's name, which must be set and new.
    void RegisterAction(QAction* action);
    void RegisterMenu(QMenu* menu);
    void RegisterToolButton(QToolButton* button);

    QAction* Action(const QString& id) const;
    QMenu* Menu(const QString& id) const;
    QToolButton* ToolButton(const QString& id) const;
    // Null where nothing is registered under the name.
    QAction* FindAction(const QString& id) const { return FActions.value(id); }

    // The actions with the given names, in that order.
    QList<QAction*> Actions(const QStringList& ids) const;
    // Every registered name, in the order of registration.
    const QStringList& ActionIds() const { return FActionOrder; }

private:
    QHash<QString, QAction*> FActions;
    QStringList FActionOrder;
    QHash<QString, QMenu*> FMenus;
    QHash<QString, QToolButton*> FToolButtons;
};
