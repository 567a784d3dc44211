// QtTest first: moc reads this file with C++17 predefines and stumbles on <concepts> otherwise.
#include <QtTest>

#include "core/engine/PortalMoves.h"
#include "core/engine/PortalScan.h"
#include "core/engine/SmartRulesEngine.h"
#include "core/models/Uuid.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace mv;
using namespace Qt::StringLiterals;
namespace Engine = mv::SmartRulesEngine;
namespace Portal = mv::FolderPortalEngine;

namespace {

QByteArray enc(const QString& path)
{
    return QFile::encodeName(path);
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return file.readAll();
}

bool exists(const QString& path)
{
    struct stat st;
    return ::lstat(enc(path).constData(), &st) == 0;
}

// Sets the modification (and access) time of `path` to `secondsAgo` before now.
bool setAge(const QString& path, qint64 secondsAgo)
{
    const timespec when{time_t(QDateTime::currentSecsSinceEpoch() - secondsAgo), 0};
    const timespec times[2] = {when, when};
    return ::utimensat(AT_FDCWD, enc(path).constData(), times, AT_SYMLINK_NOFOLLOW) == 0;
}

// Every path below `root` with its size and modification time: what "nothing changed" means.
QStringList treeSnapshot(const QString& root)
{
    QStringList lines;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat st{};
        ::lstat(enc(path).constData(), &st);
        lines.append(path + u' ' + QString::number(qint64(st.st_size)) + u' '
                     + QString::number(qint64(st.st_mtim.tv_sec)) + u'.'
                     + QString::number(qint64(st.st_mtim.tv_nsec)));
    }
    lines.sort();
    return lines;
}

PortalFileEntry makeEntry(const QString& name, bool isDirectory = false, qint64 size = 0,
                          std::optional<QString> utType = std::nullopt,
                          QDateTime modifiedAt = QDateTime::currentDateTimeUtc())
{
    PortalFileEntry entry;
    entry.url = QUrl::fromLocalFile(u"/fixture/"_s + name);
    entry.name = name;
    // The display name hides the extension, so a test that passes proves the name was read.
    const QString extension = Portal::pathExtension(name);
    entry.displayName = extension.isEmpty() ? name : name.left(name.size() - extension.size() - 1);
    entry.fileExtension = extension.toLower();
    entry.isDirectory = isDirectory;
    entry.fileSize = size;
    entry.modifiedAt = modifiedAt;
    entry.lastAccessedAt = modifiedAt;
    entry.utTypeIdentifier = std::move(utType);
    return entry;
}

PortalFileEntry folderEntry(const QString& name)
{
    return makeEntry(name, true, 0, u"public.folder"_s);
}

RuleCondition condition(RuleConditionField field, const QString& value, bool negated = false)
{
    return RuleCondition{newUuid(), field, value, negated};
}

SmartRule rule(const QString& name, qint64 priority, RuleMatchMode mode, QList<RuleCondition> conditions,
               std::optional<QString> targetDirectoryPath = std::nullopt, QString subfolder = {})
{
    SmartRule r;
    r.id = newUuid();
    r.name = name;
    r.symbolName = u"folder.fill"_s;
    r.isEnabled = true;
    r.priority = priority;
    r.matchMode = mode;
    r.conditions = std::move(conditions);
    r.targetSubfolderName = std::move(subfolder);
    r.targetDirectoryPath = std::move(targetDirectoryPath);
    return r;
}

FenceModel portalFence(const QUuid& id, QList<std::optional<QString>> tabPaths, qsizetype activeIndex = 0)
{
    FenceModel fence;
    fence.id = id;
    fence.title = u"围栏"_s;
    for (const auto& path : tabPaths) {
        FenceTab tab;
        tab.id = newUuid();
        tab.kind = FenceKind::notes; // the kind plays no part in where a rule sends files
        tab.portalPath = path;
        fence.tabs.append(tab);
    }
    fence.activeTabID = fence.tabs.isEmpty() ? newUuid() : fence.tabs.at(activeIndex).id;
    return fence;
}

const DryRunMoveItem* itemNamed(const DryRunMovePlan& plan, const QString& fileName)
{
    for (const DryRunMoveItem& item : plan.matchedMoves) {
        if (item.fileName == fileName)
            return &item;
    }
    return nullptr;
}

QString describe(const Portal::MoveError& error)
{
    return Portal::errorDescription(error);
}

} // namespace

Q_DECLARE_METATYPE(mv::PortalFileEntry)
Q_DECLARE_METATYPE(mv::RuleConditionField)

class SmartRulesTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void evaluateCondition_data();
    void evaluateCondition();
    void matchModes();
    void firstMatchingRule();
    void resolveDestinationDirectory();
    void defaultRules();

    void dryRunWithDefaultRules();
    void dryRunFileAlreadyInPlace();
    void dryRunIntoFoldersHoldingNames();
    void dryRunRuleOrder();
    void dryRunEmptySources();
    void executeAfterChangesThenUndo();
    void executeNothingToMove();
    void executeFailurePartWayKeepsRecord();
    void executeMoveRefusedPartWay();
    void folderIntoItself();
    void tildeAndRelativeTargets();

private:
    // A fresh desktop folder for one test, below the test's temporary root.
    QString makeFolder(const QString& name);

    QTemporaryDir m_root;
    QString m_home;
};

void SmartRulesTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_root.isValid());
    // "~" must never reach the real home folder.
    m_home = m_root.path() + u"/home"_s;
    QVERIFY(QDir().mkpath(m_home));
    qputenv("HOME", enc(m_home));
    QCOMPARE(QDir::homePath(), m_home);
}

QString SmartRulesTest::makeFolder(const QString& name)
{
    const QString path = m_root.path() + u'/' + name;
    if (!QDir().mkpath(path))
        qFatal("cannot create %s", qPrintable(path));
    return path;
}

// One condition against one entry at a fixed "now". The value is trimmed before it is read;
// every result, false ones included, is inverted by `negated`; names are tested with their
// extension (the display name here never has it).
void SmartRulesTest::evaluateCondition_data()
{
    QTest::addColumn<RuleConditionField>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("negated");
    QTest::addColumn<PortalFileEntry>("entry");
    QTest::addColumn<bool>("expected");

    using F = RuleConditionField;
    const QDateTime now = QDateTime(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC);
    const auto aged = [&](qint64 msAgo) { return makeEntry(u"log.txt"_s, false, 0, std::nullopt, now.addMSecs(-msAgo)); };
    const qint64 day = 86400000;
    const qint64 mb = 1048576;

    // fileExtension: entries split at ",", empty entries dropped, each trimmed, lower-cased and
    // stripped of dots; the file's extension compared lower-cased; never a folder.
    QTest::addRow("ext: plain") << F::fileExtension << u"png"_s << false << makeEntry(u"a.png"_s) << true;
    QTest::addRow("ext: file in capitals") << F::fileExtension << u"png"_s << false << makeEntry(u"A.PNG"_s) << true;
    QTest::addRow("ext: blanks, capitals, dots") << F::fileExtension << u"  gif , .JPG. ,x"_s << false << makeEntry(u"b.jpg"_s) << true;
    QTest::addRow("ext: not listed") << F::fileExtension << u"png,jpg"_s << false << makeEntry(u"c.gif"_s) << false;
    QTest::addRow("ext: last dot only") << F::fileExtension << u"tar"_s << false << makeEntry(u"d.tar.gz"_s) << false;
    QTest::addRow("ext: never a folder") << F::fileExtension << u"app"_s << false << folderEntry(u"Tool.app"_s) << false;
    QTest::addRow("ext: folder negated") << F::fileExtension << u"app"_s << true << folderEntry(u"Tool.app"_s) << true;
    QTest::addRow("ext: blank entry, no extension") << F::fileExtension << u"png, ,jpg"_s << false << makeEntry(u"Makefile"_s) << true;
    QTest::addRow("ext: dot entry, no extension") << F::fileExtension << u"png,.,jpg"_s << false << makeEntry(u"Makefile"_s) << true;
    QTest::addRow("ext: empty entry dropped") << F::fileExtension << u"png,,jpg"_s << false << makeEntry(u"Makefile"_s) << false;
    QTest::addRow("ext: blank entry, with extension") << F::fileExtension << u"png, "_s << false << makeEntry(u"e.txt"_s) << false;
    QTest::addRow("ext: empty value") << F::fileExtension << u""_s << false << makeEntry(u"f.png"_s) << false;
    QTest::addRow("ext: empty value negated") << F::fileExtension << u""_s << true << makeEntry(u"f.png"_s) << true;

    // utTypeConforms: both types known and the entry's conforms to the value's.
    QTest::addRow("type: png is an image") << F::utTypeConforms << u"public.image"_s << false << makeEntry(u"a.png"_s, false, 0, u"public.png"_s) << true;
    QTest::addRow("type: identifier case") << F::utTypeConforms << u" PUBLIC.IMAGE "_s << false << makeEntry(u"a.png"_s, false, 0, u"public.png"_s) << true;
    QTest::addRow("type: text is no image") << F::utTypeConforms << u"public.image"_s << false << makeEntry(u"a.txt"_s, false, 0, u"public.plain-text"_s) << false;
    QTest::addRow("type: itself") << F::utTypeConforms << u"public.folder"_s << false << folderEntry(u"Box"_s) << true;
    QTest::addRow("type: entry has none") << F::utTypeConforms << u"public.data"_s << false << makeEntry(u"a.png"_s) << false;
    QTest::addRow("type: entry's unknown") << F::utTypeConforms << u"public.data"_s << false << makeEntry(u"a.zzz"_s, false, 0, u"com.example.zzz"_s) << false;
    QTest::addRow("type: value unknown") << F::utTypeConforms << u"public.nothing"_s << false << makeEntry(u"a.png"_s, false, 0, u"public.png"_s) << false;
    QTest::addRow("type: value unknown negated") << F::utTypeConforms << u"public.nothing"_s << true << makeEntry(u"a.png"_s, false, 0, u"public.png"_s) << true;

    // fileNameContains: a non-empty text anywhere in the name, letter case ignored, in NFC.
    QTest::addRow("contains: case") << F::fileNameContains << u"report"_s << false << makeEntry(u"Q3-REPORT.pdf"_s) << true;
    QTest::addRow("contains: Han") << F::fileNameContains << u"截屏"_s << false << makeEntry(u"截屏 2026-01-01.png"_s) << true;
    QTest::addRow("contains: trimmed value") << F::fileNameContains << u"  shot "_s << false << makeEntry(u"Screenshot.png"_s) << true;
    QTest::addRow("contains: the extension") << F::fileNameContains << u"e.md"_s << false << makeEntry(u"note.md"_s) << true;
    QTest::addRow("contains: decomposed name") << F::fileNameContains << u"café"_s << false << makeEntry(u"cafe\u0301 menu.txt"_s) << true;
    QTest::addRow("contains: absent") << F::fileNameContains << u"invoice"_s << false << makeEntry(u"report.pdf"_s) << false;
    QTest::addRow("contains: empty value") << F::fileNameContains << u"  "_s << false << makeEntry(u"report.pdf"_s) << false;
    QTest::addRow("contains: empty value negated") << F::fileNameContains << u""_s << true << makeEntry(u"report.pdf"_s) << true;

    // fileNameRegex: case-insensitive, Unicode classes, found anywhere unless anchored; a bad
    // pattern, or one that runs into the matcher's limits, finds nothing.
    QTest::addRow("regex: case") << F::fileNameRegex << u"^img_\\d+"_s << false << makeEntry(u"IMG_0042.JPG"_s) << true;
    QTest::addRow("regex: anywhere") << F::fileNameRegex << u"\\d{4}"_s << false << makeEntry(u"scan 2026 final.pdf"_s) << true;
    QTest::addRow("regex: anchored") << F::fileNameRegex << u"^\\d{4}$"_s << false << makeEntry(u"scan 2026 final.pdf"_s) << false;
    QTest::addRow("regex: the extension") << F::fileNameRegex << u"\\.md$"_s << false << makeEntry(u"note.md"_s) << true;
    QTest::addRow("regex: Unicode class") << F::fileNameRegex << u"^\\p{Han}+\\.png$"_s << false << makeEntry(u"截屏.png"_s) << true;
    QTest::addRow("regex: Unicode case") << F::fileNameRegex << u"ÉTÉ"_s << false << makeEntry(u"photos été.jpg"_s) << true;
    QTest::addRow("regex: bad pattern") << F::fileNameRegex << u"[unclosed"_s << false << makeEntry(u"[unclosed"_s) << false;
    QTest::addRow("regex: bad pattern negated") << F::fileNameRegex << u"(("_s << true << makeEntry(u"anything"_s) << true;
    QTest::addRow("regex: catastrophic") << F::fileNameRegex << u"^(a+)+$"_s << false << makeEntry(QString(40, u'a') + u'b') << false;

    // fileNamePrefix: a non-empty text at the start of the name, letter case ignored.
    QTest::addRow("prefix: case") << F::fileNamePrefix << u"IMG"_s << false << makeEntry(u"img_1.jpg"_s) << true;
    QTest::addRow("prefix: Unicode case") << F::fileNamePrefix << u"ÉTÉ"_s << false << makeEntry(u"été.jpg"_s) << true;
    QTest::addRow("prefix: not at start") << F::fileNamePrefix << u"jpg"_s << false << makeEntry(u"img_1.jpg"_s) << false;
    QTest::addRow("prefix: empty value") << F::fileNamePrefix << u""_s << false << makeEntry(u"img_1.jpg"_s) << false;
    QTest::addRow("prefix: empty value negated") << F::fileNamePrefix << u""_s << true << makeEntry(u"img_1.jpg"_s) << true;

    // isDirectory: "true" in any letter case, "1" and "是" ask for a folder; anything else,
    // empty included, asks for a file.
    QTest::addRow("dir: 是") << F::isDirectory << u"是"_s << false << folderEntry(u"Box"_s) << true;
    QTest::addRow("dir: 1") << F::isDirectory << u"1"_s << false << folderEntry(u"Box"_s) << true;
    QTest::addRow("dir: TRUE") << F::isDirectory << u"TRUE"_s << false << folderEntry(u"Box"_s) << true;
    QTest::addRow("dir: tRuE, blanks") << F::isDirectory << u" tRuE\n"_s << false << folderEntry(u"Box"_s) << true;
    QTest::addRow("dir: true, a file") << F::isDirectory << u"true"_s << false << makeEntry(u"a.txt"_s) << false;
    QTest::addRow("dir: yes is no word") << F::isDirectory << u"yes"_s << false << folderEntry(u"Box"_s) << false;
    QTest::addRow("dir: 否, a file") << F::isDirectory << u"否"_s << false << makeEntry(u"a.txt"_s) << true;
    QTest::addRow("dir: 0, a file") << F::isDirectory << u"0"_s << false << makeEntry(u"a.txt"_s) << true;
    QTest::addRow("dir: empty, a file") << F::isDirectory << u""_s << false << makeEntry(u"a.txt"_s) << true;
    QTest::addRow("dir: empty, a folder") << F::isDirectory << u""_s << false << folderEntry(u"Box"_s) << false;
    QTest::addRow("dir: 是 negated") << F::isDirectory << u"是"_s << true << folderEntry(u"Box"_s) << false;

    // sizeGreaterThanMB: size >= value x 2^20; the whole value read as a number in any
    // locale; not a number reads 0, which every size passes.
    QTest::addRow("MB: exactly 1") << F::sizeGreaterThanMB << u"1"_s << false << makeEntry(u"a.bin"_s, false, mb) << true;
    QTest::addRow("MB: one byte short") << F::sizeGreaterThanMB << u"1"_s << false << makeEntry(u"a.bin"_s, false, mb - 1) << false;
    QTest::addRow("MB: exactly 0.5") << F::sizeGreaterThanMB << u"0.5"_s << false << makeEntry(u"a.bin"_s, false, mb / 2) << true;
    QTest::addRow("MB: 0.5 short") << F::sizeGreaterThanMB << u"0.5"_s << false << makeEntry(u"a.bin"_s, false, mb / 2 - 1) << false;
    QTest::addRow("MB: exponent") << F::sizeGreaterThanMB << u"1e1"_s << false << makeEntry(u"a.bin"_s, false, 10 * mb - 1) << false;
    QTest::addRow("MB: plus sign, blanks") << F::sizeGreaterThanMB << u" +2 "_s << false << makeEntry(u"a.bin"_s, false, 2 * mb) << true;
    QTest::addRow("MB: plus sign read") << F::sizeGreaterThanMB << u"+2"_s << false << makeEntry(u"a.bin"_s, false, 2 * mb - 1) << false;
    QTest::addRow("MB: negative") << F::sizeGreaterThanMB << u"-1"_s << false << makeEntry(u"a.bin"_s, false, 0) << true;
    QTest::addRow("MB: 1 negated") << F::sizeGreaterThanMB << u"1"_s << true << makeEntry(u"a.bin"_s, false, mb) << false;
    QTest::addRow("MB: comma is no number") << F::sizeGreaterThanMB << u"1,5"_s << false << makeEntry(u"a.bin"_s, false, 0) << true;
    QTest::addRow("MB: trailing unit") << F::sizeGreaterThanMB << u"2MB"_s << false << makeEntry(u"a.bin"_s, false, 0) << true;
    QTest::addRow("MB: word") << F::sizeGreaterThanMB << u"big"_s << false << makeEntry(u"a.bin"_s, false, 0) << true;
    QTest::addRow("MB: NaN is no number") << F::sizeGreaterThanMB << u"nan"_s << false << makeEntry(u"a.bin"_s, false, 0) << true;
    QTest::addRow("MB: infinity") << F::sizeGreaterThanMB << u"inf"_s << false << makeEntry(u"a.bin"_s, false, mb * mb) << false;
    QTest::addRow("MB: overflow") << F::sizeGreaterThanMB << u"1e999"_s << false << makeEntry(u"a.bin"_s, false, mb * mb) << false;
    QTest::addRow("MB: double sign") << F::sizeGreaterThanMB << u"+-1"_s << false << makeEntry(u"a.bin"_s, false, 0) << true;

    // olderThanDays: now - modified >= value x 86400 s; an empty value or no number is 0,
    // so every date that is not in the future passes; an undated entry is infinitely old.
    QTest::addRow("days: exactly 1") << F::olderThanDays << u"1"_s << false << aged(day) << true;
    QTest::addRow("days: 1 ms short") << F::olderThanDays << u"1"_s << false << aged(day - 1) << false;
    QTest::addRow("days: exactly 0.5") << F::olderThanDays << u"0.5"_s << false << aged(day / 2) << true;
    QTest::addRow("days: 1 negated") << F::olderThanDays << u"1"_s << true << aged(2 * day) << false;
    QTest::addRow("days: empty, now") << F::olderThanDays << u""_s << false << aged(0) << true;
    QTest::addRow("days: empty, future") << F::olderThanDays << u""_s << false << aged(-1000) << false;
    QTest::addRow("days: word, now") << F::olderThanDays << u"old"_s << false << aged(0) << true;
    QTest::addRow("days: undated") << F::olderThanDays << u"36500"_s << false << makeEntry(u"x"_s, false, 0, std::nullopt, QDateTime()) << true;
    QTest::addRow("days: distant past") << F::olderThanDays << u"1e5"_s << false << makeEntry(u"x"_s, false, 0, std::nullopt, Portal::distantPast()) << true;
}

void SmartRulesTest::evaluateCondition()
{
    QFETCH(RuleConditionField, field);
    QFETCH(QString, value);
    QFETCH(bool, negated);
    QFETCH(PortalFileEntry, entry);
    QFETCH(bool, expected);

    const QDateTime now = QDateTime(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC);
    QCOMPARE(Engine::evaluateCondition(condition(field, value, negated), entry, now), expected);
    if (field != RuleConditionField::olderThanDays)
        QCOMPARE(Engine::evaluateCondition(condition(field, value, negated), entry), expected);
}

void SmartRulesTest::matchModes()
{
    const PortalFileEntry photo = makeEntry(u"photo.png"_s, false, 10);
    const RuleCondition yes = condition(RuleConditionField::fileExtension, u"png"_s);
    const RuleCondition no = condition(RuleConditionField::fileExtension, u"pdf"_s);

    QVERIFY(Engine::matches(photo, rule(u"any"_s, 0, RuleMatchMode::any, {no, yes})));
    QVERIFY(!Engine::matches(photo, rule(u"any"_s, 0, RuleMatchMode::any, {no, no})));
    QVERIFY(Engine::matches(photo, rule(u"all"_s, 0, RuleMatchMode::all, {yes, yes})));
    QVERIFY(!Engine::matches(photo, rule(u"all"_s, 0, RuleMatchMode::all, {yes, no})));
    // No conditions never matches, in either mode (an empty "all" would otherwise be true).
    QVERIFY(!Engine::matches(photo, rule(u"empty"_s, 0, RuleMatchMode::all, {})));
    QVERIFY(!Engine::matches(photo, rule(u"empty"_s, 0, RuleMatchMode::any, {})));
    // isEnabled is not matches' business.
    SmartRule disabled = rule(u"off"_s, 0, RuleMatchMode::any, {yes});
    disabled.isEnabled = false;
    QVERIFY(Engine::matches(photo, disabled));
}

void SmartRulesTest::firstMatchingRule()
{
    const PortalFileEntry photo = makeEntry(u"photo.png"_s);
    const RuleCondition png = condition(RuleConditionField::fileExtension, u"png"_s);
    SmartRule off = rule(u"off"_s, 0, RuleMatchMode::any, {png});
    off.isEnabled = false;
    const SmartRule empty = rule(u"empty"_s, 0, RuleMatchMode::all, {});
    const SmartRule late = rule(u"late"_s, 99, RuleMatchMode::any, {png});
    const SmartRule early = rule(u"early"_s, 1, RuleMatchMode::any, {png});

    // The given order, not the priority: sorting is the caller's.
    auto found = Engine::firstMatchingRule(photo, {off, empty, late, early});
    QVERIFY(found);
    QCOMPARE(found->id, late.id);
    QVERIFY(!Engine::firstMatchingRule(photo, {off, empty}));
    QVERIFY(!Engine::firstMatchingRule(photo, {}));
}

void SmartRulesTest::resolveDestinationDirectory()
{
    const QUrl base = QUrl::fromLocalFile(u"/data/desk/"_s);
    const QUuid fenceID = newUuid();
    const QUuid dangling = newUuid();
    const QList<FenceModel> fences{
        portalFence(newUuid(), {u"/elsewhere"_s}),
        portalFence(fenceID, {u"/ignored/first-tab"_s, u"/portal/./docs/"_s}, 1),
        portalFence(fenceID, {u"/second/fence/same/id"_s}),
    };
    const auto resolve = [&](const SmartRule& r, const QList<FenceModel>& list = {}) {
        return Engine::resolveDestinationDirectory(r, list.isEmpty() ? fences : list, base).toLocalFile();
    };

    SmartRule r = rule(u"规则"_s, 0, RuleMatchMode::any, {}, u"/explicit/dir"_s, u"子目录"_s);
    // 1. The first fence with the id, its active tab's portal path, standardized.
    r.targetFenceID = fenceID;
    QCOMPARE(resolve(r), u"/portal/docs"_s);
    // A fence without a path, an unknown id, or an empty or unbound path go on to step 2.
    for (const std::optional<QString>& path :
         {std::optional<QString>(), std::optional<QString>(u""_s), std::optional<QString>(u"relative/portal"_s)}) {
        QCOMPARE(resolve(r, {portalFence(fenceID, {path})}), u"/explicit/dir"_s);
    }
    QCOMPARE(resolve(r, {portalFence(fenceID, {})}), u"/explicit/dir"_s);
    r.targetFenceID = dangling;
    QCOMPARE(resolve(r), u"/explicit/dir"_s);
    // A portal path typed with "~".
    r.targetFenceID = fenceID;
    QCOMPARE(resolve(r, {portalFence(fenceID, {u"~/Portal"_s})}), m_home + u"/Portal"_s);

    // 2. targetDirectoryPath: "~" is the home folder, other relative paths lie below the base.
    r.targetFenceID.reset();
    r.targetDirectoryPath = u"~/Sorted"_s;
    QCOMPARE(resolve(r), m_home + u"/Sorted"_s);
    r.targetDirectoryPath = u"~"_s;
    QCOMPARE(resolve(r), m_home);
    r.targetDirectoryPath = u"Sorted/Images"_s;
    QCOMPARE(resolve(r), u"/data/desk/Sorted/Images"_s);
    r.targetDirectoryPath = u"../Elsewhere"_s;
    QCOMPARE(resolve(r), u"/data/Elsewhere"_s);

    // 3. The base plus the subfolder name, or the rule's name; emptiness is not trimmed.
    r.targetDirectoryPath = u""_s;
    QCOMPARE(resolve(r), u"/data/desk/子目录"_s);
    r.targetDirectoryPath.reset();
    QCOMPARE(resolve(r), u"/data/desk/子目录"_s);
    r.targetSubfolderName.clear();
    QCOMPARE(resolve(r), u"/data/desk/规则"_s);
    r.targetSubfolderName = u" "_s;
    QCOMPARE(resolve(r), u"/data/desk/ "_s);
}

void SmartRulesTest::defaultRules()
{
    const QUuid shots = newUuid();
    const QUuid docs = newUuid();
    const QUuid code = newUuid();
    const QList<SmartRule> rules =
        Engine::defaultRules(shots, docs, code, QUrl::fromLocalFile(u"/data/Demo Desk/"_s));
    QCOMPARE(rules.size(), 5);

    struct Expected {
        qint64 priority;
        QString name;
        QString symbol;
        RuleConditionField field;
        QStringList values;
        std::optional<QUuid> fence;
        QString subfolder;
    };
    using F = RuleConditionField;
    const Expected expected[] = {
        {10, u"截屏自动归档"_s, u"camera.viewfinder"_s, F::fileNameContains, {u"截屏"_s, u"Screenshot"_s, u"Screen Shot"_s}, shots, u"截屏归档"_s},
        {20, u"图片与视觉素材"_s, u"photo.stack.fill"_s, F::fileExtension, {u"png,jpg,jpeg,heic,webp,gif,svg,fig,sketch"_s}, std::nullopt, u"视觉素材"_s},
        {30, u"文档与笔记资料"_s, u"doc.text.fill"_s, F::fileExtension, {u"pdf,md,markdown,txt,rtf,doc,docx,pages,xls,xlsx,ppt,pptx,key"_s}, docs, u"工作文档"_s},
        {40, u"代码与配置文件"_s, u"chevron.left.forwardslash.chevron.right"_s, F::fileExtension, {u"swift,py,ts,tsx,js,jsx,json,yml,yaml,toml,sh,rs,go"_s}, code, u"代码工程"_s},
        {50, u"压缩包与安装包"_s, u"archivebox.fill"_s, F::fileExtension, {u"zip,tar,gz,7z,rar,dmg,pkg,ipa"_s}, std::nullopt, u"压缩归档"_s},
    };
    QSet<QUuid> ids;
    for (qsizetype i = 0; i < rules.size(); ++i) {
        const SmartRule& r = rules.at(i);
        const Expected& e = expected[i];
        QCOMPARE(r.priority, e.priority);
        QCOMPARE(r.name, e.name);
        QCOMPARE(r.symbolName, e.symbol);
        QVERIFY(r.isEnabled);
        QCOMPARE(r.matchMode, RuleMatchMode::any);
        QCOMPARE(r.targetFenceID, e.fence);
        QCOMPARE(r.targetSubfolderName, e.subfolder);
        QCOMPARE(r.targetDirectoryPath, std::optional<QString>(u"/data/Demo Desk/"_s + e.subfolder));
        QCOMPARE(r.conditions.size(), e.values.size());
        ids.insert(r.id);
        for (qsizetype c = 0; c < r.conditions.size(); ++c) {
            QCOMPARE(r.conditions.at(c).field, e.field);
            QCOMPARE(r.conditions.at(c).value, e.values.at(c));
            QVERIFY(!r.conditions.at(c).negated);
            ids.insert(r.conditions.at(c).id);
        }
    }
    QCOMPARE(ids.size(), 5 + 7); // every id fresh
    QVERIFY(!ids.contains(QUuid()));

    // The store's seed: no fences, the demo folder as base.
    const QList<SmartRule> seeded = Engine::defaultRules(std::nullopt, std::nullopt, std::nullopt,
                                                         QUrl::fromLocalFile(u"/"_s));
    QCOMPARE(seeded.at(0).targetDirectoryPath, std::optional<QString>(u"/截屏归档"_s));
    QVERIFY(!seeded.at(0).targetFenceID);
    // Without a base no rule has a path; a plan then uses its base plus the subfolder.
    const QList<SmartRule> bare = Engine::defaultRules(std::nullopt, std::nullopt, std::nullopt, std::nullopt);
    for (const SmartRule& r : bare)
        QVERIFY(!r.targetDirectoryPath);
    QVERIFY(rules.at(0).id != bare.at(0).id);
}

// The default rules over a desktop folder (as the store tidies the demo folder: the source is
// its own base), with one rule for old logs and one that asks for folders.
void SmartRulesTest::dryRunWithDefaultRules()
{
    const QString desk = makeFolder(u"plan-desk"_s);
    const QStringList files{
        u"截屏 2026-01-01.png"_s, // the screenshot rule (10) before the image rule (20)
        u"photo.JPG"_s,
        u"report.pdf"_s,        // its name is taken in 工作文档
        u"script.py"_s,
        u"bundle.zip"_s,
        u"readme"_s,            // no rule
        u"old.log"_s,           // 40 days old
        u"new.log"_s,           // fresh
        u".hidden.png"_s,       // never listed
    };
    for (const QString& name : files)
        QVERIFY(writeFile(desk + u'/' + name, name.toUtf8()));
    QVERIFY(setAge(desk + u"/old.log"_s, 40 * 86400));
    QVERIFY(QDir().mkpath(desk + u"/工作文档"_s));
    QVERIFY(writeFile(desk + u"/工作文档/report.pdf"_s, "older report"));
    QVERIFY(QDir().mkpath(desk + u"/Screenshot folder"_s)); // a folder: the default rules pass it over
    QVERIFY(QDir().mkpath(desk + u"/Project Alpha"_s));

    QList<SmartRule> rules = Engine::defaultRules(std::nullopt, std::nullopt, std::nullopt, std::nullopt);
    const SmartRule logs = rule(u"旧日志"_s, 60, RuleMatchMode::all,
                                {condition(RuleConditionField::fileExtension, u"log"_s),
                                 condition(RuleConditionField::olderThanDays, u"30"_s)},
                                std::nullopt, u"日志"_s);
    const SmartRule projects = rule(u"项目文件夹"_s, 70, RuleMatchMode::all,
                                    {condition(RuleConditionField::isDirectory, u"是"_s),
                                     condition(RuleConditionField::fileNamePrefix, u"project"_s)},
                                    std::nullopt, u"项目"_s);
    rules << logs << projects;

    const QStringList before = treeSnapshot(m_root.path());
    const DryRunMovePlan plan = Engine::buildDryRunPlan(QUrl::fromLocalFile(desk + u"/./"_s), rules, {}, std::nullopt);
    QCOMPARE(treeSnapshot(m_root.path()), before); // a plan only reads

    QCOMPARE(plan.sourceDirectoryPath, desk);
    // Listed: 3 folders and 8 files (not the hidden one).
    QCOMPARE(plan.scannedCount, qint64(11));
    QCOMPARE(plan.scannedCount, plan.matchedMoves.size() + plan.skippedCount);
    // Moved: the screenshot, photo, report, script, bundle, old log and the project folder.
    // Skipped: 工作文档, Screenshot folder, readme, new.log.
    QCOMPARE(plan.matchedMoves.size(), 7);
    QCOMPARE(plan.skippedCount, qint64(4));
    QVERIFY(!plan.isEmpty());
    QVERIFY(plan.generatedAt.isValid());

    // Listing order: folders first, then names.
    QStringList order;
    for (const DryRunMoveItem& item : plan.matchedMoves)
        order.append(item.fileName);
    QStringList expectedOrder;
    const auto listed = Portal::scanDirectory(desk, {Portal::HiddenFiles::Skip, Portal::ExtensionDisplay::Show, QString(), FenceSortMode::nameAsc, {}});
    for (const PortalFileEntry& entry : listed.entries) {
        if (itemNamed(plan, entry.name))
            expectedOrder.append(entry.name);
    }
    QCOMPARE(order, expectedOrder);
    QCOMPARE(order.first(), u"Project Alpha"_s);

    struct Row {
        QString name;
        QString ruleName;
        QString destination;
        bool renamed;
    };
    const Row rows[] = {
        {u"截屏 2026-01-01.png"_s, u"截屏自动归档"_s, desk + u"/截屏归档/截屏 2026-01-01.png"_s, false},
        {u"photo.JPG"_s, u"图片与视觉素材"_s, desk + u"/视觉素材/photo.JPG"_s, false},
        {u"report.pdf"_s, u"文档与笔记资料"_s, desk + u"/工作文档/report 2.pdf"_s, true},
        {u"script.py"_s, u"代码与配置文件"_s, desk + u"/代码工程/script.py"_s, false},
        {u"bundle.zip"_s, u"压缩包与安装包"_s, desk + u"/压缩归档/bundle.zip"_s, false},
        {u"old.log"_s, u"旧日志"_s, desk + u"/日志/old.log"_s, false},
        {u"Project Alpha"_s, u"项目文件夹"_s, desk + u"/项目/Project Alpha"_s, false},
    };
    QSet<QUuid> itemIDs;
    for (const Row& row : rows) {
        const DryRunMoveItem* item = itemNamed(plan, row.name);
        QVERIFY2(item, qPrintable(row.name));
        QCOMPARE(item->ruleName, row.ruleName);
        QCOMPARE(item->sourcePath, desk + u'/' + row.name);
        QCOMPARE(item->proposedDestinationPath, row.destination);
        QCOMPARE(item->willRenameOnConflict, row.renamed);
        itemIDs.insert(item->id);
    }
    QCOMPARE(itemIDs.size(), 7);
    QCOMPARE(itemNamed(plan, u"photo.JPG"_s)->fileSizeBytes, qint64(QByteArray("photo.JPG").size()));
    QCOMPARE(itemNamed(plan, u"Project Alpha"_s)->fileSizeBytes, qint64(0));
    QCOMPARE(itemNamed(plan, u"old.log"_s)->ruleID, logs.id);
    QCOMPARE(itemNamed(plan, u"script.py"_s)->ruleID, rules.at(3).id);
    for (const QString& skipped : {u"readme"_s, u"new.log"_s, u"Screenshot folder"_s, u"工作文档"_s, u".hidden.png"_s})
        QVERIFY2(!itemNamed(plan, skipped), qPrintable(skipped));
}

// A file whose rule sends it to the folder it is in gets no move; and a tidy of a folder that
// earlier tidies filled lists its subfolders but never moves them.
void SmartRulesTest::dryRunFileAlreadyInPlace()
{
    const QString desk = makeFolder(u"inplace-desk"_s);
    QVERIFY(QDir().mkpath(desk + u"/工作文档"_s));
    QVERIFY(writeFile(desk + u"/工作文档/report.pdf"_s, "r"));
    QVERIFY(writeFile(desk + u"/工作文档/logo.png"_s, "p"));
    const QList<SmartRule> rules = Engine::defaultRules(std::nullopt, std::nullopt, std::nullopt, QUrl::fromLocalFile(desk));

    const DryRunMovePlan inside = Engine::buildDryRunPlan(QUrl::fromLocalFile(desk + u"/工作文档"_s), rules, {}, QUrl::fromLocalFile(desk));
    QCOMPARE(inside.scannedCount, qint64(2));
    QCOMPARE(inside.skippedCount, qint64(1));
    QCOMPARE(inside.matchedMoves.size(), 1);
    QCOMPARE(inside.matchedMoves.at(0).proposedDestinationPath, desk + u"/视觉素材/logo.png"_s);

    // The same folder reached through a symlink is still the file's own folder.
    const QString link = m_root.path() + u"/inplace-link"_s;
    QCOMPARE(::symlink(enc(desk).constData(), enc(link).constData()), 0);
    const DryRunMovePlan viaLink = Engine::buildDryRunPlan(QUrl::fromLocalFile(link + u"/工作文档"_s), rules, {}, QUrl::fromLocalFile(desk));
    QCOMPARE(viaLink.skippedCount, qint64(1));
    QCOMPARE(viaLink.matchedMoves.size(), 1);
    QCOMPARE(viaLink.matchedMoves.at(0).fileName, u"logo.png"_s);

    const DryRunMovePlan top = Engine::buildDryRunPlan(QUrl::fromLocalFile(desk), rules, {}, std::nullopt);
    QCOMPARE(top.scannedCount, qint64(1));
    QCOMPARE(top.skippedCount, qint64(1));
    QVERIFY(top.isEmpty());
}

// Every tidy after the first finds its folders there, holding files. A name is taken by
// anything lstat finds under it (a file, a folder, a dangling symlink), through a target folder
// that is a symlink too, and by nothing else: not a name that differs in case on a folder that
// tells case apart, not a near miss, not bytes that are no UTF-8. Executing the plan at once
// finds every proposed name still free.
void SmartRulesTest::dryRunIntoFoldersHoldingNames()
{
    const QString desk = makeFolder(u"held-desk"_s);
    const QString visuals = makeFolder(u"held-desk/视觉素材"_s);
    const QString realDocs = makeFolder(u"held-docs"_s);
    QCOMPARE(::symlink(enc(realDocs).constData(), enc(desk + u"/工作文档"_s).constData()), 0);
    for (const QString& name : {u"a.png"_s, u"a 2.png"_s, u"C.png"_s, u"e.png.bak"_s, u"e"_s, u".e.png"_s})
        QVERIFY(writeFile(visuals + u'/' + name, "earlier"));
    QCOMPARE(::symlink("/nowhere/at/all", enc(visuals + u"/b.png"_s).constData()), 0);
    QVERIFY(QDir().mkpath(visuals + u"/d.png"_s));
    const int raw = ::open(enc(visuals).append("/h\xE9.png").constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    QVERIFY(raw >= 0);
    ::close(raw);
    QVERIFY(writeFile(realDocs + u"/report.pdf"_s, "earlier"));
    QVERIFY(writeFile(realDocs + u"/notes 2.md"_s, "earlier"));

    for (const QString& name : {u"a.png"_s, u"b.png"_s, u"c.png"_s, u"d.png"_s, u"e.png"_s, u"hé.png"_s,
                                u"report.pdf"_s, u"notes.md"_s})
        QVERIFY(writeFile(desk + u'/' + name, name.toUtf8()));

    const QList<SmartRule> rules = Engine::defaultRules(std::nullopt, std::nullopt, std::nullopt, std::nullopt);
    const QStringList before = treeSnapshot(m_root.path());
    const DryRunMovePlan plan = Engine::buildDryRunPlan(QUrl::fromLocalFile(desk), rules, {}, std::nullopt);
    QCOMPARE(treeSnapshot(m_root.path()), before);

    struct Row {
        QString name;
        QString destination;
        bool renamed;
    };
    // Whether this folder finds "c.png" under "C.png" is the file system's to say.
    const bool caseBlind = exists(visuals + u"/c.png"_s);
    const Row rows[] = {
        {u"a.png"_s, visuals + u"/a 3.png"_s, true},
        {u"b.png"_s, visuals + u"/b 2.png"_s, true},
        {u"c.png"_s, visuals + (caseBlind ? u"/c 2.png"_s : u"/c.png"_s), caseBlind},
        {u"d.png"_s, visuals + u"/d 2.png"_s, true},
        {u"e.png"_s, visuals + u"/e.png"_s, false},
        {u"hé.png"_s, visuals + u"/hé.png"_s, false},
        {u"report.pdf"_s, desk + u"/工作文档/report 2.pdf"_s, true},
        {u"notes.md"_s, desk + u"/工作文档/notes.md"_s, false},
    };
    QCOMPARE(plan.matchedMoves.size(), qsizetype(std::size(rows)));
    for (const Row& row : rows) {
        const DryRunMoveItem* item = itemNamed(plan, row.name);
        QVERIFY2(item, qPrintable(row.name));
        QCOMPARE(item->proposedDestinationPath, row.destination);
        QCOMPARE(item->willRenameOnConflict, row.renamed);
    }

    const Portal::MoveResult result = Engine::executePlan(plan);
    QVERIFY(result.ok());
    QCOMPARE(result.value().transaction.moves.size(), plan.matchedMoves.size());
    for (const MovedFilePair& moved : result.value().transaction.moves) {
        const auto planned = std::find_if(plan.matchedMoves.cbegin(), plan.matchedMoves.cend(),
                                          [&](const DryRunMoveItem& item) { return item.sourcePath == moved.originalPath; });
        QVERIFY(planned != plan.matchedMoves.cend());
        QCOMPARE(moved.destinationPath, planned->proposedDestinationPath);
        QCOMPARE(readFile(moved.destinationPath), moved.originalPath.section(u'/', -1).toUtf8());
    }
    QCOMPARE(readFile(visuals + u"/a.png"_s), QByteArray("earlier"));
    QCOMPARE(readFile(realDocs + u"/report.pdf"_s), QByteArray("earlier"));
}

// Enabled rules by ascending priority, equal priorities in list order; disabled and
// condition-less rules are never tried.
void SmartRulesTest::dryRunRuleOrder()
{
    const QString desk = makeFolder(u"order-desk"_s);
    QVERIFY(writeFile(desk + u"/a.txt"_s, "a"));
    const RuleCondition txt = condition(RuleConditionField::fileExtension, u"txt"_s);

    SmartRule disabled = rule(u"off"_s, -100, RuleMatchMode::any, {txt});
    disabled.isEnabled = false;
    const SmartRule empty = rule(u"empty"_s, -50, RuleMatchMode::all, {});
    const SmartRule high = rule(u"high"_s, 5, RuleMatchMode::any, {txt});
    const SmartRule tieFirst = rule(u"tie first"_s, 1, RuleMatchMode::any, {txt});
    const SmartRule tieSecond = rule(u"tie second"_s, 1, RuleMatchMode::any, {txt});

    const DryRunMovePlan plan = Engine::buildDryRunPlan(QUrl::fromLocalFile(desk), {high, disabled, empty, tieFirst, tieSecond}, {}, std::nullopt);
    QCOMPARE(plan.matchedMoves.size(), 1);
    QCOMPARE(plan.matchedMoves.at(0).ruleID, tieFirst.id);
    QCOMPARE(plan.matchedMoves.at(0).proposedDestinationPath, desk + u"/tie first/a.txt"_s);

    const DryRunMovePlan swapped = Engine::buildDryRunPlan(QUrl::fromLocalFile(desk), {tieSecond, high, tieFirst}, {}, std::nullopt);
    QCOMPARE(swapped.matchedMoves.at(0).ruleID, tieSecond.id);

    const DryRunMovePlan none = Engine::buildDryRunPlan(QUrl::fromLocalFile(desk), {disabled, empty}, {}, std::nullopt);
    QCOMPARE(none.skippedCount, qint64(1));
    QVERIFY(none.isEmpty());
}

// Nothing there, a regular file, a relative path (never the working folder) and a URL that is
// no local file give a plan with nothing scanned.
void SmartRulesTest::dryRunEmptySources()
{
    const QString file = m_root.path() + u"/plain-file"_s;
    QVERIFY(writeFile(file, "x"));
    const QList<SmartRule> rules = Engine::defaultRules(std::nullopt, std::nullopt, std::nullopt, std::nullopt);
    const QUrl sources[] = {
        QUrl::fromLocalFile(m_root.path() + u"/nothing-here"_s),
        QUrl::fromLocalFile(file),
        QUrl(u"."_s),
        QUrl(u"https://example.com/desk"_s),
    };
    for (const QUrl& source : sources) {
        const DryRunMovePlan plan = Engine::buildDryRunPlan(source, rules, {}, std::nullopt);
        QCOMPARE(plan.scannedCount, qint64(0));
        QCOMPARE(plan.skippedCount, qint64(0));
        QVERIFY(plan.isEmpty());
    }
}

// Between planning and executing, one proposed destination is taken and one source goes
// away. The taken one gets a fresh name from the source's own name, the gone one is passed
// over, and undo puts back exactly what moved.
void SmartRulesTest::executeAfterChangesThenUndo()
{
    const QString desk = makeFolder(u"exec-desk"_s);
    for (const QString& name : {u"report.pdf"_s, u"photo.png"_s, u"bundle.zip"_s, u"script.py"_s})
        QVERIFY(writeFile(desk + u'/' + name, "content of " + name.toUtf8()));
    QVERIFY(QDir().mkpath(desk + u"/工作文档"_s));
    QVERIFY(writeFile(desk + u"/工作文档/report.pdf"_s, "older report"));

    const QList<SmartRule> rules = Engine::defaultRules(std::nullopt, std::nullopt, std::nullopt, QUrl::fromLocalFile(desk));
    const DryRunMovePlan plan = Engine::buildDryRunPlan(QUrl::fromLocalFile(desk), rules, {}, std::nullopt);
    QCOMPARE(plan.matchedMoves.size(), 4);
    QCOMPARE(itemNamed(plan, u"report.pdf"_s)->proposedDestinationPath, desk + u"/工作文档/report 2.pdf"_s);

    QVERIFY(writeFile(desk + u"/工作文档/report 2.pdf"_s, "taken meanwhile"));
    QVERIFY(QFile::remove(desk + u"/bundle.zip"_s));

    const Portal::MoveResult result = Engine::executePlan(plan);
    QVERIFY2(result.ok(), result.ok() ? "" : qPrintable(describe(result.error().error)));
    const UndoTransaction& transaction = result.value().transaction;
    QCOMPARE(transaction.label, u"智能整理 3 个项目"_s);
    QVERIFY(!transaction.id.isNull());
    QVERIFY(transaction.timestamp.isValid());

    // In plan order; the taken name became "report 3.pdf" (from "report.pdf", not "report 2 2.pdf").
    QList<MovedFilePair> expected;
    for (const DryRunMoveItem& item : plan.matchedMoves) {
        if (item.fileName == u"bundle.zip")
            continue;
        const QString destination = item.fileName == u"report.pdf" ? desk + u"/工作文档/report 3.pdf"_s
                                                                   : item.proposedDestinationPath;
        expected.append(MovedFilePair{item.sourcePath, destination});
    }
    QCOMPARE(transaction.moves, expected);
    QCOMPARE(result.value().identities.size(), 3);
    for (qsizetype i = 0; i < expected.size(); ++i) {
        const MovedFilePair& pair = expected.at(i);
        QVERIFY(!exists(pair.originalPath));
        QCOMPARE(readFile(pair.destinationPath), "content of " + QFileInfo(pair.originalPath).fileName().toUtf8());
        QCOMPARE(Portal::fileIdentity(pair.destinationPath), std::optional(result.value().identities.at(i)));
    }
    QCOMPARE(readFile(desk + u"/工作文档/report 2.pdf"_s), QByteArray("taken meanwhile"));
    QVERIFY(!exists(desk + u"/压缩归档"_s)); // nothing was made for the source that went

    const Portal::MoveResult undone = Portal::undoTransaction(transaction);
    QVERIFY2(undone.ok(), undone.ok() ? "" : qPrintable(describe(undone.error().error)));
    QCOMPARE(undone.value().transaction.moves.size(), 3);
    for (const MovedFilePair& pair : expected) {
        QVERIFY(!exists(pair.destinationPath));
        QCOMPARE(readFile(pair.originalPath), "content of " + QFileInfo(pair.originalPath).fileName().toUtf8());
    }
    QCOMPARE(readFile(desk + u"/工作文档/report.pdf"_s), QByteArray("older report"));
    QCOMPARE(readFile(desk + u"/工作文档/report 2.pdf"_s), QByteArray("taken meanwhile"));
}

// An empty plan, and a plan whose sources have all gone, move nothing and say so.
void SmartRulesTest::executeNothingToMove()
{
    const Portal::MoveResult empty = Engine::executePlan(DryRunMovePlan{});
    QVERIFY(!empty.ok());
    QCOMPARE(describe(empty.error().error), u"没有需要移动的文件。"_s);
    QVERIFY(empty.error().completed.transaction.moves.isEmpty());

    const QString desk = makeFolder(u"gone-desk"_s);
    QVERIFY(writeFile(desk + u"/a.txt"_s, "a"));
    QVERIFY(writeFile(desk + u"/b.md"_s, "b"));
    const DryRunMovePlan plan = Engine::buildDryRunPlan(
        QUrl::fromLocalFile(desk), Engine::defaultRules(std::nullopt, std::nullopt, std::nullopt, std::nullopt), {}, std::nullopt);
    QCOMPARE(plan.matchedMoves.size(), 2);
    QVERIFY(QFile::remove(desk + u"/a.txt"_s));
    QVERIFY(QFile::remove(desk + u"/b.md"_s));

    const Portal::MoveResult gone = Engine::executePlan(plan);
    QVERIFY(!gone.ok());
    const auto* refusal = std::get_if<Portal::PortalOperationError>(&gone.error().error);
    QVERIFY(refusal);
    QCOMPARE(refusal->kind, Portal::PortalOperationError::Kind::nothingMoved);
    QVERIFY(!exists(desk + u"/工作文档"_s));
}

// A destination folder that cannot be made ends the execution at its item: the error comes
// back with the moves made before it, which can still be undone; later items are not tried.
void SmartRulesTest::executeFailurePartWayKeepsRecord()
{
    const QString desk = makeFolder(u"fail-desk"_s);
    for (const QString& name : {u"a.txt"_s, u"b.dat"_s, u"c.txt"_s})
        QVERIFY(writeFile(desk + u'/' + name, name.toUtf8()));
    const QString blocker = m_root.path() + u"/fail-blocker"_s;
    QVERIFY(writeFile(blocker, "a regular file, not a folder"));
    const QString good = m_root.path() + u"/fail-good"_s;

    const QList<SmartRule> rules{
        rule(u"text"_s, 1, RuleMatchMode::any, {condition(RuleConditionField::fileExtension, u"txt"_s)}, good),
        rule(u"data"_s, 2, RuleMatchMode::any, {condition(RuleConditionField::fileExtension, u"dat"_s)}, blocker + u"/sub"_s),
    };
    const DryRunMovePlan plan = Engine::buildDryRunPlan(QUrl::fromLocalFile(desk), rules, {}, std::nullopt);
    QCOMPARE(plan.matchedMoves.size(), 3);
    QCOMPARE(plan.matchedMoves.at(1).fileName, u"b.dat"_s);

    const Portal::MoveResult result = Engine::executePlan(plan);
    QVERIFY(!result.ok());
    const auto* fileError = std::get_if<Portal::FileSystemError>(&result.error().error);
    QVERIFY(fileError);
    QCOMPARE(fileError->operation, Portal::FileOperation::createFolder);
    QCOMPARE(fileError->path, blocker + u"/sub"_s);
    QVERIFY(describe(result.error().error).startsWith(u"无法创建文件夹“"_s));

    const UndoTransaction& partial = result.error().completed.transaction;
    QCOMPARE(partial.label, u"智能整理 1 个项目"_s);
    QCOMPARE(partial.moves, (QList<MovedFilePair>{{desk + u"/a.txt"_s, good + u"/a.txt"_s}}));
    QCOMPARE(result.error().completed.identities.size(), 1);
    QVERIFY(exists(good + u"/a.txt"_s));
    QVERIFY(exists(desk + u"/b.dat"_s));
    QVERIFY(exists(desk + u"/c.txt"_s)); // not tried

    const Portal::MoveResult undone = Portal::undoTransaction(partial);
    QVERIFY(undone.ok());
    QCOMPARE(readFile(desk + u"/a.txt"_s), QByteArray("a.txt"));
}

// The safe move itself failing part-way (here a conflict name that grows past the file
// system's name limit) and a destination folder replaced by a file both end the execution
// with the moves made so far.
void SmartRulesTest::executeMoveRefusedPartWay()
{
    const QString desk = makeFolder(u"refused-desk"_s);
    const QString sorted = m_root.path() + u"/refused-sorted"_s;
    const QString longName = QString(250, u'n') + u".txt"_s; // 254 bytes: " 2" makes it too long
    for (const QString& name : {u"a.txt"_s, longName, u"z.txt"_s})
        QVERIFY(writeFile(desk + u'/' + name, name.toUtf8()));
    const QList<SmartRule> rules{
        rule(u"text"_s, 1, RuleMatchMode::any, {condition(RuleConditionField::fileExtension, u"txt"_s)}, sorted)};
    const DryRunMovePlan plan = Engine::buildDryRunPlan(QUrl::fromLocalFile(desk), rules, {}, std::nullopt);
    QCOMPARE(plan.matchedMoves.size(), 3);
    QCOMPARE(plan.matchedMoves.at(1).fileName, longName);

    QVERIFY(QDir().mkpath(sorted));
    QVERIFY(writeFile(sorted + u'/' + longName, "taken meanwhile"));
    const Portal::MoveResult result = Engine::executePlan(plan);
    QVERIFY(!result.ok());
    const auto* fileError = std::get_if<Portal::FileSystemError>(&result.error().error);
    QVERIFY(fileError);
    QCOMPARE(fileError->operation, Portal::FileOperation::move);
    QCOMPARE(fileError->code, ENAMETOOLONG);
    QCOMPARE(result.error().completed.transaction.label, u"智能整理 1 个项目"_s);
    QCOMPARE(result.error().completed.transaction.moves,
             (QList<MovedFilePair>{{desk + u"/a.txt"_s, sorted + u"/a.txt"_s}}));
    QVERIFY(exists(desk + u'/' + longName));
    QVERIFY(exists(desk + u"/z.txt"_s));
    QVERIFY(!exists(sorted + u"/z.txt"_s));

    // The destination folder became a file after planning.
    const QString desk2 = makeFolder(u"refused-desk2"_s);
    const QString target = m_root.path() + u"/refused-target"_s;
    QVERIFY(writeFile(desk2 + u"/b.txt"_s, "b"));
    const DryRunMovePlan second = Engine::buildDryRunPlan(
        QUrl::fromLocalFile(desk2), {rule(u"text"_s, 1, RuleMatchMode::any, {condition(RuleConditionField::fileExtension, u"txt"_s)}, target)},
        {}, std::nullopt);
    QCOMPARE(second.matchedMoves.size(), 1);
    QVERIFY(writeFile(target, "not a folder"));
    const Portal::MoveResult blocked = Engine::executePlan(second);
    QVERIFY(!blocked.ok());
    QCOMPARE(describe(blocked.error().error), u"目标路径不是有效文件夹："_s + target);
    QVERIFY(blocked.error().completed.transaction.moves.isEmpty());
    QCOMPARE(readFile(desk2 + u"/b.txt"_s), QByteArray("b"));
}

// A rule that asks for folders and sends them below themselves: the plan skips such a folder
// (also when the destination is reached through a symlink), and a plan that holds one anyway
// is refused before anything moves.
void SmartRulesTest::folderIntoItself()
{
    const QString desk = makeFolder(u"self-desk"_s);
    QVERIFY(QDir().mkpath(desk + u"/Box"_s));
    QVERIFY(writeFile(desk + u"/Box/inside.txt"_s, "i"));
    QVERIFY(writeFile(desk + u"/loose.txt"_s, "l"));
    const QString link = m_root.path() + u"/self-link"_s;
    QCOMPARE(::symlink(enc(desk + u"/Box"_s).constData(), enc(link).constData()), 0);

    const RuleCondition folders = condition(RuleConditionField::isDirectory, u"1"_s);
    for (const QString& target : {desk + u"/Box"_s, desk + u"/Box/Inner"_s, link + u"/Inner"_s}) {
        const DryRunMovePlan plan = Engine::buildDryRunPlan(
            QUrl::fromLocalFile(desk), {rule(u"folders"_s, 0, RuleMatchMode::all, {folders}, target)}, {}, std::nullopt);
        QCOMPARE(plan.scannedCount, qint64(2));
        QCOMPARE(plan.skippedCount, qint64(2));
        QVERIFY2(plan.isEmpty(), qPrintable(target));
    }
    // A sibling whose name merely begins with the folder's is no subfolder.
    const DryRunMovePlan sibling = Engine::buildDryRunPlan(
        QUrl::fromLocalFile(desk), {rule(u"folders"_s, 0, RuleMatchMode::all, {folders}, desk + u"/Box2"_s)}, {}, std::nullopt);
    QCOMPARE(sibling.matchedMoves.size(), 1);

    DryRunMovePlan handMade;
    handMade.sourceDirectoryPath = desk;
    handMade.matchedMoves = {
        DryRunMoveItem{newUuid(), newUuid(), u"r"_s, desk + u"/loose.txt"_s, desk + u"/Sorted/loose.txt"_s, u"loose.txt"_s, 1, false},
        DryRunMoveItem{newUuid(), newUuid(), u"r"_s, desk + u"/Box"_s, link + u"/Inner/Box"_s, u"Box"_s, 0, false},
    };
    handMade.scannedCount = 2;
    const QStringList before = treeSnapshot(desk);
    const Portal::MoveResult refused = Engine::executePlan(handMade);
    QVERIFY(!refused.ok());
    QCOMPARE(describe(refused.error().error), u"不能将文件夹“Box”移动到其自身或子目录中。"_s);
    QVERIFY(refused.error().completed.transaction.moves.isEmpty());
    QCOMPARE(treeSnapshot(desk), before);
}

// "~/Sorted" is the home folder's Sorted, and a relative path lies below the plan's base
// folder; neither makes a folder named "~" or anything below the working folder.
void SmartRulesTest::tildeAndRelativeTargets()
{
    const QString desk = makeFolder(u"tilde-desk"_s);
    const QString base = makeFolder(u"tilde-base"_s);
    QVERIFY(writeFile(desk + u"/a.txt"_s, "a"));
    QVERIFY(writeFile(desk + u"/b.md"_s, "b"));
    const QList<SmartRule> rules{
        rule(u"home"_s, 1, RuleMatchMode::any, {condition(RuleConditionField::fileExtension, u"txt"_s)}, u"~/Sorted"_s),
        rule(u"relative"_s, 2, RuleMatchMode::any, {condition(RuleConditionField::fileExtension, u"md"_s)}, u"Sorted/Notes"_s),
    };
    const DryRunMovePlan plan = Engine::buildDryRunPlan(QUrl::fromLocalFile(desk), rules, {}, QUrl::fromLocalFile(base));
    QCOMPARE(plan.matchedMoves.size(), 2);
    QCOMPARE(itemNamed(plan, u"a.txt"_s)->proposedDestinationPath, m_home + u"/Sorted/a.txt"_s);
    QCOMPARE(itemNamed(plan, u"b.md"_s)->proposedDestinationPath, base + u"/Sorted/Notes/b.md"_s);

    // Without a base folder the source is the base.
    const DryRunMovePlan ownBase = Engine::buildDryRunPlan(QUrl::fromLocalFile(desk), rules, {}, std::nullopt);
    QCOMPARE(itemNamed(ownBase, u"b.md"_s)->proposedDestinationPath, desk + u"/Sorted/Notes/b.md"_s);

    // A base folder that is itself relative gives no starting point: such moves are skipped.
    const DryRunMovePlan relativeBase = Engine::buildDryRunPlan(QUrl::fromLocalFile(desk), rules, {}, QUrl(u"relative/base"_s));
    QCOMPARE(relativeBase.matchedMoves.size(), 1);
    QCOMPARE(relativeBase.matchedMoves.at(0).fileName, u"a.txt"_s);
    QCOMPARE(relativeBase.skippedCount, qint64(1));

    const Portal::MoveResult result = Engine::executePlan(plan);
    QVERIFY(result.ok());
    QCOMPARE(readFile(m_home + u"/Sorted/a.txt"_s), QByteArray("a"));
    QCOMPARE(readFile(base + u"/Sorted/Notes/b.md"_s), QByteArray("b"));
    QVERIFY(!exists(QDir::currentPath() + u"/~"_s));
    QVERIFY(!exists(QDir::currentPath() + u"/Sorted"_s));
    QVERIFY(!exists(desk + u"/~"_s));
}

QTEST_GUILESS_MAIN(SmartRulesTest)
#include "tst_smartrules.moc"
