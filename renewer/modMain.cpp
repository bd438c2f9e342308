#include "modMain.h"

#include "programfolder.h"
#include "settings.h"

#include <QCoreApplication>
#include <QFile>
#include <QLockFile>

namespace renewer {

QString AppPath()
{
    return lc::programFolder();
}

QString programFileName(const QString &baseName)
{
    return lc::programFileName(baseName);
}

bool sameFileName(const QString &a, const QString &b)
{
#ifdef Q_OS_WIN
    return a.compare(b, Qt::CaseInsensitive) == 0;
#else
    return a == b;
#endif
}

int updaterMajor()
{
    return lc::programVersion().Major;
}

QString serverBase()
{
    QString base = lc::settings::GetSetting(QString::fromLatin1(kServerSection),
                                            QString::fromLatin1(kServerKey),
                                            QString::fromLatin1(kDefaultServer))
                       .trimmed();
    if (base.isEmpty())
        base = QString::fromLatin1(kDefaultServer);
    while (base.endsWith(u'/'))
        base.chop(1);
    return base;
}

QString downloadsUrl()
{
    return serverBase() + QStringLiteral("/downloads/");
}

QString lockFilePath()
{
    return AppPath() + QString::fromLatin1(kLockFile);
}

StartCheck checkStart(QLockFile &lock)
{
    const QString handOver = AppPath() + QString::fromLatin1(kHandOverFile);
    // The lock lives as long as the updater runs, so only a dead owner makes it stale.
    lock.setStaleLockTime(0);
    if (!lock.tryLock(0) && lock.error() == QLockFile::LockFailedError) {
        QFile::remove(handOver);
        return StartCheck::AlreadyRunning;
    }
    // Any other lock error (a read-only folder) is no sign of a second copy: carry on.
    if (!QFile::exists(handOver)) {
        lock.unlock();
        return StartCheck::NoHandOver;
    }
    return StartCheck::Run;
}

} // namespace renewer
