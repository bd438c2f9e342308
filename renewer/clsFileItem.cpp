#include "clsFileItem.h"

#include <QDir>
#include <QStringList>
#include <QUrl>

namespace renewer {

namespace {
bool hasControlChars(const QString &s)
{
    for (const QChar c : s)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return true;
    return false;
}

// A subfolder may nest ("docs\en\") but must stay relative and never climb.
bool safeSubfolder(const QString &sub)
{
    if (sub.startsWith(u'/') || sub.contains(u':') || sub.contains(QLatin1String("..")) ||
        hasControlChars(sub))
        return false;
    return true;
}

bool safeName(const QString &name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name.contains(u'/') ||
        name.contains(u'\\') || name.contains(u':') || name.contains(QLatin1String("..")) ||
        hasControlChars(name))
        return false;
    return true;
}
} // namespace

QString clsFileItem::nameOf(const QString &item)
{
    return item.section(u'|', 0, 0).trimmed();
}

QString clsFileItem::remoteLocation(const QString &downloadsUrl) const
{
    QUrl url(downloadsUrl);
    QString path = url.path();
    if (!remoteFolder.isEmpty())
        path += remoteFolder + u'/';
    url.setPath(path + name);
    return url.toString(QUrl::FullyEncoded);
}

bool clsFileItem::parse(const QString &item, const QString &appPath, clsFileItem *out, QString *why)
{
    const QStringList parts = item.split(u'|');
    clsFileItem f;
    f.name = parts.value(0).trimmed();
    f.remoteFolder = parts.value(1).trimmed();
    f.remoteFolder.replace(u'\\', u'/');
    while (f.remoteFolder.endsWith(u'/'))
        f.remoteFolder.chop(1);
    const bool threeParts = parts.size() >= 3;
    f.localSubfolder = threeParts ? parts.value(2).trimmed() : QString();
    f.localSubfolder.replace(u'\\', u'/');

    if (!safeName(f.name) || (threeParts && !safeSubfolder(f.localSubfolder))) {
        *why =
            QStringLiteral("The update lists a file outside the program folder: \"%1\"").arg(item);
        return false;
    }
    f.localFolder = appPath + f.localSubfolder;

    // The rules above already keep the path inside; check the result all the same, so a
    // rule overlooked here can never write elsewhere.
    const QString root = QDir::cleanPath(QDir(appPath).absolutePath()) + u'/';
    const QString target = QDir::cleanPath(QDir(appPath).absoluteFilePath(f.localPath()));
    if (!target.startsWith(root) || target.size() <= root.size()) {
        *why =
            QStringLiteral("The update lists a file outside the program folder: \"%1\"").arg(item);
        return false;
    }
    *out = f;
    return true;
}

} // namespace renewer
