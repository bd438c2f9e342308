#include "ctlDetails.h"

#include "captionlook.h"
#include "connection.h"
#include "errorlog.h"
#include "fixedlists.h"
#include "keyedlistview.h"
#include "recordset.h"
#include "settings.h"
#include "tabstrip.h"
#include "treekeys.h"
#include "twips.h"
#include "uiservice.h"

#include <sqlite3.h>

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QSet>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

using lc::controls::KeyedListView;
using lc::controls::ListColumn;
using lc::db::Recordset;
using lc::keys::Kind;
using lc::keys::TreeKey;
using lc::ui::Answer;
using lc::ui::Buttons;
using lc::ui::Icon;

namespace {

const QString kModule = QStringLiteral("ctlDetails");
const QString kSection = QStringLiteral("Detail");
const QString kBookmarksSelect =
    QStringLiteral("SELECT auto_id, tree_key, game, file, platform, sub_cat, genre FROM bookmarks");
const QString kFavoritesSelect = QStringLiteral("SELECT auto_id, url, title, desc FROM favorites");
const QString kSearchCaption = QStringLiteral(" Search Results:");

QString text(const Recordset &rs, const char *name)
{
    return rs.field(QLatin1String(name)).toString();
}

QString subCatText(const QVariant &code)
{
    const auto id = lc::names::toByteId(code);
    return id ? lc::names::subCatName(*id) : QString();
}

QString genreText(const QVariant &code)
{
    const auto id = lc::names::toByteId(code);
    return id ? lc::names::genreName(*id) : QString();
}

bool sameGame(const TreeKey &a, const TreeKey &b)
{
    return a.gameId == b.gameId && a.genreId == b.genreId && a.platformId == b.platformId;
}

// The game node key of a location key, or an invalid key.
TreeKey gameOf(const QString &locationKey)
{
    TreeKey k = lc::keys::parse(locationKey);
    if (k.kind != Kind::Location)
        return {};
    k.kind = Kind::Game;
    return k;
}

QString gameKeyOf(const TreeKey &k)
{
    return lc::keys::gameKey(k.gameId, k.genreId, k.platformId);
}

int screenTwips()
{
    const QScreen *s = QGuiApplication::primaryScreen();
    return lc::twips::fromPixels(s ? s->geometry().width() : 1024);
}

QLabel *makeCaption(const QString &name, const QString &caption, QWidget *parent)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setAutoFillBackground(true);
    lc::controls::setCaptionLook(label, false);
    return label;
}

KeyedListView *makeList(const QString &name, const std::vector<ListColumn> &columns,
                        QWidget *parent)
{
    auto *list = new KeyedListView(parent);
    list->setObjectName(name);
    list->setColumns(columns);
    list->setViewMode(lc::controls::ListViewMode::Report);
    return list;
}

struct WidthKey {
    KeyedListView *list;
    const char *prefix;
};

} // namespace

struct ctlDetails::StoredBookmark {
    QString key;
    QString file;
    QString subCat;
    QString game;
    QString genre;
    QString platform;
    qint32 id = 0;
};

ctlDetails::ctlDetails(lc::db::Connection &conn, QWidget *parent) : QWidget(parent), m_conn(conn)
{
    setObjectName(QStringLiteral("ctlDetails"));
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);

    tbsTabs = new lc::controls::TabStrip(this);
    tbsTabs->setObjectName(QStringLiteral("tbsTabs"));
    outer->addWidget(tbsTabs);
    const QString captions[3] = {QStringLiteral("Bookmarks"), QStringLiteral("Internet Favorites"),
                                 QStringLiteral("Lorecase Search Results")};
    const QString tabKeys[3] = {QStringLiteral("book"), QStringLiteral("favorites"),
                                QStringLiteral("find")};
    for (int i = 0; i < 3; ++i) {
        picTabContainer[i] = new QWidget;
        picTabContainer[i]->setObjectName(QStringLiteral("picTabContainer%1").arg(i + 1));
        tbsTabs->addTab(tabKeys[i], captions[i], picTabContainer[i]);
    }

    tbrTools = new QToolBar(this);
    tbrTools->setObjectName(QStringLiteral("tbrTools"));
    tbrTools->setIconSize(QSize(12, 12));
    cmdClose = tbrTools->addAction(QStringLiteral("x"));
    cmdClose->setObjectName(QStringLiteral("x"));
    cmdClose->setToolTip(tr("Close"));
    connect(cmdClose, &QAction::triggered, this, &ctlDetails::HideControl);

    const int screen = screenTwips();
    lblBookmarks = makeCaption(QStringLiteral("lblBookmarks"), QStringLiteral(" Bookmarks:"),
                               picTabContainer[0]);
    lvBookmarks = makeList(QStringLiteral("lvBookmarks"),
                           {{QStringLiteral("File"), 3200},
                            {QStringLiteral("Category"), 1600},
                            {QStringLiteral("Game"), 3400},
                            {QStringLiteral("Genre"), 1100},
                            {QStringLiteral("Platform"), 2600}},
                           picTabContainer[0]);
    lblFavorites = makeCaption(QStringLiteral("lblFavorites"),
                               QStringLiteral(" Internet Favorites:"), picTabContainer[1]);
    lvFavorites = makeList(QStringLiteral("lvFavorites"),
                           {{QStringLiteral("URL"), screen / 3 - 40},
                            {QStringLiteral("Title"), screen / 3 - 40},
                            {QStringLiteral("Description"), screen / 3 - 30}},
                           picTabContainer[1]);
    lvFavorites->setToolTip(QStringLiteral("Double click to navigate."));
    const QIcon link = style()->standardIcon(QStyle::SP_DirLinkIcon);
    lvFavorites->setImages(
        [link](const QString &key) { return key == QLatin1String("link") ? link : QIcon(); });
    lblSearchResults =
        makeCaption(QStringLiteral("lblSearchResults"), kSearchCaption, picTabContainer[2]);
    lvSearchResults = makeList(QStringLiteral("lvSearchResults"),
                               {{QStringLiteral("Platform"), screen / 4 - 30},
                                {QStringLiteral("Game"), screen / 4 - 30},
                                {QStringLiteral("Category"), screen / 4 - 40},
                                {QString(), screen / 4}},
                               picTabContainer[2]);
    const std::pair<QLabel *, KeyedListView *> pages[3] = {{lblBookmarks, lvBookmarks},
                                                           {lblFavorites, lvFavorites},
                                                           {lblSearchResults, lvSearchResults}};
    for (int i = 0; i < 3; ++i) {
        auto *layout = new QVBoxLayout(picTabContainer[i]);
        layout->setContentsMargins(2, 2, 2, 2);
        layout->setSpacing(2);
        layout->addWidget(pages[i].first);
        layout->addWidget(pages[i].second, 1);
    }

    mnuBM = new QMenu(this);
    mnuBM->setObjectName(QStringLiteral("mnuBM"));
    mnuBMDelete = mnuBM->addAction(QStringLiteral("Delete"));
    mnuBMDelete->setObjectName(QStringLiteral("mnuBMDelete"));
    mnuFav = new QMenu(this);
    mnuFav->setObjectName(QStringLiteral("mnuFav"));
    mnuFavDel = mnuFav->addAction(QStringLiteral("Delete"));
    mnuFavDel->setObjectName(QStringLiteral("mnuFavDel"));
    mnuSearch = new QMenu(this);
    mnuSearch->setObjectName(QStringLiteral("mnuSearch"));
    mnuSearchClear = mnuSearch->addAction(QStringLiteral("Clear"));
    mnuSearchClear->setObjectName(QStringLiteral("mnuSearchClear"));
    connect(mnuBMDelete, &QAction::triggered, this, &ctlDetails::userDeleteBookmark);
    connect(mnuFavDel, &QAction::triggered, this, &ctlDetails::userDeleteFavorite);
    connect(mnuSearchClear, &QAction::triggered, this, &ctlDetails::ClearSearch);

    // Bookmarks: open, delete, context menu.
    connect(lvBookmarks, &KeyedListView::DblClick, this, [this](int row) {
        if (lvBookmarks->isValid(row))
            Q_EMIT BookmarkSelect(lvBookmarks->key(row));
    });
    connect(lvBookmarks, &KeyedListView::KeyDown, this, [this](int key, Qt::KeyboardModifiers) {
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (lvBookmarks->selectedRow() >= 0)
                Q_EMIT BookmarkSelect(lvBookmarks->selectedKey());
        } else if (key == Qt::Key_Delete) {
            userDeleteBookmark();
        }
    });
    connect(lvBookmarks, &KeyedListView::MouseDown, this, [this](Qt::MouseButton b, QPoint at) {
        if (b == Qt::RightButton && lvBookmarks->selectedRow() >= 0)
            mnuBM->popup(at);
    });
    // Favourites.
    connect(lvFavorites, &KeyedListView::DblClick, this, [this](int row) { openFavorite(row); });
    connect(lvFavorites, &KeyedListView::KeyDown, this, [this](int key, Qt::KeyboardModifiers) {
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            openFavorite(lvFavorites->selectedRow());
        else if (key == Qt::Key_Delete)
            userDeleteFavorite();
    });
    connect(lvFavorites, &KeyedListView::MouseDown, this, [this](Qt::MouseButton b, QPoint at) {
        if (b == Qt::RightButton && lvFavorites->selectedRow() >= 0)
            mnuFav->popup(at);
    });
    // Search results.
    connect(lvSearchResults, &KeyedListView::DblClick, this, [this](int row) {
        if (lvSearchResults->isValid(row))
            Q_EMIT SearchSelect(lvSearchResults->key(row));
    });
    connect(lvSearchResults, &KeyedListView::MouseDown, this, [this](Qt::MouseButton b, QPoint at) {
        if (b == Qt::RightButton && lvSearchResults->selectedRow() >= 0)
            mnuSearch->popup(at);
    });

    connect(tbsTabs, &lc::controls::TabStrip::Click, this, &ctlDetails::tabChanged);
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget *, QWidget *now) { setFocusLook(now && isAncestorOf(now)); });

    // The close button sits over the right end of the tab row.
    tbrTools->raise();
    restoreWidths();
}

ctlDetails::~ctlDetails()
{
    saveWidths();
}

void ctlDetails::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    tbrTools->adjustSize();
    tbrTools->move(width() - tbrTools->width(), 0);
}

void ctlDetails::restoreWidths()
{
    const WidthKey lists[3] = {
        {lvBookmarks, "B_COL"}, {lvFavorites, "F_COL"}, {lvSearchResults, "S_COL"}};
    for (const WidthKey &w : lists)
        for (int c = 0; c < w.list->columnCount(); ++c) {
            const QString key = QLatin1String(w.prefix) + QString::number(c + 1);
            bool ok = false;
            const double v =
                lc::settings::toNumber(lc::settings::GetSetting(kSection, key, QString()), 0, &ok);
            if (ok && v >= 0 && v < 1e7) {
                w.list->setColumnWidth(c, int(v));
                if (w.list == lvSearchResults)
                    m_fitSearchColumns = false;
            }
        }
}

void ctlDetails::fitSearchColumns()
{
    // The default widths share out the whole screen, so in a window narrower than the screen
    // the matched value, the column searched for, would start out of sight. The first results
    // shown with the defaults get them shrunk in proportion to the list's width; widths the
    // user has set are kept.
    if (!m_fitSearchColumns || !lvSearchResults->reportView()->isVisible())
        return;
    const int room = lc::twips::fromPixels(lvSearchResults->reportView()->viewport()->width());
    if (room <= 0)
        return;
    m_fitSearchColumns = false;
    int total = 0;
    for (int c = 0; c < lvSearchResults->columnCount(); ++c)
        total += lvSearchResults->columnWidth(c);
    if (total <= room)
        return;
    for (int c = 0; c < lvSearchResults->columnCount(); ++c)
        lvSearchResults->setColumnWidth(
            c, int(qint64(lvSearchResults->columnWidth(c)) * room / total));
}

void ctlDetails::saveWidths() const
{
    const WidthKey lists[3] = {
        {lvBookmarks, "B_COL"}, {lvFavorites, "F_COL"}, {lvSearchResults, "S_COL"}};
    for (const WidthKey &w : lists)
        for (int c = 0; c < w.list->columnCount(); ++c)
            lc::settings::SaveNumber(kSection, QLatin1String(w.prefix) + QString::number(c + 1),
                                     w.list->columnWidth(c));
}

void ctlDetails::setFocusLook(bool active)
{
    for (QLabel *l : {lblBookmarks, lblFavorites, lblSearchResults})
        lc::controls::setCaptionLook(l, active);
}

void ctlDetails::fail(const QString &operation, const Recordset &rs)
{
    lc::errorlog::Reporter::program().report(kModule, operation, rs.lastError(), true);
}

// ---- Bookmarks ----

void ctlDetails::LoadBookmarks(const QString &platformList)
{
    m_bookmarksLoaded = false;
    Recordset rs;
    if (!rs.open(kBookmarksSelect, m_conn)) {
        fail(QStringLiteral("LoadBookmarks"), rs);
        return;
    }
    lvBookmarks->clear();
    // The platform list comes from the tree; a piece that is not a platform key shows nothing.
    QSet<quint8> shown;
    for (const QString &piece : platformList.split(QLatin1Char('|'))) {
        const TreeKey k = lc::keys::parse(piece);
        if (k.kind == Kind::Platform)
            shown.insert(k.platformId);
    }
    int malformed = 0;
    lvBookmarks->beginBulkAdd();
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
        StoredBookmark b;
        b.key = text(rs, "tree_key");
        const TreeKey k = lc::keys::parse(b.key);
        if (k.kind != Kind::Location) {
            ++malformed;
            continue;
        }
        if (!shown.contains(k.platformId))
            continue;
        b.id = rs.field(QStringLiteral("auto_id")).toInt();
        b.file = text(rs, "file");
        b.subCat = subCatText(rs.field(QStringLiteral("sub_cat")));
        b.game = text(rs, "game");
        b.genre = genreText(rs.field(QStringLiteral("genre")));
        b.platform = text(rs, "platform");
        addBookmarkRow(b);
    }
    lvBookmarks->endBulkAdd();
    rs.close();
    if (malformed > 0)
        lc::errorlog::Reporter::program().write(
            kModule, QStringLiteral("LoadBookmarks"),
            {lc::db::ErrInvalidArgument,
             QStringLiteral("%1 bookmark(s) with an unreadable location key were not listed.")
                 .arg(malformed)});
    m_bookmarksLoaded = true;
    Q_EMIT BookmarksLoaded();
}

void ctlDetails::addBookmarkRow(const StoredBookmark &b)
{
    const int row = lvBookmarks->add(b.key, b.file);
    if (row >= 0)
        showBookmark(row, b);
}

void ctlDetails::showBookmark(int row, const StoredBookmark &b)
{
    lvBookmarks->setText(row, 0, b.file);
    lvBookmarks->setText(row, 1, b.subCat);
    lvBookmarks->setText(row, 2, b.game);
    lvBookmarks->setText(row, 3, b.genre);
    lvBookmarks->setText(row, 4, b.platform);
    lvBookmarks->setTag(row, b.id);
}

void ctlDetails::ClearFiles()
{
    lvBookmarks->clear();
}

void ctlDetails::BookmarkFile(quint8 bytSubCat, const QString &strKey, const QString &strTitle,
                              const GameQueries &tree)
{
    const QString op = QStringLiteral("BookmarkFile");
    if (lvBookmarks->indexOf(strKey) >= 0) {
        lc::ui::msgBox(QStringLiteral("This item is already bookmarked!"), Buttons::Ok,
                       Icon::Exclamation);
        return;
    }
    const TreeKey game = gameOf(strKey);
    if (game.kind != Kind::Game) {
        lc::errorlog::Reporter::program().report(
            kModule, op,
            {lc::db::ErrInvalidArgument, QStringLiteral("Bad location key: ") + strKey}, true);
        return;
    }
    const QString gameKey = gameKeyOf(game);
    StoredBookmark b;
    b.key = strKey;
    b.file = strTitle;
    b.subCat = lc::names::subCatName(bytSubCat);
    b.game = tree.GameName ? tree.GameName(gameKey) : QString();
    b.genre = tree.GameGenre ? tree.GameGenre(gameKey) : QString();
    b.platform = tree.GamePlatform ? tree.GamePlatform(gameKey) : QString();

    Recordset rs;
    if (!rs.open(kBookmarksSelect + QStringLiteral(" WHERE auto_id = 0"), m_conn) || !rs.addNew() ||
        !rs.setField(QStringLiteral("tree_key"), b.key) ||
        !rs.setField(QStringLiteral("game"), b.game) ||
        !rs.setField(QStringLiteral("file"), b.file) ||
        !rs.setField(QStringLiteral("platform"), b.platform) ||
        !rs.setField(QStringLiteral("sub_cat"), int(bytSubCat)) ||
        !rs.setField(QStringLiteral("genre"), int(lc::names::genreId(b.genre))) || !rs.update()) {
        fail(op, rs);
        return;
    }
    b.id = qint32(rs.lastInsertId());
    b.genre = lc::names::genreName(lc::names::genreId(b.genre));
    rs.close();
    addBookmarkRow(b);
    lvBookmarks->ensureVisible(lvBookmarks->indexOf(b.key));
    lc::ui::msgBox(QStringLiteral("Bookmark added."), Buttons::Ok, Icon::Information);
}

void ctlDetails::UpdateBookmark(quint8 bytSubCat, const QString &strKey, const QString &strTitle,
                                const GameQueries &tree)
{
    if (lvBookmarks->count() == 0)
        return;
    const int row = lvBookmarks->indexOf(strKey);
    const TreeKey game = gameOf(strKey);
    if (row < 0 || game.kind != Kind::Game)
        return;
    const QString gameKey = gameKeyOf(game);
    StoredBookmark b;
    b.key = strKey;
    b.file = strTitle;
    b.subCat = lc::names::subCatName(bytSubCat);
    b.game = tree.GameName ? tree.GameName(gameKey) : lvBookmarks->text(row, 2);
    b.genre = tree.GameGenre ? tree.GameGenre(gameKey) : lvBookmarks->text(row, 3);
    b.platform = tree.GamePlatform ? tree.GamePlatform(gameKey) : lvBookmarks->text(row, 4);
    b.id = lvBookmarks->tag(row).toInt();
    Recordset rs;
    if (!rs.open(kBookmarksSelect + QStringLiteral(" WHERE auto_id = ") + QString::number(b.id),
                 m_conn)) {
        fail(QStringLiteral("UpdateBookmark"), rs);
        return;
    }
    if (rs.recordCount() == 0)
        return;
    if (!rs.setField(QStringLiteral("game"), b.game) ||
        !rs.setField(QStringLiteral("file"), b.file) ||
        !rs.setField(QStringLiteral("platform"), b.platform) ||
        !rs.setField(QStringLiteral("sub_cat"), int(bytSubCat)) ||
        !rs.setField(QStringLiteral("genre"), int(lc::names::genreId(b.genre))) || !rs.update()) {
        fail(QStringLiteral("UpdateBookmark"), rs);
        return;
    }
    showBookmark(row, b);
}

bool ctlDetails::forEachStored(const QString &operation,
                               const std::function<bool(const TreeKey &)> &match,
                               const std::function<bool(Recordset &)> &edit)
{
    Recordset rs;
    if (!rs.open(kBookmarksSelect, m_conn)) {
        fail(operation, rs);
        return false;
    }
    // One commit for the whole pass: a game's hundreds of rows would otherwise each wait for
    // the disk. Rows already written stay written when a later one fails, as the list shows.
    sqlite3 *db = m_conn.handle();
    const bool batched = db && sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK;
    bool ok = true;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
        const TreeKey k = lc::keys::parse(text(rs, "tree_key"));
        if (k.kind != Kind::Location || !match(k))
            continue;
        if (!edit(rs)) {
            ok = false;
            break;
        }
    }
    if (batched)
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    if (!ok)
        fail(operation, rs);
    return ok;
}

void ctlDetails::MoveBookmark(const QString &strOldKey, const QString &strNewKey,
                              const GameQueries &tree)
{
    if (!m_bookmarksLoaded)
        return;
    const QString op = QStringLiteral("MoveBookmark");
    const TreeKey from = lc::keys::parse(strOldKey);
    const TreeKey to = lc::keys::parse(strNewKey);
    if (from.kind == Kind::Game && to.kind == Kind::Game) {
        const QString platform = tree.GamePlatform ? tree.GamePlatform(strNewKey) : QString();
        forEachStored(
            op, [&](const TreeKey &k) { return sameGame(k, from); },
            [&](Recordset &rs) {
                const QString oldKey = text(rs, "tree_key");
                const TreeKey k = lc::keys::parse(oldKey);
                const QString newKey =
                    lc::keys::locationKey(k.fileId, to.gameId, to.genreId, to.platformId);
                if (!rs.setField(QStringLiteral("tree_key"), newKey) ||
                    !rs.setField(QStringLiteral("platform"), platform) ||
                    !rs.setField(QStringLiteral("genre"), int(to.genreId)) || !rs.update())
                    return false;
                const int row = lvBookmarks->indexOf(oldKey);
                if (row >= 0 && lvBookmarks->setKey(row, newKey)) {
                    lvBookmarks->setText(row, 3, lc::names::genreName(to.genreId));
                    lvBookmarks->setText(row, 4, platform);
                }
                return true;
            });
        return;
    }
    if (from.kind != Kind::Location || to.kind != Kind::Location)
        return;
    const int row = lvBookmarks->indexOf(strOldKey);
    if (row < 0)
        return;
    const QString gameKey = lc::keys::gameKey(to.gameId, to.genreId, to.platformId);
    const QString game = tree.GameName ? tree.GameName(gameKey) : lvBookmarks->text(row, 2);
    const QString platform = tree.GamePlatform ? tree.GamePlatform(gameKey) : QString();
    Recordset rs;
    if (!rs.open(kBookmarksSelect + QStringLiteral(" WHERE auto_id = ") +
                     QString::number(lvBookmarks->tag(row).toInt()),
                 m_conn)) {
        fail(op, rs);
        return;
    }
    if (rs.recordCount() == 0)
        return;
    if (!rs.setField(QStringLiteral("tree_key"), strNewKey) ||
        !rs.setField(QStringLiteral("game"), game) ||
        !rs.setField(QStringLiteral("platform"), platform) ||
        !rs.setField(QStringLiteral("genre"), int(to.genreId)) || !rs.update()) {
        fail(op, rs);
        return;
    }
    if (lvBookmarks->setKey(row, strNewKey)) {
        lvBookmarks->setText(row, 2, game);
        lvBookmarks->setText(row, 3, lc::names::genreName(to.genreId));
        lvBookmarks->setText(row, 4, platform);
    }
}

void ctlDetails::RenameGame(const QString &strKey, const QString &strNewTitle)
{
    if (!m_bookmarksLoaded)
        return;
    const TreeKey game = lc::keys::parse(strKey);
    if (game.kind != Kind::Game)
        return;
    forEachStored(
        QStringLiteral("RenameGame"), [&](const TreeKey &k) { return sameGame(k, game); },
        [&](Recordset &rs) {
            if (!rs.setField(QStringLiteral("game"), strNewTitle) || !rs.update())
                return false;
            const int row = lvBookmarks->indexOf(text(rs, "tree_key"));
            if (row >= 0)
                lvBookmarks->setText(row, 2, strNewTitle);
            return true;
        });
}

void ctlDetails::DeleteBookmark(const QString &strKey)
{
    if (!m_bookmarksLoaded)
        return;
    const TreeKey target = lc::keys::parse(strKey);
    std::function<bool(const TreeKey &)> match;
    switch (target.kind) {
    case Kind::Game:
        match = [&](const TreeKey &k) { return sameGame(k, target); };
        break;
    case Kind::File:
        match = [&](const TreeKey &k) { return k.fileId == target.fileId; };
        break;
    case Kind::Location:
        match = [&](const TreeKey &k) { return k.fileId == target.fileId && sameGame(k, target); };
        break;
    default:
        return;
    }
    forEachStored(QStringLiteral("DeleteBookmark"), match, [&](Recordset &rs) {
        const QString key = text(rs, "tree_key");
        if (!rs.deleteCurrent())
            return false;
        lvBookmarks->remove(key);
        return true;
    });
}

void ctlDetails::deleteSelectedBookmark(const QString &operation, bool report)
{
    const int row = lvBookmarks->selectedRow();
    if (row < 0)
        return;
    const QString key = lvBookmarks->key(row);
    const qint32 id = lvBookmarks->tag(row).toInt();
    Recordset rs;
    const bool opened = rs.open(
        kBookmarksSelect + QStringLiteral(" WHERE auto_id = ") + QString::number(id), m_conn);
    if (opened && (rs.recordCount() == 0 || rs.deleteCurrent())) {
        lvBookmarks->remove(key);
        return;
    }
    if (report)
        fail(operation, rs);
}

void ctlDetails::KillBM()
{
    deleteSelectedBookmark(QStringLiteral("KillBM"), false);
}

void ctlDetails::userDeleteBookmark()
{
    if (lvBookmarks->selectedRow() < 0)
        return;
    if (lc::ui::msgBox(QStringLiteral("Are you sure you wish to delete this bookmark?"),
                       Buttons::YesNo, Icon::Exclamation) == Answer::No)
        return;
    deleteSelectedBookmark(QStringLiteral("mnuBMDelete_Click"), true);
}

// ---- Favourites ----

void ctlDetails::LoadFavorites(const QString &platformList)
{
    Recordset rs;
    if (!rs.open(kFavoritesSelect, m_conn)) {
        fail(QStringLiteral("LoadFavorites"), rs);
        return;
    }
    lvFavorites->clear();
    lvFavorites->beginBulkAdd();
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
        const QString url = text(rs, "url");
        const int row =
            lvFavorites->add(lc::keys::fileKey(rs.field(QStringLiteral("auto_id")).toInt()), url,
                             QStringLiteral("link"));
        if (row < 0)
            continue;
        lvFavorites->setText(row, 1, text(rs, "title"));
        lvFavorites->setText(row, 2, text(rs, "desc"));
        lvFavorites->setTag(row, url);
    }
    lvFavorites->endBulkAdd();
    rs.close();
    Q_EMIT FavoritesLoaded();
    LoadBookmarks(platformList);
}

void ctlDetails::ClearFavorites()
{
    lvFavorites->clear();
}

bool ctlDetails::FavoriteCheck(const QString &strURL)
{
    for (int row = 0; row < lvFavorites->count(); ++row) {
        if (lvFavorites->text(row) != strURL)
            continue;
        SelectTab(2);
        lvFavorites->select(row);
        lc::ui::msgBox(QStringLiteral("This favorite already exists!"), Buttons::Ok,
                       Icon::Exclamation);
        return true;
    }
    return false;
}

void ctlDetails::AddFavorite(const QString &strKey, const QString &strURL, const QString &strTitle,
                             const QString &strDesc)
{
    const int row = lvFavorites->add(strKey, strURL, QStringLiteral("link"));
    if (row < 0)
        return;
    lvFavorites->setText(row, 1, strTitle);
    lvFavorites->setText(row, 2, strDesc);
    lvFavorites->setTag(row, strURL);
    lvFavorites->select(row);
    lvFavorites->ensureVisible(row);
}

bool ctlDetails::DeleteFavorite(const QString &strKey)
{
    bool ok = false;
    const qint32 id = QString(strKey).remove(QStringLiteral("K_")).toInt(&ok);
    if (!ok)
        return false;
    Recordset rs;
    if (!rs.open(kFavoritesSelect + QStringLiteral(" WHERE auto_id = ") + QString::number(id),
                 m_conn)) {
        fail(QStringLiteral("DeleteFavorite"), rs);
        return false;
    }
    if (rs.recordCount() == 0)
        return false;
    if (!rs.deleteCurrent()) {
        fail(QStringLiteral("DeleteFavorite"), rs);
        return false;
    }
    return true;
}

void ctlDetails::userDeleteFavorite()
{
    const int row = lvFavorites->selectedRow();
    if (row < 0)
        return;
    if (lc::ui::msgBox(QStringLiteral("Are you sure you wish to delete this favorite?"),
                       Buttons::YesNo, Icon::Exclamation) == Answer::No)
        return;
    const QString key = lvFavorites->key(row);
    if (DeleteFavorite(key))
        lvFavorites->remove(key);
}

void ctlDetails::openFavorite(int row)
{
    if (!lvFavorites->isValid(row))
        return;
    const QString url = lvFavorites->tag(row).toString();
    // Addresses that run script or open local files are the user's own, but opening one
    // by a stray double click should not happen unasked.
    const QString scheme = QUrl(url.trimmed()).scheme().toLower();
    if (scheme == QLatin1String("javascript") || scheme == QLatin1String("file")) {
        if (lc::ui::msgBox(QStringLiteral("This favorite runs a script or opens a file on this "
                                          "computer:\n%1\n\nOpen it anyway?")
                               .arg(url.left(200)),
                           Buttons::YesNo, Icon::Question) != Answer::Yes)
            return;
    }
    Q_EMIT NavigateFavorite(url);
}

// ---- Frame and search results ----

void ctlDetails::InitDetails()
{
    tbsTabs->setImage(1, QStringLiteral("book"));
    tbsTabs->setImage(2, QStringLiteral("favorites"));
    tbsTabs->setImage(3, QStringLiteral("find"));
    const QIcon book = style()->standardIcon(QStyle::SP_FileDialogDetailedView);
    const QIcon fav = style()->standardIcon(QStyle::SP_DirLinkIcon);
    const QIcon find = style()->standardIcon(QStyle::SP_FileDialogContentsView);
    tbsTabs->setImages([=](const QString &key) {
        if (key == QLatin1String("book"))
            return book;
        if (key == QLatin1String("favorites"))
            return fav;
        return key == QLatin1String("find") ? find : QIcon();
    });
    if (lc::settings::GetNumber(QStringLiteral("Options"), QStringLiteral("AppLayout"), 0) == 1) {
        const int tab = lc::settings::GetNumber(kSection, QStringLiteral("SelTab"), 1);
        SelectTab(quint8(tab >= 1 && tab <= 3 ? tab : 1));
    } else {
        tabChanged(tbsTabs->selectedIndex());
    }
}

void ctlDetails::SelectTab(quint8 bytIndex)
{
    tbsTabs->setSelectedIndex(bytIndex);
}

quint8 ctlDetails::SelectedTab() const
{
    return quint8(tbsTabs->selectedIndex());
}

void ctlDetails::tabChanged(int index)
{
    if (index < 1 || index > 3)
        return;
    lc::settings::SaveNumber(kSection, QStringLiteral("SelTab"), index);
}

void ctlDetails::Reset()
{
    m_bookmarksLoaded = false;
    lvBookmarks->clear();
    lvFavorites->clear();
    lvSearchResults->clear();
}

void ctlDetails::ClearSearch()
{
    lvSearchResults->clear();
    lblSearchResults->setText(kSearchCaption);
}

void ctlDetails::SearchTitle(const QString &strText)
{
    lblSearchResults->setText(kSearchCaption + QLatin1Char(' ') + strText);
}

void ctlDetails::AddSearch(qint32 lngFileId, const QString &strPlatform, const QString &strGame,
                           quint8 bytSubCat, const QString &strValue, const QString &strGameKey,
                           const QString &strField)
{
    const QString key = lc::keys::fileKey(lngFileId) + QLatin1Char('|') + strGameKey;
    const QString caption = strField.isEmpty() ? QStringLiteral("Search Field") : strField;
    if (lvSearchResults->columnCaption(3) != caption)
        lvSearchResults->setColumnCaption(3, caption);
    const int row = lvSearchResults->add(key, strPlatform);
    if (row < 0)
        return;
    fitSearchColumns();
    lvSearchResults->setText(row, 1, strGame);
    lvSearchResults->setText(row, 2, lc::names::subCatName(bytSubCat));
    lvSearchResults->setText(row, 3, strValue);
    // A search adds thousands of rows in a burst; scrolling once to the newest is what the
    // user sees either way.
    m_scrollTo = key;
    if (!m_scrollPending) {
        m_scrollPending = true;
        QTimer::singleShot(0, this, [this] {
            m_scrollPending = false;
            const int last = lvSearchResults->indexOf(m_scrollTo);
            if (last >= 0)
                lvSearchResults->ensureVisible(last);
        });
    }
}
