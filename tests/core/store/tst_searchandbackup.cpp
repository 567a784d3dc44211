// QtTest first: moc reads this file with C++17 predefines and stumbles on <concepts> otherwise.
#include <QtTest>

#include "support/StoreFixture.h"

#include "core/models/Uuid.h"

#include <QSignalSpy>

using namespace mv;
using namespace Qt::StringLiterals;

namespace {

FenceTab portalTab(const std::optional<QString>& path)
{
    FenceTab tab;
    tab.id = newUuid();
    tab.title = u"文件"_s;
    tab.symbolName = u"folder"_s;
    tab.kind = FenceKind::portal;
    tab.portalPath = path;
    tab.sortMode = FenceSortMode::nameAsc;
    return tab;
}

FenceTab notesTab()
{
    FenceTab tab;
    tab.id = newUuid();
    tab.title = u"便签"_s;
    tab.symbolName = u"note.text"_s;
    tab.kind = FenceKind::notes;
    return tab;
}

// An empty store with one active and one other workspace; tests add fences.
struct World : TwoWorkspaceStore {
    void addFence(const QUuid& workspace, const QString& title, const QList<FenceTab>& tabs)
    {
        appendFence(workspace, title, tabs);
    }

    void files(const QString& folder, const QStringList& names)
    {
        for (const QString& name : names)
            QVERIFY(writeFile(path(folder + u'/' + name), "x"));
    }
};

// The portal files among the results, as "tab title/file name", sorted.
QStringList portalHits(const QList<SpotSearchResult>& results, const QHash<QUuid, QString>& tabNames)
{
    QStringList hits;
    for (const SpotSearchResult& result : results) {
        if (result.category != SpotSearchCategory::portalFile)
            continue;
        hits.append(tabNames.value(*result.tabID, u"?"_s) + u'/' + result.targetURL->fileName());
    }
    hits.sort();
    return hits;
}

QByteArray oversized(QByteArray document, qsizetype size)
{
    // Still a good document: white space after it is allowed.
    document.append(QByteArray(size - document.size(), ' '));
    return document;
}

} // namespace

class SearchAndBackupTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void displaySwitches_data()
    {
        // Peek turned on also lifts the curtain; nothing else couples the switches. Every
        // call saves, also one that changes nothing, and signals only a real change.
        QTest::addColumn<QString>("call");
        QTest::addColumn<bool>("peekBefore");
        QTest::addColumn<bool>("curtainBefore");
        QTest::addColumn<bool>("peekAfter");
        QTest::addColumn<bool>("curtainAfter");
        QTest::addColumn<bool>("lockAfter");
        QTest::newRow("togglePeek on lifts the curtain") << u"togglePeek"_s << false << true << true << false << false;
        QTest::newRow("togglePeek off leaves the curtain off") << u"togglePeek"_s << true << false << false << false << false;
        QTest::newRow("togglePeek off leaves the curtain on") << u"togglePeek"_s << true << true << false << true << false;
        QTest::newRow("setPeek true lifts the curtain") << u"setPeek true"_s << false << true << true << false << false;
        QTest::newRow("setPeek true when on") << u"setPeek true"_s << true << false << true << false << false;
        QTest::newRow("setPeek false keeps the curtain") << u"setPeek false"_s << true << true << false << true << false;
        QTest::newRow("setPeek false when off") << u"setPeek false"_s << false << false << false << false << false;
        QTest::newRow("curtain on keeps Peek") << u"toggleDesktopCurtain"_s << true << false << true << true << false;
        QTest::newRow("curtain off") << u"toggleDesktopCurtain"_s << false << true << false << false << false;
        QTest::newRow("layout lock") << u"toggleGlobalLayoutLock"_s << true << true << true << true << true;
    }

    void displaySwitches()
    {
        QFETCH(QString, call);
        QFETCH(bool, peekBefore);
        QFETCH(bool, curtainBefore);
        QFETCH(bool, peekAfter);
        QFETCH(bool, curtainAfter);
        QFETCH(bool, lockAfter);
        World w;
        GlobalPreferences before = w.store->preferences();
        before.isPeekActive = peekBefore;
        before.isDesktopCurtainHidden = curtainBefore;
        QVERIFY(w.store->setPreferences(before));
        QSignalSpy changes(w.store.get(), &MorvanteelStore::preferencesChanged);
        const int saves = w.reloader->requestCount();

        if (call == u"togglePeek")
            w.store->togglePeek();
        else if (call == u"setPeek true")
            w.store->setPeek(true);
        else if (call == u"setPeek false")
            w.store->setPeek(false);
        else if (call == u"toggleDesktopCurtain")
            w.store->toggleDesktopCurtain();
        else
            w.store->toggleGlobalLayoutLock();

        const GlobalPreferences& after = w.store->preferences();
        QCOMPARE(after.isPeekActive, peekAfter);
        QCOMPARE(after.isDesktopCurtainHidden, curtainAfter);
        QCOMPARE(after.isLayoutLocked, lockAfter);
        QCOMPARE(changes.count(), after == before ? 0 : 1);
        QCOMPARE(w.reloader->requestCount(), saves + 1);
        const auto saved = decodeDocument(w.stateOnDisk());
        QVERIFY(saved);
        QCOMPARE(saved.value().preferences, after);
        QVERIFY(!w.store->lastStatusMessage());
    }

    void searchCoversEveryPortalTabOfTheActiveFences()
    {
        World w;
        w.files(u"projects"_s, {u"季度报告.pdf"_s, u"报告草稿.txt"_s, u"photo.png"_s});
        w.files(u"shared"_s, {u"报告模板.docx"_s, u".报告备份"_s, u"图片报告.png"_s});
        w.files(u"archive"_s, {u"旧报告.pdf"_s});

        // The portal is the second, inactive tab of its fence.
        FenceTab projects = portalTab(w.path(u"projects"_s));
        // One folder through two tabs: hidden files in one, a filter in the other.
        FenceTab withHidden = portalTab(w.path(u"shared"_s));
        withHidden.showHiddenFiles = true;
        FenceTab filtered = portalTab(w.path(u"shared"_s));
        filtered.portalFilter = u"  png \n"_s;
        FenceTab blankFilter = portalTab(w.path(u"shared"_s));
        blankFilter.portalFilter = u" \t\n "_s;
        // A twin of a tab lists the same, under its own id.
        FenceTab twin = withHidden;
        twin.id = newUuid();
        FenceTab missing = portalTab(w.path(u"gone"_s));
        FenceTab relative = portalTab(u"projects"_s);
        FenceTab other = portalTab(w.path(u"archive"_s));
        QDir::setCurrent(w.dir.path());

        w.addFence(w.desk, u"项目"_s, {notesTab(), projects});
        w.addFence(w.desk, u"共享"_s, {withHidden, filtered, blankFilter, missing, relative, twin});
        w.addFence(w.archive, u"归档"_s, {other});
        const QHash<QUuid, QString> names{{projects.id, u"projects"_s}, {withHidden.id, u"hidden"_s},
                                          {filtered.id, u"filtered"_s}, {blankFilter.id, u"blank"_s},
                                          {missing.id, u"missing"_s}, {relative.id, u"relative"_s},
                                          {other.id, u"archive"_s}, {twin.id, u"twin"_s}};
        const int saves = w.reloader->requestCount();

        const QStringList hits = portalHits(w.store->spotSearch(u"报告"_s), names);
        QCOMPARE(hits, (QStringList{u"blank/图片报告.png"_s, u"blank/报告模板.docx"_s,
                                    u"filtered/图片报告.png"_s,
                                    u"hidden/.报告备份"_s, u"hidden/图片报告.png"_s, u"hidden/报告模板.docx"_s,
                                    u"projects/季度报告.pdf"_s, u"projects/报告草稿.txt"_s,
                                    u"twin/.报告备份"_s, u"twin/图片报告.png"_s, u"twin/报告模板.docx"_s}));
        // Searching changes and saves nothing.
        QCOMPARE(w.reloader->requestCount(), saves);

        // Each query lists the folders again.
        w.files(u"projects"_s, {u"新报告.md"_s});
        QVERIFY(portalHits(w.store->spotSearch(u"报告"_s), names).contains(u"projects/新报告.md"_s));
    }

    void searchReturnsAtMost32()
    {
        World w;
        QStringList many;
        for (int i = 0; i < 50; ++i)
            many.append(u"发票 %1.pdf"_s.arg(i));
        w.files(u"bills"_s, many);
        w.addFence(w.desk, u"账单"_s, {portalTab(w.path(u"bills"_s))});
        QCOMPARE(w.store->spotSearch(u"发票"_s).size(), 32);
    }

    void exportImportRoundTrip()
    {
        StoreFixture from;
        const auto source = from.makeStore();
        source->toggleGlobalLayoutLock();
        const QDateTime exportTime = from.clock.addSecs(60);
        from.clock = exportTime;

        const auto exported = source->exportBackupJSON();
        QVERIFY(exported);
        QCOMPARE(exported.value().exportedAt, exportTime);
        // Not stamped until the file is written.
        QVERIFY(!source->preferences().lastExportDate);
        const auto document = decodeDocument(exported.value().bytes);
        QVERIFY(document);
        QCOMPARE(document.value().preferences.lastExportDate, std::optional<QDateTime>(exportTime));
        QCOMPARE(document.value().exportedAt, exportTime);
        QVERIFY(!decodeDocument(from.stateOnDisk()).value().preferences.lastExportDate);

        source->markBackupExported(exported.value().exportedAt);
        QCOMPARE(source->preferences().lastExportDate, std::optional<QDateTime>(exportTime));
        // The state file takes the date with the next save.
        QVERIFY(!decodeDocument(from.stateOnDisk()).value().preferences.lastExportDate);
        source->save();
        QCOMPARE(decodeDocument(from.stateOnDisk()).value().preferences.lastExportDate,
                 std::optional<QDateTime>(exportTime));

        StoreFixture to;
        to.clock = exportTime.addSecs(3600);
        const auto target = to.makeStore();
        QVERIFY(target->fences() != source->fences()); // seeds of their own ids
        const auto imported = target->importBackupJSON(exported.value().bytes);
        QVERIFY2(imported, qPrintable(imported ? QString() : imported.error().message));
        QCOMPARE(target->workspaces(), source->workspaces());
        QCOMPARE(target->activeWorkspaceID(), source->activeWorkspaceID());
        QCOMPARE(target->fences(), source->fences());
        QCOMPARE(target->smartRules(), source->smartRules());
        QCOMPARE(target->preferences(), source->preferences());
        QCOMPARE(target->lastStatusMessage(), std::optional<QString>(u"已成功导入配置备份（8 个围栏）。"_s));

        // The state file says the same, apart from when it was written.
        MorvanteelBackupDocument saved = decodeDocument(to.stateOnDisk()).value();
        QCOMPARE(saved.exportedAt, to.clock);
        saved.exportedAt = exportTime;
        QCOMPARE(saved, document.value());
    }

    void failedImportsChangeNothing_data()
    {
        // Whatever is wrong with the bytes, the state, its signals and the state file's bytes
        // stay as they were, and the error says why.
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message"); // the whole text, or its start when it ends in "…"
        QTest::newRow("garbage") << u"garbage"_s << 422 << u"导入失败：备份文件无法读取（…"_s;
        QTest::newRow("truncated document") << u"truncated"_s << 422 << u"导入失败：备份文件无法读取（…"_s;
        QTest::newRow("no workspaces") << u"empty"_s << 400 << u"备份文件中没有工作区配置。"_s;
        QTest::newRow("over 64 MB") << u"oversized"_s << 413 << u"导入失败：备份文件超过 64 MB。"_s;
    }

    void failedImportsChangeNothing()
    {
        QFETCH(QString, kind);
        QFETCH(int, code);
        QFETCH(QString, message);

        StoreFixture other;
        const auto donor = other.makeStore();
        QByteArray good = donor->exportBackupJSON().value().bytes;
        QByteArray bytes;
        if (kind == u"garbage") {
            bytes = "PK\x03\x04 this is a zip, not a backup";
        } else if (kind == u"truncated") {
            bytes = good.left(good.size() / 2);
        } else if (kind == u"empty") {
            MorvanteelBackupDocument document = decodeDocument(good).value();
            document.workspaces.clear();
            bytes = encodeDocument(document).value();
        } else {
            bytes = oversized(good, qsizetype(64) * 1024 * 1024 + 1);
        }

        StoreFixture f;
        const auto store = f.makeStore();
        store->setSelectedFenceID(store->fences().first().id);
        store->setLastStatusMessage(u"之前的消息"_s);
        const QByteArray stateBefore = f.stateOnDisk();
        const MorvanteelBackupDocument before{1, f.clock, store->preferences(), store->activeWorkspaceID(),
                                              store->workspaces(), store->fences(), store->smartRules()};
        const int saves = f.reloader->requestCount();
        QSignalSpy workspaces(store.get(), &MorvanteelStore::workspacesChanged);
        QSignalSpy fences(store.get(), &MorvanteelStore::fencesChanged);
        QSignalSpy status(store.get(), &MorvanteelStore::lastStatusMessageChanged);

        const auto result = store->importBackupJSON(bytes);
        QVERIFY(!result);
        QCOMPARE(result.error().domain, u"Morvanteel"_s);
        QCOMPARE(result.error().code, code);
        if (message.endsWith(u'…'))
            QVERIFY2(result.error().message.startsWith(message.chopped(1)), qPrintable(result.error().message));
        else
            QCOMPARE(result.error().message, message);

        QCOMPARE(f.stateOnDisk(), stateBefore);
        const MorvanteelBackupDocument after{1, f.clock, store->preferences(), store->activeWorkspaceID(),
                                             store->workspaces(), store->fences(), store->smartRules()};
        QCOMPARE(after, before);
        QCOMPARE(store->selectedFenceID(), std::optional<QUuid>(store->fences().first().id));
        QCOMPARE(store->lastStatusMessage(), std::optional<QString>(u"之前的消息"_s));
        QCOMPARE(workspaces.count() + fences.count() + status.count(), 0);
        QCOMPARE(f.reloader->requestCount(), saves);
    }

    void importAtTheSizeLimitAndOfALaterSchema()
    {
        StoreFixture other;
        const auto donor = other.makeStore();
        MorvanteelBackupDocument document = decodeDocument(donor->exportBackupJSON().value().bytes).value();
        document.schemaVersion = 2;
        const QByteArray bytes = oversized(encodeDocument(document).value(), qsizetype(64) * 1024 * 1024);

        StoreFixture f;
        const auto store = f.makeStore();
        const auto result = store->importBackupJSON(bytes);
        QVERIFY2(result, qPrintable(result ? QString() : result.error().message));
        QCOMPARE(store->fences(), donor->fences());
        // Written as this program writes it.
        QCOMPARE(decodeDocument(f.stateOnDisk()).value().schemaVersion, 1);
    }

    void importThatCannotBeSavedIsRolledBack()
    {
        StoreFixture other;
        const auto donor = other.makeStore();
        const QByteArray bytes = donor->exportBackupJSON().value().bytes;

        StoreFixture f;
        const QString folder = f.dir.filePath(u"state"_s);
        const QString snapshot = f.dir.filePath(u"snapshot.json"_s);
        MorvanteelStore store({folder + u"/state.json"_s, snapshot, f.demoPath()}, Seeding::enabled, f.environment());
        f.track(store);
        QVERIFY(!store.lastSaveError());
        const QList<FenceModel> fencesBefore = store.fences();
        const QUuid activeBefore = store.activeWorkspaceID();
        store.setSelectedFenceID(fencesBefore.first().id);

        // The state file's folder gives way to a plain file: no save can succeed now.
        const QString kept = f.dir.filePath(u"kept"_s);
        QVERIFY(QDir().rename(folder, kept));
        QVERIFY(StoreFixture::writeFile(folder, "in the way"));
        const QByteArray stateBefore = StoreFixture::readFile(kept + u"/state.json"_s);

        const auto result = store.importBackupJSON(bytes);
        QVERIFY(!result);
        QCOMPARE(result.error().code, 500);
        QVERIFY2(result.error().message.startsWith(u"导入失败：配置未能保存（"_s), qPrintable(result.error().message));
        QCOMPARE(store.fences(), fencesBefore);
        QCOMPARE(store.activeWorkspaceID(), activeBefore);
        QCOMPARE(store.selectedFenceID(), std::optional<QUuid>(fencesBefore.first().id));
        QVERIFY(!store.lastStatusMessage());
        QVERIFY(!store.lastSaveError());
        f.flushSaves();
        QCOMPARE(StoreFixture::readFile(folder), QByteArray("in the way"));
        QCOMPARE(StoreFixture::readFile(kept + u"/state.json"_s), stateBefore);
        // The widget shows the state that was kept, not the one that could not be.
        QCOMPARE(MorvanteelStore::loadWidgetSnapshot(snapshot)->activeWorkspaceID, activeBefore);
    }

    void importDropsASelectionThatNamesNoFence()
    {
        StoreFixture other;
        const auto donor = other.makeStore();
        StoreFixture f;
        const auto store = f.makeStore();

        // Its own export keeps the selection; another installation's does not know the fence.
        const QUuid selected = store->fences().first().id;
        store->setSelectedFenceID(selected);
        QVERIFY(store->importBackupJSON(store->exportBackupJSON().value().bytes));
        QCOMPARE(store->selectedFenceID(), std::optional<QUuid>(selected));
        QVERIFY(store->importBackupJSON(donor->exportBackupJSON().value().bytes));
        QVERIFY(!store->selectedFenceID());
    }
};

QTEST_GUILESS_MAIN(SearchAndBackupTest)
#include "tst_searchandbackup.moc"
