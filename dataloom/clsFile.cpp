#include "clsFile.h"

#include "connection.h"
#include "modDataloom.h"
#include "recordset.h"

void clsFile::Clear()
{
    m_record = {};
}

void clsFile::SelectRecord(qint32 fileId)
{
    lc::db::Recordset rs;
    lc::db::Error error;
    if (!M_ADO_CONNECTION)
        error = {lc::db::ErrInvalidConnection, QStringLiteral("No database connection.")};
    else if (!rs.open(QStringLiteral("SELECT auto_id, game_id, sub_cat, src, desc, txt_rtf FROM "
                                     "file WHERE auto_id = ") +
                          QString::number(fileId),
                      *M_ADO_CONNECTION))
        error = rs.lastError();
    if (error) {
        dataloom::LogError(QStringLiteral("clsFile"), QStringLiteral("SelectRecord"), error,
                           ErrLogFile);
        return;
    }
    if (rs.recordCount() == 0)
        return;
    // A null column cannot be converted and leaves its property as Clear left it.
    m_record = lc::db::readFileRecord(rs);
}
