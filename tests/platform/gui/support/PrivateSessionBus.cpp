#include "PrivateSessionBus.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QStandardPaths>

PrivateSessionBus::~PrivateSessionBus()
{
    if (m_daemon.state() != QProcess::NotRunning) {
        m_daemon.terminate();
        if (!m_daemon.waitForFinished(5000)) {
            m_daemon.kill();
            m_daemon.waitForFinished(5000);
        }
    }
}

QString PrivateSessionBus::start()
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (program.isEmpty())
        return QStringLiteral("dbus-daemon is not installed (Debian package dbus-daemon)");
    if (!m_dir.isValid())
        return QStringLiteral("no temporary folder for the bus");

    const QString configPath = m_dir.filePath(QStringLiteral("bus.conf"));
    QFile config(configPath);
    if (!config.open(QIODevice::WriteOnly))
        return QStringLiteral("cannot write the bus configuration");
    config.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                 " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                 "<busconfig>\n"
                 "  <type>session</type>\n"
                 "  <listen>unix:dir=");
    config.write(m_dir.path().toUtf8());
    config.write("</listen>\n"
                 "  <auth>EXTERNAL</auth>\n"
                 "  <policy context=\"default\">\n"
                 "    <allow send_destination=\"*\"/>\n"
                 "    <allow receive_sender=\"*\"/>\n"
                 "    <allow own=\"*\"/>\n"
                 "  </policy>\n"
                 "</busconfig>\n");
    config.close();

    m_daemon.setProgram(program);
    m_daemon.setArguments({QStringLiteral("--config-file=") + configPath, QStringLiteral("--nofork"),
                           QStringLiteral("--print-address=1")});
    m_daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_daemon.start();
    if (!m_daemon.waitForStarted(5000))
        return QStringLiteral("dbus-daemon cannot start: ") + m_daemon.errorString();

    QByteArray printed;
    const QDeadlineTimer deadline(10'000);
    while (!printed.contains('\n') && !deadline.hasExpired() && m_daemon.state() == QProcess::Running) {
        m_daemon.waitForReadyRead(int(deadline.remainingTime()));
        printed += m_daemon.readAllStandardOutput();
    }
    m_address = QString::fromUtf8(printed.left(printed.indexOf('\n')).trimmed());
    if (m_address.isEmpty())
        return QStringLiteral("dbus-daemon started but gave no address");
    return {};
}
