#include "desktop/shell/SpotSearchResultDelegate.h"

#include "design/DesignFonts.h"
#include "design/GlassButtonBackground.h"
#include "design/LiquidGlassBadge.h"
#include "design/LiquidGlassIconBadge.h"
#include "design/LiquidGlassShapeKind.h"
#include "design/LiquidGlassTokens.h"
#include "design/SymbolIcons.h"
#include "desktop/shell/SpotSearchResultsModel.h"

#include <QAbstractItemView>
#include <QFontMetricsF>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace mv {

namespace {

QFont titleFont()
{
    return designFont(SpotSearchRowGeometry::titleFontSize, QFont::DemiBold);
}

QFont subtitleFont()
{
    return designFont(SpotSearchRowGeometry::subtitleFontSize);
}

int viewportWidth(const QStyleOptionViewItem& option)
{
    if (const auto* view = qobject_cast<const QAbstractItemView*>(option.widget))
        return view->viewport()->width();
    return option.rect.width();
}

} // namespace

// ---- geometry

SpotSearchRowGeometry SpotSearchRowGeometry::compute(const QRectF& rowRect, const QString& categoryLabel,
                                                     bool previewable)
{
    SpotSearchRowGeometry g;
    g.background = QRectF(rowRect.left(), rowRect.top(), rowRect.width(), std::max<qreal>(0, rowRect.height() - rowGap));
    const QRectF content = g.background.adjusted(horizontalPadding, verticalPadding, -horizontalPadding, -verticalPadding);
    const qreal middle = g.background.center().y();
    g.icon = QRectF(content.left(), middle - iconSize / 2, iconSize, iconSize);

    const QSizeF badge = LiquidGlassBadge::sizeFor(categoryLabel, std::nullopt);
    g.categoryBadge = QRectF(content.right() - badge.width(), middle - badge.height() / 2, badge.width(), badge.height());
    qreal trailing = g.categoryBadge.left();
    if (previewable) {
        g.previewButton = QRectF(trailing - spacing - previewButtonSize, middle - previewButtonSize / 2,
                                 previewButtonSize, previewButtonSize);
        trailing = g.previewButton.left();
    }
    // The text column, then the flexible spacer of at least 8, each with the row's spacing.
    const qreal textLeft = g.icon.right() + spacing;
    const qreal textRight = std::max(textLeft, trailing - spacing - minimumSpacer - spacing);
    const qreal titleHeight = QFontMetricsF(titleFont()).height();
    const qreal subtitleHeight = QFontMetricsF(subtitleFont()).height();
    const qreal top = middle - (titleHeight + 2 + subtitleHeight) / 2;
    g.title = QRectF(textLeft, top, textRight - textLeft, titleHeight);
    g.subtitle = QRectF(textLeft, top + titleHeight + 2, textRight - textLeft, subtitleHeight);
    return g;
}

qreal SpotSearchRowGeometry::rowHeight()
{
    const qreal text = QFontMetricsF(titleFont()).height() + 2 + QFontMetricsF(subtitleFont()).height();
    return std::ceil(std::max({iconSize, previewButtonSize, text}) + 2 * verticalPadding + rowGap);
}

// ---- delegate

SpotSearchResultDelegate::SpotSearchResultDelegate(DesignEnvironment* environment, QObject* parent)
    : QStyledItemDelegate(parent)
    , m_environment(environment)
{
}

QSize SpotSearchResultDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    return QSize(std::max(80, viewportWidth(option)), int(SpotSearchRowGeometry::rowHeight()));
}

void SpotSearchResultDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                     const QModelIndex& index) const
{
    const ColorScheme scheme = environmentOrDefault(m_environment).colorScheme();
    const QString categoryLabel = index.data(SpotSearchResultsModel::CategoryLabelRole).toString();
    const bool previewable = index.data(SpotSearchResultsModel::PreviewableRole).toBool();
    const SpotSearchRowGeometry g = SpotSearchRowGeometry::compute(QRectF(option.rect), categoryLabel, previewable);
    const QColor tintColor = swiftUIColor(m_tint);
    const bool selected = index.row() == m_selectedRow;

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);

    const LiquidGlassShapeKind shape = LiquidGlassShapeKind::roundedRect(SpotSearchRowGeometry::cornerRadius);
    painter->fillPath(shape.path(g.background),
                      selected ? withOpacity(tintColor, 0.24) : withOpacity(GlassPalette::primary(scheme), 0.04));
    if (selected) {
        // Stroked inside the edge: the path runs half the line width in.
        constexpr qreal border = 1.2;
        const QRectF inset = g.background.adjusted(border / 2, border / 2, -border / 2, -border / 2);
        painter->setPen(QPen(withOpacity(tintColor, 0.75), border));
        painter->setBrush(Qt::NoBrush);
        painter->drawPath(LiquidGlassShapeKind::roundedRect(SpotSearchRowGeometry::cornerRadius - border / 2).path(inset));
    }

    LiquidGlassIconBadge::paint(*painter, g.icon, index.data(SpotSearchResultsModel::SymbolNameRole).toString(), m_tint,
                                scheme);

    // Titles and subtitles are user text: drawn as plain text, elided to one line.
    const QFont title = titleFont();
    painter->setFont(title);
    painter->setPen(GlassPalette::primaryForeground(scheme));
    painter->drawText(g.title, Qt::AlignLeft | Qt::AlignVCenter,
                      QFontMetricsF(title).elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight, g.title.width()));
    const QFont subtitle = subtitleFont();
    painter->setFont(subtitle);
    painter->setPen(GlassPalette::secondaryForeground(scheme));
    painter->drawText(g.subtitle, Qt::AlignLeft | Qt::AlignVCenter,
                      QFontMetricsF(subtitle).elidedText(index.data(SpotSearchResultsModel::SubtitleRole).toString(),
                                                         Qt::ElideRight, g.subtitle.width()));

    if (!g.previewButton.isEmpty()) {
        paintGlassButtonBackground(*painter, g.previewButton, environmentOrDefault(m_environment), false, false);
        SymbolIcons::paint(*painter, g.previewButton, QStringLiteral("eye"),
                           SymbolIcons::sideForFontSize(SpotSearchRowGeometry::previewSymbolFontSize),
                           GlassPalette::primaryForeground(scheme));
    }
    LiquidGlassBadge::paint(*painter, g.categoryBadge, categoryLabel, m_tint, std::nullopt, scheme);
    painter->restore();
}

bool SpotSearchResultDelegate::editorEvent(QEvent* event, QAbstractItemModel*, const QStyleOptionViewItem& option,
                                           const QModelIndex& index)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease && type != QEvent::MouseButtonDblClick)
        return false;
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton)
        return false;
    const SpotSearchRowGeometry g = SpotSearchRowGeometry::compute(
        QRectF(option.rect), index.data(SpotSearchResultsModel::CategoryLabelRole).toString(),
        index.data(SpotSearchResultsModel::PreviewableRole).toBool());
    const QPointF position = mouse->position();
    if (!g.background.contains(position))
        return false;
    // The press is the row's too, so that the list does not start a selection of its own; the
    // release is the tap. The second click of a double click is a tap of its own.
    if (type == QEvent::MouseButtonPress)
        return true;
    const int row = index.row();
    if (!g.previewButton.isEmpty() && g.previewButton.contains(position)) {
        if (onPreviewRow)
            onPreviewRow(row);
        return true;
    }
    if (onActivateRow)
        onActivateRow(row);
    return true;
}

bool SpotSearchResultDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                                         const QModelIndex& index)
{
    if (event->type() != QEvent::ToolTip || !index.isValid())
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    const SpotSearchRowGeometry g = SpotSearchRowGeometry::compute(
        QRectF(option.rect), index.data(SpotSearchResultsModel::CategoryLabelRole).toString(),
        index.data(SpotSearchResultsModel::PreviewableRole).toBool());
    if (!g.previewButton.isEmpty() && g.previewButton.contains(event->pos())) {
        QToolTip::showText(event->globalPos(), previewHelpText, view);
        return true;
    }
    QToolTip::hideText();
    event->ignore();
    return true;
}

} // namespace mv
