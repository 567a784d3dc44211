#pragma once

#include "core/models/FenceModels.h"
#include "design/LiquidGlassSurfaceFrame.h"

#include <QUuid>

#include <functional>

namespace mv {

class GlassTextLabel;
class LiquidGlassBadge;
class LiquidGlassIconBadge;
class PortalPlainButton;

// The card of one workspace in the strip: its symbol, "当前" while it is the active one, a
// trash button while it may be deleted, its name and a line with its wallpaper and fence count.
// It shows what it is given; a click anywhere on it outside the trash button (or Space and
// Return) asks to activate the workspace.
class WorkspaceCardView final : public LiquidGlassSurfaceFrame {
    Q_OBJECT
public:
    static constexpr int cardWidth = 215;
    static constexpr double cornerRadius = 18;
    static inline const QString currentBadgeText = QStringLiteral("当前");

    WorkspaceCardView(DesignEnvironment* environment, const QUuid& workspaceID, QWidget* parent = nullptr);

    const QUuid& workspaceID() const { return m_workspaceID; }
    // Updates what differs from what is shown.
    void setWorkspace(const WorkspaceProfile& workspace, bool isActive, qsizetype fenceCount, bool canDelete);
    bool isActive() const { return m_isActive; }

    // The line under the name: the wallpaper's name and the number of fences.
    static QString detailText(WallpaperPreset wallpaper, qsizetype fenceCount);

    LiquidGlassIconBadge* symbolBadge() const { return m_symbol; }
    LiquidGlassBadge* currentBadge() const { return m_current; }
    PortalPlainButton* trashButton() const { return m_trash; }
    GlassTextLabel* nameLabel() const { return m_name; }
    GlassTextLabel* detailLabel() const { return m_detail; }

    std::function<void()> onActivate;
    std::function<void()> onDelete;

protected:
    // QWidget
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool hits(const QPointF& position) const;
    void refreshColors();

    QUuid m_workspaceID;
    bool m_isActive = false;
    bool m_pressed = false;
    LiquidGlassIconBadge* m_symbol;
    LiquidGlassBadge* m_current;
    PortalPlainButton* m_trash;
    GlassTextLabel* m_name;
    GlassTextLabel* m_detail;
};

} // namespace mv
