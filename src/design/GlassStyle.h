#pragma once

#include <QProxyStyle>

class QApplication;

namespace mv {

// The program's look for the parts Qt's own style draws: scroll bars become a thin translucent
// capsule with no arrows or groove, and menus a rounded translucent panel in the glass colours,
// with a rounded hover row, hairline separators and icons tinted like their text. One style on
// the application reaches every scroll area and every menu, the tray's included, without each
// view having to remember it. The colour scheme comes from the palette being drawn with, the
// same source the design environment reads.
class GlassStyle final : public QProxyStyle {
public:
    GlassStyle();

    static constexpr int scrollBarThickness = 6;
    static constexpr int menuCornerRadius = 10;

    void polish(QWidget* widget) override;
    void unpolish(QWidget* widget) override;
    using QProxyStyle::polish;
    using QProxyStyle::unpolish;

    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl subControl,
                         const QWidget* widget = nullptr) const override;
    SubControl hitTestComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                     const QPoint& position, const QWidget* widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget = nullptr) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
};

// What the program does to its QApplication at start-up: the glass style, and the design font
// as the application font, so menus, tooltips and dialogs draw Latin and Chinese in one face.
void installGlassLook(QApplication& application);

} // namespace mv
