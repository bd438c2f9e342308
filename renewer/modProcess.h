#pragma once

#include <QList>
#include <QString>

// Finding and ending the running copies of one program file. Processes are matched by the
// full path of the file they run, so a process that merely shares the name is left alone.
namespace renewer {

// The ids of the processes running programPath (also when that file was since replaced).
QList<qint64> processesRunning(const QString &programPath);
// Asks a process to end (force: ends it at once). False when it could not be signalled.
bool endProcess(qint64 pid, bool force);

} // namespace renewer
