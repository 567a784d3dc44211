#pragma once

#include "core/models/ModelEnums.h"
#include "design/DesignEnvironment.h"

#include <QPointer>
#include <QWidget>

namespace mv {

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

} // namespace mv
