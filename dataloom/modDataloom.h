#pragma once

#include "dataloom_export.h"
#include "dberror.h"
#include "errorlog.h"

#include <QString>

namespace dataloom {

// Writes an entry for a failed operation of one of the component's classes into logPath and
// shows the component's error box. An empty logPath falls back to Dataloom.log beside the
// component, and that path is stored back so the object's later entries go there too.
DATALOOM_EXPORT void LogError(const QString &className, const QString &source,
                              const lc::db::Error &error, QString &logPath);

// Writes the entry only, with the same fallback (for reports that must not raise a box
// each time, such as one per bad row).
DATALOOM_EXPORT void WriteEntry(const QString &className, const QString &source,
                                const lc::db::Error &error, QString &logPath);

// The component's reporter: its entries and box, Dataloom.log beside it as the fallback.
DATALOOM_EXPORT lc::errorlog::Reporter reporter(const QString &logPath);

// The folder the component's library was loaded from, with a trailing separator.
DATALOOM_EXPORT QString componentFolder();

} // namespace dataloom
