#pragma once

#include "core/models/EnumTraits.h"
#include "core/models/Result.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

// The one strict JSON reader and writer of every model record. QJsonDocument only tokenizes
// and prints; every type check is made here, before every access. Records do not hand-roll
// checks: they list their fields in describeFields() and this file does the rest.
//
// Reading is all or nothing. A required key that is missing or null, a value of the wrong
// JSON type, a malformed id or time, or a text that is no case of its enumeration rejects the
// whole document, with an error naming the place: fences[2].tabs[0].kind: "Portal" is not a
// tab kind. Optional fields read as absent when missing or null and are never written as null.
// Unknown keys are ignored.
namespace mv::json {

struct Error {
    QString path;    // "fences[2].tabs[0].kind"; empty for the document itself
    QString message; // "\"Portal\" is not a tab kind", for logs and tests
    QString reason;  // the same in Chinese, for the user: "的值“Portal”无效"

    // "fences[2].tabs[0].kind: \"Portal\" is not a tab kind"
    QString text() const;
    // What the status line says: "字段 fences[2].tabs[0].kind 的值“Portal”无效", or for the
    // document as a whole just the reason, "第 3 行第 17 列处不是有效的 JSON".
    QString errorDescription() const;
    bool operator==(const Error&) const = default;
};

// Where the reader or writer is: a chain of keys and indexes on the stack, turned into text
// only when something fails.
struct PathNode {
    const PathNode* parent = nullptr;
    QLatin1StringView key;
    qsizetype index = -1;
};

QString pathText(const PathNode* node);

// The first failure of a read or write; everything after it is skipped.
class State final {
public:
    bool failed() const { return m_error.has_value(); }
    void fail(const PathNode* path, QString message, QString reason);
    const Error& error() const { return *m_error; }

private:
    std::optional<Error> m_error;
};

template<class T>
inline constexpr bool isOptional = false;
template<class T>
inline constexpr bool isOptional<std::optional<T>> = true;

// -- reading ------------------------------------------------------------------------------

QString describeType(const QJsonValue& value);
QString quoted(const QString& text);
QString quotedInChinese(const QString& text);
// Fails with "expected <english>, found a number" and "类型不对（应为<chinese>，实为数字）".
void failWrongType(const QJsonValue& value, const PathNode* path, State& state, const char* english,
                   const char* chinese);

void read(const QJsonValue& value, const PathNode* path, State& state, QString& out);
void read(const QJsonValue& value, const PathNode* path, State& state, bool& out);
void read(const QJsonValue& value, const PathNode* path, State& state, qint64& out);
void read(const QJsonValue& value, const PathNode* path, State& state, double& out);
void read(const QJsonValue& value, const PathNode* path, State& state, QUuid& out);
void read(const QJsonValue& value, const PathNode* path, State& state, QDateTime& out);

template<ModelEnum E>
void read(const QJsonValue& value, const PathNode* path, State& state, E& out)
{
    if (!value.isString()) {
        failWrongType(value, path, state, "a string", "字符串");
        return;
    }
    const QString text = value.toString();
    if (const auto parsed = fromRawValue<E>(text)) {
        out = *parsed;
        return;
    }
    state.fail(path, quoted(text) + QStringLiteral(" is not ") + QLatin1StringView(EnumInfo<E>::noun),
               QStringLiteral("的值") + quotedInChinese(text) + QStringLiteral("无效"));
}

// The templates below find each other, and the overloads above, through the PathNode
// argument at the point of use.
class ObjectReader final {
public:
    ObjectReader(const QJsonObject& object, const PathNode* path, State& state)
        : m_object(object), m_path(path), m_state(state) {}

    template<class T>
    void operator()(const char* key, T& out)
    {
        if (m_state.failed())
            return;
        const QLatin1StringView name(key);
        const PathNode node{m_path, name, -1};
        const auto it = m_object.constFind(name);
        if constexpr (isOptional<T>) {
            if (it == m_object.constEnd() || it.value().isNull()) {
                out.reset();
                return;
            }
            typename T::value_type value{};
            read(it.value(), &node, m_state, value);
            out = std::move(value);
        } else {
            if (it == m_object.constEnd()) {
                m_state.fail(&node, QStringLiteral("required key is missing"), QStringLiteral("缺失"));
                return;
            }
            read(it.value(), &node, m_state, out);
        }
    }

private:
    const QJsonObject& m_object;
    const PathNode* m_path;
    State& m_state;
};

template<class T>
void read(const QJsonValue& value, const PathNode* path, State& state, QList<T>& out)
{
    if (!value.isArray()) {
        failWrongType(value, path, state, "an array", "数组");
        return;
    }
    const QJsonArray array = value.toArray();
    out.clear();
    out.reserve(array.size());
    for (qsizetype i = 0; i < array.size() && !state.failed(); ++i) {
        const PathNode node{path, {}, i};
        T element{};
        read(array.at(i), &node, state, element);
        out.append(std::move(element));
    }
}

template<class T>
void read(const QJsonValue& value, const PathNode* path, State& state, T& out)
    requires requires(ObjectReader& reader) { describeFields(reader, out); }
{
    if (!value.isObject()) {
        failWrongType(value, path, state, "an object", "对象");
        return;
    }
    const QJsonObject object = value.toObject();
    ObjectReader reader(object, path, state);
    describeFields(reader, out);
}

// -- writing ------------------------------------------------------------------------------

QJsonValue write(const QString& value, const PathNode* path, State& state);
QJsonValue write(bool value, const PathNode* path, State& state);
QJsonValue write(qint64 value, const PathNode* path, State& state);
QJsonValue write(double value, const PathNode* path, State& state);
QJsonValue write(const QUuid& value, const PathNode* path, State& state);
QJsonValue write(const QDateTime& value, const PathNode* path, State& state);

template<ModelEnum E>
QJsonValue write(E value, const PathNode*, State&)
{
    return QJsonValue(rawValueView(value));
}

class ObjectWriter final {
public:
    ObjectWriter(const PathNode* path, State& state) : m_path(path), m_state(state) {}

    template<class T>
    void operator()(const char* key, const T& value)
    {
        if (m_state.failed())
            return;
        const QLatin1StringView name(key);
        const PathNode node{m_path, name, -1};
        if constexpr (isOptional<T>) {
            if (value)
                m_object.insert(name, write(*value, &node, m_state));
        } else {
            m_object.insert(name, write(value, &node, m_state));
        }
    }

    QJsonObject take() { return std::move(m_object); }

private:
    QJsonObject m_object;
    const PathNode* m_path;
    State& m_state;
};

template<class T>
QJsonValue write(const QList<T>& values, const PathNode* path, State& state)
{
    QJsonArray array;
    for (qsizetype i = 0; i < values.size() && !state.failed(); ++i) {
        const PathNode node{path, {}, i};
        array.append(write(values[i], &node, state));
    }
    return array;
}

template<class T>
QJsonValue write(const T& record, const PathNode* path, State& state)
    requires requires(ObjectWriter& writer) { describeFields(writer, record); }
{
    ObjectWriter writer(path, state);
    describeFields(writer, record);
    return writer.take();
}

// -- documents ----------------------------------------------------------------------------

// Pretty-printed UTF-8 with the keys of every object sorted and every "/" escaped.
QByteArray printObject(const QJsonObject& object);

// Parses bytes that must hold one JSON object; the error says why they do not.
Result<QJsonObject, Error> parseObject(const QByteArray& bytes);

template<class T>
Result<QJsonObject, Error> toJsonObject(const T& record)
{
    State state;
    const QJsonValue value = write(record, nullptr, state);
    if (state.failed())
        return state.error();
    return value.toObject();
}

template<class T>
Result<T, Error> fromJsonObject(const QJsonObject& object)
{
    State state;
    T record{};
    read(QJsonValue(object), nullptr, state, record);
    if (state.failed())
        return state.error();
    return record;
}

// A record as the bytes of a document; nothing is produced when any value cannot be written.
template<class T>
Result<QByteArray, Error> encode(const T& record)
{
    auto object = toJsonObject(record);
    if (!object)
        return object.error();
    return printObject(object.value());
}

template<class T>
Result<T, Error> decode(const QByteArray& bytes)
{
    auto object = parseObject(bytes);
    if (!object)
        return object.error();
    return fromJsonObject<T>(object.value());
}

} // namespace mv::json
