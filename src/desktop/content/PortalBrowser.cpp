#include "desktop/content/PortalBrowser.h"

#include "core/engine/FilePaths.h"
#include "core/engine/PortalScan.h"
#include "core/store/MorvanteelStore.h"
#include "desktop/content/PortalDirectoryWatcher.h"

#include <QPointer>

#include <utility>

namespace mv {

namespace {

// The standardized file URL of a folder entered: "." and ".." resolved, no trailing slash. A URL
// naming no exact local path is kept as it is: the watcher then lists it as missing.
QUrl standardizedFolderURL(const QUrl& url)
{
    const std::optional<QString> path = filepaths::standardizedPath(url);
    return path ? QUrl::fromLocalFile(*path) : url;
}

} // namespace

PortalBrowser::PortalBrowser(MorvanteelStore& store, const QUuid& fenceID, QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_fenceID(fenceID)
    , m_watcher(new PortalDirectoryWatcher(this))
    , m_watched(watchedValues())
{
    connect(m_watcher, &PortalDirectoryWatcher::scanResultChanged, this, &PortalBrowser::listingArrived);
    connect(&m_store, &MorvanteelStore::fencesChanged, this, &PortalBrowser::followActiveTab);
}

PortalBrowser::~PortalBrowser() = default;

std::optional<QUrl> PortalBrowser::rootPortalURL() const
{
    const std::optional<FenceModel> fence = m_store.fence(m_fenceID);
    const FenceTab* tab = fence ? fence->activeTab() : nullptr;
    if (!tab || !tab->portalPath || !FolderPortalEngine::isBoundPath(*tab->portalPath))
        return std::nullopt;
    return QUrl::fromLocalFile(filepaths::standardizedPath(*tab->portalPath).value_or(*tab->portalPath));
}

std::optional<QUrl> PortalBrowser::currentPortalURL() const
{
    if (!m_breadcrumbURLs.isEmpty())
        return m_breadcrumbURLs.last();
    return rootPortalURL();
}

const PortalScanResult& PortalBrowser::listing() const
{
    return m_watcher->scanResult();
}

std::optional<PortalFileEntry> PortalBrowser::listedSelection() const
{
    if (!m_selectedEntryID)
        return std::nullopt;
    for (const PortalFileEntry& entry : listing().entries) {
        if (entry.id() == *m_selectedEntryID)
            return entry;
    }
    return std::nullopt; // selected, but no longer listed
}

// -- the trail and the selection ----------------------------------------------------------------

void PortalBrowser::setTrail(const QList<QUrl>& trail)
{
    if (m_breadcrumbURLs == trail)
        return;
    m_breadcrumbURLs = trail;
    // Listed first, so that whoever hears of the new trail finds the new folder's entries.
    syncWatch();
    Q_EMIT breadcrumbsChanged();
}

void PortalBrowser::setSelection(const std::optional<QString>& entryID)
{
    if (m_selectedEntryID == entryID)
        return;
    m_selectedEntryID = entryID;
    Q_EMIT selectionChanged();
}

void PortalBrowser::enterFolder(const QUrl& folder)
{
    const QPointer<PortalBrowser> self(this);
    setTrail(m_breadcrumbURLs + QList<QUrl>{standardizedFolderURL(folder)});
    if (self)
        setSelection(std::nullopt);
}

void PortalBrowser::goUp()
{
    if (!m_breadcrumbURLs.isEmpty())
        setTrail(m_breadcrumbURLs.mid(0, m_breadcrumbURLs.size() - 1));
}

void PortalBrowser::goToCrumb(int index)
{
    if (index >= 0 && index < m_breadcrumbURLs.size())
        setTrail(m_breadcrumbURLs.mid(0, index + 1));
}

void PortalBrowser::goToRoot()
{
    setTrail({});
}

void PortalBrowser::selectEntry(const PortalFileEntry& entry)
{
    setSelection(entry.id());
}

void PortalBrowser::clearSelection()
{
    setSelection(std::nullopt);
}

void PortalBrowser::reset()
{
    const bool trailChanged = !m_breadcrumbURLs.isEmpty();
    const bool selectionCleared = m_selectedEntryID.has_value();
    m_breadcrumbURLs.clear();
    m_selectedEntryID.reset();
    const QPointer<PortalBrowser> self(this);
    syncWatch();
    if (self && trailChanged)
        Q_EMIT breadcrumbsChanged();
    if (self && selectionCleared)
        Q_EMIT selectionChanged();
}

// -- following the store ------------------------------------------------------------------------

PortalBrowser::WatchedTabValues PortalBrowser::watchedValues() const
{
    const std::optional<FenceModel> fence = m_store.fence(m_fenceID);
    const FenceTab* tab = fence ? fence->activeTab() : nullptr;
    if (!tab)
        return {};
    return {tab->id, tab->portalPath, tab->portalFilter, tab->showHiddenFiles, tab->showExtensions, tab->sortMode};
}

void PortalBrowser::followActiveTab()
{
    const WatchedTabValues now = watchedValues();
    const WatchedTabValues before = std::exchange(m_watched, now);
    if (before == now)
        return;
    if (before.tabID != now.tabID || before.portalPath != now.portalPath)
        reset();
    else
        syncWatch();
}

void PortalBrowser::syncWatch()
{
    const std::optional<FenceModel> fence = m_store.fence(m_fenceID);
    const FenceTab* tab = fence ? fence->activeTab() : nullptr;
    if (!tab || tab->kind != FenceKind::portal) {
        m_watcher->stop();
        return;
    }
    m_watcher->updateWatch(currentPortalURL(), FolderPortalEngine::PortalListingOptions::of(*tab));
}

void PortalBrowser::stopWatching()
{
    m_watcher->stop();
}

void PortalBrowser::rescan()
{
    m_watcher->refreshNow();
}

void PortalBrowser::listingArrived()
{
    // The selection goes first, so that whoever hears of the listing finds no stale selection.
    const QPointer<PortalBrowser> self(this);
    if (m_selectedEntryID && !listedSelection())
        setSelection(std::nullopt);
    if (self)
        Q_EMIT listingChanged();
}

} // namespace mv
