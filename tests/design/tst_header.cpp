#include "design/FenceHeaderView.h"
#include "design/GlassTextLabel.h"
#include "design/GlassTransition.h"
#include "design/LiquidGlassBadge.h"
#include "design/LiquidGlassButton.h"
#include "support/DesignTestSupport.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QtTest>

using namespace mv;
using namespace mv::testing;

namespace {

struct HeaderFixture {
    DesignEnvironment environment;
    QWidget window;
    FenceHeaderView* header = nullptr;
    QPointer<QWidget> trailing;
    int toggles = 0;
    QStringList renames;
    bool ok = false;

    explicit HeaderFixture(bool withRename = true)
    {
        header = new FenceHeaderView(&environment, &window);
        header->setTitle(QStringLiteral("桌面收纳盒"));
        header->setSymbolName(QStringLiteral("folder.badge.gearshape"));
        header->setBadgeSummary(QStringLiteral("传送门"));
        header->setTint(FenceTintPalette::cerulean);
        header->onToggleCollapse = [this] { ++toggles; };
        if (withRename)
            header->setOnRename([this](const QString& title) { renames.append(title); });
        auto* more = new LiquidGlassButton(&environment);
        more->setSymbolName(QStringLiteral("ellipsis"));
        more->setFixedFrame(QSize(24, 24));
        trailing = more;
        header->setTrailingActions(more);
        window.resize(420, 46);
        header->resize(420, 46);
        window.show();
        ok = QTest::qWaitForWindowExposed(&window);
    }

    template<class T>
    T* part(const char* name) const { return header->findChild<T*>(QString::fromLatin1(name)); }
    // Parts made when first needed.
    bool shown(const char* name) const
    {
        auto* widget = part<QWidget>(name);
        return widget && widget->isVisible();
    }

    QMenu* openTitleMenu()
    {
        auto* area = part<QWidget>("titleArea");
        // What a right click delivers to the title area.
        const QPoint at(10, area->height() / 2);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, area->mapToGlobal(at));
        QApplication::sendEvent(area, &event);
        return qobject_cast<QMenu*>(QApplication::activePopupWidget());
    }
};

// Clicks the menu's item of that text; the header acts once the menu has closed.
bool clickMenuItem(QMenu* menu, const QString& text)
{
    for (QAction* action : menu->actions()) {
        if (action->text() == text) {
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
            QApplication::processEvents();
            return true;
        }
    }
    return false;
}

QStringList itemTexts(const QMenu* menu)
{
    QStringList texts;
    for (const QAction* action : menu->actions())
        texts.append(action->text() + u'|' + action->property("symbolName").toString());
    return texts;
}

} // namespace

class HeaderTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void geometry()
    {
        HeaderFixture f;
        QVERIFY(f.ok);
        QCOMPARE(f.header->height(), 46);
        QCOMPARE(f.header->sizeHint().height(), 46);
        QCOMPARE(f.part<QWidget>("iconBadge")->size(), QSize(26, 26));
        QCOMPARE(f.part<QWidget>("collapseButton")->size(), QSize(24, 24));
        // Padded 12 at both ends.
        QCOMPARE(f.part<QWidget>("iconBadge")->x(), 12);
        QCOMPARE(f.part<QWidget>("actionsGroup")->geometry().right(), 420 - 12 - 1);
        QCOMPARE(f.part<GlassTextLabel>("titleLabel")->text(), QStringLiteral("桌面收纳盒"));
        QCOMPARE(f.part<LiquidGlassBadge>("badge")->text(), QStringLiteral("传送门"));
    }

    void expandedAndCollapsedParts()
    {
        HeaderFixture f;
        auto* button = f.part<LiquidGlassButton>("collapseButton");
        QVERIFY(f.trailing->isVisible());
        QCOMPARE(button->symbolName(), QStringLiteral("chevron.up"));
        QCOMPARE(button->toolTip(), QStringLiteral("卷起为胶囊"));
        QCOMPARE(button->accessibleName(), QStringLiteral("卷起围栏"));

        f.header->setCollapsed(true);
        QVERIFY(!f.trailing->isVisible());
        QVERIFY(f.part<QWidget>("badge")->isVisible());
        QVERIFY(button->isVisible());
        QCOMPARE(button->symbolName(), QStringLiteral("chevron.down"));
        QCOMPARE(button->toolTip(), QStringLiteral("展开围栏"));
        QCOMPARE(button->accessibleName(), QStringLiteral("展开围栏"));
    }

    void pinThenLock_data()
    {
        QTest::addColumn<bool>("lockFirst");
        // The marks are made when first shown; the pin goes before the lock either way.
        QTest::newRow("pinned first") << false;
        QTest::newRow("locked first") << true;
    }

    void pinThenLock()
    {
        QFETCH(bool, lockFirst);
        HeaderFixture f;
        QVERIFY(!f.shown("pinMark") && !f.shown("lockMark"));
        if (lockFirst)
            f.header->setLocked(true);
        f.header->setPinned(true);
        f.header->setLocked(true);
        auto* pin = f.part<QWidget>("pinMark");
        auto* lock = f.part<QWidget>("lockMark");
        QVERIFY(pin && lock);
        QVERIFY(pin->isVisible() && lock->isVisible());
        QCOMPARE(pin->accessibleName(), QStringLiteral("已置顶"));
        QCOMPARE(lock->accessibleName(), QStringLiteral("已锁定"));
        QVERIFY(f.part<QWidget>("titleLabel")->geometry().right() < pin->x());
        QVERIFY(pin->geometry().right() < lock->x());
        // The lock only shows: collapsing still works.
        QTest::mouseClick(f.part<QWidget>("collapseButton"), Qt::LeftButton);
        QCOMPARE(f.toggles, 1);
        f.header->setPinned(false);
        f.header->setLocked(false);
        QVERIFY(!pin->isVisible() && !lock->isVisible());
    }

    void collapseButtonAnimates_data()
    {
        QTest::addColumn<bool>("reduceMotion");
        QTest::addColumn<int>("kind");
        // The button's toggle springs with uiDefault, or crossfades under reduce motion.
        QTest::newRow("motion") << false << int(GlassAnimationKind::uiDefault);
        QTest::newRow("reduced") << true << int(GlassAnimationKind::reducedCrossfade);
    }

    void collapseButtonAnimates()
    {
        QFETCH(bool, reduceMotion);
        QFETCH(int, kind);
        HeaderFixture f;
        f.environment.setReduceMotion(reduceMotion);
        QTest::mouseClick(f.part<QWidget>("collapseButton"), Qt::LeftButton);
        QCOMPARE(f.toggles, 1);
        QCOMPARE(int(*f.header->collapseTransition().lastKind()), kind);
    }

    void doubleClickTogglesWithoutAnimationOrRename()
    {
        HeaderFixture f;
        auto* area = f.part<QWidget>("titleArea");
        QTest::mouseDClick(area, Qt::LeftButton, {}, QPoint(10, area->height() / 2));
        QCOMPARE(f.toggles, 1);
        QCOMPARE(f.header->collapseTransition().runCount(), 0);
        QVERIFY(!f.shown("renameField"));
    }

    void titleMenuItems()
    {
        HeaderFixture f;
        QMenu* menu = f.openTitleMenu();
        QVERIFY(menu);
        QCOMPARE(itemTexts(menu), (QStringList{QStringLiteral("重命名围栏|pencil"), QStringLiteral("卷起为胶囊|chevron.up")}));
        QVERIFY(clickMenuItem(menu, QStringLiteral("卷起为胶囊")));
        QTRY_COMPARE(f.toggles, 1);
        QCOMPARE(f.header->collapseTransition().runCount(), 0);

        f.header->setCollapsed(true);
        menu = f.openTitleMenu();
        QVERIFY(menu);
        QCOMPARE(itemTexts(menu), (QStringList{QStringLiteral("重命名围栏|pencil"), QStringLiteral("展开围栏|chevron.down")}));
        menu->close();
    }

    void withoutRenameThereIsNoRenameItem()
    {
        HeaderFixture f(false);
        QMenu* menu = f.openTitleMenu();
        QVERIFY(menu);
        QCOMPARE(itemTexts(menu), QStringList{QStringLiteral("卷起为胶囊|chevron.up")});
        menu->close();
        QVERIFY(!f.shown("renameField"));
    }

    void renameReportsTheTrimmedTitle_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("reported");
        // Trimmed at both ends; nothing is reported for a blank title, and the field closes either way.
        QTest::newRow("padded") << QStringLiteral("  新名字  ") << QStringList{QStringLiteral("新名字")};
        QTest::newRow("blank") << QStringLiteral("   ") << QStringList{};
        QTest::newRow("plain") << QStringLiteral("资料") << QStringList{QStringLiteral("资料")};
    }

    void renameReportsTheTrimmedTitle()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, reported);
        HeaderFixture f;
        QMenu* menu = f.openTitleMenu();
        QVERIFY(menu);
        QVERIFY(clickMenuItem(menu, QStringLiteral("重命名围栏")));
        auto* field = f.part<QLineEdit>("renameField");
        QVERIFY(field);
        QTRY_VERIFY(field->isVisible());
        QVERIFY(!f.part<QWidget>("titleArea")->isVisible());
        // In the title's place: after the icon, before the badge.
        auto* box = f.part<QWidget>("renameBox");
        QTRY_VERIFY(box->geometry().left() > f.part<QWidget>("iconBadge")->geometry().right());
        QVERIFY(box->geometry().right() < f.part<QWidget>("badge")->geometry().left());
        QCOMPARE(field->text(), QStringLiteral("桌面收纳盒"));
        QCOMPARE(field->placeholderText(), QStringLiteral("围栏名称"));
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        typeText(field, typed);
        // Losing focus neither commits nor closes.
        field->clearFocus();
        QVERIFY(field->isVisible());
        QVERIFY(f.renames.isEmpty());
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(f.renames, reported);
        QVERIFY(!field->isVisible());
        QVERIFY(f.part<QWidget>("titleArea")->isVisible());
        // The header never changes its own title.
        QCOMPARE(f.header->title(), QStringLiteral("桌面收纳盒"));
    }

    void storeUpdatesDoNotRebuildTheHeader()
    {
        HeaderFixture f;
        auto* label = f.part<QWidget>("titleLabel");
        auto* button = f.part<QWidget>("collapseButton");
        f.header->setTitle(QStringLiteral("新标题"));
        f.header->setCollapsed(true);
        f.header->setTint(FenceTintPalette::rose);
        QCOMPARE(f.part<QWidget>("titleLabel"), label);
        QCOMPARE(f.part<QWidget>("collapseButton"), button);
        QCOMPARE(f.part<GlassTextLabel>("titleLabel")->text(), QStringLiteral("新标题"));
    }
};

QTEST_MAIN(HeaderTest)
#include "tst_header.moc"
