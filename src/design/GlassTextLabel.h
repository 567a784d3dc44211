#pragma once

#include <QColor>
#include <QFont>
#include <QWidget>

namespace mv {

// User text on glass: always plain text, elided at the end, on one line or wrapped to at most
// `maximumLines`, optionally struck through. Transparent for the pointer, so clicks reach the
// view beneath.
class GlassTextLabel final : public QWidget {
    Q_OBJECT
public:
    explicit GlassTextLabel(QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const { return m_text; }
    void setFont(const QFont& font);
    QFont textFont() const { return m_font; }
    void setColor(const QColor& color);
    QColor color() const { return m_color; }
    void setMaximumLines(int lines);
    void setAlignment(Qt::Alignment alignment);
    void setStrikeOut(bool strikeOut);
    // Where a line too long for the label is cut; at the end unless set.
    void setElideMode(Qt::TextElideMode mode);

    // The text as it is drawn in `width`: elided, wrapped to the line limit.
    QString displayedText(int width) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return m_maximumLines > 1; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
    QFont m_font;
    QColor m_color = Qt::black;
    int m_maximumLines = 1;
    Qt::Alignment m_alignment = Qt::AlignLeft | Qt::AlignVCenter;
    Qt::TextElideMode m_elideMode = Qt::ElideRight;
};

// A label of `text` in `font`, in `parent`.
GlassTextLabel* makeGlassTextLabel(const QString& text, const QFont& font, QWidget* parent);

// Lays `text` out in `width` with at most `maximumLines` lines, the last one elided. Returns
// the lines.
QStringList layoutTextLines(const QString& text, const QFont& font, qreal width, int maximumLines,
                            Qt::TextElideMode elideMode = Qt::ElideRight);

} // namespace mv
