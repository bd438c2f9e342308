#pragma once

#include "dataloom_export.h"

#include <QString>

namespace lc::db {
class Connection;
}

// One file record read into properties. The properties keep the last record loaded.
class DATALOOM_EXPORT clsFile {
public:
    lc::db::Connection *M_ADO_CONNECTION = nullptr;
    QString ErrLogFile;

    quint8 Sub_Cat() const { return m_subCat; }
    QString Source() const { return m_source; }
    QString Description() const { return m_description; }
    QString TextRTF() const { return m_textRtf; }

    // Loads the file with that id; a missing id leaves the properties as they were.
    void SelectRecord(qint32 fileId);
    void Clear();

private:
    quint8 m_subCat = 0;
    QString m_source;
    QString m_description;
    QString m_textRtf;
};
