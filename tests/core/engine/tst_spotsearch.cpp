// QtTest first: moc reads this file with C++17 predefines and stumbles on <concepts> otherwise.
#include <QtTest>

#include "core/engine/SpotSearchEngine.h"

#include "core/models/RecordHash.h"
#include "core/models/Text.h"
#include "core/models/Uuid.h"

#include <QTextBoundaryFinder>

#include <algorithm>

using namespace mv;
using namespace Qt::StringLiterals;

namespace {

QUuid fixedId(int n)
{
    return QUuid(QStringLiteral("00000000-0000-4000-8000-%1").arg(n, 12, 10, QLatin1Char('0')));
}

FenceItem makeItem(int id, const QString& title, std::optional<QString> subtitle,
                   const QString& target, bool pinned = false)
{
    FenceItem item;
    item.id = fixedId(id);
    item.title = title;
    item.subtitle = std::move(subtitle);
    item.kind = FenceItemKind::url;
    item.target = target;
    item.symbolName = QStringLiteral("link");
    item.isPinned = pinned;
    return item;
}

FenceChecklistTask makeTask(int id, const QString& title, bool completed)
{
    FenceChecklistTask task;
    task.id = fixedId(id);
    task.title = title;
    task.isCompleted = completed;
    task.createdAt = QDateTime(QDate(2026, 1, 1), QTime(8, 0), Qt::UTC);
    return task;
}

FenceTab makeTab(int id, const QString& title, FenceKind kind)
{
    FenceTab tab;
    tab.id = fixedId(id);
    tab.title = title;
    tab.kind = kind;
    tab.symbolName = symbolName(kind);
    return tab;
}

FenceModel makeFence(int id, const QString& title, QList<FenceTab> tabs)
{
    FenceModel fence;
    fence.id = fixedId(id);
    fence.title = title;
    fence.symbolName = QStringLiteral("square.grid.2x2.fill");
    fence.tabs = std::move(tabs);
    fence.activeTabID = fence.tabs.isEmpty() ? fixedId(9999) : fence.tabs.first().id;
    return fence;
}

PortalFileEntry makeEntry(const QString& path, bool isDirectory, qint64 size)
{
    PortalFileEntry entry;
    entry.url = QUrl::fromLocalFile(path);
    entry.name = path.section(u'/', -1);
    entry.displayName = entry.name;
    entry.isDirectory = isDirectory;
    entry.fileSize = size;
    entry.symbolName = isDirectory ? QStringLiteral("folder.fill") : QStringLiteral("doc.fill");
    return entry;
}

QString idOf(int n)
{
    return uuidString(fixedId(n));
}

QStringList idsOf(const QList<SpotSearchResult>& results)
{
    QStringList ids;
    for (const SpotSearchResult& r : results)
        ids.append(r.id);
    return ids;
}

// The scoring rules written the slow, obvious way on whole characters, to check the engine's
// shortcuts for text made of single code units against.
QStringList characters(const QString& text)
{
    QStringList result;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    for (qsizetype end = finder.toNextBoundary(); end > 0; end = finder.toNextBoundary()) {
        result.append(text.mid(start, end - start));
        start = end;
    }
    return result;
}

std::optional<int> referenceScore(const QString& query, const QString& candidate)
{
    const QStringList q = characters(text::normalized(query.toLower()));
    const QStringList c = characters(text::normalized(candidate.toLower()));
    if (q.isEmpty() || c.isEmpty())
        return std::nullopt;
    if (q == c)
        return 120;
    for (qsizetype at = 0; at + q.size() <= c.size(); ++at) {
        if (c.mid(at, q.size()) == q)
            return at == 0 ? 105 : 95 - int(std::min<qsizetype>(at, 30));
    }
    qsizetype matched = 0;
    int run = 0;
    int longest = 0;
    for (qsizetype i = 0; i < c.size() && matched < q.size(); ++i) {
        if (c[i] == q[matched]) {
            ++matched;
            longest = std::max(longest, ++run);
        } else {
            run = 0;
        }
    }
    if (matched < q.size())
        return std::nullopt;
    return std::min(35 + 6 * longest, 65);
}

} // namespace

class SpotSearchTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        // Tilde targets expand against this, not the real home folder.
        qputenv("HOME", QByteArrayLiteral("/home/tester"));
    }

    void categoriesHaveRawValuesAndLabels()
    {
        const QList<SpotSearchCategory> all = allCases<SpotSearchCategory>();
        QStringList raw;
        QStringList labels;
        for (const SpotSearchCategory c : all) {
            raw.append(rawValue(c));
            labels.append(label(c));
            QCOMPARE(fromRawValue<SpotSearchCategory>(rawValue(c)), c);
        }
        QCOMPARE(raw, QStringList({QStringLiteral("fence"), QStringLiteral("item"),
                                   QStringLiteral("portalFile"), QStringLiteral("task"),
                                   QStringLiteral("note"), QStringLiteral("command")}));
        QCOMPARE(labels, QStringList({QStringLiteral("围栏"), QStringLiteral("快捷方式"),
                                      QStringLiteral("文件"), QStringLiteral("待办"),
                                      QStringLiteral("便签"), QStringLiteral("动作")}));
        QVERIFY(!fromRawValue<SpotSearchCategory>(u"Fence"_s));
        QVERIFY(!fromRawValue<SpotSearchCategory>(u"portal"_s));
    }

    void fuzzyScores_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("candidate");
        QTest::addColumn<int>("score"); // -1: no score

        // Both sides lower-cased; 120 equal, 105 prefix, 95 - distance (capped at 30) contained.
        QTest::newRow("equal ignoring case") << "Notes" << "notes" << 120;
        QTest::newRow("prefix") << "Notes" << "notes 2024" << 105;
        QTest::newRow("contained at 3") << "Notes" << "my notes" << 92;
        QTest::newRow("contained at 29") << "q" << QString(QString(29, u'x') + u'q') << 66;
        QTest::newRow("contained at 30") << "q" << QString(QString(30, u'x') + u'q') << 65;
        QTest::newRow("distance capped") << "q" << QString(QString(400, u'x') + u'q') << 65;
        QTest::newRow("first occurrence counts") << "ab" << "xab ab" << 94;
        QTest::newRow("chinese") << "报告" << "季度报告.pdf" << 93;
        QTest::newRow("non-ascii capitals") << "ÄPFEL" << "äpfel" << 120;
        QTest::newRow("capital outside the BMP") << QStringLiteral("\U00010428")
                                                 << QStringLiteral("\U00010400x") << 105;
        // Subsequence: 35 + 6 x the longest run, at most 65.
        QTest::newRow("run of 1") << "nts" << "notes" << 41;
        QTest::newRow("run of 2") << "ntes" << "notxes" << 47;
        QTest::newRow("run of 3") << "abcz" << "abc-z" << 53;
        QTest::newRow("run of 4") << "abcdz" << "abcd-z" << 59;
        QTest::newRow("run of 5") << "abcdez" << "abcde-z" << 65;
        QTest::newRow("run of 6 still 65") << "abcdefz" << "abcdef-z" << 65;
        QTest::newRow("later run is longest") << "axyzw" << "a-xyzw" << 59;
        QTest::newRow("query longer than candidate") << "note" << "no" << -1;
        QTest::newRow("order matters") << "ba" << "ab" << -1;
        // Nothing is trimmed and nothing but case is folded.
        QTest::newRow("leading blank kept") << " notes" << "notes" << -1;
        QTest::newRow("accent counts") << "cafe" << "café" << -1;
        QTest::newRow("empty query") << "" << "notes" << -1;
        QTest::newRow("empty candidate") << "notes" << "" << -1;
        // NFC on both sides: decomposed and precomposed accents are the same character.
        QTest::newRow("nfd query, nfc candidate") << QStringLiteral("cafe\u0301") << QStringLiteral("Caf\u00e9") << 120;
        QTest::newRow("nfc query, nfd candidate") << QStringLiteral("caf\u00e9") << QStringLiteral("CAFE\u0301 noir") << 105;
        QTest::newRow("nfd capital accent") << QStringLiteral("\u00e9t\u00e9") << QStringLiteral("E\u0301TE\u0301") << 120;
        // Distances and runs count characters, not UTF-16 code units.
        QTest::newRow("emoji before counts once") << "notes" << "🎉 notes" << 93;
        QTest::newRow("family emoji counts once") << "x" << "👨‍👩‍👧‍👦x" << 94;
        QTest::newRow("flag counts once") << QStringLiteral("🇫🇷") << QStringLiteral("🇺🇸🇫🇷") << 94;
        // A match must start and end on character boundaries.
        QTest::newRow("no match inside a combined character") << "x" << QStringLiteral("x\u0301yz") << -1;
        QTest::newRow("no match across flags") << QStringLiteral("🇸🇫") << QStringLiteral("🇺🇸🇫🇷") << -1;
        QTest::newRow("no match inside an emoji sequence") << "👩" << "👩‍💻 dev" << -1;
        QTest::newRow("emoji subsequence") << "🎉z" << "🎉-z" << 41;
        QTest::newRow("crlf is one character") << "a\rb" << "a\r\nb" << -1;
    }

    void fuzzyScores()
    {
        QFETCH(QString, query);
        QFETCH(QString, candidate);
        QFETCH(int, score);
        const std::optional<int> expected = score < 0 ? std::nullopt : std::optional<int>(score);
        QCOMPARE(SpotSearchEngine::fuzzyScore(query, candidate), expected);
        QCOMPARE(referenceScore(query, candidate), expected);
    }

    // The engine treats most code units as whole characters without segmenting; every code
    // unit of the basic plane, next to others, must score as the full segmentation says.
    void everyCharacterScoresAsSegmentationSays()
    {
        int mismatches = 0;
        for (char32_t u = 1; u <= 0xFFFF && mismatches < 10; ++u) {
            if (QChar::isSurrogate(u))
                continue;
            const QString c = QString(QChar(char16_t(u)));
            const QList<std::pair<QString, QString>> probes{
                {QStringLiteral("xa"), QStringLiteral("xa") + c},     // does it extend "a"?
                {QStringLiteral("b"), c + QStringLiteral("b")},       // is it prepended to "b"?
                {c, c + c},                                           // does it join itself?
                {QStringLiteral("ab"), QStringLiteral("a") + c + QStringLiteral("ab")},
                {c + QStringLiteral("q"), QStringLiteral("y") + c + QStringLiteral("-q")},
                {c, c.toUpper()},                                     // letter case, both ways
                {c.toUpper(), c},
                {QStringLiteral("q") + c.toUpper(), QString(40, u'x') + u'q' + c + u'z'}, // in a long text
            };
            for (const auto& [query, candidate] : probes) {
                const auto got = SpotSearchEngine::fuzzyScore(query, candidate);
                const auto want = referenceScore(query, candidate);
                if (got != want) {
                    ++mismatches;
                    qWarning("U+%04X: query %s candidate %s: engine %d, segmentation %d",
                             unsigned(u), qPrintable(query), qPrintable(candidate),
                             got.value_or(-1), want.value_or(-1));
                }
            }
        }
        QCOMPARE(mismatches, 0);
    }

    // Each kind of hit scores its fuzzy score plus its bonus: fence +15, pinned item +10,
    // note -5; an item takes the better of its title and subtitle.
    void searchScores_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("id");
        QTest::addColumn<int>("score");
        const QString notesTab = idOf(13);
        QTest::newRow("fence title equal") << "Projects" << QString(u"fence-"_s + idOf(1)) << 135;
        QTest::newRow("fence title prefix") << "proj" << QString(u"fence-"_s + idOf(1)) << 120;
        QTest::newRow("pinned item equal") << "Budget" << QString(u"item-"_s + idOf(101)) << 130;
        QTest::newRow("item equal") << "Roadmap" << QString(u"item-"_s + idOf(102)) << 120;
        QTest::newRow("item by its subtitle") << "quarterly planning" << QString(u"item-"_s + idOf(102)) << 120;
        QTest::newRow("item title beats subtitle") << "roadm" << QString(u"item-"_s + idOf(102)) << 105;
        QTest::newRow("portal file by name")
            << "report.pdf" << QString(u"file-"_s + idOf(12) + u"-/data/Docs/Report.pdf"_s) << 120;
        QTest::newRow("task equal") << "Buy milk" << QString(u"task-"_s + idOf(201)) << 120;
        QTest::newRow("note whole text equal") << "Groceries" << QString(u"note-"_s + notesTab) << 115;
        QTest::newRow("note contained") << "eggs" << QString(u"note-"_s + idOf(14)) << 95 - 6 - 5;
        QTest::newRow("trimmed query") << "  \tBuy milk\n" << QString(u"task-"_s + idOf(201)) << 120;
    }

    void searchScores()
    {
        QFETCH(QString, query);
        QFETCH(QString, id);
        QFETCH(int, score);
        const auto results = SpotSearchEngine::search(query, fixtureFences(), fixtureListings(), 32);
        const auto found = std::find_if(results.cbegin(), results.cend(),
                                        [&](const SpotSearchResult& r) { return r.id == id; });
        QVERIFY2(found != results.cend(), qPrintable(idsOf(results).join(u", "_s)));
        QCOMPARE(found->score, score);
    }

    // Every field of every kind of hit, and the order: score, then title in name order,
    // then the order of collection.
    void searchBuildsOrderedResults()
    {
        FenceTab links = makeTab(11, QStringLiteral("链接"), FenceKind::curated);
        links.items = {
            makeItem(101, QStringLiteral("Plan beta"), std::nullopt, QStringLiteral("https://example.com/b")),
            makeItem(102, QStringLiteral("Plan Alpha"), std::nullopt, QStringLiteral("~/Documents/plan.md")),
            makeItem(103, QStringLiteral("Plan pinned"), QStringLiteral("置顶"), QStringLiteral("/srv/plan"), true),
            makeItem(104, QStringLiteral("Plan bad"), std::nullopt, QStringLiteral("http://exa mple.com")),
        };
        links.tasks = {makeTask(201, QStringLiteral("Plan trip"), true),
                       makeTask(202, QStringLiteral("Plan party"), false)};
        FenceTab files = makeTab(12, QStringLiteral("资料"), FenceKind::portal);
        FenceTab notes = makeTab(13, QStringLiteral("便签"), FenceKind::notes);
        notes.noteText = QStringLiteral("Shopping\nmonday\n\n  the plan for today\nmore");
        FenceModel fence = makeFence(1, QStringLiteral("Plan"), {links, files, notes});
        fence.activeTabID = fixedId(12);
        FenceModel other = makeFence(2, QStringLiteral("Plan"), {});

        PortalListings listings;
        listings.insert(fixedId(12), {makeEntry(QStringLiteral("/data/plan/File 10.txt"), false, 2500),
                                      makeEntry(QStringLiteral("/data/plan/File 2.txt"), false, 999),
                                      makeEntry(QStringLiteral("/data/plan/Plans"), true, 0)});
        // A listing for a tab that no fence has is ignored.
        listings.insert(fixedId(77), {makeEntry(QStringLiteral("/elsewhere/plan"), false, 1)});

        const auto results = SpotSearchEngine::search(QStringLiteral("plan"), {fence, other}, listings, 100);
        QCOMPARE(idsOf(results), QStringList({
                                     u"fence-"_s + idOf(1),  // 120 + 15, collected first
                                     u"fence-"_s + idOf(2),  // equal score and title: collection order
                                     u"item-"_s + idOf(103), // 105 + 10
                                     u"item-"_s + idOf(102), // 105: Alpha before bad, beta
                                     u"item-"_s + idOf(104),
                                     u"item-"_s + idOf(101),
                                     u"task-"_s + idOf(202), // "Plan party", "Plan trip", "Plans"
                                     u"task-"_s + idOf(201),
                                     u"file-"_s + idOf(12) + u"-/data/plan/Plans"_s,
                                     u"note-"_s + idOf(13),  // 95 - 23 - 5
                                 }));

        SpotSearchResult fenceHit;
        fenceHit.id = u"fence-"_s + idOf(1);
        fenceHit.title = QStringLiteral("Plan");
        fenceHit.subtitle = QStringLiteral("定位围栏 · 文件夹传送门"); // the active tab is the portal
        fenceHit.category = SpotSearchCategory::fence;
        fenceHit.symbolName = QStringLiteral("square.grid.2x2.fill");
        fenceHit.fenceID = fixedId(1);
        fenceHit.tabID = fixedId(12);
        fenceHit.score = 135;
        QCOMPARE(results[0], fenceHit);
        QVERIFY(qHash(results[0], 0) == qHash(fenceHit, 0));

        SpotSearchResult pinned;
        pinned.id = u"item-"_s + idOf(103);
        pinned.title = QStringLiteral("Plan pinned");
        pinned.subtitle = QStringLiteral("Plan / 链接 · /srv/plan");
        pinned.category = SpotSearchCategory::item;
        pinned.symbolName = QStringLiteral("link");
        pinned.fenceID = fixedId(1);
        pinned.tabID = fixedId(11);
        pinned.itemID = fixedId(103);
        pinned.targetURL = QUrl::fromLocalFile(QStringLiteral("/srv/plan"));
        pinned.score = 115;
        QCOMPARE(results[2], pinned);
        QCOMPARE(results[3].targetURL, QUrl::fromLocalFile(QStringLiteral("/home/tester/Documents/plan.md")));
        QCOMPARE(results[4].targetURL, std::nullopt); // neither a path nor a valid URL
        QCOMPARE(results[5].targetURL, QUrl(QStringLiteral("https://example.com/b")));

        SpotSearchResult task;
        task.id = u"task-"_s + idOf(201);
        task.title = QStringLiteral("Plan trip");
        task.subtitle = QStringLiteral("Plan · 已完成");
        task.category = SpotSearchCategory::task;
        task.symbolName = QStringLiteral("checkmark.circle.fill");
        task.fenceID = fixedId(1);
        task.tabID = fixedId(11);
        task.taskID = fixedId(201);
        task.score = 105;
        QCOMPARE(results[7], task);
        QCOMPARE(results[6].subtitle, QStringLiteral("Plan · 待办"));
        QCOMPARE(results[6].symbolName, QStringLiteral("circle"));

        SpotSearchResult folder;
        folder.id = u"file-"_s + idOf(12) + u"-/data/plan/Plans"_s;
        folder.title = QStringLiteral("Plans");
        folder.subtitle = QStringLiteral("Plan · 文件夹");
        folder.category = SpotSearchCategory::portalFile;
        folder.symbolName = QStringLiteral("folder.fill");
        folder.fenceID = fixedId(1);
        folder.tabID = fixedId(12);
        folder.targetURL = QUrl::fromLocalFile(QStringLiteral("/data/plan/Plans"));
        folder.score = 105;
        QCOMPARE(results[8], folder);

        SpotSearchResult note;
        note.id = u"note-"_s + idOf(13);
        note.title = QStringLiteral("  the plan for today"); // the first line with a match, whole
        note.subtitle = QStringLiteral("Plan · 便签内容");
        note.category = SpotSearchCategory::note;
        note.symbolName = QStringLiteral("note.text");
        note.fenceID = fixedId(1);
        note.tabID = fixedId(13);
        note.score = 95 - 23 - 5;
        QCOMPARE(results[9], note);

        // The files score by subsequence only ("File 2" has no "plan"), so they are absent;
        // by their own name they order numerically.
        const auto byFile = SpotSearchEngine::search(QStringLiteral("file"), {fence}, listings, 10);
        QCOMPARE(idsOf(byFile), QStringList({u"file-"_s + idOf(12) + u"-/data/plan/File 2.txt"_s,
                                             u"file-"_s + idOf(12) + u"-/data/plan/File 10.txt"_s}));
        QVERIFY(byFile[0].subtitle.startsWith(QStringLiteral("Plan · ")));
        QVERIFY(byFile[0].subtitle != QStringLiteral("Plan · 文件夹"));
    }

    // The limit cuts the sorted list; selecting the best few must agree with sorting all.
    void limitCutsTheSortedList()
    {
        FenceTab tab = makeTab(11, QStringLiteral("链接"), FenceKind::curated);
        const QStringList titles{QStringLiteral("same"), QStringLiteral("Same"), QStringLiteral("same x"),
                                 QStringLiteral("a same"), QStringLiteral("same"), QStringLiteral("s-a-m-e")};
        for (int i = 0; i < 60; ++i)
            tab.items.append(makeItem(1000 + i, titles[i % titles.size()], std::nullopt, QStringLiteral("/x"), i % 7 == 0));
        const QList<FenceModel> fences{makeFence(1, QStringLiteral("围栏"), {tab})};

        const auto all = SpotSearchEngine::search(QStringLiteral("same"), fences, {}, 1000);
        QCOMPARE(all.size(), 60);
        for (qsizetype i = 1; i < all.size(); ++i) {
            const SpotSearchResult& a = all[i - 1];
            const SpotSearchResult& b = all[i];
            QVERIFY(a.score >= b.score);
            if (a.score == b.score) {
                const int byTitle = text::compareNames(a.title, b.title);
                QVERIFY(byTitle <= 0);
                if (byTitle == 0) // "same" and "Same" collate equal: collection order, by id here
                    QVERIFY2(a.id < b.id, qPrintable(a.id + u' ' + b.id));
            }
        }
        for (qsizetype limit : {1, 2, 5, 9, 10, 11, 33, 59, 60, 61})
            QCOMPARE(SpotSearchEngine::search(QStringLiteral("same"), fences, {}, limit), all.first(std::min<qsizetype>(limit, 60)));
        QCOMPARE(SpotSearchEngine::search(QStringLiteral("same"), fences, {}, 0), QList<SpotSearchResult>());
        // A negative limit is clamped to zero instead of failing.
        QCOMPARE(SpotSearchEngine::search(QStringLiteral("same"), fences, {}, -1), QList<SpotSearchResult>());
        QCOMPARE(SpotSearchEngine::search(QStringLiteral("same"), fences, {}, std::numeric_limits<qsizetype>::min()),
                 QList<SpotSearchResult>());
    }

    // Notes that tie on score at the cut are ordered by their snippets.
    void notesTiedAtTheLimitOrderBySnippet()
    {
        QList<FenceTab> tabs;
        // "b budget" is collected before "a budget\nmore": only the snippets put a first.
        const QStringList texts{QStringLiteral("intro\nc budget"), QStringLiteral("b budget"),
                                QStringLiteral("far away from the budget"), QStringLiteral("a budget\nmore")};
        for (int i = 0; i < texts.size(); ++i) {
            FenceTab tab = makeTab(20 + i, QStringLiteral("便签"), FenceKind::notes);
            tab.noteText = texts[i];
            tabs.append(tab);
        }
        const QList<FenceModel> fences{makeFence(1, QStringLiteral("围栏"), tabs)};
        const auto all = SpotSearchEngine::search(QStringLiteral("budget"), fences, {}, 10);
        QStringList titles;
        for (const SpotSearchResult& r : all)
            titles.append(r.title);
        QCOMPARE(titles, QStringList({QStringLiteral("a budget"), QStringLiteral("b budget"),
                                      QStringLiteral("c budget"), QStringLiteral("far away from the budget")}));
        QCOMPARE(SpotSearchEngine::search(QStringLiteral("budget"), fences, {}, 1), all.first(1));
        QCOMPARE(SpotSearchEngine::search(QStringLiteral("budget"), fences, {}, 2), all.first(2));
        QCOMPARE(SpotSearchEngine::search(QStringLiteral("budget"), fences, {}, 3), all.first(3));
    }

    void blankQueryListsTheFirstEightFences()
    {
        QList<FenceModel> fences;
        for (int i = 0; i < 10; ++i) {
            FenceTab tab = makeTab(100 + i, QStringLiteral("清单"), FenceKind::checklist);
            tab.tasks = {makeTask(200 + i, QStringLiteral("a"), i % 2 == 0), makeTask(300 + i, QStringLiteral("b"), false)};
            fences.append(makeFence(i + 1, QStringLiteral("Fence %1").arg(9 - i), {tab}));
        }
        fences.append(makeFence(50, QStringLiteral("empty"), {}));
        for (const QString& blank : {QString(), QStringLiteral("  \n\t "), QStringLiteral("\u3000")}) {
            for (qsizetype limit : {0, 3, -5, 32}) {
                const auto results = SpotSearchEngine::search(blank, fences, {}, limit);
                QCOMPARE(results.size(), 8);
                for (int i = 0; i < 8; ++i) {
                    QCOMPARE(results[i].id, u"fence-"_s + idOf(i + 1)); // given order, unsorted
                    QCOMPARE(results[i].score, 90);
                    QCOMPARE(results[i].tabID, fixedId(100 + i));
                    QCOMPARE(results[i].subtitle, i % 2 == 0 ? QStringLiteral("待办清单 · 1/2")
                                                             : QStringLiteral("待办清单 · 2/2"));
                }
            }
        }
        const auto few = SpotSearchEngine::search(QString(), fences.mid(9), {}, 32);
        QCOMPARE(few.size(), 2);
        QCOMPARE(few[1].subtitle, QStringLiteral("快捷启动台 · 0")); // no tab: curated, badge 0
        QCOMPARE(SpotSearchEngine::search(QString(), {}, {}, 32), QList<SpotSearchResult>());
    }

    void queriesMatchWhateverTheNormalisation()
    {
        FenceTab tab = makeTab(11, QStringLiteral("链接"), FenceKind::curated);
        tab.items = {makeItem(101, QStringLiteral("Caf\u00e9 menu"), std::nullopt, QStringLiteral("/m")),
                     makeItem(102, QStringLiteral("Cafe\u0301 bills"), std::nullopt, QStringLiteral("/b")),
                     makeItem(103, QStringLiteral("Cafe plain"), std::nullopt, QStringLiteral("/p"))};
        FenceTab notes = makeTab(12, QStringLiteral("便签"), FenceKind::notes);
        notes.noteText = QStringLiteral("first\nle cafe\u0301 du coin\nlast"); // decomposed text
        const QList<FenceModel> fences{makeFence(1, QStringLiteral("围栏"), {tab, notes})};

        for (const QString& query : {QStringLiteral("caf\u00e9"), QStringLiteral("CAFE\u0301")}) {
            const auto results = SpotSearchEngine::search(query, fences, {}, 10);
            QCOMPARE(idsOf(results), QStringList({u"item-"_s + idOf(102), u"item-"_s + idOf(101),
                                                  u"note-"_s + idOf(12)}));
            QCOMPARE(results[0].score, 105);
            QCOMPARE(results[1].score, 105);
            QCOMPARE(results[2].title, QStringLiteral("le cafe\u0301 du coin")); // the line as written
            QCOMPARE(results[2].score, 95 - 9 - 5);
        }
    }

    void noteSnippets_data()
    {
        QTest::addColumn<QString>("noteText");
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("title");

        // The first non-empty line (split at line feeds) containing the query, whole; else the
        // first 64 characters of the text, never cutting a character or a surrogate pair.
        const QString filler = QString(200, u'x');
        QTest::newRow("third line whole")
            << QString(u"first line\n\nsecond line\n"_s + filler + u" Budget 2026 "_s + filler + u"\nlast budget"_s)
            << "budget" << QString(filler + u" Budget 2026 "_s + filler);
        QTest::newRow("first line") << "budget here\nbudget again" << "BUDGET" << "budget here";
        QTest::newRow("last line without a line feed") << "a\nb\nthe end" << "end" << "the end";
        QTest::newRow("windows line ends") << "one\r\ntwo budget\r\nthree" << "budget" << "two budget";
        QTest::newRow("subsequence only: first 64")
            << QString(u"b-u-d-g-e-t "_s + QString(100, u'y')) << "budget"
            << QString(u"b-u-d-g-e-t "_s + QString(52, u'y'));
        QTest::newRow("short text whole") << "b u d\nget" << "budget" << "b u d\nget";
        QTest::newRow("line feeds count in the 64")
            << QString(u"b\nu\nd\ng\ne\nt\n"_s + QString(80, u'z')) << "budget"
            << QString(u"b\nu\nd\ng\ne\nt\n"_s + QString(52, u'z'));
        QTest::newRow("emoji at the cut")
            << QString(u"budgte "_s + QString(56, u'y') + u"🎉🎉 tail"_s) << "budget"
            << QString(u"budgte "_s + QString(56, u'y') + u"🎉"_s);
        QTest::newRow("family emoji at the cut")
            << QString(u"budgte "_s + QString(56, u'y') + u"👨‍👩‍👧‍👦 tail"_s) << "budget"
            << QString(u"budgte "_s + QString(56, u'y') + u"👨‍👩‍👧‍👦"_s);
        QTest::newRow("combining marks at the cut")
            << QString(u"budgte "_s + QString(56, u'y') + u"e\u0301\u0323\u0308 tail"_s) << "budget"
            << QString(u"budgte "_s + QString(56, u'y') + u"e\u0301\u0323\u0308"_s);
        QTest::newRow("one long character within the 64")
            << QString(u"budgte a"_s + QString(600, QChar(0x0301)) + QString(100, u'w') + u" t"_s) << "budget"
            << QString(u"budgte a"_s + QString(600, QChar(0x0301)) + QString(56, u'w'));
        QTest::newRow("chinese line") << "购物清单\n本周预算：三千元\n备注" << "预算" << "本周预算：三千元";
    }

    void noteSnippets()
    {
        QFETCH(QString, noteText);
        QFETCH(QString, query);
        QFETCH(QString, title);
        FenceTab notes = makeTab(12, QStringLiteral("便签"), FenceKind::notes);
        notes.noteText = noteText;
        const QList<FenceModel> fences{makeFence(1, QStringLiteral("围栏"), {notes})};
        const auto results = SpotSearchEngine::search(query, fences, {}, 10);
        QCOMPARE(results.size(), 1);
        QCOMPARE(results[0].category, SpotSearchCategory::note);
        QCOMPARE(results[0].title, title);
        QVERIFY(!results[0].title.back().isHighSurrogate());
    }

    void notesOfOtherKindsAndEmptyNotesAreNotSearched()
    {
        FenceTab curated = makeTab(11, QStringLiteral("链接"), FenceKind::curated);
        curated.noteText = QStringLiteral("budget"); // left over from when it was a notes tab
        FenceTab empty = makeTab(12, QStringLiteral("便签"), FenceKind::notes);
        const QList<FenceModel> fences{makeFence(1, QStringLiteral("围栏"), {curated, empty})};
        QCOMPARE(SpotSearchEngine::search(QStringLiteral("budget"), fences, {}, 10), QList<SpotSearchResult>());
    }

private:
    static QList<FenceModel> fixtureFences()
    {
        FenceTab links = makeTab(11, QStringLiteral("Links"), FenceKind::curated);
        links.items = {makeItem(101, QStringLiteral("Budget"), std::nullopt, QStringLiteral("/b"), true),
                       makeItem(102, QStringLiteral("Roadmap"), QStringLiteral("Quarterly planning"), QStringLiteral("/r"))};
        FenceTab docs = makeTab(12, QStringLiteral("Docs"), FenceKind::portal);
        FenceTab groceries = makeTab(13, QStringLiteral("Shop"), FenceKind::notes);
        groceries.noteText = QStringLiteral("Groceries");
        FenceTab diary = makeTab(14, QStringLiteral("Diary"), FenceKind::notes);
        diary.noteText = QStringLiteral("milk, eggs");
        FenceTab todo = makeTab(15, QStringLiteral("Todo"), FenceKind::checklist);
        todo.tasks = {makeTask(201, QStringLiteral("Buy milk"), false)};
        return {makeFence(1, QStringLiteral("Projects"), {links, docs, groceries, diary, todo})};
    }

    static PortalListings fixtureListings()
    {
        PortalListings listings;
        listings.insert(fixedId(12), {makeEntry(QStringLiteral("/data/Docs/Report.pdf"), false, 1200)});
        return listings;
    }
};

QTEST_GUILESS_MAIN(SpotSearchTest)
#include "tst_spotsearch.moc"
