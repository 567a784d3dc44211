// QtTest first: moc reads this file with C++17 predefines and stumbles on <concepts> otherwise.
#include <QtTest>

#include "core/engine/PortalMoves.h"

#include <QFile>
#include <QTemporaryDir>

#include <cerrno>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace mv;
using namespace Qt::StringLiterals;
using namespace mv::FolderPortalEngine;

namespace {

QByteArray enc(const QString& path)
{
    return QFile::encodeName(path);
}

void writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    QCOMPARE(file.write(content), content.size());
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return file.readAll();
}

void makeFolder(const QString& path)
{
    QVERIFY2(QDir().mkpath(path), qPrintable(path));
}

void makeSymlink(const QString& target, const QString& path)
{
    QCOMPARE(::symlink(enc(target).constData(), enc(path).constData()), 0);
}

bool exists(const QString& path)
{
    struct stat st;
    return ::lstat(enc(path).constData(), &st) == 0;
}

bool isSymlink(const QString& path)
{
    struct stat st;
    return ::lstat(enc(path).constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

QString linkTarget(const QString& path)
{
    char buffer[4096];
    const ssize_t length = ::readlink(enc(path).constData(), buffer, sizeof buffer);
    return length < 0 ? QString() : QFile::decodeName(QByteArray(buffer, length));
}

struct stat statOf(const QString& path)
{
    struct stat st{};
    ::lstat(enc(path).constData(), &st);
    return st;
}

void setTimes(const QString& path, qint64 accessSeconds, qint64 modifiedSeconds, long nanoseconds)
{
    const timespec times[2] = {{time_t(accessSeconds), nanoseconds}, {time_t(modifiedSeconds), nanoseconds}};
    QCOMPARE(::utimensat(AT_FDCWD, enc(path).constData(), times, AT_SYMLINK_NOFOLLOW), 0);
}

QList<QUrl> urls(const QStringList& paths)
{
    QList<QUrl> result;
    for (const QString& path : paths)
        result.append(QUrl::fromLocalFile(path));
    return result;
}

const PortalOperationError* portalError(const MoveFailure& failure)
{
    return std::get_if<PortalOperationError>(&failure.error);
}

const FileSystemError* fileError(const MoveFailure& failure)
{
    return std::get_if<FileSystemError>(&failure.error);
}

QString describe(const MoveResult& result)
{
    return result.ok() ? QStringLiteral("ok") : errorDescription(result.error().error);
}

} // namespace

class PortalMovesTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void uniqueName_data();
    void uniqueName();
    void reservedNamesAcrossOneBatch();
    void errorTexts();
    void batchLabels();
    void intoItself_data();
    void intoItself();
    void safeMoveRefusesFolderIntoItself();
    void fileAlreadyInPlace();
    void destinationChecks();
    void missingRepeatedAndForeignSourcesSkipped();
    void danglingSymlinkHoldsName();
    void crossDeviceKeepsTimesPermissionsAndSymlinks();
    void crossDeviceFailedCopyLeavesSourceUntouched();
    void undoAfterOriginalPlaceTaken();
    void undoRestoresLastMovedFirstAndRecreatesFolders();
    void undoOfVanishedFiles();
    void partialBatchStillUndoes();
    void partialUndoStillRedoes();
    void renameNeverReplaces_data();
    void renameNeverReplaces();
};

void PortalMovesTest::uniqueName_data()
{
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QStringList>("reserved");
    QTest::addColumn<QString>("preferred");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("didRename");

    // The first free of name, "base 2.ext", "base 3.ext"...; the extension follows the last
    // dot unless that dot begins or ends the name, and keeps its letter case; names given
    // out earlier in the batch (reserved) count as taken.
    QTest::newRow("free name kept") << QStringList() << QStringList() << "a.txt" << "a.txt" << false;
    QTest::newRow("a and a 2 taken") << QStringList{u"a.txt"_s, u"a 2.txt"_s} << QStringList() << "a.txt"
                                     << "a 3.txt" << true;
    QTest::newRow("bundle folder") << QStringList{u"Photos.app/"_s} << QStringList() << "Photos.app"
                                   << "Photos 2.app" << true;
    QTest::newRow("bundle 2 taken too") << QStringList{u"Photos.app/"_s, u"Photos 2.app/"_s} << QStringList()
                                        << "Photos.app" << "Photos 3.app" << true;
    QTest::newRow("Photos 2.app itself") << QStringList{u"Photos 2.app/"_s} << QStringList() << "Photos 2.app"
                                         << "Photos 2 2.app" << true;
    QTest::newRow("no extension") << QStringList{u"Makefile"_s} << QStringList() << "Makefile"
                                  << "Makefile 2" << true;
    QTest::newRow("folder without extension") << QStringList{u"Assets/"_s} << QStringList() << "Assets"
                                              << "Assets 2" << true;
    QTest::newRow("dot file") << QStringList{u".bashrc"_s} << QStringList() << ".bashrc" << ".bashrc 2" << true;
    QTest::newRow("dot file with extension") << QStringList{u".config.json"_s} << QStringList() << ".config.json"
                                             << ".config 2.json" << true;
    QTest::newRow("two dots") << QStringList{u"archive.tar.gz"_s} << QStringList() << "archive.tar.gz"
                              << "archive.tar 2.gz" << true;
    QTest::newRow("trailing dot") << QStringList{u"file."_s} << QStringList() << "file." << "file. 2" << true;
    QTest::newRow("upper-case extension") << QStringList{u"报告.PDF"_s} << QStringList() << "报告.PDF"
                                          << "报告 2.PDF" << true;
    QTest::newRow("dangling symlink holds it") << QStringList{u"link.txt@"_s} << QStringList() << "link.txt"
                                               << "link 2.txt" << true;
    QTest::newRow("reserved only") << QStringList() << QStringList{u"notes.md"_s} << "notes.md"
                                   << "notes 2.md" << true;
    QTest::newRow("reserved and on disk") << QStringList{u"notes.md"_s} << QStringList{u"notes 2.md"_s}
                                          << "notes.md" << "notes 3.md" << true;
}

void PortalMovesTest::uniqueName()
{
    QFETCH(QStringList, existing);
    QFETCH(QStringList, reserved);
    QFETCH(QString, preferred);
    QFETCH(QString, expected);
    QFETCH(bool, didRename);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // "name/" is a folder, "name@" a dangling symlink, anything else a file.
    for (const QString& entry : existing) {
        if (entry.endsWith(u'/'))
            makeFolder(dir.filePath(entry.chopped(1)));
        else if (entry.endsWith(u'@'))
            makeSymlink(dir.filePath(QStringLiteral("nowhere")), dir.filePath(entry.chopped(1)));
        else
            writeFile(dir.filePath(entry), "x");
    }
    QSet<QString> reservedPaths;
    for (const QString& name : reserved)
        reservedPaths.insert(dir.filePath(name));

    const UniqueDestination result = uniqueDestinationURL(QUrl::fromLocalFile(dir.path()), preferred, reservedPaths);
    QCOMPARE(result.url.toLocalFile(), dir.filePath(expected));
    QCOMPARE(result.didRename, didRename);
    QVERIFY(reservedPaths.contains(dir.filePath(expected)));
    QVERIFY(!exists(dir.filePath(expected)));
}

void PortalMovesTest::reservedNamesAcrossOneBatch()
{
    // Two notes.md from different folders land as notes.md and notes 2.md, though neither
    // existed in the target before.
    QTemporaryDir dir;
    const QString one = dir.filePath(u"one/notes.md"_s);
    const QString two = dir.filePath(u"two/notes.md"_s);
    makeFolder(dir.filePath(u"one"_s));
    makeFolder(dir.filePath(u"two"_s));
    writeFile(one, "first");
    writeFile(two, "second");
    const QString target = dir.filePath(u"target"_s);

    const MoveResult result = moveFiles(urls({one, two}), QUrl::fromLocalFile(target));
    QVERIFY2(result.ok(), qPrintable(describe(result)));
    const auto& moves = result.value().transaction.moves;
    QCOMPARE(moves.size(), 2);
    QCOMPARE(moves[0], (MovedFilePair{one, target + u"/notes.md"_s}));
    QCOMPARE(moves[1], (MovedFilePair{two, target + u"/notes 2.md"_s}));
    QCOMPARE(readFile(target + u"/notes.md"_s), QByteArray("first"));
    QCOMPARE(readFile(target + u"/notes 2.md"_s), QByteArray("second"));
    // A rename keeps the file itself: the identity at the destination is the same inode.
    QCOMPARE(result.value().identities.size(), 2);
    QCOMPARE(result.value().identities[1], *fileIdentity(target + u"/notes 2.md"_s));
}

void PortalMovesTest::errorTexts()
{
    QCOMPARE(PortalOperationError::destinationNotDirectory(QStringLiteral("/x/a.txt")).errorDescription(),
             QStringLiteral("目标路径不是有效文件夹：/x/a.txt"));
    QCOMPARE(PortalOperationError::cannotMoveDirectoryIntoSelf(QStringLiteral("Work")).errorDescription(),
             QStringLiteral("不能将文件夹“Work”移动到其自身或子目录中。"));
    QCOMPARE(PortalOperationError::nothingMoved().errorDescription(), QStringLiteral("没有需要移动的文件。"));
    QCOMPARE(errorDescription(MoveError(FileSystemError{FileOperation::move, EACCES, QStringLiteral("/x/a")})),
             QStringLiteral("无法移动“/x/a”：权限不足。"));
    QCOMPARE(errorDescription(MoveError(FileSystemError{FileOperation::removeSource, EROFS, QStringLiteral("/m/a")})),
             QStringLiteral("已复制到目标位置，但无法删除原项目“/m/a”：文件系统是只读的。"));
}

void PortalMovesTest::batchLabels()
{
    QTemporaryDir dir;
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"})
        writeFile(dir.filePath(QString::fromUtf8(name)), name);

    const MoveResult one = moveFiles(urls({dir.filePath(u"a.txt"_s)}), QUrl::fromLocalFile(dir.filePath(u"下载"_s)));
    QVERIFY2(one.ok(), qPrintable(describe(one)));
    QCOMPARE(one.value().transaction.label, QStringLiteral("移动 a.txt"));
    QVERIFY(!one.value().transaction.id.isNull());
    QVERIFY(one.value().transaction.timestamp.isValid());

    const MoveResult two = moveFiles(urls({dir.filePath(u"b.txt"_s), dir.filePath(u"c.txt"_s)}),
                                     QUrl::fromLocalFile(dir.filePath(u"下载"_s)));
    QVERIFY2(two.ok(), qPrintable(describe(two)));
    QCOMPARE(two.value().transaction.label, QStringLiteral("移动 2 个项目到 下载"));
    QVERIFY(two.value().transaction.id != one.value().transaction.id);

    const MoveResult given = moveFiles(urls({dir.filePath(u"d.txt"_s)}), QUrl::fromLocalFile(dir.filePath(u"下载"_s)),
                                       QStringLiteral("整理"));
    QVERIFY2(given.ok(), qPrintable(describe(given)));
    QCOMPARE(given.value().transaction.label, QStringLiteral("整理"));
}

void PortalMovesTest::intoItself_data()
{
    QTest::addColumn<QString>("destination");
    QTest::addColumn<bool>("refused");

    // A folder may go neither into itself nor anywhere below itself, however the destination
    // is spelt (symlinks, "..", a subfolder that does not exist yet); a destination that only
    // shares a prefix of the name is another folder.
    QTest::newRow("into itself") << "Work" << true;
    QTest::newRow("into its child") << "Work/Sub" << true;
    QTest::newRow("into a missing grandchild") << "Work/Sub/New/Deeper" << true;
    QTest::newRow("through a symlink") << "link/Sub" << true;
    QTest::newRow("with dot-dot") << "Workshop/../Work/Sub" << true;
    QTest::newRow("shared prefix") << "Workshop" << false;
    QTest::newRow("missing, shared prefix") << "Work2/New" << false;
}

void PortalMovesTest::intoItself()
{
    QFETCH(QString, destination);
    QFETCH(bool, refused);

    QTemporaryDir dir;
    makeFolder(dir.filePath(u"Work/Sub"_s));
    makeFolder(dir.filePath(u"Workshop"_s));
    makeSymlink(dir.filePath(u"Work"_s), dir.filePath(u"link"_s));
    writeFile(dir.filePath(u"Work/plan.txt"_s), "plan");
    writeFile(dir.filePath(u"loose.txt"_s), "loose");

    // The loose file comes first: a refusal must leave it where it was.
    const MoveResult result = moveFiles(urls({dir.filePath(u"loose.txt"_s), dir.filePath(u"Work"_s)}),
                                        QUrl::fromLocalFile(dir.path() + u'/' + destination));
    if (refused) {
        QVERIFY(!result.ok());
        const PortalOperationError* error = portalError(result.error());
        QVERIFY2(error, qPrintable(describe(result)));
        QCOMPARE(error->kind, PortalOperationError::Kind::cannotMoveDirectoryIntoSelf);
        QCOMPARE(error->errorDescription(), QStringLiteral("不能将文件夹“Work”移动到其自身或子目录中。"));
        QVERIFY(result.error().completed.transaction.moves.isEmpty());
        QCOMPARE(readFile(dir.filePath(u"loose.txt"_s)), QByteArray("loose"));
        QCOMPARE(readFile(dir.filePath(u"Work/plan.txt"_s)), QByteArray("plan"));
        QVERIFY(!exists(dir.filePath(u"Work/Sub/New"_s)));
    } else {
        QVERIFY2(result.ok(), qPrintable(describe(result)));
        const QString target = QDir::cleanPath(dir.path() + u'/' + destination);
        QCOMPARE(result.value().transaction.moves.size(), 2);
        QCOMPARE(readFile(target + u"/Work/plan.txt"_s), QByteArray("plan"));
        QCOMPARE(readFile(target + u"/loose.txt"_s), QByteArray("loose"));
        QVERIFY(!exists(dir.filePath(u"Work"_s)));
    }
}

void PortalMovesTest::safeMoveRefusesFolderIntoItself()
{
    // The single move is used on its own by the smart tidy, without the batch's checks.
    QTemporaryDir dir;
    makeFolder(dir.filePath(u"Work/Sub"_s));
    const auto result = performSafeMove(QUrl::fromLocalFile(dir.filePath(u"Work"_s)),
                                        QUrl::fromLocalFile(dir.filePath(u"Work/Sub/Work"_s)));
    QVERIFY(!result.ok());
    QCOMPARE(errorDescription(result.error()), QStringLiteral("不能将文件夹“Work”移动到其自身或子目录中。"));
    QVERIFY(exists(dir.filePath(u"Work/Sub"_s)));
    QVERIFY(!exists(dir.filePath(u"Work/Sub/Work"_s)));
}

void PortalMovesTest::fileAlreadyInPlace()
{
    QTemporaryDir dir;
    makeFolder(dir.filePath(u"portal"_s));
    makeFolder(dir.filePath(u"other"_s));
    writeFile(dir.filePath(u"portal/a.txt"_s), "here");
    writeFile(dir.filePath(u"other/b.txt"_s), "there");
    makeSymlink(dir.filePath(u"portal"_s), dir.filePath(u"alias"_s));

    // Alone, a file already in the portal is nothing to move.
    const MoveResult alone = moveFiles(urls({dir.filePath(u"portal/a.txt"_s)}), QUrl::fromLocalFile(dir.filePath(u"portal"_s)));
    QVERIFY(!alone.ok());
    QCOMPARE(errorDescription(alone.error().error), QStringLiteral("没有需要移动的文件。"));

    // Reached through a symlinked path it is still in place, and is not renamed beside itself.
    const MoveResult aliased = moveFiles(urls({dir.filePath(u"alias/a.txt"_s)}), QUrl::fromLocalFile(dir.filePath(u"portal"_s)));
    QVERIFY(!aliased.ok());
    QVERIFY(portalError(aliased.error()));
    QCOMPARE(portalError(aliased.error())->kind, PortalOperationError::Kind::nothingMoved);

    // Beside a file that does move, it is skipped.
    const MoveResult mixed = moveFiles(urls({dir.filePath(u"portal/a.txt"_s), dir.filePath(u"other/b.txt"_s)}),
                                       QUrl::fromLocalFile(dir.filePath(u"portal"_s)));
    QVERIFY2(mixed.ok(), qPrintable(describe(mixed)));
    QCOMPARE(mixed.value().transaction.moves,
             (QList<MovedFilePair>{{dir.filePath(u"other/b.txt"_s), dir.filePath(u"portal/b.txt"_s)}}));
    QCOMPARE(mixed.value().transaction.label, QStringLiteral("移动 b.txt"));
    QCOMPARE(readFile(dir.filePath(u"portal/a.txt"_s)), QByteArray("here"));
    QVERIFY(!exists(dir.filePath(u"portal/a 2.txt"_s)));
}

void PortalMovesTest::destinationChecks()
{
    QTemporaryDir dir;
    writeFile(dir.filePath(u"a.txt"_s), "a");
    writeFile(dir.filePath(u"plain"_s), "not a folder");
    makeSymlink(dir.filePath(u"nowhere"_s), dir.filePath(u"dangling"_s));

    for (const QString& name : {u"plain"_s, u"dangling"_s}) {
        const MoveResult result = moveFiles(urls({dir.filePath(u"a.txt"_s)}), QUrl::fromLocalFile(dir.filePath(name)));
        QVERIFY(!result.ok());
        QCOMPARE(errorDescription(result.error().error), QStringLiteral("目标路径不是有效文件夹：") + dir.filePath(name));
        QCOMPARE(readFile(dir.filePath(u"a.txt"_s)), QByteArray("a"));
    }

    // A relative destination is unbound: nothing is created under the working directory.
    const MoveResult relative = moveFiles(urls({dir.filePath(u"a.txt"_s)}), QUrl::fromLocalFile(u"relative-target"_s));
    QVERIFY(!relative.ok());
    QVERIFY(portalError(relative.error()));
    QCOMPARE(portalError(relative.error())->kind, PortalOperationError::Kind::destinationNotDirectory);
    QVERIFY(!QFileInfo::exists(QDir::current().filePath(u"relative-target"_s)));

    // A missing destination is created with its missing parents.
    const MoveResult created = moveFiles(urls({dir.filePath(u"a.txt"_s)}), QUrl::fromLocalFile(dir.filePath(u"new/deeper"_s)));
    QVERIFY2(created.ok(), qPrintable(describe(created)));
    QCOMPARE(readFile(dir.filePath(u"new/deeper/a.txt"_s)), QByteArray("a"));

    // A destination whose parent is a regular file cannot be created.
    writeFile(dir.filePath(u"b.txt"_s), "b");
    const MoveResult blocked = moveFiles(urls({dir.filePath(u"b.txt"_s)}), QUrl::fromLocalFile(dir.filePath(u"plain/sub"_s)));
    QVERIFY(!blocked.ok());
    QVERIFY2(fileError(blocked.error()), qPrintable(describe(blocked)));
    QCOMPARE(fileError(blocked.error())->operation, FileOperation::createFolder);
    QCOMPARE(readFile(dir.filePath(u"b.txt"_s)), QByteArray("b"));
}

void PortalMovesTest::missingRepeatedAndForeignSourcesSkipped()
{
    QTemporaryDir dir;
    writeFile(dir.filePath(u"a.txt"_s), "a");
    const QString target = dir.filePath(u"target"_s);

    const MoveResult none = moveFiles(urls({dir.filePath(u"gone.txt"_s)}), QUrl::fromLocalFile(target));
    QVERIFY(!none.ok());
    QCOMPARE(portalError(none.error())->kind, PortalOperationError::Kind::nothingMoved);
    QVERIFY(!exists(target));

    QList<QUrl> sources = urls({dir.filePath(u"gone.txt"_s), dir.filePath(u"a.txt"_s), dir.filePath(u"./a.txt"_s)});
    sources.append(QUrl(QStringLiteral("https://example.invalid/a.txt")));
    sources.append(QUrl::fromLocalFile(QStringLiteral("a.txt")));
    const MoveResult result = moveFiles(sources, QUrl::fromLocalFile(target));
    QVERIFY2(result.ok(), qPrintable(describe(result)));
    QCOMPARE(result.value().transaction.moves,
             (QList<MovedFilePair>{{dir.filePath(u"a.txt"_s), target + u"/a.txt"_s}}));
    QVERIFY(!exists(target + u"/a 2.txt"_s));
}

void PortalMovesTest::danglingSymlinkHoldsName()
{
    QTemporaryDir dir;
    makeFolder(dir.filePath(u"portal"_s));
    makeSymlink(QStringLiteral("../nowhere.txt"), dir.filePath(u"portal/a.txt"_s));
    writeFile(dir.filePath(u"a.txt"_s), "real");
    makeSymlink(QStringLiteral("missing-target"), dir.filePath(u"loose-link"_s));

    // The file arriving under a dangling symlink's name takes the next name; a dangling
    // symlink is itself something to move, and moves as a symlink.
    const MoveResult result = moveFiles(urls({dir.filePath(u"a.txt"_s), dir.filePath(u"loose-link"_s)}),
                                        QUrl::fromLocalFile(dir.filePath(u"portal"_s)));
    QVERIFY2(result.ok(), qPrintable(describe(result)));
    QCOMPARE(result.value().transaction.moves,
             (QList<MovedFilePair>{{dir.filePath(u"a.txt"_s), dir.filePath(u"portal/a 2.txt"_s)},
                                   {dir.filePath(u"loose-link"_s), dir.filePath(u"portal/loose-link"_s)}}));
    QVERIFY(isSymlink(dir.filePath(u"portal/a.txt"_s)));
    QCOMPARE(linkTarget(dir.filePath(u"portal/a.txt"_s)), QStringLiteral("../nowhere.txt"));
    QCOMPARE(readFile(dir.filePath(u"portal/a 2.txt"_s)), QByteArray("real"));
    QVERIFY(isSymlink(dir.filePath(u"portal/loose-link"_s)));

    // On the way back, a dangling symlink at the former place holds that name too.
    makeSymlink(QStringLiteral("elsewhere"), dir.filePath(u"a.txt"_s));
    const MoveResult undone = undoTransaction(result.value().transaction);
    QVERIFY2(undone.ok(), qPrintable(describe(undone)));
    QCOMPARE(undone.value().transaction.moves,
             (QList<MovedFilePair>{{dir.filePath(u"portal/loose-link"_s), dir.filePath(u"loose-link"_s)},
                                   {dir.filePath(u"portal/a 2.txt"_s), dir.filePath(u"a 2.txt"_s)}}));
    QCOMPARE(linkTarget(dir.filePath(u"a.txt"_s)), QStringLiteral("elsewhere"));
    QCOMPARE(readFile(dir.filePath(u"a 2.txt"_s)), QByteArray("real"));
}

void PortalMovesTest::crossDeviceKeepsTimesPermissionsAndSymlinks()
{
    QTemporaryDir shm(QStringLiteral("/dev/shm/morvanteel-moves-XXXXXX"));
    QTemporaryDir tmp(QStringLiteral("/tmp/morvanteel-moves-XXXXXX"));
    if (!shm.isValid() || !tmp.isValid())
        QSKIP("needs writable /dev/shm and /tmp");
    if (statOf(shm.path()).st_dev == statOf(tmp.path()).st_dev)
        QSKIP("/dev/shm and /tmp are one file system here; the cross-device copy is not exercised");

    // A loose file and a folder tree with a relative and a dangling symlink, odd permissions
    // and times set after the contents (as adding entries changes a folder's times).
    const QString file = shm.filePath(u"报告.pdf"_s);
    writeFile(file, "report body");
    QCOMPARE(::chmod(enc(file).constData(), 0640), 0);
    setTimes(file, 1000000000, 981173106, 123456789);
    const QString tree = shm.filePath(u"Project"_s);
    makeFolder(tree + u"/src"_s);
    writeFile(tree + u"/src/run.sh"_s, "#!/bin/sh\necho hi\n");
    QCOMPARE(::chmod(enc(tree + u"/src/run.sh"_s).constData(), 0755), 0);
    setTimes(tree + u"/src/run.sh"_s, 1100000000, 1000000001, 5);
    makeSymlink(QStringLiteral("src/run.sh"), tree + u"/latest"_s);
    makeSymlink(QStringLiteral("/nonexistent/target"), tree + u"/broken"_s);
    setTimes(tree + u"/latest"_s, 1200000000, 1200000002, 0);
    QCOMPARE(::chmod(enc(tree + u"/src"_s).constData(), 0750), 0);
    setTimes(tree + u"/src"_s, 1300000000, 1300000003, 7);
    QCOMPARE(::chmod(enc(tree).constData(), 0711), 0);
    setTimes(tree, 1400000000, 1400000004, 9);

    const struct stat fileBefore = statOf(file);
    const struct stat scriptBefore = statOf(tree + u"/src/run.sh"_s);
    const struct stat srcBefore = statOf(tree + u"/src"_s);
    const struct stat treeBefore = statOf(tree);
    const struct stat linkBefore = statOf(tree + u"/latest"_s);

    const MoveResult result = moveFiles(urls({file, tree}), QUrl::fromLocalFile(tmp.path()));
    QVERIFY2(result.ok(), qPrintable(describe(result)));
    QCOMPARE(result.value().transaction.moves.size(), 2);
    QVERIFY(!exists(file));
    QVERIFY(!exists(tree));

    const auto sameTimesAndMode = [](const struct stat& before, const struct stat& after) {
        QCOMPARE(after.st_mode, before.st_mode);
        QCOMPARE(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
        QCOMPARE(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
        QCOMPARE(after.st_atim.tv_sec, before.st_atim.tv_sec);
    };
    const QString movedFile = tmp.filePath(u"报告.pdf"_s);
    const QString movedTree = tmp.filePath(u"Project"_s);
    // Times first: reading the contents below may update the access times.
    sameTimesAndMode(fileBefore, statOf(movedFile));
    sameTimesAndMode(scriptBefore, statOf(movedTree + u"/src/run.sh"_s));
    sameTimesAndMode(srcBefore, statOf(movedTree + u"/src"_s));
    sameTimesAndMode(treeBefore, statOf(movedTree));
    QCOMPARE(readFile(movedFile), QByteArray("report body"));
    QCOMPARE(readFile(movedTree + u"/src/run.sh"_s), QByteArray("#!/bin/sh\necho hi\n"));
    QVERIFY(isSymlink(movedTree + u"/latest"_s));
    QCOMPARE(linkTarget(movedTree + u"/latest"_s), QStringLiteral("src/run.sh"));
    QCOMPARE(statOf(movedTree + u"/latest"_s).st_mtim.tv_sec, linkBefore.st_mtim.tv_sec);
    QVERIFY(isSymlink(movedTree + u"/broken"_s));
    QCOMPARE(linkTarget(movedTree + u"/broken"_s), QStringLiteral("/nonexistent/target"));

    // The identity is the copy's, on the new file system.
    QCOMPARE(result.value().identities[0], *fileIdentity(movedFile));
    QCOMPARE(result.value().identities[0].device, quint64(statOf(tmp.path()).st_dev));
    QCOMPARE(result.value().identities[0].modifiedNanoseconds, 981173106LL * 1000000000 + 123456789);

    // And back across again.
    const MoveResult undone = undoTransaction(result.value().transaction);
    QVERIFY2(undone.ok(), qPrintable(describe(undone)));
    // (The reads above touched the access times, so only the modification times compare.)
    QCOMPARE(statOf(file).st_mode, fileBefore.st_mode);
    QCOMPARE(statOf(file).st_mtim.tv_nsec, fileBefore.st_mtim.tv_nsec);
    QCOMPARE(statOf(file).st_mtim.tv_sec, fileBefore.st_mtim.tv_sec);
    QCOMPARE(statOf(tree).st_mtim.tv_sec, treeBefore.st_mtim.tv_sec);
    QCOMPARE(readFile(file), QByteArray("report body"));
    QVERIFY(!exists(movedTree));
}

void PortalMovesTest::crossDeviceFailedCopyLeavesSourceUntouched()
{
    QTemporaryDir shm(QStringLiteral("/dev/shm/morvanteel-moves-XXXXXX"));
    QTemporaryDir tmp(QStringLiteral("/tmp/morvanteel-moves-XXXXXX"));
    if (!shm.isValid() || !tmp.isValid())
        QSKIP("needs writable /dev/shm and /tmp");
    if (statOf(shm.path()).st_dev == statOf(tmp.path()).st_dev)
        QSKIP("/dev/shm and /tmp are one file system here; the cross-device copy is not exercised");

    // A socket cannot be carried to another file system, so the folder holding one fails
    // part-way through its copy.
    writeFile(shm.filePath(u"first.txt"_s), "first");
    const QString tree = shm.filePath(u"Runtime"_s);
    makeFolder(tree + u"/a"_s);
    writeFile(tree + u"/a/data.txt"_s, "data");
    const QString socketPath = tree + u"/zz.sock"_s;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    QVERIFY(fd >= 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray socketName = enc(socketPath);
    QVERIFY(size_t(socketName.size()) < sizeof address.sun_path);
    std::memcpy(address.sun_path, socketName.constData(), size_t(socketName.size()));
    QCOMPARE(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
    writeFile(shm.filePath(u"last.txt"_s), "last");

    const MoveResult result = moveFiles(urls({shm.filePath(u"first.txt"_s), tree, shm.filePath(u"last.txt"_s)}),
                                        QUrl::fromLocalFile(tmp.path()));
    QVERIFY(!result.ok());
    const FileSystemError* error = fileError(result.error());
    QVERIFY2(error, qPrintable(describe(result)));
    QCOMPARE(error->operation, FileOperation::copy);
    QCOMPARE(error->code, EOPNOTSUPP);

    // The partial copy is gone, the source folder whole, the later file not tried.
    QVERIFY(!exists(tmp.filePath(u"Runtime"_s)));
    QCOMPARE(readFile(tree + u"/a/data.txt"_s), QByteArray("data"));
    QVERIFY(exists(socketPath));
    QCOMPARE(readFile(shm.filePath(u"last.txt"_s)), QByteArray("last"));
    // What did move is returned for the caller to record.
    QCOMPARE(result.error().completed.transaction.moves,
             (QList<MovedFilePair>{{shm.filePath(u"first.txt"_s), tmp.filePath(u"first.txt"_s)}}));
    QCOMPARE(result.error().completed.transaction.label, QStringLiteral("移动 first.txt"));
}

void PortalMovesTest::undoAfterOriginalPlaceTaken()
{
    QTemporaryDir dir;
    makeFolder(dir.filePath(u"desk"_s));
    writeFile(dir.filePath(u"desk/报告.pdf"_s), "old");
    const MoveResult moved = moveFiles(urls({dir.filePath(u"desk/报告.pdf"_s)}), QUrl::fromLocalFile(dir.filePath(u"portal"_s)));
    QVERIFY2(moved.ok(), qPrintable(describe(moved)));

    // The user puts a new file where the old one was.
    writeFile(dir.filePath(u"desk/报告.pdf"_s), "new");
    const MoveResult undone = undoTransaction(moved.value().transaction);
    QVERIFY2(undone.ok(), qPrintable(describe(undone)));
    QCOMPARE(undone.value().transaction.moves,
             (QList<MovedFilePair>{{dir.filePath(u"portal/报告.pdf"_s), dir.filePath(u"desk/报告 2.pdf"_s)}}));
    QCOMPARE(undone.value().transaction.label, QStringLiteral("恢复：移动 报告.pdf"));
    QCOMPARE(readFile(dir.filePath(u"desk/报告.pdf"_s)), QByteArray("new"));
    QCOMPARE(readFile(dir.filePath(u"desk/报告 2.pdf"_s)), QByteArray("old"));

    // Redo moves the file from where the undo put it.
    const MoveResult redone = undoTransaction(undone.value().transaction);
    QVERIFY2(redone.ok(), qPrintable(describe(redone)));
    QCOMPARE(redone.value().transaction.moves,
             (QList<MovedFilePair>{{dir.filePath(u"desk/报告 2.pdf"_s), dir.filePath(u"portal/报告.pdf"_s)}}));
    QCOMPARE(redone.value().transaction.label, QStringLiteral("恢复：恢复：移动 报告.pdf"));
    QCOMPARE(readFile(dir.filePath(u"portal/报告.pdf"_s)), QByteArray("old"));
    QCOMPARE(readFile(dir.filePath(u"desk/报告.pdf"_s)), QByteArray("new"));
}

void PortalMovesTest::undoRestoresLastMovedFirstAndRecreatesFolders()
{
    QTemporaryDir dir;
    makeFolder(dir.filePath(u"a/deep"_s));
    writeFile(dir.filePath(u"a/deep/one.txt"_s), "1");
    writeFile(dir.filePath(u"a/two.txt"_s), "2");
    const MoveResult moved = moveFiles(urls({dir.filePath(u"a/deep/one.txt"_s), dir.filePath(u"a/two.txt"_s)}),
                                       QUrl::fromLocalFile(dir.filePath(u"portal"_s)));
    QVERIFY2(moved.ok(), qPrintable(describe(moved)));
    QVERIFY(QDir(dir.filePath(u"a"_s)).removeRecursively());

    const MoveResult undone = undoTransaction(moved.value().transaction);
    QVERIFY2(undone.ok(), qPrintable(describe(undone)));
    QCOMPARE(undone.value().transaction.moves,
             (QList<MovedFilePair>{{dir.filePath(u"portal/two.txt"_s), dir.filePath(u"a/two.txt"_s)},
                                   {dir.filePath(u"portal/one.txt"_s), dir.filePath(u"a/deep/one.txt"_s)}}));
    QCOMPARE(readFile(dir.filePath(u"a/deep/one.txt"_s)), QByteArray("1"));
    QCOMPARE(undone.value().identities.size(), 2);
    QCOMPARE(undone.value().identities[1], *fileIdentity(dir.filePath(u"a/deep/one.txt"_s)));
}

void PortalMovesTest::undoOfVanishedFiles()
{
    QTemporaryDir dir;
    writeFile(dir.filePath(u"a.txt"_s), "a");
    writeFile(dir.filePath(u"b.txt"_s), "b");
    const MoveResult moved = moveFiles(urls({dir.filePath(u"a.txt"_s), dir.filePath(u"b.txt"_s)}),
                                       QUrl::fromLocalFile(dir.filePath(u"portal"_s)));
    QVERIFY2(moved.ok(), qPrintable(describe(moved)));
    QVERIFY(QFile::remove(dir.filePath(u"portal/a.txt"_s)));
    QVERIFY(QFile::remove(dir.filePath(u"portal/b.txt"_s)));

    const MoveResult undone = undoTransaction(moved.value().transaction);
    QVERIFY2(undone.ok(), qPrintable(describe(undone)));
    QVERIFY(undone.value().transaction.moves.isEmpty());
    QCOMPARE(undone.value().transaction.label, QStringLiteral("恢复：移动 2 个项目到 portal"));
}

void PortalMovesTest::partialBatchStillUndoes()
{
    // The second file's name is as long as a name can be and taken in the portal, so its
    // renamed form is too long: the batch stops there.
    QTemporaryDir dir;
    makeFolder(dir.filePath(u"portal"_s));
    const QString longName = QString(251, u'x') + QStringLiteral(".txt");
    writeFile(dir.filePath(u"portal/"_s) + longName, "occupant");
    writeFile(dir.filePath(u"a.txt"_s), "a");
    writeFile(dir.filePath(longName), "long");
    writeFile(dir.filePath(u"c.txt"_s), "c");

    const MoveResult result = moveFiles(urls({dir.filePath(u"a.txt"_s), dir.filePath(longName), dir.filePath(u"c.txt"_s)}),
                                        QUrl::fromLocalFile(dir.filePath(u"portal"_s)));
    QVERIFY(!result.ok());
    const FileSystemError* error = fileError(result.error());
    QVERIFY2(error, qPrintable(describe(result)));
    QCOMPARE(error->code, ENAMETOOLONG);
    QCOMPARE(error->errorDescription(), QStringLiteral("无法移动“") + dir.filePath(longName) + QStringLiteral("”：名称过长。"));
    QCOMPARE(readFile(dir.filePath(longName)), QByteArray("long"));
    QCOMPARE(readFile(dir.filePath(u"c.txt"_s)), QByteArray("c"));

    const MoveBatch& completed = result.error().completed;
    QCOMPARE(completed.transaction.moves,
             (QList<MovedFilePair>{{dir.filePath(u"a.txt"_s), dir.filePath(u"portal/a.txt"_s)}}));
    QCOMPARE(completed.transaction.label, QStringLiteral("移动 a.txt"));
    QVERIFY(!completed.transaction.id.isNull());
    QCOMPARE(completed.identities.size(), 1);

    const MoveResult undone = undoTransaction(completed.transaction);
    QVERIFY2(undone.ok(), qPrintable(describe(undone)));
    QCOMPARE(readFile(dir.filePath(u"a.txt"_s)), QByteArray("a"));
    QVERIFY(!exists(dir.filePath(u"portal/a.txt"_s)));
}

void PortalMovesTest::partialUndoStillRedoes()
{
    QTemporaryDir dir;
    makeFolder(dir.filePath(u"one"_s));
    makeFolder(dir.filePath(u"two"_s));
    makeFolder(dir.filePath(u"three"_s));
    writeFile(dir.filePath(u"one/a.txt"_s), "a");
    writeFile(dir.filePath(u"two/b.txt"_s), "b");
    writeFile(dir.filePath(u"three/c.txt"_s), "c");
    const MoveResult moved = moveFiles(urls({dir.filePath(u"one/a.txt"_s), dir.filePath(u"two/b.txt"_s),
                                             dir.filePath(u"three/c.txt"_s)}),
                                       QUrl::fromLocalFile(dir.filePath(u"portal"_s)));
    QVERIFY2(moved.ok(), qPrintable(describe(moved)));

    // b's former folder is now a regular file: b cannot go back, c (moved last) already has.
    QVERIFY(QDir(dir.filePath(u"two"_s)).removeRecursively());
    writeFile(dir.filePath(u"two"_s), "a file where the folder was");

    const MoveResult undone = undoTransaction(moved.value().transaction);
    QVERIFY(!undone.ok());
    QVERIFY2(fileError(undone.error()), qPrintable(describe(undone)));
    QCOMPARE(fileError(undone.error())->code, ENOTDIR);
    const MoveBatch& completed = undone.error().completed;
    QCOMPARE(completed.transaction.moves,
             (QList<MovedFilePair>{{dir.filePath(u"portal/c.txt"_s), dir.filePath(u"three/c.txt"_s)}}));
    QCOMPARE(completed.transaction.label, QStringLiteral("恢复：移动 3 个项目到 portal"));
    QCOMPARE(readFile(dir.filePath(u"portal/b.txt"_s)), QByteArray("b"));
    QCOMPARE(readFile(dir.filePath(u"portal/a.txt"_s)), QByteArray("a"));

    // The partial inverse is a transaction like any other: redoing it puts c back in the portal.
    const MoveResult redone = undoTransaction(completed.transaction);
    QVERIFY2(redone.ok(), qPrintable(describe(redone)));
    QCOMPARE(readFile(dir.filePath(u"portal/c.txt"_s)), QByteArray("c"));
    QVERIFY(!exists(dir.filePath(u"three/c.txt"_s)));
}

void PortalMovesTest::renameNeverReplaces_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("support");
    QTest::addColumn<int>("expected");

    // A rename never replaces anything at the target, dangling symlinks and empty folders
    // included, with the kernel's RENAME_NOREPLACE and with the fallback for file systems
    // that lack it; into a free name every kind of item moves.
    const int probe = int(detail::NoReplaceSupport::probe);
    const int fallback = int(detail::NoReplaceSupport::assumeMissing);
    for (const int support : {probe, fallback}) {
        const char* mode = support == probe ? "kernel" : "fallback";
        for (const char* kind : {"file", "folder", "link"}) {
            QTest::addRow("%s: %s to a free name", mode, kind) << kind << "none" << support << 0;
            QTest::addRow("%s: %s onto a file", mode, kind) << kind << "file" << support << EEXIST;
            QTest::addRow("%s: %s onto an empty folder", mode, kind) << kind << "folder" << support << EEXIST;
            QTest::addRow("%s: %s onto a dangling link", mode, kind) << kind << "link" << support << EEXIST;
        }
    }
}

void PortalMovesTest::renameNeverReplaces()
{
    QFETCH(QString, source);
    QFETCH(QString, target);
    QFETCH(int, support);
    QFETCH(int, expected);

    QTemporaryDir dir;
    const auto make = [&](const QString& kind, const QString& path, const QByteArray& tag) {
        if (kind == u"file") {
            writeFile(path, tag);
        } else if (kind == u"folder") {
            makeFolder(path);
            if (tag == "source")
                writeFile(path + u"/inside"_s, tag);
        } else if (kind == u"link") {
            makeSymlink(QString::fromLatin1("nowhere-" + tag), path);
        }
    };
    const QString from = dir.filePath(u"from"_s);
    const QString to = dir.filePath(u"to"_s);
    make(source, from, "source");
    make(target, to, "target");
    const struct stat targetBefore = statOf(to);
    const struct stat sourceBefore = statOf(from);

    const int result = detail::renameWithoutReplacing(enc(from), enc(to), detail::NoReplaceSupport(support));
    QCOMPARE(result, expected);
    if (expected == 0) {
        QVERIFY(!exists(from));
        QCOMPARE(statOf(to).st_ino, sourceBefore.st_ino);
    } else {
        QCOMPARE(statOf(from).st_ino, sourceBefore.st_ino);
        QCOMPARE(statOf(to).st_ino, targetBefore.st_ino);
        if (target == u"file")
            QCOMPARE(readFile(to), QByteArray("target"));
    }
    // No placeholder or second name is left behind.
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System).size(),
             expected == 0 ? 1 : 2);
}

QTEST_GUILESS_MAIN(PortalMovesTest)
#include "tst_portalmoves.moc"
