#include "design/ComposingLineEdit.h"

#include <QInputMethodEvent>
#include <QPointer>

#include <utility>

namespace mv {

void ComposingLineEdit::setStoredText(const QString& text)
{
    if (m_composing) {
        m_pendingText = text;
        return;
    }
    m_pendingText.reset();
    if (this->text() != text)
        setText(text);
}

void ComposingLineEdit::inputMethodEvent(QInputMethodEvent* event)
{
    const QPointer<ComposingLineEdit> self(this);
    // A commit inside this call reports its edit while still counted as composing, so the
    // store's answer to it waits for the end of the composition like any other.
    QLineEdit::inputMethodEvent(event);
    if (!self)
        return;
    const bool composing = !event->preeditString().isEmpty();
    const bool ended = m_composing && !composing;
    m_composing = composing;
    if (ended)
        compositionEnded();
}

void ComposingLineEdit::focusOutEvent(QFocusEvent* event)
{
    // Leaving the field ends any composition in it.
    QLineEdit::focusOutEvent(event);
    if (m_composing) {
        m_composing = false;
        compositionEnded();
    }
}

void ComposingLineEdit::compositionEnded()
{
    const QPointer<ComposingLineEdit> self(this);
    if (m_pendingText)
        setStoredText(*std::exchange(m_pendingText, std::nullopt));
    if (self && onCompositionEnded)
        onCompositionEnded();
}

} // namespace mv
