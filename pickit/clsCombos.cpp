#include "clsCombos.h"

#include "connection.h"
#include "fixedlists.h"
#include "recordset.h"
#include "uiservice.h"

#include <QComboBox>

void clsPCombo::LoadCombo(QComboBox *cbo)
{
    if (!cbo)
        return;
    cbo->clear();
    lc::db::Recordset rs;
    if (!M_ADO_CONNECTION ||
        !rs.open(QStringLiteral(
                     "SELECT auto_id, cat, brand, name, in_use FROM platform WHERE in_use = True"),
                 *M_ADO_CONNECTION))
        return;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
        // A platform id that does not fit the selector's 8-bit ids is not offered.
        const auto id = lc::names::toByteId(rs.field(QStringLiteral("auto_id")));
        if (id)
            cbo->addItem(rs.field(QStringLiteral("Name")).toString(), int(*id));
    }
}

int clsGCombo::LoadCombo(QComboBox *cbo, quint8 bytPlatformId, quint8 bytGenreId)
{
    if (!cbo)
        return 0;
    cbo->clear();
    lc::db::Recordset rs;
    QString sql = QStringLiteral("SELECT auto_id, platform_id, genre_id, name FROM game WHERE "
                                 "platform_id = ") +
                  QString::number(bytPlatformId);
    if (bytGenreId != 0)
        sql += QStringLiteral(" And genre_id = ") + QString::number(bytGenreId);
    if (!M_ADO_CONNECTION || !rs.open(sql, *M_ADO_CONNECTION))
        return 0;
    const int fId = rs.fieldIndex(QStringLiteral("auto_id"));
    const int fName = rs.fieldIndex(QStringLiteral("name"));
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        cbo->addItem(rs.field(fName).toString(), rs.field(fId).toLongLong());
    return cbo->count();
}

qint32 clsGCombo::Add(quint8 bytPlatformId, quint8 bytGenreId, const QString &strName)
{
    lc::db::Recordset rs;
    if (!M_ADO_CONNECTION ||
        !rs.open(QStringLiteral("SELECT auto_id, platform_id, genre_id, name FROM game"),
                 *M_ADO_CONNECTION))
        return 0;
    if (!rs.addNew() || !rs.setField(QStringLiteral("Platform_ID"), int(bytPlatformId)) ||
        !rs.setField(QStringLiteral("Genre_ID"), int(bytGenreId)) ||
        !rs.setField(QStringLiteral("Name"), strName) || !rs.update())
        return 0;
    const qint32 id = qint32(rs.lastInsertId());
    lc::ui::msgBox(QStringLiteral("The game \"") + strName + QStringLiteral("\" has been added."),
                   lc::ui::Buttons::Ok, lc::ui::Icon::Information);
    return id;
}
