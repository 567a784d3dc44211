#pragma once

#include "core/models/ModelEnums.h"
#include "design/DesignEnvironment.h"

#include <QPointer>
#include <QWidget>

#include <optional>

namespace mv {

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

} // namespace mv
