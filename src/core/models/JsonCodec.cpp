#include "core/models/JsonCodec.h"

#include "core/models/Timestamp.h"
#include "core/models/Uuid.h"

#include <QJsonDocument>

#include <algorithm>
#include <cmath>
#include <utility>

namespace mv::json {

QString Error::text() const
{
    return (path.isEmpty() ? QStringLiteral("document") : path) + QStringLiteral(": ") + message;
}

QString Error::errorDescription() const
{
    return path.isEmpty() ? reason : QStringLiteral("字段 ") + path + u' ' + reason;
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

void State::fail(const PathNode* path, QString message, QString reason)
{
    if (!m_error)
        m_error = Error{pathText(path), std::move(message), std::move(reason)};
}

namespace {

// How errors name a JSON value's type, in English and in Chinese.
struct TypeName {
    const char* english;
    const char* chinese; // UTF-8
};

TypeName typeName(const QJsonValue& value)
{
    switch (value.type()) {
    case QJsonValue::Null: return {"null", "空值"};
    case QJsonValue::Bool: return {"a Boolean", "布尔值"};
    case QJsonValue::Double: return {"a number", "数字"};
    case QJsonValue::String: return {"a string", "字符串"};
    case QJsonValue::Array: return {"an array", "数组"};
    case QJsonValue::Object: return {"an object", "对象"};
    case QJsonValue::Undefined: break;
    }
    return {"nothing", "无"};
}

} // namespace

QString describeType(const QJsonValue& value)
{
    return QString::fromLatin1(typeName(value).english);
}

namespace {

// Long values are cut so that an error stays one readable line, never inside a surrogate pair.
QString shortened(const QString& text)
{
    constexpr qsizetype limit = 80;
    if (text.size() <= limit)
        return text;
    const qsizetype cut = text[limit - 1].isHighSurrogate() ? limit - 1 : limit;
    return text.left(cut) + u'…';
}

bool expect(const QJsonValue& value, QJsonValue::Type type, const char* english, const char* chinese,
            const PathNode* path, State& state)
{
    if (value.type() == type)
        return true;
    failWrongType(value, path, state, english, chinese);
    return false;
}

// Line and column (both from 1, the column in characters) of a byte offset into UTF-8 text.
std::pair<qsizetype, qsizetype> lineAndColumn(const QByteArray& bytes, qsizetype offset)
{
    qsizetype line = 1;
    qsizetype column = 1;
    for (qsizetype i = 0; i < std::min(offset, bytes.size()); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte == '\n') {
            ++line;
            column = 1;
        } else if ((byte & 0xC0) != 0x80) {
            ++column;
        }
    }
    return {line, column};
}

} // namespace

QString quoted(const QString& text)
{
    return u'"' + shortened(text) + u'"';
}

QString quotedInChinese(const QString& text)
{
    return u'“' + shortened(text) + u'”';
}

void failWrongType(const QJsonValue& value, const PathNode* path, State& state, const char* english, const char* chinese)
{
    state.fail(path, QStringLiteral("expected ") + QLatin1StringView(english) + QStringLiteral(", found ") + describeType(value),
               QStringLiteral("类型不对（应为") + QString::fromUtf8(chinese) + QStringLiteral("，实为")
                   + QString::fromUtf8(typeName(value).chinese) + u'）');
}

void read(const QJsonValue& value, const PathNode* path, State& state, QString& out)
{
    if (expect(value, QJsonValue::String, "a string", "字符串", path, state))
        out = value.toString();
}

void read(const QJsonValue& value, const PathNode* path, State& state, bool& out)
{
    if (expect(value, QJsonValue::Bool, "true or false", "true 或 false", path, state))
        out = value.toBool();
}

void read(const QJsonValue& value, const PathNode* path, State& state, qint64& out)
{
    if (!expect(value, QJsonValue::Double, "an integer", "整数", path, state))
        return;
    // toInteger() gives its fallback for a fraction or a value beyond 64 bits; two different
    // fallbacks tell that apart from a real value.
    const qint64 first = value.toInteger(0);
    const qint64 second = value.toInteger(1);
    if (first != second) {
        const QString number = QString::number(value.toDouble(), 'g', 17);
        state.fail(path, QStringLiteral("expected an integer, found ") + number,
                   QStringLiteral("的值 ") + number + QStringLiteral(" 不是整数或超出范围"));
        return;
    }
    out = first;
}

void read(const QJsonValue& value, const PathNode* path, State& state, double& out)
{
    if (expect(value, QJsonValue::Double, "a number", "数字", path, state))
        out = value.toDouble();
}

void read(const QJsonValue& value, const PathNode* path, State& state, QUuid& out)
{
    if (!expect(value, QJsonValue::String, "a UUID string", "UUID 字符串", path, state))
        return;
    const QString text = value.toString();
    if (const auto id = parseUuid(text))
        out = *id;
    else
        state.fail(path, quoted(text) + QStringLiteral(" is not a UUID"),
                   QStringLiteral("的值") + quotedInChinese(text) + QStringLiteral("不是有效的 UUID"));
}

void read(const QJsonValue& value, const PathNode* path, State& state, QDateTime& out)
{
    if (!expect(value, QJsonValue::String, "an ISO-8601 date-time string", "ISO-8601 日期时间字符串", path, state))
        return;
    const QString text = value.toString();
    if (const auto time = parseTimestamp(text))
        out = *time;
    else
        state.fail(path, quoted(text) + QStringLiteral(" is not an ISO-8601 date-time with a zone in the years 1 to 9999"),
                   QStringLiteral("的值") + quotedInChinese(text) + QStringLiteral("不是公元 1 至 9999 年间带时区的 ISO-8601 日期时间"));
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
        state.fail(path, QStringLiteral("cannot write a number that is not finite"),
                   QStringLiteral("的数值不是有限数，无法写入"));
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
    state.fail(path, QStringLiteral("cannot write a time that is invalid or outside the years 1 to 9999"),
               QStringLiteral("的时间无效或不在公元 1 至 9999 年间，无法写入"));
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
        QString reason = QStringLiteral("内容为空");
        if (!bytes.trimmed().isEmpty()) {
            const auto [line, column] = lineAndColumn(bytes, parseError.offset);
            reason = QStringLiteral("第 ") + QString::number(line) + QStringLiteral(" 行第 ") + QString::number(column)
                     + QStringLiteral(" 列处不是有效的 JSON");
        }
        return Error{{},
                     QStringLiteral("not valid JSON (") + parseError.errorString() + QStringLiteral(" at byte ")
                         + QString::number(parseError.offset) + u')',
                     reason};
    }
    if (!document.isObject()) {
        return Error{{},
                     QStringLiteral("expected an object at the top level, found ")
                         + (document.isArray() ? QStringLiteral("an array") : QStringLiteral("nothing")),
                     QStringLiteral("顶层不是 JSON 对象")};
    }
    return document.object();
}

} // namespace mv::json
