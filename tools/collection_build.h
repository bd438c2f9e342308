#pragma once

#include "collection.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

// Shared by the collection makers; not part of the collection maker's public face, but the
// tests use buildDatabase() to check what a failed build leaves behind.
namespace lc::collection {

// Adds rows to a freshly made database (schema and platform rows already there, a transaction
// open). Returns false and sets error to abandon the whole file.
using Filler = std::function<bool(sqlite3 *db, QString &error)>;

// Makes path from scratch: writes under a temporary name in the same folder, lets fill add
// its rows, and renames the file into place only when all of it succeeded. An existing path
// is left alone unless existing allows replacing it. what names the result in the success
// message.
Result buildDatabase(const QString &path, const QString &what, const Filler &fill = {},
                     Existing existing = Existing::Keep);

// One prepared statement, finalized when it goes out of scope.
class Statement {
public:
    Statement(sqlite3 *db, const char *sql);
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    bool ok() const { return m_stmt != nullptr; }
    // Indexes are 1-based as in SQLite. The bytes behind a string_view must stay valid until
    // run() returns; QStrings are converted and kept here.
    void bind(int index, qint64 value);
    void bind(int index, std::string_view utf8);
    void bind(int index, const QString &text);
    void bindNull(int index);
    // Steps once and resets for the next row; false on any error.
    bool run();
    qint64 lastId() const;
    QString error() const;

private:
    sqlite3 *m_db;
    sqlite3_stmt *m_stmt = nullptr;
    QByteArray m_scratch[8]; // keeps QString conversions alive until run()
};

bool exec(sqlite3 *db, const char *sql, QString &error);

// The delivered platform and genre codes run 1..kPlatformCount and 1..kGenreCount.
constexpr int kPlatformCount = 19;
constexpr int kGenreCount = 8;
constexpr int kSubCatCount = 6;
constexpr int kWebLink = 6; // the sub-category whose source is an address and text a note
// The delivered name of a platform code; empty for an unknown code.
QString platformName(int id);

} // namespace lc::collection
