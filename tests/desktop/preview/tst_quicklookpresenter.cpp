#include "design/DesignEnvironment.h"
#include "design/GlassTextLabel.h"
#include "design/LiquidGlassButton.h"
#include "design/LiquidGlassPillButton.h"
#include "desktop/preview/QuickLookPresenter.h"
#include "support/PreviewFiles.h"

#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

#include <memory>

using namespace mv;
using namespace Qt::StringLiterals;

namespace {

using Kind = QuickLookPreview::Kind;

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
