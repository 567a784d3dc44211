#include "platform/KeyValueStore.h"

#include "platform/AtomicFile.h"
#include "platform/SupportLocations.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

namespace mv::platform {

namespace {

const QString dataKey = QStringLiteral("base64Data");

// One lock for every file store of the program: two stores may name the same file, and a change
// is a read, an edit and a write that must not interleave with another's.
std::mutex& fileStoresMutex()
{
    static std::mutex mutex;
    return mutex;
}

QJsonObject readObject(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // A damaged file reads as empty: these values are hand-offs and caches, never the only copy.
    return QJsonDocument::fromJson(file.readAll()).object();
}

} // namespace

std::optional<QByteArray> KeyValueStore::data(const QString& key) const
{
    const auto stored = value(key);
    if (!stored || !stored->isObject())
        return std::nullopt;
    const QJsonValue encoded = stored->toObject().value(dataKey);
    if (!encoded.isString())
        return std::nullopt;
    auto decoded = QByteArray::fromBase64Encoding(encoded.toString().toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    return *decoded;
}

bool KeyValueStore::setData(const QString& key, const QByteArray& bytes)
{
    return setValue(key, QJsonObject{{dataKey, QString::fromLatin1(bytes.toBase64())}});
}

FileKeyValueStore::FileKeyValueStore(QString filePath) : m_filePath(std::move(filePath)) {}

QString FileKeyValueStore::defaultFilePath()
{
    return QDir(defaultConfigDirectory()).filePath(QStringLiteral("defaults.json"));
}

std::optional<QJsonValue> FileKeyValueStore::value(const QString& key) const
{
    const std::lock_guard lock(fileStoresMutex());
    const QJsonObject object = readObject(m_filePath);
    const auto it = object.constFind(key);
    if (it == object.constEnd())
        return std::nullopt;
    return it.value();
}

bool FileKeyValueStore::setValue(const QString& key, const QJsonValue& value)
{
    const std::lock_guard lock(fileStoresMutex());
    QJsonObject object = readObject(m_filePath);
    object.insert(key, value);
    return !writeFileAtomically(m_filePath, QJsonDocument(object).toJson(QJsonDocument::Indented));
}

bool FileKeyValueStore::remove(const QString& key)
{
    const std::lock_guard lock(fileStoresMutex());
    QJsonObject object = readObject(m_filePath);
    if (!object.contains(key))
        return true;
    object.remove(key);
    return !writeFileAtomically(m_filePath, QJsonDocument(object).toJson(QJsonDocument::Indented));
}

std::optional<QJsonValue> MemoryKeyValueStore::value(const QString& key) const
{
    const std::lock_guard lock(m_mutex);
    const auto it = m_values.constFind(key);
    if (it == m_values.constEnd())
        return std::nullopt;
    return *it;
}

bool MemoryKeyValueStore::setValue(const QString& key, const QJsonValue& value)
{
    const std::lock_guard lock(m_mutex);
    m_values.insert(key, value);
    return true;
}

bool MemoryKeyValueStore::remove(const QString& key)
{
    const std::lock_guard lock(m_mutex);
    m_values.remove(key);
    return true;
}

} // namespace mv::platform
