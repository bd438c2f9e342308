#include "ctlDetails.h"
#include "ctlTree.h"
#include "ctlView.h"
#include "frmFindFiles.h"
#include "frmMain.h"
#include "keyedlistview.h"
#include "mainprogram.h"
#include "modADO.h"
#include "modMain.h"
#include "recordset.h"
#include "richtextbox.h"
#include "testsupport.h"
#include "twips.h"

#include <QtTest>

namespace {
struct Program : MainProgram {
    // The location key of one stored file: "K_file|N_game|G_genre|P_platform".
    QString someFileKey() const
    {
        lc::db::Recordset rs;
        if (!rs.open(QStringLiteral("SELECT auto_id, game_id FROM file"), gConn) ||
            rs.recordCount() < 1)
            return {};
        rs.moveLast();
        const int file = rs.field(QStringLiteral("auto_id")).toInt();
        const int game = rs.field(QStringLiteral("game_id")).toInt();
        lc::db::Recordset g;
        g.open(QStringLiteral("SELECT auto_id, genre_id, platform_id FROM game WHERE auto_id = ") +
                   QString::number(game),
               gConn);
        return QStringLiteral("K_%1|N_%2|G_%3|P_%4")
            .arg(file)
            .arg(game)
            .arg(g.field(QStringLiteral("genre_id")).toInt())
            .arg(g.field(QStringLiteral("platform_id")).toInt());
    }
};
} // namespace

class TestRouting : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { lc::twips::setPixelsPerInchForTesting(96); }

    // Tree, then favourites, then bookmarks; the last one hands the search box back.
    void startLoadsEveryPane()
    {
        Program p;
        QCOMPARE(p.tree().Search_Text(), QStringLiteral("Search..."));
        QVERIFY(p.details().lvBookmarks != nullptr);
    }

    // A bookmark of a file lists its game without showing the first file, then the file.
    void bookmarkOpensItsFile()
    {
        Program p;
        const QString key = p.someFileKey();
        QVERIFY(!key.isEmpty());
        QSignalSpy clicks(&p.tree(), &ctlTree::TreeNodeClick);
        Q_EMIT p.details().BookmarkSelect(key);
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(p.view().listedGame(), key.section(QLatin1Char('|'), 1, 1).mid(2).toInt());
        QCOMPARE(p.view().shownKey(), key.section(QLatin1Char('|'), 0, 0));
        // The caption names the game now listed, and the list has room for more than a row
        // although it was first laid out while the window was still small.
        lc::db::Recordset g;
        QVERIFY(g.open(QStringLiteral("SELECT name FROM game WHERE auto_id = ") +
                           QString::number(p.view().listedGame()),
                       gConn));
        QCOMPARE(p.form.windowTitle(), QStringLiteral("Lorecase - [") +
                                           g.field(QStringLiteral("name")).toString() +
                                           QStringLiteral("] - Files"));
        QVERIFY(p.view().lvFiles->height() > p.view().rtbText->height() / 4);
        Q_EMIT p.details().BookmarkSelect(QStringLiteral("X_1"));
        QCOMPARE(clicks.count(), 1);
        // After another collection is opened, back from the browser the caption names no game
        // of the old one.
        QVERIFY(QFile::copy(p.home.dbPath(), p.home.file(QStringLiteral("other.mdb"))));
        p.home.ui().files.enqueue(p.home.file(QStringLiteral("other.mdb")));
        p.form.menus().mnuFileConnect->trigger();
        p.view().SelectTab(2);
        p.view().SelectTab(1);
        QCOMPARE(p.form.windowTitle(), QStringLiteral("Lorecase - [other] - Files"));
    }

    // The panes' close buttons and toolbar toggles move the View menu's check marks.
    void toggles()
    {
        Program p;
        QVERIFY(p.form.menus().mnuViewLeft->isChecked());
        Q_EMIT p.view().ShowTree();
        QVERIFY(!p.form.menus().mnuViewLeft->isChecked());
        QVERIFY(!p.tree().isVisible());
        Q_EMIT p.tree().HideControl();
        QVERIFY(p.form.menus().mnuViewLeft->isChecked());
        Q_EMIT p.view().ShowFavorites();
        QCOMPARE(int(p.details().SelectedTab()), 2);
        Q_EMIT p.view().ShowFavorites();
        QVERIFY(!p.details().isVisible());
    }

    // "&Find..." opens one modeless search window whose results land in the details pane.
    void findWindowFillsSearchResults()
    {
        Program p;
        QAction *find = p.form.menus().mnuSearchLorecase;
        QVERIFY(find->isEnabled());
        find->trigger();
        find->trigger();
        const auto windows = p.form.findChildren<lc::search::frmFind *>();
        QCOMPARE(windows.size(), 1);
        QVERIFY(windows[0]->isVisible());
        Q_EMIT windows[0]->ClearSearch();
        Q_EMIT windows[0]->SelectTab(3);
        Q_EMIT windows[0]->AddSearch(7, QStringLiteral("PC"), QStringLiteral("Game"), 1,
                                     QStringLiteral("Hit"), QStringLiteral("N_1|G_1|P_1"),
                                     QStringLiteral("File"));
        QCOMPARE(int(p.details().SelectedTab()), 3);
        QCOMPARE(p.details().lvSearchResults->count(), 1);
    }
};

QTEST_MAIN(TestRouting)
#include "tst_routing.moc"
