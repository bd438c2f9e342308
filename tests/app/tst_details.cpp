#include "connection.h"
#include "ctlDetails.h"
#include "frmFavorite.h"
#include "keyedlistview.h"
#include "recordset.h"
#include "settings.h"
#include "testsupport.h"

#include <QAbstractItemView>
#include <QLabel>
#include <QLineEdit>
#include <QTreeView>
#include <QtTest>

using lc::ui::Answer;

namespace {

GameQueries queries()
{
    GameQueries q;
    q.GameName = [](const QString &) { return QStringLiteral("New Game"); };
    q.GameGenre = [](const QString &) { return QStringLiteral("Action"); };
    q.GamePlatform = [](const QString &) { return QStringLiteral("Platform Two"); };
    return q;
}

// A fresh folder whose bookmarks and favourites the test writes itself.
struct Fixture {
    TestHome home;
    lc::db::Connection conn;
    std::unique_ptr<ctlDetails> pane;
    Fixture()
    {
        home.sql(QStringLiteral("DELETE FROM bookmarks; DELETE FROM favorites;"));
        conn.open(home.dbPath());
        pane = std::make_unique<ctlDetails>(conn);
    }
    void bookmark(int id, const QString &key, const QString &file = QStringLiteral("f"))
    {
        home.sql(QStringLiteral("INSERT INTO bookmarks(auto_id, tree_key, game, file, platform, "
                                "sub_cat, genre) VALUES(%1, '%2', 'g', '%3', 'p', 1, 1);")
                     .arg(id)
                     .arg(key, file));
    }
    QStringList storedKeys()
    {
        QStringList keys;
        lc::db::Recordset rs;
        rs.open(QStringLiteral("SELECT auto_id, tree_key, game FROM bookmarks"), conn);
        for (rs.moveFirst(); !rs.eof(); rs.moveNext())
            keys << rs.field(QStringLiteral("tree_key")).toString();
        return keys;
    }
    QString storedGame(int id)
    {
        lc::db::Recordset rs;
        rs.open(QStringLiteral("SELECT auto_id, game FROM bookmarks WHERE auto_id = %1").arg(id),
                conn);
        return rs.recordCount() ? rs.field(QStringLiteral("game")).toString() : QString();
    }
    lc::controls::KeyedListView &bm() { return *pane->lvBookmarks; }
};

} // namespace

class tst_details : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void loadFiltersByPlatformAndSkipsBadKeys();
    void emptyTableStillReportsLoaded();
    void bookmarkFileRefusesDuplicate();
    void gameOperationsMatchFieldsExactly();
    void deleteGameRemovesEveryBookmark();
    void moveFileKeepsRowOpenable();
    void operationsBeforeLoadDoNothing();
    void userDeleteAsksAndNoKeeps();
    void favorites();
    void favoriteDialogStoresExactly();
    void searchResults();
    void searchColumnsFitANarrowList();
    void tabMemory();
};

void tst_details::loadFiltersByPlatformAndSkipsBadKeys()
{
    Fixture f;
    f.bookmark(1, QStringLiteral("K_1|N_5|G_3|P_2"));
    f.bookmark(2, QStringLiteral("K_2|N_5|G_3|P_21"));
    for (const char *bad : {"", "K_3", "K_x|N_5|G_3|P_2", "K_4|N_5|G_3|P_256"})
        f.bookmark(10 + int(qstrlen(bad)), QString::fromLatin1(bad));
    f.home.sql(QStringLiteral("INSERT INTO bookmarks(auto_id, tree_key, sub_cat, genre) "
                              "VALUES(50, 'K_9|N_6|G_3|P_2', 99, 77);"));
    QSignalSpy loaded(f.pane.get(), &ctlDetails::BookmarksLoaded);
    f.pane->LoadBookmarks(QStringLiteral("|P_2|P_7"));
    QCOMPARE(loaded.count(), 1);
    QCOMPARE(f.bm().count(), 2);
    QVERIFY(f.bm().indexOf(QStringLiteral("K_1|N_5|G_3|P_2")) >= 0);
    QVERIFY(f.bm().indexOf(QStringLiteral("K_9|N_6|G_3|P_2")) >= 0); // NULL names, odd codes
    QCOMPARE(f.storedKeys().size(), 7); // hidden and malformed rows are kept
    QVERIFY(f.home.read(QStringLiteral("error.log")).contains("LoadBookmarks"));
}

void tst_details::emptyTableStillReportsLoaded()
{
    Fixture f;
    QSignalSpy favs(f.pane.get(), &ctlDetails::FavoritesLoaded);
    QSignalSpy loaded(f.pane.get(), &ctlDetails::BookmarksLoaded);
    f.pane->LoadFavorites(QStringLiteral("|P_1"));
    QCOMPARE(favs.count(), 1);
    QCOMPARE(loaded.count(), 1);
}

void tst_details::bookmarkFileRefusesDuplicate()
{
    Fixture f;
    f.pane->LoadBookmarks(QStringLiteral("|P_2"));
    const QString key = QStringLiteral("K_12|N_5|G_3|P_2");
    f.pane->BookmarkFile(2, key, QStringLiteral("Guide"), queries());
    QCOMPARE(f.home.ui().messages().last(), QStringLiteral("Bookmark added."));
    const int row = f.bm().indexOf(key);
    QVERIFY(row >= 0);
    QCOMPARE(f.bm().text(row, 2), QStringLiteral("New Game"));
    QVERIFY(f.bm().tag(row).toInt() > 0);
    f.pane->BookmarkFile(2, key, QStringLiteral("Guide"), queries());
    QCOMPARE(f.home.ui().messages().last(), QStringLiteral("This item is already bookmarked!"));
    QCOMPARE(f.storedKeys(), QStringList{key});
}

void tst_details::gameOperationsMatchFieldsExactly()
{
    Fixture f;
    f.bookmark(1, QStringLiteral("K_1|N_5|G_3|P_2"), QStringLiteral("one"));
    f.bookmark(2, QStringLiteral("K_2|N_5|G_3|P_21"));
    f.bookmark(3, QStringLiteral("K_3|N_5|G_3|P_9")); // hidden platform
    f.bookmark(4, QStringLiteral("K_4|N_5|G_3|P_9"));
    f.pane->LoadBookmarks(QStringLiteral("|P_2|P_21"));
    f.pane->RenameGame(QStringLiteral("N_5|G_3|P_2"), QStringLiteral("Renamed"));
    QCOMPARE(f.storedGame(1), QStringLiteral("Renamed"));
    QCOMPARE(f.storedGame(2), QStringLiteral("g"));
    QCOMPARE(f.bm().text(f.bm().indexOf(QStringLiteral("K_2|N_5|G_3|P_21")), 2),
             QStringLiteral("g"));

    // Moving the hidden game rewrites its stored rows too.
    f.pane->MoveBookmark(QStringLiteral("N_5|G_3|P_9"), QStringLiteral("N_5|G_4|P_2"), queries());
    QStringList keys = f.storedKeys();
    keys.sort();
    QCOMPARE(keys,
             (QStringList{QStringLiteral("K_1|N_5|G_3|P_2"), QStringLiteral("K_2|N_5|G_3|P_21"),
                          QStringLiteral("K_3|N_5|G_4|P_2"), QStringLiteral("K_4|N_5|G_4|P_2")}));
    // A listed game moves with its rows, keeping titles.
    QSignalSpy open(f.pane.get(), &ctlDetails::BookmarkSelect);
    f.pane->MoveBookmark(QStringLiteral("N_5|G_3|P_2"), QStringLiteral("N_5|G_1|P_21"), queries());
    const int row = f.bm().indexOf(QStringLiteral("K_1|N_5|G_1|P_21"));
    QVERIFY(row >= 0);
    QCOMPARE(f.bm().text(row, 0), QStringLiteral("one"));
    QCOMPARE(f.bm().text(row, 2), QStringLiteral("Renamed"));
    QCOMPARE(f.bm().text(row, 4), QStringLiteral("Platform Two"));
    QVERIFY(f.bm().indexOf(QStringLiteral("K_2|N_5|G_3|P_21")) >= 0);
    Q_EMIT f.bm().DblClick(row);
    QCOMPARE(open.count(), 1);
    QCOMPARE(open.at(0).at(0).toString(), QStringLiteral("K_1|N_5|G_1|P_21"));
}

void tst_details::deleteGameRemovesEveryBookmark()
{
    Fixture f;
    for (int i = 1; i <= 3; ++i)
        f.bookmark(i, QStringLiteral("K_%1|N_5|G_3|P_2").arg(i));
    f.bookmark(4, QStringLiteral("K_4|N_5|G_3|P_21"));
    f.pane->LoadBookmarks(QStringLiteral("|P_2|P_21"));
    f.pane->DeleteBookmark(QStringLiteral("N_5|G_3|P_2"));
    QCOMPARE(f.storedKeys(), QStringList{QStringLiteral("K_4|N_5|G_3|P_21")});
    QCOMPARE(f.bm().count(), 1);
    f.pane->DeleteBookmark(QStringLiteral("K_4|N_5|G_3|P_21"));
    QCOMPARE(f.bm().count(), 0);
    QVERIFY(f.storedKeys().isEmpty());
}

void tst_details::moveFileKeepsRowOpenable()
{
    Fixture f;
    f.bookmark(1, QStringLiteral("K_7|N_5|G_3|P_2"), QStringLiteral("Walk"));
    f.pane->LoadBookmarks(QStringLiteral("|P_2"));
    f.pane->MoveBookmark(QStringLiteral("K_7|N_5|G_3|P_2"), QStringLiteral("K_7|N_8|G_2|P_2"),
                         queries());
    QCOMPARE(f.storedKeys(), QStringList{QStringLiteral("K_7|N_8|G_2|P_2")});
    QCOMPARE(f.storedGame(1), QStringLiteral("New Game"));
    f.bm().select(0);
    QSignalSpy open(f.pane.get(), &ctlDetails::BookmarkSelect);
    QTest::keyClick(f.bm().currentView(), Qt::Key_Return);
    QCOMPARE(open.count(), 1);
    QCOMPARE(open.at(0).at(0).toString(), QStringLiteral("K_7|N_8|G_2|P_2"));
}

void tst_details::operationsBeforeLoadDoNothing()
{
    Fixture f;
    f.bookmark(1, QStringLiteral("K_1|N_5|G_3|P_2"));
    f.pane->RenameGame(QStringLiteral("N_5|G_3|P_2"), QStringLiteral("X"));
    f.pane->MoveBookmark(QStringLiteral("N_5|G_3|P_2"), QStringLiteral("N_5|G_3|P_3"), queries());
    f.pane->DeleteBookmark(QStringLiteral("N_5|G_3|P_2"));
    f.pane->UpdateBookmark(1, QStringLiteral("K_1|N_5|G_3|P_2"), QStringLiteral("t"), queries());
    f.pane->KillBM();
    QCOMPARE(f.storedKeys(), QStringList{QStringLiteral("K_1|N_5|G_3|P_2")});
    QCOMPARE(f.storedGame(1), QStringLiteral("g"));
}

void tst_details::userDeleteAsksAndNoKeeps()
{
    Fixture f;
    f.bookmark(1, QStringLiteral("K_1|N_5|G_3|P_2"));
    f.pane->LoadBookmarks(QStringLiteral("|P_2"));
    f.bm().select(0);
    f.home.ui().answers.enqueue(Answer::No);
    f.pane->mnuBMDelete->trigger();
    QCOMPARE(f.home.ui().messages().last(),
             QStringLiteral("Are you sure you wish to delete this bookmark?"));
    QCOMPARE(f.bm().count(), 1);
    f.home.ui().answers.enqueue(Answer::Yes);
    QTest::keyClick(f.bm().currentView(), Qt::Key_Delete);
    QCOMPARE(f.bm().count(), 0);
    QVERIFY(f.storedKeys().isEmpty());
}

void tst_details::favorites()
{
    Fixture f;
    f.home.sql(
        QStringLiteral("INSERT INTO favorites(auto_id, url, title, \"desc\") VALUES"
                       "(3, 'http://a.example/', 'A', 'd'), (4, 'javascript:alert(1)', 'J', '');"));
    f.pane->LoadFavorites(QStringLiteral("|P_1"));
    QCOMPARE(f.pane->lvFavorites->count(), 2);
    QVERIFY(!f.pane->FavoriteCheck(QStringLiteral("HTTP://a.example/")));
    QVERIFY(f.pane->FavoriteCheck(QStringLiteral("http://a.example/")));
    QCOMPARE(f.pane->SelectedTab(), quint8(2));
    QCOMPARE(f.home.ui().messages().last(), QStringLiteral("This favorite already exists!"));
    QCOMPARE(f.pane->lvFavorites->selectedKey(), QStringLiteral("K_3"));

    QSignalSpy nav(f.pane.get(), &ctlDetails::NavigateFavorite);
    Q_EMIT f.pane->lvFavorites->DblClick(0);
    QCOMPARE(nav.count(), 1);
    Q_EMIT f.pane->lvFavorites->DblClick(1); // asks; the scripted No keeps it from opening
    QCOMPARE(nav.count(), 1);
    f.home.ui().answers.enqueue(Answer::Yes);
    Q_EMIT f.pane->lvFavorites->DblClick(1);
    QCOMPARE(nav.count(), 2);

    // Removed behind the pane's back: the row stays.
    f.home.sql(QStringLiteral("DELETE FROM favorites WHERE auto_id = 3;"));
    f.pane->lvFavorites->select(0);
    f.home.ui().answers.enqueue(Answer::Yes);
    f.pane->mnuFavDel->trigger();
    QCOMPARE(f.pane->lvFavorites->count(), 2);
    QVERIFY(f.pane->DeleteFavorite(QStringLiteral("K_4")));
}

void tst_details::favoriteDialogStoresExactly()
{
    Fixture f;
    const QString url = QStringLiteral("javascript:'\"") + QString(2000, QLatin1Char('u'));
    frmFavorite dlg(f.conn, *f.pane, QStringLiteral("  ") + url, QStringLiteral("Ti'tle"));
    dlg.txtDesc->setText(QStringLiteral("it's \"mine\""));
    dlg.cmdOK_Click();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(f.home.ui().messages().last(), QStringLiteral("\"Ti'tle\" has been added."));
    lc::db::Recordset rs;
    rs.open(QStringLiteral("SELECT auto_id, url, title, desc FROM favorites"), f.conn);
    QCOMPARE(rs.recordCount(), 1);
    QCOMPARE(rs.field(QStringLiteral("url")).toString(), url);
    QCOMPARE(rs.field(QStringLiteral("desc")).toString(), QStringLiteral("it's \"mine\""));
    QCOMPARE(f.pane->lvFavorites->text(0), url);
    QVERIFY(f.pane->FavoriteCheck(url));
}

// With the default widths, made for the whole screen, the first results in a narrower pane
// fit across it, the matched value included; widths the user has set stay.
void tst_details::searchColumnsFitANarrowList()
{
    for (const bool userSet : {false, true}) {
        Fixture f;
        if (userSet) {
            lc::settings::SaveNumber(QStringLiteral("Detail"), QStringLiteral("S_COL1"), 9000);
            f.pane = std::make_unique<ctlDetails>(f.conn);
        }
        f.pane->resize(600, 300);
        f.pane->show();
        f.pane->SelectTab(3);
        QVERIFY(QTest::qWaitForWindowExposed(f.pane.get()));
        f.pane->AddSearch(12, QStringLiteral("P"), QStringLiteral("G"), 1, QStringLiteral("v"),
                          QStringLiteral("N_5|G_3|P_2"), QStringLiteral("File"));
        int total = 0;
        for (int c = 0; c < 4; ++c)
            total += f.pane->lvSearchResults->reportView()->columnWidth(c);
        const int room = f.pane->lvSearchResults->reportView()->viewport()->width();
        QCOMPARE(total <= room, !userSet);
        QVERIFY(f.pane->lvSearchResults->reportView()->columnWidth(3) > 50);
    }
}

void tst_details::searchResults()
{
    Fixture f;
    f.pane->AddSearch(12, QStringLiteral("P"), QStringLiteral("G"), 1, QStringLiteral("v"),
                      QStringLiteral("N_5|G_3|P_2"), QString());
    f.pane->AddSearch(12, QStringLiteral("P"), QStringLiteral("G"), 1, QStringLiteral("v"),
                      QStringLiteral("N_5|G_3|P_2"), QStringLiteral("File"));
    QCOMPARE(f.pane->lvSearchResults->count(), 1);
    QCOMPARE(f.pane->lvSearchResults->key(0), QStringLiteral("K_12|N_5|G_3|P_2"));
    QCOMPARE(f.pane->lvSearchResults->columnCaption(3), QStringLiteral("File"));
    f.pane->AddSearch(13, QStringLiteral("P"), QStringLiteral("G"), 1, QStringLiteral("v"),
                      QStringLiteral("N_5|G_3|P_2"), QString());
    QCOMPARE(f.pane->lvSearchResults->columnCaption(3), QStringLiteral("Search Field"));
    f.pane->SearchTitle(QStringLiteral("3 items found."));
    QCOMPARE(f.pane->lblSearchResults->text(), QStringLiteral(" Search Results: 3 items found."));
    QSignalSpy sel(f.pane.get(), &ctlDetails::SearchSelect);
    Q_EMIT f.pane->lvSearchResults->DblClick(0);
    QCOMPARE(sel.count(), 1);
    f.pane->mnuSearchClear->trigger();
    QCOMPARE(f.pane->lvSearchResults->count(), 0);
    QCOMPARE(f.pane->lblSearchResults->text(), QStringLiteral(" Search Results:"));
    QSignalSpy hide(f.pane.get(), &ctlDetails::HideControl);
    f.pane->cmdClose->trigger();
    QCOMPARE(hide.count(), 1);
}

void tst_details::tabMemory()
{
    {
        Fixture f;
        f.pane->SelectTab(3);
        QCOMPARE(lc::settings::GetSetting(QStringLiteral("Detail"), QStringLiteral("SelTab")),
                 QStringLiteral("3"));
        ctlDetails other(f.conn);
        other.InitDetails(); // AppLayout 0: Bookmarks
        QCOMPARE(other.SelectedTab(), quint8(1));
        lc::settings::SaveSetting(QStringLiteral("Options"), QStringLiteral("AppLayout"),
                                  QStringLiteral("1"));
        lc::settings::SaveSetting(QStringLiteral("Detail"), QStringLiteral("SelTab"),
                                  QStringLiteral("2"));
        lc::settings::SaveSetting(QStringLiteral("Detail"), QStringLiteral("B_COL1"),
                                  QStringLiteral("wide"));
        ctlDetails third(f.conn);
        third.InitDetails();
        QCOMPARE(third.SelectedTab(), quint8(2));
        QCOMPARE(third.lvBookmarks->columnWidth(0), 3200);
    }
}

QTEST_MAIN(tst_details)
#include "tst_details.moc"
