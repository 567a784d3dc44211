#pragma once

#include "core/models/DeepLink.h"
#include "core/models/FenceModels.h"

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <optional>
#include <variant>

namespace mv {

// What running a curated item comes to, worked out without touching anything: one of the
// program's own links, a program to start with its arguments, a URL for the desktop to open,
// or nothing at all.
struct CuratedLaunch {
    struct OwnLink {
        MorvanteelDeepLink link;
        bool operator==(const OwnLink&) const = default;
    };
    // A link in the program's scheme that is no request it knows; the deep-link handler decides.
    struct OtherOwnLink {
        QUrl url;
        bool operator==(const OtherOwnLink&) const = default;
    };
    struct StartProgram {
        QString program;
        QStringList arguments;
        QString workingDirectory;
        bool operator==(const StartProgram&) const = default;
    };
    struct OpenURL {
        QUrl url;
        bool operator==(const OpenURL&) const = default;
    };
    struct Nothing {
        bool operator==(const Nothing&) const = default;
    };
    using Step = std::variant<OwnLink, OtherOwnLink, StartProgram, OpenURL, Nothing>;

    // A target that parses as one of the program's links is that link. A path ("/" or "~"
    // first) that names a desktop entry starts its Exec line; for an app item, a path to an
    // executable file starts that file. Every other path, and every other valid URL, is
    // opened by the desktop; an invalid one is nothing.
    static Step plan(const FenceItem& item);
};

// The Exec line of a desktop entry file as a program and its arguments, with the field codes
// for files and URLs dropped; none when the file is no application entry this can start by
// itself (unreadable, no Exec, quoting it cannot read, unquoted shell characters, a terminal
// program). Those are left to the desktop to open.
std::optional<CuratedLaunch::StartProgram> desktopEntryCommand(const QString& path);

// Splits an Exec value (already unescaped as a string) into arguments as the desktop entry
// rules quote them, and expands its field codes; none when it cannot be read exactly.
std::optional<QStringList> splitDesktopExec(const QString& exec, const QString& name, const QString& icon,
                                            const QString& entryPath);

// How launches reach the system; tests put recorders in their place.
struct CuratedItemOpener {
    std::function<bool(const QUrl&)> openURL;
    std::function<bool(const CuratedLaunch::StartProgram&)> startProgram;

    // QDesktopServices and a detached QProcess with an argument list.
    static CuratedItemOpener desktop();
};

} // namespace mv
