#include "core/models/Text.h"

#include <QRandomGenerator>
#include <QtTest>

#include <algorithm>

using namespace mv;

namespace {

int sign(int value) { return value < 0 ? -1 : (value > 0 ? 1 : 0); }

// Names that stress the collator: Han, letter case, digits of many lengths and leading zeros,
// punctuation, emoji and other characters beyond the BMP, decomposed accents (and combining
// marks out of canonical order), characters that collate as nothing, and the empty name.
QStringList fragments()
{
    return {
        QString(), QStringLiteral("a"), QStringLiteral("A"), QStringLiteral("b"), QStringLiteral("Z"),
        QStringLiteral("文件"), QStringLiteral("报告"), QStringLiteral("阿里"), QStringLiteral("中文"),
        QStringLiteral("0"), QStringLiteral("00"), QStringLiteral("007"), QStringLiteral("7"),
        QStringLiteral("10"), QStringLiteral("2"), QStringLiteral("99999999999999999999"),
        QString(300, u'9'), QStringLiteral("3.14"), QStringLiteral("."), QStringLiteral("-"),
        QStringLiteral("_"), QStringLiteral(" "), QStringLiteral("(1)"), QStringLiteral("#"),
        QStringLiteral("caf\u00e9"), QStringLiteral("cafe\u0301"), QStringLiteral("a\u0323\u0302"),
        QStringLiteral("a\u0302\u0323"), QStringLiteral("\u00c4"), QStringLiteral("\u00df"),
        QStringLiteral("😀"), QStringLiteral("👨‍👩‍👧"), QStringLiteral("\U0001F1E8\U0001F1F3"),
        QStringLiteral("\u0001"), QStringLiteral("\u200b"), QStringLiteral("\uff46"),
        QStringLiteral("\uff11\uff12"), QStringLiteral("\u0663"), QStringLiteral("\ue000"),
        QStringLiteral(".JPG"), QStringLiteral("IMG_"), QStringLiteral("Photo "), QStringLiteral("\u5f20"),
    };
}

QStringList corpus()
{
    QStringList names = fragments();
    QRandomGenerator random(20260101); // fixed: a failure must be reproducible
    const QStringList fragmentList = fragments();
    for (int i = 0; i < 1500; ++i) {
        QString name;
        const int parts = int(random.bounded(1, 5));
        for (int p = 0; p < parts; ++p)
            name += fragmentList.at(random.bounded(int(fragmentList.size())));
        names.append(name);
    }
    // A lone surrogate can come from a file name too.
    names.append(QString(QChar(0xd800)) + u'x');
    return names;
}

int compareCodePoints(const QString& a, const QString& b)
{
    const QList<uint> x = a.toUcs4();
    const QList<uint> y = b.toUcs4();
    return std::lexicographical_compare_three_way(x.begin(), x.end(), y.begin(), y.end())
                   < 0
               ? -1
               : (x == y ? 0 : 1);
}

} // namespace

class NameSortKeysTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    // Every pair of the corpus: the flat keys give the sign compareNames gives, zero included.
    // Left out are names holding decimal digits other than ASCII ones ("１２", "٣"): there
    // ICU's comparison of two strings and its sort keys disagree (the comparison skips a shared
    // prefix and misreads the digits after it), so no key can follow compareNames; the keys
    // then keep the order of QCollator's own keys, as the next test checks.
    void keysCompareAsCompareNames()
    {
        QStringList names = corpus();
        names.removeIf([](const QString& name) {
            return std::any_of(name.cbegin(), name.cend(), [](QChar c) {
                return c.isDigit() && (c < u'0' || c > u'9');
            });
        });
        QVERIFY(names.size() > 500);
        text::NameSortKeys keys;
        keys.reserve(names.size(), 0); // too little room on purpose: growing must be sound
        for (const QString& name : names)
            keys.append(name);
        QCOMPARE(keys.size(), names.size());
        for (qsizetype i = 0; i < names.size(); ++i) {
            for (qsizetype j = 0; j < names.size(); ++j) {
                const int byKeys = sign(text::NameSortKeys::compare(keys.key(i), keys.key(j)));
                const int byNames = sign(text::compareNames(names.at(i), names.at(j)));
                if (byKeys != byNames) {
                    QFAIL(qPrintable(QStringLiteral("keys say %1, compareNames says %2 for \"%3\" and \"%4\"")
                                         .arg(byKeys).arg(byNames).arg(names.at(i), names.at(j))));
                }
            }
        }
    }

    // Over the whole corpus, other digits included, the keys order names as QCollator's keys
    // (nameSortKey) do, code points breaking ties: sorting on them changes no listing.
    void keysOrderAsQCollatorKeys()
    {
        const QStringList names = corpus();
        text::NameSortKeys keys;
        std::vector<QCollatorSortKey> qtKeys;
        for (const QString& name : names) {
            keys.append(name);
            qtKeys.push_back(text::nameSortKey(name));
        }
        std::vector<qsizetype> byFlat(size_t(names.size()));
        for (size_t i = 0; i < byFlat.size(); ++i)
            byFlat[i] = qsizetype(i);
        std::vector<qsizetype> byQt = byFlat;
        std::stable_sort(byFlat.begin(), byFlat.end(), [&](qsizetype a, qsizetype b) {
            const int byKey = text::NameSortKeys::compare(keys.key(a), keys.key(b));
            return byKey != 0 ? byKey < 0 : compareCodePoints(names.at(a), names.at(b)) < 0;
        });
        std::stable_sort(byQt.begin(), byQt.end(), [&](qsizetype a, qsizetype b) {
            const int byKey = qtKeys[size_t(a)].compare(qtKeys[size_t(b)]);
            return byKey != 0 ? byKey < 0 : compareCodePoints(names.at(a), names.at(b)) < 0;
        });
        QCOMPARE(byFlat, byQt);
    }

    // The order a sort on the keys gives is the order compareNames gives (code points breaking
    // its ties), over the corpus (other digits left out, as above) in shuffled input order.
    void sortOnKeysMatchesCompareNames()
    {
        QStringList names = corpus();
        names.removeIf([](const QString& name) {
            return std::any_of(name.cbegin(), name.cend(), [](QChar c) {
                return c.isDigit() && (c < u'0' || c > u'9');
            });
        });
        std::shuffle(names.begin(), names.end(), QRandomGenerator(7));
        QStringList expected = names;
        std::stable_sort(expected.begin(), expected.end(), [](const QString& a, const QString& b) {
            const int byName = text::compareNames(a, b);
            return byName != 0 ? byName < 0 : compareCodePoints(a, b) < 0;
        });

        text::NameSortKeys keys;
        for (const QString& name : names)
            keys.append(name);
        std::vector<qsizetype> order(size_t(names.size()));
        for (size_t i = 0; i < order.size(); ++i)
            order[i] = qsizetype(i);
        std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
            const int byKey = text::NameSortKeys::compare(keys.key(a), keys.key(b));
            return byKey != 0 ? byKey < 0 : compareCodePoints(names.at(a), names.at(b)) < 0;
        });
        QStringList sorted;
        for (const qsizetype i : order)
            sorted.append(names.at(i));
        QCOMPARE(sorted, expected);
    }

    // Enough names to be keyed on several threads: every key is the one a single append makes,
    // in input order, also after keys already held.
    void keyingManyAtOnceMatchesOneByOne()
    {
        const QStringList fragmentList = corpus();
        QStringList names;
        for (int i = 0; i < 50000; ++i)
            names.append(fragmentList.at(i % fragmentList.size()) + QString::number(i));
        text::NameSortKeys oneByOne;
        oneByOne.append(QStringLiteral("held before"));
        for (const QString& name : std::as_const(names))
            oneByOne.append(name);
        text::NameSortKeys atOnce;
        atOnce.append(QStringLiteral("held before"));
        atOnce.appendAll(names.size(), [&names](qsizetype i) -> QStringView { return names.at(i); });
        QCOMPARE(atOnce.size(), oneByOne.size());
        for (qsizetype i = 0; i < atOnce.size(); ++i) {
            if (atOnce.key(i) != oneByOne.key(i))
                QFAIL(qPrintable(QStringLiteral("key %1 differs").arg(i)));
        }
    }

    void emptyNameComesFirst()
    {
        text::NameSortKeys keys;
        keys.append(QString());
        keys.append(QStringLiteral("\u0001")); // collates as nothing, yet is not empty
        keys.append(QStringLiteral("a"));
        QCOMPARE(keys.key(0).size(), qsizetype(0));
        QCOMPARE(sign(text::NameSortKeys::compare(keys.key(0), keys.key(1))),
                 sign(text::compareNames(QString(), QStringLiteral("\u0001"))));
        QVERIFY(text::NameSortKeys::compare(keys.key(0), keys.key(2)) < 0);
    }
};

QTEST_GUILESS_MAIN(NameSortKeysTest)
#include "tst_namesortkeys.moc"
