#pragma once

#include <QLineEdit>

#include <functional>
#include <optional>

namespace mv {

// A text field that knows when an input method is composing (QLineEdit does not say) and that
// takes a stored text only when it differs from its own and no composition runs: a text set
// during one waits until it ends, and is then taken if it still differs. So a field that shows
// a stored value keeps its cursor, selection and composition when the store answers an edit.
class ComposingLineEdit final : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;

    bool isComposing() const { return m_composing; }
    void setStoredText(const QString& text);

    // After a composition ended (committed, cancelled or left with the focus).
    std::function<void()> onCompositionEnded;

protected:
    // QWidget
    void inputMethodEvent(QInputMethodEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void compositionEnded();

    bool m_composing = false;
    std::optional<QString> m_pendingText;
};

} // namespace mv
