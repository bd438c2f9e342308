#include "MainMenus.h"

#include "menuitems.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

using lc::controls::addMenu;
using lc::controls::addMenuItem;

MainMenus MainMenus::build(QMenuBar *bar)
{
    MainMenus m;
    QMenu *file = addMenu(bar, "&File", "mnuFile");
    m.mnuFileConnect = addMenuItem(file, "&Open Lorecase", "mnuFileConnect", QKeySequence::Open);
    m.mnuFilePrint = addMenuItem(file, "&Print", "mnuFilePrint", QKeySequence::Print);
    file->addSeparator();
    m.mnuFileExit = addMenuItem(file, "E&xit", "mnuFileExit", QKeySequence::Quit);

    QMenu *edit = addMenu(bar, "&Edit", "mnuEdit");
    m.mnuMaintPlatforms = addMenuItem(edit, "&Platforms", "mnuMaintPlatforms");
    edit->addSeparator();
    m.mnuSearchLorecase = addMenuItem(edit, "&Find...", "mnuSearchLorecase", QKeySequence::Find);

    QMenu *view = addMenu(bar, "&View", "mnuView");
    m.mnuViewTop = addMenuItem(view, "&Title", "mnuViewTop");
    m.mnuViewLeft = addMenuItem(view, "Book T&ree", "mnuViewLeft");
    m.mnuViewBottom = addMenuItem(view, "&Details", "mnuViewBottom");
    for (QAction *a : {m.mnuViewTop, m.mnuViewLeft, m.mnuViewBottom}) {
        a->setCheckable(true);
        a->setChecked(true);
    }

    QMenu *tools = addMenu(bar, "&Tools", "mnuTools");
    m.mnuViewQuickClip = addMenuItem(tools, "&Quick Clip Viewer", "mnuViewQuickClip");
    tools->addSeparator();
    m.mnuToolsOptions =
        addMenuItem(tools, "&Options...", "mnuToolsOptions", QKeySequence::Preferences);

    QMenu *help = addMenu(bar, "&Help", "mnuHelp");
    m.mnuHelpContents =
        addMenuItem(help, "&Contents", "mnuHelpContents", QKeySequence::HelpContents);
    m.mnuHelpSearch = addMenuItem(help, "&Search For Help On...", "mnuHelpSearch");
    help->addSeparator();
    m.mnuTips = addMenuItem(help, "Tip Of The &Day", "mnuTips");
    help->addSeparator();
    m.mnuHelpUpdate = addMenuItem(help, "Check For &Updates...", "mnuHelpUpdate");
    m.mnuLCSupport = addMenuItem(help, "&Online Support", "mnuLCSupport");
    help->addSeparator();
    m.mnuHelpAbout = addMenuItem(help, "&About Lorecase...", "mnuHelpAbout");
    return m;
}
