#include "desktop/preview/QuickLookPreview.h"

#include "desktop/preview/QuickLookFormatting.h"

namespace mv {

QStringList QuickLookPreview::summaryLines() const
{
    QStringList lines;
    lines.append(QStringLiteral("种类：") + kindText);
    if (fileSize)
        lines.append(QStringLiteral("大小：") + quicklook::formattedSize(*fileSize));
    if (imagePixelSize)
        lines.append(QStringLiteral("尺寸：%1 × %2 像素").arg(imagePixelSize->width()).arg(imagePixelSize->height()));
    if (itemCount) {
        lines.append(itemCountReachedLimit ? QStringLiteral("包含：超过 %1 个项目").arg(*itemCount)
                                           : QStringLiteral("包含：%1 个项目").arg(*itemCount));
    }
    if (modifiedAt)
        lines.append(QStringLiteral("修改日期：") + quicklook::formattedDate(*modifiedAt));
    return lines;
}

} // namespace mv
