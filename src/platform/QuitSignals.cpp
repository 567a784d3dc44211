#include "platform/QuitSignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace mv::platform {

namespace {

constexpr int quitSignals[] = {SIGTERM, SIGINT, SIGHUP};

// Read end, write end. The handler may only reach plain globals.
int signalPipe[2] = {-1, -1};

void onSignal(int signalNumber)
{
    const int saved = errno;
    const char byte = char(signalNumber);
    // Non-blocking: with the pipe full a quit is already on its way.
    (void)::write(signalPipe[1], &byte, 1);
    errno = saved;
}

void setAction(void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : quitSignals)
        ::sigaction(signalNumber, &action, nullptr);
}

} // namespace

QuitOnSignals::QuitOnSignals(QObject* parent) : QObject(parent)
{
    if (signalPipe[0] >= 0 || ::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_notifier = new QSocketNotifier(qintptr(signalPipe[0]), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &QuitOnSignals::drain);
    setAction(onSignal);
}

QuitOnSignals::~QuitOnSignals()
{
    if (!m_notifier)
        return;
    setAction(SIG_DFL);
    delete m_notifier;
    m_notifier = nullptr;
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
}

void QuitOnSignals::drain()
{
    char bytes[16];
    ssize_t n = 0;
    int last = 0;
    while ((n = ::read(signalPipe[0], bytes, sizeof bytes)) > 0)
        last = bytes[n - 1];
    if (last == 0)
        return;
    Q_EMIT received(last);
    QCoreApplication::quit();
}

} // namespace mv::platform
