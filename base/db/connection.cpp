#include "connection.h"
#include "searchindex.h"

#include "expression.h"

#include <QFileInfo>

#include <sqlite3.h>

#include <utility>

namespace lc::db {
namespace {

// Long enough to ride over another program's short write, short enough that a database
// held locked by someone else is reported promptly.
constexpr int kBusyTimeoutMs = 500;

// Before SQLite's first use in the process. Without counting the memory it hands out, its
// allocator takes no lock of its own, so connections on different threads (a search looked up
// in parts, a build reading while it writes) do not queue for every allocation. Nothing here
// asks SQLite how much memory it uses. Too late only when something else used SQLite first.
void configureOnce()
{
    static const bool configured = [] {
        return sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0) == SQLITE_OK;
    }();
    (void)configured;
}

int collateNoCase(void *, int lenA, const void *a, int lenB, const void *b)
{
    return detail::compareText(QString::fromUtf8(static_cast<const char *>(a), lenA),
                               QString::fromUtf8(static_cast<const char *>(b), lenB));
}

QString message(sqlite3 *db)
{
    return QString::fromUtf8(sqlite3_errmsg(db));
}

qint64 pragmaValue(sqlite3 *db, const char *sql, bool *ok)
{
    sqlite3_stmt *st = nullptr;
    *ok = false;
    qint64 value = 0;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW) {
        value = sqlite3_column_int64(st, 0);
        *ok = true;
    }
    sqlite3_finalize(st);
    return value;
}

// Cheap checks that the file is a usable database: the schema can be read, and the size the
// header promises is really there. A full integrity check would read every page.
QString validate(sqlite3 *db, const QString &path)
{
    sqlite3_stmt *st = nullptr;
    int rc = sqlite3_prepare_v2(db, "SELECT count(*) FROM sqlite_master", -1, &st, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_step(st);
    const int code = sqlite3_extended_errcode(db) & 0xff;
    const QString why = message(db);
    sqlite3_finalize(st);
    if (rc != SQLITE_ROW) {
        if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
            return QStringLiteral("the database is locked by another program (%1)").arg(why);
        return why;
    }

    bool ok1 = false;
    bool ok2 = false;
    const qint64 pages = pragmaValue(db, "PRAGMA page_count", &ok1);
    const qint64 pageSize = pragmaValue(db, "PRAGMA page_size", &ok2);
    if (!ok1 || !ok2)
        return message(db);
    // Pages not yet copied back from the write-ahead log may lie beyond the main file.
    const QFileInfo wal(path + QStringLiteral("-wal"));
    const qint64 available = QFileInfo(path).size() + (wal.exists() ? wal.size() : 0);
    if (pages * pageSize > available)
        return QStringLiteral("the file is truncated (%1 bytes expected, %2 present)")
            .arg(pages * pageSize)
            .arg(QFileInfo(path).size());
    return {};
}

} // namespace

Connection::Connection() = default;

Connection::~Connection()
{
    close();
}

Connection::Connection(Connection &&other) noexcept
    : m_db(std::exchange(other.m_db, nullptr)), m_path(std::move(other.m_path)),
      m_error(std::move(other.m_error)), m_live(std::move(other.m_live))
{
}

Connection &Connection::operator=(Connection &&other) noexcept
{
    if (this != &other) {
        close();
        m_db = std::exchange(other.m_db, nullptr);
        m_path = std::move(other.m_path);
        m_error = std::move(other.m_error);
        m_live = std::move(other.m_live);
    }
    return *this;
}

bool Connection::fail(int number, const QString &description)
{
    m_error = Error{number, description};
    return false;
}

bool Connection::open(const QString &path)
{
    close();
    m_error = Error::none();
    m_path = path;
    if (path.isEmpty())
        return fail(ErrInvalidConnection, QStringLiteral("No database file was given."));
    const QFileInfo info(path);
    if (!info.exists())
        return fail(ErrInvalidConnection,
                    QStringLiteral("The database file %1 does not exist.").arg(path));
    if (!info.isFile())
        return fail(ErrInvalidConnection,
                    QStringLiteral("The database path %1 is not a file.").arg(path));
    // An empty file would open as a new, empty database and be written to on the spot.
    if (info.size() == 0)
        return fail(ErrDatabase, QStringLiteral("The database file %1 is empty.").arg(path));

    configureOnce();
    sqlite3 *db = nullptr;
    // Read-write but never create: a mistyped path must not leave an empty database behind.
    // A connection belongs to one thread at a time, so SQLite's per-call locking is only cost.
    int rc = sqlite3_open_v2(path.toUtf8().constData(), &db,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const QString why = db ? message(db) : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_close_v2(db);
        return fail(ErrInvalidConnection,
                    QStringLiteral("Cannot open the database %1: %2.").arg(path, why));
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    // A misspelt column in double quotes must be an error, not silently read as text.
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_create_collation_v2(db, detail::kCollation, SQLITE_UTF8, nullptr, collateNoCase,
                                nullptr);

    const QString problem = validate(db, path);
    if (!problem.isEmpty()) {
        sqlite3_close_v2(db);
        return fail(ErrDatabase,
                    QStringLiteral("%1 cannot be used as a database: %2.").arg(path, problem));
    }

    // Readers and the writer stop blocking each other. Not possible in a read-only folder,
    // where the file still works in its current journal mode.
    sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);

    m_db = db;
    m_live = std::make_shared<sqlite3 *>(db);
    return true;
}

void Connection::close()
{
    if (m_live) {
        *m_live = nullptr;
        m_live.reset();
    }
    if (m_db) {
        // The search index keeps pending changes in this connection's temporary tables.
        const bool indexClean = SearchIndex::detach(*this);
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        // Noted once the file is shut, so the next opening can tell whether anyone wrote since.
        if (indexClean)
            SearchIndex::closed(m_path);
    }
}

bool Connection::beginTransaction()
{
    return execRaw("BEGIN IMMEDIATE");
}

bool Connection::commit()
{
    return execRaw("COMMIT");
}

void Connection::rollback()
{
    if (m_db && !sqlite3_get_autocommit(m_db))
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

bool Connection::execRaw(const char *sql)
{
    if (!m_db)
        return fail(ErrInvalidConnection, QStringLiteral("The database is not open."));
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        return fail(ErrDatabase, message(m_db));
    m_error = Error::none();
    return true;
}

bool Connection::hasTables(const QStringList &tables) const
{
    if (!m_db)
        return false;
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(m_db,
                           "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1 "
                           "COLLATE NOCASE",
                           -1, &st, nullptr) != SQLITE_OK)
        return false;
    bool all = true;
    for (const QString &table : tables) {
        const QByteArray name = table.toUtf8();
        sqlite3_bind_text(st, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
        const bool found = sqlite3_step(st) == SQLITE_ROW;
        sqlite3_reset(st);
        if (!found) {
            all = false;
            break;
        }
    }
    sqlite3_finalize(st);
    return all;
}

} // namespace lc::db
