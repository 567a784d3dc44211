#include "core/store/PortalListingCache.h"

#include "core/engine/FilePaths.h"
#include "core/engine/PortalScan.h"

#include <QSet>

#include <algorithm>

namespace mv {

using namespace FolderPortalEngine;

namespace {

PortalScanResult read(const QString& path, const PortalListingOptions& options, qsizetype limit,
                      const PortalListingCache::NameMatcher& narrowTo)
{
    if (limit >= 0)
        return scanDirectoryHead(path, options, limit);
    return scanDirectory(path, options, narrowTo);
}

// One folder is one listing however its path is written ("/a/b/", "/a//b").
QString folderOf(const FenceTab& tab)
{
    return tab.portalPath ? filepaths::standardizedPath(*tab.portalPath).value_or(QString()) : QString();
}

} // namespace

PortalListingCache::Pass::Pass(PortalListingCache& cache, qsizetype limit)
    : m_cache(cache)
    , m_limit(limit < 0 ? -1 : limit)
    , m_number(++cache.m_passes)
{
}

PortalListingCache::Pass::~Pass()
{
    m_cache.endPass(m_limit, m_number);
}

PortalScanResult PortalListingCache::Pass::list(const FenceTab& tab, const NameMatcher& narrowTo)
{
    const QString path = folderOf(tab);
    const PortalListingOptions options = PortalListingOptions::of(tab);
    if (!isBoundPath(path))
        return read(path, options, m_limit, narrowTo);

    const Key key{path, options, m_limit};
    auto kept = std::find_if(m_cache.m_kept.begin(), m_cache.m_kept.end(),
                             [&key](const Kept& k) { return k.key == key; });
    std::shared_ptr<LiveFolderListing::View> view = kept != m_cache.m_kept.end() ? kept->view : m_cache.viewOf(path, options);
    // A head needs far less than the whole listing the start-up's worker is still reading: it
    // is read now rather than waited for. A whole listing is not waited for either: it is
    // empty until the worker is done.
    if (view->isWarming()) {
        if (kept != m_cache.m_kept.end())
            kept->lastPass = m_number;
        else
            m_cache.m_kept.append(Kept{key, view, m_number});
        if (m_limit >= 0)
            return read(path, options, m_limit, {});
        m_cache.m_tookUnwarmed = true;
        return PortalScanResult{};
    }
    std::optional<PortalScanResult> current = view->current();
    if (!current) {
        // Its changes cannot be vouched for now: read afresh, and only what is asked for.
        if (kept != m_cache.m_kept.end())
            m_cache.m_kept.erase(kept);
        return read(path, options, m_limit, narrowTo);
    }
    if (kept != m_cache.m_kept.end())
        kept->lastPass = m_number;
    else
        m_cache.m_kept.append(Kept{key, view, m_number});
    if (m_limit >= 0 && current->entries.size() > m_limit)
        current->entries = current->entries.first(m_limit); // copies the head, not the listing
    return std::move(*current);
}

void PortalListingCache::warm(const QList<FenceTab>& tabs)
{
    for (const FenceTab& tab : tabs) {
        const QString path = folderOf(tab);
        if (tab.kind != FenceKind::portal || !isBoundPath(path))
            continue;
        // The store warms once as it loads and again once it is built: a view is held once.
        std::shared_ptr<LiveFolderListing::View> view = LiveFolderListing::warmView(path, PortalListingOptions::of(tab));
        if (!m_warmed.contains(view))
            m_warmed.append(std::move(view));
    }
}

std::shared_ptr<LiveFolderListing::View> PortalListingCache::viewOf(const QString& path, const PortalListingOptions& options)
{
    for (const std::shared_ptr<LiveFolderListing::View>& warmed : std::as_const(m_warmed)) {
        if (warmed->folder().path() == path && warmed->options() == options)
            return warmed;
    }
    return LiveFolderListing::view(path, options);
}

QList<LiveFolderListing*> PortalListingCache::warmingFolders() const
{
    QList<LiveFolderListing*> folders;
    for (const std::shared_ptr<LiveFolderListing::View>& warmed : m_warmed) {
        if (warmed->isWarming() && !folders.contains(&warmed->folder()))
            folders.append(&warmed->folder());
    }
    for (const Kept& kept : m_kept) {
        if (kept.view->isWarming() && !folders.contains(&kept.view->folder()))
            folders.append(&kept.view->folder());
    }
    return folders;
}

bool PortalListingCache::isWarming() const
{
    return std::any_of(m_warmed.cbegin(), m_warmed.cend(), [](const auto& view) { return view->isWarming(); })
           || std::any_of(m_kept.cbegin(), m_kept.cend(), [](const Kept& kept) { return kept.view->isWarming(); });
}

qsizetype PortalListingCache::watchedCount() const
{
    QSet<QString> folders;
    for (const Kept& kept : m_kept)
        folders.insert(kept.key.path);
    return folders.size();
}

void PortalListingCache::endPass(qsizetype limit, quint64 number)
{
    // Only the folders in use stay watched.
    m_kept.removeIf([&](const Kept& k) { return k.key.limit == limit && k.lastPass != number; });
    (limit < 0 ? m_wholePassed : m_headsPassed) = true;
    if (m_headsPassed && m_wholePassed)
        m_warmed.clear();
}

} // namespace mv
