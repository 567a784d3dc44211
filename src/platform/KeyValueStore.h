#pragma once

#include <QByteArray>
#include <QHash>
#include <QJsonValue>
#include <QString>

#include <mutex>
#include <optional>

namespace mv::platform {

// A small store of named values, the stand-in for the desktop's user defaults. Values are
// JSON values; byte data is kept as base64 inside them. Safe to use from several threads: the
// store writes the widget snapshot into it from its saving thread.
class KeyValueStore {
public:
    virtual ~KeyValueStore() = default;

    virtual std::optional<QJsonValue> value(const QString& key) const = 0;
    // False when the value could not be kept.
    virtual bool setValue(const QString& key, const QJsonValue& value) = 0;
    virtual bool remove(const QString& key) = 0;

    std::optional<QByteArray> data(const QString& key) const;
    bool setData(const QString& key, const QByteArray& bytes);
};

// Keeps the values in one JSON file, read on every access so that another instance of the
// program sees what this one wrote, and replaced atomically (mode 0600) on every change. Within
// one program, changes from different threads do not undo each other.
class FileKeyValueStore final : public KeyValueStore {
public:
    explicit FileKeyValueStore(QString filePath);

    // ~/.config/Morvanteel/defaults.json
    static QString defaultFilePath();

    const QString& filePath() const { return m_filePath; }

    std::optional<QJsonValue> value(const QString& key) const override;
    bool setValue(const QString& key, const QJsonValue& value) override;
    bool remove(const QString& key) override;

private:
    QString m_filePath;
};

// For tests: keeps the values in memory.
class MemoryKeyValueStore final : public KeyValueStore {
public:
    std::optional<QJsonValue> value(const QString& key) const override;
    bool setValue(const QString& key, const QJsonValue& value) override;
    bool remove(const QString& key) override;

private:
    mutable std::mutex m_mutex;
    QHash<QString, QJsonValue> m_values;
};

} // namespace mv::platform
