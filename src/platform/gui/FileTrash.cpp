#include "platform/gui/FileTrash.h"

#include "core/engine/FilePaths.h"
#include "platform/AtomicFile.h"
#include "platform/SystemErrors.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace mv::platform {

namespace {

// QFile::moveToTrash says only that it failed. What can be told afterwards, in order: the
// folder holding the item refuses changes, or the item lies on another file system than the
// home folder and that one has no trash we may use; otherwise the trash itself could not be
// made or written.
QString trashFailureReason(const QString& path, dev_t itemDevice)
{
    const QByteArray parent = filepaths::encoded(filepaths::parentPath(path));
    if (::access(parent.constData(), W_OK | X_OK) != 0)
        return systemErrorReason(errno);
    struct stat home {};
    if (::stat(filepaths::encoded(QDir::homePath()).constData(), &home) == 0 && home.st_dev != itemDevice)
        return QStringLiteral("这个位置所在的磁盘没有可用的回收站");
    return QStringLiteral("回收站不可用");
}

// The record of a trashed item: <trash>/info/<name in files/>.trashinfo.
QString recordPath(const QString& pathInTrash)
{
    return filepaths::parentPath(filepaths::parentPath(pathInTrash)) + QStringLiteral("/info/")
           + filepaths::lastComponent(pathInTrash) + QStringLiteral(".trashinfo");
}

// Qt writes the original path into the record as plain text, where the trash's readers expect
// it URL-encoded: a name holding "%20" would come back as a space, and one with "%" alone
// would not come back at all. The record is rewritten with the path encoded. Should that fail,
// the item still lies in the trash, and the plain path is what is left.
void encodeRecordedPath(const QString& pathInTrash, const QString& originalPath)
{
    const QString record = recordPath(pathInTrash);
    QFile file(record);
    if (!file.open(QIODevice::ReadOnly))
        return;
    QList<QByteArray> lines = file.readAll().split('\n');
    file.close();
    bool changed = false;
    for (QByteArray& line : lines) {
        if (line.startsWith("Path=")) {
            line = "Path=" + filepaths::encoded(originalPath).toPercentEncoding("/");
            changed = true;
        }
    }
    if (changed)
        (void)writeFileAtomically(record, lines.join('\n'));
}

// Moves an item that Qt put in a stray "files/" folder back, and drops the record it wrote.
void putBack(const QString& misplaced, const QString& original)
{
    const QString absolute = QDir::cleanPath(QDir::current().absoluteFilePath(misplaced));
    if (::rename(filepaths::encoded(absolute).constData(), filepaths::encoded(original).constData()) != 0)
        return;
    const QString record = recordPath(absolute);
    ::unlink(filepaths::encoded(record).constData());
    // The folders Qt made for it; left alone unless empty.
    ::rmdir(filepaths::encoded(filepaths::parentPath(absolute)).constData());
    ::rmdir(filepaths::encoded(filepaths::parentPath(record)).constData());
}

} // namespace

Result<TrashedItem, QString> FreedesktopTrash::moveToTrash(const QUrl& url)
{
    // A lossy path would name another file, or none: trash nothing rather than the wrong one.
    if (filepaths::hasInexactPath(url))
        return QStringLiteral("名称含有无法识别的字符，不能安全地移到回收站：") + filepaths::shownName(url);
    const std::optional<QString> path = filepaths::standardizedPath(url);
    if (!path)
        return QStringLiteral("不是本机上的文件：") + url.toDisplayString();
    struct stat item {};
    if (::lstat(filepaths::encoded(*path).constData(), &item) != 0)
        return systemErrorReason(errno);
    // FIXME: Qt looks for the item through its links and so finds no dangling one to trash.
    struct stat target {};
    if (S_ISLNK(item.st_mode) && ::stat(filepaths::encoded(*path).constData(), &target) != 0)
        return QStringLiteral("指向的项目不存在的符号链接不能移到回收站");

    // Qt makes the home trash inside the data folder but not that folder itself, and when it
    // has no trash folder it moves the item into "files/" of the working folder and calls that
    // trashed. So the data folder is made first, and a place outside any trash is undone.
    if (!QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)))
        return QStringLiteral("回收站不可用");
    QString pathInTrash;
    if (!QFile::moveToTrash(*path, &pathInTrash))
        return trashFailureReason(*path, item.st_dev);
    if (!QDir::isAbsolutePath(pathInTrash)) {
        putBack(pathInTrash, *path);
        return QStringLiteral("回收站不可用");
    }
    encodeRecordedPath(pathInTrash, *path);
    return TrashedItem{pathInTrash};
}

} // namespace mv::platform
