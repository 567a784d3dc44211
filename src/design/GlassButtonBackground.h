#pragma once

#include "design/DesignEnvironment.h"

#include <QRectF>

class QPainter;

namespace mv {

// Paints the platform's plain glass button look (a regular glass capsule or circle with a
// hairline) into `rect`; opaque under reduce transparency.
void paintGlassButtonBackground(QPainter& painter, const QRectF& rect, const DesignEnvironment& environment,
                                bool hovered, bool pressed);

} // namespace mv
