#pragma once

#include "core/models/ModelEnums.h"
#include "design/DesignEnvironment.h"
#include "desktop/content/TileGridColumns.h"
#include "desktop/content/TileGridListView.h"

#include <functional>
#include <optional>

namespace mv {

class PortalEntryDelegate;

// The grid's columns, at least max(iconScale × 82, 70) wide.
struct PortalGridColumns : TileGridColumns {
    static PortalGridColumns fit(qreal availableWidth, double iconScale);
};

// The entries of a portal folder: one list view over the entry model, drawn by a painting
// delegate, an icon grid or a compact list by the fence's density. It keeps no selection of
// its own: the fence content holds the selected entry and hands it in, and presses, keyboard
// moves, activations, drags and menu requests go out through the callbacks. Space is left to
// the body around it. A left press on empty space is not taken: it goes on to the window, so
// that the fence can be dragged there; a press on an entry never moves the window.
class PortalEntryListView final : public TileGridListView {
    Q_OBJECT
public:
    static constexpr int verticalPadding = 6;

    explicit PortalEntryListView(DesignEnvironment* environment, QWidget* parent = nullptr);

    void setSelectedEntryID(const std::optional<QString>& entryID);
    const std::optional<QString>& selectedEntryID() const { return m_selectedEntryID; }
    // The entry under the pointer, by id, so that a rescan does not move the highlight.
    const std::optional<QString>& hoveredEntryID() const { return hoveredKey(); }

    PortalGridColumns gridColumns() const { return {tileColumns()}; }

    // A press on an entry (any button), and a keyboard move onto one.
    std::function<void(const QModelIndex&)> onEntryPressed;
    // A double click on an entry (on the release that ends it, unless a drag began), or Return
    // on the current one.
    std::function<void(const QModelIndex&)> onEntryActivated;
    // The pointer went more than the drag distance from a left press on an entry, with the
    // button held: the entry is to be dragged out. `position` is the pointer in the entry's
    // tile, `tileSize` the tile's size. The drag may run a loop of its own.
    std::function<void(const QModelIndex&, const QPointF& position, const QSizeF& tileSize)> onEntryDragStarted;
    // A secondary click (or the menu key) on an entry, at a global position.
    std::function<void(const QModelIndex&, const QPoint& globalPosition)> onEntryContextMenu;

    // A drag started from the current press, until the button is up.
    bool isDraggingEntry() const { return m_press && m_press->didBeginDrag; }

protected:
    // TileGridListView
    TileGridColumns fitColumns(qreal availableWidth) const override;
    int tileHeight(int width) const override;
    bool activateItem(const QModelIndex& index) override;
    void itemPressed(const QModelIndex& index) override;
    // QWidget
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    // A drop on a folder tile goes into that folder; elsewhere, to the folder shown.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // A left press on an entry, followed until the button is up. The entry is held by id, not
    // by index: a rescan may come while the button is down.
    struct Press {
        QString entryID;
        QPointF position;
        bool didBeginDrag = false;
        bool isDoubleClick = false;
    };
    QModelIndex indexOfEntry(const QString& entryID) const;
    void beginDrag(const QModelIndex& index, const QPointF& position);

    PortalEntryDelegate* m_delegate;
    std::optional<QString> m_selectedEntryID;
    std::optional<Press> m_press;
    // A left press on empty space went on to the window; its moves and release follow it.
    bool m_isPassingPressOn = false;
};

} // namespace mv
