#include "desktop/preview/QuickLookPaths.h"

#include <QtTest>

using namespace mv;
using namespace Qt::StringLiterals;

class QuickLookPathsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The presenter compares standardized URLs: "." and ".." and doubled slashes do not make
    // another file; symbolic links are not resolved.
    void standardizedURLs_data()
    {
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("standardized");
        QTest::newRow("single dot") << u"/tmp/a/./b.txt"_s << u"/tmp/a/b.txt"_s;
        QTest::newRow("double dot") << u"/tmp/a/../b.txt"_s << u"/tmp/b.txt"_s;
        QTest::newRow("above the root") << u"/../b.txt"_s << u"/b.txt"_s;
        QTest::newRow("doubled and trailing slashes") << u"/tmp//a/"_s << u"/tmp/a"_s;
        QTest::newRow("already standard") << u"/tmp/a"_s << u"/tmp/a"_s;
    }

    void standardizedURLs()
    {
        QFETCH(QString, written);
        QFETCH(QString, standardized);
        QCOMPARE(standardizedPreviewURL(QUrl::fromLocalFile(written)), QUrl::fromLocalFile(standardized));
    }
};

QTEST_MAIN(QuickLookPathsTest)
#include "tst_quicklookpaths.moc"
