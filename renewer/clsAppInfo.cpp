#include "clsAppInfo.h"

namespace renewer {

QString clsAppInfo::version() const
{
    return QStringLiteral("%1.%2.%3").arg(Major).arg(Minor).arg(Revision);
}

} // namespace renewer
