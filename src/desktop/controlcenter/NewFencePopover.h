#pragma once

#include "core/models/ModelEnums.h"
#include "desktop/controlcenter/ControlCenterPopover.h"

#include <functional>

class QComboBox;
class QLineEdit;

namespace mv {

class LiquidGlassPillButton;

// "新建桌面围栏": the title, the kind and the tint of a new fence and, for a folder portal, the
// folder's path with a "选择…" button. Hidden, it keeps the kind and the tint last chosen; the
// owner sets the title and the path each time it opens it.
class NewFencePopover final : public ControlCenterPopover {
    Q_OBJECT
public:
    static inline const QString heading = QStringLiteral("新建桌面围栏");
    static inline const QString titlePlaceholder = QStringLiteral("围栏标题（例如：待整理文件）");
    static inline const QString kindPickerTitle = QStringLiteral("围栏类型");
    static inline const QString tintPickerTitle = QStringLiteral("液态玻璃色系");
    static inline const QString pathPlaceholder = QStringLiteral("文件夹路径");
    static inline const QString chooseFolderText = QStringLiteral("选择…");

    explicit NewFencePopover(DesignEnvironment* environment, QWidget* parent = nullptr);

    QString title() const;
    FenceKind kind() const;
    FenceTintPalette tint() const;
    QString portalPath() const;
    // Each sets its field or picker only when the value differs.
    void setTitle(const QString& title);
    void setKind(FenceKind kind);
    void setTint(FenceTintPalette tint);
    void setPortalPath(const QString& path);

    // The path row is there only while the kind is a folder portal.
    bool showsPathRow() const;

    QLineEdit* titleField() const { return m_title; }
    QComboBox* kindPicker() const { return m_kind; }
    QComboBox* tintPicker() const { return m_tint; }
    QLineEdit* pathField() const { return m_path; }
    LiquidGlassPillButton* chooseFolderButton() const { return m_chooseFolder; }

    // "选择…".
    std::function<void()> onChooseFolder;

private:
    void refreshPathRow();

    QLineEdit* m_title;
    QComboBox* m_kind;
    QComboBox* m_tint;
    QWidget* m_pathRow;
    QLineEdit* m_path;
    LiquidGlassPillButton* m_chooseFolder;
};

} // namespace mv
