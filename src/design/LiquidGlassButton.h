#pragma once

#include "design/DesignEnvironment.h"
#include "design/LiquidGlassTokens.h"

#include <QAbstractButton>
#include <QFont>
#include <QPointer>

namespace mv {

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

} // namespace mv
