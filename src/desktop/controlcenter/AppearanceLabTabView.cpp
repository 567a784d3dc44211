#include "desktop/controlcenter/AppearanceLabTabView.h"

#include "design/DesignFonts.h"
#include "design/GlassTextLabel.h"
#include "design/LiquidGlassTokens.h"
#include "desktop/controlcenter/BackupCardView.h"
#include "desktop/controlcenter/FenceLabSectionView.h"
#include "desktop/controlcenter/GlobalPhysicsCardView.h"
#include "desktop/controlcenter/LabControls.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace mv {

AppearanceLabTabView::AppearanceLabTabView(MorvanteelStore& store, DesignEnvironment* environment,
                                           ControlCenterFileDialogs fileDialogs, QWidget* parent)
    : QScrollArea(parent)
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

    m_titleLabel = makeLabLabel(pageTitle, designFont(21, QFont::Bold), LabLabelStyle::primary, content);
    m_titleLabel->setObjectName(QStringLiteral("pageTitle"));
    column->addWidget(m_titleLabel);

    auto* cardRow = new QHBoxLayout();
    cardRow->setSpacing(16);
    m_globalCard = new GlobalPhysicsCardView(store, environment, content);
    cardRow->addWidget(m_globalCard, 1, Qt::AlignTop);
    m_backupCard = new BackupCardView(store, environment, std::move(fileDialogs), content);
    cardRow->addWidget(m_backupCard, 0, Qt::AlignTop);
    column->addLayout(cardRow);

    m_fenceLab = new FenceLabSectionView(store, environment, content);
    column->addWidget(m_fenceLab);
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
    m_titleLabel->setColor(GlassPalette::primaryForeground(environmentOrDefault(m_environment).colorScheme()));
}

} // namespace mv
