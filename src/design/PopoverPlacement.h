#pragma once

#include <QPoint>
#include <QSize>

class QWidget;

namespace mv {

// Where a popover window of `size` opens for `anchor`, in global coordinates: below the anchor
// and centred on it, kept on the anchor's screen; above it when there is no room below.
QPoint popoverOriginBelow(const QWidget& anchor, const QSize& size);

} // namespace mv
