#pragma once

#include "desktop/content/FencePanelContent.h"

#include <QPointer>

namespace mv {

class DesignEnvironment;
class FenceHeaderView;
class LiquidGlassSurfaceFrame;
class MorvanteelStore;

// A fence's glass surface with its header (title, symbol, summary badge, pin and lock marks and
// the roll-up control), kept in step with the store by fence id.
class FenceOverviewContent final : public FencePanelContent {
    Q_OBJECT

public:
    FenceOverviewContent(MorvanteelStore& store, const QUuid& fenceID, Callbacks callbacks,
                         DesignEnvironment* environment, QWidget* parent = nullptr);

    void setHoverUnrolled(bool unrolled) override;
    bool isHoverUnrolled() const { return m_isHoverUnrolled; }
    FenceHeaderView* header() const { return m_header; }

private:
    void refresh();

    MorvanteelStore& m_store;
    QUuid m_fenceID;
    Callbacks m_callbacks;
    bool m_isHoverUnrolled = false;
    LiquidGlassSurfaceFrame* m_surface;
    FenceHeaderView* m_header;
};

} // namespace mv
