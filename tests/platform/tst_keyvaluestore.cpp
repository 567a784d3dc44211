#include "platform/KeyValueStore.h"

#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace mv::platform;

class KeyValueStoreTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void keepsValuesAndDataAcrossInstances()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("config/defaults.json"));
        FileKeyValueStore writer(path);
        const QByteArray bytes("{\"x\": \"中文\\/\"}\n\0binary", 22);
        QVERIFY(writer.setData(QStringLiteral("Morvanteel.WidgetSnapshot.JSON"), bytes));
        QVERIFY(writer.setValue(QStringLiteral("Morvanteel.PendingDeepLinkURL"), QStringLiteral("morvanteel://smart-tidy")));
        QVERIFY(writer.setValue(QStringLiteral("list"), QJsonArray{1, 2}));

        // Another instance (another process of the program) reads what was written.
        const FileKeyValueStore reader(path);
        QCOMPARE(reader.data(QStringLiteral("Morvanteel.WidgetSnapshot.JSON")), std::optional<QByteArray>(bytes));
        QCOMPARE(reader.value(QStringLiteral("Morvanteel.PendingDeepLinkURL")),
                 std::optional<QJsonValue>(QStringLiteral("morvanteel://smart-tidy")));
        QCOMPARE(reader.value(QStringLiteral("list")), std::optional<QJsonValue>(QJsonArray{1, 2}));
        QCOMPARE(reader.value(QStringLiteral("missing")), std::nullopt);
        // A plain value is no data.
        QCOMPARE(reader.data(QStringLiteral("Morvanteel.PendingDeepLinkURL")), std::nullopt);

        QVERIFY(writer.remove(QStringLiteral("list")));
        QCOMPARE(reader.value(QStringLiteral("list")), std::nullopt);
        QCOMPARE(reader.data(QStringLiteral("Morvanteel.WidgetSnapshot.JSON")), std::optional<QByteArray>(bytes));

        struct stat info {};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, mode_t(0600));
    }

    void damagedFileReadsEmptyAndIsReplaced()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("defaults.json"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("{ not json");
        file.close();

        FileKeyValueStore store(path);
        QCOMPARE(store.value(QStringLiteral("a")), std::nullopt);
        QVERIFY(store.setValue(QStringLiteral("a"), true));
        QCOMPARE(store.value(QStringLiteral("a")), std::optional<QJsonValue>(true));
    }

    void reportsAWriteThatCannotHappen()
    {
        QTemporaryDir dir;
        const QString blocker = dir.filePath(QStringLiteral("file"));
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        FileKeyValueStore store(blocker + QStringLiteral("/defaults.json"));
        QVERIFY(!store.setValue(QStringLiteral("a"), 1));
        QVERIFY(!store.setData(QStringLiteral("b"), "x"));
        QCOMPARE(store.value(QStringLiteral("a")), std::nullopt);
    }

    void memoryStoreBehavesAlike()
    {
        MemoryKeyValueStore store;
        QVERIFY(store.setData(QStringLiteral("k"), "bytes"));
        QCOMPARE(store.data(QStringLiteral("k")), std::optional<QByteArray>("bytes"));
        QVERIFY(store.remove(QStringLiteral("k")));
        QCOMPARE(store.data(QStringLiteral("k")), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(KeyValueStoreTest)
#include "tst_keyvaluestore.moc"
