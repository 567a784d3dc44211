#include "core/models/BackupDocument.h"
#include "core/models/DeepLink.h"
#include "core/models/WidgetSnapshot.h"

#include "support/RoundTrip.h"
#include "support/TestData.h"

#include <QtTest>

#include <random>

using namespace mv;

// Damaged input must be refused with an error or read into a document that writes and reads
// back to itself (roundtrip::check); it must never crash the reader (these run under the
// sanitizers).
class RobustnessTest final : public QObject {
    Q_OBJECT

private:
    template<class T>
    static void damage(const QByteArray& golden)
    {
        // Every truncation.
        for (qsizetype length = 0; length < golden.size(); length += 3) {
            roundtrip::check<T>(golden.left(length));
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(QStringLiteral("truncated to %1 bytes").arg(length)));
        }
        // Seeded bit flips, one to three per copy.
        std::mt19937 random(20261210);
        std::uniform_int_distribution<qsizetype> position(0, golden.size() - 1);
        std::uniform_int_distribution<int> bit(0, 7);
        std::uniform_int_distribution<int> flips(1, 3);
        for (int round = 0; round < 3000; ++round) {
            QByteArray copy = golden;
            for (int n = flips(random); n > 0; --n)
                copy[position(random)] ^= char(1 << bit(random));
            roundtrip::check<T>(copy);
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(QStringLiteral("bit-flip round %1").arg(round)));
        }
    }

private Q_SLOTS:
    void damagedStateDocuments() { damage<MorvanteelBackupDocument>(readTestData(QStringLiteral("golden-state.json"))); }
    void damagedSnapshots() { damage<WidgetSnapshotPayload>(readTestData(QStringLiteral("golden-snapshot.json"))); }

    void damagedDeepLinks()
    {
        const QStringList seeds{
            QStringLiteral("morvanteel://run-item/B5C6D7E8-F90A-4516-9728-A3B4C5D6E7F8/5F607182-93A4-4FB0-B1C2-4D5E6F708192"),
            QStringLiteral("morvanteel://open-fence/B5C6D7E8-F90A-4516-9728-A3B4C5D6E7F8?x#y"),
            QStringLiteral("morvanteel://smart-tidy"),
        };
        std::mt19937 random(7);
        const QString alphabet = QStringLiteral("morvanteel:/?#@%-.ABCDEF0123456789{}[] 中\u0000");
        for (const QString& seed : seeds) {
            for (int round = 0; round < 2000; ++round) {
                QString copy = seed;
                std::uniform_int_distribution<qsizetype> at(0, copy.size() - 1);
                std::uniform_int_distribution<qsizetype> pick(0, alphabet.size() - 1);
                copy[at(random)] = alphabet[pick(random)];
                const auto link = MorvanteelDeepLink::fromString(copy);
                // Whatever parses must build a URL that parses to the same link.
                if (link)
                    QCOMPARE(MorvanteelDeepLink::fromString(link->urlString()), link);
            }
        }
    }
};

QTEST_GUILESS_MAIN(RobustnessTest)
#include "tst_robustness.moc"
