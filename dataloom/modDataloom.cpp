#include "modDataloom.h"

#include "errorlog.h"

#include <QCoreApplication>
#include <QFileInfo>

#if defined(Q_OS_UNIX)
#include <dlfcn.h>
#endif

namespace dataloom {

QString componentFolder()
{
#if defined(Q_OS_UNIX)
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>(&componentFolder), &info) && info.dli_fname)
        return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absolutePath() + u'/';
#endif
    return QCoreApplication::applicationDirPath() + u'/';
}

lc::errorlog::Reporter reporter(const QString &logPath)
{
    return {lc::errorlog::componentStyle(lc::errorlog::componentEntry,
                                         QStringLiteral("Dataloom Error"),
                                         componentFolder() + QStringLiteral("Dataloom.log")),
            logPath};
}

void WriteEntry(const QString &className, const QString &source, const lc::db::Error &error,
                QString &logPath)
{
    logPath = reporter(logPath).write(className, source, error).logPath();
}

void LogError(const QString &className, const QString &source, const lc::db::Error &error,
              QString &logPath)
{
    logPath = reporter(logPath).report(className, source, error, true).logPath();
}

} // namespace dataloom
