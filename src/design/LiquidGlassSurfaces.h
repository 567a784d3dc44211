#pragma once

#include "core/models/ModelEnums.h"
#include "design/DesignEnvironment.h"
#include "design/LiquidGlassTokens.h"

#include <QAbstractButton>
#include <QPainterPath>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>

class QHBoxLayout;

namespace mv {

// The outline of a glass surface. Two rounded rectangles are equal when their radii are.
struct LiquidGlassShapeKind {
    enum class Kind { roundedRect, capsule };
    Kind kind = Kind::roundedRect;
    double cornerRadius = 0; // roundedRect only

    static LiquidGlassShapeKind roundedRect(double cornerRadius) { return {Kind::roundedRect, cornerRadius}; }
    static LiquidGlassShapeKind capsule() { return {Kind::capsule, 0}; }

    bool operator==(const LiquidGlassShapeKind& other) const
    {
        if (kind != other.kind)
            return false;
        return kind == Kind::capsule || cornerRadius == other.cornerRadius;
    }

    // The outline in `rect`: a capsule's radius is half the shorter side. Continuous corners
    // are drawn as circular arcs.
    QPainterPath path(const QRectF& rect) const;
};

// The glass that a view wears: a tinted wash with a hairline inside the edge, or, under reduce
// transparency, an opaque fill with a faint tint and a plain hairline. Never a shadow.
struct LiquidGlassSurfaceModifier {
    FenceTintPalette tint = FenceTintPalette::crystal;
    LiquidGlassShapeKind shape;
    double glassOpacity = 0.72; // the neutral value of the strength scaling
    bool interactive = false;
    bool isHighlighted = false;

    // k = glassOpacity / 0.72, clamped to 0.35 ... 1.35.
    double strength() const;
    // White at k × 0.14 for crystal, else the tint colour at k × 0.22.
    QColor glassTintColor() const;
    // 0.86 + 0.12 × glassOpacity, clamped to 0.86 ... 0.98.
    double fallbackOpacity() const;
    QColor fallbackFillColor(ColorScheme scheme) const;
    QColor hairlineColor(const DesignEnvironment& environment) const;
    double hairlineWidth(const DesignEnvironment& environment) const;

    // What lies behind the content, and the hairline over it. `hovered` lets interactive glass
    // brighten under the pointer.
    void paintBackground(QPainter& painter, const QRectF& rect, const DesignEnvironment& environment,
                         bool hovered = false) const;
    void paintHairline(QPainter& painter, const QRectF& rect, const DesignEnvironment& environment) const;

    bool operator==(const LiquidGlassSurfaceModifier&) const = default;
};

// The two shorthands of the glass look.
LiquidGlassSurfaceModifier liquidGlassSurface(FenceTintPalette tint, double cornerRadius, double glassOpacity,
                                              bool interactive, bool isCapsule, bool isHighlighted);
LiquidGlassSurfaceModifier liquidGlassCapsule(FenceTintPalette tint, double glassOpacity, bool interactive,
                                              bool isHighlighted);

// A container that wears a glass surface behind its children, with the hairline above them.
// Under reduce transparency the children are clipped to the shape.
class LiquidGlassSurfaceFrame : public QWidget {
    Q_OBJECT
public:
    explicit LiquidGlassSurfaceFrame(DesignEnvironment* environment, QWidget* parent = nullptr);

    void setModifier(const LiquidGlassSurfaceModifier& modifier);
    const LiquidGlassSurfaceModifier& modifier() const { return m_modifier; }
    DesignEnvironment* environment() const { return m_environment; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void childEvent(QChildEvent* event) override;

private:
    void updateClip();

    QPointer<DesignEnvironment> m_environment;
    LiquidGlassSurfaceModifier m_modifier;
    QWidget* m_hairline = nullptr;
    bool m_hovered = false;
};

// Paints the platform's plain glass button look (a regular glass capsule or circle with a
// hairline) into `rect`; opaque under reduce transparency.
void paintGlassButtonBackground(QPainter& painter, const QRectF& rect, const DesignEnvironment& environment,
                                bool hovered, bool pressed);

// A button in the plain glass button style: a symbol, optionally followed by a text, in a
// fixed frame or padded around its label.
class LiquidGlassButton final : public QAbstractButton {
    Q_OBJECT
public:
    explicit LiquidGlassButton(DesignEnvironment* environment, QWidget* parent = nullptr);

    void setSymbolName(const QString& symbolName);
    QString symbolName() const { return m_symbolName; }
    void setSymbolFont(qreal size, QFont::Weight weight);
    // An optional text after the symbol.
    void setLabelText(const QString& text);
    QString labelText() const { return m_labelText; }
    void setLabelFont(qreal size, QFont::Weight weight);
    void setSpacing(qreal spacing);
    // A fixed frame (such as 24 × 24, circular) or, when empty, the label plus this padding.
    void setFixedFrame(QSize size);
    void setPadding(qreal horizontal, qreal vertical);
    // While `progress` is below 1 the symbol is changing from `previousSymbol`: it flips over
    // for a spring and crossfades when motion is reduced.
    void setSymbolTransition(const QString& previousSymbol, qreal progress, GlassAnimationKind kind);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QPointer<DesignEnvironment> m_environment;
    QString m_symbolName;
    qreal m_symbolSize = 11;
    QFont::Weight m_symbolWeight = QFont::Bold;
    QString m_labelText;
    QFont m_labelFont;
    qreal m_spacing = 4;
    QSize m_fixedFrame;
    qreal m_paddingH = 8;
    qreal m_paddingV = 4;
    bool m_hovered = false;
    QString m_previousSymbol;
    qreal m_transitionProgress = 1.0;
    GlassAnimationKind m_transitionKind = GlassAnimationKind::uiDefault;
};

// The capsule button of the glass look.
class LiquidGlassPillButton final : public QAbstractButton {
    Q_OBJECT
public:
    LiquidGlassPillButton(DesignEnvironment* environment, const QString& title,
                          const std::optional<QString>& systemImage, FenceTintPalette tint, QWidget* parent = nullptr);

    // Called on a click; a disabled button (setDisabled) calls nothing.
    std::function<void()> action;

    void setTitle(const QString& title);
    QString title() const { return m_title; }
    void setSystemImage(const std::optional<QString>& systemImage);
    std::optional<QString> systemImage() const { return m_systemImage; }
    void setTint(FenceTintPalette tint);
    FenceTintPalette tint() const { return m_tint; }
    void setProminent(bool prominent);
    bool isProminent() const { return m_prominent; }
    void setCompact(bool compact);
    bool isCompact() const { return m_compact; }
    void setDisabled(bool disabled) { setEnabled(!disabled); }
    bool isDisabled() const { return !isEnabled(); }

    // The title; else the symbol name; else "按钮".
    static QString accessibilityLabel(const QString& title, const std::optional<QString>& systemImage);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void refresh();
    qreal fontSize() const { return m_compact ? 11.5 : 13.0; }

    QPointer<DesignEnvironment> m_environment;
    QString m_title;
    std::optional<QString> m_systemImage;
    FenceTintPalette m_tint;
    bool m_prominent = false;
    bool m_compact = false;
    bool m_hovered = false;
};

// Lays its content out in one horizontal row with the given spacing; no padding or background.
class LiquidGlassToolbarGroup final : public QWidget {
    Q_OBJECT
public:
    explicit LiquidGlassToolbarGroup(qreal spacing, QWidget* parent = nullptr);
    void addWidget(QWidget* widget);
    QHBoxLayout* rowLayout() const { return m_layout; }

private:
    QHBoxLayout* m_layout;
};

// A small capsule label: an optional symbol, then the text.
class LiquidGlassBadge final : public QWidget {
    Q_OBJECT
public:
    LiquidGlassBadge(DesignEnvironment* environment, const QString& text, FenceTintPalette tint,
                     const std::optional<QString>& systemImage = std::nullopt, QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const { return m_text; }
    void setTint(FenceTintPalette tint);
    FenceTintPalette tint() const { return m_tint; }
    void setSystemImage(const std::optional<QString>& systemImage);
    std::optional<QString> systemImage() const { return m_systemImage; }

    static QSizeF sizeFor(const QString& text, const std::optional<QString>& systemImage);
    static void paint(QPainter& painter, const QRectF& rect, const QString& text, FenceTintPalette tint,
                      const std::optional<QString>& systemImage, ColorScheme scheme);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<DesignEnvironment> m_environment;
    QString m_text;
    FenceTintPalette m_tint;
    std::optional<QString> m_systemImage;
};

// A square symbol tile of side `size`.
class LiquidGlassIconBadge final : public QWidget {
    Q_OBJECT
public:
    LiquidGlassIconBadge(DesignEnvironment* environment, const QString& systemName, FenceTintPalette tint,
                         qreal size, QWidget* parent = nullptr);

    void setSystemName(const QString& systemName);
    QString systemName() const { return m_systemName; }
    void setTint(FenceTintPalette tint);
    FenceTintPalette tint() const { return m_tint; }
    qreal badgeSize() const { return m_size; }

    // The symbol takes the primary foreground of the scheme; the tile itself does not depend on it.
    static void paint(QPainter& painter, const QRectF& rect, const QString& systemName, FenceTintPalette tint,
                      ColorScheme scheme);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<DesignEnvironment> m_environment;
    QString m_systemName;
    FenceTintPalette m_tint;
    qreal m_size;
};

// The full-bleed wallpaper of a preset.
class LiquidGlassWallpaperBackdrop final : public QWidget {
    Q_OBJECT
public:
    LiquidGlassWallpaperBackdrop(DesignEnvironment* environment, WallpaperPreset preset, QWidget* parent = nullptr);

    void setPreset(WallpaperPreset preset);
    WallpaperPreset preset() const { return m_preset; }

    // The layers bottom to top; dark mode adds one, the 0.18 black veil.
    static int layerCount(ColorScheme scheme) { return scheme == ColorScheme::dark ? 4 : 3; }
    static void paint(QPainter& painter, const QRectF& rect, WallpaperPreset preset, ColorScheme scheme);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<DesignEnvironment> m_environment;
    WallpaperPreset m_preset;
};

// A symbol shown as a mark (the pin and lock of a header), with an accessible name.
class GlassSymbolMark final : public QWidget {
    Q_OBJECT
public:
    GlassSymbolMark(const QString& symbolName, qreal fontSize, QWidget* parent = nullptr);

    void setSymbolName(const QString& symbolName);
    QString symbolName() const { return m_symbolName; }
    void setColor(const QColor& color);
    QColor color() const { return m_color; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_symbolName;
    qreal m_fontSize;
    QColor m_color;
};

namespace GlassClipboardHelper {
// Clears the clipboard, then puts `text` on it as plain text. Nothing is reported.
void copyString(const QString& text);
} // namespace GlassClipboardHelper

} // namespace mv
