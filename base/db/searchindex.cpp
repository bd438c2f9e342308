#include "searchindex.h"

#include "connection.h"
#include "rtf.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

namespace lc::db {

namespace {

// Bumped whenever what is indexed changes, so an older side file is rebuilt.
constexpr const char *kVersion = "2";

class Stmt {
public:
    Stmt(sqlite3 *db, const char *sql) { m_rc = sqlite3_prepare_v2(db, sql, -1, &m_st, nullptr); }
    Stmt(sqlite3 *db, const QByteArray &sql) : Stmt(db, sql.constData()) {}
    ~Stmt() { sqlite3_finalize(m_st); }
    Stmt(const Stmt &) = delete;
    Stmt &operator=(const Stmt &) = delete;
    bool ok() const { return m_rc == SQLITE_OK && m_st; }
    sqlite3_stmt *get() const { return m_st; }
    void bind(int i, const QByteArray &utf8)
    {
        sqlite3_bind_text(m_st, i, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }
    void bind(int i, qint64 v) { sqlite3_bind_int64(m_st, i, v); }
    int step() { return sqlite3_step(m_st); }
    void reset()
    {
        sqlite3_reset(m_st);
        sqlite3_clear_bindings(m_st);
    }
    qint64 i64(int c) const { return sqlite3_column_int64(m_st, c); }
    QByteArray bytes(int c) const
    {
        const auto *p = static_cast<const char *>(sqlite3_column_blob(m_st, c));
        return QByteArray(p, sqlite3_column_bytes(m_st, c));
    }
    QString text(int c) const
    {
        const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(m_st, c));
        return QString::fromUtf8(p, sqlite3_column_bytes(m_st, c));
    }

private:
    sqlite3_stmt *m_st = nullptr;
    int m_rc = SQLITE_ERROR;
};

bool setError(sqlite3 *db, Error *error)
{
    if (error)
        *error = {ErrDatabase, QString::fromUtf8(db ? sqlite3_errmsg(db) : "no database")};
    return false;
}

bool exec(sqlite3 *db, const char *sql, Error *error = nullptr)
{
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        return setError(db, error);
    return true;
}

QString meta(sqlite3 *db, const char *key)
{
    Stmt st(db, "SELECT value FROM lcsearch.meta WHERE key = ?1");
    if (!st.ok())
        return {};
    st.bind(1, QByteArray(key));
    return st.step() == SQLITE_ROW ? st.text(0) : QString();
}

void setMeta(sqlite3 *db, const char *key, const QString &value)
{
    Stmt st(db, "INSERT OR REPLACE INTO lcsearch.meta(key, value) VALUES(?1, ?2)");
    st.bind(1, QByteArray(key));
    st.bind(2, value.toUtf8());
    st.step();
}

// Count, highest and sum of the file ids: read from the game-id index, so it costs
// milliseconds on a large collection, and it moves with every insert and delete.
QString fingerprint(sqlite3 *db)
{
    Stmt st(db, "SELECT count(*), coalesce(max(auto_id), 0), coalesce(sum(auto_id), 0) FROM "
                "main.file");
    if (!st.ok() || st.step() != SQLITE_ROW)
        return {};
    return QStringLiteral("%1|%2|%3").arg(st.i64(0)).arg(st.i64(1)).arg(st.i64(2));
}

const char *const kSchema = R"(
CREATE TABLE IF NOT EXISTS lcsearch.meta(key TEXT PRIMARY KEY, value TEXT);
CREATE TABLE IF NOT EXISTS lcsearch.doc(id INTEGER PRIMARY KEY, game_id INTEGER, sub_cat INTEGER,
  d TEXT, s TEXT, t TEXT);
CREATE INDEX IF NOT EXISTS lcsearch.doc_game ON doc(game_id);
CREATE VIRTUAL TABLE IF NOT EXISTS lcsearch.fts USING fts5(d, s, t, content='doc',
  content_rowid='id', tokenize='trigram case_sensitive 1');
CREATE TEMP TABLE IF NOT EXISTS lc_search_dirty(id INTEGER PRIMARY KEY);
CREATE TEMP TRIGGER IF NOT EXISTS lc_search_ins AFTER INSERT ON main.file BEGIN
  INSERT OR IGNORE INTO lc_search_dirty VALUES(new.auto_id); END;
CREATE TEMP TRIGGER IF NOT EXISTS lc_search_upd AFTER UPDATE ON main.file BEGIN
  INSERT OR IGNORE INTO lc_search_dirty VALUES(old.auto_id);
  INSERT OR IGNORE INTO lc_search_dirty VALUES(new.auto_id); END;
CREATE TEMP TRIGGER IF NOT EXISTS lc_search_del AFTER DELETE ON main.file BEGIN
  INSERT OR IGNORE INTO lc_search_dirty VALUES(old.auto_id); END;
)";

// Writes one file's entry; the row's old entry must be gone already.
class Writer {
public:
    explicit Writer(sqlite3 *db)
        : m_doc(db, "INSERT INTO lcsearch.doc(id, game_id, sub_cat, d, s, t) "
                    "VALUES(?1, ?2, ?3, ?4, ?5, ?6)"),
          m_fts(db, "INSERT INTO lcsearch.fts(rowid, d, s, t) VALUES(?1, ?2, ?3, ?4)"),
          m_unfts(db, "INSERT INTO lcsearch.fts(fts, rowid, d, s, t) SELECT 'delete', id, d, s, t "
                      "FROM lcsearch.doc WHERE id = ?1"),
          m_undoc(db, "DELETE FROM lcsearch.doc WHERE id = ?1")
    {
    }
    bool ok() const { return m_doc.ok() && m_fts.ok() && m_unfts.ok() && m_undoc.ok(); }
    bool remove(qint64 id)
    {
        m_unfts.bind(1, id);
        m_undoc.bind(1, id);
        const bool done = m_unfts.step() == SQLITE_DONE && m_undoc.step() == SQLITE_DONE;
        m_unfts.reset();
        m_undoc.reset();
        return done;
    }
    // Columns of the source statement: auto_id, game_id, sub_cat, desc, src, txt_rtf.
    bool add(const Stmt &row)
    {
        const qint64 id = row.i64(0);
        const QByteArray d = row.text(3).toUtf8();
        const QByteArray s = row.text(4).toUtf8();
        const QByteArray t = SearchIndex::indexedText(row.text(5)).toUtf8();
        m_doc.bind(1, id);
        m_doc.bind(2, row.i64(1));
        m_doc.bind(3, row.i64(2));
        m_doc.bind(4, d);
        m_doc.bind(5, s);
        m_doc.bind(6, t);
        m_fts.bind(1, id);
        m_fts.bind(2, d);
        m_fts.bind(3, s);
        m_fts.bind(4, t);
        const bool done = m_doc.step() == SQLITE_DONE && m_fts.step() == SQLITE_DONE;
        m_doc.reset();
        m_fts.reset();
        return done;
    }

private:
    Stmt m_doc, m_fts, m_unfts, m_undoc;
};

constexpr const char *kSource =
    "SELECT auto_id, game_id, sub_cat, \"desc\", src, txt_rtf FROM main.file";

// The longest run of t without a blank. Because the fields are joined with blanks, such a run
// of a hit always lies inside one field, so the index can narrow by it.
QString longestRun(const QString &t)
{
    QString best;
    for (const QString &piece : t.split(u' ', Qt::SkipEmptyParts))
        if (piece.size() > best.size())
            best = piece;
    return best;
}

int progressHandler(void *context)
{
    const auto *tick = static_cast<const std::function<bool()> *>(context);
    return (*tick)() ? 0 : 1;
}

} // namespace

QString SearchIndex::sidePath(const QString &dbPath)
{
    const QFileInfo info(dbPath);
    return info.path() + u'/' + info.completeBaseName() + QStringLiteral(".fts");
}

QString SearchIndex::indexedText(const QString &rtf)
{
    return rtf::plainText(rtf::toBytes(rtf));
}

bool SearchIndex::isAttached(const Connection &conn)
{
    sqlite3 *db = conn.handle();
    return db && sqlite3_db_filename(db, "lcsearch") != nullptr;
}

bool SearchIndex::attach(Connection &conn, Error *error)
{
    sqlite3 *db = conn.handle();
    if (!db)
        return setError(db, error);
    if (isAttached(conn))
        return true;
    const QString side = sidePath(conn.path());
    for (int attempt = 0; attempt < 2; ++attempt) {
        // The program's connection never creates files, so ATTACH would not either.
        if (!QFileInfo::exists(side)) {
            sqlite3 *fresh = nullptr;
            sqlite3_open_v2(side.toUtf8().constData(), &fresh,
                            SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
            sqlite3_close_v2(fresh);
        }
        Stmt st(db, "ATTACH DATABASE ?1 AS lcsearch");
        st.bind(1, side.toUtf8());
        if (st.step() == SQLITE_DONE && exec(db, "PRAGMA lcsearch.journal_mode = WAL") &&
            exec(db, kSchema, error)) {
            if (error)
                *error = {};
            // A side file not closed cleanly may have missed writes (a crash): rebuild it.
            // "clean" stays "0" while open, so the next opening knows.
            if (meta(db, "clean") != QLatin1String("1"))
                setMeta(db, "state", QStringLiteral("stale"));
            setMeta(db, "clean", QStringLiteral("0"));
            return true;
        }
        // A damaged or foreign side file: it only ever holds what a rebuild makes.
        exec(db, "DETACH DATABASE lcsearch");
        QFile::remove(side);
        QFile::remove(side + QStringLiteral("-wal"));
        QFile::remove(side + QStringLiteral("-shm"));
    }
    return setError(db, error);
}

void SearchIndex::detach(Connection &conn)
{
    if (!isAttached(conn))
        return;
    sqlite3 *db = conn.handle();
    if (meta(db, "state") == QLatin1String("ready") && refresh(conn))
        setMeta(db, "clean", QStringLiteral("1"));
    exec(db,
         "DROP TRIGGER IF EXISTS temp.lc_search_ins; DROP TRIGGER IF EXISTS temp.lc_search_upd;"
         "DROP TRIGGER IF EXISTS temp.lc_search_del; DROP TABLE IF EXISTS temp.lc_search_dirty;");
    exec(db, "DETACH DATABASE lcsearch");
}

bool SearchIndex::needsRebuild(Connection &conn)
{
    sqlite3 *db = conn.handle();
    if (!isAttached(conn))
        return true;
    // Our own writes are folded in first, so only someone else's show in the fingerprint.
    if (pending(conn) > 0 && !refresh(conn))
        return true;
    return meta(db, "version") != QLatin1String(kVersion) ||
           meta(db, "state") != QLatin1String("ready") ||
           meta(db, "fingerprint") != fingerprint(db);
}

int SearchIndex::pending(const Connection &conn)
{
    Stmt st(conn.handle(), "SELECT count(*) FROM temp.lc_search_dirty");
    return st.ok() && st.step() == SQLITE_ROW ? int(st.i64(0)) : 0;
}

bool SearchIndex::rebuild(Connection &conn, const Progress &progress, Error *error)
{
    sqlite3 *db = conn.handle();
    if (!isAttached(conn) && !attach(conn, error))
        return false;
    qint64 total = 0;
    {
        Stmt count(db, "SELECT count(*) FROM main.file");
        if (!count.ok() || count.step() != SQLITE_ROW)
            return setError(db, error);
        total = count.i64(0);
    }
    if (!exec(db, "BEGIN", error))
        return false;
    setMeta(db, "state", QStringLiteral("building"));
    bool ok = exec(db,
                   "DELETE FROM temp.lc_search_dirty; DELETE FROM lcsearch.doc; "
                   "INSERT INTO lcsearch.fts(fts) VALUES('delete-all');",
                   error);
    bool cancelled = false;
    if (ok) {
        Writer writer(db);
        Stmt rows(db, QByteArray(kSource) + " ORDER BY auto_id");
        ok = writer.ok() && rows.ok();
        qint64 done = 0;
        int rc = SQLITE_DONE;
        while (ok && (rc = rows.step()) == SQLITE_ROW) {
            ok = writer.add(rows);
            if (++done % 512 == 0 && progress && !progress(done, total)) {
                cancelled = true;
                break;
            }
        }
        ok = ok && (cancelled || rc == SQLITE_DONE);
        if (!ok && !cancelled)
            setError(db, error);
    }
    if (!ok || cancelled) {
        exec(db, "ROLLBACK");
        exec(db, "BEGIN");
        setMeta(db, "state", QStringLiteral("building"));
        exec(db, "COMMIT");
        return false;
    }
    setMeta(db, "version", QString::fromLatin1(kVersion));
    setMeta(db, "state", QStringLiteral("ready"));
    setMeta(db, "fingerprint", fingerprint(db));
    if (!exec(db, "COMMIT", error)) {
        exec(db, "ROLLBACK");
        return false;
    }
    if (progress)
        progress(total, total);
    return true;
}

bool SearchIndex::refresh(Connection &conn, Error *error)
{
    sqlite3 *db = conn.handle();
    if (!isAttached(conn))
        return setError(db, error);
    if (pending(conn) == 0)
        return true;
    if (!exec(db, "BEGIN", error))
        return false;
    bool ok = true;
    {
        Writer writer(db);
        Stmt ids(db, "SELECT id FROM temp.lc_search_dirty ORDER BY id");
        Stmt row(db, QByteArray(kSource) + " WHERE auto_id = ?1");
        ok = writer.ok() && ids.ok() && row.ok();
        while (ok && ids.step() == SQLITE_ROW) {
            const qint64 id = ids.i64(0);
            ok = writer.remove(id);
            row.bind(1, id);
            if (ok && row.step() == SQLITE_ROW)
                ok = writer.add(row);
            row.reset();
        }
    }
    ok = ok && exec(db, "DELETE FROM temp.lc_search_dirty", error);
    if (ok)
        setMeta(db, "fingerprint", fingerprint(db));
    if (!ok || !exec(db, "COMMIT", error)) {
        setError(db, error);
        exec(db, "ROLLBACK");
        return false;
    }
    return true;
}

namespace {

QByteArray condition(const SearchIndex::Query &query, const char *table)
{
    QByteArrayList parts;
    if (query.gameId != 0)
        parts << QByteArray(table) + ".game_id = " + QByteArray::number(query.gameId);
    if (!query.categories.isEmpty()) {
        QByteArrayList cats;
        for (quint8 c : query.categories)
            cats << QByteArray::number(c);
        parts << QByteArray(table) + ".sub_cat IN (" + cats.join(", ") + ")";
    }
    return parts.join(" AND ");
}

} // namespace

qint64 SearchIndex::countRows(Connection &conn, const Query &query, Error *error)
{
    QByteArray sql = "SELECT count(*) FROM main.file AS f";
    const QByteArray where = condition(query, "f");
    if (!where.isEmpty())
        sql += " WHERE " + where;
    Stmt st(conn.handle(), sql);
    if (!st.ok() || st.step() != SQLITE_ROW) {
        setError(conn.handle(), error);
        return -1;
    }
    return st.i64(0);
}

bool SearchIndex::search(Connection &conn, const Query &query, const Callbacks &callbacks,
                         Error *error)
{
    sqlite3 *db = conn.handle();
    if (!isAttached(conn))
        return setError(db, error);
    QByteArrayList fields, columns;
    if (query.description)
        fields << "doc.d", columns << "d";
    if (query.source)
        fields << "doc.s", columns << "s";
    if (query.text_)
        fields << "doc.t", columns << "t";
    if (fields.isEmpty() || query.text.isEmpty())
        return true;

    QByteArrayList where;
    const QByteArray cond = condition(query, "doc");
    if (!cond.isEmpty())
        where << cond;
    // The exact rule, done by the engine on the joined fields.
    where << "instr(" + fields.join(" || ' ' || ") + ", ?1) > 0";
    QByteArray sql = "SELECT doc.id, doc.game_id, doc.sub_cat, doc.d FROM lcsearch.doc AS doc";
    const QString run = longestRun(query.text);
    // Trigrams narrow only by three characters or more; shorter queries scan the plain text.
    const bool narrow = run.size() >= 3;
    if (narrow) {
        sql += " JOIN lcsearch.fts AS fts ON fts.rowid = doc.id";
        where.prepend("fts MATCH ?2");
    }
    sql += " WHERE " + where.join(" AND ") + " ORDER BY doc.id";
    Stmt st(db, sql);
    if (!st.ok())
        return setError(db, error);
    st.bind(1, query.text.toUtf8());
    if (narrow) {
        QString phrase = run;
        phrase.replace(u'"', QStringLiteral("\"\""));
        st.bind(2, ("{" + columns.join(" ") + "} : \"" + phrase.toUtf8() + "\""));
    }
    if (callbacks.tick)
        sqlite3_progress_handler(db, 20000, progressHandler,
                                 const_cast<std::function<bool()> *>(&callbacks.tick));
    int rc = SQLITE_DONE;
    bool stopped = false;
    while ((rc = st.step()) == SQLITE_ROW) {
        Hit hit;
        hit.id = qint32(st.i64(0));
        hit.gameId = qint32(st.i64(1));
        hit.subCat = quint8(st.i64(2));
        hit.desc = st.text(3);
        if (callbacks.hit && !callbacks.hit(hit)) {
            stopped = true;
            break;
        }
    }
    sqlite3_progress_handler(db, 0, nullptr, nullptr);
    if (stopped || rc == SQLITE_DONE || rc == SQLITE_INTERRUPT)
        return true;
    return setError(db, error);
}

} // namespace lc::db
