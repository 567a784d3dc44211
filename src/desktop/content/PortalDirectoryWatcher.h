#pragma once

#include "core/engine/PortalListingOptions.h"
#include "core/engine/PortalTypes.h"
#include "core/store/LiveFolderListing.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <memory>
#include <optional>

namespace mv {

class FolderWatch;

// Holds the live listing of the folder a portal tab shows: the folder's shared listing
// (LiveFolderListing), which follows the folder and its subfolders' own entries entry by entry
// (see FolderWatch), so that what any program adds, removes, renames or writes there appears
// without user action, sizes and dates included, and the folder is not read again whole for
// it. The listing equals the portal engine's; which folder is shown is the fence content's
// decision.
//
// A folder that is not there (never was, deleted, moved away) is waited for: its nearest
// existing parent is watched for entries alone, and when the name comes back the folder is
// watched and listed again. Events, not polling: a hidden or idle fence then costs nothing.
//
// Everything runs on the thread that owns the watcher, the main thread.
class PortalDirectoryWatcher final : public QObject {
    Q_OBJECT

public:
    // What the last listing was asked for.
    struct WatchConfig {
        // The shown folder as a standardized file URL: "." and ".." resolved, no trailing
        // slash, symbolic links kept as they are. A URL naming no local folder path is kept as
        // it was given.
        QUrl url;
        FolderPortalEngine::PortalListingOptions options;

        bool operator==(const WatchConfig&) const = default;
    };

    explicit PortalDirectoryWatcher(QObject* parent = nullptr);
    ~PortalDirectoryWatcher() override;

    // The last listing published; entries empty and not missing until the first one.
    const PortalScanResult& scanResult() const { return m_scanResult; }
    // The folder watched; none while nothing is, also after the folder failed to open.
    const std::optional<QString>& watchedPath() const { return m_watchedPath; }
    // The configuration of the last listing asked for; none initially and after stop().
    const std::optional<WatchConfig>& lastConfig() const { return m_lastConfig; }

    // Points the watcher at `url` with the tab's listing options (PortalListingOptions::of). Without a URL it stops and
    // publishes an empty, missing listing. Otherwise it lists, synchronously, only when the
    // configuration differs from the last one, and watches the folder anew only when its path
    // differs from the one watched or nothing is watched (so a folder that failed to open is
    // tried again on every call, without a rescan). A URL that is no local file, or a path
    // that is not absolute, lists as missing and is not watched.
    void updateWatch(const std::optional<QUrl>& url,
                     const FolderPortalEngine::PortalListingOptions& options);
    // Lists with the last configuration, every change told so far applied, and publishes the
    // result, at once; nothing when there is none.
    void refreshNow();
    // Stops watching and forgets the configuration; the last listing stays.
    void stop();

Q_SIGNALS:
    // On every publish, even of a listing equal to the last one.
    void scanResultChanged();

private:
    void restartSource(const std::optional<QString>& folderPath);
    // Watches the folder at `folderPath`; when it cannot, waits for it to come back. True
    // when the folder is watched.
    bool armFolder(const QString& folderPath);
    void waitForReturn(const QString& folderPath);
    // Holds `view` (none: nothing), listening to its folder.
    void setView(std::shared_ptr<LiveFolderListing::View> view);
    // Runs `step` in a later turn of the event loop, once however often asked before then.
    void runOnceLater(bool PortalDirectoryWatcher::*queued, void (PortalDirectoryWatcher::*step)());
    void folderChanged();
    void parentChanged();
    // Watches and lists the folder once it is back under its path.
    void rearmIfBack();
    void publishScan(const WatchConfig& config);

    PortalScanResult m_scanResult;
    std::shared_ptr<LiveFolderListing::View> m_view; // the folder's listing with the last options
    std::unique_ptr<FolderWatch> m_returnWatch; // the nearest existing parent, while the folder is away
    std::optional<QString> m_watchedPath;
    std::optional<WatchConfig> m_lastConfig;
    bool m_rescanQueued = false;
    bool m_rearmQueued = false;
    QTimer m_uncoveredRescan; // for a folder whose subfolders cannot all be watched
};

} // namespace mv
