#include "design/GlassStyle.h"

#include "design/DesignEnvironment.h"
#include "design/DesignFonts.h"
#include "design/LiquidGlassShapeKind.h"
#include "design/LiquidGlassTokens.h"

#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOption>

#include <algorithm>

namespace mv {

namespace {

constexpr int menuItemHorizontalPadding = 10;
constexpr int menuCheckColumn = 22;
constexpr int menuShortcutGap = 24;
constexpr int menuArrowColumn = 14;
constexpr int menuItemMinimumHeight = 26;
constexpr int menuSeparatorHeight = 9;
constexpr int scrollBarMinimumThumb = 24;

ColorScheme schemeOf(const QStyleOption& option)
{
    return DesignEnvironment::colorSchemeFromPalette(option.palette);
}

QColor menuPanelColor(ColorScheme scheme)
{
    // Opaque enough to read over any window: menus open over ordinary windows too.
    return scheme == ColorScheme::dark ? QColor(40, 40, 46, 232) : QColor(250, 250, 252, 228);
}

QColor hairline(ColorScheme scheme)
{
    return withOpacity(GlassPalette::primary(scheme), 0.12);
}

QRectF menuPanelRect(const QRect& rect)
{
    return QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5);
}

// The thumb of a scroll bar: its length shows how much of the content is in view.
QRect scrollBarSliderRect(const QStyleOptionSlider& bar)
{
    const bool vertical = bar.orientation == Qt::Vertical;
    const int length = vertical ? bar.rect.height() : bar.rect.width();
    const qint64 range = qint64(bar.maximum) - bar.minimum;
    if (range <= 0 || length <= 0)
        return QRect();
    const qint64 page = std::max(1, bar.pageStep);
    const int thumb = std::clamp(int(length * page / (range + page)), std::min(scrollBarMinimumThumb, length), length);
    const int start = QStyle::sliderPositionFromValue(bar.minimum, bar.maximum, bar.sliderPosition, length - thumb,
                                                      bar.upsideDown);
    return vertical ? QRect(bar.rect.left(), bar.rect.top() + start, bar.rect.width(), thumb)
                    : QRect(bar.rect.left() + start, bar.rect.top(), thumb, bar.rect.height());
}

QRect scrollBarPart(const QStyleOptionSlider& bar, QStyle::SubControl part)
{
    const QRect slider = scrollBarSliderRect(bar);
    const bool vertical = bar.orientation == Qt::Vertical;
    switch (part) {
    case QStyle::SC_ScrollBarSlider:
        return slider;
    case QStyle::SC_ScrollBarGroove:
        return bar.rect;
    case QStyle::SC_ScrollBarSubPage:
        if (slider.isNull())
            return QRect();
        return vertical ? QRect(bar.rect.topLeft(), QPoint(bar.rect.right(), slider.top() - 1))
                        : QRect(bar.rect.topLeft(), QPoint(slider.left() - 1, bar.rect.bottom()));
    case QStyle::SC_ScrollBarAddPage:
        if (slider.isNull())
            return QRect();
        return vertical ? QRect(QPoint(bar.rect.left(), slider.bottom() + 1), bar.rect.bottomRight())
                        : QRect(QPoint(slider.right() + 1, bar.rect.top()), bar.rect.bottomRight());
    default:
        // No arrows: the bar is all thumb and page.
        return QRect();
    }
}

void drawMenuItem(const QStyleOptionMenuItem& item, QPainter* painter)
{
    const ColorScheme scheme = schemeOf(item);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (item.menuItemType == QStyleOptionMenuItem::Separator) {
        const qreal y = item.rect.center().y() + 0.5;
        painter->setPen(QPen(hairline(scheme), 1));
        painter->drawLine(QPointF(item.rect.left() + menuItemHorizontalPadding, y),
                          QPointF(item.rect.right() - menuItemHorizontalPadding, y));
        painter->restore();
        return;
    }
    const bool enabled = item.state & QStyle::State_Enabled;
    const bool selected = enabled && (item.state & QStyle::State_Selected);
    if (selected) {
        const QRectF row = QRectF(item.rect).adjusted(4, 1, -4, -1);
        painter->fillPath(LiquidGlassShapeKind::roundedRect(6).path(row), GlassPalette::systemBlue(scheme));
    }
    QColor ink = selected ? QColor(Qt::white) : GlassPalette::primaryForeground(scheme);
    if (!enabled)
        ink = withOpacity(GlassPalette::secondaryForeground(scheme), 0.6);
    const QColor quietInk = selected ? withOpacity(Qt::white, 0.85) : GlassPalette::secondaryForeground(scheme);

    int left = item.rect.left() + menuItemHorizontalPadding;
    const bool hasCheckColumn = item.menuHasCheckableItems || item.maxIconWidth > 0;
    const QRect checkRect(left, item.rect.top(), menuCheckColumn - 4, item.rect.height());
    if (item.checkType != QStyleOptionMenuItem::NotCheckable && item.checked) {
        // A check mark drawn as a path, in the row's ink.
        const QPointF c = QRectF(checkRect).center();
        QPainterPath mark;
        mark.moveTo(c + QPointF(-4.5, 0.5));
        mark.lineTo(c + QPointF(-1.5, 3.5));
        mark.lineTo(c + QPointF(4.5, -3.5));
        painter->setPen(QPen(ink, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter->setBrush(Qt::NoBrush);
        painter->drawPath(mark);
    } else if (!item.icon.isNull()) {
        const int side = std::min(16, checkRect.height() - 4);
        QImage image = item.icon.pixmap(QSize(side, side), painter->device()->devicePixelRatioF()).toImage()
                           .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        {
            // Tinted like the text, so a symbol reads on the panel and on the hover row alike.
            QPainter tint(&image);
            tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
            tint.fillRect(image.rect(), ink);
        }
        const QRectF target(QRectF(checkRect).center() - QPointF(side / 2.0, side / 2.0), QSizeF(side, side));
        painter->drawImage(target, image);
    }
    if (hasCheckColumn)
        left += menuCheckColumn;

    int right = item.rect.right() - menuItemHorizontalPadding;
    if (item.menuItemType == QStyleOptionMenuItem::SubMenu) {
        const QPointF c(right - 4, item.rect.center().y() + 0.5);
        QPainterPath chevron;
        chevron.moveTo(c + QPointF(-2, -4));
        chevron.lineTo(c + QPointF(2, 0));
        chevron.lineTo(c + QPointF(-2, 4));
        painter->setPen(QPen(quietInk, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter->setBrush(Qt::NoBrush);
        painter->drawPath(chevron);
        right -= menuArrowColumn;
    }

    painter->setFont(item.font);
    const QString text = item.text;
    const qsizetype tab = text.indexOf(u'\t');
    const QRect textRect(QPoint(left, item.rect.top()), QPoint(right, item.rect.bottom()));
    const int flags = Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextHideMnemonic;
    if (tab >= 0) {
        painter->setPen(quietInk);
        painter->drawText(textRect, flags | Qt::AlignRight, text.mid(tab + 1));
    }
    painter->setPen(ink);
    painter->drawText(textRect, flags | Qt::AlignLeft, tab >= 0 ? text.left(tab) : text);
    painter->restore();
}

} // namespace

GlassStyle::GlassStyle()
    : QProxyStyle()
{
}

void GlassStyle::polish(QWidget* widget)
{
    QProxyStyle::polish(widget);
    // A menu is a window of its own: translucent, so its rounded corners show what lies behind.
    if (qobject_cast<QMenu*>(widget)) {
        widget->setAttribute(Qt::WA_TranslucentBackground);
    }
}

void GlassStyle::unpolish(QWidget* widget)
{
    if (qobject_cast<QMenu*>(widget))
        widget->setAttribute(Qt::WA_TranslucentBackground, false);
    QProxyStyle::unpolish(widget);
}

int GlassStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const
{
    switch (metric) {
    case PM_ScrollBarExtent:
        return scrollBarThickness;
    case PM_ScrollBarSliderMin:
        return scrollBarMinimumThumb;
    case PM_MenuPanelWidth:
        return 1;
    case PM_MenuHMargin:
        return 0;
    case PM_MenuVMargin:
        return 5;
    case PM_SubMenuOverlap:
        return -4;
    default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

int GlassStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                          QStyleHintReturn* returnData) const
{
    switch (hint) {
    case SH_ScrollBar_ContextMenu:
        // A thumb this thin has no room for the stock "scroll here" menu.
        return false;
    case SH_ScrollView_FrameOnlyAroundContents:
        return true;
    case SH_Menu_AllowActiveAndDisabled:
        return false;
    default:
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
}

QRect GlassStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl subControl,
                                 const QWidget* widget) const
{
    if (control == CC_ScrollBar)
        if (const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option))
            return scrollBarPart(*bar, subControl);
    return QProxyStyle::subControlRect(control, option, subControl, widget);
}

QStyle::SubControl GlassStyle::hitTestComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                                     const QPoint& position, const QWidget* widget) const
{
    if (control == CC_ScrollBar)
        if (const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option)) {
            for (const SubControl part : {SC_ScrollBarSlider, SC_ScrollBarSubPage, SC_ScrollBarAddPage})
                if (scrollBarPart(*bar, part).contains(position))
                    return part;
            return SC_None;
        }
    return QProxyStyle::hitTestComplexControl(control, option, position, widget);
}

QSize GlassStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                   const QWidget* widget) const
{
    if (type == CT_MenuItem)
        if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
            if (item->menuItemType == QStyleOptionMenuItem::Separator)
                return QSize(2 * menuItemHorizontalPadding, menuSeparatorHeight);
            int width = size.width() + 2 * menuItemHorizontalPadding;
            if (item->menuHasCheckableItems || item->maxIconWidth > 0)
                width += menuCheckColumn;
            if (item->text.contains(u'\t') || item->reservedShortcutWidth > 0)
                width += menuShortcutGap;
            if (item->menuItemType == QStyleOptionMenuItem::SubMenu)
                width += menuArrowColumn;
            const int height = std::max(size.height() + 8, menuItemMinimumHeight);
            return QSize(width, height);
        }
    return QProxyStyle::sizeFromContents(type, option, size, widget);
}

void GlassStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                                    const QWidget* widget) const
{
    if (control == CC_ScrollBar) {
        const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
        if (!bar)
            return;
        const QRect slider = scrollBarSliderRect(*bar);
        if (slider.isNull())
            return;
        // Inset along the length too, so the thumb's ends stay clear of a rounded corner.
        const bool vertical = bar->orientation == Qt::Vertical;
        const QRectF thumb = QRectF(slider).adjusted(vertical ? 1 : 2, vertical ? 2 : 1, vertical ? -1 : -2,
                                                     vertical ? -2 : -1);
        const bool active = (bar->state & State_Sunken) || (bar->activeSubControls & SC_ScrollBarSlider);
        const ColorScheme scheme = schemeOf(*bar);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->fillPath(LiquidGlassShapeKind::capsule().path(thumb),
                          withOpacity(GlassPalette::primary(scheme), active ? 0.48 : 0.3));
        painter->restore();
        return;
    }
    QProxyStyle::drawComplexControl(control, option, painter, widget);
}

void GlassStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                               const QWidget* widget) const
{
    switch (element) {
    case PE_PanelMenu: {
        const ColorScheme scheme = schemeOf(*option);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setCompositionMode(QPainter::CompositionMode_Source);
        painter->fillRect(option->rect, Qt::transparent);
        painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter->fillPath(LiquidGlassShapeKind::roundedRect(menuCornerRadius).path(menuPanelRect(option->rect)),
                          menuPanelColor(scheme));
        painter->restore();
        return;
    }
    case PE_FrameMenu: {
        const ColorScheme scheme = schemeOf(*option);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(QPen(withOpacity(GlassPalette::primary(scheme), scheme == ColorScheme::dark ? 0.3 : 0.14), 1));
        painter->setBrush(Qt::NoBrush);
        painter->drawPath(LiquidGlassShapeKind::roundedRect(menuCornerRadius).path(menuPanelRect(option->rect)));
        painter->restore();
        return;
    }
    default:
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }
}

void GlassStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                             const QWidget* widget) const
{
    switch (element) {
    case CE_MenuItem:
        if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option))
            drawMenuItem(*item, painter);
        return;
    case CE_MenuEmptyArea:
        // The panel already fills it; the corners stay clear.
        return;
    case CE_ScrollBarSlider:
    case CE_ScrollBarAddPage:
    case CE_ScrollBarSubPage:
    case CE_ScrollBarAddLine:
    case CE_ScrollBarSubLine:
    case CE_ScrollBarFirst:
    case CE_ScrollBarLast:
        return;
    default:
        QProxyStyle::drawControl(element, option, painter, widget);
    }
}

void installGlassLook(QApplication& application)
{
    Q_UNUSED(application);
    QApplication::setStyle(new GlassStyle);
    QApplication::setFont(designFont(13));
}

} // namespace mv
