#pragma once

#include "core/models/ModelEnums.h"
#include "design/DesignEnvironment.h"

#include <QAbstractButton>
#include <QColor>
#include <QPointer>
#include <QSlider>

#include <array>

class QFont;

namespace mv {

class GlassTextLabel;

// A label of the lab's cards, in the primary or the secondary foreground colour of the scheme;
// recolourLabLabels paints every one below a widget for a new scheme.
enum class LabLabelStyle { primary, secondary };
GlassTextLabel* makeLabLabel(const QString& text, const QFont& font, LabLabelStyle style, QWidget* parent);
void recolourLabLabels(QWidget* root, ColorScheme scheme);

// Shows a stored value, touching the control only when it differs.
void showText(GlassTextLabel* label, const QString& text);
void showChecked(QAbstractButton* control, bool on);

// A horizontal slider over a range of real numbers, continuous or in steps, painted in the
// glass look. Values set from outside never emit anything: only the user's changes are told,
// through valueEdited, once per change during a drag.
class LabSlider final : public QSlider {
    Q_OBJECT
public:
    // `step` 0: continuous, in fine steps the user cannot tell apart.
    LabSlider(DesignEnvironment* environment, double minimum, double maximum, double step, QWidget* parent = nullptr);

    double minimumValue() const { return m_minimum; }
    double maximumValue() const { return m_maximum; }
    // The value the handle stands for.
    double currentValue() const;
    // Shows `value` (the handle clamped to the range) without telling anyone; ignored while
    // the user holds the handle, whose value is the one being written.
    void showValue(double value);
    void setTint(FenceTintPalette tint);

    QSize sizeHint() const override;

Q_SIGNALS:
    void valueEdited(double value);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int positionOf(double value) const;

    QPointer<DesignEnvironment> m_environment;
    double m_minimum;
    double m_maximum;
    FenceTintPalette m_tint = FenceTintPalette::cerulean;
};

// A swatch to choose with: a circle of one colour, or a rounded rectangle of a gradient,
// ringed in white while it is the current choice. A click emits clicked(), also on the
// current one.
class LabSwatchButton final : public QAbstractButton {
    Q_OBJECT
public:
    // A tint's circle, 24 × 24.
    static LabSwatchButton* tintSwatch(DesignEnvironment* environment, FenceTintPalette tint, QWidget* parent);
    // A wallpaper's gradient, 56 × 34, corner radius 10.
    static LabSwatchButton* wallpaperSwatch(DesignEnvironment* environment, WallpaperPreset preset, QWidget* parent);

    void setCurrent(bool current);
    bool isCurrent() const { return m_current; }
    // The ring's width: 2.2 on a circle, 2 on a rectangle.
    qreal ringWidth() const { return m_circle ? 2.2 : 2.0; }

    QSize sizeHint() const override { return m_size; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    LabSwatchButton(DesignEnvironment* environment, bool circle, QSize size, QWidget* parent);

    QPointer<DesignEnvironment> m_environment;
    bool m_circle;
    QSize m_size;
    std::array<QColor, 4> m_colors{};
    bool m_current = false;
};

// A segmented picker: one segment per title, the current one raised. A click on another
// segment emits activated(index).
class LabSegmentedPicker final : public QWidget {
    Q_OBJECT
public:
    LabSegmentedPicker(DesignEnvironment* environment, QStringList titles, QWidget* parent = nullptr);

    int currentIndex() const { return m_current; }
    // Shows `index` as current without telling anyone.
    void showIndex(int index);
    QStringList titles() const { return m_titles; }
    QRect segmentRect(int index) const;

    QSize sizeHint() const override;

Q_SIGNALS:
    void activated(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QPointer<DesignEnvironment> m_environment;
    QStringList m_titles;
    int m_current = 0;
};

} // namespace mv
