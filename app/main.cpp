#include "errorlog.h"
#include "frmMain.h"
#include "frmSplash.h"
#include "modMain.h"
#include "programfolder.h"

#include <QApplication>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

// Chromium will not start as root with its sandbox on; everyone else keeps the sandbox.
bool webSandboxMustGo()
{
#ifdef Q_OS_UNIX
    return geteuid() == 0;
#else
    return false;
#endif
}

} // namespace

// The entry routine: the splash stays up while the main window loads, and goes once the main
// window is shown (its first activation then opens the database).
int main(int argc, char **argv)
{
    const bool noSandbox = webSandboxMustGo();
    if (noSandbox)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // The web engine shares its GL contexts with the widgets; this must precede the application.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lorecase"));
    QApplication::setApplicationVersion(lc::errorlog::programInfo().version());
    if (noSandbox) {
        const QString log = lc::programFolder() + QStringLiteral("error.log");
        lc::errorlog::writeBannerIfMissing(log, lc::errorlog::programInfo());
        lc::errorlog::append(
            log, lc::errorlog::mainEntry(QStringLiteral("modMain"), QStringLiteral("Main"), 0,
                                         QStringLiteral("Running as root: the web browser runs "
                                                        "without the Chromium sandbox."),
                                         lc::errorlog::now()));
    }

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
