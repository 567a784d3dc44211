#pragma once

#include "core/models/Record.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

namespace mv {

// One listed item of a portal folder.
struct PortalFileEntry {
    QUrl url;
    QString name;
    QString displayName;
    QString fileExtension; // lower case, without the dot; empty when there is none
    bool isDirectory = false;
    qint64 fileSize = 0;
    QDateTime modifiedAt;
    QDateTime lastAccessedAt;
    std::optional<QString> utTypeIdentifier;
    QString symbolName;

    // The path of the standardized url: how views and search results identify the entry. An
    // entry without an exact name (see hasExactName) is identified by its encoded URL instead,
    // "file:///…/caf%E9", which no path of a listed item equals and which keeps two such names,
    // that read alike as text, apart.
    QString id() const;
    // Whether `name` is the item's very name. A name that is not UTF-8 is shown with U+FFFD in
    // `name` and `displayName`; such an entry is listed but never moved, trashed or tidied,
    // since no text path of ours names that file.
    bool hasExactName() const;
    // "文件夹" for a folder, else the size in the file-size style.
    QString formattedSize() const;

    bool operator==(const PortalFileEntry&) const = default;
};

// What a portal view renders: isMissing means the bound folder is gone (or unbound); no
// entries without isMissing means an empty or unreadable folder.
struct PortalScanResult {
    QList<PortalFileEntry> entries;
    bool isMissing = false;

    bool operator==(const PortalScanResult&) const = default;
};

// A byte count the way portal tiles, previews and tidy plans show it ("2 KB", "零字节").
[[nodiscard]] QString formattedFileSize(qint64 bytes);

template<> inline constexpr bool isHashableRecord<PortalFileEntry> = true;

template<class V, RecordOf<PortalFileEntry> R>
void describeFields(V& v, R& r)
{
    v("url", r.url);
    v("name", r.name);
    v("displayName", r.displayName);
    v("fileExtension", r.fileExtension);
    v("isDirectory", r.isDirectory);
    v("fileSize", r.fileSize);
    v("modifiedAt", r.modifiedAt);
    v("lastAccessedAt", r.lastAccessedAt);
    v("utTypeIdentifier", r.utTypeIdentifier);
    v("symbolName", r.symbolName);
}

} // namespace mv
