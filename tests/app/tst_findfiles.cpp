#include "connection.h"
#include "frmFindFiles.h"
#include "rtf.h"
#include "searchindex.h"
#include "settings.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSignalSpy>
#include <QTest>

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
            "plain\\par}');"));
    }
    QList<qint32> find(lc::db::Connection &conn, const SearchIndex::Query &query)
    {
        QList<qint32> ids;
        SearchIndex::Callbacks callbacks;
        callbacks.hit = [&](const SearchIndex::Hit &hit) {
            ids << hit.id;
            return true;
        };
        if (!SearchIndex::search(conn, query, callbacks))
            ids << -1;
        return ids;
    }

private Q_SLOTS:
    void matchRule_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("textField");
        QTest::addColumn<QList<qint32>>("expected");
        QTest::newRow("capitalised word") << "Dragon" << false << QList<qint32>{1};
        QTest::newRow("lower case misses") << "dragon" << false << QList<qint32>{};
        QTest::newRow("one-blank join") << "guide Fan" << false << QList<qint32>{1};
        QTest::newRow("markup not matched") << "fs20" << true << QList<qint32>{2};
        QTest::newRow("par only where said") << "par" << true << QList<qint32>{2};
        QTest::newRow("code page text") << QString::fromUtf8("café") << true << QList<qint32>{1};
        QTest::newRow("short query scans") << "Pa" << false << QList<qint32>{3};
        QTest::newRow("fts syntax literal") << "\"NEAR AND -" << true << QList<qint32>{};
    }
    void matchRule()
    {
        QFETCH(QString, text);
        QFETCH(bool, textField);
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
        query.text_ = textField;
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

#include <sqlite3.h>

void TestFindFiles::sqlite3_exec_helper(lc::db::Connection &conn, const char *sql)
{
    QCOMPARE(sqlite3_exec(conn.handle(), sql, nullptr, nullptr, nullptr), SQLITE_OK);
}

QTEST_MAIN(TestFindFiles)
#include "tst_findfiles.moc"
