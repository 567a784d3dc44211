#pragma once

#include "core/store/MorvanteelStore.h"
#include "platform/KeyValueStore.h"
#include "platform/WidgetReloader.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

// A store over a temporary folder, with its own clock, defaults and widget reload recorder.
struct StoreFixture {
    QTemporaryDir dir;
    QDateTime clock = QDateTime(QDate(2026, 12, 9), QTime(8, 19, 47), Qt::UTC);
    std::shared_ptr<mv::platform::MemoryKeyValueStore> defaults = std::make_shared<mv::platform::MemoryKeyValueStore>();
    std::shared_ptr<mv::platform::WidgetReloader> reloader = std::make_shared<mv::platform::WidgetReloader>();

    QString supportPath() const { return dir.filePath(QStringLiteral("support")); }
    QString statePath() const { return dir.filePath(QStringLiteral("support/state.json")); }
    QString snapshotPath() const { return dir.filePath(QStringLiteral("support/widget_snapshot.json")); }
    QString demoPath() const { return dir.filePath(QStringLiteral("demo")); }

    mv::StoreLocations locations() const { return {statePath(), snapshotPath(), demoPath()}; }

    mv::StoreEnvironment environment()
    {
        mv::StoreEnvironment environment;
        environment.now = [this] { return clock; };
        environment.standardDefaults = defaults;
        environment.widgetReloader = reloader;
        return environment;
    }

    std::unique_ptr<mv::MorvanteelStore> makeStore(mv::Seeding seeding = mv::Seeding::enabled)
    {
        return std::make_unique<mv::MorvanteelStore>(locations(), seeding, environment());
    }

    static bool writeFile(const QString& path, const QByteArray& bytes)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }

    static QByteArray readFile(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QStringList supportFiles() const
    {
        return QDir(supportPath()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
};
