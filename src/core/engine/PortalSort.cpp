#include "core/engine/PortalSortKeys.h"

#include "core/engine/PortalScan.h"

#include <vector>

namespace mv::FolderPortalEngine {

namespace detail {

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

qint64 instant(const QDateTime& time)
{
    static const qint64 distant = distantPast().toMSecsSinceEpoch();
    return time.isValid() ? time.toMSecsSinceEpoch() : distant;
}

QByteArray collationKey(QStringView name)
{
    text::NameSortKeys keys;
    keys.reserve(1, name.size());
    keys.append(name);
    return keys.key(0).toByteArray();
}

int EntryOrder::compareExtensions(const QString& x, const QString& y) const
{
    if (x == y)
        return 0;
    // No extension first, as the rank of the extensions has it.
    if (x.isEmpty() != y.isEmpty())
        return x.isEmpty() ? -1 : 1;
    const auto keyOf = [this](const QString& extension) -> const QByteArray& {
        auto known = m_extensionKeys.find(extension);
        if (known == m_extensionKeys.end())
            known = m_extensionKeys.insert(extension, collationKey(extension));
        return *known;
    };
    const QByteArray xKey = keyOf(x);
    if (const int byKey = text::NameSortKeys::compare(xKey, keyOf(y)))
        return byKey;
    return compareCodePoints(x, y);
}

} // namespace detail

using namespace detail;

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
