#include "desktop/controlcenter/LabControls.h"

#include "design/DesignFonts.h"
#include "design/GlassTextLabel.h"
#include "design/LiquidGlassShapeKind.h"
#include "design/LiquidGlassTokens.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyleOptionSlider>

#include <algorithm>
#include <cmath>

namespace mv {

namespace {

// Positions of a continuous slider: finer than any pointer can choose.
constexpr int continuousPositions = 1000;

ColorScheme schemeOf(const QPointer<DesignEnvironment>& environment)
{
    return environmentOrDefault(environment).colorScheme();
}

const char* const labelStyleProperty = "labLabelStyle";

} // namespace

GlassTextLabel* makeLabLabel(const QString& text, const QFont& font, LabLabelStyle style, QWidget* parent)
{
    GlassTextLabel* label = makeGlassTextLabel(text, font, parent);
    label->setProperty(labelStyleProperty, int(style));
    return label;
}

void recolourLabLabels(QWidget* root, ColorScheme scheme)
{
    for (GlassTextLabel* label : root->findChildren<GlassTextLabel*>()) {
        const QVariant style = label->property(labelStyleProperty);
        if (!style.isValid())
            continue;
        label->setColor(LabLabelStyle(style.toInt()) == LabLabelStyle::secondary ? GlassPalette::secondaryForeground(scheme)
                                                                                 : GlassPalette::primaryForeground(scheme));
    }
}

void showText(GlassTextLabel* label, const QString& text)
{
    if (label->text() != text)
        label->setText(text);
}

void showChecked(QAbstractButton* control, bool on)
{
    if (control->isChecked() != on)
        control->setChecked(on);
}

// -- slider -----------------------------------------------------------------------------------

LabSlider::LabSlider(DesignEnvironment* environment, double minimum, double maximum, double step, QWidget* parent)
    : QSlider(Qt::Horizontal, parent)
    , m_environment(environment)
    , m_minimum(minimum)
    , m_maximum(std::max(minimum, maximum))
{
    const int positions = step > 0 ? std::max(1, int(std::lround((m_maximum - m_minimum) / step))) : continuousPositions;
    setRange(0, positions);
    setSingleStep(1);
    setPageStep(std::max(1, positions / 10));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
    connect(this, &QSlider::valueChanged, this, [this] { Q_EMIT valueEdited(currentValue()); });
    if (m_environment)
        connect(m_environment, &DesignEnvironment::changed, this, qOverload<>(&QWidget::update));
}

double LabSlider::currentValue() const
{
    if (maximum() <= 0)
        return m_minimum;
    return m_minimum + (m_maximum - m_minimum) * double(value()) / double(maximum());
}

int LabSlider::positionOf(double value) const
{
    if (!(m_maximum > m_minimum) || !std::isfinite(value))
        return 0;
    const double fraction = std::clamp((value - m_minimum) / (m_maximum - m_minimum), 0.0, 1.0);
    return int(std::lround(fraction * maximum()));
}

void LabSlider::showValue(double value)
{
    if (isSliderDown())
        return;
    const int position = positionOf(value);
    if (position == this->value())
        return;
    const QSignalBlocker blocker(this);
    setValue(position);
    update();
}

void LabSlider::setTint(FenceTintPalette tint)
{
    if (m_tint == tint)
        return;
    m_tint = tint;
    update();
}

QSize LabSlider::sizeHint() const
{
    return QSize(160, 22);
}

void LabSlider::paintEvent(QPaintEvent*)
{
    const ColorScheme scheme = schemeOf(m_environment);
    QStyleOptionSlider option;
    initStyleOption(&option);
    // The handle lies where the style takes the pointer for it.
    const QRectF handleArea = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    const qreal knob = std::min<qreal>(16, height() - 2);
    const QPointF centre(handleArea.center().x(), height() / 2.0);

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF track(knob / 2, height() / 2.0 - 2, std::max<qreal>(0, width() - knob), 4);
    const QPainterPath trackPath = LiquidGlassShapeKind::capsule().path(track);
    painter.fillPath(trackPath, withOpacity(GlassPalette::primary(scheme), 0.14));
    const QRectF filled(track.left(), track.top(), std::clamp(centre.x() - track.left(), 0.0, track.width()),
                        track.height());
    painter.fillPath(LiquidGlassShapeKind::capsule().path(filled),
                     isEnabled() ? swiftUIColor(m_tint) : withOpacity(GlassPalette::primary(scheme), 0.3));

    const QRectF knobRect(centre.x() - knob / 2, centre.y() - knob / 2, knob, knob);
    painter.setPen(QPen(withOpacity(Qt::black, isSliderDown() ? 0.3 : 0.18), 0.8));
    painter.setBrush(scheme == ColorScheme::dark ? QColor(0xe8, 0xe8, 0xec) : QColor(Qt::white));
    painter.drawEllipse(knobRect);
    if (hasFocus()) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(withOpacity(swiftUIColor(m_tint), 0.6), 1.5));
        painter.drawEllipse(knobRect.adjusted(-1.5, -1.5, 1.5, 1.5));
    }
}

// -- swatches -----------------------------------------------------------------------------------

LabSwatchButton::LabSwatchButton(DesignEnvironment* environment, bool circle, QSize size, QWidget* parent)
    : QAbstractButton(parent)
    , m_environment(environment)
    , m_circle(circle)
    , m_size(size)
{
    setFixedSize(size);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    if (m_environment)
        connect(m_environment, &DesignEnvironment::changed, this, qOverload<>(&QWidget::update));
}

LabSwatchButton* LabSwatchButton::tintSwatch(DesignEnvironment* environment, FenceTintPalette tint, QWidget* parent)
{
    auto* swatch = new LabSwatchButton(environment, true, QSize(24, 24), parent);
    swatch->m_colors.fill(swiftUIColor(tint));
    swatch->setToolTip(displayName(tint));
    swatch->setAccessibleName(displayName(tint));
    return swatch;
}

LabSwatchButton* LabSwatchButton::wallpaperSwatch(DesignEnvironment* environment, WallpaperPreset preset,
                                                  QWidget* parent)
{
    auto* swatch = new LabSwatchButton(environment, false, QSize(56, 34), parent);
    swatch->m_colors = backdropGradientColors(preset);
    swatch->setToolTip(displayName(preset));
    swatch->setAccessibleName(displayName(preset));
    return swatch;
}

void LabSwatchButton::setCurrent(bool current)
{
    if (m_current == current)
        return;
    m_current = current;
    update();
}

void LabSwatchButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds(rect());
    const LiquidGlassShapeKind shape = m_circle ? LiquidGlassShapeKind::capsule() : LiquidGlassShapeKind::roundedRect(10);
    QLinearGradient gradient(bounds.topLeft(), bounds.bottomRight());
    for (std::size_t i = 0; i < m_colors.size(); ++i)
        gradient.setColorAt(double(i) / double(m_colors.size() - 1), m_colors[i]);
    painter.fillPath(shape.path(bounds), gradient);
    if (m_current) {
        // Stroked inside the border.
        const qreal inset = ringWidth() / 2;
        painter.setPen(QPen(Qt::white, ringWidth()));
        painter.setBrush(Qt::NoBrush);
        const LiquidGlassShapeKind inner =
            m_circle ? LiquidGlassShapeKind::capsule() : LiquidGlassShapeKind::roundedRect(10 - inset);
        painter.drawPath(inner.path(bounds.adjusted(inset, inset, -inset, -inset)));
    }
    if (hasFocus()) {
        painter.setPen(QPen(withOpacity(GlassPalette::primary(schemeOf(m_environment)), 0.5), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(shape.path(bounds.adjusted(0.5, 0.5, -0.5, -0.5)));
    }
}

// -- segmented picker ---------------------------------------------------------------------------

LabSegmentedPicker::LabSegmentedPicker(DesignEnvironment* environment, QStringList titles, QWidget* parent)
    : QWidget(parent)
    , m_environment(environment)
    , m_titles(std::move(titles))
{
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    if (m_environment)
        connect(m_environment, &DesignEnvironment::changed, this, qOverload<>(&QWidget::update));
}

void LabSegmentedPicker::showIndex(int index)
{
    if (index == m_current || index < 0 || index >= m_titles.size())
        return;
    m_current = index;
    update();
}

QSize LabSegmentedPicker::sizeHint() const
{
    const QFontMetrics metrics(designFont(12, QFont::Medium));
    int widest = 0;
    for (const QString& title : m_titles)
        widest = std::max(widest, metrics.horizontalAdvance(title));
    return QSize(int(m_titles.size()) * (widest + 24) + 4, 26);
}

QRect LabSegmentedPicker::segmentRect(int index) const
{
    if (m_titles.isEmpty())
        return {};
    const int inner = width() - 4;
    const int left = 2 + inner * index / int(m_titles.size());
    const int right = 2 + inner * (index + 1) / int(m_titles.size());
    return QRect(left, 2, right - left, height() - 4);
}

void LabSegmentedPicker::paintEvent(QPaintEvent*)
{
    const ColorScheme scheme = schemeOf(m_environment);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(LiquidGlassShapeKind::roundedRect(7).path(QRectF(rect())),
                     withOpacity(GlassPalette::primary(scheme), 0.08));
    painter.setFont(designFont(12, QFont::Medium));
    for (int i = 0; i < m_titles.size(); ++i) {
        const QRectF segment(segmentRect(i));
        if (i == m_current) {
            painter.fillPath(LiquidGlassShapeKind::roundedRect(5.5).path(segment),
                             scheme == ColorScheme::dark ? QColor(0x5a, 0x5b, 0x60) : QColor(Qt::white));
        }
        painter.setPen(GlassPalette::primaryForeground(scheme));
        painter.drawText(segment, Qt::AlignCenter, m_titles.at(i));
    }
    if (hasFocus()) {
        painter.setPen(QPen(withOpacity(GlassPalette::systemBlue(scheme), 0.6), 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(LiquidGlassShapeKind::roundedRect(7).path(QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75)));
    }
}

void LabSegmentedPicker::mousePressEvent(QMouseEvent* event)
{
    for (int i = 0; i < m_titles.size(); ++i) {
        if (segmentRect(i).contains(event->position().toPoint())) {
            if (i != m_current) {
                m_current = i;
                update();
                Q_EMIT activated(i);
            }
            return;
        }
    }
}

} // namespace mv
