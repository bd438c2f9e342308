#include "clsDownload.h"

#include "clsInet.h"
#include "modFormat.h"
#include "uiservice.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

using lc::ui::Answer;
using lc::ui::Buttons;
using lc::ui::Icon;

namespace renewer {

namespace {
// While data keeps coming, events run at most this often: often enough for the window,
// rarely enough not to throttle a fast link.
constexpr qint64 kYieldMs = 15;
constexpr qint64 kRateMs = 500;

// The status line of an answer; a garbage answer's "line" is cut to something readable.
QString firstLine(const QString &header)
{
    qsizetype end = 0;
    while (end < header.size() && header[end] != u'\r' && header[end] != u'\n')
        ++end;
    return header.left(qMin<qsizetype>(end, 256));
}

QString rateOf(qint64 bytes, qint64 ms)
{
    return rateText(ms > 0 ? double(bytes) * 1000.0 / double(ms) : 0.0);
}
} // namespace

clsDownload::clsDownload(QObject *parent) : QObject(parent), m_inet(new clsInet(this)) {}

clsDownload::~clsDownload() = default;

void clsDownload::Cancel()
{
    m_cancelled = true;
    m_inet->Cancel();
}

qint64 clsDownload::freeSpace(const QString &path) const
{
    // The destination's folder may not exist yet: ask about the nearest one that does.
    QDir dir = QFileInfo(path).absoluteDir();
    while (!dir.exists() && !dir.isRoot())
        dir.setPath(QFileInfo(dir.absolutePath()).absolutePath());
    if (m_freeSpace)
        return m_freeSpace(dir.absolutePath());
    const QStorageInfo storage(dir.absolutePath());
    return storage.isValid() ? storage.bytesAvailable() : -1;
}

bool clsDownload::DownloadFile(const QString &remote, const QString &destination,
                               const QString &user, const QString &password)
{
    bool resume = false;
    qint64 start = 0;
    qint64 received = 0;
    bool written = false; // this call created or wrote the destination
    auto fail = [&] {
        m_inet->Cancel();
        Q_EMIT FrameShown(false);
        // A partial file is only worth keeping for a resume inside this call.
        if (written)
            QFile::remove(destination);
        return false;
    };
    auto error = [&](const QString &status, const QString &message) {
        Q_EMIT PictureShown(Picture::Error);
        Q_EMIT Status(status);
        Q_EMIT Message(message);
        return fail();
    };
    auto unexpected = [&](const QString &message) {
        return error(QStringLiteral(" Error: Unexpected Error."), message);
    };
    if (m_cancelled)
        return false;

    for (;;) {
        start = 0;
        if (resume) {
            Q_EMIT Status(QStringLiteral(" Resuming download..."));
            start = qMax<qint64>(0, received - kResumeOverlap);
        }
        Q_EMIT PictureShown(Picture::Download);
        m_inet->Execute(remote, user, password, "Range",
                        "bytes=" + QByteArray::number(start) + '-');
        while (m_inet->StillExecuting() && !m_cancelled)
            m_inet->waitForActivity(250);
        if (m_cancelled)
            return fail();

        const QString header = m_inet->GetHeader();
        const QString status = header.mid(9, 3);
        bool continuing = resume;
        if (status == QLatin1String("200")) {
            if (resume) {
                QFile::remove(destination);
                if (lc::ui::msgBox(QStringLiteral("The server is unable to resume this "
                                                  "download.\r\rDo you want to continue anyway?"),
                                   Buttons::YesNo, Icon::Exclamation,
                                   QStringLiteral("Unable to Resume Download")) != Answer::Yes)
                    return fail();
                continuing = false;
                start = 0;
            }
        } else if (status == QLatin1String("206")) {
            // A server that answers another range than the one asked for would corrupt the file.
            const QByteArray range = m_inet->GetHeader("Content-Range").trimmed();
            if (!range.isEmpty() &&
                range.mid(6).split('-').value(0).trimmed().toLongLong() != start)
                return unexpected(firstLine(header));
        } else if (status == QLatin1String("204")) {
            Q_EMIT PictureShown(Picture::Error);
            lc::ui::msgBox(QStringLiteral("Nothing to download!"), Buttons::Ok, Icon::Information,
                           QStringLiteral("No Content"));
            return fail();
        } else if (status == QLatin1String("401")) {
            Q_EMIT PictureShown(Picture::Error);
            lc::ui::msgBox(QStringLiteral("Authorization failed!"), Buttons::Ok, Icon::Critical,
                           QStringLiteral("Unauthorized"));
            return fail();
        } else if (status == QLatin1String("404")) {
            return error(QStringLiteral(" Error:  File Not Found."),
                         QStringLiteral("The file \"") + remote +
                             QStringLiteral("\" was not found."));
        } else if (!header.isEmpty()) {
            return unexpected(firstLine(header));
        } else {
            error(QStringLiteral(" Error: Cannot establish connection."),
                  QStringLiteral("Check your internet connection and try again."));
            Q_EMIT CheckAgainOffered();
            return false;
        }

        // The size decides everything that follows, so a missing or silly one stops here,
        // before a byte is written.
        const QByteArray lengthField = m_inet->GetHeader("Content-Length").trimmed();
        bool numeric = false;
        const qint64 length = lengthField.toLongLong(&numeric);
        if (lengthField.isEmpty() || (numeric && length == 0))
            return unexpected(QStringLiteral("The server did not give the size of the file."));
        if (!numeric || length < 0 || length > kMaxLength - start)
            return unexpected(QStringLiteral("The server gave an invalid size for the file (%1).")
                                  .arg(QString::fromLatin1(lengthField.left(40))));
        const qint64 space = freeSpace(destination);
        if (space >= 0 && space < length)
            return error(QStringLiteral(" Error: Insufficient Disk Space"),
                         QStringLiteral("There is not enough free space on disk for this "
                                        "file.\r\rPlease free up some disk space and try again."));

        Q_EMIT FrameShown(true);
        Q_EMIT Rate(QString());
        QDir().mkpath(QFileInfo(destination).absolutePath());
        QFile file(destination);
        const bool opened = continuing ? file.open(QIODevice::ReadWrite)
                                       : file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        if (!opened)
            return unexpected(QStringLiteral("Cannot write \"%1\": %2")
                                  .arg(QDir::toNativeSeparators(destination), file.errorString()));
        written = true;
        if (continuing) {
            // Whatever lies past the overlap is fetched again and overwritten.
            file.resize(start);
            file.seek(start);
        }
        received = start;
        const qint64 expected = start + length;
        Q_EMIT Progress(int(received * 100 / expected));

        char buffer[kChunk];
        QElapsedTimer attempt, sinceYield, sinceRate;
        attempt.start();
        sinceYield.start();
        sinceRate.start();
        bool writeFailed = false;
        while (received < expected) {
            qint64 n = m_inet->GetChunk(buffer, kChunk);
            if (n <= 0 || m_cancelled)
                break;
            n = qMin(n, expected - received);
            if (file.write(buffer, n) != n) {
                writeFailed = true;
                break;
            }
            received += n;
            Q_EMIT Progress(int(received * 100 / expected));
            if (sinceYield.elapsed() >= kYieldMs) {
                if (sinceRate.elapsed() >= kRateMs) {
                    Q_EMIT Rate(rateOf(received - start, attempt.elapsed()));
                    sinceRate.restart();
                }
                QCoreApplication::processEvents();
                sinceYield.restart();
            }
        }
        const bool flushed = file.flush();
        file.close();
        Q_EMIT FrameShown(false);
        if (m_cancelled)
            return fail();
        if (writeFailed || !flushed)
            return unexpected(QStringLiteral("Cannot write \"%1\": %2")
                                  .arg(QDir::toNativeSeparators(destination), file.errorString()));

        if (received == expected) {
            Q_EMIT PictureShown(Picture::Download);
            Q_EMIT Status(QStringLiteral(" Download completed!"));
            m_inet->Cancel();
            return true;
        }
        if (!QFile::exists(destination))
            return fail();
        const qint64 ms = attempt.elapsed();
        const double rate = ms > 0 ? double(received - start) * 1000.0 / double(ms) : 0.0;
        const QString estimate =
            rate > 0 ? formatTime(double(expected - received) / rate) : QStringLiteral("unknown");
        m_inet->Cancel();
        if (lc::ui::msgBox(QStringLiteral("The connection with the server was reset.\r\rClick "
                                          "\"Retry\" to resume downloading the file.\r"
                                          "(Approximate time remaining: ") +
                               estimate +
                               QStringLiteral(")\r\rClick \"Cancel\" to cancel downloading the "
                                              "file."),
                           Buttons::RetryCancel, Icon::Exclamation,
                           QStringLiteral("Download Incomplete")) != Answer::Retry)
            return fail();
        resume = true;
    }
}

} // namespace renewer
