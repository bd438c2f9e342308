#include "clsCounter.h"
#include "clsFile.h"
#include "clsGameName.h"
#include "clsPformSel.h"
#include "clsTreeLoader.h"
#include "connection.h"
#include "frmPlatform.h"
#include "keyedtree.h"
#include "modDataloom.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

using lc::controls::KeyedTree;
using lc::ui::ScriptedUi;

namespace {

QStringList childKeys(const KeyedTree &tree, const QString &key)
{
    QStringList out;
    for (int n : tree.children(key.isEmpty() ? -1 : tree.indexOf(key)))
        out << tree.key(n);
    return out;
}

struct Loaded {
    lc::db::Connection conn;
    KeyedTree tree;
    int finished = 0;
    explicit Loaded(TestHome &home)
    {
        QVERIFY(conn.open(home.dbPath()));
        clsTreeLoader loader;
        loader.M_ADO_CONNECTION = &conn;
        loader.ErrLogFile = home.file(QStringLiteral("error.log"));
        QObject::connect(&loader, &clsTreeLoader::Finished, &loader, [this] { ++finished; });
        loader.LoadTree(tree);
    }
    QString text(const QString &key) const { return tree.text(tree.indexOf(key)); }
};

} // namespace

class TestDataloom : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void deliveredCollection()
    {
        TestHome home;
        Loaded l(home);
        QCOMPARE(l.finished, 1);
        QCOMPARE(childKeys(l.tree, {}), QStringList{"ROOT"});
        const int root = l.tree.indexOf(QStringLiteral("ROOT"));
        QCOMPARE(l.tree.text(root), QStringLiteral("Lorecase"));
        QCOMPARE(l.tree.image(root), QStringLiteral("pg"));
        QCOMPARE(l.tree.expandedImage(root), QStringLiteral("ROOT"));
        QVERIFY(l.tree.expanded(root));
        // Xbox stands alone; PC and Arcade are single too; the rest are grouped by brand.
        QCOMPARE(childKeys(l.tree, QStringLiteral("ROOT")),
                 QStringList({"P_17", "Nintendo", "Sega", "Sony", "P_18", "P_19"}));
        QCOMPARE(childKeys(l.tree, QStringLiteral("Sony")), QStringList({"P_15", "P_16"}));
        QCOMPARE(childKeys(l.tree, QStringLiteral("Nintendo")).size(), 8);
        const int xbox = l.tree.indexOf(QStringLiteral("P_17"));
        QCOMPARE(l.tree.text(xbox), QStringLiteral("Xbox (0)"));
        QCOMPARE(l.tree.image(xbox), QStringLiteral("Microsoft"));
        QCOMPARE(l.tree.tag(xbox), QStringLiteral("Xbox"));
        const int ps2 = l.tree.indexOf(QStringLiteral("P_16"));
        QCOMPARE(l.tree.image(ps2), QStringLiteral("console"));
        QCOMPARE(l.tree.selectedImage(ps2), QStringLiteral("console_hot"));
        QCOMPARE(l.tree.image(l.tree.indexOf(QStringLiteral("Sega"))), QStringLiteral("Sega"));
        QCOMPARE(l.tree.image(l.tree.indexOf(QStringLiteral("P_19"))), QStringLiteral("Arcade"));
        // Every platform has its eight genres, even without games.
        const QStringList genres = childKeys(l.tree, QStringLiteral("P_5"));
        QCOMPARE(genres.size(), 8);
        QCOMPARE(genres.first(), QStringLiteral("G_1|P_5"));
        QCOMPARE(l.text(QStringLiteral("G_5|P_5")), QStringLiteral("Role-Playing (0)"));
        const int g = l.tree.indexOf(QStringLiteral("G_8|P_5"));
        QCOMPARE(l.tree.tag(g), QStringLiteral("Strategy"));
        QCOMPARE(l.tree.image(g), QStringLiteral("genre"));
        QCOMPARE(l.tree.selectedImage(g), QStringLiteral("genre_hot"));
        QVERIFY(!l.tree.expanded(xbox));
        QCOMPARE(l.tree.count(), 1 + 3 + 19 * 9);
        QVERIFY(home.ui().calls.isEmpty());
    }

    void brandRule_data()
    {
        QTest::addColumn<QString>("inUse"); // platform ids kept in use
        QTest::addColumn<QStringList>("top");
        QTest::newRow("one Nintendo") << "5" << QStringList{"P_5"};
        QTest::newRow("two Sony") << "15,16" << QStringList{"Sony"};
        QTest::newRow("two PC brands") << "18,17" << QStringList{"P_17", "P_18"};
        QTest::newRow("none") << "" << QStringList{};
    }
    void brandRule()
    {
        QFETCH(QString, inUse);
        QFETCH(QStringList, top);
        TestHome home;
        home.sql(QStringLiteral("UPDATE platform SET in_use = 0 WHERE auto_id NOT IN (%1)")
                     .arg(inUse.isEmpty() ? QStringLiteral("0") : inUse));
        home.sql("INSERT INTO game (platform_id, genre_id, name) VALUES (5, 2, 'Moss'), "
                 "(9, 1, 'Hidden')");
        Loaded l(home);
        QCOMPARE(l.finished, 1);
        QCOMPARE(childKeys(l.tree, QStringLiteral("ROOT")), top);
        if (inUse == u"5") {
            QCOMPARE(l.tree.image(l.tree.indexOf(QStringLiteral("P_5"))),
                     QStringLiteral("Nintendo"));
            QVERIFY(l.tree.selectedImage(l.tree.indexOf(QStringLiteral("P_5"))).isEmpty());
            QCOMPARE(l.text(QStringLiteral("P_5")), QStringLiteral("Nintendo 64 (1)"));
            QCOMPARE(childKeys(l.tree, QStringLiteral("G_2|P_5")), QStringList{"N_1|G_2|P_5"});
            QCOMPARE(l.tree.indexOf(QStringLiteral("N_2|G_1|P_9")), -1); // platform not in use
        }
        if (inUse == u"15,16")
            QCOMPARE(l.tree.image(l.tree.indexOf(QStringLiteral("P_15"))),
                     QStringLiteral("console"));
        QVERIFY(home.ui().calls.isEmpty());
    }

    void emptyPlatformTable()
    {
        TestHome home;
        home.sql("DELETE FROM platform");
        Loaded l(home);
        QCOMPARE(l.finished, 1);
        QCOMPARE(l.tree.count(), 1);
        QVERIFY(home.ui().calls.isEmpty());
    }

    void sampleCounts()
    {
        TestHome home(TestHome::Db::Sample);
        home.sql("INSERT INTO game (platform_id, genre_id, name) VALUES (3, 4, 'Bare')");
        Loaded l(home);
        QCOMPARE(l.finished, 1);
        // Captions count what is below, and a game's count is its files.
        const int bare = l.tree.indexOf(QStringLiteral("N_13|G_4|P_3"));
        QVERIFY(bare >= 0);
        QCOMPARE(l.tree.text(bare), QStringLiteral("Bare (0)"));
        QCOMPARE(l.tree.tag(bare), QStringLiteral("Bare"));
        QCOMPARE(l.tree.image(bare), QStringLiteral("cd"));
        QCOMPARE(l.tree.selectedImage(bare), QStringLiteral("cd_hot"));
        int games = 0;
        for (int n = 0; n < l.tree.count(); ++n)
            games += l.tree.key(n).startsWith(u"N_");
        QCOMPARE(games, 13);
        const QString first = l.tree.text(l.tree.indexOf(QStringLiteral("N_1|G_2|P_3")));
        QVERIFY2(first.endsWith(QStringLiteral(")")) && !first.endsWith(QStringLiteral("(0)")),
                 qPrintable(first));
    }

    void badRowsDoNotStopTheLoad()
    {
        TestHome home;
        home.sql("INSERT INTO game (platform_id, genre_id, name) VALUES (1, 9, 'Odd'), "
                 "(1, 0, 'Zero'), (1, 3, 'Fine'); "
                 "INSERT INTO platform (auto_id, cat, brand, name, in_use) "
                 "VALUES (300, 0, 'Sony', 'Cabinet', 1)");
        Loaded l(home);
        QCOMPARE(l.finished, 1);
        QVERIFY(l.tree.indexOf(QStringLiteral("N_3|G_3|P_1")) >= 0);
        QCOMPARE(l.tree.indexOf(QStringLiteral("P_300")), -1);
        QCOMPARE(l.tree.indexOf(QStringLiteral("P_44")), -1); // never truncated to 300 % 256
        QCOMPARE(childKeys(l.tree, QStringLiteral("Sony")), QStringList({"P_15", "P_16"}));
        QCOMPARE(home.ui().messages().size(), 1);
        const QByteArray log = home.read(QStringLiteral("error.log"));
        QCOMPARE(log.count("  Module = Dataloom.dll clsTreeLoader\r\n  Source = LoadTree\r\n"), 3);
        QVERIFY(log.contains("Cabinet"));
        QVERIFY(log.contains("Odd") && log.contains("Zero"));
    }

    void gameIdsBeyondThirtyTwoBitsAreLeftOut()
    {
        TestHome home;
        home.sql("INSERT INTO game (auto_id, platform_id, genre_id, name) VALUES "
                 "(4294967297, 1, 3, 'Wide')");
        Loaded l(home);
        QCOMPARE(l.tree.indexOf(QStringLiteral("N_1|G_3|P_1")), -1); // never cut to game 1
        QCOMPARE(l.text(QStringLiteral("G_3|P_1")), QStringLiteral("Driving (1)"));
        QVERIFY(home.read(QStringLiteral("error.log")).contains("Wide"));
    }

    void countsAboveSixteenBits()
    {
        TestHome home;
        home.sql("INSERT INTO game (platform_id, genre_id, name) VALUES (2, 1, 'Huge');"
                 "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 40000) "
                 "INSERT INTO file (game_id, sub_cat, src, desc, txt_rtf) "
                 "SELECT 1, 1, '', 'f', '' FROM n");
        Loaded l(home);
        QCOMPARE(l.text(QStringLiteral("N_1|G_1|P_2")), QStringLiteral("Huge (40000)"));
        QVERIFY(home.ui().calls.isEmpty());
    }

    void failureIsLoggedAndFinishes()
    {
        TestHome home;
        home.sql("DROP TABLE game");
        Loaded l(home);
        QCOMPARE(l.finished, 1);
        const auto boxes = home.ui().callsOf(ScriptedUi::Kind::Message);
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].title, QStringLiteral("Dataloom Error"));
        QVERIFY(boxes[0].text.startsWith(QStringLiteral(
            "There has been a LoadTree error in module clsTreeLoader.\r\n\r\nError Number: ")));
        QVERIFY(
            home.read(QStringLiteral("error.log"))
                .startsWith("  Module = Dataloom.dll clsTreeLoader\r\n  Source = LoadTree\r\n"));

        KeyedTree tree;
        clsTreeLoader noConnection;
        QSignalSpy finished(&noConnection, &clsTreeLoader::Finished);
        noConnection.ErrLogFile = home.file(QStringLiteral("error.log"));
        noConnection.LoadTree(tree);
        QCOMPARE(finished.count(), 1);
    }

    void fallbackLogBesideTheComponent()
    {
        TestHome home;
        const QString fallback = dataloom::componentFolder() + QStringLiteral("Dataloom.log");
        const bool existed = QFile::exists(fallback);
        const qint64 before = QFileInfo(fallback).size();
        clsFile file;
        lc::db::Connection closed;
        file.M_ADO_CONNECTION = &closed;
        file.SelectRecord(1);
        QCOMPARE(file.ErrLogFile, fallback);
        QVERIFY(QFileInfo(fallback).size() > before);
        QFile f(fallback);
        QVERIFY(f.open(QIODevice::ReadOnly));
        f.seek(before);
        QVERIFY(f.readAll().startsWith(
            "  Module = Dataloom.dll clsFile\r\n  Source = SelectRecord\r\n"));
        f.close();
        if (!existed)
            QFile::remove(fallback);
    }

    void fileRecord()
    {
        TestHome home;
        home.sql("INSERT INTO file (game_id, sub_cat, src, desc, txt_rtf) VALUES "
                 "(1, 3, 'https://example.org/r', 'A review', '{\\rtf1 x}'), "
                 "(1, 2, 'notes', NULL, 'plain')");
        lc::db::Connection conn;
        QVERIFY(conn.open(home.dbPath()));
        clsFile f;
        f.M_ADO_CONNECTION = &conn;
        f.ErrLogFile = home.file(QStringLiteral("error.log"));
        f.SelectRecord(1);
        QCOMPARE(f.Sub_Cat(), quint8(3));
        QCOMPARE(f.Source(), QStringLiteral("https://example.org/r"));
        QCOMPARE(f.Description(), QStringLiteral("A review"));
        QCOMPARE(f.TextRTF(), QStringLiteral("{\\rtf1 x}"));
        f.SelectRecord(99); // missing: the previous values stay
        QCOMPARE(f.Description(), QStringLiteral("A review"));
        f.SelectRecord(2); // a null description is empty, the rest is filled
        QCOMPARE(f.Description(), QString());
        QCOMPARE(f.Sub_Cat(), quint8(2));
        QCOMPARE(f.TextRTF(), QStringLiteral("plain"));
        QCOMPARE(f.Record().fileId, 2); // the ids a viewer/editor is opened with
        QCOMPARE(f.Record().gameId, 1);
        f.Clear();
        QCOMPARE(f.Sub_Cat(), quint8(0));
        QVERIFY(f.Source().isEmpty());
        QVERIFY(home.ui().calls.isEmpty());
    }

    void countersSeeTheTableAsLoaded()
    {
        TestHome home;
        home.sql("INSERT INTO game (platform_id, genre_id, name) VALUES (5, 2, 'a'), (5, 2, 'b'), "
                 "(5, 3, 'c')");
        lc::db::Connection conn;
        QVERIFY(conn.open(home.dbPath()));
        clsGameCounter games;
        games.M_ADO_CONNECTION = &conn;
        QVERIFY(games.InitCounter());
        QCOMPARE(games.Count(QStringLiteral("platform_id =5")), 3);
        QCOMPARE(games.Count(QStringLiteral("platform_id = 5 And genre_id = 2")), 2);
        QCOMPARE(games.Count(QStringLiteral("platform_id = 6")), 0);
        home.sql("INSERT INTO game (platform_id, genre_id, name) VALUES (5, 2, 'late')");
        QCOMPARE(games.Count(QStringLiteral("platform_id = 5")), 3);
        QCOMPARE(games.Count(QStringLiteral("platform_id = = 5")), -1);
        QVERIFY(games.lastError());

        clsFileCounter files;
        QVERIFY(!files.InitCounter()); // no connection given
        QVERIFY(files.lastError());
    }

    void gameNames()
    {
        TestHome home;
        lc::db::Connection conn;
        QVERIFY(conn.open(home.dbPath()));
        clsGameName names;
        names.M_ADO_CONNECTION = &conn;
        QVERIFY(names.InitNames());
        QCOMPARE(names.Name(1), QString()); // empty table
        QVERIFY(!names.lastError());

        home.sql("INSERT INTO game (platform_id, genre_id, name) VALUES (7, 4, 'It''s \"Q\"')");
        clsGameName again;
        again.M_ADO_CONNECTION = &conn;
        QVERIFY(again.InitNames());
        QCOMPARE(again.Name(1), QStringLiteral("It's \"Q\""));
        QCOMPARE(again.Platform_id, quint8(7));
        QCOMPARE(again.Genre_id, quint8(4));
        QCOMPARE(again.Name(2), QString());
        QVERIFY(again.lastError());
        QCOMPARE(again.Platform_id, quint8(7));
    }

    void platformWindow()
    {
        TestHome home;
        home.sql("UPDATE platform SET in_use = 0 WHERE auto_id = 4");
        lc::db::Connection conn;
        QVERIFY(conn.open(home.dbPath()));
        clsPformSel sel;
        sel.M_ADO_CONNECTION = &conn;
        sel.ErrLogFile = home.file(QStringLiteral("error.log"));
        QCOMPARE(sel.Check(), QStringLiteral(",1,1,1,0") + QStringLiteral(",1").repeated(15));

        QStringList events;
        connect(&sel, &clsPformSel::ResetLorecase, this, [&] { events << "Reset"; });
        connect(&sel, &clsPformSel::UnloadPlatforms, this, [&] { events << "Unload"; });

        // OK without a change: nothing written, only the unload.
        home.ui().modalHandlers.enqueue([](QDialog &d) {
            auto &w = static_cast<frmPlatform &>(d);
            if (w.chkPlatform(4)->isChecked() || !w.chkPlatform(5)->isChecked())
                return -1;
            w.cmdOK->click();
            return 0;
        });
        sel.SelectPlatforms();
        QCOMPARE(events, QStringList{"Unload"});
        QCOMPARE(home.ui().callsOf(ScriptedUi::Kind::Modal).size(), 1);

        // Cancel after changes writes nothing.
        events.clear();
        home.ui().modalHandlers.enqueue([](QDialog &d) {
            auto &w = static_cast<frmPlatform &>(d);
            for (int i = 1; i <= 19; ++i)
                w.chkPlatform(i)->setChecked(false);
            w.cmdCancel->click();
            return 0;
        });
        sel.SelectPlatforms();
        QCOMPARE(events, QStringList{"Unload"});
        QCOMPARE(sel.Check(), QStringLiteral(",1,1,1,0") + QStringLiteral(",1").repeated(15));

        // Unchecking everything is written, and the reset comes before the unload.
        events.clear();
        home.ui().modalHandlers.enqueue([](QDialog &d) {
            auto &w = static_cast<frmPlatform &>(d);
            for (int i = 1; i <= 19; ++i)
                w.chkPlatform(i)->setChecked(false);
            w.cmdOK->click();
            return 0;
        });
        sel.SelectPlatforms();
        QCOMPARE(events, QStringList({"Reset", "Unload"}));
        QCOMPARE(sel.Check(), QStringLiteral(",0").repeated(19));
        QVERIFY(home.ui().messages().isEmpty());
    }

    void platformWindowClosedOtherwise_data()
    {
        QTest::addColumn<bool>("escape");
        QTest::newRow("Esc") << true;
        QTest::newRow("close box") << false;
    }

    // However the window goes, its creator hears of it once and may release the object.
    void platformWindowClosedOtherwise()
    {
        QFETCH(bool, escape);
        TestHome home;
        lc::db::Connection conn;
        QVERIFY(conn.open(home.dbPath()));
        clsPformSel sel;
        sel.M_ADO_CONNECTION = &conn;
        sel.ErrLogFile = home.file(QStringLiteral("error.log"));
        QSignalSpy unloads(&sel, &clsPformSel::UnloadPlatforms);
        QSignalSpy resets(&sel, &clsPformSel::ResetLorecase);
        home.ui().modalHandlers.enqueue([escape](QDialog &d) {
            auto &w = static_cast<frmPlatform &>(d);
            w.show();
            w.chkPlatform(2)->setChecked(false);
            if (escape)
                QTest::keyClick(&w, Qt::Key_Escape);
            else
                w.close();
            w.close();
            return 0;
        });
        sel.SelectPlatforms();
        QCOMPARE(unloads.count(), 1);
        QCOMPARE(resets.count(), 0);
        QVERIFY(!sel.window()->isVisible());
        QCOMPARE(sel.Check(), QStringLiteral(",1").repeated(19));
    }

    void rowsWithoutACheckBoxAreKept()
    {
        TestHome home;
        home.sql("INSERT INTO platform (auto_id, cat, brand, name, in_use) VALUES (20, 0, 'PC', "
                 "'Handheld PC', 1)");
        lc::db::Connection conn;
        QVERIFY(conn.open(home.dbPath()));
        clsPformSel sel;
        sel.M_ADO_CONNECTION = &conn;
        sel.ErrLogFile = home.file(QStringLiteral("error.log"));
        QVERIFY(sel.CheckChange(QStringLiteral(",0") + QStringLiteral(",1").repeated(18)));
        QCOMPARE(sel.Check(), QStringLiteral(",0") + QStringLiteral(",1").repeated(19));
        QVERIFY(!sel.CheckChange(QStringLiteral(",0") + QStringLiteral(",1").repeated(18)));
        QVERIFY(home.ui().messages().isEmpty());
    }

    void checkFailsCleanly()
    {
        TestHome home;
        home.sql("DROP TABLE platform");
        lc::db::Connection conn;
        QVERIFY(conn.open(home.dbPath()));
        clsPformSel sel;
        sel.M_ADO_CONNECTION = &conn;
        sel.ErrLogFile = home.file(QStringLiteral("error.log"));
        QCOMPARE(sel.Check(), QString());
        QVERIFY(!sel.CheckChange(QStringLiteral(",1")));
        const QStringList msgs = home.ui().messages();
        QCOMPARE(msgs.size(), 2);
        QVERIFY(msgs[0].startsWith(
            QStringLiteral("There has been a Check error in module clsPformSel.")));
        QVERIFY(msgs[1].startsWith(
            QStringLiteral("There has been a CheckChange error in module clsPformSel.")));
    }

    void platformWindowCaptions()
    {
        frmPlatform w;
        QCOMPARE(w.chkPlatform(3)->text(), QStringLiteral("Nintendo Game Cube"));
        QCOMPARE(w.chkPlatform(18)->text(), QStringLiteral("PC Games"));
        QCOMPARE(w.chkPlatform(19)->text(), QStringLiteral("Arcade Games"));
        QCOMPARE(w.chkPlatform(1)->text(), QStringLiteral("Nintendo Entertainment System"));
        QVERIFY(!w.chkPlatform(0) && !w.chkPlatform(20));
        QCOMPARE(w.cmdOK->text(), QStringLiteral("&OK"));
        QCOMPARE(w.cmdCancel->text(), QStringLiteral("&Cancel"));
        QStringList labels;
        for (auto *l : w.findChildren<QLabel *>())
            labels << l->text();
        QVERIFY(labels.contains(QStringLiteral(" Platforms")));
        QVERIFY(labels.contains(
            QStringLiteral("(Data will be re-loaded after changing your settings)")));
    }
};

QTEST_MAIN(TestDataloom)
#include "tst_dataloom.moc"
