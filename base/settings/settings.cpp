#include "settings.h"

#include <QFileInfo>
#include <QSettings>

#include <cmath>
#include <memory>

namespace lc::settings {
namespace {

QString g_iniPath;
WriteObserver g_observer;

std::unique_ptr<QSettings> store()
{
    if (!g_iniPath.isEmpty())
        return std::make_unique<QSettings>(g_iniPath, QSettings::IniFormat);
    return std::make_unique<QSettings>(QSettings::UserScope, QString::fromLatin1(kAppName),
                                       QString::fromLatin1(kAppName));
}

QString path(const QString &section, const QString &key)
{
    return section + u'/' + key;
}

} // namespace

void useFile(const QString &iniPath)
{
    g_iniPath = iniPath;
}

QString storeFolder()
{
    return QFileInfo(store()->fileName()).absolutePath();
}

QString GetSetting(const QString &section, const QString &key, const QString &defaultValue)
{
    const QVariant v = store()->value(path(section, key));
    return v.isValid() ? v.toString() : defaultValue;
}

void SaveSetting(const QString &section, const QString &key, const QString &value)
{
    {
        auto s = store();
        s->setValue(path(section, key), value);
        s->sync();
    }
    if (g_observer)
        g_observer(section, key, value);
}

void DeleteSetting(const QString &section, const QString &key)
{
    auto s = store();
    s->remove(path(section, key));
}

double toNumber(const QString &text, double fallback, bool *ok)
{
    bool good = false;
    const double v = text.trimmed().toDouble(&good);
    if (ok)
        *ok = good && std::isfinite(v);
    return good && std::isfinite(v) ? v : fallback;
}

bool toFlag(const QString &text, bool fallback, bool *ok)
{
    const QString t = text.trimmed();
    bool good = true;
    bool result = fallback;
    if (t.compare(u"True", Qt::CaseInsensitive) == 0)
        result = true;
    else if (t.compare(u"False", Qt::CaseInsensitive) == 0)
        result = false;
    else {
        // Any number converts too: zero is false, everything else true.
        const double v = toNumber(t, 0, &good);
        if (good)
            result = v != 0;
    }
    if (ok)
        *ok = good;
    return result;
}

QString fromReal(double value)
{
    // Single precision, as short as round-trips, without exponent for ordinary lengths.
    return QString::number(double(float(value)), 'g', 7);
}

int GetNumber(const QString &section, const QString &key, int defaultValue)
{
    const double v =
        toNumber(GetSetting(section, key, QString::number(defaultValue)), defaultValue);
    if (v >= 2147483647.0)
        return 2147483647;
    if (v <= -2147483648.0)
        return -2147483647 - 1;
    return int(std::lround(v));
}

double GetReal(const QString &section, const QString &key, double defaultValue)
{
    return toNumber(GetSetting(section, key, fromReal(defaultValue)), defaultValue);
}

bool GetFlag(const QString &section, const QString &key, bool defaultValue)
{
    return toFlag(GetSetting(section, key, defaultValue ? u"True"_qs : u"False"_qs), defaultValue);
}

void SaveNumber(const QString &section, const QString &key, qlonglong value)
{
    SaveSetting(section, key, QString::number(value));
}

void SaveReal(const QString &section, const QString &key, double value)
{
    SaveSetting(section, key, fromReal(value));
}

void SaveFlag(const QString &section, const QString &key, bool value)
{
    SaveSetting(section, key, value ? u"True"_qs : u"False"_qs);
}

void setWriteObserver(WriteObserver observer)
{
    g_observer = std::move(observer);
}

} // namespace lc::settings
