#pragma once

#include <QAction>
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

// Every widget below `root`, to tell that a change rebuilt none.
inline QSet<QWidget*> widgetTree(const QWidget* root)
{
    const QList<QWidget*> children = root->findChildren<QWidget*>();
    return QSet<QWidget*>(children.cbegin(), children.cend());
}
