#pragma once

#include "dberror.h"
#include "lcbase_export.h"

#include <QString>
#include <QStringList>

#include <memory>

struct sqlite3;

namespace lc::db {

// One open database file. Movable, not copyable; recordsets borrow it.
class LCBASE_EXPORT Connection {
public:
    Connection();
    ~Connection();
    Connection(Connection &&other) noexcept;
    Connection &operator=(Connection &&other) noexcept;
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // Opens an existing database file for reading and writing (never creates one).
    // Fails on a missing, locked, truncated or non-database file. WAL journaling.
    bool open(const QString &path);
    void close();
    bool isOpen() const { return m_db != nullptr; }
    QString path() const { return m_path; }

    // True when every named table exists in the open database.
    bool hasTables(const QStringList &tables) const;

    const Error &lastError() const { return m_error; }
    sqlite3 *handle() const { return m_db; }

    // Brackets several writes so they land together or not at all. False (with lastError)
    // when the database refused; rollback() after a failed step puts everything back.
    bool beginTransaction();
    bool commit();
    void rollback();

private:
    friend class Recordset;
    bool fail(int number, const QString &description);
    bool execRaw(const char *sql);

    sqlite3 *m_db = nullptr;
    QString m_path;
    Error m_error;
    // Shared with the recordsets opened on this connection: they write through it, and it
    // reads null once the connection is closed, so a recordset outliving its connection
    // reports an error instead of using a dead handle.
    std::shared_ptr<sqlite3 *> m_live;
};

} // namespace lc::db
