#pragma once

#include <QDBusConnection>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

namespace mv::platform {

// Where a reveal ended up.
enum class RevealOutcome {
    FileManager,  // the file manager was asked to show the item selected, and agreed
    ParentFolder, // no file manager answered: the folder holding the item was opened instead
    Failed,       // the URL names nothing on this machine, or the folder could not be opened
};

// Opens a URL with the desktop's handler for it; false when none took it.
using DesktopOpener = std::function<bool(const QUrl&)>;
// QDesktopServices::openUrl.
DesktopOpener systemDesktopOpener();

// Shows a file or folder in the file manager, selected. The outcome may be known only later,
// from the event loop: `done`, when given, hears it once.
class FileRevealer {
public:
    using Done = std::function<void(RevealOutcome)>;

    virtual ~FileRevealer() = default;
    virtual void reveal(const QUrl& url, Done done = {}) = 0;
};

// The freedesktop file manager's ShowItems on the session bus (org.freedesktop.FileManager1,
// which Nautilus, Dolphin, Nemo, Caja and Thunar answer); when there is no bus, nobody owns or
// can start that name, or the call fails, the desktop opener opens the folder holding the item.
// The call is asynchronous, so a file manager that starts slowly never stalls the desktop.
class FileManagerRevealer final : public FileRevealer {
public:
    // The session bus and QDesktopServices.
    FileManagerRevealer();
    FileManagerRevealer(QDBusConnection bus, DesktopOpener opener);

    // FileRevealer
    void reveal(const QUrl& url, Done done = {}) override;

    // The URI that ShowItems is given for `url`: the standardized file URL, fully encoded. An
    // item whose path bytes are not text keeps them percent-encoded ("caf%E9"), which the file
    // manager decodes back to the very bytes. None for a URL that names no item here (another
    // host, another scheme, a relative path).
    static std::optional<QString> fileManagerUri(const QUrl& url);
    // The folder holding the item, as a file URL ("/" for the root itself).
    static std::optional<QUrl> parentFolderUrl(const QUrl& url);

private:
    QDBusConnection m_bus;
    DesktopOpener m_opener;
};

} // namespace mv::platform
