#include "programfolder.h"

#include <QCoreApplication>

namespace lc {

QString programFolder()
{
    QString path = qEnvironmentVariable("LORECASE_HOME");
    if (path.isEmpty())
        path = QCoreApplication::applicationDirPath();
    while (path.size() > 1 && (path.endsWith(u'/') || path.endsWith(u'\\')))
        path.chop(1);
    return path + u'/';
}

QString programFileName(const QString &baseName)
{
#ifdef Q_OS_WIN
    return baseName + QStringLiteral(".exe");
#else
    return baseName;
#endif
}

} // namespace lc
