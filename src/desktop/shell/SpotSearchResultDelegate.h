#pragma once

#include "core/models/ModelEnums.h"
#include "design/DesignEnvironment.h"

#include <QPointer>
#include <QStyledItemDelegate>

#include <functional>

namespace mv {

// Where the parts of one hit row lie inside the row's rectangle: the rounded background, the
// symbol tile, the two lines of text, the preview button (file hits only) and the category badge.
struct SpotSearchRowGeometry {
    QRectF background; // the rounded row, without the gap below it
    QRectF icon;
    QRectF title;
    QRectF subtitle;
    QRectF previewButton; // empty when the row has none
    QRectF categoryBadge;

    static constexpr qreal rowGap = 5;
    static constexpr qreal horizontalPadding = 11;
    static constexpr qreal verticalPadding = 8;
    static constexpr qreal spacing = 11;
    static constexpr qreal minimumSpacer = 8;
    static constexpr qreal iconSize = 32;
    static constexpr qreal previewButtonSize = 24;
    static constexpr qreal cornerRadius = 13;
    static constexpr qreal titleFontSize = 13.5;
    static constexpr qreal subtitleFontSize = 11;
    static constexpr qreal previewSymbolFontSize = 11;

    static SpotSearchRowGeometry compute(const QRectF& rowRect, const QString& categoryLabel, bool previewable);
    // Every row has the same height, the gap below it included.
    static qreal rowHeight();
};

// Paints the hit rows and turns clicks on them into activations and previews. State comes in
// through the setters; it changes nothing itself.
class SpotSearchResultDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit SpotSearchResultDelegate(DesignEnvironment* environment, QObject* parent = nullptr);

    // The tint of the symbol tiles, badges and the highlight.
    void setTint(FenceTintPalette tint) { m_tint = tint; }
    FenceTintPalette tint() const { return m_tint; }
    // The highlighted row; any other value highlights none.
    void setSelectedRow(int row) { m_selectedRow = row; }
    int selectedRow() const { return m_selectedRow; }

    // A click on a row (outside its preview button), and a click on its preview button.
    std::function<void(int row)> onActivateRow;
    std::function<void(int row)> onPreviewRow;

    static inline const QString previewHelpText = QStringLiteral("Quick Look 预览");

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

protected:
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

private:
    QPointer<DesignEnvironment> m_environment;
    FenceTintPalette m_tint = FenceTintPalette::cerulean;
    int m_selectedRow = -1;
};

} // namespace mv
