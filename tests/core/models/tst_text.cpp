#include "core/models/PlatformWords.h"
#include "core/models/Text.h"

#include <QtTest>

using namespace mv;

class TextTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // The helper must not follow the process locale: CI runs under C.UTF-8.
        QLocale::setDefault(QLocale::c());
    }

    void comparesNamesLikeAFileManager_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("sign");
        // Digits compare by value, letter case is ignored, Han names order by pinyin.
        QTest::newRow("numeric") << "文件2" << "文件10" << -1;
        QTest::newRow("numeric latin") << "Photo 9.png" << "Photo 10.png" << -1;
        QTest::newRow("case ignored") << "readme" << "README" << 0;
        QTest::newRow("case ignored in order") << "apple" << "Banana" << -1;
        QTest::newRow("pinyin li before zhang") << "李" << "张" << -1;
        QTest::newRow("pinyin a before zhong") << "阿里" << "中文" << -1;
        QTest::newRow("equal") << "报告" << "报告" << 0;
    }

    void comparesNamesLikeAFileManager()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, sign);
        const auto normalise = [](int r) { return r < 0 ? -1 : (r > 0 ? 1 : 0); };
        QCOMPARE(normalise(text::compareNames(a, b)), sign);
        QCOMPARE(normalise(text::compareNames(b, a)), -sign);
        QCOMPARE(normalise(text::nameSortKey(a).compare(text::nameSortKey(b))), sign);
    }

    void countsUserPerceivedCharacters_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qsizetype>("count");
        QTest::newRow("empty") << QString() << qsizetype(0);
        QTest::newRow("ascii") << "abc" << qsizetype(3);
        QTest::newRow("chinese") << "澄栩便签" << qsizetype(4);
        QTest::newRow("combining accent") << QStringLiteral("e\u0301") << qsizetype(1);
        QTest::newRow("family emoji") << QStringLiteral("👨‍👩‍👧‍👦") << qsizetype(1);
        QTest::newRow("flag") << QStringLiteral("🇨🇳") << qsizetype(1);
        QTest::newRow("crlf is one") << "a\r\nb" << qsizetype(3);
    }

    void countsUserPerceivedCharacters()
    {
        QFETCH(QString, text);
        QFETCH(qsizetype, count);
        QCOMPARE(text::characterCount(text), count);
    }

    void findsTextIgnoringCaseAndNormalisation_data()
    {
        QTest::addColumn<QString>("haystack");
        QTest::addColumn<QString>("needle");
        QTest::addColumn<bool>("found");
        QTest::newRow("case") << "Quarterly REPORT.pdf" << "report" << true;
        QTest::newRow("chinese") << "季度报告.pdf" << "报告" << true;
        QTest::newRow("decomposed needle") << QStringLiteral("caf\u00e9") << QStringLiteral("cafe\u0301") << true;
        QTest::newRow("decomposed haystack") << QStringLiteral("cafe\u0301 noir") << QStringLiteral("CAF\u00c9") << true;
        QTest::newRow("accent matters") << "cafe" << QStringLiteral("caf\u00e9") << false;
        QTest::newRow("absent") << "notes.txt" << "pdf" << false;
        QTest::newRow("empty needle occurs nowhere") << "anything" << "" << false;
    }

    void findsTextIgnoringCaseAndNormalisation()
    {
        QFETCH(QString, haystack);
        QFETCH(QString, needle);
        QFETCH(bool, found);
        QCOMPARE(text::containsCaseInsensitive(haystack, needle), found);
    }

    void namesThisDesktopsKeysAndPlaces_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("undo hint") << "（可用 ⌘Z 撤销）" << "（可用 Ctrl+Z 撤销）";
        QTest::newRow("option") << "⌥Space" << "Alt+Space";
        QTest::newRow("file manager") << "在访达中显示" << "在文件管理器中显示";
        QTest::newRow("trash") << "移到废纸篓" << "移到回收站";
        QTest::newRow("nothing to map") << "已重做" << "已重做";
    }

    void namesThisDesktopsKeysAndPlaces()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(withPlatformWords(text), shown);
    }
};

QTEST_GUILESS_MAIN(TextTest)
#include "tst_text.moc"
