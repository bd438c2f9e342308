#pragma once

#include <QObject>
#include <QString>

#include <functional>

namespace renewer {

class clsInet;

// The pictures the window shows beside its status line.
enum class Picture { None, Yes, No, Download, Error };

// Fetches one file over HTTP into a local path and resumes a broken transfer when the user
// agrees. It owns no widget: it says what the window should show through its signals, which
// are delivered at once, so the window is up to date whenever the loop yields to it.
class clsDownload : public QObject {
    Q_OBJECT
public:
    explicit clsDownload(QObject *parent = nullptr);
    ~clsDownload() override;

    bool DownloadFile(const QString &remote, const QString &destination, const QString &user,
                      const QString &password);

    // A running download returns failure at once, and so does every later one: the window
    // that asked is going away.
    void Cancel();
    bool isCancelled() const { return m_cancelled; }

    clsInet *transfer() const { return m_inet; }

    // The working name a file is written under until it is complete.
    static QString partName(const QString &destination);

    // Where the free space of a folder's file system comes from (tests stand in for a full
    // disk); the default asks the file system. Below 0: unknown, not checked.
    using FreeSpaceProbe = std::function<qint64(const QString &folder)>;
    void setFreeSpaceProbe(FreeSpaceProbe probe) { m_freeSpace = std::move(probe); }

    // The largest file accepted: the transfer counts are 32-bit.
    static constexpr qint64 kMaxLength = 0x7fffffff;
    // Bytes requested again before the break, in case the last ones written were damaged.
    static constexpr qint64 kResumeOverlap = 4096;
    static constexpr int kChunk = 1024;

Q_SIGNALS:
    void Status(const QString &text);
    // The message area's new text, with CR (or CR LF) line ends.
    void Message(const QString &text);
    void PictureShown(renewer::Picture picture);
    void FrameShown(bool shown);
    void Progress(int percent);
    void Rate(const QString &text);
    // No connection at all: the main button offers the check again.
    void CheckAgainOffered();

private:
    qint64 freeSpace(const QString &path) const;

    clsInet *m_inet = nullptr;
    FreeSpaceProbe m_freeSpace;
    bool m_cancelled = false;
};

} // namespace renewer
