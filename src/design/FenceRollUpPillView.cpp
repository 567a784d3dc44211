#include "design/FenceRollUpPillView.h"

#include "design/DesignFonts.h"
#include "design/GlassTextLabel.h"
#include "design/GlassTransition.h"
#include "design/LiquidGlassTokens.h"
#include "design/SymbolIcons.h"

#include <QHBoxLayout>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

namespace mv {

FencePillTabMenuButton::FencePillTabMenuButton(DesignEnvironment* environment, QWidget* parent)
    : QAbstractButton(parent)
    , m_environment(environment)
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void FencePillTabMenuButton::setBadge(const QString& text, FenceTintPalette tint)
{
    if (this->text() == text && m_tint == tint)
        return;
    setText(text);
    m_tint = tint;
    updateGeometry();
    update();
}

QSize FencePillTabMenuButton::sizeHint() const
{
    return LiquidGlassBadge::sizeFor(text(), std::nullopt).toSize().grownBy(QMargins(0, 0, 1, 0));
}

void FencePillTabMenuButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    LiquidGlassBadge::paint(painter, QRectF(rect()), text(), m_tint, std::nullopt,
                            m_environment ? m_environment->colorScheme() : ColorScheme::light);
}

FenceRollUpPillView::FenceRollUpPillView(DesignEnvironment* environment, QWidget* parent)
    : LiquidGlassSurfaceFrame(environment, parent)
{
    setFixedHeight(fixedHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 0, 12, 0);
    row->setSpacing(9);

    m_iconBadge = new LiquidGlassIconBadge(environment, QString(), FenceTintPalette::crystal, 28, this);
    m_iconBadge->setObjectName(QStringLiteral("iconBadge"));
    row->addWidget(m_iconBadge, 0, Qt::AlignVCenter);

    auto* texts = new QVBoxLayout();
    texts->setSpacing(1);
    texts->setContentsMargins(0, 0, 0, 0);
    auto* titleRow = new QHBoxLayout();
    titleRow->setSpacing(5);
    m_titleLabel = new GlassTextLabel(this);
    m_titleLabel->setObjectName(QStringLiteral("titleLabel"));
    m_titleLabel->setFont(designFont(13, QFont::DemiBold));
    titleRow->addWidget(m_titleLabel, 0, Qt::AlignVCenter);
    m_pinMark = new GlassSymbolMark(QStringLiteral("pin.fill"), 9.5, this);
    m_pinMark->setObjectName(QStringLiteral("pinMark"));
    m_pinMark->setAccessibleName(QStringLiteral("已置顶"));
    titleRow->addWidget(m_pinMark, 0, Qt::AlignVCenter);
    m_lockMark = new GlassSymbolMark(QStringLiteral("lock.fill"), 9.5, this);
    m_lockMark->setObjectName(QStringLiteral("lockMark"));
    m_lockMark->setAccessibleName(QStringLiteral("已锁定"));
    titleRow->addWidget(m_lockMark, 0, Qt::AlignVCenter);
    titleRow->addStretch(1);
    texts->addLayout(titleRow);
    m_tabLabel = new GlassTextLabel(this);
    m_tabLabel->setObjectName(QStringLiteral("activeTabLabel"));
    m_tabLabel->setFont(designFont(10, QFont::Medium));
    texts->addWidget(m_tabLabel);
    row->addLayout(texts, 0);
    // The two lines as one block in the middle of the capsule, not spread over its height.
    row->setAlignment(texts, Qt::AlignVCenter);

    row->addSpacerItem(new QSpacerItem(4, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));

    m_badge = new LiquidGlassBadge(environment, QString(), FenceTintPalette::crystal, std::nullopt, this);
    m_badge->setObjectName(QStringLiteral("badge"));
    row->addWidget(m_badge, 0, Qt::AlignVCenter);
    m_tabMenuButton = new FencePillTabMenuButton(environment, this);
    m_tabMenuButton->setObjectName(QStringLiteral("tabMenuButton"));
    row->addWidget(m_tabMenuButton, 0, Qt::AlignVCenter);
    connect(m_tabMenuButton, &QAbstractButton::clicked, this, [this] {
        QMenu* menu = createTabMenu(this);
        if (!menu)
            return;
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(m_tabMenuButton->mapToGlobal(QPoint(0, m_tabMenuButton->height())));
    });

    m_expandButton = new LiquidGlassButton(environment, this);
    m_expandButton->setObjectName(QStringLiteral("expandButton"));
    m_expandButton->setSymbolName(QStringLiteral("chevron.down"));
    m_expandButton->setSymbolFont(11, QFont::Bold);
    m_expandButton->setFixedFrame(QSize(26, 26));
    m_expandButton->setToolTip(QStringLiteral("展开围栏"));
    row->addWidget(m_expandButton, 0, Qt::AlignVCenter);
    connect(m_expandButton, &QAbstractButton::clicked, this, &FenceRollUpPillView::expand);

    m_expandTransition = new GlassTransition(this);
    connect(m_expandTransition, &GlassTransition::progressChanged, this, qOverload<>(&QWidget::update));
    if (environment)
        connect(environment, &DesignEnvironment::changed, this, &FenceRollUpPillView::refresh);
    refresh();
}

FenceRollUpPillView::~FenceRollUpPillView() = default;

void FenceRollUpPillView::setFence(const FenceModel& fence)
{
    if (m_fence == fence)
        return;
    m_fence = fence;
    refresh();
}

void FenceRollUpPillView::setOnSwitchTab(std::function<void(const QUuid&)> onSwitchTab)
{
    m_onSwitchTab = std::move(onSwitchTab);
    refresh();
}

bool FenceRollUpPillView::showsTabMenu() const
{
    return m_fence.tabs.size() > 1 && bool(m_onSwitchTab);
}

QWidget* FenceRollUpPillView::badge() const
{
    return showsTabMenu() ? static_cast<QWidget*>(m_tabMenuButton) : static_cast<QWidget*>(m_badge);
}

QMenu* FenceRollUpPillView::createTabMenu(QWidget* parent)
{
    if (!showsTabMenu())
        return nullptr;
    auto* menu = new QMenu(parent);
    const QColor iconColor = menu->palette().color(QPalette::Text);
    for (const FenceTab& tab : std::as_const(m_fence.tabs)) {
        QAction* action = menu->addAction(SymbolIcons::tintedIcon(tab.symbolName, iconColor), tab.title);
        action->setProperty("symbolName", tab.symbolName);
        const QUuid id = tab.id;
        connect(action, &QAction::triggered, this, [this, id] {
            if (m_onSwitchTab)
                m_onSwitchTab(id);
        }, Qt::QueuedConnection);
    }
    return menu;
}

void FenceRollUpPillView::refresh()
{
    const DesignEnvironment* env = environment();
    const ColorScheme scheme = env ? env->colorScheme() : ColorScheme::light;
    const FenceTintPalette tint = m_fence.style.tint;
    setModifier(liquidGlassCapsule(tint, m_fence.style.glassOpacity, true, false));

    m_iconBadge->setSystemName(m_fence.symbolName);
    m_iconBadge->setTint(tint);
    m_titleLabel->setText(m_fence.title);
    m_titleLabel->setColor(GlassPalette::primaryForeground(scheme));
    m_pinMark->setVisible(m_fence.isPinned);
    m_pinMark->setColor(swiftUIColor(tint));
    m_lockMark->setVisible(m_fence.isLocked);
    m_lockMark->setColor(GlassPalette::secondaryForeground(scheme));
    const FenceTab* active = m_fence.activeTab();
    m_tabLabel->setVisible(active != nullptr);
    m_tabLabel->setText(active ? active->title : QString());
    m_tabLabel->setColor(GlassPalette::secondaryForeground(scheme));

    const QString summary = m_fence.badgeSummary();
    const bool menu = showsTabMenu();
    m_badge->setText(summary);
    m_badge->setTint(tint);
    m_badge->setVisible(!menu);
    m_tabMenuButton->setBadge(summary, tint);
    m_tabMenuButton->setVisible(menu);
    m_expandButton->setAccessibleName(QStringLiteral("展开 ") + m_fence.title);
}

void FenceRollUpPillView::expand()
{
    const DesignEnvironment* env = environment();
    m_expandTransition->run(env ? GlassSpringPreset::adaptive(GlassSpringPreset::uiDefault(), *env)
                                : GlassSpringPreset::uiDefault());
    if (onExpand)
        onExpand();
}

void FenceRollUpPillView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        LiquidGlassSurfaceFrame::mouseDoubleClickEvent(event);
        return;
    }
    // The capsule is the hit shape: its rounded ends do not take the click.
    if (!modifier().shape.path(QRectF(rect())).contains(event->position())) {
        event->ignore();
        return;
    }
    expand();
}

void FenceRollUpPillView::paintEvent(QPaintEvent* event)
{
    LiquidGlassSurfaceFrame::paintEvent(event);
    // While expanding, the capsule glows once in its tint.
    if (m_expandTransition->isRunning()) {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillPath(modifier().shape.path(QRectF(rect())),
                         withOpacity(swiftUIColor(m_fence.style.tint), 0.18 * (1.0 - m_expandTransition->progress())));
    }
}

} // namespace mv
