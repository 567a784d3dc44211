#include "desktop/controlcenter/FenceCardView.h"

#include "design/DesignFonts.h"
#include "design/GlassTextLabel.h"
#include "design/LiquidGlassBadge.h"
#include "design/LiquidGlassIconBadge.h"
#include "design/LiquidGlassPillButton.h"
#include "design/LiquidGlassTokens.h"
#include "desktop/content/PortalPlainButton.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include <utility>

namespace mv {

namespace {

LiquidGlassPillButton* makeCardButton(DesignEnvironment* environment, const QString& name, const QString& title,
                                      const QString& symbol, std::function<void()>& callback, QWidget* parent)
{
    auto* button = new LiquidGlassPillButton(environment, title, symbol, FenceTintPalette::crystal, parent);
    button->setObjectName(name);
    button->setCompact(true);
    button->action = [&callback] {
        if (callback)
            callback();
    };
    return button;
}

} // namespace

FenceCardView::FenceCardView(DesignEnvironment* environment, const QUuid& fenceID, QWidget* parent)
    : LiquidGlassSurfaceFrame(environment, parent)
    , m_fenceID(fenceID)
{
    if (environment)
        connect(environment, &DesignEnvironment::changed, this, &FenceCardView::refreshColors);
}

void FenceCardView::makeContent() const
{
    if (hasContent())
        return;
    auto* self = const_cast<FenceCardView*>(this);
    DesignEnvironment* environment = self->environment();
    auto* column = new QVBoxLayout(self);
    column->setContentsMargins(14, 14, 14, 14);
    column->setSpacing(10);

    auto* top = new QHBoxLayout();
    top->setSpacing(8);
    m_symbol = new LiquidGlassIconBadge(environment, QString(), FenceTintPalette::crystal, 30, self);
    top->addWidget(m_symbol, 0, Qt::AlignVCenter);
    auto* names = new QVBoxLayout();
    names->setSpacing(1);
    m_title = new GlassTextLabel(self);
    m_title->setObjectName(QStringLiteral("fenceTitle"));
    m_title->setFont(designFont(13.5, QFont::DemiBold));
    names->addWidget(m_title);
    m_detail = new GlassTextLabel(self);
    m_detail->setObjectName(QStringLiteral("fenceDetail"));
    m_detail->setFont(designFont(11));
    names->addWidget(m_detail);
    top->addLayout(names, 1);
    m_state = new LiquidGlassBadge(environment, stateText(false), FenceTintPalette::crystal, std::nullopt, self);
    m_state->setObjectName(QStringLiteral("stateBadge"));
    top->addWidget(m_state, 0, Qt::AlignVCenter);
    column->addLayout(top);

    auto* buttons = new QHBoxLayout();
    buttons->setSpacing(6);
    m_reveal = makeCardButton(environment, QStringLiteral("revealButton"), revealText, QStringLiteral("scope"),
                              self->onReveal, self);
    buttons->addWidget(m_reveal);
    m_collapse = makeCardButton(environment, QStringLiteral("collapseButton"), QString(), QString(),
                                self->onToggleCollapse, self);
    buttons->addWidget(m_collapse);
    m_inspect = makeCardButton(environment, QStringLiteral("inspectButton"), inspectText,
                               QStringLiteral("paintbrush"), self->onInspectAppearance, self);
    buttons->addWidget(m_inspect);
    buttons->addStretch(1);
    m_menuButton = new PortalPlainButton(self);
    m_menuButton->setObjectName(QStringLiteral("fenceMenuButton"));
    m_menuButton->setAccessibleName(QStringLiteral("更多"));
    m_menuButton->setCursor(Qt::PointingHandCursor);
    m_menuButton->setPadding(2, 2);
    connect(m_menuButton, &QAbstractButton::clicked, self, [self] {
        if (self->onShowMenu)
            self->onShowMenu();
    });
    buttons->addWidget(m_menuButton);
    column->addLayout(buttons);

    refreshParts();
    refreshColors();
    // Children made after the card was shown stay hidden until shown.
    if (isVisible()) {
        for (QWidget* part : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            part->show();
    }
}

namespace {

// A made card's sizes: every card's parts lay out alike, whatever they say, so they are
// measured once on a card of none's.
const std::pair<QSize, QSize>& madeCardSizes()
{
    static const std::pair<QSize, QSize> sizes = [] {
        const FenceCardView probe(nullptr, QUuid());
        probe.makeContent();
        return std::pair(probe.sizeHint(), probe.minimumSizeHint());
    }();
    return sizes;
}

} // namespace

QSize FenceCardView::sizeHint() const
{
    return hasContent() ? LiquidGlassSurfaceFrame::sizeHint() : madeCardSizes().first;
}

QSize FenceCardView::minimumSizeHint() const
{
    return hasContent() ? LiquidGlassSurfaceFrame::minimumSizeHint() : madeCardSizes().second;
}

void FenceCardView::paintEvent(QPaintEvent* event)
{
    LiquidGlassSurfaceFrame::paintEvent(event);
    // Shown before its owner made its parts: they follow at once.
    if (!hasContent())
        QMetaObject::invokeMethod(this, [this] { makeContent(); }, Qt::QueuedConnection);
}

QString FenceCardView::detailText(const FenceModel& fence)
{
    return displayName(fence.primaryKind()) + QStringLiteral(" · ") + QString::number(fence.tabs.size())
        + QStringLiteral(" 标签 · ") + fence.badgeSummary();
}

QString FenceCardView::stateText(bool isCollapsed)
{
    return isCollapsed ? QStringLiteral("已卷起") : QStringLiteral("已展开");
}

void FenceCardView::setFence(const FenceModel& fence, bool isSelected)
{
    m_shown = {fence.symbolName, fence.style.tint, fence.title, detailText(fence), fence.isCollapsed};
    refreshParts();
    setModifier(liquidGlassSurface(fence.style.tint, cornerRadius, 0.72, true, false, isSelected));
}

void FenceCardView::refreshParts() const
{
    if (!hasContent())
        return;
    const FenceTintPalette tint = m_shown.tint;
    m_symbol->setSystemName(m_shown.symbolName);
    m_symbol->setTint(tint);
    m_title->setText(m_shown.title);
    m_detail->setText(m_shown.detail);
    m_state->setText(stateText(m_shown.isCollapsed));
    m_state->setTint(tint);
    m_reveal->setTint(tint);
    m_collapse->setTitle(m_shown.isCollapsed ? QStringLiteral("展开") : QStringLiteral("卷起"));
    m_collapse->setSystemImage(m_shown.isCollapsed ? QStringLiteral("chevron.down") : QStringLiteral("chevron.up"));
}

void FenceCardView::refreshColors() const
{
    if (!hasContent())
        return;
    const ColorScheme scheme = environmentOrDefault(environment()).colorScheme();
    m_title->setColor(GlassPalette::primaryForeground(scheme));
    m_detail->setColor(GlassPalette::secondaryForeground(scheme));
    m_menuButton->setSymbol(QStringLiteral("ellipsis.circle"), 14, GlassPalette::primaryForeground(scheme));
}

} // namespace mv
