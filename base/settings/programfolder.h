#pragma once

#include "lcbase_export.h"

#include <QString>

namespace lc {

// The folder of the running program (or LORECASE_HOME when set) with exactly one trailing
// separator: where the database, logs, tips and the other delivered files live.
LCBASE_EXPORT QString programFolder();

// A program's file name on this platform ("Renewer.exe" on Windows, "Renewer" elsewhere).
LCBASE_EXPORT QString programFileName(const QString &baseName);

} // namespace lc
