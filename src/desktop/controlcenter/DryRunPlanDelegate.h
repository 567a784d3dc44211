#pragma once

#include "design/DesignEnvironment.h"

#include <QPointer>
#include <QStyledItemDelegate>

namespace mv {

// Paints one proposed move of the dry-run list: the file's name with its rule's badge (and the
// conflict badge when the name will change), its size, and below, source → destination, each
// path cut at its head so that the file names stay in view. Every row is the same height.
class DryRunPlanDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr qreal padding = 10;
    static constexpr qreal lineSpacing = 5;
    static constexpr qreal rowGap = 8;
    static inline const QString conflictBadgeText = QStringLiteral("冲突自动重命名");

    explicit DryRunPlanDelegate(DesignEnvironment* environment, QObject* parent = nullptr);

    // The height of a row without the gap below it.
    static int rowHeight();

    // QAbstractItemDelegate
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    QPointer<DesignEnvironment> m_environment;
};

} // namespace mv
