#pragma once

#include "core/models/DeepLink.h"
#include "core/models/WidgetSnapshot.h"
#include "platform/AtomicFile.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>

namespace mv {

namespace platform {
class KeyValueStore;
class WidgetReloader;
} // namespace platform

// One queued request to set a checklist task's completion, as the widget side reads it.
struct PendingWidgetTaskToggle {
    QUuid fenceID;
    QUuid taskID;
    bool desiredCompleted = false;
    // Kept in the record as seconds since 2001-01-01 00:00:00 UTC, with fractions.
    QDateTime recordedAt;

    bool operator==(const PendingWidgetTaskToggle&) const = default;
};

// The JSON list of toggles: compact, keys in field order, times as reference-date numbers.
// Encoding gives none when a time is invalid; decoding gives none unless every record has
// all four keys with their types.
std::optional<QByteArray> encodePendingTaskToggles(const QList<PendingWidgetTaskToggle>& toggles);
std::optional<QList<PendingWidgetTaskToggle>> decodePendingTaskToggles(const QByteArray& bytes);

// The process-wide notifier of the bridge's records: every enqueue and record posts here.
class PendingIntentNotifier final : public QObject {
    Q_OBJECT

public:
    static inline const QString intentDidTriggerName = QStringLiteral("Morvanteel.IntentDidTrigger");

    static PendingIntentNotifier& shared();

Q_SIGNALS:
    // `object`: the deep link's URL string for an enqueued link, null for a record.
    void intentDidTrigger(const QVariant& object);

private:
    PendingIntentNotifier() = default;
};

// Where the bridge keeps its records; each part left unset takes the program's own.
struct PendingIntentEnvironment {
    // The standard defaults; none opens the user's defaults file anew on each operation.
    std::shared_ptr<platform::KeyValueStore> standardDefaults;
    // The app group's shared defaults; Linux has none, so the standard ones are used.
    std::shared_ptr<platform::KeyValueStore> appGroupDefaults;
    // The widget snapshot file; none: the store's default location.
    std::optional<QString> widgetSnapshotPath;
    // None: one recorder for the whole process.
    std::shared_ptr<platform::WidgetReloader> widgetReloader;
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTimeUtc(); };
    std::function<std::optional<platform::FileError>(const QString& path, const QByteArray& bytes)> writeFile =
        platform::writeFileAtomically;
};

// The records that requests from outside the windows leave until they are acted on, in the
// shared defaults the widget side reads too. No state in memory; nothing is reported.
// Every write belongs in the running instance: the defaults file is rewritten whole, without
// a lock between processes.
class MorvanteelPendingIntentBridge final {
public:
    static inline const QString pendingDeepLinkKey = QStringLiteral("Morvanteel.PendingDeepLinkURL");
    static inline const QString pendingTaskTogglesKey = QStringLiteral("Morvanteel.PendingTaskToggles");
    static inline const QString pendingWorkspaceSwitchKey = QStringLiteral("Morvanteel.PendingWorkspaceSwitch");

    MorvanteelPendingIntentBridge() = delete;

    static void enqueueDeepLink(const MorvanteelDeepLink& link, const PendingIntentEnvironment& environment = {});
    // The pending link, removed once it parsed; anything else stays pending.
    static std::optional<MorvanteelDeepLink> dequeueDeepLink(const PendingIntentEnvironment& environment = {});

    // At most one record per (fence, task): the newest moves to the end.
    static void recordPendingTaskToggle(const QUuid& fenceID, const QUuid& taskID, bool desiredCompleted,
                                        const PendingIntentEnvironment& environment = {});
    // The pending list, removed only when it was not empty.
    static QList<PendingWidgetTaskToggle> consumePendingTaskToggles(const PendingIntentEnvironment& environment = {});

    static void recordPendingWorkspaceSwitch(const QUuid& workspaceID, const PendingIntentEnvironment& environment = {});
    static std::optional<QUuid> consumePendingWorkspaceSwitch(const PendingIntentEnvironment& environment = {});

    // The snapshot file (its errors ignored), both defaults copies, then a widget reload.
    static void persistWidgetSnapshot(const WidgetSnapshotPayload& payload,
                                      const PendingIntentEnvironment& environment = {});

    // The recorder used when the environment names none.
    static platform::WidgetReloader& sharedWidgetReloader();
};

} // namespace mv
