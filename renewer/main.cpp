#include "frmMain.h"
#include "modMain.h"

#include <QApplication>
#include <QLockFile>
#include <QNetworkProxyFactory>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Behind a company proxy the updater must go the way the user's browser goes.
    QNetworkProxyFactory::setUseSystemConfiguration(true);

    QLockFile lock(renewer::lockFilePath());
    if (renewer::checkStart(lock) != renewer::StartCheck::Run)
        return 0;

    renewer::frmMain form;
    form.show();
    return app.exec();
}
