#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>
#include <vector>

class QSocketNotifier;

namespace mv::platform {

// One running instance per user. The first launch takes the instance lock (a lock file beside
// the socket, held for the life of the process) and listens on a Unix domain socket in the
// user's runtime folder; a later launch finds the lock taken and hands its arguments (the links
// it was started with, none for a plain launch) to the one running, then exits. The lock alone
// decides which process is the instance: whatever lies at the socket path (a file, a folder, a
// socket nobody listens on) never lets a second one start. Only processes of the same user are
// heard.
//
// claim() is plain POSIX and runs before the application object exists, so that a forwarding
// launch never builds windows. Messages are read only once startReceiving() has been called on
// a thread with an event loop; connections made before that wait in the socket's queue.
class SingleInstance final : public QObject {
    Q_OBJECT

public:
    enum class Claim {
        primary,     // this process listens now: run the program, then startReceiving()
        forwarded,   // the running instance took the arguments: exit
        unanswered,  // an instance runs but could not be reached or did not take them (busy, hung):
                     // exit without running a second copy beside it
        tooLong,     // an instance runs, and the arguments are longer than one message may be
        unavailable, // no private folder or lock file could be had: run alone, unguarded
    };
    Q_ENUM(Claim)

    // The largest message a launch may send; longer ones are refused by both ends.
    static constexpr qsizetype maxPayloadSize = 64 * 1024;

    // The instance called `name` (a plain file name) for this user. Its socket lives in
    // $XDG_RUNTIME_DIR when that is a private folder of ours, else in /tmp/<name>-<uid>, which
    // is made with mode 0700 when missing and refused when it is not a folder of ours.
    explicit SingleInstance(const QString& name = QStringLiteral("morvanteel"), QObject* parent = nullptr);
    // Stops listening and removes the socket when it is still the one this instance made.
    ~SingleInstance() override;

    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Empty when no private folder could be had.
    const QString& socketPath() const { return m_socketPath; }
    bool isListening() const { return m_listenFd >= 0; }
    bool isPrimary() const { return m_lockFd >= 0; }

    // Becomes the instance, or hands `arguments` to the one running and waits up to `timeout`
    // for its acknowledgement. The instance answers once its event loop runs, which, for a
    // desktop of many fences starting up, can take seconds: the default waits long enough for
    // that; a connection the instance closes fails at once. A socket left by an instance that died is removed, anything else
    // at the socket path is moved aside (to "<path>.aside-<n>"), and the path is taken over.
    // Concurrent launches agree on one instance. A primary claim holds the lock even when no
    // socket could be made; later launches are then told they cannot reach it.
    [[nodiscard]] Claim claim(const QStringList& arguments,
                              std::chrono::milliseconds timeout = std::chrono::seconds(30));

    // Starts answering other launches; after a primary claim, on a thread with an event loop.
    void startReceiving();

    // The bytes a launch sends for `arguments`; none when they are longer than the limit.
    static std::optional<QByteArray> encodeMessage(const QStringList& arguments);
    // The arguments of one whole message; none for anything but exactly one well-formed
    // message of valid UTF-8 texts within the limit.
    static std::optional<QStringList> decodeMessage(QByteArrayView bytes);

Q_SIGNALS:
    // Another launch of this user's, already acknowledged. Empty: a plain launch (reopen).
    void argumentsReceived(const QStringList& arguments);

private:
    struct Client {
        int fd = -1;
        QByteArray buffer;
        QSocketNotifier* notifier = nullptr;
        QObject* deadline = nullptr; // the timer that drops a client that stays silent
    };

    void acceptConnections();
    void readClient(int fd);
    void dropClient(int fd);
    void stopListening();
    bool listen();

    QString m_socketPath;
    int m_lockFd = -1;
    int m_listenFd = -1;
    // The socket file as bound, so that only our own is removed.
    unsigned long long m_boundDevice = 0;
    unsigned long long m_boundInode = 0;
    QSocketNotifier* m_listenNotifier = nullptr;
    std::vector<Client> m_clients;
};

} // namespace mv::platform
