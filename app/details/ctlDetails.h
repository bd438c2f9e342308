#pragma once

#include <QString>
#include <QWidget>

#include <functional>

class QLabel;
class QMenu;
class QAction;
class QToolBar;

namespace lc::controls {
class KeyedListView;
class TabStrip;
} // namespace lc::controls
namespace lc::db {
class Connection;
class Recordset;
} // namespace lc::db
namespace lc::keys {
struct TreeKey;
}

// What the pane asks the game tree about a game node key: its title, genre name and
// platform name as the tree shows them.
struct GameQueries {
    std::function<QString(const QString &gameKey)> GameName;
    std::function<QString(const QString &gameKey)> GameGenre;
    std::function<QString(const QString &gameKey)> GamePlatform;
};

// The bottom pane: the user's bookmarks, internet favourites and the full-text search results.
// Bookmarks and favourites are kept in step with their tables; the list changes only after
// its row was written.
class ctlDetails : public QWidget {
    Q_OBJECT
public:
    explicit ctlDetails(lc::db::Connection &conn, QWidget *parent = nullptr);
    ~ctlDetails() override;

    // Bookmarks
    void LoadBookmarks(const QString &platformList);
    void ClearFiles();
    void BookmarkFile(quint8 bytSubCat, const QString &strKey, const QString &strTitle,
                      const GameQueries &tree);
    void UpdateBookmark(quint8 bytSubCat, const QString &strKey, const QString &strTitle,
                        const GameQueries &tree);
    void MoveBookmark(const QString &strOldKey, const QString &strNewKey, const GameQueries &tree);
    void RenameGame(const QString &strKey, const QString &strNewTitle);
    void DeleteBookmark(const QString &strKey);
    void KillBM();

    // Favourites
    void LoadFavorites(const QString &platformList);
    void ClearFavorites();
    bool FavoriteCheck(const QString &strURL);
    void AddFavorite(const QString &strKey, const QString &strURL, const QString &strTitle,
                     const QString &strDesc);
    bool DeleteFavorite(const QString &strKey);

    // Search results and frame
    void InitDetails();
    void SelectTab(quint8 bytIndex);
    quint8 SelectedTab() const;
    void Reset();
    void ClearSearch();
    void SearchTitle(const QString &strText);
    void AddSearch(qint32 lngFileId, const QString &strPlatform, const QString &strGame,
                   quint8 bytSubCat, const QString &strValue, const QString &strGameKey,
                   const QString &strField);

    lc::controls::TabStrip *tbsTabs = nullptr;
    QToolBar *tbrTools = nullptr;
    QAction *cmdClose = nullptr; // the toolbar's "x"
    QWidget *picTabContainer[3] = {};
    QLabel *lblBookmarks = nullptr;
    QLabel *lblFavorites = nullptr;
    QLabel *lblSearchResults = nullptr;
    lc::controls::KeyedListView *lvBookmarks = nullptr;
    lc::controls::KeyedListView *lvFavorites = nullptr;
    lc::controls::KeyedListView *lvSearchResults = nullptr;
    QMenu *mnuBM = nullptr;
    QAction *mnuBMDelete = nullptr;
    QMenu *mnuFav = nullptr;
    QAction *mnuFavDel = nullptr;
    QMenu *mnuSearch = nullptr;
    QAction *mnuSearchClear = nullptr;

Q_SIGNALS:
    void NavigateFavorite(const QString &strURL);
    void FavoritesLoaded();
    void BookmarksLoaded();
    void BookmarkSelect(const QString &strKey);
    void SearchSelect(const QString &strKey);
    void HideControl();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    struct StoredBookmark;
    void tabChanged(int index);
    void setFocusLook(bool active);
    void restoreWidths();
    void fitSearchColumns();
    void saveWidths() const;
    void addBookmarkRow(const StoredBookmark &b);
    void showBookmark(int row, const StoredBookmark &b);
    // Runs over every stored bookmark once; each one whose key the match accepts is handed
    // to the edit, which writes it and returns false to stop on a failed write.
    bool forEachStored(const QString &operation,
                       const std::function<bool(const lc::keys::TreeKey &)> &match,
                       const std::function<bool(lc::db::Recordset &)> &edit);
    void deleteSelectedBookmark(const QString &operation, bool report);
    void userDeleteBookmark();
    void userDeleteFavorite();
    void openFavorite(int row);
    void fail(const QString &operation, const lc::db::Recordset &rs);

    lc::db::Connection &m_conn;
    bool m_bookmarksLoaded = false;
    QString m_scrollTo;
    bool m_scrollPending = false;
    bool m_fitSearchColumns = true;
};
