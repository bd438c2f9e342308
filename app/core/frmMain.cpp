#include "frmMain.h"

#include "ctlBrowser.h"
#include "ctlTree.h"

#include "SplitterBar.h"
#include "clipfile.h"
#include "clsPformSel.h"
#include "clsTips.h"
#include "ctlDetails.h"
#include "ctlView.h"
#include "errorlog.h"
#include "frmClip.h"
#include "handover.h"
#include "modADO.h"
#include "modMain.h"
#include "modPrint.h"
#include "programfolder.h"
#include "recordset.h"
#include "richtextbox.h"
#include "searchprepare.h"
#include "settings.h"
#include "twips.h"
#include "uiservice.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

using lc::settings::GetFlag;
using lc::settings::GetNumber;
using lc::settings::SaveFlag;
using lc::settings::SaveNumber;
using lc::twips::fromPixels;
using lc::twips::toPixels;

namespace {

constexpr int kHelpContents = 15;
constexpr int kHelpPartialKey = 261;

const QString kTitle = QStringLiteral("Lorecase");
// The maker's support page, unless the settings store names another.
const QString kSupportPage = QStringLiteral("https://lorecase.example.org/support/");

QRect pixels(const QRect &twips)
{
    return toPixels(twips.left(), twips.top(), twips.width(), twips.height());
}

} // namespace

frmMain::frmMain(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(kTitle);

    m_client = new QWidget(this);
    setCentralWidget(m_client);

    picToolBar = new QWidget(m_client);
    picToolBar->setObjectName(QStringLiteral("picToolBar"));
    lblCaption = new QLabel(kTitle, picToolBar);
    lblCaption->setObjectName(QStringLiteral("lblCaption"));
    lblCaption->setIndent(6);
    QFont f = lblCaption->font();
    f.setBold(true);
    lblCaption->setFont(f);
    SetCaptionActive(lblCaption, true);

    ctlTree = new ::ctlTree(gConn, m_client);
    ctlTree->setAutoFillBackground(true);
    ctlView = new class ctlView(gConn, m_client);
    // The browser lives on the file view's second tab; the view reaches it through its link.
    ctlBrowser = new ::ctlBrowser(ctlView->browserHost());
    if (!ctlView->browserHost()->layout())
        (new QVBoxLayout(ctlView->browserHost()))->setContentsMargins(0, 0, 0, 0);
    ctlView->browserHost()->layout()->addWidget(ctlBrowser);
    ctlDetails = new ::ctlDetails(gConn, m_client);

    imgS1 = new SplitterBar(Qt::Vertical, m_client);
    imgS1->setObjectName(QStringLiteral("imgS1"));
    imgS2 = new SplitterBar(Qt::Horizontal, m_client);
    imgS2->setObjectName(QStringLiteral("imgS2"));
    picSplitter = new QWidget(m_client);
    picSplitter->setObjectName(QStringLiteral("picSplitter"));
    picSplitter->setAutoFillBackground(true);
    QPalette pal = picSplitter->palette();
    pal.setColor(QPalette::Window, palette().color(QPalette::Dark));
    picSplitter->setPalette(pal);
    picSplitter->hide();
    rtbPrint = new lc::controls::RichTextBox(m_client);
    rtbPrint->setObjectName(QStringLiteral("rtbPrint"));
    rtbPrint->hide();

    m_menus = MainMenus::build(menuBar());
    connectPanes();
    connectCommands();
    updateCommands();

    setMinimumSize(toPixels(PaneLayout::kMinWidth), toPixels(PaneLayout::kMinHeight));
    QSize start(toPixels(13500), toPixels(10000));
    if (const QScreen *s = QGuiApplication::primaryScreen())
        start = start.boundedTo(s->availableGeometry().size() * 0.9).expandedTo(minimumSize());
    resize(start);
}

frmMain::~frmMain() = default;

void frmMain::connectCommands()
{
    const MainMenus &m = m_menus;
    connect(m.mnuFileConnect, &QAction::triggered, this, &frmMain::mnuFileConnect_Click);
    connect(m.mnuFilePrint, &QAction::triggered, this, &frmMain::mnuFilePrint_Click);
    connect(m.mnuMaintPlatforms, &QAction::triggered, this, &frmMain::mnuMaintPlatforms_Click);
    connect(m.mnuToolsOptions, &QAction::triggered, this, &frmMain::mnuToolsOptions_Click);
    connect(m.mnuHelpAbout, &QAction::triggered, this, &frmMain::mnuHelpAbout_Click);
    connect(m.mnuFileExit, &QAction::triggered, this, &QWidget::close);
    connect(m.mnuViewTop, &QAction::triggered, this, &frmMain::mnuViewTop_Click);
    connect(m.mnuViewLeft, &QAction::triggered, this, &frmMain::mnuViewLeft_Click);
    connect(m.mnuViewBottom, &QAction::triggered, this, &frmMain::mnuViewBottom_Click);
    connect(m.mnuHelpContents, &QAction::triggered, this, &frmMain::mnuHelpContents_Click);
    connect(m.mnuHelpSearch, &QAction::triggered, this, &frmMain::mnuHelpSearch_Click);
    connect(m.mnuTips, &QAction::triggered, this, &frmMain::mnuTips_Click);
    connect(m.mnuSearchLorecase, &QAction::triggered, this, &frmMain::mnuSearchLorecase_Click);
    connect(m.mnuHelpUpdate, &QAction::triggered, this, &frmMain::mnuHelpUpdate_Click);
    connect(m.mnuLCSupport, &QAction::triggered, this, &frmMain::mnuLCSupport_Click);
    connect(m.mnuViewQuickClip, &QAction::triggered, this, &frmMain::mnuViewQuickClip_Click);
}

void frmMain::updateCommands()
{
    const MainMenus &m = m_menus;
    const PaneLayout::State &s = m_layout.state();
    m.mnuViewTop->setChecked(s.toolBarHeight > 0);
    m.mnuViewLeft->setChecked(s.treeVisible);
    m.mnuViewBottom->setChecked(s.detailsVisible);
}

QSize frmMain::innerTwips() const
{
    return QSize(innerWidth(), innerHeight());
}
int frmMain::innerWidth() const
{
    return fromPixels(m_client->width());
}
int frmMain::innerHeight() const
{
    return fromPixels(m_client->height());
}

QRect frmMain::paneTwips(Pane which) const
{
    const PaneLayout::Rects &r = m_layout.rects();
    switch (which) {
    case Pane::Tree:
        return r.tree;
    case Pane::View:
        return r.view;
    case Pane::Details:
        return r.details;
    }
    return {};
}

QWidget *frmMain::pane(Pane which) const
{
    switch (which) {
    case Pane::Tree:
        return ctlTree;
    case Pane::View:
        return ctlView;
    case Pane::Details:
        return ctlDetails;
    }
    return nullptr;
}

void frmMain::Form_Load()
{
    if (m_loaded)
        return;
    m_loaded = true;
    // The client area must have its real size before positions are derived from it.
    if (layout())
        layout()->activate();

    m_helpFile = AppPath() + QStringLiteral("Lcase.hlp");
    m_layout.placeDefaultDetails(innerHeight());

    PaneLayout::State &s = m_layout.state();
    if (GetNumber(QStringLiteral("Options"), QStringLiteral("AppLayout"), 0) == 1) {
        const QString layoutSection = QStringLiteral("Layout");
        s.treeVisible = GetFlag(layoutSection, QStringLiteral("ctlTree"), true);
        s.detailsVisible = GetFlag(layoutSection, QStringLiteral("Detail"), true);
        s.s1Left =
            GetNumber(layoutSection, QStringLiteral("imgs1Left"), PaneLayout::kDefaultTreeWidth);
        s.s2Top = GetNumber(layoutSection, QStringLiteral("imgs2Top"), s.s2Top);
        s.detailHeight = GetNumber(layoutSection, QStringLiteral("DetailHeight"),
                                   PaneLayout::kDefaultDetailHeight);
    }
    ctlTree->setVisible(s.treeVisible);
    ctlDetails->setVisible(s.detailsVisible);
    ctlDetails->InitDetails();
    updateCommands();

    QDir().mkpath(AppPath() + QStringLiteral("QuickClip"));
    ctlView->InitView();
    SizeControls(false);
}

int frmMain::viewSelectedTab() const
{
    return ctlView->SelectedTab();
}

void frmMain::Form_Activate()
{
    // Marked before anything else: a message box below runs pending events, and a queued
    // activation must not start up a second time inside it.
    if (m_activated)
        return;
    m_activated = true;

    WriteLogBanner();
    if (Connect(AppPath() + QStringLiteral("lorecase.mdb"))) {
        // The tree loads, then asks for the favourites and bookmarks, whose end finishes it.
        ctlTree->LoadTree();
        if (viewSelectedTab() == 1)
            SetFilesCaption();
        // Ready before the first search, while the user reads the tree.
        lc::search::PrepareIndex(gConn, this, QStringLiteral("frmMain"),
                                 QStringLiteral("Form_Activate"));
    } else {
        lc::ui::msgBox(QStringLiteral("There is a database connection error."), lc::ui::Buttons::Ok,
                       lc::ui::Icon::Critical, kTitle);
    }

    if (GetNumber(QStringLiteral("Settings"), QStringLiteral("FirstRun"), 0) == 0) {
        lc::settings::SaveSetting(QStringLiteral("Settings"), QStringLiteral("FirstRun"),
                                  QStringLiteral("1"));
        QString why;
        if (!m_helpFile.isEmpty() &&
            !lc::ui::service().showHelp(m_helpFile, kHelpContents, QString(), &why))
            lc::ui::msgBox(why);
    }

    if (GetNumber(QStringLiteral("Settings"), QStringLiteral("TOD"), 1) == 1)
        mnuTips_Click();
}

void frmMain::mnuTips_Click()
{
    clsTips objTOD;
    connect(&objTOD, &clsTips::OKClick, this, [](quint8 load) {
        lc::settings::SaveSetting(QStringLiteral("Settings"), QStringLiteral("TOD"),
                                  QString::number(load));
    });
    const int tod = GetNumber(QStringLiteral("Settings"), QStringLiteral("TOD"), 1);
    objTOD.Show(AppPath() + QStringLiteral("tips.txt"), quint8(std::clamp(tod, 0, 255)));
}

void frmMain::SetFilesCaption()
{
    setWindowTitle(QStringLiteral("Lorecase - [") + gDBName + QStringLiteral("] - Files"));
}

void frmMain::SizeControls(bool fromResize)
{
    PaneLayout::State &s = m_layout.state();
    s.treeVisible = ctlTree->isVisibleTo(this);
    s.detailsVisible = ctlDetails->isVisibleTo(this);
    const PaneLayout::Rects &r = m_layout.layout(innerTwips(), fromResize);

    picToolBar->setGeometry(0, 0, m_client->width(), toPixels(s.toolBarHeight));
    picToolBar->setVisible(s.toolBarHeight > 0);
    lblCaption->setGeometry(0, 0, picToolBar->width(), picToolBar->height());

    ctlTree->setGeometry(pixels(r.tree));
    ctlView->setGeometry(pixels(r.view));
    ctlDetails->setGeometry(pixels(r.details));

    // The bars' hit areas straddle the gaps so they are easy to grab.
    imgS1->setGeometry(pixels(r.treeBar).adjusted(-2, 0, 2, 0));
    imgS1->setVisible(s.treeVisible);
    imgS2->setGeometry(0, toPixels(r.detailsBar.top()) - 2, m_client->width(),
                       toPixels(r.detailsBar.height()) + 4);
    imgS2->setVisible(s.detailsVisible);
    imgS1->raise();
    imgS2->raise();
}

void frmMain::showDragBar()
{
    picSplitter->setGeometry(pixels(m_layout.dragBar(innerTwips())));
    picSplitter->show();
    picSplitter->raise();
}

void frmMain::imgS1_MouseDown()
{
    m_layout.pressSplitter(Qt::Vertical);
    showDragBar();
    // The bar is as high as the file view pane in pixels, whatever twips round to.
    picSplitter->resize(picSplitter->width(), ctlView->height());
}

void frmMain::imgS1_MouseMove(int offsetTwips)
{
    m_layout.moveSplitter(Qt::Vertical, offsetTwips, innerTwips());
    if (m_layout.dragging())
        picSplitter->move(toPixels(m_layout.dragPosition()), picSplitter->y());
}

void frmMain::imgS1_MouseUp()
{
    if (!m_layout.releaseSplitter(Qt::Vertical))
        return;
    SizeControls(false);
    picSplitter->hide();
}

void frmMain::imgS2_MouseDown()
{
    m_layout.pressSplitter(Qt::Horizontal);
    showDragBar();
    picSplitter->resize(m_client->width(), picSplitter->height());
}

void frmMain::imgS2_MouseMove(int offsetTwips)
{
    m_layout.moveSplitter(Qt::Horizontal, offsetTwips, innerTwips());
    if (m_layout.dragging())
        picSplitter->move(0, toPixels(m_layout.dragPosition()));
}

void frmMain::imgS2_MouseUp()
{
    if (!m_layout.releaseSplitter(Qt::Horizontal))
        return;
    SizeControls(false);
    picSplitter->hide();
}

void frmMain::mnuViewTop_Click()
{
    m_layout.state().toolBarHeight =
        m_menus.mnuViewTop->isChecked() ? PaneLayout::kToolBarHeight : 0;
    // The first pass moves the splitter's top, the second lays the panes out from it.
    SizeControls(false);
    SizeControls(false);
}

void frmMain::mnuViewLeft_Click()
{
    ctlTree->setVisible(m_menus.mnuViewLeft->isChecked());
    SizeControls(false);
}

void frmMain::mnuViewBottom_Click()
{
    ctlDetails->setVisible(m_menus.mnuViewBottom->isChecked());
    SizeControls(false);
}

void frmMain::mnuFileConnect_Click()
{
    const auto chosen = lc::ui::service().openFile({QStringLiteral("Select Lorecase..."),
                                                    QStringLiteral("MDB Files *.mdb|*.mdb"),
                                                    QFileInfo(gDBPath).absolutePath(),
                                                    {}});
    if (!chosen || chosen->isEmpty() || *chosen == gDBPath)
        return;
    if (!Connect(*chosen))
        return;
    ReloadPanes();
    if (viewSelectedTab() == 1)
        SetFilesCaption();
    updateCommands();
    lc::search::PrepareIndex(gConn, this, QStringLiteral("frmMain"),
                             QStringLiteral("mnuFileConnect_Click"));
}

static void openHelp(const QString &file, int command)
{
    if (!QFileInfo::exists(file)) {
        lc::ui::msgBox(QStringLiteral("Unable to display Help Contents. The Help file is missing."),
                       lc::ui::Buttons::Ok, lc::ui::Icon::Information);
        return;
    }
    QString why;
    if (!lc::ui::service().showHelp(file, command, QString(), &why))
        lc::ui::msgBox(why);
}

void frmMain::mnuHelpContents_Click()
{
    openHelp(m_helpFile, kHelpContents);
}
void frmMain::mnuHelpSearch_Click()
{
    openHelp(m_helpFile, kHelpPartialKey);
}

void frmMain::mnuLCSupport_Click()
{
    const QString page = lc::settings::GetSetting(QStringLiteral("Settings"),
                                                  QStringLiteral("SupportURL"), kSupportPage)
                             .trimmed();
    lc::ui::service().shellOpen(page.isEmpty() ? kSupportPage : page, AppPath());
}

void frmMain::mnuHelpUpdate_Click()
{
    const QString updater = lc::programFileName(QStringLiteral("Renewer"));
    if (!QFileInfo::exists(AppPath() + updater)) {
        lc::ui::msgBox(QStringLiteral("The Lorecase Updater has been moved or is missing."),
                       lc::ui::Buttons::Ok, lc::ui::Icon::Critical, kTitle);
        return;
    }
    lc::handover::write(lc::handover::filePath(AppPath()), lc::programVersion());
    lc::ui::service().shellOpen(AppPath() + updater, AppPath());
}

void frmMain::SendQuick(const QString &title, const QString &text)
{
    lc::clip::AddClip(title, text);
}

void frmMain::mnuViewQuickClip_Click()
{
    frmClip clip(this);
    clip.setPrintRoutine(
        [](const QTextDocument &doc, QPrinter &printer, const frmClip::Margins &m) {
            return PrintRichText(doc, printer, {m.left, m.top, m.right, m.bottom});
        });
    lc::ui::service().showModal(clip);
}

bool frmMain::Form_QueryUnload()
{
    if (!lc::clip::hasUnsavedClips())
        return true;
    const auto answer = lc::ui::msgBox(
        QStringLiteral("You have unsaved Quick Clips.  Do you wish to save them before you exit?"),
        lc::ui::Buttons::YesNoCancel, lc::ui::Icon::Exclamation, kTitle);
    if (answer == lc::ui::Answer::Cancel)
        return false;
    if (answer == lc::ui::Answer::Yes) {
        mnuViewQuickClip_Click();
        // The user meant to keep them: losing them silently because the viewer was closed
        // without saving would be a surprise.
        if (lc::clip::hasUnsavedClips())
            return lc::ui::msgBox(QStringLiteral("Your Quick Clips have still not been saved.  "
                                                 "Do you wish to exit and delete them?"),
                                  lc::ui::Buttons::YesNo, lc::ui::Icon::Exclamation,
                                  kTitle) == lc::ui::Answer::Yes;
    }
    return true;
}

void frmMain::Form_Unload()
{
    const PaneLayout::State &s = m_layout.state();
    const QString layoutSection = QStringLiteral("Layout");
    SaveFlag(layoutSection, QStringLiteral("ctlTree"), ctlTree->isVisibleTo(this));
    SaveFlag(layoutSection, QStringLiteral("Detail"), ctlDetails->isVisibleTo(this));
    SaveNumber(layoutSection, QStringLiteral("imgs1Left"), s.s1Left);
    SaveNumber(layoutSection, QStringLiteral("imgs2Top"), s.s2Top);
    SaveNumber(layoutSection, QStringLiteral("DetailHeight"), s.detailHeight);
    lc::settings::SaveSetting(QStringLiteral("Tree"), QStringLiteral("SearchText"),
                              ctlTree->SearchText());
    UnloadAll();
}

void frmMain::closeEvent(QCloseEvent *event)
{
    if (!Form_QueryUnload()) {
        event->ignore();
        return;
    }
    Form_Unload();
    event->accept();
}

void frmMain::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    if (y() < 0)
        move(x(), 0);
    if (isMinimized())
        return;
    if (m_loaded)
        SizeControls(true);
}

void frmMain::moveEvent(QMoveEvent *event)
{
    QMainWindow::moveEvent(event);
    if (y() < 0)
        move(x(), 0);
}

bool frmMain::event(QEvent *event)
{
    const bool handled = QMainWindow::event(event);
    if (event->type() == QEvent::WindowActivate)
        // Coming back from another window, the caption strip shows the active look again.
        SetCaptionActive(lblCaption, true);
    if (!m_activated && (event->type() == QEvent::WindowActivate || event->type() == QEvent::Show))
        QTimer::singleShot(0, this, &frmMain::Form_Activate);
    return handled;
}
