#pragma once

#include "lcbase_export.h"

#include <QString>

namespace lc::db {

class Recordset;

// One row of the file table. The table keeps no dates: a new file's source may hold the
// day it was made, as text.
struct FileRecord {
    qint32 fileId = 0;   // auto_id; 0 for a file not stored yet
    qint32 gameId = 0;   // game_id
    quint8 subCat = 0;   // sub_cat, 1 to 6; 0 while none is chosen
    QString source;      // src
    QString description; // desc
    QString textRtf;     // txt_rtf: RTF, or plain text from older rows
};

// The current row of a recordset on the file table. A column that is null, missing or out
// of range keeps the empty value.
LCBASE_EXPORT FileRecord readFileRecord(const Recordset &rs);
// Assigns sub_cat, src, desc and txt_rtf on the current or new row.
LCBASE_EXPORT bool writeFileFields(Recordset &rs, const FileRecord &file);

} // namespace lc::db
