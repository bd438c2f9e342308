#include "menuitems.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace lc::controls {

QMenu *addMenu(QMenuBar *bar, const char *caption, const char *name)
{
    QMenu *menu = bar->addMenu(QString::fromUtf8(caption));
    menu->setObjectName(QString::fromLatin1(name));
    return menu;
}

QAction *addMenuItem(QMenu *menu, const char *caption, const char *name,
                     const QKeySequence &shortcut)
{
    QAction *a = menu->addAction(QString::fromUtf8(caption));
    a->setObjectName(QString::fromLatin1(name));
    if (!shortcut.isEmpty())
        a->setShortcut(shortcut);
    return a;
}

} // namespace lc::controls
