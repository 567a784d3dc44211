#pragma once

#include "core/engine/PortalMoves.h"
#include "core/engine/PortalTypes.h"
#include "core/models/FenceModels.h"
#include "core/models/MoveRecords.h"
#include "core/models/SmartRuleModels.h"

#include <QDateTime>
#include <QList>
#include <QUrl>
#include <QUuid>

#include <optional>

// Sorting the loose entries of one folder into destination folders by the user's smart rules.
// A tidy is always two steps: buildDryRunPlan proposes moves without changing anything, then
// executePlan carries them out as one undoable batch. Stateless and synchronous; only the
// plan builder (reading) and the execution touch the disk.
namespace mv::SmartRulesEngine {

// Whether `entry` passes `condition`. The value is trimmed and read per field:
// - fileExtension: a comma-separated list; each listed extension trimmed, lower-cased and stripped of
//   leading and trailing dots ("  .PNG" is "png"); one blank after that matches files
//   without an extension. Never matches a folder.
// - utTypeConforms: the entry's content type is known and conforms to the known type named.
// - fileNameContains / fileNamePrefix: a non-empty text in / at the start of the name
//   (with its extension), ignoring letter case, compared in NFC.
// - fileNameRegex: a case-insensitive regular expression found anywhere in the name; a
//   pattern that does not compile, or one that exceeds the matcher's limits, finds nothing.
// - isDirectory: "true" in any letter case, "1" or "是" asks for a folder, anything else for
//   a file.
// - sizeGreaterThanMB: the size is at least value x 2^20 bytes.
// - olderThanDays: the modification time lies at least value x 86400 seconds before `now`
//   (an entry without a valid date dates from the scan's distant past).
// A number is read over the whole value, locale-independently ("0.5", "1e2", "+3", "inf";
// never "0,5" or "2MB"); a value that is not a number (NaN included) reads as 0, which every
// entry passes.
// The result is then inverted when the condition is negated, false results included.
[[nodiscard]] bool evaluateCondition(const RuleCondition& condition, const PortalFileEntry& entry);
[[nodiscard]] bool evaluateCondition(const RuleCondition& condition, const PortalFileEntry& entry,
                                     const QDateTime& now);

// Whether `entry` passes the rule's conditions, combined by its match mode and tried in list
// order until the answer is known. A rule without conditions never matches. isEnabled is
// not read here.
[[nodiscard]] bool matches(const PortalFileEntry& entry, const SmartRule& rule);

// The first rule of `rules`, in the given order, that is enabled and matches `entry`.
[[nodiscard]] std::optional<SmartRule> firstMatchingRule(const PortalFileEntry& entry,
                                                         const QList<SmartRule>& rules);

// The folder a rule sends its files to, standardized; the first step that applies wins:
// 1. targetFenceID names a fence of `fences` (the first with that id) whose active tab has a
//    portal path: that folder. A path that is not absolute after "~" expansion is unbound.
// 2. targetDirectoryPath is not empty: that folder. A leading "~" is the home folder; any
//    other relative path lies below `baseDir`, never below the working directory.
// 3. `baseDir` plus targetSubfolderName, or the rule's name when that is empty.
[[nodiscard]] QUrl resolveDestinationDirectory(const SmartRule& rule, const QList<FenceModel>& fences,
                                               const QUrl& baseDir);

// The five rules of a fresh installation, in priority order 10 to 50: screenshots, images,
// documents, code, archives. With a base folder each rule's targetDirectoryPath is that
// folder plus its subfolder name; without one the plan's base folder decides.
[[nodiscard]] QList<SmartRule> defaultRules(const std::optional<QUuid>& screenshotsFenceID,
                                            const std::optional<QUuid>& docsFenceID,
                                            const std::optional<QUuid>& codeFenceID,
                                            const std::optional<QUrl>& baseDirectory);

// The preview of a tidy of `sourceDirectory`: its entries as a portal lists them (hidden
// names skipped, no filter, folders first then by name), each tested against the enabled
// rules by ascending priority (equal priorities in list order). A folder is only offered to
// rules that have an isDirectory condition. An entry gets no move, and counts as skipped,
// when no rule takes it, when it is already in its destination folder, when it is a
// folder whose destination lies inside itself, or when its name is not UTF-8
// (PortalFileEntry::hasExactName). Destination names are free on disk and
// among the plan's own items ("name 2.ext" and so on). Destinations resolve against
// `defaultBaseDirectory`, or the source folder when that is absent. A missing, unbound or
// unreadable source gives an empty plan. Only reads the disk.
[[nodiscard]] DryRunMovePlan buildDryRunPlan(const QUrl& sourceDirectory, const QList<SmartRule>& rules,
                                             const QList<FenceModel>& fences,
                                             const std::optional<QUrl>& defaultBaseDirectory);

// Carries out `plan` in its order with the portal engine's safe move, creating destination
// folders as needed. An item whose source has gone is passed over; one whose source path is
// the lossy reading of a name that is not UTF-8 is not: that file stays, and the result is an
// unreadableName failure naming it (beside the moves made). A destination taken
// since planning gets the next free name made from the source's own name. A plan that
// would put a folder into itself or below itself is refused before anything moves.
// The transaction is labelled "智能整理 " + n + " 个项目". Fails with nothingMoved when the
// plan is empty or nothing could be moved; a failure part-way returns the error together
// with the moves already made, which stay made and can be undone.
[[nodiscard]] FolderPortalEngine::MoveResult executePlan(const DryRunMovePlan& plan);

} // namespace mv::SmartRulesEngine
