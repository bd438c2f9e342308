#pragma once

#include "handover.h"

#include <QString>

class QLockFile;

// Where the updater finds things, how the platform names programs, and the start-up rule.
namespace renewer {

inline constexpr const char *kHandOverFile = lc::handover::kFileName;
inline constexpr const char *kVersionFile = "sftudate.tmp";
// Held for the whole run so that a second copy can tell it is not alone.
inline constexpr const char *kLockFile = "~renewer.lck";

// The server's base address lives in the settings store so a user (or a test) can point
// the updater at another server; the files are fetched from its "/downloads/" folder.
inline constexpr const char *kServerSection = "Updater";
inline constexpr const char *kServerKey = "Server";
inline constexpr const char *kDefaultServer = "https://updates.lorecase.example.org";

// The program folder with exactly one trailing separator: LORECASE_HOME when set, otherwise
// the folder of the running program, as the main program does.
QString AppPath();

// A program's file name on this platform ("Renewer.exe" on Windows, "Renewer" elsewhere).
QString programFileName(const QString &baseName);
// Whether two file names name the same file under this platform's case rule.
bool sameFileName(const QString &a, const QString &b);

// The updater's own major version: it picks its block out of the version file.
int updaterMajor();

// The configured server address without a trailing slash, and its downloads folder with one.
QString serverBase();
QString downloadsUrl();

enum class StartCheck { Run, AlreadyRunning, NoHandOver };
// Takes the single-copy lock in the program folder. A second copy removes the hand-over
// file so the first one is not fed stale data later, and must end without a window.
StartCheck checkStart(QLockFile &lock);
// The lock file's path in the program folder.
QString lockFilePath();

} // namespace renewer
