#include "clsFileItem.h"
#include "modFormat.h"
#include "modInstall.h"
#include "modMain.h"
#include "modProcess.h"
#include "modVersion.h"
#include "settings.h"
#include "testsupport.h"

#include <QLockFile>
#include <QProcess>
#include <QtTest>

using namespace renewer;

namespace {
clsAppInfo info(const QString &title, int major, int minor, int revision)
{
    clsAppInfo a;
    a.Title = title;
    a.Major = quint8(major);
    a.Minor = quint8(minor);
    a.Revision = revision;
    return a;
}
} // namespace

// The updater's pure logic: item files, versions, notes, file items, times, installing and
// finding the running main program.
class TestRenewerLogic : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void itemsSplitAtLineEndsAndCommas_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("crlf") << QByteArray("APP:Lorecase\r\nMAJ:1\r\n")
                              << QStringList{"APP:Lorecase", "MAJ:1"};
        QTest::newRow("lf and cr alone") << QByteArray("a\nb\rc") << QStringList{"a", "b", "c"};
        QTest::newRow("commas") << QByteArray("a,b , c\r\n") << QStringList{"a", "b", "c"};
        QTest::newRow("empties and blanks dropped")
            << QByteArray("\r\n, ,\r\n  x  \r\n\r\n") << QStringList{"x"};
        QTest::newRow("quoted keeps commas and lines")
            << QByteArray("\"MSG:one, two\r\nthree\",UFL:x")
            << QStringList{"MSG:one, two\r\nthree", "UFL:x"};
        QTest::newRow("unclosed quote runs to the end")
            << QByteArray("a,\"MSG:open, end") << QStringList{"a", "MSG:open, end"};
        QTest::newRow("empty") << QByteArray() << QStringList{};
    }
    void itemsSplitAtLineEndsAndCommas()
    {
        QFETCH(QByteArray, text);
        QFETCH(QStringList, items);
        QCOMPARE(readItems(text), items);
    }

    void handOverIsReadAndDeleted_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("version");
        QTest::newRow("as written")
            << QByteArray("APP:Lorecase\r\nMAJ:1\r\nMIN:1\r\nREV:5\r\n") << true << "1.1.5";
        QTest::newRow("any order, commas, blanks")
            << QByteArray(" REV: 7 ,MIN:2\r\n\r\nMAJ:3,APP:Lorecase") << true << "3.2.7";
        QTest::newRow("revision missing")
            << QByteArray("APP:Lorecase\r\nMAJ:1\r\nMIN:1\r\n") << false << "1.1.0";
        QTest::newRow("not numbers read as 0")
            << QByteArray("APP:Lorecase\r\nMAJ:x\r\nMIN:9z\r\nREV:-4\r\n") << true << "0.9.0";
        QTest::newRow("byte fields clamp")
            << QByteArray("APP:Lorecase\r\nMAJ:300\r\nMIN:1\r\nREV:99999999999\r\n") << true
            << "255.1.2147483647";
        QTest::newRow("empty") << QByteArray() << false << "0.0.0";
    }
    void handOverIsReadAndDeleted()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, ok);
        QFETCH(QString, version);
        TestHome home(TestHome::Db::None);
        home.write("~udtmp.tmp", text);
        clsAppInfo local;
        QCOMPARE(readHandOver(home.file("~udtmp.tmp"), local), ok);
        QCOMPARE(local.version(), version);
        if (ok)
            QCOMPARE(local.Title, QStringLiteral("Lorecase"));
        QVERIFY(!QFile::exists(home.file("~udtmp.tmp")));
        clsAppInfo none;
        QVERIFY(!readHandOver(home.file("~udtmp.tmp"), none));
    }

    void versionBlockIsFoundByKey()
    {
        const QByteArray file = "APP:Othergame1\r\nVER:9.9.9\r\nUFL:other.exe|x\r\n..........\r\n"
                                "app:LORECASE2\r\nVER:2.5.0\r\n..........\r\n"
                                "APP:lorecase1\r\nAPP:Lorecase\r\nVER:1.2.3\r\n"
                                "UFL:Lorecase|bin\r\nUFL:a.txt|docs|sub\\\r\nNFL:new.dat|data\r\n"
                                "MSG:first\r\nMSG:last wins\r\n..........\r\nNFL:after.end|x\r\n";
        const VersionBlock b = readVersionBlock(readItems(file), blockKey("Lorecase", 1));
        QVERIFY(b.found);
        QCOMPARE(b.server.Title, QStringLiteral("Lorecase"));
        QCOMPARE(b.server.version(), QStringLiteral("1.2.3"));
        QCOMPARE(b.updatedFiles, (QStringList{"Lorecase|bin", "a.txt|docs|sub\\"}));
        QCOMPARE(b.newFiles, QStringList{"new.dat|data"});
        QCOMPARE(b.notes, QStringLiteral("last wins"));

        const VersionBlock major2 = readVersionBlock(readItems(file), blockKey("Lorecase", 2));
        QVERIFY(major2.found);
        QCOMPARE(major2.server.version(), QStringLiteral("2.5.0"));

        // Without an end marker the block runs to the end of the file.
        const VersionBlock open =
            readVersionBlock(readItems("APP:Lorecase1\r\nNFL:x|y\r\nNFL:z|w"), "APP:Lorecase1");
        QCOMPARE(open.newFiles, (QStringList{"x|y", "z|w"}));
    }

    void versionItemParts_data()
    {
        QTest::addColumn<QString>("ver");
        QTest::addColumn<QString>("version");
        QTest::newRow("three parts") << "1.2.3"
                                     << "1.2.3";
        QTest::newRow("two parts leave revision 0") << "1.3"
                                                    << "1.3.0";
        QTest::newRow("one part") << "4"
                                  << "4.0.0";
        QTest::newRow("four parts take no revision") << "1.2.3.4"
                                                     << "1.2.0";
        QTest::newRow("text") << "beta"
                              << "0.0.0";
    }
    void versionItemParts()
    {
        QFETCH(QString, ver);
        QFETCH(QString, version);
        const VersionBlock b = readVersionBlock({"APP:Lorecase1", "VER:" + ver}, "APP:Lorecase1");
        QCOMPARE(b.server.version(), version);
    }

    void compareResults_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("exists");
        QTest::addColumn<int>("result");
        const QByteArray head = "APP:Lorecase1\r\nVER:";
        QTest::newRow("missing") << QByteArray() << false << 0;
        QTest::newRow("empty") << QByteArray() << true << 0;
        QTest::newRow("no block for us") << QByteArray("APP:Other1\r\nVER:9.9.9\r\n") << true << 1;
        QTest::newRow("minor") << head + "1.2.0" << true << 3;
        QTest::newRow("revision") << head + "1.1.6" << true << 4;
        QTest::newRow("same") << head + "1.1.5" << true << 1;
        QTest::newRow("major not compared") << head + "2.0.0" << true << 1;
        QTest::newRow("major lower, minor higher") << head + "0.2.0" << true << 3;
        QTest::newRow("1.3 has revision 0") << head + "1.3" << true << 3;
        QTest::newRow("older minor, higher revision") << head + "1.0.9" << true << 1;
        QTest::newRow("older revision") << head + "1.1.4" << true << 1;
    }
    void compareResults()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, exists);
        QFETCH(int, result);
        VersionBlock block;
        QCOMPARE(int(compareFile(file, exists, info("Lorecase", 1, 1, 5), 1, &block)), result);
    }

    void notesAreLaidOut()
    {
        VersionBlock b;
        b.server = info("Lorecase", 1, 2, 0);
        b.notes = "Faster tree.";
        b.updatedFiles = QStringList{"Lorecase|bin", "help.txt|docs|help\\"};
        b.newFiles = QStringList{"new.dat|data"};
        const QString rule(39, u'=');
        QCOMPARE(
            updateNotes(info("Lorecase", 1, 1, 5), b),
            "Your Version:      1.1.5\r\nCurrent Version: 1.2.0\r\n\r\nUpdate Notes:\r\n" + rule +
                "\r\nFaster tree.\r\n\r\n(NOTE: Please check the Lorecase support page for "
                "any manual updates.)\r\n\r\nFiles:\r\n" +
                rule +
                "\r\nUpdated File: Lorecase\r\nUpdated File: help.txt\r\nNew File: new.dat\r\n");
    }

    void fileItemsLandInTheProgramFolder_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("local");  // relative to the program folder
        QTest::addColumn<QString>("remote"); // relative to the downloads folder
        QTest::newRow("two parts") << "a.txt|docs"
                                   << "a.txt"
                                   << "docs/a.txt";
        QTest::newRow("three parts") << "a.txt|docs|help\\"
                                     << "help/a.txt"
                                     << "docs/a.txt";
        QTest::newRow("nested") << "a.txt|d|help\\en\\"
                                << "help/en/a.txt"
                                << "d/a.txt";
        QTest::newRow("no further separator") << "a.txt|docs|help"
                                              << "helpa.txt"
                                              << "docs/a.txt";
        QTest::newRow("empty local part") << "a.txt|docs|"
                                          << "a.txt"
                                          << "docs/a.txt";
        QTest::newRow("no remote folder") << "a.txt"
                                          << "a.txt"
                                          << "a.txt";
        QTest::newRow("spaces encoded") << "my file.txt|new docs"
                                        << "my file.txt"
                                        << "new%20docs/my%20file.txt";
        QTest::newRow("dots inside a name") << "v1.2.txt|d"
                                            << "v1.2.txt"
                                            << "d/v1.2.txt";
    }
    void fileItemsLandInTheProgramFolder()
    {
        QFETCH(QString, item);
        QFETCH(QString, local);
        QFETCH(QString, remote);
        const QString app = "/opt/lc/";
        clsFileItem f;
        QString why;
        QVERIFY2(clsFileItem::parse(item, app, &f, &why), qPrintable(why));
        QCOMPARE(f.localPath(), app + local);
        QCOMPARE(f.remoteLocation("http://127.0.0.1:8/downloads/"),
                 "http://127.0.0.1:8/downloads/" + remote);
    }

    void hostileFileItemsAreRefused_data()
    {
        QTest::addColumn<QString>("item");
        QTest::newRow("absolute name") << "/etc/passwd|x";
        QTest::newRow("name with folder") << "sub/evil|x";
        QTest::newRow("backslash name") << "..\\evil|x";
        QTest::newRow("dot dot name") << "..|x";
        QTest::newRow("dot name") << ".|x";
        QTest::newRow("empty name") << "|x";
        QTest::newRow("drive name") << "C:evil|x";
        QTest::newRow("absolute subfolder") << "evil|x|/etc/";
        QTest::newRow("absolute windows subfolder") << "evil|x|\\Windows\\";
        QTest::newRow("drive subfolder") << "evil|x|C:\\Windows\\";
        QTest::newRow("climbing subfolder") << "evil|x|..\\";
        QTest::newRow("climbing inside subfolder") << "evil|x|a\\..\\..\\";
        QTest::newRow("dot dot glued to the name") << "evil|x|..";
        QTest::newRow("control character") << QStringLiteral("ev\nil|x");
    }
    void hostileFileItemsAreRefused()
    {
        QFETCH(QString, item);
        clsFileItem f;
        QString why;
        QVERIFY(!clsFileItem::parse(item, "/opt/lc/", &f, &why));
        QCOMPARE(why, "The update lists a file outside the program folder: \"" + item + "\"");
    }

    void timeTexts_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0.0 << "0 sec";
        QTest::newRow("59.4") << 59.4 << "59 sec";
        QTest::newRow("59.7 stays in seconds") << 59.7 << "60 sec";
        QTest::newRow("60") << 60.0 << "1 min 0 sec";
        QTest::newRow("61") << 61.0 << "1 min 1 sec";
        QTest::newRow("3599") << 3599.0 << "59 min 59 sec";
        QTest::newRow("3600") << 3600.0 << "1 hr 0 min";
        QTest::newRow("3725") << 3725.0 << "1 hr 2 min";
        QTest::newRow("a day") << 90000.0 << "25 hr 0 min";
        QTest::newRow("negative") << -5.0 << "0 sec";
    }
    void timeTexts()
    {
        QFETCH(double, seconds);
        QFETCH(QString, text);
        QCOMPARE(formatTime(seconds), text);
    }

    void programFolderAndNames()
    {
        TestHome home(TestHome::Db::None);
        QCOMPARE(AppPath(), home.dir());
        qputenv("LORECASE_HOME", (home.dir() + "//").toLocal8Bit());
        QCOMPARE(AppPath(), home.dir());
#ifdef Q_OS_WIN
        QCOMPARE(programFileName("Renewer"), QStringLiteral("Renewer.exe"));
        QVERIFY(sameFileName("LORECASE.EXE", "Lorecase.exe"));
#else
        QCOMPARE(programFileName("Renewer"), QStringLiteral("Renewer"));
        QVERIFY(!sameFileName("LORECASE", "Lorecase"));
#endif
        QCOMPARE(downloadsUrl(), QStringLiteral("https://updates.lorecase.example.org/downloads/"));
        lc::settings::SaveSetting("Updater", "Server", "http://127.0.0.1:8080//");
        QCOMPARE(downloadsUrl(), QStringLiteral("http://127.0.0.1:8080/downloads/"));
    }

    void onlyOneCopyRuns()
    {
        TestHome home(TestHome::Db::None);
        // No hand-over file: nothing to do.
        {
            QLockFile lock(lockFilePath());
            QCOMPARE(checkStart(lock), StartCheck::NoHandOver);
            QVERIFY(!lock.isLocked());
        }
        home.write("~udtmp.tmp", "APP:Lorecase\r\n");
        QLockFile first(lockFilePath());
        QCOMPARE(checkStart(first), StartCheck::Run);
        QVERIFY(QFile::exists(home.file("~udtmp.tmp")));
        // A second copy leaves no hand-over file behind for the first one.
        QLockFile second(lockFilePath());
        QCOMPARE(checkStart(second), StartCheck::AlreadyRunning);
        QVERIFY(!QFile::exists(home.file("~udtmp.tmp")));
        first.unlock();
        home.write("~udtmp.tmp", "APP:Lorecase\r\n");
        QLockFile third(lockFilePath());
        QCOMPARE(checkStart(third), StartCheck::Run);
    }

    void installReplacesEverythingOrNothing()
    {
        TestHome home(TestHome::Db::None);
        home.write("a.txt", "old a");
        home.write("b.txt", "old b");
        home.write("a.txt.qx!", "new a");
        home.write("b.txt.qx!", "new b");
        home.write("c.txt.qx!", "new c");
        QFile::setPermissions(home.file("a.txt"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QString error;
        QVERIFY(installFiles({{home.file("a.txt.qx!"), home.file("a.txt")},
                              {home.file("b.txt.qx!"), home.file("b.txt")},
                              {home.file("c.txt.qx!"), home.file("c.txt")}},
                             &error));
        QCOMPARE(home.read("a.txt"), QByteArray("new a"));
        QCOMPARE(home.read("b.txt"), QByteArray("new b"));
        QCOMPARE(home.read("c.txt"), QByteArray("new c"));
        // A replaced program stays runnable.
        QVERIFY(QFile::permissions(home.file("a.txt")) & QFile::ExeOwner);
        const QStringList left = QDir(home.dir()).entryList(QDir::Files);
        QCOMPARE(left, (QStringList{"a.txt", "b.txt", "c.txt"}));

        // The second file's download is missing: the first is put back, nothing else changes.
        home.write("a.txt.qx!", "newer a");
        home.write("c.txt.qx!", "newer c");
        QVERIFY(!installFiles({{home.file("a.txt.qx!"), home.file("a.txt")},
                               {home.file("b.txt.qx!"), home.file("b.txt")},
                               {home.file("c.txt.qx!"), home.file("c.txt")}},
                              &error));
        QVERIFY(error.startsWith("Cannot rename \"b.txt.qx!\" to \"b.txt\""));
        QCOMPARE(home.read("a.txt"), QByteArray("new a"));
        QCOMPARE(home.read("b.txt"), QByteArray("new b"));
        QCOMPARE(home.read("c.txt"), QByteArray("new c"));
        QCOMPARE(QDir(home.dir()).entryList(QDir::Files), left);
    }

    void failedLaterStepUndoesEarlierSteps()
    {
        TestHome home(TestHome::Db::None);
        home.write("a.txt", "old a");
        home.write("a.txt.qx!", "new a");
        home.write("new.txt.qx!", "new file");
        QString error;
        {
            InstallTransaction transaction;
            QVERIFY(transaction.replace({{home.file("a.txt.qx!"), home.file("a.txt")},
                                         {home.file("new.txt.qx!"), home.file("new.txt")}},
                                        &error));
            QCOMPARE(home.read("a.txt"), QByteArray("new a"));
            // The main program's download is missing: the step fails and all goes back.
            QVERIFY(
                !transaction.replace({{home.file("Lorecase.qx!"), home.file("Lorecase")}}, &error));
        }
        QCOMPARE(home.read("a.txt"), QByteArray("old a"));
        QCOMPARE(QDir(home.dir()).entryList(QDir::Files), QStringList{"a.txt"});

        // Left unfinished, a transaction undoes itself.
        home.write("a.txt.qx!", "new a");
        {
            InstallTransaction transaction;
            QVERIFY(transaction.replace({{home.file("a.txt.qx!"), home.file("a.txt")}}, &error));
        }
        QCOMPARE(home.read("a.txt"), QByteArray("old a"));
        QCOMPARE(QDir(home.dir()).entryList(QDir::Files), QStringList{"a.txt"});
    }

    void runningProgramIsFoundByItsFile()
    {
#ifdef Q_OS_LINUX
        TestHome home(TestHome::Db::None);
        const QString dummy = home.file(programFileName("Lorecase"));
        const QString other = home.file("Other");
        QVERIFY(QFile::copy("/bin/sleep", dummy));
        QVERIFY(QFile::copy("/bin/sleep", other));
        QProcess a, b;
        a.start(dummy, {"30"});
        b.start(other, {"30"});
        QVERIFY(a.waitForStarted() && b.waitForStarted());
        // Same program code, another file: only the dummy main program matches.
        QCOMPARE(processesRunning(dummy), QList<qint64>{a.processId()});
        QVERIFY(processesRunning(home.file("Missing")).isEmpty());
        QVERIFY(endProcess(a.processId(), false));
        QVERIFY(a.waitForFinished(5000));
        QVERIFY(processesRunning(dummy).isEmpty());
        QCOMPARE(b.state(), QProcess::Running);
        QVERIFY(!endProcess(0, true));
        b.kill();
        b.waitForFinished();
#else
        QSKIP("Process matching is tested on Linux");
#endif
    }
};

QTEST_MAIN(TestRenewerLogic)
#include "tst_renewer_logic.moc"
