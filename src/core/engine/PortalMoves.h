#pragma once

#include "core/models/MoveRecords.h"
#include "core/models/Result.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <optional>
#include <variant>

// Moving the user's files into portal folders, and back again for undo and redo.
//
// Every move keeps an existing name intact: renames never replace (a dangling symlink holds
// its name too), a copy is made only between file systems and only into a fresh name, and a
// failed copy removes what it made and leaves the source alone. Every source of a batch is
// checked before the first one moves. A batch or an undo that fails part-way returns the
// record of what did move together with the error, so that the caller can still undo it.
namespace mv::FolderPortalEngine {

// The refusals of the move operations; each has the text shown to the user.
struct PortalOperationError final {
    enum class Kind {
        destinationNotDirectory,     // detail: the destination's path
        cannotMoveDirectoryIntoSelf, // detail: the folder's name
        nothingMoved,                // detail: empty
        unreadableName,              // detail: the names as listed, with U+FFFD, joined by "、"
    };

    Kind kind = Kind::nothingMoved;
    QString detail;

    [[nodiscard]] static PortalOperationError destinationNotDirectory(const QString& path);
    [[nodiscard]] static PortalOperationError cannotMoveDirectoryIntoSelf(const QString& folderName);
    [[nodiscard]] static PortalOperationError nothingMoved();
    [[nodiscard]] static PortalOperationError unreadableName(const QStringList& shownNames);

    // "目标路径不是有效文件夹：" + path, "不能将文件夹“" + name + "”移动到其自身或子目录中。",
    // "没有需要移动的文件。", or "文件名含有无法识别的字符，无法移动：" + names.
    QString errorDescription() const;

    bool operator==(const PortalOperationError&) const = default;
};

// The step of a move that the file system refused.
enum class FileOperation {
    createFolder, // creating the destination folder or a former parent folder
    move,         // the rename itself
    copy,         // the copy between file systems
    removeSource, // removing the source after a complete copy (the copy stays)
};

// A file-system failure: which step, the errno it gave and the path it was about.
struct FileSystemError final {
    FileOperation operation = FileOperation::move;
    int code = 0;
    QString path;

    // A Chinese sentence naming the step, the path and the reason.
    QString errorDescription() const;

    bool operator==(const FileSystemError&) const = default;
};

using MoveError = std::variant<PortalOperationError, FileSystemError>;

// The text the caller shows for either kind of error.
QString errorDescription(const MoveError& error);

// Who a moved file is, taken right after it reached its destination, so that a later undo
// can tell whether the destination still holds that same file. Directories report size 0;
// note that a directory's modification time changes whenever entries are added or removed
// inside it, so device and inode are the better test for a folder.
struct FileIdentity final {
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedNanoseconds = 0; // since the epoch
    bool isDirectory = false;

    bool operator==(const FileIdentity&) const = default;
};

// The identity of what is at `path` now (not following a final symlink); none when nothing is.
[[nodiscard]] std::optional<FileIdentity> fileIdentity(const QString& path);

// A batch of performed moves: the transaction, and beside it the identity of each moved file
// at its destination (identities[i] belongs to transaction.moves[i]). Identities live only in
// memory; they are not part of the recorded transaction.
struct MoveBatch final {
    UndoTransaction transaction;
    QList<FileIdentity> identities;
};

// A batch that stopped: the error, and the moves made before it, which stay made. The
// transaction of `completed` may have no pairs.
struct MoveFailure final {
    MoveError error;
    MoveBatch completed;
};

using MoveResult = Result<MoveBatch, MoveFailure>;

// A free name in a folder.
struct UniqueDestination final {
    QUrl url;
    bool didRename = false;
};

// The first of `preferredFileName`, "base 2.ext", "base 3.ext", ... that nothing in `folder`
// holds (tested with lstat) and that is not in `reservedPaths`; its standardized path is
// added to `reservedPaths`. An empty URL for a folder without an exact path. The extension is the text after the last dot, except for a dot
// that begins the name or ends it: ".bashrc" becomes ".bashrc 2", "Photos.app" becomes
// "Photos 2.app", "archive.tar.gz" becomes "archive.tar 2.gz".
[[nodiscard]] UniqueDestination uniqueDestinationURL(const QUrl& folder, const QString& preferredFileName,
                                                     QSet<QString>& reservedPaths);

// The same choice of name in `folder`, a standardized absolute path, with `isTaken` in place of
// lstat: whether something is at a candidate's path. A plan that asks for many names in one
// folder answers from the folder's names read once. Sets `chosenPath`; true when renamed.
bool uniqueNameIn(const QString& folder, const QString& preferredFileName, QSet<QString>& reservedPaths,
                  const std::function<bool(const QString& path)>& isTaken, QString& chosenPath);

// Moves one item to `to`, which must be free. A rename when both are on one file system;
// between file systems a copy that keeps symlinks, permissions and times, then removal of
// the source. Refuses to put a folder into itself or below itself. The result is the
// identity of the item at `to`.
[[nodiscard]] Result<FileIdentity, MoveError> performSafeMove(const QUrl& from, const QUrl& to);

// Moves `sources` into `destinationDirectory`, creating that folder when it is missing.
// Missing sources, repeated sources and sources already in that folder are skipped; a
// taken name gets the next free one. The label is `label`, or "移动 " + name for one
// item, or "移动 " + n + " 个项目到 " + the folder's name for several.
// A source whose name is not exact text (filepaths::isPresentInexactItem) stays where it is: the
// others move, and the result is then an unreadableName failure naming it, beside the
// moves made.
[[nodiscard]] MoveResult moveFiles(const QList<QUrl>& sources, const QUrl& destinationDirectory,
                                   const std::optional<QString>& label = std::nullopt);

// Moves the files of `transaction` back, last first, and returns the inverse transaction,
// labelled "恢复：" + label. A pair whose file is gone is skipped; a former place that has
// been taken meanwhile gets the next free name beside it. Redo is the inverse of the inverse.
[[nodiscard]] MoveResult undoTransaction(const UndoTransaction& transaction);

// How a batch ends that left the files named in `unreadableNames` alone (shown names, whose
// bytes are not UTF-8): the batch itself when there are none; otherwise an unreadableName
// failure beside the moves made. A batch without moves fails with nothingMoved, or with
// unreadableName when such files were its only ones.
[[nodiscard]] MoveResult concludeBatch(MoveBatch batch, const QStringList& unreadableNames);

namespace detail {

// Whether to use the kernel's RENAME_NOREPLACE or the fallback for file systems without it.
enum class NoReplaceSupport { probe, assumeMissing };

// Renames `from` to `to` (both on one file system) unless something exists at `to`; 0 or
// the errno. Without kernel support it links then unlinks, and for what cannot be linked
// (folders) it reserves the name with an empty placeholder that the rename then replaces.
[[nodiscard]] int renameWithoutReplacing(const QByteArray& from, const QByteArray& to,
                                         NoReplaceSupport support = NoReplaceSupport::probe);

} // namespace detail

} // namespace mv::FolderPortalEngine
