#pragma once

#include <QByteArrayView>
#include <QCollatorSortKey>
#include <QLocale>
#include <QString>
#include <QStringView>

#include <functional>
#include <vector>

namespace mv::text {

// Every comparison, search and count of names and user text goes through here, so that the
// whole program agrees on one order whatever locale the process runs under (the C locale,
// for one, loses numeric ordering). The collation locale is pinned to simplified Chinese:
// Han names order by pinyin, digits compare by value, letter case is ignored.
const QLocale& collationLocale();

// Finder-like order of two names: numeric ("文件2" before "文件10"), case-insensitive.
// Zero for names the collator calls equal (such as "a" and "A"); sorts break that tie.
int compareNames(QStringView a, QStringView b);

// The collation key of a name, for sorting many names: comparing two keys gives the same
// answer as compareNames on the names.
QCollatorSortKey nameSortKey(const QString& name);

// The collation keys of many names, kept in one flat buffer: for sorting thousands of names
// without an allocation per key. Comparing two keys as bytes (see compare) gives the same sign
// as compareNames on their names, zero included.
class NameSortKeys final {
public:
    NameSortKeys() = default;

    // Room for `count` keys of names totalling about `totalLength` UTF-16 units.
    void reserve(qsizetype count, qsizetype totalLength);
    // Appends the key of `name`; its index is the number of keys appended before it.
    void append(QStringView name);
    // Appends the keys of `count` names, nameAt(i) giving the i-th, in that order. Tens of
    // thousands of names are keyed on several threads, so nameAt must be safe to call from any
    // thread (reading a list that nobody changes meanwhile is).
    void appendAll(qsizetype count, const std::function<QStringView(qsizetype)>& nameAt);
    [[nodiscard]] qsizetype size() const { return qsizetype(m_ends.size()); }
    [[nodiscard]] QByteArrayView key(qsizetype index) const
    {
        const size_t begin = index == 0 ? 0 : m_ends[size_t(index - 1)];
        return QByteArrayView(m_bytes.data() + begin, qsizetype(m_ends[size_t(index)] - begin));
    }

    // The order of two keys: unsigned bytes, then length. The key of an empty name is empty,
    // so it comes before every other, as compareNames has it.
    [[nodiscard]] static int compare(QByteArrayView a, QByteArrayView b);

private:
    // At least `bytes` writable bytes after the last key.
    char* room(size_t bytes);

    std::vector<char> m_bytes; // its size is the room made, the last end the room used
    std::vector<size_t> m_ends;
};

// Unicode normalisation form C, the form in which text is compared.
QString normalized(const QString& text);

// Whether `needle` occurs in `haystack`, ignoring letter case, after normalising both to NFC.
// An empty needle occurs nowhere: callers treat an empty query or filter as "no filter".
bool containsCaseInsensitive(const QString& haystack, const QString& needle);

// The number of user-perceived characters (extended grapheme clusters): "é" written as e plus
// a combining accent is one, and so is an emoji made of several code points.
qsizetype characterCount(const QString& text);

} // namespace mv::text
