#pragma once

#include "ViewEditArgs.h"
#include "frmVWED.h"
#include "scrivet_export.h"

#include <QObject>
#include <QPointer>
#include <QString>

namespace lc::db {
class Connection;
}

// The viewer/editor: one window in which a file is viewed, edited or written. It stores new
// and changed files in the file table itself and then reports them to its owner. Dropping
// the object closes its window (with the closing prompt).
class SCRIVET_EXPORT clsVWED : public QObject {
    Q_OBJECT
public:
    clsVWED();
    ~clsVWED() override;

    lc::db::Connection *M_ADO_CONNECTION = nullptr; // borrowed
    QString ErrLogFile;                             // the error log to append to
    frmVWED *ViewEditForm() const { return frmViewEdit; }

    // Prepares the window for the mode and the file and shows it, modeless.
    void Show(const ViewEditArgs &file);

Q_SIGNALS:
    // Raised only after the row was written.
    void AddFile(quint8 bytPlatformId, quint8 bytGenreId, qint32 lngGameId, qint32 lngFileId,
                 quint8 bytSubCat, const QString &strSource, const QString &strDescription,
                 const QString &strTextRTF);
    void SaveEdit(qint32 lngFileId, quint8 bytSubCat, const QString &strSource,
                  const QString &strDescription, const QString &strTextRTF);
    void PrintInfo(const QString &strLine1, const QString &strDesc, const QString &strSource,
                   const QString &strRTF);

private:
    void frmViewEdit_AddFile(quint8 bytSubCat, const QString &strSource,
                             const QString &strDescription, const QString &strTextRTF);
    void frmViewEdit_SaveEdit(qint32 lngFileId, quint8 bytSubCat, const QString &strSource,
                              const QString &strDescription, const QString &strTextRTF);
    // The stores behind the window's events; on success they raise the class's own.
    void storeNewFile(lc::db::FileRecord file);
    void storeChangedFile(const lc::db::FileRecord &file);
    void keepWindowAlone();

    QPointer<frmVWED> frmViewEdit;
    ViewEditArgs m_file;
};
