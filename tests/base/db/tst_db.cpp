#include "connection.h"
#include "recordset.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>

using namespace lc::db;

namespace {

const char *const kSchema =
    "CREATE TABLE platform(auto_id INTEGER PRIMARY KEY, cat INTEGER, brand TEXT, name TEXT,"
    " in_use INTEGER);"
    "CREATE TABLE game(auto_id INTEGER PRIMARY KEY AUTOINCREMENT, platform_id INTEGER,"
    " genre_id INTEGER, name TEXT, notes TEXT);"
    "CREATE TABLE file(auto_id INTEGER PRIMARY KEY AUTOINCREMENT, game_id INTEGER,"
    " sub_cat INTEGER, src TEXT, \"desc\" TEXT, txt_rtf TEXT);"
    "CREATE TABLE bookmarks(auto_id INTEGER PRIMARY KEY AUTOINCREMENT, tree_key TEXT, game TEXT,"
    " file TEXT, platform TEXT, sub_cat INTEGER, genre INTEGER);"
    "CREATE TABLE favorites(auto_id INTEGER PRIMARY KEY AUTOINCREMENT, url TEXT, title TEXT,"
    " \"desc\" TEXT);";

// Six platforms chosen to exercise the comparisons: a brand in two cases, in_use as 1, 0,
// -1 and NULL, a fractional cat, a quote in a name and non-ASCII text.
const char *const kRows =
    "INSERT INTO platform VALUES(1, 1, 'Nintendo', 'Game Boy', 1);"
    "INSERT INTO platform VALUES(2, 1, 'nintendo', 'N64', 0);"
    "INSERT INTO platform VALUES(3, 2, 'Sega', 'Saturn', -1);"
    "INSERT INTO platform VALUES(4, 2, 'Sega', 'Dreamcast', NULL);"
    "INSERT INTO platform VALUES(5, 3, 'Sony', 'O''Brien''s PS', 1);"
    "INSERT INTO platform VALUES(6, 2.5, 'ÉCLAIR', 'éclair', 0);"
    "INSERT INTO game(platform_id, genre_id, name) VALUES(1, 1, 'Alpha'), (1, 2, 'Beta'),"
    " (3, 1, 'Gamma'), (5, NULL, 'Delta');"
    "INSERT INTO file(game_id, sub_cat, src, \"desc\") VALUES(1, 1, 'a', 'first'),"
    " (1, 2, 'b', 'second'), (2, 1, 'c', 'third');";

// Raw access, so the tests check the file itself rather than the layer under test.
class RawDb {
public:
    explicit RawDb(const QString &path)
    {
        sqlite3_open_v2(path.toUtf8().constData(), &m_db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        // Test files need no crash safety; syncing each write would dominate the run time.
        exec(QStringLiteral("PRAGMA synchronous = OFF"));
    }
    ~RawDb() { sqlite3_close_v2(m_db); }
    bool exec(const QString &sql)
    {
        return sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    QVariant scalar(const QString &sql)
    {
        sqlite3_stmt *st = nullptr;
        QVariant v;
        sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &st, nullptr);
        if (sqlite3_step(st) == SQLITE_ROW) {
            if (sqlite3_column_type(st, 0) == SQLITE_TEXT)
                v = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
            else if (sqlite3_column_type(st, 0) != SQLITE_NULL)
                v = sqlite3_column_int64(st, 0);
        }
        sqlite3_finalize(st);
        return v;
    }
    sqlite3 *handle() const { return m_db; }

private:
    sqlite3 *m_db = nullptr;
};

QList<qint64> ids(Recordset &rs)
{
    QList<qint64> out;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        out << rs.field(QStringLiteral("auto_id")).toLongLong();
    return out;
}

} // namespace

class TestDb : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_made = 0;

    QString makeDb(bool withRows = true)
    {
        const QString path = m_dir.filePath(QStringLiteral("db%1.db").arg(++m_made));
        RawDb raw(path);
        raw.exec(QStringLiteral("BEGIN"));
        raw.exec(QString::fromUtf8(kSchema));
        if (withRows)
            raw.exec(QString::fromUtf8(kRows));
        raw.exec(QStringLiteral("COMMIT"));
        return path;
    }

private Q_SLOTS:
    void connectionOpensOnlyUsableDatabases_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("error");
        QTest::newRow("missing") << "missing" << int(ErrInvalidConnection);
        QTest::newRow("folder") << "folder" << int(ErrInvalidConnection);
        QTest::newRow("random bytes") << "garbage" << int(ErrDatabase);
        QTest::newRow("text") << "text" << int(ErrDatabase);
        QTest::newRow("truncated") << "truncated" << int(ErrDatabase);
        QTest::newRow("empty") << "empty" << int(ErrDatabase);
        QTest::newRow("good") << "good" << int(ErrNone);
    }
    void connectionOpensOnlyUsableDatabases()
    {
        QFETCH(QString, kind);
        QFETCH(int, error);
        QString path = m_dir.filePath(kind + QString::number(++m_made));
        if (kind == QLatin1String("folder")) {
            QDir().mkpath(path);
        } else if (kind == QLatin1String("garbage") || kind == QLatin1String("text") ||
                   kind == QLatin1String("empty")) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QByteArray bytes;
            QRandomGenerator rng(3);
            if (kind == QLatin1String("garbage"))
                for (int i = 0; i < 8192; ++i)
                    bytes.append(char(rng.bounded(256)));
            if (kind == QLatin1String("text"))
                bytes = "This is a note, not a database.\n";
            f.write(bytes);
        } else if (kind == QLatin1String("truncated") || kind == QLatin1String("good")) {
            path = makeDb();
            RawDb raw(path);
            raw.exec(QStringLiteral("CREATE TABLE filler(x TEXT); WITH RECURSIVE n(i) AS (SELECT 1 "
                                    "UNION ALL SELECT i + 1 FROM n WHERE i < 200) INSERT INTO "
                                    "filler SELECT hex(randomblob(500)) FROM n"));
            if (kind == QLatin1String("truncated"))
                QVERIFY(QFile::resize(path, QFileInfo(path).size() / 2));
        }

        Connection conn;
        QCOMPARE(conn.open(path), error == ErrNone);
        QCOMPARE(conn.isOpen(), error == ErrNone);
        QCOMPARE(conn.lastError().number, error);
        if (error != ErrNone)
            QVERIFY(!conn.lastError().description.isEmpty());
        if (kind == QLatin1String("missing"))
            QVERIFY(!QFileInfo::exists(path));
        if (kind == QLatin1String("empty")) // refused without a byte written to it
            QCOMPARE(QFileInfo(path).size(), 0);
        if (kind == QLatin1String("good")) {
            QVERIFY(conn.hasTables({QStringLiteral("platform"), QStringLiteral("GAME")}));
            QVERIFY(!conn.hasTables({QStringLiteral("game"), QStringLiteral("nope")}));
            RawDb raw(path);
            QCOMPARE(raw.scalar(QStringLiteral("PRAGMA journal_mode")).toString(),
                     QStringLiteral("wal"));
        }
    }

    void connectionRefusesALockedDatabaseQuickly()
    {
        const QString path = makeDb();
        RawDb holder(path);
        QVERIFY(holder.exec(QStringLiteral("BEGIN EXCLUSIVE")));
        QVERIFY(holder.exec(QStringLiteral("UPDATE game SET notes = 'x'")));
        Connection conn;
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!conn.open(path));
        QVERIFY(timer.elapsed() < 3000);
        QCOMPARE(conn.lastError().number, int(ErrDatabase));
        QVERIFY(conn.lastError().description.contains(QStringLiteral("locked")));
        holder.exec(QStringLiteral("ROLLBACK"));
        QVERIFY(conn.open(path));
    }

    void connectionMovesWithItsRecordsets()
    {
        Connection first;
        QVERIFY(first.open(makeDb()));
        Recordset rs;
        QVERIFY(rs.open(QStringLiteral("SELECT name FROM game"), first));
        Connection second(std::move(first));
        QVERIFY(!first.isOpen());
        QVERIFY(second.isOpen());
        QVERIFY(rs.setField(QStringLiteral("name"), QStringLiteral("Moved")));
        QVERIFY(rs.update());
        second.close();
        // Data already loaded stays readable; writing needs the connection.
        QCOMPARE(rs.field(QStringLiteral("name")).toString(), QStringLiteral("Moved"));
        QVERIFY(rs.setField(QStringLiteral("name"), QStringLiteral("Lost")));
        QVERIFY(!rs.update());
        QCOMPARE(rs.lastError().number, int(ErrInvalidConnection));
        Recordset other;
        QVERIFY(!other.open(QStringLiteral("SELECT name FROM game"), second));
        QCOMPARE(other.lastError().number, int(ErrInvalidConnection));
    }

    void statementsAccepted_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<int>("rows");
        QTest::newRow("plain") << "SELECT auto_id, brand FROM platform"
                               << QStringList{"auto_id", "brand"} << 6;
        QTest::newRow("spaces and case") << "  select\tauto_id ,brand\n   FrOm  platform  "
                                         << QStringList{"auto_id", "brand"} << 6;
        QTest::newRow("column case") << "SELECT Platform_id FROM Game WHERE Platform_id = 1"
                                     << QStringList{"Platform_id"} << 2;
        QTest::newRow("reserved word column")
            << "SELECT desc, src FROM file WHERE desc = 'THIRD'" << QStringList{"desc", "src"} << 1;
        QTest::newRow("escaped quote") << "SELECT name FROM platform WHERE name = 'o''brien''s ps'"
                                       << QStringList{"name"} << 1;
        QTest::newRow("no spaces") << "SELECT auto_id FROM game WHERE platform_id=1And genre_id=2"
                                   << QStringList{"auto_id"} << 1;
    }
    void statementsAccepted()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, fields);
        QFETCH(int, rows);
        Connection conn;
        QVERIFY(conn.open(makeDb()));
        Recordset rs;
        QVERIFY2(rs.open(text, conn), qPrintable(rs.lastError().description));
        QCOMPARE(rs.recordCount(), rows);
        QCOMPARE(rs.fieldCount(), fields.size());
        for (int i = 0; i < fields.size(); ++i)
            QCOMPARE(rs.fieldName(i).toLower(), fields[i].toLower());
        QVERIFY(rs.sqlText().contains(QStringLiteral("rowid")));
    }

    void statementsRefused_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("error");
        const int bad = ErrInvalidArgument;
        QTest::newRow("empty") << "" << bad;
        QTest::newRow("select only") << "SELECT" << bad;
        QTest::newRow("star") << "SELECT * FROM game" << bad;
        QTest::newRow("semicolon") << "SELECT name FROM game;" << bad;
        QTest::newRow("second statement") << "SELECT name FROM game; DROP TABLE game" << bad;
        QTest::newRow("order by") << "SELECT name FROM game ORDER BY name" << bad;
        QTest::newRow("two tables") << "SELECT name FROM game, platform" << bad;
        QTest::newRow("join") << "SELECT name FROM game JOIN platform" << bad;
        QTest::newRow("unterminated") << "SELECT name FROM game WHERE name = 'abc" << bad;
        QTest::newRow("update") << "UPDATE game SET name = 'x'" << bad;
        QTest::newRow("dangling comma") << "SELECT name, FROM game" << bad;
        QTest::newRow("empty where") << "SELECT name FROM game WHERE" << bad;
        QTest::newRow("open paren") << "SELECT name FROM game WHERE (name = 'a'" << bad;
        QTest::newRow("double quotes") << "SELECT name FROM game WHERE name = \"x\"" << bad;
        QTest::newRow("like") << "SELECT name FROM game WHERE name LIKE 'a%'" << bad;
        QTest::newRow("keyword column") << "SELECT from FROM game" << bad;
        QTest::newRow("column twice") << "SELECT name, NAME FROM game" << bad;
        QTest::newRow("value first") << "SELECT name FROM game WHERE 1 = platform_id" << bad;
        QTest::newRow("ordered boolean") << "SELECT name FROM game WHERE genre_id < True" << bad;
        QTest::newRow("too deep") << "SELECT name FROM game WHERE " + QString(200, u'(') +
                                         "genre_id = 1" + QString(200, u')')
                                  << bad;
        QTest::newRow("unknown column") << "SELECT nope FROM game" << int(ErrDatabase);
        QTest::newRow("unknown table") << "SELECT name FROM nope" << int(ErrDatabase);
    }
    void statementsRefused()
    {
        QFETCH(QString, text);
        QFETCH(int, error);
        const QString path = makeDb();
        Connection conn;
        QVERIFY(conn.open(path));
        Recordset rs;
        QVERIFY(!rs.open(text, conn));
        QVERIFY(!rs.isOpen());
        QCOMPARE(rs.lastError().number, error);
        QVERIFY(!rs.lastError().description.isEmpty());
        QCOMPARE(RawDb(path).scalar(QStringLiteral("SELECT count(*) FROM game")).toInt(), 4);
    }

    void statementTextIsNeverSpliced()
    {
        Connection conn;
        QVERIFY(conn.open(makeDb()));
        Recordset rs;
        QVERIFY(rs.open(QStringLiteral("SELECT auto_id, brand FROM platform WHERE cat = 2 And "
                                       "in_use = True"),
                        conn));
        QCOMPARE(rs.sqlText(),
                 QStringLiteral("SELECT rowid AS \"auto_id\", \"brand\" FROM "
                                "\"platform\" WHERE (\"cat\" = ? AND \"in_use\" <> ?)"));
        QCOMPARE(ids(rs), QList<qint64>{3});
        QVERIFY(
            rs.open(QStringLiteral("SELECT name FROM game WHERE name = 'x'' Or 1=1 --'"), conn));
        QCOMPARE(rs.recordCount(), 0);
        QVERIFY(!rs.sqlText().contains(QStringLiteral("1=1")));
    }

    // Edits address rows by row id whether or not the statement names the key column.
    void rowIdIsAlwaysSelected_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("keySelected");
        QTest::newRow("key selected") << "SELECT auto_id, x FROM t1" << true;
        QTest::newRow("key not selected") << "SELECT x FROM t1" << false;
        // An INTEGER PRIMARY KEY DESC is an ordinary column, not the row id.
        QTest::newRow("descending key") << "SELECT auto_id, x FROM t2" << false;
    }
    void rowIdIsAlwaysSelected()
    {
        QFETCH(QString, text);
        QFETCH(bool, keySelected);
        const QString path = makeDb(false);
        RawDb raw(path);
        raw.exec(
            QStringLiteral("CREATE TABLE t1(auto_id INTEGER PRIMARY KEY, x TEXT);"
                           "CREATE TABLE t2(auto_id INTEGER PRIMARY KEY DESC, x TEXT);"
                           "INSERT INTO t1 VALUES (10, 'a'), (20, 'b');"
                           "INSERT INTO t2(rowid, auto_id, x) VALUES (1, 10, 'a'), (2, 20, 'b');"));
        Connection conn;
        QVERIFY(conn.open(path));
        Recordset rs;
        QVERIFY(rs.open(text, conn));
        QCOMPARE(rs.sqlText().contains(QStringLiteral("rowid AS \"auto_id\"")), keySelected);
        QCOMPARE(rs.sqlText().endsWith(QStringLiteral(", rowid FROM \"t1\"")) ||
                     rs.sqlText().endsWith(QStringLiteral(", rowid FROM \"t2\"")),
                 !keySelected);
        rs.moveLast();
        if (rs.fieldCount() == 2)
            QCOMPARE(rs.field(0).toInt(), 20);
        QVERIFY(rs.setField(QStringLiteral("x"), QStringLiteral("changed")));
        QVERIFY(rs.update());
        QVERIFY(rs.deleteCurrent());
        rs.moveFirst();
        QVERIFY(rs.setField(QStringLiteral("x"), QStringLiteral("kept")));
        QVERIFY(rs.update());
        const QString table = text.right(2);
        QCOMPARE(raw.scalar(QStringLiteral("SELECT group_concat(x) FROM ") + table).toString(),
                 QStringLiteral("kept"));
    }

    // The same expression through WHERE, setFilter and count must pick the same rows.
    void expressions_data()
    {
        QTest::addColumn<QString>("expr");
        QTest::addColumn<QList<qint64>>("expected");
        using L = QList<qint64>;
        QTest::newRow("equal") << "cat = 1" << L{1, 2};
        QTest::newRow("no spaces") << "cat=1" << L{1, 2};
        QTest::newRow("space before") << "CAT =1" << L{1, 2};
        QTest::newRow("text any case") << "brand = 'NINTENDO'" << L{1, 2};
        QTest::newRow("text not equal") << "brand <> 'sega'" << L{1, 2, 5, 6};
        QTest::newRow("non-ASCII case") << "brand = 'éclair'" << L{6};
        QTest::newRow("text order") << "name > 'm'" << L{2, 3, 5, 6};
        QTest::newRow("escaped quote") << "name = 'O''Brien''s PS'" << L{5};
        QTest::newRow("true is nonzero") << "in_use = True" << L{1, 3, 5};
        QTest::newRow("false is zero") << "in_use = false" << L{2, 6};
        QTest::newRow("not true skips null") << "in_use <> True" << L{2, 6};
        QTest::newRow("not of unknown") << "Not in_use = True" << L{2, 6};
        QTest::newRow("is null") << "in_use Is Null" << L{4};
        QTest::newRow("equals null") << "in_use = Null" << L{4};
        QTest::newRow("is not null") << "in_use <> Null" << L{1, 2, 3, 5, 6};
        QTest::newRow("and binds tighter") << "cat = 1 Or cat = 2 And in_use = True" << L{1, 2, 3};
        QTest::newRow("parentheses") << "(cat = 1 Or cat = 2) And in_use = True" << L{1, 3};
        QTest::newRow("range with decimal") << "cat > 1 And cat <= 2.5" << L{3, 4, 6};
        QTest::newRow("negative") << "cat >= -1 And cat < 2" << L{1, 2};
        QTest::newRow("decimal equal") << "cat = 2.5" << L{6};
        QTest::newRow("numeric text") << "cat = '1'" << L{1, 2};
        QTest::newRow("not of or") << "Not (brand = 'Sega' Or brand = 'Sony')" << L{1, 2, 6};
        QTest::newRow("double not") << "not NOT cat = 3" << L{5};
        QTest::newRow("text and truth") << "brand = 'sega' And in_use = True" << L{3};
        QTest::newRow("keyword case") << "Cat = 1 aNd BRAND = 'nintendo'" << L{1, 2};
        QTest::newRow("nothing") << "auto_id = 99" << L{};
    }
    void expressions()
    {
        QFETCH(QString, expr);
        QFETCH(QList<qint64>, expected);
        Connection conn;
        QVERIFY(conn.open(makeDb()));
        const QString select =
            QStringLiteral("SELECT auto_id, cat, brand, name, in_use FROM platform");
        Recordset where;
        QVERIFY2(where.open(select + QStringLiteral(" WHERE ") + expr, conn),
                 qPrintable(where.lastError().description));
        QCOMPARE(ids(where), expected);

        Recordset all;
        QVERIFY(all.open(select, conn));
        QCOMPARE(all.count(expr), expected.size());
        QCOMPARE(all.recordCount(), 6);
        QVERIFY2(all.setFilter(expr), qPrintable(all.lastError().description));
        QCOMPARE(all.recordCount(), expected.size());
        QCOMPARE(ids(all), expected);
        // Asked twice, an equality shape is answered from its index: same rows.
        QCOMPARE(all.count(expr), expected.size());
    }

    void filterErrorsKeepTheFilter()
    {
        Connection conn;
        QVERIFY(conn.open(makeDb()));
        Recordset rs;
        QVERIFY(rs.open(QStringLiteral("SELECT auto_id, cat FROM platform"), conn));
        QVERIFY(rs.setFilter(QStringLiteral("cat = 2")));
        for (const char *bad : {"cat = ", "cat = 'x", "cat ; 1", "cat = 1 junk", "= 1"}) {
            QVERIFY(!rs.setFilter(QString::fromLatin1(bad)));
            QCOMPARE(rs.lastError().number, int(ErrInvalidArgument));
            QCOMPARE(rs.count(QString::fromLatin1(bad)), 0);
        }
        QVERIFY(!rs.setFilter(QStringLiteral("brand = 'Sega'"))); // not a selected field
        QCOMPARE(rs.lastError().number, int(ErrItemNotFound));
        QCOMPARE(rs.filter(), QStringLiteral("cat = 2"));
        QCOMPARE(rs.recordCount(), 2);
        QVERIFY(rs.setFilter(QString()));
        QCOMPARE(rs.recordCount(), 6);
    }

    void countsLeaveFilterAndPosition()
    {
        Connection conn;
        QVERIFY(conn.open(makeDb()));
        Recordset rs;
        QVERIFY(rs.open(QStringLiteral("SELECT auto_id, platform_id FROM game"), conn));
        rs.moveNext();
        QCOMPARE(rs.count(QStringLiteral("platform_id = 999")), 0);
        QCOMPARE(rs.count(QStringLiteral("platform_id = 1")), 2);
        // The quick reading of "column = number" agrees with the full one.
        QCOMPARE(rs.count(QStringLiteral("  PLATFORM_ID=1 ")), 2);
        QCOMPARE(rs.count(QStringLiteral("platform_id = -1")), 0);
        QCOMPARE(rs.count(QStringLiteral("no_such = 1")), 0);
        QCOMPARE(rs.lastError().number, int(ErrItemNotFound));
        QCOMPARE(rs.recordCount(), 4);
        QCOMPARE(rs.position(), 1);
        QVERIFY(rs.filter().isEmpty());

        // A count is what the filter would show, whatever filter is applied now.
        QVERIFY(rs.setFilter(QStringLiteral("platform_id = 3")));
        QCOMPARE(rs.count(QStringLiteral("platform_id = 1")), 2);
        QCOMPARE(rs.count(QString()), 4);
        QCOMPARE(rs.recordCount(), 1);
        // The rows of a value first only counted.
        QVERIFY(rs.setFilter(QStringLiteral("platform_id = 1")));
        QCOMPARE(rs.recordCount(), 2);
        QCOMPARE(rs.field(QStringLiteral("platform_id")).toInt(), 1);

        QVERIFY(rs.setFilter(QStringLiteral("platform_id = 999")));
        QVERIFY(rs.bof() && rs.eof());
        QCOMPARE(rs.recordCount(), 0);
        QVERIFY(rs.setFilter(QString()));
        QCOMPARE(rs.recordCount(), 4);
        QCOMPARE(rs.position(), 0);
    }

    // Index answers must match a scan, also after rows change under an existing index.
    void indexedAndScannedCountsAgree()
    {
        const QString path = makeDb(false);
        {
            RawDb raw(path);
            raw.exec(QStringLiteral("BEGIN"));
            QRandomGenerator rng(7);
            const QStringList names{"alpha", "ALPHA", "Beta", "beta ", "10", "gamma"};
            for (int i = 0; i < 3000; ++i) {
                const int genre = int(rng.bounded(9));
                raw.exec(QStringLiteral("INSERT INTO game(platform_id, genre_id, name) "
                                        "VALUES(%1, %2, '%3')")
                             .arg(rng.bounded(20))
                             .arg(genre ? QString::number(genre) : QStringLiteral("NULL"))
                             .arg(names[int(rng.bounded(int(names.size())))]));
            }
            raw.exec(QStringLiteral("COMMIT"));
        }
        Connection conn;
        QVERIFY(conn.open(path));
        Recordset rs;
        QVERIFY(
            rs.open(QStringLiteral("SELECT auto_id, platform_id, genre_id, name FROM game"), conn));
        const QStringList exprs{"platform_id = %1",
                                "genre_id = %2 And platform_id = %1",
                                "name = 'ALPHA' And genre_id = %2",
                                "name = '%1'",
                                "platform_id = '%1'",
                                "genre_id = True And platform_id = %1"};
        auto check = [&] {
            for (int p = 0; p < 20; ++p) {
                for (const QString &shape : exprs) {
                    const QString e = QString(shape)
                                          .replace(QStringLiteral("%1"), QString::number(p))
                                          .replace(QStringLiteral("%2"), QString::number(p % 9));
                    const int indexed = rs.count(e);
                    Recordset::setFilterIndexingForBenchmarks(false);
                    const int scanned = rs.count(e);
                    Recordset::setFilterIndexingForBenchmarks(true);
                    QCOMPARE(indexed, scanned);
                    QVERIFY(rs.setFilter(e));
                    QCOMPARE(rs.recordCount(), indexed);
                }
            }
        };
        check();
        QVERIFY(rs.setFilter(QStringLiteral("platform_id = 4")));
        const int before = rs.count(QStringLiteral("platform_id = 5"));
        QVERIFY(rs.setField(QStringLiteral("platform_id"), 5));
        QVERIFY(rs.setField(QStringLiteral("name"), QStringLiteral("Alpha")));
        QVERIFY(rs.update());
        QCOMPARE(rs.count(QStringLiteral("platform_id = 5")), before + 1);
        rs.moveNext();
        QVERIFY(rs.deleteCurrent());
        QVERIFY(rs.addNew());
        QVERIFY(rs.setField(QStringLiteral("platform_id"), 5));
        QVERIFY(rs.update());
        QCOMPARE(rs.count(QStringLiteral("platform_id = 5")), before + 2);
        check();
    }

    // Counts by value take a flat table when a column holds only small integers close
    // together; any other column must give the same answers the general way.
    void countsAgreeWhateverTheValues()
    {
        const QString path = makeDb(false);
        {
            RawDb raw(path);
            raw.exec(QStringLiteral("BEGIN"));
            raw.exec(QStringLiteral("CREATE TABLE t(auto_id INTEGER PRIMARY KEY, a INTEGER, "
                                    "b INTEGER, c INTEGER)"));
            // a: close small integers, negatives and NULLs; b: the same but one far value;
            // c: the same but one real and one text.
            for (int i = 0; i < 600; ++i)
                raw.exec(QStringLiteral("INSERT INTO t(a, b, c) VALUES(%1, %2, %3)")
                             .arg(i % 5 == 0 ? QStringLiteral("NULL") : QString::number(i % 9 - 4))
                             .arg(i == 300 ? QStringLiteral("2000000000") : QString::number(i % 9))
                             .arg(i == 10   ? QStringLiteral("2.5")
                                  : i == 11 ? QStringLiteral("'x'")
                                            : QString::number(i % 9)));
            raw.exec(QStringLiteral("COMMIT"));
        }
        Connection conn;
        QVERIFY(conn.open(path));
        Recordset rs;
        QVERIFY(rs.open(QStringLiteral("SELECT a, b, c FROM t"), conn));
        const auto agree = [&](const QString &e) {
            const int indexed = rs.count(e);
            Recordset::setFilterIndexingForBenchmarks(false);
            const int scanned = rs.count(e);
            Recordset::setFilterIndexingForBenchmarks(true);
            return indexed == scanned ? indexed : -1000 - indexed;
        };
        for (const char *column : {"a", "b", "c"})
            for (const QString &k :
                 {QStringLiteral("-4"), QStringLiteral("-5"), QStringLiteral("0"),
                  QStringLiteral("3"), QStringLiteral("'3'"), QStringLiteral("3.0"),
                  QStringLiteral("2.5"), QStringLiteral("9"), QStringLiteral("2000000000")}) {
                const QString e = QString::fromLatin1(column) + QStringLiteral(" = ") + k;
                QVERIFY2(agree(e) >= 0, qPrintable(e));
            }
        QCOMPARE(rs.count(QStringLiteral("a = -4")), 53);
        QCOMPARE(rs.count(QStringLiteral("b = 2000000000")), 1);
        QCOMPARE(rs.count(QStringLiteral("c = 2.5")), 1);
        // A row changed or deleted is counted afresh.
        QVERIFY(rs.setField(QStringLiteral("a"), -4));
        QVERIFY(rs.update());
        QCOMPARE(rs.count(QStringLiteral("a = -4")), 54);
        QVERIFY(rs.deleteCurrent());
        QCOMPARE(rs.count(QStringLiteral("a = -4")), 53);
    }

    // A read-only recordset (a counter's) reads and counts like any other and refuses
    // every write, leaving the table as it was.
    void readOnlyRecordsetRefusesWrites()
    {
        const QString path = makeDb();
        Connection conn;
        QVERIFY(conn.open(path));
        Recordset rs;
        QVERIFY(
            rs.open(QStringLiteral("SELECT game_id FROM file"), conn, Recordset::Lock::ReadOnly));
        QVERIFY(!rs.sqlText().contains(QStringLiteral("rowid")));
        QCOMPARE(rs.recordCount(), 3);
        QCOMPARE(rs.count(QStringLiteral("game_id = 1")), 2);
        QVERIFY(rs.setFilter(QStringLiteral("game_id = 2")));
        QCOMPARE(rs.field(QStringLiteral("game_id")).toInt(), 2);
        QVERIFY(!rs.addNew());
        QCOMPARE(rs.lastError().number, int(ErrNotAllowed));
        QVERIFY(!rs.editing());
        QVERIFY(!rs.setField(QStringLiteral("game_id"), 5));
        QVERIFY(!rs.deleteCurrent());
        QCOMPARE(rs.lastError().number, int(ErrNotAllowed));
        QCOMPARE(rs.field(QStringLiteral("game_id")).toInt(), 2);
        QVERIFY(rs.requery());
        QCOMPARE(rs.recordCount(), 1);
        QCOMPARE(RawDb(path).scalar(QStringLiteral("SELECT sum(game_id) FROM file")).toInt(), 4);
    }

    // Equality finds use the filter index; the answers must not depend on it.
    void findSearchesForwardInclusive_data()
    {
        QTest::addColumn<bool>("indexed");
        QTest::newRow("indexed") << true;
        QTest::newRow("scanned") << false;
    }
    void findSearchesForwardInclusive()
    {
        QFETCH(bool, indexed);
        Recordset::setFilterIndexingForBenchmarks(indexed);
        const auto restore = qScopeGuard([] { Recordset::setFilterIndexingForBenchmarks(true); });
        Connection conn;
        QVERIFY(conn.open(makeDb()));
        Recordset rs;
        QVERIFY(rs.open(QStringLiteral("SELECT auto_id, brand, cat FROM platform"), conn));
        QVERIFY(rs.find(QStringLiteral("brand = 'nintendo'")));
        QCOMPARE(rs.position(), 0);
        QVERIFY(rs.find(QStringLiteral("brand = 'nintendo'"))); // inclusive: stays
        QCOMPARE(rs.position(), 0);
        rs.moveNext();
        QVERIFY(rs.find(QStringLiteral("brand = 'NINTENDO'")));
        QCOMPARE(rs.field(QStringLiteral("auto_id")).toInt(), 2);
        rs.moveNext();
        QVERIFY(!rs.find(QStringLiteral("brand = 'nintendo'")));
        QVERIFY(rs.eof());
        rs.moveFirst();
        QVERIFY(!rs.find(QStringLiteral("brand = ")));
        QCOMPARE(rs.lastError().number, int(ErrInvalidArgument));
        QCOMPARE(rs.position(), 0);

        // Only rows the filter shows are found, and a deleted row is skipped.
        QVERIFY(rs.setFilter(QStringLiteral("cat >= 2")));
        QVERIFY(rs.find(QStringLiteral("brand = 'Sega'")));
        QCOMPARE(rs.field(QStringLiteral("auto_id")).toInt(), 3);
        QVERIFY(rs.deleteCurrent());
        QVERIFY(rs.find(QStringLiteral("brand = 'Sega'")));
        QCOMPARE(rs.field(QStringLiteral("auto_id")).toInt(), 4);
        QCOMPARE(rs.position(), 0);
        QVERIFY(rs.find(QStringLiteral("brand = 'sony'")));
        QCOMPARE(rs.position(), 1);
        QVERIFY(!rs.find(QStringLiteral("brand = 'Nintendo'")));
        QVERIFY(rs.eof());
    }

    void navigation()
    {
        Connection conn;
        QVERIFY(conn.open(makeDb()));
        Recordset rs;
        QVERIFY(rs.open(QStringLiteral("SELECT auto_id FROM game WHERE genre_id = 1"), conn));
        QVERIFY(!rs.bof() && !rs.eof());
        QCOMPARE(rs.position(), 0);
        rs.moveNext();
        rs.moveNext();
        QVERIFY(rs.eof());
        QCOMPARE(rs.position(), -1);
        rs.moveNext();
        QCOMPARE(rs.lastError().number, int(ErrNoCurrentRecord));
        rs.movePrevious();
        QCOMPARE(rs.field(QStringLiteral("auto_id")).toInt(), 3);
        rs.movePrevious();
        rs.movePrevious();
        QVERIFY(rs.bof() && !rs.eof());
        rs.moveLast();
        QCOMPARE(rs.position(), 1);

        QVERIFY(rs.open(QStringLiteral("SELECT auto_id FROM game WHERE genre_id = 99"), conn));
        QVERIFY(rs.bof() && rs.eof());
        QCOMPARE(rs.recordCount(), 0);
        rs.moveLast();
        rs.moveFirst();
        QVERIFY(rs.bof() && rs.eof());
        rs.moveNext();
        QCOMPARE(rs.lastError().number, int(ErrNoCurrentRecord));
        QVERIFY(rs.field(QStringLiteral("auto_id")).isNull());
        QCOMPARE(rs.lastError().number, int(ErrNoCurrentRecord));
        QVERIFY(!rs.setField(QStringLiteral("auto_id"), 1));
        QCOMPARE(rs.lastError().number, int(ErrNoCurrentRecord));
        QVERIFY(!rs.deleteCurrent());
        QCOMPARE(rs.lastError().number, int(ErrNoCurrentRecord));
    }

    void fieldAccess()
    {
        Connection conn;
        QVERIFY(conn.open(makeDb()));
        Recordset rs;
        QVERIFY(rs.open(QStringLiteral("SELECT auto_id, genre_id, name FROM game WHERE "
                                       "platform_id = 5"),
                        conn));
        QCOMPARE(rs.field(QStringLiteral("NAME")).toString(), QStringLiteral("Delta"));
        QCOMPARE(rs.fieldIndex(QStringLiteral("Genre_ID")), 1);
        QVERIFY(rs.isNull(QStringLiteral("genre_id")));
        QCOMPARE(rs.lastError().number, int(ErrNone));
        QVERIFY(rs.field(QStringLiteral("notes")).isNull());
        QCOMPARE(rs.lastError().number, int(ErrItemNotFound));
        QVERIFY(rs.field(3).isNull());
        QCOMPARE(rs.lastError().number, int(ErrItemNotFound));
        QCOMPARE(rs.fieldIndex(QStringLiteral("rowid")), -1);
    }

    // Small integers sit in the row itself, wide ones and reals beside it: both kinds must
    // read, filter, count, change kind on an edit, and address their row.
    void wideNumbersAndRowIds()
    {
        const QString path = makeDb();
        RawDb raw(path);
        raw.exec(QStringLiteral("INSERT INTO platform VALUES(4294967296, 5000000000, 'Wide', "
                                "'W', -2147483649)"));
        Connection conn;
        QVERIFY(conn.open(path));
        Recordset rs;
        QVERIFY(rs.open(QStringLiteral("SELECT auto_id, cat, in_use FROM platform"), conn));
        QVERIFY(rs.find(QStringLiteral("cat > 4000000000")));
        QCOMPARE(rs.field(QStringLiteral("auto_id")).toLongLong(), Q_INT64_C(4294967296));
        QCOMPARE(rs.field(QStringLiteral("in_use")).toLongLong(), Q_INT64_C(-2147483649));
        QCOMPARE(rs.count(QStringLiteral("cat = 5000000000")), 1);
        QCOMPARE(rs.count(QStringLiteral("cat = 705032704")), 0); // the low 32 bits
        QCOMPARE(rs.count(QStringLiteral("in_use = True")), 4);

        QVERIFY(rs.setField(QStringLiteral("cat"), 7));
        QVERIFY(rs.setField(QStringLiteral("in_use"), Q_INT64_C(-9000000000)));
        QVERIFY(rs.update());
        QCOMPARE(rs.field(QStringLiteral("cat")).toLongLong(), 7);
        QCOMPARE(rs.field(QStringLiteral("in_use")).toLongLong(), Q_INT64_C(-9000000000));
        QVERIFY(rs.setField(QStringLiteral("cat"), 2.5));
        QVERIFY(rs.update());
        QCOMPARE(rs.count(QStringLiteral("cat = 2.5")), 2);
        QCOMPARE(raw.scalar(QStringLiteral("SELECT in_use FROM platform WHERE auto_id = "
                                           "4294967296")),
                 QVariant(Q_INT64_C(-9000000000)));
        QVERIFY(rs.deleteCurrent());
        QCOMPARE(raw.scalar(QStringLiteral("SELECT count(*) FROM platform")), QVariant(qint64(6)));
    }

    void addNewStoresTextExactly()
    {
        const QString path = makeDb();
        Connection conn;
        QVERIFY(conn.open(path));
        Recordset rs;
        QVERIFY(rs.open(QStringLiteral("SELECT auto_id, game_id, desc FROM file"), conn));
        const QString nasty =
            QStringLiteral("It's \"quoted\"'); DROP TABLE file; -- ? ?1 :x @y $z ''");
        QVERIFY(rs.addNew());
        QVERIFY(rs.editing());
        QVERIFY(rs.setField(QStringLiteral("Desc"), nasty));
        QVERIFY(rs.setField(QStringLiteral("game_id"), 2));
        QCOMPARE(rs.field(QStringLiteral("desc")).toString(), nasty);
        QVERIFY(!rs.setField(QStringLiteral("src"), QStringLiteral("x"))); // not selected
        QCOMPARE(rs.lastError().number, int(ErrItemNotFound));
        QVERIFY2(rs.update(), qPrintable(rs.lastError().description));
        QVERIFY(!rs.editing());

        const qint64 id = rs.lastInsertId();
        QCOMPARE(id, 4);
        QCOMPARE(rs.field(QStringLiteral("auto_id")).toLongLong(), id);
        QCOMPARE(rs.recordCount(), 4);
        QCOMPARE(rs.position(), 3);
        RawDb raw(path);
        QCOMPARE(
            raw.scalar(QStringLiteral("SELECT \"desc\" FROM file WHERE auto_id = 4")).toString(),
            nasty);
        QCOMPARE(
            rs.count(QStringLiteral("desc = '%1'")
                         .arg(QString(nasty).replace(QStringLiteral("'"), QStringLiteral("''")))),
            1);

        // Without auto_id selected the id still comes back, and the row is addressable.
        QVERIFY(rs.open(QStringLiteral("SELECT name FROM game"), conn));
        QVERIFY(rs.addNew());
        QVERIFY(rs.update());
        QCOMPARE(rs.lastInsertId(), 5);
        QVERIFY(rs.setField(QStringLiteral("name"), QStringLiteral("Named later")));
        QVERIFY(rs.update());
        QCOMPARE(raw.scalar(QStringLiteral("SELECT name FROM game WHERE auto_id = 5")).toString(),
                 QStringLiteral("Named later"));
    }

    void updateWritesOnlyAssignedColumns()
    {
        const QString path = makeDb();
        Connection conn;
        QVERIFY(conn.open(path));
        Recordset rs;
        QVERIFY(rs.open(QStringLiteral("SELECT auto_id, platform_id, name FROM game"), conn));
        RawDb raw(path);
        raw.exec(QStringLiteral("UPDATE game SET name = 'Changed elsewhere' WHERE auto_id = 1"));
        QVERIFY(!rs.update());
        QCOMPARE(rs.lastError().number, int(ErrNotAllowed));
        QVERIFY(rs.setField(QStringLiteral("platform_id"), QStringLiteral("7")));
        QVERIFY(rs.update());
        // Read back as the table stored it: the text became a number by the column's type.
        QCOMPARE(rs.field(QStringLiteral("platform_id")).typeId(), int(QMetaType::LongLong));
        QCOMPARE(raw.scalar(QStringLiteral("SELECT name FROM game WHERE auto_id = 1")).toString(),
                 QStringLiteral("Changed elsewhere"));

        QVERIFY(rs.setField(QStringLiteral("name"), QStringLiteral("Pending")));
        QCOMPARE(rs.field(QStringLiteral("name")).toString(), QStringLiteral("Pending"));
        rs.cancelUpdate();
        QVERIFY(!rs.editing());
        QCOMPARE(rs.field(QStringLiteral("name")).toString(), QStringLiteral("Changed elsewhere"));
        QVERIFY(rs.setField(QStringLiteral("name"), QStringLiteral("Dropped by moving")));
        rs.moveNext();
        rs.movePrevious();
        QCOMPARE(rs.field(QStringLiteral("name")).toString(), QStringLiteral("Changed elsewhere"));
        QVERIFY(!rs.setField(QStringLiteral("name"), QVariant::fromValue(QPoint(1, 2))));
        QCOMPARE(rs.lastError().number, int(ErrInvalidArgument));
    }

    void deletedRowStaysCurrentUntilMoved()
    {
        const QString path = makeDb();
        Connection conn;
        QVERIFY(conn.open(path));
        Recordset rs;
        QVERIFY(rs.open(QStringLiteral("SELECT auto_id, platform_id FROM game"), conn));
        rs.moveNext();
        QVERIFY(rs.deleteCurrent());
        QVERIFY(!rs.eof() && !rs.bof());
        QVERIFY(rs.field(QStringLiteral("auto_id")).isNull());
        QCOMPARE(rs.lastError().number, int(ErrNoCurrentRecord));
        QVERIFY(!rs.deleteCurrent());
        QCOMPARE(rs.recordCount(), 3);
        QCOMPARE(rs.count(QStringLiteral("platform_id = 1")), 1);
        rs.moveNext();
        QCOMPARE(rs.field(QStringLiteral("auto_id")).toInt(), 3);
        QCOMPARE(RawDb(path)
                     .scalar(QStringLiteral("SELECT count(*) FROM game WHERE auto_id = 2"))
                     .toInt(),
                 0);

        // Deleting while walking visits every row once.
        QVERIFY(rs.requery());
        int seen = 0;
        for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
            ++seen;
            QVERIFY(rs.deleteCurrent());
        }
        QCOMPARE(seen, 3);
        QCOMPARE(rs.recordCount(), 0);
        QVERIFY(rs.bof() && rs.eof());
    }

    // Walking reads the cells in place; every state that must answer otherwise (a pending
    // edit, an error to clear, a deleted row, a filter, a block of rows ending, a text or
    // wide value) is checked along a walk of more rows than one block holds.
    void walkingAnswersInEveryState()
    {
        const QString path = makeDb(false);
        constexpr int kRows = 9000;
        {
            RawDb raw(path);
            raw.exec(QStringLiteral("BEGIN"));
            for (int i = 1; i <= kRows; ++i)
                raw.exec(QStringLiteral("INSERT INTO file(game_id, sub_cat) VALUES(%1, %2)")
                             .arg(i % 11 == 0   ? QStringLiteral("'t%1'").arg(i)
                                  : i % 13 == 0 ? QString::number(Q_INT64_C(5000000000) + i)
                                                : QString::number(i))
                             .arg(i % 3));
            raw.exec(QStringLiteral("COMMIT"));
        }
        Connection conn;
        QVERIFY(conn.open(path));
        Recordset rs;
        QVERIFY(rs.open(QStringLiteral("SELECT auto_id, game_id, sub_cat FROM file"), conn));
        const QString id = QStringLiteral("auto_id"), game = QStringLiteral("game_id");
        const auto expected = [](qint64 i) {
            return i % 11 == 0   ? QVariant(QStringLiteral("t%1").arg(i))
                   : i % 13 == 0 ? QVariant(Q_INT64_C(5000000000) + i)
                                 : QVariant(i);
        };
        qint64 next = 1;
        for (rs.moveFirst(); !rs.eof(); rs.moveNext(), ++next) {
            QCOMPARE(rs.field(id).toLongLong(), next);
            QCOMPARE(rs.position(), int(next - 1) - (next > 4096 ? 1 : 0));
            const QVariant g = rs.field(game);
            QCOMPARE(g.toString(), expected(next).toString());
            if (next == 100) {
                QVERIFY(rs.setField(game, 7));
                QCOMPARE(rs.field(game).toInt(), 7); // the pending value, not the stored one
            } else if (next == 200) {
                QVERIFY(rs.field(QStringLiteral("nope")).isNull());
                QCOMPARE(rs.lastError().number, int(ErrItemNotFound));
            } else if (next == 4096) {
                QVERIFY(rs.deleteCurrent());
                QVERIFY(rs.field(id).isNull() && !rs.eof());
            }
            QCOMPARE(rs.lastError().number, next == 200    ? int(ErrItemNotFound)
                                            : next == 4096 ? int(ErrNoCurrentRecord)
                                                           : int(ErrNone));
        }
        QCOMPARE(next, qint64(kRows + 1));
        QCOMPARE(rs.recordCount(), kRows - 1);
        QVERIFY(rs.field(id).isNull());
        QCOMPARE(rs.lastError().number, int(ErrNoCurrentRecord));
        rs.moveNext();
        QCOMPARE(rs.lastError().number, int(ErrNoCurrentRecord));

        QVERIFY(rs.setFilter(QStringLiteral("sub_cat = 1")));
        qint64 seen = 0;
        for (; !rs.eof(); rs.moveNext()) {
            QCOMPARE(rs.field(id).toLongLong() % 3, 1);
            ++seen;
        }
        QCOMPARE(seen, qint64(kRows / 3 - 1)); // less the deleted row 4096
        rs.close();
        QVERIFY(rs.eof());
        QVERIFY(rs.field(id).isNull());
        QCOMPARE(rs.lastError().number, int(ErrObjectClosed));
    }

    void databaseErrorsLeaveMemoryUnchanged()
    {
        const QString path = makeDb();
        Connection conn;
        QVERIFY(conn.open(path));
        Recordset rs;
        QVERIFY(rs.open(QStringLiteral("SELECT auto_id, name FROM game"), conn));
        {
            RawDb holder(path);
            QVERIFY(holder.exec(QStringLiteral("BEGIN IMMEDIATE")));
            QVERIFY(rs.setField(QStringLiteral("name"), QStringLiteral("Blocked")));
            QVERIFY(!rs.update());
            QCOMPARE(rs.lastError().number, int(ErrDatabase));
            QVERIFY(rs.lastError().description.contains(QStringLiteral("locked")));
            QVERIFY(!rs.deleteCurrent());
            QCOMPARE(rs.lastError().number, int(ErrDatabase));
            rs.moveFirst();
            QCOMPARE(rs.field(QStringLiteral("name")).toString(), QStringLiteral("Alpha"));
            QCOMPARE(rs.recordCount(), 4);
        }
        QVERIFY(rs.addNew());
        QVERIFY(rs.setField(QStringLiteral("auto_id"), 1)); // taken
        QVERIFY(!rs.update());
        QCOMPARE(rs.lastError().number, int(ErrDatabase));
        QVERIFY(rs.lastError().description.contains(QStringLiteral("UNIQUE")));
        QVERIFY(rs.editing());
        QCOMPARE(rs.recordCount(), 4);
        QCOMPARE(rs.count(QStringLiteral("auto_id = 1")), 1);
    }

    void requeryKeepsTheFilter()
    {
        const QString path = makeDb();
        Connection conn;
        QVERIFY(conn.open(path));
        Recordset rs;
        QVERIFY(rs.open(QStringLiteral("SELECT auto_id, platform_id FROM game"), conn));
        QVERIFY(rs.setFilter(QStringLiteral("platform_id = 1")));
        QCOMPARE(rs.count(QStringLiteral("platform_id = 1")), 2);
        RawDb(path).exec(QStringLiteral("INSERT INTO game(platform_id) VALUES (1), (2)"));
        QVERIFY(rs.requery());
        QCOMPARE(rs.filter(), QStringLiteral("platform_id = 1"));
        QCOMPARE(rs.recordCount(), 3);
        QCOMPARE(rs.count(QString()), 6);
        QCOMPARE(rs.position(), 0);
    }

    void closedRecordsetRefusesUse()
    {
        Recordset never;
        Connection conn;
        QVERIFY(conn.open(makeDb()));
        Recordset closed;
        QVERIFY(closed.open(QStringLiteral("SELECT name FROM game"), conn));
        closed.close();
        for (Recordset *rs : {&never, &closed}) {
            QVERIFY(!rs->isOpen());
            QVERIFY(rs->field(QStringLiteral("name")).isNull());
            QCOMPARE(rs->lastError().number, int(ErrObjectClosed));
            QCOMPARE(rs->recordCount(), 0);
            QVERIFY(rs->bof() && rs->eof());
            QVERIFY(!rs->setFilter(QStringLiteral("name = 'a'")));
            QVERIFY(!rs->addNew());
            QVERIFY(!rs->requery());
            QCOMPARE(rs->lastError().number, int(ErrObjectClosed));
            rs->moveNext();
            QCOMPARE(rs->lastError().number, int(ErrObjectClosed));
        }
        Connection none;
        QVERIFY(!closed.open(QStringLiteral("SELECT name FROM game"), none));
        QCOMPARE(closed.lastError().number, int(ErrInvalidConnection));
    }

    // Random text and random token soup must only ever be refused, never crash or hang.
    void parserSurvivesRandomInput()
    {
        Connection conn;
        QVERIFY(conn.open(makeDb()));
        Recordset rs;
        QVERIFY(rs.open(QStringLiteral("SELECT auto_id, cat, brand, in_use FROM platform"), conn));
        const QStringList pieces{
            "cat", "brand", "in_use", "=",  "<>", "<",  ">=",  "And",  "Or",   "Not",
            "(",   ")",     "'a''b'", "'x", "-",  "1",  "2.5", "True", "Null", "Is",
            ",",   "FROM",  "WHERE",  ";",  "*",  "\"", "é",   "\t"};
        QRandomGenerator rng(42);
        const QList<int> allowed{ErrInvalidArgument, ErrItemNotFound, ErrDatabase};
        for (int i = 0; i < 4000; ++i) {
            QString text;
            const int len = int(rng.bounded(12));
            for (int j = 0; j < len; ++j) {
                if (i % 2)
                    text += QChar(char16_t(rng.bounded(1, 0x2FF)));
                else
                    text += pieces[int(rng.bounded(pieces.size()))] + u' ';
            }
            if (!rs.setFilter(text))
                QVERIFY2(allowed.contains(rs.lastError().number), qPrintable(text));
            rs.count(text);
            rs.find(text);
            Recordset other;
            if (!other.open(QStringLiteral("SELECT auto_id FROM platform WHERE ") + text, conn))
                QVERIFY2(allowed.contains(other.lastError().number), qPrintable(text));
        }
        QString chain = QStringLiteral("cat = 1");
        for (int i = 0; i < 5000; ++i)
            chain += QStringLiteral(" And cat = 1");
        QVERIFY(rs.setFilter(chain));
        QCOMPARE(rs.recordCount(), 2);
        QVERIFY(!rs.setFilter(QString(100000, u'(')));
        QVERIFY(!rs.setFilter(QStringLiteral("Not ").repeated(100000) + QStringLiteral("cat = 1")));
    }
};

QTEST_GUILESS_MAIN(TestDb)
#include "tst_db.moc"
