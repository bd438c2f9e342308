#include "modScrivet.h"

#include "errorlog.h"

namespace scrivet {

void LogError(const QString &module, const QString &source, int number, const QString &description,
              const QString &logPath, bool showMessage)
{
    lc::errorlog::Reporter(lc::errorlog::componentStyle(lc::errorlog::editorEntry,
                                                        QStringLiteral("Viewer\\Editor Error")),
                           logPath)
        .report(module, source, number, description, showMessage);
}

} // namespace scrivet
