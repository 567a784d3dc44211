#pragma once

#include "design/DesignEnvironment.h"

#include <QFrame>
#include <QPointer>

#include <functional>

class QComboBox;
class QLineEdit;
class QVBoxLayout;

namespace mv {

class GlassTextLabel;
class LiquidGlassPillButton;

// A creation popover of the control center: a frameless tool window on glass, opened below the
// button it belongs to, with a heading, the caller's fields and the row of "取消" and "创建". A
// tool window and not a popup, so that a file dialog opened from it does not close it. It holds
// only what the user is typing; the owner decides what creating does. Escape cancels.
class ControlCenterPopover : public QFrame {
    Q_OBJECT
public:
    static inline const QString cancelText = QStringLiteral("取消");
    static inline const QString confirmText = QStringLiteral("创建");

    ControlCenterPopover(DesignEnvironment* environment, const QString& heading, int width, QWidget* parent);

    // Opens below `anchor`, centred on it and kept on its screen, and focuses the first field.
    void showBelow(QWidget& anchor);

    LiquidGlassPillButton* cancelButton() const { return m_cancel; }
    LiquidGlassPillButton* confirmButton() const { return m_confirm; }

    std::function<void()> onCancel;
    std::function<void()> onConfirm;

protected:
    DesignEnvironment* environment() const { return m_environment; }
    QVBoxLayout* column() const { return m_column; }
    // A one-line field whose Return confirms, as the prominent button would.
    QLineEdit* addField(const QString& placeholder, QVBoxLayout* into = nullptr);
    // A labelled picker: the title on the leading edge, the choices on the trailing edge.
    QComboBox* addPicker(const QString& title);
    // The cancel and confirm row; called once the fields are in place.
    void addButtonRow();
    // Gives a field or picker the colours of the current scheme, now and on every change.
    void followScheme(QWidget* control);

    // QWidget
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void refreshColors();
    void cancel();
    void confirm();

    QPointer<DesignEnvironment> m_environment;
    QVBoxLayout* m_column;
    GlassTextLabel* m_heading;
    QList<GlassTextLabel*> m_pickerTitles;
    QList<QWidget*> m_controls;
    LiquidGlassPillButton* m_cancel = nullptr;
    LiquidGlassPillButton* m_confirm = nullptr;
};

} // namespace mv
