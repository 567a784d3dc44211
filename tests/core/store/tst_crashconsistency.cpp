#include "core/store/MorvanteelStore.h"
#include "platform/KeyValueStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <random>

#include <signal.h>

using namespace mv;

namespace {

// The child's work: change a note and save, as fast as it can, until it is killed. The saves
// are written on the store's saving thread, so the kill may come at any point of a write while
// newer saves keep arriving.
int saveForever(const QString& folder)
{
    StoreEnvironment environment;
    environment.standardDefaults = std::make_shared<platform::MemoryKeyValueStore>();
    MorvanteelStore store({folder + QStringLiteral("/state.json"), folder + QStringLiteral("/widget_snapshot.json"),
                           folder + QStringLiteral("/demo")},
                          Seeding::enabled, environment);
    // Rounds go on from the document the last child left, so every whole save is a newer one.
    for (qint64 round = store.fences()[3].title.toLongLong() + 1;; ++round) {
        QList<FenceModel> fences = store.fences();
        // Documents of changing length, so that a torn write would show.
        fences[3].tabs[0].noteText = QString(int(round % 5000), u'字');
        fences[3].title = QString::number(round);
        (void)store.setFences(fences);
        store.save();
        // Told once: the kill is timed from the first save, so a slow start on a busy machine
        // cannot use up the whole delay.
        static bool told = false;
        if (!told) {
            // On disk first: what the parent reads after the kill is this round or a later one.
            store.flushPendingSaves();
            std::fputs("saved\n", stdout);
            std::fflush(stdout);
            told = true;
        }
    }
}

} // namespace

class CrashConsistencyTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void killedWhileSavingLeavesAWholeDocument()
    {
        QTemporaryDir dir;
        std::mt19937 random(42);
        std::uniform_int_distribution<int> delay(5, 120);
        qint64 lastRound = -1;
        for (int kill = 0; kill < 25; ++kill) {
            QProcess child;
            child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--save-forever"), dir.path()});
            QVERIFY(child.waitForStarted());
            while (!child.canReadLine())
                QVERIFY(child.waitForReadyRead(20000));
            QCOMPARE(child.readLine().trimmed(), QByteArray("saved"));
            QTest::qWait(delay(random));
            ::kill(pid_t(child.processId()), SIGKILL);
            QVERIFY(child.waitForFinished());

            QFile file(dir.filePath(QStringLiteral("state.json")));
            QVERIFY(file.open(QIODevice::ReadOnly));
            const auto document = decodeDocument(file.readAll());
            QVERIFY2(document, qPrintable(document ? QString() : document.error().text()));
            // Each child saved at least once after the document it started from: the file holds
            // that save or a later one, whole.
            const qint64 round = document.value().fences[3].title.toLongLong();
            QVERIFY2(round > lastRound, qPrintable(QStringLiteral("%1 after %2").arg(round).arg(lastRound)));
            lastRound = round;
            // The snapshot, written on the same thread right after, is whole too.
            QFile snapshot(dir.filePath(QStringLiteral("widget_snapshot.json")));
            QVERIFY(snapshot.open(QIODevice::ReadOnly));
            QVERIFY(json::decode<WidgetSnapshotPayload>(snapshot.readAll()));
        }
    }
};

int main(int argc, char** argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--save-forever") == 0) {
        QCoreApplication app(argc, argv);
        return saveForever(QString::fromLocal8Bit(argv[2]));
    }
    QCoreApplication app(argc, argv);
    CrashConsistencyTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_crashconsistency.moc"
