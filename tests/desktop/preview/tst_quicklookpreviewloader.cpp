#include "desktop/preview/QuickLookPreviewLoader.h"
#include "support/PreviewFiles.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace mv;
using namespace Qt::StringLiterals;

namespace {

using Kind = QuickLookPreview::Kind;

const QString fixedModificationLine = u"修改日期：2026年3月4日 05:06"_s;

quint32 crc32(QByteArrayView data)
{
    quint32 crc = 0xffffffffu;
    for (const char byte : data) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void putBigEndian(QByteArray& bytes, qsizetype at, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = char((value >> (24 - 8 * i)) & 0xff);
}

// A valid PNG whose header claims `size`, while it holds the pixels of a 1 × 1 image: what a
// reader that trusted the header and decoded in full would try to allocate.
QByteArray pngClaiming(QSize size)
{
    QByteArray bytes = encodedImage(QSize(1, 1), "PNG");
    // Signature (8), IHDR length (4) and type (4), then width and height; the CRC covers the
    // type and the 13 data bytes.
    putBigEndian(bytes, 16, quint32(size.width()));
    putBigEndian(bytes, 20, quint32(size.height()));
    putBigEndian(bytes, 29, crc32(QByteArrayView(bytes).sliced(12, 17)));
    return bytes;
}

} // namespace

class QuickLookPreviewLoaderTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // What the preview area shows follows the content type of the name (and, for images, what
    // can actually be decoded); everything else is a summary of the item.
    void previewByContentType_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("setup"); // "file", "folder" or "none"
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("kindText");
        QTest::addColumn<QString>("symbolName");
        QTest::addColumn<QString>("note");
        QTest::addColumn<QString>("shows"); // the text, or a summary line

        const QByteArray png = encodedImage(QSize(40, 30), "PNG");
        QTest::newRow("image") << u"photo.png"_s << png << u"file"_s << int(Kind::image) << u"PNG 图像"_s
                               << u"photo.fill"_s << QString() << QString();
        QTest::newRow("image whose content is another format")
            << u"photo.gif"_s << encodedImage(QSize(40, 30), "JPEG") << u"file"_s << int(Kind::image)
            << u"GIF 图像"_s << u"photo.fill"_s << QString() << QString();
        QTest::newRow("plain text, line endings unified")
            << u"notes.txt"_s << "你好，世界\r\nline 2\rline 3\n"_ba << u"file"_s << int(Kind::text) << u"TXT 文本"_s
            << u"doc.text.fill"_s << QString() << u"你好，世界\nline 2\nline 3\n"_s;
        QTest::newRow("source code") << u"main.cpp"_s << "int main() { return 0; }\n"_ba << u"file"_s
                                     << int(Kind::text) << u"CPP 源代码"_s
                                     << u"chevron.left.forwardslash.chevron.right"_s << QString()
                                     << u"int main() { return 0; }\n"_s;
        QTest::newRow("invalid UTF-8 shows replaced")
            << u"latin.txt"_s << "caf\xe9"_ba << u"file"_s << int(Kind::text) << u"TXT 文本"_s << u"doc.text.fill"_s
            << QString() << u"caf\uFFFD"_s;
        QTest::newRow("binary") << u"blob.bin"_s << "\x7f\x45\x4c\x46\x00\x01"_ba << u"file"_s << int(Kind::summary)
                                << u"BIN 文件"_s << u"doc.fill"_s << QString() << u"大小：6 字节"_s;
        QTest::newRow("binary under a text name")
            << u"fake.txt"_s << "ab\0cd"_ba << u"file"_s << int(Kind::summary) << u"TXT 文本"_s << u"doc.text.fill"_s
            << QString() << u"大小：5 字节"_s;
        QTest::newRow("pdf is not rendered") << u"report.pdf"_s << "%PDF-1.4\n%%EOF\n"_ba << u"file"_s
                                             << int(Kind::summary) << u"PDF 文稿"_s << u"doc.richtext.fill"_s
                                             << QString() << fixedModificationLine;
        QTest::newRow("video") << u"clip.mp4"_s << QByteArray(2000, 'v') << u"file"_s << int(Kind::summary)
                               << u"MP4 影片"_s << u"film.fill"_s << QString() << u"大小：2 KB"_s;
        QTest::newRow("archive") << u"bundle.zip"_s << "PK\x03\x04"_ba << u"file"_s << int(Kind::summary)
                                 << u"ZIP 归档"_s << u"archivebox.fill"_s << QString() << u"大小：4 字节"_s;
        QTest::newRow("no extension") << u"LICENSE"_s << "MIT"_ba << u"file"_s << int(Kind::summary) << u"文件"_s
                                      << u"doc.fill"_s << QString() << u"种类：文件"_s;
        QTest::newRow("broken image") << u"broken.png"_s << "not a picture"_ba << u"file"_s << int(Kind::summary)
                                      << u"PNG 图像"_s << u"photo.fill"_s << u"无法读取此图像"_s
                                      << u"大小：13 字节"_s;
        QTest::newRow("folder, hidden items not counted")
            << u"Album"_s << QByteArray() << u"folder"_s << int(Kind::summary) << u"文件夹"_s << u"folder.fill"_s
            << QString() << u"包含：3 个项目"_s;
        QTest::newRow("missing file") << u"gone.txt"_s << QByteArray() << u"none"_s << int(Kind::summary)
                                      << u"TXT 文本"_s << u"doc.text.fill"_s << u"找不到此文件"_s << u"种类：TXT 文本"_s;
    }

    void previewByContentType()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, setup);
        QFETCH(int, kind);
        QFETCH(QString, kindText);
        QFETCH(QString, symbolName);
        QFETCH(QString, note);
        QFETCH(QString, shows);

        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        if (setup == u"file") {
            QVERIFY(writeFile(path, content));
        } else if (setup == u"folder") {
            QVERIFY(QDir(dir.path()).mkdir(name));
            for (const QString& item : {u"a.txt"_s, u"b.png"_s, u".hidden"_s})
                QVERIFY(writeFile(path + u'/' + item, "x"));
            QVERIFY(QDir(path).mkdir(u"Sub"_s));
        }
        if (setup != u"none")
            QVERIFY(setModificationTime(path, fixedModificationTime));

        const QuickLookPreview preview = loadQuickLookPreview(QUrl::fromLocalFile(path));
        QCOMPARE(int(preview.kind), kind);
        QCOMPARE(preview.name, name);
        QCOMPARE(preview.kindText, kindText);
        QCOMPARE(preview.symbolName, symbolName);
        QCOMPARE(preview.note, note);
        if (kind == int(Kind::image)) {
            QCOMPARE(preview.image.size(), QSize(40, 30));
            QCOMPARE(preview.imagePixelSize, std::optional<QSize>(QSize(40, 30)));
        } else if (kind == int(Kind::text)) {
            QCOMPARE(preview.text, shows);
        } else {
            QVERIFY2(preview.summaryLines().contains(shows), qPrintable(preview.summaryLines().join(u" | ")));
            QVERIFY(preview.image.isNull());
            QVERIFY(preview.text.isEmpty());
        }
        if (setup != u"none")
            QVERIFY(preview.summaryLines().contains(fixedModificationLine));
        else
            QVERIFY(!preview.modifiedAt);
    }

    // Large pictures are decoded no larger than the panel needs, and a picture that could only
    // be decoded in full is not decoded at all once that is over the budget.
    void imagesStayWithinTheLimits_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QSize>("pixelSize");
        QTest::addColumn<QString>("note");

        QTest::newRow("small png, decoded then scaled")
            << encodedImage(QSize(80, 60), "PNG") << u"a.png"_s << int(Kind::image) << QSize(80, 60) << QString();
        QTest::newRow("jpeg over the budget, decoded reduced")
            << encodedImage(QSize(400, 300), "JPEG") << u"b.jpg"_s << int(Kind::image) << QSize(400, 300) << QString();
        QTest::newRow("png over the budget, refused")
            << encodedImage(QSize(400, 300), "PNG") << u"c.png"_s << int(Kind::summary) << QSize(400, 300)
            << u"图像过大，无法预览"_s;
        QTest::newRow("header claiming a gigapixel")
            << pngClaiming(QSize(40000, 30000)) << u"d.png"_s << int(Kind::summary) << QSize(40000, 30000)
            << u"图像过大，无法预览"_s;
    }

    void imagesStayWithinTheLimits()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, name);
        QFETCH(int, kind);
        QFETCH(QSize, pixelSize);
        QFETCH(QString, note);

        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        QVERIFY(writeFile(path, content));
        QuickLookPreviewLimits limits;
        limits.maximumImageSide = 50;
        limits.fullDecodeBudgetBytes = 40000; // 10,000 pixels
        const QuickLookPreview preview = loadQuickLookPreview(QUrl::fromLocalFile(path), limits);

        QCOMPARE(int(preview.kind), kind);
        QCOMPARE(preview.imagePixelSize, std::optional<QSize>(pixelSize));
        QCOMPARE(preview.note, note);
        if (kind == int(Kind::image)) {
            QCOMPARE(std::max(preview.image.width(), preview.image.height()), 50);
            // The proportions survive the reduction.
            QVERIFY(std::abs(preview.image.width() * 3 - preview.image.height() * 4) <= 4);
        } else {
            QVERIFY(preview.image.isNull());
            QVERIFY(preview.summaryLines().contains(
                u"尺寸：%1 × %2 像素"_s.arg(pixelSize.width()).arg(pixelSize.height())));
        }
    }

    // A folder with more items than are counted says so instead of counting on.
    void folderCountStopsAtTheLimit()
    {
        QTemporaryDir dir;
        for (int i = 0; i < 5; ++i)
            QVERIFY(writeFile(dir.filePath(u"item%1"_s.arg(i)), "x"));
        QuickLookPreviewLimits limits;
        limits.folderCountLimit = 3;
        const QuickLookPreview capped = loadQuickLookPreview(QUrl::fromLocalFile(dir.path()), limits);
        QVERIFY(capped.summaryLines().contains(u"包含：超过 3 个项目"_s));
        limits.folderCountLimit = 5;
        const QuickLookPreview exact = loadQuickLookPreview(QUrl::fromLocalFile(dir.path()), limits);
        QVERIFY(exact.summaryLines().contains(u"包含：5 个项目"_s));
    }

    // A named pipe behind a text name is never opened: reading one would wait for a writer and
    // hang the program.
    void specialFilesAreNotOpened()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"pipe.txt"_s);
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        const QuickLookPreview preview = loadQuickLookPreview(QUrl::fromLocalFile(path));
        QCOMPARE(int(preview.kind), int(Kind::summary));
        QCOMPARE(preview.kindText, u"TXT 文本"_s);
    }

    // URLs that are no absolute local path are never resolved against the working directory.
    void urlsThatNameNoLocalFile_data()
    {
        QTest::addColumn<QUrl>("url");
        QTest::newRow("web page") << QUrl(u"https://example.org/index.html"_s);
        QTest::newRow("relative path") << QUrl(u"file:notes.txt"_s);
        QTest::newRow("another machine") << QUrl(u"file://server/share/notes.txt"_s);
    }

    void urlsThatNameNoLocalFile()
    {
        QFETCH(QUrl, url);
        const QString previous = QDir::currentPath();
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath(u"notes.txt"_s), "in the working directory"));
        QVERIFY(QDir::setCurrent(dir.path()));
        const QuickLookPreview preview = loadQuickLookPreview(url);
        QDir::setCurrent(previous);
        QCOMPARE(int(preview.kind), int(Kind::summary));
        QVERIFY(!preview.note.isEmpty());
        QVERIFY(!preview.fileSize);
    }
};

QTEST_MAIN(QuickLookPreviewLoaderTest)
#include "tst_quicklookpreviewloader.moc"
