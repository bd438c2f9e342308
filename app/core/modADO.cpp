#include "modADO.h"

#include "modMain.h"

lc::db::Connection gConn;
QString gDBPath;
QString gDBName;

QStringList CollectionTables()
{
    return {QStringLiteral("platform"), QStringLiteral("game"), QStringLiteral("file"),
            QStringLiteral("bookmarks"), QStringLiteral("favorites")};
}

bool Connect(const QString &path)
{
    QString fileName = path;
    const int cut = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    if (cut >= 0)
        fileName = path.mid(cut + 1);

    lc::db::Connection fresh;
    lc::db::Error error;
    if (!fresh.open(path))
        error = fresh.lastError();
    else if (!fresh.hasTables(CollectionTables()))
        error = {lc::db::ErrInvalidConnection,
                 QStringLiteral("The file %1 is not a Lorecase database.").arg(path)};
    if (error) {
        // The database that was open stays open, so the user can keep working.
        LogError(QStringLiteral("modADO"), QStringLiteral("Connect"), error, true);
        return false;
    }

    gConn = std::move(fresh);
    gDBPath = path;
    gDBName = fileName;
    if (fileName.size() >= 4)
        gDBName.remove(fileName.right(4));
    else
        gDBName.clear();
    return true;
}
