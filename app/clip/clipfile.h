#pragma once

#include <QByteArray>
#include <QString>

// The Quick Clip files: the scratch file the clips pile up in and the .qcf files a user
// keeps them in.
namespace lc::clip {

inline const QString kScratchFile = QStringLiteral("~clp.tmp");

// ~clp.tmp in the program folder.
QString scratchPath();
// The QuickClip folder under the program folder (with a trailing separator).
QString clipFolder();

// One clip record: title, the thirty-sign rule, text, an empty line and the thirty-dot line.
QByteArray clipRecord(const QString &title, const QString &text);

// Appends one record to ~clp.tmp (creating it) and tells the user "Clip added!". False (and
// logged, with a message) when the scratch file could not be written.
bool AddClip(const QString &title, const QString &text);

// The scratch file exists and holds at least 2 bytes.
bool hasUnsavedClips();

// Larger files are refused: a text box of that size would leave the window unusable.
inline constexpr qint64 kMaxClipFileBytes = 16 * 1024 * 1024;

struct ReadResult {
    bool ok = false;
    QString text;
    QString error; // why the file could not be read, for the user
};
// Reads a clip file as text: UTF-8 when it is valid UTF-8, else 8-bit text; NUL bytes do
// not reach the text box. A missing file reads as empty.
ReadResult readClipFile(const QString &path);

// Encodes the text box's text for a clip file.
QByteArray encodeClipText(const QString &text);

// Replaces the file's contents through a temporary file and a rename, so a failure leaves
// the old file as it was. Empty on success, else the reason.
QString replaceFile(const QString &path, const QByteArray &bytes);
// Copies the file, appends the bytes and renames the copy over it; same guarantee.
QString appendToFile(const QString &path, const QByteArray &bytes);

} // namespace lc::clip
