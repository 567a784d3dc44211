#include "core/store/support/StoreFixture.h"
#include "design/DesignEnvironment.h"
#include "design/FenceItemGridTile.h"
#include "design/LiquidGlassBadge.h"
#include "design/LiquidGlassButton.h"
#include "design/LiquidGlassPillButton.h"
#include "desktop/content/CuratedAddItemPopover.h"
#include "desktop/content/CuratedItemLauncher.h"
#include "desktop/content/CuratedItemListView.h"
#include "desktop/content/CuratedItemModel.h"
#include "desktop/content/CuratedTabView.h"
#include "desktop/content/MacFenceContentView.h"
#include "support/WidgetProbes.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

using namespace mv;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(mv::FenceItemKind)

namespace {

FenceItem item(const QString& title, const QString& target, FenceItemKind kind = FenceItemKind::url,
               bool pinned = false)
{
    return {newUuid(), title, std::nullopt, kind, target, u"globe"_s, std::nullopt, pinned, std::nullopt};
}

FenceTab curatedTab(const QList<FenceItem>& items)
{
    FenceTab tab = plainTab(FenceKind::curated, u"启动台"_s);
    tab.items = items;
    return tab;
}

// A curated fence of the active workspace shown in a fence content view, with every road out
// of the tab recorded instead of taken.
struct Curated : TwoWorkspaceStore {
    DesignEnvironment environment;
    FenceModel fence;
    QList<QUrl> openedURLs;
    QList<CuratedLaunch::StartProgram> startedPrograms;
    QList<std::optional<ControlCenterTab>> openedPages;
    QList<QUrl> deepLinks;
    int spotSearchRequests = 0;
    std::unique_ptr<MacFenceContentView> view;

    explicit Curated(const QList<FenceItem>& items, FenceDisplayDensity density = FenceDisplayDensity::grid)
    {
        fence = appendFence(desk, u"快捷"_s, {curatedTab(items)});
        fence.style.displayDensity = density;
        fence.style.tint = FenceTintPalette::mint;
        store->updateFence(fence);
        FencePanelContent::Callbacks given;
        given.onOpenControlCenter = [this](std::optional<ControlCenterTab> tab) { openedPages.append(tab); };
        given.onOpenSpotSearch = [this] { ++spotSearchRequests; };
        view = std::make_unique<MacFenceContentView>(*store, fence.id, given, &environment);
        view->resize(360, 420);
        tab()->opener = {
            [this](const QUrl& url) {
                openedURLs.append(url);
                return true;
            },
            [this](const CuratedLaunch::StartProgram& start) {
                startedPrograms.append(start);
                return true;
            },
        };
        tab()->pathChooser = [](QWidget*) { return std::optional<QString>(); };
    }

    [[nodiscard]] bool show()
    {
        view->show();
        return QTest::qWaitForWindowExposed(view.get());
    }

    CuratedTabView* tab() const { return view->curatedTab(); }
    CuratedAddItemPopover* popover() const { return tab()->popover(); }
    QList<FenceItem> storedItems() const { return store->fence(fence.id)->tabs.first().items; }
    bool nothingLeft() const
    {
        return openedURLs.isEmpty() && startedPrograms.isEmpty() && openedPages.isEmpty() && deepLinks.isEmpty()
            && spotSearchRequests == 0;
    }

    bool runMenuItem(const QUuid& itemID, const QString& text) const
    {
        const std::unique_ptr<QMenu> menu(tab()->createItemMenu(itemID, nullptr));
        QAction* action = menu ? menuItem(menu.get(), text) : nullptr;
        if (!action)
            return false;
        action->trigger();
        QCoreApplication::processEvents(); // the menu's actions run after it has closed
        return true;
    }

    void type(QLineEdit* field, const QString& text) const
    {
        field->setFocus();
        field->selectAll();
        // Key by key as a keyboard types it; keyClicks takes Latin-1 only.
        for (const QChar c : text)
            QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
};

} // namespace

class TestCuratedTabView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // -- new items from the popover's fields --------------------------------------------------

    void newItemFromFields_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("target");
        QTest::addColumn<FenceItemKind>("kind");
        QTest::addColumn<bool>("made");
        QTest::addColumn<QString>("wantTitle");
        QTest::addColumn<QString>("wantTarget");
        QTest::addColumn<QString>("wantLabel");
        QTest::addColumn<QString>("wantSymbol");
        // Both fields are trimmed of whitespace and newlines; a blank title takes the target;
        // a blank target makes nothing; the kind gives the label (subtitle and badge) and symbol.
        QTest::newRow("blank title, padded url") << u"   "_s << u"  https://example.org/a \n"_s << FenceItemKind::url
                                                 << true << u"https://example.org/a"_s << u"https://example.org/a"_s
                                                 << u"网页链接"_s << u"globe"_s;
        QTest::newRow("titled file") << u" 设计文档 "_s << u"~/Documents/plan.pdf"_s << FenceItemKind::file << true
                                     << u"设计文档"_s << u"~/Documents/plan.pdf"_s << u"文件"_s << u"doc.fill"_s;
        QTest::newRow("app") << u"编辑器"_s << u"/usr/bin/editor"_s << FenceItemKind::app << true << u"编辑器"_s
                             << u"/usr/bin/editor"_s << u"应用"_s << u"app.badge.checkmark.fill"_s;
        QTest::newRow("shortcut") << QString() << u"shortcuts://run"_s << FenceItemKind::shortcut << true
                                  << u"shortcuts://run"_s << u"shortcuts://run"_s << u"快捷指令"_s << u"bolt.fill"_s;
        QTest::newRow("blank target") << u"名称"_s << u" \t\n "_s << FenceItemKind::url << false << QString()
                                      << QString() << QString() << QString();
        // Anything else goes in untested: it need not parse or exist.
        QTest::newRow("not a url") << QString() << u"not a url"_s << FenceItemKind::url << true << u"not a url"_s
                                   << u"not a url"_s << u"网页链接"_s << u"globe"_s;
    }

    void newItemFromFields()
    {
        QFETCH(QString, title);
        QFETCH(QString, target);
        QFETCH(FenceItemKind, kind);
        QFETCH(bool, made);
        const QUuid id = newUuid();
        const std::optional<FenceItem> made_ = CuratedTabView::newItem(title, target, kind, id);
        QCOMPARE(made_.has_value(), made);
        if (!made)
            return;
        QCOMPARE(made_->id, id);
        QTEST(made_->title, "wantTitle");
        QTEST(made_->target, "wantTarget");
        QCOMPARE(made_->kind, kind);
        QTEST(made_->subtitle.value_or(QString()), "wantLabel");
        QTEST(made_->badgeText.value_or(QString()), "wantLabel");
        QTEST(made_->symbolName, "wantSymbol");
        QVERIFY(!made_->isPinned);
        QVERIFY(!made_->lastOpenedAt);
    }

    // -- the popover --------------------------------------------------------------------------

    void addingThroughThePopover()
    {
        Curated f({item(u"首页"_s, u"https://example.org"_s)});
        QVERIFY(f.show());
        QCOMPARE(f.tab()->countBadge()->text(), u"1 个快捷入口"_s);
        QTest::mouseClick(f.tab()->addButton(), Qt::LeftButton);
        QVERIFY(f.tab()->isShowingAddItemPopover());
        QCOMPARE(f.popover()->kind(), FenceItemKind::url);

        QTest::mouseClick(f.popover()->segmentButton(FenceItemKind::app), Qt::LeftButton);
        QCOMPARE(f.popover()->kind(), FenceItemKind::app);
        f.type(f.popover()->titleField(), u"编辑器"_s);
        f.type(f.popover()->targetField(), u" /usr/bin/editor "_s);
        QTest::mouseClick(f.popover()->addButton(), Qt::LeftButton);

        // Appended after what was there, the fields emptied and the popover closed.
        const QList<FenceItem> items = f.storedItems();
        QCOMPARE(items.size(), 2);
        QCOMPARE(items.at(0).title, u"首页"_s);
        QCOMPARE(items.at(1).title, u"编辑器"_s);
        QCOMPARE(items.at(1).target, u"/usr/bin/editor"_s);
        QCOMPARE(items.at(1).kind, FenceItemKind::app);
        QVERIFY(!f.tab()->isShowingAddItemPopover());
        QCOMPARE(f.tab()->countBadge()->text(), u"2 个快捷入口"_s);
        // Saved at once.
        QVERIFY(f.stateOnDisk().contains("editor"));

        // The next popover opens with the last kind and empty fields.
        QTest::mouseClick(f.tab()->addButton(), Qt::LeftButton);
        QVERIFY(f.tab()->isShowingAddItemPopover());
        QCOMPARE(f.popover()->kind(), FenceItemKind::app);
        QVERIFY(f.popover()->titleField()->text().isEmpty());
        QVERIFY(f.popover()->targetField()->text().isEmpty());
    }

    void blankTargetAddsNothing()
    {
        Curated f({});
        QVERIFY(f.show());
        f.tab()->setShowingAddItemPopover(true);
        f.type(f.popover()->titleField(), u"名称"_s);
        f.type(f.popover()->targetField(), u"   "_s);
        QSignalSpy changes(f.store.get(), &MorvanteelStore::fencesChanged);
        QTest::mouseClick(f.popover()->addButton(), Qt::LeftButton);
        QCOMPARE(changes.count(), 0);
        QVERIFY(f.storedItems().isEmpty());
        QVERIFY(f.tab()->isShowingAddItemPopover());
        QCOMPARE(f.popover()->titleField()->text(), u"名称"_s);
    }

    void cancelKeepsTheFields()
    {
        Curated f({});
        QVERIFY(f.show());
        f.tab()->setShowingAddItemPopover(true);
        f.type(f.popover()->titleField(), u"日报"_s);
        f.type(f.popover()->targetField(), u"https://example.org/daily"_s);
        QTest::mouseClick(f.popover()->cancelButton(), Qt::LeftButton);
        QVERIFY(!f.tab()->isShowingAddItemPopover());
        QVERIFY(f.storedItems().isEmpty());
        f.tab()->setShowingAddItemPopover(true);
        QCOMPARE(f.popover()->titleField()->text(), u"日报"_s);
        QCOMPARE(f.popover()->targetField()->text(), u"https://example.org/daily"_s);
    }

    void browseAndPlaceholderByKind_data()
    {
        QTest::addColumn<FenceItemKind>("kind");
        QTest::addColumn<bool>("browse");
        QTest::addColumn<QString>("placeholder");
        // Files and apps can be browsed for; only a web link asks for an address.
        QTest::newRow("url") << FenceItemKind::url << false << u"https://..."_s;
        QTest::newRow("file") << FenceItemKind::file << true << u"/路径 或 URL Scheme"_s;
        QTest::newRow("app") << FenceItemKind::app << true << u"/路径 或 URL Scheme"_s;
        QTest::newRow("shortcut") << FenceItemKind::shortcut << false << u"/路径 或 URL Scheme"_s;
    }

    void browseAndPlaceholderByKind()
    {
        QFETCH(FenceItemKind, kind);
        Curated f({});
        QVERIFY(f.show());
        f.tab()->setShowingAddItemPopover(true);
        QTest::mouseClick(f.popover()->segmentButton(kind), Qt::LeftButton);
        QTEST(f.popover()->browseButton()->isVisible(), "browse");
        QTEST(f.popover()->targetField()->placeholderText(), "placeholder");
    }

    void theSegmentsInOrder()
    {
        QStringList labels;
        for (const auto& [kind, label] : CuratedAddItemPopover::kindSegments())
            labels.append(label);
        QCOMPARE(labels, (QStringList{u"网页链接"_s, u"文件/文件夹"_s, u"应用"_s, u"快捷指令"_s}));
    }

    void browsingFillsTargetAndBlankTitle_data()
    {
        QTest::addColumn<FenceItemKind>("kind");
        QTest::addColumn<QString>("typedTitle");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("wantTitle");
        // The chosen path's last part names the item only while no title is typed; a folder
        // chosen under "文件/文件夹" stays of kind file.
        QTest::newRow("file, no title") << FenceItemKind::file << QString() << u"/srv/docs/plan.pdf"_s << u"plan.pdf"_s;
        QTest::newRow("file, blank title") << FenceItemKind::file << u"  "_s << u"/srv/docs/plan.pdf"_s
                                           << u"plan.pdf"_s;
        QTest::newRow("file, typed title") << FenceItemKind::file << u"计划"_s << u"/srv/docs/plan.pdf"_s << u"计划"_s;
        QTest::newRow("folder") << FenceItemKind::file << QString() << u"/srv/docs/"_s << u"docs"_s;
        QTest::newRow("app") << FenceItemKind::app << QString() << u"/usr/share/applications/editor.desktop"_s
                             << u"editor.desktop"_s;
    }

    // "浏览…" in the open popover: the chooser runs with the popover out of its way (a popup
    // would close under the dialog), and the popover is back afterwards with the fields filled,
    // or as they were when the chooser was cancelled.
    void browsingFillsTargetAndBlankTitle()
    {
        QFETCH(FenceItemKind, kind);
        QFETCH(QString, typedTitle);
        QFETCH(QString, chosen);
        Curated f({});
        QVERIFY(f.show());
        QTest::mouseClick(f.tab()->addButton(), Qt::LeftButton);
        QVERIFY(f.tab()->isShowingAddItemPopover());
        QTest::mouseClick(f.popover()->segmentButton(kind), Qt::LeftButton);
        if (!typedTitle.isEmpty())
            f.type(f.popover()->titleField(), typedTitle);
        QList<bool> shownWhileChoosing;
        QWidget* chooserParent = nullptr;
        std::optional<QString> answer = chosen;
        f.tab()->pathChooser = [&](QWidget* parent) {
            shownWhileChoosing << f.popover()->isVisible();
            chooserParent = parent;
            return answer;
        };
        QTest::mouseClick(f.popover()->browseButton(), Qt::LeftButton);
        QTRY_COMPARE(shownWhileChoosing, QList<bool>{false});
        QCOMPARE(chooserParent, static_cast<QWidget*>(f.tab()));
        QCOMPARE(f.popover()->targetField()->text(), chosen);
        QTEST(f.popover()->titleField()->text(), "wantTitle");
        QCOMPARE(f.popover()->kind(), kind);
        QVERIFY(f.tab()->isShowingAddItemPopover());

        // Cancelled: nothing changes, and the popover is still there to go on with.
        answer = std::nullopt;
        QTest::mouseClick(f.popover()->browseButton(), Qt::LeftButton);
        QTRY_COMPARE(shownWhileChoosing.size(), 2);
        QCOMPARE(f.popover()->targetField()->text(), chosen);
        QVERIFY(f.tab()->isShowingAddItemPopover());

        // What was chosen is what "添加" adds.
        QTest::mouseClick(f.popover()->addButton(), Qt::LeftButton);
        QCOMPARE(f.storedItems().size(), 1);
        QCOMPARE(f.storedItems().first().target, chosen);
        QCOMPARE(f.storedItems().first().kind, kind);
        QVERIFY(!f.tab()->isShowingAddItemPopover());
    }

    // The dialog behind "浏览…" gives back one file, or one folder accepted where it stands
    // rather than entered; nothing when cancelled.
    void theFileDialogTakesAFileOrAFolder_data()
    {
        QTest::addColumn<QString>("select"); // relative to the test folder
        QTest::addColumn<bool>("accept");
        QTest::addColumn<QString>("chosen"); // empty: none
        QTest::newRow("file") << u"plan.txt"_s << true << u"plan.txt"_s;
        QTest::newRow("folder") << u"项目"_s << true << u"项目"_s;
        QTest::newRow("cancelled") << u"plan.txt"_s << false << QString();
    }

    void theFileDialogTakesAFileOrAFolder()
    {
        QFETCH(QString, select);
        QFETCH(bool, accept);
        QFETCH(QString, chosen);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(QDir(dir.path()).mkdir(u"项目"_s));
        QVERIFY(StoreFixture::writeFile(dir.filePath(u"plan.txt"_s), "x", false));

        QPointer<QFileDialog> seen;
        QString acceptText;
        QTimer answer;
        answer.setInterval(10);
        int ticksAfterAnswer = 0;
        connect(&answer, &QTimer::timeout, this, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            if (seen) {
                // Still open long after its answer (it entered the folder): closed, so that
                // the comparison below fails rather than the test hanging.
                if (++ticksAfterAnswer > 50)
                    static_cast<QDialog*>(dialog)->reject();
                return;
            }
            seen = dialog;
            acceptText = dialog->labelText(QFileDialog::Accept);
            dialog->setDirectory(dir.path());
            dialog->selectFile(dir.filePath(select));
            // As its button would: through QDialog, where accepting is public.
            QDialog* asked = dialog;
            if (accept)
                asked->accept();
            else
                asked->reject();
        });
        answer.start();
        QWidget parent;
        const std::optional<QString> got = CuratedAddItemPopover::chooseFileOrFolder(&parent);
        answer.stop();
        QVERIFY(seen.isNull()); // gone with its answer
        QCOMPARE(acceptText, CuratedAddItemPopover::browseAcceptText);
        QCOMPARE(got.value_or(QString()), chosen.isEmpty() ? QString() : dir.filePath(chosen));
    }

    // -- the tiles ----------------------------------------------------------------------------

    void tilesFollowTheStoreInPlace()
    {
        const FenceItem a = item(u"甲"_s, u"https://a.example"_s);
        const FenceItem b = item(u"乙"_s, u"https://b.example"_s, FenceItemKind::url, true);
        Curated f({a, b});
        QVERIFY(f.show());
        CuratedItemModel* model = f.tab()->itemModel();
        const CuratedItemListView* list = f.tab()->itemList();
        QCOMPARE(f.view->curatedList(), list);
        QCOMPARE(model->rowCount(), 2);
        QCOMPARE(list->tileFor(model->index(1, 0)).title(), u"乙"_s);

        QSignalSpy resets(model, &QAbstractItemModel::modelReset);
        const QPersistentModelIndex second = model->index(1, 0);
        f.store->addItem(item(u"丙"_s, u"https://c.example"_s), f.fence.id);
        f.store->removeItem(a.id, f.fence.id);
        QCOMPARE(resets.count(), 0);
        QCOMPARE(model->rowCount(), 2);
        QCOMPARE(second.row(), 0); // "乙" moved up with its index
        QCOMPARE(model->index(1, 0).data().toString(), u"丙"_s);
        QCOMPARE(f.tab()->countBadge()->text(), u"2 个快捷入口"_s);
        QCOMPARE(f.view->curatedTab(), f.tab());

        // A folder item is drawn as a directory; nothing is ever drawn selected.
        f.store->addItem(item(u"资料"_s, u"/srv"_s, FenceItemKind::folder), f.fence.id);
        QVERIFY(list->tileFor(model->index(2, 0)).isDirectory());
        QVERIFY(!list->tileFor(model->index(1, 0)).isDirectory());
        QVERIFY(!list->tileFor(model->index(0, 0)).isSelected());
    }

    void appearanceFollowsTheFence()
    {
        Curated f({item(u"甲"_s, u"https://a.example"_s)});
        QVERIFY(f.show());
        CuratedItemListView* list = f.tab()->itemList();
        QCOMPARE(list->viewMode(), QListView::IconMode);
        QCOMPARE(list->tint(), FenceTintPalette::mint);
        FenceModel fence = *f.store->fence(f.fence.id);
        fence.style.displayDensity = FenceDisplayDensity::compactList;
        fence.style.iconScale = 0.5;
        fence.style.tint = FenceTintPalette::amber;
        f.store->updateFence(fence);
        QCOMPARE(f.tab()->itemList(), list);
        QCOMPARE(list->density(), FenceDisplayDensity::compactList);
        QCOMPARE(list->viewMode(), QListView::ListMode);
        QCOMPARE(list->iconScale(), 0.5);
        QCOMPARE(list->tint(), FenceTintPalette::amber);
        QCOMPARE(list->tileFor(f.tab()->itemModel()->index(0, 0)).density(), FenceDisplayDensity::compactList);
    }

    void emptyTabShowsZero()
    {
        Curated f({});
        QVERIFY(f.show());
        QCOMPARE(f.tab()->countBadge()->text(), u"0 个快捷入口"_s);
        QCOMPARE(f.tab()->itemModel()->rowCount(), 0);
    }

    void gridColumns_data()
    {
        QTest::addColumn<double>("iconScale");
        QTest::addColumn<double>("minimum");
        QTest::addColumn<double>("maximum");
        // Columns are max(iconScale × 84, 72) to 28 more.
        QTest::newRow("1.0") << 1.0 << 84.0 << 112.0;
        QTest::newRow("0.5") << 0.5 << 72.0 << 100.0;
        QTest::newRow("1.4") << 1.4 << 117.6 << 145.6;
    }

    void gridColumns()
    {
        QFETCH(double, iconScale);
        QFETCH(double, minimum);
        QFETCH(double, maximum);
        for (const qreal width : {50.0, 200.0, 336.0, 1000.0}) {
            const CuratedGridColumns columns = CuratedGridColumns::fit(width, iconScale);
            QVERIFY(qFuzzyCompare(columns.minimumWidth, minimum));
            QVERIFY(qFuzzyCompare(columns.maximumWidth, maximum));
            QVERIFY(columns.width >= minimum - 1e-9 && columns.width <= maximum + 1e-9);
            if (width >= minimum)
                QVERIFY(columns.count * columns.width + (columns.count - 1) * CuratedGridColumns::spacing <= width + 1e-9);
        }
    }

    void clickOnATileLaunchesIt()
    {
        Curated f({item(u"首页"_s, u"https://example.org/home"_s), item(u"文档"_s, u"https://example.org/docs"_s)});
        QVERIFY(f.show());
        CuratedItemListView* list = f.tab()->itemList();
        const QRect tile = list->tileRect(f.tab()->itemModel()->index(1, 0));
        QVERIFY(!tile.isEmpty());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, tile.center());
        QTRY_COMPARE(f.openedURLs, QList<QUrl>{QUrl(u"https://example.org/docs"_s)});
        // Launching writes nothing.
        QVERIFY(!f.storedItems().at(1).lastOpenedAt);
    }

    void tileMenu_data()
    {
        QTest::addColumn<bool>("pinned");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("unpinned") << false << QStringList{u"打开"_s, u"置顶快捷项"_s, u"—"_s, u"移除入口"_s};
        QTest::newRow("pinned") << true << QStringList{u"打开"_s, u"取消置顶"_s, u"—"_s, u"移除入口"_s};
    }

    void tileMenu()
    {
        QFETCH(bool, pinned);
        const FenceItem first = item(u"甲"_s, u"https://a.example"_s, FenceItemKind::url, pinned);
        const FenceItem second = item(u"乙"_s, u"https://b.example"_s);
        Curated f({first, second});
        const std::unique_ptr<QMenu> menu(f.tab()->createItemMenu(first.id, nullptr));
        QVERIFY(menu);
        QTEST(menuTexts(menu.get()), "texts");
        QVERIFY(menuItem(menu.get(), u"移除入口"_s)->property("destructive").toBool());
        QStringList symbols;
        for (const QAction* action : menu->actions()) {
            if (!action->isSeparator())
                symbols.append(action->property("symbolName").toString());
        }
        QCOMPARE(symbols, (QStringList{u"arrow.up.forward.app"_s, pinned ? u"pin.slash"_s : u"pin"_s, u"trash"_s}));

        // The pin flips and the order stays.
        QVERIFY(f.runMenuItem(first.id, pinned ? u"取消置顶"_s : u"置顶快捷项"_s));
        QCOMPARE(f.storedItems().at(0).id, first.id);
        QCOMPARE(f.storedItems().at(0).isPinned, !pinned);
        QCOMPARE(f.storedItems().at(1).isPinned, false);

        QVERIFY(f.runMenuItem(first.id, u"打开"_s));
        QCOMPARE(f.openedURLs, QList<QUrl>{QUrl(u"https://a.example"_s)});

        QVERIFY(f.runMenuItem(first.id, u"移除入口"_s));
        QCOMPARE(f.storedItems().size(), 1);
        QCOMPARE(f.storedItems().at(0).id, second.id);
        QCOMPARE(f.tab()->countBadge()->text(), u"1 个快捷入口"_s);
        // Gone: no menu.
        QVERIFY(!f.tab()->createItemMenu(first.id, nullptr));
    }

    void menuOnAnItemGoneSinceDoesNothing()
    {
        const FenceItem gone = item(u"甲"_s, u"https://a.example"_s);
        Curated f({gone});
        const std::unique_ptr<QMenu> menu(f.tab()->createItemMenu(gone.id, nullptr));
        QVERIFY(menu);
        f.store->removeItem(gone.id, f.fence.id);
        QSignalSpy changes(f.store.get(), &MorvanteelStore::fencesChanged);
        menuItem(menu.get(), u"置顶快捷项"_s)->trigger();
        menuItem(menu.get(), u"打开"_s)->trigger();
        QCoreApplication::processEvents();
        QCOMPARE(changes.count(), 0);
        QVERIFY(f.openedURLs.isEmpty());
    }

    // -- launching ----------------------------------------------------------------------------

    void ownLinksActInPlace()
    {
        Curated f({});
        const QUuid fenceID = f.fence.id;
        f.tab()->launch(item(u"搜"_s, MorvanteelDeepLink::spotSearch().urlString()));
        QCOMPARE(f.spotSearchRequests, 1);
        f.tab()->launch(item(u"整理"_s, MorvanteelDeepLink::smartTidy().urlString()));
        QCOMPARE(f.openedPages, QList<std::optional<ControlCenterTab>>{ControlCenterTab::smartRules});
        QVERIFY(f.openedURLs.isEmpty());

        f.tab()->launch(item(u"围栏"_s, MorvanteelDeepLink::openFence(fenceID).urlString()));
        QCOMPARE(f.store->selectedFenceID(), std::optional<QUuid>(fenceID));
        f.tab()->launch(item(u"归档"_s, MorvanteelDeepLink::switchWorkspace(f.archive).urlString()));
        QCOMPARE(f.store->activeWorkspaceID(), f.archive);
        QVERIFY(f.openedURLs.isEmpty() && f.startedPrograms.isEmpty());
    }

    // Nothing reaches the system or the program; a target that cannot be run says so.
    void targetsThatDoNothing_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("status"); // empty: none
        QTest::newRow("run item") << MorvanteelDeepLink::runItem(newUuid(), newUuid()).urlString() << QString();
        QTest::newRow("toggle task") << MorvanteelDeepLink::toggleTask(newUuid(), newUuid()).urlString() << QString();
        QTest::newRow("invalid url") << u"not a url"_s << u"无法打开“not a url”：不是绝对路径或网址"_s;
    }

    void targetsThatDoNothing()
    {
        QFETCH(QString, target);
        QFETCH(QString, status);
        Curated f({});
        QSignalSpy changes(f.store.get(), &MorvanteelStore::fencesChanged);
        f.tab()->launch(item(u"x"_s, target));
        QVERIFY(f.nothingLeft());
        QCOMPARE(changes.count(), 0);
        QCOMPARE(f.store->lastStatusMessage().value_or(QString()), status);
    }

    void otherOwnLinksGoToTheDeepLinkHandler()
    {
        Curated f({});
        const QUrl unknown(u"morvanteel://not-a-verb/x"_s);
        // Unwired, the desktop opens it; wired, the runtime's handler gets it instead.
        f.tab()->launch(item(u"x"_s, unknown.toString()));
        QCOMPARE(f.openedURLs, QList<QUrl>{unknown});
        f.openedURLs.clear();
        f.view->onOpenDeepLink = [&](const QUrl& url) { f.deepLinks.append(url); };
        f.tab()->launch(item(u"x"_s, unknown.toString()));
        QCOMPARE(f.deepLinks, QList<QUrl>{unknown});
        QVERIFY(f.openedURLs.isEmpty());
    }

    void launchPlans_data()
    {
        QTest::addColumn<QString>("target"); // "$DIR" is the test folder
        QTest::addColumn<FenceItemKind>("kind");
        QTest::addColumn<QString>("step");   // "open URL", "start PROGRAM ARGS…" or "refuse STATUS"
        const QString home = QDir::homePath();
        // A path opens as a file; "~" is the home folder. Only an app item starts an
        // executable file; any item starts a desktop entry it can read, and opens the rest.
        QTest::newRow("tilde path") << u"~/Documents/plan.pdf"_s << FenceItemKind::file
                                    << u"open "_s + QUrl::fromLocalFile(home + u"/Documents/plan.pdf"_s).toString();
        QTest::newRow("web link") << u"https://example.org/a?b=1"_s << FenceItemKind::url
                                  << u"open https://example.org/a?b=1"_s;
        QTest::newRow("scheme") << u"shortcuts://run-shortcut?name=x"_s << FenceItemKind::shortcut
                                << u"open shortcuts://run-shortcut?name=x"_s;
        QTest::newRow("relative text") << u"not a url"_s << FenceItemKind::url
                                       << u"refuse 无法打开“not a url”：不是绝对路径或网址"_s;
        QTest::newRow("bare name") << u"notes.txt"_s << FenceItemKind::file
                                   << u"refuse 无法打开“notes.txt”：不是绝对路径或网址"_s;
        QTest::newRow("empty") << QString() << FenceItemKind::url << u"refuse 无法打开“x”：没有填写路径或网址"_s;
        QTest::newRow("blank") << u"  "_s << FenceItemKind::url << u"refuse 无法打开“x”：没有填写路径或网址"_s;
        QTest::newRow("app executable") << u"$DIR/tool"_s << FenceItemKind::app << u"start $DIR/tool"_s;
        QTest::newRow("file executable") << u"$DIR/tool"_s << FenceItemKind::file << u"open file://$DIR/tool"_s;
        QTest::newRow("app not executable") << u"$DIR/notes.txt"_s << FenceItemKind::app
                                            << u"open file://$DIR/notes.txt"_s;
        QTest::newRow("app missing") << u"$DIR/gone"_s << FenceItemKind::app << u"open file://$DIR/gone"_s;
        QTest::newRow("desktop entry") << u"$DIR/editor.desktop"_s << FenceItemKind::file
                                       << u"start editor --new-window"_s;
        QTest::newRow("terminal entry") << u"$DIR/term.desktop"_s << FenceItemKind::app
                                        << u"open file://$DIR/term.desktop"_s;
    }

    void launchPlans()
    {
        QFETCH(QString, target);
        QFETCH(FenceItemKind, kind);
        QFETCH(QString, step);
        QTemporaryDir dir;
        QVERIFY(StoreFixture::writeFile(dir.filePath(u"tool"_s), "#!/bin/sh\n", true));
        QVERIFY(StoreFixture::writeFile(dir.filePath(u"notes.txt"_s), "x", false));
        QVERIFY(StoreFixture::writeFile(dir.filePath(u"editor.desktop"_s),
                         "[Desktop Entry]\nType=Application\nName=Editor\nExec=editor --new-window %U\n", false));
        QVERIFY(StoreFixture::writeFile(dir.filePath(u"term.desktop"_s),
                         "[Desktop Entry]\nType=Application\nExec=top\nTerminal=true\n", false));
        target.replace(u"$DIR"_s, dir.path());
        step.replace(u"$DIR"_s, dir.path());

        const CuratedLaunch::Step planned = CuratedLaunch::plan(item(u"x"_s, target, kind));
        QString got;
        if (const auto* open = std::get_if<CuratedLaunch::OpenURL>(&planned))
            got = u"open "_s + open->url.toString();
        else if (const auto* start = std::get_if<CuratedLaunch::StartProgram>(&planned))
            got = (QStringList{u"start"_s, start->program} + start->arguments).join(u' ');
        else if (const auto* refused = std::get_if<CuratedLaunch::Refused>(&planned))
            got = u"refuse "_s + refused->status;
        QCOMPARE(got, step);
    }

    void launchStartsThroughTheOpener()
    {
        QTemporaryDir dir;
        QVERIFY(StoreFixture::writeFile(dir.filePath(u"viewer.desktop"_s),
                         "[Desktop Entry]\nType=Application\nExec=/usr/bin/viewer --title %c %f\nName=Viewer\n"
                         "Path=/srv/work\n",
                         false));
        Curated f({});
        f.tab()->launch(item(u"看图"_s, dir.filePath(u"viewer.desktop"_s), FenceItemKind::app));
        QCOMPARE(f.startedPrograms.size(), 1);
        QCOMPARE(f.startedPrograms.first().program, u"/usr/bin/viewer"_s);
        QCOMPARE(f.startedPrograms.first().arguments, (QStringList{u"--title"_s, u"Viewer"_s}));
        QCOMPARE(f.startedPrograms.first().workingDirectory, u"/srv/work"_s);
        QVERIFY(f.openedURLs.isEmpty());
    }

    // -- desktop entries ----------------------------------------------------------------------

    void splitDesktopExec_data()
    {
        QTest::addColumn<QString>("exec");
        QTest::addColumn<QStringList>("arguments"); // {"<none>"} when it cannot be read
        const QStringList none{u"<none>"_s};
        // Spaces split; double quotes hold one argument in which \" \` \$ \\ stand for the
        // character; file and URL codes vanish, %% is %, %c the name, %k the entry, %i the icon.
        QTest::newRow("plain") << u"app --flag"_s << QStringList{u"app"_s, u"--flag"_s};
        QTest::newRow("field codes dropped") << u"app %U --x %f"_s << QStringList{u"app"_s, u"--x"_s};
        QTest::newRow("code inside an argument") << u"app --file=%f"_s << QStringList{u"app"_s, u"--file="_s};
        QTest::newRow("percent") << u"app 100%%"_s << QStringList{u"app"_s, u"100%"_s};
        QTest::newRow("name, entry, icon") << u"app %c %k %i"_s
                                           << QStringList{u"app"_s, u"Name"_s, u"/e.desktop"_s, u"--icon"_s, u"ic"_s};
        QTest::newRow("quoted") << u"\"/opt/My App/run\" \"a b\""_s << QStringList{u"/opt/My App/run"_s, u"a b"_s};
        QTest::newRow("escapes in quotes") << u"app \"say \\\"hi\\\" \\$HOME \\\\\""_s
                                           << QStringList{u"app"_s, u"say \"hi\" $HOME \\"_s};
        QTest::newRow("empty quoted") << u"app \"\""_s << QStringList{u"app"_s, QString()};
        QTest::newRow("extra spaces") << u"  app   x  "_s << QStringList{u"app"_s, u"x"_s};
        // What only a shell would read is not started without one.
        QTest::newRow("pipe") << u"app | tee log"_s << none;
        QTest::newRow("semicolon") << u"app;rm x"_s << none;
        QTest::newRow("single quotes") << u"sh -c 'x'"_s << none;
        QTest::newRow("variable") << u"app $HOME"_s << none;
        QTest::newRow("open quote") << u"app \"x"_s << none;
        QTest::newRow("bad escape in quotes") << u"app \"\\n\""_s << none;
        QTest::newRow("unknown code") << u"app %z"_s << none;
        QTest::newRow("lone percent") << u"app %"_s << none;
        QTest::newRow("empty") << QString() << none;
        QTest::newRow("only a code") << u"%U"_s << none;
    }

    void splitDesktopExec()
    {
        QFETCH(QString, exec);
        const std::optional<QStringList> split = mv::splitDesktopExec(exec, u"Name"_s, u"ic"_s, u"/e.desktop"_s);
        QTEST(split.value_or(QStringList{u"<none>"_s}), "arguments");
    }

    void desktopEntryCommand_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("command"); // program and arguments joined by "|", or "<none>"
        // Only the [Desktop Entry] group counts; its Exec is string-unescaped first.
        QTest::newRow("application") << QByteArray("# c\n[Desktop Entry]\nType = Application\nExec = app %F\n")
                                     << u"app"_s;
        QTest::newRow("escaped space") << QByteArray("[Desktop Entry]\nType=Application\nExec=app a\\sb\n")
                                       << u"app|a|b"_s; // unescaped first, so the space splits
        QTest::newRow("action group ignored")
            << QByteArray("[Desktop Entry]\nType=Application\nExec=app\n[Desktop Action new]\nExec=app --new\n")
            << u"app"_s;
        QTest::newRow("exec only in another group")
            << QByteArray("[Other]\nExec=app\n[Desktop Entry]\nType=Application\n") << u"<none>"_s;
        QTest::newRow("link") << QByteArray("[Desktop Entry]\nType=Link\nURL=https://example.org\n") << u"<none>"_s;
        QTest::newRow("terminal") << QByteArray("[Desktop Entry]\nType=Application\nExec=top\nTerminal=true\n")
                                  << u"<none>"_s;
        QTest::newRow("relative program") << QByteArray("[Desktop Entry]\nType=Application\nExec=bin/app\n")
                                          << u"<none>"_s;
        QTest::newRow("no exec") << QByteArray("[Desktop Entry]\nType=Application\n") << u"<none>"_s;
    }

    void desktopEntryCommand()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, command);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"e.desktop"_s);
        QVERIFY(StoreFixture::writeFile(path, contents, false));
        const std::optional<CuratedLaunch::StartProgram> start = mv::desktopEntryCommand(path);
        const QString got = start ? (QStringList{start->program} + start->arguments).join(u'|') : u"<none>"_s;
        QCOMPARE(got, command);
    }
};

QTEST_MAIN(TestCuratedTabView)
#include "tst_curatedtabview.moc"
