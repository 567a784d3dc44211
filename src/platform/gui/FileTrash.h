#pragma once

#include "core/models/Result.h"

#include <QString>
#include <QUrl>

namespace mv::platform {

// An item moved into the trash, and where it lies there.
struct TrashedItem {
    QString pathInTrash;
};

// Moves files and folders to the trash, where the user can bring them back. Never a delete in
// its place: what cannot be trashed stays where it is. Nothing is recorded for undo.
class FileTrash {
public:
    virtual ~FileTrash() = default;
    // The failure is a reason in Chinese for the status line.
    virtual Result<TrashedItem, QString> moveToTrash(const QUrl& url) = 0;
};

// The freedesktop trash (QFile::moveToTrash): the home trash under $XDG_DATA_HOME/Trash for an
// item on the home folder's file system, else that file system's own ".Trash-<uid>" (or a
// shared ".Trash" folder), each with files/ and info/<name>.trashinfo.
class FreedesktopTrash final : public FileTrash {
public:
    // FileTrash
    Result<TrashedItem, QString> moveToTrash(const QUrl& url) override;
};

} // namespace mv::platform
