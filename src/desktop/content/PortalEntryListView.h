#pragma once

#include "core/models/ModelEnums.h"
#include "design/DesignEnvironment.h"
#include "desktop/content/TileGridColumns.h"

#include <QListView>
#include <QPointer>

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
// moves and activations go out through the callbacks. Space is left to the body around it.
class PortalEntryListView final : public QListView {
    Q_OBJECT
public:
    // Content padding inside the scroll area; the gaps between tiles are part of each cell.
    static constexpr int horizontalPadding = 12;
    static constexpr int verticalPadding = 6;
    static constexpr int listSpacing = 5;

    explicit PortalEntryListView(DesignEnvironment* environment, QWidget* parent = nullptr);

    void setAppearance(FenceDisplayDensity density, double iconScale, FenceTintPalette tint);
    FenceDisplayDensity density() const { return m_density; }
    double iconScale() const { return m_iconScale; }
    FenceTintPalette tint() const { return m_tint; }
    DesignEnvironment* environment() const { return m_environment; }

    void setSelectedEntryID(const std::optional<QString>& entryID);
    const std::optional<QString>& selectedEntryID() const { return m_selectedEntryID; }
    // The entry under the pointer, by id, so that a rescan does not move the highlight.
    const std::optional<QString>& hoveredEntryID() const { return m_hoveredEntryID; }

    // Where the layout stands for the current width.
    const PortalGridColumns& gridColumns() const { return m_columns; }
    QSize cellSize() const { return m_cellSize; }
    // The tile inside an item's cell: the cell without the gap after it.
    QRect tileRect(const QRect& cell) const;
    QRect tileRect(const QModelIndex& index) const { return tileRect(visualRect(index)); }

    // A press on an entry (any button), and a keyboard move onto one.
    std::function<void(const QModelIndex&)> onEntryPressed;
    // A double click on an entry, or Return on the current one.
    std::function<void(const QModelIndex&)> onEntryActivated;

    // QAbstractItemView
    QModelIndex indexAt(const QPoint& point) const override;

protected:
    // QWidget
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    // QAbstractScrollArea
    bool viewportEvent(QEvent* event) override;

private:
    void relayout();
    void setHoveredEntryID(const std::optional<QString>& entryID);

    QPointer<DesignEnvironment> m_environment;
    PortalEntryDelegate* m_delegate;
    FenceDisplayDensity m_density = FenceDisplayDensity::grid;
    double m_iconScale = 1.0;
    FenceTintPalette m_tint = FenceTintPalette::crystal;
    std::optional<QString> m_selectedEntryID;
    std::optional<QString> m_hoveredEntryID;
    PortalGridColumns m_columns;
    QSize m_cellSize;
    QMargins m_margins;
};

} // namespace mv
