#pragma once

#include "design/LiquidGlassSurfaceFrame.h"
#include "desktop/controlcenter/ControlCenterFileDialogs.h"

#include <QPointer>

#include <functional>
#include <memory>

class QAbstractButton;
class QMessageBox;

namespace mv {

class LiquidGlassPillButton;
class MorvanteelStore;

// The appearance page's card for the whole workspace state: export it as a JSON backup, import
// such a file back, or reset everything to the demo configuration after asking. It keeps no
// state of its own: each export encodes the store afresh, and every outcome is told through
// the store's status message.
class BackupCardView final : public LiquidGlassSurfaceFrame {
    Q_OBJECT

public:
    static constexpr int fixedCardWidth = 310;

    static inline const QString titleText = QStringLiteral("JSON 原子备份与恢复");
    static inline const QString descriptionText =
        QStringLiteral("完整导出工作区、围栏坐标、样式参数与智能规则，支持跨设备恢复。");
    static inline const QString exportButtonTitle = QStringLiteral("导出 JSON 备份…");
    static inline const QString importButtonTitle = QStringLiteral("导入 JSON 备份…");
    static inline const QString resetButtonTitle = QStringLiteral("恢复默认演示数据…");
    static inline const QString suggestedFileName = QStringLiteral("Morvanteel-Backup.json");
    static inline const QString fileFilter = QStringLiteral("JSON (*.json)");
    static inline const QString exportedStatusPrefix = QStringLiteral("已导出配置备份至 ");
    static inline const QString exportFailedPrefix = QStringLiteral("导出失败：");
    static inline const QString importFailedPrefix = QStringLiteral("导入失败：");
    static inline const QString resetAlertTitle = QStringLiteral("确认重置为默认演示配置？");
    static inline const QString resetAlertMessage =
        QStringLiteral("将恢复 3 个工作区、默认桌面围栏与智能规则，并确保演示文件夹示例文件就绪。");
    static inline const QString resetAlertCancel = QStringLiteral("取消");
    static inline const QString resetAlertConfirm = QStringLiteral("重置");

    // Asks whether to reset; true only for "重置".
    using ConfirmReset = std::function<bool(QWidget* parent)>;

    BackupCardView(MorvanteelStore& store, DesignEnvironment* environment, ControlCenterFileDialogs fileDialogs,
                   QWidget* parent = nullptr);
    ~BackupCardView() override;

    // The reset confirmation; the real alert until replaced.
    ConfirmReset confirmReset;

    // The reset alert, not yet shown: "取消" is its default and its Esc button, "重置" is
    // destructive. The caller owns it.
    static std::unique_ptr<QMessageBox> makeResetAlert(QWidget* parent);
    // Shows the alert modally; true when "重置" was pressed.
    static bool askWithResetAlert(QWidget* parent);

    // The actions the buttons run.
    void exportBackup();
    void importBackup();
    void resetToDefaults();

    // The import failure's text with exactly one "导入失败：" in front.
    static QString importFailureText(const QString& reason);

    LiquidGlassPillButton* exportButton() const { return m_exportButton; }
    LiquidGlassPillButton* importButton() const { return m_importButton; }
    QAbstractButton* resetButton() const { return m_resetButton; }

private:
    void refreshColors();

    MorvanteelStore& m_store;
    ControlCenterFileDialogs m_fileDialogs;
    LiquidGlassPillButton* m_exportButton = nullptr;
    LiquidGlassPillButton* m_importButton = nullptr;
    QAbstractButton* m_resetButton = nullptr;
};

} // namespace mv
