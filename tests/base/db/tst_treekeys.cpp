#include "treekeys.h"

#include <QtTest>

using namespace lc::keys;

class TestTreeKeys : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void makeAndParseAgain()
    {
        QCOMPARE(platformKey(5), QStringLiteral("P_5"));
        QCOMPARE(genreKey(2, 5), QStringLiteral("G_2|P_5"));
        QCOMPARE(gameKey(40, 2, 5), QStringLiteral("N_40|G_2|P_5"));
        QCOMPARE(fileKey(311), QStringLiteral("K_311"));
        const QString location = locationKey(311, 40, 2, 255);
        QCOMPARE(location, QStringLiteral("K_311|N_40|G_2|P_255"));
        const TreeKey k = parse(location);
        QCOMPARE(k.kind, Kind::Location);
        QCOMPARE(k.fileId, 311);
        QCOMPARE(k.gameId, 40);
        QCOMPARE(k.genreId, quint8(2));
        QCOMPARE(k.platformId, quint8(255));
        QCOMPARE(parse(gameKey(2147483647, 8, 0)).gameId, 2147483647);
        QCOMPARE(parse(u"G_2|P_5").kind, Kind::Genre);
        QCOMPARE(parse(u"P_0").kind, Kind::Platform);
        QCOMPARE(parse(u"K_7").fileId, 7);
        QCOMPARE(parse(u"ROOT").kind, Kind::Root);
        QCOMPARE(parse(u"Sony").brand, QStringLiteral("Sony"));
    }

    void malformedKeysAreRejected_data()
    {
        QTest::addColumn<QString>("key");
        QTest::newRow("trailing text") << "N_5x|G_3|P_2";
        QTest::newRow("no number") << "N_|G_3";
        QTest::newRow("missing platform") << "N_5|G_3";
        QTest::newRow("platform above 255") << "G_1|P_256";
        QTest::newRow("genre above 255") << "N_1|G_300|P_2";
        QTest::newRow("game id above 32 bits") << "N_2147483648|G_1|P_2";
        QTest::newRow("eleven digits") << "K_99999999999";
        QTest::newRow("sign") << "P_-1";
        QTest::newRow("plus") << "P_+1";
        QTest::newRow("leading zero") << "P_05";
        QTest::newRow("space") << "P_ 5";
        QTest::newRow("order") << "G_3|N_5|P_2";
        QTest::newRow("file without game") << "K_1|G_3|P_2";
        QTest::newRow("five parts") << "K_1|K_1|N_5|G_3|P_2";
        QTest::newRow("empty part") << "N_5||P_2";
        QTest::newRow("lower case") << "p_5";
        QTest::newRow("empty") << "";
        QTest::newRow("other text") << "Lorecase";
    }
    void malformedKeysAreRejected()
    {
        QFETCH(QString, key);
        const TreeKey k = parse(key);
        QCOMPARE(k.kind, Kind::Invalid);
        QCOMPARE(k.gameId, 0);
        QCOMPARE(k.platformId, quint8(0));
    }

    void platformLists()
    {
        QCOMPARE(platformList({1, 4}), QStringLiteral("|P_1|P_4"));
        QCOMPARE(parsePlatformList(u"|P_1|P_4"), std::optional(QList<quint8>{1, 4}));
        QCOMPARE(parsePlatformList(u""), std::optional(QList<quint8>{}));
        QVERIFY(!parsePlatformList(u"P_1|P_4"));
        QVERIFY(!parsePlatformList(u"|P_1|P_256"));
        QVERIFY(!parsePlatformList(u"|P_1|"));
        QVERIFY(!parsePlatformList(u"|P_1|G_2|P_1"));
    }
};

QTEST_GUILESS_MAIN(TestTreeKeys)
#include "tst_treekeys.moc"
