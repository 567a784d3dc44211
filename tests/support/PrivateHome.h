#pragma once

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTest>

#include <initializer_list>

#include <sys/stat.h>

// The environment for a program a test starts as the user's desktop would, kept out of the
// user's session: HOME and the XDG folders inside `home` (its runtime folder private), only the
// system's data folders, the given session bus, and no desktop environment named, so that
// xdg-utils and glib read the entries themselves. Empty when the runtime folder cannot be made.
inline QProcessEnvironment privateHomeEnvironment(const QString& home, const QString& busAddress)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"WAYLAND_DISPLAY", "XDG_DATA_DIRS", "DBUS_SESSION_BUS_PID", "XDG_CURRENT_DESKTOP",
                             "XDG_SESSION_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID",
                             "BROWSER"})
        environment.remove(QString::fromLatin1(name));
    const QString runtime = home + QStringLiteral("/run");
    if (!QDir().mkpath(runtime) || ::chmod(QFile::encodeName(runtime).constData(), 0700) != 0)
        return {};
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/.cache"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    environment.insert(QStringLiteral("XDG_DATA_DIRS"), QStringLiteral("/usr/share"));
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);
    return environment;
}

// The first of these programs not found on PATH; empty when all are there.
inline QString firstMissingProgram(std::initializer_list<QString> programs)
{
    for (const QString& program : programs) {
        if (QStandardPaths::findExecutable(program).isEmpty())
            return program;
    }
    return {};
}

// Runs a program in `environment` and waits, the test's event loop turning meanwhile (a program
// of the test's own may have to answer it); its exit code, -1 when it did not end in time or
// crashed. Its standard output goes to `output`; with `errors`, its standard error is kept there
// instead of passed on.
inline int runWhileServing(const QProcessEnvironment& environment, const QString& program,
                           const QStringList& arguments, QByteArray* output = nullptr,
                           QByteArray* errors = nullptr, int timeoutMs = 30000)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    if (!errors)
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
    QDeadlineTimer deadline(timeoutMs);
    while (process.state() != QProcess::NotRunning && !deadline.hasExpired())
        QTest::qWait(10);
    const bool ended = process.state() == QProcess::NotRunning;
    if (!ended) {
        process.kill();
        process.waitForFinished(5000);
    }
    // Kept also when it hung: what it said so far tells why.
    if (output)
        *output = process.readAllStandardOutput();
    if (errors)
        *errors = process.readAllStandardError();
    return ended && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

// Ends a program the test started: asked first, killed when it does not end in time.
inline void endProgram(QProcess& program)
{
    if (program.state() == QProcess::NotRunning)
        return;
    program.terminate();
    if (!program.waitForFinished(10000))
        program.kill();
    program.waitForFinished(5000);
}
