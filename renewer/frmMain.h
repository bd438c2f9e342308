#pragma once

#include "clsDownload.h"
#include "clsInstaller.h"
#include "handover.h"
#include "modVersion.h"

#include <QWidget>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace renewer {

class clsInet;
class clsProgressBar;

// The updater's one window: it checks the server's version file against the installed
// version, shows what is new, and has the listed files installed. The main button's caption
// is its state: "Check...", "Update Now!" or "OK". The fetching and the installing are done
// by clsDownload and clsInstaller; the window only shows what they report.
class frmMain : public QWidget {
    Q_OBJECT
public:
    explicit frmMain(QWidget *parent = nullptr);
    ~frmMain() override;

    // The first activation: reads the hand-over file and checks the server. Later calls do
    // nothing.
    void Form_Activate();
    void cmdCommand1_Click();
    void cmdCancel_Click();

    // Fetches one file into destination, resuming a broken transfer when the user agrees.
    bool DownloadFile(const QString &remote, const QString &destination, const QString &user,
                      const QString &password);

    using Picture = renewer::Picture;
    Picture shownPicture() const { return m_picture; }
    const clsAppInfo &localInfo() const { return m_local; }
    const VersionBlock &serverBlock() const { return m_block; }
    CompareResult result() const { return m_result; }
    // txtMessage's text exactly as composed, with CR LF line ends.
    QString messageText() const { return m_message; }
    bool isClosed() const { return m_closed; }
    bool isBusy() const { return m_busy; }

    void setFreeSpaceProbe(clsDownload::FreeSpaceProbe probe);
    // How long ending the running main program may take, gently and then by force.
    void setEndProgramTimeouts(int graceMs, int giveUpMs);

    // The window's size as first shown, in twips.
    static constexpr int kWidthTwips = 5355;
    static constexpr int kHeightTwips = 2700;

    QLabel *lblCaption = nullptr;
    QLabel *lblStatus = nullptr;
    QPlainTextEdit *txtMessage = nullptr;
    QLabel *imgYes = nullptr;
    QLabel *ImgNo = nullptr;
    QLabel *imgDL = nullptr;
    QLabel *imgErr = nullptr;
    QPushButton *cmdCommand1 = nullptr;
    QPushButton *cmdCancel = nullptr;
    QFrame *frameDL = nullptr;
    clsProgressBar *picPBar = nullptr;
    QLabel *lblErrMsg = nullptr;
    QLabel *lblRate = nullptr;
    QLabel *lblTransferRate = nullptr;
    clsInet *Inet1 = nullptr;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void connectEngines();
    void placeOnScreen();
    void checkServer();
    void Compare();
    void UpdateNow();
    void showFinished();
    void abortUpdate(const QString &reason);

    void showPicture(Picture picture);
    void setStatus(const QString &text);
    void setDetail(const QString &text);
    void setMessage(const QString &text);
    void appendMessage(const QString &text);
    void hideMessage();
    void setButton(const QString &caption, bool enabled);

    clsDownload m_download;
    clsInstaller m_installer{m_download};
    clsAppInfo m_local;
    VersionBlock m_block;
    CompareResult m_result = CompareResult::NoFile;
    QString m_message;
    Picture m_picture = Picture::None;
    bool m_activated = false;
    bool m_busy = false;
    bool m_closeWhenDone = false;
    bool m_closed = false;
};

} // namespace renewer
