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

// Moves downloaded files over their targets in one or more steps and can undo all of them.
// Each replaced file is kept aside until commit(); a failed step undoes every step so far,
// removes that step's downloaded files, and gives the reason.
class InstallTransaction {
public:
    InstallTransaction() = default;
    InstallTransaction(const InstallTransaction &) = delete;
    InstallTransaction &operator=(const InstallTransaction &) = delete;
    // An unfinished transaction is undone.
    ~InstallTransaction();

    bool replace(const QList<Replacement> &files, QString *error);
    // Puts back every file replaced so far.
    void rollBack();
    // Keeps the new files and deletes the kept-aside old ones.
    void commit();

private:
    struct Done {
        QString target;
        bool hadOld = false;
    };
    QList<Done> m_done;
};

// One transaction over files, committed when every replacement succeeded.
bool installFiles(const QList<Replacement> &files, QString *error);

} // namespace renewer
