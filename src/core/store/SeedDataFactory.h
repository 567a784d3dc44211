#pragma once

#include "core/models/FenceModels.h"
#include "core/models/SmartRuleModels.h"
#include "core/store/StoreEnvironment.h"

namespace mv::SeedDataFactory {

// The content of the demonstration workspaces.
struct SeedBundle {
    QList<WorkspaceProfile> workspaces;
    QUuid activeWorkspaceID;
    QList<FenceModel> fences;
    QList<SmartRule> smartRules;
};

// Three workspaces, eight fences with every tab kind, quick-launch items, tasks, notes and the
// default smart rules, with portals bound to `demoRootPath` and its subfolders. Touches no
// file; ids and times come from the environment, afresh at every call.
[[nodiscard]] SeedBundle makeDefaultSeed(const QString& demoRootPath, const StoreEnvironment& environment);

} // namespace mv::SeedDataFactory
