#include "ctlTree.h"

#include "connection.h"
#include "frmSelect.h"
#include "frmVWED.h"
#include "keyedtree.h"
#include "recordset.h"
#include "richtextbox.h"
#include "settings.h"
#include "testsupport.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

using lc::ui::ScriptedUi;

namespace {

// Platforms 5 and 6 in use; genre 1 of platform 5 holds three games, one with two files.
const char *kSetup = "UPDATE platform SET in_use = CASE WHEN auto_id IN (5, 6) THEN 1 ELSE 0 END;"
                     "INSERT INTO game (auto_id, platform_id, genre_id, name) VALUES "
                     "(1, 5, 1, 'Sky Lanterns'), (2, 5, 1, 'Tin Soldiers'), (3, 5, 1, 'Skyline'),"
                     "(4, 6, 2, 'Pocket Quest');"
                     "INSERT INTO file (game_id, sub_cat, src, desc, txt_rtf) VALUES "
                     "(1, 1, 's', 'd', 't'), (1, 2, 's', 'd', 't'), (4, 1, 's', 'd', 't');";

} // namespace

class TestTree : public QObject {
    Q_OBJECT

    std::unique_ptr<TestHome> m_home;
    lc::db::Connection m_conn;
    std::unique_ptr<ctlTree> m_tree;

    ScriptedUi &ui() { return m_home->ui(); }
    lc::controls::KeyedTree &nodes() { return *m_tree->tvwFiles; }
    QString text(const QString &key) { return nodes().text(nodes().indexOf(key)); }
    int rows(const QString &sql)
    {
        lc::db::Recordset rs;
        return rs.open(sql, m_conn) ? rs.recordCount() : -1;
    }
    void load(const char *extraSql = "")
    {
        m_home->sql(QString::fromLatin1(kSetup) + QString::fromLatin1(extraSql));
        QVERIFY(m_conn.open(m_home->dbPath()));
        m_tree = std::make_unique<ctlTree>(m_conn);
        m_tree->resize(300, 600);
        m_tree->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_tree.get()));
        m_tree->LoadTree();
        m_tree->FinishLoad();
    }
    static frmVWED *findEditor()
    {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *e = qobject_cast<frmVWED *>(w); e && e->isVisible())
                return e;
        return nullptr;
    }
    QString hitAfterGo()
    {
        m_tree->cmdGo_Click();
        return nodes().tag(nodes().selectedNode());
    }
    void clickNode(const QString &key)
    {
        nodes().ensureVisible(nodes().indexOf(key));
        nodes().doItemsLayout();
        const QModelIndex i = nodes().modelIndex(nodes().indexOf(key));
        QTest::mouseClick(nodes().viewport(), Qt::LeftButton, {}, nodes().visualRect(i).center());
        QCOMPARE(nodes().selectedNode(), nodes().indexOf(key));
    }
    // The selector window's user: picks platform and genre and presses OK.
    void answerSelector(int platformId, int genreId, QString *caption = nullptr)
    {
        ui().modalHandlers.enqueue([=](QDialog &d) {
            auto &f = static_cast<frmSelect &>(d);
            if (caption)
                *caption = f.lblCaption->text().trimmed();
            if (platformId < 0) {
                f.cmdCancel->click();
                return 0;
            }
            f.cboPlatform->setCurrentIndex(f.cboPlatform->findData(platformId));
            f.cboGenre->setCurrentIndex(genreId - 1);
            f.cmdOK->click();
            return 0;
        });
    }

private Q_SLOTS:
    void init() { m_home = std::make_unique<TestHome>(); }
    void cleanup()
    {
        m_tree.reset();
        m_conn.close();
        m_home.reset();
    }

    void loadReportsPlatformsAndRestoresSearch()
    {
        lc::settings::SaveSetting("Tree", "SearchText", "Loading Tree...");
        m_home->sql(kSetup);
        QVERIFY(m_conn.open(m_home->dbPath()));
        ctlTree tree(m_conn);
        QSignalSpy favourites(&tree, &ctlTree::LoadFavorites);
        tree.LoadTree();
        QCOMPARE(favourites.count(), 1);
        QCOMPARE(favourites[0][0].toString(), QStringLiteral("|P_5|P_6"));
        QCOMPARE(tree.Search_Text(), QStringLiteral("Loading Favorites..."));
        tree.FinishLoad();
        QCOMPARE(tree.Search_Text(), QStringLiteral("Search..."));
        QCOMPARE(tree.tvwFiles->text(tree.tvwFiles->indexOf("N_1|G_1|P_5")),
                 QStringLiteral("Sky Lanterns (2)"));
        QCOMPARE(tree.GameGenre("N_1|G_1|P_5"),
                 tree.tvwFiles->tag(tree.tvwFiles->indexOf("G_1|P_5")));
        QVERIFY(!tree.GamePlatform("N_1|G_1|P_5").isEmpty());
    }

    void searchContinuesWrapsAndResets()
    {
        load();
        m_tree->setSearch_Text("ky");
        QCOMPARE(hitAfterGo(), QStringLiteral("Sky Lanterns")); // inside the name
        QCOMPARE(lc::settings::GetSetting("Settings", "LastSearchText"), QStringLiteral("ky"));
        m_tree->cmdGo_Click(); // continuing needs the name to begin with "ky"
        QCOMPARE(ui().calls.last().text, QStringLiteral("Finished searching tree."));
        QCOMPARE(ui().calls.last().icon, lc::ui::Icon::Information);
        QCOMPARE(hitAfterGo(), QStringLiteral("Sky Lanterns")); // from the top again

        m_tree->setSearch_Text("Sky");
        QCOMPARE(hitAfterGo(), QStringLiteral("Sky Lanterns"));
        QCOMPARE(hitAfterGo(), QStringLiteral("Skyline"));
        clickNode("N_2|G_1|P_5"); // a click starts the next search from the top
        QCOMPARE(hitAfterGo(), QStringLiteral("Sky Lanterns"));
        QCOMPARE(hitAfterGo(), QStringLiteral("Skyline"));
        QTest::keyClick(m_tree->txtSearch, Qt::Key_End); // so does an edit
        QTest::keyClick(m_tree->txtSearch, Qt::Key_Backspace);
        QTest::keyClick(m_tree->txtSearch, 'y');
        QCOMPARE(hitAfterGo(), QStringLiteral("Sky Lanterns"));

        const int before = int(ui().calls.size());
        for (const char *t : {"", "   ", "search..."}) {
            m_tree->setSearch_Text(t);
            m_tree->cmdGo_Click();
        }
        QCOMPARE(int(ui().calls.size()), before);

        m_tree->setSearch_Text("  nowhere ");
        m_tree->cmdGo_Click();
        QCOMPARE(ui().calls.last().text,
                 QStringLiteral("Finished searching tree.\r\n\r\nCould not find \"nowhere\"."));
        QCOMPARE(ui().calls.last().icon, lc::ui::Icon::Exclamation);
    }

    void searchReachesTheEndOfALargeTree()
    {
        load("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 40000) "
             "INSERT INTO game (platform_id, genre_id, name) SELECT 5, 3, 'Bulk ' || i FROM n;"
             "INSERT INTO game (platform_id, genre_id, name) VALUES (6, 8, 'Zeta End'),"
             "(6, 8, 'Zeta Tail');");
        QVERIFY(nodes().count() > 40000);
        m_tree->setSearch_Text("zeta");
        QCOMPARE(hitAfterGo(), QStringLiteral("Zeta End"));
        QVERIFY(nodes().selectedNode() > 32767);
        QCOMPARE(hitAfterGo(), QStringLiteral("Zeta Tail"));
        m_tree->cmdGo_Click();
        QCOMPARE(ui().calls.last().text, QStringLiteral("Finished searching tree."));
    }

    void clickAndSelectReportTheNode_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("game");
        QTest::addColumn<bool>("menu");
        QTest::newRow("root") << "ROOT" << 0 << "" << false;
        QTest::newRow("platform") << "P_5" << 2 << "" << true;
        QTest::newRow("genre") << "G_1|P_5" << 3 << "" << true;
        QTest::newRow("game") << "N_1|G_1|P_5" << 4 << "Sky Lanterns" << true;
    }
    void clickAndSelectReportTheNode()
    {
        QFETCH(QString, key);
        QFETCH(int, type);
        QFETCH(QString, game);
        QFETCH(bool, menu);
        load();
        QSignalSpy clicks(m_tree.get(), &ctlTree::TreeNodeClick);
        m_tree->SelectNode("N_999|G_1|P_5");
        QCOMPARE(clicks.count(), 0);
        clickNode(key);
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(clicks[0][5].value<enNodeType>(), enNodeType(type));
        QCOMPARE(clicks[0][3].toString(), game);
        QCOMPARE(m_tree->menuForSelected() != nullptr, menu);
    }

    void keysOnAGame()
    {
        load();
        QSignalSpy dbl(m_tree.get(), &ctlTree::GameNodeDblClick);
        m_tree->SelectNode("G_1|P_5");
        QTest::keyClick(&nodes(), Qt::Key_Return);
        QCOMPARE(dbl.count(), 0);
        m_tree->SelectNode("N_2|G_1|P_5");
        QTest::keyClick(&nodes(), Qt::Key_Return);
        QCOMPARE(dbl.count(), 1);
        ui().answers.enqueue(lc::ui::Answer::No);
        QTest::keyClick(&nodes(), Qt::Key_Delete);
        QVERIFY(
            ui().calls.last().text.startsWith("Are you sure you wish to delete \"Tin Soldiers\""));
        QCOMPARE(rows("SELECT auto_id FROM game WHERE auto_id = 2"), 1);
    }

    void addGameStoresTheNameExactly()
    {
        load();
        const QString platformBefore = text("P_5");
        const QString name =
            QStringLiteral("O'Brien \"100%\" \\ '; DROP TABLE game; --") + QString(260, u'x');
        m_tree->SelectNode("G_1|P_5");
        ui().inputs.enqueue("  " + name + "  ");
        QSignalSpy clicks(m_tree.get(), &ctlTree::TreeNodeClick);
        m_tree->mnuAddGame_Click();
        QCOMPARE(text("G_1|P_5").right(3), QStringLiteral("(4)"));
        QCOMPARE(platformBefore.right(3), QStringLiteral("(3)"));
        QCOMPARE(text("P_5").right(3), QStringLiteral("(4)"));
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(clicks[0][3].toString(), name);
        lc::db::Recordset rs;
        QVERIFY(rs.open("SELECT auto_id, name FROM game WHERE genre_id = 1 And platform_id = 5",
                        m_conn));
        rs.moveLast();
        QCOMPARE(rs.field("name").toString(), name);

        // Cancel and blank answers write nothing.
        ui().inputs.enqueue(std::nullopt);
        ui().inputs.enqueue("   ");
        m_tree->SelectNode("G_1|P_5");
        m_tree->mnuAddGame_Click();
        m_tree->mnuAddGame_Click();
        QCOMPARE(rows("SELECT auto_id FROM game"), 5);
    }

    void renameKeepsTheCount()
    {
        load();
        QSignalSpy renamed(m_tree.get(), &ctlTree::RenameGame);
        m_tree->SelectNode("N_1|G_1|P_5");
        ui().inputs.enqueue("  Sky Lanterns ");
        m_tree->mnuHiddenRename_Click();
        QCOMPARE(renamed.count(), 0);
        ui().inputs.enqueue("2");
        m_tree->mnuHiddenRename_Click();
        QCOMPARE(text("N_1|G_1|P_5"), QStringLiteral("2 (2)"));
        QCOMPARE(renamed.count(), 1);
        QCOMPARE(renamed[0][2].toString(), QStringLiteral("N_1|G_1|P_5"));
        QCOMPARE(rows("SELECT auto_id FROM game WHERE name = '2'"), 1);
    }

    void deleteRemovesGameAndFiles()
    {
        load();
        QSignalSpy deleted(m_tree.get(), &ctlTree::GameNodeDelete);
        const QString platformTag = nodes().tag(nodes().indexOf("P_5"));
        m_tree->SelectNode("N_1|G_1|P_5");
        ui().answers.enqueue(lc::ui::Answer::Yes);
        m_tree->mnuHiddenDelete_Click();
        QCOMPARE(nodes().indexOf("N_1|G_1|P_5"), -1);
        QCOMPARE(text("G_1|P_5").right(3), QStringLiteral("(2)"));
        QCOMPARE(text("P_5").right(3), QStringLiteral("(2)"));
        QCOMPARE(nodes().selectedNode(), nodes().indexOf("G_1|P_5"));
        QCOMPARE(deleted.count(), 1);
        QCOMPARE(deleted[0][0].toString(),
                 platformTag + " - " + nodes().tag(nodes().indexOf("G_1|P_5")));
        QCOMPARE(deleted[0][1].toString(), QStringLiteral("N_1|G_1|P_5"));
        QCOMPARE(rows("SELECT auto_id FROM file WHERE game_id = 1"), 0);
        QCOMPARE(rows("SELECT auto_id FROM game WHERE auto_id = 1"), 0);
        // The nodes after the removed one are still found by key and by search.
        m_tree->setSearch_Text("pocket");
        QCOMPARE(hitAfterGo(), QStringLiteral("Pocket Quest"));
    }

    void failedDeleteChangesNothing()
    {
        load("CREATE TRIGGER keep BEFORE DELETE ON game BEGIN SELECT RAISE(ABORT, 'locked'); END;");
        QSignalSpy deleted(m_tree.get(), &ctlTree::GameNodeDelete);
        m_tree->SelectNode("N_1|G_1|P_5");
        ui().answers.enqueue(lc::ui::Answer::Yes);
        m_tree->mnuHiddenDelete_Click();
        QCOMPARE(deleted.count(), 0);
        QVERIFY(nodes().indexOf("N_1|G_1|P_5") >= 0);
        QCOMPARE(text("G_1|P_5").right(3), QStringLiteral("(3)"));
        QCOMPARE(rows("SELECT auto_id FROM file WHERE game_id = 1"), 2);
        QCOMPARE(ui().calls.last().icon, lc::ui::Icon::Critical);
        QVERIFY(m_home->read("error.log").contains("ctlTree"));
    }

    void moveKeepsFilesAndCounts()
    {
        load();
        QSignalSpy moved(m_tree.get(), &ctlTree::MoveGame);
        m_tree->SelectNode("N_1|G_1|P_5");
        QString caption;
        answerSelector(5, 1, &caption); // same place: nothing happens
        m_tree->mnuHiddenMoveTo_Click();
        QCOMPARE(caption, QStringLiteral("Move Game To..."));
        QCOMPARE(moved.count(), 0);
        answerSelector(-1, 0); // cancelled
        m_tree->mnuHiddenMoveTo_Click();
        QCOMPARE(moved.count(), 0);

        answerSelector(6, 2);
        m_tree->mnuHiddenMoveTo_Click();
        QCOMPARE(moved.count(), 1);
        QCOMPARE(moved[0][1].toString(), QStringLiteral("N_1|G_2|P_6"));
        QCOMPARE(text("N_1|G_2|P_6"), QStringLiteral("Sky Lanterns (2)"));
        QCOMPARE(text("G_1|P_5").right(3), QStringLiteral("(2)"));
        QCOMPARE(text("G_2|P_6").right(3), QStringLiteral("(2)"));
        QCOMPARE(rows("SELECT auto_id FROM game WHERE platform_id = 6 And genre_id = 2"), 2);
        QCOMPARE(rows("SELECT auto_id FROM file WHERE game_id = 1"), 2);

        // A platform taken into use after the tree loaded has no node for the game: it is
        // moved all the same, and the user is told where it went.
        m_home->sql("UPDATE platform SET in_use = 1 WHERE auto_id = 7");
        answerSelector(7, 3);
        m_tree->mnuHiddenMoveTo_Click();
        QCOMPARE(moved.count(), 2);
        QCOMPARE(nodes().indexOf("N_1|G_2|P_6"), -1);
        QCOMPARE(text("G_2|P_6").right(3), QStringLiteral("(1)"));
        QVERIFY(ui().calls.last().text.contains(QStringLiteral("was moved to")));
        QCOMPARE(rows("SELECT auto_id FROM game WHERE auto_id = 1 And platform_id = 7 And "
                      "genre_id = 3"),
                 1);
        QCOMPARE(rows("SELECT auto_id FROM file WHERE game_id = 1"), 2);
    }

    // A text drag marks the game under the pointer, an image alone is refused, and a drop of
    // 20 MB of text reaches the new file whole and is stored whole.
    void dragMarksTheTargetAndDropsWholeText()
    {
        load();
        const QString key = QStringLiteral("N_4|G_2|P_6");
        nodes().ensureVisible(nodes().indexOf(key));
        nodes().doItemsLayout();
        const QPoint at = nodes().visualRect(nodes().modelIndex(nodes().indexOf(key))).center();
        QWidget *port = nodes().viewport();

        QMimeData picture;
        picture.setImageData(QImage(4, 4, QImage::Format_RGB32));
        QDragEnterEvent refused(at, Qt::CopyAction, &picture, Qt::LeftButton, {});
        QCoreApplication::sendEvent(port, &refused);
        QVERIFY(!refused.isAccepted());
        QCOMPARE(nodes().dropHighlight(), -1);

        QMimeData text;
        const QString line = QString(79, QLatin1Char('x')) + QLatin1Char('\n');
        const QString big = line.repeated(20 * 1024 * 1024 / line.size());
        text.setText(big);
        QDragEnterEvent enter(at, Qt::CopyAction, &text, Qt::LeftButton, {});
        QCoreApplication::sendEvent(port, &enter);
        QVERIFY(enter.isAccepted());
        QDragMoveEvent over(at, Qt::CopyAction, &text, Qt::LeftButton, {});
        QCoreApplication::sendEvent(port, &over);
        QVERIFY(over.isAccepted());
        QCOMPARE(nodes().dropHighlight(), nodes().indexOf(key));
        QDragLeaveEvent leave;
        QCoreApplication::sendEvent(port, &leave);
        QCOMPARE(nodes().dropHighlight(), -1);

        // A leave ends the drag for the application, so the drop comes with a new one.
        QDragEnterEvent again(at, Qt::CopyAction, &text, Qt::LeftButton, {});
        QCoreApplication::sendEvent(port, &again);
        QDropEvent drop(QPointF(at), Qt::CopyAction, &text, Qt::LeftButton, {});
        QCoreApplication::sendEvent(port, &drop);
        frmVWED *editor = nullptr;
        QTRY_VERIFY((editor = findEditor()) != nullptr);
        QCOMPARE(editor->rtbText->document()->characterCount() - 1, big.size());
        editor->mnuFileESave->trigger();
        lc::db::Recordset rs;
        QVERIFY(rs.open(QStringLiteral("SELECT txt_rtf FROM file WHERE game_id = 4"), m_conn));
        rs.moveLast();
        QCOMPARE(rs.field(QStringLiteral("txt_rtf")).toString().count(QLatin1Char('x')),
                 big.count(QLatin1Char('x')));
        editor->close();
    }

    void dropOnTheRootAsksForATarget()
    {
        load();
        QString caption;
        answerSelector(-1, 0, &caption);
        m_tree->DropText(nodes().indexOf("ROOT"), "some text");
        QCOMPARE(caption, QStringLiteral("Save drag text..."));
        QCOMPARE(rows("SELECT auto_id FROM file"), 3);
    }
};

QTEST_MAIN(TestTree)
#include "tst_tree.moc"
