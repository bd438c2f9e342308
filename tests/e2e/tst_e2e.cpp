// The whole program as a user meets it: the real main window with its real panes on a
// collection made by the collection maker, driven through mouse clicks and keys, with the
// scripted UI service answering the dialogs. Every flow checks the database file afterwards
// through a connection of its own, not only what the widgets show.
#include "clipfile.h"
#include "clsVWED.h"
#include "collection.h"
#include "ctlBrowser.h"
#include "ctlDetails.h"
#include "ctlTree.h"
#include "ctlView.h"
#include "frmMain.h"
#include "frmPlatform.h"
#include "frmSelect.h"
#include "httpserver.h"
#include "keyedlistview.h"
#include "keyedtree.h"
#include "mainprogram.h"
#include "modADO.h"
#include "modMain.h"
#include "richtextbox.h"
#include "settings.h"
#include "tabstrip.h"
#include "testsupport.h"
#include "twips.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>
#include <QWebEngineView>
#include <QtTest>

#include <sqlite3.h>

#include <memory>

using Answer = lc::ui::Answer;
using Kind = lc::ui::ScriptedUi::Kind;

namespace {

constexpr int kWebWaitMs = 30000; // the web engine is slow to start on a busy machine

// A game of the collection as the database holds it.
struct Game {
    int id = 0;
    int genre = 0;
    int platform = 0;
    QString name;
    QString key() const
    {
        return QStringLiteral("N_%1|G_%2|P_%3").arg(id).arg(genre).arg(platform);
    }
    QString fileKey(int file) const { return QStringLiteral("K_%1|").arg(file) + key(); }
};

// Reads the database file through its own connection, so what it sees was really written.
class Db {
public:
    explicit Db(const QString &path) : m_path(path) {}
    QList<QVariantList> rows(const QString &sql) const
    {
        QList<QVariantList> out;
        sqlite3 *db = nullptr;
        if (sqlite3_open_v2(m_path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) ==
            SQLITE_OK) {
            sqlite3_stmt *st = nullptr;
            if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr) == SQLITE_OK) {
                while (sqlite3_step(st) == SQLITE_ROW) {
                    QVariantList row;
                    for (int c = 0; c < sqlite3_column_count(st); ++c)
                        row << (sqlite3_column_type(st, c) == SQLITE_INTEGER
                                    ? QVariant(sqlite3_column_int64(st, c))
                                    : QVariant(QString::fromUtf8(reinterpret_cast<const char *>(
                                          sqlite3_column_text(st, c)))));
                    out << row;
                }
            } else {
                qWarning("%s: %s", qPrintable(sql), sqlite3_errmsg(db));
            }
            sqlite3_finalize(st);
        }
        sqlite3_close(db);
        return out;
    }
    QVariant value(const QString &sql) const
    {
        const auto r = rows(sql);
        return r.isEmpty() ? QVariant() : r.first().value(0);
    }
    int count(const QString &sql) const { return value(sql).toInt(); }
    Game game(const QString &name) const
    {
        const auto r = rows(QStringLiteral("SELECT auto_id, genre_id, platform_id, name FROM game "
                                           "WHERE name = '%1'")
                                .arg(QString(name).replace(u'\'', QStringLiteral("''"))));
        if (r.isEmpty())
            return {};
        return {r[0][0].toInt(), r[0][1].toInt(), r[0][2].toInt(), r[0][3].toString()};
    }
    int fileId(const QString &desc) const
    {
        return count(QStringLiteral("SELECT auto_id FROM file WHERE \"desc\" = '%1'").arg(desc));
    }

private:
    QString m_path;
};

// The program on the sample collection, with any extra rows the flow needs written before
// the start, and no tip of the day or first-run help in the way.
struct Program : MainProgram {
    Db db{home.dbPath()};

    explicit Program(const QString &setupSql = {})
        : MainProgram({1100, 800}, [&](TestHome &h) {
              if (!setupSql.isEmpty())
                  h.sql(setupSql);
              lc::settings::SaveSetting(QStringLiteral("Settings"), QStringLiteral("TOD"),
                                        QStringLiteral("0"));
              lc::settings::SaveSetting(QStringLiteral("Settings"), QStringLiteral("FirstRun"),
                                        QStringLiteral("1"));
          })
    {
    }
    ctlBrowser &browser() const { return *form.findChild<ctlBrowser *>(); }
    lc::controls::KeyedTree &nodes() const { return *tree().tvwFiles; }
    lc::controls::KeyedListView &files() const { return *view().lvFiles; }
    lc::controls::KeyedListView &bookmarks() const { return *details().lvBookmarks; }
    frmVWED *viewer() const { return view().viewer() ? view().viewer()->ViewEditForm() : nullptr; }
    lc::ui::ScriptedUi &ui() { return home.ui(); }

    // ---- what the user does ----

    QPoint nodePoint(const QString &key) const
    {
        const int node = nodes().indexOf(key);
        nodes().ensureVisible(node);
        nodes().doItemsLayout();
        return nodes().visualRect(nodes().modelIndex(node)).center();
    }
    void clickNode(const QString &key, Qt::MouseButton button = Qt::LeftButton) const
    {
        QVERIFY2(nodes().indexOf(key) >= 0, qPrintable(key));
        QTest::mouseClick(nodes().viewport(), button, {}, nodePoint(key));
    }
    static QPoint rowPoint(lc::controls::KeyedListView &list, int row)
    {
        QTreeView *v = list.reportView();
        const QModelIndex i = v->model()->index(row, 0);
        v->scrollTo(i);
        return v->visualRect(i).center();
    }
    static void clickRow(lc::controls::KeyedListView &list, const QString &key,
                         Qt::MouseButton button = Qt::LeftButton)
    {
        const int row = list.indexOf(key);
        QVERIFY2(row >= 0, qPrintable(key));
        QTest::mouseClick(list.reportView()->viewport(), button, {}, rowPoint(list, row));
    }
    static void doubleClickRow(lc::controls::KeyedListView &list, const QString &key)
    {
        const int row = list.indexOf(key);
        QVERIFY2(row >= 0, qPrintable(key));
        // The first click of the two is the press the view's double-click needs.
        const QPoint at = rowPoint(list, row);
        QTest::mouseClick(list.reportView()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list.reportView()->viewport(), Qt::LeftButton, {}, at);
    }
    // Clicks the menu bar's menu, then the entry in it.
    static void chooseFromMenuBar(QMenuBar *bar, QAction *action)
    {
        QMenu *menu = nullptr;
        for (QAction *top : bar->actions())
            if (top->menu() && top->menu()->actions().contains(action))
                menu = top->menu();
        QVERIFY(menu);
        QTest::mouseClick(bar, Qt::LeftButton, {},
                          bar->actionGeometry(menu->menuAction()).center());
        choose(action);
    }
    // Clicks an entry of the pop-up menu that is up (or comes up).
    static void choose(QAction *action)
    {
        QMenu *menu = nullptr;
        QVERIFY(QTest::qWaitFor(
            [&] {
                menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
                return menu && menu->isVisible() && menu->actions().contains(action);
            },
            5000));
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
    }
    // For a menu whose button waits in its own loop until an entry is chosen.
    static void chooseWhenShown(QAction *action)
    {
        auto *poll = new QTimer;
        poll->setInterval(20);
        QObject::connect(poll, &QTimer::timeout, poll, [poll, action, tries = 0]() mutable {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            const bool shown = menu && menu->actions().contains(action);
            if (!shown && ++tries < 500)
                return;
            poll->stop();
            poll->deleteLater();
            if (shown)
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
        });
        poll->start();
    }
    static void clickTool(QToolBar *bar, QAction *action)
    {
        QWidget *button = bar->widgetForAction(action);
        QVERIFY(button && button->isEnabled());
        QTest::mouseClick(button, Qt::LeftButton);
    }
    // The game selector's user: picks platform, genre and (unless hidden) a game by name,
    // typing it when it is not in the list, then presses OK.
    void answerSelector(int platform, int genre, const QString &gameName = {})
    {
        ui().modalHandlers.enqueue([=](QDialog &d) {
            auto &f = static_cast<frmSelect &>(d);
            f.cboPlatform->setCurrentIndex(f.cboPlatform->findData(platform));
            f.cboGenre->setCurrentIndex(genre - 1);
            if (!gameName.isEmpty()) {
                const int i = f.cboGame->findText(gameName);
                if (i >= 0) {
                    f.cboGame->setCurrentIndex(i);
                } else {
                    f.cboGame->lineEdit()->selectAll();
                    QTest::keyClicks(f.cboGame->lineEdit(), gameName);
                }
            }
            QTest::mouseClick(f.cmdOK, Qt::LeftButton);
            return 0;
        });
    }
    QString lastMessage()
    {
        const auto boxes = home.ui().callsOf(Kind::Message);
        return boxes.isEmpty() ? QString() : boxes.last().text;
    }
};

} // namespace

class TestE2E : public QObject {
    Q_OBJECT
    std::unique_ptr<Program> m_p;

    Program &start(const QString &setupSql = {})
    {
        m_p = std::make_unique<Program>(setupSql);
        return *m_p;
    }

private Q_SLOTS:
    void initTestCase() { lc::twips::setPixelsPerInchForTesting(96); }
    void cleanup() { m_p.reset(); }

    void clickedGameShowsItsFiles();
    void editedFileUpdatesListAndBookmark();
    void bookmarkFollowsMovedFile();
    void bookmarksFollowRenamedAndMovedGame();
    void deletedGameTakesItsBookmarks();
    void pageImportedAsFileOfNewGame();
    void switchesDatabaseAndBack();
    void platformUntickedReloadsTree();
    void printedFileReadsBack();
    void exitWithWaitingClips();
};

// A click on a game lists exactly its stored files and shows the first one.
void TestE2E::clickedGameShowsItsFiles()
{
    Program &p = start();
    QCOMPARE(p.tree().Search_Text(), QStringLiteral("Search..."));
    const Game g = p.db.game(QStringLiteral("The Brinewater Chronicle"));
    QVERIFY(g.id > 0);
    p.clickNode(g.key());
    const auto stored = p.db.rows(
        QStringLiteral("SELECT auto_id, \"desc\" FROM file WHERE game_id = %1").arg(g.id));
    QCOMPARE(stored.size(), 4);
    QCOMPARE(p.files().count(), stored.size());
    for (const auto &row : stored) {
        const int at = p.files().indexOf(QStringLiteral("K_%1").arg(row[0].toInt()));
        QVERIFY(at >= 0);
        QCOMPARE(p.files().text(at), row[1].toString());
    }
    QCOMPARE(p.view().lblFiles->text(), QStringLiteral(" The Brinewater Chronicle: 4 Files."));
    QCOMPARE(p.nodes().text(p.nodes().indexOf(g.key())),
             QStringLiteral("The Brinewater Chronicle (4)"));
    QCOMPARE(p.view().shownKey(), p.files().key(0));
    QVERIFY(p.view().rtbText->Text().contains(QStringLiteral("flooded abbey")));
    QVERIFY(!p.view().picCover->isVisible());
    QCOMPARE(p.form.windowTitle(), QStringLiteral("Lorecase - [The Brinewater Chronicle] - Files"));

    // Another file of the list, clicked, is shown; clicking the root covers the view.
    const QString second = p.files().key(1);
    Program::clickRow(p.files(), second);
    QCOMPARE(p.view().shownKey(), second);
    QVERIFY(!p.view().rtbText->Text().contains(QStringLiteral("flooded abbey")));
    p.clickNode(QStringLiteral("ROOT"));
    QCOMPARE(p.files().count(), 0);
    QVERIFY(p.view().picCover->isVisible());
}

// View, switch to editing, change the description and the text, save: the row, the list and
// the file's bookmark all follow.
void TestE2E::editedFileUpdatesListAndBookmark()
{
    Program &p = start();
    const int filesBefore = p.db.count(QStringLiteral("SELECT count(*) FROM file"));
    const Game g = p.db.game(QStringLiteral("Lanterns of the Hollow Reach"));
    const int fileId = p.db.fileId(QStringLiteral("Complete walkthrough, chapters 1-3"));
    const QString location = g.fileKey(fileId);
    QVERIFY(p.bookmarks().indexOf(location) >= 0); // the sample's own bookmark

    p.clickNode(g.key());
    Program::doubleClickRow(p.files(), QStringLiteral("K_%1").arg(fileId));
    frmVWED *w = p.viewer();
    QVERIFY(w && w->isVisible());
    QVERIFY(w->rtbText->isReadOnly());
    Program::chooseFromMenuBar(w->menuBar(), w->mnuFileVEdit);
    QVERIFY(!w->rtbText->isReadOnly());

    const QString title = QStringLiteral("Walkthrough, chapters 1-3, with all twelve shards noted");
    w->txtDesc->setFocus();
    w->txtDesc->selectAll();
    QTest::keyClicks(w->txtDesc, title);
    w->rtbText->setFocus();
    QTest::keyClick(w->rtbText, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(w->rtbText, QStringLiteral(" Shard 8 sits in the bell tower."));
    Program::clickTool(w->tbrTools, w->tbrToolsButton(QStringLiteral("Save")));

    QCOMPARE(p.db.value(QStringLiteral("SELECT \"desc\" FROM file WHERE auto_id = %1").arg(fileId))
                 .toString(),
             title);
    QVERIFY(p.db.value(QStringLiteral("SELECT txt_rtf FROM file WHERE auto_id = %1").arg(fileId))
                .toString()
                .contains(QStringLiteral("Shard 8 sits in the bell tower.")));
    QCOMPARE(p.files().text(p.files().indexOf(QStringLiteral("K_%1").arg(fileId))), title);
    QVERIFY(p.view().rtbText->Text().contains(QStringLiteral("Shard 8 sits in the bell tower.")));
    // Titles of 51 characters and more are shortened for the bookmark.
    const QString shortTitle = title.left(47) + QStringLiteral("...");
    QCOMPARE(p.bookmarks().text(p.bookmarks().indexOf(location)), shortTitle);
    QCOMPARE(
        p.db.value(QStringLiteral("SELECT file FROM bookmarks WHERE tree_key = '%1'").arg(location))
            .toString(),
        shortTitle);
    QVERIFY(!w->tbrToolsButton(QStringLiteral("Save"))->isEnabled());
    QCOMPARE(p.db.count(QStringLiteral("SELECT count(*) FROM file")), filesBefore);
}

// A file bookmarked, then moved to another game: its bookmark opens it at its new place.
void TestE2E::bookmarkFollowsMovedFile()
{
    Program &p = start();
    const Game from = p.db.game(QStringLiteral("The Brinewater Chronicle"));
    const Game to = p.db.game(QStringLiteral("Clockwork Harbor"));
    const int fileId = p.db.fileId(QStringLiteral("Fan translation notes"));
    const QString key = QStringLiteral("K_%1").arg(fileId);

    p.clickNode(from.key());
    Program::clickRow(p.files(), key, Qt::RightButton);
    Program::choose(p.view().findChild<QAction *>(QStringLiteral("mnuFileBookmark")));
    QCOMPARE(p.lastMessage(), QStringLiteral("Bookmark added."));
    QCOMPARE(p.db.count(QStringLiteral("SELECT count(*) FROM bookmarks WHERE tree_key = '%1'")
                            .arg(from.fileKey(fileId))),
             1);
    // The same file again is refused.
    Program::clickRow(p.files(), key, Qt::RightButton);
    Program::choose(p.view().findChild<QAction *>(QStringLiteral("mnuFileBookmark")));
    QCOMPARE(p.lastMessage(), QStringLiteral("This item is already bookmarked!"));
    QCOMPARE(p.db.count(QStringLiteral("SELECT count(*) FROM bookmarks")), 2);

    p.answerSelector(to.platform, to.genre, to.name);
    Program::clickRow(p.files(), key, Qt::RightButton);
    Program::choose(p.view().findChild<QAction *>(QStringLiteral("mnuFileMove")));
    QCOMPARE(p.db.count(QStringLiteral("SELECT game_id FROM file WHERE auto_id = %1").arg(fileId)),
             to.id);
    QCOMPARE(p.files().indexOf(key), -1);
    QCOMPARE(p.files().count(), 3);
    QCOMPARE(p.nodes().text(p.nodes().indexOf(from.key())),
             QStringLiteral("The Brinewater Chronicle (3)"));
    QCOMPARE(p.nodes().text(p.nodes().indexOf(to.key())), QStringLiteral("Clockwork Harbor (3)"));
    const auto stored = p.db.rows(
        QStringLiteral("SELECT tree_key, game, platform, genre FROM bookmarks WHERE file = '%1'")
            .arg(QStringLiteral("Fan translation notes")));
    QCOMPARE(stored.size(), 1);
    QCOMPARE(stored[0][0].toString(), to.fileKey(fileId));
    QCOMPARE(stored[0][1].toString(), to.name);
    QCOMPARE(stored[0][3].toInt(), to.genre);

    p.clickNode(QStringLiteral("ROOT"));
    Program::doubleClickRow(p.bookmarks(), to.fileKey(fileId));
    QCOMPARE(p.nodes().key(p.nodes().selectedNode()), to.key());
    QCOMPARE(p.view().listedGame(), to.id);
    QCOMPARE(p.view().shownKey(), key);
    QCOMPARE(p.files().selectedKey(), key);
    QVERIFY(p.view().rtbText->Text().contains(QStringLiteral("fan's notes")));
}

// Renaming and moving a game carries all its bookmarks along; each still opens its file.
void TestE2E::bookmarksFollowRenamedAndMovedGame()
{
    // A second bookmark of the same game, besides the sample's.
    Program &p = start(QStringLiteral(
        "INSERT INTO bookmarks(tree_key, game, file, platform, sub_cat, genre) SELECT 'K_' || "
        "f.auto_id || '|N_' || g.auto_id || '|G_' || g.genre_id || '|P_' || g.platform_id, "
        "g.name, f.\"desc\", 'GameCube', f.sub_cat, g.genre_id FROM file f JOIN game g ON "
        "g.auto_id = f.game_id WHERE f.\"desc\" LIKE 'Review: a lantern%';"));
    Game g = p.db.game(QStringLiteral("Lanterns of the Hollow Reach"));
    QCOMPARE(p.bookmarks().count(), 2);

    p.ui().inputs.enqueue(QStringLiteral("  Lanterns Remastered  "));
    p.clickNode(g.key());
    p.clickNode(g.key(), Qt::RightButton);
    Program::choose(p.tree().mnuHiddenRename);
    QCOMPARE(p.ui().callsOf(Kind::Input).last().title, QStringLiteral("Rename Game"));
    QCOMPARE(
        p.db.value(QStringLiteral("SELECT name FROM game WHERE auto_id = %1").arg(g.id)).toString(),
        QStringLiteral("Lanterns Remastered"));
    QCOMPARE(p.db.count(QStringLiteral(
                 "SELECT count(*) FROM bookmarks WHERE game = 'Lanterns Remastered'")),
             2);
    QCOMPARE(p.nodes().text(p.nodes().indexOf(g.key())), QStringLiteral("Lanterns Remastered (3)"));

    // To the Puzzle genre of platform 6.
    p.answerSelector(6, 4);
    p.clickNode(g.key(), Qt::RightButton);
    Program::choose(p.tree().mnuHiddenMoveTo);
    const Game moved = p.db.game(QStringLiteral("Lanterns Remastered"));
    QCOMPARE(moved.id, g.id);
    QCOMPARE(moved.platform, 6);
    QCOMPARE(moved.genre, 4);
    QCOMPARE(p.nodes().indexOf(g.key()), -1);
    QCOMPARE(p.nodes().text(p.nodes().indexOf(moved.key())),
             QStringLiteral("Lanterns Remastered (3)"));
    const QString platformName =
        p.db.value(QStringLiteral("SELECT name FROM platform WHERE auto_id = 6")).toString();
    const auto stored =
        p.db.rows(QStringLiteral("SELECT tree_key, game, platform, genre FROM bookmarks"));
    QCOMPARE(stored.size(), 2);
    for (const auto &row : stored) {
        QVERIFY2(row[0].toString().endsWith(u'|' + moved.key()), qPrintable(row[0].toString()));
        QCOMPARE(row[1].toString(), QStringLiteral("Lanterns Remastered"));
        QCOMPARE(row[2].toString(), platformName);
        QCOMPARE(row[3].toInt(), 4);
        // Each one opens its file under the moved game.
        p.clickNode(QStringLiteral("ROOT"));
        Program::doubleClickRow(p.bookmarks(), row[0].toString());
        QCOMPARE(p.nodes().key(p.nodes().selectedNode()), moved.key());
        QCOMPARE(p.view().shownKey(), row[0].toString().section(u'|', 0, 0));
        QCOMPARE(p.files().count(), 3);
    }
    QVERIFY(p.ui().callsOf(Kind::Message).isEmpty());
}

// Deleting a game removes its files and every bookmark of it; other bookmarks stay.
void TestE2E::deletedGameTakesItsBookmarks()
{
    Program &p = start(QStringLiteral(
        "INSERT INTO bookmarks(tree_key, game, file, platform, sub_cat, genre) SELECT 'K_' || "
        "f.auto_id || '|N_' || g.auto_id || '|G_' || g.genre_id || '|P_' || g.platform_id, "
        "g.name, f.\"desc\", 'P', f.sub_cat, g.genre_id FROM file f JOIN game g ON g.auto_id = "
        "f.game_id WHERE g.name IN ('Lanterns of the Hollow Reach', 'Clockwork Harbor') AND "
        "f.\"desc\" NOT LIKE 'Complete walkthrough%';"));
    const Game g = p.db.game(QStringLiteral("Lanterns of the Hollow Reach"));
    QCOMPARE(p.bookmarks().count(), 5);
    const QString genreKey = QStringLiteral("G_%1|P_%2").arg(g.genre).arg(g.platform);
    const QString genreBefore = p.nodes().text(p.nodes().indexOf(genreKey));

    p.clickNode(g.key());
    p.ui().answers.enqueue(Answer::No); // thinks better of it first
    QTest::keyClick(&p.nodes(), Qt::Key_Delete);
    QCOMPARE(p.db.count(QStringLiteral("SELECT count(*) FROM game WHERE auto_id = %1").arg(g.id)),
             1);
    p.ui().answers.enqueue(Answer::Yes);
    QTest::keyClick(&p.nodes(), Qt::Key_Delete);
    QCOMPARE(p.lastMessage(), QStringLiteral("Are you sure you wish to delete \"Lanterns of the "
                                             "Hollow Reach\" and all of it's Files?"));
    QCOMPARE(p.db.count(QStringLiteral("SELECT count(*) FROM game WHERE auto_id = %1").arg(g.id)),
             0);
    QCOMPARE(p.db.count(QStringLiteral("SELECT count(*) FROM file WHERE game_id = %1").arg(g.id)),
             0);
    QCOMPARE(p.db.count(QStringLiteral("SELECT count(*) FROM bookmarks WHERE tree_key LIKE "
                                       "'%|N_%1|%'")
                            .arg(g.id)),
             0);
    QCOMPARE(p.db.count(QStringLiteral("SELECT count(*) FROM bookmarks")), 2);
    QCOMPARE(p.bookmarks().count(), 2);
    QCOMPARE(p.nodes().indexOf(g.key()), -1);
    QCOMPARE(p.nodes().key(p.nodes().selectedNode()), genreKey);
    QVERIFY(p.nodes().text(p.nodes().indexOf(genreKey)) != genreBefore);
    QVERIFY(p.view().picCover->isVisible());
}

// A page read in the browser becomes a new file of a game typed into the selector.
void TestE2E::pageImportedAsFileOfNewGame()
{
    ScriptedHttpServer server;
    server.handler = [](const HttpRequest &r) {
        if (r.target != "/guide.html")
            return HttpAnswer::make(404, "Not Found", "missing");
        return HttpAnswer::make(200, "OK",
                                "<html><head><meta charset=utf-8><title>Harbor Night Guide</title>"
                                "</head><body><h1>Night harbor</h1><p>Moor the red boat before "
                                "the lighthouse turns.</p></body></html>",
                                {{"Content-Type", "text/html; charset=utf-8"}});
    };
    Program &p = start();
    const QString url = server.base() + QStringLiteral("/guide.html");

    // The Web Browser tab, an address typed and Enter.
    QTabBar *tabs = p.view().tbsTabs->tabWidget()->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    QCOMPARE(int(p.view().SelectedTab()), 2);
    ctlBrowser &b = p.browser();
    QVERIFY(b.isVisible());
    b.cboURL->setFocus();
    b.cboURL->lineEdit()->selectAll();
    QTest::keyClicks(b.cboURL->lineEdit(), url);
    QTest::keyClick(b.cboURL->lineEdit(), Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(b.PageTitle() == QStringLiteral("Harbor Night Guide"), kWebWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(p.form.windowTitle(), QStringLiteral("Lorecase - Harbor Night Guide"),
                              kWebWaitMs);

    // "Import This Page To Lorecase" from the favourites button's menu; the selector gets a
    // new game typed in; the editor opens with the page and the user saves it.
    p.answerSelector(7, 2, QStringLiteral("Harbor Nights"));
    Program::chooseWhenShown(b.mnuDirectImport);
    Program::clickTool(b.tbrToolbar, b.button(QStringLiteral("AddFav")));
    QPointer<frmVWED> w;
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            for (QWidget *top : QApplication::topLevelWidgets())
                if (auto *f = qobject_cast<frmVWED *>(top); f && f->isVisible())
                    w = f;
            return w != nullptr;
        }(),
        kWebWaitMs);
    QCOMPARE(w->txtSource->text(), url);
    QCOMPARE(w->txtDesc->text(), QStringLiteral("Harbor Night Guide"));
    QVERIFY(w->rtbText->Text().contains(QStringLiteral("Moor the red boat")));
    Program::clickTool(w->tbrTools, w->tbrToolsButton(QStringLiteral("Save")));
    QTRY_VERIFY(!w || !w->isVisible());

    const Game made = p.db.game(QStringLiteral("Harbor Nights"));
    QVERIFY(made.id > 0);
    QCOMPARE(made.platform, 7);
    QCOMPARE(made.genre, 2);
    const auto stored = p.db.rows(
        QStringLiteral("SELECT auto_id, src, \"desc\", txt_rtf FROM file WHERE game_id = %1")
            .arg(made.id));
    QCOMPARE(stored.size(), 1);
    QCOMPARE(stored[0][1].toString(), url);
    QCOMPARE(stored[0][2].toString(), QStringLiteral("Harbor Night Guide"));
    QVERIFY(stored[0][3].toString().startsWith(QStringLiteral("{\\rtf1")));
    QVERIFY(stored[0][3].toString().contains(QStringLiteral("Moor the red boat")));
    QCOMPARE(p.nodes().text(p.nodes().indexOf(made.key())), QStringLiteral("Harbor Nights (1)"));
    QVERIFY(p.files().indexOf(QStringLiteral("K_%1").arg(stored[0][0].toInt())) >= 0);
}

// File > Open Lorecase onto another collection: the panes show it and edits land in it; then
// back to the first one, which is as it was.
void TestE2E::switchesDatabaseAndBack()
{
    Program &p = start();
    const QString other = p.home.file(QStringLiteral("other.mdb"));
    lc::collection::SyntheticOptions small;
    small.games = 40;
    small.files = 80;
    small.textBytes = 200;
    small.bookmarks = 3;
    QVERIFY(lc::collection::createSynthetic(other, small).ok);
    const Db otherDb(other);
    const QString sampleGame = p.db.game(QStringLiteral("Clockwork Harbor")).key();

    p.ui().files.enqueue(other);
    Program::chooseFromMenuBar(p.form.menuBar(), p.form.menus().mnuFileConnect);
    QCOMPARE(p.ui().callsOf(Kind::Open).last().text, QStringLiteral("Select Lorecase..."));
    QCOMPARE(p.form.windowTitle(), QStringLiteral("Lorecase - [other] - Files"));
    QCOMPARE(p.nodes().indexOf(sampleGame), -1);
    QCOMPARE(p.bookmarks().count(), 3);
    QCOMPARE(p.tree().Search_Text(), QStringLiteral("Search..."));
    QCOMPARE(p.form.captionLabel()->text(), QStringLiteral("Lorecase"));

    // A game of the other collection lists its files; a bookmark made now goes there.
    const auto first = otherDb.rows(
        QStringLiteral("SELECT auto_id, genre_id, platform_id FROM game ORDER BY auto_id LIMIT 1"));
    const Game g{first[0][0].toInt(), first[0][1].toInt(), first[0][2].toInt(), {}};
    p.clickNode(g.key());
    QCOMPARE(
        p.files().count(),
        otherDb.count(QStringLiteral("SELECT count(*) FROM file WHERE game_id = %1").arg(g.id)));
    const QString fileKey = p.files().key(p.files().count() - 1);
    Program::clickRow(p.files(), fileKey, Qt::RightButton);
    Program::choose(p.view().findChild<QAction *>(QStringLiteral("mnuFileBookmark")));
    QCOMPARE(otherDb.count(QStringLiteral("SELECT count(*) FROM bookmarks")), 4);
    QCOMPARE(p.db.count(QStringLiteral("SELECT count(*) FROM bookmarks")), 1);

    // Back: the sample collection with its one bookmark.
    p.ui().files.enqueue(p.home.dbPath());
    Program::chooseFromMenuBar(p.form.menuBar(), p.form.menus().mnuFileConnect);
    QCOMPARE(p.form.windowTitle(), QStringLiteral("Lorecase - [lorecase] - Files"));
    QVERIFY(p.nodes().indexOf(sampleGame) >= 0);
    QCOMPARE(p.bookmarks().count(), 1);
    QCOMPARE(p.files().count(), 0);
    p.clickNode(sampleGame);
    QCOMPARE(p.files().count(), 2);

    // A file that is no collection is refused and the open one stays.
    p.home.write(QStringLiteral("junk.mdb"), "not a database at all");
    p.ui().files.enqueue(p.home.file(QStringLiteral("junk.mdb")));
    Program::chooseFromMenuBar(p.form.menuBar(), p.form.menus().mnuFileConnect);
    QCOMPARE(p.ui().callsOf(Kind::Message).last().icon, lc::ui::Icon::Critical);
    QVERIFY(p.home.read(QStringLiteral("error.log")).contains("Connect"));
    QCOMPARE(gDBPath, p.home.dbPath());
    QVERIFY(p.nodes().indexOf(sampleGame) >= 0);
    QCOMPARE(p.files().count(), 2);
}

// A clip sent from the viewer waits in the scratch file; closing asks about it: Cancel keeps
// the window, No closes it and the scratch file goes.
void TestE2E::exitWithWaitingClips()
{
    Program &p = start();
    const int filesBefore = p.db.count(QStringLiteral("SELECT count(*) FROM file"));
    const Game g = p.db.game(QStringLiteral("Quarry Blocks"));
    p.clickNode(g.key());
    lc::controls::RichTextBox *text = p.view().rtbText;
    // Double-click a word to select it, right-click for the clip menu.
    QTextCursor c = text->document()->find(QStringLiteral("level"));
    QVERIFY(!c.isNull());
    c.setPosition(c.selectionStart() + 2);
    const QPoint at = text->cursorRect(c).center();
    QTest::mouseDClick(text->viewport(), Qt::LeftButton, {}, at);
    QVERIFY(text->SelLength() >= 2);
    QTest::mouseClick(text->viewport(), Qt::RightButton, {}, at);
    Program::choose(p.view().findChild<QAction *>(QStringLiteral("mnuAddQuick")));
    QCOMPARE(p.lastMessage(), QStringLiteral("Clip added!"));
    const QString scratch = p.home.file(kClipScratchFile);
    QVERIFY(lc::clip::hasUnsavedClips());
    const QByteArray clip = p.home.read(kClipScratchFile);
    QVERIFY(clip.contains("Game: Quarry Blocks"));

    const QString question =
        QStringLiteral("You have unsaved Quick Clips.  Do you wish to save them before you exit?");
    p.ui().answers.enqueue(Answer::Cancel);
    Program::chooseFromMenuBar(p.form.menuBar(), p.form.menus().mnuFileExit);
    QCOMPARE(p.lastMessage(), question);
    QVERIFY(p.form.isVisible());
    QVERIFY(QFile::exists(scratch));

    p.ui().answers.enqueue(Answer::No);
    Program::chooseFromMenuBar(p.form.menuBar(), p.form.menus().mnuFileExit);
    QCOMPARE(p.lastMessage(), question);
    QVERIFY(!p.form.isVisible());
    QVERIFY(!QFile::exists(scratch));
    QCOMPARE(lc::settings::GetSetting(QStringLiteral("Layout"), QStringLiteral("ctlTree")),
             QStringLiteral("True"));
    // The collection itself is untouched by leaving.
    QCOMPARE(p.db.count(QStringLiteral("SELECT count(*) FROM file")), filesBefore);
}

// Maintenance > Platforms, one platform unticked and OK: the row says so and the reloaded tree
// shows the other platforms' games but not that platform.
void TestE2E::platformUntickedReloadsTree()
{
    Program &p = start();
    const Game g = p.db.game(QStringLiteral("The Brinewater Chronicle"));
    const QString platformKey = QStringLiteral("P_%1").arg(g.platform);
    QVERIFY(p.nodes().indexOf(platformKey) >= 0);
    const int others = p.db.count(
        QStringLiteral("SELECT count(*) FROM game g JOIN platform p ON p.auto_id = g.platform_id "
                       "WHERE p.in_use <> 0 AND p.auto_id <> %1")
            .arg(g.platform));
    QVERIFY(others > 0);
    p.ui().modalHandlers.enqueue([&](QDialog &d) {
        auto *w = qobject_cast<frmPlatform *>(&d);
        if (!w)
            return int(QDialog::Rejected);
        w->chkPlatform(g.platform)->click();
        w->cmdOK->click();
        return int(QDialog::Accepted);
    });
    Program::chooseFromMenuBar(p.form.menuBar(), p.form.menus().mnuMaintPlatforms);
    QTRY_COMPARE(p.nodes().indexOf(platformKey), -1);
    QCOMPARE(p.nodes().indexOf(g.key()), -1);
    QCOMPARE(p.db.count(
                 QStringLiteral("SELECT in_use FROM platform WHERE auto_id = %1").arg(g.platform)),
             0);
    int games = 0;
    for (int n = 0; n < p.nodes().count(); ++n)
        games += p.nodes().key(n).startsWith(u"N_");
    QCOMPARE(games, others);
}

// File > Print of the file on show, to a PDF the printer dialog chose: the PDF holds the
// file's heading and text, and the collection is unchanged.
void TestE2E::printedFileReadsBack()
{
    Program &p = start();
    const Game g = p.db.game(QStringLiteral("The Brinewater Chronicle"));
    p.clickNode(g.key());
    const QString shown = p.view().shownKey();
    QVERIFY(!shown.isEmpty());
    const QString desc = p.files().text(p.files().indexOf(shown));
    const QString pdf = p.home.file(QStringLiteral("printed.pdf"));
    p.ui().printAnswers.enqueue(true);
    p.ui().printerSetup = [pdf](QPrinter &printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
    };
    const auto before = p.db.rows(QStringLiteral("SELECT auto_id, \"desc\", txt_rtf FROM file"));
    Program::chooseFromMenuBar(p.form.menuBar(), p.form.menus().mnuFilePrint);
    QTRY_VERIFY(p.home.read(QStringLiteral("printed.pdf")).startsWith("%PDF"));
    QVERIFY(p.home.ui().messages().isEmpty());
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    QVERIFY(text.waitForFinished(30000));
    // The PDF's fonts join "fi" and "fl" into one glyph.
    const QString read = QString::fromUtf8(text.readAllStandardOutput())
                             .replace(QChar(0xFB01), QStringLiteral("fi"))
                             .replace(QChar(0xFB02), QStringLiteral("fl"))
                             .simplified();
    QVERIFY2(read.contains(QStringLiteral("File: ") + desc), qPrintable(read));
    QVERIFY2(read.contains(QStringLiteral("flooded abbey")), qPrintable(read));
    QCOMPARE(p.db.rows(QStringLiteral("SELECT auto_id, \"desc\", txt_rtf FROM file")), before);
}

QTEST_MAIN(TestE2E)
#include "tst_e2e.moc"
