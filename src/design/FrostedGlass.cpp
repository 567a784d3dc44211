#include "design/FrostedGlass.h"

#include <QPainter>

#include <algorithm>
#include <vector>

namespace mv {

namespace {

// Rounds of the box blur: three come close to a Gaussian.
constexpr int blurPasses = 3;
// The radius the blur is run at, at most, on a copy made smaller to match: wider boxes only
// smooth what the smaller copy has already averaged away.
constexpr int workingRadius = 6;

// One box blur of `radius` along rows (or columns) of a 32-bit image, the edges repeated.
void boxBlur(QImage& image, int radius, bool alongRows)
{
    const int width = image.width();
    const int height = image.height();
    const int length = alongRows ? width : height;
    const int lines = alongRows ? height : width;
    const int window = 2 * radius + 1;
    std::vector<QRgb> line(static_cast<std::size_t>(length));
    auto pixel = [&](int lineIndex, int position) -> QRgb& {
        return alongRows ? reinterpret_cast<QRgb*>(image.scanLine(lineIndex))[position]
                         : reinterpret_cast<QRgb*>(image.scanLine(position))[lineIndex];
    };
    for (int l = 0; l < lines; ++l) {
        for (int i = 0; i < length; ++i)
            line[std::size_t(i)] = pixel(l, i);
        auto at = [&](int i) { return line[std::size_t(std::clamp(i, 0, length - 1))]; };
        int red = 0;
        int green = 0;
        int blue = 0;
        for (int i = -radius; i <= radius; ++i) {
            const QRgb value = at(i);
            red += qRed(value);
            green += qGreen(value);
            blue += qBlue(value);
        }
        for (int i = 0; i < length; ++i) {
            pixel(l, i) = qRgb((red + window / 2) / window, (green + window / 2) / window, (blue + window / 2) / window);
            const QRgb leaving = at(i - radius);
            const QRgb entering = at(i + radius + 1);
            red += qRed(entering) - qRed(leaving);
            green += qGreen(entering) - qGreen(leaving);
            blue += qBlue(entering) - qBlue(leaving);
        }
    }
}

// How many times smaller the copy is that a blur of `radius` is worked on.
int reductionFor(int radius)
{
    return radius > 0 ? std::max(1, (radius + workingRadius - 1) / workingRadius) : 1;
}

// The part `reach` of `behind`, blurred by `radius` on a copy `reductionFor(radius)` times
// smaller, and left at that size.
QImage reducedBlur(const QImage& behind, const QRect& reach, int radius)
{
    QImage working = behind.copy(reach).convertToFormat(QImage::Format_RGB32);
    if (radius <= 0)
        return working;
    const int scale = reductionFor(radius);
    if (scale > 1) {
        const QSize small(std::max(1, reach.width() / scale), std::max(1, reach.height() / scale));
        working = working.scaled(small, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    const int smallRadius = std::max(1, radius / scale);
    for (int pass = 0; pass < blurPasses; ++pass) {
        boxBlur(working, smallRadius, true);
        boxBlur(working, smallRadius, false);
    }
    return working;
}

void washOver(QImage& image, const QColor& wash)
{
    if (wash.alpha() <= 0)
        return;
    QPainter painter(&image);
    painter.fillRect(image.rect(), wash);
}

} // namespace

QImage frostedGlassImage(const QImage& behind, const QRect& area, int blurRadius, const QColor& wash)
{
    if (behind.isNull() || area.isEmpty())
        return {};
    const QRect bounds = behind.rect();
    const int radius = std::max(blurRadius, 0);
    // What the blur reaches from inside `area`, within what there is.
    QRect reach = area.adjusted(-2 * radius, -2 * radius, 2 * radius, 2 * radius).intersected(bounds);
    if (reach.isEmpty()) {
        // The area lies wholly beyond the image: the nearest edge pixels stand for it.
        const QPoint nearest(std::clamp(area.center().x(), 0, bounds.right()),
                             std::clamp(area.center().y(), 0, bounds.bottom()));
        reach = QRect(nearest, QSize(1, 1));
    }
    QImage working = reducedBlur(behind, reach, radius);
    if (working.size() != reach.size())
        working = working.scaled(reach.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);

    QImage frosted(area.size(), QImage::Format_RGB32);
    for (int y = 0; y < area.height(); ++y) {
        const int sourceY = std::clamp(area.y() + y - reach.y(), 0, working.height() - 1);
        const auto* source = reinterpret_cast<const QRgb*>(working.constScanLine(sourceY));
        auto* target = reinterpret_cast<QRgb*>(frosted.scanLine(y));
        for (int x = 0; x < area.width(); ++x)
            target[x] = source[std::clamp(area.x() + x - reach.x(), 0, working.width() - 1)];
    }
    washOver(frosted, wash);
    return frosted;
}

QImage reducedFrostedGlassImage(const QImage& behind, int blurRadius, const QColor& wash)
{
    if (behind.isNull())
        return {};
    QImage frosted = reducedBlur(behind, behind.rect(), std::max(blurRadius, 0));
    washOver(frosted, wash);
    return frosted;
}

} // namespace mv
