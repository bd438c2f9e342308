#include "modInstall.h"

#include <QFile>
#include <QFileInfo>

namespace renewer {

QString backupName(const QString &target)
{
    return target + QStringLiteral(".qx~");
}

namespace {
struct Done {
    QString target;
    bool hadOld = false;
};

bool move(const QString &from, const QString &to, QString *error)
{
    QFile file(from);
    if (file.rename(to))
        return true;
    *error = QStringLiteral("Cannot rename \"%1\" to \"%2\": %3")
                 .arg(QFileInfo(from).fileName(), QFileInfo(to).fileName(), file.errorString());
    return false;
}

void rollBack(const QList<Done> &done)
{
    for (auto it = done.crbegin(); it != done.crend(); ++it) {
        QFile::remove(it->target);
        if (it->hadOld)
            QFile::rename(backupName(it->target), it->target);
    }
}
} // namespace

bool installFiles(const QList<Replacement> &files, QString *error)
{
    QList<Done> done;
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
            rollBack(done);
            for (const Replacement &each : files)
                QFile::remove(each.downloaded);
            return false;
        }
        done << step;
    }
    for (const Done &step : done)
        if (step.hadOld)
            QFile::remove(backupName(step.target)); // a running program's file may refuse
    return true;
}

} // namespace renewer
