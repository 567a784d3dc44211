#pragma once

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QList>
#include <QMenu>
#include <QSet>
#include <QStringList>
#include <QWidget>

// What the content tests read off menus and widget trees.

// The menu's item texts in order, a separator as "—".
inline QStringList menuTexts(const QMenu* menu)
{
    QStringList texts;
    for (const QAction* action : menu->actions())
        texts.append(action->isSeparator() ? QStringLiteral("—") : action->text());
    return texts;
}

// The first item with this text, or null.
inline QAction* menuItem(const QMenu* menu, const QString& text)
{
    for (QAction* action : menu->actions()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

// Runs the item with this text, of the submenu `submenu` when one is named, as choosing it
// would, and lets what menus run after they have closed run too. False when there is no such
// item.
inline bool triggerMenuItem(const QMenu* menu, const QString& text, const QString& submenu = {})
{
    if (!submenu.isEmpty()) {
        const QAction* opener = menu ? menuItem(menu, submenu) : nullptr;
        menu = opener ? opener->menu() : nullptr;
    }
    QAction* item = menu ? menuItem(menu, text) : nullptr;
    if (!item)
        return false;
    item->trigger();
    QCoreApplication::processEvents();
    return true;
}

// The menu that is open on the screen now, or null.
inline QMenu* openPopupMenu()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* menu = qobject_cast<QMenu*>(widget); menu && menu->isVisible())
            return menu;
    }
    return nullptr;
}

// Every widget below `root`, to tell that a change rebuilt none.
inline QSet<QWidget*> widgetTree(const QWidget* root)
{
    const QList<QWidget*> children = root->findChildren<QWidget*>();
    return QSet<QWidget*>(children.cbegin(), children.cend());
}
