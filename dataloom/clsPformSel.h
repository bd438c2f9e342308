#pragma once

#include "dataloom_export.h"

#include <QObject>
#include <QPointer>
#include <QString>

namespace lc::db {
class Connection;
}
#include "frmPlatform.h"

// Lets the user choose the platforms in use and writes the changed flags back.
class DATALOOM_EXPORT clsPformSel : public QObject {
    Q_OBJECT
public:
    clsPformSel();
    ~clsPformSel() override;

    lc::db::Connection *M_ADO_CONNECTION = nullptr;
    QString ErrLogFile;

    // Shows the platform window modally with the current flags.
    void SelectPlatforms();
    // "," followed by 1 or 0 per platform row, comma separated, in the table's order; empty
    // after an error.
    QString Check();
    // Writes the flags of the list; true when at least one row changed. Rows the list has
    // no element for are left as they are.
    bool CheckChange(const QString &inUseList);
    // Applies the window's boxes, closes it and raises the events.
    void PlatformUnLoad();

    frmPlatform *window() const { return frmPlatforms; }

Q_SIGNALS:
    void ResetLorecase();
    void UnloadPlatforms();

private:
    void frmPlatforms_UnloadPlatforms(bool cancel);
    QPointer<frmPlatform> frmPlatforms;
};
