#include "errorlog.h"

#include "programfolder.h"
#include "uiservice.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>

namespace lc::errorlog {
namespace {

QDateTime g_fixedClock;

class Lines {
public:
    Lines &operator<<(const QString &line)
    {
        m_bytes += line.toUtf8();
        m_bytes += "\r\n";
        return *this;
    }
    QByteArray bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

QString systemTime(const QTime &t)
{
    // The locale's long time form without a time-zone name.
    QString fmt = QLocale().timeFormat(QLocale::LongFormat);
    fmt.remove(u't');
    return QLocale().toString(t, fmt.trimmed());
}

QByteArray eightLines(const QString &moduleLine, const QString &source, int number,
                      const QString &description, const QDateTime &when)
{
    Lines l;
    l << moduleLine << QStringLiteral("  Source = ") + source
      << QStringLiteral("  Number = ") + QString::number(number)
      << QStringLiteral("    Desc = ") + description
      << QStringLiteral("    Date = ") + QLocale().toString(when.date(), QLocale::ShortFormat)
      << QStringLiteral("    Time = ") + systemTime(when.time()) << QString(28, u'.')
      << QStringLiteral(" ");
    return l.bytes();
}

} // namespace

AppInfo programInfo()
{
    return programVersion();
}

QByteArray bannerText(const AppInfo &app)
{
    Lines l;
    l << QStringLiteral("B R I G H T F E N S O F T WARE  -  E R R O R  *  L O G")
      << QString(39, u'=') << QStringLiteral("Application Title: ") + app.Title
      << QStringLiteral("Application Version: ") + app.version() << QStringLiteral(" ")
      << QStringLiteral("Begin Log...") << QStringLiteral(" ");
    return l.bytes();
}

QByteArray mainEntry(const QString &module, const QString &source, int number,
                     const QString &description, const QDateTime &when)
{
    return eightLines(QStringLiteral("  Module = ") + module, source, number, description, when);
}

QByteArray componentEntry(const QString &className, const QString &source, int number,
                          const QString &description, const QDateTime &when)
{
    return eightLines(QStringLiteral("  Module = Dataloom.dll ") + className, source, number,
                      description, when);
}

QByteArray editorEntry(const QString &module, const QString &source, int number,
                       const QString &description, const QDateTime &when)
{
    Lines l;
    l << QStringLiteral("Component = Scrivet.dll") << QStringLiteral("   Module = ") + module
      << QStringLiteral("   Source = ") + source
      << QStringLiteral("   Number = ") + QString::number(number)
      << QStringLiteral("     Desc = ") + description
      << QStringLiteral("     Date = ") + when.date().toString(QStringLiteral("MM-dd-yy"))
      << QStringLiteral("     Time = ") +
             QLocale::c().toString(when.time(), QStringLiteral("hh:mm:ss AP"))
      << QString(38, u'.') << QStringLiteral(" ");
    return l.bytes();
}

bool append(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const bool ok = f.write(bytes) == bytes.size();
    f.close();
    return ok;
}

bool writeBannerIfMissing(const QString &path, const AppInfo &app)
{
    if (QFileInfo::exists(path))
        return false;
    return append(path, bannerText(app));
}

QString mainBoxTitle(const QString &module)
{
    return module + QStringLiteral(" Error");
}

QString mainBoxText(const QString &source, int number, const QString &description)
{
    return source + QStringLiteral(" Error: ") + QString::number(number) +
           QStringLiteral("\r\n\r\n") + description;
}

QString componentBoxText(const QString &source, const QString &className, int number,
                         const QString &description)
{
    return QStringLiteral("There has been a ") + source + QStringLiteral(" error in module ") +
           className + QStringLiteral(".\r\n\r\nError Number: ") + QString::number(number) +
           QStringLiteral("\r\nError Description: ") + description;
}

Style programStyle()
{
    return {mainEntry,
            [](const QString &, const QString &source, int number, const QString &description) {
                return mainBoxText(source, number, description);
            },
            {},
            {}};
}

Style componentStyle(EntryLayout entry, const QString &boxTitle, const QString &fallbackLog)
{
    return {
        entry,
        [](const QString &module, const QString &source, int number, const QString &description) {
            return componentBoxText(source, module, number, description);
        },
        boxTitle, fallbackLog};
}

Reporter::Reporter(Style style, QString logPath)
    : m_style(std::move(style)), m_logPath(std::move(logPath))
{
}

Reporter Reporter::program()
{
    return {programStyle(), lc::programFolder() + QStringLiteral("error.log")};
}

void Reporter::writeEntry(const QString &module, const QString &source, int number,
                          const QString &description)
{
    if (m_logPath.isEmpty())
        m_logPath = m_style.fallbackLog;
    if (!m_logPath.isEmpty())
        append(m_logPath, m_style.entry(module, source, number, description, now()));
}

Reporter &Reporter::report(const QString &module, const QString &source, int number,
                           const QString &description, bool showMessage)
{
    if (number == 0)
        return *this;
    auto &ui = lc::ui::service();
    ui.setWaitCursor(false);
    writeEntry(module, source, number, description);
    if (showMessage)
        ui.messageBox(m_style.boxText(module, source, number, description),
                      m_style.boxTitle.isEmpty() ? mainBoxTitle(module) : m_style.boxTitle,
                      lc::ui::Buttons::Ok, lc::ui::Icon::Critical);
    return *this;
}

Reporter &Reporter::report(const QString &module, const QString &source, const lc::db::Error &error,
                           bool showMessage)
{
    return report(module, source, error.number, error.description, showMessage);
}

Reporter &Reporter::write(const QString &module, const QString &source, const lc::db::Error &error)
{
    if (error)
        writeEntry(module, source, error.number, error.description);
    return *this;
}

QDateTime now()
{
    return g_fixedClock.isValid() ? g_fixedClock : QDateTime::currentDateTime();
}

void setClockForTesting(const QDateTime &fixed)
{
    g_fixedClock = fixed;
}

} // namespace lc::errorlog
