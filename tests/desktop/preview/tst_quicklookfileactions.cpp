#include "desktop/preview/QuickLookFileActions.h"
#include "platform/gui/support/FileServiceFakes.h"

#include <QtTest>

using namespace mv;

// The preview's "在文件管理器中显示" goes through the one revealer the portal entries use,
// with the URL as given: the revealer decides between the file manager and the folder.
class QuickLookFileActionsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void revealGoesThroughTheSharedRevealer_data()
    {
        QTest::addColumn<QUrl>("url");
        QTest::newRow("file") << QUrl::fromLocalFile(QStringLiteral("/home/林晓/文档/季度 报告.txt"));
        QTest::newRow("folder") << QUrl::fromLocalFile(QStringLiteral("/home/林晓/文档"));
        // Path bytes that are not UTF-8 reach the revealer still percent-encoded.
        QTest::newRow("name not UTF-8") << QUrl::fromEncoded("file:///tmp/caf%E9.txt");
    }

    void revealGoesThroughTheSharedRevealer()
    {
        QFETCH(QUrl, url);
        const auto revealer = std::make_shared<platform::RecordingFileRevealer>();
        const QuickLookFileActions actions = QuickLookFileActions::system(revealer);

        actions.revealInFileManager(url);

        QCOMPARE(revealer->revealed.size(), 1);
        QCOMPARE(revealer->revealed.first().toString(QUrl::FullyEncoded), url.toString(QUrl::FullyEncoded));
    }
};

QTEST_GUILESS_MAIN(QuickLookFileActionsTest)
#include "tst_quicklookfileactions.moc"
