#include "filerecord.h"

#include "fixedlists.h"
#include "recordset.h"

namespace lc::db {

FileRecord readFileRecord(const Recordset &rs)
{
    FileRecord f;
    const auto text = [&rs](const char *name) {
        const QVariant v = rs.field(QString::fromLatin1(name));
        return v.isNull() ? QString() : v.toString();
    };
    f.fileId = rs.field(QStringLiteral("auto_id")).toInt();
    f.gameId = rs.field(QStringLiteral("game_id")).toInt();
    if (const auto sub = lc::names::toByteId(rs.field(QStringLiteral("Sub_Cat"))))
        f.subCat = *sub;
    f.source = text("src");
    f.description = text("Desc");
    f.textRtf = text("txt_rtf");
    return f;
}

bool writeFileFields(Recordset &rs, const FileRecord &file)
{
    return rs.setField(QStringLiteral("Sub_Cat"), int(file.subCat)) &&
           rs.setField(QStringLiteral("src"), file.source) &&
           rs.setField(QStringLiteral("Desc"), file.description) &&
           rs.setField(QStringLiteral("txt_rtf"), file.textRtf);
}

} // namespace lc::db
