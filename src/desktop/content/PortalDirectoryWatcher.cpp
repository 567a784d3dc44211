#include "desktop/content/PortalDirectoryWatcher.h"

#include "core/engine/FilePaths.h"
#include "core/engine/PortalScan.h"
#include "core/store/FolderWatch.h"

#include <QMetaObject>

namespace mv {

namespace {

// The folder path a URL names, as the watcher lists and watches it: a local file URL (no host,
// or "localhost") whose path is absolute, with "." and ".." resolved and no trailing slash;
// symbolic links are kept, so the folder is shown under the path the user chose. None for
// anything else, which lists as missing and is never resolved against the working directory.
std::optional<QString> localFolderPath(const QUrl& url)
{
    // Not a file, or a folder on another machine.
    const std::optional<QString> local = url.isLocalFile() ? filepaths::localPath(url) : std::nullopt;
    if (!local || !FolderPortalEngine::isBoundPath(*local))
        return std::nullopt;
    return filepaths::standardizedPath(*local);
}

// The nearest folder above `path` that is there now; none when not even "/" can be found.
std::optional<QString> nearestExistingParent(const QString& path)
{
    QString parent = path;
    while (parent.size() > 1) {
        const qsizetype slash = parent.lastIndexOf(u'/');
        parent = slash <= 0 ? QStringLiteral("/") : parent.left(slash);
        if (FolderPortalEngine::isBoundFolder(parent))
            return parent;
    }
    return std::nullopt;
}

} // namespace

// How often a folder is listed again when some of its subfolders cannot be watched.
constexpr int uncoveredRescanMilliseconds = 2000;

PortalDirectoryWatcher::PortalDirectoryWatcher(QObject* parent)
    : QObject(parent)
{
    m_uncoveredRescan.setSingleShot(true);
    m_uncoveredRescan.setInterval(uncoveredRescanMilliseconds);
    connect(&m_uncoveredRescan, &QTimer::timeout, this, &PortalDirectoryWatcher::refreshNow);
}

PortalDirectoryWatcher::~PortalDirectoryWatcher() = default;

void PortalDirectoryWatcher::updateWatch(const std::optional<QUrl>& url,
                                         const FolderPortalEngine::PortalListingOptions& options)
{
    if (!url) {
        stop();
        m_scanResult = PortalScanResult{{}, true};
        Q_EMIT scanResultChanged();
        return;
    }

    const std::optional<QString> folderPath = localFolderPath(*url);
    const WatchConfig config{folderPath ? QUrl::fromLocalFile(*folderPath) : *url, options};
    const bool configChanged = m_lastConfig != config;
    if (configChanged)
        m_lastConfig = config;
    // Watch before listing, not after: a change made between the two would otherwise be
    // missing from the listing until the folder changes again. The price is at most one more
    // rescan.
    if (!m_watchedPath || m_watchedPath != folderPath)
        restartSource(folderPath);
    if (configChanged)
        publishScan(config);
}

void PortalDirectoryWatcher::refreshNow()
{
    if (m_lastConfig)
        publishScan(*m_lastConfig);
}

void PortalDirectoryWatcher::stop()
{
    m_uncoveredRescan.stop();
    m_returnWatch.reset();
    setView(nullptr);
    m_watchedPath.reset();
    m_lastConfig.reset();
}

void PortalDirectoryWatcher::restartSource(const std::optional<QString>& folderPath)
{
    m_returnWatch.reset();
    setView(nullptr);
    m_watchedPath.reset();
    if (folderPath)
        armFolder(*folderPath);
}

void PortalDirectoryWatcher::setView(std::shared_ptr<LiveFolderListing::View> view)
{
    LiveFolderListing* before = m_view ? &m_view->folder() : nullptr;
    LiveFolderListing* after = view ? &view->folder() : nullptr;
    if (before != after) {
        if (before)
            disconnect(before, nullptr, this, nullptr);
        if (after)
            connect(after, &LiveFolderListing::changed, this, &PortalDirectoryWatcher::folderChanged);
    }
    m_view = std::move(view);
}

bool PortalDirectoryWatcher::armFolder(const QString& folderPath)
{
    setView(LiveFolderListing::view(folderPath, m_lastConfig ? m_lastConfig->options
                                                             : FolderPortalEngine::PortalListingOptions{}));
    if (!m_view->folder().watch()) {
        // Left unwatched, silently: the listing tells what is there.
        m_watchedPath.reset();
        waitForReturn(folderPath);
        return false;
    }
    m_watchedPath = folderPath;
    m_returnWatch.reset();
    return true;
}

void PortalDirectoryWatcher::waitForReturn(const QString& folderPath)
{
    const std::optional<QString> parent = nearestExistingParent(folderPath);
    // The same parent, still watched, still sees the name come back.
    if (m_returnWatch && m_returnWatch->isArmed() && m_returnWatch->pathStillNamesFolder() && parent
        && m_returnWatch->path() == *parent)
        return;
    m_returnWatch.reset();
    if (!parent)
        return;
    // Its own entries are enough: the folder, or a folder on the way to it, appears among them.
    m_returnWatch = FolderWatch::open(*parent, FolderWatch::Scope::folderOnly);
    if (m_returnWatch)
        connect(m_returnWatch.get(), &FolderWatch::changed, this, &PortalDirectoryWatcher::parentChanged);
}

void PortalDirectoryWatcher::runOnceLater(bool PortalDirectoryWatcher::*queued, void (PortalDirectoryWatcher::*step)())
{
    // In a later turn of the event loop, not inside the delivery: whoever listens to the new
    // listing may point the watcher elsewhere, and arming anew destroys the watch still
    // delivering. Deliveries that come before that turn merge into one run, and a watcher
    // destroyed meanwhile takes the queued call with it.
    if (this->*queued)
        return;
    this->*queued = true;
    QMetaObject::invokeMethod(
        this,
        [this, queued, step] {
            this->*queued = false;
            (this->*step)();
        },
        Qt::QueuedConnection);
}

void PortalDirectoryWatcher::folderChanged()
{
    // With the configuration current by then; none after stop().
    runOnceLater(&PortalDirectoryWatcher::m_rescanQueued, &PortalDirectoryWatcher::refreshNow);
}

void PortalDirectoryWatcher::parentChanged()
{
    runOnceLater(&PortalDirectoryWatcher::m_rearmQueued, &PortalDirectoryWatcher::rearmIfBack);
}

void PortalDirectoryWatcher::rearmIfBack()
{
    const std::optional<QString> folderPath = m_lastConfig ? localFolderPath(m_lastConfig->url) : std::nullopt;
    if (!folderPath || m_watchedPath)
        return; // stopped, pointed elsewhere, or already back
    // Listed only once it is back: a parent busy with other files republishes nothing.
    if (armFolder(*folderPath))
        refreshNow();
}

void PortalDirectoryWatcher::publishScan(const WatchConfig& config)
{
    const std::optional<QString> folderPath = localFolderPath(config.url);
    if (!folderPath) {
        m_scanResult = PortalScanResult{{}, true};
        Q_EMIT scanResultChanged();
        return;
    }
    // The folder's listing with these options, under the same watch.
    if (m_view && m_view->folder().path() == *folderPath && m_view->options() != config.options)
        setView(LiveFolderListing::view(*folderPath, config.options));
    // Watched anew first when the folder was deleted, moved away or replaced meanwhile.
    std::optional<PortalScanResult> current =
        m_view && m_view->folder().path() == *folderPath ? m_view->current() : std::nullopt;
    if (current) {
        m_scanResult = std::move(*current);
        if (!m_watchedPath) {
            m_watchedPath = folderPath;
            m_returnWatch.reset();
        }
    } else {
        // Its changes cannot all be followed now: read whole.
        m_scanResult = FolderPortalEngine::scanDirectory(*folderPath, config.options);
        if (m_scanResult.isMissing) {
            // Gone: waited for under its path.
            m_watchedPath.reset();
            waitForReturn(*folderPath);
        } else if (m_watchedPath && !m_uncoveredRescan.isActive()) {
            // A subfolder that cannot be watched is caught by listing again after a while.
            m_uncoveredRescan.start();
        }
    }
    Q_EMIT scanResultChanged();
}

} // namespace mv
