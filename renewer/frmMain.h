#pragma once

#include "clsAppInfo.h"
#include "modVersion.h"

#include <QWidget>

#include <functional>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace renewer {

class clsInet;
class clsProgressBar;

// The updater's one window: it checks the server's version file against the installed
// version, shows what is new, and installs the listed files. The main button's caption is
// its state: "Check...", "Update Now!" or "OK".
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

    // The largest file accepted: the transfer counts are 32-bit.
    static constexpr qint64 kMaxLength = 0x7fffffff;
    // Bytes requested again before the break, in case the last ones written were damaged.
    static constexpr qint64 kResumeOverlap = 4096;
    static constexpr int kChunk = 1024;

    enum class Picture { None, Yes, No, Download };
    Picture shownPicture() const { return m_picture; }
    const clsAppInfo &localInfo() const { return m_local; }
    const VersionBlock &serverBlock() const { return m_block; }
    CompareResult result() const { return m_result; }
    // txtMessage's text exactly as composed, with CR LF line ends.
    QString messageText() const { return m_message; }
    bool isClosed() const { return m_closed; }
    bool isBusy() const { return m_busy; }

    // Where the free space of a folder's file system comes from (tests stand in for a full
    // disk); the default asks the file system.
    using FreeSpaceProbe = std::function<qint64(const QString &folder)>;
    void setFreeSpaceProbe(FreeSpaceProbe probe) { m_freeSpace = std::move(probe); }
    // How long ending the running main program may take, gently and then by force.
    void setEndProgramTimeouts(int graceMs, int giveUpMs);

    QLabel *lblCaption = nullptr;
    QLabel *lblStatus = nullptr;
    QPlainTextEdit *txtMessage = nullptr;
    QLabel *imgYes = nullptr;
    QLabel *ImgNo = nullptr;
    QLabel *imgDL = nullptr;
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
    void placeOnScreen();
    void checkServer();
    void Compare();
    void UpdateNow();
    void abortUpdate(const QString &reason);
    void endRunningProgram(const QString &programPath);
    void pause(int ms);

    void showPicture(Picture picture);
    void setStatus(const QString &text);
    void setMessage(const QString &text);
    void appendMessage(const QString &text);
    void hideMessage();
    void setButton(const QString &caption, bool enabled);
    void showRate(qint64 bytes, qint64 ms);
    qint64 freeSpace(const QString &path) const;

    clsAppInfo m_local;
    VersionBlock m_block;
    CompareResult m_result = CompareResult::NoFile;
    QString m_message;
    Picture m_picture = Picture::None;
    FreeSpaceProbe m_freeSpace;
    int m_graceMs = 5000;
    int m_giveUpMs = 15000;
    bool m_activated = false;
    bool m_busy = false;
    bool m_cancelled = false;
    bool m_closed = false;
};

} // namespace renewer
