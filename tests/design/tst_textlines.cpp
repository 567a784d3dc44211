#include "design/DesignFonts.h"
#include "design/GlassTextLabel.h"

#include <QFontMetricsF>
#include <QtTest>

using namespace mv;

// How glass text breaks into at most so many lines, the last elided. The lines are kept for
// texts asked again, so an answer must belong to everything it was asked with.
class TextLinesTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void linesFitAndTheLastIsElided_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qreal>("width");
        QTest::addColumn<int>("maximumLines");
        QTest::addColumn<int>("expectedLines");
        QTest::addColumn<bool>("elided");
        QTest::newRow("fits on one") << QStringLiteral("报告.pdf") << 200.0 << 2 << 1 << false;
        QTest::newRow("wraps to two") << QStringLiteral("第四季度 预算 报告 草稿") << 90.0 << 2 << 2 << false;
        QTest::newRow("too long for two") << QStringLiteral("第四季度预算报告草稿最终版本第二稿修订.pdf") << 60.0 << 2
                                          << 2 << true;
        QTest::newRow("one line only") << QStringLiteral("一个很长很长的文件名称.txt") << 60.0 << 1 << 1 << true;
        QTest::newRow("line ends are spaces") << QStringLiteral("第一行\n第二行") << 400.0 << 2 << 1 << false;
        QTest::newRow("empty") << QString() << 100.0 << 2 << 0 << false;
        QTest::newRow("no room") << QStringLiteral("文字") << 0.0 << 2 << 0 << false;
    }

    void linesFitAndTheLastIsElided()
    {
        QFETCH(QString, text);
        QFETCH(qreal, width);
        QFETCH(int, maximumLines);
        QFETCH(int, expectedLines);
        QFETCH(bool, elided);
        const QFont font = designFont(12);
        const QStringList lines = layoutTextLines(text, font, width, maximumLines);
        QCOMPARE(lines.size(), expectedLines);
        const QFontMetricsF metrics(font);
        for (const QString& line : lines) {
            QVERIFY(!line.contains(u'\n'));
            QVERIFY2(metrics.horizontalAdvance(line) <= width + 0.5, qPrintable(line));
        }
        if (expectedLines > 0)
            QCOMPARE(lines.last().endsWith(QChar(0x2026)), elided);
    }

    // Asked again in another order, with one thing changed at a time, each answer is its own.
    void everyAnswerBelongsToItsQuestion()
    {
        const QString text = QStringLiteral("第四季度 预算 报告 草稿 最终版本");
        struct Question {
            QFont font;
            qreal width;
            int maximumLines;
            Qt::TextElideMode elideMode;
        };
        const QList<Question> questions{
            {designFont(12), 90, 2, Qt::ElideRight},
            {designFont(20), 90, 2, Qt::ElideRight},
            {designFont(12), 200, 2, Qt::ElideRight},
            {designFont(12), 90, 1, Qt::ElideRight},
            {designFont(12), 90, 1, Qt::ElideLeft},
        };
        QList<QStringList> first;
        for (const Question& q : questions)
            first.append(layoutTextLines(text, q.font, q.width, q.maximumLines, q.elideMode));
        // The questions tell apart: no two answers are the same.
        for (qsizetype i = 0; i < first.size(); ++i) {
            for (qsizetype j = i + 1; j < first.size(); ++j)
                QVERIFY2(first.at(i) != first.at(j), qPrintable(QStringLiteral("%1 and %2").arg(i).arg(j)));
        }
        for (qsizetype i = questions.size() - 1; i >= 0; --i) {
            const Question& q = questions.at(i);
            QCOMPARE(layoutTextLines(text, q.font, q.width, q.maximumLines, q.elideMode), first.at(i));
        }
        // Another text of the same font and width has its own lines.
        QVERIFY(layoutTextLines(QStringLiteral("另一段"), questions.first().font, 90, 2) != first.first());
    }
};

QTEST_MAIN(TextLinesTest)
#include "tst_textlines.moc"
