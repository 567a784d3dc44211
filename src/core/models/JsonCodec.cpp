#include "core/models/JsonCodec.h"

#include "core/models/Timestamp.h"
#include "core/models/Uuid.h"

#include <QJsonDocument>

#include <cmath>

namespace mv::json {

QString Error::text() const
{
    return (path.isEmpty() ? QStringLiteral("document") : path) + QStringLiteral(": ") + message;
}

QString pathText(const PathNode* node)
{
    QList<const PathNode*> chain;
    for (; node; node = node->parent)
        chain.prepend(node);
    QString text;
    for (const PathNode* step : chain) {
        if (step->index >= 0) {
            text += u'[' + QString::number(step->index) + u']';
        } else {
            if (!text.isEmpty())
                text += u'.';
            text += step->key;
        }
    }
    return text;
}

void State::fail(const PathNode* path, QString message)
{
    if (!m_error)
        m_error = Error{pathText(path), std::move(message)};
}

QString describeType(const QJsonValue& value)
{
    switch (value.type()) {
    case QJsonValue::Null: return QStringLiteral("null");
    case QJsonValue::Bool: return QStringLiteral("a Boolean");
    case QJsonValue::Double: return QStringLiteral("a number");
    case QJsonValue::String: return QStringLiteral("a string");
    case QJsonValue::Array: return QStringLiteral("an array");
    case QJsonValue::Object: return QStringLiteral("an object");
    case QJsonValue::Undefined: break;
    }
    return QStringLiteral("nothing");
}

QString quoted(const QString& text)
{
    // Long values are cut so that an error stays one readable line.
    constexpr qsizetype limit = 80;
    if (text.size() <= limit)
        return u'"' + text + u'"';
    return u'"' + text.left(limit) + QStringLiteral("…\"");
}

namespace {

bool expect(const QJsonValue& value, QJsonValue::Type type, const char* what, const PathNode* path, State& state)
{
    if (value.type() == type)
        return true;
    state.fail(path, QStringLiteral("expected ") + QLatin1StringView(what) + QStringLiteral(", found ") + describeType(value));
    return false;
}

} // namespace

void read(const QJsonValue& value, const PathNode* path, State& state, QString& out)
{
    if (expect(value, QJsonValue::String, "a string", path, state))
        out = value.toString();
}

void read(const QJsonValue& value, const PathNode* path, State& state, bool& out)
{
    if (expect(value, QJsonValue::Bool, "true or false", path, state))
        out = value.toBool();
}

void read(const QJsonValue& value, const PathNode* path, State& state, qint64& out)
{
    if (!expect(value, QJsonValue::Double, "an integer", path, state))
        return;
    // toInteger() gives its fallback for a fraction or a value beyond 64 bits; two different
    // fallbacks tell that apart from a real value.
    const qint64 first = value.toInteger(0);
    const qint64 second = value.toInteger(1);
    if (first != second) {
        state.fail(path, QStringLiteral("expected an integer, found ") + QString::number(value.toDouble(), 'g', 17));
        return;
    }
    out = first;
}

void read(const QJsonValue& value, const PathNode* path, State& state, double& out)
{
    if (expect(value, QJsonValue::Double, "a number", path, state))
        out = value.toDouble();
}

void read(const QJsonValue& value, const PathNode* path, State& state, QUuid& out)
{
    if (!expect(value, QJsonValue::String, "a UUID string", path, state))
        return;
    const QString text = value.toString();
    if (const auto id = parseUuid(text))
        out = *id;
    else
        state.fail(path, quoted(text) + QStringLiteral(" is not a UUID"));
}

void read(const QJsonValue& value, const PathNode* path, State& state, QDateTime& out)
{
    if (!expect(value, QJsonValue::String, "an ISO-8601 date-time string", path, state))
        return;
    const QString text = value.toString();
    if (const auto time = parseTimestamp(text))
        out = *time;
    else
        state.fail(path, quoted(text) + QStringLiteral(" is not an ISO-8601 date-time with a zone"));
}

QJsonValue write(const QString& value, const PathNode*, State&)
{
    return value;
}

QJsonValue write(bool value, const PathNode*, State&)
{
    return value;
}

QJsonValue write(qint64 value, const PathNode*, State&)
{
    return value;
}

QJsonValue write(double value, const PathNode* path, State& state)
{
    // QJsonDocument would silently print these as null, which no reader accepts back.
    if (!std::isfinite(value)) {
        state.fail(path, QStringLiteral("cannot write a number that is not finite"));
        return {};
    }
    return value;
}

QJsonValue write(const QUuid& value, const PathNode*, State&)
{
    return uuidString(value);
}

QJsonValue write(const QDateTime& value, const PathNode* path, State& state)
{
    if (const auto text = formatTimestamp(value))
        return *text;
    state.fail(path, QStringLiteral("cannot write a time that is invalid or outside the years 1 to 9999"));
    return {};
}

QByteArray printObject(const QJsonObject& object)
{
    QByteArray bytes = QJsonDocument(object).toJson(QJsonDocument::Indented);
    // Outside strings JSON has no "/", and no byte of a multi-byte UTF-8 sequence is 0x2F,
    // so every "/" here belongs to a string and can be escaped in place.
    bytes.replace('/', QByteArrayLiteral("\\/"));
    return bytes;
}

Result<QJsonObject, Error> parseObject(const QByteArray& bytes)
{
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        return Error{{}, QStringLiteral("not valid JSON (") + parseError.errorString()
                             + QStringLiteral(" at byte ") + QString::number(parseError.offset) + u')'};
    }
    if (!document.isObject()) {
        return Error{{}, QStringLiteral("expected an object at the top level, found ")
                             + (document.isArray() ? QStringLiteral("an array") : QStringLiteral("nothing"))};
    }
    return document.object();
}

} // namespace mv::json
