#pragma once

#include "lcbase_export.h"

#include <QIcon>
#include <QString>

namespace lc::controls {

// The game tree's pictures, by image key: "pg" and "ROOT" (the collection closed and open),
// the brands ("Microsoft", "Nintendo", "Sega", "Sony", "PC", "Arcade"), "console", "genre"
// and "cd", each key also with "_hot" (the look of a selected node). Drawn, not loaded, so
// they are always there. An unknown key gives a null icon.
LCBASE_EXPORT QIcon treeImage(const QString &key);

} // namespace lc::controls
