#pragma once

#include "core/models/ModelEnums.h"
#include "design/DesignEnvironment.h"

#include <QPointer>
#include <QWidget>

namespace mv {

// The full-bleed wallpaper of a preset.
class LiquidGlassWallpaperBackdrop final : public QWidget {
    Q_OBJECT
public:
    LiquidGlassWallpaperBackdrop(DesignEnvironment* environment, WallpaperPreset preset, QWidget* parent = nullptr);

    void setPreset(WallpaperPreset preset);
    WallpaperPreset preset() const { return m_preset; }

    // The layers bottom to top; dark mode adds one, the 0.18 black veil.
    static int layerCount(ColorScheme scheme) { return scheme == ColorScheme::dark ? 4 : 3; }
    static void paint(QPainter& painter, const QRectF& rect, WallpaperPreset preset, ColorScheme scheme);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<DesignEnvironment> m_environment;
    WallpaperPreset m_preset;
};

} // namespace mv
