#pragma once

#include "dataloom_export.h"
#include "recordset.h"

namespace lc::db {
class Connection;
}

// Looks up games by id in the game table loaded once.
class DATALOOM_EXPORT clsGameName {
public:
    lc::db::Connection *M_ADO_CONNECTION = nullptr;
    // Set by the last successful Name.
    quint8 Platform_id = 0;
    quint8 Genre_id = 0;

    bool InitNames();
    // The game's name. An empty table gives an empty name and leaves the fields alone; an
    // unknown id gives an empty name with lastError() set.
    QString Name(qint32 gameId);
    const lc::db::Error &lastError() const { return m_error; }

private:
    lc::db::Recordset m_rs;
    lc::db::Error m_error;
};
