#include "frmMain.h"
#include "modProcess.h"
#include "nginxserver.h"
#include "settings.h"
#include "testsupport.h"

#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QStandardPaths>
#include <QtTest>

using lc::ui::Answer;
using lc::ui::ScriptedUi;
using renewer::frmMain;

namespace {
QByteArray randomBytes(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(7);
    generator.fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
    return bytes;
}

void put(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray rangeOf(const QByteArray &request)
{
    for (const QByteArray &line : request.split('\n'))
        if (line.toLower().startsWith("range:"))
            return line.mid(6).trimmed();
    return {};
}
} // namespace

// The same downloads and the whole update once more, against a real nginx on loopback.
class TestRenewerNginx : public QObject {
    Q_OBJECT
    QTemporaryDir m_www;
    NginxServer m_nginx;
    QByteArray m_file;

private Q_SLOTS:
    void initTestCase()
    {
        if (NginxServer::program().isEmpty())
            QSKIP("nginx is not installed (scripts/deps.sh installs it)");
        QVERIFY(m_www.isValid());
        m_file = randomBytes(3 * 1024 * 1024 + 123);
        put(m_www.filePath("downloads/big/file.bin"), m_file);
        QString error;
        QVERIFY2(m_nginx.start(m_www.path(), &error), qPrintable(error));
    }
    void cleanupTestCase() { m_nginx.stop(); }

    void normalDownload()
    {
        TestHome home(TestHome::Db::None);
        frmMain form;
        QVERIFY(form.DownloadFile(m_nginx.base() + "/downloads/big/file.bin", home.file("file.bin"),
                                  {}, {}));
        QCOMPARE(home.read("file.bin"), m_file);
        QCOMPARE(form.lblStatus->text(), QStringLiteral(" Download completed!"));
        QVERIFY(home.ui().calls.isEmpty());

        QVERIFY(!form.DownloadFile(m_nginx.base() + "/downloads/big/none.bin",
                                   home.file("none.bin"), {}, {}));
        QCOMPARE(form.lblStatus->text(), QStringLiteral(" Error:  File Not Found."));
        QVERIFY(!QFile::exists(home.file("none.bin")));
    }

    void resumedDownload()
    {
        TestHome home(TestHome::Db::None);
        CuttingRelay relay(m_nginx.port(), "file.bin", 10000);
        frmMain form;
        home.ui().answers.enqueue(Answer::Retry);
        QVERIFY(form.DownloadFile(relay.base() + "/downloads/big/file.bin", home.file("file.bin"),
                                  {}, {}));
        QCOMPARE(home.read("file.bin"), m_file);
        QCOMPARE(relay.requests.size(), 2);
        QCOMPARE(rangeOf(relay.requests[0]), QByteArray("bytes=0-"));
        QCOMPARE(rangeOf(relay.requests[1]), QByteArray("bytes=5904-"));
        QCOMPARE(home.ui().calls.size(), 1);
        QCOMPARE(home.ui().calls[0].title, QStringLiteral("Download Incomplete"));
    }

    void httpsDownload()
    {
        const QString openssl = QStandardPaths::findExecutable("openssl");
        if (!QSslSocket::supportsSsl() || openssl.isEmpty())
            QSKIP("no TLS library or no openssl to make a certificate");
        QTemporaryDir certs;
        const QString cert = certs.filePath("cert.pem"), key = certs.filePath("key.pem");
        QProcess make;
        make.start(openssl, {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1", "-subj",
                             "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1", "-keyout",
                             key, "-out", cert});
        QVERIFY(make.waitForFinished(30000) && make.exitCode() == 0);
        NginxServer tls;
        tls.useTls(cert, key);
        QString error;
        QVERIFY2(tls.start(m_www.path(), &error), qPrintable(error));
        QVERIFY(tls.base().startsWith("https://127.0.0.1:"));

        TestHome home(TestHome::Db::None);
        frmMain form;
        const QString url = tls.base() + "/downloads/big/file.bin";
        // A certificate nobody vouches for is no connection at all.
        QVERIFY(!form.DownloadFile(url, home.file("file.bin"), {}, {}));
        QCOMPARE(form.lblStatus->text(), QStringLiteral(" Error: Cannot establish connection."));
        QVERIFY(!QFile::exists(home.file("file.bin")));

        const QSslConfiguration original = QSslConfiguration::defaultConfiguration();
        QSslConfiguration trusting = original;
        trusting.addCaCertificates(cert);
        QSslConfiguration::setDefaultConfiguration(trusting);
        const bool ok = form.DownloadFile(url, home.file("file.bin"), {}, {});
        QSslConfiguration::setDefaultConfiguration(original);
        QVERIFY(ok);
        QCOMPARE(home.read("file.bin"), m_file);
    }

    void wholeUpdate()
    {
#ifdef Q_OS_LINUX
        TestHome home(TestHome::Db::None);
        const QByteArray program = randomBytes(1024 * 1024);
        put(m_www.filePath("downloads/sftudate.tmp"),
            "APP:Lorecase1\r\nAPP:Lorecase\r\nVER:1.2.0\r\nUFL:Lorecase|bin\r\n"
            "NFL:readme.txt|docs|help\\\r\nMSG:New tree.\r\n..........\r\n");
        put(m_www.filePath("downloads/bin/Lorecase"), program);
        put(m_www.filePath("downloads/docs/readme.txt"), "read me");
        CuttingRelay relay(m_nginx.port(), "bin/Lorecase", 500000);
        lc::settings::SaveSetting("Updater", "Server", relay.base());
        home.write("~udtmp.tmp", "APP:Lorecase\r\nMAJ:1\r\nMIN:1\r\nREV:5\r\n");
        QVERIFY(QFile::copy("/bin/sleep", home.file("Lorecase")));
        QProcess running;
        running.start(home.file("Lorecase"), {"30"});
        QVERIFY(running.waitForStarted());

        frmMain form;
        form.Form_Activate();
        QCOMPARE(form.lblStatus->text(), QStringLiteral(" There is a minor update available."));
        QVERIFY(form.messageText().contains("Updated File: Lorecase\r\nNew File: readme.txt\r\n"));
        home.ui().answers.enqueue(Answer::Retry);
        form.cmdCommand1->click();

        // The window says it is done and closes on OK.
        QCOMPARE(form.lblStatus->text(), QStringLiteral(" Update completed!"));
        form.cmdCommand1->click();
        QVERIFY(form.isClosed());
        QCOMPARE(running.state(), QProcess::NotRunning);
        QCOMPARE(home.read("Lorecase"), program);
        QCOMPARE(home.read("help/readme.txt"), QByteArray("read me"));
        QCOMPARE(relay.requests.size(), 4);
        QCOMPARE(rangeOf(relay.requests[3]), QByteArray("bytes=495904-"));
        const auto shell = home.ui().callsOf(ScriptedUi::Kind::Shell);
        QCOMPARE(shell.size(), 1);
        QCOMPARE(shell[0].text, home.file("Lorecase"));
        QVERIFY(!QFile::exists(home.file("sftudate.tmp")));
#else
        QSKIP("The dummy main program is a Linux program");
#endif
    }
};

QTEST_MAIN(TestRenewerNginx)
#include "tst_renewer_nginx.moc"
