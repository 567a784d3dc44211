#include "desktop/controlcenter/AppearanceLabTabView.h"

#include "core/store/MorvanteelStore.h"
#include "design/DesignFonts.h"
#include "design/GlassTextLabel.h"
#include "design/LiquidGlassSurfaceFrame.h"
#include "design/LiquidGlassTokens.h"
#include "desktop/controlcenter/BackupCardView.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace mv {

AppearanceLabTabView::AppearanceLabTabView(MorvanteelStore& store, DesignEnvironment* environment,
                                           ControlCenterFileDialogs fileDialogs, QWidget* parent)
    : QScrollArea(parent)
    , m_store(store)
    , m_environment(environment)
{
    setObjectName(QStringLiteral("appearanceLabPage"));
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The detail area's wallpaper shows through.
    viewport()->setAutoFillBackground(false);

    auto* content = new QWidget(this);
    content->setObjectName(QStringLiteral("appearanceLabContent"));
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(22, 22, 22, 22);
    column->setSpacing(18);

    m_titleLabel = new GlassTextLabel(content);
    m_titleLabel->setObjectName(QStringLiteral("pageTitle"));
    m_titleLabel->setText(pageTitle);
    m_titleLabel->setFont(designFont(21, QFont::Bold));
    column->addWidget(m_titleLabel);

    auto* cardRow = new QHBoxLayout();
    cardRow->setSpacing(16);
    m_globalCard = new LiquidGlassSurfaceFrame(environment, content);
    m_globalCard->setObjectName(QStringLiteral("globalPhysicsCard"));
    m_globalCard->setModifier(liquidGlassSurface(FenceTintPalette::crystal, 20, 0.74, false, false, false));
    m_globalCard->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Maximum);
    cardRow->addWidget(m_globalCard, 1, Qt::AlignTop);
    m_backupCard = new BackupCardView(store, environment, std::move(fileDialogs), content);
    cardRow->addWidget(m_backupCard, 0, Qt::AlignTop);
    column->addLayout(cardRow);
    column->addStretch(1);

    setWidget(content);
    // The scroll area fills what it is given; this page is transparent all through.
    content->setAutoFillBackground(false);

    if (m_environment)
        connect(m_environment, &DesignEnvironment::changed, this, &AppearanceLabTabView::refreshColors);
    refreshColors();
}

AppearanceLabTabView::~AppearanceLabTabView() = default;

void AppearanceLabTabView::refreshColors()
{
    const ColorScheme scheme = environmentOrDefault(m_environment).colorScheme();
    m_titleLabel->setColor(GlassPalette::primaryForeground(scheme));
}

} // namespace mv
