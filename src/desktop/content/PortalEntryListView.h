#pragma once

#include "core/models/ModelEnums.h"
#include "design/DesignEnvironment.h"
#include "desktop/content/TileGridColumns.h"
#include "desktop/content/TileGridListView.h"

#include <functional>
#include <optional>

namespace mv {

class PortalEntryDelegate;

// The grid's columns, at least max(iconScale × 82, 70) wide.
struct PortalGridColumns : TileGridColumns {
    static PortalGridColumns fit(qreal availableWidth, double iconScale);
};

// The entries of a portal folder: one list view over the entry model, drawn by a painting
// delegate, an icon grid or a compact list by the fence's density. It keeps no selection of
// its own: the fence content holds the selected entry and hands it in, and presses, keyboard
// moves and activations go out through the callbacks. Space is left to the body around it.
class PortalEntryListView final : public TileGridListView {
    Q_OBJECT
public:
    static constexpr int verticalPadding = 6;

    explicit PortalEntryListView(DesignEnvironment* environment, QWidget* parent = nullptr);

    void setSelectedEntryID(const std::optional<QString>& entryID);
    const std::optional<QString>& selectedEntryID() const { return m_selectedEntryID; }
    // The entry under the pointer, by id, so that a rescan does not move the highlight.
    const std::optional<QString>& hoveredEntryID() const { return hoveredKey(); }

    PortalGridColumns gridColumns() const { return {tileColumns()}; }

    // A press on an entry (any button), and a keyboard move onto one.
    std::function<void(const QModelIndex&)> onEntryPressed;
    // A double click on an entry, or Return on the current one.
    std::function<void(const QModelIndex&)> onEntryActivated;

protected:
    // TileGridListView
    TileGridColumns fitColumns(qreal availableWidth) const override;
    int tileHeight(int width) const override;
    bool activateItem(const QModelIndex& index) override;
    void itemPressed(const QModelIndex& index) override;
    // QWidget
    void keyPressEvent(QKeyEvent* event) override;
    // A drop on a folder tile goes into that folder; elsewhere, to the folder shown.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    PortalEntryDelegate* m_delegate;
    std::optional<QString> m_selectedEntryID;
};

} // namespace mv
