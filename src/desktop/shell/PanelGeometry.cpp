#include "desktop/shell/PanelGeometry.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace mv::panelgeometry {

namespace {

QRect primaryGeometry()
{
    const QScreen* primary = QGuiApplication::primaryScreen();
    return primary ? primary->geometry() : QRect();
}

bool contains(const FenceFrameRect& area, double x, double y)
{
    return x >= area.minX() && x < area.maxX() && y >= area.minY() && y < area.maxY();
}

} // namespace

QRect toWindowGeometry(const FenceFrameRect& frame, const QRect& primaryScreenGeometry)
{
    // The model's y = 0 is the bottom edge of the primary screen.
    const double bottom = double(primaryScreenGeometry.y()) + primaryScreenGeometry.height();
    const int x = int(std::lround(primaryScreenGeometry.x() + frame.x));
    const int top = int(std::lround(bottom - (frame.y + frame.height)));
    return QRect(x, top, int(std::lround(frame.width)), int(std::lround(frame.height)));
}

FenceFrameRect fromWindowGeometry(const QRect& geometry, const QRect& primaryScreenGeometry)
{
    const double bottom = double(primaryScreenGeometry.y()) + primaryScreenGeometry.height();
    return {double(geometry.x() - primaryScreenGeometry.x()), bottom - (double(geometry.y()) + geometry.height()),
            double(geometry.width()), double(geometry.height())};
}

QRect toWindowGeometry(const FenceFrameRect& frame)
{
    return toWindowGeometry(frame, primaryGeometry());
}

FenceFrameRect fromWindowGeometry(const QRect& geometry)
{
    return fromWindowGeometry(geometry, primaryGeometry());
}

ScreenArea screenArea(const QScreen& screen, const QRect& primaryScreenGeometry)
{
    return {fromWindowGeometry(screen.geometry(), primaryScreenGeometry),
            fromWindowGeometry(screen.availableGeometry(), primaryScreenGeometry)};
}

QList<ScreenArea> currentScreens()
{
    QList<ScreenArea> areas;
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary)
        return areas;
    const QRect primaryRect = primary->geometry();
    areas.append(screenArea(*primary, primaryRect));
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen != primary)
            areas.append(screenArea(*screen, primaryRect));
    }
    return areas;
}

std::optional<ScreenArea> screenFor(const FenceFrameRect& frame, const QList<ScreenArea>& screens)
{
    for (const ScreenArea& screen : screens) {
        if (contains(screen.frame, frame.midX(), frame.midY()))
            return screen;
    }
    // The primary (main) screen comes first.
    if (!screens.isEmpty())
        return screens.first();
    return std::nullopt;
}

FenceFrameRect clampedVisibleFrame(const FenceFrameRect& frame, const QList<ScreenArea>& screens)
{
    const auto screen = screenFor(frame, screens);
    if (!screen)
        return frame;
    const FenceFrameRect& v = screen->visibleFrame;
    FenceFrameRect result;
    result.width = std::min(std::max(v.width - 24, 240.0), frame.width);
    result.height = std::min(std::max(v.height - 24, pillHeight), frame.height);
    result.x = std::min(v.maxX() - result.width - 8, std::max(frame.x, v.minX() + 8));
    result.y = std::min(v.maxY() - result.height - 8, std::max(frame.y, v.minY() + 8));
    return result;
}

FenceFrameRect presentedFrame(const FenceFrameRect& stored, bool asPill, const QList<ScreenArea>& screens)
{
    FenceFrameRect frame = stored;
    frame.height = std::max(stored.height, minimumShownHeight);
    if (asPill) {
        frame.y = frame.y + frame.height - pillHeight;
        frame.height = pillHeight;
    }
    return clampedVisibleFrame(frame, screens);
}

FenceFrameRect frameToStore(const FenceFrameRect& panelFrame, const FenceFrameRect& stored, bool shownAsPill)
{
    if (!shownAsPill)
        return panelFrame;
    const double height = std::max(stored.height, 160.0);
    return {panelFrame.x, panelFrame.maxY() - height, stored.width, height};
}

bool differs(const FenceFrameRect& a, const FenceFrameRect& b, double tolerance)
{
    return std::abs(a.x - b.x) >= tolerance || std::abs(a.y - b.y) >= tolerance
           || std::abs(a.width - b.width) >= tolerance || std::abs(a.height - b.height) >= tolerance;
}

} // namespace mv::panelgeometry
