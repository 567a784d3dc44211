#pragma once

#include <QWidget>

class QLabel;
class QListWidget;

namespace mv {

class MorvanteelAppRuntime;

// The root of the control-center window: the page list beside the page shown, both bound to
// the runtime's selected page.
class ControlCenterHostView final : public QWidget {
    Q_OBJECT

public:
    explicit ControlCenterHostView(MorvanteelAppRuntime& runtime, QWidget* parent = nullptr);

    QListWidget* pageList() const { return m_pages; }

private:
    void showSelectedPage();

    MorvanteelAppRuntime& m_runtime;
    QListWidget* m_pages;
    QLabel* m_pageTitle;
};

} // namespace mv
