#include "core/engine/PortalScan.h"
#include "core/models/Text.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace mv;
using namespace mv::FolderPortalEngine;

Q_DECLARE_METATYPE(mv::FenceSortMode)

namespace {

bool setTimes(const QString& path, qint64 modifiedSecs, qint64 accessedSecs)
{
    struct timespec times[2];
    times[0].tv_sec = accessedSecs;
    times[0].tv_nsec = 0;
    times[1].tv_sec = modifiedSecs;
    times[1].tv_nsec = 0;
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW) == 0;
}

bool makeFile(const QString& path, qsizetype size)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(QByteArray(size, 'x')) == size;
}

const qint64 day = 86400;
const qint64 base = 1767225600; // 2026-01-01

QString modeName(FenceSortMode mode)
{
    switch (mode) {
    case FenceSortMode::manual: return QStringLiteral("manual");
    case FenceSortMode::nameAsc: return QStringLiteral("nameAsc");
    case FenceSortMode::dateModifiedDesc: return QStringLiteral("dateModifiedDesc");
    case FenceSortMode::lastAccessedDesc: return QStringLiteral("lastAccessedDesc");
    case FenceSortMode::kindAsc: return QStringLiteral("kindAsc");
    case FenceSortMode::sizeDesc: return QStringLiteral("sizeDesc");
    }
    return QString();
}

const FenceSortMode allModes[] = {FenceSortMode::manual, FenceSortMode::nameAsc,
                                  FenceSortMode::dateModifiedDesc, FenceSortMode::lastAccessedDesc,
                                  FenceSortMode::kindAsc, FenceSortMode::sizeDesc};

} // namespace

class PortalHeadTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QLocale::setDefault(QLocale::c());
        QVERIFY(m_small.isValid());
        QVERIFY(m_many.isValid());
        const QString dir = m_small.path() + u'/';
        // Ties everywhere: names the collator calls equal ("a.txt", "A.txt"; "IMG_1", "IMG_01"),
        // equal dates, equal sizes, folders among files, hidden items, links.
        struct Row {
            const char* name;
            int size; // -1: a folder
            int modifiedDay;
            int accessedDay;
        };
        const Row rows[] = {
            {"a.txt", 10, 3, 5},        {"A.txt", 10, 3, 5},      {"b.TXT", 20, 3, 1},
            {"文件2.md", 5, 1, 1},      {"文件10.md", 5, 1, 9},   {".hidden", 30, 9, 9},
            {".bashrc", 1, 2, 2},       {"Zeta", -1, 3, 3},       {"alpha", -1, 7, 7},
            {"Photos.app", -1, 3, 3},   {"README", 0, 4, 4},      {"data.json", 20, 4, 0},
            {"IMG_1.JPG", 7, 5, 5},     {"IMG_01.JPG", 7, 5, 5},  {"报告.PDF", 7, 0, 8},
            {"draft.", 3, 6, 6},        {"😀 smile.png", 11, 6, 6}, {"cafe\u0301.md", 2, 2, 2},
        };
        for (const Row& row : rows) {
            const QString path = dir + QString::fromUtf8(row.name);
            if (row.size < 0)
                QVERIFY(QDir().mkdir(path));
            else
                QVERIFY(makeFile(path, row.size));
            QVERIFY(setTimes(path, base + row.modifiedDay * day, base + row.accessedDay * day));
        }
        QVERIFY(::symlink("a.txt", QFile::encodeName(dir + QStringLiteral("link.txt")).constData()) == 0);
        QVERIFY(::symlink("nowhere", QFile::encodeName(dir + QStringLiteral("gone.png")).constData()) == 0);
        QVERIFY(setTimes(dir + QStringLiteral("link.txt"), base + 3 * day, base + 3 * day));

        // Many entries in few date and size buckets, so that ties straddle the cut.
        QRandomGenerator random(42);
        const QStringList stems = {QStringLiteral("报告"), QStringLiteral("Report"), QStringLiteral("report"),
                                   QStringLiteral("IMG_"), QStringLiteral("数据"), QStringLiteral(".cache")};
        const QStringList suffixes = {QStringLiteral(".pdf"), QStringLiteral(".JPG"), QString(),
                                      QStringLiteral(".tar.gz"), QStringLiteral(".md")};
        for (int i = 0; i < 400; ++i) {
            const QString name = stems.at(random.bounded(int(stems.size())))
                                 + QString::number(random.bounded(60))
                                 + QStringLiteral("_%1").arg(i % 3 == 0 ? i : 0, i % 5, 10, QChar(u'0'))
                                 + suffixes.at(random.bounded(int(suffixes.size())));
            const QString path = m_many.path() + u'/' + name;
            if (QFileInfo::exists(path))
                continue;
            if (i % 11 == 0)
                QVERIFY(QDir().mkdir(path));
            else
                QVERIFY(makeFile(path, 100 * random.bounded(7)));
            QVERIFY(setTimes(path, base + day * random.bounded(10), base + day * random.bounded(4)));
        }
    }

    // The head is the first entries of the full listing, whatever the mode, filter, hidden
    // and extension settings and the length asked for; the fixtures hold ties of every kind.
    void headEqualsFirstEntriesOfFullListing_data()
    {
        QTest::addColumn<int>("fixture");
        QTest::addColumn<FenceSortMode>("mode");
        QTest::addColumn<QString>("filter");
        const QString filters[] = {QString(), QStringLiteral(" txt "), QStringLiteral("/^a/"),
                                   QStringLiteral("/[/"), QStringLiteral("文件"), QStringLiteral("pdf"),
                                   QStringLiteral("nothing matches this")};
        for (int fixture : {0, 1}) {
            for (FenceSortMode mode : allModes) {
                for (const QString& filter : filters) {
                    QTest::addRow("%s %s \"%s\"", fixture ? "many" : "small", qPrintable(modeName(mode)),
                                  qPrintable(filter))
                        << fixture << mode << filter;
                }
            }
        }
    }

    void headEqualsFirstEntriesOfFullListing()
    {
        QFETCH(int, fixture);
        QFETCH(FenceSortMode, mode);
        QFETCH(QString, filter);
        const QString folder = fixture ? m_many.path() : m_small.path();
        // Listed twice, listed but missing, and a folder among files.
        const QList<QString> manualOrder = {QStringLiteral("b.TXT"), QStringLiteral("Zeta"),
                                            QStringLiteral("missing"), QStringLiteral("b.TXT"),
                                            QStringLiteral(".bashrc"), QStringLiteral("a.txt")};
        for (HiddenFiles hidden : {HiddenFiles::Skip, HiddenFiles::Show}) {
            for (ExtensionDisplay extensions : {ExtensionDisplay::Hide, ExtensionDisplay::Show}) {
                const PortalScanResult full =
                    scanDirectory(folder, {hidden, extensions, filter, mode, manualOrder});
                QVERIFY(!full.isMissing);
                for (qsizetype limit : {0, 1, 2, 3, 8, 50, 1000}) {
                    const PortalScanResult head = scanDirectoryHead(folder, {hidden, extensions, filter, mode, manualOrder}, limit);
                    PortalScanResult expected = full;
                    expected.entries = full.entries.first(std::min(limit, full.entries.size()));
                    QVERIFY2(head == expected,
                             qPrintable(QStringLiteral("limit %1, hidden %2, extensions %3")
                                            .arg(limit)
                                            .arg(hidden == HiddenFiles::Show)
                                            .arg(extensions == ExtensionDisplay::Show)));
                }
            }
        }
    }

    // Unbound and missing folders answer as the full listing does.
    void missingFolders_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("empty") << QString();
        QTest::newRow("relative") << QStringLiteral("some/folder");
        QTest::newRow("absent") << m_small.filePath(QStringLiteral("absent"));
        QTest::newRow("a file") << m_small.filePath(QStringLiteral("a.txt"));
        QTest::newRow("a dangling link") << m_small.filePath(QStringLiteral("gone.png"));
        QTest::newRow("under a file") << m_small.filePath(QStringLiteral("a.txt/inner"));
    }

    void missingFolders()
    {
        QFETCH(QString, path);
        const PortalScanResult head = scanDirectoryHead(path, {HiddenFiles::Skip, ExtensionDisplay::Hide, QString(), FenceSortMode::nameAsc, {}}, 8);
        QVERIFY(head.isMissing);
        QVERIFY(head.entries.isEmpty());
        QCOMPARE(head, scanDirectory(path, {HiddenFiles::Skip, ExtensionDisplay::Hide, QString(), FenceSortMode::nameAsc, {}}));
    }

    // sortEntries orders names exactly as compareNames does, code points breaking its ties,
    // over names of every sort (the order its faster keys must keep).
    void sortEntriesFollowsCompareNames()
    {
        const QStringList names = {
            QStringLiteral("文件10"), QStringLiteral("文件2"), QStringLiteral("Apple"), QStringLiteral("apple"),
            QStringLiteral("banana"), QStringLiteral("007 Bond"), QStringLiteral("7 Bond"),
            QStringLiteral("IMG_0001.JPG"), QStringLiteral("img_1.jpg"), QStringLiteral("IMG_10.JPG"),
            QStringLiteral("caf\u00e9"), QStringLiteral("cafe\u0301"), QStringLiteral("cafe"),
            QStringLiteral("😀"), QStringLiteral("\ue000"), QStringLiteral("(draft)"), QStringLiteral("-x-"),
            QStringLiteral("报告"), QStringLiteral("阿里"), QStringLiteral("张三"), QString(),
            QStringLiteral("\u0001"), QString(40, u'9'), QString(41, u'9'), QStringLiteral("a b"),
            QStringLiteral("ab"), QStringLiteral("\uff21"),
        };
        QList<PortalFileEntry> entries;
        for (const QString& name : names) {
            PortalFileEntry entry;
            entry.name = name;
            entries.append(entry);
        }
        std::shuffle(entries.begin(), entries.end(), QRandomGenerator(3));
        QList<PortalFileEntry> expected = entries;
        std::stable_sort(expected.begin(), expected.end(), [](const PortalFileEntry& a, const PortalFileEntry& b) {
            const int byName = text::compareNames(a.name, b.name);
            if (byName != 0)
                return byName < 0;
            const QList<uint> x = a.name.toUcs4();
            const QList<uint> y = b.name.toUcs4();
            return std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end());
        });
        for (FenceSortMode mode : {FenceSortMode::nameAsc, FenceSortMode::manual}) {
            QStringList sorted;
            for (const PortalFileEntry& entry : sortEntries(entries, mode, {}))
                sorted.append(entry.name);
            QStringList wanted;
            for (const PortalFileEntry& entry : expected)
                wanted.append(entry.name);
            QCOMPARE(sorted, wanted);
        }
    }

private:
    QTemporaryDir m_small;
    QTemporaryDir m_many;
};

QTEST_GUILESS_MAIN(PortalHeadTest)
#include "tst_portalhead.moc"
