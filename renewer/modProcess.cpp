#include "modProcess.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#ifdef Q_OS_WIN
// tlhelp32.h needs windows.h before it.
#include <windows.h>

#include <tlhelp32.h>

#include <iterator>
#else
#include <csignal>
#include <sys/types.h>
#endif

namespace renewer {

#ifdef Q_OS_WIN

namespace {
QString imagePath(DWORD pid)
{
    HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!h)
        return {};
    wchar_t buffer[MAX_PATH * 4];
    DWORD size = DWORD(std::size(buffer));
    QString path;
    if (QueryFullProcessImageNameW(h, 0, buffer, &size))
        path = QString::fromWCharArray(buffer, int(size));
    CloseHandle(h);
    return path;
}
} // namespace

QList<qint64> processesRunning(const QString &programPath)
{
    QList<qint64> pids;
    const QString wanted = QDir::toNativeSeparators(QFileInfo(programPath).absoluteFilePath());
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE)
        return pids;
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snap, &entry); more; more = Process32NextW(snap, &entry)) {
        if (entry.th32ProcessID == GetCurrentProcessId())
            continue;
        if (imagePath(entry.th32ProcessID).compare(wanted, Qt::CaseInsensitive) == 0)
            pids << qint64(entry.th32ProcessID);
    }
    CloseHandle(snap);
    return pids;
}

bool endProcess(qint64 pid, bool)
{
    HANDLE h = OpenProcess(PROCESS_TERMINATE, FALSE, DWORD(pid));
    if (!h)
        return false;
    const bool ok = TerminateProcess(h, 0);
    CloseHandle(h);
    return ok;
}

#else

QList<qint64> processesRunning(const QString &programPath)
{
    QList<qint64> pids;
    QFileInfo program(programPath);
    const QString wanted =
        program.exists() ? program.canonicalFilePath() : program.absoluteFilePath();
    // The kernel marks the link of a program whose file was replaced under it.
    const QString replaced = wanted + QStringLiteral(" (deleted)");
    const qint64 self = QCoreApplication::applicationPid();
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &entry : entries) {
        bool ok = false;
        const qint64 pid = entry.toLongLong(&ok);
        if (!ok || pid == self)
            continue;
        // Unreadable for other users' processes and for zombies; neither is ours to end.
        const QString exe = QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid));
        if (!exe.isEmpty() && (exe == wanted || exe == replaced))
            pids << pid;
    }
    return pids;
}

bool endProcess(qint64 pid, bool force)
{
    if (pid <= 0)
        return false;
    return ::kill(pid_t(pid), force ? SIGKILL : SIGTERM) == 0;
}

#endif

} // namespace renewer
