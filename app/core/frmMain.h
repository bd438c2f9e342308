#pragma once

#include "MainMenus.h"
#include "PaneLayout.h"

#include <QMainWindow>
#include <QRect>

#include <memory>

class ctlTree;
class ctlBrowser;
class clsPformSel;
namespace lc::controls {
class RichTextBox;
}
namespace lc::search {
class frmFind;
}
class ctlDetails;
class QLabel;
class SplitterBar;
class ctlView;

// The main window routes between its panes: the panes never call each other, the window
// connects their signals to each other's slots (connectPanes), its menu items to its commands
// (connectCommands) and keeps the commands' enabled states (updateCommands). The splitter
// layout is PaneLayout's; the window only turns its twips into widget geometry.
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
    int imgS1Left() const { return m_layout.state().s1Left; }
    int imgS2Top() const { return m_layout.state().s2Top; }
    int detailHeight() const { return m_layout.state().detailHeight; }
    int toolBarHeight() const { return m_layout.state().toolBarHeight; }
    int splitterBarPos() const { return m_layout.dragPosition(); }
    bool dragging() const { return m_layout.dragging(); }
    int innerWidth() const;
    int innerHeight() const;
    enum class Pane { Tree, View, Details };
    // Where SizeControls last put a pane, in twips.
    QRect paneTwips(Pane pane) const;
    QWidget *pane(Pane pane) const;

    // The selected tab of the file view pane (1: Files).
    int viewSelectedTab() const;

    const MainMenus &menus() const { return m_menus; }

    // Menu commands.
    void mnuFileConnect_Click();
    // Prints the file the file view shows, after the printer dialog.
    void mnuFilePrint_Click();
    // The platform window; the panes reload when the selection changed.
    void mnuMaintPlatforms_Click();
    void mnuToolsOptions_Click();
    void mnuHelpAbout_Click();
    void mnuViewTop_Click();
    void mnuViewLeft_Click();
    void mnuViewBottom_Click();
    void mnuHelpContents_Click();
    void mnuHelpSearch_Click();
    void mnuHelpUpdate_Click();
    void mnuTips_Click();
    void mnuLCSupport_Click();
    void mnuViewQuickClip_Click();
    // Shows the search window without waiting for it; one window, raised when open.
    void mnuSearchLorecase_Click();

    // A viewer's print request: heading, description, source and the file's rich text.
    void PrintFromViewer(const QString &strLine1, const QString &strDesc, const QString &strSource,
                         const QString &strRTF);
    // The hidden print document (empty between print commands).
    lc::controls::RichTextBox *printBox() const { return rtbPrint; }
    // The platform selection while its window is up, null otherwise.
    clsPformSel *platformSelect() const { return objPlatformSelect.get(); }

    // The file view pane's SendQuick: adds the clip to the scratch file.
    void SendQuick(const QString &title, const QString &text);

    // True when the window may close (the unsaved-clips question was not cancelled).
    bool Form_QueryUnload();
    void Form_Unload();

    QString helpFile() const { return m_helpFile; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    bool event(QEvent *event) override;

    // Empties every pane and loads the tree (and after it favourites and bookmarks) again.
    void ReloadPanes();
    // Opens a bookmark's or search result's key: a game node, or a file under its game.
    void OpenTreeKey(const QString &key);

private:
    void connectPanes();
    void toggleTree();
    void toggleDetails();
    void connectCommands();
    void updateCommands();
    // Shows the printer dialog and prints rtbPrint on the printer chosen there; a failure
    // is logged under the source and told once, a cancel ends silently. Empties rtbPrint.
    void printDocument(const QString &source);
    QSize innerTwips() const;
    void showDragBar();

    QWidget *m_client = nullptr;
    QWidget *picToolBar = nullptr;
    QLabel *lblCaption = nullptr;
    ::ctlTree *ctlTree = nullptr;
    class ctlView *ctlView = nullptr;
    ::ctlBrowser *ctlBrowser = nullptr;
    ::ctlDetails *ctlDetails = nullptr;
    SplitterBar *imgS1 = nullptr;
    SplitterBar *imgS2 = nullptr;
    QWidget *picSplitter = nullptr;
    lc::controls::RichTextBox *rtbPrint = nullptr;
    std::unique_ptr<clsPformSel> objPlatformSelect;
    MainMenus m_menus;

    PaneLayout m_layout;
    bool m_activated = false;
    bool m_loaded = false;
    bool m_selectNoFirstFile = false;
    lc::search::frmFind *m_find = nullptr;
    QString m_helpFile;
};
