#pragma once

#include "lcbase_export.h"

#include <QString>
#include <QVariant>

#include <functional>

// The per-user settings store: string values by application, section and key. Every read
// names a default for a missing key. Numbers are stored as decimal text, flags from a
// boolean as "True"/"False", flags from a number as "0"/"1".
namespace lc::settings {

inline constexpr const char *kAppName = "Lorecase";

// Points the store at an INI file (tests, portable setups); an empty path restores the
// user's own store.
LCBASE_EXPORT void useFile(const QString &iniPath);
// The folder the store keeps its file in, without a trailing separator: a place for other
// per-user data (a web profile) that must follow the store in tests and portable setups.
LCBASE_EXPORT QString storeFolder();

LCBASE_EXPORT QString GetSetting(const QString &section, const QString &key,
                                 const QString &defaultValue = QString());
LCBASE_EXPORT void SaveSetting(const QString &section, const QString &key, const QString &value);
LCBASE_EXPORT void DeleteSetting(const QString &section, const QString &key);

// Typed conveniences that keep the store's text rules in one place.
LCBASE_EXPORT int GetNumber(const QString &section, const QString &key, int defaultValue);
LCBASE_EXPORT double GetReal(const QString &section, const QString &key, double defaultValue);
LCBASE_EXPORT bool GetFlag(const QString &section, const QString &key, bool defaultValue);
LCBASE_EXPORT void SaveNumber(const QString &section, const QString &key, qlonglong value);
LCBASE_EXPORT void SaveReal(const QString &section, const QString &key, double value);
LCBASE_EXPORT void SaveFlag(const QString &section, const QString &key, bool value);

// Text-to-value rules, exposed for testing.
LCBASE_EXPORT double toNumber(const QString &text, double fallback, bool *ok = nullptr);
LCBASE_EXPORT bool toFlag(const QString &text, bool fallback, bool *ok = nullptr);
LCBASE_EXPORT QString fromReal(double value);

// Sees every write, in order (tests check the order of shut-down writes).
using WriteObserver =
    std::function<void(const QString &section, const QString &key, const QString &value)>;
LCBASE_EXPORT void setWriteObserver(WriteObserver observer);

} // namespace lc::settings
