#include "httpserver.h"

#include <QTcpSocket>
#include <QTimer>

#include <memory>

#include <sys/socket.h>

namespace {
// Ends the connection with a reset: no orderly close, as a dropped link looks to the client.
void resetConnection(QTcpSocket *socket)
{
    const struct linger hard = {1, 0};
    ::setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    socket->abort();
}

QByteArray compose(const HttpAnswer &a, QByteArray *body)
{
    QByteArray head = "HTTP/1.1 " + QByteArray::number(a.status) + ' ' + a.reason + "\r\n";
    for (const auto &h : a.headers)
        head += h.first + ": " + h.second + "\r\n";
    if (a.sendLength)
        head += "Content-Length: " +
                (a.lengthValue.isNull() ? QByteArray::number(a.body.size()) : a.lengthValue) +
                "\r\n";
    head += "Connection: close\r\n\r\n";
    *body = a.cutAfter >= 0 ? a.body.left(a.cutAfter) : a.body;
    return head;
}
} // namespace

ScriptedHttpServer::ScriptedHttpServer(QObject *parent) : QObject(parent)
{
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, &ScriptedHttpServer::accept);
}

ScriptedHttpServer::~ScriptedHttpServer()
{
    m_server.close();
}

QString ScriptedHttpServer::base() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort());
}

void ScriptedHttpServer::accept()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        auto *buffer = new QByteArray;
        connect(socket, &QObject::destroyed, this, [buffer] { delete buffer; });
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
            *buffer += socket->readAll();
            const qsizetype end = buffer->indexOf("\r\n\r\n");
            if (end < 0 || socket->property("answered").toBool())
                return;
            socket->setProperty("answered", true);
            HttpRequest request;
            const QList<QByteArray> lines = buffer->left(end).split('\n');
            const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
            request.method = first.value(0);
            request.target = first.value(1);
            for (qsizetype i = 1; i < lines.size(); ++i) {
                const qsizetype colon = lines[i].indexOf(':');
                if (colon > 0)
                    request.headers.insert(lines[i].left(colon).trimmed().toLower(),
                                           lines[i].mid(colon + 1).trimmed());
            }
            requests << request;
            const HttpAnswer answer =
                handler ? handler(request) : HttpAnswer::make(404, "Not Found");
            if (!answer.raw.isNull()) {
                socket->write(answer.raw);
                socket->disconnectFromHost();
                return;
            }
            QByteArray body;
            const QByteArray head = compose(answer, &body);
            if (answer.trickleMs > 0) {
                auto pending =
                    std::make_shared<QByteArray>(answer.trickleHeader ? head + body : body);
                if (!answer.trickleHeader)
                    socket->write(head);
                auto *pace = new QTimer(socket);
                const int step = answer.trickleBytes;
                connect(pace, &QTimer::timeout, socket, [socket, pending, pace, step] {
                    socket->write(pending->left(step));
                    pending->remove(0, step);
                    if (pending->isEmpty()) {
                        pace->stop();
                        socket->disconnectFromHost();
                    }
                });
                pace->start(answer.trickleMs);
                return;
            }
            socket->write(head);
            socket->write(body);
            const bool reset = answer.reset;
            if (answer.endDelayMs > 0) {
                QTimer::singleShot(answer.endDelayMs, socket, [socket, reset] {
                    if (reset)
                        resetConnection(socket);
                    else
                        socket->disconnectFromHost();
                });
            } else if (reset) {
                connect(socket, &QTcpSocket::bytesWritten, socket, [socket] {
                    if (socket->bytesToWrite() == 0)
                        resetConnection(socket);
                });
            } else {
                socket->disconnectFromHost();
            }
        });
    }
}

HttpAnswer ScriptedHttpServer::serve(const QByteArray &content, const HttpRequest &request)
{
    HttpAnswer a;
    a.body = content;
    const QByteArray range = request.header("Range");
    if (range.startsWith("bytes=") && range.endsWith('-')) {
        const qint64 from = range.mid(6, range.size() - 7).toLongLong();
        if (from > 0 || !content.isEmpty()) {
            a.status = 206;
            a.reason = "Partial Content";
            a.headers << qMakePair(QByteArray("Content-Range"),
                                   "bytes " + QByteArray::number(from) + '-' +
                                       QByteArray::number(content.size() - 1) + '/' +
                                       QByteArray::number(content.size()));
            a.body = content.mid(from);
        }
    }
    return a;
}

ScriptedHttpServer::Handler ScriptedHttpServer::files(const QMap<QByteArray, QByteArray> &byPath)
{
    return [byPath](const HttpRequest &request) {
        const auto it = byPath.find(request.target);
        if (it == byPath.end())
            return HttpAnswer::make(404, "Not Found", "no such file");
        return serve(*it, request);
    };
}
