#pragma once

#include "modVersion.h"

#include <QObject>
#include <QString>

namespace renewer {

class clsDownload;

// "Update Now!": fetches every file the server lists and puts the whole set in place, or
// none of it. Each file is fetched under a temporary name first, so nothing of the
// installation changes until every file is here; then all are moved in together, and a
// failure puts back what was already replaced. When the main program's own file is among
// them, the running program is ended, its file replaced last, and it is started again.
class clsInstaller : public QObject {
    Q_OBJECT
public:
    enum class Outcome {
        Installed, // every file is in place
        Failed,    // a download failed and said why itself; nothing changed
        Aborted,   // refused or not installable (reason()); nothing changed
        Cancelled, // stopped while fetching; nothing changed
    };

    explicit clsInstaller(clsDownload &download, QObject *parent = nullptr);

    Outcome Install(const clsAppInfo &local, const VersionBlock &block, const QString &appPath,
                    const QString &downloadsUrl);
    QString reason() const { return m_reason; }
    // Whether the last install replaced and started the main program.
    bool restarted() const { return m_restarted; }

    // Once files are being moved into place, stopping halfway would leave a mixed
    // installation: from there on the install always runs to its end.
    bool isInstalling() const { return m_installing; }

    // How long ending the running main program may take, gently and then by force.
    void setEndProgramTimeouts(int graceMs, int giveUpMs);

    // The name a file is fetched under until the whole set is put in place.
    static QString fetchedName(const QString &target);

Q_SIGNALS:
    void Status(const QString &text);
    // The line under the status (which file, or "Please Wait...").
    void Detail(const QString &text);

private:
    Outcome abort(const QString &why);
    void endRunningProgram(const QString &programPath);

    clsDownload &m_download;
    QString m_reason;
    bool m_restarted = false;
    bool m_installing = false;
    int m_graceMs = 5000;
    int m_giveUpMs = 15000;
};

} // namespace renewer
