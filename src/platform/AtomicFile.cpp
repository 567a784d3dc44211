#include "platform/AtomicFile.h"

#include "platform/SystemErrors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Written with POSIX calls rather than QSaveFile: QSaveFile hides the errno of a failure
// behind an English sentence, and it commits a file cut short when a write stops part way
// (a file-size limit), reporting success.
namespace mv::platform {

namespace {

QByteArray encoded(const QString& path)
{
    return QFile::encodeName(path);
}

bool isFolder(const QString& path)
{
    struct stat info {};
    return ::stat(encoded(path).constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

// mkdir -p: each missing folder from the top down. A file where a folder should be is ENOTDIR.
std::optional<FileError> makeFolders(const QString& folder)
{
    if (isFolder(folder))
        return std::nullopt;
    const QStringList parts = folder.split(u'/', Qt::SkipEmptyParts);
    QString path;
    for (const QString& part : parts) {
        path += u'/' + part;
        if (::mkdir(encoded(path).constData(), 0777) == 0)
            continue;
        const int code = errno;
        if (code != EEXIST)
            return FileError{code, path};
        if (!isFolder(path))
            return FileError{ENOTDIR, path};
    }
    return std::nullopt;
}

// The file a chain of symbolic links at `path` ends in; `path` itself when it is no link.
QString finalTarget(const QString& path)
{
    QString target = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (::lstat(encoded(target).constData(), &info) != 0 || !S_ISLNK(info.st_mode))
            return target;
        const QString link = QFile::symLinkTarget(target);
        if (link.isEmpty())
            return target;
        target = QFileInfo(target).dir().absoluteFilePath(link);
    }
    return target;
}

std::optional<FileError> writeAll(int fd, const QByteArray& bytes, const QString& path)
{
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return FileError{errno, path};
        }
        if (written == 0)
            return FileError{EIO, path};
        data += written;
        left -= written;
    }
    return std::nullopt;
}

} // namespace

QString FileError::errorDescription() const
{
    return systemErrorReason(code) + QStringLiteral("：") + path;
}

std::optional<FileError> writeFileAtomically(const QString& path, const QByteArray& bytes)
{
    const QString target = finalTarget(QFileInfo(path).absoluteFilePath());
    const QFileInfo info(target);
    const QString folder = info.absolutePath();
    if (auto error = makeFolders(folder))
        return error;

    // The temporary file is made private (mkstemp gives mode 0600) before it takes the name.
    QByteArray pattern = encoded(folder + QStringLiteral("/.") + info.fileName() + QStringLiteral(".XXXXXX"));
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0)
        return FileError{errno, target};
    const auto fail = [&](int code) {
        ::unlink(pattern.constData());
        return FileError{code, target};
    };
    if (auto error = writeAll(fd, bytes, target)) {
        ::close(fd);
        return fail(error->code);
    }
    // A full disk may only tell at the flush or at the close.
    if (::fsync(fd) != 0) {
        const int code = errno;
        ::close(fd);
        return fail(code);
    }
    if (::close(fd) != 0)
        return fail(errno);
    if (::rename(pattern.constData(), encoded(target).constData()) != 0)
        return fail(errno);
    return std::nullopt;
}

} // namespace mv::platform
