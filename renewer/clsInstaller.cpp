#include "clsInstaller.h"

#include "clsDownload.h"
#include "clsFileItem.h"
#include "modInstall.h"
#include "modMain.h"
#include "modProcess.h"
#include "uiservice.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <optional>

namespace renewer {

namespace {
const QString kPleaseWait = QStringLiteral("Please Wait...");

void pause(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}
} // namespace

clsInstaller::clsInstaller(clsDownload &download, QObject *parent)
    : QObject(parent), m_download(download)
{
}

QString clsInstaller::fetchedName(const QString &target)
{
    return target + QStringLiteral(".qx!");
}

void clsInstaller::setEndProgramTimeouts(int graceMs, int giveUpMs)
{
    m_graceMs = graceMs;
    m_giveUpMs = giveUpMs;
}

clsInstaller::Outcome clsInstaller::abort(const QString &why)
{
    m_reason = why;
    return Outcome::Aborted;
}

clsInstaller::Outcome clsInstaller::Install(const clsAppInfo &local, const VersionBlock &block,
                                            const QString &appPath, const QString &downloadsUrl)
{
    m_reason.clear();
    m_restarted = false;
    m_installing = false;

    // Every item is checked before anything is fetched, so a hostile list writes nothing.
    QList<clsFileItem> files;
    for (const QStringList *items : {&block.newFiles, &block.updatedFiles}) {
        for (const QString &item : *items) {
            clsFileItem file;
            QString why;
            if (!clsFileItem::parse(item, appPath, &file, &why) || !file.checkOnDisk(appPath, &why))
                return abort(why);
            files << file;
        }
    }
    // Two items for one file, or a file that another item needs as its folder, cannot both
    // be put in place: the second would move the first aside.
    for (qsizetype a = 0; a < files.size(); ++a) {
        for (qsizetype b = 0; b < files.size(); ++b) {
            const QString pathA = QDir::cleanPath(files[a].localPath());
            const QString pathB = QDir::cleanPath(files[b].localPath());
            if (a < b && pathA.compare(pathB, Qt::CaseInsensitive) == 0)
                return abort(QStringLiteral("The update lists the same file twice: \"%1\"")
                                 .arg(files[a].name));
            if (a != b && pathB.startsWith(pathA + u'/', Qt::CaseInsensitive))
                return abort(
                    QStringLiteral("The update lists a folder as a file: \"%1\"")
                        .arg(QDir::toNativeSeparators(files[a].localSubfolder + files[a].name)));
        }
    }

    QStringList fetched;
    auto discard = [&] {
        for (const QString &leftover : fetched)
            QFile::remove(leftover);
    };
    const qsizetype total = files.size();
    for (qsizetype n = 0; n < total; ++n) {
        const clsFileItem &file = files[n];
        Q_EMIT Status(QStringLiteral(" Downloading File %1 of %2...").arg(n + 1).arg(total));
        Q_EMIT Detail(QStringLiteral("Downloading \"%1\"").arg(file.name));
        if (!QDir().mkpath(file.localFolder)) {
            discard();
            return abort(QStringLiteral("Cannot create the folder \"%1\".")
                             .arg(QDir::toNativeSeparators(file.localFolder)));
        }
        const QString destination = fetchedName(file.localPath());
        const bool ok = m_download.DownloadFile(file.remoteLocation(downloadsUrl), destination,
                                                QString(), QString());
        if (ok)
            fetched << destination;
        if (!ok || m_download.isCancelled()) {
            discard();
            return m_download.isCancelled() ? Outcome::Cancelled : Outcome::Failed;
        }
    }

    m_installing = true;
    const QString mainName = programFileName(local.Title);
    QList<Replacement> replacements;
    std::optional<Replacement> mainProgram;
    for (qsizetype n = 0; n < total; ++n) {
        const Replacement r{fetched[n], files[n].localPath()};
        // The running main program's own file is replaced last, once it has been ended.
        if (n >= block.newFiles.size() && sameFileName(files[n].name, mainName))
            mainProgram = r;
        else
            replacements << r;
    }

    Q_EMIT Status(QStringLiteral(" Renaming Files... "));
    Q_EMIT Detail(kPleaseWait);
    InstallTransaction transaction;
    QString error;
    if (!transaction.replace(replacements, &error)) {
        discard();
        m_installing = false;
        return abort(error);
    }
    if (mainProgram) {
        Q_EMIT Status(QStringLiteral(" Restarting Application..."));
        Q_EMIT Detail(kPleaseWait);
        endRunningProgram(mainProgram->target);
        const bool installed = transaction.replace({*mainProgram}, &error);
        if (installed)
            transaction.commit();
        else
            transaction.rollBack(); // the old program with its old files, whole
        // Whichever program is in place now is started, so the user is never left without it.
        lc::ui::service().shellOpen(mainProgram->target, appPath);
        m_installing = false;
        if (!installed)
            return abort(error);
        m_restarted = true;
        return Outcome::Installed;
    }
    transaction.commit();
    m_installing = false;
    return Outcome::Installed;
}

void clsInstaller::endRunningProgram(const QString &programPath)
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

} // namespace renewer
