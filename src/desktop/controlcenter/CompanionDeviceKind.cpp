#include "desktop/controlcenter/CompanionDeviceKind.h"

#include <algorithm>

namespace mv {

CompanionDeviceMetrics companionDeviceMetrics(CompanionDeviceKind device)
{
    switch (device) {
    case CompanionDeviceKind::iPhone: return {QSizeF(393, 740), 44, QSizeF(94, 24), 1};
    case CompanionDeviceKind::iPad: return {QSizeF(740, 540), 28, std::nullopt, 2};
    }
    return {};
}

double companionDeviceScale(const QSizeF& screen, const QSizeF& available)
{
    if (screen.width() <= 0 || screen.height() <= 0)
        return 1;
    const double scale = std::min({1.0, (available.width() - 20) / screen.width(),
                                   (available.height() - 20) / screen.height()});
    // A window squeezed below the spare room still draws something rather than a mirror image.
    return std::max(scale, 0.05);
}

} // namespace mv
