#pragma once

#include <QFont>
#include <QString>
#include <QWidget>

namespace mv {

// One line of path text, cut in the middle where it does not fit, so that both the start and
// the file name stay readable.
class QuickLookPathLabel final : public QWidget {
    Q_OBJECT

public:
    explicit QuickLookPathLabel(QWidget* parent = nullptr);

    void setText(const QString& text);
    const QString& text() const { return m_text; }

    // QWidget
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont m_font;
    QString m_text;
};

} // namespace mv
