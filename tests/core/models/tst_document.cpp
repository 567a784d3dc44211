#include "core/models/BackupDocument.h"
#include "core/models/MoveRecords.h"
#include "core/models/Uuid.h"
#include "core/models/WidgetSnapshot.h"

#include "support/JsonEdit.h"
#include "support/RoundTrip.h"
#include "support/TestData.h"

#include <QJsonDocument>
#include <QtTest>

#include <cmath>
#include <limits>

using namespace mv;
using namespace Qt::StringLiterals;

namespace {

QJsonObject goldenObject()
{
    return QJsonDocument::fromJson(readTestData(QStringLiteral("golden-state.json"))).object();
}

QByteArray bytesOf(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

MorvanteelBackupDocument golden()
{
    return decodeDocument(readTestData(QStringLiteral("golden-state.json"))).value();
}

// One change to the golden state document: `value` set at `path`, or the key removed when the
// value is undefined.
struct Edit {
    const char* name;
    const char* path;
    QJsonValue value;
    const char* error; // what the reader says of it, for the edits it refuses
};

QList<Edit> refusedEdits()
{
    const QJsonValue remove(QJsonValue::Undefined);
    return {

        // Every key is required at every depth; nothing has a default.
        {"no schemaVersion", "schemaVersion", remove, "schemaVersion: required key is missing"},
        {"no smartRules", "smartRules", remove, "smartRules: required key is missing"},
        {"fence without updatedAt", "fences[1].updatedAt", remove, "fences[1].updatedAt: required key is missing"},
        {"item without isPinned", "fences[0].tabs[2].items[1].isPinned", remove, "fences[0].tabs[2].items[1].isPinned: required key is missing"},
        {"task without isFlagged", "fences[1].tabs[1].tasks[0].isFlagged", remove, "fences[1].tabs[1].tasks[0].isFlagged: required key is missing"},
        {"preferences Boolean", "preferences.magneticSnappingEnabled", remove, "preferences.magneticSnappingEnabled: required key is missing"},
        {"style Boolean", "fences[0].style.hoverUnrollEnabled", remove, "fences[0].style.hoverUnrollEnabled: required key is missing"},
        {"frame number", "fences[2].canvasFrame.x", remove, "fences[2].canvasFrame.x: required key is missing"},
        {"rule without conditions", "smartRules[1].conditions", remove, "smartRules[1].conditions: required key is missing"},
        {"condition without negated", "smartRules[0].conditions[1].negated", remove, "smartRules[0].conditions[1].negated: required key is missing"},

        // A null or a value of another JSON type.
        {"null title", "fences[0].title", QJsonValue(), "fences[0].title: expected a string, found null"},
        {"Boolean as text", "fences[0].isPinned", QJsonValue(QStringLiteral("true")), "fences[0].isPinned: expected true or false, found a string"},
        {"fractional integer", "fences[0].bentoOrder", QJsonValue(1.5), "fences[0].bentoOrder: expected an integer, found 1.5"},
        {"integer as text", "smartRules[0].priority", QJsonValue(QStringLiteral("3")), "smartRules[0].priority: expected an integer, found a string"},
        {"number as text", "preferences.snapGap", QJsonValue(QStringLiteral("12")), "preferences.snapGap: expected a number, found a string"},
        {"tabs as object", "fences[0].tabs", QJsonValue(QJsonObject()), "fences[0].tabs: expected an array, found an object"},
        {"style as array", "fences[0].style", QJsonValue(QJsonArray()), "fences[0].style: expected an object, found an array"},
        {"array element", "fences[0].tabs[0].manualOrder[1]", QJsonValue(5), "fences[0].tabs[0].manualOrder[1]: expected a string, found a number"},
        {"fence as text", "fences[2]", QJsonValue(QStringLiteral("fence")), "fences[2]: expected an object, found a string"},

        // Enumeration texts are exact.
        {"capitalised kind", "fences[0].tabs[0].kind", QJsonValue(QStringLiteral("Portal")), "fences[0].tabs[0].kind: \"Portal\" is not a tab kind"},
        {"item kind as tab kind", "fences[0].tabs[0].kind", QJsonValue(QStringLiteral("folder")), "fences[0].tabs[0].kind: \"folder\" is not a tab kind"},
        {"misspelled wallpaper", "workspaces[1].wallpaperPreset", QJsonValue(QStringLiteral("tahoeaurora")), "workspaces[1].wallpaperPreset: \"tahoeaurora\" is not a wallpaper preset"},
        {"item kind", "fences[0].tabs[2].items[0].kind", QJsonValue(QStringLiteral("URL")), "fences[0].tabs[2].items[0].kind: \"URL\" is not an item kind"},
        {"sort mode with space", "fences[0].tabs[0].sortMode", QJsonValue(QStringLiteral(" nameAsc")), "fences[0].tabs[0].sortMode: \" nameAsc\" is not a sort mode"},
        {"match mode", "smartRules[0].matchMode", QJsonValue(QStringLiteral("ALL")), "smartRules[0].matchMode: \"ALL\" is not a match mode"},
        {"condition field", "smartRules[0].conditions[0].field", QJsonValue(QStringLiteral("fileextension")), "smartRules[0].conditions[0].field: \"fileextension\" is not a condition field"},
        {"enumeration as number", "fences[1].style.tint", QJsonValue(0), "fences[1].style.tint: expected a string, found a number"},

        // Ids and times have one form.
        {"braced id", "activeWorkspaceID", QJsonValue(QStringLiteral("{0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D}")), "activeWorkspaceID: \"{0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D}\" is not a UUID"},
        {"short id", "fences[0].id", QJsonValue(QStringLiteral("0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4")), "fences[0].id: \"0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4\" is not a UUID"},
        {"present optional id", "smartRules[0].targetFenceID", QJsonValue(QStringLiteral("not-a-uuid")), "smartRules[0].targetFenceID: \"not-a-uuid\" is not a UUID"},
        {"numeric date", "exportedAt", QJsonValue(1772353800), "exportedAt: expected an ISO-8601 date-time string, found a number"},
        {"date without zone", "fences[0].createdAt", QJsonValue(QStringLiteral("2026-01-05T09:01:00")), "fences[0].createdAt: \"2026-01-05T09:01:00\" is not an ISO-8601 date-time with a zone in the years 1 to 9999"},
        {"date alone", "workspaces[0].createdAt", QJsonValue(QStringLiteral("2026-01-05")), "workspaces[0].createdAt: \"2026-01-05\" is not an ISO-8601 date-time with a zone in the years 1 to 9999"},
        {"present optional date", "fences[0].tabs[2].items[0].lastOpenedAt", QJsonValue(QStringLiteral("yesterday")), "fences[0].tabs[2].items[0].lastOpenedAt: \"yesterday\" is not an ISO-8601 date-time with a zone in the years 1 to 9999"},
        // A zone offset must not carry a time out of the years the writer can write.
        {"time carried past year 9999 by its offset", "exportedAt", QJsonValue(QStringLiteral("9999-12-31T23:30:00-01:00")), "exportedAt: \"9999-12-31T23:30:00-01:00\" is not an ISO-8601 date-time with a zone in the years 1 to 9999"},
        {"optional time carried before year 1 by its offset", "preferences.lastExportDate", QJsonValue(QStringLiteral("0001-01-01T00:30:00+01:00")), "preferences.lastExportDate: \"0001-01-01T00:30:00+01:00\" is not an ISO-8601 date-time with a zone in the years 1 to 9999"},
    };
}

QList<Edit> toleratedEdits()
{
    return {
        // Each of these reads as the golden document itself.
        {"lower-case id", "activeWorkspaceID", QJsonValue(QStringLiteral("0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d")), ""},
        {"lower-case nested id", "fences[0].tabs[2].items[0].id", QJsonValue(QStringLiteral("5f607182-93a4-4fb0-b1c2-4d5e6f708192")), ""},
        {"null optional", "fences[0].tabs[1].portalPath", QJsonValue(), ""},
        {"unknown top-level key", "futureFeature", QJsonValue(QStringLiteral("x")), ""},
        {"unknown key in fence", "fences[0].glow", QJsonValue(true), ""},
        {"unknown key in tab", "fences[0].tabs[0].colour", QJsonValue(QJsonArray{1, 2}), ""},
        {"unknown key in item", "fences[0].tabs[2].items[1].extra", QJsonValue(QJsonObject{{QStringLiteral("a"), 1}}), ""},
        {"unknown key in task", "fences[1].tabs[1].tasks[1].note", QJsonValue(), ""},
        {"unknown key in frame", "fences[0].desktopFrame.z", QJsonValue(3), ""},
        {"unknown key in condition", "smartRules[0].conditions[0].hint", QJsonValue(QStringLiteral("?")), ""},
        {"unknown key in preferences", "preferences.theme", QJsonValue(QStringLiteral("dark")), ""},
        {"fractional seconds", "exportedAt", QJsonValue(QStringLiteral("2026-03-01T08:30:00.999Z")), ""},
        {"zone offset", "exportedAt", QJsonValue(QStringLiteral("2026-03-01T16:30:00+08:00")), ""},
        {"integral number with a fraction part", "fences[0].bentoColumnSpan", QJsonValue(2.0), ""},
    };
}

QByteArray editedGolden(const QString& path, const QJsonValue& value)
{
    return bytesOf(editJson(goldenObject(), path, value.isUndefined() ? std::nullopt : std::optional<QJsonValue>(value)));
}

// The golden state's bytes with one piece of text replaced, for values QJsonValue cannot hold.
QByteArray goldenWith(const QByteArray& from, const QByteArray& to)
{
    QByteArray bytes = readTestData(QStringLiteral("golden-state.json"));
    if (!bytes.contains(from))
        qFatal("the golden state has no %s", from.constData());
    return bytes.replace(from, to);
}

// Decodes bytes as T and writes the result back.
template<class T>
QString roundTrip(const QByteArray& bytes, QByteArray* written)
{
    auto decoded = json::decode<T>(bytes);
    if (!decoded)
        return decoded.error().text();
    auto encoded = json::encode(decoded.value());
    if (!encoded)
        return encoded.error().text();
    *written = encoded.value();
    return {};
}

} // namespace

class DocumentTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void goldenFilesReadAndWriteBackByteForByte_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("state") << "golden-state.json";
        QTest::newRow("state without optionals") << "golden-state-sparse.json";
        QTest::newRow("widget snapshot") << "golden-snapshot.json";
        QTest::newRow("dry-run plan") << "golden-plan.json";
        QTest::newRow("undo transaction") << "golden-undo.json";
        QTest::newRow("undo transaction without moves") << "golden-undo-empty.json";
    }

    void goldenFilesReadAndWriteBackByteForByte()
    {
        QFETCH(QString, file);
        const QByteArray bytes = readTestData(file);
        QVERIFY(!bytes.isEmpty());
        QByteArray written;
        QString error;
        if (file.startsWith(u"golden-state"))
            error = roundTrip<MorvanteelBackupDocument>(bytes, &written);
        else if (file == u"golden-snapshot.json")
            error = roundTrip<WidgetSnapshotPayload>(bytes, &written);
        else if (file == u"golden-plan.json")
            error = roundTrip<DryRunMovePlan>(bytes, &written);
        else
            error = roundTrip<UndoTransaction>(bytes, &written);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(QString::fromUtf8(written), QString::fromUtf8(bytes));
    }

    void goldenStateReadsIntoTheModel()
    {
        const MorvanteelBackupDocument d = golden();
        QCOMPARE(d.workspaces.size(), 2);
        QCOMPARE(d.workspaces[0].name, QStringLiteral("专注工作"));
        QCOMPARE(d.fences.size(), 3);
        QCOMPARE(d.preferences.lastExportDate->toSecsSinceEpoch(), qint64(1772323199));
        QCOMPARE(d.preferences.demoPortalRootPath, QStringLiteral("/home/林晓/.local/share/Morvanteel/DemoDesktop"));

        const FenceModel& work = d.fences[0];
        QCOMPARE(work.desktopFrame, (FenceFrameRect{120.5, -33.25, 360, 420}));
        QCOMPARE(work.primaryKind(), FenceKind::curated);
        QCOMPARE(work.badgeSummary(), QStringLiteral("2 项"));
        QCOMPARE(work.tabs[0].portalPath, std::optional<QString>(QStringLiteral("/home/林晓/桌面/项目 资料")));
        QCOMPARE(work.tabs[1].portalPath, std::nullopt);
        QCOMPARE(work.tabs[1].portalBookmarkBase64, std::nullopt);
        const FenceItem& full = work.tabs[2].items[0];
        const FenceItem& bare = work.tabs[2].items[1];
        QCOMPARE(full.subtitle, std::optional<QString>(QStringLiteral("按规则整理桌面")));
        QVERIFY(full.badgeText && full.lastOpenedAt);
        QVERIFY(!bare.subtitle && !bare.badgeText && !bare.lastOpenedAt);

        // A dangling active tab id is carried unchanged; the first tab stands in.
        const FenceModel& notes = d.fences[1];
        QVERIFY(notes.activeTabID != notes.tabs[0].id && notes.activeTabID != notes.tabs[1].id);
        QCOMPARE(notes.primaryKind(), FenceKind::notes);
        QVERIFY(notes.tabs[1].tasks[0].completedAt);
        QVERIFY(!notes.tabs[1].tasks[1].completedAt);

        // Integers keep all 64 bits; dates before 1970 are fine.
        QCOMPARE(d.fences[2].bentoOrder, qint64(9007199254740993));
        QCOMPARE(d.fences[2].createdAt.toSecsSinceEpoch(), qint64(-14182940));

        QCOMPARE(d.smartRules[0].targetFenceID, std::optional<QUuid>(work.id));
        QVERIFY(d.smartRules[0].targetDirectoryPath);
        QVERIFY(!d.smartRules[1].targetFenceID && !d.smartRules[1].targetDirectoryPath);
        QVERIFY(d.smartRules[2].conditions.isEmpty());
    }

    void writerEscapesSlashesAndKeepsChinese()
    {
        const QByteArray bytes = encodeDocument(golden()).value();
        QVERIFY(bytes.contains(QStringLiteral("\"\\/home\\/林晓\\/桌面\\/项目 资料\"").toUtf8()));
        QVERIFY(bytes.contains(QStringLiteral("\"morvanteel:\\/\\/smart-tidy\"").toUtf8()));
        QVERIFY(!bytes.contains("\\u"));
        QVERIFY(!bytes.contains("null"));
        // Keys come sorted in every object.
        const qsizetype h = bytes.indexOf("\"height\"");
        QVERIFY(h >= 0 && h < bytes.indexOf("\"width\"") && bytes.indexOf("\"width\"") < bytes.indexOf("\"x\""));
        QVERIFY(bytes.indexOf("\"activeWorkspaceID\"") < bytes.indexOf("\"exportedAt\""));
    }

    void rejectsBadDocumentsNamingThePlace_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QJsonValue>("value"); // undefined: remove the key
        QTest::addColumn<QString>("error");
        for (const Edit& edit : refusedEdits())
            QTest::newRow(edit.name) << edit.path << edit.value << edit.error;
    }

    void rejectsBadDocumentsNamingThePlace()
    {
        QFETCH(QString, path);
        QFETCH(QJsonValue, value);
        QFETCH(QString, error);
        const auto decoded = decodeDocument(editedGolden(path, value));
        QVERIFY2(!decoded, "the document was accepted");
        QCOMPARE(decoded.error().text(), error);
        // The user reads the same in Chinese, with the same place.
        QVERIFY2(decoded.error().errorDescription().startsWith(u"字段 "_s + path + u' '),
                 qPrintable(decoded.error().errorDescription()));
    }

    void rejectsBytesThatAreNoDocument_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");
        QTest::newRow("top-level array") << QByteArray("[{}]") << "document: expected an object at the top level, found an array";
        QTest::newRow("empty") << QByteArray() << "";
        QTest::newRow("not JSON") << QByteArray("schemaVersion = 1") << "";
        QTest::newRow("scalar") << QByteArray("1") << "";
        QTest::newRow("truncated") << readTestData(QStringLiteral("golden-state.json")).left(5000) << "";
        QTest::newRow("empty object") << QByteArray("{}") << "schemaVersion: required key is missing";
    }

    void rejectsBytesThatAreNoDocument()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        const auto decoded = decodeDocument(bytes);
        QVERIFY(!decoded);
        if (!error.isEmpty())
            QCOMPARE(decoded.error().text(), error);
        else
            QVERIFY2(decoded.error().text().startsWith(u"document: not valid JSON"), qPrintable(decoded.error().text()));
    }

    void acceptsWhatReadersMustTolerate_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QJsonValue>("value");
        for (const Edit& edit : toleratedEdits())
            QTest::newRow(edit.name) << edit.path << edit.value;
    }

    void acceptsWhatReadersMustTolerate()
    {
        QFETCH(QString, path);
        QFETCH(QJsonValue, value);
        const auto decoded = decodeDocument(bytesOf(editJson(goldenObject(), path, value)));
        QVERIFY2(decoded, decoded ? "" : qPrintable(decoded.error().text()));
        // Unknown keys are gone, ids upper-case and times whole seconds once written again.
        QCOMPARE(QString::fromUtf8(encodeDocument(decoded.value()).value()),
                 QString::fromUtf8(readTestData(QStringLiteral("golden-state.json"))));
    }

    void readerAndWriterAgree_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QByteArray>("bytes");
        const QString state = QStringLiteral("state");

        QTest::newRow("golden state") << state << readTestData(QStringLiteral("golden-state.json"));
        QTest::newRow("golden sparse state") << state << readTestData(QStringLiteral("golden-state-sparse.json"));
        QTest::newRow("golden snapshot") << QStringLiteral("snapshot") << readTestData(QStringLiteral("golden-snapshot.json"));
        QTest::newRow("golden plan") << QStringLiteral("plan") << readTestData(QStringLiteral("golden-plan.json"));
        QTest::newRow("golden undo") << QStringLiteral("undo") << readTestData(QStringLiteral("golden-undo.json"));
        QTest::newRow("golden empty undo") << QStringLiteral("undo") << readTestData(QStringLiteral("golden-undo-empty.json"));
        for (const Edit& edit : refusedEdits())
            QTest::addRow("refused: %s", edit.name) << state << editedGolden(QString::fromUtf8(edit.path), edit.value);
        for (const Edit& edit : toleratedEdits())
            QTest::addRow("tolerated: %s", edit.name) << state << editedGolden(QString::fromUtf8(edit.path), edit.value);

        // The ends of what each kind of value can hold.
        const auto time = [&](const char* name, const char* path, const char* text) {
            QTest::newRow(name) << state << editedGolden(QLatin1StringView(path), QJsonValue(QLatin1StringView(text)));
        };
        time("first writable second", "fences[1].createdAt", "0001-01-01T00:00:00Z");
        time("last writable second", "fences[1].updatedAt", "9999-12-31T23:59:59Z");
        time("offset keeping the last year", "exportedAt", "9999-12-31T23:59:59+00:30");
        time("offset carrying past year 9999", "exportedAt", "9999-12-31T23:59:59-00:01");
        time("offset carrying before year 1", "fences[0].tabs[2].items[0].lastOpenedAt", "0001-01-01T00:00:00+00:01");
        time("many fraction digits", "workspaces[0].createdAt", "2026-03-01T08:30:00.999999999Z");
        const auto number = [&](const char* name, const char* path, double value) {
            QTest::newRow(name) << state << editedGolden(QLatin1StringView(path), QJsonValue(value));
        };
        number("largest double", "fences[0].canvasFrame.width", std::numeric_limits<double>::max());
        number("smallest double", "fences[0].desktopFrame.x", std::numeric_limits<double>::lowest());
        number("subnormal double", "preferences.snapThreshold", std::numeric_limits<double>::denorm_min());
        number("integral double beyond 2^53", "fences[1].style.cornerRadius", 1e300);
        QTest::newRow("negative zero") << state << goldenWith("\"snapGap\": 12.5", "\"snapGap\": -0.0");
        QTest::newRow("number beyond a double") << state << goldenWith("\"snapGap\": 12.5", "\"snapGap\": 1e400");
        QTest::newRow("number below a double") << state << goldenWith("\"snapGap\": 12.5", "\"snapGap\": -1e-400");
        QTest::newRow("largest integer") << state << goldenWith("\"bentoOrder\": 0", "\"bentoOrder\": 9223372036854775807");
        QTest::newRow("smallest integer") << state << goldenWith("\"bentoOrder\": 0", "\"bentoOrder\": -9223372036854775808");
        QTest::newRow("integer beyond 64 bits") << state << goldenWith("\"bentoOrder\": 0", "\"bentoOrder\": 9223372036854775808");
        QTest::newRow("integer with an exponent") << state << goldenWith("\"bentoOrder\": 0", "\"bentoOrder\": 1e18");
        QTest::newRow("lone surrogate in a title") << state << goldenWith("\"title\": \"桌面暂存\"", "\"title\": \"\\ud800\"");
        QTest::newRow("escaped slash and backslash") << state << goldenWith("\"title\": \"桌面暂存\"", "\"title\": \"a\\\\\\/b\\/\"");
        QTest::newRow("control and separator characters in a note") << state
            << editedGolden(QStringLiteral("fences[0].tabs[0].noteText"),
                            QJsonValue(QString(QChar(0)) + QStringLiteral("\r\n\u2028\u2029\u00a0\u3000\t\u001f")));
        QTest::newRow("a megabyte of note") << state
            << editedGolden(QStringLiteral("fences[0].tabs[0].noteText"), QJsonValue(QString(1 << 20, QChar(u'记'))));
        QTest::newRow("all-zero id") << state
            << editedGolden(QStringLiteral("activeWorkspaceID"), QJsonValue(QStringLiteral("00000000-0000-0000-0000-000000000000")));
        // Every raw value of every enumeration reads and is written back as itself.
        const auto cases = [&]<class E>(const char* path, E) {
            for (const E value : allCases<E>())
                QTest::addRow("%s = %s", path, qPrintable(rawValue(value)))
                    << state << editedGolden(QLatin1StringView(path), QJsonValue(rawValue(value)));
        };
        cases("fences[0].tabs[0].kind", FenceKind{});
        cases("fences[0].tabs[0].sortMode", FenceSortMode{});
        cases("fences[0].style.tint", FenceTintPalette{});
        cases("fences[0].style.displayDensity", FenceDisplayDensity{});
        cases("fences[0].tabs[2].items[0].kind", FenceItemKind{});
        cases("workspaces[0].wallpaperPreset", WallpaperPreset{});
        cases("preferences.preferrediOSLayout", iOSLayoutMode{});
        cases("smartRules[0].matchMode", RuleMatchMode{});
        cases("smartRules[0].conditions[0].field", RuleConditionField{});
    }

    void readerAndWriterAgree()
    {
        QFETCH(QString, type);
        QFETCH(QByteArray, bytes);
        if (type == u"state")
            roundtrip::check<MorvanteelBackupDocument>(bytes);
        else if (type == u"snapshot")
            roundtrip::check<WidgetSnapshotPayload>(bytes);
        else if (type == u"plan")
            roundtrip::check<DryRunMovePlan>(bytes);
        else
            roundtrip::check<UndoTransaction>(bytes);
    }

    void errorsSayInChineseWhereAndWhat_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("description");
        QTest::newRow("missing key") << editedGolden(QStringLiteral("fences[1].updatedAt"), QJsonValue(QJsonValue::Undefined))
                                     << u"字段 fences[1].updatedAt 缺失"_s;
        QTest::newRow("wrong type") << editedGolden(QStringLiteral("fences[0].title"), QJsonValue())
                                    << u"字段 fences[0].title 类型不对（应为字符串，实为空值）"_s;
        QTest::newRow("enumeration") << editedGolden(QStringLiteral("fences[1].tabs[1].kind"), QJsonValue(QStringLiteral("Portal")))
                                     << u"字段 fences[1].tabs[1].kind 的值“Portal”无效"_s;
        QTest::newRow("fraction for an integer") << editedGolden(QStringLiteral("fences[0].bentoOrder"), QJsonValue(1.5))
                                                 << u"字段 fences[0].bentoOrder 的值 1.5 不是整数或超出范围"_s;
        QTest::newRow("id") << editedGolden(QStringLiteral("fences[0].id"), QJsonValue(QStringLiteral("not-a-uuid")))
                            << u"字段 fences[0].id 的值“not-a-uuid”不是有效的 UUID"_s;
        QTest::newRow("time") << editedGolden(QStringLiteral("exportedAt"), QJsonValue(QStringLiteral("9999-12-31T23:30:00-01:00")))
                              << u"字段 exportedAt 的值“9999-12-31T23:30:00-01:00”不是公元 1 至 9999 年间带时区的 ISO-8601 日期时间"_s;
        // Where the tokenizer stopped, counted in characters, not bytes.
        QTest::newRow("not JSON, second line") << QByteArray("{\n  \"a\": tru }") << u"第 2 行第 12 列处不是有效的 JSON"_s;
        QTest::newRow("not JSON, after Chinese") << QByteArray("{\"名称\" 1}") << u"第 1 行第 8 列处不是有效的 JSON"_s;
        QTest::newRow("empty") << QByteArray(" \n") << u"内容为空"_s;
        QTest::newRow("top-level array") << QByteArray("[]") << u"顶层不是 JSON 对象"_s;
    }

    void errorsSayInChineseWhereAndWhat()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, description);
        const auto decoded = decodeDocument(bytes);
        QVERIFY(!decoded);
        QCOMPARE(decoded.error().errorDescription(), description);
    }

    void schemaVersionIsNotInterpreted_data()
    {
        QTest::addColumn<int>("version");
        QTest::newRow("2") << 2;
        QTest::newRow("0") << 0;
        QTest::newRow("-5") << -5;
    }

    void schemaVersionIsNotInterpreted()
    {
        QFETCH(int, version);
        const auto decoded = decodeDocument(bytesOf(editJson(goldenObject(), QStringLiteral("schemaVersion"), QJsonValue(version))));
        QVERIFY(decoded);
        MorvanteelBackupDocument expected = golden();
        expected.schemaVersion = version;
        QCOMPARE(decoded.value(), expected);
    }

    void nullOptionalIsAbsentAndNotWrittenBack()
    {
        const auto decoded = decodeDocument(bytesOf(editJson(goldenObject(), QStringLiteral("fences[0].tabs[2].items[0].subtitle"), QJsonValue())));
        QVERIFY(decoded);
        QVERIFY(!decoded.value().fences[0].tabs[2].items[0].subtitle);
        const QByteArray written = encodeDocument(decoded.value()).value();
        QVERIFY(!written.contains("\"subtitle\""));
        QVERIFY(!written.contains("null"));
    }

    void documentWithoutWorkspacesIsValid()
    {
        const auto decoded = decodeDocument(bytesOf(editJson(goldenObject(), QStringLiteral("workspaces"), QJsonValue(QJsonArray()))));
        QVERIFY(decoded);
        QVERIFY(decoded.value().workspaces.isEmpty());
        QCOMPARE(decoded.value().fences.size(), 3);
    }

    void encodingFailsOnNumbersThatAreNotFinite_data()
    {
        QTest::addColumn<int>("where");
        QTest::addColumn<double>("number");
        QTest::addColumn<QString>("error");
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        QTest::newRow("frame NaN") << 0 << nan << "fences[1].desktopFrame.x: cannot write a number that is not finite";
        QTest::newRow("style infinity") << 1 << inf << "fences[1].style.glassOpacity: cannot write a number that is not finite";
        QTest::newRow("preference minus infinity") << 2 << -inf << "preferences.snapGap: cannot write a number that is not finite";
    }

    void encodingFailsOnNumbersThatAreNotFinite()
    {
        QFETCH(int, where);
        QFETCH(double, number);
        QFETCH(QString, error);
        MorvanteelBackupDocument d = golden();
        if (where == 0)
            d.fences[1].desktopFrame.x = number;
        else if (where == 1)
            d.fences[1].style.glassOpacity = number;
        else
            d.preferences.snapGap = number;
        const auto encoded = encodeDocument(d);
        QVERIFY(!encoded);
        QCOMPARE(encoded.error().text(), error);
        QCOMPARE(encoded.error().errorDescription(),
                 u"字段 "_s + error.left(error.indexOf(u':')) + u" 的数值不是有限数，无法写入"_s);
    }

    void encodingFailsOnAnUnwritableTime()
    {
        MorvanteelBackupDocument d = golden();
        d.fences[0].tabs[2].items[1].lastOpenedAt = QDateTime();
        const auto encoded = encodeDocument(d);
        QVERIFY(!encoded);
        QVERIFY(encoded.error().text().startsWith(u"fences[0].tabs[2].items[1].lastOpenedAt: "));
    }

    void subSecondTimesAreCutOnWriting()
    {
        MorvanteelBackupDocument d = golden();
        d.exportedAt = d.exportedAt.addMSecs(999);
        const MorvanteelBackupDocument back = decodeDocument(encodeDocument(d).value()).value();
        QCOMPARE(back.exportedAt, golden().exportedAt);
        QVERIFY(back != d);
        QCOMPARE(encodeDocument(d).value(), readTestData(QStringLiteral("golden-state.json")));
    }

    void snapshotOptionalsAreLeftOutWhenAbsent()
    {
        const QByteArray bytes = readTestData(QStringLiteral("golden-snapshot.json"));
        const WidgetSnapshotPayload payload = json::decode<WidgetSnapshotPayload>(bytes).value();
        QCOMPARE(payload.fences.size(), 3);
        QVERIFY(!payload.fences[0].notePreview);
        QCOMPARE(payload.fences[2].notePreview, std::optional<QString>(QString()));
        QVERIFY(!payload.fences[0].items[0].isCompleted && payload.fences[0].items[0].subtitle);
        QCOMPARE(payload.fences[0].items[1].isCompleted, std::optional<bool>(true));
        QVERIFY(!payload.fences[1].items[0].subtitle && !payload.fences[1].items[0].isCompleted);
        QCOMPARE(payload.fences[0].deepLinkURL, QStringLiteral("morvanteel://open-fence/B5C6D7E8-F90A-4516-9728-A3B4C5D6E7F8"));
        QVERIFY(bytes.contains("\"morvanteel:\\/\\/open-fence\\/B5C6D7E8-F90A-4516-9728-A3B4C5D6E7F8\""));

        // An empty payload keeps its arrays.
        WidgetSnapshotPayload empty;
        empty.generatedAt = payload.generatedAt;
        const QByteArray emptyBytes = json::encode(empty).value();
        QVERIFY(emptyBytes.contains("\"fences\": [\n    ]") && emptyBytes.contains("\"workspaces\": [\n    ]"));
        QCOMPARE(json::decode<WidgetSnapshotPayload>(emptyBytes).value(), empty);

        const auto badKind = json::decode<WidgetSnapshotPayload>(bytesOf(editJson(
            QJsonDocument::fromJson(bytes).object(), QStringLiteral("fences[1].kind"), QJsonValue(QStringLiteral("note")))));
        QVERIFY(!badKind);
        QCOMPARE(badKind.error().text(), QStringLiteral("fences[1].kind: \"note\" is not a tab kind"));
    }

    void planAndUndoRecordsCompareEveryField()
    {
        const DryRunMovePlan plan = json::decode<DryRunMovePlan>(readTestData(QStringLiteral("golden-plan.json"))).value();
        QVERIFY(!plan.isEmpty());
        QCOMPARE(plan.scannedCount, plan.matchedMoves.size() + plan.skippedCount);
        DryRunMovePlan none = plan;
        none.matchedMoves.clear();
        QVERIFY(none.isEmpty());

        const UndoTransaction undo = json::decode<UndoTransaction>(readTestData(QStringLiteral("golden-undo.json"))).value();
        UndoTransaction other = undo;
        other.id = newUuid();
        QVERIFY(other != undo);
        other = undo;
        other.timestamp = other.timestamp.addSecs(1);
        QVERIFY(other != undo);

        const auto missing = json::decode<UndoTransaction>(bytesOf(editJson(
            QJsonDocument::fromJson(readTestData(QStringLiteral("golden-undo.json"))).object(),
            QStringLiteral("moves[1].destinationPath"), std::nullopt)));
        QCOMPARE(missing.error().text(), QStringLiteral("moves[1].destinationPath: required key is missing"));
    }
};

QTEST_GUILESS_MAIN(DocumentTest)
#include "tst_document.moc"
