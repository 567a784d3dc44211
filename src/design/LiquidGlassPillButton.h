#pragma once

#include "core/models/ModelEnums.h"
#include "design/DesignEnvironment.h"

#include <QAbstractButton>
#include <QPointer>

#include <functional>
#include <optional>

namespace mv {

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

} // namespace mv
