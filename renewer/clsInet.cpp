#include "clsInet.h"

#include <QCoreApplication>
#include <QSslSocket>
#include <QTcpSocket>
#include <QUrl>

namespace renewer {

clsInet::clsInet(QObject *parent) : QObject(parent)
{
    m_idle.setSingleShot(true);
    connect(&m_idle, &QTimer::timeout, this,
            [this] { fail(QStringLiteral("The server did not answer in time.")); });
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] { giveUp(Stop::TimedOut); });
    connect(&m_pace, &QTimer::timeout, this, &clsInet::checkPace);
}

clsInet::~clsInet()
{
    release();
}

void clsInet::release()
{
    m_idle.stop();
    m_deadline.stop();
    m_pace.stop();
    if (QTcpSocket *socket = m_socket) {
        m_socket = nullptr;
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
}

void clsInet::fail(const QString &why)
{
    if (m_errorString.isEmpty())
        m_errorString = why;
    // A header cut short is still what the server said; show it as it came.
    if (m_state == State::ReadingHeader && m_header.isEmpty())
        m_header = m_reading;
    m_state = State::Done;
    m_idle.stop();
    m_deadline.stop();
    m_pace.stop();
}

void clsInet::giveUp(Stop why)
{
    if (m_state == State::Idle || m_state == State::Done)
        return;
    m_stop = why;
    fail(why == Stop::TimedOut ? QStringLiteral("The request took longer than allowed.")
                               : QStringLiteral("The server sent too slowly."));
    release();
}

void clsInet::setPaused(bool paused)
{
    if (paused == m_paused || m_state == State::Idle || m_state == State::Done)
        return;
    m_paused = paused;
    if (paused) {
        m_deadlineLeft = m_deadline.isActive() ? qMax(1, m_deadline.remainingTime()) : 0;
        m_idle.stop();
        m_deadline.stop();
        m_pace.stop();
        return;
    }
    m_idle.start(m_timeoutMs);
    if (m_deadlineLeft > 0)
        m_deadline.start(m_deadlineLeft);
    m_windowBytes = 0;
    if (m_state != State::Connecting && m_limits.windowMs > 0 && m_limits.minBytesPerSecond > 0)
        m_pace.start(m_limits.windowMs);
}

void clsInet::checkPace()
{
    // What a window must bring: the minimum rate's worth, or all that is still to come.
    qint64 required = m_limits.minBytesPerSecond * m_limits.windowMs / 1000;
    if (m_state == State::ReadingBody && m_bodyLeft >= 0)
        required = qMin(required, m_bodyLeft);
    const qint64 got = m_windowBytes;
    m_windowBytes = 0;
    if (got < required)
        giveUp(Stop::TooSlow);
}

void clsInet::Execute(const QString &url, const QString &user, const QString &password,
                      const QByteArray &headerName, const QByteArray &headerValue)
{
    release();
    m_header.clear();
    m_reading.clear();
    m_fields.clear();
    m_bodyLeft = -1;
    m_errorString.clear();
    m_stop = Stop::None;
    m_windowBytes = 0;
    m_paused = false;
    m_state = State::Connecting;

    const QUrl address(url);
    const bool tls = address.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
    if (!address.isValid() || address.host().isEmpty() ||
        (!tls && address.scheme().compare(QLatin1String("http"), Qt::CaseInsensitive) != 0)) {
        fail(QStringLiteral("Not an http or https address."));
        return;
    }
    const quint16 port = quint16(address.port(tls ? 443 : 80));
    QByteArray target = address.path(QUrl::FullyEncoded).toLatin1();
    if (target.isEmpty())
        target = "/";
    if (address.hasQuery())
        target += '?' + address.query(QUrl::FullyEncoded).toLatin1();
    QByteArray host = address.host(QUrl::FullyEncoded).toLatin1();
    if (host.contains(':'))
        host = '[' + host + ']';
    if (address.port() > 0)
        host += ':' + QByteArray::number(address.port());

    m_request = "GET " + target + " HTTP/1.1\r\nHost: " + host + "\r\n" + headerName + ": " +
                headerValue + "\r\n";
    if (!user.isEmpty())
        m_request +=
            "Authorization: Basic " + (user + u':' + password).toUtf8().toBase64() + "\r\n";
    m_request += "User-Agent: Renewer/" + QByteArray::number(LORECASE_VERSION_MAJOR) + '.' +
                 QByteArray::number(LORECASE_VERSION_MINOR) + "\r\nConnection: close\r\n\r\n";

    // Plain http needs no TLS library at all.
    QTcpSocket *socket = tls ? new QSslSocket(this) : new QTcpSocket(this);
    m_socket = socket;
    socket->setReadBufferSize(kReadBuffer);
    connect(socket, &QTcpSocket::readyRead, this, [this] {
        if (!m_paused)
            m_idle.start(m_timeoutMs);
        if (m_state == State::ReadingHeader)
            readHeader();
    });
    connect(socket, &QTcpSocket::bytesWritten, this, [this] {
        if (!m_paused)
            m_idle.start(m_timeoutMs);
    });
    connect(socket, &QTcpSocket::errorOccurred, this, [this, socket] {
        // The body may still sit in the buffer: GetChunk hands it out before reporting the end.
        if (m_state != State::ReadingBody)
            fail(socket->errorString());
        else if (m_errorString.isEmpty())
            m_errorString = socket->errorString();
    });
    connect(socket, &QTcpSocket::disconnected, this, [this] {
        if (m_state == State::ReadingHeader)
            readHeader();
        if (m_state != State::ReadingBody)
            fail(QStringLiteral("The server closed the connection."));
    });
    if (auto *secure = qobject_cast<QSslSocket *>(socket)) {
        connect(secure, &QSslSocket::encrypted, this, &clsInet::onConnected);
        secure->connectToHostEncrypted(address.host(), port);
    } else {
        connect(socket, &QTcpSocket::connected, this, &clsInet::onConnected);
        socket->connectToHost(address.host(), port);
    }
    m_idle.start(m_timeoutMs);
    if (m_limits.totalMs > 0)
        m_deadline.start(m_limits.totalMs);
}

void clsInet::onConnected()
{
    if (!m_socket || m_state != State::Connecting)
        return;
    m_state = State::ReadingHeader;
    // Reaching the server is the silence timeout's business; the pace counts from here.
    m_windowBytes = 0;
    if (m_limits.windowMs > 0 && m_limits.minBytesPerSecond > 0)
        m_pace.start(m_limits.windowMs);
    m_socket->write(m_request);
}

void clsInet::readHeader()
{
    // Line by line, so not a byte of the body is taken out of the socket's buffer here.
    while (m_state == State::ReadingHeader && m_socket) {
        if (!m_socket->canReadLine()) {
            const bool closed = m_socket->state() != QAbstractSocket::ConnectedState;
            if (m_reading.size() + m_socket->bytesAvailable() >= kMaxHeader ||
                (closed && m_socket->bytesAvailable() > 0)) {
                m_reading += m_socket->read(kMaxHeader - m_reading.size());
                fail(QStringLiteral("The server's answer is no HTTP."));
                m_socket->abort();
            }
            return;
        }
        const QByteArray line = m_socket->readLine(kMaxHeader - m_reading.size() + 1);
        m_windowBytes += line.size();
        m_reading += line;
        if (line == "\r\n" || line == "\n") {
            headerEnded();
        } else if (m_reading.size() >= kMaxHeader) {
            fail(QStringLiteral("The server's answer is no HTTP."));
            m_socket->abort();
        }
    }
}

void clsInet::headerEnded()
{
    QList<QByteArray> lines = m_reading.split('\n');
    const QByteArray statusLine = lines.value(0).trimmed();
    // An interim answer ("100 Continue") is followed by the real one.
    if (statusLine.startsWith("HTTP/") && statusLine.mid(9, 1) == "1") {
        m_reading.clear();
        return;
    }
    m_header = m_reading;
    m_reading.clear();
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            m_fields << qMakePair(lines[i].left(colon).trimmed().toLower(),
                                  lines[i].mid(colon + 1).trimmed());
    }
    bool ok = false;
    const qint64 length = GetHeader("Content-Length").toLongLong(&ok);
    m_bodyLeft = ok && length >= 0 ? length : -1;
    m_state = State::ReadingBody;
}

bool clsInet::StillExecuting() const
{
    return m_state == State::Connecting || m_state == State::ReadingHeader;
}

void clsInet::waitForActivity(int maxMs)
{
    // A timer guarantees a wake-up, so a quiet connection can never freeze the loop.
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(maxMs);
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

QString clsInet::GetHeader() const
{
    return QString::fromLatin1(m_header);
}

QByteArray clsInet::GetHeader(const QByteArray &name) const
{
    const QByteArray key = name.toLower();
    for (const auto &field : m_fields)
        if (field.first == key)
            return field.second;
    return {};
}

qint64 clsInet::GetChunk(char *buffer, qint64 max)
{
    while (m_state == State::ReadingBody && m_socket) {
        if (m_bodyLeft == 0)
            break;
        if (m_socket->bytesAvailable() > 0) {
            const qint64 n = m_socket->read(buffer, m_bodyLeft >= 0 ? qMin(max, m_bodyLeft) : max);
            if (n > 0) {
                m_windowBytes += n;
                if (m_bodyLeft > 0)
                    m_bodyLeft -= n;
                return n;
            }
        }
        if (m_socket->state() != QAbstractSocket::ConnectedState)
            break;
        waitForActivity(250);
    }
    if (m_state == State::ReadingBody)
        m_state = State::Done;
    m_idle.stop();
    m_deadline.stop();
    m_pace.stop();
    return 0;
}

void clsInet::Cancel()
{
    release();
    m_state = State::Idle;
}

} // namespace renewer
