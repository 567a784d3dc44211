#include "design/SymbolIcons.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPainterPath>
#include <QPixmapCache>
#include <QStandardPaths>

#include <array>
#include <utility>

namespace mv::SymbolIcons {

namespace {

struct Entry {
    const char* symbol;
    const char* names; // freedesktop names, separated by spaces, best first
};

// Every symbol name the program shows. Adwaita has no exact match for several of them; the
// nearest icon of the same meaning stands in.
constexpr Entry table[] = {
    {"app.badge.checkmark.fill", "application-x-executable-symbolic"},
    {"apple.logo", "start-here-symbolic"},
    {"archivebox.fill", "package-x-generic-symbolic"},
    {"arrow.right", "go-next-symbolic"},
    {"arrow.right.square", "go-next-symbolic"},
    {"arrow.up.arrow.down", "view-sort-ascending-symbolic"},
    {"arrow.up.forward.app", "window-new-symbolic"},
    {"arrow.up.forward.square", "send-to-symbolic"},
    {"arrow.uturn.backward", "edit-undo-symbolic"},
    {"arrow.uturn.forward", "edit-redo-symbolic"},
    {"bolt.fill", "thunderbolt-symbolic power-profile-performance-symbolic"},
    {"book.pages.fill", "accessories-dictionary-symbolic"},
    {"camera.viewfinder", "applets-screenshooter-symbolic camera-photo-symbolic"},
    {"capsule.fill", "view-continuous-symbolic"},
    {"checklist", "checkbox-checked-symbolic"},
    {"checklist.checked", "checkbox-checked-symbolic"},
    {"checkmark", "object-select-symbolic"},
    {"checkmark.circle", "emblem-ok-symbolic"},
    {"checkmark.circle.badge.questionmark", "dialog-question-symbolic"},
    {"checkmark.circle.fill", "emblem-ok-symbolic"},
    {"checkmark.seal.fill", "emblem-default-symbolic"},
    {"chevron.down", "pan-down-symbolic go-down-symbolic"},
    {"chevron.left", "pan-start-symbolic go-previous-symbolic"},
    {"chevron.left.forwardslash.chevron.right", "applications-engineering-symbolic"},
    {"chevron.right", "pan-end-symbolic go-next-symbolic"},
    {"chevron.up", "pan-up-symbolic go-up-symbolic"},
    {"circle", "radio-symbolic"},
    {"curlybraces", "text-x-generic-symbolic"},
    {"doc.fill", "x-office-document-symbolic"},
    {"doc.on.doc", "edit-copy-symbolic"},
    {"doc.richtext.fill", "format-text-rich-symbolic x-office-document-symbolic"},
    {"doc.text.fill", "text-x-generic-symbolic"},
    {"ellipsis", "view-more-horizontal-symbolic"},
    {"ellipsis.circle", "view-more-horizontal-symbolic"},
    {"escape", "window-close-symbolic"},
    {"eye", "view-reveal-symbolic"},
    {"film.fill", "video-x-generic-symbolic"},
    {"flag.fill", "emoji-flags-symbolic"},
    {"folder", "folder-symbolic"},
    {"folder.badge.gearshape", "folder-symbolic"},
    {"folder.badge.plus", "folder-new-symbolic"},
    {"folder.badge.questionmark", "folder-visiting-symbolic folder-symbolic"},
    {"folder.fill", "folder-symbolic"},
    {"globe", "web-browser-symbolic"},
    {"laptopcomputer.and.iphone", "computer-symbolic"},
    {"line.3.horizontal.decrease.circle", "view-list-symbolic"},
    {"list.bullet", "view-list-bullet-symbolic"},
    {"lock", "changes-prevent-symbolic"},
    {"lock.fill", "changes-prevent-symbolic system-lock-screen-symbolic"},
    {"lock.open", "changes-allow-symbolic"},
    {"magnifyingglass", "edit-find-symbolic system-search-symbolic"},
    {"minus.circle", "list-remove-symbolic"},
    {"note.text", "accessories-text-editor-symbolic text-editor-symbolic"},
    {"paintbrush", "applications-graphics-symbolic"},
    {"paintbrush.pointed.fill", "applications-graphics-symbolic"},
    {"paintpalette.fill", "preferences-color-symbolic"},
    {"pencil", "document-edit-symbolic"},
    {"photo.fill", "image-x-generic-symbolic"},
    {"photo.on.rectangle.angled", "insert-image-symbolic"},
    {"photo.stack.fill", "emblem-photos-symbolic"},
    {"pin", "view-pin-symbolic"},
    {"pin.fill", "view-pin-symbolic"},
    {"pin.slash", "view-pin-symbolic"},
    {"play.circle", "media-playback-start-symbolic"},
    {"play.rectangle.fill", "x-office-presentation-symbolic"},
    {"plus", "list-add-symbolic"},
    {"plus.circle", "list-add-symbolic"},
    {"plus.circle.fill", "list-add-symbolic"},
    {"plus.rectangle.on.folder", "folder-new-symbolic"},
    {"plus.rectangle.on.rectangle", "tab-new-symbolic"},
    {"power", "system-shutdown-symbolic application-exit-symbolic"},
    {"rectangle.expand.vertical", "view-fullscreen-symbolic"},
    {"return", "go-jump-symbolic"},
    {"scope", "find-location-symbolic mark-location-symbolic"},
    {"shippingbox.fill", "system-software-install-symbolic package-x-generic-symbolic"},
    {"slider.horizontal.3", "preferences-system-symbolic emblem-system-symbolic"},
    {"sparkles", "starred-symbolic"},
    {"sparkles.rectangle.stack", "view-dual-symbolic"},
    {"sparkles.rectangle.stack.fill", "view-dual-symbolic"},
    {"square.and.arrow.down", "document-save-symbolic"},
    {"square.and.arrow.up", "document-send-symbolic send-to-symbolic"},
    {"square.grid.2x2", "view-grid-symbolic view-app-grid-symbolic"},
    {"square.grid.2x2.fill", "view-app-grid-symbolic view-grid-symbolic"},
    {"square.grid.2x2.topleft.filled", "view-grid-symbolic"},
    {"square.on.square.intersection.dashed", "selection-mode-symbolic edit-select-symbolic"},
    {"square.stack.3d.up.fill", "emblem-documents-symbolic"},
    {"star.square.on.square.fill", "starred-symbolic"},
    {"sun.max.fill", "weather-clear-symbolic display-brightness-symbolic"},
    {"swift", "applications-engineering-symbolic"},
    {"tablecells.fill", "x-office-spreadsheet-symbolic"},
    {"terminal.fill", "utilities-terminal-symbolic"},
    {"text.alignleft", "format-justify-left-symbolic"},
    {"text.quote", "insert-text-symbolic format-text-plaintext-symbolic"},
    {"trash", "user-trash-symbolic"},
    {"tray", "folder-download-symbolic"},
    {"tray.full.fill", "folder-download-symbolic"},
    {"wand.and.stars", "applications-utilities-symbolic"},
    {"waveform", "audio-x-generic-symbolic"},
    {"xmark", "window-close-symbolic"},
    {"xmark.circle.fill", "window-close-symbolic"},
};

const Entry* findEntry(const QString& symbolName)
{
    for (const Entry& entry : table) {
        if (symbolName == QLatin1StringView(entry.symbol))
            return &entry;
    }
    return nullptr;
}

constexpr std::array<int, 6> bundledSizes{16, 24, 32, 48, 64, 96};
constexpr std::array<const char*, 11> bundledContexts{
    "actions", "apps", "categories", "devices", "emblems", "emotes",
    "legacy", "mimetypes", "places", "status", "ui"};

QStringList bundledThemeRoots()
{
    QStringList roots;
    QStringList bases = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    bases.append(QStringLiteral("/usr/share"));
    for (const QString& base : std::as_const(bases)) {
        const QString root = base + QStringLiteral("/icons/Adwaita");
        if (!roots.contains(root) && QFileInfo(root).isDir())
            roots.append(root);
    }
    return roots;
}

// The Adwaita files of one freedesktop name, one per size.
QIcon bundledIcon(const QString& name)
{
    QIcon icon;
    const QStringList roots = bundledThemeRoots();
    for (int size : bundledSizes) {
        const QString sizeDir = QStringLiteral("%1x%1").arg(size);
        bool found = false;
        for (const QString& root : roots) {
            for (const char* context : bundledContexts) {
                for (const QString& file : {name + QStringLiteral(".symbolic.png"), name + QStringLiteral(".png")}) {
                    const QString path = root + u'/' + sizeDir + u'/' + QLatin1StringView(context) + u'/' + file;
                    if (QFileInfo::exists(path)) {
                        icon.addFile(path, QSize(size, size));
                        found = true;
                        break;
                    }
                }
                if (found)
                    break;
            }
            if (found)
                break;
        }
    }
    return icon;
}

struct Resolved {
    QIcon icon;
    Source source = Source::fallback;
};

Resolved resolve(const QString& symbolName)
{
    for (const QString& name : freedesktopNames(symbolName)) {
        if (!QIcon::themeName().isEmpty() && QIcon::hasThemeIcon(name))
            return {QIcon::fromTheme(name), Source::desktopTheme};
        QString plain = name;
        if (plain.endsWith(QLatin1String("-symbolic"))) {
            plain.chop(9);
            if (!QIcon::themeName().isEmpty() && QIcon::hasThemeIcon(plain))
                return {QIcon::fromTheme(plain), Source::desktopTheme};
        }
    }
    for (const QString& name : freedesktopNames(symbolName)) {
        QIcon icon = bundledIcon(name);
        if (!icon.isNull())
            return {icon, Source::bundledTheme};
    }
    return {};
}

QPixmap fallbackPixmap(int side, const QColor& color, qreal devicePixelRatio)
{
    QPixmap pixmap(QSize(side, side) * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(color, std::max(1.0, side / 12.0), Qt::DashLine);
    painter.setPen(pen);
    const qreal inset = side * 0.1;
    painter.drawRoundedRect(QRectF(inset, inset, side - 2 * inset, side - 2 * inset), side * 0.18, side * 0.18);
    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setPixelSize(std::max(6, int(side * 0.6)));
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(QRectF(0, 0, side, side), Qt::AlignCenter, QStringLiteral("?"));
    return pixmap;
}

} // namespace

QStringList freedesktopNames(const QString& symbolName)
{
    const Entry* entry = findEntry(symbolName);
    if (!entry)
        return {};
    return QString::fromLatin1(entry->names).split(u' ', Qt::SkipEmptyParts);
}

bool isKnown(const QString& symbolName)
{
    return findEntry(symbolName) != nullptr;
}

QStringList knownSymbolNames()
{
    QStringList names;
    for (const Entry& entry : table)
        names.append(QString::fromLatin1(entry.symbol));
    return names;
}

Source source(const QString& symbolName)
{
    return resolve(symbolName).source;
}

QIcon icon(const QString& symbolName)
{
    Resolved resolved = resolve(symbolName);
    if (resolved.source == Source::fallback)
        return QIcon(fallbackPixmap(32, Qt::darkGray, 1.0));
    return resolved.icon;
}

QPixmap pixmap(const QString& symbolName, int side, const QColor& color, qreal devicePixelRatio)
{
    side = std::max(1, side);
    const QString key = QStringLiteral("mv-symbol:%1:%2:%3:%4")
                            .arg(symbolName).arg(side).arg(color.rgba(), 8, 16, QLatin1Char('0')).arg(devicePixelRatio);
    QPixmap cached;
    if (QPixmapCache::find(key, &cached))
        return cached;

    // "x.circle.fill" is the glyph of "x" cut out of a filled disc, whatever the theme offers.
    static const QLatin1StringView circleFill(".circle.fill");
    if (symbolName.endsWith(circleFill) && isKnown(symbolName.chopped(circleFill.size()))) {
        const QSize deviceSize = QSize(side, side) * devicePixelRatio;
        QPixmap disc(deviceSize);
        disc.fill(Qt::transparent);
        QPainter painter(&disc);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        const qreal inset = deviceSize.width() * 0.06;
        painter.drawEllipse(QRectF(QPointF(0, 0), QSizeF(deviceSize)).adjusted(inset, inset, -inset, -inset));
        const int glyphSide = std::max(1, int(std::lround(deviceSize.width() * 0.58)));
        const QPixmap glyph = pixmap(symbolName.chopped(circleFill.size()), glyphSide, Qt::black, 1.0);
        painter.setCompositionMode(QPainter::CompositionMode_DestinationOut);
        painter.drawPixmap((deviceSize.width() - glyphSide) / 2, (deviceSize.height() - glyphSide) / 2, glyph);
        painter.end();
        disc.setDevicePixelRatio(devicePixelRatio);
        QPixmapCache::insert(key, disc);
        return disc;
    }

    const Resolved resolved = resolve(symbolName);
    QPixmap result;
    if (resolved.source == Source::fallback) {
        result = fallbackPixmap(side, color, devicePixelRatio);
    } else {
        const QSize deviceSize = QSize(side, side) * devicePixelRatio;
        // The glyph's shape only: every pixel takes the requested colour, keeping its coverage.
        QPixmap glyph = resolved.icon.pixmap(deviceSize);
        if (glyph.size() != deviceSize)
            glyph = glyph.scaled(deviceSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        result = QPixmap(deviceSize);
        result.fill(Qt::transparent);
        QPainter painter(&result);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawPixmap(QRect(QPoint((deviceSize.width() - glyph.width()) / 2, (deviceSize.height() - glyph.height()) / 2),
                                 glyph.size()), glyph);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(result.rect(), color);
        painter.end();
        result.setDevicePixelRatio(devicePixelRatio);
    }
    QPixmapCache::insert(key, result);
    return result;
}

void paint(QPainter& painter, const QRectF& rect, const QString& symbolName, qreal side, const QColor& color)
{
    const int pixelSide = std::max(1, int(std::lround(side)));
    const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QPixmap glyph = pixmap(symbolName, pixelSide, color, dpr);
    const QRectF target(rect.center().x() - pixelSide / 2.0, rect.center().y() - pixelSide / 2.0, pixelSide, pixelSide);
    painter.drawPixmap(target, glyph, QRectF(QPointF(0, 0), QSizeF(glyph.size())));
}

QIcon tintedIcon(const QString& symbolName, const QColor& color)
{
    QIcon result;
    result.addPixmap(pixmap(symbolName, 16, color, 1.0));
    result.addPixmap(pixmap(symbolName, 16, color, 2.0));
    return result;
}

qreal sideForFontSize(qreal fontSize)
{
    // A symbol set in a font is a little taller than the font's nominal size.
    return fontSize * 1.2;
}

} // namespace mv::SymbolIcons
