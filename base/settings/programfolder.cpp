#include "programfolder.h"

#include <QCoreApplication>

namespace lc {

QString programFolder()
{
    QString path = qEnvironmentVariable("LORECASE_HOME");
    if (path.isEmpty())
        path = QCoreApplication::applicationDirPath();
    if (!path.endsWith(u'/') && !path.endsWith(u'\\'))
        path += u'/';
    return path;
}

} // namespace lc
