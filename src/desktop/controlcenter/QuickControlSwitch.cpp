#include "desktop/controlcenter/QuickControlSwitch.h"

#include "design/DesignFonts.h"
#include "design/LiquidGlassShapeKind.h"
#include "design/LiquidGlassTokens.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace mv {

namespace {

constexpr qreal labelGap = 10;
constexpr qreal knobInset = 1.5;

} // namespace

QuickControlSwitch::QuickControlSwitch(DesignEnvironment* environment, const QString& label, QWidget* parent)
    : QAbstractButton(parent)
    , m_environment(environment)
{
    setCheckable(true);
    setText(label);
    setAccessibleName(label);
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    if (m_environment)
        connect(m_environment, &DesignEnvironment::changed, this, qOverload<>(&QWidget::update));
}

QRectF QuickControlSwitch::trackRect(const QRectF& bounds)
{
    const QSizeF track(trackSize);
    return QRectF(bounds.right() - track.width(), bounds.center().y() - track.height() / 2.0, track.width(),
                  track.height());
}

QSize QuickControlSwitch::sizeHint() const
{
    const QFontMetricsF metrics(designFont(labelFontSize, QFont::Medium));
    const qreal width = metrics.horizontalAdvance(text()) + labelGap + trackSize.width();
    const qreal height = std::max<qreal>(metrics.height(), trackSize.height() + 3);
    return QSize(int(std::ceil(width)), int(std::ceil(height)));
}

QSize QuickControlSwitch::minimumSizeHint() const
{
    // The label may elide; the switch never shrinks.
    return QSize(trackSize.width() + int(labelGap) + 24, sizeHint().height());
}

void QuickControlSwitch::paintEvent(QPaintEvent*)
{
    const ColorScheme scheme = m_environment ? m_environment->colorScheme() : ColorScheme::light;
    const bool reduceTransparency = m_environment && m_environment->reduceTransparency();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds(rect());
    const QRectF track = trackRect(bounds);

    const QFont font = designFont(labelFontSize, QFont::Medium);
    const QFontMetricsF metrics(font);
    const QRectF labelRect(bounds.left(), bounds.top(), std::max<qreal>(0, track.left() - labelGap), bounds.height());
    painter.setFont(font);
    QColor labelColor = GlassPalette::primaryForeground(scheme);
    if (!isEnabled())
        labelColor = GlassPalette::secondaryForeground(scheme);
    painter.setPen(labelColor);
    painter.drawText(labelRect, Qt::AlignVCenter | Qt::AlignLeft,
                     metrics.elidedText(text(), Qt::ElideRight, labelRect.width()));

    const QPainterPath capsule = LiquidGlassShapeKind::capsule().path(track);
    QColor fill = isChecked() ? GlassPalette::systemBlue(scheme) : withOpacity(GlassPalette::primary(scheme), 0.14);
    if (!isEnabled())
        fill = withOpacity(fill, 0.5);
    painter.fillPath(capsule, fill);
    if (m_hovered && isEnabled())
        painter.fillPath(capsule, withOpacity(GlassPalette::primary(scheme), 0.05));
    if (!reduceTransparency) {
        painter.setPen(QPen(withOpacity(GlassPalette::primary(scheme), 0.08), 0.75));
        painter.drawPath(LiquidGlassShapeKind::capsule().path(track.adjusted(0.375, 0.375, -0.375, -0.375)));
    }

    const qreal knobSide = track.height() - 2 * knobInset;
    const qreal knobX = isChecked() ? track.right() - knobInset - knobSide : track.left() + knobInset;
    const QRectF knob(knobX, track.top() + knobInset, knobSide, knobSide);
    painter.setPen(QPen(withOpacity(Qt::black, isDown() ? 0.18 : 0.1), 0.5));
    painter.setBrush(scheme == ColorScheme::dark ? QColor(0xe8, 0xe8, 0xe8) : QColor(Qt::white));
    painter.drawEllipse(knob);

    if (hasFocus()) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(withOpacity(GlassPalette::systemBlue(scheme), 0.6), 2));
        painter.drawPath(LiquidGlassShapeKind::capsule().path(track.adjusted(-1.5, -1.5, 1.5, 1.5)));
    }
}

void QuickControlSwitch::enterEvent(QEnterEvent* event)
{
    QAbstractButton::enterEvent(event);
    m_hovered = true;
    update();
}

void QuickControlSwitch::leaveEvent(QEvent* event)
{
    QAbstractButton::leaveEvent(event);
    m_hovered = false;
    update();
}

} // namespace mv
