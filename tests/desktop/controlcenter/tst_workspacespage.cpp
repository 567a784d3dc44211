#include "core/models/BackupDocument.h"
#include "core/store/support/StoreFixture.h"
#include "design/DesignEnvironment.h"
#include "design/GlassTextLabel.h"
#include "design/LiquidGlassBadge.h"
#include "design/LiquidGlassPillButton.h"
#include "desktop/content/PortalPlainButton.h"
#include "desktop/controlcenter/AdaptiveGridLayout.h"
#include "desktop/controlcenter/ControlCenterPages.h"
#include "desktop/controlcenter/FenceCardView.h"
#include "desktop/controlcenter/NewFencePopover.h"
#include "desktop/controlcenter/NewWorkspacePopover.h"
#include "desktop/controlcenter/WorkspaceCardView.h"
#include "desktop/controlcenter/WorkspacesAndFencesTabView.h"
#include "desktop/shell/DesktopPanelManager.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest>

#include <memory>

using namespace mv;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(mv::FenceKind)
Q_DECLARE_METATYPE(mv::FenceFrameRect)
Q_DECLARE_METATYPE(std::optional<QString>)

namespace {

// A store on temporary folders, the real panel manager over it and the page, built on demand
// once the test has put what it needs into the store.
struct PageFixture : StoreFixture {
    std::unique_ptr<MorvanteelStore> store;
    std::unique_ptr<DesktopPanelManager> manager;
    DesignEnvironment environment;
    std::unique_ptr<WorkspacesAndFencesTabView> page;
    // What the folder dialog answers, and the folders it was opened at.
    std::optional<QString> folderAnswer;
    QStringList folderStarts;
    QList<QUuid> inspected;
    int spotSearches = 0;

    explicit PageFixture(Seeding seeding = Seeding::disabled) { store = makeStore(seeding); }

    QUuid addWorkspace(const QString& name)
    {
        const WorkspaceProfile workspace{newUuid(), name, u"desktopcomputer"_s, FenceTintPalette::mint,
                                         WallpaperPreset::warmDusk, clock};
        // The first one becomes active (the store without a seed starts with an id of none).
        QList<WorkspaceProfile> workspaces = store->workspaces();
        const bool first = workspaces.isEmpty();
        workspaces.append(workspace);
        store->setWorkspaces(workspaces);
        if (first)
            store->setActiveWorkspaceID(workspace.id);
        store->save();
        return workspace.id;
    }

    FenceModel addFence(const QUuid& workspace, const QString& title, qint64 bentoOrder = 0)
    {
        FenceModel fence;
        fence.id = newUuid();
        fence.workspaceID = workspace;
        fence.title = title;
        fence.symbolName = u"folder"_s;
        fence.tabs = {plainTab(FenceKind::notes, u"便签"_s)};
        fence.activeTabID = fence.tabs.first().id;
        fence.desktopFrame = {300, 300, 340, 280};
        fence.canvasFrame = {24, 24, 336, 250};
        fence.bentoOrder = bentoOrder;
        fence.createdAt = clock;
        fence.updatedAt = clock;
        QList<FenceModel> fences = store->fences();
        fences.append(fence);
        if (!store->setFences(fences))
            qFatal("the store refused a test fence");
        store->save();
        return fence;
    }

    WorkspacesAndFencesTabView& showPage(QSize size = QSize(900, 760))
    {
        manager = std::make_unique<DesktopPanelManager>(*store);
        ControlCenterFileDialogs dialogs;
        dialogs.chooseFolder = [this](QWidget*, const QString&, const QString& start) {
            folderStarts.append(start);
            return folderAnswer;
        };
        const ControlCenterPageInputs inputs{
            *store,
            *manager,
            &environment,
            [this](const QUuid& id) { inspected.append(id); },
            [this] { ++spotSearches; },
            dialogs,
        };
        page = std::make_unique<WorkspacesAndFencesTabView>(inputs);
        page->resize(size);
        page->show();
        if (!QTest::qWaitForWindowExposed(page.get()))
            qFatal("the page was not exposed");
        return *page;
    }

    // The state file as the store would read it back.
    MorvanteelBackupDocument savedState() const
    {
        auto document = decodeDocument(stateOnDisk());
        if (!document)
            qFatal("the state file does not decode");
        return document.value();
    }

    std::optional<FenceModel> savedFence(const QUuid& id) const
    {
        for (const FenceModel& fence : savedState().fences) {
            if (fence.id == id)
                return fence;
        }
        return std::nullopt;
    }

    // Creation through the popover, as a user does it: open, fill, "创建".
    void openNewFence() const { page->newFenceButton()->click(); }
    void createFence() const { page->newFencePopover()->confirmButton()->click(); }

    // The action of the fence's menu with this text (submenus included), triggered; its effect
    // runs once the menu would have closed.
    bool triggerMenuItem(const QUuid& fenceID, const QString& text) const
    {
        std::unique_ptr<QMenu> menu(page->createFenceMenu(fenceID, page.get()));
        if (!menu)
            return false;
        for (QAction* action : menuActions(*menu)) {
            if (action->text() == text) {
                action->trigger();
                QCoreApplication::processEvents();
                return true;
            }
        }
        return false;
    }

    static QList<QAction*> menuActions(const QMenu& menu)
    {
        QList<QAction*> result;
        for (QAction* action : menu.actions()) {
            result.append(action);
            if (action->menu())
                result.append(menuActions(*action->menu()));
        }
        return result;
    }

    static QStringList menuTexts(const QMenu& menu)
    {
        QStringList texts;
        for (QAction* action : menu.actions())
            texts.append(action->isSeparator() ? u"—"_s : action->text());
        return texts;
    }

    QMenu* moveSubmenu(const QMenu& menu) const
    {
        for (QAction* action : menu.actions()) {
            if (action->menu() && action->text() == u"移动至工作区"_s)
                return action->menu();
        }
        return nullptr;
    }

    QStringList cardNames() const
    {
        QStringList names;
        for (WorkspaceCardView* card : page->workspaceCards())
            names.append(card->nameLabel()->text());
        return names;
    }

    QList<QUuid> shownFenceIDs() const
    {
        QList<QUuid> ids;
        for (FenceCardView* card : page->fenceCards())
            ids.append(card->fenceID());
        return ids;
    }
};

// The control center on its workspaces page, which nothing changes.
ControlCenterTabBinding fixedPage()
{
    return {[] { return ControlCenterTab::workspaces; }, [](ControlCenterTab) {},
            [](QObject*, std::function<void()>) { return QMetaObject::Connection(); }};
}

QRectF asRect(const FenceFrameRect& frame)
{
    return QRectF(frame.x, frame.y, frame.width, frame.height);
}

// A point on the card away from its buttons: the lower left, inside the rounded corner.
QPoint plainPointOf(const QWidget& card)
{
    return QPoint(30, card.height() - 12);
}

} // namespace

class WorkspacesPageTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // -- creating a fence ------------------------------------------------------------------

    // Every new fence steps 28 to the right and down (canvas: right and up) per fence already in
    // the workspace, starting over with every sixth, and comes after the highest bento order.
    // The title is trimmed, a blank one is the kind's name. Only a portal gets the path field's
    // text, trimmed and with "~" expanded; blank leaves it bound to nothing.
    void newFence_data()
    {
        QTest::addColumn<QList<qint64>>("bentoOrders"); // of the fences already there
        QTest::addColumn<QString>("title");
        QTest::addColumn<FenceKind>("kind");
        QTest::addColumn<bool>("typesPath"); // false: the preset demo folder stays in the field
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expectedTitle");
        QTest::addColumn<std::optional<QString>>("expectedPath"); // the demo folder when "<demo>"
        QTest::addColumn<FenceFrameRect>("desktopFrame");
        QTest::addColumn<FenceFrameRect>("canvasFrame");
        QTest::addColumn<qint64>("bentoOrder");

        const QString demo = u"<demo>"_s;
        const FenceFrameRect desktopAt0{110, 340, 340, 280};
        const FenceFrameRect canvasAt0{24, 24, 336, 250};
        QTest::newRow("first fence") << QList<qint64>{} << u"收件箱"_s << FenceKind::portal << false << QString()
                                     << u"收件箱"_s << std::optional(demo) << desktopAt0 << canvasAt0 << qint64(0);
        QTest::newRow("four fences") << QList<qint64>{0, 1, 2, 3} << u"收件箱"_s << FenceKind::portal << false
                                     << QString() << u"收件箱"_s << std::optional(demo)
                                     << FenceFrameRect{222, 228, 340, 280} << FenceFrameRect{136, 136, 336, 250}
                                     << qint64(4);
        QTest::newRow("five fences start over") << QList<qint64>{0, 1, 2, 3, 4} << u"收件箱"_s << FenceKind::portal
                                                << false << QString() << u"收件箱"_s << std::optional(demo)
                                                << desktopAt0 << canvasAt0 << qint64(5);
        QTest::newRow("seven fences") << QList<qint64>{0, 1, 2, 3, 4, 5, 6} << u"收件箱"_s << FenceKind::portal
                                      << false << QString() << u"收件箱"_s << std::optional(demo)
                                      << FenceFrameRect{166, 284, 340, 280} << FenceFrameRect{80, 80, 336, 250}
                                      << qint64(7);
        QTest::newRow("after orders 3 and 7") << QList<qint64>{3, 7} << u"收件箱"_s << FenceKind::portal << false
                                              << QString() << u"收件箱"_s << std::optional(demo)
                                              << FenceFrameRect{166, 284, 340, 280} << FenceFrameRect{80, 80, 336, 250}
                                              << qint64(8);

        QTest::newRow("blank title") << QList<qint64>{} << u"   "_s << FenceKind::portal << false << QString()
                                     << u"文件夹传送门"_s << std::optional(demo) << desktopAt0 << canvasAt0
                                     << qint64(0);
        QTest::newRow("padded title") << QList<qint64>{} << u"  项目  "_s << FenceKind::checklist << false
                                      << QString() << u"项目"_s << std::optional<QString>() << desktopAt0
                                      << canvasAt0 << qint64(0);

        QTest::newRow("portal, blank path") << QList<qint64>{} << QString() << FenceKind::portal << true << u"  "_s
                                            << u"文件夹传送门"_s << std::optional(QString()) << desktopAt0
                                            << canvasAt0 << qint64(0);
        QTest::newRow("portal, padded path") << QList<qint64>{} << QString() << FenceKind::portal << true
                                             << u"  /srv/归档  "_s << u"文件夹传送门"_s
                                             << std::optional(u"/srv/归档"_s) << desktopAt0 << canvasAt0 << qint64(0);
        QTest::newRow("portal, home path") << QList<qint64>{} << QString() << FenceKind::portal << true << u"~/x"_s
                                           << u"文件夹传送门"_s << std::optional(QDir::homePath() + u"/x"_s)
                                           << desktopAt0 << canvasAt0 << qint64(0);
        for (const FenceKind kind : {FenceKind::curated, FenceKind::notes, FenceKind::checklist}) {
            for (const bool typed : {false, true}) {
                const QString name = rawValue(kind) + (typed ? u", text in the path field"_s : u", blank path field"_s);
                QTest::newRow(name.toUtf8().constData())
                    << QList<qint64>{} << QString() << kind << true << (typed ? u"/srv/归档"_s : QString())
                    << displayName(kind) << std::optional<QString>() << desktopAt0 << canvasAt0 << qint64(0);
            }
        }
    }

    void newFence()
    {
        QFETCH(QList<qint64>, bentoOrders);
        QFETCH(QString, title);
        QFETCH(FenceKind, kind);
        QFETCH(bool, typesPath);
        QFETCH(QString, path);
        QFETCH(QString, expectedTitle);
        QFETCH(std::optional<QString>, expectedPath);
        QFETCH(FenceFrameRect, desktopFrame);
        QFETCH(FenceFrameRect, canvasFrame);
        QFETCH(qint64, bentoOrder);

        PageFixture f;
        const QUuid desk = f.addWorkspace(u"桌面"_s);
        const QUuid other = f.addWorkspace(u"归档"_s);
        f.addFence(other, u"别处的围栏"_s, 40); // another workspace's fences count for nothing
        for (const qint64 order : bentoOrders)
            f.addFence(desk, u"已有围栏"_s, order);
        WorkspacesAndFencesTabView& page = f.showPage();
        const qsizetype before = f.store->fences().size();

        f.openNewFence();
        NewFencePopover* popover = page.newFencePopover();
        QVERIFY(popover->isVisible());
        QCOMPARE(popover->windowFlags() & (Qt::Tool | Qt::FramelessWindowHint), Qt::Tool | Qt::FramelessWindowHint);
        QCOMPARE(popover->pathField()->text(), f.store->demoRootPath());
        popover->titleField()->setText(title);
        popover->setKind(kind);
        popover->setTint(FenceTintPalette::violet);
        QCOMPARE(popover->showsPathRow(), kind == FenceKind::portal);
        if (typesPath)
            popover->pathField()->setText(path);
        f.createFence();

        QVERIFY(!popover->isVisible());
        QCOMPARE(f.store->fences().size(), before + 1);
        const FenceModel made = f.store->fences().last();
        QCOMPARE(f.store->selectedFenceID(), std::optional(made.id));
        QCOMPARE(made.workspaceID, desk);
        QCOMPARE(made.title, expectedTitle);
        QCOMPARE(made.symbolName, symbolName(kind));
        QCOMPARE(made.style.tint, FenceTintPalette::violet);
        QCOMPARE(asRect(made.desktopFrame), asRect(desktopFrame));
        QCOMPARE(asRect(made.canvasFrame), asRect(canvasFrame));
        QCOMPARE(made.bentoOrder, bentoOrder);
        QCOMPARE(made.tabs.size(), 1);
        const FenceTab& tab = made.tabs.first();
        QCOMPARE(made.activeTabID, tab.id);
        QCOMPARE(tab.kind, kind);
        QCOMPARE(tab.title, displayName(kind));
        QCOMPARE(tab.portalPath, expectedPath == u"<demo>"_s ? std::optional(f.store->demoRootPath()) : expectedPath);
        QVERIFY(!tab.portalBookmarkBase64);
        QCOMPARE(tab.noteText.isEmpty(), kind != FenceKind::notes);
        QCOMPARE(tab.tasks.size(), kind == FenceKind::checklist ? 1 : 0);
        if (kind == FenceKind::checklist) {
            QCOMPARE(tab.tasks.first().title, u"第一项待办任务"_s);
            QVERIFY(!tab.tasks.first().isCompleted);
            QVERIFY(!tab.tasks.first().isFlagged);
        }
        // Saved, and shown on the page as the selected card.
        QCOMPARE(f.savedFence(made.id), std::optional(made));
        QVERIFY(page.fenceCard(made.id));
        QVERIFY(page.fenceCard(made.id)->modifier().isHighlighted);
        QCOMPARE(page.fenceCard(made.id)->titleLabel()->text(), expectedTitle);
    }

    // A relative path would resolve against whatever the working folder is: nothing is made,
    // the popover stays open with the text, and the status says why.
    void relativePortalPathIsRefused_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("plain") << u"文档/待整理"_s;
        QTest::newRow("dot") << u"./x"_s;
        QTest::newRow("padded") << u"  x/y "_s;
        QTest::newRow("unknown user") << u"~no-such-user-here/x"_s;
    }

    void relativePortalPathIsRefused()
    {
        QFETCH(QString, path);
        PageFixture f;
        f.addWorkspace(u"桌面"_s);
        WorkspacesAndFencesTabView& page = f.showPage();
        const QByteArray stateBefore = f.stateOnDisk();
        const qsizetype before = f.store->fences().size();

        f.openNewFence();
        page.newFencePopover()->setKind(FenceKind::portal);
        page.newFencePopover()->pathField()->setText(path);
        f.createFence();

        QCOMPARE(f.store->fences().size(), before);
        QVERIFY(page.newFencePopover()->isVisible());
        QCOMPARE(page.newFencePopover()->pathField()->text(), path);
        QCOMPARE(f.store->lastStatusMessage(), std::optional(u"文件夹路径需为绝对路径："_s + path.trimmed()));
        QCOMPARE(f.stateOnDisk(), stateBefore);
        QVERIFY(page.fenceCards().isEmpty());
    }

    // Each "新建围栏" starts with an empty title and the demo folder; the kind and the tint
    // chosen last stay.
    void reopeningTheFencePopoverKeepsKindAndTint()
    {
        PageFixture f;
        f.addWorkspace(u"桌面"_s);
        WorkspacesAndFencesTabView& page = f.showPage();
        NewFencePopover* popover = page.newFencePopover();
        QCOMPARE(popover->kind(), FenceKind::portal);
        QCOMPARE(popover->tint(), FenceTintPalette::crystal);

        f.openNewFence();
        popover->titleField()->setText(u"草稿"_s);
        popover->setKind(FenceKind::notes);
        popover->setTint(FenceTintPalette::amber);
        popover->pathField()->setText(u"/srv/别处"_s);
        popover->cancelButton()->click();
        QVERIFY(!popover->isVisible());
        QVERIFY(f.store->fences().isEmpty());

        f.openNewFence();
        QVERIFY(popover->isVisible());
        QCOMPARE(popover->title(), QString());
        QCOMPARE(popover->portalPath(), f.store->demoRootPath());
        QCOMPARE(popover->kind(), FenceKind::notes);
        QCOMPARE(popover->tint(), FenceTintPalette::amber);
        QVERIFY(!popover->showsPathRow());

        // Escape dismisses it as "取消" does.
        QTest::keyClick(popover, Qt::Key_Escape);
        QVERIFY(!popover->isVisible());
    }

    // "选择…" asks the dialog seam, starting at the folder typed; a choice lands in the field
    // standardized, a cancel leaves the field alone.
    void folderPickerFillsThePathField()
    {
        PageFixture f;
        f.addWorkspace(u"桌面"_s);
        WorkspacesAndFencesTabView& page = f.showPage();
        f.openNewFence();
        NewFencePopover* popover = page.newFencePopover();
        popover->pathField()->setText(u" ~/起点 "_s);

        f.folderAnswer = u"/srv/照片/../图库/"_s;
        popover->chooseFolderButton()->click();
        QCOMPARE(f.folderStarts, QStringList{QDir::homePath() + u"/起点"_s});
        QCOMPARE(popover->portalPath(), u"/srv/图库"_s);
        QVERIFY(popover->isVisible());

        f.folderAnswer.reset();
        popover->chooseFolderButton()->click();
        QCOMPARE(f.folderStarts.size(), 2);
        QCOMPARE(popover->portalPath(), u"/srv/图库"_s);

        f.createFence();
        QCOMPARE(f.store->fences().size(), 1);
        QCOMPARE(f.store->fences().first().tabs.first().portalPath, std::optional(u"/srv/图库"_s));
    }

    // Without a workspace that has the active id a new fence would belong to none and never be
    // shown: the button is disabled, and comes back in place once there is one.
    void newFenceNeedsAnActiveWorkspace()
    {
        PageFixture f;
        WorkspacesAndFencesTabView& page = f.showPage();
        QVERIFY(f.store->workspaces().isEmpty());
        LiquidGlassPillButton* button = page.newFenceButton();
        QVERIFY(button->isDisabled());
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(!page.newFencePopover()->isVisible());
        QVERIFY(f.store->fences().isEmpty());

        const QUuid desk = f.addWorkspace(u"桌面"_s);
        QCOMPARE(page.newFenceButton(), button);
        QVERIFY(!button->isDisabled());
        f.openNewFence();
        QVERIFY(page.newFencePopover()->isVisible());

        // An active id that names no workspace: disabled again, and the open popover goes.
        f.store->setActiveWorkspaceID(newUuid());
        QVERIFY(button->isDisabled());
        QVERIFY(!page.newFencePopover()->isVisible());

        f.store->setActiveWorkspaceID(desk);
        QVERIFY(!button->isDisabled());
    }

    // -- creating a workspace --------------------------------------------------------------

    // A blank name is "新工作区"; any other name is kept as typed, spaces and all. The new
    // workspace becomes active at once, so the grid empties; the selected fence stays.
    void newWorkspace_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expectedName");
        QTest::newRow("empty") << QString() << u"新工作区"_s;
        QTest::newRow("blank") << u"   "_s << u"新工作区"_s;
        QTest::newRow("padded") << u"  工作室  "_s << u"  工作室  "_s;
        QTest::newRow("plain") << u"旅行 & 照片"_s << u"旅行 & 照片"_s;
    }

    void newWorkspace()
    {
        QFETCH(QString, name);
        QFETCH(QString, expectedName);
        PageFixture f;
        const QUuid desk = f.addWorkspace(u"桌面"_s);
        const FenceModel fence = f.addFence(desk, u"收件箱"_s);
        f.store->setSelectedFenceID(fence.id);
        WorkspacesAndFencesTabView& page = f.showPage();
        QCOMPARE(page.fenceCards().size(), 1);

        page.newWorkspaceButton()->click();
        NewWorkspacePopover* popover = page.newWorkspacePopover();
        QVERIFY(popover->isVisible());
        QCOMPARE(popover->windowFlags() & (Qt::Tool | Qt::FramelessWindowHint), Qt::Tool | Qt::FramelessWindowHint);
        QCOMPARE(popover->tint(), FenceTintPalette::cerulean);
        QCOMPARE(popover->wallpaper(), WallpaperPreset::tahoeAurora);
        popover->nameField()->setText(name);
        popover->wallpaperPicker()->setCurrentIndex(popover->wallpaperPicker()->findText(u"深海夜幕"_s));
        popover->tintPicker()->setCurrentIndex(popover->tintPicker()->findText(u"青瓷薄荷"_s));
        popover->confirmButton()->click();

        QVERIFY(!popover->isVisible());
        QCOMPARE(f.store->workspaces().size(), 2);
        const WorkspaceProfile made = f.store->workspaces().last();
        QCOMPARE(made.name, expectedName);
        QCOMPARE(made.symbolName, u"square.stack.3d.up.fill"_s);
        QCOMPARE(made.accentTint, FenceTintPalette::mint);
        QCOMPARE(made.wallpaperPreset, WallpaperPreset::midnightOcean);
        QCOMPARE(f.store->activeWorkspaceID(), made.id);
        QCOMPARE(f.store->selectedFenceID(), std::optional(fence.id));

        const MorvanteelBackupDocument saved = f.savedState();
        QCOMPARE(saved.activeWorkspaceID, made.id);
        QCOMPARE(saved.workspaces.last(), made);

        QVERIFY(page.fenceCards().isEmpty());
        QCOMPARE(f.cardNames(), (QStringList{u"桌面"_s, expectedName}));
        WorkspaceCardView* card = page.workspaceCard(made.id);
        QVERIFY(card && card->isActive());
        QVERIFY(!card->currentBadge()->isHidden());
        QVERIFY(page.workspaceCard(desk)->currentBadge()->isHidden());
        QCOMPARE(page.summaryLabel()->text(), WorkspacesAndFencesTabView::summaryText(expectedName, 0));

        // The next one starts with an empty name but the same tint and wallpaper.
        page.newWorkspaceButton()->click();
        QCOMPARE(popover->name(), QString());
        QCOMPARE(popover->tint(), FenceTintPalette::mint);
        QCOMPARE(popover->wallpaper(), WallpaperPreset::midnightOcean);
    }

    // -- workspace cards ---------------------------------------------------------------------

    // With one workspace nothing can be deleted or moved; with more, every card (the active one
    // too) has its trash button, and a fence's menu lists every workspace but the active one.
    void workspaceCount_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::newRow("one") << QStringList{u"桌面"_s};
        QTest::newRow("two") << QStringList{u"桌面"_s, u"归档"_s};
        QTest::newRow("three") << QStringList{u"桌面"_s, u"归档"_s, u"R&D 项目"_s};
    }

    void workspaceCount()
    {
        QFETCH(QStringList, names);
        PageFixture f;
        QList<QUuid> ids;
        for (const QString& name : names)
            ids.append(f.addWorkspace(name));
        const FenceModel fence = f.addFence(ids.first(), u"收件箱"_s);
        WorkspacesAndFencesTabView& page = f.showPage();

        QCOMPARE(f.cardNames(), names);
        const bool several = names.size() >= 2;
        for (WorkspaceCardView* card : page.workspaceCards())
            QCOMPARE(!card->trashButton()->isHidden(), several);

        std::unique_ptr<QMenu> menu(page.createFenceMenu(fence.id, &page));
        QVERIFY(menu);
        QStringList expected{u"锁定位置"_s, u"置顶显示"_s};
        if (several)
            expected.append(u"移动至工作区"_s);
        expected.append({u"—"_s, u"删除围栏"_s});
        QCOMPARE(PageFixture::menuTexts(*menu), expected);
        QMenu* move = f.moveSubmenu(*menu);
        QCOMPARE(move != nullptr, several);
        if (move) {
            QStringList others;
            for (QAction* action : move->actions())
                others.append(action->text().replace(u"&&"_s, u"&"_s));
            QCOMPARE(others, names.mid(1));
        }
    }

    // The menu's entries carry the symbols of their meaning, and flip with the fence's state.
    void fenceMenuFollowsTheFence()
    {
        PageFixture f;
        const QUuid desk = f.addWorkspace(u"桌面"_s);
        f.addWorkspace(u"归档"_s);
        FenceModel fence = f.addFence(desk, u"收件箱"_s);
        WorkspacesAndFencesTabView& page = f.showPage();

        const auto symbols = [&] {
            std::unique_ptr<QMenu> menu(page.createFenceMenu(fence.id, &page));
            QStringList names;
            for (QAction* action : menu->actions()) {
                if (!action->isSeparator())
                    names.append(action->property("symbolName").toString());
            }
            return names;
        };
        QCOMPARE(symbols(), (QStringList{u"lock"_s, u"pin"_s, u"arrow.right.square"_s, u"trash"_s}));
        fence.isLocked = true;
        fence.isPinned = true;
        f.store->updateFence(fence);
        QCOMPARE(symbols(), (QStringList{u"lock.open"_s, u"pin.slash"_s, u"arrow.right.square"_s, u"trash"_s}));
        std::unique_ptr<QMenu> menu(page.createFenceMenu(fence.id, &page));
        QCOMPARE(menu->actions().first()->text(), u"解锁位置"_s);
        QCOMPARE(menu->actions().at(1)->text(), u"取消置顶"_s);
        QVERIFY(!page.createFenceMenu(newUuid(), &page));
    }

    // The "ellipsis.circle" button opens the menu below itself.
    void menuButtonOpensTheMenu()
    {
        PageFixture f;
        const QUuid desk = f.addWorkspace(u"桌面"_s);
        const FenceModel fence = f.addFence(desk, u"收件箱"_s);
        WorkspacesAndFencesTabView& page = f.showPage();
        PortalPlainButton* button = page.fenceCard(fence.id)->menuButton();
        QCOMPARE(button->symbolName(), u"ellipsis.circle"_s);
        QTest::mouseClick(button, Qt::LeftButton);
        QTRY_VERIFY(qobject_cast<QMenu*>(QApplication::activePopupWidget()));
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QCOMPARE(menu->actions().first()->text(), u"锁定位置"_s);
        QVERIFY(menu->geometry().top() >= button->mapToGlobal(QPoint(0, button->height())).y() - 1
                || menu->geometry().bottom() <= button->mapToGlobal(QPoint(0, 0)).y() + 1);
        menu->close();
    }

    // A tap on a card switches to its workspace, also on the active card, which clears the
    // selected fence; a tap on the trash button deletes and does not switch.
    void tappingCards()
    {
        PageFixture f;
        const QUuid desk = f.addWorkspace(u"桌面"_s);
        const QUuid archive = f.addWorkspace(u"归档"_s);
        const FenceModel fence = f.addFence(desk, u"收件箱"_s);
        const FenceModel archived = f.addFence(archive, u"旧文件"_s);
        f.store->setSelectedFenceID(fence.id);
        WorkspacesAndFencesTabView& page = f.showPage();

        WorkspaceCardView* active = page.workspaceCard(desk);
        QTest::mouseClick(active, Qt::LeftButton, {}, plainPointOf(*active));
        QCOMPARE(f.store->activeWorkspaceID(), desk);
        QCOMPARE(f.store->selectedFenceID(), std::nullopt);
        QCOMPARE(f.savedState().activeWorkspaceID, desk);

        WorkspaceCardView* other = page.workspaceCard(archive);
        QTest::mouseClick(other, Qt::LeftButton, {}, plainPointOf(*other));
        QCOMPARE(f.store->activeWorkspaceID(), archive);
        QCOMPARE(f.savedState().activeWorkspaceID, archive);
        QCOMPARE(f.shownFenceIDs(), QList<QUuid>{archived.id});
        QVERIFY(other->isActive() && !active->isActive());

        // The trash of the card that is not active: gone with its fences, the active one stays.
        const QPointer<WorkspaceCardView> doomed(active);
        QTest::mouseClick(active->trashButton(), Qt::LeftButton);
        QCOMPARE(f.store->activeWorkspaceID(), archive);
        QCOMPARE(f.cardNames(), QStringList{u"归档"_s});
        QVERIFY(!f.store->fence(fence.id));
        const MorvanteelBackupDocument saved = f.savedState();
        QCOMPARE(saved.workspaces.size(), 1);
        QCOMPARE(saved.fences.size(), 1);
        QTRY_VERIFY(!doomed);
        QVERIFY(page.workspaceCard(archive)->trashButton()->isHidden());
    }

    // "当前活动工作区：<name> · 共 <n> 个桌面围栏", "默认" and 0 without a workspace; it follows the
    // store in place.
    void summaryLine()
    {
        QCOMPARE(WorkspacesAndFencesTabView::summaryText(std::nullopt, 0), u"当前活动工作区：默认 · 共 0 个桌面围栏"_s);

        PageFixture f;
        WorkspacesAndFencesTabView& page = f.showPage();
        GlassTextLabel* summary = page.summaryLabel();
        QCOMPARE(summary->text(), u"当前活动工作区：默认 · 共 0 个桌面围栏"_s);

        const QUuid desk = f.addWorkspace(u"桌面"_s);
        QCOMPARE(summary->text(), u"当前活动工作区：桌面 · 共 0 个桌面围栏"_s);
        f.addFence(desk, u"一"_s);
        f.addFence(desk, u"二"_s, 1);
        const QUuid archive = f.addWorkspace(u"归档"_s);
        f.addFence(archive, u"三"_s);
        QCOMPARE(page.summaryLabel(), summary);
        QCOMPARE(summary->text(), u"当前活动工作区：桌面 · 共 2 个桌面围栏"_s);
        QCOMPARE(page.workspaceCard(desk)->detailLabel()->text(), u"琥珀暮色 · 2 个围栏"_s);
        QCOMPARE(page.workspaceCard(archive)->detailLabel()->text(), u"琥珀暮色 · 1 个围栏"_s);
        f.store->switchWorkspace(archive);
        QCOMPARE(summary->text(), u"当前活动工作区：归档 · 共 1 个桌面围栏"_s);
    }

    // -- fence cards -------------------------------------------------------------------------

    // Each menu entry changes its one thing, saved to the state file at once.
    void fenceMenuActions_data()
    {
        QTest::addColumn<QString>("item");
        QTest::newRow("lock") << u"锁定位置"_s;
        QTest::newRow("pin") << u"置顶显示"_s;
        QTest::newRow("move") << u"归档"_s;
        QTest::newRow("delete") << u"删除围栏"_s;
    }

    void fenceMenuActions()
    {
        QFETCH(QString, item);
        PageFixture f;
        const QUuid desk = f.addWorkspace(u"桌面"_s);
        const QUuid archive = f.addWorkspace(u"归档"_s);
        const FenceModel fence = f.addFence(desk, u"收件箱"_s);
        const FenceModel neighbour = f.addFence(desk, u"邻居"_s, 1);
        WorkspacesAndFencesTabView& page = f.showPage();
        // Selected after the panels have shown: a panel made key selects its own fence.
        QCoreApplication::processEvents();
        f.store->setSelectedFenceID(fence.id);
        const QPointer<FenceCardView> card(page.fenceCard(fence.id));
        f.clock = f.clock.addSecs(60);

        QVERIFY(f.triggerMenuItem(fence.id, item));

        const std::optional<FenceModel> saved = f.savedFence(fence.id);
        QCOMPARE(f.savedFence(neighbour.id), std::optional(neighbour));
        if (item == u"删除围栏"_s) {
            QVERIFY(!saved);
            QVERIFY(!f.store->fence(fence.id));
            QCOMPARE(f.store->selectedFenceID(), std::nullopt);
        } else {
            QVERIFY(saved);
            FenceModel expected = fence;
            expected.updatedAt = f.clock;
            expected.isLocked = item == u"锁定位置"_s;
            expected.isPinned = item == u"置顶显示"_s;
            if (item == u"归档"_s)
                expected.workspaceID = archive;
            QCOMPARE(*saved, expected);
            QCOMPARE(f.store->fence(fence.id), saved);
        }
        const bool leaves = item == u"删除围栏"_s || item == u"归档"_s;
        QCOMPARE(f.shownFenceIDs(), leaves ? QList<QUuid>{neighbour.id} : (QList<QUuid>{fence.id, neighbour.id}));
        if (leaves)
            QTRY_VERIFY(!card);
        else
            QCOMPARE(page.fenceCard(fence.id), card.data());
        QCOMPARE(page.workspaceCard(archive)->detailLabel()->text(),
                 item == u"归档"_s ? u"琥珀暮色 · 1 个围栏"_s : u"琥珀暮色 · 0 个围栏"_s);
    }

    // A card drawn before the fence moved on the desktop must not write the old frame back:
    // the lock reads the fence at the moment it is pressed.
    void lockKeepsAFrameMovedAfterTheCardWasDrawn()
    {
        PageFixture f;
        const QUuid desk = f.addWorkspace(u"桌面"_s);
        const FenceModel fence = f.addFence(desk, u"收件箱"_s);
        WorkspacesAndFencesTabView& page = f.showPage();
        QVERIFY(page.fenceCard(fence.id));
        std::unique_ptr<QMenu> menu(page.createFenceMenu(fence.id, &page));

        const FenceFrameRect moved{640, 120, 360, 300};
        f.store->updateDesktopFrame(fence.id, moved);
        f.store->save();
        for (QAction* action : menu->actions()) {
            if (action->text() == u"锁定位置"_s)
                action->trigger();
        }
        QCoreApplication::processEvents();

        QVERIFY(f.store->fence(fence.id)->isLocked);
        QCOMPARE(asRect(f.store->fence(fence.id)->desktopFrame), asRect(moved));
        const std::optional<FenceModel> saved = f.savedFence(fence.id);
        QVERIFY(saved && saved->isLocked);
        QCOMPARE(asRect(saved->desktopFrame), asRect(moved));

        // The same for the pin, with the frame changed through the published list.
        QList<FenceModel> fences = f.store->fences();
        fences.first().desktopFrame = {20, 40, 300, 260};
        QVERIFY(f.store->setFences(fences));
        QVERIFY(f.triggerMenuItem(fence.id, u"置顶显示"_s));
        QVERIFY(f.savedFence(fence.id)->isPinned);
        QVERIFY(f.savedFence(fence.id)->isLocked);
        QCOMPARE(asRect(f.savedFence(fence.id)->desktopFrame), QRectF(20, 40, 300, 260));
    }

    // The card's buttons go to the panel manager and the shell's callbacks, and the card shows
    // the outcome in place.
    void fenceCardButtons()
    {
        PageFixture f;
        const QUuid desk = f.addWorkspace(u"桌面"_s);
        const FenceModel fence = f.addFence(desk, u"收件箱"_s);
        const FenceModel other = f.addFence(desk, u"邻居"_s, 1);
        WorkspacesAndFencesTabView& page = f.showPage();
        FenceCardView* card = page.fenceCard(fence.id);
        QCOMPARE(card->stateBadge()->text(), u"已展开"_s);
        QCOMPARE(card->collapseButton()->title(), u"卷起"_s);
        QCOMPARE(card->collapseButton()->systemImage(), std::optional(u"chevron.up"_s));
        QCOMPARE(card->detailLabel()->text(), FenceCardView::detailText(fence));
        QVERIFY(card->detailLabel()->text().startsWith(u"澄栩便签 · 1 标签 · "_s));

        card->collapseButton()->click();
        QVERIFY(f.store->fence(fence.id)->isCollapsed);
        QVERIFY(f.savedFence(fence.id)->isCollapsed);
        QCOMPARE(page.fenceCard(fence.id), card);
        QCOMPARE(card->stateBadge()->text(), u"已卷起"_s);
        QCOMPARE(card->collapseButton()->title(), u"展开"_s);
        QCOMPARE(card->collapseButton()->systemImage(), std::optional(u"chevron.down"_s));

        // "定位" brings it back out.
        card->revealButton()->click();
        QVERIFY(!f.store->fence(fence.id)->isCollapsed);

        page.rollUpAllButton()->click();
        QVERIFY(f.store->fence(fence.id)->isCollapsed && f.store->fence(other.id)->isCollapsed);
        page.expandAllButton()->click();
        QVERIFY(!f.store->fence(fence.id)->isCollapsed && !f.store->fence(other.id)->isCollapsed);

        card->inspectButton()->click();
        QCOMPARE(f.inspected, QList<QUuid>{fence.id});
        page.searchButton()->click();
        QCOMPARE(f.spotSearches, 1);

        // The selection highlights its card only.
        f.store->setSelectedFenceID(other.id);
        QVERIFY(!card->modifier().isHighlighted);
        QVERIFY(page.fenceCard(other.id)->modifier().isHighlighted);
    }

    // Store changes reach the same cards: renamed, reordered, added and removed in place.
    void cardsAreUpdatedInPlace()
    {
        PageFixture f;
        const QUuid desk = f.addWorkspace(u"桌面"_s);
        const QUuid archive = f.addWorkspace(u"归档"_s);
        const FenceModel first = f.addFence(desk, u"一"_s, 0);
        const FenceModel second = f.addFence(desk, u"二"_s, 1);
        WorkspacesAndFencesTabView& page = f.showPage();
        FenceCardView* firstCard = page.fenceCard(first.id);
        FenceCardView* secondCard = page.fenceCard(second.id);
        WorkspaceCardView* deskCard = page.workspaceCard(desk);
        WorkspaceCardView* archiveCard = page.workspaceCard(archive);

        f.store->renameFence(first.id, u"改名"_s);
        QCOMPARE(page.fenceCard(first.id), firstCard);
        QCOMPARE(firstCard->titleLabel()->text(), u"改名"_s);

        QList<FenceModel> fences = f.store->fences();
        fences[0].bentoOrder = 5;
        QVERIFY(f.store->setFences(fences));
        QCOMPARE(page.fenceCards(), (QList<FenceCardView*>{secondCard, firstCard}));

        QList<WorkspaceProfile> workspaces = f.store->workspaces();
        std::reverse(workspaces.begin(), workspaces.end());
        workspaces.first().name = u"归档 2"_s;
        f.store->setWorkspaces(workspaces);
        QCOMPARE(page.workspaceCards(), (QList<WorkspaceCardView*>{archiveCard, deskCard}));
        QCOMPARE(archiveCard->nameLabel()->text(), u"归档 2"_s);

        const FenceModel third = f.addFence(desk, u"三"_s, 9);
        QCOMPARE(page.fenceCards().size(), 3);
        QCOMPARE(page.fenceCards().last()->fenceID(), third.id);
        QCOMPARE(page.fenceCard(first.id), firstCard);
        QVERIFY(page.fenceCard(third.id)->isVisible());
    }

    // -- layout ------------------------------------------------------------------------------

    // As many columns of 270 or more as fit with 12 between them, each at most 360, centred.
    void gridColumns_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("columnWidth");
        QTest::newRow("narrow") << 200 << 1 << 200;
        QTest::newRow("one, capped") << 500 << 1 << 360;
        QTest::newRow("two just fit") << 552 << 2 << 270;
        QTest::newRow("two") << 700 << 2 << 344;
        QTest::newRow("two, capped") << 800 << 2 << 360;
        QTest::newRow("three") << 900 << 3 << 292;
        QTest::newRow("four") << 1200 << 4 << 291;
    }

    void gridColumns()
    {
        QFETCH(int, width);
        QFETCH(int, columns);
        QFETCH(int, columnWidth);
        AdaptiveGridLayout layout(270, 360, 12);
        QCOMPARE(layout.columnCount(width), columns);
        QCOMPARE(layout.columnWidth(width), columnWidth);
    }

    void gridPlacesCardsInRows()
    {
        PageFixture f;
        const QUuid desk = f.addWorkspace(u"桌面"_s);
        for (int i = 0; i < 3; ++i)
            f.addFence(desk, u"围栏 %1"_s.arg(i), i);
        WorkspacesAndFencesTabView& page = f.showPage(QSize(760, 700));
        const QList<FenceCardView*> cards = page.fenceCards();
        QCOMPARE(cards.size(), 3);
        const int gridWidth = cards.first()->parentWidget()->width();
        const int columnWidth = page.fenceGrid()->columnWidth(gridWidth);
        QCOMPARE(page.fenceGrid()->columnCount(gridWidth), 2);
        for (FenceCardView* card : cards)
            QCOMPARE(card->width(), columnWidth);
        QCOMPARE(cards.at(0)->y(), cards.at(1)->y());
        QCOMPARE(cards.at(1)->x() - cards.at(0)->geometry().right() - 1, 12);
        QCOMPARE(cards.at(2)->y(), cards.at(0)->geometry().bottom() + 1 + 12);
        QCOMPARE(cards.at(2)->x(), cards.at(0)->x());
        // Centred: as much room on either side.
        QVERIFY(std::abs(cards.at(0)->x() - (gridWidth - 1 - cards.at(1)->geometry().right())) <= 1);

        // Wider, and the columns follow.
        page.resize(1300, 700);
        QTRY_COMPARE(cards.at(2)->y(), cards.at(0)->y());
    }

    // Of many fences only the cards in view are made whole; the others are made as they scroll
    // into view, showing what was set before, and the rows keep their places meanwhile.
    void cardsAreMadeAsTheyComeIntoView()
    {
        PageFixture f;
        const QUuid desk = f.addWorkspace(u"桌面"_s);
        QList<FenceModel> fences;
        for (int i = 0; i < 30; ++i)
            fences.append(f.addFence(desk, u"围栏 %1"_s.arg(i), i));
        WorkspacesAndFencesTabView& page = f.showPage(QSize(760, 600));
        QWidget* viewport = page.scrollArea()->viewport();
        QWidget* grid = page.fenceGrid()->parentWidget();
        const auto inView = [&](const FenceCardView* card) {
            return QRect(grid->mapFrom(viewport, QPoint(0, 0)), viewport->size()).intersects(card->geometry());
        };
        const auto madeCards = [&] {
            QList<int> made;
            const QList<FenceCardView*> cards = page.fenceCards();
            for (int i = 0; i < cards.size(); ++i) {
                if (cards.at(i)->hasContent())
                    made.append(i);
            }
            return made;
        };
        const QList<FenceCardView*> cards = page.fenceCards();
        QCOMPARE(cards.size(), 30);
        QTRY_VERIFY(inView(cards.first()) && cards.first()->hasContent());
        // Those in view are made; those a whole view further down are not (the page may have
        // shown a few more while it was first laid out).
        const int viewBottom = grid->mapFrom(viewport, QPoint(0, viewport->height())).y();
        for (const FenceCardView* card : cards) {
            if (inView(card))
                QVERIFY(card->hasContent());
            else if (card->y() > viewBottom + viewport->height())
                QVERIFY(!card->hasContent());
        }
        QVERIFY(cards.last()->y() > viewBottom + viewport->height());
        const QList<int> madeAtFirst = madeCards();
        // A card not yet made is as tall as one made: the rows stand where they will.
        QCOMPARE(cards.last()->height(), cards.first()->height());
        const int lastY = cards.last()->y();

        f.store->renameFence(fences.last().id, u"最后一个"_s);
        page.scrollArea()->verticalScrollBar()->setValue(page.scrollArea()->verticalScrollBar()->maximum());
        QVERIFY(inView(cards.last()));
        QVERIFY(cards.last()->hasContent());
        QCOMPARE(cards.last()->y(), lastY);
        QCOMPARE(cards.last()->titleLabel()->text(), u"最后一个"_s);
        QVERIFY(cards.last()->titleLabel()->isVisible());
        QVERIFY(cards.last()->revealButton()->isVisible());
        // Made once, kept: the cards passed over stay as they were.
        for (int index : madeAtFirst)
            QVERIFY(cards.at(index)->hasContent());
        QVERIFY(madeCards().size() < cards.size());

        // Asked for, a card's parts are made at once, with what it shows.
        FenceCardView* middle = nullptr;
        for (FenceCardView* card : cards) {
            if (!card->hasContent())
                middle = card;
        }
        QVERIFY(middle);
        QCOMPARE(middle->stateBadge()->text(), FenceCardView::stateText(false));
        QVERIFY(middle->hasContent());
        QCOMPARE(middle->titleLabel()->text(), f.store->fence(middle->fenceID())->title);
    }

    // The strip scrolls sideways when the cards do not fit; the page scrolls down.
    void stripAndPageScroll()
    {
        PageFixture f;
        for (int i = 0; i < 8; ++i)
            f.addWorkspace(u"工作区 %1"_s.arg(i));
        const QUuid desk = f.store->workspaces().first().id;
        for (int i = 0; i < 12; ++i)
            f.addFence(desk, u"围栏 %1"_s.arg(i), i);
        WorkspacesAndFencesTabView& page = f.showPage(QSize(760, 600));
        QScrollArea* strip = page.workspaceStrip();
        QCOMPARE(strip->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QVERIFY(strip->horizontalScrollBar()->maximum() > 0);
        QCOMPARE(strip->verticalScrollBar()->maximum(), 0);
        QCOMPARE(page.workspaceCards().first()->width(), WorkspaceCardView::cardWidth);
        QVERIFY(page.scrollArea()->verticalScrollBar()->maximum() > 0);
        QCOMPARE(page.scrollArea()->horizontalScrollBar()->maximum(), 0);
    }

    // -- pictures for people ------------------------------------------------------------------

    // The shell builds this page for its workspaces case.
    void theShellShowsThePage()
    {
        PageFixture f;
        f.addWorkspace(u"桌面"_s);
        DesktopPanelManager manager(*f.store);
        ControlCenterView view(*f.store, manager, fixedPage(), {}, &f.environment, &makeControlCenterPage);
        QVERIFY(qobject_cast<WorkspacesAndFencesTabView*>(view.currentPage()));
    }

    void screenshots()
    {
        const QString folder = QStringLiteral(MORVANTEEL_BUILD_DIR "/screens");
        QVERIFY(QDir().mkpath(folder));
        for (const ColorScheme scheme : {ColorScheme::light, ColorScheme::dark}) {
            PageFixture f(Seeding::enabled);
            f.environment.setColorScheme(scheme);
            QVERIFY(f.store->activeFences().size() >= 2);
            f.store->setSelectedFenceID(f.store->activeFences().first().id);
            DesktopPanelManager manager(*f.store);
            ControlCenterView view(*f.store, manager, fixedPage(), {}, &f.environment, &makeControlCenterPage);
            view.resize(1180, 860);
            view.show();
            QVERIFY(QTest::qWaitForWindowExposed(&view));
            auto* page = qobject_cast<WorkspacesAndFencesTabView*>(view.currentPage());
            QVERIFY(page);
            const QString suffix = scheme == ColorScheme::dark ? u"dark"_s : u"light"_s;

            const QImage shot = view.grab().toImage();
            QVERIFY(shot.save(folder + u"/workspaces-page-"_s + suffix + u".png"_s));
            // The cards are drawn over the backdrop: their glass is not the backdrop's colour.
            const FenceCardView* card = page->fenceCards().first();
            const QPoint onCard = card->mapTo(&view, QPoint(card->width() - 8, card->height() / 2));
            const QPoint besideCards = page->mapTo(&view, QPoint(page->width() - 30, page->height() - 30));
            QVERIFY(shot.pixel(onCard * shot.devicePixelRatio()) != shot.pixel(besideCards * shot.devicePixelRatio()));

            page->newFenceButton()->click();
            QVERIFY(page->newFencePopover()->grab().save(folder + u"/workspaces-new-fence-"_s + suffix + u".png"_s));
            page->newFencePopover()->hide();
            page->newWorkspaceButton()->click();
            QVERIFY(page->newWorkspacePopover()->grab().save(folder + u"/workspaces-new-workspace-"_s + suffix
                                                              + u".png"_s));
        }
    }
};

QTEST_MAIN(WorkspacesPageTest)
#include "tst_workspacespage.moc"
