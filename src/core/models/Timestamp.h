#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

namespace mv {

// Timestamps are held as QDateTime in UTC with millisecond precision and written in the
// internet date-time form with whole seconds: 2026-03-01T08:30:00Z.

// Reads the internet date-time form only: a full date, "T", a time with seconds, optional
// fractional seconds, and a zone ("Z" or +HH:MM / -HH:MM). A date alone, a missing zone,
// a space separator, 24:00 or a leap second are refused, and so is a time whose zone offset
// puts it outside the years 1 to 9999 in UTC. The result is in UTC, and formatTimestamp
// writes every accepted time.
std::optional<QDateTime> parseTimestamp(QStringView text);

// The written form, cut down to the whole second (floored, also before 1970). None for an
// invalid time or a year outside 1 to 9999, which the form cannot express.
std::optional<QString> formatTimestamp(const QDateTime& time);

// The time floored to its whole second, in UTC: what a written and re-read timestamp becomes.
QDateTime truncatedToSeconds(const QDateTime& time);

} // namespace mv
