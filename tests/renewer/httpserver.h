#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPair>
#include <QString>
#include <QTcpServer>

#include <functional>

// What the updater asked for.
struct HttpRequest {
    QByteArray method;
    QByteArray target;                    // path and query as sent
    QMap<QByteArray, QByteArray> headers; // names in lower case

    QByteArray header(const QByteArray &name) const { return headers.value(name.toLower()); }
};

// What the server answers; composed unless raw is set.
struct HttpAnswer {
    int status = 200;
    QByteArray reason = "OK";
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
    bool sendLength = true;
    QByteArray lengthValue; // sent as Content-Length instead of the body's size when set
    qint64 cutAfter = -1;   // body bytes sent before the connection ends early
    bool reset = false;     // end early with a reset instead of an orderly close
    int endDelayMs = 0;     // how long an early end waits after the bytes went out
    QByteArray raw;         // sent as it is, then the connection closes
    int trickleMs = 0;      // when set, the body goes out a few bytes at a time at this pace
    int trickleBytes = 1;
    bool trickleHeader = false; // the header trickles too

    static HttpAnswer make(int status, const QByteArray &reason, const QByteArray &body = {},
                           const QList<QPair<QByteArray, QByteArray>> &headers = {})
    {
        HttpAnswer a;
        a.status = status;
        a.reason = reason;
        a.body = body;
        a.headers = headers;
        return a;
    }
};

// A small HTTP/1.1 server on 127.0.0.1 and an ephemeral port, answering each request through
// a script, one request per connection. It runs on the test's thread: the updater's waits
// let its events run.
class ScriptedHttpServer : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<HttpAnswer(const HttpRequest &)>;

    explicit ScriptedHttpServer(QObject *parent = nullptr);
    ~ScriptedHttpServer() override;

    QString base() const;
    Handler handler;
    QList<HttpRequest> requests;

    // Serves content as a real server would, honouring a "bytes=N-" range with 206.
    static HttpAnswer serve(const QByteArray &content, const HttpRequest &request);
    // Serves a set of files by path; anything else is a 404.
    static Handler files(const QMap<QByteArray, QByteArray> &byPath);

private:
    void accept();
    QTcpServer m_server;
};
