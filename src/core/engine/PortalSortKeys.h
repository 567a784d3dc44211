#pragma once

#include "core/models/ModelEnums.h"
#include "core/models/Text.h"

#include <QByteArrayView>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringView>

#include <algorithm>
#include <climits>
#include <vector>

// The keys a portal order compares, shared by the full sort and the head of a listing, so
// that both give one order for one folder.
namespace mv::FolderPortalEngine::detail {

// The order of two strings by Unicode code point (UTF-16 code-unit order differs for
// characters beyond the Basic Multilingual Plane).
int compareCodePoints(QStringView a, QStringView b);

// An invalid date (an entry not made by a scan) counts as the distant past.
qint64 instant(const QDateTime& time);

// One entry as a sort compares it: small and trivially copyable, so the sort moves plain words.
struct SortItem {
    quint64 keyPrefix; // the first eight bytes of the name's collation key, big-endian
    qint64 primary;    // the mode's own key, smaller first
    qint32 group;      // grouping of folders and files, smaller first
    quint32 index;     // position in the input, and the last tie-break
    quint32 key;       // index of the name's collation key
};

inline quint64 prefixOf(QByteArrayView key)
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

    FenceSortMode mode() const { return m_mode; }

private:
    FenceSortMode m_mode;
    QHash<QString, qint64> m_manualRank;
    QHash<QString, qint64> m_extensionRank;
};

// The collation key of one name, as the sorts key every name.
QByteArray collationKey(QStringView name);

// The order sortEntries gives, between two entries alone, for a listing kept in order as its
// entries change one at a time. The kind order compares the extensions themselves, which
// orders them as the rank of each among the extensions present does. `aKey` and `bKey` are
// the names' collation keys (collationKey). True when `a` comes before `b`; entries alike in
// everything the sort reads (two names that decode alike) are equal.
class EntryOrder final {
public:
    EntryOrder(FenceSortMode mode, const QList<QString>& manualOrder) : m_keys(mode, manualOrder) {}

    template<class Entry>
    bool less(const Entry& a, QByteArrayView aKey, const Entry& b, QByteArrayView bKey) const
    {
        SortItem x{};
        SortItem y{};
        m_keys.assign(x, a.name, a.fileExtension, a.isDirectory, a.fileSize, a.modifiedAt, a.lastAccessedAt);
        m_keys.assign(y, b.name, b.fileExtension, b.isDirectory, b.fileSize, b.modifiedAt, b.lastAccessedAt);
        if (m_keys.mode() == FenceSortMode::kindAsc && x.group == y.group) {
            if (const int byKind = compareExtensions(a.fileExtension, b.fileExtension))
                return byKind < 0;
        } else if (x.group != y.group || x.primary != y.primary) {
            return m_keys.lessBeforeName(x, y);
        }
        if (const int byKey = text::NameSortKeys::compare(aKey, bKey))
            return byKey < 0;
        return compareCodePoints(a.name, b.name) < 0;
    }

private:
    int compareExtensions(const QString& x, const QString& y) const;

    ModeKeys m_keys;
    mutable QHash<QString, QByteArray> m_extensionKeys;
};

} // namespace mv::FolderPortalEngine::detail
