#include "desktop/controlcenter/WorkspaceCardView.h"

#include "design/DesignFonts.h"
#include "design/GlassTextLabel.h"
#include "design/LiquidGlassBadge.h"
#include "design/LiquidGlassIconBadge.h"
#include "design/LiquidGlassTokens.h"
#include "desktop/content/PortalPlainButton.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace mv {

WorkspaceCardView::WorkspaceCardView(DesignEnvironment* environment, const QUuid& workspaceID, QWidget* parent)
    : LiquidGlassSurfaceFrame(environment, parent)
    , m_workspaceID(workspaceID)
{
    setFixedWidth(cardWidth);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(14, 14, 14, 14);
    column->setSpacing(8);

    auto* top = new QHBoxLayout();
    top->setSpacing(8);
    m_symbol = new LiquidGlassIconBadge(environment, QString(), FenceTintPalette::crystal, 30, this);
    top->addWidget(m_symbol, 0, Qt::AlignVCenter);
    top->addStretch(1);
    m_current = new LiquidGlassBadge(environment, currentBadgeText, FenceTintPalette::crystal, std::nullopt, this);
    m_current->setObjectName(QStringLiteral("currentBadge"));
    m_current->hide();
    top->addWidget(m_current, 0, Qt::AlignVCenter);
    m_trash = new PortalPlainButton(this);
    m_trash->setObjectName(QStringLiteral("deleteWorkspaceButton"));
    m_trash->setAccessibleName(QStringLiteral("删除工作区"));
    m_trash->setPadding(3, 3);
    m_trash->setCursor(Qt::PointingHandCursor);
    m_trash->hide();
    connect(m_trash, &QAbstractButton::clicked, this, [this] {
        if (onDelete)
            onDelete();
    });
    top->addWidget(m_trash, 0, Qt::AlignVCenter);
    column->addLayout(top);

    m_name = new GlassTextLabel(this);
    m_name->setObjectName(QStringLiteral("workspaceName"));
    m_name->setFont(designFont(14, QFont::DemiBold));
    column->addWidget(m_name);
    m_detail = new GlassTextLabel(this);
    m_detail->setObjectName(QStringLiteral("workspaceDetail"));
    m_detail->setFont(designFont(11));
    column->addWidget(m_detail);

    if (environment)
        connect(environment, &DesignEnvironment::changed, this, &WorkspaceCardView::refreshColors);
    refreshColors();
}

QString WorkspaceCardView::detailText(WallpaperPreset wallpaper, qsizetype fenceCount)
{
    return displayName(wallpaper) + QStringLiteral(" · ") + QString::number(fenceCount) + QStringLiteral(" 个围栏");
}

void WorkspaceCardView::setWorkspace(const WorkspaceProfile& workspace, bool isActive, qsizetype fenceCount,
                                     bool canDelete)
{
    m_isActive = isActive;
    m_symbol->setSystemName(workspace.symbolName);
    m_symbol->setTint(workspace.accentTint);
    m_current->setTint(workspace.accentTint);
    m_current->setVisible(isActive);
    m_trash->setVisible(canDelete);
    m_name->setText(workspace.name);
    m_detail->setText(detailText(workspace.wallpaperPreset, fenceCount));
    setModifier(liquidGlassSurface(workspace.accentTint, cornerRadius, 0.75, true, false, isActive));
}

bool WorkspaceCardView::hits(const QPointF& position) const
{
    return modifier().shape.path(QRectF(rect())).contains(position);
}

void WorkspaceCardView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !hits(event->position())) {
        event->ignore();
        return;
    }
    m_pressed = true;
    event->accept();
}

void WorkspaceCardView::mouseReleaseEvent(QMouseEvent* event)
{
    const bool tapped = m_pressed && event->button() == Qt::LeftButton && hits(event->position());
    m_pressed = false;
    event->accept();
    // The owner may replace everything shown; nothing of this card is touched after the call.
    if (tapped && onActivate)
        onActivate();
}

void WorkspaceCardView::keyPressEvent(QKeyEvent* event)
{
    const bool activates = event->modifiers() == Qt::NoModifier
        && (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter);
    if (!activates) {
        LiquidGlassSurfaceFrame::keyPressEvent(event);
        return;
    }
    event->accept();
    if (onActivate)
        onActivate();
}

void WorkspaceCardView::refreshColors()
{
    const ColorScheme scheme = environmentOrDefault(environment()).colorScheme();
    m_name->setColor(GlassPalette::primaryForeground(scheme));
    m_detail->setColor(GlassPalette::secondaryForeground(scheme));
    m_trash->setSymbol(QStringLiteral("trash"), 11, GlassPalette::secondaryForeground(scheme));
}

} // namespace mv
