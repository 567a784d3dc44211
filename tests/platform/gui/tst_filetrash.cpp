#include "platform/gui/FileTrash.h"
#include "support/TrashHome.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace mv::platform;

class FileTrashTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A trashed item lies under files/ with info/<name>.trashinfo naming where it was and when,
    // and the returned path is where it lies.
    void trashedItemIsRecorded_data() { TrashHome::addItemRows(); }

    void trashedItemIsRecorded()
    {
        TrashHome home;
        QVERIFY(home.isValid());
        const TrashHome::Item item = home.makeRowItem();
        QVERIFY(!item.path.isEmpty());
        const QString& path = item.path;
        const QString name = QFileInfo(path).fileName();

        const QDateTime before = QDateTime::currentDateTime();
        FreedesktopTrash trash;
        const auto result = trash.moveToTrash(QUrl::fromLocalFile(path));
        const QDateTime after = QDateTime::currentDateTime();

        QVERIFY2(result.ok(), qPrintable(result.ok() ? QString() : result.error()));
        QVERIFY(!QFileInfo::exists(path));
        QCOMPARE(home.trashedNames(), QStringList{name});
        QCOMPARE(result.value().pathInTrash, home.trash() + QStringLiteral("/files/") + name);
        QCOMPARE(home.recordProblem(name, path, before, after), QString());
        const QString contentInTrash = result.value().pathInTrash + item.contentPath.mid(path.size());
        QCOMPARE(TrashHome::contentOf(contentInTrash), QByteArray("content"));
    }

    // Two items of one name trashed one after the other are both kept, each with its own
    // record of the same original path.
    void sameNameTwiceKeepsBoth()
    {
        TrashHome home;
        QVERIFY(home.isValid());
        const QString path = home.work() + QStringLiteral("/draft.txt");
        FreedesktopTrash trash;
        QStringList inTrash;
        for (const QByteArray& content : {QByteArray("first"), QByteArray("second")}) {
            QVERIFY(TrashHome::writeFile(path, content));
            const auto result = trash.moveToTrash(QUrl::fromLocalFile(path));
            QVERIFY2(result.ok(), qPrintable(result.ok() ? QString() : result.error()));
            inTrash.append(result.value().pathInTrash);
        }

        QCOMPARE(home.trashedNames().size(), 2);
        QVERIFY(inTrash.first() != inTrash.last());
        QCOMPARE(TrashHome::contentOf(inTrash.first()), QByteArray("first"));
        QCOMPARE(TrashHome::contentOf(inTrash.last()), QByteArray("second"));
        for (const QString& item : inTrash) {
            const QString name = QFileInfo(item).fileName();
            QCOMPARE(QByteArray::fromPercentEncoding(home.trashInfo(name).value(QStringLiteral("Path"))),
                     QFile::encodeName(path));
        }
    }

    // Trashing a symbolic link trashes the link; what it points at stays in place.
    void symbolicLinkIsTrashedItself()
    {
        TrashHome home;
        QVERIFY(home.isValid());
        const QString target = home.work() + QStringLiteral("/target.txt");
        const QString link = home.work() + QStringLiteral("/link.txt");
        QVERIFY(TrashHome::writeFile(target, "target"));
        QVERIFY(QFile::link(target, link));

        FreedesktopTrash trash;
        const auto result = trash.moveToTrash(QUrl::fromLocalFile(link));

        QVERIFY2(result.ok(), qPrintable(result.ok() ? QString() : result.error()));
        QVERIFY(!QFileInfo(link).isSymLink());
        QCOMPARE(TrashHome::contentOf(target), QByteArray("target"));
        QVERIFY(QFileInfo(result.value().pathInTrash).isSymLink());
        QCOMPARE(QFileInfo(result.value().pathInTrash).symLinkTarget(), target);
    }

    // What cannot be trashed stays where it is, nothing is put in the trash, and the reason is
    // said.
    void refusedItemsStayInPlace_data()
    {
        QTest::addColumn<QString>("relativePath"); // below work/; made as a file unless missing
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << QStringLiteral("gone.txt") << QStringLiteral("文件或文件夹不存在");
        // The parent is a regular file: no folder holds such an item.
        QTest::newRow("below a file") << QStringLiteral("plain.txt/inner.txt") << QStringLiteral("文件夹不存在");
        QTest::newRow("dangling symbolic link") << QStringLiteral("dangling")
                                                << QStringLiteral("指向的项目不存在的符号链接不能移到回收站");
        QTest::newRow("data folder is a file") << QStringLiteral("kept.txt") << QStringLiteral("回收站不可用");
        QTest::newRow("trash folder is a file") << QStringLiteral("kept.txt") << QStringLiteral("回收站不可用");
    }

    void refusedItemsStayInPlace()
    {
        TrashHome home;
        QVERIFY(home.isValid());
        QFETCH(QString, relativePath);
        QFETCH(QString, reason);
        QVERIFY(TrashHome::writeFile(home.work() + QStringLiteral("/plain.txt"), "plain"));
        const QString path = home.work() + u'/' + relativePath;
        const bool made = relativePath == u"kept.txt";
        if (made)
            QVERIFY(TrashHome::writeFile(path, "kept"));
        if (relativePath == u"dangling")
            QVERIFY(QFile::link(home.work() + QStringLiteral("/gone.txt"), path));
        if (QTest::currentDataTag() == QByteArrayView("data folder is a file")) {
            QVERIFY(TrashHome::writeFile(home.root() + QStringLiteral("/data"), "not a folder"));
        } else if (QTest::currentDataTag() == QByteArrayView("trash folder is a file")) {
            QVERIFY(QDir().mkpath(home.root() + QStringLiteral("/data")));
            QVERIFY(TrashHome::writeFile(home.trash(), "not a folder"));
        }
        // Qt, finding no trash folder, would put the item into "files/" of the working folder.
        const QString workingFolder = home.root() + QStringLiteral("/cwd");
        QVERIFY(QDir().mkpath(workingFolder));
        const QString previousWorkingFolder = QDir::currentPath();
        QVERIFY(QDir::setCurrent(workingFolder));

        FreedesktopTrash trash;
        const auto result = trash.moveToTrash(QUrl::fromLocalFile(path));
        QVERIFY(QDir::setCurrent(previousWorkingFolder));

        QVERIFY(!result.ok());
        QCOMPARE(result.error(), reason);
        QCOMPARE(TrashHome::contentOf(home.work() + QStringLiteral("/plain.txt")), QByteArray("plain"));
        if (made)
            QCOMPARE(TrashHome::contentOf(path), QByteArray("kept"));
        if (relativePath == u"dangling")
            QVERIFY(QFileInfo(path).isSymLink());
        QVERIFY(home.trashedNames().isEmpty());
        QCOMPARE(QDir(workingFolder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
    }

    // A name whose bytes are not UTF-8 is refused: through text it would name another file
    // ("caf\uFFFD" or the literal "caf%E9"), or none.
    void inexactNameIsRefused()
    {
        TrashHome home;
        QVERIFY(home.isValid());
        const QByteArray folder = QFile::encodeName(home.work());
        const QByteArray inexact = folder + "/caf\xE9";
        for (const QByteArray& path : {inexact, folder + "/caf%E9", folder + "/caf\xEF\xBF\xBD"}) {
            const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
            QVERIFY(fd >= 0);
            ::close(fd);
        }
        QUrl url = QUrl::fromEncoded("file://" + folder.toPercentEncoding("/") + "/caf%E9");

        FreedesktopTrash trash;
        const auto result = trash.moveToTrash(url);

        QVERIFY(!result.ok());
        QVERIFY2(result.error().startsWith(QStringLiteral("名称含有无法识别的字符")), qPrintable(result.error()));
        struct stat status {};
        QCOMPARE(::lstat(inexact.constData(), &status), 0);
        QVERIFY(QFileInfo::exists(home.work() + QStringLiteral("/caf%E9")));
        QVERIFY(QFileInfo::exists(home.work() + QStringLiteral("/caf\uFFFD")));
        QVERIFY(home.trashedNames().isEmpty());
        ::unlink(inexact.constData());
    }

    void foreignUrlIsRefused_data()
    {
        QTest::addColumn<QUrl>("url");
        QTest::newRow("web page") << QUrl(QStringLiteral("https://example.com/notes.txt"));
        QTest::newRow("file of another machine") << QUrl(QStringLiteral("file://server/share/notes.txt"));
        QTest::newRow("relative path") << QUrl(QStringLiteral("notes.txt"));
    }

    void foreignUrlIsRefused()
    {
        TrashHome home;
        QVERIFY(home.isValid());
        QFETCH(QUrl, url);
        FreedesktopTrash trash;
        const auto result = trash.moveToTrash(url);
        QVERIFY(!result.ok());
        QVERIFY2(result.error().startsWith(QStringLiteral("不是本机上的文件：")), qPrintable(result.error()));
    }

private:
};

QTEST_GUILESS_MAIN(FileTrashTest)
#include "tst_filetrash.moc"
