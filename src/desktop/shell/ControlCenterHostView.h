#pragma once

#include <QWidget>

class QListWidget;

namespace mv {

class ControlCenterView;
class DesignEnvironment;
class MorvanteelAppRuntime;

// The root of the control-center window: the control-center view over the runtime's store and
// panel manager, bound to the runtime's selected page, so every window that hosts one shows
// the same page.
class ControlCenterHostView final : public QWidget {
    Q_OBJECT

public:
    explicit ControlCenterHostView(MorvanteelAppRuntime& runtime, QWidget* parent = nullptr);

    ControlCenterView* view() const { return m_view; }
    QListWidget* pageList() const;

private:
    DesignEnvironment* m_design;
    ControlCenterView* m_view;
};

} // namespace mv
