#pragma once

#include "platform/gui/BackgroundWindowMove.h"

#include <QPointer>
#include <QWidget>

#include <functional>

namespace mv {

class DesignEnvironment;

// The floating window of the preview: frameless, above ordinary windows, on every workspace,
// out of the task bar. It takes the keyboard focus when shown (it can become key) but is never
// the application's main window. Space and Escape anywhere in it call onDismissKey; they are
// swallowed while it is unset. A press on its background moves it; the corner grip resizes it.
class QuickLookHUDPanel final : public QWidget {
    Q_OBJECT

public:
    static constexpr int cornerRadius = 20;

    explicit QuickLookHUDPanel(DesignEnvironment* environment);
    ~QuickLookHUDPanel() override;

    std::function<void()> onDismissKey;
    // The window's own close (the window manager's close, Alt+F4): the panel orders out at
    // once, without a fade.
    std::function<void()> onWindowWillClose;

    void setHeader(QWidget* header);
    void setPreviewArea(QWidget* previewArea);

protected:
    // QObject
    bool eventFilter(QObject* watched, QEvent* event) override;
    // QWidget
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void layOutChildren();

    QPointer<DesignEnvironment> m_environment;
    QWidget* m_header = nullptr;
    QWidget* m_previewArea = nullptr;
    QWidget* m_sizeGrip = nullptr;
    platform::BackgroundWindowMove m_backgroundMove;
};

} // namespace mv
