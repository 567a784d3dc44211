#pragma once

#include <QCollatorSortKey>
#include <QLocale>
#include <QString>

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

// Unicode normalisation form C, the form in which text is compared.
QString normalized(const QString& text);

// Whether `needle` occurs in `haystack`, ignoring letter case, after normalising both to NFC.
// An empty needle occurs nowhere: callers treat an empty query or filter as "no filter".
bool containsCaseInsensitive(const QString& haystack, const QString& needle);

// The number of user-perceived characters (extended grapheme clusters): "é" written as e plus
// a combining accent is one, and so is an emoji made of several code points.
qsizetype characterCount(const QString& text);

} // namespace mv::text
