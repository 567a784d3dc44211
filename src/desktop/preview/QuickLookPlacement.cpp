#include "desktop/preview/QuickLookPlacement.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>

namespace mv::quicklook {

std::optional<QPoint> openingOrigin(QSize panelSize)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen && !QGuiApplication::screens().isEmpty())
        screen = QGuiApplication::screens().constFirst();
    if (!screen)
        return std::nullopt;
    const QRect visible = screen->availableGeometry();
    return visible.center() - QPoint(panelSize.width() / 2, panelSize.height() / 2);
}

} // namespace mv::quicklook
