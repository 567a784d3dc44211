#pragma once

#include "design/DesignEnvironment.h"

#include <QListView>

namespace mv {

// The proposed moves of a dry run: one list over the plan model, drawn by the painting
// delegate, rows of one height so that ten thousand of them lay out and scroll at once. It
// shows the plan only: no selection, no editing, no focus.
class DryRunPlanListView final : public QListView {
    Q_OBJECT
public:
    explicit DryRunPlanListView(DesignEnvironment* environment, QWidget* parent = nullptr);
};

} // namespace mv
