#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace mv::platform {

// A refused file-system call: the errno it gave and the file or folder it was about.
struct FileError {
    int code = 0;
    QString path;

    // The reason in Chinese, then the path: "磁盘空间不足：/home/林晓/.local/share/Morvanteel/state.json".
    QString errorDescription() const;

    bool operator==(const FileError&) const = default;
};

// Replaces the file at `path` in one step: readers see the old bytes or the new ones, never a
// part. The file is private to the user (mode 0600); a symbolic link at `path` keeps pointing
// at the file it names, which takes the new bytes. Missing parent folders are created.
// Returns why it failed, or none on success; on failure the old file is left as it was.
std::optional<FileError> writeFileAtomically(const QString& path, const QByteArray& bytes);

} // namespace mv::platform
