#include "modDataloom.h"

#include "errorlog.h"
#include "uiservice.h"

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

void WriteEntry(const QString &className, const QString &source, const lc::db::Error &error,
                QString &logPath)
{
    if (logPath.isEmpty())
        logPath = componentFolder() + QStringLiteral("Dataloom.log");
    lc::errorlog::append(logPath,
                         lc::errorlog::componentEntry(className, source, error.number,
                                                      error.description, lc::errorlog::now()));
}

void LogError(const QString &className, const QString &source, const lc::db::Error &error,
              QString &logPath)
{
    if (error.number == 0)
        return;
    auto &ui = lc::ui::service();
    ui.setWaitCursor(false);
    WriteEntry(className, source, error, logPath);
    ui.messageBox(
        lc::errorlog::componentBoxText(source, className, error.number, error.description),
        QString::fromLatin1(lc::errorlog::kComponentBoxTitle), lc::ui::Buttons::Ok,
        lc::ui::Icon::Critical);
}

} // namespace dataloom
