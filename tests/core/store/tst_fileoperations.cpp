// QtTest first: moc reads this file with C++17 predefines and stumbles on <concepts> otherwise.
#include <QtTest>

#include "support/InexactNames.h"
#include "support/StoreFixture.h"

#include "core/engine/PortalMoves.h"
#include "core/models/Uuid.h"

#include <QSignalSpy>

#include <cerrno>

#include <sys/stat.h>

using namespace mv;
using namespace Qt::StringLiterals;

namespace {

const QString unbound = u"当前围栏未绑定文件夹传送门。"_s;
const QString undoHint = u"（可用 Ctrl+Z 撤销）"_s;

bool exists(const QString& path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

QList<QUrl> urls(const QStringList& paths)
{
    QList<QUrl> result;
    for (const QString& path : paths)
        result.append(QUrl::fromLocalFile(path));
    return result;
}

FenceTab tabOf(FenceKind kind, const std::optional<QString>& portalPath)
{
    FenceTab tab;
    tab.id = newUuid();
    tab.title = u"标签"_s;
    tab.symbolName = u"folder"_s;
    tab.kind = kind;
    tab.portalPath = portalPath;
    tab.sortMode = FenceSortMode::nameAsc;
    return tab;
}

// Two workspaces: "desk" is active, "archive" is not. Each test adds the fences it needs.
struct World : TwoWorkspaceStore {
    QUuid addFence(const QUuid& workspace, const QList<FenceTab>& tabs)
    {
        return appendFence(workspace, u"围栏"_s, tabs).id;
    }

    // A portal fence of the active workspace bound to `folder`, which is made.
    QUuid addPortal(const QString& folder)
    {
        QDir().mkpath(folder);
        return addFence(desk, {tabOf(FenceKind::portal, folder)});
    }

    void write(const QString& relative, const QByteArray& bytes = "x")
    {
        QVERIFY2(writeFile(path(relative), bytes), qPrintable(relative));
    }

    QByteArray read(const QString& relative) const { return readFile(path(relative)); }

    int saves() const { return reloader->requestCount(); }
    QString status() const { return store->lastStatusMessage().value_or(u"<none>"_s); }
};

QStringList labels(const QList<UndoTransaction>& stack)
{
    QStringList result;
    for (const UndoTransaction& transaction : stack)
        result.append(transaction.label);
    return result;
}

} // namespace

class FileOperationsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void unboundDropIsRefused_data()
    {
        // Only an existing portal tab with an absolute path is bound; everything else is
        // refused with the one message, and moves and saves nothing.
        QTest::addColumn<int>("variant");
        QTest::newRow("unknown fence") << 0;
        QTest::newRow("curated fence") << 1;
        QTest::newRow("portal without a path") << 2;
        QTest::newRow("empty path") << 3;
        QTest::newRow("relative path") << 4;
        QTest::newRow("portal tab not active") << 5;
    }

    void unboundDropIsRefused()
    {
        QFETCH(int, variant);
        World w;
        w.write(u"a.txt"_s);
        // A folder named like the relative path, where the working directory may lead.
        QDir().mkpath(w.path(u"portal"_s));
        QDir::setCurrent(w.dir.path());
        QUuid fence = newUuid();
        switch (variant) {
        case 1: fence = w.addFence(w.desk, {tabOf(FenceKind::curated, w.path(u"portal"_s))}); break;
        case 2: fence = w.addFence(w.desk, {tabOf(FenceKind::portal, std::nullopt)}); break;
        case 3: fence = w.addFence(w.desk, {tabOf(FenceKind::portal, QString())}); break;
        case 4: fence = w.addFence(w.desk, {tabOf(FenceKind::portal, u"portal"_s)}); break;
        case 5:
            fence = w.addFence(w.desk, {tabOf(FenceKind::notes, std::nullopt), tabOf(FenceKind::portal, w.path(u"portal"_s))});
            break;
        default: break;
        }
        const int saves = w.saves();
        QVERIFY(!w.store->moveFiles(urls({w.path(u"a.txt"_s)}), fence));
        QCOMPARE(w.status(), unbound);
        QVERIFY(exists(w.path(u"a.txt"_s)));
        QVERIFY(!exists(w.path(u"portal/a.txt"_s)));
        QVERIFY(w.store->undoStack().isEmpty());
        QCOMPARE(w.saves(), saves);
    }

    void missingBoundFolderIsRefusedNotMadeAgain()
    {
        World w;
        w.write(u"a.txt"_s);
        const QUuid fence = w.addPortal(w.path(u"portal"_s));
        QVERIFY(QDir(w.path(u"portal"_s)).removeRecursively());
        const int saves = w.saves();

        QVERIFY(!w.store->moveFiles(urls({w.path(u"a.txt"_s)}), fence));
        QCOMPARE(w.status(), u"目标路径不是有效文件夹："_s + w.path(u"portal"_s));
        QVERIFY(!exists(w.path(u"portal"_s)));
        QVERIFY(exists(w.path(u"a.txt"_s)));
        QCOMPARE(w.saves(), saves);

        // A file where the folder was is no folder either.
        w.write(u"portal"_s, "file");
        QVERIFY(!w.store->moveFiles(urls({w.path(u"a.txt"_s)}), fence));
        QCOMPARE(w.status(), u"目标路径不是有效文件夹："_s + w.path(u"portal"_s));
        QCOMPARE(w.read(u"portal"_s), QByteArray("file"));
    }

    void dropUndoRedo()
    {
        World w;
        w.write(u"desk/a.txt"_s, "a");
        w.write(u"desk/b.txt"_s, "b");
        const QUuid fence = w.addPortal(w.path(u"portal"_s));
        QSignalSpy undoSignals(w.store.get(), &MorvanteelStore::undoStackChanged);
        QSignalSpy redoSignals(w.store.get(), &MorvanteelStore::redoStackChanged);
        const int saves = w.saves();

        QVERIFY(w.store->moveFiles(urls({w.path(u"desk/a.txt"_s), w.path(u"desk/b.txt"_s)}), fence));
        QCOMPARE(w.status(), u"移动 2 个项目到 portal"_s + undoHint);
        QCOMPARE(w.read(u"portal/a.txt"_s), QByteArray("a"));
        QCOMPARE(w.read(u"portal/b.txt"_s), QByteArray("b"));
        QCOMPARE(labels(w.store->undoStack()), QStringList{u"移动 2 个项目到 portal"_s});
        QCOMPARE(w.store->undoStack().first().timestamp, w.clock);
        QVERIFY(w.store->redoStack().isEmpty());
        QCOMPARE(w.saves(), saves + 1);
        QCOMPARE(undoSignals.count(), 1);
        QCOMPARE(redoSignals.count(), 0); // it was empty already

        QVERIFY(w.store->undoLastFileOperation());
        QCOMPARE(w.status(), u"已撤销：移动 2 个项目到 portal"_s);
        QCOMPARE(w.read(u"desk/a.txt"_s), QByteArray("a"));
        QCOMPARE(w.read(u"desk/b.txt"_s), QByteArray("b"));
        QVERIFY(!exists(w.path(u"portal/a.txt"_s)));
        QVERIFY(w.store->undoStack().isEmpty());
        QCOMPARE(labels(w.store->redoStack()), QStringList{u"恢复：移动 2 个项目到 portal"_s});
        QCOMPARE(w.saves(), saves + 2);

        QVERIFY(w.store->redoLastFileOperation());
        QCOMPARE(w.status(), u"已重做"_s);
        QCOMPARE(w.read(u"portal/a.txt"_s), QByteArray("a"));
        QCOMPARE(w.read(u"portal/b.txt"_s), QByteArray("b"));
        QVERIFY(!exists(w.path(u"desk/a.txt"_s)));
        QCOMPARE(labels(w.store->undoStack()), QStringList{u"恢复：恢复：移动 2 个项目到 portal"_s});
        QVERIFY(w.store->redoStack().isEmpty());
        QCOMPARE(w.saves(), saves + 3);

        // And the redone batch undoes once more.
        QVERIFY(w.store->undoLastFileOperation());
        QCOMPARE(w.read(u"desk/a.txt"_s), QByteArray("a"));
    }

    void stackDiscipline()
    {
        World w;
        w.write(u"desk/one.txt"_s);
        w.write(u"desk/two.txt"_s);
        w.write(u"desk/three.txt"_s);
        const QUuid fence = w.addPortal(w.path(u"portal"_s));
        QVERIFY(w.store->moveFiles(urls({w.path(u"desk/one.txt"_s)}), fence));
        QVERIFY(w.store->moveFiles(urls({w.path(u"desk/two.txt"_s)}), fence));

        // Undo twice, then redo twice: both batches are back, older first.
        QVERIFY(w.store->undoLastFileOperation());
        QVERIFY(w.store->undoLastFileOperation());
        QCOMPARE(labels(w.store->redoStack()), (QStringList{u"恢复：移动 two.txt"_s, u"恢复：移动 one.txt"_s}));
        QVERIFY(w.store->redoLastFileOperation());
        QCOMPARE(labels(w.store->redoStack()), QStringList{u"恢复：移动 two.txt"_s});
        QVERIFY(w.store->redoLastFileOperation());
        QCOMPARE(labels(w.store->undoStack()),
                 (QStringList{u"恢复：恢复：移动 one.txt"_s, u"恢复：恢复：移动 two.txt"_s}));
        QVERIFY(w.store->redoStack().isEmpty());

        // A new batch after an undo clears what could be redone.
        QVERIFY(w.store->undoLastFileOperation());
        QCOMPARE(w.store->redoStack().size(), 1);
        QVERIFY(w.store->moveFiles(urls({w.path(u"desk/three.txt"_s)}), fence));
        QVERIFY(w.store->redoStack().isEmpty());
        QCOMPARE(labels(w.store->undoStack()), (QStringList{u"恢复：恢复：移动 one.txt"_s, u"移动 three.txt"_s}));

        // The stacks live in memory only.
        const auto restarted = w.makeStore(Seeding::disabled);
        QVERIFY(restarted->undoStack().isEmpty());
        QVERIFY(restarted->redoStack().isEmpty());
    }

    void emptyStacksSayWhyAndSaveNothing()
    {
        World w;
        const int saves = w.saves();
        QVERIFY(!w.store->undoLastFileOperation());
        QCOMPARE(w.status(), u"没有可撤销的文件移动记录。"_s);
        QVERIFY(!w.store->redoLastFileOperation());
        QCOMPARE(w.status(), u"没有可重做的记录。"_s);
        QCOMPARE(w.saves(), saves);
    }

    void nothingToMoveIsTheEngineError()
    {
        World w;
        const QUuid fence = w.addPortal(w.path(u"portal"_s));
        const int saves = w.saves();
        QVERIFY(!w.store->moveFiles(urls({w.path(u"gone.txt"_s)}), fence));
        QCOMPARE(w.status(), u"没有需要移动的文件。"_s);
        QVERIFY(w.store->undoStack().isEmpty());
        QCOMPARE(w.saves(), saves);
    }

    void undoLeavesAloneWhatIsNoLongerTheMovedFile_data()
    {
        // a.txt is changed after the move; b.txt is not. Undo brings back b only and says so;
        // whatever now has a's name in the portal stays there, as it is.
        QTest::addColumn<QString>("change");
        QTest::addColumn<QByteArray>("leftInPortal"); // empty: nothing has the name
        QTest::newRow("deleted") << u"delete"_s << QByteArray();
        QTest::newRow("replaced by another file of the same name") << u"replace"_s << QByteArray("someone else's a");
        // The freed inode usually goes straight to the new file.
        QTest::newRow("deleted, then made again") << u"recreate"_s << QByteArray("a new a");
        QTest::newRow("written to in place") << u"edit"_s << QByteArray("original a, edited");
        QTest::newRow("renamed away") << u"rename"_s << QByteArray();
        QTest::newRow("replaced by a folder") << u"folder"_s << QByteArray("<folder>");
    }

    void undoLeavesAloneWhatIsNoLongerTheMovedFile()
    {
        QFETCH(QString, change);
        QFETCH(QByteArray, leftInPortal);
        World w;
        w.write(u"desk/a.txt"_s, "original a");
        w.write(u"desk/b.txt"_s, "b");
        const QUuid fence = w.addPortal(w.path(u"portal"_s));
        QVERIFY(w.store->moveFiles(urls({w.path(u"desk/a.txt"_s), w.path(u"desk/b.txt"_s)}), fence));

        const QString movedA = w.path(u"portal/a.txt"_s);
        const QByteArray moved = QFile::encodeName(movedA);
        if (change == u"delete") {
            QVERIFY(QFile::remove(movedA));
        } else if (change == u"replace") {
            // Made while the moved file still exists, then put in its place, as an editor saves.
            w.write(u"replacement.txt"_s, "someone else's a");
            QCOMPARE(::rename(QFile::encodeName(w.path(u"replacement.txt"_s)).constData(), moved.constData()), 0);
        } else if (change == u"recreate") {
            QVERIFY(QFile::remove(movedA));
            w.write(u"portal/a.txt"_s, "a new a");
        } else if (change == u"edit") {
            QFile file(movedA);
            QVERIFY(file.open(QIODevice::Append));
            file.write(", edited");
        } else if (change == u"rename") {
            QCOMPARE(::rename(moved.constData(), QFile::encodeName(w.path(u"portal/renamed.txt"_s)).constData()), 0);
        } else {
            QVERIFY(QDir().mkpath(w.path(u"portal/new folder"_s)));
            QVERIFY(QFile::remove(movedA));
            QCOMPARE(::rename(QFile::encodeName(w.path(u"portal/new folder"_s)).constData(), moved.constData()), 0);
        }

        QVERIFY(w.store->undoLastFileOperation());
        QCOMPARE(w.status(), u"已撤销：移动 2 个项目到 portal（跳过 1 个已被移走、替换或改动的项目）"_s);
        QCOMPARE(w.read(u"desk/b.txt"_s), QByteArray("b"));
        QVERIFY(!exists(w.path(u"desk/a.txt"_s)));
        if (leftInPortal.isEmpty())
            QVERIFY(!exists(movedA));
        else if (leftInPortal == "<folder>")
            QVERIFY(QFileInfo(movedA).isDir());
        else
            QCOMPARE(w.read(u"portal/a.txt"_s), leftInPortal);
        if (change == u"rename")
            QCOMPARE(w.read(u"portal/renamed.txt"_s), QByteArray("original a"));
        QCOMPARE(w.store->redoStack().size(), 1);
        QCOMPARE(w.store->redoStack().first().moves,
                 (QList<MovedFilePair>{{w.path(u"portal/b.txt"_s), w.path(u"desk/b.txt"_s)}}));
    }

    void everyFileGoneStillUndoes()
    {
        World w;
        w.write(u"desk/a.txt"_s);
        const QUuid fence = w.addPortal(w.path(u"portal"_s));
        QVERIFY(w.store->moveFiles(urls({w.path(u"desk/a.txt"_s)}), fence));
        QVERIFY(QFile::remove(w.path(u"portal/a.txt"_s)));

        QVERIFY(w.store->undoLastFileOperation());
        QCOMPARE(w.status(), u"已撤销：移动 a.txt（跳过 1 个已被移走、替换或改动的项目）"_s);
        QVERIFY(w.store->undoStack().isEmpty());
        QCOMPARE(w.store->redoStack().size(), 1);
        QVERIFY(w.store->redoStack().first().moves.isEmpty());
    }

    void redoAlsoChecksTheFile()
    {
        World w;
        w.write(u"desk/a.txt"_s, "a");
        const QUuid fence = w.addPortal(w.path(u"portal"_s));
        QVERIFY(w.store->moveFiles(urls({w.path(u"desk/a.txt"_s)}), fence));
        QVERIFY(w.store->undoLastFileOperation());

        w.write(u"other.txt"_s, "other");
        QCOMPARE(::rename(QFile::encodeName(w.path(u"other.txt"_s)).constData(),
                          QFile::encodeName(w.path(u"desk/a.txt"_s)).constData()), 0);
        QVERIFY(w.store->redoLastFileOperation());
        QCOMPARE(w.status(), u"已重做（跳过 1 个已被移走、替换或改动的项目）"_s);
        QCOMPARE(w.read(u"desk/a.txt"_s), QByteArray("other"));
        QVERIFY(!exists(w.path(u"portal/a.txt"_s)));
    }

    void undoWhenTheOriginalPlaceIsTaken()
    {
        World w;
        w.write(u"desk/报告.pdf"_s, "old");
        const QUuid fence = w.addPortal(w.path(u"portal"_s));
        QVERIFY(w.store->moveFiles(urls({w.path(u"desk/报告.pdf"_s)}), fence));
        w.write(u"desk/报告.pdf"_s, "new");

        QVERIFY(w.store->undoLastFileOperation());
        QCOMPARE(w.status(), u"已撤销：移动 报告.pdf"_s);
        QCOMPARE(w.read(u"desk/报告.pdf"_s), QByteArray("new"));
        QCOMPARE(w.read(u"desk/报告 2.pdf"_s), QByteArray("old"));

        // Redo takes the file from where the undo put it, and nothing else.
        QVERIFY(w.store->redoLastFileOperation());
        QCOMPARE(w.status(), u"已重做"_s);
        QCOMPARE(w.read(u"portal/报告.pdf"_s), QByteArray("old"));
        QCOMPARE(w.read(u"desk/报告.pdf"_s), QByteArray("new"));
        QVERIFY(!exists(w.path(u"desk/报告 2.pdf"_s)));
    }

    void crossDeviceDropUndoRedo()
    {
        QTemporaryDir shm(u"/dev/shm/morvanteel-store-XXXXXX"_s);
        World w;
        if (!shm.isValid())
            QSKIP("needs a writable /dev/shm");
        struct stat a {}, b {};
        ::lstat(QFile::encodeName(shm.path()).constData(), &a);
        ::lstat(QFile::encodeName(w.dir.path()).constData(), &b);
        if (a.st_dev == b.st_dev)
            QSKIP("/dev/shm and the temporary folder are one file system here; nothing crosses devices");

        const QString source = shm.filePath(u"照片.jpg"_s);
        QVERIFY(StoreFixture::writeFile(source, "pixels"));
        const QUuid fence = w.addPortal(w.path(u"portal"_s));
        QVERIFY(w.store->moveFiles(urls({source}), fence));
        QCOMPARE(w.status(), u"移动 照片.jpg"_s + undoHint);
        QVERIFY(!exists(source));
        QCOMPARE(w.read(u"portal/照片.jpg"_s), QByteArray("pixels"));

        // The copy is a new file with its own identity; undo recognises it all the same.
        QVERIFY(w.store->undoLastFileOperation());
        QCOMPARE(w.status(), u"已撤销：移动 照片.jpg"_s);
        QCOMPARE(StoreFixture::readFile(source), QByteArray("pixels"));
        QVERIFY(!exists(w.path(u"portal/照片.jpg"_s)));

        QVERIFY(w.store->redoLastFileOperation());
        QCOMPARE(w.status(), u"已重做"_s);
        QCOMPARE(w.read(u"portal/照片.jpg"_s), QByteArray("pixels"));
        QVERIFY(!exists(source));
    }

    void failureMidBatchRecordsWhatMoved()
    {
        // The second name is as long as a name can be and taken in the portal, so its free
        // form is too long: the batch stops there, after a.txt.
        World w;
        const QString longName = QString(251, u'x') + u".txt"_s;
        w.write(u"portal/"_s + longName, "occupant");
        w.write(u"desk/a.txt"_s, "a");
        w.write(u"desk/"_s + longName, "long");
        w.write(u"desk/c.txt"_s, "c");
        const QUuid fence = w.addFence(w.desk, {tabOf(FenceKind::portal, w.path(u"portal"_s))});
        const int saves = w.saves();

        QVERIFY(!w.store->moveFiles(
            urls({w.path(u"desk/a.txt"_s), w.path(u"desk/"_s + longName), w.path(u"desk/c.txt"_s)}), fence));
        const QString error = FolderPortalEngine::FileSystemError{FolderPortalEngine::FileOperation::move, ENAMETOOLONG,
                                                                  w.path(u"desk/"_s + longName)}
                                  .errorDescription();
        QCOMPARE(w.status(), u"移动 a.txt"_s + undoHint + u'；' + error);
        QCOMPARE(w.store->undoStack().size(), 1);
        QCOMPARE(w.store->undoStack().first().moves,
                 (QList<MovedFilePair>{{w.path(u"desk/a.txt"_s), w.path(u"portal/a.txt"_s)}}));
        QCOMPARE(w.saves(), saves + 1);
        QCOMPARE(w.read(u"desk/c.txt"_s), QByteArray("c"));

        QVERIFY(w.store->undoLastFileOperation());
        QCOMPARE(w.status(), u"已撤销：移动 a.txt"_s);
        QCOMPARE(w.read(u"desk/a.txt"_s), QByteArray("a"));
        QVERIFY(!exists(w.path(u"portal/a.txt"_s)));
    }

    // A move into a folder the caller names keeps the same record, status, save and checks as
    // a drop onto the fence's own folder; a destination that is not a folder is never made.
    void explicitDirectoryMoves_data()
    {
        QTest::addColumn<QString>("destination"); // relative to the world, or a URL with "url:"
        QTest::addColumn<QStringList>("dragged");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QString>("status");      // "@" stands for the destination's path
        QTest::addColumn<int>("undoEntries");
        const QString longName = QString(251, u'x') + u".txt"_s;
        QTest::newRow("into a folder") << u"portal/sub"_s << QStringList{u"desk/a.txt"_s, u"desk/c.txt"_s} << true
                                       << u"移动 2 个项目到 sub"_s + undoHint << 1;
        QTest::newRow("a missing folder") << u"portal/gone"_s << QStringList{u"desk/a.txt"_s} << false
                                          << u"目标路径不是有效文件夹：@"_s << 0;
        QTest::newRow("a file, not a folder") << u"portal/file.txt"_s << QStringList{u"desk/a.txt"_s} << false
                                              << u"目标路径不是有效文件夹：@"_s << 0;
        QTest::newRow("a relative path") << u"url:file:portal"_s << QStringList{u"desk/a.txt"_s} << false
                                         << u"目标路径不是有效文件夹：portal"_s << 0;
        QTest::newRow("no local file") << u"url:https://example.org/portal"_s << QStringList{u"desk/a.txt"_s}
                                       << false << u"目标路径不是有效文件夹：https://example.org/portal"_s << 0;
        QTest::newRow("a batch that stops part-way")
            << u"portal/sub"_s << QStringList{u"desk/a.txt"_s, u"desk/"_s + longName} << false
            << u"移动 a.txt"_s + undoHint + u'；'
                   + FolderPortalEngine::FileSystemError{FolderPortalEngine::FileOperation::move, ENAMETOOLONG, {}}
                         .errorDescription()
            << 1;
    }

    void explicitDirectoryMoves()
    {
        QFETCH(QString, destination);
        QFETCH(QStringList, dragged);
        QFETCH(bool, result);
        QFETCH(QString, status);
        QFETCH(int, undoEntries);
        World w;
        const QString longName = QString(251, u'x') + u".txt"_s;
        w.write(u"portal/sub/"_s + longName, "occupant");
        w.write(u"portal/file.txt"_s, "file");
        w.write(u"desk/a.txt"_s, "a");
        w.write(u"desk/c.txt"_s, "c");
        w.write(u"desk/"_s + longName, "long");
        const QUrl url = destination.startsWith(u"url:"_s) ? QUrl(destination.mid(4))
                                                          : QUrl::fromLocalFile(w.path(destination));
        status.replace(u'@', w.path(destination));
        // The error of the stopped batch names the file it stopped at.
        status.replace(FolderPortalEngine::FileSystemError{FolderPortalEngine::FileOperation::move, ENAMETOOLONG, {}}
                           .errorDescription(),
                       FolderPortalEngine::FileSystemError{FolderPortalEngine::FileOperation::move, ENAMETOOLONG,
                                                           w.path(u"desk/"_s + longName)}
                           .errorDescription());
        QList<QUrl> sources;
        for (const QString& relative : dragged)
            sources.append(QUrl::fromLocalFile(w.path(relative)));
        const int saves = w.savedStateWrites();

        QCOMPARE(w.store->moveFilesToExplicitDirectory(sources, url), result);
        QCOMPARE(w.status(), status);
        QCOMPARE(w.store->undoStack().size(), undoEntries);
        QCOMPARE(w.savedStateWrites(), saves + (undoEntries > 0 ? 1 : 0));
        QVERIFY(!exists(w.path(u"portal/gone"_s)));
        QCOMPARE(w.read(u"portal/file.txt"_s), QByteArray("file"));
        if (undoEntries == 0) {
            QVERIFY(exists(w.path(u"desk/a.txt"_s)));
            return;
        }
        QCOMPARE(w.read(u"portal/sub/a.txt"_s), QByteArray("a"));
        // Undone through the store like any move, by the identity taken when it arrived.
        QVERIFY(w.store->undoLastFileOperation());
        QCOMPARE(w.read(u"desk/a.txt"_s), QByteArray("a"));
        QVERIFY(!exists(w.path(u"portal/sub/a.txt"_s)));
    }

    // Many items dropped at once are one change and one save, in their order.
    void addItemsIsOneSave()
    {
        World w;
        const QUuid fence = w.addFence(w.desk, {tabOf(FenceKind::curated, std::nullopt)});
        QList<FenceItem> items;
        for (const QString& title : {u"一"_s, u"二"_s, u"三"_s})
            items.append({newUuid(), title, std::nullopt, FenceItemKind::file, u"/tmp/"_s + title, u"doc.fill"_s,
                          u"文件"_s, false, std::nullopt});
        QSignalSpy fences(w.store.get(), &MorvanteelStore::fencesChanged);
        const int saves = w.savedStateWrites();
        w.store->addItems(items, fence);
        QCOMPARE(w.savedStateWrites(), saves + 1);
        QCOMPARE(fences.count(), 1);
        QCOMPARE(w.store->fence(fence)->tabs.first().items, items);

        w.store->addItems({}, fence);
        QCOMPARE(w.savedStateWrites(), saves + 1);
    }

    void namesThatAreNotUtf8StayWhereTheyAre_data() { inexactNameRows(); }
    void namesThatAreNotUtf8StayWhereTheyAre()
    {
        // Dropped as a file manager hands such a file over: its bytes percent-encoded.
        InexactNameTree tree;
        QVERIFY(tree.buildFromRow());
        const QByteArrayList& names = tree.inexact;
        World w;
        const QUuid fence = w.addFence(w.desk, {tabOf(FenceKind::portal, tree.destination())});
        QList<QUrl> dropped;
        for (const QByteArray& name : names)
            dropped.append(QUrl::fromEncoded("file://" + (tree.rawSource() + '/' + name).toPercentEncoding("/")));
        const InexactNameTree::Snapshot before = tree.sourceNow();
        const QString refusal = tree.refusal();
        const int saves = w.saves();

        QVERIFY(!w.store->moveFiles(dropped, fence));
        QCOMPARE(w.status(), refusal);
        QVERIFY(w.store->undoStack().isEmpty());
        QCOMPARE(w.saves(), saves);
        QCOMPARE(tree.sourceNow(), before);
        QVERIFY(tree.destinationNow().isEmpty());

        // With the files their lossy readings name: those move, and the rest is named.
        for (const QByteArray& name : InexactNameTree::decoysAndOrdinary())
            dropped.append(QUrl::fromLocalFile(QFile::decodeName(tree.rawSource() + '/' + name)));
        QVERIFY(!w.store->moveFiles(dropped, fence));
        QCOMPARE(w.status(), u"移动 3 个项目到 dest"_s + undoHint + u'；' + refusal);
        QCOMPARE(labels(w.store->undoStack()), QStringList{u"移动 3 个项目到 dest"_s});
        QCOMPARE(w.saves(), saves + 1);
        QCOMPARE(tree.destinationNow(), InexactNameTree::only(before, InexactNameTree::decoysAndOrdinary()));
        QCOMPARE(tree.sourceNow(), InexactNameTree::only(before, names));

        QVERIFY(w.store->undoLastFileOperation());
        QCOMPARE(w.status(), u"已撤销：移动 3 个项目到 dest"_s);
        QCOMPARE(tree.sourceNow(), before);
        QVERIFY(tree.destinationNow().isEmpty());

        // A tidy of that folder proposes the three and leaves the rest, counted as skipped.
        w.store->setSmartRules({InexactNameTree::everythingRule(tree.destination())});
        const DryRunMovePlan plan = w.store->buildSmartTidyDryRun(tree.source());
        QCOMPARE(plan.matchedMoves.size(), 3);
        QCOMPARE(plan.skippedCount, names.size());
        QVERIFY(w.store->executeSmartTidyPlan(plan));
        QCOMPARE(w.status(), u"智能整理 3 个项目（可撤销）"_s);
        QCOMPARE(tree.destinationNow(), InexactNameTree::only(before, InexactNameTree::decoysAndOrdinary()));
        QCOMPARE(tree.sourceNow(), InexactNameTree::only(before, names));
    }

    void failedUndoKeepsWhatDidNotGoBack()
    {
        World w;
        w.write(u"one/a.txt"_s, "a");
        w.write(u"two/b.txt"_s, "b");
        w.write(u"three/c.txt"_s, "c");
        const QUuid fence = w.addPortal(w.path(u"portal"_s));
        QVERIFY(w.store->moveFiles(urls({w.path(u"one/a.txt"_s), w.path(u"two/b.txt"_s), w.path(u"three/c.txt"_s)}), fence));

        // b's former folder is now a file: c (moved last, undone first) goes back, b cannot, a is not tried.
        QVERIFY(QDir(w.path(u"two"_s)).removeRecursively());
        w.write(u"two"_s, "a file where the folder was");
        const int saves = w.saves();

        QVERIFY(!w.store->undoLastFileOperation());
        const QString error = FolderPortalEngine::FileSystemError{FolderPortalEngine::FileOperation::move, ENOTDIR,
                                                                  w.path(u"portal/b.txt"_s)}
                                  .errorDescription();
        QCOMPARE(w.status(), u"撤销失败："_s + error);
        QCOMPARE(w.read(u"three/c.txt"_s), QByteArray("c"));
        QCOMPARE(w.read(u"portal/b.txt"_s), QByteArray("b"));
        QCOMPARE(w.read(u"portal/a.txt"_s), QByteArray("a"));
        // What stayed is still undoable, under its label; what went back can be redone.
        QCOMPARE(labels(w.store->undoStack()), QStringList{u"移动 3 个项目到 portal"_s});
        QCOMPARE(w.store->undoStack().first().moves,
                 (QList<MovedFilePair>{{w.path(u"one/a.txt"_s), w.path(u"portal/a.txt"_s)},
                                       {w.path(u"two/b.txt"_s), w.path(u"portal/b.txt"_s)}}));
        QCOMPARE(w.store->redoStack().size(), 1);
        QCOMPARE(w.store->redoStack().first().moves,
                 (QList<MovedFilePair>{{w.path(u"portal/c.txt"_s), w.path(u"three/c.txt"_s)}}));
        QCOMPARE(w.saves(), saves + 1);

        // Once the way is clear, the rest goes back too.
        QVERIFY(QFile::remove(w.path(u"two"_s)));
        QVERIFY(w.store->undoLastFileOperation());
        QCOMPARE(w.status(), u"已撤销：移动 3 个项目到 portal"_s);
        QCOMPARE(w.read(u"two/b.txt"_s), QByteArray("b"));
        QCOMPARE(w.read(u"one/a.txt"_s), QByteArray("a"));
        QVERIFY(w.store->undoStack().isEmpty());
        QCOMPARE(w.store->redoStack().size(), 2);

        // Both parts redo, one by one.
        QVERIFY(w.store->redoLastFileOperation());
        QVERIFY(w.store->redoLastFileOperation());
        QCOMPARE(w.read(u"portal/a.txt"_s), QByteArray("a"));
        QCOMPARE(w.read(u"portal/b.txt"_s), QByteArray("b"));
        QCOMPARE(w.read(u"portal/c.txt"_s), QByteArray("c"));
        QVERIFY(w.store->redoStack().isEmpty());
    }

    void failedRedoKeepsItsEntry()
    {
        World w;
        w.write(u"desk/a.txt"_s, "a");
        const QUuid fence = w.addPortal(w.path(u"portal"_s));
        QVERIFY(w.store->moveFiles(urls({w.path(u"desk/a.txt"_s)}), fence));
        QVERIFY(w.store->undoLastFileOperation());

        // The portal folder, empty now, becomes a file: nothing can go back into it.
        QVERIFY(QDir().rmdir(w.path(u"portal"_s)));
        w.write(u"portal"_s, "in the way");
        const int saves = w.saves();
        QVERIFY(!w.store->redoLastFileOperation());
        QVERIFY2(w.status().startsWith(u"重做失败："_s), qPrintable(w.status()));
        QCOMPARE(w.store->redoStack().size(), 1);
        QVERIFY(w.store->undoStack().isEmpty());
        QCOMPARE(w.saves(), saves); // nothing moved
        QCOMPARE(w.read(u"desk/a.txt"_s), QByteArray("a"));

        QVERIFY(QFile::remove(w.path(u"portal"_s)));
        QVERIFY(w.store->redoLastFileOperation());
        QCOMPARE(w.read(u"portal/a.txt"_s), QByteArray("a"));
    }

    void recordFileOperationIsTheOneRecorder()
    {
        World w;
        w.write(u"desk/a.txt"_s, "a");
        w.write(u"desk/b.txt"_s, "b");
        const QUuid fence = w.addPortal(w.path(u"portal"_s));
        QVERIFY(w.store->moveFiles(urls({w.path(u"desk/a.txt"_s)}), fence));
        QVERIFY(w.store->undoLastFileOperation());
        QCOMPARE(w.store->redoStack().size(), 1);

        // A move into an opened subfolder, made by the fence content itself.
        const auto batch = FolderPortalEngine::moveFiles(urls({w.path(u"desk/b.txt"_s)}),
                                                         QUrl::fromLocalFile(w.path(u"portal/sub"_s)));
        QVERIFY(batch.ok());
        const int saves = w.saves();
        w.store->recordFileOperation(batch.value(), undoHint);
        QCOMPARE(w.status(), u"移动 b.txt"_s + undoHint);
        QCOMPARE(labels(w.store->undoStack()), QStringList{u"移动 b.txt"_s});
        QVERIFY(w.store->redoStack().isEmpty());
        QCOMPARE(w.saves(), saves + 1);

        // Its identities came along: a file that took the name since is left alone.
        QVERIFY(QFile::remove(w.path(u"portal/sub/b.txt"_s)));
        w.write(u"portal/sub/b.txt"_s, "another b");
        QVERIFY(w.store->undoLastFileOperation());
        QCOMPARE(w.read(u"portal/sub/b.txt"_s), QByteArray("another b"));
        QVERIFY(!exists(w.path(u"desk/b.txt"_s)));

        // A batch that moved nothing records nothing.
        const int before = w.saves();
        w.store->recordFileOperation(FolderPortalEngine::MoveBatch{}, undoHint);
        QVERIFY(w.store->undoStack().isEmpty());
        QCOMPARE(w.saves(), before);
    }

    void smartTidyAcrossWorkspaces()
    {
        World w;
        // The screenshots go to a fence of the inactive workspace; text files to a subfolder
        // of the source that does not exist yet.
        QDir().mkpath(w.path(u"shots"_s));
        const QUuid shots = w.addFence(w.archive, {tabOf(FenceKind::portal, w.path(u"shots"_s))});
        const auto rule = [](const QString& name, qint64 priority, const QString& extension) {
            SmartRule r;
            r.id = newUuid();
            r.name = name;
            r.symbolName = u"sparkles"_s;
            r.isEnabled = true;
            r.priority = priority;
            r.matchMode = RuleMatchMode::all;
            r.conditions = {RuleCondition{newUuid(), RuleConditionField::fileExtension, extension, false}};
            r.targetSubfolderName = name;
            return r;
        };
        SmartRule toShots = rule(u"截图"_s, 10, u"png"_s);
        toShots.targetFenceID = shots;
        w.store->setSmartRules({toShots, rule(u"Texts"_s, 20, u"txt"_s)});
        w.write(u"inbox/shot.png"_s, "png");
        w.write(u"inbox/note.txt"_s, "txt");
        w.write(u"inbox/other.bin"_s, "bin");
        const int saves = w.saves();

        const DryRunMovePlan plan = w.store->buildSmartTidyDryRun(w.path(u"inbox"_s));
        QCOMPARE(plan.scannedCount, 3);
        QCOMPARE(plan.skippedCount, 1);
        QCOMPARE(plan.generatedAt, w.clock);
        QStringList destinations;
        for (const DryRunMoveItem& item : plan.matchedMoves)
            destinations.append(item.proposedDestinationPath);
        destinations.sort();
        QCOMPARE(destinations, (QStringList{w.path(u"inbox/Texts/note.txt"_s), w.path(u"shots/shot.png"_s)}));
        // The dry run changes nothing.
        QCOMPARE(w.saves(), saves);
        QVERIFY(!w.store->lastStatusMessage());
        QVERIFY(exists(w.path(u"inbox/shot.png"_s)));

        QVERIFY(w.store->executeSmartTidyPlan(plan));
        QCOMPARE(w.status(), u"智能整理 2 个项目（可撤销）"_s);
        QCOMPARE(w.read(u"shots/shot.png"_s), QByteArray("png"));
        QCOMPARE(w.read(u"inbox/Texts/note.txt"_s), QByteArray("txt"));
        QCOMPARE(w.read(u"inbox/other.bin"_s), QByteArray("bin"));
        QCOMPARE(w.saves(), saves + 1);

        QVERIFY(w.store->undoLastFileOperation());
        QCOMPARE(w.status(), u"已撤销：智能整理 2 个项目"_s);
        QCOMPARE(w.read(u"inbox/shot.png"_s), QByteArray("png"));
        QCOMPARE(w.read(u"inbox/note.txt"_s), QByteArray("txt"));

        QVERIFY(w.store->redoLastFileOperation());
        QCOMPARE(w.status(), u"已重做"_s);
        QCOMPARE(w.read(u"shots/shot.png"_s), QByteArray("png"));
        QCOMPARE(w.read(u"inbox/Texts/note.txt"_s), QByteArray("txt"));
        QCOMPARE(labels(w.store->undoStack()), QStringList{u"恢复：恢复：智能整理 2 个项目"_s});

        // An empty plan is the engine's refusal.
        QVERIFY(!w.store->executeSmartTidyPlan(DryRunMovePlan{}));
        QCOMPARE(w.status(), u"没有需要移动的文件。"_s);
        QCOMPARE(w.store->undoStack().size(), 1);
    }

    void dryRunWithoutFolderUsesTheDemoDesktop()
    {
        World w;
        SmartRule r;
        r.id = newUuid();
        r.name = u"文档"_s;
        r.isEnabled = true;
        r.conditions = {RuleCondition{newUuid(), RuleConditionField::fileExtension, u"pdf"_s, false}};
        r.targetSubfolderName = u"Docs"_s;
        w.store->setSmartRules({r});
        QVERIFY(StoreFixture::writeFile(w.demoPath() + u"/plan.pdf"_s, "pdf"));

        const DryRunMovePlan plan = w.store->buildSmartTidyDryRun();
        QCOMPARE(plan.sourceDirectoryPath, w.demoPath());
        QCOMPARE(plan.matchedMoves.size(), 1);
        QCOMPARE(plan.matchedMoves.first().proposedDestinationPath, w.demoPath() + u"/Docs/plan.pdf"_s);
    }
};

QTEST_GUILESS_MAIN(FileOperationsTest)
#include "tst_fileoperations.moc"
