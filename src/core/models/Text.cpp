#include "core/models/Text.h"

#include <QCollator>
#include <QTextBoundaryFinder>

#include <unicode/ucol.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <thread>

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

struct CollatorCloser {
    void operator()(UCollator* collator) const { ucol_close(collator); }
};

// The collator QCollator builds for nameCollator(), opened on ICU directly so that keys can be
// written straight into a caller's buffer. Same library, locale name and attributes as
// QCollator sets (normalisation on, secondary strength for case-insensitivity, numeric
// collation, punctuation not ignored), hence the same keys and the same order as
// compareNames. Null when ICU cannot open it, as QCollator would then fail too.
UCollator* keyCollator()
{
    thread_local const std::unique_ptr<UCollator, CollatorCloser> collator = [] {
        const QByteArray name = collationLocale().bcp47Name().replace(u'-', u'_').toLatin1();
        UErrorCode status = U_ZERO_ERROR;
        UCollator* opened = ucol_open(name.constData(), &status);
        if (U_FAILURE(status)) {
            if (opened)
                ucol_close(opened);
            return std::unique_ptr<UCollator, CollatorCloser>();
        }
        const std::pair<UColAttribute, UColAttributeValue> attributes[] = {
            {UCOL_NORMALIZATION_MODE, UCOL_ON},
            {UCOL_STRENGTH, UCOL_SECONDARY},
            {UCOL_NUMERIC_COLLATION, UCOL_ON},
            {UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE},
        };
        for (const auto& [attribute, value] : attributes) {
            status = U_ZERO_ERROR;
            ucol_setAttribute(opened, attribute, value, &status);
        }
        return std::unique_ptr<UCollator, CollatorCloser>(opened);
    }();
    return collator.get();
}

} // namespace

void NameSortKeys::reserve(qsizetype count, qsizetype totalLength)
{
    m_ends.reserve(size_t(count));
    // Keys of Latin and Han names run to about one and a half bytes per unit plus a few.
    const size_t room = size_t(totalLength) * 2 + size_t(count) * 8;
    if (m_bytes.size() < room)
        m_bytes.resize(room);
}

char* NameSortKeys::room(size_t bytes)
{
    const size_t used = m_ends.empty() ? 0 : m_ends.back();
    if (m_bytes.size() - used < bytes)
        m_bytes.resize(std::max(m_bytes.size() * 2, used + bytes));
    return m_bytes.data() + used;
}

void NameSortKeys::append(QStringView name)
{
    const size_t begin = m_ends.empty() ? 0 : m_ends.back();
    if (name.isEmpty()) {
        // Empty, so first: QCollator orders an empty name before any other, even one that
        // collates as nothing at all.
        m_ends.push_back(begin);
        return;
    }
    UCollator* collator = keyCollator();
    if (!collator) {
        // QCollator then compares folded UTF-16 units; big-endian bytes keep that order.
        const QString folded = name.toString().toCaseFolded();
        char* out = room(size_t(folded.size()) * 2);
        for (const QChar unit : folded) {
            *out++ = char(unit.unicode() >> 8);
            *out++ = char(unit.unicode() & 0xff);
        }
        m_ends.push_back(begin + size_t(folded.size()) * 2);
        return;
    }
    const auto* units = reinterpret_cast<const UChar*>(name.utf16());
    const auto length = int32_t(std::min<qsizetype>(name.size(), INT32_MAX));
    // Most keys fit in three bytes per unit; a longer one is written again into enough room.
    size_t available = std::max(m_bytes.size() - begin, size_t(length) * 3 + 16);
    for (;;) {
        char* out = room(available);
        const int32_t written =
            ucol_getSortKey(collator, units, length, reinterpret_cast<uint8_t*>(out),
                            int32_t(std::min<size_t>(available, INT32_MAX)));
        if (written <= 0) {
            m_ends.push_back(begin);
            return;
        }
        if (size_t(written) <= available) {
            // Without ICU's terminating zero byte: no key holds a zero byte of its own.
            m_ends.push_back(begin + size_t(written) - 1);
            return;
        }
        available = size_t(written);
    }
}

void NameSortKeys::appendAll(qsizetype count, const std::function<QStringView(qsizetype)>& nameAt)
{
    // Making a key costs far more than comparing keys: on a large folder it is most of a sort.
    // Below this many names a thread costs more than it saves.
    constexpr qsizetype namesPerThread = 8192;
    const qsizetype threads = std::min<qsizetype>(
        {qsizetype(std::max(1u, std::thread::hardware_concurrency())), count / namesPerThread, 16});
    if (threads < 2) {
        for (qsizetype i = 0; i < count; ++i)
            append(nameAt(i));
        return;
    }

    // Each thread keys one contiguous run with its own collator (the key collator is per
    // thread); the runs are then joined in order.
    std::vector<NameSortKeys> runs(size_t(threads - 1));
    const auto runStart = [count, threads](qsizetype run) { return count * run / threads; };
    {
        std::vector<std::jthread> workers;
        workers.reserve(runs.size());
        for (qsizetype run = 1; run < threads; ++run) {
            workers.emplace_back([&, run] {
                NameSortKeys& keys = runs[size_t(run - 1)];
                const qsizetype begin = runStart(run);
                const qsizetype end = runStart(run + 1);
                keys.reserve(end - begin, (end - begin) * 16);
                for (qsizetype i = begin; i < end; ++i)
                    keys.append(nameAt(i));
            });
        }
        const qsizetype end = runStart(1);
        for (qsizetype i = 0; i < end; ++i)
            append(nameAt(i));
    } // joins the workers
    for (const NameSortKeys& keys : runs) {
        const size_t base = m_ends.empty() ? 0 : m_ends.back();
        const size_t used = keys.m_ends.empty() ? 0 : keys.m_ends.back();
        if (used > 0)
            std::memcpy(room(used), keys.m_bytes.data(), used);
        for (const size_t end : keys.m_ends)
            m_ends.push_back(base + end);
    }
}

int NameSortKeys::compare(QByteArrayView a, QByteArrayView b)
{
    const size_t common = size_t(std::min(a.size(), b.size()));
    if (common > 0) {
        if (const int byBytes = std::memcmp(a.data(), b.data(), common))
            return byBytes;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

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
