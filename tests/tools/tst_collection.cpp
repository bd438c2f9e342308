#include "collection.h"
#include "collection_build.h"
#include "collection_rtf.h"
#include "fixedlists.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <optional>

using namespace lc::collection;

namespace {

// Reads a made database with nothing but SQLite, the way an outside tool would see it.
class Db {
public:
    explicit Db(const QString &path)
    {
        if (sqlite3_open_v2(path.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) !=
            SQLITE_OK) {
            sqlite3_close(m_db);
            m_db = nullptr;
        }
    }
    ~Db() { sqlite3_close(m_db); }
    bool isOpen() const { return m_db != nullptr; }
    sqlite3 *handle() const { return m_db; }

    QList<QVariantList> rows(const char *sql) const
    {
        QList<QVariantList> result;
        sqlite3_stmt *stmt = nullptr;
        if (sqlite3_prepare_v2(m_db, sql, -1, &stmt, nullptr) != SQLITE_OK) {
            qWarning("%s: %s", sql, sqlite3_errmsg(m_db));
            return result;
        }
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            QVariantList row;
            for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
                switch (sqlite3_column_type(stmt, c)) {
                case SQLITE_INTEGER:
                    row << QVariant(qint64(sqlite3_column_int64(stmt, c)));
                    break;
                case SQLITE_NULL:
                    row << QVariant();
                    break;
                default:
                    row << QVariant(QString::fromUtf8(
                        reinterpret_cast<const char *>(sqlite3_column_text(stmt, c)),
                        sqlite3_column_bytes(stmt, c)));
                }
            }
            result << row;
        }
        sqlite3_finalize(stmt);
        return result;
    }
    QVariant value(const char *sql) const
    {
        const auto r = rows(sql);
        return r.isEmpty() || r[0].isEmpty() ? QVariant() : r[0][0];
    }
    qint64 count(const char *sql) const { return value(sql).toLongLong(); }
    QStringList columns(const char *table) const
    {
        QStringList names;
        for (const auto &row : rows(QByteArray("PRAGMA table_info(") + table + ")"))
            names << row[1].toString();
        return names;
    }

private:
    sqlite3 *m_db = nullptr;
};

// A rich text group structure is sound when every unescaped brace pairs up and the outer
// group closes at the very end.
bool balancedRtf(const QString &rtf)
{
    const QString text = rtf.trimmed();
    int depth = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\\')
            ++i; // \\ \{ \} are literal; anything else is a control word, harmless here
        else if (c == u'{')
            ++depth;
        else if (c == u'}' && --depth == 0 && i != text.size() - 1)
            return false;
        if (depth < 0)
            return false;
    }
    return depth == 0;
}

QStringList folderEntries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                               QDir::NoDotAndDotDot);
}

QByteArray contentDigest(const QString &path)
{
    Db db(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const char *sql :
         {"SELECT * FROM game ORDER BY auto_id", "SELECT * FROM file ORDER BY auto_id"})
        for (const auto &row : db.rows(sql))
            for (const QVariant &v : row)
                hash.addData(v.toString().toUtf8() + '\x1f');
    return hash.result();
}

} // namespace

class TestCollection : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void deliveredHasTheTablesAndPlatforms();
    void existingFileIsNeverTouched_data();
    void existingFileIsNeverTouched();
    void missingFolderFails();
    void failedBuildLeavesNoFile();
    void richTextIsEscaped();
    void sampleIsAUsableCollection();
    void syntheticHasTheAskedCounts();
    void syntheticIsRepeatable();
    void syntheticRejectsImpossibleCounts();
    void syntheticPacksTextTightly();
    void replaceEmptyKeepsAUsersCollection_data();
    void replaceEmptyKeepsAUsersCollection();
    void commandLine();

private:
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }
};

void TestCollection::deliveredHasTheTablesAndPlatforms()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("lorecase.mdb"));
    const Result r = createDelivered(file);
    QVERIFY2(r.ok, qPrintable(r.message));
    // Nothing but the database itself: no temporary file, no log left beside it.
    QCOMPARE(folderEntries(dir.path()), QStringList{QStringLiteral("lorecase.mdb")});

    Db db(file);
    QVERIFY(db.isOpen());
    QCOMPARE(db.value("PRAGMA journal_mode").toString(), QStringLiteral("wal"));
    QCOMPARE(db.value("PRAGMA page_size").toInt(), 16384);
    QCOMPARE(db.columns("platform"), QStringList({"auto_id", "cat", "brand", "name", "in_use"}));
    QCOMPARE(db.columns("game"),
             QStringList({"auto_id", "platform_id", "genre_id", "name", "notes"}));
    QCOMPARE(db.columns("file"),
             QStringList({"auto_id", "game_id", "sub_cat", "src", "desc", "txt_rtf"}));
    QCOMPARE(db.columns("bookmarks"),
             QStringList({"auto_id", "tree_key", "game", "file", "platform", "sub_cat", "genre"}));
    QCOMPARE(db.columns("favorites"), QStringList({"auto_id", "url", "title", "desc"}));
    QCOMPARE(db.count("SELECT count(*) FROM sqlite_master WHERE type='table' AND name NOT LIKE "
                      "'sqlite_%'"),
             5);
    // The indexes the tree relies on, on the right columns.
    QCOMPARE(db.value("SELECT group_concat(ii.name) FROM pragma_index_list('game') il "
                      "JOIN pragma_index_info(il.name) ii")
                 .toString(),
             QStringLiteral("platform_id"));
    QCOMPARE(db.value("SELECT group_concat(ii.name) FROM pragma_index_list('file') il "
                      "JOIN pragma_index_info(il.name) ii")
                 .toString(),
             QStringLiteral("game_id"));

    int expected = 0;
    const lc::names::PlatformRow *platforms = lc::names::platformRows(&expected);
    const auto rows = db.rows("SELECT auto_id, name, brand, in_use, cat FROM platform ORDER BY "
                              "auto_id");
    QCOMPARE(rows.size(), 19);
    QCOMPARE(expected, 19);
    for (int i = 0; i < expected; ++i) {
        QCOMPARE(rows[i][0].toInt(), int(platforms[i].id));
        QCOMPARE(rows[i][1].toString(), QString::fromLatin1(platforms[i].name));
        QCOMPARE(rows[i][2].toString(), QString::fromLatin1(platforms[i].brand));
        QCOMPARE(rows[i][3].toInt(), 1);
        QCOMPARE(rows[i][4].toInt(), 0);
    }
    QCOMPARE(rows[17][1].toString(), QStringLiteral("PC"));
    QCOMPARE(rows[10][2].toString(), QStringLiteral("Sega"));
    for (const char *sql : {"SELECT count(*) FROM game", "SELECT count(*) FROM file",
                            "SELECT count(*) FROM bookmarks", "SELECT count(*) FROM favorites"})
        QCOMPARE(db.count(sql), 0);
}

void TestCollection::existingFileIsNeverTouched_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("delivered") << "delivered";
    QTest::newRow("sample") << "sample";
    QTest::newRow("synthetic") << "synthetic";
}

void TestCollection::existingFileIsNeverTouched()
{
    QFETCH(QString, kind);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("lorecase.mdb"));
    const QByteArray bytes("a player's collection, not to be replaced");
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    const Result r = kind == u"delivered" ? createDelivered(file)
                     : kind == u"sample"  ? createSample(file)
                                          : createSynthetic(file, {5, 10, 200, 1});
    QVERIFY(!r.ok);
    QVERIFY(r.existed);
    QVERIFY2(r.message.contains(u"exists"), qPrintable(r.message));
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), bytes);
    QCOMPARE(folderEntries(dir.path()), QStringList{QStringLiteral("lorecase.mdb")});

    // A folder under the name is taken too.
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("taken.mdb")));
    const Result onFolder = createDelivered(dir.filePath(QStringLiteral("taken.mdb")));
    QVERIFY(!onFolder.ok);
    QVERIFY(onFolder.existed);
    QVERIFY(QDir(dir.filePath(QStringLiteral("taken.mdb"))).isEmpty());
}

void TestCollection::missingFolderFails()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("absent/lorecase.mdb"));
    const Result r = createSample(file);
    QVERIFY(!r.ok);
    QVERIFY(!r.existed);
    QVERIFY2(r.message.contains(u"does not exist"), qPrintable(r.message));
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("absent"))));
    QVERIFY(folderEntries(dir.path()).isEmpty());
}

void TestCollection::failedBuildLeavesNoFile()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("lorecase.mdb"));
    // Fails after real rows have been written, as a full disk would.
    const Result r = buildDatabase(file, QStringLiteral("test"), [](sqlite3 *db, QString &error) {
        if (!exec(db, "INSERT INTO game(platform_id, genre_id, name) VALUES(1, 1, 'Half')", error))
            return false;
        error = QStringLiteral("stopped on purpose");
        return false;
    });
    QVERIFY(!r.ok);
    QVERIFY2(r.message.contains(u"stopped on purpose"), qPrintable(r.message));
    QVERIFY(folderEntries(dir.path()).isEmpty());

    // An SQL error inside the build is reported and cleaned up the same way.
    const Result bad = buildDatabase(file, QStringLiteral("test"), [](sqlite3 *db, QString &error) {
        return exec(db, "INSERT INTO no_such_table VALUES(1)", error);
    });
    QVERIFY(!bad.ok);
    QVERIFY2(bad.message.contains(u"no_such_table"), qPrintable(bad.message));
    QVERIFY(folderEntries(dir.path()).isEmpty());

    // And the same place still takes a good build afterwards.
    QVERIFY(createDelivered(file).ok);
}

void TestCollection::richTextIsEscaped()
{
    const std::string rtf = rtf::document(
        QStringLiteral("\n= Caf\u00e9 \u00fcber\nType {WARP} in C:\\Games\u2014[b]now[/b] [x]\n"
                       "\n[tab]\u00a9 [mono]A[/mono]\u4e00\n"));
    const std::string expected = std::string(rtf::kHeader) +
                                 "\\cf1\\b\\fs24 Caf\\'e9 \\'fcber\\cf0\\b0\\fs20\\par\r\n"
                                 "Type \\{WARP\\} in C:\\\\Games\\'97\\b now\\b0  [x]\\par\r\n"
                                 "\\par\r\n"
                                 "\\tab\\'a9 \\f1 A\\f0\\u19968?\\par\r\n}\r\n";
    QCOMPARE(QByteArray::fromStdString(rtf), QByteArray::fromStdString(expected));
    QVERIFY(balancedRtf(QString::fromStdString(rtf)));
    QVERIFY(!balancedRtf(QStringLiteral("{\\rtf1 a}}")));
    QVERIFY(!balancedRtf(QStringLiteral("{\\rtf1 a\\}")));
}

void TestCollection::sampleIsAUsableCollection()
{
    const QString file = path(QStringLiteral("sample.mdb"));
    const Result r = createSample(file);
    QVERIFY2(r.ok, qPrintable(r.message));
    Db db(file);

    const qint64 games = db.count("SELECT count(*) FROM game");
    QVERIFY2(games >= 10 && games <= 15, qPrintable(QString::number(games)));
    QCOMPARE(db.count("SELECT count(DISTINCT name) FROM game"), games);
    QVERIFY(db.count("SELECT count(DISTINCT platform_id) FROM game") >= 5);
    QVERIFY(db.count("SELECT count(DISTINCT p.brand) FROM game g JOIN platform p "
                     "ON p.auto_id = g.platform_id") >= 3);
    QVERIFY(db.count("SELECT count(DISTINCT genre_id) FROM game") >= 5);
    QCOMPARE(db.count("SELECT count(*) FROM game WHERE genre_id NOT BETWEEN 1 AND 8"), 0);
    QCOMPARE(db.value("SELECT group_concat(sub_cat, '') FROM (SELECT DISTINCT sub_cat FROM file "
                      "ORDER BY sub_cat)")
                 .toString(),
             QStringLiteral("123456"));
    QCOMPARE(db.count("SELECT count(*) FROM file f LEFT JOIN game g ON g.auto_id = f.game_id "
                      "WHERE g.auto_id IS NULL"),
             0);
    QCOMPARE(db.count("SELECT count(*) FROM game g WHERE NOT EXISTS "
                      "(SELECT 1 FROM file f WHERE f.game_id = g.auto_id)"),
             0);

    QSet<QString> escapes;
    const QRegularExpression hex(QStringLiteral("\\\\'([0-9a-f]{2})"));
    for (const auto &row : db.rows("SELECT sub_cat, src, \"desc\", txt_rtf FROM file")) {
        const QString src = row[1].toString(), desc = row[2].toString(), rtf = row[3].toString();
        QVERIFY2(!desc.trimmed().isEmpty(), qPrintable(src));
        QVERIFY2(!src.trimmed().isEmpty(), qPrintable(desc));
        if (row[0].toInt() == 6)
            QVERIFY2(src.startsWith(u"https://example.org/"), qPrintable(src));
        QVERIFY2(rtf.startsWith(u"{\\rtf1\\ansi\\ansicpg1252"), qPrintable(desc));
        QVERIFY2(balancedRtf(rtf), qPrintable(desc));
        // Rich edit output is seven-bit: everything else is escaped.
        for (QChar c : rtf)
            QVERIFY2(c.unicode() < 0x80, qPrintable(desc));
        QVERIFY2(rtf.size() > 250, qPrintable(desc));
        for (const auto &m : hex.globalMatch(rtf))
            escapes << m.captured(1);
    }
    for (const char *code : {"e9", "fc", "a9", "97"}) // é ü © —
        QVERIFY2(escapes.contains(QLatin1String(code)), code);

    const auto bookmarks =
        db.rows("SELECT tree_key, game, file, platform, sub_cat, genre FROM bookmarks");
    QCOMPARE(bookmarks.size(), 1);
    const auto &b = bookmarks[0];
    const auto key =
        QRegularExpression(QStringLiteral("^K_(\\d+)\\|N_(\\d+)\\|G_(\\d+)\\|P_(\\d+)$"))
            .match(b[0].toString());
    QVERIFY2(key.hasMatch(), qPrintable(b[0].toString()));
    const QByteArray join =
        QStringLiteral("SELECT g.auto_id, g.genre_id, g.platform_id, g.name, f.\"desc\", "
                       "p.name, f.sub_cat FROM file f JOIN game g ON g.auto_id = f.game_id "
                       "JOIN platform p ON p.auto_id = g.platform_id WHERE f.auto_id = %1")
            .arg(key.captured(1))
            .toUtf8();
    const auto target = db.rows(join.constData());
    QCOMPARE(target.size(), 1);
    QCOMPARE(target[0][0].toString(), key.captured(2));
    QCOMPARE(target[0][1].toString(), key.captured(3));
    QCOMPARE(target[0][2].toString(), key.captured(4));
    QCOMPARE(b[1].toString(), target[0][3].toString());
    QCOMPARE(b[2].toString(), target[0][4].toString());
    QCOMPARE(b[3].toString(), target[0][5].toString());
    QCOMPARE(b[4].toInt(), target[0][6].toInt());
    QCOMPARE(b[5].toInt(), target[0][1].toInt());

    const auto favorites = db.rows("SELECT url, title, \"desc\" FROM favorites");
    QCOMPARE(favorites.size(), 1);
    QVERIFY(favorites[0][0].toString().startsWith(u"https://example.org/"));
    QVERIFY(!favorites[0][1].toString().isEmpty());
    QVERIFY(!favorites[0][2].toString().isEmpty());
}

void TestCollection::syntheticHasTheAskedCounts()
{
    const QString file = path(QStringLiteral("synthetic.mdb"));
    const Result r = createSynthetic(file, {50, 300, 800, 7, 40});
    QVERIFY2(r.ok, qPrintable(r.message));
    Db db(file);
    QCOMPARE(db.count("SELECT count(*) FROM game"), 50);
    QCOMPARE(db.count("SELECT count(*) FROM file"), 300);
    // Each bookmark names its file, game, genre and platform as the tree would show them.
    QCOMPARE(db.count("SELECT count(*) FROM bookmarks"), 40);
    QCOMPARE(db.count("SELECT count(*) FROM bookmarks b JOIN file f ON b.tree_key = 'K_' || "
                      "f.auto_id || '|N_' || f.game_id || '|G_' || b.genre || '|P_' || "
                      "(SELECT platform_id FROM game WHERE auto_id = f.game_id) JOIN game g ON "
                      "g.auto_id = f.game_id AND g.genre_id = b.genre AND g.name = b.game JOIN "
                      "platform p ON p.auto_id = g.platform_id AND p.name = b.platform WHERE "
                      "b.file = f.\"desc\" AND b.sub_cat = f.sub_cat"),
             40);
    QCOMPARE(db.count("SELECT count(DISTINCT platform) FROM bookmarks"), 19);
    QCOMPARE(db.count("SELECT count(*) FROM platform"), 19);
    QCOMPARE(db.count("SELECT count(*) FROM file f LEFT JOIN game g ON g.auto_id = f.game_id "
                      "WHERE g.auto_id IS NULL"),
             0);
    // Evenly spread: 50 games over 19 platforms is 2 or 3 each, over 8 genres 6 or 7.
    QCOMPARE(db.count("SELECT count(DISTINCT platform_id) FROM game"), 19);
    QCOMPARE(db.count("SELECT min(n) FROM (SELECT count(*) n FROM game GROUP BY platform_id)"), 2);
    QCOMPARE(db.count("SELECT max(n) FROM (SELECT count(*) n FROM game GROUP BY platform_id)"), 3);
    QCOMPARE(db.count("SELECT count(DISTINCT genre_id) FROM game"), 8);
    QCOMPARE(db.count("SELECT min(genre_id) FROM game"), 1);
    QCOMPARE(db.count("SELECT max(genre_id) FROM game"), 8);
    QCOMPARE(db.count("SELECT count(DISTINCT game_id) FROM file"), 50);
    QCOMPARE(db.value("SELECT group_concat(sub_cat, '') FROM (SELECT DISTINCT sub_cat FROM file "
                      "ORDER BY sub_cat)")
                 .toString(),
             QStringLiteral("123456"));
    QCOMPARE(db.count("SELECT count(*) FROM file WHERE \"desc\" = '' OR src = ''"), 0);

    // Texts vary around the asked size, but average out close to it.
    qint64 textTotal = 0, texts = 0;
    for (const auto &row : db.rows("SELECT sub_cat, src, txt_rtf FROM file")) {
        const QString rtf = row[2].toString();
        QVERIFY(rtf.startsWith(u"{\\rtf1"));
        QVERIFY(balancedRtf(rtf));
        if (row[0].toInt() == 6) {
            QVERIFY(row[1].toString().startsWith(u"https://example.org/"));
            QVERIFY(rtf.size() < 600);
        } else {
            QVERIFY2(rtf.size() >= 560 && rtf.size() <= 1200,
                     qPrintable(QString::number(rtf.size())));
            textTotal += rtf.size();
            ++texts;
        }
    }
    QVERIFY(texts > 200);
    QVERIFY2(textTotal / texts >= 720 && textTotal / texts <= 900,
             qPrintable(QString::number(textTotal / texts)));
}

void TestCollection::syntheticIsRepeatable()
{
    const SyntheticOptions wanted{40, 200, 600, 42};
    const QString a = path(QStringLiteral("a.mdb")), b = path(QStringLiteral("b.mdb")),
                  c = path(QStringLiteral("c.mdb"));
    QVERIFY(createSynthetic(a, wanted).ok);
    QVERIFY(createSynthetic(b, wanted).ok);
    SyntheticOptions other = wanted;
    other.seed = 43;
    QVERIFY(createSynthetic(c, other).ok);
    const QByteArray digestA = contentDigest(a);
    QCOMPARE(contentDigest(b), digestA);
    QVERIFY(contentDigest(c) != digestA);
}

void TestCollection::syntheticRejectsImpossibleCounts()
{
    const QString file = path(QStringLiteral("impossible.mdb"));
    QVERIFY(!createSynthetic(file, {0, 10, 100, 1}).ok);
    QVERIFY(!createSynthetic(file, {-1, 0, 100, 1}).ok);
    QVERIFY(!createSynthetic(file, {1, 1, -5, 1}).ok);
    QVERIFY(!createSynthetic(file, {1, 1, 5, 1, -1}).ok);
    QVERIFY(!QFileInfo::exists(file));
    // No games and no files is just the delivered database.
    const Result empty = createSynthetic(file, {0, 0, 100, 1});
    QVERIFY2(empty.ok, qPrintable(empty.message));
    QCOMPARE(Db(file).count("SELECT count(*) FROM platform"), 19);
}

void TestCollection::syntheticPacksTextTightly()
{
    // Texts of a few kilobytes leave most of a small page empty; the file should be little
    // more than the text it holds.
    const QString file = path(QStringLiteral("packed.mdb"));
    QVERIFY(createSynthetic(file, {100, 1500, 2000, 5}).ok);
    const qint64 text =
        Db(file).count("SELECT sum(length(CAST(txt_rtf AS BLOB)) + length(CAST(src AS BLOB)) + "
                       "length(CAST(\"desc\" AS BLOB))) FROM file");
    QVERIFY(text > 2000000);
    const double ratio = double(QFileInfo(file).size()) / double(text);
    QVERIFY2(ratio < 1.25, qPrintable(QString::number(ratio)));
}

void TestCollection::replaceEmptyKeepsAUsersCollection_data()
{
    QTest::addColumn<QString>("before"); // what the existing file holds
    QTest::addColumn<bool>("replaced");
    QTest::newRow("delivered, untouched") << "delivered" << true;
    QTest::newRow("a favourite") << "favourite" << false;
    QTest::newRow("a game") << "game" << false;
    QTest::newRow("open in another program") << "open" << false;
    QTest::newRow("not a database") << "text" << false;
}

void TestCollection::replaceEmptyKeepsAUsersCollection()
{
    QFETCH(QString, before);
    QFETCH(bool, replaced);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("lorecase.mdb"));
    if (before == u"text") {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("notes, not a collection");
    } else {
        QVERIFY(createDelivered(file).ok);
    }
    const char *row = before == u"favourite"
                          ? "INSERT INTO favorites(url, title) VALUES('https://example.org/', 'x')"
                      : before == u"game"
                          ? "INSERT INTO game(platform_id, genre_id, name) VALUES(1, 1, 'Mine')"
                          : nullptr;
    if (row) {
        Db db(file);
        QString error;
        QVERIFY(exec(db.handle(), row, error));
    }
    // A program that has the collection open keeps its log beside it.
    std::optional<Db> holder;
    if (before == u"open") {
        holder.emplace(file);
        QCOMPARE(holder->count("SELECT count(*) FROM game"), 0);
        QVERIFY(QFileInfo::exists(file + QStringLiteral("-wal")));
    }
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    f.close();

    const Result r = createSample(file, Existing::ReplaceEmpty);
    QCOMPARE(r.ok, replaced);
    QCOMPARE(r.existed, !replaced);
    holder.reset();
    if (replaced) {
        QVERIFY(Db(file).count("SELECT count(*) FROM game") > 0);
    } else {
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), bytes);
    }
    QCOMPARE(folderEntries(dir.path()), QStringList{QStringLiteral("lorecase.mdb")});
}

void TestCollection::commandLine()
{
    const QString tools = qEnvironmentVariable("LORECASE_TOOLS");
    const QString lcmake = QDir(tools).filePath(QStringLiteral("lcmake"));
    if (tools.isEmpty() || !QFileInfo(lcmake).isExecutable())
        QSKIP("lcmake is not built next to the program");
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("lorecase.mdb"));
    auto run = [&](const QStringList &args) {
        QProcess p;
        p.start(lcmake, args);
        if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
            return -1;
        return p.exitCode();
    };

    QCOMPARE(run({"delivered", file}), 0);
    QVERIFY(QFileInfo::exists(file));
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();
    QCOMPARE(run({"sample", file}), 1);
    QCOMPARE(run({"delivered", file, "--keep-existing"}), 0);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), before);
    f.close();

    const QString synthetic = dir.filePath(QStringLiteral("synthetic.mdb"));
    QCOMPARE(run({"synthetic", synthetic, "--games", "7", "--files", "20", "--text-bytes", "300",
                  "--seed", "3"}),
             0);
    QCOMPARE(Db(synthetic).count("SELECT count(*) FROM file"), 20);
    // The first start's collection: the empty delivered one gives way to the sample once.
    const QString first = dir.filePath(QStringLiteral("first.mdb"));
    QCOMPARE(run({"delivered", first}), 0);
    QCOMPARE(run({"sample", first, "--replace-empty", "--keep-existing"}), 0);
    const qint64 games = Db(first).count("SELECT count(*) FROM game");
    QVERIFY(games > 0);
    QCOMPARE(run({"sample", first, "--replace-empty"}), 1);
    QCOMPARE(Db(first).count("SELECT count(*) FROM game"), games);
    QVERIFY(QFile::remove(first));

    QCOMPARE(run({"synthetic", dir.filePath(QStringLiteral("x.mdb")), "--games", "many"}), 1);
    QCOMPARE(run({"sample", dir.filePath(QStringLiteral("y.mdb")), "--games", "3"}), 1);
    QCOMPARE(run({"catalogue", dir.filePath(QStringLiteral("z.mdb"))}), 1);
    QCOMPARE(run({"delivered"}), 1);
    QCOMPARE(folderEntries(dir.path()),
             QStringList({QStringLiteral("lorecase.mdb"), QStringLiteral("synthetic.mdb")}));
}

QTEST_GUILESS_MAIN(TestCollection)
#include "tst_collection.moc"
