#pragma once

#include "core/models/Record.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QUuid>

namespace mv {

// One proposed move of a smart-tidy preview.
struct DryRunMoveItem {
    QUuid id;
    QUuid ruleID;
    QString ruleName;
    QString sourcePath;
    QString proposedDestinationPath;
    QString fileName;
    qint64 fileSizeBytes = 0;
    bool willRenameOnConflict = false;

    bool operator==(const DryRunMoveItem&) const = default;
};

// The preview of one smart tidy: scannedCount == matchedMoves.size() + skippedCount.
struct DryRunMovePlan {
    QString sourceDirectoryPath;
    qint64 scannedCount = 0;
    QList<DryRunMoveItem> matchedMoves;
    qint64 skippedCount = 0;
    QDateTime generatedAt;

    // Nothing to move, whatever the counts say.
    bool isEmpty() const { return matchedMoves.isEmpty(); }

    bool operator==(const DryRunMovePlan&) const = default;
};

// One performed move.
struct MovedFilePair {
    QString originalPath;
    QString destinationPath;

    bool operator==(const MovedFilePair&) const = default;
};

// One batch of performed moves, in the order they were made; kept in memory for undo and redo.
struct UndoTransaction {
    QUuid id;
    QString label;
    QDateTime timestamp;
    QList<MovedFilePair> moves;

    bool operator==(const UndoTransaction&) const = default;
};

template<> inline constexpr bool isHashableRecord<DryRunMoveItem> = true;
template<> inline constexpr bool isHashableRecord<MovedFilePair> = true;

template<class V, RecordOf<DryRunMoveItem> R>
void describeFields(V& v, R& r)
{
    v("id", r.id);
    v("ruleID", r.ruleID);
    v("ruleName", r.ruleName);
    v("sourcePath", r.sourcePath);
    v("proposedDestinationPath", r.proposedDestinationPath);
    v("fileName", r.fileName);
    v("fileSizeBytes", r.fileSizeBytes);
    v("willRenameOnConflict", r.willRenameOnConflict);
}

template<class V, RecordOf<DryRunMovePlan> R>
void describeFields(V& v, R& r)
{
    v("sourceDirectoryPath", r.sourceDirectoryPath);
    v("scannedCount", r.scannedCount);
    v("matchedMoves", r.matchedMoves);
    v("skippedCount", r.skippedCount);
    v("generatedAt", r.generatedAt);
}

template<class V, RecordOf<MovedFilePair> R>
void describeFields(V& v, R& r)
{
    v("originalPath", r.originalPath);
    v("destinationPath", r.destinationPath);
}

template<class V, RecordOf<UndoTransaction> R>
void describeFields(V& v, R& r)
{
    v("id", r.id);
    v("label", r.label);
    v("timestamp", r.timestamp);
    v("moves", r.moves);
}

} // namespace mv
