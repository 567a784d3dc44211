#include "desktop/controlcenter/NewWorkspacePopover.h"

#include "desktop/controlcenter/EnumPicker.h"

#include <QComboBox>
#include <QLineEdit>

namespace mv {

NewWorkspacePopover::NewWorkspacePopover(DesignEnvironment* environment, QWidget* parent)
    : ControlCenterPopover(environment, heading, 280, parent)
{
    setObjectName(QStringLiteral("newWorkspacePopover"));
    m_name = addField(namePlaceholder);
    m_name->setObjectName(QStringLiteral("workspaceNameField"));
    m_tint = addPicker(tintPickerTitle);
    enumpicker::fill<FenceTintPalette>(*m_tint);
    enumpicker::select(*m_tint, FenceTintPalette::cerulean);
    m_wallpaper = addPicker(wallpaperPickerTitle);
    enumpicker::fill<WallpaperPreset>(*m_wallpaper);
    enumpicker::select(*m_wallpaper, WallpaperPreset::tahoeAurora);
    addButtonRow();
}

QString NewWorkspacePopover::name() const
{
    return m_name->text();
}

FenceTintPalette NewWorkspacePopover::tint() const
{
    return enumpicker::current(*m_tint, FenceTintPalette::cerulean);
}

WallpaperPreset NewWorkspacePopover::wallpaper() const
{
    return enumpicker::current(*m_wallpaper, WallpaperPreset::tahoeAurora);
}

} // namespace mv
