#pragma once

#include "core/engine/PortalTypes.h"
#include "core/models/FenceModels.h"
#include "desktop/controlcenter/CompanionDeviceKind.h"

#include <QHash>
#include <QPointer>
#include <QUuid>
#include <QWidget>

class QScrollArea;
class QTimer;

namespace mv {

class CompanionBentoGrid;
class CompanionFenceCard;
class CompanionSpatialCanvas;
class DesignEnvironment;
class LiquidGlassBadge;
class MorvanteelStore;

// The screen of the simulated device, at its logical size: the active workspace's wallpaper,
// the status row (workspace badge, the phone's top capsule, the fence count) and the active
// workspace's fences as live cards, in the flowing grid or on the free canvas as the store's
// preferred layout says. It follows the store's signals and updates the cards in place by id.
class CompanionDeviceScreen final : public QWidget {
    Q_OBJECT

public:
    // Without an active workspace.
    static inline const QString fallbackWorkspaceName = QStringLiteral("工作区");
    static constexpr FenceTintPalette fallbackWorkspaceTint = FenceTintPalette::cerulean;
    static constexpr WallpaperPreset fallbackWallpaper = WallpaperPreset::tahoeAurora;
    // What a drop may bring a card no closer to the canvas origin than.
    static constexpr double dropMinimum = 8;
    // How often, while shown, the portal cards look for changes of their folders that came by
    // no store change (a file saved by another program). A folder that did not change is not
    // read again (see MorvanteelStore::portalHeads).
    static constexpr int portalRecheckMs = 1000;

    CompanionDeviceScreen(MorvanteelStore& store, DesignEnvironment* environment, QWidget* parent = nullptr);
    ~CompanionDeviceScreen() override;

    void setDevice(CompanionDeviceKind device);
    CompanionDeviceKind device() const { return m_device; }
    WallpaperPreset wallpaper() const { return m_wallpaper; }
    iOSLayoutMode shownLayout() const { return m_layout; }

    LiquidGlassBadge* workspaceBadge() const { return m_workspaceBadge; }
    LiquidGlassBadge* fenceCountBadge() const { return m_fenceCountBadge; }
    QWidget* topCapsule() const { return m_topCapsule; }
    QScrollArea* bentoScrollArea() const { return m_bentoScroll; }
    QScrollArea* canvasScrollArea() const { return m_canvasScroll; }
    CompanionBentoGrid* bentoGrid() const { return m_bentoGrid; }
    CompanionSpatialCanvas* canvas() const { return m_canvas; }
    CompanionFenceCard* card(const QUuid& fenceID) const { return m_cards.value(fenceID); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void refreshWorkspace();
    void refreshFences();
    // The heads of the active tabs that are portals, by fence id, in one reading.
    QHash<QUuid, PortalScanResult> portalHeads(const QList<FenceModel>& fences) const;
    void recheckPortals();
    void refreshLayout();
    void placeCards();
    // A card let go on the canvas: the fence as the store holds it now, moved by `translation`.
    void dropCard(const QUuid& fenceID, const QPointF& translation);

    MorvanteelStore& m_store;
    QPointer<DesignEnvironment> m_environment;
    CompanionDeviceKind m_device = CompanionDeviceKind::iPhone;
    WallpaperPreset m_wallpaper = fallbackWallpaper;
    iOSLayoutMode m_layout = iOSLayoutMode::bentoGrid;

    LiquidGlassBadge* m_workspaceBadge;
    QWidget* m_topCapsule;
    QWidget* m_capsuleSpacer;
    LiquidGlassBadge* m_fenceCountBadge;
    QScrollArea* m_bentoScroll;
    CompanionBentoGrid* m_bentoGrid;
    QScrollArea* m_canvasScroll;
    CompanionSpatialCanvas* m_canvas;
    QHash<QUuid, CompanionFenceCard*> m_cards;
    QHash<QUuid, PortalScanResult> m_shownHeads;
    QTimer* m_portalRecheck;
};

} // namespace mv
