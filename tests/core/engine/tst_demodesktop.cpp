// QtTest first: moc reads this file with C++17 predefines and stumbles on <concepts> otherwise.
#include <QtTest>

#include "core/engine/DemoDesktop.h"

#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

using namespace mv::FolderPortalEngine;
using namespace Qt::StringLiterals;

namespace {

// What a fresh demo desktop holds, byte for byte: "name/" is a folder.
QMap<QString, QByteArray> expectedTree()
{
    return {
        {u"工作文档/"_s, {}},
        {u"截屏归档/"_s, {}},
        {u"视觉素材/"_s, {}},
        {u"代码工程/"_s, {}},
        {u"压缩归档/"_s, {}},
        {u"Q4产品路线图.md"_s,
         "# Morvanteel Q4 路线图\n\n- iOS 26 液态玻璃空间画布\n- macOS 桌面级悬浮围栏\n- 智能规则自动整理 + 撤销保护\n"},
        {u"LiquidGlass设计规范.txt"_s,
         "Apple Liquid Glass Guidelines:\n- Keep glass layered over vibrant backdrop.\n- Reserve interactive glass for floating controls and fence chrome.\n"},
        {u"截屏 2026-11-24 上午10.15.png"_s, "PNG_DEMO_PLACEHOLDER_SCREENSHOT"},
        {u"澄栩桌面概念图.jpg"_s, "JPG_DEMO_PLACEHOLDER_ARTWORK"},
        {u"SwiftUI交互原型.swift"_s,
         "import SwiftUI\n\nstruct GlassCardPreview: View {\n    var body: some View {\n        Text(\"Morvanteel\")\n            .padding()\n    }\n}\n"},
        {u"材质参数配置.json"_s, "{\n  \"material\": \"liquidGlass\",\n  \"damping\": 1.0,\n  \"response\": 0.36\n}\n"},
        {u"图标导出资产包.zip"_s, "ZIP_DEMO_PLACEHOLDER_ARCHIVE"},
        {u"工作文档/2026-产品评审纪要.md"_s, "# 产品评审纪要\n\n1. 支持双端同步配置快照\n2. 传送门支持文件夹面包屑导航\n"},
        {u"工作文档/架构设计说明书.txt"_s,
         "Architecture Notes: MorvanteelCore + MorvanteelDesign + Native macOS/iOS Adapters."},
        {u"截屏归档/Simulator_iOS26_HomeWidget.png"_s, "PNG_DEMO_WIDGET_SCREENSHOT"},
        {u"代码工程/SmartRuleBenchmark.swift"_s, "// Benchmark rules engine throughput\nlet count = 1000\n"},
        {u".morvanteel-seeded"_s, "seeded"},
    };
}

// Everything below `root`, hidden names included, as the expected tree is written; symlinks
// show as "-> target".
QMap<QString, QByteArray> actualTree(const QString& root)
{
    QMap<QString, QByteArray> tree;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = QDir(root).relativeFilePath(path);
        const QFileInfo info = it.fileInfo();
        if (info.isSymLink()) {
            tree.insert(relative, "-> " + QFile::encodeName(info.symLinkTarget()));
        } else if (info.isDir()) {
            tree.insert(relative + u'/', {});
        } else {
            QFile file(path);
            tree.insert(relative, file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>"));
        }
    }
    return tree;
}

struct Stamp {
    quint64 inode = 0;
    qint64 modified = 0;
    bool operator==(const Stamp&) const = default;
};

QMap<QString, Stamp> stamps(const QString& root)
{
    QMap<QString, Stamp> result;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat st;
        if (::lstat(QFile::encodeName(path).constData(), &st) == 0)
            result.insert(path, Stamp{st.st_ino, qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec});
    }
    return result;
}

void writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(content), content.size());
}

} // namespace

class DemoDesktopTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void populatesByteForByte();
    void secondCallChangesNothing();
    void userChangesSurviveWhileMarked();
    void editedDemoFileSurvivesWithoutMarker();
    void unusableLocationIsSwallowed();
};

void DemoDesktopTest::populatesByteForByte()
{
    QTemporaryDir dir;
    // Missing intermediate folders are created too.
    const QString root = dir.filePath(u"Morvanteel/DemoDesktop"_s);
    populateDemoDesktopIfNeeded(QUrl::fromLocalFile(root));

    const QMap<QString, QByteArray> actual = actualTree(root);
    const QMap<QString, QByteArray> expected = expectedTree();
    QCOMPARE(actual.keys(), expected.keys());
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        QVERIFY2(actual.value(it.key()) == it.value(), qPrintable(it.key()));
    // Nothing else was left beside them (no half-written temporaries either).
    QCOMPARE(actual.size(), 17);
}

void DemoDesktopTest::secondCallChangesNothing()
{
    QTemporaryDir dir;
    const QString root = dir.filePath(u"DemoDesktop"_s);
    populateDemoDesktopIfNeeded(QUrl::fromLocalFile(root));
    const QMap<QString, Stamp> before = stamps(root);
    QCOMPARE(before.size(), 17);

    populateDemoDesktopIfNeeded(QUrl::fromLocalFile(root));
    QCOMPARE(stamps(root), before);
}

void DemoDesktopTest::userChangesSurviveWhileMarked()
{
    // Once marked, the folder stays as the user left it: deleted demo files do not return,
    // edited ones are not rewritten.
    QTemporaryDir dir;
    const QString root = dir.filePath(u"DemoDesktop"_s);
    populateDemoDesktopIfNeeded(QUrl::fromLocalFile(root));
    QVERIFY(QFile::remove(root + u"/图标导出资产包.zip"_s));
    QVERIFY(QDir(root + u"/截屏归档"_s).removeRecursively());
    writeFile(root + u"/Q4产品路线图.md"_s, "my own roadmap");

    populateDemoDesktopIfNeeded(QUrl::fromLocalFile(root));
    const QMap<QString, QByteArray> tree = actualTree(root);
    QVERIFY(!tree.contains(u"图标导出资产包.zip"_s));
    QVERIFY(!tree.contains(u"截屏归档/"_s));
    QCOMPARE(tree.value(u"Q4产品路线图.md"_s), QByteArray("my own roadmap"));
}

void DemoDesktopTest::editedDemoFileSurvivesWithoutMarker()
{
    // Without the marker only what is missing is created; whatever holds a demo name, an
    // edited file or a dangling symlink, is left as it is.
    QTemporaryDir dir;
    const QString root = dir.filePath(u"DemoDesktop"_s);
    QVERIFY(QDir().mkpath(root + u"/工作文档"_s));
    writeFile(root + u"/Q4产品路线图.md"_s, "edited by the user");
    writeFile(root + u"/工作文档/架构设计说明书.txt"_s, "my notes");
    QCOMPARE(::symlink("gone.json", QFile::encodeName(root + u"/材质参数配置.json"_s).constData()), 0);
    writeFile(root + u"/mine.txt"_s, "unrelated");

    populateDemoDesktopIfNeeded(QUrl::fromLocalFile(root));

    QMap<QString, QByteArray> expected = expectedTree();
    expected[u"Q4产品路线图.md"_s] = "edited by the user";
    expected[u"工作文档/架构设计说明书.txt"_s] = "my notes";
    expected[u"材质参数配置.json"_s] = "-> " + QFile::encodeName(root + u"/gone.json"_s);
    expected[u"mine.txt"_s] = "unrelated";
    QCOMPARE(actualTree(root), expected);

    // Without the marker again, a deleted demo file is filled back in and nothing else moves.
    QVERIFY(QFile::remove(root + u"/.morvanteel-seeded"_s));
    QVERIFY(QFile::remove(root + u"/澄栩桌面概念图.jpg"_s));
    populateDemoDesktopIfNeeded(QUrl::fromLocalFile(root));
    QCOMPARE(actualTree(root), expected);
}

void DemoDesktopTest::unusableLocationIsSwallowed()
{
    QTemporaryDir dir;
    writeFile(dir.filePath(u"plain"_s), "a file, not a folder");
    populateDemoDesktopIfNeeded(QUrl::fromLocalFile(dir.filePath(u"plain/DemoDesktop"_s)));
    QCOMPARE(actualTree(dir.path()).keys(), QStringList{u"plain"_s});

    // A relative location is never resolved against the working directory.
    const QString cwd = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    populateDemoDesktopIfNeeded(QUrl::fromLocalFile(u"RelativeDemo"_s));
    QVERIFY(QDir::setCurrent(cwd));
    QCOMPARE(actualTree(dir.path()).keys(), QStringList{u"plain"_s});
}

QTEST_GUILESS_MAIN(DemoDesktopTest)
#include "tst_demodesktop.moc"
