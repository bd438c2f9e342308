#include "modVersion.h"

#include "clsFileItem.h"

#include <QFile>

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

QStringList readItems(const QByteArray &bytes)
{
    const QString text = QString::fromUtf8(bytes);
    QStringList items;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        while (i < n && (text[i] == u' ' || text[i] == u'\t'))
            ++i;
        QString item;
        if (i < n && text[i] == u'"') {
            const qsizetype close = text.indexOf(u'"', i + 1);
            const qsizetype end = close < 0 ? n : close;
            item = text.mid(i + 1, end - i - 1);
            i = close < 0 ? n : close + 1;
            // Whatever follows the closing quote up to the delimiter is not part of the item.
            while (i < n && text[i] != u',' && text[i] != u'\r' && text[i] != u'\n')
                ++i;
        } else {
            const qsizetype start = i;
            while (i < n && text[i] != u',' && text[i] != u'\r' && text[i] != u'\n')
                ++i;
            item = text.mid(start, i - start);
        }
        if (i < n)
            ++i; // the delimiter
        item = item.trimmed();
        if (!item.isEmpty())
            items << item;
    }
    return items;
}

qint64 leadingNumber(const QString &text)
{
    const QString t = text.trimmed();
    qint64 value = 0;
    for (const QChar c : t) {
        if (c < u'0' || c > u'9')
            break;
        value = value * 10 + (c.unicode() - u'0');
        if (value > std::numeric_limits<qint32>::max())
            return std::numeric_limits<qint32>::max();
    }
    return value;
}

bool readHandOver(const QString &path, clsAppInfo &local)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.read(64 * 1024); // a few short lines; ignore anything huge
    file.close();
    QFile::remove(path);

    enum Seen { App = 1, Maj = 2, Min = 4, Rev = 8 };
    int seen = 0;
    for (const QString &item : readItems(bytes)) {
        const QString kind = item.left(4);
        const QString value = item.mid(4).trimmed();
        if (kind == QLatin1String("APP:")) {
            local.Title = value;
            seen |= App;
        } else if (kind == QLatin1String("MAJ:")) {
            local.Major = toByte(value);
            seen |= Maj;
        } else if (kind == QLatin1String("MIN:")) {
            local.Minor = toByte(value);
            seen |= Min;
        } else if (kind == QLatin1String("REV:")) {
            local.Revision = toLong(value);
            seen |= Rev;
        }
    }
    return seen == (App | Maj | Min | Rev);
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
