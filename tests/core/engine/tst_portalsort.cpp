// QtTest first: moc reads this file with C++17 predefines and stumbles on <concepts> otherwise.
#include <QtTest>

#include "core/engine/PortalScan.h"
#include "core/engine/PortalSortKeys.h"
#include "core/models/Text.h"

#include <QHash>
#include <QRandomGenerator>

#include <algorithm>

using namespace mv;
using namespace mv::FolderPortalEngine;
using namespace Qt::StringLiterals;

namespace {

const QDateTime t0 = QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC);

PortalFileEntry makeEntry(const QString& name, bool isDirectory, qint64 size,
                          std::optional<int> modifiedOffset, std::optional<int> accessedOffset)
{
    PortalFileEntry entry;
    entry.url = QUrl::fromLocalFile(u"/fixture/"_s + name);
    entry.name = name;
    entry.displayName = name;
    entry.fileExtension = pathExtension(name).toLower();
    entry.isDirectory = isDirectory;
    entry.fileSize = size;
    entry.modifiedAt = modifiedOffset ? t0.addSecs(*modifiedOffset) : distantPast();
    entry.lastAccessedAt = accessedOffset ? t0.addSecs(*accessedOffset) : entry.modifiedAt;
    entry.symbolName = u"doc.fill"_s;
    return entry;
}

// The one fixture every table draws from: each row lists some of these names in input order.
const QHash<QString, PortalFileEntry>& fixture()
{
    static const QHash<QString, PortalFileEntry> entries = [] {
        const QList<PortalFileEntry> list = {
            makeEntry(u"Zeta"_s, true, 0, 300, 100),
            makeEntry(u"Alpha"_s, true, 0, 100, 600),
            makeEntry(u"a.png"_s, false, 10, 200, 200),
            makeEntry(u"b.jpg"_s, false, 20, 400, 50),
            makeEntry(u"c.png"_s, false, 10, 200, 500),
            makeEntry(u"README"_s, false, 5, std::nullopt, std::nullopt),
            makeEntry(u"File 2.txt"_s, false, 2000, 500, 500),
            makeEntry(u"File 10.txt"_s, false, 1000, 500, 500),
            makeEntry(u"apple.md"_s, false, 7, 600, 700),
            makeEntry(u"Banana.md"_s, false, 7, 600, 700),
            makeEntry(u"报告.pdf"_s, false, 30, 10, 10),
            makeEntry(u"文件.pdf"_s, false, 30, 10, 10),
            makeEntry(u"A.txt"_s, false, 1, 20, 20),
            makeEntry(u"a.txt"_s, false, 1, 20, 20),
        };
        QHash<QString, PortalFileEntry> byName;
        for (const PortalFileEntry& entry : list)
            byName.insert(entry.name, entry);
        return byName;
    }();
    return entries;
}

QList<PortalFileEntry> entriesNamed(const QStringList& names)
{
    QList<PortalFileEntry> entries;
    for (const QString& name : names) {
        Q_ASSERT(fixture().contains(name));
        entries.append(fixture().value(name));
    }
    return entries;
}

QStringList namesOf(const QList<PortalFileEntry>& entries)
{
    QStringList names;
    for (const PortalFileEntry& entry : entries)
        names.append(entry.name);
    return names;
}

void addColumns()
{
    QTest::addColumn<QStringList>("input");
    QTest::addColumn<QStringList>("expected");
}

void checkSort(FenceSortMode mode, const QStringList& manualOrder = {})
{
    QFETCH(QStringList, input);
    QFETCH(QStringList, expected);
    QCOMPARE(namesOf(sortEntries(entriesNamed(input), mode, manualOrder)), expected);
}

} // namespace

Q_DECLARE_METATYPE(mv::FenceSortMode)

class TestPortalSort final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void nameAsc_data();
    void nameAsc() { checkSort(FenceSortMode::nameAsc); }
    void dateModifiedDesc_data();
    void dateModifiedDesc() { checkSort(FenceSortMode::dateModifiedDesc); }
    void lastAccessedDesc_data();
    void lastAccessedDesc() { checkSort(FenceSortMode::lastAccessedDesc); }
    void kindAsc_data();
    void kindAsc() { checkSort(FenceSortMode::kindAsc); }
    void sizeDesc_data();
    void sizeDesc() { checkSort(FenceSortMode::sizeDesc); }
    void manual_data();
    void manual();
    void equalEntriesKeepInputOrder_data();
    void equalEntriesKeepInputOrder();
    void unsortableInputs();
    void sharedInputIsLeftAlone();
    void largeFolderByName();
};

// nameAsc: folders before files; names by the shared collation (digits by value, letter
// case ignored, Han by pinyin and ahead of Latin); names it calls equal go by code point,
// whatever the input order.
void TestPortalSort::nameAsc_data()
{
    addColumns();
    QTest::newRow("folders first") << QStringList{u"b.jpg"_s, u"Zeta"_s, u"a.png"_s, u"Alpha"_s}
                                   << QStringList{u"Alpha"_s, u"Zeta"_s, u"a.png"_s, u"b.jpg"_s};
    QTest::newRow("digits by value") << QStringList{u"File 10.txt"_s, u"File 2.txt"_s}
                                     << QStringList{u"File 2.txt"_s, u"File 10.txt"_s};
    QTest::newRow("case ignored") << QStringList{u"Banana.md"_s, u"apple.md"_s}
                                  << QStringList{u"apple.md"_s, u"Banana.md"_s};
    QTest::newRow("han by pinyin") << QStringList{u"文件.pdf"_s, u"报告.pdf"_s}
                                   << QStringList{u"报告.pdf"_s, u"文件.pdf"_s};
    QTest::newRow("collation tie, lower first in")
        << QStringList{u"a.txt"_s, u"A.txt"_s} << QStringList{u"A.txt"_s, u"a.txt"_s};
    QTest::newRow("collation tie, upper first in")
        << QStringList{u"A.txt"_s, u"a.txt"_s} << QStringList{u"A.txt"_s, u"a.txt"_s};
    QTest::newRow("whole fixture")
        << QStringList{u"文件.pdf"_s, u"c.png"_s, u"File 10.txt"_s, u"Zeta"_s, u"a.txt"_s,
                       u"README"_s, u"apple.md"_s, u"b.jpg"_s, u"A.txt"_s, u"Alpha"_s,
                       u"报告.pdf"_s, u"Banana.md"_s, u"a.png"_s, u"File 2.txt"_s}
        << QStringList{u"Alpha"_s, u"Zeta"_s, u"报告.pdf"_s, u"文件.pdf"_s, u"a.png"_s,
                       u"A.txt"_s, u"a.txt"_s, u"apple.md"_s, u"b.jpg"_s, u"Banana.md"_s,
                       u"c.png"_s, u"File 2.txt"_s, u"File 10.txt"_s, u"README"_s};
}

// dateModifiedDesc: no grouping, later modification first, equal dates by name; an entry
// without a reported date (the distant past) comes last.
void TestPortalSort::dateModifiedDesc_data()
{
    addColumns();
    QTest::newRow("folders and files mixed")
        << QStringList{u"Alpha"_s, u"a.png"_s, u"Zeta"_s, u"b.jpg"_s}
        << QStringList{u"b.jpg"_s, u"Zeta"_s, u"a.png"_s, u"Alpha"_s};
    QTest::newRow("equal dates by name") << QStringList{u"c.png"_s, u"a.png"_s}
                                         << QStringList{u"a.png"_s, u"c.png"_s};
    QTest::newRow("equal dates, digits by value")
        << QStringList{u"File 10.txt"_s, u"File 2.txt"_s}
        << QStringList{u"File 2.txt"_s, u"File 10.txt"_s};
    QTest::newRow("undated last") << QStringList{u"README"_s, u"报告.pdf"_s}
                                  << QStringList{u"报告.pdf"_s, u"README"_s};
}

// lastAccessedDesc: the same by access date, which is independent of the modification date.
void TestPortalSort::lastAccessedDesc_data()
{
    addColumns();
    QTest::newRow("by access, not modification")
        << QStringList{u"b.jpg"_s, u"c.png"_s, u"Alpha"_s, u"Zeta"_s}
        << QStringList{u"Alpha"_s, u"c.png"_s, u"Zeta"_s, u"b.jpg"_s};
    QTest::newRow("equal access by name") << QStringList{u"Banana.md"_s, u"apple.md"_s}
                                          << QStringList{u"apple.md"_s, u"Banana.md"_s};
    QTest::newRow("undated last") << QStringList{u"README"_s, u"b.jpg"_s}
                                  << QStringList{u"b.jpg"_s, u"README"_s};
}

// kindAsc: folders first; then files without an extension, then by extension in the name
// order, equal extensions by name.
void TestPortalSort::kindAsc_data()
{
    addColumns();
    QTest::newRow("folder, bare name, then extensions")
        << QStringList{u"c.png"_s, u"a.png"_s, u"b.jpg"_s, u"README"_s, u"Zeta"_s}
        << QStringList{u"Zeta"_s, u"README"_s, u"b.jpg"_s, u"a.png"_s, u"c.png"_s};
    QTest::newRow("extension before name") << QStringList{u"a.png"_s, u"b.jpg"_s}
                                           << QStringList{u"b.jpg"_s, u"a.png"_s};
    QTest::newRow("extensions in name order")
        << QStringList{u"a.txt"_s, u"报告.pdf"_s, u"apple.md"_s}
        << QStringList{u"apple.md"_s, u"报告.pdf"_s, u"a.txt"_s};
    QTest::newRow("folders by name") << QStringList{u"Zeta"_s, u"Alpha"_s}
                                     << QStringList{u"Alpha"_s, u"Zeta"_s};
}

// sizeDesc: files before folders (the reverse grouping), larger first, equal sizes by name;
// folders, all of size 0, by name.
void TestPortalSort::sizeDesc_data()
{
    addColumns();
    QTest::newRow("files first, larger first")
        << QStringList{u"Alpha"_s, u"a.png"_s, u"b.jpg"_s}
        << QStringList{u"b.jpg"_s, u"a.png"_s, u"Alpha"_s};
    QTest::newRow("equal sizes by name") << QStringList{u"c.png"_s, u"a.png"_s}
                                         << QStringList{u"a.png"_s, u"c.png"_s};
    QTest::newRow("folders by name") << QStringList{u"Zeta"_s, u"Alpha"_s}
                                     << QStringList{u"Alpha"_s, u"Zeta"_s};
}

// manual: listed names first in the user's order (a name listed twice keeps its first place,
// a listed name that is gone changes nothing), then the rest, folders first, by name.
void TestPortalSort::manual_data()
{
    addColumns();
    QTest::addColumn<QStringList>("manualOrder");
    QTest::newRow("listed, then folders, then files")
        << QStringList{u"a.png"_s, u"b.jpg"_s, u"c.png"_s, u"Zeta"_s}
        << QStringList{u"c.png"_s, u"a.png"_s, u"Zeta"_s, u"b.jpg"_s}
        << QStringList{u"c.png"_s, u"a.png"_s};
    QTest::newRow("listed file before listed folder")
        << QStringList{u"Zeta"_s, u"a.png"_s} << QStringList{u"a.png"_s, u"Zeta"_s}
        << QStringList{u"a.png"_s, u"Zeta"_s};
    QTest::newRow("gone name has no effect")
        << QStringList{u"a.png"_s, u"b.jpg"_s} << QStringList{u"b.jpg"_s, u"a.png"_s}
        << QStringList{u"gone.txt"_s, u"b.jpg"_s};
    QTest::newRow("duplicate keeps first place")
        << QStringList{u"a.png"_s, u"c.png"_s} << QStringList{u"c.png"_s, u"a.png"_s}
        << QStringList{u"c.png"_s, u"a.png"_s, u"c.png"_s};
    QTest::newRow("empty order is nameAsc")
        << QStringList{u"b.jpg"_s, u"Zeta"_s, u"a.png"_s, u"Alpha"_s}
        << QStringList{u"Alpha"_s, u"Zeta"_s, u"a.png"_s, u"b.jpg"_s} << QStringList{};
    QTest::newRow("unlisted by name, digits by value")
        << QStringList{u"File 10.txt"_s, u"README"_s, u"File 2.txt"_s}
        << QStringList{u"README"_s, u"File 2.txt"_s, u"File 10.txt"_s}
        << QStringList{u"README"_s};
}

void TestPortalSort::manual()
{
    QFETCH(QStringList, manualOrder);
    checkSort(FenceSortMode::manual, manualOrder);
}

// Two entries that no mode can tell apart (same name, kind, size and dates, listed from two
// folders) keep their input order, in both input orders.
void TestPortalSort::equalEntriesKeepInputOrder_data()
{
    QTest::addColumn<FenceSortMode>("mode");
    for (FenceSortMode mode : allCases<FenceSortMode>())
        QTest::newRow(rawValue(mode).toUtf8().constData()) << mode;
}

void TestPortalSort::equalEntriesKeepInputOrder()
{
    QFETCH(FenceSortMode, mode);
    PortalFileEntry first = fixture().value(u"a.png"_s);
    PortalFileEntry second = first;
    second.url = QUrl::fromLocalFile(u"/elsewhere/a.png"_s);
    const PortalFileEntry other = fixture().value(u"b.jpg"_s);

    const QList<PortalFileEntry> forward =
        sortEntries({first, other, second}, mode, {u"a.png"_s});
    const QList<PortalFileEntry> backward =
        sortEntries({second, other, first}, mode, {u"a.png"_s});
    QCOMPARE(forward.size(), 3);
    QVERIFY(forward.indexOf(first) < forward.indexOf(second));
    QVERIFY(backward.indexOf(second) < backward.indexOf(first));
}

// No entries, one entry, and entries not made by a scan (invalid dates) sort without fault;
// an invalid date counts as the distant past.
void TestPortalSort::unsortableInputs()
{
    QVERIFY(sortEntries({}, FenceSortMode::nameAsc, {}).isEmpty());
    const PortalFileEntry only = fixture().value(u"Zeta"_s);
    QCOMPARE(sortEntries({only}, FenceSortMode::sizeDesc, {}), QList<PortalFileEntry>{only});

    PortalFileEntry blank;
    blank.name = u"blank"_s;
    const PortalFileEntry dated = fixture().value(u"报告.pdf"_s);
    QCOMPARE(namesOf(sortEntries({blank, dated}, FenceSortMode::dateModifiedDesc, {})),
             (QStringList{u"报告.pdf"_s, u"blank"_s}));
    QCOMPARE(namesOf(sortEntries({blank, dated}, FenceSortMode::lastAccessedDesc, {})),
             (QStringList{u"报告.pdf"_s, u"blank"_s}));
}

// A list the caller still holds is copied, not reordered under it, and sorts exactly as a
// list handed over for good (which is permuted in place).
void TestPortalSort::sharedInputIsLeftAlone()
{
    const QStringList input = {u"文件.pdf"_s, u"c.png"_s, u"File 10.txt"_s, u"Zeta"_s,
                               u"a.txt"_s, u"README"_s, u"apple.md"_s, u"b.jpg"_s,
                               u"A.txt"_s, u"Alpha"_s, u"报告.pdf"_s, u"Banana.md"_s,
                               u"a.png"_s, u"File 2.txt"_s};
    for (FenceSortMode mode : allCases<FenceSortMode>()) {
        const QList<PortalFileEntry> held = entriesNamed(input);
        const QList<PortalFileEntry> fromShared = sortEntries(held, mode, {u"b.jpg"_s});
        const QList<PortalFileEntry> fromOwned =
            sortEntries(entriesNamed(input), mode, {u"b.jpg"_s});
        QCOMPARE(namesOf(held), input);
        QCOMPARE(fromShared, fromOwned);
        QCOMPARE(fromShared.size(), input.size());
    }
}

// A folder large enough to be keyed and copied on several threads, its names sharing long
// beginnings (so that they tie on many key bytes), differing in case only, or repeated
// outright, sorts as the collator compares pairwise: folders first, then the name, then its
// code points, equal entries in input order. Both a held list and one handed over.
void TestPortalSort::largeFolderByName()
{
    const QString stems[] = {
        u"Quarterly project report final version %1.docx"_s,
        u"quarterly project report final version %1.DOCX"_s,
        u"项目季度报告最终版本第 %1 份.pdf"_s,
        u"IMG_%1.JPG"_s,
        u"Screenshot 2026-01-01 at 10.00.%1.png"_s,
        u"same name"_s,
        u"%1"_s,
        u"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa%1"_s,
    };
    QRandomGenerator random(17);
    QList<PortalFileEntry> input;
    constexpr int count = 33000;
    input.reserve(count);
    for (int i = 0; i < count; ++i) {
        const QString& stem = stems[random.bounded(int(std::size(stems)))];
        const QString name = stem.contains(u"%1"_s) ? stem.arg(random.bounded(5000)) : stem;
        PortalFileEntry entry = makeEntry(name, random.bounded(10) == 0, i, i, i);
        entry.url = QUrl::fromLocalFile(u"/fixture/%1/"_s.arg(i) + name); // tells equal names apart
        input.append(entry);
    }

    QList<PortalFileEntry> expected = input;
    std::stable_sort(expected.begin(), expected.end(), [](const PortalFileEntry& a, const PortalFileEntry& b) {
        if (a.isDirectory != b.isDirectory)
            return a.isDirectory;
        if (const int byName = text::compareNames(a.name, b.name))
            return byName < 0;
        return detail::compareCodePoints(a.name, b.name) < 0;
    });

    const QList<PortalFileEntry> held = input;
    const QList<PortalFileEntry> fromShared = sortEntries(held, FenceSortMode::nameAsc, {});
    QCOMPARE(held, input);
    QList<PortalFileEntry> owned = input;
    owned.detach();
    const QList<PortalFileEntry> fromOwned = sortEntries(std::move(owned), FenceSortMode::nameAsc, {});
    for (const QList<PortalFileEntry>* sorted : {&fromShared, &fromOwned}) {
        QCOMPARE(sorted->size(), expected.size());
        for (qsizetype i = 0; i < expected.size(); ++i) {
            if (sorted->at(i).url != expected.at(i).url)
                QFAIL(qPrintable(u"at %1: %2 where %3 belongs"_s.arg(i).arg(sorted->at(i).url.path(), expected.at(i).url.path())));
        }
    }
}

QTEST_GUILESS_MAIN(TestPortalSort)
#include "tst_portalsort.moc"
