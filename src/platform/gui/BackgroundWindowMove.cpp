#include "platform/gui/BackgroundWindowMove.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace mv::platform {

bool BackgroundWindowMove::press(QWidget& window, QMouseEvent& event)
{
    if (event.button() != Qt::LeftButton)
        return false;
    event.accept();
    m_pressOffset.reset();
    QWindow* handle = window.windowHandle();
    if (!handle || !handle->startSystemMove())
        m_pressOffset = event.globalPosition().toPoint() - window.pos();
    return true;
}

bool BackgroundWindowMove::move(QWidget& window, QMouseEvent& event)
{
    if (!m_pressOffset || !event.buttons().testFlag(Qt::LeftButton))
        return false;
    event.accept();
    window.move(event.globalPosition().toPoint() - *m_pressOffset);
    return true;
}

bool BackgroundWindowMove::release(QMouseEvent& event)
{
    if (!m_pressOffset || event.button() != Qt::LeftButton)
        return false;
    event.accept();
    m_pressOffset.reset();
    return true;
}

} // namespace mv::platform
