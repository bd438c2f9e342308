#include "searchindex.h"

#include "connection.h"
#include "rtf.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <iterator>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace lc::db {

namespace {

// Bumped whenever what is indexed changes, so an older side file is rebuilt.
constexpr const char *kVersion = "5";
// Characters of a file's plain text kept beside the short fields: enough for a match that
// starts in the source and runs on into the text.
constexpr int kHead = 64;
constexpr int kProgressRows = 256;

class Stmt {
public:
    Stmt(sqlite3 *db, const char *sql) { m_rc = sqlite3_prepare_v2(db, sql, -1, &m_st, nullptr); }
    Stmt(sqlite3 *db, const QByteArray &sql) : Stmt(db, sql.constData()) {}
    ~Stmt() { sqlite3_finalize(m_st); }
    Stmt(const Stmt &) = delete;
    Stmt &operator=(const Stmt &) = delete;
    bool ok() const { return m_rc == SQLITE_OK && m_st; }
    sqlite3_stmt *get() const { return m_st; }
    void bind(int i, QByteArrayView utf8)
    {
        sqlite3_bind_text(m_st, i, utf8.data() ? utf8.data() : "", int(utf8.size()),
                          SQLITE_TRANSIENT);
    }
    void bind(int i, qint64 v) { sqlite3_bind_int64(m_st, i, v); }
    int step() { return m_st ? sqlite3_step(m_st) : SQLITE_MISUSE; }
    void reset()
    {
        sqlite3_reset(m_st);
        sqlite3_clear_bindings(m_st);
    }
    qint64 i64(int c) const { return sqlite3_column_int64(m_st, c); }
    QByteArrayView view(int c) const
    {
        const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(m_st, c));
        return QByteArrayView(p, sqlite3_column_bytes(m_st, c));
    }
    QString text(int c) const { return QString::fromUtf8(view(c)); }

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

QString meta(sqlite3 *db, const char *schema, const char *key)
{
    Stmt st(db, QByteArray("SELECT value FROM ") + schema + ".meta WHERE key = ?1");
    if (!st.ok())
        return {};
    st.bind(1, key);
    return st.step() == SQLITE_ROW ? st.text(0) : QString();
}

bool setMeta(sqlite3 *db, const char *schema, const char *key, const QString &value)
{
    Stmt st(db,
            QByteArray("INSERT OR REPLACE INTO ") + schema + ".meta(key, value) VALUES(?1, ?2)");
    st.bind(1, key);
    st.bind(2, value.toUtf8());
    return st.step() == SQLITE_DONE;
}

// What the database files look like on disk: any write by anyone changes it.
QString stampOf(const QString &dbPath)
{
    QString stamp;
    for (const QString &path : {dbPath, dbPath + QStringLiteral("-wal")}) {
        const QFileInfo info(path);
        if (info.exists() && info.size() > 0)
            stamp += QStringLiteral("%1:%2;")
                         .arg(info.size())
                         .arg(info.lastModified().toMSecsSinceEpoch());
    }
    return stamp;
}

qint64 dataVersion(sqlite3 *db)
{
    Stmt st(db, "PRAGMA main.data_version");
    return st.ok() && st.step() == SQLITE_ROW ? st.i64(0) : -1;
}

// Per connection: what attach() found, and the data version the index was last brought to.
const char *const kTempSchema = R"(
CREATE TEMP TABLE IF NOT EXISTS lc_search_dirty(id INTEGER PRIMARY KEY);
CREATE TEMP TABLE IF NOT EXISTS lc_search_state(key TEXT PRIMARY KEY, value);
CREATE TEMP TRIGGER IF NOT EXISTS lc_search_ins AFTER INSERT ON main.file BEGIN
  INSERT OR IGNORE INTO lc_search_dirty VALUES(new.auto_id); END;
CREATE TEMP TRIGGER IF NOT EXISTS lc_search_upd AFTER UPDATE ON main.file BEGIN
  INSERT OR IGNORE INTO lc_search_dirty VALUES(old.auto_id);
  INSERT OR IGNORE INTO lc_search_dirty VALUES(new.auto_id); END;
CREATE TEMP TRIGGER IF NOT EXISTS lc_search_del AFTER DELETE ON main.file BEGIN
  INSERT OR IGNORE INTO lc_search_dirty VALUES(old.auto_id); END;
)";

// Built in a fresh file only, so it is created on the builder's own connection.
const char *const kSideSchema = R"(
CREATE TABLE meta(key TEXT PRIMARY KEY, value TEXT);
CREATE TABLE doc(id INTEGER PRIMARY KEY, game_id INTEGER, sub_cat INTEGER, hv INTEGER,
  d TEXT, s TEXT);
CREATE TABLE txt(id INTEGER PRIMARY KEY, h TEXT, t TEXT);
CREATE VIRTUAL TABLE fts USING fts5(t, dsh, content='', columnsize=0,
  tokenize='trigram case_sensitive 1');
)";
// Made after the bulk load, which is faster without it.
const char *const kSideIndexes = "CREATE INDEX doc_game ON doc(game_id);";

void setState(sqlite3 *db, const char *key, qint64 value)
{
    Stmt st(db, "INSERT OR REPLACE INTO temp.lc_search_state(key, value) VALUES(?1, ?2)");
    st.bind(1, key);
    st.bind(2, value);
    st.step();
}

qint64 state(sqlite3 *db, const char *key, qint64 fallback)
{
    Stmt st(db, "SELECT value FROM temp.lc_search_state WHERE key = ?1");
    st.bind(1, key);
    return st.ok() && st.step() == SQLITE_ROW ? st.i64(0) : fallback;
}

// A file row as the index sees it: the hash tells a changed row from an unchanged one.
qint64 rowHash(qint64 gameId, qint64 subCat, QByteArrayView d, QByteArrayView s, QByteArrayView rtf)
{
    return qint64(qHashMulti(0, gameId, subCat, d, s, rtf));
}

// A file row as the index keeps it, its text decoded.
struct Entry {
    qint64 id = 0, gameId = 0, subCat = 0, hash = 0;
    QByteArray d, s, t;

    // Columns of the source statement: auto_id, game_id, sub_cat, desc, src, txt_rtf.
    static Entry of(const Stmt &row)
    {
        Entry e;
        const QByteArrayView d = row.view(3), s = row.view(4), rtfText = row.view(5);
        e.id = row.i64(0);
        e.gameId = row.i64(1);
        e.subCat = row.i64(2);
        e.hash = rowHash(e.gameId, e.subCat, d, s, rtfText);
        e.d = d.toByteArray();
        e.s = s.toByteArray();
        e.t = SearchIndex::indexedText(QString::fromUtf8(rtfText)).toUtf8();
        return e;
    }
};

// Writes and removes entries; schema is "main" on the builder, "lcsearch" on the program's
// connection.
class Writer {
public:
    Writer(sqlite3 *db, const QByteArray &schema)
        : m_doc(db, "INSERT INTO " + schema +
                        ".doc(id, game_id, sub_cat, hv, d, s) VALUES(?1, ?2, ?3, ?4, ?5, ?6)"),
          m_txt(db, "INSERT INTO " + schema + ".txt(id, h, t) VALUES(?1, substr(?2, 1, " +
                        QByteArray::number(kHead) + "), ?2)"),
          // The text, and the short fields joined with the start of the text: a phrase in
          // the description, the source or over the blanks between them and the text is a
          // phrase in that one column. Indexing the short fields once, not once per field
          // and join, keeps the index a quarter smaller and faster to build.
          m_fts(db, "INSERT INTO " + schema +
                        ".fts(rowid, t, dsh) VALUES(?1, ?4, ?2 || ' ' || ?3 || ' ' || "
                        "substr(?4, 1, " +
                        QByteArray::number(kHead) + "))"),
          // A contentless index forgets an entry only when given exactly what it indexed.
          m_unfts(db, "INSERT INTO " + schema +
                          ".fts(fts, rowid, t, dsh) SELECT 'delete', doc.id, coalesce(txt.t, ''), "
                          "doc.d || ' ' || doc.s || ' ' || coalesce(txt.h, '') FROM " +
                          schema + ".doc AS doc LEFT JOIN " + schema +
                          ".txt AS txt ON txt.id = doc.id WHERE doc.id = ?1"),
          m_undoc(db, "DELETE FROM " + schema + ".doc WHERE id = ?1"),
          m_untxt(db, "DELETE FROM " + schema + ".txt WHERE id = ?1")
    {
    }
    bool ok() const
    {
        return m_doc.ok() && m_txt.ok() && m_fts.ok() && m_unfts.ok() && m_undoc.ok() &&
               m_untxt.ok();
    }
    bool remove(qint64 id)
    {
        bool done = true;
        for (Stmt *st : {&m_unfts, &m_undoc, &m_untxt}) {
            st->bind(1, id);
            done = st->step() == SQLITE_DONE && done;
            st->reset();
        }
        return done;
    }
    bool add(const Stmt &row) { return add(Entry::of(row)); }
    bool add(const Entry &e)
    {
        m_doc.bind(1, e.id);
        m_doc.bind(2, e.gameId);
        m_doc.bind(3, e.subCat);
        m_doc.bind(4, e.hash);
        m_doc.bind(5, e.d);
        m_doc.bind(6, e.s);
        m_txt.bind(1, e.id);
        m_txt.bind(2, e.t);
        m_fts.bind(1, e.id);
        m_fts.bind(2, e.d);
        m_fts.bind(3, e.s);
        m_fts.bind(4, e.t);
        bool done = true;
        for (Stmt *st : {&m_doc, &m_txt, &m_fts}) {
            done = st->step() == SQLITE_DONE && done;
            st->reset();
        }
        return done;
    }

private:
    Stmt m_doc, m_txt, m_fts, m_unfts, m_undoc, m_untxt;
};

const char *const kColumns = "auto_id, game_id, sub_cat, coalesce(\"desc\", ''), "
                             "coalesce(src, ''), coalesce(txt_rtf, '')";

// A connection of the index's own, for the long reads of a rebuild or a check: the side file
// as "main", the collection attached as "src".
class Worker {
public:
    Worker(const QString &sidePath, const QString &dbPath, bool create)
    {
        const int flags =
            SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
        if (sqlite3_open_v2(sidePath.toUtf8().constData(), &m_db, flags, nullptr) != SQLITE_OK)
            return;
        sqlite3_busy_timeout(m_db, 2000);
        Stmt attach(m_db, "ATTACH DATABASE ?1 AS src");
        attach.bind(1, dbPath.toUtf8());
        m_ok = attach.step() == SQLITE_DONE;
    }
    ~Worker() { sqlite3_close_v2(m_db); }
    Worker(const Worker &) = delete;
    Worker &operator=(const Worker &) = delete;
    bool ok() const { return m_ok; }
    sqlite3 *db() const { return m_db; }

private:
    sqlite3 *m_db = nullptr;
    bool m_ok = false;
};

bool attachFile(sqlite3 *db, const QString &side)
{
    Stmt st(db, "ATTACH DATABASE ?1 AS lcsearch");
    st.bind(1, side.toUtf8());
    if (st.step() != SQLITE_DONE)
        return false;
    // A file that is not a database attaches, and fails at the first read.
    Stmt probe(db, "SELECT count(*) FROM lcsearch.sqlite_master");
    if (probe.ok() && probe.step() == SQLITE_ROW)
        return true;
    exec(db, "DETACH DATABASE lcsearch");
    return false;
}

void removeSide(const QString &side)
{
    for (const char *suffix : {"", "-wal", "-shm", "-journal"})
        QFile::remove(side + QLatin1String(suffix));
}

// The program's own connection never creates files, so ATTACH would not either.
void createEmpty(const QString &side)
{
    sqlite3 *fresh = nullptr;
    sqlite3_open_v2(side.toUtf8().constData(), &fresh, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                    nullptr);
    sqlite3_close_v2(fresh);
}

bool sideReady(sqlite3 *db)
{
    return meta(db, "lcsearch", "version") == QLatin1String(kVersion) &&
           meta(db, "lcsearch", "state") == QLatin1String("ready");
}

// A rebuild or check letting events run must not be entered again from them.
bool gBusy = false;

struct BusyGuard {
    BusyGuard() { gBusy = true; }
    ~BusyGuard() { gBusy = false; }
};

int progressHandler(void *context)
{
    const auto *tick = static_cast<const std::function<bool()> *>(context);
    return (*tick)() ? 0 : 1;
}

qint64 countFiles(sqlite3 *db, const char *schema)
{
    Stmt st(db, QByteArray("SELECT count(*) FROM ") + schema + ".file");
    return st.ok() && st.step() == SQLITE_ROW ? st.i64(0) : -1;
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

bool SearchIndex::matches(const Query &query, const QString &desc, const QString &src,
                          const QString &plain)
{
    QStringList fields;
    if (query.description)
        fields << desc;
    if (query.source)
        fields << src;
    if (query.text_)
        fields << plain;
    return !fields.isEmpty() && !query.text.isEmpty() &&
           fields.join(u' ').contains(query.text, Qt::CaseSensitive);
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
    // Read before this connection writes anything.
    const QString stamp = stampOf(conn.path());
    const QString side = sidePath(conn.path());
    if (!QFileInfo::exists(side))
        createEmpty(side);
    if (!attachFile(db, side)) {
        // A damaged or foreign side file: it only ever holds what a rebuild makes.
        removeSide(side);
        createEmpty(side);
        if (!attachFile(db, side))
            return setError(db, error);
    }
    exec(db, "PRAGMA lcsearch.journal_mode = WAL");
    if (!exec(db, kTempSchema, error))
        return false;
    Need found = Need::Rebuild;
    if (sideReady(db)) {
        // Closed cleanly, and nobody wrote the collection since: the index is in step.
        found = meta(db, "lcsearch", "clean") == QLatin1String("1") &&
                        meta(db, "lcsearch", "stamp") == stamp
                    ? Need::Nothing
                    : Need::Check;
        // "clean" stays "0" while open, so a crash shows at the next opening.
        setMeta(db, "lcsearch", "clean", QStringLiteral("0"));
    }
    setState(db, "need", qint64(found));
    setState(db, "data_version", dataVersion(db));
    if (error)
        *error = {};
    return true;
}

bool SearchIndex::detach(Connection &conn)
{
    if (!isAttached(conn))
        return false;
    sqlite3 *db = conn.handle();
    const bool clean = need(conn) == Need::Nothing && refresh(conn) &&
                       setMeta(db, "lcsearch", "clean", QStringLiteral("1"));
    exec(db, "DROP TRIGGER IF EXISTS temp.lc_search_ins; DROP TRIGGER IF EXISTS temp.lc_search_upd;"
             "DROP TRIGGER IF EXISTS temp.lc_search_del; DROP TABLE IF EXISTS temp.lc_search_dirty;"
             "DROP TABLE IF EXISTS temp.lc_search_state;");
    exec(db, "DETACH DATABASE lcsearch");
    return clean;
}

void SearchIndex::closed(const QString &dbPath)
{
    const QString side = sidePath(dbPath);
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(side.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) ==
        SQLITE_OK)
        setMeta(db, "main", "stamp", stampOf(dbPath));
    sqlite3_close_v2(db);
}

SearchIndex::Need SearchIndex::need(Connection &conn)
{
    sqlite3 *db = conn.handle();
    if (!isAttached(conn))
        return Need::Rebuild;
    const auto found = Need(state(db, "need", qint64(Need::Rebuild)));
    if (found != Need::Nothing)
        return found;
    // Another connection committed to the collection since the index was last brought up to
    // date (our own writes do not count).
    if (dataVersion(db) != state(db, "data_version", -1))
        return Need::Check;
    return Need::Nothing;
}

int SearchIndex::pending(const Connection &conn)
{
    Stmt st(conn.handle(), "SELECT count(*) FROM temp.lc_search_dirty");
    return st.ok() && st.step() == SQLITE_ROW ? int(st.i64(0)) : 0;
}

bool SearchIndex::prepare(Connection &conn, const Progress &progress, Error *error)
{
    if (gBusy)
        return false;
    if (!isAttached(conn) && !attach(conn, error))
        return false;
    sqlite3 *db = conn.handle();
    switch (need(conn)) {
    case Need::Rebuild:
        return rebuild(conn, progress, error);
    case Need::Check: {
        const BusyGuard busy;
        const qint64 version = dataVersion(db);
        std::vector<qint64> changed;
        {
            Worker worker(sidePath(conn.path()), conn.path(), false);
            if (!worker.ok())
                return setError(worker.db(), error);
            const qint64 total = countFiles(worker.db(), "src");
            Stmt rows(worker.db(),
                      QByteArray("SELECT ") + kColumns + " FROM src.file ORDER BY auto_id");
            Stmt entries(worker.db(), "SELECT id, hv FROM main.doc ORDER BY id");
            if (!rows.ok() || !entries.ok())
                return setError(worker.db(), error);
            // Both in id order: a merge finds the added, removed and changed rows.
            bool haveRow = rows.step() == SQLITE_ROW, haveEntry = entries.step() == SQLITE_ROW;
            qint64 done = 0;
            while (haveRow || haveEntry) {
                const qint64 rowId = haveRow ? rows.i64(0) : INT64_MAX;
                const qint64 entryId = haveEntry ? entries.i64(0) : INT64_MAX;
                if (rowId == entryId) {
                    if (rowHash(rows.i64(1), rows.i64(2), rows.view(3), rows.view(4),
                                rows.view(5)) != entries.i64(1))
                        changed.push_back(rowId);
                } else {
                    changed.push_back(std::min(rowId, entryId));
                }
                if (rowId <= entryId) {
                    haveRow = rows.step() == SQLITE_ROW;
                    if (++done % kProgressRows == 0 && progress && !progress(done, total))
                        return false;
                }
                if (entryId <= rowId)
                    haveEntry = entries.step() == SQLITE_ROW;
            }
        }
        Stmt mark(db, "INSERT OR IGNORE INTO temp.lc_search_dirty VALUES(?1)");
        for (qint64 id : changed) {
            mark.bind(1, id);
            mark.step();
            mark.reset();
        }
        if (!refresh(conn, error))
            return false;
        setState(db, "need", qint64(Need::Nothing));
        setState(db, "data_version", version);
        return true;
    }
    case Need::Nothing:
        return refresh(conn, error);
    }
    return false;
}

namespace {

// Reads the collection's files in id order and decodes their texts on a thread of its own,
// a batch at a time, while the builder writes the batches already read: with a second core
// the decoding costs the build no time.
class Reader {
public:
    explicit Reader(const QString &dbPath) : m_path(dbPath.toUtf8()), m_thread([this] { run(); }) {}
    ~Reader()
    {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }
    Reader(const Reader &) = delete;
    Reader &operator=(const Reader &) = delete;

    // The next batch; false, or an empty batch, at the end.
    bool next(std::vector<Entry> *batch)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_ready.empty() || m_done; });
        batch->clear();
        if (m_ready.empty())
            return m_error.isEmpty();
        batch->swap(m_ready.front());
        m_ready.pop_front();
        m_changed.notify_all();
        return true;
    }
    // Why the reading failed; empty when it did not. Asked after the last batch.
    QString error()
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_error;
    }

private:
    static constexpr size_t kBatch = 256;
    static constexpr size_t kQueued = 8;

    void run()
    {
        QString why;
        sqlite3 *db = nullptr;
        if (sqlite3_open_v2(m_path.constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX,
                            nullptr) == SQLITE_OK) {
            sqlite3_busy_timeout(db, 2000);
            Stmt rows(db, QByteArray("SELECT ") + kColumns + " FROM main.file ORDER BY auto_id");
            std::vector<Entry> batch;
            int rc = rows.ok() ? SQLITE_DONE : SQLITE_ERROR;
            bool handed = true;
            while (handed && rows.ok() && (rc = rows.step()) == SQLITE_ROW) {
                batch.push_back(Entry::of(rows));
                if (batch.size() == kBatch)
                    handed = hand(batch);
            }
            if (handed && rc == SQLITE_DONE)
                hand(batch);
            else if (handed)
                why = QStringLiteral("Cannot read the files for the search index: %1")
                          .arg(QString::fromUtf8(sqlite3_errmsg(db)));
        } else {
            why = QStringLiteral("Cannot open %1 for the search index.")
                      .arg(QString::fromUtf8(m_path));
        }
        sqlite3_close_v2(db);
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_error = why;
        m_done = true;
        m_changed.notify_all();
    }
    // Waits for room in the queue; false when the builder stopped.
    bool hand(std::vector<Entry> &batch)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_ready.size() < kQueued || m_stop; });
        if (m_stop)
            return false;
        if (!batch.empty())
            m_ready.push_back(std::move(batch));
        batch.clear();
        m_changed.notify_all();
        return true;
    }

    const QByteArray m_path;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::vector<Entry>> m_ready;
    QString m_error;
    bool m_done = false;
    bool m_stop = false;
    std::thread m_thread; // last: started once everything above is made
};

// Fills a fresh side file from the collection; false when cancelled or failed.
bool buildSide(const QString &fresh, const QString &dbPath, const SearchIndex::Progress &progress,
               Error *error)
{
    Worker worker(fresh, dbPath, true);
    sqlite3 *w = worker.db();
    // A half-made file is thrown away, so it needs no journal.
    if (!worker.ok() ||
        // Large pages hold the plain texts of about 1.5 KB with less room left over.
        !exec(w, "PRAGMA main.page_size = 16384; PRAGMA main.journal_mode = OFF; "
                 "PRAGMA main.synchronous = OFF; PRAGMA main.cache_size = -65536;") ||
        !exec(w, kSideSchema) ||
        // The bulk load writes large segments and merges them once at the end, instead of
        // merging as it goes.
        !exec(w, "INSERT INTO fts(fts, rank) VALUES('hashsize', 134217728);"
                 "INSERT INTO fts(fts, rank) VALUES('automerge', 0);"
                 "INSERT INTO fts(fts, rank) VALUES('crisismerge', 200);") ||
        !exec(w, "BEGIN"))
        return setError(w, error);
    const qint64 total = countFiles(w, "src");
    bool ok = true, cancelled = false;
    QString readError;
    {
        Writer writer(w, "main");
        Reader reader(dbPath);
        ok = writer.ok();
        qint64 done = 0;
        std::vector<Entry> batch;
        while (ok && !cancelled && reader.next(&batch) && !batch.empty()) {
            for (const Entry &e : batch) {
                ok = ok && writer.add(e);
                if (++done % kProgressRows == 0 && progress && !progress(done, total))
                    cancelled = true;
            }
        }
        readError = ok && !cancelled ? reader.error() : QString();
        ok = ok && !cancelled && readError.isEmpty();
    }
    // One segment, then the usual merging for the small writes of later saves. The merge is
    // long, so events keep running and Cancel still counts.
    const std::function<bool()> tick = [&] {
        cancelled = cancelled || (progress && !progress(total, total));
        return !cancelled;
    };
    if (ok)
        sqlite3_progress_handler(w, 200000, progressHandler,
                                 const_cast<std::function<bool()> *>(&tick));
    ok = ok &&
         exec(w, "INSERT INTO fts(fts) VALUES('optimize');"
                 "INSERT INTO fts(fts, rank) VALUES('automerge', 4);"
                 "INSERT INTO fts(fts, rank) VALUES('crisismerge', 16);"
                 "INSERT INTO fts(fts, rank) VALUES('hashsize', 1048576);") &&
         exec(w, kSideIndexes) && setMeta(w, "main", "version", QString::fromLatin1(kVersion)) &&
         setMeta(w, "main", "state", QStringLiteral("ready")) &&
         setMeta(w, "main", "clean", QStringLiteral("0")) && exec(w, "COMMIT");
    sqlite3_progress_handler(w, 0, nullptr, nullptr);
    if (ok) {
        if (progress)
            progress(total, total);
        return true;
    }
    if (!readError.isEmpty() && error)
        *error = {ErrDatabase, readError};
    else if (!cancelled)
        setError(w, error);
    exec(w, "ROLLBACK");
    return false;
}

} // namespace

bool SearchIndex::rebuild(Connection &conn, const Progress &progress, Error *error)
{
    if (gBusy)
        return false;
    const BusyGuard busy;
    sqlite3 *db = conn.handle();
    if (!isAttached(conn) && !attach(conn, error))
        return false;
    // Everything written from here on is folded in once the new file is in place.
    exec(db, "DELETE FROM temp.lc_search_dirty");
    const qint64 version = dataVersion(db);
    const QString side = sidePath(conn.path());
    const QString fresh = side + QStringLiteral(".new");
    removeSide(fresh);
    if (!buildSide(fresh, conn.path(), progress, error)) {
        removeSide(fresh);
        return false;
    }
    // The finished file takes the old one's place.
    exec(db, "DETACH DATABASE lcsearch");
    removeSide(side);
    const bool moved = QFile::rename(fresh, side);
    if (!moved) {
        removeSide(fresh);
        createEmpty(side);
    }
    if (!attachFile(db, side))
        return setError(db, error);
    exec(db, "PRAGMA lcsearch.journal_mode = WAL");
    if (!moved) {
        setState(db, "need", qint64(Need::Rebuild));
        if (error)
            *error = {ErrDatabase, QStringLiteral("Cannot replace the search index %1.").arg(side)};
        return false;
    }
    setState(db, "need", qint64(Need::Nothing));
    setState(db, "data_version", version);
    return refresh(conn, error);
}

bool SearchIndex::refresh(Connection &conn, Error *error)
{
    sqlite3 *db = conn.handle();
    if (!isAttached(conn))
        return setError(db, error);
    if (pending(conn) == 0)
        return true;
    // Folding in belongs to a caller's transaction when there is one.
    const bool own = sqlite3_get_autocommit(db) != 0;
    if (own && !exec(db, "BEGIN", error))
        return false;
    bool ok = true;
    {
        Writer writer(db, "lcsearch");
        Stmt ids(db, "SELECT id FROM temp.lc_search_dirty ORDER BY id");
        Stmt row(db, QByteArray("SELECT ") + kColumns + " FROM main.file WHERE auto_id = ?1");
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
    if (!own)
        return ok || setError(db, error);
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

// A phrase of the index's query language that stands for the text alone, whatever it holds.
QByteArray phrase(const QString &text)
{
    QByteArray quoted = text.toUtf8();
    quoted.replace('"', "\"\"");
    return '"' + quoted + '"';
}

qsizetype characters(const QString &text)
{
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (!text.at(i).isLowSurrogate())
            ++n;
    return n;
}

// Candidates for a match that runs over the blank between two fields. Split at the first blank
// it crosses, the part before lies at the end of the earlier field and the part after starts
// the later one, up to its own first blank. Empty when some split cannot be narrowed by
// trigrams: every row is a candidate then.
QByteArray spanningCandidates(const QString &t, const QByteArrayList &columns)
{
    // The index column a field lies in: the text in its own, the description at the start of
    // the joined column, the source somewhere after it.
    const auto in = [](const QByteArray &field, bool atStart) -> QByteArray {
        if (field == "t")
            return "{t} : " + QByteArray(atStart ? "^ " : "");
        return "{dsh} : " + QByteArray(atStart && field == "d" ? "^ " : "");
    };
    QByteArrayList terms;
    for (qsizetype k = t.indexOf(u' '); k >= 0; k = t.indexOf(u' ', k + 1)) {
        const QString before = t.left(k);
        QString after = t.mid(k + 1);
        const qsizetype blank = after.indexOf(u' ');
        if (blank >= 0)
            after.truncate(blank);
        for (qsizetype c = 0; c + 1 < columns.size(); ++c) {
            QByteArrayList both;
            if (characters(before) >= 3)
                both << in(columns[c], false) + phrase(before);
            if (characters(after) >= 3)
                both << in(columns[c + 1], true) + phrase(after);
            if (both.isEmpty())
                return {};
            terms << "(" + both.join(" AND ") + ")";
        }
    }
    return terms.join(" OR ");
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

namespace {

// The ids a statement yields in its first column, in ascending order.
bool collectIds(Stmt &st, std::vector<qint64> &ids)
{
    int rc = SQLITE_DONE;
    while ((rc = st.step()) == SQLITE_ROW)
        ids.push_back(st.i64(0));
    return rc == SQLITE_DONE;
}

// Above this many candidates one pass over the short-field table beats a lookup per id.
constexpr size_t kScanAbove = 4096;

// Above this span of file ids a search is cut into parts looked up at once, one per processor:
// the lists of common trigrams are long, and reading them is most of a search.
constexpr qint64 kPartsAbove = 8192;
constexpr unsigned kMostParts = 4;

// The ids a query of the side file yields over the ids from lo to hi, in order. The query names
// the side file's tables "lcsearch.", takes the given texts as ?1, ?2... and the ids it may
// look at from ?8 to ?9.
bool rangeIds(sqlite3 *db, const QByteArray &sql, const QByteArrayList &texts, qint64 lo, qint64 hi,
              std::vector<qint64> &out)
{
    Stmt st(db, sql);
    if (!st.ok())
        return false;
    for (qsizetype i = 0; i < texts.size(); ++i)
        st.bind(int(i + 1), texts[i]);
    st.bind(8, lo);
    st.bind(9, hi);
    return collectIds(st, out);
}

int stopHandler(void *context)
{
    return static_cast<const std::atomic<bool> *>(context)->load() ? 1 : 0;
}

// A query of the side file for a connection: the caller's names the side file's tables
// "lcsearch.", a part's own connection has it as its main database.
QByteArray on(bool own, const QByteArray &sql)
{
    return own ? sql : QByteArray(sql).replace("lcsearch.", "main.");
}

using Range = std::pair<qint64, qint64>;

// The runs of ids a search over every file is cut into: one per processor on a large
// collection, else one for every id. The other parts are looked up on connections of their
// own, which see only what the side file holds committed, so with a transaction open on the
// caller's connection nothing is cut.
std::vector<Range> partsOf(sqlite3 *db)
{
    const std::vector<Range> whole{{INT64_MIN, INT64_MAX}};
    Stmt range(db, "SELECT (SELECT min(id) FROM lcsearch.doc), (SELECT max(id) FROM lcsearch.doc)");
    if (!range.ok() || range.step() != SQLITE_ROW)
        return whole;
    const qint64 first = range.i64(0), last = range.i64(1);
    const unsigned parts = std::min(kMostParts, std::thread::hardware_concurrency());
    if (parts < 2 || last - first < kPartsAbove || !sqlite3_get_autocommit(db))
        return whole;
    std::vector<Range> cut(parts);
    for (unsigned k = 0; k < parts; ++k) {
        cut[k].first = k == 0 ? INT64_MIN : first + (last - first) * qint64(k) / qint64(parts) + 1;
        cut[k].second =
            k + 1 == parts ? INT64_MAX : first + (last - first) * qint64(k + 1) / qint64(parts);
    }
    return cut;
}

// Does one part of a search: the ids of the range on the connection h, the caller's own when
// `own`. False when it failed or is to stop.
using PartWork = std::function<bool(sqlite3 *h, bool own, size_t k, const Range &range)>;

// Runs the work over every part at once: the first part on the caller's connection, the others
// each on a thread and a connection of their own to the side file. A stop or failure of the
// first ends the others. A part whose own connection failed is done on the caller's connection
// afterwards. False when a part failed (or stopped) on the caller's connection.
bool inParts(sqlite3 *db, const QString &side, const std::vector<Range> &parts,
             const PartWork &work)
{
    const QByteArray path = side.toUtf8();
    std::atomic<bool> stop{false};
    std::vector<char> done(parts.size(), 0);
    std::vector<std::thread> threads;
    // A part without a thread, when the system has none to give, is done like a failed one.
    for (size_t k = 1; k < parts.size(); ++k)
        try {
            threads.emplace_back([&, k] {
                sqlite3 *h = nullptr;
                if (sqlite3_open_v2(path.constData(), &h,
                                    SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                                    nullptr) == SQLITE_OK &&
                    exec(h, "PRAGMA query_only = 1")) {
                    sqlite3_busy_timeout(h, 2000);
                    sqlite3_progress_handler(h, 20000, stopHandler, &stop);
                    done[k] = work(h, false, k, parts[k]);
                }
                sqlite3_close_v2(h);
            });
        } catch (const std::system_error &) {
            break;
        }
    bool ok = work(db, true, 0, parts[0]);
    if (!ok)
        stop = true;
    for (std::thread &t : threads)
        t.join();
    for (size_t k = 1; ok && k < parts.size(); ++k)
        if (!done[k])
            ok = work(db, true, k, parts[k]);
    return ok;
}

// The ids a query of the side file yields over every id, in order (see rangeIds).
bool partedIds(sqlite3 *db, const QString &side, const std::vector<Range> &parts,
               const QByteArray &sql, const QByteArrayList &texts, std::vector<qint64> &out)
{
    std::vector<std::vector<qint64>> found(parts.size());
    if (!inParts(db, side, parts, [&](sqlite3 *h, bool own, size_t k, const Range &range) {
            found[k].clear();
            return rangeIds(h, on(own, sql), texts, range.first, range.second, found[k]);
        }))
        return false;
    for (const std::vector<qint64> &ids : found)
        out.insert(out.end(), ids.begin(), ids.end());
    return true;
}

} // namespace

bool SearchIndex::search(Connection &conn, const Query &query, const Callbacks &callbacks,
                         Error *error)
{
    sqlite3 *db = conn.handle();
    if (!isAttached(conn))
        return setError(db, error);
    const QString &t = query.text;
    QByteArrayList columns;
    if (query.description)
        columns << "d";
    if (query.source)
        columns << "s";
    if (query.text_)
        columns << "t";
    if (columns.isEmpty() || t.isEmpty())
        return true;
    const QByteArray utf8 = t.toUtf8();
    const qsizetype length = characters(t);

    struct Tick {
        sqlite3 *db;
        Tick(sqlite3 *handle, const std::function<bool()> &tick) : db(handle)
        {
            if (tick)
                sqlite3_progress_handler(db, 20000, progressHandler,
                                         const_cast<std::function<bool()> *>(&tick));
        }
        ~Tick() { sqlite3_progress_handler(db, 0, nullptr, nullptr); }
    } ticking(db, callbacks.tick);
    const auto failed = [&](int rc) {
        // A stop asked by the tick is no error.
        return rc == SQLITE_INTERRUPT || sqlite3_errcode(db) == SQLITE_INTERRUPT
                   ? true
                   : setError(db, error);
    };

    const QByteArray cond = condition(query, "doc");
    const QByteArray andCond = cond.isEmpty() ? QByteArray() : " AND " + cond;
    const QByteArray list =
        "SELECT doc.id, doc.game_id, doc.sub_cat, doc.d, doc.s FROM lcsearch.doc AS doc";
    const auto emitRows = [&](Stmt &st) {
        int rc = SQLITE_DONE;
        while ((rc = st.step()) == SQLITE_ROW) {
            const Hit hit{qint32(st.i64(0)), qint32(st.i64(1)), quint8(st.i64(2)), st.text(3)};
            if (callbacks.hit && !callbacks.hit(hit))
                return true;
        }
        return rc == SQLITE_DONE || failed(rc);
    };

    // The rule applied to the stored plain text directly.
    QByteArrayList full;
    for (const QByteArray &c : columns)
        full << (c == "t" ? QByteArray("coalesce(x.t, '')") : "doc." + c);
    const QByteArray plainRule =
        (query.text_ ? " LEFT JOIN lcsearch.txt AS x ON x.id = doc.id" : QByteArray()) +
        " WHERE instr(" + full.join(" || ' ' || ") + ", ?1) > 0" + andCond;
    if (query.gameId != 0) {
        // One game's files are few: the rule is applied to them directly.
        Stmt st(db, list + plainRule + " ORDER BY doc.id");
        if (!st.ok())
            return setError(db, error);
        st.bind(1, utf8);
        return emitRows(st);
    }

    // The text has a column of its own, where a phrase match is the rule itself. The joined
    // column holds the description, the source and the start of the text: with every field
    // searched a phrase there is a match too; with fewer, its rows are candidates that the
    // short fields decide as they are listed.
    const bool allFields = columns.size() == 3;
    const bool shortFields = query.description || query.source;
    // With every field searched, the joined column also holds each match that runs from a
    // short field into the text, when it ends within the start of the text kept there.
    const bool joinCovers = !query.text_ || (allFields && length - 1 <= kHead);
    std::vector<qint64> ids;    // hits
    std::vector<qint64> checks; // candidates decided by their short fields
    // The same cut for every step of this search.
    const QString side = sidePath(conn.path());
    const std::vector<Range> parts = partsOf(db);
    const auto phraseIds = [&](const QByteArray &indexColumns, std::vector<qint64> &out) {
        return partedIds(db, side, parts,
                         "SELECT rowid FROM lcsearch.fts WHERE fts MATCH ?1 AND rowid BETWEEN ?8 "
                         "AND ?9 ORDER BY rowid",
                         {"{" + indexColumns + "} : " + phrase(t)}, out);
    };
    if (length < 3) {
        // Trigrams cannot narrow one or two characters.
        if (!partedIds(db, side, parts,
                       "SELECT doc.id FROM lcsearch.doc AS doc" + plainRule +
                           " AND doc.id BETWEEN ?8 AND ?9 ORDER BY doc.id",
                       {utf8}, ids))
            return failed(SQLITE_ERROR);
    } else if (allFields) {
        if (!phraseIds("t dsh", ids))
            return failed(SQLITE_ERROR);
    } else {
        if (query.text_ && !phraseIds("t", ids))
            return failed(SQLITE_ERROR);
        if (shortFields && !phraseIds("dsh", checks))
            return failed(SQLITE_ERROR);
    }
    if (length >= 3 && columns.size() > 1 && t.contains(u' ') && !joinCovers) {
        // A match over the blank between two fields: candidates checked with the rule on the
        // fields joined, the text cut to what such a match can reach.
        QByteArrayList joined;
        for (const QByteArray &c : columns)
            joined << (c != "t"              ? "doc." + c
                       : length - 1 <= kHead ? QByteArray("x.h")
                                             : QByteArray("substr(x.t, 1, length(?1) - 1)"));
        const QByteArray exact = "instr(" + joined.join(" || ' ' || ") + ", ?1) > 0";
        const QByteArray from =
            query.text_ ? " JOIN lcsearch.txt AS x ON x.id = doc.id" : QByteArray();
        const QByteArray spanning = spanningCandidates(t, columns);
        std::vector<qint64> more;
        if (!(spanning.isEmpty()
                  ? partedIds(db, side, parts,
                              "SELECT doc.id FROM lcsearch.doc AS doc" + from + " WHERE " + exact +
                                  " AND doc.id BETWEEN ?8 AND ?9",
                              {utf8}, more)
                  : partedIds(db, side, parts,
                              "SELECT doc.id FROM lcsearch.fts AS fts CROSS JOIN lcsearch.doc AS "
                              "doc ON doc.id = fts.rowid" +
                                  from + " WHERE fts MATCH ?2 AND " + exact +
                                  " AND fts.rowid BETWEEN ?8 AND ?9",
                              {utf8, spanning}, more)))
            return failed(SQLITE_ERROR);
        if (!more.empty()) {
            std::sort(more.begin(), more.end());
            std::vector<qint64> both;
            both.reserve(ids.size() + more.size());
            std::set_union(ids.begin(), ids.end(), more.begin(), more.end(),
                           std::back_inserter(both));
            ids.swap(both);
        }
    }
    // Without candidates to check, the hits are the list as they stand.
    std::vector<qint64> merged;
    if (!checks.empty()) {
        merged.reserve(ids.size() + checks.size());
        std::set_union(ids.begin(), ids.end(), checks.begin(), checks.end(),
                       std::back_inserter(merged));
    }
    const std::vector<qint64> &listed = checks.empty() ? ids : merged;
    if (listed.empty())
        return true;

    // The listed values of the hits: looked up one by one when they are few, read in one pass
    // beside the sorted ids when they are many.
    const auto wanted = [&](qint64 game, qint64 cat) {
        return (query.gameId == 0 || game == query.gameId) &&
               (query.categories.isEmpty() || query.categories.contains(quint8(cat)));
    };
    Query shortOnly = query;
    shortOnly.text_ = false;
    // Whether the row under st is a hit, and the hit it is. Also called on the parts' threads.
    const auto hitOf = [&](qint64 id, const Stmt &st, Hit *hit) {
        QString desc = st.text(3);
        if (!checks.empty() && !std::binary_search(ids.begin(), ids.end(), id) &&
            !matches(shortOnly, desc, st.text(4), QString()))
            return false;
        *hit = Hit{qint32(id), qint32(st.i64(1)), quint8(st.i64(2)), std::move(desc)};
        return true;
    };
    if (listed.size() <= kScanAbove) {
        Stmt st(db, list + " WHERE doc.id = ?1");
        if (!st.ok())
            return setError(db, error);
        Hit hit;
        for (qint64 id : listed) {
            st.bind(1, id);
            const int rc = st.step();
            if (rc == SQLITE_ROW && wanted(st.i64(1), st.i64(2))) {
                if (hitOf(id, st, &hit) && callbacks.hit && !callbacks.hit(hit))
                    return true;
            } else if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
                return failed(rc);
            }
            st.reset();
        }
        return true;
    }
    // Many hits: the short-field table read beside the sorted ids, in parts at once. The first
    // part's hits are handed on as they are read, the others' once every part is read.
    std::vector<std::vector<Hit>> later(parts.size());
    bool stopped = false;
    const bool ok =
        inParts(db, side, parts, [&](sqlite3 *h, bool own, size_t k, const Range &range) {
            Stmt st(h, on(own,
                          list + " WHERE doc.id BETWEEN ?8 AND ?9" + andCond + " ORDER BY doc.id"));
            if (!st.ok())
                return false;
            st.bind(8, range.first);
            st.bind(9, range.second);
            later[k].clear();
            auto next = std::lower_bound(listed.begin(), listed.end(), range.first);
            Hit hit;
            int rc = SQLITE_DONE;
            while (next != listed.end() && (rc = st.step()) == SQLITE_ROW) {
                const qint64 id = st.i64(0);
                while (next != listed.end() && *next < id)
                    ++next;
                if (next == listed.end() || *next != id || !hitOf(id, st, &hit))
                    continue;
                if (k > 0) {
                    later[k].push_back(std::move(hit));
                } else if (callbacks.hit && !callbacks.hit(hit)) {
                    stopped = true;
                    return false;
                }
            }
            return rc == SQLITE_DONE || rc == SQLITE_ROW;
        });
    if (stopped)
        return true;
    if (!ok)
        return failed(SQLITE_ERROR);
    for (const std::vector<Hit> &hits : later)
        for (const Hit &hit : hits)
            if (callbacks.hit && !callbacks.hit(hit))
                return true;
    return true;
}

bool SearchIndex::scan(Connection &conn, const Query &query, const Callbacks &callbacks,
                       Error *error)
{
    sqlite3 *db = conn.handle();
    if (!db)
        return setError(db, error);
    if (query.text.isEmpty() || (!query.description && !query.source && !query.text_))
        return true;
    const QByteArray where = condition(query, "f");
    Stmt st(db, QByteArray("SELECT f.auto_id, f.game_id, f.sub_cat, coalesce(f.\"desc\", ''), "
                           "coalesce(f.src, ''), ") +
                    (query.text_ ? "coalesce(f.txt_rtf, '')" : "''") + " FROM main.file AS f" +
                    (where.isEmpty() ? QByteArray() : " WHERE " + where) + " ORDER BY f.auto_id");
    if (!st.ok())
        return setError(db, error);
    int rc = SQLITE_DONE;
    qint64 rows = 0;
    while ((rc = st.step()) == SQLITE_ROW) {
        const QString desc = st.text(3);
        const QString plain = query.text_ ? indexedText(st.text(5)) : QString();
        if (matches(query, desc, st.text(4), plain)) {
            const Hit hit{qint32(st.i64(0)), qint32(st.i64(1)), quint8(st.i64(2)), desc};
            if (callbacks.hit && !callbacks.hit(hit))
                return true;
        }
        if (++rows % kProgressRows == 0 && callbacks.tick && !callbacks.tick())
            return true;
    }
    return rc == SQLITE_DONE || setError(db, error);
}

} // namespace lc::db
