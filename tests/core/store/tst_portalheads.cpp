#include "core/engine/PortalScan.h"
#include "support/StoreFixture.h"

#include <QtTest>

using namespace mv;
using namespace mv::FolderPortalEngine;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(mv::FenceSortMode)

namespace {

FenceTab portalTab(const std::optional<QString>& path, FenceSortMode mode)
{
    FenceTab tab = plainTab(FenceKind::portal, u"传送门"_s);
    tab.portalPath = path;
    tab.sortMode = mode;
    return tab;
}

bool makeFile(const QString& path, qsizetype size)
{
    return StoreFixture::writeFile(path, QByteArray(size, 'x'));
}

QStringList names(const PortalScanResult& result)
{
    QStringList list;
    for (const PortalFileEntry& entry : result.entries)
        list.append(entry.name);
    return list;
}

} // namespace

// The heads of several portals at once, as the companion preview lists its cards.
class PortalHeadsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void headsEqualAFreshReading_data();
    void headsEqualAFreshReading();
    void unboundTabsListAsMissing();
    void aChangedFolderIsReadAgain();
};

// Whatever the order, a head is the first entries of the tab's own listing, tab by tab in the
// order asked.
void PortalHeadsTest::headsEqualAFreshReading_data()
{
    QTest::addColumn<FenceSortMode>("mode");
    QTest::newRow("name") << FenceSortMode::nameAsc;
    QTest::newRow("size") << FenceSortMode::sizeDesc;
    QTest::newRow("kind") << FenceSortMode::kindAsc;
    QTest::newRow("modified") << FenceSortMode::dateModifiedDesc;
}

void PortalHeadsTest::headsEqualAFreshReading()
{
    QFETCH(FenceSortMode, mode);
    TwoWorkspaceStore fixture;
    const QString big = fixture.path(u"big"_s);
    const QString small = fixture.path(u"small"_s);
    QVERIFY(QDir().mkpath(big + u"/子文件夹"_s) && QDir().mkpath(small));
    for (int i = 0; i < 20; ++i)
        QVERIFY(makeFile(big + u"/file %1.txt"_s.arg(i, 2, 10, QChar(u'0')), 10 + i * 13 % 29));
    QVERIFY(makeFile(small + u"/only.txt"_s, 3));

    const QList<FenceTab> tabs{portalTab(big, mode), portalTab(small, mode)};
    for (int round = 0; round < 2; ++round) {
        const QList<PortalScanResult> heads = fixture.store->portalHeads(tabs, 6);
        QCOMPARE(heads.size(), 2);
        QCOMPARE(heads.at(0), scanDirectoryHead(big, PortalListingOptions::of(tabs.at(0)), 6));
        QCOMPARE(heads.at(0).entries.size(), 6);
        QCOMPARE(names(heads.at(1)), QStringList{u"only.txt"_s});
    }
}

void PortalHeadsTest::unboundTabsListAsMissing()
{
    TwoWorkspaceStore fixture;
    const QList<FenceTab> tabs{portalTab(std::nullopt, FenceSortMode::nameAsc),
                               portalTab(u"relative/folder"_s, FenceSortMode::nameAsc),
                               portalTab(fixture.path(u"gone"_s), FenceSortMode::nameAsc)};
    const QList<PortalScanResult> heads = fixture.store->portalHeads(tabs, 6);
    QCOMPARE(heads.size(), 3);
    for (const PortalScanResult& head : heads) {
        QVERIFY(head.entries.isEmpty());
        QVERIFY(head.isMissing);
    }
    QVERIFY(fixture.store->portalHeads({}, 6).isEmpty());
}

// A kept head is handed out only while its folder is unchanged.
void PortalHeadsTest::aChangedFolderIsReadAgain()
{
    TwoWorkspaceStore fixture;
    const QString folder = fixture.path(u"folder"_s);
    QVERIFY(QDir().mkpath(folder));
    for (int i = 0; i < 10; ++i)
        QVERIFY(makeFile(folder + u"/b%1.txt"_s.arg(i), 1));
    const QList<FenceTab> tabs{portalTab(folder, FenceSortMode::nameAsc)};
    QCOMPARE(names(fixture.store->portalHeads(tabs, 6).first()).first(), u"b0.txt"_s);

    QVERIFY(makeFile(folder + u"/a.txt"_s, 1));
    QCOMPARE(names(fixture.store->portalHeads(tabs, 6).first()).first(), u"a.txt"_s);
    QVERIFY(QFile::remove(folder + u"/a.txt"_s));
    QCOMPARE(names(fixture.store->portalHeads(tabs, 6).first()).first(), u"b0.txt"_s);
}

QTEST_GUILESS_MAIN(PortalHeadsTest)
#include "tst_portalheads.moc"
