#pragma once

#include "core/engine/PortalTypes.h"
#include "core/models/FenceModels.h"

#include <QList>
#include <QUuid>
#include <QWidget>

class QStackedLayout;

namespace mv {

class CompanionTileGrid;
class DesignEnvironment;
class FenceChecklistListView;
class FenceHeaderView;
class FenceItemGridTile;
class FenceNoteEditorView;
class FenceRollUpPillView;
class FenceTabStripView;
class LiquidGlassSurfaceFrame;
class MorvanteelStore;

// One fence as the companion preview shows it: its roll-up pill while collapsed, else its glass
// with the header, the tab strip (two tabs or more) and the active tab's body. Built once per
// fence and updated in place, so a note typed here keeps its cursor and composition. Every
// action is one store operation with the card's fence id; nothing is launched from a tile.
class CompanionFenceCard final : public QWidget {
    Q_OBJECT

public:
    // Portal and curated cards show this many entries, whatever the folder or the tab holds.
    static constexpr int previewEntryLimit = 6;
    static constexpr double tileIconScale = 0.9;
    static constexpr int noteMinimumHeight = 130;
    static constexpr int checklistMinimumHeight = 150;

    CompanionFenceCard(MorvanteelStore& store, const QUuid& fenceID, DesignEnvironment* environment,
                       QWidget* parent = nullptr);
    ~CompanionFenceCard() override;

    const QUuid& fenceID() const { return m_fenceID; }

    // Shows `fence` as the store holds it now; `portalHead` is the head of its active tab's
    // folder when that tab is a portal (ignored otherwise).
    void refresh(const FenceModel& fence, const PortalScanResult& portalHead);

    bool isRolledUp() const { return m_isRolledUp; }
    FenceRollUpPillView* pill() const { return m_pill; }
    LiquidGlassSurfaceFrame* surface() const { return m_surface; }
    FenceHeaderView* header() const { return m_header; }
    FenceTabStripView* tabStrip() const { return m_tabStrip; }
    // The tiles shown (portal entries or curated items), in order.
    QList<FenceItemGridTile*> shownTiles() const;
    FenceNoteEditorView* noteEditor() const { return m_noteEditor; }
    FenceChecklistListView* checklist() const { return m_checklist; }

private:
    void refreshBody(const FenceModel& fence, const PortalScanResult& portalHead);

    MorvanteelStore& m_store;
    QUuid m_fenceID;
    bool m_isRolledUp = false;

    QStackedLayout* m_stack;
    FenceRollUpPillView* m_pill;
    LiquidGlassSurfaceFrame* m_surface;
    FenceHeaderView* m_header;
    FenceTabStripView* m_tabStrip;
    CompanionTileGrid* m_tiles;
    FenceNoteEditorView* m_noteEditor;
    FenceChecklistListView* m_checklist;
};

} // namespace mv
