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
        const QString before = QStringLiteral(" Checking Server...");
        const QString unexpected = QStringLiteral(" Error: Unexpected Error.");
        HttpAnswer noContent = HttpAnswer::make(204, "No Content");
        noContent.sendLength = false;
        QTest::newRow("204") << noContent << before << QString()
                             << "Nothing to download!|No Content|info" << false;
        QTest::newRow("401") << HttpAnswer::make(401, "Unauthorized", "no") << before << QString()
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
        QTest::newRow("after 4096 bytes")
            << QList<qint64>{4096} << false << QStringList{"bytes=0-", "bytes=0-"};
        QTest::newRow("below 4096 bytes")
            << QList<qint64>{3000} << false << QStringList{"bytes=0-", "bytes=0-"};
        QTest::newRow("before the body")
            << QList<qint64>{0} << false << QStringList{"bytes=0-", "bytes=0-"};
        // The second break counts from where the first resume started writing.
        QTest::newRow("twice") << QList<qint64>{10000, 3000} << false
                               << QStringList{"bytes=0-", "bytes=5904-", "bytes=4808-"};
        QTest::newRow("reset") << QList<qint64>{10000} << true << QStringList{};
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
            // A reset may lose bytes in flight, but the resume never starts past the overlap.
            QCOMPARE(rig.ranges().first(), QStringLiteral("bytes=0-"));
            QVERIFY(rig.ranges().last().mid(6).chopped(1).toInt() <= 10000 - 4096);
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

    void cancelAfterABrokenLink()
    {
        Rig rig;
        const QByteArray file = content(20000);
        rig.server.handler = cutting(file, {10000});
        rig.home.ui().answers.enqueue(Answer::Cancel);
        QVERIFY(!rig.download());
        QCOMPARE(rig.server.requests.size(), 1);
        QCOMPARE(rig.home.ui().calls.size(), 1);
        QVERIFY(!QFile::exists(rig.dest()));
        // The bar keeps the last value drawn.
        QCOMPARE(rig.form.picPBar->text(), QStringLiteral("50 %"));
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
