#include "ctlTree.h"

#include "clsSelector.h"
#include "clsTreeLoader.h"
#include "clsVWED.h"
#include "connection.h"
#include "errorlog.h"
#include "fixedlists.h"
#include "keyedtree.h"
#include "programfolder.h"
#include "recordset.h"
#include "settings.h"
#include "treekeys.h"
#include "twips.h"
#include "uiservice.h"

#include <QAction>
#include <QApplication>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QTextDocumentFragment>
#include <QTimer>
#include <QToolBar>

#include <algorithm>

namespace {

const QString kModule = QStringLiteral("ctlTree");
const QString kPrompt = QStringLiteral("Search...");
const QString kGameImage = QStringLiteral("cd");
const QString kGameSelImage = QStringLiteral("cd_hot");

// The id as the key writes it, from the key's first piece ("N_40|G_2|P_5" -> "40").
QString firstId(const QString &key)
{
    return key.section(u'|', 0, 0).mid(2);
}

QString errorLogPath()
{
    return lc::programFolder() + QStringLiteral("error.log");
}

QAction *menuItem(QMenu *menu, const QString &caption, const char *name)
{
    QAction *a = menu->addAction(caption);
    a->setObjectName(QString::fromLatin1(name));
    return a;
}

} // namespace

ctlTree::ctlTree(lc::db::Connection &conn, QWidget *parent) : QWidget(parent), m_conn(conn)
{
    setObjectName(QStringLiteral("ctlTree"));

    fFrame = new QFrame(this);
    fFrame->setObjectName(QStringLiteral("fFrame"));
    tbrTools = new QToolBar(fFrame);
    tbrTools->setObjectName(QStringLiteral("tbrTools"));
    tbrTools->setIconSize(QSize(16, 16));
    tbrSearch = tbrTools->addAction(QStringLiteral("Search"));
    tbrSearch->setObjectName(QStringLiteral("Search"));
    tbrSearch->setToolTip(QStringLiteral("Tree Search"));
    QWidget *spacer = new QWidget(tbrTools);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    tbrTools->addWidget(spacer);
    tbrHide = tbrTools->addAction(QStringLiteral("x"));
    tbrHide->setObjectName(QStringLiteral("x"));
    connect(tbrSearch, &QAction::triggered, this, &ctlTree::toggleSearch);
    connect(tbrHide, &QAction::triggered, this, &ctlTree::HideControl);

    fSearch = new QFrame(this);
    fSearch->setObjectName(QStringLiteral("fSearch"));
    txtSearch = new QLineEdit(fSearch);
    txtSearch->setObjectName(QStringLiteral("txtSearch"));
    txtSearch->setFont(QFont(QStringLiteral("Tahoma"), 8));
    txtSearch->setText(kPrompt);
    txtSearch->installEventFilter(this);
    picGo = new QWidget(fSearch);
    picGo->setObjectName(QStringLiteral("picGo"));
    cmdGo = new QPushButton(QStringLiteral("Go"), picGo);
    cmdGo->setObjectName(QStringLiteral("cmdGo"));
    connect(cmdGo, &QPushButton::clicked, this, &ctlTree::cmdGo_Click);
    connect(txtSearch, &QLineEdit::textChanged, this, [this] { m_searchPos = 0; });
    connect(txtSearch, &QLineEdit::returnPressed, this, &ctlTree::cmdGo_Click);

    tvwFiles = new lc::controls::KeyedTree(this);
    tvwFiles->setObjectName(QStringLiteral("tvwFiles"));
    tvwFiles->setAcceptDrops(true);
    tvwFiles->viewport()->setAcceptDrops(true);
    tvwFiles->installEventFilter(this);
    tvwFiles->viewport()->installEventFilter(this);
    connect(tvwFiles, &QTreeView::clicked, this,
            [this](const QModelIndex &i) { nodeClicked(tvwFiles->nodeOf(i)); });
    connect(tvwFiles, &QTreeView::doubleClicked, this, [this] {
        if (selectedIsGame())
            Q_EMIT GameNodeDblClick();
    });

    mnuHiddenGame = new QMenu(this);
    mnuHiddenGame->setObjectName(QStringLiteral("mnuHiddenGame"));
    mnuHiddenAddFile = menuItem(mnuHiddenGame, QStringLiteral("Add File..."), "mnuHiddenAddFile");
    mnuHiddenMoveTo = menuItem(mnuHiddenGame, QStringLiteral("Move Game To..."), "mnuHiddenMoveTo");
    mnuHiddenGame->addSeparator();
    mnuHiddenRename = menuItem(mnuHiddenGame, QStringLiteral("Rename..."), "mnuHiddenRename");
    mnuHiddenGame->addSeparator();
    mnuHiddenDelete = menuItem(mnuHiddenGame, QStringLiteral("Delete..."), "mnuHiddenDelete");
    mnuHiddenPlatform = new QMenu(this);
    mnuHiddenPlatform->setObjectName(QStringLiteral("mnuHiddenPlatform"));
    mnuHiddenPlatformRemove = menuItem(mnuHiddenPlatform, QStringLiteral("Remove Platform..."),
                                       "mnuHiddenPlatformRemove");
    mnuHiddenGenre = new QMenu(this);
    mnuHiddenGenre->setObjectName(QStringLiteral("mnuHiddenGenre"));
    mnuAddGame = menuItem(mnuHiddenGenre, QStringLiteral("Add Game"), "mnuAddGame");
    connect(mnuHiddenAddFile, &QAction::triggered, this, &ctlTree::AddFile);
    connect(mnuHiddenMoveTo, &QAction::triggered, this, &ctlTree::mnuHiddenMoveTo_Click);
    connect(mnuHiddenRename, &QAction::triggered, this, &ctlTree::mnuHiddenRename_Click);
    connect(mnuHiddenDelete, &QAction::triggered, this, &ctlTree::mnuHiddenDelete_Click);
    connect(mnuHiddenPlatformRemove, &QAction::triggered, this, &ctlTree::RemovePlatform);
    connect(mnuAddGame, &QAction::triggered, this, &ctlTree::mnuAddGame_Click);

    layOut();
}

ctlTree::~ctlTree() = default;

void ctlTree::fail(const QString &procedure, int number, const QString &description)
{
    lc::errorlog::Reporter::program().report(kModule, procedure, number, description, true);
}

void ctlTree::setStatus(const QString &text)
{
    txtSearch->setText(text);
    txtSearch->repaint();
}

// ---- loading ----------------------------------------------------------------------------

void ctlTree::LoadTree()
{
    setStatus(QStringLiteral("Loading Tree..."));
    if (!m_conn.isOpen()) {
        fail(QStringLiteral("Load Tree"), lc::db::ErrInvalidConnection,
             QStringLiteral("The database is not open."));
        return;
    }
    m_searchPos = 0;
    clsTreeLoader loader;
    loader.M_ADO_CONNECTION = &m_conn;
    loader.ErrLogFile = errorLogPath();
    connect(&loader, &clsTreeLoader::Finished, this, &ctlTree::loaderFinished);
    loader.LoadTree(*tvwFiles);
}

void ctlTree::loaderFinished()
{
    setStatus(QStringLiteral("Loading Favorites..."));
    QString platforms;
    for (int n = 0, end = tvwFiles->count(); n < end; ++n) {
        const QString key = tvwFiles->key(n);
        if (key.startsWith(u"P_"))
            platforms += u'|' + key;
    }
    Q_EMIT LoadFavorites(platforms);
}

void ctlTree::Reset()
{
    m_searchPos = 0;
    tvwFiles->clear();
}

void ctlTree::FinishLoad()
{
    const QString stored =
        lc::settings::GetSetting(QStringLiteral("Tree"), QStringLiteral("SearchText"), kPrompt);
    txtSearch->setText(stored.startsWith(QStringLiteral("Loading ")) ? kPrompt : stored);
    txtSearch->selectAll();
}

// ---- reporting nodes --------------------------------------------------------------------

void ctlTree::nodeClicked(int node)
{
    if (node < 0)
        return;
    m_searchPos = 0;
    reportNode(node);
}

void ctlTree::SelectNode(const QString &strKey)
{
    const int node = tvwFiles->indexOf(strKey);
    if (node < 0)
        return;
    tvwFiles->ensureVisible(node);
    tvwFiles->select(node);
    reportNode(node);
}

void ctlTree::reportNode(int node)
{
    const QString key = tvwFiles->key(node);
    const lc::keys::TreeKey k = lc::keys::parse(key);
    using lc::names::genreName;
    using lc::names::platformName;
    switch (k.kind) {
    case lc::keys::Kind::Root:
        Q_EMIT TreeNodeClick(0, 0, 0, QString(), QStringLiteral("Lorecase"), ntRoot);
        return;
    case lc::keys::Kind::Game: {
        const QString tag = tvwFiles->tag(node);
        Q_EMIT TreeNodeClick(k.platformId, k.genreId, k.gameId, tag,
                             platformName(k.platformId) + QStringLiteral(" - ") +
                                 genreName(k.genreId) + QStringLiteral(" - ") + tag,
                             ntGame);
        return;
    }
    case lc::keys::Kind::Platform:
        Q_EMIT TreeNodeClick(k.platformId, 0, 0, QString(), platformName(k.platformId), ntPlatform);
        return;
    case lc::keys::Kind::Genre:
        Q_EMIT TreeNodeClick(
            k.platformId, k.genreId, 0, QString(),
            platformName(k.platformId) + QStringLiteral(" - ") + genreName(k.genreId), ntGenre);
        return;
    default:
        Q_EMIT TreeNodeClick(0, 0, 0, QString(), tvwFiles->text(node), ntBrand);
        return;
    }
}

bool ctlTree::selectedIsGame() const
{
    return tvwFiles->key(tvwFiles->selectedNode()).startsWith(u"N_");
}

QMenu *ctlTree::menuForSelected() const
{
    const QString key = tvwFiles->key(tvwFiles->selectedNode());
    if (key.startsWith(u"N_"))
        return mnuHiddenGame;
    if (key.startsWith(u"G_"))
        return mnuHiddenGenre;
    if (key.startsWith(u"P_"))
        return mnuHiddenPlatform;
    return nullptr;
}

// ---- accessors --------------------------------------------------------------------------

QString ctlTree::Search_Text() const
{
    return txtSearch->text();
}

void ctlTree::setSearch_Text(const QString &text)
{
    txtSearch->setText(text);
    txtSearch->selectAll();
}

QString ctlTree::SearchText() const
{
    const QString t = txtSearch->text();
    return t.trimmed().isEmpty() ? kPrompt : t;
}

bool ctlTree::SearchBox() const
{
    return !m_searchHidden;
}

QString ctlTree::GameName(const QString &strKey) const
{
    return tvwFiles->tag(tvwFiles->indexOf(strKey));
}

QString ctlTree::GameGenre(const QString &strKey) const
{
    return tvwFiles->tag(tvwFiles->parentOf(tvwFiles->indexOf(strKey)));
}

QString ctlTree::GamePlatform(const QString &strKey) const
{
    return tvwFiles->tag(tvwFiles->parentOf(tvwFiles->parentOf(tvwFiles->indexOf(strKey))));
}

// ---- search -----------------------------------------------------------------------------

void ctlTree::cmdGo_Click()
{
    const QString typed = txtSearch->text().trimmed();
    const QString t = typed.toLower();
    if (t.isEmpty() || t.compare(kPrompt, Qt::CaseInsensitive) == 0)
        return;
    txtSearch->selectAll();

    const bool fresh = m_searchPos == 0;
    int hit = -1;
    for (int n = fresh ? 0 : m_searchPos, end = tvwFiles->count(); n < end; ++n) {
        const QString tag = tvwFiles->tag(n);
        if (fresh ? tag.contains(t, Qt::CaseInsensitive) : tag.startsWith(t, Qt::CaseInsensitive)) {
            hit = n;
            break;
        }
    }
    if (hit >= 0) {
        m_searchPos = hit + 1;
        SelectNode(tvwFiles->key(hit));
        lc::settings::SaveSetting(QStringLiteral("Settings"), QStringLiteral("LastSearchText"),
                                  typed);
        return;
    }
    if (fresh)
        lc::ui::msgBox(QStringLiteral("Finished searching tree.\r\n\r\nCould not find \"") + typed +
                           QStringLiteral("\"."),
                       lc::ui::Buttons::Ok, lc::ui::Icon::Exclamation);
    else
        lc::ui::msgBox(QStringLiteral("Finished searching tree."), lc::ui::Buttons::Ok,
                       lc::ui::Icon::Information);
    m_searchPos = 0;
    txtSearch->setFocus();
}

// ---- captions ---------------------------------------------------------------------------

int ctlTree::fileCount(qint32 gameId) const
{
    // The file table has an index on game_id, so this is one index look-up however large
    // the collection, and it always sees the rows just written.
    lc::db::Recordset rs;
    if (!rs.open(QStringLiteral("SELECT auto_id FROM file WHERE game_id = ") +
                     QString::number(gameId),
                 m_conn))
        return -1;
    return rs.recordCount();
}

void ctlTree::UpdateGameCaption(const QString &strGameKey, quint8 bytRemove)
{
    Q_UNUSED(bytRemove)
    const int node = tvwFiles->indexOf(strGameKey);
    const lc::keys::TreeKey k = lc::keys::parse(strGameKey);
    if (node < 0 || k.kind != lc::keys::Kind::Game)
        return;
    const int count = fileCount(k.gameId);
    if (count < 0) {
        fail(QStringLiteral("Update Node Caption"), lc::db::ErrDatabase,
             QStringLiteral("The files of game %1 could not be counted.").arg(k.gameId));
        return;
    }
    tvwFiles->setText(node, tvwFiles->tag(node) + QStringLiteral(" (") + QString::number(count) +
                                QStringLiteral(")"));
}

void ctlTree::updateCounts(const QString &genreKey, Change change)
{
    const int genre = tvwFiles->indexOf(genreKey);
    if (genre < 0)
        return;
    tvwFiles->setText(genre, tvwFiles->tag(genre) + QStringLiteral(" (") +
                                 QString::number(tvwFiles->childCount(genre)) +
                                 QStringLiteral(")"));
    const int platform = tvwFiles->indexOf(genreKey.section(u'|', 1, 1));
    if (platform < 0)
        return;
    const QString tag = tvwFiles->tag(platform);
    // The number is what stands in brackets behind the name.
    QString number = tvwFiles->text(platform).mid(tag.size());
    number.remove(QStringLiteral(" (")).remove(u')');
    const int n = number.trimmed().toInt() + (change == Change::Added ? 1 : -1);
    tvwFiles->setText(platform,
                      tag + QStringLiteral(" (") + QString::number(n) + QStringLiteral(")"));
}

int ctlTree::addGameNode(const QString &parentKey, const QString &key, const QString &name)
{
    const int node = tvwFiles->add(parentKey, key, name, kGameImage, kGameSelImage);
    if (node < 0)
        return node;
    tvwFiles->setTag(node, name);
    UpdateGameCaption(key, 0);
    updateCounts(parentKey, Change::Added);
    return node;
}

void ctlTree::objSelector_AddGameNode(const QString &strName, const QString &strParentKey,
                                      const QString &strKey)
{
    addGameNode(strParentKey, strKey, strName);
}

// ---- tree editing -----------------------------------------------------------------------

void ctlTree::mnuAddGame_Click()
{
    const int genreNode = tvwFiles->selectedNode();
    const QString genreKey = tvwFiles->key(genreNode);
    const lc::keys::TreeKey k = lc::keys::parse(genreKey);
    if (k.kind != lc::keys::Kind::Genre)
        return;
    const std::optional<QString> answer =
        lc::ui::service().inputBox(QStringLiteral("Enter a name for the new game."),
                                   QStringLiteral("Add New Game"), QStringLiteral("Game Title"));
    const QString name = answer.value_or(QString()).trimmed();
    if (name.isEmpty()) {
        QApplication::beep();
        return;
    }
    lc::db::Recordset rs;
    if (!rs.open(QStringLiteral("SELECT auto_id, Platform_id, Genre_id, name FROM game WHERE "
                                "auto_id = 0"),
                 m_conn) ||
        !rs.addNew() || !rs.setField(QStringLiteral("platform_id"), k.platformId) ||
        !rs.setField(QStringLiteral("Genre_Id"), k.genreId) ||
        !rs.setField(QStringLiteral("Name"), name) || !rs.update()) {
        lc::errorlog::Reporter::program().report(kModule, QStringLiteral("Add Game"),
                                                 rs.lastError(), true);
        return;
    }
    const QString key = lc::keys::gameKey(qint32(rs.lastInsertId()), genreKey);
    addGameNode(genreKey, key, name);
    SelectNode(key);
}

void ctlTree::mnuHiddenRename_Click()
{
    const int node = tvwFiles->selectedNode();
    const QString key = tvwFiles->key(node);
    if (!key.startsWith(u"N_"))
        return;
    const QString oldName = tvwFiles->tag(node);
    const std::optional<QString> answer = lc::ui::service().inputBox(
        QStringLiteral("Enter a new name for this game"), QStringLiteral("Rename Game"), oldName);
    const QString name = answer.value_or(QString()).trimmed();
    if (name.isEmpty() || name == oldName.trimmed()) {
        QApplication::beep();
        return;
    }
    lc::db::Recordset rs;
    if (!rs.open(QStringLiteral("SELECT auto_id, name FROM game WHERE auto_id = ") + firstId(key),
                 m_conn) ||
        rs.eof() || !rs.setField(QStringLiteral("Name"), name) || !rs.update()) {
        lc::errorlog::Reporter::program().report(kModule, QStringLiteral("Rename"), rs.lastError(),
                                                 true);
        return;
    }
    // Only the name in front changes: a name that also appears in the count must not be
    // replaced there.
    const QString text = tvwFiles->text(node);
    tvwFiles->setText(node, text.startsWith(oldName) ? name + text.mid(oldName.size()) : name);
    tvwFiles->setTag(node, name);
    Q_EMIT RenameGame(oldName, name, key);
}

std::optional<ctlTree::Target> ctlTree::pickGame(const Target &preset, const QString &caption,
                                                 bool placeOnly)
{
    clsSelector selector;
    selector.M_ADO_CONNECTION = &m_conn;
    bool cancelled = true;
    connect(&selector, &clsSelector::AddGameNode, this, &ctlTree::objSelector_AddGameNode);
    connect(&selector, &clsSelector::CompleteSelect, this,
            [&cancelled](quint8, quint8, qint32, bool cancel) { cancelled = cancel; });
    // A move asks for a platform and genre only; the game box is hidden.
    selector.Show(preset.platformId, preset.genreId, preset.gameId, caption, placeOnly);
    if (cancelled)
        return std::nullopt;
    return Target{selector.Platform_ID, selector.Genre_ID, selector.Game_ID, selector.m_Game_Name};
}

void ctlTree::mnuHiddenMoveTo_Click()
{
    const int node = tvwFiles->selectedNode();
    const QString oldKey = tvwFiles->key(node);
    const lc::keys::TreeKey k = lc::keys::parse(oldKey);
    if (k.kind != lc::keys::Kind::Game)
        return;
    const QString oldParent = tvwFiles->key(tvwFiles->parentOf(node));
    const QString name = tvwFiles->tag(node);
    const std::optional<Target> to = pickGame({k.platformId, k.genreId, k.gameId, name},
                                              QStringLiteral("Move Game To..."), true);
    if (!to || (to->platformId == k.platformId && to->genreId == k.genreId))
        return;
    const QString newParent = lc::keys::genreKey(to->genreId, to->platformId);
    const QString newKey = lc::keys::gameKey(k.gameId, newParent);

    lc::db::Recordset rs;
    if (!rs.open(
            QStringLiteral("SELECT auto_id, Platform_id, Genre_id FROM game WHERE auto_id = ") +
                QString::number(k.gameId),
            m_conn) ||
        rs.eof() || !rs.setField(QStringLiteral("platform_id"), to->platformId) ||
        !rs.setField(QStringLiteral("Genre_Id"), to->genreId) || !rs.update()) {
        lc::errorlog::Reporter::program().report(kModule, QStringLiteral("Move Game To"),
                                                 rs.lastError(), true);
        return;
    }
    tvwFiles->remove(node);
    m_searchPos = 0;
    updateCounts(oldParent, Change::Removed);
    if (tvwFiles->indexOf(newParent) >= 0) {
        addGameNode(newParent, newKey, name);
        SelectNode(newKey);
    } else {
        // The platform is not in use, so the tree has no place for the game; it is moved
        // all the same and the user is told where it went.
        SelectNode(oldParent);
        lc::ui::msgBox(QStringLiteral("\"") + name + QStringLiteral("\" was moved to ") +
                           lc::names::platformName(to->platformId) + QStringLiteral(" - ") +
                           lc::names::genreName(to->genreId) +
                           QStringLiteral(", a platform the tree does not show."),
                       lc::ui::Buttons::Ok, lc::ui::Icon::Information);
    }
    Q_EMIT MoveGame(oldKey, newKey);
}

void ctlTree::mnuHiddenDelete_Click()
{
    const int node = tvwFiles->selectedNode();
    const QString key = tvwFiles->key(node);
    const lc::keys::TreeKey k = lc::keys::parse(key);
    if (k.kind != lc::keys::Kind::Game)
        return;
    if (lc::ui::msgBox(QStringLiteral("Are you sure you wish to delete \"") + tvwFiles->tag(node) +
                           QStringLiteral("\" and all of it's Files?"),
                       lc::ui::Buttons::YesNo, lc::ui::Icon::Question) != lc::ui::Answer::Yes)
        return;
    const QString genreKey = tvwFiles->key(tvwFiles->parentOf(node));
    const QString id = QString::number(k.gameId);

    // The files and the game go in one transaction, and the tree follows only once it
    // committed: a failure leaves both as they were.
    lc::db::Error error;
    if (!m_conn.beginTransaction()) {
        error = m_conn.lastError();
    } else {
        lc::db::Recordset files, game;
        bool ok = files.open(
            QStringLiteral("SELECT auto_id, game_id, sub_cat, src, desc, txt_rtf FROM file WHERE "
                           "game_id = ") +
                id,
            m_conn);
        for (; ok && !files.eof(); files.moveNext())
            ok = files.deleteCurrent();
        if (!ok)
            error = files.lastError();
        if (ok) {
            ok = game.open(QStringLiteral("SELECT auto_id, platform_id, genre_id, name, notes FROM "
                                          "game WHERE auto_id = ") +
                               id,
                           m_conn) &&
                 (game.eof() || game.deleteCurrent());
            if (!ok)
                error = game.lastError();
        }
        if (ok && !m_conn.commit()) {
            ok = false;
            error = m_conn.lastError();
        }
        if (!ok)
            m_conn.rollback();
    }
    if (error.number != 0) {
        lc::errorlog::Reporter::program().report(kModule, QStringLiteral("Delete"), error, true);
        return;
    }
    tvwFiles->remove(node);
    m_searchPos = 0;
    const int genre = tvwFiles->indexOf(genreKey);
    tvwFiles->select(genre);
    updateCounts(genreKey, Change::Removed);
    Q_EMIT GameNodeDelete(tvwFiles->tag(tvwFiles->parentOf(genre)) + QStringLiteral(" - ") +
                              tvwFiles->tag(genre),
                          key);
}

// ---- new files ----------------------------------------------------------------------------

void ctlTree::openNewFile(const Target &target, const QString &source, const QString &desc,
                          const QString &text)
{
    m_viewer = std::make_unique<clsVWED>();
    m_viewer->M_ADO_CONNECTION = &m_conn;
    m_viewer->ErrLogFile = errorLogPath();
    connect(m_viewer.get(), &clsVWED::AddFile, this,
            [this](quint8 p, quint8 g, qint32 game, qint32 file, quint8 sc, const QString &src,
                   const QString &d,
                   const QString &) { viewerAddFile(p, g, game, file, sc, src, d); });
    connect(m_viewer.get(), &clsVWED::PrintInfo, this, &ctlTree::PrintInfo);
    ViewEditArgs args;
    args.vMode = enNew;
    args.bytPlatformId = target.platformId;
    args.bytGenreId = target.genreId;
    args.strGameTitle = target.gameName;
    args.record.gameId = target.gameId;
    args.record.source = source;
    args.record.description = desc;
    args.record.textRtf = text;
    m_viewer->Show(args);
}

void ctlTree::viewerAddFile(quint8 platform, quint8 genre, qint32 game, qint32 file, quint8 subCat,
                            const QString &source, const QString &desc)
{
    const QString key = lc::keys::gameKey(game, genre, platform);
    UpdateGameCaption(key, 0);
    Q_EMIT AddToView(lc::keys::fileKey(file), desc, source, subCat,
                     tvwFiles->tag(tvwFiles->indexOf(key)));
}

void ctlTree::DirectImport(const QString &strURL, const QString &strPageTitle,
                           const QString &strText)
{
    const std::optional<Target> to = pickGame({}, QStringLiteral("Import..."));
    if (!to)
        return;
    openNewFile(*to, strURL, strPageTitle, strText);
}

void ctlTree::DropText(int node, const QString &plainText)
{
    if (!tvwFiles->isValid(node))
        return;
    tvwFiles->select(node);
    reportNode(node);
    const QString key = tvwFiles->key(node);
    const lc::keys::TreeKey k = lc::keys::parse(key);
    std::optional<Target> to;
    const QString caption = QStringLiteral("Save drag text to a File in...");
    switch (k.kind) {
    case lc::keys::Kind::Game:
        to = Target{k.platformId, k.genreId, k.gameId, tvwFiles->tag(node)};
        break;
    case lc::keys::Kind::Genre:
        to = pickGame({k.platformId, k.genreId, 0, {}}, caption);
        break;
    case lc::keys::Kind::Platform:
        to = pickGame({k.platformId, 0, 0, {}}, caption);
        break;
    case lc::keys::Kind::Root:
        to = pickGame({}, QStringLiteral("Save drag text..."));
        break;
    default:
        to = pickGame({}, caption);
        break;
    }
    if (!to)
        return;
    openNewFile(*to, BrowseURL, BrowsePageTitle, plainText);
}

// ---- events -------------------------------------------------------------------------------

namespace {

// The plain text a drop offers; rich text of a web page comes as HTML.
std::optional<QString> droppedText(const QMimeData *data)
{
    if (!data)
        return std::nullopt;
    if (data->hasText())
        return data->text();
    if (data->hasHtml())
        return QTextDocumentFragment::fromHtml(data->html()).toPlainText();
    return std::nullopt;
}

} // namespace

bool ctlTree::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtSearch && event->type() == QEvent::FocusIn) {
        QTimer::singleShot(0, txtSearch, &QLineEdit::selectAll);
        return false;
    }
    if (watched == tvwFiles && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (!selectedIsGame())
            return false;
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            Q_EMIT GameNodeDblClick();
            return true;
        }
        if (key->key() == Qt::Key_Delete) {
            mnuHiddenDelete_Click();
            return true;
        }
        return false;
    }
    if (watched != tvwFiles->viewport())
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonRelease: {
        tvwFiles->setDropHighlight(-1);
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::RightButton)
            if (QMenu *menu = menuForSelected())
                menu->popup(mouse->globalPosition().toPoint());
        return false;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDragMoveEvent *>(event);
        if (!droppedText(drag->mimeData())) {
            drag->ignore();
            return true;
        }
        tvwFiles->setDropHighlight(tvwFiles->nodeOf(tvwFiles->indexAt(drag->position().toPoint())));
        drag->acceptProposedAction();
        return true;
    }
    case QEvent::DragLeave:
        tvwFiles->setDropHighlight(-1);
        return true;
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        const std::optional<QString> text = droppedText(drop->mimeData());
        const int node = tvwFiles->nodeOf(tvwFiles->indexAt(drop->position().toPoint()));
        tvwFiles->setDropHighlight(-1);
        if (!text)
            return true;
        drop->acceptProposedAction();
        if (text->trimmed().isEmpty()) {
            lc::ui::msgBox(QStringLiteral("The dropped data holds no text to store."),
                           lc::ui::Buttons::Ok, lc::ui::Icon::Exclamation);
            return true;
        }
        // The drop's own event must finish before a modal selector opens.
        const QString copy = *text;
        QTimer::singleShot(0, this, [this, node, copy] { DropText(node, copy); });
        return true;
    }
    default:
        return false;
    }
}

// ---- layout -------------------------------------------------------------------------------

void ctlTree::toggleSearch()
{
    if (m_searchHidden) {
        fSearch->show();
        txtSearch->setFocus();
        m_searchHidden = false;
    } else {
        fSearch->hide();
        m_searchHidden = true;
    }
    layOut();
}

void ctlTree::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layOut();
}

void ctlTree::layOut()
{
    using lc::twips::fromPixels;
    using lc::twips::toPixels;
    const int innerW = fromPixels(width());
    const int innerH = fromPixels(height());
    const int w = innerW - 10;
    const auto place = [](QWidget *c, int left, int top, int width, int height) {
        if (width < 0 || height < 0)
            return;
        c->setGeometry(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
    };
    place(fFrame, 0, 0, w, 340);
    place(tbrTools, 0, 0, w - 600, 330);
    place(fSearch, 0, 340, w, 370);
    place(txtSearch, 10, 20, w - 410, 315);
    const int goLeft = std::max(0, w - 410) + 30;
    place(picGo, goLeft, 10, 360, 340);
    cmdGo->setGeometry(0, 0, toPixels(360), toPixels(330));
    const int top = m_searchHidden ? 340 : 710;
    place(tvwFiles, 10, top, innerW - 30, innerH - top);
}
