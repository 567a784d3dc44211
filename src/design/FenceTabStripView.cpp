#include "design/FenceTabStripView.h"

#include "design/DesignFonts.h"
#include "design/GlassTransition.h"
#include "design/LiquidGlassButton.h"
#include "design/LiquidGlassShapeKind.h"
#include "design/LiquidGlassTokens.h"
#include "design/SymbolIcons.h"

#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QMenu>
#include <QPainter>
#include <QResizeEvent>
#include <QWheelEvent>

namespace mv {

namespace {

constexpr qreal symbolFontSize = 10.5;
constexpr qreal titleFontSize = 11.5;

QFont titleFont(bool active)
{
    return designFont(titleFontSize, active ? QFont::DemiBold : QFont::Medium);
}

// Paints the active tab's surface at `rect`.
void paintActiveSurface(QPainter& painter, const QRectF& rect, FenceTintPalette tint,
                        const DesignEnvironment& environment, qreal opacity)
{
    if (rect.isEmpty() || opacity <= 0)
        return;
    painter.save();
    painter.setOpacity(opacity);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath capsule = LiquidGlassShapeKind::capsule().path(rect);
    const QColor tintColor = swiftUIColor(tint);
    if (environment.reduceTransparency()) {
        painter.fillPath(capsule, withOpacity(tintColor, 0.26));
        painter.setPen(QPen(withOpacity(tintColor, 0.55), 0.9));
        painter.drawPath(LiquidGlassShapeKind::capsule().path(rect.adjusted(0.45, 0.45, -0.45, -0.45)));
    } else {
        painter.fillPath(capsule, GlassPalette::regularGlassBase(environment.colorScheme()));
        painter.fillPath(capsule, withOpacity(tintColor, 0.32));
        QLinearGradient sheen(rect.topLeft(), rect.bottomLeft());
        sheen.setColorAt(0, withOpacity(Qt::white, 0.14));
        sheen.setColorAt(0.5, withOpacity(Qt::white, 0));
        painter.fillPath(capsule, sheen);
        painter.setPen(QPen(withOpacity(Qt::white, environment.isDark() ? 0.20 : 0.45), 0.75));
        painter.drawPath(LiquidGlassShapeKind::capsule().path(rect.adjusted(0.375, 0.375, -0.375, -0.375)));
    }
    painter.restore();
}

QRectF lerp(const QRectF& from, const QRectF& to, qreal t)
{
    const auto mix = [t](qreal a, qreal b) { return a + (b - a) * t; };
    return QRectF(mix(from.x(), to.x()), mix(from.y(), to.y()), mix(from.width(), to.width()),
                  mix(from.height(), to.height()));
}

} // namespace

// The sliding row; paints the active tab's glass, sliding with the selection spring or
// crossfading when motion is reduced.
class FenceTabStripContent final : public QWidget {
public:
    explicit FenceTabStripContent(FenceTabStripView* strip)
        : QWidget(strip)
        , m_strip(strip)
    {
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const DesignEnvironment& environment = environmentOrDefault(m_strip->environment());
        const QRectF target = m_strip->activeRect();
        const GlassTransition& transition = *m_strip->m_selectionTransition;
        const qreal progress = transition.progress();
        const QRectF from = m_strip->m_highlightFrom;
        if (progress >= 1.0 || from.isEmpty() || from == target) {
            paintActiveSurface(painter, target, m_strip->m_tint, environment, 1.0);
        } else if (transition.lastKind() == GlassAnimationKind::reducedCrossfade) {
            paintActiveSurface(painter, from, m_strip->m_tint, environment, 1.0 - progress);
            paintActiveSurface(painter, target, m_strip->m_tint, environment, progress);
        } else if (!target.isEmpty()) {
            paintActiveSurface(painter, lerp(from, target, progress), m_strip->m_tint, environment, 1.0);
        }
    }

private:
    FenceTabStripView* m_strip;
};

FenceTabCapsule::FenceTabCapsule(FenceTabStripView* strip, QUuid tabID, QWidget* parent)
    : QAbstractButton(parent)
    , m_strip(strip)
    , m_tabID(tabID)
{
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
}

void FenceTabCapsule::setTab(const FenceTab& tab)
{
    bool changed = false;
    if (text() != tab.title) {
        setText(tab.title); // the visible title is also the accessible name
        changed = true;
    }
    if (m_symbolName != tab.symbolName) {
        m_symbolName = tab.symbolName;
        changed = true;
    }
    if (changed) {
        updateGeometry();
        update();
    }
}

void FenceTabCapsule::setActive(bool active)
{
    if (m_active == active)
        return;
    m_active = active;
    updateGeometry();
    update();
}

QSize FenceTabCapsule::sizeHint() const
{
    const QFontMetricsF metrics(titleFont(m_active));
    const qreal symbol = SymbolIcons::sideForFontSize(symbolFontSize);
    const qreal width = symbol + 5 + metrics.horizontalAdvance(text());
    const qreal height = std::max(symbol, metrics.height());
    return QSize(int(std::ceil(width + 20)), int(std::ceil(height + 10)));
}

void FenceTabCapsule::paintEvent(QPaintEvent*)
{
    const DesignEnvironment& environment = environmentOrDefault(m_strip->environment());
    const ColorScheme scheme = environment.colorScheme();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds(rect());
    if (!m_active)
        painter.fillPath(LiquidGlassShapeKind::capsule().path(bounds), withOpacity(GlassPalette::primary(scheme), 0.06));
    if (isDown())
        painter.fillPath(LiquidGlassShapeKind::capsule().path(bounds), withOpacity(GlassPalette::primary(scheme), 0.06));

    const QColor foreground = m_active ? GlassPalette::primaryForeground(scheme) : GlassPalette::secondaryForeground(scheme);
    const qreal symbol = SymbolIcons::sideForFontSize(symbolFontSize);
    const QRectF content = bounds.adjusted(10, 5, -10, -5);
    SymbolIcons::paint(painter, QRectF(content.left(), bounds.top(), symbol, bounds.height()), m_symbolName, symbol,
                       foreground);
    const QFont font = titleFont(m_active);
    painter.setFont(font);
    painter.setPen(foreground);
    const QRectF textRect(content.left() + symbol + 5, bounds.top(), std::max<qreal>(0, content.width() - symbol - 5) + 1,
                          bounds.height());
    painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft,
                     QFontMetricsF(font).elidedText(text(), Qt::ElideRight, textRect.width()));
}

void FenceTabCapsule::focusInEvent(QFocusEvent* event)
{
    QAbstractButton::focusInEvent(event);
    // A tab reached by the keyboard is brought into view, as a scroll area would.
    m_strip->scrollToShow(geometry());
}

void FenceTabCapsule::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = m_strip->createTabMenu(m_tabID, m_strip);
    if (!menu) {
        event->ignore();
        return;
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

FenceTabStripView::FenceTabStripView(DesignEnvironment* environment, QWidget* parent)
    : QWidget(parent)
    , m_environment(environment)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    m_selectionTransition = new GlassTransition(this);
    // The row is a child the strip slides sideways and clips: a scroll area would cost five
    // widgets more for a bar it never shows.
    m_content = new FenceTabStripContent(this);
    m_content->setObjectName(QStringLiteral("tabRow"));
    m_content->setAutoFillBackground(false);
    m_row = new QHBoxLayout(m_content);
    m_row->setContentsMargins(12, 3, 12, 3);
    m_row->setSpacing(6);
    m_row->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_addButton = new LiquidGlassButton(environment, m_content);
    m_addButton->setObjectName(QStringLiteral("addTabButton"));
    m_addButton->setSymbolName(QStringLiteral("plus"));
    m_addButton->setSymbolFont(11, QFont::Bold);
    m_addButton->setFixedFrame(QSize(24, 24));
    m_addButton->setToolTip(QStringLiteral("新建标签页"));
    m_addButton->setAccessibleName(QStringLiteral("新建标签页"));
    m_row->addWidget(m_addButton);
    connect(m_addButton, &QAbstractButton::clicked, this, [this] {
        if (m_onAddTab)
            m_onAddTab();
    });
    // A new width of the row (tabs added, renamed, made active) places it again.
    m_content->installEventFilter(this);

    connect(m_selectionTransition, &GlassTransition::progressChanged, m_content, qOverload<>(&QWidget::update));
    if (m_environment) {
        connect(m_environment, &DesignEnvironment::changed, this, [this] {
            m_content->update();
            for (FenceTabCapsule* capsule : std::as_const(m_capsules))
                capsule->update();
        });
    }
    refreshAddButton();
    setFixedHeight(std::max(30, m_content->sizeHint().height()));
    placeRow();
}

FenceTabStripView::~FenceTabStripView() = default;

void FenceTabStripView::setTabs(const QList<FenceTab>& tabs)
{
    // Update the capsules in place: keep those whose tab remains, drop the rest, add the new
    // ones, then lay them out in list order before the add button.
    QHash<QUuid, FenceTabCapsule*> kept;
    for (const FenceTab& tab : tabs) {
        if (kept.contains(tab.id))
            continue; // a repeated id shows once
        FenceTabCapsule* capsule = m_capsules.take(tab.id);
        if (!capsule) {
            capsule = new FenceTabCapsule(this, tab.id, m_content);
            const QUuid id = tab.id;
            connect(capsule, &QAbstractButton::clicked, this, [this, id] { capsuleClicked(id); });
        }
        capsule->setTab(tab);
        kept.insert(tab.id, capsule);
    }
    for (FenceTabCapsule* gone : std::as_const(m_capsules)) {
        m_row->removeWidget(gone);
        gone->hide();
        gone->deleteLater();
    }
    m_capsules = kept;
    m_tabs = tabs;

    int index = 0;
    QSet<QUuid> placed;
    for (const FenceTab& tab : std::as_const(m_tabs)) {
        if (placed.contains(tab.id))
            continue;
        placed.insert(tab.id);
        FenceTabCapsule* capsule = m_capsules.value(tab.id);
        const int current = m_row->indexOf(capsule);
        if (current != index) {
            if (current >= 0)
                m_row->removeWidget(capsule);
            m_row->insertWidget(index, capsule);
        }
        capsule->setActive(tab.id == m_activeTabID);
        capsule->show();
        ++index;
    }
    setFixedHeight(std::max(30, m_content->sizeHint().height()));
    placeRow();
    m_content->update();
    revealActiveTab();
}

void FenceTabStripView::setActiveTabID(const QUuid& activeTabID)
{
    if (m_activeTabID == activeTabID)
        return;
    m_activeTabID = activeTabID;
    for (FenceTabCapsule* capsule : std::as_const(m_capsules))
        capsule->setActive(capsule->tabID() == m_activeTabID);
    m_content->update();
    revealActiveTab();
}

void FenceTabStripView::revealActiveTab()
{
    // Queued: the row lays out its new and moved capsules only when events are next handled.
    QMetaObject::invokeMethod(this, [strip = QPointer<FenceTabStripView>(this)] {
        if (!strip)
            return;
        strip->m_content->layout()->activate();
        strip->placeRow();
        if (FenceTabCapsule* active = strip->m_capsules.value(strip->m_activeTabID))
            strip->scrollToShow(active->geometry());
    }, Qt::QueuedConnection);
}

void FenceTabStripView::scrollToShow(const QRect& shown)
{
    constexpr int margin = 12;
    if (shown.left() - margin < m_offset)
        m_offset = shown.left() - margin;
    else if (shown.right() + 1 + margin > m_offset + width())
        m_offset = shown.right() + 1 + margin - width();
    placeRow();
}

int FenceTabStripView::maximumOffset() const
{
    return std::max(0, m_content->sizeHint().width() - width());
}

void FenceTabStripView::placeRow()
{
    m_offset = std::clamp(m_offset, 0, maximumOffset());
    m_content->setGeometry(-m_offset, 0, std::max(width(), m_content->sizeHint().width()), height());
}

void FenceTabStripView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeRow();
}

void FenceTabStripView::wheelEvent(QWheelEvent* wheel)
{
    const QPoint pixels = wheel->pixelDelta();
    const QPoint angle = wheel->angleDelta();
    // Whichever way the wheel or touchpad moved most, the strip moves sideways.
    const int delta = !pixels.isNull() ? (std::abs(pixels.x()) > std::abs(pixels.y()) ? pixels.x() : pixels.y())
                                       : (std::abs(angle.x()) > std::abs(angle.y()) ? angle.x() : angle.y()) / 4;
    if (maximumOffset() > 0 && delta != 0) {
        m_offset -= delta;
        placeRow();
        wheel->accept();
        return;
    }
    wheel->ignore();
}

bool FenceTabStripView::eventFilter(QObject* watched, QEvent* event)
{
    // Its layout has taken the request already: the row's new width is known.
    if (watched == m_content && event->type() == QEvent::LayoutRequest)
        placeRow();
    return QWidget::eventFilter(watched, event);
}

void FenceTabStripView::setTint(FenceTintPalette tint)
{
    if (m_tint == tint)
        return;
    m_tint = tint;
    m_content->update();
}

void FenceTabStripView::showTabsOf(const FenceModel& fence)
{
    const bool shown = fence.tabs.size() >= 2;
    if (shown) {
        setTabs(fence.tabs);
        setActiveTabID(fence.activeTabID);
        setTint(fence.style.tint);
    }
    setVisible(shown);
}

void FenceTabStripView::setOnAddTab(std::function<void()> onAddTab)
{
    m_onAddTab = std::move(onAddTab);
    refreshAddButton();
}

void FenceTabStripView::setOnCloseTab(std::function<void(const QUuid&)> onCloseTab)
{
    m_onCloseTab = std::move(onCloseTab);
}

void FenceTabStripView::refreshAddButton()
{
    m_addButton->setVisible(bool(m_onAddTab));
}

QList<FenceTabCapsule*> FenceTabStripView::capsules() const
{
    QList<FenceTabCapsule*> ordered;
    for (int i = 0; i < m_row->count(); ++i) {
        if (auto* capsule = qobject_cast<FenceTabCapsule*>(m_row->itemAt(i)->widget()))
            ordered.append(capsule);
    }
    return ordered;
}

QMenu* FenceTabStripView::createTabMenu(const QUuid& tabID, QWidget* parent)
{
    if (m_tabs.size() <= 1 || !m_onCloseTab || !m_capsules.contains(tabID))
        return nullptr;
    auto* menu = new QMenu(parent);
    // Destructive: the item is drawn in red, as a warning.
    QAction* close = menu->addAction(SymbolIcons::tintedIcon(QStringLiteral("xmark"), QColor(0xd7, 0x3a, 0x3a)),
                                     QStringLiteral("关闭标签页"));
    close->setProperty("symbolName", QStringLiteral("xmark"));
    close->setProperty("destructive", true);
    connect(close, &QAction::triggered, this, [this, tabID] {
        if (m_onCloseTab)
            m_onCloseTab(tabID);
    }, Qt::QueuedConnection);
    return menu;
}

void FenceTabStripView::capsuleClicked(const QUuid& tabID)
{
    m_highlightFrom = activeRect();
    const GlassAnimation& animation = m_environment
        ? GlassSpringPreset::adaptive(GlassSpringPreset::quickPress(), *m_environment)
        : GlassSpringPreset::quickPress();
    m_selectionTransition->run(animation);
    if (onSelectTab)
        onSelectTab(tabID);
}

QRectF FenceTabStripView::activeRect() const
{
    FenceTabCapsule* active = m_capsules.value(m_activeTabID);
    if (!active || active->isHidden())
        return {};
    return QRectF(active->geometry());
}

QSize FenceTabStripView::sizeHint() const
{
    const QSize content = m_content->sizeHint();
    return QSize(content.width(), content.height());
}

} // namespace mv
