#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QUrl>

#include <optional>

// Path text as the file operations need it: plain absolute paths, split and joined by "/",
// and their canonical forms. Shared by the moves and the smart tidy so that both decide
// "inside", "already there" and "into itself" the same way.
namespace mv::filepaths {

QByteArray encoded(const QString& path);
QString decoded(const char* path);

// Whether a name or path as the file system gives it reads back to the same bytes through
// text. A name from an old archive may hold bytes that are not UTF-8 (0xE9 for "é"): decoded,
// they become U+FFFD, and that text names another file, or none.
bool isExactName(QByteArrayView raw);

// The file URL of a listed item: `decodedName` in the folder `parentPrefix` (ending in "/").
// An item whose `rawName` is not exact gets the URL of its very bytes, percent-encoded
// ("caf%E9"), which no path of ours turns into text: localPath refuses it.
QUrl fileUrl(const QString& parentPrefix, const QString& decodedName, const char* rawName);

// The path a URL names on this machine, as written (not cleaned): a file URL without a host or
// with "localhost", or a URL without a scheme. None for anything else, such as a file URL of
// another machine ("file://server/share", which Qt would turn into the local "//server/share"),
// or a URL whose path is not exact text (see hasInexactPath). Every file operation turns
// URLs into paths here, so none of them acts on a lossy path that names another file.
std::optional<QString> localPath(const QUrl& url);

// Whether `url` names a local item whose path bytes are not exact text, such as a listed
// "caf%E9"; localPath refuses it. shownName is its last component as a listing shows it, with
// U+FFFD.
bool hasInexactPath(const QUrl& url);
QString shownName(const QUrl& url);
// hasInexactPath, and something (a dangling symlink included) has those bytes for its path.
bool isPresentInexactItem(const QUrl& url);
// The URL written out, its path bytes percent-encoded, with "." and ".." segments resolved and
// no trailing slash: how an item without an exact path is told apart. Never a path ("/…").
QString encodedIdentity(const QUrl& url);

// A folder holds an item whose inexact name is shown as the last component of `path`.
bool hasInexactNameShownAs(const QString& path);

// The plain absolute path, with ".", ".." (also above the root) and repeated slashes resolved
// and no trailing slash; symbolic links are kept. None for a relative path: it never resolves
// against the working directory. The URL form takes what localPath accepts.
std::optional<QString> standardizedPath(const QString& path);
std::optional<QString> standardizedPath(const QUrl& url);
// standardizedPath for an absolute path; a relative one, which some callers keep as the user
// wrote it, only has its ".", ".." and repeated slashes resolved.
QString standardizedOrRelative(const QString& path);

// The folder of a path ("/" for a top-level item) and its last component.
QString parentPath(const QString& path);
QString lastComponent(const QString& path);
// `name` inside `folder`; `name` alone when there is no folder.
QString joined(const QString& folder, const QString& name);
QString withTrailingSlash(const QString& path);

// Whether anything, a dangling symlink included, has that name.
bool existsNoFollow(const QByteArray& path);
bool existsNoFollow(const QString& path);

// The names one folder holds, read once, to answer many "is anything at this path" questions
// as lstat would without a lookup on disk for each. Only for folders whose lookups compare
// names byte for byte: a case-insensitive folder (ext4 or f2fs casefolding, FAT, a network
// share) finds "a.png" under "A.png", which the names alone cannot tell.
class FolderNames final {
public:
    // None when the folder cannot be listed or is not known to compare names exactly; the
    // caller then asks the disk.
    static std::optional<FolderNames> read(const QString& folder);

    // Whether lstat would find something at `path`, a name directly inside the folder read.
    // A path elsewhere is asked of the disk.
    bool holds(const QString& path) const;

private:
    QString m_prefix; // the folder with a trailing "/"
    qsizetype m_prefixBytes = 0;
    QSet<QString> m_paths; // the prefix and each name that is exact text
};

// The path with every symlink, "." and ".." resolved; none when it does not exist.
std::optional<QString> realPath(const QString& path);
// The canonical form of an absolute path whose last components may not exist yet: the deepest
// existing ancestor is resolved and the rest appended as written.
QString canonicalAllowingMissing(const QString& path);
// Whether `inner` is `outer` or lies below it (both canonical or both as written): "Work" is
// not inside "Workshop".
bool isSameOrInside(const QString& inner, const QString& outer);

} // namespace mv::filepaths
