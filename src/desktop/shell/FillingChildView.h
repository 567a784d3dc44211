#pragma once

#include <QPointer>
#include <QWidget>

namespace mv {

// Makes `view` the child that fills `host`, in place of the one `slot` held; the old one is
// hidden and deleted later, since it may be inside one of its own handlers.
inline void replaceFillingChild(QWidget& host, QPointer<QWidget>& slot, QWidget* view)
{
    if (view == slot)
        return;
    if (QWidget* old = slot) {
        old->hide();
        old->deleteLater();
    }
    slot = view;
    if (!view)
        return;
    view->setParent(&host);
    view->setGeometry(host.rect());
    view->show();
}

} // namespace mv
