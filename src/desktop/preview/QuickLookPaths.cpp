#include "desktop/preview/QuickLookPaths.h"

#include "core/engine/FilePaths.h"
#include "core/engine/PortalScan.h"

namespace mv {

QUrl standardizedPreviewURL(const QUrl& url)
{
    if (url.isLocalFile()) {
        if (const std::optional<QString> path = filepaths::standardizedPath(url))
            return QUrl::fromLocalFile(*path);
    }
    return url.adjusted(QUrl::NormalizePathSegments);
}

namespace quicklook {

std::optional<QString> previewablePath(const QUrl& url)
{
    if (!url.isLocalFile())
        return std::nullopt;
    const std::optional<QString> path = filepaths::localPath(url);
    if (!path || !FolderPortalEngine::isBoundPath(*path))
        return std::nullopt;
    return path;
}

QString itemName(const QUrl& url)
{
    if (const std::optional<QString> path = previewablePath(url)) {
        const QString name = filepaths::lastComponent(*path);
        return name.isEmpty() ? *path : name;
    }
    const QString name = url.fileName();
    return name.isEmpty() ? url.toDisplayString() : name;
}

} // namespace quicklook

} // namespace mv
