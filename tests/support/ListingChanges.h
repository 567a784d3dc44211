#pragma once

// A portal folder and the kinds of change other programs make to it, for the tests that check
// a kept or live listing against a fresh reading after each of them.

#include "core/engine/PortalListingOptions.h"
#include "core/models/ModelEnums.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QString>

#include <functional>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mv::test {

// A file a change leaves open until the check is done, as a download in progress does.
struct KeptOpen {
    int fd = -1;
    KeptOpen() = default;
    KeptOpen(const KeptOpen&) = delete;
    KeptOpen& operator=(const KeptOpen&) = delete;
    ~KeptOpen()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

using ListingChange = std::function<bool(const QString& folder, KeptOpen& open)>;

// 2026-01-01: every time the fixture sets lies before any change made while a test runs, so a
// change that stamps "now" always gives a new, later time, without waiting for the clock.
inline constexpr qint64 listingBase = 1767225600;

inline bool setTimes(const QString& path, qint64 accessed, qint64 modified)
{
    const struct timespec times[2] = {{accessed, accessed < 0 ? UTIME_OMIT : 0}, {modified, 0}};
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
}

inline bool makeListedFile(const QString& path, qsizetype size, qint64 time)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray(size, 'x')) != size)
        return false;
    file.close();
    return setTimes(path, time, time);
}

// Files and folders of distinct names, sizes, kinds and times, hidden ones among them, so that
// every sort order and display option lists them differently.
inline bool makeListingFolder(const QString& folder)
{
    const std::pair<const char*, qint64> subfolders[] = {{"Docs", 150}, {"Photos.app", 250}, {".config", 350}, {"Music", 600}};
    for (const auto& [name, offset] : subfolders) {
        const QString path = folder + u'/' + QLatin1StringView(name);
        if (!QDir().mkpath(path) || !makeListedFile(path + QStringLiteral("/inner.txt"), 3, listingBase))
            return false;
    }
    struct File {
        const char* name;
        qsizetype size;
        qint64 offset;
    };
    const File files[] = {{"alpha.txt", 10, 100}, {"Beta.md", 30, 300},   {"gamma.png", 20, 200},
                          {"delta", 5, 400},      {".hidden.txt", 15, 500}, {"report.PDF", 25, 50}};
    for (const File& file : files) {
        if (!makeListedFile(folder + u'/' + QLatin1StringView(file.name), file.size, listingBase + file.offset))
            return false;
    }
    // Last, as making their contents moved them.
    for (const auto& [name, offset] : subfolders) {
        if (!setTimes(folder + u'/' + QLatin1StringView(name), listingBase + offset, listingBase + offset))
            return false;
    }
    return true;
}

// The kinds of change, by name.
inline QList<std::pair<const char*, ListingChange>> listingChanges()
{
    const auto at = [](const QString& folder, const char* name) { return folder + u'/' + QLatin1StringView(name); };
    return {
        {"entry made", [=](const QString& f, KeptOpen&) { return makeListedFile(at(f, "new.txt"), 7, listingBase + 700); }},
        {"entry removed", [=](const QString& f, KeptOpen&) { return QFile::remove(at(f, "Beta.md")); }},
        {"entry renamed", [=](const QString& f, KeptOpen&) { return QFile::rename(at(f, "alpha.txt"), at(f, "zeta.txt")); }},
        {"file written while kept open", [=](const QString& f, KeptOpen& open) {
             open.fd = ::open(QFile::encodeName(at(f, "delta")).constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
             return open.fd >= 0 && ::write(open.fd, QByteArray(100, 'y').constData(), 100) == 100;
         }},
        {"modification time set alone", [=](const QString& f, KeptOpen&) { return setTimes(at(f, "gamma.png"), -1, listingBase + 900); }},
        {"file made inside a subfolder", [=](const QString& f, KeptOpen&) { return makeListedFile(at(f, "Music/song.mp3"), 9, listingBase); }},
        {"file made inside a hidden subfolder", [=](const QString& f, KeptOpen&) { return makeListedFile(at(f, ".config/rc"), 9, listingBase); }},
        {"subfolder renamed", [=](const QString& f, KeptOpen&) { return QDir().rename(at(f, "Docs"), at(f, "Archive")); }},
        {"permissions changed", [=](const QString& f, KeptOpen&) { return ::chmod(QFile::encodeName(at(f, "report.PDF")).constData(), 0600) == 0; }},
    };
}

// Every sort order, with hidden files and extensions each shown and not.
inline QList<FolderPortalEngine::PortalListingOptions> everyListingOption()
{
    using namespace FolderPortalEngine;
    QList<PortalListingOptions> all;
    for (const FenceSortMode mode : allCases<FenceSortMode>()) {
        for (const HiddenFiles hidden : {HiddenFiles::Skip, HiddenFiles::Show}) {
            for (const ExtensionDisplay extensions : {ExtensionDisplay::Hide, ExtensionDisplay::Show})
                all.append({hidden, extensions, QString(), mode, {QStringLiteral("delta"), QStringLiteral("Music")}});
        }
    }
    return all;
}

} // namespace mv::test
