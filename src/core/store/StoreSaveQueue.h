#pragma once

#include "core/models/BackupDocument.h"
#include "core/models/WidgetSnapshot.h"
#include "platform/AtomicFile.h"

#include <QList>
#include <QString>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace mv {

namespace platform {
class KeyValueStore;
}

// Encodes and writes the store's files on a thread of its own, so that no edit waits for the
// disk. One write runs at a time, in the order asked; what is asked while a write runs waits in
// one place per file, a newer request replacing an older one, so the disk only ever goes
// forward to a newer state.
class StoreSaveQueue final {
public:
    using WriteFile = std::function<std::optional<platform::FileError>(const QString& path, const QByteArray& bytes)>;

    struct Destinations {
        WriteFile writeFile;
        QString statePath;
        QString snapshotPath;
        QString defaultsKey;
        std::shared_ptr<platform::KeyValueStore> appGroupDefaults; // may be none
        std::shared_ptr<platform::KeyValueStore> standardDefaults;
    };

    // `outcomeReady` runs on the writing thread when a state write has ended and takeStateOutcomes
    // was empty before: the owner fetches the outcomes on its own thread.
    StoreSaveQueue(Destinations destinations, std::function<void()> outcomeReady);
    // Writes what is still waiting, then ends the thread.
    ~StoreSaveQueue();

    StoreSaveQueue(const StoreSaveQueue&) = delete;
    StoreSaveQueue& operator=(const StoreSaveQueue&) = delete;

    void submitState(MorvanteelBackupDocument document);
    // The snapshot file and the defaults' copy of it.
    void submitSnapshot(WidgetSnapshotPayload payload);

    // Returns once everything submitted before the call is on disk (or has failed).
    void flush();

    // What each state write since the last call came to, oldest first: none when the file was
    // written, else why not, in Chinese with the path.
    QList<std::optional<QString>> takeStateOutcomes();

private:
    void run();
    std::optional<QString> writeState(const MorvanteelBackupDocument& document) const;
    void writeSnapshot(const WidgetSnapshotPayload& payload) const;

    const Destinations m_destinations;
    const std::function<void()> m_outcomeReady;

    std::mutex m_mutex;
    std::condition_variable m_wake;    // work or the end for the writing thread
    std::condition_variable m_settled; // nothing waiting and nothing being written
    std::optional<MorvanteelBackupDocument> m_pendingState;
    std::optional<WidgetSnapshotPayload> m_pendingSnapshot;
    bool m_writing = false;
    bool m_stopping = false;
    QList<std::optional<QString>> m_outcomes;

    std::thread m_thread; // last: started once everything above is in place
};

} // namespace mv
