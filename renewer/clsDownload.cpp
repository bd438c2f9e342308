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
#include <QUrl>

#include <filesystem>
#include <system_error>

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

// "bytes first-last/total", as a 206 answer names the part it holds.
struct ContentRange {
    bool valid = false;
    qint64 first = -1;
    qint64 last = -1;
    qint64 total = -1;
};

ContentRange parseContentRange(const QByteArray &field)
{
    ContentRange r;
    const QByteArray value = field.trimmed();
    if (!value.toLower().startsWith("bytes "))
        return r;
    const QByteArray range = value.mid(6).trimmed();
    const qsizetype dash = range.indexOf('-');
    const qsizetype slash = range.indexOf('/');
    if (dash <= 0 || slash <= dash + 1)
        return r;
    bool ok1 = false, ok2 = false, ok3 = false;
    r.first = range.left(dash).toLongLong(&ok1);
    r.last = range.mid(dash + 1, slash - dash - 1).toLongLong(&ok2);
    // An unknown total ("*") cannot show that the part reaches the file's end.
    r.total = range.mid(slash + 1).toLongLong(&ok3);
    r.valid = ok1 && ok2 && ok3 && r.first >= 0 && r.last >= r.first && r.total > r.last;
    return r;
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

QString clsDownload::partName(const QString &destination)
{
    return destination + QStringLiteral(".part");
}

bool clsDownload::DownloadFile(const QString &remote, const QString &destination,
                               const QString &user, const QString &password)
{
    bool resume = false;
    qint64 start = 0;
    qint64 received = 0;
    qint64 attemptStart = 0; // where the last attempt began writing
    qint64 total = -1;       // the whole file's size, as the first answer gave it
    const QString name = QUrl(remote).fileName();
    // The file grows under a working name and takes the destination's place only when it is
    // complete, so a failure never damages or deletes a file that was there before.
    QFile part(partName(destination));
    auto fail = [&] {
        m_inet->Cancel();
        Q_EMIT FrameShown(false);
        if (part.isOpen())
            part.remove();
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
    // The user may check again at once: nothing about the server is known to be wrong.
    auto stopped = [&](const QString &status, const QString &message) {
        error(status, message);
        Q_EMIT CheckAgainOffered();
        return false;
    };
    auto declined = [&] {
        return stopped(QStringLiteral(" Download cancelled."),
                       QStringLiteral("The download of \"%1\" was cancelled before it was "
                                      "complete.")
                           .arg(name));
    };
    auto paceFailure = [&]() -> bool {
        switch (m_inet->stopReason()) {
        case clsInet::Stop::TimedOut:
            return stopped(QStringLiteral(" Error: Download timed out."),
                           QStringLiteral("The server did not send \"%1\" within %2, so the "
                                          "download was stopped.\r\rWait and try again later.")
                               .arg(name, formatTime(m_inet->limits().totalMs / 1000.0)));
        case clsInet::Stop::TooSlow:
            return stopped(QStringLiteral(" Error: Download too slow."),
                           QStringLiteral("The server sent \"%1\" slower than %2, so the "
                                          "download was stopped.\r\rCheck your internet "
                                          "connection and try again later.")
                               .arg(name, rateText(double(m_inet->limits().minBytesPerSecond))));
        case clsInet::Stop::None:
            break;
        }
        return true;
    };
    if (m_cancelled)
        return false;

    for (;;) {
        start = 0;
        if (resume) {
            Q_EMIT Status(QStringLiteral(" Resuming download..."));
            // The overlap is fetched again in case the last bytes written were damaged; but
            // when a break came before even that much arrived, stepping back by it would
            // start every retry from the same place and never get further.
            start = received - attemptStart > kResumeOverlap ? received - kResumeOverlap : received;
        }
        Q_EMIT PictureShown(Picture::Download);
        m_inet->Execute(remote, user, password, "Range",
                        "bytes=" + QByteArray::number(start) + '-');
        while (m_inet->StillExecuting() && !m_cancelled)
            m_inet->waitForActivity(250);
        if (m_cancelled)
            return fail();
        if (!paceFailure())
            return false;

        const QString header = m_inet->GetHeader();
        const QString status = header.mid(9, 3);
        bool continuing = resume;
        ContentRange range;
        if (status == QLatin1String("200")) {
            if (resume) {
                m_inet->setPaused(true);
                const Answer answer = lc::ui::msgBox(
                    QStringLiteral("The server is unable to resume this download.\r\rDo you "
                                   "want to continue anyway?"),
                    Buttons::YesNo, Icon::Exclamation, QStringLiteral("Unable to Resume Download"));
                m_inet->setPaused(false);
                if (answer != Answer::Yes)
                    return declined();
                continuing = false;
                start = 0;
                total = -1; // a whole new copy: its own size counts
            }
        } else if (status == QLatin1String("206")) {
            // A server that answers another range than the one asked for would corrupt the file.
            range = parseContentRange(m_inet->GetHeader("Content-Range"));
            if (!range.valid)
                return unexpected(QStringLiteral("The server's partial answer does not say "
                                                 "which part of the file it holds."));
            if (range.first != start)
                return unexpected(firstLine(header));
        } else if (status == QLatin1String("204")) {
            Q_EMIT PictureShown(Picture::Error);
            Q_EMIT Status(QStringLiteral(" Error: Nothing to download."));
            lc::ui::msgBox(QStringLiteral("Nothing to download!"), Buttons::Ok, Icon::Information,
                           QStringLiteral("No Content"));
            return fail();
        } else if (status == QLatin1String("401")) {
            Q_EMIT PictureShown(Picture::Error);
            Q_EMIT Status(QStringLiteral(" Error: Authorization failed."));
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
        const qint64 expected = start + length;
        if (range.valid) {
            // A part that stops short of the file's end would be taken for the whole file.
            if (range.total > kMaxLength)
                return unexpected(QStringLiteral("The server gave an invalid size for the file "
                                                 "(%1).")
                                      .arg(range.total));
            if (range.last != range.total - 1 || range.last - range.first + 1 != length)
                return unexpected(QStringLiteral("The server sent only part of the file (bytes "
                                                 "%1-%2 of %3, %4 bytes long).")
                                      .arg(range.first)
                                      .arg(range.last)
                                      .arg(range.total)
                                      .arg(length));
        }
        if (total < 0)
            total = expected;
        else if (expected != total)
            return unexpected(QStringLiteral("The file changed on the server while it was being "
                                             "downloaded.  Please try again."));
        const qint64 space = freeSpace(destination);
        if (space >= 0 && space < length)
            return error(QStringLiteral(" Error: Insufficient Disk Space"),
                         QStringLiteral("There is not enough free space on disk for this "
                                        "file.\r\rPlease free up some disk space and try again."));

        Q_EMIT FrameShown(true);
        Q_EMIT Rate(QString());
        if (!part.isOpen()) {
            QDir().mkpath(QFileInfo(destination).absolutePath());
            // A working file left by an interrupted run is stale; if it is a link, only the
            // link goes, and the new file is created afresh, never opened through one.
            QFile::remove(part.fileName());
            if (!part.open(QIODevice::ReadWrite | QIODevice::NewOnly))
                return unexpected(
                    QStringLiteral("Cannot write \"%1\": %2")
                        .arg(QDir::toNativeSeparators(part.fileName()), part.errorString()));
        }
        // Whatever lies past the overlap is fetched again and overwritten; a download that
        // starts again starts from an empty file.
        const qint64 keep = continuing ? qMin(start, part.size()) : 0;
        if (keep != start || !part.resize(keep) || !part.seek(keep))
            return unexpected(
                QStringLiteral("Cannot write \"%1\": %2")
                    .arg(QDir::toNativeSeparators(part.fileName()), part.errorString()));
        received = start;
        attemptStart = start;
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
            if (part.write(buffer, n) != n) {
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
        const bool flushed = part.flush();
        Q_EMIT FrameShown(false);
        if (m_cancelled)
            return fail();
        if (writeFailed || !flushed)
            return unexpected(
                QStringLiteral("Cannot write \"%1\": %2")
                    .arg(QDir::toNativeSeparators(part.fileName()), part.errorString()));
        if (!paceFailure())
            return false;

        if (received == expected) {
            m_inet->Cancel();
            // What is on disk, not what was counted, decides.
            if (part.size() != expected)
                return unexpected(QStringLiteral("The file received has %1 bytes instead of %2.")
                                      .arg(part.size())
                                      .arg(expected));
            part.close();
            std::error_code failure;
            std::filesystem::rename(part.filesystemFileName(),
                                    QFile(destination).filesystemFileName(), failure);
            if (failure) {
                part.remove();
                return unexpected(QStringLiteral("Cannot write \"%1\": %2")
                                      .arg(QDir::toNativeSeparators(destination),
                                           QString::fromLocal8Bit(failure.message())));
            }
            Q_EMIT PictureShown(Picture::Download);
            Q_EMIT Status(QStringLiteral(" Download completed!"));
            return true;
        }
        if (!QFile::exists(part.fileName()))
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
            return declined();
        resume = true;
    }
}

} // namespace renewer
