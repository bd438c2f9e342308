#include "nginxserver.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QThread>

#include <limits>
#include <memory>

QString NginxServer::program()
{
    return QStandardPaths::findExecutable(
        QStringLiteral("nginx"), {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/local/sbin"),
                                  QStringLiteral("/usr/bin"), QStringLiteral("/usr/local/bin")});
}

bool NginxServer::start(const QString &root, QString *error)
{
    const QString nginx = program();
    if (nginx.isEmpty() || !m_dir.isValid()) {
        *error = QStringLiteral("nginx is not installed");
        return false;
    }
    const QString dir = m_dir.path();
    for (int attempt = 0; attempt < 5; ++attempt) {
        // An ephemeral port the system just handed out; another taker in between is retried.
        {
            QTcpServer probe;
            probe.listen(QHostAddress::LocalHost, 0);
            m_port = probe.serverPort();
        }
        QFile conf(dir + QStringLiteral("/nginx.conf"));
        if (!conf.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            *error = conf.errorString();
            return false;
        }
        conf.write(
            QStringLiteral("daemon off;\nmaster_process off;\nworker_processes 1;\n"
                           "pid %1/nginx.pid;\nerror_log %1/error.log warn;\n"
                           "events { worker_connections 64; }\n"
                           "http {\n  access_log off;\n  sendfile on;\n"
                           "  default_type application/octet-stream;\n"
                           "  client_body_temp_path %1/body;\n  proxy_temp_path %1/proxy;\n"
                           "  fastcgi_temp_path %1/fastcgi;\n  uwsgi_temp_path %1/uwsgi;\n"
                           "  scgi_temp_path %1/scgi;\n"
                           "  server {\n    listen 127.0.0.1:%2%4;\n    root %3;\n%5  }\n}\n")
                .arg(dir)
                .arg(m_port)
                .arg(root)
                .arg(m_certificate.isEmpty() ? QString() : QStringLiteral(" ssl"))
                .arg(m_certificate.isEmpty() ? QString()
                                             : QStringLiteral("    ssl_certificate %1;\n"
                                                              "    ssl_certificate_key %2;\n")
                                                   .arg(m_certificate, m_key))
                .toUtf8());
        conf.close();
        m_process.setProgram(nginx);
        m_process.setArguments({QStringLiteral("-p"), dir, QStringLiteral("-c"),
                                dir + QStringLiteral("/nginx.conf"), QStringLiteral("-e"),
                                dir + QStringLiteral("/error.log")});
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start();
        if (!m_process.waitForStarted(5000)) {
            *error = m_process.errorString();
            return false;
        }
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 5000 && m_process.state() == QProcess::Running) {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, m_port);
            if (socket.waitForConnected(200))
                return true;
            QThread::msleep(20);
        }
        stop();
    }
    QFile log(dir + QStringLiteral("/error.log"));
    *error = log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll())
                                           : QStringLiteral("nginx did not start");
    return false;
}

void NginxServer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

CuttingRelay::CuttingRelay(quint16 targetPort, const QByteArray &cutPath, qint64 afterBody)
    : m_target(targetPort), m_cutPath(cutPath), m_afterBody(afterBody)
{
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, &CuttingRelay::accept);
}

void CuttingRelay::accept()
{
    while (QTcpSocket *client = m_server.nextPendingConnection()) {
        const qsizetype index = requests.size();
        requests << QByteArray();
        auto *upstream = new QTcpSocket(client);
        connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
        connect(client, &QTcpSocket::readyRead, upstream, [this, client, upstream, index] {
            const QByteArray data = client->readAll();
            requests[index] += data;
            upstream->write(data);
        });
        connect(upstream, &QTcpSocket::disconnected, client,
                [client] { client->disconnectFromHost(); });
        // Bytes still to pass; -1 until the end of the response header was seen.
        auto header = std::make_shared<QByteArray>();
        auto left = std::make_shared<qint64>(-1);
        connect(upstream, &QTcpSocket::readyRead, client,
                [this, client, upstream, header, left, index] {
                    QByteArray data = upstream->readAll();
                    if (*left < 0) {
                        *header += data;
                        const qsizetype end = header->indexOf("\r\n\r\n");
                        if (end < 0)
                            return;
                        data = *header;
                        const bool cut =
                            !m_cutDone && requests[index].split('\n').value(0).contains(m_cutPath);
                        m_cutDone = m_cutDone || cut;
                        *left = cut ? end + 4 + m_afterBody : std::numeric_limits<qint64>::max();
                    }
                    const qint64 n = qMin<qint64>(data.size(), *left);
                    client->write(data.left(n));
                    *left -= n;
                    if (*left == 0) {
                        upstream->abort();
                        client->disconnectFromHost();
                    }
                });
        upstream->connectToHost(QHostAddress::LocalHost, m_target);
    }
}
