#pragma once

#include "core/models/JsonCodec.h"
#include "core/models/Timestamp.h"

#include <QtTest>

#include <optional>

// The codec's promise: whatever the reader accepts, the writer writes back, and reading that
// gives the same value (times cut to the second, as written times are); whatever the reader
// refuses, it refuses with a reason. A document that reads but cannot be written again would
// fail every later save.
namespace roundtrip {

struct CutTimes;

// Declared before any is defined, so that each finds the others, the records' among them.
template<class T>
void cut(T&);
inline void cut(QDateTime& time);
template<class T>
void cut(std::optional<T>& value);
template<class T>
void cut(QList<T>& values);
template<class T>
void cut(T& record)
    requires requires(CutTimes& visitor) { describeFields(visitor, record); };

template<class T>
void cut(T&)
{
}

inline void cut(QDateTime& time)
{
    time = mv::truncatedToSeconds(time);
}

template<class T>
void cut(std::optional<T>& value)
{
    if (value)
        cut(*value);
}

template<class T>
void cut(QList<T>& values)
{
    for (T& value : values)
        cut(value);
}

struct CutTimes {
    template<class T>
    void operator()(const char*, T& value)
    {
        cut(value);
    }
};

template<class T>
void cut(T& record)
    requires requires(CutTimes& visitor) { describeFields(visitor, record); }
{
    CutTimes visitor;
    describeFields(visitor, record);
}

// Fails the current test (check QTest::currentTestFailed) when the promise is broken for `bytes`.
template<class T>
void check(const QByteArray& bytes)
{
    const auto decoded = mv::json::decode<T>(bytes);
    if (!decoded) {
        QVERIFY(!decoded.error().message.isEmpty());
        QVERIFY(!decoded.error().reason.isEmpty());
        return;
    }
    const auto encoded = mv::json::encode(decoded.value());
    QVERIFY2(encoded, qPrintable(QStringLiteral("read but not written: ") + (encoded ? QString() : encoded.error().text())));
    const auto again = mv::json::decode<T>(encoded.value());
    QVERIFY2(again, qPrintable(QStringLiteral("written but not read: ") + (again ? QString() : again.error().text())));
    T expected = decoded.value();
    cut(expected);
    QCOMPARE(again.value(), expected);
    // And from there on nothing changes.
    QCOMPARE(mv::json::encode(again.value()).value(), encoded.value());
}

} // namespace roundtrip
