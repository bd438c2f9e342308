#pragma once

#include <QList>
#include <QString>

// Putting downloaded files in place so that a failure never leaves a half-replaced
// installation behind.
namespace renewer {

struct Replacement {
    QString downloaded; // the fetched file (name + ".qx!")
    QString target;     // where it belongs
};

// The name a replaced file is kept under until every replacement succeeded.
QString backupName(const QString &target);

// Moves every downloaded file over its target. Each replaced file is kept aside until all
// are in place and only then deleted; on the first failure everything already replaced is
// put back, the downloaded files are removed, and false is returned with the reason.
bool installFiles(const QList<Replacement> &files, QString *error);

} // namespace renewer
