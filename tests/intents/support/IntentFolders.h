#pragma once

#include "core/models/JsonCodec.h"
#include "core/models/WidgetSnapshot.h"
#include "core/store/MorvanteelStore.h"
#include "platform/KeyValueStore.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <optional>

// Temporary XDG data and config folders for the test's life, so that the snapshot file and the
// defaults file are the program's own default locations, never the real home folder's.
struct IntentFolders {
    QTemporaryDir dir;
    QByteArray previousData = qgetenv("XDG_DATA_HOME");
    QByteArray previousConfig = qgetenv("XDG_CONFIG_HOME");

    IntentFolders()
    {
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath(QStringLiteral("data"))));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath(QStringLiteral("config"))));
    }
    ~IntentFolders()
    {
        qputenv("XDG_DATA_HOME", previousData);
        qputenv("XDG_CONFIG_HOME", previousConfig);
    }

    static QString snapshotPath()
    {
        return mv::MorvanteelStore::defaultWidgetSnapshotPath(mv::MorvanteelStore::defaultSupportDirectory());
    }
    static mv::platform::FileKeyValueStore defaults()
    {
        return mv::platform::FileKeyValueStore(mv::platform::FileKeyValueStore::defaultFilePath());
    }

    static void writeSnapshot(const mv::WidgetSnapshotPayload& payload)
    {
        QDir().mkpath(QFileInfo(snapshotPath()).absolutePath());
        QFile file(snapshotPath());
        if (file.open(QIODevice::WriteOnly))
            file.write(mv::json::encode(payload).value());
    }
    static std::optional<mv::WidgetSnapshotPayload> readSnapshot()
    {
        QFile file(snapshotPath());
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        auto payload = mv::json::decode<mv::WidgetSnapshotPayload>(file.readAll());
        return payload ? std::optional(payload.value()) : std::nullopt;
    }
    // A file's bytes; empty when there is none.
    static QByteArray bytesOf(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // A small regular file at `path`.
    static bool writeFile(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write("x") == 1;
    }
    // The keys of the defaults file, or none when there is no such file.
    static std::optional<QStringList> defaultsKeys()
    {
        QFile file(mv::platform::FileKeyValueStore::defaultFilePath());
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        return QJsonDocument::fromJson(file.readAll()).object().keys();
    }
};

