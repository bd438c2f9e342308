#include "clsCounter.h"

#include "connection.h"

bool clsCounter::InitCounter()
{
    m_error = {};
    if (!M_ADO_CONNECTION) {
        m_error = {lc::db::ErrInvalidConnection, QStringLiteral("No database connection.")};
        return false;
    }
    // A counter only reads its rows: no row ids to keep.
    if (!m_rs.open(m_statement, *M_ADO_CONNECTION, lc::db::Recordset::Lock::ReadOnly)) {
        m_error = m_rs.lastError();
        return false;
    }
    return true;
}

int clsCounter::Count(const QString &filter)
{
    // The count answers from the loaded rows without moving the recordset's filter, which
    // therefore stays unfiltered afterwards.
    const int n = m_rs.count(filter);
    if (m_rs.lastError()) {
        m_error = m_rs.lastError();
        return -1;
    }
    return n;
}

clsGameCounter::clsGameCounter()
    : clsCounter(QStringLiteral("SELECT auto_id, platform_id, genre_id FROM game"))
{
}

clsFileCounter::clsFileCounter() : clsCounter(QStringLiteral("SELECT game_id FROM file")) {}
