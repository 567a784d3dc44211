#pragma once

#include "core/models/FenceModels.h"
#include "design/DesignEnvironment.h"

#include <QFrame>
#include <QList>
#include <QPointer>

#include <functional>
#include <optional>
#include <utility>

class QHBoxLayout;
class QLineEdit;

namespace mv {

class GlassTextLabel;
class LiquidGlassPillButton;

// The add-item popover of a curated tab: the kind picker, the title and target fields, the
// browse button for files and apps, and cancel and add. It only holds what the user typed; the
// tab decides what adding does. Hidden, it keeps its fields and the kind last used.
class CuratedAddItemPopover final : public QFrame {
    Q_OBJECT
public:
    static inline const QString heading = QStringLiteral("添加快捷启动项");
    static inline const QString pickerTitle = QStringLiteral("类型");
    static inline const QString titlePlaceholder = QStringLiteral("名称（如：设计文档）");
    static inline const QString browseText = QStringLiteral("浏览…");
    // The picker's segments, in order.
    static QList<std::pair<FenceItemKind, QString>> kindSegments();
    static QString targetPlaceholder(FenceItemKind kind);
    static bool offersBrowsing(FenceItemKind kind);
    static inline const QString browseDialogTitle = QStringLiteral("选择文件或文件夹");
    static inline const QString browseAcceptText = QStringLiteral("选择");
    // What "浏览…" asks with: one file or one folder, in a modal dialog; none when cancelled.
    static std::optional<QString> chooseFileOrFolder(QWidget* parent);

    explicit CuratedAddItemPopover(DesignEnvironment* environment, QWidget* parent = nullptr);

    FenceItemKind kind() const { return m_kind; }
    void setKind(FenceItemKind kind);

    // Opens below `anchor`, centred on it, kept on the anchor's screen.
    void showAt(QWidget* anchor);

    QLineEdit* titleField() const { return m_title; }
    QLineEdit* targetField() const { return m_target; }
    LiquidGlassPillButton* segmentButton(FenceItemKind kind) const;
    LiquidGlassPillButton* browseButton() const { return m_browse; }
    LiquidGlassPillButton* cancelButton() const { return m_cancel; }
    LiquidGlassPillButton* addButton() const { return m_add; }

    std::function<void()> onBrowse;
    std::function<void()> onCancel;
    std::function<void()> onAdd;

protected:
    // QWidget
    void paintEvent(QPaintEvent* event) override;

private:
    void refreshKind();

    QPointer<DesignEnvironment> m_environment;
    FenceItemKind m_kind = FenceItemKind::url;
    GlassTextLabel* m_heading;
    QList<std::pair<FenceItemKind, LiquidGlassPillButton*>> m_segments;
    QLineEdit* m_title;
    QLineEdit* m_target;
    LiquidGlassPillButton* m_browse;
    LiquidGlassPillButton* m_cancel;
    LiquidGlassPillButton* m_add;
};

} // namespace mv
