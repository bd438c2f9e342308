#pragma once

#include <QString>
#include <QWidget>

#include <memory>
#include <optional>

class QAction;
class QFrame;
class QLineEdit;
class QMenu;
class QPushButton;
class QToolBar;
class clsSelector;
class clsVWED;

namespace lc::controls {
class KeyedTree;
}
namespace lc::db {
class Connection;
}

// What a node click reports about the node's place in the tree.
enum enNodeType : quint8 { ntRoot = 0, ntBrand = 1, ntPlatform = 2, ntGenre = 3, ntGame = 4 };

// The left pane: the whole collection as a tree (root, brands, platforms, genres, games)
// under a small search box, with the commands that add, rename, move and delete games and
// store text dropped on it.
class ctlTree : public QWidget {
    Q_OBJECT
public:
    explicit ctlTree(lc::db::Connection &conn, QWidget *parent = nullptr);
    ~ctlTree() override;

    void LoadTree();
    void Reset();
    void FinishLoad();
    void SelectNode(const QString &strKey);
    void UpdateGameCaption(const QString &strGameKey, quint8 bytRemove = 0);
    void DirectImport(const QString &strURL, const QString &strPageTitle, const QString &strText);
    void objSelector_AddGameNode(const QString &strName, const QString &strParentKey,
                                 const QString &strKey);

    QString Search_Text() const;
    void setSearch_Text(const QString &text);
    QString SearchText() const;
    bool SearchBox() const;
    QString GameName(const QString &strKey) const;
    QString GameGenre(const QString &strKey) const;
    QString GamePlatform(const QString &strKey) const;

    // The page the browser shows; a drop of text takes its address and title as the new
    // file's source and description. The main window keeps them current.
    QString BrowseURL;
    QString BrowsePageTitle;

    // The commands of the pop-up menus (also reachable from tests and the keyboard).
    void mnuAddGame_Click();
    void mnuHiddenRename_Click();
    void mnuHiddenMoveTo_Click();
    void mnuHiddenDelete_Click();
    void cmdGo_Click();
    // Stores dropped data as a new file of the game the node stands for.
    void DropText(int node, const QString &plainText);

    lc::controls::KeyedTree *tvwFiles = nullptr;
    QToolBar *tbrTools = nullptr;
    QAction *tbrSearch = nullptr;
    QAction *tbrHide = nullptr;
    QFrame *fFrame = nullptr;
    QFrame *fSearch = nullptr;
    QLineEdit *txtSearch = nullptr;
    QWidget *picGo = nullptr;
    QPushButton *cmdGo = nullptr;
    QMenu *mnuHiddenGame = nullptr;
    QMenu *mnuHiddenPlatform = nullptr;
    QMenu *mnuHiddenGenre = nullptr;
    QAction *mnuHiddenAddFile = nullptr;
    QAction *mnuHiddenMoveTo = nullptr;
    QAction *mnuHiddenRename = nullptr;
    QAction *mnuHiddenDelete = nullptr;
    QAction *mnuHiddenPlatformRemove = nullptr;
    QAction *mnuAddGame = nullptr;

    // The menu a right-button release over the selected node pops up; null for none.
    QMenu *menuForSelected() const;

Q_SIGNALS:
    void TreeNodeClick(quint8 bytPlatformId, quint8 bytGenreId, qint32 lngGameId,
                       const QString &strGame, const QString &strCaption, enNodeType enNodeType);
    void AddToView(const QString &strFileKey, const QString &strDesc, const QString &strSource,
                   quint8 bytSC, const QString &strGameTitle);
    void RenameGame(const QString &strOldName, const QString &strNewName,
                    const QString &strTreeKey);
    void MoveGame(const QString &strOldKey, const QString &strNewKey);
    void GameNodeDelete(const QString &strGenreCaption, const QString &strGameKey);
    void PrintInfo(const QString &strLine1, const QString &strDesc, const QString &strSource,
                   const QString &strRTF);
    void GameNodeDblClick();
    void RemovePlatform();
    void AddFile();
    void HideControl();
    void LoadFavorites(const QString &strPlatforms);

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class Change { Added = 0, Removed = 1 };
    struct Target {
        quint8 platformId = 0;
        quint8 genreId = 0;
        qint32 gameId = 0;
        QString gameName;
    };

    void loaderFinished();
    void nodeClicked(int node);
    void reportNode(int node);
    void toggleSearch();
    void layOut();
    void setStatus(const QString &text);
    void updateCounts(const QString &genreKey, Change change);
    int addGameNode(const QString &parentKey, const QString &key, const QString &name);
    bool selectedIsGame() const;
    // Shows the game selector; nothing when the user cancelled.
    std::optional<Target> pickGame(const Target &preset, const QString &caption,
                                   bool placeOnly = false);
    void openNewFile(const Target &target, const QString &source, const QString &desc,
                     const QString &text);
    void viewerAddFile(quint8 platform, quint8 genre, qint32 game, qint32 file, quint8 subCat,
                       const QString &source, const QString &desc);
    int fileCount(qint32 gameId) const;
    void fail(const QString &procedure, int number, const QString &description);

    lc::db::Connection &m_conn;
    // Index + 1 of the last hit; 0 starts a new search from the top.
    qint32 m_searchPos = 0;
    bool m_searchHidden = false;
    std::unique_ptr<clsVWED> m_viewer;
};
