#include "design/KeyedListModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// A record written "id" or "id=value".
struct Row {
    QString id;
    QString value;
    bool operator==(const Row&) const = default;
};

Row parseRow(const QString& text)
{
    const qsizetype equals = text.indexOf(u'=');
    return equals < 0 ? Row{text, {}} : Row{text.left(equals), text.mid(equals + 1)};
}

QList<Row> parseRows(const QStringList& texts)
{
    QList<Row> rows;
    for (const QString& text : texts)
        rows.append(parseRow(text));
    return rows;
}

class RowModel final : public mv::KeyedListModel<Row, QString> {
public:
    RowModel()
        : KeyedListModel([](const Row& row) { return row.id; })
    {
    }
    using KeyedListModel::setRecords;

    QVariant data(const QModelIndex& index, int role) const override
    {
        const Row* row = record(index);
        if (!row)
            return {};
        if (role == Qt::DisplayRole)
            return row->value;
        return role == Qt::UserRole ? QVariant(row->id) : QVariant();
    }
};

// "r0" ... "r<count - 1>".
QStringList manyRows(int count)
{
    QStringList rows;
    for (int i = 0; i < count; ++i)
        rows.append(u"r%1"_s.arg(i));
    return rows;
}

QStringList reversed(QStringList rows)
{
    std::reverse(rows.begin(), rows.end());
    return rows;
}

// What the model told its views, in order.
QStringList changeLog(const QSignalSpy& log)
{
    QStringList lines;
    for (const QList<QVariant>& entry : log)
        lines.append(entry.at(0).toString());
    return lines;
}

} // namespace

class KeyedListModelTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void appliesListsInPlace_data()
    {
        QTest::addColumn<QStringList>("from");
        QTest::addColumn<QStringList>("to");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QStringList>("changes");
        // Removals come first, from the end and one per run of adjacent rows; then the kept
        // rows move into the new order one by one, the longest run already in order staying
        // put; then runs of new rows are inserted; last, runs of rows whose value changed are
        // reported.
        QTest::newRow("empty to empty") << QStringList{} << QStringList{} << QStringList{} << QStringList{};
        QTest::newRow("unchanged") << QStringList{u"a"_s, u"b=1"_s} << QStringList{u"a"_s, u"b=1"_s}
                                   << QStringList{u"a"_s, u"b=1"_s} << QStringList{};
        QTest::newRow("from nothing") << QStringList{} << QStringList{u"a"_s, u"b"_s} << QStringList{u"a"_s, u"b"_s}
                                      << QStringList{u"insert 0-1"_s};
        QTest::newRow("to nothing") << QStringList{u"a"_s, u"b"_s} << QStringList{} << QStringList{}
                                    << QStringList{u"remove 0-1"_s};
        QTest::newRow("insert in the middle") << QStringList{u"a"_s, u"c"_s} << QStringList{u"a"_s, u"b"_s, u"c"_s}
                                              << QStringList{u"a"_s, u"b"_s, u"c"_s} << QStringList{u"insert 1-1"_s};
        QTest::newRow("insert runs") << QStringList{u"a"_s, u"d"_s}
                                     << QStringList{u"x"_s, u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"y"_s}
                                     << QStringList{u"x"_s, u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"y"_s}
                                     << QStringList{u"insert 0-0"_s, u"insert 2-3"_s, u"insert 5-5"_s};
        QTest::newRow("remove runs") << QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s}
                                     << QStringList{u"a"_s, u"d"_s} << QStringList{u"a"_s, u"d"_s}
                                     << QStringList{u"remove 4-4"_s, u"remove 1-2"_s};
        QTest::newRow("first to the end") << QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s}
                                          << QStringList{u"b"_s, u"c"_s, u"d"_s, u"a"_s}
                                          << QStringList{u"b"_s, u"c"_s, u"d"_s, u"a"_s}
                                          << QStringList{u"move 0-0 before 4"_s};
        QTest::newRow("last to the front") << QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s}
                                           << QStringList{u"d"_s, u"a"_s, u"b"_s, u"c"_s}
                                           << QStringList{u"d"_s, u"a"_s, u"b"_s, u"c"_s}
                                           << QStringList{u"move 3-3 before 0"_s};
        QTest::newRow("swap the ends") << QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s}
                                       << QStringList{u"e"_s, u"b"_s, u"c"_s, u"d"_s, u"a"_s}
                                       << QStringList{u"e"_s, u"b"_s, u"c"_s, u"d"_s, u"a"_s}
                                       << QStringList{u"move 4-4 before 0"_s, u"move 1-1 before 5"_s};
        QTest::newRow("reverse") << QStringList{u"a"_s, u"b"_s, u"c"_s} << QStringList{u"c"_s, u"b"_s, u"a"_s}
                                 << QStringList{u"c"_s, u"b"_s, u"a"_s}
                                 << QStringList{u"move 1-1 before 3"_s, u"move 0-0 before 3"_s};
        QTest::newRow("adjacent changes") << QStringList{u"a=1"_s, u"b=1"_s, u"c=1"_s}
                                          << QStringList{u"a=1"_s, u"b=2"_s, u"c=2"_s}
                                          << QStringList{u"a=1"_s, u"b=2"_s, u"c=2"_s}
                                          << QStringList{u"changed 1-2"_s};
        QTest::newRow("separate changes") << QStringList{u"a=1"_s, u"b"_s, u"c=1"_s}
                                          << QStringList{u"a=2"_s, u"b"_s, u"c=2"_s}
                                          << QStringList{u"a=2"_s, u"b"_s, u"c=2"_s}
                                          << QStringList{u"changed 0-0"_s, u"changed 2-2"_s};
        QTest::newRow("all at once") << QStringList{u"a"_s, u"b=1"_s, u"c"_s, u"d"_s}
                                     << QStringList{u"x"_s, u"d"_s, u"b=2"_s, u"y"_s, u"a"_s}
                                     << QStringList{u"x"_s, u"d"_s, u"b=2"_s, u"y"_s, u"a"_s}
                                     << QStringList{u"remove 2-2"_s, u"move 1-1 before 3"_s, u"move 0-0 before 3"_s,
                                                    u"insert 0-0"_s, u"insert 3-3"_s, u"changed 2-2"_s};
        // When most rows move, one layout change stands for the moves; a few moves stay moves
        // however long the list.
        QStringList oneToTheEnd = manyRows(40);
        oneToTheEnd.move(0, 39);
        QTest::newRow("many rows, one move") << manyRows(40) << oneToTheEnd << oneToTheEnd
                                             << QStringList{u"move 0-0 before 40"_s};
        QTest::newRow("re-sort of many rows") << manyRows(40) << reversed(manyRows(40)) << reversed(manyRows(40))
                                              << QStringList{u"layout"_s};
        QStringList resortedAndChanged = reversed(manyRows(40));
        resortedAndChanged[34] = u"r5=new"_s;
        QTest::newRow("re-sort and a change") << manyRows(40) << resortedAndChanged << resortedAndChanged
                                              << QStringList{u"layout"_s, u"changed 34-34"_s};
        // A repeated id shows once, as its first record.
        QTest::newRow("repeated new id") << QStringList{u"a"_s} << QStringList{u"b=1"_s, u"a"_s, u"b=2"_s}
                                         << QStringList{u"b=1"_s, u"a"_s} << QStringList{u"insert 0-0"_s};
        QTest::newRow("repeated kept id") << QStringList{u"a=1"_s} << QStringList{u"a=2"_s, u"a=3"_s}
                                          << QStringList{u"a=2"_s} << QStringList{u"changed 0-0"_s};
    }

    void appliesListsInPlace()
    {
        QFETCH(QStringList, from);
        QFETCH(QStringList, to);
        QFETCH(QStringList, expected);
        QFETCH(QStringList, changes);
        RowModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setRecords(parseRows(from));
        QList<QPersistentModelIndex> kept;
        for (int row = 0; row < model.rowCount(); ++row)
            kept.append(model.index(row, 0));

        QSignalSpy log(this, &KeyedListModelTest::changed);
        const auto note = [this](const QString& line) { Q_EMIT changed(line); };
        connect(&model, &QAbstractItemModel::rowsRemoved, this, [note](const QModelIndex&, int first, int last) {
            note(u"remove %1-%2"_s.arg(first).arg(last));
        });
        connect(&model, &QAbstractItemModel::rowsInserted, this, [note](const QModelIndex&, int first, int last) {
            note(u"insert %1-%2"_s.arg(first).arg(last));
        });
        connect(&model, &QAbstractItemModel::rowsMoved, this,
                [note](const QModelIndex&, int first, int last, const QModelIndex&, int before) {
                    note(u"move %1-%2 before %3"_s.arg(first).arg(last).arg(before));
                });
        connect(&model, &QAbstractItemModel::dataChanged, this,
                [note](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
                    note(u"changed %1-%2"_s.arg(topLeft.row()).arg(bottomRight.row()));
                });
        connect(&model, &QAbstractItemModel::layoutChanged, this, [note] { note(u"layout"_s); });
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);

        model.setRecords(parseRows(to));

        QCOMPARE(changeLog(log), changes);
        QCOMPARE(model.records(), parseRows(expected));
        QCOMPARE(resets.count(), 0);
        for (int row = 0; row < model.rowCount(); ++row) {
            QCOMPARE(model.rowOf(model.keyAt(row)), row);
            QCOMPARE(model.keyAt(row), model.records().at(row).id);
        }
        // Every persistent index follows its id wherever it moved, and only the gone ones die.
        for (int i = 0; i < kept.size(); ++i) {
            const QString id = parseRow(from.at(i)).id;
            QCOMPARE(kept.at(i).isValid(), model.rowOf(id) >= 0);
            if (kept.at(i).isValid()) {
                QCOMPARE(kept.at(i).row(), model.rowOf(id));
                QCOMPARE(kept.at(i).data(Qt::UserRole).toString(), id);
            }
        }
    }

    void recordLookupRefusesForeignIndexes()
    {
        RowModel model;
        RowModel other;
        model.setRecords(parseRows({u"a"_s}));
        other.setRecords(parseRows({u"a"_s, u"b"_s}));
        QCOMPARE(model.record(model.index(0, 0))->id, u"a"_s);
        QCOMPARE(model.record(other.index(1, 0)), nullptr);
        QCOMPARE(model.record(QModelIndex()), nullptr);
        QCOMPARE(model.record(1), nullptr);
        QCOMPARE(model.record(-1), nullptr);
        QCOMPARE(model.rowOf(u"b"_s), -1);
    }

Q_SIGNALS:
    void changed(const QString& line);
};

QTEST_GUILESS_MAIN(KeyedListModelTest)
#include "tst_keyedlistmodel.moc"
