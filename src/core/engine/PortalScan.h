#pragma once

#include "core/engine/PortalListingOptions.h"
#include "core/engine/PortalTypes.h"
#include "core/models/ModelEnums.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringView>
#include <QUrl>

#include <functional>
#include <optional>
#include <vector>

// Listing a portal folder: one shallow scan, a display name and a symbol per entry, the tab's
// filter, then the tab's sort order. Stateless and synchronous; only scanDirectory touches
// the disk.
namespace mv::FolderPortalEngine {

enum class EntryKind { File, Folder };

// The instant an entry carries when the file system reports no date: 0001-01-01T00:00:00Z,
// earlier than any real file, so undated entries sort last by date and count as old.
[[nodiscard]] QDateTime distantPast();

// The extension of the last path component as written, without the dot: the text after the
// last ".", unless that dot leads the name (".bashrc") or ends it ("draft."). Empty when none.
[[nodiscard]] QString pathExtension(QStringView pathOrName);

// Whether a portal path is bound at all: absolute, and free of a NUL that would cut it short at
// the system call. An empty or relative path is never resolved against the working directory.
[[nodiscard]] bool isBoundPath(const QString& path);
// Whether the bound path names an existing folder (a symlink to one counts).
[[nodiscard]] bool isBoundFolder(const QString& path);

// Lists the folder at `folderPath`, one entry per immediate child named as `options` say,
// then keeps what the trimmed filter keeps (see applyFilter) and sorts by the sort mode (see
// sortEntries).
//
// isMissing is true when the path is unbound (empty or not absolute: it is never resolved
// against the working directory), when nothing exists there, or when it is not a folder
// (a symlink to a folder counts as the folder). An unreadable folder gives no entries with
// isMissing false. With HiddenFiles::Skip every name beginning with "." is left out.
//
// Each entry is read with one lstat-style call and describes the item itself: a symlink is
// listed as a file (not followed), with the link's own size and dates, typed by its name. A
// folder's size is 0 and its type "public.folder"; any other item whose extension names no
// known type is "public.data". An item that vanished between listing and reading is still
// listed, as a file of size 0 dated distantPast(), typed by its extension alone.
[[nodiscard]] PortalScanResult scanDirectory(const QString& folderPath,
                                             const PortalListingOptions& options);
// The same listing narrowed to the items whose file-system name `keepName` accepts, decided
// before anything else is read about them: the entries kept are exactly those the full
// listing holds for those names, in the same order. For callers that need a few names of a
// large folder, such as a search.
[[nodiscard]] PortalScanResult scanDirectory(const QString& folderPath,
                                             const PortalListingOptions& options,
                                             const std::function<bool(const QString& name)>& keepName);
// The same for a folder URL; a URL that is not a local file is unbound.
[[nodiscard]] PortalScanResult scanDirectory(const QUrl& folder, const PortalListingOptions& options);

// The one entry named `rawName` (a file-system name) in the folder at `folderPath`, read as
// scanDirectory reads each of its entries and named as `extensions` say; none when nothing of
// that name is there now. For a listing brought up to date one changed entry at a time.
[[nodiscard]] std::optional<PortalFileEntry> readEntry(const QString& folderPath, const QByteArray& rawName,
                                                       ExtensionDisplay extensions);
// The same for each of `rawNames`, in their order, the folder looked up once.
[[nodiscard]] std::vector<std::optional<PortalFileEntry>> readEntries(const QString& folderPath,
                                                                      const QList<QByteArray>& rawNames,
                                                                      ExtensionDisplay extensions);
// The entry as a listing whose extensions are shown or hidden names it: only the display name
// depends on that.
[[nodiscard]] PortalFileEntry withExtensionDisplay(PortalFileEntry entry, ExtensionDisplay extensions);

// The first `limit` entries of what scanDirectory lists with the same arguments, equal to
// them and in the same order (and the same isMissing), for a caller that shows only the head
// of a listing. It does less work: orders by name (nameAsc, kindAsc, manual) read the names
// and entry types from the listing alone and read the full facts of the entries kept only;
// orders by date or size read each entry's facts but make collation keys only for the
// entries that can still reach the head. Should the folder change under it so that its
// reading no longer agrees with itself, it falls back to a full scan.
[[nodiscard]] PortalScanResult scanDirectoryHead(const QString& folderPath,
                                                 const PortalListingOptions& options,
                                                 qsizetype limit);

// The symbol name shown for an item (a file URL's path, or just a name): chosen by the
// extension first, then by what the content type `utTypeID` conforms to, else "doc.fill".
// A folder is "folder.fill", or "app.badge.checkmark.fill" when its name ends in ".app".
[[nodiscard]] QString inferSymbol(QStringView pathOrName, EntryKind kind,
                                  const std::optional<QString>& utTypeID);

// The entries that match `query`, in their given order. A query of more than one character
// between two "/" is a case-insensitive regular expression searched anywhere in the name; a
// pattern that does not compile is used as plain text, slashes included. Plain text matches
// when the name or the extension contains it, ignoring letter case. An empty query keeps all.
[[nodiscard]] QList<PortalFileEntry> applyFilter(const QList<PortalFileEntry>& entries,
                                                 const QString& query);

// The entries in the order of `mode`, by a stable sort. Names compare by mv::text's
// collation; names the collator calls equal ("a" and "A") then go by code point, so one
// folder always lists in one order, and entries equal in every respect keep their input
// order. `manualOrder` is read by FenceSortMode::manual only: listed names first in that
// order (a name listed twice keeps its first place), then the rest, folders first, by name.
[[nodiscard]] QList<PortalFileEntry> sortEntries(QList<PortalFileEntry> entries,
                                                 FenceSortMode mode,
                                                 const QList<QString>& manualOrder);

} // namespace mv::FolderPortalEngine
