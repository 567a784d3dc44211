#pragma once

#include "core/engine/PortalTypes.h"
#include "core/models/FenceModels.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QUuid>

#include <optional>

namespace mv {

class MorvanteelStore;
class PortalDirectoryWatcher;

// Where the user is in a fence's portal tab: the folders entered below the bound folder, the
// selected entry, and the live listing of the folder shown, with the watcher that keeps it
// current. It is the one owner of this state; the views read it and send it commands. It
// follows the store's fence by id on its own: a new active tab, a new bound folder or no tab at
// all leaves the folders entered and the selection, and a changed listing option lists the
// folder shown anew. Nothing of it is saved.
class PortalBrowser final : public QObject {
    Q_OBJECT

public:
    PortalBrowser(MorvanteelStore& store, const QUuid& fenceID, QObject* parent = nullptr);
    ~PortalBrowser() override;

    const QUuid& fenceID() const { return m_fenceID; }

    // The bound folder of the store's active tab as a file URL, read from the store now; none
    // when the fence, the tab or the path is missing, or the path is empty or not absolute
    // (never resolved against the working directory).
    std::optional<QUrl> rootPortalURL() const;
    // The folder shown, and the one drops go to: the innermost breadcrumb, else the root.
    std::optional<QUrl> currentPortalURL() const;
    // Folders entered below the root, innermost last, as standardized file URLs.
    const QList<QUrl>& breadcrumbURLs() const { return m_breadcrumbURLs; }
    // The standardized path of the selected entry. A listing that no longer holds it (the file
    // went or was renamed elsewhere) clears it, so that no road previews a file that is gone.
    const std::optional<QString>& selectedEntryID() const { return m_selectedEntryID; }
    // The selected entry while the listing still holds it; none otherwise.
    std::optional<PortalFileEntry> listedSelection() const;
    // What the folder shown holds now.
    const PortalScanResult& listing() const;
    const PortalDirectoryWatcher& watcher() const { return *m_watcher; }

    // The trail. Each change lists the new folder shown at once.
    // Enters `folder`, below the folder shown; the selection goes.
    void enterFolder(const QUrl& folder);
    // One level up; nothing at the root.
    void goUp();
    // Keeps the trail up to the crumb at `index`; nothing for an index outside the trail.
    void goToCrumb(int index);
    // Back to the bound folder.
    void goToRoot();

    void selectEntry(const PortalFileEntry& entry);
    void clearSelection();

    // Leaves the trail and the selection, then lists the folder the active tab shows now.
    void reset();
    // Points the watcher at the folder shown with the active tab's listing options, or stops
    // it while the active tab is no portal tab.
    void syncWatch();
    // Stops watching; the listing stays as it was.
    void stopWatching();
    // Lists the folder shown again at once, after a change of our own that the watcher would
    // report only later; nothing while nothing is watched.
    void rescan();

Q_SIGNALS:
    void breadcrumbsChanged();
    void selectionChanged();
    void listingChanged();

private:
    // The values of the store's active tab this follows; each is none when the fence or its
    // active tab is missing.
    struct WatchedTabValues {
        std::optional<QUuid> tabID;
        std::optional<QString> portalPath;
        std::optional<QString> portalFilter;
        std::optional<bool> showHiddenFiles;
        std::optional<bool> showExtensions;
        std::optional<FenceSortMode> sortMode;

        bool operator==(const WatchedTabValues&) const = default;
    };
    WatchedTabValues watchedValues() const;
    // A new tab, a new folder or no tab at all resets; a listing option resyncs. The manual
    // order alone is none of these: it applies with the next sync.
    void followActiveTab();
    void setTrail(const QList<QUrl>& trail);
    void setSelection(const std::optional<QString>& entryID);
    void listingArrived();

    MorvanteelStore& m_store;
    QUuid m_fenceID;
    PortalDirectoryWatcher* m_watcher;
    QList<QUrl> m_breadcrumbURLs;
    std::optional<QString> m_selectedEntryID;
    WatchedTabValues m_watched;
};

} // namespace mv
