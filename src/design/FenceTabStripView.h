#pragma once

#include "core/models/FenceModels.h"
#include "design/DesignEnvironment.h"

#include <QAbstractButton>
#include <QHash>
#include <QPointer>
#include <QUuid>
#include <QWidget>

#include <functional>

class QHBoxLayout;
class QMenu;

namespace mv {

class GlassTransition;
class LiquidGlassButton;
class FenceTabStripView;

// One tab of the strip: symbol and title in a capsule. Drawn by the strip's content, which
// also paints the sliding glass of the active tab behind it.
class FenceTabCapsule final : public QAbstractButton {
    Q_OBJECT
public:
    FenceTabCapsule(FenceTabStripView* strip, QUuid tabID, QWidget* parent);

    QUuid tabID() const { return m_tabID; }
    void setTab(const FenceTab& tab);
    QString symbolName() const { return m_symbolName; }
    void setActive(bool active);
    bool isActive() const { return m_active; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    FenceTabStripView* m_strip;
    QUuid m_tabID;
    QString m_symbolName;
    bool m_active = false;
};

// The row of tab capsules under a fence header, with an optional add button. Keeps no state:
// the selection is the caller's activeTabID. Capsules are kept per tab id and updated in place.
class FenceTabStripView final : public QWidget {
    Q_OBJECT
public:
    explicit FenceTabStripView(DesignEnvironment* environment, QWidget* parent = nullptr);
    ~FenceTabStripView() override;

    void setTabs(const QList<FenceTab>& tabs);
    void setActiveTabID(const QUuid& activeTabID);
    QUuid activeTabID() const { return m_activeTabID; }
    void setTint(FenceTintPalette tint);
    FenceTintPalette tint() const { return m_tint; }
    // A fence's tabs, active tab and tint; one tab needs no strip, so it shows only with two
    // or more.
    void showTabsOf(const FenceModel& fence);

    // Called with the pressed tab's id (also for the active tab), animated.
    std::function<void(const QUuid&)> onSelectTab;
    // The plus button exists only while a handler is set.
    void setOnAddTab(std::function<void()> onAddTab);
    // The close item exists only while a handler is set and the strip has more than one tab.
    void setOnCloseTab(std::function<void(const QUuid&)> onCloseTab);

    QList<FenceTabCapsule*> capsules() const;
    FenceTabCapsule* capsule(const QUuid& tabID) const { return m_capsules.value(tabID); }
    LiquidGlassButton* addButton() const { return m_addButton; }
    // The tab's context menu (caller owns it), or nullptr when it has none.
    QMenu* createTabMenu(const QUuid& tabID, QWidget* parent);

    const GlassTransition& selectionTransition() const { return *m_selectionTransition; }
    DesignEnvironment* environment() const { return m_environment; }

    QSize sizeHint() const override;

protected:
    // A wheel turned over the strip scrolls it sideways, so tabs beyond its width stay in reach
    // with a mouse that has only the one wheel.
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class FenceTabCapsule;
    friend class FenceTabStripContent;
    void capsuleClicked(const QUuid& tabID);
    void refreshAddButton();
    QRectF activeRect() const;
    // Scrolls the active tab into view once the row has its new layout.
    void revealActiveTab();
    // The row at its width, slid left by the offset, which stays within the row.
    void placeRow();
    // Slides the row as little as brings `shown` (in the row) into view, with room beside it.
    void scrollToShow(const QRect& shown);
    int maximumOffset() const;

    QPointer<DesignEnvironment> m_environment;
    QList<FenceTab> m_tabs;
    QUuid m_activeTabID;
    FenceTintPalette m_tint = FenceTintPalette::crystal;
    std::function<void()> m_onAddTab;
    std::function<void(const QUuid&)> m_onCloseTab;

    int m_offset = 0;
    QWidget* m_content;
    QHBoxLayout* m_row;
    QHash<QUuid, FenceTabCapsule*> m_capsules;
    LiquidGlassButton* m_addButton;
    GlassTransition* m_selectionTransition;
    QRectF m_highlightFrom;
};

} // namespace mv
