#include "frmMain.h"

#include "clsInet.h"
#include "clsProgressBar.h"
#include "modMain.h"
#include "twips.h"

#include <QApplication>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

using lc::twips::toPixels;

namespace renewer {

namespace {
const QString kCheck = QStringLiteral("Check...");
const QString kUpdateNow = QStringLiteral("Update Now!");
const QString kOk = QStringLiteral("OK");

constexpr qint64 kMaxVersionFile = 1 << 20;

// Lengths of the window, in twips.
constexpr int kMargin = 150;
constexpr int kGap = 90;
constexpr int kPicture = 480;
constexpr int kButtonWidth = 1260;
constexpr int kBarHeight = 270;

enum class Glyph { Check, Dash, Arrow, Cross };

QPixmap picture(int side, const QColor &fill, Glyph glyph)
{
    const qreal dpr = qApp->devicePixelRatio();
    QPixmap pm(QSize(side, side) * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    // Drawn on a 32-unit square whatever the size in pixels.
    p.scale(side / 32.0, side / 32.0);
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
    case Glyph::Cross:
        p.drawLine(QPointF(11, 11), QPointF(21, 21));
        p.drawLine(QPointF(21, 11), QPointF(11, 21));
        break;
    }
    return pm;
}

QLabel *pictureLabel(QWidget *parent, const QColor &fill, Glyph glyph, const char *name)
{
    const int side = toPixels(kPicture);
    auto *label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setPixmap(picture(side, fill, glyph));
    label->setGeometry(0, 0, side, side);
    label->hide();
    return label;
}

QLabel *namedLabel(const QString &text, QWidget *parent, const char *name)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

QString shown(const QString &crlfText)
{
    QString text = crlfText;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

QString handOverProblem(lc::handover::ReadResult result)
{
    const QString again = QStringLiteral("  Please close the updater and start it again with "
                                         "\"Check For Updates...\" in the Help menu.");
    if (result == lc::handover::ReadResult::Missing)
        return QStringLiteral("The hand-over file \"%1\" from the program was not found.")
                   .arg(QString::fromLatin1(kHandOverFile)) +
               again;
    return QStringLiteral("The hand-over file \"%1\" from the program is incomplete or damaged.")
               .arg(QString::fromLatin1(kHandOverFile)) +
           again;
}
} // namespace

frmMain::frmMain(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    Inet1 = m_download.transfer();
    buildControls();
    connectEngines();
    // The layout's minimum wins over the designed size when fonts are large.
    layout()->activate();
    resize(QSize(toPixels(kWidthTwips), toPixels(kHeightTwips)).expandedTo(minimumSize()));
    placeOnScreen();
}

frmMain::~frmMain() = default;

void frmMain::buildControls()
{
    lblCaption = namedLabel(QString(), this, "lblCaption");
    QFont big = lblCaption->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.25);
    lblCaption->setFont(big);

    auto *pictures = new QWidget(this);
    pictures->setFixedSize(toPixels(kPicture), toPixels(kPicture));
    imgYes = pictureLabel(pictures, QColor(0x2e, 0x9d, 0x4f), Glyph::Check, "imgYes");
    ImgNo = pictureLabel(pictures, QColor(0x7a, 0x86, 0x94), Glyph::Dash, "ImgNo");
    imgDL = pictureLabel(pictures, QColor(0x2f, 0x6f, 0xc4), Glyph::Arrow, "imgDL");
    imgErr = pictureLabel(pictures, QColor(0xc6, 0x28, 0x28), Glyph::Cross, "imgErr");

    lblStatus = namedLabel(QStringLiteral(" Checking Server..."), this, "lblStatus");
    lblStatus->setWordWrap(true);
    lblStatus->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);

    txtMessage = new QPlainTextEdit(this);
    txtMessage->setObjectName(QStringLiteral("txtMessage"));
    txtMessage->setReadOnly(true);
    // Read-only, but the keys still move through the notes, and the box takes focus by Tab.
    txtMessage->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    txtMessage->setFocusPolicy(Qt::StrongFocus);
    txtMessage->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // Three lines are enough to start reading; the rest scrolls.
    txtMessage->setMinimumHeight(txtMessage->fontMetrics().lineSpacing() * 3 +
                                 2 * txtMessage->frameWidth() + 8);
    txtMessage->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    txtMessage->hide();

    lblErrMsg = namedLabel(QString(), this, "lblErrMsg");
    lblErrMsg->setWordWrap(true);
    lblErrMsg->hide();

    frameDL = new QFrame(this);
    frameDL->setObjectName(QStringLiteral("frameDL"));
    picPBar = new clsProgressBar(frameDL);
    picPBar->setObjectName(QStringLiteral("picPBar"));
    picPBar->setMinimumHeight(qMax(toPixels(kBarHeight), fontMetrics().height() + 4));
    lblTransferRate = namedLabel(QStringLiteral("Transfer rate:"), frameDL, "lblTransferRate");
    lblRate = namedLabel(QString(), frameDL, "lblRate");
    auto *rateLine = new QHBoxLayout;
    rateLine->setSpacing(toPixels(kGap));
    rateLine->addWidget(lblTransferRate);
    rateLine->addWidget(lblRate, 1);
    auto *frameLayout = new QVBoxLayout(frameDL);
    frameLayout->setContentsMargins(0, 0, 0, 0);
    frameLayout->setSpacing(toPixels(kGap) / 2);
    frameLayout->addWidget(picPBar);
    frameLayout->addLayout(rateLine);
    frameDL->hide();

    cmdCommand1 = new QPushButton(kCheck, this);
    cmdCommand1->setObjectName(QStringLiteral("cmdCommand1"));
    cmdCommand1->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    for (QPushButton *button : {cmdCommand1, cmdCancel})
        button->setMinimumWidth(toPixels(kButtonWidth));

    auto *statusLine = new QHBoxLayout;
    statusLine->setSpacing(toPixels(kGap));
    statusLine->addWidget(pictures, 0, Qt::AlignTop);
    statusLine->addWidget(lblStatus, 1);

    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(toPixels(kGap));
    buttons->addStretch(1);
    buttons->addWidget(cmdCommand1);
    buttons->addWidget(cmdCancel);

    auto *form = new QVBoxLayout(this);
    const int margin = toPixels(kMargin);
    form->setContentsMargins(margin, margin / 2, margin, margin / 2);
    form->setSpacing(toPixels(kGap));
    form->addWidget(lblCaption);
    form->addLayout(statusLine);
    form->addWidget(txtMessage, 1);
    form->addWidget(lblErrMsg);
    form->addWidget(frameDL);
    // Takes the free room while the message area is hidden.
    form->addSpacerItem(new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Expanding));
    form->addLayout(buttons);

    setTabOrder(cmdCommand1, cmdCancel);
    setTabOrder(cmdCancel, txtMessage);

    connect(cmdCommand1, &QPushButton::clicked, this, &frmMain::cmdCommand1_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmMain::cmdCancel_Click);
}

void frmMain::connectEngines()
{
    connect(&m_download, &clsDownload::Status, this, &frmMain::setStatus);
    connect(&m_download, &clsDownload::Message, this, &frmMain::setMessage);
    connect(&m_download, &clsDownload::PictureShown, this, &frmMain::showPicture);
    connect(&m_download, &clsDownload::FrameShown, frameDL, &QWidget::setVisible);
    connect(&m_download, &clsDownload::Progress, picPBar, &clsProgressBar::setPercent);
    connect(&m_download, &clsDownload::Rate, lblRate, &QLabel::setText);
    connect(&m_download, &clsDownload::CheckAgainOffered, this,
            [this] { setButton(kCheck, true); });
    connect(&m_installer, &clsInstaller::Status, this, &frmMain::setStatus);
    connect(&m_installer, &clsInstaller::Detail, this, &frmMain::setDetail);
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
    if (m_installer.isInstalling()) {
        // Half an installation is worse than a late close: it closes once every file is in.
        m_closeWhenDone = true;
        setDetail(QStringLiteral("Finishing the installation, please wait..."));
        event->ignore();
        return;
    }
    // A download still running notices and returns at once.
    m_download.Cancel();
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
    const auto read = lc::handover::read(lc::handover::filePath(AppPath()), m_local);
    if (read != lc::handover::ReadResult::Ok) {
        showPicture(Picture::Error);
        setStatus(QStringLiteral(" Error:"));
        setMessage(handOverProblem(read));
        setButton(kOk, true);
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

bool frmMain::DownloadFile(const QString &remote, const QString &destination, const QString &user,
                           const QString &password)
{
    return m_download.DownloadFile(remote, destination, user, password);
}

void frmMain::setFreeSpaceProbe(clsDownload::FreeSpaceProbe probe)
{
    m_download.setFreeSpaceProbe(std::move(probe));
}

void frmMain::setEndProgramTimeouts(int graceMs, int giveUpMs)
{
    m_installer.setEndProgramTimeouts(graceMs, giveUpMs);
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
        showPicture(Picture::Error);
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
    m_busy = true;
    cmdCommand1->setEnabled(false);
    hideMessage();
    const auto outcome = m_installer.Install(m_local, m_block, AppPath(), downloadsUrl());
    m_busy = false;
    switch (outcome) {
    case clsInstaller::Outcome::Installed:
        if (m_closeWhenDone || m_closed)
            close();
        else
            showFinished();
        break;
    case clsInstaller::Outcome::Aborted:
        abortUpdate(m_installer.reason());
        break;
    case clsInstaller::Outcome::Failed:
        // The download said what went wrong; the window also says where that leaves the
        // user, and the update can be tried again.
        showPicture(Picture::Error);
        setDetail(QString());
        setMessage((m_message.isEmpty() ? QString() : m_message + QStringLiteral("\r\n\r\n")) +
                   QStringLiteral("The update has not been installed; no file was changed.  "
                                  "Click \"Update Now!\" to try again."));
        setButton(kUpdateNow, true);
        break;
    case clsInstaller::Outcome::Cancelled:
        break; // the window is closing
    }
}

void frmMain::showFinished()
{
    showPicture(Picture::Yes);
    setStatus(QStringLiteral(" Update completed!"));
    setDetail(QString());
    QString text = QStringLiteral("The update to version ") + m_block.server.version() +
                   QStringLiteral(" has been installed.");
    if (m_installer.restarted())
        text += QStringLiteral("\r\n") + m_local.Title + QStringLiteral(" has been started again.");
    setMessage(text);
    setButton(kOk, true);
    cmdCommand1->setFocus();
    // Nothing is left to compare against.
    QFile::remove(AppPath() + QString::fromLatin1(kVersionFile));
}

void frmMain::abortUpdate(const QString &reason)
{
    showPicture(Picture::Error);
    setStatus(QStringLiteral(" Critical Error..."));
    setDetail(QString());
    setMessage(QStringLiteral("Update has been aborted!\r\n") + reason);
    setButton(kOk, true);
}

void frmMain::showPicture(Picture picture)
{
    m_picture = picture;
    imgYes->setVisible(picture == Picture::Yes);
    ImgNo->setVisible(picture == Picture::No);
    imgDL->setVisible(picture == Picture::Download);
    imgErr->setVisible(picture == Picture::Error);
}

void frmMain::setStatus(const QString &text)
{
    lblStatus->setText(text);
}

void frmMain::setDetail(const QString &text)
{
    lblErrMsg->setText(text);
    lblErrMsg->setVisible(!text.isEmpty());
}

void frmMain::setMessage(const QString &text)
{
    m_message = text;
    txtMessage->setPlainText(shown(m_message));
    txtMessage->show();
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
