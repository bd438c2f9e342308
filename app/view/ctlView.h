#pragma once

#include "dberror.h"
#include "filerecord.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QToolBar;
class clsSelector;
class clsVWED;

namespace lc::controls {
class KeyedListView;
class RichTextBox;
class TabStrip;
} // namespace lc::controls

namespace lc::db {
class Connection;
}

// What the pane needs from the browser pane on its second tab. The main window fills it in,
// so this pane never includes the browser's own header.
struct BrowserLink {
    std::function<void()> InitBrowse;
    std::function<void()> ComboFocus;
    std::function<void(const QString &address)> BrowseNavigate;
    std::function<QString()> ImportText;
    std::function<QString()> PageURL;
    std::function<QString()> PageTitle;
};

// The files of the game selected in the tree: a list over a read-only viewer on the first
// tab, the browser pane on the second, a cover picture while no game is shown, and the
// commands on the files (open, add, delete, move, copy, bookmark, clip).
class ctlView : public QWidget {
    Q_OBJECT
public:
    explicit ctlView(lc::db::Connection &conn, QWidget *parent = nullptr);
    ~ctlView() override;

    // Set by the main window before it lists a game.
    quint8 M_PLATFORM_ID = 0;
    quint8 M_GENRE_ID = 0;
    qint32 M_GAME_ID = 0;
    QString M_GAME;

    void InitView();
    void Re_View();
    void ListFiles(qint32 lngGameId, bool blnNoSelect);
    void SelectFile(const QString &strKey);
    void AddListItem(const QString &strKey, const QString &strDesc, const QString &strSource,
                     quint8 bytSubCat, const QString &strGame);
    void SetCaption(const QString &strGame);
    void Clear();
    void Reset();
    void Cover(bool blnVisible);
    void SelectTab(quint8 bytIndex);
    quint8 SelectedTab() const;
    void BrowseNavigate(const QString &strAddress);
    QString ImportText() const;
    QString BrowseURL() const;
    QString BrowsePageTitle() const;
    QString NavURL() const { return m_navUrl; }
    bool PrintInfo(lc::controls::RichTextBox &box) const;
    void AddNewFile();

    // The browser pane goes into this container; its calls come through the link.
    QWidget *browserHost() const { return picTabContainer[1]; }
    void setBrowser(const BrowserLink &link) { m_browser = link; }

    // The file commands, as the menus and keys start them.
    void OpenFile();
    void EditFile();
    void NewFile();
    void DeleteFile();
    void MoveFile();
    void CopyFile();
    void BookmarkFile();
    void QuickClipAll();
    void QuickClipSelection();
    void NavigateToSource();

    clsVWED *viewer() const { return objViewer.get(); }
    clsSelector *selector() const { return objSelector.get(); }
    QString shownKey() const { return m_shownKey; }
    qint32 listedGame() const { return m_listedGame; }

    lc::controls::TabStrip *tbsTabs = nullptr;
    QWidget *picTabContainer[2] = {nullptr, nullptr};
    QLabel *lblFiles = nullptr;
    lc::controls::KeyedListView *lvFiles = nullptr;
    QFrame *imgS2 = nullptr;
    QFrame *picSplitter = nullptr;
    lc::controls::RichTextBox *rtbText = nullptr;
    QWidget *picCover = nullptr;
    QLabel *imgCover = nullptr;
    QToolBar *tbrTools = nullptr;
    QMenu *mnuFile = nullptr;
    QMenu *mnuAddOnly = nullptr;
    QMenu *mnuQuickMenu = nullptr;
    QAction *mnusepNav = nullptr;
    QAction *mnuNavToSrc = nullptr;

    // A title of 51 characters or more keeps its first 47 and "...".
    static QString ShortTitle(const QString &title);

public Q_SLOTS:
    // The browser pane's events, connected by the main window.
    void Browser_TitleChange(const QString &strTitle);
    void Browser_ShowFavorites();
    void Browser_AddFavorite();
    void Browser_DirectImport(const QString &a, const QString &b, const QString &c);

    // The selector's answer to Move/Copy.
    void objSelector_CompleteSelect(quint8 bytPlatformId, quint8 bytGenreId, qint32 lngGameId,
                                    bool blnCancel);

Q_SIGNALS:
    void AddGameNode(const QString &a, const QString &b, const QString &c);
    void Bookmark(quint8 bytSubCat, const QString &strLocationKey, const QString &strTitle);
    void FileEdited(quint8 bytSubCat, const QString &strLocationKey, const QString &strTitle);
    void FileMoved(const QString &strOldKey, const QString &strNewKey);
    void FileDeleted(const QString &strLocationKey);
    void NoFileKeyFound(const QString &strKey);
    void SendQuick(const QString &strHeader, const QString &strText);
    void ImportPage(const QString &a, const QString &b, const QString &c);
    void BrowseTitleChange(const QString &strTitle);
    void UpdateGameNode(const QString &strGameKey, quint8 bytRemoved);
    void PrintFile(const QString &a, const QString &b, const QString &c, const QString &d);
    void ShowFavorites();
    void AddToFavorites();
    void ShowTree();
    void ShowDetails();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    struct Item {
        qint32 fileId = 0;
        quint8 subCat = 0;
        QString source;
        QString description;
    };
    void buildMenus();
    int addItem(const QString &key, const Item &item);
    void updateItem(int row, const Item &item);
    void showText(const QString &rtf);
    bool readText(qint32 fileId, QString *rtf, lc::db::Error *error) const;
    void SelectFirst();
    void tabClick(int index);
    void showFilesCaption();
    void itemClick(int row);
    void listMouseDown(Qt::MouseButton button, QPoint globalPos);
    void listKeyDown(int key);
    void viewerMouse(QPoint globalPos);
    void focusMoved(QWidget *now);
    void layoutTabs();
    void layoutFiles();
    void centreCover();
    void openViewer(quint8 mode, const lc::db::FileRecord *record, const QString &source,
                    const QString &description);
    void objViewer_AddFile(quint8 bytPlatformId, quint8 bytGenreId, qint32 lngGameId,
                           qint32 lngFileId, quint8 bytSubCat, const QString &strSource,
                           const QString &strDescription, const QString &strTextRTF);
    void objViewer_SaveEdit(qint32 lngFileId, quint8 bytSubCat, const QString &strSource,
                            const QString &strDescription, const QString &strTextRTF);
    QString gameKey() const;
    QString locationKey(qint32 fileId) const;
    QString quickHeader() const;
    qint32 selectedFileId() const;

    lc::db::Connection &m_conn;
    BrowserLink m_browser;
    std::unique_ptr<clsVWED> objViewer;
    std::unique_ptr<clsSelector> objSelector;
    qint32 m_listedGame = 0;
    QString m_shownKey;
    QString m_navUrl;
    quint8 m_openMode = 0;
    quint8 m_copyFlag = 0;
    int m_splitTop = -1;       // pixels in container 1; -1 until first laid out
    bool m_splitMoved = false; // until the user drags it, the splitter keeps a third of the height
    int m_dragOffset = 0;
    bool m_focusLook = false;
};
