#include "core/engine/PortalScan.h"

#include "core/engine/FilePaths.h"
#include "core/models/Text.h"
#include "platform/ContentTypes.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>

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

QStringView lastComponent(QStringView path)
{
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash < 0 ? path : path.mid(slash + 1);
}

// Position of the dot that starts the extension of `name`, or -1.
qsizetype extensionDot(QStringView name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot > 0 && dot < name.size() - 1 ? dot : -1;
}

QString symbolForExtension(const QString& lowerExtension)
{
    static const QHash<QString, QString> table = [] {
        // The rows never share an extension.
        const std::pair<const char16_t*, const char16_t*> rows[] = {
            {u"photo.fill", u"png jpg jpeg heic webp gif tiff svg raw"},
            {u"doc.richtext.fill", u"pdf"},
            {u"doc.text.fill", u"md markdown txt rtf"},
            {u"doc.fill", u"doc docx pages"},
            {u"tablecells.fill", u"xls xlsx csv numbers"},
            {u"play.rectangle.fill", u"ppt pptx key"},
            {u"chevron.left.forwardslash.chevron.right",
             u"swift py ts tsx js jsx rs go c cpp h sh zsh"},
            {u"curlybraces", u"json yaml yml toml xml plist"},
            {u"archivebox.fill", u"zip tar gz 7z rar xz"},
            {u"shippingbox.fill", u"dmg pkg ipa app"},
            {u"film.fill", u"mp4 mov mkv avi webm"},
            {u"waveform", u"mp3 wav m4a flac aac"},
            {u"paintbrush.pointed.fill", u"fig sketch psd ai"},
        };
        QHash<QString, QString> built;
        for (const auto& [symbol, extensions] : rows) {
            const QString name = QString::fromUtf16(symbol);
            for (const QString& extension :
                 QString::fromUtf16(extensions).split(u' ', Qt::SkipEmptyParts))
                built.insert(extension, name);
        }
        return built;
    }();
    return table.value(lowerExtension);
}

QString symbolFor(const QString& lowerExtension, EntryKind kind,
                  const std::optional<QString>& utTypeID)
{
    if (kind == EntryKind::Folder) {
        return lowerExtension == u"app" ? QStringLiteral("app.badge.checkmark.fill")
                                        : QStringLiteral("folder.fill");
    }
    QString symbol = symbolForExtension(lowerExtension);
    if (!symbol.isEmpty())
        return symbol;
    if (utTypeID && platform::contentType(*utTypeID)) {
        const std::pair<QStringView, const char*> families[] = {
            {ids::image, "photo.fill"},
            {ids::movie, "film.fill"},
            {ids::video, "film.fill"},
            {ids::audio, "waveform"},
            {ids::archive, "archivebox.fill"},
            {ids::sourceCode, "chevron.left.forwardslash.chevron.right"},
            {ids::pdf, "doc.richtext.fill"},
        };
        for (const auto& [family, familySymbol] : families) {
            if (platform::conforms(*utTypeID, family))
                return QString::fromLatin1(familySymbol);
        }
    }
    return QStringLiteral("doc.fill");
}

std::optional<QString> typeForExtension(const QString& lowerExtension)
{
    if (const platform::ContentType* type = platform::contentTypeForExtension(lowerExtension))
        return type->identifier;
    return std::nullopt;
}

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

PortalFileEntry makeEntry(const QString& parentPrefix, QString name, const struct statx* info,
                          ExtensionDisplay extensions)
{
    PortalFileEntry entry;
    entry.url = QUrl::fromLocalFile(parentPrefix + name);
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
        if (isDirectory) {
            entry.utTypeIdentifier = ids::folder.toString();
        } else {
            entry.utTypeIdentifier = typeForExtension(entry.fileExtension);
            // Linux keeps no content type; an item whose name declares none is plain data,
            // as the platform reports an undeclared type.
            if (!entry.utTypeIdentifier)
                entry.utTypeIdentifier = ids::data.toString();
        }
    } else {
        entry.modifiedAt = distantPast();
        entry.lastAccessedAt = entry.modifiedAt;
        entry.utTypeIdentifier = typeForExtension(entry.fileExtension);
    }

    const bool keepName = extensions == ExtensionDisplay::Show || entry.isDirectory || dot < 0;
    entry.displayName = keepName ? name : name.left(dot);
    entry.symbolName = symbolFor(entry.fileExtension,
                                 entry.isDirectory ? EntryKind::Folder : EntryKind::File,
                                 entry.utTypeIdentifier);
    entry.name = std::move(name);
    return entry;
}

// The order of two strings by Unicode code point (UTF-16 code-unit order differs for
// characters beyond the Basic Multilingual Plane).
int compareCodePoints(QStringView a, QStringView b)
{
    const qsizetype common = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < common; ++i) {
        int x = a[i].unicode();
        int y = b[i].unicode();
        if (x == y)
            continue;
        // Move surrogates above U+E000..U+FFFF, where their code points lie.
        if (x >= 0xD800)
            x += x >= 0xE000 ? -0x800 : 0x2000;
        if (y >= 0xD800)
            y += y >= 0xE000 ? -0x800 : 0x2000;
        return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// An invalid date (an entry not made by a scan) counts as the distant past.
qint64 instant(const QDateTime& time)
{
    static const qint64 distant = distantPast().toMSecsSinceEpoch();
    return time.isValid() ? time.toMSecsSinceEpoch() : distant;
}

constexpr unsigned statxFlags = AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT | AT_STATX_SYNC_AS_STAT;
constexpr unsigned statxFields = STATX_TYPE | STATX_SIZE | STATX_MTIME | STATX_ATIME;

// The lower-case extension an entry of this name carries (see makeEntry).
QString lowerExtensionOf(const QString& name)
{
    const qsizetype dot = extensionDot(name);
    return dot < 0 ? QString() : name.mid(dot + 1).toLower();
}

// What a filter query keeps, decided on the name and the lower-case extension alone.
class NameFilter final {
public:
    explicit NameFilter(const QString& query) : m_query(query)
    {
        if (query.size() > 1 && query.startsWith(u'/') && query.endsWith(u'/')) {
            QRegularExpression pattern(query.mid(1, query.size() - 2),
                                       QRegularExpression::CaseInsensitiveOption
                                           | QRegularExpression::UseUnicodePropertiesOption);
            if (pattern.isValid()) {
                pattern.optimize();
                m_pattern = std::move(pattern);
            }
        }
    }

    bool keeps(const QString& name, const QString& lowerExtension) const
    {
        if (m_pattern)
            return m_pattern->match(name).hasMatch();
        return text::containsCaseInsensitive(name, m_query)
               || text::containsCaseInsensitive(lowerExtension, m_query);
    }

private:
    QString m_query;
    std::optional<QRegularExpression> m_pattern;
};

// One entry as a sort compares it: small and trivially copyable, so the sort moves plain words.
struct SortItem {
    quint64 keyPrefix; // the first eight bytes of the name's collation key, big-endian
    qint64 primary;    // the mode's own key, smaller first
    qint32 group;      // grouping of folders and files, smaller first
    quint32 index;     // position in the input, and the last tie-break
    quint32 key;       // index of the name's collation key
};

quint64 prefixOf(QByteArrayView key)
{
    // Zero padding is sound: no collation key holds a zero byte.
    quint64 prefix = 0;
    const qsizetype length = std::min<qsizetype>(key.size(), 8);
    for (qsizetype i = 0; i < length; ++i)
        prefix |= quint64(uchar(key[i])) << (56 - 8 * i);
    return prefix;
}

// The keys each mode sorts by before the name: the group and the mode's primary key.
class ModeKeys final {
public:
    ModeKeys(FenceSortMode mode, const QList<QString>& manualOrder) : m_mode(mode)
    {
        if (mode != FenceSortMode::manual)
            return;
        m_manualRank.reserve(manualOrder.size());
        // A name listed twice (say, from an imported backup) keeps its first position.
        for (qsizetype i = 0; i < manualOrder.size(); ++i)
            m_manualRank.insert(manualOrder.at(i), m_manualRank.value(manualOrder.at(i), i));
    }

    // kindAsc only: ranks the distinct extensions by collation, then by code point.
    template<class ExtensionOf>
    void rankExtensions(qsizetype count, ExtensionOf extensionOf)
    {
        if (m_mode != FenceSortMode::kindAsc)
            return;
        QList<QString> distinct;
        for (qsizetype i = 0; i < count; ++i) {
            const QString& extension = extensionOf(i);
            if (!m_extensionRank.contains(extension)) {
                m_extensionRank.insert(extension, 0);
                distinct.append(extension);
            }
        }
        text::NameSortKeys keys;
        keys.reserve(distinct.size(), distinct.size() * 4);
        for (const QString& extension : std::as_const(distinct))
            keys.append(extension);
        std::vector<qsizetype> order(size_t(distinct.size()));
        for (size_t i = 0; i < order.size(); ++i)
            order[i] = qsizetype(i);
        std::sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
            const QString& x = distinct.at(a);
            const QString& y = distinct.at(b);
            // No extension first, whatever the collator makes of the empty string.
            if (x.isEmpty() != y.isEmpty())
                return x.isEmpty();
            const int byKey = text::NameSortKeys::compare(keys.key(a), keys.key(b));
            return byKey != 0 ? byKey < 0 : compareCodePoints(x, y) < 0;
        });
        for (size_t i = 0; i < order.size(); ++i)
            m_extensionRank.insert(distinct.at(order[i]), qint64(i));
    }

    // Whether the primary key decides before the group (manual) or after it.
    bool rankFirst() const { return m_mode == FenceSortMode::manual; }

    // Whether the mode reads an entry's dates or size, beyond its name and type.
    bool readsFacts() const
    {
        return m_mode == FenceSortMode::dateModifiedDesc
               || m_mode == FenceSortMode::lastAccessedDesc || m_mode == FenceSortMode::sizeDesc;
    }

    void assign(SortItem& item, const QString& name, const QString& lowerExtension,
                bool isDirectory, qint64 fileSize, const QDateTime& modifiedAt,
                const QDateTime& lastAccessedAt) const
    {
        const auto groupOf = [isDirectory](bool foldersFirst) {
            return isDirectory == foldersFirst ? 0 : 1;
        };
        switch (m_mode) {
        case FenceSortMode::manual:
            item.primary = m_manualRank.value(name, LLONG_MAX);
            item.group = groupOf(true);
            break;
        case FenceSortMode::nameAsc:
            item.primary = 0;
            item.group = groupOf(true);
            break;
        case FenceSortMode::dateModifiedDesc:
            item.primary = -instant(modifiedAt);
            item.group = 0;
            break;
        case FenceSortMode::lastAccessedDesc:
            item.primary = -instant(lastAccessedAt);
            item.group = 0;
            break;
        case FenceSortMode::kindAsc:
            item.primary = m_extensionRank.value(lowerExtension);
            item.group = groupOf(true);
            break;
        case FenceSortMode::sizeDesc:
            // Sizes are never negative; the clamp keeps a corrupt one from ranking first.
            item.primary = -std::max<qint64>(fileSize, 0);
            item.group = groupOf(false);
            break;
        }
    }

    // The order of the group and the primary key alone: all a sort reads before the name.
    bool lessBeforeName(const SortItem& a, const SortItem& b) const
    {
        if (rankFirst()) {
            if (a.primary != b.primary)
                return a.primary < b.primary;
            return a.group < b.group;
        }
        if (a.group != b.group)
            return a.group < b.group;
        return a.primary < b.primary;
    }

    // The whole order: then the name's collation key, then its code points, then the input
    // position, so that entries equal in every respect keep their order as in a stable sort.
    template<class NameOf>
    auto less(const text::NameSortKeys& keys, NameOf nameOf) const
    {
        return [this, &keys, nameOf](const SortItem& a, const SortItem& b) {
            if (a.group != b.group || a.primary != b.primary)
                return lessBeforeName(a, b);
            if (a.keyPrefix != b.keyPrefix)
                return a.keyPrefix < b.keyPrefix;
            if (const int byKey = text::NameSortKeys::compare(keys.key(a.key), keys.key(b.key)))
                return byKey < 0;
            if (const int byCodePoint = compareCodePoints(nameOf(a.index), nameOf(b.index)))
                return byCodePoint < 0;
            return a.index < b.index;
        };
    }

private:
    FenceSortMode m_mode;
    QHash<QString, qint64> m_manualRank;
    QHash<QString, qint64> m_extensionRank;
};

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

PortalScanResult scanDirectory(const QString& folderPath, HiddenFiles hidden,
                               ExtensionDisplay extensions, const QString& filter,
                               FenceSortMode sortMode, const QList<QString>& manualOrder)
{
    return scanDirectory(folderPath, hidden, extensions, filter, sortMode, manualOrder, {});
}

PortalScanResult scanDirectory(const QString& folderPath, HiddenFiles hidden,
                               ExtensionDisplay extensions, const QString& filter,
                               FenceSortMode sortMode, const QList<QString>& manualOrder,
                               const std::function<bool(const QString& name)>& keepName)
{
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
        entries.append(makeEntry(parentPrefix, name, haveInfo ? &info : nullptr, extensions));
    }
    if (error)
        return result; // A listing that fails part-way is not trusted at all.

    const QString query = filter.trimmed();
    if (!query.isEmpty())
        entries = applyFilter(entries, query);
    result.entries = sortEntries(std::move(entries), sortMode, manualOrder);
    return result;
}

PortalScanResult scanDirectory(const QUrl& folder, HiddenFiles hidden,
                               ExtensionDisplay extensions, const QString& filter,
                               FenceSortMode sortMode, const QList<QString>& manualOrder)
{
    const std::optional<QString> path = folder.isLocalFile() ? filepaths::localPath(folder) : std::nullopt;
    if (!path) {
        PortalScanResult missing;
        missing.isMissing = true;
        return missing;
    }
    return scanDirectory(*path, hidden, extensions, filter, sortMode, manualOrder);
}

PortalScanResult scanDirectoryHead(const QString& folderPath, HiddenFiles hidden,
                                   ExtensionDisplay extensions, const QString& filter,
                                   FenceSortMode sortMode, const QList<QString>& manualOrder,
                                   qsizetype limit)
{
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

    ModeKeys modeKeys(sortMode, manualOrder);
    const QString query = filter.trimmed();
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
            PortalScanResult full = scanDirectory(folderPath, hidden, extensions, filter,
                                                  sortMode, manualOrder);
            if (full.entries.size() > limit)
                full.entries.resize(limit);
            return full;
        }
        const struct statx info = entry.facts.expanded();
        result.entries.append(makeEntry(parentPrefix, entry.name,
                                        entry.factsRead ? &info : nullptr, extensions));
    }
    return result;
}

QString inferSymbol(QStringView pathOrName, EntryKind kind, const std::optional<QString>& utTypeID)
{
    return symbolFor(pathExtension(pathOrName).toLower(), kind, utTypeID);
}

QList<PortalFileEntry> applyFilter(const QList<PortalFileEntry>& entries, const QString& query)
{
    if (query.isEmpty())
        return entries;

    const NameFilter filter(query);
    QList<PortalFileEntry> kept;
    for (const PortalFileEntry& entry : entries) {
        if (filter.keeps(entry.name, entry.fileExtension))
            kept.append(entry);
    }
    return kept;
}

QList<PortalFileEntry> sortEntries(QList<PortalFileEntry> entries, FenceSortMode mode,
                                   const QList<QString>& manualOrder)
{
    const qsizetype count = entries.size();
    if (count < 2)
        return entries;

    // Everything a comparison reads is computed once per entry, so the sort itself compares
    // integers and, for names, bytes of one flat buffer of collation keys.
    text::NameSortKeys keys;
    qsizetype totalLength = 0;
    for (const PortalFileEntry& entry : std::as_const(entries))
        totalLength += entry.name.size();
    keys.reserve(count, totalLength);
    keys.appendAll(count, [&entries](qsizetype i) -> QStringView {
        return std::as_const(entries).at(i).name;
    });

    ModeKeys modeKeys(mode, manualOrder);
    modeKeys.rankExtensions(count, [&entries](qsizetype i) -> const QString& {
        return std::as_const(entries).at(i).fileExtension;
    });

    std::vector<SortItem> items(static_cast<size_t>(count));
    for (qsizetype i = 0; i < count; ++i) {
        const PortalFileEntry& entry = std::as_const(entries).at(i);
        SortItem& item = items[size_t(i)];
        item.index = quint32(i);
        item.key = quint32(i);
        item.keyPrefix = prefixOf(keys.key(i));
        modeKeys.assign(item, entry.name, entry.fileExtension, entry.isDirectory, entry.fileSize,
                        entry.modifiedAt, entry.lastAccessedAt);
    }
    // The input position as the last tie-break makes this sort stable.
    std::sort(items.begin(), items.end(),
              modeKeys.less(keys, [&entries](quint32 index) -> const QString& {
                  return std::as_const(entries).at(index).name;
              }));
    const auto indexOf = [](const SortItem& item) { return qsizetype(item.index); };

    if (!entries.isDetached()) {
        // The caller keeps its list: copy (reference counts only) rather than detach it.
        QList<PortalFileEntry> sorted;
        sorted.reserve(count);
        for (const SortItem& item : items)
            sorted.append(std::as_const(entries).at(indexOf(item)));
        return sorted;
    }
    // Ours alone: permute in place, one cycle at a time, without a second array.
    std::vector<bool> placed(static_cast<size_t>(count), false);
    for (qsizetype start = 0; start < count; ++start) {
        if (placed[size_t(start)] || indexOf(items[size_t(start)]) == start)
            continue;
        PortalFileEntry held = std::move(entries[start]);
        qsizetype to = start;
        for (;;) {
            placed[size_t(to)] = true;
            const qsizetype from = indexOf(items[size_t(to)]);
            if (from == start) {
                entries[to] = std::move(held);
                break;
            }
            entries[to] = std::move(entries[from]);
            to = from;
        }
    }
    return entries;
}

} // namespace mv::FolderPortalEngine
