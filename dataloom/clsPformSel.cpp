#include "clsPformSel.h"

#include "connection.h"
#include "frmPlatform.h"
#include "modDataloom.h"
#include "recordset.h"
#include "uiservice.h"

#include <QCheckBox>

namespace {
const QString kClass = QStringLiteral("clsPformSel");
}

clsPformSel::clsPformSel() : frmPlatforms(new frmPlatform)
{
    connect(frmPlatforms, &frmPlatform::UnloadPlatforms, this,
            &clsPformSel::frmPlatforms_UnloadPlatforms);
}

clsPformSel::~clsPformSel()
{
    delete frmPlatforms;
}

QString clsPformSel::Check()
{
    lc::db::Recordset rs;
    if (!M_ADO_CONNECTION ||
        !rs.open(QStringLiteral("SELECT auto_id, brand, name, in_use FROM platform"),
                 *M_ADO_CONNECTION)) {
        dataloom::LogError(kClass, QStringLiteral("Check"),
                           M_ADO_CONNECTION
                               ? rs.lastError()
                               : lc::db::Error{lc::db::ErrInvalidConnection,
                                               QStringLiteral("No database connection.")},
                           ErrLogFile);
        return {};
    }
    QString list;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        list += rs.field(QStringLiteral("In_Use")).toLongLong() != 0 ? QStringLiteral(",1")
                                                                     : QStringLiteral(",0");
    return list;
}

bool clsPformSel::CheckChange(const QString &inUseList)
{
    const QStringList items = inUseList.split(u',');
    lc::db::Recordset rs;
    bool changed = false;
    const auto fail = [&](const lc::db::Error &e) {
        dataloom::LogError(kClass, QStringLiteral("CheckChange"), e, ErrLogFile);
        return false;
    };
    if (!M_ADO_CONNECTION)
        return fail({lc::db::ErrInvalidConnection, QStringLiteral("No database connection.")});
    if (!rs.open(QStringLiteral("SELECT  auto_id, brand, name, in_use FROM platform"),
                 *M_ADO_CONNECTION))
        return fail(rs.lastError());
    int i = 1;
    for (rs.moveFirst(); !rs.eof() && i < items.size(); rs.moveNext(), ++i) {
        const bool wanted = items[i].trimmed().toDouble() == 1;
        const bool now = rs.field(QStringLiteral("In_Use")).toLongLong() != 0;
        if (wanted == now)
            continue;
        if (!rs.setField(QStringLiteral("In_Use"), wanted ? 1 : 0) || !rs.update())
            return fail(rs.lastError());
        changed = true;
    }
    return changed;
}

void clsPformSel::SelectPlatforms()
{
    if (!frmPlatforms)
        return;
    const QStringList items = Check().split(u',');
    for (int i = 1; i <= frmPlatform::kPlatforms; ++i)
        frmPlatforms->chkPlatform(i)->setChecked(i < items.size() && items[i].toInt() == 1);
    lc::ui::service().showModal(*frmPlatforms);
}

void clsPformSel::frmPlatforms_UnloadPlatforms(bool cancel)
{
    if (cancel)
        Q_EMIT UnloadPlatforms();
    else
        PlatformUnLoad();
}

void clsPformSel::PlatformUnLoad()
{
    QString list;
    for (int i = 1; i <= frmPlatform::kPlatforms; ++i)
        list += frmPlatforms && frmPlatforms->chkPlatform(i)->isChecked() ? QStringLiteral(",1")
                                                                          : QStringLiteral(",0");
    const bool changed = CheckChange(list);
    if (frmPlatforms)
        frmPlatforms->close();
    if (changed)
        Q_EMIT ResetLorecase();
    Q_EMIT UnloadPlatforms();
}
