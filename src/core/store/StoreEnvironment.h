#pragma once

#include "core/models/Uuid.h"
#include "platform/AtomicFile.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace mv {

namespace platform {
class KeyValueStore;
class WidgetReloader;
} // namespace platform

// Where the store keeps its files. Each missing path takes its default.
struct StoreLocations {
    std::optional<QString> persistencePath;    // default: <support>/state.json
    std::optional<QString> widgetSnapshotPath; // default: <app group or support>/widget_snapshot.json
    std::optional<QString> demoRootPath;       // default: <support>/DemoDesktop
};

// Whether a first start (or an unusable state file) is replaced by the demo seed.
enum class Seeding { enabled, disabled };

// What the store takes from the world, replaceable in tests.
struct StoreEnvironment {
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTimeUtc(); };
    std::function<QUuid()> makeID = [] { return newUuid(); };
    // The standard defaults; none gives the user's defaults file. Written from the saving thread.
    std::shared_ptr<platform::KeyValueStore> standardDefaults;
    // The app group's shared defaults; Linux has none.
    std::shared_ptr<platform::KeyValueStore> appGroupDefaults;
    // None gives a recorder of its own.
    std::shared_ptr<platform::WidgetReloader> widgetReloader;
    // Every file the store writes goes through this; tests stand in a full or read-only disk.
    // Saves call it from the store's saving thread, one call at a time, so what it touches
    // is read elsewhere only after flushPendingSaves.
    std::function<std::optional<platform::FileError>(const QString& path, const QByteArray& bytes)> writeFile =
        platform::writeFileAtomically;
};

} // namespace mv
