#pragma once

#include "lcbase_export.h"

#include <QKeySequence>

class QAction;
class QMenu;
class QMenuBar;

namespace lc::controls {

// A menu of a window's menu bar, named so tests and the window can find it.
LCBASE_EXPORT QMenu *addMenu(QMenuBar *bar, const char *caption, const char *name);

// One menu item: its caption (with its & access key), its object name and, where the item
// has a usual one, its shortcut.
LCBASE_EXPORT QAction *addMenuItem(QMenu *menu, const char *caption, const char *name,
                                   const QKeySequence &shortcut = {});

} // namespace lc::controls
