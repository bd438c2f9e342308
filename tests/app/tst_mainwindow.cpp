#include "errorlog.h"
#include "frmMain.h"
#include "modADO.h"
#include "modMain.h"
#include "settings.h"
#include "testsupport.h"
#include "twips.h"

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QtTest>

using lc::ui::Answer;
using lc::ui::Icon;
using lc::ui::ScriptedUi;
using Pane = frmMain::Pane;

namespace {
const QString kConnectError = QStringLiteral("There is a database connection error.");

// A main window as the entry routine makes it: loaded, shown, activated once.
struct Started {
    frmMain form;
    explicit Started(QSize size = QSize(900, 700))
    {
        form.resize(size);
        SetMainForm(&form);
        form.Form_Load();
        form.show();
        QCoreApplication::processEvents();
        form.Form_Activate();
    }
    ~Started() { SetMainForm(nullptr); }
};

// Real message boxes run a nested event loop; these let pending events run the same way.
class EventRunningUi : public ScriptedUi {
public:
    Answer messageBox(const QString &text, const QString &title, lc::ui::Buttons buttons,
                      Icon icon) override
    {
        const Answer answer = ScriptedUi::messageBox(text, title, buttons, icon);
        QCoreApplication::processEvents();
        return answer;
    }
};

void sendActivate(QWidget &window)
{
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(&window, &activate);
}
} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { lc::twips::setPixelsPerInchForTesting(96); }
    void cleanup()
    {
        gConn = lc::db::Connection();
        gDBPath.clear();
        gDBName.clear();
    }

    void databaseNames_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << "lorecase.mdb"
                               << "lorecase";
        QTest::newRow("dots") << "my.games.mdb"
                              << "my.games";
        QTest::newRow("twice") << "a.mdb.mdb"
                               << "a";
    }
    void databaseNames()
    {
        QFETCH(QString, file);
        QFETCH(QString, name);
        TestHome home;
        QVERIFY(QFile::copy(home.dbPath(), home.file(file)) || file == "lorecase.mdb");
        QVERIFY(Connect(home.file(file)));
        QVERIFY(gConn.isOpen());
        QCOMPARE(gDBPath, home.file(file));
        QCOMPARE(gDBName, name);
        QVERIFY(home.ui().calls.isEmpty());
    }

    void badDatabasesAreLoggedAndShown_data()
    {
        QTest::addColumn<QByteArray>("content"); // empty name: no file at all
        QTest::addColumn<bool>("exists");
        QTest::newRow("missing") << QByteArray() << false;
        QTest::newRow("empty") << QByteArray() << true;
        QTest::newRow("text") << QByteArray("this is not a database\r\n") << true;
        QTest::newRow("garbage") << QByteArray(8192, '\xA5') << true;
    }
    void badDatabasesAreLoggedAndShown()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, exists);
        TestHome home(TestHome::Db::None);
        if (exists)
            home.write(QStringLiteral("lorecase.mdb"), content);
        QVERIFY(!Connect(home.dbPath()));
        QVERIFY(!gConn.isOpen());
        const auto boxes = home.ui().callsOf(ScriptedUi::Kind::Message);
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].title, QStringLiteral("modADO Error"));
        QVERIFY(boxes[0].text.startsWith(QStringLiteral("Connect Error: ")));
        QCOMPARE(boxes[0].icon, Icon::Critical);
        const QByteArray log = home.read(QStringLiteral("error.log"));
        QVERIFY(log.startsWith("  Module = modADO\r\n  Source = Connect\r\n  Number = "));
        if (exists) // a failed open never changes the user's file
            QCOMPARE(home.read(QStringLiteral("lorecase.mdb")), content);
    }

    void truncatedDatabaseIsRefused()
    {
        TestHome home(TestHome::Db::Sample);
        QByteArray bytes = home.read(QStringLiteral("lorecase.mdb"));
        QVERIFY(bytes.size() > 8192);
        home.write(QStringLiteral("cut.mdb"), bytes.left(bytes.size() / 2));
        QVERIFY(!Connect(home.file(QStringLiteral("cut.mdb"))));
    }

    void failedSwitchKeepsTheOpenDatabase()
    {
        TestHome home;
        QVERIFY(Connect(home.dbPath()));
        QVERIFY(!Connect(home.file(QStringLiteral("nothing.mdb"))));
        QVERIFY(gConn.isOpen());
        QCOMPARE(gDBPath, home.dbPath());
        QCOMPARE(gDBName, QStringLiteral("lorecase"));
    }

    void logErrorWithoutAnErrorDoesNothing()
    {
        TestHome home(TestHome::Db::None);
        LogError(QStringLiteral("frmMain"), QStringLiteral("x"), {}, true);
        QVERIFY(home.ui().calls.isEmpty());
        QVERIFY(!QFile::exists(home.file(QStringLiteral("error.log"))));
        home.ui().waitCursor = true;
        LogError(QStringLiteral("ctlView"), QStringLiteral("SelectFirst"), {5, "d"}, false);
        QVERIFY(home.ui().calls.isEmpty());
        QVERIFY(!home.ui().waitCursor);
        QVERIFY(home.read(QStringLiteral("error.log")).startsWith("  Module = ctlView\r\n"));
    }

    void unwritableLogStillTellsTheUser()
    {
        TestHome home(TestHome::Db::None);
        QVERIFY(QDir().mkdir(home.file(QStringLiteral("error.log")))); // cannot be opened as a file
        lc::settings::SaveSetting("Settings", "FirstRun", "1");
        Started s;
        QCOMPARE(home.ui().messages().size(), 2);
        QCOMPARE(home.ui().messages().at(1), kConnectError);
        QVERIFY(s.form.activated());
    }

    void firstStart()
    {
        TestHome home;
        Started s;
        QVERIFY(s.form.activated());
        QCOMPARE(home.read(QStringLiteral("error.log")),
                 lc::errorlog::bannerText(lc::errorlog::programInfo()));
        QVERIFY(gConn.isOpen());
        QCOMPARE(s.form.windowTitle(), QStringLiteral("Lorecase - [lorecase] - Files"));
        QCOMPARE(s.form.captionLabel()->text(), QStringLiteral("Lorecase"));
        QCOMPARE(lc::settings::GetSetting("Settings", "FirstRun", "0"), QStringLiteral("1"));
        const auto help = home.ui().callsOf(ScriptedUi::Kind::Help);
        QCOMPARE(help.size(), 1);
        QCOMPARE(help[0].text, home.file(QStringLiteral("Lcase.hlp")));
        QVERIFY(home.ui().messages().isEmpty());
        QVERIFY(QFileInfo(home.file(QStringLiteral("QuickClip"))).isDir());
        // The tip of the day comes last, after the help.
        const auto modal = home.ui().callsOf(ScriptedUi::Kind::Modal);
        QCOMPARE(modal.size(), 1);
        QCOMPARE(modal[0].extra, QStringLiteral("frmTips"));
        QVERIFY(home.ui().calls.last().kind == ScriptedUi::Kind::Modal);

        // Activation happens once per start.
        s.form.Form_Activate();
        QCOMPARE(home.ui().callsOf(ScriptedUi::Kind::Help).size(), 1);
    }

    void laterStartAddsNothingToTheLog()
    {
        TestHome home;
        lc::settings::SaveSetting("Settings", "FirstRun", "1");
        home.write(QStringLiteral("error.log"), "old\r\n");
        Started s;
        QCOMPARE(home.read(QStringLiteral("error.log")), QByteArray("old\r\n"));
        QVERIFY(home.ui().callsOf(ScriptedUi::Kind::Help).isEmpty());
    }

    void tipsFollowTheSetting()
    {
        TestHome home;
        lc::settings::SaveSetting("Settings", "FirstRun", "1");
        lc::settings::SaveSetting("Settings", "TOD", "0");
        Started s;
        QVERIFY(home.ui().callsOf(ScriptedUi::Kind::Modal).isEmpty());
        // The Help menu shows them anyway; unticking the box and OK stores "0", ticking "1".
        home.ui().modalHandlers.enqueue([](QDialog &d) {
            d.findChild<QCheckBox *>(QStringLiteral("chkLoadTipsAtStartup"))->setChecked(true);
            d.findChild<QPushButton *>(QStringLiteral("cmdOK"))->click();
            return 1;
        });
        s.form.menus().mnuTips->trigger();
        QCOMPARE(lc::settings::GetSetting("Settings", "TOD", ""), QStringLiteral("1"));
        // Closing with the close box leaves the setting alone.
        lc::settings::SaveSetting("Settings", "TOD", "0");
        s.form.menus().mnuTips->trigger();
        QCOMPARE(lc::settings::GetSetting("Settings", "TOD", ""), QStringLiteral("0"));
    }

    void failingHelpShowsItsDescription()
    {
        TestHome home;
        home.ui().helpSucceeds = false;
        Started s;
        const auto boxes = home.ui().callsOf(ScriptedUi::Kind::Message);
        QCOMPARE(boxes.size(), 1);
        QVERIFY(boxes[0].text.contains(QStringLiteral("Lcase.hlp")));
        QCOMPARE(boxes[0].icon, Icon::None);
    }

    void brokenDatabaseAtStartKeepsRunning()
    {
        TestHome home(TestHome::Db::None);
        lc::settings::SaveSetting("Settings", "FirstRun", "1");
        home.write(QStringLiteral("lorecase.mdb"), "garbage");
        Started s;
        const QStringList msgs = home.ui().messages();
        QCOMPARE(msgs.size(), 2);
        QVERIFY(msgs[0].startsWith(QStringLiteral("Connect Error: ")));
        QCOMPARE(msgs[1], kConnectError);
        QCOMPARE(home.ui().calls[1].icon, Icon::Critical);
        QCOMPARE(home.ui().calls[1].title, QStringLiteral("Lorecase"));
        QVERIFY(s.form.activated());
        QCOMPARE(s.form.windowTitle(), QStringLiteral("Lorecase"));
        const QByteArray log = home.read(QStringLiteral("error.log"));
        QVERIFY(log.startsWith(lc::errorlog::bannerText(lc::errorlog::programInfo())));
        QVERIFY(log.contains("  Module = modADO\r\n  Source = Connect\r\n"));
        QVERIFY(s.form.isVisible());
    }

    void startUpRunsOnceWhileBoxesRunEvents()
    {
        TestHome home(TestHome::Db::None);
        lc::settings::SaveSetting("Settings", "FirstRun", "1");
        lc::settings::SaveSetting("Settings", "TOD", "0");
        home.write(QStringLiteral("lorecase.mdb"), "garbage");
        auto owned = std::make_unique<EventRunningUi>();
        EventRunningUi &ui = *owned;
        lc::ui::setService(std::move(owned));
        frmMain form;
        SetMainForm(&form);
        form.Form_Load();
        form.show();        // queues the first activation ...
        sendActivate(form); // ... and the window manager's activation queues another
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
        SetMainForm(nullptr);
        QVERIFY(form.activated());
        QCOMPARE(ui.messages().size(), 2);
        QCOMPARE(ui.messages().at(1), kConnectError);
        QCOMPARE(home.read(QStringLiteral("error.log")).count("  Source = Connect\r\n"), 1);
    }

    void captionLook()
    {
        QLabel label;
        SetCaptionActive(&label, true);
        QCOMPARE(label.palette().color(QPalette::Window), QColor(Qt::black));
        QCOMPARE(label.palette().color(QPalette::WindowText), QColor(Qt::white));
        SetCaptionActive(&label, false);
        const QPalette sys = QApplication::palette();
        QCOMPARE(label.palette().color(QPalette::Window), sys.color(QPalette::Dark));
        QCOMPARE(label.palette().color(QPalette::WindowText), sys.color(QPalette::Button));

        // Back from another window, the main window gives its own caption the active look.
        TestHome home;
        Started s;
        SetCaptionActive(s.form.captionLabel(), false);
        sendActivate(s.form);
        QCOMPARE(s.form.captionLabel()->palette().color(QPalette::Window), QColor(Qt::black));
    }

    void standardShortcuts_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<int>("key");
        QTest::newRow("open") << "mnuFileConnect" << int(QKeySequence::Open);
        QTest::newRow("print") << "mnuFilePrint" << int(QKeySequence::Print);
        QTest::newRow("quit") << "mnuFileExit" << int(QKeySequence::Quit);
        QTest::newRow("find") << "mnuSearchLorecase" << int(QKeySequence::Find);
        QTest::newRow("options") << "mnuToolsOptions" << int(QKeySequence::Preferences);
        QTest::newRow("help") << "mnuHelpContents" << int(QKeySequence::HelpContents);
    }
    void standardShortcuts()
    {
        QFETCH(QString, item);
        QFETCH(int, key);
        TestHome home;
        frmMain form;
        auto *a = form.findChild<QAction *>(item);
        QVERIFY(a);
        QCOMPARE(a->shortcut(), QKeySequence(QKeySequence::StandardKey(key)));
    }

    void f1OpensTheHelp()
    {
        TestHome home;
        Started s;
        home.write(QStringLiteral("Lcase.hlp"), "<html></html>");
        home.ui().calls.clear();
        QApplication::setActiveWindow(&s.form);
        QVERIFY(QTest::qWaitForWindowActive(&s.form));
        QTest::keyClick(&s.form, Qt::Key_F1);
        const auto help = home.ui().callsOf(ScriptedUi::Kind::Help);
        QCOMPARE(help.size(), 1);
        QCOMPARE(help[0].title, QStringLiteral("15"));
    }

    void menusArePresentAndCaptioned()
    {
        TestHome home;
        frmMain form;
        const QStringList tops = {"&File", "&Edit", "&View", "&Tools", "&Help"};
        QStringList seen;
        for (QAction *a : form.menuBar()->actions())
            seen << a->text();
        QCOMPARE(seen, tops);
        const QList<QPair<const char *, const char *>> items = {
            {"mnuFileConnect", "&Open Lorecase"},
            {"mnuFilePrint", "&Print"},
            {"mnuFileExit", "E&xit"},
            {"mnuMaintPlatforms", "&Platforms"},
            {"mnuSearchLorecase", "&Find..."},
            {"mnuViewTop", "&Title"},
            {"mnuViewLeft", "Book T&ree"},
            {"mnuViewBottom", "&Details"},
            {"mnuViewQuickClip", "&Quick Clip Viewer"},
            {"mnuToolsOptions", "&Options..."},
            {"mnuHelpContents", "&Contents"},
            {"mnuHelpSearch", "&Search For Help On..."},
            {"mnuTips", "Tip Of The &Day"},
            {"mnuHelpUpdate", "Check For &Updates..."},
            {"mnuLCSupport", "&Online Support"},
            {"mnuHelpAbout", "&About Lorecase..."}};
        for (const auto &[name, caption] : items) {
            auto *a = form.findChild<QAction *>(QString::fromLatin1(name));
            QVERIFY2(a, name);
            QCOMPARE(a->text(), QString::fromUtf8(caption));
        }
        QVERIFY(form.menus().mnuViewLeft->isCheckable() && form.menus().mnuViewLeft->isChecked());
        QVERIFY(form.findChild<QWidget *>(QStringLiteral("picToolBar")));
        QVERIFY(form.findChild<QLabel *>(QStringLiteral("lblCaption")));
    }

    void defaultLayout()
    {
        TestHome home;
        Started s;
        const int w = s.form.innerWidth(), h = s.form.innerHeight();
        QCOMPARE(s.form.paneTwips(Pane::Tree), QRect(0, 375, 3720, s.form.imgS2Top() - 375));
        QCOMPARE(s.form.paneTwips(Pane::View).left(), 3750);
        QCOMPARE(s.form.paneTwips(Pane::View).width(), w - 3750);
        QCOMPARE(s.form.paneTwips(Pane::Details).height(), 2295);
        QCOMPARE(s.form.paneTwips(Pane::Details).bottom() + 1, h);
        QCOMPARE(s.form.paneTwips(Pane::Details).width(), w);
    }

    void splitterDragsSnap()
    {
        TestHome home;
        Started s;
        const int w = s.form.innerWidth(), h = s.form.innerHeight();
        s.form.imgS1_MouseDown();
        QVERIFY(s.form.dragging());
        s.form.imgS1_MouseMove(200 - 3720);
        QCOMPARE(s.form.splitterBarPos(), 200);
        s.form.imgS1_MouseUp();
        QVERIFY(!s.form.dragging());
        QCOMPARE(s.form.imgS1Left(), 1000);

        s.form.imgS1_MouseDown();
        s.form.imgS1_MouseMove(w); // the bar stops at the window's edge
        QCOMPARE(s.form.splitterBarPos(), w);
        s.form.imgS1_MouseUp();
        QCOMPARE(s.form.imgS1Left(), w - 1000);

        s.form.imgS2_MouseDown();
        s.form.imgS2_MouseMove(500 - s.form.imgS2Top());
        s.form.imgS2_MouseUp();
        QCOMPARE(s.form.imgS2Top(), 970);

        s.form.imgS2_MouseDown();
        s.form.imgS2_MouseMove(h);
        s.form.imgS2_MouseUp();
        QCOMPARE(s.form.imgS2Top(), h - 970);
        QCOMPARE(s.form.paneTwips(Pane::Details).height(), 940);
    }

    void dragWithTheMouse()
    {
        TestHome home;
        Started s;
        auto *bar = s.form.findChild<QWidget *>(QStringLiteral("imgS1"));
        QVERIFY(bar && bar->isVisible());
        const QPoint start = bar->rect().center();
        QTest::mousePress(bar, Qt::LeftButton, {}, start);
        QMouseEvent move(QEvent::MouseMove, QPointF(start + QPoint(60, 0)),
                         QPointF(bar->mapToGlobal(start + QPoint(60, 0))), Qt::NoButton,
                         Qt::LeftButton, {});
        QApplication::sendEvent(bar, &move);
        QTest::mouseRelease(bar, Qt::LeftButton, {}, start + QPoint(60, 0));
        QCOMPARE(s.form.imgS1Left(), 3720 + 900); // 60 px at 96 dpi
    }

    void viewToggles()
    {
        TestHome home;
        Started s;
        const int w = s.form.innerWidth();
        s.form.menus().mnuViewLeft->trigger();
        QVERIFY(!s.form.pane(Pane::Tree)->isVisible());
        QCOMPARE(s.form.paneTwips(Pane::View).left(), 0);
        QCOMPARE(s.form.paneTwips(Pane::View).width(), w);
        s.form.menus().mnuViewLeft->trigger();
        QVERIFY(s.form.pane(Pane::Tree)->isVisible());

        s.form.menus().mnuViewBottom->trigger();
        QVERIFY(!s.form.pane(Pane::Details)->isVisible());
        QCOMPARE(s.form.paneTwips(Pane::View).bottom() + 1, s.form.innerHeight());

        s.form.menus().mnuViewTop->trigger();
        QCOMPARE(s.form.toolBarHeight(), 0);
        QCOMPARE(s.form.paneTwips(Pane::View).top(), 0);
        QCOMPARE(s.form.paneTwips(Pane::View).height(), s.form.innerHeight());
    }

    void resizingKeepsTheDetailsHeightAndTheMinimum()
    {
        TestHome home;
        Started s;
        for (int i = 0; i < 10; ++i) {
            s.form.resize(900 + 10 * i, 700 + 10 * i);
            QCoreApplication::processEvents();
        }
        QCOMPARE(s.form.paneTwips(Pane::Details).height(), 2295);
        s.form.resize(100, 100);
        QCoreApplication::processEvents();
        QVERIFY(s.form.width() >= 600 && s.form.height() >= 420); // 9000 x 6300 twips
    }

    void savedLayoutNeedsTheOption()
    {
        TestHome home;
        lc::settings::SaveSetting("Layout", "imgs1Left", "5000");
        lc::settings::SaveSetting("Layout", "ctlTree", "False");
        {
            Started s;
            QCOMPARE(s.form.imgS1Left(), 3720);
            QVERIFY(s.form.pane(Pane::Tree)->isVisible());
        }
        lc::settings::SaveSetting("Options", "AppLayout", "1");
        Started s;
        QCOMPARE(s.form.imgS1Left(), 5000);
        QVERIFY(!s.form.pane(Pane::Tree)->isVisible());
        QVERIFY(!s.form.menus().mnuViewLeft->isChecked());
    }

    void savedLayoutIsClamped()
    {
        TestHome home;
        lc::settings::SaveSetting("Options", "AppLayout", "1");
        lc::settings::SaveSetting("Layout", "imgs1Left", "-400");
        lc::settings::SaveSetting("Layout", "imgs2Top", "99999999");
        lc::settings::SaveSetting("Layout", "DetailHeight", "junk");
        Started s;
        QCOMPARE(s.form.imgS1Left(), 1000);
        QVERIFY(s.form.imgS2Top() <= s.form.innerHeight() - 970);
        QVERIFY(s.form.paneTwips(Pane::Details).height() >= 940);
    }

    void shutDownWritesTheLayoutInOrder()
    {
        TestHome home;
        home.write(QStringLiteral("~clp.tmp"), "x"); // one byte: not a clip
        QStringList writes;
        Started s;
        lc::settings::setWriteObserver(
            [&](const QString &sec, const QString &key, const QString &v) {
                writes << sec + u'/' + key + u'=' + v;
            });
        s.form.menus().mnuViewLeft->trigger();
        QVERIFY(s.form.close());
        QVERIFY(home.ui().messages().isEmpty());
        QCOMPARE(writes.size(), 6);
        QCOMPARE(writes[0], QStringLiteral("Layout/ctlTree=False"));
        QCOMPARE(writes[1], QStringLiteral("Layout/Detail=True"));
        QCOMPARE(writes[2], QStringLiteral("Layout/imgs1Left=3720"));
        QCOMPARE(writes[3], QStringLiteral("Layout/imgs2Top=%1").arg(s.form.imgS2Top()));
        QCOMPARE(writes[4], QStringLiteral("Layout/DetailHeight=2295"));
        QCOMPARE(writes[5], QStringLiteral("Tree/SearchText=Search..."));
        QVERIFY(!QFile::exists(home.file(QStringLiteral("~clp.tmp"))));
    }

    void unsavedClipsQuestion_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<bool>("scratchLeft");
        QTest::addColumn<int>("second"); // answer to "still not saved", -1: not asked
        QTest::newRow("cancel") << int(Answer::Cancel) << false << true << -1;
        QTest::newRow("no") << int(Answer::No) << true << false << -1;
        QTest::newRow("yes, then keep") << int(Answer::Yes) << false << true << int(Answer::No);
        QTest::newRow("yes, then delete") << int(Answer::Yes) << true << false << int(Answer::Yes);
    }
    void unsavedClipsQuestion()
    {
        QFETCH(int, answer);
        QFETCH(bool, closes);
        QFETCH(bool, scratchLeft);
        QFETCH(int, second);
        TestHome home;
        Started s;
        home.write(QStringLiteral("~clp.tmp"), "t\r\n");
        home.ui().answers.enqueue(Answer(answer));
        if (second >= 0)
            home.ui().answers.enqueue(Answer(second));
        QCOMPARE(s.form.close(), closes);
        const auto boxes = home.ui().callsOf(ScriptedUi::Kind::Message);
        QCOMPARE(boxes.size(), second >= 0 ? 2 : 1);
        if (second >= 0)
            QCOMPARE(home.ui().callsOf(ScriptedUi::Kind::Modal).last().extra,
                     QStringLiteral("frmClip"));
        QCOMPARE(boxes[0].text, QStringLiteral("You have unsaved Quick Clips.  Do you wish to "
                                               "save them before you exit?"));
        QCOMPARE(boxes[0].buttons, lc::ui::Buttons::YesNoCancel);
        QCOMPARE(boxes[0].icon, Icon::Exclamation);
        QCOMPARE(QFile::exists(home.file(QStringLiteral("~clp.tmp"))), scratchLeft);
        QCOMPARE(s.form.isVisible(), !closes);
        QCOMPARE(lc::settings::GetSetting("Layout", "imgs1Left", ""),
                 closes ? QStringLiteral("3720") : QString());
    }

    void openAnotherDatabase()
    {
        TestHome home;
        Started s;
        QVERIFY(QFile::copy(home.dbPath(), home.file(QStringLiteral("other.games.mdb"))));
        home.ui().files.enqueue(home.dbPath()); // the open one: nothing happens
        s.form.menus().mnuFileConnect->trigger();
        QCOMPARE(gDBName, QStringLiteral("lorecase"));
        home.ui().files.enqueue(home.file(QStringLiteral("other.games.mdb")));
        s.form.menus().mnuFileConnect->trigger();
        QCOMPARE(gDBName, QStringLiteral("other.games"));
        QCOMPARE(s.form.windowTitle(), QStringLiteral("Lorecase - [other.games] - Files"));
        const auto opens = home.ui().callsOf(ScriptedUi::Kind::Open);
        QCOMPARE(opens.size(), 2);
        QCOMPARE(opens[0].text, QStringLiteral("Select Lorecase..."));
        QCOMPARE(opens[0].title, QStringLiteral("MDB Files *.mdb|*.mdb"));
        s.form.menus().mnuFileConnect->trigger(); // cancelled dialog
        QCOMPARE(gDBName, QStringLiteral("other.games"));
    }

    void helpAndUpdaterCommands()
    {
        TestHome home;
        Started s;
        home.ui().calls.clear();
        s.form.menus().mnuHelpContents->trigger(); // no help file in the test folder
        QCOMPARE(home.ui().messages(),
                 QStringList{"Unable to display Help Contents. The Help file is missing."});
        home.write(QStringLiteral("Lcase.hlp"), "<html></html>");
        s.form.menus().mnuHelpSearch->trigger();
        const auto help = home.ui().callsOf(ScriptedUi::Kind::Help);
        QCOMPARE(help.size(), 1);
        QCOMPARE(help[0].title, QStringLiteral("261"));

        home.ui().calls.clear();
        s.form.menus().mnuHelpUpdate->trigger();
        QCOMPARE(home.ui().messages(),
                 QStringList{"The Lorecase Updater has been moved or is missing."});
        QVERIFY(!QFile::exists(home.file(QStringLiteral("~udtmp.tmp"))));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
