#include "ctlBrowser.h"

#include "programfolder.h"
#include "settings.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QSaveFile>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineLoadingInfo>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include "BrowserPage.h"

#include <memory>

using lc::settings::GetSetting;
using lc::settings::SaveSetting;

namespace {

const QString kStartName = QStringLiteral("Start.html");
const QString kStartDisplay = QStringLiteral("Lorecase");
const QString kStartPage = QStringLiteral("Start Page");
const QString kFailureAddress = QStringLiteral("about:NavigationFailure");
constexpr int kNoticeMs = 3000;
// How long ImportText waits for a page to finish and for its text; a stuck engine must not
// hold the program forever.
constexpr int kImportWaitMs = 15000;

struct ButtonSpec {
    const char *key;
    const char *caption;
};
constexpr ButtonSpec kButtons[] = {
    {"Back", "Back"},           {"Forward", "Forward"},
    {"Stop", "Stop"},           {"Refresh", "Refresh"},
    {"Home", "Home"},           {"Search", "Search"},
    {"Favorites", "Favorites"}, {"AddFav", "Add To Favorites"},
};

QString htmlEscaped(const QString &text)
{
    return text.toHtmlEscaped();
}

} // namespace

ctlBrowser::ctlBrowser(QWidget *parent) : QWidget(parent)
{
    const QString profileDir = lc::settings::storeFolder() + QStringLiteral("/WebProfile");
    m_profile = new QWebEngineProfile(QStringLiteral("Lorecase"), this);
    m_profile->setPersistentStoragePath(profileDir);
    m_profile->setCachePath(profileDir + QStringLiteral("/Cache"));
    buildControls();
    connectEngine();
}

ctlBrowser::~ctlBrowser()
{
    // Pages must go before the profile they were made on.
    for (const auto &w : std::as_const(m_popups))
        delete w.data();
    delete brw;
    brw = nullptr;
}

void ctlBrowser::buildControls()
{
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(2);

    tbrToolbar = new QToolBar(this);
    tbrToolbar->setObjectName(QStringLiteral("tbrToolbar"));
    tbrToolbar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    mnuHidden = new QMenu(QStringLiteral("Hidden"), this);
    mnuHidden->setObjectName(QStringLiteral("mnuHidden"));
    mnuAddURL = mnuHidden->addAction(QStringLiteral("Add URL to Favorites"));
    mnuAddURL->setObjectName(QStringLiteral("mnuAddURL"));
    mnuDirectImport = mnuHidden->addAction(QStringLiteral("Import This Page To Lorecase"));
    mnuDirectImport->setObjectName(QStringLiteral("mnuDirectImport"));
    for (const ButtonSpec &b : kButtons) {
        const QString key = QString::fromLatin1(b.key);
        auto *a = tbrToolbar->addAction(QString::fromLatin1(b.caption));
        a->setObjectName(key);
        a->setToolTip(QString::fromLatin1(b.caption));
        if (key == QLatin1String("AddFav")) {
            a->setMenu(mnuHidden);
            if (auto *tb = qobject_cast<QToolButton *>(tbrToolbar->widgetForAction(a)))
                tb->setPopupMode(QToolButton::InstantPopup);
        } else {
            connect(a, &QAction::triggered, this, [this, key] { onToolbar(key); });
        }
    }
    chkPopup = new QCheckBox(QStringLiteral("Disable Pop-Ups"), this);
    chkPopup->setObjectName(QStringLiteral("chkPopup"));
    auto *top = new QHBoxLayout;
    top->addWidget(tbrToolbar, 1);
    top->addWidget(chkPopup);
    outer->addLayout(top);

    auto *addressRow = new QHBoxLayout;
    auto *label = new QLabel(QStringLiteral("Address:"), this);
    cboURL = new QComboBox(this);
    cboURL->setObjectName(QStringLiteral("cboURL"));
    cboURL->setEditable(true);
    cboURL->setInsertPolicy(QComboBox::NoInsert);
    cboURL->setEditText(kStartDisplay);
    cboURL->lineEdit()->installEventFilter(this);
    label->setBuddy(cboURL);
    tbrGo = new QToolBar(this);
    tbrGo->setObjectName(QStringLiteral("tbrGo"));
    tbrGo->setToolButtonStyle(Qt::ToolButtonTextOnly);
    QAction *go = tbrGo->addAction(QStringLiteral("Go!"));
    go->setObjectName(QStringLiteral("Go"));
    go->setToolTip(QStringLiteral("Go!"));
    addressRow->addWidget(label);
    addressRow->addWidget(cboURL, 1);
    addressRow->addWidget(tbrGo);
    outer->addLayout(addressRow);

    brw = new QWebEngineView(this);
    brw->setObjectName(QStringLiteral("brw"));
    brw->setPage(new BrowserPage(
        m_profile, [this](QWebEnginePage::WebWindowType) { return onNewWindow(); }, brw));
    outer->addWidget(brw, 1);

    sbStatusBar = new QStatusBar(this);
    sbStatusBar->setObjectName(QStringLiteral("sbStatusBar"));
    sbStatusBar->setSizeGripEnabled(false);
    statusPanel1 = new QLabel(sbStatusBar);
    pBar = new QProgressBar(sbStatusBar);
    pBar->setObjectName(QStringLiteral("pBar"));
    pBar->setMaximumWidth(160);
    pBar->setTextVisible(false);
    pBar->hide();
    sbStatusBar->addWidget(statusPanel1, 1);
    sbStatusBar->addPermanentWidget(pBar);
    outer->addWidget(sbStatusBar);

    popupNotice = new QTimer(this);
    popupNotice->setSingleShot(true);
    popupNotice->setInterval(kNoticeMs);

    connect(go, &QAction::triggered, this, &ctlBrowser::onGo);
    connect(cboURL->lineEdit(), &QLineEdit::returnPressed, this, &ctlBrowser::onTypedAddress);
    connect(chkPopup, &QCheckBox::clicked, this, &ctlBrowser::onPopupClicked);
    connect(popupNotice, &QTimer::timeout, this, &ctlBrowser::endPopupNotice);
    connect(mnuAddURL, &QAction::triggered, this, &ctlBrowser::AddFavorite);
    connect(mnuDirectImport, &QAction::triggered, this, [this] {
        // Read in this order: the text wait may run events, but address and title belong to
        // the page the user asked to import.
        const QString url = PageURL();
        const QString title = PageTitle();
        const QString text = ImportText();
        Q_EMIT DirectImport(url, title, text);
    });
}

void ctlBrowser::connectEngine()
{
    QWebEnginePage *page = brw->page();
    const auto followCommand = [this](QWebEnginePage::WebAction action, const QString &key) {
        QAction *engine = brw->pageAction(action);
        QAction *mine = button(key);
        mine->setEnabled(engine->isEnabled());
        connect(engine, &QAction::changed, mine,
                [engine, mine] { mine->setEnabled(engine->isEnabled()); });
    };
    followCommand(QWebEnginePage::Back, QStringLiteral("Back"));
    followCommand(QWebEnginePage::Forward, QStringLiteral("Forward"));

    connect(page, &QWebEnginePage::loadStarted, this, [this] {
        ++m_loadGeneration;
        m_loading = true;
        pBar->setMaximum(100);
        pBar->setValue(0);
        pBar->show();
    });
    connect(page, &QWebEnginePage::loadProgress, this, [this](int progress) {
        if (progress >= 0 && progress <= 100)
            pBar->setValue(progress);
    });
    connect(page, &QWebEnginePage::loadFinished, this, &ctlBrowser::onLoadFinished);
    connect(page, &QWebEnginePage::loadingChanged, this, &ctlBrowser::onLoadingChanged);
    connect(page, &QWebEnginePage::urlChanged, this, &ctlBrowser::onUrlChanged);
    connect(page, &QWebEnginePage::linkHovered, this,
            [this](const QString &url) { statusPanel1->setText(url); });
    connect(page, &QWebEnginePage::titleChanged, this, [this](const QString &) {
        if (!m_loading || !brw->title().isEmpty())
            Q_EMIT TitleChange(PageTitle());
    });
}

QByteArray ctlBrowser::startPageBytes()
{
    return QByteArrayLiteral(
        "<HTML><HEAD><TITLE></TITLE></HEAD><BODY BGCOLOR=#FFFFFF>\r\n"
        "<CENTER><TABLE BORDER=0 CELLPADDING=0 CELLSPACING=0 WIDTH=500><TR><TD><CENTER><IMG "
        "SRC=logo.gif><CENTER></TD></TR></TABLE><BR>\r\n"
        "<TABLE BORDER=0 CELLPADDING=0 CELLSPACING=0 WIDTH=500><TR><TD WIDTH=48%><FONT "
        "FACE=verdana COLOR=#000000 SIZE=0><B>"
        "Lorecase makes it easy to collect and store walkthroughs, guides, cheats, previews, "
        "reviews, news and notes."
        "</B></FONT></TD><TD WIDTH=4%><CENTER><IMG SRC=vbar.gif></CENTER></TD><TD "
        "WIDTH=48%><FONT FACE=verdana COLOR=#000000 SIZE=0><B>"
        "With an easy to use interface, Lorecase has several features such as bookmarking and "
        "multiple search functions so it can be as advanced as you want!"
        "</B></FONT></TD></TR></TABLE>\r\n"
        "</CENTER></BODY></HTML>\r\n");
}

QString ctlBrowser::defaultSearchPage()
{
    return QStringLiteral("https://duckduckgo.com/");
}

void ctlBrowser::InitBrowse()
{
    const bool block =
        GetSetting(QStringLiteral("BrowseSettings"), QStringLiteral("Popups"), QStringLiteral("1"))
            .trimmed() != QLatin1String("0");
    chkPopup->setChecked(block);
    // Written beside and renamed into place, so a full disk keeps the old page whole.
    QSaveFile file(lc::programFolder() + kStartName);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(startPageBytes());
        file.commit();
    }
    BrowseNavigate(homeAddress());
}

void ctlBrowser::BrowseNavigate(const QString &address)
{
    const QUrl url = toUrl(address);
    if (url.isValid())
        brw->setUrl(url);
}

void ctlBrowser::ComboFocus()
{
    cboURL->setFocus(Qt::OtherFocusReason);
    selectAddress();
}

bool ctlBrowser::onStartPage() const
{
    const QString title = brw->title();
    const QUrl url = brw->url();
    QString name = title;
    // A page without a title goes by its file name, the way the start page does.
    if (name.isEmpty() || name == url.toString() || name == url.toDisplayString() ||
        name == url.toString(QUrl::RemoveScheme | QUrl::StripTrailingSlash).mid(2))
        name = url.fileName();
    return name == kStartName || name == QLatin1String("Start");
}

QString ctlBrowser::PageURL() const
{
    if (m_onFailurePage)
        return kFailureAddress;
    if (onStartPage())
        return kStartPage;
    return brw->url().toString();
}

QString ctlBrowser::PageTitle() const
{
    if (onStartPage())
        return kStartPage;
    const QString title = brw->title();
    return title.isEmpty() ? brw->url().fileName() : title;
}

QString ctlBrowser::ImportText()
{
    const QDeadlineTimer deadline(kImportWaitMs);
    QEventLoop loop;
    QTimer expiry;
    expiry.setSingleShot(true);
    connect(&expiry, &QTimer::timeout, &loop, &QEventLoop::quit);
    expiry.start(kImportWaitMs);
    const auto finished =
        connect(brw->page(), &QWebEnginePage::loadFinished, &loop, &QEventLoop::quit);

    // The engine answers later, possibly after this wait gave up: the answer goes to a state
    // the callback shares, never to this frame.
    struct Answer {
        bool done = false;
        QString text;
        QPointer<QEventLoop> loop;
    };
    QString result;
    while (!deadline.hasExpired()) {
        if (m_loading) {
            loop.exec();
            continue;
        }
        const quint64 generation = m_loadGeneration;
        auto answer = std::make_shared<Answer>();
        answer->loop = &loop;
        brw->page()->toPlainText([answer](const QString &text) {
            answer->text = text;
            answer->done = true;
            if (answer->loop)
                answer->loop->quit();
        });
        while (!answer->done && !deadline.hasExpired() && generation == m_loadGeneration)
            loop.exec();
        answer->loop = nullptr;
        if (answer->done && generation == m_loadGeneration && !m_loading) {
            result = answer->text;
            break;
        }
    }
    disconnect(finished);
    return result;
}

QAction *ctlBrowser::button(const QString &key) const
{
    for (QAction *a : tbrToolbar->actions()) {
        if (a->objectName() == key)
            return a;
    }
    return nullptr;
}

QList<QWebEngineView *> ctlBrowser::popupWindows() const
{
    QList<QWebEngineView *> open;
    for (const auto &w : m_popups) {
        if (w)
            open << w.data();
    }
    return open;
}

void ctlBrowser::onToolbar(const QString &key)
{
    if (key == QLatin1String("Back"))
        brw->back();
    else if (key == QLatin1String("Forward"))
        brw->forward();
    else if (key == QLatin1String("Stop"))
        brw->stop();
    else if (key == QLatin1String("Refresh"))
        brw->reload();
    else if (key == QLatin1String("Home"))
        BrowseNavigate(homeAddress());
    else if (key == QLatin1String("Search"))
        BrowseNavigate(GetSetting(QStringLiteral("BrowseSettings"), QStringLiteral("SearchPage"),
                                  defaultSearchPage()));
    else if (key == QLatin1String("Favorites"))
        Q_EMIT ShowFavorites();
}

void ctlBrowser::onGo()
{
    const QString text = cboURL->currentText().trimmed();
    ComboFocus();
    if (text != kStartDisplay)
        BrowseNavigate(text);
}

void ctlBrowser::onTypedAddress()
{
    const QString text = cboURL->currentText().trimmed();
    const QUrl url = toUrl(text);
    if (!url.isValid() || text.isEmpty()) {
        showNavigationFailure(text);
        return;
    }
    m_typedAddress = text;
    m_typedUrl = url;
    brw->setUrl(url);
}

void ctlBrowser::onUrlChanged(const QUrl &url)
{
    if (url.scheme() == QLatin1String("data"))
        return; // the failure page keeps the typed address in the box
    m_onFailurePage = false;
    QString shown = url.toString();
    if (url.isLocalFile() && QFileInfo(url.toLocalFile()).absoluteFilePath() ==
                                 QFileInfo(lc::programFolder() + kStartName).absoluteFilePath())
        shown = kStartDisplay;
    cboURL->setEditText(shown);
    selectAddress();
}

void ctlBrowser::onLoadFinished(bool ok)
{
    m_loading = false;
    pBar->hide();
    if (ok && brw->url() == m_typedUrl)
        m_typedAddress.clear();
    if (!m_onFailurePage)
        onUrlChanged(brw->url());
}

void ctlBrowser::onLoadingChanged(const QWebEngineLoadingInfo &info)
{
    // Only the typed address's own failure counts: an earlier load it cut short fails too.
    if (info.status() != QWebEngineLoadingInfo::LoadFailedStatus || m_typedAddress.isEmpty() ||
        info.url() != m_typedUrl)
        return;
    const QString typed = m_typedAddress;
    showNavigationFailure(typed);
}

void ctlBrowser::showNavigationFailure(const QString &typed)
{
    m_typedAddress.clear();
    m_typedUrl.clear();
    m_onFailurePage = true;
    const QString html =
        QStringLiteral("<html><head><title>Navigation Failure</title></head><body>"
                       "<h3>The page cannot be shown</h3><p>%1 could not be reached. Check the "
                       "address and your connection, then try again.</p></body></html>")
            .arg(htmlEscaped(typed));
    brw->setHtml(html);
    cboURL->setEditText(typed);
    selectAddress();
}

void ctlBrowser::onPopupClicked(bool checked)
{
    SaveSetting(QStringLiteral("BrowseSettings"), QStringLiteral("Popups"),
                checked ? QStringLiteral("1") : QStringLiteral("0"));
}

QWebEnginePage *ctlBrowser::onNewWindow()
{
    const bool block =
        GetSetting(QStringLiteral("BrowseSettings"), QStringLiteral("Popups"), QStringLiteral("1"))
            .trimmed() != QLatin1String("0");
    if (block) {
        showPopupNotice();
        return nullptr;
    }
    auto *window = new QWebEngineView;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(QStringLiteral("Lorecase"));
    auto *page = new BrowserPage(
        m_profile, [this](QWebEnginePage::WebWindowType) { return onNewWindow(); }, window);
    window->setPage(page);
    connect(page, &QWebEnginePage::titleChanged, window, &QWidget::setWindowTitle);
    connect(page, &QWebEnginePage::windowCloseRequested, window, &QWidget::close);
    window->resize(800, 600);
    window->show();
    m_popups << window;
    return page;
}

void ctlBrowser::showPopupNotice()
{
    chkPopup->setText(QStringLiteral("Disabled!"));
    QFont f = chkPopup->font();
    f.setBold(true);
    chkPopup->setFont(f);
    QPalette p = chkPopup->palette();
    p.setColor(QPalette::WindowText, QColor(255, 0, 0));
    p.setColor(QPalette::ButtonText, QColor(255, 0, 0));
    chkPopup->setPalette(p);
    popupNotice->start();
}

void ctlBrowser::endPopupNotice()
{
    chkPopup->setText(QStringLiteral("Disable Pop-Ups"));
    chkPopup->setFont(QFont());
    chkPopup->setPalette(QPalette());
}

void ctlBrowser::selectAddress()
{
    cboURL->lineEdit()->setSelection(0, int(cboURL->currentText().trimmed().size()));
}

bool ctlBrowser::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == cboURL->lineEdit() && event->type() == QEvent::FocusIn) {
        // The line edit places its own cursor after this event; select once it has.
        QTimer::singleShot(0, this, &ctlBrowser::selectAddress);
    }
    return QWidget::eventFilter(watched, event);
}

QString ctlBrowser::homeAddress() const
{
    return GetSetting(QStringLiteral("Options"), QStringLiteral("BrowsStart"),
                      lc::programFolder() + kStartName);
}

QUrl ctlBrowser::toUrl(const QString &address)
{
    return QUrl::fromUserInput(address.trimmed());
}
