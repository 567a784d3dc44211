#include "core/store/support/StoreFixture.h"
#include "design/DesignFonts.h"
#include "design/FenceNoteEditorView.h"
#include "design/LiquidGlassBadge.h"
#include "design/LiquidGlassButton.h"
#include "support/DesignTestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>
#include <QVBoxLayout>
#include <QtTest>

using namespace mv;
using namespace mv::testing;

namespace {

// An owner that keeps the note's text and, like the store, writes it back on every edit.
struct NoteFixture {
    DesignEnvironment environment;
    QWidget window;
    FenceNoteEditorView* view = nullptr;
    QString ownerText;
    QStringList edits;
    bool ok = false;

    NoteFixture()
    {
        view = new FenceNoteEditorView(&environment, &window);
        view->setPlaceholder(QStringLiteral("写点什么…"));
        view->setTint(FenceTintPalette::amber);
        view->onTextEdited = [this](const QString& text) {
            edits.append(text);
            ownerText = text;
            view->setText(ownerText);
        };
        window.resize(360, 240);
        view->resize(360, 240);
        window.show();
        ok = QTest::qWaitForWindowExposed(&window);
        view->editor()->setFocus();
    }

    QString preedit() const
    {
        const QTextLayout* layout = view->editor()->textCursor().block().layout();
        return layout ? layout->preeditAreaText() : QString();
    }
};

// The editor bound to a notes fence of a real store, as a fence on the desktop is: every edit
// goes into the store, and the store's text is written back.
struct StoreNoteFixture {
    StoreFixture files;
    std::unique_ptr<MorvanteelStore> store;
    QUuid fenceID;
    DesignEnvironment environment;
    QWidget window;
    FenceNoteEditorView* view = nullptr;
    bool ok = false;

    explicit StoreNoteFixture(const QString& note)
    {
        store = files.makeStore(Seeding::disabled);
        fenceID = store->createFence(QStringLiteral("便签"), FenceKind::notes, std::nullopt, FenceTintPalette::amber).id;
        store->updateNoteText(note, fenceID);
        view = new FenceNoteEditorView(&environment, &window);
        view->onTextEdited = [this](const QString& text) {
            store->updateNoteText(text, fenceID);
            view->setText(noteText());
        };
        view->setText(noteText());
        window.resize(360, 240);
        view->resize(360, 240);
        window.show();
        ok = QTest::qWaitForWindowExposed(&window);
        view->editor()->setFocus();
    }

    QString noteText() const { return store->fence(fenceID)->activeTab()->noteText; }

    void select(int anchor, int position)
    {
        QTextCursor cursor = view->editor()->textCursor();
        cursor.setPosition(anchor);
        cursor.setPosition(position, QTextCursor::KeepAnchor);
        view->editor()->setTextCursor(cursor);
    }
};

void sendPreedit(QWidget* widget, const QString& preedit)
{
    QInputMethodEvent event(preedit, {QInputMethodEvent::Attribute(QInputMethodEvent::Cursor, int(preedit.size()), 1)});
    QApplication::sendEvent(widget, &event);
}

void sendCommit(QWidget* widget, const QString& commit)
{
    QInputMethodEvent event;
    event.setCommitString(commit);
    QApplication::sendEvent(widget, &event);
}

// A view that has not yet made its editor, shown with `text`.
struct UnmadeView {
    DesignEnvironment environment;
    QWidget window;
    FenceNoteEditorView* view;
    QLineEdit* before;
    QStringList edits;

    explicit UnmadeView(const QString& text, QSize size = QSize(360, 240))
    {
        auto* column = new QVBoxLayout(&window);
        before = new QLineEdit(&window);
        column->addWidget(before);
        view = new FenceNoteEditorView(&environment, &window);
        column->addWidget(view, 1);
        view->setPlaceholder(QStringLiteral("写点什么…"));
        view->setTint(FenceTintPalette::amber);
        view->setText(text);
        view->onTextEdited = [this](const QString& edited) {
            edits.append(edited);
            view->setText(edited);
        };
        window.resize(size);
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            qFatal("not exposed");
        QCoreApplication::processEvents();
    }
    QWidget* box() const { return view->findChild<QWidget*>(QStringLiteral("editorBox")); }
};

} // namespace

class NoteEditorTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // -- the editor made when first needed ---------------------------------------------------

    // Until it is needed the box draws the text itself, exactly where and as the editor lays it
    // out: making the editor changes no pixel.
    void theTextIsDrawnAsTheEditorDrawsIt_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("scheme");
        QTest::newRow("one line") << QStringLiteral("明天上午十点开会") << int(ColorScheme::light);
        QTest::newRow("wrapped, mixed") << QStringLiteral("第 12 个围栏的笔记：明天上午十点开会，带上季度报告 and the slides for Q3.")
                                        << int(ColorScheme::light);
        QTest::newRow("paragraphs, dark") << QStringLiteral("买牛奶\r\n\n交电费 tab\there\r结束") << int(ColorScheme::dark);
        QTest::newRow("a long word") << QStringLiteral("https://example.com/a/very/long/path/that/wraps/anywhere")
                                     << int(ColorScheme::light);
    }

    void theTextIsDrawnAsTheEditorDrawsIt()
    {
        QFETCH(QString, text);
        QFETCH(int, scheme);
        UnmadeView f(text);
        f.environment.setColorScheme(ColorScheme(scheme));
        QVERIFY(!f.view->hasEditor());
        const QImage drawn = f.box()->grab().toImage();
        QVERIFY(f.view->editor());
        QCoreApplication::processEvents();
        const QImage edited = f.box()->grab().toImage();
        QCOMPARE(drawn.size(), edited.size());
        QCOMPARE(drawn, edited);
        QCOMPARE(f.view->editor()->toPlainText(), QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n'));
    }

    // A press in the box makes the editor, puts the cursor where it was pressed and takes the
    // keys that follow; typed text reaches the owner.
    void aPressMakesTheEditorAndPlacesTheCursor()
    {
        UnmadeView f(QStringLiteral("明天开会"));
        QVERIFY(!f.view->hasEditor());
        QCOMPARE(f.view->countBadge()->text(), QStringLiteral("4 字"));
        QVERIFY(!f.view->isPlaceholderVisible());
        // Right after the second character, as the editor would lay it out.
        QTextLayout probe(QStringLiteral("明天开会"), designFont(13));
        probe.beginLayout();
        QTextLine line = probe.createLine();
        line.setLeadingIncluded(true);
        probe.endLayout();
        const QPoint at = QPoint(8 + 4 + int(line.cursorToX(2)) + 1, 6 + 4 + int(line.height() / 2));
        QTest::mouseClick(f.box(), Qt::LeftButton, {}, at);
        QVERIFY(f.view->hasEditor());
        QVERIFY(f.view->editor()->hasFocus());
        QCOMPARE(f.view->editor()->textCursor().position(), 2);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("x"));
        QCOMPARE(f.edits, QStringList{QStringLiteral("明天x开会")});
    }

    // Tab reaches the note where its editor will be, and the editor takes the focus; back from
    // it is where Tab came from.
    void tabFocusReachesTheEditor()
    {
        UnmadeView f(QStringLiteral("便签"));
        f.before->setFocus();
        QTRY_VERIFY(f.before->hasFocus());
        QWidget* previous = nullptr;
        for (int i = 0; i < 5 && !f.view->hasEditor(); ++i) {
            previous = QApplication::focusWidget();
            QTest::keyClick(previous, Qt::Key_Tab);
        }
        QVERIFY(f.view->hasEditor());
        QTRY_VERIFY(f.view->editor()->hasFocus());
        QTest::keyClick(f.view->editor(), Qt::Key_Backtab);
        QTRY_COMPARE(QApplication::focusWidget(), previous);
        QTest::keyClick(previous, Qt::Key_Tab);
        QTRY_VERIFY(f.view->editor()->hasFocus());
    }

    // A text longer than the box needs the editor's scrolling: it is made once shown, or once
    // such a text arrives; short texts and the placeholder need none.
    void aTextLongerThanTheBoxMakesTheEditor()
    {
        UnmadeView f{QString()};
        QVERIFY(f.view->isPlaceholderVisible());
        QVERIFY(!f.view->hasEditor());
        f.view->setText(QStringLiteral("短"));
        QVERIFY(!f.view->hasEditor());
        f.view->setText(QStringLiteral("一行\n").repeated(40));
        QVERIFY(f.view->hasEditor());
        QTRY_VERIFY(f.view->editor()->verticalScrollBar()->isVisible());

        UnmadeView shownLong(QStringLiteral("很长的一段笔记，").repeated(60));
        QVERIFY(shownLong.view->hasEditor());
        QTRY_VERIFY(shownLong.view->editor()->verticalScrollBar()->maximum() > 0);
    }

    // Text dragged onto the box makes the editor, which the drag then enters and drops into;
    // files dragged onto it are the fence's and make nothing.
    void aTextDraggedInMakesTheEditor()
    {
        UnmadeView f(QStringLiteral("拖入"));
        QMimeData files;
        files.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/a.txt"))});
        QDragEnterEvent fileEnter(QPoint(20, 14), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(f.box(), &fileEnter);
        QVERIFY(!f.view->hasEditor());

        QMimeData text;
        text.setText(QStringLiteral("文字"));
        QDragEnterEvent enter(QPoint(20, 14), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(f.box(), &enter);
        QVERIFY(f.view->hasEditor());
        QVERIFY(f.view->editor()->isVisible());
        QWidget* viewport = f.view->editor()->viewport();
        QVERIFY(viewport->acceptDrops());
        QDragEnterEvent intoEditor(QPoint(4, 4), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &intoEditor);
        QVERIFY(intoEditor.isAccepted());
    }

    // A lock set before the editor is made holds once it is: the text can be selected, not
    // changed.
    void aLockHoldsForAnEditorMadeLater()
    {
        UnmadeView f(QStringLiteral("锁定"));
        f.view->setLocked(true);
        QTest::mouseClick(f.box(), Qt::LeftButton, {}, QPoint(20, 14));
        QVERIFY(f.view->hasEditor());
        QVERIFY(f.view->editor()->isReadOnly());
        QTest::keyClicks(f.view->editor(), QStringLiteral("x"));
        QCOMPARE(f.view->text(), QStringLiteral("锁定"));
        QVERIFY(f.edits.isEmpty());
    }

    void emptyNoteShowsThePlaceholder()
    {
        NoteFixture f;
        QVERIFY(f.ok);
        QVERIFY(f.view->isPlaceholderVisible());
        QCOMPARE(f.view->countBadge()->text(), QStringLiteral("0 字"));
        QCOMPARE(f.view->countBadge()->systemImage(), std::optional<QString>(QStringLiteral("text.alignleft")));
        QCOMPARE(f.view->copyButton()->labelText(), QStringLiteral("复制内容"));
        QCOMPARE(f.view->copyButton()->symbolName(), QStringLiteral("doc.on.doc"));
        QTest::keyClick(f.view->editor(), 'a');
        QVERIFY(!f.view->isPlaceholderVisible());
        QCOMPARE(f.edits, QStringList{QStringLiteral("a")});
        QCOMPARE(f.view->countBadge()->text(), QStringLiteral("1 字"));
    }

    void countsUserPerceivedCharacters_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("badge");
        // Characters as a reader counts them: a family emoji of several code points is one.
        QTest::newRow("family emoji") << QString::fromUtf8("👨‍👩‍👧") << QStringLiteral("1 字");
        QTest::newRow("chinese and ascii") << QStringLiteral("便签 ok") << QStringLiteral("5 字");
        QTest::newRow("combining accent") << QString::fromUtf8("e\u0301") << QStringLiteral("1 字");
    }

    void countsUserPerceivedCharacters()
    {
        QFETCH(QString, text);
        QFETCH(QString, badge);
        NoteFixture f;
        typeText(f.view->editor(), text);
        QCOMPARE(f.ownerText, text);
        QCOMPARE(f.view->countBadge()->text(), badge);
    }

    void lockedNoteCanBeCopiedButNotEdited()
    {
        NoteFixture f;
        f.view->setText(QStringLiteral("固定内容"));
        f.view->setLocked(true);
        QTest::keyClick(f.view->editor(), 'x');
        typeText(f.view->editor(), QStringLiteral("中"));
        QCOMPARE(f.view->text(), QStringLiteral("固定内容"));
        QVERIFY(f.edits.isEmpty());
        QTest::mouseClick(f.view->copyButton(), Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("固定内容"));
    }

    void copyShowsItsConfirmationFor1400ms()
    {
        NoteFixture f;
        f.view->setText(QStringLiteral("待复制"));
        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(f.view->copyButton(), Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("待复制"));
        QVERIFY(f.view->didCopy());
        QCOMPARE(f.view->copyButton()->symbolName(), QStringLiteral("checkmark"));
        QCOMPARE(f.view->copyButton()->labelText(), QStringLiteral("已复制"));
        QTRY_VERIFY_WITH_TIMEOUT(!f.view->didCopy(), 3000);
        QVERIFY(clock.elapsed() >= FenceNoteEditorView::copyFeedbackMs - 20);
        QCOMPARE(f.view->copyButton()->labelText(), QStringLiteral("复制内容"));
        QCOMPARE(f.view->copyButton()->symbolName(), QStringLiteral("doc.on.doc"));
    }

    void anEmptyNoteCopiesAnEmptyString()
    {
        NoteFixture f;
        QGuiApplication::clipboard()->setText(QStringLiteral("旧"));
        QTest::mouseClick(f.view->copyButton(), Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(), QString());
    }

    void aResetThatOutlivesTheViewDoesNothing()
    {
        auto* environment = new DesignEnvironment;
        auto* view = new FenceNoteEditorView(environment);
        view->setText(QStringLiteral("短暂"));
        view->resize(300, 200);
        QTest::mouseClick(view->copyButton(), Qt::LeftButton);
        QVERIFY(view->didCopy());
        delete view;
        delete environment;
        // The reset's time passes with the view gone; under ASan a stray access would abort.
        QTest::qWait(FenceNoteEditorView::copyFeedbackMs + 200);
        QVERIFY(true);
    }

    void ownerWriteBackKeepsTheCursor()
    {
        NoteFixture f;
        QTest::keyClicks(f.view->editor(), QStringLiteral("abcd"));
        QCOMPARE(f.edits.size(), 4);
        QCOMPARE(f.view->editor()->textCursor().position(), 4);
        QTest::keyClick(f.view->editor(), Qt::Key_Left);
        QTest::keyClick(f.view->editor(), Qt::Key_Left);
        QTest::keyClick(f.view->editor(), 'X');
        QCOMPARE(f.ownerText, QStringLiteral("abXcd"));
        QCOMPARE(f.view->editor()->textCursor().position(), 3);
        // Undo still works: the write-back of the same text left the editor's history alone.
        QTest::keyClick(f.view->editor(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(f.ownerText, QStringLiteral("abcd"));
    }

    void ownerWriteBackKeepsTheComposition()
    {
        NoteFixture f;
        QTest::keyClicks(f.view->editor(), QStringLiteral("ab"));
        sendPreedit(f.view->editor(), QStringLiteral("zhong"));
        QCOMPARE(f.preedit(), QStringLiteral("zhong"));
        // The owner writes the same text back, and then a different one, while the user composes.
        f.view->setText(QStringLiteral("ab"));
        QCOMPARE(f.preedit(), QStringLiteral("zhong"));
        f.view->setText(QStringLiteral("ab!"));
        QCOMPARE(f.preedit(), QStringLiteral("zhong"));
        QCOMPARE(f.view->text(), QStringLiteral("ab"));
        QVERIFY(!f.view->isPlaceholderVisible());
        sendCommit(f.view->editor(), QStringLiteral("中"));
        QCOMPARE(f.preedit(), QString());
        QCOMPARE(f.edits.last(), QStringLiteral("ab中"));
        QCOMPARE(f.view->text(), QStringLiteral("ab中"));
        QCOMPARE(f.view->editor()->textCursor().position(), 3);
    }

    void editsChangeOnlyWhatTheUserTouched_data()
    {
        // A note with a no-break space, Windows line ends and a line separator. Its document
        // positions: 前 0, no-break space 1, 文 2, break 3, 第 4, 二 5, 行 6, line separator 7,
        // 第 8, 三 9, break 10, 尾 11, end 12.
        QTest::addColumn<int>("anchor");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("expected");
        const QString note = QStringLiteral("前\u00a0文\r\n第二行\u2028第三\r\n尾");
        QTest::newRow("typing at the end") << 12 << 12 << "type x" << note + u'x';
        QTest::newRow("typing in the middle") << 6 << 6 << "type x" << QStringLiteral("前\u00a0文\r\n第二x行\u2028第三\r\n尾");
        QTest::newRow("typing over a selection") << 5 << 9 << "type y" << QStringLiteral("前\u00a0文\r\n第y三\r\n尾");
        QTest::newRow("backspace across a CR LF") << 4 << 4 << "backspace" << QStringLiteral("前\u00a0文第二行\u2028第三\r\n尾");
        QTest::newRow("delete a selection across a CR LF") << 2 << 5 << "delete" << QStringLiteral("前\u00a0二行\u2028第三\r\n尾");
        QTest::newRow("return") << 2 << 2 << "return" << QStringLiteral("前\u00a0\n文\r\n第二行\u2028第三\r\n尾");
        QTest::newRow("paste keeps what was pasted") << 8 << 8 << "paste"
                                                     << QStringLiteral("前\u00a0文\r\n第二行\u2028甲\r\n乙\u00a0第三\r\n尾");
        QTest::newRow("input method commit") << 11 << 11 << "commit" << QStringLiteral("前\u00a0文\r\n第二行\u2028第三\r\n中文尾");
        QTest::newRow("typing then undo") << 12 << 12 << "type x, undo" << note;
    }

    void editsChangeOnlyWhatTheUserTouched()
    {
        QFETCH(int, anchor);
        QFETCH(int, position);
        QFETCH(QString, action);
        QFETCH(QString, expected);
        StoreNoteFixture f(QStringLiteral("前\u00a0文\r\n第二行\u2028第三\r\n尾"));
        QVERIFY(f.ok);
        QCOMPARE(f.view->text(), f.noteText());
        f.select(anchor, position);
        if (action == u"type x") {
            QTest::keyClick(f.view->editor(), 'x');
        } else if (action == u"type y") {
            QTest::keyClick(f.view->editor(), 'y');
        } else if (action == u"backspace") {
            QTest::keyClick(f.view->editor(), Qt::Key_Backspace);
        } else if (action == u"delete") {
            QTest::keyClick(f.view->editor(), Qt::Key_Delete);
        } else if (action == u"return") {
            QTest::keyClick(f.view->editor(), Qt::Key_Return);
        } else if (action == u"paste") {
            QGuiApplication::clipboard()->setText(QStringLiteral("甲\r\n乙\u00a0"));
            QTest::keyClick(f.view->editor(), Qt::Key_V, Qt::ControlModifier);
        } else if (action == u"commit") {
            sendPreedit(f.view->editor(), QStringLiteral("zhongwen"));
            sendCommit(f.view->editor(), QStringLiteral("中文"));
        } else {
            QTest::keyClick(f.view->editor(), 'x');
            QTest::keyClick(f.view->editor(), Qt::Key_Z, Qt::ControlModifier);
        }
        QCOMPARE(f.noteText(), expected);
        QCOMPARE(f.view->text(), expected);
    }

    void aLoneCarriageReturnStaysApartFromANewLineFeed()
    {
        // A lone CR is a line end of its own; a line feed put right after it must not join it
        // into one CR LF line end, which would show one line fewer than the editor does.
        StoreNoteFixture typed(QStringLiteral("a\r"));
        QVERIFY(typed.ok);
        typed.select(2, 2);
        QTest::keyClick(typed.view->editor(), Qt::Key_Return);
        QCOMPARE(typed.noteText(), QStringLiteral("a\r\r\n"));
        QCOMPARE(typed.view->editor()->document()->blockCount(), 3);

        StoreNoteFixture deleted(QStringLiteral("a\rb\n"));
        deleted.select(2, 3);
        QTest::keyClick(deleted.view->editor(), Qt::Key_Delete);
        QCOMPARE(deleted.noteText(), QStringLiteral("a\r\r\n"));
        QCOMPARE(deleted.view->editor()->document()->blockCount(), 3);
    }

    void ownerTextThatLooksTheSameLeavesTheEditorAlone()
    {
        NoteFixture f;
        QTest::keyClicks(f.view->editor(), QStringLiteral("ab"));
        QTest::keyClick(f.view->editor(), Qt::Key_Return);
        QTest::keyClicks(f.view->editor(), QStringLiteral("cd"));
        QTest::keyClick(f.view->editor(), Qt::Key_Left);
        QCOMPARE(f.ownerText, QStringLiteral("ab\ncd"));
        // The owner turns the line end into CR LF: the editor shows it alike, keeps its cursor,
        // and the next edit keeps the CR LF.
        f.view->setText(QStringLiteral("ab\r\ncd"));
        QCOMPARE(f.view->editor()->textCursor().position(), 4);
        QTest::keyClick(f.view->editor(), 'x');
        QCOMPARE(f.ownerText, QStringLiteral("ab\r\ncxd"));
    }

    void externalChangeAppliesOnlyWhenDifferent()
    {
        NoteFixture f;
        f.view->setText(QStringLiteral("one"));
        QVERIFY(f.edits.isEmpty()); // a write from the owner is no edit
        QTextCursor cursor = f.view->editor()->textCursor();
        cursor.setPosition(2);
        f.view->editor()->setTextCursor(cursor);
        f.view->setText(QStringLiteral("one"));
        QCOMPARE(f.view->editor()->textCursor().position(), 2);
        f.view->setText(QStringLiteral("x"));
        QCOMPARE(f.view->text(), QStringLiteral("x"));
        QCOMPARE(f.view->editor()->textCursor().position(), 1);
    }
};

QTEST_MAIN(NoteEditorTest)
#include "tst_noteeditor.moc"
