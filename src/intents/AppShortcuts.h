#pragma once

#include <QList>
#include <QString>

namespace mv {

// The intents a shortcut can run.
enum class ShortcutIntent { openSpotSearch, runSmartTidy, switchWorkspace };

// One phrase: a text, the program's name, a second text.
struct ShortcutPhrase {
    QString before;
    QString after;

    // The phrase with the program's name in its place.
    QString spoken(const QString& applicationName) const { return before + applicationName + after; }
    bool operator==(const ShortcutPhrase&) const = default;
};

struct AppShortcut {
    ShortcutIntent intent;
    // The desktop action and session-bus action that runs it.
    QString actionName;
    QList<ShortcutPhrase> phrases;
    QString shortTitle; // the intent's title
    QString systemImageName;

    bool operator==(const AppShortcut&) const = default;
};

// The program's shortcuts, in the order they are offered. The switch runs without a workspace.
class MorvanteelShortcutsProvider final {
public:
    static inline const QString shortcutTileColor = QStringLiteral("navy");

    MorvanteelShortcutsProvider() = delete;
    static const QList<AppShortcut>& appShortcuts();
    // The shortcut of a desktop or session-bus action name; none for any other name.
    static const AppShortcut* shortcut(const QString& actionName);
};

} // namespace mv
