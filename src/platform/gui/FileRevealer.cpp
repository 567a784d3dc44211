#include "platform/gui/FileRevealer.h"

#include "core/engine/FilePaths.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QStringList>

namespace mv::platform {

namespace {

const QString fileManagerService = QStringLiteral("org.freedesktop.FileManager1");
const QString fileManagerPath = QStringLiteral("/org/freedesktop/FileManager1");
// A file manager started by the bus for this call may take a while to come up; after this the
// folder is opened instead.
constexpr int showItemsTimeoutMs = 10'000;

// The item's file URL with "." and ".." resolved and no trailing slash, when the URL names an
// item of this machine by an absolute path. An inexact path keeps its bytes percent-encoded.
std::optional<QUrl> standardizedItemUrl(const QUrl& url)
{
    if (const std::optional<QString> path = filepaths::standardizedPath(url))
        return QUrl::fromLocalFile(*path);
    if (!filepaths::hasInexactPath(url))
        return std::nullopt;
    const QString encodedPath = url.path(QUrl::FullyEncoded);
    if (!encodedPath.startsWith(u'/'))
        return std::nullopt;
    QUrl item;
    item.setScheme(QStringLiteral("file"));
    item.setPath(encodedPath, QUrl::TolerantMode);
    return item.adjusted(QUrl::NormalizePathSegments | QUrl::StripTrailingSlash);
}

RevealOutcome openParentFolder(const DesktopOpener& opener, const std::optional<QUrl>& folder)
{
    return folder && opener && opener(*folder) ? RevealOutcome::ParentFolder : RevealOutcome::Failed;
}

} // namespace

DesktopOpener systemDesktopOpener()
{
    return [](const QUrl& url) { return QDesktopServices::openUrl(url); };
}

FileManagerRevealer::FileManagerRevealer()
    : FileManagerRevealer(QDBusConnection::sessionBus(), systemDesktopOpener())
{
}

FileManagerRevealer::FileManagerRevealer(QDBusConnection bus, DesktopOpener opener)
    : m_bus(std::move(bus))
    , m_opener(std::move(opener))
{
}

std::optional<QString> FileManagerRevealer::fileManagerUri(const QUrl& url)
{
    const std::optional<QUrl> item = standardizedItemUrl(url);
    return item ? std::optional<QString>(item->toString(QUrl::FullyEncoded)) : std::nullopt;
}

std::optional<QUrl> FileManagerRevealer::parentFolderUrl(const QUrl& url)
{
    const std::optional<QUrl> item = standardizedItemUrl(url);
    if (!item)
        return std::nullopt;
    if (item->path(QUrl::FullyEncoded) == u"/")
        return item;
    return item->adjusted(QUrl::RemoveFilename | QUrl::StripTrailingSlash);
}

void FileManagerRevealer::reveal(const QUrl& url, Done done)
{
    const auto finish = [done](RevealOutcome outcome) {
        if (done)
            done(outcome);
    };
    const std::optional<QString> uri = fileManagerUri(url);
    if (!uri) {
        finish(RevealOutcome::Failed);
        return;
    }
    const std::optional<QUrl> folder = parentFolderUrl(url);
    if (!m_bus.isConnected()) {
        finish(openParentFolder(m_opener, folder));
        return;
    }

    QDBusMessage call = QDBusMessage::createMethodCall(fileManagerService, fileManagerPath, fileManagerService,
                                                       QStringLiteral("ShowItems"));
    // The items, and the startup notification id, which we do not have.
    call << QStringList{*uri} << QString();
    // Without a name owner or a service file for it the bus answers ServiceUnknown at once.
    const QDBusPendingCall pending = m_bus.asyncCall(call, showItemsTimeoutMs);
    // The application owns the watcher, so that one still waiting at exit is freed.
    auto* watcher = new QDBusPendingCallWatcher(pending, QCoreApplication::instance());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [opener = m_opener, folder, finish](QDBusPendingCallWatcher* finished) {
                         finished->deleteLater();
                         finish(finished->isError() ? openParentFolder(opener, folder) : RevealOutcome::FileManager);
                     });
}

} // namespace mv::platform
