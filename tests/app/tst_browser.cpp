#include "ctlBrowser.h"
#include "httpserver.h"
#include "settings.h"
#include "testsupport.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTimer>
#include <QToolBar>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QtTest>

#include <memory>

using lc::settings::GetSetting;
using lc::settings::SaveSetting;

namespace {

// The engine is slow to start in CI; every wait is bounded.
constexpr int kWaitMs = 30000;

const QMap<QByteArray, QByteArray> kPages = {
    {"/one.html", "<html><head><title>Page One</title></head><body>One "
                  "<a id=l href=\"/two.html\">next</a></body></html>"},
    {"/two.html", "<html><head><title>Page Two</title></head><body>Two</body></html>"},
    {"/three.html", "<html><head><title>Page Three</title></head><body>Three</body></html>"},
    {"/marked.html",
     "<html><head><meta charset=utf-8><title>Marked</title></head><body><h1>Walkthrough</h1>"
     "<p>Chapter <b>1</b>: \xe3\x83\x89\xe3\x83\xa9\xe3\x82\xb4\xe3\x83\xb3 &amp; "
     "\xd0\x9c\xd0\xb8\xd1\x80</p><script>var hidden='not text';</script></body></html>"},
    {"/retitle.html", "<html><head><title>Before</title></head><body>x<script>"
                      "setTimeout(function(){document.title='After';},50);</script></body></html>"},
};

} // namespace

class TestBrowser : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void startPageIsWrittenAndShown();
    void goOnStartTextOnlyFocuses();
    void pageTitleAddressAndLink();
    void titleChangeIsReported();
    void backForwardFollowHistory();
    void importTextIsPlainAndCurrent();
    void failingTypedAddressShowsErrorPage();
    void popupsBlockedThenAllowed();
    void menuEventsCarryThePage();

private:
    bool load(const QString &address);
    QString url(const char *path) const { return m_server->base() + QLatin1String(path); }

    std::unique_ptr<TestHome> m_home;
    std::unique_ptr<ScriptedHttpServer> m_server;
    std::unique_ptr<ctlBrowser> m_browser;
};

// One program folder, server and browser for all cases: starting the engine is the slow part.
void TestBrowser::initTestCase()
{
    m_home = std::make_unique<TestHome>(TestHome::Db::None);
    m_server = std::make_unique<ScriptedHttpServer>();
    m_server->handler = [](const HttpRequest &r) {
        const QByteArray path = r.target.split('?').value(0);
        if (!kPages.contains(path))
            return HttpAnswer::make(404, "Not Found", "missing");
        return HttpAnswer::make(200, "OK", kPages.value(path),
                                {{"Content-Type", "text/html; charset=utf-8"}});
    };
    m_browser = std::make_unique<ctlBrowser>();
    m_browser->resize(900, 600);
    m_browser->show();
}

void TestBrowser::cleanupTestCase()
{
    m_browser.reset();
    m_server.reset();
    m_home.reset();
}

void TestBrowser::init()
{
    lc::settings::DeleteSetting(QStringLiteral("BrowseSettings"), QStringLiteral("Popups"));
}

bool TestBrowser::load(const QString &address)
{
    QSignalSpy done(m_browser->brw, &QWebEngineView::loadFinished);
    m_browser->BrowseNavigate(address);
    return done.wait(kWaitMs);
}

void TestBrowser::startPageIsWrittenAndShown()
{
    const QByteArray expected =
        "<HTML><HEAD><TITLE></TITLE></HEAD><BODY BGCOLOR=#FFFFFF>\r\n"
        "<CENTER><TABLE BORDER=0 CELLPADDING=0 CELLSPACING=0 WIDTH=500><TR><TD><CENTER>"
        "<IMG SRC=logo.gif><CENTER></TD></TR></TABLE><BR>\r\n"
        "<TABLE BORDER=0 CELLPADDING=0 CELLSPACING=0 WIDTH=500><TR><TD WIDTH=48%><FONT "
        "FACE=verdana COLOR=#000000 SIZE=0><B>Lorecase makes it easy to collect and store "
        "walkthroughs, guides, cheats, previews, reviews, news and notes.</B></FONT></TD>"
        "<TD WIDTH=4%><CENTER><IMG SRC=vbar.gif></CENTER></TD><TD WIDTH=48%><FONT FACE=verdana "
        "COLOR=#000000 SIZE=0><B>With an easy to use interface, Lorecase has several features "
        "such as bookmarking and multiple search functions so it can be as advanced as you "
        "want!</B></FONT></TD></TR></TABLE>\r\n"
        "</CENTER></BODY></HTML>\r\n";
    m_home->write(QStringLiteral("Start.html"), "edited by hand");
    QSignalSpy done(m_browser->brw, &QWebEngineView::loadFinished);
    m_browser->InitBrowse();
    QCOMPARE(m_home->read(QStringLiteral("Start.html")), expected);
    QVERIFY(m_browser->chkPopup->isChecked()); // "Popups" unset blocks
    QVERIFY(done.wait(kWaitMs));
    QCOMPARE(m_browser->cboURL->currentText(), QStringLiteral("Lorecase"));
    QCOMPARE(m_browser->PageURL(), QStringLiteral("Start Page"));
    QCOMPARE(m_browser->PageTitle(), QStringLiteral("Start Page"));
    QVERIFY(!m_browser->pBar->isVisible());
    QVERIFY(m_browser->ImportText().contains(QStringLiteral("walkthroughs, guides")));
}

void TestBrowser::goOnStartTextOnlyFocuses()
{
    QVERIFY(load(url("/one.html")));
    m_browser->cboURL->setEditText(QStringLiteral("Lorecase "));
    QSignalSpy started(m_browser->brw, &QWebEngineView::loadStarted);
    m_browser->tbrGo->actions().constFirst()->trigger();
    QTest::qWait(300);
    QCOMPARE(started.count(), 0);
    QCOMPARE(m_browser->cboURL->lineEdit()->selectedText(), QStringLiteral("Lorecase"));

    // Any other text goes there.
    m_browser->cboURL->setEditText(url("/two.html"));
    QSignalSpy done(m_browser->brw, &QWebEngineView::loadFinished);
    m_browser->tbrGo->actions().constFirst()->trigger();
    QVERIFY(done.wait(kWaitMs));
    QCOMPARE(m_browser->PageTitle(), QStringLiteral("Page Two"));
}

void TestBrowser::pageTitleAddressAndLink()
{
    QVERIFY(load(url("/one.html")));
    QCOMPARE(m_browser->PageTitle(), QStringLiteral("Page One"));
    QCOMPARE(m_browser->PageURL(), url("/one.html"));
    QCOMPARE(m_browser->cboURL->currentText(), url("/one.html"));
    QCOMPARE(m_browser->cboURL->count(), 0); // the box never keeps a list

    QSignalSpy done(m_browser->brw, &QWebEngineView::loadFinished);
    m_browser->brw->page()->runJavaScript(QStringLiteral("document.getElementById('l').click()"));
    QVERIFY(done.wait(kWaitMs));
    QCOMPARE(m_browser->PageTitle(), QStringLiteral("Page Two"));
    QCOMPARE(m_browser->cboURL->currentText(), url("/two.html"));
}

void TestBrowser::titleChangeIsReported()
{
    QSignalSpy titles(m_browser.get(), &ctlBrowser::TitleChange);
    QVERIFY(load(url("/retitle.html")));
    QTRY_VERIFY_WITH_TIMEOUT(!titles.isEmpty() &&
                                 titles.constLast().at(0).toString() == QLatin1String("After"),
                             kWaitMs);
    QVERIFY(std::any_of(titles.cbegin(), titles.cend(), [](const QList<QVariant> &args) {
        return args.at(0).toString() == QLatin1String("Before");
    }));
}

void TestBrowser::backForwardFollowHistory()
{
    QAction *back = m_browser->button(QStringLiteral("Back"));
    QAction *forward = m_browser->button(QStringLiteral("Forward"));
    QVERIFY(load(url("/one.html")));
    QVERIFY(load(url("/two.html")));
    QVERIFY(load(url("/three.html")));
    QTRY_VERIFY_WITH_TIMEOUT(back->isEnabled(), kWaitMs);
    QVERIFY(!forward->isEnabled());

    QSignalSpy done(m_browser->brw, &QWebEngineView::loadFinished);
    back->trigger();
    QVERIFY(done.wait(kWaitMs));
    QCOMPARE(m_browser->PageTitle(), QStringLiteral("Page Two"));
    QCOMPARE(m_browser->cboURL->currentText(), url("/two.html"));
    QTRY_VERIFY_WITH_TIMEOUT(forward->isEnabled(), kWaitMs);

    done.clear();
    forward->trigger();
    QVERIFY(done.wait(kWaitMs));
    QCOMPARE(m_browser->PageTitle(), QStringLiteral("Page Three"));
    QTRY_VERIFY_WITH_TIMEOUT(!forward->isEnabled(), kWaitMs);

    // A new navigation after going back leaves nothing to go forward to.
    done.clear();
    back->trigger();
    QVERIFY(done.wait(kWaitMs));
    QTRY_VERIFY_WITH_TIMEOUT(forward->isEnabled(), kWaitMs);
    QVERIFY(load(url("/one.html")));
    QTRY_VERIFY_WITH_TIMEOUT(!forward->isEnabled(), kWaitMs);
    QVERIFY(back->isEnabled());

    done.clear();
    m_browser->button(QStringLiteral("Refresh"))->trigger();
    QVERIFY(done.wait(kWaitMs));
    QCOMPARE(m_browser->PageTitle(), QStringLiteral("Page One"));
}

void TestBrowser::importTextIsPlainAndCurrent()
{
    QVERIFY(load(url("/marked.html")));
    const QString text = m_browser->ImportText();
    QVERIFY2(text.contains(QString::fromUtf8("Chapter 1: \xe3\x83\x89\xe3\x83\xa9\xe3\x82\xb4"
                                             "\xe3\x83\xb3 & \xd0\x9c\xd0\xb8\xd1\x80")),
             qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("Walkthrough")));
    QVERIFY(!text.contains(QLatin1Char('<')));
    QVERIFY(!text.contains(QStringLiteral("not text")));

    // Asked straight after a navigation, it waits for the new page rather than the old one.
    m_browser->BrowseNavigate(url("/three.html"));
    QCOMPARE(m_browser->ImportText().trimmed(), QStringLiteral("Three"));
}

void TestBrowser::failingTypedAddressShowsErrorPage()
{
    // A port nobody listens on: the load fails at once, as every address does offline.
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    const QString dead = QStringLiteral("http://127.0.0.1:%1/gone.html").arg(probe.serverPort());
    probe.close();

    QVERIFY(load(url("/one.html")));
    m_browser->cboURL->setEditText(dead);
    QTest::keyClick(m_browser->cboURL->lineEdit(), Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(m_browser->PageURL(), QStringLiteral("about:NavigationFailure"),
                              kWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(m_browser->ImportText().contains(QStringLiteral("could not be "
                                                                             "reached")),
                             kWaitMs);
    QCOMPARE(m_browser->cboURL->currentText(), dead);

    // The next good page clears it.
    QVERIFY(load(url("/two.html")));
    QCOMPARE(m_browser->PageURL(), url("/two.html"));
}

void TestBrowser::popupsBlockedThenAllowed()
{
    const QString open = QStringLiteral("window.open('%1')").arg(url("/two.html"));
    QVERIFY(load(url("/one.html")));
    m_browser->popupNotice->setInterval(400);
    m_browser->brw->page()->runJavaScript(open);
    QTRY_COMPARE_WITH_TIMEOUT(m_browser->chkPopup->text(), QStringLiteral("Disabled!"), kWaitMs);
    QVERIFY(m_browser->chkPopup->font().bold());
    QCOMPARE(m_browser->chkPopup->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QVERIFY(m_browser->popupWindows().isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(m_browser->chkPopup->text(), QStringLiteral("Disable Pop-Ups"),
                              kWaitMs);
    QVERIFY(!m_browser->chkPopup->font().bold());

    // Unticking stores "0" at once and the next window opens.
    QTest::mouseClick(m_browser->chkPopup, Qt::LeftButton, {},
                      QPoint(8, m_browser->chkPopup->height() / 2));
    QVERIFY(!m_browser->chkPopup->isChecked());
    QCOMPARE(GetSetting(QStringLiteral("BrowseSettings"), QStringLiteral("Popups")),
             QStringLiteral("0"));
    m_browser->brw->page()->runJavaScript(open);
    QTRY_COMPARE_WITH_TIMEOUT(m_browser->popupWindows().size(), 1, kWaitMs);
    QWebEngineView *popup = m_browser->popupWindows().constFirst();
    QTRY_COMPARE_WITH_TIMEOUT(popup->title(), QStringLiteral("Page Two"), kWaitMs);
    QCOMPARE(m_browser->chkPopup->text(), QStringLiteral("Disable Pop-Ups"));
    delete popup;

    QTest::mouseClick(m_browser->chkPopup, Qt::LeftButton, {},
                      QPoint(8, m_browser->chkPopup->height() / 2));
    QCOMPARE(GetSetting(QStringLiteral("BrowseSettings"), QStringLiteral("Popups")),
             QStringLiteral("1"));
    m_browser->popupNotice->setInterval(3000);
}

void TestBrowser::menuEventsCarryThePage()
{
    QVERIFY(load(url("/one.html")));
    QSignalSpy imports(m_browser.get(), &ctlBrowser::DirectImport);
    QSignalSpy adds(m_browser.get(), &ctlBrowser::AddFavorite);
    QSignalSpy favourites(m_browser.get(), &ctlBrowser::ShowFavorites);
    m_browser->mnuDirectImport->trigger();
    QCOMPARE(imports.count(), 1);
    QCOMPARE(imports.at(0).at(0).toString(), url("/one.html"));
    QCOMPARE(imports.at(0).at(1).toString(), QStringLiteral("Page One"));
    QVERIFY(imports.at(0).at(2).toString().startsWith(QStringLiteral("One next")));
    m_browser->mnuAddURL->trigger();
    QCOMPARE(adds.count(), 1);
    m_browser->button(QStringLiteral("Favorites"))->trigger();
    QCOMPARE(favourites.count(), 1);
    QCOMPARE(m_browser->button(QStringLiteral("AddFav"))->menu(), m_browser->mnuHidden);
}

QTEST_MAIN(TestBrowser)
#include "tst_browser.moc"
