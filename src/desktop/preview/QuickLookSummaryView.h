#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

namespace mv {

struct QuickLookPreview;

// The card of an item that shows no content: a large icon over the item's name, its facts
// (kind, size, date and so on) and, when there is one, why nothing more shows.
class QuickLookSummaryView final : public QWidget {
    Q_OBJECT

public:
    static constexpr qreal iconSide = 96;

    explicit QuickLookSummaryView(QWidget* parent = nullptr);

    void setPreview(const QuickLookPreview& preview);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_symbolName;
    QString m_name;
    QStringList m_lines;
    QString m_note;
};

} // namespace mv
