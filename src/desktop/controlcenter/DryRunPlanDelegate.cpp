#include "desktop/controlcenter/DryRunPlanDelegate.h"

#include "design/DesignFonts.h"
#include "design/LiquidGlassBadge.h"
#include "design/LiquidGlassShapeKind.h"
#include "design/LiquidGlassTokens.h"
#include "design/SymbolIcons.h"
#include "desktop/controlcenter/DryRunPlanModel.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace mv {

namespace {

constexpr qreal nameFontSize = 13;
constexpr qreal sizeFontSize = 11;
constexpr qreal pathFontSize = 10.5;
constexpr qreal arrowFontSize = 10;

QFont nameFont()
{
    return designFont(nameFontSize, QFont::DemiBold);
}

qreal firstLineHeight()
{
    const qreal badge = LiquidGlassBadge::sizeFor(QStringLiteral("规则"), std::nullopt).height();
    return std::max({QFontMetricsF(nameFont()).height(), badge, SymbolIcons::sideForFontSize(nameFontSize)});
}

qreal secondLineHeight()
{
    return std::max(QFontMetricsF(designMonospacedFont(pathFontSize)).height(),
                    SymbolIcons::sideForFontSize(arrowFontSize));
}

// Draws `text` cut at its head into at most `width`, from `x`; returns where it ends.
qreal drawHeadCut(QPainter& painter, const QString& text, qreal x, qreal top, qreal width, qreal height)
{
    const QFontMetricsF metrics(painter.font());
    const QString shown = metrics.elidedText(text, Qt::ElideLeft, width);
    const qreal used = std::min(width, metrics.horizontalAdvance(shown));
    painter.drawText(QRectF(x, top, used + 1, height), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    return x + used;
}

} // namespace

DryRunPlanDelegate::DryRunPlanDelegate(DesignEnvironment* environment, QObject* parent)
    : QStyledItemDelegate(parent)
    , m_environment(environment)
{
}

int DryRunPlanDelegate::rowHeight()
{
    return int(std::ceil(padding * 2 + firstLineHeight() + lineSpacing + secondLineHeight()));
}

QSize DryRunPlanDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    return QSize(option.rect.width(), rowHeight() + int(rowGap));
}

void DryRunPlanDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const ColorScheme scheme = environmentOrDefault(m_environment).colorScheme();
    const QRectF row(option.rect.left(), option.rect.top(), option.rect.width(), rowHeight());
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->fillPath(LiquidGlassShapeKind::roundedRect(12).path(row), withOpacity(GlassPalette::primary(scheme), 0.05));

    const QRectF content = row.adjusted(padding, padding, -padding, -padding);
    const QColor secondary = GlassPalette::secondaryForeground(scheme);

    // Line 1: symbol, name, rule badge, conflict badge, and the size on the trailing edge.
    const qreal lineHeight = firstLineHeight();
    const QRectF line(content.left(), content.top(), content.width(), lineHeight);
    const qreal symbolSide = SymbolIcons::sideForFontSize(nameFontSize);
    SymbolIcons::paint(*painter, QRectF(line.left(), line.top(), symbolSide, lineHeight), QStringLiteral("doc.fill"),
                       symbolSide, GlassPalette::systemBlue(scheme));

    const QFont sizeFont = designMonospacedFont(sizeFontSize);
    const QString sizeText = index.data(DryRunPlanModel::SizeTextRole).toString();
    const qreal sizeWidth = QFontMetricsF(sizeFont).horizontalAdvance(sizeText);
    painter->setFont(sizeFont);
    painter->setPen(secondary);
    painter->drawText(QRectF(line.right() - sizeWidth - 1, line.top(), sizeWidth + 1, lineHeight),
                      Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, sizeText);

    const QString ruleName = index.data(DryRunPlanModel::RuleNameRole).toString();
    const bool renames = index.data(DryRunPlanModel::RenamesOnConflictRole).toBool();
    const QSizeF ruleBadge = LiquidGlassBadge::sizeFor(ruleName, std::nullopt);
    const QSizeF conflictBadge = renames ? LiquidGlassBadge::sizeFor(conflictBadgeText, std::nullopt) : QSizeF();
    const qreal nameLeft = line.left() + symbolSide + 8;
    const qreal badgesWidth = ruleBadge.width() + 8 + (renames ? conflictBadge.width() + 8 : 0);
    const qreal nameRoom = std::max<qreal>(0, line.right() - sizeWidth - 8 - badgesWidth - nameLeft);
    const QFont font = nameFont();
    const QFontMetricsF nameMetrics(font);
    const QString name = nameMetrics.elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight, nameRoom);
    const qreal nameWidth = std::min(nameRoom, nameMetrics.horizontalAdvance(name));
    painter->setFont(font);
    painter->setPen(GlassPalette::primaryForeground(scheme));
    painter->drawText(QRectF(nameLeft, line.top(), nameWidth + 1, lineHeight),
                      Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, name);
    qreal x = nameLeft + nameWidth + 8;
    const auto badgeAt = [&](const QSizeF& size) {
        return QRectF(x, line.top() + (lineHeight - size.height()) / 2, size.width(), size.height());
    };
    LiquidGlassBadge::paint(*painter, badgeAt(ruleBadge), ruleName, FenceTintPalette::cerulean, std::nullopt, scheme);
    x += ruleBadge.width() + 8;
    if (renames)
        LiquidGlassBadge::paint(*painter, badgeAt(conflictBadge), conflictBadgeText, FenceTintPalette::amber,
                                std::nullopt, scheme);

    // Line 2: source → destination; the source takes at most half, the destination the rest.
    const qreal pathTop = line.bottom() + lineSpacing;
    const qreal pathHeight = secondLineHeight();
    const qreal arrowSide = SymbolIcons::sideForFontSize(arrowFontSize);
    painter->setFont(designMonospacedFont(pathFontSize));
    painter->setPen(secondary);
    const QString source = index.data(DryRunPlanModel::SourcePathRole).toString();
    const qreal pathRoom = std::max<qreal>(0, content.width() - arrowSide - 12);
    const qreal sourceRoom = std::min(pathRoom / 2, QFontMetricsF(painter->font()).horizontalAdvance(source));
    const qreal arrowLeft = drawHeadCut(*painter, source, content.left(), pathTop, sourceRoom, pathHeight) + 6;
    SymbolIcons::paint(*painter, QRectF(arrowLeft, pathTop, arrowSide, pathHeight), QStringLiteral("arrow.right"),
                       arrowSide, swiftUIColor(FenceTintPalette::mint));
    const qreal destinationLeft = arrowLeft + arrowSide + 6;
    painter->setPen(secondary);
    drawHeadCut(*painter, index.data(DryRunPlanModel::DestinationPathRole).toString(), destinationLeft, pathTop,
                std::max<qreal>(0, content.right() - destinationLeft), pathHeight);
    painter->restore();
}

} // namespace mv
