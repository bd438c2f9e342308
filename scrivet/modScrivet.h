#pragma once

#include "scrivet_export.h"

#include <QString>

namespace scrivet {

// Writes an editor entry for a failed operation into logPath and, when asked, shows the
// "Viewer\Editor Error" box. There is no fallback log: with an empty path only the box is
// shown. An error number of 0 means nothing failed, and nothing is written or shown.
SCRIVET_EXPORT void LogError(const QString &module, const QString &source, int number,
                             const QString &description, const QString &logPath, bool showMessage);

} // namespace scrivet
