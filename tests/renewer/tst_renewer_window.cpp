#include "clsProgressBar.h"
#include "frmMain.h"
#include "handover.h"
#include "httpserver.h"
#include "modInstall.h"
#include "modProcess.h"
#include "settings.h"
#include "testsupport.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QtTest>

#include <csignal>
#include <memory>

using lc::ui::ScriptedUi;
using renewer::frmMain;
using Picture = renewer::frmMain::Picture;

namespace {
const QByteArray kHandOver = "APP:Lorecase\r\nMAJ:1\r\nMIN:1\r\nREV:5\r\n";
const QByteArray kVersionPath = "/downloads/sftudate.tmp";

QByteArray block(const QByteArray &version, const QByteArray &items = {})
{
    return "APP:Other1\r\nVER:9.9.9\r\n..........\r\nAPP:Lorecase1\r\nAPP:Lorecase\r\nVER:" +
           version + "\r\n" + items + "MSG:Better in every way.\r\n..........\r\n";
}

// A program folder holding the hand-over file, a scripted server the settings point at, and
// the updater window as the program starts it.
struct Updater {
    TestHome home{TestHome::Db::None};
    ScriptedHttpServer server;
    QMap<QByteArray, QByteArray> files;
    // What the window said at the moment each file was asked for.
    QStringList statusAtRequest;
    std::unique_ptr<frmMain> form;

    explicit Updater(const QByteArray &versionFile = block("1.2.0"))
    {
        lc::settings::SaveSetting("Updater", "Server", server.base());
        home.write("~udtmp.tmp", kHandOver);
        if (!versionFile.isNull())
            files.insert(kVersionPath, versionFile);
        server.handler = [this](const HttpRequest &request) {
            if (form)
                statusAtRequest << form->lblStatus->text() + '|' + form->lblErrMsg->text();
            return ScriptedHttpServer::files(files)(request);
        };
    }
    frmMain &start()
    {
        form = std::make_unique<frmMain>();
        form->Form_Activate();
        return *form;
    }
    QString status() const { return form->lblStatus->text(); }
    QStringList targets() const
    {
        QStringList out;
        for (const auto &r : server.requests)
            out << QString::fromLatin1(r.target);
        return out;
    }
    // Every file in the program folder and below, with its contents.
    QMap<QString, QByteArray> snapshot() const
    {
        QMap<QString, QByteArray> out;
        QDirIterator it(home.dir(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            if (path.startsWith(home.dir() + "settings/"))
                continue; // the test's own settings store
            QFile f(path);
            f.open(QIODevice::ReadOnly);
            out.insert(path.mid(home.dir().size()), f.readAll());
        }
        return out;
    }
};

void ignoreTerminate()
{
    ::signal(SIGTERM, SIG_IGN);
}
} // namespace

// The updater window: start-up, the check and its results, and installing an update.
class TestRenewerWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startUpReadsTheHandOverAndChecks()
    {
        Updater u(block("1.1.5"));
        frmMain &form = u.start();
        QCOMPARE(form.lblCaption->text(), QStringLiteral("Lorecase Updater"));
        QCOMPARE(form.localInfo().version(), QStringLiteral("1.1.5"));
        QVERIFY(!QFile::exists(u.home.file("~udtmp.tmp")));
        QCOMPARE(u.targets(), QStringList{"/downloads/sftudate.tmp"});
        QCOMPARE(u.server.requests.first().header("Range"), QByteArray("bytes=0-"));
        QCOMPARE(u.statusAtRequest, QStringList{" Checking Server...|"});
        QVERIFY(form.windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(form.size(), QSize(357, 180));
        // A second activation checks nothing again.
        form.Form_Activate();
        QCOMPARE(u.server.requests.size(), 1);
    }

    void unreadableHandOver_data()
    {
        QTest::addColumn<QByteArray>("handOver"); // null: no file at all
        QTest::addColumn<QString>("problem");
        const QString damaged = QStringLiteral("is incomplete or damaged.");
        QTest::newRow("missing") << QByteArray() << "was not found.";
        QTest::newRow("incomplete") << QByteArray("APP:Lorecase\r\nMAJ:1\r\n") << damaged;
        QTest::newRow("garbage") << QByteArray("\x01\x02 nothing here") << damaged;
    }
    void unreadableHandOver()
    {
        QFETCH(QByteArray, handOver);
        QFETCH(QString, problem);
        Updater u;
        QFile::remove(u.home.file("~udtmp.tmp"));
        if (!handOver.isNull())
            u.home.write("~udtmp.tmp", handOver);
        frmMain &form = u.start();
        QCOMPARE(form.shownPicture(), Picture::Error);
        QCOMPARE(u.status(), QStringLiteral(" Error:"));
        // The program's hand-over is to blame, not the server.
        QCOMPARE(form.messageText(),
                 "The hand-over file \"~udtmp.tmp\" from the program " + problem +
                     "  Please close the updater and start it again with \"Check For "
                     "Updates...\" in the Help menu.");
        QVERIFY(form.lblCaption->text().isEmpty());
        QVERIFY(u.server.requests.isEmpty());
        QVERIFY(!QFile::exists(u.home.file("~udtmp.tmp")));
    }

    void checkResults_data()
    {
        QTest::addColumn<QByteArray>("versionFile");
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("picture");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("current"); // the server version the notes show; empty: none
        const QString none = QStringLiteral(" There are no updates available.");
        const QString minor = QStringLiteral(" There is a minor update available.");
        const QString revision = QStringLiteral(" There is a revision update available.");
        QTest::newRow("no block for this program") << QByteArray("APP:Other1\r\nVER:1.9.0\r\n")
                                                   << none << int(Picture::No) << "OK" << QString();
        QTest::newRow("block of another major version")
            << QByteArray("APP:Lorecase2\r\nVER:2.9.0\r\n") << none << int(Picture::No) << "OK"
            << QString();
        QTest::newRow("same version")
            << block("1.1.5") << none << int(Picture::No) << "OK" << QString();
        QTest::newRow("major only")
            << block("2.0.0") << none << int(Picture::No) << "OK" << QString();
        QTest::newRow("minor") << block("1.2.0") << minor << int(Picture::Yes) << "Update Now!"
                               << "1.2.0";
        QTest::newRow("revision") << block("1.1.6") << revision << int(Picture::Yes)
                                  << "Update Now!"
                                  << "1.1.6";
        QTest::newRow("two-part version")
            << block("1.3") << minor << int(Picture::Yes) << "Update Now!"
            << "1.3.0";
        QTest::newRow("no version file") << QByteArray() << " Error:  File Not Found."
                                         << int(Picture::Error) << "Check..." << QString();
    }
    void checkResults()
    {
        QFETCH(QByteArray, versionFile);
        QFETCH(QString, status);
        QFETCH(int, picture);
        QFETCH(QString, button);
        QFETCH(QString, current);
        Updater u(versionFile);
        frmMain &form = u.start();
        QCOMPARE(u.status(), status);
        QCOMPARE(int(form.shownPicture()), picture);
        QCOMPARE(form.cmdCommand1->text(), button);
        QVERIFY(form.cmdCommand1->isEnabled());
        QVERIFY(!form.txtMessage->isHidden());
        QVERIFY(u.home.ui().calls.isEmpty());
        const bool kept = QFile::exists(u.home.file("sftudate.tmp"));
        if (versionFile.isEmpty()) {
            QCOMPARE(form.messageText(),
                     "The file \"" + u.server.base() + "/downloads/sftudate.tmp\" was not found.");
            QVERIFY(!kept);
        } else if (current.isEmpty()) {
            QCOMPARE(form.messageText(), QStringLiteral("Your Version (1.1.5) is up to date."));
            QVERIFY(!kept); // nothing to do: the version file goes at once
        } else {
            QVERIFY(form.messageText().startsWith(
                "Your Version:      1.1.5\r\nCurrent Version: " + current + "\r\n"));
            QVERIFY(kept);
        }
    }

    void notesAreShownFromTheTop()
    {
        Updater u(block("1.2.0", "UFL:Lorecase|bin\r\nUFL:help.txt|docs|help\\\r\nNFL:a.dat|"
                                 "data\r\nNFL:b.dat|data\r\n"));
        frmMain &form = u.start();
        const QString rule(39, u'=');
        const QString expected =
            "Your Version:      1.1.5\r\nCurrent Version: 1.2.0\r\n\r\nUpdate Notes:\r\n" + rule +
            "\r\nBetter in every way.\r\n\r\n(NOTE: Please check the Lorecase support page for "
            "any manual updates.)\r\n\r\nFiles:\r\n" +
            rule +
            "\r\nUpdated File: Lorecase\r\nUpdated File: help.txt\r\nNew File: a.dat\r\nNew File: "
            "b.dat\r\n";
        QCOMPARE(form.messageText(), expected);
        QCOMPARE(form.txtMessage->toPlainText(), QString(expected).replace("\r\n", "\n"));
        QCOMPARE(form.txtMessage->textCursor().position(), 0);
        QVERIFY(form.txtMessage->isReadOnly());
    }

    void checkAgainAfterAFailure()
    {
        Updater u{QByteArray()};
        frmMain &form = u.start();
        QCOMPARE(u.status(), QStringLiteral(" Error:  File Not Found."));
        u.files.insert(kVersionPath, block("1.1.5"));
        form.cmdCommand1->click();
        QCOMPARE(u.statusAtRequest.last(), QStringLiteral(" Checking Server...|"));
        QCOMPARE(u.status(), QStringLiteral(" There are no updates available."));
        // The old error is replaced, not added to.
        QCOMPARE(form.messageText(), QStringLiteral("Your Version (1.1.5) is up to date."));
        QCOMPARE(form.cmdCommand1->text(), QStringLiteral("OK"));

        // A check that fails again leaves the button as the failed download set it.
        u.files.remove(kVersionPath);
        form.cmdCommand1->setText("Check...");
        form.cmdCommand1->click();
        QCOMPARE(u.status(), QStringLiteral(" Error:  File Not Found."));
        QVERIFY(!form.cmdCommand1->isEnabled());
    }

    void okAndCancelClose_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::newRow("OK") << false;
        QTest::newRow("Cancel") << true;
    }
    void okAndCancelClose()
    {
        QFETCH(bool, cancel);
        Updater u(block("1.1.5"));
        frmMain &form = u.start();
        u.home.write("sftudate.tmp", "left over");
        u.home.write("~udtmp.tmp", kHandOver);
        (cancel ? form.cmdCancel : form.cmdCommand1)->click();
        QVERIFY(form.isClosed());
        QVERIFY(!QFile::exists(u.home.file("sftudate.tmp")));
        QVERIFY(!QFile::exists(u.home.file("~udtmp.tmp")));
    }

    void updateInstallsNewAndUpdatedFiles()
    {
        Updater u(block("1.2.0", "UFL:help.txt|upd\r\nUFL:tips.txt|upd|data\\\r\n"
                                 "NFL:new.txt|extra|docs\\en\\\r\nNFL:top.dat|extra\r\n"));
        u.files.insert("/downloads/extra/new.txt", "new text");
        u.files.insert("/downloads/extra/top.dat", "top data");
        u.files.insert("/downloads/upd/help.txt", "help 2");
        u.files.insert("/downloads/upd/tips.txt", "tips 2");
        u.home.write("help.txt", "help 1");
        QVERIFY(QDir(u.home.dir()).mkpath("data"));
        u.home.write("data/tips.txt", "tips 1");
        u.home.write("keep.txt", "untouched");
        frmMain &form = u.start();
        QCOMPARE(form.cmdCommand1->text(), QStringLiteral("Update Now!"));
        form.cmdCommand1->click();

        QCOMPARE(u.targets(), (QStringList{"/downloads/sftudate.tmp", "/downloads/extra/new.txt",
                                           "/downloads/extra/top.dat", "/downloads/upd/help.txt",
                                           "/downloads/upd/tips.txt"}));
        QCOMPARE(u.statusAtRequest.mid(1),
                 (QStringList{" Downloading File 1 of 4...|Downloading \"new.txt\"",
                              " Downloading File 2 of 4...|Downloading \"top.dat\"",
                              " Downloading File 3 of 4...|Downloading \"help.txt\"",
                              " Downloading File 4 of 4...|Downloading \"tips.txt\""}));
        const QMap<QString, QByteArray> expected{{"help.txt", "help 2"},
                                                 {"data/tips.txt", "tips 2"},
                                                 {"docs/en/new.txt", "new text"},
                                                 {"top.dat", "top data"},
                                                 {"keep.txt", "untouched"}};
        QCOMPARE(u.snapshot(), expected);
        // Nothing was started; the window says it is done and closes on OK.
        QVERIFY(u.home.ui().callsOf(ScriptedUi::Kind::Shell).isEmpty());
        QVERIFY(!form.isClosed());
        QCOMPARE(u.status(), QStringLiteral(" Update completed!"));
        QCOMPARE(form.shownPicture(), Picture::Yes);
        QCOMPARE(form.messageText(),
                 QStringLiteral("The update to version 1.2.0 has been installed."));
        QVERIFY(form.lblErrMsg->text().isEmpty());
        QCOMPARE(form.cmdCommand1->text(), QStringLiteral("OK"));
        form.cmdCommand1->click();
        QVERIFY(form.isClosed());
    }

    void hostileFileListWritesNothing_data()
    {
        QTest::addColumn<QByteArray>("items");
        QTest::addColumn<QString>("refused");
        QTest::newRow("climbing name after a good one")
            << QByteArray("NFL:fine.txt|x\r\nUFL:..\\..\\evil.txt|x\r\n") << "..\\..\\evil.txt|x";
        QTest::newRow("absolute subfolder")
            << QByteArray("UFL:fine.txt|x\r\nNFL:evil.txt|x|/etc/\r\n") << "evil.txt|x|/etc/";
        QTest::newRow("climbing subfolder")
            << QByteArray("NFL:evil.txt|x|docs\\..\\..\\\r\n") << "evil.txt|x|docs\\..\\..\\";
    }
    void hostileFileListWritesNothing()
    {
        QFETCH(QByteArray, items);
        QFETCH(QString, refused);
        Updater u(block("1.2.0", items));
        u.files.insert("/downloads/x/fine.txt", "fine");
        u.files.insert("/downloads/x/evil.txt", "evil");
        u.home.write("fine.txt", "old fine");
        frmMain &form = u.start();
        const auto before = u.snapshot();
        form.cmdCommand1->click();
        QCOMPARE(u.targets(), QStringList{"/downloads/sftudate.tmp"});
        QCOMPARE(u.snapshot(), before);
        QCOMPARE(u.status(), QStringLiteral(" Critical Error..."));
        QCOMPARE(form.messageText(),
                 "Update has been aborted!\r\nThe update lists a file outside the program "
                 "folder: \"" +
                     refused + "\"");
        QCOMPARE(form.cmdCommand1->text(), QStringLiteral("OK"));
        QVERIFY(form.cmdCommand1->isEnabled());
        QVERIFY(!form.isClosed());
        QCOMPARE(form.shownPicture(), Picture::Error);
    }

    // Refused before anything is fetched: whatever the server lists, these stay as they are.
    void refusedTargets_data()
    {
        QTest::addColumn<QByteArray>("items");
        QTest::addColumn<QString>("reason");
        const QString own = QStringLiteral("\", which holds your own data and is never replaced "
                                           "by an update.");
        const QString folder = QStringLiteral("The update lists a folder as a file: \"");
        QTest::newRow("the collection as a new file")
            << QByteArray("NFL:fine.txt|x\r\nNFL:lorecase.mdb|x\r\n")
            << "The update lists \"lorecase.mdb" + own;
        QTest::newRow("its journal, in other case") << QByteArray("UFL:LoreCase.MDB-wal|x\r\n")
                                                    << "The update lists \"LoreCase.MDB-wal" + own;
        QTest::newRow("the error log")
            << QByteArray("UFL:error.log|x\r\n") << "The update lists \"error.log" + own;
        QTest::newRow("a Quick Clip file") << QByteArray("NFL:mine.qcf|x|QuickClip\\\r\n")
                                           << "The update lists \"QuickClip/mine.qcf" + own;
        QTest::newRow("the Quick Clip folder")
            << QByteArray("NFL:QuickClip|x\r\n") << "The update lists \"QuickClip" + own;
        QTest::newRow("the hand-over file")
            << QByteArray("NFL:~udtmp.tmp|x\r\n")
            << "The update lists \"~udtmp.tmp\", a working file of the updater.";
        QTest::newRow("a folder as an updated file")
            << QByteArray("UFL:docs|x\r\n") << folder + "docs\"";
        QTest::newRow("a file that another item needs as its folder")
            << QByteArray("NFL:plan|x\r\nNFL:a.txt|x|plan\\\r\n") << folder + "plan\"";
        QTest::newRow("the same file twice")
            << QByteArray("NFL:fine.txt|x\r\nUFL:fine.txt|y\r\n")
            << "The update lists the same file twice: \"fine.txt\"";
    }
    void refusedTargets()
    {
        QFETCH(QByteArray, items);
        QFETCH(QString, reason);
        Updater u(block("1.2.0", items));
        u.home.write("lorecase.mdb", "my collection");
        u.home.write("fine.txt", "old fine");
        QVERIFY(QDir(u.home.dir()).mkpath("docs"));
        u.home.write("docs/guide.txt", "guide");
        frmMain &form = u.start();
        const auto before = u.snapshot();
        form.cmdCommand1->click();
        QCOMPARE(u.targets(), QStringList{"/downloads/sftudate.tmp"});
        QCOMPARE(u.snapshot(), before);
        QVERIFY(!QFile::exists(u.home.file(renewer::backupName("docs"))));
        QCOMPARE(u.status(), QStringLiteral(" Critical Error..."));
        QCOMPARE(form.messageText(),
                 "Update has been aborted!\r\n" + QString(reason).replace('/', QDir::separator()));
        QCOMPARE(form.shownPicture(), Picture::Error);
        QCOMPARE(form.cmdCommand1->text(), QStringLiteral("OK"));
    }

    // Links are followed to where a write would really land; leaving the program folder, or
    // reaching the collection by another name, is refused before anything is fetched.
    void symlinks_data()
    {
        QTest::addColumn<QString>("link");   // made in the program folder
        QTest::addColumn<QString>("target"); // {out} outside, {home} the program folder
        QTest::addColumn<QByteArray>("items");
        QTest::addColumn<QString>("reason");
        const QString leads =
            QStringLiteral("The update lists a file that leads outside the program folder: \"");
        QTest::newRow("linked subfolder")
            << "sub"
            << "{out}" << QByteArray("NFL:evil.txt|x|sub\\\r\n") << leads + "sub/evil.txt\"";
        QTest::newRow("new file over a link")
            << "notes.txt"
            << "{out}victim.txt" << QByteArray("NFL:notes.txt|x\r\n") << leads + "notes.txt\"";
        QTest::newRow("updated file over a link")
            << "notes.txt"
            << "{out}victim.txt" << QByteArray("UFL:notes.txt|x\r\n") << leads + "notes.txt\"";
        QTest::newRow("link to nowhere")
            << "notes.txt"
            << "{out}missing/none.txt" << QByteArray("NFL:notes.txt|x\r\n")
            << leads + "notes.txt\"";
        QTest::newRow("the collection under another name")
            << "alias"
            << "{home}" << QByteArray("NFL:lorecase.mdb|x|alias\\\r\n")
            << "The update lists \"alias/lorecase.mdb\", which holds your own data and is never "
               "replaced by an update.";
    }
    void symlinks()
    {
        QFETCH(QString, link);
        QFETCH(QString, target);
        QFETCH(QByteArray, items);
        QFETCH(QString, reason);
        QTemporaryDir outside;
        QVERIFY(outside.isValid());
        QFile victim(outside.filePath("victim.txt"));
        QVERIFY(victim.open(QIODevice::WriteOnly));
        victim.write("outside");
        victim.close();
        Updater u(block("1.2.0", items));
        u.files.insert("/downloads/x/evil.txt", "evil");
        u.files.insert("/downloads/x/notes.txt", "evil");
        u.files.insert("/downloads/x/lorecase.mdb", "evil");
        u.home.write("lorecase.mdb", "my collection");
        target.replace("{out}", outside.path() + '/').replace("{home}", u.home.dir());
        QVERIFY(QFile::link(target, u.home.file(link)));
        frmMain &form = u.start();
        const auto before = u.snapshot();
        form.cmdCommand1->click();
        QCOMPARE(u.targets(), QStringList{"/downloads/sftudate.tmp"});
        QCOMPARE(u.snapshot(), before);
        QCOMPARE(QDir(outside.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{"victim.txt"});
        QCOMPARE(u.status(), QStringLiteral(" Critical Error..."));
        QCOMPARE(form.messageText(),
                 "Update has been aborted!\r\n" + QString(reason).replace('/', QDir::separator()));
    }

    // A file listed as new where one exists is fetched aside and replaces it only when
    // whole; a download the user gives up leaves it as it was and the window usable.
    void newFileOverAnExistingOne()
    {
        Updater u(block("1.2.0", "NFL:notes.txt|x\r\n"));
        u.home.write("notes.txt", "the user's notes");
        const QByteArray fresh(20000, 'n');
        bool cut = true;
        u.server.handler = [&](const HttpRequest &request) {
            if (request.target != "/downloads/x/notes.txt")
                return ScriptedHttpServer::files(u.files)(request);
            HttpAnswer a = ScriptedHttpServer::serve(fresh, request);
            if (cut)
                a.cutAfter = 5000;
            return a;
        };
        frmMain &form = u.start();
        auto before = u.snapshot();
        u.home.ui().answers.enqueue(lc::ui::Answer::Cancel);
        form.cmdCommand1->click();
        QCOMPARE(u.snapshot(), before);
        QCOMPARE(u.status(), QStringLiteral(" Download cancelled."));
        QCOMPARE(form.messageText(),
                 QStringLiteral("The download of \"notes.txt\" was cancelled before it was "
                                "complete.\r\n\r\nThe update has not been installed; no file "
                                "was changed.  Click \"Update Now!\" to try again."));
        QCOMPARE(form.shownPicture(), Picture::Error);
        QVERIFY(form.lblErrMsg->isHidden());
        QCOMPARE(form.cmdCommand1->text(), QStringLiteral("Update Now!"));
        QVERIFY(form.cmdCommand1->isEnabled());

        cut = false;
        form.cmdCommand1->click();
        QCOMPARE(u.status(), QStringLiteral(" Update completed!"));
        before["notes.txt"] = fresh;
        before.remove("sftudate.tmp"); // a finished update has no more use for it
        QCOMPARE(u.snapshot(), before);
    }

    void failedRenamePutsTheOldFilesBack()
    {
        Updater u(block("1.2.0", "UFL:a.txt|upd\r\nUFL:b.txt|upd\r\nUFL:c.txt|upd\r\n"));
        for (const char *name : {"a.txt", "b.txt", "c.txt"}) {
            u.files.insert(QByteArray("/downloads/upd/") + name, QByteArray("new ") + name);
            u.home.write(name, QByteArray("old ") + name);
        }
        // b.txt cannot be set aside: its keeping place is taken by a folder with a file in it.
        QVERIFY(QDir(u.home.dir()).mkpath(renewer::backupName("b.txt")));
        u.home.write(renewer::backupName("b.txt") + "/x", "x");
        frmMain &form = u.start();
        const auto before = u.snapshot();
        form.cmdCommand1->click();
        QCOMPARE(u.server.requests.size(), 4);
        QCOMPARE(u.snapshot(), before);
        QCOMPARE(u.status(), QStringLiteral(" Critical Error..."));
        QVERIFY2(form.messageText().startsWith(
                     "Update has been aborted!\r\nCannot rename \"b.txt\" to \"b.txt.qx~\""),
                 qPrintable(form.messageText()));
        QCOMPARE(form.cmdCommand1->text(), QStringLiteral("OK"));
        QVERIFY(form.cmdCommand1->isEnabled());
        QCOMPARE(form.shownPicture(), Picture::Error);
    }

    void failedDownloadStopsTheUpdate()
    {
        Updater u(block("1.2.0", "UFL:a.txt|upd\r\nUFL:gone.txt|upd\r\nUFL:c.txt|upd\r\n"));
        u.files.insert("/downloads/upd/a.txt", "new a");
        u.files.insert("/downloads/upd/c.txt", "new c");
        u.home.write("a.txt", "old a");
        frmMain &form = u.start();
        const auto before = u.snapshot();
        form.cmdCommand1->click();
        QCOMPARE(u.targets().last(), QStringLiteral("/downloads/upd/gone.txt"));
        QCOMPARE(u.status(), QStringLiteral(" Error:  File Not Found."));
        QCOMPARE(u.snapshot(), before);
        QVERIFY(!form.isClosed());
        QVERIFY(!form.isBusy());
    }

    void cancelWhileFetchingChangesNothing()
    {
        Updater u(block("1.2.0", "UFL:help.txt|upd\r\nNFL:new.txt|extra\r\n"));
        u.files.insert("/downloads/extra/new.txt", "new text");
        u.home.write("help.txt", "help 1");
        const auto serveFiles = u.server.handler;
        u.server.handler = [&](const HttpRequest &request) {
            if (request.target != "/downloads/upd/help.txt")
                return serveFiles(request);
            HttpAnswer a = HttpAnswer::make(200, "OK", QByteArray(20000, 'h'));
            a.cutAfter = 1000;
            a.endDelayMs = 5000; // still coming when Cancel is clicked
            return a;
        };
        frmMain &form = u.start();
        auto before = u.snapshot();
        before.remove("sftudate.tmp"); // closing removes it
        QTimer::singleShot(150, &form, [&] { form.cmdCancel->click(); });
        form.cmdCommand1->click();
        QVERIFY(form.isClosed());
        QCOMPARE(u.targets().last(), QStringLiteral("/downloads/upd/help.txt"));
        // The new file fetched first is not left behind on its own.
        QCOMPARE(u.snapshot(), before);
    }

    void whatTheProgramWritesIsRead()
    {
        const lc::clsAppInfo program = lc::programVersion();
        const QByteArray next = QByteArray::number(program.Major) + '.' +
                                QByteArray::number(program.Minor) + '.' +
                                QByteArray::number(program.Revision + 1);
        Updater u("APP:" + program.Title.toUtf8() + QByteArray::number(program.Major) +
                  "\r\nVER:" + next + "\r\n");
        QVERIFY(lc::handover::write(lc::handover::filePath(u.home.dir()), program));
        frmMain &form = u.start();
        QCOMPARE(form.localInfo(), program);
        // The updater's own major version picks the block of the program it came with.
        QCOMPARE(u.status(), QStringLiteral(" There is a revision update available."));
    }

    void longNotesScroll()
    {
        QByteArray notes = "\"MSG:";
        for (int i = 1; i <= 60; ++i)
            notes += "Change number " + QByteArray::number(i) + ".\r\n";
        Updater u(block("1.2.0", notes + "\"\r\n"));
        frmMain &form = u.start();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QScrollBar *bar = form.txtMessage->verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        QCOMPARE(bar->value(), 0);
        form.txtMessage->setFocus();
        QTest::keyClick(form.txtMessage, Qt::Key_PageDown);
        QVERIFY(bar->value() > 0);
        QTest::keyClick(form.txtMessage, Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(bar->value(), 0);
    }

    void nothingIsCutOff_data()
    {
        QTest::addColumn<double>("fontScale");
        QTest::newRow("normal font") << 1.0;
        QTest::newRow("large font") << 1.6;
    }
    void nothingIsCutOff()
    {
        QFETCH(double, fontScale);
        const QFont normal = QApplication::font();
        QFont font = normal;
        font.setPointSizeF(normal.pointSizeF() * fontScale);
        QApplication::setFont(font);
        Updater u(block("1.1.6"));
        frmMain &form = u.start();
        QApplication::setFont(normal);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        for (QWidget *w : QList<QWidget *>{form.lblCaption, form.lblStatus, form.txtMessage,
                                           form.cmdCommand1, form.cmdCancel, form.imgYes}) {
            QVERIFY2(w->isVisible(), qPrintable(w->objectName()));
            const QRect inForm(w->mapTo(&form, QPoint(0, 0)), w->size());
            QVERIFY2(form.rect().contains(inForm), qPrintable(w->objectName()));
            QVERIFY2(w->height() >= w->minimumSizeHint().height(), qPrintable(w->objectName()));
        }
        QVERIFY(form.lblCaption->width() >=
                form.lblCaption->fontMetrics().horizontalAdvance(form.lblCaption->text()));
        QVERIFY(form.lblStatus->height() >=
                form.lblStatus->heightForWidth(form.lblStatus->width()));
        QVERIFY(form.cmdCommand1->width() >=
                form.cmdCommand1->fontMetrics().horizontalAdvance("Update Now!"));
        QVERIFY(!form.cmdCommand1->geometry().intersects(form.cmdCancel->geometry()));
    }

    void mainProgramIsEndedReplacedAndStarted_data()
    {
        QTest::addColumn<bool>("stubborn");
        QTest::addColumn<bool>("cancel"); // Cancel is clicked while the program is ended
        QTest::newRow("ends when asked") << false << false;
        QTest::newRow("ignores the request") << true << false;
        QTest::newRow("cancelled meanwhile") << true << true;
    }
    void mainProgramIsEndedReplacedAndStarted()
    {
#ifdef Q_OS_LINUX
        QFETCH(bool, stubborn);
        QFETCH(bool, cancel);
        Updater u(block("1.1.6", "UFL:Lorecase|bin\r\nUFL:readme.txt|bin\r\n"));
        const QByteArray newProgram = "#!/bin/sh\nexit 0\n";
        u.files.insert("/downloads/bin/Lorecase", newProgram);
        u.files.insert("/downloads/bin/readme.txt", "read me 2");
        u.home.write("readme.txt", "read me 1");
        // The running main program is a copy of sleep under its name; another copy of sleep
        // under another name must survive.
        const QString program = u.home.file("Lorecase");
        QVERIFY(QFile::copy("/bin/sleep", program));
        QVERIFY(QFile::copy("/bin/sleep", u.home.file("Bystander")));
        QProcess running, bystander;
        if (stubborn)
            running.setChildProcessModifier(ignoreTerminate);
        running.start(program, {"30"});
        bystander.start(u.home.file("Bystander"), {"30"});
        QVERIFY(running.waitForStarted() && bystander.waitForStarted());

        frmMain &form = u.start();
        QCOMPARE(renewer::processesRunning(program), QList<qint64>{running.processId()});
        form.setEndProgramTimeouts(300, 5000);
        QCOMPARE(u.status(), QStringLiteral(" There is a revision update available."));
        if (cancel)
            QTimer::singleShot(100, &form, [&] { form.cmdCancel->click(); });
        QElapsedTimer clock;
        clock.start();
        form.cmdCommand1->click();
        // A program that ignores the request to end is ended by force after the grace time.
        QVERIFY(clock.elapsed() < 5000);
        QCOMPARE(clock.elapsed() >= 300, stubborn);

        // The updater waited for it to go, so it is gone already.
        QCOMPARE(running.state(), QProcess::NotRunning);
        QVERIFY(renewer::processesRunning(program).isEmpty());
        QCOMPARE(running.exitStatus(), QProcess::CrashExit);
        QCOMPARE(bystander.state(), QProcess::Running);
        QCOMPARE(u.home.read("Lorecase"), newProgram);
        QVERIFY(QFile::permissions(program) & QFile::ExeOwner);
        QCOMPARE(u.home.read("readme.txt"), QByteArray("read me 2"));
        QVERIFY(!QFile::exists(program + ".qx!"));
        QVERIFY(!QFile::exists(renewer::backupName(program)));
        const auto shell = u.home.ui().callsOf(ScriptedUi::Kind::Shell);
        QCOMPARE(shell.size(), 1);
        QCOMPARE(shell[0].text, program);
        QCOMPARE(shell[0].title, u.home.dir());
        // A Cancel meanwhile waits for the install to be whole, then closes.
        QCOMPARE(form.isClosed(), cancel);
        if (!cancel) {
            QCOMPARE(u.status(), QStringLiteral(" Update completed!"));
            QCOMPARE(form.messageText(),
                     QStringLiteral("The update to version 1.1.6 has been installed.\r\nLorecase "
                                    "has been started again."));
        }
        bystander.kill();
        bystander.waitForFinished();
#else
        QSKIP("The dummy main program is a Linux program");
#endif
    }
};

QTEST_MAIN(TestRenewerWindow)
#include "tst_renewer_window.moc"
