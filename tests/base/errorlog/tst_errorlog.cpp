#include "errorlog.h"
#include "testsupport.h"

#include <QFile>
#include <QtTest>

using namespace lc::errorlog;

class TestErrorLog : public QObject {
    Q_OBJECT
    const QDateTime when{QDate(2026, 3, 4), QTime(15, 6, 7)};

private Q_SLOTS:
    void bannerIsSevenCrLfLines()
    {
        const QByteArray expected = "B R I G H T F E N S O F T WARE  -  E R R O R  *  L O G\r\n"
                                    "=======================================\r\n"
                                    "Application Title: Lorecase\r\n"
                                    "Application Version: 1.1.0\r\n"
                                    " \r\n"
                                    "Begin Log...\r\n"
                                    " \r\n";
        QCOMPARE(bannerText({QStringLiteral("Lorecase"), 1, 1, 0}), expected);
    }

    void mainEntryLayout()
    {
        QLocale::setDefault(QLocale::c());
        const QByteArray e = mainEntry(QStringLiteral("ctlTree"), QStringLiteral("Load Tree"), 3021,
                                       QStringLiteral("No current record."), when);
        const QList<QByteArray> lines = e.split('\n');
        QCOMPARE(lines.size(), 9); // eight lines and the empty rest after the last CR LF
        QVERIFY(e.endsWith("\r\n"));
        QCOMPARE(lines[0], QByteArray("  Module = ctlTree\r"));
        QCOMPARE(lines[1], QByteArray("  Source = Load Tree\r"));
        QCOMPARE(lines[2], QByteArray("  Number = 3021\r"));
        QCOMPARE(lines[3], QByteArray("    Desc = No current record.\r"));
        QCOMPARE(lines[4],
                 ("    Date = " + QLocale().toString(when.date(), QLocale::ShortFormat)).toUtf8() +
                     '\r');
        QVERIFY(lines[5].startsWith("    Time = ") && lines[5].contains("15:06:07"));
        QCOMPARE(lines[6], QByteArray(28, '.') + '\r');
        QCOMPARE(lines[7], QByteArray(" \r"));
    }

    void componentEntryNamesTheComponentAndClass()
    {
        const QByteArray e =
            componentEntry(QStringLiteral("clsTreeLoader"), QStringLiteral("LoadTree"), 7,
                           QStringLiteral("x"), when);
        QVERIFY(e.startsWith("  Module = Dataloom.dll clsTreeLoader\r\n  Source = LoadTree\r\n"));
        QCOMPARE(e.count("\r\n"), 8);
        QCOMPARE(e.count('\n'), 8); // no bare line feeds
    }

    void editorEntryUsesFixedFormats()
    {
        const QByteArray e = editorEntry(QStringLiteral("clsVWED.cls"), QStringLiteral("Save File"),
                                         -2147217900, QStringLiteral("Syntax error"), when);
        const QByteArray expected = "Component = Scrivet.dll\r\n"
                                    "   Module = clsVWED.cls\r\n"
                                    "   Source = Save File\r\n"
                                    "   Number = -2147217900\r\n"
                                    "     Desc = Syntax error\r\n"
                                    "     Date = 03-04-26\r\n"
                                    "     Time = 03:06:07 PM\r\n"
                                    "......................................\r\n"
                                    " \r\n";
        QCOMPARE(e, expected);
    }

    void messageBoxTexts()
    {
        QCOMPARE(mainBoxTitle(QStringLiteral("modADO")), QStringLiteral("modADO Error"));
        QCOMPARE(mainBoxText(QStringLiteral("Connect"), 3709, QStringLiteral("Bad file")),
                 QStringLiteral("Connect Error: 3709\r\n\r\nBad file"));
        QCOMPARE(componentBoxText(QStringLiteral("SelectRecord"), QStringLiteral("clsFile"), 5,
                                  QStringLiteral("Oops")),
                 QStringLiteral("There has been a SelectRecord error in module clsFile.\r\n\r\n"
                                "Error Number: 5\r\nError Description: Oops"));
    }

    void bannerOnlyOnceAndAppendOnly()
    {
        TestHome home(TestHome::Db::None);
        const QString log = home.file(QStringLiteral("error.log"));
        QVERIFY(writeBannerIfMissing(log, programInfo()));
        QVERIFY(!writeBannerIfMissing(log, programInfo()));
        QCOMPARE(home.read(QStringLiteral("error.log")), bannerText(programInfo()));
        QVERIFY(append(log, "more\r\n"));
        QVERIFY(home.read(QStringLiteral("error.log")).endsWith("Begin Log...\r\n \r\nmore\r\n"));
        // A deleted log comes back without a banner on the next entry.
        QFile::remove(log);
        QVERIFY(append(log, "entry\r\n"));
        QCOMPARE(home.read(QStringLiteral("error.log")), QByteArray("entry\r\n"));
    }

    void reporterFallbackAndBoxes()
    {
        TestHome home(TestHome::Db::None);
        const QString fallback = home.file(QStringLiteral("fallback.log"));
        Reporter r(componentStyle(componentEntry, QStringLiteral("Part Error"), fallback), {});
        r.write(QStringLiteral("clsX"), QStringLiteral("Op"), {});
        QVERIFY(r.logPath().isEmpty()); // no error, no entry, no fallback taken
        home.ui().waitCursor = true;
        r.write(QStringLiteral("clsX"), QStringLiteral("Op"), {7, QStringLiteral("bad")});
        QCOMPARE(r.logPath(), fallback);
        QVERIFY(home.ui().calls.isEmpty());
        QVERIFY(home.ui().waitCursor); // only a reported failure resets the cursor
        r.report(QStringLiteral("clsX"), QStringLiteral("Op"), 8, QStringLiteral("worse"), true);
        QVERIFY(!home.ui().waitCursor);
        QCOMPARE(home.read(QStringLiteral("fallback.log")).count("Module = Dataloom.dll clsX"), 2);
        QCOMPARE(home.ui().calls.size(), 1);
        QCOMPARE(home.ui().calls[0].title, QStringLiteral("Part Error"));
        QCOMPARE(home.ui().calls[0].icon, lc::ui::Icon::Critical);

        // The program's reporter, as a pane builds it: error.log in the program folder and
        // the module's own caption.
        Reporter::program().report(QStringLiteral("ctlTree"), QStringLiteral("Load Tree"), 5,
                                   QStringLiteral("x"), true);
        QVERIFY(home.read(QStringLiteral("error.log")).startsWith("  Module = ctlTree\r\n"));
        QCOMPARE(home.ui().calls.last().title, QStringLiteral("ctlTree Error"));
        QCOMPARE(home.ui().calls.last().text, QStringLiteral("Load Tree Error: 5\r\n\r\nx"));
    }

    void unwritableLogIsIgnored()
    {
        TestHome home(TestHome::Db::None);
        QVERIFY(!append(home.file(QStringLiteral("no/such/folder/error.log")), "x"));
        QVERIFY(!writeBannerIfMissing(home.file(QStringLiteral("no/such/folder/error.log")),
                                      programInfo()));
    }
};

QTEST_GUILESS_MAIN(TestErrorLog)
#include "tst_errorlog.moc"
