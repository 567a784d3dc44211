#include "core/store/MorvanteelStore.h"

#include "core/engine/DemoDesktop.h"
#include "core/engine/FilePaths.h"
#include "core/engine/PortalMoves.h"
#include "core/engine/PortalScan.h"
#include "core/models/DeepLink.h"
#include "core/models/Timestamp.h"
#include "core/store/FiniteNumbers.h"
#include "core/store/SeedDataFactory.h"
#include "platform/KeyValueStore.h"
#include "platform/SupportLocations.h"
#include "platform/WidgetReloader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>


namespace mv {

namespace {

const QString quarantinedMessage = QStringLiteral("检测到异常配置文件，已隔离备份并恢复默认工作区。");
const QString unpreservedMessage = QStringLiteral("检测到异常配置文件，但无法隔离备份；本次运行不会覆盖它。");
const QString saveFailedPrefix = QStringLiteral("配置保存失败：");

template<class T>
bool assignIfChanged(T& field, T value)
{
    if (field == value)
        return false;
    field = std::move(value);
    return true;
}

} // namespace

MorvanteelStore::MorvanteelStore(StoreLocations locations, Seeding seeding, StoreEnvironment environment, QObject* parent)
    : QObject(parent), m_environment(std::move(environment))
{
    if (!m_environment.standardDefaults)
        m_environment.standardDefaults = std::make_shared<platform::FileKeyValueStore>(platform::FileKeyValueStore::defaultFilePath());
    if (!m_environment.widgetReloader)
        m_environment.widgetReloader = std::make_shared<platform::WidgetReloader>();

    m_activeWorkspaceID = m_environment.makeID();
    m_preferences = defaultGlobalPreferences();

    const QString support = defaultSupportDirectory();
    m_persistencePath = locations.persistencePath.value_or(QDir(support).filePath(QStringLiteral("state.json")));
    m_widgetSnapshotPath = locations.widgetSnapshotPath.value_or(defaultWidgetSnapshotPath(support));
    m_demoRootPath = locations.demoRootPath.value_or(QDir(support).filePath(QStringLiteral("DemoDesktop")));

    StoreSaveQueue::Destinations destinations{m_environment.writeFile, m_persistencePath, m_widgetSnapshotPath,
                                              widgetDefaultsKey, m_environment.appGroupDefaults,
                                              m_environment.standardDefaults};
    // Queued to this object's thread; the queue ends before this object, so `this` outlives it.
    m_saves = std::make_unique<StoreSaveQueue>(std::move(destinations), [this] {
        QMetaObject::invokeMethod(this, [this] { deliverSaveOutcomes(); }, Qt::QueuedConnection);
    });

    if (seeding == Seeding::enabled)
        FolderPortalEngine::populateDemoDesktopIfNeeded(QUrl::fromLocalFile(m_demoRootPath));
    loadOrSeed(seeding);
    warmPortalListings();
}

MorvanteelStore::~MorvanteelStore()
{
    // Whatever was saved reaches the disk before the store goes; nobody is left to be told how.
    if (m_snapshotHeld)
        publishHeldSnapshot();
    m_saves.reset();
}

QString MorvanteelStore::defaultSupportDirectory()
{
    return platform::defaultSupportDirectory();
}

QString MorvanteelStore::defaultWidgetSnapshotPath(const QString& fallbackBase)
{
    const QString folder = platform::appGroupContainer(appGroupIdentifier).value_or(fallbackBase);
    return QDir(folder).filePath(QStringLiteral("widget_snapshot.json"));
}

// -- published state ----------------------------------------------------------------------

void MorvanteelStore::setWorkspaces(QList<WorkspaceProfile> workspaces)
{
    if (assignIfChanged(m_workspaces, std::move(workspaces)))
        Q_EMIT workspacesChanged();
}

void MorvanteelStore::setActiveWorkspaceID(const QUuid& id)
{
    if (assignIfChanged(m_activeWorkspaceID, id))
        Q_EMIT activeWorkspaceIDChanged();
}

bool MorvanteelStore::setFences(QList<FenceModel> fences)
{
    if (!std::all_of(fences.cbegin(), fences.cend(), [](const FenceModel& f) { return isFinite(f); }))
        return false;
    if (assignIfChanged(m_fences, std::move(fences)))
        Q_EMIT fencesChanged();
    return true;
}

void MorvanteelStore::setSmartRules(QList<SmartRule> rules)
{
    if (assignIfChanged(m_smartRules, std::move(rules)))
        Q_EMIT smartRulesChanged();
}

bool MorvanteelStore::setPreferences(GlobalPreferences preferences)
{
    if (!std::isfinite(preferences.snapThreshold) || !std::isfinite(preferences.snapGap))
        return false;
    if (assignIfChanged(m_preferences, std::move(preferences)))
        Q_EMIT preferencesChanged();
    return true;
}

void MorvanteelStore::setSelectedFenceID(std::optional<QUuid> id)
{
    if (assignIfChanged(m_selectedFenceID, std::move(id)))
        Q_EMIT selectedFenceIDChanged();
}

void MorvanteelStore::setLastStatusMessage(std::optional<QString> message)
{
    if (assignIfChanged(m_lastStatusMessage, std::move(message)))
        Q_EMIT lastStatusMessageChanged();
}

void MorvanteelStore::setUndoStack(QList<UndoTransaction> stack)
{
    if (assignIfChanged(m_undoStack, std::move(stack)))
        Q_EMIT undoStackChanged();
}

void MorvanteelStore::setRedoStack(QList<UndoTransaction> stack)
{
    if (assignIfChanged(m_redoStack, std::move(stack)))
        Q_EMIT redoStackChanged();
}

bool MorvanteelStore::modifyFence(const QUuid& id, const std::function<bool(FenceModel&)>& change)
{
    for (FenceModel& fence : m_fences) {
        if (fence.id != id)
            continue;
        FenceModel changed = fence;
        if (!change(changed) || !isFinite(changed))
            return false;
        changed.updatedAt = m_environment.now();
        fence = std::move(changed);
        Q_EMIT fencesChanged();
        return true;
    }
    return false;
}

// -- derived views ------------------------------------------------------------------------

std::optional<WorkspaceProfile> MorvanteelStore::activeWorkspace() const
{
    for (const WorkspaceProfile& workspace : m_workspaces) {
        if (workspace.id == m_activeWorkspaceID)
            return workspace;
    }
    if (m_workspaces.isEmpty())
        return std::nullopt;
    return m_workspaces.first();
}

QList<FenceModel> MorvanteelStore::activeFences() const
{
    QList<FenceModel> result;
    for (const FenceModel& fence : m_fences) {
        if (fence.workspaceID == m_activeWorkspaceID)
            result.append(fence);
    }
    std::stable_sort(result.begin(), result.end(), [](const FenceModel& a, const FenceModel& b) {
        if (a.bentoOrder != b.bentoOrder)
            return a.bentoOrder < b.bentoOrder;
        return a.createdAt < b.createdAt;
    });
    return result;
}

std::optional<FenceModel> MorvanteelStore::fence(const QUuid& id) const
{
    for (const FenceModel& fence : m_fences) {
        if (fence.id == id)
            return fence;
    }
    return std::nullopt;
}

// -- start-up -----------------------------------------------------------------------------

void MorvanteelStore::loadOrSeed(Seeding seeding)
{
    if (filepaths::existsNoFollow(m_persistencePath)) {
        QFile file(m_persistencePath);
        std::optional<QByteArray> bytes;
        if (file.open(QIODevice::ReadOnly))
            bytes = file.readAll();
        if (bytes && file.error() == QFileDevice::NoError) {
            const auto document = decodeDocument(*bytes);
            if (document) {
                applyLoadedDocument(document.value());
                // Started first: the snapshot published now reads only the heads it shows.
                warmPortalListings();
                publishWidgetSnapshot();
                return;
            }
        }
        const bool preserved = quarantineStateFile();
        // Without a copy of its bytes the file must outlive this run: nothing writes over it.
        m_stateFileProtected = !preserved;
        setLastStatusMessage(preserved ? quarantinedMessage : unpreservedMessage);
    }
    if (seeding == Seeding::enabled) {
        resetToDefaults(true);
        // A first start, or one after a damaged file: whether the seed could be kept is known
        // when the constructor returns.
        flushPendingSaves();
    }
}

bool MorvanteelStore::quarantineStateFile()
{
    const QString stamp = formatTimestamp(m_environment.now()).value_or(QString()).replace(u':', u'-');
    const QDir folder = QFileInfo(m_persistencePath).dir();
    QString target;
    for (int n = 1;; ++n) {
        const QString suffix = n == 1 ? QString() : u' ' + QString::number(n);
        target = folder.filePath(QStringLiteral("corrupted-state-") + stamp + suffix + QStringLiteral(".json"));
        if (!filepaths::existsNoFollow(target))
            break;
    }

    if (FolderPortalEngine::performSafeMove(QUrl::fromLocalFile(m_persistencePath), QUrl::fromLocalFile(target)))
        return true;

    // The move was refused: keep a copy of the bytes instead, so that the seed may replace the file.
    QFile file(m_persistencePath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    return !m_environment.writeFile(target, bytes);
}

void MorvanteelStore::applyLoadedDocument(const MorvanteelBackupDocument& document)
{
    setWorkspaces(document.workspaces);
    const bool known = std::any_of(document.workspaces.cbegin(), document.workspaces.cend(),
                                   [&](const WorkspaceProfile& w) { return w.id == document.activeWorkspaceID; });
    if (known)
        setActiveWorkspaceID(document.activeWorkspaceID);
    else if (!document.workspaces.isEmpty())
        setActiveWorkspaceID(document.workspaces.first().id);
    else
        setActiveWorkspaceID(m_environment.makeID());
    setFences(document.fences);
    setSmartRules(document.smartRules);
    GlobalPreferences preferences = document.preferences;
    if (preferences.demoPortalRootPath.isEmpty())
        preferences.demoPortalRootPath = m_demoRootPath;
    setPreferences(std::move(preferences));
}

void MorvanteelStore::resetToDefaults(bool reseedDemoFiles)
{
    if (reseedDemoFiles)
        FolderPortalEngine::populateDemoDesktopIfNeeded(QUrl::fromLocalFile(m_demoRootPath));
    SeedDataFactory::SeedBundle seed = SeedDataFactory::makeDefaultSeed(m_demoRootPath, m_environment);
    setWorkspaces(std::move(seed.workspaces));
    setActiveWorkspaceID(seed.activeWorkspaceID);
    setFences(std::move(seed.fences));
    setSmartRules(std::move(seed.smartRules));
    GlobalPreferences preferences = m_preferences;
    preferences.demoPortalRootPath = m_demoRootPath;
    setPreferences(std::move(preferences));
    save();
}

// -- saving -------------------------------------------------------------------------------

MorvanteelBackupDocument MorvanteelStore::currentDocument() const
{
    return MorvanteelBackupDocument{1, m_environment.now(), m_preferences, m_activeWorkspaceID,
                                    m_workspaces, m_fences, m_smartRules};
}

void MorvanteelStore::save()
{
    // The document shares the models' data until they change again: taking it costs little.
    if (!m_stateFileProtected)
        m_saves->submitState(currentDocument());
    publishWidgetSnapshot();
}

void MorvanteelStore::flushPendingSaves()
{
    if (m_snapshotHeld)
        publishHeldSnapshot();
    m_saves->flush();
    deliverSaveOutcomes();
}

void MorvanteelStore::deliverSaveOutcomes()
{
    for (std::optional<QString>& outcome : m_saves->takeStateOutcomes())
        recordSaveResult(std::move(outcome));
}

void MorvanteelStore::recordSaveResult(std::optional<QString> error)
{
    if (error) {
        // Once per run of failures: a user typing into a note must not see the line flicker.
        if (!m_lastSaveError)
            setLastStatusMessage(saveFailedPrefix + *error + u'。');
    } else if (m_lastSaveError && m_lastStatusMessage && m_lastStatusMessage->startsWith(saveFailedPrefix)) {
        setLastStatusMessage(std::nullopt);
    }
    if (assignIfChanged(m_lastSaveError, std::move(error)))
        Q_EMIT lastSaveErrorChanged();
}

// -- widget snapshot ----------------------------------------------------------------------

namespace {

constexpr qsizetype listCap = 8;
constexpr qsizetype noteLineCap = 4;

QList<WidgetSnapshotItem> portalItems(const FenceModel& fence, const FenceTab& tab, PortalListingCache::Pass& heads,
                                      const StoreEnvironment& environment)
{
    if (!tab.portalPath)
        return {};
    using namespace FolderPortalEngine;
    const PortalScanResult scan = heads.list(tab);
    const QString link = MorvanteelDeepLink::openFence(fence.id).urlString();
    QList<WidgetSnapshotItem> items;
    for (const PortalFileEntry& entry : scan.entries.first(std::min(listCap, scan.entries.size()))) {
        items.append({environment.makeID(), entry.displayName, entry.formattedSize(), entry.symbolName,
                      entry.isDirectory ? FenceItemKind::folder : FenceItemKind::file, link, std::nullopt});
    }
    return items;
}

QList<WidgetSnapshotItem> curatedItems(const FenceModel& fence, const FenceTab& tab)
{
    QList<WidgetSnapshotItem> items;
    for (const FenceItem& item : tab.items.first(std::min(listCap, tab.items.size()))) {
        items.append({item.id, item.title, item.subtitle, item.symbolName, item.kind,
                      MorvanteelDeepLink::runItem(fence.id, item.id).urlString(), std::nullopt});
    }
    return items;
}

QList<WidgetSnapshotItem> checklistItems(const FenceModel& fence, const FenceTab& tab)
{
    QList<WidgetSnapshotItem> items;
    for (const FenceChecklistTask& task : tab.tasks.first(std::min(listCap, tab.tasks.size()))) {
        items.append({task.id, task.title,
                      task.isCompleted ? QStringLiteral("已完成") : QStringLiteral("待完成"),
                      task.isCompleted ? QStringLiteral("checkmark.circle.fill") : QStringLiteral("circle"),
                      FenceItemKind::command, MorvanteelDeepLink::toggleTask(fence.id, task.id).urlString(),
                      task.isCompleted});
    }
    return items;
}

// Characters that show nothing on a line: every Unicode white space (the ideographic space and
// the no-break space among them) and the invisible format characters (zero-width space, byte
// order mark, joiners, direction marks).
bool showsNothing(QChar c)
{
    return c.isSpace() || c.category() == QChar::Other_Format;
}

bool isLineBreak(QChar c)
{
    return c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f' || c == QChar(0x0085)
           || c == QChar(QChar::LineSeparator) || c == QChar(QChar::ParagraphSeparator);
}

// The line without what shows nothing at either end; line breaks other than the line feed
// stay in the line.
QString trimmedNoteLine(const QString& line)
{
    qsizetype start = 0;
    qsizetype end = line.size();
    const auto blank = [](QChar c) { return showsNothing(c) && !isLineBreak(c); };
    while (start < end && blank(line[start]))
        ++start;
    while (end > start && blank(line[end - 1]))
        --end;
    return line.mid(start, end - start);
}

// The note's lines, split where a line feed stands as a character of its own: a carriage return
// with its line feed is one character and splits nothing. Empty lines are dropped.
QStringList noteLines(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const bool end = i == text.size();
        if (!end && (text[i] != u'\n' || (i > 0 && text[i - 1] == u'\r')))
            continue;
        if (i > start)
            lines.append(text.mid(start, i - start));
        start = i + 1;
    }
    return lines;
}

QList<WidgetSnapshotItem> noteItems(const FenceModel& fence, const FenceTab& tab, const StoreEnvironment& environment)
{
    const QStringList lines = noteLines(tab.noteText);
    const QString link = MorvanteelDeepLink::openFence(fence.id).urlString();
    QList<WidgetSnapshotItem> items;
    for (const QString& line : lines.first(std::min(noteLineCap, lines.size()))) {
        // A line of nothing visible, line breaks included, is no item.
        if (std::all_of(line.cbegin(), line.cend(), showsNothing))
            continue;
        const QString title = trimmedNoteLine(line);
        items.append({environment.makeID(), title, std::nullopt, QStringLiteral("text.alignleft"),
                      FenceItemKind::command, link, std::nullopt});
    }
    return items;
}

} // namespace

WidgetSnapshotPayload MorvanteelStore::makeWidgetSnapshot() const
{
    WidgetSnapshotPayload payload;
    for (const WorkspaceProfile& workspace : m_workspaces)
        payload.workspaces.append({workspace.id, workspace.name, workspace.symbolName, workspace.accentTint});
    const auto active = activeWorkspace();
    const QString workspaceName = active ? active->name : QStringLiteral("工作台");

    // Only the head of a listing is shown, so only the head is read in full.
    PortalListingCache::Pass heads(m_portalListings, listCap);
    for (const FenceModel& fence : activeFences()) {
        WidgetSnapshotFence entry;
        entry.id = fence.id;
        entry.workspaceID = fence.workspaceID;
        entry.workspaceName = workspaceName;
        entry.title = fence.title;
        entry.symbolName = fence.symbolName;
        entry.kind = fence.primaryKind();
        entry.tint = fence.style.tint;
        if (const FenceTab* tab = fence.activeTab()) {
            switch (tab->kind) {
            case FenceKind::portal: entry.items = portalItems(fence, *tab, heads, m_environment); break;
            case FenceKind::curated: entry.items = curatedItems(fence, *tab); break;
            case FenceKind::checklist: entry.items = checklistItems(fence, *tab); break;
            case FenceKind::notes:
                entry.items = noteItems(fence, *tab, m_environment);
                entry.notePreview = tab->noteText;
                break;
            }
        }
        entry.itemCount = entry.items.size();
        entry.deepLinkURL = MorvanteelDeepLink::openFence(fence.id).urlString();
        payload.fences.append(std::move(entry));
    }
    payload.generatedAt = m_environment.now();
    payload.activeWorkspaceID = m_activeWorkspaceID;
    payload.activeWorkspaceName = workspaceName;
    return payload;
}

void MorvanteelStore::publishWidgetSnapshot()
{
    // A head read now while the worker reads the same folder whole would read it twice, on
    // this thread: the snapshot waits for the worker instead, the state is saved regardless.
    if (m_portalListings.isWarming()) {
        m_snapshotHeld = true;
        return;
    }
    publishHeldSnapshot();
}

void MorvanteelStore::publishHeldSnapshot()
{
    m_snapshotHeld = false;
    // The heads are read here, where the listings live; the encoding and the writes are queued.
    m_saves->submitSnapshot(makeWidgetSnapshot());
    m_environment.widgetReloader->reloadAllTimelines();
}

std::optional<WidgetSnapshotPayload> MorvanteelStore::loadWidgetSnapshot(const std::optional<QString>& path,
                                                                        const platform::KeyValueStore* appGroupDefaults,
                                                                        const platform::KeyValueStore* standardDefaults)
{
    const QString file = path.value_or(defaultWidgetSnapshotPath(defaultSupportDirectory()));
    QFile snapshot(file);
    if (snapshot.open(QIODevice::ReadOnly)) {
        if (auto payload = json::decode<WidgetSnapshotPayload>(snapshot.readAll()))
            return std::move(payload).value();
    }
    if (appGroupDefaults) {
        if (const auto bytes = appGroupDefaults->data(widgetDefaultsKey)) {
            if (auto payload = json::decode<WidgetSnapshotPayload>(*bytes))
                return std::move(payload).value();
        }
    }
    const platform::FileKeyValueStore userDefaults(platform::FileKeyValueStore::defaultFilePath());
    const platform::KeyValueStore& standard = standardDefaults ? *standardDefaults : userDefaults;
    if (const auto bytes = standard.data(widgetDefaultsKey)) {
        if (auto payload = json::decode<WidgetSnapshotPayload>(*bytes))
            return std::move(payload).value();
    }
    return std::nullopt;
}

} // namespace mv
