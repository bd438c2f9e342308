#include "frmMain.h"

#include "clsFileItem.h"
#include "clsInet.h"
#include "clsProgressBar.h"
#include "modFormat.h"
#include "modInstall.h"
#include "modMain.h"
#include "modProcess.h"
#include "uiservice.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStorageInfo>
#include <QTimer>

#include <optional>

using lc::ui::Answer;
using lc::ui::Buttons;
using lc::ui::Icon;

namespace renewer {

namespace {
const QString kCheck = QStringLiteral("Check...");
const QString kUpdateNow = QStringLiteral("Update Now!");
const QString kOk = QStringLiteral("OK");
const QString kPleaseWait = QStringLiteral("Please Wait...");
const QString kUpdatedSuffix = QStringLiteral(".qx!");

// While data keeps coming, events run at most this often: often enough for the window,
// rarely enough not to throttle a fast link.
constexpr qint64 kYieldMs = 15;
constexpr qint64 kRateMs = 500;
constexpr qint64 kMaxVersionFile = 1 << 20;

enum class Glyph { Check, Dash, Arrow };

QPixmap picture(const QColor &fill, Glyph glyph)
{
    const qreal dpr = qApp->devicePixelRatio();
    QPixmap pm(QSize(32, 32) * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawEllipse(QRectF(1, 1, 30, 30));
    p.setPen(QPen(Qt::white, 3.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    switch (glyph) {
    case Glyph::Check: {
        QPainterPath path;
        path.moveTo(9, 16.5);
        path.lineTo(14, 21.5);
        path.lineTo(23, 11);
        p.drawPath(path);
        break;
    }
    case Glyph::Dash:
        p.drawLine(QPointF(10, 16), QPointF(22, 16));
        break;
    case Glyph::Arrow: {
        p.drawLine(QPointF(16, 8), QPointF(16, 22));
        QPainterPath head;
        head.moveTo(10, 16.5);
        head.lineTo(16, 22.5);
        head.lineTo(22, 16.5);
        p.drawPath(head);
        break;
    }
    }
    return pm;
}

QLabel *pictureLabel(QWidget *parent, const QPixmap &pm, const char *name)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setPixmap(pm);
    label->setGeometry(10, 34, 32, 32);
    label->hide();
    return label;
}

// The status line of an answer; a garbage answer's "line" is cut to something readable.
QString firstLine(const QString &header)
{
    qsizetype end = 0;
    while (end < header.size() && header[end] != u'\r' && header[end] != u'\n')
        ++end;
    return header.left(qMin<qsizetype>(end, 256));
}

QString shown(const QString &crlfText)
{
    QString text = crlfText;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    return text;
}
} // namespace

frmMain::frmMain(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setFixedSize(357, 180);
    Inet1 = new clsInet(this);
    buildControls();
    placeOnScreen();
}

frmMain::~frmMain() = default;

void frmMain::buildControls()
{
    lblCaption = new QLabel(this);
    lblCaption->setObjectName(QStringLiteral("lblCaption"));
    lblCaption->setGeometry(10, 6, 337, 24);
    QFont big = lblCaption->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.25);
    lblCaption->setFont(big);

    imgYes = pictureLabel(this, picture(QColor(0x2e, 0x9d, 0x4f), Glyph::Check), "imgYes");
    ImgNo = pictureLabel(this, picture(QColor(0x7a, 0x86, 0x94), Glyph::Dash), "ImgNo");
    imgDL = pictureLabel(this, picture(QColor(0x2f, 0x6f, 0xc4), Glyph::Arrow), "imgDL");

    lblStatus = new QLabel(QStringLiteral(" Checking Server..."), this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setGeometry(48, 34, 299, 32);

    txtMessage = new QPlainTextEdit(this);
    txtMessage->setObjectName(QStringLiteral("txtMessage"));
    txtMessage->setGeometry(10, 72, 337, 68);
    txtMessage->setReadOnly(true);
    txtMessage->hide();

    lblErrMsg = new QLabel(this);
    lblErrMsg->setObjectName(QStringLiteral("lblErrMsg"));
    lblErrMsg->setGeometry(10, 72, 337, 20);

    frameDL = new QFrame(this);
    frameDL->setObjectName(QStringLiteral("frameDL"));
    frameDL->setGeometry(10, 94, 337, 46);
    picPBar = new clsProgressBar(frameDL);
    picPBar->setObjectName(QStringLiteral("picPBar"));
    picPBar->setGeometry(0, 2, 337, 18);
    lblTransferRate = new QLabel(QStringLiteral("Transfer rate:"), frameDL);
    lblTransferRate->setObjectName(QStringLiteral("lblTransferRate"));
    lblTransferRate->setGeometry(0, 24, 90, 20);
    lblRate = new QLabel(frameDL);
    lblRate->setObjectName(QStringLiteral("lblRate"));
    lblRate->setGeometry(90, 24, 247, 20);
    frameDL->hide();

    cmdCommand1 = new QPushButton(kCheck, this);
    cmdCommand1->setObjectName(QStringLiteral("cmdCommand1"));
    cmdCommand1->setGeometry(177, 146, 84, 28);
    cmdCommand1->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setGeometry(265, 146, 84, 28);

    connect(cmdCommand1, &QPushButton::clicked, this, &frmMain::cmdCommand1_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmMain::cmdCancel_Click);
}

void frmMain::placeOnScreen()
{
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void frmMain::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_activated)
        QTimer::singleShot(0, this, &frmMain::Form_Activate);
}

void frmMain::closeEvent(QCloseEvent *event)
{
    // A download still running notices the flag and returns at once.
    m_cancelled = true;
    Inet1->Cancel();
    QFile::remove(AppPath() + QString::fromLatin1(kHandOverFile));
    QFile::remove(AppPath() + QString::fromLatin1(kVersionFile));
    m_closed = true;
    event->accept();
}

void frmMain::Form_Activate()
{
    if (m_activated)
        return;
    m_activated = true;
    if (!readHandOver(AppPath() + QString::fromLatin1(kHandOverFile), m_local)) {
        showPicture(Picture::No);
        setStatus(QStringLiteral(" Error:"));
        setMessage(QStringLiteral("The server file did not download properly, did not download "
                                  "at all, or is corrupt.  Please close the updater and try "
                                  "again."));
        return;
    }
    lblCaption->setText(m_local.Title + QStringLiteral(" Updater"));
    setWindowTitle(lblCaption->text());
    checkServer();
}

void frmMain::cmdCommand1_Click()
{
    if (m_busy)
        return;
    const QString caption = cmdCommand1->text();
    if (caption == kCheck) {
        cmdCommand1->setEnabled(false);
        setStatus(QStringLiteral(" Checking Server..."));
        checkServer();
    } else if (caption == kUpdateNow) {
        UpdateNow();
    } else if (caption == kOk) {
        close();
    }
}

void frmMain::cmdCancel_Click()
{
    close();
}

void frmMain::checkServer()
{
    m_busy = true;
    hideMessage();
    const bool ok =
        DownloadFile(downloadsUrl() + QString::fromLatin1(kVersionFile),
                     AppPath() + QString::fromLatin1(kVersionFile), QString(), QString());
    m_busy = false;
    if (!ok || m_closed)
        return;
    setStatus(QStringLiteral(" Comparing..."));
    Compare();
}

void frmMain::Compare()
{
    const QString path = AppPath() + QString::fromLatin1(kVersionFile);
    QFile file(path);
    const bool exists = file.open(QIODevice::ReadOnly);
    const QByteArray bytes = exists ? file.read(kMaxVersionFile) : QByteArray();
    file.close();
    m_result = compareFile(bytes, exists, m_local, updaterMajor(), &m_block);

    switch (m_result) {
    case CompareResult::NoFile:
        showPicture(Picture::No);
        setStatus(QStringLiteral(" Could not download server files."));
        setMessage(QStringLiteral("The update file was not retrieved from the server. Possible "
                                  "Reasons: \r\n\r\n1. The server might be temporarily "
                                  "unavailable.  \r\n   Wait and try again later.\r\n2. Your "
                                  "connection. \r\n   Check your internet connection and try "
                                  "again."));
        break;
    case CompareResult::UpToDate:
        showPicture(Picture::No);
        setStatus(QStringLiteral(" There are no updates available."));
        setMessage(QStringLiteral("Your Version (") + m_local.version() +
                   QStringLiteral(") is up to date."));
        setButton(kOk, true);
        QFile::remove(path);
        break;
    case CompareResult::MinorUpdate:
    case CompareResult::RevisionUpdate:
        showPicture(Picture::Yes);
        setStatus(m_result == CompareResult::MinorUpdate
                      ? QStringLiteral(" There is a minor update available.")
                      : QStringLiteral(" There is a revision update available."));
        setButton(kUpdateNow, true);
        appendMessage(updateNotes(m_local, m_block));
        txtMessage->moveCursor(QTextCursor::Start);
        break;
    }
}

void frmMain::UpdateNow()
{
    const QString app = AppPath();
    // Every item is checked before anything is fetched, so a hostile list writes nothing.
    QList<clsFileItem> newFiles, updatedFiles;
    for (int pass = 0; pass < 2; ++pass) {
        const QStringList &items = pass == 0 ? m_block.newFiles : m_block.updatedFiles;
        for (const QString &item : items) {
            clsFileItem file;
            QString why;
            if (!clsFileItem::parse(item, app, &file, &why)) {
                abortUpdate(why);
                return;
            }
            (pass == 0 ? newFiles : updatedFiles) << file;
        }
    }

    m_busy = true;
    cmdCommand1->setEnabled(false);
    hideMessage();
    const qsizetype total = newFiles.size() + updatedFiles.size();
    qsizetype n = 0;
    QStringList fetchedUpdates;
    auto fetch = [&](const clsFileItem &file, const QString &destination) {
        ++n;
        setStatus(QStringLiteral(" Downloading File %1 of %2...").arg(n).arg(total));
        lblErrMsg->setText(QStringLiteral("Downloading \"%1\"").arg(file.name));
        if (!QDir().mkpath(file.localFolder)) {
            abortUpdate(QStringLiteral("Cannot create the folder \"%1\".")
                            .arg(QDir::toNativeSeparators(file.localFolder)));
            return false;
        }
        return DownloadFile(file.remoteLocation(downloadsUrl()), destination, QString(), QString());
    };
    auto stop = [&] {
        for (const QString &leftover : fetchedUpdates)
            QFile::remove(leftover);
        m_busy = false;
    };
    for (const clsFileItem &file : newFiles) {
        if (!fetch(file, file.localPath()) || m_closed)
            return stop();
    }
    const QString mainName = programFileName(m_local.Title);
    QList<Replacement> replacements;
    std::optional<Replacement> mainProgram;
    for (const clsFileItem &file : updatedFiles) {
        const QString downloaded = file.localPath() + kUpdatedSuffix;
        if (!fetch(file, downloaded) || m_closed)
            return stop();
        fetchedUpdates << downloaded;
        // The running main program's own file is replaced last, once it has been ended.
        if (sameFileName(file.name, mainName))
            mainProgram = Replacement{downloaded, file.localPath()};
        else
            replacements << Replacement{downloaded, file.localPath()};
    }

    setStatus(QStringLiteral(" Renaming Files... "));
    lblErrMsg->setText(kPleaseWait);
    QString error;
    if (!installFiles(replacements, &error)) {
        stop();
        abortUpdate(error);
        return;
    }
    if (mainProgram) {
        setStatus(QStringLiteral(" Restarting Application..."));
        lblErrMsg->setText(kPleaseWait);
        endRunningProgram(mainProgram->target);
        const bool installed = installFiles({*mainProgram}, &error);
        // Whichever file is in place now is started, so the user is never left without it.
        lc::ui::service().shellOpen(mainProgram->target, app);
        if (!installed) {
            stop();
            abortUpdate(error);
            return;
        }
    }
    m_busy = false;
    close();
}

void frmMain::abortUpdate(const QString &reason)
{
    setStatus(QStringLiteral(" Critical Error..."));
    lblErrMsg->clear();
    setMessage(QStringLiteral("Update has been aborted!\r\n") + reason);
    setButton(kOk, true);
}

void frmMain::setEndProgramTimeouts(int graceMs, int giveUpMs)
{
    m_graceMs = graceMs;
    m_giveUpMs = giveUpMs;
}

void frmMain::endRunningProgram(const QString &programPath)
{
    QList<qint64> running = processesRunning(programPath);
    for (const qint64 pid : running)
        endProcess(pid, false);
    QElapsedTimer clock;
    clock.start();
    bool forced = false;
    while (!running.isEmpty() && clock.elapsed() < m_giveUpMs) {
        pause(50);
        running = processesRunning(programPath);
        if (!forced && clock.elapsed() >= m_graceMs) {
            for (const qint64 pid : running)
                endProcess(pid, true);
            forced = true;
        }
    }
}

void frmMain::pause(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

qint64 frmMain::freeSpace(const QString &path) const
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

bool frmMain::DownloadFile(const QString &remote, const QString &destination, const QString &user,
                           const QString &password)
{
    bool resume = false;
    qint64 start = 0;
    qint64 received = 0;
    bool written = false; // this call created or wrote the destination
    auto fail = [&] {
        Inet1->Cancel();
        frameDL->hide();
        // A partial file is only worth keeping for a resume inside this call.
        if (written)
            QFile::remove(destination);
        return false;
    };
    auto unexpected = [&](const QString &message) {
        setStatus(QStringLiteral(" Error: Unexpected Error."));
        setMessage(message);
        return fail();
    };

    for (;;) {
        start = 0;
        if (resume) {
            setStatus(QStringLiteral(" Resuming download..."));
            start = qMax<qint64>(0, received - kResumeOverlap);
        }
        showPicture(Picture::Download);
        Inet1->Execute(remote, user, password, "Range", "bytes=" + QByteArray::number(start) + '-');
        while (Inet1->StillExecuting() && !m_cancelled)
            Inet1->waitForActivity(250);
        if (m_cancelled)
            return fail();

        const QString header = Inet1->GetHeader();
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
            const QByteArray range = Inet1->GetHeader("Content-Range").trimmed();
            if (!range.isEmpty() &&
                range.mid(6).split('-').value(0).trimmed().toLongLong() != start)
                return unexpected(firstLine(header));
        } else if (status == QLatin1String("204")) {
            lc::ui::msgBox(QStringLiteral("Nothing to download!"), Buttons::Ok, Icon::Information,
                           QStringLiteral("No Content"));
            return fail();
        } else if (status == QLatin1String("401")) {
            lc::ui::msgBox(QStringLiteral("Authorization failed!"), Buttons::Ok, Icon::Critical,
                           QStringLiteral("Unauthorized"));
            return fail();
        } else if (status == QLatin1String("404")) {
            setStatus(QStringLiteral(" Error:  File Not Found."));
            setMessage(QStringLiteral("The file \"") + remote +
                       QStringLiteral("\" was not found."));
            return fail();
        } else if (!header.isEmpty()) {
            return unexpected(firstLine(header));
        } else {
            setStatus(QStringLiteral(" Error: Cannot establish connection."));
            setMessage(QStringLiteral("Check your internet connection and try again."));
            setButton(kCheck, true);
            return fail();
        }

        // The size decides everything that follows, so a missing or silly one stops here,
        // before a byte is written.
        const QByteArray lengthField = Inet1->GetHeader("Content-Length").trimmed();
        bool numeric = false;
        const qint64 length = lengthField.toLongLong(&numeric);
        if (lengthField.isEmpty() || (numeric && length == 0))
            return unexpected(QStringLiteral("The server did not give the size of the file."));
        if (!numeric || length < 0 || length > kMaxLength - start)
            return unexpected(QStringLiteral("The server gave an invalid size for the file (%1).")
                                  .arg(QString::fromLatin1(lengthField.left(40))));
        const qint64 space = freeSpace(destination);
        if (space >= 0 && space < length) {
            setStatus(QStringLiteral(" Error: Insufficient Disk Space"));
            setMessage(QStringLiteral("There is not enough free space on disk for this "
                                      "file.\r\rPlease free up some disk space and try again."));
            return fail();
        }

        frameDL->show();
        lblRate->clear();
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
        picPBar->setPercent(int(received * 100 / expected));

        char buffer[kChunk];
        QElapsedTimer attempt, sinceYield, sinceRate;
        attempt.start();
        sinceYield.start();
        sinceRate.start();
        bool writeFailed = false;
        while (received < expected) {
            qint64 n = Inet1->GetChunk(buffer, kChunk);
            if (n <= 0 || m_cancelled)
                break;
            n = qMin(n, expected - received);
            if (file.write(buffer, n) != n) {
                writeFailed = true;
                break;
            }
            received += n;
            picPBar->setPercent(int(received * 100 / expected));
            if (sinceYield.elapsed() >= kYieldMs) {
                if (sinceRate.elapsed() >= kRateMs) {
                    showRate(received - start, attempt.elapsed());
                    sinceRate.restart();
                }
                QCoreApplication::processEvents();
                sinceYield.restart();
            }
        }
        const bool flushed = file.flush();
        file.close();
        frameDL->hide();
        picPBar->update();
        if (m_cancelled)
            return fail();
        if (writeFailed || !flushed)
            return unexpected(QStringLiteral("Cannot write \"%1\": %2")
                                  .arg(QDir::toNativeSeparators(destination), file.errorString()));

        if (received == expected) {
            showPicture(Picture::Download);
            setStatus(QStringLiteral(" Download completed!"));
            Inet1->Cancel();
            return true;
        }
        if (!QFile::exists(destination))
            return fail();
        const qint64 ms = attempt.elapsed();
        const double rate = ms > 0 ? double(received - start) * 1000.0 / double(ms) : 0.0;
        const QString estimate =
            rate > 0 ? formatTime(double(expected - received) / rate) : QStringLiteral("unknown");
        Inet1->Cancel();
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

void frmMain::showRate(qint64 bytes, qint64 ms)
{
    lblRate->setText(rateText(ms > 0 ? double(bytes) * 1000.0 / double(ms) : 0.0));
}

void frmMain::showPicture(Picture picture)
{
    m_picture = picture;
    imgYes->setVisible(picture == Picture::Yes);
    ImgNo->setVisible(picture == Picture::No);
    imgDL->setVisible(picture == Picture::Download);
}

void frmMain::setStatus(const QString &text)
{
    lblStatus->setText(text);
}

void frmMain::setMessage(const QString &text)
{
    m_message = text;
    txtMessage->setPlainText(shown(m_message));
    txtMessage->show();
    txtMessage->raise();
}

void frmMain::appendMessage(const QString &text)
{
    setMessage(m_message + text);
}

void frmMain::hideMessage()
{
    m_message.clear();
    txtMessage->clear();
    txtMessage->hide();
}

void frmMain::setButton(const QString &caption, bool enabled)
{
    cmdCommand1->setText(caption);
    cmdCommand1->setEnabled(enabled);
}

} // namespace renewer
