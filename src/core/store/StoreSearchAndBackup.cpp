// The store's search over the active workspace, its display switches, and backup export and
// import.
#include "core/store/MorvanteelStore.h"

#include "core/engine/PortalScan.h"
#include "platform/AtomicFile.h"

#include <QFile>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mv {

namespace {

constexpr qsizetype searchLimit = 32;
// A backup is a few megabytes at most; anything far larger is not one, and decoding it would
// hold the whole program.
constexpr qsizetype maximumBackupBytes = qsizetype(64) * 1024 * 1024;

enum ErrorCode {
    noWorkspacesCode = 400,
    tooLargeCode = 413,
    undecodableCode = 422,
    notSavedCode = 500,
};

const QString importFailedPrefix = QStringLiteral("导入失败：");
const QString tooLargeMessage = QStringLiteral("导入失败：备份文件超过 64 MB。");

StoreError storeError(int code, const QString& message)
{
    StoreError error;
    error.code = code;
    error.message = message;
    return error;
}

StoreError unreadable(const QString& reason)
{
    return storeError(undecodableCode, importFailedPrefix + QStringLiteral("备份文件无法读取（") + reason + QStringLiteral("）。"));
}

// The whole file, read with one limit: a file larger than any backup is refused unread.
Result<QByteArray, StoreError> readBackupFile(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return unreadable(platform::FileError{errno, path}.errorDescription());
    const auto finish = [fd](Result<QByteArray, StoreError> result) {
        ::close(fd);
        return result;
    };
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return finish(unreadable(platform::FileError{errno, path}.errorDescription()));
    if (S_ISDIR(info.st_mode))
        return finish(unreadable(platform::FileError{EISDIR, path}.errorDescription()));
    if (S_ISREG(info.st_mode) && info.st_size > maximumBackupBytes)
        return finish(storeError(tooLargeCode, tooLargeMessage));
    QByteArray bytes;
    char chunk[65536];
    for (;;) {
        const ssize_t count = ::read(fd, chunk, sizeof chunk);
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return finish(unreadable(platform::FileError{errno, path}.errorDescription()));
        }
        if (count == 0)
            break;
        // A file that grows while it is read, or one without a size, meets the same limit.
        if (bytes.size() + count > maximumBackupBytes)
            return finish(storeError(tooLargeCode, tooLargeMessage));
        bytes.append(chunk, count);
    }
    return finish(std::move(bytes));
}

bool listsAlike(const FenceTab& a, const FenceTab& b)
{
    using FolderPortalEngine::PortalListingOptions;
    return a.portalPath == b.portalPath && PortalListingOptions::of(a) == PortalListingOptions::of(b);
}

} // namespace

// -- search -------------------------------------------------------------------------------

QList<SpotSearchResult> MorvanteelStore::spotSearch(const QString& query) const
{
    const QList<FenceModel> fences = activeFences();
    // Every portal tab, the inactive ones too, as it lists its folder now; tabs that list one
    // folder in one way share a single reading of it.
    PortalListings listings;
    // A blank query lists fences only. Listings are kept between keystrokes while their folders
    // stay unchanged; a folder whose listing cannot be kept is read only for the files whose
    // names can match, which leaves the results as they would be over its whole listing.
    if (query.trimmed().isEmpty())
        return SpotSearchEngine::search(query, fences, listings, searchLimit);
    const auto findable = SpotSearchEngine::portalFileNameMatcher(query);
    PortalListingCache::Pass whole(m_portalListings, -1);
    QList<const FenceTab*> listed;
    for (const FenceModel& fence : fences) {
        for (const FenceTab& tab : fence.tabs) {
            if (tab.kind != FenceKind::portal || !tab.portalPath)
                continue;
            const auto same = std::find_if(listed.cbegin(), listed.cend(),
                                           [&](const FenceTab* earlier) { return listsAlike(*earlier, tab); });
            listings.insert(tab.id, same != listed.cend() ? listings.value((*same)->id) : whole.list(tab, findable).entries);
            listed.append(&tab);
        }
    }
    return SpotSearchEngine::search(query, fences, listings, searchLimit);
}

void MorvanteelStore::warmPortalListings()
{
    QList<FenceTab> tabs;
    for (const FenceModel& fence : activeFences())
        tabs.append(fence.tabs);
    m_portalListings.warm(tabs);
    for (LiveFolderListing* folder : m_portalListings.warmingFolders())
        connect(folder, &LiveFolderListing::warmed, this, &MorvanteelStore::portalListingWarmed, Qt::UniqueConnection);
}

void MorvanteelStore::portalListingWarmed()
{
    if (m_portalListings.tookUnwarmed())
        Q_EMIT portalListingsWarmed();
    if (m_snapshotHeld && !m_portalListings.isWarming())
        publishHeldSnapshot();
}

QList<PortalScanResult> MorvanteelStore::portalHeads(const QList<FenceTab>& tabs, qsizetype limit) const
{
    PortalListingCache::Pass heads(m_portalListings, std::max<qsizetype>(limit, 0));
    QList<PortalScanResult> results;
    results.reserve(tabs.size());
    for (const FenceTab& tab : tabs)
        results.append(heads.list(tab));
    return results;
}

// -- display switches -----------------------------------------------------------------------

void MorvanteelStore::togglePeek()
{
    setPeek(!m_preferences.isPeekActive);
}

void MorvanteelStore::setPeek(bool active)
{
    GlobalPreferences preferences = m_preferences;
    preferences.isPeekActive = active;
    // Peeking at the fences shows those the curtain hid.
    if (active)
        preferences.isDesktopCurtainHidden = false;
    setPreferences(std::move(preferences));
    save();
}

void MorvanteelStore::toggleDesktopCurtain()
{
    GlobalPreferences preferences = m_preferences;
    preferences.isDesktopCurtainHidden = !preferences.isDesktopCurtainHidden;
    setPreferences(std::move(preferences));
    save();
}

void MorvanteelStore::toggleGlobalLayoutLock()
{
    GlobalPreferences preferences = m_preferences;
    preferences.isLayoutLocked = !preferences.isLayoutLocked;
    setPreferences(std::move(preferences));
    save();
}

// -- backup ---------------------------------------------------------------------------------

Result<MorvanteelStore::BackupExport, StoreError> MorvanteelStore::exportBackupJSON() const
{
    const QDateTime now = m_environment.now();
    MorvanteelBackupDocument document = currentDocument();
    document.exportedAt = now;
    document.preferences.lastExportDate = now;
    const auto bytes = encodeDocument(document);
    if (!bytes)
        return storeError(notSavedCode, QStringLiteral("导出失败：") + bytes.error().errorDescription() + u'。');
    // What the import would refuse is no backup.
    if (bytes.value().size() > maximumBackupBytes)
        return storeError(tooLargeCode, QStringLiteral("导出失败：备份超过 64 MB，无法再导入。"));
    return BackupExport{bytes.value(), now};
}

void MorvanteelStore::markBackupExported(const QDateTime& exportedAt)
{
    // Kept in memory; the state file takes it with the next save, as with every other change
    // that is not saved on its own.
    GlobalPreferences preferences = m_preferences;
    preferences.lastExportDate = exportedAt;
    setPreferences(std::move(preferences));
}

Result<bool, StoreError> MorvanteelStore::importBackupJSON(const QByteArray& bytes)
{
    if (bytes.size() > maximumBackupBytes)
        return storeError(tooLargeCode, tooLargeMessage);
    const auto decoded = decodeDocument(bytes);
    if (!decoded)
        return unreadable(decoded.error().errorDescription());
    const MorvanteelBackupDocument& document = decoded.value();
    if (document.workspaces.isEmpty())
        return storeError(noWorkspacesCode, QStringLiteral("备份文件中没有工作区配置。"));
    // This run keeps its hands off a state file it could not set aside, so nothing imported
    // could be kept.
    if (m_stateFileProtected)
        return storeError(notSavedCode, importFailedPrefix + QStringLiteral("异常配置文件未能隔离备份，本次运行不会覆盖它。"));

    // Earlier saves' outcomes first: what is put back on a failure includes them.
    flushPendingSaves();
    // Everything the import replaces, to put back when the new state cannot be saved.
    const QList<WorkspaceProfile> workspaces = m_workspaces;
    const QUuid activeWorkspaceID = m_activeWorkspaceID;
    const QList<FenceModel> fences = m_fences;
    const QList<SmartRule> rules = m_smartRules;
    const GlobalPreferences preferences = m_preferences;
    const std::optional<QUuid> selectedFenceID = m_selectedFenceID;
    const std::optional<QString> statusMessage = m_lastStatusMessage;
    const std::optional<QString> saveError = m_lastSaveError;

    applyLoadedDocument(document);
    // A selection that names no fence of the new state would point at nothing.
    if (m_selectedFenceID && !fence(*m_selectedFenceID))
        setSelectedFenceID(std::nullopt);
    // The import answers whether the new state was kept, so it waits for the write.
    save();
    flushPendingSaves();

    if (m_lastSaveError) {
        const QString reason = *m_lastSaveError;
        setWorkspaces(workspaces);
        setActiveWorkspaceID(activeWorkspaceID);
        setFences(fences);
        setSmartRules(rules);
        setPreferences(preferences);
        setSelectedFenceID(selectedFenceID);
        setLastStatusMessage(statusMessage);
        if (m_lastSaveError != saveError) {
            m_lastSaveError = saveError;
            Q_EMIT lastSaveErrorChanged();
        }
        // The widget was shown the state that could not be kept.
        publishWidgetSnapshot();
        return storeError(notSavedCode, importFailedPrefix + QStringLiteral("配置未能保存（") + reason + QStringLiteral("）。"));
    }

    setLastStatusMessage(QStringLiteral("已成功导入配置备份（") + QString::number(document.fences.size())
                         + QStringLiteral(" 个围栏）。"));
    return true;
}

Result<bool, StoreError> MorvanteelStore::importBackupFile(const QString& path)
{
    auto bytes = readBackupFile(path);
    if (!bytes)
        return bytes.error();
    return importBackupJSON(bytes.value());
}

} // namespace mv
