#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QFont>

namespace mv {

// A button in the plain style: an optional symbol and an optional text side by side, padded,
// on an optional capsule fill; no glass and no border. The crumbs of the breadcrumb bar and the
// filter's clear button.
class PortalPlainButton final : public QAbstractButton {
    Q_OBJECT
public:
    explicit PortalPlainButton(QWidget* parent = nullptr);

    // An empty name shows no symbol.
    void setSymbol(const QString& symbolName, qreal fontSize, const QColor& color);
    QString symbolName() const { return m_symbolName; }
    QColor symbolColor() const { return m_symbolColor; }
    // An empty text shows none.
    void setLabel(const QString& text, const QFont& font, const QColor& color);
    QString labelText() const { return m_labelText; }
    QFont labelFont() const { return m_labelFont; }
    void setSpacing(qreal spacing);
    void setPadding(qreal horizontal, qreal vertical);
    // The capsule behind the content; a transparent colour draws none.
    void setFill(const QColor& fill);
    QColor fill() const { return m_fill; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void changed();
    qreal symbolSide() const;

    QString m_symbolName;
    qreal m_symbolFontSize = 11;
    QColor m_symbolColor = Qt::black;
    QString m_labelText;
    QFont m_labelFont;
    QColor m_labelColor = Qt::black;
    qreal m_spacing = 3;
    qreal m_paddingH = 0;
    qreal m_paddingV = 0;
    QColor m_fill = Qt::transparent;
};

} // namespace mv
