#include "core/store/support/StoreFixture.h"
#include "design/DesignEnvironment.h"
#include "design/FenceItemGridTile.h"
#include "design/GlassTextLabel.h"
#include "design/LiquidGlassButton.h"
#include "design/LiquidGlassPillButton.h"
#include "desktop/content/MacFenceContentView.h"
#include "desktop/content/PortalBreadcrumbBar.h"
#include "desktop/content/PortalBrowser.h"
#include "desktop/content/PortalDirectoryWatcher.h"
#include "desktop/content/PortalEntryDelegate.h"
#include "desktop/content/PortalEntryListView.h"
#include "desktop/content/PortalEntryModel.h"
#include "desktop/content/PortalFilterField.h"
#include "desktop/content/PortalPlainButton.h"
#include "desktop/content/PortalTabView.h"
#include "support/WidgetProbes.h"

#include <QAbstractItemModelTester>
#include <QInputMethodEvent>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

#include <functional>
#include <memory>

using namespace mv;
using namespace Qt::StringLiterals;

namespace {

bool makeFile(const QString& path, const QByteArray& bytes = "x")
{
    return StoreFixture::writeFile(path, bytes);
}

PortalFileEntry entryAt(const QString& path, bool directory = false)
{
    PortalFileEntry entry;
    entry.url = QUrl::fromLocalFile(path);
    entry.name = path.section(u'/', -1);
    entry.displayName = entry.name;
    entry.isDirectory = directory;
    entry.symbolName = directory ? u"folder.fill"_s : u"doc.fill"_s;
    return entry;
}

// Counts the Space presses that reach a widget, as a key passed on by the portal body would.
class SpaceWatcher final : public QObject {
public:
    int spaces = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space)
            ++spaces;
        return false;
    }
};

// A portal fence over a real folder, shown in the fence content that hosts the portal body:
// two files and a subfolder three levels deep. The folder picker, the desktop's opener and
// the preview are recorded instead of run.
struct Portal : TwoWorkspaceStore {
    DesignEnvironment environment;
    QString folder = path(u"portal"_s);
    QString subfolder = path(u"portal/sub"_s);
    QString otherFolder = path(u"other"_s);
    FenceModel fence;
    QList<std::optional<QString>> reportedSelections; // by the browser, as it changed
    QList<QUrl> opened;
    QList<std::pair<QUrl, QString>> previews;
    std::optional<QString> chosenFolder;
    std::function<void()> whileChoosing;
    int chooserRuns = 0;
    std::unique_ptr<MacFenceContentView> view;

    using TabSetup = std::function<void(FenceTab& tab, const Portal& portal)>;
    using TabChange = std::function<void(FenceTab&)>;

    explicit Portal(const TabSetup& setup = {})
    {
        makeFile(folder + u"/b.txt"_s, "bbbbbbbbbb");
        makeFile(folder + u"/a.txt"_s, "a");
        makeFile(subfolder + u"/inner.txt"_s);
        makeFile(subfolder + u"/two/three/leaf.txt"_s);
        makeFile(otherFolder + u"/elsewhere.txt"_s);
        QDir().mkpath(path(u"empty"_s));

        FenceTab tab = plainTab(FenceKind::portal, u"下载"_s);
        tab.portalPath = folder;
        if (setup)
            setup(tab, *this);
        fence = appendFence(desk, u"下载"_s, {tab, plainTab(FenceKind::notes, u"便笺"_s)});
        fence.style = {FenceTintPalette::mint, 0.72, 22, 1.0, FenceDisplayDensity::grid, false, 0.48, true};
        store->updateFence(fence);
        fence = stored();

        view = std::make_unique<MacFenceContentView>(*store, fence.id, FencePanelContent::Callbacks(), &environment);
        view->resize(360, 480);
        QObject::connect(&browser(), &PortalBrowser::selectionChanged, &browser(),
                         [this] { reportedSelections.append(browser().selectedEntryID()); });
        body()->onTogglePreview = [this](const QUrl& url, const QString& title) { previews.append({url, title}); };
        body()->urlOpener = [this](const QUrl& url) { opened.append(url); };
        body()->folderChooser = [this](QWidget*) {
            ++chooserRuns;
            if (whileChoosing)
                whileChoosing();
            return chosenFolder;
        };
    }

    [[nodiscard]] bool show()
    {
        view->show();
        return QTest::qWaitForWindowExposed(view.get());
    }

    PortalTabView* body() const { return view->portalTab(); }
    PortalBrowser& browser() const { return *view->portalBrowser(); }
    PortalEntryListView* list() const { return body()->entryList(); }
    PortalEntryModel* model() const { return body()->entryModel(); }
    const PortalDirectoryWatcher& watcher() const { return browser().watcher(); }
    FenceModel stored() const { return *store->fence(fence.id); }
    FenceTab storedTab() const { return store->fence(fence.id)->tabs.first(); }
    QUrl url(const QString& path) const { return QUrl::fromLocalFile(path); }
    bool isShown(const QWidget* widget) const { return widget->isVisibleTo(view.get()); }

    QStringList listed() const
    {
        QStringList names;
        for (int row = 0; row < model()->rowCount(); ++row)
            names.append(model()->index(row, 0).data().toString());
        return names;
    }

    QModelIndex indexOf(const QString& name) const
    {
        for (int row = 0; row < model()->rowCount(); ++row) {
            if (model()->index(row, 0).data().toString() == name)
                return model()->index(row, 0);
        }
        return {};
    }

    QPoint centreOf(const QString& name) const { return list()->tileRect(indexOf(name)).center(); }

    void click(const QString& name) const { QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, centreOf(name)); }
    // As the window system delivers one: press, release, press, double click, release.
    void doubleClick(const QString& name) const
    {
        QWidget* target = list()->viewport();
        const QPoint at = centreOf(name);
        QTest::mouseClick(target, Qt::LeftButton, {}, at);
        QTest::mousePress(target, Qt::LeftButton, {}, at);
        QTest::mouseDClick(target, Qt::LeftButton, {}, at);
        QTest::mouseRelease(target, Qt::LeftButton, {}, at);
    }

    void enterTwoFolders() const
    {
        browser().enterFolder(url(subfolder));
        browser().enterFolder(url(subfolder + u"/two"_s));
    }

    void changeTab(const TabChange& change) { store->updateActiveTab(fence.id, change); }
    void change(const std::function<void(FenceModel&)>& edit)
    {
        FenceModel value = stored();
        edit(value);
        store->updateFence(value);
    }

    // A menu as its button opens it, and one of its items run.
    bool runMenuItem(QMenu* opened, const QString& text, const QString& submenu = {})
    {
        const std::unique_ptr<QMenu> menu(opened);
        return triggerMenuItem(menu.get(), text, submenu);
    }
    bool runSortItem(const QString& text) { return runMenuItem(body()->createSortMenu(nullptr), text); }
    bool runSettingsItem(const QString& text, const QString& submenu = {})
    {
        return runMenuItem(body()->createViewSettingsMenu(nullptr), text, submenu);
    }
};

} // namespace

class PortalTabViewTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // -- the listing --------------------------------------------------------------------------

    void listingFollowsTheFolder()
    {
        Portal f;
        QVERIFY(f.show());
        QCOMPARE(f.body()->state(), PortalTabView::State::entries);
        QVERIFY(f.isShown(f.list()));
        QVERIFY(!f.isShown(f.body()->breadcrumbBar()));
        QCOMPARE(f.listed(), (QStringList{u"sub"_s, u"a.txt"_s, u"b.txt"_s}));

        // What another program does in the folder shows without any action here.
        QVERIFY(makeFile(f.folder + u"/c.txt"_s));
        QTRY_COMPARE(f.listed(), (QStringList{u"sub"_s, u"a.txt"_s, u"b.txt"_s, u"c.txt"_s}));
        QVERIFY(QFile::remove(f.folder + u"/a.txt"_s));
        QTRY_COMPARE(f.listed(), (QStringList{u"sub"_s, u"b.txt"_s, u"c.txt"_s}));
    }

    void oneViewDrawsEveryEntry()
    {
        Portal f;
        QVERIFY(f.show());
        const QSet<QWidget*> before = widgetTree(f.view.get());
        for (int i = 0; i < 40; ++i)
            QVERIFY(makeFile(f.folder + u"/many-%1.txt"_s.arg(i, 2, 10, QChar(u'0'))));
        QTRY_COMPARE(f.model()->rowCount(), 43);
        // One row per listed entry, and not one widget more for them.
        QCOMPARE(f.model()->rowCount(), f.watcher().scanResult().entries.size());
        QCOMPARE(widgetTree(f.view.get()), before);
        QVERIFY(f.view->findChildren<FenceItemGridTile*>().isEmpty());
        QCOMPARE(f.view->portalList(), static_cast<QListView*>(f.list()));
    }

    void rescansKeepRowsWithTheirEntries()
    {
        Portal f;
        QVERIFY(f.show());
        const QPersistentModelIndex b = f.indexOf(u"b.txt"_s);
        f.list()->setCurrentIndex(b);
        QSignalSpy resets(f.model(), &QAbstractItemModel::modelReset);

        QVERIFY(makeFile(f.folder + u"/a0.txt"_s));
        QTRY_COMPARE(f.model()->rowCount(), 4);
        // b.txt moved a row down; the index that pointed at it still does.
        QVERIFY(b.isValid());
        QCOMPARE(b.data().toString(), u"b.txt"_s);
        QCOMPARE(b.row(), 3);
        // A new order (largest first) is the same rows moved.
        f.changeTab([](FenceTab& tab) { tab.sortMode = FenceSortMode::sizeDesc; });
        QCOMPARE(f.listed().first(), u"b.txt"_s);
        QCOMPARE(b.data().toString(), u"b.txt"_s);
        QCOMPARE(f.list()->currentIndex(), QModelIndex(b));
        QCOMPARE(resets.count(), 0);
    }

    void modelAppliesListingsInPlace_data()
    {
        QTest::addColumn<QStringList>("from");
        QTest::addColumn<QStringList>("to");
        // Whatever the change, each kept entry keeps its persistent index and nothing resets.
        QTest::newRow("insert in the middle") << QStringList{u"a"_s, u"c"_s} << QStringList{u"a"_s, u"b"_s, u"c"_s};
        QTest::newRow("remove runs") << QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s}
                                     << QStringList{u"a"_s, u"d"_s};
        QTest::newRow("reverse") << QStringList{u"a"_s, u"b"_s, u"c"_s} << QStringList{u"c"_s, u"b"_s, u"a"_s};
        QTest::newRow("all at once") << QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s}
                                     << QStringList{u"x"_s, u"d"_s, u"y"_s, u"a"_s, u"z"_s};
        QTest::newRow("to nothing") << QStringList{u"a"_s, u"b"_s} << QStringList{};
        QTest::newRow("from nothing") << QStringList{} << QStringList{u"a"_s, u"b"_s};
        QTest::newRow("repeated id shows once") << QStringList{u"a"_s} << QStringList{u"b"_s, u"a"_s, u"b"_s};
    }

    void modelAppliesListingsInPlace()
    {
        QFETCH(QStringList, from);
        QFETCH(QStringList, to);
        const auto listing = [](const QStringList& names) {
            QList<PortalFileEntry> entries;
            for (const QString& name : names)
                entries.append(entryAt(u"/base/"_s + name));
            return entries;
        };
        PortalEntryModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setEntries(listing(from));
        QList<QPersistentModelIndex> kept;
        for (int row = 0; row < model.rowCount(); ++row)
            kept.append(model.index(row, 0));
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);

        model.setEntries(listing(to));
        QStringList expected;
        for (const QString& name : to) {
            if (!expected.contains(name))
                expected.append(name);
        }
        QStringList names;
        for (int row = 0; row < model.rowCount(); ++row)
            names.append(model.index(row, 0).data().toString());
        QCOMPARE(names, expected);
        for (int i = 0; i < kept.size(); ++i) {
            const QString name = from.at(i);
            QCOMPARE(kept.at(i).isValid(), to.contains(name));
            if (kept.at(i).isValid())
                QCOMPARE(kept.at(i).data(PortalEntryModel::EntryIDRole).toString(), u"/base/"_s + name);
        }
        QCOMPARE(resets.count(), 0);
    }

    // -- the filter -------------------------------------------------------------------------

    void filterIsWrittenOnEveryKeystroke()
    {
        Portal f;
        QVERIFY(f.show());
        QLineEdit* field = f.body()->filterField()->lineEdit();
        QCOMPARE(field->placeholderText(), u"过滤或 /正则/"_s);
        QVERIFY(!f.isShown(f.body()->filterField()->clearButton()));

        QTest::keyClick(field, Qt::Key_B);
        QCOMPARE(f.storedTab().portalFilter, u"b"_s);
        QTest::keyClicks(field, u".t"_s);
        QCOMPARE(f.storedTab().portalFilter, u"b.t"_s);
        QCOMPARE(f.listed(), QStringList{u"b.txt"_s});
        QVERIFY(f.isShown(f.body()->filterField()->clearButton()));

        // An edit inside the text keeps the cursor where it is: the store's echo is not set back.
        field->setCursorPosition(0);
        QTest::keyClick(field, Qt::Key_Delete);
        QCOMPARE(f.storedTab().portalFilter, u".t"_s);
        QCOMPARE(field->cursorPosition(), 0);

        // The clear button writes the empty filter and everything shows again.
        QTest::mouseClick(f.body()->filterField()->clearButton(), Qt::LeftButton);
        QCOMPARE(f.storedTab().portalFilter, QString());
        QCOMPARE(field->text(), QString());
        QCOMPARE(f.listed(), (QStringList{u"sub"_s, u"a.txt"_s, u"b.txt"_s}));
        QVERIFY(!f.isShown(f.body()->filterField()->clearButton()));
    }

    void filterFieldFollowsTheStoreButNotAComposition()
    {
        Portal f;
        QVERIFY(f.show());
        QLineEdit* field = f.body()->filterField()->lineEdit();
        f.changeTab([](FenceTab& tab) { tab.portalFilter = u"inner"_s; });
        QCOMPARE(field->text(), u"inner"_s);
        f.changeTab([](FenceTab& tab) { tab.portalFilter.clear(); });
        QCOMPARE(field->text(), QString());

        f.view->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.view.get()));
        field->setFocus();
        QInputMethodEvent composing(u"pin"_s, {});
        QCoreApplication::sendEvent(field, &composing);
        QVERIFY(f.body()->filterField()->isComposing());
        // Another road writes the filter meanwhile: the composition is left alone.
        f.changeTab([](FenceTab& tab) { tab.portalFilter = u"abc"_s; });
        QCOMPARE(field->text(), QString());
        QInputMethodEvent commit;
        commit.setCommitString(u"拼"_s);
        QCoreApplication::sendEvent(field, &commit);
        QVERIFY(!f.body()->filterField()->isComposing());
        QCOMPARE(f.storedTab().portalFilter, u"拼"_s);
        QCOMPARE(field->text(), u"拼"_s);
    }

    // -- sort and view settings ---------------------------------------------------------------

    void sortMenuMarksTheCurrentMode_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("label");
        // One item per mode in declaration order; only the current one carries the checkmark,
        // and the button's help names it.
        QTest::newRow("manual") << int(FenceSortMode::manual) << u"自定义排序"_s;
        QTest::newRow("name") << int(FenceSortMode::nameAsc) << u"名称 (A-Z)"_s;
        QTest::newRow("modified") << int(FenceSortMode::dateModifiedDesc) << u"最近修改"_s;
        QTest::newRow("opened") << int(FenceSortMode::lastAccessedDesc) << u"最近打开"_s;
        QTest::newRow("kind") << int(FenceSortMode::kindAsc) << u"文件类型"_s;
        QTest::newRow("size") << int(FenceSortMode::sizeDesc) << u"文件大小"_s;
    }

    void sortMenuMarksTheCurrentMode()
    {
        QFETCH(int, mode);
        QFETCH(QString, label);
        Portal f([mode](FenceTab& tab, const Portal&) { tab.sortMode = FenceSortMode(mode); });
        QVERIFY(f.show());
        const std::unique_ptr<QMenu> menu(f.body()->createSortMenu(nullptr));
        QCOMPARE(menuTexts(menu.get()), (QStringList{u"自定义排序"_s, u"名称 (A-Z)"_s, u"最近修改"_s, u"最近打开"_s,
                                                     u"文件类型"_s, u"文件大小"_s}));
        QStringList marked;
        for (const QAction* action : menu->actions()) {
            if (action->property("symbolName").toString() == u"checkmark" && !action->icon().isNull())
                marked.append(action->text());
        }
        QCOMPARE(marked, QStringList{label});
        QCOMPARE(f.body()->sortButton()->toolTip(), u"排序方式："_s + label);
    }

    void choosingASortModeReordersTheListing()
    {
        Portal f;
        QVERIFY(f.show());
        QVERIFY(f.runSortItem(u"文件大小"_s));
        QCOMPARE(f.storedTab().sortMode, FenceSortMode::sizeDesc);
        QCOMPARE(f.body()->sortButton()->toolTip(), u"排序方式：文件大小"_s);
        // b.txt holds ten bytes, a.txt one.
        QCOMPARE(f.listed().indexOf(u"b.txt"_s) < f.listed().indexOf(u"a.txt"_s), true);
        QVERIFY(f.runSortItem(u"名称 (A-Z)"_s));
        QCOMPARE(f.listed(), (QStringList{u"sub"_s, u"a.txt"_s, u"b.txt"_s}));
    }

    void viewSettingsMenuItems_data()
    {
        QTest::addColumn<bool>("bound");
        QTest::addColumn<QStringList>("texts");
        const QStringList common{u"视图密度"_s, u"—"_s, u"显示隐藏文件"_s, u"显示文件扩展名"_s, u"—"_s, u"绑定文件夹…"_s};
        // Opening the folder shown is offered only while one is bound.
        QTest::newRow("bound") << true << (common + QStringList{u"在文件管理器中打开"_s});
        QTest::newRow("unbound") << false << common;
    }

    void viewSettingsMenuItems()
    {
        QFETCH(bool, bound);
        QFETCH(QStringList, texts);
        Portal f([bound](FenceTab& tab, const Portal&) {
            if (!bound)
                tab.portalPath.reset();
            tab.showHiddenFiles = true;
        });
        QVERIFY(f.show());
        QCOMPARE(f.body()->viewSettingsButton()->toolTip(), u"传送门视图与目录设置"_s);
        const std::unique_ptr<QMenu> menu(f.body()->createViewSettingsMenu(nullptr));
        QCOMPARE(menuTexts(menu.get()), texts);
        QVERIFY(menuItem(menu.get(), u"显示隐藏文件"_s)->isChecked());
        QVERIFY(menuItem(menu.get(), u"显示文件扩展名"_s)->isChecked());
        QCOMPARE(menuItem(menu.get(), u"绑定文件夹…"_s)->property("symbolName").toString(), u"folder.badge.plus"_s);
        const QMenu* density = menuItem(menu.get(), u"视图密度"_s)->menu();
        QVERIFY(density);
        QCOMPARE(menuTexts(density), (QStringList{u"图标网格"_s, u"紧凑列表"_s}));
        QCOMPARE(density->actions().at(0)->property("symbolName").toString(), u"square.grid.2x2"_s);
        QCOMPARE(density->actions().at(1)->property("symbolName").toString(), u"list.bullet"_s);
        QVERIFY(density->actions().at(0)->isChecked());
        QVERIFY(!density->actions().at(1)->isChecked());
    }

    void listingSwitchesChangeTheStoreAndTheListing()
    {
        Portal f;
        QVERIFY(makeFile(f.folder + u"/.hidden"_s));
        QVERIFY(f.show());
        QVERIFY(!f.listed().contains(u".hidden"_s));
        QVERIFY(f.runSettingsItem(u"显示隐藏文件"_s));
        QVERIFY(f.storedTab().showHiddenFiles);
        QVERIFY(f.listed().contains(u".hidden"_s));
        QVERIFY(f.runSettingsItem(u"显示文件扩展名"_s));
        QVERIFY(!f.storedTab().showExtensions);
        QVERIFY(f.listed().contains(u"a"_s));
        QVERIFY(!f.listed().contains(u"a.txt"_s));
    }

    void densityBelongsToTheFence()
    {
        Portal f;
        QVERIFY(f.show());
        PortalEntryListView* list = f.list();
        QCOMPARE(list->viewMode(), QListView::IconMode);
        QVERIFY(f.runSettingsItem(u"紧凑列表"_s, u"视图密度"_s));
        QCOMPARE(f.stored().style.displayDensity, FenceDisplayDensity::compactList);
        QCOMPARE(f.storedTab().sortMode, FenceSortMode::nameAsc); // nothing else changed
        // The same list, now one entry per row across the width.
        QCOMPARE(f.list(), list);
        QCOMPARE(list->viewMode(), QListView::ListMode);
        const QRect first = list->tileRect(f.indexOf(u"sub"_s));
        const QRect second = list->tileRect(f.indexOf(u"a.txt"_s));
        QCOMPARE(second.left(), first.left());
        QCOMPARE(second.top() - first.bottom() - 1, PortalEntryListView::listSpacing);
        QCOMPARE(first.width(), list->viewport()->width());
        // The compact row shows the size as its subtitle; the grid as its badge.
        const FenceItemGridTile& row =
            static_cast<PortalEntryDelegate*>(list->itemDelegate())->tileFor(f.indexOf(u"sub"_s));
        QCOMPARE(row.listSubtitle(), std::optional<QString>(u"文件夹"_s));
        QCOMPARE(row.listBadge(), std::optional<QString>());
        QVERIFY(f.runSettingsItem(u"图标网格"_s, u"视图密度"_s));
        QCOMPARE(list->viewMode(), QListView::IconMode);
    }

    void openInTheFileManagerOpensTheFolderShown()
    {
        Portal f;
        QVERIFY(f.show());
        QVERIFY(f.runSettingsItem(u"在文件管理器中打开"_s));
        f.browser().enterFolder(f.url(f.subfolder));
        QVERIFY(f.runSettingsItem(u"在文件管理器中打开"_s));
        QCOMPARE(f.opened, (QList<QUrl>{f.url(f.folder), f.url(f.subfolder)}));
    }

    // -- binding a folder ---------------------------------------------------------------------

    void bindingAFolder_data()
    {
        QTest::addColumn<QString>("chosen"); // relative to the test folder; "<cancel>" for none
        QTest::addColumn<QString>("boundAfter");
        QTest::addColumn<bool>("trailCleared");
        // A folder chosen is bound as its standardized path, the old bookmark goes and the new
        // folder shows from its top; a cancelled or unusable choice changes nothing.
        QTest::newRow("another folder") << u"other"_s << u"other"_s << true;
        QTest::newRow("standardized") << u"portal/../other/"_s << u"other"_s << true;
        QTest::newRow("the same folder") << u"portal"_s << u"portal"_s << true;
        QTest::newRow("cancelled") << u"<cancel>"_s << u"portal"_s << false;
        QTest::newRow("relative") << u"<relative>"_s << u"portal"_s << false;
    }

    void bindingAFolder()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, boundAfter);
        QFETCH(bool, trailCleared);
        Portal f([](FenceTab& tab, const Portal&) { tab.portalBookmarkBase64 = u"b2xk"_s; });
        QVERIFY(f.show());
        f.browser().enterFolder(f.url(f.subfolder));
        if (chosen == u"<relative>")
            f.chosenFolder = u"other"_s;
        else if (chosen != u"<cancel>")
            f.chosenFolder = f.path(chosen);

        QVERIFY(f.runSettingsItem(u"绑定文件夹…"_s));
        QCOMPARE(f.chooserRuns, 1);
        QCOMPARE(f.storedTab().portalPath, std::optional<QString>(f.path(boundAfter)));
        QCOMPARE(f.storedTab().portalBookmarkBase64.has_value(), !trailCleared);
        QCOMPARE(f.browser().breadcrumbURLs().isEmpty(), trailCleared);
        QCOMPARE(f.isShown(f.body()->breadcrumbBar()), !trailCleared);
        if (trailCleared) {
            QCOMPARE(f.watcher().lastConfig()->url, f.url(f.path(boundAfter)));
            QCOMPARE(f.listed().isEmpty(), false);
        } else {
            QCOMPARE(f.listed(), (QStringList{u"two"_s, u"inner.txt"_s}));
        }
    }

    void missingStateBindsTheChosenFolder()
    {
        Portal f([](FenceTab& tab, const Portal&) { tab.portalPath.reset(); });
        QVERIFY(f.show());
        f.chosenFolder = f.otherFolder;
        LiquidGlassPillButton* choose = f.body()->chooseFolderButton();
        QVERIFY(f.isShown(choose));
        QCOMPARE(choose->title(), u"选择文件夹…"_s);
        QCOMPARE(choose->systemImage(), std::optional<QString>(u"folder.badge.plus"_s));
        QVERIFY(choose->isProminent());
        QVERIFY(choose->isCompact());
        QCOMPARE(choose->tint(), FenceTintPalette::mint);
        QTest::mouseClick(choose, Qt::LeftButton);
        QTRY_COMPARE(f.chooserRuns, 1); // after the click has been handled
        QCOMPARE(f.storedTab().portalPath, std::optional<QString>(f.otherFolder));
        QCOMPARE(f.body()->state(), PortalTabView::State::entries);
        QCOMPARE(f.listed(), QStringList{u"elsewhere.txt"_s});
    }

    void viewOrFenceGoneWhileChoosing_data()
    {
        QTest::addColumn<bool>("deleteView");
        // The picker runs a loop of its own; what goes meanwhile must not be written to or used.
        QTest::newRow("fence deleted") << false;
        QTest::newRow("view deleted") << true;
    }

    void viewOrFenceGoneWhileChoosing()
    {
        QFETCH(bool, deleteView);
        Portal f;
        QVERIFY(f.show());
        f.chosenFolder = f.otherFolder;
        const QUuid id = f.fence.id;
        f.whileChoosing = [&f, deleteView, id] {
            if (deleteView)
                f.view.reset();
            else
                f.store->deleteFence(id);
        };
        const QPointer<PortalTabView> body = f.body();
        body->choosePortalFolder();
        QCOMPARE(f.chooserRuns, 1);
        if (deleteView) {
            QVERIFY(!body);
            QCOMPARE(f.storedTab().portalPath, std::optional<QString>(f.folder));
        } else {
            QVERIFY(!f.store->fence(id));
            QVERIFY(f.store->fences().isEmpty());
        }
    }

    // -- browsing -------------------------------------------------------------------------------

    void doubleClickEntersAFolderAndTheBreadcrumbsLeadBack()
    {
        Portal f;
        QVERIFY(f.show());
        f.doubleClick(u"sub"_s);
        QCOMPARE(f.browser().breadcrumbURLs(), QList<QUrl>{f.url(f.subfolder)});
        QCOMPARE(f.listed(), (QStringList{u"two"_s, u"inner.txt"_s}));
        // Entering clears the selection that the press made, and says so.
        QVERIFY(!f.browser().selectedEntryID());
        QCOMPARE(f.reportedSelections.last(), std::optional<QString>());
        PortalBreadcrumbBar* bar = f.body()->breadcrumbBar();
        QVERIFY(f.isShown(bar));
        // Below the toolbar, above the entries.
        f.body()->layout()->activate();
        auto* toolbar = f.body()->findChild<QWidget*>(u"portalToolbar"_s);
        QVERIFY(toolbar);
        QVERIFY(bar->y() > toolbar->geometry().bottom());
        QVERIFY(f.body()->entryList()->mapTo(f.body(), QPoint(0, 0)).y() > bar->geometry().bottom());
        QCOMPARE(bar->rootCrumb()->labelText(), u"portal"_s);
        QCOMPARE(bar->crumbNames(), QStringList{u"sub"_s});

        f.doubleClick(u"two"_s);
        f.doubleClick(u"three"_s);
        QCOMPARE(f.listed(), QStringList{u"leaf.txt"_s});
        QCOMPARE(bar->crumbNames(), (QStringList{u"sub"_s, u"two"_s, u"three"_s}));
        QCOMPARE(bar->crumbs().size(), 3);
        // The innermost crumb stands out; clicking it changes nothing.
        QCOMPARE(bar->crumbs().at(2)->labelFont().weight(), QFont::DemiBold);
        QCOMPARE(bar->crumbs().at(0)->labelFont().weight(), QFont::Medium);
        QTest::mouseClick(bar->crumbs().at(2), Qt::LeftButton);
        QCOMPARE(f.browser().breadcrumbURLs().size(), 3);

        // A crumb keeps the trail up to itself.
        QTest::mouseClick(bar->crumbs().at(0), Qt::LeftButton);
        QCOMPARE(f.browser().breadcrumbURLs(), QList<QUrl>{f.url(f.subfolder)});
        QCOMPARE(f.listed(), (QStringList{u"two"_s, u"inner.txt"_s}));
        QCOMPARE(bar->crumbs().size(), 1);

        // The back button on a one-folder trail returns to the bound folder and hides the bar.
        QTest::mouseClick(bar->backButton(), Qt::LeftButton);
        QVERIFY(f.browser().breadcrumbURLs().isEmpty());
        QVERIFY(!f.isShown(bar));
        QCOMPARE(f.listed(), (QStringList{u"sub"_s, u"a.txt"_s, u"b.txt"_s}));
    }

    void rootCrumbReturnsToTheBoundFolder()
    {
        Portal f;
        QVERIFY(f.show());
        f.enterTwoFolders();
        PortalBreadcrumbBar* bar = f.body()->breadcrumbBar();
        QTest::mouseClick(bar->backButton(), Qt::LeftButton);
        QCOMPARE(f.browser().breadcrumbURLs(), QList<QUrl>{f.url(f.subfolder)});
        f.enterTwoFolders();
        QTest::mouseClick(bar->rootCrumb(), Qt::LeftButton);
        QVERIFY(f.browser().breadcrumbURLs().isEmpty());
        QVERIFY(!f.isShown(bar));
    }

    void doubleClickOpensAFile()
    {
        Portal f;
        QVERIFY(f.show());
        f.doubleClick(u"a.txt"_s);
        QCOMPARE(f.opened, QList<QUrl>{f.url(f.folder + u"/a.txt"_s)});
        // The file stays selected and the trail as it was.
        QCOMPARE(f.browser().selectedEntryID(), std::optional<QString>(f.folder + u"/a.txt"_s));
        QVERIFY(f.browser().breadcrumbURLs().isEmpty());
    }

    // -- missing and empty -------------------------------------------------------------------

    void missingAndEmptyStates_data()
    {
        QTest::addColumn<QString>("path"); // relative to the test folder; "<none>" for no path
        QTest::addColumn<QString>("filter");
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<bool>("clearShown");
        const int missing = int(PortalTabView::State::missing);
        const int empty = int(PortalTabView::State::empty);
        const QString unavailable = u"绑定的文件夹不可用或未授权"_s;
        const QString drop = u"拖拽文件管理器文件到这里自动归入"_s;
        const QString noMatch = u"没有匹配过滤条件的文件"_s;
        // Unbound, gone or not a folder: the missing state with a way to bind one. An existing
        // folder that lists nothing: the empty state, which names the filter only when the
        // filter holds more than spaces; the clear button shows for any filter text at all.
        QTest::newRow("unbound") << u"<none>"_s << QString() << missing << unavailable << u"folder.badge.questionmark"_s << false;
        QTest::newRow("gone") << u"gone"_s << QString() << missing << unavailable << u"folder.badge.questionmark"_s << false;
        QTest::newRow("a file") << u"portal/a.txt"_s << QString() << missing << unavailable << u"folder.badge.questionmark"_s << false;
        QTest::newRow("empty folder") << u"empty"_s << QString() << empty << drop << u"tray"_s << false;
        QTest::newRow("blank filter") << u"empty"_s << u"  "_s << empty << drop << u"tray"_s << true;
        QTest::newRow("no match") << u"portal"_s << u"zzz"_s << empty << noMatch << u"magnifyingglass"_s << true;
    }

    void missingAndEmptyStates()
    {
        QFETCH(QString, path);
        QFETCH(QString, filter);
        QFETCH(int, state);
        QFETCH(QString, text);
        QFETCH(QString, symbol);
        QFETCH(bool, clearShown);
        Portal f([&](FenceTab& tab, const Portal& portal) {
            tab.portalFilter = filter;
            tab.portalPath = path == u"<none>" ? std::nullopt : std::optional<QString>(portal.path(path));
        });
        QVERIFY(f.show());
        QCOMPARE(int(f.body()->state()), state);
        QCOMPARE(f.body()->stateLabel()->text(), text);
        QCOMPARE(f.body()->stateSymbolName(), symbol);
        QVERIFY(f.isShown(f.body()->stateLabel()));
        QVERIFY(!f.isShown(f.list()));
        QCOMPARE(f.isShown(f.body()->chooseFolderButton()), state == int(PortalTabView::State::missing));
        QCOMPARE(f.isShown(f.body()->filterField()->clearButton()), clearShown);
        QVERIFY(!f.isShown(f.body()->breadcrumbBar()));
        QCOMPARE(f.model()->rowCount(), 0);
    }

    void statesFollowTheFolder()
    {
        Portal f;
        QVERIFY(f.show());
        const QString gone = f.folder + u"-moved"_s;
        QVERIFY(QDir().rename(f.folder, gone));
        QTRY_COMPARE(f.body()->state(), PortalTabView::State::missing);
        QVERIFY(QDir().rename(gone, f.folder));
        // A rebind of the same path lists it again (nothing watched a folder that was gone).
        f.changeTab([](FenceTab& tab) { tab.showHiddenFiles = true; });
        QTRY_COMPARE(f.body()->state(), PortalTabView::State::entries);
        QCOMPARE(f.listed(), (QStringList{u"sub"_s, u"a.txt"_s, u"b.txt"_s}));
    }

    // -- selection and the preview key -----------------------------------------------------------

    void pressSelectsAndIsReported()
    {
        Portal f;
        QVERIFY(f.show());
        f.click(u"b.txt"_s);
        const QString b = f.folder + u"/b.txt"_s;
        QCOMPARE(f.browser().selectedEntryID(), std::optional<QString>(b));
        QCOMPARE(f.reportedSelections.last(), std::optional<QString>(b));
        QCOMPARE(f.list()->selectedEntryID(), std::optional<QString>(b));
        auto* delegate = static_cast<PortalEntryDelegate*>(f.list()->itemDelegate());
        QVERIFY(delegate->tileFor(f.indexOf(u"b.txt"_s)).isSelected());

        // Empty space below the tiles leaves the selection.
        const qsizetype reports = f.reportedSelections.size();
        QTest::mouseClick(f.list()->viewport(), Qt::LeftButton, {}, QPoint(20, f.list()->viewport()->height() - 4));
        QCOMPARE(f.browser().selectedEntryID(), std::optional<QString>(b));
        QCOMPARE(f.reportedSelections.size(), reports);

        // Another press replaces the selection.
        f.click(u"a.txt"_s);
        QCOMPARE(f.reportedSelections.last(), std::optional<QString>(f.folder + u"/a.txt"_s));
        QVERIFY(!delegate->tileFor(f.indexOf(u"b.txt"_s)).isSelected());
        // An arrow key moves it on.
        QTest::keyClick(f.list(), Qt::Key_Right);
        QCOMPARE(f.reportedSelections.last(), std::optional<QString>(b));
    }

    void selectedTileIsDrawnHighlighted()
    {
        Portal f;
        QVERIFY(f.show());
        const QRect tile = f.list()->tileRect(f.indexOf(u"a.txt"_s));
        // Inside the tile, clear of its icon and text: its fill; the gap after it: nothing.
        const QPoint fill = tile.topLeft() + QPoint(4, tile.height() / 2);
        const QPoint gap = tile.topRight() + QPoint(4, tile.height() / 2);
        const QImage before = f.list()->viewport()->grab().toImage();
        f.click(u"a.txt"_s);
        const QImage after = f.list()->viewport()->grab().toImage();
        const qreal ratio = before.devicePixelRatio();
        const auto at = [ratio](const QImage& image, QPoint point) { return image.pixelColor(point * ratio); };
        QVERIFY(at(before, fill) != at(before, gap));
        QVERIFY(at(after, fill) != at(before, fill));
        QCOMPARE(at(after, gap), at(before, gap));
    }

    void spacePreviewsTheSelectedEntryWhileItIsListed()
    {
        Portal f;
        QVERIFY(f.show());
        SpaceWatcher passedOn;
        f.view->installEventFilter(&passedOn);
        // Nothing selected: the key goes on to the panel.
        QTest::keyClick(f.list(), Qt::Key_Space);
        QVERIFY(f.previews.isEmpty());
        QCOMPARE(passedOn.spaces, 1);

        f.click(u"a.txt"_s);
        QTest::keyClick(f.list(), Qt::Key_Space);
        QCOMPARE(f.previews.size(), 1);
        QCOMPARE(f.previews.first().first, f.url(f.folder + u"/a.txt"_s));
        QCOMPARE(f.previews.first().second, u"a.txt"_s);
        QCOMPARE(passedOn.spaces, 1);

        // Deleted behind the fence's back: no longer listed, no longer selected, so ignored.
        QVERIFY(QFile::remove(f.folder + u"/a.txt"_s));
        QTRY_VERIFY(!f.listed().contains(u"a.txt"_s));
        QVERIFY(!f.browser().selectedEntryID());
        QTest::keyClick(f.list(), Qt::Key_Space);
        QCOMPARE(f.previews.size(), 1);
        QCOMPARE(passedOn.spaces, 2);
    }

    // -- the grid ---------------------------------------------------------------------------

    void gridColumns_data()
    {
        QTest::addColumn<qreal>("available");
        QTest::addColumn<double>("iconScale");
        QTest::addColumn<qreal>("minimum");
        QTest::addColumn<qreal>("maximum");
        QTest::addColumn<int>("count");
        QTest::addColumn<qreal>("width");
        QTest::addColumn<qreal>("leading");
        // Columns of max(82 × scale, 70) to 28 more: as many as fit with 8 between them, widened
        // to share the row, and centred once they cannot widen further.
        QTest::newRow("scale 0.5") << 300.0 << 0.5 << 70.0 << 98.0 << 3 << (300.0 - 16) / 3 << 0.0;
        QTest::newRow("scale 1.2") << 300.0 << 1.2 << 98.4 << 126.4 << 2 << 126.4 << (300.0 - 8 - 2 * 126.4) / 2;
        QTest::newRow("scale 1") << 300.0 << 1.0 << 82.0 << 110.0 << 3 << (300.0 - 16) / 3 << 0.0;
        QTest::newRow("one wide column") << 150.0 << 1.0 << 82.0 << 110.0 << 1 << 110.0 << 20.0;
        QTest::newRow("narrower than one") << 50.0 << 1.0 << 82.0 << 110.0 << 1 << 82.0 << 0.0;
    }

    void gridColumns()
    {
        QFETCH(qreal, available);
        QFETCH(double, iconScale);
        QFETCH(qreal, minimum);
        QFETCH(qreal, maximum);
        QFETCH(int, count);
        QFETCH(qreal, width);
        QFETCH(qreal, leading);
        const PortalGridColumns columns = PortalGridColumns::fit(available, iconScale);
        QCOMPARE(columns.minimumWidth, minimum);
        QCOMPARE(columns.maximumWidth, maximum);
        QCOMPARE(columns.count, count);
        QCOMPARE(columns.width, width);
        QCOMPARE(columns.leading, leading);
    }

    void gridLaysTilesOutInColumns()
    {
        Portal f;
        QVERIFY(f.show());
        PortalEntryListView* list = f.list();
        const PortalGridColumns& columns = list->gridColumns();
        QVERIFY(columns.count >= 2);
        const QRect first = list->tileRect(f.indexOf(u"sub"_s));
        const QRect second = list->tileRect(f.indexOf(u"a.txt"_s));
        QCOMPARE(first.width(), int(columns.width));
        QCOMPARE(second.left() - first.right() - 1, int(PortalGridColumns::spacing));
        QCOMPARE(second.top(), first.top());
        QVERIFY(first.left() >= 0);
        // The grid tile shows the size as its badge.
        const FenceItemGridTile& tile = static_cast<PortalEntryDelegate*>(list->itemDelegate())->tileFor(f.indexOf(u"sub"_s));
        QCOMPARE(tile.gridCaption(), std::optional<QString>(u"文件夹"_s));
        QVERIFY(tile.captionIsBadge());
        QVERIFY(tile.isDirectory());
        QCOMPARE(tile.symbolName(), u"folder.fill"_s);
        QCOMPARE(tile.title(), u"sub"_s);
        QCOMPARE(tile.density(), FenceDisplayDensity::grid);

        // A larger icon scale makes wider columns.
        f.change([](FenceModel& fence) { fence.style.iconScale = 1.2; });
        QCOMPARE(list->gridColumns().minimumWidth, 98.4);
        QVERIFY(list->tileRect(f.indexOf(u"sub"_s)).width() >= 98);
    }

    // A row of tiles at the whole width wrapped its last tile: the list kept the scroll bar's
    // room out of its rows even with the bar hidden. And columns fitted beside a bar shown
    // while the fence was short needed a second row once it grew, which kept the bar for good.
    // The columns follow the width they will have: the whole width while everything fits, the
    // width beside the bar otherwise.
    void gridColumnsDoNotKeepRoomForAScrollBarNoLongerNeeded_data()
    {
        QTest::addColumn<QString>("change");
        QTest::newRow("one row from the start") << u"none"_s;
        QTest::newRow("the fence grows taller") << u"grow"_s;
        QTest::newRow("an entry goes away") << u"remove"_s;
    }

    void gridColumnsDoNotKeepRoomForAScrollBarNoLongerNeeded()
    {
        QFETCH(QString, change);
        Portal f;
        // sub, a.txt, b.txt, c.txt: a row of 4 at the whole width, 2 rows beside the bar.
        QVERIFY(makeFile(f.folder + u"/c.txt"_s));
        if (change == u"remove")
            QVERIFY(makeFile(f.folder + u"/d.txt"_s));
        QVERIFY(f.show());
        QTRY_COMPARE(f.model()->rowCount(), change == u"remove" ? 5 : 4);
        PortalEntryListView* list = f.list();
        const int bar = list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list->verticalScrollBar());
        QVERIFY(bar > 0);
        const auto columnsFor = [&](int width) {
            return PortalGridColumns::fit(width - 2 * TileGridListView::horizontalPadding, f.stored().style.iconScale)
                .count;
        };
        // A width where the bar costs a column.
        int width = 300;
        while (width < 600 && columnsFor(width) == columnsFor(width - bar))
            ++width;
        const int full = columnsFor(width);
        QCOMPARE(full, 4);
        const QSize besides = f.view->size() - list->contentsRect().size();
        // Tall, to measure a row.
        f.view->resize(width + besides.width(), 900);
        QCOMPARE(list->contentsRect().width(), width);
        QTRY_VERIFY(!list->verticalScrollBar()->isVisible());
        const int padding = list->contentsRect().height() - list->viewport()->height();
        const int row = list->cellSize().height();
        QVERIFY(row > 0);
        const auto listHeight = [&](double rows) {
            f.view->resize(width + besides.width(), besides.height() + padding + int(row * rows));
        };
        if (change == u"grow") {
            // Shorter than a row: the bar shows and the columns leave room for it.
            listHeight(0.5);
            QTRY_VERIFY(list->verticalScrollBar()->isVisible());
            QCOMPARE(list->tileColumns().count, full - 1);
            // Room for one row, not for two.
            listHeight(1.5);
        } else if (change == u"remove") {
            // Five need two rows, which do not fit: the columns leave room for the bar.
            listHeight(1.5);
            QTRY_VERIFY(list->verticalScrollBar()->isVisible());
            QCOMPARE(list->tileColumns().count, full - 1);
            QVERIFY(QFile::remove(f.folder + u"/d.txt"_s));
            QTRY_COMPARE(f.model()->rowCount(), 4);
        }
        QTRY_COMPARE(list->tileColumns().count, full);
        QTRY_VERIFY(!list->verticalScrollBar()->isVisible());
        // The list lays its items out again a moment after the bar has gone: one row.
        const auto rowTops = [&] {
            QSet<int> tops;
            for (int entry = 0; entry < f.model()->rowCount(); ++entry)
                tops.insert(list->tileRect(f.model()->index(entry, 0)).top());
            return tops.size();
        };
        QTRY_COMPARE(rowTops(), 1);
        for (int entry = 0; entry < f.model()->rowCount(); ++entry)
            QVERIFY(list->viewport()->rect().contains(list->tileRect(f.model()->index(entry, 0))));
        QVERIFY(!list->verticalScrollBar()->isVisible());
    }

    // -- no rebuilding ------------------------------------------------------------------------

    void storeChangesKeepTheWidgets_data()
    {
        QTest::addColumn<QString>("change");
        // Focus, cursor and scroll live in these widgets: none may be replaced.
        QTest::newRow("filter") << u"filter"_s;
        QTest::newRow("sort") << u"sort"_s;
        QTest::newRow("density") << u"density"_s;
        QTest::newRow("tint") << u"tint"_s;
        QTest::newRow("hidden files") << u"hidden"_s;
        QTest::newRow("rescan") << u"rescan"_s;
    }

    void storeChangesKeepTheWidgets()
    {
        QFETCH(QString, change);
        Portal f;
        QVERIFY(f.show());
        f.view->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.view.get()));
        QLineEdit* field = f.body()->filterField()->lineEdit();
        field->setFocus();
        QTest::keyClick(field, Qt::Key_T); // one keystroke round trip first
        const QSet<QWidget*> before = widgetTree(f.view.get());

        if (change == u"filter")
            QTest::keyClicks(field, u"xt"_s);
        else if (change == u"sort")
            f.changeTab([](FenceTab& tab) { tab.sortMode = FenceSortMode::sizeDesc; });
        else if (change == u"density")
            f.change([](FenceModel& fence) { fence.style.displayDensity = FenceDisplayDensity::compactList; });
        else if (change == u"tint")
            f.change([](FenceModel& fence) { fence.style.tint = FenceTintPalette::rose; });
        else if (change == u"hidden")
            f.changeTab([](FenceTab& tab) { tab.showHiddenFiles = true; });
        else {
            QVERIFY(makeFile(f.folder + u"/t2.txt"_s));
            QTRY_VERIFY(f.listed().contains(u"t2.txt"_s));
        }
        QCoreApplication::processEvents();
        QCOMPARE(widgetTree(f.view.get()), before);
        QCOMPARE(QApplication::focusWidget(), field);
        QCOMPARE(field->text(), change == u"filter" ? u"txt"_s : u"t"_s);
    }
};

QTEST_MAIN(PortalTabViewTest)
#include "tst_portaltabview.moc"
