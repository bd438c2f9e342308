#include "clsVWED.h"

#include "connection.h"
#include "modScrivet.h"
#include "recordset.h"

namespace {

const QString kModule = QStringLiteral("clsVWED.cls");

struct FileRow {
    quint8 subCat = 0;
    QString source;
    QString description;
    QString text;
};

bool writeFields(lc::db::Recordset &rs, const FileRow &row)
{
    return rs.setField(QStringLiteral("Sub_Cat"), int(row.subCat)) &&
           rs.setField(QStringLiteral("src"), row.source) &&
           rs.setField(QStringLiteral("Desc"), row.description) &&
           rs.setField(QStringLiteral("txt_rtf"), row.text);
}

lc::db::Error noConnection()
{
    return {lc::db::ErrInvalidConnection, QStringLiteral("No database connection.")};
}

// Adds a file to a game; the new row's id comes straight from the insert. The recordset
// selects no rows: loading the whole table only to add one took about half a second and
// 800 MB on a collection of 200,000 files.
lc::db::Error insertFile(lc::db::Connection *conn, qint32 gameId, const FileRow &row, qint32 *newId)
{
    if (!conn)
        return noConnection();
    lc::db::Recordset rs;
    if (!rs.open(QStringLiteral("SELECT auto_id, game_id, sub_cat, src, desc, txt_rtf FROM file "
                                "WHERE auto_id = 0"),
                 *conn) ||
        !rs.addNew() || !rs.setField(QStringLiteral("GAME_ID"), gameId) || !writeFields(rs, row) ||
        !rs.update())
        return rs.lastError();
    *newId = qint32(rs.lastInsertId());
    return {};
}

lc::db::Error rewriteFile(lc::db::Connection *conn, qint32 fileId, const FileRow &row)
{
    if (!conn)
        return noConnection();
    lc::db::Recordset rs;
    if (!rs.open(QStringLiteral("SELECT auto_id, sub_cat, src, desc, txt_rtf FROM file WHERE "
                                "auto_id = ") +
                     QString::number(fileId),
                 *conn) ||
        !writeFields(rs, row) || !rs.update())
        return rs.lastError();
    return {};
}

} // namespace

clsVWED::clsVWED() : frmViewEdit(new frmVWED)
{
    connect(frmViewEdit, &frmVWED::AddFile, this, &clsVWED::frmViewEdit_AddFile);
    connect(frmViewEdit, &frmVWED::SaveEdit, this, &clsVWED::frmViewEdit_SaveEdit);
    connect(frmViewEdit, &frmVWED::PrintInfo, this, &clsVWED::PrintInfo);
}

clsVWED::~clsVWED()
{
    if (!frmViewEdit)
        return;
    // Closing runs the prompt; a window the user keeps open must still be able to save.
    if (frmViewEdit->isVisible() && !frmViewEdit->close()) {
        keepWindowAlone();
        return;
    }
    // Later, not now: an owner may drop the object while handling the window's own event.
    frmViewEdit->deleteLater();
}

void clsVWED::keepWindowAlone()
{
    frmVWED *w = frmViewEdit;
    disconnect(w, nullptr, this, nullptr);
    lc::db::Connection *conn = M_ADO_CONNECTION;
    const QString log = ErrLogFile;
    const qint32 gameId = m_file.lngGameId;
    connect(w, &frmVWED::AddFile, w,
            [w, conn, log, gameId](quint8 subCat, const QString &source, const QString &desc,
                                   const QString &text) {
                qint32 id = 0;
                if (const lc::db::Error e =
                        insertFile(conn, gameId, {subCat, source, desc, text}, &id)) {
                    scrivet::LogError(kModule, QStringLiteral("AddFile"), e.number, e.description,
                                      log, true);
                    w->StoreFailed();
                }
            });
    connect(
        w, &frmVWED::SaveEdit, w,
        [w, conn, log](qint32 fileId, quint8 subCat, const QString &source, const QString &desc,
                       const QString &text) {
            if (const lc::db::Error e = rewriteFile(conn, fileId, {subCat, source, desc, text})) {
                scrivet::LogError(kModule, QStringLiteral("Save File"), e.number, e.description,
                                  log, true);
                w->StoreFailed();
            }
        });
    w->setAttribute(Qt::WA_DeleteOnClose);
}

void clsVWED::Show(const ViewEditArgs &file)
{
    if (!frmViewEdit)
        return;
    m_file = file;
    const bool wasOpen = frmViewEdit->isVisible();
    frmViewEdit->Form_Load(file);
    frmViewEdit->ApplyMode(file.vMode);
    frmViewEdit->show();
    if (wasOpen) // a window shown for the first time comes up in front anyway
        frmViewEdit->raise();
}

void clsVWED::frmViewEdit_AddFile(quint8 bytSubCat, const QString &strSource,
                                  const QString &strDescription, const QString &strTextRTF)
{
    qint32 newId = 0;
    const FileRow row{bytSubCat, strSource, strDescription, strTextRTF};
    if (const lc::db::Error e = insertFile(M_ADO_CONNECTION, m_file.lngGameId, row, &newId)) {
        scrivet::LogError(kModule, QStringLiteral("AddFile"), e.number, e.description, ErrLogFile,
                          true);
        if (frmViewEdit)
            frmViewEdit->StoreFailed();
        return;
    }
    m_file.lngFileId = newId;
    m_file.bytSubCat = bytSubCat;
    m_file.strSource = strSource;
    m_file.strDescription = strDescription;
    m_file.strTextRTF = strTextRTF;
    Q_EMIT AddFile(m_file.bytPlatformId, m_file.bytGenreId, m_file.lngGameId, newId, bytSubCat,
                   strSource, strDescription, strTextRTF);
}

void clsVWED::frmViewEdit_SaveEdit(qint32 lngFileId, quint8 bytSubCat, const QString &strSource,
                                   const QString &strDescription, const QString &strTextRTF)
{
    const FileRow row{bytSubCat, strSource, strDescription, strTextRTF};
    if (const lc::db::Error e = rewriteFile(M_ADO_CONNECTION, lngFileId, row)) {
        scrivet::LogError(kModule, QStringLiteral("Save File"), e.number, e.description, ErrLogFile,
                          true);
        if (frmViewEdit)
            frmViewEdit->StoreFailed();
        return;
    }
    m_file.bytSubCat = bytSubCat;
    m_file.strSource = strSource;
    m_file.strDescription = strDescription;
    m_file.strTextRTF = strTextRTF;
    Q_EMIT SaveEdit(lngFileId, bytSubCat, strSource, strDescription, strTextRTF);
}
