#pragma once

#include "core/models/FenceModels.h"
#include "core/models/JsonCodec.h"
#include "core/models/SmartRuleModels.h"

#include <QByteArray>

namespace mv {

// The one persistent document: the state file, a backup export and a backup import.
// Nothing reads schemaVersion back; writers put 1 there.
struct MorvanteelBackupDocument {
    qint64 schemaVersion = 1;
    QDateTime exportedAt;
    GlobalPreferences preferences;
    QUuid activeWorkspaceID;
    QList<WorkspaceProfile> workspaces;
    QList<FenceModel> fences;
    QList<SmartRule> smartRules;

    bool operator==(const MorvanteelBackupDocument&) const = default;
};

template<class V, RecordOf<MorvanteelBackupDocument> R>
void describeFields(V& v, R& r)
{
    v("schemaVersion", r.schemaVersion);
    v("exportedAt", r.exportedAt);
    v("preferences", r.preferences);
    v("activeWorkspaceID", r.activeWorkspaceID);
    v("workspaces", r.workspaces);
    v("fences", r.fences);
    v("smartRules", r.smartRules);
}

// The document's bytes: UTF-8, pretty-printed, keys sorted. Fails (producing nothing) only
// for a number that is not finite or a time that cannot be written.
inline Result<QByteArray, json::Error> encodeDocument(const MorvanteelBackupDocument& document)
{
    return json::encode(document);
}

// All or nothing: the first breach anywhere rejects the whole document.
inline Result<MorvanteelBackupDocument, json::Error> decodeDocument(const QByteArray& bytes)
{
    return json::decode<MorvanteelBackupDocument>(bytes);
}

} // namespace mv
