#include "platform/SingleInstance.h"
#include "support/UnixSockets.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <csignal>
#include <chrono>
#include <cstring>
#include <future>
#include <memory>

#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using mv::platform::SingleInstance;
using namespace std::chrono_literals;
using namespace Qt::StringLiterals;
using Claim = SingleInstance::Claim;
using unixsockets::bindAt;
using unixsockets::connectTo;

namespace {

// A private runtime folder of the test's own, put in $XDG_RUNTIME_DIR while the fixture lives.
struct RuntimeFolder {
    QTemporaryDir dir;
    QByteArray previous = qgetenv("XDG_RUNTIME_DIR");
    bool hadPrevious = qEnvironmentVariableIsSet("XDG_RUNTIME_DIR");

    RuntimeFolder()
    {
        ::chmod(QFile::encodeName(dir.path()).constData(), 0700);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir.path()));
    }
    ~RuntimeFolder()
    {
        if (hadPrevious)
            qputenv("XDG_RUNTIME_DIR", previous);
        else
            qunsetenv("XDG_RUNTIME_DIR");
    }
    QString socketPath() const { return dir.filePath(u"morvanteel.socket"_s); }
};

// Serves the event loop until a client on another thread is done, and returns its result.
// Claims and raw clients block; the listener they talk to answers only from the event loop.
template<class T>
T served(std::future<T> result)
{
    const auto giveUp = std::chrono::steady_clock::now() + 20s;
    while (result.wait_for(0ms) != std::future_status::ready && std::chrono::steady_clock::now() < giveUp)
        QTest::qWait(5);
    if (result.wait_for(0ms) != std::future_status::ready)
        qFatal("a client never finished");
    return result.get();
}

template<class Work>
auto whileServing(Work work)
{
    return served(std::async(std::launch::async, std::move(work)));
}

enum class Reply { acknowledged, closed, other };

// Sends raw bytes as a launch would, optionally ends its side, and reads what comes back.
Reply sendRaw(const QString& path, const QByteArray& bytes)
{
    const int fd = connectTo(path);
    if (fd < 0)
        return Reply::other;
    timeval wait{10, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    // The listener may hang up halfway through a long message: that is an answer too.
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.constData() + sent, std::size_t(bytes.size() - sent), MSG_NOSIGNAL);
        if (n <= 0)
            break;
        sent += n;
    }
    ::shutdown(fd, SHUT_WR);
    char reply = 0;
    const ssize_t n = ::recv(fd, &reply, 1, 0);
    ::close(fd);
    if (n == 1 && reply == 0x06)
        return Reply::acknowledged;
    if (n == 0 || (n < 0 && errno == ECONNRESET))
        return Reply::closed;
    return Reply::other;
}

QByteArray number(quint32 value)
{
    QByteArray bytes;
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.append(char(value >> shift));
    return bytes;
}

// A message with the right header around `payload`.
QByteArray framed(const QByteArray& payload)
{
    return "MVL1" + number(quint32(payload.size())) + payload;
}

} // namespace

class SingleInstanceTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // -- the message format --------------------------------------------------------------

    void messagesRoundTrip_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("plain launch") << QStringList{};
        QTest::newRow("one link") << QStringList{u"morvanteel://spot-search"_s};
        QTest::newRow("several, in order") << QStringList{u"morvanteel://smart-tidy"_s, u"b"_s, u"a"_s};
        QTest::newRow("empty text") << QStringList{QString()};
        QTest::newRow("non-ASCII") << QStringList{u"/home/用户/文档 1.txt"_s, u"🙂"_s};
        QTest::newRow("newline inside") << QStringList{u"two\nlines"_s};
    }

    void messagesRoundTrip()
    {
        QFETCH(QStringList, arguments);
        const auto bytes = SingleInstance::encodeMessage(arguments);
        QVERIFY(bytes);
        QCOMPARE(SingleInstance::decodeMessage(*bytes), std::optional(arguments));
    }

    // Anything but one whole, well-formed message is refused as a whole.
    void malformedMessagesAreRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray one = number(1) + number(3) + "abc";
        QTest::newRow("nothing") << QByteArray();
        QTest::newRow("header only") << QByteArray("MVL1") + number(0);
        QTest::newRow("wrong magic") << QByteArray("MVL2") + number(quint32(one.size())) + one;
        QTest::newRow("text garbage") << QByteArray("GET / HTTP/1.1\r\nHost: x\r\n\r\n");
        QTest::newRow("a byte more than announced") << framed(one) + 'x';
        QTest::newRow("a byte less than announced") << framed(one).chopped(1);
        QTest::newRow("count too high") << framed(number(2) + number(3) + "abc");
        QTest::newRow("count beyond any payload") << framed(number(0xFFFFFFFF));
        QTest::newRow("text longer than the payload") << framed(number(1) + number(9) + "abc");
        QTest::newRow("trailing bytes after the texts") << framed(one + "zz");
        QTest::newRow("invalid UTF-8") << framed(number(1) + number(2) + "\xC3\x28");
        QTest::newRow("overlong UTF-8 slash") << framed(number(1) + number(2) + "\xC0\xAF");
        QTest::newRow("embedded NUL") << framed(number(1) + number(3) + QByteArray("a\0b", 3));
        QTest::newRow("announced beyond the limit")
            << QByteArray("MVL1") + number(quint32(SingleInstance::maxPayloadSize + 1))
                   + QByteArray(SingleInstance::maxPayloadSize + 1, 'a');
    }

    void malformedMessagesAreRefused()
    {
        QFETCH(QByteArray, bytes);
        QCOMPARE(SingleInstance::decodeMessage(bytes), std::nullopt);
    }

    void messagesAreSizeLimited()
    {
        // Count and length fields take 8 bytes of the payload beside the text.
        const QString fits(SingleInstance::maxPayloadSize - 8, u'a');
        const auto largest = SingleInstance::encodeMessage({fits});
        QVERIFY(largest);
        QCOMPARE(SingleInstance::decodeMessage(*largest), std::optional(QStringList{fits}));
        QCOMPARE(SingleInstance::encodeMessage({fits + u'a'}), std::nullopt);
    }

    // -- real sockets ----------------------------------------------------------------------

    void secondLaunchForwardsToTheFirst_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("plain launch is a reopen") << QStringList{};
        QTest::newRow("links in order")
            << QStringList{u"morvanteel://switch-workspace/X"_s, u"morvanteel://spot-search"_s};
    }

    void secondLaunchForwardsToTheFirst()
    {
        QFETCH(QStringList, arguments);
        RuntimeFolder runtime;
        SingleInstance first;
        QCOMPARE(first.socketPath(), runtime.socketPath());
        QCOMPARE(first.claim({}), Claim::primary);
        first.startReceiving();
        QSignalSpy received(&first, &SingleInstance::argumentsReceived);

        SingleInstance second;
        QCOMPARE(whileServing([&] { return second.claim(arguments); }), Claim::forwarded);
        QVERIFY(!second.isListening());
        QTRY_COMPARE(received.size(), 1);
        QCOMPARE(received.first().first().toStringList(), arguments);

        // And again: the listener goes on after each message.
        SingleInstance third;
        QCOMPARE(whileServing([&] { return third.claim({u"again"_s}); }), Claim::forwarded);
        QTRY_COMPARE(received.size(), 2);
        QCOMPARE(received.last().first().toStringList(), QStringList{u"again"_s});
    }

    // The program listens before it builds its windows and reads only once its event loop
    // runs: a launch in between waits in the queue and is answered then.
    void launchBeforeReceivingStartsIsAnsweredLater()
    {
        RuntimeFolder runtime;
        SingleInstance first;
        QCOMPARE(first.claim({}), Claim::primary);
        QSignalSpy received(&first, &SingleInstance::argumentsReceived);

        SingleInstance second;
        auto pending = std::async(std::launch::async, [&] { return second.claim({u"early"_s}, 10s); });
        QCOMPARE(pending.wait_for(200ms), std::future_status::timeout);
        first.startReceiving();
        QCOMPARE(served(std::move(pending)), Claim::forwarded);
        QTRY_COMPARE(received.size(), 1);
        QCOMPARE(received.first().first().toStringList(), QStringList{u"early"_s});
    }

    void socketIsPrivateAndRemovedWhenDone()
    {
        RuntimeFolder runtime;
        const QByteArray path = QFile::encodeName(runtime.socketPath());
        {
            SingleInstance first;
            QCOMPARE(first.claim({}), Claim::primary);
            struct stat status{};
            QCOMPARE(::lstat(path.constData(), &status), 0);
            QVERIFY(S_ISSOCK(status.st_mode));
            QCOMPARE(status.st_mode & 0777, mode_t(0600));
        }
        QVERIFY(!QFileInfo::exists(runtime.socketPath()));

        // A socket that a later instance put in its place is that instance's: left alone.
        int replacement = -1;
        {
            SingleInstance first;
            QCOMPARE(first.claim({}), Claim::primary);
            QCOMPARE(::unlink(path.constData()), 0);
            replacement = bindAt(runtime.socketPath(), true);
            QVERIFY(replacement >= 0);
        }
        QVERIFY(QFileInfo::exists(runtime.socketPath()));
        ::close(replacement);
    }

    // An instance that died leaves its socket behind; nobody answers on it any more.
    void staleSocketIsTakenOver()
    {
        RuntimeFolder runtime;
        const int dead = bindAt(runtime.socketPath(), true);
        QVERIFY(dead >= 0);
        ::close(dead);
        QVERIFY(QFileInfo::exists(runtime.socketPath()));

        SingleInstance first;
        QCOMPARE(first.claim({u"ignored: the primary handles its own"_s}), Claim::primary);
        first.startReceiving();
        QSignalSpy received(&first, &SingleInstance::argumentsReceived);
        SingleInstance second;
        QCOMPARE(whileServing([&] { return second.claim({u"x"_s}); }), Claim::forwarded);
        QTRY_COMPARE(received.size(), 1);
    }

    // Whatever lies at the socket path or the lock's path, one launch becomes the instance and
    // the next reaches it: a socket is removed, anything else is kept, moved aside.
    void obstacleAtTheSocketPathYieldsOneInstance_data()
    {
        QTest::addColumn<QString>("suffix"); // beside the socket's own path
        QTest::addColumn<QString>("kind");
        QTest::newRow("file at the socket") << QString() << u"file"_s;
        QTest::newRow("folder at the socket") << QString() << u"folder"_s;
        QTest::newRow("folder with content at the socket") << QString() << u"full folder"_s;
        QTest::newRow("link at the socket") << QString() << u"link"_s;
        QTest::newRow("folder at the lock") << u".lock"_s << u"folder"_s;
        QTest::newRow("link at the lock") << u".lock"_s << u"link"_s;
    }

    void obstacleAtTheSocketPathYieldsOneInstance()
    {
        QFETCH(QString, suffix);
        QFETCH(QString, kind);
        RuntimeFolder runtime;
        const QString path = runtime.socketPath() + suffix;
        const QString target = runtime.dir.filePath(u"elsewhere"_s);
        if (kind == u"file") {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("keep me");
        } else if (kind == u"link") {
            QVERIFY(QFile::link(target, path));
        } else {
            QVERIFY(QDir().mkdir(path));
            if (kind == u"full folder") {
                QFile inner(path + u"/inner"_s);
                QVERIFY(inner.open(QIODevice::WriteOnly));
                inner.write("keep me");
            }
        }

        SingleInstance first;
        QCOMPARE(first.claim({}), Claim::primary);
        QVERIFY(first.isListening());
        first.startReceiving();
        QSignalSpy received(&first, &SingleInstance::argumentsReceived);
        // Kept under the first free name beside it, untouched.
        const QString aside = path + u".aside-1"_s;
        if (kind == u"file") {
            QFile file(aside);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), QByteArray("keep me"));
        } else if (kind == u"link") {
            QCOMPARE(QFileInfo(aside).symLinkTarget(), target);
        } else {
            QVERIFY(QFileInfo(aside).isDir());
            if (kind == u"full folder")
                QVERIFY(QFileInfo::exists(aside + u"/inner"_s));
        }

        SingleInstance second;
        QCOMPARE(whileServing([&] { return second.claim({u"x"_s}); }), Claim::forwarded);
        QVERIFY(!second.isPrimary());
        QTRY_COMPARE(received.size(), 1);
    }

    // The lock, not the socket, makes the instance: with its socket gone, a launch still finds
    // it running and is told it cannot reach it, rather than starting a second one.
    void instanceWithoutItsSocketIsNotDoubled()
    {
        RuntimeFolder runtime;
        SingleInstance first;
        QCOMPARE(first.claim({}), Claim::primary);
        QVERIFY(QFile::remove(runtime.socketPath()));
        SingleInstance second;
        QCOMPARE(second.claim({u"x"_s}, 300ms), Claim::unanswered);
        QVERIFY(!second.isPrimary());
        QVERIFY(!second.isListening());

        // A file put there instead changes nothing about that.
        QFile file(runtime.socketPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        SingleInstance third;
        QCOMPARE(third.claim({u"x"_s}, 300ms), Claim::unanswered);
        QVERIFY(!third.isPrimary());
    }

    // An instance that listens but does not answer (still starting, or hung) is neither taken
    // over nor joined by a second copy.
    void silentInstanceLeavesTheLaunchUnanswered()
    {
        RuntimeFolder runtime;
        const int hung = bindAt(runtime.socketPath(), true);
        QVERIFY(hung >= 0);
        SingleInstance second;
        QCOMPARE(second.claim({u"morvanteel://spot-search"_s}, 300ms), Claim::unanswered);
        QVERIFY(!second.isListening());
        QVERIFY(QFileInfo::exists(runtime.socketPath()));
        ::close(hung);
    }

    void argumentsTooLongForOneMessageAreNotForwarded()
    {
        RuntimeFolder runtime;
        SingleInstance first;
        QCOMPARE(first.claim({}), Claim::primary);
        first.startReceiving();
        QSignalSpy received(&first, &SingleInstance::argumentsReceived);
        SingleInstance second;
        const QStringList huge{QString(SingleInstance::maxPayloadSize, u'a')};
        QCOMPARE(whileServing([&] { return second.claim(huge); }), Claim::tooLong);
        QVERIFY(!second.isListening());
        QTest::qWait(20);
        QCOMPARE(received.size(), 0);
    }

    // Several launches at the same moment agree on one listener; none removes another's
    // fresh socket as stale.
    void concurrentLaunchesAgreeOnOneListener()
    {
        RuntimeFolder runtime;
        std::vector<std::unique_ptr<SingleInstance>> instances;
        for (int i = 0; i < 8; ++i)
            instances.push_back(std::make_unique<SingleInstance>());
        std::vector<std::future<Claim>> claims;
        for (auto& instance : instances)
            claims.push_back(std::async(std::launch::async, [&instance] { return instance->claim({}, 500ms); }));
        int primaries = 0;
        int unanswered = 0;
        for (auto& claim : claims) {
            const Claim result = claim.get();
            primaries += result == Claim::primary;
            unanswered += result == Claim::unanswered;
        }
        // Nobody is receiving, so everyone but the listener is left without an answer.
        QCOMPARE(primaries, 1);
        QCOMPARE(unanswered, 7);
    }

    // Garbage, oversized and invalid messages get no answer and no signal, and the listener
    // keeps answering proper launches afterwards.
    void badMessagesAreIgnored_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("garbage") << QByteArray("\x01\x02garbage garbage garbage");
        QTest::newRow("header announcing a megabyte") << QByteArray("MVL1") + number(1 << 20) + "abc";
        QTest::newRow("oversized, sent in full")
            << QByteArray("MVL1") + number(quint32(SingleInstance::maxPayloadSize + 4))
                   + QByteArray(SingleInstance::maxPayloadSize + 4, 'a');
        QTest::newRow("invalid UTF-8") << framed(number(1) + number(1) + "\xFF");
        QTest::newRow("cut short, then closed") << framed(number(1) + number(10) + "abc").chopped(2);
        QTest::newRow("nothing, then closed") << QByteArray();
    }

    void badMessagesAreIgnored()
    {
        QFETCH(QByteArray, bytes);
        RuntimeFolder runtime;
        SingleInstance first;
        QCOMPARE(first.claim({}), Claim::primary);
        first.startReceiving();
        QSignalSpy received(&first, &SingleInstance::argumentsReceived);

        QCOMPARE(whileServing([&] { return sendRaw(runtime.socketPath(), bytes); }), Reply::closed);
        QCOMPARE(received.size(), 0);

        SingleInstance second;
        QCOMPARE(whileServing([&] { return second.claim({u"after"_s}); }), Claim::forwarded);
        QTRY_COMPARE(received.size(), 1);
        QCOMPARE(received.first().first().toStringList(), QStringList{u"after"_s});
    }

    // A message that arrives in small chunks is put together.
    void messageInChunksIsAssembled()
    {
        RuntimeFolder runtime;
        SingleInstance first;
        QCOMPARE(first.claim({}), Claim::primary);
        first.startReceiving();
        QSignalSpy received(&first, &SingleInstance::argumentsReceived);
        const QByteArray message = *SingleInstance::encodeMessage({u"bit by bit"_s});

        const int fd = connectTo(runtime.socketPath());
        QVERIFY(fd >= 0);
        for (qsizetype i = 0; i < message.size(); i += 5) {
            QVERIFY(::send(fd, message.constData() + i, std::size_t(std::min<qsizetype>(5, message.size() - i)),
                           MSG_NOSIGNAL) > 0);
            QTest::qWait(2);
        }
        QTRY_COMPARE(received.size(), 1);
        QCOMPARE(received.first().first().toStringList(), QStringList{u"bit by bit"_s});
        char reply = 0;
        QCOMPARE(::recv(fd, &reply, 1, 0), ssize_t(1));
        QCOMPARE(reply, char(0x06));
        ::close(fd);
    }

    // Launches that connect and say nothing, however many, do not hold up the next one.
    void silentClientsDoNotHoldOthersUp_data()
    {
        QTest::addColumn<int>("silent");
        QTest::newRow("one") << 1;
        QTest::newRow("more than the old slots") << 9;
        QTest::newRow("more than are ever held") << 300;
    }

    void silentClientsDoNotHoldOthersUp()
    {
        QFETCH(int, silent);
        RuntimeFolder runtime;
        SingleInstance first;
        QCOMPARE(first.claim({}), Claim::primary);
        first.startReceiving();
        QSignalSpy received(&first, &SingleInstance::argumentsReceived);
        std::vector<int> idle;
        for (int i = 0; i < silent; ++i) {
            idle.push_back(whileServing([&] { return connectTo(runtime.socketPath()); }));
            QVERIFY(idle.back() >= 0);
        }
        QTest::qWait(20);
        SingleInstance second;
        QCOMPARE(whileServing([&] { return second.claim({u"next"_s}); }), Claim::forwarded);
        QTRY_COMPARE(received.size(), 1);
        for (int fd : idle)
            ::close(fd);
    }

    // -- where the socket lives -------------------------------------------------------------

    void runtimeFolderThatIsNotPrivateIsNotUsed_data()
    {
        QTest::addColumn<QByteArray>("runtime"); // "@" stands for a temporary folder of mode 0755
        QTest::newRow("unset") << QByteArray();
        QTest::newRow("relative") << QByteArray("run/user");
        QTest::newRow("open to others") << QByteArray("@");
        QTest::newRow("missing") << QByteArray("/nonexistent/runtime");
    }

    void runtimeFolderThatIsNotPrivateIsNotUsed()
    {
        QFETCH(QByteArray, runtime);
        RuntimeFolder saved; // restores the variable afterwards
        QTemporaryDir open;
        ::chmod(QFile::encodeName(open.path()).constData(), 0755);
        if (runtime.isEmpty())
            qunsetenv("XDG_RUNTIME_DIR");
        else
            qputenv("XDG_RUNTIME_DIR", runtime == "@" ? QFile::encodeName(open.path()) : runtime);

        const QString name = u"tst-singleinstance-%1"_s.arg(::getpid());
        const QString folder = u"/tmp/%1-%2"_s.arg(name).arg(::geteuid());
        QDir(folder).removeRecursively();
        {
            SingleInstance instance(name);
            QCOMPARE(instance.socketPath(), folder + u"/"_s + name + u".socket"_s);
            struct stat status{};
            QCOMPARE(::lstat(QFile::encodeName(folder).constData(), &status), 0);
            QVERIFY(S_ISDIR(status.st_mode));
            QCOMPARE(status.st_mode & 0777, mode_t(0700));
            QCOMPARE(instance.claim({}), Claim::primary);
        }
        QVERIFY(QDir(folder).removeRecursively());
    }

    // The fallback folder is ours or not used: one of ours left open is closed up, a file (or
    // a link) in its place is never used.
    void fallbackFolderIsCheckedBeforeUse()
    {
        RuntimeFolder saved;
        qunsetenv("XDG_RUNTIME_DIR");
        const QString name = u"tst-singleinstance-fallback-%1"_s.arg(::getpid());
        const QByteArray folder = QFile::encodeName(u"/tmp/%1-%2"_s.arg(name).arg(::geteuid()));

        QCOMPARE(::mkdir(folder.constData(), 0777), 0);
        ::chmod(folder.constData(), 0777);
        {
            SingleInstance instance(name);
            QVERIFY(!instance.socketPath().isEmpty());
            struct stat status{};
            QCOMPARE(::lstat(folder.constData(), &status), 0);
            QCOMPARE(status.st_mode & 0777, mode_t(0700));
        }
        QCOMPARE(::rmdir(folder.constData()), 0);

        QCOMPARE(::symlink("/tmp", folder.constData()), 0);
        {
            SingleInstance instance(name);
            QVERIFY(instance.socketPath().isEmpty());
            QCOMPARE(instance.claim({}), Claim::unavailable);
        }
        QCOMPARE(::unlink(folder.constData()), 0);

        QFile file(QFile::decodeName(folder));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        {
            SingleInstance instance(name);
            QVERIFY(instance.socketPath().isEmpty());
        }
        QVERIFY(file.remove());
    }

    // -- other users --------------------------------------------------------------------------

    // A process of another user that reaches the socket anyway gets no hearing. Acting as
    // another user with the right to pass the folder's permissions needs root: a child drops
    // to "nobody" keeping only the permission override, so that the peer check alone decides.
    void launchOfAnotherUserIsRefused()
    {
        if (::geteuid() != 0)
            QSKIP("acting as another user needs root");
        RuntimeFolder runtime;
        SingleInstance first;
        QCOMPARE(first.claim({}), Claim::primary);
        first.startReceiving();
        QSignalSpy received(&first, &SingleInstance::argumentsReceived);

        const QByteArray message = *SingleInstance::encodeMessage({u"from nobody"_s});
        const QByteArray path = QFile::encodeName(runtime.socketPath());
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));

        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            // Only system calls from here on.
            constexpr int cannotTry = 77;
            if (::prctl(PR_SET_KEEPCAPS, 1L, 0L, 0L, 0L) != 0 || ::setresgid(65534, 65534, 65534) != 0
                || ::setresuid(65534, 65534, 65534) != 0)
                ::_exit(cannotTry);
            __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
            __user_cap_data_struct capabilities[2]{};
            capabilities[0].effective = capabilities[0].permitted = 1u << CAP_DAC_OVERRIDE;
            if (::syscall(SYS_capset, &header, capabilities) != 0)
                ::_exit(cannotTry);
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            if (fd < 0 || ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
                ::_exit(cannotTry);
            timeval wait{10, 0};
            ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
            ::send(fd, message.constData(), std::size_t(message.size()), MSG_NOSIGNAL);
            char reply = 0;
            const ssize_t n = ::recv(fd, &reply, 1, 0);
            ::_exit(n == 1 ? 1 : n == 0 || errno == ECONNRESET ? 0 : 2);
        }
        int status = 0;
        const auto giveUp = std::chrono::steady_clock::now() + 20s;
        pid_t done = 0;
        while ((done = ::waitpid(child, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < giveUp)
            QTest::qWait(5);
        if (done == 0) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            QFAIL("the child never finished");
        }
        QVERIFY(WIFEXITED(status));
        if (WEXITSTATUS(status) == 77)
            QSKIP("this machine does not let root act as another user while keeping the permission override");
        QCOMPARE(WEXITSTATUS(status), 0); // closed without an answer
        QCOMPARE(received.size(), 0);

        // The listener still hears its own user.
        SingleInstance second;
        QCOMPARE(whileServing([&] { return second.claim({u"mine"_s}); }), Claim::forwarded);
        QTRY_COMPARE(received.size(), 1);
    }
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "tst_singleinstance.moc"
