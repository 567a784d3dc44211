#include "core/engine/PortalScan.h"

#include "core/engine/FilePaths.h"
#include "core/engine/PortalNameFilter.h"
#include "core/engine/PortalNames.h"
#include "core/engine/PortalSortKeys.h"
#include "core/engine/PortalSymbols.h"
#include "core/models/Text.h"
#include "platform/ContentTypes.h"

#include <QFile>
#include <QHash>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <system_error>
#include <vector>

#include <cerrno>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mv::FolderPortalEngine {

namespace {

namespace ids = platform::contentTypeId;

using namespace detail;

QDateTime fromTimestamp(const statx_timestamp& time)
{
    // Milliseconds, floored, as the model keeps times.
    const qint64 msecs = qint64(time.tv_sec) * 1000 + time.tv_nsec / 1000000;
    return QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
}

class FileDescriptor final {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// The name as shown: without its extension where the listing hides extensions (a folder's
// name is always shown whole).
QString displayNameOf(const QString& name, bool isDirectory, ExtensionDisplay extensions)
{
    const qsizetype dot = extensionDot(name);
    const bool keepName = extensions == ExtensionDisplay::Show || isDirectory || dot < 0;
    return keepName ? name : name.left(dot);
}

// The content type and symbol an entry gets from its extension and kind alone, as makeEntry
// decides them. Looking them up walks the type table several times, which would be most of
// reading a new entry; remembered per extension on each thread, so that the entries of one
// kind also share those strings.
struct TypeFacts {
    enum Kind { File, Folder, Unread }; // Unread: the entry could not be stat'ed
    std::optional<QString> type;
    QString symbol;
};

const TypeFacts& typeFactsOf(const QString& lowerExtension, TypeFacts::Kind kind)
{
    // Bounded, since names may carry any number of made-up extensions ("log.1", "log.2" ...).
    constexpr qsizetype mostRemembered = 512;
    thread_local QHash<std::pair<QString, int>, TypeFacts> known;
    const std::pair<QString, int> key{lowerExtension, int(kind)};
    if (const auto found = known.constFind(key); found != known.cend())
        return *found;
    if (known.size() >= mostRemembered)
        known.clear();
    TypeFacts facts;
    if (kind == TypeFacts::Folder) {
        facts.type = ids::folder.toString();
    } else {
        facts.type = typeForExtension(lowerExtension);
        // Linux keeps no content type; an item whose name declares none is plain data, as the
        // platform reports an undeclared type.
        if (!facts.type && kind == TypeFacts::File)
            facts.type = ids::data.toString();
    }
    facts.symbol = symbolFor(lowerExtension, kind == TypeFacts::Folder ? EntryKind::Folder : EntryKind::File,
                             facts.type);
    return *known.insert(key, std::move(facts));
}

// `name` is `rawName` decoded; a raw name that is not exact keeps its bytes in the URL.
PortalFileEntry makeEntry(const QString& parentPrefix, QString name, const char* rawName,
                          const struct statx* info, ExtensionDisplay extensions)
{
    PortalFileEntry entry;
    entry.url = filepaths::fileUrl(parentPrefix, name, rawName);
    const qsizetype dot = extensionDot(name);
    if (dot >= 0)
        entry.fileExtension = name.mid(dot + 1).toLower();

    if (info) {
        const bool isDirectory = (info->stx_mask & STATX_TYPE) && S_ISDIR(info->stx_mode);
        entry.isDirectory = isDirectory;
        if (!isDirectory && (info->stx_mask & STATX_SIZE))
            entry.fileSize = qint64(info->stx_size);
        entry.modifiedAt =
            (info->stx_mask & STATX_MTIME) ? fromTimestamp(info->stx_mtime) : distantPast();
        entry.lastAccessedAt =
            (info->stx_mask & STATX_ATIME) ? fromTimestamp(info->stx_atime) : entry.modifiedAt;
        const TypeFacts& facts = typeFactsOf(entry.fileExtension, isDirectory ? TypeFacts::Folder : TypeFacts::File);
        entry.utTypeIdentifier = facts.type;
        entry.symbolName = facts.symbol;
    } else {
        entry.modifiedAt = distantPast();
        entry.lastAccessedAt = entry.modifiedAt;
        const TypeFacts& facts = typeFactsOf(entry.fileExtension, TypeFacts::Unread);
        entry.utTypeIdentifier = facts.type;
        entry.symbolName = facts.symbol;
    }

    entry.displayName = displayNameOf(name, entry.isDirectory, extensions);
    entry.name = std::move(name);
    return entry;
}

constexpr unsigned statxFlags = AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT | AT_STATX_SYNC_AS_STAT;
constexpr unsigned statxFields = STATX_TYPE | STATX_SIZE | STATX_MTIME | STATX_ATIME;

// What makeEntry reads of one statx result, kept for many entries at a fraction of its size.
struct EntryFacts {
    quint32 mask = 0;
    quint16 mode = 0;
    quint64 size = 0;
    statx_timestamp modified{};
    statx_timestamp accessed{};

    static EntryFacts of(const struct statx& info)
    {
        return {info.stx_mask, info.stx_mode, info.stx_size, info.stx_mtime, info.stx_atime};
    }
    struct statx expanded() const
    {
        struct statx info;
        std::memset(&info, 0, sizeof info);
        info.stx_mask = mask;
        info.stx_mode = mode;
        info.stx_size = size;
        info.stx_mtime = modified;
        info.stx_atime = accessed;
        return info;
    }
    // As makeEntry decides them.
    bool isDirectory() const { return (mask & STATX_TYPE) && S_ISDIR(mode); }
    qint64 fileSize() const { return !isDirectory() && (mask & STATX_SIZE) ? qint64(size) : 0; }
    QDateTime modifiedAt() const
    {
        return (mask & STATX_MTIME) ? fromTimestamp(modified) : distantPast();
    }
    QDateTime lastAccessedAt() const
    {
        return (mask & STATX_ATIME) ? fromTimestamp(accessed) : modifiedAt();
    }
};

class Directory final {
public:
    explicit Directory(DIR* dir) : m_dir(dir) {}
    ~Directory()
    {
        if (m_dir)
            ::closedir(m_dir);
    }
    Directory(const Directory&) = delete;
    Directory& operator=(const Directory&) = delete;
    DIR* get() const { return m_dir; }

private:
    DIR* m_dir;
};

} // namespace

QDateTime distantPast()
{
    return QDateTime(QDate(1, 1, 1), QTime(0, 0), Qt::UTC);
}

QString pathExtension(QStringView pathOrName)
{
    const QStringView name = lastComponent(pathOrName);
    const qsizetype dot = extensionDot(name);
    return dot < 0 ? QString() : name.mid(dot + 1).toString();
}

bool isBoundPath(const QString& path)
{
    return path.startsWith(u'/') && !path.contains(QChar(u'\0'));
}

bool isBoundFolder(const QString& path)
{
    struct stat folderInfo;
    return isBoundPath(path) && ::stat(QFile::encodeName(path).constData(), &folderInfo) == 0
        && S_ISDIR(folderInfo.st_mode);
}

PortalScanResult scanDirectory(const QString& folderPath, const PortalListingOptions& options)
{
    return scanDirectory(folderPath, options, {});
}

PortalScanResult scanDirectory(const QString& folderPath, const PortalListingOptions& options,
                               const std::function<bool(const QString& name)>& keepName)
{
    const HiddenFiles hidden = options.hiddenFiles;
    const ExtensionDisplay extensions = options.extensions;
    if (!isBoundFolder(folderPath))
        return PortalScanResult{{}, true};
    const QByteArray encodedPath = QFile::encodeName(folderPath);

    PortalScanResult result;
    QString parentPrefix = folderPath;
    while (parentPrefix.endsWith(u'/'))
        parentPrefix.chop(1);
    parentPrefix += u'/';

    const FileDescriptor folder(
        ::open(encodedPath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    std::error_code error;
    std::filesystem::directory_iterator it(std::string(encodedPath.constData(),
                                                       size_t(encodedPath.size())),
                                           error);
    if (error)
        return result;

    QList<PortalFileEntry> entries;
    for (const std::filesystem::directory_iterator end; it != end; it.increment(error)) {
        const std::string& native = it->path().native();
        const size_t slash = native.rfind('/');
        const char* rawName = native.c_str() + (slash == std::string::npos ? 0 : slash + 1);
        if (hidden == HiddenFiles::Skip && rawName[0] == '.')
            continue;
        const QString name = QFile::decodeName(rawName);
        if (keepName && !keepName(name))
            continue;

        // Relative to the open folder, so the kernel does not walk the whole path again.
        const bool relative = folder.get() >= 0;
        struct statx info;
        const bool haveInfo =
            ::statx(relative ? folder.get() : AT_FDCWD, relative ? rawName : native.c_str(),
                    statxFlags, statxFields, &info)
            == 0;
        entries.append(makeEntry(parentPrefix, name, rawName, haveInfo ? &info : nullptr, extensions));
    }
    if (error)
        return result; // A listing that fails part-way is not trusted at all.

    const QString query = options.filter.trimmed();
    if (!query.isEmpty())
        entries = applyFilter(entries, query);
    result.entries = sortEntries(std::move(entries), options.sortMode, options.manualOrder);
    return result;
}

PortalScanResult scanDirectory(const QUrl& folder, const PortalListingOptions& options)
{
    const std::optional<QString> path = folder.isLocalFile() ? filepaths::localPath(folder) : std::nullopt;
    if (!path) {
        PortalScanResult missing;
        missing.isMissing = true;
        return missing;
    }
    return scanDirectory(*path, options);
}

std::optional<PortalFileEntry> readEntry(const QString& folderPath, const QByteArray& rawName,
                                         ExtensionDisplay extensions)
{
    return std::move(readEntries(folderPath, {rawName}, extensions).front());
}

std::vector<std::optional<PortalFileEntry>> readEntries(const QString& folderPath, const QList<QByteArray>& rawNames,
                                                        ExtensionDisplay extensions)
{
    std::vector<std::optional<PortalFileEntry>> entries(size_t(rawNames.size()));
    if (!isBoundPath(folderPath))
        return entries;
    QString parentPrefix = folderPath;
    while (parentPrefix.endsWith(u'/'))
        parentPrefix.chop(1);
    parentPrefix += u'/';
    // Each name looked up in the folder itself, not along its whole path again.
    const FileDescriptor folder(::open(QFile::encodeName(parentPrefix).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() < 0)
        return entries; // gone, or no folder: nothing in it to list
    for (qsizetype i = 0; i < rawNames.size(); ++i) {
        const QByteArray& rawName = rawNames.at(i);
        if (rawName.isEmpty() || rawName.contains('/') || rawName == "." || rawName == "..")
            continue;
        struct statx info;
        if (::statx(folder.get(), rawName.constData(), statxFlags, statxFields, &info) != 0) {
            // Gone: nothing to list. Anything else lists it unread, as a scan lists an entry it
            // could not read.
            if (errno != ENOENT && errno != ENOTDIR)
                entries[size_t(i)] = makeEntry(parentPrefix, QFile::decodeName(rawName), rawName.constData(), nullptr, extensions);
            continue;
        }
        entries[size_t(i)] = makeEntry(parentPrefix, QFile::decodeName(rawName), rawName.constData(), &info, extensions);
    }
    return entries;
}

PortalFileEntry withExtensionDisplay(PortalFileEntry entry, ExtensionDisplay extensions)
{
    entry.displayName = displayNameOf(entry.name, entry.isDirectory, extensions);
    return entry;
}

PortalScanResult scanDirectoryHead(const QString& folderPath, const PortalListingOptions& options,
                                   qsizetype limit)
{
    const HiddenFiles hidden = options.hiddenFiles;
    const ExtensionDisplay extensions = options.extensions;
    const FenceSortMode sortMode = options.sortMode;
    if (!isBoundFolder(folderPath))
        return PortalScanResult{{}, true};
    const QByteArray encodedPath = QFile::encodeName(folderPath);

    PortalScanResult result;
    if (limit <= 0)
        return result;
    QString parentPrefix = folderPath;
    while (parentPrefix.endsWith(u'/'))
        parentPrefix.chop(1);
    parentPrefix += u'/';

    const Directory folder(::opendir(encodedPath.constData()));
    if (!folder.get())
        return result;
    const int folderFd = ::dirfd(folder.get());

    struct Listed {
        size_t rawName;        // offset of the NUL-terminated name in `rawNames`
        unsigned char type;    // d_type
        bool haveFacts = false; // facts read (or tried: an entry may vanish)
        bool factsRead = false; // ...and read
        bool isDirectory = false; // as the sort groups it
        EntryFacts facts;
        QString name;           // decoded when needed
        QString extension;
    };
    std::string rawNames;
    std::vector<Listed> listed;
    for (;;) {
        errno = 0;
        const dirent* child = ::readdir(folder.get());
        if (!child) {
            if (errno != 0)
                return result; // A listing that fails part-way is not trusted at all.
            break;
        }
        const char* rawName = child->d_name;
        if (rawName[0] == '.' && (rawName[1] == 0 || (rawName[1] == '.' && rawName[2] == 0)))
            continue;
        if (hidden == HiddenFiles::Skip && rawName[0] == '.')
            continue;
        Listed entry;
        entry.rawName = rawNames.size();
        entry.type = child->d_type;
        rawNames.append(rawName, std::strlen(rawName) + 1);
        listed.push_back(std::move(entry));
    }

    const auto readFacts = [&](Listed& entry) {
        if (entry.haveFacts)
            return;
        entry.haveFacts = true;
        struct statx info;
        entry.factsRead = ::statx(folderFd, rawNames.c_str() + entry.rawName, statxFlags,
                                  statxFields, &info)
                          == 0;
        if (entry.factsRead)
            entry.facts = EntryFacts::of(info);
    };
    const auto decode = [&](Listed& entry) {
        if (entry.name.isNull()) {
            entry.name = QFile::decodeName(rawNames.c_str() + entry.rawName);
            entry.extension = lowerExtensionOf(entry.name);
        }
    };

    ModeKeys modeKeys(sortMode, options.manualOrder);
    const QString query = options.filter.trimmed();
    // Names are needed for all when the filter or the mode's own key reads them.
    const bool decodeAll = !query.isEmpty() || sortMode == FenceSortMode::manual
                           || sortMode == FenceSortMode::kindAsc;
    for (Listed& entry : listed) {
        // The type from the listing, unless the file system does not report it there.
        if (modeKeys.readsFacts() || entry.type == DT_UNKNOWN)
            readFacts(entry);
        entry.isDirectory = entry.haveFacts ? entry.factsRead && entry.facts.isDirectory()
                                            : entry.type == DT_DIR;
        if (decodeAll)
            decode(entry);
    }
    if (!query.isEmpty()) {
        const NameFilter nameFilter(query);
        std::erase_if(listed, [&nameFilter](const Listed& entry) {
            return !nameFilter.keeps(entry.name, entry.extension);
        });
    }
    const qsizetype count = qsizetype(listed.size());
    const qsizetype kept = std::min(limit, count);
    if (kept == 0)
        return result;

    modeKeys.rankExtensions(count, [&listed](qsizetype i) -> const QString& {
        return listed[size_t(i)].extension;
    });
    static const QString noName;
    std::vector<SortItem> items(static_cast<size_t>(count));
    for (qsizetype i = 0; i < count; ++i) {
        const Listed& entry = listed[size_t(i)];
        SortItem& item = items[size_t(i)];
        item.index = quint32(i);
        item.key = 0;
        item.keyPrefix = 0;
        const bool facts = entry.haveFacts && entry.factsRead;
        const QDateTime modifiedAt = facts ? entry.facts.modifiedAt() : distantPast();
        modeKeys.assign(item, entry.name.isNull() ? noName : entry.name, entry.extension,
                        entry.isDirectory, facts ? entry.facts.fileSize() : 0, modifiedAt,
                        facts ? entry.facts.lastAccessedAt() : modifiedAt);
    }

    // Only entries whose group and primary key are no later than those of the last entry
    // kept can reach the head; the names of just those are keyed and compared.
    const auto beforeName = [&modeKeys](const SortItem& a, const SortItem& b) {
        return modeKeys.lessBeforeName(a, b);
    };
    std::nth_element(items.begin(), items.begin() + (kept - 1), items.end(), beforeName);
    const SortItem last = items[size_t(kept - 1)];
    std::erase_if(items, [&](const SortItem& item) { return beforeName(last, item); });

    text::NameSortKeys keys;
    keys.reserve(qsizetype(items.size()), qsizetype(items.size()) * 16);
    for (const SortItem& item : items)
        decode(listed[item.index]);
    keys.appendAll(qsizetype(items.size()), [&](qsizetype i) -> QStringView {
        return listed[items[size_t(i)].index].name;
    });
    for (size_t i = 0; i < items.size(); ++i) {
        items[i].key = quint32(i);
        items[i].keyPrefix = prefixOf(keys.key(qsizetype(i)));
    }
    const auto less = modeKeys.less(keys, [&listed](quint32 index) -> const QString& {
        return listed[index].name;
    });
    std::partial_sort(items.begin(), items.begin() + kept, items.end(), less);

    result.entries.reserve(kept);
    for (qsizetype i = 0; i < kept; ++i) {
        Listed& entry = listed[items[size_t(i)].index];
        readFacts(entry);
        // The listing said folder and the entry now says otherwise (or is gone): the folder
        // changed while it was read, and the order above may not hold. List it in full.
        if ((entry.factsRead && entry.facts.isDirectory()) != entry.isDirectory) {
            PortalScanResult full = scanDirectory(folderPath, options);
            if (full.entries.size() > limit)
                full.entries.resize(limit);
            return full;
        }
        const struct statx info = entry.facts.expanded();
        result.entries.append(makeEntry(parentPrefix, entry.name, rawNames.c_str() + entry.rawName,
                                        entry.factsRead ? &info : nullptr, extensions));
    }
    return result;
}
} // namespace mv::FolderPortalEngine
