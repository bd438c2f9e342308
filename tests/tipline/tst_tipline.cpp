#include "clsTips.h"
#include "frmTips.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

class TestTipline : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void tipFileLines()
    {
        TestHome home(TestHome::Db::None);
        home.write("tips.txt", "  first tip  \r\n\r\n   \nsecond\tone\n\xE9t\xE9 in Latin\nlast");
        QCOMPARE(
            clsTips::ReadTips(home.file("tips.txt")),
            QStringList({"first tip", "second\tone", QString::fromUtf8("été in Latin"), "last"}));
        home.write("blank.txt", "\r\n   \r\n\t\n");
        QVERIFY(clsTips::ReadTips(home.file("blank.txt")).isEmpty());
    }

    void hostileTipFilesStayBounded()
    {
        TestHome home(TestHome::Db::None);
        QByteArray huge(3 * 1024 * 1024, 'x');
        huge += "\nshort\n";
        home.write("long.txt", huge);
        const QStringList tips = clsTips::ReadTips(home.file("long.txt"));
        QCOMPARE(tips.size(), 2);
        QVERIFY(tips[0].size() < 5000);
        QCOMPARE(tips[1], QStringLiteral("short"));

        QByteArray many;
        for (int i = 0; i < 200000; ++i)
            many += "tip\n";
        home.write("many.txt", many);
        QCOMPARE(clsTips::ReadTips(home.file("many.txt")).size(), 10000);
    }

    void pickIndexCoversEveryTip()
    {
        QCOMPARE(clsTips::PickIndex(0.0, 3), 1);
        QCOMPARE(clsTips::PickIndex(0.34, 3), 2);
        QCOMPARE(clsTips::PickIndex(0.9999999, 3), 3);
        QCOMPARE(clsTips::PickIndex(0.5, 0), 0);

        TestHome home(TestHome::Db::None);
        QSet<int> first;
        for (int i = 0; i < 200 && first.size() < 3; ++i) {
            clsTips tips;
            tips.Show(home.file("missing.txt"), 1);
            first.insert(tips.currentIndex());
        }
        QCOMPARE(first.size(), 3);
    }

    void builtInHintsWhenTheFileIsMissing()
    {
        TestHome home(TestHome::Db::None);
        clsTips tips;
        tips.Show(home.file("missing.txt"), 1);
        QCOMPARE(tips.tips().size(), 3);
        QCOMPARE(tips.tips().at(2),
                 QStringLiteral("You can import complete web pages from the Lorecase browser by "
                                "clicking the disk icon and selecting \"Import This Page...\" from "
                                "the pop up menu."));
        QVERIFY(tips.window()->lblTipText->text().startsWith(QStringLiteral("You can")));
        QCOMPARE(home.ui().callsOf(lc::ui::ScriptedUi::Kind::Modal).size(), 1);
        QCOMPARE(home.ui().calls.last().text, QStringLiteral("Tip Of The Day"));
    }

    void nextTipWrapsAround()
    {
        TestHome home(TestHome::Db::None);
        home.write("tips.txt", "one\ntwo\nthree\n");
        clsTips tips;
        tips.Show(home.file("tips.txt"), 0);
        QVERIFY(!tips.window()->chkLoadTipsAtStartup->isChecked());
        while (tips.currentIndex() != 3)
            tips.window()->cmdNextTip->click();
        QCOMPARE(tips.window()->lblTipText->text(), QStringLiteral("three"));
        tips.window()->cmdNextTip->click();
        QCOMPARE(tips.currentIndex(), 1);
        QCOMPARE(tips.window()->lblTipText->text(), QStringLiteral("one"));

        home.write("blank.txt", "  \n");
        clsTips empty;
        empty.Show(home.file("blank.txt"), 1);
        QCOMPARE(empty.window()->lblTipText->text(), QString());
        empty.window()->cmdNextTip->click();
        QCOMPARE(empty.window()->lblTipText->text(), QString());
    }

    void okReportsTheCheckBox()
    {
        TestHome home(TestHome::Db::None);
        clsTips tips;
        QSignalSpy ok(&tips, &clsTips::OKClick);
        home.ui().modalHandlers.enqueue([](QDialog &d) {
            auto &w = static_cast<frmTips &>(d);
            w.chkLoadTipsAtStartup->setChecked(false);
            w.cmdOK->click();
            return 1;
        });
        tips.Show(home.file("missing.txt"), 1);
        QCOMPARE(ok.count(), 1);
        QCOMPARE(ok.at(0).at(0).value<quint8>(), quint8(0));

        // Closing the window any other way reports nothing.
        clsTips other;
        QSignalSpy none(&other, &clsTips::OKClick);
        home.ui().modalHandlers.enqueue([](QDialog &d) {
            d.reject();
            return 0;
        });
        other.Show(home.file("missing.txt"), 1);
        QCOMPARE(none.count(), 0);
    }

    void windowTexts()
    {
        frmTips w;
        QCOMPARE(w.windowTitle(), QStringLiteral("Tip Of The Day"));
        QCOMPARE(w.lblHeading->text(), QStringLiteral("Did you know..."));
        QCOMPARE(w.cmdNextTip->text(), QStringLiteral("&Next Tip"));
        QCOMPARE(w.cmdNextTip->toolTip(), QStringLiteral("Show next tip."));
        QCOMPARE(w.chkLoadTipsAtStartup->text(), QStringLiteral("&Show Tips At Startup"));
        QCOMPARE(w.chkLoadTipsAtStartup->toolTip(),
                 QStringLiteral("Check to show tips at startup."));
        QCOMPARE(w.cmdOK->text(), QStringLiteral("&OK"));
    }

    void deliveredTipFile()
    {
        const QString delivered =
            qEnvironmentVariable("LORECASE_TOOLS") + QStringLiteral("/tips.txt");
        if (!QFile::exists(delivered))
            QSKIP("the program folder has no tips.txt");
        QVERIFY(clsTips::ReadTips(delivered).size() >= 20);
    }
};

QTEST_MAIN(TestTipline)
#include "tst_tipline.moc"
