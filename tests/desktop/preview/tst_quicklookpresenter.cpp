#include "design/DesignEnvironment.h"
#include "design/GlassTextLabel.h"
#include "design/LiquidGlassSurfaces.h"
#include "desktop/preview/QuickLookPaths.h"
#include "desktop/preview/QuickLookPresenter.h"
#include "desktop/preview/QuickLookPreviewLoader.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

using namespace mv;
using namespace Qt::StringLiterals;

namespace {

using Kind = QuickLookPreview::Kind;

// 2026-03-04 05:06:07 UTC; the tests run with TZ=UTC.
constexpr time_t fixedModificationTime = 1772600767;
const QString fixedModificationLine = u"修改日期：2026年3月4日 05:06"_s;

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool setModificationTime(const QString& path, time_t seconds)
{
    const timespec times[2] = {{seconds, 0}, {seconds, 0}};
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
}

QByteArray encodedImage(QSize size, const char* format)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(200, 40, 40));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

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

struct FileIdentity {
    QByteArray content;
    qint64 modifiedNanoseconds = 0;
    mode_t mode = 0;
    bool operator==(const FileIdentity&) const = default;
};

FileIdentity identityOf(const QString& path)
{
    FileIdentity identity;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        identity.content = file.readAll();
    struct stat status{};
    if (::stat(QFile::encodeName(path).constData(), &status) == 0) {
        identity.modifiedNanoseconds = qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
        identity.mode = status.st_mode;
    }
    return identity;
}

// A presenter of its own over a temporary folder, whose file actions only record what they
// are asked.
struct Presenter {
    QTemporaryDir dir;
    DesignEnvironment environment;
    QList<QUrl> opened;
    QList<QUrl> revealed;
    std::unique_ptr<QuickLookPresenter> presenter;

    explicit Presenter(QuickLookPreviewLimits limits = {})
    {
        QuickLookFileActions actions;
        actions.openExternal = [this](const QUrl& url) { opened.append(url); };
        actions.revealInFileManager = [this](const QUrl& url) { revealed.append(url); };
        presenter = std::make_unique<QuickLookPresenter>(std::move(actions), &environment, limits);
    }

    QString path(const QString& name) const { return dir.filePath(name); }

    QUrl file(const QString& name, const QByteArray& bytes = "hello\n") const
    {
        const QString filePath = path(name);
        if (!writeFile(filePath, bytes))
            qWarning("could not write %s", qPrintable(filePath));
        return QUrl::fromLocalFile(filePath);
    }

    QuickLookHUDPanel* panel() const { return presenter->panel(); }

    // Presents and waits for the fade-in to end.
    [[nodiscard]] bool showFully(const QUrl& url, const std::optional<QString>& title = std::nullopt)
    {
        presenter->present(url, title);
        return QTest::qWaitFor([this] { return panel() && panel()->windowOpacity() == 1.0; });
    }

    [[nodiscard]] bool waitUntilHidden()
    {
        return QTest::qWaitFor([this] { return !presenter->isVisible(); });
    }
};

QRect availableGeometry()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

} // namespace

class QuickLookPresenterTest final : public QObject {
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

    // Source code and structured text are set in a fixed-pitch face; prose is not.
    void codeIsMonospaced_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("monospaced");
        QTest::newRow("c++") << u"main.cpp"_s << true;
        QTest::newRow("shell script") << u"build.sh"_s << true;
        QTest::newRow("json") << u"data.json"_s << true;
        QTest::newRow("plain text") << u"notes.txt"_s << false;
        QTest::newRow("markdown") << u"README.md"_s << false;
    }

    void codeIsMonospaced()
    {
        QFETCH(QString, name);
        QFETCH(bool, monospaced);
        Presenter f;
        const QUrl url = f.file(name, "text\n");
        f.presenter->present(url);
        QPlainTextEdit* view = f.presenter->previewContainer()->textView();
        QCOMPARE(f.presenter->previewContainer()->currentView(), view);
        QCOMPARE(view->toPlainText(), u"text\n"_s);
        QVERIFY(view->isReadOnly());
        // Fixed pitch: a narrow letter takes as much room as a wide one.
        const QFontMetrics metrics(view->font());
        QCOMPARE(metrics.horizontalAdvance(u"iiii"_s) == metrics.horizontalAdvance(u"MMMM"_s), monospaced);
        QCOMPARE(view->lineWrapMode() == QPlainTextEdit::NoWrap, monospaced);
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

    // Text shows at most the limit in bytes from the start; a character cut at the limit is
    // left out rather than shown broken, and a note says that there is more.
    void textStopsAtTheLimit_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("truncated");
        QTest::newRow("shorter") << "012345678"_ba << u"012345678"_s << false;
        QTest::newRow("exactly the limit") << "0123456789"_ba << u"0123456789"_s << false;
        QTest::newRow("cut inside a character") << "abcdefghi中xyz"_ba << u"abcdefghi"_s << true;
        QTest::newRow("cut after a character") << "abcdefg中xyz"_ba << u"abcdefg中"_s << true;
    }

    void textStopsAtTheLimit()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, shown);
        QFETCH(bool, truncated);
        QuickLookPreviewLimits limits;
        limits.textByteLimit = 10;
        Presenter f(limits);
        f.presenter->present(f.file(u"long.log"_s, content));

        const std::optional<QuickLookPreview>& preview = f.presenter->previewContainer()->preview();
        QVERIFY(preview);
        QCOMPARE(int(preview->kind), int(Kind::text));
        QCOMPARE(preview->text, shown);
        QCOMPARE(preview->isTextTruncated, truncated);
        QCOMPARE(f.presenter->previewContainer()->textView()->toPlainText(), shown);
        QCOMPARE(f.presenter->previewContainer()->textNote()->isVisibleTo(f.panel()), truncated);
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

    // The presenter compares standardized URLs: "." and ".." and doubled slashes do not make
    // another file; symbolic links are not resolved.
    void standardizedURLs_data()
    {
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("standardized");
        QTest::newRow("single dot") << u"/tmp/a/./b.txt"_s << u"/tmp/a/b.txt"_s;
        QTest::newRow("double dot") << u"/tmp/a/../b.txt"_s << u"/tmp/b.txt"_s;
        QTest::newRow("above the root") << u"/../b.txt"_s << u"/b.txt"_s;
        QTest::newRow("doubled and trailing slashes") << u"/tmp//a/"_s << u"/tmp/a"_s;
        QTest::newRow("already standard") << u"/tmp/a"_s << u"/tmp/a"_s;
    }

    void standardizedURLs()
    {
        QFETCH(QString, written);
        QFETCH(QString, standardized);
        QCOMPARE(standardizedPreviewURL(QUrl::fromLocalFile(written)), QUrl::fromLocalFile(standardized));
    }

    // Made once: a floating frameless tool window of the initial size, kept for every showing.
    void panelIsMadeOnceAndReused()
    {
        Presenter f;
        QVERIFY(!f.panel()); // nothing is made before it is needed
        const QUrl url = f.file(u"a.txt"_s);
        QVERIFY(f.showFully(url));
        QPointer<QuickLookHUDPanel> panel = f.panel();
        QVERIFY(panel->windowFlags().testFlag(Qt::Tool));
        QVERIFY(panel->windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(panel->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(panel->size(), QuickLookPresenter::initialSize);
        QCOMPARE(panel->minimumSize(), QuickLookPresenter::minimumSize);
        QCOMPARE(QApplication::activeWindow(), panel.data());

        f.presenter->dismiss();
        QVERIFY(f.waitUntilHidden());
        QVERIFY(f.showFully(f.file(u"b.txt"_s)));
        QCOMPARE(f.panel(), panel.data());
    }

    // Space on a selected file shows it and Space again hides it, also when the second URL is
    // written differently; after the fade the panel is at full opacity again, ready to show.
    void toggleTwiceCloses()
    {
        Presenter f;
        QVERIFY(QDir(f.dir.path()).mkdir(u"sub"_s));
        const QUrl url = f.file(u"photo.png"_s, encodedImage(QSize(20, 10), "PNG"));
        f.presenter->togglePreview(url);
        QVERIFY(f.presenter->isVisible());
        QCOMPARE(f.presenter->currentURL(), std::optional<QUrl>(url));
        QVERIFY(QTest::qWaitFor([&] { return f.panel()->windowOpacity() == 1.0; }));

        f.presenter->togglePreview(QUrl::fromLocalFile(f.dir.path() + u"/sub/.././photo.png"_s));
        QVERIFY(f.presenter->isFadingOut());
        QVERIFY(!f.presenter->currentURL());
        QVERIFY(f.waitUntilHidden());
        QCOMPARE(f.panel()->windowOpacity(), 1.0);
        QVERIFY(!f.presenter->previewContainer()->preview()); // the picture is let go

        f.presenter->togglePreview(url); // hidden again: a toggle shows it
        QVERIFY(f.presenter->isVisible());
        QVERIFY(!f.presenter->isFadingOut());
    }

    // A second file while the preview is open replaces the first in place: no fade, no move.
    void anotherFileReplacesTheFirst()
    {
        Presenter f;
        const QUrl first = f.file(u"first.txt"_s, "first");
        const QUrl second = f.file(u"second.cpp"_s, "second");
        QVERIFY(f.showFully(first));
        QuickLookHUDPanel* panel = f.panel();
        const QPoint moved = panel->pos() + QPoint(30, 20);
        panel->move(moved);

        f.presenter->togglePreview(second);
        QVERIFY(f.presenter->isVisible());
        QVERIFY(!f.presenter->isFadingOut());
        QCOMPARE(panel->windowOpacity(), 1.0);
        QCOMPARE(panel->pos(), moved);
        QCOMPARE(f.presenter->currentURL(), std::optional<QUrl>(second));
        QCOMPARE(f.presenter->headerStrip()->title(), u"second.cpp"_s);
        QCOMPARE(f.presenter->previewContainer()->textView()->toPlainText(), u"second"_s);
    }

    // From hidden, the panel opens centred on the screen with a fade, wherever it was moved to.
    void reopensCentred()
    {
        Presenter f;
        const QUrl url = f.file(u"a.txt"_s);
        QVERIFY(f.showFully(url));
        const QRect visible = availableGeometry();
        QVERIFY(!visible.isEmpty());
        QVERIFY((f.panel()->geometry().center() - visible.center()).manhattanLength() <= 2);
        f.panel()->move(f.panel()->pos() + QPoint(-40, 25));

        f.presenter->dismiss();
        QVERIFY(f.waitUntilHidden());
        f.presenter->present(url);
        QCOMPARE(f.panel()->windowOpacity(), 0.0); // the fade starts from clear
        QVERIFY((f.panel()->geometry().center() - visible.center()).manhattanLength() <= 2);
        QVERIFY(QTest::qWaitFor([&] { return f.panel()->windowOpacity() == 1.0; }));
    }

    // Space and Escape close the panel with a fade, whichever of its widgets has the focus; a
    // focused button does not take Space as a click.
    void dismissKeysClose_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("target");
        for (const auto& [key, keyName] : {std::pair{Qt::Key_Space, "Space"}, std::pair{Qt::Key_Escape, "Escape"}}) {
            for (const char* target : {"panel", "text", "open button"})
                QTest::addRow("%s, %s", keyName, target) << int(key) << QString::fromLatin1(target);
        }
    }

    void dismissKeysClose()
    {
        QFETCH(int, key);
        QFETCH(QString, target);
        Presenter f;
        QVERIFY(f.showFully(f.file(u"notes.txt"_s, "words")));
        QWidget* receiver = f.panel();
        if (target == u"text")
            receiver = f.presenter->previewContainer()->textView();
        else if (target == u"open button")
            receiver = f.presenter->headerStrip()->openButton();
        receiver->setFocus(Qt::TabFocusReason);

        QTest::keyClick(receiver, Qt::Key(key));
        QVERIFY(f.presenter->isFadingOut());
        QVERIFY(f.waitUntilHidden());
        QCOMPARE(f.panel()->windowOpacity(), 1.0);
        QVERIFY(!f.presenter->currentURL());
        QVERIFY(f.opened.isEmpty());
    }

    void otherKeysKeepItOpen()
    {
        Presenter f;
        QVERIFY(f.showFully(f.file(u"notes.txt"_s)));
        QTest::keyClick(f.panel(), Qt::Key_A);
        QTest::keyClick(f.panel(), Qt::Key_Down);
        QVERIFY(f.presenter->isVisible());
        QVERIFY(!f.presenter->isFadingOut());
    }

    // A preview opened without a title shows the file's name; SpotSearch's shows the hit's.
    void titles_data()
    {
        QTest::addColumn<std::optional<QString>>("title");
        QTest::addColumn<QString>("shown");
        QTest::newRow("none") << std::optional<QString>() << u"季度报告.pdf"_s;
        QTest::newRow("empty") << std::optional<QString>(QString()) << u"季度报告.pdf"_s;
        QTest::newRow("given") << std::optional<QString>(u"报告（搜索结果）"_s) << u"报告（搜索结果）"_s;
    }

    void titles()
    {
        QFETCH(std::optional<QString>, title);
        QFETCH(QString, shown);
        Presenter f;
        const QUrl url = f.file(u"季度报告.pdf"_s, "%PDF");
        f.presenter->present(url, title);
        const QuickLookHeaderStrip* header = f.presenter->headerStrip();
        QCOMPARE(header->title(), shown);
        QCOMPARE(header->pathText(), url.toLocalFile());
        QCOMPARE(header->symbolName(), u"doc.richtext.fill"_s);
        QCOMPARE(header->revealButton()->title(), u"文件管理器"_s);
        QCOMPARE(header->openButton()->title(), u"打开"_s);
        QCOMPARE(header->closeButton()->toolTip(), u"关闭预览 (Space / Esc)"_s);
    }

    void folderHeaderShowsAFolder()
    {
        Presenter f;
        QVERIFY(QDir(f.dir.path()).mkdir(u"Photos"_s));
        f.presenter->present(QUrl::fromLocalFile(f.path(u"Photos"_s)));
        QCOMPARE(f.presenter->headerStrip()->symbolName(), u"folder.fill"_s);
        QCOMPARE(f.presenter->previewContainer()->currentView(), f.presenter->previewContainer()->summaryView());
    }

    // "打开" opens the file and closes the preview; the file manager button shows it and
    // leaves the preview open; the close button closes.
    void headerButtons_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("opens");
        QTest::addColumn<int>("reveals");
        QTest::addColumn<bool>("closes");
        QTest::newRow("open") << u"open"_s << 1 << 0 << true;
        QTest::newRow("reveal") << u"reveal"_s << 0 << 1 << false;
        QTest::newRow("close") << u"close"_s << 0 << 0 << true;
    }

    void headerButtons()
    {
        QFETCH(QString, button);
        QFETCH(int, opens);
        QFETCH(int, reveals);
        QFETCH(bool, closes);
        Presenter f;
        const QUrl url = f.file(u"a.txt"_s);
        QVERIFY(f.showFully(url));
        const QuickLookHeaderStrip* header = f.presenter->headerStrip();
        QAbstractButton* pressed = button == u"open" ? static_cast<QAbstractButton*>(header->openButton())
            : button == u"reveal"                    ? static_cast<QAbstractButton*>(header->revealButton())
                                                     : static_cast<QAbstractButton*>(header->closeButton());
        QTest::mouseClick(pressed, Qt::LeftButton);

        QCOMPARE(f.opened, QList<QUrl>(opens, url));
        QCOMPARE(f.revealed, QList<QUrl>(reveals, url));
        QCOMPARE(f.presenter->isFadingOut(), closes);
        if (closes)
            QVERIFY(f.waitUntilHidden());
        else
            QCOMPARE(f.presenter->currentURL(), std::optional<QUrl>(url));
    }

    // The window's own close orders the panel out at once; the next preview opens centred with
    // a fade.
    void windowCloseOrdersOutAtOnce()
    {
        Presenter f;
        QVERIFY(f.showFully(f.file(u"a.txt"_s)));
        f.panel()->move(f.panel()->pos() + QPoint(50, 0));
        f.panel()->close();
        QVERIFY(!f.presenter->isVisible());
        QVERIFY(!f.presenter->currentURL());
        QVERIFY(!f.presenter->isFadingOut());

        f.presenter->togglePreview(f.file(u"b.txt"_s));
        QVERIFY(f.presenter->isVisible());
        QCOMPARE(f.panel()->windowOpacity(), 0.0);
        QVERIFY((f.panel()->geometry().center() - availableGeometry().center()).manhattanLength() <= 2);
        QVERIFY(QTest::qWaitFor([&] { return f.panel()->windowOpacity() == 1.0; }));
    }

    // A file shown while the panel fades out keeps the panel: the fade-out's end must not order
    // out a panel that shows a file again.
    void presentDuringFadeOutKeepsThePanel()
    {
        Presenter f;
        QVERIFY(f.showFully(f.file(u"a.txt"_s)));
        f.presenter->dismiss();
        QVERIFY(f.presenter->isFadingOut());
        const QUrl second = f.file(u"b.txt"_s);
        f.presenter->present(second);
        QVERIFY(!f.presenter->isFadingOut());
        // The fade back in lasts longer than the fade-out would have.
        QVERIFY(QTest::qWaitFor([&] { return f.panel()->windowOpacity() == 1.0; }));
        QVERIFY(f.presenter->isVisible());
        QCOMPARE(f.presenter->currentURL(), std::optional<QUrl>(second));
        QVERIFY(f.presenter->previewContainer()->preview());
    }

    // Neither showing a file nor closing the preview changes or runs it.
    void previewNeverChangesOrRunsTheFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("script with a source name") << u"run.sh"_s;
        QTest::newRow("executable without extension") << u"run"_s;
        QTest::newRow("script under an image name") << u"run.png"_s;
    }

    void previewNeverChangesOrRunsTheFile()
    {
        QFETCH(QString, name);
        Presenter f;
        const QString marker = f.path(u"ran"_s);
        const QByteArray script = "#!/bin/sh\necho ran > '" + QFile::encodeName(marker) + "'\n";
        const QUrl url = f.file(name, script);
        QCOMPARE(::chmod(QFile::encodeName(url.toLocalFile()).constData(), 0755), 0);
        QVERIFY(setModificationTime(url.toLocalFile(), fixedModificationTime));
        const FileIdentity before = identityOf(url.toLocalFile());

        QVERIFY(f.showFully(url));
        f.presenter->togglePreview(url);
        QVERIFY(f.waitUntilHidden());
        f.presenter->present(url);
        QTest::keyClick(f.panel(), Qt::Key_Escape);
        QVERIFY(f.waitUntilHidden());

        QVERIFY(!QFile::exists(marker));
        QCOMPARE(identityOf(url.toLocalFile()), before);
        QVERIFY(f.opened.isEmpty());
    }
};

QTEST_MAIN(QuickLookPresenterTest)
#include "tst_quicklookpresenter.moc"
