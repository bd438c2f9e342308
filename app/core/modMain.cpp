#include "modMain.h"

#include "captionlook.h"
#include "errorlog.h"
#include "programfolder.h"
#include "uiservice.h"

#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QWidget>

namespace {
QPointer<QWidget> g_mainForm;
bool g_unloading = false;
} // namespace

QString AppPath()
{
    return lc::programFolder();
}

void LogError(const QString &module, const QString &source, const lc::db::Error &error,
              bool showMessage)
{
    lc::errorlog::Reporter::program().report(module, source, error, showMessage);
}

void WriteLogBanner()
{
    lc::errorlog::writeBannerIfMissing(AppPath() + QStringLiteral("error.log"),
                                       lc::errorlog::programInfo());
}

void SetCaptionActive(QLabel *label, bool active)
{
    lc::controls::setCaptionLook(label, active);
}

void UnloadForm(QWidget *form)
{
    if (form) {
        form->close();
        if (form != g_mainForm)
            form->deleteLater();
    }
}

void UnloadAll()
{
    // Closing the main window comes back here; do the work once.
    if (g_unloading)
        return;
    g_unloading = true;
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows)
        if (w->isVisible() && w != g_mainForm)
            UnloadForm(w);
    QFile::remove(AppPath() + kClipScratchFile);
    g_unloading = false;
}

QWidget *MainForm()
{
    return g_mainForm;
}
void SetMainForm(QWidget *form)
{
    g_mainForm = form;
}
