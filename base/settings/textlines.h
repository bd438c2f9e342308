#pragma once

#include "lcbase_export.h"

#include <QString>

#include <functional>

namespace lc {

// Reads a plain 8-bit text file line by line: UTF-8 where it is valid, else Latin-1, without
// the line ends. A line longer than maxLineBytes is cut there and the rest of it skipped, so
// no file can make a line grow without bound. take() gets each line and returns false to stop.
// False when the file cannot be opened.
LCBASE_EXPORT bool readTextLines(const QString &path, qint64 maxLineBytes,
                                 const std::function<bool(const QString &)> &take);

} // namespace lc
