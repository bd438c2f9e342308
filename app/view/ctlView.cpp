#include "ctlView.h"

#include "captionlook.h"
#include "clsFile.h"
#include "clsSelector.h"
#include "clsVWED.h"
#include "connection.h"
#include "errorlog.h"
#include "fixedlists.h"
#include "keyedlistview.h"
#include "programfolder.h"
#include "recordset.h"
#include "richtextbox.h"
#include "settings.h"
#include "tabstrip.h"
#include "treekeys.h"
#include "twips.h"
#include "uiservice.h"

#include <QAction>
#include <QApplication>
#include <QDate>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QTabWidget>
#include <QTextCursor>
#include <QToolBar>

using lc::controls::KeyedListView;
using lc::controls::ListColumn;
using lc::controls::ListViewMode;
using lc::settings::GetNumber;
using lc::twips::toPixels;

namespace {

const QString kModule = QStringLiteral("ctlView");
const QString kSelect =
    QStringLiteral("SELECT auto_id, game_id, sub_cat, src, desc, txt_rtf FROM file WHERE ");
constexpr int kColFile = 0;
constexpr int kColSource = 1;
constexpr int kColCategory = 2;

QString optionsSection()
{
    return QStringLiteral("Options");
}

qint32 idOfKey(const QString &key)
{
    const lc::keys::TreeKey k = lc::keys::parse(key);
    return k.kind == lc::keys::Kind::File ? k.fileId : 0;
}

// One plain badge per sub-category, so the list shows the kind of each file at a glance.
QIcon subCatIcon(const QString &image)
{
    static const QColor colours[] = {Qt::gray,
                                     QColor(0x2a, 0x6f, 0xb8),
                                     QColor(0xc0, 0x39, 0x2b),
                                     QColor(0x27, 0xae, 0x60),
                                     QColor(0x8e, 0x44, 0xad),
                                     QColor(0xd3, 0x84, 0x00),
                                     QColor(0x16, 0xa0, 0x85)};
    const int code = image.toInt();
    if (code < 1 || code > 6)
        return {};
    QIcon icon;
    for (const int size : {16, 32}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(colours[code]);
        p.setPen(Qt::NoPen);
        p.drawRoundedRect(QRectF(1, 1, size - 2, size - 2), size / 5.0, size / 5.0);
        p.setPen(Qt::white);
        QFont f = p.font();
        f.setBold(true);
        f.setPixelSize(size * 2 / 3);
        p.setFont(f);
        p.drawText(pm.rect(), Qt::AlignCenter, lc::names::subCatName(quint8(code)).left(1));
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

bool isWebAddress(const QString &source)
{
    return source.left(7).toLower() == QStringLiteral("http://") ||
           source.left(4).toLower() == QStringLiteral("www.");
}

} // namespace

ctlView::ctlView(lc::db::Connection &conn, QWidget *parent) : QWidget(parent), m_conn(conn)
{
    setObjectName(QStringLiteral("ctlView"));

    tbsTabs = new lc::controls::TabStrip(this);
    tbsTabs->setObjectName(QStringLiteral("tbsTabs"));
    for (int i = 0; i < 2; ++i) {
        picTabContainer[i] = new QWidget;
        picTabContainer[i]->setObjectName(QStringLiteral("picTabContainer%1").arg(i + 1));
    }
    tbsTabs->addTab(QStringLiteral("Files"), QStringLiteral("Files"), picTabContainer[0]);
    tbsTabs->addTab(QStringLiteral("Browser"), QStringLiteral("Web Browser"), picTabContainer[1]);

    QWidget *files = picTabContainer[0];
    lblFiles = new QLabel(QStringLiteral(" Files:"), files);
    lblFiles->setObjectName(QStringLiteral("lblFiles"));
    lblFiles->setAutoFillBackground(true);
    lc::controls::setCaptionLook(lblFiles, false);
    lvFiles = new KeyedListView(files);
    lvFiles->setObjectName(QStringLiteral("lvFiles"));
    lvFiles->setColumns(
        {{QStringLiteral("File"), GetNumber(QStringLiteral("View"), QStringLiteral("COL1"), 3980)},
         {QStringLiteral("Source"),
          GetNumber(QStringLiteral("View"), QStringLiteral("COL2"), 2900)},
         {QStringLiteral("Category"),
          GetNumber(QStringLiteral("View"), QStringLiteral("COL3"), 2270)}});
    lvFiles->setImages(subCatIcon);
    imgS2 = new QFrame(files);
    imgS2->setObjectName(QStringLiteral("imgS2"));
    imgS2->setCursor(Qt::SizeVerCursor);
    imgS2->installEventFilter(this);
    picSplitter = new QFrame(files);
    picSplitter->setObjectName(QStringLiteral("picSplitter"));
    picSplitter->setAutoFillBackground(true);
    QPalette pal = picSplitter->palette();
    pal.setColor(QPalette::Window, palette().color(QPalette::Dark));
    picSplitter->setPalette(pal);
    picSplitter->hide();
    rtbText = new lc::controls::RichTextBox(files);
    rtbText->setObjectName(QStringLiteral("rtbText"));
    rtbText->setLocked(true);
    rtbText->setContextMenuPolicy(Qt::NoContextMenu);
    rtbText->installEventFilter(this);
    rtbText->viewport()->installEventFilter(this);
    files->installEventFilter(this);

    picCover = new QWidget(this);
    picCover->setObjectName(QStringLiteral("picCover"));
    picCover->setAutoFillBackground(true);
    picCover->installEventFilter(this);
    imgCover = new QLabel(picCover);
    imgCover->setObjectName(QStringLiteral("imgCover"));

    tbrTools = new QToolBar(this);
    tbrTools->setObjectName(QStringLiteral("tbrTools"));
    tbrTools->setIconSize(QSize(16, 16));
    QAction *tree =
        tbrTools->addAction(style()->standardIcon(QStyle::SP_DirHomeIcon), QStringLiteral("Tree"));
    tree->setObjectName(QStringLiteral("Tree"));
    tree->setToolTip(QStringLiteral("Show or hide the game tree"));
    QAction *details = tbrTools->addAction(style()->standardIcon(QStyle::SP_FileDialogInfoView),
                                           QStringLiteral("Details"));
    details->setObjectName(QStringLiteral("Details"));
    details->setToolTip(QStringLiteral("Show or hide the details"));
    connect(tree, &QAction::triggered, this, &ctlView::ShowTree);
    connect(details, &QAction::triggered, this, &ctlView::ShowDetails);

    buildMenus();

    connect(tbsTabs, &lc::controls::TabStrip::Click, this, &ctlView::tabClick);
    connect(lvFiles, &KeyedListView::ItemClick, this, &ctlView::itemClick);
    connect(lvFiles, &KeyedListView::DblClick, this, [this](int) { OpenFile(); });
    connect(lvFiles, &KeyedListView::KeyDown, this,
            [this](int key, Qt::KeyboardModifiers) { listKeyDown(key); });
    connect(lvFiles, &KeyedListView::MouseDown, this, &ctlView::listMouseDown);
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget *, QWidget *now) { focusMoved(now); });

    if (GetNumber(optionsSection(), QStringLiteral("AppLayout"), 0) == 1)
        SelectTab(quint8(GetNumber(QStringLiteral("View"), QStringLiteral("SelTab"), 1)));
    else
        picTabContainer[1]->hide(); // the files page shows; the window's caption stays
}

ctlView::~ctlView() = default;

void ctlView::buildMenus()
{
    const auto item = [this](QMenu *menu, const QString &caption, const char *name,
                             void (ctlView::*slot)()) {
        QAction *a = menu->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    mnuFile = new QMenu(this);
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    item(mnuFile, QStringLiteral("View"), "mnuFileView", &ctlView::OpenFile);
    mnuFile->addSeparator();
    item(mnuFile, QStringLiteral("New File"), "mnuFileAddFile", &ctlView::NewFile);
    item(mnuFile, QStringLiteral("Edit File..."), "mnuFileEdit", &ctlView::EditFile);
    mnuFile->addSeparator();
    item(mnuFile, QStringLiteral("Copy To..."), "mnuFileCopyTo", &ctlView::CopyFile);
    item(mnuFile, QStringLiteral("Move To..."), "mnuFileMove", &ctlView::MoveFile);
    mnuFile->addSeparator();
    item(mnuFile, QStringLiteral("Delete"), "mnuFileDel", &ctlView::DeleteFile);
    mnuFile->addSeparator();
    item(mnuFile, QStringLiteral("Bookmark..."), "mnuFileBookmark", &ctlView::BookmarkFile);
    mnusepNav = mnuFile->addSeparator();
    mnusepNav->setObjectName(QStringLiteral("mnusepNav"));
    mnuNavToSrc = item(mnuFile, QStringLiteral("Navigate To Source"), "mnuNavToSrc",
                       &ctlView::NavigateToSource);

    mnuAddOnly = new QMenu(this);
    mnuAddOnly->setObjectName(QStringLiteral("mnuAddOnly"));
    item(mnuAddOnly, QStringLiteral("Add New File"), "mnuAOAdd", &ctlView::AddNewFile);

    mnuQuickMenu = new QMenu(this);
    mnuQuickMenu->setObjectName(QStringLiteral("mnuQuickMenu"));
    item(mnuQuickMenu, QStringLiteral("Send To Quick Clips..."), "mnuAddQuick",
         &ctlView::QuickClipAll);
    item(mnuQuickMenu, QStringLiteral("Add Selected Text To Quick Clip..."), "mnuSendQuick",
         &ctlView::QuickClipSelection);
}

// --- operations -------------------------------------------------------------------------

void ctlView::InitView()
{
    Re_View();
    if (GetNumber(optionsSection(), QStringLiteral("AppLayout"), 0) == 1) {
        const QString s = QStringLiteral("ViewControl");
        lvFiles->setColumnWidth(0, GetNumber(s, QStringLiteral("COL1"), 3800));
        lvFiles->setColumnWidth(1, GetNumber(s, QStringLiteral("COL2"), 2699));
        lvFiles->setColumnWidth(2, GetNumber(s, QStringLiteral("COL3"), 1640));
    }
    QPixmap logo;
    if (logo.load(lc::programFolder() + QStringLiteral("logo.gif")))
        imgCover->setPixmap(logo);
    else
        imgCover->clear();
    imgCover->adjustSize();
    centreCover();
    if (m_browser.InitBrowse)
        m_browser.InitBrowse();
}

void ctlView::Re_View()
{
    const int mode = GetNumber(optionsSection(), QStringLiteral("FileView"), 3);
    lvFiles->setViewMode(mode >= 0 && mode <= 3 ? ListViewMode(mode) : ListViewMode::Report);
}

int ctlView::addItem(const QString &key, const Item &item)
{
    const int row = lvFiles->add(key, item.description, QString::number(item.subCat));
    if (row >= 0) {
        lvFiles->setText(row, kColSource, item.source);
        lvFiles->setText(row, kColCategory, lc::names::subCatName(item.subCat), int(item.subCat));
    }
    return row;
}

void ctlView::updateItem(int row, const Item &item)
{
    lvFiles->setText(row, kColFile, item.description);
    lvFiles->setText(row, kColSource, item.source);
    // The category sorts by its code, the order the sub-categories are listed in.
    lvFiles->setText(row, kColCategory, lc::names::subCatName(item.subCat), int(item.subCat));
    lvFiles->setImage(row, QString::number(item.subCat));
}

void ctlView::showText(const QString &rtf)
{
    // A long file loads in the background: the window keeps painting, and a click on
    // another file meanwhile shows that one.
    rtbText->loadTextRTF(rtf);
}

bool ctlView::readText(qint32 fileId, QString *rtf, lc::db::Error *error) const
{
    lc::db::Recordset rs;
    if (!rs.open(kSelect + QStringLiteral("auto_id = ") + QString::number(fileId), m_conn)) {
        *error = rs.lastError();
        return false;
    }
    *rtf = rs.recordCount() > 0 ? lc::db::readFileRecord(rs).textRtf : QString();
    return true;
}

void ctlView::ListFiles(qint32 lngGameId, bool blnNoSelect)
{
    if (lngGameId == m_listedGame)
        return;
    m_listedGame = lngGameId;
    // A bookmark or search result switches to this tab before the game is known: name the
    // game now listed, not the one before it.
    if (SelectedTab() == 1)
        showFilesCaption();
    Cover(false);
    Clear();
    // The list shows three columns; the texts stay in the table until a file is shown.
    lc::db::Recordset rs;
    if (!rs.open(QStringLiteral("SELECT auto_id, sub_cat, src, desc FROM file WHERE game_id = ") +
                     QString::number(lngGameId),
                 m_conn)) {
        lc::errorlog::Reporter::program().report(kModule, QStringLiteral("ListFiles"),
                                                 rs.lastError(), true);
        Cover(false);
        return;
    }
    if (rs.recordCount() == 0) {
        SetCaption(M_GAME);
        Cover(false);
        return;
    }
    const int fId = rs.fieldIndex(QStringLiteral("auto_id"));
    const int fSubCat = rs.fieldIndex(QStringLiteral("sub_cat"));
    const int fSource = rs.fieldIndex(QStringLiteral("src"));
    const int fDesc = rs.fieldIndex(QStringLiteral("desc"));
    const auto text = [&rs](int field) {
        const QVariant v = rs.field(field);
        return v.isNull() ? QString() : v.toString();
    };
    lvFiles->beginBulkAdd();
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
        Item item;
        item.fileId = rs.field(fId).toInt();
        if (const auto sub = lc::names::toByteId(rs.field(fSubCat)))
            item.subCat = *sub;
        item.source = text(fSource);
        item.description = text(fDesc);
        addItem(lc::keys::fileKey(item.fileId), item);
    }
    lvFiles->endBulkAdd();
    rs.close();
    if (!blnNoSelect && lvFiles->count() > 0) {
        const QString key = lvFiles->key(0);
        m_shownKey = key;
        lvFiles->ensureVisible(0);
        lvFiles->select(0);
        QString rtf;
        lc::db::Error error;
        if (!readText(idOfKey(key), &rtf, &error)) {
            lc::errorlog::Reporter::program().report(kModule, QStringLiteral("ListFiles"), error,
                                                     true);
            Cover(false);
            return;
        }
        showText(rtf);
        SetCaption(M_GAME);
    }
    Cover(false);
}

void ctlView::SelectFile(const QString &strKey)
{
    if (strKey == m_shownKey || lvFiles->count() == 0)
        return;
    const int row = lvFiles->indexOf(strKey);
    if (row < 0) {
        Q_EMIT NoFileKeyFound(strKey);
        return;
    }
    m_shownKey = strKey;
    lc::db::Recordset rs;
    if (!rs.open(kSelect + QStringLiteral("auto_id = ") + QString::number(idOfKey(strKey)), m_conn))
        return;
    lvFiles->ensureVisible(row);
    lvFiles->select(row);
    showText(rs.recordCount() > 0 ? lc::db::readFileRecord(rs).textRtf : QString());
    SetCaption(M_GAME);
}

void ctlView::SelectFirst()
{
    if (lvFiles->count() == 0)
        return;
    const QString key = lvFiles->key(0);
    if (key.isEmpty()) {
        Q_EMIT NoFileKeyFound(key);
        return;
    }
    lvFiles->ensureVisible(0);
    lvFiles->select(0);
    m_shownKey = key;
    lc::db::Recordset rs;
    if (!rs.open(kSelect + QStringLiteral("auto_id = ") + QString::number(idOfKey(key)), m_conn)) {
        lc::errorlog::Reporter::program().write(kModule, QStringLiteral("SelectFirst"),
                                                rs.lastError());
        return;
    }
    showText(rs.recordCount() > 0 ? lc::db::readFileRecord(rs).textRtf : QString());
    SetCaption(M_GAME);
}

void ctlView::AddListItem(const QString &strKey, const QString &strDesc, const QString &strSource,
                          quint8 bytSubCat, const QString &strGame)
{
    addItem(strKey, {idOfKey(strKey), bytSubCat, strSource, strDesc});
    SetCaption(strGame);
    SelectFile(strKey);
    const int row = lvFiles->indexOf(strKey);
    if (row >= 0)
        itemClick(row);
}

void ctlView::SetCaption(const QString &strGame)
{
    const int n = lvFiles->count();
    lblFiles->setText(QStringLiteral(" ") + strGame + QStringLiteral(": ") + QString::number(n) +
                      (n == 1 ? QStringLiteral(" File.") : QStringLiteral(" Files.")));
}

void ctlView::Clear()
{
    lvFiles->clear();
    lblFiles->clear();
    rtbText->clear();
    m_shownKey.clear();
}

void ctlView::Reset()
{
    Clear();
    m_listedGame = 0;
    Cover(true);
}

void ctlView::Cover(bool blnVisible)
{
    picCover->setVisible(blnVisible);
    if (blnVisible)
        picCover->raise();
    lc::ui::service().processEvents();
}

void ctlView::SelectTab(quint8 bytIndex)
{
    if (bytIndex < 1 || bytIndex > 2)
        bytIndex = 1;
    tbsTabs->setSelectedIndex(bytIndex);
}

quint8 ctlView::SelectedTab() const
{
    return quint8(tbsTabs->selectedIndex());
}

void ctlView::BrowseNavigate(const QString &strAddress)
{
    if (SelectedTab() != 2) {
        SelectTab(2);
        lc::ui::service().processEvents();
    }
    if (m_browser.BrowseNavigate)
        m_browser.BrowseNavigate(strAddress);
}

QString ctlView::ImportText() const
{
    return m_browser.ImportText ? m_browser.ImportText() : QString();
}

QString ctlView::BrowseURL() const
{
    return m_browser.PageURL ? m_browser.PageURL() : QString();
}

QString ctlView::BrowsePageTitle() const
{
    return m_browser.PageTitle ? m_browser.PageTitle() : QString();
}

bool ctlView::PrintInfo(lc::controls::RichTextBox &box) const
{
    const int row = lvFiles->selectedRow();
    if (rtbText->Text().trimmed().isEmpty() || row < 0)
        return false;
    QTextCursor c = box.textCursor();
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    QTextCharFormat plain;
    plain.setFontWeight(QFont::Normal);
    c.insertText(M_GAME + QStringLiteral(" - ") + lvFiles->text(row, kColCategory), bold);
    c.insertBlock();
    c.insertText(QStringLiteral("File: "), bold);
    c.insertText(lvFiles->text(row, kColFile), plain);
    c.insertBlock();
    c.insertText(QStringLiteral("Source: "), bold);
    c.insertText(lvFiles->text(row, kColSource), plain);
    c.insertBlock();
    c.insertBlock();
    box.setTextCursor(c);
    box.setSelRTF(rtbText->TextRTF());
    return true;
}

// --- pane events ------------------------------------------------------------------------

void ctlView::tabClick(int index)
{
    picTabContainer[0]->setVisible(index == 1);
    picTabContainer[1]->setVisible(index == 2);
    if (index == 2) {
        if (m_browser.ComboFocus)
            m_browser.ComboFocus();
        window()->setWindowTitle(QStringLiteral("Lorecase - ") + BrowsePageTitle());
    } else {
        showFilesCaption();
    }
}

void ctlView::showFilesCaption()
{
    // Before any game is listed the main window's own caption stands.
    if (!M_GAME.isEmpty())
        window()->setWindowTitle(QStringLiteral("Lorecase - [") + M_GAME +
                                 QStringLiteral("] - Files"));
}

void ctlView::Browser_TitleChange(const QString &strTitle)
{
    Q_EMIT BrowseTitleChange(strTitle);
    tbsTabs->setCaption(2, strTitle == QStringLiteral("Start Page")
                               ? QStringLiteral("Web Browser - Start Page")
                               : QStringLiteral("Web Browser"));
}

void ctlView::Browser_ShowFavorites()
{
    Q_EMIT ShowFavorites();
}

void ctlView::Browser_AddFavorite()
{
    Q_EMIT AddToFavorites();
}

void ctlView::Browser_DirectImport(const QString &a, const QString &b, const QString &c)
{
    Q_EMIT ImportPage(a, b, c);
}

void ctlView::itemClick(int row)
{
    const QString key = lvFiles->key(row);
    if (key.isEmpty() || key == m_shownKey)
        return;
    m_shownKey = key;
    const qint32 id = idOfKey(key);
    clsFile file;
    file.M_ADO_CONNECTION = &m_conn;
    file.ErrLogFile = lc::programFolder() + QStringLiteral("error.log");
    file.SelectRecord(id);
    if (file.Record().fileId != id) {
        lc::errorlog::Reporter::program().write(
            kModule, QStringLiteral("lvFiles_ItemClick"),
            lc::db::Error{lc::db::ErrNoCurrentRecord,
                          QStringLiteral("The file %1 could not be read.").arg(id)});
        return;
    }
    showText(file.TextRTF());
}

void ctlView::listKeyDown(int key)
{
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        OpenFile();
    else if (key == Qt::Key_Delete)
        DeleteFile();
}

void ctlView::listMouseDown(Qt::MouseButton button, QPoint globalPos)
{
    if (button != Qt::RightButton)
        return;
    const int row = lvFiles->selectedRow();
    if (row < 0) {
        mnuAddOnly->popup(globalPos);
        return;
    }
    const QString source = lvFiles->text(row, kColSource);
    const bool web = isWebAddress(source);
    if (web)
        m_navUrl = source;
    mnusepNav->setVisible(web);
    mnuNavToSrc->setVisible(web);
    mnuFile->popup(globalPos);
}

void ctlView::viewerMouse(QPoint globalPos)
{
    if (rtbText->SelLength() >= 2)
        mnuQuickMenu->popup(globalPos);
}

void ctlView::focusMoved(QWidget *now)
{
    const bool inside = now && isAncestorOf(now);
    if (inside == m_focusLook)
        return;
    m_focusLook = inside;
    lc::controls::setCaptionLook(lblFiles, inside);
}

bool ctlView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == rtbText && event->type() == QEvent::KeyPress) {
        // The viewer only reads: copying is the one key it answers.
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->matches(QKeySequence::Copy))
            rtbText->copy();
        return true;
    }
    if (watched == rtbText && event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    if (watched == rtbText->viewport() && event->type() == QEvent::MouseButtonPress) {
        auto *m = static_cast<QMouseEvent *>(event);
        if (m->button() == Qt::RightButton) {
            viewerMouse(m->globalPosition().toPoint());
            return true;
        }
    }
    if (watched == imgS2) {
        auto *m = static_cast<QMouseEvent *>(event);
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            picSplitter->setGeometry(imgS2->geometry());
            picSplitter->show();
            picSplitter->raise();
            m_dragOffset = int(m->position().y());
            return true;
        case QEvent::MouseMove:
            if (picSplitter->isVisible())
                picSplitter->move(picSplitter->x(),
                                  imgS2->y() + int(m->position().y()) - m_dragOffset);
            return true;
        case QEvent::MouseButtonRelease:
            if (picSplitter->isVisible()) {
                m_splitTop = picSplitter->y();
                m_splitMoved = true;
                picSplitter->hide();
                layoutFiles();
            }
            return true;
        default:
            break;
        }
    }
    if (watched == picTabContainer[0] && event->type() == QEvent::Resize)
        layoutFiles();
    if (watched == picCover && event->type() == QEvent::Resize)
        centreCover();
    return QWidget::eventFilter(watched, event);
}

void ctlView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutTabs();
}

void ctlView::layoutTabs()
{
    const int bar = tbrTools->sizeHint().height();
    tbrTools->setGeometry(0, 0, width(), bar);
    if (height() - bar <= 0)
        return;
    tbsTabs->setGeometry(0, bar, width(), height() - bar);
    picCover->setGeometry(tbsTabs->geometry());
    if (picCover->isVisible())
        picCover->raise();
}

void ctlView::layoutFiles()
{
    QWidget *c = picTabContainer[0];
    const int h = c->height();
    const int w = c->width();
    if (h <= 0 || w <= 0)
        return;
    const int barHeight = std::max(toPixels(60), 4);
    // The pane is laid out while still small during start-up; a fixed first position would
    // leave the list a row high once the window has its real size.
    if (m_splitTop < 0 || !m_splitMoved)
        m_splitTop = h / 3;
    if (m_splitTop > h - toPixels(240))
        m_splitTop = h - toPixels(240);
    if (m_splitTop < toPixels(340))
        m_splitTop = toPixels(340);
    const int labelHeight = lblFiles->sizeHint().height();
    lblFiles->setGeometry(0, 0, w, labelHeight);
    imgS2->setGeometry(0, m_splitTop, w, barHeight);
    const int listHeight = m_splitTop - labelHeight;
    if (listHeight > 0)
        lvFiles->setGeometry(0, labelHeight, w, listHeight);
    const int textTop = m_splitTop + barHeight;
    if (h - textTop > 0)
        rtbText->setGeometry(0, textTop, w, h - textTop);
}

void ctlView::centreCover()
{
    const QSize s = imgCover->size();
    imgCover->move((picCover->width() - s.width()) / 2, (picCover->height() - s.height()) / 2);
}

// --- commands ---------------------------------------------------------------------------

qint32 ctlView::selectedFileId() const
{
    return idOfKey(lvFiles->selectedKey());
}

QString ctlView::gameKey() const
{
    return lc::keys::gameKey(M_GAME_ID, M_GENRE_ID, M_PLATFORM_ID);
}

QString ctlView::locationKey(qint32 fileId) const
{
    return lc::keys::locationKey(fileId, M_GAME_ID, M_GENRE_ID, M_PLATFORM_ID);
}

QString ctlView::ShortTitle(const QString &title)
{
    return title.size() >= 51 ? title.left(47) + QStringLiteral("...") : title;
}

void ctlView::openViewer(quint8 mode, const lc::db::FileRecord *record, const QString &source,
                         const QString &description)
{
    // The new object replaces the old one, whose window closes with its own save prompt.
    auto viewer = std::make_unique<clsVWED>();
    viewer->M_ADO_CONNECTION = &m_conn;
    viewer->ErrLogFile = lc::programFolder() + QStringLiteral("error.log");
    connect(viewer.get(), &clsVWED::AddFile, this, &ctlView::objViewer_AddFile);
    connect(viewer.get(), &clsVWED::SaveEdit, this, &ctlView::objViewer_SaveEdit);
    connect(viewer.get(), &clsVWED::PrintInfo, this, &ctlView::PrintFile);
    objViewer = std::move(viewer);
    ViewEditArgs args;
    args.vMode = enMode(mode);
    args.bytPlatformId = M_PLATFORM_ID;
    args.bytGenreId = M_GENRE_ID;
    args.strGameTitle = M_GAME;
    if (record) {
        args.record = *record;
    } else {
        args.record.gameId = M_GAME_ID;
        args.record.source = source;
        args.record.description = description;
    }
    objViewer->Show(args);
}

void ctlView::OpenFile()
{
    const quint8 mode = m_openMode;
    m_openMode = 0;
    if (lvFiles->selectedRow() < 0)
        return;
    if (mode == 2) {
        openViewer(2, nullptr, {}, {});
        return;
    }
    const qint32 id = selectedFileId();
    clsFile file;
    file.M_ADO_CONNECTION = &m_conn;
    file.ErrLogFile = lc::programFolder() + QStringLiteral("error.log");
    file.SelectRecord(id);
    if (file.Record().fileId != id) {
        lc::errorlog::Reporter::program().report(
            kModule, QStringLiteral("lvFiles DblClick"),
            lc::db::Error{lc::db::ErrNoCurrentRecord,
                          QStringLiteral("The file %1 could not be read.").arg(id)},
            true);
        return;
    }
    openViewer(mode, &file.Record(), {}, {});
}

void ctlView::EditFile()
{
    m_openMode = 1;
    OpenFile();
}

void ctlView::NewFile()
{
    m_openMode = 2;
    OpenFile();
}

void ctlView::AddNewFile()
{
    openViewer(2, nullptr, QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat),
               QStringLiteral("New File"));
}

void ctlView::objViewer_AddFile(quint8 bytPlatformId, quint8 bytGenreId, qint32 lngGameId,
                                qint32 lngFileId, quint8 bytSubCat, const QString &strSource,
                                const QString &strDescription, const QString &strTextRTF)
{
    const QString key = lc::keys::fileKey(lngFileId);
    const int row = addItem(key, {lngFileId, bytSubCat, strSource, strDescription});
    showText(strTextRTF);
    m_shownKey = key;
    SetCaption(M_GAME);
    Q_EMIT UpdateGameNode(lc::keys::gameKey(lngGameId, bytGenreId, bytPlatformId), 0);
    if (row >= 0)
        lvFiles->select(row);
}

void ctlView::objViewer_SaveEdit(qint32 lngFileId, quint8 bytSubCat, const QString &strSource,
                                 const QString &strDescription, const QString &strTextRTF)
{
    const QString key = lc::keys::fileKey(lngFileId);
    if (key == m_shownKey)
        showText(strTextRTF);
    const int row = lvFiles->indexOf(key);
    if (row >= 0)
        updateItem(row, {lngFileId, bytSubCat, strSource, strDescription});
    Q_EMIT FileEdited(bytSubCat, locationKey(lngFileId), ShortTitle(strDescription));
}

void ctlView::DeleteFile()
{
    const int row = lvFiles->selectedRow();
    if (row < 0)
        return;
    const QString key = lvFiles->key(row);
    const qint32 id = idOfKey(key);
    const QString category = lvFiles->text(row, kColCategory);
    if (lc::ui::msgBox(QStringLiteral("Are you sure you wish to delete this ") + category +
                           QStringLiteral(" file?"),
                       lc::ui::Buttons::YesNo, lc::ui::Icon::Exclamation) != lc::ui::Answer::Yes)
        return;
    // The row goes first: the item leaves the list only once the file is really gone.
    lc::db::Recordset rs;
    if (!rs.open(kSelect + QStringLiteral("auto_id = ") + QString::number(id), m_conn) ||
        (rs.recordCount() > 0 && !rs.deleteCurrent())) {
        lc::errorlog::Reporter::program().report(kModule, QStringLiteral("File Delete"),
                                                 rs.lastError(), true);
        return;
    }
    rs.close();
    lvFiles->remove(key);
    Q_EMIT UpdateGameNode(gameKey(), 1);
    Q_EMIT FileDeleted(locationKey(id));
    SetCaption(M_GAME);
    rtbText->clear();
    m_shownKey.clear();
    SelectFirst();
}

void ctlView::MoveFile()
{
    auto selector = std::make_unique<clsSelector>();
    selector->M_ADO_CONNECTION = &m_conn;
    connect(selector.get(), &clsSelector::AddGameNode, this, &ctlView::AddGameNode);
    connect(selector.get(), &clsSelector::CompleteSelect, this,
            &ctlView::objSelector_CompleteSelect);
    objSelector = std::move(selector);
    objSelector->Show(M_PLATFORM_ID, M_GENRE_ID, M_GAME_ID,
                      m_copyFlag == 1 ? QStringLiteral("Copy selected file to...")
                                      : QStringLiteral("Move selected file to..."),
                      false);
}

void ctlView::CopyFile()
{
    m_copyFlag = 1;
    MoveFile();
}

void ctlView::objSelector_CompleteSelect(quint8 bytPlatformId, quint8 bytGenreId, qint32 lngGameId,
                                         bool blnCancel)
{
    const bool copy = m_copyFlag == 1;
    m_copyFlag = 0;
    // The selector may be the sender; it is dropped once its event has returned.
    if (objSelector)
        objSelector.release()->deleteLater();
    if (blnCancel ||
        (bytPlatformId == M_PLATFORM_ID && bytGenreId == M_GENRE_ID && lngGameId == M_GAME_ID))
        return;
    const QString key = lvFiles->selectedKey();
    const qint32 id = idOfKey(key);
    if (id == 0)
        return;
    const QString target = lc::keys::gameKey(lngGameId, bytGenreId, bytPlatformId);
    lc::errorlog::Reporter log = lc::errorlog::Reporter::program();
    if (copy) {
        lc::db::Recordset rs;
        if (!rs.open(kSelect + QStringLiteral("auto_id = ") + QString::number(id), m_conn) ||
            rs.recordCount() == 0) {
            log.report(kModule, QStringLiteral("Copy File"),
                       rs.lastError().number ? rs.lastError()
                                             : lc::db::Error{lc::db::ErrNoCurrentRecord,
                                                             QStringLiteral("No such file.")},
                       true);
            return;
        }
        // One insert carries every column, so a failure leaves no part of a copy behind.
        const lc::db::FileRecord f = lc::db::readFileRecord(rs);
        if (!rs.addNew() || !rs.setField(QStringLiteral("game_id"), lngGameId) ||
            !lc::db::writeFileFields(rs, f) || !rs.update()) {
            log.report(kModule, QStringLiteral("Copy File"), rs.lastError(), true);
            rs.cancelUpdate();
            return;
        }
        Q_EMIT UpdateGameNode(target, 0);
        return;
    }
    lc::db::Recordset rs;
    if (!rs.open(QStringLiteral("SELECT auto_id, game_id FROM file WHERE auto_id = ") +
                     QString::number(id),
                 m_conn) ||
        rs.recordCount() == 0 || !rs.setField(QStringLiteral("game_id"), lngGameId) ||
        !rs.update()) {
        log.report(kModule, QStringLiteral("Move File"),
                   rs.lastError().number
                       ? rs.lastError()
                       : lc::db::Error{lc::db::ErrNoCurrentRecord, QStringLiteral("No such file.")},
                   true);
        rs.cancelUpdate();
        return;
    }
    rs.close();
    Q_EMIT UpdateGameNode(gameKey(), 1);
    Q_EMIT UpdateGameNode(target, 0);
    Q_EMIT FileMoved(locationKey(id),
                     lc::keys::locationKey(id, lngGameId, bytGenreId, bytPlatformId));
    lvFiles->remove(key);
    if (key == m_shownKey) {
        m_shownKey.clear();
        rtbText->clear();
    }
    SetCaption(M_GAME);
}

void ctlView::BookmarkFile()
{
    const int row = lvFiles->selectedRow();
    if (row < 0)
        return;
    Q_EMIT Bookmark(lc::names::subCatId(lvFiles->text(row, kColCategory)),
                    locationKey(idOfKey(lvFiles->key(row))), ShortTitle(lvFiles->text(row)));
}

QString ctlView::quickHeader() const
{
    return QStringLiteral("Platform: ") + lc::names::platformName(M_PLATFORM_ID) +
           QStringLiteral("\r\nGame: ") + M_GAME + QStringLiteral("\r\nGenre: ") +
           lc::names::genreName(M_GENRE_ID);
}

void ctlView::QuickClipAll()
{
    Q_EMIT SendQuick(quickHeader(), rtbText->Text().trimmed());
}

void ctlView::QuickClipSelection()
{
    Q_EMIT SendQuick(quickHeader(), rtbText->SelText().trimmed());
}

void ctlView::NavigateToSource()
{
    if (m_browser.BrowseNavigate)
        m_browser.BrowseNavigate(m_navUrl);
    SelectTab(2);
}
