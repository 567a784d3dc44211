#pragma once

#include "core/models/ModelEnums.h"
#include "core/models/Record.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

namespace mv {

// The compact picture of the workspaces that the store publishes for the widget and the
// shortcuts. Its JSON is read by a separate program, so its form is fixed.

struct WidgetSnapshotItem {
    QUuid id;
    QString title;
    std::optional<QString> subtitle;
    QString symbolName;
    FenceItemKind kind = FenceItemKind::file;
    QString deepLinkURL;
    std::optional<bool> isCompleted; // tasks only

    bool operator==(const WidgetSnapshotItem&) const = default;
};

struct WidgetSnapshotFence {
    QUuid id;
    QUuid workspaceID;
    QString workspaceName;
    QString title;
    QString symbolName;
    FenceKind kind = FenceKind::curated;
    FenceTintPalette tint = FenceTintPalette::crystal;
    qint64 itemCount = 0;
    QList<WidgetSnapshotItem> items;
    std::optional<QString> notePreview;
    QString deepLinkURL;

    bool operator==(const WidgetSnapshotFence&) const = default;
};

struct WidgetWorkspaceSummary {
    QUuid id;
    QString name;
    QString symbolName;
    FenceTintPalette accentTint = FenceTintPalette::crystal;

    bool operator==(const WidgetWorkspaceSummary&) const = default;
};

struct WidgetSnapshotPayload {
    QDateTime generatedAt;
    QUuid activeWorkspaceID;
    QString activeWorkspaceName;
    QList<WidgetWorkspaceSummary> workspaces;
    QList<WidgetSnapshotFence> fences;

    bool operator==(const WidgetSnapshotPayload&) const = default;
};

template<> inline constexpr bool isHashableRecord<WidgetSnapshotItem> = true;
template<> inline constexpr bool isHashableRecord<WidgetSnapshotFence> = true;
template<> inline constexpr bool isHashableRecord<WidgetWorkspaceSummary> = true;

template<class V, RecordOf<WidgetSnapshotItem> R>
void describeFields(V& v, R& r)
{
    v("id", r.id);
    v("title", r.title);
    v("subtitle", r.subtitle);
    v("symbolName", r.symbolName);
    v("kind", r.kind);
    v("deepLinkURL", r.deepLinkURL);
    v("isCompleted", r.isCompleted);
}

template<class V, RecordOf<WidgetSnapshotFence> R>
void describeFields(V& v, R& r)
{
    v("id", r.id);
    v("workspaceID", r.workspaceID);
    v("workspaceName", r.workspaceName);
    v("title", r.title);
    v("symbolName", r.symbolName);
    v("kind", r.kind);
    v("tint", r.tint);
    v("itemCount", r.itemCount);
    v("items", r.items);
    v("notePreview", r.notePreview);
    v("deepLinkURL", r.deepLinkURL);
}

template<class V, RecordOf<WidgetWorkspaceSummary> R>
void describeFields(V& v, R& r)
{
    v("id", r.id);
    v("name", r.name);
    v("symbolName", r.symbolName);
    v("accentTint", r.accentTint);
}

template<class V, RecordOf<WidgetSnapshotPayload> R>
void describeFields(V& v, R& r)
{
    v("generatedAt", r.generatedAt);
    v("activeWorkspaceID", r.activeWorkspaceID);
    v("activeWorkspaceName", r.activeWorkspaceName);
    v("workspaces", r.workspaces);
    v("fences", r.fences);
}

} // namespace mv
