#include "desktop/controlcenter/CompanionDeviceScreen.h"

#include "core/store/MorvanteelStore.h"
#include "design/LiquidGlassBadge.h"
#include "design/LiquidGlassShapeKind.h"
#include "design/LiquidGlassTokens.h"
#include "design/LiquidGlassWallpaperBackdrop.h"
#include "desktop/controlcenter/CompanionBentoGrid.h"
#include "desktop/controlcenter/CompanionFenceCard.h"
#include "desktop/controlcenter/CompanionSpatialCanvas.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace mv {

namespace {

// The phone's capsule at the top of the screen: black at 0.85.
class TopCapsule final : public QWidget {
public:
    explicit TopCapsule(const QSizeF& size, QWidget* parent)
        : QWidget(parent)
    {
        setObjectName(QStringLiteral("topCapsule"));
        setFixedSize(size.toSize());
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillPath(LiquidGlassShapeKind::capsule().path(QRectF(rect())), withOpacity(Qt::black, 0.85));
    }
};

// A scroll bar drawn as its thumb alone: a slim translucent capsule.
class ScrollIndicator final : public QScrollBar {
public:
    ScrollIndicator(Qt::Orientation orientation, QWidget* parent)
        : QScrollBar(orientation, parent)
    {
    }

    QSize sizeHint() const override
    {
        const QSize hint = QScrollBar::sizeHint();
        return orientation() == Qt::Vertical ? QSize(thickness, hint.height()) : QSize(hint.width(), thickness);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QStyleOptionSlider option;
        initStyleOption(&option);
        const QRectF thumb = QRectF(style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this))
                                 .adjusted(2, 2, -2, -2);
        if (thumb.isEmpty())
            return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QPainterPath path = LiquidGlassShapeKind::capsule().path(thumb);
        painter.fillPath(path, withOpacity(Qt::white, 0.55));
        painter.setPen(QPen(withOpacity(Qt::black, 0.18), 0.5));
        painter.drawPath(path);
    }

private:
    static constexpr int thickness = 8;
};

// A scroll area that lets the wallpaper show through.
QScrollArea* clearScrollArea(QWidget* content, Qt::ScrollBarPolicy horizontal, QWidget* parent)
{
    auto* area = new QScrollArea(parent);
    area->setFrameShape(QFrame::NoFrame);
    area->setHorizontalScrollBarPolicy(horizontal);
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    area->viewport()->setAutoFillBackground(false);
    QPalette palette = area->palette();
    palette.setColor(QPalette::Window, Qt::transparent);
    palette.setColor(QPalette::Base, Qt::transparent);
    area->setPalette(palette);
    // Indicators over the wallpaper, as a phone shows them, not the window's light grooves.
    area->setHorizontalScrollBar(new ScrollIndicator(Qt::Horizontal, area));
    area->setVerticalScrollBar(new ScrollIndicator(Qt::Vertical, area));
    area->setWidget(content);
    content->setAutoFillBackground(false);
    return area;
}

// The tab a portal card lists: the tab's own settings, without its manual order, which the
// preview does not follow.
FenceTab previewListing(const FenceTab& tab)
{
    FenceTab listed = tab;
    listed.manualOrder.clear();
    return listed;
}

} // namespace

CompanionDeviceScreen::CompanionDeviceScreen(MorvanteelStore& store, DesignEnvironment* environment, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_environment(environment)
{
    setObjectName(QStringLiteral("companionDeviceScreen"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(12);

    auto* status = new QHBoxLayout();
    status->setContentsMargins(18, 14, 18, 0);
    m_workspaceBadge = new LiquidGlassBadge(environment, fallbackWorkspaceName, fallbackWorkspaceTint, std::nullopt, this);
    m_workspaceBadge->setObjectName(QStringLiteral("workspaceBadge"));
    status->addWidget(m_workspaceBadge);
    status->addStretch(1);
    m_topCapsule = new TopCapsule(*companionDeviceMetrics(CompanionDeviceKind::iPhone).topCapsule, this);
    status->addWidget(m_topCapsule);
    // The capsule sits between two spacers; without it the one spacer remains.
    m_capsuleSpacer = new QWidget(this);
    m_capsuleSpacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_capsuleSpacer->setFixedHeight(1);
    status->addWidget(m_capsuleSpacer, 1);
    m_fenceCountBadge = new LiquidGlassBadge(environment, QString(), FenceTintPalette::crystal, std::nullopt, this);
    m_fenceCountBadge->setObjectName(QStringLiteral("fenceCountBadge"));
    status->addWidget(m_fenceCountBadge);
    column->addLayout(status);

    m_bentoGrid = new CompanionBentoGrid();
    m_bentoScroll = clearScrollArea(m_bentoGrid, Qt::ScrollBarAlwaysOff, this);
    m_bentoScroll->setObjectName(QStringLiteral("bentoScrollArea"));
    m_bentoScroll->setWidgetResizable(true);
    column->addWidget(m_bentoScroll, 1);

    m_canvas = new CompanionSpatialCanvas();
    m_canvasScroll = clearScrollArea(m_canvas, Qt::ScrollBarAsNeeded, this);
    m_canvasScroll->setObjectName(QStringLiteral("canvasScrollArea"));
    m_canvasScroll->setWidgetResizable(false);
    column->addWidget(m_canvasScroll, 1);
    m_canvas->onDrop = [this](const QUuid& fenceID, const QPointF& translation) { dropCard(fenceID, translation); };

    m_portalRecheck = new QTimer(this);
    m_portalRecheck->setInterval(portalRecheckMs);
    connect(m_portalRecheck, &QTimer::timeout, this, &CompanionDeviceScreen::recheckPortals);

    connect(&m_store, &MorvanteelStore::workspacesChanged, this, &CompanionDeviceScreen::refreshWorkspace);
    connect(&m_store, &MorvanteelStore::activeWorkspaceIDChanged, this, &CompanionDeviceScreen::refreshWorkspace);
    connect(&m_store, &MorvanteelStore::workspacesChanged, this, &CompanionDeviceScreen::refreshFences);
    connect(&m_store, &MorvanteelStore::activeWorkspaceIDChanged, this, &CompanionDeviceScreen::refreshFences);
    connect(&m_store, &MorvanteelStore::fencesChanged, this, &CompanionDeviceScreen::refreshFences);
    connect(&m_store, &MorvanteelStore::preferencesChanged, this, &CompanionDeviceScreen::refreshLayout);
    if (m_environment)
        connect(m_environment, &DesignEnvironment::changed, this, qOverload<>(&QWidget::update));

    setDevice(CompanionDeviceKind::iPhone);
    refreshWorkspace();
    refreshFences();
    refreshLayout();
}

CompanionDeviceScreen::~CompanionDeviceScreen() = default;

void CompanionDeviceScreen::setDevice(CompanionDeviceKind device)
{
    const CompanionDeviceMetrics metrics = companionDeviceMetrics(device);
    m_device = device;
    setFixedSize(metrics.screen.toSize());
    m_topCapsule->setVisible(metrics.topCapsule.has_value());
    m_capsuleSpacer->setVisible(metrics.topCapsule.has_value());
    m_bentoGrid->setColumnCount(metrics.gridColumns);
}

void CompanionDeviceScreen::refreshWorkspace()
{
    const std::optional<WorkspaceProfile> workspace = m_store.activeWorkspace();
    if (workspace) {
        m_workspaceBadge->setText(workspace->name);
        m_workspaceBadge->setTint(workspace->accentTint);
        m_workspaceBadge->setSystemImage(workspace->symbolName);
    } else {
        m_workspaceBadge->setText(fallbackWorkspaceName);
        m_workspaceBadge->setTint(fallbackWorkspaceTint);
        m_workspaceBadge->setSystemImage(std::nullopt);
    }
    const WallpaperPreset wallpaper = workspace ? workspace->wallpaperPreset : fallbackWallpaper;
    if (m_wallpaper != wallpaper) {
        m_wallpaper = wallpaper;
        update();
    }
}

void CompanionDeviceScreen::refreshFences()
{
    const QList<FenceModel> fences = m_store.activeFences();
    m_fenceCountBadge->setText(QString::number(fences.size()) + QStringLiteral(" 围栏"));

    // Cards of fences no longer shown go; the drag or click that removed one may still be
    // running inside it, so it is hidden now and deleted later.
    for (auto it = m_cards.begin(); it != m_cards.end();) {
        const QUuid id = it.key();
        if (std::any_of(fences.cbegin(), fences.cend(), [&id](const FenceModel& f) { return f.id == id; })) {
            ++it;
            continue;
        }
        it.value()->hide();
        it.value()->deleteLater();
        it = m_cards.erase(it);
    }

    m_shownHeads = portalHeads(fences);
    for (const FenceModel& fence : fences) {
        CompanionFenceCard* card = m_cards.value(fence.id);
        if (!card) {
            card = new CompanionFenceCard(m_store, fence.id, m_environment, this);
            card->hide();
            m_cards.insert(fence.id, card);
        }
        card->refresh(fence, m_shownHeads.value(fence.id));
    }
    placeCards();
}

QHash<QUuid, PortalScanResult> CompanionDeviceScreen::portalHeads(const QList<FenceModel>& fences) const
{
    // Every portal card's head in one reading: unchanged folders are not read again.
    QList<QUuid> ids;
    QList<FenceTab> tabs;
    for (const FenceModel& fence : fences) {
        const FenceTab* tab = fence.activeTab();
        if (tab && tab->kind == FenceKind::portal) {
            ids.append(fence.id);
            tabs.append(previewListing(*tab));
        }
    }
    const QList<PortalScanResult> heads = m_store.portalHeads(tabs, CompanionFenceCard::previewEntryLimit);
    QHash<QUuid, PortalScanResult> byFence;
    for (qsizetype i = 0; i < ids.size() && i < heads.size(); ++i)
        byFence.insert(ids.at(i), heads.at(i));
    return byFence;
}

void CompanionDeviceScreen::recheckPortals()
{
    const QList<FenceModel> fences = m_store.activeFences();
    const QHash<QUuid, PortalScanResult> heads = portalHeads(fences);
    if (heads == m_shownHeads)
        return;
    m_shownHeads = heads;
    for (const FenceModel& fence : fences) {
        if (CompanionFenceCard* card = m_cards.value(fence.id); card && heads.contains(fence.id))
            card->refresh(fence, heads.value(fence.id));
    }
}

void CompanionDeviceScreen::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    recheckPortals();
    m_portalRecheck->start();
}

void CompanionDeviceScreen::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_portalRecheck->stop();
}

void CompanionDeviceScreen::refreshLayout()
{
    const iOSLayoutMode layout = m_store.preferences().preferrediOSLayout;
    const bool changed = m_layout != layout;
    m_layout = layout;
    m_bentoScroll->setVisible(layout == iOSLayoutMode::bentoGrid);
    m_canvasScroll->setVisible(layout == iOSLayoutMode::spatialCanvas);
    if (changed)
        placeCards();
}

void CompanionDeviceScreen::placeCards()
{
    const QList<FenceModel> fences = m_store.activeFences();
    if (m_layout == iOSLayoutMode::bentoGrid)
        m_bentoGrid->placeCards(fences, m_cards);
    else
        m_canvas->placeCards(fences, m_cards);
}

void CompanionDeviceScreen::dropCard(const QUuid& fenceID, const QPointF& translation)
{
    // Read now, not as drawn: a move made on the desktop meanwhile is kept.
    const std::optional<FenceModel> fence = m_store.fence(fenceID);
    if (!fence)
        return;
    FenceFrameRect frame = fence->canvasFrame;
    frame.x = std::max(frame.x + translation.x(), dropMinimum);
    frame.y = std::max(frame.y + translation.y(), dropMinimum);
    m_store.updateCanvasFrame(fenceID, frame);
}

void CompanionDeviceScreen::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    LiquidGlassWallpaperBackdrop::paint(painter, QRectF(rect()), m_wallpaper,
                                        environmentOrDefault(m_environment).colorScheme());
}

} // namespace mv
