#include "platform/AtomicFile.h"
#include "support/FileSizeLimit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>

#include <sys/stat.h>

using namespace mv::platform;

namespace {

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

mode_t modeOf(const QString& path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? (info.st_mode & 07777) : 0;
}

bool writePlain(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class AtomicFileTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void writesPrivateFilesCreatingFolders()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a/b/state.json"));
        QCOMPARE(writeFileAtomically(path, "first"), std::nullopt);
        QCOMPARE(contents(path), QByteArray("first"));
        QCOMPARE(modeOf(path), mode_t(0600));

        QCOMPARE(writeFileAtomically(path, "second, longer"), std::nullopt);
        QCOMPARE(contents(path), QByteArray("second, longer"));
        QCOMPARE(modeOf(path), mode_t(0600));
        // No temporary files are left beside it.
        QCOMPARE(QDir(dir.filePath(QStringLiteral("a/b"))).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("state.json")});
    }

    void tightensAnExistingWorldReadableFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("state.json"));
        QVERIFY(writePlain(path, "old"));
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0644) == 0);
        QCOMPARE(writeFileAtomically(path, "new"), std::nullopt);
        QCOMPARE(modeOf(path), mode_t(0600));
    }

    void writesThroughASymbolicLink()
    {
        QTemporaryDir dir;
        const QString real = dir.filePath(QStringLiteral("real.json"));
        const QString link = dir.filePath(QStringLiteral("link.json"));
        QVERIFY(writePlain(real, "old"));
        QVERIFY(QFile::link(real, link));
        QCOMPARE(writeFileAtomically(link, "new"), std::nullopt);
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(contents(real), QByteArray("new"));
    }

    void reportsFailureAndKeepsWhatWasThere()
    {
        QTemporaryDir dir;
        const QString blocker = dir.filePath(QStringLiteral("plain-file"));
        QVERIFY(writePlain(blocker, "keep me"));

        // A parent that is a regular file cannot hold the new file: the folder is not there.
        QCOMPARE(writeFileAtomically(blocker + QStringLiteral("/state.json"), "x"), (FileError{ENOTDIR, blocker}));
        QCOMPARE(writeFileAtomically(blocker + QStringLiteral("/deeper/state.json"), "x"), (FileError{ENOTDIR, blocker}));
        QCOMPARE(contents(blocker), QByteArray("keep me"));

        // A folder in the way of the file is not replaced, and nothing is left beside it.
        const QString folder = dir.filePath(QStringLiteral("folder"));
        QVERIFY(QDir().mkpath(folder + QStringLiteral("/inner")));
        QCOMPARE(writeFileAtomically(folder, "x"), (FileError{EISDIR, folder}));
        QVERIFY(QFileInfo(folder + QStringLiteral("/inner")).isDir());
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 (QStringList{QStringLiteral("folder"), QStringLiteral("plain-file")}));
    }

    void aWriteCutShortFailsAndKeepsTheOldFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("state.json"));
        QVERIFY(writePlain(path, "old"));
        {
            FileSizeLimit limit(1000);
            QVERIFY(limit.ok());
            // The first thousand bytes go out; the rest is refused, and that is a failure.
            QCOMPARE(writeFileAtomically(path, QByteArray(5000, 'a')), (FileError{EFBIG, path}));
        }
        QCOMPARE(contents(path), QByteArray("old"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("state.json")});
    }

    void describesTheFailureInChinese()
    {
        QCOMPARE((FileError{ENOSPC, QStringLiteral("/数据/state.json")}).errorDescription(),
                 QStringLiteral("磁盘空间不足：/数据/state.json"));
    }
};

QTEST_GUILESS_MAIN(AtomicFileTest)
#include "tst_atomicfile.moc"
