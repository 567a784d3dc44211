#include "desktop/content/PortalEntryListView.h"

#include "desktop/content/PortalEntryDelegate.h"
#include "desktop/content/PortalEntryModel.h"

#include <QKeyEvent>
#include <QMouseEvent>

#include <cmath>

namespace mv {

PortalGridColumns PortalGridColumns::fit(qreal availableWidth, double iconScale)
{
    return {TileGridColumns::fit(availableWidth, std::max(iconScale * 82, 70.0))};
}

PortalEntryListView::PortalEntryListView(DesignEnvironment* environment, QWidget* parent)
    : QListView(parent)
    , m_environment(environment)
{
    m_delegate = new PortalEntryDelegate(this);
    setItemDelegate(m_delegate);
    setFrameShape(QFrame::NoFrame);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setUniformItemSizes(true);
    setResizeMode(QListView::Adjust);
    setMouseTracking(true);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    setPalette(palette);
    if (m_environment)
        connect(m_environment, &DesignEnvironment::changed, viewport(), qOverload<>(&QWidget::update));
    connect(this, &QAbstractItemView::pressed, this, [this](const QModelIndex& index) {
        if (onEntryPressed)
            onEntryPressed(index);
    });

    // Start in the grid; setAppearance switches when the fence says otherwise.
    setViewMode(QListView::IconMode);
    setMovement(QListView::Static);
    setSpacing(0);
    relayout();
}

void PortalEntryListView::setAppearance(FenceDisplayDensity density, double iconScale, FenceTintPalette tint)
{
    if (!std::isfinite(iconScale))
        iconScale = m_iconScale;
    const bool layoutChanged = density != m_density || iconScale != m_iconScale;
    if (density != m_density) {
        m_density = density;
        if (density == FenceDisplayDensity::grid) {
            setViewMode(QListView::IconMode);
            setMovement(QListView::Static); // IconMode would let tiles be dragged around
        } else {
            setViewMode(QListView::ListMode);
        }
        setSpacing(0);
    }
    m_iconScale = iconScale;
    if (layoutChanged) {
        m_cellSize = QSize(); // the same width now asks for another cell
        relayout();
    }
    if (tint != m_tint) {
        m_tint = tint;
        viewport()->update();
    }
}

void PortalEntryListView::setSelectedEntryID(const std::optional<QString>& entryID)
{
    if (m_selectedEntryID == entryID)
        return;
    m_selectedEntryID = entryID;
    // Arrow keys go on from the selected entry.
    const auto* entries = qobject_cast<const PortalEntryModel*>(model());
    const int row = entries && entryID ? entries->rowOf(*entryID) : -1;
    if (row >= 0 && currentIndex().row() != row)
        setCurrentIndex(model()->index(row, 0));
    viewport()->update();
}

void PortalEntryListView::setHoveredEntryID(const std::optional<QString>& entryID)
{
    if (m_hoveredEntryID == entryID)
        return;
    m_hoveredEntryID = entryID;
    viewport()->update();
}

QRect PortalEntryListView::tileRect(const QRect& cell) const
{
    if (m_density == FenceDisplayDensity::grid)
        return cell.adjusted(0, 0, -int(PortalGridColumns::spacing), -int(PortalGridColumns::spacing));
    return cell.adjusted(0, 0, 0, -listSpacing);
}

QModelIndex PortalEntryListView::indexAt(const QPoint& point) const
{
    // The gaps between tiles are empty space: a press there selects nothing.
    const QModelIndex index = QListView::indexAt(point);
    if (index.isValid() && !tileRect(visualRect(index)).contains(point))
        return {};
    return index;
}

void PortalEntryListView::relayout()
{
    // The whole width inside the frame, whatever the margins are now.
    const int total = viewport()->width() + m_margins.left() + m_margins.right();
    const int available = std::max(0, total - 2 * horizontalPadding);
    QMargins margins;
    QSize cell;
    if (m_density == FenceDisplayDensity::grid) {
        m_columns = PortalGridColumns::fit(available, m_iconScale);
        const int width = int(std::floor(m_columns.width));
        const int gap = int(PortalGridColumns::spacing);
        // Each cell carries the gap after its tile, so the last column's gap lies in the padding.
        // The list wraps a row that fills its width exactly, hence one pixel more.
        margins = QMargins(horizontalPadding + int(std::floor(m_columns.leading)), verticalPadding,
                           horizontalPadding - gap - 1, 0);
        cell = QSize(width + gap, m_delegate->tileHeight(m_density, m_iconScale, width) + gap);
    } else {
        m_columns = {};
        margins = QMargins(horizontalPadding, verticalPadding, horizontalPadding, verticalPadding - listSpacing);
        cell = QSize(std::max(1, available), m_delegate->tileHeight(m_density, m_iconScale, available) + listSpacing);
    }
    if (margins != m_margins) {
        m_margins = margins;
        setViewportMargins(margins);
    }
    if (cell != m_cellSize) {
        m_cellSize = cell;
        doItemsLayout();
    }
}

void PortalEntryListView::resizeEvent(QResizeEvent* event)
{
    QListView::resizeEvent(event);
    relayout();
}

void PortalEntryListView::keyPressEvent(QKeyEvent* event)
{
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        // The preview key belongs to the body around the list.
        event->ignore();
        return;
    }
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        const QModelIndex current = currentIndex();
        if (current.isValid() && onEntryActivated) {
            onEntryActivated(current);
            event->accept();
            return;
        }
    }
    const QPersistentModelIndex before = currentIndex();
    QListView::keyPressEvent(event);
    const QModelIndex now = currentIndex();
    if (now.isValid() && now != QModelIndex(before) && onEntryPressed)
        onEntryPressed(now);
}

void PortalEntryListView::mouseMoveEvent(QMouseEvent* event)
{
    QListView::mouseMoveEvent(event);
    const QModelIndex index = indexAt(event->position().toPoint());
    setHoveredEntryID(index.isValid() ? std::optional<QString>(index.data(PortalEntryModel::EntryIDRole).toString())
                                      : std::nullopt);
}

void PortalEntryListView::mouseDoubleClickEvent(QMouseEvent* event)
{
    // Only the left button opens; the press that began the double click has already selected.
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && index.isValid() && onEntryActivated) {
        event->accept();
        const QPersistentModelIndex entry = index;
        onEntryActivated(entry);
        return;
    }
    QListView::mouseDoubleClickEvent(event);
}

bool PortalEntryListView::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::Leave)
        setHoveredEntryID(std::nullopt);
    return QListView::viewportEvent(event);
}

} // namespace mv
