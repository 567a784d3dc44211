#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <cstdio>

#include <sys/types.h>

// An X server of the test's own (Xvfb on a free display number) with a window manager on it
// (openbox), for tests of what a real window manager does with our windows. Nothing of the
// user's session is touched: the window manager's home and XDG folders are a temporary folder.
// Both programs end with the session, and with the test process should it crash.
class XvfbSession final {
public:
    // What a test that cannot have its X server exits with (ctest's SKIP_RETURN_CODE).
    static constexpr int skipExitCode = 77;

    XvfbSession() = default;
    ~XvfbSession();
    XvfbSession(const XvfbSession&) = delete;
    XvfbSession& operator=(const XvfbSession&) = delete;

    // Starts the server and the window manager, waits until the window manager has taken the
    // screen, and points DISPLAY and QT_QPA_PLATFORM (xcb) at them: call it before the
    // QGuiApplication exists. Empty when ready, else one line saying what could not start.
    [[nodiscard]] QString start();

    // Like ":3"; empty until started.
    QString display() const { return m_display; }

private:
    // Why a start failed, and whether it may succeed on a fresh server.
    struct Failure {
        QString message;
        bool transient = false;
    };

    Failure startServer();
    Failure startWindowManager();
    void stopServer();
    // False while the window manager has not announced itself; `error` says why the check
    // itself could not run.
    bool windowManagerReady(QString& error) const;
    void stop(pid_t& pid);

    QTemporaryDir m_home;
    QList<QByteArray> m_windowManagerEnvironment;
    QString m_display;
    pid_t m_server = -1;
    int m_serverOutput = -1;
    pid_t m_windowManager = -1;
};

// A main() for a QtTest class whose windows must meet a real X server and window manager: the
// session starts first, then the QApplication (the test includes <QApplication> and <QTest>).
// Prints one line starting "skipped:" and exits with XvfbSession::skipExitCode when the session
// cannot start.
#define MORVANTEEL_X11_TEST_MAIN(TestObject)                                                                           \
    int main(int argc, char** argv)                                                                                    \
    {                                                                                                                  \
        XvfbSession session;                                                                                           \
        if (const QString failure = session.start(); !failure.isEmpty()) {                                            \
            std::printf("skipped: %s\n", failure.toLocal8Bit().constData());                                          \
            std::fflush(stdout);                                                                                       \
            return XvfbSession::skipExitCode;                                                                          \
        }                                                                                                              \
        QApplication app(argc, argv);                                                                                  \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                                       \
        TestObject test;                                                                                               \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                     \
        return QTest::qExec(&test, argc, argv);                                                                        \
    }
