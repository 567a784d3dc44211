#pragma once

#include "core/models/FenceModels.h"
#include "design/DesignEnvironment.h"
#include "desktop/content/CuratedAddItemPopover.h"
#include "desktop/content/CuratedItemLauncher.h"
#include "desktop/controlcenter/ControlCenterTab.h"

#include <QPointer>
#include <QUrl>
#include <QUuid>
#include <QWidget>

#include <functional>
#include <optional>

class QMenu;

namespace mv {

class CuratedItemListView;
class CuratedItemModel;
class LiquidGlassBadge;
class LiquidGlassButton;
class MorvanteelStore;

// The body of a curated tab, a quick-launch board: a header with the item count and the add
// button with its popover, then the items as tiles. It keeps no copy of the tab: refresh shows
// the store's fence and tab as they are, and every change goes through the store at once.
// Launching an item handles the program's own links in place and leaves everything else to
// the desktop, through an opener that tests replace.
class CuratedTabView final : public QWidget {
    Q_OBJECT
public:
    static inline const QString addButtonText = QStringLiteral("添加入口");
    // "3 个快捷入口" for three items.
    static QString countText(qsizetype count);
    // The label (subtitle and badge) and symbol a new item of this kind gets.
    static QString kindLabel(FenceItemKind kind);
    static QString kindSymbol(FenceItemKind kind);
    // The item the popover's fields make, trimmed; none when the target is blank.
    static std::optional<FenceItem> newItem(const QString& title, const QString& target, FenceItemKind kind,
                                            const QUuid& id);

    // Asks the user for one file or folder; none when cancelled.
    using PathChooser = std::function<std::optional<QString>(QWidget* parent)>;

    CuratedTabView(MorvanteelStore& store, const QUuid& fenceID, DesignEnvironment* environment,
                   QWidget* parent = nullptr);
    ~CuratedTabView() override;

    // Shows `tab`, the active curated tab of `fence` as the store holds it now.
    void refresh(const FenceModel& fence, const FenceTab& tab);

    // Runs an item at once, as every road to an item does (launchCuratedItem). Beyond what a
    // link asks, it writes only the status message of a refused or failed launch.
    void launch(const FenceItem& item);

    // The tile's context menu for the item, built from the store as it is now (the caller owns
    // it); nullptr when the item is gone from the fence's active tab.
    QMenu* createItemMenu(const QUuid& itemID, QWidget* parent);

    bool isShowingAddItemPopover() const;
    void setShowingAddItemPopover(bool showing);
    // "浏览…": the chosen path becomes the target, and its last part the title when none is
    // typed. The popover is out of the way while the chooser runs and back afterwards.
    void browseForTarget();
    // "添加": appends the item the fields make to the fence's active tab, then empties the
    // fields and closes; nothing at all while the target is blank.
    void addItemFromPopover();

    // Replaceable for tests.
    CuratedItemOpener opener = CuratedItemOpener::desktop();
    PathChooser pathChooser = &CuratedAddItemPopover::chooseFileOrFolder;
    std::function<void()> onOpenSpotSearch;
    std::function<void(ControlCenterTab)> onOpenControlCenter;
    // A link in the program's scheme that names no request known here.
    std::function<void(const QUrl&)> onOpenDeepLink;

    LiquidGlassBadge* countBadge() const { return m_badge; }
    LiquidGlassButton* addButton() const { return m_addButton; }
    // Made at the first call.
    CuratedAddItemPopover* popover() const;
    CuratedItemListView* itemList() const { return m_list; }
    CuratedItemModel* itemModel() const { return m_model; }

protected:
    // QWidget: files dropped on the tab become its items.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    std::optional<FenceItem> activeTabItem(const QUuid& itemID) const;
    void togglePin(const QUuid& itemID);
    void removeItem(const QUuid& itemID);
    void openItemMenu(const QModelIndex& index, const QPoint& globalPos);

    MorvanteelStore& m_store;
    QUuid m_fenceID;
    QPointer<DesignEnvironment> m_environment;
    LiquidGlassBadge* m_badge;
    LiquidGlassButton* m_addButton;
    mutable CuratedAddItemPopover* m_popover = nullptr;
    CuratedItemListView* m_list;
    CuratedItemModel* m_model;
};

} // namespace mv
