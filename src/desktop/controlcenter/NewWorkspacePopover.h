#pragma once

#include "core/models/ModelEnums.h"
#include "desktop/controlcenter/ControlCenterPopover.h"

class QComboBox;
class QLineEdit;

namespace mv {

// "新建工作区": the name, the accent tint and the wallpaper of a new workspace. Hidden, it keeps
// the tint and the wallpaper last chosen; the owner clears the name each time it opens it.
class NewWorkspacePopover final : public ControlCenterPopover {
    Q_OBJECT
public:
    static inline const QString heading = QStringLiteral("新建工作区");
    static inline const QString namePlaceholder = QStringLiteral("工作区名称");
    static inline const QString tintPickerTitle = QStringLiteral("主题色调");
    static inline const QString wallpaperPickerTitle = QStringLiteral("背景光影");

    explicit NewWorkspacePopover(DesignEnvironment* environment, QWidget* parent = nullptr);

    QString name() const;
    FenceTintPalette tint() const;
    WallpaperPreset wallpaper() const;

    QLineEdit* nameField() const { return m_name; }
    QComboBox* tintPicker() const { return m_tint; }
    QComboBox* wallpaperPicker() const { return m_wallpaper; }

private:
    QLineEdit* m_name;
    QComboBox* m_tint;
    QComboBox* m_wallpaper;
};

} // namespace mv
