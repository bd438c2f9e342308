#include "collection_build.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <sqlite3.h>

#include <filesystem>
#include <iterator>
#include <system_error>

namespace lc::collection {
namespace {

// Column names and order are what the program reads; "desc" is a keyword, hence the quotes.
const char *const kSchema = R"sql(
CREATE TABLE platform(auto_id INTEGER PRIMARY KEY, cat INTEGER, brand TEXT, name TEXT,
                      in_use INTEGER);
CREATE TABLE game(auto_id INTEGER PRIMARY KEY AUTOINCREMENT, platform_id INTEGER,
                  genre_id INTEGER, name TEXT, notes TEXT);
CREATE TABLE file(auto_id INTEGER PRIMARY KEY AUTOINCREMENT, game_id INTEGER, sub_cat INTEGER,
                  src TEXT, "desc" TEXT, txt_rtf TEXT);
CREATE TABLE bookmarks(auto_id INTEGER PRIMARY KEY AUTOINCREMENT, tree_key TEXT, game TEXT,
                       file TEXT, platform TEXT, sub_cat INTEGER, genre INTEGER);
CREATE TABLE favorites(auto_id INTEGER PRIMARY KEY AUTOINCREMENT, url TEXT, title TEXT,
                       "desc" TEXT);
)sql";

// Made after the rows are in: one sorted pass costs far less than keeping them up to date
// through a few hundred thousand inserts.
const char *const kIndexes = R"sql(
CREATE INDEX game_platform_id ON game(platform_id);
CREATE INDEX file_game_id ON file(game_id);
)sql";

struct Platform {
    int id;
    const char *name;
    const char *brand;
};

// The program keeps the same list in its base library; it is repeated here so the collection
// maker builds without the program. The tests compare the two.
const Platform kPlatforms[] = {
    {1, "Nintendo Entertainment System", "Nintendo"},
    {2, "Super Nintendo Entertainment System", "Nintendo"},
    {3, "GameCube", "Nintendo"},
    {4, "Virtual Boy", "Nintendo"},
    {5, "Nintendo 64", "Nintendo"},
    {6, "Game Boy", "Nintendo"},
    {7, "Game Boy Color", "Nintendo"},
    {8, "Game Boy Advanced", "Nintendo"},
    {9, "Genesis", "Sega"},
    {10, "Saturn", "Sega"},
    {11, "32x", "Sega"},
    {12, "Master System", "Sega"},
    {13, "Dreamcast", "Sega"},
    {14, "Game Gear", "Sega"},
    {15, "Playstation", "Sony"},
    {16, "Playstation II", "Sony"},
    {17, "Xbox", "Microsoft"},
    {18, "PC", "PC"},
    {19, "Arcade", "Arcade"},
};
static_assert(std::size(kPlatforms) == kPlatformCount);

bool insertPlatforms(sqlite3 *db, QString &error)
{
    Statement insert(
        db, "INSERT INTO platform(auto_id, cat, brand, name, in_use) VALUES(?, 0, ?, ?, 1)");
    for (const Platform &p : kPlatforms) {
        insert.bind(1, p.id);
        insert.bind(2, std::string_view(p.brand));
        insert.bind(3, std::string_view(p.name));
        if (!insert.run()) {
            error = insert.error();
            return false;
        }
    }
    return true;
}

QString sqliteError(sqlite3 *db)
{
    return QString::fromUtf8(sqlite3_errmsg(db));
}

// Everything but the rename. The file is written with synchronous off (a failed build is thrown
// away anyway) and made durable by one checkpoint at the end, before it gets its real name.
bool writeDatabase(const QString &file, const Filler &fill, QString &error)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr) != SQLITE_OK) {
        error = db ? sqliteError(db) : QStringLiteral("out of memory");
        sqlite3_close(db);
        return false;
    }
    // Larger pages before anything is written: texts of a few kilobytes then fill pages
    // instead of leaving half of each small one empty.
    bool ok =
        exec(db, "PRAGMA page_size=16384", error) && exec(db, "PRAGMA journal_mode=WAL", error) &&
        exec(db, "PRAGMA synchronous=OFF", error) && exec(db, "PRAGMA cache_size=-65536", error) &&
        exec(db, "BEGIN", error) && exec(db, kSchema, error) && insertPlatforms(db, error) &&
        (!fill || fill(db, error)) && exec(db, kIndexes, error) && exec(db, "COMMIT", error) &&
        exec(db, "PRAGMA synchronous=NORMAL", error) &&
        exec(db, "PRAGMA wal_checkpoint(TRUNCATE)", error);
    if (!ok && error.isEmpty())
        error = sqliteError(db);
    // Closing the last connection folds the log into the file and removes it, so what gets
    // renamed is a single self-contained file.
    if (sqlite3_close(db) != SQLITE_OK && ok) {
        error = QStringLiteral("could not close the new database cleanly");
        ok = false;
    }
    return ok;
}

void removeWithCompanions(const QString &file)
{
    for (const char *suffix : {"", "-wal", "-shm", "-journal"})
        QFile::remove(file + QLatin1String(suffix));
}

// A collection nobody has put anything into yet, and that no other program has open: only
// then may a made collection take its place.
bool holdsNothing(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile() || info.isSymLink())
        return false;
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) !=
        SQLITE_OK) {
        sqlite3_close(db);
        return false;
    }
    sqlite3_stmt *st = nullptr;
    // A file that is not a collection fails here, and is kept.
    const bool empty = sqlite3_prepare_v2(db,
                                          "SELECT (SELECT count(*) FROM game) + (SELECT count(*) "
                                          "FROM file) + (SELECT count(*) FROM bookmarks) + "
                                          "(SELECT count(*) FROM favorites)",
                                          -1, &st, nullptr) == SQLITE_OK &&
                       sqlite3_step(st) == SQLITE_ROW && sqlite3_column_int64(st, 0) == 0;
    sqlite3_finalize(st);
    sqlite3_close(db);
    // The last connection to close removes the log; one still there belongs to a program that
    // has the file open.
    return empty && !QFileInfo::exists(path + QStringLiteral("-wal"));
}

// Puts temp in place of path in one step, replacing what is there.
bool replaceFile(const QString &temp, const QString &path, QString &error)
{
    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(temp.toStdU16String()),
                            std::filesystem::path(path.toStdU16String()), ec);
    if (ec)
        error = QString::fromStdString(ec.message());
    return !ec;
}

} // namespace

Statement::Statement(sqlite3 *db, const char *sql) : m_db(db)
{
    if (sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr) != SQLITE_OK)
        m_stmt = nullptr;
}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

void Statement::bind(int index, qint64 value)
{
    sqlite3_bind_int64(m_stmt, index, value);
}

void Statement::bind(int index, std::string_view utf8)
{
    sqlite3_bind_text(m_stmt, index, utf8.data(), int(utf8.size()), SQLITE_STATIC);
}

void Statement::bind(int index, const QString &text)
{
    QByteArray &kept = m_scratch[size_t(index) % std::size(m_scratch)];
    kept = text.toUtf8();
    sqlite3_bind_text(m_stmt, index, kept.constData(), int(kept.size()), SQLITE_STATIC);
}

void Statement::bindNull(int index)
{
    sqlite3_bind_null(m_stmt, index);
}

bool Statement::run()
{
    if (!m_stmt)
        return false;
    const int rc = sqlite3_step(m_stmt);
    sqlite3_reset(m_stmt);
    return rc == SQLITE_DONE;
}

qint64 Statement::lastId() const
{
    return sqlite3_last_insert_rowid(m_db);
}

QString Statement::error() const
{
    return sqliteError(m_db);
}

bool exec(sqlite3 *db, const char *sql, QString &error)
{
    char *message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    error = message ? QString::fromUtf8(message) : sqliteError(db);
    sqlite3_free(message);
    return false;
}

QString platformName(int id)
{
    return id >= 1 && id <= kPlatformCount ? QString::fromLatin1(kPlatforms[id - 1].name)
                                           : QString();
}

Result buildDatabase(const QString &path, const QString &what, const Filler &fill,
                     Existing existing)
{
    Result result;
    if (path.isEmpty()) {
        result.message = QStringLiteral("No file name given");
        return result;
    }
    // A dangling link counts as taken too: renaming over it would replace whatever it names.
    const QFileInfo target(path);
    bool replacing = false;
    if (target.exists() || target.isSymLink()) {
        if (existing != Existing::ReplaceEmpty || !holdsNothing(path)) {
            result.existed = true;
            result.message = QStringLiteral("%1 already exists; it was left as it is").arg(path);
            return result;
        }
        replacing = true;
    }
    const QDir folder = target.absoluteDir();
    if (!folder.exists()) {
        result.message = QStringLiteral("Cannot make %1: the folder %2 does not exist")
                             .arg(path, QDir::toNativeSeparators(folder.absolutePath()));
        return result;
    }

    // Reserving the temporary name through QTemporaryFile keeps two builds in the same folder
    // from ever sharing a file.
    QTemporaryFile reserve(
        folder.filePath(QLatin1Char('.') + target.fileName() + QStringLiteral(".XXXXXX.part")));
    reserve.setAutoRemove(false);
    if (!reserve.open()) {
        result.message = QStringLiteral("Cannot make %1: %2").arg(path, reserve.errorString());
        return result;
    }
    const QString temp = reserve.fileName();
    reserve.close();
    // QTemporaryFile makes the file private to its owner; a collection is an ordinary file.
    QFile::setPermissions(temp, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser |
                                    QFile::WriteUser | QFile::ReadGroup | QFile::ReadOther);

    QString error;
    if (!writeDatabase(temp, fill, error)) {
        removeWithCompanions(temp);
        result.message = QStringLiteral("Cannot make %1: %2").arg(path, error);
        return result;
    }
    if (replacing) {
        if (!replaceFile(temp, path, error)) {
            removeWithCompanions(temp);
            result.message = QStringLiteral("Cannot replace %1: %2").arg(path, error);
            return result;
        }
        result.ok = true;
        result.message = QStringLiteral("Made %1 in %2, in place of an empty one").arg(what, path);
        return result;
    }
    // QFile::rename refuses to replace an existing file, so a file that appeared meanwhile
    // survives too.
    QFile moved(temp);
    if (!moved.rename(path)) {
        removeWithCompanions(temp);
        result.existed = QFileInfo(path).exists();
        result.message = result.existed
                             ? QStringLiteral("%1 already exists; it was left as it is").arg(path)
                             : QStringLiteral("Cannot make %1: %2").arg(path, moved.errorString());
        return result;
    }
    result.ok = true;
    result.message = QStringLiteral("Made %1 in %2").arg(what, path);
    return result;
}

Result createDelivered(const QString &path, Existing existing)
{
    return buildDatabase(path, QStringLiteral("the delivered database"), {}, existing);
}

} // namespace lc::collection
