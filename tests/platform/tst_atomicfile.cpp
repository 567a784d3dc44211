#include "platform/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

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
        QCOMPARE(QDir(dir.filePath(QStringLiteral("a/b"))).entryList(QDir::Files), QStringList{QStringLiteral("state.json")});
    }

    void tightensAnExistingWorldReadableFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("state.json"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("old");
        file.close();
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0644) == 0);
        QCOMPARE(writeFileAtomically(path, "new"), std::nullopt);
        QCOMPARE(modeOf(path), mode_t(0600));
    }

    void reportsFailureAndKeepsWhatWasThere()
    {
        QTemporaryDir dir;
        const QString blocker = dir.filePath(QStringLiteral("plain-file"));
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("keep me");
        file.close();

        // A parent that is a regular file cannot hold the new file.
        const auto error = writeFileAtomically(blocker + QStringLiteral("/state.json"), "x");
        QVERIFY(error.has_value());
        QVERIFY(!error->isEmpty());
        QCOMPARE(contents(blocker), QByteArray("keep me"));

        // A folder in the way of the file is not replaced.
        const QString folder = dir.filePath(QStringLiteral("folder"));
        QVERIFY(QDir().mkpath(folder + QStringLiteral("/inner")));
        QVERIFY(writeFileAtomically(folder, "x").has_value());
        QVERIFY(QFileInfo(folder + QStringLiteral("/inner")).isDir());
    }
};

QTEST_GUILESS_MAIN(AtomicFileTest)
#include "tst_atomicfile.moc"
