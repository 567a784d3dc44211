#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A session bus of the test's own: a dbus-daemon on a socket in a temporary folder, with a
// configuration that lets anyone own any name and starts no service, so that only the peers a
// test registers answer on it. The daemon ends with the object.
class PrivateSessionBus final {
public:
    // What a test exits with when its peers cannot run (ctest's SKIP_RETURN_CODE).
    static constexpr int skipExitCode = 77;

    PrivateSessionBus() = default;
    ~PrivateSessionBus();
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    // Empty when the bus is up, else one line saying why it is not.
    [[nodiscard]] QString start();
    // Like "unix:path=/tmp/…/bus,guid=…"; empty until started.
    QString address() const { return m_address; }

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
};
