// Details pane: loading 10,000 bookmarks and 1,000 favourites, following a game with 500
// bookmarks, and filling the search list with 10,000 results.
#include "../benchtiming.h"
#include "connection.h"
#include "ctlDetails.h"
#include "keyedlistview.h"
#include "testsupport.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    TestHome home;
    QString sql = QStringLiteral("DELETE FROM bookmarks; DELETE FROM favorites; BEGIN;");
    for (int i = 1; i <= 10000; ++i) {
        // Game 1 on platform 2 owns 500 bookmarks; the rest spread over other games.
        const int game = i <= 500 ? 1 : 2 + i % 400;
        sql += QStringLiteral("INSERT INTO bookmarks(tree_key, game, file, platform, sub_cat, "
                              "genre) VALUES('K_%1|N_%2|G_3|P_%3', 'Game', 'File %1', 'P', 1, 3);")
                   .arg(i)
                   .arg(game)
                   .arg(i <= 500 ? 2 : 1 + i % 19);
    }
    for (int i = 1; i <= 1000; ++i)
        sql += QStringLiteral("INSERT INTO favorites(url, title, \"desc\") VALUES("
                              "'http://site%1.example/', 'Title %1', 'Desc');")
                   .arg(i);
    sql += QStringLiteral("COMMIT;");
    home.sql(sql);
    lc::db::Connection conn;
    conn.open(home.dbPath());
    ctlDetails pane(conn);
    QString platforms;
    for (int p = 1; p <= 19; ++p)
        platforms += QStringLiteral("|P_%1").arg(p);

    const double first = bench::medianMs(1, [&] { pane.LoadFavorites(platforms); });
    const double load = bench::medianMs(5, [&] { pane.LoadFavorites(platforms); });
    std::printf("load 10000 bookmarks + 1000 favourites: first %.1f ms, median %.1f ms (limit "
                "150), %d rows\n",
                first, load, pane.lvBookmarks->count());
    int flip = 0;
    const double rename = bench::medianMs(5, [&] {
        pane.RenameGame(QStringLiteral("N_1|G_3|P_2"), QStringLiteral("Title %1").arg(++flip));
    });
    GameQueries q;
    q.GamePlatform = [](const QString &) { return QStringLiteral("Elsewhere"); };
    const double move = bench::medianMs(4, [&] {
        const bool there = pane.lvBookmarks->indexOf(QStringLiteral("K_1|N_1|G_3|P_2")) >= 0;
        pane.MoveBookmark(there ? QStringLiteral("N_1|G_3|P_2") : QStringLiteral("N_1|G_4|P_2"),
                          there ? QStringLiteral("N_1|G_4|P_2") : QStringLiteral("N_1|G_3|P_2"), q);
    });
    std::printf(
        "rename game with 500 bookmarks: median %.1f ms; move: median %.1f ms (limit 100)\n",
        rename, move);
    const double search = bench::medianMs(3, [&] {
        pane.ClearSearch();
        for (int i = 1; i <= 10000; ++i)
            pane.AddSearch(i, QStringLiteral("P"), QStringLiteral("G"), 1, QStringLiteral("v"),
                           QStringLiteral("N_%1|G_3|P_2").arg(i % 50), QStringLiteral("File"));
    });
    std::printf("search list 10000 results: median %.1f ms (limit 200)\n", search);
    return 0;
}
