#include "desktop/controlcenter/CompanionDeviceStage.h"

#include "design/LiquidGlassShapeKind.h"
#include "design/LiquidGlassTokens.h"
#include "desktop/controlcenter/CompanionDeviceKind.h"
#include "desktop/controlcenter/CompanionDeviceScreen.h"

#include <QGraphicsPathItem>
#include <QGraphicsProxyWidget>
#include <QPainter>

namespace mv {

namespace {

constexpr double ringOpacity = 0.32;
constexpr double ringWidth = 4;
constexpr double shadowOpacity = 0.35;
constexpr double shadowRadius = 22;
constexpr double shadowOffsetY = 12;

} // namespace

CompanionDeviceStage::CompanionDeviceStage(CompanionDeviceScreen* screen, DesignEnvironment* environment, QWidget* parent)
    : QGraphicsView(parent)
    , m_screen(screen)
    , m_environment(environment)
{
    setObjectName(QStringLiteral("companionDeviceStage"));
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform | QPainter::TextAntialiasing);
    setViewportUpdateMode(QGraphicsView::SmartViewportUpdate);
    // The page's wallpaper shows around the device.
    viewport()->setAutoFillBackground(false);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Window, Qt::transparent);
    setPalette(palette);
    setBackgroundBrush(Qt::NoBrush);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMinimumSize(60, 60);

    auto* scene = new QGraphicsScene(this);
    setScene(scene);
    m_clip = new QGraphicsPathItem();
    m_clip->setPen(Qt::NoPen);
    m_clip->setBrush(Qt::NoBrush);
    m_clip->setFlag(QGraphicsItem::ItemClipsChildrenToShape);
    scene->addItem(m_clip);
    m_proxy = new QGraphicsProxyWidget(m_clip);
    m_proxy->setWidget(screen);
    refreshDevice();
}

CompanionDeviceStage::~CompanionDeviceStage() = default;

void CompanionDeviceStage::refreshDevice()
{
    m_cornerRadius = companionDeviceMetrics(m_screen->device()).cornerRadius;
    // The proxy keeps the size it had when the screen's fixed size changes under it.
    m_proxy->setMinimumSize(QSizeF(m_screen->size()));
    m_proxy->setMaximumSize(QSizeF(m_screen->size()));
    m_proxy->resize(QSizeF(m_screen->size()));
    const QRectF screenRect(QPointF(0, 0), QSizeF(m_screen->size()));
    m_clip->setPath(LiquidGlassShapeKind::roundedRect(m_cornerRadius).path(screenRect));
    fit();
}

void CompanionDeviceStage::resizeEvent(QResizeEvent* event)
{
    QGraphicsView::resizeEvent(event);
    fit();
}

void CompanionDeviceStage::fit()
{
    const QSizeF screen(m_screen->size());
    m_scale = companionDeviceScale(screen, QSizeF(viewport()->size()));
    // The scene is the viewport, one point a pixel; the device sits centred in it.
    const QRectF area(QPointF(0, 0), QSizeF(viewport()->size()));
    scene()->setSceneRect(area);
    setSceneRect(area);
    m_clip->setScale(m_scale);
    m_clip->setPos(area.center() - QPointF(screen.width(), screen.height()) * m_scale / 2);
    viewport()->update();
}

void CompanionDeviceStage::drawBackground(QPainter* painter, const QRectF&)
{
    // A soft shadow below the device: rings of fading black out to the radius, offset down.
    const QRectF device = m_clip->sceneBoundingRect().translated(0, shadowOffsetY * m_scale);
    const double radius = m_cornerRadius * m_scale;
    const int steps = 11;
    painter->save();
    painter->setPen(Qt::NoPen);
    for (int i = steps; i >= 1; --i) {
        const double spread = shadowRadius * m_scale * i / steps;
        const double fade = 1.0 - double(i) / (steps + 1);
        painter->setBrush(withOpacity(Qt::black, shadowOpacity * fade * fade / steps * 2.2));
        painter->drawPath(LiquidGlassShapeKind::roundedRect(radius + spread).path(device.adjusted(-spread, -spread, spread, spread)));
    }
    painter->restore();
}

void CompanionDeviceStage::drawForeground(QPainter* painter, const QRectF&)
{
    // The ring lies inside the screen's edge.
    const QRectF device = m_clip->sceneBoundingRect();
    const double width = ringWidth * m_scale;
    const QRectF ring = device.adjusted(width / 2, width / 2, -width / 2, -width / 2);
    painter->save();
    painter->setBrush(Qt::NoBrush);
    painter->setPen(QPen(withOpacity(Qt::white, ringOpacity), width));
    painter->drawPath(LiquidGlassShapeKind::roundedRect(std::max(0.0, m_cornerRadius * m_scale - width / 2)).path(ring));
    painter->restore();
}

} // namespace mv
