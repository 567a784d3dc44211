// QtTest first: moc reads this file with C++17 predefines and stumbles on <concepts> otherwise.
#include <QtTest>

#include "core/engine/PortalScan.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstring>
#include <limits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace mv;
using namespace mv::FolderPortalEngine;
using namespace Qt::StringLiterals;

namespace {

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

timespec fromNanoseconds(qint64 ns)
{
    const qint64 perSecond = 1000000000;
    qint64 seconds = ns / perSecond;
    qint64 rest = ns % perSecond;
    if (rest < 0) {
        rest += perSecond;
        --seconds;
    }
    return {time_t(seconds), long(rest)};
}

// Sets both times of `path` itself (not a symlink's target), to the nanosecond.
bool setTimes(const QString& path, qint64 modifiedNs, qint64 accessedNs)
{
    const timespec times[2] = {fromNanoseconds(accessedNs), fromNanoseconds(modifiedNs)};
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times,
                       AT_SYMLINK_NOFOLLOW)
        == 0;
}

QStringList namesOf(const QList<PortalFileEntry>& entries)
{
    QStringList names;
    for (const PortalFileEntry& entry : entries)
        names.append(entry.name);
    return names;
}

PortalScanResult scanNamed(const QString& path, HiddenFiles hidden = HiddenFiles::Skip,
                           ExtensionDisplay extensions = ExtensionDisplay::Show,
                           const QString& filter = {})
{
    return scanDirectory(path, {hidden, extensions, filter, FenceSortMode::nameAsc, {}});
}

const PortalFileEntry* find(const PortalScanResult& result, const QString& name)
{
    for (const PortalFileEntry& entry : result.entries) {
        if (entry.name == name)
            return &entry;
    }
    return nullptr;
}

PortalFileEntry filterEntry(const QString& name)
{
    PortalFileEntry entry;
    entry.url = QUrl::fromLocalFile(u"/fixture/"_s + name);
    entry.name = name;
    entry.displayName = name;
    entry.fileExtension = pathExtension(name).toLower();
    return entry;
}

} // namespace

using OptionalString = std::optional<QString>;
Q_DECLARE_METATYPE(OptionalString)
Q_DECLARE_METATYPE(mv::FolderPortalEngine::EntryKind)
Q_DECLARE_METATYPE(mv::FolderPortalEngine::ExtensionDisplay)

class TestPortalScan final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void missingFolder_data();
    void missingFolder();
    void relativePathIsUnbound();
    void entryFields_data();
    void entryFields();
    void hiddenFiles();
    void datesAndSizes();
    void symlinks();
    void urlAndId();
    void scanFiltersTrimmedAndSorts();

    void inferSymbol_data();
    void inferSymbol();
    void filter_data();
    void filter();
    void pathExtension_data();
    void pathExtension();
    void formattedSize_data();
    void formattedSize();

private:
    QTemporaryDir m_root;
};

void TestPortalScan::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_root.isValid());
}

// Nothing there, a regular file, a path below a regular file, an unbound path (empty, not
// absolute, or with a leading "~" that nobody expanded), a path with a NUL that would cut it
// short at the system call, and a URL that is no local file: all are missing, never listed.
void TestPortalScan::missingFolder_data()
{
    QTest::addColumn<QString>("path");
    const QString root = m_root.path();
    QVERIFY(writeFile(root + u"/file.txt"_s, "x"));
    QVERIFY(QDir(root).mkpath(u"present"_s));
    QVERIFY(writeFile(root + u"/present/child.txt"_s, "x"));

    QTest::newRow("nothing there") << root + u"/nope"_s;
    QTest::newRow("regular file") << root + u"/file.txt"_s;
    QTest::newRow("below a file") << root + u"/file.txt/sub"_s;
    QTest::newRow("empty") << QString();
    QTest::newRow("tilde") << u"~"_s;
    QTest::newRow("nul cuts path") << root + u"/present"_s + QChar(u'\0') + u"/x"_s;
}

void TestPortalScan::missingFolder()
{
    QFETCH(QString, path);
    const PortalScanResult result = scanNamed(path);
    QVERIFY(result.isMissing);
    QVERIFY(result.entries.isEmpty());
}

// A relative path is unbound even when the working directory holds a folder of that name.
void TestPortalScan::relativePathIsUnbound()
{
    const QString saved = QDir::currentPath();
    QVERIFY(QDir(m_root.path()).mkpath(u"cwd/relative"_s));
    QVERIFY(writeFile(m_root.path() + u"/cwd/relative/inside.txt"_s, "x"));
    QVERIFY(QDir::setCurrent(m_root.path() + u"/cwd"_s));
    const PortalScanResult result = scanNamed(u"relative"_s);
    const PortalScanResult dotted = scanNamed(u"./relative"_s);
    QVERIFY(QDir::setCurrent(saved));
    QVERIFY(result.isMissing);
    QVERIFY(result.entries.isEmpty());
    QVERIFY(dotted.isMissing);

    const PortalScanResult byUrl =
        scanDirectory(QUrl(u"https://example.com/folder"_s), {HiddenFiles::Show, ExtensionDisplay::Show, {}, FenceSortMode::nameAsc, {}});
    QVERIFY(byUrl.isMissing);
    const PortalScanResult byFileUrl = scanDirectory(QUrl::fromLocalFile(m_root.path() + u"/cwd/relative"_s), {HiddenFiles::Show, ExtensionDisplay::Show, {}, FenceSortMode::nameAsc, {}});
    QVERIFY(!byFileUrl.isMissing);
    QCOMPARE(namesOf(byFileUrl.entries), QStringList{u"inside.txt"_s});
    // "localhost" is this machine; any other host is another machine, even when the path Qt
    // would make of it ("//tmp/...") names a local folder.
    const QString folder = m_root.path() + u"/cwd/relative"_s;
    const auto byHost = [](const QString& url) {
        return scanDirectory(QUrl(url), {HiddenFiles::Show, ExtensionDisplay::Show, {}, FenceSortMode::nameAsc, {}});
    };
    QCOMPARE(namesOf(byHost(u"file://localhost"_s + folder).entries), QStringList{u"inside.txt"_s});
    QVERIFY(folder.startsWith(u'/'));
    QVERIFY(byHost(u"file:/"_s + folder).isMissing);
}

// Per item: the display name drops the extension only for files with one when extensions are
// hidden; the extension is lower-cased; folders are typed "public.folder", files by their
// extension, else "public.data"; the symbol comes from the extension, then the type.
void TestPortalScan::entryFields_data()
{
    QTest::addColumn<ExtensionDisplay>("extensions");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("displayName");
    QTest::addColumn<QString>("fileExtension");
    QTest::addColumn<bool>("isDirectory");
    QTest::addColumn<OptionalString>("type");
    QTest::addColumn<QString>("symbol");

    const auto hide = ExtensionDisplay::Hide;
    const auto show = ExtensionDisplay::Show;
    const OptionalString pdf = u"com.adobe.pdf"_s;
    const OptionalString folder = u"public.folder"_s;
    const OptionalString data = u"public.data"_s;
    QTest::newRow("pdf hidden") << hide << u"报告.PDF"_s << u"报告"_s << u"pdf"_s << false
                                << pdf << u"doc.richtext.fill"_s;
    QTest::newRow("pdf shown") << show << u"报告.PDF"_s << u"报告.PDF"_s << u"pdf"_s << false
                               << pdf << u"doc.richtext.fill"_s;
    QTest::newRow("app folder") << hide << u"Photos.app"_s << u"Photos.app"_s << u"app"_s
                                << true << folder << u"app.badge.checkmark.fill"_s;
    QTest::newRow("dotted folder") << hide << u"v1.2"_s << u"v1.2"_s << u"2"_s << true << folder
                                   << u"folder.fill"_s;
    QTest::newRow("no extension") << hide << u"notes"_s << u"notes"_s << QString() << false
                                  << data << u"doc.fill"_s;
    QTest::newRow("app file") << hide << u"Tool.app"_s << u"Tool"_s << u"app"_s << false << data
                              << u"shippingbox.fill"_s;
    QTest::newRow("image by type") << show << u"scan.HEIF"_s << u"scan.HEIF"_s << u"heif"_s
                                   << false << OptionalString(u"public.heif"_s)
                                   << u"photo.fill"_s;
    QTest::newRow("unknown extension") << hide << u"blob.xyz"_s << u"blob"_s << u"xyz"_s << false
                                       << data << u"doc.fill"_s;
    QTest::newRow("last extension only") << hide << u"backup.tar.gz"_s << u"backup.tar"_s
                                         << u"gz"_s << false
                                         << OptionalString(u"org.gnu.gnu-zip-archive"_s)
                                         << u"archivebox.fill"_s;
    QTest::newRow("trailing dot") << hide << u"draft."_s << u"draft."_s << QString() << false
                                  << data << u"doc.fill"_s;
}

void TestPortalScan::entryFields()
{
    QFETCH(ExtensionDisplay, extensions);
    QFETCH(QString, name);
    QFETCH(QString, displayName);
    QFETCH(QString, fileExtension);
    QFETCH(bool, isDirectory);
    QFETCH(OptionalString, type);
    QFETCH(QString, symbol);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(name);
    if (isDirectory) {
        QVERIFY(QDir().mkdir(path));
        QVERIFY(writeFile(path + u"/inner.bin"_s, QByteArray(5000, 'x')));
    } else {
        QVERIFY(writeFile(path, "12345"));
    }

    const PortalScanResult result =
        scanDirectory(dir.path(), {HiddenFiles::Skip, extensions, {}, FenceSortMode::nameAsc, {}});
    QVERIFY(!result.isMissing);
    QCOMPARE(result.entries.size(), 1);
    const PortalFileEntry& entry = result.entries.first();
    QCOMPARE(entry.name, name);
    QCOMPARE(entry.displayName, displayName);
    QCOMPARE(entry.fileExtension, fileExtension);
    QCOMPARE(entry.isDirectory, isDirectory);
    QCOMPARE(entry.fileSize, isDirectory ? 0 : 5); // a folder's own size is never reported
    QCOMPARE(entry.utTypeIdentifier, type);
    QCOMPARE(entry.symbolName, symbol);
}

// Hidden means a name beginning with ".": skipped, whatever else marks it, unless shown.
void TestPortalScan::hiddenFiles()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(writeFile(dir.filePath(u".DS_Store"_s), "x"));
    QVERIFY(writeFile(dir.filePath(u".bashrc"_s), "x"));
    QVERIFY(QDir(dir.path()).mkdir(u".config"_s));
    QVERIFY(writeFile(dir.filePath(u"visible.txt"_s), "x"));

    QCOMPARE(namesOf(scanNamed(dir.path(), HiddenFiles::Skip).entries),
             QStringList{u"visible.txt"_s});
    const PortalScanResult shown = scanNamed(dir.path(), HiddenFiles::Show);
    QCOMPARE(namesOf(shown.entries),
             (QStringList{u".config"_s, u".bashrc"_s, u".DS_Store"_s, u"visible.txt"_s}));
    // A leading dot starts no extension.
    QCOMPARE(find(shown, u".bashrc"_s)->fileExtension, QString());
    QCOMPARE(find(shown, u".bashrc"_s)->displayName, u".bashrc"_s);

    QTemporaryDir empty;
    QVERIFY(empty.isValid());
    const PortalScanResult none = scanNamed(empty.path(), HiddenFiles::Show);
    QVERIFY(!none.isMissing);
    QVERIFY(none.entries.isEmpty());
}

// Dates come from the item to the millisecond (floored), the access date on its own;
// sizes are byte counts for files and 0 for folders.
void TestPortalScan::datesAndSizes()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(writeFile(dir.filePath(u"old.txt"_s), QByteArray(1234, 'a')));
    QVERIFY(writeFile(dir.filePath(u"new.txt"_s), QByteArray()));
    QVERIFY(QDir(dir.path()).mkdir(u"Folder"_s));
    QVERIFY(writeFile(dir.filePath(u"Folder/big.bin"_s), QByteArray(10000, 'b')));

    const qint64 second = 1000000000;
    const qint64 base = 1767225600; // 2026-01-01T00:00:00Z
    QVERIFY(setTimes(dir.filePath(u"old.txt"_s), base * second + 123456789,
                     (base + 7200) * second + 999999999));
    QVERIFY(setTimes(dir.filePath(u"new.txt"_s), (base + 60) * second, (base + 60) * second));
    QVERIFY(setTimes(dir.filePath(u"Folder"_s), (base + 30) * second, (base + 90) * second));
    // Before 1970: the floor still goes down.
    QVERIFY(writeFile(dir.filePath(u"ancient.txt"_s), "a"));
    QVERIFY(setTimes(dir.filePath(u"ancient.txt"_s), -1 * second + 500000000, 0));

    const PortalScanResult result = scanDirectory(dir.path(), {HiddenFiles::Skip, ExtensionDisplay::Show, {}, FenceSortMode::dateModifiedDesc, {}});
    QCOMPARE(namesOf(result.entries),
             (QStringList{u"new.txt"_s, u"Folder"_s, u"old.txt"_s, u"ancient.txt"_s}));
    const QDateTime t0 = QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC);
    const PortalFileEntry* old = find(result, u"old.txt"_s);
    QCOMPARE(old->modifiedAt, t0.addMSecs(123));
    QCOMPARE(old->lastAccessedAt, t0.addMSecs(7200 * 1000 + 999));
    QCOMPARE(old->modifiedAt.timeSpec(), Qt::UTC);
    QCOMPARE(old->fileSize, 1234);
    QCOMPARE(find(result, u"new.txt"_s)->fileSize, 0);
    QCOMPARE(find(result, u"Folder"_s)->fileSize, 0);
    QCOMPARE(find(result, u"Folder"_s)->lastAccessedAt, t0.addSecs(90));
    QCOMPARE(find(result, u"ancient.txt"_s)->modifiedAt,
             QDateTime::fromMSecsSinceEpoch(-500, Qt::UTC));

    const PortalScanResult byAccess = scanDirectory(dir.path(), {HiddenFiles::Skip, ExtensionDisplay::Show, {}, FenceSortMode::lastAccessedDesc, {}});
    QCOMPARE(namesOf(byAccess.entries),
             (QStringList{u"old.txt"_s, u"Folder"_s, u"new.txt"_s, u"ancient.txt"_s}));
    const PortalScanResult bySize = scanDirectory(dir.path(), {HiddenFiles::Skip, ExtensionDisplay::Show, {}, FenceSortMode::sizeDesc, {}});
    QCOMPARE(namesOf(bySize.entries),
             (QStringList{u"old.txt"_s, u"ancient.txt"_s, u"new.txt"_s, u"Folder"_s}));
}

// A symlink is listed as the link itself, never followed: a link to a folder is a file, a
// dangling link is still listed, and both are typed by their own names.
void TestPortalScan::symlinks()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir(u"Target"_s));
    QVERIFY(writeFile(dir.filePath(u"Target/inside.txt"_s), "x"));
    QVERIFY(::symlink("Target", QFile::encodeName(dir.filePath(u"FolderLink"_s))) == 0);
    QVERIFY(::symlink("nowhere.png", QFile::encodeName(dir.filePath(u"dangling.png"_s))) == 0);

    const PortalScanResult result = scanNamed(dir.path());
    QCOMPARE(namesOf(result.entries),
             (QStringList{u"Target"_s, u"dangling.png"_s, u"FolderLink"_s}));
    const PortalFileEntry* link = find(result, u"FolderLink"_s);
    QVERIFY(!link->isDirectory);
    QCOMPARE(link->fileSize, qint64(strlen("Target")));
    const PortalFileEntry* dangling = find(result, u"dangling.png"_s);
    QCOMPARE(dangling->utTypeIdentifier, OptionalString(u"public.png"_s));
    QCOMPARE(dangling->symbolName, u"photo.fill"_s);
    QVERIFY(dangling->modifiedAt > distantPast());

    // The bound folder itself may be a symlink to a folder.
    const PortalScanResult through = scanNamed(dir.filePath(u"FolderLink"_s));
    QVERIFY(!through.isMissing);
    QCOMPARE(namesOf(through.entries), QStringList{u"inside.txt"_s});
}

// The url is the folder path plus the name, however the folder was written; the id is its
// standardized path.
void TestPortalScan::urlAndId()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir(u"Sub"_s));
    QVERIFY(writeFile(dir.filePath(u"a b#?.txt"_s), "x"));

    for (const QString& written : {dir.path(), dir.path() + u"///"_s,
                                   dir.path() + u"/Sub/.."_s}) {
        const PortalScanResult result = scanNamed(written);
        QCOMPARE(result.entries.size(), 2);
        const PortalFileEntry* file = find(result, u"a b#?.txt"_s);
        QVERIFY(file);
        QVERIFY(file->url.isLocalFile());
        QCOMPARE(file->id(), dir.path() + u"/a b#?.txt"_s);
        QCOMPARE(QFileInfo(file->url.toLocalFile()).canonicalFilePath(),
                 QFileInfo(dir.filePath(u"a b#?.txt"_s)).canonicalFilePath());
        QCOMPARE(find(result, u"Sub"_s)->id(), dir.path() + u"/Sub"_s);
    }

    PortalFileEntry entry;
    entry.url = QUrl::fromLocalFile(u"/tmp/a/./b/../c/"_s);
    QCOMPARE(entry.id(), u"/tmp/a/c"_s);
}

// The scan trims blanks and newlines off the filter; a blank filter filters nothing.
void TestPortalScan::scanFiltersTrimmedAndSorts()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const QString& name : {u"Notes.MD"_s, u"readme.md"_s, u"photo.png"_s, u"doc.pdf"_s})
        QVERIFY(writeFile(dir.filePath(name), "x"));

    auto scanWith = [&](const QString& filter) {
        return namesOf(scanDirectory(dir.path(), {HiddenFiles::Skip, ExtensionDisplay::Show, filter, FenceSortMode::nameAsc, {}})
                           .entries);
    };
    QCOMPARE(scanWith(u" .MD \n"_s), (QStringList{u"Notes.MD"_s, u"readme.md"_s}));
    QCOMPARE(scanWith(u"\t /^p/ "_s), QStringList{u"photo.png"_s});
    QCOMPARE(scanWith(u"  \n\u3000"_s).size(), 4);
    QCOMPARE(scanWith(QString()).size(), 4);
}

// The extension table decides first (it never overlaps); a folder looks at nothing but
// ".app"; without a table row the type's family decides, in the order image, movie, video,
// audio, archive, source code, PDF; no type, or an unknown one, is "doc.fill".
void TestPortalScan::inferSymbol_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<EntryKind>("kind");
    QTest::addColumn<OptionalString>("type");
    QTest::addColumn<QString>("symbol");

    const auto file = EntryKind::File;
    const auto folder = EntryKind::Folder;
    const OptionalString none;
    QTest::newRow("app folder") << u"/x/Photos.app"_s << folder << none
                                << u"app.badge.checkmark.fill"_s;
    QTest::newRow("APP folder") << u"Photos.APP"_s << folder << none
                                << u"app.badge.checkmark.fill"_s;
    QTest::newRow("folder ignores type") << u"Pictures.png"_s << folder
                                         << OptionalString(u"public.png"_s) << u"folder.fill"_s;
    QTest::newRow("app file") << u"Tool.app"_s << file << none << u"shippingbox.fill"_s;
    QTest::newRow("photo") << u"IMG.JPEG"_s << file << none << u"photo.fill"_s;
    QTest::newRow("raw") << u"shot.raw"_s << file << none << u"photo.fill"_s;
    QTest::newRow("pdf") << u"报告.PDF"_s << file << none << u"doc.richtext.fill"_s;
    QTest::newRow("text") << u"a.markdown"_s << file << none << u"doc.text.fill"_s;
    QTest::newRow("doc") << u"a.pages"_s << file << none << u"doc.fill"_s;
    QTest::newRow("table") << u"a.csv"_s << file << none << u"tablecells.fill"_s;
    QTest::newRow("slides") << u"a.key"_s << file << none << u"play.rectangle.fill"_s;
    QTest::newRow("code") << u"a.tsx"_s << file << none
                          << u"chevron.left.forwardslash.chevron.right"_s;
    QTest::newRow("config") << u"a.plist"_s << file << none << u"curlybraces"_s;
    QTest::newRow("archive") << u"a.7z"_s << file << none << u"archivebox.fill"_s;
    QTest::newRow("package") << u"a.dmg"_s << file << none << u"shippingbox.fill"_s;
    QTest::newRow("film") << u"a.webm"_s << file << none << u"film.fill"_s;
    QTest::newRow("audio") << u"a.aac"_s << file << none << u"waveform"_s;
    QTest::newRow("design") << u"a.sketch"_s << file << none << u"paintbrush.pointed.fill"_s;
    QTest::newRow("table beats type") << u"x.pdf"_s << file << OptionalString(u"public.png"_s)
                                      << u"doc.richtext.fill"_s;
    QTest::newRow("image by type") << u"a.bmp"_s << file << OptionalString(u"com.microsoft.bmp"_s)
                                   << u"photo.fill"_s;
    QTest::newRow("movie by type") << u"a.m4v"_s << file
                                   << OptionalString(u"com.apple.m4v-video"_s) << u"film.fill"_s;
    QTest::newRow("video by type") << u"a.vid"_s << file << OptionalString(u"public.video"_s)
                                   << u"film.fill"_s;
    QTest::newRow("audio by type") << u"a.ogg"_s << file << OptionalString(u"org.xiph.ogg-audio"_s)
                                   << u"waveform"_s;
    QTest::newRow("archive by type") << u"a.tgz"_s << file
                                     << OptionalString(u"org.gnu.gnu-zip-tar-archive"_s)
                                     << u"archivebox.fill"_s;
    QTest::newRow("code by type") << u"a.rb"_s << file << OptionalString(u"public.ruby-script"_s)
                                  << u"chevron.left.forwardslash.chevron.right"_s;
    QTest::newRow("pdf by type") << u"a.bin"_s << file << OptionalString(u"COM.ADOBE.PDF"_s)
                                 << u"doc.richtext.fill"_s;
    QTest::newRow("plain text type") << u"a.log"_s << file << OptionalString(u"com.apple.log"_s)
                                     << u"doc.fill"_s;
    QTest::newRow("no type") << u"a.rb"_s << file << none << u"doc.fill"_s;
    QTest::newRow("unknown type") << u"a.q"_s << file << OptionalString(u"com.example.q"_s)
                                  << u"doc.fill"_s;
    QTest::newRow("dot in folder only") << u"/home/u/v1.png/README"_s << file << none
                                        << u"doc.fill"_s;
    QTest::newRow("extension of last part") << u"/home/u/a.d/x.zip"_s << file << none
                                            << u"archivebox.fill"_s;
}

void TestPortalScan::inferSymbol()
{
    QFETCH(QString, path);
    QFETCH(EntryKind, kind);
    QFETCH(OptionalString, type);
    QFETCH(QString, symbol);
    QCOMPARE(FolderPortalEngine::inferSymbol(path, kind, type), symbol);
}

// Between two slashes (more than one character in all) the query is a case-insensitive
// regular expression with Unicode properties, searched anywhere in the name only; one that
// does not compile is plain text, slashes included. Plain text is contained, in any letter
// case, in the name or the extension. Order is kept; an empty query keeps everything.
void TestPortalScan::filter_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("plain extension") << u".md"_s << QStringList{u"Notes.MD"_s, u"readme.md"_s};
    QTest::newRow("plain upper") << u".MD"_s << QStringList{u"Notes.MD"_s, u"readme.md"_s};
    QTest::newRow("plain pdf") << u"PDF"_s << QStringList{u"报告.PDF"_s, u"manual.pdf"_s};
    QTest::newRow("plain han") << u"报告"_s << QStringList{u"报告.PDF"_s};
    QTest::newRow("regex anchored, case ignored")
        << u"/^IMG_\\d+/"_s << QStringList{u"img_0042.png"_s};
    QTest::newRow("regex anywhere") << u"/IMG_\\d/"_s
                                    << QStringList{u"img_0042.png"_s, u"Copy of IMG_1.png"_s};
    QTest::newRow("regex on the whole name") << u"/\\.pdf$/"_s
                                             << QStringList{u"报告.PDF"_s, u"manual.pdf"_s};
    QTest::newRow("regex unicode property") << u"/^\\p{Han}/"_s << QStringList{u"报告.PDF"_s};
    QTest::newRow("regex unicode case") << u"/^ÉTÉ/"_s << QStringList{u"été.txt"_s};
    QTest::newRow("regex no match") << u"/^zzz/"_s << QStringList{};
    QTest::newRow("invalid regex is text") << u"/[abc/"_s << QStringList{u"odd/[abc/name"_s};
    QTest::newRow("single slash is text") << u"/"_s << QStringList{u"odd/[abc/name"_s};
    QTest::newRow("empty pattern matches all")
        << u"//"_s
        << QStringList{u"img_0042.png"_s, u"Copy of IMG_1.png"_s, u"Notes.MD"_s, u"readme.md"_s,
                       u"报告.PDF"_s, u"manual.pdf"_s, u"été.txt"_s, u"odd/[abc/name"_s};
    QTest::newRow("empty query keeps all")
        << QString()
        << QStringList{u"img_0042.png"_s, u"Copy of IMG_1.png"_s, u"Notes.MD"_s, u"readme.md"_s,
                       u"报告.PDF"_s, u"manual.pdf"_s, u"été.txt"_s, u"odd/[abc/name"_s};
    QTest::newRow("blank is text here") << u" "_s << QStringList{u"Copy of IMG_1.png"_s};
}

void TestPortalScan::filter()
{
    QFETCH(QString, query);
    QFETCH(QStringList, expected);
    QList<PortalFileEntry> entries;
    for (const QString& name : {u"img_0042.png"_s, u"Copy of IMG_1.png"_s, u"Notes.MD"_s,
                                u"readme.md"_s, u"报告.PDF"_s, u"manual.pdf"_s, u"été.txt"_s,
                                u"odd/[abc/name"_s})
        entries.append(filterEntry(name));
    QCOMPARE(namesOf(applyFilter(entries, query)), expected);
}

// The extension is what follows the last dot of the last component, unless that dot leads
// or ends the name; its letter case is kept.
void TestPortalScan::pathExtension_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("extension");
    QTest::newRow("plain") << u"a.txt"_s << u"txt"_s;
    QTest::newRow("case kept") << u"报告.PDF"_s << u"PDF"_s;
    QTest::newRow("double") << u"a.tar.gz"_s << u"gz"_s;
    QTest::newRow("leading dot") << u".bashrc"_s << QString();
    QTest::newRow("hidden with extension") << u".config.json"_s << u"json"_s;
    QTest::newRow("trailing dot") << u"draft."_s << QString();
    QTest::newRow("none") << u"README"_s << QString();
    QTest::newRow("dot in folder") << u"/a.b/c"_s << QString();
    QTest::newRow("folder url path") << u"/x/Photos.app/"_s << u"app"_s;
    QTest::newRow("empty") << QString() << QString();
}

void TestPortalScan::pathExtension()
{
    QFETCH(QString, path);
    QFETCH(QString, extension);
    QCOMPARE(FolderPortalEngine::pathExtension(path), extension);
}

// Sizes read like a file manager's: "文件夹" for any folder, decimal units, whole bytes and
// kilobytes, one decimal for megabytes, two from gigabytes, trailing zeros dropped, and a
// value that rounds up to 1000 moves to the next unit.
void TestPortalScan::formattedSize_data()
{
    QTest::addColumn<bool>("isDirectory");
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("folder") << true << qint64(4096) << u"文件夹"_s;
    QTest::newRow("zero") << false << qint64(0) << u"零字节"_s;
    QTest::newRow("one") << false << qint64(1) << u"1 字节"_s;
    QTest::newRow("999") << false << qint64(999) << u"999 字节"_s;
    QTest::newRow("1000") << false << qint64(1000) << u"1 KB"_s;
    QTest::newRow("1499") << false << qint64(1499) << u"1 KB"_s;
    QTest::newRow("1500") << false << qint64(1500) << u"2 KB"_s;
    QTest::newRow("12 KB") << false << qint64(12345) << u"12 KB"_s;
    QTest::newRow("999 KB") << false << qint64(999499) << u"999 KB"_s;
    QTest::newRow("rounds into MB") << false << qint64(999999) << u"1 MB"_s;
    QTest::newRow("1 MB") << false << qint64(1000000) << u"1 MB"_s;
    QTest::newRow("1.2 MB") << false << qint64(1234567) << u"1.2 MB"_s;
    QTest::newRow("1.25 GB") << false << qint64(1250000000) << u"1.25 GB"_s;
    QTest::newRow("2 GB") << false << qint64(2000000000) << u"2 GB"_s;
    QTest::newRow("1.5 TB") << false << qint64(1500000000000) << u"1.5 TB"_s;
    QTest::newRow("largest") << false << std::numeric_limits<qint64>::max() << u"9.22 EB"_s;
}

void TestPortalScan::formattedSize()
{
    QFETCH(bool, isDirectory);
    QFETCH(qint64, bytes);
    QFETCH(QString, text);
    PortalFileEntry entry;
    entry.isDirectory = isDirectory;
    entry.fileSize = bytes;
    QCOMPARE(entry.formattedSize(), text);
}

QTEST_GUILESS_MAIN(TestPortalScan)
#include "tst_portalscan.moc"
