#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstring>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

// Plain Unix domain sockets at a path, as another process of the user's would make them.
namespace unixsockets {

inline sockaddr_un address(const QString& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray bytes = QFile::encodeName(path);
    std::memcpy(address.sun_path, bytes.constData(), std::size_t(bytes.size()));
    return address;
}

// A connection to the socket at `path`; -1 when there is none to be had.
inline int connectTo(const QString& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_un to = address(path);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// A socket bound at `path`, listening when asked, never accepting; -1 on failure.
inline int bindAt(const QString& path, bool listening)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_un at = address(path);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&at), sizeof at) != 0 || (listening && ::listen(fd, 4) != 0)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace unixsockets
