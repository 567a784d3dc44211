#include "desktop/controlcenter/DryRunPlanListView.h"

#include "desktop/controlcenter/DryRunPlanDelegate.h"

namespace mv {

DryRunPlanListView::DryRunPlanListView(DesignEnvironment* environment, QWidget* parent)
    : QListView(parent)
{
    setObjectName(QStringLiteral("planList"));
    setFrameShape(QFrame::NoFrame);
    setUniformItemSizes(true);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFocusPolicy(Qt::NoFocus);
    viewport()->setAutoFillBackground(false);
    setItemDelegate(new DryRunPlanDelegate(environment, this));
    if (environment)
        connect(environment, &DesignEnvironment::changed, viewport(), qOverload<>(&QWidget::update));
}

} // namespace mv
