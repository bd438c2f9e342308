#include "connection.h"
#include "frmFindFiles.h"
#include "realui.h"
#include "recordset.h"
#include "rtf.h"
#include "searchindex.h"
#include "settings.h"
#include "testsupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <sqlite3.h>

#include <algorithm>
#include <functional>

using lc::db::SearchIndex;

class TestFindFiles : public QObject {
    Q_OBJECT
private:
    // Three files of one game whose fields and text the cases below rely on.
    void seed(TestHome &home)
    {
        home.sql(QStringLiteral(
            "DELETE FROM file;"
            "INSERT INTO file(auto_id, game_id, sub_cat, \"desc\", src, txt_rtf) VALUES"
            "(1, (SELECT min(auto_id) FROM game), 1, 'Dragon Quest guide', 'Fan site', "
            "'{\\rtf1\\ansi caf\\''e9 maps\\par}'),"
            "(2, (SELECT min(auto_id) FROM game), 2, 'codes', 'Magazine', "
            "'{\\rtf1\\ansi the par and the fs20\\par}'),"
            "(3, (SELECT min(auto_id) FROM game), 3, 'review', 'Paper', '{\\rtf1\\ansi "
            "\\u1089?\\u1077?\\u1074? plain\\par}');"));
    }
    // The rule applied row by row to every file decoded anew, for the queries below.
    QList<QList<qint32>> reference(lc::db::Connection &conn)
    {
        QList<QList<qint32>> hits(int(queries().size()));
        lc::db::Recordset rs;
        if (!rs.open(QStringLiteral("SELECT auto_id, game_id, sub_cat, src, desc, txt_rtf FROM "
                                    "file"),
                     conn))
            return {};
        for (; !rs.eof(); rs.moveNext()) {
            const QString plain =
                SearchIndex::indexedText(rs.field(QStringLiteral("txt_rtf")).toString());
            for (int i = 0; i < queries().size(); ++i) {
                const SearchIndex::Query &q = queries()[i];
                if ((q.gameId == 0 || q.gameId == rs.field(QStringLiteral("game_id")).toInt()) &&
                    SearchIndex::matches(q, rs.field(QStringLiteral("desc")).toString(),
                                         rs.field(QStringLiteral("src")).toString(), plain))
                    hits[i] << rs.field(QStringLiteral("auto_id")).toInt();
            }
        }
        for (auto &list : hits)
            std::sort(list.begin(), list.end());
        return hits;
    }
    static const QList<SearchIndex::Query> &queries()
    {
        static const QList<SearchIndex::Query> list = [] {
            QList<SearchIndex::Query> l;
            for (const char *t : {"Zelda", "the", "guide Fan", "notes Mag", "Magazine the", "ma",
                                  "e", "new text", "Moved"}) {
                SearchIndex::Query q;
                q.text = QString::fromUtf8(t);
                q.text_ = true;
                l << q;
            }
            return l;
        }();
        return list;
    }
    QList<QList<qint32>> viaIndex(lc::db::Connection &conn)
    {
        QList<QList<qint32>> hits;
        for (const SearchIndex::Query &q : queries())
            hits << find(conn, q);
        return hits;
    }
    // Opens the collection's index in step, as the program does at connect.
    static bool prepared(lc::db::Connection &conn)
    {
        return SearchIndex::attach(conn) && SearchIndex::prepare(conn) &&
               SearchIndex::need(conn) == SearchIndex::Need::Nothing;
    }
    using Search = bool (*)(lc::db::Connection &, const SearchIndex::Query &,
                            const SearchIndex::Callbacks &, lc::db::Error *);
    QList<qint32> find(lc::db::Connection &conn, const SearchIndex::Query &query,
                       Search how = &SearchIndex::search)
    {
        QList<qint32> ids;
        SearchIndex::Callbacks callbacks;
        callbacks.hit = [&](const SearchIndex::Hit &hit) {
            ids << hit.id;
            return true;
        };
        if (!how(conn, query, callbacks, nullptr))
            ids << -1;
        return ids;
    }

private Q_SLOTS:
    void matchRule_data()
    {
        // fields: d description, s source, t text.
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("fields");
        QTest::addColumn<QList<qint32>>("expected");
        QTest::newRow("capitalised word") << "Dragon"
                                          << "ds" << QList<qint32>{1};
        QTest::newRow("lower case misses") << "dragon"
                                           << "ds" << QList<qint32>{};
        QTest::newRow("one-blank join") << "guide Fan"
                                        << "ds" << QList<qint32>{1};
        QTest::newRow("markup not matched") << "fs20"
                                            << "dst" << QList<qint32>{2};
        QTest::newRow("par only where said") << "par"
                                             << "dst" << QList<qint32>{2};
        QTest::newRow("code page text") << QString::fromUtf8("café") << "dst" << QList<qint32>{1};
        QTest::newRow("short query scans") << "Pa"
                                           << "ds" << QList<qint32>{3};
        QTest::newRow("fts syntax literal") << "\"NEAR AND -"
                                            << "dst" << QList<qint32>{};
        QTest::newRow("quotes literal") << "\"Fan\""
                                        << "ds" << QList<qint32>{};
        QTest::newRow("star literal") << "Fan*"
                                      << "ds" << QList<qint32>{};
        QTest::newRow("percent literal") << "%"
                                         << "dst" << QList<qint32>{};
        QTest::newRow("near literal") << "NEAR(Fan site)"
                                      << "ds" << QList<qint32>{};
        QTest::newRow("ten thousand characters")
            << QString(10000, u'a') << "dst" << QList<qint32>{};
        QTest::newRow("long phrase over fields")
            << QStringLiteral("guide Fan site caf") + QString::fromUtf8("é maps") << "dst"
            << QList<qint32>{1};
        QTest::newRow("long phrase, no hit")
            << QStringLiteral("guide Fan site ") + QString(100, u'x') << "dst" << QList<qint32>{};
        QTest::newRow("Cyrillic") << QString::fromUtf8("сев") << "dst" << QList<qint32>{3};
        QTest::newRow("source into text")
            << QString::fromUtf8("site café") << "dst" << QList<qint32>{1};
        QTest::newRow("description into text")
            << QString::fromUtf8("guide café") << "dt" << QList<qint32>{1};
        QTest::newRow("source into text only")
            << QString::fromUtf8("Magazine the") << "st" << QList<qint32>{2};
        QTest::newRow("short pieces over a join") << "te ca"
                                                  << "st" << QList<qint32>{1};
        QTest::newRow("short pieces, two fields") << "de Fa"
                                                  << "ds" << QList<qint32>{1};
        QTest::newRow("three fields") << "Magazine the par"
                                      << "dst" << QList<qint32>{2};
        QTest::newRow("not over an unticked field") << "codes the"
                                                    << "dt" << QList<qint32>{2};
        QTest::newRow("skipped field breaks the join") << "codes Magazine"
                                                       << "dt" << QList<qint32>{};
        // The short fields share one index column with the start of the text.
        QTest::newRow("source word, description asked") << "Magazine"
                                                        << "d" << QList<qint32>{};
        QTest::newRow("source word, source asked") << "Magazine"
                                                   << "s" << QList<qint32>{2};
        QTest::newRow("text start, short fields asked") << "maps"
                                                        << "ds" << QList<qint32>{};
        QTest::newRow("source into text, short fields asked") << "site caf"
                                                              << "ds" << QList<qint32>{};
    }
    void matchRule()
    {
        QFETCH(QString, text);
        QFETCH(QString, fields);
        QFETCH(QList<qint32>, expected);
        TestHome home;
        seed(home);
        lc::db::Connection conn;
        QVERIFY(conn.open(home.dbPath()));
        QVERIFY(SearchIndex::attach(conn));
        QVERIFY(SearchIndex::needsRebuild(conn));
        QVERIFY(SearchIndex::rebuild(conn));
        QVERIFY(!SearchIndex::needsRebuild(conn));
        SearchIndex::Query query;
        query.text = text;
        query.description = fields.contains(u'd');
        query.source = fields.contains(u's');
        query.text_ = fields.contains(u't');
        QCOMPARE(find(conn, query), expected);
    }

    void indexFollowsWrites()
    {
        TestHome home;
        seed(home);
        {
            lc::db::Connection conn;
            QVERIFY(conn.open(home.dbPath()));
            QVERIFY(SearchIndex::rebuild(conn));
            sqlite3_exec_helper(conn, "UPDATE file SET \"desc\" = 'Zelda notes' WHERE auto_id = 2;"
                                      "DELETE FROM file WHERE auto_id = 1;");
            QCOMPARE(SearchIndex::pending(conn), 2);
            QVERIFY(SearchIndex::refresh(conn));
            SearchIndex::Query query;
            query.text = QStringLiteral("Zelda");
            QCOMPARE(find(conn, query), QList<qint32>{2});
            query.text = QStringLiteral("Dragon");
            QCOMPARE(find(conn, query), QList<qint32>{});
        }
        // Another program adds a file while the index is closed: found on the next opening.
        home.sql(QStringLiteral("INSERT INTO file(game_id, sub_cat, \"desc\", src, txt_rtf) "
                                "VALUES(1, 1, 'Zelda map', '', '')"));
        lc::db::Connection conn;
        QVERIFY(conn.open(home.dbPath()));
        QVERIFY(SearchIndex::attach(conn));
        QVERIFY(SearchIndex::needsRebuild(conn));
    }

    // The files are read on a thread of their own while the index is written: a Cancel in the
    // middle stops both and keeps nothing half made; the next build reads every file in order.
    void rebuildCancelledThenWhole()
    {
        TestHome home;
        seed(home);
        home.sql(QStringLiteral(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1500) "
            "INSERT INTO file(game_id, sub_cat, \"desc\", src, txt_rtf) SELECT 1, 1, "
            "'Moved ' || i, '', '{\\rtf1 Zelda page ' || i || '\\par}' FROM n"));
        lc::db::Connection conn;
        QVERIFY(conn.open(home.dbPath()));
        QVERIFY(SearchIndex::attach(conn));
        int calls = 0;
        QVERIFY(!SearchIndex::rebuild(conn, [&](qint64 done, qint64 total) {
            ++calls;
            return done < 512 && done < total;
        }));
        QCOMPARE(calls, 2);
        QVERIFY(SearchIndex::needsRebuild(conn));
        qint64 last = 0;
        QVERIFY(SearchIndex::rebuild(conn, [&](qint64 done, qint64) {
            last = done;
            return true;
        }));
        QCOMPARE(last, 1503);
        QCOMPARE(viaIndex(conn), reference(conn));
    }

    // Ids spread wide enough that the index is looked up in parts at once, each part on a
    // connection of its own: every kind of match gives the rule's files, across the parts.
    void searchInParts()
    {
        TestHome home;
        seed(home);
        home.sql(QStringLiteral(
            "INSERT INTO file(auto_id, game_id, sub_cat, \"desc\", src, txt_rtf) VALUES"
            "(4000, 1, 1, 'Zelda maps', 'Fan site', '{\\rtf1 the par and caf\\''e9\\par}'),"
            "(9000, 1, 2, 'guide', 'Zelda', '{\\rtf1 Fan site notes\\par}'),"
            "(12000, 1, 3, 'Zelda guide', 'Magazine', '{\\rtf1 the old gate\\par}'),"
            "(20000, 1, 1, 'codes', 'Fan', '{\\rtf1 site Zelda\\par}')"));
        lc::db::Connection conn;
        QVERIFY(conn.open(home.dbPath()));
        QVERIFY(SearchIndex::rebuild(conn));
        SearchIndex::Query query;
        query.text = QStringLiteral("Zelda");
        query.text_ = true;
        QCOMPARE(find(conn, query), (QList<qint32>{4000, 9000, 12000, 20000}));
        for (const char *text : {"Zelda", "e", "Fa", "guide Fan", "Fan site", "Magazine the",
                                 "the old gate", "codes Fan site"})
            for (const char *fields : {"dst", "ds", "t", "d", "st"}) {
                query.text = QString::fromUtf8(text);
                query.description = strchr(fields, 'd');
                query.source = strchr(fields, 's');
                query.text_ = strchr(fields, 't');
                const QList<qint32> rule = find(conn, query, &SearchIndex::scan);
                QVERIFY2(find(conn, query) == rule, qPrintable(query.text + u' ' + fields));
            }
        // Hits enough that the listing reads the short fields in parts too; a stop asked by
        // the caller ends it after the hits already handed on, in order.
        home.sql(QStringLiteral(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 4500) "
            "INSERT INTO file(auto_id, game_id, sub_cat, \"desc\", src, txt_rtf) SELECT 3 * i + "
            "20000, 1, 1 + i % 3, 'Moved ' || i, 'Zelda', '{\\rtf1 Moved page\\par}' FROM n"));
        QVERIFY(SearchIndex::rebuild(conn));
        query.text = QStringLiteral("Moved");
        for (const char *fields : {"dst", "d", "s"}) {
            query.description = strchr(fields, 'd');
            query.source = strchr(fields, 's');
            query.text_ = strchr(fields, 't');
            const QList<qint32> rule = find(conn, query, &SearchIndex::scan);
            QCOMPARE(rule.size(), fields[0] == 's' ? 0 : 4500);
            QCOMPARE(find(conn, query), rule);
        }
        query.categories = {2, 3};
        QCOMPARE(find(conn, query), find(conn, query, &SearchIndex::scan));
        QList<qint32> first;
        SearchIndex::Callbacks callbacks;
        callbacks.hit = [&](const SearchIndex::Hit &hit) {
            first << hit.id;
            return first.size() < 10;
        };
        QVERIFY(SearchIndex::search(conn, query, callbacks));
        QCOMPARE(first, find(conn, query, &SearchIndex::scan).mid(0, 10));
    }

    // Every write path goes through the recordset's add, update and delete on the file table:
    // after each, the index gives what the rule gives on every file decoded anew.
    void indexEqualsReferenceAfterWrites()
    {
        TestHome home;
        seed(home);
        home.sql(
            QStringLiteral("INSERT INTO game(platform_id, genre_id, name) VALUES(1, 1, 'Other')"));
        lc::db::Connection conn;
        QVERIFY(conn.open(home.dbPath()));
        QVERIFY(prepared(conn));
        QCOMPARE(viaIndex(conn), reference(conn));
        const auto step = [&](const char *what,
                              const std::function<bool(lc::db::Recordset &)> &write,
                              const QString &where = QStringLiteral("auto_id = 2")) {
            lc::db::Recordset rs;
            QVERIFY2(rs.open(QStringLiteral("SELECT auto_id, game_id, sub_cat, src, desc, txt_rtf "
                                            "FROM file WHERE ") +
                                 where,
                             conn),
                     what);
            QVERIFY2(write(rs), what);
            QVERIFY2(SearchIndex::prepare(conn), what);
            QVERIFY2(viaIndex(conn) == reference(conn), what);
        };
        const auto addNew = [](const QString &desc, const QString &rtf) {
            return [=](lc::db::Recordset &rs) {
                return rs.addNew() && rs.setField(QStringLiteral("game_id"), 1) &&
                       rs.setField(QStringLiteral("sub_cat"), 2) &&
                       rs.setField(QStringLiteral("desc"), desc) &&
                       rs.setField(QStringLiteral("src"), QStringLiteral("Magazine")) &&
                       rs.setField(QStringLiteral("txt_rtf"), rtf) && rs.update();
            };
        };
        step("save", [](lc::db::Recordset &rs) {
            return rs.setField(QStringLiteral("txt_rtf"),
                               QStringLiteral("{\\rtf1\\ansi new text\\par}")) &&
                   rs.update();
        });
        step("new file", addNew(QStringLiteral("Zelda notes"), QStringLiteral("{\\rtf1 the map}")));
        step("copy",
             addNew(QStringLiteral("codes"), QStringLiteral("{\\rtf1\\ansi new text\\par}")));
        step("tree drop or page import",
             addNew(QStringLiteral("dropped"), QStringLiteral("plain dropped text")));
        step("move", [](lc::db::Recordset &rs) {
            return rs.setField(QStringLiteral("game_id"), 2) &&
                   rs.setField(QStringLiteral("desc"), QStringLiteral("Moved")) && rs.update();
        });
        step(
            "delete file", [](lc::db::Recordset &rs) { return rs.deleteCurrent(); },
            QStringLiteral("auto_id = 1"));
        step(
            "delete game",
            [](lc::db::Recordset &rs) {
                bool ok = true;
                for (rs.moveFirst(); ok && !rs.eof(); rs.moveFirst())
                    ok = rs.deleteCurrent();
                return ok;
            },
            QStringLiteral("game_id = 1"));

        // Another program writes while the collection is open: noticed before the next search.
        home.sql(QStringLiteral(
            "INSERT INTO file(game_id, sub_cat, \"desc\", src, txt_rtf) "
            "VALUES(2, 1, 'Zelda guide', 'ma', '');"
            "UPDATE file SET txt_rtf = '{\\rtf1 the other text}' WHERE \"desc\" = 'Moved'"));
        QCOMPARE(SearchIndex::need(conn), SearchIndex::Need::Check);
        QVERIFY(SearchIndex::prepare(conn));
        QCOMPARE(viaIndex(conn), reference(conn));
        conn.close();

        // ... and while it is closed: the text changes in place, the row count stays.
        home.sql(QStringLiteral("UPDATE file SET src = 'Zelda' WHERE \"desc\" = 'Moved'"));
        QVERIFY(conn.open(home.dbPath()));
        QVERIFY(SearchIndex::attach(conn));
        QCOMPARE(SearchIndex::need(conn), SearchIndex::Need::Check);
        QVERIFY(SearchIndex::prepare(conn));
        QCOMPARE(viaIndex(conn), reference(conn));
        conn.close();
        // Nobody wrote since the clean close: nothing to do.
        QVERIFY(conn.open(home.dbPath()));
        QVERIFY(SearchIndex::attach(conn));
        QCOMPARE(SearchIndex::need(conn), SearchIndex::Need::Nothing);
    }

    void damagedSideFileIsRebuilt_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("garbage") << QByteArray("\x00\xff not a database at all", 24).repeated(500);
        QTest::newRow("foreign database") << QByteArray();
    }
    void damagedSideFileIsRebuilt()
    {
        QFETCH(QByteArray, content);
        TestHome home;
        seed(home);
        const QString side = SearchIndex::sidePath(home.dbPath());
        if (content.isEmpty()) {
            sqlite3 *other = nullptr;
            sqlite3_open(side.toUtf8().constData(), &other);
            sqlite3_exec(other, "CREATE TABLE meta(x); CREATE TABLE doc(y);", nullptr, nullptr,
                         nullptr);
            sqlite3_close(other);
        } else {
            QFile f(side);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        lc::db::Connection conn;
        QVERIFY(conn.open(home.dbPath()));
        QVERIFY(SearchIndex::attach(conn));
        QCOMPARE(SearchIndex::need(conn), SearchIndex::Need::Rebuild);
        QVERIFY(SearchIndex::prepare(conn));
        QCOMPARE(viaIndex(conn), reference(conn));
    }

    // Where no side file can be made, the window scans the files instead: the same hits.
    void searchWithoutSideFile()
    {
        TestHome home;
        seed(home);
        QVERIFY(QDir().mkpath(SearchIndex::sidePath(home.dbPath()) + QStringLiteral("/taken")));
        lc::db::Connection conn;
        QVERIFY(conn.open(home.dbPath()));
        QVERIFY(!SearchIndex::attach(conn));
        QList<QList<qint32>> scanned;
        for (const SearchIndex::Query &q : queries())
            scanned << find(conn, q, &SearchIndex::scan);
        QCOMPARE(scanned, reference(conn));

        lc::search::frmFind form(conn);
        QStringList found;
        connect(&form, &lc::search::frmFind::AddSearch,
                [&](qint32, const QString &, const QString &, quint8, const QString &desc) {
                    found << desc;
                });
        form.chkFileField[3]->setChecked(true);
        form.cboFind->setCurrentText(QStringLiteral("caf\u00e9"));
        form.cmdFind_Click();
        QCOMPARE(found, QStringList{QStringLiteral("Dragon Quest guide")});
        QCOMPARE(home.ui().calls.last().text, QStringLiteral("Finished!"));
        QVERIFY(home.read(QStringLiteral("error.log")).contains("cmdFind_Click"));
    }

    // The real box for "Finished!" is wide enough for its title.
    void shortMessageBoxKeepsItsTitle()
    {
        lc::ui::RealUi real;
        int width = 0, needed = 0;
        QTimer::singleShot(0, [&] {
            if (QWidget *box = QApplication::activeModalWidget()) {
                width = box->width();
                needed = box->fontMetrics().horizontalAdvance(box->windowTitle());
                box->close();
            }
        });
        QCOMPARE(real.messageBox(QStringLiteral("Finished!"), QStringLiteral("Lorecase"),
                                 lc::ui::Buttons::Ok, lc::ui::Icon::Information),
                 lc::ui::Answer::Ok);
        QVERIFY(needed > 0);
        QVERIFY2(width >= needed + 100, qPrintable(QString::number(width)));
    }

    // A history file is only read, and only so much of it.
    void hugeOrBinaryHistory()
    {
        TestHome home;
        {
            QFile f(home.file(QStringLiteral("quickfind.log")));
            QVERIFY(f.open(QIODevice::WriteOnly));
            QByteArray binary(4096, 0);
            for (int i = 0; i < binary.size(); ++i)
                binary[i] = char((i * 37) % 256);
            f.write(binary);
            f.write("\nDragon\n");
            const QByteArray block(1 << 20, 'x');
            for (int i = 0; i < 100; ++i)
                f.write(block);
        }
        lc::db::Connection conn;
        QVERIFY(conn.open(home.dbPath()));
        lc::search::frmFind form(conn);
        QVERIFY(form.cboFind->count() > 0);
        QVERIFY(form.cboFind->count() <= 500);
        for (int i = 0; i < form.cboFind->count(); ++i)
            QVERIFY(form.cboFind->itemText(i).size() <= 1024);
        QVERIFY(form.cboFind->findText(QStringLiteral("Dragon")) >= 0);
        QVERIFY(form.cboFind->currentText().isEmpty());
    }

    // Cancel during a search stops it; the hits so far stay listed under their count.
    void cancelKeepsHits()
    {
        TestHome home;
        seed(home);
        home.sql(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                                "WHERE i < 600) INSERT INTO file(game_id, sub_cat, \"desc\", src, "
                                "txt_rtf) SELECT 1, 1, 'Dragon ' || i, '', '' FROM n"));
        lc::db::Connection conn;
        QVERIFY(conn.open(home.dbPath()));
        lc::search::frmFind form(conn);
        form.show();
        int added = 0;
        QString title;
        connect(&form, &lc::search::frmFind::AddSearch, [&] {
            if (++added == 250)
                form.cmdCancel->click();
        });
        connect(&form, &lc::search::frmFind::SearchTitle, [&](const QString &t) { title = t; });
        form.cboFind->setCurrentText(QStringLiteral("Dragon"));
        form.cmdFind_Click();
        QCOMPARE(added, 250);
        QCOMPARE(title, QStringLiteral("250 items found."));
        QVERIFY(form.isVisible());
        QVERIFY(home.ui().calls.isEmpty() ||
                home.ui().calls.last().text != QStringLiteral("Finished!"));
        QVERIFY(!form.prgSearch->isVisible());
    }

    void windowCallsInOrder()
    {
        TestHome home;
        seed(home);
        lc::db::Connection conn;
        QVERIFY(conn.open(home.dbPath()));
        lc::search::frmFind form(conn);
        QList<QString> calls;
        connect(&form, &lc::search::frmFind::ClearSearch, [&] { calls << "ClearSearch"; });
        connect(&form, &lc::search::frmFind::SelectTab,
                [&](int tab) { calls << QStringLiteral("SelectTab %1").arg(tab); });
        connect(&form, &lc::search::frmFind::AddSearch,
                [&](qint32 id, const QString &, const QString &, quint8, const QString &desc,
                    const QString &, const QString &column) {
                    calls << QStringLiteral("AddSearch %1 %2 %3").arg(id).arg(desc, column);
                });
        connect(&form, &lc::search::frmFind::SearchTitle, [&](const QString &t) { calls << t; });
        form.cboFind->setCurrentText(QStringLiteral(" Dragon "));
        form.cmdFind_Click();
        QCOMPARE(calls, (QList<QString>{"ClearSearch", "SelectTab 3",
                                        "AddSearch 1 Dragon Quest guide File", "1 item found."}));
        QCOMPARE(home.ui().calls.last().text, QStringLiteral("Finished!"));

        for (int i = 1; i <= 3; ++i)
            form.chkFileField[i]->setChecked(false);
        form.cmdFind_Click();
        QCOMPARE(home.ui().calls.last().text,
                 QStringLiteral("You don't have any fields selected!"));
        form.chkFileCat[1]->setChecked(false);
        form.close();
        QCOMPARE(lc::settings::GetSetting(QStringLiteral("Find"), QStringLiteral("chkFC1")),
                 QStringLiteral("0"));
    }

private:
    static void sqlite3_exec_helper(lc::db::Connection &conn, const char *sql);
};

void TestFindFiles::sqlite3_exec_helper(lc::db::Connection &conn, const char *sql)
{
    QCOMPARE(sqlite3_exec(conn.handle(), sql, nullptr, nullptr, nullptr), SQLITE_OK);
}

QTEST_MAIN(TestFindFiles)
#include "tst_findfiles.moc"
