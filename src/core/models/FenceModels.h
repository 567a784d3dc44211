#pragma once

#include "core/models/ModelEnums.h"
#include "core/models/Record.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QUrl>
#include <QUuid>

#include <optional>

namespace mv {

// The persistent records of the workspace model: plain values, copied whole, compared field
// by field. The store holds the one authoritative copy. Numbers default to zero only so that
// nothing is left uninitialised; whoever makes a record supplies every value.

struct WorkspaceProfile {
    QUuid id;
    QString name;
    QString symbolName;
    FenceTintPalette accentTint = FenceTintPalette::crystal;
    WallpaperPreset wallpaperPreset = WallpaperPreset::tahoeAurora;
    QDateTime createdAt;

    bool operator==(const WorkspaceProfile&) const = default;
};

// A rectangle in points; (x, y) is the origin corner in y-up screen coordinates.
// Nothing normalises a negative size.
struct FenceFrameRect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    double minX() const { return x; }
    double minY() const { return y; }
    double maxX() const { return x + width; }
    double maxY() const { return y + height; }
    double midX() const { return x + width * 0.5; }
    double midY() const { return y + height * 0.5; }

    bool operator==(const FenceFrameRect&) const = default;
};

struct FenceStyleConfig {
    FenceTintPalette tint = FenceTintPalette::crystal;
    double glassOpacity = 0;
    double cornerRadius = 0;
    double iconScale = 0;
    FenceDisplayDensity displayDensity = FenceDisplayDensity::grid;
    bool chameleonFadeEnabled = false;
    double idleOpacity = 0;
    bool hoverUnrollEnabled = false;

    bool operator==(const FenceStyleConfig&) const = default;
};

// A quick-launch item of a curated tab.
struct FenceItem {
    QUuid id;
    QString title;
    std::optional<QString> subtitle;
    FenceItemKind kind = FenceItemKind::file;
    QString target;
    QString symbolName;
    std::optional<QString> badgeText;
    bool isPinned = false;
    std::optional<QDateTime> lastOpenedAt;

    // What `target` opens: a target beginning with "/" or "~" is a file path (tilde expanded),
    // anything else is parsed as a URL; none when it is no valid URL with a scheme, or a "~name"
    // of no known user. Nothing is trimmed.
    std::optional<QUrl> resolvedURL() const;

    bool operator==(const FenceItem&) const = default;
};

struct FenceChecklistTask {
    QUuid id;
    QString title;
    bool isCompleted = false;
    QDateTime createdAt;
    std::optional<QDateTime> completedAt;
    bool isFlagged = false;

    bool operator==(const FenceChecklistTask&) const = default;
};

// A tab carries the fields of every kind; those of the other kinds stay as they were.
struct FenceTab {
    QUuid id;
    QString title;
    QString symbolName;
    FenceKind kind = FenceKind::curated;
    std::optional<QString> portalPath;
    std::optional<QString> portalBookmarkBase64;
    QString portalFilter;
    bool showHiddenFiles = false;
    bool showExtensions = false;
    FenceSortMode sortMode = FenceSortMode::manual;
    QList<QString> manualOrder;
    QList<FenceItem> items;
    QString noteText;
    QList<FenceChecklistTask> tasks;

    bool operator==(const FenceTab&) const = default;
};

struct FenceModel {
    QUuid id;
    QUuid workspaceID;
    QString title;
    QString symbolName;
    QList<FenceTab> tabs;
    QUuid activeTabID; // may name no tab; see activeTab()
    bool isCollapsed = false;
    bool isPinned = false;
    bool isLocked = false;
    FenceFrameRect desktopFrame;
    FenceFrameRect canvasFrame;
    qint64 bentoOrder = 0;
    qint64 bentoColumnSpan = 0;
    FenceStyleConfig style;
    QDateTime createdAt;
    QDateTime updatedAt;

    // The memberwise initialiser. Without an active tab id the fence selects its first tab,
    // or, having none, gets a fresh random id that matches no tab.
    static FenceModel make(QUuid id, QUuid workspaceID, QString title, QString symbolName,
                           QList<FenceTab> tabs, std::optional<QUuid> activeTabID,
                           bool isCollapsed, bool isPinned, bool isLocked,
                           FenceFrameRect desktopFrame, FenceFrameRect canvasFrame,
                           qint64 bentoOrder, qint64 bentoColumnSpan, FenceStyleConfig style,
                           QDateTime createdAt, QDateTime updatedAt);

    // The first tab whose id is activeTabID, else the first tab, else none. Never changes
    // activeTabID: a dangling id stays stored.
    const FenceTab* activeTab() const;
    std::optional<qsizetype> activeTabIndex() const;

    // The kind of the active tab; curated when the fence has no tab.
    FenceKind primaryKind() const;

    // The header badge, from the active tab only: "0" without tabs, "传送门" for a portal,
    // "n 项" for a curated list, "n 字" for a note (user-perceived characters), and
    // "open/total" for a checklist.
    QString badgeSummary() const;

    bool operator==(const FenceModel&) const = default;
};

// The program-wide settings. They have no defaults of their own; defaultGlobalPreferences()
// is the value the store starts with.
struct GlobalPreferences {
    bool isLayoutLocked = false;
    bool isDesktopCurtainHidden = false;
    bool isPeekActive = false;
    double snapThreshold = 0;
    double snapGap = 0;
    bool magneticSnappingEnabled = false;
    bool chameleonGlobalEnabled = false;
    bool autoTidyOnDrop = false;
    iOSLayoutMode preferrediOSLayout = iOSLayoutMode::bentoGrid;
    QString demoPortalRootPath;
    std::optional<QDateTime> lastExportDate;

    bool operator==(const GlobalPreferences&) const = default;
};

// Threshold 14, gap 12, magnetic snapping on, every other switch off, bento grid,
// no demo path and no export date yet.
GlobalPreferences defaultGlobalPreferences();

template<> inline constexpr bool isHashableRecord<WorkspaceProfile> = true;
template<> inline constexpr bool isHashableRecord<FenceFrameRect> = true;
template<> inline constexpr bool isHashableRecord<FenceStyleConfig> = true;
template<> inline constexpr bool isHashableRecord<FenceItem> = true;
template<> inline constexpr bool isHashableRecord<FenceChecklistTask> = true;
template<> inline constexpr bool isHashableRecord<FenceTab> = true;
template<> inline constexpr bool isHashableRecord<FenceModel> = true;

template<class V, RecordOf<WorkspaceProfile> R>
void describeFields(V& v, R& r)
{
    v("id", r.id);
    v("name", r.name);
    v("symbolName", r.symbolName);
    v("accentTint", r.accentTint);
    v("wallpaperPreset", r.wallpaperPreset);
    v("createdAt", r.createdAt);
}

template<class V, RecordOf<FenceFrameRect> R>
void describeFields(V& v, R& r)
{
    v("x", r.x);
    v("y", r.y);
    v("width", r.width);
    v("height", r.height);
}

template<class V, RecordOf<FenceStyleConfig> R>
void describeFields(V& v, R& r)
{
    v("tint", r.tint);
    v("glassOpacity", r.glassOpacity);
    v("cornerRadius", r.cornerRadius);
    v("iconScale", r.iconScale);
    v("displayDensity", r.displayDensity);
    v("chameleonFadeEnabled", r.chameleonFadeEnabled);
    v("idleOpacity", r.idleOpacity);
    v("hoverUnrollEnabled", r.hoverUnrollEnabled);
}

template<class V, RecordOf<FenceItem> R>
void describeFields(V& v, R& r)
{
    v("id", r.id);
    v("title", r.title);
    v("subtitle", r.subtitle);
    v("kind", r.kind);
    v("target", r.target);
    v("symbolName", r.symbolName);
    v("badgeText", r.badgeText);
    v("isPinned", r.isPinned);
    v("lastOpenedAt", r.lastOpenedAt);
}

template<class V, RecordOf<FenceChecklistTask> R>
void describeFields(V& v, R& r)
{
    v("id", r.id);
    v("title", r.title);
    v("isCompleted", r.isCompleted);
    v("createdAt", r.createdAt);
    v("completedAt", r.completedAt);
    v("isFlagged", r.isFlagged);
}

template<class V, RecordOf<FenceTab> R>
void describeFields(V& v, R& r)
{
    v("id", r.id);
    v("title", r.title);
    v("symbolName", r.symbolName);
    v("kind", r.kind);
    v("portalPath", r.portalPath);
    v("portalBookmarkBase64", r.portalBookmarkBase64);
    v("portalFilter", r.portalFilter);
    v("showHiddenFiles", r.showHiddenFiles);
    v("showExtensions", r.showExtensions);
    v("sortMode", r.sortMode);
    v("manualOrder", r.manualOrder);
    v("items", r.items);
    v("noteText", r.noteText);
    v("tasks", r.tasks);
}

template<class V, RecordOf<FenceModel> R>
void describeFields(V& v, R& r)
{
    v("id", r.id);
    v("workspaceID", r.workspaceID);
    v("title", r.title);
    v("symbolName", r.symbolName);
    v("tabs", r.tabs);
    v("activeTabID", r.activeTabID);
    v("isCollapsed", r.isCollapsed);
    v("isPinned", r.isPinned);
    v("isLocked", r.isLocked);
    v("desktopFrame", r.desktopFrame);
    v("canvasFrame", r.canvasFrame);
    v("bentoOrder", r.bentoOrder);
    v("bentoColumnSpan", r.bentoColumnSpan);
    v("style", r.style);
    v("createdAt", r.createdAt);
    v("updatedAt", r.updatedAt);
}

template<class V, RecordOf<GlobalPreferences> R>
void describeFields(V& v, R& r)
{
    v("isLayoutLocked", r.isLayoutLocked);
    v("isDesktopCurtainHidden", r.isDesktopCurtainHidden);
    v("isPeekActive", r.isPeekActive);
    v("snapThreshold", r.snapThreshold);
    v("snapGap", r.snapGap);
    v("magneticSnappingEnabled", r.magneticSnappingEnabled);
    v("chameleonGlobalEnabled", r.chameleonGlobalEnabled);
    v("autoTidyOnDrop", r.autoTidyOnDrop);
    v("preferrediOSLayout", r.preferrediOSLayout);
    v("demoPortalRootPath", r.demoPortalRootPath);
    v("lastExportDate", r.lastExportDate);
}

} // namespace mv
