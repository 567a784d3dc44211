#include "platform/SingleInstance.h"

#include <QFile>
#include <QLoggingCategory>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace mv::platform {

namespace {

Q_LOGGING_CATEGORY(singleInstanceLog, "morvanteel.platform.singleinstance", QtWarningMsg)

using Clock = std::chrono::steady_clock;

// A message: the magic, the payload's length, then the payload: the count of texts and each
// text as its length and its UTF-8 bytes. Every number is 32 bits, big-endian.
constexpr std::array<char, 4> magic{'M', 'V', 'L', '1'};
constexpr qsizetype headerSize = 8;
constexpr char acknowledgement = 0x06;

// Connections held at once. A launch talks for a moment, so when more arrive the oldest (most
// likely an idle one) makes room: a client that says nothing never costs a launch its link.
constexpr std::size_t maxClients = 256;
// A launch that connects and then says nothing is dropped after this long.
constexpr int clientTimeoutMs = 5000;
// After a failed accept (out of descriptors) the listener rests this long instead of spinning.
constexpr int acceptRetryMs = 1000;

class FileDescriptor final {
public:
    explicit FileDescriptor(int fd = -1) : m_fd(fd) {}
    ~FileDescriptor() { reset(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor(FileDescriptor&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_fd = std::exchange(other.m_fd, -1);
        }
        return *this;
    }

    int get() const { return m_fd; }
    bool isValid() const { return m_fd >= 0; }
    int release() { return std::exchange(m_fd, -1); }
    void reset()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd = -1;
};

void appendNumber(QByteArray& bytes, quint32 value)
{
    bytes.append(char(value >> 24));
    bytes.append(char(value >> 16));
    bytes.append(char(value >> 8));
    bytes.append(char(value));
}

quint32 readNumber(QByteArrayView bytes, qsizetype at)
{
    const auto byte = [&](qsizetype i) { return quint32(static_cast<unsigned char>(bytes[at + i])); };
    return byte(0) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3);
}

// The payload length a header announces; none when it is no header of ours or announces more
// than the limit.
std::optional<qsizetype> announcedPayloadSize(QByteArrayView header)
{
    if (header.size() < headerSize || std::memcmp(header.data(), magic.data(), magic.size()) != 0)
        return std::nullopt;
    const quint32 size = readNumber(header, 4);
    if (size > quint32(SingleInstance::maxPayloadSize))
        return std::nullopt;
    return qsizetype(size);
}

int remainingMs(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return int(std::clamp<long long>(left, 0, 60'000));
}

// Waits for `events` on `fd` until the deadline; false on timeout or error.
bool waitFor(int fd, short events, Clock::time_point deadline)
{
    for (;;) {
        pollfd entry{fd, events, 0};
        const int ready = ::poll(&entry, 1, remainingMs(deadline));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        // POLLHUP still lets the last bytes or the end be read.
        return (entry.revents & (events | POLLHUP)) != 0;
    }
}

bool peerIsThisUser(int fd)
{
    ucred credentials{};
    socklen_t length = sizeof credentials;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0 || length != sizeof credentials)
        return false;
    return credentials.uid == ::geteuid();
}

// A folder fit to hold the socket: a real folder of ours that nobody else can enter.
bool isPrivateFolder(const QByteArray& path)
{
    struct stat status{};
    if (::lstat(path.constData(), &status) != 0)
        return false;
    return S_ISDIR(status.st_mode) && status.st_uid == ::geteuid() && (status.st_mode & 077) == 0;
}

// /tmp/<name>-<uid>, made when missing. A folder of ours that others may enter is closed up; a
// folder of someone else's (or a link, or a file) under that name is never used.
std::optional<QByteArray> fallbackFolder(const QString& name)
{
    const QByteArray path = "/tmp/" + QFile::encodeName(name) + '-' + QByteArray::number(::geteuid());
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return std::nullopt;
    struct stat status{};
    if (::lstat(path.constData(), &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != ::geteuid())
        return std::nullopt;
    if ((status.st_mode & 077) != 0 && ::chmod(path.constData(), 0700) != 0)
        return std::nullopt;
    return path;
}

std::optional<sockaddr_un> socketAddress(const QString& socketPath)
{
    const QByteArray path = QFile::encodeName(socketPath);
    sockaddr_un address{};
    if (path.isEmpty() || std::size_t(path.size()) >= sizeof address.sun_path)
        return std::nullopt;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
    return address;
}

FileDescriptor newSocket()
{
    return FileDescriptor(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
}

enum class Probe { connected, stale, absent, failed };

// Connects to the socket at `address`: a live listener, a socket file nobody listens on any
// more, no file, or something that cannot be reached.
Probe probe(const sockaddr_un& address, Clock::time_point deadline, FileDescriptor& connection)
{
    for (;;) {
        FileDescriptor fd = newSocket();
        if (!fd.isValid())
            return Probe::failed;
        int result;
        do
            result = ::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
        while (result != 0 && errno == EINTR);
        if (result == 0) {
            connection = std::move(fd);
            return Probe::connected;
        }
        switch (errno) {
        case ECONNREFUSED:
            return Probe::stale;
        case ENOENT:
            return Probe::absent;
        case EAGAIN:
            // The listener's queue is full: it is alive, so wait for room.
            if (remainingMs(deadline) == 0)
                return Probe::failed;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            continue;
        default:
            return Probe::failed;
        }
    }
}

bool sendAll(int fd, QByteArrayView bytes, Clock::time_point deadline)
{
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, std::size_t(bytes.size() - sent), MSG_NOSIGNAL);
        if (n > 0) {
            sent += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && waitFor(fd, POLLOUT, deadline))
            continue;
        return false;
    }
    return true;
}

bool awaitAcknowledgement(int fd, Clock::time_point deadline)
{
    for (;;) {
        char reply = 0;
        const ssize_t n = ::recv(fd, &reply, 1, 0);
        if (n == 1)
            return reply == acknowledgement;
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && waitFor(fd, POLLIN, deadline))
            continue;
        return false; // closed without an answer, or no answer in time
    }
}

// Moves whatever is at `path` out of the way, keeping it under the first free
// "<path>.aside-<n>". False when nothing could be moved.
bool moveAside(const QByteArray& path)
{
    for (int n = 1; n < 1000; ++n) {
        const QByteArray target = path + ".aside-" + QByteArray::number(n);
        struct stat status{};
        if (::lstat(target.constData(), &status) == 0)
            continue;
        if (::rename(path.constData(), target.constData()) == 0) {
            qCWarning(singleInstanceLog) << "moved" << QFile::decodeName(path) << "aside to" << QFile::decodeName(target);
            return true;
        }
        return false;
    }
    return false;
}

// The instance lock's file: a regular file of ours. A folder, link or other thing under its
// name is moved aside once, so that it can never keep every launch unguarded.
FileDescriptor openLockFile(const QByteArray& path)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        FileDescriptor fd(::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600));
        struct stat status{};
        if (fd.isValid() && ::fstat(fd.get(), &status) == 0 && S_ISREG(status.st_mode))
            return fd;
        const int error = errno;
        fd.reset();
        struct stat present{};
        if (attempt > 0 || ::lstat(path.constData(), &present) != 0 || S_ISREG(present.st_mode) || !moveAside(path)) {
            errno = error;
            break;
        }
    }
    return FileDescriptor();
}

enum class Lock { taken, held, failed };

Lock tryLock(int fd)
{
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            return Lock::taken;
        if (errno == EINTR)
            continue;
        return errno == EWOULDBLOCK ? Lock::held : Lock::failed;
    }
}

// Hands the message to the listener on `connection` and waits for its acknowledgement.
bool forward(int connection, const QByteArray& message, Clock::time_point deadline)
{
    return sendAll(connection, message, deadline) && awaitAcknowledgement(connection, deadline);
}

} // namespace

SingleInstance::SingleInstance(const QString& name, QObject* parent)
    : QObject(parent)
{
    if (name.isEmpty() || name.contains(u'/') || name == u"." || name == u"..")
        return;
    std::optional<QByteArray> folder;
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (runtime.startsWith('/') && isPrivateFolder(runtime))
        folder = runtime;
    else
        folder = fallbackFolder(name);
    if (!folder)
        return;
    if (folder->endsWith('/'))
        folder->chop(1);
    m_socketPath = QFile::decodeName(*folder + '/' + QFile::encodeName(name) + ".socket");
}

SingleInstance::~SingleInstance()
{
    while (!m_clients.empty())
        dropClient(m_clients.back().fd);
    stopListening();
    // Last: a launch that finds the lock free finds no socket of ours either.
    if (m_lockFd >= 0)
        ::close(m_lockFd);
}

std::optional<QByteArray> SingleInstance::encodeMessage(const QStringList& arguments)
{
    QByteArray payload;
    appendNumber(payload, quint32(arguments.size()));
    for (const QString& argument : arguments) {
        const QByteArray text = argument.toUtf8();
        if (payload.size() + 4 + text.size() > maxPayloadSize)
            return std::nullopt;
        appendNumber(payload, quint32(text.size()));
        payload.append(text);
    }
    QByteArray message(magic.data(), magic.size());
    appendNumber(message, quint32(payload.size()));
    return message + payload;
}

std::optional<QStringList> SingleInstance::decodeMessage(QByteArrayView bytes)
{
    const auto payloadSize = announcedPayloadSize(bytes);
    if (!payloadSize || bytes.size() != headerSize + *payloadSize || *payloadSize < 4)
        return std::nullopt;
    const QByteArrayView payload = bytes.sliced(headerSize);
    const quint32 count = readNumber(payload, 0);
    // Each text takes at least its length field: a count beyond that is a lie.
    if (count > quint32((payload.size() - 4) / 4))
        return std::nullopt;
    QStringList arguments;
    arguments.reserve(qsizetype(count));
    qsizetype at = 4;
    for (quint32 i = 0; i < count; ++i) {
        if (payload.size() - at < 4)
            return std::nullopt;
        const quint32 length = readNumber(payload, at);
        at += 4;
        if (length > quint32(payload.size() - at))
            return std::nullopt;
        const QByteArrayView text = payload.sliced(at, qsizetype(length));
        if (!text.isValidUtf8() || text.contains('\0'))
            return std::nullopt;
        arguments.append(QString::fromUtf8(text));
        at += qsizetype(length);
    }
    if (at != payload.size())
        return std::nullopt;
    return arguments;
}

SingleInstance::Claim SingleInstance::claim(const QStringList& arguments, std::chrono::milliseconds timeout)
{
    if (m_lockFd >= 0)
        return Claim::primary;
    const auto deadline = Clock::now() + timeout;
    const auto address = socketAddress(m_socketPath);
    if (!address)
        return Claim::unavailable;
    const QByteArray path = QFile::encodeName(m_socketPath);
    const auto message = encodeMessage(arguments);

    FileDescriptor lock = openLockFile(path + ".lock");
    if (!lock.isValid()) {
        qCWarning(singleInstanceLog) << "no instance lock at" << m_socketPath + QStringLiteral(".lock") << std::strerror(errno);
        return Claim::unavailable;
    }

    // Hands the arguments over on a connection to the running instance.
    const auto handOver = [&](const FileDescriptor& connection) {
        // Only a listener of this user's is told anything.
        if (!peerIsThisUser(connection.get())) {
            qCWarning(singleInstanceLog) << "the socket" << m_socketPath << "belongs to another user";
            return Claim::unanswered;
        }
        if (!message)
            return Claim::tooLong;
        return forward(connection.get(), *message, deadline) ? Claim::forwarded : Claim::unanswered;
    };

    for (;;) {
        switch (tryLock(lock.get())) {
        case Lock::failed:
            return Claim::unavailable;
        case Lock::taken: {
            FileDescriptor connection;
            // A listener without the lock is an instance that predates it: it is the one running.
            if (probe(*address, deadline, connection) == Probe::connected)
                return handOver(connection);
            m_lockFd = lock.release();
            if (!listen())
                qCWarning(singleInstanceLog) << "running without a socket at" << m_socketPath
                                             << "; later launches cannot reach this one";
            return Claim::primary;
        }
        case Lock::held: {
            // The instance runs, or another launch is in the middle of becoming it and listens
            // in a moment.
            FileDescriptor connection;
            if (probe(*address, deadline, connection) == Probe::connected)
                return handOver(connection);
            if (remainingMs(deadline) == 0)
                return Claim::unanswered;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            break;
        }
        }
    }
}

// With the lock held: clears the socket path of whatever lies there and listens on it.
bool SingleInstance::listen()
{
    const auto address = socketAddress(m_socketPath);
    const QByteArray path = QFile::encodeName(m_socketPath);
    struct stat status{};
    if (::lstat(path.constData(), &status) == 0) {
        // Nobody listens there (the lock says so): a socket is left by an instance that died;
        // anything else is kept, out of the way.
        const bool cleared = S_ISSOCK(status.st_mode) ? ::unlink(path.constData()) == 0 : moveAside(path);
        if (!cleared)
            return false;
    }
    FileDescriptor listener = newSocket();
    if (!listener.isValid()
        || ::bind(listener.get(), reinterpret_cast<const sockaddr*>(&*address), sizeof *address) != 0)
        return false;
    // The folder is private already; the socket itself is too.
    if (::chmod(path.constData(), 0600) != 0 || ::lstat(path.constData(), &status) != 0
        || ::listen(listener.get(), 64) != 0) {
        ::unlink(path.constData());
        return false;
    }
    m_boundDevice = status.st_dev;
    m_boundInode = status.st_ino;
    m_listenFd = listener.release();
    return true;
}

void SingleInstance::startReceiving()
{
    if (m_listenFd < 0 || m_listenNotifier)
        return;
    m_listenNotifier = new QSocketNotifier(qintptr(m_listenFd), QSocketNotifier::Read, this);
    connect(m_listenNotifier, &QSocketNotifier::activated, this, &SingleInstance::acceptConnections);
}

void SingleInstance::acceptConnections()
{
    for (;;) {
        FileDescriptor fd(::accept4(m_listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!fd.isValid()) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                // Out of descriptors, most likely: the connection stays queued, and the
                // notifier would fire at once again.
                qCWarning(singleInstanceLog) << "accept failed:" << std::strerror(errno);
                m_listenNotifier->setEnabled(false);
                QTimer::singleShot(acceptRetryMs, this, [this] {
                    if (m_listenNotifier)
                        m_listenNotifier->setEnabled(true);
                });
            }
            return;
        }
        if (!peerIsThisUser(fd.get())) {
            qCWarning(singleInstanceLog) << "refused a launch of another user";
            continue;
        }
        if (m_clients.size() >= maxClients)
            dropClient(m_clients.front().fd);

        Client client;
        client.fd = fd.release();
        client.notifier = new QSocketNotifier(qintptr(client.fd), QSocketNotifier::Read, this);
        const int clientFd = client.fd;
        connect(client.notifier, &QSocketNotifier::activated, this, [this, clientFd] { readClient(clientFd); });
        auto* timer = new QTimer(this);
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, this, [this, clientFd] { dropClient(clientFd); });
        timer->start(clientTimeoutMs);
        client.deadline = timer;
        m_clients.push_back(std::move(client));
    }
}

void SingleInstance::readClient(int fd)
{
    const auto found = std::find_if(m_clients.begin(), m_clients.end(), [fd](const Client& c) { return c.fd == fd; });
    if (found == m_clients.end())
        return;
    QByteArray& buffer = found->buffer;
    for (;;) {
        // Read no further than the message: first the header, then what it announces.
        qsizetype wanted = headerSize - buffer.size();
        if (buffer.size() >= headerSize) {
            const auto payloadSize = announcedPayloadSize(buffer);
            if (!payloadSize) {
                dropClient(fd);
                return;
            }
            wanted = headerSize + *payloadSize - buffer.size();
        }
        if (wanted == 0)
            break;
        const qsizetype before = buffer.size();
        buffer.resize(before + wanted);
        const ssize_t n = ::read(fd, buffer.data() + before, std::size_t(wanted));
        buffer.resize(before + std::max<qsizetype>(n, 0));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return; // the rest comes later
        if (n <= 0) {
            dropClient(fd); // gone before the message was whole
            return;
        }
    }

    const auto arguments = decodeMessage(buffer);
    if (arguments)
        ::send(fd, &acknowledgement, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
    dropClient(fd);
    if (arguments)
        Q_EMIT argumentsReceived(*arguments);
}

void SingleInstance::dropClient(int fd)
{
    const auto found = std::find_if(m_clients.begin(), m_clients.end(), [fd](const Client& c) { return c.fd == fd; });
    if (found == m_clients.end())
        return;
    // Either may be the sender of the signal being handled: disarm now, delete later.
    found->notifier->setEnabled(false);
    found->notifier->deleteLater();
    found->deadline->deleteLater();
    found->deadline->disconnect(this);
    ::close(found->fd);
    m_clients.erase(found);
}

void SingleInstance::stopListening()
{
    if (m_listenFd < 0)
        return;
    if (m_listenNotifier) {
        m_listenNotifier->setEnabled(false);
        delete m_listenNotifier;
        m_listenNotifier = nullptr;
    }
    ::close(m_listenFd);
    m_listenFd = -1;
    // A later instance may have taken the path over (after judging ours stale): leave its own.
    const QByteArray path = QFile::encodeName(m_socketPath);
    struct stat status{};
    if (::lstat(path.constData(), &status) == 0 && status.st_dev == m_boundDevice && status.st_ino == m_boundInode)
        ::unlink(path.constData());
}

} // namespace mv::platform
