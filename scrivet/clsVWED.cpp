#include "clsVWED.h"

#include "connection.h"
#include "filerecord.h"
#include "modScrivet.h"
#include "recordset.h"

namespace {

const QString kModule = QStringLiteral("clsVWED.cls");

lc::db::Error noConnection()
{
    return {lc::db::ErrInvalidConnection, QStringLiteral("No database connection.")};
}

// Adds a file to a game; the new row's id comes straight from the insert. The recordset
// selects no rows: loading the whole table only to add one took about half a second and
// 800 MB on a collection of 200,000 files.
lc::db::Error insertFile(lc::db::Connection *conn, lc::db::FileRecord &file)
{
    if (!conn)
        return noConnection();
    lc::db::Recordset rs;
    if (!rs.open(QStringLiteral("SELECT auto_id, game_id, sub_cat, src, desc, txt_rtf FROM file "
                                "WHERE auto_id = 0"),
                 *conn) ||
        !rs.addNew() || !rs.setField(QStringLiteral("GAME_ID"), file.gameId) ||
        !lc::db::writeFileFields(rs, file) || !rs.update())
        return rs.lastError();
    file.fileId = qint32(rs.lastInsertId());
    return {};
}

lc::db::Error rewriteFile(lc::db::Connection *conn, const lc::db::FileRecord &file)
{
    if (!conn)
        return noConnection();
    lc::db::Recordset rs;
    if (!rs.open(QStringLiteral("SELECT auto_id, sub_cat, src, desc, txt_rtf FROM file WHERE "
                                "auto_id = ") +
                     QString::number(file.fileId),
                 *conn) ||
        !lc::db::writeFileFields(rs, file) || !rs.update())
        return rs.lastError();
    return {};
}

// The window's values over the record they change.
lc::db::FileRecord withFields(lc::db::FileRecord file, quint8 subCat, const QString &source,
                              const QString &description, const QString &text)
{
    file.subCat = subCat;
    file.source = source;
    file.description = description;
    file.textRtf = text;
    return file;
}

// Stores a new file and gives it its id; a failure is logged and shown.
bool storeNew(lc::db::Connection *conn, const QString &log, lc::db::FileRecord &file)
{
    if (const lc::db::Error e = insertFile(conn, file)) {
        scrivet::LogError(kModule, QStringLiteral("AddFile"), e.number, e.description, log, true);
        return false;
    }
    return true;
}

bool storeChanged(lc::db::Connection *conn, const QString &log, const lc::db::FileRecord &file)
{
    if (const lc::db::Error e = rewriteFile(conn, file)) {
        scrivet::LogError(kModule, QStringLiteral("Save File"), e.number, e.description, log, true);
        return false;
    }
    return true;
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
    const lc::db::FileRecord shown = m_file.record;
    connect(w, &frmVWED::AddFile, w,
            [w, conn, log, shown](quint8 subCat, const QString &source, const QString &desc,
                                  const QString &text) {
                lc::db::FileRecord file = withFields(shown, subCat, source, desc, text);
                file.fileId = 0;
                if (!storeNew(conn, log, file))
                    w->StoreFailed();
            });
    connect(w, &frmVWED::SaveEdit, w,
            [w, conn, log, shown](qint32 fileId, quint8 subCat, const QString &source,
                                  const QString &desc, const QString &text) {
                lc::db::FileRecord file = withFields(shown, subCat, source, desc, text);
                file.fileId = fileId;
                if (!storeChanged(conn, log, file))
                    w->StoreFailed();
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
    lc::db::FileRecord file =
        withFields(m_file.record, bytSubCat, strSource, strDescription, strTextRTF);
    file.fileId = 0;
    storeNewFile(file);
}

void clsVWED::frmViewEdit_SaveEdit(qint32 lngFileId, quint8 bytSubCat, const QString &strSource,
                                   const QString &strDescription, const QString &strTextRTF)
{
    lc::db::FileRecord file =
        withFields(m_file.record, bytSubCat, strSource, strDescription, strTextRTF);
    file.fileId = lngFileId;
    storeChangedFile(file);
}

void clsVWED::storeNewFile(lc::db::FileRecord file)
{
    if (!storeNew(M_ADO_CONNECTION, ErrLogFile, file)) {
        if (frmViewEdit)
            frmViewEdit->StoreFailed();
        return;
    }
    m_file.record = file;
    Q_EMIT AddFile(m_file.bytPlatformId, m_file.bytGenreId, file.gameId, file.fileId, file.subCat,
                   file.source, file.description, file.textRtf);
}

void clsVWED::storeChangedFile(const lc::db::FileRecord &file)
{
    if (!storeChanged(M_ADO_CONNECTION, ErrLogFile, file)) {
        if (frmViewEdit)
            frmViewEdit->StoreFailed();
        return;
    }
    m_file.record = file;
    Q_EMIT SaveEdit(file.fileId, file.subCat, file.source, file.description, file.textRtf);
}
