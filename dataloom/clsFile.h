#pragma once

#include "dataloom_export.h"
#include "filerecord.h"

#include <QString>

namespace lc::db {
class Connection;
}

// One file record read into properties. The properties keep the last record loaded.
class DATALOOM_EXPORT clsFile {
public:
    lc::db::Connection *M_ADO_CONNECTION = nullptr;
    QString ErrLogFile;

    quint8 Sub_Cat() const { return m_record.subCat; }
    QString Source() const { return m_record.source; }
    QString Description() const { return m_record.description; }
    QString TextRTF() const { return m_record.textRtf; }
    // The whole record, ids included, as the viewer/editor takes it.
    const lc::db::FileRecord &Record() const { return m_record; }

    // Loads the file with that id; a missing id leaves the properties as they were.
    void SelectRecord(qint32 fileId);
    void Clear();

private:
    lc::db::FileRecord m_record;
};
