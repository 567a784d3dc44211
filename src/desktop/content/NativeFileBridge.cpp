#include "desktop/content/NativeFileBridge.h"

#include "core/models/PlatformWords.h"

#include <QDrag>
#include <QMenu>
#include <QMimeData>
#include <QPointer>

#include <algorithm>
#include <cmath>

namespace mv::nativefilebridge {

bool startsDrag(const QPointF& press, const QPointF& now)
{
    const QPointF delta = now - press;
    return std::hypot(delta.x(), delta.y()) > dragStartDistance;
}

QPoint dragHotSpot(const QPointF& pointer, const QSizeF& viewSize)
{
    const qreal half = dragImageSide / 2.0;
    // The image's left edge is the pointer's x less half a side, but not left of the view; its
    // bottom edge likewise not below the view's bottom.
    const qreal left = std::max<qreal>(0, pointer.x() - half);
    const qreal bottom = std::min<qreal>(viewSize.height(), pointer.y() + half);
    const qreal top = bottom - dragImageSide;
    return QPointF(pointer.x() - left, pointer.y() - top).toPoint();
}

QString quickLookTitle()
{
    return QStringLiteral("快速预览 (空格)");
}

QString openTitle(bool isDirectory)
{
    return isDirectory ? QStringLiteral("进入文件夹") : QStringLiteral("打开文件");
}

QString revealTitle()
{
    return withPlatformWords(QStringLiteral("在访达中显示"));
}

QString moveToFenceTitle()
{
    return QStringLiteral("移至其他传送门围栏");
}

QString trashTitle()
{
    return withPlatformWords(QStringLiteral("移到废纸篓"));
}

namespace {

// After the menu has closed, and not once the context is gone; a copy of the action, so that
// whatever it replaces cannot take it away while it runs.
void runAfterClose(QAction* item, QObject* context, std::function<void()> action)
{
    QObject::connect(
        item, &QAction::triggered, context,
        [action = std::move(action)] {
            if (action)
                action();
        },
        Qt::QueuedConnection);
}

// An ampersand in a title is shown as typed, not taken for a mnemonic.
QString menuText(QString title)
{
    return title.replace(u'&', QStringLiteral("&&"));
}

} // namespace

QMenu* createContextMenu(const NativeFileContextActions& actions, QObject* context, QWidget* parent)
{
    auto* menu = new QMenu(parent);
    QAction* quickLook = menu->addAction(quickLookTitle());
    // Taken while the menu is open. Not shown beside the item: the title already names the key,
    // and Qt would name it in English.
    quickLook->setShortcut(QKeySequence(Qt::Key_Space));
    quickLook->setShortcutVisibleInContextMenu(false);
    runAfterClose(quickLook, context, actions.onQuickLook);
    runAfterClose(menu->addAction(openTitle(actions.isDirectory)), context, actions.onOpen);
    runAfterClose(menu->addAction(revealTitle()), context, actions.onRevealInFinder);
    if (!actions.targetFences.isEmpty()) {
        menu->addSeparator();
        QMenu* targets = menu->addMenu(moveToFenceTitle());
        for (const PortalFenceTarget& target : actions.targetFences) {
            const QUuid id = target.id;
            const auto move = actions.onMoveToFence;
            runAfterClose(targets->addAction(menuText(target.title)), context, [move, id] {
                if (move)
                    move(id);
            });
        }
    }
    menu->addSeparator();
    runAfterClose(menu->addAction(trashTitle()), context, actions.onTrash);
    return menu;
}

Qt::DropAction execFileDrag(QWidget* source, const FileDrag& drag)
{
    // Parented to the source, as Qt wants; Qt deletes it when the drag is over.
    auto* qdrag = new QDrag(source);
    auto* data = new QMimeData;
    data->setUrls({drag.url});
    qdrag->setMimeData(data);
    qdrag->setPixmap(drag.pixmap);
    qdrag->setHotSpot(drag.hotSpot);
    return qdrag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
}

} // namespace mv::nativefilebridge
