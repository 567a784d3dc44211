#include "support/XvfbSession.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

// The programs are started with fork and exec, each with an argument list, rather than QProcess:
// the session starts before the QApplication, and a QProcess made before there is one warns for
// every socket notifier it sets up.

namespace {

using namespace std::chrono_literals;

constexpr auto serverTimeout = 30s;
constexpr auto windowManagerTimeout = 30s;
constexpr auto stopTimeout = 5s;
constexpr int startAttempts = 3;
// Set on the root window once the window manager has started.
const QByteArray startedProperty = QByteArrayLiteral("_MORVANTEEL_TEST_WM_STARTED");

// Held by every session of ours while its server starts or stops. Under parallel tests, a server
// started while another stopped has been seen to come up unreachable (openbox could not open its
// display), so the two take turns. Released with the process, also when it crashes.
class ServerLock final {
public:
    ServerLock()
        : m_fd(::open(QFile::encodeName(QDir::temp().filePath(QStringLiteral("morvanteel-xvfb-session.lock")))
                          .constData(),
                      O_RDWR | O_CREAT | O_CLOEXEC, 0666))
    {
        if (m_fd >= 0) {
            while (::flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {
            }
        }
    }
    ~ServerLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    ServerLock(const ServerLock&) = delete;
    ServerLock& operator=(const ServerLock&) = delete;

private:
    int m_fd;
};

struct Child {
    pid_t pid = -1;
    int output = -1; // the read end of its standard output, when asked for
    QString error;
};

QList<QByteArray> currentEnvironment()
{
    QList<QByteArray> environment;
    for (char** entry = environ; entry && *entry; ++entry)
        environment.append(QByteArray(*entry));
    return environment;
}

// `environment` with `name` set to `value`.
void setVariable(QList<QByteArray>& environment, const QByteArray& name, const QByteArray& value)
{
    const QByteArray prefix = name + '=';
    environment.removeIf([&](const QByteArray& entry) { return entry.startsWith(prefix); });
    environment.append(prefix + value);
}

std::vector<char*> pointers(QList<QByteArray>& strings)
{
    std::vector<char*> result;
    for (QByteArray& string : strings)
        result.push_back(string.data());
    result.push_back(nullptr);
    return result;
}

// Starts `arguments` (the program first, found on PATH; no shell) with `environment`, standard
// input from /dev/null and standard error into `logPath`. Standard output goes to a pipe whose
// read end is returned when `captureOutput`, else to the log as well. The child is told to end
// when this process ends, so a crashed test leaves no server behind.
Child spawn(QList<QByteArray> arguments, QList<QByteArray> environment, const QByteArray& logPath, bool captureOutput)
{
    Child child;
    const int log = ::open(logPath.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int input = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    int output[2] = {-1, -1};
    // The child writes its exec error here; end of file means the exec happened.
    int status[2] = {-1, -1};
    auto closeAll = [&] {
        for (int fd : {log, input, output[0], output[1], status[0], status[1]}) {
            if (fd >= 0)
                ::close(fd);
        }
    };
    if (log < 0 || input < 0 || (captureOutput && ::pipe2(output, O_CLOEXEC) != 0) || ::pipe2(status, O_CLOEXEC) != 0) {
        child.error = QString::fromLocal8Bit(std::strerror(errno));
        closeAll();
        return child;
    }

    std::vector<char*> argv = pointers(arguments);
    std::vector<char*> envp = pointers(environment);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Only async-signal-safe calls from here on.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent)
            ::_exit(127);
        ::dup2(input, STDIN_FILENO);
        ::dup2(captureOutput ? output[1] : log, STDOUT_FILENO);
        ::dup2(log, STDERR_FILENO);
        ::execvpe(argv[0], argv.data(), envp.data());
        const int error = errno;
        [[maybe_unused]] const auto written = ::write(status[1], &error, sizeof error);
        ::_exit(127);
    }
    if (pid < 0) {
        child.error = QString::fromLocal8Bit(std::strerror(errno));
        closeAll();
        return child;
    }

    ::close(status[1]);
    status[1] = -1;
    int execError = 0;
    ssize_t read = 0;
    do
        read = ::read(status[0], &execError, sizeof execError);
    while (read < 0 && errno == EINTR);
    if (read == sizeof execError) {
        child.error = QString::fromLocal8Bit(std::strerror(execError));
        ::waitpid(pid, nullptr, 0);
        closeAll();
        return child;
    }
    child.pid = pid;
    if (captureOutput) {
        child.output = output[0];
        output[0] = -1;
    }
    closeAll();
    return child;
}

// Reads one line from `fd` until `deadline`; empty on end of file or timeout.
QByteArray readLine(int fd, QDeadlineTimer deadline)
{
    QByteArray line;
    while (!line.endsWith('\n')) {
        pollfd request{fd, POLLIN, 0};
        const int ready = ::poll(&request, 1, static_cast<int>(deadline.remainingTime()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return {};
        char byte = 0;
        const ssize_t count = ::read(fd, &byte, 1);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return {};
        line.append(byte);
    }
    return line.trimmed();
}

// The whole standard output of a child, until it closes it.
QByteArray readAll(int fd)
{
    QByteArray all;
    char buffer[4096];
    for (;;) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return all;
        all.append(buffer, count);
    }
}

// True once `pid` has ended (and is reaped), also when it was reaped before.
bool hasExited(pid_t pid)
{
    const pid_t result = ::waitpid(pid, nullptr, WNOHANG);
    return result == pid || (result < 0 && errno == ECHILD);
}

// The last line a program wrote to its log, for the reason it gave.
QString lastLogLine(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QList<QByteArray> lines = file.readAll().trimmed().split('\n');
    return lines.isEmpty() ? QString() : QString::fromLocal8Bit(lines.last().trimmed());
}

QString withReason(const QString& what, const QString& reason)
{
    return reason.isEmpty() ? what : what + QStringLiteral(": ") + reason;
}

} // namespace

XvfbSession::~XvfbSession()
{
    stop(m_windowManager);
    stopServer();
}

QString XvfbSession::start()
{
    if (!m_home.isValid())
        return QStringLiteral("cannot start Xvfb: no temporary folder: ") + m_home.errorString();
    // A window manager that quit at once (it could not open the display) is tried again on a
    // fresh server.
    Failure failure;
    for (int attempt = 0; attempt < startAttempts; ++attempt) {
        failure = startServer();
        if (failure.message.isEmpty())
            failure = startWindowManager();
        if (failure.message.isEmpty()) {
            qputenv("DISPLAY", m_display.toLocal8Bit());
            qputenv("QT_QPA_PLATFORM", "xcb");
            return {};
        }
        stop(m_windowManager);
        stopServer();
        if (!failure.transient)
            break;
    }
    return failure.message;
}

XvfbSession::Failure XvfbSession::startServer()
{
    const QString log = m_home.filePath(QStringLiteral("xvfb.log"));
    const ServerLock lock;
    // -displayfd: the server picks a free display and writes its number once it accepts clients.
    Child server = spawn({"Xvfb", "-displayfd", "1", "-screen", "0", "1440x900x24", "-nolisten", "tcp"},
                         currentEnvironment(), QFile::encodeName(log), true);
    if (server.pid < 0)
        return {withReason(QStringLiteral("cannot start Xvfb"), server.error), false};
    m_server = server.pid;
    // Kept open while the server runs: a write to a closed pipe would end it.
    m_serverOutput = server.output;
    const QByteArray number = readLine(m_serverOutput, QDeadlineTimer(serverTimeout));
    bool isNumber = false;
    number.toUInt(&isNumber);
    if (!isNumber)
        return {withReason(QStringLiteral("cannot start Xvfb"), lastLogLine(log)), false};
    m_display = QStringLiteral(":") + QString::fromLatin1(number);
    return {};
}

XvfbSession::Failure XvfbSession::startWindowManager()
{
    const QString log = m_home.filePath(QStringLiteral("openbox.log"));
    m_windowManagerEnvironment = currentEnvironment();
    setVariable(m_windowManagerEnvironment, "DISPLAY", m_display.toLocal8Bit());
    const QByteArray home = QFile::encodeName(m_home.path());
    setVariable(m_windowManagerEnvironment, "HOME", home);
    setVariable(m_windowManagerEnvironment, "XDG_CONFIG_HOME", home + "/config");
    setVariable(m_windowManagerEnvironment, "XDG_CACHE_HOME", home + "/cache");
    setVariable(m_windowManagerEnvironment, "XDG_DATA_HOME", home + "/data");
    // openbox announces itself before it has finished starting (a window mapped that early has
    // been seen left unmanaged). The command it runs once started, split into arguments by openbox
    // itself and not given to a shell, marks the end with a property on the root window.
    const QByteArray markStarted = "xprop -root -f " + startedProperty + " 8s -set " + startedProperty + " 1";
    Child windowManager = spawn({"openbox", "--sm-disable", "--startup", markStarted}, m_windowManagerEnvironment,
                                QFile::encodeName(log), false);
    if (windowManager.pid < 0)
        return {withReason(QStringLiteral("cannot start openbox"), windowManager.error), false};
    m_windowManager = windowManager.pid;

    const QDeadlineTimer deadline(windowManagerTimeout);
    for (;;) {
        QString probeError;
        if (windowManagerReady(probeError))
            return {};
        if (!probeError.isEmpty())
            return {withReason(QStringLiteral("cannot start xprop"), probeError), false};
        if (hasExited(m_windowManager)) {
            m_windowManager = -1;
            return {withReason(QStringLiteral("cannot start openbox"), lastLogLine(log)), true};
        }
        if (deadline.hasExpired())
            return {withReason(QStringLiteral("cannot start openbox: it did not finish starting"), lastLogLine(log)),
                    false};
        QThread::msleep(20);
    }
}

// EWMH: a window manager announces itself with _NET_SUPPORTING_WM_CHECK on the root window.
bool XvfbSession::windowManagerReady(QString& error) const
{
    Child probe = spawn({"xprop", "-root", "_NET_SUPPORTING_WM_CHECK", startedProperty}, m_windowManagerEnvironment,
                        QFile::encodeName(m_home.filePath(QStringLiteral("xprop.log"))), true);
    if (probe.pid < 0) {
        error = probe.error;
        return false;
    }
    const QByteArray output = readAll(probe.output);
    ::close(probe.output);
    int status = 0;
    ::waitpid(probe.pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && output.contains("window id #")
           && output.contains(startedProperty + "(STRING)");
}

void XvfbSession::stopServer()
{
    if (m_server > 0) {
        const ServerLock lock;
        stop(m_server);
    }
    if (m_serverOutput >= 0)
        ::close(m_serverOutput);
    m_serverOutput = -1;
    m_display.clear();
}

void XvfbSession::stop(pid_t& pid)
{
    if (pid <= 0)
        return;
    ::kill(pid, SIGTERM);
    const QDeadlineTimer deadline(stopTimeout);
    while (!hasExited(pid)) {
        if (deadline.hasExpired()) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
            break;
        }
        QThread::msleep(10);
    }
    pid = -1;
}
