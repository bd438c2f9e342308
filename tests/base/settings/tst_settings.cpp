#include "fixedlists.h"
#include "settings.h"
#include "testsupport.h"
#include "twips.h"
#include "uiservice.h"

#include <QtTest>

using namespace lc::settings;

class TestSettings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readsReturnTheDefaultForMissingKeys()
    {
        TestHome home(TestHome::Db::None);
        QCOMPARE(GetSetting(QStringLiteral("Settings"), QStringLiteral("TOD"), QStringLiteral("1")),
                 QStringLiteral("1"));
        QCOMPARE(GetNumber(QStringLiteral("Layout"), QStringLiteral("imgs1Left"), 3720), 3720);
        QCOMPARE(GetFlag(QStringLiteral("Layout"), QStringLiteral("ctlTree"), true), true);
        SaveSetting(QStringLiteral("Settings"), QStringLiteral("TOD"), QStringLiteral("0"));
        QCOMPARE(GetSetting(QStringLiteral("Settings"), QStringLiteral("TOD"), QStringLiteral("1")),
                 QStringLiteral("0"));
        // Sections keep keys apart.
        QCOMPARE(GetSetting(QStringLiteral("View"), QStringLiteral("TOD"), QStringLiteral("d")),
                 QStringLiteral("d"));
    }

    void valuesAreStoredAsText()
    {
        TestHome home(TestHome::Db::None);
        QStringList seen;
        setWriteObserver([&](const QString &s, const QString &k, const QString &v) {
            seen << s + u'/' + k + u'=' + v;
        });
        SaveFlag(QStringLiteral("Layout"), QStringLiteral("ctlTree"), false);
        SaveFlag(QStringLiteral("Layout"), QStringLiteral("Detail"), true);
        SaveNumber(QStringLiteral("Layout"), QStringLiteral("imgs1Left"), 4200);
        SaveReal(QStringLiteral("View"), QStringLiteral("Ratio"), 0.1);
        QCOMPARE(seen, QStringList({"Layout/ctlTree=False", "Layout/Detail=True",
                                    "Layout/imgs1Left=4200", "View/Ratio=0.1"}));
        QCOMPARE(GetFlag(QStringLiteral("Layout"), QStringLiteral("ctlTree"), true), false);
        QCOMPARE(GetNumber(QStringLiteral("Layout"), QStringLiteral("imgs1Left"), 0), 4200);
    }

    void textConversions_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("flag");
        QTest::addColumn<double>("number");
        QTest::newRow("True") << "True" << true << -1.0;
        QTest::newRow("false lower") << "false" << false << -1.0;
        QTest::newRow("one") << "1" << true << 1.0;
        QTest::newRow("zero") << "0" << false << 0.0;
        QTest::newRow("minus one") << "-1" << true << -1.0;
        QTest::newRow("spaces") << " 12 " << true << 12.0;
        QTest::newRow("decimal") << "2.5" << true << 2.5;
        QTest::newRow("garbage") << "abc" << true << -1.0; // falls back
        QTest::newRow("empty") << "" << true << -1.0;
    }
    void textConversions()
    {
        QFETCH(QString, text);
        QFETCH(bool, flag);
        QFETCH(double, number);
        QCOMPARE(toFlag(text, true), flag);
        QCOMPARE(toNumber(text, -1.0), number);
    }

    void hugeOrBrokenNumbersFallBackOrClamp()
    {
        TestHome home(TestHome::Db::None);
        SaveSetting(QStringLiteral("Layout"), QStringLiteral("imgs2Top"), QStringLiteral("1e30"));
        QCOMPARE(GetNumber(QStringLiteral("Layout"), QStringLiteral("imgs2Top"), 5), 2147483647);
        SaveSetting(QStringLiteral("Layout"), QStringLiteral("imgs2Top"), QStringLiteral("nan"));
        QCOMPARE(GetNumber(QStringLiteral("Layout"), QStringLiteral("imgs2Top"), 5), 5);
        SaveSetting(QStringLiteral("Layout"), QStringLiteral("imgs2Top"), QStringLiteral("x"));
        QCOMPARE(GetNumber(QStringLiteral("Layout"), QStringLiteral("imgs2Top"), 5), 5);
    }

    void fixedLists()
    {
        using namespace lc::names;
        QCOMPARE(subCatName(1), QStringLiteral("Walkthrough\\Guide"));
        QCOMPARE(subCatName(6), QStringLiteral("Web Link"));
        QCOMPARE(subCatName(7), QString());
        QCOMPARE(genreName(0), QString());
        QCOMPARE(genreName(9), QString());
        QCOMPARE(genreName(5), QStringLiteral("Role-Playing"));
        QCOMPARE(platformName(3), QStringLiteral("GameCube"));
        QCOMPARE(platformName(19), QStringLiteral("Arcade"));
        QCOMPARE(platformName(20), QString());
        QCOMPARE(subCatId(QStringLiteral("Review")), quint8(3));
        QCOMPARE(subCatId(QStringLiteral("review")), quint8(0));
        QCOMPARE(genreId(QStringLiteral("Strategy")), quint8(8));
        int n = 0;
        const PlatformRow *rows = platformRows(&n);
        QCOMPARE(n, 19);
        for (int i = 0; i < n; ++i)
            QCOMPARE(int(rows[i].id), i + 1);
        QCOMPARE(QString::fromLatin1(rows[17].checkCaption), QStringLiteral("PC Games"));
    }

    void byteIdsRefuseWhatDoesNotFit()
    {
        using lc::names::toByteId;
        QCOMPARE(toByteId(QVariant(255)), std::optional<quint8>(255));
        QCOMPARE(toByteId(QVariant(0)), std::optional<quint8>(0));
        QVERIFY(!toByteId(QVariant(256)));
        QVERIFY(!toByteId(QVariant(-1)));
        QVERIFY(!toByteId(QVariant(2.5)));
        QVERIFY(!toByteId(QVariant()));
        QVERIFY(!toByteId(QVariant(QStringLiteral("x"))));
    }

    void twipsAtNinetySixDpi()
    {
        lc::twips::setPixelsPerInchForTesting(96);
        QCOMPARE(lc::twips::toPixels(1440), 96);
        QCOMPARE(lc::twips::toPixels(375), 25);
        QCOMPARE(lc::twips::fromPixels(600), 9000);
        // Adjacent areas share their edge after rounding.
        const QRect a = lc::twips::toPixels(0, 0, 3707, 100);
        const QRect b = lc::twips::toPixels(3707, 0, 1000, 100);
        QCOMPARE(a.right() + 1, b.left());
        lc::twips::setPixelsPerInchForTesting(0);
    }

    void dialogFilters()
    {
        QCOMPARE(lc::ui::toDialogFilter(QStringLiteral("MDB Files *.mdb|*.mdb")),
                 QStringLiteral("MDB Files *.mdb (*.mdb)"));
        QCOMPARE(lc::ui::toDialogFilter(
                     QStringLiteral("Image Files (*.bmp;*.gif;*.jpg)|*.bmp;*.gif;*.jpg|")),
                 QStringLiteral("Image Files (*.bmp;*.gif;*.jpg) (*.bmp *.gif *.jpg)"));
    }

    void scriptedUiNeverWaits()
    {
        TestHome home(TestHome::Db::None);
        auto &ui = home.ui();
        using lc::ui::Answer;
        using lc::ui::Buttons;
        QCOMPARE(lc::ui::msgBox(QStringLiteral("a"), Buttons::YesNoCancel), Answer::Cancel);
        QCOMPARE(lc::ui::msgBox(QStringLiteral("b"), Buttons::YesNo), Answer::No);
        ui.answers.enqueue(Answer::Yes);
        QCOMPARE(lc::ui::msgBox(QStringLiteral("c"), Buttons::YesNo), Answer::Yes);
        QVERIFY(!lc::ui::service().openFile({}).has_value());
        QCOMPARE(ui.messages(), QStringList({"a", "b", "c"}));
        QCOMPARE(ui.calls[0].title, QStringLiteral("Lorecase"));
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
