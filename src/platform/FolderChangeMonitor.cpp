#include "platform/FolderChangeMonitor.h"

#include <QFile>

#include <array>
#include <cerrno>
#include <climits>

#include <linux/magic.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace mv::platform {

namespace {

// Everything that can change what a listing shows, access excepted.
constexpr uint32_t watchedEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_MODIFY
                                   | IN_ATTRIB | IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF
                                   | IN_ONLYDIR;

// Local file systems the kernel headers of this release leave out.
constexpr unsigned long jfsMagic = 0x3153464a;
constexpr unsigned long ntfsMagic = 0x5346544e; // ntfs-3g reports FUSE; this is the kernel's
constexpr unsigned long hfsPlusMagic = 0x482b;
constexpr unsigned long zfsMagic = 0x2fc12fc1;

// File systems whose every change passes through this kernel, so inotify reports it. Network
// and FUSE file systems (and any kind not named here) can change behind its back.
bool changesAreSeen(const QByteArray& path)
{
    struct statfs info {};
    if (::statfs(path.constData(), &info) != 0)
        return false;
    switch (static_cast<unsigned long>(info.f_type)) {
    case EXT4_SUPER_MAGIC: // also ext2 and ext3
    case BTRFS_SUPER_MAGIC:
    case XFS_SUPER_MAGIC:
    case TMPFS_MAGIC:
    case RAMFS_MAGIC:
    case F2FS_SUPER_MAGIC:
    case OVERLAYFS_SUPER_MAGIC:
    case REISERFS_SUPER_MAGIC:
    case jfsMagic:
    case MSDOS_SUPER_MAGIC: // vfat
    case EXFAT_SUPER_MAGIC:
    case ntfsMagic:
    case hfsPlusMagic:
    case zfsMagic:
        return true;
    default:
        return false;
    }
}

} // namespace

FolderChangeMonitor::FolderChangeMonitor()
    : m_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
{
}

FolderChangeMonitor::~FolderChangeMonitor()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

std::optional<FolderChangeMonitor::Stamp> FolderChangeMonitor::stampBeforeReading(const QString& path)
{
    if (m_fd < 0 || path.isEmpty())
        return std::nullopt;
    drainEvents();
    const QByteArray encoded = QFile::encodeName(path);
    struct stat info {};
    if (::stat(encoded.constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return std::nullopt;

    if (const auto known = m_watchByPath.constFind(path); known != m_watchByPath.cend()) {
        const Folder& folder = m_folders[*known];
        if (folder.device == info.st_dev && folder.inode == info.st_ino)
            return Stamp{path, *known, folder.generation, folder.device, folder.inode};
        // The path names another folder now (replaced, or a symbolic link pointed elsewhere).
        forget(path);
    }
    if (!changesAreSeen(encoded))
        return std::nullopt;
    const int watch = ::inotify_add_watch(m_fd, encoded.constData(), watchedEvents);
    if (watch < 0)
        return std::nullopt;
    Folder& folder = m_folders[watch];
    if (folder.paths == 0) {
        // The watch follows the folder found at watch time; it must be the one stat saw.
        struct stat again {};
        if (::stat(encoded.constData(), &again) != 0 || again.st_dev != info.st_dev
            || again.st_ino != info.st_ino) {
            m_folders.remove(watch);
            ::inotify_rm_watch(m_fd, watch);
            return std::nullopt;
        }
        folder.device = info.st_dev;
        folder.inode = info.st_ino;
    } else if (folder.device != info.st_dev || folder.inode != info.st_ino) {
        return std::nullopt; // the folder changed under us between two calls: read afresh
    }
    ++folder.paths;
    m_watchByPath.insert(path, watch);
    return Stamp{path, watch, folder.generation, folder.device, folder.inode};
}

bool FolderChangeMonitor::unchangedSince(const Stamp& stamp)
{
    if (m_fd < 0 || stamp.watch < 0)
        return false;
    drainEvents();
    if (m_watchByPath.value(stamp.path, -1) != stamp.watch)
        return false;
    const auto folder = m_folders.constFind(stamp.watch);
    if (folder == m_folders.cend() || folder->generation != stamp.generation
        || folder->device != stamp.device || folder->inode != stamp.inode)
        return false;
    // Events name the folder, not the path: a symbolic link pointed elsewhere shows only here.
    struct stat info {};
    const QByteArray encoded = QFile::encodeName(stamp.path);
    return ::stat(encoded.constData(), &info) == 0 && info.st_dev == stamp.device
           && info.st_ino == stamp.inode;
}

void FolderChangeMonitor::forget(const QString& path)
{
    const auto known = m_watchByPath.find(path);
    if (known == m_watchByPath.end())
        return;
    const int watch = *known;
    m_watchByPath.erase(known);
    const auto folder = m_folders.find(watch);
    if (folder != m_folders.end() && --folder->paths <= 0) {
        m_folders.erase(folder);
        ::inotify_rm_watch(m_fd, watch);
    }
}

void FolderChangeMonitor::drainEvents()
{
    alignas(struct inotify_event) std::array<char, 16 * (sizeof(struct inotify_event) + NAME_MAX + 1)> buffer;
    for (;;) {
        const ssize_t length = ::read(m_fd, buffer.data(), buffer.size());
        if (length < 0 && errno == EINTR)
            continue;
        if (length <= 0)
            return; // EAGAIN: nothing more pending
        for (ssize_t offset = 0; offset < length;) {
            const auto* event = reinterpret_cast<const struct inotify_event*>(buffer.data() + offset);
            offset += ssize_t(sizeof(struct inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW) {
                // Events were lost: any folder may have changed.
                for (Folder& folder : m_folders)
                    ++folder.generation;
                continue;
            }
            const auto folder = m_folders.find(event->wd);
            if (folder == m_folders.end())
                continue;
            ++folder->generation;
            if (event->mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT))
                dropWatch(event->wd);
        }
    }
}

void FolderChangeMonitor::dropWatch(int watch)
{
    // The folder went away (or moved): every path on this watch is read afresh and watched
    // anew. Removing a watch the kernel already dropped is harmless.
    m_watchByPath.removeIf([watch](const auto& entry) { return entry.value() == watch; });
    m_folders.remove(watch);
    ::inotify_rm_watch(m_fd, watch);
}

} // namespace mv::platform
