#pragma once

#include "core/models/ModelEnums.h"
#include "design/DesignEnvironment.h"

#include <QPlainTextEdit>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>

namespace mv {

class LiquidGlassBadge;
class LiquidGlassButton;
class NoteEditorBox;

// The multi-line editor of a note. Knows when an input method is composing, so that the owner's
// write-back never disturbs a composition in progress, and which text a paste or an input
// method's commit is putting in, so that its line ends can be kept as they came.
class FenceNoteTextEdit final : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit FenceNoteTextEdit(QWidget* parent = nullptr);
    bool isComposing() const { return m_composing; }
    // The text being pasted or committed, while the document takes it in.
    const std::optional<QString>& incomingText() const { return m_incomingText; }

Q_SIGNALS:
    void compositionEnded();

protected:
    void inputMethodEvent(QInputMethodEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
    // Files dragged onto a note are refused: a note takes no files, and their paths are no
    // text the user typed. Text dragged in, or moved inside the note, is taken as before.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;

private:
    bool m_composing = false;
    std::optional<QString> m_incomingText;
};

// Edits the free text of a notes tab: a character-count badge and a copy button above a
// rounded editor, with a placeholder while the text is empty. The text is the owner's: every
// edit goes out through textEdited/onTextEdited, and the owner writes its text back with
// setText, which changes the editor only when the text differs and never while composing.
//
// The text given is kept as it is, and each edit is applied to it as a splice of what the user
// changed: the document shows a CR LF pair as one paragraph break and turns line ends into
// paragraph separators, so reading the whole text back from it would rewrite line ends and
// no-break spaces the user never touched.
//
// A text editor is one of the heaviest widgets, and most notes on a desktop are only read: the
// editor is made when it is first needed (a press, a focus, a text dragged in, a text longer
// than the box, or asked for); until then the box draws the text just as the editor lays it out.
class FenceNoteEditorView final : public QWidget {
    Q_OBJECT
public:
    // How long the copy button shows its confirmation.
    static constexpr int copyFeedbackMs = 1400;

    explicit FenceNoteEditorView(DesignEnvironment* environment, QWidget* parent = nullptr);
    ~FenceNoteEditorView() override;

    void setText(const QString& text);
    QString text() const;
    void setTint(FenceTintPalette tint);
    void setPlaceholder(const QString& placeholder);
    QString placeholder() const { return m_placeholder; }
    void setLocked(bool locked);
    bool isLocked() const { return m_isLocked; }

    // The binding's write side: the whole new text after each edit by the user.
    std::function<void(const QString&)> onTextEdited;

    bool didCopy() const { return m_didCopy; }
    bool isPlaceholderVisible() const;
    QString badgeText() const;

    // Made when first asked for.
    FenceNoteTextEdit* editor() const;
    bool hasEditor() const { return m_editor != nullptr; }
    LiquidGlassButton* copyButton() const { return m_copyButton; }
    LiquidGlassBadge* countBadge() const { return m_badge; }

Q_SIGNALS:
    void textEdited(const QString& text);

private:
    friend class NoteEditorBox;
    void makeEditorIfTextOverflows();
    // Where the editor lays the text out inside the box. While there is no editor the box draws
    // it so (paintText, which tells whether it all fits, as textFitsBox does without drawing).
    QRectF textArea() const;
    bool paintText(QPainter& painter) const;
    bool textFitsBox() const;
    void copy();
    void refresh();
    void documentChanged(int position, int removed, int added);
    void editorTextChanged();
    void applyText(const QString& text);

    QPointer<DesignEnvironment> m_environment;
    FenceTintPalette m_tint = FenceTintPalette::crystal;
    QString m_placeholder;
    bool m_isLocked = false;
    bool m_didCopy = false;
    bool m_applying = false;
    QString m_text;        // the note as the owner holds it, with the user's edits applied
    QString m_shownText;   // the document's raw text for it, as last seen
    QString m_emittedText; // the text last reported to or received from the owner
    std::optional<QString> m_pendingText;

    LiquidGlassBadge* m_badge;
    LiquidGlassButton* m_copyButton;
    QWidget* m_box;
    mutable FenceNoteTextEdit* m_editor = nullptr;
};

} // namespace mv
