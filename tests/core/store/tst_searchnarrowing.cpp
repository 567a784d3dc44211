#include "support/StoreFixture.h"
#include "support/TestStrings.h"

#include "core/engine/PortalScan.h"
#include "core/engine/SpotSearchEngine.h"

#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>

using namespace mv;

// The store reads in full only the portal files whose names a query can find. Its results must
// be those of the search over the complete listings, whatever the query and the tab settings.
class SearchNarrowingTest final : public QObject {
    Q_OBJECT

private:
    static void makeFolder(const QString& folder)
    {
        QDir().mkpath(folder + QStringLiteral("/报告文件夹"));
        const QStringList names = utf8List({"report.pdf", "Report 2.PDF", "季度报告.docx", "readme.md", ".hidden-report",
                                            "photo 10.png", "photo 9.png", "预算表.xlsx", "budget-final.xlsx", "notes.txt",
                                            "Quarterly Review.key", "rpt.zip", "e\xcc\x81t\xc3\xa9.txt", "😀 emoji.txt"});
        for (qsizetype i = 0; i < names.size(); ++i) {
            const QString path = folder + u'/' + names[i];
            QVERIFY(StoreFixture::writeFile(path, QByteArray((i * 37) % 300, 'x')));
            // Distinct times, so the date orders differ from the name order.
            const timespec times[2] = {{1700000000 + i * 1000, 0}, {1700000000 + ((i * 7) % 13) * 1000, 0}};
            QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
        }
    }

private Q_SLOTS:
    void resultsEqualTheSearchOverFullListings_data()
    {
        QTest::addColumn<QString>("query");
        for (const char* query : {"rep", "report", "RE", "pdf", "报告", "photo", "p1", "x", "预算", "et", "😀", "zzz", "  rep  ", ""})
            QTest::newRow(query) << QString::fromUtf8(query);
    }

    void resultsEqualTheSearchOverFullListings()
    {
        QFETCH(QString, query);
        StoreFixture f;
        const QString folder = f.dir.filePath(QStringLiteral("portal"));
        makeFolder(folder);
        const auto store = f.makeStore();

        // Portal tabs over the folder with every sort order, hidden files, hidden extensions and a filter.
        QList<FenceModel> fences = store->fences();
        FenceModel& portal = fences[0];
        const QList<FenceSortMode> modes = allCases<FenceSortMode>();
        for (qsizetype i = 0; i < portal.tabs.size(); ++i) {
            portal.tabs[i].portalPath = folder;
            portal.tabs[i].sortMode = modes[i % modes.size()];
        }
        portal.tabs[1].showHiddenFiles = true;
        portal.tabs[2].showExtensions = false;
        portal.tabs[3].portalFilter = QStringLiteral("/^[pr]/");
        portal.tabs[3].manualOrder = utf8List({"rpt.zip", "notes.txt"});
        QVERIFY(store->setFences(fences));

        PortalListings full;
        for (const FenceModel& fence : store->activeFences()) {
            for (const FenceTab& tab : fence.tabs) {
                if (tab.kind != FenceKind::portal || !tab.portalPath)
                    continue;
                using namespace FolderPortalEngine;
                full.insert(tab.id, scanDirectory(*tab.portalPath, PortalListingOptions::of(tab))
                                        .entries);
            }
        }
        const QList<SpotSearchResult> expected = SpotSearchEngine::search(query, store->activeFences(), full, 32);
        QCOMPARE(store->spotSearch(query), expected);
        if (query == u"report")
            QVERIFY(std::any_of(expected.cbegin(), expected.cend(),
                                [](const SpotSearchResult& r) { return r.category == SpotSearchCategory::portalFile; }));
    }
};

QTEST_GUILESS_MAIN(SearchNarrowingTest)
#include "tst_searchnarrowing.moc"
