#include "errorlog.h"
#include "frmMain.h"
#include "frmSplash.h"
#include "modMain.h"

#include <QApplication>

// The entry routine: the splash stays up while the main window loads, and goes once the main
// window is shown (its first activation then opens the database).
int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lorecase"));
    QApplication::setApplicationVersion(lc::errorlog::programInfo().version());

    auto *splash = new frmSplash;
    splash->show();
    app.processEvents();

    frmMain main;
    SetMainForm(&main);
    main.Form_Load();
    main.show();
    UnloadForm(splash);

    const int rc = app.exec();
    SetMainForm(nullptr);
    return rc;
}
