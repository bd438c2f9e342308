#pragma once

#include <QMainWindow>
#include <QRect>

class QAction;
class QFrame;
class QLabel;
class QMenu;
class SplitterBar;

// The main window: a caption strip across the top, the tree pane on the left, the file view
// pane on the right and the details pane at the bottom, divided by two draggable splitters.
// Positions are kept in twips; the panes are laid out by SizeControls.
class frmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMain(QWidget *parent = nullptr);
    ~frmMain() override;

    // Restores the layout and prepares the panes; runs once before the window is shown.
    void Form_Load();
    // The first activation: log banner, database, first-run help. Later calls do nothing.
    void Form_Activate();
    void SizeControls(bool fromResize);
    void SetFilesCaption();

    // Splitter dragging, in twips of the client area (the mouse handlers call these).
    void imgS1_MouseDown();
    void imgS1_MouseMove(int offsetTwips);
    void imgS1_MouseUp();
    void imgS2_MouseDown();
    void imgS2_MouseMove(int offsetTwips);
    void imgS2_MouseUp();

    QLabel *captionLabel() const { return lblCaption; }
    bool activated() const { return m_activated; }
    int imgS1Left() const { return m_s1Left; }
    int imgS2Top() const { return m_s2Top; }
    int detailHeight() const { return m_detailHeight; }
    int toolBarHeight() const { return m_toolBarHeight; }
    int splitterBarPos() const { return m_barPos; }
    bool dragging() const { return m_dragging != Drag::None; }
    int innerWidth() const;
    int innerHeight() const;
    enum class Pane { Tree, View, Details };
    // Where SizeControls last put a pane, in twips.
    QRect paneTwips(Pane pane) const;
    QWidget *pane(Pane pane) const;

    // The selected tab of the file view pane (1: Files).
    int viewSelectedTab() const { return 1; }

    QAction *mnuFileConnect, *mnuFilePrint, *mnuFileExit;
    QAction *mnuMaintPlatforms, *mnuSearchLorecase;
    QAction *mnuViewTop, *mnuViewLeft, *mnuViewBottom;
    QAction *mnuViewQuickClip, *mnuToolsOptions;
    QAction *mnuHelpContents, *mnuHelpSearch, *mnuTips, *mnuHelpUpdate, *mnuLCSupport,
        *mnuHelpAbout;

    // Menu commands.
    void mnuFileConnect_Click();
    void mnuViewTop_Click();
    void mnuViewLeft_Click();
    void mnuViewBottom_Click();
    void mnuHelpContents_Click();
    void mnuHelpSearch_Click();
    void mnuHelpUpdate_Click();
    void mnuTips_Click();
    void mnuLCSupport_Click();

    // True when the window may close (the unsaved-clips question was not cancelled).
    bool Form_QueryUnload();
    void Form_Unload();

    QString helpFile() const { return m_helpFile; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    bool event(QEvent *event) override;

private:
    enum class Drag { None, Vertical, Horizontal };
    void buildMenus();
    void placePane(QWidget *w, Pane which, int left, int top, int width, int height);

    QWidget *m_client = nullptr;
    QWidget *picToolBar = nullptr;
    QLabel *lblCaption = nullptr;
    QFrame *ctlTree = nullptr;
    QFrame *ctlView = nullptr;
    QFrame *ctlDetails = nullptr;
    SplitterBar *imgS1 = nullptr;
    SplitterBar *imgS2 = nullptr;
    QWidget *picSplitter = nullptr;

    int m_toolBarHeight = 375;
    int m_s1Left = 3720;
    int m_s1Top = 375;
    int m_s2Top = 0;
    int m_detailHeight = 2295;
    int m_barPos = 0; // picSplitter's left (vertical drag) or top (horizontal drag)
    QRect m_paneTwips[3];
    Drag m_dragging = Drag::None;
    bool m_activated = false;
    bool m_loaded = false;
    bool m_keepClips = false;
    QString m_helpFile;
};
