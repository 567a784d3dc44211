#include "design/FenceNoteEditorView.h"
#include "design/LiquidGlassSurfaces.h"
#include "support/DesignTestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QTextBlock>
#include <QTextLayout>
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

} // namespace

class NoteEditorTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

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
