#include "core/engine/PortalMoves.h"

#include "core/engine/FilePaths.h"
#include "core/models/Uuid.h"
#include "platform/SystemErrors.h"

#include <QDateTime>
#include <QFile>
#include <QHash>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace mv::FolderPortalEngine {

namespace {

using namespace filepaths;

// --- paths -------------------------------------------------------------------------------

FileIdentity identityOf(const struct stat& st)
{
    FileIdentity identity;
    identity.device = st.st_dev;
    identity.inode = st.st_ino;
    identity.isDirectory = S_ISDIR(st.st_mode);
    identity.size = identity.isDirectory ? 0 : qint64(st.st_size);
    identity.modifiedNanoseconds = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return identity;
}

// --- removing and copying trees ------------------------------------------------------------

struct FailedStep {
    int code = 0;
    QByteArray path;
};

// Removes `path` and, for a folder, everything below it, never following a symlink.
// Returns the first failure, after trying to remove everything it can.
std::optional<FailedStep> removeTree(const QByteArray& path)
{
    struct stat st;
    if (::lstat(path.constData(), &st) != 0)
        return errno == ENOENT ? std::nullopt : std::optional(FailedStep{errno, path});
    if (!S_ISDIR(st.st_mode)) {
        if (::unlink(path.constData()) != 0)
            return FailedStep{errno, path};
        return std::nullopt;
    }
    std::optional<FailedStep> failure;
    if (DIR* dir = ::opendir(path.constData())) {
        QList<QByteArray> children;
        errno = 0;
        while (const dirent* entry = ::readdir(dir)) {
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                children.append(path + '/' + entry->d_name);
        }
        if (errno != 0)
            failure = FailedStep{errno, path};
        ::closedir(dir);
        for (const QByteArray& child : std::as_const(children)) {
            if (auto childFailure = removeTree(child); childFailure && !failure)
                failure = childFailure;
        }
    } else {
        failure = FailedStep{errno, path};
    }
    if (::rmdir(path.constData()) != 0 && !failure)
        failure = FailedStep{errno, path};
    return failure;
}

struct ScopedFd {
    int fd = -1;
    explicit ScopedFd(int value) : fd(value) {}
    ScopedFd(const ScopedFd&) = delete;
    ScopedFd& operator=(const ScopedFd&) = delete;
    ~ScopedFd()
    {
        if (fd >= 0)
            ::close(fd);
    }
    // Closes now, reporting the error a deferred write may only show here.
    int close()
    {
        const int result = ::close(fd);
        fd = -1;
        return result == 0 ? 0 : errno;
    }
};

int copyContents(int in, int out)
{
    constexpr size_t chunk = size_t(1) << 30;
    bool first = true;
    while (true) {
        const ssize_t copied = ::copy_file_range(in, nullptr, out, nullptr, chunk, 0);
        if (copied > 0) {
            first = false;
            continue;
        }
        if (copied == 0)
            return 0;
        if (errno == EINTR)
            continue;
        // Older kernels and some file systems cannot do it between two file systems.
        if (first && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP))
            break;
        return errno;
    }
    char buffer[1 << 16];
    while (true) {
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got == 0)
            return 0;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        for (ssize_t written = 0; written < got;) {
            const ssize_t put = ::write(out, buffer + written, size_t(got - written));
            if (put < 0) {
                if (errno == EINTR)
                    continue;
                return errno;
            }
            written += put;
        }
    }
}

// Copies one item (a folder with everything below it) to `to`, which is created exclusively:
// an existing name is never written into. `created` tells whether `to` was made, so that a
// failed copy can be removed without touching anything that was there before.
std::optional<FailedStep> copyItem(const QByteArray& from, const QByteArray& to, bool& created)
{
    created = false;
    // Taken before reading, which may update the access time.
    struct stat st;
    if (::lstat(from.constData(), &st) != 0)
        return FailedStep{errno, from};
    const timespec times[2] = {st.st_atim, st.st_mtim};
    const mode_t permissions = st.st_mode & 07777;

    if (S_ISLNK(st.st_mode)) {
        QByteArray target(qsizetype(st.st_size) + 1, '\0');
        while (true) {
            const ssize_t length = ::readlink(from.constData(), target.data(), size_t(target.size()));
            if (length < 0)
                return FailedStep{errno, from};
            if (length < target.size()) {
                target.truncate(length);
                break;
            }
            target.resize(target.size() * 2);
        }
        if (::symlink(target.constData(), to.constData()) != 0)
            return FailedStep{errno, to};
        created = true;
        (void)::lchown(to.constData(), st.st_uid, st.st_gid); // kept where allowed
        if (::utimensat(AT_FDCWD, to.constData(), times, AT_SYMLINK_NOFOLLOW) != 0)
            return FailedStep{errno, to};
        return std::nullopt;
    }

    if (S_ISREG(st.st_mode)) {
        ScopedFd in(::open(from.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
        if (in.fd < 0)
            return FailedStep{errno, from};
        ScopedFd out(::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (out.fd < 0)
            return FailedStep{errno, to};
        created = true;
        if (const int error = copyContents(in.fd, out.fd))
            return FailedStep{error, to};
        (void)::fchown(out.fd, st.st_uid, st.st_gid); // kept where allowed; before the mode
        if (::fchmod(out.fd, permissions) != 0 || ::futimens(out.fd, times) != 0)
            return FailedStep{errno, to};
        // The source is removed next: the copy must be on disk before it goes.
        if (::fsync(out.fd) != 0)
            return FailedStep{errno, to};
        if (const int error = out.close())
            return FailedStep{error, to};
        return std::nullopt;
    }

    if (S_ISDIR(st.st_mode)) {
        // Owner-only until complete, then the source's permissions.
        if (::mkdir(to.constData(), 0700) != 0)
            return FailedStep{errno, to};
        created = true;
        DIR* dir = ::opendir(from.constData());
        if (!dir)
            return FailedStep{errno, from};
        QList<QByteArray> names;
        errno = 0;
        while (const dirent* entry = ::readdir(dir)) {
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                names.append(QByteArray(entry->d_name));
        }
        const int readError = errno;
        ::closedir(dir);
        if (readError != 0)
            return FailedStep{readError, from};
        for (const QByteArray& name : std::as_const(names)) {
            bool childCreated = false;
            if (auto failure = copyItem(from + '/' + name, to + '/' + name, childCreated))
                return failure;
        }
        (void)::lchown(to.constData(), st.st_uid, st.st_gid);
        // The times last: every entry added above changed them.
        if (::chmod(to.constData(), permissions) != 0
            || ::utimensat(AT_FDCWD, to.constData(), times, AT_SYMLINK_NOFOLLOW) != 0)
            return FailedStep{errno, to};
        ScopedFd self(::open(to.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (self.fd >= 0 && ::fsync(self.fd) != 0)
            return FailedStep{errno, to};
        return std::nullopt;
    }

    if (S_ISFIFO(st.st_mode)) {
        if (::mkfifo(to.constData(), permissions) != 0)
            return FailedStep{errno, to};
        created = true;
        (void)::lchown(to.constData(), st.st_uid, st.st_gid);
        if (::chmod(to.constData(), permissions) != 0
            || ::utimensat(AT_FDCWD, to.constData(), times, AT_SYMLINK_NOFOLLOW) != 0)
            return FailedStep{errno, to};
        return std::nullopt;
    }

    // Sockets and device nodes have no meaning away from where they were made.
    return FailedStep{EOPNOTSUPP, from};
}

// --- the moves -----------------------------------------------------------------------------

// The free path, and whether it had to differ from the preferred name.
bool uniqueDestinationIn(const QString& folder, const QString& preferredFileName, QSet<QString>& reservedPaths,
                         QString& chosenPath)
{
    return uniqueNameIn(folder, preferredFileName, reservedPaths,
                        [](const QString& path) { return existsNoFollow(encoded(path)); }, chosenPath);
}

// `known` is the source's lstat when the caller has just taken it.
Result<FileIdentity, MoveError> safeMove(const QString& from, const QString& to, const struct stat* known = nullptr)
{
    const QByteArray source = encoded(from);
    const QByteArray target = encoded(to);
    struct stat st;
    if (known)
        st = *known;
    else if (::lstat(source.constData(), &st) != 0)
        return MoveError(FileSystemError{FileOperation::move, errno, from});

    if (S_ISDIR(st.st_mode)) {
        const QString canonicalSource = realPath(from).value_or(from);
        if (withTrailingSlash(canonicalAllowingMissing(to)).startsWith(withTrailingSlash(canonicalSource)))
            return MoveError(PortalOperationError::cannotMoveDirectoryIntoSelf(lastComponent(from)));
    }

    const int renameError = detail::renameWithoutReplacing(source, target);
    if (renameError == 0) {
        // A rename keeps the file itself, so its identity is the one taken before; only a
        // folder may have its times touched by the move of its ".." entry.
        struct stat moved;
        if (S_ISDIR(st.st_mode) && ::lstat(target.constData(), &moved) == 0)
            return identityOf(moved);
        return identityOf(st);
    }
    if (renameError != EXDEV)
        return MoveError(FileSystemError{FileOperation::move, renameError, from});

    // Between file systems: copy, then remove. Check first that the source can be removed
    // at all (a read-only mount, a folder without write permission), so that a copy is not
    // left behind beside a source that stays.
    if (::access(encoded(parentPath(from)).constData(), W_OK | X_OK) != 0)
        return MoveError(FileSystemError{FileOperation::move, errno, from});

    bool created = false;
    if (const auto failure = copyItem(source, target, created)) {
        if (created)
            (void)removeTree(target);
        return MoveError(FileSystemError{FileOperation::copy, failure->code, decoded(failure->path)});
    }
    struct stat copied;
    const FileIdentity identity = ::lstat(target.constData(), &copied) == 0 ? identityOf(copied) : FileIdentity{};
    if (const auto failure = removeTree(source))
        return MoveError(FileSystemError{FileOperation::removeSource, failure->code, decoded(failure->path)});
    return identity;
}

bool sourceVanished(const MoveError& error, const QString& source)
{
    const auto* fileError = std::get_if<FileSystemError>(&error);
    return fileError && fileError->operation == FileOperation::move && fileError->code == ENOENT
           && !existsNoFollow(encoded(source));
}

QString defaultLabel(const QList<MovedFilePair>& moves, const QString& destination)
{
    if (moves.size() == 1)
        return QStringLiteral("移动 ") + lastComponent(moves.constFirst().originalPath);
    return QStringLiteral("移动 ") + QString::number(moves.size()) + QStringLiteral(" 个项目到 ")
           + lastComponent(destination);
}

void stamp(UndoTransaction& transaction, const QString& label)
{
    transaction.id = newUuid();
    transaction.label = label;
    transaction.timestamp = QDateTime::currentDateTimeUtc();
}

MoveFailure failed(MoveError error, MoveBatch completed = {})
{
    return MoveFailure{std::move(error), std::move(completed)};
}

} // namespace

// --- errors --------------------------------------------------------------------------------

PortalOperationError PortalOperationError::destinationNotDirectory(const QString& path)
{
    return PortalOperationError{Kind::destinationNotDirectory, path};
}

PortalOperationError PortalOperationError::cannotMoveDirectoryIntoSelf(const QString& folderName)
{
    return PortalOperationError{Kind::cannotMoveDirectoryIntoSelf, folderName};
}

PortalOperationError PortalOperationError::nothingMoved()
{
    return PortalOperationError{Kind::nothingMoved, QString()};
}

PortalOperationError PortalOperationError::unreadableName(const QStringList& shownNames)
{
    return PortalOperationError{Kind::unreadableName, shownNames.join(u'、')};
}

QString PortalOperationError::errorDescription() const
{
    switch (kind) {
    case Kind::destinationNotDirectory:
        return QStringLiteral("目标路径不是有效文件夹：") + detail;
    case Kind::cannotMoveDirectoryIntoSelf:
        return QStringLiteral("不能将文件夹“") + detail + QStringLiteral("”移动到其自身或子目录中。");
    case Kind::nothingMoved:
        return QStringLiteral("没有需要移动的文件。");
    case Kind::unreadableName:
        return QStringLiteral("文件名含有无法识别的字符，无法移动：") + detail;
    }
    return QString();
}

QString FileSystemError::errorDescription() const
{
    QString step;
    switch (operation) {
    case FileOperation::createFolder:
        step = QStringLiteral("无法创建文件夹“");
        break;
    case FileOperation::move:
        step = QStringLiteral("无法移动“");
        break;
    case FileOperation::copy:
        step = QStringLiteral("无法复制“");
        break;
    case FileOperation::removeSource:
        step = QStringLiteral("已复制到目标位置，但无法删除原项目“");
        break;
    }
    return step + path + QStringLiteral("”：") + platform::systemErrorReason(code) + u'。';
}

QString errorDescription(const MoveError& error)
{
    return std::visit([](const auto& e) { return e.errorDescription(); }, error);
}

std::optional<FileIdentity> fileIdentity(const QString& path)
{
    struct stat st;
    if (::lstat(encoded(path).constData(), &st) != 0)
        return std::nullopt;
    return identityOf(st);
}

// --- the operations ------------------------------------------------------------------------

bool uniqueNameIn(const QString& folder, const QString& preferredFileName, QSet<QString>& reservedPaths,
                  const std::function<bool(const QString& path)>& isTaken, QString& chosenPath)
{
    // The extension follows the last dot, unless that dot begins or ends the name.
    const qsizetype dot = preferredFileName.lastIndexOf(u'.');
    const bool hasExtension = dot > 0 && dot < preferredFileName.size() - 1;
    const QString base = hasExtension ? preferredFileName.left(dot) : preferredFileName;
    const QString extension = hasExtension ? preferredFileName.mid(dot + 1) : QString();
    // A plain name joined to a cleaned absolute folder is clean already: no path to clean for
    // each of thousands of names a plan asks for.
    const QString cleanFolder = standardizedOrRelative(folder);
    const bool plainNames = cleanFolder.startsWith(u'/') && !preferredFileName.isEmpty()
                            && !preferredFileName.contains(u'/') && preferredFileName != u"."
                            && preferredFileName != u"..";

    for (qint64 n = 1;; ++n) {
        QString candidate;
        if (n == 1)
            candidate = preferredFileName;
        else if (hasExtension)
            candidate = base + u' ' + QString::number(n) + u'.' + extension;
        else
            candidate = base + u' ' + QString::number(n);
        const QString path =
            plainNames ? joined(cleanFolder, candidate) : standardizedOrRelative(joined(folder, candidate));
        if (reservedPaths.contains(path))
            continue;
        // Only an answer that something is there takes the name: an unreadable folder or
        // an over-long name would otherwise make this loop forever, and the move itself
        // reports why it cannot use the name.
        if (isTaken(path))
            continue;
        reservedPaths.insert(path);
        chosenPath = path;
        return n >= 2;
    }
}

UniqueDestination uniqueDestinationURL(const QUrl& folder, const QString& preferredFileName,
                                       QSet<QString>& reservedPaths)
{
    // No name in a folder that no path of ours names: the move to it is then refused.
    if (hasInexactPath(folder))
        return UniqueDestination{};
    const std::optional<QString> standardized = standardizedPath(folder);
    const QString folderPath = standardized ? *standardized : standardizedOrRelative(folder.toLocalFile());
    QString chosen;
    const bool didRename = uniqueDestinationIn(folderPath, preferredFileName, reservedPaths, chosen);
    return UniqueDestination{QUrl::fromLocalFile(chosen), didRename};
}

Result<FileIdentity, MoveError> performSafeMove(const QUrl& from, const QUrl& to)
{
    for (const QUrl& url : {from, to}) {
        if (hasInexactPath(url))
            return MoveError(PortalOperationError::unreadableName({shownName(url)}));
    }
    const auto source = standardizedPath(from);
    if (!source)
        return MoveError(FileSystemError{FileOperation::move, ENOENT, from.toString(QUrl::PreferLocalFile)});
    const auto target = standardizedPath(to);
    if (!target)
        return MoveError(FileSystemError{FileOperation::move, EINVAL, to.toString(QUrl::PreferLocalFile)});
    return safeMove(*source, *target);
}

MoveResult moveFiles(const QList<QUrl>& sources, const QUrl& destinationDirectory,
                     const std::optional<QString>& label)
{
    const auto destination = standardizedPath(destinationDirectory);
    if (!destination)
        return failed(PortalOperationError::destinationNotDirectory(
            destinationDirectory.toString(QUrl::PreferLocalFile)));

    const QByteArray encodedDestination = encoded(*destination);
    struct stat st;
    const bool destinationExists = ::lstat(encodedDestination.constData(), &st) == 0;
    // A symlink to a folder is a folder here; a dangling one is not.
    if (destinationExists && (::stat(encodedDestination.constData(), &st) != 0 || !S_ISDIR(st.st_mode)))
        return failed(PortalOperationError::destinationNotDirectory(*destination));
    const QString canonicalDestination = canonicalAllowingMissing(*destination);
    const QString destinationPrefix = withTrailingSlash(canonicalDestination);

    // Every source is checked before the first one moves, so that a refusal leaves the
    // whole batch where it was.
    struct Planned {
        QString path;
        struct stat status;
    };
    QList<Planned> planned;
    QSet<QString> seen;
    QHash<QString, QString> canonicalParents;
    QStringList unreadable; // shown names of the sources no path of ours names
    for (const QUrl& url : sources) {
        const auto source = standardizedPath(url);
        if (!source && isPresentInexactItem(url)) {
            // Its decoded path would name another file, or none: it stays, and is named. Its
            // encoded URL, kept in `seen`, never equals a path.
            const QString key = encodedIdentity(url);
            if (!seen.contains(key))
                unreadable.append(shownName(url));
            seen.insert(key);
            continue;
        }
        if (!source || seen.contains(*source))
            continue;
        seen.insert(*source);
        struct stat sourceStat;
        if (::lstat(encoded(*source).constData(), &sourceStat) != 0)
            continue;
        const QString parent = parentPath(*source);
        if (parent == *destination)
            continue;
        auto cached = canonicalParents.constFind(parent);
        if (cached == canonicalParents.constEnd())
            cached = canonicalParents.insert(parent, realPath(parent).value_or(parent));
        // Already there, perhaps reached through a symlinked path.
        if (*cached == canonicalDestination)
            continue;
        if (S_ISDIR(sourceStat.st_mode)) {
            const QString canonicalSource = joined(*cached, lastComponent(*source));
            if (destinationPrefix.startsWith(withTrailingSlash(canonicalSource)))
                return failed(PortalOperationError::cannotMoveDirectoryIntoSelf(lastComponent(*source)));
        }
        planned.append(Planned{*source, sourceStat});
    }
    if (planned.isEmpty())
        return concludeBatch({}, unreadable);

    if (!destinationExists) {
        std::error_code error;
        std::filesystem::create_directories(std::filesystem::path(encodedDestination.toStdString()), error);
        if (error)
            return failed(FileSystemError{FileOperation::createFolder, error.value(), *destination});
    }

    MoveBatch batch;
    const auto finish = [&] {
        stamp(batch.transaction, label.value_or(defaultLabel(batch.transaction.moves, *destination)));
        return std::move(batch);
    };
    QSet<QString> reserved;
    for (const Planned& item : std::as_const(planned)) {
        const QString& source = item.path;
        QString target;
        (void)uniqueDestinationIn(*destination, lastComponent(source), reserved, target);
        auto moved = safeMove(source, target, &item.status);
        if (!moved) {
            // Gone since the check (it was inside a folder of this batch, or someone else
            // moved it): skipped like any missing source.
            if (sourceVanished(moved.error(), source))
                continue;
            return failed(moved.error(), finish());
        }
        batch.transaction.moves.append(MovedFilePair{source, target});
        batch.identities.append(moved.value());
    }
    return concludeBatch(finish(), unreadable);
}

MoveResult concludeBatch(MoveBatch batch, const QStringList& unreadableNames)
{
    if (batch.transaction.moves.isEmpty())
        return failed(unreadableNames.isEmpty() ? PortalOperationError::nothingMoved()
                                                : PortalOperationError::unreadableName(unreadableNames));
    if (!unreadableNames.isEmpty())
        return failed(PortalOperationError::unreadableName(unreadableNames), std::move(batch));
    return batch;
}

MoveResult undoTransaction(const UndoTransaction& transaction)
{
    MoveBatch inverse;
    const auto finish = [&] {
        stamp(inverse.transaction, QStringLiteral("恢复：") + transaction.label);
        return std::move(inverse);
    };
    QSet<QString> reserved;
    QSet<QString> presentParents; // former folders seen to exist, looked at once each
    for (auto pair = transaction.moves.crbegin(); pair != transaction.moves.crend(); ++pair) {
        const auto current = standardizedPath(pair->destinationPath);
        const auto former = standardizedPath(pair->originalPath);
        // A pair that names no absolute place, or the same place twice, moves nothing.
        if (!current || !former || *current == *former)
            continue;
        struct stat currentStat;
        if (::lstat(encoded(*current).constData(), &currentStat) != 0)
            continue;

        const QString parent = parentPath(*former);
        const QByteArray encodedParent = encoded(parent);
        if (!presentParents.contains(parent) && !existsNoFollow(encodedParent)) {
            std::error_code error;
            std::filesystem::create_directories(std::filesystem::path(encodedParent.toStdString()), error);
            if (error)
                return failed(FileSystemError{FileOperation::createFolder, error.value(), parent}, finish());
        }
        presentParents.insert(parent);

        QString target = *former;
        if (existsNoFollow(encoded(*former)) || reserved.contains(*former))
            (void)uniqueDestinationIn(parent, lastComponent(*former), reserved, target);
        else
            reserved.insert(*former);

        auto moved = safeMove(*current, target, &currentStat);
        if (!moved)
            return failed(moved.error(), finish());
        inverse.transaction.moves.append(MovedFilePair{*current, target});
        inverse.identities.append(moved.value());
    }
    return finish();
}

namespace detail {

int renameWithoutReplacing(const QByteArray& from, const QByteArray& to, NoReplaceSupport support)
{
    if (support == NoReplaceSupport::probe) {
        if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
            return 0;
        // EINVAL also means a folder into its own subtree; the fallback then fails the same way.
        if (errno != EINVAL && errno != ENOSYS)
            return errno;
    }

    struct stat st;
    if (::lstat(from.constData(), &st) != 0)
        return errno;
    if (!S_ISDIR(st.st_mode)) {
        // A new link fails when the name is taken, so nothing is ever replaced.
        if (::linkat(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), 0) == 0) {
            if (::unlink(from.constData()) == 0)
                return 0;
            const int error = errno;
            ::unlink(to.constData());
            return error;
        }
        if (errno != EPERM && errno != EOPNOTSUPP)
            return errno;
    }
    // Folders cannot be linked (nor can anything on some file systems): reserve the name with
    // an empty placeholder, made exclusively, that the rename then replaces.
    if (S_ISDIR(st.st_mode)) {
        if (::mkdir(to.constData(), 0700) != 0)
            return errno;
    } else {
        const int fd = ::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0)
            return errno;
        ::close(fd);
    }
    if (::rename(from.constData(), to.constData()) == 0)
        return 0;
    const int error = errno;
    if (S_ISDIR(st.st_mode))
        ::rmdir(to.constData());
    else
        ::unlink(to.constData());
    return error;
}

} // namespace detail

} // namespace mv::FolderPortalEngine
