#include "clsInet.h"
#include "clsProgressBar.h"
#include "frmMain.h"
#include "httpserver.h"
#include "testsupport.h"

#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include <numeric>

using lc::ui::Answer;
using lc::ui::Buttons;
using lc::ui::Icon;
using lc::ui::ScriptedUi;
using renewer::frmMain;

Q_DECLARE_METATYPE(HttpAnswer)
Q_DECLARE_METATYPE(lc::ui::Answer)

namespace {
QByteArray content(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char((i * 7 + i / 251) & 0xff);
    return bytes;
}

const QString kIncomplete = QStringLiteral(
    "^The connection with the server was reset\\.\\r\\rClick \"Retry\" to resume downloading "
    "the file\\.\\r\\(Approximate time remaining: (\\d+ sec|\\d+ min \\d+ sec|\\d+ hr \\d+ "
    "min|unknown)\\)\\r\\rClick \"Cancel\" to cancel downloading the file\\.$");
const QString kUnableToResume = QStringLiteral(
    "The server is unable to resume this download.\r\rDo you want to continue anyway?");

// One updater window, one scripted server, one fresh program folder.
struct Rig {
    TestHome home{TestHome::Db::None};
    ScriptedHttpServer server;
    frmMain form;
    QString url() const { return server.base() + "/downloads/file.bin"; }
    QString dest() const { return home.file("file.bin"); }
    bool download() { return form.DownloadFile(url(), dest(), QString(), QString()); }
    QString status() const { return form.lblStatus->text(); }
    QStringList ranges() const
    {
        QStringList out;
        for (const auto &r : server.requests)
            out << QString::fromLatin1(r.header("Range"));
        return out;
    }
};

// The server ends the first `cuts` answers after the given numbers of body bytes, then serves
// the file properly (ranges included).
ScriptedHttpServer::Handler cutting(const QByteArray &file, QList<qint64> cuts, bool reset = false,
                                    bool rangesAfterCut = true)
{
    auto left = std::make_shared<QList<qint64>>(cuts);
    return [file, left, reset, rangesAfterCut](const HttpRequest &request) {
        HttpAnswer a = ScriptedHttpServer::serve(file, request);
        if (!rangesAfterCut && request.header("Range") != "bytes=0-") {
            a = HttpAnswer();
            a.body = file;
        }
        if (!left->isEmpty()) {
            a.cutAfter = left->takeFirst();
            a.reset = reset;
        }
        return a;
    };
}
} // namespace

// Fetching one file: the answers a server may give, progress, the size checks and resuming.
class TestRenewerDownload : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void completeDownload_data()
    {
        QTest::addColumn<bool>("ranged");
        QTest::addColumn<int>("size");
        QTest::newRow("200, one byte") << false << 1;
        QTest::newRow("200, exactly one chunk") << false << 1024;
        QTest::newRow("206 from byte 0") << true << 300000;
    }
    void completeDownload()
    {
        QFETCH(bool, ranged);
        QFETCH(int, size);
        Rig rig;
        const QByteArray file = content(size);
        rig.server.handler = [&](const HttpRequest &request) {
            if (ranged)
                return ScriptedHttpServer::serve(file, request);
            HttpAnswer a;
            a.body = file;
            return a;
        };
        rig.home.write("file.bin", QByteArray(size + 500, 'x')); // an older, longer copy
        QVERIFY(rig.download());
        QCOMPARE(rig.home.read("file.bin"), file);
        QCOMPARE(rig.ranges(), QStringList{"bytes=0-"});
        QCOMPARE(rig.server.requests.first().method, QByteArray("GET"));
        QCOMPARE(rig.server.requests.first().target, QByteArray("/downloads/file.bin"));
        QCOMPARE(rig.status(), QStringLiteral(" Download completed!"));
        QCOMPARE(rig.form.shownPicture(), frmMain::Picture::Download);
        QVERIFY(rig.form.frameDL->isHidden());
        QCOMPARE(rig.form.picPBar->text(), QStringLiteral("100 %"));
        QVERIFY(rig.home.ui().calls.isEmpty());
        QVERIFY(rig.form.txtMessage->isHidden());
    }

    void failingAnswers_data()
    {
        QTest::addColumn<HttpAnswer>("answer");
        QTest::addColumn<QString>("status");  // empty: left as it was
        QTest::addColumn<QString>("message"); // txtMessage; {url} stands for the address
        QTest::addColumn<QString>("box");     // "text|caption|icon"
        QTest::addColumn<bool>("checkEnabled");
        const QString unexpected = QStringLiteral(" Error: Unexpected Error.");
        HttpAnswer noContent = HttpAnswer::make(204, "No Content");
        noContent.sendLength = false;
        QTest::newRow("204") << noContent << " Error: Nothing to download." << QString()
                             << "Nothing to download!|No Content|info" << false;
        QTest::newRow("401") << HttpAnswer::make(401, "Unauthorized", "no")
                             << " Error: Authorization failed." << QString()
                             << "Authorization failed!|Unauthorized|critical" << false;
        QTest::newRow("404") << HttpAnswer::make(404, "Not Found", "gone")
                             << " Error:  File Not Found."
                             << "The file \"{url}\" was not found." << QString() << false;
        QTest::newRow("500") << HttpAnswer::make(500, "Internal Server Error", "oops") << unexpected
                             << "HTTP/1.1 500 Internal Server Error" << QString() << false;
        QTest::newRow("301 elsewhere unsafe")
            << HttpAnswer::make(301, "Moved Permanently", "x", {{"Location", "file:///etc/passwd"}})
            << unexpected << "HTTP/1.1 301 Moved Permanently" << QString() << false;
        HttpAnswer garbage;
        garbage.raw = "SPAM SPAM SPAM\r\n\r\nnot http at all";
        QTest::newRow("garbage") << garbage << unexpected << "SPAM SPAM SPAM" << QString() << false;
        HttpAnswer binary;
        binary.raw = QByteArray(100000, '\x01');
        QTest::newRow("endless binary")
            << binary << unexpected << QString(256, QChar(1)) << QString() << false;
        HttpAnswer silent;
        silent.raw = "";
        QTest::newRow("closed without a word")
            << silent << " Error: Cannot establish connection."
            << "Check your internet connection and try again." << QString() << true;
        HttpAnswer noLength = HttpAnswer::make(200, "OK", "some bytes");
        noLength.sendLength = false;
        QTest::newRow("no Content-Length")
            << noLength << unexpected << "The server did not give the size of the file."
            << QString() << false;
        HttpAnswer zero = HttpAnswer::make(200, "OK", "");
        QTest::newRow("Content-Length 0")
            << zero << unexpected << "The server did not give the size of the file." << QString()
            << false;
        const QList<QByteArray> silly{"-5", "12abc", "99999999999", "2147483648"};
        for (const QByteArray &value : silly) {
            HttpAnswer a;
            a.raw = "HTTP/1.1 200 OK\r\nContent-Length: " + value + "\r\n\r\nx";
            QTest::newRow(("Content-Length " + value).constData())
                << a << unexpected
                << "The server gave an invalid size for the file (" + QString::fromLatin1(value) +
                       ")."
                << QString() << false;
        }
    }
    void failingAnswers()
    {
        QFETCH(HttpAnswer, answer);
        QFETCH(QString, status);
        QFETCH(QString, message);
        QFETCH(QString, box);
        QFETCH(bool, checkEnabled);
        Rig rig;
        rig.form.cmdCommand1->setEnabled(false);
        rig.server.handler = [&](const HttpRequest &) { return answer; };
        QVERIFY(!rig.download());
        QVERIFY(!QFile::exists(rig.dest()));
        QCOMPARE(rig.server.requests.size(), 1);
        QCOMPARE(rig.status(), status);
        message.replace("{url}", rig.url());
        QCOMPARE(rig.form.messageText(), message);
        QCOMPARE(rig.form.txtMessage->isVisible() || !rig.form.isVisible(), true);
        const auto boxes = rig.home.ui().callsOf(ScriptedUi::Kind::Message);
        if (box.isEmpty()) {
            QVERIFY(boxes.isEmpty());
        } else {
            QCOMPARE(boxes.size(), 1);
            const QStringList parts = box.split('|');
            QCOMPARE(boxes[0].text, parts[0]);
            QCOMPARE(boxes[0].title, parts[1]);
            QCOMPARE(boxes[0].buttons, Buttons::Ok);
            QCOMPARE(boxes[0].icon, parts[2] == "info" ? Icon::Information : Icon::Critical);
        }
        // Every failure shows the error picture, never the download arrow.
        QCOMPARE(rig.form.shownPicture(), frmMain::Picture::Error);
        QCOMPARE(rig.form.cmdCommand1->isEnabled(), checkEnabled);
        if (checkEnabled)
            QCOMPARE(rig.form.cmdCommand1->text(), QStringLiteral("Check..."));
        QVERIFY(rig.form.frameDL->isHidden());
    }

    void noServerAtAll()
    {
        Rig rig;
        quint16 port = 0;
        {
            QTcpServer gone; // a loopback port nobody listens on any more
            QVERIFY(gone.listen(QHostAddress::LocalHost, 0));
            port = gone.serverPort();
        }
        const QString url = QStringLiteral("http://127.0.0.1:%1/downloads/file.bin").arg(port);
        QVERIFY(!rig.form.DownloadFile(url, rig.dest(), QString(), QString()));
        QCOMPARE(rig.status(), QStringLiteral(" Error: Cannot establish connection."));
        QVERIFY(!QFile::exists(rig.dest()));
    }

    void credentialsAreSent()
    {
        Rig rig;
        rig.server.handler = [](const HttpRequest &request) {
            if (request.header("Authorization") != "Basic " + QByteArray("ann:secret").toBase64())
                return HttpAnswer::make(401, "Unauthorized", "no",
                                        {{"WWW-Authenticate", "Basic realm=\"u\""}});
            return HttpAnswer::make(200, "OK", "welcome");
        };
        QVERIFY(rig.form.DownloadFile(rig.url(), rig.dest(), "ann", "secret"));
        QCOMPARE(rig.home.read("file.bin"), QByteArray("welcome"));
        QVERIFY(!rig.form.DownloadFile(rig.url(), rig.dest(), "ann", "wrong"));
        QCOMPARE(rig.home.ui().messages(), QStringList{"Authorization failed!"});
    }

    void notEnoughFreeSpace()
    {
        Rig rig;
        const QByteArray file = content(5000);
        rig.server.handler = [&](const HttpRequest &r) {
            return ScriptedHttpServer::serve(file, r);
        };
        QString asked;
        rig.form.setFreeSpaceProbe([&](const QString &folder) {
            asked = folder;
            return qint64(4999);
        });
        QVERIFY(!rig.form.DownloadFile(rig.url(), rig.home.file("new/deeper/file.bin"), {}, {}));
        // The destination's folder does not exist yet: its nearest existing parent is asked.
        QCOMPARE(asked + '/', rig.home.dir());
        QCOMPARE(rig.status(), QStringLiteral(" Error: Insufficient Disk Space"));
        QCOMPARE(rig.form.messageText(),
                 QStringLiteral("There is not enough free space on disk for this file.\r\rPlease "
                                "free up some disk space and try again."));
        QVERIFY(!QFile::exists(rig.home.file("new")));

        rig.form.setFreeSpaceProbe([](const QString &) { return qint64(5000); });
        QVERIFY(rig.form.DownloadFile(rig.url(), rig.home.file("new/deeper/file.bin"), {}, {}));
        QCOMPARE(rig.home.read("new/deeper/file.bin"), file);
    }

    void resumeAfterABrokenLink_data()
    {
        QTest::addColumn<QList<qint64>>("cuts");
        QTest::addColumn<bool>("reset");
        QTest::addColumn<QStringList>("ranges");
        QTest::newRow("after 10000 bytes")
            << QList<qint64>{10000} << false << QStringList{"bytes=0-", "bytes=5904-"};
        // A break before the overlap's worth arrived resumes where it stopped: stepping back
        // by the overlap would start every retry from the same place.
        QTest::newRow("after 4096 bytes")
            << QList<qint64>{4096} << false << QStringList{"bytes=0-", "bytes=4096-"};
        QTest::newRow("below 4096 bytes")
            << QList<qint64>{3000} << false << QStringList{"bytes=0-", "bytes=3000-"};
        QTest::newRow("before the body")
            << QList<qint64>{0} << false << QStringList{"bytes=0-", "bytes=0-"};
        QTest::newRow("twice, the second short")
            << QList<qint64>{10000, 3000} << false
            << QStringList{"bytes=0-", "bytes=5904-", "bytes=8904-"};
        QTest::newRow("every connection cut early")
            << QList<qint64>{3000, 3000, 3000, 3000, 3000, 3000} << false
            << QStringList{"bytes=0-",     "bytes=3000-",  "bytes=6000-", "bytes=9000-",
                           "bytes=12000-", "bytes=15000-", "bytes=18000-"};
        QTest::newRow("reset") << QList<qint64>{10000} << true << QStringList{};
        QTest::newRow("every connection reset early")
            << QList<qint64>{3000, 3000, 3000, 3000, 3000, 3000} << true << QStringList{};
    }
    void resumeAfterABrokenLink()
    {
        QFETCH(QList<qint64>, cuts);
        QFETCH(bool, reset);
        QFETCH(QStringList, ranges);
        Rig rig;
        const QByteArray file = content(20000);
        rig.server.handler = cutting(file, cuts, reset);
        for (int i = 0; i < cuts.size(); ++i)
            rig.home.ui().answers.enqueue(Answer::Retry);
        QVERIFY(rig.download());
        QCOMPARE(rig.home.read("file.bin"), file);
        QCOMPARE(rig.server.requests.size(), cuts.size() + 1);
        if (!ranges.isEmpty()) {
            QCOMPARE(rig.ranges(), ranges);
        } else {
            // A reset may lose bytes in flight, but no retry starts before the one ahead of
            // it, the resume never starts past the overlap, and progress is kept.
            QCOMPARE(rig.ranges().first(), QStringLiteral("bytes=0-"));
            int previous = 0;
            for (const QString &range : rig.ranges()) {
                const int from = range.mid(6).chopped(1).toInt();
                QVERIFY2(from >= previous, qPrintable(rig.ranges().join(' ')));
                previous = from;
            }
            QVERIFY(previous > 0);
            QVERIFY(previous <= std::accumulate(cuts.begin(), cuts.end(), qint64(0)));
        }
        const auto boxes = rig.home.ui().callsOf(ScriptedUi::Kind::Message);
        QCOMPARE(boxes.size(), cuts.size());
        for (const auto &box : boxes) {
            QVERIFY2(QRegularExpression(kIncomplete).match(box.text).hasMatch(),
                     qPrintable(box.text));
            QCOMPARE(box.title, QStringLiteral("Download Incomplete"));
            QCOMPARE(box.buttons, Buttons::RetryCancel);
            QCOMPARE(box.icon, Icon::Exclamation);
        }
        QCOMPARE(rig.status(), QStringLiteral(" Download completed!"));
    }

    void cancelAfterABrokenLink_data()
    {
        QTest::addColumn<QByteArray>("before"); // null: no file at the destination
        QTest::newRow("new file") << QByteArray();
        QTest::newRow("over an existing file") << QByteArray("the user's own data");
    }
    void cancelAfterABrokenLink()
    {
        QFETCH(QByteArray, before);
        Rig rig;
        if (!before.isNull())
            rig.home.write("file.bin", before);
        rig.form.cmdCommand1->setEnabled(false);
        const QByteArray file = content(20000);
        rig.server.handler = cutting(file, {10000});
        rig.home.ui().answers.enqueue(Answer::Cancel);
        QVERIFY(!rig.download());
        QCOMPARE(rig.server.requests.size(), 1);
        QCOMPARE(rig.home.ui().calls.size(), 1);
        // The file there before is untouched; the partial one is gone.
        QCOMPARE(QFile::exists(rig.dest()), !before.isNull());
        if (!before.isNull())
            QCOMPARE(rig.home.read("file.bin"), before);
        QVERIFY(!QFile::exists(renewer::clsDownload::partName(rig.dest())));
        // The bar keeps the last value drawn; the window says what happened and may check again.
        QCOMPARE(rig.form.picPBar->text(), QStringLiteral("50 %"));
        QCOMPARE(rig.status(), QStringLiteral(" Download cancelled."));
        QCOMPARE(rig.form.messageText(),
                 QStringLiteral("The download of \"file.bin\" was cancelled before it was "
                                "complete."));
        QCOMPARE(rig.form.shownPicture(), frmMain::Picture::Error);
        QVERIFY(rig.form.cmdCommand1->isEnabled());
        QCOMPARE(rig.form.cmdCommand1->text(), QStringLiteral("Check..."));
    }

    // A 206 answer must hold the rest of the file up to its last byte, or nothing is kept.
    void shortPartialAnswers_data()
    {
        QTest::addColumn<QByteArray>("range"); // null: no Content-Range at all
        QTest::addColumn<int>("bodySize");
        QTest::addColumn<QString>("message");
        const QString noPart = QStringLiteral(
            "The server's partial answer does not say which part of the file it holds.");
        QTest::newRow("range stops short")
            << QByteArray("bytes 0-999/20000") << 1000
            << "The server sent only part of the file (bytes 0-999 of 20000, 1000 bytes long).";
        QTest::newRow("length stops short of the range")
            << QByteArray("bytes 0-19999/20000") << 1000
            << "The server sent only part of the file (bytes 0-19999 of 20000, 1000 bytes long).";
        QTest::newRow("unknown total") << QByteArray("bytes 0-999/*") << 1000 << noPart;
        QTest::newRow("no range") << QByteArray() << 1000 << noPart;
        QTest::newRow("garbage range") << QByteArray("bytes a-b/c") << 1000 << noPart;
    }
    void shortPartialAnswers()
    {
        QFETCH(QByteArray, range);
        QFETCH(int, bodySize);
        QFETCH(QString, message);
        Rig rig;
        rig.home.write("file.bin", "old copy");
        rig.server.handler = [&](const HttpRequest &) {
            HttpAnswer a = HttpAnswer::make(206, "Partial Content", content(bodySize));
            if (!range.isNull())
                a.headers << qMakePair(QByteArray("Content-Range"), range);
            return a;
        };
        QVERIFY(!rig.download());
        QCOMPARE(rig.status(), QStringLiteral(" Error: Unexpected Error."));
        QCOMPARE(rig.form.messageText(), message);
        QCOMPARE(rig.home.read("file.bin"), QByteArray("old copy"));
        QVERIFY(!QFile::exists(renewer::clsDownload::partName(rig.dest())));
    }

    // A server that keeps sending a little now and then is never silent: the time limit and
    // the minimum rate end it, and the window says why.
    void tricklingServer_data()
    {
        QTest::addColumn<bool>("header"); // the header trickles too
        QTest::addColumn<int>("bytesPerStep");
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("status"); // empty: the download succeeds
        QTest::newRow("header a byte at a time")
            << true << 1 << 20000 << " Error: Download too slow.";
        QTest::newRow("body a byte at a time")
            << false << 1 << 20000 << " Error: Download too slow.";
        QTest::newRow("fast enough but endless")
            << false << 400 << 400000 << " Error: Download timed out.";
        QTest::newRow("small file, steady") << false << 300 << 2000 << QString();
    }
    void tricklingServer()
    {
        QFETCH(bool, header);
        QFETCH(int, bytesPerStep);
        QFETCH(int, size);
        QFETCH(QString, status);
        Rig rig;
        rig.form.cmdCommand1->setEnabled(false);
        // Every 20 ms a step: one byte is 50 bytes a second, 400 bytes 20 KB a second.
        rig.form.Inet1->setLimits({800, 2000, 250});
        const QByteArray file = content(size);
        rig.server.handler = [&](const HttpRequest &) {
            HttpAnswer a = HttpAnswer::make(200, "OK", file);
            a.trickleMs = 20;
            a.trickleBytes = bytesPerStep;
            a.trickleHeader = header;
            return a;
        };
        QElapsedTimer clock;
        clock.start();
        const bool ok = rig.download();
        QVERIFY(clock.elapsed() < 3000);
        QVERIFY(rig.home.ui().calls.isEmpty());
        if (status.isEmpty()) {
            QVERIFY(ok);
            QCOMPARE(rig.home.read("file.bin"), file);
            return;
        }
        QVERIFY(!ok);
        QCOMPARE(rig.status(), status);
        QCOMPARE(rig.form.messageText(),
                 status.contains("slow")
                     ? "The server sent \"file.bin\" slower than 2.0 KB/sec, so the download was "
                       "stopped.\r\rCheck your internet connection and try again later."
                     : "The server did not send \"file.bin\" within 1 sec, so the download was "
                       "stopped.\r\rWait and try again later.");
        QCOMPARE(rig.form.shownPicture(), frmMain::Picture::Error);
        QVERIFY(rig.form.cmdCommand1->isEnabled());
        QVERIFY(!QFile::exists(rig.dest()));
        QVERIFY(!QFile::exists(renewer::clsDownload::partName(rig.dest())));
    }

    void stalledServerIsGivenUp()
    {
        Rig rig;
        rig.form.Inet1->setTimeout(200);
        rig.server.handler = [](const HttpRequest &) {
            HttpAnswer a = HttpAnswer::make(200, "OK", content(20000));
            a.cutAfter = 1000;
            a.endDelayMs = 5000; // keeps the connection open without a further byte
            return a;
        };
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!rig.download());
        QVERIFY(clock.elapsed() < 3000);
        QCOMPARE(rig.home.ui().calls.size(), 1);
        QCOMPARE(rig.home.ui().calls[0].title, QStringLiteral("Download Incomplete"));
        QVERIFY(!QFile::exists(rig.dest()));
    }

    void closingTheWindowStopsADownload()
    {
        Rig rig;
        rig.home.write("sftudate.tmp", "old");
        rig.server.handler = [](const HttpRequest &) {
            HttpAnswer a = HttpAnswer::make(200, "OK", content(20000));
            a.cutAfter = 1000;
            a.endDelayMs = 5000;
            return a;
        };
        QTimer::singleShot(100, &rig.form, [&] { rig.form.cmdCancel->click(); });
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!rig.download());
        QVERIFY(clock.elapsed() < 3000);
        QVERIFY(rig.form.isClosed());
        QVERIFY(rig.home.ui().calls.isEmpty());
        QVERIFY(!QFile::exists(rig.dest()));
        QVERIFY(!QFile::exists(rig.home.file("sftudate.tmp")));
    }

    void serverThatCannotResume_data()
    {
        QTest::addColumn<Answer>("answer");
        QTest::newRow("continue anyway") << Answer::Yes;
        QTest::newRow("give up") << Answer::No;
    }
    void serverThatCannotResume()
    {
        QFETCH(Answer, answer);
        Rig rig;
        const QByteArray file = content(20000);
        rig.server.handler = cutting(file, {10000}, false, false);
        rig.home.ui().answers << Answer::Retry << answer;
        const bool ok = rig.download();
        QCOMPARE(ok, answer == Answer::Yes);
        QCOMPARE(rig.ranges(), (QStringList{"bytes=0-", "bytes=5904-"}));
        QCOMPARE(rig.home.ui().messages().size(), 2);
        const auto question = rig.home.ui().calls.at(1);
        QCOMPARE(question.text, kUnableToResume);
        QCOMPARE(question.title, QStringLiteral("Unable to Resume Download"));
        QCOMPARE(question.buttons, Buttons::YesNo);
        QCOMPARE(question.icon, Icon::Exclamation);
        if (ok)
            QCOMPARE(rig.home.read("file.bin"), file); // started again from an empty file
        else
            QVERIFY(!QFile::exists(rig.dest()));
    }

    // A user who takes his time over the resume question is not blamed on the server.
    void slowAnswerStopsTheClocks()
    {
        struct SlowUi : ScriptedUi {
            Answer messageBox(const QString &text, const QString &title, Buttons buttons,
                              Icon icon) override
            {
                QTest::qWait(400);
                return ScriptedUi::messageBox(text, title, buttons, icon);
            }
        };
        Rig rig;
        auto ui = std::make_unique<SlowUi>();
        ui->answers << Answer::Retry << Answer::Yes;
        lc::ui::setService(std::move(ui));
        rig.form.Inet1->setTimeout(200);
        rig.form.Inet1->setLimits({1000, 20000, 100});
        const QByteArray file = content(20000);
        rig.server.handler = cutting(file, {10000}, false, false);
        QVERIFY(rig.download());
        QCOMPARE(rig.home.read("file.bin"), file);
    }

    void wrongRangeIsRefused()
    {
        Rig rig;
        const QByteArray file = content(20000);
        rig.server.handler = [&](const HttpRequest &) {
            HttpAnswer a = HttpAnswer::make(206, "Partial Content", {},
                                            {{"Content-Range", "bytes 100-19999/20000"}});
            a.body = file.mid(100);
            return a;
        };
        QVERIFY(!rig.download());
        QCOMPARE(rig.status(), QStringLiteral(" Error: Unexpected Error."));
        QCOMPARE(rig.form.messageText(), QStringLiteral("HTTP/1.1 206 Partial Content"));
        QVERIFY(!QFile::exists(rig.dest()));
    }

    void progressText()
    {
        renewer::clsProgressBar bar;
        QCOMPARE(bar.text(), QStringLiteral("0 %"));
        bar.setPercent(45);
        QCOMPARE(bar.text(), QStringLiteral("45 %"));
        bar.setPercent(250);
        QCOMPARE(bar.percent(), 100);
        bar.setPercent(-3);
        QCOMPARE(bar.percent(), 0);
        // The number sits at the centre over both the filled and the empty part.
        bar.resize(200, 18);
        bar.setPercent(50);
        const QImage image = bar.grab().toImage();
        QVERIFY(image.pixelColor(20, 9) != image.pixelColor(180, 9));
    }
};

QTEST_MAIN(TestRenewerDownload)
#include "tst_renewer_download.moc"
