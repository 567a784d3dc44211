#include "desktop/controlcenter/CompanionCanvasPreviewTabView.h"

#include "core/store/MorvanteelStore.h"
#include "design/DesignEnvironment.h"
#include "design/DesignFonts.h"
#include "design/GlassTextLabel.h"
#include "design/LiquidGlassTokens.h"
#include "desktop/controlcenter/CompanionDeviceScreen.h"
#include "desktop/controlcenter/CompanionDeviceStage.h"
#include "desktop/controlcenter/CompanionSegmentedPicker.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace mv {

namespace {

template<ModelEnum E>
QStringList displayNames()
{
    QStringList names;
    for (const E value : allCases<E>())
        names.append(displayName(value));
    return names;
}

} // namespace

CompanionCanvasPreviewTabView::CompanionCanvasPreviewTabView(MorvanteelStore& store, DesignEnvironment* environment,
                                                             QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_environment(environment)
{
    setObjectName(QStringLiteral("companionPage"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(22, 22, 22, 22);
    column->setSpacing(14);

    auto* header = new QHBoxLayout();
    auto* names = new QVBoxLayout();
    names->setSpacing(2);
    m_title = new GlassTextLabel(this);
    m_title->setText(pageTitle);
    m_title->setFont(designFont(21, QFont::Bold));
    m_subtitle = new GlassTextLabel(this);
    m_subtitle->setText(pageSubtitle);
    m_subtitle->setFont(designFont(12));
    m_subtitle->setMaximumLines(2);
    m_subtitle->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    names->addWidget(m_title);
    names->addWidget(m_subtitle);
    header->addLayout(names, 1);

    const FenceTintPalette accent = FenceTintPalette::cerulean;
    m_devicePicker = new CompanionSegmentedPicker(environment, devicePickerName, displayNames<CompanionDeviceKind>(),
                                                  220, accent, this);
    m_devicePicker->setObjectName(QStringLiteral("devicePicker"));
    m_layoutPicker = new CompanionSegmentedPicker(environment, layoutPickerName, displayNames<iOSLayoutMode>(), 190,
                                                  accent, this);
    m_layoutPicker->setObjectName(QStringLiteral("layoutPicker"));
    header->addWidget(m_devicePicker, 0, Qt::AlignVCenter);
    header->addWidget(m_layoutPicker, 0, Qt::AlignVCenter);
    column->addLayout(header);

    m_screen = new CompanionDeviceScreen(store, environment);
    m_stage = new CompanionDeviceStage(m_screen, environment, this);
    column->addWidget(m_stage, 1);

    m_devicePicker->onChoose = [this](int index) { setDevice(allCases<CompanionDeviceKind>().value(index)); };
    m_layoutPicker->onChoose = [this](int index) { chooseLayout(allCases<iOSLayoutMode>().value(index)); };
    connect(&m_store, &MorvanteelStore::preferencesChanged, this, &CompanionCanvasPreviewTabView::refreshLayoutPicker);
    if (m_environment)
        connect(m_environment, &DesignEnvironment::changed, this, &CompanionCanvasPreviewTabView::refreshColors);

    m_devicePicker->setCurrentIndex(int(allCases<CompanionDeviceKind>().indexOf(device())));
    refreshLayoutPicker();
    refreshColors();
}

CompanionCanvasPreviewTabView::~CompanionCanvasPreviewTabView() = default;

CompanionDeviceKind CompanionCanvasPreviewTabView::device() const
{
    return m_screen->device();
}

void CompanionCanvasPreviewTabView::setDevice(CompanionDeviceKind device)
{
    m_screen->setDevice(device);
    m_stage->refreshDevice();
    m_devicePicker->setCurrentIndex(int(allCases<CompanionDeviceKind>().indexOf(device)));
}

void CompanionCanvasPreviewTabView::chooseLayout(iOSLayoutMode layout)
{
    // One field of the preferences as they are now, then the save.
    GlobalPreferences preferences = m_store.preferences();
    if (preferences.preferrediOSLayout == layout)
        return;
    preferences.preferrediOSLayout = layout;
    m_store.setPreferences(std::move(preferences));
    m_store.save();
}

void CompanionCanvasPreviewTabView::refreshLayoutPicker()
{
    m_layoutPicker->setCurrentIndex(int(allCases<iOSLayoutMode>().indexOf(m_store.preferences().preferrediOSLayout)));
}

void CompanionCanvasPreviewTabView::refreshColors()
{
    const ColorScheme scheme = environmentOrDefault(m_environment).colorScheme();
    m_title->setColor(GlassPalette::primaryForeground(scheme));
    m_subtitle->setColor(GlassPalette::secondaryForeground(scheme));
}

} // namespace mv
