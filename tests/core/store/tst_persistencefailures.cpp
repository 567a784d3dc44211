#include "support/StoreFixture.h"
#include "support/FileSizeLimit.h"

#include "platform/AtomicFile.h"

#include <QtTest>

#include <cerrno>

using namespace mv;
using namespace Qt::StringLiterals;

namespace {

// A disk that refuses the state file with `code`, for failures root cannot bring about.
StoreEnvironment refusingStateFile(StoreFixture& f, int code)
{
    StoreEnvironment environment = f.environment();
    const QString state = f.statePath();
    environment.writeFile = [state, code](const QString& path, const QByteArray& bytes) -> std::optional<platform::FileError> {
        if (path == state)
            return platform::FileError{code, path};
        return platform::writeFileAtomically(path, bytes);
    };
    return environment;
}

int occurrences(const QString& text, const QString& part)
{
    return int(text.count(part));
}

} // namespace

class PersistenceFailuresTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void saveFailuresAreToldInChinese_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<int>("code"); // for the failures of a refusing disk
        QTest::addColumn<QString>("status"); // %1: the state file, %2: the folder in the way
        QTest::newRow("folder missing") << u"blocked folder"_s << 0 << u"配置保存失败：文件夹不存在：%2。"_s;
        QTest::newRow("a folder in the file's place") << u"folder at the file"_s << 0 << u"配置保存失败：目标是一个文件夹：%1。"_s;
        QTest::newRow("file too large") << u"size limit"_s << 0 << u"配置保存失败：文件过大：%1。"_s;
        QTest::newRow("a time that cannot be written") << u"unwritable time"_s << 0
            << u"配置保存失败：字段 workspaces[0].createdAt 的时间无效或不在公元 1 至 9999 年间，无法写入。"_s;
        QTest::newRow("no space left") << u"disk"_s << ENOSPC << u"配置保存失败：磁盘空间不足：%1。"_s;
        QTest::newRow("quota exceeded") << u"disk"_s << EDQUOT << u"配置保存失败：超出磁盘配额：%1。"_s;
        QTest::newRow("permission denied") << u"disk"_s << EACCES << u"配置保存失败：权限不足：%1。"_s;
        QTest::newRow("operation not permitted") << u"disk"_s << EPERM << u"配置保存失败：权限不足：%1。"_s;
        QTest::newRow("read-only file system") << u"disk"_s << EROFS << u"配置保存失败：文件系统是只读的：%1。"_s;
        QTest::newRow("input/output error") << u"disk"_s << EIO << u"配置保存失败：读写出错：%1。"_s;
        QTest::newRow("a code without a sentence") << u"disk"_s << ESTALE << u"配置保存失败：系统错误 ESTALE：%1。"_s;
    }

    void saveFailuresAreToldInChinese()
    {
        QFETCH(QString, failure);
        QFETCH(int, code);
        QFETCH(QString, status);

        StoreFixture f;
        const QString blocker = f.dir.filePath(u"blocker"_s);
        QString statePath = f.statePath();
        StoreEnvironment environment = f.environment();
        if (failure == u"blocked folder") {
            QVERIFY(StoreFixture::writeFile(blocker, "a file where a folder should be"));
            statePath = blocker + u"/state.json"_s;
        } else if (failure == u"disk") {
            environment = refusingStateFile(f, code);
        }
        MorvanteelStore store({statePath, f.snapshotPath(), f.demoPath()}, Seeding::enabled, environment);
        if (failure == u"folder at the file") {
            QVERIFY(QFile::remove(statePath));
            QVERIFY(QDir().mkpath(statePath + u"/inside"_s));
            store.save();
        } else if (failure == u"size limit") {
            // The seed's save is written before the limit comes, the new one while it holds.
            store.flushPendingSaves();
            QVERIFY(!store.lastSaveError());
            FileSizeLimit limit(1000);
            QVERIFY(limit.ok());
            store.save();
            store.flushPendingSaves();
        } else if (failure == u"unwritable time") {
            QList<WorkspaceProfile> workspaces = store.workspaces();
            workspaces[0].createdAt = QDateTime();
            store.setWorkspaces(workspaces);
            store.save();
        }

        store.flushPendingSaves();
        const QString expected = QString(status).replace(u"%1"_s, statePath).replace(u"%2"_s, blocker);
        QCOMPARE(store.lastStatusMessage(), std::optional<QString>(expected));
        // The reason alone is kept too, for those who show it in their own words.
        QCOMPARE(store.lastSaveError(), std::optional<QString>(expected.mid(7).chopped(1)));
    }

    void importFailuresAreToldInChinese_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message"); // %1: the backup file, %2: the state file
        QTest::newRow("missing file") << u"missing"_s << 422 << u"导入失败：备份文件无法读取（文件或文件夹不存在：%1）。"_s;
        QTest::newRow("folder missing") << u"under a file"_s << 422 << u"导入失败：备份文件无法读取（文件夹不存在：%1）。"_s;
        QTest::newRow("a folder") << u"folder"_s << 422 << u"导入失败：备份文件无法读取（目标是一个文件夹：%1）。"_s;
        QTest::newRow("file too large") << u"oversized"_s << 413 << u"导入失败：备份文件超过 64 MB。"_s;
        QTest::newRow("not JSON") << u"not JSON"_s << 422 << u"导入失败：备份文件无法读取（第 1 行第 2 列处不是有效的 JSON）。"_s;
        QTest::newRow("empty file") << u"empty"_s << 422 << u"导入失败：备份文件无法读取（内容为空）。"_s;
        QTest::newRow("a wrong field") << u"wrong field"_s << 422
            << u"导入失败：备份文件无法读取（字段 fences[0].tabs[0].kind 的值“Portal”无效）。"_s;
        QTest::newRow("a missing field") << u"missing field"_s << 422
            << u"导入失败：备份文件无法读取（字段 smartRules 缺失）。"_s;
        QTest::newRow("cannot be saved") << u"full disk"_s << 500 << u"导入失败：配置未能保存（磁盘空间不足：%2）。"_s;
        QTest::newRow("no workspaces") << u"no workspaces"_s << 400 << u"备份文件中没有工作区配置。"_s;
    }

    void importFailuresAreToldInChinese()
    {
        QFETCH(QString, failure);
        QFETCH(int, code);
        QFETCH(QString, message);

        StoreFixture donorFixture;
        const QByteArray good = donorFixture.makeStore()->exportBackupJSON().value().bytes;
        StoreFixture f;
        const auto store = std::make_unique<MorvanteelStore>(
            f.locations(), Seeding::enabled, failure == u"full disk" ? refusingStateFile(f, ENOSPC) : f.environment());

        QString path = f.dir.filePath(u"backup.json"_s);
        if (failure == u"under a file") {
            QVERIFY(StoreFixture::writeFile(path, "a file where a folder should be"));
            path += u"/backup.json"_s;
        } else if (failure == u"folder") {
            QVERIFY(QDir().mkpath(path));
        } else if (failure == u"oversized") {
            // Sparse: refused by its size, never read.
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(qint64(64) * 1024 * 1024 + 1));
        } else if (failure != u"missing") {
            QByteArray bytes = good;
            if (failure == u"not JSON")
                bytes = "PK\x03\x04";
            else if (failure == u"empty")
                bytes.clear();
            else if (failure == u"wrong field")
                bytes.replace("\"kind\": \"portal\"", "\"kind\": \"Portal\"");
            else if (failure == u"missing field")
                bytes.replace("\"smartRules\"", "\"smartRulez\"");
            else if (failure == u"no workspaces")
                bytes = encodeDocument([&] {
                    MorvanteelBackupDocument document = decodeDocument(good).value();
                    document.workspaces.clear();
                    return document;
                }()).value();
            QVERIFY(StoreFixture::writeFile(path, bytes));
        }

        const auto result = store->importBackupFile(path);
        QVERIFY(!result);
        QCOMPARE(result.error().code, code);
        QCOMPARE(result.error().message, QString(message).replace(u"%1"_s, path).replace(u"%2"_s, f.statePath()));
        // One prefix on every failure that carries one, never two.
        QVERIFY(occurrences(result.error().message, u"导入失败："_s) <= 1);
        QVERIFY(occurrences(result.error().message, u"配置保存失败："_s) == 0);
    }

    void aBackupFileImportsLikeItsBytes()
    {
        StoreFixture other;
        const auto donor = other.makeStore();
        StoreFixture f;
        const auto store = f.makeStore(Seeding::disabled);
        const QString path = f.dir.filePath(u"backup.json"_s);
        QVERIFY(StoreFixture::writeFile(path, donor->exportBackupJSON().value().bytes));
        const auto result = store->importBackupFile(path);
        QVERIFY2(result, qPrintable(result ? QString() : result.error().message));
        QCOMPARE(store->fences(), donor->fences());
        QCOMPARE(store->lastStatusMessage(), std::optional<QString>(u"已成功导入配置备份（8 个围栏）。"_s));
    }

    void exportFailuresAreToldInChinese()
    {
        StoreFixture f;
        const auto store = f.makeStore();
        QList<FenceModel> fences = store->fences();
        fences[1].createdAt = QDateTime();
        QVERIFY(store->setFences(fences));
        const auto exported = store->exportBackupJSON();
        QVERIFY(!exported);
        QCOMPARE(exported.error().message, u"导出失败：字段 fences[1].createdAt 的时间无效或不在公元 1 至 9999 年间，无法写入。"_s);
    }
};

QTEST_GUILESS_MAIN(PersistenceFailuresTest)
#include "tst_persistencefailures.moc"
