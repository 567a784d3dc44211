#include "desktop/preview/QuickLookImageReader.h"

#include <QImageReader>

#include <algorithm>

namespace mv::quicklook {

namespace {

QSize fittedSize(QSize size, int maximumSide)
{
    if (size.width() <= maximumSide && size.height() <= maximumSide)
        return size;
    return size.scaled(maximumSide, maximumSide, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

// The formats whose decoders produce a reduced size directly: JPEG scales while decoding the
// compressed blocks, and vector images are drawn at the size asked for.
bool decodesReduced(const QByteArray& format)
{
    const QByteArray lower = format.toLower();
    return lower == "jpeg" || lower == "jpg" || lower == "svg" || lower == "svgz";
}

} // namespace

void readImage(QuickLookPreview& preview, QIODevice* device, const QuickLookPreviewLimits& limits)
{
    QImageReader reader(device);
    reader.setAutoTransform(true);
    // A backstop for what the header does not tell: no decode allocates more than the budget.
    constexpr qint64 megabyte = 1024 * 1024;
    const qint64 budget = std::max<qint64>(limits.fullDecodeBudgetBytes, 1);
    reader.setAllocationLimit(int(std::min<qint64>((budget + megabyte - 1) / megabyte, 1 << 20)));

    const QSize size = reader.size();
    if (size.isValid() && !size.isEmpty()) {
        const bool turned = reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
        preview.imagePixelSize = turned ? size.transposed() : size;
        const qint64 fullBytes = qint64(size.width()) * size.height() * 4;
        // Formats that decode at a reduced size never hold the full image; the others would
        // (PNG's handler, for one, takes a scaled size but decodes in full first), and are
        // refused when that is more than the budget.
        if (fullBytes > budget && !decodesReduced(reader.format())) {
            preview.note = QStringLiteral("图像过大，无法预览");
            return;
        }
        const QSize target = fittedSize(size, std::max(1, limits.maximumImageSide));
        if (target != size)
            reader.setScaledSize(target);
    }
    QImage image = reader.read();
    if (image.isNull()) {
        preview.note = QStringLiteral("无法读取此图像");
        return;
    }
    // A format that ignored the scaled size still shows no larger than the limit.
    const QSize shown = fittedSize(image.size(), std::max(1, limits.maximumImageSide));
    if (shown != image.size())
        image = image.scaled(shown, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    if (!preview.imagePixelSize)
        preview.imagePixelSize = image.size();
    preview.image = std::move(image);
    preview.kind = QuickLookPreview::Kind::image;
}

} // namespace mv::quicklook
