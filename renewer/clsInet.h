#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QTimer>

class QTcpSocket;

namespace renewer {

// The updater's transfer control: one HTTP/1.1 GET (plain or TLS) at a time on its own
// connection, driven from the window's thread. Everything waits by letting events run, never
// by blocking, so the window stays alive. It sends exactly one request per Execute, never a
// hidden retry, so a resume asks for precisely the range the user was told about; it keeps
// the response header as it came; and it hands out the body in small pieces straight from a
// socket buffer of fixed size, so memory stays the same whatever the file's size.
class clsInet : public QObject {
    Q_OBJECT
public:
    explicit clsInet(QObject *parent = nullptr);
    ~clsInet() override;

    // Starts a GET carrying one extra request header (the byte range).
    void Execute(const QString &url, const QString &user, const QString &password,
                 const QByteArray &headerName, const QByteArray &headerValue);
    // True until the response header arrived or the request ended.
    bool StillExecuting() const;
    // Lets events run until something happens on the connection (or maxMs passed).
    void waitForActivity(int maxMs);
    // The response header as received: the status line and the fields, each ended by CR LF.
    // Empty when no answer came at all.
    QString GetHeader() const;
    // One field of the response header (name in any case); null when absent.
    QByteArray GetHeader(const QByteArray &name) const;
    // Reads up to max bytes of the body, letting events run until some arrive; 0 at its end
    // (all of Content-Length read, the connection closed or failed).
    qint64 GetChunk(char *buffer, qint64 max);
    // Drops the pending request, if any.
    void Cancel();

    // How long the server may stay silent before the connection is given up.
    void setTimeout(int ms) { m_timeoutMs = ms; }

    // A server that keeps sending a byte now and then is never silent, so silence alone
    // cannot end a request: it also has a time limit, and once connected it must deliver at
    // least a minimum rate in every window of time (or finish within it).
    struct Limits {
        int totalMs = 60 * 60 * 1000; // the whole request, from connecting to its last byte
        qint64 minBytesPerSecond = 256;
        int windowMs = 30 * 1000;
    };
    void setLimits(const Limits &limits) { m_limits = limits; }
    const Limits &limits() const { return m_limits; }

    // Why the last request was given up by the updater itself, if it was.
    enum class Stop { None, TimedOut, TooSlow };
    Stop stopReason() const { return m_stop; }

    // While the user is asked something mid-request, the connection's clocks stand still:
    // neither the silence, the limit nor the rate may end it behind a question.
    void setPaused(bool paused);
    // Why the last request ended early, for the curious; empty when it did not.
    QString errorString() const { return m_errorString; }

    // More header than this is no HTTP answer.
    static constexpr qint64 kMaxHeader = 64 * 1024;
    // What the socket may hold unread; beyond it the kernel simply holds the data back.
    static constexpr qint64 kReadBuffer = 256 * 1024;

private:
    enum class State { Idle, Connecting, ReadingHeader, ReadingBody, Done };
    void release();
    void fail(const QString &why);
    void giveUp(Stop why);
    void checkPace();
    void onConnected();
    void readHeader();
    void headerEnded();

    QPointer<QTcpSocket> m_socket;
    State m_state = State::Idle;
    QByteArray m_request;
    QByteArray m_header;  // the final answer's header, as received
    QByteArray m_reading; // the header being read (a 1xx answer's is dropped)
    QList<QPair<QByteArray, QByteArray>> m_fields;
    qint64 m_bodyLeft = -1; // -1: up to the connection's end
    int m_timeoutMs = 30000;
    QTimer m_idle;
    QString m_errorString;
    Limits m_limits;
    Stop m_stop = Stop::None;
    QTimer m_deadline;
    QTimer m_pace;
    qint64 m_windowBytes = 0; // header and body bytes taken in since the window began
    bool m_paused = false;
    int m_deadlineLeft = 0;
};

} // namespace renewer
