#include "desktop/controlcenter/GlobalPhysicsCardView.h"

#include "core/store/MorvanteelStore.h"
#include "design/DesignFonts.h"
#include "design/GlassTextLabel.h"
#include "desktop/controlcenter/FenceLabSectionView.h"
#include "desktop/controlcenter/LabControls.h"
#include "desktop/controlcenter/QuickControlSwitch.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace mv {

QString GlobalPhysicsCardView::gapText(double gap)
{
    return QStringLiteral("磁吸间距 (") + FenceLabSectionView::pointText(gap) + u')';
}

QString GlobalPhysicsCardView::thresholdText(double threshold)
{
    return QStringLiteral("磁吸阈值 (") + FenceLabSectionView::pointText(threshold) + u')';
}

GlobalPhysicsCardView::GlobalPhysicsCardView(MorvanteelStore& store, DesignEnvironment* environment, QWidget* parent)
    : LiquidGlassSurfaceFrame(environment, parent)
    , m_store(store)
{
    setObjectName(QStringLiteral("globalPhysicsCard"));
    setModifier(liquidGlassSurface(FenceTintPalette::crystal, 20, 0.74, false, false, false));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Maximum);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(12);
    column->addWidget(makeLabLabel(heading, designFont(14.5, QFont::DemiBold), LabLabelStyle::primary, this));

    m_wallpaperBlock = new QWidget(this);
    m_wallpaperBlock->setObjectName(QStringLiteral("wallpaperBlock"));
    auto* wallpaper = new QVBoxLayout(m_wallpaperBlock);
    wallpaper->setContentsMargins(0, 0, 0, 0);
    wallpaper->setSpacing(6);
    m_wallpaperLine = makeLabLabel(QString(), designFont(12), LabLabelStyle::secondary, m_wallpaperBlock);
    wallpaper->addWidget(m_wallpaperLine);
    auto* swatches = new QHBoxLayout();
    swatches->setSpacing(8);
    swatches->addStretch(1);
    for (const WallpaperPreset preset : allCases<WallpaperPreset>()) {
        LabSwatchButton* swatch = LabSwatchButton::wallpaperSwatch(environment, preset, m_wallpaperBlock);
        connect(swatch, &QAbstractButton::clicked, this, [this, preset] { chooseWallpaper(preset); });
        m_wallpaperSwatches.append(swatch);
        swatches->addWidget(swatch);
    }
    swatches->addStretch(1);
    wallpaper->addLayout(swatches);
    column->addWidget(m_wallpaperBlock);

    m_snappingSwitch = new QuickControlSwitch(environment, snappingTitle, this);
    connect(m_snappingSwitch, &QAbstractButton::clicked, this, [this](bool on) {
        writePreference([on](GlobalPreferences& preferences) { preferences.magneticSnappingEnabled = on; });
    });
    column->addWidget(m_snappingSwitch);

    m_gapSlider = new LabSlider(environment, 4, 32, 1);
    connect(m_gapSlider, &LabSlider::valueEdited, this, [this](double value) {
        writePreference([value](GlobalPreferences& preferences) { preferences.snapGap = value; });
    });
    column->addWidget(sliderRow(m_gapLabel, m_gapSlider));
    m_thresholdSlider = new LabSlider(environment, 4, 30, 1);
    connect(m_thresholdSlider, &LabSlider::valueEdited, this, [this](double value) {
        writePreference([value](GlobalPreferences& preferences) { preferences.snapThreshold = value; });
    });
    column->addWidget(sliderRow(m_thresholdLabel, m_thresholdSlider));

    m_chameleonSwitch = new QuickControlSwitch(environment, chameleonTitle, this);
    connect(m_chameleonSwitch, &QAbstractButton::clicked, this, [this](bool on) {
        writePreference([on](GlobalPreferences& preferences) { preferences.chameleonGlobalEnabled = on; });
    });
    column->addWidget(m_chameleonSwitch);
    // Stored and offered; nothing consults it yet.
    m_autoTidySwitch = new QuickControlSwitch(environment, autoTidyTitle, this);
    connect(m_autoTidySwitch, &QAbstractButton::clicked, this, [this](bool on) {
        writePreference([on](GlobalPreferences& preferences) { preferences.autoTidyOnDrop = on; });
    });
    column->addWidget(m_autoTidySwitch);

    connect(&m_store, &MorvanteelStore::preferencesChanged, this, &GlobalPhysicsCardView::refreshPreferences);
    connect(&m_store, &MorvanteelStore::workspacesChanged, this, &GlobalPhysicsCardView::refreshWorkspace);
    connect(&m_store, &MorvanteelStore::activeWorkspaceIDChanged, this, &GlobalPhysicsCardView::refreshWorkspace);
    if (environment)
        connect(environment, &DesignEnvironment::changed, this, &GlobalPhysicsCardView::refreshColors);
    refreshColors();
    refreshPreferences();
    refreshWorkspace();
}

GlobalPhysicsCardView::~GlobalPhysicsCardView() = default;

QWidget* GlobalPhysicsCardView::sliderRow(GlassTextLabel*& label, LabSlider* slider)
{
    auto* rowWidget = new QWidget(this);
    auto* row = new QHBoxLayout(rowWidget);
    row->setContentsMargins(0, 0, 0, 0);
    label = makeLabLabel(QString(), designFont(13), LabLabelStyle::primary, rowWidget);
    label->setFixedWidth(120);
    row->addWidget(label);
    slider->setParent(rowWidget);
    row->addWidget(slider, 1);
    return rowWidget;
}

LabSwatchButton* GlobalPhysicsCardView::wallpaperSwatch(WallpaperPreset preset) const
{
    return m_wallpaperSwatches.value(allCases<WallpaperPreset>().indexOf(preset));
}

void GlobalPhysicsCardView::writePreference(const std::function<void(GlobalPreferences&)>& change)
{
    GlobalPreferences preferences = m_store.preferences();
    change(preferences);
    if (m_store.setPreferences(std::move(preferences)))
        m_store.save();
    // A refused or unchanged value: the controls go back to what is stored.
    refreshPreferences();
}

void GlobalPhysicsCardView::chooseWallpaper(WallpaperPreset preset)
{
    // The workspace as it is now; the current preset too is written again, and saved.
    std::optional<WorkspaceProfile> workspace = m_store.activeWorkspace();
    if (!workspace)
        return;
    workspace->wallpaperPreset = preset;
    m_store.updateWorkspace(*workspace);
}

void GlobalPhysicsCardView::refreshPreferences()
{
    const GlobalPreferences& preferences = m_store.preferences();
    showChecked(m_snappingSwitch, preferences.magneticSnappingEnabled);
    m_gapSlider->showValue(preferences.snapGap);
    m_gapSlider->setAccessibleName(gapText(preferences.snapGap));
    showText(m_gapLabel, gapText(preferences.snapGap));
    m_thresholdSlider->showValue(preferences.snapThreshold);
    m_thresholdSlider->setAccessibleName(thresholdText(preferences.snapThreshold));
    showText(m_thresholdLabel, thresholdText(preferences.snapThreshold));
    showChecked(m_chameleonSwitch, preferences.chameleonGlobalEnabled);
    showChecked(m_autoTidySwitch, preferences.autoTidyOnDrop);
}

void GlobalPhysicsCardView::refreshWorkspace()
{
    const std::optional<WorkspaceProfile> workspace = m_store.activeWorkspace();
    m_wallpaperBlock->setVisible(workspace.has_value());
    if (!workspace)
        return;
    showText(m_wallpaperLine, wallpaperLinePrefix + displayName(workspace->wallpaperPreset));
    for (int i = 0; i < m_wallpaperSwatches.size(); ++i)
        m_wallpaperSwatches.at(i)->setCurrent(allCases<WallpaperPreset>().at(i) == workspace->wallpaperPreset);
}

void GlobalPhysicsCardView::refreshColors()
{
    recolourLabLabels(this, environmentOrDefault(environment()).colorScheme());
}

} // namespace mv
