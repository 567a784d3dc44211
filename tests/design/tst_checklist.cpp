#include "design/FenceChecklistListView.h"
#include "design/FenceChecklistModel.h"
#include "design/GlassTransition.h"
#include "design/LiquidGlassPillButton.h"
#include "support/DesignTestSupport.h"

#include <QApplication>
#include <QLineEdit>
#include <QScrollBar>
#include <QtTest>

using namespace mv;
using namespace mv::testing;

namespace {

// An owner like the store: it applies every callback to its own list and passes the list back.
struct ChecklistFixture {
    DesignEnvironment environment;
    QWidget window;
    FenceChecklistListView* view = nullptr;
    QList<FenceChecklistTask> tasks;
    QList<QUuid> toggled;
    QStringList added;
    QList<QUuid> deleted;
    bool ok = false;

    explicit ChecklistFixture(QList<FenceChecklistTask> initial = {})
        : tasks(std::move(initial))
    {
        view = new FenceChecklistListView(&environment, &window);
        view->setTint(FenceTintPalette::mint);
        view->setTasks(tasks);
        view->onToggleTask = [this](const QUuid& id) {
            toggled.append(id);
            for (auto& t : tasks)
                if (t.id == id)
                    t.isCompleted = !t.isCompleted;
            view->setTasks(tasks);
        };
        view->onAddTask = [this](const QString& title) {
            added.append(title);
            tasks.append(makeTask(title));
            view->setTasks(tasks);
        };
        view->onDeleteTask = [this](const QUuid& id) {
            deleted.append(id);
            tasks.removeIf([&](const FenceChecklistTask& t) { return t.id == id; });
            view->setTasks(tasks);
        };
        window.resize(340, 320);
        view->resize(340, 320);
        window.show();
        ok = QTest::qWaitForWindowExposed(&window);
    }

    QWidget* viewport() const { return view->listView()->viewport(); }
    QPoint center(const QRectF& r) const { return r.center().toPoint(); }
};

QList<FenceChecklistTask> threeTasks()
{
    return {makeTask(QStringLiteral("写周报")), makeTask(QStringLiteral("Report"), true),
            makeTask(QStringLiteral("买牛奶"), false, true)};
}

} // namespace

class ChecklistTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void emptyState()
    {
        ChecklistFixture f;
        QVERIFY(f.ok);
        QVERIFY(f.view->emptyState()->isVisible());
        QVERIFY(!f.view->listView()->isVisible());
        QCOMPARE(f.view->footerText(), QStringLiteral("已完成 0 / 0"));
        QCOMPARE(f.view->addField()->placeholderText(), QStringLiteral("添加新待办事项…"));
        QCOMPARE(f.view->addButton()->accessibleName(), QStringLiteral("plus"));
        QVERIFY(f.view->addButton()->isProminent() && f.view->addButton()->isCompact());
        QVERIFY(f.view->addButton()->isDisabled());
    }

    void rowsAndFooter()
    {
        ChecklistFixture f(threeTasks());
        QVERIFY(f.view->listView()->isVisible());
        QVERIFY(!f.view->emptyState()->isVisible());
        QCOMPARE(f.view->footerText(), QStringLiteral("已完成 1 / 3"));
        QCOMPARE(f.view->model()->rowCount(), 3);
        // The completed task keeps its place.
        QVERIFY(f.view->model()->index(1).data(FenceChecklistModel::CompletedRole).toBool());
        QCOMPARE(f.view->model()->index(1).data(FenceChecklistModel::DeleteAccessibleNameRole).toString(),
                 QStringLiteral("删除任务 Report"));
        // A flagged, open task shows its flag between the title and the delete button.
        const FenceChecklistRowGeometry flagged = f.view->rowGeometry(2);
        QVERIFY(!flagged.flag.isEmpty());
        QVERIFY(flagged.title.right() <= flagged.flag.left());
        QVERIFY(flagged.flag.right() <= flagged.deleteButton.left());
        QVERIFY(f.view->rowGeometry(0).flag.isEmpty());
    }

    void completedRowIsDrawnFainter()
    {
        ChecklistFixture f(threeTasks());
        const QImage image = f.viewport()->grab().toImage();
        const auto spot = [&](int row) {
            const FenceChecklistRowGeometry g = f.view->rowGeometry(row);
            return image.pixelColor(QPoint(int(g.background.left() + 4), int(g.background.center().y())));
        };
        // Open rows wash at 0.075, completed ones at 0.035: the completed row is lighter.
        QVERIFY(spot(1).lightness() > spot(0).lightness());
    }

    void tapsToggle_data()
    {
        QTest::addColumn<bool>("onCircle");
        QTest::addColumn<bool>("reduceMotion");
        QTest::addColumn<int>("kind");
        // A tap on the row or its circle toggles with quickPress, or crossfades under reduce motion.
        QTest::newRow("row") << false << false << int(GlassAnimationKind::quickPress);
        QTest::newRow("circle") << true << false << int(GlassAnimationKind::quickPress);
        QTest::newRow("row reduced") << false << true << int(GlassAnimationKind::reducedCrossfade);
    }

    void tapsToggle()
    {
        QFETCH(bool, onCircle);
        QFETCH(bool, reduceMotion);
        QFETCH(int, kind);
        ChecklistFixture f(threeTasks());
        f.environment.setReduceMotion(reduceMotion);
        const FenceChecklistRowGeometry g = f.view->rowGeometry(0);
        QTest::mouseClick(f.viewport(), Qt::LeftButton, {}, onCircle ? f.center(g.toggle) : f.center(g.title));
        QCOMPARE(f.toggled, QList<QUuid>{f.tasks[0].id});
        QCOMPARE(int(*f.view->toggleTransition().lastKind()), kind);
        QCOMPARE(f.view->footerText(), QStringLiteral("已完成 2 / 3"));
    }

    void deleteButton()
    {
        ChecklistFixture f(threeTasks());
        const QUuid second = f.tasks[1].id;
        QTest::mouseClick(f.viewport(), Qt::LeftButton, {}, f.center(f.view->rowGeometry(1).deleteButton));
        QCOMPARE(f.deleted, QList<QUuid>{second});
        QVERIFY(f.toggled.isEmpty());
        QCOMPARE(f.view->model()->rowCount(), 2);
    }

    void lockedList()
    {
        ChecklistFixture f(threeTasks());
        const QPoint deleteSpot = f.center(f.view->rowGeometry(0).deleteButton);
        f.view->setLocked(true);
        QVERIFY(!f.view->addField()->isEnabled());
        QVERIFY(f.view->addButton()->isDisabled());
        for (int row = 0; row < 3; ++row)
            QVERIFY(f.view->rowGeometry(row).deleteButton.isEmpty());
        // Where the delete button was, a tap now toggles; toggling is not blocked by the lock.
        QTest::mouseClick(f.viewport(), Qt::LeftButton, {}, deleteSpot);
        QVERIFY(f.deleted.isEmpty());
        QCOMPARE(f.toggled.size(), 1);
        QTest::mouseClick(f.viewport(), Qt::LeftButton, {}, f.center(f.view->rowGeometry(1).toggle));
        QCOMPARE(f.toggled.size(), 2);
        f.view->listView()->setFocus();
        f.view->listView()->setCurrentIndex(f.view->model()->index(2));
        QTest::keyClick(f.view->listView(), Qt::Key_Delete);
        QVERIFY(f.deleted.isEmpty());
    }

    void submitting_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("useButton");
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<QString>("left");
        // Trimmed titles are added and the field empties; a blank field adds nothing and keeps its spaces.
        QTest::newRow("return") << QStringLiteral("  Buy milk  ") << false << QStringList{QStringLiteral("Buy milk")} << QString();
        QTest::newRow("button") << QStringLiteral("整理 桌面") << true << QStringList{QStringLiteral("整理 桌面")} << QString();
        QTest::newRow("blank") << QStringLiteral("   ") << false << QStringList{} << QStringLiteral("   ");
    }

    void submitting()
    {
        QFETCH(QString, typed);
        QFETCH(bool, useButton);
        QFETCH(QStringList, added);
        QFETCH(QString, left);
        ChecklistFixture f;
        f.view->addField()->setFocus();
        typeText(f.view->addField(), typed);
        QCOMPARE(f.view->addButton()->isEnabled(), !added.isEmpty());
        if (useButton)
            QTest::mouseClick(f.view->addButton(), Qt::LeftButton);
        else
            QTest::keyClick(f.view->addField(), Qt::Key_Return);
        QCOMPARE(f.added, added);
        QCOMPARE(f.view->addField()->text(), left);
        if (!added.isEmpty()) {
            QCOMPARE(f.view->addTransition().lastKind(), std::optional(GlassAnimationKind::uiDefault));
            QVERIFY(f.view->listView()->isVisible());
            QCOMPARE(f.view->footerText(), QStringLiteral("已完成 0 / 1"));
            QVERIFY(f.view->addButton()->isDisabled());
        } else {
            QCOMPARE(f.view->addTransition().runCount(), 0);
        }
    }

    void addingUnderReduceMotionCrossfades()
    {
        ChecklistFixture f;
        f.environment.setReduceMotion(true);
        typeText(f.view->addField(), QStringLiteral("任务"));
        QTest::keyClick(f.view->addField(), Qt::Key_Return);
        QCOMPARE(f.view->addTransition().lastKind(), std::optional(GlassAnimationKind::reducedCrossfade));
    }

    void ownerUpdatesKeepScrollAndCurrentRow()
    {
        QList<FenceChecklistTask> many;
        for (int i = 0; i < 60; ++i)
            many.append(makeTask(QStringLiteral("任务 %1").arg(i)));
        ChecklistFixture f(many);
        QSignalSpy resets(f.view->model(), &QAbstractItemModel::modelReset);
        QSignalSpy inserts(f.view->model(), &QAbstractItemModel::rowsInserted);
        QScrollBar* bar = f.view->listView()->verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        bar->setValue(bar->maximum() / 2);
        const int scrolled = bar->value();
        const QModelIndex visible = f.view->listView()->indexAt(QPoint(20, 20));
        QVERIFY(visible.isValid());
        QTest::mouseClick(f.viewport(), Qt::LeftButton, {}, f.center(f.view->rowGeometry(visible.row()).title));
        QCOMPARE(f.toggled.size(), 1);
        QCOMPARE(bar->value(), scrolled);
        f.view->listView()->setCurrentIndex(f.view->model()->index(30));
        // The same list written back again changes nothing at all.
        f.view->setTasks(f.tasks);
        QCOMPARE(bar->value(), scrolled);
        QCOMPARE(f.view->listView()->currentIndex().row(), 30);
        QCOMPARE(resets.count(), 0);
        // An added task arrives as one inserted row.
        typeText(f.view->addField(), QStringLiteral("新任务"));
        QTest::keyClick(f.view->addField(), Qt::Key_Return);
        QCOMPARE(inserts.count(), 1);
        QCOMPARE(resets.count(), 0);
        QCOMPARE(bar->value(), scrolled);
    }

    void keyboardSpaceToggles()
    {
        ChecklistFixture f(threeTasks());
        f.view->listView()->setFocus();
        f.view->listView()->setCurrentIndex(f.view->model()->index(2));
        QTest::keyClick(f.view->listView(), Qt::Key_Space);
        QCOMPARE(f.toggled, QList<QUuid>{f.tasks[2].id});
        QTest::keyClick(f.view->listView(), Qt::Key_Delete);
        QCOMPARE(f.deleted.size(), 1);
    }

    void modelAppliesMovesInPlace()
    {
        FenceChecklistModel model;
        auto tasks = threeTasks();
        model.setTasks(tasks);
        QSignalSpy moves(&model, &QAbstractItemModel::rowsMoved);
        QSignalSpy removes(&model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        QList<FenceChecklistTask> reordered{tasks[2], tasks[0]};
        reordered[1].title = QStringLiteral("改名");
        model.setTasks(reordered);
        QCOMPARE(model.tasks(), reordered);
        QCOMPARE(removes.count(), 1);
        QCOMPARE(moves.count(), 1);
        QCOMPARE(resets.count(), 0);
        // A repeated id shows once.
        model.setTasks({tasks[0], tasks[0]});
        QCOMPARE(model.rowCount(), 1);
    }
};

QTEST_MAIN(ChecklistTest)
#include "tst_checklist.moc"
