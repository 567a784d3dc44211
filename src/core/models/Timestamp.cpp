#include "core/models/Timestamp.h"


namespace mv {

namespace {

// Reads `count` decimal digits at `pos`; -1 when any of them is not a digit.
int digits(QStringView text, qsizetype pos, int count)
{
    if (pos + count > text.size())
        return -1;
    int value = 0;
    for (int i = 0; i < count; ++i) {
        const char16_t c = text[pos + i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c - u'0');
    }
    return value;
}

qint64 floorDiv(qint64 a, qint64 b)
{
    const qint64 q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

} // namespace

std::optional<QDateTime> parseTimestamp(QStringView text)
{
    // YYYY-MM-DDTHH:MM:SS is 19 characters; a zone must follow.
    if (text.size() < 20)
        return std::nullopt;
    const int year = digits(text, 0, 4);
    const int month = digits(text, 5, 2);
    const int day = digits(text, 8, 2);
    const int hour = digits(text, 11, 2);
    const int minute = digits(text, 14, 2);
    const int second = digits(text, 17, 2);
    if (year < 0 || month < 0 || day < 0 || hour < 0 || minute < 0 || second < 0)
        return std::nullopt;
    if (text[4] != u'-' || text[7] != u'-' || text[10] != u'T' || text[13] != u':' || text[16] != u':')
        return std::nullopt;

    qsizetype pos = 19;
    int milliseconds = 0;
    if (text[pos] == u'.') {
        ++pos;
        const qsizetype fractionStart = pos;
        while (pos < text.size() && text[pos].unicode() >= u'0' && text[pos].unicode() <= u'9') {
            if (pos - fractionStart < 3)
                milliseconds = milliseconds * 10 + (text[pos].unicode() - u'0');
            ++pos;
        }
        const qsizetype fractionLength = pos - fractionStart;
        if (fractionLength == 0)
            return std::nullopt;
        for (qsizetype i = fractionLength; i < 3; ++i)
            milliseconds *= 10;
    }

    int offsetSeconds = 0;
    if (pos >= text.size())
        return std::nullopt;
    if (text[pos] == u'Z') {
        ++pos;
    } else if (text[pos] == u'+' || text[pos] == u'-') {
        const int sign = text[pos] == u'+' ? 1 : -1;
        const int offsetHours = digits(text, pos + 1, 2);
        const int offsetMinutes = digits(text, pos + 4, 2);
        if (offsetHours < 0 || offsetMinutes < 0 || text[pos + 3] != u':' || offsetHours > 23 || offsetMinutes > 59)
            return std::nullopt;
        offsetSeconds = sign * (offsetHours * 3600 + offsetMinutes * 60);
        pos += 6;
    } else {
        return std::nullopt;
    }
    if (pos != text.size())
        return std::nullopt;

    if (year < 1 || hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    const QDate date(year, month, day);
    if (!date.isValid())
        return std::nullopt;
    const QDateTime utc = QDateTime(date, QTime(hour, minute, second, milliseconds), Qt::UTC).addSecs(-offsetSeconds);
    // An offset can carry a time past either end of the years the written form can hold;
    // accepting it would leave a document that reads but can never be written again.
    const int utcYear = utc.date().year();
    if (utcYear < 1 || utcYear > 9999)
        return std::nullopt;
    return utc;
}

QDateTime truncatedToSeconds(const QDateTime& time)
{
    const qint64 seconds = floorDiv(time.toMSecsSinceEpoch(), 1000);
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
}

std::optional<QString> formatTimestamp(const QDateTime& time)
{
    if (!time.isValid())
        return std::nullopt;
    const QDateTime whole = truncatedToSeconds(time);
    const int year = whole.date().year();
    if (year < 1 || year > 9999)
        return std::nullopt;
    return whole.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'"));
}

} // namespace mv
