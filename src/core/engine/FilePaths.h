#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>

// Path text as the file operations need it: plain absolute paths, split and joined by "/",
// and their canonical forms. Shared by the moves and the smart tidy so that both decide
// "inside", "already there" and "into itself" the same way.
namespace mv::filepaths {

QByteArray encoded(const QString& path);
QString decoded(const char* path);

// The path a URL names on this machine, as written (not cleaned): a file URL without a host or
// with "localhost", or a URL without a scheme. None for anything else, such as a file URL of
// another machine ("file://server/share", which Qt would turn into the local "//server/share").
std::optional<QString> localPath(const QUrl& url);

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

// The path with every symlink, "." and ".." resolved; none when it does not exist.
std::optional<QString> realPath(const QString& path);
// The canonical form of an absolute path whose last components may not exist yet: the deepest
// existing ancestor is resolved and the rest appended as written.
QString canonicalAllowingMissing(const QString& path);
// Whether `inner` is `outer` or lies below it (both canonical or both as written): "Work" is
// not inside "Workshop".
bool isSameOrInside(const QString& inner, const QString& outer);

} // namespace mv::filepaths
