#pragma once

#include "dataloom_export.h"
#include "recordset.h"

namespace lc::db {
class Connection;
}

// Counts rows of one table loaded once: every Count is a filter over memory. Rows added
// after InitCounter are not counted.
class DATALOOM_EXPORT clsCounter {
public:
    lc::db::Connection *M_ADO_CONNECTION = nullptr;

    // False when the table could not be loaded; lastError() says why.
    bool InitCounter();
    // The number of loaded rows that pass the filter, or -1 on a bad filter (lastError()).
    int Count(const QString &filter);
    const lc::db::Error &lastError() const { return m_error; }

protected:
    explicit clsCounter(QString statement) : m_statement(std::move(statement)) {}

private:
    QString m_statement;
    lc::db::Recordset m_rs;
    lc::db::Error m_error;
};

// Counts games: "SELECT auto_id, platform_id, genre_id FROM game".
class DATALOOM_EXPORT clsGameCounter : public clsCounter {
public:
    clsGameCounter();
};

// Counts files: "SELECT game_id FROM file".
class DATALOOM_EXPORT clsFileCounter : public clsCounter {
public:
    clsFileCounter();
};
