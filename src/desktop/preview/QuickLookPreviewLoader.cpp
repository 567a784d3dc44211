#include "desktop/preview/QuickLookPreviewLoader.h"

#include "core/engine/FilePaths.h"
#include "core/engine/PortalScan.h"
#include "desktop/preview/QuickLookContentKind.h"
#include "desktop/preview/QuickLookFormatting.h"
#include "desktop/preview/QuickLookImageReader.h"
#include "desktop/preview/QuickLookPaths.h"
#include "desktop/preview/QuickLookTextReader.h"
#include "platform/ContentTypes.h"

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>

namespace mv {

namespace {

using FolderPortalEngine::EntryKind;

QDateTime modificationDate(const struct stat& status)
{
    const qint64 milliseconds = qint64(status.st_mtim.tv_sec) * 1000 + status.st_mtim.tv_nsec / 1000000;
    return QDateTime::fromMSecsSinceEpoch(milliseconds, Qt::UTC);
}

// A regular file opened read-only. The open does not block (a FIFO or device that took the
// place of the file after it was looked at would otherwise hang the main thread, or wait for a
// writer) and the opened file is checked again, so that only a regular file is ever read.
std::unique_ptr<QFile> openRegularFile(const QString& path)
{
    const int fd = ::open(filepaths::encoded(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat status{};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    auto file = std::make_unique<QFile>();
    if (!file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return nullptr;
    }
    return file;
}

// The names of the folder that a file manager shows (hidden ones left out), counted up to the
// limit. None when the folder cannot be read.
std::optional<qsizetype> countItems(const QString& path, qsizetype limit, bool& reachedLimit)
{
    DIR* dir = ::opendir(filepaths::encoded(path).constData());
    if (!dir)
        return std::nullopt;
    qsizetype count = 0;
    reachedLimit = false;
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        if (count >= limit) {
            reachedLimit = true;
            break;
        }
        ++count;
    }
    const bool failed = errno != 0 && !reachedLimit;
    ::closedir(dir);
    if (failed)
        return std::nullopt;
    return count;
}

} // namespace

QuickLookPreview loadQuickLookPreview(const QUrl& url, const QuickLookPreviewLimits& limits)
{
    QuickLookPreview preview;
    preview.name = quicklook::itemName(url);
    preview.symbolName = FolderPortalEngine::inferSymbol(preview.name, EntryKind::File, std::nullopt);
    const QString extension = FolderPortalEngine::pathExtension(preview.name);
    const platform::ContentType* fileType = platform::contentTypeForExtension(extension);
    std::optional<QString> type = fileType ? std::optional<QString>(fileType->identifier) : std::nullopt;
    preview.kindText = quicklook::kindText(preview.name, EntryKind::File, type);

    const std::optional<QString> path = quicklook::previewablePath(url);
    if (!path) {
        preview.note = QStringLiteral("无法预览此项目");
        return preview;
    }
    struct stat status{};
    if (::stat(filepaths::encoded(*path).constData(), &status) != 0) {
        preview.note = errno == ENOENT || errno == ENOTDIR ? QStringLiteral("找不到此文件")
                                                           : QStringLiteral("无法读取此文件");
        return preview;
    }
    preview.modifiedAt = modificationDate(status);

    if (S_ISDIR(status.st_mode)) {
        preview.symbolName = FolderPortalEngine::inferSymbol(preview.name, EntryKind::Folder,
                                                             platform::contentTypeId::folder.toString());
        preview.kindText = quicklook::kindText(preview.name, EntryKind::Folder, std::nullopt);
        bool reachedLimit = false;
        preview.itemCount = countItems(*path, std::max<qsizetype>(limits.folderCountLimit, 0), reachedLimit);
        preview.itemCountReachedLimit = preview.itemCount && reachedLimit;
        if (!preview.itemCount)
            preview.note = QStringLiteral("无法读取此文件夹的内容");
        return preview;
    }

    preview.symbolName = FolderPortalEngine::inferSymbol(preview.name, EntryKind::File, type);
    preview.fileSize = qint64(status.st_size);
    // Only regular files are read, and only those whose type the preview can draw.
    if (!S_ISREG(status.st_mode))
        return preview;
    const QuickLookContentKind content = quickLookContentKind(type);
    if (content == QuickLookContentKind::other)
        return preview;

    const std::unique_ptr<QFile> file = openRegularFile(*path);
    if (!file) {
        preview.note = QStringLiteral("无法读取此文件");
        return preview;
    }
    if (content == QuickLookContentKind::image) {
        quicklook::readImage(preview, file.get(), limits);
    } else {
        quicklook::readText(preview, file.get(), limits);
        preview.isMonospaced = preview.kind == QuickLookPreview::Kind::text && content == QuickLookContentKind::code;
    }
    return preview;
}

} // namespace mv
