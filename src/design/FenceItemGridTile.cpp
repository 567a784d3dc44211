#include "design/FenceItemGridTile.h"

#include "design/DesignFonts.h"
#include "design/GlassTextLabel.h"
#include "design/LiquidGlassBadge.h"
#include "design/LiquidGlassIconBadge.h"
#include "design/LiquidGlassShapeKind.h"
#include "design/LiquidGlassTokens.h"
#include "design/SymbolIcons.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace mv {

namespace {

constexpr qreal gridCaptionSize = 9.5;
constexpr qreal listTitleSize = 12;
constexpr qreal listSubtitleSize = 10;
constexpr qreal listIconSide = 28;

std::optional<QString> present(const std::optional<QString>& text)
{
    if (text && !text->isEmpty())
        return text;
    return std::nullopt;
}

QFont gridTitleFont(double iconScale)
{
    return designFont(FenceItemGridTile::gridTitleFontSize(iconScale), QFont::Medium);
}

} // namespace

FenceItemGridTile::FenceItemGridTile(DesignEnvironment* environment, QWidget* parent)
    : QAbstractButton(parent)
    , m_environment(environment)
{
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::TabFocus);
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (onActivate)
            onActivate();
    });
    if (m_environment)
        connect(m_environment, &DesignEnvironment::changed, this, qOverload<>(&QWidget::update));
}

qreal FenceItemGridTile::iconSide(double iconScale)
{
    return std::clamp(42.0 * iconScale, 32.0, 58.0);
}

qreal FenceItemGridTile::gridTitleFontSize(double iconScale)
{
    return std::clamp(11.5 * iconScale, 10.5, 11.5 * 1.15);
}

ColorScheme FenceItemGridTile::scheme() const
{
    return m_environment ? m_environment->colorScheme() : ColorScheme::light;
}

void FenceItemGridTile::changed()
{
    setText(m_title);
    setAccessibleName(m_title);
    updateGeometry();
    update();
}

void FenceItemGridTile::setTitle(const QString& title)
{
    if (m_title == title)
        return;
    m_title = title;
    changed();
}

void FenceItemGridTile::setSubtitle(const std::optional<QString>& subtitle)
{
    if (m_subtitle == subtitle)
        return;
    m_subtitle = subtitle;
    changed();
}

void FenceItemGridTile::setSymbolName(const QString& symbolName)
{
    if (m_symbolName == symbolName)
        return;
    m_symbolName = symbolName;
    update();
}

void FenceItemGridTile::setBadgeText(const std::optional<QString>& badgeText)
{
    if (m_badgeText == badgeText)
        return;
    m_badgeText = badgeText;
    changed();
}

void FenceItemGridTile::setTint(FenceTintPalette tint)
{
    if (m_tint == tint)
        return;
    m_tint = tint;
    update();
}

void FenceItemGridTile::setDensity(FenceDisplayDensity density)
{
    if (m_density == density)
        return;
    m_density = density;
    changed();
}

void FenceItemGridTile::setIconScale(double iconScale)
{
    if (!std::isfinite(iconScale) || m_iconScale == iconScale)
        return;
    m_iconScale = iconScale;
    changed();
}

void FenceItemGridTile::setPinned(bool pinned)
{
    if (m_isPinned == pinned)
        return;
    m_isPinned = pinned;
    update();
}

void FenceItemGridTile::setSelected(bool selected)
{
    if (m_isSelected == selected)
        return;
    m_isSelected = selected;
    update();
}

void FenceItemGridTile::setDirectory(bool directory)
{
    if (m_isDirectory == directory)
        return;
    m_isDirectory = directory;
    update();
}

void FenceItemGridTile::setItem(const FenceItem& item)
{
    setTitle(item.title);
    setSubtitle(item.subtitle);
    setSymbolName(item.symbolName);
    setBadgeText(item.badgeText);
    setPinned(item.isPinned);
    setDirectory(item.kind == FenceItemKind::folder);
}

std::optional<QString> FenceItemGridTile::gridCaption() const
{
    if (auto badge = present(m_badgeText))
        return badge;
    return present(m_subtitle);
}

bool FenceItemGridTile::captionIsBadge() const
{
    return present(m_badgeText).has_value();
}

std::optional<QString> FenceItemGridTile::listBadge() const
{
    return present(m_badgeText);
}

std::optional<QString> FenceItemGridTile::listSubtitle() const
{
    return present(m_subtitle);
}

FenceTintPalette FenceItemGridTile::listIconTint() const
{
    return m_isDirectory ? FenceTintPalette::cerulean : m_tint;
}

std::pair<QColor, QColor> FenceItemGridTile::gridIconGradient() const
{
    const bool dark = scheme() == ColorScheme::dark;
    const QColor first = m_isDirectory ? GlassPalette::systemBlue(scheme()) : swiftUIColor(m_tint);
    const QColor second = m_isDirectory ? GlassPalette::systemCyan(scheme()) : swiftUIColor(m_tint);
    return {withOpacity(first, dark ? 0.3 : 0.22), withOpacity(second, dark ? 0.14 : 0.1)};
}

QColor FenceItemGridTile::fillColor() const
{
    if (m_isSelected)
        return withOpacity(swiftUIColor(m_tint), 0.24);
    return withOpacity(GlassPalette::primary(scheme()), m_isHovered ? 0.1 : 0.04);
}

QColor FenceItemGridTile::borderColor() const
{
    if (m_isSelected)
        return withOpacity(swiftUIColor(m_tint), 0.75);
    return m_isHovered ? withOpacity(Qt::white, 0.24) : withOpacity(GlassPalette::primary(scheme()), 0.06);
}

qreal FenceItemGridTile::borderWidth() const
{
    return m_isSelected ? 1.3 : 0.6;
}

FenceItemTileGeometry FenceItemGridTile::geometry(const QRectF& bounds) const
{
    FenceItemTileGeometry g;
    if (m_density == FenceDisplayDensity::grid) {
        const qreal side = iconSide(m_iconScale);
        const QRectF content = bounds.adjusted(6, 8, -6, -8);
        g.icon = QRectF(content.center().x() - side / 2, content.top(), side, side);
        if (m_isPinned) {
            const qreal pinSide = SymbolIcons::sideForFontSize(8.5) + 6; // symbol padded 3 each side
            g.pin = QRectF(g.icon.right() - pinSide / 2 + 4, g.icon.top() - pinSide / 2 - 4, pinSide, pinSide);
            // Nudged up over the icon's corner it would stick out of the tile and lose its top
            // half; it stays whole inside the tile's edge.
            g.pin.moveTop(std::max(g.pin.top(), bounds.top() + 1));
            g.pin.moveRight(std::min(g.pin.right(), bounds.right() - 1));
        }
        const QFont font = gridTitleFont(m_iconScale);
        const qsizetype lines = std::max<qsizetype>(1, layoutTextLines(m_title, font, content.width(), 2).size());
        g.title = QRectF(content.left(), g.icon.bottom() + 6, content.width(), QFontMetricsF(font).height() * qreal(lines));
        if (gridCaption()) {
            const QFontMetricsF caption(designFont(gridCaptionSize));
            g.caption = QRectF(content.left(), g.title.bottom() + 6, content.width(), caption.height());
        }
        return g;
    }
    const QRectF content = bounds.adjusted(9, 6, -9, -6);
    g.icon = QRectF(content.left(), content.center().y() - listIconSide / 2, listIconSide, listIconSide);
    qreal right = content.right();
    if (auto badge = listBadge()) {
        const QSizeF size = LiquidGlassBadge::sizeFor(*badge, std::nullopt);
        g.badge = QRectF(right - size.width(), content.center().y() - size.height() / 2, size.width(), size.height());
        right = g.badge.left() - 9 - 4; // spacing, then the spacer's minimum
    } else {
        right -= 9 + 4;
    }
    const qreal textLeft = g.icon.right() + 9;
    const QFontMetricsF titleMetrics(designFont(listTitleSize, QFont::Medium));
    const QFontMetricsF subtitleMetrics(designFont(listSubtitleSize));
    const bool hasSubtitle = listSubtitle().has_value();
    const qreal blockHeight = titleMetrics.height() + (hasSubtitle ? 1 + subtitleMetrics.height() : 0);
    const qreal top = content.center().y() - blockHeight / 2;
    const qreal pinSide = m_isPinned ? SymbolIcons::sideForFontSize(9) : 0;
    const qreal titleWidth = std::max<qreal>(0, std::min(titleMetrics.horizontalAdvance(m_title) + 1,
                                                         right - textLeft - (m_isPinned ? 4 + pinSide : 0)));
    g.title = QRectF(textLeft, top, titleWidth, titleMetrics.height());
    if (m_isPinned)
        g.pin = QRectF(g.title.right() + 4, g.title.center().y() - pinSide / 2, pinSide, pinSide);
    if (hasSubtitle)
        g.subtitle = QRectF(textLeft, g.title.bottom() + 1, std::max<qreal>(0, right - textLeft), subtitleMetrics.height());
    return g;
}

int FenceItemGridTile::heightForWidth(int width) const
{
    if (m_density == FenceDisplayDensity::compactList)
        return sizeHint().height();
    const FenceItemTileGeometry g = geometry(QRectF(0, 0, width, 1000));
    const qreal bottom = g.caption.isEmpty() ? g.title.bottom() : g.caption.bottom();
    return int(std::ceil(bottom + 8));
}

QSize FenceItemGridTile::sizeHint() const
{
    if (m_density == FenceDisplayDensity::compactList) {
        const QFontMetricsF titleMetrics(designFont(listTitleSize, QFont::Medium));
        const QFontMetricsF subtitleMetrics(designFont(listSubtitleSize));
        const qreal block = titleMetrics.height() + (listSubtitle() ? 1 + subtitleMetrics.height() : 0);
        return QSize(240, int(std::ceil(std::max(listIconSide, block) + 12)));
    }
    const int width = int(std::ceil(std::max(iconSide(m_iconScale) + 12 + 24, 84.0)));
    return QSize(width, heightForWidth(width));
}

QSize FenceItemGridTile::minimumSizeHint() const
{
    if (m_density == FenceDisplayDensity::compactList)
        return QSize(int(listIconSide) + 18, sizeHint().height());
    return QSize(int(std::ceil(iconSide(m_iconScale) + 12)), heightForWidth(int(iconSide(m_iconScale) + 12)));
}

void FenceItemGridTile::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds(rect());
    const ColorScheme colors = scheme();
    const LiquidGlassShapeKind tileShape = LiquidGlassShapeKind::roundedRect(13);
    painter.fillPath(tileShape.path(bounds), fillColor());
    const qreal border = borderWidth();
    painter.setPen(QPen(borderColor(), border));
    painter.drawPath(LiquidGlassShapeKind::roundedRect(13 - border / 2).path(bounds.adjusted(border / 2, border / 2, -border / 2, -border / 2)));

    const FenceItemTileGeometry g = geometry(bounds);
    const QColor primary = GlassPalette::primaryForeground(colors);
    const QColor secondary = GlassPalette::secondaryForeground(colors);
    if (m_density == FenceDisplayDensity::grid) {
        const LiquidGlassShapeKind iconShape = LiquidGlassShapeKind::roundedRect(12);
        const auto [first, second] = gridIconGradient();
        QLinearGradient gradient(g.icon.topLeft(), g.icon.bottomRight());
        gradient.setColorAt(0, first);
        gradient.setColorAt(1, second);
        painter.fillPath(iconShape.path(g.icon), gradient);
        painter.setPen(QPen(withOpacity(Qt::white, 0.28), 0.7));
        painter.drawPath(LiquidGlassShapeKind::roundedRect(12 - 0.35).path(g.icon.adjusted(0.35, 0.35, -0.35, -0.35)));
        SymbolIcons::paint(painter, g.icon, m_symbolName, SymbolIcons::sideForFontSize(0.46 * g.icon.width()), primary);
        if (!g.pin.isEmpty()) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(swiftUIColor(m_tint));
            painter.drawEllipse(g.pin);
            SymbolIcons::paint(painter, g.pin, QStringLiteral("pin.fill"), SymbolIcons::sideForFontSize(8.5),
                              readableForeground(swiftUIColor(m_tint)));
        }
        const QFont titleFont = gridTitleFont(m_iconScale);
        painter.setFont(titleFont);
        painter.setPen(primary);
        const QFontMetricsF metrics(titleFont);
        qreal y = g.title.top();
        for (const QString& line : layoutTextLines(m_title, titleFont, g.title.width(), 2)) {
            painter.drawText(QRectF(g.title.left(), y, g.title.width(), metrics.height()), Qt::AlignHCenter | Qt::AlignVCenter, line);
            y += metrics.height();
        }
        if (auto caption = gridCaption()) {
            const QFont font = designFont(gridCaptionSize, captionIsBadge() ? QFont::DemiBold : QFont::Normal);
            painter.setFont(font);
            painter.setPen(secondary);
            painter.drawText(g.caption, Qt::AlignHCenter | Qt::AlignVCenter,
                             QFontMetricsF(font).elidedText(*caption, Qt::ElideRight, g.caption.width()));
        }
        return;
    }

    LiquidGlassIconBadge::paint(painter, g.icon, m_symbolName, listIconTint(), colors);
    const QFont titleFont = designFont(listTitleSize, QFont::Medium);
    painter.setFont(titleFont);
    painter.setPen(primary);
    painter.drawText(g.title, Qt::AlignLeft | Qt::AlignVCenter,
                     QFontMetricsF(titleFont).elidedText(m_title, Qt::ElideRight, g.title.width()));
    if (!g.pin.isEmpty())
        SymbolIcons::paint(painter, g.pin, QStringLiteral("pin.fill"), g.pin.width(), swiftUIColor(m_tint));
    if (auto subtitle = listSubtitle()) {
        const QFont font = designFont(listSubtitleSize);
        painter.setFont(font);
        painter.setPen(secondary);
        painter.drawText(g.subtitle, Qt::AlignLeft | Qt::AlignVCenter,
                         QFontMetricsF(font).elidedText(*subtitle, Qt::ElideRight, g.subtitle.width()));
    }
    if (auto badge = listBadge())
        LiquidGlassBadge::paint(painter, g.badge, *badge, m_tint, std::nullopt, colors);
}

void FenceItemGridTile::enterEvent(QEnterEvent* event)
{
    QAbstractButton::enterEvent(event);
    m_isHovered = true;
    update();
}

void FenceItemGridTile::leaveEvent(QEvent* event)
{
    QAbstractButton::leaveEvent(event);
    m_isHovered = false;
    update();
}

bool FenceItemGridTile::hitButton(const QPoint& pos) const
{
    return LiquidGlassShapeKind::roundedRect(13).path(QRectF(rect())).contains(QPointF(pos));
}

} // namespace mv
