#include "core/store/StoreSaveQueue.h"

#include "platform/KeyValueStore.h"

namespace mv {

StoreSaveQueue::StoreSaveQueue(Destinations destinations, std::function<void()> outcomeReady)
    : m_destinations(std::move(destinations)), m_outcomeReady(std::move(outcomeReady)), m_thread([this] { run(); })
{
}

StoreSaveQueue::~StoreSaveQueue()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void StoreSaveQueue::submitState(MorvanteelBackupDocument document)
{
    {
        const std::lock_guard lock(m_mutex);
        m_pendingState = std::move(document);
    }
    m_wake.notify_one();
}

void StoreSaveQueue::submitSnapshot(WidgetSnapshotPayload payload)
{
    {
        const std::lock_guard lock(m_mutex);
        m_pendingSnapshot = std::move(payload);
    }
    m_wake.notify_one();
}

void StoreSaveQueue::flush()
{
    std::unique_lock lock(m_mutex);
    m_settled.wait(lock, [this] { return !m_writing && !m_pendingState && !m_pendingSnapshot; });
}

QList<std::optional<QString>> StoreSaveQueue::takeStateOutcomes()
{
    const std::lock_guard lock(m_mutex);
    return std::exchange(m_outcomes, {});
}

void StoreSaveQueue::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || m_pendingState || m_pendingSnapshot; });
        if (!m_pendingState && !m_pendingSnapshot)
            return; // stopping, with everything written
        std::optional<MorvanteelBackupDocument> state = std::exchange(m_pendingState, std::nullopt);
        std::optional<WidgetSnapshotPayload> snapshot = std::exchange(m_pendingSnapshot, std::nullopt);
        m_writing = true;
        lock.unlock();

        // The state file first, as a save always wrote it: the snapshot is derived from it.
        std::optional<std::optional<QString>> outcome;
        if (state)
            outcome = writeState(*state);
        if (snapshot)
            writeSnapshot(*snapshot);
        // Dropped here, off the caller's thread: the last reference to a large document may be ours.
        state.reset();
        snapshot.reset();

        lock.lock();
        bool tell = false;
        if (outcome) {
            tell = m_outcomes.isEmpty();
            m_outcomes.append(std::move(*outcome));
        }
        m_writing = false;
        if (!m_pendingState && !m_pendingSnapshot)
            m_settled.notify_all();
        if (tell && m_outcomeReady) {
            lock.unlock();
            m_outcomeReady();
            lock.lock();
        }
    }
}

std::optional<QString> StoreSaveQueue::writeState(const MorvanteelBackupDocument& document) const
{
    const auto bytes = encodeDocument(document);
    if (!bytes)
        return bytes.error().errorDescription();
    if (const auto error = m_destinations.writeFile(m_destinations.statePath, bytes.value()))
        return error->errorDescription();
    return std::nullopt;
}

void StoreSaveQueue::writeSnapshot(const WidgetSnapshotPayload& payload) const
{
    const auto bytes = json::encode(payload);
    if (!bytes)
        return;
    // Each destination is written even when an earlier one failed: readers try them in turn.
    (void)m_destinations.writeFile(m_destinations.snapshotPath, bytes.value());
    if (m_destinations.appGroupDefaults)
        m_destinations.appGroupDefaults->setData(m_destinations.defaultsKey, bytes.value());
    if (m_destinations.standardDefaults)
        m_destinations.standardDefaults->setData(m_destinations.defaultsKey, bytes.value());
}

} // namespace mv
