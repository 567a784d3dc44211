#pragma once

#include "core/models/FenceModels.h"
#include "design/DesignEnvironment.h"

#include <QListView>
#include <QPointer>
#include <QSet>
#include <QStyledItemDelegate>
#include <QWidget>

#include <functional>

class QLineEdit;
class QStackedWidget;

namespace mv {

class FenceChecklistListView;
class FenceChecklistModel;
class GlassTextLabel;
class GlassTransition;
class LiquidGlassPillButton;

// Where the parts of one task row lie inside the row's rectangle.
struct FenceChecklistRowGeometry {
    QRectF background; // the rounded row, without the gap below it
    QRectF toggle;
    QRectF title;
    QRectF flag;       // empty when the task is not flagged
    QRectF deleteButton; // empty while locked

    static constexpr qreal rowGap = 6;
    static constexpr qreal toggleFontSize = 15.5;
    static constexpr qreal titleFontSize = 12.5;
    static constexpr qreal flagFontSize = 10.5;
    static constexpr qreal deleteFontSize = 12.5;

    static FenceChecklistRowGeometry compute(const QRectF& rowRect, bool flagged, bool locked);
    // The row's height for a title in `width` (title wraps to at most two lines), gap included.
    static qreal rowHeight(const QString& title, qreal width, bool flagged, bool locked);
};

// Paints the task rows and turns clicks on them into toggles and deletions.
class FenceChecklistDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit FenceChecklistDelegate(FenceChecklistListView* view);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

protected:
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

private:
    FenceChecklistListView* m_view;
};

// The tasks of a checklist tab: an add field with a compact add button, the task rows (one
// list view with a painting delegate) or an empty state, and a footer with the completed count.
// It never changes its tasks: every change goes out through the callbacks, and the owner
// passes the new list back in.
class FenceChecklistListView final : public QWidget {
    Q_OBJECT
public:
    explicit FenceChecklistListView(DesignEnvironment* environment, QWidget* parent = nullptr);
    ~FenceChecklistListView() override;

    void setTasks(const QList<FenceChecklistTask>& tasks);
    const QList<FenceChecklistTask>& tasks() const;
    void setTint(FenceTintPalette tint);
    FenceTintPalette tint() const { return m_tint; }
    void setLocked(bool locked);
    bool isLocked() const { return m_isLocked; }

    // A click on a row or its circle (animated, also while locked); Space on the current row.
    std::function<void(const QUuid&)> onToggleTask;
    // The add button or Return in the field, with the trimmed, non-empty title (animated).
    std::function<void(const QString&)> onAddTask;
    // The row's delete button (only while unlocked); Delete on the current row.
    std::function<void(const QUuid&)> onDeleteTask;

    QLineEdit* addField() const { return m_addField; }
    LiquidGlassPillButton* addButton() const { return m_addButton; }
    QListView* listView() const { return m_list; }
    QWidget* emptyState() const { return m_emptyState; }
    QString footerText() const;
    FenceChecklistModel* model() const { return m_model; }
    // The parts of a row in the list's viewport coordinates.
    FenceChecklistRowGeometry rowGeometry(int row) const;

    const GlassTransition& addTransition() const { return *m_addTransition; }
    const GlassTransition& toggleTransition() const { return *m_toggleTransition; }
    DesignEnvironment* environment() const { return m_environment; }

private:
    friend class FenceChecklistDelegate;
    void submitNewTask();
    void toggle(const QUuid& id);
    void remove(const QUuid& id);
    void refresh();
    void refreshAddButton();

    QPointer<DesignEnvironment> m_environment;
    FenceTintPalette m_tint = FenceTintPalette::crystal;
    bool m_isLocked = false;

    QWidget* m_addCapsule;
    QLineEdit* m_addField;
    LiquidGlassPillButton* m_addButton;
    QStackedWidget* m_body;
    QListView* m_list;
    QWidget* m_emptyState;
    GlassTextLabel* m_footer;
    FenceChecklistModel* m_model;
    FenceChecklistDelegate* m_delegate;
    GlassTransition* m_addTransition;
    GlassTransition* m_toggleTransition;
    QUuid m_toggledTaskID;
    QSet<QUuid> m_appearingTaskIDs;
};

} // namespace mv
