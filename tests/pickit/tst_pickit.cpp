#include "clsCombos.h"
#include "clsSelector.h"
#include "connection.h"
#include "recordset.h"
#include "testsupport.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QtTest>

using lc::ui::ScriptedUi;

namespace {

struct Outcome {
    QStringList events;
    quint8 platform = 99, genre = 99;
    qint32 game = -1;
    bool cancel = false;
};

// Runs Show with a handler that plays the user's part inside the modal window.
Outcome run(TestHome &home, lc::db::Connection &conn, quint8 p, quint8 g, qint32 game, bool isGame,
            const std::function<void(frmSelect &)> &user, clsSelector *keep = nullptr)
{
    Outcome out;
    clsSelector local;
    clsSelector &sel = keep ? *keep : local;
    sel.M_ADO_CONNECTION = &conn;
    QObject::connect(&sel, &clsSelector::AddGameNode, &sel,
                     [&](const QString &n, const QString &parent, const QString &key) {
                         out.events << QStringLiteral("AddGameNode %1 %2 %3").arg(n, parent, key);
                     });
    QObject::connect(&sel, &clsSelector::CompleteSelect, &sel,
                     [&](quint8 pl, quint8 ge, qint32 ga, bool c) {
                         out.events << QStringLiteral("CompleteSelect");
                         out.platform = pl;
                         out.genre = ge;
                         out.game = ga;
                         out.cancel = c;
                     });
    home.ui().modalHandlers.enqueue([&](QDialog &d) {
        user(static_cast<frmSelect &>(d));
        return 0;
    });
    sel.Show(p, g, game, QStringLiteral("Move selected file to..."), isGame);
    return out;
}

} // namespace

class TestPickit : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_home = std::make_unique<TestHome>();
        m_home->sql("UPDATE platform SET in_use = 0 WHERE auto_id < 5;"
                    "INSERT INTO game (platform_id, genre_id, name) VALUES "
                    "(5, 1, 'Sky Lanterns'), (5, 1, 'Tin Soldiers'), (5, 8, 'Iron Keep'),"
                    "(6, 2, 'Pocket Quest')");
        QVERIFY(m_conn.open(m_home->dbPath()));
    }
    void cleanup()
    {
        m_conn.close();
        m_home.reset();
    }

    void presetsFillTheBoxes()
    {
        QStringList platforms, games;
        QString genre, caption, gameLabel;
        const Outcome o = run(*m_home, m_conn, 0, 0, 0, false, [&](frmSelect &f) {
            for (int i = 0; i < f.cboPlatform->count(); ++i)
                platforms << f.cboPlatform->itemText(i);
            for (int i = 0; i < f.cboGame->count(); ++i)
                games << f.cboGame->itemText(i);
            genre = f.cboGenre->currentText();
            caption = f.lblCaption->text();
            gameLabel = f.Label1[2]->text();
        });
        QVERIFY(!platforms.contains(QStringLiteral("Nintendo Entertainment System"))); // not in use
        QCOMPARE(platforms.first(), QStringLiteral("Nintendo 64"));
        QCOMPARE(platforms.size(), 15);
        QCOMPARE(genre, QStringLiteral("Action"));
        QCOMPARE(games, QStringList({"Sky Lanterns", "Tin Soldiers"}));
        QCOMPARE(gameLabel, QStringLiteral(" Games: 2"));
        QCOMPARE(caption, QStringLiteral(" Move selected file to..."));
        QVERIFY(o.events.isEmpty()); // the window was closed without OK or Cancel
    }

    void presetGameAndUnknownPlatform()
    {
        clsSelector sel;
        QString game;
        run(
            *m_home, m_conn, 5, 8, 3, false, [&](frmSelect &f) { game = f.cboGame->currentText(); },
            &sel);
        QCOMPARE(game, QStringLiteral("Iron Keep"));
        QCOMPARE(sel.Platform_ID, quint8(5));
        QCOMPARE(sel.Genre_ID, quint8(8));

        int platformIndex = 0, games = -1;
        run(*m_home, m_conn, 2, 1, 0, false, [&](frmSelect &f) {
            platformIndex = f.cboPlatform->currentIndex();
            games = f.cboGame->count();
        });
        QCOMPARE(platformIndex, -1); // platform 2 is not offered: nothing is selected
        QCOMPARE(games, 0);
    }

    void choosingReportsIds()
    {
        clsSelector sel;
        const Outcome o = run(
            *m_home, m_conn, 0, 0, 0, false,
            [](frmSelect &f) {
                f.cboGenre->setCurrentIndex(7);
                f.cboGame->setCurrentIndex(0);
                f.cmdOK->click();
            },
            &sel);
        QCOMPARE(o.events, QStringList{"CompleteSelect"});
        QCOMPARE(o.platform, quint8(5)); // the first entry's id, not its position
        QCOMPARE(o.genre, quint8(8));
        QCOMPARE(o.game, 3);
        QVERIFY(!o.cancel);
        QCOMPARE(sel.m_Game_Name, QStringLiteral("Iron Keep"));
        QCOMPARE(sel.Game_ID, 3);
        QVERIFY(!sel.SelectorForm());
    }

    void blankGameNameKeepsTheWindowOpen()
    {
        bool visibleHint = false;
        const Outcome o = run(*m_home, m_conn, 6, 3, 0, false, [&](frmSelect &f) {
            f.cboGame->setEditText(QStringLiteral("   "));
            f.cmdOK->click();
            visibleHint = !f.Label2->isHidden();
        });
        QVERIFY(o.events.isEmpty());
        QVERIFY(visibleHint);
        const auto boxes = m_home->ui().callsOf(ScriptedUi::Kind::Message);
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].text,
                 QStringLiteral("The game name can not be left blank.\r\n\r\nIf the game you wish "
                                "to add your file to is not in the box, just type a new game name "
                                "to add one."));
        QCOMPARE(boxes[0].icon, lc::ui::Icon::Exclamation);
    }

    void genreOnlyNeverAsksForAGame()
    {
        bool gameShown = true;
        const Outcome o = run(*m_home, m_conn, 5, 1, 2, true, [&](frmSelect &f) {
            gameShown = !f.cboGame->isHidden();
            f.cboGenre->setCurrentIndex(3);
            f.cmdOK->click();
        });
        QVERIFY(!gameShown);
        QCOMPARE(o.events, QStringList{"CompleteSelect"});
        QCOMPARE(o.genre, quint8(4));
        QCOMPARE(o.game, 2); // the preset game stays the choice
        QVERIFY(m_home->ui().messages().isEmpty());
    }

    void typedNameAddsAGame()
    {
        const QString typed = QStringLiteral("Dragon's \"Lair\"; DROP TABLE game; --");
        clsSelector sel;
        const Outcome o = run(
            *m_home, m_conn, 6, 0, 0, false,
            [&](frmSelect &f) {
                f.cboGenre->setCurrentIndex(4);
                f.cboGame->setEditText(QStringLiteral("  ") + typed + QStringLiteral(" "));
                f.cmdOK->click();
            },
            &sel);
        QCOMPARE(o.events.size(), 2);
        QCOMPARE(o.events[0], QStringLiteral("AddGameNode %1 G_5|P_6 N_5|G_5|P_6").arg(typed));
        QCOMPARE(o.events[1], QStringLiteral("CompleteSelect"));
        QCOMPARE(o.game, 5);
        QCOMPARE(m_home->ui().messages(),
                 QStringList{QStringLiteral("The game \"%1\" has been added.").arg(typed)});
        QCOMPARE(m_home->ui().callsOf(ScriptedUi::Kind::Message)[0].icon,
                 lc::ui::Icon::Information);
        lc::db::Recordset rs;
        QVERIFY(
            rs.open(QStringLiteral(
                        "SELECT auto_id, platform_id, genre_id, name FROM game WHERE auto_id = 5"),
                    m_conn));
        QCOMPARE(rs.recordCount(), 1);
        QCOMPARE(rs.field(QStringLiteral("name")).toString(), typed);
        QCOMPARE(rs.field(QStringLiteral("platform_id")).toInt(), 6);
        QCOMPARE(rs.field(QStringLiteral("genre_id")).toInt(), 5);
    }

    void typingAnExistingTitleChoosesIt()
    {
        const Outcome o = run(*m_home, m_conn, 5, 1, 0, false, [](frmSelect &f) {
            f.cboGame->setEditText(QStringLiteral("Tin Soldiers"));
            f.cmdOK->click();
        });
        QCOMPARE(o.events, QStringList{"CompleteSelect"});
        QCOMPARE(o.game, 2);
        QVERIFY(m_home->ui().messages().isEmpty());
    }

    void gameBoxStartsEmpty_data()
    {
        QTest::addColumn<int>("presetGame");
        QTest::addColumn<int>("change"); // 0: none, 1: platform, 2: genre
        QTest::newRow("unknown preset game") << 4 << 0;
        QTest::newRow("platform changed") << 1 << 1;
        QTest::newRow("genre changed") << 1 << 2;
    }
    void gameBoxStartsEmpty()
    {
        QFETCH(int, presetGame);
        QFETCH(int, change);
        QString shown;
        int index = 0;
        const Outcome o = run(*m_home, m_conn, 5, 1, presetGame, false, [&](frmSelect &f) {
            if (change == 1)
                f.cboPlatform->setCurrentIndex(f.cboPlatform->findData(6));
            else if (change == 2)
                f.cboGenre->setCurrentIndex(7);
            shown = f.cboGame->currentText();
            index = f.cboGame->currentIndex();
            f.cmdOK->click();
        });
        QCOMPARE(shown, QString());
        QCOMPARE(index, -1);
        QVERIFY(o.events.isEmpty()); // OK asked for a game instead of filing under one
        QCOMPARE(m_home->ui().callsOf(ScriptedUi::Kind::Message).size(), 1);
    }

    void theChosenOfTwoSameTitlesCounts()
    {
        m_home->sql("INSERT INTO game (platform_id, genre_id, name) VALUES (5, 1, 'Tin Soldiers')");
        const Outcome o = run(*m_home, m_conn, 5, 1, 0, false, [](frmSelect &f) {
            QCOMPARE(f.cboGame->itemText(2), QStringLiteral("Tin Soldiers"));
            f.cboGame->setCurrentIndex(2);
            f.cmdOK->click();
        });
        QCOMPARE(o.events, QStringList{"CompleteSelect"});
        QCOMPARE(o.game, 5);
    }

    void unknownPlatformKeepsTheGameLabel()
    {
        QString label;
        run(*m_home, m_conn, 2, 1, 0, false, [&](frmSelect &f) { label = f.Label1[2]->text(); });
        QCOMPARE(label, QStringLiteral(" Game"));
    }

    void cancelReportsNothingChosen()
    {
        const Outcome o =
            run(*m_home, m_conn, 5, 1, 1, false, [](frmSelect &f) { f.cmdCancel->click(); });
        QCOMPARE(o.events, QStringList{"CompleteSelect"});
        QCOMPARE(o.platform, quint8(0));
        QCOMPARE(o.genre, quint8(0));
        QCOMPARE(o.game, 0);
        QVERIFY(o.cancel);
    }

    void failingQueriesLeaveBoxesEmpty()
    {
        lc::db::Connection closed;
        QComboBox box;
        box.addItem(QStringLiteral("stale"));
        clsPCombo p;
        p.M_ADO_CONNECTION = &closed;
        p.LoadCombo(&box);
        QCOMPARE(box.count(), 0);
        clsGCombo g;
        g.M_ADO_CONNECTION = &closed;
        box.addItem(QStringLiteral("stale"));
        QCOMPARE(g.LoadCombo(&box, 5, 1), 0);
        QCOMPARE(box.count(), 0);
        QCOMPARE(g.Add(5, 1, QStringLiteral("x")), 0);
        QVERIFY(m_home->ui().messages().isEmpty());
    }

    void longTitlesFitAndTheHintPointsAtTheBox()
    {
        frmSelect f;
        const QString title =
            QStringLiteral("Tom Clancy's Splinter Cell: Chaos Theory - Collector's Edition");
        QVERIFY(title.size() >= 60);
        QStyleOptionComboBox option;
        option.initFrom(f.cboGame);
        option.editable = true;
        const QRect field = f.cboGame->style()->subControlRect(
            QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, f.cboGame);
        QVERIFY(field.width() >= f.cboGame->fontMetrics().horizontalAdvance(title));
        // The hint stands to the right of the box and says so; the window holds both.
        QVERIFY(f.Label2->x() >= f.cboGame->geometry().right());
        QVERIFY(f.Label2->text().contains(QStringLiteral("on the left")));
        QVERIFY(f.Label2->geometry().right() < f.width());
        QVERIFY(f.cmdCancel->geometry().right() < f.width());
    }

private:
    std::unique_ptr<TestHome> m_home;
    lc::db::Connection m_conn;
};

QTEST_MAIN(TestPickit)
#include "tst_pickit.moc"
