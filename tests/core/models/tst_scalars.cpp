#include "core/models/Timestamp.h"
#include "core/models/Uuid.h"

#include <QtTest>

using namespace mv;

class ScalarsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parsesUuidsStrictly_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        // Exactly 8-4-4-4-12 hexadecimal digits in either case; nothing around them.
        QTest::newRow("upper") << "0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D" << true;
        QTest::newRow("lower") << "0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d" << true;
        QTest::newRow("all zero is an id") << "00000000-0000-0000-0000-000000000000" << true;
        QTest::newRow("braces") << "{0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D}" << false;
        QTest::newRow("trailing junk") << "0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4Dxx" << false;
        QTest::newRow("short") << "0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4" << false;
        QTest::newRow("no hyphens") << "0A1B2C3D4E5F4A6B8C7D9E0F1A2B3C4D" << false;
        QTest::newRow("hyphen misplaced") << "0A1B2C3D4-E5F-4A6B-8C7D-9E0F1A2B3C4D" << false;
        QTest::newRow("non-hex digit") << "0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4G" << false;
        QTest::newRow("leading space") << " 0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4" << false;
        QTest::newRow("urn") << "urn:uuid:0A1B2C3D-4E5F-4A6B-8C7D-9E0F" << false;
        QTest::newRow("full-width digit") << QStringLiteral("０A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D") << false;
        QTest::newRow("empty") << "" << false;
    }

    void parsesUuidsStrictly()
    {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        const auto id = parseUuid(text);
        QCOMPARE(id.has_value(), accepted);
        if (accepted)
            QCOMPARE(uuidString(*id), text.toUpper());
    }

    // Random (version 4) ids of the RFC's variant, none twice, every bit outside the version
    // and variant fields taking both values, each surviving its text.
    void generatedIdsAreDistinctAndRoundTrip()
    {
        QSet<QUuid> seen;
        QByteArray everOne(16, 0);
        QByteArray everZero(16, 0);
        for (int i = 0; i < 5000; ++i) {
            const QUuid id = newUuid();
            QCOMPARE(id.version(), QUuid::Random);
            QCOMPARE(id.variant(), QUuid::DCE);
            QVERIFY(!seen.contains(id));
            seen.insert(id);
            const QByteArray bytes = id.toRfc4122();
            for (int b = 0; b < 16; ++b) {
                everOne[b] = char(everOne[b] | bytes[b]);
                everZero[b] = char(everZero[b] | ~bytes[b]);
            }
            QCOMPARE(parseUuid(uuidString(id)), std::optional<QUuid>(id));
            QCOMPARE(uuidString(id), uuidString(id).toUpper());
        }
        // The fixed bits: 0100 for the version (byte 6), 10 for the variant (byte 8).
        for (int b = 0; b < 16; ++b) {
            const uchar fixed = b == 6 ? 0xf0 : b == 8 ? 0xc0 : 0x00;
            QCOMPARE(uchar(everOne[b]) | fixed, 0xff);
            QCOMPARE(uchar(everZero[b]) | fixed, 0xff);
        }
    }

    void parsesTimestamps_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("expectedMSecs"); // -1 for refused
        // Date, "T", time with seconds, optional fraction, and a zone are all required.
        QTest::newRow("utc") << "2026-03-01T08:30:00Z" << qint64(1772353800000);
        QTest::newRow("fraction kept to the millisecond") << "2026-03-01T08:30:00.1239Z" << qint64(1772353800123);
        QTest::newRow("one fraction digit") << "2026-03-01T08:30:00.5Z" << qint64(1772353800500);
        QTest::newRow("positive offset") << "2026-03-01T16:30:00+08:00" << qint64(1772353800000);
        QTest::newRow("negative offset") << "2026-03-01T03:00:00-05:30" << qint64(1772353800000);
        QTest::newRow("before 1970") << "1969-12-31T23:59:59Z" << qint64(-1000);
        QTest::newRow("leap day") << "2024-02-29T00:00:00Z" << qint64(1709164800000);
        QTest::newRow("date alone") << "2026-03-01" << qint64(-1);
        QTest::newRow("no zone") << "2026-03-01T08:30:00" << qint64(-1);
        QTest::newRow("space separator") << "2026-03-01 08:30:00Z" << qint64(-1);
        QTest::newRow("24:00") << "2026-03-01T24:00:00Z" << qint64(-1);
        QTest::newRow("leap second") << "2026-03-01T23:59:60Z" << qint64(-1);
        QTest::newRow("no seconds") << "2026-03-01T08:30Z" << qint64(-1);
        QTest::newRow("not a leap year") << "2025-02-29T00:00:00Z" << qint64(-1);
        QTest::newRow("month 13") << "2026-13-01T00:00:00Z" << qint64(-1);
        QTest::newRow("empty fraction") << "2026-03-01T08:30:00.Z" << qint64(-1);
        QTest::newRow("offset without colon") << "2026-03-01T08:30:00+0800" << qint64(-1);
        QTest::newRow("trailing text") << "2026-03-01T08:30:00Zjunk" << qint64(-1);
        QTest::newRow("lower-case separator") << "2026-03-01t08:30:00Z" << qint64(-1);
        QTest::newRow("year zero") << "0000-01-01T00:00:00Z" << qint64(-1);
        QTest::newRow("number") << "1772353800" << qint64(-1);
        // The written form holds the years 1 to 9999 in UTC; an offset must not carry a time out.
        QTest::newRow("first second") << "0001-01-01T00:00:00Z" << qint64(-62135596800000);
        QTest::newRow("last second") << "9999-12-31T23:59:59Z" << qint64(253402300799000);
        QTest::newRow("offset keeping the last year") << "9999-12-31T23:59:59+01:00" << qint64(253402297199000);
        QTest::newRow("offset past year 9999") << "9999-12-31T23:30:00-01:00" << qint64(-1);
        QTest::newRow("offset before year 1") << "0001-01-01T00:30:00+01:00" << qint64(-1);
        QTest::newRow("largest offset before year 1") << "0001-01-01T23:58:00+23:59" << qint64(-1);
    }

    void parsesTimestamps()
    {
        QFETCH(QString, text);
        QFETCH(qint64, expectedMSecs);
        const auto time = parseTimestamp(text);
        if (expectedMSecs == -1) {
            QVERIFY2(!time, qPrintable(text));
            return;
        }
        QVERIFY2(time.has_value(), qPrintable(text));
        QCOMPARE(time->toMSecsSinceEpoch(), expectedMSecs);
        QCOMPARE(time->timeSpec(), Qt::UTC);
        // Whatever is read can be written, and reads back as itself cut to the second.
        const auto written = formatTimestamp(*time);
        QVERIFY2(written, qPrintable(text));
        QCOMPARE(parseTimestamp(*written), std::optional<QDateTime>(truncatedToSeconds(*time)));
    }

    void formatsWholeSecondsFlooring_data()
    {
        QTest::addColumn<qint64>("msecs");
        QTest::addColumn<QString>("written");
        // Sub-second parts are cut towards the past, also before 1970.
        QTest::newRow("exact") << qint64(1772353800000) << "2026-03-01T08:30:00Z";
        QTest::newRow("999 ms cut") << qint64(1772353800999) << "2026-03-01T08:30:00Z";
        QTest::newRow("epoch") << qint64(0) << "1970-01-01T00:00:00Z";
        QTest::newRow("half a second before 1970") << qint64(-500) << "1969-12-31T23:59:59Z";
        QTest::newRow("1.5 s before 1970") << qint64(-1500) << "1969-12-31T23:59:58Z";
    }

    void formatsWholeSecondsFlooring()
    {
        QFETCH(qint64, msecs);
        QFETCH(QString, written);
        const QDateTime time = QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
        QCOMPARE(formatTimestamp(time), std::optional<QString>(written));
        QCOMPARE(parseTimestamp(written), std::optional<QDateTime>(truncatedToSeconds(time)));
        // A local-time value is written in UTC all the same.
        QCOMPARE(formatTimestamp(time.toOffsetFromUtc(8 * 3600)), std::optional<QString>(written));
    }

    void refusesTimesTheFormCannotHold()
    {
        QCOMPARE(formatTimestamp(QDateTime()), std::nullopt);
        QCOMPARE(formatTimestamp(QDateTime(QDate(10000, 1, 1), QTime(0, 0), Qt::UTC)), std::nullopt);
        QCOMPARE(formatTimestamp(QDateTime(QDate(-1, 1, 1), QTime(0, 0), Qt::UTC)), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(ScalarsTest)
#include "tst_scalars.moc"
