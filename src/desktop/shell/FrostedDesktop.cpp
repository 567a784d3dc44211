#include "desktop/shell/FrostedDesktop.h"

#include "design/FrostedGlass.h"
#include "design/LiquidGlassWallpaperBackdrop.h"
#include "platform/gui/DesktopWallpaperSource.h"

#include <QPainter>

#include <list>

namespace mv {

namespace {

struct FrostKey {
    QRect desktop;
    // Only where the painted wallpaper stands in: which screen it is painted over, and which.
    QRect screen;
    std::optional<WallpaperPreset> fallback;
    qreal ratio = 1.0;
    ColorScheme scheme = ColorScheme::light;
    int blurRadius = 0;
    QRgb wash = 0;

    bool operator==(const FrostKey&) const = default;
};

// The images made since the wallpaper last changed, newest first. A few: panels on other screens
// or in the other colour scheme, during its change, need their own.
class FrostCache final : public QObject {
public:
    static constexpr std::size_t capacity = 3;

    explicit FrostCache(platform::DesktopWallpaperSource& source)
        : QObject(&source)
    {
        setObjectName(QStringLiteral("frostedDesktopCache"));
        connect(&source, &platform::DesktopWallpaperSource::changed, this, [this] { entries.clear(); });
    }

    static FrostCache& of(platform::DesktopWallpaperSource& source)
    {
        auto* cache = source.findChild<QObject*>(QStringLiteral("frostedDesktopCache"), Qt::FindDirectChildrenOnly);
        return cache ? *static_cast<FrostCache*>(cache) : *new FrostCache(source);
    }

    std::list<std::pair<FrostKey, QImage>> entries;
};

} // namespace

QImage frostedDesktopImage(const QRect& desktop, const QRect& screen, qreal ratio, ColorScheme scheme,
                           WallpaperPreset fallback, int blurRadius, const QColor& wash)
{
    if (desktop.isEmpty())
        return {};
    platform::DesktopWallpaperSource& source = platform::DesktopWallpaperSource::instance();
    const bool painted = !source.hasWallpaper();
    const FrostKey key{desktop,   painted ? screen : QRect(), painted ? std::optional(fallback) : std::nullopt,
                       ratio,     scheme,                      blurRadius,
                       wash.rgba()};
    FrostCache& cache = FrostCache::of(source);
    for (auto entry = cache.entries.begin(); entry != cache.entries.end(); ++entry) {
        if (entry->first == key) {
            cache.entries.splice(cache.entries.begin(), cache.entries, entry);
            return entry->second;
        }
    }
    QImage behind = painted ? QImage() : source.image(desktop);
    if (behind.isNull()) {
        // The program's own painted wallpaper, laid over the screen.
        behind = QImage(desktop.size(), QImage::Format_RGB32);
        behind.fill(Qt::black);
        QPainter painter(&behind);
        painter.translate(-desktop.topLeft());
        LiquidGlassWallpaperBackdrop::paint(painter, QRectF(screen.isEmpty() ? desktop : screen), fallback, scheme);
    }
    QImage frosted = reducedFrostedGlassImage(behind, blurRadius, wash);
    cache.entries.emplace_front(key, frosted);
    if (cache.entries.size() > FrostCache::capacity)
        cache.entries.pop_back();
    return frosted;
}

} // namespace mv
