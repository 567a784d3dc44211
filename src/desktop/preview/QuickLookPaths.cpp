#include "desktop/preview/QuickLookPaths.h"

#include "core/engine/FilePaths.h"
#include "core/engine/PortalScan.h"

#include <QDir>

namespace mv {

QUrl standardizedPreviewURL(const QUrl& url)
{
    if (!url.isLocalFile())
        return url.adjusted(QUrl::NormalizePathSegments);
    const std::optional<QString> local = filepaths::localPath(url);
    if (!local || !QDir::isAbsolutePath(*local))
        return url.adjusted(QUrl::NormalizePathSegments);
    QString path = QDir::cleanPath(*local);
    // cleanPath keeps ".." at the root, where it names the root itself.
    while (path == u"/.." || path.startsWith(u"/../"))
        path.remove(0, 3);
    return QUrl::fromLocalFile(path.isEmpty() ? QStringLiteral("/") : path);
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
