#include "core/engine/PortalSortKeys.h"

#include "core/engine/PortalScan.h"

#include <algorithm>
#include <thread>
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

namespace {

// Eight bytes of a collation key from `offset` on, big-endian, zero-padded.
quint64 chunkOf(QByteArrayView key, qsizetype offset)
{
    return offset < key.size() ? prefixOf(key.sliced(offset)) : 0;
}

// The order of ModeKeys::less, reached without comparing whole keys: sorted by the group, the
// primary key and the first eight key bytes, then each run that ties on those by the next eight
// bytes, and so on, so that every comparison is of two plain words held in the items. Zero
// padding orders a key before any longer key it begins (no key holds a zero byte). Keys that
// tie throughout are equal, and their names' code points, then input positions, decide.
template<class NameOf>
void sortByKeys(std::vector<SortItem>& items, const ModeKeys& modeKeys, const text::NameSortKeys& keys,
                NameOf nameOf)
{
    const auto byChunk = [](const SortItem& a, const SortItem& b) { return a.keyPrefix < b.keyPrefix; };
    std::sort(items.begin(), items.end(), [&modeKeys](const SortItem& a, const SortItem& b) {
        if (a.group != b.group || a.primary != b.primary)
            return modeKeys.lessBeforeName(a, b);
        return a.keyPrefix < b.keyPrefix;
    });
    const auto tie = [](const SortItem& a, const SortItem& b) {
        return a.group == b.group && a.primary == b.primary && a.keyPrefix == b.keyPrefix;
    };

    struct Run {
        size_t first;
        size_t last;
        qsizetype offset; // of the chunk the run ties on
    };
    std::vector<Run> runs;
    const auto pushRuns = [&](size_t first, size_t last, qsizetype offset) {
        for (size_t begin = first; begin < last;) {
            size_t end = begin + 1;
            while (end < last && tie(items[begin], items[end]))
                ++end;
            if (end - begin > 1)
                runs.push_back(Run{begin, end, offset});
            begin = end;
        }
    };
    pushRuns(0, items.size(), 0);
    while (!runs.empty()) {
        const Run run = runs.back();
        runs.pop_back();
        const auto first = items.begin() + qsizetype(run.first);
        const auto last = items.begin() + qsizetype(run.last);
        const qsizetype next = run.offset + 8;
        const bool longer = std::any_of(first, last, [&](const SortItem& item) { return keys.key(item.key).size() > next; });
        if (!longer) {
            std::sort(first, last, [&nameOf](const SortItem& a, const SortItem& b) {
                if (const int byCodePoint = compareCodePoints(nameOf(a.index), nameOf(b.index)))
                    return byCodePoint < 0;
                return a.index < b.index;
            });
            continue;
        }
        for (auto item = first; item != last; ++item)
            item->keyPrefix = chunkOf(keys.key(item->key), next);
        std::sort(first, last, byChunk);
        pushRuns(run.first, run.last, next);
    }
}

// `source` at the positions `items` give, into a list of its own, the entries copied on several
// threads: each copy touches the shared data of every string of the entry, scattered over the
// heap, and waiting for memory is what a large folder's copy spends its time on.
QList<PortalFileEntry> copiedInOrder(const QList<PortalFileEntry>& source, const std::vector<SortItem>& items)
{
    const qsizetype count = qsizetype(items.size());
    QList<PortalFileEntry> sorted(count);
    PortalFileEntry* out = sorted.data();
    const auto copyRange = [&](qsizetype begin, qsizetype end) {
        for (qsizetype i = begin; i < end; ++i)
            out[i] = source.at(qsizetype(items[size_t(i)].index));
    };
    constexpr qsizetype entriesPerThread = 16384;
    const qsizetype threads = std::min<qsizetype>(
        {qsizetype(std::max(1u, std::thread::hardware_concurrency())), count / entriesPerThread, 8});
    if (threads < 2) {
        copyRange(0, count);
        return sorted;
    }
    {
        std::vector<std::jthread> workers;
        workers.reserve(size_t(threads - 1));
        for (qsizetype t = 1; t < threads; ++t)
            workers.emplace_back(copyRange, count * t / threads, count * (t + 1) / threads);
        copyRange(0, count / threads);
    } // joins the workers
    return sorted;
}

} // namespace

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
    sortByKeys(items, modeKeys, keys, [&entries](quint32 index) -> const QString& {
        return std::as_const(entries).at(index).name;
    });
    const auto indexOf = [](const SortItem& item) { return qsizetype(item.index); };

    // The caller keeps its list: copy (reference counts only) rather than detach it.
    if (!entries.isDetached())
        return copiedInOrder(entries, items);
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
