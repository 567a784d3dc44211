#include "platform/SingleInstance.h"
#include "support/UnixSockets.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using mv::platform::SingleInstance;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using Claim = SingleInstance::Claim;

// Launches as separate processes, as the program is launched: this executable, started again
// with MV_INSTANCE_LAUNCH set, claims the instance with its arguments and says on its standard
// output what became of the claim; the one that becomes the instance stays, printing each
// launch it hears, until it is ended.
namespace {

constexpr char launchVariable[] = "MV_INSTANCE_LAUNCH";

int runLaunch(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromUtf8(argv[i]));
    SingleInstance instance;
    const Claim claim = instance.claim(arguments);
    std::printf("claim %s\n", QMetaEnum::fromType<Claim>().valueToKey(int(claim)));
    std::fflush(stdout);
    if (claim != Claim::primary)
        return claim == Claim::forwarded ? 0 : 1;
    QCoreApplication application(argc, argv);
    QObject::connect(&instance, &SingleInstance::argumentsReceived, [](const QStringList& received) {
        for (const QString& argument : received)
            std::printf("received %s\n", argument.toUtf8().constData());
        std::fflush(stdout);
    });
    instance.startReceiving();
    return QCoreApplication::exec();
}

} // namespace

class SingleInstanceProcessesTest final : public QObject {
    Q_OBJECT

    QTemporaryDir m_runtime;
    std::vector<std::unique_ptr<QProcess>> m_launches;

    QString socketPath() const { return m_runtime.filePath(u"morvanteel.socket"_s); }

    QProcess& launch(const QStringList& arguments)
    {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"XDG_RUNTIME_DIR"_s, m_runtime.path());
        environment.insert(QString::fromLatin1(launchVariable), u"1"_s);
        process->setProcessEnvironment(environment);
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(QCoreApplication::applicationFilePath(), arguments);
        m_launches.push_back(std::move(process));
        return *m_launches.back();
    }

    static QString outputOf(QProcess& process) { return QString::fromUtf8(process.readAllStandardOutput()); }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_runtime.isValid());
        ::chmod(QFile::encodeName(m_runtime.path()).constData(), 0700);
        QDir(m_runtime.path()).removeRecursively();
        QVERIFY(QDir().mkpath(m_runtime.path()));
        ::chmod(QFile::encodeName(m_runtime.path()).constData(), 0700);
    }

    void cleanup()
    {
        for (auto& process : m_launches) {
            process->kill();
            process->waitForFinished(5000);
        }
        m_launches.clear();
    }

    // Each time: launches started together agree on one instance, every well-formed launch's
    // link arrives there, and an over-long one is told so.
    void oneInstanceWhateverLiesAtTheSocket_data()
    {
        QTest::addColumn<QString>("obstacle");
        QTest::addColumn<int>("idleConnections");
        QTest::newRow("nothing") << QString() << 0;
        QTest::newRow("a regular file") << u"file"_s << 0;
        QTest::newRow("a folder") << u"folder"_s << 0;
        QTest::newRow("a dead socket") << u"dead socket"_s << 0;
        QTest::newRow("many idle connections held open") << QString() << 300;
    }

    void oneInstanceWhateverLiesAtTheSocket()
    {
        QFETCH(QString, obstacle);
        QFETCH(int, idleConnections);
        if (obstacle == u"file") {
            QFile file(socketPath());
            QVERIFY(file.open(QIODevice::WriteOnly));
        } else if (obstacle == u"folder") {
            QVERIFY(QDir().mkdir(socketPath()));
        } else if (obstacle == u"dead socket") {
            const int fd = unixsockets::bindAt(socketPath(), false);
            QVERIFY(fd >= 0);
            ::close(fd);
        }

        std::vector<int> idle;
        QStringList links;
        if (idleConnections > 0) {
            // The instance first, then connections that say nothing, then the launches.
            QProcess& first = launch({u"morvanteel://spot-search"_s});
            links.append(u"morvanteel://spot-search"_s);
            QTRY_VERIFY(first.canReadLine());
            for (int i = 0; i < idleConnections; ++i) {
                idle.push_back(unixsockets::connectTo(socketPath()));
                QVERIFY(idle.back() >= 0);
            }
        }
        constexpr int together = 6;
        for (int i = 0; i < together; ++i) {
            const QString link = u"morvanteel://open-fence/%1"_s.arg(i);
            links.append(link);
            launch({link});
        }
        // Every launch but the instance ends, having handed its link over.
        const auto running = [&] {
            std::vector<QProcess*> left;
            for (auto& process : m_launches) {
                if (process->state() != QProcess::NotRunning)
                    left.push_back(process.get());
            }
            return left;
        };
        QTRY_VERIFY_WITH_TIMEOUT(running().size() <= 1, 20000);
        QTest::qWait(100);
        QCOMPARE(running().size(), std::size_t(1));
        QProcess* instance = running().front();
        for (auto& process : m_launches) {
            if (process.get() == instance)
                continue;
            QCOMPARE(outputOf(*process), u"claim forwarded\n"_s);
            QCOMPARE(process->exitCode(), 0);
        }
        // A link longer than a message may be is refused as such, not as an instance that does
        // not answer.
        QProcess& tooLong = launch({QString(SingleInstance::maxPayloadSize, u'a')});
        QTRY_VERIFY_WITH_TIMEOUT(tooLong.state() == QProcess::NotRunning, 20000);
        QCOMPARE(outputOf(tooLong), u"claim tooLong\n"_s);
        QCOMPARE(tooLong.exitCode(), 1);
        QVERIFY(instance);
        QStringList heard;
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                while (instance->canReadLine())
                    heard.append(QString::fromUtf8(instance->readLine()).trimmed());
                return heard.size() == links.size();
            }(),
            20000);
        QCOMPARE(heard.first(), u"claim primary"_s);
        QStringList arrived;
        arrived.append(instance->arguments().first());
        for (const QString& line : heard.mid(1)) {
            QVERIFY2(line.startsWith(u"received "_s), qPrintable(line));
            arrived.append(line.mid(9));
        }
        arrived.sort();
        links.sort();
        QCOMPARE(arrived, links);
        for (int fd : idle)
            ::close(fd);
    }
};

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsSet(launchVariable))
        return runLaunch(argc, argv);
    QCoreApplication application(argc, argv);
    SingleInstanceProcessesTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_singleinstanceprocesses.moc"
