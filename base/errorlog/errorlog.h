#pragma once

#include "lcbase_export.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

// The error log: a plain-text file of entries, only ever appended to, CR LF line ends.
// Three kinds of writer share it (the program, the data access component and the
// viewer/editor), each with its own entry layout.
namespace lc::errorlog {

struct AppInfo {
    QString title;
    int major = 0;
    int minor = 0;
    int revision = 0;
    QString version() const;
};

// The program's own title and version.
LCBASE_EXPORT AppInfo programInfo();

LCBASE_EXPORT QByteArray bannerText(const AppInfo &app);
// Entry of the main program: system short date and system time form.
LCBASE_EXPORT QByteArray mainEntry(const QString &module, const QString &source, int number,
                                   const QString &description, const QDateTime &when);
// Entry of the data access component; its module line names the component and the class.
LCBASE_EXPORT QByteArray componentEntry(const QString &className, const QString &source, int number,
                                        const QString &description, const QDateTime &when);
// Entry of the viewer/editor component, with fixed date and time formats.
LCBASE_EXPORT QByteArray editorEntry(const QString &module, const QString &source, int number,
                                     const QString &description, const QDateTime &when);

// Appends to the file, creating it if missing. Failures are swallowed (a log must never
// make things worse); the result only says whether it worked.
LCBASE_EXPORT bool append(const QString &path, const QByteArray &bytes);
// Writes the banner when the file does not exist yet; true when it did so.
LCBASE_EXPORT bool writeBannerIfMissing(const QString &path, const AppInfo &app);

// Message box texts.
LCBASE_EXPORT QString mainBoxTitle(const QString &module);
LCBASE_EXPORT QString mainBoxText(const QString &source, int number, const QString &description);
LCBASE_EXPORT QString componentBoxText(const QString &source, const QString &className, int number,
                                       const QString &description);
inline constexpr const char *kComponentBoxTitle = "Dataloom Error";
inline constexpr const char *kEditorBoxTitle = "Viewer\\Editor Error";

// The clock the log reads; tests fix it.
LCBASE_EXPORT QDateTime now();
LCBASE_EXPORT void setClockForTesting(const QDateTime &fixed);

} // namespace lc::errorlog
