#pragma once

#include <QColor>
#include <QWidget>

namespace mv {

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

} // namespace mv
