#include "design/LiquidGlassSurfaces.h"

#include "design/DesignFonts.h"
#include "design/SymbolIcons.h"

#include <QChildEvent>
#include <QClipboard>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>

#include <algorithm>

namespace mv {

namespace {

QRectF insetRect(const QRectF& rect, qreal inset)
{
    return rect.adjusted(inset, inset, -inset, -inset);
}

// The outline moved inwards by `inset`, so a stroke of twice that width lies inside the edge.
QPainterPath insetPath(const LiquidGlassShapeKind& shape, const QRectF& rect, qreal inset)
{
    LiquidGlassShapeKind inner = shape;
    if (inner.kind == LiquidGlassShapeKind::Kind::roundedRect)
        inner.cornerRadius = std::max(0.0, inner.cornerRadius - inset);
    return inner.path(insetRect(rect, inset));
}

const DesignEnvironment& environmentOrDefault(const QPointer<DesignEnvironment>& environment)
{
    static const DesignEnvironment fallback; // only if a view outlives its environment
    return environment ? *environment : fallback;
}

} // namespace

QPainterPath LiquidGlassShapeKind::path(const QRectF& rect) const
{
    QPainterPath result;
    if (rect.isEmpty())
        return result;
    const qreal limit = std::min(rect.width(), rect.height()) / 2.0;
    const qreal radius = kind == Kind::capsule ? limit : std::clamp<qreal>(cornerRadius, 0, limit);
    result.addRoundedRect(rect, radius, radius);
    return result;
}

double LiquidGlassSurfaceModifier::strength() const
{
    return std::clamp(glassOpacity / 0.72, 0.35, 1.35);
}

QColor LiquidGlassSurfaceModifier::glassTintColor() const
{
    if (tint == FenceTintPalette::crystal)
        return withOpacity(Qt::white, strength() * 0.14);
    return withOpacity(swiftUIColor(tint), strength() * 0.22);
}

double LiquidGlassSurfaceModifier::fallbackOpacity() const
{
    return std::clamp(0.86 + 0.12 * glassOpacity, 0.86, 0.98);
}

QColor LiquidGlassSurfaceModifier::fallbackFillColor(ColorScheme scheme) const
{
    const QColor base = scheme == ColorScheme::dark ? QColor::fromRgbF(0.11f, 0.13f, 0.18f)
                                                    : QColor::fromRgbF(0.96f, 0.97f, 0.99f);
    return withOpacity(base, fallbackOpacity());
}

QColor LiquidGlassSurfaceModifier::hairlineColor(const DesignEnvironment& environment) const
{
    if (isHighlighted)
        return withOpacity(swiftUIColor(tint), 0.9);
    const bool dark = environment.isDark();
    if (!environment.reduceTransparency())
        return withOpacity(Qt::white, dark ? 0.20 : 0.45);
    return dark ? withOpacity(Qt::white, 0.22) : withOpacity(Qt::black, 0.14);
}

double LiquidGlassSurfaceModifier::hairlineWidth(const DesignEnvironment& environment) const
{
    if (isHighlighted)
        return 1.8;
    return environment.reduceTransparency() ? 1.0 : 0.75;
}

void LiquidGlassSurfaceModifier::paintBackground(QPainter& painter, const QRectF& rect,
                                                 const DesignEnvironment& environment, bool hovered) const
{
    const QPainterPath outline = shape.path(rect);
    if (outline.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    if (environment.reduceTransparency()) {
        painter.fillPath(outline, fallbackFillColor(environment.colorScheme()));
        painter.fillPath(outline, withOpacity(swiftUIColor(tint), 0.10));
    } else {
        // The regular glass blurs what lies behind the window; here a frosted wash stands in,
        // then the tint, then a sheen across the upper part where the glass catches the light.
        painter.fillPath(outline, GlassPalette::regularGlassBase(environment.colorScheme()));
        painter.fillPath(outline, glassTintColor());
        if (interactive && hovered)
            painter.fillPath(outline, withOpacity(Qt::white, 0.06));
        QLinearGradient sheen(rect.topLeft(), QPointF(rect.left(), rect.top() + rect.height() * 0.45));
        sheen.setColorAt(0, withOpacity(Qt::white, environment.isDark() ? 0.07 : 0.12));
        sheen.setColorAt(1, withOpacity(Qt::white, 0));
        painter.fillPath(outline, sheen);
    }
    painter.restore();
}

void LiquidGlassSurfaceModifier::paintHairline(QPainter& painter, const QRectF& rect,
                                               const DesignEnvironment& environment) const
{
    const qreal width = hairlineWidth(environment);
    const QPainterPath line = insetPath(shape, rect, width / 2.0);
    if (line.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    if (environment.reduceTransparency()) {
        painter.setPen(QPen(hairlineColor(environment), width));
    } else {
        QLinearGradient gradient(rect.topLeft(), rect.bottomRight());
        gradient.setColorAt(0, hairlineColor(environment));
        gradient.setColorAt(1, withOpacity(swiftUIColor(tint), isHighlighted ? 0.65 : 0.16));
        painter.setPen(QPen(QBrush(gradient), width));
    }
    painter.drawPath(line);
    painter.restore();
}

LiquidGlassSurfaceModifier liquidGlassSurface(FenceTintPalette tint, double cornerRadius, double glassOpacity,
                                              bool interactive, bool isCapsule, bool isHighlighted)
{
    return {tint, isCapsule ? LiquidGlassShapeKind::capsule() : LiquidGlassShapeKind::roundedRect(cornerRadius),
            glassOpacity, interactive, isHighlighted};
}

LiquidGlassSurfaceModifier liquidGlassCapsule(FenceTintPalette tint, double glassOpacity, bool interactive,
                                              bool isHighlighted)
{
    return {tint, LiquidGlassShapeKind::capsule(), glassOpacity, interactive, isHighlighted};
}

// ---- LiquidGlassSurfaceFrame

namespace {

// Draws the frame's hairline above the frame's children; takes no pointer input.
class SurfaceHairline final : public QWidget {
public:
    explicit SurfaceHairline(LiquidGlassSurfaceFrame* frame)
        : QWidget(frame)
        , m_frame(frame)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (!m_frame->environment())
            return;
        QPainter painter(this);
        m_frame->modifier().paintHairline(painter, QRectF(rect()), *m_frame->environment());
    }

private:
    LiquidGlassSurfaceFrame* m_frame;
};

} // namespace

LiquidGlassSurfaceFrame::LiquidGlassSurfaceFrame(DesignEnvironment* environment, QWidget* parent)
    : QWidget(parent)
    , m_environment(environment)
{
    setAttribute(Qt::WA_Hover);
    m_hairline = new SurfaceHairline(this);
    m_hairline->setObjectName(QStringLiteral("glassHairline"));
    if (m_environment) {
        connect(m_environment, &DesignEnvironment::changed, this, [this] {
            updateClip();
            update();
            m_hairline->update();
        });
    }
}

void LiquidGlassSurfaceFrame::setModifier(const LiquidGlassSurfaceModifier& modifier)
{
    if (m_modifier == modifier)
        return;
    m_modifier = modifier;
    updateClip();
    update();
    m_hairline->update();
}

void LiquidGlassSurfaceFrame::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    m_modifier.paintBackground(painter, QRectF(rect()), environmentOrDefault(m_environment), m_hovered);
}

void LiquidGlassSurfaceFrame::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_hairline->setGeometry(rect());
    m_hairline->raise();
    updateClip();
}

void LiquidGlassSurfaceFrame::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    m_hovered = true;
    if (m_modifier.interactive)
        update();
}

void LiquidGlassSurfaceFrame::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    m_hovered = false;
    if (m_modifier.interactive)
        update();
}

void LiquidGlassSurfaceFrame::childEvent(QChildEvent* event)
{
    QWidget::childEvent(event);
    // Keep the hairline above children added later.
    if (event->added() && m_hairline && event->child() != m_hairline && event->child()->isWidgetType())
        m_hairline->raise();
}

void LiquidGlassSurfaceFrame::updateClip()
{
    // The opaque variant clips its content to the shape; the glass leaves it unclipped.
    if (environmentOrDefault(m_environment).reduceTransparency() && !rect().isEmpty())
        setMask(QRegion(m_modifier.shape.path(QRectF(rect())).toFillPolygon().toPolygon()));
    else
        clearMask();
}

// ---- plain glass buttons

void paintGlassButtonBackground(QPainter& painter, const QRectF& rect, const DesignEnvironment& environment,
                                bool hovered, bool pressed)
{
    const LiquidGlassSurfaceModifier glass{FenceTintPalette::crystal, LiquidGlassShapeKind::capsule(), 0.72, true, false};
    const QPainterPath outline = glass.shape.path(rect);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const bool dark = environment.isDark();
    if (environment.reduceTransparency()) {
        painter.fillPath(outline, glass.fallbackFillColor(environment.colorScheme()));
    } else {
        painter.fillPath(outline, GlassPalette::regularGlassBase(environment.colorScheme()));
        painter.fillPath(outline, withOpacity(Qt::white, dark ? 0.06 : 0.22));
    }
    if (hovered)
        painter.fillPath(outline, withOpacity(GlassPalette::primary(environment.colorScheme()), 0.06));
    if (pressed)
        painter.fillPath(outline, withOpacity(GlassPalette::primary(environment.colorScheme()), 0.10));
    painter.restore();
    glass.paintHairline(painter, rect, environment);
}

LiquidGlassButton::LiquidGlassButton(DesignEnvironment* environment, QWidget* parent)
    : QAbstractButton(parent)
    , m_environment(environment)
    , m_labelFont(designFont(10.5, QFont::DemiBold))
{
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    if (m_environment)
        connect(m_environment, &DesignEnvironment::changed, this, qOverload<>(&QWidget::update));
}

void LiquidGlassButton::setSymbolName(const QString& symbolName)
{
    if (m_symbolName == symbolName)
        return;
    m_symbolName = symbolName;
    update();
}

void LiquidGlassButton::setSymbolFont(qreal size, QFont::Weight weight)
{
    m_symbolSize = size;
    m_symbolWeight = weight;
    updateGeometry();
    update();
}

void LiquidGlassButton::setLabelText(const QString& text)
{
    if (m_labelText == text)
        return;
    m_labelText = text;
    updateGeometry();
    update();
}

void LiquidGlassButton::setLabelFont(qreal size, QFont::Weight weight)
{
    m_labelFont = designFont(size, weight);
    updateGeometry();
    update();
}

void LiquidGlassButton::setSpacing(qreal spacing)
{
    m_spacing = spacing;
    updateGeometry();
}

void LiquidGlassButton::setFixedFrame(QSize size)
{
    m_fixedFrame = size;
    if (!size.isEmpty())
        setFixedSize(size);
    updateGeometry();
}

void LiquidGlassButton::setPadding(qreal horizontal, qreal vertical)
{
    m_paddingH = horizontal;
    m_paddingV = vertical;
    updateGeometry();
}

void LiquidGlassButton::setSymbolTransition(const QString& previousSymbol, qreal progress, GlassAnimationKind kind)
{
    m_previousSymbol = previousSymbol;
    m_transitionProgress = std::clamp<qreal>(progress, 0, 1);
    m_transitionKind = kind;
    update();
}

QSize LiquidGlassButton::sizeHint() const
{
    if (!m_fixedFrame.isEmpty())
        return m_fixedFrame;
    const QFontMetricsF metrics(m_labelFont);
    const qreal symbol = m_symbolName.isEmpty() ? 0 : SymbolIcons::sideForFontSize(m_symbolSize);
    qreal width = symbol;
    if (!m_labelText.isEmpty())
        width += (symbol > 0 ? m_spacing : 0) + metrics.horizontalAdvance(m_labelText);
    const qreal height = std::max(symbol, metrics.height());
    return QSize(int(std::ceil(width + 2 * m_paddingH)), int(std::ceil(height + 2 * m_paddingV)));
}

void LiquidGlassButton::paintEvent(QPaintEvent*)
{
    const DesignEnvironment& environment = environmentOrDefault(m_environment);
    QPainter painter(this);
    const QRectF bounds(rect());
    paintGlassButtonBackground(painter, bounds, environment, m_hovered, isDown());
    const QColor foreground = GlassPalette::primaryForeground(environment.colorScheme());
    const qreal symbol = m_symbolName.isEmpty() ? 0 : SymbolIcons::sideForFontSize(m_symbolSize);
    const QFontMetricsF metrics(m_labelFont);
    const qreal textWidth = m_labelText.isEmpty() ? 0 : metrics.horizontalAdvance(m_labelText);
    const qreal contentWidth = symbol + (symbol > 0 && textWidth > 0 ? m_spacing : 0) + textWidth;
    qreal x = bounds.center().x() - contentWidth / 2.0;
    if (symbol > 0) {
        const QRectF symbolRect(x, bounds.top(), symbol, bounds.height());
        const bool changing = m_transitionProgress < 1.0 && !m_previousSymbol.isEmpty() && m_previousSymbol != m_symbolName;
        if (changing && m_transitionKind == GlassAnimationKind::reducedCrossfade) {
            painter.setOpacity(1.0 - m_transitionProgress);
            SymbolIcons::paint(painter, symbolRect, m_previousSymbol, symbol, foreground);
            painter.setOpacity(m_transitionProgress);
            SymbolIcons::paint(painter, symbolRect, m_symbolName, symbol, foreground);
            painter.setOpacity(1.0);
        } else if (changing) {
            painter.save();
            painter.translate(symbolRect.center());
            painter.rotate((1.0 - m_transitionProgress) * 180.0);
            painter.translate(-symbolRect.center());
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            SymbolIcons::paint(painter, symbolRect, m_symbolName, symbol, foreground);
            painter.restore();
        } else {
            SymbolIcons::paint(painter, symbolRect, m_symbolName, symbol, foreground);
        }
        x += symbol + (textWidth > 0 ? m_spacing : 0);
    }
    if (textWidth > 0) {
        painter.setFont(m_labelFont);
        painter.setPen(foreground);
        painter.drawText(QRectF(x, bounds.top(), textWidth + 1, bounds.height()), Qt::AlignVCenter | Qt::AlignLeft,
                         m_labelText);
    }
}

bool LiquidGlassButton::hitButton(const QPoint& pos) const
{
    // A fixed square frame is a circle for the pointer.
    if (!m_fixedFrame.isEmpty() && m_fixedFrame.width() == m_fixedFrame.height()) {
        const QPointF delta = QPointF(pos) - QRectF(rect()).center();
        const qreal radius = m_fixedFrame.width() / 2.0;
        return delta.x() * delta.x() + delta.y() * delta.y() <= radius * radius;
    }
    return QAbstractButton::hitButton(pos);
}

void LiquidGlassButton::enterEvent(QEnterEvent* event)
{
    QAbstractButton::enterEvent(event);
    m_hovered = true;
    update();
}

void LiquidGlassButton::leaveEvent(QEvent* event)
{
    QAbstractButton::leaveEvent(event);
    m_hovered = false;
    update();
}

// ---- LiquidGlassPillButton

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
    const QRectF bounds(rect());
    const QPainterPath capsule = LiquidGlassShapeKind::capsule().path(bounds);
    const QColor tintColor = swiftUIColor(m_tint);
    QColor foreground;
    if (environment.reduceTransparency()) {
        painter.fillPath(capsule, m_prominent ? tintColor : withOpacity(GlassPalette::primary(scheme), 0.1));
        painter.setPen(QPen(withOpacity(tintColor, 0.35), 0.75));
        painter.drawPath(LiquidGlassShapeKind::capsule().path(insetRect(bounds, 0.375)));
        foreground = m_prominent ? QColor(Qt::white) : GlassPalette::primaryForeground(scheme);
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
        painter.drawPath(LiquidGlassShapeKind::capsule().path(insetRect(bounds, 0.375)));
        foreground = Qt::white;
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

// ---- LiquidGlassToolbarGroup

LiquidGlassToolbarGroup::LiquidGlassToolbarGroup(qreal spacing, QWidget* parent)
    : QWidget(parent)
    , m_layout(new QHBoxLayout(this))
{
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(int(std::lround(spacing)));
    m_layout->setAlignment(Qt::AlignVCenter);
}

void LiquidGlassToolbarGroup::addWidget(QWidget* widget)
{
    m_layout->addWidget(widget, 0, Qt::AlignVCenter);
}

// ---- LiquidGlassBadge

namespace {

constexpr qreal badgeSymbolSize = 9.5;
constexpr qreal badgeTextSize = 10.5;

} // namespace

LiquidGlassBadge::LiquidGlassBadge(DesignEnvironment* environment, const QString& text, FenceTintPalette tint,
                                   const std::optional<QString>& systemImage, QWidget* parent)
    : QWidget(parent)
    , m_environment(environment)
    , m_text(text)
    , m_tint(tint)
    , m_systemImage(systemImage)
{
    setAccessibleName(text);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    if (m_environment)
        connect(m_environment, &DesignEnvironment::changed, this, qOverload<>(&QWidget::update));
}

void LiquidGlassBadge::setText(const QString& text)
{
    if (m_text == text)
        return;
    m_text = text;
    setAccessibleName(text);
    updateGeometry();
    update();
}

void LiquidGlassBadge::setTint(FenceTintPalette tint)
{
    if (m_tint == tint)
        return;
    m_tint = tint;
    update();
}

void LiquidGlassBadge::setSystemImage(const std::optional<QString>& systemImage)
{
    if (m_systemImage == systemImage)
        return;
    m_systemImage = systemImage;
    updateGeometry();
    update();
}

QSizeF LiquidGlassBadge::sizeFor(const QString& text, const std::optional<QString>& systemImage)
{
    const QFontMetricsF metrics(designFont(badgeTextSize, QFont::DemiBold));
    const qreal symbol = systemImage ? SymbolIcons::sideForFontSize(badgeSymbolSize) : 0;
    const qreal textWidth = metrics.horizontalAdvance(text);
    const qreal width = symbol + (symbol > 0 ? 4 : 0) + textWidth;
    const qreal height = std::max(symbol, metrics.height());
    return QSizeF(width + 14, height + 6);
}

void LiquidGlassBadge::paint(QPainter& painter, const QRectF& rect, const QString& text, FenceTintPalette tint,
                             const std::optional<QString>& systemImage, ColorScheme scheme)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const bool dark = scheme == ColorScheme::dark;
    const QColor tintColor = swiftUIColor(tint);
    painter.fillPath(LiquidGlassShapeKind::capsule().path(rect), withOpacity(tintColor, dark ? 0.24 : 0.16));
    painter.setPen(QPen(withOpacity(tintColor, 0.35), 0.6));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(LiquidGlassShapeKind::capsule().path(insetRect(rect, 0.3)));

    const QColor foreground = dark ? withOpacity(Qt::white, 0.92) : withOpacity(GlassPalette::primary(scheme), 0.86);
    const QRectF content = rect.adjusted(7, 3, -7, -3);
    qreal x = content.left();
    if (systemImage) {
        const qreal side = SymbolIcons::sideForFontSize(badgeSymbolSize);
        SymbolIcons::paint(painter, QRectF(x, content.top(), side, content.height()), *systemImage, side, foreground);
        x += side + 4;
    }
    const QFont font = designFont(badgeTextSize, QFont::DemiBold);
    painter.setFont(font);
    painter.setPen(foreground);
    const QRectF textRect(x, rect.top(), std::max<qreal>(0, content.right() - x + 1), rect.height());
    painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft,
                     QFontMetricsF(font).elidedText(text, Qt::ElideRight, textRect.width()));
    painter.restore();
}

QSize LiquidGlassBadge::sizeHint() const
{
    return sizeFor(m_text, m_systemImage).toSize().grownBy(QMargins(0, 0, 1, 0));
}

void LiquidGlassBadge::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paint(painter, QRectF(rect()), m_text, m_tint, m_systemImage, environmentOrDefault(m_environment).colorScheme());
}

// ---- LiquidGlassIconBadge

LiquidGlassIconBadge::LiquidGlassIconBadge(DesignEnvironment* environment, const QString& systemName,
                                           FenceTintPalette tint, qreal size, QWidget* parent)
    : QWidget(parent)
    , m_environment(environment)
    , m_systemName(systemName)
    , m_tint(tint)
    , m_size(size)
{
    const int side = int(std::lround(size));
    setFixedSize(side, side);
    if (m_environment)
        connect(m_environment, &DesignEnvironment::changed, this, qOverload<>(&QWidget::update));
}

void LiquidGlassIconBadge::setSystemName(const QString& systemName)
{
    if (m_systemName == systemName)
        return;
    m_systemName = systemName;
    update();
}

void LiquidGlassIconBadge::setTint(FenceTintPalette tint)
{
    if (m_tint == tint)
        return;
    m_tint = tint;
    update();
}

void LiquidGlassIconBadge::paint(QPainter& painter, const QRectF& rect, const QString& systemName,
                                 FenceTintPalette tint, ColorScheme scheme)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal size = std::min(rect.width(), rect.height());
    const QRectF square(rect.center().x() - size / 2, rect.center().y() - size / 2, size, size);
    const LiquidGlassShapeKind shape = LiquidGlassShapeKind::roundedRect(0.28 * size);
    const QColor tintColor = swiftUIColor(tint);
    QLinearGradient fill(square.topLeft(), square.bottomRight());
    fill.setColorAt(0, withOpacity(tintColor, 0.38));
    fill.setColorAt(1, withOpacity(tintColor, 0.18));
    painter.fillPath(shape.path(square), fill);
    painter.setPen(QPen(withOpacity(Qt::white, 0.32), 0.75));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(insetPath(shape, square, 0.375));
    const qreal side = SymbolIcons::sideForFontSize(0.46 * size);
    SymbolIcons::paint(painter, square, systemName, side, GlassPalette::primaryForeground(scheme));
    painter.restore();
}

void LiquidGlassIconBadge::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paint(painter, QRectF(rect()), m_systemName, m_tint, environmentOrDefault(m_environment).colorScheme());
}

// ---- LiquidGlassWallpaperBackdrop

LiquidGlassWallpaperBackdrop::LiquidGlassWallpaperBackdrop(DesignEnvironment* environment, WallpaperPreset preset,
                                                           QWidget* parent)
    : QWidget(parent)
    , m_environment(environment)
    , m_preset(preset)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (m_environment)
        connect(m_environment, &DesignEnvironment::changed, this, qOverload<>(&QWidget::update));
}

void LiquidGlassWallpaperBackdrop::setPreset(WallpaperPreset preset)
{
    if (m_preset == preset)
        return;
    m_preset = preset;
    update();
}

void LiquidGlassWallpaperBackdrop::paint(QPainter& painter, const QRectF& rect, WallpaperPreset preset,
                                         ColorScheme scheme)
{
    const auto colors = backdropGradientColors(preset);
    painter.save();
    QLinearGradient base(rect.topLeft(), rect.bottomRight());
    for (int i = 0; i < 4; ++i)
        base.setColorAt(i / 3.0, colors[std::size_t(i)]);
    painter.fillRect(rect, base);

    const auto glow = [&](QPointF centre, const QColor& color, double opacity, qreal startRadius, qreal endRadius) {
        QRadialGradient gradient(centre, endRadius);
        const qreal start = startRadius / endRadius;
        gradient.setColorAt(0, withOpacity(color, opacity));
        gradient.setColorAt(start, withOpacity(color, opacity));
        QColor clear = color;
        clear.setAlphaF(0);
        gradient.setColorAt(1, clear);
        painter.fillRect(rect, gradient);
    };
    glow(rect.topRight(), colors[2], 0.65, 20, 560);
    glow(rect.bottomLeft(), colors[1], 0.55, 30, 620);
    if (scheme == ColorScheme::dark)
        painter.fillRect(rect, withOpacity(Qt::black, 0.18));
    painter.restore();
}

void LiquidGlassWallpaperBackdrop::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paint(painter, QRectF(rect()), m_preset, environmentOrDefault(m_environment).colorScheme());
}

// ---- GlassSymbolMark

GlassSymbolMark::GlassSymbolMark(const QString& symbolName, qreal fontSize, QWidget* parent)
    : QWidget(parent)
    , m_symbolName(symbolName)
    , m_fontSize(fontSize)
    , m_color(Qt::black)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void GlassSymbolMark::setSymbolName(const QString& symbolName)
{
    if (m_symbolName == symbolName)
        return;
    m_symbolName = symbolName;
    update();
}

void GlassSymbolMark::setColor(const QColor& color)
{
    if (m_color == color)
        return;
    m_color = color;
    update();
}

QSize GlassSymbolMark::sizeHint() const
{
    const int side = int(std::ceil(SymbolIcons::sideForFontSize(m_fontSize)));
    return QSize(side, side);
}

void GlassSymbolMark::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    SymbolIcons::paint(painter, QRectF(rect()), m_symbolName, SymbolIcons::sideForFontSize(m_fontSize), m_color);
}

// ---- GlassClipboardHelper

namespace GlassClipboardHelper {

void copyString(const QString& text)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return;
    clipboard->clear();
    clipboard->setText(text);
}

} // namespace GlassClipboardHelper

} // namespace mv
