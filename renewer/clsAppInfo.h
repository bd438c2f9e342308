#pragma once

#include <QString>
#include <QtGlobal>

namespace renewer {

// One version record: the installed program's (from the hand-over file) or the server's.
class clsAppInfo {
public:
    QString Title;
    quint8 Major = 0;
    quint8 Minor = 0;
    qint32 Revision = 0;

    // "major.minor.revision", as the notes and messages show it.
    QString version() const;
};

} // namespace renewer
