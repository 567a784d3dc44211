#pragma once

#include "core/models/FenceModels.h"
#include "design/LiquidGlassSurfaceFrame.h"

#include <functional>

namespace mv {

class GlassTextLabel;
class LabSlider;
class LabSwatchButton;
class MorvanteelStore;
class QuickControlSwitch;

// The appearance page's card of program-wide settings: the active workspace's wallpaper,
// magnetic snapping with its gap and threshold, and the fade and drop switches. Built once;
// it shows the store's values and writes each change of one of them straight back and saves.
class GlobalPhysicsCardView final : public LiquidGlassSurfaceFrame {
    Q_OBJECT

public:
    static inline const QString heading = QStringLiteral("磁吸对齐、Chameleon 自隐与壁纸背景");
    static inline const QString wallpaperLinePrefix = QStringLiteral("当前工作区壁纸光影：");
    // The key is the one this desktop holds to bypass snapping.
    static inline const QString snappingTitle = QStringLiteral("启用磁吸对齐（拖动时按住 Alt 可临时绕过）");
    static inline const QString chameleonTitle = QStringLiteral("全局 Chameleon 闲置柔化淡出");
    static inline const QString autoTidyTitle = QStringLiteral("拖入文件后自动触发规则提示");

    // "磁吸间距 (12 pt)", "磁吸阈值 (14 pt)": the whole points.
    static QString gapText(double gap);
    static QString thresholdText(double threshold);

    GlobalPhysicsCardView(MorvanteelStore& store, DesignEnvironment* environment, QWidget* parent = nullptr);
    ~GlobalPhysicsCardView() override;

    QWidget* wallpaperBlock() const { return m_wallpaperBlock; }
    GlassTextLabel* wallpaperLine() const { return m_wallpaperLine; }
    LabSwatchButton* wallpaperSwatch(WallpaperPreset preset) const;
    QuickControlSwitch* snappingSwitch() const { return m_snappingSwitch; }
    LabSlider* gapSlider() const { return m_gapSlider; }
    LabSlider* thresholdSlider() const { return m_thresholdSlider; }
    GlassTextLabel* gapLabel() const { return m_gapLabel; }
    GlassTextLabel* thresholdLabel() const { return m_thresholdLabel; }
    QuickControlSwitch* chameleonSwitch() const { return m_chameleonSwitch; }
    QuickControlSwitch* autoTidySwitch() const { return m_autoTidySwitch; }

private:
    QWidget* sliderRow(GlassTextLabel*& label, LabSlider* slider);
    // Re-reads the preferences, changes one field and saves.
    void writePreference(const std::function<void(GlobalPreferences&)>& change);
    void chooseWallpaper(WallpaperPreset preset);

    void refreshPreferences();
    void refreshWorkspace();
    void refreshColors();

    MorvanteelStore& m_store;
    QWidget* m_wallpaperBlock = nullptr;
    GlassTextLabel* m_wallpaperLine = nullptr;
    QList<LabSwatchButton*> m_wallpaperSwatches;
    QuickControlSwitch* m_snappingSwitch = nullptr;
    LabSlider* m_gapSlider = nullptr;
    LabSlider* m_thresholdSlider = nullptr;
    GlassTextLabel* m_gapLabel = nullptr;
    GlassTextLabel* m_thresholdLabel = nullptr;
    QuickControlSwitch* m_chameleonSwitch = nullptr;
    QuickControlSwitch* m_autoTidySwitch = nullptr;
};

} // namespace mv
