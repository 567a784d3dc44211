#include "platform/gui/FileRevealer.h"
#include "support/PrivateSessionBus.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusError>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <memory>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace mv::platform;

namespace {

const QString fileManagerName = QStringLiteral("org.freedesktop.FileManager1");
const QString fileManagerPath = QStringLiteral("/org/freedesktop/FileManager1");

// A file manager of the test's own on the private bus: it records what it is asked to show.
class StandInFileManager final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    QList<QStringList> shownItems;
    QStringList startupIds;
    bool failing = false;

public Q_SLOTS:
    void ShowItems(const QStringList& uris, const QString& startupId)
    {
        if (failing) {
            sendErrorReply(QDBusError::Failed, QStringLiteral("cannot show"));
            return;
        }
        shownItems.append(uris);
        startupIds.append(startupId);
    }
};

// Makes an empty file or folder whose path is given as raw bytes (names need not be UTF-8).
bool makeRaw(const QByteArray& path, bool folder)
{
    if (folder)
        return ::mkdir(path.constData(), 0700) == 0;
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    return fd >= 0 && ::close(fd) == 0;
}

// The file URL of raw path bytes as a file manager expects it: every byte outside the
// unreserved characters percent-encoded, "/" kept.
QString encodedFileUri(const QByteArray& path)
{
    return QString::fromLatin1("file://" + path.toPercentEncoding("/"));
}

enum class Service { Present, Absent, Failing, NoBus };

} // namespace

Q_DECLARE_METATYPE(Service)

class FileRevealerTest final : public QObject {
    Q_OBJECT

public:
    explicit FileRevealerTest(QString busAddress) : m_busAddress(std::move(busAddress)) {}

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_root = QFile::encodeName(m_dir.path());
        m_serviceBus = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(m_busAddress, QStringLiteral("stand-in-file-manager")));
        m_clientBus = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(m_busAddress, QStringLiteral("revealer")));
        QVERIFY2(m_serviceBus->isConnected(), qPrintable(m_serviceBus->lastError().message()));
        QVERIFY(m_clientBus->isConnected());
        QVERIFY(m_serviceBus->registerObject(fileManagerPath, &m_fileManager, QDBusConnection::ExportAllSlots));

        // Items of every kind the tables below point at.
        for (const QByteArray& name : {QByteArray("notes.txt"), QByteArray("报告 2024 #1 100%.txt"),
                                       QByteArray("caf\xE9.txt")})
            QVERIFY(makeRaw(m_root + '/' + name, false));
        QVERIFY(makeRaw(m_root + "/Folder", true));
        QVERIFY(makeRaw(m_root + "/caf\xE9", true));
        QVERIFY(makeRaw(m_root + "/caf\xE9/notes.txt", false));
    }

    void cleanupTestCase()
    {
        ::unlink(m_root + "/caf\xE9/notes.txt");
        ::rmdir(m_root + "/caf\xE9");
        ::unlink(m_root + "/caf\xE9.txt");
    }

    void init()
    {
        m_fileManager.shownItems.clear();
        m_fileManager.startupIds.clear();
        m_fileManager.failing = false;
        m_opened.clear();
    }

    void cleanup() { m_serviceBus->unregisterService(fileManagerName); }

    // The file manager receives the one item as a fully encoded file URI, "." and ".." resolved;
    // a name whose bytes are no UTF-8 keeps them percent-encoded, which is exact.
    void showItemsReceivesTheItemUri_data()
    {
        QTest::addColumn<QByteArray>("relativeUrl"); // appended, encoded, to the folder's file URL
        QTest::addColumn<QByteArray>("itemPath");    // raw bytes below the folder
        QTest::newRow("plain file") << QByteArray("/notes.txt") << QByteArray("/notes.txt");
        QTest::newRow("folder") << QByteArray("/Folder") << QByteArray("/Folder");
        QTest::newRow("folder with trailing slash") << QByteArray("/Folder/") << QByteArray("/Folder");
        QTest::newRow("spaces, Chinese, # and %")
            << QByteArray("/报告 2024 #1 100%.txt").toPercentEncoding("/") << QByteArray("/报告 2024 #1 100%.txt");
        QTest::newRow("dot segments") << QByteArray("/Folder/../notes.txt") << QByteArray("/notes.txt");
        QTest::newRow("name not UTF-8") << QByteArray("/caf%E9.txt") << QByteArray("/caf\xE9.txt");
        QTest::newRow("folder not UTF-8") << QByteArray("/caf%E9/notes.txt") << QByteArray("/caf\xE9/notes.txt");
    }

    void showItemsReceivesTheItemUri()
    {
        QFETCH(QByteArray, relativeUrl);
        QFETCH(QByteArray, itemPath);
        QVERIFY(m_serviceBus->registerService(fileManagerName));

        const QUrl url = QUrl::fromEncoded("file://" + m_root.toPercentEncoding("/") + relativeUrl);
        QVERIFY(url.isValid());
        const std::optional<RevealOutcome> outcome = reveal(url);

        QCOMPARE(outcome, RevealOutcome::FileManager);
        QCOMPARE(m_fileManager.shownItems, QList<QStringList>{{encodedFileUri(m_root + itemPath)}});
        QCOMPARE(m_fileManager.startupIds, QStringList{QString()});
        QVERIFY(m_opened.isEmpty());
    }

    // Without a file manager on the bus (none owns the name, the call fails, or there is no
    // bus at all) the folder holding the item is opened through the desktop opener, exactly.
    void withoutFileManagerOpensTheParentFolder_data()
    {
        QTest::addColumn<Service>("service");
        QTest::addColumn<QByteArray>("relativeUrl");
        QTest::addColumn<QByteArray>("folderPath"); // raw bytes below the folder; empty: the folder
        QTest::newRow("no name owner") << Service::Absent << QByteArray("/notes.txt") << QByteArray();
        QTest::newRow("call fails") << Service::Failing << QByteArray("/notes.txt") << QByteArray();
        QTest::newRow("no bus") << Service::NoBus << QByteArray("/notes.txt") << QByteArray();
        QTest::newRow("folder item") << Service::Absent << QByteArray("/Folder/") << QByteArray();
        QTest::newRow("item in a folder") << Service::Absent << QByteArray("/Folder/x.txt") << QByteArray("/Folder");
        QTest::newRow("in a folder not UTF-8")
            << Service::Absent << QByteArray("/caf%E9/notes.txt") << QByteArray("/caf\xE9");
    }

    void withoutFileManagerOpensTheParentFolder()
    {
        QFETCH(Service, service);
        QFETCH(QByteArray, relativeUrl);
        QFETCH(QByteArray, folderPath);
        if (service == Service::Failing) {
            m_fileManager.failing = true;
            QVERIFY(m_serviceBus->registerService(fileManagerName));
        }

        const QUrl url = QUrl::fromEncoded("file://" + m_root.toPercentEncoding("/") + relativeUrl);
        const std::optional<RevealOutcome> outcome = reveal(url, service);

        QCOMPARE(outcome, RevealOutcome::ParentFolder);
        QCOMPARE(m_opened.size(), 1);
        QCOMPARE(m_opened.first().toString(QUrl::FullyEncoded), encodedFileUri(m_root + folderPath));
        QVERIFY(m_fileManager.shownItems.isEmpty());
    }

    // A URL that names no item of this machine is neither shown nor opened, even with a file
    // manager present: a relative path never resolves against the working folder.
    void foreignUrlsAreNotRevealed_data()
    {
        QTest::addColumn<QUrl>("url");
        QTest::newRow("web page") << QUrl(QStringLiteral("https://example.com/notes.txt"));
        QTest::newRow("file of another machine") << QUrl(QStringLiteral("file://server/share/notes.txt"));
        QTest::newRow("relative path") << QUrl(QStringLiteral("notes.txt"));
        QTest::newRow("empty") << QUrl();
    }

    void foreignUrlsAreNotRevealed()
    {
        QFETCH(QUrl, url);
        QVERIFY(m_serviceBus->registerService(fileManagerName));
        QCOMPARE(reveal(url), RevealOutcome::Failed);
        // Give a stray call the time to arrive.
        QTest::qWait(50);
        QVERIFY(m_fileManager.shownItems.isEmpty());
        QVERIFY(m_opened.isEmpty());
    }

    // An opener that refuses the folder leaves the reveal failed.
    void refusedFolderFails()
    {
        FileManagerRevealer revealer(*m_clientBus, [](const QUrl&) { return false; });
        std::optional<RevealOutcome> outcome;
        revealer.reveal(QUrl::fromLocalFile(QFile::decodeName(m_root + "/notes.txt")),
                        [&outcome](RevealOutcome reported) { outcome = reported; });
        QTRY_COMPARE(outcome, RevealOutcome::Failed);
    }

private:
    // Reveals through a revealer on the client connection whose opener records, and waits for
    // the outcome.
    std::optional<RevealOutcome> reveal(const QUrl& url, Service service = Service::Present)
    {
        const QDBusConnection bus = service == Service::NoBus
                                        ? QDBusConnection(QStringLiteral("no such connection"))
                                        : *m_clientBus;
        FileManagerRevealer revealer(bus, [this](const QUrl& folder) {
            m_opened.append(folder);
            return true;
        });
        std::optional<RevealOutcome> outcome;
        int reports = 0;
        revealer.reveal(url, [&](RevealOutcome reported) {
            outcome = reported;
            ++reports;
        });
        if (!QTest::qWaitFor([&] { return outcome.has_value(); }, 5000))
            return std::nullopt;
        // The answer is given once, and the file manager heard of it when it returns.
        QTest::qWait(20);
        return reports == 1 ? outcome : std::nullopt;
    }

    QString m_busAddress;
    QTemporaryDir m_dir;
    QByteArray m_root;
    StandInFileManager m_fileManager;
    std::unique_ptr<QDBusConnection> m_serviceBus;
    std::unique_ptr<QDBusConnection> m_clientBus;
    QList<QUrl> m_opened;
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    PrivateSessionBus bus;
    if (const QString failure = bus.start(); !failure.isEmpty()) {
        std::printf("skipped: %s\n", qPrintable(failure));
        return PrivateSessionBus::skipExitCode;
    }
    FileRevealerTest test(bus.address());
    return QTest::qExec(&test, argc, argv);
}

#include "tst_filerevealer.moc"
