#pragma once

#include <QProcess>
#include <QString>
#include <QTcpServer>
#include <QTemporaryDir>

// A real nginx serving one folder on 127.0.0.1, with its own generated configuration in a
// temporary folder; stopped when it goes out of scope. Runs as a single foreground process
// so nothing is left behind and no privileges are needed.
class NginxServer {
public:
    NginxServer() = default;
    ~NginxServer() { stop(); }
    NginxServer(const NginxServer &) = delete;
    NginxServer &operator=(const NginxServer &) = delete;

    // The nginx program, or empty when it is not installed.
    static QString program();
    // Serves https with this certificate and key instead of plain http (before start).
    void useTls(const QString &certificate, const QString &key)
    {
        m_certificate = certificate;
        m_key = key;
    }
    bool start(const QString &root, QString *error);
    void stop();
    QString base() const
    {
        return QStringLiteral("%1://127.0.0.1:%2")
            .arg(m_certificate.isEmpty() ? QStringLiteral("http") : QStringLiteral("https"))
            .arg(m_port);
    }
    quint16 port() const { return m_port; }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_certificate, m_key;
};

// Passes loopback connections through to a server, but ends the first connection whose
// request names `cutPath` after `afterBody` bytes of the response body: a link that drops in
// the middle of a download. Every request is kept for the test to read.
class CuttingRelay : public QObject {
    Q_OBJECT
public:
    CuttingRelay(quint16 targetPort, const QByteArray &cutPath, qint64 afterBody);
    QString base() const
    {
        return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort());
    }
    QList<QByteArray> requests;

private:
    void accept();
    QTcpServer m_server;
    quint16 m_target;
    QByteArray m_cutPath;
    qint64 m_afterBody;
    bool m_cutDone = false;
};
