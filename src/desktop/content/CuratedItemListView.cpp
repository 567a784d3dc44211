#include "desktop/content/CuratedItemListView.h"

#include "design/FenceItemGridTile.h"
#include "desktop/content/CuratedItemModel.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QStyledItemDelegate>

#include <cmath>

namespace mv {

// Renders the view's one tile, set up for the item, into each cell: the list draws what a tile
// widget would, without a widget per item.
class CuratedItemListView::Delegate final : public QStyledItemDelegate {
public:
    explicit Delegate(CuratedItemListView* view)
        : QStyledItemDelegate(view)
        , m_view(view)
    {
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QRect target = m_view->tileRect(option.rect);
        if (target.isEmpty())
            return;
        FenceItemGridTile& tile = const_cast<FenceItemGridTile&>(m_view->tileFor(index));
        tile.resize(target.size());
        // Through an image of its own, so that a grab of the view draws it in the right place.
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        QPixmap image(target.size() * ratio);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::transparent);
        tile.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
        painter->drawPixmap(target.topLeft(), image);
    }

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override { return m_view->cellSize(); }

private:
    CuratedItemListView* m_view;
};

CuratedGridColumns CuratedGridColumns::fit(qreal availableWidth, double iconScale)
{
    return {TileGridColumns::fit(availableWidth, std::max(iconScale * 84, 72.0))};
}

CuratedItemListView::CuratedItemListView(DesignEnvironment* environment, QWidget* parent)
    : QListView(parent)
    , m_environment(environment)
    , m_stamp(std::make_unique<FenceItemGridTile>(environment))
{
    // Rendered, never shown: it must not become a window of its own.
    m_stamp->setAttribute(Qt::WA_DontShowOnScreen);
    setItemDelegate(new Delegate(this));
    setFrameShape(QFrame::NoFrame);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setUniformItemSizes(true);
    setResizeMode(QListView::Adjust);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    setPalette(palette);
    if (m_environment)
        connect(m_environment, &DesignEnvironment::changed, viewport(), qOverload<>(&QWidget::update));
    setViewMode(QListView::IconMode);
    setMovement(QListView::Static);
    setSpacing(0);
    relayout();
}

CuratedItemListView::~CuratedItemListView() = default;

void CuratedItemListView::setAppearance(FenceDisplayDensity density, double iconScale, FenceTintPalette tint)
{
    if (!std::isfinite(iconScale))
        iconScale = m_iconScale;
    const bool layoutChanged = density != m_density || iconScale != m_iconScale;
    if (density != m_density) {
        m_density = density;
        if (density == FenceDisplayDensity::grid) {
            setViewMode(QListView::IconMode);
            setMovement(QListView::Static);
        } else {
            setViewMode(QListView::ListMode);
        }
        setSpacing(0);
    }
    m_iconScale = iconScale;
    if (layoutChanged) {
        m_cellSize = QSize();
        relayout();
    }
    if (tint != m_tint) {
        m_tint = tint;
        viewport()->update();
    }
}

const FenceItemGridTile& CuratedItemListView::tileFor(const QModelIndex& index) const
{
    FenceItemGridTile& tile = *m_stamp;
    tile.setDensity(m_density);
    tile.setIconScale(m_iconScale);
    tile.setTint(m_tint);
    tile.setSelected(false);
    const auto* items = qobject_cast<const CuratedItemModel*>(model());
    if (const FenceItem* item = items ? items->item(index) : nullptr)
        tile.setItem(*item);
    return tile;
}

int CuratedItemListView::tileHeight(int width) const
{
    FenceItemGridTile& tile = *m_stamp;
    tile.setDensity(m_density);
    tile.setIconScale(m_iconScale);
    tile.setPinned(true);
    if (m_density == FenceDisplayDensity::grid) {
        // Long enough to wrap at any column width; the tile keeps two lines of it.
        tile.setTitle(QStringLiteral("W ").repeated(64));
        tile.setSubtitle(QStringLiteral("0"));
        tile.setBadgeText(QStringLiteral("0"));
        return tile.heightForWidth(width);
    }
    tile.setTitle(QStringLiteral("W"));
    tile.setSubtitle(QStringLiteral("0"));
    tile.setBadgeText(QStringLiteral("0"));
    return tile.sizeHint().height();
}

QRect CuratedItemListView::tileRect(const QRect& cell) const
{
    if (m_density == FenceDisplayDensity::grid)
        return cell.adjusted(0, 0, -int(CuratedGridColumns::spacing), -int(CuratedGridColumns::spacing));
    return cell.adjusted(0, 0, 0, -listSpacing);
}

QModelIndex CuratedItemListView::indexAt(const QPoint& point) const
{
    // The gaps between tiles are empty space.
    const QModelIndex index = QListView::indexAt(point);
    if (index.isValid() && !tileRect(visualRect(index)).contains(point))
        return {};
    return index;
}

void CuratedItemListView::relayout()
{
    const int total = viewport()->width() + m_margins.left() + m_margins.right();
    const int available = std::max(0, total - 2 * horizontalPadding);
    QMargins margins;
    QSize cell;
    if (m_density == FenceDisplayDensity::grid) {
        m_columns = CuratedGridColumns::fit(available, m_iconScale);
        const int width = int(std::floor(m_columns.width));
        const int gap = int(CuratedGridColumns::spacing);
        // Each cell carries the gap after its tile, so the last column's gap lies in the padding;
        // the list wraps a row that fills its width exactly, hence one pixel more.
        margins = QMargins(horizontalPadding + int(std::floor(m_columns.leading)), 0, horizontalPadding - gap - 1,
                           bottomPadding - gap);
        cell = QSize(width + gap, tileHeight(width) + gap);
    } else {
        m_columns = {};
        margins = QMargins(horizontalPadding, 0, horizontalPadding, bottomPadding - listSpacing);
        cell = QSize(std::max(1, available), tileHeight(available) + listSpacing);
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

void CuratedItemListView::resizeEvent(QResizeEvent* event)
{
    QListView::resizeEvent(event);
    relayout();
}

void CuratedItemListView::keyPressEvent(QKeyEvent* event)
{
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentIndex().isValid()
        && onItemActivated) {
        event->accept();
        onItemActivated(currentIndex());
        return;
    }
    QListView::keyPressEvent(event);
}

void CuratedItemListView::mousePressEvent(QMouseEvent* event)
{
    QListView::mousePressEvent(event);
    m_pressed = event->button() == Qt::LeftButton ? QPersistentModelIndex(indexAt(event->position().toPoint()))
                                                  : QPersistentModelIndex();
}

void CuratedItemListView::mouseReleaseEvent(QMouseEvent* event)
{
    QListView::mouseReleaseEvent(event);
    // A click: pressed and released on the same tile with the left button.
    const QPersistentModelIndex pressed = std::exchange(m_pressed, QPersistentModelIndex());
    if (event->button() != Qt::LeftButton || !pressed.isValid())
        return;
    if (indexAt(event->position().toPoint()) == QModelIndex(pressed) && onItemActivated)
        onItemActivated(pressed);
}

void CuratedItemListView::contextMenuEvent(QContextMenuEvent* event)
{
    const QModelIndex index = event->reason() == QContextMenuEvent::Mouse ? indexAt(event->pos()) : currentIndex();
    if (!index.isValid() || !onContextMenuRequested) {
        event->ignore();
        return;
    }
    event->accept();
    onContextMenuRequested(index, event->globalPos());
}

} // namespace mv
