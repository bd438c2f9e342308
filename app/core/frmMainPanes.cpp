// The main window's switchboard: every pane event and the calls it turns into on the other
// panes, in one place.
#include "frmMain.h"

#include "SplitterBar.h"
#include "ctlBrowser.h"
#include "ctlDetails.h"
#include "ctlTree.h"
#include "ctlView.h"
#include "frmFavorite.h"
#include "frmFindFiles.h"
#include "modADO.h"
#include "tabstrip.h"
#include "twips.h"
#include "uiservice.h"

#include <QAction>
#include <QLabel>

using lc::twips::fromPixels;

namespace {
const QString kTitle = QStringLiteral("Lorecase");
}

void frmMain::toggleTree()
{
    m_menus.mnuViewLeft->toggle();
    mnuViewLeft_Click();
}

void frmMain::toggleDetails()
{
    m_menus.mnuViewBottom->toggle();
    mnuViewBottom_Click();
}

void frmMain::ReloadPanes()
{
    lblCaption->setText(QStringLiteral("Re-Loading..."));
    ctlView->Reset();
    // The game last listed may not be in the collection now shown: no caption names it.
    ctlView->M_GAME.clear();
    ctlDetails->Reset();
    ctlTree->Reset();
    ctlTree->setSearch_Text(QStringLiteral("Re-Loading Tree..."));
    ctlTree->LoadTree();
    lblCaption->setText(kTitle);
}

void frmMain::OpenTreeKey(const QString &key)
{
    if (key.startsWith(QLatin1String("N_"))) {
        ctlTree->SelectNode(key);
    } else if (key.startsWith(QLatin1String("K_"))) {
        const QStringList parts = key.split(QLatin1Char('|'));
        if (parts.size() < 4)
            return;
        ctlView->SelectTab(1);
        m_selectNoFirstFile = true;
        ctlTree->SelectNode(parts.mid(1, 3).join(QLatin1Char('|')));
        m_selectNoFirstFile = false;
        ctlView->SelectFile(parts.at(0));
    }
}

void frmMain::connectPanes()
{
    connect(imgS1, &SplitterBar::pressed, this, &frmMain::imgS1_MouseDown);
    connect(imgS1, &SplitterBar::moved, this, [this](int px) { imgS1_MouseMove(fromPixels(px)); });
    connect(imgS1, &SplitterBar::released, this, &frmMain::imgS1_MouseUp);
    connect(imgS2, &SplitterBar::pressed, this, &frmMain::imgS2_MouseDown);
    connect(imgS2, &SplitterBar::moved, this, [this](int px) { imgS2_MouseMove(fromPixels(px)); });
    connect(imgS2, &SplitterBar::released, this, &frmMain::imgS2_MouseUp);

    // What the details pane asks the tree about a game.
    const GameQueries tree{[t = ctlTree](const QString &k) { return t->GameName(k); },
                           [t = ctlTree](const QString &k) { return t->GameGenre(k); },
                           [t = ctlTree](const QString &k) { return t->GamePlatform(k); }};

    // Back on the files with no game listed, the caption names the collection again.
    connect(ctlView->tbsTabs, &lc::controls::TabStrip::Click, this, [this](int index) {
        if (index == 1 && ctlView->M_GAME.isEmpty())
            SetFilesCaption();
    });

    // The tree pane's events.
    connect(ctlTree, &ctlTree::TreeNodeClick, this,
            [this](quint8 platform, quint8 genre, qint32 game, const QString &name,
                   const QString &caption, enNodeType type) {
                ctlView->M_PLATFORM_ID = platform;
                ctlView->M_GENRE_ID = genre;
                ctlView->M_GAME_ID = game;
                ctlView->M_GAME = name;
                lblCaption->setText(caption);
                if (type != ntGame) {
                    ctlView->Reset();
                    return;
                }
                ctlView->ListFiles(game, m_selectNoFirstFile);
                lc::ui::service().processEvents();
            });
    connect(ctlTree, &ctlTree::AddToView, ctlView, &ctlView::AddListItem);
    connect(ctlTree, &ctlTree::RenameGame, this,
            [this](const QString &oldName, const QString &newName, const QString &key) {
                ctlView->SetCaption(newName);
                ctlView->M_GAME = newName;
                lblCaption->setText(lblCaption->text().replace(oldName, newName));
                ctlDetails->RenameGame(key, newName);
            });
    connect(ctlTree, &ctlTree::MoveGame, this,
            [this, tree](const QString &oldKey, const QString &newKey) {
                ctlDetails->MoveBookmark(oldKey, newKey, tree);
            });
    connect(ctlTree, &ctlTree::GameNodeDelete, this,
            [this](const QString &caption, const QString &key) {
                lblCaption->setText(caption);
                ctlView->Cover(true);
                ctlDetails->DeleteBookmark(key);
            });
    connect(ctlTree, &ctlTree::PrintInfo, this, &frmMain::PrintFromViewer);
    connect(ctlTree, &ctlTree::GameNodeDblClick, this, [this] { ctlView->SelectTab(1); });
    connect(ctlTree, &ctlTree::RemovePlatform, this, &frmMain::mnuMaintPlatforms_Click);
    connect(ctlTree, &ctlTree::AddFile, ctlView, &ctlView::AddNewFile);
    connect(ctlTree, &ctlTree::HideControl, this, &frmMain::toggleTree);
    connect(ctlTree, &ctlTree::LoadFavorites, ctlDetails, &ctlDetails::LoadFavorites);

    // The details pane's events.
    connect(ctlDetails, &ctlDetails::NavigateFavorite, ctlView, &ctlView::BrowseNavigate);
    connect(ctlDetails, &ctlDetails::FavoritesLoaded, this,
            [this] { ctlTree->setSearch_Text(QStringLiteral("Loading Bookmarks...")); });
    connect(ctlDetails, &ctlDetails::BookmarksLoaded, ctlTree, &ctlTree::FinishLoad);
    connect(ctlDetails, &ctlDetails::BookmarkSelect, this, &frmMain::OpenTreeKey);
    connect(ctlDetails, &ctlDetails::SearchSelect, this, &frmMain::OpenTreeKey);
    connect(ctlDetails, &ctlDetails::HideControl, this, &frmMain::toggleDetails);

    // The browser on the file view's second tab.
    ctlView->setBrowser(
        {[b = ctlBrowser] { b->InitBrowse(); }, [b = ctlBrowser] { b->ComboFocus(); },
         [b = ctlBrowser](const QString &a) { b->BrowseNavigate(a); },
         [b = ctlBrowser] { return b->ImportText(); }, [b = ctlBrowser] { return b->PageURL(); },
         [b = ctlBrowser] { return b->PageTitle(); }});
    connect(ctlBrowser, &ctlBrowser::TitleChange, ctlView, &ctlView::Browser_TitleChange);
    connect(ctlBrowser, &ctlBrowser::ShowFavorites, ctlView, &ctlView::Browser_ShowFavorites);
    connect(ctlBrowser, &ctlBrowser::AddFavorite, ctlView, &ctlView::Browser_AddFavorite);
    connect(ctlBrowser, &ctlBrowser::DirectImport, ctlView, &ctlView::Browser_DirectImport);

    // The file view pane's events.
    connect(ctlView, &ctlView::AddGameNode, ctlTree, &ctlTree::objSelector_AddGameNode);
    connect(ctlView, &ctlView::Bookmark, this,
            [this, tree](quint8 subCat, const QString &key, const QString &title) {
                ctlDetails->BookmarkFile(subCat, key, title, tree);
            });
    connect(ctlView, &ctlView::FileEdited, this,
            [this, tree](quint8 subCat, const QString &key, const QString &title) {
                ctlDetails->UpdateBookmark(subCat, key, title, tree);
            });
    connect(ctlView, &ctlView::FileMoved, this,
            [this, tree](const QString &oldKey, const QString &newKey) {
                ctlDetails->MoveBookmark(oldKey, newKey, tree);
            });
    connect(ctlView, &ctlView::FileDeleted, ctlDetails, &ctlDetails::DeleteBookmark);
    connect(ctlView, &ctlView::NoFileKeyFound, this, [this] {
        if (lc::ui::msgBox(QStringLiteral("The item attached to this bookmark does not exist.  "
                                          "Would you like to delete this bookmark?"),
                           lc::ui::Buttons::YesNo, lc::ui::Icon::Question,
                           kTitle) != lc::ui::Answer::No)
            ctlDetails->KillBM();
    });
    connect(ctlView, &ctlView::SendQuick, this, &frmMain::SendQuick);
    connect(ctlView, &ctlView::ImportPage, ctlTree, &ctlTree::DirectImport);
    connect(ctlView, &ctlView::BrowseTitleChange, this, [this](const QString &title) {
        if (ctlView->SelectedTab() == 2)
            setWindowTitle(kTitle + QStringLiteral(" - ") + title);
        else
            SetFilesCaption();
    });
    connect(ctlView, &ctlView::UpdateGameNode, ctlTree, &ctlTree::UpdateGameCaption);
    connect(ctlView, &ctlView::PrintFile, this, &frmMain::PrintFromViewer);
    connect(ctlView, &ctlView::ShowFavorites, this, [this] {
        if (ctlDetails->isVisible() && ctlDetails->SelectedTab() == 2) {
            toggleDetails();
            return;
        }
        if (!ctlDetails->isVisible())
            toggleDetails();
        ctlDetails->SelectTab(2);
    });
    connect(ctlView, &ctlView::AddToFavorites, this, [this] {
        if (ctlDetails->FavoriteCheck(ctlView->BrowseURL()))
            return;
        frmFavorite form(gConn, *ctlDetails, ctlView->BrowseURL(), ctlView->BrowsePageTitle(),
                         this);
        lc::ui::service().showModal(form);
    });
    connect(ctlView, &ctlView::ShowTree, this, &frmMain::toggleTree);
    connect(ctlView, &ctlView::ShowDetails, this, &frmMain::toggleDetails);
}

void frmMain::mnuSearchLorecase_Click()
{
    if (!m_find) {
        m_find = new lc::search::frmFind(gConn, this);
        connect(m_find, &lc::search::frmFind::ClearSearch, ctlDetails, &ctlDetails::ClearSearch);
        connect(m_find, &lc::search::frmFind::SelectTab, this,
                [this](int tab) { ctlDetails->SelectTab(quint8(tab)); });
        connect(m_find, &lc::search::frmFind::AddSearch, ctlDetails, &ctlDetails::AddSearch);
        connect(m_find, &lc::search::frmFind::SearchTitle, ctlDetails, &ctlDetails::SearchTitle);
    }
    m_find->show();
    m_find->raise();
    m_find->activateWindow();
}
