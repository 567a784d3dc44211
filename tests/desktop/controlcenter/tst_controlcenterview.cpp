#include "core/store/support/StoreFixture.h"
#include "design/DesignEnvironment.h"
#include "design/GlassTextLabel.h"
#include "design/LiquidGlassIconBadge.h"
#include "design/LiquidGlassPillButton.h"
#include "design/LiquidGlassWallpaperBackdrop.h"
#include "desktop/controlcenter/ControlCenterView.h"
#include "desktop/controlcenter/QuickControlSwitch.h"
#include "desktop/shell/DesktopPanelManager.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QtTest>

#include <memory>

using namespace mv;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(mv::ControlCenterTab)

// Stands in for the runtime: keeps the page, and may refuse to change it.
class PageOwner final : public QObject {
    Q_OBJECT

public:
    ControlCenterTab page() const { return m_page; }
    void setPage(ControlCenterTab page)
    {
        ++writes;
        if (!acceptsChanges || m_page == page)
            return;
        m_page = page;
        Q_EMIT pageChanged();
    }

    bool acceptsChanges = true;
    int writes = 0;

Q_SIGNALS:
    void pageChanged();

private:
    ControlCenterTab m_page = ControlCenterTab::workspaces;
};

namespace {

enum class QuickSwitch { peek, curtain, lock };

// What a page factory was asked for.
struct PageRequest {
    ControlCenterTab tab;
    MorvanteelStore* store;
    DesktopPanelManager* panelManager;
};

// The store, its panels, the page owner and the view over them, shown on the offscreen screen.
struct ViewFixture : TwoWorkspaceStore {
    std::unique_ptr<DesktopPanelManager> manager = std::make_unique<DesktopPanelManager>(*store);
    DesignEnvironment environment;
    std::unique_ptr<PageOwner> owner = std::make_unique<PageOwner>();
    int spotSearchRequests = 0;
    QList<PageRequest> pageRequests;
    // Each workspaces page made gets a "调色" button for this fence.
    QUuid inspectedFence = mv::newUuid();
    std::unique_ptr<ControlCenterView> view;

    explicit ViewFixture(bool withPageFactory = false)
    {
        ControlCenterView::PageFactory factory;
        if (withPageFactory) {
            factory = [this](ControlCenterTab tab, const ControlCenterPageInputs& inputs) -> QWidget* {
                pageRequests.append({tab, &inputs.store, &inputs.panelManager});
                if (tab != ControlCenterTab::workspaces)
                    return nullptr; // the placeholder
                auto* page = new QPushButton(u"调色"_s);
                page->setObjectName(u"inspectButton"_s);
                QObject::connect(page, &QPushButton::clicked, page,
                                 [inspect = inputs.onInspectAppearance, id = inspectedFence] { inspect(id); });
                return page;
            };
        }
        view = std::make_unique<ControlCenterView>(
            *store, *manager,
            bindControlCenterTab(owner.get(), &PageOwner::page, &PageOwner::setPage, &PageOwner::pageChanged),
            [this] { ++spotSearchRequests; }, &environment, factory);
        view->resize(1080, 700);
        view->show();
        if (!QTest::qWaitForWindowExposed(view.get()))
            qFatal("the control center was not exposed");
    }

    QuickControlSwitch* quickSwitch(QuickSwitch which) const
    {
        switch (which) {
        case QuickSwitch::peek: return view->peekSwitch();
        case QuickSwitch::curtain: return view->curtainSwitch();
        case QuickSwitch::lock: return view->lockSwitch();
        }
        return nullptr;
    }

    void clickRow(int row) const
    {
        QListWidget* list = view->pageList();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
    }

    QString placeholderTitle() const
    {
        auto* label = view->currentPage() ? view->currentPage()->findChild<GlassTextLabel*>(u"pageTitle"_s) : nullptr;
        return label ? label->text() : QString();
    }

    // The preferences as the state file holds them.
    QJsonObject savedPreferences() const
    {
        return QJsonDocument::fromJson(stateOnDisk()).object().value(u"preferences"_s).toObject();
    }

    bool statusBoxShown() const { return !view->statusBox()->isHidden(); }
};

int rowOf(ControlCenterTab tab)
{
    return int(allCases<ControlCenterTab>().indexOf(tab));
}

void addPageRows()
{
    QTest::addColumn<ControlCenterTab>("tab");
    for (const ControlCenterTab tab : allCases<ControlCenterTab>())
        QTest::newRow(rawValue(tab).toUtf8().constData()) << tab;
}

} // namespace

class ControlCenterViewTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
    }

    // -- the sidebar --------------------------------------------------------------------------

    void sidebarShowsThePagesAndTheirControls()
    {
        ViewFixture fixture;
        QListWidget* list = fixture.view->pageList();
        QCOMPARE(list->count(), 4);
        const QList<ControlCenterTab> tabs = allCases<ControlCenterTab>();
        for (int row = 0; row < tabs.size(); ++row) {
            QCOMPARE(list->item(row)->text(), title(tabs.at(row)));
            QCOMPARE(list->item(row)->data(ControlCenterView::pageTabRole).toString(), rawValue(tabs.at(row)));
            QCOMPARE(list->item(row)->data(ControlCenterView::pageSymbolRole).toString(), symbolName(tabs.at(row)));
        }
        QCOMPARE(fixture.view->peekSwitch()->text(), u"Peek 桌面透视 (Alt+Space)"_s);
        QCOMPARE(fixture.view->curtainSwitch()->text(), u"隐身隐藏围栏 (Alt+H)"_s);
        QCOMPARE(fixture.view->lockSwitch()->text(), u"全局锁定布局"_s);
        QCOMPARE(fixture.view->spotSearchButton()->title(), u"SpotSearch 检索 (Ctrl+K)"_s);
        QCOMPARE(fixture.view->spotSearchButton()->systemImage(), std::optional(u"magnifyingglass"_s));
        QVERIFY(fixture.view->spotSearchButton()->isCompact());
        QVERIFY(!fixture.view->spotSearchButton()->isProminent());
        QCOMPARE(fixture.view->headerBadge()->systemName(), u"sparkles.rectangle.stack.fill"_s);
        QCOMPARE(fixture.view->headerBadge()->badgeSize(), 34.0);

        QStringList texts;
        for (const GlassTextLabel* label : fixture.view->findChildren<GlassTextLabel*>())
            texts.append(label->text());
        QVERIFY(texts.contains(u"Morvanteel"_s));
        QVERIFY(texts.contains(u"澄栩围栏控制中心"_s));
        QVERIFY(texts.contains(u"桌面快捷控制"_s));

        const QWidget* sidebar = fixture.view->findChild<QWidget*>(u"sidebar"_s);
        QVERIFY(sidebar);
        QVERIFY(sidebar->width() >= 220 && sidebar->width() <= 280);
        QVERIFY(fixture.view->minimumSize() == QSize(960, 640));
    }

    // -- the selected page, both ways ---------------------------------------------------------

    // Any writer of the owner's page (a deep link, the status menu) moves the list and the page.
    void thePageFollowsItsOwner_data() { addPageRows(); }
    void thePageFollowsItsOwner()
    {
        QFETCH(ControlCenterTab, tab);
        ViewFixture fixture;
        fixture.owner->setPage(tab);
        QCOMPARE(fixture.view->pageList()->currentRow(), rowOf(tab));
        QCOMPARE(fixture.view->currentPageTab(), tab);
        QCOMPARE(fixture.placeholderTitle(), title(tab));
    }

    // A click on a row writes the owner's page; the page shown then follows the owner.
    void choosingARowWritesTheOwner_data() { addPageRows(); }
    void choosingARowWritesTheOwner()
    {
        QFETCH(ControlCenterTab, tab);
        ViewFixture fixture;
        fixture.owner->setPage(tab == ControlCenterTab::smartRules ? ControlCenterTab::companion
                                                                   : ControlCenterTab::smartRules);
        fixture.clickRow(rowOf(tab));
        QCOMPARE(fixture.owner->page(), tab);
        QCOMPARE(fixture.view->currentPageTab(), tab);
        QCOMPARE(fixture.placeholderTitle(), title(tab));
    }

    // Following the owner is not a choice: it writes nothing back.
    void followingTheOwnerWritesNothingBack()
    {
        ViewFixture fixture;
        fixture.owner->writes = 0;
        fixture.owner->setPage(ControlCenterTab::appearance);
        QCOMPARE(fixture.owner->writes, 1);
    }

    // The owner decides: when it keeps its page, the list goes back to that page.
    void anOwnerThatKeepsItsPageWins()
    {
        ViewFixture fixture;
        fixture.owner->setPage(ControlCenterTab::smartRules);
        QPointer<QWidget> page = fixture.view->currentPage();
        fixture.owner->acceptsChanges = false;
        fixture.clickRow(rowOf(ControlCenterTab::companion));
        QCOMPARE(fixture.owner->page(), ControlCenterTab::smartRules);
        QCOMPARE(fixture.view->pageList()->currentRow(), rowOf(ControlCenterTab::smartRules));
        QCOMPARE(fixture.view->currentPage(), page.data());
    }

    // The binding holds its owner weakly: once the owner is gone, rows do nothing harmful.
    void anOwnerGoneLeavesTheViewWorking()
    {
        ViewFixture fixture;
        fixture.owner->setPage(ControlCenterTab::companion);
        fixture.owner.reset();
        fixture.clickRow(rowOf(ControlCenterTab::smartRules));
        QCOMPARE(fixture.view->currentPageTab(), ControlCenterTab::workspaces);
        QCOMPARE(fixture.view->pageList()->currentRow(), 0);
    }

    // One page at a time: leaving a page discards it, coming back builds it anew, each time
    // with the store and the panel manager.
    void switchingPagesBuildsThemAnew()
    {
        ViewFixture fixture(true);
        QCOMPARE(fixture.pageRequests.size(), 1);
        QPointer<QWidget> first = fixture.view->currentPage();
        QCOMPARE(first->objectName(), u"inspectButton"_s);

        fixture.owner->setPage(ControlCenterTab::smartRules);
        QVERIFY(first->isHidden());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!first);
        QCOMPARE(fixture.view->currentPage()->objectName(), u"pagePlaceholder"_s); // the factory gave none

        fixture.owner->setPage(ControlCenterTab::workspaces);
        QVERIFY(fixture.view->currentPage());
        QCOMPARE(fixture.view->currentPage()->objectName(), u"inspectButton"_s);
        QCOMPARE(fixture.view->findChildren<QPushButton*>(u"inspectButton"_s).size(), 1);

        QCOMPARE(fixture.pageRequests.size(), 3);
        const QList<ControlCenterTab> asked{ControlCenterTab::workspaces, ControlCenterTab::smartRules,
                                            ControlCenterTab::workspaces};
        for (int i = 0; i < asked.size(); ++i) {
            QCOMPARE(fixture.pageRequests.at(i).tab, asked.at(i));
            QCOMPARE(fixture.pageRequests.at(i).store, fixture.store.get());
            QCOMPARE(fixture.pageRequests.at(i).panelManager, fixture.manager.get());
        }
    }

    // "调色" on the workspaces page selects the fence and opens the appearance page, from inside
    // the click handler of the very page that goes away.
    void inspectingAppearanceOpensTheAppearancePage()
    {
        ViewFixture fixture(true);
        auto* button = qobject_cast<QPushButton*>(fixture.view->currentPage());
        QVERIFY(button);
        QPointer<QPushButton> guard(button);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(fixture.store->selectedFenceID(), std::optional(fixture.inspectedFence));
        QCOMPARE(fixture.owner->page(), ControlCenterTab::appearance);
        QCOMPARE(fixture.view->currentPageTab(), ControlCenterTab::appearance);
        QCOMPARE(fixture.view->pageList()->currentRow(), rowOf(ControlCenterTab::appearance));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!guard);
    }

    // -- SpotSearch -----------------------------------------------------------------------------

    void theSpotSearchButtonOpensSpotSearch()
    {
        ViewFixture fixture;
        QTest::mouseClick(fixture.view->spotSearchButton(), Qt::LeftButton);
        QCOMPARE(fixture.spotSearchRequests, 1);
        // Nothing else happens: no page change, no store write.
        QCOMPARE(fixture.owner->page(), ControlCenterTab::workspaces);
    }

    void pagesReachSpotSearchThroughTheShell()
    {
        ViewFixture fixture;
        std::function<void()> open;
        auto view = std::make_unique<ControlCenterView>(
            *fixture.store, *fixture.manager,
            bindControlCenterTab(fixture.owner.get(), &PageOwner::page, &PageOwner::setPage, &PageOwner::pageChanged),
            [&fixture] { ++fixture.spotSearchRequests; }, &fixture.environment,
            [&open](ControlCenterTab, const ControlCenterPageInputs& inputs) -> QWidget* {
                open = inputs.onOpenSpotSearch;
                return nullptr;
            });
        QVERIFY(open);
        open();
        QCOMPARE(fixture.spotSearchRequests, 1);
        // A page's closure outliving the view does nothing.
        view.reset();
        open();
        QCOMPARE(fixture.spotSearchRequests, 1);
    }

    // -- the quick switches -------------------------------------------------------------------

    // A click stores the value the switch now shows (not a flip of what is stored) through the
    // store, with one save that reaches the state file. Peek on also lifts the curtain.
    void eachSwitchWritesTheStore_data()
    {
        QTest::addColumn<QuickSwitch>("control");
        QTest::addColumn<bool>("peekBefore");
        QTest::addColumn<bool>("curtainBefore");
        QTest::addColumn<bool>("lockBefore");
        QTest::addColumn<bool>("peekAfter");
        QTest::addColumn<bool>("curtainAfter");
        QTest::addColumn<bool>("lockAfter");
        QTest::newRow("peek on") << QuickSwitch::peek << false << false << false << true << false << false;
        QTest::newRow("peek on lifts the curtain") << QuickSwitch::peek << false << true << false << true << false << false;
        QTest::newRow("peek off") << QuickSwitch::peek << true << false << true << false << false << true;
        QTest::newRow("curtain on") << QuickSwitch::curtain << false << false << false << false << true << false;
        QTest::newRow("curtain on while peeking") << QuickSwitch::curtain << true << false << false << true << true << false;
        QTest::newRow("curtain off") << QuickSwitch::curtain << false << true << true << false << false << true;
        QTest::newRow("lock on") << QuickSwitch::lock << false << true << false << false << true << true;
        QTest::newRow("lock off") << QuickSwitch::lock << true << false << true << true << false << false;
    }

    void eachSwitchWritesTheStore()
    {
        QFETCH(QuickSwitch, control);
        QFETCH(bool, peekBefore);
        QFETCH(bool, curtainBefore);
        QFETCH(bool, lockBefore);
        QFETCH(bool, peekAfter);
        QFETCH(bool, curtainAfter);
        QFETCH(bool, lockAfter);

        ViewFixture fixture;
        GlobalPreferences preferences = fixture.store->preferences();
        preferences.isPeekActive = peekBefore;
        preferences.isDesktopCurtainHidden = curtainBefore;
        preferences.isLayoutLocked = lockBefore;
        QVERIFY(fixture.store->setPreferences(preferences));
        const int savesBefore = fixture.reloader->requestCount();

        QTest::mouseClick(fixture.quickSwitch(control), Qt::LeftButton);

        const GlobalPreferences& stored = fixture.store->preferences();
        QCOMPARE(stored.isPeekActive, peekAfter);
        QCOMPARE(stored.isDesktopCurtainHidden, curtainAfter);
        QCOMPARE(stored.isLayoutLocked, lockAfter);
        QCOMPARE(fixture.reloader->requestCount(), savesBefore + 1);
        const QJsonObject saved = fixture.savedPreferences();
        QCOMPARE(saved.value(u"isPeekActive"_s).toBool(), peekAfter);
        QCOMPARE(saved.value(u"isDesktopCurtainHidden"_s).toBool(), curtainAfter);
        QCOMPARE(saved.value(u"isLayoutLocked"_s).toBool(), lockAfter);

        QCOMPARE(fixture.view->peekSwitch()->isChecked(), peekAfter);
        QCOMPARE(fixture.view->curtainSwitch()->isChecked(), curtainAfter);
        QCOMPARE(fixture.view->lockSwitch()->isChecked(), lockAfter);
    }

    // The switches show the store's preferences, whoever changed them (hot keys, the menu).
    void switchesFollowTheStore()
    {
        ViewFixture fixture;
        fixture.store->toggleDesktopCurtain();
        QVERIFY(fixture.view->curtainSwitch()->isChecked());
        fixture.store->togglePeek();
        QVERIFY(fixture.view->peekSwitch()->isChecked());
        QVERIFY(!fixture.view->curtainSwitch()->isChecked());
        fixture.store->toggleGlobalLayoutLock();
        QVERIFY(fixture.view->lockSwitch()->isChecked());
        fixture.store->setPeek(false);
        QVERIFY(!fixture.view->peekSwitch()->isChecked());
        QVERIFY(fixture.view->lockSwitch()->isChecked());
    }

    // Space on a focused switch is a click like any other.
    void switchesAnswerTheKeyboard()
    {
        ViewFixture fixture;
        QuickControlSwitch* lock = fixture.view->lockSwitch();
        lock->setFocus();
        QTest::keyClick(lock, Qt::Key_Space);
        QVERIFY(fixture.store->preferences().isLayoutLocked);
        QTest::keyClick(lock, Qt::Key_Space);
        QVERIFY(!fixture.store->preferences().isLayoutLocked);
    }

    // -- the status line ----------------------------------------------------------------------

    // The box shows only a set, non-empty message, exactly as the store holds it.
    void theStatusLineFollowsTheStore_data()
    {
        QTest::addColumn<std::optional<QString>>("message");
        QTest::addColumn<bool>("shown");
        QTest::newRow("none") << std::optional<QString>() << false;
        QTest::newRow("empty") << std::optional(QString()) << false;
        QTest::newRow("text") << std::optional(u"已撤销：整理 3 个文件（可用 Ctrl+Z 撤销）"_s) << true;
        QTest::newRow("markup stays text") << std::optional(u"<b>报告.pdf</b> 已移动"_s) << true;
        QTest::newRow("blank") << std::optional(u" "_s) << true;
    }

    void theStatusLineFollowsTheStore()
    {
        QFETCH(std::optional<QString>, message);
        QFETCH(bool, shown);
        ViewFixture fixture;
        fixture.store->setLastStatusMessage(u"之前的消息"_s);
        QVERIFY(fixture.statusBoxShown());
        fixture.store->setLastStatusMessage(message);
        QCOMPARE(fixture.statusBoxShown(), shown);
        if (shown)
            QCOMPARE(fixture.view->statusLabel()->text(), *message);
    }

    // A message too long for three lines is cut at the third, with an ellipsis.
    void aLongStatusIsCutToThreeLines()
    {
        ViewFixture fixture;
        QString message;
        for (int i = 0; i < 40; ++i)
            message += u"移动失败：文件已不在原处 "_s;
        fixture.store->setLastStatusMessage(message);
        GlassTextLabel* label = fixture.view->statusLabel();
        const QStringList lines = label->displayedText(label->width()).split(u'\n');
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines.last().endsWith(u'…'));
        // All three lines are shown, and no room for a fourth.
        const qreal lineHeight = QFontMetricsF(label->textFont()).height();
        QVERIFY2(label->height() >= 3 * lineHeight && label->height() < 4 * lineHeight,
                 qPrintable(QString::number(label->height())));
    }

    // -- accent and wallpaper ---------------------------------------------------------------

    // The badge, the SpotSearch button and the backdrop follow the active workspace at once.
    void accentAndWallpaperFollowTheActiveWorkspace()
    {
        ViewFixture fixture;
        QCOMPARE(fixture.view->headerBadge()->tint(), FenceTintPalette::crystal);
        QCOMPARE(fixture.view->backdropPreset(), WallpaperPreset::tahoeAurora);

        WorkspaceProfile desk = *fixture.store->activeWorkspace();
        desk.accentTint = FenceTintPalette::mint;
        desk.wallpaperPreset = WallpaperPreset::warmDusk;
        fixture.store->updateWorkspace(desk);
        QCOMPARE(fixture.view->headerBadge()->tint(), FenceTintPalette::mint);
        QCOMPARE(fixture.view->spotSearchButton()->tint(), FenceTintPalette::mint);
        QCOMPARE(fixture.view->backdropPreset(), WallpaperPreset::warmDusk);

        QList<WorkspaceProfile> workspaces = fixture.store->workspaces();
        workspaces[1].accentTint = FenceTintPalette::rose;
        workspaces[1].wallpaperPreset = WallpaperPreset::midnightOcean;
        fixture.store->setWorkspaces(workspaces);
        fixture.store->switchWorkspace(fixture.archive);
        QCOMPARE(fixture.view->headerBadge()->tint(), FenceTintPalette::rose);
        QCOMPARE(fixture.view->spotSearchButton()->tint(), FenceTintPalette::rose);
        QCOMPARE(fixture.view->backdropPreset(), WallpaperPreset::midnightOcean);
    }

    // With no workspace at all the sidebar is cerulean over the aurora wallpaper; an id naming
    // no workspace falls back to the first, as the store's active workspace does.
    void withoutAWorkspaceTheFallbacksShow()
    {
        ViewFixture fixture;
        QList<WorkspaceProfile> workspaces = fixture.store->workspaces();
        workspaces[0].accentTint = FenceTintPalette::amber;
        workspaces[0].wallpaperPreset = WallpaperPreset::emeraldMist;
        fixture.store->setWorkspaces(workspaces);
        fixture.store->setActiveWorkspaceID(mv::newUuid());
        QCOMPARE(fixture.view->headerBadge()->tint(), FenceTintPalette::amber);
        QCOMPARE(fixture.view->backdropPreset(), WallpaperPreset::emeraldMist);

        fixture.store->setWorkspaces({});
        QCOMPARE(fixture.view->headerBadge()->tint(), FenceTintPalette::cerulean);
        QCOMPARE(fixture.view->spotSearchButton()->tint(), FenceTintPalette::cerulean);
        QCOMPARE(fixture.view->backdropPreset(), WallpaperPreset::tahoeAurora);
    }

    // The backdrop is the wallpaper at 0.2 over the window: a probe in the detail area sits a
    // fifth of the way from the window colour to the wallpaper's.
    void theBackdropIsAFaintWallpaper()
    {
        ViewFixture fixture;
        QWidget* detail = fixture.view->findChild<QWidget*>(u"detailArea"_s);
        QVERIFY(detail);
        QCoreApplication::processEvents();
        const QImage shot = detail->grab().toImage();
        QImage wallpaper(shot.size(), QImage::Format_ARGB32_Premultiplied);
        {
            QPainter painter(&wallpaper);
            LiquidGlassWallpaperBackdrop::paint(painter, QRectF(wallpaper.rect()), WallpaperPreset::tahoeAurora,
                                                ColorScheme::light);
        }
        const QPoint probe(shot.width() - 20, shot.height() / 2); // right of the placeholder title
        const QColor seen = shot.pixelColor(probe);
        const QColor full = wallpaper.pixelColor(probe);
        const QColor window(0xf4, 0xf4, 0xf6);
        const auto expected = [](int base, int top) { return base + (top - base) * 0.2; };
        QVERIFY2(std::abs(seen.red() - expected(window.red(), full.red())) <= 3, qPrintable(seen.name() + u" "_s + full.name()));
        QVERIFY2(std::abs(seen.green() - expected(window.green(), full.green())) <= 3, qPrintable(seen.name() + u" "_s + full.name()));
        QVERIFY2(std::abs(seen.blue() - expected(window.blue(), full.blue())) <= 3, qPrintable(seen.name() + u" "_s + full.name()));
    }

    // -- updates in place ---------------------------------------------------------------------

    // Store changes update the widgets that are there: none is made or destroyed, the page stays
    // and the focused switch keeps the focus.
    void storeChangesRebuildNothing()
    {
        ViewFixture fixture(true);
        fixture.store->setLastStatusMessage(u"开始"_s);
        const QList<QWidget*> before = fixture.view->findChildren<QWidget*>();
        QList<QPointer<QWidget>> guards;
        for (QWidget* widget : before)
            guards.append(widget);
        QWidget* page = fixture.view->currentPage();
        fixture.view->activateWindow();
        fixture.view->curtainSwitch()->setFocus();
        QVERIFY(fixture.view->curtainSwitch()->hasFocus());

        fixture.store->setPeek(true);
        fixture.store->toggleGlobalLayoutLock();
        fixture.store->setLastStatusMessage(std::nullopt);
        fixture.store->setLastStatusMessage(u"再次"_s);
        WorkspaceProfile desk = *fixture.store->activeWorkspace();
        desk.accentTint = FenceTintPalette::violet;
        fixture.store->updateWorkspace(desk);
        fixture.store->switchWorkspace(fixture.archive);
        fixture.appendFence(fixture.archive, u"新围栏"_s, {plainTab(FenceKind::notes, u"便签"_s)});
        fixture.store->setSelectedFenceID(mv::newUuid());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        for (const QPointer<QWidget>& guard : guards)
            QVERIFY(guard);
        QCOMPARE(fixture.view->findChildren<QWidget*>(), before);
        QCOMPARE(fixture.view->currentPage(), page);
        QVERIFY(fixture.view->curtainSwitch()->hasFocus());
        QCOMPARE(fixture.pageRequests.size(), 1);
    }
};

QTEST_MAIN(ControlCenterViewTest)
#include "tst_controlcenterview.moc"
