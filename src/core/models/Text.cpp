#include "core/models/Text.h"

#include <QCollator>
#include <QTextBoundaryFinder>

namespace mv::text {

namespace {

QCollator& nameCollator()
{
    // QCollator is not safe to share between threads; each thread gets its own.
    thread_local QCollator collator = [] {
        QCollator c(collationLocale());
        c.setNumericMode(true);
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    return collator;
}

} // namespace

const QLocale& collationLocale()
{
    static const QLocale locale(QLocale::Chinese, QLocale::SimplifiedHanScript, QLocale::China);
    return locale;
}

int compareNames(QStringView a, QStringView b)
{
    return nameCollator().compare(a, b);
}

QCollatorSortKey nameSortKey(const QString& name)
{
    return nameCollator().sortKey(name);
}

QString normalized(const QString& text)
{
    return text.normalized(QString::NormalizationForm_C);
}

bool containsCaseInsensitive(const QString& haystack, const QString& needle)
{
    if (needle.isEmpty())
        return false;
    return normalized(haystack).contains(normalized(needle), Qt::CaseInsensitive);
}

qsizetype characterCount(const QString& text)
{
    if (text.isEmpty())
        return 0;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() != -1)
        ++count;
    return count;
}

} // namespace mv::text
