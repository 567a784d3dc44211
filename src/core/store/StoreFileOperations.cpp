// The store's file moves: drops onto portal fences, the smart tidy, and undo and redo.
//
// Every path that moves files ends in recordFileOperation, so the stack discipline, the status
// line and the save cannot differ between them. Undo and redo only move a file that is still
// the one that was moved: its identity, taken when it arrived, is kept beside the transaction
// (in memory, like the stacks) and compared before anything moves back.
#include "core/store/MorvanteelStore.h"

#include "core/engine/FilePaths.h"
#include "core/engine/PortalScan.h"
#include "core/engine/SmartRulesEngine.h"
#include "core/models/PlatformWords.h"

#include <QFile>
#include <QHash>
#include <QSet>

#include <optional>


namespace mv {

namespace {

using FolderPortalEngine::FileIdentity;
using FolderPortalEngine::MoveBatch;

const QString unboundMessage = QStringLiteral("当前围栏未绑定文件夹传送门。");
const QString nothingToUndoMessage = QStringLiteral("没有可撤销的文件移动记录。");
const QString nothingToRedoMessage = QStringLiteral("没有可重做的记录。");

QString dropSuffix()
{
    return withPlatformWords(QStringLiteral("（可用 ⌘Z 撤销）"));
}

QString tidySuffix()
{
    return QStringLiteral("（可撤销）");
}

// The suffix of a batch that stopped part-way: what moved can be undone, then why the rest did not.
QString partialSuffix(const QString& undoHint, const FolderPortalEngine::MoveError& error)
{
    return undoHint + u'；' + FolderPortalEngine::errorDescription(error);
}

// Said after an undo or redo that left files alone: they are no longer the files the move put there.
QString skippedNote(qsizetype skipped)
{
    if (skipped == 0)
        return QString();
    return QStringLiteral("（跳过 ") + QString::number(skipped) + QStringLiteral(" 个已被移走、替换或改动的项目）");
}

// Device and inode name the file; a file system hands a freed inode to the next new file at
// once, so for a file its size and modification time must also be those it arrived with. A
// folder's time changes with every entry added or removed inside it, so it goes by its inode.
bool sameFile(const FileIdentity& now, const FileIdentity& moved)
{
    if (now.device != moved.device || now.inode != moved.inode || now.isDirectory != moved.isDirectory)
        return false;
    return now.isDirectory || (now.size == moved.size && now.modifiedNanoseconds == moved.modifiedNanoseconds);
}

// The part of a recorded transaction that may run: the pairs whose destination still holds the
// file that was moved there, with their identities. The rest are counted and left alone.
struct Checked {
    UndoTransaction runnable;
    QList<FileIdentity> identities;
    qsizetype skipped = 0;
};

Checked checkIdentities(const UndoTransaction& transaction, const QList<FileIdentity>& identities)
{
    Checked checked;
    checked.runnable = transaction;
    checked.runnable.moves.clear();
    for (qsizetype i = 0; i < transaction.moves.size(); ++i) {
        const MovedFilePair& pair = transaction.moves[i];
        const auto now = FolderPortalEngine::fileIdentity(pair.destinationPath);
        // Without a remembered identity the file cannot be vouched for, so it stays where it is.
        if (i < identities.size() && now && sameFile(*now, identities[i])) {
            checked.runnable.moves.append(pair);
            checked.identities.append(identities[i]);
        } else {
            ++checked.skipped;
        }
    }
    return checked;
}

// What of `checked` a reversal that stopped did not move: each pair whose destination is not
// among the sources of the partial inverse.
Checked leftOver(const Checked& checked, const UndoTransaction& partialInverse)
{
    QSet<QString> done;
    for (const MovedFilePair& pair : partialInverse.moves)
        done.insert(filepaths::standardizedOrRelative(pair.originalPath));
    Checked rest;
    rest.runnable = checked.runnable;
    rest.runnable.moves.clear();
    for (qsizetype i = 0; i < checked.runnable.moves.size(); ++i) {
        const MovedFilePair& pair = checked.runnable.moves[i];
        if (done.contains(filepaths::standardizedOrRelative(pair.destinationPath)))
            continue;
        rest.runnable.moves.append(pair);
        rest.identities.append(checked.identities[i]);
    }
    return rest;
}

} // namespace

void MorvanteelStore::recordFileOperation(const FolderPortalEngine::MoveBatch& batch, const QString& statusSuffix)
{
    // Nothing moved, nothing to undo.
    if (batch.transaction.moves.isEmpty())
        return;
    UndoTransaction transaction = batch.transaction;
    transaction.timestamp = m_environment.now();
    m_moveIdentities.insert(transaction.id, batch.identities);

    QList<UndoTransaction> undo = m_undoStack;
    undo.append(transaction);
    for (const UndoTransaction& dropped : std::as_const(m_redoStack))
        m_moveIdentities.remove(dropped.id);
    setUndoStack(std::move(undo));
    setRedoStack({});
    setLastStatusMessage(transaction.label + statusSuffix);
    save();
}

bool MorvanteelStore::moveFiles(const QList<QUrl>& files, const QUuid& portalFenceID)
{
    const auto target = fence(portalFenceID);
    const FenceTab* tab = target ? target->activeTab() : nullptr;
    if (!tab || tab->kind != FenceKind::portal || !tab->portalPath || !FolderPortalEngine::isBoundPath(*tab->portalPath)) {
        setLastStatusMessage(unboundMessage);
        return false;
    }
    return moveFilesIntoFolder(files, filepaths::standardizedOrRelative(*tab->portalPath));
}

bool MorvanteelStore::moveFilesToExplicitDirectory(const QList<QUrl>& files, const QUrl& directory)
{
    // Only a local absolute path is a folder here; anything else is refused under its own name.
    const std::optional<QString> local = directory.isLocalFile() ? filepaths::localPath(directory) : std::nullopt;
    if (!local || !FolderPortalEngine::isBoundPath(*local)) {
        setLastStatusMessage(FolderPortalEngine::PortalOperationError::destinationNotDirectory(
                                 local.value_or(directory.toString()))
                                 .errorDescription());
        return false;
    }
    return moveFilesIntoFolder(files, filepaths::standardizedOrRelative(*local));
}

bool MorvanteelStore::moveFilesIntoFolder(const QList<QUrl>& files, const QString& folder)
{
    // A folder that is gone is not made again under the user's hands: the drop is refused.
    if (!FolderPortalEngine::isBoundFolder(folder)) {
        setLastStatusMessage(FolderPortalEngine::PortalOperationError::destinationNotDirectory(folder).errorDescription());
        return false;
    }

    const auto result = FolderPortalEngine::moveFiles(files, QUrl::fromLocalFile(folder));
    if (!result) {
        const FolderPortalEngine::MoveFailure& failure = result.error();
        if (failure.completed.transaction.moves.isEmpty())
            setLastStatusMessage(FolderPortalEngine::errorDescription(failure.error));
        else
            recordFileOperation(failure.completed, partialSuffix(dropSuffix(), failure.error));
        return false;
    }
    recordFileOperation(result.value(), dropSuffix());
    return true;
}

DryRunMovePlan MorvanteelStore::buildSmartTidyDryRun(const std::optional<QString>& sourceDirectory) const
{
    const QUrl source = QUrl::fromLocalFile(sourceDirectory.value_or(m_demoRootPath));
    // Every workspace's fences: a rule may send files to a fence that is not on the desktop now.
    DryRunMovePlan plan = SmartRulesEngine::buildDryRunPlan(source, m_smartRules, m_fences, source);
    plan.generatedAt = m_environment.now();
    return plan;
}

bool MorvanteelStore::executeSmartTidyPlan(const DryRunMovePlan& plan)
{
    const auto result = SmartRulesEngine::executePlan(plan);
    if (!result) {
        const FolderPortalEngine::MoveFailure& failure = result.error();
        if (failure.completed.transaction.moves.isEmpty())
            setLastStatusMessage(FolderPortalEngine::errorDescription(failure.error));
        else
            recordFileOperation(failure.completed, partialSuffix(tidySuffix(), failure.error));
        return false;
    }
    recordFileOperation(result.value(), tidySuffix());
    return true;
}

namespace {

// One undo or redo: the newest transaction of `from` is reversed as far as it may and can go.
// Its reversed part goes onto `to`; a part that did not go back stays on `from`.
struct Reversal {
    QList<UndoTransaction> from;
    QList<UndoTransaction> to;
    qsizetype skipped = 0;
    std::optional<FolderPortalEngine::MoveError> error;
    bool movedSome = false;
    QString label; // of the reversed transaction
};

Reversal reverseNewest(QList<UndoTransaction> from, QList<UndoTransaction> to,
                       QHash<QUuid, QList<FileIdentity>>& identities, const QDateTime& now)
{
    Reversal reversal;
    const UndoTransaction transaction = from.takeLast();
    reversal.label = transaction.label;
    const Checked checked = checkIdentities(transaction, identities.take(transaction.id));
    reversal.skipped = checked.skipped;

    const auto result = FolderPortalEngine::undoTransaction(checked.runnable);
    const MoveBatch* inverse = result ? &result.value() : &result.error().completed;
    if (!result) {
        reversal.error = result.error().error;
        const Checked rest = leftOver(checked, inverse->transaction);
        if (!rest.runnable.moves.isEmpty()) {
            identities.insert(rest.runnable.id, rest.identities);
            from.append(rest.runnable);
        }
    }
    reversal.movedSome = !inverse->transaction.moves.isEmpty();
    // A reversal that succeeded is recorded even without pairs (every file was gone), so that
    // the stacks keep their shape; a failed one only for what it did move.
    if (result || reversal.movedSome) {
        UndoTransaction reversed = inverse->transaction;
        reversed.timestamp = now;
        identities.insert(reversed.id, inverse->identities);
        to.append(std::move(reversed));
    }
    reversal.from = std::move(from);
    reversal.to = std::move(to);
    return reversal;
}

} // namespace

bool MorvanteelStore::undoLastFileOperation()
{
    if (m_undoStack.isEmpty()) {
        setLastStatusMessage(nothingToUndoMessage);
        return false;
    }
    Reversal reversal = reverseNewest(m_undoStack, m_redoStack, m_moveIdentities, m_environment.now());
    setUndoStack(std::move(reversal.from));
    setRedoStack(std::move(reversal.to));
    if (reversal.error) {
        setLastStatusMessage(QStringLiteral("撤销失败：") + FolderPortalEngine::errorDescription(*reversal.error)
                             + skippedNote(reversal.skipped));
        if (reversal.movedSome)
            save();
        return false;
    }
    setLastStatusMessage(QStringLiteral("已撤销：") + reversal.label + skippedNote(reversal.skipped));
    save();
    return true;
}

bool MorvanteelStore::redoLastFileOperation()
{
    if (m_redoStack.isEmpty()) {
        setLastStatusMessage(nothingToRedoMessage);
        return false;
    }
    // Redo reverses the inverse; the rest of the redo stack stays for further redos.
    Reversal reversal = reverseNewest(m_redoStack, m_undoStack, m_moveIdentities, m_environment.now());
    setRedoStack(std::move(reversal.from));
    setUndoStack(std::move(reversal.to));
    if (reversal.error) {
        setLastStatusMessage(QStringLiteral("重做失败：") + FolderPortalEngine::errorDescription(*reversal.error)
                             + skippedNote(reversal.skipped));
        if (reversal.movedSome)
            save();
        return false;
    }
    setLastStatusMessage(QStringLiteral("已重做") + skippedNote(reversal.skipped));
    save();
    return true;
}

} // namespace mv
