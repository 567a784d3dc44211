#include "desktop/content/FenceOverviewContent.h"

#include "core/store/MorvanteelStore.h"
#include "design/FenceHeaderView.h"
#include "design/LiquidGlassSurfaces.h"

#include <QVBoxLayout>

namespace mv {

FenceOverviewContent::FenceOverviewContent(MorvanteelStore& store, const QUuid& fenceID, Callbacks callbacks,
                                           DesignEnvironment* environment, QWidget* parent)
    : FencePanelContent(parent)
    , m_store(store)
    , m_fenceID(fenceID)
    , m_callbacks(std::move(callbacks))
    , m_surface(new LiquidGlassSurfaceFrame(environment, this))
    , m_header(new FenceHeaderView(environment, m_surface))
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(m_surface);
    auto* inner = new QVBoxLayout(m_surface);
    inner->setContentsMargins(0, 0, 0, 0);
    inner->addWidget(m_header);
    inner->addStretch(1);

    m_header->onToggleCollapse = [this] {
        if (m_callbacks.onToggleCollapse)
            m_callbacks.onToggleCollapse(m_fenceID);
    };
    connect(&m_store, &MorvanteelStore::fencesChanged, this, &FenceOverviewContent::refresh);
    refresh();
}

void FenceOverviewContent::setHoverUnrolled(bool unrolled)
{
    if (m_isHoverUnrolled == unrolled)
        return;
    m_isHoverUnrolled = unrolled;
    refresh();
}

void FenceOverviewContent::refresh()
{
    const auto fence = m_store.fence(m_fenceID);
    if (!fence)
        return; // the panel goes with the next synchronisation
    m_header->setTitle(fence->title);
    m_header->setSymbolName(fence->symbolName);
    m_header->setBadgeSummary(fence->badgeSummary());
    m_header->setTint(fence->style.tint);
    m_header->setCollapsed(fence->isCollapsed && !m_isHoverUnrolled);
    m_header->setPinned(fence->isPinned);
    m_header->setLocked(fence->isLocked);
    m_surface->setModifier(liquidGlassSurface(fence->style.tint, fence->style.cornerRadius, fence->style.glassOpacity,
                                              false, fence->isCollapsed && !m_isHoverUnrolled, false));
}

} // namespace mv
