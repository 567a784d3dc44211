#pragma once

#include "desktop/controlcenter/ControlCenterTab.h"

#include <QUrl>
#include <QUuid>
#include <QWidget>

#include <functional>
#include <optional>

namespace mv {

// What a fence panel hosts: the content of one fence, which follows the store by itself. The
// panel manager tells it only whether a rolled-up fence is shown unrolled under the pointer.
class FencePanelContent : public QWidget {
    Q_OBJECT

public:
    // The roads from a fence's content to the panel manager.
    struct Callbacks {
        std::function<void(const QUuid& fenceID)> onToggleCollapse;
        std::function<void(const std::optional<QUrl>& url)> onSelectedPortalURLChanged;
        std::function<void(std::optional<ControlCenterTab> tab)> onOpenControlCenter;
        std::function<void()> onOpenSpotSearch;
    };

    using QWidget::QWidget;

    virtual void setHoverUnrolled(bool unrolled) = 0;
};

} // namespace mv
