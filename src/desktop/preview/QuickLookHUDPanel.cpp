#include "desktop/preview/QuickLookHUDPanel.h"

#include "design/DesignEnvironment.h"
#include "desktop/preview/QuickLookHeaderStrip.h"
#include "platform/gui/DesktopWindowLayer.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QSizeGrip>

#include <algorithm>

namespace mv {

QuickLookHUDPanel::QuickLookHUDPanel(DesignEnvironment* environment)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_environment(environment)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowTitle(QStringLiteral("预览"));
    auto* grip = new QSizeGrip(this);
    grip->resize(grip->sizeHint());
    m_sizeGrip = grip;
    if (m_environment)
        connect(m_environment, &DesignEnvironment::changed, this, qOverload<>(&QWidget::update));
    // Above ordinary windows and on every workspace, out of the task bar and pager.
    winId();
    platform::applyDesktopLayer(windowHandle(), platform::DesktopLayer::floating);
    // Space and Escape reach the panel before whichever of its widgets has the focus.
    qApp->installEventFilter(this);
}

QuickLookHUDPanel::~QuickLookHUDPanel()
{
    if (QCoreApplication* application = QCoreApplication::instance())
        application->removeEventFilter(this);
}

void QuickLookHUDPanel::setHeader(QWidget* header)
{
    m_header = header;
    header->setParent(this);
    layOutChildren();
}

void QuickLookHUDPanel::setPreviewArea(QWidget* previewArea)
{
    m_previewArea = previewArea;
    previewArea->setParent(this);
    layOutChildren();
}

// An application-wide filter sees a key press before the widget it is meant for: a focused
// button would otherwise take Space as a click.
bool QuickLookHUDPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    if (static_cast<QWidget*>(watched)->window() != this)
        return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key != Qt::Key_Space && key != Qt::Key_Escape)
        return false;
    event->accept();
    // A copy: the callback may replace itself.
    if (const std::function<void()> dismiss = onDismissKey)
        dismiss();
    return true;
}

void QuickLookHUDPanel::paintEvent(QPaintEvent*)
{
    const bool opaque = m_environment && m_environment->reduceTransparency();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath outline;
    outline.addRoundedRect(bounds, cornerRadius, cornerRadius);
    painter.fillPath(outline, opaque ? QColor(30, 30, 32) : QColor(24, 24, 27, 224));
    painter.setPen(QPen(QColor(255, 255, 255, opaque ? 40 : 30), 1));
    painter.drawPath(outline);
}

void QuickLookHUDPanel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layOutChildren();
}

// The header spans the top; the preview fills the rest, 12 inside the sides and the bottom.
void QuickLookHUDPanel::layOutChildren()
{
    const int headerHeight = QuickLookHeaderStrip::height;
    if (m_header)
        m_header->setGeometry(0, 0, width(), headerHeight);
    if (m_previewArea)
        m_previewArea->setGeometry(12, headerHeight + 2, std::max(0, width() - 24),
                                   std::max(0, height() - headerHeight - 14));
    if (m_sizeGrip) {
        m_sizeGrip->move(width() - m_sizeGrip->width() - 4, height() - m_sizeGrip->height() - 4);
        m_sizeGrip->raise();
    }
}

// Movable by its background: a press that no child takes moves the panel.
void QuickLookHUDPanel::mousePressEvent(QMouseEvent* event)
{
    if (!m_backgroundMove.press(*this, *event))
        QWidget::mousePressEvent(event);
}

void QuickLookHUDPanel::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_backgroundMove.move(*this, *event))
        QWidget::mouseMoveEvent(event);
}

void QuickLookHUDPanel::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_backgroundMove.release(*event))
        QWidget::mouseReleaseEvent(event);
}

void QuickLookHUDPanel::closeEvent(QCloseEvent* event)
{
    if (const std::function<void()> willClose = onWindowWillClose)
        willClose();
    QWidget::closeEvent(event);
}

} // namespace mv
