#include "clsFileItem.h"

#include "modMain.h"

#include <QDir>
#include <QFileInfo>
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
// The path with every link in its existing part followed; the part that does not exist yet is
// appended as it is (the updater creates it as plain folders). Empty when that cannot be told.
QString realPath(const QString &path)
{
    QString existing = QDir::cleanPath(QDir().absoluteFilePath(path));
    QStringList missing;
    for (;;) {
        const QFileInfo info(existing);
        if (info.exists())
            break;
        if (info.isSymLink()) // a link to nothing: where a write would land is unknown
            return {};
        const QString parent = info.absolutePath();
        if (parent == existing || info.fileName().isEmpty())
            return {};
        missing.prepend(info.fileName());
        existing = parent;
    }
    QString real = QFileInfo(existing).canonicalFilePath();
    if (real.isEmpty())
        return {};
    for (const QString &piece : std::as_const(missing))
        real += (real.endsWith(u'/') ? QString() : QStringLiteral("/")) + piece;
    return real;
}

bool inside(const QString &real, const QString &root)
{
    return real == root || real.startsWith(root + u'/');
}

bool isUpdatersOwn(const QString &relative)
{
    for (const char *name : {kHandOverFile, kVersionFile, kLockFile})
        if (relative.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}
} // namespace

bool clsFileItem::isUsersOwn(const QString &relative)
{
    // Compared without regard to case: on some systems the names are the same file.
    static const QStringList kFiles{
        QStringLiteral("lorecase.mdb"), QStringLiteral("lorecase.fts"), QStringLiteral("error.log"),
        QStringLiteral("Dataloom.log"), QStringLiteral("~clp.tmp"),
    };
    static const QStringList kJournals{QString(), QStringLiteral("-journal"),
                                       QStringLiteral("-wal"), QStringLiteral("-shm")};
    for (const QString &file : kFiles)
        for (const QString &journal : kJournals)
            if (relative.compare(file + journal, Qt::CaseInsensitive) == 0)
                return true;
    for (const char *folder : {"QuickClip", "QuikClip"})
        if (relative.compare(QLatin1String(folder), Qt::CaseInsensitive) == 0 ||
            relative.startsWith(QLatin1String(folder) + u'/', Qt::CaseInsensitive))
            return true;
    return relative.endsWith(QLatin1String(".qcf"), Qt::CaseInsensitive);
}

bool clsFileItem::checkOnDisk(const QString &appPath, QString *why) const
{
    const QString root = QDir(appPath).canonicalPath();
    const QString target = localPath();
    const QString shownPath = QDir::toNativeSeparators(localSubfolder + name);
    if (root.isEmpty()) {
        *why = QStringLiteral("The program folder \"%1\" cannot be found.")
                   .arg(QDir::toNativeSeparators(appPath));
        return false;
    }
    // The fetched file is written beside the target, so its folder must stay inside too.
    const QString realTarget = realPath(target);
    const QString realFolder = realPath(localFolder);
    if (realTarget.isEmpty() || realFolder.isEmpty() || !inside(realFolder, root) ||
        !inside(realTarget, root) || realTarget == root) {
        *why = QStringLiteral("The update lists a file that leads outside the program folder: "
                              "\"%1\"")
                   .arg(shownPath);
        return false;
    }
    const QString relative = QDir::cleanPath(QDir(appPath).absoluteFilePath(target))
                                 .mid(QDir(appPath).absolutePath().size() + 1);
    const QString realRelative = realTarget.mid(root.size() + 1);
    if (isUsersOwn(relative) || isUsersOwn(realRelative)) {
        *why = QStringLiteral("The update lists \"%1\", which holds your own data and is never "
                              "replaced by an update.")
                   .arg(shownPath);
        return false;
    }
    if (isUpdatersOwn(relative) || isUpdatersOwn(realRelative)) {
        *why = QStringLiteral("The update lists \"%1\", a working file of the updater.")
                   .arg(shownPath);
        return false;
    }
    const QFileInfo info(target);
    if ((info.exists() || info.isSymLink()) && !info.isFile()) {
        *why = QStringLiteral("The update lists a folder as a file: \"%1\"").arg(shownPath);
        return false;
    }
    return true;
}

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
