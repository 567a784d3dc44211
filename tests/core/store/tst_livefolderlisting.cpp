#include "core/store/LiveFolderListing.h"

#include "core/engine/PortalScan.h"
#include "core/store/FolderWatch.h"
#include "support/FolderWatchFlush.h"
#include "support/InotifyWatches.h"
#include "support/ListingChanges.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace mv;
using namespace mv::FolderPortalEngine;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(mv::FenceSortMode)

namespace {

constexpr int deliveryTimeout = 5000;

using Options = PortalListingOptions;

// The names the sequence picks from: cases, scripts, extensions, hidden names and names that
// collate alike but differ in code points, so that every order has ties to break by name.
const QStringList namePool = {
    u"alpha.txt"_s, u"Alpha.txt"_s, u"beta.MD"_s,    u"报告.pdf"_s,    u"报告 2.pdf"_s, u"zeta"_s,
    u".hidden"_s,   u".conf.ini"_s, u"photo.JPG"_s,  u"photo.jpg"_s,   u"draft."_s,     u"a.tar.gz"_s,
    u"Ünïcode.txt"_s, u"unicode.txt"_s, u"𝒳 math.png"_s, u"数据表.xlsx"_s, u"notes-1.md"_s, u"notes-10.md"_s,
};
const QStringList folderPool = {u"Docs"_s, u"Photos.app"_s, u".cache"_s, u"Music"_s, u"项目"_s};

// The options a sort order is checked with: hidden files and extensions each shown and not,
// a filter, and for the manual order the names it places first.
QList<Options> optionsFor(FenceSortMode mode)
{
    const QList<QString> manual = {u"zeta"_s, u"Music"_s, u"报告.pdf"_s, u"nothing here"_s};
    QList<Options> all;
    for (const HiddenFiles hidden : {HiddenFiles::Skip, HiddenFiles::Show}) {
        for (const ExtensionDisplay extensions : {ExtensionDisplay::Hide, ExtensionDisplay::Show})
            all.append({hidden, extensions, QString(), mode, manual});
    }
    all.append({HiddenFiles::Show, ExtensionDisplay::Hide, u" a "_s, mode, manual});
    all.append({HiddenFiles::Skip, ExtensionDisplay::Show, u"/^[a-z]+\\./"_s, mode, manual});
    return all;
}

bool setTimes(const QByteArray& path, qint64 accessed, qint64 modified)
{
    const struct timespec times[2] = {{accessed, 0}, {modified, 0}};
    return ::utimensat(AT_FDCWD, path.constData(), times, AT_SYMLINK_NOFOLLOW) == 0;
}

bool writeBytes(const QByteArray& path, qsizetype size, int flags)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CLOEXEC | flags, 0644);
    if (fd < 0)
        return false;
    const QByteArray bytes(size, 'x');
    const bool written = ::write(fd, bytes.constData(), size_t(size)) == ssize_t(size);
    return ::close(fd) == 0 && written;
}

// A random sequence of what other programs do to a folder: make, remove, rename (within it,
// out of it and into it), write, touch, read, and change subfolders' own entries.
class ChangeSequence final {
public:
    ChangeSequence(const QString& folder, const QString& outside, quint32 seed)
        : m_folder(folder), m_outside(outside), m_random(seed)
    {
    }

    // Makes one change; its description, for the failure message. Empty when it failed.
    QString step()
    {
        const QString name = pick(namePool);
        const QString sub = pick(folderPool);
        const qint64 time = test::listingBase + m_random.bounded(1000) * 60;
        switch (m_random.bounded(13)) {
        case 0:
        case 1:
            return made(in(name), writeBytes(path(in(name)), m_random.bounded(5000), O_CREAT | O_TRUNC)
                                      && setTimes(path(in(name)), time - m_random.bounded(2) * 3600, time),
                        u"make "_s);
        case 2:
            return made(in(name), ::unlink(path(in(name))) == 0 || errno == ENOENT || errno == EISDIR, u"remove "_s);
        case 3: {
            const QString to = pick(namePool);
            return made(in(name) + u" -> "_s + to, ::rename(path(in(name)), path(in(to))) == 0 || errno == ENOENT
                                                     || errno == EISDIR || errno == ENOTDIR,
                        u"rename "_s);
        }
        case 4:
            return made(in(name), ::rename(path(in(name)), path(m_outside + u'/' + name)) == 0 || errno == ENOENT
                                      || errno == EISDIR || errno == ENOTDIR,
                        u"move out "_s);
        case 5:
            return made(in(name), ::rename(path(m_outside + u'/' + name), path(in(name))) == 0 || errno == ENOENT
                                      || errno == EISDIR || errno == ENOTDIR,
                        u"move in "_s);
        case 6:
            return made(in(name), writeBytes(path(in(name)), 1 + m_random.bounded(300), O_APPEND) || errno == ENOENT
                                      || errno == EISDIR,
                        u"append to "_s);
        case 7:
            return made(in(name), setTimes(path(in(name)), time, time + 7) || errno == ENOENT, u"touch "_s);
        case 8: {
            // Read as another program would: the access time may move (relatime permitting).
            const QString target = m_random.bounded(2) ? in(name) : in(sub);
            const int fd = ::open(path(target).constData(), O_RDONLY | O_CLOEXEC);
            if (fd >= 0) {
                char buffer[64];
                const bool read = ::read(fd, buffer, sizeof buffer) >= 0 || errno == EISDIR;
                ::close(fd);
                return made(target, read, u"read "_s);
            }
            return made(target, errno == ENOENT, u"read "_s);
        }
        case 9:
            return made(in(sub), ::mkdir(path(in(sub)), 0755) == 0 || errno == EEXIST || errno == ENOTDIR,
                        u"make folder "_s);
        case 10: {
            // An entry made or removed inside a subfolder moves the subfolder's date alone.
            const QString inner = in(sub) + u'/' + name;
            if (m_random.bounded(2))
                return made(inner, writeBytes(path(inner), 3, O_CREAT | O_TRUNC) || errno == ENOENT || errno == ENOTDIR,
                            u"make inside "_s);
            return made(inner, ::unlink(path(inner)) == 0 || errno == ENOENT || errno == ENOTDIR || errno == EISDIR,
                        u"remove inside "_s);
        }
        case 11: {
            const QString to = pick(folderPool);
            return made(in(sub) + u" -> "_s + to, ::rename(path(in(sub)), path(in(to))) == 0 || errno == ENOENT
                                                     || errno == ENOTEMPTY || errno == EEXIST || errno == ENOTDIR
                                                     || errno == EISDIR,
                        u"rename folder "_s);
        }
        default:
            return made(in(sub), QDir(in(sub)).removeRecursively(), u"remove folder "_s);
        }
    }

private:
    QString in(const QString& name) const { return m_folder + u'/' + name; }
    static QByteArray path(const QString& path) { return QFile::encodeName(path); }
    QString pick(const QStringList& pool) { return pool.at(qsizetype(m_random.bounded(quint32(pool.size())))); }
    static QString made(const QString& what, bool done, const QString& kind)
    {
        return done ? kind + what : QString();
    }

    QString m_folder;
    QString m_outside;
    QRandomGenerator m_random;
};

QString describe(const PortalScanResult& result)
{
    QStringList lines;
    for (const PortalFileEntry& entry : result.entries)
        lines.append(u"%1 %2 %3 %4"_s.arg(entry.name).arg(entry.fileSize).arg(entry.modifiedAt.toMSecsSinceEpoch())
                         .arg(entry.lastAccessedAt.toMSecsSinceEpoch()));
    return lines.join(u"; "_s);
}

bool followable(const QString& folder)
{
    const auto watch = FolderWatch::open(folder);
    return watch && watch->stampBeforeReading();
}

quint32 sequenceSeed()
{
    bool given = false;
    const quint32 seed = qEnvironmentVariable("MORVANTEEL_SEED").toUInt(&given);
    return given ? seed : QRandomGenerator::global()->generate();
}

} // namespace

class LiveFolderListingTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // After every change of a long random sequence, each kept listing equals a fresh reading
    // of the folder with its options. Some changes are taken up by the event loop's reading
    // of the kernel's queue before the listing is asked for, the others by the asking alone.
    // A long listing takes a few changes in by looking up their places, a short one by walking
    // along it: both are followed in every order.
    void everyChangeOfARandomSequence_data()
    {
        QTest::addColumn<FenceSortMode>("mode");
        QTest::addColumn<int>("moreFiles");
        for (const FenceSortMode mode : allCases<FenceSortMode>()) {
            QTest::newRow(qPrintable(rawValue(mode))) << mode << 0;
            QTest::newRow(qPrintable(rawValue(mode) + u" long"_s)) << mode << 120;
        }
    }

    void everyChangeOfARandomSequence()
    {
        QFETCH(FenceSortMode, mode);
        QFETCH(int, moreFiles);
        QTemporaryDir root;
        const QString folder = root.filePath(u"portal"_s);
        const QString outside = root.filePath(u"outside"_s);
        const QString flushFolder = root.filePath(u"flush"_s);
        QVERIFY(test::makeListingFolder(folder));
        // Sizes and times spread among those of the changes, so they go in between.
        for (int i = 0; i < moreFiles; ++i)
            QVERIFY(test::makeListedFile(folder + u"/more %1.txt"_s.arg(i), (i * 97) % 5000, test::listingBase + (i * 523) % 60000));
        QVERIFY(QDir().mkpath(outside) && QDir().mkpath(flushFolder));
        if (!followable(folder))
            QSKIP("the temporary folder lies on a file system whose changes are not seen");
        const quint32 seed = sequenceSeed();
        qInfo("seed %u (MORVANTEEL_SEED=%u repeats it)", seed, seed);

        const QList<Options> options = optionsFor(mode);
        std::vector<std::shared_ptr<LiveFolderListing::View>> views;
        for (const Options& option : options)
            views.push_back(LiveFolderListing::view(folder, option));
        QSignalSpy told(&views.front()->folder(), &LiveFolderListing::changed);
        for (size_t i = 0; i < views.size(); ++i)
            QCOMPARE(views[i]->current(), std::optional(scanDirectory(folder, options[qsizetype(i)])));

        ChangeSequence changes(folder, outside, seed);
        QRandomGenerator waits(seed ^ 0x5bd1e995u);
        int flushes = 0;
        for (int step = 0; step < 160; ++step) {
            const QString change = changes.step();
            QVERIFY2(!change.isEmpty(), qPrintable(u"step %1 could not be made (seed %2)"_s.arg(step).arg(seed)));
            if (waits.bounded(4) == 0)
                QVERIFY(test::deliverQueuedChanges(flushFolder, flushes, deliveryTimeout));
            for (size_t i = 0; i < views.size(); ++i) {
                const PortalScanResult fresh = scanDirectory(folder, options[qsizetype(i)]);
                const std::optional<PortalScanResult> kept = views[i]->current();
                QVERIFY2(kept, qPrintable(u"step %1: %2 left the folder unfollowed"_s.arg(step).arg(change)));
                QVERIFY2(*kept == fresh, qPrintable(u"seed %1, step %2 (%3), options %4:\n kept  %5\n fresh %6"_s.arg(seed)
                                                        .arg(step).arg(change).arg(i).arg(describe(*kept), describe(fresh))));
            }
        }
        QVERIFY(!told.isEmpty());
    }

    // A listing read on a worker thread equals a fresh reading, changes made while it was being
    // read included; every holder of one folder and options shares one view.
    void warmedListingTakesTheChangesMadeMeanwhile()
    {
        QTemporaryDir root;
        const QString folder = root.filePath(u"portal"_s);
        QVERIFY(test::makeListingFolder(folder));
        if (!followable(folder))
            QSKIP("the temporary folder lies on a file system whose changes are not seen");
        for (int i = 0; i < 2000; ++i)
            QVERIFY(writeBytes(QFile::encodeName(folder + u"/bulk %1.txt"_s.arg(i)), i % 97, O_CREAT));
        const Options byDate{HiddenFiles::Skip, ExtensionDisplay::Hide, QString(), FenceSortMode::dateModifiedDesc, {}};
        const auto warmed = LiveFolderListing::warmView(folder, byDate);
        QCOMPARE(LiveFolderListing::view(folder, byDate), warmed);
        QCOMPARE(LiveFolderListing::warmView(folder, byDate), warmed);
        // Made while the worker reads, or after: either way in the listing.
        QVERIFY(writeBytes(QFile::encodeName(folder + u"/during.txt"_s), 5, O_CREAT));
        QVERIFY(::unlink(QFile::encodeName(folder + u"/bulk 7.txt"_s).constData()) == 0);
        QVERIFY(QFile::rename(folder + u"/bulk 8.txt"_s, folder + u"/renamed.txt"_s));
        QCOMPARE(warmed->current(), std::optional(scanDirectory(folder, byDate)));
    }

    // Changes the kernel could not queue are lost: the listing is read whole again.
    void lostChangesReadTheFolderAgain()
    {
        const std::optional<int> limit = test::inotifyQueueLimit();
        if (!limit)
            QSKIP("the kernel's queue size is unknown");
        const int queued = *limit;
        if (queued > 65536)
            QSKIP("the kernel's queue is too large to fill in a test");
        QTemporaryDir root;
        const QString folder = root.filePath(u"portal"_s);
        QVERIFY(test::makeListingFolder(folder));
        if (!followable(folder))
            QSKIP("the temporary folder lies on a file system whose changes are not seen");
        const Options byName;
        const auto view = LiveFolderListing::view(folder, byName);
        QVERIFY(view->current());
        const QByteArray files[2] = {QFile::encodeName(folder + u"/alpha.txt"_s), QFile::encodeName(folder + u"/delta"_s)};
        for (int i = 0; i <= queued; ++i)
            QCOMPARE(::chmod(files[i % 2].constData(), (i / 2 % 2) ? 0600 : 0644), 0);
        // Its event finds the queue full.
        QVERIFY(writeBytes(QFile::encodeName(folder + u"/unseen.txt"_s), 3, O_CREAT));
        QCOMPARE(view->current(), std::optional(scanDirectory(folder, byName)));
    }

    // Reads of the folder's entries move their access times, which every listing shows and the
    // access order sorts by: each listing follows them. Reading the folder itself, as a
    // listing does, is told to none.
    void readsOfEntriesAreFollowedReadsOfTheFolderAreNot_data()
    {
        QTest::addColumn<FenceSortMode>("mode");
        QTest::newRow("by access") << FenceSortMode::lastAccessedDesc;
        QTest::newRow("by name") << FenceSortMode::nameAsc;
    }

    void readsOfEntriesAreFollowedReadsOfTheFolderAreNot()
    {
        QFETCH(FenceSortMode, mode);
        QTemporaryDir root;
        const QString folder = root.filePath(u"portal"_s);
        const QString flushFolder = root.filePath(u"flush"_s);
        QVERIFY(test::makeListingFolder(folder) && QDir().mkpath(flushFolder));
        if (!followable(folder))
            QSKIP("the temporary folder lies on a file system whose changes are not seen");
        const Options options{HiddenFiles::Skip, ExtensionDisplay::Hide, QString(), mode, {}};
        int flushes = 0;
        const auto view = LiveFolderListing::view(folder, options);
        QSignalSpy told(&view->folder(), &LiveFolderListing::changed);
        QCOMPARE(view->current(), std::optional(scanDirectory(folder, options)));
        QVERIFY(QDir(folder).entryList().size() > 2); // read as another program lists it
        QCOMPARE(view->current(), std::optional(scanDirectory(folder, options)));
        QVERIFY(test::deliverQueuedChanges(flushFolder, flushes, deliveryTimeout));
        QCOMPARE(told.count(), 0);
        // Access times far back, so that the next read moves them whatever the mount's policy
        // (relatime moves one older than the modification time).
        for (const QString& name : {u"alpha.txt"_s, u"gamma.png"_s})
            QVERIFY(test::setTimes(folder + u'/' + name, test::listingBase - 86400 * 30, test::listingBase));
        QCOMPARE(view->current(), std::optional(scanDirectory(folder, options)));
        QVERIFY(test::deliverQueuedChanges(flushFolder, flushes, deliveryTimeout));
        told.clear();
        QFile read(folder + u"/gamma.png"_s);
        QVERIFY(read.open(QIODevice::ReadOnly) && !read.readAll().isEmpty());
        read.close();
        QVERIFY(test::deliverQueuedChanges(flushFolder, flushes, deliveryTimeout));
        QVERIFY(!told.isEmpty());
        QCOMPARE(view->current(), std::optional(scanDirectory(folder, options)));
    }
};

QTEST_GUILESS_MAIN(LiveFolderListingTest)
#include "tst_livefolderlisting.moc"
