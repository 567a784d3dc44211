#include "core/store/PortalListingCache.h"

#include "core/engine/FilePaths.h"
#include "core/engine/PortalScan.h"

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
    // One folder is one listing however its path is written ("/a/b/", "/a//b").
    const QString path = tab.portalPath ? filepaths::standardizedPath(*tab.portalPath).value_or(QString()) : QString();
    const PortalListingOptions options = PortalListingOptions::of(tab);
    // Access times change with every read of a file, which no watch reports as a change.
    if (!isBoundPath(path) || options.sortMode == FenceSortMode::lastAccessedDesc)
        return read(path, options, m_limit, narrowTo);

    const Key key{path, options, m_limit};
    const auto kept = std::find_if(m_cache.m_kept.begin(), m_cache.m_kept.end(),
                                   [&key](const Kept& k) { return k.key == key; });
    if (kept != m_cache.m_kept.end() && kept->watch->unchangedSince(kept->stamp)) {
        kept->lastPass = m_number;
        return kept->result;
    }
    // The stamp is taken before the reading, so that a change during it counts against it.
    const auto stamp = m_cache.stampBeforeReading(path);
    if (!stamp) {
        if (kept != m_cache.m_kept.end()) {
            m_cache.m_kept.erase(kept);
            m_cache.forgetUnlessUsed(path);
        }
        return read(path, options, m_limit, narrowTo);
    }
    PortalScanResult result = read(path, options, m_limit, {});
    if (kept != m_cache.m_kept.end()) {
        kept->watch = stamp->first;
        kept->stamp = stamp->second;
        kept->result = result;
        kept->lastPass = m_number;
    } else {
        m_cache.m_kept.append(Kept{key, stamp->first, stamp->second, result, m_number});
    }
    return result;
}

void PortalListingCache::endPass(qsizetype limit, quint64 number)
{
    QList<QString> dropped;
    m_kept.removeIf([&](const Kept& k) {
        const bool drop = k.key.limit == limit && k.lastPass != number;
        if (drop)
            dropped.append(k.key.path);
        return drop;
    });
    for (const QString& path : std::as_const(dropped))
        forgetUnlessUsed(path);
}

std::optional<std::pair<std::shared_ptr<FolderWatch>, quint64>> PortalListingCache::stampBeforeReading(const QString& path)
{
    std::shared_ptr<FolderWatch> watch = m_watches.value(path);
    std::optional<quint64> stamp = watch ? watch->stampBeforeReading() : std::nullopt;
    // Gone, replaced, or never watched: the folder the path names now is watched afresh, unless
    // its changes go unseen there, where a new watch (with its subfolder watches) could not
    // vouch for it either.
    if (!stamp && FolderWatch::seesEveryChangeAt(path)) {
        watch = FolderWatch::open(path);
        stamp = watch ? watch->stampBeforeReading() : std::nullopt;
    }
    if (!stamp) {
        m_watches.remove(path);
        return std::nullopt;
    }
    m_watches.insert(path, watch);
    return std::pair{watch, *stamp};
}

void PortalListingCache::forgetUnlessUsed(const QString& path)
{
    // Keep watching only the folders some listing still needs.
    const bool used = std::any_of(m_kept.cbegin(), m_kept.cend(), [&path](const Kept& k) { return k.key.path == path; });
    if (!used)
        m_watches.remove(path);
}

} // namespace mv
