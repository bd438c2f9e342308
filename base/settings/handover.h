#pragma once

#include "lcbase_export.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace lc {

// A version record: the running program's own, what the hand-over file carries to the
// updater, and what the update server offers. One type for all three, so the program and
// the updater can never disagree on what a version is.
class LCBASE_EXPORT clsAppInfo {
public:
    QString Title;
    quint8 Major = 0;
    quint8 Minor = 0;
    qint32 Revision = 0;

    // "major.minor.revision", as the notes and messages show it.
    QString version() const;
    friend bool operator==(const clsAppInfo &, const clsAppInfo &) = default;
};

// This build of the program (and of the updater, which ships with it).
LCBASE_EXPORT clsAppInfo programVersion();

// The file the program leaves in its folder for the updater: who it is and which version.
// Both sides go through here, so what one writes is what the other reads.
namespace handover {

inline constexpr const char *kFileName = "~udtmp.tmp";

// The hand-over file's path in a program folder given with its trailing separator.
LCBASE_EXPORT QString filePath(const QString &programFolder);

// "APP:", "MAJ:", "MIN:" and "REV:" lines, each ended by CR LF.
LCBASE_EXPORT QByteArray text(const clsAppInfo &app);
// Creates or overwrites the file; false when it could not be written whole.
LCBASE_EXPORT bool write(const QString &path, const clsAppInfo &app);

enum class ReadResult { Ok, Missing, Incomplete };
// Reads the file into app and deletes it. Incomplete when any of the four items is missing
// (a damaged or foreign file); the items that were there are still filled in.
LCBASE_EXPORT ReadResult read(const QString &path, clsAppInfo &app);

// Splits a file into items: an item ends at a line end or a comma, is trimmed, and empty ones
// are dropped. An item that starts with a double quote runs to the closing quote, so update
// notes may hold commas and line breaks.
LCBASE_EXPORT QStringList readItems(const QByteArray &text);
// The leading whole number of a text ("12abc" -> 12, "x" -> 0), never below 0 and clamped
// to the 32-bit range.
LCBASE_EXPORT qint64 leadingNumber(const QString &text);

} // namespace handover
} // namespace lc
