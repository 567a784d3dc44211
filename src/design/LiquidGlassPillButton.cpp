#include "design/LiquidGlassPillButton.h"

#include "design/DesignFonts.h"
#include "design/GlassButtonBackground.h"
#include "design/LiquidGlassShapeKind.h"
#include "design/LiquidGlassTokens.h"
#include "design/SymbolIcons.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace mv {


LiquidGlassPillButton::LiquidGlassPillButton(DesignEnvironment* environment, const QString& title,
                                             const std::optional<QString>& systemImage, FenceTintPalette tint,
                                             QWidget* parent)
    : QAbstractButton(parent)
    , m_environment(environment)
    , m_title(title)
    , m_systemImage(systemImage)
    , m_tint(tint)
{
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (isEnabled() && action)
            action();
    });
    if (m_environment)
        connect(m_environment, &DesignEnvironment::changed, this, qOverload<>(&QWidget::update));
    refresh();
}

QString LiquidGlassPillButton::accessibilityLabel(const QString& title, const std::optional<QString>& systemImage)
{
    if (!title.isEmpty())
        return title;
    if (systemImage)
        return *systemImage;
    return QStringLiteral("按钮");
}

void LiquidGlassPillButton::refresh()
{
    setAccessibleName(accessibilityLabel(m_title, m_systemImage));
    updateGeometry();
    update();
}

void LiquidGlassPillButton::setTitle(const QString& title)
{
    if (m_title == title)
        return;
    m_title = title;
    refresh();
}

void LiquidGlassPillButton::setSystemImage(const std::optional<QString>& systemImage)
{
    if (m_systemImage == systemImage)
        return;
    m_systemImage = systemImage;
    refresh();
}

void LiquidGlassPillButton::setTint(FenceTintPalette tint)
{
    if (m_tint == tint)
        return;
    m_tint = tint;
    update();
}

void LiquidGlassPillButton::setProminent(bool prominent)
{
    if (m_prominent == prominent)
        return;
    m_prominent = prominent;
    update();
}

void LiquidGlassPillButton::setCompact(bool compact)
{
    if (m_compact == compact)
        return;
    m_compact = compact;
    refresh();
}

QSize LiquidGlassPillButton::sizeHint() const
{
    const QFontMetricsF metrics(designFont(fontSize(), QFont::DemiBold));
    const qreal spacing = m_compact ? 5 : 6;
    const qreal symbol = m_systemImage ? SymbolIcons::sideForFontSize(fontSize()) : 0;
    qreal width = symbol;
    if (!m_title.isEmpty())
        width += (symbol > 0 ? spacing : 0) + metrics.horizontalAdvance(m_title);
    const qreal height = std::max(symbol, metrics.height());
    const qreal padH = m_compact ? 9 : 12;
    const qreal padV = m_compact ? 5 : 7;
    return QSize(int(std::ceil(width + 2 * padH)), int(std::ceil(height + 2 * padV)));
}

void LiquidGlassPillButton::paintEvent(QPaintEvent*)
{
    const DesignEnvironment& environment = environmentOrDefault(m_environment);
    const ColorScheme scheme = environment.colorScheme();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // A disabled button is dimmed, as the platform's are, so that it does not read as one
    // that acts.
    if (!isEnabled())
        painter.setOpacity(0.45);
    const QRectF bounds(rect());
    const QPainterPath capsule = LiquidGlassShapeKind::capsule().path(bounds);
    const QColor tintColor = swiftUIColor(m_tint);
    QColor foreground;
    if (environment.reduceTransparency()) {
        painter.fillPath(capsule, m_prominent ? tintColor : withOpacity(GlassPalette::primary(scheme), 0.1));
        painter.setPen(QPen(withOpacity(tintColor, 0.35), 0.75));
        painter.drawPath(LiquidGlassShapeKind::capsule().insetPath(bounds, 0.375));
        foreground = m_prominent ? readableForeground(tintColor) : GlassPalette::primaryForeground(scheme);
    } else if (m_prominent) {
        // The prominent glass button: the tint itself as glass, a sheen and a light rim.
        painter.fillPath(capsule, withOpacity(tintColor, 0.88));
        QLinearGradient sheen(bounds.topLeft(), bounds.bottomLeft());
        sheen.setColorAt(0, withOpacity(Qt::white, 0.22));
        sheen.setColorAt(0.6, withOpacity(Qt::white, 0));
        painter.fillPath(capsule, sheen);
        if (m_hovered)
            painter.fillPath(capsule, withOpacity(Qt::white, 0.08));
        if (isDown())
            painter.fillPath(capsule, withOpacity(Qt::black, 0.08));
        painter.setPen(QPen(withOpacity(Qt::white, 0.35), 0.75));
        painter.drawPath(LiquidGlassShapeKind::capsule().insetPath(bounds, 0.375));
        foreground = readableForeground(tintColor);
    } else {
        paintGlassButtonBackground(painter, bounds, environment, m_hovered, isDown());
        painter.fillPath(capsule, withOpacity(tintColor, 0.10));
        foreground = GlassPalette::primaryForeground(scheme);
    }

    const QFont font = designFont(fontSize(), QFont::DemiBold);
    const QFontMetricsF metrics(font);
    const qreal spacing = m_compact ? 5 : 6;
    const qreal symbol = m_systemImage ? SymbolIcons::sideForFontSize(fontSize()) : 0;
    const qreal textWidth = m_title.isEmpty() ? 0 : metrics.horizontalAdvance(m_title);
    const qreal contentWidth = symbol + (symbol > 0 && textWidth > 0 ? spacing : 0) + textWidth;
    qreal x = bounds.center().x() - contentWidth / 2.0;
    if (m_systemImage) {
        SymbolIcons::paint(painter, QRectF(x, bounds.top(), symbol, bounds.height()), *m_systemImage, symbol, foreground);
        x += symbol + (textWidth > 0 ? spacing : 0);
    }
    if (textWidth > 0) {
        painter.setFont(font);
        painter.setPen(foreground);
        const QRectF textRect(x, bounds.top(), std::min(textWidth + 1, bounds.right() - x), bounds.height());
        painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft,
                         metrics.elidedText(m_title, Qt::ElideRight, textRect.width()));
    }
}

void LiquidGlassPillButton::enterEvent(QEnterEvent* event)
{
    QAbstractButton::enterEvent(event);
    m_hovered = true;
    update();
}

void LiquidGlassPillButton::leaveEvent(QEvent* event)
{
    QAbstractButton::leaveEvent(event);
    m_hovered = false;
    update();
}

} // namespace mv
