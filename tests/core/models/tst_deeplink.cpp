#include "core/models/DeepLink.h"
#include "core/models/Uuid.h"

#include <QtTest>

using namespace mv;

Q_DECLARE_METATYPE(std::optional<MorvanteelDeepLink>)

namespace {

const QUuid F = *parseUuid(u"B5C6D7E8-F90A-4516-9728-A3B4C5D6E7F8");
const QUuid I = *parseUuid(u"5F607182-93A4-4FB0-B1C2-4D5E6F708192");

} // namespace

class DeepLinkTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parsesURLs_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<std::optional<MorvanteelDeepLink>>("link");
        const std::optional<MorvanteelDeepLink> none;
        const QString f = uuidString(F);
        const QString i = uuidString(I);

        QTest::newRow("open-fence") << QStringLiteral("morvanteel://open-fence/") + f << std::optional(MorvanteelDeepLink::openFence(F));
        QTest::newRow("switch-workspace") << QStringLiteral("morvanteel://switch-workspace/") + f << std::optional(MorvanteelDeepLink::switchWorkspace(F));
        QTest::newRow("run-item") << QStringLiteral("morvanteel://run-item/") + f + u'/' + i << std::optional(MorvanteelDeepLink::runItem(F, I));
        QTest::newRow("toggle-task") << QStringLiteral("morvanteel://toggle-task/") + f + u'/' + i << std::optional(MorvanteelDeepLink::toggleTask(F, I));
        QTest::newRow("spot-search") << "morvanteel://spot-search" << std::optional(MorvanteelDeepLink::spotSearch());
        QTest::newRow("smart-tidy") << "morvanteel://smart-tidy" << std::optional(MorvanteelDeepLink::smartTidy());

        // Scheme and verb in any letter case, ids in either case.
        QTest::newRow("all capitals") << QStringLiteral("MORVANTEEL://RUN-ITEM/") + f + u'/' + i << std::optional(MorvanteelDeepLink::runItem(F, I));
        QTest::newRow("lower-case ids") << QStringLiteral("morvanteel://toggle-task/") + f.toLower() + u'/' + i.toLower() << std::optional(MorvanteelDeepLink::toggleTask(F, I));
        QTest::newRow("mixed-case verb") << "Morvanteel://Spot-Search" << std::optional(MorvanteelDeepLink::spotSearch());

        // What a verb does not need is ignored.
        QTest::newRow("extra path part") << QStringLiteral("morvanteel://open-fence/") + f + QStringLiteral("/extra/parts") << std::optional(MorvanteelDeepLink::openFence(F));
        QTest::newRow("trailing slash") << QStringLiteral("morvanteel://open-fence/") + f + u'/' << std::optional(MorvanteelDeepLink::openFence(F));
        QTest::newRow("doubled slash") << QStringLiteral("morvanteel://open-fence//") + f << std::optional(MorvanteelDeepLink::openFence(F));
        QTest::newRow("query and fragment") << "morvanteel://spot-search/anything?q=1#top" << std::optional(MorvanteelDeepLink::spotSearch());
        QTest::newRow("query after id") << QStringLiteral("morvanteel://switch-workspace/") + f + QStringLiteral("?from=widget") << std::optional(MorvanteelDeepLink::switchWorkspace(F));
        QTest::newRow("user and port") << "morvanteel://me@smart-tidy:8080" << std::optional(MorvanteelDeepLink::smartTidy());

        // No link.
        QTest::newRow("nothing after the verb") << "morvanteel://open-fence" << none;
        QTest::newRow("only a slash after the verb") << "morvanteel://open-fence/" << none;
        QTest::newRow("not an id") << "morvanteel://open-fence/fence-1" << none;
        QTest::newRow("braced id") << QStringLiteral("morvanteel://open-fence/{") + f + u'}' << none;
        QTest::newRow("one id for run-item") << QStringLiteral("morvanteel://run-item/") + f << none;
        QTest::newRow("second id bad") << QStringLiteral("morvanteel://toggle-task/") + f + QStringLiteral("/x") << none;
        QTest::newRow("other scheme") << QStringLiteral("https://open-fence/") + f << none;
        QTest::newRow("scheme prefix only") << "morvanteelx://spot-search" << none;
        QTest::newRow("no host") << QStringLiteral("morvanteel:open-fence/") + f << none;
        QTest::newRow("no host, slash") << "morvanteel:/spot-search" << none;
        QTest::newRow("unknown verb") << QStringLiteral("morvanteel://open-workspace/") + f << none;
        QTest::newRow("empty") << "" << none;
        QTest::newRow("no scheme") << QStringLiteral("open-fence/") + f << none;
    }

    void parsesURLs()
    {
        QFETCH(QString, url);
        QFETCH(std::optional<MorvanteelDeepLink>, link);
        QCOMPARE(MorvanteelDeepLink::fromString(url), link);
        QCOMPARE(MorvanteelDeepLink::fromURL(QUrl(url)), link);
    }

    void buildsAndParsesBackEveryForm_data()
    {
        QTest::addColumn<MorvanteelDeepLink>("link");
        QTest::addColumn<QString>("text");
        const QString f = uuidString(F);
        const QString i = uuidString(I);
        QTest::newRow("openFence") << MorvanteelDeepLink::openFence(F) << QStringLiteral("morvanteel://open-fence/") + f;
        QTest::newRow("switchWorkspace") << MorvanteelDeepLink::switchWorkspace(I) << QStringLiteral("morvanteel://switch-workspace/") + i;
        QTest::newRow("runItem") << MorvanteelDeepLink::runItem(F, I) << QStringLiteral("morvanteel://run-item/") + f + u'/' + i;
        QTest::newRow("toggleTask") << MorvanteelDeepLink::toggleTask(I, F) << QStringLiteral("morvanteel://toggle-task/") + i + u'/' + f;
        QTest::newRow("spotSearch") << MorvanteelDeepLink::spotSearch() << "morvanteel://spot-search";
        QTest::newRow("smartTidy") << MorvanteelDeepLink::smartTidy() << "morvanteel://smart-tidy";
    }

    void buildsAndParsesBackEveryForm()
    {
        QFETCH(MorvanteelDeepLink, link);
        QFETCH(QString, text);
        QCOMPARE(link.urlString(), text);
        QCOMPARE(link.url().toString(), text);
        QVERIFY(link.url().isValid());
        QCOMPARE(MorvanteelDeepLink::fromURL(link.url()), std::optional(link));
    }

    void casesWithEqualIdsDiffer()
    {
        QVERIFY(MorvanteelDeepLink::runItem(F, I) != MorvanteelDeepLink::toggleTask(F, I));
        QVERIFY(MorvanteelDeepLink::openFence(F) != MorvanteelDeepLink::switchWorkspace(F));
        QVERIFY(MorvanteelDeepLink::runItem(F, I) != MorvanteelDeepLink::runItem(I, F));
        QCOMPARE(MorvanteelDeepLink::runItem(F, I), MorvanteelDeepLink::runItem(F, I));
        QCOMPARE(MorvanteelDeepLink::runItem(F, I).as<MorvanteelDeepLink::RunItem>()->itemID, I);
        QCOMPARE(MorvanteelDeepLink::spotSearch().as<MorvanteelDeepLink::RunItem>(), nullptr);
    }
};

QTEST_GUILESS_MAIN(DeepLinkTest)
#include "tst_deeplink.moc"
