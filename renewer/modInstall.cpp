#include "modInstall.h"

#include <QFile>
#include <QFileInfo>

namespace renewer {

QString backupName(const QString &target)
{
    return target + QStringLiteral(".qx~");
}

namespace {
bool move(const QString &from, const QString &to, QString *error)
{
    QFile file(from);
    if (file.rename(to))
        return true;
    *error = QStringLiteral("Cannot rename \"%1\" to \"%2\": %3")
                 .arg(QFileInfo(from).fileName(), QFileInfo(to).fileName(), file.errorString());
    return false;
}
} // namespace

InstallTransaction::~InstallTransaction()
{
    rollBack();
}

bool InstallTransaction::replace(const QList<Replacement> &files, QString *error)
{
    for (const Replacement &r : files) {
        Done step{r.target, QFileInfo::exists(r.target)};
        const QString backup = backupName(r.target);
        bool ok = true;
        if (step.hadOld) {
            // A downloaded file has no execute bit: take over the replaced file's permissions.
            QFile::setPermissions(r.downloaded, QFile::permissions(r.target));
            QFile::remove(backup); // a leftover of an earlier, interrupted run
            ok = move(r.target, backup, error);
        }
        if (ok && !move(r.downloaded, r.target, error)) {
            ok = false;
            if (step.hadOld)
                QFile::rename(backup, r.target);
        }
        if (!ok) {
            rollBack();
            for (const Replacement &each : files)
                QFile::remove(each.downloaded);
            return false;
        }
        m_done << step;
    }
    return true;
}

void InstallTransaction::rollBack()
{
    for (auto it = m_done.crbegin(); it != m_done.crend(); ++it) {
        QFile::remove(it->target);
        if (it->hadOld)
            QFile::rename(backupName(it->target), it->target);
    }
    m_done.clear();
}

void InstallTransaction::commit()
{
    for (const Done &step : m_done)
        if (step.hadOld)
            QFile::remove(backupName(step.target)); // a running program's file may refuse
    m_done.clear();
}

bool installFiles(const QList<Replacement> &files, QString *error)
{
    InstallTransaction transaction;
    if (!transaction.replace(files, error))
        return false;
    transaction.commit();
    return true;
}

} // namespace renewer
