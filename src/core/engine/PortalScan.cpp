#include "core/engine/PortalScan.h"

#include "core/models/Text.h"
#include "platform/ContentTypes.h"

#include <QCollatorSortKey>
#include <QFile>
#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <system_error>
#include <vector>

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

PortalScanResult scanDirectory(const QString& folderPath, HiddenFiles hidden,
                               ExtensionDisplay extensions, const QString& filter,
                               FenceSortMode sortMode, const QList<QString>& manualOrder)
{
    PortalScanResult missing;
    missing.isMissing = true;
    // An unbound portal: never resolved against the working directory. A NUL would cut the
    // path short at the system call and name some other folder.
    if (!folderPath.startsWith(u'/') || folderPath.contains(QChar(u'\0')))
        return missing;

    const QByteArray encodedPath = QFile::encodeName(folderPath);
    struct stat folderInfo;
    if (::stat(encodedPath.constData(), &folderInfo) != 0 || !S_ISDIR(folderInfo.st_mode))
        return missing;

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

        // Relative to the open folder, so the kernel does not walk the whole path again.
        const bool relative = folder.get() >= 0;
        struct statx info;
        const bool haveInfo =
            ::statx(relative ? folder.get() : AT_FDCWD, relative ? rawName : native.c_str(),
                    AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT | AT_STATX_SYNC_AS_STAT,
                    STATX_TYPE | STATX_SIZE | STATX_MTIME | STATX_ATIME, &info)
            == 0;
        entries.append(makeEntry(parentPrefix, QFile::decodeName(rawName),
                                 haveInfo ? &info : nullptr, extensions));
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
    if (!folder.isLocalFile()) {
        PortalScanResult missing;
        missing.isMissing = true;
        return missing;
    }
    return scanDirectory(folder.toLocalFile(), hidden, extensions, filter, sortMode, manualOrder);
}

QString inferSymbol(QStringView pathOrName, EntryKind kind, const std::optional<QString>& utTypeID)
{
    return symbolFor(pathExtension(pathOrName).toLower(), kind, utTypeID);
}

QList<PortalFileEntry> applyFilter(const QList<PortalFileEntry>& entries, const QString& query)
{
    if (query.isEmpty())
        return entries;

    QList<PortalFileEntry> kept;
    if (query.size() > 1 && query.startsWith(u'/') && query.endsWith(u'/')) {
        QRegularExpression pattern(query.mid(1, query.size() - 2),
                                   QRegularExpression::CaseInsensitiveOption
                                       | QRegularExpression::UseUnicodePropertiesOption);
        if (pattern.isValid()) {
            pattern.optimize();
            for (const PortalFileEntry& entry : entries) {
                if (pattern.match(entry.name).hasMatch())
                    kept.append(entry);
            }
            return kept;
        }
    }
    for (const PortalFileEntry& entry : entries) {
        if (text::containsCaseInsensitive(entry.name, query)
            || text::containsCaseInsensitive(entry.fileExtension, query))
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
    // integers and collation keys only.
    std::vector<QCollatorSortKey> nameKeys;
    nameKeys.reserve(size_t(count));
    for (const PortalFileEntry& entry : std::as_const(entries))
        nameKeys.push_back(text::nameSortKey(entry.name));

    // Small and trivially copyable, so the merge sort moves plain words. The key stays in
    // nameKeys; its position there is the entry's index.
    struct Item {
        const QCollatorSortKey* key;
        qint64 primary; // the mode's own key, smaller first
        int group;      // grouping of folders and files, smaller first
    };
    const auto indexOf = [&nameKeys](const Item& item) { return item.key - nameKeys.data(); };
    std::vector<Item> items(static_cast<size_t>(count));

    auto groupOf = [&](const PortalFileEntry& entry, bool foldersFirst) {
        return entry.isDirectory == foldersFirst ? 0 : 1;
    };

    QHash<QString, qint64> extensionRank;
    if (mode == FenceSortMode::kindAsc) {
        // Rank the distinct extensions once: by collation, then by code point.
        QList<QString> distinct;
        for (const PortalFileEntry& entry : std::as_const(entries)) {
            if (!extensionRank.contains(entry.fileExtension)) {
                extensionRank.insert(entry.fileExtension, 0);
                distinct.append(entry.fileExtension);
            }
        }
        std::vector<std::pair<QCollatorSortKey, QString>> keyed;
        keyed.reserve(size_t(distinct.size()));
        for (const QString& extension : std::as_const(distinct))
            keyed.emplace_back(text::nameSortKey(extension), extension);
        std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
            // No extension first, whatever the collator makes of the empty string.
            if (a.second.isEmpty() != b.second.isEmpty())
                return a.second.isEmpty();
            const int byKey = a.first.compare(b.first);
            return byKey != 0 ? byKey < 0 : compareCodePoints(a.second, b.second) < 0;
        });
        for (size_t i = 0; i < keyed.size(); ++i)
            extensionRank.insert(keyed[i].second, qint64(i));
    }

    QHash<QString, qint64> manualRank;
    if (mode == FenceSortMode::manual) {
        manualRank.reserve(manualOrder.size());
        // A name listed twice (say, from an imported backup) keeps its first position.
        for (qsizetype i = 0; i < manualOrder.size(); ++i)
            manualRank.insert(manualOrder.at(i), manualRank.value(manualOrder.at(i), i));
    }

    for (qsizetype i = 0; i < count; ++i) {
        const PortalFileEntry& entry = entries.at(i);
        Item& item = items[size_t(i)];
        item.key = &nameKeys[size_t(i)];
        switch (mode) {
        case FenceSortMode::manual:
            item.primary = manualRank.value(entry.name, LLONG_MAX);
            item.group = groupOf(entry, true);
            break;
        case FenceSortMode::nameAsc:
            item.primary = 0;
            item.group = groupOf(entry, true);
            break;
        case FenceSortMode::dateModifiedDesc:
            item.primary = -instant(entry.modifiedAt);
            item.group = 0;
            break;
        case FenceSortMode::lastAccessedDesc:
            item.primary = -instant(entry.lastAccessedAt);
            item.group = 0;
            break;
        case FenceSortMode::kindAsc:
            item.primary = extensionRank.value(entry.fileExtension);
            item.group = groupOf(entry, true);
            break;
        case FenceSortMode::sizeDesc:
            // Sizes are never negative; the clamp keeps a corrupt one from ranking first.
            item.primary = -std::max<qint64>(entry.fileSize, 0);
            item.group = groupOf(entry, false);
            break;
        }
    }

    const auto byName = [&](const Item& a, const Item& b) {
        const int byKey = a.key->compare(*b.key);
        if (byKey != 0)
            return byKey < 0;
        return compareCodePoints(entries.at(indexOf(a)).name, entries.at(indexOf(b)).name) < 0;
    };

    if (mode == FenceSortMode::manual) {
        // The rank decides; folders first and then names only break equal ranks.
        std::stable_sort(items.begin(), items.end(), [&](const Item& a, const Item& b) {
            if (a.primary != b.primary)
                return a.primary < b.primary;
            if (a.group != b.group)
                return a.group < b.group;
            return byName(a, b);
        });
    } else {
        std::stable_sort(items.begin(), items.end(), [&](const Item& a, const Item& b) {
            if (a.group != b.group)
                return a.group < b.group;
            if (a.primary != b.primary)
                return a.primary < b.primary;
            return byName(a, b);
        });
    }

    if (!entries.isDetached()) {
        // The caller keeps its list: copy (reference counts only) rather than detach it.
        QList<PortalFileEntry> sorted;
        sorted.reserve(count);
        for (const Item& item : items)
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
