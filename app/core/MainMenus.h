#pragma once

class QAction;
class QMenuBar;

// The main window's menu bar, built on the shared menu-item helper. Each item keeps the
// name of its command and, where the desktop has a usual one, its standard shortcut.
struct MainMenus {
    QAction *mnuFileConnect = nullptr;
    QAction *mnuFilePrint = nullptr;
    QAction *mnuFileExit = nullptr;
    QAction *mnuMaintPlatforms = nullptr;
    QAction *mnuSearchLorecase = nullptr;
    QAction *mnuViewTop = nullptr;
    QAction *mnuViewLeft = nullptr;
    QAction *mnuViewBottom = nullptr;
    QAction *mnuViewQuickClip = nullptr;
    QAction *mnuToolsOptions = nullptr;
    QAction *mnuHelpContents = nullptr;
    QAction *mnuHelpSearch = nullptr;
    QAction *mnuTips = nullptr;
    QAction *mnuHelpUpdate = nullptr;
    QAction *mnuLCSupport = nullptr;
    QAction *mnuHelpAbout = nullptr;

    static MainMenus build(QMenuBar *bar);
};
