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

class MorvanteelStore;

// What running a curated item comes to, worked out without touching anything: one of the
// program's own links, a program to start with its arguments, a URL for the desktop to open,
// or a refusal with the status that says why.
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
    struct Refused {
        QString status;
        bool operator==(const Refused&) const = default;
    };
    using Step = std::variant<OwnLink, OtherOwnLink, StartProgram, OpenURL, Refused>;

    // A target that parses as one of the program's links is that link. A path ("/" or "~"
    // first) that names a desktop entry starts its Exec line; for an app item, a path to an
    // executable file starts that file. Every other path, and every other valid URL with a
    // scheme, is opened by the desktop. Anything else (empty, "notes.txt", "example.com",
    // "--help") is refused: it is never read against the working folder.
    static Step plan(const FenceItem& item);

    // The status texts, each naming the item's target (its title when the target is empty).
    static QString notAPathOrURLStatus(const FenceItem& item);
    static QString openFailedStatus(const FenceItem& item);
    static QString startFailedStatus(const FenceItem& item, const StartProgram& start);
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

// The first item with this id in the fence's tabs, in tab order and each tab's stored order
// (tabs of other kinds count too); none when the fence holds none.
std::optional<FenceItem> fenceItem(const FenceModel& fence, const QUuid& itemID);

enum class CuratedLaunchOutcome {
    followedOwnLink, // handed to the caller's own-link handler
    started,
    opened,
    refused,         // nothing reached the system; the status says why
    failed,          // the system said no; the status says so
};

// Runs a quick-launch item, the one way for every road to it: a tile, a SpotSearch hit and a
// run-item link. A link in the program's scheme goes to `followOwnLink`, as each road carries
// those out with its own set of effects; everything else reaches `opener`. A refused target,
// and an opener or a start that reports failure, set the store's status message naming the
// target; success sets none. The item itself is never written (its lastOpenedAt stays).
CuratedLaunchOutcome launchCuratedItem(const FenceItem& item, MorvanteelStore& store, const CuratedItemOpener& opener,
                                       const std::function<void(const QUrl&)>& followOwnLink);

} // namespace mv
