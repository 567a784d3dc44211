#include "desktop/shell/ControlCenterHostView.h"

#include "design/DesignEnvironment.h"
#include "desktop/controlcenter/ControlCenterPages.h"
#include "desktop/controlcenter/ControlCenterView.h"
#include "desktop/shell/MorvanteelAppRuntime.h"

#include <QPointer>

#include <QVBoxLayout>

namespace mv {

ControlCenterHostView::ControlCenterHostView(MorvanteelAppRuntime& runtime, QWidget* parent)
    : QWidget(parent)
    , m_design(new DesignEnvironment(this))
{
    m_design->readFromDesktop();
    const QPointer<MorvanteelAppRuntime> owner(&runtime);
    const auto openSpotSearch = [owner] {
        if (owner)
            owner->showSpotSearch();
    };
    m_view = new ControlCenterView(runtime.store(), runtime.panelManager(),
                                   bindControlCenterTab(&runtime, &MorvanteelAppRuntime::controlCenterTab,
                                                        &MorvanteelAppRuntime::setControlCenterTab,
                                                        &MorvanteelAppRuntime::controlCenterTabChanged),
                                   openSpotSearch, m_design, &makeControlCenterPage, this);
    m_view->onQuit = [owner] {
        if (owner)
            owner->quit();
    };
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
}

QListWidget* ControlCenterHostView::pageList() const
{
    return m_view->pageList();
}

} // namespace mv
