#pragma once

#include "platform/gui/FileRevealer.h"
#include "platform/gui/FileTrash.h"

#include <QList>

// Stand-ins for the file manager and the trash that only record what they were asked.
namespace mv::platform {

class RecordingFileRevealer final : public FileRevealer {
public:
    // FileRevealer
    void reveal(const QUrl& url, Done done = {}) override
    {
        revealed.append(url);
        if (done)
            done(outcome);
    }

    QList<QUrl> revealed;
    RevealOutcome outcome = RevealOutcome::FileManager;
};

class RecordingFileTrash final : public FileTrash {
public:
    // FileTrash
    Result<TrashedItem, QString> moveToTrash(const QUrl& url) override
    {
        trashed.append(url);
        if (!failureReason.isEmpty())
            return failureReason;
        return TrashedItem{QStringLiteral("/trash/files/") + url.fileName()};
    }

    QList<QUrl> trashed;
    QString failureReason; // empty: every item is trashed
};

} // namespace mv::platform
