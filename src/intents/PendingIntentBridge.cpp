#include "intents/PendingIntentBridge.h"

#include "core/models/JsonCodec.h"
#include "core/models/Uuid.h"
#include "core/store/MorvanteelStore.h"
#include "platform/KeyValueStore.h"
#include "platform/WidgetReloader.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace mv {

namespace {

const QDateTime& referenceDate()
{
    static const QDateTime date(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    return date;
}

// A number as the JSON writer prints it (shortest form, "0" for zero).
QByteArray jsonNumber(double value)
{
    QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

QByteArray jsonString(const QString& value)
{
    QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

// The defaults an operation works on, opened anew each time: the app group's suite when there
// is one, else the standard defaults.
class OpenedDefaults final {
public:
    explicit OpenedDefaults(const PendingIntentEnvironment& environment)
    {
        if (environment.appGroupDefaults)
            m_store = environment.appGroupDefaults.get();
        else if (environment.standardDefaults)
            m_store = environment.standardDefaults.get();
        else
            m_store = &m_file.emplace(platform::FileKeyValueStore::defaultFilePath());
    }
    platform::KeyValueStore* operator->() const { return m_store; }

private:
    std::optional<platform::FileKeyValueStore> m_file;
    platform::KeyValueStore* m_store = nullptr;
};

// The text under `key` read by `parse`; the key is removed only when it parsed.
template<class Parse>
auto consumeParsed(const PendingIntentEnvironment& environment, const QString& key, Parse parse)
    -> decltype(parse(QString()))
{
    const OpenedDefaults defaults(environment);
    const auto value = defaults->value(key);
    if (!value || !value->isString())
        return std::nullopt;
    auto parsed = parse(value->toString());
    if (parsed)
        defaults->remove(key);
    return parsed;
}

QList<PendingWidgetTaskToggle> loadPendingTaskToggles(const OpenedDefaults& defaults)
{
    const auto bytes = defaults->data(MorvanteelPendingIntentBridge::pendingTaskTogglesKey);
    if (!bytes)
        return {};
    return decodePendingTaskToggles(*bytes).value_or(QList<PendingWidgetTaskToggle>{});
}

void post(const QVariant& object)
{
    Q_EMIT PendingIntentNotifier::shared().intentDidTrigger(object);
}

} // namespace

std::optional<QByteArray> encodePendingTaskToggles(const QList<PendingWidgetTaskToggle>& toggles)
{
    QByteArray bytes = "[";
    for (const PendingWidgetTaskToggle& toggle : toggles) {
        if (!toggle.recordedAt.isValid())
            return std::nullopt;
        const double seconds = double(referenceDate().msecsTo(toggle.recordedAt)) / 1000.0;
        if (bytes.size() > 1)
            bytes += ',';
        bytes += "{\"fenceID\":" + jsonString(uuidString(toggle.fenceID));
        bytes += ",\"taskID\":" + jsonString(uuidString(toggle.taskID));
        bytes += ",\"desiredCompleted\":" + QByteArray(toggle.desiredCompleted ? "true" : "false");
        bytes += ",\"recordedAt\":" + jsonNumber(seconds) + '}';
    }
    return bytes + ']';
}

std::optional<QList<PendingWidgetTaskToggle>> decodePendingTaskToggles(const QByteArray& bytes)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    QList<PendingWidgetTaskToggle> toggles;
    for (const QJsonValue& element : document.array()) {
        if (!element.isObject())
            return std::nullopt;
        const QJsonObject object = element.toObject();
        const QJsonValue fence = object.value(u"fenceID");
        const QJsonValue task = object.value(u"taskID");
        const QJsonValue completed = object.value(u"desiredCompleted");
        const QJsonValue recorded = object.value(u"recordedAt");
        if (!fence.isString() || !task.isString() || !completed.isBool() || !recorded.isDouble())
            return std::nullopt;
        const auto fenceID = parseUuid(fence.toString());
        const auto taskID = parseUuid(task.toString());
        const double seconds = recorded.toDouble();
        // Beyond a few hundred thousand years no time can be kept.
        if (!fenceID || !taskID || !std::isfinite(seconds) || std::fabs(seconds) > 1e13)
            return std::nullopt;
        toggles.append({*fenceID, *taskID, completed.toBool(),
                        referenceDate().addMSecs(qint64(std::llround(seconds * 1000.0)))});
    }
    return toggles;
}

PendingIntentNotifier& PendingIntentNotifier::shared()
{
    static PendingIntentNotifier* const notifier = new PendingIntentNotifier;
    return *notifier;
}

void MorvanteelPendingIntentBridge::enqueueDeepLink(const MorvanteelDeepLink& link,
                                                    const PendingIntentEnvironment& environment)
{
    const QString url = link.urlString();
    OpenedDefaults(environment)->setValue(pendingDeepLinkKey, url);
    post(url);
}

std::optional<MorvanteelDeepLink> MorvanteelPendingIntentBridge::dequeueDeepLink(
    const PendingIntentEnvironment& environment)
{
    return consumeParsed(environment, pendingDeepLinkKey,
                         [](const QString& text) { return MorvanteelDeepLink::fromString(text); });
}

void MorvanteelPendingIntentBridge::recordPendingTaskToggle(const QUuid& fenceID, const QUuid& taskID,
                                                            bool desiredCompleted,
                                                            const PendingIntentEnvironment& environment)
{
    const OpenedDefaults defaults(environment);
    QList<PendingWidgetTaskToggle> toggles = loadPendingTaskToggles(defaults);
    toggles.removeIf([&](const PendingWidgetTaskToggle& t) { return t.fenceID == fenceID && t.taskID == taskID; });
    toggles.append({fenceID, taskID, desiredCompleted, environment.now()});
    if (const auto bytes = encodePendingTaskToggles(toggles))
        defaults->setData(pendingTaskTogglesKey, *bytes);
    post(QVariant());
}

QList<PendingWidgetTaskToggle> MorvanteelPendingIntentBridge::consumePendingTaskToggles(
    const PendingIntentEnvironment& environment)
{
    const OpenedDefaults defaults(environment);
    QList<PendingWidgetTaskToggle> toggles = loadPendingTaskToggles(defaults);
    if (!toggles.isEmpty())
        defaults->remove(pendingTaskTogglesKey);
    return toggles;
}

void MorvanteelPendingIntentBridge::recordPendingWorkspaceSwitch(const QUuid& workspaceID,
                                                                 const PendingIntentEnvironment& environment)
{
    OpenedDefaults(environment)->setValue(pendingWorkspaceSwitchKey, uuidString(workspaceID));
    post(QVariant());
}

std::optional<QUuid> MorvanteelPendingIntentBridge::consumePendingWorkspaceSwitch(
    const PendingIntentEnvironment& environment)
{
    return consumeParsed(environment, pendingWorkspaceSwitchKey, [](const QString& text) { return parseUuid(text); });
}

void MorvanteelPendingIntentBridge::persistWidgetSnapshot(const WidgetSnapshotPayload& payload,
                                                          const PendingIntentEnvironment& environment)
{
    const auto bytes = json::encode(payload);
    if (!bytes)
        return;
    const QString path = environment.widgetSnapshotPath.value_or(
        MorvanteelStore::defaultWidgetSnapshotPath(MorvanteelStore::defaultSupportDirectory()));
    QDir().mkpath(QFileInfo(path).absolutePath());
    (void)environment.writeFile(path, bytes.value());
    if (environment.appGroupDefaults)
        environment.appGroupDefaults->setData(MorvanteelStore::widgetDefaultsKey, bytes.value());
    if (environment.standardDefaults) {
        environment.standardDefaults->setData(MorvanteelStore::widgetDefaultsKey, bytes.value());
    } else {
        platform::FileKeyValueStore standard(platform::FileKeyValueStore::defaultFilePath());
        standard.setData(MorvanteelStore::widgetDefaultsKey, bytes.value());
    }
    (environment.widgetReloader ? *environment.widgetReloader : sharedWidgetReloader()).reloadAllTimelines();
}

platform::WidgetReloader& MorvanteelPendingIntentBridge::sharedWidgetReloader()
{
    static platform::WidgetReloader reloader;
    return reloader;
}

} // namespace mv
