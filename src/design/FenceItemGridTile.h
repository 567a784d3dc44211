#pragma once

#include "core/models/FenceModels.h"
#include "design/DesignEnvironment.h"

#include <QAbstractButton>
#include <QPointer>

#include <functional>
#include <optional>

namespace mv {

// Where the parts of a tile lie, for a tile of a given size. The grid form uses icon, pin,
// title and caption; the list form uses icon, title, pin, subtitle and badge.
struct FenceItemTileGeometry {
    QRectF icon;
    QRectF pin;      // empty when not pinned
    QRectF title;
    QRectF caption;  // grid: badge text or subtitle; empty without either
    QRectF subtitle; // list only
    QRectF badge;    // list only
};

// One entry of a fence: a curated item, or a file or folder of a portal. An icon grid cell or a
// compact list row, chosen by the density; pinned mark, caption or subtitle and badge, selected
// and hover looks. A click calls onActivate once.
class FenceItemGridTile final : public QAbstractButton {
    Q_OBJECT
public:
    explicit FenceItemGridTile(DesignEnvironment* environment, QWidget* parent = nullptr);

    // The inputs of the memberwise form.
    void setTitle(const QString& title);
    QString title() const { return m_title; }
    void setSubtitle(const std::optional<QString>& subtitle);
    void setSymbolName(const QString& symbolName);
    QString symbolName() const { return m_symbolName; }
    void setBadgeText(const std::optional<QString>& badgeText);
    void setTint(FenceTintPalette tint);
    void setDensity(FenceDisplayDensity density);
    FenceDisplayDensity density() const { return m_density; }
    void setIconScale(double iconScale);
    void setPinned(bool pinned);
    void setSelected(bool selected);
    bool isSelected() const { return m_isSelected; }
    void setDirectory(bool directory);
    bool isDirectory() const { return m_isDirectory; }

    // Title, subtitle, symbol, badge text and pin from the item; a folder item is a directory.
    void setItem(const FenceItem& item);

    std::function<void()> onActivate;

    bool isHovered() const { return m_isHovered; }

    // 42 × iconScale, clamped to 32 ... 58.
    static qreal iconSide(double iconScale);
    // 11.5 × iconScale, clamped to 10.5 ... 13.225.
    static qreal gridTitleFontSize(double iconScale);

    // The grid caption: the badge text when present, else the subtitle, else none.
    std::optional<QString> gridCaption() const;
    bool captionIsBadge() const;
    // The list layout's badge (only with a non-empty badge text) and subtitle.
    std::optional<QString> listBadge() const;
    std::optional<QString> listSubtitle() const;
    // The tint of the list layout's icon badge: cerulean for a directory.
    FenceTintPalette listIconTint() const;
    // The two colours of the grid icon's gradient.
    std::pair<QColor, QColor> gridIconGradient() const;
    // The tile's fill and border, by selection and hover.
    QColor fillColor() const;
    QColor borderColor() const;
    qreal borderWidth() const;

    FenceItemTileGeometry geometry(const QRectF& bounds) const;
    FenceItemTileGeometry currentGeometry() const { return geometry(QRectF(rect())); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return m_density == FenceDisplayDensity::grid; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    ColorScheme scheme() const;
    void changed();

    QPointer<DesignEnvironment> m_environment;
    QString m_title;
    std::optional<QString> m_subtitle;
    QString m_symbolName;
    std::optional<QString> m_badgeText;
    FenceTintPalette m_tint = FenceTintPalette::crystal;
    FenceDisplayDensity m_density = FenceDisplayDensity::grid;
    double m_iconScale = 1.0;
    bool m_isPinned = false;
    bool m_isSelected = false;
    bool m_isDirectory = false;
    bool m_isHovered = false;
};

} // namespace mv
