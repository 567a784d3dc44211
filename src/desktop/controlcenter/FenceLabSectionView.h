#pragma once

#include "core/models/FenceModels.h"
#include "design/DesignEnvironment.h"

#include <QPointer>
#include <QUuid>
#include <QWidget>

#include <functional>
#include <optional>

class QComboBox;

namespace mv {

class FenceHeaderView;
class FenceItemGridTile;
class FenceRollUpPillView;
class GlassTextLabel;
class LabSegmentedPicker;
class LabSlider;
class LabSwatchButton;
class LiquidGlassSurfaceFrame;
class MorvanteelStore;
class QuickControlSwitch;

// The appearance page's tuning of one fence: the fence picker, the style controls on a card
// of the fence's own glass, and a preview of the fence on the workspace's wallpaper. Built
// once; it shows the inspected fence (the selected one, else the first of the active
// workspace) and is hidden without one. Every control writes one style field of the fence as
// the store holds it at that moment.
class FenceLabSectionView final : public QWidget {
    Q_OBJECT

public:
    static inline const QString heading = QStringLiteral("单围栏液态玻璃精调");
    static inline const QString pickerTitle = QStringLiteral("目标围栏");
    static inline const QString tintTitle = QStringLiteral("色系 (Tint)");
    static inline const QString opacityTitle = QStringLiteral("玻璃浓度");
    static inline const QString cornerTitle = QStringLiteral("圆角半径");
    static inline const QString iconScaleTitle = QStringLiteral("图标缩放");
    static inline const QString densityTitle = QStringLiteral("显示密度");
    static inline const QString hoverUnrollTitle = QStringLiteral("悬停卷起自动展开 (Hover Unroll)");
    static inline const QString chameleonTitle = QStringLiteral("单围栏 Chameleon 闲置隐退");
    static inline const QString idleOpacityTitle = QStringLiteral("闲置透明度");
    static constexpr QSize previewSize{360, 290};

    // The value texts of the slider rows.
    static QString percentText(double fraction);  // 0.72 → "72%"
    static QString pointText(double points);      // 10.7 → "10 pt"
    static QString scaleText(double scale);       // 1.0 → "1.00x"

    FenceLabSectionView(MorvanteelStore& store, DesignEnvironment* environment, QWidget* parent = nullptr);
    ~FenceLabSectionView() override;

    // The fence shown: the store's selected fence when it is active, else the first active one.
    static std::optional<FenceModel> inspectedFence(const MorvanteelStore& store);
    const QUuid& shownFenceID() const { return m_fenceID; }

    QComboBox* fencePicker() const { return m_picker; }
    LiquidGlassSurfaceFrame* controlsCard() const { return m_controlsCard; }
    LabSwatchButton* tintSwatch(FenceTintPalette tint) const;
    LabSlider* opacitySlider() const { return m_opacitySlider; }
    LabSlider* cornerSlider() const { return m_cornerSlider; }
    LabSlider* iconScaleSlider() const { return m_iconScaleSlider; }
    LabSlider* idleOpacitySlider() const { return m_idleSlider; }
    GlassTextLabel* opacityValue() const { return m_opacityValue; }
    GlassTextLabel* cornerValue() const { return m_cornerValue; }
    GlassTextLabel* iconScaleValue() const { return m_iconScaleValue; }
    GlassTextLabel* idleOpacityValue() const { return m_idleValue; }
    // The idle-opacity row; shown only while the fence fades when idle.
    QWidget* idleOpacityRow() const { return m_idleRow; }
    LabSegmentedPicker* densityPicker() const { return m_densityPicker; }
    QuickControlSwitch* hoverUnrollSwitch() const { return m_hoverSwitch; }
    QuickControlSwitch* chameleonSwitch() const { return m_chameleonSwitch; }
    QWidget* preview() const { return m_preview; }
    LiquidGlassSurfaceFrame* expandedPreview() const { return m_expandedPreview; }
    FenceHeaderView* previewHeader() const { return m_previewHeader; }
    FenceRollUpPillView* previewPill() const { return m_previewPill; }
    FenceItemGridTile* sampleTile(int index) const { return m_tiles.at(index); }
    // The active workspace's wallpaper, tahoeAurora without one.
    WallpaperPreset previewWallpaper() const;

private:
    QWidget* buildHeader();
    QWidget* buildControls();
    QWidget* buildPreview();
    QWidget* sliderRow(const QString& title, LabSlider* slider, GlassTextLabel*& valueLabel);

    // Re-reads the shown fence and writes it back with `change` made to its style.
    void writeStyle(const std::function<void(FenceStyleConfig&)>& change);
    void chooseFence(int index);

    void refresh();
    void refreshPicker();
    void refreshControls(const FenceModel& fence);
    void refreshPreview(const FenceModel& fence);
    void refreshColors();

    MorvanteelStore& m_store;
    QPointer<DesignEnvironment> m_environment;
    QUuid m_fenceID;

    QComboBox* m_picker = nullptr;
    LiquidGlassSurfaceFrame* m_controlsCard = nullptr;
    QList<LabSwatchButton*> m_tintSwatches;
    LabSlider* m_opacitySlider = nullptr;
    LabSlider* m_cornerSlider = nullptr;
    LabSlider* m_iconScaleSlider = nullptr;
    LabSlider* m_idleSlider = nullptr;
    GlassTextLabel* m_opacityValue = nullptr;
    GlassTextLabel* m_cornerValue = nullptr;
    GlassTextLabel* m_iconScaleValue = nullptr;
    GlassTextLabel* m_idleValue = nullptr;
    QWidget* m_idleRow = nullptr;
    LabSegmentedPicker* m_densityPicker = nullptr;
    QuickControlSwitch* m_hoverSwitch = nullptr;
    QuickControlSwitch* m_chameleonSwitch = nullptr;
    QWidget* m_preview = nullptr;
    LiquidGlassSurfaceFrame* m_expandedPreview = nullptr;
    FenceHeaderView* m_previewHeader = nullptr;
    FenceRollUpPillView* m_previewPill = nullptr;
    QList<FenceItemGridTile*> m_tiles;
};

} // namespace mv
