// SPDX-License-Identifier: GPL-3.0-or-later
#include "TActionManager.h"

#include <QAction>
#include <QMenu>
#include <QToolButton>

#include <stdexcept>

namespace {

template <typename T> void Register(QHash<QString, T*>& table, T* item, const char* what)
{
    const QString id = item->objectName();
    if (id.isEmpty() || table.contains(id))
        throw std::logic_error(QStringLiteral("%1 \"%2\" has no name or is registered twice")
                                   .arg(QLatin1String(what), id)
                                   .toStdString());
    table.insert(id, item);
}

template <typename T> T* Find(const QHash<QString, T*>& table, const QString& id, const char* what)
{
    T* item = table.value(id);
    if (!item)
        throw std::logic_error(
            QStringLiteral("No %1 is named \"%2\"").arg(QLatin1String(what), id).toStdString());
    return item;
}

} // namespace

void TActionManager::RegisterAction(QAction* action)
{
    Register(FActions, action, "action");
    FActionOrder << action->objectName();
}

void TActionManager::RegisterMenu(QMenu* menu) { Register(FMenus, menu, "menu"); }

void TActionManager::RegisterToolButton(QToolButton* button)
{
    Register(FToolButtons, button, "tool button");
}

QAction* TActionManager::Action(const QString& id) const { return Find(FActions, id, "action"); }

QMenu* TActionManager::Menu(const QString& id) const { return Find(FMenus, id, "menu"); }

QToolButton* TActionManager::ToolButton(const QString& id) const
{
    return Find(FToolButtons, id, "tool button");
}

QList<QAction*> TActionManager::Actions(const QStringList& ids) const
{
    QList<QAction*> result;
    for (const QString& id : ids)
        result << Action(id);
    return result;
}
