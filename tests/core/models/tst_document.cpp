#include "core/models/BackupDocument.h"
#include "core/models/MoveRecords.h"
#include "core/models/Uuid.h"
#include "core/models/WidgetSnapshot.h"

#include "support/JsonEdit.h"
#include "support/TestData.h"

#include <QJsonDocument>
#include <QtTest>

#include <cmath>
#include <limits>

using namespace mv;

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
        const QJsonValue remove(QJsonValue::Undefined);

        // Every key is required at every depth; nothing has a default.
        QTest::newRow("no schemaVersion") << "schemaVersion" << remove << "schemaVersion: required key is missing";
        QTest::newRow("no smartRules") << "smartRules" << remove << "smartRules: required key is missing";
        QTest::newRow("fence without updatedAt") << "fences[1].updatedAt" << remove << "fences[1].updatedAt: required key is missing";
        QTest::newRow("item without isPinned") << "fences[0].tabs[2].items[1].isPinned" << remove << "fences[0].tabs[2].items[1].isPinned: required key is missing";
        QTest::newRow("task without isFlagged") << "fences[1].tabs[1].tasks[0].isFlagged" << remove << "fences[1].tabs[1].tasks[0].isFlagged: required key is missing";
        QTest::newRow("preferences Boolean") << "preferences.magneticSnappingEnabled" << remove << "preferences.magneticSnappingEnabled: required key is missing";
        QTest::newRow("style Boolean") << "fences[0].style.hoverUnrollEnabled" << remove << "fences[0].style.hoverUnrollEnabled: required key is missing";
        QTest::newRow("frame number") << "fences[2].canvasFrame.x" << remove << "fences[2].canvasFrame.x: required key is missing";
        QTest::newRow("rule without conditions") << "smartRules[1].conditions" << remove << "smartRules[1].conditions: required key is missing";
        QTest::newRow("condition without negated") << "smartRules[0].conditions[1].negated" << remove << "smartRules[0].conditions[1].negated: required key is missing";

        // A null or a value of another JSON type.
        QTest::newRow("null title") << "fences[0].title" << QJsonValue() << "fences[0].title: expected a string, found null";
        QTest::newRow("Boolean as text") << "fences[0].isPinned" << QJsonValue(QStringLiteral("true")) << "fences[0].isPinned: expected true or false, found a string";
        QTest::newRow("fractional integer") << "fences[0].bentoOrder" << QJsonValue(1.5) << "fences[0].bentoOrder: expected an integer, found 1.5";
        QTest::newRow("integer as text") << "smartRules[0].priority" << QJsonValue(QStringLiteral("3")) << "smartRules[0].priority: expected an integer, found a string";
        QTest::newRow("number as text") << "preferences.snapGap" << QJsonValue(QStringLiteral("12")) << "preferences.snapGap: expected a number, found a string";
        QTest::newRow("tabs as object") << "fences[0].tabs" << QJsonValue(QJsonObject()) << "fences[0].tabs: expected an array, found an object";
        QTest::newRow("style as array") << "fences[0].style" << QJsonValue(QJsonArray()) << "fences[0].style: expected an object, found an array";
        QTest::newRow("array element") << "fences[0].tabs[0].manualOrder[1]" << QJsonValue(5) << "fences[0].tabs[0].manualOrder[1]: expected a string, found a number";
        QTest::newRow("fence as text") << "fences[2]" << QJsonValue(QStringLiteral("fence")) << "fences[2]: expected an object, found a string";

        // Enumeration texts are exact.
        QTest::newRow("capitalised kind") << "fences[0].tabs[0].kind" << QJsonValue(QStringLiteral("Portal")) << "fences[0].tabs[0].kind: \"Portal\" is not a tab kind";
        QTest::newRow("item kind as tab kind") << "fences[0].tabs[0].kind" << QJsonValue(QStringLiteral("folder")) << "fences[0].tabs[0].kind: \"folder\" is not a tab kind";
        QTest::newRow("misspelled wallpaper") << "workspaces[1].wallpaperPreset" << QJsonValue(QStringLiteral("tahoeaurora")) << "workspaces[1].wallpaperPreset: \"tahoeaurora\" is not a wallpaper preset";
        QTest::newRow("item kind") << "fences[0].tabs[2].items[0].kind" << QJsonValue(QStringLiteral("URL")) << "fences[0].tabs[2].items[0].kind: \"URL\" is not an item kind";
        QTest::newRow("sort mode with space") << "fences[0].tabs[0].sortMode" << QJsonValue(QStringLiteral(" nameAsc")) << "fences[0].tabs[0].sortMode: \" nameAsc\" is not a sort mode";
        QTest::newRow("match mode") << "smartRules[0].matchMode" << QJsonValue(QStringLiteral("ALL")) << "smartRules[0].matchMode: \"ALL\" is not a match mode";
        QTest::newRow("condition field") << "smartRules[0].conditions[0].field" << QJsonValue(QStringLiteral("fileextension")) << "smartRules[0].conditions[0].field: \"fileextension\" is not a condition field";
        QTest::newRow("enumeration as number") << "fences[1].style.tint" << QJsonValue(0) << "fences[1].style.tint: expected a string, found a number";

        // Ids and times have one form.
        QTest::newRow("braced id") << "activeWorkspaceID" << QJsonValue(QStringLiteral("{0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D}")) << "activeWorkspaceID: \"{0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D}\" is not a UUID";
        QTest::newRow("short id") << "fences[0].id" << QJsonValue(QStringLiteral("0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4")) << "fences[0].id: \"0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4\" is not a UUID";
        QTest::newRow("present optional id") << "smartRules[0].targetFenceID" << QJsonValue(QStringLiteral("not-a-uuid")) << "smartRules[0].targetFenceID: \"not-a-uuid\" is not a UUID";
        QTest::newRow("numeric date") << "exportedAt" << QJsonValue(1772353800) << "exportedAt: expected an ISO-8601 date-time string, found a number";
        QTest::newRow("date without zone") << "fences[0].createdAt" << QJsonValue(QStringLiteral("2026-01-05T09:01:00")) << "fences[0].createdAt: \"2026-01-05T09:01:00\" is not an ISO-8601 date-time with a zone";
        QTest::newRow("date alone") << "workspaces[0].createdAt" << QJsonValue(QStringLiteral("2026-01-05")) << "workspaces[0].createdAt: \"2026-01-05\" is not an ISO-8601 date-time with a zone";
        QTest::newRow("present optional date") << "fences[0].tabs[2].items[0].lastOpenedAt" << QJsonValue(QStringLiteral("yesterday")) << "fences[0].tabs[2].items[0].lastOpenedAt: \"yesterday\" is not an ISO-8601 date-time with a zone";
    }

    void rejectsBadDocumentsNamingThePlace()
    {
        QFETCH(QString, path);
        QFETCH(QJsonValue, value);
        QFETCH(QString, error);
        const QJsonObject edited = editJson(goldenObject(), path,
                                            value.isUndefined() ? std::nullopt : std::optional<QJsonValue>(value));
        const auto decoded = decodeDocument(bytesOf(edited));
        QVERIFY2(!decoded, "the document was accepted");
        QCOMPARE(decoded.error().text(), error);
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
        // Each of these reads as the golden document itself.
        QTest::newRow("lower-case id") << "activeWorkspaceID" << QJsonValue(QStringLiteral("0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d"));
        QTest::newRow("lower-case nested id") << "fences[0].tabs[2].items[0].id" << QJsonValue(QStringLiteral("5f607182-93a4-4fb0-b1c2-4d5e6f708192"));
        QTest::newRow("null optional") << "fences[0].tabs[1].portalPath" << QJsonValue();
        QTest::newRow("unknown top-level key") << "futureFeature" << QJsonValue(QStringLiteral("x"));
        QTest::newRow("unknown key in fence") << "fences[0].glow" << QJsonValue(true);
        QTest::newRow("unknown key in tab") << "fences[0].tabs[0].colour" << QJsonValue(QJsonArray{1, 2});
        QTest::newRow("unknown key in item") << "fences[0].tabs[2].items[1].extra" << QJsonValue(QJsonObject{{QStringLiteral("a"), 1}});
        QTest::newRow("unknown key in task") << "fences[1].tabs[1].tasks[1].note" << QJsonValue();
        QTest::newRow("unknown key in frame") << "fences[0].desktopFrame.z" << QJsonValue(3);
        QTest::newRow("unknown key in condition") << "smartRules[0].conditions[0].hint" << QJsonValue(QStringLiteral("?"));
        QTest::newRow("unknown key in preferences") << "preferences.theme" << QJsonValue(QStringLiteral("dark"));
        QTest::newRow("fractional seconds") << "exportedAt" << QJsonValue(QStringLiteral("2026-03-01T08:30:00.999Z"));
        QTest::newRow("zone offset") << "exportedAt" << QJsonValue(QStringLiteral("2026-03-01T16:30:00+08:00"));
        QTest::newRow("integral number with a fraction part") << "fences[0].bentoColumnSpan" << QJsonValue(2.0);
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
