// The main window's menu commands that open windows or print: printing through the hidden
// print document, the platform selection, options and about.
#include "frmMain.h"

#include "clsPformSel.h"
#include "ctlView.h"
#include "frmAbout.h"
#include "frmOptions.h"
#include "modADO.h"
#include "modMain.h"
#include "modPrint.h"
#include "richtextbox.h"
#include "uiservice.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QTextCursor>

#include <algorithm>

namespace {

// The number a failed print job is logged with.
constexpr int kPrinterError = 482;
constexpr PrintMargins kFileMargins{800, 900, 900, 1000};

// A PDF written whole ends with its end-of-file marker; a full disk leaves it cut short.
bool pdfComplete(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.size() < 8)
        return false;
    if (!f.read(5).startsWith("%PDF-"))
        return false;
    f.seek(std::max<qint64>(0, f.size() - 1024));
    return f.readAll().contains("%%EOF");
}

QString printerName(const QPrinter &printer)
{
    return printer.outputFileName().isEmpty() ? printer.printerName()
                                              : QDir::toNativeSeparators(printer.outputFileName());
}

} // namespace

void frmMain::mnuFilePrint_Click()
{
    rtbPrint->clear();
    if (!ctlView->PrintInfo(*rtbPrint)) {
        rtbPrint->clear();
        lc::ui::msgBox(QStringLiteral("Please select a game file to print."), lc::ui::Buttons::Ok,
                       lc::ui::Icon::Exclamation, QStringLiteral("Lorecase"));
        return;
    }
    printDocument(QStringLiteral("mnuFilePrint_Click"));
}

void frmMain::PrintFromViewer(const QString &strLine1, const QString &strDesc,
                              const QString &strSource, const QString &strRTF)
{
    rtbPrint->clear();
    QTextCursor c = rtbPrint->textCursor();
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    QTextCharFormat plain;
    plain.setFontWeight(QFont::Normal);
    c.insertText(strLine1, bold);
    c.insertBlock();
    c.insertText(QStringLiteral("File: "), bold);
    c.insertText(strDesc, plain);
    c.insertBlock();
    c.insertText(QStringLiteral("Source: "), bold);
    c.insertText(strSource, plain);
    c.insertBlock();
    c.insertBlock();
    rtbPrint->setTextCursor(c);
    rtbPrint->setSelRTF(strRTF);
    printDocument(QStringLiteral("PrintFromViewer"));
}

void frmMain::printDocument(const QString &source)
{
    QPrinter printer(QPrinter::HighResolution);
    // A viewer window asking to print is the dialog's owner, not the main window behind it.
    QWidget *owner = QApplication::activeWindow() ? QApplication::activeWindow() : this;
    if (lc::ui::service().printDialog(printer, owner)) {
        lc::ui::service().setWaitCursor(true);
        bool printed = PrintRichText(*rtbPrint->document(), printer, kFileMargins) &&
                       printer.printerState() != QPrinter::Error;
        if (printed && printer.outputFormat() == QPrinter::PdfFormat)
            printed = pdfComplete(printer.outputFileName());
        lc::ui::service().setWaitCursor(false);
        if (!printed) {
            if (printer.outputFormat() == QPrinter::PdfFormat)
                QFile::remove(printer.outputFileName()); // a part of a document is no document
            LogError(
                QStringLiteral("frmMain"), source,
                {kPrinterError,
                 QStringLiteral("The file could not be printed on %1.").arg(printerName(printer))},
                true);
        }
    }
    rtbPrint->clear();
}

void frmMain::mnuMaintPlatforms_Click()
{
    // The window is modal: a second request while it is up (from the tree) has nothing to add.
    if (objPlatformSelect)
        return;
    objPlatformSelect = std::make_unique<clsPformSel>();
    objPlatformSelect->M_ADO_CONNECTION = &gConn;
    objPlatformSelect->ErrLogFile = AppPath() + QStringLiteral("error.log");
    connect(objPlatformSelect.get(), &clsPformSel::ResetLorecase, this, &frmMain::ReloadPanes);
    objPlatformSelect->SelectPlatforms();
    // UnloadPlatforms is raised from inside the window's own button handler, with its modal
    // loop still running; the object (which owns the window) goes once that loop is over.
    objPlatformSelect.reset();
}

void frmMain::mnuToolsOptions_Click()
{
    frmOptions options(this);
    connect(&options, &frmOptions::Re_View, ctlView, &ctlView::Re_View);
    lc::ui::service().showModal(options);
}

void frmMain::mnuHelpAbout_Click()
{
    frmAbout about(this);
    lc::ui::service().showModal(about);
}
