#include "clsGameName.h"

#include "connection.h"
#include "fixedlists.h"

bool clsGameName::InitNames()
{
    m_error = {};
    if (!M_ADO_CONNECTION) {
        m_error = {lc::db::ErrInvalidConnection, QStringLiteral("No database connection.")};
        return false;
    }
    if (!m_rs.open(QStringLiteral("SELECT auto_id, platform_id, genre_id, name FROM game"),
                   *M_ADO_CONNECTION)) {
        m_error = m_rs.lastError();
        return false;
    }
    return true;
}

QString clsGameName::Name(qint32 gameId)
{
    m_error = {};
    if (!m_rs.isOpen() || m_rs.recordCount() == 0)
        return {};
    m_rs.moveFirst();
    if (!m_rs.find(QStringLiteral("auto_id = ") + QString::number(gameId))) {
        m_error = {lc::db::ErrNoCurrentRecord,
                   QStringLiteral("No game has the id %1.").arg(gameId)};
        return {};
    }
    const auto platform = lc::names::toByteId(m_rs.field(QStringLiteral("Platform_id")));
    const auto genre = lc::names::toByteId(m_rs.field(QStringLiteral("Genre_id")));
    if (!platform || !genre) {
        m_error = {
            lc::db::ErrInvalidArgument,
            QStringLiteral("The game %1 has a platform or genre outside 0 to 255.").arg(gameId)};
        return {};
    }
    Platform_id = *platform;
    Genre_id = *genre;
    const QVariant name = m_rs.field(QStringLiteral("Name"));
    return name.isNull() ? QString() : name.toString();
}
