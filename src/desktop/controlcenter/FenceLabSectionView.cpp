#include "desktop/controlcenter/FenceLabSectionView.h"

#include "core/store/MorvanteelStore.h"
#include "design/DesignFonts.h"
#include "design/FenceHeaderView.h"
#include "design/FenceItemGridTile.h"
#include "design/FenceRollUpPillView.h"
#include "design/GlassTextLabel.h"
#include "design/LiquidGlassShapeKind.h"
#include "design/LiquidGlassSurfaceFrame.h"
#include "design/LiquidGlassTokens.h"
#include "design/LiquidGlassWallpaperBackdrop.h"
#include "desktop/controlcenter/LabControls.h"
#include "desktop/controlcenter/QuickControlSwitch.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QPainter>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <cmath>

namespace mv {

namespace {

// The preview's ground: the wallpaper of the preset it reads, in a rounded rectangle of
// radius 20.
class PreviewStage final : public QWidget {
public:
    PreviewStage(DesignEnvironment* environment, std::function<WallpaperPreset()> preset, QWidget* parent)
        : QWidget(parent)
        , m_environment(environment)
        , m_preset(std::move(preset))
    {
        setObjectName(QStringLiteral("fenceLabPreview"));
        setFixedSize(FenceLabSectionView::previewSize);
        if (m_environment)
            connect(m_environment, &DesignEnvironment::changed, this, qOverload<>(&QWidget::update));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setClipPath(LiquidGlassShapeKind::roundedRect(20).path(QRectF(rect())));
        LiquidGlassWallpaperBackdrop::paint(painter, QRectF(rect()), m_preset(),
                                            environmentOrDefault(m_environment).colorScheme());
    }

private:
    QPointer<DesignEnvironment> m_environment;
    std::function<WallpaperPreset()> m_preset;
};

struct SampleTile {
    const char* title;
    const char* symbol;
    const char* badge;
    bool pinned;
};

// Fixed samples, not the fence's content.
constexpr SampleTile sampleTiles[] = {
    {"设计稿.fig", "paintbrush.pointed.fill", "2.4 MB", true},
    {"方案文档.md", "doc.text.fill", "18 KB", false},
};

} // namespace

QString FenceLabSectionView::percentText(double fraction)
{
    return QString::asprintf("%.0f%%", fraction * 100);
}

QString FenceLabSectionView::pointText(double points)
{
    // The whole points, not rounded: 10.7 is "10 pt".
    return QString::number(qint64(std::trunc(points))) + QStringLiteral(" pt");
}

QString FenceLabSectionView::scaleText(double scale)
{
    return QString::asprintf("%.2fx", scale);
}

FenceLabSectionView::FenceLabSectionView(MorvanteelStore& store, DesignEnvironment* environment, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_environment(environment)
{
    setObjectName(QStringLiteral("fenceLabSection"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(14);
    column->addWidget(buildHeader());
    auto* body = new QHBoxLayout();
    body->setSpacing(16);
    body->addWidget(buildControls(), 1, Qt::AlignTop);
    body->addWidget(buildPreview(), 0, Qt::AlignTop);
    column->addLayout(body);

    connect(&m_store, &MorvanteelStore::fencesChanged, this, &FenceLabSectionView::refresh);
    connect(&m_store, &MorvanteelStore::selectedFenceIDChanged, this, &FenceLabSectionView::refresh);
    connect(&m_store, &MorvanteelStore::activeWorkspaceIDChanged, this, &FenceLabSectionView::refresh);
    connect(&m_store, &MorvanteelStore::workspacesChanged, this, &FenceLabSectionView::refresh);
    connect(&m_store, &MorvanteelStore::preferencesChanged, this, &FenceLabSectionView::refresh);
    if (m_environment)
        connect(m_environment, &DesignEnvironment::changed, this, &FenceLabSectionView::refreshColors);
    refreshColors();
    refresh();
}

FenceLabSectionView::~FenceLabSectionView() = default;

QWidget* FenceLabSectionView::buildHeader()
{
    auto* header = new QWidget(this);
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(makeLabLabel(heading, designFont(15, QFont::DemiBold), LabLabelStyle::primary, header));
    row->addStretch(1);

    auto* picker = new QWidget(header);
    picker->setFixedWidth(240);
    auto* pickerRow = new QHBoxLayout(picker);
    pickerRow->setContentsMargins(0, 0, 0, 0);
    pickerRow->setSpacing(8);
    pickerRow->addWidget(makeLabLabel(pickerTitle, designFont(12), LabLabelStyle::primary, picker));
    m_picker = new QComboBox(picker);
    m_picker->setObjectName(QStringLiteral("fencePicker"));
    m_picker->setAccessibleName(pickerTitle);
    m_picker->setFont(designFont(12));
    connect(m_picker, &QComboBox::activated, this, &FenceLabSectionView::chooseFence);
    pickerRow->addWidget(m_picker, 1);
    row->addWidget(picker);
    return header;
}

QWidget* FenceLabSectionView::sliderRow(const QString& title, LabSlider* slider, GlassTextLabel*& valueLabel)
{
    auto* rowWidget = new QWidget(m_controlsCard);
    auto* row = new QHBoxLayout(rowWidget);
    row->setContentsMargins(0, 0, 0, 0);
    GlassTextLabel* label = makeLabLabel(title, designFont(12), LabLabelStyle::primary, rowWidget);
    label->setFixedWidth(78);
    row->addWidget(label);
    slider->setParent(rowWidget);
    slider->setAccessibleName(title);
    row->addWidget(slider, 1);
    QFont mono = designFont(11);
    mono.setFamilies(QStringList{QStringLiteral("Noto Sans Mono CJK SC")} + mono.families());
    valueLabel = makeLabLabel(QString(), mono, LabLabelStyle::secondary, rowWidget);
    valueLabel->setFixedWidth(52);
    valueLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    row->addWidget(valueLabel);
    return rowWidget;
}

QWidget* FenceLabSectionView::buildControls()
{
    m_controlsCard = new LiquidGlassSurfaceFrame(m_environment, this);
    m_controlsCard->setObjectName(QStringLiteral("fenceLabControls"));
    m_controlsCard->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Maximum);
    auto* column = new QVBoxLayout(m_controlsCard);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(10);

    column->addWidget(makeLabLabel(tintTitle, designFont(12, QFont::Medium), LabLabelStyle::primary, m_controlsCard));
    auto* swatches = new QHBoxLayout();
    swatches->setSpacing(8);
    swatches->addStretch(1);
    for (const FenceTintPalette tint : allCases<FenceTintPalette>()) {
        LabSwatchButton* swatch = LabSwatchButton::tintSwatch(m_environment, tint, m_controlsCard);
        // The current tint too: a tap writes it again, and saves.
        connect(swatch, &QAbstractButton::clicked, this, [this, tint] {
            writeStyle([tint](FenceStyleConfig& style) { style.tint = tint; });
        });
        m_tintSwatches.append(swatch);
        swatches->addWidget(swatch);
    }
    swatches->addStretch(1);
    column->addLayout(swatches);

    m_opacitySlider = new LabSlider(m_environment, 0.35, 1.0, 0);
    connect(m_opacitySlider, &LabSlider::valueEdited, this, [this](double value) {
        writeStyle([value](FenceStyleConfig& style) { style.glassOpacity = value; });
    });
    column->addWidget(sliderRow(opacityTitle, m_opacitySlider, m_opacityValue));
    m_cornerSlider = new LabSlider(m_environment, 10, 32, 0);
    connect(m_cornerSlider, &LabSlider::valueEdited, this, [this](double value) {
        writeStyle([value](FenceStyleConfig& style) { style.cornerRadius = value; });
    });
    column->addWidget(sliderRow(cornerTitle, m_cornerSlider, m_cornerValue));
    m_iconScaleSlider = new LabSlider(m_environment, 0.8, 1.35, 0);
    connect(m_iconScaleSlider, &LabSlider::valueEdited, this, [this](double value) {
        writeStyle([value](FenceStyleConfig& style) { style.iconScale = value; });
    });
    column->addWidget(sliderRow(iconScaleTitle, m_iconScaleSlider, m_iconScaleValue));

    auto* densityRow = new QHBoxLayout();
    densityRow->addWidget(makeLabLabel(densityTitle, designFont(12), LabLabelStyle::primary, m_controlsCard));
    QStringList densities;
    for (const FenceDisplayDensity density : allCases<FenceDisplayDensity>())
        densities.append(displayName(density));
    m_densityPicker = new LabSegmentedPicker(m_environment, densities, m_controlsCard);
    m_densityPicker->setObjectName(QStringLiteral("densityPicker"));
    m_densityPicker->setAccessibleName(densityTitle);
    connect(m_densityPicker, &LabSegmentedPicker::activated, this, [this](int index) {
        const FenceDisplayDensity density = allCases<FenceDisplayDensity>().value(index, FenceDisplayDensity::grid);
        writeStyle([density](FenceStyleConfig& style) { style.displayDensity = density; });
    });
    densityRow->addWidget(m_densityPicker);
    densityRow->addStretch(1);
    column->addLayout(densityRow);

    m_hoverSwitch = new QuickControlSwitch(m_environment, hoverUnrollTitle, m_controlsCard);
    connect(m_hoverSwitch, &QAbstractButton::clicked, this, [this](bool on) {
        writeStyle([on](FenceStyleConfig& style) { style.hoverUnrollEnabled = on; });
    });
    column->addWidget(m_hoverSwitch);
    m_chameleonSwitch = new QuickControlSwitch(m_environment, chameleonTitle, m_controlsCard);
    connect(m_chameleonSwitch, &QAbstractButton::clicked, this, [this](bool on) {
        writeStyle([on](FenceStyleConfig& style) { style.chameleonFadeEnabled = on; });
    });
    column->addWidget(m_chameleonSwitch);

    m_idleSlider = new LabSlider(m_environment, 0.18, 0.95, 0);
    connect(m_idleSlider, &LabSlider::valueEdited, this, [this](double value) {
        writeStyle([value](FenceStyleConfig& style) { style.idleOpacity = value; });
    });
    m_idleRow = sliderRow(idleOpacityTitle, m_idleSlider, m_idleValue);
    m_idleRow->setObjectName(QStringLiteral("idleOpacityRow"));
    column->addWidget(m_idleRow);
    return m_controlsCard;
}

QWidget* FenceLabSectionView::buildPreview()
{
    auto* stage = new PreviewStage(m_environment, [this] { return previewWallpaper(); }, this);
    m_preview = stage;
    auto* column = new QVBoxLayout(stage);
    column->setContentsMargins(18, 0, 18, 0);
    column->setSpacing(12);
    column->addStretch(1);

    m_expandedPreview = new LiquidGlassSurfaceFrame(m_environment, stage);
    m_expandedPreview->setObjectName(QStringLiteral("expandedPreview"));
    auto* fence = new QVBoxLayout(m_expandedPreview);
    fence->setContentsMargins(0, 0, 0, 0);
    fence->setSpacing(8);
    m_previewHeader = new FenceHeaderView(m_environment, m_expandedPreview);
    m_previewHeader->onToggleCollapse = [this] {
        if (!m_fenceID.isNull())
            m_store.toggleCollapse(m_fenceID);
    };
    fence->addWidget(m_previewHeader);
    auto* tiles = new QHBoxLayout();
    tiles->setContentsMargins(12, 0, 12, 12);
    tiles->setSpacing(10);
    tiles->addStretch(1);
    for (const SampleTile& sample : sampleTiles) {
        auto* tile = new FenceItemGridTile(m_environment, m_expandedPreview);
        tile->setTitle(QString::fromUtf8(sample.title));
        tile->setSymbolName(QString::fromUtf8(sample.symbol));
        tile->setBadgeText(QString::fromUtf8(sample.badge));
        tile->setPinned(sample.pinned);
        m_tiles.append(tile);
        tiles->addWidget(tile);
    }
    tiles->addStretch(1);
    fence->addLayout(tiles);
    column->addWidget(m_expandedPreview);

    m_previewPill = new FenceRollUpPillView(m_environment, stage);
    m_previewPill->setObjectName(QStringLiteral("previewPill"));
    m_previewPill->onExpand = [this] {
        if (!m_fenceID.isNull())
            m_store.setCollapsed(m_fenceID, false);
    };
    column->addWidget(m_previewPill);
    column->addStretch(1);
    return stage;
}

LabSwatchButton* FenceLabSectionView::tintSwatch(FenceTintPalette tint) const
{
    return m_tintSwatches.value(allCases<FenceTintPalette>().indexOf(tint));
}

std::optional<FenceModel> FenceLabSectionView::inspectedFence(const MorvanteelStore& store)
{
    const QList<FenceModel> fences = store.activeFences();
    if (const std::optional<QUuid>& selected = store.selectedFenceID()) {
        for (const FenceModel& fence : fences) {
            if (fence.id == *selected)
                return fence;
        }
    }
    if (fences.isEmpty())
        return std::nullopt;
    return fences.first();
}

void FenceLabSectionView::writeStyle(const std::function<void(FenceStyleConfig&)>& change)
{
    // The fence as it is now, not as it was shown: a move on the desktop since stays.
    std::optional<FenceModel> fence = m_store.fence(m_fenceID);
    if (!fence)
        return;
    change(fence->style);
    m_store.updateFence(*fence);
}

void FenceLabSectionView::chooseFence(int index)
{
    const QUuid id = m_picker->itemData(index).toUuid();
    if (!id.isNull())
        m_store.setSelectedFenceID(id);
}

void FenceLabSectionView::refresh()
{
    const std::optional<FenceModel> fence = inspectedFence(m_store);
    setVisible(fence.has_value());
    m_fenceID = fence ? fence->id : QUuid();
    refreshPicker();
    m_preview->update();
    if (!fence)
        return;
    refreshControls(*fence);
    refreshPreview(*fence);
}

void FenceLabSectionView::refreshPicker()
{
    const QList<FenceModel> fences = m_store.activeFences();
    bool same = m_picker->count() == fences.size();
    for (int i = 0; same && i < fences.size(); ++i)
        same = m_picker->itemData(i).toUuid() == fences.at(i).id && m_picker->itemText(i) == fences.at(i).title;
    const QSignalBlocker blocker(m_picker);
    if (!same) {
        m_picker->clear();
        for (const FenceModel& fence : fences)
            m_picker->addItem(fence.title, fence.id);
    }
    const int current = m_picker->findData(m_fenceID);
    if (m_picker->currentIndex() != current)
        m_picker->setCurrentIndex(current);
}

void FenceLabSectionView::refreshControls(const FenceModel& fence)
{
    const FenceStyleConfig& style = fence.style;
    m_controlsCard->setModifier(liquidGlassSurface(style.tint, 20, 0.72, false, false, false));
    for (int i = 0; i < m_tintSwatches.size(); ++i)
        m_tintSwatches.at(i)->setCurrent(allCases<FenceTintPalette>().at(i) == style.tint);
    // The sliders only show the stored values; one outside a slider's range stays stored as it is.
    for (LabSlider* slider : {m_opacitySlider, m_cornerSlider, m_iconScaleSlider, m_idleSlider})
        slider->setTint(style.tint);
    m_opacitySlider->showValue(style.glassOpacity);
    showText(m_opacityValue, percentText(style.glassOpacity));
    m_cornerSlider->showValue(style.cornerRadius);
    showText(m_cornerValue, pointText(style.cornerRadius));
    m_iconScaleSlider->showValue(style.iconScale);
    showText(m_iconScaleValue, scaleText(style.iconScale));
    m_densityPicker->showIndex(int(allCases<FenceDisplayDensity>().indexOf(style.displayDensity)));
    showChecked(m_hoverSwitch, style.hoverUnrollEnabled);
    showChecked(m_chameleonSwitch, style.chameleonFadeEnabled);
    // Exactly when the desktop fades this fence while idle.
    m_idleRow->setVisible(style.chameleonFadeEnabled || m_store.preferences().chameleonGlobalEnabled);
    m_idleSlider->showValue(style.idleOpacity);
    showText(m_idleValue, percentText(style.idleOpacity));
}

void FenceLabSectionView::refreshPreview(const FenceModel& fence)
{
    const FenceStyleConfig& style = fence.style;
    m_expandedPreview->setVisible(!fence.isCollapsed);
    m_previewPill->setVisible(fence.isCollapsed);
    if (fence.isCollapsed) {
        m_previewPill->setFence(fence);
        return;
    }
    m_expandedPreview->setModifier(
        liquidGlassSurface(style.tint, style.cornerRadius, style.glassOpacity, true, false, false));
    m_previewHeader->setTitle(fence.title);
    m_previewHeader->setSymbolName(fence.symbolName);
    m_previewHeader->setBadgeSummary(fence.badgeSummary());
    m_previewHeader->setTint(style.tint);
    m_previewHeader->setCollapsed(false);
    m_previewHeader->setPinned(fence.isPinned);
    m_previewHeader->setLocked(fence.isLocked);
    for (FenceItemGridTile* tile : std::as_const(m_tiles)) {
        tile->setTint(style.tint);
        tile->setDensity(style.displayDensity);
        tile->setIconScale(style.iconScale);
    }
}

WallpaperPreset FenceLabSectionView::previewWallpaper() const
{
    const std::optional<WorkspaceProfile> workspace = m_store.activeWorkspace();
    return workspace ? workspace->wallpaperPreset : WallpaperPreset::tahoeAurora;
}

void FenceLabSectionView::refreshColors()
{
    const ColorScheme scheme = environmentOrDefault(m_environment).colorScheme();
    recolourLabLabels(this, scheme);
    // The picker is the platform's own; it takes the page's scheme, not the application's.
    QPalette palette = QApplication::palette(m_picker);
    if (scheme == ColorScheme::dark) {
        const QColor field(0x3a, 0x3b, 0x40);
        for (const QPalette::ColorRole role : {QPalette::Button, QPalette::Base, QPalette::Window})
            palette.setColor(role, field);
        for (const QPalette::ColorRole role : {QPalette::ButtonText, QPalette::Text, QPalette::WindowText})
            palette.setColor(role, GlassPalette::primaryForeground(scheme));
    }
    m_picker->setPalette(palette);
}

} // namespace mv
