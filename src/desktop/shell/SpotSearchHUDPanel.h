#pragma once

#include "platform/gui/BackgroundWindowMove.h"

#include <QPointer>
#include <QWidget>

#include <functional>

namespace mv {

namespace platform {
class WindowGlass;
}

// The floating window of SpotSearch: borderless and see-through around its glass content,
// above ordinary windows on every workspace, out of the task bar and pager. It takes the
// keyboard when shown (it becomes the active window) but is a tool window, never the
// program's main window. A press on its background moves it.
class SpotSearchHUDPanel final : public QWidget {
    Q_OBJECT

public:
    static constexpr int panelWidth = 640;
    static constexpr int panelHeight = 430;

    SpotSearchHUDPanel();
    ~SpotSearchHUDPanel() override;

    // Escape that reaches the window itself; nothing else happens on it.
    std::function<void()> onEscapePressed;

    // The view that fills the panel; the panel takes it as its child.
    QWidget* contentView() const { return m_contentView; }
    void setContentView(QWidget* view);

Q_SIGNALS:
    // The panel stopped being the active window.
    void resignedKey();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void updateGlassOutline();

    QPointer<QWidget> m_contentView;
    platform::WindowGlass* m_glass = nullptr;
    platform::BackgroundWindowMove m_backgroundMove;
};

} // namespace mv
