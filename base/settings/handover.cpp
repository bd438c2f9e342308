#include "handover.h"

#include <QFile>
#include <QSaveFile>

#include <limits>

namespace lc {

namespace {
constexpr qint64 kMaxHandOver = 64 * 1024; // a few short lines; anything huge is not ours
} // namespace

QString clsAppInfo::version() const
{
    return QStringLiteral("%1.%2.%3").arg(Major).arg(Minor).arg(Revision);
}

clsAppInfo programVersion()
{
    clsAppInfo app;
    app.Title = QStringLiteral("Lorecase");
    app.Major = quint8(LORECASE_VERSION_MAJOR);
    app.Minor = quint8(LORECASE_VERSION_MINOR);
    app.Revision = LORECASE_VERSION_PATCH;
    return app;
}

namespace handover {

QString filePath(const QString &programFolder)
{
    return programFolder + QString::fromLatin1(kFileName);
}

QByteArray text(const clsAppInfo &app)
{
    return QStringLiteral("APP:%1\r\nMAJ:%2\r\nMIN:%3\r\nREV:%4\r\n")
        .arg(app.Title)
        .arg(app.Major)
        .arg(app.Minor)
        .arg(app.Revision)
        .toUtf8();
}

bool write(const QString &path, const clsAppInfo &app)
{
    // Written aside and moved into place, so the updater never reads half a file.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(text(app));
    return file.commit();
}

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

ReadResult read(const QString &path, clsAppInfo &app)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return ReadResult::Missing;
    const QByteArray bytes = file.read(kMaxHandOver);
    file.close();
    QFile::remove(path);

    auto toByte = [](const QString &value) {
        return quint8(qMin<qint64>(leadingNumber(value), 255));
    };
    enum Seen { App = 1, Maj = 2, Min = 4, Rev = 8 };
    int seen = 0;
    for (const QString &item : readItems(bytes)) {
        const QString kind = item.left(4);
        const QString value = item.mid(4).trimmed();
        if (kind == QLatin1String("APP:")) {
            app.Title = value;
            seen |= App;
        } else if (kind == QLatin1String("MAJ:")) {
            app.Major = toByte(value);
            seen |= Maj;
        } else if (kind == QLatin1String("MIN:")) {
            app.Minor = toByte(value);
            seen |= Min;
        } else if (kind == QLatin1String("REV:")) {
            app.Revision = qint32(leadingNumber(value));
            seen |= Rev;
        }
    }
    return seen == (App | Maj | Min | Rev) ? ReadResult::Ok : ReadResult::Incomplete;
}

} // namespace handover
} // namespace lc
