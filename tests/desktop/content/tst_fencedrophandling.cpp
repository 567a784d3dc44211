#include "core/models/PlatformWords.h"
#include "core/store/support/StoreFixture.h"
#include "design/DesignEnvironment.h"
#include "design/FenceChecklistListView.h"
#include "design/FenceNoteEditorView.h"
#include "desktop/content/CuratedItemListView.h"
#include "desktop/content/CuratedTabView.h"
#include "desktop/content/FenceDropHandling.h"
#include "desktop/content/MacFenceContentView.h"
#include "desktop/content/PortalBrowser.h"
#include "desktop/content/PortalEntryListView.h"
#include "desktop/content/PortalEntryModel.h"

#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QtTest>

#include <memory>

using namespace mv;
using namespace Qt::StringLiterals;

namespace {

constexpr Qt::DropActions anyAction = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;

// Where a drag is let go over the fence.
enum class Spot { emptyList, folderTile, fileTile, curatedList, noteEditor, checklist };

// What the fence answered the drag source.
struct Answer {
    bool enterAccepted = false;
    Qt::DropAction enterAction = Qt::IgnoreAction;
    bool moveAccepted = false; // a drop allowed where the pointer is
    bool highlighted = false;  // while hovering
    bool dropAccepted = false;
    Qt::DropAction dropAction = Qt::IgnoreAction;
    bool highlightedAfter = false;
};

// A fence in the active workspace whose one tab is given, shown in a content view, over a
// folder "portal" holding a.txt, the folder tiles/ (with deeper/) and sub/; the files to drag
// lie in "incoming".
struct DropScene : TwoWorkspaceStore {
    DesignEnvironment environment;
    FenceModel fence;
    std::unique_ptr<MacFenceContentView> view;
    QString portal = path(u"portal"_s);
    QString incoming = path(u"incoming"_s);

    // `bound` is relative to the scene; empty binds no folder.
    explicit DropScene(FenceKind kind, const QString& bound = {})
    {
        StoreFixture::writeFile(portal + u"/a.txt"_s, "a");
        QDir().mkpath(portal + u"/tiles/deeper"_s);
        QDir().mkpath(portal + u"/sub"_s);
        StoreFixture::writeFile(incoming + u"/one.txt"_s, "1");
        StoreFixture::writeFile(incoming + u"/two.txt"_s, "22");
        QDir().mkpath(incoming + u"/album/X.APP"_s);
        FenceTab tab = plainTab(kind, u"标签"_s);
        if (!bound.isEmpty())
            tab.portalPath = path(bound);
        fence = appendFence(desk, u"收纳"_s, {tab});
        store->save();
        view = std::make_unique<MacFenceContentView>(*store, fence.id, FencePanelContent::Callbacks{}, &environment);
        view->resize(360, 420);
    }

    [[nodiscard]] bool show()
    {
        view->show();
        return QTest::qWaitForWindowExposed(view.get());
    }

    PortalEntryListView* list() const { return static_cast<PortalEntryListView*>(view->portalList()); }

    QStringList listed() const
    {
        QStringList names;
        const QAbstractItemModel* model = list()->model();
        for (int row = 0; row < model->rowCount(); ++row)
            names.append(QFileInfo(model->index(row, 0).data(PortalEntryModel::URLRole).toUrl().toLocalFile()).fileName());
        return names;
    }

    // The point of `spot` in the view's coordinates.
    QPoint point(Spot spot) const
    {
        QWidget* widget = nullptr;
        QPoint local;
        const auto tile = [this](const QString& name) {
            const PortalEntryModel* model = static_cast<const PortalEntryModel*>(list()->model());
            for (int row = 0; row < model->rowCount(); ++row) {
                if (model->entry(row)->name == name)
                    return list()->tileRect(model->index(row, 0)).center();
            }
            return QPoint(-1, -1);
        };
        switch (spot) {
        case Spot::emptyList:
            widget = list()->viewport();
            local = QPoint(widget->width() / 2, widget->height() - 4);
            break;
        case Spot::folderTile:
            widget = list()->viewport();
            local = tile(u"tiles"_s);
            break;
        case Spot::fileTile:
            widget = list()->viewport();
            local = tile(u"a.txt"_s);
            break;
        case Spot::curatedList:
            widget = view->curatedList()->viewport();
            local = widget->rect().center();
            break;
        case Spot::noteEditor:
            widget = view->noteEditor();
            local = widget->rect().center();
            break;
        case Spot::checklist:
            widget = view->checklist();
            local = widget->rect().center();
            break;
        }
        return widget->mapTo(view.get(), local);
    }

    // Enter, one move and the drop, each sent to the widget under the point, as the platform
    // delivers them.
    Answer drag(Spot spot, const QMimeData& mime, Qt::DropActions possible = anyAction)
    {
        const QPoint at = point(spot);
        QWidget* target = view->childAt(at);
        if (!target)
            target = view.get();
        const QPointF local = target->mapFrom(view.get(), at);
        Answer answer;
        QDragEnterEvent enter(local.toPoint(), possible, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        answer.enterAccepted = enter.isAccepted();
        answer.enterAction = enter.dropAction();
        QDragMoveEvent move(local.toPoint(), possible, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &move);
        answer.moveAccepted = move.isAccepted();
        answer.highlighted = view->isDropTargeted();
        QDropEvent drop(local, possible, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &drop);
        answer.dropAccepted = drop.isAccepted();
        answer.dropAction = drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
        answer.highlightedAfter = view->isDropTargeted();
        return answer;
    }

    QString in(const QString& relative) const { return path(relative); }
};

std::unique_ptr<QMimeData> files(const QStringList& paths)
{
    auto mime = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString& p : paths)
        urls.append(QUrl::fromLocalFile(p));
    mime->setUrls(urls);
    return mime;
}

QString undoHint()
{
    return withPlatformWords(u"（可用 ⌘Z 撤销）"_s);
}

} // namespace

class FenceDropHandlingTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // Files dropped on a portal fence: where they go, what the source is told, the undo entry,
    // the status line, and the listing shown at once, before any folder event.
    void portalDrops_data()
    {
        QTest::addColumn<QString>("bound");     // relative to the scene, "" for no folder
        QTest::addColumn<QString>("shown");     // the subfolder entered, "" for the bound one
        QTest::addColumn<int>("spot");
        QTest::addColumn<QStringList>("dragged"); // relative to the scene
        QTest::addColumn<QString>("vanish");    // a folder removed just before the drop
        QTest::addColumn<QString>("into");      // where the dragged files must be after, "" for unmoved
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("action");

        const QStringList two{u"incoming/one.txt"_s, u"incoming/two.txt"_s};
        const int move = Qt::MoveAction;
        const int ignore = Qt::IgnoreAction;
        QTest::newRow("two files onto the bound folder")
            << u"portal"_s << QString() << int(Spot::emptyList) << two << QString() << u"portal"_s
            << u"移动 2 个项目到 portal"_s + undoHint() << move;
        QTest::newRow("two files onto a file tile: the folder shown")
            << u"portal"_s << QString() << int(Spot::fileTile) << two << QString() << u"portal"_s
            << u"移动 2 个项目到 portal"_s + undoHint() << move;
        QTest::newRow("two files while a subfolder is shown")
            << u"portal"_s << u"portal/sub"_s << int(Spot::emptyList) << two << QString() << u"portal/sub"_s
            << u"移动 2 个项目到 sub"_s + undoHint() << move;
        QTest::newRow("two files onto a folder tile")
            << u"portal"_s << QString() << int(Spot::folderTile) << two << QString() << u"portal/tiles"_s
            << u"移动 2 个项目到 tiles"_s + undoHint() << move;
        QTest::newRow("onto an unbound tab")
            << QString() << QString() << int(Spot::emptyList) << two << QString() << QString()
            << u"当前围栏未绑定文件夹传送门。"_s << ignore;
        QTest::newRow("onto a subfolder shown that vanished")
            << u"portal"_s << u"portal/sub"_s << int(Spot::emptyList) << two << u"portal/sub"_s << QString()
            << u"目标路径不是有效文件夹："_s + u"portal/sub"_s << ignore;
        QTest::newRow("onto a folder tile that vanished")
            << u"portal"_s << QString() << int(Spot::folderTile) << two << u"portal/tiles"_s << QString()
            << u"目标路径不是有效文件夹："_s + u"portal/tiles"_s << ignore;
        QTest::newRow("onto a bound folder that vanished")
            << u"portal"_s << QString() << int(Spot::fileTile) << two << u"portal"_s << QString()
            << u"目标路径不是有效文件夹："_s + u"portal"_s << ignore;
        QTest::newRow("a folder onto its own child")
            << u"portal"_s << u"portal/tiles/deeper"_s << int(Spot::emptyList) << QStringList{u"portal/tiles"_s}
            << QString() << QString() << u"不能将文件夹“tiles”移动到其自身或子目录中。"_s << ignore;
        QTest::newRow("files already in place")
            << u"portal"_s << QString() << int(Spot::emptyList) << QStringList{u"portal/a.txt"_s} << QString()
            << QString() << u"没有需要移动的文件。"_s << ignore;
    }

    void portalDrops()
    {
        QFETCH(QString, bound);
        QFETCH(QString, shown);
        QFETCH(int, spot);
        QFETCH(QStringList, dragged);
        QFETCH(QString, vanish);
        QFETCH(QString, into);
        QFETCH(QString, status);
        QFETCH(int, action);

        DropScene scene(FenceKind::portal, bound);
        QVERIFY(scene.show());
        if (!shown.isEmpty())
            scene.view->portalBrowser()->enterFolder(QUrl::fromLocalFile(scene.in(shown)));
        QStringList sources;
        for (const QString& relative : dragged)
            sources.append(scene.in(relative));
        if (!vanish.isEmpty())
            QVERIFY(QDir(scene.in(vanish)).removeRecursively());
        status.replace(u"：portal"_s, u"："_s + scene.in(u"portal"_s));
        const int savesBefore = scene.savedStateWrites();

        const auto mime = files(sources);
        const Answer answer = scene.drag(Spot(spot), *mime);

        QVERIFY(answer.enterAccepted);
        QCOMPARE(answer.enterAction, Qt::MoveAction);
        QVERIFY(answer.highlighted);
        QVERIFY(!answer.highlightedAfter);
        QCOMPARE(int(answer.dropAction), action);
        QCOMPARE(answer.dropAccepted, action != Qt::IgnoreAction);
        QCOMPARE(scene.store->lastStatusMessage(), std::optional(status));
        if (!vanish.isEmpty())
            QVERIFY(!QFileInfo::exists(scene.in(vanish))); // refused, never made

        if (into.isEmpty()) {
            for (const QString& source : sources)
                QVERIFY2(QFileInfo::exists(source), qPrintable(source));
            QVERIFY(scene.store->undoStack().isEmpty());
            QCOMPARE(scene.savedStateWrites(), savesBefore);
            return;
        }
        for (const QString& source : sources) {
            QVERIFY(!QFileInfo::exists(source));
            QVERIFY(QFileInfo::exists(scene.in(into) + u'/' + QFileInfo(source).fileName()));
        }
        QCOMPARE(scene.store->undoStack().size(), 1);
        QCOMPARE(scene.savedStateWrites(), savesBefore + 1);
        // No turn of the event loop has run: the listing of the folder shown is already new.
        if (into == (shown.isEmpty() ? bound : shown))
            QVERIFY(scene.listed().contains(u"one.txt"_s) && scene.listed().contains(u"two.txt"_s));

        // The one record undoes like any other move.
        QVERIFY(scene.store->undoLastFileOperation());
        for (const QString& source : sources)
            QVERIFY(QFileInfo::exists(source));
    }

    // A curated tab makes items of what is dropped, in the order given, with one save; the
    // source is told Link or Copy, never Move, and a source allowing neither is refused.
    void curatedDrops_data()
    {
        QTest::addColumn<int>("possible");
        QTest::addColumn<int>("action");
        QTest::newRow("any action: link") << int(anyAction) << int(Qt::LinkAction);
        QTest::newRow("copy or move: copy") << int(Qt::CopyAction | Qt::MoveAction) << int(Qt::CopyAction);
        QTest::newRow("move only: refused") << int(Qt::MoveAction) << int(Qt::IgnoreAction);
    }

    void curatedDrops()
    {
        QFETCH(int, possible);
        QFETCH(int, action);
        DropScene scene(FenceKind::curated);
        QVERIFY(scene.show());
        const QStringList dropped{scene.in(u"incoming/album/X.APP"_s), scene.in(u"incoming/album"_s),
                                  scene.in(u"incoming/gone.pdf"_s)};
        const int savesBefore = scene.savedStateWrites();
        const auto mime = files(dropped);
        const Answer answer = scene.drag(Spot::curatedList, *mime, Qt::DropActions(possible));

        QCOMPARE(int(answer.dropAction), action);
        for (const QString& path : dropped.mid(0, 2))
            QVERIFY(QFileInfo::exists(path)); // nothing moves
        const QList<FenceItem> items = scene.store->fence(scene.fence.id)->tabs.first().items;
        if (action == Qt::IgnoreAction) {
            QVERIFY(!answer.enterAccepted);
            QVERIFY(!answer.highlighted);
            QVERIFY(items.isEmpty());
            QCOMPARE(scene.savedStateWrites(), savesBefore);
            return;
        }
        QCOMPARE(answer.enterAction, Qt::DropAction(action));
        QCOMPARE(scene.savedStateWrites(), savesBefore + 1);
        QCOMPARE(items.size(), 3);
        QCOMPARE(items[0].title, u"X.APP"_s);
        QCOMPARE(items[0].subtitle, std::optional(u"album"_s));
        QCOMPARE(items[0].kind, FenceItemKind::app);
        QCOMPARE(items[0].badgeText, std::optional(u"应用"_s));
        QCOMPARE(items[0].target, dropped[0]);
        QCOMPARE(items[1].title, u"album"_s);
        QCOMPARE(items[1].subtitle, std::optional(u"incoming"_s));
        QCOMPARE(items[1].kind, FenceItemKind::folder);
        QCOMPARE(items[1].badgeText, std::optional(u"文件夹"_s));
        QCOMPARE(items[1].symbolName, u"folder.fill"_s);
        QCOMPARE(items[2].title, u"gone.pdf"_s);
        QCOMPARE(items[2].kind, FenceItemKind::file);
        QCOMPARE(items[2].badgeText, std::optional(u"文件"_s));
        QVERIFY(!items[2].isPinned && !items[2].lastOpenedAt);
        QVERIFY(items[0].id != items[1].id && items[1].id != items[2].id);
    }

    // Drags the fence cannot take are refused at enter, with no highlight, and change nothing.
    void refusedDrags_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("spot");
        QTest::addColumn<QString>("payload"); // "files", "text", "web" or "own tile"
        QTest::addColumn<bool>("takenElsewhere"); // the fence would take the drag beside this spot
        QTest::newRow("files onto a notes tab") << int(FenceKind::notes) << int(Spot::noteEditor) << u"files"_s << false;
        QTest::newRow("files onto a checklist tab") << int(FenceKind::checklist) << int(Spot::checklist) << u"files"_s << false;
        QTest::newRow("text onto a portal") << int(FenceKind::portal) << int(Spot::emptyList) << u"text"_s << false;
        QTest::newRow("a web link onto a portal") << int(FenceKind::portal) << int(Spot::emptyList) << u"web"_s << false;
        QTest::newRow("a folder onto its own tile") << int(FenceKind::portal) << int(Spot::folderTile) << u"own tile"_s << true;
        QTest::newRow("text onto a curated tab") << int(FenceKind::curated) << int(Spot::curatedList) << u"text"_s << false;
    }

    void refusedDrags()
    {
        QFETCH(int, kind);
        QFETCH(int, spot);
        QFETCH(QString, payload);
        QFETCH(bool, takenElsewhere);
        DropScene scene(FenceKind(kind), kind == int(FenceKind::portal) ? u"portal"_s : QString());
        QVERIFY(scene.show());
        const FenceModel before = *scene.store->fence(scene.fence.id);
        const int savesBefore = scene.savedStateWrites();
        auto mime = std::make_unique<QMimeData>();
        if (payload == u"files")
            mime->setUrls({QUrl::fromLocalFile(scene.in(u"incoming/one.txt"_s))});
        else if (payload == u"own tile")
            mime->setUrls({QUrl::fromLocalFile(scene.in(u"portal/tiles"_s)), QUrl::fromLocalFile(scene.in(u"incoming/one.txt"_s))});
        else if (payload == u"web")
            mime->setUrls({QUrl(u"https://example.org/one.txt"_s)});
        else
            mime->setText(scene.in(u"incoming/one.txt"_s));

        const Answer answer = scene.drag(Spot(spot), *mime);
        // Taken elsewhere on the fence, the view under the pointer keeps the drag from the
        // widgets around it, which would take it; it allows no drop there.
        QCOMPARE(answer.enterAccepted, takenElsewhere);
        QVERIFY(!answer.moveAccepted);
        QVERIFY(!answer.highlighted);
        QVERIFY(!answer.dropAccepted);
        QCOMPARE(answer.dropAction, Qt::IgnoreAction);
        QVERIFY(QFileInfo::exists(scene.in(u"incoming/one.txt"_s)));
        QCOMPARE(*scene.store->fence(scene.fence.id), before);
        QCOMPARE(scene.savedStateWrites(), savesBefore);
        QVERIFY(!scene.store->lastStatusMessage());
    }
};

QTEST_MAIN(FenceDropHandlingTest)
#include "tst_fencedrophandling.moc"
