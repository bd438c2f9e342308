#include "frmMain.h"

#include "SplitterBar.h"
#include "clsTips.h"
#include "errorlog.h"
#include "handover.h"
#include "menuitems.h"
#include "modADO.h"
#include "modMain.h"
#include "programfolder.h"
#include "settings.h"
#include "twips.h"
#include "uiservice.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
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

constexpr int kToolBarHeight = 375;
constexpr int kGap = 30;        // splitter bars sit in a 30-twip gap between panes
constexpr int kMinWidth = 9000; // smallest window the layout works in
constexpr int kMinHeight = 6300;
constexpr int kDefaultTreeWidth = 3720;
constexpr int kDefaultDetailHeight = 2295;
constexpr int kHelpContents = 15;
constexpr int kHelpPartialKey = 261;

const QString kTitle = QStringLiteral("Lorecase");
const QString kSupportPage = QStringLiteral("https://lorecase.example.org/support/");

QFrame *makePaneArea(const QString &name, const QString &caption, QWidget *parent)
{
    // Stand-in area for a pane; the pane itself is put into it.
    auto *frame = new QFrame(parent);
    frame->setObjectName(name);
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setFrameShadow(QFrame::Sunken);
    auto *layout = new QVBoxLayout(frame);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *label = new QLabel(caption, frame);
    label->setAlignment(Qt::AlignCenter);
    label->setEnabled(false);
    layout->addWidget(label);
    return frame;
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

    ctlTree = makePaneArea(QStringLiteral("ctlTree"), tr("Game tree"), m_client);
    ctlView = makePaneArea(QStringLiteral("ctlView"), tr("Files"), m_client);
    ctlDetails = makePaneArea(QStringLiteral("ctlDetails"), tr("Details"), m_client);

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

    connect(imgS1, &SplitterBar::pressed, this, &frmMain::imgS1_MouseDown);
    connect(imgS1, &SplitterBar::moved, this, [this](int px) { imgS1_MouseMove(fromPixels(px)); });
    connect(imgS1, &SplitterBar::released, this, &frmMain::imgS1_MouseUp);
    connect(imgS2, &SplitterBar::pressed, this, &frmMain::imgS2_MouseDown);
    connect(imgS2, &SplitterBar::moved, this, [this](int px) { imgS2_MouseMove(fromPixels(px)); });
    connect(imgS2, &SplitterBar::released, this, &frmMain::imgS2_MouseUp);

    buildMenus();

    setMinimumSize(toPixels(kMinWidth), toPixels(kMinHeight));
    QSize start(toPixels(13500), toPixels(10000));
    if (const QScreen *s = QGuiApplication::primaryScreen())
        start = start.boundedTo(s->availableGeometry().size() * 0.9).expandedTo(minimumSize());
    resize(start);
}

frmMain::~frmMain() = default;

void frmMain::buildMenus()
{
    QMenu *file = lc::controls::addMenu(menuBar(), "&File", "mnuFile");
    mnuFileConnect = lc::controls::addMenuItem(file, "&Open Lorecase", "mnuFileConnect");
    mnuFilePrint = lc::controls::addMenuItem(file, "&Print", "mnuFilePrint");
    file->addSeparator();
    mnuFileExit = lc::controls::addMenuItem(file, "E&xit", "mnuFileExit");

    QMenu *edit = lc::controls::addMenu(menuBar(), "&Edit", "mnuEdit");
    mnuMaintPlatforms = lc::controls::addMenuItem(edit, "&Platforms", "mnuMaintPlatforms");
    edit->addSeparator();
    mnuSearchLorecase = lc::controls::addMenuItem(edit, "&Find...", "mnuSearchLorecase");

    QMenu *view = lc::controls::addMenu(menuBar(), "&View", "mnuView");
    mnuViewTop = lc::controls::addMenuItem(view, "&Title", "mnuViewTop");
    mnuViewLeft = lc::controls::addMenuItem(view, "Book T&ree", "mnuViewLeft");
    mnuViewBottom = lc::controls::addMenuItem(view, "&Details", "mnuViewBottom");
    for (QAction *a : {mnuViewTop, mnuViewLeft, mnuViewBottom}) {
        a->setCheckable(true);
        a->setChecked(true);
    }

    QMenu *tools = lc::controls::addMenu(menuBar(), "&Tools", "mnuTools");
    mnuViewQuickClip = lc::controls::addMenuItem(tools, "&Quick Clip Viewer", "mnuViewQuickClip");
    tools->addSeparator();
    mnuToolsOptions = lc::controls::addMenuItem(tools, "&Options...", "mnuToolsOptions");

    QMenu *help = lc::controls::addMenu(menuBar(), "&Help", "mnuHelp");
    mnuHelpContents = lc::controls::addMenuItem(help, "&Contents", "mnuHelpContents");
    mnuHelpSearch = lc::controls::addMenuItem(help, "&Search For Help On...", "mnuHelpSearch");
    help->addSeparator();
    mnuTips = lc::controls::addMenuItem(help, "Tip Of The &Day", "mnuTips");
    help->addSeparator();
    mnuHelpUpdate = lc::controls::addMenuItem(help, "Check For &Updates...", "mnuHelpUpdate");
    mnuLCSupport = lc::controls::addMenuItem(help, "&Online Support", "mnuLCSupport");
    help->addSeparator();
    mnuHelpAbout = lc::controls::addMenuItem(help, "&About Lorecase...", "mnuHelpAbout");

    // Commands whose windows are not part of the program yet stay visible but disabled.
    for (QAction *a : {mnuFilePrint, mnuMaintPlatforms, mnuSearchLorecase, mnuViewQuickClip,
                       mnuToolsOptions, mnuHelpAbout})
        a->setEnabled(false);

    connect(mnuFileConnect, &QAction::triggered, this, &frmMain::mnuFileConnect_Click);
    connect(mnuFileExit, &QAction::triggered, this, &QWidget::close);
    connect(mnuViewTop, &QAction::triggered, this, &frmMain::mnuViewTop_Click);
    connect(mnuViewLeft, &QAction::triggered, this, &frmMain::mnuViewLeft_Click);
    connect(mnuViewBottom, &QAction::triggered, this, &frmMain::mnuViewBottom_Click);
    connect(mnuHelpContents, &QAction::triggered, this, &frmMain::mnuHelpContents_Click);
    connect(mnuHelpSearch, &QAction::triggered, this, &frmMain::mnuHelpSearch_Click);
    connect(mnuTips, &QAction::triggered, this, &frmMain::mnuTips_Click);
    connect(mnuHelpUpdate, &QAction::triggered, this, &frmMain::mnuHelpUpdate_Click);
    connect(mnuLCSupport, &QAction::triggered, this, &frmMain::mnuLCSupport_Click);
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
    return m_paneTwips[int(which)];
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
    m_s1Top = m_toolBarHeight;
    const int h = innerHeight();
    m_s2Top = h - kDefaultDetailHeight - kGap;

    if (GetNumber(QStringLiteral("Options"), QStringLiteral("AppLayout"), 0) == 1) {
        const QString layoutSection = QStringLiteral("Layout");
        const bool tree = GetFlag(layoutSection, QStringLiteral("ctlTree"), true);
        mnuViewLeft->setChecked(tree);
        ctlTree->setVisible(tree);
        const bool details = GetFlag(layoutSection, QStringLiteral("Detail"), true);
        mnuViewBottom->setChecked(details);
        ctlDetails->setVisible(details);
        m_s1Left = GetNumber(layoutSection, QStringLiteral("imgs1Left"), kDefaultTreeWidth);
        m_s2Top = GetNumber(layoutSection, QStringLiteral("imgs2Top"), m_s2Top);
        m_detailHeight =
            GetNumber(layoutSection, QStringLiteral("DetailHeight"), kDefaultDetailHeight);
    }

    QDir().mkpath(AppPath() + QStringLiteral("QuickClip"));
    SizeControls(false);
}

void frmMain::Form_Activate()
{
    if (m_activated)
        return;
    WriteLogBanner();
    if (Connect(AppPath() + QStringLiteral("lorecase.mdb"))) {
        if (viewSelectedTab() == 1)
            SetFilesCaption();
    } else {
        lc::ui::msgBox(QStringLiteral("There is a database connection error."), lc::ui::Buttons::Ok,
                       lc::ui::Icon::Critical, kTitle);
    }
    m_activated = true;

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

void frmMain::placePane(QWidget *w, Pane which, int left, int top, int width, int height)
{
    // A move to a negative size is skipped, as if it had failed.
    if (width < 0 || height < 0)
        return;
    m_paneTwips[int(which)] = QRect(left, top, width, height);
    w->setGeometry(lc::twips::toPixels(left, top, width, height));
}

void frmMain::SizeControls(bool fromResize)
{
    const int w = innerWidth();
    const int h = innerHeight();
    const int t = m_toolBarHeight;

    picToolBar->setGeometry(0, 0, m_client->width(), toPixels(t));
    picToolBar->setVisible(t > 0);
    lblCaption->setGeometry(0, 0, picToolBar->width(), picToolBar->height());

    int r = 0;
    if (ctlTree->isVisibleTo(this)) {
        if (m_s1Left > w - 1000)
            m_s1Left = w - 1000;
        else if (m_s1Left < 1000)
            m_s1Left = 1000;
        r = m_s1Left + kGap;
    }

    int b = h;
    if (ctlDetails->isVisibleTo(this)) {
        // The details pane keeps its height when the window changes size.
        if (fromResize)
            m_s2Top = h - m_detailHeight - kGap;
        if (m_s2Top > h - 970)
            m_s2Top = h - 970;
        else if (m_s2Top < 1000)
            m_s2Top = 970;
        b = m_s2Top;
    }

    const int p = b - m_s1Top;
    placePane(ctlTree, Pane::Tree, 0, t, r - kGap, p);
    placePane(ctlView, Pane::View, r, t, w - r, p);
    const int detailTop = b + kGap;
    if (ctlDetails->isVisibleTo(this))
        m_detailHeight = h - detailTop;
    placePane(ctlDetails, Pane::Details, 0, detailTop, w, h - detailTop);

    m_s1Top = t;
    // The bars' hit areas straddle the gaps so they are easy to grab.
    imgS1->setGeometry(toPixels(m_s1Left) - 2, toPixels(t), toPixels(kGap) + 4,
                       std::max(0, toPixels(p)));
    imgS1->setVisible(ctlTree->isVisibleTo(this));
    imgS2->setGeometry(0, toPixels(m_s2Top) - 2, m_client->width(), toPixels(kGap) + 4);
    imgS2->setVisible(ctlDetails->isVisibleTo(this));
    imgS1->raise();
    imgS2->raise();
}

void frmMain::imgS1_MouseDown()
{
    m_barPos = m_s1Left;
    picSplitter->setGeometry(toPixels(m_barPos), toPixels(m_s1Top), toPixels(kGap),
                             ctlView->height());
    picSplitter->show();
    picSplitter->raise();
    m_dragging = Drag::Vertical;
}

void frmMain::imgS1_MouseMove(int offsetTwips)
{
    if (m_dragging != Drag::Vertical)
        return;
    m_barPos = std::clamp(m_s1Left + offsetTwips, 0, innerWidth());
    picSplitter->move(toPixels(m_barPos), picSplitter->y());
}

void frmMain::imgS1_MouseUp()
{
    if (m_dragging != Drag::Vertical)
        return;
    m_s1Left = m_barPos;
    SizeControls(false);
    picSplitter->hide();
    m_dragging = Drag::None;
}

void frmMain::imgS2_MouseDown()
{
    m_barPos = m_s2Top;
    picSplitter->setGeometry(0, toPixels(m_barPos), m_client->width(), toPixels(kGap));
    picSplitter->show();
    picSplitter->raise();
    m_dragging = Drag::Horizontal;
}

void frmMain::imgS2_MouseMove(int offsetTwips)
{
    if (m_dragging != Drag::Horizontal)
        return;
    m_barPos = std::clamp(m_s2Top + offsetTwips, 0, innerHeight());
    picSplitter->move(0, toPixels(m_barPos));
}

void frmMain::imgS2_MouseUp()
{
    if (m_dragging != Drag::Horizontal)
        return;
    m_s2Top = m_barPos;
    SizeControls(false);
    picSplitter->hide();
    m_dragging = Drag::None;
}

void frmMain::mnuViewTop_Click()
{
    m_toolBarHeight = mnuViewTop->isChecked() ? kToolBarHeight : 0;
    // The first pass moves the splitter's top, the second lays the panes out from it.
    SizeControls(false);
    SizeControls(false);
}

void frmMain::mnuViewLeft_Click()
{
    ctlTree->setVisible(mnuViewLeft->isChecked());
    SizeControls(false);
}

void frmMain::mnuViewBottom_Click()
{
    ctlDetails->setVisible(mnuViewBottom->isChecked());
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
    if (viewSelectedTab() == 1)
        SetFilesCaption();
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
    lc::ui::service().shellOpen(kSupportPage, AppPath());
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

bool frmMain::Form_QueryUnload()
{
    const QFileInfo scratch(AppPath() + kClipScratchFile);
    if (!scratch.exists() || scratch.size() < 2)
        return true;
    const auto answer = lc::ui::msgBox(
        QStringLiteral("You have unsaved Quick Clips.  Do you wish to save them before you exit?"),
        lc::ui::Buttons::YesNoCancel, lc::ui::Icon::Exclamation, kTitle);
    if (answer == lc::ui::Answer::Cancel)
        return false;
    if (answer == lc::ui::Answer::Yes) {
        // Until the Quick Clip viewer can save them, the clips are kept for the next run.
        m_keepClips = true;
    }
    return true;
}

void frmMain::Form_Unload()
{
    const QString layoutSection = QStringLiteral("Layout");
    SaveFlag(layoutSection, QStringLiteral("ctlTree"), ctlTree->isVisibleTo(this));
    SaveFlag(layoutSection, QStringLiteral("Detail"), ctlDetails->isVisibleTo(this));
    SaveNumber(layoutSection, QStringLiteral("imgs1Left"), m_s1Left);
    SaveNumber(layoutSection, QStringLiteral("imgs2Top"), m_s2Top);
    SaveNumber(layoutSection, QStringLiteral("DetailHeight"), m_detailHeight);
    UnloadAll(m_keepClips);
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
    if (!m_activated && (event->type() == QEvent::WindowActivate || event->type() == QEvent::Show))
        QTimer::singleShot(0, this, &frmMain::Form_Activate);
    return handled;
}
