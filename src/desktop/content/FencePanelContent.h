#pragma once

#include "desktop/controlcenter/ControlCenterTab.h"

#include <QUuid>
#include <QWidget>

#include <functional>
#include <optional>

namespace mv {

class PortalBrowser;

// What a fence panel hosts: the content of one fence, which follows the store by itself. The
// panel manager tells it only whether a rolled-up fence is shown unrolled under the pointer,
// and asks its portal browsing for the entry that Space previews.
class FencePanelContent : public QWidget {
    Q_OBJECT

public:
    // The roads from a fence's content to the panel manager.
    struct Callbacks {
        std::function<void(const QUuid& fenceID)> onToggleCollapse;
        std::function<void(std::optional<ControlCenterTab> tab)> onOpenControlCenter;
        std::function<void()> onOpenSpotSearch;
    };

    using QWidget::QWidget;

    virtual void setHoverUnrolled(bool unrolled) = 0;
    // The browsing of the fence's portal tab; none for content that browses no folder.
    virtual PortalBrowser* portalBrowser() const { return nullptr; }
};

} // namespace mv
