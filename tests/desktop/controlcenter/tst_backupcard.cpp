#include "core/models/JsonCodec.h"
#include "core/store/support/StoreFixture.h"
#include "design/DesignEnvironment.h"
#include "design/LiquidGlassPillButton.h"
#include "desktop/controlcenter/AppearanceLabTabView.h"
#include "desktop/controlcenter/BackupCardView.h"
#include "desktop/controlcenter/GlobalPhysicsCardView.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <sys/stat.h>

#include <memory>

using namespace mv;
using namespace Qt::StringLiterals;

namespace {

// A seeded store on a temporary folder and the appearance page over it, shown; the file
// dialogs are answered by the paths queued here and record what they were asked.
struct PageFixture : StoreFixture {
    std::unique_ptr<MorvanteelStore> store = makeStore();
    DesignEnvironment environment;
    std::optional<QString> saveAnswer;
    std::optional<QString> openAnswer;
    QStringList suggestedNames;
    QStringList filters;
    int confirmations = 0;
    bool confirmAnswer = false;
    std::unique_ptr<AppearanceLabTabView> page;

    PageFixture()
    {
        ControlCenterFileDialogs dialogs;
        dialogs.chooseSaveFile = [this](QWidget*, const QString&, const QString& suggestedName, const QString& filter) {
            suggestedNames.append(suggestedName);
            filters.append(filter);
            return saveAnswer;
        };
        dialogs.chooseOpenFile = [this](QWidget*, const QString&, const QString& filter) {
            filters.append(filter);
            return openAnswer;
        };
        dialogs.chooseFolder = [](QWidget*, const QString&, const QString&) { return std::optional<QString>(); };
        page = std::make_unique<AppearanceLabTabView>(*store, &environment, dialogs);
        card()->confirmReset = [this](QWidget*) {
            ++confirmations;
            return confirmAnswer;
        };
        page->resize(1000, 800);
        page->show();
        if (!QTest::qWaitForWindowExposed(page.get()))
            qFatal("the appearance page was not exposed");
    }

    BackupCardView* card() const { return page->backupCard(); }
    void clickExport() const { QTest::mouseClick(card()->exportButton(), Qt::LeftButton); }
    void clickImport() const { QTest::mouseClick(card()->importButton(), Qt::LeftButton); }
    void clickReset() const { QTest::mouseClick(card()->resetButton(), Qt::LeftButton); }

    QString path(const QString& relative) const { return dir.filePath(relative); }
    QString status() const { return store->lastStatusMessage().value_or(QString()); }
};

MorvanteelBackupDocument readDocument(const QString& path)
{
    const auto document = decodeDocument(StoreFixture::readFile(path));
    if (!document)
        qFatal("not a backup document: %s", qPrintable(path));
    return document.value();
}

// What a state holds, apart from when it was written.
MorvanteelBackupDocument stateOf(const MorvanteelStore& store)
{
    return MorvanteelBackupDocument{1, QDateTime(), store.preferences(), store.activeWorkspaceID(),
                                    store.workspaces(), store.fences(), store.smartRules()};
}

MorvanteelBackupDocument withoutExportDate(MorvanteelBackupDocument document)
{
    document.exportedAt = QDateTime();
    return document;
}

} // namespace

class BackupCardTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // -- export and import ------------------------------------------------------------------

    // What one page exports another imports whole: the state is the same apart from when the
    // file was written, and the status names the file as it was saved, not as suggested.
    void exportThenImportGivesTheSameState()
    {
        PageFixture from;
        from.store->toggleGlobalLayoutLock();
        from.clock = from.clock.addSecs(90);
        from.saveAnswer = from.path(u"我的备份.json"_s);
        from.clickExport();

        QCOMPARE(from.suggestedNames, QStringList{u"Morvanteel-Backup.json"_s});
        QVERIFY(from.filters.first().contains(u"*.json"_s));
        QCOMPARE(from.status(), u"已导出配置备份至 我的备份.json"_s);
        QCOMPARE(from.store->preferences().lastExportDate, std::optional<QDateTime>(from.clock));
        struct stat info {};
        QCOMPARE(::stat(QFile::encodeName(*from.saveAnswer).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, mode_t(0600));
        const MorvanteelBackupDocument exported = readDocument(*from.saveAnswer);
        QCOMPARE(exported.exportedAt, from.clock);
        QCOMPARE(withoutExportDate(exported), stateOf(*from.store));

        PageFixture to;
        to.clock = from.clock.addSecs(3600);
        QVERIFY(to.store->fences() != from.store->fences());
        to.openAnswer = from.saveAnswer;
        to.clickImport();

        QCOMPARE(to.status(), u"已成功导入配置备份（%1 个围栏）。"_s.arg(from.store->fences().size()));
        QCOMPARE(stateOf(*to.store), stateOf(*from.store));
        to.flushSaves();
        const MorvanteelBackupDocument saved = readDocument(to.statePath());
        QCOMPARE(saved.exportedAt, to.clock);
        QCOMPARE(withoutExportDate(saved), withoutExportDate(exported));
    }

    // Each export encodes the state afresh: two exports carry two dates, and the second file
    // holds the change made between them.
    void twoExportsCarryTwoDates()
    {
        PageFixture f;
        const QDateTime first = f.clock;
        f.saveAnswer = f.path(u"一.json"_s);
        f.clickExport();
        f.store->toggleGlobalLayoutLock();
        f.clock = f.clock.addSecs(125);
        f.saveAnswer = f.path(u"二.json"_s);
        f.clickExport();

        const MorvanteelBackupDocument one = readDocument(f.path(u"一.json"_s));
        const MorvanteelBackupDocument two = readDocument(f.path(u"二.json"_s));
        QCOMPARE(one.exportedAt, first);
        QCOMPARE(two.exportedAt, f.clock);
        QCOMPARE(one.preferences.lastExportDate, std::optional<QDateTime>(first));
        QCOMPARE(two.preferences.lastExportDate, std::optional<QDateTime>(f.clock));
        QVERIFY(!one.preferences.isLayoutLocked);
        QVERIFY(two.preferences.isLayoutLocked);
        QCOMPARE(f.store->preferences().lastExportDate, std::optional<QDateTime>(f.clock));
        QCOMPARE(f.status(), u"已导出配置备份至 二.json"_s);
    }

    void anExportNotWrittenStampsNothing_data()
    {
        // A cancelled panel says and stamps nothing; a write that fails says so, never that it
        // exported, and stamps nothing either.
        QTest::addColumn<QString>("answer"); // empty: cancelled
        QTest::addColumn<QString>("status");
        QTest::newRow("cancelled") << QString() << u"之前的消息"_s;
        QTest::newRow("folder is a file") << u"blocker/备份.json"_s << u"导出失败："_s;
    }

    void anExportNotWrittenStampsNothing()
    {
        QFETCH(QString, answer);
        QFETCH(QString, status);

        PageFixture f;
        QVERIFY(StoreFixture::writeFile(f.path(u"blocker"_s), "a file, not a folder"));
        f.store->setLastStatusMessage(u"之前的消息"_s);
        const QByteArray stateBefore = f.stateOnDisk();
        const QStringList filesBefore = QDir(f.dir.path()).entryList(QDir::Files);
        QSignalSpy statusChanges(f.store.get(), &MorvanteelStore::lastStatusMessageChanged);
        QSignalSpy preferenceChanges(f.store.get(), &MorvanteelStore::preferencesChanged);
        if (!answer.isEmpty())
            f.saveAnswer = f.path(answer);
        f.clickExport();

        QCOMPARE(f.suggestedNames.size(), 1);
        QVERIFY(!f.store->preferences().lastExportDate);
        QCOMPARE(preferenceChanges.count(), 0);
        QVERIFY2(f.status().startsWith(status), qPrintable(f.status()));
        QVERIFY(!f.status().contains(u"已导出"_s));
        QCOMPARE(statusChanges.count(), answer.isEmpty() ? 0 : 1);
        QCOMPARE(f.stateOnDisk(), stateBefore);
        QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files), filesBefore);
    }

    void aFailedImportChangesNothing_data()
    {
        // Whatever is wrong with the file, the state and the state file's bytes stay, and the
        // status carries exactly one "导入失败：", whether or not the store's reason had it.
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("status"); // the whole text, or its start when it ends in "…"
        QTest::newRow("garbage") << u"garbage"_s << u"导入失败：备份文件无法读取（…"_s;
        QTest::newRow("no workspaces") << u"empty"_s << u"导入失败：备份文件中没有工作区配置。"_s;
        QTest::newRow("over the limit") << u"oversized"_s << u"导入失败：备份文件超过 64 MB。"_s;
        QTest::newRow("missing file") << u"missing"_s << u"导入失败：备份文件无法读取（…"_s;
    }

    void aFailedImportChangesNothing()
    {
        QFETCH(QString, kind);
        QFETCH(QString, status);

        PageFixture f;
        const QString file = f.path(u"备份.json"_s);
        if (kind == u"garbage") {
            QVERIFY(StoreFixture::writeFile(file, "PK\x03\x04 a zip, not a backup"));
        } else if (kind == u"empty") {
            MorvanteelBackupDocument document = stateOf(*f.store);
            document.exportedAt = f.clock;
            document.workspaces.clear();
            QVERIFY(StoreFixture::writeFile(file, encodeDocument(document).value()));
        } else if (kind == u"oversized") {
            // Sparse: the store refuses it by its size, unread.
            QFile big(file);
            QVERIFY(big.open(QIODevice::WriteOnly));
            QVERIFY(big.resize(qint64(64) * 1024 * 1024 + 1));
        }
        f.store->toggleGlobalLayoutLock();
        const QByteArray stateBefore = f.stateOnDisk();
        const MorvanteelBackupDocument before = stateOf(*f.store);
        f.openAnswer = file;
        f.clickImport();

        if (status.endsWith(u'…'))
            QVERIFY2(f.status().startsWith(status.chopped(1)), qPrintable(f.status()));
        else
            QCOMPARE(f.status(), status);
        QCOMPARE(f.status().count(u"导入失败："_s), 1);
        QCOMPARE(stateOf(*f.store), before);
        QCOMPARE(f.stateOnDisk(), stateBefore);
    }

    void aCancelledImportDoesNothing()
    {
        PageFixture f;
        f.store->setLastStatusMessage(u"之前的消息"_s);
        const QByteArray stateBefore = f.stateOnDisk();
        QSignalSpy statusChanges(f.store.get(), &MorvanteelStore::lastStatusMessageChanged);
        f.clickImport();
        QCOMPARE(f.filters.size(), 1);
        QCOMPARE(statusChanges.count(), 0);
        QCOMPARE(f.stateOnDisk(), stateBefore);
    }

    // -- reset ---------------------------------------------------------------------------------

    void resetAsksFirst_data()
    {
        // "取消" changes nothing at all; "重置" brings back the demo workspaces, fences and
        // rules and keeps every other preference and the undo and redo stacks.
        QTest::addColumn<bool>("confirmed");
        QTest::newRow("cancelled") << false;
        QTest::newRow("confirmed") << true;
    }

    void resetAsksFirst()
    {
        QFETCH(bool, confirmed);

        PageFixture f;
        const MorvanteelBackupDocument seeded = stateOf(*f.store);
        WorkspaceProfile renamed = f.store->activeWorkspace().value();
        renamed.name = u"改过的工作区"_s;
        f.store->updateWorkspace(renamed);
        f.store->deleteFence(f.store->activeFences().first().id);
        f.store->setSmartRules({});
        GlobalPreferences preferences = f.store->preferences();
        preferences.isLayoutLocked = true;
        preferences.snapGap = 20;
        preferences.chameleonGlobalEnabled = true;
        QVERIFY(f.store->setPreferences(preferences));
        f.store->save();
        FolderPortalEngine::MoveBatch batch;
        batch.transaction = UndoTransaction{mv::newUuid(), u"整理"_s, f.clock,
                                            {MovedFilePair{f.path(u"a.txt"_s), f.path(u"b/a.txt"_s)}}};
        f.store->recordFileOperation(batch, QString());
        const QList<UndoTransaction> undo = f.store->undoStack();
        const MorvanteelBackupDocument changed = stateOf(*f.store);
        const QByteArray stateBefore = f.stateOnDisk();

        f.confirmAnswer = confirmed;
        f.clickReset();

        QCOMPARE(f.confirmations, 1);
        QCOMPARE(f.store->undoStack(), undo);
        QVERIFY(f.store->redoStack().isEmpty());
        if (!confirmed) {
            QCOMPARE(stateOf(*f.store), changed);
            QCOMPARE(f.stateOnDisk(), stateBefore);
            return;
        }
        QCOMPARE(f.store->workspaces().size(), 3);
        QCOMPARE(f.store->workspaces().size(), seeded.workspaces.size());
        QCOMPARE(f.store->fences().size(), seeded.fences.size());
        QCOMPARE(f.store->smartRules().size(), seeded.smartRules.size());
        QVERIFY(!f.store->smartRules().isEmpty());
        QCOMPARE(f.store->preferences(), preferences);
        f.flushSaves();
        const MorvanteelBackupDocument saved = readDocument(f.statePath());
        QCOMPARE(saved.fences, f.store->fences());
        QCOMPARE(saved.preferences, preferences);
    }

    // The real alert: the title and message as given, "取消" first, the default and the Esc
    // button, "重置" destructive; Esc answers no and "重置" yes.
    void theResetAlert()
    {
        const std::unique_ptr<QMessageBox> alert = BackupCardView::makeResetAlert(nullptr);
        QCOMPARE(alert->text(), u"确认重置为默认演示配置？"_s);
        QCOMPARE(alert->informativeText(), u"将恢复 3 个工作区、默认桌面围栏与智能规则，并确保演示文件夹示例文件就绪。"_s);
        const QList<QAbstractButton*> buttons = alert->buttons();
        QCOMPARE(buttons.size(), 2);
        QCOMPARE(buttons.at(0)->text(), u"取消"_s);
        QCOMPARE(buttons.at(1)->text(), u"重置"_s);
        QCOMPARE(alert->defaultButton(), buttons.at(0));
        QCOMPARE(alert->escapeButton(), buttons.at(0));
        QCOMPARE(alert->buttonRole(buttons.at(1)), QMessageBox::DestructiveRole);

        const auto answerNextAlert = [](const std::function<void(QMessageBox*)>& answer) {
            QTimer::singleShot(0, [answer] {
                auto* shown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                QVERIFY(shown);
                answer(shown);
            });
        };
        answerNextAlert([](QMessageBox* shown) { QTest::keyClick(shown, Qt::Key_Escape); });
        QVERIFY(!BackupCardView::askWithResetAlert(nullptr));
        answerNextAlert([](QMessageBox* shown) { QTest::keyClick(shown, Qt::Key_Return); });
        QVERIFY(!BackupCardView::askWithResetAlert(nullptr));
        answerNextAlert([](QMessageBox* shown) { shown->buttons().at(1)->click(); });
        QVERIFY(BackupCardView::askWithResetAlert(nullptr));
    }

    // The card and its controls as given: fixed 310 wide, export prominent in cerulean, import
    // plain in crystal, right of the global card in the page's top row.
    void theCard()
    {
        PageFixture f;
        BackupCardView* card = f.card();
        QCOMPARE(card->width(), 310);
        QCOMPARE(card->exportButton()->title(), u"导出 JSON 备份…"_s);
        QCOMPARE(card->exportButton()->systemImage(), std::optional<QString>(u"square.and.arrow.up"_s));
        QVERIFY(card->exportButton()->isProminent());
        QCOMPARE(card->exportButton()->tint(), FenceTintPalette::cerulean);
        QCOMPARE(card->importButton()->title(), u"导入 JSON 备份…"_s);
        QCOMPARE(card->importButton()->systemImage(), std::optional<QString>(u"square.and.arrow.down"_s));
        QVERIFY(!card->importButton()->isProminent());
        QCOMPARE(card->importButton()->tint(), FenceTintPalette::crystal);
        QCOMPARE(card->resetButton()->text(), u"恢复默认演示数据…"_s);
        QCOMPARE(card->modifier().tint, FenceTintPalette::cerulean);
        QCOMPARE(card->modifier().glassOpacity, 0.74);
        QWidget* global = f.page->globalCard();
        QCOMPARE(card->mapTo(f.page->widget(), QPoint()).y(), global->mapTo(f.page->widget(), QPoint()).y());
        QCOMPARE(card->mapTo(f.page->widget(), QPoint()).x(), global->mapTo(f.page->widget(), QPoint(global->width(), 0)).x() + 16);
    }

};

QTEST_MAIN(BackupCardTest)
#include "tst_backupcard.moc"
