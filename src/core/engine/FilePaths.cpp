#include "core/engine/FilePaths.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>

#include <dirent.h>
#include <linux/fs.h>
#include <linux/magic.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/vfs.h>

namespace mv::filepaths {

QByteArray encoded(const QString& path)
{
    return QFile::encodeName(path);
}

QString decoded(const char* path)
{
    return QFile::decodeName(path);
}

bool isExactName(QByteArrayView raw)
{
    // File names are UTF-8 here: valid UTF-8 decodes and encodes back to itself. A leading
    // byte-order mark may be dropped by the decoder, so such a name proves it the long way.
    if (!raw.startsWith("\xEF\xBB\xBF"))
        return raw.isValidUtf8();
    const QByteArray bytes = raw.toByteArray();
    return QFile::encodeName(QFile::decodeName(bytes)) == bytes;
}

QUrl fileUrl(const QString& parentPrefix, const QString& decodedName, const char* rawName)
{
    const QByteArrayView raw(rawName);
    if (isExactName(raw))
        return QUrl::fromLocalFile(parentPrefix + decodedName);
    // QUrl keeps a percent-encoded byte that is no UTF-8 as it is, in every form but the
    // decoded one, so two such names stay two URLs.
    return QUrl::fromEncoded("file://" + encoded(parentPrefix).toPercentEncoding("/")
                             + raw.toByteArray().toPercentEncoding());
}

namespace {

// A URL that names an item on this machine, if it is a file URL.
bool namesThisMachine(const QUrl& url)
{
    if (url.scheme().isEmpty())
        return true;
    return url.isLocalFile()
           && (url.host().isEmpty() || url.host().compare(u"localhost", Qt::CaseInsensitive) == 0);
}

// The bytes of the URL's path: Qt's decoded forms put U+FFFD for a byte that is no UTF-8.
QByteArray pathBytes(const QUrl& url)
{
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
}

} // namespace

bool hasInexactPath(const QUrl& url)
{
    return namesThisMachine(url) && !isExactName(pathBytes(url));
}

QString shownName(const QUrl& url)
{
    return lastComponent(QFile::decodeName(pathBytes(url.adjusted(QUrl::StripTrailingSlash))));
}

bool isPresentInexactItem(const QUrl& url)
{
    return hasInexactPath(url) && existsNoFollow(pathBytes(url));
}

QString encodedIdentity(const QUrl& url)
{
    return url.adjusted(QUrl::NormalizePathSegments | QUrl::StripTrailingSlash).toString(QUrl::FullyEncoded);
}

bool hasInexactNameShownAs(const QString& path)
{
    const QString name = lastComponent(path);
    if (!name.contains(QChar::ReplacementCharacter))
        return false;
    DIR* dir = ::opendir(encoded(parentPath(path)).constData());
    if (!dir)
        return false;
    bool found = false;
    while (const dirent* entry = ::readdir(dir)) {
        if (!isExactName(entry->d_name) && decoded(entry->d_name) == name) {
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

std::optional<QString> localPath(const QUrl& url)
{
    if (!isExactName(pathBytes(url)))
        return std::nullopt;
    if (url.scheme().isEmpty())
        return url.path(QUrl::FullyDecoded);
    if (!url.isLocalFile())
        return std::nullopt;
    if (url.host().isEmpty())
        return url.toLocalFile();
    if (url.host().compare(u"localhost", Qt::CaseInsensitive) == 0)
        return url.path(QUrl::FullyDecoded);
    return std::nullopt;
}

std::optional<QString> standardizedPath(const QString& path)
{
    if (!path.startsWith(u'/'))
        return std::nullopt;
    QString clean = QDir::cleanPath(path);
    // cleanPath keeps ".." at the root, where it names the root itself.
    while (clean == u"/.." || clean.startsWith(u"/../"))
        clean.remove(0, 3);
    return clean.isEmpty() ? QStringLiteral("/") : clean;
}

std::optional<QString> standardizedPath(const QUrl& url)
{
    const std::optional<QString> local = localPath(url);
    return local ? standardizedPath(*local) : std::nullopt;
}

QString standardizedOrRelative(const QString& path)
{
    if (auto standardized = standardizedPath(path))
        return *standardized;
    return QDir::cleanPath(path);
}

QString parentPath(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

QString lastComponent(const QString& path)
{
    return path.mid(path.lastIndexOf(u'/') + 1);
}

QString joined(const QString& folder, const QString& name)
{
    if (folder.isEmpty())
        return name;
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

QString withTrailingSlash(const QString& path)
{
    return path.endsWith(u'/') ? path : path + u'/';
}

bool existsNoFollow(const QByteArray& path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0;
}

bool existsNoFollow(const QString& path)
{
    return existsNoFollow(encoded(path));
}

namespace {

struct DirectoryCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

// Whether every lookup in the open folder matches names byte for byte: a local file system
// of the kinds that do, without the per-folder case-folding flag.
bool comparesNamesExactly(int folder)
{
    struct statfs system;
    if (::fstatfs(folder, &system) != 0)
        return false;
    switch (static_cast<unsigned long>(system.f_type)) {
    case EXT4_SUPER_MAGIC: // ext2, ext3 and ext4 alike
    case F2FS_SUPER_MAGIC:
    case TMPFS_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case XFS_SUPER_MAGIC:
    case OVERLAYFS_SUPER_MAGIC:
        break;
    default:
        return false;
    }
    int flags = 0;
    if (::ioctl(folder, FS_IOC_GETFLAGS, &flags) == 0)
        return !(flags & FS_CASEFOLD_FL);
    // A file system without the flags has no case folding either.
    return errno == ENOTTY || errno == EOPNOTSUPP || errno == EINVAL;
}

} // namespace

std::optional<FolderNames> FolderNames::read(const QString& folder)
{
    const std::unique_ptr<DIR, DirectoryCloser> dir(::opendir(encoded(folder).constData()));
    if (!dir || !comparesNamesExactly(::dirfd(dir.get())))
        return std::nullopt;
    FolderNames names;
    names.m_prefix = withTrailingSlash(folder);
    names.m_prefixBytes = encoded(names.m_prefix).size();
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir.get());
        if (!entry)
            break;
        // A name that is not UTF-8 is the path of no text: no question can name it.
        if (isExactName(entry->d_name))
            names.m_paths.insert(names.m_prefix + decoded(entry->d_name));
    }
    // A listing cut short by an error leaves names out.
    if (errno != 0)
        return std::nullopt;
    return names;
}

bool FolderNames::holds(const QString& path) const
{
    const QStringView name = QStringView(path).mid(std::min(m_prefix.size(), path.size()));
    // Text that is not valid UTF-16 is written out lossily, maybe as the name of another file.
    if (!path.startsWith(m_prefix) || name.isEmpty() || name.contains(u'/') || name == u"." || name == u".."
        || !QStringView(path).isValidUtf16())
        return existsNoFollow(path);
    // lstat refuses a path this long before it looks.
    if (m_prefixBytes + name.size() * 3 >= PATH_MAX && m_prefixBytes + name.toUtf8().size() >= PATH_MAX)
        return false;
    return m_paths.contains(path);
}

std::optional<QString> realPath(const QString& path)
{
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(encoded(path).constData(), nullptr), &std::free);
    if (!resolved)
        return std::nullopt;
    return decoded(resolved.get());
}

QString canonicalAllowingMissing(const QString& path)
{
    QString head = path;
    QStringList tail;
    while (true) {
        if (const auto resolved = realPath(head)) {
            QString result = *resolved;
            for (const QString& part : std::as_const(tail))
                result = joined(result, part);
            return result;
        }
        if (head == u"/" || !head.startsWith(u'/'))
            return path;
        tail.prepend(lastComponent(head));
        head = parentPath(head);
    }
}

bool isSameOrInside(const QString& inner, const QString& outer)
{
    return withTrailingSlash(inner).startsWith(withTrailingSlash(outer));
}

} // namespace mv::filepaths
