#pragma once

#include "lcbase_export.h"

#include <QString>
#include <QVariant>

#include <optional>

// The fixed lists that give meaning to the codes stored in the tables. The program and
// every component read them from here, so they cannot drift apart.
namespace lc::names {

LCBASE_EXPORT QString subCatName(quint8 code);
LCBASE_EXPORT QString genreName(quint8 code);
LCBASE_EXPORT QString platformName(quint8 code);
// Exact, case-sensitive look-ups; 0 for a name not in the list.
LCBASE_EXPORT quint8 subCatId(const QString &name);
LCBASE_EXPORT quint8 genreId(const QString &name);

struct PlatformRow {
    quint8 id;
    const char *name;
    const char *brand;
    const char *checkCaption; // caption in the platform selection window
};
// The 19 delivered platform rows, in id order.
LCBASE_EXPORT const PlatformRow *platformRows(int *count);

// Platform, genre and sub-category codes are 8-bit everywhere in the program. A stored
// value outside 0-255 (or not a whole number) is refused rather than truncated.
LCBASE_EXPORT std::optional<quint8> toByteId(const QVariant &value);

} // namespace lc::names
