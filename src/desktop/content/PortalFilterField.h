#pragma once

#include "design/DesignEnvironment.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>

class QLineEdit;

namespace mv {

class ComposingLineEdit;
class GlassSymbolMark;
class PortalPlainButton;

// The portal tab's filter: a capsule holding the filter symbol, a plain text field and, while a
// filter is stored, a clear button. It shows the stored filter and reports what the user types;
// it never holds a filter of its own.
class PortalFilterField final : public QWidget {
    Q_OBJECT
public:
    static inline const QString placeholder = QStringLiteral("过滤或 /正则/");

    explicit PortalFilterField(DesignEnvironment* environment, QWidget* parent = nullptr);
    ~PortalFilterField() override;

    // The stored filter. The field takes it only when its own text differs, and not while an
    // input method is composing: then once the composition ends, if it still differs. The
    // clear button follows the stored text as it is, spaces included.
    void setFilterText(const QString& text);
    QString text() const;
    bool isComposing() const;

    // Every edit, with the field's whole text.
    std::function<void(const QString& text)> onTextEdited;
    // The clear button.
    std::function<void()> onClear;

    QLineEdit* lineEdit() const;
    PortalPlainButton* clearButton() const { return m_clearButton; }
    GlassSymbolMark* symbol() const { return m_symbol; }

protected:
    // QWidget
    void paintEvent(QPaintEvent* event) override;

private:
    ColorScheme scheme() const;
    void refreshColors();

    QPointer<DesignEnvironment> m_environment;
    GlassSymbolMark* m_symbol;
    ComposingLineEdit* m_field;
    PortalPlainButton* m_clearButton;
};

} // namespace mv
