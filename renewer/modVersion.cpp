#include "modVersion.h"

#include "clsFileItem.h"

#include <limits>

namespace renewer {

namespace {
const QString kCrLf = QStringLiteral("\r\n");
const QString kRule = QStringLiteral("=======================================");
const QString kEndMarker = QStringLiteral("..........");

quint8 toByte(const QString &text)
{
    return quint8(qMin<qint64>(leadingNumber(text), 255));
}
qint32 toLong(const QString &text)
{
    return qint32(qMin<qint64>(leadingNumber(text), std::numeric_limits<qint32>::max()));
}
} // namespace

bool readHandOver(const QString &path, clsAppInfo &local)
{
    return lc::handover::read(path, local) == lc::handover::ReadResult::Ok;
}

QString blockKey(const QString &title, int updaterMajor)
{
    return QStringLiteral("APP:") + title + QString::number(updaterMajor);
}

VersionBlock readVersionBlock(const QStringList &items, const QString &key)
{
    VersionBlock block;
    qsizetype i = 0;
    while (i < items.size() && !items[i].contains(key, Qt::CaseInsensitive))
        ++i;
    if (i >= items.size())
        return block;
    block.found = true;
    for (++i; i < items.size(); ++i) {
        const QString &item = items[i];
        if (item.contains(kEndMarker))
            break;
        const QString kind = item.left(4);
        const QString value = item.mid(4).trimmed();
        if (kind == QLatin1String("APP:")) {
            block.server.Title = value;
        } else if (kind == QLatin1String("VER:")) {
            const QStringList parts = value.split(u'.');
            block.server.Major = toByte(parts.value(0));
            block.server.Minor = toByte(parts.value(1));
            if (value.count(u'.') == 2)
                block.server.Revision = toLong(parts.value(2));
        } else if (kind == QLatin1String("UFL:")) {
            block.updatedFiles << value;
        } else if (kind == QLatin1String("NFL:")) {
            block.newFiles << value;
        } else if (kind == QLatin1String("MSG:")) {
            block.notes = value;
        }
    }
    return block;
}

CompareResult compareVersions(const clsAppInfo &local, const clsAppInfo &server)
{
    if (server.Minor > local.Minor)
        return CompareResult::MinorUpdate;
    if (server.Minor == local.Minor && server.Revision > local.Revision)
        return CompareResult::RevisionUpdate;
    return CompareResult::UpToDate;
}

CompareResult compareFile(const QByteArray &versionFile, bool exists, const clsAppInfo &local,
                          int updaterMajor, VersionBlock *block)
{
    *block = VersionBlock();
    if (!exists || versionFile.isEmpty())
        return CompareResult::NoFile;
    *block = readVersionBlock(readItems(versionFile), blockKey(local.Title, updaterMajor));
    if (!block->found)
        return CompareResult::UpToDate;
    return compareVersions(local, block->server);
}

QString updateNotes(const clsAppInfo &local, const VersionBlock &block)
{
    QString text = QStringLiteral("Your Version:      ") + local.version() + kCrLf +
                   QStringLiteral("Current Version: ") + block.server.version();
    text +=
        kCrLf + kCrLf + QStringLiteral("Update Notes:") + kCrLf + kRule + kCrLf + block.notes +
        kCrLf + kCrLf +
        QStringLiteral("(NOTE: Please check the Lorecase support page for any manual updates.)");
    text += kCrLf + kCrLf + QStringLiteral("Files:") + kCrLf + kRule + kCrLf;
    for (const QString &item : block.updatedFiles)
        text += QStringLiteral("Updated File: ") + clsFileItem::nameOf(item) + kCrLf;
    for (const QString &item : block.newFiles)
        text += QStringLiteral("New File: ") + clsFileItem::nameOf(item) + kCrLf;
    return text;
}

} // namespace renewer
