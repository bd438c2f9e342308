#pragma once

#include "dberror.h"
#include "handover.h"
#include "lcbase_export.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

// The error log: a plain-text file of entries, only ever appended to, CR LF line ends.
// Three kinds of writer share it (the program, the data access component and the
// viewer/editor), each with its own entry layout; all of them report through a Reporter.
namespace lc::errorlog {

// The banner names the program by the same version record the updater compares.
using AppInfo = lc::clsAppInfo;

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

using EntryLayout = QByteArray (*)(const QString &module, const QString &source, int number,
                                   const QString &description, const QDateTime &when);
using BoxTextLayout = QString (*)(const QString &module, const QString &source, int number,
                                  const QString &description);

// How one deliverable writes its entries and words its error box.
struct Style {
    EntryLayout entry = nullptr;
    BoxTextLayout boxText = nullptr;
    QString boxTitle;    // empty: the module's name followed by " Error"
    QString fallbackLog; // where entries go while no log path is set; empty: nowhere
};

// The program's entries and box.
LCBASE_EXPORT Style programStyle();
// A component's: its own entry layout, caption and fallback, the component box text.
LCBASE_EXPORT Style componentStyle(EntryLayout entry, const QString &boxTitle,
                                   const QString &fallbackLog = {});

// Reports failed operations into one log in one style. A pane is given one or builds the
// program's own with program().
class LCBASE_EXPORT Reporter {
public:
    Reporter(Style style, QString logPath);
    // error.log in the program folder, in the program's style.
    static Reporter program();

    // The log written to; the fallback once an entry went there.
    const QString &logPath() const { return m_logPath; }

    // Clears a wait cursor, appends the entry and, when asked, shows the box. An error
    // numbered 0 is no error: nothing is written or shown.
    Reporter &report(const QString &module, const QString &source, int number,
                     const QString &description, bool showMessage);
    Reporter &report(const QString &module, const QString &source, const lc::db::Error &error,
                     bool showMessage);
    // The entry alone, for reports that must not raise a box each time.
    Reporter &write(const QString &module, const QString &source, const lc::db::Error &error);

private:
    void writeEntry(const QString &module, const QString &source, int number,
                    const QString &description);

    Style m_style;
    QString m_logPath;
};

// The clock the log reads; tests fix it.
LCBASE_EXPORT QDateTime now();
LCBASE_EXPORT void setClockForTesting(const QDateTime &fixed);

} // namespace lc::errorlog
