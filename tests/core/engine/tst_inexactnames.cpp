// QtTest first: moc reads this file with C++17 predefines and stumbles on <concepts> otherwise.
#include <QtTest>

#include "core/engine/FilePaths.h"
#include "core/engine/PortalMoves.h"
#include "core/engine/PortalScan.h"
#include "core/engine/SmartRulesEngine.h"
#include "support/InexactNames.h"

#include <QSet>

using namespace mv;
using namespace Qt::StringLiterals;
namespace Portal = mv::FolderPortalEngine;
using Tree = InexactNameTree;

namespace {

const QString refusal = u"文件名含有无法识别的字符，无法移动："_s;

// The listings a portal shows: in full and the head of it.
QList<PortalFileEntry> listed(const QString& folder, bool head = false)
{
    Portal::PortalListingOptions options;
    options.extensions = Portal::ExtensionDisplay::Show;
    if (head)
        return Portal::scanDirectoryHead(folder, options, 100).entries;
    return Portal::scanDirectory(folder, options).entries;
}

QList<QUrl> urlsOf(const QList<PortalFileEntry>& entries, bool exact)
{
    QList<QUrl> urls;
    for (const PortalFileEntry& entry : entries) {
        if (entry.hasExactName() == exact)
            urls.append(entry.url);
    }
    return urls;
}

QString errorText(const Portal::MoveError& error)
{
    return Portal::errorDescription(error);
}

QStringList movedNames(const UndoTransaction& transaction)
{
    QStringList names;
    for (const MovedFilePair& pair : transaction.moves)
        names.append(filepaths::lastComponent(pair.originalPath));
    names.sort();
    return names;
}

QStringList decodedDecoysAndOrdinary()
{
    QStringList names;
    for (const QByteArray& name : Tree::decoysAndOrdinary())
        names.append(QFile::decodeName(name));
    names.sort();
    return names;
}

} // namespace

class InexactNamesTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A name is exact when it decodes and encodes back to the same bytes: valid UTF-8, but for a
    // leading byte-order mark, which the decoder drops; not a lone Latin-1 byte, a cut sequence,
    // an overlong form or an encoded surrogate.
    void exactNames_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("exact");
        QTest::newRow("ascii") << QByteArray("notes.txt") << true;
        QTest::newRow("chinese") << QByteArray("季度报告.pdf") << true;
        QTest::newRow("emoji") << QByteArray("\xF0\x9F\x93\x81 box") << true;
        QTest::newRow("replacement character") << QByteArray("caf\xEF\xBF\xBD") << true;
        QTest::newRow("leading byte-order mark") << QByteArray("\xEF\xBB\xBFnotes") << false;
        QTest::newRow("inner byte-order mark") << QByteArray("no\xEF\xBB\xBFtes") << true;
        QTest::newRow("latin-1 byte") << QByteArray("caf\xE9") << false;
        QTest::newRow("cut sequence") << QByteArray("ab\xE5\xAD") << false;
        QTest::newRow("overlong slash") << QByteArray("a\xC0\xAFb") << false;
        QTest::newRow("encoded surrogate") << QByteArray("\xED\xA0\x80x") << false;
    }
    void exactNames()
    {
        QFETCH(QByteArray, name);
        QFETCH(bool, exact);
        QCOMPARE(filepaths::isExactName(name), exact);
        // Exactly what the round trip through the file-name codec says.
        QCOMPARE(QFile::encodeName(QFile::decodeName(name)) == name, exact);
    }

    void listing_data() { inexactNameRows(); }
    void listing()
    {
        Tree tree;
        QVERIFY(tree.buildFromRow());
        const QByteArrayList& names = tree.inexact;

        for (const bool head : {false, true}) {
            const QList<PortalFileEntry> entries = listed(tree.source(), head);
            QCOMPARE(entries.size(), names.size() + 3);
            QSet<QString> ids;
            QStringList shownInexact;
            for (const PortalFileEntry& entry : entries) {
                ids.insert(entry.id());
                if (entry.hasExactName()) {
                    QCOMPARE(entry.id(), tree.source() + u'/' + entry.name);
                    QCOMPARE(filepaths::localPath(entry.url), std::optional(entry.id()));
                    continue;
                }
                shownInexact.append(entry.name);
                QVERIFY(entry.name.contains(QChar::ReplacementCharacter));
                QCOMPARE(entry.isDirectory, tree.foldersOnly);
                // Nothing turns it into a path, so nothing can act on the file that path names.
                QCOMPARE(filepaths::localPath(entry.url), std::nullopt);
                QCOMPARE(filepaths::standardizedPath(entry.url), std::nullopt);
                QVERIFY(!entry.id().startsWith(u'/'));
                QCOMPARE(filepaths::shownName(entry.url), entry.name);
            }
            // Every entry its own id, though two names read alike and a decoy reads like both.
            QCOMPARE(ids.size(), entries.size());
            shownInexact.sort();
            QStringList expected = tree.shownNames();
            expected.sort();
            QCOMPARE(shownInexact, expected);
        }

        // Opened as a folder, such an entry is not there, though a folder has the name it reads as.
        if (tree.foldersOnly) {
            const QByteArray lossy = tree.rawSource() + '/' + Tree::replacementDecoy;
            QCOMPARE(::unlink(lossy.constData()), 0);
            QCOMPARE(::mkdir(lossy.constData(), 0755), 0);
            QVERIFY(Tree::write(lossy + "/other.txt", "other"));
            for (const QUrl& url : urlsOf(listed(tree.source()), false)) {
                const PortalScanResult opened = Portal::scanDirectory(
                    url, {Portal::HiddenFiles::Show, Portal::ExtensionDisplay::Show, QString(), FenceSortMode::nameAsc, {}});
                QVERIFY(opened.isMissing);
                QVERIFY(opened.entries.isEmpty());
            }
        }
    }

    void moveIsRefused_data() { inexactNameRows(); }
    void moveIsRefused()
    {
        Tree tree;
        QVERIFY(tree.buildFromRow());
        const QByteArrayList& names = tree.inexact;
        const QList<PortalFileEntry> entries = listed(tree.source());
        const Tree::Snapshot before = tree.sourceNow();
        const QString message = tree.refusal();

        // Only such names: refused with their names, not "nothing to move".
        const auto alone = Portal::moveFiles(urlsOf(entries, false), QUrl::fromLocalFile(tree.destination()));
        QVERIFY(!alone);
        QCOMPARE(errorText(alone.error().error), message);
        QVERIFY(alone.error().completed.transaction.moves.isEmpty());
        QCOMPARE(tree.sourceNow(), before);
        QVERIFY(tree.destinationNow().isEmpty());

        // Such a name that nothing has is missing like any other source.
        const QUrl gone = QUrl::fromEncoded("file://" + (tree.rawSource() + "/caf\xE7").toPercentEncoding("/"));
        const auto missing = Portal::moveFiles({gone}, QUrl::fromLocalFile(tree.destination()));
        QVERIFY(!missing);
        QCOMPARE(errorText(missing.error().error), u"没有需要移动的文件。"_s);

        // One at a time as well.
        for (const QUrl& url : urlsOf(entries, false)) {
            const auto one = Portal::performSafeMove(url, QUrl::fromLocalFile(tree.destination() + u"/x"_s));
            QVERIFY(!one);
            QCOMPARE(errorText(one.error()), refusal + filepaths::shownName(url));
        }
        QCOMPARE(tree.sourceNow(), before);
        QVERIFY(tree.destinationNow().isEmpty());

        // Into such a folder neither: no name there is ours to give.
        QSet<QString> reserved;
        for (const QUrl& url : urlsOf(entries, false))
            QVERIFY(Portal::uniqueDestinationURL(url, u"a.txt"_s, reserved).url.isEmpty());

        // A good file in the same batch still moves, and the rest is named.
        const QList<QUrl> mixed = urlsOf(entries, false) + QList<QUrl>{QUrl::fromLocalFile(tree.source() + u"/notes.txt"_s)};
        const auto partial = Portal::moveFiles(mixed, QUrl::fromLocalFile(tree.destination()));
        QVERIFY(!partial);
        QCOMPARE(errorText(partial.error().error), message);
        QCOMPARE(movedNames(partial.error().completed.transaction), QStringList{u"notes.txt"_s});
        QCOMPARE(tree.destinationNow().keys(), QByteArrayList{Tree::ordinary});
        QCOMPARE(tree.destinationNow().value(Tree::ordinary), before.value(Tree::ordinary));
        Tree::Snapshot rest = before;
        rest.remove(Tree::ordinary);
        QCOMPARE(tree.sourceNow(), rest);
    }

    void undoMovesOnlyWhatWasMoved_data() { inexactNameRows(); }
    void undoMovesOnlyWhatWasMoved()
    {
        Tree tree;
        QVERIFY(tree.buildFromRow());
        const QByteArrayList& names = tree.inexact;
        const QList<PortalFileEntry> entries = listed(tree.source());
        const Tree::Snapshot before = tree.sourceNow();

        const auto moved = Portal::moveFiles(urlsOf(entries, true), QUrl::fromLocalFile(tree.destination()));
        QVERIFY(moved);
        QCOMPARE(movedNames(moved.value().transaction), decodedDecoysAndOrdinary());
        QCOMPARE(tree.destinationNow(), Tree::only(before, Tree::decoysAndOrdinary()));
        QCOMPARE(tree.sourceNow(), Tree::only(before, names));

        const auto undone = Portal::undoTransaction(moved.value().transaction);
        QVERIFY(undone);
        QCOMPARE(tree.sourceNow(), before); // every decoy back under its own bytes
        QVERIFY(tree.destinationNow().isEmpty());

        const auto redone = Portal::undoTransaction(undone.value().transaction);
        QVERIFY(redone);
        QCOMPARE(tree.destinationNow(), Tree::only(before, Tree::decoysAndOrdinary()));
        QCOMPARE(tree.sourceNow(), Tree::only(before, names));

        // A record that names the lossy reading of such a file (its decoy is away now) finds
        // nothing there to move.
        UndoTransaction lossy = moved.value().transaction;
        lossy.moves.clear();
        for (const QString& shown : tree.shownNames())
            lossy.moves.append(MovedFilePair{tree.destination() + u"/back "_s + shown, tree.source() + u'/' + shown});
        const auto nothing = Portal::undoTransaction(lossy);
        QVERIFY(nothing);
        QVERIFY(nothing.value().transaction.moves.isEmpty());
        QCOMPARE(tree.sourceNow(), Tree::only(before, names));
    }

    void dryRunSkipsAndExecutionMovesNothingElse_data() { inexactNameRows(); }
    void dryRunSkipsAndExecutionMovesNothingElse()
    {
        Tree tree;
        QVERIFY(tree.buildFromRow());
        const QByteArrayList& names = tree.inexact;
        const Tree::Snapshot before = tree.sourceNow();
        const QUrl source = QUrl::fromLocalFile(tree.source());

        const DryRunMovePlan plan =
            SmartRulesEngine::buildDryRunPlan(source, {Tree::everythingRule(tree.destination())}, {}, source);
        QCOMPARE(plan.scannedCount, names.size() + 3);
        QCOMPARE(plan.skippedCount, names.size());
        QStringList proposed;
        for (const DryRunMoveItem& item : plan.matchedMoves) {
            proposed.append(item.fileName);
            QCOMPARE(item.sourcePath, tree.source() + u'/' + item.fileName);
            QVERIFY(filepaths::existsNoFollow(item.sourcePath));
        }
        proposed.sort();
        QCOMPARE(proposed, decodedDecoysAndOrdinary());

        const auto executed = SmartRulesEngine::executePlan(plan);
        QVERIFY(executed);
        QCOMPARE(movedNames(executed.value().transaction), decodedDecoysAndOrdinary());
        QCOMPARE(tree.destinationNow(), Tree::only(before, Tree::decoysAndOrdinary()));
        QCOMPARE(tree.sourceNow(), Tree::only(before, names));

        // A plan that names such a file by its lossy reading is not passed over in silence: the
        // file is there, it stays, and the execution says so.
        DryRunMovePlan lossy = plan;
        lossy.matchedMoves.clear();
        for (const QString& shown : tree.shownNames()) {
            DryRunMoveItem item = plan.matchedMoves.first();
            item.id = newUuid();
            item.sourcePath = tree.source() + u'/' + shown;
            item.proposedDestinationPath = tree.destination() + u"/moved/"_s + shown;
            item.fileName = shown;
            lossy.matchedMoves.append(item);
        }
        const auto refused = SmartRulesEngine::executePlan(lossy);
        QVERIFY(!refused);
        QCOMPARE(errorText(refused.error().error), tree.refusal());
        QVERIFY(refused.error().completed.transaction.moves.isEmpty());
        QCOMPARE(tree.sourceNow(), Tree::only(before, names));
        QCOMPARE(tree.destinationNow(), Tree::only(before, Tree::decoysAndOrdinary()));
    }
};

QTEST_GUILESS_MAIN(InexactNamesTest)
#include "tst_inexactnames.moc"
