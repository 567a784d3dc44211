#pragma once

#include <QList>
#include <QPixmap>
#include <QPoint>
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <QUrl>
#include <QUuid>

#include <functional>

class QMenu;
class QWidget;

namespace mv {

// A portal fence that an entry can be moved to, as the entry's menu offers it.
struct PortalFenceTarget {
    QUuid id;
    QString title;

    bool operator==(const PortalFenceTarget&) const = default;
};

// What the context menu of one portal entry does. The menu knows nothing of fences, tabs or
// the store: each item runs one of these.
struct NativeFileContextActions {
    // Chooses the title of the open item.
    bool isDirectory = false;
    // The other portal fences offered as move targets, in menu order; none: no move item.
    QList<PortalFenceTarget> targetFences;
    std::function<void()> onQuickLook;
    std::function<void()> onOpen;
    std::function<void()> onRevealInFinder;
    std::function<void(const QUuid& fenceID)> onMoveToFence;
    std::function<void()> onTrash;
};

namespace nativefilebridge {

// A press becomes a drag once the pointer is more than this far from it (Euclidean, in
// logical pixels): closer than the toolkit's own distance, so a short flick already drags.
inline constexpr qreal dragStartDistance = 4;
// The side of the drag image.
inline constexpr int dragImageSide = 44;

// Whether the pointer at `now` is far enough from the press at `press` to start a drag.
bool startsDrag(const QPointF& press, const QPointF& now);

// Where in the drag image the pointer is held, for a pointer at `pointer` inside a view of
// `viewSize` (y down). The image is centred on the pointer, except that it never reaches past
// the view's left or bottom edge: there it sits against the edge and the pointer moves off
// its centre.
QPoint dragHotSpot(const QPointF& pointer, const QSizeF& viewSize);

// The menu texts, in this desktop's words.
QString quickLookTitle();
QString openTitle(bool isDirectory);
QString revealTitle();
QString moveToFenceTitle();
QString trashTitle();

// The entry's menu: preview, open, reveal, then the move targets when there are any, then the
// trash. Each item runs its action after the menu has closed, and nothing once `context` is
// gone. The caller owns the menu.
QMenu* createContextMenu(const NativeFileContextActions& actions, QObject* context, QWidget* parent);

// One file dragged out of a fence.
struct FileDrag {
    QUrl url;
    QPixmap pixmap;
    QPoint hotSpot;
};

// Runs the drag with the file's URL list, offering Copy and Move, Move proposed; returns what
// the receiver did. It runs a loop of its own: `source` (and anything else) may be gone when
// it returns.
Qt::DropAction execFileDrag(QWidget* source, const FileDrag& drag);

} // namespace nativefilebridge

} // namespace mv
